// Name lists, the object tree and the object-list statements: as SQL text for
// other server versions and EnterpriseDB, against the test server for 15.
#include "ModalSteps.h"
#include "ShellTestSupport.h"

#include "controls/tvTreeView.h"
#include "platform/db/Query.h"
#include "platform/settings/tvRegistry.h"
#include "shell/NameListSQL.h"
#include "shell/ObjectListSQL.h"
#include "shell/ObjectTreePlan.h"
#include "shell/frmProject.h"

#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '{' << l.join(QStringLiteral(", ")).toStdString() << '}';
}

namespace {

const char *const AllKinds[] = {"TABLE", "INDEX",   "VIEW",     "PROCEDURE",  "FUNCTION", "PACKAGE",
                                "TYPE",  "TRIGGER", "SEQUENCE", "SYNONYM",    "MATERIALIZED VIEW",
                                "CONSTRAINT", "RULE", "AGGREGATE"};

QStringList Texts(const TObjectTreeNode &n)
{
    QStringList t;
    for (const TObjectTreeNode &c : n.Children)
        t << c.Text;
    return t;
}

QStringList Texts(const QTreeWidgetItem *n)
{
    QStringList t;
    for (int i = 0; n && i < n->childCount(); ++i)
        t << n->child(i)->text(0);
    return t;
}

TfrmObject *Logon(ShellSession &s, const DbParams &p, const QString &schema = QString())
{
    s.Start(LogonArgs(p, schema));
    s.FirstPaint();
    return s.Form();
}

QStringList Rows(TfrmObject *f, const QString &sql, int column)
{
    QStringList out;
    tv::db::Query &q = f->OpenSQL(sql);
    for (q.First(); !q.Eof(); q.Next())
        out << q.Fields(column).AsString();
    return out;
}

} // namespace

// --- name lists ---------------------------------------------------------------

TEST(NameLists, DataTypesUsersObjectsAndSchemas)
{
    TestDb db("names");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TYPE public.mood AS ENUM ('sad', 'ok');"
            "CREATE SCHEMA pgagent; CREATE TABLE pgagent.jobs(id int); CREATE TABLE public.t1(id int);"
            "CREATE VIEW public.v1 AS SELECT 1 AS x; CREATE FUNCTION public.f1() RETURNS int LANGUAGE sql AS 'SELECT 1';"
            "DROP ROLE IF EXISTS zz_logon_nologin; CREATE ROLE zz_logon_nologin NOLOGIN");
    ShellSession s;
    TfrmObject *f = Logon(s, db.params(), QStringLiteral("pgagent"));
    ASSERT_NE(f, nullptr) << s.dialogs.texts().join('\n').toStdString();
    // A user schema that begins with "pg" is no system schema: listed and chosen.
    EXPECT_EQ(f->dbsMain().Params().MetaDefSchema, QStringLiteral("pgagent"));
    QStringList list{"stale"};
    f->GetSchemaInfo(list, false);
    EXPECT_TRUE(list.contains(QStringLiteral("pgagent")));
    EXPECT_FALSE(list.contains(QStringLiteral("pg_toast")));

    f->GetDataType(list, 0);
    for (const char *name : {"public.mood", "public.mood[]", "timestamp(6) without time zone", "smallserial",
                             "interval DAY TO SECOND[]", "integer"})
        EXPECT_TRUE(list.contains(QString::fromUtf8(name))) << name;
    for (const char *name : {"void", "trigger", "timestamp without time zone", "record"})
        EXPECT_FALSE(list.contains(QString::fromUtf8(name))) << name;
    EXPECT_LT(list.indexOf(QStringLiteral("smallserial")), list.indexOf(QStringLiteral("public.mood")));

    f->GetUser(list, true);
    EXPECT_EQ(list.last(), QStringLiteral("public"));
    EXPECT_TRUE(list.contains(db.params().user));
    f->GetRole(list);
    EXPECT_TRUE(list.contains(QStringLiteral("zz_logon_nologin")));
    f->GetTBS(list);
    EXPECT_TRUE(list.contains(QStringLiteral("pg_default")));

    const struct {
        const char *schema, *type;
        QStringList names;
    } objects[] = {
        {"public", "TABLE", {"t1"}},   {"pgagent", "TABLE", {"jobs"}}, {"public", "VIEW", {"v1"}},
        {"public", "FUNCTION", {"f1"}}, {"public", "TYPE", {"mood"}},  {"", "TABLE", {}},
        {"public", "PROCEDURE", {}},
    };
    for (const auto &o : objects) {
        SCOPED_TRACE(std::string(o.schema) + "/" + o.type);
        f->GetObject(list, QString::fromLatin1(o.schema), QString::fromLatin1(o.type));
        EXPECT_EQ(list, o.names);
    }
    EXPECT_THROW(f->GetObject(list, QStringLiteral("public"), QStringLiteral("PACKAGE")), tv::Error);
    db.exec("DROP ROLE zz_logon_nologin");
}

