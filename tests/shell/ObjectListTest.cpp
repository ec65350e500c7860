// The object list of the connection window: columns, scope and conditions
// as pure functions; the lists themselves against the test server.
#include "ShellTestSupport.h"

#include "controls/frmPrint.h"
#include "controls/tvListView.h"
#include "controls/tvPrinter.h"
#include "controls/tvTreeView.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/EscapeWatch.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectDispatcher.h"
#include "shell/ObjectListModel.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

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

// The list's rename editor comes with a delegate of its own: the columns
// given as right-aligned (the OID) are still painted at the right of their cell.
TEST_F(ObjectList, RightAlignedColumnsArePaintedAtTheRight)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION f() RETURNS int LANGUAGE sql AS 'SELECT 1'"));
    Select(QStringLiteral("FUNCTION"));
    TtvListView *list = form->lstObject;
    ASSERT_EQ(list->headerItem()->text(3), QStringLiteral("OID"));
    ASSERT_EQ(list->ColumnAlignment(3), Qt::AlignRight);
    TtvListItem *f = Item(QStringLiteral("f"));
    ASSERT_NE(f, nullptr);
    list->clearSelection();
    list->setColumnWidth(3, 240);
    list->scrollToItem(f);
    const QRect cell = list->visualRect(list->indexFromItem(f, 3));
    ASSERT_FALSE(cell.isEmpty());
    const QImage img = list->viewport()->grab(cell).toImage();
    int left = img.width();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                left = std::min(left, x);
    ASSERT_LT(left, img.width()) << "no text painted";
    EXPECT_GT(left, img.width() / 2) << "the OID starts at x=" << left << " of " << img.width();
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

