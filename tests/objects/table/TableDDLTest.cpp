// The plain table model: the CREATE TABLE, ALTER and DROP text it builds,
// and what the reader takes from the catalog of the real server.
#include "support/DbTestSupport.h"
#include "common/tvOption.h"
#include "objects/table/ConstraintDefinition.h"
#include "objects/table/TableDefinition.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "support/TestDb.h"

#include <gtest/gtest.h>

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

struct KeepOption {
    TtvOption option = tvOption;
    KeepOption() { tvOption.UseLowerName = true; }
    ~KeepOption() { tvOption = option; }
};

TTableColumn Col(int pos, const char *name, const char *type, const char *length = "", bool notNull = false,
                 const char *def = "", const char *comment = "", bool key = false)
{
    TTableColumn c;
    c.Pos = pos;
    c.AttNum = pos;
    c.Name = QString::fromUtf8(name);
    c.Type = QString::fromUtf8(type);
    c.Length = QString::fromUtf8(length);
    c.NotNull = notNull;
    c.Default = QString::fromUtf8(def);
    c.Comment = QString::fromUtf8(comment);
    c.Primary = key;
    return c;
}

// s1.t1 of the window's check: id key, name varchar(20) NOT NULL DEFAULT 'x', amount numeric(10,2).
TTableDefinition T1()
{
    TTableDefinition d;
    d.Schema = QStringLiteral("s1");
    d.Name = QStringLiteral("t1");
    d.Comment = QStringLiteral("T1");
    d.Persistence = u'p';
    d.Columns << Col(1, "id", "integer", "", true, "", "", true)
              << Col(2, "name", "character varying", "20", true, "'x'::character varying", "N")
              << Col(3, "amount", "numeric", "10,2", false, "0");
    d.Constraints << TTableConstraint{QStringLiteral("t1_pkey"), QStringLiteral("PRIMARY KEY"), QStringLiteral("(id)")};
    d.Primary << QStringLiteral("id");
    return d;
}

const QStringList T1Script{
    QStringLiteral("CREATE TABLE \"s1\".\"t1\""),
    QStringLiteral("("),
    QStringLiteral("    \"id\"                            integer NOT NULL,"),
    QStringLiteral("    \"name\"                          character varying(20) DEFAULT 'x'::character varying NOT NULL,"),
    QStringLiteral("    \"amount\"                        numeric(10,2) DEFAULT 0,"),
    QStringLiteral("    CONSTRAINT \"t1_pkey\" PRIMARY KEY  (\"id\")  USING INDEX TABLESPACE \"pg_default\""),
    QStringLiteral(")"),
    QStringLiteral("TABLESPACE \"pg_default\""),
    QStringLiteral(";"),
    QStringLiteral("COMMENT ON TABLE \"s1\".\"t1\" IS 'T1'"),
    QStringLiteral(";"),
    QStringLiteral("COMMENT ON COLUMN \"s1\".\"t1\".\"name\" IS 'N'"),
    QStringLiteral(";"),
};

TTableCreateContext ShownContext()
{
    TTableCreateContext ctx;
    ctx.Prefix = QStringLiteral("\"s1\".");
    ctx.KeyTablespace = QStringLiteral("pg_default");
    ctx.StorageClauses << QStringLiteral("TABLESPACE \"pg_default\"");
    return ctx;
}

} // namespace

TEST(TableDDL, CreateWritesColumnsKeyStorageAndComments)
{
    KeepOption keep;
    QStringList lines;
    TableDDL::Create(T1(), ShownContext(), lines);
    EXPECT_EQ(lines, T1Script);
}

// The key is written in key order, not grid order; a renamed key column
// keeps its place, a new key column comes last.
TEST(TableDDL, CreateWritesTheKeyInKeyOrder)
{
    KeepOption keep;
    TTableDefinition loaded = T1();
    loaded.Columns[2].Primary = true;
    loaded.Primary = QStringList{QStringLiteral("amount"), QStringLiteral("id")};
    TTableDefinition current = loaded;
    current.Columns[2].Name = QStringLiteral("sum");
    current.Columns << Col(0, "c", "integer", "", true, "", "", true);
    const struct {
        const TTableDefinition *snapshot;
        const char *key;
    } cases[] = {
        {nullptr, "(\"amount\", \"id\")"},
        {&loaded, "(\"sum\", \"id\", \"c\")"},
    };
    for (const auto &c : cases) {
        TTableCreateContext ctx = ShownContext();
        ctx.Loaded = c.snapshot;
        ctx.KeyTablespace.clear();
        QStringList lines;
        TableDDL::Create(c.snapshot ? current : loaded, ctx, lines);
        EXPECT_TRUE(lines.contains(QStringLiteral("    CONSTRAINT \"t1_pkey\" PRIMARY KEY  ") +
                                   QString::fromUtf8(c.key) + QStringLiteral(" ")))
            << lines.join(QLatin1Char('\n')).toStdString();
    }
}

