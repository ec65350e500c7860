// The tables-and-columns browser: its catalog statements by server version
// and kind (the synonym parts are EnterpriseDB only and tested as text), the
// generated texts, and the window against the test server opened with
// Ctrl+T from an SQL editor.
#include "shell/ShellTestSupport.h"

#include "common/SQLFormatter.h"
#include "controls/tvListView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "shell/WindowLaunchers.h"
#include "sql/FieldSQL.h"
#include "sql/frmField.h"
#include "sql/frmSQL.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QListWidget>
#include <QToolButton>

using namespace tvtest;
using tv::ui::ScriptedDialogs;

TEST(FieldSQL, TableListTakesThePartsOfTheKindsAskedFor)
{
    EXPECT_EQ(fieldsql::TableListSQL(false, false, false, false), QString());
    const QString all = fieldsql::TableListSQL(true, true, true, true);
    EXPECT_EQ(all.count(" UNION "), 3);
    EXPECT_TRUE(all.startsWith("SELECT tablename, 'TABLE' AS TYPE FROM PG_TABLES WHERE schemaname = :SCHEMA UNION "
                               "SELECT viewname, 'VIEW' AS TYPE FROM pg_views WHERE schemaname = :SCHEMA UNION "));
    EXPECT_TRUE(all.contains("TblInf.relkind IN ('m')"));
    EXPECT_TRUE(all.endsWith("SELECT Syn.synname, 'SYNONYM' AS TYPE FROM pg_synonym Syn LEFT JOIN pg_namespace Nms "
                             "ON Nms.oid = Syn.synnamespace WHERE Nms.nspname = :SCHEMA"));
    const QString viewsAndSynonyms = fieldsql::TableListSQL(false, true, false, true);
    EXPECT_FALSE(viewsAndSynonyms.contains("PG_TABLES"));
    EXPECT_FALSE(viewsAndSynonyms.contains("MATERIALIZED"));
    EXPECT_EQ(viewsAndSynonyms.count(" UNION "), 1);
}

TEST(FieldSQL, ColumnAndSynonymQueriesFollowTheServerVersion)
{
    struct Case {
        int ver;
        const char *kinds;
    } cases[] = {{90200, "('r','v')"}, {90300, "('r','v','m')"}, {100000, "('r','v','m','p')"}, {150004, "('r','v','m','p')"}};
    for (const Case &c : cases) {
        EXPECT_TRUE(fieldsql::ColumnSQL(c.ver).contains(QString("C.relkind IN ") + c.kinds)) << c.ver;
        const QString syn = fieldsql::SynonymSQL(c.ver);
        EXPECT_TRUE(syn.contains(QString("C.relkind IN ") + c.kinds)) << c.ver;
        EXPECT_TRUE(syn.contains("S.Synlink IS NULL") && syn.contains("SN.nspname = :SCHEMA") &&
                    syn.contains("S.synname = :SYNNAME"));
    }
    EXPECT_TRUE(fieldsql::PrimaryKeySQL().contains("C.contype = 'p'"));
}

TEST(FieldSQL, GeneratedTexts)
{
    const bool lower = tvOption.UseLowerName;
    tvOption.UseLowerName = true;
    using fieldsql::TColumnRef;
    EXPECT_EQ(fieldsql::SelectText({}, {"t"}, {}, QString()), "SELECT * FROM \"t\"");
    EXPECT_EQ(fieldsql::SelectText({{"", "a"}, {"", "b"}}, {"t"}, {}, "\"s\"."), "SELECT \"a\",\"b\" FROM \"s\".\"t\"");
    EXPECT_EQ(fieldsql::SelectText({{"customer", "id"}, {"orders", "amount"}}, {"customer", "orders"}, {"c", "o"},
                                   "\"sales\"."),
              "SELECT c.\"id\",o.\"amount\" FROM \"sales\".\"customer\" c,\"sales\".\"orders\" o");
    // An empty alias: the column alone; a table part that is no selected table: quoted as it is.
    EXPECT_EQ(fieldsql::ColumnListText({{"a", "x"}, {"", "b.y"}}, {"a", "b"}, {"", "bb"}), "\"x\",\"b.y\"");
    EXPECT_EQ(fieldsql::InsertText("t", {}, QString()), "INSERT INTO \"t\" VALUES()");
    EXPECT_EQ(fieldsql::InsertText("t", {"a", "b"}, "\"s\"."), "INSERT INTO \"s\".\"t\" (\"a\",\"b\") VALUES()");
    EXPECT_EQ(fieldsql::UpdateText("t", {"a", "b"}, QString()), "UPDATE \"t\" SET\r\n\"a\"= ,\r\n\"b\"= ");
    tvOption.UseLowerName = lower;
}

