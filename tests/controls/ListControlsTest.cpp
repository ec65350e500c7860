// Check list box, list view, tree view and status bar.
#include "controls/tvCheckListBox.h"
#include "controls/tvListView.h"
#include "controls/tvStatusBar.h"
#include "controls/tvTreeView.h"
#include "platform/Errors.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

struct CheckListForm {
    QWidget w;
    TtvCheckListBox *list = new TtvCheckListBox(&w);
    QStringList events;
    CheckListForm()
    {
        auto *lay = new QVBoxLayout(&w);
        lay->addWidget(list);
        list->addItems({"SELECT", "INSERT", "UPDATE"});
        list->OnClickCheckL = [this](QObject *) { events << "L"; };
        list->OnClickCheckR = [this](QObject *) { events << "R"; };
        w.resize(300, 200);
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    void ClickBox(int index, bool right)
    {
        const QRect r = list->visualItemRect(list->item(index));
        const int cw = TtvCheckListBox::GetCheckWidth();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          QPoint(r.left() + (right ? cw + cw / 2 : cw / 2), r.center().y()));
    }
};

TEST(TtvCheckListBox, RightClickChecksBothLeftClearClearsBoth)
{
    CheckListForm f;
    f.ClickBox(0, true);
    EXPECT_TRUE(f.list->GetCheckedR(0));
    EXPECT_TRUE(f.list->GetCheckedL(0));
    EXPECT_EQ(f.events, QStringList({"R", "L"}));
    f.events.clear();
    f.ClickBox(0, false);
    EXPECT_FALSE(f.list->GetCheckedL(0));
    EXPECT_FALSE(f.list->GetCheckedR(0));
    EXPECT_EQ(f.events, QStringList({"L", "R"}));
}

// A click ticks an unticked box at once; grey comes back only on a box the
// program set grey (a mixed selection), and only with AllowGrayed.
TEST(TtvCheckListBox, ClickCyclesWithAndWithoutGrayed)
{
    using S = Qt::CheckState;
    struct Case {
        const char *what;
        bool allowGrayed;
        S setByProgram;
        bool right;
        QList<S> seen;
    } cases[] = {
        {"plain", false, Qt::Unchecked, false, {Qt::Checked, Qt::Unchecked, Qt::Checked}},
        {"grey allowed, box set unticked", true, Qt::Unchecked, false, {Qt::Checked, Qt::Unchecked, Qt::Checked}},
        {"grey allowed, box set ticked", true, Qt::Checked, false, {Qt::Unchecked, Qt::Checked, Qt::Unchecked}},
        {"grey allowed, box set grey", true, Qt::PartiallyChecked, false,
         {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked, Qt::Unchecked}},
        {"grey not allowed, box set grey", false, Qt::PartiallyChecked, false,
         {Qt::Unchecked, Qt::Checked, Qt::Unchecked}},
        {"right box set grey", true, Qt::PartiallyChecked, true,
         {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked, Qt::Unchecked}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        CheckListForm f;
        f.list->SetAllowGrayed(c.allowGrayed);
        if (c.right)
            f.list->SetStateR(1, c.setByProgram);
        else
            f.list->SetStateL(1, c.setByProgram);
        QList<S> seen;
        for (int i = 0; i < c.seen.size(); ++i) {
            f.ClickBox(1, c.right);
            seen << (c.right ? f.list->GetStateR(1) : f.list->GetStateL(1));
        }
        EXPECT_EQ(seen, c.seen);
    }
}

TEST(TtvCheckListBox, DisabledBoxesIgnoreUserAndSettersSkipTheRule)
{
    CheckListForm f;
    f.list->SetItemEnabledR(2, false);
    f.ClickBox(2, true);
    EXPECT_FALSE(f.list->GetCheckedR(2));
    f.list->SetItemEnabledL(2, false);
    f.list->setCurrentRow(2);
    f.list->setFocus();
    QTest::keyClick(f.list, Qt::Key_Space);
    EXPECT_FALSE(f.list->GetCheckedL(2));
    EXPECT_TRUE(f.events.isEmpty());

    f.list->SetCheckedR(0, true); // programmatic: no events, no rule
    EXPECT_FALSE(f.list->GetCheckedL(0));
    EXPECT_TRUE(f.events.isEmpty());

    f.list->setCurrentRow(1);
    QTest::keyClick(f.list, Qt::Key_Space);
    EXPECT_TRUE(f.list->GetCheckedL(1));
}

TEST(TtvCheckListBox, SaveAndIsChanged)
{
    CheckListForm f;
    EXPECT_TRUE(f.list->IsChanged()); // nothing saved yet
    f.list->SetStateL(1, Qt::Checked);
    f.list->Save();
    EXPECT_FALSE(f.list->IsChanged());
    f.list->SetStateR(1, Qt::PartiallyChecked);
    EXPECT_TRUE(f.list->IsChanged());
    EXPECT_TRUE(f.list->GetIsChangedLines(1));
    EXPECT_FALSE(f.list->GetIsChangedLines(0));
    f.list->SetStateR(1, Qt::Unchecked);
    EXPECT_FALSE(f.list->IsChanged());
    f.list->addItem(QStringLiteral("DELETE"));
    EXPECT_TRUE(f.list->IsChanged());
    EXPECT_TRUE(f.list->GetIsChangedLines(3));
    EXPECT_TRUE(f.list->GetIsChangedLines(-1));
}

TEST(TtvCheckListBox, ItemDataAndBadIndex)
{
    CheckListForm f;
    EXPECT_EQ(f.list->GetItemData(0), 0);
    f.list->SetItemData(0, 42);
    EXPECT_EQ(f.list->GetItemData(0), 42);
    try {
        f.list->GetStateL(7);
        FAIL() << "no error";
    } catch (const tv::Error &e) {
        EXPECT_EQ(e.text(), QStringLiteral("リストのインデックスが範囲を超えています (7)"));
    }
}

struct ListForm {
    QWidget w;
    TtvListView *list = new TtvListView(&w);
    ListForm()
    {
        auto *lay = new QVBoxLayout(&w);
        lay->addWidget(list);
        list->AddColumn(QStringLiteral("名前"), 100);
        list->AddColumn(QStringLiteral("タイプ"), 80);
        list->AddColumn(QStringLiteral("サイズ"), 80, Qt::AlignRight);
        list->AddItem("b", {"view", "1,200"});
        list->AddItem("a", {"table", "300"});
        list->AddItem("c", {"index", "x"});
        w.resize(400, 300);
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    QStringList Captions() const
    {
        QStringList out;
        for (int i = 0; i < list->ItemCount(); ++i)
            out << list->Item(i)->Caption();
        return out;
    }
    void ClickHeader(int column)
    {
        QHeaderView *h = list->header();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(column) + 10, h->height() / 2));
    }
};

