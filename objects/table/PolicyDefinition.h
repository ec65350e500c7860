#pragma once
// A row-level security policy as the policy window and its script read and
// write it: the plain definition, the catalog queries, and the DDL built
// from it. Nothing here touches a widget.
#include <QString>
#include <QStringList>

#include <optional>

namespace tv::db {
class Query;
} // namespace tv::db

struct TPolicyRole {
    QString Name;
    bool Login = false;     // a user (else a role)
    bool Checked = false;   // the policy applies to it
};

struct TPolicyDefinition {
    QString Schema;
    QString TableName;
    QString Name;
    QChar Command = u'*';   // polcmd: * r a w d
    QString RoleOids;       // comma-separated, as loaded
    QString Using;          // USING expression
    QString WithCheck;      // WITH CHECK expression
    bool Restrictive = false;
};

// The command word of a polcmd letter ("ALL", "SELECT" ...).
QString PolicyCommandWord(QChar Command);
// Whether a command takes USING / WITH CHECK.
bool PolicyHasUsing(QChar Command);
bool PolicyHasWithCheck(QChar Command);

namespace PolicySQL {
// The policy (:OWNER, :TBLNM, :POLNM): polname, polcmd, RoleOID, Qual,
// WithCheck, and from 100000 polpermissive.
QString Policy(int DBVer);
// Every role with Checkd (in RoleOids) and OBJTYPE 'USER' or 'ROLE', by name.
QString Roles(const QString &RoleOids);
} // namespace PolicySQL

std::optional<TPolicyDefinition> LoadPolicyDefinition(tv::db::Query &Query, const QString &Schema,
                                                      const QString &TableName, const QString &Name, int DBVer);
// The roles of the lists: users then roles, each by name.
QList<TPolicyRole> LoadPolicyRoles(tv::db::Query &Query, const QString &RoleOids);
// The role list text: the checked users, then the checked roles, quoted, joined by ", ".
QString PolicyRoleText(const QList<TPolicyRole> &Roles);

namespace PolicyDDL {
void Create(const TPolicyDefinition &Def, const QString &RoleText, QStringList &List);
void Alter(const TPolicyDefinition &Def, const QString &RoleText, QStringList &List);
void Drop(const TPolicyDefinition &Def, QStringList &List);
QString DropStatement(const QString &Schema, const QString &TableName, const QString &Name);
} // namespace PolicyDDL
