#include "common/CatalogSQL.h"

#include "common/Quote.h"
#include "platform/db/Query.h"

#include <QStringList>

#include <initializer_list>

namespace {

// Each line appended after one blank: the result begins with a blank and the
// lines are separated by single blanks (a line's own leading blanks stay).
void addLines(QString &Text, std::initializer_list<const char *> Lines)
{
    for (const char *line : Lines) {
        Text += QLatin1Char(' ');
        Text += QLatin1String(line);
    }
}

// The FROM lines shared by procedures and functions.
void routineFrom(QString &From, int ServerVersion)
{
    addLines(From, {"FROM pg_proc             AS Prc",
                    "LEFT JOIN pg_namespace   AS Nms",
                    " ON  Prc.pronamespace    =   Nms.oid",
                    "LEFT JOIN pg_type        AS Typ",
                    " ON  Prc.prorettype      =   Typ.oid",
                    "LEFT JOIN pg_roles       AS TblRol",
                    " ON  TblRol.oid          =  Prc.proowner"});
    if (ServerVersion >= 90400)
        addLines(From, {"LEFT JOIN pg_aggregate   AS Agr", " ON  Prc.oid             =  Agr.aggfnoid"});
}

void packageFrom(QString &From, int ServerVersion)
{
    From = QStringLiteral(" FROM ") + EdbPackageSubquery(ServerVersion) + QStringLiteral("         AS pac");
    addLines(From, {"LEFT JOIN pg_namespace   AS Nms",
                    " ON  pac.pkgnamespace    = Nms.oid",
                    "LEFT JOIN pg_roles       AS TblRol",
                    " ON  pac.pkgowner        = TblRol.oid"});
}

// The text split at CR LF; an empty text has no lines.
QStringList crlfLines(const QString &Text)
{
    if (Text.isEmpty())
        return {};
    return Text.split(QStringLiteral("\r\n"), Qt::KeepEmptyParts);
}

} // namespace

