// The trigger, privileges, dependency and policy models without a widget:
// DDL built from definitions, the reading of the server's trigger text,
// trigger arguments, the privileges grid and its statements, node texts,
// and (against the server) the loaders and the dependency reader.
#include "support/DbTestSupport.h"
#include "common/tvOption.h"
#include "objects/table/CrossReference.h"
#include "objects/table/GrantModel.h"
#include "objects/table/PolicyDefinition.h"
#include "objects/table/TriggerDefinition.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "support/TestDb.h"

#include <gtest/gtest.h>

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

QStringList L(std::initializer_list<const char *> lines)
{
    QStringList l;
    for (const char *s : lines)
        l << QString::fromUtf8(s);
    return l;
}

TTriggerDefinition Trigger()
{
    TTriggerDefinition d;
    d.Schema = QStringLiteral("s1");
    d.Name = QStringLiteral("trg1");
    d.TableName = QStringLiteral("t1");
    d.FuncSchema = QStringLiteral("s1");
    d.FuncName = QStringLiteral("fn");
    return d;
}

using dbtest::paramsOf;

} // namespace

// ---------------------------------------------------------------------------
// Trigger

TEST(TriggerDDL, CreateWritesTimingEventsAndArguments)
{
    TTriggerDefinition upd = Trigger();
    upd.Timing = ttAfter;
    upd.Update = true;
    upd.UpdateColumns = QStringLiteral("\"a\", \"b\"");
    upd.Truncate = true;
    TTriggerDefinition args = Trigger();
    args.Insert = true;
    args.Row = true;
    args.Args = {QStringLiteral("O'Brien"), QStringLiteral("a,b")};
    TTriggerDefinition cons = Trigger();
    cons.Constraint = true;
    cons.Timing = ttAfter;
    cons.Insert = cons.Delete = true;
    cons.Row = true;
    cons.RefSchema = QStringLiteral("s1");
    cons.RefTable = QStringLiteral("t2");
    cons.Deferrable = cons.InitiallyDeferred = true;
    cons.When = QStringLiteral("(new.id > 0)");
    const struct {
        const char *what;
        TTriggerDefinition def;
        QStringList lines;
    } cases[] = {
        {"update of and truncate", upd,
         L({"CREATE TRIGGER \"trg1\"", "AFTER UPDATE OF \"a\", \"b\" OR TRUNCATE ", "ON \"s1\".\"t1\"",
            "EXECUTE PROCEDURE \"s1\".\"fn\"()", ";"})},
        {"arguments quoted one by one", args,
         L({"CREATE TRIGGER \"trg1\"", "BEFORE INSERT ", "ON \"s1\".\"t1\"", "FOR EACH ROW",
            "EXECUTE PROCEDURE \"s1\".\"fn\"('O''Brien', 'a,b')", ";"})},
        {"constraint trigger", cons,
         L({"CREATE CONSTRAINT TRIGGER \"trg1\"", "AFTER INSERT OR DELETE ", "ON \"s1\".\"t1\"",
            "FROM \"s1\".\"t2\"", "DEFERRABLE ", "INITIALLY DEFERRED", "FOR EACH ROW", "WHEN (new.id > 0)",
            "EXECUTE PROCEDURE \"s1\".\"fn\"()", ";"})},
    };
    for (const auto &c : cases) {
        QStringList lines;
        TriggerDDL::Create(c.def, QStringLiteral("\"s1\"."), true, lines);
        EXPECT_EQ(lines, c.lines) << c.what;
    }
    EXPECT_EQ(TriggerDDL::Drop(QStringLiteral("s1"), QStringLiteral("trg1"), QStringLiteral("t1")),
              QStringLiteral(" DROP TRIGGER \"trg1\" ON \"s1\".\"t1\""));
}

