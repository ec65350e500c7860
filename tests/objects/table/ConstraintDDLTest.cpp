// The constraint model: the ADD CONSTRAINT text by type, the storage lines
// the table's CREATE TABLE takes, and constraints read from the real server
// and re-added from their own DDL.
#include "support/DbTestSupport.h"
#include "common/tvOption.h"
#include "objects/table/ConstraintDefinition.h"
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

TConstraintDefinition Def(TConstType type, const char *name, const char *table)
{
    TConstraintDefinition d;
    d.Schema = QStringLiteral("s1");
    d.Name = QString::fromUtf8(name);
    d.TableName = QString::fromUtf8(table);
    d.Type = type;
    return d;
}

} // namespace

TEST(ConstraintDDL, AddConstraintByType)
{
    KeepOption keep;
    TConstraintDefinition fk = Def(ctForeign, "fk1", "t2");
    fk.RefSchema = QStringLiteral("s1");
    fk.RefTable = QStringLiteral("t1");
    fk.Pairs << TForeignPair{QStringLiteral("id"), QStringLiteral("t1_id")};
    fk.DeleteAction = 2;
    TConstraintDefinition fkFull = fk;
    fkFull.MatchFull = true;
    fkFull.DeleteAction = 4;
    fkFull.UpdateAction = 1;
    fkFull.Deferrable = fkFull.InitiallyDeferred = fkFull.NotValid = true;
    TConstraintDefinition pk = Def(ctPrimary, "t1_pkey", "t1");
    pk.Columns << QStringLiteral("b") << QStringLiteral("A");
    TConstraintDefinition uq = Def(ctUnique, "u1", "t1");
    uq.Columns << QStringLiteral("c");
    TConstraintDefinition wrapped = Def(ctCheck, "c1", "t1");
    wrapped.Check = QStringLiteral("(a > 0)");
    TConstraintDefinition bare = Def(ctCheck, "c2", "t1");
    bare.Check = QStringLiteral("a > 0\r\nAND b > 0");
    bare.NoInherit = true;
    TConstraintDefinition gist = Def(ctExclude, "x1", "t1");
    gist.AccessMethod = QStringLiteral("GIST");
    gist.Exclude << TExcludeRow{QStringLiteral("a"), {}, {}, {}, QStringLiteral("=")}
                 << TExcludeRow{QStringLiteral("r"), {}, {}, {}, QStringLiteral("&&")} << TExcludeRow{};
    gist.ExcludeWhere = QStringLiteral("a > 0");
    TConstraintDefinition btree = Def(ctExclude, "x2", "t1");
    btree.AccessMethod = QStringLiteral("BTREE");
    btree.Exclude << TExcludeRow{QStringLiteral("a"), QStringLiteral("DESC"), QStringLiteral("LAST"),
                                 QStringLiteral("int4_ops"), QStringLiteral("=")};

    const QString head = QStringLiteral("ALTER TABLE \"s1\".");
    const struct {
        TConstraintDefinition def;
        bool storage;
        QStringList lines;
    } cases[] = {
        {fk, true,
         {head + "\"t2\" ADD CONSTRAINT \"fk1\"",
          "FOREIGN KEY (\"t1_id\") REFERENCES \"s1\".\"t1\"(\"id\") ON UPDATE NO ACTION ON DELETE CASCADE", ";"}},
        {fkFull, true,
         {head + "\"t2\" ADD CONSTRAINT \"fk1\"",
          "FOREIGN KEY (\"t1_id\") REFERENCES \"s1\".\"t1\"(\"id\") MATCH FULL ON UPDATE RESTRICT ON DELETE SET DEFAULT",
          "DEFERRABLE INITIALLY DEFERRED NOT VALID", ";"}},
        {pk, true,
         {head + "\"t1\" ADD CONSTRAINT \"t1_pkey\"", "PRIMARY KEY (\"b\", \"A\")", "USING INDEX",
          "TABLESPACE \"pg_default\"", ";"}},
        // A new unique constraint gets no storage lines.
        {uq, false, {head + "\"t1\" ADD CONSTRAINT \"u1\"", "UNIQUE (\"c\")", ";"}},
        {wrapped, true, {head + "\"t1\" ADD CONSTRAINT \"c1\"", "CHECK (a > 0)", ";"}},
        {bare, true, {head + "\"t1\" ADD CONSTRAINT \"c2\"", "CHECK (a > 0 AND b > 0) NO INHERIT", ";"}},
        {gist, false, {head + "\"t1\" ADD CONSTRAINT \"x1\"", "EXCLUDE USING GIST (\"a\" WITH =, \"r\" WITH &&)",
                       "WHERE (a > 0)", ";"}},
        {btree, false,
         {head + "\"t1\" ADD CONSTRAINT \"x2\"", "EXCLUDE USING BTREE (\"a\" int4_ops DESC NULLS LAST WITH =)", ";"}},
    };
    for (const auto &c : cases) {
        QStringList lines;
        ConstraintDDL::Create(c.def, QStringLiteral("\"s1\"."), c.storage, {QStringLiteral("TABLESPACE \"pg_default\"")},
                              lines);
        EXPECT_EQ(lines, c.lines) << c.def.Name.toStdString();
    }

    QStringList drop;
    ConstraintDDL::Drop(fk, drop);
    EXPECT_EQ(drop, QStringList({QStringLiteral("ALTER TABLE \"s1\".\"t2\" DROP CONSTRAINT \"fk1\""), QStringLiteral(";")}));
}

