#include "objects/other/SynonymDefinition.h"

#include "common/CatalogSQL.h"
#include "common/ObjectType.h"
#include "common/Quote.h"

#include <QRegularExpression>

QString SynonymSQL::Synonym()
{
    return QStringLiteral("SELECT Syn.synobjschema, Syn.synobjname, Syn.synlink FROM pg_catalog.pg_synonym AS Syn "
                          "LEFT JOIN pg_namespace AS Nms ON  Syn.synnamespace =  Nms.oid WHERE Nms.nspname = :AOWNER "
                          "AND Syn.synname = :ANAME");
}

QString SynonymSQL::Objects(int DBVer, bool IsEdb)
{
    struct Kind {
        int code;
        const char *oid;
        const char *test;
    };
    const Kind kinds[] = {
        {45, "TblInf.oid", "AND TblNsp.nspname = :SCHEMA AND TblInf.relname = :TBLNAME "},
        {47, "TblInf.oid", "AND TblNsp.nspname = :SCHEMA AND TblInf.relname = :TBLNAME "},
        {58, "C.oid", "AND N.nspname = :SCHEMA AND C.relname = :TBLNAME "},
        {51, "Prc.oid", "AND Nms.nspname = :SCHEMA AND Prc.proname = :TBLNAME "},
        {52, "Prc.oid", "AND Nms.nspname = :SCHEMA AND Prc.proname = :TBLNAME "},
        {55, "T.oid", "AND N.nspname = :SCHEMA AND T.typname = :TBLNAME "},
        {60, "Syn.oid", "WHERE Nms.nspname = :SCHEMA AND Syn.synname = :TBLNAME "},
    };
    QStringList lines;
    for (const Kind &k : kinds) {
        QString from, where;
        BuildObjectFromWhere(k.code, from, where, k.code == 52 && IsEdb, DBVer);
        if (k.code == 60)
            where.clear();
        QString line = QStringLiteral("SELECT CAST('") + ObjectTypeName(k.code) + QStringLiteral("' AS varchar) AS OBJECT_TYPE, CAST(") +
                       QLatin1String(k.oid) + QStringLiteral(" AS int8) AS OBJECT_OID ") + from + u' ';
        if (!where.isEmpty())
            line += where + u' ';
        line += QLatin1String(k.test);
        lines << line;
    }
    return lines.join(QStringLiteral("UNION "));
}

const QStringList &SynonymTargetKinds()
{
    static const QStringList kinds{QStringLiteral("TABLE"),    QStringLiteral("VIEW"), QStringLiteral("PROCEDURE"),
                                   QStringLiteral("FUNCTION"), QStringLiteral("TYPE"), QStringLiteral("SEQUENCE"),
                                   QStringLiteral("SYNONYM")};
    return kinds;
}

QString SynonymKindText(const QStringList &Kinds)
{
    if (Kinds.size() > 1)
        return QStringLiteral("(複数の参照先があります)");
    if (Kinds.size() == 1 && SynonymTargetKinds().contains(Kinds.first()))
        return Kinds.first();
    return QString();
}

QString LinkSuffixName(const QString &Link)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*$"));
    return plain.match(Link).hasMatch() ? Link : QuoteIdentifier(Link);
}

void SynonymDDL::Create(const TSynonymDefinition &Def, const QString &OwnPrefix, const QString &TargetPrefix,
                        QStringList &List)
{
    if (Def.Public)
        List << QStringLiteral("CREATE PUBLIC SYNONYM ") + QuoteIdentifier(Def.Name);
    else
        List << QStringLiteral("CREATE SYNONYM ") + OwnPrefix + QuoteIdentifier(Def.Name);
    QString target = QStringLiteral(" FOR ") + TargetPrefix + QuoteIdentifier(Def.TargetName);
    if (!Def.DBLink.trimmed().isEmpty())
        target += u'@' + LinkSuffixName(Def.DBLink.trimmed());
    List << target << QStringLiteral(";");
}

QString SynonymDDL::DropStatement(const QString &Schema, const QString &Name)
{
    if (Schema != QLatin1String("public"))
        return QStringLiteral("DROP SYNONYM ") + QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name);
    return QStringLiteral("DROP PUBLIC SYNONYM ") + QuoteIdentifier(Name);
}

void SynonymDDL::Drop(const QString &Schema, const QString &Name, QStringList &List)
{
    List << DropStatement(Schema, Name) << QStringLiteral(";");
}