void BuildObjectFromWhere(int TypeCode, QString &FromPart, QString &WherePart, bool IsEdb, int ServerVersion)
{
    FromPart.clear();
    WherePart.clear();
    switch (TypeCode) {
    case 45: // table
        addLines(FromPart, {"FROM pg_class            AS TblInf",
                            "LEFT JOIN pg_namespace   AS TblNsp",
                            " ON  TblNsp.oid          =   TblInf.relnamespace",
                            "LEFT JOIN pg_tablespace  AS TblSpe",
                            " ON  TblSpe.oid          =   TblInf.reltablespace",
                            "LEFT JOIN pg_roles       AS TblRol",
                            " ON  TblRol.oid          =  TblInf.relowner"});
        // Partitioned tables (10 on) are tables to the user; their partitions stay listed too.
        addLines(WherePart, {ServerVersion >= 100000 ? "WHERE  TblInf.relkind    IN  ('r', 'f', 't', 'p')"
                                                     : "WHERE  TblInf.relkind    IN  ('r', 'f', 't')"});
        break;
    case 46: // index
        addLines(FromPart, {"FROM pg_class            AS C",
                            "LEFT JOIN pg_namespace   AS N",
                            " ON  C.relnamespace      =   N.oid",
                            "LEFT JOIN pg_index       AS I",
                            " ON  C.oid               =   I.indexrelid",
                            "LEFT JOIN pg_am          AS AM",
                            " ON  C.relam             =   AM.oid",
                            "LEFT JOIN pg_tablespace  AS T",
                            " ON  C.reltablespace     =   T.oid",
                            "LEFT JOIN pg_class       AS C2",
                            " ON  I.indrelid          =   C2.oid",
                            "LEFT JOIN pg_namespace   AS N2",
                            " ON  C2.relnamespace     =   N2.oid",
                            "LEFT JOIN pg_description AS D",
                            " ON  C.oid               =   D.objoid",
                            "LEFT JOIN pg_roles       AS TblRol",
                            " ON  TblRol.oid          =  C.relowner"});
        addLines(WherePart, {"WHERE  C.relkind         =   'i'"});
        break;
    case 47: // view
    case 61: // materialized view
        addLines(FromPart, {"FROM pg_class            AS TblInf",
                            "LEFT JOIN pg_namespace   AS TblNsp",
                            " ON  TblNsp.oid          =   TblInf.relnamespace",
                            "LEFT JOIN pg_roles       AS TblRol",
                            " ON  TblRol.oid          =  TblInf.relowner"});
        addLines(WherePart, {TypeCode == 47 ? "WHERE  TblInf.relkind    IN  ('v')" : "WHERE  TblInf.relkind    IN  ('m')"});
        break;
    case 51: // procedure
        routineFrom(FromPart, ServerVersion);
        WherePart = QStringLiteral("WHERE 1 = 1");
        if (ServerVersion >= 110000)
            addLines(WherePart, {"AND  Prc.prokind = 'p'"});
        if (IsEdb)
            addLines(WherePart, {"AND Prc.protype = '1'"});
        if (ServerVersion >= 90400)
            addLines(WherePart, {"AND Agr.aggfnoid IS NULL"});
        break;
    case 52: // function
        routineFrom(FromPart, ServerVersion);
        WherePart = QStringLiteral("WHERE 1 = 1");
        if (ServerVersion >= 110000)
            WherePart += QStringLiteral(" AND Prc.prokind = 'f'");
        if (IsEdb) {
            WherePart += QStringLiteral(" AND Prc.protype = '0'");
            if (ServerVersion >= 90400)
                addLines(WherePart, {" AND  Agr.aggfnoid IS NULL"});
        } else if (ServerVersion >= 90400) {
            addLines(WherePart, {" AND Agr.aggfnoid IS NULL"});
        }
        break;
    case 53: // package
        packageFrom(FromPart, ServerVersion);
        break;
    case 54: // package body
        packageFrom(FromPart, ServerVersion);
        WherePart = QStringLiteral("WHERE pac.pkgbodysrc IS NOT null");
        break;
    case 55: // type
        addLines(FromPart, {"FROM pg_type             AS T",
                            "LEFT JOIN pg_namespace   AS N",
                            " ON  T.typnamespace      =   N.oid",
                            "LEFT JOIN pg_class       AS C",
                            " ON  T.typrelid          =   c.oid",
                            "LEFT JOIN pg_roles       AS TblRol",
                            " ON  TblRol.oid          =  T.typowner"});
        addLines(WherePart,
                 {"WHERE  (",
                  "             C.relkind = 'c'",
                  "         OR  T.typtype = 'e'",
                  "         OR  T.typtype = 'r'",
                  "         OR  T.typtype = 'p'",
                  "         OR  (",
                  "                   T.typtype     =       'b'",
                  "               AND T.typcategory NOT IN  ('A','B','C','D','E','G','I','N','P','R','S','T','V','X')",
                  "             )",
                  "       )"});
        break;
    case 57: // trigger
        addLines(FromPart, {"FROM pg_trigger            AS TrgInf",
                            "LEFT JOIN pg_class         AS TblInf",
                            "  ON  TrgInf.tgrelid       =   TblInf.oid",
                            "LEFT JOIN pg_class         AS RefTblInf",
                            "  ON  TrgInf.tgconstrrelid =   RefTblInf.oid",
                            "LEFT JOIN pg_proc          AS FncInf",
                            "  ON  TrgInf.tgfoid        =   FncInf.oid",
                            "LEFT JOIN pg_namespace     AS Nms",
                            "  ON  TblInf.relnamespace  =   Nms.oid",
                            "LEFT JOIN pg_tables        AS TblShe",
                            "  ON  TblInf.relname       =   TblShe.tablename",
                            "  AND Nms.nspname          =   TblShe.schemaname",
                            "LEFT JOIN pg_views         AS VieShe",
                            "  ON  TblInf.relname       =   VieShe.viewname",
                            "  AND Nms.nspname          =   VieShe.schemaname",
                            "LEFT JOIN pg_namespace     AS FncNms",
                            "  ON  FncInf.pronamespace  =   FncNms.oid",
                            "LEFT JOIN pg_description   AS TrgCom",
                            "  ON  TrgInf.oid           =   TrgCom.Objoid",
                            "LEFT JOIN pg_roles         AS TblRol",
                            " ON  TblRol.oid            =  TblInf.relowner"});
        // The triggers the server makes for foreign keys and the like are not the user's.
        if (ServerVersion >= 90000)
            addLines(WherePart, {"WHERE  NOT TrgInf.tgisinternal"});
        break;
    case 58: // sequence
        addLines(FromPart, {"FROM pg_class            AS C",
                            "LEFT JOIN pg_namespace   AS N",
                            " ON  C.relnamespace      =  N.oid",
                            "LEFT JOIN pg_roles       AS TblRol",
                            " ON  TblRol.oid          =  C.relowner"});
        addLines(WherePart, {"WHERE  C.relkind         = 'S'"});
        break;
    case 60: // synonym
        addLines(FromPart, {"FROM pg_synonym          AS Syn",
                            "LEFT JOIN pg_namespace   AS Nms",
                            " ON  Syn.synnamespace    =  Nms.oid",
                            "LEFT JOIN pg_roles       AS TblRol",
                            " ON  TblRol.oid          =  Syn.synowner"});
        break;
    case 64: // database link
        addLines(FromPart, {"FROM edb_dblink          AS Lnk",
                            "LEFT JOIN pg_roles       AS Rol",
                            " ON  Rol.oid             =  Lnk.lnkowner",
                            "LEFT JOIN pg_namespace   AS Nsp",
                            " ON  Nsp.nspowner        = Rol.oid"});
        break;
    case 66: // constraint
        addLines(FromPart, {"FROM pg_constraint       AS ConInf",
                            "LEFT JOIN pg_namespace   AS ConNsp",
                            " ON  ConNsp.oid          =   ConInf.connamespace",
                            "LEFT JOIN pg_class       AS TblInf",
                            " ON  TblInf.oid          =   ConInf.conrelid",
                            "LEFT JOIN pg_namespace   AS TblNsp",
                            " ON  TblNsp.oid          =   TblInf.relnamespace",
                            "LEFT JOIN pg_roles       AS TblRol",
                            " ON  TblRol.oid          =  TblInf.relowner"});
        addLines(WherePart, {"WHERE  ConInf.contype    <>  't'"});
        break;
    case 127: // rule
        addLines(FromPart, {"FROM pg_rewrite          AS r",
                            "LEFT JOIN pg_class       AS c",
                            " ON  c.oid               =   r.ev_class",
                            "LEFT JOIN pg_namespace   AS ns",
                            " ON  ns.oid              =   c.relnamespace",
                            "LEFT JOIN pg_description AS cm",
                            " ON  r.oid               =   cm.Objoid",
                            "LEFT JOIN pg_roles       AS TblRol",
                            " ON  TblRol.oid          =  c.relowner"});
        break;
    case 128: // aggregate
        addLines(FromPart, {"FROM pg_proc             AS Prc",
                            "LEFT JOIN pg_namespace   AS Nms",
                            " ON  Prc.pronamespace    =   Nms.oid",
                            "LEFT JOIN pg_type        AS Typ",
                            " ON  Prc.prorettype      =   Typ.oid",
                            "LEFT JOIN pg_roles       AS TblRol",
                            " ON  TblRol.oid          =  Prc.proowner",
                            "LEFT JOIN pg_aggregate   AS Agr",
                            " ON  Prc.oid             =  Agr.aggfnoid"});
        addLines(WherePart, {"WHERE  Agr.aggfnoid      IS NOT NULL"});
        break;
    default:
        break;
    }
}