TEST(TableDDL, ColumnTypeAndTailTexts)
{
    KeepOption keep;
    TTableColumn generated = Col(1, "g", "integer");
    generated.Generated = u's';
    generated.Default = QStringLiteral("(a * 2)");
    TTableColumn always = Col(1, "i", "bigint", "", true);
    always.Identity = u'a';
    TTableColumn byDefault = Col(1, "i", "integer", "", true);
    byDefault.Identity = u'd';
    TTableColumn collated = Col(1, "c", "text", "", false, "'a'::text");
    collated.Collation = QStringLiteral("\"C\"");
    const struct {
        TTableColumn col;
        const char *type;
        const char *tail;
    } cases[] = {
        {Col(1, "a", "numeric", "10,2", false, "0"), "numeric(10,2)", " DEFAULT 0"},
        {Col(1, "a", "character varying[]", "20"), "character varying(20)[]", ""},
        {Col(1, "a", "s1.My Type"), "\"s1\".\"My Type\"", ""},
        {Col(1, "a", "integer", "", true), "integer", " NOT NULL"},
        {Col(1, "a", "timestamp(3) without time zone"), "timestamp(3) without time zone", ""},
        {generated, "integer", " GENERATED ALWAYS AS ((a * 2)) STORED"},
        {always, "bigint", " GENERATED ALWAYS AS IDENTITY NOT NULL"},
        {byDefault, "integer", " GENERATED BY DEFAULT AS IDENTITY NOT NULL"},
        {collated, "text", " COLLATE \"C\" DEFAULT 'a'::text"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(TableDDL::TypeText(c.col), QString::fromUtf8(c.type));
        EXPECT_EQ(TableDDL::ColumnTail(c.col), QString::fromUtf8(c.tail)) << c.type;
    }
}

TEST(TableDDL, SplitsCatalogTypesIntoTypeAndLength)
{
    const struct {
        const char *name, *full, *type, *length;
    } cases[] = {
        {"numeric", "numeric(10,2)", "numeric", "10,2"},
        {"character varying[]", "character varying(20)[]", "character varying[]", "20"},
        {"integer", "integer", "integer", ""},
        {"timestamp without time zone", "timestamp(3) without time zone", "timestamp(3) without time zone", ""},
        {"interval", "interval day to second", "interval day to second", ""},
        {"time with time zone[]", "time(2) with time zone[]", "time(2) with time zone[]", ""},
    };
    for (const auto &c : cases) {
        QString type, length;
        SplitColumnType(QString::fromUtf8(c.name), QString::fromUtf8(c.full), type, length);
        EXPECT_EQ(type, QString::fromUtf8(c.type)) << c.full;
        EXPECT_EQ(length, QString::fromUtf8(c.length)) << c.full;
    }
}

TEST(TableDDL, CreateWithoutKeyTemporaryAndOtherConstraints)
{
    KeepOption keep;
    TTableDefinition plain;
    plain.Schema = QStringLiteral("s1");
    plain.Name = QStringLiteral("Plain");
    plain.Persistence = u't';
    plain.Comment = QStringLiteral("it's");
    plain.Columns << Col(1, "a", "integer", "", false, "", "c");
    QStringList lines;
    TableDDL::Create(plain, ShownContext(), lines);
    EXPECT_EQ(lines, QStringList({QStringLiteral("CREATE TEMPORARY TABLE \"Plain\""), QStringLiteral("("),
                                  QStringLiteral("    \"a\"                             integer"), QStringLiteral(")"),
                                  QStringLiteral("TABLESPACE \"pg_default\""), QStringLiteral(";"),
                                  QStringLiteral("COMMENT ON TABLE \"Plain\" IS 'it''s'"), QStringLiteral(";"),
                                  QStringLiteral("COMMENT ON COLUMN \"Plain\".\"a\" IS 'c'"), QStringLiteral(";")}));

    TTableDefinition t = T1();
    t.Comment.clear();
    for (TTableColumn &c : t.Columns)
        c.Comment.clear();
    t.Columns.removeLast();
    t.Constraints << TTableConstraint{QStringLiteral("c1"), QStringLiteral("CHECK"), QStringLiteral("(name IS NOT NULL)")}
                  << TTableConstraint{QStringLiteral("u1"), QStringLiteral("UNIQUE"), QStringLiteral("(name)")}
                  << TTableConstraint{QStringLiteral("f1"), QStringLiteral("FOREIGN KEY"),
                                      QStringLiteral("(id) REFERENCES s1.t0(id)")}
                  << TTableConstraint{QStringLiteral("x1"), QStringLiteral("EXCLUDE"), QStringLiteral("gist (id WITH =)")};
    TTableCreateContext ctx = ShownContext();
    ctx.Unlogged = true;
    ctx.KeyTablespace.clear();
    ctx.StorageClauses.clear();
    ctx.UniqueStorage = [](const QString &name) {
        return QStringList{QStringLiteral("    TABLESPACE ts_") + name};
    };
    lines.clear();
    TableDDL::Create(t, ctx, lines);
    EXPECT_EQ(lines,
              QStringList({QStringLiteral("CREATE UNLOGGED TABLE \"s1\".\"t1\""), QStringLiteral("("),
                           QStringLiteral("    \"id\"                            integer NOT NULL,"),
                           QStringLiteral("    \"name\"                          character varying(20) DEFAULT "
                                          "'x'::character varying NOT NULL,"),
                           QStringLiteral("    CONSTRAINT \"t1_pkey\" PRIMARY KEY  (\"id\") ,"),
                           QStringLiteral("    CONSTRAINT \"c1\" CHECK ( (name IS NOT NULL) ) ,"),
                           QStringLiteral("    CONSTRAINT \"u1\" UNIQUE (name)"), QStringLiteral("    USING INDEX"),
                           QStringLiteral("    TABLESPACE ts_u1,"),
                           QStringLiteral("    CONSTRAINT \"f1\" FOREIGN KEY (id) REFERENCES s1.t0(id),"),
                           QStringLiteral("    CONSTRAINT \"x1\" EXCLUDE USING gist (id WITH =)"), QStringLiteral(")"),
                           QStringLiteral(";")}));

    // A copy without its indexes keeps only UNIQUE, under a new name.
    ctx.Copy = true;
    ctx.CopyIndex = false;
    ctx.UniqueStorage = nullptr;
    lines.clear();
    TableDDL::Create(t, ctx, lines);
    EXPECT_EQ(lines.mid(4, 3), QStringList({QStringLiteral("    CONSTRAINT \"t1_pkey\" PRIMARY KEY  (\"id\") ,"),
                                            QStringLiteral("    CONSTRAINT \"UK_t11\" UNIQUE (name)"),
                                            QStringLiteral(")")}));
}

TEST(TableDDL, AlterCommentOnlyAndNewKeyColumn)
{
    KeepOption keep;
    const TTableDefinition loaded = T1();
    TTableDefinition current = loaded;
    current.Comment = QStringLiteral("new");
    QStringList lines;
    TableDDL::Alter(loaded, current, QStringLiteral("\"s1\"."), {}, lines);
    EXPECT_EQ(lines, QStringList({QStringLiteral("COMMENT ON TABLE \"s1\".\"t1\" IS 'new'"), QStringLiteral(";")}));

    current = loaded;
    current.Columns << Col(0, "c", "integer", "", true, "", "", true);
    lines.clear();
    TableDDL::Alter(loaded, current, QStringLiteral("\"s1\"."), {}, lines);
    EXPECT_EQ(lines, QStringList({QStringLiteral("ALTER TABLE \"s1\".\"t1\" DROP CONSTRAINT \"t1_pkey\""),
                                  QStringLiteral(";"), QStringLiteral("ALTER TABLE \"s1\".\"t1\""),
                                  QStringLiteral("ADD COLUMN \"c\"") + QString(28, u' ') +
                                      QStringLiteral("integer NOT NULL"),
                                  QStringLiteral(";"), QStringLiteral("ALTER TABLE \"s1\".\"t1\" ADD CONSTRAINT \"t1_pkey\""),
                                  QStringLiteral("PRIMARY KEY (\"id\", \"c\") "), QStringLiteral(";")}));

    // Column changes name the column as loaded; the rename and comments follow.
    current = loaded;
    current.Columns[0].Primary = false;
    current.Columns[1].Name = QStringLiteral("title");
    current.Columns[1].Length = QStringLiteral("30");
    current.Columns[1].NotNull = false;
    current.Columns[1].Comment = QStringLiteral("T");
    current.Columns[2].Default.clear();
    lines.clear();
    TableDDL::Alter(loaded, current, QStringLiteral("\"s1\"."), {}, lines);
    const QString col = QStringLiteral("    ALTER COLUMN \"name\"") + QString(25, u' ');
    EXPECT_EQ(lines, QStringList({QStringLiteral("ALTER TABLE \"s1\".\"t1\" DROP CONSTRAINT \"t1_pkey\""),
                                  QStringLiteral(";"), QStringLiteral("ALTER TABLE \"s1\".\"t1\""),
                                  col + QStringLiteral(" TYPE character varying(30)"), QStringLiteral(";"),
                                  QStringLiteral("ALTER TABLE \"s1\".\"t1\""), col + QStringLiteral(" DROP NOT NULL"),
                                  QStringLiteral(";"), QStringLiteral("ALTER TABLE \"s1\".\"t1\""),
                                  QStringLiteral("    ALTER COLUMN \"amount\"") + QString(23, u' ') +
                                      QStringLiteral(" DROP DEFAULT "),
                                  QStringLiteral(";"),
                                  QStringLiteral("ALTER TABLE \"s1\".\"t1\" RENAME COLUMN \"name\" TO \"title\""),
                                  QStringLiteral(";"), QStringLiteral("COMMENT ON COLUMN \"s1\".\"t1\".\"title\" IS 'T'"),
                                  QStringLiteral(";")}));

    lines.clear();
    TableDDL::Drop(QStringLiteral("s1"), QStringLiteral("t1"), true, lines);
    EXPECT_EQ(lines, QStringList({QStringLiteral("DROP TABLE \"s1\".\"t1\" CASCADE"), QStringLiteral(";")}));
}

namespace {

using dbtest::paramsOf;

class TableReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<tvtest::TestDb>("tbl");
        if (!db->available())
            return;
        db->exec("CREATE SCHEMA s1;"
                 "CREATE TABLE s1.t1 (id integer CONSTRAINT t1_pkey PRIMARY KEY,"
                 " name varchar(20) NOT NULL DEFAULT 'x', amount numeric(10,2) DEFAULT 0);"
                 "COMMENT ON TABLE s1.t1 IS 'T1'; COMMENT ON COLUMN s1.t1.name IS 'N';"
                 "CREATE TABLE s1.t2 (gone int, b int, a int, k int GENERATED ALWAYS AS IDENTITY,"
                 " g int GENERATED ALWAYS AS (a * 2) STORED, c text COLLATE \"C\", tags varchar(5)[],"
                 " ts timestamp(3), CONSTRAINT t2_pk PRIMARY KEY (b, a), CONSTRAINT chk CHECK (b IS NOT NULL),"
                 " CONSTRAINT u1 UNIQUE (c), CONSTRAINT fk1 FOREIGN KEY (k) REFERENCES s1.t1(id) ON DELETE CASCADE);"
                 "ALTER TABLE s1.t2 DROP COLUMN gone;");
        conn = std::make_unique<tv::db::Connection>(paramsOf(*db));
        conn->Open();
    }
    std::optional<TTableDefinition> Load(const char *name)
    {
        tv::db::Query q(conn.get());
        return LoadTableDefinition(q, QStringLiteral("s1"), QString::fromUtf8(name), db->params().database,
                                   conn->ServerVersionNum());
    }
    std::unique_ptr<tvtest::TestDb> db;
    std::unique_ptr<tv::db::Connection> conn;
};

} // namespace

