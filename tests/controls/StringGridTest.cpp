// The editable string grid and its cell editor, driven with keys and clicks.
#include "controls/tvInplaceEditor.h"
#include "controls/tvStringGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

struct GridForm {
    QWidget w;
    TtvStringGrid *grid = new TtvStringGrid(&w);
    GridForm(int cols = 3, int rows = 4)
    {
        auto *lay = new QVBoxLayout(&w);
        lay->addWidget(grid);
        w.resize(400, 300);
        grid->SetColCount(cols);
        grid->SetRowCount(rows);
        grid->SetFixedCols(0);
        grid->SetOptions(grid->Options() | goEditing);
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        grid->setFocus();
    }
    QPoint CellCenter(int c, int r) const { return grid->CellRect(c, r).center(); }
};

TEST(TtvStringGrid, FreshGridDefaults)
{
    TtvStringGrid g;
    EXPECT_EQ(g.GridMode(), geNormal);
    EXPECT_EQ(g.ColCount(), 5);
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(g.GetEditStyles(c), geSimple);
    EXPECT_TRUE(g.IsChanged()); // no snapshot yet
    g.Save();
    EXPECT_FALSE(g.IsChanged());
}

TEST(TtvStringGrid, EditStylesFollowColumnCount)
{
    TtvStringGrid g;
    g.SetEditStyles(10, geCheckBox);
    EXPECT_EQ(g.GetEditStyles(10), geSimple);
    g.SetEditStyles(2, gePickList);
    g.SetColCount(11);
    EXPECT_EQ(g.GetEditStyles(2), gePickList);
    EXPECT_EQ(g.GetEditStyles(10), geSimple);
    g.SetEditStyles(10, geCheckBox);
    EXPECT_EQ(g.GetEditStyles(10), geCheckBox);
}

TEST(TtvStringGrid, TypedEditRestoredIsUnchangedInsertedRowIsChanged)
{
    GridForm f;
    f.grid->SetCells(1, 1, QStringLiteral("id"));
    f.grid->Save();
    f.grid->MoveCurrent(1, 1);
    QTest::keyClick(f.grid, Qt::Key_F2); // editor with the caret at the end
    ASSERT_TRUE(f.grid->EditorMode());
    QTest::keyClick(f.grid->InplaceEditor(), Qt::Key_X);
    QTest::keyClick(f.grid->InplaceEditor(), Qt::Key_Return); // stores and closes
    EXPECT_EQ(f.grid->Cells(1, 1), QStringLiteral("idx"));
    EXPECT_TRUE(f.grid->IsChanged());
    EXPECT_TRUE(f.grid->GetIsChangedCell(1, 1));
    EXPECT_TRUE(f.grid->GetIsChangedRow(1));
    EXPECT_TRUE(f.grid->GetIsChangedCol(1));
    EXPECT_FALSE(f.grid->GetIsChangedCol(2));

    QTest::keyClick(f.grid, Qt::Key_F2);
    QTest::keyClick(f.grid->InplaceEditor(), Qt::Key_Backspace);
    QTest::keyClick(f.grid->InplaceEditor(), Qt::Key_Return);
    EXPECT_EQ(f.grid->Cells(1, 1), QStringLiteral("id"));
    EXPECT_FALSE(f.grid->IsChanged());

    f.grid->InsertRow(2);
    EXPECT_TRUE(f.grid->IsChanged());
    EXPECT_EQ(f.grid->Cells(1, 2), QString());
    // A new empty cell counts as unchanged against the missing snapshot.
    EXPECT_FALSE(f.grid->GetIsChangedCell(1, f.grid->RowCount() - 1));
    EXPECT_EQ(f.grid->GetSaveCols(1), QStringList({"", "id", "", ""}));
}

