#pragma once
// A run that must leave no change behind (EXPLAIN ANALYZE trials, input
// checks, test runs).
//
// On an idle session the block is BEGIN ... ROLLBACK; inside an open
// transaction it is SAVEPOINT ... ROLLBACK TO + RELEASE, so the user's own
// uncommitted work stays as it was and is never committed. The undo happens
// in undo() or, at the latest, in the destructor.
#include "Connection.h"

namespace tv::db {

class ProtectedBlock {
public:
    // Throws DbError when the session cannot start the block (for instance an
    // aborted transaction).
    explicit ProtectedBlock(Connection &conn);
    ~ProtectedBlock();
    ProtectedBlock(const ProtectedBlock &) = delete;
    ProtectedBlock &operator=(const ProtectedBlock &) = delete;

    // Undoes everything done since the block began; raises a failure. A
    // second call does nothing.
    void undo();

private:
    Connection &m_conn;
    QString m_savepoint; // empty: the block is a real BEGIN
    bool m_open = false;
};

} // namespace tv::db
