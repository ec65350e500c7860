// The object list of the connection window: columns, scope and conditions
// as pure functions; the lists themselves against the test server.
#include "ShellTestSupport.h"

#include "controls/frmPrint.h"
#include "controls/tvListView.h"
#include "controls/tvPrinter.h"
#include "controls/tvTreeView.h"
#include "platform/Errors.h"
#include "platform/settings/tvRegistry.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectDispatcher.h"
#include "shell/ObjectListModel.h"

#include <QLineEdit>
#include <QRegularExpression>

using namespace tvtest;

namespace {

QStringList Names(const QList<TObjectListColumn> &cols)
{
    QStringList n;
    for (const TObjectListColumn &c : cols)
        n << c.ValueName;
    return n;
}

} // namespace

TEST(ObjectListModel, ColumnsOfEachList)
{
    const QList<TObjectListColumn> table = ObjectListColumns(QStringLiteral("TABLE"), true);
    ASSERT_EQ(table.size(), 12);
    EXPECT_EQ(table[3].Caption, QStringLiteral("OID"));
    EXPECT_EQ(table[3].ValueName, QStringLiteral("TABLE3"));
    EXPECT_EQ(table[3].Alignment, Qt::AlignRight);
    EXPECT_EQ(table[5].Caption, QStringLiteral("サイズ(KB)"));
    EXPECT_EQ(table[5].Alignment, Qt::AlignRight);
    EXPECT_EQ(table[6].Alignment, Qt::AlignHCenter);
    EXPECT_EQ(table[11].Width, 200);

    // Materialized views and aggregates read the widths of views and functions.
    EXPECT_EQ(Names(ObjectListColumns(QStringLiteral("MATERIALIZED VIEW"), true)),
              QStringList({"VIEW0", "VIEW1", "VIEW2", "VIEW3", "VIEW4", "VIEW5"}));
    EXPECT_EQ(Names(ObjectListColumns(QStringLiteral("AGGREGATE"), true)).last(), QStringLiteral("FUNCTION7"));
    EXPECT_EQ(Names(ObjectListColumns(QStringLiteral("PROCEDURE"), true)).last(), QStringLiteral("PROCEDURE7"));
    const QList<TObjectListColumn> seq = ObjectListColumns(QStringLiteral("SEQUENCE"), true);
    EXPECT_EQ(seq[8].Caption, QStringLiteral("サイクル"));
    EXPECT_EQ(seq[8].Alignment, Qt::AlignRight);

    EXPECT_EQ(Names(ObjectListColumns(QStringLiteral("%"), true)),
              QStringList({"SOURCE0", "SOURCE1", "SOURCE2", "SOURCE6", "SOURCE3", "SOURCE3", "SOURCE4", "SOURCE7",
                           "SOURCE5"}));
    EXPECT_EQ(ObjectListColumns(QStringLiteral("%"), false).size(), 8);
    EXPECT_EQ(Names(ObjectListColumns(QStringLiteral("CONSTRAINT"), false)),
              QStringList({"SOURCE0", "SOURCE1", "SOURCE2", "SOURCE2", "SOURCE3", "SOURCE7", "SOURCE5"}));
    EXPECT_EQ(ObjectListColumns(QStringLiteral("FUNCTION"), false)[3].Caption, QStringLiteral("引数"));

    EXPECT_EQ(ObjectListViewType(QStringLiteral("TABLE"), true), QStringLiteral("TABLE"));
    EXPECT_EQ(ObjectListViewType(QStringLiteral("TABLE"), false), QStringLiteral("SOURCE"));
    EXPECT_EQ(ObjectListViewType(QStringLiteral("%"), true), QStringLiteral("SOURCE"));
}

