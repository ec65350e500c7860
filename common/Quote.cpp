#include "common/Quote.h"

#include "common/tvOption.h"

#include <QStringList>

#include <algorithm>
#include <iterator>
#include <string_view>

namespace {

// The server's reserved key words: those that can never stand unquoted as a
// name, and those that can only be function or type names. Sorted.
constexpr std::string_view kReserved[] = {
    "all", "analyse", "analyze", "and", "any", "array", "as", "asc", "asymmetric", "authorization",
    "binary", "both", "case", "cast", "check", "collate", "collation", "column", "concurrently",
    "constraint", "create", "cross", "current_catalog", "current_date", "current_role",
    "current_schema", "current_time", "current_timestamp", "current_user", "default", "deferrable",
    "desc", "distinct", "do", "else", "end", "except", "false", "fetch", "for", "foreign", "freeze",
    "from", "full", "grant", "group", "having", "ilike", "in", "initially", "inner", "intersect",
    "into", "is", "isnull", "join", "lateral", "leading", "left", "like", "limit", "localtime",
    "localtimestamp", "natural", "not", "notnull", "null", "offset", "on", "only", "or", "order",
    "outer", "overlaps", "placing", "primary", "references", "returning", "right", "select",
    "session_user", "similar", "some", "symmetric", "table", "tablesample", "then", "to", "trailing",
    "true", "union", "unique", "user", "using", "variadic", "verbose", "when", "where", "window",
    "with",
};

QString quoteAlways(const QString &name)
{
    QString out;
    out.reserve(name.size() + 2);
    out.append(QLatin1Char('"'));
    for (QChar c : name) {
        if (c == QLatin1Char('"'))
            out.append(QLatin1Char('"'));
        out.append(c);
    }
    out.append(QLatin1Char('"'));
    return out;
}

bool isAsciiLower(QChar c) { return c >= QLatin1Char('a') && c <= QLatin1Char('z'); }
bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// A name the server reads back unchanged without quotes: a lower-case ASCII
// letter, "_" or a non-ASCII letter first, then those, digits or "$".
bool isPlainIdentifier(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        bool ok;
        if (c.unicode() < 0x80)
            ok = isAsciiLower(c) || c == QLatin1Char('_') || (i > 0 && (isAsciiDigit(c) || c == QLatin1Char('$')));
        else if (c.isSurrogate())
            ok = true; // letters outside the basic plane; the pair is checked as a whole below
        else
            ok = c.isLetter() || (i > 0 && (c.isNumber() || c.isMark()));
        if (!ok)
            return false;
    }
    return name.toLower() == name;
}

bool needsQuotesAlways(const QString &name)
{
    for (QChar c : name) {
        switch (c.unicode()) {
        case u'(':
        case u')':
        case 0xFF08:
        case 0xFF09:
        case u' ':
        case u'@':
        case u'=':
        case kBlankPlaceholder:
            return true;
        default:
            break;
        }
    }
    return false;
}

bool isControlOrBlank(QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; }