QString EdbPackageSubquery(int ServerVersion)
{
    QString text = QStringLiteral(
        " ("
        " SELECT"
        " oid         AS \"oid\""
        " , nspname   AS \"pkgname\""
        " , nspparent AS \"pkgnamespace\""
        " , nspowner  AS \"pkgowner\""
        " , pg_catalog.edb_get_packageheaddef(oid) AS \"pkgheadsrc\""
        " , pg_catalog.edb_get_packagebodydef(oid) AS \"pkgbodysrc\""
        " , 'P'::char AS pkgproperties"
        " , nspacl AS \"pkgacl\""
        " FROM"
        " pg_namespace"
        " WHERE");
    text += ServerVersion < 90200 ? QStringLiteral(" nspparent != 0")
                                  : QStringLiteral(" (nspparent != 0) AND (nspobjecttype = 0)");
    text += QStringLiteral(" ) ");
    return text;
}

QString EdbPackageElementSubquery()
{
    return QStringLiteral(
        " ("
        " SELECT"
        " varpackage::int8 AS \"packageoid\""
        " , varname        AS \"eltname\""
        " , varaccess      AS \"visibilty\""
        " , 'V'            AS \"eltclass\""
        " , vartype::int8  AS \"eltdatatype\""
        " , NULL           AS \"nargs\""
        " , NULL           AS \"argtypes\""
        " , NULL           AS \"argmodes\""
        " , NULL           AS \"argnames\""
        " FROM"
        " edb_variable"
        " UNION"
        " SELECT"
        " pronamespace::int8 AS \"packageoid\""
        " , proname          AS \"eltname\""
        " , proaccess        AS \"visibility\""
        " , DECODE(protype,'0','F','1','P' ) AS \"eltclass\""
        " , prorettype::int4 AS \"eltdatatype\""
        " , pronargs         AS \"nargs\""
        " , proargtypes      AS \"argtypes\""
        " , proargmodes      AS \"argmodes\""
        " , proargnames      AS \"argnames\""
        " FROM"
        " pg_proc"
        " WHERE"
        " pg_proc.pronamespace IN (SELECT oid FROM pg_namespace WHERE nspparent != 0)"
        " ) AS ");
}

