// The SQL editor: SQL word selection, the completion token, row-range
// selection, jump to a line, caret by row and index, case change and undo.
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct MemoFixture : ::testing::Test {
    MemoFixture()
    {
        TEditor::SetDefaultCaretBlink(false);
        memo.resize(600, 500);
        memo.show();
        QApplication::processEvents();
    }
    QPoint Cell(int row, int col) const
    {
        return {memo.LeftMargin() + (col - memo.TopCol()) * memo.ColWidth() + memo.ColWidth() / 2,
                memo.TopMargin() + (row - memo.TopRow()) * memo.RowHeight() + memo.FontHeight() / 2};
    }
    // Caret after the last character of the text.
    void SetTextCaretAtEnd(const QString &text)
    {
        memo.Lines()->SetText(text);
        memo.SetSelStart(int(text.size()));
    }

    TtvMemo memo;
};

} // namespace

TEST(tvMemoToken, CompletionTokenLeftOfTheCaret)
{
    struct Case {
        const char16_t *row;
        const char16_t *token;
    };
    const Case cases[] = {
        {u"select * from public.em", u"public.em"},
        {u"select * from ", u""},
        {u"select * from", u"from"},
        {u"select .", u"."},
        {u"select\t.", u"."},
        {u".", u"."},
        {u"select \"Emp\".", u"Emp."},
        {u"select \"public\".\"Emp\".", u"public.Emp."},
        {u"select emp.", u"emp."},
        {u"where (a.b", u"a.b"},
        {u"where x = 'a", u"a"},
        {u"select (\".", u""},         // a dot after two delimiters
        {u"select x '.", u""},         // the same without csv
        {u"copy t to 'f' csv '.", u"."}, // a dot after a quote in a csv line
        {u"", u""},
    };
    for (const Case &c : cases) {
        const QString row = QString::fromUtf16(c.row);
        EXPECT_EQ(TtvMemo::CodeAssistToken(row, int(row.size())), QString::fromUtf16(c.token)) << row.toStdString();
    }
    // Only what is left of the caret counts.
    EXPECT_EQ(TtvMemo::CodeAssistToken(QStringLiteral("from public.employees"), 8), QStringLiteral("pub"));
    EXPECT_EQ(TtvMemo::CodeAssistToken(QStringLiteral("emp"), 0), QString());
}

TEST_F(MemoFixture, CompletionTokenAtTheCaret)
{
    SetTextCaretAtEnd(QStringLiteral("select *\r\nfrom public.em"));
    EXPECT_EQ(memo.Row(), 1);
    EXPECT_EQ(memo.GetCodeAssistToken(), QStringLiteral("public.em"));
    SetTextCaretAtEnd(QStringLiteral("select \"Emp\"."));
    EXPECT_EQ(memo.GetCodeAssistToken(), QStringLiteral("Emp."));
    // At the start of a row there is no token.
    SetTextCaretAtEnd(QStringLiteral("select x\r\n"));
    EXPECT_EQ(memo.GetCodeAssistToken(), QString());
    memo.Lines()->Clear();
    EXPECT_EQ(memo.GetCodeAssistToken(), QString());
}

TEST_F(MemoFixture, DoubleClickSelectsTheSqlWord)
{
    memo.Lines()->SetText(QStringLiteral("select x.col, y from t"));
    // inside "col" of "x.col": the dot is a delimiter
    QTest::mouseDClick(memo.viewport(), Qt::LeftButton, Qt::NoModifier, Cell(0, 10));
    QTest::mouseRelease(memo.viewport(), Qt::LeftButton, Qt::NoModifier, Cell(0, 10));
    EXPECT_TRUE(memo.Selected());
    EXPECT_EQ(memo.SelText(), QStringLiteral("col"));

    // on the blank after "y" (the character left of the point is a delimiter)
    memo.CleanSelection();
    memo.SelectTokenAtPos(Cell(0, 15) + QPoint(memo.ColWidth() / 2, 0), false, false);
    EXPECT_FALSE(memo.Selected());
    // at the very start of the row
    memo.SelectTokenAtPos(QPoint(memo.LeftMargin() + 1, Cell(0, 0).y()), false, false);
    EXPECT_FALSE(memo.Selected());
    // right after the word: the word left of the point
    memo.SelectTokenAtPos(Cell(0, 5) + QPoint(memo.ColWidth() / 2, 0), false, false);
    EXPECT_EQ(memo.SelText(), QStringLiteral("select"));
}