TEST(TtvStringGrid, PageDownMovesHalfAPage)
{
    GridForm f(3, 100);
    f.grid->setFrameStyle(QFrame::NoFrame);
    f.grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int rh = f.grid->DefaultRowHeight() + f.grid->GridLineWidth();
    f.w.resize(400, 21 * rh + 20); // the layout margins take the rest
    for (int i = 0; i < 3 && f.grid->VisibleRowCount() != 20; ++i) {
        const int diff = 20 - f.grid->VisibleRowCount();
        f.w.resize(400, f.w.height() + diff * rh);
        QApplication::processEvents();
    }
    ASSERT_EQ(f.grid->VisibleRowCount(), 20);
    ASSERT_EQ(f.grid->TopRow(), 1);
    f.grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.grid->TopRow(), 11);
    f.grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(f.grid->TopRow(), 1);
    f.grid->SetTopRow(75);
    f.grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(f.grid->TopRow(), 80); // row count - visible rows
    f.grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.grid->TopRow(), 80);
}

TEST(TtvStringGrid, AccessEditorStoresOnDownAndEsc)
{
    GridForm f;
    f.grid->SetGridMode(geAccess);
    EXPECT_TRUE(f.grid->Options().testFlag(goAlwaysShowEditor));
    f.grid->MoveCurrent(1, 1);
    TtvInplaceEditor *ed = f.grid->InplaceEditor();
    ASSERT_TRUE(ed && ed->isVisible());
    QList<int> rowsWhenStored; // the grid's current row at each store
    f.grid->OnBeforeSetEditText = [&](QObject *, int, int, const QString &) { rowsWhenStored << f.grid->Row(); };
    QTest::keyClicks(ed, QStringLiteral("abc"));
    QTest::keyClick(ed, Qt::Key_Down);
    EXPECT_EQ(f.grid->Cells(1, 1), QStringLiteral("abc"));
    EXPECT_EQ(f.grid->Row(), 2);
    EXPECT_EQ(rowsWhenStored, QList<int>({1})); // stored before the grid moved
    EXPECT_TRUE(ed->isVisible()); // the editor stays shown on the new cell

    QTest::keyClicks(ed, QStringLiteral("zz"));
    QTest::keyClick(ed, Qt::Key_Escape);
    EXPECT_EQ(f.grid->Cells(1, 2), QStringLiteral("zz"));
}

TEST(TtvStringGrid, AccessLeftRightMoveOnlyWithWholeTextSelected)
{
    GridForm f;
    f.grid->SetGridMode(geAccess);
    f.grid->MoveCurrent(1, 1);
    TtvInplaceEditor *ed = f.grid->InplaceEditor();
    QTest::keyClicks(ed, QStringLiteral("ab"));
    QTest::keyClick(ed, Qt::Key_Left); // caret inside the text
    EXPECT_EQ(f.grid->Col(), 1);
    EXPECT_EQ(ed->cursorPosition(), 1);
    ed->selectAll();
    QTest::keyClick(ed, Qt::Key_Right);
    EXPECT_EQ(f.grid->Col(), 2);
    EXPECT_EQ(f.grid->Cells(1, 1), QStringLiteral("ab"));
}

TEST(TtvStringGrid, EnterModes)
{
    {
        GridForm f;
        f.grid->SetGridMode(geAccess);
        f.grid->MoveCurrent(1, 1);
        QTest::keyClick(f.grid->InplaceEditor(), Qt::Key_Return);
        EXPECT_EQ(f.grid->Col(), 2);
        QTest::keyClick(f.grid->InplaceEditor(), Qt::Key_Return);
        EXPECT_EQ(f.grid->Col(), 2); // last column
    }
    {
        GridForm f;
        f.grid->SetGridMode(geExcel);
        f.grid->MoveCurrent(1, 1);
        QTest::keyClick(f.grid, Qt::Key_Q); // typing opens the editor with the key
        ASSERT_TRUE(f.grid->EditorMode());
        QTest::keyClick(f.grid->InplaceEditor(), Qt::Key_Return);
        EXPECT_EQ(f.grid->Cells(1, 1), QStringLiteral("q"));
        EXPECT_EQ(f.grid->Row(), 2);
        QTest::keyClick(f.grid, Qt::Key_Return, Qt::ShiftModifier);
        EXPECT_EQ(f.grid->Row(), 1);
    }
}