bool LoadFunctionArguments(qint64 Oid, tv::db::Query &Query, FncArgArray &Args, int ServerVersion)
{
    const QString crlf = QStringLiteral("\r\n");
    QString sql = QStringLiteral(" SELECT Prc.oid");
    sql += QStringLiteral(",       CASE"
                          "          WHEN Prc.proallargtypes IS NULL"
                          "            THEN  array_to_string(Prc.proargtypes, '")
           + crlf + QStringLiteral("')          ELSE    array_to_string(Prc.proallargtypes, '") + crlf
           + QStringLiteral("')        END AS AryType");
    sql += QStringLiteral(",       CASE"
                          "          WHEN Prc.proargmodes IS NULL THEN ''"
                          "          ELSE array_to_string(Prc.proargmodes, '")
           + crlf + QStringLiteral("')        END AS AryMode");
    sql += QStringLiteral(",       CASE"
                          "          WHEN Prc.proargnames IS NULL THEN ''"
                          "          ELSE array_to_string(Prc.proargnames, '")
           + crlf + QStringLiteral("')        END AS AryNm");
    if (ServerVersion >= 90400)
        sql += QStringLiteral(",       COALESCE(Agr.aggnumdirectargs, 0)     AS OrderNum");
    else
        sql += QStringLiteral(",       0                                     AS OrderNum");
    sql += QStringLiteral(" FROM   pg_proc           AS Prc");
    if (ServerVersion >= 90400)
        sql += QStringLiteral(" LEFT JOIN pg_aggregate   AS Agr  ON  Prc.oid             =   Agr.aggfnoid");
    sql += QStringLiteral(" WHERE  Prc.oid = :OID ORDER BY     Prc.proname");

    QStringList types, modes, names;
    int orderNum = 0;
    Query.Close();
    const bool parsing = Query.ParamParsing();
    Query.SetParamParsing(true);
    struct RestoreParsing {
        tv::db::Query &q;
        bool on;
        ~RestoreParsing() { q.SetParamParsing(on); }
    } restore{Query, parsing};
    Query.SetSQL(sql);
    Query.ParamByName(QStringLiteral("OID")).DataType = tv::db::ParamType::Oid;
    Query.ParamByName(QStringLiteral("OID")).Value = Oid;
    Query.Open();
    if (!Query.IsEmpty()) {
        types = crlfLines(Query.FieldByName(QStringLiteral("AryType")).AsString());
        modes = crlfLines(Query.FieldByName(QStringLiteral("AryMode")).AsString());
        names = crlfLines(Query.FieldByName(QStringLiteral("AryNm")).AsString());
        orderNum = Query.FieldByName(QStringLiteral("OrderNum")).AsInteger();
    }
    Query.Close();

    const int count = int(types.size());
    Args.assign(size_t(count), TFuncArgument());
    for (int i = 0; i < count; ++i) {
        TFuncArgument &arg = Args[size_t(i)];
        arg.intOid = types[i].trimmed().toLongLong();
        arg.strMode = modes.isEmpty() ? QStringLiteral("i") : modes.value(i);
        if (i < count - orderNum) {
            arg.blnOrder = false;
            arg.strArgName = names.value(i);
        } else {
            arg.blnOrder = true;
            arg.strArgName.clear();
        }
    }
    if (count == 0)
        return true;

    // The type of each argument, tagged with the argument's index so that each
    // row reaches its own argument whatever order the server returns them in,
    // and a type that no longer exists leaves only its own argument empty.
    sql.clear();
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            sql += QStringLiteral(" UNION ALL");
        sql += QStringLiteral(" SELECT %1 AS ArgNo"
                              "      , NA.nspname"
                              "      , TY.typname"
                              "      , format_type(TY.oid, null)"
                              " FROM pg_type TY"
                              " LEFT JOIN pg_namespace NA ON TY.typnamespace = NA.oid"
                              " WHERE TY.oid = :OID%1")
                   .arg(i);
    }
    sql += QStringLiteral(" ORDER BY 1");
    Query.SetSQL(sql);
    for (int i = 0; i < count; ++i) {
        tv::db::Param &param = Query.ParamByName(QStringLiteral("OID%1").arg(i));
        param.DataType = tv::db::ParamType::Oid;
        param.Value = Args[size_t(i)].intOid;
    }
    Query.Open();
    for (Query.First(); !Query.Eof(); Query.Next()) {
        const int i = Query.Fields(0).AsInteger();
        if (i < 0 || i >= count)
            continue;
        TFuncArgument &arg = Args[size_t(i)];
        arg.strSchema = Query.Fields(1).AsString();
        arg.strTypeNaOri = Query.Fields(2).AsString();
        arg.strTypeNaCon = Query.Fields(3).AsString();
    }
    Query.Close();
    return true;
}