TEST(TriggerDef, TimingAndEventsComeOnlyFromTheirClause)
{
    const struct {
        const char *def;
        TTriggerTiming timing;
        bool ins, upd, del, trunc, row;
        const char *when;
    } cases[] = {
        {"CREATE TRIGGER update_x BEFORE INSERT ON s1.t1 FOR EACH ROW EXECUTE FUNCTION s1.fn()", ttBefore, true,
         false, false, false, true, ""},
        {"CREATE TRIGGER \"after on update\" AFTER DELETE ON s1.\"update\" FOR EACH STATEMENT EXECUTE FUNCTION "
         "s1.fn('BEFORE INSERT')",
         ttAfter, false, false, true, false, false, ""},
        {"CREATE TRIGGER trg1 AFTER INSERT OR UPDATE OF a, \"on\" OR TRUNCATE ON s1.t1 FOR EACH STATEMENT EXECUTE "
         "FUNCTION s1.fn()",
         ttAfter, true, true, false, true, false, ""},
        {"CREATE TRIGGER w BEFORE UPDATE ON s1.t1 FOR EACH ROW WHEN ((new.note <> 'EXECUTE WHEN'::text)) EXECUTE "
         "FUNCTION s1.fn()",
         ttBefore, false, true, false, false, true, "((new.note <> 'EXECUTE WHEN'::text))"},
        {"CREATE TRIGGER v INSTEAD OF INSERT ON s1.v1 FOR EACH ROW EXECUTE FUNCTION s1.fn()", ttInstead, true, false,
         false, false, true, ""},
        {"CREATE CONSTRAINT TRIGGER c AFTER INSERT ON s1.t1 FROM s1.t2 DEFERRABLE INITIALLY DEFERRED FOR EACH ROW "
         "WHEN ((new.id > 0)) EXECUTE FUNCTION s1.fn()",
         ttAfter, true, false, false, false, true, "((new.id > 0))"},
    };
    for (const auto &c : cases) {
        const TTriggerClauses r = ParseTriggerDef(QString::fromUtf8(c.def));
        EXPECT_EQ(r.Timing, c.timing) << c.def;
        EXPECT_EQ(r.Insert, c.ins) << c.def;
        EXPECT_EQ(r.Update, c.upd) << c.def;
        EXPECT_EQ(r.Delete, c.del) << c.def;
        EXPECT_EQ(r.Truncate, c.trunc) << c.def;
        EXPECT_EQ(r.Row, c.row) << c.def;
        EXPECT_EQ(r.When, QString::fromUtf8(c.when)) << c.def;
    }
}

