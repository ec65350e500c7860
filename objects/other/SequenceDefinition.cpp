#include "objects/other/SequenceDefinition.h"

#include "common/Quote.h"
#include "platform/db/Query.h"

namespace {

const QLatin1String kMax64("9223372036854775807");

struct CloseOnExit {
    tv::db::Query &q;
    ~CloseOnExit() { q.Close(); }
};

// The increment's sign: 1, -1, or 0 for an empty or unreadable one.
int Sign(const QString &Increment)
{
    bool ok = false;
    const qint64 v = Increment.trimmed().toLongLong(&ok);
    return !ok || v == 0 ? 0 : v > 0 ? 1 : -1;
}

QString Owner(const TSequenceDefinition &Def)
{
    return Def.Owned ? QStringLiteral("OWNED BY ") + QuoteIdentifier(Def.Schema) + u'.' +
                           QuoteIdentifier(Def.OwnerTable) + u'.' + QuoteIdentifier(Def.OwnerColumn)
                     : QStringLiteral("OWNED BY NONE");
}

} // namespace

namespace {

// "table oid:column number" of the column that owns the sequence (serial,
// identity or OWNED BY), null when none; one table only, so that the
// statement plans fast (script output reads thousands).
QString OwnerSubquery(const QString &SeqOid)
{
    return QStringLiteral("(SELECT D.refobjid || ':' || D.refobjsubid FROM pg_depend D"
                          " WHERE D.classid = 'pg_class'::regclass AND D.objid = ") +
           SeqOid +
           QStringLiteral(" AND D.refclassid = 'pg_class'::regclass AND D.refobjsubid > 0"
                          " AND D.deptype IN ('a', 'i') LIMIT 1) AS owner");
}

} // namespace

QString SequenceSQL::Values(int DBVer, const QString &Schema, const QString &Name)
{
    const QString seq = QuoteLiteral(QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name));
    if (DBVer < 100000)
        return QStringLiteral("SELECT last_value, min_value, max_value, increment_by, is_cycled, cache_value, "
                              "start_value, ") +
               OwnerSubquery(seq + QStringLiteral("::regclass")) + QStringLiteral(" FROM ") +
               QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name);
    return QStringLiteral("SELECT CASE WHEN has_sequence_privilege(Q.seqrelid, 'SELECT,USAGE')"
                          " THEN pg_sequence_last_value(Q.seqrelid) END AS last_value,"
                          " Q.seqmin, Q.seqmax, Q.seqincrement, Q.seqcycle, Q.seqcache, Q.seqstart, ") +
           OwnerSubquery(QStringLiteral("Q.seqrelid")) +
           QStringLiteral(" FROM pg_sequence Q WHERE Q.seqrelid = to_regclass(") + seq + u')';
}

QString SequenceSQL::OwnerColumn(qint64 TableOid, int ColumnNo, const QString &Schema)
{
    return QStringLiteral("SELECT T.relname, A.attname FROM pg_class T"
                          " JOIN pg_namespace N ON N.oid = T.relnamespace"
                          " JOIN pg_attribute A ON A.attrelid = T.oid"
                          " WHERE T.oid = %1 AND A.attnum = %2 AND NOT A.attisdropped"
                          " AND T.relkind IN ('r', 'p') AND N.nspname = ")
               .arg(TableOid)
               .arg(ColumnNo) +
           QuoteLiteral(Schema);
}

QString SequenceSQL::Tables()
{
    return QStringLiteral("SELECT tablename FROM PG_TABLES WHERE schemaname = :SCHEMA ORDER BY 1");
}

QString SequenceSQL::Columns()
{
    return QStringLiteral("SELECT A.attname FROM   pg_class C LEFT JOIN pg_namespace N ON C.relnamespace = N.oid "
                          "LEFT JOIN pg_attribute A ON C.oid = A.attrelid WHERE  C.relkind IN ('r', 'p') AND    "
                          "N.nspname = :SCHEMA AND    C.relname = :TABLE AND    A.attnum > 0 AND    "
                          "A.attisdropped = False ORDER  BY A.attnum");
}

bool SequenceNoMax(const QString &Increment, const QString &MaxValue)
{
    const int s = Sign(Increment);
    return (s > 0 && MaxValue.trimmed() == kMax64) || (s < 0 && MaxValue.trimmed() == QLatin1String("-1"));
}

bool SequenceNoMin(const QString &Increment, const QString &MinValue)
{
    const int s = Sign(Increment);
    const QString m = MinValue.trimmed();
    return (s > 0 && m == QLatin1String("1")) ||
           (s < 0 && (m == QLatin1String("-9223372036854775808") || m == QLatin1String("-9223372036854775807")));
}

