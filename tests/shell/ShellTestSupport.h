#pragma once
// A started program for one test: shared services on a scratch settings
// folder, dialogs answered by a script, and a main window built with a
// command line.
#include "common/Globals.h"
#include "common/tvOption.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/frmMain.h"
#include "controls/tvListView.h"
#include "shell/ListItemImage.h"
#include "shell/frmObject.h"
#include "support/ScratchDir.h"
#include "support/TestDb.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable QString values in failure messages.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace tvtest {

// The switches that log on to a test database.
inline QStringList LogonArgs(const DbParams &p, const QString &schema = QString())
{
    QStringList a{QStringLiteral("/U=") + p.user, QStringLiteral("/D=") + p.database, QStringLiteral("/H=") + p.host,
                  QStringLiteral("/P=") + p.port};
    if (!p.password.isEmpty())
        a << QStringLiteral("/PS=") + p.password;
    if (!schema.isEmpty())
        a << QStringLiteral("/S=") + schema;
    return a;
}

class ShellSession {
public:
    ShellSession() : use(&dialogs)
    {
        StartSharedServices();
    }
    ~ShellSession()
    {
        main.reset();
        EndSharedServices();
    }

    // Builds the main window with `args`; the options are loaded by then, so
    // a test changes them after this and before FirstPaint.
    TfrmMain &Start(const QStringList &args)
    {
        main = std::make_unique<TfrmMain>(args);
        return *main;
    }
    // The first paint's work: layout and command-line logon.
    void FirstPaint() { main->FormPaint(); }
    // Shows the frame and waits until it is the active window, as it is when
    // the user works in it: its activation, arriving later, would make the
    // MDI area activate its child again in the middle of a test.
    bool ShowMain()
    {
        main->show();
        main->activateWindow();
        return QTest::qWaitForWindowActive(main.get(), 60000);
    }

    TfrmObject *Form(int i = 0) const
    {
        const auto children = main->MdiChildren();
        return i < children.size() ? dynamic_cast<TfrmObject *>(children.at(i)) : nullptr;
    }
    // Closes the main window as the user would; true when it closed.
    bool CloseMain() { return main->close(); }

    ScratchDir scratch;
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use;
    std::unique_ptr<TfrmMain> main;
};

// The object list's item of that caption (and image index, when given).
inline TtvListItem *FindListItem(TtvListView *list, const QString &name, int image = -1)
{
    for (int i = 0; i < list->ItemCount(); ++i) {
        TtvListItem *it = list->Item(i);
        if (it->Caption() == name && (image < 0 || ItemImageIndex(it) == image))
            return it;
    }
    return nullptr;
}

// Selects exactly the items of these captions; a missing one fails the test.
inline void SelectListItems(TtvListView *list, const QStringList &names)
{
    list->clearSelection();
    for (const QString &n : names) {
        TtvListItem *it = FindListItem(list, n);
        ASSERT_NE(it, nullptr) << n.toStdString();
        it->setSelected(true);
    }
}

// The child of a tree node with that text in column 0, or null.
inline QTreeWidgetItem *Child(QTreeWidgetItem *n, const QString &text)
{
    for (int i = 0; n && i < n->childCount(); ++i)
        if (n->child(i)->text(0) == text)
            return n->child(i);
    return nullptr;
}
inline const QTreeWidgetItem *Child(const QTreeWidgetItem *n, const QString &text)
{
    return Child(const_cast<QTreeWidgetItem *>(n), text);
}

// Waits (events flowing) until `done` holds; false after a generous deadline.
template <class F>
bool PollUntil(F done, int ms = 60000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

// The in-place editor a list opened: the visible line edit among its
// children (an earlier editor may still wait for its deferred deletion);
// null after a generous deadline.
inline QLineEdit *InPlaceEditor(QWidget *list, int ms = 60000)
{
    QLineEdit *edit = nullptr;
    PollUntil([&] {
        for (QLineEdit *e : list->findChildren<QLineEdit *>())
            if (e->isVisible())
                edit = e;
        return edit != nullptr;
    }, ms);
    return edit;
}

// The item of a menu bar under that menu title, searched through submenus.
inline QAction *MenuItem(QMenuBar *bar, const QString &menu, const QString &item)
{
    for (QAction *m : bar->actions()) {
        if (m->text() != menu || !m->menu())
            continue;
        QList<QMenu *> menus{m->menu()};
        while (!menus.isEmpty()) {
            for (QAction *a : menus.takeFirst()->actions()) {
                if (a->text() == item)
                    return a;
                if (a->menu())
                    menus << a->menu();
            }
        }
    }
    return nullptr;
}

} // namespace tvtest
