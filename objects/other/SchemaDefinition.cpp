#include "objects/other/SchemaDefinition.h"

#include "common/Quote.h"

namespace {

QString QI(const QString &s) { return QuoteIdentifier(s); }

int FindItem(const QList<TRoleListItem> &Items, const QString &Name)
{
    for (int i = 0; i + 1 < Items.size(); i += 2)
        if (Items[i].Name == Name)
            return i;
    return -1;
}

void GrantItems(const QString &Schema, const QList<TRoleListItem> &Items, QStringList &List)
{
    for (int i = 0; i < Items.size(); ++i)
        if (Items[i].Granted)
            List << QStringLiteral("GRANT ") + SchemaPrivilegeWord(i) + QStringLiteral(" ON SCHEMA ") + QI(Schema) +
                        QStringLiteral(" TO ") + QI(Items[i].Name) +
                        (Items[i].Option ? QStringLiteral(" WITH GRANT OPTION") : QString())
                 << QStringLiteral(";");
}

void AlterItems(const QString &Schema, const QList<TRoleListItem> &Old, const QList<TRoleListItem> &New,
                QStringList &List)
{
    for (int i = 0; i < New.size() && i < Old.size(); ++i) {
        const QString on = SchemaPrivilegeWord(i) + QStringLiteral(" ON SCHEMA ") + QI(Schema);
        RoleDDL::MembershipChange(QStringLiteral("REVOKE ") + on + QStringLiteral(" FROM ") + QI(New[i].Name),
                                  QStringLiteral("GRANT ") + on + QStringLiteral(" TO ") + QI(New[i].Name),
                                  QStringLiteral(" WITH GRANT OPTION"), Old[i], New[i], List);
    }
}

} // namespace

namespace SchemaSQL {

QString Owners() { return QStringLiteral("SELECT rolname FROM pg_roles ORDER BY 1"); }

QString Schema(int DBVer, bool Edb)
{
    return QStringLiteral(" SELECT ro.rolname , array_to_string(ns.nspacl, '\r\n') AS \"stracl\" , "
                          "array_length(ns.nspacl, 1) AS \"lenacl\" FROM pg_namespace \"ns\" LEFT JOIN pg_roles \"ro\" "
                          "ON ns.nspowner = ro.oid WHERE ns.nspname = :SCHEMA") +
           RoleSQL::SchemaFilter(DBVer, Edb);
}

QString Roles() { return QStringLiteral("SELECT rolname FROM pg_roles WHERE rolcanlogin = False ORDER BY 1"); }
QString Users() { return QStringLiteral("SELECT rolname FROM pg_roles WHERE rolcanlogin = True ORDER BY 1"); }

} // namespace SchemaSQL

QList<TRoleListItem> SchemaPrivilegeItems(const QStringList &Names)
{
    QList<TRoleListItem> items;
    for (const QString &n : Names)
        items << TRoleListItem{n, false, false} << TRoleListItem{n, false, false};
    return items;
}

void ApplySchemaAcl(TSchemaDefinition &Def, bool AclNull, const QString &AclText)
{
    if (AclNull) {
        QList<TRoleListItem> *list = &Def.Roles;
        int at = FindItem(Def.Roles, Def.Owner);
        if (at < 0) {
            list = &Def.Users;
            at = FindItem(Def.Users, Def.Owner);
        }
        if (at >= 0) {
            (*list)[at].Granted = true;
            (*list)[at + 1].Granted = true;
        }
        return;
    }
    for (QString item : AclText.split(u'\n', Qt::SkipEmptyParts)) {
        if (item.endsWith(u'\r'))
            item.chop(1);
        QString grantee, letters;
        SplitAclItem(item, Def.Owner, grantee, letters);
        if (grantee == QStringLiteral("public")) {
            Def.PublicCreate = letters.contains(u'C');
            Def.PublicUsage = letters.contains(u'U');
        }
        QList<TRoleListItem> *list = &Def.Roles;
        int at = FindItem(Def.Roles, grantee);
        if (at < 0) {
            list = &Def.Users;
            at = FindItem(Def.Users, grantee);
        }
        if (at < 0)
            continue;
        (*list)[at].Granted = letters.contains(u'C');
        (*list)[at].Option = letters.contains(QStringLiteral("C*"));
        (*list)[at + 1].Granted = letters.contains(u'U');
        (*list)[at + 1].Option = letters.contains(QStringLiteral("U*"));
    }
}

namespace SchemaDDL {

void Create(const TSchemaDefinition &Def, QStringList &List)
{
    const QString name = QI(Def.Name);
    List << QStringLiteral("CREATE SCHEMA ") + name << QStringLiteral("AUTHORIZATION ") + QI(Def.Owner)
         << QStringLiteral(";");
    if (Def.PublicCreate)
        List << QStringLiteral("GRANT CREATE ON SCHEMA ") + name + QStringLiteral(" TO ") + QI(QStringLiteral("public"))
             << QStringLiteral(";");
    if (Def.PublicUsage)
        List << QStringLiteral("GRANT USAGE ON SCHEMA ") + name + QStringLiteral(" TO ") + QI(QStringLiteral("public"))
             << QStringLiteral(";");
    GrantItems(Def.Name, Def.Roles, List);
    GrantItems(Def.Name, Def.Users, List);
}

void Alter(const TSchemaDefinition &Old, const TSchemaDefinition &New, QStringList &List)
{
    const QString name = QI(New.Name);
    if (Old.Owner != New.Owner)
        List << QStringLiteral("ALTER SCHEMA ") + name << QStringLiteral("OWNER TO ") + QI(New.Owner)
             << QStringLiteral(";");
    const QString pub = QI(QStringLiteral("public"));
    if (Old.PublicCreate != New.PublicCreate)
        List << (New.PublicCreate ? QStringLiteral("GRANT CREATE ON SCHEMA ") + name + QStringLiteral(" TO ") + pub
                                  : QStringLiteral("REVOKE CREATE ON SCHEMA ") + name + QStringLiteral(" FROM ") + pub)
             << QStringLiteral(";");
    if (Old.PublicUsage != New.PublicUsage)
        List << (New.PublicUsage ? QStringLiteral("GRANT USAGE ON SCHEMA ") + name + QStringLiteral(" TO ") + pub
                                 : QStringLiteral("REVOKE USAGE ON SCHEMA ") + name + QStringLiteral(" FROM ") + pub)
             << QStringLiteral(";");
    AlterItems(New.Name, Old.Roles, New.Roles, List);
    AlterItems(New.Name, Old.Users, New.Users, List);
}

void Drop(const QString &Name, QStringList &List)
{
    List << QStringLiteral("DROP SCHEMA ") + QI(Name) << QStringLiteral(";");
}

QString DropStatement(const QString &Name, bool Cascade)
{
    return QStringLiteral("DROP SCHEMA ") + QI(Name) + (Cascade ? QStringLiteral(" CASCADE") : QString());
}

} // namespace SchemaDDL
