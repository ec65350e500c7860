#pragma once
// The WHERE history of a data page (the last filter conditions typed for one
// object) and the size text shown after a column's data type.
#include <QString>
#include <QStringList>
#include <QVariant>

// Path of the history file of (A, B): the work folder (tvOption.TempDir) +
// SanitizeFileName(A + "." + B + ".ini"); empty when no work folder is set.
QString WhereHistoryFileName(const QString &A, const QString &B);
// Empties List, then fills it with the non-empty conditions of keys "00" to
// "19" of section "WHERE", in key order. Nothing is read when B is empty.
void LoadWhereHistory(const QString &A, const QString &B, QStringList &List);
// Writes the first 20 entries of List as keys "00".."19"; keys beyond the
// list stay as they were. False (with the reason) when the file cannot be
// read or written; an unreadable file is never overwritten.
bool SaveWhereHistory(const QString &A, const QString &B, const QStringList &List, QString *Error = nullptr);

// Size text of a catalog column: the length of character types, precision
// and scale of numeric, the precision of bit and interval types; a null
// field (an invalid or null QVariant) prints nothing.
QString ColumnSizeText(const QString &TypeName, const QVariant &LengthField, const QVariant &PrecisionField,
                       const QVariant &ScaleField);
