// The dependency matrix: its catalog lookups against the real server (and
// the branches of other servers as text), the window opened by the object
// list's "マトリックス表(&M)" over the user's selection, and its output to a
// workbook and to the clipboard.
#include "shell/ShellTestSupport.h"
#include "support/DbTestSupport.h"

#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "platform/db/Connection.h"
#include "shell/WindowLaunchers.h"
#include "support/XlsxBook.h"
#include "tools/MatrixLookup.h"
#include "tools/frmMatrix.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest/QTest>

using namespace tvtest;

namespace {

// Shows the objects of one kind of a schema in the list and selects these.
void ShowAndSelect(TfrmObject *form, const QString &schema, const QString &kind, const QStringList &names)
{
    QTreeWidgetItem *node = Child(Child(form->tvTree->topLevelItem(0), schema), kind);
    ASSERT_NE(node, nullptr) << kind.toStdString();
    if (form->tvTree->currentItem() == node)
        form->ShowObject(false);
    else
        form->tvTree->setCurrentItem(node);
    SelectListItems(form->lstObject, names);
}

// The data columns' headings of the grid: "schema|name|code".
QStringList ColumnHeads(TtvStringGrid *g)
{
    QStringList out;
    for (int c = 2; c < g->ColCount(); ++c)
        out << g->Cells(c, 0) + u'|' + g->Cells(c, 1) + u'|' + QString::number(g->Objects(c, 1).toInt());
    return out;
}

int ColumnOf(TtvStringGrid *g, const QString &name)
{
    for (int c = 2; c < g->ColCount(); ++c)
        if (g->Cells(c, 1) == name)
            return c;
    return -1;
}

class MatrixWindowTest : public ::testing::Test {
protected:
    void Open(const char *setup)
    {
        db = std::make_unique<TestDb>("w3t7m");
        if (!db->available())
            return;
        db->exec(setup);
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form(0);
        ASSERT_NE(form, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
        TfrmMatrix::RegisterLauncher();
    }
    TfrmMatrix *Launch()
    {
        TLaunchContext c;
        c.Connection = form;
        c.MainWindow = s.main.get();
        return qobject_cast<TfrmMatrix *>(::Launch(QStringLiteral("actMatrix"), c));
    }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

const char *const kTableSetup =
    "CREATE SCHEMA w3t7;"
    "CREATE TABLE w3t7.t(id serial primary key, name varchar(20) not null, price numeric(10,2));"
    "CREATE FUNCTION w3t7.tf() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;"
    "CREATE TRIGGER trg BEFORE INSERT ON w3t7.t FOR EACH ROW EXECUTE FUNCTION w3t7.tf();"
    "CREATE VIEW w3t7.v1 AS SELECT id FROM w3t7.t;"
    "CREATE VIEW w3t7.v2 AS SELECT name FROM w3t7.t;";

} // namespace

TEST_F(MatrixWindowTest, ObjectPagesFromTheListSelection)
{
    Open(kTableSetup);
    TV_REQUIRE_DB(*db);
    // No selection: the placeholders only.
    ShowAndSelect(form, QStringLiteral("w3t7"), QStringLiteral("TABLE"), {});
    TfrmMatrix *w = Launch();
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("マトリックス表 - ")));
    EXPECT_EQ(w->pagMatrix->currentWidget(), w->tabObject2);
    TtvStringGrid *g = w->grdMatrix;
    EXPECT_EQ(g->RowCount(), 3);
    EXPECT_EQ(g->ColCount(), 3);
    EXPECT_EQ(g->Cells(0, 2), QStringLiteral("(未選択)"));
    EXPECT_EQ(g->Cells(2, 1), QStringLiteral("(該当なし)"));

