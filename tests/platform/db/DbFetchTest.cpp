// Fetching results into the compact row store: results of many chunks read
// back exactly, NULL stays apart from '', errors after some rows leave no
// result, cancel and events work while rows stream in, and the statements of a
// simple query, COPY and notices behave as before.
#include "support/DbTestSupport.h"
#include "platform/db/Query.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <libpq-fe.h>

using namespace tv::db;

namespace {

class DbFetch : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!db.available())
            return;
        conn = std::make_unique<Connection>(dbtest::paramsOf(db));
        conn->Open();
    }
    tvtest::TestDb db{"fetch"};
    std::unique_ptr<Connection> conn;
};

QByteArray md5Of(int g)
{
    return QCryptographicHash::hash(QByteArray::number(g), QCryptographicHash::Md5).toHex();
}

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

// Cells of the cycle NULL, '', md5(g) in the first column (g % 3 = 0, 1, 2),
// so that chunk edges meet every kind of cell, and g in the second.
const char *const kCycleSql = "SELECT CASE g % 3 WHEN 0 THEN NULL WHEN 1 THEN '' ELSE md5(g::text) END AS v, g "
                              "FROM generate_series(1, %1) g";

// Checks every cell of a result made by kCycleSql; stops at the first fault.
void expectCycle(const PgResultSet &r, int rows)
{
    ASSERT_EQ(r.rowCount(), rows);
    ASSERT_EQ(r.fieldCount(), 2);
    for (int i = 0; i < rows; ++i) {
        const int g = i + 1;
        const QByteArray id = QByteArray::number(g);
        ASSERT_EQ(r.raw(i, 1), id) << "row " << i;
        ASSERT_FALSE(r.isNull(i, 1)) << "row " << i;
        switch (g % 3) {
        case 0:
            ASSERT_TRUE(r.isNull(i, 0)) << "row " << i;
            ASSERT_TRUE(r.raw(i, 0).isEmpty()) << "row " << i;
            ASSERT_TRUE(r.bytes(i, 0).isNull()) << "row " << i;
            break;
        case 1:
            ASSERT_FALSE(r.isNull(i, 0)) << "row " << i;
            ASSERT_TRUE(r.raw(i, 0).isEmpty()) << "row " << i;
            break;
        default:
            ASSERT_FALSE(r.isNull(i, 0)) << "row " << i;
            ASSERT_EQ(r.raw(i, 0), md5Of(g)) << "row " << i;
            break;
        }
    }
    EXPECT_EQ(r.text(rows - 1, 1), QString::number(rows));
    EXPECT_EQ(r.value(rows - 2, 1), QVariant(qint64(rows - 1)));
}

} // namespace

TEST_F(DbFetch, ManyChunksReadBackEveryCellWithNullApartFromEmpty)
{
    TV_REQUIRE_DB(db);
    const int rows = 150000; // several chunks of the store
    const QString sql = QString::fromLatin1(kCycleSql).arg(rows);

    const auto simple = conn->Exec(sql);
    expectCycle(*simple, rows);
    EXPECT_EQ(simple->commandStatus(), QStringLiteral("SELECT 150000"));
    EXPECT_EQ(simple->rowsAffected(), rows);
    EXPECT_EQ(simple->field(0).name, QStringLiteral("v"));
    EXPECT_EQ(simple->field(1).kind, FieldKind::Int4);
    ASSERT_NE(simple->handle(), nullptr);
    EXPECT_EQ(PQntuples(simple->handle()), 0); // the rows live in the store only

    // Extended protocol, and a prepared statement through the cursor.
    const auto params = conn->ExecParams(sql, {});
    expectCycle(*params, rows);
    Query q(conn.get());
    q.SetSQL(sql);
    q.Open();
    ASSERT_EQ(q.RecordCount(), rows);
    q.SetRecNo(rows - 1); // g = rows - 1 = 149999: g % 3 = 2
    EXPECT_EQ(q.Fields(0).AsString().toLatin1(), md5Of(rows - 1));
    q.Next();
    EXPECT_TRUE(q.Fields(0).IsNull());
    ASSERT_TRUE(dynamic_cast<const PgResultSet *>(q.Results().get()));
    expectCycle(static_cast<const PgResultSet &>(*q.Results()), rows);

    // Out of range reads NULL and nothing, as a libpq result did.
    EXPECT_TRUE(simple->isNull(rows, 0));
    EXPECT_TRUE(simple->raw(-1, 0).isEmpty());
    EXPECT_TRUE(simple->text(0, 2).isEmpty());
}

