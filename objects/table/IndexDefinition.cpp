#include "objects/table/IndexDefinition.h"

#include "common/Quote.h"
#include "common/TextUtil.h"
#include "platform/db/Query.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QString Semicolon = QStringLiteral(";");

// Closes a query on every way out.
struct CloseOnExit {
    tv::db::Query &q;
    ~CloseOnExit() { q.Close(); }
};

} // namespace

QString IndexSQL::Index(int DBVer)
{
    // INCLUDE columns (from 110000) are not key columns: the list stops at
    // indnkeyatts.
    const QString keyCount = DBVer >= 110000 ? QStringLiteral("I.indnkeyatts") : QStringLiteral("I.indnatts");
    return QStringLiteral(
               "SELECT C.relname, C2.relname AS tblname, AM.amname, I.indisunique,"
               " pg_get_indexdef(I.indexrelid) AS sql, C.reltablespace, T.spcname, C2.relkind AS tblkind,"
               " I.indexprs IS NOT NULL AS isexpr,"
               " (SELECT DT.spcname FROM pg_database D LEFT JOIN pg_tablespace DT ON D.dattablespace = DT.oid"
               " WHERE D.datname = :DATABASE) AS defspcname,"
               " array_to_json(ARRAY(SELECT pg_get_indexdef(I.indexrelid, K.n, false)"
               " FROM generate_series(1, %1) AS K(n) ORDER BY K.n)) AS cols,"
               " pg_get_expr(I.indpred, I.indrelid) AS pred"
               " FROM pg_class C LEFT JOIN pg_namespace N ON C.relnamespace = N.oid"
               " LEFT JOIN pg_index I ON C.oid = I.indexrelid LEFT JOIN pg_am AM ON C.relam = AM.oid"
               " LEFT JOIN pg_tablespace T ON C.reltablespace = T.oid LEFT JOIN pg_class C2 ON I.indrelid = C2.oid"
               " WHERE C.relkind = 'i' AND N.nspname = :SCHEMA AND C.relname = :IDXNAME")
        .arg(keyCount);
}

QString IndexSQL::TableColumns(int DBVer)
{
    QStringList kinds{QStringLiteral("                               'r'"),
                      QStringLiteral("                               't'")};
    if (DBVer >= 90300)
        kinds << QStringLiteral("                               'm'");
    if (DBVer >= 100000)
        kinds << QStringLiteral("                               'p'");
    return QStringList{QStringLiteral("SELECT A.attname"),
                       QStringLiteral("FROM   pg_class          C "),
                       QStringLiteral("LEFT JOIN pg_namespace   N"),
                       QStringLiteral(" ON  C.relnamespace    =   N.oid"),
                       QStringLiteral("LEFT JOIN pg_attribute   A"),
                       QStringLiteral(" ON  C.oid             =   A.attrelid"),
                       QStringLiteral("WHERE  C.relkind       IN  ("),
                       kinds.join(QLatin1Char(',')),
                       QStringLiteral("                           )"),
                       QStringLiteral("AND    N.nspname       =   :SCHEMA"),
                       QStringLiteral("AND    C.relname       =   :TBLNAME"),
                       QStringLiteral("AND    A.attnum        >   0"),
                       QStringLiteral("AND    A.attisdropped  =   False"),
                       QStringLiteral("ORDER"),
                       QStringLiteral("BY     A.attnum")}
        .join(QLatin1Char(' '));
}

QString IndexSQL::SpaceDef()
{
    return QStringLiteral("SELECT T.spcname FROM pg_database D LEFT JOIN pg_tablespace T ON D.dattablespace = T.OID "
                          "WHERE D.datname = :DATABASE");
}

bool IsPlainMethod(const QString &Method, int DBVer)
{
    return Method == QLatin1String("btree") || Method == QLatin1String("hash") ||
           (Method == QLatin1String("brin") && DBVer >= 90500);
}