// Splits like a delimited list: an item starting with a double quote runs to
// its closing quote (doubled quotes made single); items also end at control
// characters; two delimiters in a row give an empty item.
QStringList splitDelimited(const QString &text, QChar delimiter)
{
    QStringList items;
    const qsizetype n = text.size();
    qsizetype p = 0;
    auto skipBlank = [&] {
        while (p < n && isControlOrBlank(text[p]))
            ++p;
    };
    skipBlank();
    while (p < n) {
        QString item;
        if (text[p] == QLatin1Char('"')) {
            ++p;
            while (p < n) {
                if (text[p] == QLatin1Char('"')) {
                    if (p + 1 < n && text[p + 1] == QLatin1Char('"')) {
                        item.append(QLatin1Char('"'));
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item.append(text[p++]);
            }
        } else {
            const qsizetype start = p;
            while (p < n && !isControlOrBlank(text[p]) && text[p] != delimiter && text[p].unicode() != 0)
                ++p;
            item = text.mid(start, p - start);
            if (p < n && text[p].unicode() == 0)
                ++p; // a NUL cannot end the text here; step over it
        }
        items.append(item);
        skipBlank();
        if (p < n && text[p] == delimiter) {
            if (p + 1 == n)
                items.append(QString());
            do {
                ++p;
            } while (p < n && isControlOrBlank(text[p]));
        }
    }
    return items;
}

struct IntervalRow {
    int mask;
    const char *fields;   // appended for precision 65535
    bool seconds;         // takes a precision 0..6
};

constexpr IntervalRow kIntervalRows[] = {
    {2, " MONTH", false},
    {4, " YEAR", false},
    {6, " YEAR TO MONTH", false},
    {8, " DAY", false},
    {1024, " HOUR", false},
    {1032, " DAY TO HOUR", false},
    {2048, " MINUTE", false},
    {3072, " HOUR TO MINUTE", false},
    {3080, " DAY TO MINUTE", false},
    {4096, " SECOND", true},
    {6144, " MINUTE TO SECOND", true},
    {7168, " HOUR TO SECOND", true},
    {7176, " DAY TO SECOND", true},
    {32767, "", true},
};

const IntervalRow *intervalRow(int typmod)
{
    const int mask = (typmod >> 16) & 0xFFFF;
    for (const IntervalRow &row : kIntervalRows) {
        if (row.mask == mask)
            return &row;
    }
    return nullptr;
}

int intervalPrecision(int typmod) { return typmod & 0xFFFF; }

// Precision and scale of a numeric modifier. The scale sits in the low 11
// bits as a signed number (the server allows negative scales).
int numericPrecision(int typmod) { return ((typmod - 4) >> 16) & 0xFFFF; }
int numericScale(int typmod) { return (((typmod - 4) & 0x7FF) ^ 0x400) - 0x400; }

bool isTimeName(const QString &name)
{
    static const QStringList names = {
        QStringLiteral("time with time zone"),          QStringLiteral("time without time zone"),
        QStringLiteral("timestamp with time zone"),     QStringLiteral("timestamp without time zone"),
        QStringLiteral("time with time zone[]"),        QStringLiteral("time without time zone[]"),
        QStringLiteral("timestamp with time zone[]"),   QStringLiteral("timestamp without time zone[]"),
    };
    return names.contains(name);
}

// Splits a trailing "[]" off a type name.
QString withoutArray(const QString &name, QString *suffix)
{
    if (name.endsWith(QLatin1String("[]"))) {
        *suffix = QStringLiteral("[]");
        return name.left(name.size() - 2);
    }
    suffix->clear();
    return name;
}

// A type name without modifier, as the catalog prints it: names that needed
// quotes keep them, a qualified name is quoted part by part, a plain name
// (a built-in type such as "double precision") stays as it is.
QString formatPlainTypeName(const QString &name)
{
    if (!name.contains(QLatin1Char('"')))
        return QuoteIdentifierList(name, false, QStringLiteral("."));
    struct Part {
        QString text;
        bool quoted;
    };
    QList<Part> parts;
    const qsizetype n = name.size();
    qsizetype p = 0;
    while (true) {
        Part part{QString(), false};
        if (p < n && name[p] == QLatin1Char('"')) {
            part.quoted = true;
            ++p;
            bool closed = false;
            while (p < n) {
                if (name[p] == QLatin1Char('"')) {
                    if (p + 1 < n && name[p + 1] == QLatin1Char('"')) {
                        part.text.append(QLatin1Char('"'));
                        p += 2;
                        continue;
                    }
                    ++p;
                    closed = true;
                    break;
                }
                part.text.append(name[p++]);
            }
            if (!closed || (p < n && name[p] != QLatin1Char('.')))
                return name; // not a well-formed quoted name: leave it to the reader
        } else {
            const qsizetype start = p;
            while (p < n && name[p] != QLatin1Char('.'))
                ++p;
            part.text = name.mid(start, p - start);
            if (part.text.contains(QLatin1Char('"')))
                return name;
        }
        parts.append(part);
        if (p >= n)
            break;
        ++p; // the "."
    }
    QStringList out;
    for (const Part &part : parts) {
        if (part.quoted)
            out.append(quoteAlways(part.text));
        else if (parts.size() == 1)
            out.append(part.text);
        else
            out.append(QuoteIdentifier(part.text));
    }
    return out.join(QLatin1Char('.'));
}

} // namespace

bool IsReservedKeyword(const QString &Word)
{
    const QString lower = Word.toLower();
    if (lower.isEmpty() || lower.size() > 20)
        return false;
    const std::string key = lower.toStdString();
    return std::binary_search(std::begin(kReserved), std::end(kReserved), std::string_view(key));
}

QString QuoteIdentifier(const QString &Name)
{
    qsizetype b = 0, e = Name.size();
    while (b < e && Name[b].unicode() <= 32)
        ++b;
    while (e > b && Name[e - 1].unicode() <= 32)
        --e;
    const bool startsQuoted = b < e && Name[b] == QLatin1Char('"');
    if (!startsQuoted) {
        if (tvOption.UseLowerName || Name.mid(b, e - b) != Name.toLower() || Name.contains(QLatin1Char('-')))
            return quoteAlways(Name);
        if (!Name.isEmpty() && (!isPlainIdentifier(Name) || IsReservedKeyword(Name)))
            return quoteAlways(Name);
    }
    if (needsQuotesAlways(Name))
        return quoteAlways(Name);
    return Name;
}

QString QuoteIdentifierList(const QString &Text, bool UseComma, const QString &Delimiter)
{
    QString text = Text;
    text.replace(QLatin1Char(' '), QChar(kBlankPlaceholder));
    QString result;
    if (UseComma) {
        QStringList items = splitDelimited(text, QLatin1Char(','));
        for (QString &item : items)
            item = QuoteIdentifier(item);
        result = items.join(QLatin1Char(','));
    } else {
        if (Delimiter.isEmpty() || !text.contains(Delimiter))
            return Text;
        QStringList items = splitDelimited(text, Delimiter[0]);
        for (QString &item : items)
            item = QuoteIdentifier(item);
        result = items.join(Delimiter);
    }
    result.replace(QChar(kBlankPlaceholder), QLatin1Char(' '));
    return result;
}

QString QuoteLiteral(const QString &Text)
{
    QString out;
    out.reserve(Text.size() + 2);
    out.append(QLatin1Char('\''));
    for (QChar c : Text) {
        if (c == QLatin1Char('\''))
            out.append(QLatin1Char('\''));
        out.append(c);
    }
    out.append(QLatin1Char('\''));
    return out;
}

QString StripDoubleQuotes(const QString &Text)
{
    if (Text.startsWith(QLatin1Char('"')) && Text.endsWith(QLatin1Char('"'))) {
        if (Text.size() == 1)
            return QString();
        return Text.mid(1, Text.size() - 2);
    }
    return Text;
}

void SplitAclItem(const QString &AclItem, const QString &Grantor, QString &Grantee, QString &Privileges)
{
    Q_UNUSED(Grantor);
    // grantee=privileges/grantor: the grantor begins after the last "/"
    // outside double quotes, whoever granted the item.
    qsizetype slash = -1;
    qsizetype eq = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < AclItem.size(); ++i) {
        const QChar c = AclItem[i];
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'/')
            slash = i;
        else if (!quoted && c == u'=' && slash < 0)
            eq = i;
    }
    // An item without a grantor is not one the server writes: it grants nothing.
    const QString rest = slash < 0 ? QString() : AclItem.left(slash);
    if (eq < 0) {
        Grantee = QStringLiteral("public");
        Privileges = rest;
        return;
    }
    Grantee = DequoteIdentifier(rest.left(eq));
    if (Grantee.isEmpty())
        Grantee = QStringLiteral("public");
    Privileges = rest.mid(eq + 1);
}

