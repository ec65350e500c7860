#pragma once
// The analysis run of the index adviser without its window: the statement
// check, the plan under EXPLAIN ANALYZE in a block that leaves nothing
// behind, the indexes the plan used, and the existing indexes of the
// statement's tables.
#include "monitor/IndexCandidates.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace tv::db {
class Connection;
class Query;
} // namespace tv::db

namespace monitor {

// Messages of the run.
QString MsgColCount();      // "作成するインデックス列の上限数は1以上の整数で入力して下さい。"
QString MsgCannotParse();   // "この SQL を解析することは出来ません。" (parser failure)
QString MsgNotAnalysable(); // "この SQL を解析することが出来ません。" (wrong kind)
QString MsgNoTable();       // "対象のテーブルが見つかりません。"
QString MsgNoIndex();       // "(インデックスがありません)"

// The position of " " + Keyword + " " in the blank-prefixed, upper-cased
// text with line breaks, tabs and comment marks made blanks and "*" spaced;
// 0 when absent. Keyword is given in upper case.
int ContainsKeyword(const QString &Keyword, const QString &Text);

// True for a statement of kind SELECT, UPDATE or DELETE whose cleaned text
// holds no CREATE, DROP, INSERT, nor SELECT ... INTO.
bool IsAnalysable(int Kind, const QString &CleanedText);

// Index names of the plan's index scans (forward or backward) and bitmap
// index scans, in plan order, duplicates kept; index-only scans add none.
QStringList UsedIndexesOfPlan(const QStringList &PlanLines);

// Runs "EXPLAIN ANALYZE " + Statement on Db in a protected block that is
// rolled back whatever happens, so an UPDATE or DELETE changes nothing and
// the user's pending work stays pending. Bind (may be empty) sets the
// query's parameter values. Returns the plan's lines; a failure (including
// an already aborted session) throws the server's error.
QStringList RunPlan(tv::db::Connection &Db, const QString &Statement,
                    const std::function<void(tv::db::Query &)> &Bind = {});

// The existing indexes of every listed table that is an ordinary table, in
// list order; Used marks the names found in UsedIndexes. A table without an
// index has an empty Indexes list.
std::vector<TtvExistingTable> ReadExistingIndexes(tv::db::Connection &Db, const TtvParseList &Tables,
                                                  const QString &DefaultSchema, const QStringList &UsedIndexes);

} // namespace monitor
