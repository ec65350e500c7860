#pragma once
// A schema as the schema window reads and writes it: owner, the CREATE and
// USAGE privileges of PUBLIC, and for every role and every login role CREATE
// and USAGE with grant option (two list items per role, CREATE at even
// positions, USAGE at odd ones); the catalog queries and the scripts.
#include "objects/other/RoleDefinition.h"

struct TSchemaDefinition {
    QString Name;
    QString Owner;
    bool PublicCreate = false;
    bool PublicUsage = false;
    QList<TRoleListItem> Roles;   // roles that cannot log in
    QList<TRoleListItem> Users;   // roles that can
};

namespace SchemaSQL {
QString Owners();
QString Schema(int DBVer, bool Edb);   // :SCHEMA
QString Roles();
QString Users();
} // namespace SchemaSQL

// The two items of every name.
QList<TRoleListItem> SchemaPrivilegeItems(const QStringList &Names);
// Fills the PUBLIC boxes and both lists from the schema's ACL (AclNull: the
// owner alone holds CREATE and USAGE).
void ApplySchemaAcl(TSchemaDefinition &Def, bool AclNull, const QString &AclText);

namespace SchemaDDL {
void Create(const TSchemaDefinition &Def, QStringList &List);
void Alter(const TSchemaDefinition &Old, const TSchemaDefinition &New, QStringList &List);
void Drop(const QString &Name, QStringList &List);
QString DropStatement(const QString &Name, bool Cascade);
} // namespace SchemaDDL