TEST_F(DbFetch, WideRowsAndAHugeCellAcrossChunkEdges)
{
    TV_REQUIRE_DB(db);
    // About 1 KB a row: the chunks fill by bytes before they fill by rows; one
    // cell of 17 MB is larger than a whole chunk.
    const int rows = 40000, huge = 20000;
    const auto r = conn->Exec(QStringLiteral(
        "SELECT g, CASE WHEN g = %1 THEN repeat('y', 17000000) WHEN g % 1000 = 0 THEN NULL "
        "WHEN g % 1000 = 1 THEN '' ELSE repeat(md5(g::text), 32) END AS w, "
        "'\\x00ff'::bytea || int4send(g) AS b FROM generate_series(1, %2) g")
                                  .arg(huge)
                                  .arg(rows));
    ASSERT_EQ(r->rowCount(), rows);
    for (int i = 0; i < rows; ++i) {
        const int g = i + 1;
        ASSERT_EQ(r->raw(i, 0), QByteArray::number(g)) << "row " << i;
        const QByteArrayView w = r->raw(i, 1);
        if (g == huge) {
            ASSERT_EQ(w.size(), 17000000);
            ASSERT_EQ(w.front(), 'y');
            ASSERT_EQ(w.back(), 'y');
        } else if (g % 1000 == 0) {
            ASSERT_TRUE(r->isNull(i, 1)) << "row " << i;
        } else if (g % 1000 == 1) {
            ASSERT_FALSE(r->isNull(i, 1)) << "row " << i;
            ASSERT_TRUE(w.isEmpty()) << "row " << i;
        } else {
            ASSERT_EQ(w, md5Of(g).repeated(32)) << "row " << i;
        }
        QByteArray b("\x00\xff", 2);
        b.append(char(g >> 24)).append(char(g >> 16)).append(char(g >> 8)).append(char(g));
        ASSERT_EQ(r->bytes(i, 2), b) << "row " << i;
    }
}

// Rows of a megabyte or more are kept as they came: first, one after
// another and between small rows, with NULL, empty and bytea cells in them.
TEST_F(DbFetch, LargeRowsAmongSmallOnesReadBackWhole)
{
    TV_REQUIRE_DB(db);
    const auto r = conn->Exec(QStringLiteral(
        "SELECT g, CASE WHEN g IN (1, 2, 5, 9) THEN repeat(chr(64 + g), 1500000) END AS big,"
        " CASE WHEN g = 2 THEN NULL WHEN g = 5 THEN '' ELSE 'v' || g END AS small,"
        " CASE WHEN g = 9 THEN decode(repeat('00ff', 700000), 'hex') ELSE '\\x01'::bytea END AS b"
        " FROM generate_series(1, 12) g"));
    ASSERT_EQ(r->rowCount(), 12);
    for (int i = 0; i < 12; ++i) {
        const int g = i + 1;
        ASSERT_EQ(r->raw(i, 0), QByteArray::number(g)) << "row " << i;
        if (g == 1 || g == 2 || g == 5 || g == 9)
            ASSERT_EQ(r->raw(i, 1), QByteArray(1500000, char(64 + g))) << "row " << i;
        else
            ASSERT_TRUE(r->isNull(i, 1)) << "row " << i;
        ASSERT_EQ(r->isNull(i, 2), g == 2) << "row " << i;
        ASSERT_EQ(r->text(i, 2), g == 2 || g == 5 ? QString() : QStringLiteral("v%1").arg(g)) << "row " << i;
        ASSERT_EQ(r->bytes(i, 3), g == 9 ? QByteArray("\x00\xff", 2).repeated(700000) : QByteArray("\x01"))
            << "row " << i;
    }
    EXPECT_EQ(r->textPrefix(8, 1, 3), QStringLiteral("III"));
}

