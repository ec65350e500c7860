// Connecting, errors, cancel and lost connections against the test server.
#include "support/DbTestSupport.h"

#include <QElapsedTimer>
#include <functional>
#include <QTimer>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tv::db;

namespace {

// Runs fn, which must raise DbError, and returns the error.
template <class F>
DbError expectDbError(F fn)
{
    try {
        fn();
    } catch (const DbError &e) {
        return e;
    }
    ADD_FAILURE() << "no DbError raised";
    return DbError(QString());
}

// A loopback TCP listener that completes the handshake (the kernel does) and
// never says a word.
class SilentListener {
public:
    SilentListener()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr *>(&a), len) != 0 || ::listen(m_fd, 4) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&a), &len) != 0)
            return;
        m_port = ntohs(a.sin_port);
    }
    ~SilentListener()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

} // namespace

TEST(DbConnection, OpensWithNamedParametersAndReadsServerFacts)
{
    tvtest::TestDb db("conn");
    TV_REQUIRE_DB(db);
    ConnectionParams p = dbtest::paramsOf(db);
    EXPECT_TRUE(p.setValue(QStringLiteral("applicationname"), QStringLiteral("tv-named")));
    EXPECT_EQ(p.value(QStringLiteral("USER_NAME")), p.User_Name);
    p.Password = QStringLiteral("secret-word");
    EXPECT_FALSE(p.describe().contains(p.Password));
    p.Password = dbtest::paramsOf(db).Password;
    EXPECT_THROW(p.setValue(QStringLiteral("port"), QStringLiteral("http")), tv::Error);
    EXPECT_FALSE(p.setValue(QStringLiteral("NoSuchParam"), QStringLiteral("x")));

    Connection c(p);
    c.Open();
    ASSERT_TRUE(c.Connected());
    EXPECT_TRUE(c.ServerVersionText().startsWith(QStringLiteral("PostgreSQL 15")));
    EXPECT_GE(c.ServerVersionNum(), 150000);
    EXPECT_EQ(QString::number(c.BackendPid()), c.ExecScalar(QStringLiteral("SELECT pg_backend_pid()")));
    EXPECT_TRUE(c.ExecScalar(QStringLiteral("SHOW DateStyle")).startsWith(QStringLiteral("ISO")));
    EXPECT_EQ(c.ExecScalar(QStringLiteral("SHOW application_name")), QStringLiteral("tv-named"));
    EXPECT_EQ(c.ExecScalar(QStringLiteral("SHOW client_encoding")), QStringLiteral("UTF8"));
    EXPECT_EQ(c.ExecScalar(QStringLiteral("SELECT current_database()")), p.Database);
    EXPECT_EQ(c.transactionState(), TransactionState::Idle);
    c.Close();
    EXPECT_FALSE(c.Connected());
    const DbError closed = expectDbError([&] { c.Exec(QStringLiteral("SELECT 1")); });
    EXPECT_EQ(closed.sqlState(), QLatin1String(sqlstate::ConnectionDoesNotExist));
}

TEST(DbConnection, EmptyPasswordLetsLibpqFindIt)
{
    tvtest::TestDb db("conn");
    TV_REQUIRE_DB(db);
    if (qEnvironmentVariableIsEmpty("PGPASSWORD"))
        GTEST_SKIP() << "no PGPASSWORD in the environment";
    ConnectionParams p = dbtest::paramsOf(db);
    p.Password.clear();
    Connection c(p);
    c.Open();
    EXPECT_TRUE(c.Connected());
}

