#include "objects/other/TablespaceDefinition.h"

#include "common/Quote.h"
#include "platform/Errors.h"
#include "platform/db/Query.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

const QString CrLf = QStringLiteral("chr(13) || chr(10)");

QString Lines(const QStringList &l)
{
    return l.join(QLatin1Char('\n'));
}

// A planner cost enters SQL only as a plain decimal number.
QString CostValue(const QString &Value)
{
    static const QRegularExpression number(QStringLiteral("^[0-9]+(\\.[0-9]*)?$|^\\.[0-9]+$"));
    const QString v = Value.trimmed();
    if (!number.match(v).hasMatch())
        throw tv::Error(QStringLiteral("数値ではありません: ") + Value);
    return v;
}

struct OptionRow {
    const char *name;
    QString TTablespaceDefinition::*field;
};
const OptionRow Options[] = {
    {"random_page_cost", &TTablespaceDefinition::RandomPageCost},
    {"seq_page_cost", &TTablespaceDefinition::SeqPageCost},
};

} // namespace

// ---------------------------------------------------------------------------
// Catalog

QString TablespaceSQL::Definition(int DBVer)
{
    return Lines({
        QStringLiteral("SELECT"),
        QStringLiteral("a.rolname,"),
        DBVer >= 90200 ? QStringLiteral("pg_tablespace_location(t.oid) AS spclocation,")
                       : QStringLiteral("t.spclocation,"),
        QStringLiteral("array_to_string(t.spcacl, ") + CrLf + QStringLiteral(") AS role_grant,"),
        QStringLiteral("array_to_string(t.spcoptions, ") + CrLf + QStringLiteral(") AS tbs_option"),
        QStringLiteral("FROM"),
        QStringLiteral("pg_tablespace t"),
        QStringLiteral("LEFT OUTER JOIN"),
        QStringLiteral("pg_roles a"),
        QStringLiteral("ON a.oid = t.spcowner"),
        QStringLiteral("WHERE 0 = 0"),
        QStringLiteral("AND t.spcname = :spcname"),
        QStringLiteral("ORDER BY"),
        QStringLiteral("t.spcname ASC"),
    });
}

QString TablespaceSQL::Roles()
{
    return QStringLiteral("SELECT rolname FROM pg_roles WHERE rolcanlogin = False ORDER BY 1");
}

QString TablespaceSQL::Owners()
{
    return QStringLiteral("SELECT usename FROM pg_user ORDER BY 1");
}

QString TablespaceSQL::Contents()
{
    return Lines({
        QStringLiteral("SELECT * FROM ("),
        QStringLiteral("SELECT"),
        QStringLiteral("coalesce(t.spcname,"),
        QStringLiteral("( SELECT t.spcname FROM pg_database d"),
        QStringLiteral("LEFT JOIN pg_tablespace t ON d.dattablespace = t.oid"),
        QStringLiteral("WHERE d.datname = :DB_NAME) ) AS tblsp_name,"),
        QStringLiteral("c.relname,"),
        QStringLiteral("CASE WHEN relkind='r' THEN 'TABLE'"),
        QStringLiteral("WHEN relkind='p' THEN 'TABLE'"),
        QStringLiteral("WHEN relkind='i' THEN 'INDEX'"),
        QStringLiteral("WHEN relkind='I' THEN 'INDEX'"),
        QStringLiteral("WHEN relkind='S' THEN 'SEQUENCE'"),
        QStringLiteral("WHEN relkind='v' THEN 'VIEW'"),
        QStringLiteral("WHEN relkind='c' THEN 'TYPE'"),
        QStringLiteral("WHEN relkind='t' THEN 'TABLE'"),
        QStringLiteral("WHEN relkind='f' THEN 'TABLE'"),
        QStringLiteral("WHEN relkind='m' THEN 'MATERIALIZED VIEW'"),
        QStringLiteral("ELSE cast ( relkind as varchar ) END AS type_name,"),
        QStringLiteral("n.nspname,"),
        QStringLiteral("a.rolname,"),
        QStringLiteral("(CAST(c.relpages AS NUMERIC) * CAST(8192 AS NUMERIC)) as use_size"),
        QStringLiteral("FROM"),
        QStringLiteral("pg_class c"),
        QStringLiteral("LEFT OUTER JOIN"),
        QStringLiteral("pg_namespace n"),
        QStringLiteral("ON n.oid = c.relnamespace"),
        QStringLiteral("LEFT OUTER JOIN"),
        QStringLiteral("pg_roles a"),
        QStringLiteral("ON a.oid = c.relowner"),
        QStringLiteral("LEFT OUTER JOIN"),
        QStringLiteral("pg_tablespace t"),
        QStringLiteral("ON t.oid = c.reltablespace"),
        QStringLiteral(") x"),
        QStringLiteral("WHERE 0 = 0"),
        QStringLiteral("AND x.tblsp_name = :TBL_SPACE"),
    });
}