TEST(ConstraintDDL, StorageLinesForTheTableScript)
{
    const QStringList create{QStringLiteral("ALTER TABLE t ADD CONSTRAINT u"), QStringLiteral("UNIQUE (a)"),
                             QStringLiteral("USING INDEX"), QStringLiteral("TABLESPACE \"ts\""), QStringLiteral(";"),
                             QStringLiteral("TABLESPACE \"other\"")};
    EXPECT_EQ(ConstraintDDL::StorageLines(ctUnique, create), QStringList({QStringLiteral("        TABLESPACE \"ts\"")}));
    EXPECT_TRUE(ConstraintDDL::StorageLines(ctExclude, create).isEmpty());
    EXPECT_TRUE(ConstraintDDL::StorageLines(ctPrimary, create.mid(0, 2) << QStringLiteral(";")).isEmpty());
}

TEST(ConstraintDDL, ExclusionOrdersFromTheIndexDefinition)
{
    QList<TExcludeRow> rows(3);
    ParseExcludeOrders(QStringLiteral("CREATE INDEX x ON s.t USING btree (a DESC, b NULLS FIRST, c DESC NULLS LAST)"),
                       rows);
    const char *expected[][2] = {{"DESC", "FIRST"}, {"ASC", "FIRST"}, {"DESC", "LAST"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i].Order, QString::fromLatin1(expected[i][0])) << i;
        EXPECT_EQ(rows[i].NullOrder, QString::fromLatin1(expected[i][1])) << i;
    }
}

