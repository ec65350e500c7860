#pragma once
// A plain table as the table window shows it: its columns as the column grid
// holds them, the constraints of its dependants tree, its comment; the
// catalog queries that read it (by server version) and the DDL built from
// it. The window takes a snapshot of its grid into this model; nothing here
// touches a widget.
#include <QList>
#include <QString>
#include <QStringList>

#include "objects/table/StorageDefinition.h"

#include <functional>
#include <optional>

namespace tv::db {
class Query;
} // namespace tv::db

struct TTableColumn {
    int Pos = 0;          // 1-based position at load time; 0 for a column added in the window
    int AttNum = 0;       // attnum as loaded (key marks match conkey by it)
    bool Primary = false; // "主キー"
    QString Name;         // "項目名"
    QString Type;         // "型": format_type without length (time types with their modifier)
    QString Length;       // "長さ": length, or precision and scale ("10,2")
    bool NotNull = false; // "必須"
    QString Default;      // "省略時値"; for a generated column its expression
    QString Comment;      // "コメント"
    QString Collation;    // the column's own collation when not the type's default (quoted as needed)
    QChar Identity;       // 'a' ALWAYS, 'd' BY DEFAULT, null: none
    QChar Generated;      // 's' stored generated column, null: none
    bool Local = true;    // attislocal: declared by the table itself
    int InhCount = 0;     // attinhcount: the parents it comes from
    int StatTarget = -1;  // attstattarget; -1: the server's default
    QChar Storage;        // attstorage when it is not its type's; null: the type's
    // Inherited only: its parents give it, the table's CREATE leaves it out.
    bool InheritedOnly() const { return !Local && InhCount > 0; }
};

// A child of the dependants tree's "CONSTRAINT" node.
struct TTableConstraint {
    QString Name;
    QString Kind;  // "PRIMARY KEY", "CHECK", "UNIQUE", "FOREIGN KEY", "EXCLUDE"
    QString Param; // the text the tree shows under "パラメータ"
    QString Tablespace; // of its index (primary key, unique, exclusion), or the database's default
    bool Deferrable = false;
    bool Deferred = false;   // INITIALLY DEFERRED
    bool Validated = true;   // false: NOT VALID (check, foreign key)
    bool NoInherit = false;  // check: NO INHERIT
    bool Local = true;       // conislocal: false for a check that only its parents give
    QStringList IndexOptions; // reloptions of its index ("fillfactor=70")
    QStringList Include;     // the INCLUDE columns of its index, in order
    // Param without the trailing options that the builder writes itself
    // (DEFERRABLE, INITIALLY DEFERRED, NOT VALID).
    QString Body() const;
};

struct TTableDefinition {
    QString Schema;
    QString Name;
    QString Comment;
    QString Tablespace;   // the table's own, or the database's default
    QChar Persistence;    // 'p', 'u' unlogged, 't' temporary
    QChar RelKind;        // 'r', 't' a TOAST table, 'f' a foreign table
    bool HasToast = false; // reltoastrelid is set
    QList<TTableColumn> Columns;        // grid rows with a name, in order
    QList<TTableConstraint> Constraints; // the primary key first
    QStringList Primary;  // FPrimary: key column names in key order, as loaded
    // Storage as loaded: the reloptions ("name=value") of the table and of
    // its TOAST table, the parents in INHERITS order.
    QStringList RelOptions;
    QStringList ToastOptions;
    QList<TLoadedParent> Parents;
    // The columns the parents give, in the order a CREATE TABLE ...
    // INHERITS puts them: each parent's columns in turn, a name once.
    QStringList InheritedOrder;
    // A partitioned table: its partition key (pg_get_partkeydef).
    QString PartitionKey;
    // A partition: its parent (quoted, qualified) and its bound
    // ("FOR VALUES ..." or "DEFAULT").
    QString PartitionOf;
    QString PartitionBound;
    // relreplident ('d' default, 'n' nothing, 'f' full, 'i' index) and the
    // index it names; the index marked by CLUSTER ON.
    QChar ReplicaIdentity;
    QString ReplicaIndex;
    QString ClusterIndex;

    bool Temporary() const { return Persistence == u't'; }
    // The name of the PRIMARY KEY constraint, or "PK_" + table name.
    QString KeyName() const;
};

namespace TableSQL {
// The whole table in one row (:SCHEMA, :TBLNAME, :DATABASE): description,
// spcname, relpersistence, relkind, reltoastrelid, defspcname (the
// database's default tablespace) and, as JSON arrays: cols (attname,
// typname: format_type without modifier, fulltype: with it, notnull, adsrc,
// comment, attnum, collname: the column's own collation or null, identity,
// generated: empty below the versions that have them), cons (conname,
// contype, consrc, condef, keycols: the key column names in key order,
// spcname: the tablespace of the constraint's index; the primary key first,
// then by name), relopts and toastopts (the reloptions of the table and of
// its TOAST table) and parents (nspname, relname in INHERITS order).
QString Table(int DBVer);
} // namespace TableSQL

