// The adviser's cost test without its window: time reading and result, the
// names it sends, the report file, and the test against the real server.
#include "monitor/IndexCostTest.h"

#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionParams.h"
#include "platform/text/TextEncoding.h"
#include "support/ScratchDir.h"
#include "support/TestDb.h"
#include "support/TestSession.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace monitor;

void PrintTo(const QString &s, std::ostream *os);

TEST(IndexCostTest, TimesAreReadFromTheLastTimeLineAndCompared)
{
    QString t, u;
    PlanTime({"Planning Time: 0.1 ms", "Execution Time: 12.5 ms"}, PlanTimeLabel(150000), t, u);
    EXPECT_EQ(t, "12.5 ");
    EXPECT_EQ(u, " ms");
    PlanTime({"Total runtime: 3.2 ms", "x"}, PlanTimeLabel(90300), t, u);
    EXPECT_EQ(t + u, "3.2  ms");
    PlanTime({"Seq Scan on t"}, PlanTimeLabel(150000), t, u);
    EXPECT_TRUE(t.isEmpty() && u.isEmpty());

    struct Case {
        QString before, after, result;
    } cases[] = {{"12.5 ", "3.2 ", "-9.3"}, {"3.2 ", "3.2 ", " ±0"}, {"1.5", "4", "+2.5"}, {"0.050 ", "0.049 ", "-0.001"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.before.toStdString());
        EXPECT_EQ(CostResult(c.before, c.after), c.result);
    }
    EXPECT_THROW(CostResult("", "1"), tv::Error);
}

TEST(IndexCostTest, NamesAreQuotedForTheCreateStatement)
{
    EXPECT_EQ(QuoteQualifiedName("\"s1.Orders\""), "\"s1\".\"Orders\"");
    EXPECT_EQ(QuoteQualifiedName("t"), "t");
    EXPECT_EQ(QuoteColumnList("a, B c,d"), "\"a\",\"B c\",\"d\"");
    EXPECT_EQ(QuoteColumnList(" Mixed "), "\"Mixed\"");
}

TEST(IndexCostTest, MessageAndReportLines)
{
    TtvCostTestResult r;
    r.BeforePlan = {"Seq Scan", "Execution Time: 12.5 ms"};
    r.AfterPlan = {"Index Scan", "Execution Time: 3.2 ms"};
    r.BeforeTime = "12.5 ";
    r.BeforeUnit = " ms";
    r.AfterTime = "3.2 ";
    r.AfterUnit = " ms";
    r.Result = "-9.3";
    const QStringList m = r.MessageLines();
    EXPECT_EQ(m[0], QString(15, ' ') + "【テスト結果】" + QString(15, ' '));
    EXPECT_EQ(m[2], "[インデックス作成前]　　12.5  ms");
    EXPECT_EQ(m[5], "[　　　結果　　　]　　　-9.3 ms");
    const QStringList l = CostReportLines("SELECT *\r\nFROM t", "t", "IDX_t", "a, b", r);
    EXPECT_EQ(l.mid(0, 5), QStringList({"[ SQL ]", "SELECT *", "FROM t", QString(80, '-'), "[ インデックス ]"}));
    EXPECT_EQ(l[5], "CREATE INDEX \"IDX_t\" ON t(a, b)");
    EXPECT_EQ(l.last(), "Total runtime: -9.3  ms");
    EXPECT_EQ(CostReportFileName(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))), "Index_Adviser_20260102030405.txt");
}

TEST(IndexCostTest, TheTestLeavesRowsAndIndexAloneAndKeepsPendingWork)
{
    tvtest::TestDb db{"adv"};
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(a int, b int, c text);"
            " INSERT INTO t SELECT g % 50, g % 7, 'x' || g FROM generate_series(1, 5000) g;"
            " CREATE TABLE note(x int);");
    tvtest::ScratchDir dir;
    for (bool autoCommit : {true, false}) {
        SCOPED_TRACE(autoCommit);
        tv::db::Connection conn(tvtest::SessionParams(db));
        conn.Open();
        if (!autoCommit) {
            conn.SetAutoCommit(false);
            conn.Exec("INSERT INTO note VALUES (1)");
        }
        const QString sql = "DELETE FROM t WHERE a = 1";
        const TtvCostTestResult r = RunCostTest(conn, 150000, "t", "IDX_t", "a", sql);
        ASSERT_TRUE(r.Ok());
        EXPECT_TRUE(r.MessageLines()[0].contains("【テスト結果】"));
        EXPECT_FALSE(r.BeforeTime.isEmpty());
        EXPECT_TRUE(r.Result.startsWith('-') || r.Result.startsWith('+') || r.Result == " ±0") << r.Result.toStdString();
        EXPECT_EQ(db.scalar("SELECT count(*) FROM t"), "5000");
        EXPECT_EQ(db.scalar("SELECT count(*) FROM pg_indexes WHERE indexname = 'IDX_t'"), "0");
        EXPECT_EQ(conn.ExecScalar("SELECT count(*) FROM t"), "5000");
        if (!autoCommit) {
            EXPECT_EQ(conn.ExecScalar("SELECT count(*) FROM note"), "1");
            EXPECT_EQ(db.scalar("SELECT count(*) FROM note"), "0");
            conn.Rollback();
        }

        const QString path = dir.path() + "/" + CostReportFileName(QDateTime::currentDateTime());
        ASSERT_TRUE(WriteCostReport(path, CostReportLines(sql, "t", "IDX_t", "a", r)));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        EXPECT_FALSE(bytes.contains("\n\n"));
        const QString text = tv::text::Decode(bytes, tv::text::Encoding::Ansi);
        EXPECT_TRUE(text.contains("[ インデックス作成後 ]"));
        EXPECT_TRUE(text.trimmed().split("\r\n").last().startsWith("Total runtime: "));
    }
}
