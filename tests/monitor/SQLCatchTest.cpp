// The SQL capture and table-access windows: which statements name a table
// and how, the query texts per server version, and both windows inside the
// real main window against the test server, driven from the ツール menu with
// a second session producing the statements.
#include "shell/ShellTestSupport.h"

#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "monitor/MonitorLaunchers.h"
#include "monitor/SQLCatch.h"
#include "monitor/frmSQLCRUD.h"
#include "monitor/frmIndexAdviser.h"
#include "monitor/frmSQLCatch.h"
#include "sql/fraExplan.h"
#include "sql/frmSQL.h"
#include "controls/tvTreeView.h"
#include "platform/db/Connection.h"
#include "support/DbTestSupport.h"
#include "support/XlsxBook.h"
#include "tools/ListOutput.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QToolBar>
#include <QDeadlineTimer>
#include <QDir>
#include <QListWidget>
#include <QRegularExpression>
#include <QToolButton>

using namespace tvtest;
using sqlcatch::QueryMentionsTable;

// ---------------------------------------------------------------------------
// Plain rules

TEST(SQLCatchRules, WhichStatementsNameATable)
{
    struct Case {
        const char *statement;
        const char *table;
        bool mentioned;
        const char *marks; // the marks of a mentioning statement, "CRUD" letters
    };
    const Case cases[] = {
        {"select * from orders where id = 1", "orders", true, "R"},
        {"select * from orders", "orders", true, "R"},
        {"select * from public.orders", "orders", false, ""},
        {"select * from orders;", "orders", false, ""},
        {"insert into orders(id) values ($1)", "orders", false, ""},
        {"insert into orders (id) values ($1)", "orders", true, "C"},
        {"update orders set updated_at = now() where id = $1", "orders", true, "U"},
        {"delete from public.orders where id = 1", "orders", true, "D"},
        {"insert into log select * from orders x", "orders", true, "CR"},
        {"insert into log select * from orders x", "log", true, "CR"},
        {"select * from orders_2024 o", "orders", false, ""},
        {"select * from orders_2024 o", "orders_2024", true, "R"},
        {"select id from orders", "id", true, "R"},
        {"SELECT * FROM \"Orders\" WHERE 1 = 1", "orders", true, "R"},
        // Line feeds and lone carriage returns are line breaks, TABs blanks.
        {"select *\nfrom orders\nwhere id = 1", "orders", true, "R"},
        {"select *\rfrom orders\rwhere id = 1", "orders", true, "R"},
        {"select *\tfrom\torders\twhere id = 1", "orders", true, "R"},
        {"select *\r\nfrom orders\r\nwhere id = 1", "orders", true, "R"},
        // Named, but none of the four words: no row.
        {"vacuum orders", "orders", true, ""},
    };
    for (const Case &c : cases) {
        const QString q = QString::fromUtf8(c.statement);
        const QString t = QString::fromUtf8(c.table);
        EXPECT_EQ(QueryMentionsTable(q, t), c.mentioned) << c.statement << " / " << c.table;
        const auto rows = sqlcatch::BuildMatrix({t}, {q});
        QString marks;
        if (!rows.empty()) {
            const sqlcatch::TCrudMarks &m = rows.front().Marks;
            marks = QString(m.C ? "C" : "") + (m.R ? "R" : "") + (m.U ? "U" : "") + (m.D ? "D" : "");
        }
        EXPECT_EQ(marks, QString::fromLatin1(c.marks)) << c.statement << " / " << c.table;
    }
}

TEST(SQLCatchRules, MatrixOrderIsTablesThenStatements)
{
    const QStringList statements{"select * from b", "update a set x = 1", "select * from a", "select 1"};
    const auto rows = sqlcatch::BuildMatrix({"a", "b"}, statements);
    QStringList got;
    for (const auto &r : rows)
        got << r.Table + u':' + QString::number(r.Statement);
    EXPECT_EQ(got, (QStringList{"a:1", "a:2", "b:0"}));
}

