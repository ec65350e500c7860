// Menus that the active MDI child lends to the main window's menu bar: where
// they go by group index, which own menus they stand in for, and that the bar
// is whole again when another child becomes active or the child goes.
#include "ModalSteps.h"
#include "ShellTestSupport.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include <utility>
#include <vector>

using namespace tvtest;

// Readable lists in failure messages (the same definition as in the
// execution dialog's tests: one inline function of the program).
inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

// A child of the shell's protocol that lends the menus it is given.
class LendingChild : public QWidget, public IChildWindow {
public:
    explicit LendingChild(const std::vector<std::pair<int, QString>> &menus)
    {
        for (const auto &[group, title] : menus)
            lent.append({group, new QMenu(title, this)});
    }
    IConnectionWindow *OwnerConnection() const override { return nullptr; }
    bool CanClose() override { return true; }
    TMergeMenus MergeMenus() const override { return lent; }
    TMergeMenus lent;
};

class PlainChild : public QWidget {};

// The titles of the visible top-level entries of the menu bar, in order.
QStringList BarTitles(TfrmMain &m)
{
    QStringList l;
    for (QAction *a : m.menuBar()->actions())
        if (a->isVisible())
            l << a->text();
    return l;
}

const QStringList Own{"ファイル(&F)", "編集(&E)", "表示(&V)", "管理(&A)", "ツール(&T)", "ウィンドウ(&W)", "ヘルプ(&H)"};

// The main window shown, its first paint done (the logon it offers refused).
TfrmMain &StartShown(ShellSession &s)
{
    TfrmMain &m = s.Start({});
    ModalSteps steps({CancelStep(QStringLiteral("frmLogon"))});
    s.FirstPaint();
    m.show();
    return m;
}

QMdiSubWindow *Add(TfrmMain &m, QWidget *w)
{
    QMdiSubWindow *sw = m.AddMdiChild(w);
    sw->show();
    m.mdiMain->setActiveSubWindow(sw);
    return sw;
}

} // namespace

