#pragma once
// One statement of a continue-on-error loop under its own savepoint.
//
// Inside an open transaction block the statement runs after SAVEPOINT; a
// success releases it, a failure rolls back to it and releases it, so the
// block stays usable and the earlier statements' work stays. On an idle
// session (auto-commit) each statement stands alone and no savepoint is used.
#include "Connection.h"

#include <optional>

namespace tv::db {

class StatementSavepoint {
public:
    explicit StatementSavepoint(Connection &conn);
    // Rolls back unless release() was called.
    ~StatementSavepoint();
    StatementSavepoint(const StatementSavepoint &) = delete;
    StatementSavepoint &operator=(const StatementSavepoint &) = delete;

    void release();
    void rollback();

private:
    Connection &m_conn;
    QString m_name; // empty: no savepoint was needed
    bool m_open = false;
};

// Runs one statement (simple protocol) under a statement savepoint; returns
// the error instead of raising it. A lost connection is still raised: a loop
// cannot go on without one.
std::optional<DbError> ExecContinuing(Connection &conn, const QString &sql);

} // namespace tv::db
