#pragma once
// What the tests of the table-family windows share: the program started as
// it starts, logged on to a scratch database, with the table windows and the
// connection window's launchers registered.
#include "shell/ShellTestSupport.h"

#include "editor/tvMemo.h"
#include "objects/table/TableWindows.h"

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
