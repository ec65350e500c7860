// Script output of tables with their rows: INSERT values that read back
// identical when psql runs the data file into the emptied tables, the data
// file shared by the tables of one run, a copy under another name, and the
// wrapping of long statements.
#include "shell/ShellTestSupport.h"
#include "TableWindowTestSupport.h"

#include "common/ScriptOption.h"
#include "objects/table/TableScript.h"
#include "objects/table/frmTable.h"
#include "platform/db/Connection.h"
#include "support/CatalogSnapshot.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace tvtest;

namespace {

QString Utf16(const QBuffer &b)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(b.data().constData()), b.data().size() / 2);
}

// The script options as a test sets them; put back afterwards.
class ScriptOutput : public TableWindowTest {
protected:
    void SetUp() override { saved = ScriptOption; }
    void TearDown() override
    {
        ScriptOption = saved;
        if (s.main)
            s.main->hide();
    }
    TScriptOption saved;
};

const char *const Tables =
    "CREATE SCHEMA s1;"
    "CREATE TABLE s1.ta (id int, flag boolean, at time, arr int[], u uuid, j jsonb, n numeric, f float8,"
    " bin bytea, txt text, d date, ts timestamptz, iv interval);"
    "INSERT INTO s1.ta VALUES"
    " (1, true, '13:45:00', '{1,2}', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '{\"k\": [1, \"x''y\"]}', 'NaN',"
    "  'Infinity', '\\x00ff', '', '2026-01-02', '2026-01-02 03:04:05.678+09', '1 day 02:00:00'),"
    " (2, false, NULL, '{}', NULL, 'null', 12.50, -1.5e-7, '\\x', 'it''s \\ a\nline', NULL, NULL, NULL),"
    " (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);"
    "CREATE TABLE s1.tb (k int PRIMARY KEY, v varchar(10)); INSERT INTO s1.tb VALUES (1, 'one'), (2, NULL);"
    "CREATE INDEX ta_id ON s1.ta (id);";

const char *const ReadBack = "SELECT (SELECT string_agg(t::text, '|' ORDER BY id) FROM s1.ta t) || '#' ||"
                             " (SELECT string_agg(t::text, '|' ORDER BY k) FROM s1.tb t)";

} // namespace

