#include "objects/other/RoleDefinition.h"

#include "common/CatalogSQL.h"
#include "common/ObjectType.h"
#include "common/Quote.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"

#include <QRegularExpression>

#include <libpq-fe.h>

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString QI(const QString &s) { return QuoteIdentifier(s); }

QStringList AclLines(const QString &Text)
{
    QStringList out;
    for (QString l : Text.split(u'\n', Qt::SkipEmptyParts)) {
        if (l.endsWith(u'\r'))
            l.chop(1);
        if (!l.isEmpty())
            out << l;
    }
    return out;
}

void Word(bool On, const char *Yes, const char *No, QStringList &List)
{
    List << QString::fromLatin1(On ? Yes : No);
}

} // namespace

// ---------------------------------------------------------------------------
// Catalog queries

namespace RoleSQL {

QString LoginUser(int DBVer)
{
    return QStringLiteral("SELECT rolcreaterole, rolsuper") +
           (DBVer < 90500 ? QStringLiteral(", rolcatupdate") : QStringLiteral(", NULL")) +
           QStringLiteral(" FROM pg_roles WHERE rolcanlogin = True AND rolname = :USERNAME");
}

QString Attributes(int DBVer, bool Edb, bool User)
{
    QString s = QStringLiteral(" SELECT rolname , rolinherit , rolcreaterole , rolcreatedb , rolsuper");
    s += DBVer < 90500 ? QStringLiteral(", rolcatupdate") : QStringLiteral(", NULL");
    s += QStringLiteral(" , rolconnlimit , TO_CHAR(rolvaliduntil, 'YYYY/MM/DD') AS \"rolvaliduntildate\""
                        " , TO_CHAR(rolvaliduntil, 'HH24:MI:SS') AS \"rolvaliduntiltime\"");
    if (DBVer >= 90100)
        s += QStringLiteral(", rolreplication ");
    if (DBVer >= 90500)
        s += QStringLiteral(", rolbypassrls ");
    if (Edb)
        s += QStringLiteral(" , rolcreatedblink , rolcreatepublicdblink , roldroppublicdblink");
    s += QStringLiteral(" FROM pg_roles WHERE");
    s += User ? QStringLiteral(" rolcanlogin = True AND rolname = :USERNAME")
              : QStringLiteral(" rolcanlogin = False AND rolname = :USERNAME");
    return s;
}

QString Roles()
{
    return QStringLiteral("SELECT rolname FROM pg_roles WHERE rolcanlogin = False ORDER BY 1");
}

QString Memberships(bool User)
{
    return QStringLiteral("SELECT A1.rolname, M.admin_option FROM pg_auth_members M LEFT JOIN pg_roles A1 ON "
                          "M.roleid = A1.oid AND A1.rolcanlogin = False LEFT JOIN pg_roles A2 ON M.member = A2.oid "
                          "AND A2.rolcanlogin = ") +
           (User ? QStringLiteral("True") : QStringLiteral("False")) +
           QStringLiteral(" WHERE A2.rolname = :USERNAME ORDER BY 1");
}

QString SchemaFilter(int DBVer, bool Edb)
{
    if (!Edb)
        return QString();
    return DBVer < 90200 ? QStringLiteral(" AND ( NOT(nspparent != 0) )")
                         : QStringLiteral(" AND ( NOT((nspparent != 0) AND (nspobjecttype = 0)) )");
}

QString Schemas(int DBVer, bool Edb)
{
    return QStringLiteral("SELECT nspname FROM pg_namespace WHERE (NOT(nspname LIKE 'pg\\_%') OR nspname = "
                          "'pg_catalog') ") +
           SchemaFilter(DBVer, Edb) + QStringLiteral("ORDER BY 1");
}

QString SchemaAcls(int DBVer, bool Edb)
{
    return QStringLiteral("SELECT ns.nspname, ro.rolname, array_to_string(ns.nspacl, '") + CrLf +
           QStringLiteral("') AS stracl, array_length(ns.nspacl, 1) AS lenacl FROM pg_namespace AS ns LEFT JOIN "
                          "pg_roles ro ON ns.nspowner = ro.oid WHERE (NOT(ns.nspname LIKE 'pg\\_%') OR ns.nspname = "
                          "'pg_catalog') ") +
           SchemaFilter(DBVer, Edb) + QStringLiteral("ORDER BY 1");
}

QString ObjectAcls(int DBVer, bool Edb)
{
    auto acl = [](const QString &col) {
        return QStringLiteral(", array_to_string(") + col + QStringLiteral(", '") + CrLf +
               QStringLiteral("') AS stracl, array_length(") + col + QStringLiteral(", 1) AS lenacl");
    };
    auto keep = [](const QString &owner, const QString &col, const QString &nsp) {
        return QStringLiteral(" AND (") + owner + QStringLiteral(" = :UNAME OR position(:UNAME in array_to_string(") +
               col + QStringLiteral(", ',')) > 0) AND NOT (") + nsp + QStringLiteral(" LIKE 'pg\\_%') AND ") + nsp +
               QStringLiteral(" <> 'information_schema'");
    };
    const QString pkgOut = Edb ? QStringLiteral(" AND pr.pronamespace NOT IN (SELECT oid FROM ") +
                                     EdbPackageSubquery(DBVer) + QStringLiteral(" pk)")
                               : QString();
    QStringList b;
    b << QStringLiteral("SELECT 'TABLE' AS cls, na.nspname, cl.relname, ro.rolname") + acl(QStringLiteral("cl.relacl")) +
             QStringLiteral(", CAST(NULL AS int8) AS oid, CAST(NULL AS text) AS args FROM pg_class cl LEFT JOIN pg_namespace na ON "
                            "cl.relnamespace = na.oid LEFT JOIN pg_roles ro ON cl.relowner = ro.oid WHERE cl.relkind "
                            "IN ('r', 'v', 'm', 'p', 'f')") +
             keep(QStringLiteral("ro.rolname"), QStringLiteral("cl.relacl"), QStringLiteral("na.nspname"));
    const QString fnKind = (DBVer > 109999 || Edb)
                               ? QStringLiteral(" CASE WHEN pr.prokind = 'p' THEN 'PROCEDURE' ELSE 'FUNCTION' END AS cls")
                               : QStringLiteral(" 'FUNCTION' AS cls");
    b << QStringLiteral("SELECT") + fnKind + QStringLiteral(", na.nspname, pr.proname, ro.rolname") +
             acl(QStringLiteral("pr.proacl")) +
             QStringLiteral(", CAST(pr.oid AS int8) AS oid, pg_get_function_identity_arguments(pr.oid) AS args FROM pg_proc pr "
                            "LEFT JOIN pg_namespace na ON pr.pronamespace = na.oid LEFT JOIN pg_roles ro ON "
                            "pr.proowner = ro.oid WHERE 0 = 0") +
             (Edb ? QStringLiteral(" AND pr.protype = '0'") + pkgOut : QString()) +
             keep(QStringLiteral("ro.rolname"), QStringLiteral("pr.proacl"), QStringLiteral("na.nspname"));
    b << QStringLiteral("SELECT 'SEQUENCE' AS cls, na.nspname, cl.relname, ro.rolname") +
             acl(QStringLiteral("cl.relacl")) +
             QStringLiteral(", CAST(NULL AS int8) AS oid, CAST(NULL AS text) AS args FROM pg_class cl LEFT JOIN pg_namespace na ON "
                            "cl.relnamespace = na.oid LEFT JOIN pg_roles ro ON cl.relowner = ro.oid WHERE  cl.relkind = "
                            "'S' ") +
             keep(QStringLiteral("ro.rolname"), QStringLiteral("cl.relacl"), QStringLiteral("na.nspname"));
    if (DBVer > 90199)
        b << QStringLiteral("SELECT 'TYPE' AS cls, na.nspname, ty.typname, ro.rolname") +
                 acl(QStringLiteral("ty.typacl")) +
                 QStringLiteral(", CAST(NULL AS int8) AS oid, CAST(NULL AS text) AS args FROM pg_type ty LEFT JOIN pg_namespace na ON "
                                "ty.typnamespace = na.oid LEFT JOIN pg_class cl ON ty.typrelid = cl.oid LEFT JOIN "
                                "pg_roles ro ON ty.typowner = ro.oid WHERE (cl.relkind = 'c' OR ty.typtype = 'e' OR "
                                "ty.typtype = 'r' OR ( ty.typtype = 'b' AND ty.typcategory NOT "
                                "IN('A','B','C','D','E','G','I','N','P','R','S','T','V','X')) )") +
                 keep(QStringLiteral("ro.rolname"), QStringLiteral("ty.typacl"), QStringLiteral("na.nspname"));
    if (Edb) {
        b << QStringLiteral("SELECT 'PROCEDURE' AS cls, na.nspname, pr.proname, ro.rolname") +
                 acl(QStringLiteral("pr.proacl")) +
                 QStringLiteral(", CAST(pr.oid AS int8) AS oid, pg_get_function_identity_arguments(pr.oid) AS args FROM "
                                "pg_proc pr LEFT JOIN pg_namespace na ON pr.pronamespace = na.oid LEFT JOIN pg_roles ro "
                                "ON pr.proowner = ro.oid WHERE pr.protype = '1'") +
                 pkgOut + keep(QStringLiteral("ro.rolname"), QStringLiteral("pr.proacl"), QStringLiteral("na.nspname"));
        b << QStringLiteral("SELECT 'PACKAGE' AS cls, nsp.nspname, pkg.pkgname, rol.rolname") +
                 acl(QStringLiteral("pkg.pkgacl")) + QStringLiteral(" , CAST(pkg.oid AS int8) AS oid, CAST(NULL AS text) AS args FROM ") +
                 EdbPackageSubquery(DBVer) +
                 QStringLiteral(" pkg LEFT JOIN pg_namespace nsp ON pkg.pkgnamespace = nsp.oid LEFT JOIN pg_roles     "
                                "rol ON pkg.pkgowner     = rol.oid WHERE 0 = 0") +
                 keep(QStringLiteral("rol.rolname"), QStringLiteral("pkg.pkgacl"), QStringLiteral("nsp.nspname"));
    }
    return QStringLiteral("SELECT cls, nspname, relname, rolname, stracl, lenacl, oid, args FROM ( ") +
           b.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(") acl_tbl ORDER BY 2,3");
}

QString Members()
{
    return QStringLiteral("SELECT m.rolname, am.admin_option FROM pg_auth_members am JOIN pg_roles r ON r.oid = "
                          "am.roleid JOIN pg_roles m ON m.oid = am.member WHERE r.rolname = :ROLENAME ORDER BY 1");
}

} // namespace RoleSQL

