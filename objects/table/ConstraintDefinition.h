#pragma once
// A table constraint as the constraint window reads and writes it: the plain
// definition, the catalog query that reads it and the ALTER TABLE statements
// built from it. Nothing here touches a widget.
#include "common/tvForm.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tv::db {
class Query;
} // namespace tv::db

// The items of the type box, in order.
enum TConstType { ctPrimary = 0, ctUnique = 1, ctForeign = 2, ctCheck = 3, ctExclude = 4 };
// "PRIMARY KEY", "UNIQUE KEY", "FOREIGN KEY", "CHECK", "EXCLUDE".
QString ConstTypeName(TConstType Type);
// pg_constraint.contype of a type and back (-1: none of the five).
QChar ConstTypeCode(TConstType Type);
int ConstTypeFromCode(QChar Code);

// The five referential actions, in the order of the action groups.
// Catalog codes a, r, c, n, d; -1 for any other code.
int ConstActionFromCode(QChar Code);
// "NO ACTION", "RESTRICT", "CASCADE", "SET NULL", "SET DEFAULT".
QString ConstActionClause(int Index);
// The group items: "何もしない(NO ACTION)" ..
QString ConstActionCaption(int Index);

struct TForeignPair {
    QString RefColumn;   // "参照先項目名"
    QString TableColumn; // "テーブル項目名"
};
struct TExcludeRow {
    QString Column;
    QString Order;     // "ASC", "DESC" or empty
    QString NullOrder; // "FIRST", "LAST" or empty
    QString OpClass;
    QString Operator;
};

struct TConstraintDefinition {
    QString Schema;
    QString Name;
    QString TableName;
    TConstType Type = ctPrimary;
    QStringList Columns;         // primary key and unique: the key columns in key order
    QString Check;               // the check expression
    QString RefSchema, RefTable, RefIndex; // foreign key: the referenced table and its index
    int UpdateAction = 0, DeleteAction = 0;
    QList<TForeignPair> Pairs;
    QString AccessMethod;        // exclusion, upper case
    QList<TExcludeRow> Exclude;
    QString Tablespace;          // of the constraint's index, or the database's default
    // Carried from the loaded definition into the re-added constraint.
    bool MatchFull = false;
    bool Deferrable = false;
    bool InitiallyDeferred = false;
    bool NotValid = false;
    bool NoInherit = false;
    QString ExcludeWhere;        // the WHERE condition of an exclusion
    QString ServerDef;           // pg_get_constraintdef as loaded
};

namespace ConstraintSQL {
// One row for a constraint of a table (:SCHEMA, :CONNAME, :TBLNAME, and
// :DATABASE for the default tablespace).
QString Constraint();
// The candidate referenced indexes (:SCHEMANAME, :TBLNAME): B-tree and hash
// indexes without a predicate.
QString RefIndexes();
// The access methods an exclusion can use on a server of this version.
QString AccessMethods(int DBVer);
} // namespace ConstraintSQL

// Reads one constraint; nullopt when there is none. `Query` is closed again.
std::optional<TConstraintDefinition> LoadConstraintDefinition(tv::db::Query &Query, const QString &Schema,
                                                              const QString &Name, const QString &TableName,
                                                              const QString &Database);

// Parses the order and NULL order of each column of an exclusion's index
// definition (B-tree only), as the exclusion sheet shows them.
void ParseExcludeOrders(const QString &IndexDef, QList<TExcludeRow> &Rows);

namespace ConstraintDDL {
// The type clause (line 2 of the ADD CONSTRAINT statement).
QString TypeClause(const TConstraintDefinition &Def);
// ALTER TABLE .. ADD CONSTRAINT. TablePrefix: the schema prefix of the
// table. StorageClauses: the storage frame's clauses, written after "USING
// INDEX" for primary key, unique and exclusion when WithStorage is set.
void Create(const TConstraintDefinition &Def, const QString &TablePrefix, bool WithStorage,
            const QStringList &StorageClauses, QStringList &List);
void Drop(const TConstraintDefinition &Def, QStringList &List);
// The storage lines a table's CREATE TABLE takes for a primary key or
// unique constraint: every line after "USING INDEX" up to ";", each
// prefixed with eight blanks.
QStringList StorageLines(TConstType Type, const QStringList &CreateLines);
// The storage lines of a loaded constraint for its table's CREATE TABLE,
// without a window: the constraint's ADD statement with the storage
// frame's clauses (the index's tablespace under the frame's rules for the
// mode and options given) reduced by StorageLines. NullLine: the script
// option that removes empty lines.
QStringList StorageScript(const TConstraintDefinition &Def, TSourceMode Mode, bool ShowStorageSource,
                          bool ScriptStorage, bool NullLine);
} // namespace ConstraintDDL