TEST(SQLCatchRules, QueryTextsPerVersion)
{
    // From 13 the view calls the time total_exec_time, in the list and the
    // search alike.
    const auto listText = [](const QString &time) {
        return " SELECT r.rolname, d.datname, s.calls, s." + time +
               ", s.rows, s.query FROM public.pg_stat_statements s"
               " LEFT OUTER JOIN pg_roles r ON r.oid = s.userid LEFT OUTER JOIN pg_database d ON d.oid = s.dbid"
               " WHERE 0 = 0 AND datname = :datname AND ( UPPER(rolname) LIKE UPPER(:kensaku) OR UPPER(datname)"
               " LIKE UPPER(:kensaku) OR UPPER( to_char( calls , '999999999999' ) ) LIKE UPPER(:kensaku) OR"
               " UPPER( to_char(" + time + " , '999999D999999') ) LIKE UPPER(:kensaku) OR UPPER( to_char(rows ,"
               " '999999999999') ) LIKE UPPER(:kensaku) OR UPPER(query) LIKE UPPER(:kensaku) ) AND"
               " UPPER(rolname) LIKE UPPER(:rolname)";
    };
    const struct {
        int ver;
        const char *time;
    } versions[] = {{90600, "total_time"}, {120000, "total_time"}, {130000, "total_exec_time"},
                    {150000, "total_exec_time"}};
    for (const auto &v : versions) {
        EXPECT_EQ(sqlcatch::StatementListSQL(v.ver), listText(QString::fromLatin1(v.time))) << v.ver;
        EXPECT_EQ(sqlcatch::TotalTimeField(v.ver), QString::fromLatin1(v.time)) << v.ver;
    }
    EXPECT_EQ(sqlcatch::MatrixStatementsSQL(),
              " SELECT s.query FROM public.pg_stat_statements s LEFT OUTER JOIN pg_roles r ON r.oid = s.userid"
              " LEFT OUTER JOIN pg_database d ON d.oid = s.dbid WHERE 0 = 0 AND datname = :datname"
              " AND UPPER(rolname) LIKE UPPER(:rolname)");

    const struct {
        const char *text, *search, *role, *matrixRole;
    } patterns[] = {
        {"", "%%", "%%", ""},
        {"7", "%7%", "%7%", "7"},
        {"(全て)", "%(全て)%", "%%", "%"},
        {"app_user", "%app_user%", "%app_user%", "app_user"},
    };
    for (const auto &p : patterns) {
        const QString t = QString::fromUtf8(p.text);
        EXPECT_EQ(sqlcatch::SearchPattern(t), QString::fromUtf8(p.search)) << p.text;
        EXPECT_EQ(sqlcatch::RolePattern(t), QString::fromUtf8(p.role)) << p.text;
        EXPECT_EQ(sqlcatch::MatrixRolePattern(t), QString::fromUtf8(p.matrixRole)) << p.text;
    }
    EXPECT_EQ(sqlcatch::FormatTotalTime(0.0000004), "0.000000");
    EXPECT_EQ(sqlcatch::FormatTotalTime(1234.5), "1234.500000");
    EXPECT_TRUE(sqlcatch::ResetErrorMeansDone("ERROR: no binary output function available for type void"));
    EXPECT_TRUE(sqlcatch::ResetErrorMeansDone("ERROR: 型voidにはバイナリ出力関数がありません"));
    EXPECT_TRUE(sqlcatch::ResetErrorMeansDone("ERROR: cursor \"c1\" already exists"));
    EXPECT_TRUE(sqlcatch::ResetErrorMeansDone("ERROR: カーソル\"c1\"はすでに存在します"));
    EXPECT_FALSE(sqlcatch::ResetErrorMeansDone("ERROR: cursor \"c1\" does not exist"));
    EXPECT_FALSE(sqlcatch::ResetErrorMeansDone("ERROR: permission denied for function pg_stat_statements_reset"));
}

// ---------------------------------------------------------------------------
// The windows

