#include "objects/other/AggregateDefinition.h"

#include "common/Quote.h"
#include "platform/db/Query.h"

namespace AggregateSQL {

QString Aggregate(int ServerVersion)
{
    QString from, where;
    BuildObjectFromWhere(128, from, where, false, ServerVersion);
    QString sql = QStringLiteral(
        "SELECT Prc.proname AS OBJECTNAME, Nms.nspname AS SCHEMA, Prc.oid AS OIDNO, Agr.aggkind AS KIND,"
        " Agr.aggnumdirectargs AS SORTARGNUM, PrcSFnc.proname AS SFUNCNAME, NmsSFnc.nspname AS SFUNCSCHEMA,"
        " COALESCE(PrcFFnc.proname, '') AS FINALFUNCNAME, COALESCE(NmsFFnc.nspname, '') AS FINALFUNCSCHEMA,"
        " COALESCE(PrcMSFnc.proname, '') AS MSFUNCNAME, COALESCE(NmsMSFnc.nspname, '') AS MSFUNCSCHEMA,"
        " COALESCE(PrcMinVFnc.proname, '') AS MINVFUNCNAME, COALESCE(NmsMinVFnc.nspname, '') AS MINVFUNCSCHEMA,"
        " COALESCE(PrcMFFnc.proname, '') AS MFINALFUNCNAME, COALESCE(NmsMFFnc.nspname, '') AS MFINALFUNCSCHEMA,"
        " Agr.aggfinalextra AS FINALFUNCEXTRA, Agr.aggmfinalextra AS MFINALFUNCEXTRA,"
        " COALESCE(Ope.oprname, '') AS SORTOP, FORMAT_TYPE(Agr.aggtranstype, null) AS STYPE,"
        " Agr.aggtransspace AS SSPACE,"
        " CASE WHEN Agr.aggmtranstype = 0 THEN '' ELSE FORMAT_TYPE(Agr.aggmtranstype, null) END AS MSTYPE,"
        " Agr.aggmtransspace AS MSSPACE, COALESCE(Agr.agginitval, '') AS INITCOND,"
        " COALESCE(Agr.aggminitval, '') AS MINITCOND, obj_description(Prc.oid, 'pg_proc') AS COMMENT,"
        " pg_get_function_identity_arguments(Prc.oid) AS IDENTITYARGS\n");
    sql += from;
    sql += QStringLiteral(
        "\nLEFT JOIN pg_proc AS PrcSFnc ON Agr.aggtransfn = PrcSFnc.oid"
        "\nLEFT JOIN pg_namespace AS NmsSFnc ON PrcSFnc.pronamespace = NmsSFnc.oid"
        "\nLEFT JOIN pg_proc AS PrcFFnc ON Agr.aggfinalfn = PrcFFnc.oid"
        "\nLEFT JOIN pg_namespace AS NmsFFnc ON PrcFFnc.pronamespace = NmsFFnc.oid"
        "\nLEFT JOIN pg_proc AS PrcMSFnc ON Agr.aggmtransfn = PrcMSFnc.oid"
        "\nLEFT JOIN pg_namespace AS NmsMSFnc ON PrcMSFnc.pronamespace = NmsMSFnc.oid"
        "\nLEFT JOIN pg_proc AS PrcMinVFnc ON Agr.aggminvtransfn = PrcMinVFnc.oid"
        "\nLEFT JOIN pg_namespace AS NmsMinVFnc ON PrcMinVFnc.pronamespace = NmsMinVFnc.oid"
        "\nLEFT JOIN pg_proc AS PrcMFFnc ON Agr.aggmfinalfn = PrcMFFnc.oid"
        "\nLEFT JOIN pg_namespace AS NmsMFFnc ON PrcMFFnc.pronamespace = NmsMFFnc.oid"
        "\nLEFT JOIN pg_operator AS Ope ON Agr.aggsortop = Ope.oid\n");
    if (where.trimmed().isEmpty())
        sql += QStringLiteral("WHERE Prc.oid     =   :OID");
    else
        sql += where + QStringLiteral(" AND   Prc.oid     =   :OID");
    return sql;
}

} // namespace AggregateSQL

