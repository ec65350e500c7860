#pragma once
// Statements of a script sent ahead of their turn on an auto-commit session,
// through libpq's pipeline mode, so the server runs one while the client
// still handles the results of the ones before.
//
// Each statement goes out as BEGIN, the statement, COMMIT, with no Sync
// until the pipeline ends: each commits on its own as it would alone, and
// when one fails (or is cancelled) the server skips everything after it
// until the pipeline's end, so no statement after a failing one runs. Take()
// hands the outcomes back in order; a failed statement's error is raised
// only after the pipeline has ended and its aborted block is rolled back, so
// the session is idle again, as after the same statement run alone.
//
// While statements are out the connection is busy: its own statements are
// refused and timers skip it. Waiting keeps Qt events flowing and asks the
// cancel check; a true answer cancels the statement running on the server.
#include "Connection.h"

#include <QElapsedTimer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

namespace tv::db {

class StatementPipeline {
public:
    explicit StatementPipeline(Connection &conn);
    // Ends the pipeline (errors are dropped).
    ~StatementPipeline();
    StatementPipeline(const StatementPipeline &) = delete;
    StatementPipeline &operator=(const StatementPipeline &) = delete;

    // True when statements may be sent ahead now: connected, not busy,
    // auto-commit on and the session idle (no block open), or the pipeline
    // already running.
    bool CanSend() const;
    // Sends one statement without parameters (a single statement that
    // returns no rows), tagged with the caller's number for it. False when it
    // cannot go ahead (its text has no code in the client encoding, or the
    // session cannot take it): the caller runs it alone.
    bool Send(const QString &sql, int tag);
    // Statements sent whose outcome was not taken yet.
    int InFlight() const { return int(m_pending.size()); }
    // The tag of the oldest statement not taken; -1 when none.
    int HeadTag() const { return m_pending.empty() ? -1 : m_pending.front().tag; }
    // The tag of the newest statement sent; -1 when none is in flight.
    int BackTag() const { return m_pending.empty() ? -1 : m_pending.back().tag; }
    // Waits for the oldest statement's outcome and returns its result, or
    // raises its error (the pipeline has ended by then; statements sent after
    // it did not run and are forgotten).
    std::shared_ptr<PgResultSet> Take();
    // Asks the server to cancel the statement it runs now; what follows it
    // is skipped. Returns at once.
    void Cancel();
    // True once Cancel() was called (by the caller or the cancel check)
    // and the flag was not cleared since.
    bool CancelRequested() const { return m_cancelRequested; }
    void ClearCancelRequested() { m_cancelRequested = false; }
    // Asked every slice while waiting; true cancels (see Cancel).
    void SetCancelCheck(std::function<bool()> check) { m_cancelCheck = std::move(check); }
    // Ends the pipeline: waits for every statement sent, leaves pipeline
    // mode and rolls back a block a failure left open. Outcomes not taken
    // are dropped: call it with nothing in flight unless giving up.
    void Finish();

private:
    struct Pending {
        int tag = 0;
        int replies = 3; // BEGIN, the statement, COMMIT
    };
    void wait();
    void flush();

    Connection &m_conn;
    std::shared_ptr<const tv::text::ClientCodec> m_codec;
    std::deque<Pending> m_pending;
    bool m_active = false;      // in pipeline mode
    bool m_flushPending = false; // statements queued since the last flush request
    bool m_cancelRequested = false;
    std::function<bool()> m_cancelCheck;
    QElapsedTimer m_slice; // events and the cancel check run once a slice
};

} // namespace tv::db
