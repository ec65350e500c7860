#pragma once
// Catalog SQL shared by every list of objects of one kind: a FROM part and a
// WHERE part per object-type code, the subqueries that present EnterpriseDB
// packages and their elements as tables, and the reading and printing of a
// stored routine's argument list.
//
// The FROM part joins the kind's catalog table with its namespace, owner and
// related catalogs under fixed aliases; the caller writes its own select list
// against them. A non-empty WHERE part is continued with "AND" conditions;
// where it is empty the caller starts its own WHERE. Every builder takes the
// server version (major * 10000 + minor * 100 + patch) and the EnterpriseDB
// flag of the connection.
#include <QString>
#include <vector>

namespace tv::db {
class Query;
}

// One argument of a routine.
struct TFuncArgument {
    qint64 intOid = 0;        // oid of the argument's type
    QString strMode;          // "i", "o", "b" (in-out), "v" (variadic), "t" (table column)
    QString strArgName;       // empty when unnamed, always empty for an ORDER BY argument
    bool blnOrder = false;    // aggregated argument of an ordered-set aggregate
    QString strSchema;        // schema of the argument's type
    QString strTypeNaOri;     // pg_type.typname
    QString strTypeNaCon;     // format_type(oid, null)
    QString strTypeNaConLen;  // not filled by LoadFunctionArguments
    int intLength = 0;        // not filled by LoadFunctionArguments
};
using FncArgArray = std::vector<TFuncArgument>;

// Clears both parts and fills them for TypeCode; a code without fragments
// leaves both empty.
void BuildObjectFromWhere(int TypeCode, QString &FromPart, QString &WherePart, bool IsEdb, int ServerVersion);

// A parenthesised subquery with one row per EnterpriseDB package, to be
// followed by an alias.
QString EdbPackageSubquery(int ServerVersion);
// A parenthesised subquery with the variables and routines of every
// EnterpriseDB package, ending in " ) AS " for the caller's alias. Its access
// column is named "visibilty" (by its first branch); read it by position.
QString EdbPackageElementSubquery();

// Reads the argument list of the routine with that oid through Query (which
// is closed again) and returns true. An oid that matches no routine gives an
// empty list. Server and connection errors propagate as exceptions.
bool LoadFunctionArguments(qint64 Oid, tv::db::Query &Query, FncArgArray &Args, int ServerVersion);

// The argument type list of a routine ("int4","public"."t"), listing the
// arguments whose mode belongs to SignatureKind: 0 in; 1 out; 2 in-out;
// 3 variadic; 4 table columns; 5 every mode but out; 6 all. Types in
// pg_catalog or DefaultSchema are printed without schema. Ordered-set
// aggregate arguments follow " ORDER BY ".
QString FormatFunctionSignature(const FncArgArray &Args, int SignatureKind, const QString &DefaultSchema);
