#pragma once
// The text work of the source window (functions, procedures, packages and
// types) that needs no widget: the signature of a CREATE text, the
// templates of a new object, renaming the schema or the name inside the
// text, and the lines a script writes of a routine's definition.
#include <QString>
#include <QStringList>

namespace SourceText {

// "PROCEDURE", "FUNCTION", "PACKAGE" or "TYPE" for 51, 52, 53, 55.
QString TypeWord(int ObjType);

// The signature of a CREATE text: what follows "CREATE OR REPLACE <type>"
// (or "CREATE <type>") up to the first "AS"/"IS" marker, name and argument
// list without blanks, the rest upper-cased as written. Empty when the text
// has no such header or no marker after it. Linear in the text.
QString Signature(const QStringList &Lines, const QString &TypeWord);

// The template of a new object of the kind (S, N: the quoted schema and
// name).
QStringList Template(int ObjType, const QString &S, const QString &N);

// Renames in the text as leaving the schema or the name box does: the first
// line holding OldText (letter case ignored) gets its first occurrence
// replaced by NewText; with Twice (packages) also the next such line below
// it. False when no line holds OldText.
bool RenameFirst(QStringList &Lines, const QString &OldText, const QString &NewText, bool Twice);

// A routine definition as a script writes it: each line holding the name
// (letter case ignored) loses its first "schema." and then its first
// "Q(schema)." to Prefix.
void ScriptRewrite(QStringList &Lines, const QString &Schema, const QString &Name, const QString &Prefix);

} // namespace SourceText