TEST_F(MemoFixture, RowRangeSelectionAndCaretByIndex)
{
    memo.Lines()->SetText(QStringLiteral("a\r\nbb\r\nccc\r\nd"));
    memo.MultiLineSelect(1, 2);
    EXPECT_TRUE(memo.Selected());
    EXPECT_EQ(memo.SelText(), QStringLiteral("bb\r\nccc\r\n"));
    // a new range replaces the old one
    memo.MultiLineSelect(0, 0);
    EXPECT_EQ(memo.SelText(), QStringLiteral("a\r\n"));

    // the 6th character from row 1 is in row 2 ("bb" + line end = 4)
    memo.SetSelIndex(1, 6);
    EXPECT_FALSE(memo.Selected());
    EXPECT_EQ(memo.Row(), 2);
    EXPECT_EQ(memo.Col(), 2);
    memo.SetSelIndex(0, 0);
    EXPECT_EQ(memo.Row(), 0);
    EXPECT_EQ(memo.Col(), 0);
}

TEST_F(MemoFixture, JumpShowsTheLineWithContext)
{
    QStringList lines;
    for (int i = 1; i <= 200; ++i)
        lines << QStringLiteral("line %1").arg(i);
    memo.Lines()->SetText(lines.join(QStringLiteral("\r\n")));
    ASSERT_GE(memo.RowCount(), 21);

    memo.Jump(100);
    EXPECT_EQ(memo.Row(), 99);
    EXPECT_EQ(memo.Col(), 0);
    EXPECT_LE(memo.TopRow(), 99 - 10);
    EXPECT_GE(memo.TopRow() + memo.RowCount() - 1, 99 + 10);

    memo.Jump(1);
    EXPECT_EQ(memo.Row(), 0);
    EXPECT_EQ(memo.TopRow(), 0);
    memo.Jump(200);
    EXPECT_EQ(memo.Row(), 199);
    // beyond the end: the last line's end row
    memo.Jump(500);
    EXPECT_GE(memo.Row(), 199);
}

TEST_F(MemoFixture, JumpCountsLinesNotWrappedRows)
{
    memo.WrapOption()->SetWrapByte(60);
    memo.SetWordWrap(true);
    memo.Lines()->SetText(QStringLiteral("first\r\n") + QString(150, u'x') + QStringLiteral("\r\ntarget"));
    ASSERT_EQ(memo.ListCount(), 5);
    memo.Jump(3);
    EXPECT_EQ(memo.RowString(memo.Row()), QStringLiteral("target"));
}

TEST_F(MemoFixture, CaseChangeIsOneUndoStep)
{
    memo.Lines()->SetText(QStringLiteral("select x\r\nfrom t where"));
    memo.SetSelStart(3);
    memo.SetSelLength(12); // "ect x\r\nfrom "
    memo.SelUpperCase();
    EXPECT_EQ(memo.Lines()->Text(), QStringLiteral("selECT X\r\nFROM t where"));
    // the changed text stays selected
    EXPECT_EQ(memo.SelText(), QStringLiteral("ECT X\r\nFROM "));
    memo.SelLowerCase();
    EXPECT_EQ(memo.Lines()->Text(), QStringLiteral("select x\r\nfrom t where"));
    memo.Undo();
    EXPECT_EQ(memo.Lines()->Text(), QStringLiteral("selECT X\r\nFROM t where"));
    memo.Undo();
    EXPECT_EQ(memo.Lines()->Text(), QStringLiteral("select x\r\nfrom t where"));

    // nothing without a selection or when read-only
    memo.CleanSelection();
    memo.SelUpperCase();
    EXPECT_EQ(memo.Lines()->Text(), QStringLiteral("select x\r\nfrom t where"));
    memo.SelectAll();
    memo.SetReadOnly(true);
    memo.SelUpperCase();
    EXPECT_EQ(memo.Lines()->Text(), QStringLiteral("select x\r\nfrom t where"));
}

TEST_F(MemoFixture, UndoMessage)
{
    memo.Lines()->SetText(QStringLiteral("ab"));
    memo.SetSelStart(2);
    memo.SetSelText(QStringLiteral("c"));
    ASSERT_EQ(memo.Lines()->Text(), QStringLiteral("abc"));
    memo.SetReadOnly(true);
    memo.WMUndo(0);
    EXPECT_EQ(memo.Lines()->Text(), QStringLiteral("abc"));
    memo.SetReadOnly(false);
    memo.WMUndo(0);
    EXPECT_EQ(memo.Lines()->Text(), QStringLiteral("ab"));
    memo.SetReadOnly(true);
    memo.WMUndo(1);
    EXPECT_EQ(memo.Lines()->Text(), QStringLiteral("ab"));
    memo.SetReadOnly(false);
    memo.WMUndo(1);
    EXPECT_EQ(memo.Lines()->Text(), QStringLiteral("abc"));
}

TEST_F(MemoFixture, ConstructionDefaults)
{
    EXPECT_EQ(memo.CodeAssist, nullptr);
    EXPECT_EQ(memo.CASize.Width, 256);
    EXPECT_EQ(memo.CASize.Height, 150);
    EXPECT_EQ(memo.CASize.ColumnWidth, (QList<int>{125, 90}));
    EXPECT_EQ(memo.MacroList(), nullptr);
}
