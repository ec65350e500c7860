// The program started with a command line against the test server: the
// connection window, its transaction, its schema, its keep-alive and its
// statement services.
#include "ModalSteps.h"
#include "ShellTestSupport.h"

#include "platform/db/DbError.h"
#include "platform/ui/WindowMessage.h"

#include <QLineEdit>
#include <QMdiSubWindow>

using namespace tvtest;

namespace {

// One row of pg_stat_activity for a backend, read from a second connection.
std::string Activity(const TestDb &db, int pid, const char *column)
{
    return db.scalar("SELECT " + std::string(column) + " FROM pg_stat_activity WHERE pid = " + std::to_string(pid));
}

} // namespace

TEST(ConnectionWindow, CommandLineLogonOpensTheWindowAndNamesTheProgram)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    const auto &p = db.params();
    s.Start(LogonArgs(p));
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
    const QString caption = QStringLiteral("オブジェクトリスト - %1 @ %2/%3:%4").arg(p.user, p.database, p.host, p.port);
    EXPECT_EQ(f->windowTitle(), caption);
    EXPECT_EQ(s.main->CurrentForm(), f);
    EXPECT_EQ(s.main->cmbDBName->currentText(), QStringLiteral("%1 @ %2/%3:%4").arg(p.user, p.database, p.host, p.port));
    EXPECT_GT(f->MYSID(), 0);
    EXPECT_EQ(f->DBVer() / 10000, 15);
    EXPECT_EQ(Activity(db, f->MYSID(), "application_name"), "talvex");
    EXPECT_EQ(Activity(db, f->MYSID(), "state"), "idle");
}

TEST(ConnectionWindow, NoUserSwitchLogsOnNowhere)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    QStringList args = LogonArgs(db.params());
    args.removeFirst(); // the /U= switch
    s.Start(args);
    // The logon dialog is offered instead; cancelled, it connects nowhere.
    ModalSteps steps({CancelStep(QStringLiteral("frmLogon"))});
    s.FirstPaint();
    EXPECT_TRUE(steps.finished());
    EXPECT_TRUE(s.main->MdiChildren().isEmpty());
    EXPECT_EQ(s.main->CurrentForm(), nullptr);
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

TEST(ConnectionWindow, FailedLogonLeavesNothingBehind)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    auto p = db.params();
    p.database = QStringLiteral("no_such_db_for_shell");
    s.Start(LogonArgs(p));
    // After the error the dialog is offered again with the values; cancelled.
    QString offered;
    ModalSteps steps({{QStringLiteral("frmLogon"), [&](QWidget *w) {
                           offered = w->findChild<QLineEdit *>(QStringLiteral("txtDatabase"))->text();
                           QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
                       }}});
    s.FirstPaint();
    EXPECT_EQ(offered, p.database);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(s.main->MdiChildren().isEmpty());
    EXPECT_EQ(s.main->cmbDBName->count(), 0);
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_TRUE(s.dialogs.calls().at(0).text.contains(QStringLiteral("no_such_db_for_shell")));
    EXPECT_FALSE(s.dialogs.calls().at(0).text.contains(p.password.isEmpty() ? QStringLiteral("\x01") : p.password));
    EXPECT_EQ(s.main->StatusText(2), QString());
    EXPECT_FALSE(s.main->Action(QStringLiteral("actDBCommit"))->isEnabled());
}