TEST(ObjectListModel, ScopeOfATreeNode)
{
    const QString login = QStringLiteral("app");
    const struct {
        int level;
        bool kindFirst;
        const char *node, *parent;
        int disp;
        bool list;
        const char *type, *schema;
    } cases[] = {
        {0, false, "db", "", 0, true, "%", "%"},
        {0, false, "db", "", 1, true, "%", "app"},
        {1, false, "s1", "db", 1, true, "%", "s1"},
        {1, true, "TABLE", "db", 1, true, "TABLE", "app"},
        {1, true, "TABLE", "db", 2, true, "TABLE", "%"},
        {2, false, "TABLE", "s1", 0, true, "TABLE", "s1"},
        {2, true, "s1", "INDEX", 0, true, "INDEX", "s1"},
    };
    for (const auto &c : cases) {
        const TObjectNodeScope s = ObjectNodeScope(c.level, c.kindFirst, QString::fromUtf8(c.node),
                                                   QString::fromUtf8(c.parent), c.disp, login, true, true);
        EXPECT_EQ(s.List, c.list) << c.level << c.node;
        EXPECT_EQ(s.TypeText, QString::fromUtf8(c.type)) << c.level << c.node;
        EXPECT_EQ(s.SchemaText, QString::fromUtf8(c.schema)) << c.level << c.node;
    }
    EXPECT_FALSE(ObjectNodeScope(0, false, "db", "", 0, login, false, true).List);
    EXPECT_FALSE(ObjectNodeScope(1, false, "s1", "db", 0, login, true, false).List);
    EXPECT_TRUE(ObjectNodeScope(2, false, "TABLE", "s1", 0, login, false, false).List);
}

