#include "MemResultSet.h"

#include "platform/Errors.h"

#include <QLocale>

namespace tv::db {

int MemResultSet::addField(const FieldDesc &f)
{
    m_fields.push_back(f);
    for (auto &row : m_rows)
        row.emplace_back();
    return int(m_fields.size()) - 1;
}

QVariant MemResultSet::store(int c, const QVariant &v) const
{
    if (v.isNull())
        return QVariant();
    if (m_fields[size_t(c)].kind == FieldKind::Bytea)
        return QVariant(v.toByteArray());
    switch (v.typeId()) {
    case QMetaType::Bool:
        return QVariant(v.toBool() ? QStringLiteral("t") : QStringLiteral("f"));
    case QMetaType::Double:
    case QMetaType::Float:
        return QVariant(QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest));
    case QMetaType::QDate:
        return QVariant(v.toDate().toString(Qt::ISODate));
    case QMetaType::QTime:
        return QVariant(v.toTime().toString(QStringLiteral("HH:mm:ss")));
    case QMetaType::QDateTime:
        return QVariant(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    default:
        return QVariant(v.toString());
    }
}

std::vector<QVariant> MemResultSet::makeRow(const QVariantList &values) const
{
    if (values.size() > qsizetype(m_fields.size()))
        throw tv::Error(QStringLiteral("a row of %1 values for %2 fields").arg(values.size()).arg(m_fields.size()));
    std::vector<QVariant> row(m_fields.size());
    for (int c = 0; c < values.size(); ++c)
        row[size_t(c)] = store(c, values[c]);
    return row;
}

int MemResultSet::appendRow(const QVariantList &values)
{
    m_rows.push_back(makeRow(values));
    return int(m_rows.size()) - 1;
}

void MemResultSet::insertRow(int r, const QVariantList &values)
{
    if (r < 0 || r > rowCount())
        throw tv::Error(QStringLiteral("row %1 out of range").arg(r));
    m_rows.insert(m_rows.begin() + r, makeRow(values));
}

void MemResultSet::removeRow(int r)
{
    if (r < 0 || r >= rowCount())
        throw tv::Error(QStringLiteral("row %1 out of range").arg(r));
    m_rows.erase(m_rows.begin() + r);
}

void MemResultSet::setValue(int r, int c, const QVariant &v)
{
    if (r < 0 || r >= rowCount() || c < 0 || c >= fieldCount())
        throw tv::Error(QStringLiteral("cell %1,%2 out of range").arg(r).arg(c));
    m_rows[size_t(r)][size_t(c)] = store(c, v);
}

bool MemResultSet::isNull(int r, int c) const
{
    return m_rows[size_t(r)][size_t(c)].isNull();
}

QString MemResultSet::text(int r, int c) const
{
    const QVariant &v = m_rows[size_t(r)][size_t(c)];
    if (v.isNull())
        return QStringLiteral("");
    if (v.typeId() == QMetaType::QByteArray)
        return QStringLiteral("\\x") + QString::fromLatin1(v.toByteArray().toHex());
    return v.toString();
}

QByteArray MemResultSet::bytes(int r, int c) const
{
    const QVariant &v = m_rows[size_t(r)][size_t(c)];
    if (v.isNull())
        return QByteArray();
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    return v.toString().toUtf8();
}

} // namespace tv::db