    // 被参照 of t: the trigger as "t.trg" with the trigger's icon; its index.
    SelectListItems(form->lstObject, {QStringLiteral("t")});
    w->Reload(nullptr);
    EXPECT_EQ(g->Cells(0, 2), QStringLiteral("t"));
    EXPECT_EQ(g->Cells(1, 2), QStringLiteral("w3t7"));
    const QStringList heads = ColumnHeads(g);
    EXPECT_TRUE(heads.contains(QStringLiteral("w3t7|t.trg|57"))) << heads.join(u' ').toStdString();
    EXPECT_TRUE(heads.contains(QStringLiteral("w3t7|t_pkey|46"))) << heads.join(u' ').toStdString();
    EXPECT_TRUE(heads.contains(QStringLiteral("w3t7|v1|47"))) << heads.join(u' ').toStdString();
    EXPECT_EQ(g->Cells(ColumnOf(g, QStringLiteral("t.trg")), 2), QStringLiteral("○"));
    // Columns in order of schema, TAB, name by character code.
    QStringList keys;
    for (int c = 2; c < g->ColCount(); ++c)
        keys << g->Cells(c, 0) + u'\t' + g->Cells(c, 1);
    QStringList sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(keys, sorted);

    // 参照 of t: its sequence through the column default, not t itself.
    w->pagMatrix->setCurrentWidget(w->tabObject1);
    EXPECT_EQ(g->parentWidget(), w->tabObject1);
    EXPECT_NE(ColumnOf(g, QStringLiteral("t_id_seq")), -1) << ColumnHeads(g).join(u' ').toStdString();
    EXPECT_EQ(ColumnOf(g, QStringLiteral("t")), -1) << ColumnHeads(g).join(u' ').toStdString();

    // Two views reading t: one column t with two marks.
    ShowAndSelect(form, QStringLiteral("w3t7"), QStringLiteral("VIEW"), {QStringLiteral("v2"), QStringLiteral("v1")});
    w->Reload(nullptr);
    ASSERT_EQ(g->RowCount(), 4);
    const int t = ColumnOf(g, QStringLiteral("t"));
    ASSERT_NE(t, -1) << ColumnHeads(g).join(u' ').toStdString();
    EXPECT_EQ(ColumnHeads(g).filter(QStringLiteral("|t|")).size(), 1);
    EXPECT_EQ(g->Cells(t, 2), QStringLiteral("○"));
    EXPECT_EQ(g->Cells(t, 3), QStringLiteral("○"));

    // A dropped object gives a row without marks.
    db->exec("DROP VIEW w3t7.v1");
    w->Reload(nullptr);
    const int v1 = g->Cells(0, 2) == u"v1" ? 2 : 3;
    ASSERT_EQ(g->Cells(0, v1), QStringLiteral("v1"));
    for (int c = 2; c < g->ColCount(); ++c)
        EXPECT_TRUE(g->Cells(c, v1).isEmpty()) << c;
    EXPECT_EQ(g->Cells(ColumnOf(g, QStringLiteral("t")), 5 - v1), QStringLiteral("○"));
    w->Close();
}

TEST_F(MatrixWindowTest, FieldPageMarksKeysAndTypes)
{
    Open("CREATE SCHEMA w3t7; CREATE TABLE w3t7.a(id int primary key, name text);"
         "CREATE TABLE w3t7.b(id int, name varchar(10));");
    TV_REQUIRE_DB(*db);
    ShowAndSelect(form, QStringLiteral("w3t7"), QStringLiteral("TABLE"), {QStringLiteral("a"), QStringLiteral("b")});
    // "マトリックス表(&M)" of the object list opens it.
    ASSERT_NE(form->Action(QStringLiteral("actMatrix")), nullptr);
    form->Action(QStringLiteral("actMatrix"))->trigger();
    TfrmMatrix *w = nullptr;
    for (QWidget *child : s.main->MdiChildren())
        if (auto *m = qobject_cast<TfrmMatrix *>(child))
            w = m;
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    w->pagMatrix->setCurrentWidget(w->tabField);
    TtvStringGrid *g = w->grdMatrix;
    EXPECT_EQ(g->Cells(2, 0), QStringLiteral("a"));
    EXPECT_EQ(g->Cells(3, 0), QStringLiteral("b"));
    QStringList rows;
    for (int r = 2; r < g->RowCount(); ++r)
        rows << g->Cells(0, r) + u'|' + g->Cells(1, r) + u'|' + g->Cells(2, r) + u'|' + g->Cells(3, r);
    EXPECT_EQ(rows, (QStringList{QStringLiteral("id|integer|◎|○"), QStringLiteral("name|character varying(10)||○"),
                                 QStringLiteral("name|text|○|")}));
    w->Close();
}

