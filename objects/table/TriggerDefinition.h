#pragma once
// A trigger as the trigger window and its script read and write it: the
// plain definition, the catalog queries, the reading of the server's
// definition text, and the DDL built from it. Nothing here touches a widget.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace tv::db {
class Query;
} // namespace tv::db

enum TTriggerTiming { ttBefore, ttAfter, ttInstead };

struct TTriggerDefinition {
    QString Schema;              // of the trigger's table
    QString Name;
    QString TableName;
    TTriggerTiming Timing = ttBefore;
    bool Insert = false;
    bool Update = false;
    bool Delete = false;
    bool Truncate = false;
    bool Row = false;            // FOR EACH ROW (else statement level)
    QString UpdateColumns;       // UPDATE OF: quoted names joined by ", "
    QString When;                // the WHEN condition with its parentheses
    bool Constraint = false;     // CONSTRAINT TRIGGER
    QString RefSchema;           // FROM table of a constraint trigger
    QString RefTable;
    bool Deferrable = false;
    bool InitiallyDeferred = false;
    QString FuncSchema;
    QString FuncName;
    QStringList Args;            // the arguments, unquoted

    qint64 TableOid = 0;         // as loaded
    QString ServerDef;           // pg_get_triggerdef as loaded
};

// What the definition text of a trigger says of its timing, events, level
// and condition. Only the clause between the trigger's name and ON counts
// for timing and events; WHEN is the balanced parentheses after the
// FOR EACH clause's WHEN.
struct TTriggerClauses {
    TTriggerTiming Timing = ttBefore;
    bool Insert = false;
    bool Update = false;
    bool Delete = false;
    bool Truncate = false;
    bool Row = false;
    QString When;
};
TTriggerClauses ParseTriggerDef(const QString &Def);

// tgargs: the arguments, each ended by a zero byte.
QStringList SplitTriggerArgs(const QByteArray &TgArgs);
// The arguments as the "引数" box shows them: string literals joined by ", ".
QString FormatTriggerArgs(const QStringList &Args);
// The box's text back as arguments: a text that is a comma-separated list of
// string literals gives their values, any other non-empty text is one
// argument.
QStringList ParseTriggerArgs(const QString &Text);

namespace TriggerSQL {
// One row of the trigger (:OWNER, :TRGNM, :TBLNM), columns by position as the
// window reads them (see the .cpp).
QString Trigger();
// attname of one column (:TBLOID, :COLNO).
QString ColumnName();
// The kind of a relation ('TABLE', 'VIEW', 'MATERIALIZED VIEW') (:OWNER, :TBLNM).
QString TargetKind(int DBVer);
// Names of the trigger functions of a schema (:SCHEMA, :TYPENM); with
// ByName also :FNCNM.
QString Functions(bool ByName);
} // namespace TriggerSQL

// Reads one trigger; nullopt when there is none. The query is closed again.
std::optional<TTriggerDefinition> LoadTriggerDefinition(tv::db::Query &Query, const QString &Schema,
                                                        const QString &Name, const QString &TableName);

namespace TriggerDDL {
// CREATE [CONSTRAINT] TRIGGER. TablePrefix: the quoted schema and "." of the
// table, or empty. ServerHas91: INSTEAD OF, constraint triggers and deferral
// exist (server 90100 on).
void Create(const TTriggerDefinition &Def, const QString &TablePrefix, bool ServerHas91, QStringList &List);
// " DROP TRIGGER name ON schema.table" (one statement, no ";").
QString Drop(const QString &Schema, const QString &Name, const QString &TableName);
} // namespace TriggerDDL
