#include "ProtectedBlock.h"

namespace tv::db {

ProtectedBlock::ProtectedBlock(Connection &conn) : m_conn(conn)
{
    if (m_conn.transactionState() == TransactionState::Idle) {
        m_conn.Exec(QStringLiteral("BEGIN"));
    } else {
        m_savepoint = m_conn.NewSavepointName();
        m_conn.Exec(QStringLiteral("SAVEPOINT ") + m_savepoint);
    }
    m_open = true;
}

ProtectedBlock::~ProtectedBlock()
{
    try {
        undo();
    } catch (const DbError &) {
        // A lost connection takes the changes with it; nothing more to undo.
    }
}

void ProtectedBlock::undo()
{
    if (!m_open || !m_conn.Connected())
        return;
    m_open = false;
    if (m_savepoint.isEmpty()) {
        m_conn.Exec(QStringLiteral("ROLLBACK"));
    } else {
        m_conn.Exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + m_savepoint);
        m_conn.Exec(QStringLiteral("RELEASE SAVEPOINT ") + m_savepoint);
    }
}

} // namespace tv::db
