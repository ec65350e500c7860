#pragma once
// A result set over a libpq result. Cells are read from the PGresult in
// place; nothing is copied at fetch time.
#include "ResultSet.h"

#include <memory>
#include <vector>

typedef struct pg_result PGresult;

namespace tv::db {

class PgResultSet : public ResultSet {
public:
    // Takes ownership of res (which may be a command result without rows).
    explicit PgResultSet(PGresult *res);
    ~PgResultSet() override;
    PgResultSet(const PgResultSet &) = delete;
    PgResultSet &operator=(const PgResultSet &) = delete;

    int rowCount() const override { return m_rows; }
    int fieldCount() const override { return int(m_fields.size()); }
    const FieldDesc &field(int c) const override { return m_fields[size_t(c)]; }
    bool isNull(int r, int c) const override;
    QString text(int r, int c) const override;
    QByteArray bytes(int r, int c) const override;

    // The cell's bytes as sent by the server (UTF-8 text), valid while this
    // set lives; empty for NULL.
    QByteArrayView raw(int r, int c) const;
    // True when the statement returned rows (a row description came back).
    bool hasRows() const { return !m_fields.empty(); }
    // The command tag ("SELECT 3", "INSERT 0 1", "COMMIT", "ROLLBACK" ...).
    QString commandStatus() const;
    // Rows touched by INSERT/UPDATE/DELETE/SELECT/MOVE/FETCH/COPY; -1 when the
    // command does not count rows.
    qint64 rowsAffected() const;

    const PGresult *handle() const { return m_res; }

private:
    PGresult *m_res;
    int m_rows = 0;
    std::vector<FieldDesc> m_fields;
};

} // namespace tv::db
