#include "shell/ObjectListSQL.h"

#include "common/CatalogSQL.h"
#include "common/ObjectType.h"
#include "common/Quote.h"

#include <QStringList>

namespace {

// Argument types and modes of a routine, one per line (CR LF between them).
const QString ArgTypes = QStringLiteral("CASE WHEN Prc.proallargtypes IS NULL"
                                        " THEN array_to_string(Prc.proargtypes, '\r\n')"
                                        " ELSE array_to_string(Prc.proallargtypes, '\r\n') END");
const QString ArgModes = QStringLiteral("CASE WHEN Prc.proargmodes IS NULL THEN ''"
                                        " ELSE array_to_string(Prc.proargmodes, '\r\n') END");

QString Lit(const QString &kind)
{
    return QLatin1Char('\'') + kind + QLatin1Char('\'');
}

QString Select(const QStringList &fields)
{
    return QStringLiteral("SELECT ") + fields.join(QStringLiteral(", "));
}

// The database's default tablespace, for relations in none of their own.
QString DefaultTablespace(const QString &spcColumn, const QString &alias, const QString &dbName)
{
    return QStringLiteral("COALESCE(%1, (SELECT TblSpe.spcname FROM pg_database D LEFT JOIN pg_tablespace TblSpe"
                          " ON D.dattablespace = TblSpe.oid WHERE D.datname = ")
               .arg(spcColumn) +
           QuoteLiteral(dbName) + QStringLiteral("))  AS ") + alias;
}

QString Mark(const QString &column)
{
    return QStringLiteral("CASE %1 WHEN 'TRUE' THEN '○' ELSE '－' END").arg(column);
}

// The 16 fields of a part of the mixed statement.
QString Mixed(const QString &kind, const QString &name, const QString &schema, const QString &oid,
              const QString &table, const QString &args, const QString &ret, const QString &comment,
              const QString &oid2, const QString &typtype, const QString &objTable, const QString &modes)
{
    return Select({Lit(kind), name, schema, Lit(kind), oid, table, args, ret, QStringLiteral("TblRol.rolname"),
                   comment, oid2, typtype, QStringLiteral("NULL"), objTable, modes, typtype});
}

const QString Null = QStringLiteral("NULL");

struct KindSQL {
    int code = -1;
    QString schemaColumn;
    QString nameColumn;
    QString select; // empty: no list for this kind
    QString commentJoin; // the join that the comment column reads
};

// The comment of an object: a join to pg_description, not obj_description()
// per row (a function call per row costs more than the rest of the listing
// on a catalog of tens of thousands of objects).
QString Comment(KindSQL &k, const QString &oidColumn, const char *catalog)
{
    k.commentJoin = QStringLiteral(" LEFT JOIN pg_description AS ObjCom ON ObjCom.objoid = %1"
                                   " AND ObjCom.classoid = 'pg_catalog.%2'::regclass AND ObjCom.objsubid = 0")
                        .arg(oidColumn, QLatin1String(catalog));
    return QStringLiteral("ObjCom.description");
}

KindSQL Kind(const QString &kind, const TObjectListQuery &q, bool mixed)
{
    KindSQL k;
    k.code = ObjectTypeFromName(kind);
    const bool detail = q.TreeData;
    switch (k.code) {
    case 45: // table
    case 47: // view
    case 61: // materialized view
        k.schemaColumn = QStringLiteral("TblNsp.nspname");
        k.nameColumn = QStringLiteral("TblInf.relname");
        if (mixed)
            k.select = Mixed(kind, k.nameColumn, k.schemaColumn, QStringLiteral("TblInf.oid"), Null, Null, Null,
                             Comment(k, QStringLiteral("TblInf.oid"), "pg_class"), QStringLiteral("0"), Null, Null,
                             Null);
        else if (detail && k.code == 45)
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("TblInf.oid"),
                               DefaultTablespace(QStringLiteral("TblSpe.spcname"), QStringLiteral("TBS_NAME"), q.DBName),
                               QStringLiteral("CAST(TblInf.relpages AS NUMERIC) * CAST(8192 AS NUMERIC)"),
                               Mark(QStringLiteral("TblInf.relhasindex")), Mark(QStringLiteral("TblInf.relhastriggers")),
                               Mark(QStringLiteral("TblInf.relhasrules")), Mark(QStringLiteral("TblInf.relhassubclass")),
                               QStringLiteral("TblRol.rolname"), Comment(k, QStringLiteral("TblInf.oid"), "pg_class")});
        else if (detail)
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("TblInf.oid"),
                               QStringLiteral("TblRol.rolname"), Comment(k, QStringLiteral("TblInf.oid"), "pg_class")});
        else
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("TblRol.rolname"),
                               Comment(k, QStringLiteral("TblInf.oid"), "pg_class")});
        break;
    case 46: // index
        k.schemaColumn = QStringLiteral("N.nspname");
        k.nameColumn = QStringLiteral("C.relname");
        if (mixed)
            k.select = Mixed(kind, k.nameColumn, k.schemaColumn, QStringLiteral("C.oid"), Null, Null, Null,
                             Comment(k, QStringLiteral("C.oid"), "pg_class"), QStringLiteral("0"), Null, Null, Null);
        else if (detail)
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("C.oid"),
                               DefaultTablespace(QStringLiteral("T.spcname"), QStringLiteral("tblsp_name"), q.DBName),
                               QStringLiteral("CAST(C.relpages AS NUMERIC) * CAST(8192 AS NUMERIC)"),
                               QStringLiteral("C2.relname"), QStringLiteral("N2.nspname"), QStringLiteral("TblRol.rolname"),
                               QStringLiteral("D.description")});
        else
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("TblRol.rolname"),
                               QStringLiteral("D.description")});
        break;
    case 58: // sequence
        k.schemaColumn = QStringLiteral("N.nspname");
        k.nameColumn = QStringLiteral("C.relname");
        if (mixed)
            k.select = Mixed(kind, k.nameColumn, k.schemaColumn, QStringLiteral("C.oid"), Null, Null, Null,
                             Comment(k, QStringLiteral("C.oid"), "pg_class"), QStringLiteral("0"), Null, Null, Null);
        else if (detail)
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("C.oid"),
                               QStringLiteral("''"), QStringLiteral("''"), QStringLiteral("''"), QStringLiteral("''"),
                               QStringLiteral("''"), QStringLiteral("''"), QStringLiteral("TblRol.rolname"),
                               Comment(k, QStringLiteral("C.oid"), "pg_class")});
        else
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("TblRol.rolname"),
                               Comment(k, QStringLiteral("C.oid"), "pg_class")});
        break;
    case 51: // procedure
    case 52: // function
    case 128: // aggregate
        k.schemaColumn = QStringLiteral("Nms.nspname");
        k.nameColumn = QStringLiteral("Prc.proname");
        if (mixed) {
            k.select = Mixed(kind, k.nameColumn, k.schemaColumn, QStringLiteral("Prc.oid"), Null, ArgTypes,
                             QStringLiteral("Typ.typname"), Comment(k, QStringLiteral("Prc.oid"), "pg_proc"),
                             QStringLiteral("Prc.oid"), Null, Null, ArgModes);
        } else {
            QStringList f{Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind)};
            if (detail)
                f << QStringLiteral("Prc.oid");
            f << ArgTypes << QStringLiteral("Typ.typname") << QStringLiteral("TblRol.rolname")
              << Comment(k, QStringLiteral("Prc.oid"), "pg_proc");
            if (!detail)
                f << Null;
            f << Null << QStringLiteral("Prc.oid") << Null << Null << Null << ArgModes;
            k.select = Select(f);
        }
        break;
    case 53: // package
        k.schemaColumn = QStringLiteral("Nms.nspname");
        k.nameColumn = QStringLiteral("pac.pkgname");
        if (mixed)
            k.select = Mixed(kind, k.nameColumn, k.schemaColumn, QStringLiteral("pac.oid::int8"), Null, Null, Null,
                             Comment(k, QStringLiteral("pac.oid"), "pg_namespace"), QStringLiteral("pac.oid::int8"),
                             Null, Null, Null);
        else if (detail)
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("pac.oid::int8"),
                               QStringLiteral("TblRol.rolname"), Comment(k, QStringLiteral("pac.oid"), "pg_namespace")});
        else
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("TblRol.rolname"),
                               Comment(k, QStringLiteral("pac.oid"), "pg_namespace")});
        break;
    case 55: // type
        k.schemaColumn = QStringLiteral("N.nspname");
        k.nameColumn = QStringLiteral("T.typname");
        if (mixed)
            // As text: the NULLs of the parts before it have become text by then.
            k.select = Mixed(kind, k.nameColumn, k.schemaColumn, QStringLiteral("T.oid"), Null, Null, Null,
                             Comment(k, QStringLiteral("T.oid"), "pg_type"), QStringLiteral("T.oid"),
                             QStringLiteral("T.typtype::text"), Null, Null);
        else if (detail)
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("T.oid"),
                               QStringLiteral("T.typtype"), QStringLiteral("TblRol.rolname"),
                               Comment(k, QStringLiteral("T.oid"), "pg_type"), Null, Null, QStringLiteral("T.oid"),
                               Null, Null, Null, Null, QStringLiteral("T.typtype")});
        else
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("TblRol.rolname"),
                               Comment(k, QStringLiteral("T.oid"), "pg_type"), Null, Null, Null, Null,
                               QStringLiteral("T.oid"), Null, Null, Null, Null, QStringLiteral("T.typtype")});
        break;
    case 57: // trigger
        k.schemaColumn = QStringLiteral("Nms.nspname");
        k.nameColumn = QStringLiteral("TrgInf.tgname");
        if (mixed)
            k.select = Mixed(kind, k.nameColumn, k.schemaColumn, QStringLiteral("TrgInf.oid"),
                             QStringLiteral("TblInf.relname"), Null, Null,
                             Comment(k, QStringLiteral("TrgInf.oid"), "pg_trigger"), QStringLiteral("0"), Null,
                             QStringLiteral("TblInf.relname"), Null);
        else if (detail)
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("TrgInf.oid"),
                               QStringLiteral("TblInf.relname"), QStringLiteral("Nms.nspname"),
                               QStringLiteral("pg_get_triggerdef(TrgInf.oid, True)"),
                               QStringLiteral("pg_get_triggerdef(TrgInf.oid, True)"), QStringLiteral("FncNms.nspname"),
                               QStringLiteral("FncInf.proname"), QStringLiteral("TblRol.rolname"),
                               QStringLiteral("TrgCom.description"), QStringLiteral("TblInf.relname")});
        else
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("TblInf.relname"),
                               QStringLiteral("TblRol.rolname"), QStringLiteral("TrgCom.description"), Null, Null, Null,
                               Null, Null, Null, QStringLiteral("TblInf.relname")});
        break;
    case 127: { // rule
        k.schemaColumn = QStringLiteral("ns.nspname");
        k.nameColumn = QStringLiteral("r.rulename");
        if (mixed) {
            k.select = Mixed(kind, k.nameColumn, k.schemaColumn, QStringLiteral("r.oid"), QStringLiteral("c.relname"),
                             Null, Null, Comment(k, QStringLiteral("r.oid"), "pg_rewrite"), QStringLiteral("0"),
                             Null, QStringLiteral("c.relname"), Null);
        } else if (detail) {
            k.select = Select(
                {Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("r.oid"), QStringLiteral("c.relname"),
                 QStringLiteral("ns.nspname"),
                 QStringLiteral("CASE ev_type WHEN '1' THEN 'SELECT' WHEN '2' THEN 'UPDATE' WHEN '3' THEN 'INSERT'"
                                " WHEN '4' THEN 'DELETE' ELSE '(Unknown)' END"),
                 QStringLiteral("CASE is_instead WHEN true THEN 'INSTEAD' ELSE 'ALSO' END"),
                 QStringLiteral("CASE ev_enabled WHEN 'O' THEN 'Origin' WHEN 'D' THEN 'Disable' WHEN 'R' THEN 'Replica'"
                                " WHEN 'A' THEN 'Always' ELSE '(Unknown)' END"),
                 QStringLiteral("TblRol.rolname"), QStringLiteral("cm.description"), Null, QStringLiteral("c.relname")});
        } else {
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("c.relname"),
                               QStringLiteral("TblRol.rolname"), QStringLiteral("cm.description"), Null, Null, Null,
                               Null, Null, Null, QStringLiteral("c.relname")});
        }
        break;
    }
    case 60: // synonym
        k.schemaColumn = QStringLiteral("Nms.nspname");
        k.nameColumn = QStringLiteral("Syn.synname");
        if (mixed)
            k.select = Mixed(kind, k.nameColumn, k.schemaColumn, QStringLiteral("Syn.oid"),
                             QStringLiteral("Syn.synobjname"), Null, Null, Comment(k, QStringLiteral("Syn.oid"), "pg_class"),
                             QStringLiteral("0"), Null, Null, Null);
        else if (detail)
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("Syn.oid"),
                               QStringLiteral("Syn.synobjname"), QStringLiteral("Syn.synobjschema"),
                               QStringLiteral("Syn.synlink"), QStringLiteral("TblRol.rolname"),
                               Comment(k, QStringLiteral("Syn.oid"), "pg_class")});
        else
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("Syn.synobjname"),
                               QStringLiteral("TblRol.rolname"), Comment(k, QStringLiteral("Syn.oid"), "pg_class")});
        break;
    case 66: // constraint
        k.schemaColumn = QStringLiteral("ConNsp.nspname");
        k.nameColumn = QStringLiteral("ConInf.conname");
        if (mixed)
            k.select = Mixed(kind, k.nameColumn, k.schemaColumn, QStringLiteral("ConInf.oid"),
                             QStringLiteral("TblInf.relname"), Null, Null,
                             Comment(k, QStringLiteral("ConInf.oid"), "pg_constraint"), QStringLiteral("0"), Null,
                             QStringLiteral("TblInf.relname"), Null);
        else if (detail)
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("ConInf.oid"),
                               QStringLiteral("UPPER(ConInf.contype)"), QStringLiteral("TblInf.relname"),
                               QStringLiteral("TblNsp.nspname"), QStringLiteral("TblRol.rolname"),
                               Comment(k, QStringLiteral("ConInf.oid"), "pg_constraint"), Null, Null, Null,
                               QStringLiteral("TblInf.relname"),
                               Comment(k, QStringLiteral("ConInf.oid"), "pg_constraint")});
        else
            k.select = Select({Lit(kind), k.nameColumn, k.schemaColumn, Lit(kind), QStringLiteral("UPPER(ConInf.contype)"),
                               QStringLiteral("TblInf.relname"), QStringLiteral("TblRol.rolname"),
                               Comment(k, QStringLiteral("ConInf.oid"), "pg_constraint"), Null, Null, Null, Null,
                               Null, QStringLiteral("TblInf.relname")});
        break;
    default:
        k.code = -1;
        break;
    }
    return k;
}

