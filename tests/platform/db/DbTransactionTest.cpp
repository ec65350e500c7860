// Transaction state, window-level transactions, protected blocks, statement
// savepoints, auto-commit off and the side connection.
#include "support/DbTestSupport.h"
#include "platform/db/ProtectedBlock.h"
#include "platform/db/StatementSavepoint.h"

#include <gtest/gtest.h>

using namespace tv::db;

namespace {

class DbTransaction : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!db.available())
            return;
        db.exec("CREATE TABLE t(v text)");
        conn = std::make_unique<Connection>(dbtest::paramsOf(db));
        conn->Open();
    }
    // Rows as another session sees them (committed work only).
    std::string committed() const { return db.scalar("SELECT coalesce(string_agg(v, ',' ORDER BY v), '') FROM t"); }
    // Rows as this session sees them.
    QString visible() const
    {
        return conn->ExecScalar(QStringLiteral("SELECT coalesce(string_agg(v, ',' ORDER BY v), '') FROM t"));
    }
    void insert(const char *v) { conn->Exec(QStringLiteral("INSERT INTO t VALUES ('%1')").arg(QLatin1String(v))); }
    void fail() { EXPECT_THROW(conn->Exec(QStringLiteral("SELECT 1/0")), DbError); }

    tvtest::TestDb db{"tx"};
    std::unique_ptr<Connection> conn;
};

} // namespace

TEST_F(DbTransaction, StateAndCommitOfAnAbortedBlockIsARollback)
{
    TV_REQUIRE_DB(db);
    EXPECT_EQ(conn->transactionState(), TransactionState::Idle);
    conn->Exec(QStringLiteral("BEGIN"));
    EXPECT_EQ(conn->transactionState(), TransactionState::InTransaction);
    insert("a");
    fail();
    EXPECT_EQ(conn->transactionState(), TransactionState::Aborted);
    EXPECT_EQ(conn->Commit(), CommitResult::RolledBack);
    EXPECT_EQ(conn->transactionState(), TransactionState::Idle);
    EXPECT_EQ(committed(), "");

    conn->Exec(QStringLiteral("BEGIN"));
    insert("b");
    EXPECT_EQ(conn->Commit(), CommitResult::Committed);
    EXPECT_EQ(committed(), "b");
}

TEST_F(DbTransaction, WindowRollbackInsideABlockKeepsEarlierWork)
{
    TV_REQUIRE_DB(db);
    conn->Exec(QStringLiteral("BEGIN"));
    insert("first");
    conn->StartTransaction();
    EXPECT_EQ(conn->TransactionLevel(), 1);
    insert("second");
    fail();
    conn->Rollback();
    EXPECT_EQ(conn->TransactionLevel(), 0);
    EXPECT_EQ(conn->transactionState(), TransactionState::InTransaction);
    EXPECT_EQ(visible(), QStringLiteral("first"));
    EXPECT_EQ(committed(), "");
    EXPECT_EQ(conn->Commit(), CommitResult::Committed);
    EXPECT_EQ(committed(), "first");
}

TEST_F(DbTransaction, WindowCommitInsideABlockReleasesOrReportsRollback)
{
    TV_REQUIRE_DB(db);
    conn->Exec(QStringLiteral("BEGIN"));
    insert("a");
    conn->StartTransaction();
    insert("b");
    EXPECT_EQ(conn->Commit(), CommitResult::Committed);
    EXPECT_EQ(conn->transactionState(), TransactionState::InTransaction);
    EXPECT_EQ(committed(), ""); // released, not committed: the user commits

    conn->StartTransaction();
    insert("c");
    fail();
    EXPECT_EQ(conn->Commit(), CommitResult::RolledBack);
    EXPECT_EQ(conn->transactionState(), TransactionState::InTransaction);
    EXPECT_EQ(visible(), QStringLiteral("a,b"));
}

TEST_F(DbTransaction, WindowTransactionOnAnIdleSessionIsReal)
{
    TV_REQUIRE_DB(db);
    conn->StartTransaction();
    EXPECT_EQ(conn->transactionState(), TransactionState::InTransaction);
    insert("x");
    conn->Rollback();
    EXPECT_EQ(conn->transactionState(), TransactionState::Idle);
    EXPECT_EQ(committed(), "");

    conn->StartTransaction();
    insert("y");
    EXPECT_EQ(conn->Commit(), CommitResult::Committed);
    EXPECT_EQ(committed(), "y");

    conn->StartTransaction();
    insert("z");
    fail();
    EXPECT_EQ(conn->Commit(), CommitResult::RolledBack);
    EXPECT_EQ(committed(), "y");
}

