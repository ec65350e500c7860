#include "objects/other/ViewDefinition.h"

#include "common/Quote.h"
#include "common/RecreateKeeper.h"
#include "common/TextUtil.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "sql/fraData.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

struct CloseOnExit {
    tv::db::Query &q;
    ~CloseOnExit() { q.Close(); }
};

QString Where(const QString &Schema, const QString &Name)
{
    return QStringLiteral(" AND NS.nspname = ") + QuoteLiteral(Schema) + QStringLiteral(" AND CL.relname = ") +
           QuoteLiteral(Name);
}

QString Kind(bool Materialized)
{
    return Materialized ? QStringLiteral("'m'") : QStringLiteral("'v'");
}

bool Blank(const QString &s)
{
    return TrimBlanks(s).isEmpty();
}

QStringList SplitLines(const QString &Text)
{
    QString t = Text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t.split(u'\n');
}

} // namespace

// ---------------------------------------------------------------------------
// Queries

QString ViewSQL::Head(bool Materialized, const QString &Schema, const QString &Name)
{
    const QString def = Materialized ? QStringLiteral("pg_get_viewdef(CL.oid)")
                                     : QStringLiteral("(SELECT V.definition FROM pg_views V WHERE V.schemaname = "
                                                      "NS.nspname AND V.viewname = CL.relname)");
    return QStringLiteral("SELECT obj_description(CL.oid, 'pg_class'),"
                          " array_to_string(CL.reloptions, E'\\r\\n'), ") +
           def +
           QStringLiteral(", CL.relispopulated, TS.spcname, CL.reltoastrelid,"
                          " (SELECT array_to_string(T.reloptions, E'\\r\\n') FROM pg_class T"
                          " WHERE T.oid = CL.reltoastrelid),"
                          " (SELECT json_agg(json_build_array(AT.attname, format_type(AT.atttypid, null),"
                          " format_type(AT.atttypid, AT.atttypmod), AT.atttypmod, D.description) ORDER BY AT.attnum)"
                          " FROM pg_attribute AT LEFT JOIN pg_description D ON D.objoid = CL.oid"
                          " AND D.classoid = 'pg_class'::regclass AND D.objsubid = AT.attnum"
                          " WHERE AT.attrelid = CL.oid AND AT.attnum > 0 AND NOT AT.attisdropped)"
                          " FROM pg_class CL LEFT JOIN pg_namespace NS ON NS.oid = CL.relnamespace"
                          " LEFT JOIN pg_tablespace TS ON TS.oid = CL.reltablespace"
                          " WHERE CL.relkind = ") +
           Kind(Materialized) + Where(Schema, Name);
}

QString ViewSQL::Kept(const QString &Schema, const QString &Name)
{
    return QStringLiteral("SELECT pg_get_indexdef(I.indexrelid), TS.spcname, pg_get_expr(I.indpred, I.indrelid),"
                          " IC.relname, obj_description(IC.oid, 'pg_class')"
                          " FROM pg_class CL JOIN pg_namespace NS ON NS.oid = CL.relnamespace"
                          " JOIN pg_index I ON I.indrelid = CL.oid JOIN pg_class IC ON IC.oid = I.indexrelid"
                          " LEFT JOIN pg_tablespace TS ON TS.oid = IC.reltablespace"
                          " WHERE CL.relkind = 'm'") +
           Where(Schema, Name) + QStringLiteral(" ORDER BY IC.relname");
}

// ---------------------------------------------------------------------------
// Load