namespace {

class CaptureWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterMonitorWindows();
    }

    TfrmObject *Logon(bool autoCommit = true)
    {
        s.Start(LogonArgs(db.params()));
        tvOption.UpdateToCommit = autoCommit;
        s.FirstPaint();
        s.main->show();
        TfrmObject *f = s.Form();
        EXPECT_NE(f, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        return f;
    }
    // ツール → the item of that caption, as the user picks it.
    void ToolMenu(const QString &caption) const
    {
        QMenu *tool = s.main->findChild<QMenu *>(QStringLiteral("mnuTool"));
        ASSERT_NE(tool, nullptr);
        for (QAction *a : tool->actions()) {
            if (a->text() == caption) {
                ASSERT_TRUE(a->isEnabled()) << caption.toStdString();
                a->trigger();
                return;
            }
        }
        FAIL() << "no menu item " << caption.toStdString();
    }
    std::unique_ptr<tv::db::Connection> Connect() const
    {
        auto conn = std::make_unique<tv::db::Connection>(dbtest::paramsOf(db));
        conn->Open();
        return conn;
    }
    template <class T>
    T *Opened(const QString &title) const
    {
        return s.main->FindWindowOf<T>(title + s.Form()->ConnectionText(), false);
    }
    template <class T>
    QList<T *> WindowsOf() const
    {
        QList<T *> out;
        for (QWidget *c : s.main->MdiChildren())
            if (auto *t = dynamic_cast<T *>(c))
                out << t;
        return out;
    }
    // A second connection window, on a database without the view.
    TfrmObject *OtherConnection(const TestDb &other) const
    {
        const DbParams &p = other.params();
        return TfrmObject::Create(s.main.get(), p.host, p.port, p.database, QString(), p.user, p.password);
    }
    // Picks a connection in a tool window's combo, as the user does.
    static void PickConnection(TtvToolForm *w, TfrmObject *form)
    {
        const int at = w->cmbDBName->findText(form->ConnectionText());
        ASSERT_GE(at, 0);
        w->cmbDBName->setCurrentIndex(at);
        emit w->cmbDBName->activated(at);
    }
    static void Click(QToolBar *bar, QAction *a)
    {
        QWidget *b = bar->widgetForAction(a);
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    static QStringList Statements(TtvListView *l, int column)
    {
        QStringList out;
        for (int i = 0; i < l->ItemCount(); ++i)
            out << l->Item(i)->SubItem(column);
        return out;
    }
    static TtvListItem *RowOf(TtvListView *l, const QString &statement, int column)
    {
        for (int i = 0; i < l->ItemCount(); ++i)
            if (l->Item(i)->SubItem(column) == statement)
                return l->Item(i);
        return nullptr;
    }
    QString LastText() const { return s.dialogs.texts().isEmpty() ? QString() : s.dialogs.texts().last(); }
    std::string Role(const char *tag) const { return db.params().database.toStdString() + "_" + tag; }

    TestDb db{"w3t6"};
    ShellSession s;
};

} // namespace

