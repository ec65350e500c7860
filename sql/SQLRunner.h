#pragma once
// The text work of the SQL window's statement runner, apart from any widget
// or server: splitting the text into statements at ";" lines, trimming a
// statement, the trailing-semicolon rule of commands, the statement kind,
// the bind-variable type map and value conversion, and the time text of the
// status bar.
#include "platform/db/Param.h"

#include <QString>
#include <QStringList>

namespace sqlrun {

// The lines of a text as the runner takes them: split at every CR LF, LF or
// CR; the piece after the last line break is a line too, even when empty.
QStringList SplitLines(const QString &text);

// True when the line ends a statement: it holds only ";" once trimmed.
bool IsTerminatorLine(const QString &line);

// One statement of a run: its lines and where it stands in the lines run.
struct TStatement {
    QStringList lines;
    int startIndex = 0; // index of its first line
    int endIndex = 0;   // index of the ";" line that ended it, or the last line
};
// The statements of a run in order; lines holding only ";" end one and never
// belong to one. The text after the last ";" line is the last statement
// (possibly empty).
QList<TStatement> SplitStatements(const QStringList &lines);

// Trims a statement's lines: empty and REM / REMARK lines go from both ends;
// when the first or last remaining line begins with "select", TABs outside
// quoted text, quoted names and dollar-quoted bodies become blanks.
void CleanStatementLines(QStringList &Lines);
// True when the trimmed, upper-cased line is empty or starts with the word
// REM or REMARK.
bool IsRemarkLine(const QString &line);
// Replaces TABs by blanks in every line, except inside '…', E'…', "…" and
// $tag$…$tag$ (the quote state runs on across lines).
void ReplaceTabsOutsideQuotes(QStringList &Lines);

enum class TStatementKind { Select, Insert, Update, Delete, Create, Alter, Drop, Commit, Rollback, Call, Other };
// The kind by the statement's first word (leading blanks, comments and
// opening parentheses skipped): WITH and VALUES count as Select, END as
// Commit, ABORT as Rollback.
TStatementKind StatementKind(const QString &sql);
// Whether the statement can hand back rows, so the runner must describe it
// before running it: data changes only with a RETURNING word (looked for
// anywhere in the text, quoted or not), schema changes and transaction ends
// never, every other kind always.
bool MayReturnRows(const QString &sql, TStatementKind kind);
// Whether the statement may go to the server ahead of its turn while the
// ones before it still run: a data change (INSERT, UPDATE, DELETE) that
// hands back no rows. Such a statement runs the same inside a block of its
// own, and nothing about it needs the result of the one before.
bool MaySendAhead(const QString &sql, TStatementKind kind);
// Whether ":name" markers are parameters: not for a text beginning with
// "CREATE" (its first six characters, any letter case).
bool ParsesParams(const QString &sql);
// The command form of the text: for the kinds Delete, Insert, Update, Create,
// Alter, Drop, Commit and Rollback a final ";" of the trimmed text is
// removed, unless the text holds "CREATE " together with one of
// " PROCEDURE ", " FUNCTION ", " PACKAGE ", " TRIGGER ", " TYPE "
// (case-sensitive). Other kinds and texts not ending in ";" come back as
// they are.
QString CommandText(const QString &sql, TStatementKind kind);

// The bind-variable type names the window offers: those of the
// connection's type names (in their order, array names included) that
// GetParamDataType maps.
QStringList BindTypeNames(const QStringList &typeNames);
// The parameter type of a type name (a name holding "[]" loses its last two
// characters first; exact, case-sensitive). Unknown names give a text value
// and false.
enum class TBindType { String, SmallInt, Integer, LargeInt, Numeric, Float, LongWord, Time, TimeStamp, Date, Boolean };
bool GetParamDataType(const QString &TypeName, TBindType &DataType);
// Puts the typed value into a parameter: numbers are checked and travel as
// the exact text typed (never through a float); a text value lets the
// server infer the type. Raises tv::Error with the conversion message when
// the text is no value of the type.
void SetParamValue(tv::db::Param &param, TBindType type, const QString &text);
// The parameter's size rule: the length of the value text + 1, never less
// than 255.
int ParamSize(const QString &value);

// "hh:mm:ss.zzz" of a duration in milliseconds.
QString FormatElapsed(qint64 ms);
// "処理時間(HH:MM:SS.Ms)：" + FormatElapsed(ms).
QString ElapsedMessage(qint64 ms);
// " SQLを実行しました。" CR LF "(対象：" + rows + " レコード )".
QString ExecutedMessage(qint64 rows);

} // namespace sqlrun
