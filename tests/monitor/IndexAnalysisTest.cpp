// The adviser's analysis run without its window: statement check, plan
// reading, the protected plan run and the existing-index list, against the
// real server where the server decides.
#include "monitor/IndexAnalysis.h"
#include "monitor/IndexCostTest.h"

#include "common/SQLParser.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionParams.h"
#include "platform/db/DbError.h"
#include "platform/db/Param.h"
#include "platform/db/Query.h"
#include "support/TestDb.h"
#include "support/TestSession.h"

#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

using namespace monitor;

void PrintTo(const QString &s, std::ostream *os);

namespace {

struct Parsed {
    int kind = 0;
    TtvParseList tables;
    QStringList where;
};

Parsed Parse(const QString &sql)
{
    Parsed p;
    TtvParseList cols, order;
    QStringList group, having;
    QString view;
    p.kind = ParseSQLStatement(sql, cols, p.tables, order, p.where, group, having, MsgCannotParse(), view);
    return p;
}

std::unique_ptr<tv::db::Connection> Connect(const tvtest::TestDb &db)
{
    return tvtest::OpenSession(db);
}

// "table: name kind (cols) used" lines; a table without index gives "table: -".
QStringList Lines(const std::vector<TtvExistingTable> &list)
{
    QStringList l;
    for (const TtvExistingTable &t : list) {
        if (t.Indexes.empty())
            l << t.Text + ": -";
        for (const TtvExistingIndex &i : t.Indexes)
            l << QStringLiteral("%1: %2 %3 (%4) %5").arg(t.Text, i.Name, i.Kind, i.Columns, i.UsedText());
    }
    return l;
}

// "name columns status" of each proposal the server-backed generator makes.
QStringList ProposalLines(tv::db::Connection &conn, const Parsed &p,
                          const std::vector<TtvExistingTable> &existing)
{
    TtvIndexCandidates gen(TtvIndexCandidates::ServerTableExists(conn),
                           TtvIndexCandidates::ServerColumnOfTable(conn));
    std::vector<TtvProposalTable> out;
    gen.Generate(p.tables, p.where, "public", 2, existing, out);
    QStringList l;
    for (const auto &t : out)
        for (const auto &x : t.Proposals)
            l << x.Name + " " + x.Columns + " " + x.StatusText();
    return l;
}

} // namespace

TEST(IndexAnalysis, OnlyPlainSelectUpdateAndDeleteAreAnalysed)
{
    struct Case {
        QString sql;
        bool ok;
    } cases[] = {
        {"SELECT * FROM t WHERE a = 1", true},
        {"UPDATE t SET a = 1 WHERE b = 2", true},
        {"DELETE FROM t WHERE a = 1", true},
        {"SELECT * INTO x FROM t", false},
        {"UPDATE t SET a = 1 WHERE c = 'please drop it'", false},
        {"UPDATE t SET a = 1 WHERE c = 'drop it'", true},
        {"INSERT INTO t VALUES (1)", false},
        {"SELECT *\r\nFROM t\tWHERE a = 1", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sql.toStdString());
        const Parsed p = Parse(c.sql);
        EXPECT_EQ(IsAnalysable(p.kind, c.sql), c.ok);
    }
    EXPECT_GT(ContainsKeyword("FROM", "select*from t"), 0);
    EXPECT_EQ(ContainsKeyword("INTO", "SELECT 1 /*INTO*/"), 11); // comment marks become blanks
}

TEST(IndexAnalysis, PlanLinesNameTheIndexesTheirScansUse)
{
    const QStringList plan = {
        "Index Scan using idx_a on t  (cost=0.15..8.17 rows=1 width=8) (actual time=0.01..0.01 rows=0 loops=1)",
        "  ->  Index Only Scan using idx_b on t  (cost=0.15..8.17 rows=1 width=4)",
        "  ->  Bitmap Index Scan on \"Idx C\"  (cost=0.00..4.18 rows=10 width=0)",
        "  ->  Index Scan Backward using idx_d on t  (cost=0.15..8.17 rows=1 width=8)",
        "  ->  Seq Scan on t  (cost=0.00..1.01 rows=1 width=8)",
        "  ->  Index Scan using idx_a on t t2  (cost=0.15..8.17 rows=1 width=8)",
        "Execution Time: 0.050 ms",
    };
    EXPECT_EQ(UsedIndexesOfPlan(plan), QStringList({"idx_a", "Idx C", "idx_d", "idx_a"}));
}