TEST_F(CaptureWindows, CaptureListsFiltersAndResets)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA w3t6; CREATE TABLE w3t6.orders(id int primary key, qty int);"
            "INSERT INTO w3t6.orders VALUES (1, 1), (7, 3)");
    ASSERT_NE(Logon(), nullptr);

    // Without the view in public: the message, and no window.
    ToolMenu(QStringLiteral("SQLキャッチ(&T)"));
    EXPECT_EQ(LastText(), QStringLiteral("pg_stat_statementsがpublicスキーマに存在しない為、\r\n表示する事が出来ません。"));
    EXPECT_TRUE(WindowsOf<TfrmSQLCatch>().isEmpty());

    db.exec("CREATE EXTENSION IF NOT EXISTS pg_stat_statements SCHEMA public");
    for (const char *tag : {"admin", "sysadm", "gone", "plain"})
        db.ensureRole(Role(tag));
    db.exec("GRANT USAGE ON SCHEMA w3t6 TO " + Role("admin") + ", " + Role("sysadm") + ", " + Role("gone"));
    {
        auto other = Connect();
        other->Exec(QStringLiteral("select count(*) from w3t6.orders where id = 7"));
        other->Exec(QStringLiteral("select qty from w3t6.orders order by id"));
        for (const char *tag : {"admin", "sysadm", "gone"}) {
            other->Exec(QStringLiteral("SET ROLE ") + QString::fromStdString(Role(tag)));
            other->Exec(QStringLiteral("select '%1' as who").arg(QString::fromLatin1(tag)));
            other->Exec(QStringLiteral("RESET ROLE"));
        }
    }
    db.exec("DROP OWNED BY " + Role("gone") + "; DROP ROLE " + Role("gone"));

    ToolMenu(QStringLiteral("SQLキャッチ(&T)"));
    auto *w = Opened<TfrmSQLCatch>(QStringLiteral("SQLキャッチ - "));
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    const QString counted = QStringLiteral("select count(*) from w3t6.orders where id = $1");
    TtvListItem *row = RowOf(w->lstTrace, counted, 4);
    ASSERT_NE(row, nullptr) << Statements(w->lstTrace, 4).join(u'\n').toStdString();
    EXPECT_EQ(row->Caption(), db.params().user);
    EXPECT_EQ(row->SubItem(0), db.params().database);
    EXPECT_EQ(row->SubItem(1), QStringLiteral("1"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d{6}$")).match(row->SubItem(2)).hasMatch())
        << row->SubItem(2).toStdString();
    EXPECT_EQ(row->SubItem(3), QStringLiteral("1"));
    // The connection's own role is chosen at the opening. With every role,
    // the dropped role's statement never shows.
    EXPECT_EQ(w->cmbUser->Text(), db.params().user);
    w->cmbUser->setFocus();
    w->cmbUser->setEditText(QStringLiteral("(全て)"));
    QTest::keyClick(w->cmbUser, Qt::Key_Return);
    QStringList who;
    for (int i = 0; i < w->lstTrace->ItemCount(); ++i) {
        EXPECT_FALSE(w->lstTrace->Item(i)->Caption().isEmpty());
        if (w->lstTrace->Item(i)->SubItem(4) == QStringLiteral("select $1 as who"))
            who << w->lstTrace->Item(i)->Caption();
    }
    who.sort();
    EXPECT_EQ(who, (QStringList{QString::fromStdString(Role("admin")), QString::fromStdString(Role("sysadm"))}));

    // A role text that is part of two roles' names lists both, Enter loads.
    w->cmbUser->setEditText(QStringLiteral("adm"));
    QTest::keyClick(w->cmbUser, Qt::Key_Return);
    QStringList roles;
    for (int i = 0; i < w->lstTrace->ItemCount(); ++i)
        roles << w->lstTrace->Item(i)->Caption();
    roles.removeDuplicates();
    roles.sort();
    EXPECT_EQ(roles, (QStringList{QString::fromStdString(Role("admin")), QString::fromStdString(Role("sysadm"))}));

    // The search text matches inside the statements; the selected row's text
    // shows below.
    w->cmbUser->setEditText(QStringLiteral("(全て)"));
    w->txtFind->setFocus();
    QTest::keyClicks(w->txtFind, QStringLiteral("orders where id"));
    QTest::keyClick(w->txtFind, Qt::Key_Return);
    ASSERT_EQ(w->lstTrace->ItemCount(), 1) << Statements(w->lstTrace, 4).join(u'\n').toStdString();
    EXPECT_FALSE(w->actExplan->isEnabled());
    w->lstTrace->setCurrentItem(w->lstTrace->Item(0));
    EXPECT_EQ(w->txtQuery->Lines()->Text().trimmed(), counted);
    EXPECT_TRUE(w->actExplan->isEnabled());
    w->actSQLCopy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), counted);

    // A statement without parameters: its plan in a new SQL window in plan
    // mode, and the adviser's analysis run at once.
    w->txtFind->clear();
    QTest::keyClicks(w->txtFind, QStringLiteral("order by id"));
    QTest::mouseClick(w->btnFind, Qt::LeftButton);
    const QString listed = QStringLiteral("select qty from w3t6.orders order by id");
    ASSERT_NE(RowOf(w->lstTrace, listed, 4), nullptr) << Statements(w->lstTrace, 4).join(u'\n').toStdString();
    w->lstTrace->setCurrentItem(RowOf(w->lstTrace, listed, 4));
    w->actExplan->trigger();
    const QList<TfrmSQL *> sqlWindows = WindowsOf<TfrmSQL>();
    ASSERT_EQ(sqlWindows.size(), 1);
    TfrmSQL *plan = sqlWindows.first();
    EXPECT_TRUE(plan->btnExplan->isChecked());
    EXPECT_EQ(plan->txtSQL->Lines()->Text().trimmed(), listed);
    EXPECT_TRUE(PollUntil([&] { return plan->fraExplan->lstPlan->topLevelItemCount() > 0; }))
        << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(plan->fraExplan->lstPlan->TopNode(0)->Text(), QStringLiteral("SELECT STATEMENT"));
    w->actIndexAdviser->trigger();
    const QList<TfrmIndexAdviser *> advisers = WindowsOf<TfrmIndexAdviser>();
    ASSERT_EQ(advisers.size(), 1);
    TfrmIndexAdviser *adviser = advisers.first();
    EXPECT_EQ(adviser->txtSQL->Lines()->Text().trimmed(), listed);
    EXPECT_TRUE(PollUntil([&] {
        QTreeWidgetItem *t = adviser->lstIndex->topLevelItemCount() ? adviser->lstIndex->topLevelItem(0) : nullptr;
        return t && t->text(0) == QStringLiteral("w3t6.orders") && t->childCount() > 0 &&
               t->child(0)->text(0) == QStringLiteral("orders_pkey");
    })) << s.dialogs.texts().join(u'\n').toStdString();

    // Reset: No changes nothing; without the right the server's text and the
    // list as it was; Yes clears this database's statements.
    const int before = w->lstTrace->ItemCount();
    s.dialogs.queueButton(tv::ui::IDNO);
    QTest::mouseClick(w->tolCmd->widgetForAction(w->actSQLClear), Qt::LeftButton);
    EXPECT_EQ(LastText(), QStringLiteral("pg_stat_statementsの情報をクリアしますか？"));
    EXPECT_EQ(s.dialogs.calls().last().flags & tv::ui::MB_DEFBUTTON2, unsigned(tv::ui::MB_DEFBUTTON2));
    EXPECT_EQ(w->lstTrace->ItemCount(), before);
    s.Form()->dbsMain().Exec(QStringLiteral("SET ROLE ") + QString::fromStdString(Role("plain")));
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actSQLClear->trigger();
    EXPECT_TRUE(LastText().startsWith(QStringLiteral("エラーが発生しました。\r\nERROR: ")) &&
                LastText().contains(QStringLiteral("pg_stat_statements_reset")))
        << LastText().toStdString();
    EXPECT_EQ(w->lstTrace->ItemCount(), before);
    s.Form()->dbsMain().Exec(QStringLiteral("RESET ROLE"));
    w->txtFind->clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actSQLClear->trigger();
    EXPECT_EQ(LastText(), QStringLiteral("クリアしました。"));
    EXPECT_EQ(RowOf(w->lstTrace, counted, 4), nullptr);
    EXPECT_EQ(RowOf(w->lstTrace, listed, 4), nullptr);

    // A connection picked later whose database lacks the view: the server's
    // text, an empty list.
    TestDb bare{"w3t6n"};
    TfrmObject *b = OtherConnection(bare);
    ASSERT_NE(b, nullptr);
    PickConnection(w, b);
    EXPECT_TRUE(LastText().contains(QStringLiteral("pg_stat_statements"))) << LastText().toStdString();
    EXPECT_EQ(w->lstTrace->ItemCount(), 0);
    EXPECT_FALSE(w->Output->actExcel->isEnabled());
    w->Close();
}