namespace {

class FieldBrowser : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (db.available())
            db.exec("CREATE SCHEMA sales;"
                    "CREATE TABLE sales.customer(id int PRIMARY KEY, name varchar(40));"
                    "COMMENT ON COLUMN sales.customer.name IS 'the name';"
                    "CREATE TABLE sales.orders(order_no int PRIMARY KEY, id int, amount numeric(10,2));"
                    "CREATE TABLE sales.measure(ts timestamp, v int) PARTITION BY RANGE (ts);"
                    "CREATE VIEW sales.v_orders AS SELECT * FROM sales.orders;"
                    "CREATE TABLE public.only_public(x int);");
    }
    TfrmObject *Start()
    {
        TfrmField::RegisterLauncher();
        s.Start(LogonArgs(db.params()));
        tvOption.UpdateToCommit = true;
        tvOption.UseLowerName = true;
        s.FirstPaint();
        s.main->show();
        return s.Form();
    }
    static QStringList Items(QListWidget *l)
    {
        QStringList r;
        for (int i = 0; i < l->count(); ++i)
            r << l->item(i)->text();
        return r;
    }
    static QStringList Columns(TtvListView *l)
    {
        QStringList r;
        for (int i = 0; i < l->ItemCount(); ++i)
            r << l->Item(i)->Caption();
        return r;
    }
    static void SelectTables(TfrmField *w, const QStringList &names)
    {
        w->lstTable->clearSelection();
        for (const QString &n : names)
            for (int i = 0; i < w->lstTable->count(); ++i)
                if (w->lstTable->item(i)->text() == n)
                    w->lstTable->item(i)->setSelected(true);
        w->LoadColumnList();
    }
    static void SelectColumns(TfrmField *w, const QStringList &captions)
    {
        w->lstColumn->clearSelection();
        for (int i = 0; i < w->lstColumn->ItemCount(); ++i)
            w->lstColumn->Item(i)->setSelected(captions.contains(w->lstColumn->Item(i)->Caption()));
    }

    TestDb db{"fld"};
    ShellSession s;
};

} // namespace

