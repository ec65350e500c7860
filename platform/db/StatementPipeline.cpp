#include "StatementPipeline.h"

#include "platform/text/TextEncoding.h"
#include "platform/ui/EscapeWatch.h"

#include <QCoreApplication>
#include <libpq-fe.h>
#include <poll.h>

#include <cerrno>

namespace tv::db {

namespace {

constexpr int kEventSliceMs = 20;

struct Held {
    PGresult *res = nullptr;
    ~Held()
    {
        if (res)
            PQclear(res);
    }
    void reset(PGresult *r)
    {
        if (res)
            PQclear(res);
        res = r;
    }
    PGresult *take()
    {
        PGresult *r = res;
        res = nullptr;
        return r;
    }
};

bool SendText(PGconn *c, const char *sql)
{
    return PQsendQueryParams(c, sql, 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
}

} // namespace

StatementPipeline::StatementPipeline(Connection &conn) : m_conn(conn)
{
    m_slice.start();
}

StatementPipeline::~StatementPipeline()
{
    try {
        Finish();
    } catch (...) {
    }
}

bool StatementPipeline::CanSend() const
{
    if (m_active)
        return m_conn.Connected();
    return m_conn.Connected() && !m_conn.Busy() && m_conn.AutoCommit() &&
           m_conn.transactionState() == TransactionState::Idle;
}

bool StatementPipeline::Send(const QString &sql, int tag)
{
    if (!CanSend())
        return false;
    if (!m_codec)
        m_codec = tv::text::ClientCodec::ForName(m_conn.ClientEncoding());
    QByteArray bytes;
    if (!m_codec->Encode(sql, &bytes))
        return false; // alone it gets the server's own error for the character
    PGconn *c = m_conn.handle();
    if (!m_active) {
        if (!PQenterPipelineMode(c))
            return false;
        m_active = true;
        m_conn.SetBusy(true);
    }
    Pending p;
    p.tag = tag;
    p.replies = 0;
    for (const char *q : {"BEGIN", bytes.constData(), "COMMIT"}) {
        if (!SendText(c, q))
            break;
        ++p.replies;
    }
    if (p.replies == 0)
        return false;
    // A part that could not go out (the connection broke): Take reports it.
    m_pending.push_back(p);
    m_flushPending = true;
    return true;
}

void StatementPipeline::flush()
{
    if (!m_flushPending || !m_active)
        return;
    m_flushPending = false;
    PGconn *c = m_conn.handle();
    // The server sends what it has at each flush request, so results come
    // back while later statements still run.
    PQsendFlushRequest(c);
    PQflush(c);
}

void StatementPipeline::Cancel()
{
    m_cancelRequested = true;
    if (!m_active)
        return;
    if (PGcancel *cancel = PQgetCancel(m_conn.handle())) {
        char buf[256];
        PQcancel(cancel, buf, sizeof buf);
        PQfreeCancel(cancel);
    }
}

void StatementPipeline::wait()
{
    PGconn *c = m_conn.handle();
    for (;;) {
        if (m_slice.elapsed() >= kEventSliceMs) {
            m_slice.restart();
            if (m_cancelCheck) {
                if (m_cancelCheck() && !m_cancelRequested)
                    Cancel();
            } else {
                tv::ui::PumpWhileBusy(kEventSliceMs);
            }
        }
        if (!PQisBusy(c))
            return;
        pollfd p{PQsocket(c), POLLIN, 0};
        const int rc = ::poll(&p, 1, kEventSliceMs / 2);
        if (rc < 0 && errno != EINTR)
            return;
        if (!PQconsumeInput(c))
            return; // broken connection: PQgetResult reports it
    }
}

std::shared_ptr<PgResultSet> StatementPipeline::Take()
{
    if (m_pending.empty())
        throw DbError(QStringLiteral("no statement is waiting for its result"));
    flush();
    PGconn *c = m_conn.handle();
    const Pending p = m_pending.front();
    m_pending.pop_front();
    Held error, result;
    bool lost = false, skipped = false;
    for (int q = 0; q < p.replies && !lost; ++q) {
        for (;;) {
            if (PQstatus(c) != CONNECTION_OK) {
                lost = true;
                break;
            }
            wait();
            PGresult *r = PQgetResult(c);
            if (!r)
                break; // the end of this request's results
            switch (PQresultStatus(r)) {
            case PGRES_FATAL_ERROR:
            case PGRES_BAD_RESPONSE:
            case PGRES_NONFATAL_ERROR:
                if (!error.res)
                    error.reset(r);
                else
                    PQclear(r);
                break;
            case PGRES_PIPELINE_ABORTED:
                skipped = true;
                PQclear(r);
                break;
            default:
                if (q == 1 && !result.res)
                    result.reset(r);
                else
                    PQclear(r);
                break;
            }
        }
    }
    if (p.replies < 3 || PQstatus(c) != CONNECTION_OK)
        lost = true;
    if (error.res || lost || skipped) {
        // Nothing after this statement has run or will: end the pipeline so
        // the session is idle before the caller reports the failure.
        Finish();
        if (error.res)
            m_conn.Raise(DbError::fromResult(error.res, c));
        if (lost || PQstatus(c) != CONNECTION_OK)
            m_conn.Raise(DbError::fromConnection(c, QString::fromLatin1(sqlstate::ConnectionFailure), true));
        throw DbError(QStringLiteral("the statement was not run"));
    }
    if (!result.res)
        return std::make_shared<PgResultSet>(PQmakeEmptyPGresult(c, PGRES_EMPTY_QUERY), m_codec);
    return std::make_shared<PgResultSet>(result.take(), m_codec);
}

void StatementPipeline::Finish()
{
    if (!m_active)
        return;
    PGconn *c = m_conn.handle();
    m_pending.clear();
    m_flushPending = false;
    if (PQstatus(c) == CONNECTION_OK && PQpipelineSync(c)) {
        // Everything sent comes back before the pipeline's end; statements
        // after a failure come back as skipped.
        int nulls = 0;
        while (PQstatus(c) == CONNECTION_OK) {
            wait();
            PGresult *r = PQgetResult(c);
            if (!r) {
                // One NULL ends each request's results; two in a row mean
                // nothing more is queued (the end was lost with the connection).
                if (++nulls > 1)
                    break;
                continue;
            }
            nulls = 0;
            const ExecStatusType st = PQresultStatus(r);
            PQclear(r);
            if (st == PGRES_PIPELINE_SYNC)
                break;
        }
    }
    PQexitPipelineMode(c);
    m_active = false;
    m_conn.SetBusy(false);
    // A statement that failed between its BEGIN and COMMIT left the block
    // aborted: roll it back, as the failed statement alone would have been.
    if (PQstatus(c) == CONNECTION_OK && PQtransactionStatus(c) == PQTRANS_INERROR)
        m_conn.Exec(QStringLiteral("ROLLBACK"));
}

} // namespace tv::db