class IndexAnalysisDb : public ::testing::Test {
protected:
    tvtest::TestDb db{"adv"};
    void SetUp() override
    {
        TV_REQUIRE_DB(db);
        db.exec("CREATE TABLE t(id int PRIMARY KEY, a int, b int, c text);"
                " INSERT INTO t SELECT g, g % 100, g % 7, 'x' || g FROM generate_series(1, 5000) g;"
                " CREATE INDEX idx_a ON t(a); CREATE INDEX idx_bc ON t(b, c); CREATE INDEX ix_expr ON t(lower(c));"
                " CREATE TABLE bare(x int); CREATE VIEW v AS SELECT 1 AS id;"
                " CREATE SCHEMA s1; CREATE TABLE s1.\"Orders\"(id int); ANALYZE t;");
    }
};

TEST_F(IndexAnalysisDb, ThePlanMarksUsedIndexesAndTheListShowsEveryTable)
{
    auto conn = Connect(db);
    const QString sql = "SELECT * FROM t, bare, v, s1.\"Orders\" WHERE t.a = 5";
    const QStringList used = UsedIndexesOfPlan(RunPlan(*conn, "SELECT * FROM t WHERE a = 5"));
    EXPECT_TRUE(used.contains("idx_a"));
    const Parsed p = Parse(sql);
    const auto list = ReadExistingIndexes(*conn, p.tables, "public", used);
    QStringList lines = Lines(list);
    // The server's order of a table's indexes is not fixed. An expression index
    // shows its definition from the opening parenthesis on, the closing one included.
    const QStringList tIndexes = lines.filter(QRegularExpression("^t: "));
    lines = lines.filter(QRegularExpression("^(?!t: )"));
    EXPECT_EQ(QSet<QString>(tIndexes.begin(), tIndexes.end()),
              QSet<QString>({"t: t_pkey UNIQUE INDEX (id) 未使用", "t: idx_a NONUNIQUE INDEX (a) 使用",
                             "t: idx_bc NONUNIQUE INDEX (b, c) 未使用",
                             "t: ix_expr NONUNIQUE INDEX (lower(c))) 未使用"}));
    EXPECT_EQ(lines, QStringList({"bare: -", "s1.Orders: -"}));
}

TEST_F(IndexAnalysisDb, PlanOfADeleteChangesNothingAndKeepsTheUsersPendingWork)
{
    for (bool autoCommit : {true, false}) {
        SCOPED_TRACE(autoCommit);
        auto conn = Connect(db);
        if (!autoCommit) {
            conn->SetAutoCommit(false);
            conn->Exec("INSERT INTO bare VALUES (42)");
        }
        const QStringList plan = RunPlan(*conn, "DELETE FROM t WHERE a = 1");
        ASSERT_FALSE(plan.isEmpty());
        EXPECT_EQ(db.scalar("SELECT count(*) FROM t"), "5000");
        if (!autoCommit) {
            // Still pending in a usable session, invisible to others.
            EXPECT_EQ(conn->ExecScalar("SELECT count(*) FROM bare WHERE x = 42"), "1");
            EXPECT_EQ(db.scalar("SELECT count(*) FROM bare"), "0");
            conn->Rollback();
        }
        EXPECT_EQ(conn->ExecScalar("SELECT count(*) FROM t"), "5000");
    }
}