TEST_F(FieldBrowser, CtrlTFromAnEditorOpensTheTableWithKeysTypesAndGeneratedSelect)
{
    TV_REQUIRE_DB(db);
    TfrmObject *f = Start();
    auto *sql = new TfrmSQL(f);
    sql->ShowForm();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
    sql->txtSQL->Lines()->SetText("sales.customer");
    sql->txtSQL->setFocus();
    sql->txtSQL->SelectAll();
    ASSERT_EQ(QApplication::focusWidget(), sql->txtSQL);
    s.main->Action("actViewField")->trigger();

    auto *w = qobject_cast<TfrmField *>(f->FieldWindow.data());
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    const DbParams &p = db.params();
    EXPECT_EQ(w->windowTitle(), "表・列 - public @ " + p.database + " / " + p.host + " : " + p.port);
    EXPECT_EQ(w->SelectedSchema(), "sales");
    EXPECT_EQ(Items(w->lstTable), (QStringList{"customer", "measure", "orders", "v_orders"}));
    EXPECT_EQ(w->SelectedTables(), QStringList{"customer"});
    ASSERT_EQ(Columns(w->lstColumn), (QStringList{"id", "name"}));
    EXPECT_FALSE(w->lstColumn->Item(0)->icon(0).isNull());
    EXPECT_TRUE(w->lstColumn->Item(1)->icon(0).isNull());
    EXPECT_EQ(w->lstColumn->Item(1)->SubItem(0), "character varying(40)");
    EXPECT_EQ(w->lstColumn->Item(1)->SubItem(1), "the name");
    EXPECT_TRUE(w->mnuCopyInsert->isEnabled());

    // Two tables: captions carry the table, the key mark belongs to its own table.
    SelectTables(w, {"customer", "orders"});
    EXPECT_EQ(Columns(w->lstColumn),
              (QStringList{"customer.id", "customer.name", "orders.order_no", "orders.id", "orders.amount"}));
    EXPECT_FALSE(w->lstColumn->Item(0)->icon(0).isNull());
    EXPECT_TRUE(w->lstColumn->Item(3)->icon(0).isNull());
    EXPECT_FALSE(w->mnuCopyInsert->isEnabled());
    EXPECT_FALSE(w->mnuCopyUpdate->isEnabled());
    SelectColumns(w, {"customer.id", "orders.amount"});
    QApplication::clipboard()->setText("before");
    s.dialogs.queueInput("c");
    s.dialogs.queueInput(" o ");
    w->mnuCopySelect->trigger();
    EXPECT_EQ(s.dialogs.texts(), (QStringList{"customer の別名を指定して下さい。", "orders の別名を指定して下さい。"}));
    EXPECT_EQ(s.dialogs.calls().at(0).value, "customer");
    QString expected;
    FormatSQLText("SELECT c.\"id\",o.\"amount\" FROM \"sales\".\"customer\" c,\"sales\".\"orders\" o", expected);
    EXPECT_EQ(QApplication::clipboard()->text(), expected);

    // A cancelled alias question leaves the clipboard alone.
    QApplication::clipboard()->setText("before");
    s.dialogs.queueInput("c");
    s.dialogs.queueInputCancel();
    w->mnuCopySelect->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "before");

    // The partitioned table's columns.
    SelectTables(w, {"measure"});
    EXPECT_EQ(Columns(w->lstColumn), (QStringList{"ts", "v"}));

    // "終了(&X)" hides; Ctrl+T shows the same window again.
    QTest::mouseClick(w->btnExit, Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    s.main->Action("actViewField")->trigger();
    EXPECT_EQ(f->FieldWindow.data(), w);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(FieldBrowser, ShowWindowFallsBackToPublicThenTheLoginSchema)
{
    TV_REQUIRE_DB(db);
    TfrmObject *f = Start();
    TfrmField *w = TfrmField::ShowWindow(f, "sales", "ONLY_PUBLIC");
    EXPECT_EQ(w->SelectedSchema(), "public");
    EXPECT_EQ(w->SelectedTables(), QStringList{"only_public"});
    w = TfrmField::ShowWindow(f, "sales", "nowhere");
    EXPECT_EQ(w->SelectedSchema(), "public");
    EXPECT_TRUE(w->SelectedTables().isEmpty());
    w = TfrmField::ShowWindow(f, "", "");
    EXPECT_EQ(w->SelectedSchema(), "public");
}

TEST_F(FieldBrowser, KindButtonsFindBoxesAndCopies)
{
    TV_REQUIRE_DB(db);
    TfrmObject *f = Start();
    TfrmField *w = TfrmField::ShowWindow(f, "sales", "");
    EXPECT_TRUE(w->btnSynonym->isHidden()); // not an EnterpriseDB server
    EXPECT_FALSE(w->btnMView->isHidden());

    // Turning the last pressed kind up leaves it down.
    QTest::mouseClick(w->btnTable, Qt::LeftButton);
    EXPECT_EQ(Items(w->lstTable), QStringList{"v_orders"});
    QTest::mouseClick(w->btnMView, Qt::LeftButton);
    QTest::mouseClick(w->btnView, Qt::LeftButton);
    EXPECT_TRUE(w->btnView->isChecked());
    EXPECT_EQ(Items(w->lstTable), QStringList{"v_orders"});
    QTest::mouseClick(w->btnTable, Qt::LeftButton);

    // Find anywhere in the name without regard to case.
    w->txtFindTable->setText("ORD");
    QTest::keyClick(w->txtFindTable, Qt::Key_Return);
    EXPECT_EQ(Items(w->lstTable), (QStringList{"orders", "v_orders"}));
    SelectTables(w, {"orders"});
    w->txtFindColumn->setText("O");
    QTest::keyClick(w->txtFindColumn, Qt::Key_Return);
    EXPECT_EQ(Columns(w->lstColumn), (QStringList{"order_no", "amount"}));

    // SELECT of one table in another schema than the login one; INSERT, UPDATE.
    SelectColumns(w, {"order_no", "amount"});
    auto formatted = [](const QString &t) {
        QString r;
        FormatSQLText(t, r);
        return r;
    };
    w->mnuCopySelect->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), formatted("SELECT \"order_no\",\"amount\" FROM \"sales\".\"orders\""));
    w->mnuCopyInsert->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(),
              formatted("INSERT INTO \"sales\".\"orders\" (\"order_no\",\"amount\") VALUES()"));
    w->mnuCopyUpdate->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(),
              formatted("UPDATE \"sales\".\"orders\" SET\r\n\"order_no\"= ,\r\n\"amount\"= "));
    // Copy by the focused list: the columns, then the tables.
    w->lstColumn->setFocus();
    QApplication::processEvents();
    w->mnuCopyClick();
    EXPECT_EQ(QApplication::clipboard()->text(), "\"order_no\",\"amount\"");
    w->txtFindTable->clear();
    QTest::keyClick(w->txtFindTable, Qt::Key_Return);
    SelectTables(w, {"customer", "orders"});
    w->lstTable->setFocus();
    QApplication::processEvents();
    w->mnuCopyClick();
    EXPECT_EQ(QApplication::clipboard()->text(), "\"customer\",\"orders\"");

    // A quoted schema name stays one schema (the column find text stays
    // from before: cleared first).
    w->txtFindColumn->clear();
    db.exec("CREATE SCHEMA \"Mixed\"\"Q\"; CREATE TABLE \"Mixed\"\"Q\".t(x int);");
    w = TfrmField::ShowWindow(f, "Mixed\"Q", "t");
    EXPECT_EQ(w->SelectedSchema(), "Mixed\"Q");
    EXPECT_EQ(Items(w->lstTable), QStringList{"t"});
    EXPECT_EQ(w->SelectedTables(), QStringList{"t"});
    EXPECT_EQ(Columns(w->lstColumn), QStringList{"x"});
}
