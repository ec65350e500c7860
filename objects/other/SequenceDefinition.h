#pragma once
// A sequence as the sequence window and its script read and write it: the
// plain definition, the catalog queries, and the DDL built from it. Nothing
// here touches a widget.
#include <QString>
#include <QStringList>

#include <optional>

namespace tv::db {
class Query;
} // namespace tv::db

struct TSequenceDefinition {
    QString Schema;
    QString Name;
    QString LastValue;   // the last value handed out; for a new (or never called) sequence its start
    bool Called = true;  // LastValue was handed out (else it is the start value)
    QString MinValue;
    QString MaxValue;
    QString Increment;
    bool Cycle = false;
    QString Cache;       // empty for 0
    bool NoMin = true;
    bool NoMax = true;
    bool Owned = false;  // owned by a column (else OWNED BY NONE)
    QString OwnerTable;
    QString OwnerColumn;
};

namespace SequenceSQL {
// last_value, min_value, max_value, increment_by, cycle, cache_size,
// start_value, and the column that owns the sequence as "table oid:column
// number" (null when none). No row for an unknown sequence.
QString Values(int DBVer, const QString &Schema, const QString &Name);
// That column's table and column names, when the table is one of Schema.
QString OwnerColumn(qint64 TableOid, int ColumnNo, const QString &Schema);
QString Tables();    // :SCHEMA
QString Columns();   // :SCHEMA, :TABLE
} // namespace SequenceSQL

// Whether the loaded bounds are the defaults of the increment's direction.
bool SequenceNoMax(const QString &Increment, const QString &MaxValue);
bool SequenceNoMin(const QString &Increment, const QString &MinValue);

// The sequence, or nothing when it does not exist. A never-called sequence
// gives its start value as the last value. Raises on a server error.
std::optional<TSequenceDefinition> LoadSequenceDefinition(tv::db::Query &Query, const QString &Schema,
                                                          const QString &Name, int DBVer);

namespace SequenceDDL {
// CREATE SEQUENCE, one clause a line, "START " the last value.
void Create(const TSequenceDefinition &Def, const QString &Prefix, QStringList &List);
// ALTER SEQUENCE of what changed from Old to New (nothing when only the
// last value changed); a changed last value adds a setval statement.
void Alter(const TSequenceDefinition &Old, const TSequenceDefinition &New, QStringList &List);
void Drop(const QString &Schema, const QString &Name, QStringList &List);
QString DropStatement(const QString &Schema, const QString &Name);
// "'"s"."q"'": the sequence as a text argument of nextval, setval, currval.
QString RegclassLiteral(const QString &Schema, const QString &Name);
QString SetVal(const QString &Schema, const QString &Name, const QString &Value);
} // namespace SequenceDDL
