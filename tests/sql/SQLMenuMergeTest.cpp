// The SQL window's menu "SQL実行(&O)" in the main window's menu bar: shown
// between "編集" and "表示" while the window is the active child, the
// connection window's menus instead while that one is active, and gone with
// the window.
#include "shell/ShellTestSupport.h"

#include "sql/frmSQL.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

using namespace tvtest;

namespace {

// The visible top-level entries of the menu bar, in order.
QList<QAction *> BarEntries(TfrmMain &m)
{
    QList<QAction *> l;
    for (QAction *a : m.menuBar()->actions())
        if (a->isVisible())
            l << a;
    return l;
}

QStringList Titles(const QList<QAction *> &entries)
{
    QStringList l;
    for (QAction *a : entries)
        l << a->text();
    return l;
}

QStringList TitlesOf(const TMergeMenus &menus)
{
    QStringList l;
    for (const TMergeMenu &m : menus)
        l << m.Menu->title();
    return l;
}

const QString SQLMenu = QStringLiteral("SQL実行(&O)");

} // namespace

TEST(SQLWindowMenu, FollowsTheActiveChild)
{
    TestDb db{"sqlmenu"};
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    s.main->show();
    TfrmObject *conn = s.Form();
    ASSERT_NE(conn, nullptr);
    TfrmMain &m = *s.main;

    auto *w = new TfrmSQL(conn);
    w->ShowForm();
    ASSERT_EQ(m.mdiMain->activeSubWindow(), w->Frame());
    QList<QAction *> bar = BarEntries(m);
    EXPECT_EQ(Titles(bar), QStringList({"ファイル(&F)", "編集(&E)", SQLMenu, "表示(&V)", "管理(&A)", "ツール(&T)",
                                        "ウィンドウ(&W)", "ヘルプ(&H)"}));
    // The entry opens the window's own menu with its commands.
    ASSERT_EQ(bar.size(), 8);
    EXPECT_EQ(bar[2]->menu(), w->mnuSQL);
    EXPECT_EQ(w->mnuSQL->actions().first(), w->actExec);

    // The connection window's task button makes it the active child: its
    // menus stand where the SQL window's was.
    ASSERT_NE(conn->FTaskButton, nullptr);
    QTest::mouseClick(conn->FTaskButton, Qt::LeftButton);
    ASSERT_EQ(m.mdiMain->activeSubWindow(), m.SubWindowOf(conn));
    QStringList expected{"ファイル(&F)", "編集(&E)"};
    expected << TitlesOf(conn->MergeMenus());
    expected << QStringList{"表示(&V)", "管理(&A)", "ツール(&T)", "ウィンドウ(&W)", "ヘルプ(&H)"};
    EXPECT_EQ(Titles(BarEntries(m)), expected);
    EXPECT_FALSE(Titles(BarEntries(m)).contains(SQLMenu));

    // A second SQL window shows its own menu, once.
    auto *w2 = new TfrmSQL(conn);
    w2->ShowForm();
    bar = BarEntries(m);
    EXPECT_EQ(Titles(bar).count(SQLMenu), 1);
    ASSERT_GE(bar.size(), 3);
    EXPECT_EQ(bar[2]->menu(), w2->mnuSQL);

    // Back to the first one by its task button.
    QTest::mouseClick(w->TaskButton(), Qt::LeftButton);
    bar = BarEntries(m);
    ASSERT_GE(bar.size(), 3);
    EXPECT_EQ(bar[2]->menu(), w->mnuSQL);
    EXPECT_EQ(Titles(bar).count(SQLMenu), 1);

    // Closing the SQL windows takes their menus out of the bar.
    QPointer<TfrmSQL> g1(w), g2(w2);
    w->Close();
    w2->Close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(g1.isNull());
    EXPECT_TRUE(g2.isNull());
    EXPECT_FALSE(Titles(BarEntries(m)).contains(SQLMenu));
    EXPECT_EQ(m.mdiMain->activeSubWindow(), m.SubWindowOf(conn));
}
