#include "tools/DataGenRun.h"

#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/SqlScanner.h"
#include "platform/db/StatementSavepoint.h"
#include "tools/DataGenFile.h"
#include "tools/DataGenValue.h"

#include <atomic>
#include <memory>

namespace {

QString DQ(const QString &Name)
{
    QString n = Name;
    n.replace(u'"', QStringLiteral("\"\""));
    return u'"' + n + u'"';
}

std::atomic<int> g_stmtCounter{0};

const QString kRowSavepoint = QStringLiteral("tv_dg_row");

} // namespace

TDataGenRunner::TDataGenRunner(tv::db::Connection &Conn, TDataGenJob &Job, TDataGenRandom &Rnd, TDataGenRunEnv Env)
    : FConn(Conn), FJob(Job), FRnd(Rnd), FEnv(std::move(Env))
{
    if (!FEnv.Log)
        FEnv.Log = [](const QString &) {};
    if (!FEnv.Escape)
        FEnv.Escape = [] { return false; };
}

QString TDataGenRunner::InsertSQL(const TDataGenJob &Job, const QString &TableName)
{
    QStringList cols, values;
    for (int i = 0; i < Job.Cols.size(); ++i) {
        const TColParams &c = Job.Cols.at(i);
        if (c.SetType == stNone)
            continue;
        cols << DQ(c.ColumnName);
        values << (c.SetType == stVar ? ParameterText(c) : QStringLiteral(":COL%1").arg(i));
    }
    const QString table = TableName.isEmpty() ? DQ(Job.Schema) + u'.' + DQ(Job.Table) : TableName;
    return QStringLiteral("INSERT INTO ") + table + u'(' + cols.join(QStringLiteral(", ")) +
           QStringLiteral(") VALUES (") + values.join(QStringLiteral(", ")) + u')';
}

QString TDataGenRunner::UpdateSQL(const TDataGenJob &Job, const QString &TableName)
{
    QStringList sets;
    for (int i = 0; i < Job.Cols.size(); ++i) {
        const TColParams &c = Job.Cols.at(i);
        if (c.SetType == stNone || Job.IsPrimary(c.ColumnName))
            continue;
        sets << DQ(c.ColumnName) + QStringLiteral(" = ") +
                    (c.SetType == stVar ? ParameterText(c) : QStringLiteral(":COL%1").arg(i));
    }
    return QStringLiteral("UPDATE ") + DQ(Job.Schema) + u'.' + (TableName.isEmpty() ? DQ(Job.Table) : TableName) +
           QStringLiteral(" SET ") + sets.join(QStringLiteral(", "));
}

QString TDataGenRunner::WhereLine(const TDataGenJob &Job, const QStringList &Keys)
{
    QStringList parts;
    for (int i = 0; i < Job.Primary.size(); ++i) {
        QString v = i < Keys.size() ? Keys.at(i) : QString();
        v.replace(u'\'', QStringLiteral("''"));
        parts << DQ(Job.Primary.at(i)) + QStringLiteral(" = '") + v + u'\'';
    }
    return QStringLiteral("WHERE ") + parts.join(QStringLiteral(" AND "));
}

QString TDataGenRunner::KeySQL(const TDataGenJob &Job)
{
    QStringList keys;
    for (const QString &k : Job.Primary)
        keys << DQ(k);
    QString s = QStringLiteral("SELECT ") + keys.join(u',') + QStringLiteral(" FROM ") + DQ(Job.Schema) + u'.' +
                DQ(Job.Table);
    if (!Job.Where.trimmed().isEmpty())
        s += QStringLiteral("\nWHERE ") + Job.Where;
    return s;
}

// ---------------------------------------------------------------------------

