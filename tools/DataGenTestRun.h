#pragma once
// The test-data generator's test run: the chosen mode run against a scratch
// table of the same schema for at most 100 rows, whose rows are shown and
// then thrown away.
//
// Everything happens inside one protected block on the user's session (on
// an idle session BEGIN ... ROLLBACK, inside an open transaction SAVEPOINT
// ... ROLLBACK TO + RELEASE): the scratch table is created empty from the
// table's columns ("CREATE TABLE ... AS SELECT * FROM ... WITH NO DATA") and
// goes with the block's rollback, so the table is never written to, the
// user's pending work stays pending, no other session ever sees the scratch
// table and a failing row reports its own error. The rows are read (Show)
// before the rollback. Each UPDATE of the update mode runs under its own
// savepoint, so after a failure the rows made so far still show.
#include "tools/DataGenRule.h"

#include <functional>

namespace tv::db {
class Connection;
}
class TDataGenRandom;

class TDataGenTestRun {
public:
    static constexpr int kLimit = 100;

    TDataGenTestRun(tv::db::Connection &Conn, TDataGenJob &Job, TDataGenRandom &Rnd);

    // The scratch table's name: the first 19 characters of the table name
    // and "MMddhhmmss" of Now, double-quoted.
    static QString ScratchName(const QString &Table, const QDateTime &Now);

    // Show: given the SELECT of the scratch table while it exists; it reads
    // the rows. Escape: asked before each parent row and each update. Returns
    // whether the rows were shown (false after an Esc of the update mode).
    // A failing row of the normal mode raises the server's error; one of the
    // parent mode shows its text and ends with a silent abort; a failure of
    // the update mode shows "テストに失敗しました。" and the rows all the same.
    bool Run(const std::function<void(const QString &Select)> &Show, const std::function<bool()> &Escape,
             const QDateTime &Now);

    // Rows made (or updated) by the last run.
    int Done() const { return FDone; }

private:
    void RunNormal(const QString &Table);
    bool RunMaster(const QString &Table, const std::function<bool()> &Escape);
    bool RunUpdate(const QString &Scratch, const std::function<bool()> &Escape);

    tv::db::Connection &FConn;
    TDataGenJob &FJob;
    TDataGenRandom &FRnd;
    int FDone = 0;
};