// UpdateToCommit off keeps the session in a block that closing rolls back;
// on (the default) every statement is committed.
TEST(ConnectionWindow, TransactionFollowsUpdateToCommit)
{
    for (const bool updateToCommit : {false, true}) {
        SCOPED_TRACE(updateToCommit);
        TestDb db("shell");
        TV_REQUIRE_DB(db);
        ShellSession s;
        s.Start(LogonArgs(db.params()));
        tvOption.UpdateToCommit = updateToCommit;
        s.FirstPaint();
        TfrmObject *f = s.Form();
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(Activity(db, f->MYSID(), "state"), updateToCommit ? "idle" : "idle in transaction");
        f->ExecuteSQL(QStringLiteral("create table shell_a(x int)"));
        EXPECT_EQ(Activity(db, f->MYSID(), "state"), updateToCommit ? "idle" : "idle in transaction");
        ASSERT_TRUE(s.main->SubWindowOf(f)->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(s.main->MdiChildren().isEmpty());
        EXPECT_EQ(s.main->cmbDBName->count(), 0);
        EXPECT_EQ(db.scalar("SELECT count(*) FROM pg_class WHERE relname = 'shell_a'"), updateToCommit ? "1" : "0");
    }
}

TEST(ConnectionWindow, MainCommitAndRollbackOpenTheBlockAgain)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    tvOption.UpdateToCommit = false;
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    f->ExecuteSQL(QStringLiteral("create table shell_kept(x int)"));
    s.main->Action(QStringLiteral("actDBCommit"))->trigger();
    f->ExecuteSQL(QStringLiteral("create table shell_dropped(x int)"));
    s.main->Action(QStringLiteral("actDBRollback"))->trigger();
    EXPECT_EQ(Activity(db, f->MYSID(), "state"), "idle in transaction");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM pg_class WHERE relname LIKE 'shell\\_%'"), "1");
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

TEST(ConnectionWindow, SchemaChoice)
{
    struct Case {
        const char *given;
        const char *chosen;
    } cases[] = {
        {"Public", "information_schema"}, // not in the catalog: the first schema in name order
        {"nowhere", "information_schema"},
        {"", "public"},                   // empty: the server's current schema
        {"x Mixed Case", "x Mixed Case"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.given);
        TestDb db("shell");
        TV_REQUIRE_DB(db);
        db.exec("CREATE SCHEMA \"x Mixed Case\"");
        ShellSession s;
        s.Start(LogonArgs(db.params(), QString::fromUtf8(c.given)));
        s.FirstPaint();
        TfrmObject *f = s.Form();
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->dbsMain().Params().MetaDefSchema, QString::fromUtf8(c.chosen));
        tv::db::Query &q = f->OpenSQL(QStringLiteral("SELECT current_schema()"));
        EXPECT_EQ(q.Fields(0).AsString(), QString::fromUtf8(c.chosen));
        EXPECT_TRUE(s.dialogs.calls().isEmpty());
    }
}

TEST(ConnectionWindow, SearchPathShowsTheFallbackSchema)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params(), QStringLiteral("Public")));
    tvOption.UpdateToCommit = false;
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->OpenSQL(QStringLiteral("SHOW search_path")).Fields(0).AsString(), QStringLiteral("information_schema"));
    // The ignored-failure steps left the block usable.
    EXPECT_EQ(Activity(db, f->MYSID(), "state"), "idle in transaction");
}

TEST(ConnectionWindow, KeepAliveSendsSelectOneOnlyWhenAsked)
{
    for (const int interval : {1, 0}) {
        SCOPED_TRACE(interval);
        TestDb db("shell");
        TV_REQUIRE_DB(db);
        ShellSession s;
        s.Start(LogonArgs(db.params()));
        tvOption.KeepAliveInterval = interval;
        s.FirstPaint();
        TfrmObject *f = s.Form();
        ASSERT_NE(f, nullptr);
        // With the keep-alive on, its statement shows up after a tick (allow a
        // slow machine some seconds); with it off, nothing comes in the time
        // a tick would have taken.
        const bool seen = QTest::qWaitFor([&] { return Activity(db, f->MYSID(), "query") == "SELECT 1 "; },
                                          interval == 1 ? 8000 : 1600);
        EXPECT_EQ(seen, interval == 1);
    }
}

TEST(ConnectionWindow, LostServerIsReportedOncePerOutage)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    tvOption.KeepAliveInterval = 1;
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    db.exec("SELECT pg_terminate_backend(" + std::to_string(f->MYSID()) + ")");
    // The first failing tick reports the outage; later ticks stay quiet.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !s.dialogs.calls().isEmpty(); }, 8000));
    QTest::qWait(2600);
    EXPECT_EQ(s.dialogs.calls().size(), 1) << s.dialogs.texts().join('\n').toStdString();
    // It names the loss in the user's language, the server's words after it.
    EXPECT_TRUE(s.dialogs.texts().value(0).startsWith(QString::fromUtf8(tv::db::kConnectionLostText) + u'\n'))
        << s.dialogs.texts().join('\n').toStdString();
    // Closing the window with the connection gone still works.
    EXPECT_TRUE(s.main->SubWindowOf(f)->close());
}

