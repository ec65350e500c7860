// Completion lookup queries: exact structure for every server branch, and the
// version-15 queries run on the test server and find the objects they name.
#include "support/DbTestSupport.h"
#include "common/ObjectLookupSQL.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "support/TestDb.h"

#include <QStringList>

#include <gtest/gtest.h>

TEST(ObjectLookup, BranchesFollowServerAndFlavour)
{
    for (int kind = 12; kind <= 15; ++kind) {
        EXPECT_EQ(BuildObjectLookupSQL(kind, false, 150000), QString()) << kind;
        EXPECT_FALSE(BuildObjectLookupSQL(kind, true, 150000).isEmpty()) << kind;
    }
    for (int kind : {-1, 19, 100})
        EXPECT_EQ(BuildObjectLookupSQL(kind, true, 150000), QString()) << kind;

    const QString at90299 = BuildObjectLookupSQL(16, false, 90299);
    EXPECT_TRUE(at90299.contains("'RULE' AS ObjTyp"));
    EXPECT_FALSE(at90299.contains("MATERIALIZED VIEW"));
    EXPECT_TRUE(at90299.endsWith(" WHERE ns.nspname = :OWNER ORDER BY ObjNo, ObjNm")) << at90299.toStdString();
    const QString at90300 = BuildObjectLookupSQL(16, false, 90300);
    EXPECT_TRUE(at90300.contains("'MATERIALIZED VIEW' AS ObjTyp"));
    EXPECT_FALSE(at90300.contains("AGGREGATE"));
    EXPECT_GT(at90300.indexOf("'MATERIALIZED VIEW'"), at90300.indexOf("'RULE'"));
    const QString at90400 = BuildObjectLookupSQL(16, false, 90400);
    EXPECT_GT(at90400.indexOf("'AGGREGATE' AS ObjTyp, 11 AS ObjNo"), at90400.indexOf("'MATERIALIZED VIEW'"));
    for (const char *edbOnly : {"PROCEDURE", "PACKAGE", "SYNONYM", "DBLINK"}) {
        EXPECT_FALSE(at90400.contains(QStringLiteral("'%1'").arg(edbOnly))) << edbOnly;
        EXPECT_TRUE(BuildObjectLookupSQL(16, true, 90400).contains(QStringLiteral("'%1'").arg(edbOnly))) << edbOnly;
    }

    EXPECT_FALSE(BuildObjectLookupSQL(17, false, 90299).contains("UNION ALL"));
    // Partitioned tables' columns from version 10 on.
    EXPECT_TRUE(BuildObjectLookupSQL(17, false, 100000).contains("OR Cls.relkind = 'p')"));
    EXPECT_FALSE(BuildObjectLookupSQL(17, false, 90600).contains("'p'"));
    EXPECT_TRUE(BuildObjectLookupSQL(17, false, 90300).contains("UNION ALL SELECT Att2.attname"));

    // Fragments without conditions of their own start the schema condition with WHERE.
    EXPECT_TRUE(BuildObjectLookupSQL(6, false, 80400)
                    .contains(" WHERE (TblShe.schemaname = :OWNER OR VieShe.schemaname = :OWNER) AND TrgInf.tgname = :TRGNM"));
    EXPECT_TRUE(BuildObjectLookupSQL(6, false, 150000)
                    .contains(" WHERE  NOT TrgInf.tgisinternal AND (TblShe.schemaname = :OWNER OR VieShe.schemaname = :OWNER)"
                              " AND TrgInf.tgname = :TRGNM"));
    EXPECT_TRUE(BuildObjectLookupSQL(9, false, 150000).contains(" WHERE ns.nspname = :OWNER AND r.rulename = :RULENM"));
    EXPECT_TRUE(BuildObjectLookupSQL(13, true, 150000).contains("         AS pac"));
    EXPECT_TRUE(BuildObjectLookupSQL(0, false, 150000)
                    .endsWith(" WHERE  TblInf.relkind    IN  ('r', 'f', 't', 'p') AND TblNsp.nspname = :OWNER"
                              " AND TblInf.relname = :TBLNM"));
    EXPECT_TRUE(BuildObjectLookupSQL(4, true, 90600).startsWith(" SELECT DISTINCT Prc.proname "));
    EXPECT_TRUE(BuildObjectLookupSQL(4, true, 90600).contains("AND Prc.protype = '0'"));
    EXPECT_FALSE(BuildObjectLookupSQL(4, false, 90600).contains("protype"));
    // System schemas are matched with an escaped underscore.
    EXPECT_TRUE(BuildObjectLookupSQL(2, false, 150000).contains("LIKE 'pg\\_%'"));
}

namespace {

using dbtest::paramsOf;

// Rows of a lookup as "col1|col2|..." lines.
QStringList runLookup(tv::db::Connection &conn, int kind, const QList<QPair<QString, QString>> &params)
{
    tv::db::Query q(&conn);
    q.SetSQL(BuildObjectLookupSQL(kind, false, 150000));
    for (const auto &p : params)
        q.ParamByName(p.first).setAsString(p.second);
    q.Open();
    QStringList rows;
    for (q.First(); !q.Eof(); q.Next()) {
        QStringList cells;
        for (int i = 0; i < q.FieldCount(); ++i)
            cells << q.Fields(i).AsString();
        rows << cells.join('|');
    }
    q.Close();
    return rows;
}

} // namespace

