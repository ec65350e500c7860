#pragma once
// Statement parameters: a value with a declared type, found by name.
//
// A null QVariant is SQL NULL. The declared type decides the type the server
// is told (Unknown lets the server infer it). Values travel as text in the
// server's input syntax; numeric values given as text are sent exactly as
// written (never through a double); byte arrays travel in binary form.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace tv::db {

enum class ParamType { Unknown, Text, SmallInt, Integer, BigInt, Numeric, Float, Boolean, Date, Time,
                       Timestamp, TimestampTz, Bytea, Oid };

// One value ready for libpq.
struct BoundParam {
    QByteArray data;
    bool isNull = true;
    unsigned int typeOid = 0; // 0: the server infers the type
    bool binary = false;
};

class Param {
public:
    Param() = default;
    explicit Param(const QString &name, ParamType type = ParamType::Unknown) : Name(name), DataType(type) {}

    QString Name;
    ParamType DataType = ParamType::Unknown;
    QVariant Value; // null: SQL NULL

    bool IsNull() const { return Value.isNull(); }
    void Clear() { Value = QVariant(); }
    // Typed setters; each also sets DataType unless one was declared.
    void setAsString(const QString &v) { set(QVariant(v), ParamType::Text); }
    void setAsInteger(int v) { set(QVariant(v), ParamType::Integer); }
    void setAsInt64(qint64 v) { set(QVariant(v), ParamType::BigInt); }
    void setAsFloat(double v) { set(QVariant(v), ParamType::Float); }
    void setAsBoolean(bool v) { set(QVariant(v), ParamType::Boolean); }
    // Numeric value as exact decimal text.
    void setAsNumeric(const QString &v) { set(QVariant(v), ParamType::Numeric); }
    void setAsDate(const QDate &v) { set(QVariant(v), ParamType::Date); }
    void setAsDateTime(const QDateTime &v) { set(QVariant(v), ParamType::Timestamp); }
    void setAsBytes(const QByteArray &v) { set(QVariant(v), ParamType::Bytea); }

    // The server type oid for DataType (0 for Unknown, 17 when the value is bytes).
    unsigned int typeOid() const;
    // The value as libpq receives it.
    BoundParam bind() const;

private:
    void set(const QVariant &v, ParamType t)
    {
        Value = v;
        if (DataType == ParamType::Unknown)
            DataType = t;
    }
};

// The named parameters of a statement. Names are matched without regard to
// case; setNames() keeps the values of names that stay.
class Params {
public:
    int count() const { return int(m_items.size()); }
    bool isEmpty() const { return m_items.empty(); }
    Param &operator[](int i) { return m_items[size_t(i)]; }
    const Param &operator[](int i) const { return m_items[size_t(i)]; }
    // The parameter of that name; throws tv::Error when there is none.
    Param &ParamByName(const QString &name);
    const Param &ParamByName(const QString &name) const;
    Param *FindParam(const QString &name);
    const Param *FindParam(const QString &name) const;
    // Adds a parameter (or returns the one that has the name already).
    Param &add(const QString &name, ParamType type = ParamType::Unknown);
    void clear() { m_items.clear(); }
    // Replaces the list by these names in this order, keeping the type and
    // value of a parameter whose name stays.
    void setNames(const QStringList &names);
    QStringList names() const;

    // Values for the statement's $1..$n, given its parameter names in order;
    // throws tv::Error when a name has no parameter.
    std::vector<BoundParam> bind(const QStringList &order) const;

private:
    std::vector<Param> m_items;
};

} // namespace tv::db