TEST(ConnectionWindow, ScriptAndStatementServices)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    f->ExecuteSQL(QStringList{"create table a(x int)", " ; ", ";", "insert into a values(1)"}, false);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM a"), "1");
    // ":=" and "::" reach the server as written.
    f->ExecuteSQL(QStringLiteral("DO $$ DECLARE v int; BEGIN v := '2'::int; INSERT INTO a VALUES (v); END $$"));
    EXPECT_EQ(db.scalar("SELECT sum(x) FROM a"), "3");
    // A failing statement ends the script; the statements before it stay.
    EXPECT_THROW(f->ExecuteSQL(QStringList{"insert into a values(10)", ";", "insert into nowhere values(1)", ";",
                                           "insert into a values(100)"},
                               false),
                 tv::db::DbError);
    EXPECT_EQ(db.scalar("SELECT sum(x) FROM a"), "13");
    f->ExecuteSQL(QStringList{"insert into nowhere values(1)", ";", "insert into a values(100)"}, true);
    EXPECT_EQ(db.scalar("SELECT sum(x) FROM a"), "113");

    // The shared query: a result lives until the next call.
    tv::db::Query &q = f->OpenSQL(QStringLiteral("SELECT generate_series(1, 3) AS n"));
    EXPECT_EQ(q.RecordCount(), 3);
    const int pid = f->GetMySID();
    EXPECT_EQ(pid, f->MYSID());
    EXPECT_FALSE(q.Active());
    // Callers that loop copy the rows first.
    QStringList rows;
    for (tv::db::Query &r = f->OpenSQL(QStringLiteral("SELECT generate_series(1, 3)::text")); !r.Eof(); r.Next())
        rows << r.Fields(0).AsString();
    QStringList schemas;
    for (const QString &row : rows) {
        f->GetSchemaInfo(schemas, false);
        EXPECT_FALSE(schemas.isEmpty()) << row.toStdString();
    }
    EXPECT_EQ(rows, QStringList({"1", "2", "3"}));
    EXPECT_TRUE(schemas.contains(QStringLiteral("pg_catalog")));
    EXPECT_FALSE(schemas.contains(QStringLiteral("pg_toast")));
    // Parameters by position.
    EXPECT_EQ(f->OpenSQL(QStringLiteral("SELECT :a || :b || :a"), {"x", "y"}).Fields(0).AsString(), QStringLiteral("xyx"));
    f->ExecuteSQL(QStringLiteral("insert into a values(:v::int)"), {"1000"});
    EXPECT_EQ(db.scalar("SELECT sum(x) FROM a"), "1113");
    EXPECT_EQ(f->VerStr(90400, "new", "old"), QStringLiteral("new"));
    EXPECT_EQ(f->VerStr(999999, "new", "old"), QStringLiteral("old"));
}

TEST(ConnectionWindow, SchemaListFoldsTemporarySchemas)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    f->ExecuteSQL(QStringLiteral("CREATE TEMP TABLE t(x text)"));
    QStringList list;
    f->GetSchemaInfo(list, true);
    EXPECT_EQ(list.count(QStringLiteral("pg_temp")), 1);
    EXPECT_EQ(list.count(QStringLiteral("pg_toast_temp")), 1);
    EXPECT_TRUE(list.contains(QStringLiteral("pg_toast")));
    EXPECT_TRUE(list.contains(QStringLiteral("pg_catalog")));
    QStringList sorted = list;
    sorted.sort();
    EXPECT_EQ(list, sorted);
}

TEST(ConnectionWindow, KeepAliveSkipsABusyConnection)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    tvOption.KeepAliveInterval = 1;
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    // Ticks come while the statement runs (events keep flowing); they leave it alone.
    f->ExecuteSQL(QStringLiteral("SELECT pg_sleep(2.3)"));
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join('\n').toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Activity(db, f->MYSID(), "query") == "SELECT 1 "; }, 8000));
}

namespace {

// A child that fails while it hears of a new connection.
class FailingChild : public QWidget {
public:
    bool event(QEvent *e) override
    {
        if (tv::ui::IsWindowMessage(e) && static_cast<tv::ui::WindowMessageEvent *>(e)->message() == tv::ui::WM_DBCHANGE) {
            if (++heard == 1)
                throw tv::Error(QStringLiteral("boom"));
            return true;
        }
        return QWidget::event(e);
    }
    int heard = 0;
};

} // namespace

TEST(ConnectionWindow, FailureAfterListingTakesTheItemAwayAgain)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    auto *child = new FailingChild;
    s.main->AddMdiChild(child)->show();
    ModalSteps steps({CancelStep(QStringLiteral("frmLogon"))}); // offered again after the failure
    s.FirstPaint();
    EXPECT_TRUE(steps.finished());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(s.main->MdiChildren(), QList<QWidget *>({child}));
    EXPECT_EQ(s.main->cmbDBName->count(), 0);
    EXPECT_EQ(s.main->CurrentForm(), nullptr);
    EXPECT_EQ(child->heard, 2); // the connection came and went
    EXPECT_EQ(s.dialogs.texts(), QStringList({"boom"}));
    EXPECT_EQ(s.main->StatusText(2), QString());
    EXPECT_EQ(db.scalar("SELECT count(*) FROM pg_stat_activity WHERE application_name = 'talvex' AND datname = '" +
                        db.params().database.toStdString() + "'"),
              "0");
}