QString KindStatement(const QString &kind, const TObjectListQuery &q, bool mixed)
{
    const KindSQL k = Kind(kind, q, mixed);
    if (k.code < 0 || k.select.isEmpty())
        return QString();
    QString from, where;
    BuildObjectFromWhere(k.code, from, where, q.IsEdb, q.DBVer);
    from += k.commentJoin;
    const bool hasBase = !where.trimmed().isEmpty();
    QString text = hasBase ? where + QStringLiteral(" AND   ") : QStringLiteral(" WHERE ");
    if (k.code == 57) {
        // Triggers of tables and views, by the schema of either.
        text += QStringLiteral("( ") + QStringLiteral("            TblShe.schemaname ") + q.SchemaCondition +
                QStringLiteral(" ") + QStringLiteral("        OR  VieShe.schemaname ") + q.SchemaCondition +
                QStringLiteral(" ") + QStringLiteral("      )");
    } else {
        text += k.schemaColumn + QLatin1Char(' ') + q.SchemaCondition;
    }
    text += QStringLiteral(" AND   ") + k.nameColumn + QStringLiteral(" LIKE ") + QuoteLiteral(q.NamePattern);
    return k.select + from + QLatin1Char(' ') + text;
}

} // namespace

QString BuildObjectListSQL(const QString &TypeText, const TObjectListQuery &Query)
{
    if (TypeText != QLatin1String("%"))
        return KindStatement(TypeText, Query, false);
    const bool proc = Query.IsEdb || Query.DBVer > 109999;
    const struct {
        const char *kind;
        bool shown;
    } parts[] = {
        {"TABLE", true},          {"INDEX", true},     {"VIEW", true},          {"FUNCTION", true},
        {"PROCEDURE", proc},      {"PACKAGE", Query.IsEdb}, {"TYPE", true},     {"TRIGGER", true},
        {"RULE", true},           {"SEQUENCE", true},  {"SYNONYM", Query.IsEdb}, {"CONSTRAINT", true},
        {"MATERIALIZED VIEW", Query.DBVer > 90299},    {"AGGREGATE", Query.DBVer > 90399},
    };
    QStringList lines;
    for (const auto &p : parts) {
        if (!p.shown)
            continue;
        if (!lines.isEmpty())
            lines << QStringLiteral("UNION ALL");
        lines << KindStatement(QString::fromLatin1(p.kind), Query, true);
    }
    return lines.join(QLatin1Char('\n'));
}
