#include "platform/Errors.h"
#include "platform/excel/Workbook.h"

#include "support/ScratchDir.h"
#include "support/XlsxBook.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace tv::excel;
using tvtest::XlsxBook;

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Files of a folder other than the given ones (left-over temporaries).
QStringList Leftovers(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

tv::db::FieldDesc Field(tv::db::FieldKind kind)
{
    tv::db::FieldDesc f;
    f.kind = kind;
    return f;
}

} // namespace

// Every kind of cell, widths, "@" columns and rows and several sheets, read
// back from the written package.
TEST(ExcelWorkbook, WritesCellsFormatsAndSheetsInOrder)
{
    tvtest::ScratchDir dir(false);
    const QString target = dir.file(QStringLiteral("book.xlsx"));
    {
        Workbook book(target);
        Sheet &a = book.AddSheet(QStringLiteral("データ"));
        Sheet &b = book.AddSheet(QStringLiteral("Second"));
        a.SetColumnWidth(2, 30);
        a.SetColumnText(2);
        a.SetRowText(5);
        a.SetNumber(1, 1, 1200.5);
        a.SetText(1, 2, QStringLiteral("007"));
        a.SetText(1, 3, QStringLiteral("=1+2"));
        a.SetDateTime(2, 1, QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7)));
        a.SetDate(2, 2, QDate(2024, 3, 4));
        a.SetTime(2, 3, QTime(12, 0));
        a.SetText(5, 4, QStringLiteral("row text"));
        a.SetText(3, 1, QStringLiteral("a\tb\nc \"q\" 山田"));
        a.WriteBlock(10, 5, {{Cell::ofNumber(1), Cell::ofText(QStringLiteral("x"))},
                             {Cell::empty(), Cell::ofNumber(-2.25)}});
        b.SetText(kMaxRows, kMaxCols, QStringLiteral("corner"));
        book.Save();
    }
    EXPECT_EQ(Leftovers(dir.path()), QStringList{QStringLiteral("book.xlsx")});

    XlsxBook x;
    QString err;
    ASSERT_TRUE(x.open(target, &err)) << err.toStdString();
    EXPECT_EQ(x.sheetNames(), (QStringList{QStringLiteral("データ"), QStringLiteral("Second")}));
    EXPECT_TRUE(x.cell(1, 1).isNumber());
    EXPECT_DOUBLE_EQ(x.cell(1, 1).number(), 1200.5);
    EXPECT_TRUE(x.cell(1, 2).isText());
    EXPECT_EQ(x.cell(1, 2).value, QStringLiteral("007"));
    EXPECT_EQ(x.cell(1, 2).format, QStringLiteral("@"));
    EXPECT_EQ(x.columnFormat(0, 2), QStringLiteral("@"));
    EXPECT_NEAR(x.columnWidth(0, 2), 30, 1); // stored with the padding Excel adds
    // A text that looks like a formula stays a text.
    EXPECT_TRUE(x.cell(1, 3).isText());
    EXPECT_EQ(x.cell(1, 3).value, QStringLiteral("=1+2"));
    EXPECT_TRUE(x.part(x.sheetNames().isEmpty() ? QString() : QStringLiteral("xl/worksheets/sheet1.xml"))
                    .contains("<f>") == false);
    // Dates are serial numbers with a date format.
    EXPECT_TRUE(x.cell(2, 1).isNumber());
    EXPECT_NEAR(x.cell(2, 1).number(), 45355 + (5 * 3600 + 6 * 60 + 7) / 86400.0, 1e-9);
    EXPECT_EQ(x.cell(2, 1).format, QStringLiteral("yyyy/mm/dd hh:mm:ss"));
    EXPECT_DOUBLE_EQ(x.cell(2, 2).number(), 45355);
    EXPECT_EQ(x.cell(2, 2).format, QStringLiteral("yyyy/mm/dd"));
    EXPECT_DOUBLE_EQ(x.cell(2, 3).number(), 0.5);
    EXPECT_EQ(x.cell(5, 4).format, QStringLiteral("@"));
    EXPECT_EQ(x.rowFormat(0, 5), QStringLiteral("@"));
    EXPECT_EQ(x.cell(3, 1).value, QStringLiteral("a\tb\nc \"q\" 山田"));
    EXPECT_DOUBLE_EQ(x.cell(10, 5).number(), 1);
    EXPECT_EQ(x.cell(10, 6).value, QStringLiteral("x"));
    EXPECT_FALSE(x.cell(11, 5).exists);
    EXPECT_DOUBLE_EQ(x.cell(11, 6).number(), -2.25);
    EXPECT_EQ(x.cell(1, kMaxRows, kMaxCols).value, QStringLiteral("corner"));
}

