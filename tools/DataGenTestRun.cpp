#include "tools/DataGenTestRun.h"

#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/ProtectedBlock.h"
#include "platform/db/Query.h"
#include "platform/db/StatementSavepoint.h"
#include "tools/DataGenFile.h"
#include "tools/DataGenRun.h"
#include "tools/DataGenValue.h"

namespace {

QString DQ(const QString &Name)
{
    QString n = Name;
    n.replace(u'"', QStringLiteral("\"\""));
    return u'"' + n + u'"';
}

// Binds one row's values to the :COL<i> parameters of the statement.
void BindRow(tv::db::Query &Q, const TDataGenJob &Job, const std::vector<TGenValue> &Values)
{
    for (int i = 0, v = 0; i < Job.Cols.size(); ++i) {
        if (!Job.Binds(i))
            continue;
        const TGenValue &val = Values[size_t(v++)];
        if (tv::db::Param *p = Q.Params().FindParam(QStringLiteral("COL%1").arg(i)))
            p->Value = val ? QVariant(*val) : QVariant();
    }
}

} // namespace

TDataGenTestRun::TDataGenTestRun(tv::db::Connection &Conn, TDataGenJob &Job, TDataGenRandom &Rnd)
    : FConn(Conn), FJob(Job), FRnd(Rnd)
{
}

QString TDataGenTestRun::ScratchName(const QString &Table, const QDateTime &Now)
{
    return DQ(Table.left(19) + Now.toString(QStringLiteral("MMddHHmmss")));
}

bool TDataGenTestRun::Run(const std::function<void(const QString &)> &Show, const std::function<bool()> &Escape,
                          const QDateTime &Now)
{
    FDone = 0;
    const QString x = ScratchName(FJob.Table, Now);
    const QString scratch = DQ(FJob.Schema) + u'.' + x;
    LoadTemplates(FJob);
    tv::db::ProtectedBlock block(FConn);
    FConn.Exec(QStringLiteral("CREATE TABLE ") + scratch + QStringLiteral(" AS SELECT * FROM ") + DQ(FJob.Schema) +
               u'.' + DQ(FJob.Table) + QStringLiteral(" WITH NO DATA"));
    bool show = true;
    switch (FJob.Mode) {
    case dgmMaster: RunMaster(scratch, Escape); break;
    case dgmUpdate: show = RunUpdate(x, Escape); break;
    default: RunNormal(scratch); break;
    }
    if (show)
        Show(QStringLiteral("SELECT * FROM ") + QuoteIdentifier(FJob.Schema) + u'.' + x);
    block.undo();
    return show;
}

void TDataGenTestRun::RunNormal(const QString &Table)
{
    TDataGenValues values(FJob, FRnd, &FConn);
    values.PrepareLinkQueries();
    tv::db::Query q(&FConn);
    q.SetSQL(TDataGenRunner::InsertSQL(FJob, Table));
    for (qint64 row = 0; row < FJob.Count && row < kLimit; ++row) {
        BindRow(q, FJob, values.RowValues(row));
        q.ExecSQL();
        ++FDone;
    }
    values.FreeLinkQueries();
}

bool TDataGenTestRun::RunMaster(const QString &Table, const std::function<bool()> &Escape)
{
    TDataGenValues values(FJob, FRnd, &FConn);
    values.PrepareLinkQueries();
    tv::db::Query parent(&FConn);
    parent.SetParamParsing(false);
    // No more parent rows can be needed than the test makes rows.
    parent.SetSQL(QStringLiteral("SELECT * FROM ") + QuoteIdentifier(FJob.MastOwner) + u'.' +
                  QuoteIdentifier(FJob.MastTable) + QStringLiteral(" LIMIT %1").arg(kLimit));
    parent.Open();
    tv::db::Query q(&FConn);
    q.SetSQL(TDataGenRunner::InsertSQL(FJob, Table));
    std::vector<TGenValue> parentRow;
    for (; !parent.Eof() && FDone < kLimit; parent.Next()) {
        if (Escape && Escape())
            break;
        parentRow.clear();
        for (int f = 0; f < parent.FieldCount(); ++f)
            parentRow.push_back(parent.Fields(f).IsNull() ? TGenValue() : TGenValue(parent.Fields(f).AsString()));
        for (qint64 i = 1; i <= FJob.CountTo && FDone < kLimit; ++i) {
            if (i > FJob.CountFrom && FRnd.Random(FJob.CountTo - i + 2) == 0)
                break;
            BindRow(q, FJob, values.RowValues(i - 1, &parentRow));
            try {
                q.ExecSQL();
            } catch (const tv::db::DbError &e) {
                if (e.connectionLost())
                    throw;
                ShowMessageBox(e.text(), tv::ui::MB_OK);
                throw tv::SilentAbort();
            }
            ++FDone;
        }
    }
    values.FreeLinkQueries();
    return true;
}

bool TDataGenTestRun::RunUpdate(const QString &Scratch, const std::function<bool()> &Escape)
{
    const QString target = DQ(FJob.Schema) + u'.' + Scratch;
    try {
        {
            tv::db::StatementSavepoint sp(FConn);
            FConn.Exec(QStringLiteral("INSERT INTO ") + QuoteIdentifier(FJob.Schema) + u'.' + Scratch +
                       QStringLiteral(" SELECT * FROM ") + QuoteIdentifier(FJob.Schema) + u'.' +
                       QuoteIdentifier(FJob.Table) + QStringLiteral(" LIMIT %1").arg(kLimit));
            sp.release();
        }
        QStringList keyCols;
        for (const QString &k : FJob.Primary)
            keyCols << DQ(k);
        tv::db::Query keys(&FConn);
        keys.SetParamParsing(false);
        QString keySql = QStringLiteral("SELECT ") + keyCols.join(u',') + QStringLiteral(" FROM ") + target;
        if (!FJob.Where.trimmed().isEmpty())
            keySql += QStringLiteral("\nWHERE ") + FJob.Where;
        keys.SetSQL(keySql);
        {
            tv::db::StatementSavepoint sp(FConn);
            keys.Open();
            sp.release();
        }
        TDataGenValues values(FJob, FRnd, &FConn);
        values.PrepareLinkQueries();
        const QString update = TDataGenRunner::UpdateSQL(FJob, Scratch);
        QStringList key;
        for (qint64 row = 0; !keys.Eof(); keys.Next()) {
            if (Escape && Escape())
                return false;
            key.clear();
            for (int f = 0; f < keys.FieldCount(); ++f)
                key << keys.Fields(f).AsString();
            tv::db::Query q(&FConn);
            q.SetSQL(update + u'\n' + TDataGenRunner::WhereLine(FJob, key));
            BindRow(q, FJob, values.RowValues(row));
            tv::db::StatementSavepoint sp(FConn);
            q.ExecSQL();
            sp.release();
            ++row;
            ++FDone;
        }
        values.FreeLinkQueries();
    } catch (const tv::db::DbError &e) {
        if (e.connectionLost())
            throw;
        ShowMessageBox(QStringLiteral("テストに失敗しました。"), tv::ui::MB_OK | tv::ui::MB_ICONSTOP);
    } catch (const tv::Error &) {
        ShowMessageBox(QStringLiteral("テストに失敗しました。"), tv::ui::MB_OK | tv::ui::MB_ICONSTOP);
    }
    return true;
}