// InsertMode 2 without sub-folders: the rows of both tables in
// Path + "_DATA.SQL", which psql runs back into the emptied tables.
TEST_F(ScriptOutput, RowsOfTwoTablesReadBackIdentical)
{
    StartOn("tbsc", Tables);
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ScriptOption.Insert = true;
    ScriptOption.InsertMode = 2;
    ScriptOption.OneScript = false;
    ScriptOption.Dir = false;
    ScriptOption.Index = false;
    ScriptOption.Path = dir.path();
    const std::string before = db->scalar(ReadBack);
    QBuffer script;
    script.open(QIODevice::WriteOnly);
    form->OutputScript(45, QStringLiteral("s1"), QStringLiteral("ta"), script);
    form->OutputScript(45, QStringLiteral("s1"), QStringLiteral("tb"), script);
    const QString ddl = Utf16(script);
    EXPECT_TRUE(ddl.contains(QStringLiteral("CREATE TABLE \"s1\".\"ta\""))) << ddl.toStdString();
    EXPECT_FALSE(ddl.contains(QStringLiteral("INSERT")));
    QFile data(dir.filePath(QStringLiteral("_DATA.SQL")));
    ASSERT_TRUE(data.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(data.readAll());
    data.close();
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    EXPECT_TRUE(text.contains(QStringLiteral("INSERT INTO \"s1\".\"ta\" VALUES(3,null,null,"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("INSERT INTO \"s1\".\"tb\" VALUES(2,null)"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(",true,'13:45:00','{1,2}',"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("'\\x00ff'"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(",'',"))) << text.toStdString();
    EXPECT_TRUE(text.indexOf(QStringLiteral("\"ta\"")) < text.indexOf(QStringLiteral("\"tb\"")));
    // A statement is wrapped once a line has grown past 70 characters.
    for (const QString &l : lines)
        if (l.endsWith(u','))
            EXPECT_GT(l.size(), 70) << l.toStdString();

    db->exec("TRUNCATE s1.ta, s1.tb");
    QProcess psql;
    psql.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    const DbParams &p = db->params();
    psql.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                                        QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), p.host,
                                        QStringLiteral("-p"), p.port, QStringLiteral("-U"), p.user,
                                        QStringLiteral("-d"), p.database, QStringLiteral("-f"), data.fileName()});
    ASSERT_TRUE(psql.waitForFinished(120000));
    EXPECT_EQ(psql.exitCode(), 0) << psql.readAllStandardError().toStdString();
    EXPECT_EQ(db->scalar(ReadBack), before);
}

// A copy as s2.t9 without the index option: CREATE TABLE, comments and
// INSERT statements name the copy; OneScript puts the rows in the script.
TEST_F(ScriptOutput, ACopyUnderAnotherName)
{
    StartOn("tbcp", std::string(Tables) + "COMMENT ON TABLE s1.tb IS 'bee'; CREATE SCHEMA s2;");
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    ScriptOption.Insert = true;
    ScriptOption.InsertMode = 1;
    ScriptOption.OneScript = true;
    ScriptOption.Index = false;
    QBuffer script;
    script.open(QIODevice::WriteOnly);
    form->OutputScript(45, QStringLiteral("s1"), QStringLiteral("tb"), script, QStringLiteral("s2"),
                       QStringLiteral("t9"));
    const QString text = Utf16(script);
    EXPECT_TRUE(text.contains(QStringLiteral("CREATE TABLE \"s2\".\"t9\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("COMMENT ON TABLE \"s2\".\"t9\" IS 'bee'"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("INSERT INTO \"s2\".\"t9\" VALUES(1,'one')"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("\"tb\""))) << text.toStdString();
    // The copy runs.
    QString sql = text;
    db->exec(sql.replace(QStringLiteral("\r\n;\r\n"), QStringLiteral(";\n")).toStdString());
    EXPECT_EQ(db->scalar("SELECT string_agg(k || '=' || coalesce(v, '-'), ',' ORDER BY k) FROM s2.t9"), "1=one,2=-");

    // With the index option the index scripts follow, naming the table read.
    ScriptOption.Index = true;
    ScriptOption.OneScript = true;
    QBuffer second;
    second.open(QIODevice::WriteOnly);
    form->OutputScript(45, QStringLiteral("s1"), QStringLiteral("ta"), second);
    EXPECT_TRUE(Utf16(second).contains(QStringLiteral("\"ta_id\""))) << Utf16(second).toStdString();
}

// The bytes the rows are written as are the UTF-8 of InsertStatement over
// InsertValue, whatever the cell: quotes, characters beyond ASCII (a line
// wraps by characters, a surrogate pair counting two, not by bytes), odd
// and long numbers, bytea, oids, arrays; in a UTF-8 session and in a
// Shift_JIS one, where a character's second byte may be a backslash.
TEST_F(ScriptOutput, RowBytesAreTheStatementText)
{
    StartOn("tbrw",
            "CREATE TABLE t (id int, b boolean, n numeric, f float8, o oid, bin bytea, s text, c char(3), a text[]);"
            "INSERT INTO t VALUES"
            " (1, true, 0.5, 1e300, 7, '\\x00ff', 'it''s', 'ab', '{\"x''y\",NULL}'),"
            " (2, false, repeat('9', 250)::numeric, 'NaN', NULL, '\\x', repeat('日本', 12) || '''値', '表', '{}'),"
            " (3, NULL, -0.00, '-Infinity', 0, NULL, repeat('漢字', 40), NULL, NULL),"
            " (4, true, 'NaN', -1.5e-7, 4294967295, 'abc', repeat('x', 80), 'x''y', '{日本,\"a\\\\b\"}'),"
            " (5, false, 12, 3, 1, NULL, '😀' || repeat('é', 30), 'é', NULL);");
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    tv::db::Connection &conn = form->dbsMain();
    const QString target = QStringLiteral("\"s\".\"データ\"");
    const struct {
        const char *encoding;
        int rows; // Shift_JIS has neither the emoji nor é
    } cases[] = {{"UTF8", 5}, {"SJIS", 4}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.encoding);
        conn.Exec(QStringLiteral("SET client_encoding TO '%1'").arg(QLatin1String(c.encoding)));
        const QString select = QStringLiteral("SELECT * FROM t WHERE id <= %1 ORDER BY id").arg(c.rows);
        QString expected;
        TableScript::ForEachInsertRow(conn, select, [&](const QStringList &Values) {
            for (const QString &line : TableScript::InsertStatement(target, Values))
                expected += line + QStringLiteral("\r\n");
        });
        QByteArray written;
        int calls = 0;
        TableScript::WriteInsertRows(
            conn, select, target,
            [&](const QByteArray &Utf8) {
                ++calls;
                written += Utf8;
            },
            2);
        EXPECT_EQ(QString::fromUtf8(written), expected);
        EXPECT_EQ(written, expected.toUtf8());
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(expected.contains(QStringLiteral("'表  '"))) << expected.toStdString();
    }
    conn.Exec(QStringLiteral("SET client_encoding TO 'UTF8'"));

    // No rows: nothing is written (no data file is made for them).
    int calls = 0;
    TableScript::WriteInsertRows(conn, QStringLiteral("SELECT * FROM t WHERE false"), target,
                                 [&](const QByteArray &) { ++calls; });
    EXPECT_EQ(calls, 0);
}

TEST(TableScriptStatement, WrapsPast70Characters)
{
    const QStringList values(12, QStringLiteral("'abcdefghij'"));
    const QStringList lines = TableScript::InsertStatement(QStringLiteral("\"t\""), values);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.last(), QStringLiteral(";"));
    EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("INSERT INTO \"t\" VALUES('abcdefghij',")));
    EXPECT_TRUE(lines.at(lines.size() - 2).endsWith(QStringLiteral("'abcdefghij')")));
    for (qsizetype i = 0; i + 2 < lines.size(); ++i) {
        EXPECT_GT(lines.at(i).size(), 70);
        EXPECT_LE(lines.at(i).size(), 70 + 13);
    }
    EXPECT_EQ(TableScript::InsertStatement(QStringLiteral("x"), {QStringLiteral("1")}),
              (QStringList{"INSERT INTO x VALUES(1)", ";"}));
}

