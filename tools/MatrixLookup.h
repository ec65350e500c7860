#pragma once
// The dependency matrix's catalog lookups: an object of the connection
// window's list resolved to its oid, the dependency rows of pg_depend read
// by that oid, and what each oid found there is (kind, schema, name, table
// and argument list). The statement texts are builders of the server
// version and the EnterpriseDB flag, so that the branches of other servers
// can be checked as text; TMatrixLookup runs them on one connection.
//
// Oids are held in 64 bits; -1 means "not found".
#include <QList>
#include <QString>
#include <QStringList>

namespace tv::db {
class Connection;
class ResultSet;
} // namespace tv::db

// One dependency entry.
struct TRefObj {
    QString sCatalog; // "pg_class", "pg_proc" ...
    qint64 nOid = -1;
    QString sType;    // "TABLE", "TRIGGER" ...
    QString sName;
    QString sSchema;
    QString sParent;  // the table of a trigger or rule, the package of a member
    QString sFncArg;  // argument type list of a function
};
using TAryRefObj = QList<TRefObj>;

// One column of the field page.
struct TColInfo {
    QString sName;
    QString sType;
    QString sLen;
    QString sSubLen;
};
using TAryColInfo = QList<TColInfo>;

namespace MatrixSQL {
// The lookup of GetObjectOid by type code (":schema"/":nspname",
// ":objname"/":relname", ":table"); empty for 51/52/128 (FindFunctionOid)
// and for 53 on a server that is no EnterpriseDB server.
QString ObjectOid(int Code, int Version, bool Edb);
// FindFunctionOid's candidates (":SCHEMA", ":NAME").
QString FunctionCandidates();
// TypeNameList's statement for Count oids (":OID0" ...), ordered by the
// oid's place in the list.
QString TypeNames(int Count);
// GetFunctionArgTypes' argument vector (":OID").
QString FunctionArgVector();
// One type name (":OID").
QString TypeName();
// The SELECT describing one entry; empty for a catalog that is not described.
QString Describe(const QString &Catalog, qint64 Oid, int Version, bool Edb);
// The "_RETURN" rule of a view (":view_oid").
QString ViewRule();
// What an object references (":objid") / what references it (":refobjid").
QString References();
QString ReferencedBy();
// The primary-key columns (":SCHEMA", ":TABLE").
QString PrimaryKeyColumns();
// The columns of a table, view or materialized view (":SCHEMA", ":TABLE").
QString TableColumns(int Version);
// The columns of an index (":SCHEMA", ":INDEX").
QString IndexColumns();
} // namespace MatrixSQL

class TMatrixLookup {
public:
    TMatrixLookup(tv::db::Connection &Conn, int Version, bool Edb);

    qint64 GetObjectOid(int Code, const QString &Schema, const QString &Args, const QString &Table,
                        const QString &Name);
    qint64 FindFunctionOid(const QString &Schema, const QString &Name, const QString &Args);
    QString TypeNameList(const QList<qint64> &Oids);
    QString GetFunctionArgTypes(qint64 Oid);
    void DescribeDependentObject(TAryRefObj &Entries);

    // The dependency entries of an object (References: what it references).
    TAryRefObj Dependencies(qint64 Oid, bool References);
    // The "_RETURN" rule's oid of a view, or Oid itself when there is none.
    qint64 ViewRuleOid(qint64 Oid);
    QStringList PrimaryKeyColumns(const QString &Schema, const QString &Table);
    TAryColInfo Columns(int Code, const QString &Schema, const QString &Name);

private:
    tv::db::Connection &FConn;
    int FVersion;
    bool FEdb;
};