// Names Excel refuses and repeated names raise before anything is written.
TEST(ExcelWorkbook, RefusesBadAndRepeatedSheetNames)
{
    const QString bad[] = {QString(),
                           QStringLiteral("a/b"),
                           QStringLiteral("a\\b"),
                           QStringLiteral("a?"),
                           QStringLiteral("a*"),
                           QStringLiteral("[a]"),
                           QStringLiteral("a:b"),
                           QStringLiteral("'a"),
                           QStringLiteral("a'"),
                           QStringLiteral("history"),
                           QString(32, u'x')};
    for (const QString &name : bad)
        EXPECT_THROW(CheckSheetName(name), tv::Error) << name.toStdString();
    EXPECT_NO_THROW(CheckSheetName(QString(31, u'x')));
    EXPECT_NO_THROW(CheckSheetName(QStringLiteral("シート 1")));

    tvtest::ScratchDir dir(false);
    const QString target = dir.file(QStringLiteral("b.xlsx"));
    {
        Workbook book(target);
        book.AddSheet(QStringLiteral("Data"));
        EXPECT_THROW(book.AddSheet(QStringLiteral("DATA")), tv::Error);
        EXPECT_THROW(book.AddSheet(QStringLiteral("x:y")), tv::Error);
        // Unnamed sheets skip names already taken.
        book.AddSheet(QStringLiteral("Sheet2"));
        EXPECT_EQ(book.AddSheet().Name(), QStringLiteral("Sheet3"));
    }
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(Leftovers(dir.path()).isEmpty());
}

// A failed or abandoned write leaves the old file as it was and no
// temporary file behind; the failure carries the library's text.
TEST(ExcelWorkbook, FailureKeepsTheOldFile)
{
    tvtest::ScratchDir dir(false);
    const QString target = dir.file(QStringLiteral("old.xlsx"));
    WriteAll(target, "OLD");
    {
        Workbook book(target);
        book.AddSheet().SetText(1, 1, QStringLiteral("new"));
        EXPECT_THROW(book.AddSheet(QStringLiteral("a]")), tv::Error);
        // Destroyed without Save.
    }
    EXPECT_EQ(ReadAll(target), QByteArray("OLD"));
    EXPECT_EQ(Leftovers(dir.path()), QStringList{QStringLiteral("old.xlsx")});

    // A target below a plain file cannot be written.
    const QString blocked = target + QStringLiteral("/x.xlsx");
    Workbook book(blocked);
    book.AddSheet().SetText(1, 1, QStringLiteral("x"));
    try {
        book.Save();
        FAIL() << "saved below a file";
    } catch (const tv::Error &e) {
        EXPECT_FALSE(e.text().isEmpty());
        EXPECT_TRUE(e.text().contains(blocked)) << e.text().toStdString();
    }
    EXPECT_EQ(ReadAll(target), QByteArray("OLD"));

    // A successful save replaces the old file.
    {
        Workbook ok(target);
        ok.AddSheet().SetText(1, 1, QStringLiteral("new"));
        ok.Save();
    }
    XlsxBook x;
    ASSERT_TRUE(x.open(target));
    EXPECT_EQ(x.cell(1, 1).value, QStringLiteral("new"));
}

// Positions beyond the sheet raise in both modes; streaming refuses a row
// above the last one written but takes any column order within a row.
TEST(ExcelWorkbook, LimitsAndStreamingOrder)
{
    tvtest::ScratchDir dir(false);
    for (Workbook::Mode mode : {Workbook::Mode::RandomAccess, Workbook::Mode::Streaming}) {
        Workbook book(dir.file(QStringLiteral("l.xlsx")), mode);
        Sheet &s = book.AddSheet();
        EXPECT_THROW(s.SetNumber(0, 1, 1), tv::Error);
        EXPECT_THROW(s.SetNumber(1, 0, 1), tv::Error);
        EXPECT_THROW(s.SetNumber(kMaxRows + 1, 1, 1), tv::Error);
        EXPECT_THROW(s.SetText(1, kMaxCols + 1, QStringLiteral("x")), tv::Error);
        EXPECT_THROW(s.WriteBlock(kMaxRows, 1, {{Cell::ofNumber(1)}, {Cell::ofNumber(2)}}), tv::Error);
        EXPECT_THROW(s.SetColumnWidth(kMaxCols + 1, 10), tv::Error);
    }

    const QString target = dir.file(QStringLiteral("s.xlsx"));
    {
        Workbook book(target, Workbook::Mode::Streaming);
        Sheet &s = book.AddSheet(QStringLiteral("S"));
        s.SetColumnText(2);
        s.SetText(1, 2, QStringLiteral("b1"));
        s.SetText(1, 1, QStringLiteral("a1"));
        std::vector<Row> rows;
        for (int r = 0; r < 1000; ++r)
            rows.push_back({Cell::ofNumber(r), Cell::ofText(QString::number(r))});
        s.WriteBlock(2, 1, rows);
        EXPECT_THROW(s.SetText(5, 1, QStringLiteral("late")), tv::Error);
        book.Save();
    }
    XlsxBook x;
    ASSERT_TRUE(x.open(target));
    EXPECT_EQ(x.cell(1, 1).value, QStringLiteral("a1"));
    EXPECT_EQ(x.cell(1, 2).value, QStringLiteral("b1"));
    EXPECT_DOUBLE_EQ(x.cell(1001, 1).number(), 999);
    EXPECT_EQ(x.cell(1001, 2).value, QStringLiteral("999"));
    EXPECT_EQ(x.cell(1001, 2).format, QStringLiteral("@"));
    EXPECT_EQ(x.extent(), std::make_pair(1001, 2));
}

