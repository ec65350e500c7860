// The cost test of one proposed index without its window.
#include "monitor/IndexCostTest.h"

#include "common/Quote.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Field.h"
#include "platform/db/ProtectedBlock.h"
#include "platform/db/Query.h"
#include "platform/text/TextEncoding.h"

namespace monitor {

namespace {

QStringList PlanLines(tv::db::Connection &Db, const QString &Statement,
                      const std::function<void(tv::db::Query &)> &Bind)
{
    QStringList lines;
    tv::db::Query q(&Db);
    q.SetSingleStatement(true); // the plan runs the statement: never a second one
    q.SetSQL(QStringLiteral("EXPLAIN ANALYZE ") + Statement);
    if (Bind)
        Bind(q);
    q.Open();
    for (; !q.Eof(); q.Next())
        lines << q.Fields(0).AsString();
    return lines;
}

double ReadTime(const QString &Text)
{
    bool ok = false;
    const double v = Text.trimmed().toDouble(&ok);
    if (!ok)
        throw tv::Error(QStringLiteral("'%1' は有効な浮動小数点数ではありません").arg(Text));
    return v;
}

const QString kHyphens80 = QString(80, QLatin1Char('-'));

} // namespace

QString QuoteQualifiedName(const QString &Name)
{
    if (Name.trimmed().startsWith(QLatin1Char('"'))) {
        QString s = Name;
        return s.replace(QLatin1String("."), QLatin1String("\".\""));
    }
    return Name;
}

QString QuoteColumnList(const QString &Columns)
{
    if (!Columns.contains(QLatin1Char(',')))
        return QuoteIdentifier(Columns.trimmed());
    QStringList out;
    for (const QString &c : Columns.split(QLatin1Char(',')))
        out << QuoteIdentifier(c.trimmed());
    return out.join(QLatin1Char(','));
}

QString PlanTimeLabel(int DBVer)
{
    return DBVer >= 90400 ? QStringLiteral("Execution time: ") : QStringLiteral("Total runtime: ");
}

void PlanTime(const QStringList &Plan, const QString &Label, QString &Time, QString &Unit)
{
    Time.clear();
    Unit.clear();
    for (qsizetype i = Plan.size() - 1; i >= 0; --i) {
        const qsizetype p = Plan[i].indexOf(Label, 0, Qt::CaseInsensitive);
        if (p < 0)
            continue;
        const QString rest = Plan[i].mid(p + Label.size());
        const qsizetype blank = rest.indexOf(QLatin1Char(' '));
        if (blank < 0) {
            Time = rest;
        } else {
            Time = rest.left(blank + 1);
            Unit = rest.mid(blank);
        }
        return;
    }
}

QString CostResult(const QString &Before, const QString &After)
{
    const double b = ReadTime(Before);
    const double a = ReadTime(After);
    const double d = b - a;
    if (d > 0)
        return QLatin1Char('-') + QString::number(d, 'g', 15);
    if (d < 0)
        return QLatin1Char('+') + QString::number(a - b, 'g', 15);
    return QStringLiteral(" ±0");
}

QStringList TtvCostTestResult::MessageLines() const
{
    const QString pad(15, QLatin1Char(' '));
    return {pad + QStringLiteral("【テスト結果】") + pad,
            QString(),
            QStringLiteral("[インデックス作成前]　　") + BeforeTime + BeforeUnit,
            QStringLiteral("[インデックス作成後]　　") + AfterTime + AfterUnit,
            QString(43, QLatin1Char('-')),
            QStringLiteral("[　　　結果　　　]　　　") + Result + BeforeUnit};
}

TtvCostTestResult RunCostTest(tv::db::Connection &Db, int DBVer, const QString &TableText, const QString &IndexName,
                              const QString &Columns, const QString &Statement,
                              const std::function<void(tv::db::Query &)> &Bind)
{
    TtvCostTestResult r;
    const QString table = QuoteQualifiedName(QuoteIdentifier(TableText));
    Db.Exec(QStringLiteral("ANALYZE ") + table);
    {
        tv::db::ProtectedBlock block(Db);
        r.BeforePlan = PlanLines(Db, Statement, Bind);
        block.undo();
    }
    {
        tv::db::ProtectedBlock block(Db);
        Db.Exec(QStringLiteral("CREATE INDEX ") + QuoteQualifiedName(QuoteIdentifier(IndexName)) +
                QStringLiteral(" ON ") + table + QLatin1Char('(') + QuoteColumnList(Columns) + QLatin1Char(')'));
        r.AfterPlan = PlanLines(Db, Statement, Bind);
        block.undo();
    }
    if (!r.Ok())
        return r;
    const QString label = PlanTimeLabel(DBVer);
    PlanTime(r.BeforePlan, label, r.BeforeTime, r.BeforeUnit);
    PlanTime(r.AfterPlan, label, r.AfterTime, r.AfterUnit);
    r.Result = CostResult(r.BeforeTime, r.AfterTime);
    return r;
}

QStringList CostReportLines(const QString &SQLText, const QString &TableText, const QString &IndexName,
                            const QString &Columns, const TtvCostTestResult &R)
{
    QStringList l;
    l << QStringLiteral("[ SQL ]");
    QString sql = SQLText;
    sql.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    l << sql.split(QLatin1Char('\n'));
    l << kHyphens80 << QStringLiteral("[ インデックス ]");
    l << QStringLiteral("CREATE INDEX ") + QuoteIdentifier(IndexName) + QStringLiteral(" ON ") + TableText +
             QLatin1Char('(') + Columns + QLatin1Char(')');
    l << kHyphens80 << QStringLiteral("[ インデックス作成前 ]") << R.BeforePlan;
    l << kHyphens80 << QStringLiteral("[ インデックス作成後 ]") << R.AfterPlan;
    l << kHyphens80 << QStringLiteral("[ 結果 ]");
    l << QStringLiteral("Total runtime: ") + R.Result + QLatin1Char(' ') + R.BeforeUnit;
    return l;
}

QString CostReportFileName(const QDateTime &Now)
{
    return QStringLiteral("Index_Adviser_") + Now.toString(QStringLiteral("yyyyMMddHHmmss")) +
           QStringLiteral(".txt");
}

bool WriteCostReport(const QString &Path, const QStringList &Lines, QString *Error)
{
    return tv::text::WriteTextFile(Path, Lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"),
                                   tv::text::Encoding::Ansi, false, Error);
}

QString MsgTestQuestion()
{
    return QStringLiteral("作成前と作成後でコストを比較します。\n(インデックスを作成し、比較後にインデックスを削除します。)\n"
                          "よろしいですか？");
}
QString MsgTestFailed()
{
    return QStringLiteral("テスト結果の取得に失敗しました。");
}
QString MsgSaveDetails()
{
    return QStringLiteral("詳細情報を保存する。");
}

} // namespace monitor
