// The editor widget: lines facade, undo through the editor, mapping, caret,
// selection, sharing and painting (offscreen, checked on grabbed pixels).
#include "editor/Editor.h"
#include "editor/EditorError.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "EditorTestSupport.h"
#include "platform/text/TextEncoding.h"

#include <QApplication>
#include <QScrollBar>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct EditorFixture : ::testing::Test {
    EditorFixture() { TEditor::SetDefaultCaretBlink(false); }
    void Show(int w = 500, int h = 300)
    {
        ed.resize(w, h);
        ed.show();
        QApplication::processEvents();
    }
    QImage Grab() { return ed.viewport()->grab().toImage(); }
    // Centre of a cell (display row and column).
    QPoint Cell(int row, int col, int dy = -1) const
    {
        return {ed.LeftMargin() + (col - ed.TopCol()) * ed.ColWidth() + ed.ColWidth() / 2,
                ed.TopMargin() + (row - ed.TopRow()) * ed.RowHeight() + (dy < 0 ? ed.FontHeight() / 2 : dy)};
    }
    // Pixels in a cell range that differ from the background.
    int Ink(const QImage &img, int row, int col0, int col1, QColor back = Qt::white) const
    {
        int n = 0;
        const int y0 = ed.TopMargin() + (row - ed.TopRow()) * ed.RowHeight();
        const int x0 = ed.LeftMargin() + (col0 - ed.TopCol()) * ed.ColWidth();
        const int x1 = ed.LeftMargin() + (col1 - ed.TopCol()) * ed.ColWidth();
        for (int y = y0; y < y0 + ed.FontHeight(); ++y)
            for (int x = x0; x < x1; ++x)
                if (img.pixelColor(x, y) != back)
                    ++n;
        return n;
    }
    void Type(const QString &s) { ed.SetSelText(s); }

    TEditor ed;
};

} // namespace

TEST_F(EditorFixture, ConstructionDefaults)
{
    EXPECT_EQ(ed.width(), 185);
    EXPECT_EQ(ed.height(), 89);
    EXPECT_EQ(ed.Color(), clWhite);
    EXPECT_EQ(ed.FontColor(), clBlack);
    EXPECT_TRUE(ed.WantReturns());
    EXPECT_TRUE(ed.WantTabs());
    EXPECT_GE(ed.ColWidth(), 1);
    EXPECT_GE(ed.RowHeight(), 1);
    EXPECT_GE(ed.RowCount(), 1);
    for (char c : std::string("azAZ09_"))
        EXPECT_FALSE(ed.Delimiters().Contains(c)) << c;
    for (char c : std::string("!\"#$%&'()*+,-./:;<=>?@[\\]^`{|}~ "))
        EXPECT_TRUE(ed.Delimiters().Contains(c)) << c;
    ed.SetUndoListMax(10);
    EXPECT_EQ(ed.UndoListMax(), 64);
    ed.SetUndoListMax(100);
    EXPECT_EQ(ed.UndoListMax(), 100);
    ed.SetCol(-5);
    EXPECT_EQ(ed.Col(), 0);
}

TEST_F(EditorFixture, LinesTextAddAndUndoState)
{
    TEditorStrings &l = *ed.Lines();
    l.SetText(QStringLiteral("ab\r\ncd"));
    EXPECT_EQ(ed.ListCount(), 2);
    EXPECT_EQ(ed.RowAttribute(1), raEof);
    EXPECT_EQ(l.Text(), QStringLiteral("ab\r\ncd"));
    EXPECT_FALSE(ed.CanUndo());
    EXPECT_EQ(l.Add(QStringLiteral("ef")), 2);
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l.Text(), QStringLiteral("ab\r\ncd\r\nef"));
    EXPECT_TRUE(ed.CanUndo());

    TEditor empty;
    empty.Lines()->Add(QStringLiteral("w"));
    EXPECT_EQ(empty.Lines()->Text(), QStringLiteral("w\r\n"));
    EXPECT_EQ(empty.Lines()->Count(), 1);
    EXPECT_EQ(empty.Row(), 1);

    l.SetText(QStringLiteral("x\r\n"));
    EXPECT_EQ(l.Count(), 1);
    EXPECT_EQ(ed.RowAttribute(0), raCrlf);
    l.SetText(QString());
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.Text(), QString());
    // a line end of any kind splits; rows never hold CR or LF
    l.SetText(QStringLiteral("a\rb\nc\r\n"));
    EXPECT_EQ(l.ToStringList(), (QStringList{"a", "b", "c"}));
    ed.SetLines({QStringLiteral("p\nq"), QStringLiteral("r")});
    EXPECT_EQ(l.ToStringList(), (QStringList{"p", "q", "r"}));
}