TEST(ObjectListModel, SchemaConditionAndNamePattern)
{
    EXPECT_EQ(ObjectListSchemaCondition("pg_temp", 0, {}), QStringLiteral("LIKE 'pg_temp%'"));
    EXPECT_EQ(ObjectListSchemaCondition("pg_toast_temp", 0, {}), QStringLiteral("LIKE 'pg_toast_temp%'"));
    EXPECT_EQ(ObjectListSchemaCondition("o'k", 0, {}), QStringLiteral("LIKE 'o''k'"));
    EXPECT_EQ(ObjectListSchemaCondition("%", 2, {"a", "b'c"}), QStringLiteral("IN ('a','b''c')"));
    EXPECT_EQ(ObjectListSchemaCondition("%", 2, {}), QStringLiteral("LIKE '%'"));
    EXPECT_EQ(ObjectListSchemaCondition("%", 1, {"a"}), QStringLiteral("LIKE '%'"));
    EXPECT_EQ(ObjectListSchemaCondition("s", 2, {"a"}), QStringLiteral("LIKE 's'"));

    const struct {
        bool find, findAuto;
        const char *text;
        bool grep;
        const char *pattern;
    } cases[] = {
        {true, true, " emp ", false, "%emp%"}, {true, true, "e%p", false, "e%p"}, {true, false, "emp", false, "emp"},
        {false, true, "emp", false, "%"},      {true, true, "emp", true, "%"},    {true, true, "", false, "%"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ObjectListNamePattern(c.find, c.findAuto, QString::fromUtf8(c.text), c.grep),
                  QString::fromUtf8(c.pattern))
            << c.text;

    EXPECT_EQ(PushFindHistory({"a", "emp", "b"}, "emp"), QStringList({"emp", "a", "b"}));
    EXPECT_EQ(PushFindHistory({"a"}, "emp"), QStringList({"emp", "a"}));
    EXPECT_EQ(PushFindHistory({"Emp"}, "emp"), QStringList({"emp", "Emp"}));
}

TEST(ObjectListModel, SizesTriggersAndArguments)
{
    // Sizes are 64-bit: a 3 GiB table shows its size.
    EXPECT_EQ(FormatSizeKB(3LL * 1024 * 1024 * 1024), QStringLiteral("   3,145,728"));
    EXPECT_EQ(FormatSizeKB(0), QStringLiteral("           0"));
    EXPECT_EQ(FormatSizeKB(8192 * 1000), QStringLiteral("       8,000"));

    EXPECT_EQ(TriggerTiming("CREATE TRIGGER t AFTER INSERT OR UPDATE ON x"), QStringLiteral("AFTER"));
    EXPECT_EQ(TriggerTiming("create trigger t before delete on x"), QStringLiteral("BEFORE"));
    EXPECT_EQ(TriggerTiming("CREATE TRIGGER t INSTEAD OF DELETE ON v"), QStringLiteral("INSTEAD"));
    EXPECT_EQ(TriggerEvents("CREATE TRIGGER t AFTER UPDATE OR INSERT OR TRUNCATE ON x"),
              QStringLiteral("INSERT, UPDATE, TRUNCATE"));

    // Oids above 2^31 stay positive keys of the type map.
    TTypeMap types{{23, {"int4", "pg_catalog"}},
                   {25, {"text", "pg_catalog"}},
                   {3000000000LL, {"my type", "app"}},
                   {3000000001LL, {"pt", "other"}}};
    TObjectListRowBuilder b(QStringLiteral("FUNCTION"), true, QStringLiteral("app"), &types);
    EXPECT_EQ(b.ArgumentTypes("23\r\n3000000000\r\n3000000001"), QStringLiteral("int4,my type,other.pt"));
    EXPECT_EQ(b.ArgumentTypes(""), QString());
    EXPECT_EQ(b.DropArguments("23\r\n25\r\n3000000001", "i\r\no\r\nb"), QStringLiteral("\"int4\",\"other\".\"pt\""));
    // The columns of RETURNS TABLE are no arguments either.
    EXPECT_EQ(b.DropArguments("23\r\n25", "i\r\nt"), QStringLiteral("\"int4\""));
    EXPECT_EQ(b.DropArguments("23 25", ""), QStringLiteral("\"23 25\"")); // an unknown type shows its oid
    EXPECT_EQ(b.DropArguments("", ""), QString());
}

// The mixed simple list moves routine oids to sub-item 8 and trigger tables
// to sub-item 11, as every list action expects.
TEST(ObjectListModel, MixedRowsKeepTheirContract)
{
    TTypeMap types{{23, {"int4", "pg_catalog"}}};
    const QStringList routine{"FUNCTION", "f", "s", "FUNCTION", "777", "", "23", "int4", "own", "c",
                              "777",      "",  "",  "",         "i",   ""};
    const QStringList trigger{"TRIGGER", "t", "s", "TRIGGER", "888", "tbl", "", "", "own", "c",
                              "0",       "",  "",  "tbl",     "",    ""};
    TObjectListRowBuilder off(QStringLiteral("%"), false, QStringLiteral("s"), &types);
    const QStringList r = off.SubItems(routine);
    EXPECT_EQ(r.value(1), QStringLiteral("FUNCTION"));
    EXPECT_EQ(r.value(3), QStringLiteral("int4"));
    EXPECT_EQ(r.value(8), QStringLiteral("777"));
    EXPECT_EQ(r.value(12), QStringLiteral("\"int4\""));
    const QStringList t = off.SubItems(trigger);
    EXPECT_EQ(t.value(2), QStringLiteral("tbl"));
    EXPECT_EQ(t.value(7), QStringLiteral("0"));
    EXPECT_EQ(t.value(11), QStringLiteral("tbl"));

    TObjectListRowBuilder on(QStringLiteral("%"), true, QStringLiteral("s"), &types);
    const QStringList ro = on.SubItems(routine);
    EXPECT_EQ(ro.value(2), QStringLiteral("777"));
    EXPECT_EQ(ro.value(4), QStringLiteral("int4"));
    EXPECT_EQ(ro.value(8), QStringLiteral("777"));
    EXPECT_EQ(ro.value(12), QStringLiteral("\"int4\""));
    EXPECT_EQ(on.SubItems(trigger).value(11), QStringLiteral("tbl"));
}

// ---------------------------------------------------------------------------
// Against the test server

namespace {

class ObjectList : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("objlist");
        if (!db->available())
            return;
        s.Start(LogonArgs(db->params()));
        tvOption.TreeData = true;
        tvOption.Find = true;
        tvOption.FindAuto = true;
        tvOption.UseLowerName = true;
        s.FirstPaint();
        form = s.Form();
    }

    // Selects schema public's node of a kind (the list fills as for a click).
    void Select(const QString &kind)
    {
        QTreeWidgetItem *pub = Child(form->tvTree->topLevelItem(0), QStringLiteral("public"));
        ASSERT_NE(pub, nullptr);
        QTreeWidgetItem *node = kind.isEmpty() ? pub : Child(pub, kind);
        ASSERT_NE(node, nullptr) << kind.toStdString();
        if (form->tvTree->currentItem() == node)
            form->ShowObject(false);
        else
            form->tvTree->setCurrentItem(node);
    }

    TtvListItem *Item(const QString &name)
    {
        for (int i = 0; i < form->lstObject->ItemCount(); ++i)
            if (form->lstObject->Item(i)->Caption() == name)
                return form->lstObject->Item(i);
        return nullptr;
    }

    QStringList Captions()
    {
        QStringList c;
        for (int i = 0; i < form->lstObject->ItemCount(); ++i)
            c << form->lstObject->Item(i)->Caption();
        return c;
    }

    QString Scalar(const QString &sql) { return form->OpenSQL(sql).Fields(0).AsString(); }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace

TEST_F(ObjectList, FunctionListGivesArgumentsOidAndDropArguments)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION f(a int, OUT b text) LANGUAGE sql AS 'SELECT a::text'"));
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION g(n int) RETURNS TABLE(x int) LANGUAGE sql AS 'SELECT n'"));
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION h() RETURNS int LANGUAGE sql AS 'SELECT 1'"));
    Select(QStringLiteral("FUNCTION"));
    EXPECT_EQ(form->g_TreeDispState, QStringLiteral("FUNCTION"));
    EXPECT_EQ(form->FViewType, QStringLiteral("FUNCTION"));
    EXPECT_EQ(form->lstObject->ColumnCount(), 8);
    EXPECT_EQ(Captions(), QStringList({"f", "g", "h"})); // sorted by name
    TtvListItem *f = Item(QStringLiteral("f"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ItemImageIndex(f), 52);
    EXPECT_EQ(f->SubItem(0), QStringLiteral("public"));
    EXPECT_EQ(f->SubItem(1), QStringLiteral("FUNCTION"));
    EXPECT_EQ(f->SubItem(3), QStringLiteral("int4,text"));
    EXPECT_EQ(f->SubItem(12), QStringLiteral("\"int4\""));
    const QString oid = Scalar(QStringLiteral("SELECT 'public.f'::regproc::oid::text"));
    EXPECT_EQ(f->SubItem(2), oid);
    EXPECT_EQ(f->SubItem(8), oid);
    EXPECT_EQ(Item(QStringLiteral("h"))->SubItem(3), QString());
    EXPECT_EQ(Item(QStringLiteral("h"))->SubItem(12), QString());

    // A RETURNS TABLE function is dropped through its sub-item 12.
    TtvListItem *g = Item(QStringLiteral("g"));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->SubItem(12), QStringLiteral("\"int4\""));
    form->ExecuteSQL(QStringLiteral("DROP FUNCTION public.g(") + g->SubItem(12) + QLatin1Char(')'));
    EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) FROM pg_proc WHERE proname = 'g'")), QStringLiteral("0"));

    // The mixed list of the schema, detailed and simple.
    Select(QString());
    EXPECT_EQ(form->g_TreeDispState, QStringLiteral("%"));
    EXPECT_EQ(form->FViewType, QStringLiteral("SOURCE"));
    ASSERT_NE(Item(QStringLiteral("f")), nullptr);
    EXPECT_EQ(Item(QStringLiteral("f"))->SubItem(4), QStringLiteral("int4,text"));
    EXPECT_EQ(Item(QStringLiteral("f"))->SubItem(8), oid);
    tvOption.TreeData = false;
    form->ShowObject(false);
    EXPECT_EQ(Item(QStringLiteral("f"))->SubItem(3), QStringLiteral("int4,text"));
    EXPECT_EQ(Item(QStringLiteral("f"))->SubItem(8), oid);
    EXPECT_EQ(Item(QStringLiteral("f"))->SubItem(12), QStringLiteral("\"int4\""));
}

