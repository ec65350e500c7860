#include "OptionGuard.h"
#include "common/TextUtil.h"
#include "support/ScratchDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

TEST(TextUtil, TrimBlanksOnlyTheFourBlanks)
{
    EXPECT_EQ(TrimBlanks(" \t\r\nab c\n "), "ab c");
    EXPECT_EQ(TrimBlanks("\fx"), "\fx");
    EXPECT_EQ(TrimBlanks(QStringLiteral("x\u00A0")), QStringLiteral("x\u00A0"));
    EXPECT_EQ(TrimBlanks(QStringLiteral("\u3000x")), QStringLiteral("\u3000x"));
    EXPECT_EQ(TrimBlanks("   \t "), "");
}

TEST(TextUtil, ExactMatches)
{
    EXPECT_TRUE(MatchesAny("b", {"a", "b"}));
    EXPECT_FALSE(MatchesAny("B", {"a", "b"}));
    EXPECT_EQ(IndexOfText({"a", "b", "b"}, "b"), 1);
    EXPECT_EQ(IndexOfText({"a", "b"}, "A"), -1);
}

TEST(TextUtil, CopyRangeAndPositions)
{
    EXPECT_EQ(CopyRange("abcdef", 2, 4), "bcd");
    EXPECT_EQ(CopyRange("abcdef", 3, 0x7FFFFFFF), "cdef");
    EXPECT_EQ(CopyRange("abcdef", 0, 0x7FFFFFFF), "abcdef");
    EXPECT_EQ(CopyRange("abcdef", 5, 2), "");

    EXPECT_EQ(PosFrom(",", "a,b,c", 2), 4);
    EXPECT_EQ(PosFrom(",", "a,b,c", 0), 2);
    EXPECT_EQ(PosFrom(",", "a,b,c", -5), 2);
    EXPECT_EQ(PosFrom(",", "a,b,c", 4), 0);
    EXPECT_EQ(PosFrom(",", "a,b,c", 99), 0);
    EXPECT_EQ(PosFrom("", "a,b,c", 0), 0);
    // Start on the first half of a surrogate pair skips the whole pair.
    const QString pair = QStringLiteral("x\U0001F600,");
    EXPECT_EQ(PosFrom(",", pair, 2), 4);

    EXPECT_EQ(PosFromAnsi(",", "a,b,c", 1), 2);
    EXPECT_EQ(PosFromAnsi(",", "a,b,c", 3), 4);
    EXPECT_EQ(PosFromAnsi(",", "a,b,c", 6), 0);
}

TEST(TextUtil, DisplayWidthAndHex)
{
    EXPECT_EQ(DisplayWidth(QStringLiteral("\uFF71a")), 2);
    EXPECT_EQ(DisplayWidth(QStringLiteral("\u3042a")), 3);
    EXPECT_EQ(DisplayWidth("\t"), 2);
    EXPECT_EQ(DisplayWidth(""), 0);

    EXPECT_EQ(TextToHex("A", -1), "4100");
    EXPECT_EQ(TextToHex("A", 1), "41");
    EXPECT_EQ(TextToHex("A", 3), "410000");
    EXPECT_EQ(TextToHex(QStringLiteral("\u3042"), -1), "4230");
}

TEST(TextUtil, VariantsWithDefaults)
{
    EXPECT_EQ(ChooseVariant(true, 1, "x"), QVariant(1));
    EXPECT_EQ(ChooseVariant(false, 1, "x"), QVariant("x"));

    EXPECT_DOUBLE_EQ(VarToFloatDef(QVariant(), 7.5), 7.5);
    EXPECT_DOUBLE_EQ(VarToFloatDef(QVariant(QMetaType::fromType<double>()), 7.5), 7.5);
    EXPECT_DOUBLE_EQ(VarToFloatDef("2.25", 0), 2.25);
    EXPECT_DOUBLE_EQ(VarToFloatDef("abc", -1), -1);

    const struct {
        QVariant v;
        int expected;
    } cases[] = {
        {QVariant(), -9},
        {QVariant(QMetaType::fromType<int>()), -9},
        {QVariant(42), 42},
        {QVariant(2.5), 2},
        {QVariant(3.5), 4},
        {QVariant(-2.5), -2},
        {QVariant(2.6), 3},
        {QVariant("12"), 12},
        {QVariant(" 12.5 "), 12},
        {QVariant("x1"), -9},
        {QVariant(qlonglong(1) << 40), -9},
        {QVariant(1e12), -9},
        {QVariant(true), 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(VarToValueDef(c.v, -9), c.expected) << c.v.toString().toStdString();

    const QDateTime def(QDate(2000, 1, 1), QTime(0, 0));
    EXPECT_EQ(VarToDateTimeDef(QVariant(), def), def);
    EXPECT_EQ(VarToDateTimeDef("not a date", def), def);
    EXPECT_EQ(VarToDateTimeDef("2024-03-04 05:06:07", def), QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7)));
    EXPECT_EQ(VarToDateTimeDef("2024-03-04", def), QDateTime(QDate(2024, 3, 4), QTime(0, 0)));
    EXPECT_EQ(VarToDateTimeDef(QDate(2024, 3, 4), def), QDateTime(QDate(2024, 3, 4), QTime(0, 0)));
    const QDateTime zoned = VarToDateTimeDef("2024-03-04 05:06:07.5+09", def);
    ASSERT_TRUE(zoned.isValid());
    EXPECT_EQ(zoned.toUTC(), QDateTime(QDate(2024, 3, 3), QTime(20, 6, 7, 500), Qt::UTC));
}

