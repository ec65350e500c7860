#pragma once
// A role (or a login role, "user") as the role and user windows read and
// write it: the attributes, memberships and schema privileges of the window's
// lists, the catalog queries, the reading of ACL texts into the lists, and the
// CREATE / ALTER / DROP scripts. Nothing here touches a widget.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace tv::db {
class Connection;
} // namespace tv::db

// One item of a two-box list: left box = granted, right box = with the
// admin or grant option.
struct TRoleListItem {
    QString Name;          // role name, or schema name for a schema item
    bool Granted = false;
    bool Option = false;
    bool operator==(const TRoleListItem &) const = default;
};

// The schema list has two items per schema, CREATE at even positions and
// USAGE at odd ones.
inline QString SchemaPrivilegeWord(int Index) { return Index % 2 == 0 ? QStringLiteral("CREATE") : QStringLiteral("USAGE"); }

struct TRoleDefinition {
    bool IsUser = false;
    QString Name;
    bool SuperUser = false;
    bool CreateDB = false;
    bool CreateRole = false;
    bool Inherit = false;
    bool Catupdate = false;
    bool Replication = false;
    // Written from 9.5 on when set (there is no control for it: it keeps
    // what the role had).
    bool BypassRLS = false;
    bool CreateDbLink = false;
    bool CreatePublicDbLink = false;
    bool DeletePublicDbLink = false;
    // User only. Password is what goes after PASSWORD: the verifier of the
    // typed text (see PasswordVerifier); empty for no PASSWORD clause.
    QString Password;
    bool HasExpiry = false;
    QDateTime ValidUntil;
    QString ConnLimit;
    QList<TRoleListItem> Roles;
    QList<TRoleListItem> Schemas;
};

// What the scripts depend on besides the role.
struct TRoleServer {
    int DBVer = 150000;
    bool Edb = false;
};

namespace RoleSQL {
QString LoginUser(int DBVer);                                    // :USERNAME
QString Attributes(int DBVer, bool Edb, bool User);              // :USERNAME
QString Roles();
QString Memberships(bool User);                                  // :USERNAME
QString SchemaFilter(int DBVer, bool Edb);
QString Schemas(int DBVer, bool Edb);
QString SchemaAcls(int DBVer, bool Edb);
// cls, nspname, relname, rolname, stracl, lenacl, oid, args (the function's
// identity arguments, read in the same query).
QString ObjectAcls(int DBVer, bool Edb);                         // :UNAME
// The members of a role (rolname, admin_option).
QString Members();                                               // :ROLENAME
} // namespace RoleSQL

// The expiry literal: ISO "YYYY-MM-DD HH:MM:SS".
QString ExpiryText(const QDateTime &When);
// A loaded expiry ("YYYY/MM/DD", "HH24:MI:SS"): false for none (empty, or
// 9999/12/31 23:59:59).
bool ParseExpiry(const QString &Date, const QString &Time, QDateTime &When);

// The verifier the server would keep for Password (PQencryptPasswordConn of
// the session, SCRAM-SHA-256 from server 10, md5 before). Raises when
// libpq cannot make one.
QString PasswordVerifier(tv::db::Connection &Conn, const QString &User, const QString &Password);
// Replaces every PASSWORD literal of a script that is not yet a verifier by
// its verifier (for the role's name).
QStringList VerifyPasswordsInScript(tv::db::Connection &Conn, const QString &User, const QStringList &Lines);
// Whether a script has a PASSWORD clause with a value.
bool ScriptHasPassword(const QStringList &Lines);

namespace RoleDDL {
void Create(const TRoleDefinition &Def, const TRoleServer &Server, QStringList &List);
// Only what changed from Old to New. Password non-empty in New: a new
// password. Old and New carry lists of the same length.
void Alter(const TRoleDefinition &Old, const TRoleDefinition &New, const TRoleServer &Server, QStringList &List);
void Drop(const TRoleDefinition &Def, QStringList &List);
QString DropStatement(bool User, const QString &Name);
// The membership statements of a list item that changed from Old to New
// (REVOKE then GRANT when the option is taken away).
void MembershipChange(const QString &Revoke, const QString &Grant, const QString &OptionClause,
                      const TRoleListItem &Old, const TRoleListItem &New, QStringList &List);
} // namespace RoleDDL

// Loading the lists from the catalogs' texts.
// Schema ACL of one schema into Items (two per schema): items of Role only.
void ApplySchemaAclToRole(QList<TRoleListItem> &Items, const QString &Role, const QString &Schema,
                          const QString &Owner, bool AclNull, const QString &AclText);

// One line of the object privilege list.
struct TObjectPrivilege {
    QString Text;        // "SELECT ON TABLE "s"."t""
    bool GrantOption = false;
    bool operator==(const TObjectPrivilege &) const = default;
};
// The object text of a row of RoleSQL::ObjectAcls ("TABLE "s"."t"",
// "FUNCTION "s"."f"(integer)"); empty for an unknown kind.
QString RoleObjectText(const QString &Kind, const QString &Schema, const QString &Name, const QString &Args);
// The privileges of Role on one object row.
void RoleObjectPrivileges(const QString &Role, const QString &Kind, const QString &ObjectText,
                          const QString &Owner, bool AclNull, const QString &AclText,
                          QList<TObjectPrivilege> &List);
