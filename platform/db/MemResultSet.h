#pragma once
// A result set held in memory, with the same interface as a server result:
// for grids and tests without a server, and for rows built by the program.
//
// Values are stored in the server's text form: a null QVariant is NULL,
// booleans become "t"/"f", dates and times ISO text, numbers their decimal
// text; a bytea field keeps its bytes (text() shows them as "\x…" hex).
#include "ResultSet.h"

#include <QVariantList>
#include <vector>

namespace tv::db {

class MemResultSet : public ResultSet {
public:
    MemResultSet() = default;
    explicit MemResultSet(std::vector<FieldDesc> fields) : m_fields(std::move(fields)) {}

    // Adds a field; rows already there get NULL in it. Returns its index.
    int addField(const FieldDesc &f);
    // Appends a row; missing trailing values are NULL. Returns its index.
    int appendRow(const QVariantList &values);
    void insertRow(int r, const QVariantList &values);
    void removeRow(int r);
    void setValue(int r, int c, const QVariant &v);
    void clearRows() { m_rows.clear(); }

    int rowCount() const override { return int(m_rows.size()); }
    int fieldCount() const override { return int(m_fields.size()); }
    const FieldDesc &field(int c) const override { return m_fields[size_t(c)]; }
    bool isNull(int r, int c) const override;
    QString text(int r, int c) const override;
    QByteArray bytes(int r, int c) const override;

private:
    QVariant store(int c, const QVariant &v) const;
    std::vector<QVariant> makeRow(const QVariantList &values) const;

    std::vector<FieldDesc> m_fields;
    std::vector<std::vector<QVariant>> m_rows; // null, QString, or QByteArray (bytea)
};

} // namespace tv::db