// ツール → "テーブルアクセス表(&A)" in the program started with the logon
// switches: the schema chosen, "*" ticked, "表示(&V)", and the matrix to a
// workbook.
TEST_F(CaptureWindows, TableAccessMatrixFromTheToolsMenu)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE EXTENSION IF NOT EXISTS pg_stat_statements SCHEMA public;"
            "CREATE SCHEMA w3t6; CREATE TABLE w3t6.orders(id int primary key, qty int);"
            "CREATE TABLE w3t6.items(id int); INSERT INTO w3t6.orders VALUES (1, 1)");
    for (const bool autoCommit : {true, false}) {
        SCOPED_TRACE(autoCommit ? "auto-commit" : "auto-commit off");
        ASSERT_NE(Logon(autoCommit), nullptr);
        Connect()->Exec(QStringLiteral("update w3t6.orders set qty = 2 where id = 1"));
        ToolMenu(QStringLiteral("テーブルアクセス表(&A)"));
        auto *w = Opened<TfrmSQLCRUD>(QStringLiteral("テーブルアクセス表 - "));
        ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
        EXPECT_EQ(w->lstCRUD->ItemCount(), 0);
        EXPECT_FALSE(w->Output->actOutput->isEnabled());
        EXPECT_EQ(w->cmbUser->Text(), db.params().user);

        // The schema typed in its box; "*" alone ticked.
        w->cmbSchema->setFocus();
        QTest::keyClicks(w->cmbSchema, QStringLiteral("w3t6"));
        ASSERT_EQ(w->cmbSchema->Text(), QStringLiteral("w3t6"));
        QStringList tables;
        for (int i = 0; i < w->lstTable->count(); ++i)
            tables << w->lstTable->item(i)->text();
        EXPECT_EQ(tables, (QStringList{"*", "items", "orders"}));
        EXPECT_EQ(w->lstTable->item(0)->checkState(), Qt::Checked);

        // Nothing ticked: the message, no matrix.
        w->lstTable->setFocus();
        w->lstTable->setCurrentRow(0);
        QTest::keyClick(w->lstTable, Qt::Key_Space);
        ASSERT_EQ(w->lstTable->item(0)->checkState(), Qt::Unchecked);
        Click(w->tolCmd, w->actRefresh);
        EXPECT_EQ(LastText(), QStringLiteral("対象テーブルを選択して下さい。"));
        EXPECT_EQ(w->lstCRUD->ItemCount(), 0);

        QTest::keyClick(w->lstTable, Qt::Key_Space);
        ASSERT_EQ(w->lstTable->item(0)->checkState(), Qt::Checked);
        Click(w->tolCmd, w->actRefresh);
        TtvListItem *row = nullptr;
        for (int i = 0; i < w->lstCRUD->ItemCount(); ++i) {
            TtvListItem *it = w->lstCRUD->Item(i);
            EXPECT_NE(it->Caption(), QStringLiteral("items"));
            if (it->Caption() == QStringLiteral("orders") && it->SubItem(4).startsWith(QStringLiteral("update")))
                row = it;
        }
        ASSERT_NE(row, nullptr) << Statements(w->lstCRUD, 4).join(u'\n').toStdString();
        EXPECT_EQ(row->SubItems().mid(0, 4), (QStringList{"", "", "*", ""}));
        EXPECT_EQ(row->SubItem(4), QStringLiteral("update w3t6.orders set qty = $1 where id = $2"));
        EXPECT_TRUE(w->Output->actOutput->isEnabled());

        // The workbook: the column titles in row 1; the folder stays.
        const QString dir = s.scratch.path() + QStringLiteral("/xl/");
        QDir().mkpath(dir);
        QFile::remove(dir + QStringLiteral("TBLACCESS.XLSX"));
        tvOption.ExcelDir = dir;
        tvOption.ExcelExt = QStringLiteral(".XLSX");
        s.dialogs.queuePath(dir + QStringLiteral("TBLACCESS.XLSX"));
        w->Output->actExcel->trigger();
        EXPECT_EQ(s.dialogs.calls().last().text, QStringLiteral("ファイルに出力しました。"));
        XlsxBook book;
        ASSERT_TRUE(book.open(dir + QStringLiteral("TBLACCESS.XLSX")));
        QStringList heads;
        for (int c = 1; c <= 6; ++c)
            heads << book.cell(1, c).value;
        EXPECT_EQ(heads, (QStringList{"テーブル名", "C", "R", "U", "D", "SQL"}));
        EXPECT_EQ(book.extent(), std::make_pair(w->lstCRUD->ItemCount() + 1, 6));
        EXPECT_EQ(tvOption.ExcelDir, dir);

        if (autoCommit) {
            // A connection picked later whose database lacks the view: the
            // pickers follow it, "表示(&V)" shows the server's text and no
            // matrix.
            TestDb bare{"w3t6n"};
            TfrmObject *b = OtherConnection(bare);
            ASSERT_NE(b, nullptr);
            PickConnection(w, b);
            EXPECT_EQ(w->lstCRUD->ItemCount(), 0);
            EXPECT_EQ(w->cmbSchema->Text(), QStringLiteral("public"));
            Click(w->tolCmd, w->actRefresh);
            EXPECT_TRUE(LastText().contains(QStringLiteral("pg_stat_statements"))) << LastText().toStdString();
            EXPECT_EQ(w->lstCRUD->ItemCount(), 0);
        }
        w->Close();
        s.main.reset();
    }
}