// Widths the user gave the columns come back when the same node is listed
// again: each column's width is written under the view type and its
// position, and the new columns read the names of their list, which in the
// mixed list are not their positions.
TEST_F(ObjectList, ChangedWidthsComeBackWhenTheListIsShownAgain)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE TABLE t(n int)"));
    const struct {
        const char *kind; // empty: the mixed list of the schema
        QList<int> expected; // after widths 50, 60, 70, ...
    } cases[] = {
        {"TABLE", {50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 160}},
        // Read from SOURCE0 1 2 6 3 3 4 7 5.
        {"", {50, 60, 70, 110, 80, 80, 90, 120, 100}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(*c.kind ? c.kind : "mixed");
        Select(QString::fromLatin1(c.kind));
        ASSERT_EQ(form->lstObject->ColumnCount(), c.expected.size());
        const QString viewType = form->FViewType;
        for (int i = 0; i < form->lstObject->ColumnCount(); ++i)
            form->lstObject->header()->resizeSection(i, 50 + 10 * i);
        QTest::mouseClick(form->btnWhere, Qt::LeftButton);
        QList<int> shown;
        for (int i = 0; i < form->lstObject->ColumnCount(); ++i)
            shown << form->lstObject->columnWidth(i);
        EXPECT_EQ(shown, c.expected);
        auto &reg = tv::settings::tvRegistry();
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\OBJECT"), false));
        for (int i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(reg.GetInteger(viewType + QString::number(i), -1), 50 + 10 * i) << i;
        reg.CloseKey();
    }
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

// Each object shows its own comment, not that of one of its columns, in the
// mixed list and in its kind's list, detailed and simple (the column headed
// "コメント" shows the sub-item).
TEST_F(ObjectList, CommentsOfEveryKindInTheMixedAndKindLists)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const struct {
        const char *kind, *name, *create, *comment;
    } cases[] = {
        {"TABLE", "t1", "CREATE TABLE t1(n int CONSTRAINT t1_n_check CHECK (n > 0))", "COMMENT ON TABLE t1 IS 'c table'"},
        {"INDEX", "t1_ix", "CREATE INDEX t1_ix ON t1(n)", "COMMENT ON INDEX t1_ix IS 'c index'"},
        {"VIEW", "v1", "CREATE VIEW v1 AS SELECT n FROM t1", "COMMENT ON VIEW v1 IS 'c view'"},
        {"MATERIALIZED VIEW", "mv1", "CREATE MATERIALIZED VIEW mv1 AS SELECT n FROM t1",
         "COMMENT ON MATERIALIZED VIEW mv1 IS 'c matview'"},
        {"SEQUENCE", "s1", "CREATE SEQUENCE s1", "COMMENT ON SEQUENCE s1 IS 'c sequence'"},
        {"FUNCTION", "f1", "CREATE FUNCTION f1(a int) RETURNS int LANGUAGE sql AS 'SELECT a'",
         "COMMENT ON FUNCTION f1(int) IS 'c function'"},
        {"PROCEDURE", "p1", "CREATE PROCEDURE p1() LANGUAGE sql AS 'SELECT 1'", "COMMENT ON PROCEDURE p1() IS 'c proc'"},
        {"AGGREGATE", "agg1", "CREATE AGGREGATE agg1(int) (SFUNC = int4pl, STYPE = int)",
         "COMMENT ON AGGREGATE agg1(int) IS 'c aggregate'"},
        {"TYPE", "mood", "CREATE TYPE mood AS ENUM ('sad', 'ok')", "COMMENT ON TYPE mood IS 'c type'"},
        {"CONSTRAINT", "t1_n_check", "SELECT 1", "COMMENT ON CONSTRAINT t1_n_check ON t1 IS 'c constraint'"},
        {"TRIGGER", "tr1", "CREATE TRIGGER tr1 BEFORE INSERT ON t1 FOR EACH ROW EXECUTE FUNCTION tf()",
         "COMMENT ON TRIGGER tr1 ON t1 IS 'c trigger'"},
        {"RULE", "r1", "CREATE RULE r1 AS ON DELETE TO t1 DO INSTEAD NOTHING", "COMMENT ON RULE r1 ON t1 IS 'c rule'"},
    };
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION tf() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RETURN NEW; END'"));
    for (const auto &c : cases) {
        form->ExecuteSQL(QString::fromUtf8(c.create));
        form->ExecuteSQL(QString::fromUtf8(c.comment));
    }
    form->ExecuteSQL(QStringLiteral("COMMENT ON COLUMN t1.n IS 'c column'"));
    const auto commentColumn = [this] {
        for (int i = 1; i < form->lstObject->ColumnCount(); ++i)
            if (form->lstObject->headerItem()->text(i) == QStringLiteral("コメント"))
                return i;
        return -1;
    };
    for (const bool detail : {true, false}) {
        tvOption.TreeData = detail;
        for (const bool mixed : {true, false}) {
            if (mixed)
                Select(QString()); // one mixed list holds every case
            for (const auto &c : cases) {
                const QString kind = QString::fromLatin1(c.kind);
                SCOPED_TRACE(kind.toStdString() + (mixed ? " in the mixed list" : " list") +
                             (detail ? ", detailed" : ", simple"));
                if (!mixed)
                    Select(kind);
                const int col = commentColumn();
                ASSERT_GT(col, 0);
                TtvListItem *it = Item(QString::fromLatin1(c.name));
                ASSERT_NE(it, nullptr);
                const QString expected = QString::fromUtf8(c.comment).section(QLatin1Char('\''), 1, 1);
                EXPECT_EQ(it->text(col), expected);
                EXPECT_EQ(it->SubItem(col - 1), expected);
            }
        }
        Select(QString());
        ASSERT_NE(Item(QStringLiteral("tf")), nullptr);
        EXPECT_EQ(Item(QStringLiteral("tf"))->text(commentColumn()), QString());
        EXPECT_EQ(Captions().count(QStringLiteral("t1")), 1);
    }
}

namespace {

// The item counts of the list's paints.
class PaintCounts : public QObject {
public:
    explicit PaintCounts(TtvListView *list) : FList(list) { list->viewport()->installEventFilter(this); }
    ~PaintCounts() override { FList->viewport()->removeEventFilter(this); }
    QList<int> counts;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            counts << FList->ItemCount();
        return false;
    }

private:
    TtvListView *FList;
};

} // namespace