// Splits format_type with and without the modifier into the grid's type
// and length cells.
void SplitColumnType(const QString &TypeName, const QString &FullType, QString &Type, QString &Length);

// Reads one table (relkind r, t or f); nullopt when there is none. A failing
// query raises the database error. `Query` is closed again on return.
std::optional<TTableDefinition> LoadTableDefinition(tv::db::Query &Query, const QString &Schema,
                                                    const QString &Name, const QString &Database, int DBVer);

// The storage frame's values of a loaded table as its script writes them,
// without the frame.
TStorageSnapshot TableStorage(const TTableDefinition &Def, TSourceMode Mode, int DBVer);

// What the CREATE TABLE builder needs besides the table.
struct TTableCreateContext {
    QString Prefix;             // P: quoted schema and "." or empty
    bool Unlogged = false;      // the storage frame's logging box is unchecked
    QString KeyTablespace;      // a shown window's tablespace box when visible, else empty
    bool ShownWindow = true;
    bool ShowStorageSource = true; // option of shown windows
    bool ScriptStorage = true;     // script option Storage
    QStringList StorageClauses; // the storage frame's clauses (INHERITS, WITH, ON COMMIT, TABLESPACE)
    // The storage lines of a UNIQUE constraint of the table as the
    // constraint window writes them; unset: none.
    std::function<QStringList(const QString &ConstName)> UniqueStorage;
    // A copy under another name: only UNIQUE constraints; without its
    // indexes they are named "UK_" + copy name + a number.
    bool Copy = false;
    bool CopyIndex = true;
    // The grid's snapshot as loaded, when the columns may have been edited:
    // the key keeps its loaded order across renames. Unset: the table is
    // taken as loaded.
    const TTableDefinition *Loaded = nullptr;
    // Where the statements go that must wait for the table's rows (a NOT
    // VALID constraint is added once the rows are in, so that the rows are
    // not checked); unset: right after the CREATE and its comments.
    QStringList *AfterRows = nullptr;
};

// DDL lines; a line holding only ";" ends a statement.
namespace TableDDL {
// The column type text T(row).
QString TypeText(const TTableColumn &Column);
// The column's clauses after the type: COLLATE, DEFAULT or GENERATED, NOT NULL.
QString ColumnTail(const TTableColumn &Column);
void Create(const TTableDefinition &Def, const TTableCreateContext &Ctx, QStringList &List);
// The storage frame's statements and clauses for GetSourceAlter.
struct TAlterStorage {
    QStringList AlterN;  // collected clauses (SET LOGGED ...)
    QStringList AlterVP; // AlterV then AlterP statements
};
// ALTER statements turning Loaded into Current. OwnPrefix: OP.
void Alter(const TTableDefinition &Loaded, const TTableDefinition &Current, const QString &OwnPrefix,
           const TAlterStorage &Storage, QStringList &List);
void Drop(const QString &Schema, const QString &Name, bool Cascade, QStringList &List);
// What a CREATE TABLE does not write, as a dump writes it after the table
// (Target: the table as the script names it). Settings: column statistics
// targets and storage modes other than the type's, a replica identity FULL
// or NOTHING. Indexed: a replica identity and a CLUSTER mark that name an
// index; they can run once that index exists.
void Settings(const TTableDefinition &Def, const QString &Target, QStringList &Settings, QStringList &Indexed);
} // namespace TableDDL

// The data page's SELECT: the shown columns, the condition grid (one row
// per column), the free condition and the sort column.
namespace DataPageSQL {
// A row of the condition grid: Cells[1] "＝", [2] "＜＞", [3] lower bound,
// [4] upper bound, [5] LIKE, [6] sort position (optionally "DESC").
struct TWhereRow {
    QString Column;
    QString Cells[7];
};
// The row limit: empty (no limit) or a whole number of at least 1.
bool LimitValid(const QString &Text);
// The statement. The sort cells are renumbered 1, 2, ... in the order
// used (with " DESC"); entries without a position are emptied.
QString Build(const QStringList &Fields, const QString &Schema, const QString &Name, QList<TWhereRow> &Rows,
              const QString &FreeCondition);
// Literal quoting of a character column's condition cells; LikeWraps: a
// LIKE value without % or _ matches anywhere ('%abc%').
void QuoteCells(TWhereRow &Row, bool LikeWraps);
// Whether the grid's type of a column makes its condition cells literals.
bool CharacterType(const QString &Type);
// The free condition used: first in the list, no duplicate, at most 20.
void PushHistory(QStringList &Items, const QString &Text);
} // namespace DataPageSQL