void TDataGenRunner::Run()
{
    try {
        switch (FJob.Mode) {
        case dgmMaster: GenerateMaster(); break;
        case dgmUpdate: GenerateUpdate(); break;
        default: GenerateNormal(); break;
        }
    } catch (const tv::db::DbError &e) {
        if (!e.connectionLost())
            throw;
        // Rows after the last commit went with the session.
        FEnv.Log(QString());
        FEnv.Log(QStringLiteral("サーバーとの接続が切断されたため、処理を中断しました。"));
        FEnv.Log((FJob.Mode == dgmUpdate ? QStringLiteral("更新が確定したデータ: %1 件")
                                         : QStringLiteral("テーブルに登録されたデータ: %1 件"))
                     .arg(FCommitted));
        throw;
    }
}

void TDataGenRunner::Begin()
{
    FIgnoreErrors = false;
    FDone = 0;
    FFailed = 0;
    FCommitted = 0;
}

void TDataGenRunner::PrepareStatement(const QString &Text)
{
    const tv::db::ScannedSql scanned = tv::db::ScanSql(Text, true);
    FParamNames = scanned.names;
    for (const QString &n : FParamNames) {
        if (!n.startsWith(QStringLiteral("COL"), Qt::CaseInsensitive) &&
            !n.startsWith(QStringLiteral("KEY"), Qt::CaseInsensitive))
            throw tv::Error(QStringLiteral("固定値として設定された値が無効です。") + u'\n' + u':' + n);
    }
    FStmtName = QStringLiteral("tv_dg_stmt_%1").arg(++g_stmtCounter);
    // PREPARE is no transaction work, but a failing one would abort the
    // user's block: a savepoint keeps it usable.
    const bool block = FConn.transactionState() == tv::db::TransactionState::InTransaction;
    if (block)
        FConn.Exec(QStringLiteral("SAVEPOINT ") + kRowSavepoint);
    try {
        FConn.Exec(QStringLiteral("PREPARE ") + FStmtName + QStringLiteral(" AS ") + scanned.text);
    } catch (const tv::db::DbError &e) {
        FStmtName.clear();
        if (block && !e.connectionLost())
            FConn.Exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + kRowSavepoint + QStringLiteral("; RELEASE SAVEPOINT ") +
                       kRowSavepoint);
        throw;
    }
    if (block)
        FConn.Exec(QStringLiteral("RELEASE SAVEPOINT ") + kRowSavepoint);
}

void TDataGenRunner::Unprepare()
{
    if (FStmtName.isEmpty())
        return;
    const QString name = FStmtName;
    FStmtName.clear();
    try {
        if (FConn.Connected() && FConn.transactionState() != tv::db::TransactionState::Aborted) {
            tv::db::StatementSavepoint sp(FConn);
            FConn.Exec(QStringLiteral("DEALLOCATE ") + name);
            sp.release();
        }
    } catch (...) {
        // The statement goes with the session at the latest.
    }
}

void TDataGenRunner::LogError(const QString &Text)
{
    for (const QString &line : Text.split(u'\n'))
        FEnv.Log(line);
}