TEST(NameLists, StatementTexts)
{
    EXPECT_TRUE(ObjectNameListSQL(QStringLiteral("FUNCTION"), 100000, true).contains(QStringLiteral("Prc.protype = '0'")));
    EXPECT_FALSE(ObjectNameListSQL(QStringLiteral("TABLE"), 150000, true).contains(QStringLiteral("protype")));
    EXPECT_TRUE(ObjectNameListSQL(QStringLiteral("SEQUENCE"), 150000, false)
                    .endsWith(QStringLiteral("AND   n.nspname = :SCHEMA ORDER BY      c.relname")));
    EXPECT_TRUE(ObjectNameListSQL(QStringLiteral("PACKAGE BODY"), 150000, true)
                    .contains(QStringLiteral("WHERE Nms.nspname = :SCHEMA")));
    EXPECT_TRUE(ObjectNameListSQL(QStringLiteral("PACKAGE"), 150000, true).isEmpty());
    EXPECT_EQ(FilterDataTypeNames({"void", "time with time zone[]", "text"}),
              QStringList({"time(6) with time zone[]", "text"}));
}

// --- object tree --------------------------------------------------------------

TEST(ObjectTree, KindsGatesAndSchemaFilters)
{
    TObjectTreeSettings s;
    s.Database = QStringLiteral("db");
    s.Schemas = {"public", "information_schema", "pg_catalog", "pg_temp", "pg_toast", "Zeta"};
    s.LoginSchema = QStringLiteral("public");
    s.DBVer = 90200;
    TObjectTreeNode root = BuildObjectTreePlan(s);
    EXPECT_EQ(Texts(root), QStringList({"information_schema", "pg_catalog", "pg_temp", "pg_toast", "public", "Zeta"}));
    EXPECT_EQ(Texts(root.Children[4]),
              QStringList({"TABLE", "INDEX", "VIEW", "FUNCTION", "TYPE", "TRIGGER", "SEQUENCE", "CONSTRAINT", "RULE"}));
    EXPECT_EQ(Texts(root.Children[2]), QStringList{"TABLE"});
    EXPECT_EQ(Texts(root.Children[3]), QStringList({"TABLE", "INDEX"}));
    EXPECT_TRUE(root.Children[4].Select);
    EXPECT_EQ(root.Children[4].Image, 126);
    EXPECT_EQ(root.Children[5].Image, 4);

    s.DBVer = 90300;
    EXPECT_TRUE(Texts(BuildObjectTreePlan(s).Children[4]).contains(QStringLiteral("MATERIALIZED VIEW")));
    EXPECT_FALSE(Texts(BuildObjectTreePlan(s).Children[4]).contains(QStringLiteral("AGGREGATE")));
    s.IsEdb = true;
    s.Hidden = {46};
    EXPECT_EQ(Texts(BuildObjectTreePlan(s).Children[4]),
              QStringList({"TABLE", "VIEW", "PROCEDURE", "FUNCTION", "PACKAGE", "TYPE", "TRIGGER", "SEQUENCE",
                           "SYNONYM", "MATERIALIZED VIEW", "CONSTRAINT", "RULE"}));
    s.IsEdb = false;
    s.Hidden.clear();

    s.UserFirst = true;
    EXPECT_EQ(Texts(BuildObjectTreePlan(s)).first(), QStringLiteral("public"));
    s.Disp = 1;
    s.LoginSchema = QStringLiteral("gone");
    EXPECT_TRUE(BuildObjectTreePlan(s).Children.isEmpty());
    s.Disp = 2;
    EXPECT_EQ(BuildObjectTreePlan(s).Children.size(), 6); // an empty configured list shows every schema
    s.Configured = {"PUBLIC", "zeta"};
    EXPECT_EQ(Texts(BuildObjectTreePlan(s)), QStringList({"public", "Zeta"}));

    // Kinds above schemas: "PUBLIC" under SYNONYM only when configured.
    s.KindFirst = true;
    s.IsEdb = true;
    s.Disp = 0;
    root = BuildObjectTreePlan(s);
    EXPECT_TRUE(root.Select);
    EXPECT_EQ(Texts(root.Children[0]).size(), 6);
    EXPECT_EQ(Texts(root.Children[1]), QStringList({"information_schema", "pg_catalog", "pg_toast", "public", "Zeta"}));
    const int synonym = int(Texts(root).indexOf(QStringLiteral("SYNONYM")));
    ASSERT_GE(synonym, 0);
    EXPECT_EQ(Texts(root.Children[synonym]).last(), QStringLiteral("PUBLIC"));
    s.Configured.clear();
    EXPECT_NE(Texts(BuildObjectTreePlan(s).Children[synonym]).last(), QStringLiteral("PUBLIC"));
}