TEST_F(DbTransaction, ProtectedBlockLeavesNoChange)
{
    TV_REQUIRE_DB(db);
    {
        ProtectedBlock block(*conn);
        insert("idle");
        EXPECT_EQ(visible(), QStringLiteral("idle"));
    }
    EXPECT_EQ(conn->transactionState(), TransactionState::Idle);
    EXPECT_EQ(visible(), QStringLiteral(""));

    conn->Exec(QStringLiteral("BEGIN"));
    insert("mine");
    {
        ProtectedBlock block(*conn);
        insert("trial");
        fail(); // even an error inside the block
        block.undo();
    }
    EXPECT_EQ(conn->transactionState(), TransactionState::InTransaction);
    EXPECT_EQ(visible(), QStringLiteral("mine"));
    EXPECT_EQ(committed(), "");
    conn->Commit();
    EXPECT_EQ(committed(), "mine");
}

TEST_F(DbTransaction, ContinueOnErrorKeepsTheOtherStatements)
{
    TV_REQUIRE_DB(db);
    conn->Exec(QStringLiteral("BEGIN"));
    const QStringList run{QStringLiteral("INSERT INTO t VALUES ('1')"), QStringLiteral("INSERT INTO nowhere VALUES (1)"),
                          QStringLiteral("INSERT INTO t VALUES ('3')")};
    int errors = 0;
    QString state;
    for (const QString &sql : run) {
        if (auto e = ExecContinuing(*conn, sql)) {
            ++errors;
            state = e->sqlState();
        }
    }
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(state, QStringLiteral("42P01"));
    EXPECT_EQ(conn->transactionState(), TransactionState::InTransaction);
    EXPECT_EQ(visible(), QStringLiteral("1,3"));

    // Auto-commit: no savepoint, each statement stands alone.
    conn->Commit();
    EXPECT_TRUE(ExecContinuing(*conn, QStringLiteral("SELECT 1/0")).has_value());
    EXPECT_EQ(conn->transactionState(), TransactionState::Idle);
}

TEST_F(DbTransaction, AutoCommitOffKeepsTheSessionInABlock)
{
    TV_REQUIRE_DB(db);
    Connection c(dbtest::paramsOf(db));
    c.SetAutoCommit(false);
    c.Open();
    EXPECT_EQ(c.transactionState(), TransactionState::InTransaction);
    c.Exec(QStringLiteral("INSERT INTO t VALUES ('a')"));
    EXPECT_EQ(committed(), "");
    EXPECT_EQ(c.Commit(), CommitResult::Committed);
    EXPECT_EQ(committed(), "a");
    EXPECT_EQ(c.transactionState(), TransactionState::InTransaction);

    // A COMMIT or ROLLBACK typed by the user reopens the block as well.
    c.Exec(QStringLiteral("INSERT INTO t VALUES ('b')"));
    c.Exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(c.transactionState(), TransactionState::InTransaction);
    c.Exec(QStringLiteral("INSERT INTO t VALUES ('c')"));
    c.Rollback();
    EXPECT_EQ(c.transactionState(), TransactionState::InTransaction);
    EXPECT_EQ(committed(), "a,b");

    // A failed window apply leaves the user's work and a usable block.
    c.Exec(QStringLiteral("INSERT INTO t VALUES ('d')"));
    c.StartTransaction();
    EXPECT_THROW(c.Exec(QStringLiteral("ALTER TABLE nowhere ADD x int")), DbError);
    c.Rollback();
    EXPECT_EQ(c.transactionState(), TransactionState::InTransaction);
    EXPECT_EQ(c.ExecScalar(QStringLiteral("SELECT count(*) FROM t WHERE v = 'd'")), QStringLiteral("1"));

    // An aborted block committed is a rollback, and a new block follows.
    EXPECT_THROW(c.Exec(QStringLiteral("SELECT 1/0")), DbError);
    EXPECT_EQ(c.Commit(), CommitResult::RolledBack);
    EXPECT_EQ(c.transactionState(), TransactionState::InTransaction);
    EXPECT_EQ(committed(), "a,b");
}

TEST_F(DbTransaction, SideConnectionRunsWhatABlockCannot)
{
    TV_REQUIRE_DB(db);
    conn->SetAutoCommit(false);
    ASSERT_EQ(conn->transactionState(), TransactionState::InTransaction);
    const QString name = db.params().database + QStringLiteral("_side");
    EXPECT_THROW(conn->Exec(QStringLiteral("CREATE DATABASE \"%1\"").arg(name)), DbError);
    conn->Rollback();
    conn->ExecOnSideConnection(QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT count(*) FROM pg_database WHERE datname = '%1'").arg(name)),
              QStringLiteral("1"));
    conn->ExecOnSideConnection(QStringLiteral("DROP DATABASE \"%1\"").arg(name));
    EXPECT_EQ(conn->transactionState(), TransactionState::InTransaction);
}
