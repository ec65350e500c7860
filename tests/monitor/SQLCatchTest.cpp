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
#include "sql/frmSQL.h"
#include "platform/db/Connection.h"
#include "support/XlsxBook.h"
#include "tools/ListOutput.h"

#include <QAction>
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
    // From 13 the view's time column is total_exec_time, in the list and the search.
    for (const int ver : {120000, 130000, 150000}) {
        const QString sql = sqlcatch::StatementListSQL(ver);
        const QString time = ver >= 130000 ? "total_exec_time" : "total_time";
        const QString other = ver >= 130000 ? " s.total_time" : "total_exec_time";
        EXPECT_TRUE(sql.contains(" s." + time + ",")) << ver;
        EXPECT_TRUE(sql.contains("to_char(" + time + " , '999999D999999')")) << ver;
        EXPECT_FALSE(sql.contains(other)) << ver;
        EXPECT_TRUE(sql.endsWith(" AND UPPER(rolname) LIKE UPPER(:rolname)"));
    }
    EXPECT_EQ(sqlcatch::StatementListSQL(120000),
              " SELECT r.rolname, d.datname, s.calls, s.total_time, s.rows, s.query FROM public.pg_stat_statements s"
              " LEFT OUTER JOIN pg_roles r ON r.oid = s.userid LEFT OUTER JOIN pg_database d ON d.oid = s.dbid"
              " WHERE 0 = 0 AND datname = :datname AND ( UPPER(rolname) LIKE UPPER(:kensaku) OR UPPER(datname)"
              " LIKE UPPER(:kensaku) OR UPPER( to_char( calls , '999999999999' ) ) LIKE UPPER(:kensaku) OR"
              " UPPER( to_char(total_time , '999999D999999') ) LIKE UPPER(:kensaku) OR UPPER( to_char(rows ,"
              " '999999999999') ) LIKE UPPER(:kensaku) OR UPPER(query) LIKE UPPER(:kensaku) ) AND"
              " UPPER(rolname) LIKE UPPER(:rolname)");
    EXPECT_EQ(sqlcatch::SearchPattern(""), "%%");
    EXPECT_EQ(sqlcatch::SearchPattern("7"), "%7%");
    EXPECT_EQ(sqlcatch::RolePattern("(全て)"), "%%");
    EXPECT_EQ(sqlcatch::RolePattern(""), "%%");
    EXPECT_EQ(sqlcatch::MatrixRolePattern("(全て)"), "%");
    EXPECT_EQ(sqlcatch::MatrixRolePattern("app_user"), "app_user");
    EXPECT_EQ(sqlcatch::FormatTotalTime(0.0000004), "0.000000");
    EXPECT_EQ(sqlcatch::FormatTotalTime(1234.5), "1234.500000");
    EXPECT_TRUE(sqlcatch::ResetErrorMeansDone("ERROR: no binary output function available for type void"));
    EXPECT_TRUE(sqlcatch::ResetErrorMeansDone("ERROR: cursor \"c1\" already exists"));
    EXPECT_FALSE(sqlcatch::ResetErrorMeansDone("ERROR: permission denied for function pg_stat_statements_reset"));
}

// ---------------------------------------------------------------------------
// The windows