// The script of a partitioned table, of its partitions and of a table with
// a deferrable unique key and a NOT VALID check that a row breaks, run
// again after the tables are dropped: the same tables, keys, partitions
// and rows.
TEST_F(ScriptOutput, PartitionsKeysAndNotValidChecksRunBack)
{
    StartOn("tbsp",
            "CREATE SCHEMA k2;"
            "CREATE TABLE k2.t1 (a int NOT NULL, b text, CONSTRAINT t1_pkey PRIMARY KEY (a) INCLUDE (b)"
            " WITH (fillfactor = 80) DEFERRABLE INITIALLY DEFERRED) PARTITION BY RANGE (a);"
            "CREATE TABLE k2.t1_p1 PARTITION OF k2.t1 FOR VALUES FROM (0) TO (100);"
            "CREATE TABLE k2.t1_p2 PARTITION OF k2.t1 DEFAULT;"
            "INSERT INTO k2.t1 VALUES (1, 'x'), (200, 'y');"
            "CREATE TABLE k2.t3 (id int, c int, CONSTRAINT t3_uq UNIQUE (c) WITH (fillfactor = 90) DEFERRABLE);"
            "INSERT INTO k2.t3 VALUES (1, -1), (2, 5);"
            "ALTER TABLE k2.t3 ADD CONSTRAINT t3_c CHECK (c > 0) NOT VALID;");
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    ScriptOption.Insert = true;
    ScriptOption.InsertMode = 0;
    ScriptOption.OneScript = true;
    ScriptOption.Index = false;
    ScriptOption.Storage = true;
    const char *const tables[] = {"t1", "t1_p1", "t1_p2", "t3"};
    CatalogSnapshot before;
    for (const char *t : tables)
        before.Merge(CatalogSnapshot::OfTable(*db, "k2", t));
    const std::string rows = db->scalar("SELECT (SELECT string_agg(concat_ws('/', tableoid::regclass, a, b), ';'"
                                        " ORDER BY a) FROM k2.t1) || '#' || (SELECT string_agg(concat_ws('/', id, c),"
                                        " ';' ORDER BY id) FROM k2.t3)");
    QBuffer script;
    script.open(QIODevice::WriteOnly);
    for (const char *t : tables)
        form->OutputScript(45, QStringLiteral("k2"), QString::fromLatin1(t), script);
    const QString ddl = Utf16(script);
    EXPECT_TRUE(ddl.contains(QStringLiteral("PARTITION BY RANGE (a)"))) << ddl.toStdString();
    EXPECT_FALSE(ddl.contains(QStringLiteral("INHERITS"))) << ddl.toStdString();
    // The NOT VALID check comes after the rows it would refuse.
    EXPECT_GT(ddl.indexOf(QStringLiteral("NOT VALID")), ddl.indexOf(QStringLiteral("INSERT INTO \"k2\".\"t3\"")))
        << ddl.toStdString();
    db->exec("DROP TABLE k2.t1, k2.t3");
    db->exec(ddl.toStdString());
    CatalogSnapshot after;
    for (const char *t : tables)
        after.Merge(CatalogSnapshot::OfTable(*db, "k2", t));
    EXPECT_EQ(CatalogSnapshot::Diff(before, after), "") << ddl.toStdString();
    EXPECT_EQ(db->scalar("SELECT (SELECT string_agg(concat_ws('/', tableoid::regclass, a, b), ';'"
                         " ORDER BY a) FROM k2.t1) || '#' || (SELECT string_agg(concat_ws('/', id, c),"
                         " ';' ORDER BY id) FROM k2.t3)"),
              rows);
}

