#include "StatementSavepoint.h"

namespace tv::db {

StatementSavepoint::StatementSavepoint(Connection &conn) : m_conn(conn)
{
    if (m_conn.transactionState() != TransactionState::Idle) {
        m_name = m_conn.NewSavepointName();
        m_conn.Exec(QStringLiteral("SAVEPOINT ") + m_name);
    }
    m_open = true;
}

StatementSavepoint::~StatementSavepoint()
{
    try {
        rollback();
    } catch (const DbError &) {
    }
}

void StatementSavepoint::release()
{
    if (!m_open)
        return;
    m_open = false;
    if (!m_name.isEmpty())
        m_conn.Exec(QStringLiteral("RELEASE SAVEPOINT ") + m_name);
}

void StatementSavepoint::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    if (!m_name.isEmpty() && m_conn.Connected()) {
        m_conn.Exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + m_name);
        m_conn.Exec(QStringLiteral("RELEASE SAVEPOINT ") + m_name);
    }
}

std::optional<DbError> ExecContinuing(Connection &conn, const QString &sql)
{
    StatementSavepoint sp(conn);
    try {
        conn.Exec(sql);
    } catch (const DbError &e) {
        if (e.connectionLost())
            throw;
        sp.rollback();
        return e;
    }
    sp.release();
    return std::nullopt;
}

} // namespace tv::db
