#pragma once
// What a table rebuild (DROP TABLE and CREATE TABLE again, in one
// transaction) must carry across the drop, read from the server while the
// table still exists: the objects that cannot be re-created (they refuse
// the rebuild), the statements that run before the drop (row security no
// longer forced for the backup copy, owned sequences detached, other
// tables' foreign keys dropped by name, partitions detached), and the
// statements that restore the rest after the new table holds its rows
// (partitions attached again, indexes, replica identity, the CLUSTER mark,
// column statistics targets, storage modes, options and compression,
// foreign keys of other tables, triggers with their enabled state,
// policies, comments, row security, owner, reloptions, table and column
// grants, sequences owned again). Nothing is dropped with CASCADE.
#include <QString>
#include <QStringList>

#include <functional>

namespace tv::db {
class Query;
} // namespace tv::db

struct TTableRebuild {
    // One line per object that stops the rebuild: kind and qualified name
    // ("VIEW s1.v1").
    QStringList Refusals;
    // Before the backup copy (policies would hide rows from it).
    QStringList Prepare;
    // After the backup copy, before the drop.
    QStringList Detach;
    // After the new table and its rows.
    QStringList Restore;
    // The table's reloptions ("name=value"; TOAST ones as "toast.name"):
    // the caller restores those its new CREATE TABLE does not set.
    QStringList RelOptions;
    // Privileges the session cannot give again as their grantors did: the
    // user is told before the drop.
    QStringList Lost;
};

// The storage parameters a CREATE TABLE sets: the names in the WITH (...)
// after its column list ("fillfactor", "toast.autovacuum_enabled"; quoted
// names as written, others in lower case). Comments, literals and anything
// inside the column list do not count.
QStringList CreateTableOptionNames(const QStringList &Create);

// "ALTER TABLE ... SET (...)" of those of Options that the CREATE TABLE in
// Create does not set and Governed does not name (options the caller's
// CREATE writes from its own state); nothing when there are none.
QStringList RestoreRelOptions(const QString &Schema, const QString &Table, const QStringList &Options,
                              const QStringList &Create, const QStringList &Governed = {});

// Reads the table `Schema`.`Table` in one statement. NewColumnName maps a
// column's attnum as loaded to its name in the new table (empty: the column
// is removed). KeptConstraints: the names of the table's own constraints the
// new CREATE TABLE writes (their comments are restored). A failing query
// raises.
TTableRebuild ReadTableRebuild(tv::db::Query &Query, const QString &Schema, const QString &Table,
                               const std::function<QString(int AttNum)> &NewColumnName,
                               const QStringList &KeptConstraints);

// The backup table's name: the first 19 characters of the table's name, "_"
// and the time as MMddhhmmss.
QString BackupTableName(const QString &Table, const class QDateTime &Now);

// "テーブルを再作成できません。" and the refusals, one per line.
QString RefusalMessage(const QStringList &Refusals);
