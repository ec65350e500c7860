#include "ResultSet.h"

#include <algorithm>


namespace tv::db {

namespace {

// Reads up to maxDigits digits at s[pos], advancing pos; -1 when none.
int digits(QStringView s, qsizetype &pos, int minDigits, int maxDigits)
{
    int v = 0, n = 0;
    while (pos < s.size() && n < maxDigits && s[pos].isDigit()) {
        v = v * 10 + s[pos].digitValue();
        ++pos;
        ++n;
    }
    return n >= minDigits ? v : -1;
}

bool parseDatePart(QStringView s, qsizetype &pos, QDate *d)
{
    const int y = digits(s, pos, 4, 9);
    if (y < 0 || pos >= s.size() || s[pos++] != u'-')
        return false;
    const int m = digits(s, pos, 2, 2);
    if (m < 0 || pos >= s.size() || s[pos++] != u'-')
        return false;
    const int day = digits(s, pos, 2, 2);
    if (day < 0)
        return false;
    *d = QDate(y, m, day);
    return d->isValid();
}

bool parseTimePart(QStringView s, qsizetype &pos, QTime *t)
{
    const int h = digits(s, pos, 2, 2);
    if (h < 0 || pos >= s.size() || s[pos++] != u':')
        return false;
    const int mi = digits(s, pos, 2, 2);
    int sec = 0, ms = 0;
    if (mi < 0)
        return false;
    if (pos < s.size() && s[pos] == u':') {
        ++pos;
        sec = digits(s, pos, 2, 2);
        if (sec < 0)
            return false;
        if (pos < s.size() && s[pos] == u'.') {
            ++pos;
            const qsizetype start = pos;
            const int frac = digits(s, pos, 1, 3);
            if (frac < 0)
                return false;
            ms = frac;
            for (qsizetype k = pos - start; k < 3; ++k)
                ms *= 10;
            while (pos < s.size() && s[pos].isDigit()) // beyond milliseconds
                ++pos;
        }
    }
    if (h == 24 && mi == 0 && sec == 0 && ms == 0) {
        *t = QTime(23, 59, 59, 999);
        return true;
    }
    *t = QTime(h, mi, sec, ms);
    return t->isValid();
}

// "+09", "-03:30", "+05:30:15"; returns false when none is there.
bool parseOffset(QStringView s, qsizetype &pos, int *seconds)
{
    if (pos >= s.size() || (s[pos] != u'+' && s[pos] != u'-'))
        return false;
    const int sign = s[pos++] == u'-' ? -1 : 1;
    const int h = digits(s, pos, 2, 2);
    if (h < 0)
        return false;
    int m = 0, sec = 0;
    if (pos < s.size() && s[pos] == u':') {
        ++pos;
        m = digits(s, pos, 2, 2);
        if (pos < s.size() && s[pos] == u':') {
            ++pos;
            sec = digits(s, pos, 2, 2);
        }
    }
    if (m < 0 || sec < 0)
        return false;
    *seconds = sign * (h * 3600 + m * 60 + sec);
    return true;
}

} // namespace

QDate ParseDate(QStringView s)
{
    qsizetype pos = 0;
    QDate d;
    if (!parseDatePart(s, pos, &d) || pos != s.size())
        return QDate();
    return d;
}

QTime ParseTime(QStringView s)
{
    qsizetype pos = 0;
    QTime t;
    if (!parseTimePart(s, pos, &t))
        return QTime();
    int off = 0;
    parseOffset(s, pos, &off); // timetz: the offset is dropped
    return pos == s.size() ? t : QTime();
}

QDateTime ParseTimestamp(QStringView s)
{
    qsizetype pos = 0;
    QDate d;
    QTime t(0, 0);
    if (!parseDatePart(s, pos, &d))
        return QDateTime();
    if (pos < s.size() && (s[pos] == u' ' || s[pos] == u'T')) {
        ++pos;
        if (!parseTimePart(s, pos, &t))
            return QDateTime();
    }
    int off = 0;
    const bool zoned = parseOffset(s, pos, &off);
    if (pos != s.size())
        return QDateTime();
    if (zoned)
        return QDateTime(d, t, Qt::OffsetFromUTC, off).toLocalTime();
    return QDateTime(d, t);
}

FieldDesc MakeFieldDesc(const QString &name, qint64 typeOid, qint64 typeMod, int byteSize)
{
    FieldDesc f;
    f.name = name;
    f.typeOid = typeOid;
    f.typeMod = typeMod;
    f.size = byteSize > 0 ? byteSize : 0;
    switch (typeOid) {
    case 21: f.kind = FieldKind::Int2; break;
    case 23: f.kind = FieldKind::Int4; break;
    case 20: f.kind = FieldKind::Int8; break;
    case 16: f.kind = FieldKind::Bool; break;
    case 1082: f.kind = FieldKind::Date; break;
    case 1083: case 1266: f.kind = FieldKind::Time; break;
    case 1114: f.kind = FieldKind::Timestamp; break;
    case 1184: f.kind = FieldKind::TimestampTz; break;
    case 17: f.kind = FieldKind::Bytea; break;
    case 25: f.kind = FieldKind::Text; break;
    case 1043: // varchar(n): typmod is n + 4
        f.kind = FieldKind::Varchar;
        f.size = typeMod >= 4 ? typeMod - 4 : 0;
        break;
    case 1042: // char(n)
        f.kind = FieldKind::Char;
        f.size = typeMod >= 4 ? typeMod - 4 : 0;
        break;
    case 1700: // numeric(p,s): typmod is ((p << 16) | s) + 4
        f.kind = FieldKind::Numeric;
        if (typeMod >= 4) {
            f.precision = int(((typeMod - 4) >> 16) & 0xffff);
            f.scale = int((typeMod - 4) & 0xffff);
            f.size = f.precision;
        } else {
            f.size = 0;
        }
        break;
    case 700: case 701: f.kind = FieldKind::Float; break;
    case 26: f.kind = FieldKind::Oid; break;
    default: f.kind = FieldKind::Other; break;
    }
    return f;
}

ResultSet::~ResultSet() = default;

QString ResultSet::textPrefix(int r, int c, qsizetype maxChars) const
{
    return text(r, c).left(std::max<qsizetype>(0, maxChars));
}

int ResultSet::fieldIndex(const QString &name) const
{
    const int n = fieldCount();
    for (int c = 0; c < n; ++c) {
        if (field(c).name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    }
    return -1;
}

QVariant ResultSet::value(int r, int c) const
{
    if (isNull(r, c))
        return QVariant();
    const FieldDesc &f = field(c);
    switch (f.kind) {
    case FieldKind::Int2:
    case FieldKind::Int4:
    case FieldKind::Int8:
    case FieldKind::Oid: {
        bool ok = false;
        const qint64 v = text(r, c).toLongLong(&ok);
        return ok ? QVariant(v) : QVariant(text(r, c));
    }
    case FieldKind::Bool: {
        const QString t = text(r, c);
        return QVariant(t == u"t" || t == u"true");
    }
    case FieldKind::Float: {
        bool ok = false;
        const double v = text(r, c).toDouble(&ok);
        return ok ? QVariant(v) : QVariant(text(r, c));
    }
    case FieldKind::Date: {
        const QDate d = ParseDate(text(r, c));
        return d.isValid() ? QVariant(d) : QVariant(text(r, c));
    }
    case FieldKind::Time: {
        const QTime t = ParseTime(text(r, c));
        return t.isValid() ? QVariant(t) : QVariant(text(r, c));
    }
    case FieldKind::Timestamp:
    case FieldKind::TimestampTz: {
        const QDateTime t = ParseTimestamp(text(r, c));
        return t.isValid() ? QVariant(t) : QVariant(text(r, c));
    }
    case FieldKind::Bytea:
        return QVariant(bytes(r, c));
    default:
        return QVariant(text(r, c));
    }
}

} // namespace tv::db