TEST(TtvListView, HeaderClicksSortByTextAndNumber)
{
    ListForm f;
    EXPECT_EQ(f.list->SortID(), 1);
    int clicked = -1;
    f.list->OnColumnClick = [&](QObject *, int c) { clicked = c; };
    f.ClickHeader(0); // the sort column already: descending
    EXPECT_EQ(f.list->SortID(), -1);
    EXPECT_EQ(f.Captions(), QStringList({"c", "b", "a"}));
    EXPECT_EQ(clicked, 0);
    f.ClickHeader(2); // right-aligned: numbers, "x" counts as 0
    EXPECT_EQ(f.list->SortID(), 3);
    EXPECT_EQ(f.Captions(), QStringList({"c", "a", "b"}));
    f.ClickHeader(2);
    EXPECT_EQ(f.Captions(), QStringList({"b", "a", "c"}));
    f.ClickHeader(1);
    EXPECT_EQ(f.list->SortID(), 2);
    EXPECT_EQ(f.Captions(), QStringList({"c", "a", "b"})); // index, table, view
}

TEST(TtvListView, OnCompareMayOverrideTheResult)
{
    ListForm f;
    f.list->OnCompare = [](QObject *, TtvListItem *a, TtvListItem *b, int, int &cmp) {
        cmp = -QString::compare(a->Caption(), b->Caption());
    };
    f.list->SetSortID(2);
    f.list->CustomSort();
    EXPECT_EQ(f.Captions(), QStringList({"c", "b", "a"}));
}

TEST(TtvListView, CopySelectedCaptionsWithoutFinalLineBreak)
{
    ListForm f;
    f.list->SetMultiSelect(true);
    QApplication::clipboard()->setText(QStringLiteral("before"));
    f.list->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    f.list->selectAll();
    f.list->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("b\r\na\r\nc"));
}

TEST(TtvListView, SelectAllOnlyInMultiSelect)
{
    ListForm f;
    f.list->SetMultiSelect(false);
    f.list->selectAll();
    EXPECT_TRUE(f.list->SelectedItems().isEmpty());
    f.list->SetMultiSelect(true);
    f.list->selectAll();
    EXPECT_EQ(f.list->SelectedItems().size(), 3);
}