void ViewColumnCells(const QString &Type, const QString &FullType, int Typmod, QString &TypeCell,
                     QString &LengthCell)
{
    static const QStringList timeTypes = {
        QStringLiteral("time with time zone"),         QStringLiteral("time with time zone[]"),
        QStringLiteral("time without time zone"),      QStringLiteral("time without time zone[]"),
        QStringLiteral("timestamp with time zone"),    QStringLiteral("timestamp with time zone[]"),
        QStringLiteral("timestamp without time zone"), QStringLiteral("timestamp without time zone[]")};
    if (timeTypes.contains(Type)) {
        TypeCell = FullType;
        LengthCell.clear();
    } else if (Type == QLatin1String("interval") || Type == QLatin1String("interval[]")) {
        TypeCell = IntervalFieldsText(Type, Typmod);
        LengthCell = TypeModifierText(Type, Typmod);
    } else {
        TypeCell = Type;
        LengthCell = TypeModifierText(Type, Typmod);
    }
}

void ParseViewOptions(const QString &Text, TViewDefinition &Def)
{
    if (!Def.OptionsEnabled)
        return;
    Def.UseSecurityBarrier = Def.UseCheckOption = false;
    Def.SecurityBarrier.clear();
    Def.CheckOption.clear();
    for (const QString &raw : Text.split(QStringLiteral("\r\n"))) {
        const QString line = raw.toLower();
        const qsizetype eq = line.indexOf(u'=');
        const QString value = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
        if (line.contains(QLatin1String("security_barrier"))) {
            Def.UseSecurityBarrier = true;
            Def.SecurityBarrier = value;
        }
        if (line.contains(QLatin1String("check_option"))) {
            Def.UseCheckOption = true;
            Def.CheckOption = value;
        }
    }
}

std::optional<TViewDefinition> LoadViewDefinition(tv::db::Query &Query, const QString &Schema, const QString &Name,
                                                  bool Materialized, int DBVer)
{
    TViewDefinition d;
    d.Schema = Schema;
    d.Name = Name;
    d.Materialized = Materialized;
    d.OptionsEnabled = !Materialized && DBVer >= 90400;
    {
        CloseOnExit c{Query};
        Query.Close();
        Query.OpenOn(Query.GetConnection()->Exec(ViewSQL::Head(Materialized, Schema, Name)));
        if (Query.Eof())
            return std::nullopt;
        d.Comment = Query.Fields(0).AsString();
        const QString options = Query.Fields(1).AsString();
        if (Query.Fields(2).IsNull())
            return std::nullopt;
        QString def = Query.Fields(2).AsString();
        if (Materialized)
            def = fradata::StripTrailingSemicolon(def);
        d.Query = SplitLines(def);
        d.Populated = Query.Fields(3).AsBoolean();
        d.Tablespace = Query.Fields(4).AsString();
        d.HasToast = Query.Fields(5).AsString() != QLatin1String("0");
        if (Materialized) {
            if (!options.isEmpty())
                d.RelOptions = options.split(QStringLiteral("\r\n"));
            const QString toast = Query.Fields(6).AsString();
            if (!toast.isEmpty())
                d.ToastOptions = toast.split(QStringLiteral("\r\n"));
        } else {
            ParseViewOptions(options, d);
        }
        // The columns came along as one JSON array: one round trip per object.
        const QJsonArray cols = QJsonDocument::fromJson(Query.Fields(7).AsString().toUtf8()).array();
        for (const QJsonValue &v : cols) {
            const QJsonArray a = v.toArray();
            TViewColumn col;
            col.Name = a.at(0).toString();
            ViewColumnCells(a.at(1).toString(), a.at(2).toString(), a.at(3).toInt(), col.Type, col.Length);
            col.Comment = a.at(4).toString();
            d.Columns.append(col);
        }
    }
    return d;
}

// ---------------------------------------------------------------------------
// DDL

void ViewDDL::Head(const QString &Keyword, const QString &QualifiedName, const QList<TViewColumn> &Columns,
                   bool WithColumns, QStringList &List)
{
    List << Keyword + QualifiedName;
    if (!WithColumns || Columns.isEmpty())
        return;
    QString line = QStringLiteral("    (");
    for (qsizetype i = 0; i < Columns.size(); ++i) {
        line += QuoteIdentifier(Columns[i].Name) + u',';
        if (line.size() > 70 && i < Columns.size() - 1) {
            List << line;
            line = QStringLiteral("    ");
        }
    }
    line.chop(1);
    List << line + u')';
}