QString TablespaceSQL::IsSuperUser()
{
    return QStringLiteral("SELECT usesuper FROM pg_user WHERE usename = :USER_NAME");
}

QString TablespaceSQL::AllDbSize()
{
    return Lines({QStringLiteral("SELECT"), QStringLiteral("pg_tablespace_size(t.oid) AS all_db_size"),
                  QStringLiteral("FROM"), QStringLiteral("pg_tablespace t"), QStringLiteral("WHERE"),
                  QStringLiteral("t.spcname = :TBS_NAME")});
}

QString TablespaceSQL::Names()
{
    return QStringLiteral("SELECT spcname FROM pg_tablespace ORDER BY 1");
}

// ---------------------------------------------------------------------------
// Reading the catalog texts

QString TablespaceAclGrantee(const QString &Line)
{
    const int eq = Line.indexOf(QStringLiteral("=C"));
    if (eq < 0)
        return QString();
    if (!Line.contains(QLatin1Char('"')))
        return Line.left(eq);
    // "name with ""quotes"""=C/owner
    const int close = Line.lastIndexOf(QLatin1Char('"'), eq);
    if (close <= 0)
        return Line.left(eq);
    QString g = Line.mid(1, close - 1);
    g.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return g;
}

void ApplyTablespaceAcl(const QString &RoleGrant, QList<TTablespaceGrant> &Grants)
{
    const QStringList lines = RoleGrant.split(QRegularExpression(QStringLiteral("\r\n|\n")), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QString grantee = TablespaceAclGrantee(line);
        if (grantee.isEmpty())
            continue;
        for (TTablespaceGrant &g : Grants) {
            if (g.Role != grantee)
                continue;
            if (line.contains(QStringLiteral("=C*"))) {
                g.Create = true;
                g.GrantOption = true;
            } else {
                g.Create = line.contains(QStringLiteral("=C"));
                g.GrantOption = false;
            }
        }
    }
}

void ApplyTablespaceOptions(const QString &TbsOption, TTablespaceDefinition &Def)
{
    const QStringList lines = TbsOption.split(QRegularExpression(QStringLiteral("\r\n|\n")), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const int eq = line.indexOf(QLatin1Char('='));
        const QString value = eq >= 0 ? line.mid(eq + 1).trimmed() : QString();
        for (const OptionRow &o : Options)
            if (line.contains(QLatin1String(o.name)))
                Def.*o.field = value;
    }
}

std::optional<TTablespaceDefinition> LoadTablespaceDefinition(tv::db::Query &Query, const QString &Name, int DBVer,
                                                              QList<TTablespaceGrant> Grants)
{
    Query.Close();
    Query.SetSQL(TablespaceSQL::Definition(DBVer));
    Query.ParamByName(QStringLiteral("spcname")).setAsString(Name);
    Query.Open();
    struct CloseOnExit {
        tv::db::Query &q;
        ~CloseOnExit() { q.Close(); }
    } close{Query};
    if (Query.Eof())
        return std::nullopt;
    TTablespaceDefinition d;
    d.Name = Name;
    d.Owner = Query.Fields(0).AsString();
    d.Location = Query.Fields(1).AsString();
    d.Grants = std::move(Grants);
    ApplyTablespaceAcl(Query.Fields(2).AsString(), d.Grants);
    ApplyTablespaceOptions(Query.Fields(3).AsString(), d);
    return d;
}

// ---------------------------------------------------------------------------
// DDL

void TablespaceDDL::Create(const TTablespaceDefinition &Def, QStringList &List, bool AllGrants)
{
    const QString name = QuoteIdentifier(Def.Name);
    List << QStringLiteral("CREATE TABLESPACE ") + name;
    List << QStringLiteral("  OWNER ") + QuoteIdentifier(Def.Owner);
    List << QStringLiteral("  LOCATION ") + QuoteLiteral(Def.Location);
    List << QStringLiteral(";");
    QStringList set;
    for (const OptionRow &o : Options)
        if (!(Def.*o.field).trimmed().isEmpty())
            set << QLatin1String(o.name) + QStringLiteral(" = ") + CostValue(Def.*o.field);
    if (!set.isEmpty())
        List << QStringLiteral("ALTER TABLESPACE ") + name
             << QStringLiteral(" SET (") + set.join(QStringLiteral(" , ")) + u')' << QStringLiteral(";");
    if (AllGrants)
        Grant(Def, Def, true, List);
}

