// The object comparison: pairing, the schema taken out of DDL and the
// listing query as plain functions, and the window inside the real main
// window comparing two schemas of one connection, its checks, its rows
// opened on either side and its output.
#include "objects/other/OtherWindowTestSupport.h"

#include "common/CompOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "objects/other/OtherWindows.h"
#include "objects/table/TableWindows.h"
#include "shell/WindowLaunchers.h"
#include "support/XlsxBook.h"
#include "tools/CompareObjects.h"
#include "tools/ListOutput.h"
#include "tools/frmComp.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QToolButton>

using namespace tvtest;

TEST(CompareRules, SchemaTakenOutOnlyAsAWholeIdentifier)
{
    struct Case {
        const char *schema, *text, *expected;
    };
    const Case cases[] = {
        {"app1", "CREATE TABLE app1.t (app1_x integer);", "CREATE TABLE t (app1_x integer);"},
        {"app1", "CREATE TABLE APP1.t (x int) -- app1", "CREATE TABLE t (x int) -- "},
        {"App", "CREATE VIEW \"App\".v AS SELECT 1 FROM \"App\".t", "CREATE VIEW v AS SELECT 1 FROM t"},
        {"s", "CREATE TABLE s.s_t (s int, xs int);", "CREATE TABLE s_t ( int, xs int);"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(comp::RemoveSchemaQualifier(c.schema, c.text), QString::fromUtf8(c.expected)) << c.text;
    // Columns that differ only in a schema-like prefix stay different.
    EXPECT_NE(comp::RemoveSchemaQualifier("app1", "CREATE TABLE app1.t (app1_x int);"),
              comp::RemoveSchemaQualifier("app2", "CREATE TABLE app2.t (app2_x int);"));
}

TEST(CompareRules, PlacesAndPairs)
{
    EXPECT_TRUE(comp::SchemaBlind("app1", "app2", "c", "c"));
    EXPECT_TRUE(comp::SchemaBlind("public", "public", "c1", "c2"));
    EXPECT_FALSE(comp::SchemaBlind("public", "(全て)", "c", "c"));
    EXPECT_FALSE(comp::SchemaBlind("(全て)", "(全て)", "c1", "c2"));

    using comp::TCompEntry;
    const std::vector<TCompEntry> other{
        {"s", "f", "FUNCTION", "int4", "int4", 10, ""},  {"s", "f", "FUNCTION", "text", "int4", 11, ""},
        {"s", "t", "TABLE", "", "", -1, ""},              {"s", "trg", "TRIGGER", "", "", -1, "a"},
        {"s", "trg", "TRIGGER", "", "", -1, "b"},         {"x", "t", "TABLE", "", "", -1, ""},
    };
    comp::TCounterparts aware(other, true);
    EXPECT_EQ(aware.Find({"s", "f", "FUNCTION", "text", "bool", 99, ""}), 1);
    EXPECT_EQ(aware.Find({"s", "trg", "TRIGGER", "", "", -1, "b"}), 4);
    EXPECT_EQ(aware.Find({"s", "t", "TABLE", "", "", -1, ""}), 2);
    EXPECT_EQ(aware.Find({"y", "t", "TABLE", "", "", -1, ""}), -1);
    comp::TCounterparts blind(other, false);
    // The last match wins; a taken entry is found no more.
    EXPECT_EQ(blind.Find({"y", "t", "TABLE", "", "", -1, ""}), 5);
    blind.Take(5);
    EXPECT_EQ(blind.Find({"y", "t", "TABLE", "", "", -1, ""}), 2);
    EXPECT_TRUE(blind.Taken(5));

    const QString sql = comp::ObjectListSQL({61}, 150000, false, "app1");
    EXPECT_TRUE(sql.startsWith(" SELECT 'MATERIALIZED VIEW'"));
    EXPECT_TRUE(sql.contains("TblNsp.nspname = 'app1'"));
    EXPECT_TRUE(sql.endsWith("ORDER BY 4, 2, 3"));
    // A kind this server lacks alone: every kind it offers.
    const QString old = comp::ObjectListSQL({61}, 90200, false, "(全て)");
    EXPECT_TRUE(old.startsWith(" SELECT 'TABLE'"));
    EXPECT_FALSE(old.contains("'MATERIALIZED VIEW'"));
    EXPECT_FALSE(old.contains("'PACKAGE'"));
    EXPECT_EQ(comp::ArgumentTypeNames("23\r\n25", {{23, "int4"}, {25, "text"}}), "int4,text");
}

namespace {

class CompareWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        TfrmComp::RegisterLauncher();
        RegisterTableWindows();
        RegisterOtherWindows();
    }
    TfrmComp *Open()
    {
        s.Start(LogonArgs(db.params()));
        s.FirstPaint();
        s.main->show();
        if (!s.Form())
            return nullptr;
        s.main->Action(QStringLiteral("actViewComp"))->trigger();
        for (QWidget *c : s.main->MdiChildren())
            if (auto *w = dynamic_cast<TfrmComp *>(c))
                return w;
        return nullptr;
    }
    static TtvListItem *Row(TtvListView *l, const QString &name, const QString &kind)
    {
        for (int i = 0; i < l->ItemCount(); ++i)
            if (l->Item(i)->Caption() == name && l->Item(i)->SubItem(1) == kind)
                return l->Item(i);
        return nullptr;
    }
    static QString Result(TtvListView *l, const QString &name, const QString &kind)
    {
        TtvListItem *r = Row(l, name, kind);
        return r ? r->SubItem(4) : QStringLiteral("(none)");
    }
    QStringList WindowTitles() const
    {
        QStringList out;
        for (QWidget *c : s.main->MdiChildren())
            if (!dynamic_cast<TfrmComp *>(c) && !dynamic_cast<TfrmObject *>(c))
                out << c->windowTitle();
        return out;
    }

    TestDb db{"w3t5c"};
    ShellSession s;
};

const char *const kSchemas =
    "CREATE SCHEMA app1; CREATE SCHEMA app2;"
    "CREATE TABLE app1.t_same(id int primary key, name text); CREATE TABLE app2.t_same(id int primary key, name text);"
    "CREATE TABLE app1.t_changed(id int, a text); CREATE TABLE app2.t_changed(id int, b text);"
    "CREATE TABLE app1.t_only1(id int);"
    "CREATE TABLE app1.t_col(app1_x int); CREATE TABLE app2.t_col(app2_x int);"
    "CREATE FUNCTION app1.f(integer) RETURNS int LANGUAGE sql AS 'SELECT 1';"
    "CREATE FUNCTION app1.f(text) RETURNS int LANGUAGE sql AS 'SELECT 2';"
    "CREATE FUNCTION app2.f(integer) RETURNS int LANGUAGE sql AS 'SELECT 1';"
    "CREATE FUNCTION app2.f(text) RETURNS int LANGUAGE sql AS 'SELECT 3';"
    "CREATE FUNCTION app1.tf() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RETURN NEW; END';"
    "CREATE FUNCTION app2.tf() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RETURN NEW; END';"
    "CREATE TRIGGER trg BEFORE INSERT ON app1.t_same FOR EACH ROW EXECUTE FUNCTION app1.tf();"
    "CREATE TRIGGER trg BEFORE INSERT ON app2.t_same FOR EACH ROW EXECUTE FUNCTION app2.tf();"
    "CREATE TABLE app2.t_only2(id int);";

} // namespace