TEST(ObjectTree, OnTheServerInBothOrdersWithTheSchemaChooser)
{
    TestDb db("tree");
    TV_REQUIRE_DB(db);
    // A database whose name holds "/" keeps its tree settings under one key.
    const std::string name = "tv/tree_" + std::to_string(QCoreApplication::applicationPid());
    db.exec("CREATE DATABASE \"" + name + "\"");
    auto p = db.params();
    p.database = QString::fromStdString(name);
    {
        ShellSession s;
        TfrmObject *f = Logon(s, p);
        ASSERT_NE(f, nullptr) << s.dialogs.texts().join('\n').toStdString();
        const QTreeWidgetItem *root = f->tvTree->topLevelItem(0);
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->text(0), p.database);
        EXPECT_EQ(TfrmObject::NodeImage(root), 1);
        const QTreeWidgetItem *pub = Child(root, QStringLiteral("public"));
        ASSERT_NE(pub, nullptr);
        EXPECT_EQ(Texts(pub), QStringList({"TABLE", "INDEX", "VIEW", "PROCEDURE", "FUNCTION", "TYPE", "TRIGGER",
                                           "SEQUENCE", "MATERIALIZED VIEW", "CONSTRAINT", "RULE", "AGGREGATE"}));
        EXPECT_EQ(TfrmObject::NodeImage(pub), 126);
        EXPECT_EQ(TfrmObject::NodeImage(pub->child(0)), 45);
        EXPECT_EQ(f->tvTree->currentItem(), pub);
        EXPECT_EQ(Texts(Child(root, QStringLiteral("pg_toast"))), QStringList({"TABLE", "INDEX"}));
        EXPECT_EQ(TfrmObject::NodeImage(Child(root, QStringLiteral("pg_catalog"))), 4);

        tvOption.TreeSort = 1;
        f->ShowTree();
        root = f->tvTree->topLevelItem(0);
        EXPECT_EQ(Texts(root).first(), QStringLiteral("TABLE"));
        EXPECT_TRUE(Texts(Child(root, QStringLiteral("TABLE"))).contains(QStringLiteral("pg_toast")));
        EXPECT_FALSE(Texts(Child(root, QStringLiteral("VIEW"))).contains(QStringLiteral("pg_toast")));
        EXPECT_EQ(f->tvTree->currentItem(), root);

        // The chooser: nothing checked cannot be confirmed; then "public".
        ModalSteps steps({{QStringLiteral("frmProject"), [&](QWidget *w) {
                               auto *d = qobject_cast<TfrmProject *>(w);
                               QTest::mouseClick(d->btnOk, Qt::LeftButton);
                               EXPECT_TRUE(d->isVisible());
                               const auto items = d->chkUserList->findItems(QStringLiteral("public"), Qt::MatchExactly);
                               ASSERT_EQ(items.size(), 1);
                               items[0]->setCheckState(Qt::Checked);
                               QTest::mouseClick(d->btnOk, Qt::LeftButton);
                           }}});
        EXPECT_TRUE(TfrmProject::ShowWindow(f, QString()));
        EXPECT_EQ(s.dialogs.texts(), QStringList{"所属するスキーマを最低一つは選択して下さい。"});
        tvOption.TreeSort = 0;
        f->Disp = 2;
        f->cmbTree->setCurrentIndex(2);
        f->ShowTree();
        EXPECT_EQ(Texts(f->tvTree->topLevelItem(0)), QStringList{"public"});
        ASSERT_TRUE(s.main->SubWindowOf(f)->close());

        auto &reg = tv::settings::tvRegistry();
        const QString key = QStringLiteral("\\Software\\Quenzor\\TVX19\\OBJECTTREE\\") +
                            tv::settings::EscapeKeyName(p.database);
        ASSERT_TRUE(reg.OpenKey(key, false));
        EXPECT_EQ(reg.GetInteger(QStringLiteral("Disp"), -1), 2);
        EXPECT_EQ(reg.GetString(QStringLiteral("Schema"), QString()), QStringLiteral("public\r\n"));
        reg.CloseKey();
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\OBJECTTREE"), false));
        EXPECT_EQ(reg.GetKeyNames().size(), 1);
        reg.CloseKey();
    }
    db.exec("DROP DATABASE \"" + name + "\"");
}

