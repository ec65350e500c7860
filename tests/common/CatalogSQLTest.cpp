// Catalog fragments and routine arguments: exact text for every server branch
// (old versions and EnterpriseDB cannot run here) and the version-15 branches
// run on the test server against objects of every kind.
#include "support/DbTestSupport.h"
#include "OptionGuard.h"
#include "common/CatalogSQL.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "support/TestDb.h"

#include <gtest/gtest.h>

namespace {

struct Parts {
    QString from, where;
};

Parts fragments(int code, bool edb, int version)
{
    Parts p;
    p.from = QStringLiteral("junk");
    p.where = QStringLiteral("junk");
    BuildObjectFromWhere(code, p.from, p.where, edb, version);
    return p;
}

using dbtest::paramsOf;

} // namespace

TEST(CatalogFragments, KeepTheirExactSpacing)
{
    const Parts t = fragments(45, false, 150000);
    EXPECT_TRUE(t.from.startsWith(" FROM pg_class            AS TblInf LEFT JOIN pg_namespace   AS TblNsp "
                                  " ON  TblNsp.oid          =   TblInf.relnamespace"))
        << t.from.toStdString();
    // Partitioned tables are tables from version 10 on.
    EXPECT_EQ(t.where, " WHERE  TblInf.relkind    IN  ('r', 'f', 't', 'p')");
    EXPECT_EQ(fragments(45, false, 100000).where, t.where);
    EXPECT_EQ(fragments(45, true, 90600).where, " WHERE  TblInf.relkind    IN  ('r', 'f', 't')");
    // The same for every server and flavour.
    EXPECT_EQ(fragments(45, true, 80400).from, t.from);
    // Internal triggers (foreign keys' and the like) are left out where the server marks them.
    EXPECT_EQ(fragments(57, false, 150000).where, " WHERE  NOT TrgInf.tgisinternal");
    EXPECT_EQ(fragments(57, true, 90000).where, " WHERE  NOT TrgInf.tgisinternal");
    EXPECT_TRUE(fragments(57, false, 80400).where.isEmpty());

    EXPECT_EQ(fragments(51, false, 90300).where, "WHERE 1 = 1");
    EXPECT_FALSE(fragments(51, false, 90300).from.contains("pg_aggregate"));
    EXPECT_EQ(fragments(51, false, 110000).where,
              "WHERE 1 = 1 AND  Prc.prokind = 'p' AND Agr.aggfnoid IS NULL");
    EXPECT_TRUE(fragments(51, false, 110000).from.endsWith(
        " LEFT JOIN pg_aggregate   AS Agr  ON  Prc.oid             =  Agr.aggfnoid"));
    EXPECT_EQ(fragments(51, true, 90600).where, "WHERE 1 = 1 AND Prc.protype = '1' AND Agr.aggfnoid IS NULL");
    EXPECT_EQ(fragments(52, true, 90600).where, "WHERE 1 = 1 AND Prc.protype = '0'  AND  Agr.aggfnoid IS NULL");
    EXPECT_EQ(fragments(52, false, 150000).where, "WHERE 1 = 1 AND Prc.prokind = 'f'  AND Agr.aggfnoid IS NULL");
    EXPECT_EQ(fragments(52, false, 90300).where, "WHERE 1 = 1");
    EXPECT_EQ(fragments(54, true, 90600).where, "WHERE pac.pkgbodysrc IS NOT null");
    EXPECT_EQ(fragments(58, false, 150000).where, " WHERE  C.relkind         = 'S'");
    EXPECT_EQ(fragments(128, false, 150000).where, " WHERE  Agr.aggfnoid      IS NOT NULL");

    for (int code : {53, 60, 64, 127}) {
        const Parts p = fragments(code, true, 150000);
        EXPECT_TRUE(p.where.isEmpty()) << code;
        EXPECT_TRUE(p.from.startsWith(" FROM ")) << code;
    }
    for (int code : {2, 3, 4, 48, 56, 99, 126, 129, -1}) {
        const Parts p = fragments(code, true, 150000);
        EXPECT_TRUE(p.from.isEmpty() && p.where.isEmpty()) << code;
    }
}

TEST(CatalogFragments, PackageSubqueries)
{
    const QString newer = EdbPackageSubquery(90200);
    EXPECT_TRUE(newer.startsWith(" ( SELECT oid         AS \"oid\" , nspname   AS \"pkgname\""));
    EXPECT_TRUE(newer.endsWith(" FROM pg_namespace WHERE (nspparent != 0) AND (nspobjecttype = 0) ) "));
    EXPECT_TRUE(EdbPackageSubquery(90199).endsWith(" WHERE nspparent != 0 ) "));
    EXPECT_EQ(fragments(53, true, 90600).from,
              " FROM " + EdbPackageSubquery(90600)
                  + "         AS pac LEFT JOIN pg_namespace   AS Nms  ON  pac.pkgnamespace    = Nms.oid"
                    " LEFT JOIN pg_roles       AS TblRol  ON  pac.pkgowner        = TblRol.oid");
    const QString elements = EdbPackageElementSubquery();
    EXPECT_TRUE(elements.startsWith(" ( SELECT varpackage::int8 AS \"packageoid\""));
    EXPECT_TRUE(elements.contains(" , varaccess      AS \"visibilty\""));
    EXPECT_TRUE(elements.endsWith(" WHERE pg_proc.pronamespace IN (SELECT oid FROM pg_namespace WHERE nspparent != 0) ) AS "));
}

