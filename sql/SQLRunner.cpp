#include "sql/SQLRunner.h"

#include "platform/Errors.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTime>

#include <limits>

namespace sqlrun {

QStringList SplitLines(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    return text.split(breaks);
}

bool IsTerminatorLine(const QString &line)
{
    return line.trimmed() == QLatin1String(";");
}

QList<TStatement> SplitStatements(const QStringList &lines)
{
    QList<TStatement> out;
    TStatement cur;
    cur.startIndex = 0;
    for (int i = 0; i < lines.size(); ++i) {
        if (IsTerminatorLine(lines.at(i))) {
            cur.endIndex = i;
            out.append(cur);
            cur = TStatement();
            cur.startIndex = i + 1;
        } else {
            cur.lines.append(lines.at(i));
        }
    }
    cur.endIndex = std::max(0, int(lines.size()) - 1);
    out.append(cur);
    return out;
}

namespace {

bool IsTrimChar(QChar c)
{
    return c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char(' ');
}

QString TrimTLCB(const QString &s)
{
    int b = 0, e = int(s.size());
    while (b < e && IsTrimChar(s.at(b)))
        ++b;
    while (e > b && IsTrimChar(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

bool StartsWithWord(const QString &upper, const QString &word)
{
    if (!upper.startsWith(word))
        return false;
    return upper.size() == word.size() || IsTrimChar(upper.at(word.size()));
}

} // namespace

bool IsRemarkLine(const QString &line)
{
    const QString u = TrimTLCB(line).toUpper();
    return u.isEmpty() || StartsWithWord(u, QStringLiteral("REM")) || StartsWithWord(u, QStringLiteral("REMARK"));
}

void ReplaceTabsOutsideQuotes(QStringList &Lines)
{
    enum class St { Normal, Single, Double, Dollar, Block };
    St st = St::Normal;
    bool backslash = false; // E'…' takes backslash escapes
    QString tag;            // the dollar quote's delimiter
    int depth = 0;          // nesting of block comments
    for (QString &line : Lines) {
        const int n = int(line.size());
        for (int i = 0; i < n; ++i) {
            const QChar c = line.at(i);
            switch (st) {
            case St::Normal:
                if (c == QLatin1Char('\t')) {
                    line[i] = QLatin1Char(' ');
                } else if (c == QLatin1Char('\'')) {
                    backslash = i > 0 && (line.at(i - 1) == QLatin1Char('E') || line.at(i - 1) == QLatin1Char('e')) &&
                                (i < 2 || !(line.at(i - 2).isLetterOrNumber() || line.at(i - 2) == QLatin1Char('_')));
                    st = St::Single;
                } else if (c == QLatin1Char('"')) {
                    st = St::Double;
                } else if (c == QLatin1Char('-') && i + 1 < n && line.at(i + 1) == QLatin1Char('-')) {
                    // A line comment: the rest of the line, TABs replaced.
                    for (int k = i + 2; k < n; ++k)
                        if (line.at(k) == QLatin1Char('\t'))
                            line[k] = QLatin1Char(' ');
                    i = n;
                } else if (c == QLatin1Char('/') && i + 1 < n && line.at(i + 1) == QLatin1Char('*')) {
                    st = St::Block;
                    depth = 1;
                    ++i;
                } else if (c == QLatin1Char('$') &&
                           (i == 0 || !(line.at(i - 1).isLetterOrNumber() || line.at(i - 1) == QLatin1Char('_')))) {
                    int k = i + 1;
                    while (k < n && (line.at(k).isLetter() || line.at(k) == QLatin1Char('_') ||
                                     (k > i + 1 && line.at(k).isDigit())))
                        ++k;
                    if (k < n && line.at(k) == QLatin1Char('$')) {
                        tag = line.mid(i, k - i + 1);
                        st = St::Dollar;
                        i = k;
                    }
                }
                break;
            case St::Single:
                if (backslash && c == QLatin1Char('\\')) {
                    ++i;
                } else if (c == QLatin1Char('\'')) {
                    if (i + 1 < n && line.at(i + 1) == QLatin1Char('\''))
                        ++i;
                    else
                        st = St::Normal;
                }
                break;
            case St::Double:
                if (c == QLatin1Char('"'))
                    st = St::Normal;
                break;
            case St::Dollar:
                if (c == QLatin1Char('$') && QStringView(line).mid(i).startsWith(tag)) {
                    i += int(tag.size()) - 1;
                    st = St::Normal;
                }
                break;
            case St::Block:
                if (c == QLatin1Char('\t')) {
                    line[i] = QLatin1Char(' ');
                } else if (c == QLatin1Char('*') && i + 1 < n && line.at(i + 1) == QLatin1Char('/')) {
                    ++i;
                    if (--depth == 0)
                        st = St::Normal;
                } else if (c == QLatin1Char('/') && i + 1 < n && line.at(i + 1) == QLatin1Char('*')) {
                    ++i;
                    ++depth;
                }
                break;
            }
        }
    }
}

void CleanStatementLines(QStringList &Lines)
{
    while (!Lines.isEmpty() && IsRemarkLine(Lines.first()))
        Lines.removeFirst();
    while (!Lines.isEmpty() && IsRemarkLine(Lines.last()))
        Lines.removeLast();
    if (Lines.isEmpty())
        return;
    auto isSelect = [](const QString &l) {
        int b = 0;
        while (b < l.size() && l.at(b) == QLatin1Char(' '))
            ++b;
        return QStringView(l).mid(b).startsWith(QLatin1String("select"), Qt::CaseInsensitive);
    };
    if (isSelect(Lines.first()) || isSelect(Lines.last()))
        ReplaceTabsOutsideQuotes(Lines);
}

namespace {

// The first word of the statement, upper-cased.
QString FirstWord(const QString &sql)
{
    const int n = int(sql.size());
    int i = 0;
    for (;;) {
        while (i < n && (sql.at(i).isSpace() || sql.at(i) == QLatin1Char('(')))
            ++i;
        if (i + 1 < n && sql.at(i) == QLatin1Char('-') && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
            continue;
        }
        if (i + 1 < n && sql.at(i) == QLatin1Char('/') && sql.at(i + 1) == QLatin1Char('*')) {
            int depth = 1;
            i += 2;
            while (i < n && depth > 0) {
                if (i + 1 < n && sql.at(i) == QLatin1Char('*') && sql.at(i + 1) == QLatin1Char('/')) {
                    --depth;
                    i += 2;
                } else if (i + 1 < n && sql.at(i) == QLatin1Char('/') && sql.at(i + 1) == QLatin1Char('*')) {
                    ++depth;
                    i += 2;
                } else {
                    ++i;
                }
            }
            continue;
        }
        break;
    }
    int e = i;
    while (e < n && (sql.at(e).isLetter() || sql.at(e) == QLatin1Char('_')))
        ++e;
    return sql.mid(i, e - i).toUpper();
}

} // namespace

TStatementKind StatementKind(const QString &sql)
{
    const QString w = FirstWord(sql);
    using K = TStatementKind;
    if (w == QLatin1String("SELECT") || w == QLatin1String("WITH") || w == QLatin1String("VALUES") ||
        w == QLatin1String("TABLE"))
        return K::Select;
    if (w == QLatin1String("INSERT"))
        return K::Insert;
    if (w == QLatin1String("UPDATE"))
        return K::Update;
    if (w == QLatin1String("DELETE"))
        return K::Delete;
    if (w == QLatin1String("CREATE"))
        return K::Create;
    if (w == QLatin1String("ALTER"))
        return K::Alter;
    if (w == QLatin1String("DROP"))
        return K::Drop;
    if (w == QLatin1String("COMMIT") || w == QLatin1String("END"))
        return K::Commit;
    if (w == QLatin1String("ROLLBACK") || w == QLatin1String("ABORT"))
        return K::Rollback;
    if (w == QLatin1String("CALL"))
        return K::Call;
    return K::Other;
}

bool MayReturnRows(const QString &sql, TStatementKind kind)
{
    using K = TStatementKind;
    switch (kind) {
    case K::Insert: case K::Update: case K::Delete: {
        static const QRegularExpression returning(QStringLiteral("\\bRETURNING\\b"),
                                                  QRegularExpression::CaseInsensitiveOption);
        return returning.match(sql).hasMatch();
    }
    case K::Create: case K::Alter: case K::Drop: case K::Commit: case K::Rollback:
        return false;
    default:
        return true;
    }
}

bool MaySendAhead(const QString &sql, TStatementKind kind)
{
    using K = TStatementKind;
    return (kind == K::Insert || kind == K::Update || kind == K::Delete) && !MayReturnRows(sql, kind);
}

bool ParsesParams(const QString &sql)
{
    return sql.left(6).compare(QLatin1String("CREATE"), Qt::CaseInsensitive) != 0;
}

QString CommandText(const QString &sql, TStatementKind kind)
{
    using K = TStatementKind;
    switch (kind) {
    case K::Delete: case K::Insert: case K::Update: case K::Create: case K::Alter: case K::Drop:
    case K::Commit: case K::Rollback:
        break;
    default:
        return sql;
    }
    const QString t = sql.trimmed();
    if (t.contains(QLatin1String("CREATE "))) {
        for (const char *w : {" PROCEDURE ", " FUNCTION ", " PACKAGE ", " TRIGGER ", " TYPE "})
            if (t.contains(QLatin1String(w)))
                return sql;
    }
    if (!t.endsWith(QLatin1Char(';')))
        return sql;
    return t.left(t.size() - 1).trimmed();
}

// ---- bind variables -------------------------------------------------------------

namespace {

struct TypeEntry {
    const char *name;
    TBindType type;
};
constexpr TypeEntry kTypes[] = {
    {"smallint", TBindType::SmallInt},
    {"integer", TBindType::Integer},
    {"bigint", TBindType::LargeInt},
    {"numeric", TBindType::Numeric},
    {"real", TBindType::Float},
    {"double precision", TBindType::Float},
    {"smallserial", TBindType::LongWord},
    {"serial", TBindType::LongWord},
    {"bigserial", TBindType::LongWord},
    {"char", TBindType::String},
    {"varchar", TBindType::String},
    {"character", TBindType::String},
    {"character varying", TBindType::String},
    {"text", TBindType::String},
    {"time(6) without time zone", TBindType::Time},
    {"timestamp(6) without time zone", TBindType::TimeStamp},
    {"date", TBindType::Date},
    {"boolean", TBindType::Boolean},
};

[[noreturn]] void NotA(const QString &text, const QString &what)
{
    throw tv::Error(QStringLiteral("'%1' は有効な%2ではありません").arg(text, what));
}

qint64 ToInt64(const QString &text, qint64 lo, qint64 hi, const QString &what)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    if (!ok || v < lo || v > hi)
        NotA(text, what);
    return v;
}

// A decimal number as typed (sign, digits, one point, exponent), trimmed.
QString DecimalText(const QString &text, bool allowSpecial)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString t = text.trimmed();
    if (number.match(t).hasMatch())
        return t;
    if (allowSpecial) {
        const QString l = t.toLower();
        for (const char *s : {"nan", "infinity", "-infinity", "+infinity"})
            if (l == QLatin1String(s))
                return t;
    }
    NotA(text, QStringLiteral("浮動小数点値"));
}

QDate ReadDate(const QString &t)
{
    for (const char *f : {"yyyy/MM/dd", "yyyy-MM-dd", "yyyy/M/d", "yyyy-M-d"}) {
        const QDate d = QDate::fromString(t, QLatin1String(f));
        if (d.isValid())
            return d;
    }
    return QDate();
}

QTime ReadTime(const QString &t)
{
    for (const char *f : {"HH:mm:ss.zzz", "HH:mm:ss", "HH:mm", "H:mm:ss", "H:mm"}) {
        const QTime v = QTime::fromString(t, QLatin1String(f));
        if (v.isValid())
            return v;
    }
    return QTime();
}

} // namespace

QStringList BindTypeNames(const QStringList &typeNames)
{
    QStringList l;
    TBindType t;
    for (const QString &name : typeNames)
        if (GetParamDataType(name, t))
            l << name;
    return l;
}

bool GetParamDataType(const QString &TypeName, TBindType &DataType)
{
    QString name = TypeName;
    if (name.contains(QLatin1String("[]")))
        name.chop(2);
    for (const TypeEntry &e : kTypes) {
        if (name == QLatin1String(e.name)) {
            DataType = e.type;
            return true;
        }
    }
    DataType = TBindType::String;
    return false;
}

void SetParamValue(tv::db::Param &param, TBindType type, const QString &text)
{
    using tv::db::ParamType;
    const QString t = text.trimmed();
    switch (type) {
    case TBindType::String:
        // The server infers the type from where the parameter stands.
        param.DataType = ParamType::Unknown;
        param.Value = QVariant(text);
        return;
    case TBindType::SmallInt:
        param.DataType = ParamType::SmallInt;
        param.Value = int(ToInt64(t, -32768, 32767, QStringLiteral("整数値")));
        return;
    case TBindType::Integer:
        param.DataType = ParamType::Integer;
        param.Value = int(ToInt64(t, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                                  QStringLiteral("整数値")));
        return;
    case TBindType::LargeInt:
        param.DataType = ParamType::BigInt;
        param.Value = qlonglong(ToInt64(t, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(),
                                        QStringLiteral("整数値")));
        return;
    case TBindType::LongWord:
        // Serial columns: a whole number that fits the column's range.
        param.DataType = ParamType::BigInt;
        param.Value = qlonglong(ToInt64(t, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(),
                                        QStringLiteral("整数値")));
        return;
    case TBindType::Numeric:
        param.DataType = ParamType::Numeric;
        param.Value = DecimalText(t, true);
        return;
    case TBindType::Float:
        param.DataType = ParamType::Float;
        param.Value = DecimalText(t, true); // the exact text; the server reads it
        return;
    case TBindType::Boolean: {
        param.DataType = ParamType::Boolean;
        bool ok = false;
        const double n = t.toDouble(&ok);
        if (ok) {
            param.Value = n != 0.0;
            return;
        }
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
            param.Value = true;
            return;
        }
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
            param.Value = false;
            return;
        }
        NotA(text, QStringLiteral("ブール値"));
    }
    case TBindType::Date: {
        const QDate d = ReadDate(t);
        if (!d.isValid())
            NotA(text, QStringLiteral("日付"));
        param.DataType = ParamType::Date;
        param.Value = d;
        return;
    }
    case TBindType::Time: {
        const QTime v = ReadTime(t);
        if (!v.isValid())
            NotA(text, QStringLiteral("時刻"));
        param.DataType = ParamType::Time;
        param.Value = v;
        return;
    }
    case TBindType::TimeStamp: {
        const int sp = t.indexOf(QLatin1Char(' '));
        const QDate d = ReadDate(sp < 0 ? t : t.left(sp));
        const QTime v = sp < 0 ? QTime(0, 0) : ReadTime(t.mid(sp + 1).trimmed());
        if (!d.isValid() || !v.isValid())
            NotA(text, QStringLiteral("日付時刻"));
        param.DataType = ParamType::Timestamp;
        param.Value = QDateTime(d, v);
        return;
    }
    }
}

int ParamSize(const QString &value)
{
    return std::max(255, int(value.size()) + 1);
}

QString FormatElapsed(qint64 ms)
{
    if (ms < 0)
        ms = 0;
    const qint64 h = ms / 3600000, m = ms / 60000 % 60, s = ms / 1000 % 60, z = ms % 1000;
    return QString::asprintf("%02lld:%02lld:%02lld.%03lld", h, m, s, z);
}

QString ElapsedMessage(qint64 ms)
{
    return QStringLiteral("処理時間(HH:MM:SS.Ms)：") + FormatElapsed(ms);
}

QString ExecutedMessage(qint64 rows)
{
    return QStringLiteral(" SQLを実行しました。\r\n(対象：") + QString::number(rows) + QStringLiteral(" レコード )");
}

} // namespace sqlrun