// With the progress display on, the first rows show before the rest of the
// list has come; with it off the list paints only complete. Either way the
// list ends sorted, every object once.
TEST_F(ObjectList, FirstRowsShowWhileTheRestArriveAndTheListEndsSorted)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral(
        "DO $$ BEGIN FOR i IN 1..600 LOOP EXECUTE format('CREATE SEQUENCE sq_%s', 601 - i); END LOOP; END $$"));
    s.main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.main.get()));
    QStringList expected;
    for (int i = 1; i <= 600; ++i)
        expected << QStringLiteral("sq_%1").arg(i);
    std::sort(expected.begin(), expected.end(),
              [](const QString &a, const QString &b) { return QString::localeAwareCompare(a, b) < 0; });
    for (const bool progress : {true, false}) {
        SCOPED_TRACE(progress ? "progress on" : "progress off");
        tvOption.Progress = progress;
        for (const bool detail : {true, false}) {
            tvOption.TreeData = detail;
            PaintCounts paints(form->lstObject);
            Select(QString());
            EXPECT_EQ(Captions(), expected);
            // The complete list is painted once the view's delayed layout has run.
            EXPECT_TRUE(tvtest::PollUntil([&] { return !paints.counts.isEmpty() && paints.counts.last() == 600; }))
                << (paints.counts.isEmpty() ? -1 : paints.counts.last());
            const bool partial = std::any_of(paints.counts.begin(), paints.counts.end(),
                                             [](int n) { return n > 0 && n < 600; });
            EXPECT_EQ(partial, progress);
        }
    }
}

// Routines that come after a first screen of other objects still show their
// argument types, in the detailed and in the simple mixed list.
TEST_F(ObjectList, RoutinesAfterTheFirstScreenOfAMixedListShowTheirArguments)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral(
        "DO $$ BEGIN FOR i IN 1..300 LOOP EXECUTE format('CREATE TABLE tb_%s(n int)', i); END LOOP; END $$"));
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION f(a int, OUT b text) LANGUAGE sql AS 'SELECT a::text'"));
    for (const bool detail : {true, false}) {
        SCOPED_TRACE(detail ? "detailed" : "simple");
        tvOption.TreeData = detail;
        Select(QString());
        EXPECT_EQ(form->lstObject->ItemCount(), 301);
        TtvListItem *f = Item(QStringLiteral("f"));
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->SubItem(detail ? 4 : 3), QStringLiteral("int4,text"));
        EXPECT_EQ(f->SubItem(12), QStringLiteral("\"int4\""));
    }
}

// Esc while the server is still working on the list stops it: no error, the
// list keeps its columns, the user's open transaction and its work stay, and
// the next listing works.
TEST(ObjectListStop, EscWhileTheServerReadsStopsTheListAndKeepsTheTransaction)
{
    TestDb db("objlistesc");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    tvOption.UpdateToCommit = false;
    tvOption.Progress = true;
    tvOption.ShowLevel0 = true;
    s.FirstPaint();
    TfrmObject *form = s.Form();
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE TABLE mine(n int)"));
    QTreeWidgetItem *pub = Child(form->tvTree->topLevelItem(0), QStringLiteral("public"));
    ASSERT_NE(pub, nullptr);
    {
        const QSignalBlocker block(form->tvTree);
        form->tvTree->setCurrentItem(pub);
    }

    // Another session holds the comments' catalog, so the listing waits on
    // the server; Esc is pressed once it does.
    std::unique_ptr<tv::db::Connection> holder = form->dbsMain().OpenSideConnection();
    holder->Exec(QStringLiteral("BEGIN"));
    holder->Exec(QStringLiteral("LOCK TABLE pg_catalog.pg_description IN ACCESS EXCLUSIVE MODE"));
    QTimer poll;
    bool pressed = false;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        const QString waiting = holder->ExecScalar(
            QStringLiteral("SELECT count(*) FROM pg_locks WHERE NOT granted AND pid = ") + QString::number(form->MYSID()));
        if (!pressed && waiting != QLatin1String("0")) {
            pressed = true;
            tv::ui::EscapeWatch::instance().notePress();
        }
    });
    poll.start(10);
    EXPECT_NO_THROW(form->ShowObject(false));
    poll.stop();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(form->lstObject->ItemCount(), 0);
    EXPECT_GT(form->lstObject->ColumnCount(), 0);
    EXPECT_EQ(form->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    holder->Exec(QStringLiteral("ROLLBACK"));
    holder.reset();

    form->ShowObject(false);
    EXPECT_NE(FindListItem(form->lstObject, QStringLiteral("mine")), nullptr);
    EXPECT_EQ(form->OpenSQL(QStringLiteral("SELECT count(*) FROM pg_class WHERE relname = 'mine'")).Fields(0).AsString(),
              QStringLiteral("1"));
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}