// --- object-list statements ----------------------------------------------------

TEST(ObjectListSQL, EveryStatementRunsOnVersion15)
{
    TestDb db("objsql");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE public.t1(id int PRIMARY KEY, v text CHECK (v <> ''));"
            "CREATE TABLE public.part(id int) PARTITION BY RANGE (id);"
            "CREATE TABLE public.part_1 PARTITION OF public.part FOR VALUES FROM (0) TO (10);"
            "CREATE VIEW public.v1 AS SELECT id FROM public.t1;"
            "CREATE MATERIALIZED VIEW public.mv1 AS SELECT id FROM public.t1;"
            "CREATE SEQUENCE public.s1;"
            "CREATE TYPE public.mood AS ENUM ('sad', 'ok');"
            "CREATE FUNCTION public.f1(a int, OUT b text) LANGUAGE sql AS 'SELECT ''x''';"
            "CREATE PROCEDURE public.p1() LANGUAGE sql AS 'SELECT 1';"
            "CREATE AGGREGATE public.agg1(int) (SFUNC = int4pl, STYPE = int);"
            "CREATE FUNCTION public.tf() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RETURN NEW; END';"
            "CREATE TRIGGER tr1 BEFORE INSERT ON public.t1 FOR EACH ROW EXECUTE FUNCTION public.tf();"
            "CREATE RULE r1 AS ON DELETE TO public.t1 DO INSTEAD NOTHING;");
    ShellSession s;
    TfrmObject *f = Logon(s, db.params());
    ASSERT_NE(f, nullptr);
    const struct {
        const char *kind;
        const char *name;
    } expected[] = {
        {"TABLE", "t1"},    {"INDEX", "t1_pkey"},  {"VIEW", "v1"},     {"PROCEDURE", "p1"},
        {"FUNCTION", "f1"}, {"TYPE", "mood"},      {"TRIGGER", "tr1"}, {"SEQUENCE", "s1"},
        {"MATERIALIZED VIEW", "mv1"}, {"CONSTRAINT", "t1_v_check"}, {"RULE", "r1"}, {"AGGREGATE", "agg1"},
    };
    for (const bool detail : {true, false}) {
        TObjectListQuery q;
        q.SchemaCondition = QStringLiteral("LIKE 'public'");
        q.DBName = db.params().database;
        q.DBVer = f->DBVer();
        q.TreeData = detail;
        for (const auto &e : expected) {
            SCOPED_TRACE(std::string(e.kind) + (detail ? " detailed" : " simple"));
            const QString sql = BuildObjectListSQL(QString::fromLatin1(e.kind), q);
            QStringList names;
            EXPECT_NO_THROW(names = Rows(f, sql, 1)) << sql.toStdString();
            EXPECT_TRUE(names.contains(QString::fromLatin1(e.name))) << names.join(',').toStdString();
            EXPECT_EQ(Rows(f, sql, 0).value(0), QString::fromLatin1(e.kind));
        }
        // A partitioned table and its partition are both tables; functions hold no procedures or aggregates.
        const QStringList tables = Rows(f, BuildObjectListSQL(QStringLiteral("TABLE"), q), 1);
        EXPECT_TRUE(tables.contains(QStringLiteral("part"))) << tables.join(',').toStdString();
        EXPECT_TRUE(tables.contains(QStringLiteral("part_1"))) << tables.join(',').toStdString();
        const QStringList functions = Rows(f, BuildObjectListSQL(QStringLiteral("FUNCTION"), q), 1);
        EXPECT_FALSE(functions.contains(QStringLiteral("p1")));
        EXPECT_FALSE(functions.contains(QStringLiteral("agg1")));
        // The database name is a literal, whatever it holds.
        q.NamePattern = QStringLiteral("t%");
        EXPECT_EQ(Rows(f, BuildObjectListSQL(QStringLiteral("TABLE"), q), 1), QStringList{"t1"});
        if (detail) {
            EXPECT_EQ(Rows(f, BuildObjectListSQL(QStringLiteral("TABLE"), q), 5), QStringList{"pg_default"});
        }
        q.DBName = QStringLiteral("it's");
        EXPECT_NO_THROW(Rows(f, BuildObjectListSQL(QStringLiteral("INDEX"), q), 1));
        q.NamePattern = QStringLiteral("%");
        const QStringList mixed = Rows(f, BuildObjectListSQL(QStringLiteral("%"), q), 0);
        for (const auto &e : expected)
            EXPECT_TRUE(mixed.contains(QString::fromLatin1(e.kind))) << e.kind;
        const QStringList mixedNames = Rows(f, BuildObjectListSQL(QStringLiteral("%"), q), 1);
        EXPECT_TRUE(mixedNames.contains(QStringLiteral("part")));
        EXPECT_TRUE(mixedNames.contains(QStringLiteral("part_1")));
    }
    // The name list of tables has them too.
    QStringList names;
    f->GetObject(names, QStringLiteral("public"), QStringLiteral("TABLE"));
    EXPECT_EQ(names, (QStringList{"part", "part_1", "t1"}));
}