TEST_F(ObjectList, TriggerSequenceAndTableDetails)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE TABLE big(n int)"));
    form->ExecuteSQL(QStringLiteral("INSERT INTO big SELECT generate_series(1, 200000)"));
    form->ExecuteSQL(QStringLiteral("ANALYZE big"));
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION trg() RETURNS trigger LANGUAGE plpgsql AS "
                                    "'BEGIN RETURN NEW; END'"));
    form->ExecuteSQL(QStringLiteral("CREATE TRIGGER tr AFTER INSERT OR UPDATE ON big FOR EACH ROW EXECUTE FUNCTION trg()"));
    form->ExecuteSQL(QStringLiteral("CREATE SEQUENCE sq INCREMENT 5 MINVALUE 3 MAXVALUE 1000 START 3 CACHE 4 CYCLE"));
    form->ExecuteSQL(QStringLiteral("SELECT nextval('sq'), nextval('sq')"));

    Select(QStringLiteral("TRIGGER"));
    TtvListItem *tr = Item(QStringLiteral("tr"));
    ASSERT_NE(tr, nullptr);
    EXPECT_EQ(tr->SubItem(3), QStringLiteral("big"));
    EXPECT_EQ(tr->SubItem(5), QStringLiteral("AFTER"));
    EXPECT_EQ(tr->SubItem(6), QStringLiteral("INSERT, UPDATE"));
    EXPECT_EQ(tr->SubItem(8), QStringLiteral("trg"));
    EXPECT_EQ(tr->SubItem(11), QStringLiteral("big"));

    Select(QStringLiteral("SEQUENCE"));
    TtvListItem *sq = Item(QStringLiteral("sq"));
    ASSERT_NE(sq, nullptr);
    // The last value is what the server reports (cached values included).
    const QString last = Scalar(QStringLiteral("SELECT last_value::text FROM pg_sequences WHERE sequencename = 'sq'"));
    EXPECT_FALSE(last.isEmpty());
    EXPECT_EQ(sq->SubItems().mid(3, 6), QStringList({last, "3", "1000", "5", "YES", "4"}));

    Select(QStringLiteral("TABLE"));
    ASSERT_EQ(form->lstObject->ColumnCount(), 12);
    EXPECT_EQ(form->lstObject->ColumnAlignment(5), Qt::AlignRight);
    TtvListItem *big = Item(QStringLiteral("big"));
    ASSERT_NE(big, nullptr);
    const qint64 bytes = Scalar(QStringLiteral("SELECT relpages::int8 * 8192 FROM pg_class WHERE relname = 'big'")).toLongLong();
    ASSERT_GT(bytes, 1024 * 1000);
    EXPECT_EQ(big->SubItem(4), FormatSizeKB(bytes));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^ +\\d{1,3}(,\\d{3})+$")).match(big->SubItem(4)).hasMatch())
        << big->SubItem(4).toStdString();
    EXPECT_EQ(big->SubItem(6), QStringLiteral("○")); // has a trigger
    EXPECT_EQ(big->SubItem(5), QStringLiteral("－")); // no index
}

