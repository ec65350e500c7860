// Connecting, errors, cancel and lost connections against the test server.
#include "DbTestSupport.h"

#include <QElapsedTimer>
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

    const DbError withDetail = expectDbError([&] {
        c.Exec(QStringLiteral("CREATE TABLE u(k int PRIMARY KEY); INSERT INTO u VALUES (1), (1)"));
    });
    EXPECT_EQ(withDetail.sqlState(), QStringLiteral("23505"));
    EXPECT_EQ(withDetail.detail(), QStringLiteral("Key (k)=(1) already exists."));
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

TEST(DbConnection, LostConnectionIsReportedAndOpenReconnects)
{
    tvtest::TestDb db("conn");
    TV_REQUIRE_DB(db);
    Connection c(dbtest::paramsOf(db));
    c.Open();
    const int pid = c.BackendPid();
    Connection killer(dbtest::paramsOf(db));
    killer.Open();
    killer.Exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid));
    const DbError e = expectDbError([&] { c.Exec(QStringLiteral("SELECT 1")); });
    EXPECT_TRUE(e.connectionLost());
    EXPECT_FALSE(e.text().isEmpty());
    EXPECT_FALSE(c.Connected());
    const DbError again = expectDbError([&] { c.Exec(QStringLiteral("SELECT 1")); });
    EXPECT_TRUE(again.connectionLost());
    c.Open();
    EXPECT_TRUE(c.Connected());
    EXPECT_NE(c.BackendPid(), pid);
}
