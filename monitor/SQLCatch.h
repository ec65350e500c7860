#pragma once
// What the SQL capture and table-access windows read and decide, apart from
// their widgets: the statements of the statement-statistics view and which
// of them touch a table, and how.
#include <QString>
#include <QStringList>

#include <vector>

namespace sqlcatch {

// Whether public.pg_stat_statements exists: a row when it does.
QString ViewCheckSQL();
// The capture list: role, database, calls, total time, rows and statement
// of the connection's database (:datname), narrowed by a search text
// (:kensaku, matched in every column) and a role (:rolname). From 13 the
// view calls the time total_exec_time.
QString StatementListSQL(int DBVer);
// The statement texts of the table-access matrix (:datname, :rolname).
QString MatrixStatementsSQL();
// The roles of the role box.
QString UserListSQL();
// The reset of the view's statistics: from 12 those of the connection's
// database only (the windows show no other), the whole view before.
QString ResetSQL(int DBVer);
// The view's field that holds the total time.
QString TotalTimeField(int DBVer);

// The search parameters: "%" + text + "%", or "%%" for an empty search and
// for the role "(全て)".
QString SearchPattern(const QString &Search);
QString RolePattern(const QString &User);
// The matrix's role parameter: the role unchanged, "%" for "(全て)".
QString MatrixRolePattern(const QString &User);

// A total time as the list shows it: six decimals.
QString FormatTotalTime(double Seconds);

// A reset whose error is one of the tolerated texts counts as done (the
// function returns void, which older drivers could not fetch).
bool ResetErrorMeansDone(const QString &ErrorText);

// Whether a statement names a table: the name, compared without case of
// ASCII letters, between blanks or line breaks, in double quotes, after a
// full stop, or as the statement's last word after a blank. Line feeds and
// lone carriage returns count as line breaks and TABs as blanks.
bool QueryMentionsTable(const QString &Statement, const QString &Table);

// The marks of a statement: whether it contains INSERT, SELECT, UPDATE and
// DELETE (anywhere, without case of ASCII letters).
struct TCrudMarks {
    bool C = false, R = false, U = false, D = false;
    bool Any() const { return C || R || U || D; }
};
TCrudMarks CrudMarks(const QString &Statement);

// One row of the matrix: a table, its marks and the statement.
struct TCrudRow {
    QString Table;
    TCrudMarks Marks;
    int Statement = -1; // index into the statements given
};
// For each table in order, each statement in order that mentions it with at
// least one mark.
std::vector<TCrudRow> BuildMatrix(const QStringList &Tables, const QStringList &Statements);

} // namespace sqlcatch
