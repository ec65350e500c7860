#pragma once
// An aggregate as the aggregate window and its script read and write it:
// the catalog row, the CREATE AGGREGATE text built from it and the
// template of a new aggregate. Nothing here touches a widget.
#include "common/CatalogSQL.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tv::db {
class Query;
} // namespace tv::db

struct TRecAgrInf {
    QString Kind;          // aggkind: n normal, o ordered-set, h hypothetical-set
    int SortArgNum = 0;
    QString SfuncNm, SfuncSchema;
    QString FinalFuncNm, FinalFuncSchema;
    QString MsFuncNm, MsFuncSchema;
    QString MinVFuncNm, MinVFuncSchema;
    QString MFinalFuncNm, MFinalFuncSchema;
    bool FinalFuncExtra = false;
    bool MFinalFuncExtra = false;
    QString SortOption;
    QString SType;
    int SSpace = 0;
    QString MSType;
    int MSSpace = 0;
    QString InitCond, MInitCond;
    QString Comment;
    // pg_get_function_identity_arguments: what DROP AGGREGATE names.
    QString IdentityArgs;
};

namespace AggregateSQL {
// The aggregate by :OID.
QString Aggregate(int ServerVersion);
} // namespace AggregateSQL

// The aggregate with that oid, or nothing; raises on a server error.
std::optional<TRecAgrInf> LoadAggregate(tv::db::Query &Query, qint64 Oid, int ServerVersion);

namespace AggregateDDL {
// The argument list of the header ("integer", "double precision ORDER BY
// anyelement", "VARIADIC "x" integer").
QString ArgumentList(const FncArgArray &Args);
void Create(const TRecAgrInf &Def, const FncArgArray &Args, const QString &Prefix, const QString &Name,
            QStringList &List);
// " DROP AGGREGATE "s"."n"(identity arguments)"
QString Drop(const QString &Schema, const QString &Name, const QString &IdentityArgs);
QStringList Template(const QString &S, const QString &N);
} // namespace AggregateDDL