TEST_F(DbFetch, ErrorAfterSomeRowsRaisesAndLeavesNoResult)
{
    TV_REQUIRE_DB(db);
    const QString sql = QStringLiteral("SELECT 1/(1000-g) FROM generate_series(1,2000) g");
    for (const QString &text : {sql, QStringLiteral("SELECT g FROM generate_series(1, 5) g; ") + sql}) {
        SCOPED_TRACE(text.toStdString());
        std::shared_ptr<PgResultSet> res;
        const DbError e = expectDbError([&] { res = conn->Exec(text); });
        EXPECT_EQ(e.sqlState(), QStringLiteral("22012"));
        EXPECT_FALSE(res);
        EXPECT_FALSE(conn->Busy());
        EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT 'next'")), QStringLiteral("next"));
    }
    EXPECT_EQ(expectDbError([&] { conn->ExecParams(sql, {}); }).sqlState(), QStringLiteral("22012"));
    Query q(conn.get());
    q.SetSQL(sql);
    EXPECT_THROW(q.Open(), DbError);
    EXPECT_FALSE(q.Active());
    EXPECT_EQ(q.RecordCount(), 0);

    // Inside a block the error aborts it as before.
    conn->StartTransaction();
    EXPECT_THROW(conn->Exec(sql), DbError);
    EXPECT_EQ(conn->transactionState(), TransactionState::Aborted);
    conn->Rollback();
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT 2")), QStringLiteral("2"));
}

TEST_F(DbFetch, CancelAndEventsWhileRowsStreamIn)
{
    TV_REQUIRE_DB(db);
    // Rows stream without pause (a set-returning call in the select list is
    // not gathered first), so no single wait lasts long: events and the cancel
    // check must still come round.
    QElapsedTimer t;
    conn->SetCancelCheck([&t] { return t.elapsed() >= 300; });
    bool timerSawBusy = false;
    QTimer::singleShot(100, [&] { timerSawBusy = conn->Busy(); });
    t.start();
    const DbError e = expectDbError([&] { conn->Exec(QStringLiteral("SELECT generate_series(1, 20000000)")); });
    const qint64 ms = t.elapsed();
    EXPECT_EQ(e.sqlState(), QLatin1String(sqlstate::QueryCanceled));
    EXPECT_GE(ms, 300);
    EXPECT_LT(ms, 3000);
    EXPECT_TRUE(timerSawBusy);
    EXPECT_FALSE(conn->Busy());
    conn->SetCancelCheck(nullptr);
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT 1")), QStringLiteral("1"));
}

TEST_F(DbFetch, SimpleQueryStatementsCopyNoticesAndDescribe)
{
    TV_REQUIRE_DB(db);
    // The last statement's result is returned, rows or not.
    auto r = conn->Exec(QStringLiteral("SELECT g FROM generate_series(1, 5) g; SELECT 'a' AS x, NULL AS y"));
    ASSERT_EQ(r->rowCount(), 1);
    ASSERT_EQ(r->fieldCount(), 2);
    EXPECT_EQ(r->text(0, 0), QStringLiteral("a"));
    EXPECT_TRUE(r->isNull(0, 1));
    r = conn->Exec(QStringLiteral("CREATE TABLE t(v int); SELECT 1; INSERT INTO t SELECT generate_series(1, 4)"));
    EXPECT_FALSE(r->hasRows());
    EXPECT_EQ(r->rowCount(), 0);
    EXPECT_EQ(r->rowsAffected(), 4);
    EXPECT_EQ(r->commandStatus(), QStringLiteral("INSERT 0 4"));
    r = conn->Exec(QStringLiteral("SELECT v FROM t WHERE false"));
    EXPECT_TRUE(r->hasRows());
    EXPECT_EQ(r->rowCount(), 0);
    EXPECT_EQ(r->field(0).name, QStringLiteral("v"));
    r = conn->Exec(QStringLiteral("SELECT FROM t")); // rows without columns
    EXPECT_EQ(r->rowCount(), 4);
    EXPECT_EQ(r->fieldCount(), 0);
    r = conn->Exec(QStringLiteral("-- nothing"));
    EXPECT_EQ(r->rowCount(), 0);
    EXPECT_FALSE(r->hasRows());

    // COPY out is read and dropped; COPY in is refused by the server.
    r = conn->Exec(QStringLiteral("COPY t TO STDOUT"));
    EXPECT_EQ(r->rowsAffected(), 4);
    EXPECT_THROW(conn->Exec(QStringLiteral("COPY t FROM STDIN")), DbError);
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("4"));

    conn->TakeNotices();
    r = conn->Exec(QStringLiteral("DO $$BEGIN RAISE NOTICE 'before rows'; END$$; SELECT 7 AS seven"));
    EXPECT_EQ(r->text(0, 0), QStringLiteral("7"));
    EXPECT_EQ(conn->TakeNotices(), QStringList{QStringLiteral("NOTICE:  before rows")});

    const StatementInfo info = conn->Describe(QStringLiteral("SELECT v, $1::int AS p FROM t"), {});
    EXPECT_TRUE(info.returnsRows);
    EXPECT_EQ(info.fieldCount, 2);
    EXPECT_EQ(info.paramCount, 1);
}

