#pragma once
// The record text: how the data grids put records on the clipboard and read
// them back. Fields are separated by TAB; when more than one record is
// written every record ends in CR LF, a single record has no line end. A
// value holding a TAB, LF, CR or double quote has its CR LF and CR turned
// into LF and is enclosed in double quotes with its quotes doubled.
//
// Reading splits lines at LF (a CR before it is dropped) and fields at TAB.
// A value that starts with a double quote runs to its closing quote; a
// doubled quote inside it is one quote of the value, and TABs and line
// breaks inside it belong to the value. So a copied text pastes back whole.
#include <QString>
#include <QStringList>
#include <vector>

namespace tv::grid {

// One value as it is written.
QString QuoteRecordValue(const QString &value);
// Appends one value to a record line (a TAB first unless it is the line's first).
void AppendRecordValue(QString &out, const QString &value, bool first);

// Whether a pasted text is records (it holds a TAB or a line break, with or
// without CR) rather than text for one cell.
bool IsRecordText(const QString &text);
// The records of a pasted text: one list of values per line.
std::vector<QStringList> ParseRecordText(const QString &text);

} // namespace tv::grid
