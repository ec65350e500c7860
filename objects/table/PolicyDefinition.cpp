#include "objects/table/PolicyDefinition.h"

#include "common/Quote.h"
#include "common/TextUtil.h"
#include "platform/db/Query.h"

namespace {

struct CloseOnExit {
    tv::db::Query *q;
    ~CloseOnExit() { q->Close(); }
};

QString On(const TPolicyDefinition &Def)
{
    return QuoteIdentifier(Def.Schema) + u'.' + QuoteIdentifier(Def.TableName);
}

void Expressions(const TPolicyDefinition &Def, QStringList &List)
{
    auto block = [&List](const QString &head, const QString &text) {
        if (TrimBlanks(text).isEmpty())
            return;
        List << head;
        List << text.split(u'\n');
        List << QStringLiteral(")");
    };
    if (PolicyHasUsing(Def.Command))
        block(QStringLiteral("USING ("), QString(Def.Using).remove(u'\r'));
    if (PolicyHasWithCheck(Def.Command))
        block(QStringLiteral("WITH CHECK ("), QString(Def.WithCheck).remove(u'\r'));
}

} // namespace

QString PolicyCommandWord(QChar Command)
{
    switch (Command.unicode()) {
    case u'r':
        return QStringLiteral("SELECT");
    case u'a':
        return QStringLiteral("INSERT");
    case u'w':
        return QStringLiteral("UPDATE");
    case u'd':
        return QStringLiteral("DELETE");
    default:
        return QStringLiteral("ALL");
    }
}

bool PolicyHasUsing(QChar Command)
{
    return Command != u'a';
}

bool PolicyHasWithCheck(QChar Command)
{
    return Command != u'r' && Command != u'd';
}

namespace PolicySQL {

QString Policy(int DBVer)
{
    QString sql = QStringLiteral(
        " SELECT PolInf.polname,       PolInf.polcmd,       array_to_string(PolInf.polroles , ',' )         AS "
        "RoleOID,       pg_get_expr(PolInf.polqual, PolInf.polrelid)      AS Qual,       "
        "pg_get_expr(PolInf.polwithcheck, PolInf.polrelid) AS WithCheck");
    if (DBVer >= 100000)
        sql += QStringLiteral(",       PolInf.polpermissive");
    sql += QStringLiteral(" FROM   pg_class            AS TblInf LEFT JOIN pg_namespace     AS TblNms  ON  "
                          "TblInf.relnamespace = TblNms.oid LEFT JOIN pg_policy        AS PolInf  ON  TblInf.oid      "
                          "    = PolInf.polrelid WHERE  TblNms.nspname    = :OWNER AND    TblInf.relname    = :TBLNM "
                          "AND    PolInf.polname    = :POLNM");
    return sql;
}

QString Roles(const QString &RoleOids)
{
    QString sql = QStringLiteral(" SELECT rolname");
    if (!RoleOids.isEmpty())
        sql += QStringLiteral(",       CASE          WHEN oid IN (") + RoleOids +
               QStringLiteral(")  THEN True          ELSE False        END AS Checkd");
    else
        sql += QStringLiteral(",       False AS Checkd");
    sql += QStringLiteral(",       CASE rolcanlogin          WHEN TRUE THEN 'USER'          ELSE 'ROLE'        END "
                          "AS OBJTYPE FROM   pg_roles ORDER BY     rolname");
    return sql;
}

} // namespace PolicySQL

std::optional<TPolicyDefinition> LoadPolicyDefinition(tv::db::Query &Query, const QString &Schema,
                                                      const QString &TableName, const QString &Name, int DBVer)
{
    CloseOnExit c{&Query};
    Query.Close();
    Query.SetSQL(PolicySQL::Policy(DBVer));
    Query.ParamByName(QStringLiteral("OWNER")).setAsString(Schema);
    Query.ParamByName(QStringLiteral("TBLNM")).setAsString(TableName);
    Query.ParamByName(QStringLiteral("POLNM")).setAsString(Name);
    Query.Open();
    if (Query.Eof())
        return std::nullopt;
    TPolicyDefinition d;
    d.Schema = Schema;
    d.TableName = TableName;
    d.Name = Query.Fields(0).AsString();
    const QString cmd = Query.Fields(1).AsString();
    d.Command = cmd.isEmpty() ? QChar(u'*') : cmd[0];
    d.RoleOids = Query.Fields(2).AsString();
    d.Using = Query.Fields(3).AsString();
    d.WithCheck = Query.Fields(4).AsString();
    if (DBVer >= 100000)
        d.Restrictive = !Query.Fields(5).AsBoolean();
    return d;
}

QList<TPolicyRole> LoadPolicyRoles(tv::db::Query &Query, const QString &RoleOids)
{
    CloseOnExit c{&Query};
    Query.Close();
    // Oids only: the text goes into the statement.
    QStringList oids;
    for (const QString &o : RoleOids.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        o.trimmed().toLongLong(&ok);
        if (ok)
            oids << o.trimmed();
    }
    Query.SetSQL(PolicySQL::Roles(oids.join(u',')));
    Query.Open();
    QList<TPolicyRole> users, roles;
    while (!Query.Eof()) {
        TPolicyRole r;
        r.Name = Query.Fields(0).AsString();
        r.Checked = Query.Fields(1).AsBoolean();
        r.Login = Query.Fields(2).AsString() == QLatin1String("USER");
        (r.Login ? users : roles) << r;
        Query.Next();
    }
    return users + roles;
}

QString PolicyRoleText(const QList<TPolicyRole> &Roles)
{
    QStringList names;
    for (bool login : {true, false})
        for (const TPolicyRole &r : Roles)
            if (r.Login == login && r.Checked)
                names << QuoteIdentifier(r.Name);
    return names.join(QStringLiteral(", "));
}

namespace PolicyDDL {

void Create(const TPolicyDefinition &Def, const QString &RoleText, QStringList &List)
{
    List << QStringLiteral("CREATE POLICY ") + QuoteIdentifier(Def.Name) + QStringLiteral(" ON ") + On(Def);
    if (Def.Restrictive)
        List << QStringLiteral("AS RESTRICTIVE");
    List << QStringLiteral("FOR ") + PolicyCommandWord(Def.Command);
    if (!RoleText.isEmpty())
        List << QStringLiteral("TO ") + RoleText;
    Expressions(Def, List);
    List << QStringLiteral(";");
}

void Alter(const TPolicyDefinition &Def, const QString &RoleText, QStringList &List)
{
    QStringList clauses;
    if (!RoleText.isEmpty())
        clauses << QStringLiteral("TO ") + RoleText;
    Expressions(Def, clauses);
    // An ALTER POLICY without a clause is no statement: nothing to change.
    if (clauses.isEmpty())
        return;
    List << QStringLiteral("ALTER POLICY ") + QuoteIdentifier(Def.Name) + QStringLiteral(" ON ") + On(Def);
    List << clauses;
    List << QStringLiteral(";");
}

void Drop(const TPolicyDefinition &Def, QStringList &List)
{
    List << QStringLiteral("DROP POLICY ") + QuoteIdentifier(Def.Name) << QStringLiteral("ON ") + On(Def)
         << QStringLiteral(";");
}

QString DropStatement(const QString &Schema, const QString &TableName, const QString &Name)
{
    return QStringLiteral("DROP POLICY ") + QuoteIdentifier(Name) + QStringLiteral(" ON ") + QuoteIdentifier(Schema) +
           u'.' + QuoteIdentifier(TableName);
}

} // namespace PolicyDDL