// A routine's row takes its argument types from the column the object list
// shows them in: a kind's list or a schema's mixed list, detailed or simple.
// Read from the wrong column (the return type), the row names another routine
// and finds none of its dependants.
TEST_F(MatrixWindowTest, RoutineArgumentsFromEveryListLayout)
{
    Open("CREATE SCHEMA w3t7;"
         "CREATE FUNCTION w3t7.h(a text, b date) RETURNS integer LANGUAGE sql AS 'SELECT 1';"
         "CREATE VIEW w3t7.hv AS SELECT w3t7.h('x', current_date) AS n;");
    TV_REQUIRE_DB(*db);
    const bool savedTreeData = tvOption.TreeData;
    const struct {
        bool treeData;
        QString node; // empty: the schema's mixed list
    } cases[] = {{false, QStringLiteral("FUNCTION")}, {true, QStringLiteral("FUNCTION")}, {false, QString()}, {true, QString()}};
    for (const auto &c : cases) {
        SCOPED_TRACE((c.node.isEmpty() ? QStringLiteral("mixed") : c.node).toStdString() +
                     (c.treeData ? " detailed" : " simple"));
        tvOption.TreeData = c.treeData;
        form->ShowTree();
        QTreeWidgetItem *sn = Child(form->tvTree->topLevelItem(0), QStringLiteral("w3t7"));
        ASSERT_NE(sn, nullptr);
        QTreeWidgetItem *node = c.node.isEmpty() ? sn : Child(sn, c.node);
        ASSERT_NE(node, nullptr);
        if (form->tvTree->currentItem() == node)
            form->ShowObject(false);
        else
            form->tvTree->setCurrentItem(node);
        SelectListItems(form->lstObject, {QStringLiteral("h")});
        form->Action(QStringLiteral("actMatrix"))->trigger();
        TfrmMatrix *w = nullptr;
        for (QWidget *child : s.main->MdiChildren())
            if (auto *m = qobject_cast<TfrmMatrix *>(child))
                w = m;
        ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
        TtvStringGrid *g = w->grdMatrix;
        EXPECT_EQ(g->Cells(0, 2), QStringLiteral("h(text,date)"));
        const int hv = ColumnOf(g, QStringLiteral("hv"));
        ASSERT_NE(hv, -1) << ColumnHeads(g).join(u' ').toStdString();
        EXPECT_EQ(g->Cells(hv, 2), QStringLiteral("○"));
        w->Close();
        QCoreApplication::processEvents();
    }
    tvOption.TreeData = savedTreeData;
}