// ---------------------------------------------------------------------------
// Expiry and passwords

QString ExpiryText(const QDateTime &When)
{
    return When.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool ParseExpiry(const QString &Date, const QString &Time, QDateTime &When)
{
    if (Date.isEmpty())
        return false;
    if (Date == QStringLiteral("9999/12/31") && Time == QStringLiteral("23:59:59"))
        return false;
    const QDate d = QDate::fromString(Date, QStringLiteral("yyyy/MM/dd"));
    const QTime t = QTime::fromString(Time, QStringLiteral("HH:mm:ss"));
    if (!d.isValid())
        return false;
    When = QDateTime(d, t.isValid() ? t : QTime(0, 0));
    return true;
}

QString PasswordVerifier(tv::db::Connection &Conn, const QString &User, const QString &Password)
{
    PGconn *pg = Conn.handle();
    if (!pg)
        throw tv::Error(QStringLiteral("接続がありません。"));
    const char *algorithm = Conn.ServerVersionNum() >= 100000 || Conn.ServerVersionNum() == 0 ? "scram-sha-256" : "md5";
    char *v = PQencryptPasswordConn(pg, Password.toUtf8().constData(), User.toUtf8().constData(), algorithm);
    if (!v)
        throw tv::Error(QString::fromUtf8(PQerrorMessage(pg)).trimmed());
    const QString out = QString::fromUtf8(v);
    PQfreemem(v);
    return out;
}

namespace {

const QRegularExpression &PasswordClause()
{
    static const QRegularExpression re(QStringLiteral("\\bPASSWORD\\s+'((?:[^']|'')*)'"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

bool IsVerifier(const QString &s)
{
    return s.startsWith(QStringLiteral("SCRAM-SHA-256$")) ||
           (s.size() == 35 && s.startsWith(QStringLiteral("md5")));
}

} // namespace

QStringList VerifyPasswordsInScript(tv::db::Connection &Conn, const QString &User, const QStringList &Lines)
{
    QStringList out;
    for (const QString &line : Lines) {
        QString l = line;
        qsizetype from = 0;
        for (;;) {
            const QRegularExpressionMatch m = PasswordClause().match(l, from);
            if (!m.hasMatch())
                break;
            QString value = m.captured(1);
            value.replace(QStringLiteral("''"), QStringLiteral("'"));
            if (IsVerifier(value)) {
                from = m.capturedEnd(0);
                continue;
            }
            const QString repl = QStringLiteral("PASSWORD ") + QuoteLiteral(PasswordVerifier(Conn, User, value));
            l.replace(m.capturedStart(0), m.capturedLength(0), repl);
            from = m.capturedStart(0) + repl.size();
        }
        out << l;
    }
    return out;
}

bool ScriptHasPassword(const QStringList &Lines)
{
    for (const QString &l : Lines)
        if (PasswordClause().match(l).hasMatch())
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// Scripts

namespace RoleDDL {

namespace {

void Catupdate(bool On, const QString &Name, QStringList &List)
{
    List << QStringLiteral("UPDATE pg_authid SET rolcatupdate = ") + (On ? QStringLiteral("TRUE") : QStringLiteral("FALSE")) +
                QStringLiteral(" WHERE rolname = '") + Name + u'\''
         << QStringLiteral(";");
}

const char *const LinkGrants[3][2] = {
    {"GRANT CREATE DATABASE LINK TO ", "REVOKE CREATE DATABASE LINK FROM "},
    {"GRANT CREATE PUBLIC DATABASE LINK TO ", "REVOKE CREATE PUBLIC DATABASE LINK FROM "},
    {"GRANT DROP PUBLIC DATABASE LINK TO ", "REVOKE DROP PUBLIC DATABASE LINK FROM "},
};

bool Link(const TRoleDefinition &d, int i)
{
    return i == 0 ? d.CreateDbLink : i == 1 ? d.CreatePublicDbLink : d.DeletePublicDbLink;
}

QString Kind(const TRoleDefinition &d) { return d.IsUser ? QStringLiteral("USER ") : QStringLiteral("ROLE "); }

} // namespace

void Create(const TRoleDefinition &Def, const TRoleServer &Server, QStringList &List)
{
    const QString name = QI(Def.Name);
    List << QStringLiteral("CREATE ") + Kind(Def) + name;
    Word(Def.SuperUser, "SUPERUSER", "NOSUPERUSER", List);
    Word(Def.CreateDB, "CREATEDB", "NOCREATEDB", List);
    Word(Def.CreateRole, "CREATEROLE", "NOCREATEROLE", List);
    Word(Def.Inherit, "INHERIT", "NOINHERIT", List);
    if (Server.DBVer > 90099)
        Word(Def.Replication, "REPLICATION", "NOREPLICATION", List);
    if (Server.DBVer >= 90500 && Def.BypassRLS)
        List << QStringLiteral("BYPASSRLS");
    if (Def.IsUser) {
        if (!Def.Password.trimmed().isEmpty())
            List << QStringLiteral("PASSWORD ") + QuoteLiteral(Def.Password);
        List << (Def.HasExpiry ? QStringLiteral("VALID UNTIL ") + QuoteLiteral(ExpiryText(Def.ValidUntil))
                               : QStringLiteral("VALID UNTIL 'infinity'"));
        if (!Def.ConnLimit.trimmed().isEmpty())
            List << QStringLiteral("CONNECTION LIMIT ") + Def.ConnLimit.trimmed();
    }
    List << QStringLiteral(";");
    if (Server.DBVer < 90500 && Def.SuperUser && !Def.Catupdate)
        Catupdate(false, Def.Name, List);
    if (Server.Edb)
        for (int i = 0; i < 3; ++i)
            List << QString::fromLatin1(LinkGrants[i][Link(Def, i) ? 0 : 1]) + name << QStringLiteral(";");
    for (const TRoleListItem &r : Def.Roles)
        if (r.Granted)
            List << QStringLiteral("GRANT ") + QI(r.Name) + QStringLiteral(" TO ") + name +
                        (r.Option ? QStringLiteral(" WITH ADMIN OPTION") : QString())
                 << QStringLiteral(";");
    for (int i = 0; i < Def.Schemas.size(); ++i) {
        const TRoleListItem &s = Def.Schemas[i];
        if (s.Granted)
            List << QStringLiteral("GRANT ") + SchemaPrivilegeWord(i) + QStringLiteral(" ON SCHEMA ") + QI(s.Name) +
                        QStringLiteral(" TO ") + name + (s.Option ? QStringLiteral(" WITH GRANT OPTION") : QString())
                 << QStringLiteral(";");
    }
}

void MembershipChange(const QString &Revoke, const QString &Grant, const QString &OptionClause,
                      const TRoleListItem &Old, const TRoleListItem &New, QStringList &List)
{
    if (Old.Granted == New.Granted && Old.Option == New.Option)
        return;
    if (New.Granted) {
        if (!New.Option && Old.Option)
            List << Revoke << QStringLiteral(";");
        List << Grant + (New.Option ? OptionClause : QString());
    } else {
        List << Revoke;
    }
    List << QStringLiteral(";");
}

void Alter(const TRoleDefinition &Old, const TRoleDefinition &New, const TRoleServer &Server, QStringList &List)
{
    const QString name = QI(New.Name);
    QStringList words;
    if (Old.SuperUser != New.SuperUser)
        Word(New.SuperUser, "SUPERUSER", "NOSUPERUSER", words);
    if (Old.CreateDB != New.CreateDB)
        Word(New.CreateDB, "CREATEDB", "NOCREATEDB", words);
    if (Old.CreateRole != New.CreateRole)
        Word(New.CreateRole, "CREATEROLE", "NOCREATEROLE", words);
    if (Old.Inherit != New.Inherit)
        Word(New.Inherit, "INHERIT", "NOINHERIT", words);
    if (Old.Replication != New.Replication && Server.DBVer > 90099)
        Word(New.Replication, "REPLICATION", "NOREPLICATION", words);
    if (New.IsUser) {
        if (!New.Password.isEmpty())
            words << QStringLiteral("PASSWORD ") + QuoteLiteral(New.Password);
        if (New.HasExpiry && (!Old.HasExpiry || Old.ValidUntil != New.ValidUntil))
            words << QStringLiteral("VALID UNTIL ") + QuoteLiteral(ExpiryText(New.ValidUntil));
        else if (!New.HasExpiry && Old.HasExpiry)
            words << QStringLiteral("VALID UNTIL 'infinity'");
        if (Old.ConnLimit != New.ConnLimit)
            words << QStringLiteral("CONNECTION LIMIT ") +
                         (New.ConnLimit.trimmed().isEmpty() ? QStringLiteral("-1") : New.ConnLimit.trimmed());
    }
    if (!words.isEmpty())
        List << QStringLiteral("ALTER ") + Kind(New) + name << words << QStringLiteral(";");
    if (Server.DBVer < 90500) {
        if (Old.SuperUser != New.SuperUser) {
            if (New.SuperUser && !New.Catupdate)
                Catupdate(false, New.Name, List);
        } else if (Old.Catupdate != New.Catupdate) {
            Catupdate(New.Catupdate, New.Name, List);
        }
    }
    if (Server.Edb)
        for (int i = 0; i < 3; ++i)
            if (Link(Old, i) != Link(New, i))
                List << QString::fromLatin1(LinkGrants[i][Link(New, i) ? 0 : 1]) + name << QStringLiteral(";");
    for (int i = 0; i < New.Roles.size() && i < Old.Roles.size(); ++i) {
        const QString role = QI(New.Roles[i].Name);
        MembershipChange(QStringLiteral("REVOKE ") + role + QStringLiteral(" FROM ") + name,
                         QStringLiteral("GRANT ") + role + QStringLiteral(" TO ") + name,
                         QStringLiteral(" WITH ADMIN OPTION"), Old.Roles[i], New.Roles[i], List);
    }
    for (int i = 0; i < New.Schemas.size() && i < Old.Schemas.size(); ++i) {
        const QString on = SchemaPrivilegeWord(i) + QStringLiteral(" ON SCHEMA ") + QI(New.Schemas[i].Name);
        MembershipChange(QStringLiteral("REVOKE ") + on + QStringLiteral(" FROM ") + name,
                         QStringLiteral("GRANT ") + on + QStringLiteral(" TO ") + name,
                         QStringLiteral(" WITH GRANT OPTION"), Old.Schemas[i], New.Schemas[i], List);
    }
}

QString DropStatement(bool User, const QString &Name)
{
    return (User ? QStringLiteral("DROP USER ") : QStringLiteral("DROP ROLE ")) + QI(Name);
}

void Drop(const TRoleDefinition &Def, QStringList &List)
{
    List << DropStatement(Def.IsUser, Def.Name) << QStringLiteral(";");
}

} // namespace RoleDDL

// ---------------------------------------------------------------------------
// ACL texts

void ApplySchemaAclToRole(QList<TRoleListItem> &Items, const QString &Role, const QString &Schema,
                          const QString &Owner, bool AclNull, const QString &AclText)
{
    int at = -1;
    for (int i = 0; i + 1 < Items.size(); i += 2)
        if (Items[i].Name == Schema) {
            at = i;
            break;
        }
    if (at < 0)
        return;
    if (AclNull) {
        if (Owner == Role) {
            Items[at].Granted = true;
            Items[at + 1].Granted = true;
        }
        return;
    }
    for (const QString &item : AclLines(AclText)) {
        QString grantee, letters;
        SplitAclItem(item, Owner, grantee, letters);
        if (grantee != Role)
            continue;
        Items[at].Granted = letters.contains(u'C');
        Items[at].Option = letters.contains(QStringLiteral("C*"));
        Items[at + 1].Granted = letters.contains(u'U');
        Items[at + 1].Option = letters.contains(QStringLiteral("U*"));
    }
}

QString RoleObjectText(const QString &Kind, const QString &Schema, const QString &Name, const QString &Args)
{
    const QString q = QI(Schema) + u'.' + QI(Name);
    switch (ObjectTypeFromName(Kind)) {
    case 45:
        return QStringLiteral("TABLE ") + q;
    case 51:
    case 52:
        return Kind + u' ' + q + u'(' + Args + u')';
    case 53:
        return QStringLiteral("PACKAGE ") + q;
    case 55:
        return QStringLiteral("TYPE ") + q;
    case 58:
        return QStringLiteral("SEQUENCE ") + q;
    default:
        return QString();
    }
}

void RoleObjectPrivileges(const QString &Role, const QString &Kind, const QString &ObjectText,
                          const QString &Owner, bool AclNull, const QString &AclText,
                          QList<TObjectPrivilege> &List)
{
    if (ObjectText.isEmpty())
        return;
    const int code = ObjectTypeFromName(Kind);
    if (AclNull) {
        if (Owner != Role)
            return;
        const bool table = code == 45, seq = code == 58, prog = code == 51 || code == 52 || code == 53,
                   type = code == 55;
        const struct {
            const char *prefix;
            bool on;
        } implicit[] = {
            {"DELETE ON ", table},     {"EXECUTE ON ", prog},  {"INSERT ON ", table},
            {"REFERENCES ON ", table}, {"SELECT ON ", table || seq}, {"TRIGGER ON ", table},
            {"TRUNCATE ON ", table},   {"UPDATE ON ", table || seq}, {"USAGE ON ", type || seq},
        };
        for (const auto &p : implicit)
            if (p.on)
                List << TObjectPrivilege{QString::fromLatin1(p.prefix) + ObjectText, false};
        return;
    }
    static const struct {
        QChar letter;
        const char *prefix;
    } letters[] = {
        {u'd', "DELETE ON "}, {u'X', "EXECUTE ON "},  {u'a', "INSERT ON "}, {u'x', "REFERENCES ON "},
        {u'r', "SELECT ON "}, {u't', "TRIGGER ON "}, {u'D', "TRUNCATE ON "}, {u'w', "UPDATE ON "},
        {u'U', "USAGE ON "},
    };
    for (const QString &item : AclLines(AclText)) {
        QString grantee, privileges;
        SplitAclItem(item, Owner, grantee, privileges);
        if (grantee != Role)
            continue;
        for (const auto &l : letters)
            if (privileges.contains(l.letter))
                List << TObjectPrivilege{QString::fromLatin1(l.prefix) + ObjectText,
                                         privileges.contains(QString(l.letter) + u'*')};
    }
}
