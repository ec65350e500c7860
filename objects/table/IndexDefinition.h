#pragma once
// An index as the index window and its script read and write it: the plain
// definition, the catalog queries that read it (chosen by server version),
// and the DDL built from it. Nothing here touches a widget.
#include <QString>
#include <QStringList>

#include <optional>

namespace tv::db {
class Connection;
class Query;
} // namespace tv::db

// The two kinds of the window's type box (the item's attached number).
enum TIndexKind { ikColumn = 0, ikExpression = 1 };

struct TIndexDefinition {
    QString Schema;          // of the index and of its table
    QString Name;
    QString TableName;
    TIndexKind Kind = ikColumn;
    bool Unique = false;
    // The access method: "btree", "hash", "brin" or, as loaded, any other.
    QString Method = QStringLiteral("btree");
    QStringList Columns;     // column index: the column names, unquoted
    QString Expression;      // expression index: the text inside the list's parentheses
    // The index's tablespace, or the database's default when it has none.
    QString Tablespace;

    // As loaded from the catalog (empty for a new index).
    QString ServerDef;       // pg_get_indexdef
    QString Predicate;       // the WHERE condition of a partial index
    // The define page cannot hold the index (another access method, a WHERE
    // condition, included columns, storage parameters, column options): its
    // DDL is the server's own definition and only its tablespace changes.
    bool ServerDefined = false;
    bool OnToast = false;    // the index belongs to a TOAST table
};

// Catalog queries of the index window.
namespace IndexSQL {
// The whole definition of one index in one row (:SCHEMA, :IDXNAME, and
// :DATABASE for the database's default tablespace): relname, tblname,
// amname, indisunique, sql (pg_get_indexdef), reltablespace, spcname,
// tblkind, isexpr, defspcname, cols (a JSON array of the key columns as
// pg_get_indexdef writes each), pred (the WHERE condition or NULL).
QString Index(int DBVer);
// The columns of a table (or TOAST table, materialized view from 90300,
// partitioned table from 100000) in column order (:SCHEMA, :TBLNAME).
QString TableColumns(int DBVer);
// The database's default tablespace (:DATABASE).
QString SpaceDef();
} // namespace IndexSQL

// Method names the define page can hold on a server of this version.
bool IsPlainMethod(const QString &Method, int DBVer);

// Reads one index; nullopt when the catalog has no such index. A failing
// query raises the database error. `Query` is closed again on return.
std::optional<TIndexDefinition> LoadIndexDefinition(tv::db::Query &Query, const QString &Schema,
                                                    const QString &Name, const QString &Database, int DBVer);

// DDL lines; a line holding only ";" ends a statement.
namespace IndexDDL {
// CREATE INDEX. TablePrefix: the quoted schema and "." of the table, or
// empty. StorageClauses: the storage frame's clauses (a TABLESPACE line),
// written after the column list and before a WHERE condition.
void Create(const TIndexDefinition &Def, const QString &TablePrefix, const QStringList &StorageClauses,
            QStringList &List);
// ALTER INDEX .. SET TABLESPACE.
void AlterTablespace(const QString &IndexPrefix, const QString &Name, const QString &Tablespace,
                     QStringList &List);
// DROP INDEX schema.name.
void Drop(const QString &Schema, const QString &Name, QStringList &List);
// The one statement the delete command runs.
QString DropStatement(const QString &Schema, const QString &Name);
// The text inside the column list of a definition: everything after the
// first "USING <method> (" less the last character.
QString ExpressionFromDef(const QString &ServerDef, const QString &Method);
} // namespace IndexDDL
