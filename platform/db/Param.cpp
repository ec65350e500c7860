#include "Param.h"

#include "platform/Errors.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <QTimeZone>

namespace tv::db {

namespace {

QByteArray dateTimeText(const QDateTime &dt, bool withZone)
{
    QString s = dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    if (withZone) {
        const int off = dt.offsetFromUtc();
        const int a = off < 0 ? -off : off;
        s += QString::asprintf("%c%02d:%02d", off < 0 ? '-' : '+', a / 3600, (a % 3600) / 60);
    }
    return s.toUtf8();
}

} // namespace

unsigned int Param::typeOid() const
{
    switch (DataType) {
    case ParamType::Unknown: return Value.typeId() == QMetaType::QByteArray ? 17 : 0;
    case ParamType::Text: return 25;
    case ParamType::SmallInt: return 21;
    case ParamType::Integer: return 23;
    case ParamType::BigInt: return 20;
    case ParamType::Numeric: return 1700;
    case ParamType::Float: return 701;
    case ParamType::Boolean: return 16;
    case ParamType::Date: return 1082;
    case ParamType::Time: return 1083;
    case ParamType::Timestamp: return 1114;
    case ParamType::TimestampTz: return 1184;
    case ParamType::Bytea: return 17;
    case ParamType::Oid: return 26;
    }
    return 0;
}

BoundParam Param::bind() const
{
    BoundParam b;
    b.typeOid = typeOid();
    if (Value.isNull())
        return b;
    b.isNull = false;
    switch (Value.typeId()) {
    case QMetaType::Bool:
        b.data = Value.toBool() ? "t" : "f";
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        // Shortest text that reads back as the same double.
        b.data = QByteArray::number(Value.toDouble(), 'g', QLocale::FloatingPointShortest);
        break;
    case QMetaType::QDate:
        b.data = Value.toDate().toString(Qt::ISODate).toUtf8();
        break;
    case QMetaType::QTime:
        b.data = Value.toTime().toString(QStringLiteral("HH:mm:ss.zzz")).toUtf8();
        break;
    case QMetaType::QDateTime:
        b.data = dateTimeText(Value.toDateTime(), DataType == ParamType::TimestampTz ||
                                                      DataType == ParamType::Unknown);
        break;
    case QMetaType::QByteArray:
        if (b.typeOid == 17) {
            b.data = Value.toByteArray();
            b.binary = true;
        } else {
            b.data = Value.toByteArray();
        }
        break;
    default:
        b.data = Value.toString().toUtf8();
        break;
    }
    return b;
}

Param &Params::ParamByName(const QString &name)
{
    if (Param *p = FindParam(name))
        return *p;
    throw tv::Error(QStringLiteral("parameter \"%1\" not found").arg(name));
}

const Param &Params::ParamByName(const QString &name) const
{
    return const_cast<Params *>(this)->ParamByName(name);
}

Param *Params::FindParam(const QString &name)
{
    for (Param &p : m_items) {
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    }
    return nullptr;
}

const Param *Params::FindParam(const QString &name) const
{
    return const_cast<Params *>(this)->FindParam(name);
}

Param &Params::add(const QString &name, ParamType type)
{
    if (Param *p = FindParam(name))
        return *p;
    m_items.emplace_back(name, type);
    return m_items.back();
}

void Params::setNames(const QStringList &names)
{
    std::vector<Param> next;
    next.reserve(size_t(names.size()));
    for (const QString &n : names) {
        if (const Param *old = FindParam(n))
            next.push_back(*old);
        else
            next.emplace_back(n);
    }
    m_items = std::move(next);
}

QStringList Params::names() const
{
    QStringList l;
    for (const Param &p : m_items)
        l.append(p.Name);
    return l;
}

std::vector<BoundParam> Params::bind(const QStringList &order) const
{
    std::vector<BoundParam> out;
    out.reserve(size_t(order.size()));
    for (const QString &n : order)
        out.push_back(ParamByName(n).bind());
    return out;
}

} // namespace tv::db