TEST_F(EditorFixture, LinesItemOperations)
{
    TEditorStrings &l = *ed.Lines();
    l.SetText(QStringLiteral("one\r\ntwo\r\nthree\r\n"));
    l.Put(1, QStringLiteral("TWO"));
    EXPECT_EQ(l.Text(), QStringLiteral("one\r\nTWO\r\nthree\r\n"));
    EXPECT_EQ(ed.Row(), 2);
    EXPECT_EQ(ed.Col(), 0);
    l.Insert(0, QStringLiteral("zero"));
    EXPECT_EQ(l.Text(), QStringLiteral("zero\r\none\r\nTWO\r\nthree\r\n"));
    EXPECT_EQ(ed.Row(), 1);
    l.Insert(4, QStringLiteral("four")); // at Count: Add
    EXPECT_EQ(l.Get(4), QStringLiteral("four"));
    l.Delete(0);
    EXPECT_EQ(l.Get(0), QStringLiteral("one"));
    // deleting the last line keeps the line end before it
    l.SetText(QStringLiteral("a\r\nb"));
    l.Delete(1);
    EXPECT_EQ(l.Text(), QStringLiteral("a\r\n"));
    EXPECT_THROW(l.Get(5), EStringListError);
    EXPECT_THROW(l.Put(5, QStringLiteral("x")), EStringListError);
}

TEST_F(EditorFixture, LinesWithWordWrap)
{
    ed.WrapOption()->SetWrapByte(20);
    ed.SetWordWrap(true);
    TEditorStrings &l = *ed.Lines();
    l.SetText(QString(45, u'a') + QStringLiteral("\r\nb"));
    EXPECT_EQ(ed.ListCount(), 4);
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l.Get(0), QString(45, u'a'));
    EXPECT_EQ(l.LineToRow(1), 3);
    l.Put(0, QString(25, u'c'));
    EXPECT_EQ(ed.ListCount(), 3);
    EXPECT_EQ(l.Get(0), QString(25, u'c'));
    EXPECT_EQ(l.Text(), QString(25, u'c') + QStringLiteral("\r\nb"));
}

// The cheap questions of command enabling answer as the whole text would.
TEST_F(EditorFixture, EmptyAndBlankTextWithoutCopying)
{
    const char *texts[] = {"", "\r\n", " ", "  \t\r\n \r\n", "\xe3\x80\x80", "x", "\r\n\r\n   y  ",
                           "                              z"};
    for (const bool wrap : {false, true}) {
        ed.WrapOption()->SetWrapByte(20);
        ed.SetWordWrap(wrap);
        for (const char *t : texts) {
            ed.Lines()->SetText(QString::fromUtf8(t));
            const QString all = ed.EditGetText();
            EXPECT_EQ(ed.IsTextEmpty(), all.isEmpty()) << t << " wrap " << wrap;
            EXPECT_EQ(ed.HasNonBlankText(), !all.trimmed().isEmpty()) << t << " wrap " << wrap;
        }
    }
}

TEST_F(EditorFixture, UndoThroughTheEditor)
{
    ed.Lines()->SetText(QStringLiteral("xy\r\n"));
    ed.SetRowCol(0, 1);
    for (int i = 0; i < 70; ++i)
        Type(QStringLiteral("k"));
    EXPECT_EQ(ed.Col(), 71);
    int undone = 0;
    while (ed.CanUndo()) {
        ed.Undo();
        ++undone;
    }
    EXPECT_EQ(undone, 64);
    EXPECT_EQ(ed.Lines()->Get(0), QStringLiteral("x") + QString(6, u'k') + QStringLiteral("y"));
    EXPECT_EQ(ed.Col(), 7); // the caret from before the oldest kept edit
    ed.Redo();
    EXPECT_EQ(ed.Col(), 8); // and after it
    EXPECT_TRUE(ed.CanRedo());
    Type(QStringLiteral("z"));
    EXPECT_FALSE(ed.CanRedo());
}

TEST_F(EditorFixture, OffsetsAndColumns)
{
    ed.Lines()->SetText(QStringLiteral("ab\r\ncd"));
    ed.SetSelStart(4);
    EXPECT_EQ(ed.Row(), 1);
    EXPECT_EQ(ed.Col(), 0);
    EXPECT_EQ(ed.SelStart(), 4);
    ed.SetCol(20000);
    EXPECT_EQ(ed.Col(), 10000);
    ed.Caret()->SetTabSpaceCount(4);
    EXPECT_EQ(ed.ColumnKinds(QStringLiteral("aあ\t")), QStringLiteral("1452"));
    EXPECT_EQ(ed.ColumnKinds(QStringLiteral("\tx")), QStringLiteral("2333") + QStringLiteral("1"));
    EXPECT_EQ(ed.ExpandTab(QStringLiteral("\tx")), QString(4, QChar(27)) + QStringLiteral("x"));
    EXPECT_EQ(ed.GetTextLen(), 6);
    EXPECT_EQ(ed.GetLineNumberCount(), 2);
    // row past the last after a final line end
    ed.Lines()->SetText(QStringLiteral("ab"));
    ed.SetRow(5);
    EXPECT_EQ(ed.Row(), 0);
    ed.Lines()->SetText(QStringLiteral("ab\r\n"));
    ed.SetRow(5);
    EXPECT_EQ(ed.Row(), 1);
    // the caret offset of an raEof row's end
    ed.Lines()->SetText(QStringLiteral("abc"));
    ed.SetCaretByOffset(0, 3);
    EXPECT_EQ(ed.Col(), 3);
    EXPECT_EQ(ed.GetTextLen(), 3);
    // a row longer than the column limit
    ed.Lines()->SetText(QString(12000, u'x'));
    EXPECT_EQ(ed.RowWidth(0), 10000);
    ed.Caret()->FreeCaret = false;
    ed.SetCol(12000);
    EXPECT_EQ(ed.Col(), 10000);
}