// Keys and clicks select whole items; the highlight covers the row or the
// caption only, as RowSelect says.
TEST(TtvListView, SelectionTakesWholeItemsAndRowSelectOnlyPaints)
{
    ListForm f;
    f.list->SetMultiSelect(true);
    f.list->setFocus();
    // The caption's end and the middle of the second column in a row.
    auto colorAt = [&](int row, int column) {
        const QRect r = f.list->visualItemRect(f.list->Item(row));
        const int x = column == 0 ? f.list->columnWidth(0) - 4
                                  : f.list->columnViewportPosition(column) + f.list->columnWidth(column) / 2;
        return f.list->viewport()->grab().toImage().pixelColor(x, r.center().y());
    };
    const QColor base = colorAt(1, 1);
    for (const bool rowSelect : {false, true}) {
        SCOPED_TRACE(rowSelect ? "row" : "caption");
        f.list->SetRowSelect(rowSelect);
        f.list->clearSelection();
        f.list->setCurrentItem(f.list->Item(0));
        QTest::keyClick(f.list, Qt::Key_A, Qt::ControlModifier);
        ASSERT_EQ(f.list->SelectedItems().size(), 3);
        QTest::keyClick(f.list, Qt::Key_Down);
        ASSERT_EQ(f.list->SelectedItems().size(), 1);
        EXPECT_EQ(f.list->SelectedItems().first(), f.list->Item(1));
        EXPECT_TRUE(f.list->Item(1)->isSelected());
        // A click on a sub-item takes its item too.
        const QRect r = f.list->visualItemRect(f.list->Item(2));
        QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {},
                          QPoint(f.list->columnViewportPosition(2) + 20, r.center().y()));
        ASSERT_EQ(f.list->SelectedItems().size(), 1);
        EXPECT_EQ(f.list->SelectedItems().first(), f.list->Item(2));
        EXPECT_NE(colorAt(2, 0), base);
        EXPECT_EQ(colorAt(2, 1) != base, rowSelect);
        EXPECT_EQ(colorAt(0, 0), base);
    }
}

TEST(TtvTreeView, FindNameAndDataSearchChildrenInOrder)
{
    TtvTreeView tree;
    TtvTreeNode *root = tree.AddNode(nullptr, "root");
    TtvTreeNode *a = tree.AddNode(root, "Alpha");
    TtvTreeNode *grand = tree.AddNode(a, "deep");
    TtvTreeNode *a2 = tree.AddNode(root, "ALPHA");
    int tag = 0;
    a2->Data = &tag;
    EXPECT_EQ(root->FindName("alpha", false), a);
    EXPECT_EQ(root->FindName("deep", false), nullptr);
    EXPECT_EQ(root->FindName("DEEP", true), grand);
    EXPECT_EQ(root->FindData(&tag, false), a2);
    EXPECT_EQ(root->FindData(nullptr, true), a);
}

TEST(TtvTreeView, SubItemsShowUnderSectionsAndCustomDrawCanClearThem)
{
    TtvTreeView tree;
    tree.AddSection("name", 100);
    tree.AddSection("type", 60);
    tree.AddSection("size", 60, Qt::AlignRight);
    TtvTreeNode *n = tree.AddNode(nullptr, "node");
    n->SetSubItems({"s0", "s1", "s2", "s3", "s4"});
    QList<int> drawn;
    tree.OnCustomDrawSubItem = [&](TtvTreeView *, TtvTreeNode *, int index, QStyle::State, const QRect &,
                                   bool &defaultDraw) {
        drawn << index;
        defaultDraw = index != 1;
    };
    tree.resize(300, 200);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    tree.grab();
    std::sort(drawn.begin(), drawn.end());
    drawn.erase(std::unique(drawn.begin(), drawn.end()), drawn.end());
    EXPECT_EQ(drawn, QList<int>({0, 1})); // three sections: two sub-items

    tree.setCurrentItem(n);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(10, 190));
    EXPECT_EQ(tree.Selected(), nullptr);
}

TEST(TtvStatusBar, IgnoresHintsOfControlsAndActions)
{
    QMainWindow w;
    auto *bar = new TtvStatusBar;
    w.setStatusBar(bar);
    bar->AutoHint = true;
    bar->AddPanel(100);
    bar->AddPanel(200);
    bar->SetPanelText(1, QStringLiteral("接続中"));
    auto *button = new QPushButton(QStringLiteral("btn"));
    button->setStatusTip(QStringLiteral("hint text"));
    w.setCentralWidget(button);
    auto *action = new QAction(QStringLiteral("act"), &w);
    action->setStatusTip(QStringLiteral("action hint"));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    QTest::mouseMove(button, button->rect().center());
    QStatusTipEvent tip(button->statusTip());
    QApplication::sendEvent(button, &tip);
    action->showStatusText(button);
    EXPECT_EQ(bar->currentMessage(), QString());
    EXPECT_EQ(bar->PanelText(1), QStringLiteral("接続中"));
}

} // namespace
