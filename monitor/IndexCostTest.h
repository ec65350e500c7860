#pragma once
// The cost test of one proposed index without its window: the statement's
// plan before, then the index created and the plan again in one block that
// is rolled back, so the index never outlives the test; the execution times
// of both plans compared, and the report text.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

namespace tv::db {
class Connection;
class Query;
} // namespace tv::db

namespace monitor {

// A quoted name quoted as a whole ("s.t") becomes a quoted schema and a
// quoted table ("s"."t"); other names unchanged.
QString QuoteQualifiedName(const QString &Name);
// "a, b" -> "a","b" with each name quoted as needed.
QString QuoteColumnList(const QString &Columns);

// The plan's time label: "Execution time: " from 9.4 (90400) on, before
// that "Total runtime: ".
QString PlanTimeLabel(int DBVer);

// The time of a plan: from the last line holding Label (any case), the text
// behind the label up to and including its first blank (Time), and from
// that blank to the end (Unit, starting with the blank). Both empty when no
// line holds it.
void PlanTime(const QStringList &Plan, const QString &Label, QString &Time, QString &Unit);

// The result of before and after times read with "." as decimal point:
// "-" + the gain, "+" + the loss, or " ±0". Throws tv::Error when a time
// does not read as a number.
QString CostResult(const QString &Before, const QString &After);

struct TtvCostTestResult {
    QStringList BeforePlan, AfterPlan;
    QString BeforeTime, BeforeUnit, AfterTime, AfterUnit;
    QString Result; // empty when the after-plan gave no rows
    bool Ok() const { return !AfterPlan.isEmpty(); }
    // The lines of the result message.
    QStringList MessageLines() const;
};

// Runs the test on Db: ANALYZE of the table, the before-plan in a block
// that is rolled back, then CREATE INDEX and the after-plan in one such
// block. Only the statistics stay; the user's pending work stays pending.
// Bind (may be empty) sets parameter values for both plan runs. Failures
// throw the server's error.
TtvCostTestResult RunCostTest(tv::db::Connection &Db, int DBVer, const QString &TableText, const QString &IndexName,
                              const QString &Columns, const QString &Statement,
                              const std::function<void(tv::db::Query &)> &Bind = {});

// The report: the whole statement text, the index, both plans and the result.
QStringList CostReportLines(const QString &SQLText, const QString &TableText, const QString &IndexName,
                            const QString &Columns, const TtvCostTestResult &R);
// The report's default file name for the given local time stamp.
QString CostReportFileName(const QDateTime &Now);
// Writes the report in the ANSI code page with CR LF line ends; false and
// the reason in *Error when the file cannot be written.
bool WriteCostReport(const QString &Path, const QStringList &Lines, QString *Error = nullptr);

// Messages.
QString MsgTestQuestion(); // the three-line question before the test
QString MsgTestFailed();   // "テスト結果の取得に失敗しました。"
QString MsgSaveDetails();  // "詳細情報を保存する。"

} // namespace monitor