TEST_F(EditorFixture, PointsMapToRowsAndCharacters)
{
    Show();
    ed.Lines()->SetText(QStringLiteral("abc\r\nxyz"));
    int row, index;
    EXPECT_TRUE(ed.PosToRowIndex(Cell(1, 1), row, index));
    EXPECT_EQ(row, 1);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(ed.CharFromPos(Cell(1, 1)), 6);
    EXPECT_FALSE(ed.PosToRowIndex(Cell(2, 0), row, index));
    EXPECT_EQ(row, 2);
    EXPECT_EQ(index, -1);
    // the right half of a cell belongs to the next column
    int r, c;
    const QPoint p = Cell(0, 1);
    ed.PosToRowCol(p.x() + ed.ColWidth() / 2 - 1 + 1, p.y(), r, c, true);
    EXPECT_EQ(c, 2);
    ed.PosToRowCol(p.x(), p.y(), r, c, false);
    EXPECT_EQ(c, 1);
}

TEST_F(EditorFixture, CaretScrollsByAQuarterAndStopsAtTheLimit)
{
    Show();
    ed.Lines()->SetText(QString(500, u'a'));
    const int cols = ed.ColCount();
    ASSERT_GT(cols, 8);
    ed.SetCol(cols);
    EXPECT_EQ(ed.TopCol(), cols / 4);
    ed.SetCol(0);
    EXPECT_EQ(ed.TopCol(), 0);
    ed.Lines()->SetText(QString(12000, u'b'));
    ed.SetCol(12000);
    EXPECT_EQ(ed.Col(), 10000);
    EXPECT_LE(ed.TopCol(), 10000 - cols / 2);
}

TEST_F(EditorFixture, CaretUpdatesNest)
{
    Show();
    ed.activateWindow();
    ed.setFocus();
    QApplication::processEvents();
    if (!ed.hasFocus())
        GTEST_SKIP() << "no focus on this platform";
    ed.Lines()->SetText(QStringLiteral("abc"));
    ed.SetRowCol(0, 1);
    EXPECT_TRUE(ed.CaretShowing());
    ed.BeginCaretUpdate();
    ed.BeginCaretUpdate();
    EXPECT_FALSE(ed.CaretShowing());
    ed.EndCaretUpdate();
    EXPECT_FALSE(ed.CaretShowing());
    ed.EndCaretUpdate();
    EXPECT_TRUE(ed.CaretShowing());
    ed.EndCaretUpdate();
    EXPECT_EQ(ed.CaretUpdateCount(), 0);
    // the caret is painted two pixels wide at its cell
    const QImage img = Grab();
    const QPoint c = Cell(0, 1);
    EXPECT_NE(img.pixelColor(ed.LeftMargin() + ed.ColWidth(), c.y()), QColor(Qt::white));
    ed.SetOverWrite(true);
    EXPECT_EQ(ed.CaretRect().width(), ed.ColWidth());
}

TEST_F(EditorFixture, SelectionModel)
{
    ed.Lines()->SetText(QStringLiteral("abcdef\r\nab\r\nabcdef"));
    ed.SetRowCol(0, 3);
    ed.InitSelection();
    ed.SetRowCol(0, 4);
    ed.UpdateSelection();
    EXPECT_EQ(ed.SelStrPosition(), (TSelectedPosition{0, 0, 3, 3}));
    EXPECT_EQ(ed.SelDrawPosition(), (TSelectedPosition{0, 0, 3, 4}));
    EXPECT_EQ(ed.SelText(), QStringLiteral("d"));
    EXPECT_EQ(ed.SelLength(), 1);
    ed.CleanSelection();
    EXPECT_FALSE(ed.Selected());

    // a line selection stops at row ends
    ed.SetRowCol(0, 5);
    ed.InitSelection();
    ed.SetRowCol(1, 6);
    ed.UpdateSelection();
    EXPECT_EQ(ed.SelDrawPosition(), (TSelectedPosition{0, 1, 5, 2}));
    EXPECT_EQ(ed.SelText(), QStringLiteral("f\r\nab"));
    ed.CleanSelection();
    // a box keeps its columns beyond row ends
    ed.SetSelectionMode(smBox);
    ed.SetRowCol(0, 4);
    ed.InitSelection();
    ed.SetRowCol(2, 5);
    ed.UpdateSelection();
    EXPECT_EQ(ed.SelDrawPosition(), (TSelectedPosition{0, 2, 4, 5}));
    EXPECT_EQ(ed.SelText(), QStringLiteral("e\r\n\r\ne\r\n"));
    ed.DeleteSelection();
    EXPECT_EQ(ed.Lines()->Text(), QStringLiteral("abcdf\r\nab\r\nabcdf"));
    ed.SetSelectionMode(smLine);

    // a line selection ending at column 0 of the next row
    ed.SetRowCol(0, 2);
    ed.InitSelection();
    ed.SetRowCol(1, 0);
    ed.UpdateSelection();
    EXPECT_EQ(ed.SelStrPosition().Ec, -1);
    ed.DeleteSelection();
    EXPECT_EQ(ed.Lines()->Text(), QStringLiteral("abab\r\nabcdf"));
    EXPECT_EQ(ed.Row(), 0);
    EXPECT_EQ(ed.Col(), 2);
    ed.Undo();
    EXPECT_EQ(ed.Lines()->Text(), QStringLiteral("abcdf\r\nab\r\nabcdf"));

    ed.SelectAll();
    EXPECT_EQ(ed.SelText(), ed.Lines()->Text());
    EXPECT_EQ(ed.SelLength(), ed.GetTextLen());
    // whole rows from the margin
    ed.CleanSelection();
    ed.StartRowSelect(1);
    EXPECT_EQ(ed.SelText(), QStringLiteral("ab\r\n"));
    ed.ExtendRowSelect(2);
    EXPECT_EQ(ed.SelText(), QStringLiteral("ab\r\nabcdf"));
}