TEST_F(MatrixWindowTest, HeadingRowsFitTheTurnedHeadings)
{
    const QString longName = QStringLiteral("a_table_whose_name_is_far_too_long_to_show_in_three_hundred_px");
    Open(("CREATE SCHEMA w3t7; CREATE TABLE w3t7.a(id int primary key, name text);"
          "CREATE TABLE w3t7." + longName.toStdString() + "(id int);")
             .c_str());
    TV_REQUIRE_DB(*db);
    ShowAndSelect(form, QStringLiteral("w3t7"), QStringLiteral("TABLE"), {QStringLiteral("a")});
    TfrmMatrix *w = Launch();
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    TtvStringGrid *g = w->grdMatrix;
    const QFontMetrics fm(g->font());
    const int schema = fm.horizontalAdvance(QStringLiteral("w3t7")), pkey = fm.horizontalAdvance(QStringLiteral("a_pkey"));
    ASSERT_LE(pkey + 26, 300);
    ASSERT_GT(fm.horizontalAdvance(longName), 300);
    // "OBJECT＼被参照" of a: its index a_pkey, turned, the schema in row 0
    // and the name with the icon below it in row 1.
    ASSERT_EQ(ColumnHeads(g), QStringList{QStringLiteral("w3t7|a_pkey|46")});
    EXPECT_EQ(g->RowHeights(0), std::max(18, schema + 6));
    EXPECT_EQ(g->RowHeights(1), std::max(18, pkey + 26));
    EXPECT_EQ(g->RowHeights(2), 18);

    // "項目＼表": the table names in row 0, the schemas below.
    w->pagMatrix->setCurrentWidget(w->tabField);
    EXPECT_EQ(g->RowHeights(0), std::max(18, schema + 6)); // never shrinks
    EXPECT_EQ(g->RowHeights(1), std::max(18, schema + 26));

    // A name wider than 300 pixels makes the row 306 high, and it stays so
    // when the heading is gone.
    SelectListItems(form->lstObject, {QStringLiteral("a"), longName});
    w->Reload(nullptr);
    ASSERT_EQ(g->Cells(3, 0), longName);
    EXPECT_EQ(g->RowHeights(0), 306);
    SelectListItems(form->lstObject, {QStringLiteral("a")});
    w->Reload(nullptr);
    EXPECT_EQ(g->ColCount(), 3);
    EXPECT_EQ(g->RowHeights(0), 306);

    // The data rows sit below both heading rows: a click reaches the cell under it.
    s.main->resize(1200, 1200);
    s.main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.main.get()));
    if (QWidget *frame = w->parentWidget())
        frame->resize(900, 900);
    QApplication::processEvents();
    ASSERT_GT(g->viewport()->height(), 450);
    g->SetTopRow(2);
    const QRect cell = g->CellRect(2, 3);
    ASSERT_FALSE(cell.isEmpty());
    EXPECT_EQ(cell.top(), 306 + 1 + g->RowHeights(1) + 1 + 18 + 1);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(g->Row(), 3);
    EXPECT_EQ(g->Col(), 2);
    w->Close();
}

