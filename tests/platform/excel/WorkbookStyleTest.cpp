// Cell styles of the workbook writer (turned text, borders), read back from
// the written file.
#include "platform/Errors.h"
#include "platform/excel/Workbook.h"

#include "support/ScratchDir.h"
#include "support/XlsxBook.h"

#include <gtest/gtest.h>

using namespace tv::excel;
using tvtest::XlsxBook;

TEST(ExcelWorkbookStyle, TurnedTextAndBordersCombineWithTheTextFormat)
{
    tvtest::ScratchDir dir(false);
    const QString target = dir.file(QStringLiteral("styled.xlsx"));
    const CellStyle turned{90, true}, boxed{0, true}, down{-90, false}, plain{};
    {
        Workbook book(target);
        Sheet &s = book.AddSheet();
        s.SetColumnText(4);
        s.SetText(1, 1, QStringLiteral("見出し"), turned);
        s.SetText(1, 2, QStringLiteral("二つ目"), turned); // the same style again
        s.SetText(2, 1, QStringLiteral("○"), boxed);
        s.SetText(2, 2, QString(), boxed); // an empty cell keeps its border
        s.SetText(3, 1, QStringLiteral("down"), down);
        s.SetText(3, 2, QStringLiteral("plain"), plain);
        s.SetText(1, 4, QStringLiteral("007"), turned); // a text column stays text
        s.SetText(2, 4, QStringLiteral("008"), plain);
        s.SetText(5, 5, QStringLiteral("old"));         // the old call is unchanged
        book.Save();
    }
    XlsxBook book;
    QString error;
    ASSERT_TRUE(book.open(target, &error)) << error.toStdString();
    struct Case {
        int row, col;
        const char *value;
        int rotation;
        const char *border;
        const char *format;
    } cases[] = {
        {1, 1, "見出し", 90, "thin", "General"}, {1, 2, "二つ目", 90, "thin", "General"},
        {2, 1, "○", 0, "thin", "General"},      {2, 2, "", 0, "thin", "General"},
        {3, 1, "down", 180, "", "General"},     {3, 2, "plain", 0, "", "General"},
        {1, 4, "007", 90, "thin", "@"},          {2, 4, "008", 0, "", "@"},
        {5, 5, "old", 0, "", "General"},
    };
    for (const Case &c : cases) {
        const auto cell = book.cell(c.row, c.col);
        EXPECT_TRUE(cell.exists) << c.row << "," << c.col;
        EXPECT_EQ(cell.value, QString::fromUtf8(c.value)) << c.row << "," << c.col;
        EXPECT_EQ(cell.rotation, c.rotation) << c.row << "," << c.col;
        EXPECT_EQ(cell.border, QString::fromLatin1(c.border)) << c.row << "," << c.col;
        EXPECT_EQ(cell.format, QString::fromLatin1(c.format)) << c.row << "," << c.col;
    }
    // A plain empty text writes no cell at all, as before.
    EXPECT_FALSE(book.cell(3, 3).exists);
}

TEST(ExcelWorkbookStyle, RefusesAnglesExcelCannotShow)
{
    tvtest::ScratchDir dir(false);
    Workbook book(dir.file(QStringLiteral("bad.xlsx")));
    Sheet &s = book.AddSheet();
    for (int angle : {91, -91, 180, 270})
        EXPECT_THROW(s.SetText(1, 1, QStringLiteral("x"), CellStyle{angle, false}), tv::Error) << angle;
    EXPECT_NO_THROW(s.SetText(1, 1, QStringLiteral("x"), CellStyle{-90, false}));
    EXPECT_THROW(s.SetText(0, 1, QStringLiteral("x"), CellStyle{90, true}), tv::Error);
}