TEST_F(EditorFixture, SharedRowStore)
{
    auto *other = new TEditor;
    ed.Lines()->SetText(QStringLiteral("abc\r\n"));
    other->ExchangeList(&ed);
    EXPECT_EQ(other->Lines()->Text(), QStringLiteral("abc\r\n"));
    int changes = 0;
    ed.OnChange = [&](TEditor *) { ++changes; };
    other->SetRowCol(0, 3);
    other->SetSelText(QStringLiteral("d"));
    EXPECT_EQ(ed.Lines()->Text(), QStringLiteral("abcd\r\n"));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(ed.CanUndo());
    delete other;
    EXPECT_EQ(ed.Lines()->Text(), QStringLiteral("abcd\r\n"));
    ed.Lines()->Add(QStringLiteral("e"));
    EXPECT_EQ(ed.Lines()->Count(), 2);
}

TEST_F(EditorFixture, FilesByEncodingAndLineBreak)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.sql"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(tv::text::Encode(QStringLiteral("-- 日本語\r\nselect 1"), tv::text::Encoding::Ansi));
    }
    ed.Lines()->LoadFromFile(path);
    EXPECT_EQ(ed.Lines()->Get(0), QStringLiteral("-- 日本語"));
    EXPECT_FALSE(ed.CanUndo());
    ed.Lines()->SetLineBreakLF(true);
    const QString out = dir.filePath(QStringLiteral("b.sql"));
    ed.Lines()->SaveToFile(out, tv::text::Encoding::Utf8);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), QStringLiteral("-- 日本語\nselect 1"));
    EXPECT_THROW(ed.Lines()->LoadFromFile(dir.filePath(QStringLiteral("missing.sql"))), EEditorError);
    EXPECT_EQ(ed.Lines()->Count(), 2);
}

TEST_F(EditorFixture, RowMarksPaintBackgroundsWithoutTokenColours)
{
    auto f = SqlFountain();
    f->Reserve()->SetColor(0xFF0000); // blue
    ed.SetFountain(f.get());
    Show();
    ed.Lines()->SetText(QStringLiteral("SELECT   \r\nSELECT   \r\nSELECT   \r\nSELECT   \r\n"));
    ed.SetListRowMarks(0, RowMarkBit(rm2));
    ed.SetListRowMarks(1, RowMarkBit(rm1));
    ed.SetListRowMarks(2, RowMarkBit(rm1) | RowMarkBit(rm2));
    const QImage img = Grab();
    EXPECT_EQ(img.pixelColor(Cell(0, 8)), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(Cell(1, 8)), QColor(255, 255, 0));
    EXPECT_EQ(img.pixelColor(Cell(2, 8)), QColor(192, 192, 0));
    auto blue = [&](int row) {
        int n = 0;
        for (int x = ed.LeftMargin(); x < ed.LeftMargin() + 6 * ed.ColWidth(); ++x)
            for (int y = Cell(row, 0, 0).y(); y < Cell(row, 0, 0).y() + ed.FontHeight(); ++y) {
                const QColor c = img.pixelColor(x, y);
                if (c.blue() > 150 && c.red() < 100 && c.green() < 100)
                    ++n;
            }
        return n;
    };
    EXPECT_EQ(blue(0), 0);
    EXPECT_EQ(blue(2), 0);
    EXPECT_GT(blue(3), 0); // an unmarked row shows the token colour
    ed.SetFountain(nullptr);
}

