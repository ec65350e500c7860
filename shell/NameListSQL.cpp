#include "shell/NameListSQL.h"

#include "common/CatalogSQL.h"
#include "common/ObjectType.h"
#include "common/Quote.h"

QString UserListSQL()
{
    return QStringLiteral("SELECT rolname FROM pg_roles WHERE rolcanlogin = True ORDER BY 1");
}

QString RoleListSQL()
{
    return QStringLiteral("SELECT rolname FROM pg_roles WHERE rolcanlogin = False ORDER BY 1");
}

QString TablespaceListSQL()
{
    return QStringLiteral("SELECT spcname FROM pg_tablespace ORDER BY 1");
}

QString DBLinkListSQL()
{
    return QStringLiteral("select lnkname from edb_dblink order by 1");
}

QString ObjectNameListSQL(const QString &ObjectType, int DBVer, bool IsEdb)
{
    const int code = ObjectTypeFromName(ObjectType);
    int fragment = code;
    QString column, schema;
    switch (code) {
    case 45: case 47: case 61:
        column = QStringLiteral("TblInf.relname");
        schema = QStringLiteral("TblNsp");
        break;
    case 51: case 52: case 128:
        column = QStringLiteral("Prc.proname");
        schema = QStringLiteral("Nms");
        break;
    case 54: // package bodies: every package
        fragment = 53;
        column = QStringLiteral("pac.pkgname");
        schema = QStringLiteral("Nms");
        break;
    case 55:
        column = QStringLiteral("t.typname");
        schema = QStringLiteral("n");
        break;
    case 58:
        column = QStringLiteral("c.relname");
        schema = QStringLiteral("n");
        break;
    case 60:
        column = QStringLiteral("Syn.synname");
        schema = QStringLiteral("Nms");
        break;
    case 64: // the database-link fragment names its namespace Nsp
        column = QStringLiteral("Lnk.lnkname");
        schema = QStringLiteral("Nsp");
        break;
    default:
        return QString();
    }
    QString from, where;
    BuildObjectFromWhere(fragment, from, where, (code == 51 || code == 52) && IsEdb, DBVer);
    where = where.trimmed();
    if (where.isEmpty())
        where = QStringLiteral("WHERE ") + schema + QStringLiteral(".nspname = :SCHEMA");
    else
        where += QStringLiteral(" AND   ") + schema + QStringLiteral(".nspname = :SCHEMA");
    return QStringLiteral("SELECT  ") + column + QLatin1Char(' ') + from.trimmed() + QLatin1Char(' ') + where +
           QStringLiteral(" ORDER BY      ") + column;
}

namespace {

// Columns of one branch of the type list.
QString TypeBranch(int ordNo1)
{
    return QStringLiteral("   SELECT  Typ.OID, Typ.typname, Typ.typtype, Typ.typcategory, Typ.typelem, Typ.typarray,"
                          " %1 AS OrdNo1, CASE WHEN Typ.typarray = 0 THEN 1 ELSE 0 END AS OrdNo2, Nms.nspname"
                          "   FROM pg_type AS Typ LEFT JOIN pg_namespace AS Nms ON Typ.typnamespace = Nms.oid")
        .arg(ordNo1);
}

} // namespace

