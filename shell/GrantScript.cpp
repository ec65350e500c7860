#include "shell/GrantScript.h"

#include "common/CatalogSQL.h"
#include "common/Quote.h"

namespace grant {
namespace {

const QString CRLF = QStringLiteral("\r\n");

// The select list shared by every object query: cls, nspname, relname,
// rolname, stracl, lenacl, oid.
QString SelectList(const QString &cls, const QString &name, const QString &acl, const QString &oid)
{
    return QStringLiteral("SELECT '") + cls + QStringLiteral("' AS cls, na.nspname, ") + name +
           QStringLiteral(", au.rolname, array_to_string(") + acl + QStringLiteral(", '") + CRLF +
           QStringLiteral("') AS stracl, array_length(") + acl + QStringLiteral(", 1) AS lenacl, ") + oid +
           QStringLiteral(" AS oid ");
}

QString TableKinds(int dbVer)
{
    if (dbVer >= 100000)
        return QStringLiteral("WHERE cl.relkind IN ('r', 'v', 'm', 'p') ");
    return dbVer >= 90300 ? QStringLiteral("WHERE cl.relkind IN ('r', 'v', 'm') ")
                          : QStringLiteral("WHERE cl.relkind IN ('r', 'v') ");
}

QString TableFrom()
{
    return QStringLiteral("FROM   pg_class cl LEFT JOIN pg_namespace na ON cl.relnamespace = na.oid "
                          "LEFT JOIN pg_roles au ON cl.relowner = au.oid ");
}

QString ProcFrom()
{
    return QStringLiteral("FROM   pg_proc pr LEFT JOIN pg_namespace na ON pr.pronamespace = na.oid "
                          "LEFT JOIN pg_roles au ON pr.proowner = au.oid ");
}

QString TypeFrom()
{
    return QStringLiteral("FROM   pg_type ty LEFT JOIN pg_namespace na ON ty.typnamespace = na.oid "
                          "LEFT JOIN pg_class cl ON ty.typrelid = cl.oid "
                          "LEFT JOIN pg_roles au ON ty.typowner = au.oid "
                          "WHERE  (cl.relkind = 'c' OR ty.typtype IN ('e', 'r') OR (ty.typtype = 'b' AND "
                          "ty.typcategory NOT IN ('A','B','C','D','E','G','I','N','P','R','S','T','V','X'))) ");
}

QString SequenceFrom()
{
    return TableFrom() + QStringLiteral("WHERE cl.relkind = 'S' ");
}

// The role filter of the role query: owned by the role or named in the ACL.
QString RoleFilter(const QString &acl)
{
    return QStringLiteral("AND (au.rolname = :UNAME OR position(:UNAME in array_to_string(") + acl +
           QStringLiteral(", '") + CRLF +
           QStringLiteral("')) > 0) AND na.nspname NOT LIKE 'pg\\_%' AND na.nspname <> 'information_schema' ");
}

const struct {
    QChar letter;
    const char *statement;
} Letters[] = {
    {u'd', "GRANT DELETE ON "}, {u'X', "GRANT EXECUTE ON "}, {u'a', "GRANT INSERT ON "},
    {u'x', "GRANT REFERENCES ON "}, {u'r', "GRANT SELECT ON "}, {u't', "GRANT TRIGGER ON "},
    {u'D', "GRANT TRUNCATE ON "}, {u'w', "GRANT UPDATE ON "}, {u'U', "GRANT USAGE ON "},
};

QString Stmt(const char *head, const QString &objectText, const QString &grantee, bool withGrant)
{
    QString s = QString::fromUtf8(head) + objectText + QStringLiteral(" TO ") + QuoteIdentifier(grantee);
    if (withGrant)
        s += QStringLiteral(" WITH GRANT OPTION");
    return s;
}

// The statements of one item's privilege letters, in the letters' order.
void ItemStatements(QStringList &out, const QString &privileges, const QString &objectText, const QString &grantee)
{
    for (const auto &l : Letters) {
        const qsizetype at = privileges.indexOf(l.letter);
        if (at < 0)
            continue;
        const bool withGrant = at + 1 < privileges.size() && privileges.at(at + 1) == u'*';
        out << Stmt(l.statement, objectText, grantee, withGrant);
    }
}

// The owner's default privileges of a kind; `withPublic`: also those of PUBLIC.
void Defaults(QStringList &out, const QString &cls, const QString &objectText, const QString &owner, bool withPublic)
{
    auto give = [&](std::initializer_list<const char *> heads, const QString &to) {
        for (const char *h : heads)
            out << Stmt(h, objectText, to, false);
    };
    if (cls == QLatin1String("TABLE")) {
        give({"GRANT DELETE ON ", "GRANT INSERT ON ", "GRANT REFERENCES ON ", "GRANT SELECT ON ", "GRANT TRIGGER ON ",
              "GRANT TRUNCATE ON ", "GRANT UPDATE ON "},
             owner);
    } else if (cls == QLatin1String("FUNCTION")) {
        if (withPublic)
            give({"GRANT EXECUTE ON "}, QStringLiteral("public"));
        give({"GRANT EXECUTE ON "}, owner);
    } else if (cls == QLatin1String("SEQUENCE")) {
        give({"GRANT SELECT ON ", "GRANT UPDATE ON ", "GRANT USAGE ON "}, owner);
    } else if (cls == QLatin1String("TYPE")) {
        if (withPublic)
            give({"GRANT USAGE ON "}, QStringLiteral("public"));
        give({"GRANT USAGE ON "}, owner);
    }
}

} // namespace

QString ObjectSQL(const QString &typeName, int dbVer, bool edb, bool *byOid)
{
    if (byOid)
        *byOid = false;
    const QString byName = QStringLiteral("AND    na.nspname = :SCHEMA AND cl.relname = :OBJNAME");
    if (typeName == QLatin1String("TABLE") || typeName == QLatin1String("VIEW") ||
        typeName == QLatin1String("MATERIALIZED VIEW"))
        return SelectList(QStringLiteral("TABLE"), QStringLiteral("cl.relname"), QStringLiteral("cl.relacl"),
                          QStringLiteral("NULL")) +
               TableFrom() + TableKinds(dbVer) + byName;
    if (typeName == QLatin1String("PROCEDURE") || typeName == QLatin1String("FUNCTION") ||
        typeName == QLatin1String("AGGREGATE")) {
        if (byOid)
            *byOid = true;
        const QString cls = typeName == QLatin1String("PROCEDURE") ? typeName : QStringLiteral("FUNCTION");
        return SelectList(cls, QStringLiteral("pr.proname"), QStringLiteral("pr.proacl"), QStringLiteral("pr.oid")) +
               ProcFrom() + QStringLiteral("WHERE  pr.oid = :FUNCOID");
    }
    if (typeName == QLatin1String("PACKAGE BODY")) {
        if (!edb)
            return QString();
        return QStringLiteral(" SELECT 'PACKAGE' AS cls , nsp.nspname , pkg.pkgname , rol.rolname , "
                              "array_to_string(pkg.pkgacl, '") +
               CRLF +
               QStringLiteral("') AS stracl , array_length(pkg.pkgacl, 1) AS lenacl , pkg.oid::int8 AS oid FROM ") +
               EdbPackageSubquery(dbVer) +
               QStringLiteral(" pkg LEFT JOIN pg_namespace nsp ON pkg.pkgnamespace = nsp.oid"
                              " LEFT JOIN pg_roles     rol ON pkg.pkgowner = rol.oid"
                              " WHERE 0 = 0 AND nsp.nspname = :SCHEMA AND pkg.pkgname = :OBJNAME");
    }
    if (typeName == QLatin1String("TYPE")) {
        if (dbVer <= 90199)
            return QString();
        return SelectList(QStringLiteral("TYPE"), QStringLiteral("ty.typname"), QStringLiteral("ty.typacl"),
                          QStringLiteral("NULL")) +
               TypeFrom() + QStringLiteral("AND    na.nspname = :SCHEMA AND ty.typname = :OBJNAME");
    }
    if (typeName == QLatin1String("SEQUENCE"))
        return SelectList(QStringLiteral("SEQUENCE"), QStringLiteral("cl.relname AS cld"), QStringLiteral("cl.relacl"),
                          QStringLiteral("NULL")) +
               SequenceFrom() + byName;
    return QString();
}

QString RoleSQL(int dbVer)
{
    QStringList parts;
    parts << SelectList(QStringLiteral("TABLE"), QStringLiteral("cl.relname"), QStringLiteral("cl.relacl"),
                        QStringLiteral("NULL::oid")) +
                 TableFrom() + TableKinds(dbVer) + RoleFilter(QStringLiteral("cl.relacl"));
    parts << SelectList(QStringLiteral("FUNCTION"), QStringLiteral("pr.proname"), QStringLiteral("pr.proacl"),
                        QStringLiteral("pr.oid")) +
                 ProcFrom() + QStringLiteral("WHERE 0 = 0 ") + RoleFilter(QStringLiteral("pr.proacl"));
    parts << SelectList(QStringLiteral("SEQUENCE"), QStringLiteral("cl.relname"), QStringLiteral("cl.relacl"),
                        QStringLiteral("NULL::oid")) +
                 SequenceFrom() + RoleFilter(QStringLiteral("cl.relacl"));
    if (dbVer > 90199)
        parts << SelectList(QStringLiteral("TYPE"), QStringLiteral("ty.typname"), QStringLiteral("ty.typacl"),
                            QStringLiteral("NULL::oid")) +
                     TypeFrom() + RoleFilter(QStringLiteral("ty.typacl"));
    return QStringLiteral("SELECT cls, nspname, relname, rolname, stracl, lenacl, oid FROM (") +
           parts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(") acl_tbl ORDER BY 2,3");
}

QString TablespaceSQL()
{
    return QStringLiteral("SELECT 'TABLESPACE' AS OBJTYPE, NULL AS SCHEMA, TBS.spcname AS OBJNM, ROL.rolname AS OWNER, "
                          "array_to_string(TBS.spcacl, '") +
           CRLF +
           QStringLiteral("') AS AUTHORITY, array_length(TBS.spcacl, 1) AS AUTHORITYNUM "
                          "FROM   pg_tablespace TBS LEFT JOIN pg_roles ROL ON TBS.spcowner = ROL.oid "
                          "WHERE  TBS.spcname = :TBSNM");
}

bool QualifyName(int ownerMode, const QString &schema, const QString &loginSchema)
{
    if (ownerMode == 0)
        return true;
    if (ownerMode == 1)
        return schema != loginSchema;
    return false;
}

QString ObjectText(const QString &cls, const QString &schema, const QString &name, bool qualify,
                   const QString &arguments)
{
    if (cls == QLatin1String("TABLESPACE"))
        return QStringLiteral("TABLESPACE ") + QuoteIdentifier(name);
    QString s = cls + QLatin1Char(' ');
    if (qualify)
        s += QuoteIdentifier(schema) + QLatin1Char('.');
    s += QuoteIdentifier(name);
    if (cls == QLatin1String("FUNCTION") || cls == QLatin1String("PROCEDURE"))
        s += QLatin1Char('(') + arguments + QLatin1Char(')');
    return s;
}

QStringList Statements(const TGrantRow &row, int mode, const QString &objectText, const QString &role)
{
    QStringList out;
    const QStringList items =
        row.AclNull ? QStringList() : row.Acl.split(CRLF, Qt::SkipEmptyParts);
    if (mode == 1) {
        if (row.AclNull)
            Defaults(out, row.Cls, objectText, row.Owner, true);
        for (const QString &item : items) {
            QString grantee, privileges;
            SplitAclItem(item, row.Owner, grantee, privileges);
            ItemStatements(out, privileges, objectText, grantee);
        }
    } else if (mode == 2) {
        if (row.AclNull && row.Owner == role)
            Defaults(out, row.Cls, objectText, role, false);
        for (const QString &item : items) {
            QString grantee, privileges;
            SplitAclItem(item, row.Owner, grantee, privileges);
            if (grantee == role)
                ItemStatements(out, privileges, objectText, role);
        }
    } else {
        for (const QString &item : items) {
            QString grantee, privileges;
            SplitAclItem(item, row.Owner, grantee, privileges);
            const qsizetype at = privileges.indexOf(u'C');
            if (at < 0)
                continue;
            const bool withGrant = at + 1 < privileges.size() && privileges.at(at + 1) == u'*';
            out << Stmt("GRANT CREATE ON ", objectText, grantee, withGrant);
        }
    }
    return out;
}

} // namespace grant