TEST_F(EditorFixture, EofMarkAfterFinalLineEnd)
{
    ed.Marks()->EofMark()->SetVisible(true);
    ed.Marks()->EofMark()->SetColor(0x0000FF);
    Show();
    ed.Lines()->SetText(QStringLiteral("a\r\n"));
    QImage img = Grab();
    auto red = [&](int row, int c0, int c1) {
        int n = 0;
        for (int c = c0; c < c1; ++c)
            for (int y = 0; y < ed.FontHeight(); ++y) {
                const QPoint p(ed.LeftMargin() + c * ed.ColWidth() + ed.ColWidth() / 2,
                               ed.TopMargin() + row * ed.RowHeight() + y);
                for (int dx = -ed.ColWidth() / 2; dx < ed.ColWidth() / 2; ++dx) {
                    const QColor q = img.pixelColor(p.x() + dx, p.y());
                    if (q.red() > 150 && q.green() < 120 && q.blue() < 120)
                        ++n;
                }
            }
        return n;
    };
    EXPECT_GT(red(1, 0, 5), 0);
    EXPECT_EQ(red(0, 1, 6), 0);
    // without a final line end it stands after the last character
    ed.Lines()->SetText(QStringLiteral("a"));
    img = Grab();
    EXPECT_GT(red(0, 1, 6), 0);
    EXPECT_EQ(red(1, 0, 5), 0);
}

TEST_F(EditorFixture, LineNumberBarWidensAndZeroLead)
{
    ed.Leftbar()->SetVisible(true);
    ed.Leftbar()->SetColumn(1);
    Show();
    ed.Lines()->SetText(QStringLiteral("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9"));
    EXPECT_EQ(ed.LeftbarColumn(), 1);
    const int lm = ed.LeftMargin();
    ed.Lines()->Add(QStringLiteral("10"));
    EXPECT_EQ(ed.LeftbarColumn(), 2);
    EXPECT_EQ(ed.LeftMargin(), lm + ed.ColWidth());

    ed.Leftbar()->SetColumn(3);
    ed.Leftbar()->SetColor(0x000000);
    ed.Leftbar()->SetBkColor(0xFFFFFF);
    auto leadInk = [&] {
        const QImage img = Grab();
        const int x0 = ed.ImagebarWidth() + ed.Leftbar()->LeftMargin();
        const int y0 = ed.TopMargin() + 6 * ed.RowHeight();
        int n = 0;
        for (int y = y0; y < y0 + ed.FontHeight(); ++y)
            for (int x = x0; x < x0 + ed.ColWidth(); ++x)
                if (img.pixelColor(x, y) != QColor(Qt::white))
                    ++n;
        return n;
    };
    EXPECT_EQ(leadInk(), 0); // "  7"
    ed.Leftbar()->SetZeroLead(true);
    EXPECT_GT(leadInk(), 0); // "007"
}

TEST_F(EditorFixture, SelectionPaintsInvertedColours)
{
    Show();
    ed.Lines()->SetText(QStringLiteral("abc   \r\n"));
    ed.SetRowCol(0, 3);
    ed.InitSelection();
    ed.SetRowCol(0, 5);
    ed.UpdateSelection();
    const QImage img = Grab();
    // the selection is white on navy by default
    EXPECT_EQ(img.pixelColor(Cell(0, 4)), QColor(0, 0, 128));
    EXPECT_EQ(img.pixelColor(Cell(0, 5)), QColor(Qt::white));
}

TEST(TtvMemo, IsAnEditor)
{
    TtvMemo m;
    m.Lines()->SetText(QStringLiteral("select 1"));
    EXPECT_EQ(m.Lines()->Count(), 1);
}

namespace {
// A descendant that replaces two parts through their factories.
class WideTabEditor : public TEditor {
public:
    WideTabEditor() : TEditor(nullptr, TDeferParts{}) { CreateParts(); }

protected:
    std::unique_ptr<TEditorCaret> CreateEditorCaret() override
    {
        auto c = TEditor::CreateEditorCaret();
        c->SetTabSpaceCount(4);
        return c;
    }
    void InitDelimiters(TCharSet &D) override
    {
        TEditor::InitDelimiters(D);
        D.Exclude('-');
    }
};
} // namespace

TEST(TEditorFactories, DescendantPartsComeFromItsFactories)
{
    WideTabEditor e;
    EXPECT_EQ(e.Caret()->TabSpaceCount(), 4);
    EXPECT_FALSE(e.Delimiters().Contains('-'));
    EXPECT_EQ(e.ColumnKinds(QStringLiteral("\t-")), QStringLiteral("23331"));
    e.Lines()->SetText(QStringLiteral("a\tb"));
    EXPECT_EQ(e.RowWidth(0), 5);
}