TEST_F(TableReader, ReadsTheTableAsTheWindowScriptsIt)
{
    TV_REQUIRE_DB(*db);
    KeepOption keep;
    const auto d = Load("t1");
    ASSERT_TRUE(d);
    QStringList lines;
    TableDDL::Create(*d, ShownContext(), lines);
    EXPECT_EQ(lines, T1Script);
    EXPECT_EQ(d->Tablespace, QStringLiteral("pg_default"));
    EXPECT_FALSE(Load("nosuch"));
}

// Key marks follow the key's columns past a dropped column; the key is
// written in key order; identity, generated columns, collations and every
// CHECK survive a drop and re-create from the script.
TEST_F(TableReader, RoundTripKeepsKeyOrderIdentityGeneratedAndCollation)
{
    TV_REQUIRE_DB(*db);
    KeepOption keep;
    const auto d = Load("t2");
    ASSERT_TRUE(d);
    ASSERT_EQ(d->Columns.size(), 7);
    EXPECT_EQ(d->Columns[0].Name, QStringLiteral("b"));
    EXPECT_EQ(d->Columns[0].AttNum, 2);
    EXPECT_TRUE(d->Columns[0].Primary);
    EXPECT_TRUE(d->Columns[1].Primary);
    EXPECT_FALSE(d->Columns[2].Primary);
    EXPECT_EQ(d->Primary, QStringList({QStringLiteral("b"), QStringLiteral("a")}));
    EXPECT_EQ(d->Constraints.first().Kind, QStringLiteral("PRIMARY KEY"));
    EXPECT_EQ(d->Columns[5].Type, QStringLiteral("character varying[]"));
    EXPECT_EQ(d->Columns[5].Length, QStringLiteral("5"));
    EXPECT_EQ(d->Columns[6].Type, QStringLiteral("timestamp(3) without time zone"));
    QStringList kinds;
    for (const TTableConstraint &c : d->Constraints)
        kinds << c.Kind + u':' + c.Name;
    EXPECT_EQ(kinds, QStringList({QStringLiteral("PRIMARY KEY:t2_pk"), QStringLiteral("CHECK:chk"),
                                  QStringLiteral("FOREIGN KEY:fk1"), QStringLiteral("UNIQUE:u1")}));

    TTableCreateContext ctx = ShownContext();
    // A UNIQUE constraint's storage comes from the constraint model, no window.
    ctx.UniqueStorage = [this](const QString &name) {
        tv::db::Query q(conn.get());
        const auto c = LoadConstraintDefinition(q, QStringLiteral("s1"), name, QStringLiteral("t2"),
                                                db->params().database);
        return c ? ConstraintDDL::StorageScript(*c, smShow, true, true, false) : QStringList();
    };
    QStringList lines;
    TableDDL::Create(*d, ctx, lines);
    const qsizetype u1 = lines.indexOf(QStringLiteral("    CONSTRAINT \"u1\" UNIQUE (c)"));
    ASSERT_GE(u1, 0) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(lines.mid(u1 + 1, 3), QStringList({QStringLiteral("    USING INDEX"),
                                                 QStringLiteral("        TABLESPACE \"pg_default\""),
                                                 QStringLiteral(")")}));
    db->exec("DROP TABLE s1.t2");
    db->exec(lines.join(QLatin1Char('\n')).toStdString());
    const auto again = Load("t2");
    ASSERT_TRUE(again);
    QStringList second;
    TableDDL::Create(*again, ctx, second);
    EXPECT_EQ(second, lines);
    EXPECT_EQ(db->scalar("SELECT attidentity::text || attgenerated::text FROM pg_attribute WHERE attrelid = 's1.t2'::regclass"
                         " AND attname = 'k'"),
              "a");
    EXPECT_EQ(db->scalar("SELECT attgenerated FROM pg_attribute WHERE attrelid = 's1.t2'::regclass AND attname = 'g'"),
              "s");
    EXPECT_EQ(db->scalar("SELECT collname FROM pg_attribute A JOIN pg_collation C ON C.oid = A.attcollation"
                         " WHERE attrelid = 's1.t2'::regclass AND attname = 'c'"),
              "C");
    EXPECT_EQ(db->scalar("SELECT pg_get_constraintdef(oid) FROM pg_constraint WHERE conname = 't2_pk'"),
              "PRIMARY KEY (b, a)");
}

