#pragma once
// A field of a query's current record, read through the query's cursor.
//
// A Field stays valid while its query stays open and always reads the record
// the cursor is on. With no current record (an empty result) a field reads as
// NULL. Conversions that cannot hold the value (a text that is not a number,
// an integer out of range) raise tv::Error naming the field.
#include "ResultSet.h"

namespace tv::db {

class Query;

class Field {
public:
    Field(const Query *query, int index) : m_query(query), m_index(index) {}

    int Index() const { return m_index; }
    const FieldDesc &Desc() const;
    const QString &FieldName() const { return Desc().name; }
    FieldKind Kind() const { return Desc().kind; }
    qint64 Size() const { return Desc().size; }

    bool IsNull() const;
    // The server's text; booleans read "True" / "False"; NULL reads "".
    QString AsString() const;
    int AsInteger() const;
    qint64 AsInt64() const;
    double AsFloat() const;
    bool AsBoolean() const;
    // Dates at midnight, times on 1899-12-30; timestamps with a zone in local time.
    QDateTime AsDateTime() const;
    QDate AsDate() const;
    QByteArray AsBytes() const;
    // The value converted by kind (see ResultSet::value).
    QVariant Value() const;
    // The text a grid shows for the value.
    QString DisplayText() const;

private:
    [[noreturn]] void conversionError(const QString &what) const;
    QString raw() const;

    const Query *m_query;
    int m_index;
};

} // namespace tv::db
