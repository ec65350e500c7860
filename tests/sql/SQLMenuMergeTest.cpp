// The SQL window's menu "SQL実行(&O)" in the main window's menu bar: shown
// between "編集" and "表示" while the window is the active child (from the
// moment it opens), the connection window's menus instead while that one is
// active, and gone with the window; Alt+O then E runs the text.
#include "shell/ShellTestSupport.h"

#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "sql/frmSQL.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QDialog>
#include <QTimer>
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

namespace {

// The SQL windows among the main window's children, in opening order.
QList<TfrmSQL *> SqlWindows(TfrmMain &m)
{
    QList<TfrmSQL *> l;
    for (QWidget *c : m.MdiChildren())
        if (auto *w = qobject_cast<TfrmSQL *>(c))
            l << w;
    return l;
}

// The frame as the active window again after a menu closed (a desktop gives
// the activation back by itself; the offscreen platform leaves it with the
// closed menu).
void BackToTheFrame(TfrmMain &m)
{
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activePopupWidget(), 30000);
    m.activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), static_cast<QWidget *>(&m), 30000);
}

// Alt+`menu`, then `item` in the menu that opens, as typed on the keyboard.
void MenuKeys(TfrmMain &m, Qt::Key menu, const QString &menuName, Qt::Key item)
{
    QTest::keyClick(&m, menu, Qt::AltModifier);
    QWidget *popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr) << "Alt opened no menu";
    ASSERT_EQ(popup->objectName(), menuName);
    QTest::keyClick(popup, item);
    BackToTheFrame(m);
}

} // namespace

// With the frame as the active window, as on a desktop: the merged menu is
// there as soon as a window opens, after another one closes and after a
// modal dialog, and the keyboard reaches it.
TEST(SQLWindowMenu, ReachedByKeysFromTheMomentTheWindowOpens)
{
    TestDb db{"sqlmenu"};
    TV_REQUIRE_DB(db);
    db.exec("create table k(v int)");
    TfrmSQL::RegisterLauncher();
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    TfrmMain &m = *s.main;
    m.show();
    m.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    ASSERT_NE(s.Form(), nullptr);
    ASSERT_EQ(m.mdiMain->activeSubWindow(), m.SubWindowOf(s.Form()));
    const auto values = [&db] { return db.scalar("select string_agg(v::text, ',' order by v) from k"); };
    const auto run = [&m] {
        MenuKeys(m, Qt::Key_O, QStringLiteral("mnuSQL"), Qt::Key_E);
    };

    // Ctrl+S: the new window's menu is in the bar at once.
    QTest::keyClick(&m, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(SqlWindows(m).size(), 1);
    TfrmSQL *w1 = SqlWindows(m).at(0);
    EXPECT_EQ(m.MergedChild(), w1);
    EXPECT_EQ(Titles(BarEntries(m)).count(SQLMenu), 1);
    QTest::keyClicks(w1->txtSQL, QStringLiteral("insert into k values (1)"));
    run();
    EXPECT_EQ(values(), "1");

    // A second window, opened from the menu "表示" by keys while the first
    // one is active (its editor keeps Ctrl+S for itself), brings its own menu.
    MenuKeys(m, Qt::Key_V, QStringLiteral("mnuDisplay"), Qt::Key_S);
    ASSERT_EQ(SqlWindows(m).size(), 2);
    TfrmSQL *w2 = SqlWindows(m).at(1);
    EXPECT_EQ(m.MergedChild(), w2);
    EXPECT_EQ(Titles(BarEntries(m)).count(SQLMenu), 1);
    QTest::keyClicks(w2->txtSQL, QStringLiteral("insert into k values (2)"));
    run();
    EXPECT_EQ(values(), "1,2");

    // Back to the first window by its task button, which is then closed:
    // the second one becomes active with its menu, which runs its text.
    QTest::mouseClick(w1->TaskButton(), Qt::LeftButton);
    EXPECT_EQ(m.MergedChild(), w1);
    w1->Close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(SqlWindows(m), QList<TfrmSQL *>{w2});
    ASSERT_EQ(m.mdiMain->activeSubWindow(), m.SubWindowOf(w2));
    EXPECT_EQ(m.MergedChild(), w2);
    EXPECT_EQ(Titles(BarEntries(m)).count(SQLMenu), 1);
    w2->txtSQL->Lines()->SetText(QStringLiteral("insert into k values (3)"));
    run();
    EXPECT_EQ(values(), "1,2,3");

    // A modal dialog takes the activation and gives it back: the menu stays.
    QDialog dialog(&m);
    QTimer::singleShot(0, &dialog, [&dialog] {
        // Closed once it has the activation (or after the wait, either way).
        (void)QTest::qWaitForWindowActive(&dialog);
        dialog.reject();
    });
    dialog.exec();
    m.activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), static_cast<QWidget *>(&m), 30000);
    EXPECT_EQ(m.MergedChild(), w2);
    EXPECT_EQ(Titles(BarEntries(m)).count(SQLMenu), 1);
    w2->txtSQL->Lines()->SetText(QStringLiteral("insert into k values (4)"));
    run();
    EXPECT_EQ(values(), "1,2,3,4");
}