TEST(FunctionSignature, ListsTheModesOfItsKind)
{
    tvtest::OptionGuard guard;
    tvOption.UseLowerName = true;
    auto arg = [](const char *mode, const char *schema, const char *type, bool order = false) {
        TFuncArgument a;
        a.strMode = mode;
        a.strSchema = schema;
        a.strTypeNaOri = type;
        a.blnOrder = order;
        return a;
    };
    const FncArgArray args = {arg("i", "pg_catalog", "int4"), arg("o", "pg_catalog", "text"),
                              arg("b", "app", "money_t"), arg("v", "lib", "Item"), arg("t", "pg_catalog", "bool")};
    const struct {
        int kind;
        const char *text;
    } cases[] = {
        {0, "\"int4\""},
        {1, "\"text\""},
        {2, "\"money_t\""},
        {3, "\"lib\".\"Item\""},
        {4, "\"bool\""},
        {5, "\"int4\",\"money_t\",\"lib\".\"Item\",\"bool\""},
        {6, "\"int4\",\"text\",\"money_t\",\"lib\".\"Item\",\"bool\""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FormatFunctionSignature(args, c.kind, "app"), QString::fromUtf8(c.text)) << c.kind;
    // Another default schema prints app's type with its schema.
    EXPECT_EQ(FormatFunctionSignature(args, 2, "public"), "\"app\".\"money_t\"");
    EXPECT_EQ(FormatFunctionSignature({arg("i", "pg_catalog", "int4")}, 1, "public"), "");

    // An ordered-set aggregate: the aggregated arguments after ORDER BY.
    const FncArgArray ordered = {arg("i", "pg_catalog", "float8"), arg("i", "pg_catalog", "anyelement", true)};
    EXPECT_EQ(FormatFunctionSignature(ordered, 5, "public"), "\"float8\" ORDER BY \"anyelement\"");

    tvOption.UseLowerName = false;
    EXPECT_EQ(FormatFunctionSignature(args, 5, "app"), "int4,money_t,lib.\"Item\",bool");
}

class CatalogOnServer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        db = new tvtest::TestDb("catalog");
        if (!db->available())
            return;
        db->exec(R"SQL(
            CREATE SCHEMA cat;
            CREATE TABLE cat.t1 (id int PRIMARY KEY, name varchar(20), amt numeric(10,2),
                                 CONSTRAINT chk CHECK (amt >= 0));
            COMMENT ON TABLE cat.t1 IS 'the table';
            CREATE INDEX idx1 ON cat.t1 (name);
            CREATE VIEW cat.v1 AS SELECT id, name FROM cat.t1;
            CREATE MATERIALIZED VIEW cat.mv1 AS SELECT id, amt FROM cat.t1;
            CREATE FUNCTION cat.f1(a int, OUT b text) AS $$ SELECT a::text $$ LANGUAGE sql;
            CREATE PROCEDURE cat.p1(x int) LANGUAGE sql AS $$ SELECT 1 $$;
            CREATE TYPE cat.e1 AS ENUM ('x', 'y');
            CREATE TYPE cat.c1 AS (a int, b text);
            CREATE FUNCTION cat.trgfn() RETURNS trigger AS $$ BEGIN RETURN NEW; END $$ LANGUAGE plpgsql;
            CREATE TRIGGER trg1 BEFORE INSERT ON cat.t1 FOR EACH ROW EXECUTE FUNCTION cat.trgfn();
            CREATE SEQUENCE cat.s1;
            CREATE RULE r1 AS ON UPDATE TO cat.t1 DO ALSO NOTIFY t1_changed;
            CREATE AGGREGATE cat.ag1(int) (SFUNC = int4pl, STYPE = int);
            CREATE FUNCTION cat.many(a1 text, a2 int, a3 cat.e1, a4 bool, a5 text, a6 date, a7 int8,
                                     a8 cat.c1, a9 numeric, a10 text) RETURNS int LANGUAGE sql AS $$ SELECT 1 $$;
            CREATE SCHEMA pgagent;
            CREATE TABLE pgagent.jobs (id int);
        )SQL");
    }
    static void TearDownTestSuite()
    {
        delete db;
        db = nullptr;
    }
    static tvtest::TestDb *db;
};
tvtest::TestDb *CatalogOnServer::db = nullptr;