std::optional<TIndexDefinition> LoadIndexDefinition(tv::db::Query &Query, const QString &Schema, const QString &Name,
                                                    const QString &Database, int DBVer)
{
    CloseOnExit closer{Query};
    Query.Close();
    Query.SetSQL(IndexSQL::Index(DBVer));
    Query.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    Query.ParamByName(QStringLiteral("IDXNAME")).setAsString(Name);
    Query.ParamByName(QStringLiteral("DATABASE")).setAsString(Database);
    Query.Open();
    if (Query.IsEmpty())
        return std::nullopt;

    TIndexDefinition d;
    d.Schema = Schema;
    d.Name = Name;
    d.TableName = Query.FieldByName(QStringLiteral("tblname")).AsString();
    d.Method = Query.FieldByName(QStringLiteral("amname")).AsString();
    d.Unique = Query.FieldByName(QStringLiteral("indisunique")).AsBoolean();
    d.ServerDef = Query.FieldByName(QStringLiteral("sql")).AsString();
    d.Predicate = Query.FieldByName(QStringLiteral("pred")).AsString();
    d.OnToast = Query.FieldByName(QStringLiteral("tblkind")).AsString() == QLatin1String("t");
    d.Kind = Query.FieldByName(QStringLiteral("isexpr")).AsBoolean() ? ikExpression : ikColumn;
    d.Tablespace = Query.FieldByName(QStringLiteral("reltablespace")).AsInt64() != 0
                       ? Query.FieldByName(QStringLiteral("spcname")).AsString()
                       : Query.FieldByName(QStringLiteral("defspcname")).AsString();

    QStringList columnTexts;
    const QJsonArray cols =
        QJsonDocument::fromJson(Query.FieldByName(QStringLiteral("cols")).AsString().toUtf8()).array();
    for (const QJsonValue &v : cols)
        columnTexts << v.toString();

    // The define page holds the index when the server's definition is
    // exactly what it would write: no options beside the column list.
    const QString plainTail =
        QStringLiteral("USING ") + d.Method + QStringLiteral(" (") + columnTexts.join(QStringLiteral(", ")) + u')';
    d.ServerDefined = !IsPlainMethod(d.Method, DBVer) || !d.ServerDef.endsWith(plainTail);

    if (d.Kind == ikExpression)
        d.Expression = IndexDDL::ExpressionFromDef(d.ServerDef, d.Method);
    else
        for (const QString &c : columnTexts)
            d.Columns << DequoteIdentifier(c);
    return d;
}

void IndexDDL::Create(const TIndexDefinition &Def, const QString &TablePrefix, const QStringList &StorageClauses,
                      QStringList &List)
{
    if (Def.ServerDefined) {
        // The server's definition, with the tablespace before the condition.
        QString head = Def.ServerDef;
        QString where;
        const QString tail = QStringLiteral(" WHERE ") + Def.Predicate;
        if (!Def.Predicate.isEmpty() && head.endsWith(tail)) {
            head.chop(tail.size());
            where = QStringLiteral("WHERE ") + Def.Predicate;
        } else if (!Def.Predicate.isEmpty()) {
            const qsizetype at = head.lastIndexOf(QStringLiteral(" WHERE "));
            if (at >= 0) {
                where = head.mid(at + 1);
                head.truncate(at);
            }
        }
        List << head << StorageClauses;
        if (!where.isEmpty())
            List << where;
        List << Semicolon;
        return;
    }
    List << QStringLiteral("CREATE ") + (Def.Unique ? QStringLiteral("UNIQUE ") : QString()) +
                QStringLiteral("INDEX ") + QuoteIdentifier(Def.Name);
    List << QStringLiteral("ON ") + TablePrefix + QuoteIdentifier(Def.TableName);
    List << QStringLiteral("USING ") + (IsPlainMethod(Def.Method, 999999) ? Def.Method : QStringLiteral("btree"));
    if (Def.Kind == ikColumn) {
        QStringList quoted;
        for (const QString &c : Def.Columns)
            quoted << QuoteIdentifier(c);
        List << u'(' + quoted.join(QStringLiteral(", ")) + u')';
    } else {
        QString text;
        for (const QString &line : Def.Expression.split(QLatin1Char('\n'))) {
            const QString part = TrimBlanks(line);
            if (part.isEmpty())
                continue;
            if (!text.isEmpty() && !text.endsWith(u','))
                text += QStringLiteral(", ");
            text += part;
        }
        List << u'(' + text + u')';
    }
    List << StorageClauses << Semicolon;
}

void IndexDDL::AlterTablespace(const QString &IndexPrefix, const QString &Name, const QString &Tablespace,
                               QStringList &List)
{
    List << QStringLiteral("ALTER INDEX ") + IndexPrefix + QuoteIdentifier(Name) + QStringLiteral(" SET TABLESPACE ") +
                QuoteIdentifier(Tablespace);
    List << Semicolon;
}

void IndexDDL::Drop(const QString &Schema, const QString &Name, QStringList &List)
{
    List << DropStatement(Schema, Name);
    List << Semicolon;
}

QString IndexDDL::DropStatement(const QString &Schema, const QString &Name)
{
    return QStringLiteral("DROP INDEX ") + QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name);
}

QString IndexDDL::ExpressionFromDef(const QString &ServerDef, const QString &Method)
{
    const QString prefix = QStringLiteral("USING ") + Method + QStringLiteral(" (");
    const qsizetype at = ServerDef.indexOf(prefix);
    if (at < 0)
        return QString();
    QString rest = ServerDef.mid(at + prefix.size());
    rest.chop(1);
    return rest;
}