std::optional<TRecAgrInf> LoadAggregate(tv::db::Query &Query, qint64 Oid, int ServerVersion)
{
    struct CloseOnExit {
        tv::db::Query &q;
        ~CloseOnExit() { q.Close(); }
    } close{Query};
    Query.Close();
    Query.SetSQL(AggregateSQL::Aggregate(ServerVersion));
    Query.ParamByName(QStringLiteral("OID")).setAsInt64(Oid);
    Query.Open();
    if (Query.Eof())
        return std::nullopt;
    TRecAgrInf r;
    auto s = [&Query](int i) { return Query.Fields(i).AsString(); };
    r.Kind = s(3);
    r.SortArgNum = Query.Fields(4).AsInteger();
    r.SfuncNm = s(5);
    r.SfuncSchema = s(6);
    r.FinalFuncNm = s(7);
    r.FinalFuncSchema = s(8);
    r.MsFuncNm = s(9);
    r.MsFuncSchema = s(10);
    r.MinVFuncNm = s(11);
    r.MinVFuncSchema = s(12);
    r.MFinalFuncNm = s(13);
    r.MFinalFuncSchema = s(14);
    r.FinalFuncExtra = Query.Fields(15).AsBoolean();
    r.MFinalFuncExtra = Query.Fields(16).AsBoolean();
    r.SortOption = s(17);
    r.SType = s(18);
    r.SSpace = Query.Fields(19).AsInteger();
    r.MSType = s(20);
    r.MSSpace = Query.Fields(21).AsInteger();
    r.InitCond = s(22);
    r.MInitCond = s(23);
    r.Comment = s(24);
    r.IdentityArgs = s(25);
    return r;
}

namespace AggregateDDL {

QString ArgumentList(const FncArgArray &Args)
{
    QString text;
    bool ordered = false;
    bool first = true;
    for (const TFuncArgument &a : Args) {
        if (a.blnOrder) {
            text += ordered ? QStringLiteral(", ") : QStringLiteral(" ORDER BY ");
            ordered = true;
            text += a.strTypeNaCon;
            first = false;
            continue;
        }
        if (!first)
            text += QStringLiteral(", ");
        first = false;
        if (a.strMode == QLatin1String("v"))
            text += QStringLiteral("VARIADIC ");
        if (!a.strArgName.isEmpty())
            text += QuoteIdentifier(a.strArgName) + u' ';
        text += a.strTypeNaCon;
    }
    return text;
}

namespace {

QString Function(const QString &Schema, const QString &Name)
{
    return Schema.isEmpty() ? QuoteIdentifier(Name) : QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name);
}

} // namespace

