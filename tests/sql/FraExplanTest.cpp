// The execution-plan frame: the plan text parser on server-shaped plans, and
// the frame against the test server (tree, copy, workbook, errors).
#include "support/DbTestSupport.h"
#include "common/tvOption.h"
#include "controls/tvTreeView.h"
#include "platform/db/Connection.h"
#include "platform/ui/ScriptedDialogs.h"
#include "sql/fraExplan.h"
#include "support/ScratchDir.h"
#include "support/TestDb.h"
#include "support/XlsxBook.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace tv::db;

namespace {

struct Expect {
    int level;
    const char *caption, *cost, *rows, *width;
};

void ExpectPlan(const TTreInf &plan, const std::vector<Expect> &expect)
{
    ASSERT_EQ(plan.size(), qsizetype(expect.size()));
    for (size_t i = 0; i < expect.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plan[i].intLv, expect[i].level);
        EXPECT_EQ(plan[i].strOperation, QString::fromUtf8(expect[i].caption));
        EXPECT_EQ(plan[i].strCost, QString::fromUtf8(expect[i].cost));
        EXPECT_EQ(plan[i].strRows, QString::fromUtf8(expect[i].rows));
        EXPECT_EQ(plan[i].strWidth, QString::fromUtf8(expect[i].width));
    }
}

using dbtest::paramsOf;

} // namespace

TEST(PlanParser, NestedStepsConditionsAndPlanningTime)
{
    const QStringList lines{
        "Hash Join  (cost=60.85..121.97 rows=2260 width=8)",
        "  Hash Cond: (a.id = b.id)",
        "  ->  Seq Scan on a  (cost=0.00..32.60 rows=2260 width=4)",
        "  ->  Hash  (cost=32.60..32.60 rows=2260 width=4)",
        "        ->  Seq Scan on b  (cost=0.00..32.60 rows=2260 width=4)",
        "              Filter: ((data -> 'k'::text) = '1'::jsonb)",
        "  ->  Seq Scan on c  (cost=0.00..1.00 rows=1 width=4)",
        "Planning Time: 0.123 ms",
        "planning time: 0.5 ms",
    };
    ExpectPlan(explan::ParsePlan(lines, "  select a.id\nfrom a join b using (id)"),
               {{0, "SELECT STATEMENT", "", "", ""},
                {1, "Hash Join Hash Cond: (a.id = b.id)", "60.85..121.97", "2260", "8"},
                {2, "Seq Scan on a", "0.00..32.60", "2260", "4"},
                {2, "Hash", "32.60..32.60", "2260", "4"},
                {3, "Seq Scan on b Filter: ((data -> 'k'::text) = '1'::jsonb)", "0.00..32.60", "2260", "4"},
                {2, "Seq Scan on c", "0.00..1.00", "1", "4"},
                {1, "Planning Time: 0.123 ms", "", "", ""},
                {1, "planning time: 0.5 ms", "", "", ""}});
}

TEST(PlanParser, NumbersComeFromTheCostGroupOnly)
{
    // A relation whose name holds "cost", "rows" and "width" and a
    // parenthesised condition keep their text.
    ExpectPlan(explan::ParsePlan({"Seq Scan on cost_rows_width  (cost=0.00..1.01 rows=1 width=36)",
                                  "  Filter: ((width)::text = 'x'::text)"},
                                 "create table x as select * from cost_rows_width"),
               {{0, "CREATE TABLE AS STATEMENT", "", "", ""},
                {1, "Seq Scan on cost_rows_width Filter: ((width)::text = 'x'::text)", "0.00..1.01", "1", "36"}});
    EXPECT_EQ(explan::StatementEntry("with x as (select 1) select * from x"), "WITH STATEMENT");
    EXPECT_EQ(explan::PlanLineLevel("  ->  x", 2), 2);
    EXPECT_EQ(explan::PlanLineLevel("        ->  x", 2), 3);
    EXPECT_EQ(explan::PlanLineLevel("     ->  x", 2), 1);
}

class PlanServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = tvOption;
        tvOption.PasteDialog = false;
        tvOption.ExcelDir = scratch.path() + QLatin1Char('/');
        tvOption.ExcelExt = QStringLiteral(".XLSX");
        if (!db.available())
            return;
        db.exec("CREATE TABLE t(id int, name text)");
        conn = std::make_unique<Connection>(paramsOf(db));
        conn->Open();
        frame = std::make_unique<TfraExplan>();
        frame->SetConnection(conn.get());
        frame->show();
    }
    void TearDown() override
    {
        frame.reset();
        conn.reset();
        tvOption = saved;
    }
    void show(const QString &sql)
    {
        frame->SetSQL(sql);
        frame->qryPlan.SetSQL(sql);
        frame->ShowData();
    }

    TtvOption saved;
    tvtest::ScratchDir scratch;
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use{&dialogs};
    tvtest::TestDb db{"plan"};
    std::unique_ptr<Connection> conn;
    std::unique_ptr<TfraExplan> frame;
};