TEST(TextUtil, SanitizeFileName)
{
    EXPECT_EQ(SanitizeFileName("a/b:c"), "abc");
    EXPECT_EQ(SanitizeFileName("*?\\<>\"|x"), "x");
    EXPECT_EQ(SanitizeFileName(QString("a") + QChar(0) + "b"), "ab");
    // A name that would stand for the folder itself or its parent is refused.
    EXPECT_EQ(SanitizeFileName("."), "_");
    EXPECT_EQ(SanitizeFileName(".."), "__");
    EXPECT_EQ(SanitizeFileName("./"), "_");
    EXPECT_EQ(SanitizeFileName("..."), "...");
    EXPECT_EQ(SanitizeFileName("public.emp.ini"), "public.emp.ini");
}

TEST(TextUtil, MakeUniqueFileNameCountsOn)
{
    tvtest::ScratchDir dir;
    auto touch = [&](const QString &name) {
        QFile f(dir.file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    EXPECT_EQ(MakeUniqueFileName(dir.file("x.sql")), dir.file("x.sql"));
    touch("x.sql");
    touch("x01.sql");
    EXPECT_EQ(MakeUniqueFileName(dir.file("x.sql")), dir.file("x02.sql"));
    touch("noext");
    EXPECT_EQ(MakeUniqueFileName(dir.file("noext")), dir.file("noext01"));
    // A dot in a folder name is not an extension.
    QDir(dir.path()).mkdir("d.x");
    touch("d.x/f");
    EXPECT_EQ(MakeUniqueFileName(dir.file("d.x/f")), dir.file("d.x/f01"));
    // Past 99 taken names the count goes on instead of handing out a taken name.
    touch("y.log");
    for (int i = 1; i <= 100; ++i)
        touch(QStringLiteral("y%1.log").arg(i, 2, 10, QLatin1Char('0')));
    EXPECT_EQ(MakeUniqueFileName(dir.file("y.log")), dir.file("y101.log"));
}

TEST(TextUtil, FileEncodingAndEmptyLines)
{
    tvtest::OptionGuard guard;
    using tv::text::Encoding;
    const struct {
        int option;
        Encoding enc;
    } cases[] = {{0, Encoding::Ansi}, {1, Encoding::Utf7}, {2, Encoding::Utf8}, {3, Encoding::Utf16LE},
                 {4, Encoding::Utf16BE}, {5, Encoding::Ansi}, {-1, Encoding::Ansi}};
    for (const auto &c : cases) {
        tvOption.Encoding = c.option;
        EXPECT_EQ(GetFileEncoding(), c.enc) << c.option;
    }

    QStringList lines{"a", "", " ", "b", ""};
    RemoveEmptyLines(lines, false);
    EXPECT_EQ(lines, QStringList({"a", "", " ", "b", ""}));
    RemoveEmptyLines(lines, true);
    EXPECT_EQ(lines, QStringList({"a", " ", "b"}));
}

TEST(TextUtil, FindPostgreSQLLocationOnce)
{
    PostgreSQLLocation.clear();
    FindPostgreSQLLocation();
    if (PostgreSQLLocation.isEmpty())
        GTEST_SKIP() << "no PostgreSQL programs installed";
    EXPECT_TRUE(QFileInfo(PostgreSQLLocation + "/bin").isDir()) << PostgreSQLLocation.toStdString();
    PostgreSQLLocation = "/kept";
    FindPostgreSQLLocation();
    EXPECT_EQ(PostgreSQLLocation, "/kept");
    PostgreSQLLocation.clear();
}