void TablespaceDDL::Alter(const TTablespaceDefinition &Old, const TTablespaceDefinition &New, QStringList &List)
{
    const QString name = QuoteIdentifier(New.Name);
    if (Old.Owner != New.Owner)
        List << QStringLiteral("ALTER TABLESPACE ") + name << QStringLiteral(" OWNER TO ") + QuoteIdentifier(New.Owner)
             << QStringLiteral(";");
    bool optionsChanged = false;
    for (const OptionRow &o : Options)
        optionsChanged = optionsChanged || (Old.*o.field).trimmed() != (New.*o.field).trimmed();
    if (optionsChanged) {
        QStringList set, reset;
        for (const OptionRow &o : Options) {
            if ((New.*o.field).trimmed().isEmpty())
                reset << QLatin1String(o.name);
            else
                set << QLatin1String(o.name) + QStringLiteral(" = ") + CostValue(New.*o.field);
        }
        if (!set.isEmpty())
            List << QStringLiteral("ALTER TABLESPACE ") + name
                 << QStringLiteral(" SET (") + set.join(QStringLiteral(" , ")) + u')' << QStringLiteral(";");
        if (!reset.isEmpty())
            List << QStringLiteral("ALTER TABLESPACE ") + name
                 << QStringLiteral(" RESET (") + reset.join(QStringLiteral(" , ")) + u')' << QStringLiteral(";");
    }
    Grant(Old, New, false, List);
}

void TablespaceDDL::Grant(const TTablespaceDefinition &Old, const TTablespaceDefinition &New, bool AllGrants,
                          QStringList &List)
{
    if (!AllGrants && Old.Grants == New.Grants)
        return;
    const QString on = QStringLiteral(" CREATE ON TABLESPACE ") + QuoteIdentifier(New.Name);
    for (int i = 0; i < New.Grants.size(); ++i) {
        const TTablespaceGrant &g = New.Grants[i];
        const TTablespaceGrant old = i < Old.Grants.size() ? Old.Grants[i] : TTablespaceGrant{g.Role};
        if (!AllGrants && old.Create == g.Create && old.GrantOption == g.GrantOption)
            continue;
        const QString role = QuoteIdentifier(g.Role);
        if (g.Create) {
            if (!AllGrants && !g.GrantOption && old.GrantOption) {
                List << QStringLiteral("REVOKE") + on + QStringLiteral(" FROM ") + role << QStringLiteral(";");
                List << QStringLiteral("GRANT") + on + QStringLiteral(" TO ") + role << QStringLiteral(";");
            } else if (g.GrantOption) {
                List << QStringLiteral("GRANT") + on + QStringLiteral(" TO ") + role +
                            QStringLiteral(" WITH GRANT OPTION")
                     << QStringLiteral(";");
            } else {
                List << QStringLiteral("GRANT") + on + QStringLiteral(" TO ") + role << QStringLiteral(";");
            }
        } else if (!AllGrants) {
            List << QStringLiteral("REVOKE") + on + QStringLiteral(" FROM ") + role << QStringLiteral(";");
        }
    }
}

void TablespaceDDL::Drop(const QString &Name, QStringList &List)
{
    List << DropStatement(Name) << QStringLiteral(";");
}

QString TablespaceDDL::DropStatement(const QString &Name)
{
    return QStringLiteral("DROP TABLESPACE ") + QuoteIdentifier(Name);
}

// ---------------------------------------------------------------------------
// Contents

QString TablespaceContents::DropStatement(int ObjType, const QString &Schema, const QString &Name, bool Cascade)
{
    QString head;
    switch (ObjType) {
    case 45: head = QStringLiteral("DROP TABLE IF EXISTS "); break;
    case 46: head = QStringLiteral("DROP INDEX IF EXISTS "); break;
    case 47: head = QStringLiteral("DROP VIEW IF EXISTS "); break;
    case 55: head = QStringLiteral("DROP TYPE IF EXISTS "); break;
    case 58: head = QStringLiteral("DROP SEQUENCE IF EXISTS "); break;
    case 61: head = QStringLiteral("DROP MATERIALIZED VIEW IF EXISTS "); break;
    default: return QString();
    }
    return head + QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name) +
           (Cascade ? QStringLiteral(" CASCADE") : QString());
}

QStringList TablespaceContents::MoveStatements(const QString &Name, const QString &Target, bool Table, bool Index,
                                               bool MView, const QString &Owners)
{
    QStringList names = Owners.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString &n : names)
        n = n.trimmed();
    names.removeAll(QString());
    const QString owners = names.join(QLatin1Char(','));
    const QString by = owners.isEmpty() ? QString()
                                        : QStringLiteral(" OWNED BY ") +
                                              QuoteIdentifierList(owners, true, QStringLiteral(","));
    const QString tail = QuoteIdentifier(Name) + by + QStringLiteral(" SET TABLESPACE ") + QuoteIdentifier(Target);
    QStringList out;
    if (Table)
        out << QStringLiteral("ALTER TABLE ALL IN TABLESPACE ") + tail;
    if (Index)
        out << QStringLiteral("ALTER INDEX ALL IN TABLESPACE ") + tail;
    if (MView)
        out << QStringLiteral("ALTER MATERIALIZED VIEW ALL IN TABLESPACE ") + tail;
    return out;
}

QString TablespaceContents::FormatKB(double KB)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(KB, 'f', 0).rightJustified(12);
}
