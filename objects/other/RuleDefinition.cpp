#include "objects/other/RuleDefinition.h"

#include "common/Quote.h"
#include "platform/db/Query.h"

namespace {

struct CloseOnExit {
    tv::db::Query &q;
    ~CloseOnExit() { q.Close(); }
};

bool IsBlank(QChar c)
{
    return c.isSpace();
}

// The first Word standing alone (blank before and after) outside literals,
// quoted names and parentheses, from From on; -1 when there is none.
qsizetype FindKeyword(const QString &Text, const QString &Word, qsizetype From = 0)
{
    int depth = 0;
    const qsizetype n = Text.size();
    for (qsizetype i = From; i < n; ++i) {
        const QChar c = Text[i];
        if (c == u'\'' || c == u'"') {
            // To the closing quote; a doubled quote stays inside.
            for (++i; i < n; ++i) {
                if (Text[i] == c) {
                    if (i + 1 < n && Text[i + 1] == c)
                        ++i;
                    else
                        break;
                }
            }
            continue;
        }
        if (c == u'(') {
            ++depth;
            continue;
        }
        if (c == u')') {
            if (depth > 0)
                --depth;
            continue;
        }
        if (depth == 0 && i > 0 && IsBlank(Text[i - 1]) && Text.mid(i, Word.size()) == Word &&
            i + Word.size() < n && IsBlank(Text[i + Word.size()]))
            return i;
    }
    return -1;
}

// Whether the "(" at 0 is closed by the last character.
bool EnclosedWhole(const QString &Text)
{
    if (Text.size() < 2 || Text.front() != u'(' || Text.back() != u')')
        return false;
    int depth = 0;
    const qsizetype n = Text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = Text[i];
        if (c == u'\'' || c == u'"') {
            for (++i; i < n; ++i) {
                if (Text[i] == c) {
                    if (i + 1 < n && Text[i + 1] == c)
                        ++i;
                    else
                        break;
                }
            }
            continue;
        }
        if (c == u'(')
            ++depth;
        else if (c == u')' && --depth == 0)
            return i == n - 1;
    }
    return false;
}

qsizetype SkipBlanks(const QString &Text, qsizetype At)
{
    while (At < Text.size() && IsBlank(Text[At]))
        ++At;
    return At;
}

} // namespace

QString RuleEventWord(const QString &EvType)
{
    if (EvType == QLatin1String("1"))
        return QStringLiteral("SELECT");
    if (EvType == QLatin1String("2"))
        return QStringLiteral("UPDATE");
    if (EvType == QLatin1String("3"))
        return QStringLiteral("INSERT");
    if (EvType == QLatin1String("4"))
        return QStringLiteral("DELETE");
    return QString();
}

TRuleParts SplitRuleDefinition(const QString &Definition, const QString &Event, bool Instead)
{
    TRuleParts p;
    if (Event == QLatin1String("SELECT")) {
        p.Actions = Definition;
        return p;
    }
    const qsizetype doAt = FindKeyword(Definition, QStringLiteral("DO"));
    if (doAt < 0)
        return p;
    const qsizetype whereAt = FindKeyword(Definition, QStringLiteral("WHERE"));
    if (whereAt >= 0 && whereAt < doAt) {
        QString cond = Definition.mid(whereAt + 5, doAt - whereAt - 5).trimmed();
        if (EnclosedWhole(cond))
            cond = cond.mid(1, cond.size() - 2);
        p.Condition = cond;
    }
    qsizetype at = SkipBlanks(Definition, doAt + 2);
    for (const QString &kind : {QStringLiteral("INSTEAD"), QStringLiteral("ALSO")}) {
        if ((kind == QLatin1String("INSTEAD")) == Instead && Definition.mid(at, kind.size()) == kind &&
            at + kind.size() < Definition.size() && IsBlank(Definition[at + kind.size()]))
            at = SkipBlanks(Definition, at + kind.size());
    }
    p.Actions = Definition.mid(at);
    return p;
}

QString RuleSQL::Rule()
{
    return QStringLiteral(
        " SELECT re.oid, re.rulename, re.ev_type, re.is_instead, CASE re.ev_type WHEN '1' THEN 'SELECT' "
        "WHEN '2' THEN 'UPDATE' WHEN '3' THEN 'INSERT' WHEN '4' THEN 'DELETE' END ev_typename, "
        "CASE re.is_instead WHEN TRUE THEN 'INSTEAD' ELSE 'ALSO' END ev_actname, "
        "COALESCE (ru.definition, v.definition) AS definition FROM pg_rewrite re "
        "LEFT JOIN pg_class c ON re.ev_class = c.oid LEFT JOIN pg_namespace ns ON c.relnamespace = ns.oid "
        "LEFT OUTER JOIN pg_rules ru ON  ru.schemaname = ns.nspname AND ru.tablename = c.relname "
        "AND ru.rulename = re.rulename LEFT JOIN pg_views v ON  v.schemaname = ns.nspname "
        "AND v.viewname = c.relname WHERE 0 = 0 AND ns.nspname = :SCHEMA AND c.relname = :TABLE "
        "AND re.rulename = :RULE");
}

std::optional<TRuleDefinition> LoadRuleDefinition(tv::db::Query &Query, const QString &Schema,
                                                  const QString &TableName, const QString &Name)
{
    CloseOnExit c{Query};
    Query.Close();
    Query.SetSQL(RuleSQL::Rule());
    Query.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    Query.ParamByName(QStringLiteral("TABLE")).setAsString(TableName);
    Query.ParamByName(QStringLiteral("RULE")).setAsString(Name);
    Query.Open();
    if (Query.Eof())
        return std::nullopt;
    TRuleDefinition d;
    d.Schema = Schema;
    d.TableName = TableName;
    d.Name = Name;
    d.Event = RuleEventWord(Query.Fields(2).AsString().trimmed());
    d.Instead = Query.Fields(3).AsBoolean();
    const TRuleParts parts = SplitRuleDefinition(Query.Fields(6).AsString(), d.Event, d.Instead);
    d.Condition = parts.Condition;
    d.Actions = parts.Actions;
    return d;
}

void RuleDDL::Create(const TRuleDefinition &Def, const QString &Prefix, QStringList &List)
{
    List << QStringLiteral("CREATE OR REPLACE RULE ") + QuoteIdentifier(Def.Name) + QStringLiteral(" AS")
         << QStringLiteral("ON ") + Def.Event + QStringLiteral(" TO ") + Prefix + QuoteIdentifier(Def.TableName);
    if (!Def.Condition.isEmpty())
        List << QStringLiteral("WHERE") << Def.Condition.split(u'\n');
    List << (Def.Instead ? QStringLiteral("DO INSTEAD") : QStringLiteral("DO "));
    if (!Def.Actions.isEmpty())
        List << Def.Actions.split(u'\n');
    else
        List << QStringLiteral("NOTHING");
    List << QStringLiteral(";");
}

void RuleDDL::Drop(const QString &Schema, const QString &TableName, const QString &Name, bool Cascade,
                   QStringList &List)
{
    List << QStringLiteral("DROP RULE ") + QuoteIdentifier(Name) + QStringLiteral(" ON ") + QuoteIdentifier(Schema) +
                u'.' + QuoteIdentifier(TableName) + (Cascade ? QStringLiteral(" CASCADE") : QString())
         << QStringLiteral(";");
}
