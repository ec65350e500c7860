#pragma once
// What the statistics window reads and keeps, apart from its widgets: the
// queries of its five pages, the explanations of the database counters, and
// the snapshot files of the database page's history.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace perform {

// The explanations of pg_stat_database's columns, in their table's order.
const QStringList &DescNames();
const QStringList &DescTexts();
// The explanation of a column name; empty when it has none.
QString ItemDesc(const QString &Name);

// The column names of a statistics view, in its column order.
QString ColumnNamesSQL(const QString &View);
// The values of the database page: exactly the columns read from the
// catalog, by name, times as "yyyy/mm/dd hh24:mi:ss" (:datname).
QString DbStatValuesSQL(const QStringList &Columns);
// The per-object pages: 0 table I/O, 1 table access, 2 index I/O, 3 index
// access. Search not empty: its conditions are appended (:kensaku).
// Columns: the view's columns (used by the table-access page, which names
// them, times formatted).
QString ObjectValuesSQL(int Page, const QStringList &Columns, bool Search);
// The views of the per-object pages, by the same numbers.
QString ObjectView(int Page);
// The column title of a view column on a per-object page.
QString ObjectColumnTitle(const QString &Column, bool IndexPage);

// The history: file names "DBSTAT" + sanitised database + "yyyyMMddHHmm"
// (+ "01".."99" when taken) + ".log" in the folder DataDir + "stat/".
QString StatFolder();
QString SnapshotStem(const QString &Database, const QDateTime &At);
// Whether a file name is one of the database's snapshots.
bool IsSnapshotOf(const QString &FileName, const QString &Database);
// The snapshot files of a database (names only), oldest first.
QStringList SnapshotFiles(const QString &Folder, const QString &Database);
// "yy/mm/dd HH:nn" from a file name, the stamp found after the sanitised
// database name of the current connection.
QString FileNameToDate(const QString &FileName, const QString &Database);
// The content of a snapshot: "name TAB value CRLF" per row.
QString SnapshotText(const QStringList &Names, const QStringList &Values);
// Writes a snapshot (ANSI code page, through a temporary file); returns the
// path written. Raises tv::Error when it cannot.
QString SaveSnapshot(const QString &Folder, const QString &Database, const QDateTime &At, const QStringList &Names,
                     const QStringList &Values);
// The values of a snapshot's lines for the rows named RowNames: line by line
// when the counts agree, else by name (rows not named stay empty).
QStringList PlaceSnapshot(const QStringList &Lines, const QStringList &RowNames);
// A text as a 64-bit integer; 0 when empty or not an integer.
qint64 IntegerValue(const QString &Text);
// Increments, in place: Columns[0] is the current value, then the snapshot
// columns newest first. Each column but the last becomes itself minus its
// right neighbour, using the absolute values.
void ApplyIncrements(std::vector<QStringList> &Columns);

} // namespace perform