TEST_F(MatrixWindowTest, ExcelAndClipboardOutput)
{
    Open("CREATE SCHEMA w3t7; CREATE TABLE w3t7.a(id int primary key, \"x,y\" text);");
    TV_REQUIRE_DB(*db);
    ShowAndSelect(form, QStringLiteral("w3t7"), QStringLiteral("TABLE"), {QStringLiteral("a")});
    TfrmMatrix *w = Launch();
    ASSERT_NE(w, nullptr);
    w->pagMatrix->setCurrentWidget(w->tabField);
    TtvStringGrid *g = w->grdMatrix;

    const QString dir = s.scratch.path() + QStringLiteral("/out/");
    QDir().mkpath(dir);
    tvOption.ExcelDir = dir;
    tvOption.ExcelExt = QStringLiteral(".XLSX");
    QFile(dir + QStringLiteral("MATRIX.XLSX")).open(QIODevice::WriteOnly);
    // The offered name skips the existing file; the user takes it.
    s.dialogs.queuePath(dir + QStringLiteral("MATRIX01.XLSX"));
    w->actExcel->trigger();
    const auto &calls = s.dialogs.calls();
    auto save = std::find_if(calls.begin(), calls.end(), [](const auto &c) {
        return c.kind == tv::ui::ScriptedDialogs::Kind::SaveFile;
    });
    ASSERT_NE(save, calls.end());
    EXPECT_EQ(save->file.fileName, dir + QStringLiteral("MATRIX01.XLSX"));
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("ファイルが出力されました。"));
    XlsxBook book;
    QString error;
    ASSERT_TRUE(book.open(dir + QStringLiteral("MATRIX01.XLSX"), &error)) << error.toStdString();
    EXPECT_EQ(book.cell(1, 1).value, QStringLiteral("項目＼表"));
    for (int r = 0; r < g->RowCount(); ++r)
        for (int c = 0; c < g->ColCount(); ++c)
            if (r + c > 0)
                EXPECT_EQ(book.cell(r + 1, c + 1).value, g->Cells(c, r)) << r << "," << c;
    // The column headings turned upwards; every cell of the matrix boxed,
    // empty ones too.
    for (int r = 0; r < g->RowCount(); ++r)
        for (int c = 0; c < g->ColCount(); ++c) {
            const XlsxCell cell = book.cell(r + 1, c + 1);
            EXPECT_EQ(cell.rotation, r <= 1 && c >= 2 ? 90 : 0) << r << "," << c;
            EXPECT_EQ(cell.border, QStringLiteral("thin")) << r << "," << c;
        }
    EXPECT_FALSE(book.cell(1, g->ColCount() + 1).exists);
    EXPECT_FALSE(book.cell(g->RowCount() + 1, 1).exists);
    EXPECT_EQ(QDir(tvOption.ExcelDir).canonicalPath(), QDir(dir).canonicalPath());
    EXPECT_NE(s.main->StatusText(2), QStringLiteral("フォームファイルの書式は適用されませんでした。"));

    // A template that exists cannot be read: the status line says so.
    tvOption.ExcelFormMatrix = dir + QStringLiteral("tvmatrix.xls");
    QFile(tvOption.ExcelFormMatrix).open(QIODevice::WriteOnly);
    s.dialogs.queuePath(dir + QStringLiteral("second.xlsx"));
    w->actExcel->trigger();
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("second.xlsx")));
    EXPECT_EQ(s.main->StatusText(2), QStringLiteral("フォームファイルの書式は適用されませんでした。"));

    // Comma separators: a comma inside a cell is not quoted.
    tvOption.PasteColumn = 1;
    tvOption.PasteDialog = false;
    w->actCopy->trigger();
    const QString text = QApplication::clipboard()->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral(",,a\r\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\r\nx,y,text,○\r\n"))) << text.toStdString();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("クリップボードに出力しました。"));
    w->Close();
}

