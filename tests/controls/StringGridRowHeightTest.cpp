// Rows of their own height in the string grid: where the cells below a tall
// row are painted and which cell a click reaches, scrolled or not.
#include "controls/tvStringGrid.h"

#include <QApplication>
#include <QMap>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

struct TallGrid {
    QWidget w;
    TtvStringGrid *grid = new TtvStringGrid(&w);
    QMap<std::pair<int, int>, QRect> painted; // the rectangles each cell was painted in
    explicit TallGrid(int rows)
    {
        auto *lay = new QVBoxLayout(&w);
        lay->setContentsMargins(0, 0, 0, 0);
        lay->addWidget(grid);
        grid->setFrameStyle(QFrame::NoFrame);
        grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->SetColCount(4);
        grid->SetRowCount(rows);
        grid->SetFixedRows(2);
        grid->SetFixedCols(1);
        grid->SetDefaultRowHeight(18);
        grid->OnDrawCell = [this](QObject *, QPainter *, int c, int r, const QRect &rc, TGridDrawState) {
            painted[{c, r}] = rc;
        };
        w.resize(300, 300);
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
    void Paint()
    {
        painted.clear();
        grid->viewport()->repaint();
    }
};

} // namespace

TEST(TtvStringGridRowHeights, CellsBelowTallRowsArePaintedAndClickedWhereTheyAre)
{
    TallGrid f(20);
    EXPECT_EQ(f.grid->RowHeights(0), 18);
    f.grid->SetRowHeights(0, 120);
    f.grid->SetRowHeights(1, 40);
    f.grid->SetRowHeights(3, 30);
    EXPECT_EQ(f.grid->RowHeights(0), 120);
    EXPECT_EQ(f.grid->RowHeights(2), 18); // no height of its own
    // A new default reaches only the rows without their own height.
    f.grid->SetDefaultRowHeight(20);
    EXPECT_EQ(f.grid->RowHeights(2), 20);
    EXPECT_EQ(f.grid->RowHeights(3), 30);
    EXPECT_EQ(f.grid->RowHeights(0), 120);

    // Each row starts below the one above it and its grid line.
    const int x2 = f.grid->CellRect(2, 0).left();
    const int top2 = 120 + 1 + 40 + 1, top3 = top2 + 20 + 1, top4 = top3 + 30 + 1;
    struct Case {
        int row;
        int top;
        int height;
    } cases[] = {{0, 0, 120}, {1, 121, 40}, {2, top2, 20}, {3, top3, 30}, {4, top4, 20}};
    f.Paint();
    for (const Case &c : cases) {
        EXPECT_EQ(f.grid->CellRect(2, c.row), QRect(x2, c.top, 64, c.height)) << c.row;
        EXPECT_EQ(f.painted.value({2, c.row}), f.grid->CellRect(2, c.row)) << c.row;
    }
    // Clicks land on the cell under them: near the top and bottom edges too.
    struct Click {
        int y;
        int row;
    } clicks[] = {{top2 + 1, 2}, {top2 + 19, 2}, {top3 + 1, 3}, {top3 + 29, 3}, {top4 + 10, 4}};
    for (const Click &k : clicks) {
        f.grid->MoveCurrent(3, 5);
        QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, QPoint(x2 + 5, k.y));
        EXPECT_EQ(f.grid->Row(), k.row) << k.y;
        EXPECT_EQ(f.grid->Col(), 2) << k.y;
    }
    // A click on the tall heading row selects nothing.
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, QPoint(x2 + 5, 100));
    EXPECT_EQ(f.grid->Row(), 4);

    // Scrolled: the first scrolling row shown sits right below the headings.
    f.grid->SetTopRow(5);
    ASSERT_EQ(f.grid->TopRow(), 5);
    f.Paint();
    EXPECT_EQ(f.painted.value({2, 5}).top(), top2);
    EXPECT_FALSE(f.painted.contains({2, 3}));
    EXPECT_TRUE(f.grid->CellRect(2, 3).isEmpty());
    QTest::mouseClick(f.grid->viewport(), Qt::LeftButton, {}, QPoint(x2 + 5, top2 + 21 + 5));
    EXPECT_EQ(f.grid->Row(), 6);
}

TEST(TtvStringGridRowHeights, ScrollingKeepsTheLastAndTheCurrentRowWhole)
{
    TallGrid f(12);
    f.grid->SetRowHeights(0, 150);
    f.grid->SetRowHeights(1, 30);
    // 300 - 182 = 118 pixels for the scrolling rows: six rows of 19 with
    // their lines, or the last row of 60 and three more.
    f.grid->SetRowHeights(11, 59);
    f.grid->SetTopRow(100);
    EXPECT_EQ(f.grid->TopRow(), 8);
    EXPECT_EQ(f.grid->VisibleRowCount(), 4);
    f.grid->SetTopRow(2);
    EXPECT_EQ(f.grid->VisibleRowCount(), 6);
    // Moving down to the tall last row scrolls until it is shown whole.
    f.grid->MoveCurrent(1, 2);
    QTest::keyClick(f.grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(f.grid->Row(), 11);
    EXPECT_EQ(f.grid->TopRow(), 8);
    const QRect last = f.grid->CellRect(1, 11);
    EXPECT_LE(last.bottom(), f.grid->viewport()->height() - 1);

    // A row keeps its height when rows are inserted above it or it moves.
    f.grid->InsertRow(3);
    EXPECT_EQ(f.grid->RowHeights(12), 59);
    EXPECT_EQ(f.grid->RowHeights(3), 18);
    f.grid->MoveRow(12, 2);
    EXPECT_EQ(f.grid->RowHeights(2), 59);
    EXPECT_EQ(f.grid->RowHeights(12), 18);
}