QString FormatFunctionSignature(const FncArgArray &Args, int SignatureKind, const QString &DefaultSchema)
{
    QString result;
    bool orderStarted = false;
    for (const TFuncArgument &arg : Args) {
        if (arg.blnOrder) {
            result += orderStarted ? QStringLiteral(",") : QStringLiteral(" ORDER BY ");
            orderStarted = true;
            result += QuoteIdentifier(arg.strTypeNaOri);
            continue;
        }
        QString type = QuoteIdentifier(arg.strTypeNaOri);
        if (arg.strSchema != QLatin1String("pg_catalog") && arg.strSchema != DefaultSchema)
            type = QuoteIdentifier(arg.strSchema) + QLatin1Char('.') + type;

        bool listed = false;
        const QString &m = arg.strMode;
        if (m == QLatin1String("i"))
            listed = SignatureKind == 0 || SignatureKind == 5 || SignatureKind == 6;
        else if (m == QLatin1String("o"))
            listed = SignatureKind == 1 || SignatureKind == 6;
        else if (m == QLatin1String("b"))
            listed = SignatureKind == 2 || SignatureKind == 5 || SignatureKind == 6;
        else if (m == QLatin1String("v"))
            listed = SignatureKind == 3 || SignatureKind == 5 || SignatureKind == 6;
        else if (m == QLatin1String("t"))
            listed = SignatureKind == 4 || SignatureKind == 5 || SignatureKind == 6;
        if (!listed)
            continue;
        if (!result.isEmpty())
            result += QLatin1Char(',');
        result += type;
    }
    return result;
}
