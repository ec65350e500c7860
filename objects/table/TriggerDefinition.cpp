#include "objects/table/TriggerDefinition.h"

#include "common/Quote.h"
#include "platform/db/Query.h"

namespace {

struct CloseOnExit {
    tv::db::Query *q;
    ~CloseOnExit() { q->Close(); }
};

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// Skips a quoted identifier or string literal starting at i (the quote);
// returns the index after its closing quote.
qsizetype SkipQuoted(const QString &s, qsizetype i)
{
    const QChar q = s[i];
    ++i;
    while (i < s.size()) {
        if (s[i] == q) {
            if (i + 1 < s.size() && s[i + 1] == q) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

// The position of Word (case-insensitive, whole word) in S from From on,
// outside quotes and parentheses; -1 when there is none.
qsizetype FindTopLevel(const QString &S, const QString &Word, qsizetype From)
{
    int depth = 0;
    qsizetype i = From;
    while (i < S.size()) {
        const QChar c = S[i];
        if (c == u'"' || c == u'\'') {
            i = SkipQuoted(S, i);
            continue;
        }
        if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            if (depth > 0)
                --depth;
        } else if (depth == 0 && (i == 0 || !IsWordChar(S[i - 1])) &&
                   S.mid(i, Word.size()).compare(Word, Qt::CaseInsensitive) == 0 &&
                   (i + Word.size() >= S.size() || !IsWordChar(S[i + Word.size()]))) {
            return i;
        }
        ++i;
    }
    return -1;
}

// The index after the identifier (quoted or plain) that starts at i.
qsizetype SkipIdentifier(const QString &S, qsizetype i)
{
    while (i < S.size() && S[i].isSpace())
        ++i;
    if (i < S.size() && S[i] == u'"')
        return SkipQuoted(S, i);
    while (i < S.size() && !S[i].isSpace())
        ++i;
    return i;
}

// The balanced parenthesized text starting at the first "(" from From.
QString Balanced(const QString &S, qsizetype From)
{
    const qsizetype open = S.indexOf(u'(', From);
    if (open < 0)
        return QString();
    int depth = 0;
    qsizetype i = open;
    while (i < S.size()) {
        const QChar c = S[i];
        if (c == u'"' || c == u'\'') {
            i = SkipQuoted(S, i);
            continue;
        }
        if (c == u'(')
            ++depth;
        else if (c == u')' && --depth == 0)
            return S.mid(open, i - open + 1);
        ++i;
    }
    return S.mid(open);
}

} // namespace

TTriggerClauses ParseTriggerDef(const QString &Def)
{
    TTriggerClauses r;
    // CREATE [CONSTRAINT] TRIGGER name <timing> <events> ON ...
    qsizetype i = FindTopLevel(Def, QStringLiteral("TRIGGER"), 0);
    if (i < 0)
        return r;
    i = SkipIdentifier(Def, i + 7);
    const qsizetype on = FindTopLevel(Def, QStringLiteral("ON"), i);
    const QString clause = Def.mid(i, on < 0 ? -1 : on - i).trimmed();
    QString events = clause;
    if (clause.startsWith(QLatin1String("BEFORE"), Qt::CaseInsensitive)) {
        r.Timing = ttBefore;
        events = clause.mid(6);
    } else if (clause.startsWith(QLatin1String("AFTER"), Qt::CaseInsensitive)) {
        r.Timing = ttAfter;
        events = clause.mid(5);
    } else if (clause.startsWith(QLatin1String("INSTEAD OF"), Qt::CaseInsensitive)) {
        r.Timing = ttInstead;
        events = clause.mid(10);
    }
    // Events are separated by OR outside quotes; each begins with its word.
    qsizetype from = 0;
    for (;;) {
        const qsizetype orPos = FindTopLevel(events, QStringLiteral("OR"), from);
        const QString part = events.mid(from, orPos < 0 ? -1 : orPos - from).trimmed();
        const QString word = part.section(u' ', 0, 0).toUpper();
        if (word == QLatin1String("INSERT"))
            r.Insert = true;
        else if (word == QLatin1String("UPDATE"))
            r.Update = true;
        else if (word == QLatin1String("DELETE"))
            r.Delete = true;
        else if (word == QLatin1String("TRUNCATE"))
            r.Truncate = true;
        if (orPos < 0)
            break;
        from = orPos + 2;
    }
    if (on < 0)
        return r;
    const qsizetype each = FindTopLevel(Def, QStringLiteral("FOR EACH"), on);
    if (each >= 0) {
        const QString level = Def.mid(each + 8).trimmed();
        r.Row = level.startsWith(QLatin1String("ROW"), Qt::CaseInsensitive);
        const qsizetype when = FindTopLevel(Def, QStringLiteral("WHEN"), each);
        const qsizetype exec = FindTopLevel(Def, QStringLiteral("EXECUTE"), each);
        if (when >= 0 && (exec < 0 || when < exec))
            r.When = Balanced(Def, when + 4);
    } else {
        const qsizetype when = FindTopLevel(Def, QStringLiteral("WHEN"), on);
        if (when >= 0)
            r.When = Balanced(Def, when + 4);
    }
    return r;
}

QStringList SplitTriggerArgs(const QByteArray &TgArgs)
{
    QStringList args;
    qsizetype start = 0;
    for (qsizetype i = 0; i < TgArgs.size(); ++i) {
        if (TgArgs[i] == '\0') {
            args << QString::fromUtf8(TgArgs.mid(start, i - start));
            start = i + 1;
        }
    }
    if (start < TgArgs.size())
        args << QString::fromUtf8(TgArgs.mid(start));
    return args;
}

QString FormatTriggerArgs(const QStringList &Args)
{
    QStringList quoted;
    for (const QString &a : Args)
        quoted << QuoteLiteral(a);
    return quoted.join(QStringLiteral(", "));
}

QStringList ParseTriggerArgs(const QString &Text)
{
    const QString t = Text.trimmed();
    if (t.isEmpty())
        return {};
    QStringList args;
    qsizetype i = 0;
    bool ok = true;
    while (ok) {
        while (i < t.size() && t[i].isSpace())
            ++i;
        if (i >= t.size() || t[i] != u'\'') {
            ok = false;
            break;
        }
        const qsizetype end = SkipQuoted(t, i);
        if (end > t.size() || t[end - 1] != u'\'' || end - i < 2) {
            ok = false;
            break;
        }
        args << t.mid(i + 1, end - i - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
        i = end;
        while (i < t.size() && t[i].isSpace())
            ++i;
        if (i >= t.size())
            break;
        if (t[i] != u',') {
            ok = false;
            break;
        }
        ++i;
    }
    if (!ok)
        return {Text};
    return args;
}

namespace TriggerSQL {

QString Trigger()
{
    return QStringLiteral(
        "SELECT TrgInf.tgname, TblInf.relname, TrgInf.tgconstraint, TrgInf.tgname, TrgInf.tgname, "
        "array_to_string(TrgInf.tgattr, E'\\r\\n') AS tgattr, TrgInf.tgname, RefTblInf.relname, "
        "TrgInf.tgdeferrable, TrgInf.tginitdeferred, pg_get_triggerdef(TrgInf.oid, True) AS StrCre, "
        "FncInf.proname, TrgInf.tgargs, TblInf.oid, TblNms.nspname, RefTblNms.nspname, FncNms.nspname "
        "FROM pg_trigger AS TrgInf "
        "LEFT JOIN pg_class AS TblInf ON TrgInf.tgrelid = TblInf.oid "
        "LEFT JOIN pg_class AS RefTblInf ON TrgInf.tgconstrrelid = RefTblInf.oid "
        "LEFT JOIN pg_proc AS FncInf ON TrgInf.tgfoid = FncInf.oid "
        "LEFT JOIN pg_namespace AS Nms ON TblInf.relnamespace = Nms.oid "
        "LEFT JOIN pg_tables AS TblShe ON TblInf.relname = TblShe.tablename AND Nms.nspname = TblShe.schemaname "
        "LEFT JOIN pg_views AS VieShe ON TblInf.relname = VieShe.viewname AND Nms.nspname = VieShe.schemaname "
        "LEFT JOIN pg_namespace AS TblNms ON TblInf.relnamespace = TblNms.oid "
        "LEFT JOIN pg_namespace AS RefTblNms ON RefTblInf.relnamespace = RefTblNms.oid "
        "LEFT JOIN pg_namespace AS FncNms ON FncInf.pronamespace = FncNms.oid "
        "WHERE (TblShe.schemaname = :OWNER OR VieShe.schemaname = :OWNER) "
        "AND TrgInf.tgname = :TRGNM AND TblInf.relname = :TBLNM");
}

QString ColumnName()
{
    return QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = :TBLOID AND attnum = :COLNO");
}

QString TargetKind(int DBVer)
{
    QString sql = QStringLiteral(
        "SELECT Tbl.TblNm, Tbl.TblType FROM (SELECT TblInf.relname AS TblNm, 'TABLE' AS TblType "
        "FROM pg_class TblInf LEFT JOIN pg_namespace TblNsp ON TblInf.relnamespace = TblNsp.oid "
        "WHERE TblInf.relkind IN (%1) AND TblNsp.nspname = :OWNER AND TblInf.relname = :TBLNM) Tbl "
        "UNION ALL SELECT TblInf.relname AS TblNm, 'VIEW' AS TblType "
        "FROM pg_class TblInf LEFT JOIN pg_namespace TblNsp ON TblInf.relnamespace = TblNsp.oid "
        "WHERE TblInf.relkind = 'v' AND TblNsp.nspname = :OWNER AND TblInf.relname = :TBLNM");
    sql = sql.arg(DBVer >= 100000 ? QStringLiteral("'r', 'p', 'f'") : QStringLiteral("'r', 'f'"));
    if (DBVer >= 90300)
        sql += QStringLiteral(
            " UNION ALL SELECT TblInf.relname AS TblNm, 'MATERIALIZED VIEW' AS TblType "
            "FROM pg_class TblInf LEFT JOIN pg_namespace TblNsp ON TblInf.relnamespace = TblNsp.oid "
            "WHERE TblInf.relkind = 'm' AND TblNsp.nspname = :OWNER AND TblInf.relname = :TBLNM");
    return sql;
}

QString Functions(bool ByName)
{
    return QStringLiteral("SELECT Prc.proname FROM pg_proc AS Prc LEFT JOIN pg_namespace AS Nms ON Prc.pronamespace = "
                          "Nms.oid LEFT JOIN pg_type AS Typ ON Prc.prorettype = Typ.oid WHERE Nms.nspname = :SCHEMA AND "
                          "Typ.typname = :TYPENM") +
           (ByName ? QStringLiteral(" AND Prc.proname = :FNCNM") : QString()) + QStringLiteral(" ORDER BY Prc.proname");
}

} // namespace TriggerSQL

std::optional<TTriggerDefinition> LoadTriggerDefinition(tv::db::Query &Query, const QString &Schema,
                                                        const QString &Name, const QString &TableName)
{
    CloseOnExit c{&Query};
    Query.Close();
    Query.SetSQL(TriggerSQL::Trigger());
    Query.ParamByName(QStringLiteral("OWNER")).setAsString(Schema);
    Query.ParamByName(QStringLiteral("TRGNM")).setAsString(Name);
    Query.ParamByName(QStringLiteral("TBLNM")).setAsString(TableName);
    Query.Open();
    if (Query.Eof())
        return std::nullopt;
    TTriggerDefinition d;
    d.Schema = Query.Fields(14).AsString();
    d.Name = Query.Fields(0).AsString();
    d.TableName = Query.Fields(1).AsString();
    d.Constraint = Query.Fields(2).AsString() != QLatin1String("0") && !Query.Fields(2).IsNull();
    const QString attrs = Query.Fields(5).AsString();
    d.RefTable = Query.Fields(7).AsString();
    d.Deferrable = Query.Fields(8).AsBoolean();
    d.InitiallyDeferred = Query.Fields(9).AsBoolean();
    d.ServerDef = Query.Fields(10).AsString();
    d.FuncName = Query.Fields(11).AsString();
    d.Args = SplitTriggerArgs(Query.Fields(12).AsBytes());
    d.TableOid = Query.Fields(13).AsString().toLongLong();
    d.RefSchema = Query.Fields(15).AsString();
    d.FuncSchema = Query.Fields(16).AsString();
    const TTriggerClauses cl = ParseTriggerDef(d.ServerDef);
    d.Timing = cl.Timing;
    d.Insert = cl.Insert;
    d.Update = cl.Update;
    d.Delete = cl.Delete;
    d.Truncate = cl.Truncate;
    d.Row = cl.Row;
    d.When = cl.When;
    Query.Close();
    // The update columns by number, in order.
    QStringList cols;
    const QStringList numbers = attrs.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    if (!numbers.isEmpty()) {
        Query.SetSQL(TriggerSQL::ColumnName());
        for (const QString &n : numbers) {
            Query.Close();
            Query.ParamByName(QStringLiteral("TBLOID")).setAsInt64(d.TableOid);
            Query.ParamByName(QStringLiteral("COLNO")).setAsInteger(n.trimmed().toInt());
            Query.Open();
            if (!Query.Eof())
                cols << QuoteIdentifier(Query.Fields(0).AsString());
        }
    }
    d.UpdateColumns = cols.join(QStringLiteral(", "));
    return d;
}

namespace TriggerDDL {

void Create(const TTriggerDefinition &Def, const QString &TablePrefix, bool ServerHas91, QStringList &List)
{
    List << (Def.Constraint && ServerHas91 ? QStringLiteral("CREATE CONSTRAINT TRIGGER ")
                                           : QStringLiteral("CREATE TRIGGER ")) +
                QuoteIdentifier(Def.Name);
    QString line = Def.Timing == ttAfter                      ? QStringLiteral("AFTER ")
                   : Def.Timing == ttInstead && ServerHas91 ? QStringLiteral("INSTEAD OF ")
                                                             : QStringLiteral("BEFORE ");
    bool first = true;
    auto event = [&](bool on, const QString &word) {
        if (!on)
            return;
        if (!first)
            line += QStringLiteral("OR ");
        first = false;
        line += word + u' ';
        if (word == QLatin1String("UPDATE") && !Def.UpdateColumns.isEmpty())
            line += QStringLiteral("OF ") + Def.UpdateColumns + u' ';
    };
    event(Def.Insert, QStringLiteral("INSERT"));
    event(Def.Delete, QStringLiteral("DELETE"));
    event(Def.Update, QStringLiteral("UPDATE"));
    event(Def.Truncate, QStringLiteral("TRUNCATE"));
    List << line;
    List << QStringLiteral("ON ") + TablePrefix + QuoteIdentifier(Def.TableName);
    if (ServerHas91 && Def.Constraint && !Def.RefTable.isEmpty())
        List << QStringLiteral("FROM ") + QuoteIdentifier(Def.RefSchema) + u'.' + QuoteIdentifier(Def.RefTable);
    if (ServerHas91 && Def.Deferrable) {
        List << QStringLiteral("DEFERRABLE ");
        if (Def.InitiallyDeferred)
            List << QStringLiteral("INITIALLY DEFERRED");
    }
    if (Def.Row)
        List << QStringLiteral("FOR EACH ROW");
    if (!Def.When.trimmed().isEmpty())
        List << QStringLiteral("WHEN ") + Def.When;
    List << QStringLiteral("EXECUTE PROCEDURE ") + QuoteIdentifier(Def.FuncSchema) + u'.' +
                QuoteIdentifier(Def.FuncName) + u'(' + FormatTriggerArgs(Def.Args) + u')';
    List << QStringLiteral(";");
}

QString Drop(const QString &Schema, const QString &Name, const QString &TableName)
{
    return QStringLiteral(" DROP TRIGGER ") + QuoteIdentifier(Name) + QStringLiteral(" ON ") + QuoteIdentifier(Schema) +
           u'.' + QuoteIdentifier(TableName);
}

} // namespace TriggerDDL