TEST(DbConnection, ConnectFailuresCarryLibpqAndServerText)
{
    tvtest::TestDb db("conn");
    TV_REQUIRE_DB(db);

    // A listener that accepts at the TCP level and never answers.
    SilentListener silent;
    ASSERT_NE(silent.port(), 0);
    ConnectionParams p = dbtest::paramsOf(db);
    p.Server = QStringLiteral("127.0.0.1");
    p.Port = silent.port();
    p.LoginTimeout = 1;
    Connection c(p);
    QElapsedTimer t;
    t.start();
    const DbError timeout = expectDbError([&] { c.Open(); });
    EXPECT_LT(t.elapsed(), 15000);
    EXPECT_TRUE(timeout.text().contains(QStringLiteral("timeout expired"))) << timeout.text().toStdString();
    EXPECT_EQ(timeout.sqlState(), QLatin1String(sqlstate::UnableToConnect));
    EXPECT_FALSE(c.Connected());

    ConnectionParams bad = dbtest::paramsOf(db);
    bad.Password = QStringLiteral("not-the-password");
    Connection c2(bad);
    const DbError auth = expectDbError([&] { c2.Open(); });
    EXPECT_TRUE(auth.text().contains(QStringLiteral("password authentication failed"))) << auth.text().toStdString();
    EXPECT_FALSE(auth.text().contains(bad.Password));
}

TEST(DbConnection, ServerErrorsCarrySqlStateAndServerText)
{
    tvtest::TestDb db("conn");
    TV_REQUIRE_DB(db);
    Connection c(dbtest::paramsOf(db));
    c.Open();
    const DbError e = expectDbError([&] { c.Exec(QStringLiteral("SELECT * FROM no_such_table")); });
    EXPECT_EQ(e.sqlState(), QStringLiteral("42P01"));
    EXPECT_EQ(e.text(), QStringLiteral("ERROR: relation \"no_such_table\" does not exist"));
    EXPECT_EQ(e.message(), QStringLiteral("relation \"no_such_table\" does not exist"));
    EXPECT_EQ(e.position(), 15);
    EXPECT_FALSE(e.connectionLost());

    // The text shown is the server's whole report: DETAIL and HINT follow
    // the primary message on lines of their own.
    c.Exec(QStringLiteral("CREATE TABLE u(k int PRIMARY KEY); CREATE TABLE r(k int REFERENCES u);"
                          "CREATE VIEW uv AS SELECT k FROM u"));
    const struct {
        const char *sql, *state, *text, *primary;
    } reports[] = {
        {"INSERT INTO u VALUES (1), (1)", "23505",
         "ERROR: duplicate key value violates unique constraint \"u_pkey\"\nDETAIL: Key (k)=(1) already exists.",
         "ERROR: duplicate key value violates unique constraint \"u_pkey\""},
        {"SELECT no_such_function(1)", "42883",
         "ERROR: function no_such_function(integer) does not exist\nHINT: No function matches the given name and "
         "argument types. You might need to add explicit type casts.",
         "ERROR: function no_such_function(integer) does not exist"},
        {"DROP TABLE u", "2BP01",
         "ERROR: cannot drop table u because other objects depend on it\n"
         "DETAIL: constraint r_k_fkey on table r depends on table u\nview uv depends on table u\n"
         "HINT: Use DROP ... CASCADE to drop the dependent objects too.",
         "ERROR: cannot drop table u because other objects depend on it"},
    };
    for (const auto &r : reports) {
        SCOPED_TRACE(r.sql);
        const DbError e = expectDbError([&] { c.Exec(QString::fromUtf8(r.sql)); });
        EXPECT_EQ(e.sqlState(), QString::fromUtf8(r.state));
        EXPECT_EQ(e.text(), QString::fromUtf8(r.text));
        EXPECT_EQ(e.primaryText(), QString::fromUtf8(r.primary));
        EXPECT_FALSE(e.connectionLost());
    }
    // Still usable afterwards.
    EXPECT_EQ(c.ExecScalar(QStringLiteral("SELECT 1")), QStringLiteral("1"));
}

