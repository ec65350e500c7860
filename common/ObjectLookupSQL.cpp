#include "common/ObjectLookupSQL.h"

#include "common/CatalogSQL.h"

namespace {

struct ObjectKind {
    const char *nameColumn;
    bool distinct;
    int code;
    const char *schemaColumn; // nullptr: the trigger's table-or-view condition
    const char *nameParam;
};

// Kinds 0 to 15; kind 2 (schema) is a fixed query.
const ObjectKind kKinds[16] = {
    {"TblInf.relname", false, 45, "TblNsp.nspname", ":TBLNM"},
    {"TblInf.relname", false, 47, "TblNsp.nspname", ":VIWNM"},
    {nullptr, false, 0, nullptr, ":SCHNM"},
    {"C.relname", false, 46, "N.nspname", ":IDXNM"},
    {"Prc.proname", true, 52, "Nms.nspname", ":FNCNM"},
    {"T.typname", false, 55, "N.nspname", ":TYPNM"},
    {"TrgInf.tgname", true, 57, nullptr, ":TRGNM"},
    {"C.relname", false, 58, "N.nspname", ":SEQNM"},
    {"ConInf.conname", false, 66, "ConNsp.nspname", ":CONNM"},
    {"r.rulename", true, 127, "ns.nspname", ":RULENM"},
    {"TblInf.relname", false, 61, "TblNsp.nspname", ":MVIWNM"},
    {"Prc.proname", true, 128, "Nms.nspname", ":AGRGNM"},
    {"Prc.proname", true, 51, "Nms.nspname", ":FNCNM"},
    {"pac.pkgname", true, 53, "Nms.nspname", ":FNCNM"},
    {"Syn.synname", true, 60, "Nms.nspname", ":SYNNM"},
    {"Lnk.lnkname", true, 64, "Nsp.nspname", ":SYNNM"},
};

void add(QString &Text, const QString &Piece)
{
    Text += QLatin1Char(' ');
    Text += Piece;
}

QString selectHead(const ObjectKind &k)
{
    return QStringLiteral("SELECT") + (k.distinct ? QStringLiteral(" DISTINCT ") : QStringLiteral(" "))
           + QLatin1String(k.nameColumn);
}

QString schemaCondition(const ObjectKind &k)
{
    if (!k.schemaColumn)
        return QStringLiteral("(TblShe.schemaname = :OWNER OR VieShe.schemaname = :OWNER)");
    return QLatin1String(k.schemaColumn) + QStringLiteral(" = :OWNER");
}

// The fragments of the kind's code, then its schema condition (WHERE or AND
// depending on whether the fragment has conditions of its own).
void addFromWhere(QString &Text, const ObjectKind &k, bool Flag, int ServerVersion)
{
    QString from, where;
    BuildObjectFromWhere(k.code, from, where, Flag, ServerVersion);
    add(Text, from);
    add(Text, where);
    add(Text, (where.isEmpty() ? QStringLiteral("WHERE ") : QStringLiteral("AND ")) + schemaCondition(k));
}

bool edbFlag(int Code, bool IsEdb, bool InSchemaList)
{
    return (Code == 51 || Code == 52 || Code == 53 || (InSchemaList && Code == 64)) && IsEdb;
}

QString existence(int Kind, bool IsEdb, int ServerVersion)
{
    if (Kind == 2)
        return QStringLiteral(" SELECT nspname FROM pg_namespace"
                              " WHERE (NOT(nspname LIKE 'pg\\_%') OR nspname = 'pg_catalog')"
                              " AND nspname = :SCHNM");
    if (Kind >= 12 && !IsEdb)
        return QString();
    const ObjectKind &k = kKinds[Kind];
    QString text;
    add(text, selectHead(k));
    addFromWhere(text, k, edbFlag(k.code, IsEdb, false), ServerVersion);
    add(text, QStringLiteral("AND ") + QLatin1String(k.nameColumn) + QStringLiteral(" = ")
                  + QLatin1String(k.nameParam));
    return text;
}

QString schemaObjects(bool IsEdb, int ServerVersion)
{
    struct Branch {
        const char *typeWord;
        int objNo;
        int kind; // row of kKinds
        bool present;
    };
    const Branch branches[] = {
        {"TABLE", 1, 0, true},
        {"VIEW", 2, 1, true},
        {"INDEX", 3, 3, true},
        {"FUNCTION", 4, 4, true},
        {"PROCEDURE", 4, 12, IsEdb},
        {"PACKAGE", 4, 13, IsEdb},
        {"TYPE", 5, 5, true},
        {"TRIGGER", 6, 6, true},
        {"SEQUENCE", 7, 7, true},
        {"CONSTRAINT", 8, 8, true},
        {"RULE", 9, 9, true},
        {"MATERIALIZED VIEW", 10, 10, ServerVersion >= 90300},
        {"AGGREGATE", 11, 11, ServerVersion >= 90400},
        {"SYNONYM", 14, 14, IsEdb},
        {"DBLINK", 15, 15, IsEdb},
    };
    QString text;
    bool first = true;
    for (const Branch &b : branches) {
        if (!b.present)
            continue;
        if (!first)
            add(text, QStringLiteral("UNION ALL"));
        first = false;
        const ObjectKind &k = kKinds[b.kind];
        add(text, selectHead(k) + QStringLiteral(" AS ObjNm"));
        text += QStringLiteral(", '") + QLatin1String(b.typeWord) + QStringLiteral("' AS ObjTyp");
        text += QStringLiteral(", ") + QString::number(b.objNo) + QStringLiteral(" AS ObjNo");
        addFromWhere(text, k, edbFlag(k.code, IsEdb, true), ServerVersion);
    }
    add(text, QStringLiteral("ORDER BY ObjNo, ObjNm"));
    return text;
}

QString tableColumns(int ServerVersion)
{
    const QString kinds = ServerVersion >= 100000 ? QStringLiteral("(Cls.relkind = 'r' OR Cls.relkind = 'v' OR Cls.relkind = 'p')")
                                                  : QStringLiteral("(Cls.relkind = 'r' OR Cls.relkind = 'v')");
    QString text = QStringLiteral(
        " SELECT Col.column_name, Typ.typname, Col.character_maximum_length, Col.numeric_precision,"
        " Col.numeric_scale, Col.column_default, Dsc.description, Att.attnum AS ORDNO"
        " FROM information_schema.columns AS Col"
        " LEFT JOIN pg_namespace AS Nms ON Col.table_schema = Nms.nspname"
        " LEFT JOIN pg_class AS Cls ON Col.table_name = Cls.relname AND Nms.oid = Cls.relnamespace"
        " LEFT JOIN pg_description AS Dsc ON Cls.oid = Dsc.objoid AND Col.ordinal_position = Dsc.objsubid"
        " LEFT JOIN pg_attribute AS Att ON Cls.oid = Att.attrelid AND Col.column_name = Att.attname"
        " LEFT JOIN pg_type AS Typ ON Att.atttypid = Typ.oid"
        " WHERE ") + kinds + QStringLiteral(
        " AND Col.table_schema = :OWNER"
        " AND Col.table_name = :TBLNM"
        " AND Att.attnum > 0"
        " AND Att.attisdropped = False");
    if (ServerVersion >= 90300)
        text += QStringLiteral(
            " UNION ALL"
            " SELECT Att2.attname, format_type(Att2.atttypid, null), 0, 0, 0, NULL, '', Att2.attnum AS ORDNO"
            " FROM pg_class AS Cls2"
            " LEFT JOIN pg_namespace AS Nms2 ON Cls2.relnamespace = Nms2.oid"
            " LEFT JOIN pg_attribute AS Att2 ON Cls2.oid = Att2.attrelid"
            " LEFT JOIN pg_description AS Dsc2 ON Cls2.oid = Dsc2.objoid AND Att2.attnum = Dsc2.objsubid"
            " WHERE Cls2.relkind = 'm'"
            " AND Nms2.nspname = :OWNER"
            " AND Cls2.relname = :TBLNM"
            " AND Att2.attnum > 0"
            " AND Att2.attisdropped = False");
    text += QStringLiteral(" ORDER BY ORDNO");
    return text;
}

QString primaryKeyColumns()
{
    return QStringLiteral(" SELECT Att.attname"
                          " FROM pg_constraint AS Con"
                          " LEFT JOIN pg_namespace AS Nms ON Con.connamespace = Nms.oid"
                          " LEFT JOIN pg_class AS Cls ON Con.conindid = Cls.oid"
                          " LEFT JOIN pg_attribute AS Att ON Cls.oid = Att.attrelid"
                          " LEFT JOIN pg_class AS Cls2 ON Con.conrelid = Cls2.oid"
                          " WHERE Con.contype = 'p'"
                          " AND Att.attnum > 0"
                          " AND Nms.nspname = :OWNER"
                          " AND Cls2.relname = :TBLNM"
                          " ORDER BY Cls2.relname, Att.attnum");
}

} // namespace

QString BuildObjectLookupSQL(int Kind, bool IsEdb, int ServerVersion)
{
    if (Kind >= 0 && Kind <= 15)
        return existence(Kind, IsEdb, ServerVersion);
    switch (Kind) {
    case 16: return schemaObjects(IsEdb, ServerVersion);
    case 17: return tableColumns(ServerVersion);
    case 18: return primaryKeyColumns();
    default: return QString();
    }
}