namespace {

void ColumnComments(const TViewDefinition &Def, const QString &Qualified, QStringList &List)
{
    for (const TViewColumn &c : Def.Columns)
        if (!Blank(c.Name) && !Blank(c.Comment))
            List << QStringLiteral("COMMENT ON COLUMN ") + Qualified + u'.' + QuoteIdentifier(c.Name) +
                        QStringLiteral(" IS ") + QuoteLiteral(c.Comment)
                 << QStringLiteral(";");
}

void ChangedColumnComments(const TViewDefinition &Loaded, const TViewDefinition &Current, const QString &Qualified,
                           QStringList &List)
{
    for (qsizetype i = 0; i < Current.Columns.size(); ++i) {
        const TViewColumn &c = Current.Columns[i];
        const QString old = i < Loaded.Columns.size() ? Loaded.Columns[i].Comment : QString();
        if (!Blank(c.Name) && c.Comment != old)
            List << QStringLiteral("COMMENT ON COLUMN ") + Qualified + u'.' + QuoteIdentifier(c.Name) +
                        QStringLiteral(" IS ") + QuoteLiteral(c.Comment)
                 << QStringLiteral(";");
    }
}

} // namespace

void ViewDDL::CreateView(const TViewDefinition &Def, const QString &Prefix, bool WithColumns, QStringList &List)
{
    const QString qualified = Prefix + QuoteIdentifier(Def.Name);
    Head(QStringLiteral("CREATE OR REPLACE VIEW "), qualified, Def.Columns, WithColumns, List);
    if (Def.OptionsEnabled && (Def.UseSecurityBarrier || Def.UseCheckOption)) {
        List << QStringLiteral("WITH(");
        if (Def.UseSecurityBarrier)
            List << QStringLiteral(" security_barrier = ") + QuoteLiteral(Def.SecurityBarrier.trimmed());
        if (Def.UseCheckOption)
            List << (Def.UseSecurityBarrier ? QStringLiteral(" , ") : QString()) + QStringLiteral(" check_option = ") +
                        QuoteLiteral(Def.CheckOption.trimmed());
        List << QStringLiteral(")");
    }
    List << QStringLiteral("AS");
    List << Def.Query;
    List << QStringLiteral(";");
    if (!Blank(Def.Comment))
        List << QStringLiteral("COMMENT ON VIEW ") + qualified + QStringLiteral(" IS ") + QuoteLiteral(Def.Comment)
             << QStringLiteral(";");
    ColumnComments(Def, qualified, List);
}

void ViewDDL::AlterView(const TViewDefinition &Loaded, const TViewDefinition &Current, const QString &Prefix,
                        QStringList &List)
{
    const QString qualified = Prefix + QuoteIdentifier(Current.Name);
    if (Current.Comment != Loaded.Comment)
        List << QStringLiteral("COMMENT ON VIEW ") + qualified + QStringLiteral(" IS ") + QuoteLiteral(Current.Comment)
             << QStringLiteral(";");
    if (Current.OptionsEnabled) {
        auto option = [&](const char *name, const QString &old, const QString &now) {
            if (old == now)
                return;
            const QString n = QString::fromLatin1(name);
            const QString v = now.trimmed();
            List << (v.isEmpty() ? QStringLiteral("ALTER VIEW ") + qualified + QStringLiteral(" RESET ( ") + n +
                                       QStringLiteral(" )")
                                 : QStringLiteral("ALTER VIEW ") + qualified + QStringLiteral(" SET ( ") + n +
                                       QStringLiteral(" = ") + QuoteLiteral(v) + QStringLiteral(" )"))
                 << QStringLiteral(";");
        };
        option("security_barrier", Loaded.SecurityBarrier, Current.SecurityBarrier);
        option("check_option", Loaded.CheckOption, Current.CheckOption);
    }
    ChangedColumnComments(Loaded, Current, qualified, List);
}