QString TypeModifierText(const QString &TypeName, int Typmod)
{
    if (Typmod == -1)
        return QString();
    if (TypeName == QLatin1String("interval") || TypeName == QLatin1String("interval[]")) {
        const IntervalRow *row = intervalRow(Typmod);
        const int prec = intervalPrecision(Typmod);
        if (row && row->seconds && prec >= 0 && prec <= 6)
            return QString::number(prec);
        return QString();
    }
    if (TypeName == QLatin1String("numeric") || TypeName == QLatin1String("numeric[]")) {
        const int p = numericPrecision(Typmod);
        const int s = numericScale(Typmod);
        if (p == 0)
            return QString();
        if (s == 0)
            return QString::number(p);
        return QString::number(p) + QLatin1Char(',') + QString::number(s);
    }
    static const QStringList asIs = {
        QStringLiteral("bit"), QStringLiteral("bit[]"), QStringLiteral("bit varying"), QStringLiteral("bit varying[]"),
    };
    if (asIs.contains(TypeName) || isTimeName(TypeName))
        return QString::number(Typmod);
    return QString::number(qint64(Typmod) - 4);
}

QString IntervalFieldsText(const QString &TypeName, int Typmod)
{
    QString arr;
    QString text = withoutArray(TypeName, &arr);
    const IntervalRow *row = intervalRow(Typmod);
    const int prec = intervalPrecision(Typmod);
    if (row && (prec == 65535 || (row->seconds && prec >= 0 && prec <= 6)))
        text += QLatin1String(row->fields);
    return text + arr;
}