namespace {

using dbtest::paramsOf;

class ConstraintReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<tvtest::TestDb>("con");
        if (!db->available())
            return;
        db->exec("CREATE EXTENSION IF NOT EXISTS btree_gist;"
                 "CREATE SCHEMA s1;"
                 "CREATE TABLE s1.t1 (id integer CONSTRAINT t1_pkey PRIMARY KEY, b int, a int, r int4range,"
                 " CONSTRAINT u1 UNIQUE (a, b), CONSTRAINT chk CHECK (b IS NOT NULL) NO INHERIT,"
                 " CONSTRAINT x1 EXCLUDE USING gist (a WITH =, r WITH &&) WHERE (a > 0));"
                 "CREATE TABLE s1.t2 (t1_id integer DEFAULT 0, CONSTRAINT fk1 FOREIGN KEY (t1_id)"
                 " REFERENCES s1.t1(id) MATCH FULL ON DELETE SET DEFAULT DEFERRABLE INITIALLY DEFERRED);");
        conn = std::make_unique<tv::db::Connection>(paramsOf(*db));
        conn->Open();
    }
    std::optional<TConstraintDefinition> Load(const char *name, const char *table)
    {
        tv::db::Query q(conn.get());
        return LoadConstraintDefinition(q, QStringLiteral("s1"), QString::fromUtf8(name), QString::fromUtf8(table),
                                        db->params().database);
    }
    std::string Def(const char *name)
    {
        return db->scalar(std::string("SELECT pg_get_constraintdef(oid) FROM pg_constraint WHERE conname = '") + name +
                          "'");
    }
    std::unique_ptr<tvtest::TestDb> db;
    std::unique_ptr<tv::db::Connection> conn;
};

} // namespace

// Each constraint, dropped and added again from what the model writes (the
// compile of an existing constraint), reads back as the server had it.
TEST_F(ConstraintReader, RecompileKeepsEveryKind)
{
    TV_REQUIRE_DB(*db);
    KeepOption keep;
    const struct {
        const char *name, *table;
        TConstType type;
    } cases[] = {
        {"fk1", "t2", ctForeign}, {"u1", "t1", ctUnique}, {"chk", "t1", ctCheck}, {"x1", "t1", ctExclude},
    };
    for (const auto &c : cases) {
        const std::string before = Def(c.name);
        const auto d = Load(c.name, c.table);
        ASSERT_TRUE(d) << c.name;
        EXPECT_EQ(d->Type, c.type) << c.name;
        QStringList lines;
        ConstraintDDL::Drop(*d, lines);
        ConstraintDDL::Create(*d, QStringLiteral("\"s1\"."), true, {QStringLiteral("TABLESPACE \"pg_default\"")},
                              lines);
        db->exec("BEGIN;" + lines.join(QLatin1Char('\n')).toStdString() + "COMMIT;");
        EXPECT_EQ(Def(c.name), before) << lines.join(QLatin1Char('\n')).toStdString();
    }
    const auto fk = Load("fk1", "t2");
    ASSERT_TRUE(fk);
    EXPECT_EQ(fk->DeleteAction, 4);
    EXPECT_EQ(ConstActionCaption(fk->DeleteAction), QStringLiteral("初期値(SET DEFAULT)"));
    EXPECT_EQ(fk->RefIndex, QStringLiteral("t1_pkey"));
    EXPECT_TRUE(fk->Deferrable && fk->InitiallyDeferred && fk->MatchFull);
    const auto x = Load("x1", "t1");
    ASSERT_TRUE(x);
    ASSERT_EQ(x->Exclude.size(), 2);
    EXPECT_EQ(x->Exclude[0].Operator, QStringLiteral("="));
    EXPECT_EQ(x->Exclude[1].Operator, QStringLiteral("&&"));
    EXPECT_EQ(x->AccessMethod, QStringLiteral("GIST"));
    const auto u = Load("u1", "t1");
    ASSERT_TRUE(u);
    EXPECT_EQ(u->Columns, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(u->Tablespace, QStringLiteral("pg_default"));
    // The storage lines the table's script takes, by mode and option.
    EXPECT_EQ(ConstraintDDL::StorageScript(*u, smShow, true, false, false),
              QStringList({QStringLiteral("        TABLESPACE \"pg_default\"")}));
    EXPECT_TRUE(ConstraintDDL::StorageScript(*u, smText, true, false, false).isEmpty());
    EXPECT_TRUE(ConstraintDDL::StorageScript(*x, smShow, true, true, false).isEmpty());
    EXPECT_FALSE(Load("fk1", "t1")); // the table filter holds
    EXPECT_FALSE(Load("nosuch", "t1"));
}