bool TDataGenRunner::RunRow(qint64 RowNo, const std::vector<std::optional<QString>> *ParentRow,
                            const QStringList *Keys, const QString &Question, bool *Stop)
{
    const std::vector<TGenValue> values = FValues->RowValues(RowNo, ParentRow);
    // The values by column index.
    QStringList args;
    args.reserve(FParamNames.size());
    std::vector<int> binding;
    for (int i = 0, v = 0; i < FJob.Cols.size(); ++i) {
        if (FJob.Binds(i))
            binding.push_back(v++);
        else
            binding.push_back(-1);
    }
    for (const QString &n : FParamNames) {
        const int idx = n.mid(3).toInt();
        if (n.startsWith(QStringLiteral("KEY"), Qt::CaseInsensitive)) {
            args << (Keys && idx < Keys->size() ? QuoteLiteral(Keys->at(idx)) : QStringLiteral("NULL"));
            continue;
        }
        const int v = idx >= 0 && idx < int(binding.size()) ? binding[size_t(idx)] : -1;
        const TGenValue &val = v >= 0 ? values[size_t(v)] : TGenValue();
        args << (val ? QuoteLiteral(*val) : QStringLiteral("NULL"));
    }
    QString exec = QStringLiteral("EXECUTE ") + FStmtName;
    if (!args.isEmpty())
        exec += u'(' + args.join(QStringLiteral(", ")) + u')';
    if (FEnv.Trace)
        FEnv.Trace(Keys ? FTraceText + u'\n' + WhereLine(FJob, *Keys) : FTraceText);

    const bool block = FConn.transactionState() == tv::db::TransactionState::InTransaction;
    try {
        if (block)
            FConn.Exec(QStringLiteral("SAVEPOINT ") + kRowSavepoint + QStringLiteral("; ") + exec +
                       QStringLiteral("; RELEASE SAVEPOINT ") + kRowSavepoint);
        else
            FConn.Exec(exec);
        ++FDone;
        // On an idle session each row stands committed at once.
        if (!block && FConn.transactionState() == tv::db::TransactionState::Idle)
            FCommitted = FDone;
        return true;
    } catch (const tv::db::DbError &e) {
        if (e.connectionLost())
            throw;
        if (block)
            FConn.Exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + kRowSavepoint + QStringLiteral("; RELEASE SAVEPOINT ") +
                       kRowSavepoint);
        ++FFailed;
        LogError(e.text());
        if (!FIgnoreErrors) {
            bool ignore = false;
            const int answer = ShowCheckMessageDialog(Question + QStringLiteral("\n処理を継続しますか？"),
                                                      tv::ui::MB_YESNO | tv::ui::MB_ICONWARNING,
                                                      {{QStringLiteral("以降のエラーを無視する"), &ignore}});
            FIgnoreErrors = ignore;
            if (answer != tv::ui::IDYES)
                *Stop = true;
        }
        return false;
    }
}

void TDataGenRunner::Commit()
{
    // On an idle session (auto-commit) every row stands committed already: a
    // COMMIT would only leave a warning behind.
    const bool idle = FConn.transactionState() == tv::db::TransactionState::Idle;
    std::shared_ptr<tv::db::PgResultSet> res;
    if (!idle)
        res = FConn.Exec(QStringLiteral("COMMIT"));
    if (res && res->commandStatus() == u"ROLLBACK") {
        FEnv.Log(QStringLiteral("ROLLBACK"));
    } else {
        FCommitted = FDone;
        FEnv.Log(QString::number(FDone) + QStringLiteral(" 件のデータを確定"));
    }
}

void TDataGenRunner::CommitTest()
{
    if (FDone > 0 && FEnv.CommitInterval != 0 && FDone % FEnv.CommitInterval == 0)
        Commit();
}

void TDataGenRunner::FinalCommit()
{
    if (FDone > 0 && (FEnv.CommitInterval == 0 || FDone % FEnv.CommitInterval != 0))
        Commit();
}

void TDataGenRunner::Escaped(const QString &Closing)
{
    if (FConn.transactionState() != tv::db::TransactionState::Idle)
        FConn.Exec(QStringLiteral("ROLLBACK"));
    FEnv.Log(QString());
    FEnv.Log(QStringLiteral("処理を中断しました。"));
    FEnv.Log(QString());
    FEnv.Log(Closing);
}

namespace {

// Ends a run's statement, link cursors and value engine on every way out.
struct RunScope {
    std::function<void()> done;
    ~RunScope() { done(); }
};

} // namespace

void TDataGenRunner::GenerateNormal()
{
    Begin();
    const QString closing = QStringLiteral("データ作成処理が終了しました。");
    FEnv.Log(QStringLiteral("SQL 文の生成中..."));
    LoadTemplates(FJob);
    FTraceText = InsertSQL(FJob);
    TDataGenValues values(FJob, FRnd, &FConn);
    FValues = &values;
    RunScope scope{[&] {
        Unprepare();
        values.FreeLinkQueries();
        FValues = nullptr;
    }};
    PrepareStatement(FTraceText);
    values.PrepareLinkQueries();
    FEnv.Log(QStringLiteral("データ生成開始"));
    bool stop = false;
    for (qint64 row = 0; row < FJob.Count && !stop; ++row) {
        if (FEnv.Escape()) {
            Escaped(closing);
            return;
        }
        RunRow(row, nullptr, nullptr, QStringLiteral("データ生成中にエラーが発生しました。"), &stop);
        CommitTest();
    }
    FinalCommit();
    FEnv.Log(QString());
    FEnv.Log(closing);
}