// What GetSourceAlter writes, run against the server, gives the edited table.
TEST_F(TableReader, AlterScriptRunsOnTheServer)
{
    TV_REQUIRE_DB(*db);
    KeepOption keep;
    db->exec("DROP TABLE s1.t2"); // its foreign key holds the key's index
    const auto loaded = Load("t1");
    ASSERT_TRUE(loaded);
    TTableDefinition current = *loaded;
    current.Columns << Col(0, "c", "integer", "", true, "", "", true);
    current.Columns[1].Name = QStringLiteral("title");
    current.Columns[1].Comment = QStringLiteral("Title");
    QStringList lines;
    TableDDL::Alter(*loaded, current, QStringLiteral("\"s1\"."), {}, lines);
    db->exec(lines.join(QLatin1Char('\n')).toStdString());
    EXPECT_EQ(db->scalar("SELECT pg_get_constraintdef(oid) FROM pg_constraint WHERE conname = 't1_pkey'"),
              "PRIMARY KEY (id, c)");
    EXPECT_EQ(db->scalar("SELECT col_description('s1.t1'::regclass, 2)"), "Title");
    EXPECT_EQ(db->scalar("SELECT attname FROM pg_attribute WHERE attrelid = 's1.t1'::regclass AND attnum = 2"),
              "title");
}