TEST(TtvStringGrid, PickListCompletesTypedPrefix)
{
    GridForm f;
    f.grid->SetEditStyles(1, gePickList);
    QStringList items{"apple", "banana"};
    f.grid->OnGetPickListitems = [&](int, int, QStringList &list) { list = items; };
    f.grid->MoveCurrent(1, 1);
    QTest::keyClick(f.grid, Qt::Key_B);
    TtvInplaceEditor *ed = f.grid->InplaceEditor();
    ASSERT_TRUE(ed && f.grid->EditorMode());
    EXPECT_EQ(ed->text(), QStringLiteral("banana"));
    EXPECT_EQ(ed->selectedText(), QStringLiteral("anana"));

    ed->clear();
    QTest::keyClick(ed, Qt::Key_X);
    EXPECT_EQ(ed->text(), QStringLiteral("x"));

    items = {"ab", "AB"};
    ed->clear();
    QTest::keyClick(ed, Qt::Key_A);
    EXPECT_EQ(ed->text(), QStringLiteral("ab"));
    EXPECT_EQ(ed->selectedText(), QStringLiteral("b"));
}

TEST(TtvStringGrid, PickListDownDropsInNormalModeMovesInAccessMode)
{
    GridForm f;
    f.grid->SetEditStyles(1, gePickList);
    f.grid->OnGetPickListitems = [](int, int, QStringList &list) { list = {"x", "y"}; };
    int selected = -1;
    f.grid->OnSelectListItems = [&](TtvStringGrid *, int, int, int index) { selected = index; };
    f.grid->MoveCurrent(1, 1);
    QTest::keyClick(f.grid, Qt::Key_F2);
    TtvInplaceEditor *ed = f.grid->InplaceEditor();
    QTest::keyClick(ed, Qt::Key_Down);
    ASSERT_TRUE(ed->ListVisible());
    QTest::keyClick(ed->PickList(), Qt::Key_Down);
    QTest::keyClick(ed->PickList(), Qt::Key_Return);
    EXPECT_FALSE(ed->ListVisible());
    EXPECT_EQ(ed->text(), QStringLiteral("y"));
    EXPECT_EQ(selected, 1);

    f.grid->SetGridMode(geAccess);
    f.grid->MoveCurrent(1, 1);
    QTest::keyClick(ed, Qt::Key_Down);
    EXPECT_FALSE(ed->ListVisible());
    EXPECT_EQ(f.grid->Row(), 2);
}

TEST(TtvStringGrid, DoubleClickOnSingleItemPickListKeepsText)
{
    GridForm f;
    f.grid->SetEditStyles(1, gePickList);
    f.grid->OnGetPickListitems = [](int, int, QStringList &list) { list = {"only"}; };
    f.grid->SetCells(1, 1, QStringLiteral("text"));
    f.grid->MoveCurrent(1, 1);
    QTest::keyClick(f.grid, Qt::Key_F2);
    QTest::mouseDClick(f.grid->InplaceEditor(), Qt::LeftButton);
    EXPECT_EQ(f.grid->InplaceEditor()->text(), QStringLiteral("text"));
}