void TDataGenRunner::GenerateMaster()
{
    Begin();
    const QString closing = QStringLiteral("データ作成処理が終了しました。");
    FEnv.Log(QStringLiteral("SQL 文の生成中..."));
    LoadTemplates(FJob);
    FTraceText = InsertSQL(FJob);
    TDataGenValues values(FJob, FRnd, &FConn);
    FValues = &values;
    TDataGenCursor parent(FConn, QStringLiteral("SELECT * FROM ") + QuoteIdentifier(FJob.MastOwner) + u'.' +
                                     QuoteIdentifier(FJob.MastTable));
    RunScope scope{[&] {
        parent.Close();
        Unprepare();
        values.FreeLinkQueries();
        FValues = nullptr;
    }};
    PrepareStatement(FTraceText);
    values.PrepareLinkQueries();
    FEnv.Log(QStringLiteral("データ生成開始"));
    parent.Open();
    bool stop = false;
    std::vector<TGenValue> parentRow;
    for (; !parent.Eof() && !stop; parent.Next()) {
        if (FEnv.Escape()) {
            Escaped(closing);
            return;
        }
        parentRow.clear();
        for (int f = 0; f < parent.FieldCount(); ++f)
            parentRow.push_back(parent.IsNull(f) ? TGenValue() : TGenValue(parent.Text(f)));
        for (qint64 i = 1; i <= FJob.CountTo && !stop; ++i) {
            if (i > FJob.CountFrom && FRnd.Random(FJob.CountTo - i + 2) == 0)
                break;
            RunRow(i - 1, &parentRow, nullptr, QStringLiteral("データ生成中にエラーが発生しました。"), &stop);
            CommitTest();
        }
    }
    parent.Close();
    FinalCommit();
    FEnv.Log(QString());
    FEnv.Log(closing);
}

void TDataGenRunner::GenerateUpdate()
{
    Begin();
    const QString closing = QStringLiteral("データ更新処理が終了しました。");
    FEnv.Log(QStringLiteral("SQL 文の生成中..."));
    TDataGenCursor keys(FConn, KeySQL(FJob));
    LoadTemplates(FJob);
    FTraceText = UpdateSQL(FJob);
    QStringList where;
    for (int i = 0; i < FJob.Primary.size(); ++i)
        where << DQ(FJob.Primary.at(i)) + QStringLiteral(" = :KEY%1").arg(i);
    TDataGenValues values(FJob, FRnd, &FConn);
    FValues = &values;
    RunScope scope{[&] {
        keys.Close();
        Unprepare();
        values.FreeLinkQueries();
        FValues = nullptr;
    }};
    PrepareStatement(FTraceText + QStringLiteral("\nWHERE ") + where.join(QStringLiteral(" AND ")));
    values.PrepareLinkQueries();
    FEnv.Log(QStringLiteral("データ更新開始"));
    try {
        keys.Open();
    } catch (const tv::db::DbError &e) {
        if (e.connectionLost())
            throw;
        LogError(e.text());
        ShowMessageBox(QStringLiteral("エラーが発生しました。WHERE句の指定に誤りがないかご確認ください。"),
                       tv::ui::MB_OK | tv::ui::MB_ICONSTOP);
        return;
    }
    bool stop = false;
    QStringList key;
    for (qint64 row = 0; !keys.Eof() && !stop; keys.Next(), ++row) {
        if (FEnv.Escape()) {
            Escaped(closing);
            return;
        }
        key.clear();
        for (int f = 0; f < keys.FieldCount(); ++f)
            key << keys.Text(f);
        RunRow(row, nullptr, &key, QStringLiteral("データ更新中にエラーが発生しました。"), &stop);
        CommitTest();
    }
    keys.Close();
    FinalCommit();
    FEnv.Log(QString());
    FEnv.Log(closing);
}
