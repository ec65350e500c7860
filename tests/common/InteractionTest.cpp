// Interaction services: reloading every connection window, committing the
// focused control's pending edit.
#include "FormTestSupport.h"

#include "common/Interaction.h"
#include "platform/ui/WindowMessage.h"

#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTest>

#include <gtest/gtest.h>

using namespace tvtest;

namespace {

// A connection window that notes every WM_RELOAD it gets, with the order.
class ReloadRecorder : public FakeConnectionWindow {
public:
    ReloadRecorder(const QString &db, QStringList *log) : FakeConnectionWindow("h", db, "u"), m_log(log) {}
    bool event(QEvent *e) override
    {
        if (e->type() == tv::ui::WindowMessageType(tv::ui::WM_RELOAD))
            *m_log << DBName();
        return FakeConnectionWindow::event(e);
    }

private:
    QStringList *m_log;
};

class PlainChild : public QWidget {
public:
    int reloads = 0;
    bool event(QEvent *e) override
    {
        if (e->type() == tv::ui::WindowMessageType(tv::ui::WM_RELOAD))
            ++reloads;
        return QWidget::event(e);
    }
};

} // namespace

TEST(Interaction, RefreshObjectWindowsReloadsOnlyConnectionWindowsInChildOrder)
{
    FakeMainWindow main;
    QStringList log;
    auto *first = new ReloadRecorder(QStringLiteral("db1"), &log);
    auto *other = new PlainChild;
    auto *second = new ReloadRecorder(QStringLiteral("db2"), &log);
    for (QWidget *w : {static_cast<QWidget *>(first), static_cast<QWidget *>(other), static_cast<QWidget *>(second)})
        main.mdiMain->addSubWindow(w);

    RefreshObjectWindows();
    // Delivered synchronously: no event loop ran in between.
    EXPECT_EQ(log, (QStringList{"db1", "db2"}));
    EXPECT_EQ(other->reloads, 0);
}

TEST(Interaction, RefreshObjectWindowsWithoutAMainWindowDoesNothing)
{
    RefreshObjectWindows(); // no main window registered: must not crash
    SUCCEED();
}

TEST(Interaction, CommitActiveControlRunsTheExitHandlingAndKeepsTheFocus)
{
    QWidget window;
    auto *edit = new QLineEdit(&window);
    auto *next = new QLineEdit(&window);
    int finished = 0;
    QObject::connect(edit, &QLineEdit::editingFinished, [&] { ++finished; });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("abc"));

    CommitActiveControl();
    EXPECT_GE(finished, 1);
    EXPECT_EQ(QApplication::focusWidget(), edit);
    EXPECT_EQ(edit->text(), QStringLiteral("abc"));
    (void)next;
}
