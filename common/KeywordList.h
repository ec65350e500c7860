#pragma once
// The built-in SQL keyword list: the reserved words the editors colour and
// complete when the user has stored none, and the words the SQL formatter
// knows.
#include <QStringList>

// Appends the built-in keywords to List (it is not cleared first).
void FillKeywordList(QStringList &List);
int BuiltInKeywordCount();