TEST(TriggerArgs, ShownAsLiteralsAndReadBack)
{
    const QByteArray tgargs("O'Brien\0a,b\0", 12);
    const QStringList args = SplitTriggerArgs(tgargs);
    EXPECT_EQ(args, QStringList({QStringLiteral("O'Brien"), QStringLiteral("a,b")}));
    const QString shown = FormatTriggerArgs(args);
    EXPECT_EQ(shown, QStringLiteral("'O''Brien', 'a,b'"));
    EXPECT_EQ(ParseTriggerArgs(shown), args);
    const struct {
        const char *text;
        QStringList args;
    } cases[] = {
        {"", {}},
        {"plain text", {QStringLiteral("plain text")}},
        {"'a' 'b'", {QStringLiteral("'a' 'b'")}},          // no list: one argument
        {"'unclosed, 'x'", {QStringLiteral("'unclosed, 'x'")}},
        {" '' , 'x' ", {QString(), QStringLiteral("x")}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ParseTriggerArgs(QString::fromUtf8(c.text)), c.args) << c.text;
    EXPECT_EQ(SplitTriggerArgs(QByteArray()), QStringList());
}

// ---------------------------------------------------------------------------
// Privileges

namespace {

TGrantModel TableGrants()
{
    TGrantModel m;
    m.Reset(45, QStringLiteral("s1"), QStringLiteral("t1"));
    m.AddRow(QStringLiteral("owner"), 3);
    m.AddRow(QStringLiteral("r1"), 2);
    m.AddRow(QStringLiteral("r2"), 2);
    m.AddRow(QStringLiteral("public"), 2);
    return m;
}

QStringList Cells(const TGrantModel &m, const char *row)
{
    return m.Rows[m.RowOf(QString::fromUtf8(row))].Current;
}

} // namespace

TEST(GrantModel, AclLoadsIntoCells)
{
    TGrantModel m = TableGrants();
    m.LoadAcl(true, QStringLiteral("owner"), true, QString());
    EXPECT_EQ(Cells(m, "owner"), QStringList(7, QStringLiteral("*")));
    EXPECT_EQ(Cells(m, "public"), QStringList(7, QString()));
    m.RemoveUnmarked();
    ASSERT_EQ(m.Rows.size(), 1);

    TGrantModel f;
    f.Reset(52, QStringLiteral("s1"), QStringLiteral("fn"), QStringLiteral("integer"));
    f.AddRow(QStringLiteral("owner"), 3);
    f.AddRow(QStringLiteral("public"), 2);
    f.LoadAcl(true, QStringLiteral("owner"), true, QString());
    EXPECT_EQ(Cells(f, "public"), QStringList({QStringLiteral("*")}));

    // DELETE INSERT REFERENCES SELECT TRIGGER TRUNCATE UPDATE
    TGrantModel a = TableGrants();
    a.LoadAcl(true, QStringLiteral("owner"), false,
              QStringLiteral("owner=arwdDxt/owner\r\n=r/owner\r\nr1=r*w/owner\r\nr2=D/r1"));
    EXPECT_EQ(Cells(a, "public"), L({"", "", "", "*", "", "", ""}));
    EXPECT_EQ(Cells(a, "r1"), L({"", "", "", "G", "", "", "*"}));
    EXPECT_EQ(Cells(a, "r2"), L({"", "", "", "", "", "*", ""}));   // D is TRUNCATE, not DELETE

    // Granted by another role than the owner.
    TGrantModel g = TableGrants();
    g.LoadAcl(true, QStringLiteral("owner"), false, QStringLiteral("r1=r*/r2"));
    EXPECT_EQ(Cells(g, "r1"), L({"", "", "", "G", "", "", ""}));

    TGrantModel none = TableGrants();
    none.LoadAcl(false, QString(), false, QString());
    none.RemoveUnmarked();
    EXPECT_TRUE(none.Rows.isEmpty());
}

TEST(GrantModel, ChangedCellsGiveGrantAndRevoke)
{
    TGrantModel m = TableGrants();
    m.LoadAcl(true, QStringLiteral("owner"), false, QStringLiteral("owner=arwdDxt/owner\r\nr2=r*/owner"));
    const int r1 = m.RowOf(QStringLiteral("r1"));
    const int r2 = m.RowOf(QStringLiteral("r2"));
    const int pub = m.RowOf(QStringLiteral("public"));
    QStringList none;
    m.GetSource(none);
    EXPECT_TRUE(none.isEmpty());

    m.Rows[r1].Current[3] = QStringLiteral("*");     // SELECT for r1
    m.Rows[r2].Current[3] = QStringLiteral("*");     // G turned *
    m.Rows[pub].Current[0] = QStringLiteral("G");    // public cannot hold the option
    m.Rows[m.RowOf(QStringLiteral("owner"))].Current[6].clear();
    QStringList s;
    m.GetSource(s);
    EXPECT_EQ(s, L({"REVOKE UPDATE ON TABLE \"s1\".\"t1\" FROM \"owner\"", ";",
                    "GRANT SELECT ON TABLE \"s1\".\"t1\" TO \"r1\"", ";",
                    "REVOKE SELECT ON TABLE \"s1\".\"t1\" FROM \"r2\"", ";",
                    "GRANT SELECT ON TABLE \"s1\".\"t1\" TO \"r2\"", ";",
                    "GRANT DELETE ON TABLE \"s1\".\"t1\" TO \"public\"", ";"}));

    TGrantModel f;
    f.Reset(52, QStringLiteral("s1"), QStringLiteral("fn"), QStringLiteral("integer, text"));
    f.AddRow(QStringLiteral("r1"), 2);
    f.Rows[0].Current[0] = QStringLiteral("G");
    QStringList fs;
    f.GetSource(fs);
    EXPECT_EQ(fs, L({"GRANT EXECUTE ON FUNCTION \"s1\".\"fn\"(integer, text) TO \"r1\" WITH GRANT OPTION", ";"}));
}

TEST(GrantModel, SelectionGraysMixedBoxesAndAppliesThem)
{
    TGrantModel m = TableGrants();
    m.LoadAcl(true, QStringLiteral("owner"), false, QStringLiteral("r1=r/owner"));
    const QList<int> both{m.RowOf(QStringLiteral("r1")), m.RowOf(QStringLiteral("r2"))};
    QList<int> left, right;
    m.SelectionStates(both, left, right);
    EXPECT_EQ(left[3], int(Qt::PartiallyChecked));
    EXPECT_EQ(left[0], int(Qt::Unchecked));
    EXPECT_EQ(right[3], int(Qt::Unchecked));
    left[3] = Qt::Checked;
    m.Apply(both, left, right);
    QStringList s;
    m.GetSource(s);
    EXPECT_EQ(s, L({"GRANT SELECT ON TABLE \"s1\".\"t1\" TO \"r2\"", ";"}));

    const int pub = m.RowOf(QStringLiteral("public"));
    EXPECT_FALSE(m.GrantOptionUsable({pub}));
    EXPECT_TRUE(m.GrantOptionUsable({pub, both[0]}));
    // A checked grant-option box gives public "*" and the other row "G".
    m.SelectionStates({pub, both[0]}, left, right);
    right[0] = Qt::Checked;
    left[0] = Qt::Checked;
    m.Apply({pub, both[0]}, left, right);
    EXPECT_EQ(Cells(m, "public")[0], QStringLiteral("*"));
    EXPECT_EQ(Cells(m, "r1")[0], QStringLiteral("G"));
}

// ---------------------------------------------------------------------------
// Policy

TEST(PolicyDDL, CreateAlterDrop)
{
    TPolicyDefinition d;
    d.Schema = QStringLiteral("s1");
    d.TableName = QStringLiteral("t1");
    d.Name = QStringLiteral("p1");
    d.Command = u'r';
    d.Using = QStringLiteral("owner = current_user");
    d.WithCheck = QStringLiteral("ignored for SELECT");
    QStringList c;
    PolicyDDL::Create(d, QStringLiteral("\"alice\""), c);
    EXPECT_EQ(c, L({"CREATE POLICY \"p1\" ON \"s1\".\"t1\"", "FOR SELECT", "TO \"alice\"", "USING (",
                    "owner = current_user", ")", ";"}));
    d.Restrictive = true;
    c.clear();
    PolicyDDL::Create(d, QString(), c);
    EXPECT_EQ(c, L({"CREATE POLICY \"p1\" ON \"s1\".\"t1\"", "AS RESTRICTIVE", "FOR SELECT", "USING (",
                    "owner = current_user", ")", ";"}));

    TPolicyDefinition ins = d;
    ins.Restrictive = false;
    ins.Command = u'a';
    ins.Using = QStringLiteral("x");
    ins.WithCheck = QStringLiteral("a > 0\nAND b > 0");
    c.clear();
    PolicyDDL::Create(ins, QString(), c);
    EXPECT_EQ(c, L({"CREATE POLICY \"p1\" ON \"s1\".\"t1\"", "FOR INSERT", "WITH CHECK (", "a > 0", "AND b > 0", ")",
                    ";"}));

    TPolicyDefinition blank = d;
    blank.Command = u'*';
    blank.Using = QStringLiteral("  \r\n\t");
    blank.WithCheck.clear();
    c.clear();
    PolicyDDL::Alter(blank, QString(), c);
    EXPECT_TRUE(c.isEmpty());      // nothing to alter
    PolicyDDL::Alter(blank, QStringLiteral("\"alice\", \"r1\""), c);
    EXPECT_EQ(c, L({"ALTER POLICY \"p1\" ON \"s1\".\"t1\"", "TO \"alice\", \"r1\"", ";"}));
    c.clear();
    PolicyDDL::Drop(d, c);
    EXPECT_EQ(c, L({"DROP POLICY \"p1\"", "ON \"s1\".\"t1\"", ";"}));

    QList<TPolicyRole> roles{{QStringLiteral("r9"), false, true}, {QStringLiteral("bob"), true, true},
                             {QStringLiteral("alice"), true, false}, {QStringLiteral("zed"), true, true}};
    EXPECT_EQ(PolicyRoleText(roles), QStringLiteral("\"bob\", \"zed\", \"r9\""));
    EXPECT_TRUE(PolicySQL::Policy(100000).contains(QStringLiteral("polpermissive")));
    EXPECT_FALSE(PolicySQL::Policy(90600).contains(QStringLiteral("polpermissive")));
}

// ---------------------------------------------------------------------------
// Dependency

TEST(CrossNodes, TextsByCodeAndBack)
{
    const struct {
        int code;
        const char *schema, *parent, *name, *args, *text;
    } cases[] = {
        {45, "s1", "", "t1", "", "s1.t1"},
        {52, "s1", "", "fn", "\"int4\",\"text\"", "s1.fn(\"int4\",\"text\")"},
        {54, "s1", "pkg", "p", "\"int4\"", "s1.pkg.p(\"int4\")"},
        {57, "s1", "t1", "trg1", "", "s1.t1.trg1"},
        {127, "s1", "v1", "r1", "", "s1.v1.r1"},
        {128, "s1", "", "agg", "", "s1.agg()"},
    };
    for (const auto &c : cases) {
        const QString text = FormatNodeText(c.code, QString::fromUtf8(c.schema), QString::fromUtf8(c.parent),
                                            QString::fromUtf8(c.name), QString::fromUtf8(c.args));
        EXPECT_EQ(text, QString::fromUtf8(c.text));
        const TNodeParts p = ParseNodeText(c.code, text);
        EXPECT_EQ(p.Schema, QString::fromUtf8(c.schema)) << c.text;
        EXPECT_EQ(p.Parent, QString::fromUtf8(c.parent)) << c.text;
        EXPECT_EQ(p.Name, QString::fromUtf8(c.name)) << c.text;
        EXPECT_EQ(p.Args, QString::fromUtf8(c.args)) << c.text;
    }
}

TEST(CrossSQL, ResolvePiecesByCatalogAndServer)
{
    QList<TRefObj> list;
    for (const char *cat : {"pg_class", "pg_proc", "pg_namespace", "pg_constraint"}) {
        TRefObj e;
        e.sCatalog = QString::fromUtf8(cat);
        e.nOid = 42;
        list << e;
    }
    const QString pg = CrossSQL::Resolve(list, 150000, false);
    EXPECT_EQ(pg.count(QStringLiteral(" UNION ALL ")), 1);       // no namespaces, no constraints
    EXPECT_TRUE(pg.contains(QStringLiteral("'AGGREGATE'")));
    EXPECT_FALSE(CrossSQL::Resolve(list, 90300, false).contains(QStringLiteral("pg_aggregate")));
    // EnterpriseDB: packages (as namespaces) and package bodies.
    const QString edb = CrossSQL::Resolve(list, 90600, true);
    EXPECT_EQ(edb.count(QStringLiteral(" UNION ALL ")), 2);
    EXPECT_TRUE(edb.contains(QStringLiteral("'PACKAGE BODY'")));
    EXPECT_TRUE(edb.contains(QStringLiteral("x.protype = '1'")));
    EXPECT_TRUE(edb.contains(QStringLiteral("(pac.nspparent != 0) AND (pac.nspobjecttype = 0)")));
    const QString old = CrossSQL::Resolve(list, 90100, true);
    EXPECT_TRUE(old.contains(QStringLiteral("WHERE pac.nspparent != 0 AND")));
    EXPECT_FALSE(old.contains(QStringLiteral("PACKAGE BODY")));
    EXPECT_TRUE(CrossSQL::Resolve({}, 150000, false).isEmpty());
    // Packages: the oid through the package subquery; their ACL likewise.
    EXPECT_TRUE(CrossSQL::ObjectOid(53, QStringLiteral("SELECT 1")).startsWith(
        QStringLiteral("SELECT x.oid::int8 FROM (SELECT 1) x")));
    EXPECT_TRUE(GrantAclSQL(54, QStringLiteral("SELECT 2")).contains(QStringLiteral("FROM (SELECT 2) pkg")));
    EXPECT_TRUE(GrantAclSQL(99).isEmpty());
}

// ---------------------------------------------------------------------------
// Against the server

class DependentModelsDb : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<tvtest::TestDb>("dep");
        if (!db->available())
            return;
        db->exec("CREATE SCHEMA s1;"
                 "CREATE TABLE s1.t1 (id serial, a int, b int, note text);"
                 "CREATE TABLE s1.t2 (id int, c int);"
                 "CREATE VIEW s1.v1 AS SELECT t1.id, t2.c FROM s1.t1, s1.t2 WHERE t1.id = t2.id;"
                 "CREATE FUNCTION s1.fn() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;"
                 "CREATE FUNCTION s1.f(a int) RETURNS int LANGUAGE sql AS 'SELECT 1';"
                 "CREATE FUNCTION s1.f(a text, b int) RETURNS int LANGUAGE sql AS 'SELECT 2';"
                 "CREATE TRIGGER trg1 AFTER UPDATE OF b, a ON s1.t1 FOR EACH ROW WHEN (new.note <> 'EXECUTE WHEN') "
                 "EXECUTE FUNCTION s1.fn('O''Brien', 'a,b');"
                 "CREATE INDEX i1 ON s1.t1 (a);"
                 "ALTER TABLE s1.t1 ENABLE ROW LEVEL SECURITY;"
                 "CREATE POLICY p1 ON s1.t1 AS RESTRICTIVE FOR SELECT TO PUBLIC USING (a > 0);");
        conn = std::make_unique<tv::db::Connection>(paramsOf(*db));
        conn->Open();
    }
    std::unique_ptr<tvtest::TestDb> db;
    std::unique_ptr<tv::db::Connection> conn;
};

