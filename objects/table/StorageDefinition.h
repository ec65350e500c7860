#pragma once
// The storage of a table, index, constraint or materialized view as the
// storage frame shows it: the catalog queries that read it and the DDL
// clauses and statements built from a snapshot of the frame's values. The
// frame (fraStorage.h) takes the snapshot from its controls; nothing here
// touches a widget.
#include "common/tvForm.h"

#include <QList>
#include <QString>
#include <QStringList>

// The storage kinds of a table.
enum TStorageType { ptNormal, ptPartition, ptTemp };
// Their display names: "標準", "継承", "一時表".
QString StorageTypeName(TStorageType Type);
// "継承" gives ptPartition, "一時表" ptTemp, any other text ptNormal.
TStorageType StorageTypeFromText(const QString &Text);

// The nine autovacuum parameters in their fixed order.
constexpr int AutoVacuumParamCount = 9;
// Option name of parameter i (lower case, as the server stores it).
QString AutoVacuumOptionName(int Index);

// The sheet the frame shows.
enum TStorageSheet { ssDefault, ssTemporary, ssPartition };

// One check box or edit as the builders see it: its value, whether it
// differs from the value recorded after the load, and whether it is enabled.
struct TStorageFlag {
    bool Checked = false;
    bool Changed = false;
    bool Enabled = true;
};
struct TStorageValue {
    QString Text;
    bool Changed = false;
    bool Enabled = true;
};
// The enable box and the nine edits of one autovacuum target.
struct TVacuumHalf {
    TStorageFlag EnabledBox;
    TStorageValue Params[AutoVacuumParamCount];
};
// One data row of the parents grid: its text and the position it was
// loaded at (0: added by the user).
struct TParentRow {
    QString Text;
    int LoadPos = 0;
    bool Changed = false;
};
// One parent as the parents query returns it.
struct TLoadedParent {
    int Number = 0;
    QString Schema;
    QString Name;
};

struct TStorageSnapshot {
    int ObjType = -1;            // the owner's object-type code
    TSourceMode Mode = smShow;   // the owner's mode
    bool ShowStorageSource = true; // option of shown windows
    bool ScriptStorage = true;     // script option Storage
    int DBVer = 0;
    QString Schema;
    QString ObjectName;

    TStorageSheet Sheet = ssDefault;
    bool TablespaceVisible = true;
    QString Tablespace;
    bool TablespaceChanged = false;
    TStorageFlag Log;
    TStorageFlag OnCommitDelete;   // rdoTransaction
    TStorageFlag OnCommitPreserve; // rdoSession
    TStorageFlag AutoVacuum;       // the switch
    TVacuumHalf Table;
    TVacuumHalf Toast;
    QList<TParentRow> Parents;     // grid rows 1 .. last
};

namespace StorageSQL {
// The direct parents of a table (:SCHEMA, :TBLNAME): nspname, relname, rn.
QString Parents();
// The per-relation autovacuum options of a relation and of its TOAST table
// (:SCHEMA, :TBLNAME): twenty columns, enabled flag then the nine
// parameters, the relation's first and then the TOAST table's (prefix
// "toast_"), each read by its exact option name.
QString AutoVacuum(int DBVer);
// relpersistence of a relation (:SCHEMA, :TBLNAME).
QString Persistence();
// The pick list of the parents grid: nspname, relname of every user table.
QString ParentPickList();
} // namespace StorageSQL

namespace StorageDDL {
// Whether storage clauses are written at all: a shown window while the
// option ShowStorageSource is on, a script while the script option Storage
// is on.
bool Included(const TStorageSnapshot &S);
// The storage clauses of a CREATE statement.
void Create(const TStorageSnapshot &S, QStringList &List);
// "SET LOGGED" / "SET UNLOGGED" when logging changed (from 90500).
void AlterN(const TStorageSnapshot &S, QStringList &List);
// ALTER .. SET ( .. ) and ALTER .. RESET ( .. ) of the autovacuum options.
void AlterV(const TStorageSnapshot &S, QStringList &List);
// ALTER TABLE .. INHERIT / NO INHERIT for added, replaced and removed
// parents; Loaded: the parents as the catalog has them now.
void AlterP(const TStorageSnapshot &S, const QList<TLoadedParent> &Loaded, QStringList &List);
// A change that needs the object dropped and created again.
bool IsCreate(const TStorageSnapshot &S);
// An autovacuum setting changed (only for ptNormal).
bool IsChanged(const TStorageSnapshot &S, TStorageType Mode);
} // namespace StorageDDL

// A parent as written in the grid ("schema.name", either part possibly in
// double quotes) as SQL: each part quoted. A text without a dot is one name.
QString QuoteQualifiedName(const QString &Text);
// The grid text of a parent: quoted schema, ".", quoted name.
QString ParentCellText(const QString &Schema, const QString &Name);
// True when a stored boolean option reads as true to the server (on, true,
// yes, 1 and the prefixes of true and yes the server accepts).
bool ReloptionIsTrue(const QString &Value);
