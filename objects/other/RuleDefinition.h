#pragma once
// A rewrite rule as the rule window and its script read and write it: the
// plain definition, the split of the server's rule text into condition and
// actions, and the DDL built from it. Nothing here touches a widget.
#include <QString>
#include <QStringList>

#include <optional>

namespace tv::db {
class Query;
} // namespace tv::db

struct TRuleDefinition {
    QString Schema;
    QString TableName;
    QString Name;
    QString Event = QStringLiteral("INSERT");   // SELECT, UPDATE, INSERT or DELETE
    bool Instead = false;
    QString Condition;   // without the outer parentheses the server adds
    QString Actions;     // as the server gives them, with the ending semicolon
};

// The event word of a pg_rewrite ev_type ("1" SELECT ... "4" DELETE).
QString RuleEventWord(const QString &EvType);

struct TRuleParts {
    QString Condition;
    QString Actions;
};
// Splits the server's CREATE RULE text at its WHERE and DO keywords; a
// keyword inside a literal, a quoted name or parentheses does not count.
// For a SELECT rule the whole text is the action.
TRuleParts SplitRuleDefinition(const QString &Definition, const QString &Event, bool Instead);

namespace RuleSQL {
// The rule (:SCHEMA, :TABLE, :RULE): oid, rulename, ev_type, is_instead,
// ev_typename, ev_actname, definition.
QString Rule();
} // namespace RuleSQL

// The rule, or nothing when it does not exist; raises on a server error.
std::optional<TRuleDefinition> LoadRuleDefinition(tv::db::Query &Query, const QString &Schema,
                                                  const QString &TableName, const QString &Name);

namespace RuleDDL {
void Create(const TRuleDefinition &Def, const QString &Prefix, QStringList &List);
void Drop(const QString &Schema, const QString &TableName, const QString &Name, bool Cascade, QStringList &List);
} // namespace RuleDDL