TEST_F(CompareWindow, TwoSchemasOfOneConnection)
{
    TV_REQUIRE_DB(db);
    db.exec(kSchemas);
    TfrmComp *w = Open();
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("オブジェクト比較"));

    // The checks: one place on both sides; no filter ticked.
    EXPECT_EQ(w->cmbSchema1->Text(), QStringLiteral("(全て)"));
    w->btnExec->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("比較先が同一の場所を示しています。"));
    for (QCheckBox *c : {w->chkEqurl, w->chkNotEqurl, w->chkOnly1, w->chkOnly2})
        c->setChecked(false);
    w->cmbSchema1->setEditText(QStringLiteral("app1"));
    w->cmbSchema2->setEditText(QStringLiteral("app2"));
    w->btnExec->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("表示するオブジェクト条件を指定して下さい。"));
    EXPECT_EQ(w->lstComp->ItemCount(), 0);
    EXPECT_FALSE(w->Output->actExcel->isEnabled());

    for (QCheckBox *c : {w->chkEqurl, w->chkNotEqurl, w->chkOnly1, w->chkOnly2})
        c->setChecked(true);
    w->chkOnly2->setChecked(false);
    w->btnExec->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("オブジェクト比較を終了しました。"));
    TtvListView *l = w->lstComp;
    EXPECT_EQ(Result(l, "t_same", "TABLE"), QStringLiteral("内容一致"));
    EXPECT_EQ(Result(l, "t_changed", "TABLE"), QStringLiteral("内容不一致"));
    EXPECT_EQ(Result(l, "t_col", "TABLE"), QStringLiteral("内容不一致"));
    EXPECT_EQ(Result(l, "t_only1", "TABLE"), QStringLiteral("比較先１にのみ存在"));
    EXPECT_EQ(Row(l, "t_only2", "TABLE"), nullptr);
    EXPECT_EQ(Result(l, "trg", "TRIGGER"), QStringLiteral("内容一致"));
    // f(integer) and f(text) pair by their argument types.
    QStringList functions;
    for (int i = 0; i < l->ItemCount(); ++i)
        if (l->Item(i)->Caption() == QLatin1String("f"))
            functions << l->Item(i)->SubItem(2) + u'=' + l->Item(i)->SubItem(4);
    functions.sort();
    EXPECT_EQ(functions, (QStringList{"int4=内容一致", "text=内容不一致"}));
    EXPECT_FALSE(CompOption.Only2);
    EXPECT_TRUE(CompOption.Only1);

    // With only side 2's rows wanted, t_only2 shows.
    w->chkOnly2->setChecked(true);
    w->btnExec->trigger();
    EXPECT_EQ(Result(l, "t_only2", "TABLE"), QStringLiteral("比較先２にのみ存在"));
    EXPECT_EQ(Row(l, "t_only2", "TABLE")->SubItem(5), QStringLiteral("-1"));

    // A double click on a pair opens both sides, side 1 first.
    TtvListItem *same = Row(l, "t_same", "TABLE");
    l->clearSelection();
    same->setSelected(true);
    emit l->itemDoubleClicked(same, 0);
    QStringList titles = WindowTitles();
    ASSERT_EQ(titles.size(), 2) << titles.join(u'\n').toStdString();
    EXPECT_TRUE(titles[0].contains(QStringLiteral("app1"))) << titles[0].toStdString();
    EXPECT_TRUE(titles[1].contains(QStringLiteral("app2"))) << titles[1].toStdString();
    EXPECT_FALSE(same->isSelected());

    // Side 1 of a side-2-only row: nothing opens, the row is deselected.
    TtvListItem *only2 = Row(l, "t_only2", "TABLE");
    l->clearSelection();
    only2->setSelected(true);
    w->mnuOpen1->trigger();
    EXPECT_EQ(WindowTitles().size(), 2);
    EXPECT_FALSE(only2->isSelected());

    // A trigger row opens with its table.
    TtvListItem *trg = Row(l, "trg", "TRIGGER");
    EXPECT_EQ(trg->SubItem(2), QStringLiteral("t_same"));
    l->clearSelection();
    trg->setSelected(true);
    w->mnuOpen2->trigger();
    titles = WindowTitles();
    ASSERT_EQ(titles.size(), 3);
    EXPECT_TRUE(titles.last().contains(QStringLiteral("trg"))) << titles.last().toStdString();

    // The workbook: six columns, the folder remembered.
    const QString dir = s.scratch.path() + QStringLiteral("/cmp/");
    QDir().mkpath(dir);
    tvOption.ExcelDir = dir;
    tvOption.ExcelExt = QStringLiteral(".XLSX");
    QFile(dir + QStringLiteral("OBJECTCOMP.XLSX")).open(QIODevice::WriteOnly);
    const QString chosen = s.scratch.path() + QStringLiteral("/other/OBJECTCOMP01.XLSX");
    s.dialogs.queuePath(chosen);
    w->Output->actExcel->trigger();
    XlsxBook book;
    ASSERT_TRUE(book.open(chosen));
    EXPECT_EQ(book.extent().second, 6);
    EXPECT_EQ(book.cell(1, 6).value, QStringLiteral("比較結果"));
    EXPECT_EQ(book.extent().first, l->ItemCount() + 1);
    EXPECT_EQ(QDir(tvOption.ExcelDir).canonicalPath(), QDir(s.scratch.path() + QStringLiteral("/other")).canonicalPath());
}
