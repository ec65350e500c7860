#pragma once
// GRANT statements rebuilt from the privileges the catalogs record: the
// catalog queries for one object, for everything a role holds and for a
// tablespace, and the statements one catalog row gives. The connection
// window runs the queries (TfrmObject::OutputGrant); everything here is text.
#include <QString>
#include <QStringList>

namespace grant {

// One row of a grant query (in the namespace: the grant grid of the
// definition windows has a row type of the same plain name).
struct TGrantRow {
    QString Cls;      // "TABLE", "FUNCTION", "PROCEDURE", "PACKAGE", "TYPE", "SEQUENCE", "TABLESPACE"
    QString Schema;
    QString Name;
    QString Owner;
    QString Acl;      // the items joined by CR LF
    bool AclNull = true;
    QString Oid;      // routines and packages
};

// The one-object query for a type name (as ObjectTypeName gives it); empty
// when the kind has no privileges to script (or TYPE below 9.2). `byOid`:
// the query takes :FUNCOID, else :SCHEMA and :OBJNAME.
QString ObjectSQL(const QString &typeName, int dbVer, bool edb, bool *byOid);
// Every object of the role bound to :UNAME, in schema and name order.
QString RoleSQL(int dbVer);
// The tablespace bound to :TBSNM.
QString TablespaceSQL();

// "TABLE ", "FUNCTION " ... + the (qualified) name + "(" args ")" for routines.
// `qualify`: the schema is written.
QString ObjectText(const QString &cls, const QString &schema, const QString &name, bool qualify,
                   const QString &arguments);
// Whether the schema is written under the script option Owner (0 always,
// 1 when it differs from the login schema, 2 never).
bool QualifyName(int ownerMode, const QString &schema, const QString &loginSchema);

// The statements of one row, each without the ";" line. mode 1 one object,
// 2 the role `role`, 3 a tablespace.
QStringList Statements(const TGrantRow &row, int mode, const QString &objectText, const QString &role);

} // namespace grant