// Foreign keys make internal triggers on both tables; only the user's own
// trigger is listed, in the trigger list and in the mixed list.
TEST(ObjectListSQL, InternalTriggersAreNotListed)
{
    TestDb db("objtrg");
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA app;"
            "CREATE TABLE app.dept(id int PRIMARY KEY);"
            "CREATE TABLE app.emp(id int PRIMARY KEY, dept_id int REFERENCES app.dept);"
            "CREATE FUNCTION app.tf() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RETURN NEW; END';"
            "CREATE TRIGGER emp_trg BEFORE INSERT ON app.emp FOR EACH ROW EXECUTE FUNCTION app.tf();");
    ShellSession s;
    TfrmObject *f = Logon(s, db.params(), QStringLiteral("app"));
    ASSERT_NE(f, nullptr);
    // The server does have the foreign key's triggers.
    EXPECT_EQ(Rows(f, QStringLiteral("SELECT count(*) FROM pg_trigger WHERE tgisinternal AND tgrelid IN "
                                     "('app.emp'::regclass, 'app.dept'::regclass)"), 0),
              QStringList{"4"});
    for (const bool detail : {true, false}) {
        SCOPED_TRACE(detail ? "detailed" : "simple");
        TObjectListQuery q;
        q.SchemaCondition = QStringLiteral("LIKE 'app'");
        q.DBName = db.params().database;
        q.DBVer = f->DBVer();
        q.TreeData = detail;
        EXPECT_EQ(Rows(f, BuildObjectListSQL(QStringLiteral("TRIGGER"), q), 1), QStringList{"emp_trg"});
        QStringList mixedTriggers;
        tv::db::Query &m = f->OpenSQL(BuildObjectListSQL(QStringLiteral("%"), q));
        for (m.First(); !m.Eof(); m.Next())
            if (m.Fields(0).AsString() == QLatin1String("TRIGGER"))
                mixedTriggers << m.Fields(1).AsString();
        EXPECT_EQ(mixedTriggers, QStringList{"emp_trg"});
    }
}