TEST_F(DbFetch, ALibpqResultWithRowsMovesIntoTheStore)
{
    TV_REQUIRE_DB(db);
    PGresult *res = PQexec(conn->handle(), "SELECT g, CASE WHEN g % 2 = 0 THEN NULL ELSE '' END AS e "
                                           "FROM generate_series(1, 70000) g");
    ASSERT_EQ(PQresultStatus(res), PGRES_TUPLES_OK);
    const PgResultSet r(res);
    ASSERT_EQ(r.rowCount(), 70000);
    EXPECT_EQ(r.rowsAffected(), 70000);
    EXPECT_EQ(PQntuples(r.handle()), 0);
    for (int i = 0; i < r.rowCount(); ++i) {
        ASSERT_EQ(r.raw(i, 0), QByteArray::number(i + 1));
        ASSERT_EQ(r.isNull(i, 1), (i + 1) % 2 == 0);
        ASSERT_TRUE(r.raw(i, 1).isEmpty());
    }
}

TEST_F(DbFetch, DescribeLeavesTheSessionUsableWhateverTheParseGives)
{
    TV_REQUIRE_DB(db);
    conn->Exec(QStringLiteral("CREATE TABLE d(v int)"));
    // Idle: a statement without rows, several statements, a syntax error
    // (both come back for the simple protocol), an unknown table (raised).
    StatementInfo info = conn->Describe(QStringLiteral("INSERT INTO d VALUES (1)"), {});
    EXPECT_FALSE(info.returnsRows);
    EXPECT_FALSE(info.simpleOnly);
    conn->ExecPrepared({});
    EXPECT_TRUE(conn->Describe(QStringLiteral("SELECT 1; SELECT 2"), {}).simpleOnly);
    EXPECT_TRUE(conn->Describe(QStringLiteral("SELEC 1"), {}).simpleOnly);
    try {
        conn->Describe(QStringLiteral("SELECT * FROM nowhere"), {});
        ADD_FAILURE() << "no error";
    } catch (const DbError &e) {
        EXPECT_EQ(e.sqlState(), QLatin1String(sqlstate::UndefinedTable));
        EXPECT_FALSE(e.connectionLost());
    }
    EXPECT_EQ(conn->transactionState(), TransactionState::Idle);
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT count(*) FROM d")), QStringLiteral("1"));

    // In a block a failed parse is raised and aborts the block, as any error does.
    conn->Exec(QStringLiteral("BEGIN"));
    EXPECT_TRUE(conn->Describe(QStringLiteral("UPDATE d SET v = 2 RETURNING v"), {}).returnsRows);
    EXPECT_THROW(conn->Describe(QStringLiteral("SELECT 1; SELECT 2"), {}), DbError);
    EXPECT_EQ(conn->transactionState(), TransactionState::Aborted);
    conn->Exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(conn->ExecScalar(QStringLiteral("SELECT v FROM d")), QStringLiteral("1"));
    EXPECT_FALSE(conn->Busy());
}

