#pragma once
// The work of the script runner apart from its window: reading a script
// file, trimming one statement, the log form of a failed statement, the
// schema switch statement and the run of one statement on a connection.
#include "platform/text/TextEncoding.h"

#include <QString>
#include <QStringList>

namespace tv::db {
class Connection;
}

namespace scriptrun {

// Reads a script file as lines (split at CR LF, LF or CR; a last line break
// gives no empty last line) in `enc`, a byte-order mark deciding over it.
// False, with the reason in *error, when the file cannot be read or holds
// bytes that are no text of its encoding.
bool ReadScriptFile(const QString &path, tv::text::Encoding enc, QStringList *lines, QString *error);

// Drops blank lines and REM / REMARK lines (the word alone or followed by a
// blank, TAB, CR or LF) from both ends; lines between stay.
void TrimStatementLines(QStringList &lines);

// The statement as the log shows it after an error: more than 4 lines give
// lines 1 to 3, "  -- (中略) --" and the last line; otherwise every line.
QStringList ErrorEchoLines(const QStringList &lines);

// "set search_path to " + the schema as one quoted identifier (inner quotes
// doubled), whatever the text holds.
QString SearchPathStatement(const QString &schema);

// What running one statement gave.
struct TOutcome {
    bool ok = true;
    // The statement returns rows: it was described and never executed.
    bool returnsRows = false;
    // The connection went away (the run cannot go on).
    bool connectionLost = false;
    // The user cancelled the statement with Esc (the run stops).
    bool cancelled = false;
    QString error;
};

// Runs one statement. It is prepared and described first (":" sent as
// written): one that returns rows is not executed; a text that cannot be
// prepared goes through the simple protocol, which reports its error. A text
// of several statements runs them one by one in the same way, up to the
// first that fails or returns rows (those before it stay done). Inside an
// open transaction block each statement has its own savepoint, so a failure
// neither aborts the block nor loses the statements before it.
TOutcome RunStatement(tv::db::Connection &conn, const QString &text);

} // namespace scriptrun