TEST(ObjectListSQL, OlderServersAndEnterpriseDBAsText)
{
    TObjectListQuery q;
    q.DBVer = 100000;
    EXPECT_FALSE(BuildObjectListSQL(QStringLiteral("FUNCTION"), q).contains(QStringLiteral("prokind")));
    const QString mixed10 = BuildObjectListSQL(QStringLiteral("%"), q);
    EXPECT_FALSE(mixed10.contains(QStringLiteral("'PROCEDURE'")));
    EXPECT_FALSE(mixed10.contains(QStringLiteral("prokind")));
    EXPECT_TRUE(mixed10.contains(QStringLiteral("'AGGREGATE'")));
    EXPECT_EQ(mixed10.count(QStringLiteral("\nUNION ALL\n")), 10);
    q.DBVer = 90300;
    EXPECT_FALSE(BuildObjectListSQL(QStringLiteral("FUNCTION"), q).contains(QStringLiteral("pg_aggregate")));
    EXPECT_FALSE(BuildObjectListSQL(QStringLiteral("%"), q).contains(QStringLiteral("'AGGREGATE'")));

    q.DBVer = 150000;
    q.IsEdb = true;
    EXPECT_TRUE(BuildObjectListSQL(QStringLiteral("FUNCTION"), q).contains(QStringLiteral("Prc.protype = '0'")));
    EXPECT_TRUE(BuildObjectListSQL(QStringLiteral("PROCEDURE"), q).contains(QStringLiteral("Prc.protype = '1'")));
    const QString mixedEdb = BuildObjectListSQL(QStringLiteral("%"), q);
    for (const char *kind : {"'PACKAGE'", "'SYNONYM'", "'PROCEDURE'"})
        EXPECT_TRUE(mixedEdb.contains(QString::fromLatin1(kind))) << kind;
    q.IsEdb = false;
    EXPECT_FALSE(BuildObjectListSQL(QStringLiteral("FUNCTION"), q).contains(QStringLiteral("protype")));

    // Triggers by the schema of their table or view.
    q.SchemaCondition = QStringLiteral("IN ('a', 'b')");
    q.NamePattern = QStringLiteral("x'y");
    const QString trg = BuildObjectListSQL(QStringLiteral("TRIGGER"), q);
    EXPECT_TRUE(trg.contains(QStringLiteral("TblShe.schemaname IN ('a', 'b')")));
    EXPECT_TRUE(trg.contains(QStringLiteral("OR  VieShe.schemaname IN ('a', 'b')")));
    EXPECT_TRUE(trg.endsWith(QStringLiteral("AND   TrgInf.tgname LIKE 'x''y'")));
    EXPECT_TRUE(BuildObjectListSQL(QStringLiteral("DATABASE LINK"), q).isEmpty());
    for (const char *kind : AllKinds)
        EXPECT_FALSE(BuildObjectListSQL(QString::fromLatin1(kind), q).contains(QStringLiteral("ORDER BY"))) << kind;
}