TEST(MatrixLookup, FunctionsResolveByTheirArgumentTypes)
{
    TestDb db("w3t7l");
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA w3t7;"
            "CREATE FUNCTION w3t7.f(int4) RETURNS int LANGUAGE sql AS 'SELECT 1';"
            "CREATE FUNCTION w3t7.f(text) RETURNS int LANGUAGE sql AS 'SELECT 2';"
            "CREATE FUNCTION w3t7.g(int) RETURNS int LANGUAGE sql AS 'SELECT 3';"
            "CREATE FUNCTION w3t7.h(a int, OUT b text) LANGUAGE sql AS 'SELECT ''x''';"
            "CREATE FUNCTION w3t7.h(a text) RETURNS int LANGUAGE sql AS 'SELECT 4';");
    tv::db::Connection conn(dbtest::paramsOf(db));
    conn.Open();
    TMatrixLookup l(conn, conn.ServerVersionNum(), false);
    auto oid = [&](const char *sig) {
        return QString::fromStdString(db.scalar(std::string("SELECT '") + sig + "'::regprocedure::oid")).toLongLong();
    };
    struct Case {
        const char *name;
        const char *args;
        qint64 expected;
    } cases[] = {
        {"f", "int4", oid("w3t7.f(int4)")},  {"f", "text", oid("w3t7.f(text)")}, {"f", "int8", -1},
        {"g", "int8", oid("w3t7.g(int)")},   {"g", "", oid("w3t7.g(int)")},      {"h", "int4,text", oid("w3t7.h(int)")},
        {"h", "int4", -1},                   {"h", "text", oid("w3t7.h(text)")}, {"nosuch", "", -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(l.GetObjectOid(52, QStringLiteral("w3t7"), QString::fromLatin1(c.args), QString(),
                                 QString::fromLatin1(c.name)),
                  c.expected)
            << c.name << "(" << c.args << ")";

    // Type names keep the order of the oids.
    EXPECT_EQ(l.TypeNameList({25, 23, 20, 25}), QStringLiteral("text,int4,int8,text"));
    EXPECT_EQ(l.TypeNameList({}), QString());
    EXPECT_EQ(l.GetFunctionArgTypes(oid("w3t7.h(int)")), QStringLiteral("int4,text"));

    // A view's _RETURN rule stands for the view, an aggregate is AGGREGATE.
    db.exec("CREATE VIEW w3t7.v AS SELECT 1 AS x;"
            "CREATE AGGREGATE w3t7.agg(int) (SFUNC = int4pl, STYPE = int);");
    TAryRefObj e{{QStringLiteral("pg_rewrite"),
                  l.ViewRuleOid(l.GetObjectOid(47, QStringLiteral("w3t7"), {}, {}, QStringLiteral("v")))},
                 {QStringLiteral("pg_proc"), oid("w3t7.agg(int)")},
                 {QStringLiteral("pg_opclass"), 1}};
    l.DescribeDependentObject(e);
    EXPECT_EQ(e[0].sType, QStringLiteral("VIEW"));
    EXPECT_EQ(e[0].sName, QStringLiteral("v"));
    EXPECT_EQ(e[1].sType, QStringLiteral("AGGREGATE"));
    EXPECT_EQ(e[1].sFncArg, QStringLiteral("int4"));
    EXPECT_TRUE(e[2].sType.isEmpty());
}

TEST(MatrixLookup, BranchesOfOtherServersAsText)
{
    // Packages only on EnterpriseDB servers.
    EXPECT_TRUE(MatrixSQL::ObjectOid(53, 150000, false).isEmpty());
    EXPECT_TRUE(MatrixSQL::ObjectOid(53, 150000, true).contains(QStringLiteral("x.pkgname = :objname")));
    struct Case {
        int version;
        bool edb;
        const char *has;
        const char *lacks;
    } cases[] = {
        {90300, false, "'FUNCTION'", "pg_aggregate"},
        {90400, false, "'AGGREGATE'", "protype"},
        {90400, true, "'PACKAGE BODY'", "(nsp.nspparent != 0) THEN psp"},
        {90300, true, "x.protype = '1' THEN 'PROCEDURE'", "pg_aggregate"},
        {90100, true, "CASE WHEN (nsp.nspparent != 0) THEN psp.nspname", "nspobjecttype"},
    };
    for (const Case &c : cases) {
        const QString sql = MatrixSQL::Describe(QStringLiteral("pg_proc"), 77, c.version, c.edb);
        EXPECT_TRUE(sql.contains(QString::fromLatin1(c.has))) << c.version << c.edb << sql.toStdString();
        EXPECT_FALSE(sql.contains(QString::fromLatin1(c.lacks))) << c.version << c.edb << sql.toStdString();
        EXPECT_TRUE(sql.endsWith(QStringLiteral("WHERE x.oid = 77"))) << sql.toStdString();
    }
    EXPECT_TRUE(MatrixSQL::Describe(QStringLiteral("pg_namespace"), 5, 150000, false).isEmpty());
    EXPECT_TRUE(MatrixSQL::Describe(QStringLiteral("pg_namespace"), 5, 90100, true).contains(
        QStringLiteral("WHERE (pac.nspparent != 0) AND pac.oid = 5")));
    EXPECT_FALSE(MatrixSQL::TableColumns(90200).contains(QStringLiteral("'m'")));
    EXPECT_TRUE(MatrixSQL::TableColumns(90300).contains(QStringLiteral("'m'")));
    // Each part of the type-name list carries its place, the whole is ordered by it.
    EXPECT_EQ(MatrixSQL::TypeNames(2),
              QStringLiteral("SELECT 0 AS ord, typname FROM pg_type WHERE oid = CAST(:OID0 AS oid) UNION ALL "
                             "SELECT 1 AS ord, typname FROM pg_type WHERE oid = CAST(:OID1 AS oid) ORDER BY 1"));
}
