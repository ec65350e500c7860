// The result grid frame's statement rewriting, formats and value helpers,
// without a widget or a server.
#include "platform/Errors.h"
#include "sql/fraData.h"
#include "sql/frmLob.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

using namespace fradata;

TEST(FraDataSql, SortClauseGoesOnALineOfItsOwnAfterStrippingOnlyTheLastSemicolon)
{
    struct Case {
        const char *sql;
        const char *sort;
        bool desc;
        const char *expected;
    };
    const Case cases[] = {
        {"SELECT id, name FROM t", "2", true, "SELECT id, name FROM t\n ORDER BY 2 DESC"},
        {"SELECT id, name FROM t", "2", false, "SELECT id, name FROM t\n ORDER BY 2"},
        {"SELECT id, name FROM t;\n", "1", false, "SELECT id, name FROM t\n ORDER BY 1"},
        // A ";" inside a literal stays; only the last one goes.
        {"SELECT * FROM t WHERE a = ';' ;", "1", false, "SELECT * FROM t WHERE a = ';' \n ORDER BY 1"},
        // A trailing line comment cannot swallow the clause.
        {"SELECT * FROM t -- all rows", "1", false, "SELECT * FROM t -- all rows\n ORDER BY 1"},
        // An existing ORDER BY, in any letter case, keeps the statement as it is.
        {"SELECT * FROM t ORDER BY 1", "2", false, "SELECT * FROM t ORDER BY 1"},
        {"select * from t order\n  by 1", "2", true, "select * from t order\n  by 1"},
        // ... but not one inside a literal, a quoted name, a comment or a subquery.
        {"SELECT 'order by' FROM t", "1", false, "SELECT 'order by' FROM t\n ORDER BY 1"},
        {"SELECT \"ORDER BY\" FROM t", "1", false, "SELECT \"ORDER BY\" FROM t\n ORDER BY 1"},
        {"SELECT a FROM t /* ORDER BY a */", "1", false, "SELECT a FROM t /* ORDER BY a */\n ORDER BY 1"},
        {"SELECT a FROM (SELECT a FROM t ORDER BY a) s", "1", true,
         "SELECT a FROM (SELECT a FROM t ORDER BY a) s\n ORDER BY 1 DESC"},
        {"SELECT $$ order by $$ AS x", "1", false, "SELECT $$ order by $$ AS x\n ORDER BY 1"},
        // No sort: unchanged.
        {"SELECT 1;", "", false, "SELECT 1;"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SortedSQL(QString::fromUtf8(c.sql), QString::fromUtf8(c.sort), c.desc), QString::fromUtf8(c.expected))
            << c.sql;
}

TEST(FraDataSql, LimitIsTheLastLineAndIsValidated)
{
    EXPECT_EQ(LimitedSQL(QStringLiteral("SELECT * FROM t\n ORDER BY 2 DESC"), QStringLiteral("100")),
              QStringLiteral("SELECT * FROM t\n ORDER BY 2 DESC\nLIMIT 100"));
    EXPECT_EQ(LimitedSQL(QStringLiteral("SELECT * FROM t;"), QStringLiteral(" 5 ")),
              QStringLiteral("SELECT * FROM t\nLIMIT 5"));
    EXPECT_EQ(LimitedSQL(QStringLiteral("SELECT * FROM t"), QStringLiteral("  ")), QStringLiteral("SELECT * FROM t"));
    EXPECT_THROW(LimitedSQL(QStringLiteral("SELECT * FROM t"), QStringLiteral("1; DROP TABLE t")), tv::Error);
    EXPECT_THROW(LimitedSQL(QStringLiteral("SELECT * FROM t"), QStringLiteral("-1")), tv::Error);
}

TEST(FraDataSql, AggregateWrapsTheStatementWithoutItsSemicolon)
{
    EXPECT_EQ(AggregateSQL(QStringLiteral("SUM"), QStringLiteral("amount"), QStringLiteral("  SELECT * FROM t;\n")),
              QStringLiteral("SELECT SUM(\"amount\") FROM (SELECT * FROM t) TBL"));
    EXPECT_EQ(AggregateSQL(QStringLiteral("COUNT"), QStringLiteral("a\"b"), QStringLiteral("SELECT 1 AS \"a\"\"b\"")),
              QStringLiteral("SELECT COUNT(\"a\"\"b\") FROM (SELECT 1 AS \"a\"\"b\") TBL"));
}

TEST(FraDataSql, RequestedColumnsSplitOutsideQuotes)
{
    EXPECT_EQ(RequestedColumns(QStringLiteral("SELECT \"id\", \"a,b\" , \"c\" FROM \"public\".\"t\"")),
              (QStringList{QStringLiteral("id"), QStringLiteral("a,b"), QStringLiteral("c")}));
    EXPECT_EQ(RequestedColumns(QStringLiteral("SELECT * FROM t")), QStringList{QString()});
    EXPECT_TRUE(RequestedColumns(QStringLiteral("VALUES (1)")).isEmpty());
}

TEST(FraDataFiles, ColumnWidthFileIsSanitizedInTheWorkFolder)
{
    EXPECT_EQ(ColumnWidthFile(QStringLiteral("/w/temp/"), QStringLiteral("public.t")),
              QStringLiteral("/w/temp/public.t.ini"));
    EXPECT_EQ(ColumnWidthFile(QStringLiteral("/w/temp"), QStringLiteral("s/x.a:b")), QStringLiteral("/w/temp/sx.ab.ini"));
}

TEST(FraDataFormats, RunTimeLibraryFormatsBecomeQtPatterns)
{
    struct Case {
        const char *in;
        const char *out;
    };
    const Case cases[] = {
        {"yyyy/MM/dd", "yyyy/MM/dd"},
        {"HH:mm:ss", "HH:mm:ss"},
        {"yyyy/mm/dd", "yyyy/MM/dd"},
        {"hh:nn:ss", "HH:mm:ss"},
        {"h:mm am/pm", "h:mm AP"},
        {"yy-m-d", "yy-M-d"},
        {"dddd mmmm", "dddd MMMM"},
        {"hh:nn:ss.zzz", "HH:mm:ss.zzz"},
        {"yyyy\"年\"m\"月\"d\"日\"", "yyyy'年'M'月'd'日'"},
        {"'at' hh", "'at 'HH"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ToQtDateTimeFormat(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(FraDataValues, ByteaTextDecodesBothServerForms)
{
    bool ok = false;
    EXPECT_EQ(ByteaTextToBytes(QStringLiteral("\\x0aff"), &ok), QByteArray("\x0a\xff", 2));
    EXPECT_TRUE(ok);
    EXPECT_EQ(BytesToHex(QByteArray("\x0a\xff", 2)), QStringLiteral("0AFF"));
    EXPECT_EQ(ByteaTextToBytes(QStringLiteral("a\\\\b\\001"), &ok), QByteArray("a\\b\x01", 4));
    EXPECT_TRUE(ok);
    ByteaTextToBytes(QStringLiteral("\\x0g"), &ok);
    EXPECT_FALSE(ok);
    ByteaTextToBytes(QStringLiteral("\\x0"), &ok);
    EXPECT_FALSE(ok);
}

// ---- the binary-value viewer's helpers -----------------------------------------

TEST(FrmLobHelpers, DumpHasSixteenBytesALine)
{
    QByteArray data;
    for (int i = 0; i < 20; ++i)
        data += char(i * 13);
    const QStringList lines = TfrmLob::HexDump(data);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("00 0D 1A 27 34 41 4E 5B 68 75 82 8F 9C A9 B6 C3"));
    EXPECT_EQ(lines[1], QStringLiteral("D0 DD EA F7"));
    EXPECT_TRUE(TfrmLob::HexDump(QByteArray()).isEmpty());
    EXPECT_EQ(TfrmLob::HexDump(QByteArray(32, '\xff')).size(), 2);
}

TEST(FrmLobHelpers, ImageFormatsAreNamedByContent)
{
    QImage img(4, 3, QImage::Format_RGB32);
    img.fill(Qt::red);
    struct Case {
        const char *qtFormat;
        const char *name;
    };
    for (const Case &c : {Case{"PNG", "PNG"}, Case{"BMP", "BMP"}, Case{"JPG", "JPG"}}) {
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        ASSERT_TRUE(img.save(&buf, c.qtFormat));
        EXPECT_EQ(TfrmLob::GetImageFormat(bytes), QString::fromLatin1(c.name));
    }
    EXPECT_EQ(TfrmLob::GetImageFormat(QByteArray("II\xBC\x01\x08\x00\x00\x00", 8)), QStringLiteral("WMPHOTO"));
    EXPECT_EQ(TfrmLob::GetImageFormat(QByteArray("\x89PNG broken", 11)), QStringLiteral("UNKNOWN"));
    EXPECT_EQ(TfrmLob::GetImageFormat(QByteArray("plain text")), QStringLiteral("UNKNOWN"));
    EXPECT_EQ(TfrmLob::GetImageFormat(QByteArray()), QStringLiteral("UNKNOWN"));
}

TEST(FrmLobHelpers, SaveNameGetsTheFormatExtensionOnlyWhenItHasNone)
{
    EXPECT_EQ(TfrmLob::SaveFileName(QStringLiteral("/d/pic"), QStringLiteral("PNG")), QStringLiteral("/d/pic.png"));
    EXPECT_EQ(TfrmLob::SaveFileName(QStringLiteral("/d/pic.dat"), QStringLiteral("PNG")), QStringLiteral("/d/pic.dat"));
    EXPECT_EQ(TfrmLob::SaveFileName(QStringLiteral("/d.x/pic"), QStringLiteral("JPG")), QStringLiteral("/d.x/pic.jpg"));
    EXPECT_EQ(TfrmLob::SaveFileName(QStringLiteral("/d/raw"), QStringLiteral("UNKNOWN")), QStringLiteral("/d/raw"));
}

TEST(FrmLobHelpers, TextFallsBackThroughTheEncodingsWhileBlank)
{
    EXPECT_EQ(TfrmLob::DecodeText(QByteArray("caf\xc3\xa9")), QStringLiteral("café"));
    // Not UTF-8: the ANSI code page (CP932) reads it.
    EXPECT_EQ(TfrmLob::DecodeText(QByteArray("\x93\xfa\x96\x7b")), QStringLiteral("日本"));
    // Blank in every decoding: the UTF-16LE decoding is shown.
    EXPECT_EQ(TfrmLob::DecodeText(QByteArray(" \x00", 2)), QStringLiteral(" "));
    EXPECT_EQ(TfrmLob::DecodeText(QByteArray()), QString());
}
