#pragma once
// A tablespace as the tablespace window and its script read and write it:
// the plain definition, the catalog queries, the DDL built from it, and the
// statements of its contents page (drop and move). Nothing here touches a
// widget.
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tv::db {
class Query;
}

// CREATE on the tablespace for one group role: the left box (granted) and
// the right box (with grant option) of the role list.
struct TTablespaceGrant {
    QString Role;
    bool Create = false;
    bool GrantOption = false;
    bool operator==(const TTablespaceGrant &) const = default;
};

struct TTablespaceDefinition {
    QString Name;
    QString Owner;
    QString Location;
    QString RandomPageCost;   // empty: not set
    QString SeqPageCost;
    QList<TTablespaceGrant> Grants;   // one per group role, in list order
};

namespace TablespaceSQL {
// The definition (:spcname): rolname, spclocation, role_grant, tbs_option.
QString Definition(int DBVer);
QString Roles();   // group roles
QString Owners();  // login users
// The relations stored in a tablespace (:DB_NAME, :TBL_SPACE): a relation
// without a tablespace of its own counts in the database's default one.
QString Contents();
QString IsSuperUser();   // :USER_NAME
QString AllDbSize();     // :TBS_NAME
QString Names();
} // namespace TablespaceSQL

// The role of an ACL line, or empty (PUBLIC) ; the grantee of a quoted role
// has its doubled double quotes made single.
QString TablespaceAclGrantee(const QString &Line);
// Applies role_grant (one ACL item a line) to the grants of the role list.
void ApplyTablespaceAcl(const QString &RoleGrant, QList<TTablespaceGrant> &Grants);
// Applies tbs_option (one "name=value" a line).
void ApplyTablespaceOptions(const QString &TbsOption, TTablespaceDefinition &Def);

// The tablespace, or nothing when it does not exist; the options and,
// for the roles already in Def.Grants, the grants come from the catalog.
// Raises on a server error.
std::optional<TTablespaceDefinition> LoadTablespaceDefinition(tv::db::Query &Query, const QString &Name, int DBVer,
                                                              QList<TTablespaceGrant> Grants = {});

namespace TablespaceDDL {
// CREATE TABLESPACE, then the options that have a value, then with
// AllGrants the GRANT of every checked role.
void Create(const TTablespaceDefinition &Def, QStringList &List, bool AllGrants);
// What changed from Old to New: owner, options (SET, then RESET), grants.
void Alter(const TTablespaceDefinition &Old, const TTablespaceDefinition &New, QStringList &List);
// GRANT / REVOKE of CREATE: with AllGrants every checked role of New, else
// only the roles whose boxes differ from Old.
void Grant(const TTablespaceDefinition &Old, const TTablespaceDefinition &New, bool AllGrants, QStringList &List);
void Drop(const QString &Name, QStringList &List);
QString DropStatement(const QString &Name);
} // namespace TablespaceDDL

namespace TablespaceContents {
// The drop statement of a listed relation by its type code (table 45,
// index 46, view 47, type 55, sequence 58, materialized view 61); empty
// for a kind that has none.
QString DropStatement(int ObjType, const QString &Schema, const QString &Name, bool Cascade);
// "ALTER <kind> ALL IN TABLESPACE" for each checked kind, in the order
// TABLE, INDEX, MATERIALIZED VIEW.
QStringList MoveStatements(const QString &Name, const QString &Target, bool Table, bool Index, bool MView,
                           const QString &Owners);
// Kilobytes as the contents page shows them: thousands separators, no
// decimals, right-aligned in 12 characters.
QString FormatKB(double KB);
} // namespace TablespaceContents