TEST(MenuMerge, LentMenusGoInByGroupIndexAndStandInForOwnMenusOfTheSameIndex)
{
    const struct {
        const char *name;
        std::vector<std::pair<int, QString>> lent;
        QStringList bar;
    } cases[] = {
        {"new index between edit and view", {{2, "SQL実行(&O)"}},
         {"ファイル(&F)", "編集(&E)", "SQL実行(&O)", "表示(&V)", "管理(&A)", "ツール(&T)", "ウィンドウ(&W)", "ヘルプ(&H)"}},
        {"same index as edit replaces it", {{1, "X"}},
         {"ファイル(&F)", "X", "表示(&V)", "管理(&A)", "ツール(&T)", "ウィンドウ(&W)", "ヘルプ(&H)"}},
        {"one menu replaces every own menu of its index", {{4, "X"}},
         {"ファイル(&F)", "編集(&E)", "表示(&V)", "X", "ウィンドウ(&W)", "ヘルプ(&H)"}},
        {"two menus of one index keep their order", {{2, "A"}, {2, "B"}},
         {"ファイル(&F)", "編集(&E)", "A", "B", "表示(&V)", "管理(&A)", "ツール(&T)", "ウィンドウ(&W)", "ヘルプ(&H)"}},
        {"a higher index than every own menu goes last", {{9, "X"}}, Own + QStringList{"X"}},
        {"order of the lent list does not matter", {{3, "X"}, {2, "Y"}, {0, "Z"}},
         {"Z", "編集(&E)", "Y", "X", "管理(&A)", "ツール(&T)", "ウィンドウ(&W)", "ヘルプ(&H)"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ShellSession s;
        TfrmMain &m = s.Start({});
        EXPECT_EQ(BarTitles(m), Own);
        auto *child = new LendingChild(c.lent);
        Add(m, child);
        EXPECT_EQ(BarTitles(m), c.bar);
        EXPECT_EQ(m.MergedChild(), child);
        // A child that lends nothing gives the bar back as it was.
        Add(m, new PlainChild);
        EXPECT_EQ(BarTitles(m), Own);
        EXPECT_EQ(m.MergedChild(), nullptr);
        // Coming back merges again, without doubling.
        m.mdiMain->setActiveSubWindow(m.SubWindowOf(child));
        EXPECT_EQ(BarTitles(m), c.bar);
    }
}

TEST(MenuMerge, SwitchingAndClosingChildrenRestoresTheOwnMenus)
{
    ShellSession s;
    TfrmMain &m = StartShown(s);
    auto *a = new LendingChild({{1, "A"}});
    auto *b = new LendingChild({{2, "B"}});
    QMdiSubWindow *swA = Add(m, a);
    EXPECT_EQ(BarTitles(m), QStringList({"ファイル(&F)", "A", "表示(&V)", "管理(&A)", "ツール(&T)", "ウィンドウ(&W)",
                                         "ヘルプ(&H)"}));
    // The next child's menus take the place of the first one's: "編集" is back.
    QMdiSubWindow *swB = Add(m, b);
    EXPECT_EQ(BarTitles(m), QStringList({"ファイル(&F)", "編集(&E)", "B", "表示(&V)", "管理(&A)", "ツール(&T)",
                                         "ウィンドウ(&W)", "ヘルプ(&H)"}));
    EXPECT_FALSE(m.menuBar()->actions().contains(a->lent[0].Menu->menuAction()));

    // The lent menu is the child's own: it opens with the child's entries.
    QAction *entry = b->lent[0].Menu->addAction(QStringLiteral("実行(&E)"));
    EXPECT_TRUE(m.menuBar()->actions().contains(b->lent[0].Menu->menuAction()));
    EXPECT_EQ(b->lent[0].Menu->actions(), QList<QAction *>{entry});

    // Closing the active child makes the other one active with its menus.
    swB->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(m.mdiMain->activeSubWindow(), swA);
    EXPECT_EQ(BarTitles(m).at(1), QStringLiteral("A"));
    EXPECT_EQ(m.MergedChild(), a);

    // The last child going leaves the main window's own bar.
    swA->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(BarTitles(m), Own);
    EXPECT_EQ(m.menuBar()->actions().size(), Own.size());
    EXPECT_EQ(m.MergedChild(), nullptr);
}

TEST(MenuMerge, AChildDestroyedWhileMergedTakesItsMenusAlong)
{
    ShellSession s;
    TfrmMain &m = s.Start({});
    auto *a = new LendingChild({{3, "A"}, {4, "B"}});
    Add(m, a);
    EXPECT_EQ(BarTitles(m),
              QStringList({"ファイル(&F)", "編集(&E)", "A", "B", "ウィンドウ(&W)", "ヘルプ(&H)"}));
    delete a; // the window alone, its frame stays for a moment
    EXPECT_EQ(BarTitles(m), Own);
    EXPECT_EQ(m.menuBar()->actions().size(), Own.size());
    EXPECT_EQ(m.MergedChild(), nullptr);
}

TEST(MenuMerge, AnotherTopLevelWindowTakingTheFocusKeepsTheChildsMenus)
{
    ShellSession s;
    TfrmMain &m = StartShown(s);
    m.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    Add(m, new LendingChild({{2, "SQL実行(&O)"}}));
    ASSERT_TRUE(BarTitles(m).contains(QStringLiteral("SQL実行(&O)")));

    QWidget dialog;
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_TRUE(BarTitles(m).contains(QStringLiteral("SQL実行(&O)")));
    dialog.close();
    m.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    EXPECT_EQ(BarTitles(m).at(2), QStringLiteral("SQL実行(&O)"));
    EXPECT_EQ(BarTitles(m).count(QStringLiteral("SQL実行(&O)")), 1);
}