QString DataTypeListSQL()
{
    const QString userTypes = QStringLiteral(
        "SELECT UTyp.typname FROM pg_type AS UTyp LEFT JOIN pg_class AS UCls ON UTyp.typrelid = UCls.oid"
        " WHERE UCls.relkind = 'c' OR UTyp.typtype = 'e' OR UTyp.typtype = 'r' OR UTyp.typtype = 'p'"
        " OR (UTyp.typtype = 'b' AND UTyp.typcategory NOT IN ('A','B','C','D','E','G','I','N','P','R','S','T','V','X'))");
    const QString part0 = TypeBranch(0) + QStringLiteral(
        "   WHERE Nms.nspname = 'pg_catalog' AND Typ.typtype <> 'd' AND Typ.typname NOT LIKE 'pg\\_%'"
        "   AND Typ.typname NOT IN (SELECT relname FROM pg_class WHERE relkind IN ('r', 'f', 't'))"
        "   AND Typ.typname NOT IN (SELECT relname FROM pg_class WHERE relkind IN ('v'))"
        "   AND Typ.typname NOT IN (SELECT relname FROM pg_class WHERE relkind IN ('S'))");
    const QString part1 = TypeBranch(1) + QStringLiteral(
        "   WHERE Nms.nspname <> 'pg_catalog' AND Typ.typtype <> 'd' AND Typ.typname NOT LIKE 'pg\\_%'"
        "   AND (Typ.typname IN (%1) OR substr(Typ.typname, 2) IN (%1))").arg(userTypes);
    const QString part2 = QStringLiteral(
        "   SELECT 'smallserial', 'smallserial', 0, 0, 'pg_catalog'"
        "   UNION ALL SELECT 'serial', 'serial', 0, 0, 'pg_catalog'"
        "   UNION ALL SELECT 'bigserial', 'bigserial', 0, 0, 'pg_catalog'");
    QString part3;
    for (const char *fields : {"YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND", "YEAR TO MONTH", "DAY TO HOUR",
                               "DAY TO MINUTE", "DAY TO SECOND", "HOUR TO MINUTE", "HOUR TO SECOND",
                               "MINUTE TO SECOND"}) {
        const QString f = QString::fromLatin1(fields);
        if (!part3.isEmpty())
            part3 += QStringLiteral("   UNION ALL");
        part3 += QStringLiteral("   SELECT 'interval %1', 'interval %1', 0, 0, 'pg_catalog'"
                                "   UNION ALL SELECT 'interval %1[]', '_interval %1', 0, 1, 'pg_catalog'")
                     .arg(f);
    }
    QStringList q;
    q << QStringLiteral("SELECT CASE")
      << QStringLiteral("  WHEN strpos(TLst.TypNm, '.') > 0 THEN REPLACE(TLst.TypNm, '\"', '')")
      << QStringLiteral("  WHEN TLst.OrdNo1 = 1 THEN REPLACE('\"' || TLst.nspname || '\".' || TLst.TypNm, '\"', '')")
      << QStringLiteral("  ELSE REPLACE(TLst.TypNm, '\"', '') END")
      << QStringLiteral("FROM") << QStringLiteral("(") << QStringLiteral("   SELECT  DISTINCT")
      << QStringLiteral("           format_type(TLst.oid, NULL)   AS TypNm")
      << QStringLiteral(",           TLst.typname                  AS RealNm")
      << QStringLiteral(",           TLst.OrdNo1") << QStringLiteral(",           TLst.OrdNo2")
      << QStringLiteral(",           TLst.nspname") << QStringLiteral("   FROM") << QStringLiteral("   (") << part0
      << QStringLiteral("     UNION ALL") << part1 << QStringLiteral("   ) AS TLst") << QStringLiteral("   UNION ALL")
      << part2 << QStringLiteral("   UNION ALL") << part3 << QStringLiteral(")  AS TLst") << QStringLiteral("ORDER")
      << QStringLiteral("BY     TLst.OrdNo1") << QStringLiteral(",") << QStringLiteral("       TLst.TypNm");
    return q.join(QLatin1Char(' '));
}

QStringList FilterDataTypeNames(const QStringList &names)
{
    static const QStringList pseudo{
        QStringLiteral("any"),         QStringLiteral("anyarray"),         QStringLiteral("anyelement"),
        QStringLiteral("anyenum"),     QStringLiteral("anynonarray"),      QStringLiteral("cstring"),
        QStringLiteral("cstring[]"),   QStringLiteral("internal"),         QStringLiteral("language_handler"),
        QStringLiteral("opaque"),      QStringLiteral("record"),           QStringLiteral("record[]"),
        QStringLiteral("trigger"),     QStringLiteral("void"),
    };
    static const QStringList timed{
        QStringLiteral("time with time zone"),           QStringLiteral("time with time zone[]"),
        QStringLiteral("time without time zone"),        QStringLiteral("time without time zone[]"),
        QStringLiteral("timestamp with time zone"),      QStringLiteral("timestamp with time zone[]"),
        QStringLiteral("timestamp without time zone"),   QStringLiteral("timestamp without time zone[]"),
    };
    QStringList out;
    for (const QString &name : names) {
        if (pseudo.contains(name))
            continue;
        out << (timed.contains(name) ? FormatTypeWithModifier(name, 6) : name);
    }
    return out;
}
