#include "Field.h"

#include "Query.h"
#include "platform/Errors.h"

#include <cmath>
#include <limits>

namespace tv::db {

const FieldDesc &Field::Desc() const
{
    return m_query->Results()->field(m_index);
}

bool Field::IsNull() const
{
    const int r = m_query->CurrentRow();
    return r < 0 || m_query->Results()->isNull(r, m_index);
}

QString Field::raw() const
{
    const int r = m_query->CurrentRow();
    return r < 0 ? QString() : m_query->Results()->text(r, m_index);
}

void Field::conversionError(const QString &what) const
{
    throw tv::Error(QStringLiteral("\"%1\" is not a valid %2 value for field \"%3\"").arg(raw(), what, FieldName()));
}

QString Field::AsString() const
{
    if (IsNull())
        return QStringLiteral("");
    if (Kind() == FieldKind::Bool)
        return AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    return raw();
}

qint64 Field::AsInt64() const
{
    if (IsNull())
        return 0;
    const QString t = raw().trimmed();
    if (Kind() == FieldKind::Bool)
        return AsBoolean() ? 1 : 0;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (ok)
        return v;
    // numeric and float values are cut toward zero, as far as they fit.
    const double d = t.toDouble(&ok);
    if (ok && std::isfinite(d) && std::fabs(d) < 9.2e18)
        return qint64(d);
    conversionError(QStringLiteral("integer"));
}

int Field::AsInteger() const
{
    const qint64 v = AsInt64();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        conversionError(QStringLiteral("32-bit integer"));
    return int(v);
}

double Field::AsFloat() const
{
    if (IsNull())
        return 0.0;
    if (Kind() == FieldKind::Bool)
        return AsBoolean() ? 1.0 : 0.0;
    bool ok = false;
    const double d = raw().trimmed().toDouble(&ok);
    if (!ok)
        conversionError(QStringLiteral("floating-point"));
    return d;
}

bool Field::AsBoolean() const
{
    if (IsNull())
        return false;
    const QString t = raw().trimmed().toLower();
    if (t == u"t" || t == u"true" || t == u"y" || t == u"yes" || t == u"on" || t == u"1")
        return true;
    if (t == u"f" || t == u"false" || t == u"n" || t == u"no" || t == u"off" || t == u"0")
        return false;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (ok)
        return v != 0;
    conversionError(QStringLiteral("Boolean"));
}

QDateTime Field::AsDateTime() const
{
    if (IsNull())
        return QDateTime();
    const QString t = raw().trimmed();
    if (Kind() == FieldKind::Time) {
        const QTime tm = ParseTime(t);
        if (!tm.isValid())
            conversionError(QStringLiteral("time"));
        return QDateTime(QDate(1899, 12, 30), tm);
    }
    const QDateTime dt = ParseTimestamp(t);
    if (!dt.isValid())
        conversionError(QStringLiteral("date and time"));
    return dt;
}

QDate Field::AsDate() const
{
    if (IsNull())
        return QDate();
    return AsDateTime().date();
}

QByteArray Field::AsBytes() const
{
    const int r = m_query->CurrentRow();
    return r < 0 ? QByteArray() : m_query->Results()->bytes(r, m_index);
}

QVariant Field::Value() const
{
    const int r = m_query->CurrentRow();
    return r < 0 ? QVariant() : m_query->Results()->value(r, m_index);
}

QString Field::DisplayText() const
{
    return AsString();
}

} // namespace tv::db