namespace {

template <class F>
bool PollUntil(F done, int ms = 60000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

class CaptureWindows : public ::testing::Test {
protected:
    void SetUp() override { RegisterMonitorWindows(); }

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
    std::unique_ptr<tv::db::Connection> Connect() const
    {
        tv::db::ConnectionParams p;
        p.Server = db.params().host;
        p.Port = db.params().port.toInt();
        p.Database = db.params().database;
        p.User_Name = db.params().user;
        p.Password = db.params().password;
        auto c = std::make_unique<tv::db::Connection>(p);
        c->Open();
        return c;
    }
    template <class T>
    T *Opened(const QString &title) const
    {
        return s.main->FindWindowOf<T>(title + s.Form()->ConnectionText(), false);
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
    QAction *open = s.main->Action(QStringLiteral("actViewSQLCatch"));
    ASSERT_NE(open, nullptr);

    // Without the view in public: the message, and no window.
    open->trigger();
    EXPECT_EQ(s.dialogs.texts().last(),
              QStringLiteral("pg_stat_statementsがpublicスキーマに存在しない為、\r\n表示する事が出来ません。"));
    EXPECT_EQ(Opened<TfrmSQLCatch>(QStringLiteral("SQLキャッチ - ")), nullptr);

    db.exec("CREATE EXTENSION IF NOT EXISTS pg_stat_statements SCHEMA public");
    for (const char *tag : {"admin", "sysadm", "gone"})
        db.ensureRole(Role(tag));
    db.exec("GRANT USAGE ON SCHEMA w3t6 TO " + Role("admin") + ", " + Role("sysadm") + ", " + Role("gone"));
    {
        auto other = Connect();
        other->Exec(QStringLiteral("select count(*) from w3t6.orders where id = 7"));
        for (const char *tag : {"admin", "sysadm", "gone"}) {
            other->Exec(QStringLiteral("SET ROLE ") + QString::fromStdString(Role(tag)));
            other->Exec(QStringLiteral("select '%1' as who").arg(QString::fromLatin1(tag)));
            other->Exec(QStringLiteral("RESET ROLE"));
        }
    }
    db.exec("DROP OWNED BY " + Role("gone") + "; DROP ROLE " + Role("gone"));

    open->trigger();
    auto *w = Opened<TfrmSQLCatch>(QStringLiteral("SQLキャッチ - "));
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
    const QString counted = QStringLiteral("select count(*) from w3t6.orders where id = $1");
    TtvListItem *row = RowOf(w->lstTrace, counted, 4);
    ASSERT_NE(row, nullptr) << Statements(w->lstTrace, 4).join(u'\n').toStdString();
    EXPECT_EQ(row->Caption(), QString::fromLatin1(db.params().user.toLatin1()));
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
    w->lstTrace->setCurrentItem(w->lstTrace->Item(0));
    EXPECT_EQ(w->txtQuery->Lines()->Text().trimmed(), counted);
    EXPECT_TRUE(w->actExplan->isEnabled());

    // The plan opens in a new SQL window with its plan button down; the
    // adviser gets the statement in its editor.
    auto windowsOf = [this](auto *sample) {
        QList<decltype(sample)> out;
        for (QWidget *c : s.main->MdiChildren())
            if (auto *t = dynamic_cast<decltype(sample)>(c))
                out << t;
        return out;
    };
    w->actExplan->trigger();
    const auto sqlWindows = windowsOf(static_cast<TfrmSQL *>(nullptr));
    ASSERT_EQ(sqlWindows.size(), 1);
    EXPECT_TRUE(sqlWindows.first()->btnExplan->isChecked());
    EXPECT_EQ(sqlWindows.first()->txtSQL->Lines()->Text().trimmed(), counted);
    w->actIndexAdviser->trigger();
    const auto advisers = windowsOf(static_cast<TfrmIndexAdviser *>(nullptr));
    ASSERT_EQ(advisers.size(), 1);
    EXPECT_EQ(advisers.first()->txtSQL->Lines()->Text().trimmed(), counted);

    // Reset: No changes nothing, Yes clears this database's statements.
    s.dialogs.queueButton(tv::ui::IDNO);
    w->actSQLClear->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("pg_stat_statementsの情報をクリアしますか？"));
    EXPECT_EQ(w->lstTrace->ItemCount(), 1);
    w->txtFind->clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actSQLClear->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("クリアしました。"));
    EXPECT_EQ(RowOf(w->lstTrace, counted, 4), nullptr);
    EXPECT_FALSE(w->Output->actExcel->isEnabled() && w->lstTrace->ItemCount() == 0);
    w->Close();
}

TEST_F(CaptureWindows, TableAccessMatrixFromTheToolsMenu)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE EXTENSION IF NOT EXISTS pg_stat_statements SCHEMA public;"
            "CREATE SCHEMA w3t6; CREATE TABLE w3t6.orders(id int primary key, qty int);"
            "CREATE TABLE w3t6.items(id int); INSERT INTO w3t6.orders VALUES (1, 1)");
    for (const bool autoCommit : {true, false}) {
        SCOPED_TRACE(autoCommit ? "auto-commit" : "auto-commit off");
        ASSERT_NE(Logon(autoCommit), nullptr);
        {
            auto other = Connect();
            other->Exec(QStringLiteral("update w3t6.orders set qty = 2 where id = 1"));
        }
        s.main->Action(QStringLiteral("actViewSQLCRUD"))->trigger();
        auto *w = Opened<TfrmSQLCRUD>(QStringLiteral("テーブルアクセス表 - "));
        ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
        EXPECT_EQ(w->lstCRUD->ItemCount(), 0);
        EXPECT_FALSE(w->Output->actOutput->isEnabled());

        // Nothing ticked: the message, no matrix.
        const int at = w->cmbSchema->findText(QStringLiteral("w3t6"));
        ASSERT_GE(at, 0);
        w->cmbSchema->setCurrentIndex(at);
        emit w->cmbSchema->activated(at);
        ASSERT_GE(w->lstTable->count(), 3);
        EXPECT_EQ(w->lstTable->item(0)->text(), QStringLiteral("*"));
        EXPECT_EQ(w->lstTable->item(0)->checkState(), Qt::Checked);
        w->lstTable->item(0)->setCheckState(Qt::Unchecked);
        w->actRefresh->trigger();
        EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("対象テーブルを選択して下さい。"));

        w->lstTable->item(0)->setCheckState(Qt::Checked);
        w->actRefresh->trigger();
        TtvListItem *row = nullptr;
        for (int i = 0; i < w->lstCRUD->ItemCount(); ++i) {
            TtvListItem *it = w->lstCRUD->Item(i);
            if (it->Caption() == QStringLiteral("orders") && it->SubItem(4).startsWith(QStringLiteral("update")))
                row = it;
        }
        ASSERT_NE(row, nullptr) << Statements(w->lstCRUD, 4).join(u'\n').toStdString();
        EXPECT_EQ(row->SubItems().mid(0, 4), (QStringList{"", "", "*", ""}));
        for (int i = 0; i < w->lstCRUD->ItemCount(); ++i)
            EXPECT_NE(w->lstCRUD->Item(i)->Caption(), QStringLiteral("items"));
        EXPECT_TRUE(w->Output->actOutput->isEnabled());

        // The workbook: the column titles in row 1; the folder stays.
        const QString dir = s.scratch.path() + QStringLiteral("/xl/");
        QDir().mkpath(dir);
        tvOption.ExcelDir = dir;
        tvOption.ExcelExt = QStringLiteral(".XLSX");
        s.dialogs.queuePath(dir + QStringLiteral("TBLACCESS.XLSX"));
        w->Output->actExcel->trigger();
        XlsxBook book;
        ASSERT_TRUE(book.open(dir + QStringLiteral("TBLACCESS.XLSX")));
        QStringList heads;
        for (int c = 1; c <= 6; ++c)
            heads << book.cell(1, c).value;
        EXPECT_EQ(heads, (QStringList{"テーブル名", "C", "R", "U", "D", "SQL"}));
        EXPECT_EQ(tvOption.ExcelDir, dir);
        w->Close();
        s.main.reset();
    }
}