TEST_F(EditorFixture, CaretNormalisation)
{
    Show();
    ed.Caret()->SetTabSpaceCount(4);
    ed.Lines()->SetText(QStringLiteral("a\tbあい\r\nx\r\nlonger row here"));
    // never inside a tab's fill, never on a second half
    ed.SetRowCol(0, 2);
    EXPECT_EQ(ed.Col(), 1);
    ed.SetCol(3);
    EXPECT_EQ(ed.Col(), 4);
    ed.SetCol(6);
    EXPECT_EQ(ed.Col(), 7);
    ed.Caret()->InTab = true;
    ed.SetRowCol(0, 2);
    EXPECT_EQ(ed.Col(), 2);
    ed.Caret()->InTab = false;
    // overwrite on a double-width character: a caret of two cells
    ed.SetRowCol(0, 5);
    ed.SetOverWrite(true);
    EXPECT_EQ(ed.CaretRect().width(), 2 * ed.ColWidth());
    ed.SetOverWrite(false);
    // without FreeCaret the row end stops the caret; KeepCaret returns to the column
    ed.Caret()->FreeCaret = false;
    ed.Caret()->KeepCaret = true;
    ed.SetRowCol(2, 10);
    ed.SetRow(1);
    EXPECT_EQ(ed.Col(), 1);
    ed.SetRow(2);
    EXPECT_EQ(ed.Col(), 10);
    ed.SetRow(1);
    ed.SetCol(0); // a horizontal move forgets the column
    ed.SetRow(2);
    EXPECT_EQ(ed.Col(), 0);
}

TEST_F(EditorFixture, WrappedRowsKeepTheCaretInside)
{
    ed.WrapOption()->SetWrapByte(20);
    ed.SetWordWrap(true);
    ed.Lines()->SetText(QString(30, u'a') + QStringLiteral("\r\n"));
    ASSERT_EQ(ed.ListCount(), 2);
    ed.SetRowCol(0, 25);
    EXPECT_EQ(ed.Col(), 19); // not after the last character of a wrapped row
    ed.SetRowCol(1, 30);
    EXPECT_EQ(ed.Col(), 19);
    EXPECT_EQ(ed.RowToLines(1), 0);
    EXPECT_EQ(ed.ColToChar(1, 3), 23);
    // switching wrap off again puts the caret at column 0 and empties undo
    ed.Lines()->Add(QStringLiteral("b"));
    EXPECT_TRUE(ed.CanUndo());
    ed.SetWordWrap(false);
    EXPECT_FALSE(ed.CanUndo());
    EXPECT_EQ(ed.Col(), 0);
    EXPECT_EQ(ed.ListCount(), 2);
}

TEST_F(EditorFixture, KeyboardScrollingMovesRowWithTop)
{
    Show(400, 200);
    QString text;
    for (int i = 0; i < 100; ++i)
        text += QStringLiteral("row %1\r\n").arg(i);
    ed.Lines()->SetText(text);
    ed.SetRowCol(3, 0);
    ed.ScrollRowsBy(10);
    EXPECT_EQ(ed.TopRow(), 10);
    EXPECT_EQ(ed.Row(), 13);
    ed.ScrollRowsBy(-50);
    EXPECT_EQ(ed.TopRow(), 0);
    EXPECT_EQ(ed.Row(), 3);
    ed.ScrollRowsBy(-1);
    EXPECT_EQ(ed.Row(), 0);
    // a caret beyond the last visible row scrolls it into view
    ed.SetRowCol(60, 0);
    EXPECT_EQ(ed.TopRow(), 60 - ed.RowCount() + 1);
    EXPECT_FALSE(ed.CaretOutOfView());
}

TEST_F(EditorFixture, RowSelectionOfTheLastRowWithoutLineEnd)
{
    ed.Lines()->SetText(QStringLiteral("ab\r\ncd"));
    ed.StartRowSelect(1);
    EXPECT_EQ(ed.SelText(), QStringLiteral("cd"));
    EXPECT_EQ(ed.Col(), 0);
}

TEST_F(EditorFixture, ColouringOfFarRowsFinishesInIdleTime)
{
    auto f = SqlFountain();
    ed.SetFountain(f.get());
    QString text = QStringLiteral("/* open\r\n");
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("select %1\r\n").arg(i);
    ed.Lines()->SetText(text);
    EXPECT_EQ(ed.ListBracket(2500), -2);
    for (int i = 0; i < 1000 && ed.ListBracket(2999) == -2; ++i)
        QApplication::processEvents();
    EXPECT_EQ(ed.ListBracket(2500), 0); // inside the comment opened at the top
    // closing the comment re-colours the first screens now, the rest later
    ed.SetRowCol(0, 7);
    ed.SetSelText(QStringLiteral(" */"));
    EXPECT_EQ(ed.ListBracket(1), -1);
    for (int i = 0; i < 1000 && ed.ListBracket(2999) != -1; ++i)
        QApplication::processEvents();
    EXPECT_EQ(ed.ListBracket(2500), -1);
    ed.SetFountain(nullptr);
}

