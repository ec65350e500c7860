#pragma once
// Cleanup of SQL text before it is analysed: script comment lines (REM,
// REMARK) and empty lines at both ends, SQL comments everywhere and, on
// request, everything from the first statement-ending semicolon on.
#include <QStringList>

// Changes Lines in place. Each line is trimmed of TAB, LF, CR and blank
// before its comments are cut; quote and block-comment state carry over from
// line to line. Lines in the middle are otherwise left as they are.
void CleanScriptLines(QStringList &Lines, bool CutAtSemicolon);