TEST_F(ObjectList, FindFiltersKeepsHistoryAndWidthsAreSaved)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    for (const char *t : {"emp", "employee", "temp_x", "dept"})
        form->ExecuteSQL(QStringLiteral("CREATE TABLE ") + QString::fromLatin1(t) + QStringLiteral("(n int)"));
    Select(QStringLiteral("TABLE"));
    EXPECT_EQ(Captions(), QStringList({"dept", "emp", "employee", "temp_x"}));

    // The list is in the order of the list control's own sort, whichever
    // way it was filled, also for names of mixed case and signs.
    for (const char *t : {"\"Zeta\"", "\"_under\"", "\"Émile\"", "\"b-2\"", "\"B10\"", "\"テーブル\""})
        form->ExecuteSQL(QStringLiteral("CREATE TABLE ") + QString::fromUtf8(t) + QStringLiteral("(n int)"));
    QStringList ascending;
    for (bool progress : {false, true}) {
        tvOption.Progress = progress;
        form->ShowObject(false);
        const QStringList filled = Captions();
        EXPECT_EQ(filled.size(), 10);
        form->lstObject->CustomSort();
        EXPECT_EQ(filled, Captions()) << progress;
        ascending = filled;
    }
    form->lstObject->ColumnClick(0); // descending
    form->ShowObject(false);
    const QStringList descending = Captions();
    form->lstObject->CustomSort();
    EXPECT_EQ(descending, Captions());
    std::reverse(ascending.begin(), ascending.end());
    EXPECT_EQ(descending, ascending);
    form->lstObject->ColumnClick(0);
    for (const char *t : {"\"Zeta\"", "\"_under\"", "\"Émile\"", "\"b-2\"", "\"B10\"", "\"テーブル\""})
        form->ExecuteSQL(QStringLiteral("DROP TABLE ") + QString::fromUtf8(t));

    QLineEdit *edit = form->cmbFind->lineEdit();
    ASSERT_NE(edit, nullptr);
    for (int round = 0; round < 2; ++round) {
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("emp"));
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(Captions(), QStringList({"emp", "employee", "temp_x"})) << round;
    }
    QStringList history;
    for (int i = 0; i < form->cmbFind->count(); ++i)
        history << form->cmbFind->itemText(i);
    EXPECT_EQ(history.count(QStringLiteral("emp")), 1);
    EXPECT_EQ(history.value(0), QStringLiteral("emp"));

    // IsGrep ignores the box.
    form->ShowObject(true);
    EXPECT_EQ(Captions().size(), 4);

    // A width changed in the detailed TABLE list is written when another
    // node is selected.
    form->lstObject->setColumnWidth(3, 123);
    Select(QStringLiteral("INDEX"));
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\OBJECT"), false));
    EXPECT_EQ(reg.GetInteger(QStringLiteral("TABLE3"), -1), 123);
    reg.CloseKey();
    // ... and read back by the next TABLE list.
    edit->clear();
    Select(QStringLiteral("TABLE"));
    EXPECT_EQ(form->lstObject->columnWidth(3), 123);
}