// A comment opened at the top while the far rows are still being coloured,
// then edits at the end: every row ends with the state it must have, the
// edited last rows at once and the rest in idle time.
TEST_F(EditorFixture, EditsAtTheEndColourAfterACommentOpenedFarAbove)
{
    auto f = SqlFountain();
    ed.SetFountain(f.get());
    QString text;
    for (int i = 0; i < 9000; ++i)
        text += QStringLiteral("select %1\r\n").arg(i);
    ed.Lines()->SetText(text);
    const int last = ed.ListCount() - 1;
    const auto idle = [&](int want) {
        for (int i = 0; i < 1000 && ed.ListBracket(last) != want; ++i)
            QApplication::processEvents();
        for (int i = 0; i < 1000 && ed.ListBracket(4500) != want; ++i)
            QApplication::processEvents();
    };
    const auto expectAll = [&](int want) {
        for (int r = 1; r <= last; ++r)
            ASSERT_EQ(ed.ListBracket(r), want) << "row " << r;
    };
    idle(-1);
    expectAll(-1);

    ed.SetRowCol(0, 0);
    ed.SetSelText(QStringLiteral("/*"));
    QApplication::processEvents(); // one short step of the idle colouring
    ed.SetRowCol(last, 3);
    ed.SetSelText(QStringLiteral("x"));
    EXPECT_EQ(ed.ListBracket(last), 0); // inside the comment, before idle time
    idle(0);
    expectAll(0);

    // closing it at the end leaves the rows above inside, then removing the
    // opener frees them all
    ed.SetRowCol(last, 0);
    ed.SetSelText(QStringLiteral("*/"));
    EXPECT_EQ(ed.ListBracket(last), 0);
    ed.SetRowCol(0, 0);
    ed.SetSelStart(0);
    ed.SetSelLength(2);
    ed.SetSelText(QString());
    EXPECT_EQ(ed.ListBracket(1), -1);
    idle(-1);
    expectAll(-1);
    ed.SetFountain(nullptr);
}

// Edits of every kind here and there in a long text, some while the idle
// colouring is under way: once idle, every row has the state a fresh load of
// the same text gives it.
TEST_F(EditorFixture, RowStatesAfterScatteredEditsMatchAFreshLoad)
{
    auto f = SqlFountain();
    ed.SetFountain(f.get());
    QString text;
    for (int i = 0; i < 7000; ++i)
        text += i % 500 == 7 ? QStringLiteral("/* note %1\r\n").arg(i)
                : i % 500 == 9 ? QStringLiteral("end */ select %1\r\n").arg(i)
                               : QStringLiteral("select '%1' from t\r\n").arg(i);
    ed.Lines()->SetText(text);
    const auto idle = [&](TEditor &e) {
        for (int i = 0; i < 5000; ++i) {
            bool pending = false;
            for (int r = 0; r < e.ListCount() && !pending; r += 97)
                pending = e.ListBracket(r) == -2;
            if (!pending && e.ListBracket(e.ListCount() - 1) != -2)
                return;
            QApplication::processEvents();
        }
    };
    const auto put = [&](int row, int col, const QString &s) {
        ed.SetRowCol(row, col);
        ed.SetSelText(s);
    };
    struct Step {
        int row, col;
        QString text;
        bool settle; // one step of idle colouring after it
    };
    const Step steps[] = {
        {100, 0, QStringLiteral("/*"), true},
        {50, 3, QStringLiteral("\r\n"), false},
        {6000, 0, QStringLiteral("x\r\ny\r\nz"), true},
        {3000, 2, QStringLiteral("*/"), false},
        {10, 0, QStringLiteral("'"), true},
        {6990, 4, QStringLiteral("/* tail"), false},
    };
    for (const Step &st : steps) {
        put(st.row, st.col, st.text);
        if (st.settle)
            QApplication::processEvents();
    }
    // a block of rows deleted, then undone and done again
    ed.SetRowCol(2000, 0);
    ed.SetSelStart(ed.SelStart());
    ed.SetSelLength(40 * 20);
    ed.SetSelText(QString());
    ed.Undo();
    QApplication::processEvents();
    ed.Redo();
    idle(ed);

    TEditor fresh;
    fresh.SetFountain(f.get());
    fresh.Lines()->SetText(ed.Lines()->Text());
    idle(fresh);
    ASSERT_EQ(fresh.ListCount(), ed.ListCount());
    for (int r = 0; r < ed.ListCount(); ++r)
        ASSERT_EQ(ed.ListBracket(r), fresh.ListBracket(r)) << "row " << r;
    fresh.SetFountain(nullptr);
    ed.SetFountain(nullptr);
}

TEST_F(EditorFixture, HitTextIsHighlightedWithoutRegardToCase)
{
    ed.View()->Colors()->Hit()->SetBkColor(0x00FFFF); // yellow
    Show();
    ed.Lines()->SetText(QStringLiteral("xx ABC yy abc\r\n"));
    ed.SetHitText(QStringLiteral("abc"));
    const QImage img = Grab();
    auto yellow = [&](int col) {
        int n = 0;
        const QPoint c = Cell(0, col, 0);
        for (int y = c.y(); y < c.y() + ed.FontHeight() - 1; ++y)
            for (int x = c.x() - ed.ColWidth() / 2; x < c.x() + ed.ColWidth() / 2; ++x)
                if (img.pixelColor(x, y) == QColor(255, 255, 0))
                    ++n;
        return n;
    };
    EXPECT_GT(yellow(3), 0);
    EXPECT_GT(yellow(10), 0);
    EXPECT_EQ(yellow(0), 0);
    EXPECT_EQ(yellow(7), 0);
}

