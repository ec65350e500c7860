#pragma once
// Splits one SQL statement (SELECT, INSERT, UPDATE, DELETE or CREATE VIEW)
// into select items, tables with aliases, condition tokens and the other
// clause items, with a single left-to-right scan and no grammar. Callers
// clean the text first (CleanScriptLines).
#include "common/tvParseList.h"
#include "platform/Errors.h"

#include <QStringList>

// Every failure of the parser; carries the caller's own message (possibly empty).
class ESQLParseError : public tv::Error {
public:
    using tv::Error::Error;
};

// Statement kinds returned by ParseSQLStatement.
enum : int { sqlNone = 0, sqlSelect = 1, sqlInsert = 2, sqlUpdate = 3, sqlDelete = 4, sqlCreateView = 5 };

// Columns: select items (expression, alias), INSERT columns (column, value),
// UPDATE SET items (column, value). Tables: FROM and first JOIN tables, the
// INSERT or UPDATE target, as (name, alias). OrderBy: (expression, last word).
// Where: tokens of the WHERE and first ON condition. GroupBy: items. Having:
// tokens. The lists are appended to. ViewName is emptied, then set for
// CREATE VIEW. A non-empty ErrorMessage makes the scan strict; an empty one
// makes it lenient (nested and following statements are scanned too, into
// the same lists). Failures raise ESQLParseError(ErrorMessage).
int ParseSQLStatement(const QString &SQL, TtvParseList &Columns, TtvParseList &Tables, TtvParseList &OrderBy,
                      QStringList &Where, QStringList &GroupBy, QStringList &Having,
                      const QString &ErrorMessage, QString &ViewName);
