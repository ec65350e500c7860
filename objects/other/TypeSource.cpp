#include "objects/other/TypeSource.h"

#include "common/Quote.h"
#include "platform/Errors.h"
#include "platform/db/Query.h"

namespace TypeSource {

namespace {

struct CloseOnExit {
    tv::db::Query &q;
    ~CloseOnExit() { q.Close(); }
};

void OpenFor(tv::db::Query &q, const QString &Sql, const QString &Schema, const QString &Name)
{
    q.Close();
    q.SetSQL(Sql);
    if (Sql.contains(QLatin1String(":SCHEMA")))
        q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    if (Sql.contains(QLatin1String(":OBJNAME")))
        q.ParamByName(QStringLiteral("OBJNAME")).setAsString(Name);
    q.Open();
}

} // namespace

QString LookupSQL()
{
    return QStringLiteral(
        "SELECT T.typtype FROM   pg_type T LEFT JOIN pg_namespace N ON T.typnamespace = N.oid"
        "                 LEFT JOIN pg_class C ON T.typrelid = c.oid"
        " WHERE  (C.relkind = 'c' OR T.typtype = 'e' OR T.typtype = 'r' OR T.typtype = 'p' OR"
        " ( T.typtype = 'b' AND T.typcategory NOT IN('A','B','C','D','E','G','I','N','P','R','S','T','V','X') ))"
        " AND   N.nspname = :SCHEMA AND   T.typname = :OBJNAME");
}

QString ColumnMaxSQL()
{
    return QStringLiteral(
        "SELECT MAX(A.attnum) AS attnum_max, MAX(Length(A.attname)) FROM pg_type T"
        " LEFT JOIN pg_namespace N ON T.typnamespace = N.oid LEFT JOIN pg_class C ON T.typrelid = c.oid"
        " LEFT JOIN pg_attribute A ON C.oid = A.attrelid"
        " WHERE C.relkind = 'c' AND A.attnum > 0 AND A.attisdropped = False"
        " AND N.nspname = :SCHEMA AND T.typname = :OBJNAME");
}

QString KindSQL(int Kind, const QString &Schema, const QString &Name)
{
    switch (Kind) {
    case 0:
        return QStringLiteral(
            "SELECT A.attnum, A.attname, format_type(A.atttypid, NULL) AS data_type, A.atttypmod, T2.typcategory"
            " FROM pg_type T LEFT JOIN pg_namespace N  ON T.typnamespace = N.oid"
            "               LEFT JOIN pg_class C ON T.typrelid = c.oid"
            "               LEFT JOIN pg_attribute A ON C.oid = A.attrelid"
            "               LEFT JOIN pg_type T2 ON A.atttypid = T2.oid"
            " WHERE C.relkind = 'c' AND A.attnum > 0 AND A.attisdropped = False"
            " AND N.nspname = :SCHEMA AND T.typname = :OBJNAME ORDER BY A.attnum");
    case 1:
        // One row per label in sort order (a label may hold a line break).
        return QStringLiteral("SELECT unnest(enum_range(null::") + QuoteIdentifier(Schema) + u'.' +
               QuoteIdentifier(Name) + QStringLiteral("))::text");
    case 2:
        return QStringLiteral(
            "SELECT T2.typname AS subtype, O.opcname, R.rngcollation, CO.collname, R.rngcanonical,"
            " P.proname AS canonical_name, R.rngsubdiff, P2.proname AS subdiff_name"
            " FROM pg_type T LEFT JOIN pg_namespace N ON T.typnamespace = N.oid"
            " LEFT JOIN pg_range R ON T.oid = R.rngtypid LEFT JOIN pg_type T2 ON R.rngsubtype = T2.oid"
            " LEFT JOIN pg_opclass O ON R.rngsubopc = O.oid LEFT JOIN pg_proc P ON R.rngcanonical = P.oid"
            " LEFT JOIN pg_proc P2 ON R.rngsubdiff = P2.oid LEFT JOIN pg_collation CO ON R.rngcollation = CO.oid"
            " WHERE T.typtype = 'r' AND N.nspname = :SCHEMA AND T.typname = :OBJNAME");
    case 3:
        return QStringLiteral(
            "SELECT P_IN.proname AS typinput, P_OUT.proname AS typoutput, P_REC.proname AS typreceive,"
            " P_SEND.proname AS typsend, P_DIN.proname AS typmodin, P_DOUT.proname AS typmodout,"
            " P_ANA.proname AS typanalyze, T.typlen, T.typbyval, T.typalign, T.typstorage, T.typcategory,"
            " T.typispreferred, T.typdefault, T.typelem, T2.typname AS element, T.typdelim, T.typcollation"
            " FROM pg_type T LEFT JOIN pg_namespace N ON T.typnamespace = N.oid"
            " LEFT JOIN pg_proc P_IN ON T.typinput = P_IN.oid LEFT JOIN pg_proc P_OUT ON T.typoutput = P_OUT.oid"
            " LEFT JOIN pg_proc P_REC ON T.typreceive = P_REC.oid LEFT JOIN pg_proc P_SEND ON T.typsend = P_SEND.oid"
            " LEFT JOIN pg_proc P_DIN ON T.typmodin = P_DIN.oid LEFT JOIN pg_proc P_DOUT ON T.typmodout = P_DOUT.oid"
            " LEFT JOIN pg_proc P_ANA ON T.typanalyze = P_ANA.oid LEFT JOIN pg_type T2 ON T.typelem = T2.oid"
            " WHERE T.typtype = 'b'"
            " AND T.typcategory NOT IN('A','B','C','D','E','G','I','N','P','R','S','T','V','X')"
            " AND N.nspname = :SCHEMA AND T.typname = :OBJNAME");
    default:
        return QString();
    }
}

QString AttributeLine(const QString &Name, const QString &TypeText, bool Last)
{
    const QString q = QuoteIdentifier(Name);
    return QStringLiteral("    ") + q + QString(std::max<qsizetype>(0, 30 - q.size()), u' ') + TypeText +
           (Last ? QString() : QStringLiteral(","));
}

namespace {

void Composite(tv::db::Query &q, const QString &Schema, const QString &Name, QStringList &Lines)
{
    int maxNo = 0;
    QList<QStringList> rows;
    try {
        OpenFor(q, ColumnMaxSQL(), Schema, Name);
        maxNo = q.Eof() ? 0 : q.Fields(0).AsInteger();
        OpenFor(q, KindSQL(0, Schema, Name), Schema, Name);
        for (; !q.Eof(); q.Next()) {
            const int no = q.Fields(0).AsInteger();
            Lines << AttributeLine(q.Fields(1).AsString(),
                                   FormatTypeWithModifier(q.Fields(2).AsString(), q.Fields(3).AsInteger()),
                                   no == maxNo);
        }
    } catch (const tv::Error &) {
        throw tv::SilentAbort();
    }
}

void Enumeration(tv::db::Query &q, const QString &Schema, const QString &Name, QStringList &Lines)
{
    QStringList labels;
    try {
        OpenFor(q, KindSQL(1, Schema, Name), Schema, Name);
        for (; !q.Eof(); q.Next())
            labels << q.Fields(0).AsString();
    } catch (const tv::Error &) {
        labels.clear();
    }
    for (int i = 0; i < labels.size(); ++i)
        Lines << QStringLiteral("    ") + QuoteLiteral(labels[i]) + (i + 1 < labels.size() ? QStringLiteral(",") : QString());
}

void Range(tv::db::Query &q, const QString &Schema, const QString &Name, QStringList &Lines)
{
    QStringList add;
    try {
        OpenFor(q, KindSQL(2, Schema, Name), Schema, Name);
        if (!q.Eof()) {
            add << QStringLiteral("    SUBTYPE = ") + q.FieldByName(QStringLiteral("subtype")).AsString();
            const QString opc = q.FieldByName(QStringLiteral("opcname")).AsString();
            if (!opc.isEmpty())
                add << QStringLiteral("  , SUBTYPE_OPCLASS = ") + opc;
            if (q.FieldByName(QStringLiteral("rngcollation")).AsInt64() != 0)
                add << QStringLiteral("  , COLLATION = ") +
                           QuoteIdentifier(q.FieldByName(QStringLiteral("collname")).AsString());
            if (q.FieldByName(QStringLiteral("rngcanonical")).AsString() != QLatin1String("-"))
                add << QStringLiteral("  , CANONICAL = ") + q.FieldByName(QStringLiteral("canonical_name")).AsString();
            if (q.FieldByName(QStringLiteral("rngsubdiff")).AsString() != QLatin1String("-"))
                add << QStringLiteral("  , SUBTYPE_DIFF = ") + q.FieldByName(QStringLiteral("subdiff_name")).AsString();
        }
    } catch (const tv::Error &) {
        add.clear();
    }
    Lines << add;
}

void Base(tv::db::Query &q, const QString &Schema, const QString &Name, QStringList &Lines)
{
    QStringList add;
    try {
        OpenFor(q, KindSQL(3, Schema, Name), Schema, Name);
        if (!q.Eof()) {
            auto text = [&q](const char *f) { return q.FieldByName(QString::fromLatin1(f)).AsString(); };
            auto flag = [&q](const char *f) { return q.FieldByName(QString::fromLatin1(f)).AsBoolean(); };
            add << QStringLiteral("    INPUT = ") + text("typinput") << QStringLiteral("  , OUTPUT = ") + text("typoutput");
            const std::pair<const char *, const char *> optional[] = {
                {"typreceive", "  , RECEIVE = "}, {"typsend", "  , SEND = "},         {"typmodin", "  , TYPMOD_IN = "},
                {"typmodout", "  , TYPMOD_OUT = "}, {"typanalyze", "  , ANALYZE = "}};
            for (const auto &[field, head] : optional)
                if (!text(field).isEmpty())
                    add << QString::fromUtf8(head) + text(field);
            add << QStringLiteral("  , INTERNALLENGTH = ") + text("typlen");
            if (flag("typbyval"))
                add << QStringLiteral("  , PASSEDBYVALUE");
            const QString align = text("typalign");
            if (align == u"c")
                add << QStringLiteral("  , ALIGNMENT = char");
            else if (align == u"s")
                add << QStringLiteral("  , ALIGNMENT = int2");
            else if (align == u"i")
                add << QStringLiteral("  , ALIGNMENT = int4");
            else if (align == u"d")
                add << QStringLiteral("  , ALIGNMENT = double");
            const QString storage = text("typstorage");
            if (storage == u"p")
                add << QStringLiteral("  , STORAGE = plain");
            else if (storage == u"e")
                add << QStringLiteral("  , STORAGE = external");
            else if (storage == u"m")
                add << QStringLiteral("  , STORAGE = main");
            else if (storage == u"x")
                add << QStringLiteral("  , STORAGE = extended");
            add << QStringLiteral("  , CATEGORY = ") + QuoteLiteral(text("typcategory"));
            add << (flag("typispreferred") ? QStringLiteral("  , PREFERRED = TRUE") : QStringLiteral("  , PREFERRED = FALSE"));
            if (!q.FieldByName(QStringLiteral("typdefault")).IsNull())
                add << QStringLiteral("  , DEFAULT = ") + QuoteLiteral(text("typdefault"));
            if (q.FieldByName(QStringLiteral("typelem")).AsInt64() != 0)
                add << QStringLiteral("  , ELEMENT = ") + text("element");
            add << QStringLiteral("  , DELIMITER = ") + QuoteLiteral(text("typdelim"));
            add << (q.FieldByName(QStringLiteral("typcollation")).AsInt64() != 0 ? QStringLiteral("  , COLLATABLE = TRUE")
                                                                                : QStringLiteral("  , COLLATABLE = FALSE"));
        }
    } catch (const tv::Error &) {
        add.clear();
    }
    Lines << add;
}

} // namespace

QString Build(tv::db::Query &Query, const QString &Schema, const QString &Name, const QString &Prefix,
              QStringList &Lines)
{
    CloseOnExit close{Query};
    OpenFor(Query, LookupSQL(), Schema, Name);
    if (Query.Eof())
        return QString();
    const QString typtype = Query.Fields(0).AsString();
    Query.Close();
    Lines << QStringLiteral("CREATE TYPE ") + Prefix + QuoteIdentifier(Name);
    bool parenthesis = true;
    if (typtype == u"c") {
        Lines << QStringLiteral("AS (");
        Composite(Query, Schema, Name, Lines);
    } else if (typtype == u"e") {
        Lines << QStringLiteral("AS ENUM (");
        Enumeration(Query, Schema, Name, Lines);
    } else if (typtype == u"r") {
        Lines << QStringLiteral("AS RANGE (");
        Range(Query, Schema, Name, Lines);
    } else if (typtype == u"b") {
        Lines << QStringLiteral("(");
        Base(Query, Schema, Name, Lines);
    } else {
        parenthesis = false;
    }
    if (parenthesis)
        Lines << QStringLiteral(")");
    Lines << QStringLiteral(";");
    return typtype;
}

} // namespace TypeSource