TEST_F(DependentModelsDb, TriggerLoadsWhole)
{
    TV_REQUIRE_DB(*db);
    tv::db::Query q(conn.get());
    const auto d = LoadTriggerDefinition(q, QStringLiteral("s1"), QStringLiteral("trg1"), QStringLiteral("t1"));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->Timing, ttAfter);
    EXPECT_TRUE(d->Update);
    EXPECT_FALSE(d->Insert);
    EXPECT_TRUE(d->Row);
    EXPECT_EQ(d->UpdateColumns, QStringLiteral("\"b\", \"a\""));
    EXPECT_EQ(d->When, QStringLiteral("(new.note <> 'EXECUTE WHEN'::text)"));
    EXPECT_EQ(d->Args, QStringList({QStringLiteral("O'Brien"), QStringLiteral("a,b")}));
    EXPECT_EQ(d->FuncSchema, QStringLiteral("s1"));
    EXPECT_FALSE(LoadTriggerDefinition(q, QStringLiteral("s1"), QStringLiteral("nosuch"), QStringLiteral("t1")));

    // Dropped and created from its DDL, it reads back the same.
    QStringList lines;
    TriggerDDL::Create(*d, QStringLiteral("\"s1\"."), true, lines);
    const std::string before = db->scalar("SELECT encode(tgargs, 'hex') FROM pg_trigger WHERE tgname = 'trg1'");
    db->exec("DROP TRIGGER trg1 ON s1.t1;" + lines.join(u'\n').remove(QStringLiteral("\n;")).toStdString() + ";");
    EXPECT_EQ(db->scalar("SELECT encode(tgargs, 'hex') FROM pg_trigger WHERE tgname = 'trg1'"), before);
}

