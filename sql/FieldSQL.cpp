#include "sql/FieldSQL.h"

#include "common/Quote.h"

namespace fieldsql {

QString TableListSQL(bool tables, bool views, bool mviews, bool synonyms)
{
    QStringList parts;
    if (tables)
        parts << QStringLiteral("SELECT tablename, 'TABLE' AS TYPE FROM PG_TABLES WHERE schemaname = :SCHEMA");
    if (views)
        parts << QStringLiteral("SELECT viewname, 'VIEW' AS TYPE FROM pg_views WHERE schemaname = :SCHEMA");
    if (mviews)
        parts << QStringLiteral("SELECT TblInf.relname, 'MATERIALIZED VIEW' AS TYPE FROM pg_class TblInf "
                                "LEFT JOIN pg_namespace TblNsp ON TblNsp.oid = TblInf.relnamespace "
                                "WHERE TblInf.relkind IN ('m') AND TblNsp.nspname = :SCHEMA");
    if (synonyms)
        parts << QStringLiteral("SELECT Syn.synname, 'SYNONYM' AS TYPE FROM pg_synonym Syn "
                                "LEFT JOIN pg_namespace Nms ON Nms.oid = Syn.synnamespace "
                                "WHERE Nms.nspname = :SCHEMA");
    return parts.join(QStringLiteral(" UNION "));
}

namespace {

QString RelKinds(int dbVer, bool views)
{
    QString kinds = QStringLiteral("'r'");
    if (views)
        kinds += QStringLiteral(",'v'");
    if (dbVer > 90299)
        kinds += QStringLiteral(",'m'");
    if (dbVer >= 100000)
        kinds += QStringLiteral(",'p'");
    return kinds;
}

} // namespace

QString ColumnSQL(int dbVer)
{
    return QStringLiteral(
               "SELECT A.attname, format_type(T.oid, NULL) AS type_name, A.atttypmod, "
               "CASE T.typname WHEN 'bit' THEN A.atttypmod WHEN 'varbit' THEN A.atttypmod "
               "WHEN 'char' THEN A.atttypmod-4 WHEN 'bpchar' THEN A.atttypmod-4 WHEN 'varchar' THEN A.atttypmod-4 "
               "WHEN 'numeric' THEN A.atttypmod/65536 END AS col_length, "
               "CASE T.typname WHEN 'numeric' THEN (A.atttypmod-4)%65536 ELSE 0 END AS small_length, "
               "D.description "
               "FROM pg_class C "
               "LEFT JOIN pg_namespace N ON C.relnamespace = N.oid "
               "LEFT JOIN pg_attribute A ON C.oid = A.attrelid "
               "LEFT JOIN pg_type T ON A.atttypid = T.oid "
               "LEFT JOIN pg_description D ON A.attrelid = D.objoid AND A.attnum = D.objsubid "
               "WHERE C.relkind IN (") +
           RelKinds(dbVer, true) +
           QStringLiteral(") AND N.nspname = :SCHEMA AND C.relname = :TBLNAME "
                          "AND A.attnum > 0 AND A.attisdropped = False "
                          "ORDER BY A.attnum");
}

QString PrimaryKeySQL()
{
    return QStringLiteral(
        "SELECT pg_get_indexdef(CL.oid, A.attnum, false) AS index_colname FROM pg_constraint C "
        "LEFT JOIN pg_namespace N ON C.connamespace = N.oid LEFT JOIN pg_class CL ON C.conindid = CL.oid "
        "LEFT JOIN pg_attribute A ON CL.oid = A.attrelid LEFT JOIN pg_class CL2 ON C.conrelid = CL2.oid "
        "WHERE C.contype = 'p' AND A.attnum > 0 AND N.nspname = :SCHEMA AND CL2.relname = :TBLNAME "
        "ORDER BY A.attnum");
}

QString SynonymSQL(int dbVer)
{
    return QStringLiteral("SELECT N.nspname, C.relname FROM pg_synonym S "
                          "INNER JOIN pg_namespace SN ON S.synnamespace = SN.oid "
                          "INNER JOIN pg_class C ON S.synobjname = C.relname "
                          "INNER JOIN pg_namespace N ON C.relnamespace = N.oid AND S.synobjschema = N.nspname "
                          "WHERE S.Synlink IS NULL AND C.relkind IN (") +
           RelKinds(dbVer, true) + QStringLiteral(") AND SN.nspname = :SCHEMA AND S.synname = :SYNNAME");
}

QString ColumnListText(const QList<TColumnRef> &columns, const QStringList &tables, const QStringList &aliases)
{
    QStringList parts;
    for (const TColumnRef &c : columns) {
        const qsizetype t = aliases.isEmpty() ? -1 : tables.indexOf(c.table);
        if (t >= 0 && t < aliases.size()) {
            const QString &alias = aliases.at(t);
            parts << (alias.isEmpty() ? QString() : alias + QLatin1Char('.')) + QuoteIdentifier(c.column);
        } else {
            parts << QuoteIdentifier(c.column);
        }
    }
    return parts.join(QLatin1Char(','));
}

QString SelectText(const QList<TColumnRef> &columns, const QStringList &tables, const QStringList &aliases,
                   const QString &prefix)
{
    QStringList from;
    for (qsizetype i = 0; i < tables.size(); ++i) {
        QString entry = prefix + QuoteIdentifier(tables.at(i));
        if (tables.size() > 1)
            entry += QLatin1Char(' ') + aliases.value(i);
        from << entry;
    }
    QString cols = ColumnListText(columns, tables, tables.size() > 1 ? aliases : QStringList());
    if (cols.isEmpty())
        cols = QStringLiteral("*");
    return QStringLiteral("SELECT ") + cols + QStringLiteral(" FROM ") + from.join(QLatin1Char(','));
}

QString InsertText(const QString &table, const QStringList &columns, const QString &prefix)
{
    QStringList quoted;
    for (const QString &c : columns)
        quoted << QuoteIdentifier(c);
    QString cols = quoted.join(QLatin1Char(','));
    if (!cols.isEmpty())
        cols = QStringLiteral(" (") + cols + QLatin1Char(')');
    return QStringLiteral("INSERT INTO ") + prefix + QuoteIdentifier(table) + cols + QStringLiteral(" VALUES()");
}

QString UpdateText(const QString &table, const QStringList &columns, const QString &prefix)
{
    QStringList sets;
    for (const QString &c : columns)
        sets << QuoteIdentifier(c) + QStringLiteral("= ");
    return QStringLiteral("UPDATE ") + prefix + QuoteIdentifier(table) + QStringLiteral(" SET\r\n") +
           sets.join(QStringLiteral(",\r\n"));
}

} // namespace fieldsql
