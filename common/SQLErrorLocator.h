#pragma once
// Marks the statement of a script whose execution failed: the SQL window
// calls it before it shows the server's message.
#include <QString>

class TtvMemo;

namespace tv::db {
class Query;
}

// Selects the whole display rows StartRow..EndRow (0-based) of Memo, unless
// the user has a selection there, which is left as it is. Query, UserName
// and ErrorText are the caller's execution query, its connection's user and
// the failure's text; the selection does not depend on them.
void LocateSQLError(TtvMemo *Memo, tv::db::Query *Query, const QString &UserName, int StartRow, int EndRow,
                    const QString &ErrorText);