// Texts longer than a cell takes are cut at 32,767 characters (never in the
// middle of a surrogate pair) and counted.
TEST(ExcelWorkbook, CutsLongTexts)
{
    tvtest::ScratchDir dir(false);
    const QString target = dir.file(QStringLiteral("c.xlsx"));
    QString pairs = QString(kMaxText - 1, u'a') + QString::fromUtf8("😀") + QStringLiteral("tail");
    {
        Workbook book(target);
        Sheet &s = book.AddSheet();
        s.SetText(1, 1, QString(kMaxText, u'x'));
        s.SetText(2, 1, QString(kMaxText + 1, u'y'));
        s.SetText(3, 1, pairs);
        EXPECT_EQ(book.Cuts(), 2);
        book.Save();
    }
    XlsxBook x;
    ASSERT_TRUE(x.open(target));
    EXPECT_EQ(x.cell(1, 1).value.size(), kMaxText);
    EXPECT_EQ(x.cell(2, 1).value, QString(kMaxText, u'y'));
    EXPECT_EQ(x.cell(3, 1).value, QString(kMaxText - 1, u'a'));
}

// How a result cell goes into a sheet.
TEST(ExcelWorkbook, MapsResultCells)
{
    using K = tv::db::FieldKind;
    struct Case {
        K kind;
        const char *text;
        Cell expect;
    };
    const Case cases[] = {
        {K::Int4, "42", Cell::ofNumber(42)},
        {K::Int8, "-999999999999999", Cell::ofNumber(-999999999999999.0)},
        {K::Int8, "9223372036854775807", Cell::ofText(QStringLiteral("9223372036854775807"))},
        {K::Oid, "4294967295", Cell::ofNumber(4294967295.0)},
        {K::Numeric, "1200.50", Cell::ofNumber(1200.5)},
        {K::Numeric, "0.000123400", Cell::ofNumber(0.0001234)},
        {K::Numeric, "1234567890.12345", Cell::ofNumber(1234567890.12345)},
        {K::Numeric, "12345678901234567890.5", Cell::ofText(QStringLiteral("12345678901234567890.5"))},
        {K::Numeric, "NaN", Cell::ofText(QStringLiteral("NaN"))},
        {K::Float, "1.5e+300", Cell::ofNumber(1.5e300)},
        {K::Float, "Infinity", Cell::ofText(QStringLiteral("Infinity"))},
        {K::Date, "2024-03-04", Cell::ofDate(QDate(2024, 3, 4))},
        {K::Date, "1800-01-01", Cell::ofText(QStringLiteral("1800-01-01"))},
        {K::Date, "infinity", Cell::ofText(QStringLiteral("infinity"))},
        {K::Time, "12:30:00", Cell::ofTime(QTime(12, 30))},
        {K::Timestamp, "2024-03-04 05:06:07", Cell::ofDateTime(QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7)))},
        // The wall-clock time as the grid shows it; the offset is not applied.
        {K::TimestampTz, "2024-03-04 05:06:07.25+09",
         Cell::ofDateTime(QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7, 250)))},
        {K::Timestamp, "0044-03-15 12:00:00 BC", Cell::ofText(QStringLiteral("0044-03-15 12:00:00 BC"))},
        {K::Timestamp, "infinity", Cell::ofText(QStringLiteral("infinity"))},
        {K::Time, "24:00:00", Cell::ofText(QStringLiteral("24:00:00"))},
        {K::Bytea, "\\x0aff", Cell::ofText(QStringLiteral("0AFF"))},
        {K::Text, "007", Cell::ofText(QStringLiteral("007"))},
        {K::Bool, "t", Cell::ofText(QStringLiteral("t"))},
        {K::Other, "{1,2}", Cell::ofText(QStringLiteral("{1,2}"))},
    };
    for (const Case &c : cases) {
        const Cell got = MapResultCell(Field(c.kind), false, QString::fromUtf8(c.text));
        EXPECT_TRUE(got == c.expect) << c.text << " kind " << int(got.kind) << " text " << got.text.toStdString();
    }
    EXPECT_TRUE(MapResultCell(Field(K::Int4), true, QString()) == Cell::empty());
    EXPECT_TRUE(MapResultCell(Field(K::Text), false, QString()) == Cell::ofText(QString()));
    EXPECT_TRUE(IsTextField(Field(K::Varchar)));
    EXPECT_TRUE(IsTextField(Field(K::Bytea)));
    EXPECT_FALSE(IsTextField(Field(K::Numeric)));
    EXPECT_EQ(ColumnLetters(1), QStringLiteral("A"));
    EXPECT_EQ(ColumnLetters(256), QStringLiteral("IV"));
    EXPECT_EQ(ColumnLetters(kMaxCols), QStringLiteral("XFD"));
}