TEST_F(PlanServer, TreeCopyAndWorkbookOfASelect)
{
    TV_REQUIRE_DB(db);
    show(QStringLiteral("select * from t"));
    // The server's own numbers.
    const QString line = QString::fromStdString(db.scalar("explain select * from t"));
    QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("cost=(\\S+) rows=(\\d+) width=(\\d+)")).match(line);
    ASSERT_TRUE(m.hasMatch()) << line.toStdString();
    ASSERT_EQ(frame->lstPlan->topLevelItemCount(), 1);
    auto *root = frame->lstPlan->TopNode(0);
    EXPECT_EQ(root->Text(), QStringLiteral("SELECT STATEMENT"));
    ASSERT_EQ(root->childCount(), 1);
    auto *scan = root->Child(0);
    EXPECT_EQ(scan->Text(), QStringLiteral("Seq Scan on t"));
    EXPECT_EQ(scan->SubItems(), (QStringList{m.captured(1), m.captured(2), m.captured(3)}));
    EXPECT_TRUE(root->isExpanded());

    tvOption.PasteColumn = 1;
    tvOption.PasteDialog = true;
    dialogs.queueButton(tv::ui::IDYES, {false});
    QTest::mouseClick(frame->btnCopy, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("SELECT STATEMENT\t\t\t\r\n  ┗Seq Scan on t\t%1\t%2\t%3\r\n")
                  .arg(m.captured(1), m.captured(2), m.captured(3)));
    EXPECT_EQ(tvOption.PasteColumn, 0);
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("クリップボードに出力しました。"));

    // The workbook: header row, then one row per node.
    const QString file = scratch.file(QStringLiteral("plan/p.xlsx"));
    dialogs.queuePath(file);
    QTest::mouseClick(frame->btnExcel, Qt::LeftButton);
    EXPECT_EQ(dialogs.calls()[dialogs.calls().size() - 2].file.fileName,
              scratch.path() + QStringLiteral("/EXECUTEPLAN.XLSX"));
    EXPECT_EQ(dialogs.texts().last(), QStringLiteral("ファイルに出力しました。"));
    EXPECT_EQ(tvOption.ExcelDir, scratch.path() + QStringLiteral("/plan/"));
    tvtest::XlsxBook x;
    ASSERT_TRUE(x.open(file));
    EXPECT_EQ(x.cell(1, 1).value, QStringLiteral("操作"));
    EXPECT_EQ(x.cell(1, 3).value, QStringLiteral("BYTE"));
    EXPECT_EQ(x.cell(2, 1).value, QStringLiteral("SELECT STATEMENT"));
    EXPECT_EQ(x.cell(3, 1).value, QStringLiteral("  ┗Seq Scan on t"));
    EXPECT_EQ(x.cell(3, 2).value, m.captured(1));
    EXPECT_DOUBLE_EQ(x.cell(3, 3).number(), m.captured(2).toDouble());

    // The plan button hides the tree and disables copy and workbook.
    QTest::mouseClick(frame->btnPlan, Qt::LeftButton);
    EXPECT_FALSE(frame->pnlPlan->isVisible());
    EXPECT_FALSE(frame->btnCopy->isEnabled());
    EXPECT_FALSE(frame->btnExcel->isEnabled());
}

TEST_F(PlanServer, CreateIsExplainedNotRunAndErrorsKeepTheTree)
{
    TV_REQUIRE_DB(db);
    show(QStringLiteral("create table w2q1p as select 1 x"));
    ASSERT_EQ(frame->lstPlan->topLevelItemCount(), 1);
    EXPECT_EQ(frame->lstPlan->TopNode(0)->Text(), QStringLiteral("CREATE TABLE AS STATEMENT"));
    EXPECT_EQ(frame->lstPlan->TopNode(0)->Child(0)->Text(), QStringLiteral("Result"));
    EXPECT_FALSE(frame->qryData.ParamParsing());
    EXPECT_EQ(db.scalar("select count(*) from pg_class where relname = 'w2q1p'"), "0");

    // A text of several statements is refused, whoever hands it over:
    // nothing in it runs.
    db.exec("INSERT INTO t VALUES (1, 'a')");
    EXPECT_THROW(show(QStringLiteral("select * from t;\ndelete from t;")), tv::Error);
    EXPECT_EQ(db.scalar("select count(*) from t"), "1");
    ASSERT_EQ(frame->lstPlan->topLevelItemCount(), 1);
    EXPECT_EQ(frame->lstPlan->TopNode(0)->Text(), QStringLiteral("CREATE TABLE AS STATEMENT"));

    EXPECT_THROW(show(QStringLiteral("select * from missing_table")), tv::Error);
    ASSERT_EQ(frame->lstPlan->topLevelItemCount(), 1);
    EXPECT_EQ(frame->lstPlan->TopNode(0)->Text(), QStringLiteral("CREATE TABLE AS STATEMENT"));
    EXPECT_FALSE(frame->qryPlan.Active());
}