void ViewDDL::CreateMView(const TViewDefinition &Def, const QString &Prefix, bool WithColumns,
                          const QStringList &Storage, QStringList &List)
{
    const QString qualified = Prefix + QuoteIdentifier(Def.Name);
    Head(QStringLiteral("CREATE MATERIALIZED VIEW "), qualified, Def.Columns, WithColumns, List);
    List << Storage;
    List << QStringLiteral("AS");
    List << Def.Query;
    if (!Def.Populated)
        List << QStringLiteral("WITH NO DATA");
    List << QStringLiteral(";");
    if (!Blank(Def.Comment))
        List << QStringLiteral("COMMENT ON MATERIALIZED VIEW ") + qualified + QStringLiteral(" IS ") +
                    QuoteLiteral(Def.Comment)
             << QStringLiteral(";");
    ColumnComments(Def, qualified, List);
}

void ViewDDL::AlterMViewComments(const TViewDefinition &Loaded, const TViewDefinition &Current,
                                 const QString &Prefix, QStringList &List)
{
    const QString qualified = Prefix + QuoteIdentifier(Current.Name);
    if (Current.Comment != Loaded.Comment)
        List << QStringLiteral("COMMENT ON MATERIALIZED VIEW ") + qualified + QStringLiteral(" IS ") +
                    QuoteLiteral(Current.Comment)
             << QStringLiteral(";");
    ChangedColumnComments(Loaded, Current, qualified, List);
}

QString ViewDDL::DropView(const QString &Schema, const QString &Name)
{
    return QStringLiteral("DROP VIEW ") + QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name);
}

QString ViewDDL::DropMView(const QString &Prefix, const QString &Name, bool Cascade)
{
    return QStringLiteral(" DROP MATERIALIZED VIEW ") + Prefix + QuoteIdentifier(Name) +
           (Cascade ? QStringLiteral(" CASCADE") : QString());
}

QString ViewDDL::Refresh(const QString &Prefix, const QString &Name, bool NoData)
{
    return QStringLiteral("REFRESH MATERIALIZED VIEW ") + Prefix + QuoteIdentifier(Name) +
           (NoData ? QStringLiteral(" WITH NO DATA") : QString());
}

QStringList ViewDDL::Template(bool Materialized, const QString &Schema, const QString &Name)
{
    const QString qualified = QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(Name);
    if (Materialized)
        return {QStringLiteral("CREATE MATERIALIZED VIEW ") + qualified, QStringLiteral("AS SELECT")};
    return {QStringLiteral("CREATE VIEW ") + qualified + QStringLiteral(" AS"), QStringLiteral("SELECT")};
}

std::optional<ViewDDL::TKept> ViewDDL::LoadKept(tv::db::Query &Query, const QString &Schema, const QString &Name)
{
    CloseOnExit c{Query};
    Query.Close();
    Query.OpenOn(Query.GetConnection()->Exec(ViewSQL::Kept(Schema, Name)));
    TKept k;
    while (!Query.Eof()) {
        TKept::Index i;
        i.Definition = IndexInTablespace(Query.Fields(0).AsString(), Query.Fields(1).AsString(),
                                         Query.Fields(2).IsNull() ? QString() : Query.Fields(2).AsString());
        i.Name = Query.Fields(3).AsString();
        i.HasComment = !Query.Fields(4).IsNull();
        i.Comment = Query.Fields(4).AsString();
        k.Indexes << i;
        Query.Next();
    }
    return k;
}

void ViewDDL::Restore(const TKept &Kept, const QString &Schema, const QString &Name, QStringList &List)
{
    for (const TKept::Index &i : Kept.Indexes) {
        List << i.Definition << QStringLiteral(";");
        if (i.HasComment)
            List << QStringLiteral("COMMENT ON INDEX ") + QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(i.Name) +
                        QStringLiteral(" IS ") + QuoteLiteral(i.Comment)
                 << QStringLiteral(";");
    }
}