TEST(ObjectLookupOnServer, FindsEveryKindOfObject)
{
    tvtest::TestDb db("lookup");
    TV_REQUIRE_DB(db);
    db.exec(R"SQL(
        CREATE SCHEMA app;
        CREATE TABLE app.emp (id int PRIMARY KEY, name varchar(20), amt numeric(10,2),
                              CONSTRAINT amt_chk CHECK (amt >= 0));
        COMMENT ON COLUMN app.emp.name IS 'full name';
        CREATE INDEX emp_name ON app.emp (name);
        CREATE VIEW app.emp_v AS SELECT id, name FROM app.emp;
        CREATE MATERIALIZED VIEW app.emp_mv AS SELECT id, amt FROM app.emp;
        CREATE FUNCTION app.calc(a int) RETURNS int AS $$ SELECT a $$ LANGUAGE sql;
        CREATE FUNCTION app.calc(a text) RETURNS int AS $$ SELECT 1 $$ LANGUAGE sql;
        CREATE TYPE app.mood AS ENUM ('ok', 'bad');
        CREATE FUNCTION app.trgfn() RETURNS trigger AS $$ BEGIN RETURN NEW; END $$ LANGUAGE plpgsql;
        CREATE TRIGGER emp_trg BEFORE INSERT ON app.emp FOR EACH ROW EXECUTE FUNCTION app.trgfn();
        CREATE SEQUENCE app.emp_seq;
        CREATE RULE emp_rule AS ON UPDATE TO app.emp DO ALSO NOTIFY emp_changed;
        CREATE AGGREGATE app.total(int) (SFUNC = int4pl, STYPE = int);
        CREATE SCHEMA pgagent;
        CREATE SCHEMA pgx;
    )SQL");
    tv::db::Connection conn(paramsOf(db));
    conn.Open();

    const struct {
        int kind;
        const char *param;
        const char *name;
    } found[] = {
        {0, "TBLNM", "emp"},     {1, "VIWNM", "emp_v"},   {3, "IDXNM", "emp_name"}, {4, "FNCNM", "calc"},
        {5, "TYPNM", "mood"},    {6, "TRGNM", "emp_trg"}, {7, "SEQNM", "emp_seq"},  {8, "CONNM", "amt_chk"},
        {9, "RULENM", "emp_rule"}, {10, "MVIWNM", "emp_mv"}, {11, "AGRGNM", "total"},
    };
    for (const auto &f : found) {
        const QStringList rows = runLookup(conn, f.kind, {{"OWNER", "app"}, {f.param, f.name}});
        EXPECT_EQ(rows, QStringList{QString::fromLatin1(f.name)}) << "kind " << f.kind;
        // The same name in another schema, or another kind's name, is not found.
        EXPECT_TRUE(runLookup(conn, f.kind, {{"OWNER", "public"}, {f.param, f.name}}).isEmpty()) << f.kind;
    }
    EXPECT_TRUE(runLookup(conn, 0, {{"OWNER", "app"}, {"TBLNM", "emp_v"}}).isEmpty());
    EXPECT_TRUE(runLookup(conn, 4, {{"OWNER", "app"}, {"FNCNM", "total"}}).isEmpty());

    // Schemas: user schemas beginning with "pg" are found, system ones are not
    // (pg_catalog excepted).
    for (const char *schema : {"app", "pgagent", "pgx", "pg_catalog"})
        EXPECT_EQ(runLookup(conn, 2, {{"SCHNM", schema}}), QStringList{schema}) << schema;
    for (const char *schema : {"pg_toast", "information_schema_x"})
        EXPECT_TRUE(runLookup(conn, 2, {{"SCHNM", schema}}).isEmpty()) << schema;

    const QStringList objects = runLookup(conn, 16, {{"OWNER", "app"}});
    const QStringList expected = {
        "emp|TABLE|1",          "emp_v|VIEW|2",         "emp_name|INDEX|3",      "emp_pkey|INDEX|3",
        "calc|FUNCTION|4",      "trgfn|FUNCTION|4",     "mood|TYPE|5",           "emp_trg|TRIGGER|6",
        "emp_seq|SEQUENCE|7",   "amt_chk|CONSTRAINT|8", "emp_pkey|CONSTRAINT|8", "_RETURN|RULE|9",
        "emp_rule|RULE|9",      "emp_mv|MATERIALIZED VIEW|10", "total|AGGREGATE|11",
    };
    EXPECT_EQ(objects.join(" / ").toStdString(), expected.join(" / ").toStdString());

    // Columns with their type data; a materialized view's come from its own branch.
    EXPECT_EQ(runLookup(conn, 17, {{"OWNER", "app"}, {"TBLNM", "emp"}}).join(" / ").toStdString(),
              "id|int4||32|0|||1 / name|varchar|20||||full name|2 / amt|numeric||10|2|||3");
    EXPECT_EQ(runLookup(conn, 17, {{"OWNER", "app"}, {"TBLNM", "emp_mv"}}).join(" / ").toStdString(),
              "id|integer|0|0|0|||1 / amt|numeric|0|0|0|||2");
    EXPECT_EQ(runLookup(conn, 18, {{"OWNER", "app"}, {"TBLNM", "emp"}}), QStringList{"id"});
}