TEST_F(ObjectList, PrintingATableWithItsKeyIndexPrintsTheTableOnly)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE TABLE t(id int PRIMARY KEY, v int)"));
    form->ExecuteSQL(QStringLiteral("CREATE INDEX t_v ON t(v)"));
    QStringList scripted;
    for (const char *w : {"TfrmTable", "TfrmIndex"})
        TObjectDispatcher::RegisterScript(QString::fromLatin1(w), [&scripted](TfrmObject &, const TObjectAddress &a,
                                                                                QIODevice &out) {
            scripted << a.ObjectName;
            const QString ddl = QStringLiteral("-- ") + a.ObjectName + QStringLiteral("\r\nCREATE ...\r\n");
            out.write(reinterpret_cast<const char *>(ddl.utf16()), ddl.size() * 2);
            throw tv::SilentAbort();
        });
    struct Unregister {
        ~Unregister()
        {
            TObjectDispatcher::RegisterScript(QStringLiteral("TfrmTable"), {});
            TObjectDispatcher::RegisterScript(QStringLiteral("TfrmIndex"), {});
        }
    } unregister;

    Select(QString());
    for (const char *n : {"t", "t_pkey", "t_v"}) {
        ASSERT_NE(Item(QString::fromLatin1(n)), nullptr) << n;
        Item(QString::fromLatin1(n))->setSelected(true);
    }
    form->PrintSelectedObjects();
    EXPECT_EQ(scripted, QStringList({"t", "t_v"}));
    EXPECT_EQ(prtData.PageCount(), 2);
    EXPECT_TRUE(form->lstObject->selectedItems().isEmpty());
}
