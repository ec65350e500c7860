#pragma once
// Views and materialized views as their windows, scripts and reports read
// and write them: the plain definition, the catalog queries, and the DDL
// built from it. Nothing here touches a widget.
#include <QString>
#include <QStringList>

#include <optional>

namespace tv::db {
class Query;
} // namespace tv::db

// One row of the column grid.
struct TViewColumn {
    QString Name;
    QString Type;    // as the grid shows it
    QString Length;  // as the grid shows it ("10,2", "" ...)
    QString Comment;
};

struct TViewDefinition {
    QString Schema;
    QString Name;
    bool Materialized = false;
    QList<TViewColumn> Columns;
    QString Comment;
    // The query after "AS": a view's lines as pg_views gives them; a
    // materialized view's without the ending ";".
    QStringList Query;

    // View options (servers from 9.4 on).
    bool OptionsEnabled = false;
    bool UseSecurityBarrier = false;
    bool UseCheckOption = false;
    QString SecurityBarrier;
    QString CheckOption;

    // Materialized views.
    bool Populated = true;
    QString Tablespace;
    bool HasToast = false;
    QStringList RelOptions;    // "name=value"
    QStringList ToastOptions;  // "name=value"
};

namespace ViewSQL {
// One row for an existing object: comment, reloptions (one a line),
// definition (a view: pg_views; a materialized view: pg_get_viewdef),
// relispopulated, tablespace, TOAST oid, TOAST reloptions, and the columns
// as a JSON array of [name, type, full type, atttypmod, comment].
QString Head(bool Materialized, const QString &Schema, const QString &Name);
// What a materialized view's re-creation must restore: one row per index
// definition (kind 'I'), its owner ('O') and one per granted privilege
// ('G': privilege, grantee, with grant option).
QString Kept(const QString &Schema, const QString &Name);
} // namespace ViewSQL

// The type and length cells of a column from its type name without and with
// modifier and its atttypmod.
void ViewColumnCells(const QString &Type, const QString &FullType, int Typmod, QString &TypeCell,
                     QString &LengthCell);
// Splits the option lines of reloptions into the definition's option fields
// (only when OptionsEnabled).
void ParseViewOptions(const QString &Text, TViewDefinition &Def);

// The object, or nothing when it does not exist. One round trip whatever the
// number of columns. Raises on a server error.
std::optional<TViewDefinition> LoadViewDefinition(tv::db::Query &Query, const QString &Schema, const QString &Name,
                                                  bool Materialized, int DBVer);

namespace ViewDDL {
// The head line ("CREATE OR REPLACE VIEW " + prefix + name) and, when
// wanted, the column list broken after the column that brings a line past
// 70 characters.
void Head(const QString &Keyword, const QString &QualifiedName, const QList<TViewColumn> &Columns,
          bool WithColumns, QStringList &List);
// CREATE OR REPLACE VIEW with options, the query and the comments.
void CreateView(const TViewDefinition &Def, const QString &Prefix, bool WithColumns, QStringList &List);
// The changes from Loaded to Current: comment, options (when enabled),
// column comments.
void AlterView(const TViewDefinition &Loaded, const TViewDefinition &Current, const QString &Prefix,
               QStringList &List);
// CREATE MATERIALIZED VIEW with the storage clauses given, the query, WITH
// NO DATA when not populated, and the comments.
void CreateMView(const TViewDefinition &Def, const QString &Prefix, bool WithColumns, const QStringList &Storage,
                 QStringList &List);
// Comment and column comments changed from Loaded to Current (the storage
// and tablespace statements are the window's).
void AlterMViewComments(const TViewDefinition &Loaded, const TViewDefinition &Current, const QString &Prefix,
                        QStringList &List);
QString DropView(const QString &Schema, const QString &Name);
QString DropMView(const QString &Prefix, const QString &Name, bool Cascade);
QString Refresh(const QString &Prefix, const QString &Name, bool NoData);
// The editor's template of a new object.
QStringList Template(bool Materialized, const QString &Schema, const QString &Name);
// Statements that restore a materialized view's indexes (in their
// tablespaces, with their comments) after it was re-created, from the rows
// of ViewSQL::Kept; its owner, privileges and column privileges come back
// through ReadKeptState.
struct TKept {
    struct Index {
        QString Name;
        QString Definition; // CREATE INDEX ... TABLESPACE ...
        bool HasComment = false;
        QString Comment;
    };
    QList<Index> Indexes;
};
std::optional<TKept> LoadKept(tv::db::Query &Query, const QString &Schema, const QString &Name);
void Restore(const TKept &Kept, const QString &Schema, const QString &Name, QStringList &List);
} // namespace ViewDDL