TEST_F(EditorFixture, ImageBarShowsOneDigitMarkPerRow)
{
    const QColor colours[10] = {Qt::black, Qt::gray, Qt::red, Qt::green, Qt::blue,
                                Qt::cyan,  Qt::magenta, Qt::yellow, Qt::darkRed, Qt::darkGreen};
    QList<QPixmap> digits;
    for (const QColor &c : colours) {
        QPixmap p(6, 6);
        p.fill(c);
        digits << p;
    }
    ed.SetImageDigits(&digits);
    Show();
    ed.Lines()->SetText(QStringLiteral("a\r\nb\r\nc\r\n"));
    ed.SetListRowMarks(0, RowMarkBit(rm3) | RowMarkBit(rm12));
    ed.SetListRowMarks(1, RowMarkBit(rm2) | RowMarkBit(rm3));
    const QImage img = Grab();
    auto at = [&](int row) {
        return img.pixelColor(ed.Imagebar()->LeftMargin() + 2, ed.TopMargin() + row * ed.RowHeight() + 4);
    };
    EXPECT_EQ(at(0), QColor(Qt::green));
    EXPECT_EQ(at(1), QColor(Qt::red));
    EXPECT_EQ(at(2), QColor(Qt::white));
    ed.SetImageDigits(nullptr);
}

TEST_F(EditorFixture, VisibleLogPaneKeepsItsLastLineInView)
{
    Show(400, 150);
    for (int i = 0; i < 50; ++i)
        ed.Lines()->Add(QStringLiteral("line %1").arg(i));
    EXPECT_EQ(ed.Row(), 50);
    EXPECT_GE(ed.TopRow() + ed.RowCount(), 50);
    EXPECT_GT(ed.TopRow(), 0);
}

TEST_F(EditorFixture, RulerGaugeTicks)
{
    ed.Ruler()->SetVisible(true);
    ed.Ruler()->SetGaugeRange(8);
    Show();
    const QImage img = Grab();
    const QColor ink(0, 0, 0);
    auto tick = [&](int col, int y) { return img.pixelColor(ed.LeftMargin() + col * ed.ColWidth(), y) == ink; };
    EXPECT_TRUE(tick(8, 0));  // long tick at a period start
    EXPECT_TRUE(tick(4, 3));  // medium tick
    EXPECT_FALSE(tick(4, 2));
    EXPECT_TRUE(tick(5, 6));  // short tick
    EXPECT_FALSE(tick(5, 5));
    EXPECT_EQ(ed.TopMargin(), ed.Margin()->Top() + 11);
}

TEST_F(EditorFixture, MarginUnderTheRulerIsPainted)
{
    ed.SetColor(0xC0FFE0);
    ed.Margin()->SetTop(3);
    Show();
    for (const bool ruler : {true, false}) {
        ed.Ruler()->SetVisible(ruler);
        QApplication::processEvents();
        const QImage img = Grab();
        const QColor back = img.pixelColor(img.width() - 2, img.height() - 2); // past the text
        const int from = ruler ? ed.RulerHeight() : 0;
        ASSERT_GT(ed.TopMargin(), from);
        int wrong = 0;
        for (int y = from; y < ed.TopMargin(); ++y)
            for (int x = ed.LeftMargin(); x < img.width(); ++x)
                wrong += img.pixelColor(x, y) != back;
        EXPECT_EQ(wrong, 0) << "ruler " << ruler;
    }
}

// The editor sets its bars' range, steps and value on every edit: a bar is
// painted again when its look changes, not for an edit that leaves it as it
// was. (Painting a pixel of the text area paints every part of the window
// waiting to be painted, the bar among them when it waits.)
TEST_F(EditorFixture, ScrollBarsRepaintWhenTheirLookChanges)
{
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    Show(400, 150);
    QStringList lines;
    for (int i = 0; i < 2000; ++i)
        lines << QStringLiteral("line %1").arg(i);
    ed.Lines()->SetText(lines.join(QStringLiteral("\r\n")));
    ed.SetRowCol(0, 0);
    QScrollBar *bar = ed.verticalScrollBar();
    const auto painted = [&] {
        const int before = counter.paints;
        ed.viewport()->repaint(QRect(0, 0, 1, 1));
        return counter.paints > before;
    };
    painted();
    bar->installEventFilter(&counter);
    Type(QStringLiteral("x"));
    EXPECT_FALSE(painted()) << "a character";
    Type(QStringLiteral("\r\n")); // a row more of 2000: the handle stays
    EXPECT_EQ(bar->maximum(), 2001);
    EXPECT_FALSE(painted()) << "a row more";
    ed.SetTopRow(1000);
    EXPECT_TRUE(painted()) << "scrolled half way";
    ed.Lines()->SetText(QStringLiteral("a\r\nb\r\nc"));
    EXPECT_TRUE(painted()) << "a short text";
    ed.SetRowCol(2, 1);
    for (int i = 0; i < 20; ++i)
        Type(QStringLiteral("\r\n"));
    EXPECT_TRUE(painted()) << "rows beyond the window";
    ed.SetTopRow(ed.ListCount());
    EXPECT_TRUE(painted()) << "at the end";
    bar->removeEventFilter(&counter);
}
