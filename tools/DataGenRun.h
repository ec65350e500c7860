#pragma once
// The test-data generator's statements and runs: an INSERT per row (normal
// mode), INSERTs per parent row (parent mode) or an UPDATE per chosen row
// (update mode), with a COMMIT every CommitInterval rows, Esc, failed rows
// logged and asked about, and the log written to a sink.
//
// The statement is prepared once per run (PREPARE ... / EXECUTE with the
// row's values as literals, numbers as exact text). Inside a transaction
// block (auto-commit off) every row runs under its own savepoint, sent
// together with the row, so a failed row leaves the block usable and the
// rows before it pending; a COMMIT that the server answers with ROLLBACK is
// logged as "ROLLBACK". Parent rows, update keys and link tables are read
// through WITH HOLD cursors in batches, so the run's COMMITs do not end them.
//
// Errors outside a row's statement (a value that does not convert, a lost
// connection, a parent table that cannot be read) end the run at once with
// the error raised: no COMMIT or ROLLBACK is sent, rows since the last
// COMMIT stay pending.
#include "tools/DataGenRule.h"

#include <functional>

namespace tv::db {
class Connection;
}
class TDataGenRandom;

struct TDataGenRunEnv {
    // One log line.
    std::function<void(const QString &)> Log;
    // Whether Esc is waiting (asked before each row, each parent row).
    std::function<bool()> Escape;
    // Optional: each row's statement text (the UPDATE with its WHERE line).
    std::function<void(const QString &)> Trace;
    // TtvOption.DataGenCommit: a COMMIT every so many rows; 0: at the end only.
    int CommitInterval = 50;
};

class TDataGenRunner {
public:
    TDataGenRunner(tv::db::Connection &Conn, TDataGenJob &Job, TDataGenRandom &Rnd, TDataGenRunEnv Env);

    // "INSERT INTO "s"."t"("a", "b") VALUES (:COL0, nextval(...))": the
    // columns with a kind, fixed values written in place, ":COL" + the column
    // index for the others. TableName: written as given in place of the
    // double-quoted schema and table.
    static QString InsertSQL(const TDataGenJob &Job, const QString &TableName = QString());
    // "UPDATE "s"."t" SET "a" = :COL1, ...": the columns with a kind that are
    // no primary-key column.
    static QString UpdateSQL(const TDataGenJob &Job, const QString &TableName = QString());
    // "WHERE "k1" = '1' AND "k2" = 'x'" for the key values of one row.
    static QString WhereLine(const TDataGenJob &Job, const QStringList &Keys);
    // The key query of the update mode.
    static QString KeySQL(const TDataGenJob &Job);

    // The run of the job's mode. A lost connection ends it: the log says
    // the run broke off and how many of its rows stand committed, and the
    // error is raised.
    void Run();
    void GenerateNormal();
    void GenerateMaster();
    void GenerateUpdate();

    // Rows that succeeded in the last run.
    qint64 Done() const { return FDone; }
    // Rows that failed in the last run.
    qint64 Failed() const { return FFailed; }
    // Rows of the last run that stand committed.
    qint64 Committed() const { return FCommitted; }

private:
    struct Prepared;
    void Begin();
    // Builds the statement and prepares it; Keys: the update mode's key count.
    void PrepareStatement(const QString &Text);
    void Unprepare();
    // One row: true when it succeeded; false when it failed (logged, and
    // asked about); *Stop set when the user answered No.
    bool RunRow(qint64 RowNo, const std::vector<std::optional<QString>> *ParentRow, const QStringList *Keys,
                const QString &Question, bool *Stop);
    void CommitTest();
    void FinalCommit();
    void Commit();
    void Escaped(const QString &Closing);
    void LogError(const QString &Text);

    tv::db::Connection &FConn;
    TDataGenJob &FJob;
    TDataGenRandom &FRnd;
    TDataGenRunEnv FEnv;
    QString FStmtName;
    QStringList FParamNames;  // $n order: "COL<i>" or "KEY<i>"
    QString FTraceText;
    bool FIgnoreErrors = false;
    qint64 FDone = 0;
    qint64 FFailed = 0;
    qint64 FCommitted = 0;  // rows of the run that stand committed
    class TDataGenValues *FValues = nullptr;
};