TEST_F(DependentModelsDb, CrossReaderTrees)
{
    TV_REQUIRE_DB(*db);
    TCrossReader r(*conn, conn->ServerVersionNum(), false);
    TCrossNode uses, usedBy;
    r.Fill(47, QStringLiteral("s1"), QStringLiteral("v1"), QString(), QString(), uses, usedBy);
    QStringList children;
    for (const TCrossNode &c : uses.Children)
        children << c.Text;
    children.sort();
    EXPECT_EQ(children, QStringList({QStringLiteral("s1.t1"), QStringLiteral("s1.t2")}));

    r.Fill(45, QStringLiteral("s1"), QStringLiteral("t2"), QString(), QString(), uses, usedBy);
    int views = 0;
    for (const TCrossNode &c : usedBy.Children)
        views += c.Text == QLatin1String("s1.v1") && c.Code == 47;
    EXPECT_EQ(views, 1);

    r.Fill(45, QStringLiteral("s1"), QStringLiteral("t1"), QString(), QString(), uses, usedBy);
    QStringList refs;
    for (const TCrossNode &c : uses.Children)
        refs << c.Text;
    EXPECT_TRUE(refs.contains(QStringLiteral("s1.t1_id_seq"))) << refs.join(u',').toStdString();
    EXPECT_FALSE(refs.contains(QStringLiteral("s1.t1")));
    QStringList by;
    for (const TCrossNode &c : usedBy.Children)
        by << QString::number(c.Code) + u':' + c.Text;
    EXPECT_TRUE(by.contains(QStringLiteral("46:s1.i1")));
    EXPECT_TRUE(by.contains(QStringLiteral("57:s1.t1.trg1")));
    r.Admitted = {QStringLiteral("TABLE"), QStringLiteral("VIEW"), QStringLiteral("TRIGGER")};
    r.Fill(45, QStringLiteral("s1"), QStringLiteral("t1"), QString(), QString(), uses, usedBy);
    for (const TCrossNode &c : usedBy.Children)
        EXPECT_NE(c.Code, 46) << c.Text.toStdString();

    r.Admitted.clear();
    r.Fill(57, QStringLiteral("s1"), QStringLiteral("trg1"), QStringLiteral("t1"), QString(), uses, usedBy);
    EXPECT_EQ(uses.Text, QStringLiteral("s1.t1.trg1"));
    QStringList trg;
    for (const TCrossNode &c : uses.Children)
        trg << c.Text;
    trg.sort();
    EXPECT_EQ(trg, QStringList({QStringLiteral("s1.fn()"), QStringLiteral("s1.t1")}));

    // CrossLevel 1: children only.
    r.CrossLevel = 1;
    r.Fill(47, QStringLiteral("s1"), QStringLiteral("v1"), QString(), QString(), uses, usedBy);
    for (const TCrossNode &c : uses.Children)
        EXPECT_TRUE(c.Children.isEmpty());

    // Overloads told apart by their argument types.
    EXPECT_EQ(r.GetFunctionArgTypes(r.FindFunctionOid(QStringLiteral("s1"), QStringLiteral("f"),
                                                      QStringLiteral("\"text\",\"int4\""))),
              QStringLiteral("\"text\",\"int4\""));
    EXPECT_EQ(r.FindFunctionOid(QStringLiteral("s1"), QStringLiteral("f"), QStringLiteral("\"bool\"")), 0);
    EXPECT_GT(r.FindFunctionOid(QStringLiteral("s1"), QStringLiteral("fn"), QStringLiteral("whatever")), 0);
}

TEST_F(DependentModelsDb, PolicyLoadsRestrictive)
{
    TV_REQUIRE_DB(*db);
    tv::db::Query q(conn.get());
    const auto p = LoadPolicyDefinition(q, QStringLiteral("s1"), QStringLiteral("t1"), QStringLiteral("p1"),
                                        conn->ServerVersionNum());
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->Restrictive);
    EXPECT_EQ(p->Command, QChar(u'r'));
    EXPECT_EQ(p->Using, QStringLiteral("(a > 0)"));
    EXPECT_EQ(p->RoleOids, QStringLiteral("0"));
    const QList<TPolicyRole> roles = LoadPolicyRoles(q, p->RoleOids);
    EXPECT_TRUE(PolicyRoleText(roles).isEmpty());
    EXPECT_FALSE(LoadPolicyDefinition(q, QStringLiteral("s1"), QStringLiteral("t1"), QStringLiteral("nosuch"),
                                      conn->ServerVersionNum()));
}