TEST_F(CatalogOnServer, EveryVersion15FragmentRuns)
{
    TV_REQUIRE_DB(*db);
    const struct {
        int code;
        const char *columns;
        const char *schemaColumn;
        int count;
    } cases[] = {
        {45, "TblNsp.nspname, TblInf.relname, TblSpe.spcname, TblRol.rolname", "TblNsp.nspname", 1},
        {46, "N.nspname, C.relname, AM.amname, T.spcname, C2.relname, N2.nspname, D.description, TblRol.rolname",
         "N.nspname", 2},
        {47, "TblNsp.nspname, TblInf.relname, TblRol.rolname", "TblNsp.nspname", 1},
        {51, "Nms.nspname, Prc.proname, Typ.typname, TblRol.rolname, Agr.aggfnoid", "Nms.nspname", 1},
        {52, "Nms.nspname, Prc.proname, Typ.typname, TblRol.rolname, Agr.aggfnoid", "Nms.nspname", 3},
        {55, "N.nspname, T.typname, C.relname, TblRol.rolname", "N.nspname", 2},
        {57, "TrgInf.tgname, TblInf.relname, RefTblInf.relname, FncInf.proname, Nms.nspname, TblShe.tablename,"
             " VieShe.viewname, FncNms.nspname, TrgCom.description, TblRol.rolname",
         "Nms.nspname", 1},
        {58, "N.nspname, C.relname, TblRol.rolname", "N.nspname", 1},
        {61, "TblNsp.nspname, TblInf.relname, TblRol.rolname", "TblNsp.nspname", 1},
        {66, "ConNsp.nspname, ConInf.conname, TblInf.relname, TblNsp.nspname, TblRol.rolname", "ConNsp.nspname", 2},
        {127, "r.rulename, c.relname, ns.nspname, cm.description, TblRol.rolname", "ns.nspname", 3},
        {128, "Nms.nspname, Prc.proname, Typ.typname, Agr.aggfnoid", "Nms.nspname", 1},
    };
    for (const auto &c : cases) {
        QString from, where;
        BuildObjectFromWhere(c.code, from, where, false, 150000);
        const QString sql = QStringLiteral("SELECT count(*) FROM (SELECT %1%2 %3 %4 %5 = 'cat') AS q")
                                .arg(QString::fromLatin1(c.columns), from, where,
                                     where.isEmpty() ? QStringLiteral("WHERE") : QStringLiteral("AND"),
                                     QString::fromLatin1(c.schemaColumn));
        EXPECT_EQ(db->scalar(sql.toStdString()), std::to_string(c.count)) << c.code << ": " << sql.toStdString();
    }
}

TEST_F(CatalogOnServer, ReadsArgumentsInDeclarationOrder)
{
    TV_REQUIRE_DB(*db);
    tvtest::OptionGuard guard;
    tvOption.UseLowerName = true;
    tv::db::Connection conn(paramsOf(*db));
    conn.Open();
    tv::db::Query query(&conn);

    const qint64 f1 = QString::fromStdString(db->scalar("SELECT 'cat.f1(int)'::regprocedure::oid")).toLongLong();
    FncArgArray args;
    ASSERT_TRUE(LoadFunctionArguments(f1, query, args, 150000));
    EXPECT_FALSE(query.Active());
    ASSERT_EQ(args.size(), 2u);
    EXPECT_EQ(args[0].strMode, "i");
    EXPECT_EQ(args[1].strMode, "o");
    EXPECT_EQ(args[0].strArgName, "a");
    EXPECT_EQ(args[1].strArgName, "b");
    EXPECT_EQ(args[0].strSchema, "pg_catalog");
    EXPECT_EQ(args[0].strTypeNaOri, "int4");
    EXPECT_EQ(args[0].strTypeNaCon, "integer");
    EXPECT_EQ(args[1].strTypeNaOri, "text");
    EXPECT_EQ(FormatFunctionSignature(args, 5, "public"), "\"int4\"");

    // Many arguments of mixed types come back each with its own type.
    const qint64 many = QString::fromStdString(db->scalar("SELECT 'cat.many'::regproc::oid")).toLongLong();
    ASSERT_TRUE(LoadFunctionArguments(many, query, args, 150000));
    ASSERT_EQ(args.size(), 10u);
    EXPECT_EQ(FormatFunctionSignature(args, 6, "public"),
              "\"text\",\"int4\",\"cat\".\"e1\",\"bool\",\"text\",\"date\",\"int8\",\"cat\".\"c1\",\"numeric\",\"text\"");

    // An ordered-set aggregate marks its aggregated argument; no modes stored means "i".
    const qint64 pd = QString::fromStdString(
        db->scalar("SELECT 'percentile_disc(float8, anyelement)'::regprocedure::oid")).toLongLong();
    ASSERT_TRUE(LoadFunctionArguments(pd, query, args, 150000));
    ASSERT_EQ(args.size(), 2u);
    EXPECT_FALSE(args[0].blnOrder);
    EXPECT_TRUE(args[1].blnOrder);
    EXPECT_EQ(args[1].strMode, "i");
    EXPECT_EQ(FormatFunctionSignature(args, 5, "public"), "\"float8\" ORDER BY \"anyelement\"");

    // No such routine: an empty list, still true.
    ASSERT_TRUE(LoadFunctionArguments(1, query, args, 150000));
    EXPECT_TRUE(args.empty());
}
