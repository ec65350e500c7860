#include "shell/DefinitionLookup.h"

#include "common/CatalogSQL.h"

#include <QStringList>

namespace {

struct TLookupKind {
    const char *ObjTyp;
    int ObjNo;
    int Code;
    bool UsesEdbFlag;
    const char *SchemaNm;
    const char *ObjNm;
    const char *OID;
    const char *TblNm;
    const char *NameColumn;
    const char *OwnerCondition; // with :OWNER
    int Needs;                  // 0 always, 1 above 90299, 2 above 90399, 3 EnterpriseDB
};

const TLookupKind Kinds[] = {
    {"TABLE", 1, 45, false, "TblNsp.nspname", "TblInf.relname", "0", "TblInf.relname", "TblInf.relname",
     "TblNsp.nspname = :OWNER", 0},
    {"VIEW", 2, 47, false, "TblNsp.nspname", "TblInf.relname", "0", "TblInf.relname", "TblInf.relname",
     "TblNsp.nspname = :OWNER", 0},
    {"INDEX", 3, 46, false, "N.nspname", "C.relname", "0", "''", "C.relname", "N.nspname = :OWNER", 0},
    {"FUNCTION", 4, 52, true, "Nms.nspname", "Prc.proname", "Prc.oid", "''", "Prc.proname",
     "Nms.nspname = :OWNER", 0},
    {"TYPE", 5, 55, false, "N.nspname", "T.typname", "0", "''", "T.typname", "N.nspname = :OWNER", 0},
    {"TRIGGER", 6, 57, false, "COALESCE(TblShe.schemaname, VieShe.schemaname)", "TrgInf.tgname", "0",
     "COALESCE(TblShe.tablename, VieShe.viewname)", "TrgInf.tgname",
     "(TblShe.schemaname = :OWNER OR VieShe.schemaname = :OWNER)", 0},
    {"SEQUENCE", 7, 58, false, "N.nspname", "C.relname", "0", "''", "C.relname", "N.nspname = :OWNER", 0},
    {"CONSTRAINT", 8, 66, false, "ConNsp.nspname", "ConInf.conname", "0", "TblInf.relname", "ConInf.conname",
     "ConNsp.nspname = :OWNER", 0},
    {"RULE", 9, 127, false, "ns.nspname", "r.rulename", "0", "c.relname", "r.rulename", "ns.nspname = :OWNER",
     0},
    {"MATERIALIZED VIEW", 10, 61, false, "TblNsp.nspname", "TblInf.relname", "0", "TblInf.relname",
     "TblInf.relname", "TblNsp.nspname = :OWNER", 1},
    {"AGGREGATE", 11, 128, false, "Nms.nspname", "Prc.proname", "Prc.oid", "''", "Prc.proname",
     "Nms.nspname = :OWNER", 2},
    {"PROCEDURE", 12, 51, true, "Nms.nspname", "Prc.proname", "Prc.oid", "''", "Prc.proname",
     "Nms.nspname = :OWNER", 3},
    {"PACKAGE", 13, 53, true, "Nms.nspname", "pac.pkgname", "pac.oid", "''", "pac.pkgname",
     "Nms.nspname = :OWNER", 3},
    {"SYNONYM", 14, 60, false, "nms.nspname", "syn.synname", "0", "''", "syn.synname", "nms.nspname = :OWNER",
     3},
};

} // namespace

QString DefinitionLookupSQL(bool isEdb, int serverVersion, bool withRoles)
{
    QStringList parts;
    for (const TLookupKind &k : Kinds) {
        const bool included = k.Needs == 0 || (k.Needs == 1 && serverVersion > 90299) ||
                              (k.Needs == 2 && serverVersion > 90399) || (k.Needs == 3 && isEdb);
        if (!included)
            continue;
        QString from, where;
        BuildObjectFromWhere(k.Code, from, where, k.UsesEdbFlag && isEdb, serverVersion);
        // The oid column is bigint in every branch so the branches unite
        // whatever kind comes first.
        QString sql = QStringLiteral("SELECT %1 AS SchemaNm, '%2' AS ObjTyp, %3 AS ObjNo, %4 AS ObjNm, "
                                     "CAST(%5 AS bigint) AS OID, CAST(%6 AS text) AS TblNm\n")
                          .arg(QString::fromLatin1(k.SchemaNm), QString::fromLatin1(k.ObjTyp))
                          .arg(k.ObjNo)
                          .arg(QString::fromLatin1(k.ObjNm), QString::fromLatin1(k.OID),
                               QString::fromLatin1(k.TblNm));
        sql += from + QLatin1Char('\n');
        if (!where.trimmed().isEmpty())
            sql += where + QStringLiteral("\nAND ");
        else
            sql += QStringLiteral("WHERE ");
        sql += QString::fromLatin1(k.NameColumn) + QStringLiteral(" = :OBJNM AND ") +
               QString::fromLatin1(k.OwnerCondition);
        parts.append(sql);
    }
    if (withRoles) {
        // Roles live outside schemas: the name alone finds them, as a user
        // when it can log in.
        parts.append(QStringLiteral("SELECT CAST('' AS name) AS SchemaNm, "
                                    "CASE WHEN rolcanlogin THEN 'USER' ELSE 'ROLE' END AS ObjTyp, 15 AS ObjNo, "
                                    "rolname AS ObjNm, CAST(0 AS bigint) AS OID, CAST('' AS text) AS TblNm\n"
                                    "FROM pg_roles\nWHERE rolname = :OBJNM"));
    }
    return parts.join(QStringLiteral("\nUNION ALL\n"));
}

void SplitObjectSelection(const QString &selection, const QString &defaultSchema, QString &schema, QString &name)
{
    const qsizetype dot = selection.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        schema = defaultSchema;
        name = selection;
    } else {
        schema = selection.left(dot);
        name = selection.mid(dot + 1);
    }
}