// A kept statement is prepared once and run again with other values; a
// DEALLOCATE or DISCARD through the connection, or one it never saw, a
// reconnect, several statements and a text without rows are all handled
// without leaving the user's block aborted.
TEST_F(DbFetch, KeptStatementsArePreparedOnceAndSurviveTheirLoss)
{
    TV_REQUIRE_DB(db);
    conn->Exec(QStringLiteral("CREATE TABLE k(id int, v text); INSERT INTO k VALUES (1, 'a'), (2, 'b')"));
    const QString sql = QStringLiteral("SELECT v FROM k WHERE id = :ID");
    auto read = [&](int id) {
        Query q(conn.get());
        q.SetSQL(sql);
        q.ParamByName(QStringLiteral("ID")).setAsInteger(id);
        q.SetKeepPrepared(true);
        q.Open();
        return q.IsEmpty() ? QString() : q.FieldByName(QStringLiteral("v")).AsString();
    };
    auto serverKept = [&] {
        return conn->ExecScalar(QStringLiteral("SELECT count(*) FROM pg_prepared_statements WHERE name LIKE 'tv_kept_%'"));
    };
    EXPECT_EQ(read(1), QStringLiteral("a"));
    EXPECT_EQ(read(2), QStringLiteral("b"));
    EXPECT_EQ(read(3), QString());
    EXPECT_EQ(conn->KeptCount(), 1);
    EXPECT_EQ(serverKept(), QStringLiteral("1"));

    struct Case {
        const char *what;
        bool block;       // inside a transaction block
        const char *drop; // sent through the connection, or (nullptr) behind its back
    } const cases[] = {
        {"DEALLOCATE ALL, idle", false, "DEALLOCATE ALL"},
        {"discard all, idle", false, "discard all"},
        {"DEALLOCATE ALL in a block", true, "DEALLOCATE ALL"},
        {"behind its back, idle", false, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(read(1), QStringLiteral("a")); // kept again
        if (c.block)
            conn->Exec(QStringLiteral("BEGIN; UPDATE k SET v = 'a2' WHERE id = 1"));
        if (c.drop) {
            conn->Exec(QString::fromLatin1(c.drop));
            EXPECT_EQ(conn->KeptCount(), 0);
            EXPECT_EQ(read(1), c.block ? QStringLiteral("a2") : QStringLiteral("a"));
        } else {
            PQclear(PQexec(conn->handle(), "DEALLOCATE ALL"));
            // The first run after meets the server's 26000; the next prepares again.
            try {
                read(1);
                ADD_FAILURE() << "no error";
            } catch (const DbError &e) {
                EXPECT_EQ(e.sqlState(), QStringLiteral("26000"));
            }
            EXPECT_EQ(read(1), QStringLiteral("a"));
        }
        if (c.block) {
            EXPECT_EQ(conn->transactionState(), TransactionState::InTransaction);
            conn->Exec(QStringLiteral("ROLLBACK"));
        }
        EXPECT_EQ(serverKept(), QStringLiteral("1"));
    }

    // A reconnect forgets them; several statements and a text without rows
    // take the plain paths.
    conn->Close();
    conn->Open();
    EXPECT_EQ(conn->KeptCount(), 0);
    EXPECT_EQ(read(2), QStringLiteral("b"));
    Query several(conn.get());
    several.SetSQL(QStringLiteral("SELECT 1; SELECT 2 AS two"));
    several.SetKeepPrepared(true);
    several.Open();
    EXPECT_EQ(several.FieldByName(QStringLiteral("two")).AsString(), QStringLiteral("2"));
    Query none(conn.get());
    none.SetSQL(QStringLiteral("UPDATE k SET v = 'x' WHERE id = 99"));
    none.SetKeepPrepared(true);
    EXPECT_THROW(none.Open(), DbError);
    EXPECT_EQ(conn->transactionState(), TransactionState::Idle);
}