QString FormatTypeWithModifier(const QString &TypeName, int Typmod)
{
    QString arr;
    if (Typmod == -1) {
        const QString base = withoutArray(TypeName, &arr);
        return formatPlainTypeName(base) + arr;
    }
    if (isTimeName(TypeName)) {
        const qsizetype blank = TypeName.indexOf(QLatin1Char(' '));
        QString text = TypeName;
        text.insert(blank, QLatin1Char('(') + QString::number(Typmod) + QLatin1Char(')'));
        return text;
    }
    QString text = withoutArray(TypeName, &arr);
    if (TypeName.contains(QLatin1String("interval"))) {
        const IntervalRow *row = intervalRow(Typmod);
        const int prec = intervalPrecision(Typmod);
        if (row && prec == 65535)
            text += QLatin1String(row->fields);
        else if (row && row->seconds && prec >= 0 && prec <= 6)
            text += QLatin1String(row->fields) + QStringLiteral(" (") + QString::number(prec) + QLatin1Char(')');
    } else if (TypeName.contains(QLatin1String("numeric"))) {
        text += QLatin1Char('(') + QString::number(numericPrecision(Typmod)) + QLatin1Char(',')
                + QString::number(numericScale(Typmod)) + QLatin1Char(')');
    } else if (TypeName.contains(QLatin1String("bit"))) {
        text += QLatin1Char('(') + QString::number(Typmod) + QLatin1Char(')');
    } else {
        text += QLatin1Char('(') + QString::number(qint64(Typmod) - 4) + QLatin1Char(')');
    }
    return text + arr;
}

QString DequoteIdentifier(const QString &Text)
{
    if (!Text.startsWith(QLatin1Char('"')))
        return Text;
    QString out;
    const qsizetype n = Text.size();
    for (qsizetype i = 1; i < n; ++i) {
        if (Text[i] == QLatin1Char('"')) {
            if (i + 1 < n && Text[i + 1] == QLatin1Char('"')) {
                out.append(QLatin1Char('"'));
                ++i;
                continue;
            }
            break;
        }
        out.append(Text[i]);
    }
    return out;
}

QString NormalizeIdentifier(const QString &Text)
{
    QString text = Text;
    if (text.endsWith(QLatin1Char(';')))
        text.chop(1);
    if (text.startsWith(QLatin1Char('"')))
        return DequoteIdentifier(text);
    return text.toLower();
}