std::optional<TSequenceDefinition> LoadSequenceDefinition(tv::db::Query &Query, const QString &Schema,
                                                          const QString &Name, int DBVer)
{
    TSequenceDefinition d;
    d.Schema = Schema;
    d.Name = Name;
    QString owner;
    {
        CloseOnExit c{Query};
        Query.Close();
        // One statement in one round trip: script output reads many.
        Query.OpenOn(Query.GetConnection()->Exec(SequenceSQL::Values(DBVer, Schema, Name)));
        if (Query.Eof())
            return std::nullopt;
        // A sequence nobody has called yet has no last value: its start stands in.
        d.Called = !Query.Fields(0).IsNull();
        d.LastValue = (Query.Fields(0).IsNull() ? Query.Fields(6) : Query.Fields(0)).AsString().trimmed();
        d.MinValue = Query.Fields(1).AsString().trimmed();
        d.MaxValue = Query.Fields(2).AsString().trimmed();
        d.Increment = Query.Fields(3).AsString().trimmed();
        d.Cycle = Query.Fields(4).AsBoolean();
        d.Cache = Query.Fields(5).AsString().trimmed();
        if (d.Cache == QLatin1String("0"))
            d.Cache.clear();
        owner = Query.Fields(7).AsString();
    }
    // Owned by a column of a table in the same schema.
    const qsizetype colon = owner.indexOf(u':');
    if (colon > 0) {
        CloseOnExit c{Query};
        Query.Close();
        Query.OpenOn(Query.GetConnection()->Exec(
            SequenceSQL::OwnerColumn(owner.left(colon).toLongLong(), owner.mid(colon + 1).toInt(), Schema)));
        if (!Query.Eof()) {
            d.OwnerTable = Query.Fields(0).AsString().trimmed();
            d.OwnerColumn = Query.Fields(1).AsString().trimmed();
            d.Owned = true;
        }
    }
    d.NoMax = SequenceNoMax(d.Increment, d.MaxValue);
    d.NoMin = SequenceNoMin(d.Increment, d.MinValue);
    return d;
}

void SequenceDDL::Create(const TSequenceDefinition &Def, const QString &Prefix, QStringList &List)
{
    List << QStringLiteral("CREATE SEQUENCE ") + Prefix + QuoteIdentifier(Def.Name);
    if (!Def.Increment.isEmpty())
        List << QStringLiteral("INCREMENT ") + Def.Increment;
    if (!Def.LastValue.isEmpty())
        List << QStringLiteral("START ") + Def.LastValue;
    if (Def.NoMax)
        List << QStringLiteral("NO MAXVALUE");
    else if (!Def.MaxValue.isEmpty())
        List << QStringLiteral("MAXVALUE ") + Def.MaxValue;
    if (Def.NoMin)
        List << QStringLiteral("NO MINVALUE");
    else if (!Def.MinValue.isEmpty())
        List << QStringLiteral("MINVALUE ") + Def.MinValue;
    List << (Def.Cycle ? QStringLiteral("CYCLE ") : QStringLiteral("NO CYCLE "));
    if (!Def.Cache.isEmpty())
        List << QStringLiteral("CACHE ") + Def.Cache;
    List << Owner(Def) << QStringLiteral(";");
}

void SequenceDDL::Alter(const TSequenceDefinition &Old, const TSequenceDefinition &New, QStringList &List)
{
    QStringList clauses;
    if (New.Increment != Old.Increment && !New.Increment.isEmpty())
        clauses << QStringLiteral("INCREMENT ") + New.Increment;
    if (New.NoMax) {
        if (!Old.NoMax)
            clauses << QStringLiteral("NO MAXVALUE");
    } else if (New.MaxValue != Old.MaxValue && !New.MaxValue.isEmpty()) {
        clauses << QStringLiteral("MAXVALUE ") + New.MaxValue;
    }
    if (New.NoMin) {
        if (!Old.NoMin)
            clauses << QStringLiteral("NO MINVALUE");
    } else if (New.MinValue != Old.MinValue && !New.MinValue.isEmpty()) {
        clauses << QStringLiteral("MINVALUE ") + New.MinValue;
    }
    if (New.Cycle != Old.Cycle)
        clauses << (New.Cycle ? QStringLiteral("CYCLE ") : QStringLiteral("NO CYCLE "));
    if (New.Cache != Old.Cache)
        clauses << (New.Cache.isEmpty() ? QStringLiteral("CACHE 1") : QStringLiteral("CACHE ") + New.Cache);
    if (New.Owned) {
        if (!Old.Owned || New.OwnerTable != Old.OwnerTable || New.OwnerColumn != Old.OwnerColumn)
            clauses << Owner(New);
    } else if (Old.Owned) {
        clauses << Owner(New);
    }
    if (!clauses.isEmpty())
        List << QStringLiteral("ALTER SEQUENCE ") + QuoteIdentifier(New.Schema) + u'.' + QuoteIdentifier(New.Name)
             << clauses << QStringLiteral(";");
    // A new last value is set in place: the sequence, its grants and its
    // dependants stay.
    if (New.LastValue != Old.LastValue && !New.LastValue.isEmpty())
        List << SetVal(New.Schema, New.Name, New.LastValue) << QStringLiteral(";");
}

void SequenceDDL::Drop(const QString &Schema, const QString &Name, QStringList &List)
{
    List << DropStatement(Schema, Name) << QStringLiteral(";");
}

QString SequenceDDL::DropStatement(const QString &Schema, const QString &Name)
{
    return QStringLiteral("DROP SEQUENCE ") + QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name);
}

QString SequenceDDL::RegclassLiteral(const QString &Schema, const QString &Name)
{
    return QuoteLiteral(QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name));
}

QString SequenceDDL::SetVal(const QString &Schema, const QString &Name, const QString &Value)
{
    return QStringLiteral("SELECT setval(") + RegclassLiteral(Schema, Name) + QStringLiteral(", ") + Value +
           u')';
}