TEST_F(IndexAnalysisDb, FailuresComeBackWithTheServersTextAndLeaveTheSessionAsItWas)
{
    auto conn = Connect(db);
    try {
        RunPlan(*conn, "SELECT * FROM nosuch");
        FAIL() << "no error";
    } catch (const tv::db::DbError &e) {
        EXPECT_EQ(e.sqlState(), "42P01");
    }
    EXPECT_EQ(conn->ExecScalar("SELECT 1"), "1");

    // An already aborted session is reported, not passed over.
    conn->SetAutoCommit(false);
    EXPECT_THROW(conn->Exec("SELECT 1/0"), tv::db::DbError);
    try {
        RunPlan(*conn, "SELECT * FROM t WHERE a = 5");
        FAIL() << "no error";
    } catch (const tv::db::DbError &e) {
        EXPECT_EQ(e.sqlState(), "25P02");
        EXPECT_FALSE(e.text().isEmpty());
    }
    conn->Rollback();
}

TEST_F(IndexAnalysisDb, BindValuesReachThePlan)
{
    auto conn = Connect(db);
    const QStringList plan = RunPlan(*conn, "SELECT * FROM t WHERE a = :v", [](tv::db::Query &q) {
        q.ParamByName("v").setAsInteger(5);
    });
    EXPECT_TRUE(UsedIndexesOfPlan(plan).contains("idx_a"));
}

TEST_F(IndexAnalysisDb, WorkedExampleOnTheServer)
{
    db.exec("CREATE TABLE orders(id int, customer int, status text, created date);"
            " CREATE INDEX ix_cs ON orders(customer, status);");
    auto conn = Connect(db);
    const Parsed p =
        Parse("SELECT * FROM orders o WHERE o.customer = :c AND o.status = 'open' OR o.created > :d");
    const auto existing = ReadExistingIndexes(*conn, p.tables, "public", {});
    const QStringList l = ProposalLines(*conn, p, existing);
    EXPECT_EQ(l, QStringList({"ix_cs customer, status 作成済", "IDX_orders status, customer 未作成",
                              "IDX_orders2 created 未作成"}));
}

// The plan run executes what it explains: whatever text reaches it, a second
// statement behind the first must never run, in either of the adviser's runs.
TEST_F(IndexAnalysisDb, ASecondStatementNeverRunsBehindThePlan)
{
    auto conn = Connect(db);
    for (const char *sql : {"SELECT * FROM t WHERE a = 5; DELETE FROM t",
                            "DELETE FROM t WHERE a = 1;\nCOMMIT;\nDELETE FROM t"}) {
        SCOPED_TRACE(sql);
        EXPECT_THROW(RunPlan(*conn, sql), tv::db::DbError);
        EXPECT_THROW(RunCostTest(*conn, 150000, "t", "IDX_t", "a", sql), tv::db::DbError);
        EXPECT_EQ(db.scalar("SELECT count(*) FROM t"), "5000");
        EXPECT_EQ(db.scalar("SELECT count(*) FROM pg_indexes WHERE indexname = 'IDX_t'"), "0");
        EXPECT_EQ(conn->ExecScalar("SELECT count(*) FROM t"), "5000");
    }
}

// A partitioned table is a table here too: its indexes are listed (they are
// of the partitioned-index kind) and proposals are made for its columns.
TEST_F(IndexAnalysisDb, PartitionedTablesAreAnalysedLikeTables)
{
    db.exec("CREATE TABLE pt(id int, k int, note text) PARTITION BY RANGE (k);"
            " CREATE TABLE pt_1 PARTITION OF pt FOR VALUES FROM (0) TO (100);"
            " CREATE INDEX pt_k ON pt(k);");
    auto conn = Connect(db);
    const Parsed p = Parse("SELECT * FROM pt WHERE k = 5 AND note = 'x'");
    const auto existing = ReadExistingIndexes(*conn, p.tables, "public", {});
    EXPECT_EQ(Lines(existing), QStringList({"pt: pt_k NONUNIQUE INDEX (k) 未使用"}));
    const QStringList l = ProposalLines(*conn, p, existing);
    EXPECT_FALSE(l.isEmpty());
    EXPECT_TRUE(l.filter("note").size() > 0) << l.join(" | ").toStdString();
}
