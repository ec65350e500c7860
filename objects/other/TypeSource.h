#pragma once
// The CREATE TYPE text of a user's type rebuilt from the catalogs:
// composite, enumeration, range, base (of a user category) and shell types.
// What the source window shows for a type and what its script writes.
#include <QString>
#include <QStringList>

namespace tv::db {
class Query;
} // namespace tv::db

namespace TypeSource {

// The type lookup (:SCHEMA, :OBJNAME): one column, typtype.
QString LookupSQL();
// The queries of one kind: 0 composite attributes, 1 enumeration labels,
// 2 range, 3 base type; ColumnMax the composite's highest attribute
// number. Empty for other kinds.
QString KindSQL(int Kind, const QString &Schema, const QString &Name);
QString ColumnMaxSQL();

// One attribute line of a composite type (the quoted name padded to 30).
QString AttributeLine(const QString &Name, const QString &TypeText, bool Last);

// Appends the type's statement (ending in ";") to Lines and returns its
// typtype letter; empty (nothing appended) when the lookup finds no type.
// Prefix: the schema prefix before the name. A failing composite query
// raises tv::SilentAbort; the other kinds go on without the lines a failing
// query would have given. Query is closed on return.
QString Build(tv::db::Query &Query, const QString &Schema, const QString &Name, const QString &Prefix,
              QStringList &Lines);

} // namespace TypeSource