TEST(DbConnection, CancelCheckStopsALongStatementAndEventsKeepFlowing)
{
    tvtest::TestDb db("conn");
    TV_REQUIRE_DB(db);
    Connection c(dbtest::paramsOf(db));
    c.Open();
    QElapsedTimer t;
    c.SetCancelCheck([&t] { return t.elapsed() >= 200; });
    bool timerSawBusy = false;
    QTimer::singleShot(50, [&] { timerSawBusy = c.Busy(); });
    t.start();
    const DbError e = expectDbError([&] { c.Exec(QStringLiteral("SELECT pg_sleep(30)")); });
    const qint64 ms = t.elapsed();
    EXPECT_EQ(e.sqlState(), QLatin1String(sqlstate::QueryCanceled));
    EXPECT_FALSE(e.text().isEmpty());
    EXPECT_GE(ms, 200);
    EXPECT_LT(ms, 10000); // cancelled, far short of the 30 s sleep
    EXPECT_TRUE(timerSawBusy);
    EXPECT_FALSE(c.Busy());
    c.SetCancelCheck(nullptr);
    EXPECT_EQ(c.ExecScalar(QStringLiteral("SELECT 1")), QStringLiteral("1"));
}

TEST(DbConnection, StatementWhileBusyIsRefused)
{
    tvtest::TestDb db("conn");
    TV_REQUIRE_DB(db);
    Connection c(dbtest::paramsOf(db));
    c.Open();
    bool refused = false;
    QTimer::singleShot(30, [&] {
        try {
            c.Exec(QStringLiteral("SELECT 2"));
        } catch (const DbError &) {
            refused = true;
        }
    });
    EXPECT_EQ(c.ExecScalar(QStringLiteral("SELECT pg_sleep(0.3)::text || 'done'")), QStringLiteral("done"));
    EXPECT_TRUE(refused);
}

// A session the server ends is named on its first failure, with the
// server's words after it; later calls say the same at once, without trying
// the server; nothing of the session's transactions is believed open; Open
// starts a new session.
TEST(DbConnection, LostConnectionIsNamedOnceAndOpenReconnects)
{
    tvtest::TestDb db("conn");
    TV_REQUIRE_DB(db);
    Connection c(dbtest::paramsOf(db));
    c.SetAutoCommit(false);
    c.Open();
    c.StartTransaction();
    ASSERT_EQ(c.TransactionLevel(), 1);
    const int pid = c.BackendPid();
    Connection killer(dbtest::paramsOf(db));
    killer.Open();
    killer.Exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid));

    const QString lostLine = QString::fromUtf8(kConnectionLostText);
    const DbError e = expectDbError([&] { c.Exec(QStringLiteral("SELECT 1")); });
    EXPECT_TRUE(e.connectionLost());
    EXPECT_TRUE(e.text().startsWith(lostLine + u'\n')) << e.text().toStdString();
    EXPECT_TRUE(e.text().contains(QStringLiteral("terminating connection due to administrator command")))
        << e.text().toStdString();
    EXPECT_FALSE(c.Connected());
    EXPECT_TRUE(c.Lost());
    EXPECT_EQ(c.TransactionLevel(), 0);
    EXPECT_NE(c.transactionState(), TransactionState::InTransaction);

    // Every later call says the same, whatever it is.
    const std::function<void()> later[] = {
        [&] { c.Exec(QStringLiteral("SELECT 1")); },
        [&] { c.Describe(QStringLiteral("SELECT 1"), {}); },
        [&] { c.Commit(); },
        [&] { c.Rollback(); },
        [&] { c.StartTransaction(); },
    };
    for (const auto &call : later) {
        const DbError again = expectDbError(call);
        EXPECT_TRUE(again.connectionLost());
        EXPECT_EQ(again.text(), e.text());
    }
    EXPECT_EQ(c.TransactionLevel(), 0);

    c.Open();
    EXPECT_TRUE(c.Connected());
    EXPECT_FALSE(c.Lost());
    EXPECT_NE(c.BackendPid(), pid);
    EXPECT_EQ(c.ExecScalar(QStringLiteral("SELECT 1")), QStringLiteral("1"));
    EXPECT_EQ(c.transactionState(), TransactionState::InTransaction);
}
