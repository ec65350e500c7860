#include "tools/CompareObjects.h"

#include "common/CatalogSQL.h"
#include "common/Quote.h"

#include <QRegularExpression>

namespace comp {

namespace {

const QString kAll = QStringLiteral("(全て)");

struct TKindItems {
    int Code;
    QString First, Name, Schema;
    int OrdNo;
    QString Param, Rtn, OIDNo, TblNm;
    QString SchemaColumn;
};

const QString kPlainParam = QStringLiteral("''          AS Param");
const QString kPlainRtn = QStringLiteral("''          AS Rtn");
const QString kPlainOid = QStringLiteral("-1          AS OIDNo");
const QString kPlainTbl = QStringLiteral("''          AS TblNm");
const QString kRoutineParam = QStringLiteral("CASE WHEN Prc.proallargtypes IS NULL THEN  array_to_string(Prc.proargtypes, "
                                             "'\r\n') ELSE    array_to_string(Prc.proallargtypes, '\r\n') END         AS Param");

const std::vector<TKindItems> &Items()
{
    static const std::vector<TKindItems> items{
        {45, "SELECT 'TABLE'", "TblInf.relname", "TblNsp.nspname", 1, kPlainParam, kPlainRtn, kPlainOid, kPlainTbl,
         "TblNsp.nspname"},
        {46, "SELECT 'INDEX'", "C.relname", "N.nspname", 2, kPlainParam, kPlainRtn, kPlainOid, kPlainTbl, "N.nspname"},
        {47, "SELECT 'VIEW'", "TblInf.relname", "TblNsp.nspname", 3, kPlainParam, kPlainRtn, kPlainOid, kPlainTbl,
         "TblNsp.nspname"},
        {52, "SELECT 'FUNCTION'", "Prc.proname", "Nms.nspname", 4, kRoutineParam, "Typ.typname AS Rtn",
         "Prc.oid     AS OIDNo", kPlainTbl, "Nms.nspname"},
        {55, "SELECT 'TYPE'", "T.typname", "N.nspname", 5, kPlainParam, kPlainRtn, kPlainOid, kPlainTbl, "N.nspname"},
        {57, "SELECT 'TRIGGER'", "TrgInf.tgname",
         "CASE WHEN TblShe.schemaname IS NULL THEN VieShe.schemaname ELSE TblShe.schemaname END         AS schemaname",
         6, kPlainParam, kPlainRtn, kPlainOid,
         "CASE WHEN TblShe.tablename IS NULL THEN VieShe.viewname ELSE TblShe.tablename END         AS TblNm",
         QString()},
        {58, "SELECT 'SEQUENCE'", "C.relname", "N.nspname", 7, kPlainParam, kPlainRtn, kPlainOid, kPlainTbl, "N.nspname"},
        {127, "SELECT 'RULE'", "r.rulename", "ns.nspname", 8, kPlainParam, kPlainRtn, kPlainOid, "c.relname   AS TblNm",
         "ns.nspname"},
        {61, "SELECT 'MATERIALIZED VIEW'", "TblInf.relname", "TblNsp.nspname", 9, kPlainParam, kPlainRtn, kPlainOid,
         kPlainTbl, "TblNsp.nspname"},
        {128, "SELECT 'AGGREGATE'", "Prc.proname", "Nms.nspname", 10, kRoutineParam, "Typ.typname AS Rtn",
         "Prc.oid     AS OIDNo", kPlainTbl, "Nms.nspname"},
        {51, "SELECT 'PROCEDURE'", "Prc.proname", "Nms.nspname", 11, kRoutineParam, "Typ.typname AS Rtn",
         "Prc.oid     AS OIDNo", kPlainTbl, "Nms.nspname"},
        {53, "SELECT 'PACKAGE'", "pac.pkgname", "Nms.nspname", 12, kPlainParam, kPlainRtn, "pac.oid::int8     AS OIDNo",
         kPlainTbl, "Nms.nspname"},
        {60, "SELECT 'SYNONYM'", "Syn.synname", "Nms.nspname", 14, kPlainParam, kPlainRtn, kPlainOid, kPlainTbl,
         "Nms.nspname"},
    };
    return items;
}

bool IdentifierChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// Removes every occurrence of Piece (ignoring case) that does not continue
// an identifier on either side.
QString RemoveWhole(const QString &Text, const QString &Piece)
{
    if (Piece.isEmpty())
        return Text;
    QString out;
    out.reserve(Text.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = Text.indexOf(Piece, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        const qsizetype end = at + Piece.size();
        const bool pieceStartsWord = IdentifierChar(Piece.front());
        const bool pieceEndsWord = IdentifierChar(Piece.back());
        const bool before = at > 0 && pieceStartsWord && IdentifierChar(Text.at(at - 1));
        const bool after = end < Text.size() && pieceEndsWord && IdentifierChar(Text.at(end));
        if (before || after) {
            out += Text.mid(from, at + 1 - from);
            from = at + 1;
            continue;
        }
        out += Text.mid(from, at - from);
        from = end;
    }
    out += Text.mid(from);
    return out;
}

} // namespace

const std::vector<TCompKind> &Kinds()
{
    static const std::vector<TCompKind> kinds{{"TABLE", 45},    {"INDEX", 46},  {"VIEW", 47},     {"FUNCTION", 52},
                                              {"TYPE", 55},     {"TRIGGER", 57}, {"SEQUENCE", 58}, {"RULE", 127},
                                              {"MATERIALIZED VIEW", 61}, {"AGGREGATE", 128}, {"PROCEDURE", 51},
                                              {"PACKAGE", 53},  {"SYNONYM", 60}};
    return kinds;
}

bool Offered(int Code, int DBVer, bool IsEdb)
{
    switch (Code) {
    case 61:
        return DBVer > 90299;
    case 128:
        return DBVer > 90399;
    case 51:
        return IsEdb || DBVer > 109999;
    case 53:
    case 60:
        return IsEdb;
    default:
        return true;
    }
}

QString ObjectListSQL(const QList<int> &Wanted, int DBVer, bool IsEdb, const QString &Schema)
{
    bool anyOffered = false;
    for (int code : Wanted)
        anyOffered = anyOffered || Offered(code, DBVer, IsEdb);
    QStringList lines;
    for (const TKindItems &k : Items()) {
        if (!Offered(k.Code, DBVer, IsEdb) || (anyOffered && !Wanted.contains(k.Code)))
            continue;
        QString from, where;
        const bool edbFlag = (k.Code == 51 || k.Code == 52 || k.Code == 53) && IsEdb;
        BuildObjectFromWhere(k.Code, from, where, edbFlag, DBVer);
        if (!lines.isEmpty())
            lines << QStringLiteral("UNION ALL");
        lines << QLatin1Char(' ') + k.First + QStringLiteral(" , ") + k.Name + QStringLiteral(" , ") + k.Schema +
                     QStringLiteral(" , ") + QString::number(k.OrdNo) + QStringLiteral(" AS OrdNo , ") + k.Param +
                     QStringLiteral(" , ") + k.Rtn + QStringLiteral(" , ") + k.OIDNo + QStringLiteral(" , ") + k.TblNm +
                     QLatin1Char(' ') + from + QLatin1Char(' ') + where;
        if (Schema != kAll) {
            const QString lead = where.trimmed().isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND   ");
            const QString q = QuoteLiteral(Schema);
            if (k.Code == 57)
                lines << lead + QStringLiteral("(TblShe.schemaname = ") + q + QStringLiteral(" OR VieShe.schemaname = ") +
                             q + QLatin1Char(')');
            else
                lines << lead + k.SchemaColumn + QStringLiteral(" = ") + q;
        }
    }
    if (lines.isEmpty())
        return QString();
    lines << QStringLiteral("ORDER BY 4, 2, 3");
    return lines.join(QLatin1Char('\n'));
}

bool SchemaBlind(const QString &Schema1, const QString &Schema2, const QString &Db1, const QString &Db2)
{
    return Schema1 != kAll && Schema2 != kAll && (Schema1 != Schema2 || Db1 != Db2);
}

QString RemoveSchemaQualifier(const QString &Schema, const QString &Text)
{
    QString t = Text;
    const QString quoted = QuoteIdentifier(Schema);
    for (const QString &piece : {quoted + QLatin1Char('.'), quoted, Schema + QLatin1Char('.'), Schema}) {
        if (t.contains(piece, Qt::CaseInsensitive))
            t = RemoveWhole(t, piece);
    }
    return t;
}

QString ArgumentTypeNames(const QString &Oids, const QHash<qint64, QString> &TypeNames)
{
    if (Oids.isEmpty())
        return QString();
    QStringList names;
    for (const QString &line : Oids.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")), Qt::SkipEmptyParts))
        names << TypeNames.value(line.trimmed().toLongLong());
    return names.join(QLatin1Char(','));
}

TCounterparts::TCounterparts(const std::vector<TCompEntry> &Entries, bool SchemaAware)
    : FSchemaAware(SchemaAware), FTaken(Entries.size(), false)
{
    for (int i = 0; i < int(Entries.size()); ++i)
        FByKey[Key(Entries[size_t(i)])].push_back(i);
}

QString TCounterparts::Key(const TCompEntry &e) const
{
    QString k = e.Kind + QChar(0x1f) + e.Name;
    if (e.Kind == QLatin1String("FUNCTION") || e.Kind == QLatin1String("AGGREGATE") ||
        e.Kind == QLatin1String("PROCEDURE"))
        k += QChar(0x1f) + e.Param;
    if (e.Kind == QLatin1String("TRIGGER") || e.Kind == QLatin1String("RULE"))
        k += QChar(0x1f) + e.Table;
    if (FSchemaAware)
        k += QChar(0x1f) + e.Schema;
    return k;
}

int TCounterparts::Find(const TCompEntry &e) const
{
    const auto it = FByKey.constFind(Key(e));
    if (it == FByKey.constEnd())
        return -1;
    for (auto i = it->rbegin(); i != it->rend(); ++i) {
        if (!FTaken[size_t(*i)])
            return *i;
    }
    return -1;
}

void TCounterparts::Take(int Index)
{
    if (Index >= 0 && size_t(Index) < FTaken.size())
        FTaken[size_t(Index)] = true;
}

} // namespace comp