void Create(const TRecAgrInf &Def, const FncArgArray &Args, const QString &Prefix, const QString &Name,
            QStringList &List)
{
    List << QStringLiteral("CREATE AGGREGATE ") + Prefix + QuoteIdentifier(Name) + u'(' + ArgumentList(Args) + u')';
    List << QStringLiteral("(");
    List << QStringLiteral("  SFUNC         = ") + Function(Def.SfuncSchema, Def.SfuncNm);
    List << QStringLiteral(", STYPE         = ") + Def.SType;
    if (Def.SSpace != 0)
        List << QStringLiteral(", SSPACE        = ") + QString::number(Def.SSpace);
    if (!Def.FinalFuncNm.isEmpty())
        List << QStringLiteral(", FINALFUNC     = ") + Function(Def.FinalFuncSchema, Def.FinalFuncNm);
    if (Def.FinalFuncExtra)
        List << QStringLiteral(", FINALFUNC_EXTRA");
    if (!Def.InitCond.isEmpty())
        List << QStringLiteral(", INITCOND      = ") + QuoteLiteral(Def.InitCond);
    if (Def.Kind == QLatin1String("n")) {
        if (!Def.MsFuncNm.isEmpty())
            List << QStringLiteral(", MSFUNC        = ") + Function(Def.MsFuncSchema, Def.MsFuncNm);
        if (!Def.MinVFuncNm.isEmpty())
            List << QStringLiteral(", MINVFUNC      = ") + Function(Def.MinVFuncSchema, Def.MinVFuncNm);
        if (!Def.MSType.isEmpty())
            List << QStringLiteral(", MSTYPE        = ") + Def.MSType;
        if (Def.MSSpace != 0)
            List << QStringLiteral(", MSSPACE       = ") + QString::number(Def.MSSpace);
        if (!Def.MFinalFuncNm.isEmpty())
            List << QStringLiteral(", MFINALFUNC    = ") + Function(Def.MFinalFuncSchema, Def.MFinalFuncNm);
        if (Def.MFinalFuncExtra)
            List << QStringLiteral(", MFINALFUNC_EXTRA");
        if (!Def.MInitCond.isEmpty())
            List << QStringLiteral(", MINITCOND     = ") + QuoteLiteral(Def.MInitCond);
        if (!Def.SortOption.isEmpty())
            List << QStringLiteral(", SORTOP        = ") + QuoteLiteral(Def.SortOption);
    }
    if (Def.Kind == QLatin1String("h"))
        List << QStringLiteral(", HYPOTHETICAL");
    List << QStringLiteral(")") << QStringLiteral(";");
}

QString Drop(const QString &Schema, const QString &Name, const QString &IdentityArgs)
{
    return QStringLiteral(" DROP AGGREGATE ") + QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name) + u'(' +
           IdentityArgs + u')';
}

QStringList Template(const QString &S, const QString &N)
{
    const QString head = QStringLiteral("CREATE AGGREGATE ") + S + u'.' + N + QStringLiteral("() /* (引数, 引数...) */");
    const QString note = QStringLiteral("   -- 以下、必要な項目のみ設定し、不要な項目は削除して下さい。");
    const QStringList first = {QStringLiteral(",  SSPACE            = state_data_size"),
                               QStringLiteral(",  FINALFUNC         = ffunc"),
                               QStringLiteral(",  FINALFUNC_EXTRA"),
                               QStringLiteral(",  INITCOND          = initial_condition")};
    const QStringList moving = {QStringLiteral(",  MSFUNC            = msfunc"),
                                QStringLiteral(",  MINVFUNC          = minvfunc"),
                                QStringLiteral(",  MSTYPE            = mstate_data_type"),
                                QStringLiteral(",  MSSPACE           = mstate_data_size"),
                                QStringLiteral(",  MFINALFUNC        = mffunc"),
                                QStringLiteral(",  MFINALFUNC_EXTRA"),
                                QStringLiteral(",  MINITCOND         = minitial_condition"),
                                QStringLiteral(",  SORTOP            = sort_operator")};
    const QString sfunc = QStringLiteral("   SFUNC             = sfunc");
    const QString stype = QStringLiteral(",  STYPE             = state_data_type");
    QStringList t;
    t << QStringLiteral("-- ORDER BYなしの場合") << head << QStringLiteral("(") << sfunc << stype << note << first << moving
      << QStringLiteral(")") << QString();
    t << QStringLiteral("-- ORDER BYありの場合") << head << QStringLiteral("(") << sfunc << stype << note << first
      << QStringLiteral(",  HYPOTHETICAL") << QStringLiteral(")") << QString();
    t << QStringLiteral("-- 旧構文の場合") << QStringLiteral("CREATE AGGREGATE ") + S + u'.' + N << QStringLiteral("(")
      << QStringLiteral("   BASETYPE          = base_type")
      << QStringLiteral(",  SFUNC             = sfunc") << stype << note << first << moving << QStringLiteral(")");
    return t;
}

} // namespace AggregateDDL
