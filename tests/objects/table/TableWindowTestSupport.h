#pragma once
// What the tests of the table-family windows share: the program started as
// it starts, logged on to a scratch database, with the table windows and the
// connection window's launchers registered.
#include "shell/ShellTestSupport.h"

#include "editor/tvMemo.h"
#include "objects/table/TableWindows.h"
#include "editor/EditorStrings.h"
#include "shell/frmDDLExec.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include <QList>
#include <QMdiSubWindow>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tvtest {

// The windows of class T open in the session's main window.
template <class T>
QList<T *> WindowsOf(const ShellSession &s)
{
    QList<T *> list;
    for (QWidget *w : s.main->MdiChildren())
        if (auto *t = dynamic_cast<T *>(w))
            list << t;
    return list;
}

// An editor in a window of its own in the main window, which is shown and
// made active (the caller waits for it); returns the editor's memo.
inline TtvMemo *EditorInMainWindow(TfrmMain &m)
{
    auto *host = new QWidget;
    auto *memo = new TtvMemo(host);
    memo->resize(300, 200);
    m.AddMdiChild(host)->show();
    m.show();
    m.activateWindow();
    return memo;
}

inline TfrmDDLExec *OpenExecDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<TfrmDDLExec *>(w); d && d->isVisible())
            return d;
    return nullptr;
}

// Acts as the user in the execution dialog: unticks stop-on-error when
// asked, copies the log once the run has finished and closes the dialog.
class ExecDialogUser {
public:
    // dialogs: answers "処理を中断しますか？" when a stopped run is closed.
    ExecDialogUser(bool stopOnError, tv::ui::ScriptedDialogs &dialogs)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, stopOnError, &dialogs] {
            TfrmDDLExec *d = OpenExecDialog();
            if (!d)
                return;
            if (!stopOnError)
                d->chkErrorStop->setChecked(false);
            if (d->Finished() || d->btnOK->isEnabled()) {
                log = d->txtLog->Lines()->ToStringList();
                if (!d->Finished()) {
                    dialogs.queueButton(tv::ui::IDYES);
                    stopped = true;
                }
                d->close();
            }
        });
        timer.start(0);
    }
    QStringList log;
    bool stopped = false;
    QTimer timer;
};

class TableWindowTest : public ::testing::Test {
protected:
    // Makes the database (name prefix `tag`), runs `ddl` in it and starts
    // the program logged on to it; nothing when no server is available.
    void StartOn(const std::string &tag, const std::string &ddl)
    {
        db = std::make_unique<TestDb>(tag);
        if (!db->available())
            return;
        db->exec(ddl);
        RegisterTableWindows();
        TfrmObject::RegisterLaunchers();
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form();
    }
    // The windows of class T still open give up their changes, so that
    // closing them asks nothing.
    template <class T>
    void DropChanges()
    {
        if (s.main)
            for (T *w : WindowsOf<T>(s))
                w->SetModified(false);
    }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace tvtest