// What a CREATE TABLE does not carry (column statistics targets and storage
// modes, replica identity, the CLUSTER mark) follows it in the script as
// ALTER TABLE statements; run on a fresh database the script gives the same
// tables. With the indexes scripted every index may be named; without
// them only the keys written with the table are.
TEST_F(ScriptOutput, ColumnSettingsReplicaIdentityAndClusterRunBack)
{
    StartOn("tbss",
            "CREATE SCHEMA k3;"
            "CREATE TABLE k3.ta (id int NOT NULL, b text, c text, d int);"
            "CREATE UNIQUE INDEX ta_id ON k3.ta (id); CREATE INDEX ta_d ON k3.ta (d);"
            "ALTER TABLE k3.ta REPLICA IDENTITY USING INDEX ta_id, CLUSTER ON ta_d,"
            " ALTER COLUMN b SET STATISTICS 250, ALTER COLUMN b SET STORAGE EXTERNAL,"
            " ALTER COLUMN c SET STORAGE MAIN, ALTER COLUMN d SET STATISTICS 0;"
            "CREATE TABLE k3.tb (k int CONSTRAINT tb_pkey PRIMARY KEY, v text);"
            "ALTER TABLE k3.tb REPLICA IDENTITY USING INDEX tb_pkey, CLUSTER ON tb_pkey;"
            "CREATE TABLE k3.tc (k int, v text); ALTER TABLE k3.tc REPLICA IDENTITY FULL;"
            "CREATE TABLE \"k3\".\"T d\" (\"K k\" int, v varchar(5));"
            "ALTER TABLE k3.\"T d\" REPLICA IDENTITY NOTHING, ALTER COLUMN \"K k\" SET STATISTICS 10,"
            " ALTER COLUMN v SET STORAGE PLAIN;");
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    ScriptOption.Insert = false;
    ScriptOption.OneScript = true;
    ScriptOption.Storage = true;
    struct Case {
        const char *what;
        bool index;
        std::vector<const char *> tables;
        const char *absent; // a statement the script must not hold
    };
    const Case cases[] = {
        {"indexes scripted", true, {"ta", "tb", "tc", "T d"}, nullptr},
        {"indexes not scripted", false, {"ta", "tb", "tc", "T d"}, "CLUSTER ON \"ta_d\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScriptOption.Index = c.index;
        QBuffer script;
        script.open(QIODevice::WriteOnly);
        for (const char *t : c.tables)
            form->OutputScript(45, QStringLiteral("k3"), QString::fromUtf8(t), script);
        const QString ddl = Utf16(script);
        for (const char *statement :
             {"ALTER TABLE ONLY \"k3\".\"ta\" ALTER COLUMN \"b\" SET STATISTICS 250",
              "ALTER TABLE ONLY \"k3\".\"ta\" ALTER COLUMN \"b\" SET STORAGE EXTERNAL",
              "ALTER TABLE ONLY \"k3\".\"tb\" REPLICA IDENTITY USING INDEX \"tb_pkey\"",
              "ALTER TABLE \"k3\".\"tb\" CLUSTER ON \"tb_pkey\"", "ALTER TABLE ONLY \"k3\".\"tc\" REPLICA IDENTITY FULL",
              "ALTER TABLE ONLY \"k3\".\"T d\" ALTER COLUMN \"v\" SET STORAGE PLAIN"})
            EXPECT_TRUE(ddl.contains(QString::fromUtf8(statement))) << statement << "\n" << ddl.toStdString();
        if (c.absent)
            EXPECT_FALSE(ddl.contains(QString::fromUtf8(c.absent))) << ddl.toStdString();
        TestDb fresh("tbsf");
        ASSERT_TRUE(fresh.available());
        fresh.exec("CREATE SCHEMA k3");
        fresh.exec(ddl.toStdString());
        for (const char *t : c.tables) {
            SCOPED_TRACE(t);
            const CatalogSnapshot before = CatalogSnapshot::OfTable(*db, "k3", t);
            const CatalogSnapshot after = CatalogSnapshot::OfTable(fresh, "k3", t);
            if (c.index || std::string(t) != "ta") {
                EXPECT_EQ(CatalogSnapshot::Diff(before, after), "") << ddl.toStdString();
                continue;
            }
            // Without its indexes the table has no index to name as its
            // replica identity; it keeps the rest.
            EXPECT_EQ(CatalogSnapshot::Diff(before, after, {"indexes", "class"}), "") << ddl.toStdString();
        }
    }
}