TEST(TtvStringGrid, CheckBoxCellsToggleViewCheckBoxCellsDoNot)
{
    GridForm f;
    f.grid->SetEditStyles(1, geCheckBox);
    f.grid->SetEditStyles(2, geViewCheckBox);
    f.grid->MoveCurrent(1, 1);
    QTest::keyClick(f.grid, Qt::Key_Space);
    EXPECT_TRUE(f.grid->GetChecked(1, 1));
    EXPECT_FALSE(f.grid->EditorMode()); // check cells are not typed into
    QTest::keyClick(f.grid, Qt::Key_Space);
    EXPECT_EQ(f.grid->Cells(1, 1), QString());
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, f.CellCenter(1, 2));
    EXPECT_EQ(f.grid->Row(), 2);
    EXPECT_TRUE(f.grid->GetChecked(1, 2));

    f.grid->MoveCurrent(2, 1);
    QTest::keyClick(f.grid, Qt::Key_Space);
    EXPECT_FALSE(f.grid->GetChecked(2, 1));
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, f.CellCenter(2, 2));
    EXPECT_FALSE(f.grid->GetChecked(2, 2));

    // "2" is drawn grayed but is not checked; setting stores "1" through the edit path.
    QStringList stored;
    f.grid->OnSetEditText = [&](QObject *, int, int, const QString &v) { stored << v; };
    f.grid->SetCells(2, 3, QStringLiteral("2"));
    EXPECT_FALSE(f.grid->GetChecked(2, 3));
    f.grid->SetChecked(2, 3, true);
    EXPECT_EQ(f.grid->Cells(2, 3), QStringLiteral("1"));
    EXPECT_EQ(stored, QStringList({"1"}));
    f.grid->SetChecked(0, 3, true); // not a check column
    EXPECT_EQ(f.grid->Cells(0, 3), QString());
}

TEST(TtvStringGrid, ClearDeleteAndMoveRows)
{
    GridForm f(2, 5);
    for (int r = 1; r < 5; ++r)
        f.grid->SetCells(0, r, QString::number(r));
    f.grid->SetHeader({"h0", "h1"});
    f.grid->MoveRow(1, 3);
    EXPECT_EQ(f.grid->Cols(0), QStringList({"h0", "2", "3", "1", "4"}));
    f.grid->MoveCurrent(0, 2);
    f.grid->DeleteRow(2);
    EXPECT_EQ(f.grid->Cols(0), QStringList({"h0", "2", "1", "4"}));
    EXPECT_EQ(f.grid->Row(), 2);
    f.grid->Clear();
    EXPECT_EQ(f.grid->RowCount(), 2);
    EXPECT_EQ(f.grid->Row(), 1);
    EXPECT_EQ(f.grid->Cells(0, 1), QString());
    EXPECT_EQ(f.grid->Header(), QStringList({"h0", "h1"}));
}

TEST(TtvStringGrid, CopyPutsCurrentCellOnClipboard)
{
    GridForm f;
    f.grid->SetCells(1, 2, QStringLiteral("cell"));
    f.grid->MoveCurrent(1, 2);
    f.grid->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("cell"));
}

} // namespace

TEST(TtvStringGrid, KeysTheEditorDoesNotUseKeepTheTypedText)
{
    // In both modes: a lone modifier or F2 while the editor holds typed text
    // leaves that text as typed.
    for (const TtvGridEditorMode mode : {geNormal, geAccess}) {
        SCOPED_TRACE(int(mode));
        GridForm f;
        f.grid->SetGridMode(mode);
        f.grid->MoveCurrent(1, 1);
        QTest::keyClick(f.grid, Qt::Key_F2);
        TtvInplaceEditor *ed = f.grid->InplaceEditor();
        ASSERT_TRUE(ed && ed->isVisible());
        QTest::keyClicks(ed, QStringLiteral("ab"));
        QTest::keyPress(ed, Qt::Key_Shift, Qt::ShiftModifier);
        QTest::keyClick(ed, 'C', Qt::ShiftModifier);
        QTest::keyRelease(ed, Qt::Key_Shift, Qt::NoModifier);
        QTest::keyClick(ed, Qt::Key_Control, Qt::ControlModifier);
        QTest::keyClick(ed, Qt::Key_F2);
        QTest::keyClicks(ed, QStringLiteral("d"));
        EXPECT_EQ(ed->text(), QStringLiteral("abCd"));
        QTest::keyClick(ed, Qt::Key_Down);
        EXPECT_EQ(f.grid->Cells(1, 1), QStringLiteral("abCd"));
    }
}
