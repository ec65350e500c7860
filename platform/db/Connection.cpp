#include "Connection.h"

#include "platform/ui/EscapeWatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <libpq-fe.h>
#include <new>
#include <optional>
#include <poll.h>

namespace tv::db {

namespace {

// How often the wait loop lets Qt events run and asks the cancel check.
constexpr int kEventSliceMs = 20;

// A statement asked for while another runs on the session. The event pump
// holds back what the user does during a statement, so only the program's
// own code could get here.
constexpr char kBusyText[] = "このセッションでは別の SQL を実行中です。終了してから実行してください。";

struct BusyGuard {
    bool &flag;
    explicit BusyGuard(bool &f) : flag(f) { flag = true; }
    ~BusyGuard() { flag = false; }
};

struct ResultHolder {
    PGresult *res = nullptr;
    ~ResultHolder()
    {
        if (res)
            PQclear(res);
    }
    PGresult *take()
    {
        PGresult *r = res;
        res = nullptr;
        return r;
    }
    void reset(PGresult *r)
    {
        if (res)
            PQclear(res);
        res = r;
    }
};

} // namespace

Connection::Connection() = default;

Connection::Connection(const ConnectionParams &params) : m_params(params) {}

Connection::~Connection()
{
    finish();
}

void Connection::finish()
{
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
    m_codec.reset();
    m_codecId = -1;
    m_levels.clear();
    m_kept.clear();
    m_versionText.clear();
    m_versionNum = 0;
    m_lost.reset();
}

void Connection::Raise(const DbError &e)
{
    if (e.connectionLost() && m_conn && PQstatus(m_conn) != CONNECTION_OK) {
        if (!m_lost) {
            m_lost = e;
            // Nothing of the session lives on: no block, no savepoint, no
            // prepared statement.
            m_levels.clear();
            m_kept.clear();
        }
        throw *m_lost;
    }
    throw e;
}

void Connection::noticeReceiver(void *self, const PGresult *res)
{
    auto *c = static_cast<Connection *>(self);
    const QString text = c->codec()->Decode(QByteArrayView(PQresultErrorMessage(res))).trimmed();
    if (c->m_noticeHook)
        c->m_noticeHook(text);
    if (c->m_notices.size() < 10000)
        c->m_notices.append(text);
}

const std::shared_ptr<const tv::text::ClientCodec> &Connection::codec()
{
    const int id = m_conn ? PQclientEncoding(m_conn) : -1;
    if (!m_codec || id != m_codecId) {
        m_codecId = id;
        m_codec = tv::text::ClientCodec::ForName(id < 0 ? QByteArray("UTF8") : QByteArray(pg_encoding_to_char(id)));
    }
    return m_codec;
}

QByteArray Connection::ClientEncoding() const
{
    return m_conn ? QByteArray(pg_encoding_to_char(PQclientEncoding(m_conn))) : QByteArray();
}

QByteArray Connection::encodeStatement(const QString &sql)
{
    requireOpen();
    const auto &c = codec();
    if (c->IsUtf8())
        return sql.toUtf8();
    QByteArray out;
    char32_t bad = 0;
    if (!c->Encode(sql, &out, &bad))
        raiseUnencodable(bad);
    return out;
}

void Connection::raiseUnencodable(char32_t cp)
{
    const QByteArray name = codec()->Name();
    // The server converts the character on its own and reports the failure
    // in its words; the session fares as if the statement had failed there.
    run(Send::Simple,
        QByteArrayLiteral("SELECT convert_to(chr(") + QByteArray::number(quint32(cp)) + QByteArrayLiteral("), '") +
            name + QByteArrayLiteral("')"),
        {});
    // The server has a code for it, but only as another character (U+00A5
    // as a backslash in SJIS): sending that would store what was not typed.
    QString shown = QString::fromUcs4(&cp, 1);
    throw DbError(QStringLiteral("character \"%1\" (U+%2) has no equivalent in encoding \"%3\"")
                      .arg(shown, QStringLiteral("%1").arg(quint32(cp), 4, 16, QLatin1Char('0')).toUpper(),
                           QString::fromLatin1(name)),
                  QStringLiteral("22P05"));
}

QStringList Connection::TakeNotices()
{
    QStringList n;
    n.swap(m_notices);
    return n;
}

void Connection::Open()
{
    if (Connected())
        return;
    if (m_busy)
        throw DbError(QString::fromUtf8(kBusyText));
    finish();
    const auto kv = m_params.libpqKeywords();
    std::vector<const char *> keys, values;
    for (const auto &[k, v] : kv) {
        keys.push_back(k.constData());
        values.push_back(v.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    PGconn *c = PQconnectdbParams(keys.data(), values.data(), 0);
    if (!c || PQstatus(c) != CONNECTION_OK) {
        DbError e = DbError::fromConnection(c, QString::fromLatin1(sqlstate::UnableToConnect), false);
        if (c)
            PQfinish(c);
        throw e;
    }
    m_conn = c;
    m_closeRequested = false;
    PQsetNoticeReceiver(m_conn, &Connection::noticeReceiver, this);
    m_versionNum = PQserverVersion(m_conn);
    try {
        // With auto-commit off the first statement's end opens the block.
        m_versionText = ExecScalar(QStringLiteral("SELECT version()"));
    } catch (...) {
        finish();
        throw;
    }
}

void Connection::Close()
{
    if (m_busy) {
        // Called from an event handled while a statement runs: stop it and
        // close once the wait loop has returned.
        m_closeRequested = true;
        if (PGcancel *cancel = PQgetCancel(m_conn)) {
            char buf[256];
            PQcancel(cancel, buf, sizeof buf);
            PQfreeCancel(cancel);
        }
        return;
    }
    finish();
}

bool Connection::Connected() const
{
    return m_conn && PQstatus(m_conn) == CONNECTION_OK;
}

int Connection::BackendPid() const
{
    return m_conn ? PQbackendPID(m_conn) : 0;
}

void Connection::SetAutoCommit(bool on)
{
    m_autoCommit = on;
    if (!on && Connected() && !m_busy && transactionState() == TransactionState::Idle)
        Exec(QStringLiteral("BEGIN"));
}

TransactionState Connection::transactionState() const
{
    if (!m_conn)
        return TransactionState::Unknown;
    switch (PQtransactionStatus(m_conn)) {
    case PQTRANS_IDLE: return TransactionState::Idle;
    case PQTRANS_INTRANS: return TransactionState::InTransaction;
    case PQTRANS_INERROR: return TransactionState::Aborted;
    default: return TransactionState::Unknown;
    }
}

QString Connection::NewSavepointName()
{
    return QStringLiteral("tv_sp_%1").arg(++m_savepointCounter);
}

void Connection::StartTransaction()
{
    requireOpen();
    if (transactionState() == TransactionState::Idle) {
        Exec(QStringLiteral("BEGIN"));
        m_levels.push_back(Level{true, QString()});
        return;
    }
    // Inside a block (an aborted one makes the server refuse the savepoint
    // with its own error).
    const QString name = NewSavepointName();
    Exec(QStringLiteral("SAVEPOINT ") + name);
    m_levels.push_back(Level{false, name});
}

CommitResult Connection::Commit()
{
    requireOpen();
    if (!m_levels.empty()) {
        const Level level = m_levels.back();
        m_levels.pop_back();
        if (!level.real) {
            if (transactionState() == TransactionState::Aborted) {
                Exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + level.name);
                Exec(QStringLiteral("RELEASE SAVEPOINT ") + level.name);
                return CommitResult::RolledBack;
            }
            Exec(QStringLiteral("RELEASE SAVEPOINT ") + level.name);
            return CommitResult::Committed;
        }
    }
    const auto res = Exec(QStringLiteral("COMMIT"));
    return res->commandStatus() == u"ROLLBACK" ? CommitResult::RolledBack : CommitResult::Committed;
}

void Connection::Rollback()
{
    requireOpen();
    if (!m_levels.empty()) {
        const Level level = m_levels.back();
        m_levels.pop_back();
        if (!level.real) {
            Exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + level.name);
            Exec(QStringLiteral("RELEASE SAVEPOINT ") + level.name);
            return;
        }
    }
    Exec(QStringLiteral("ROLLBACK"));
}

void Connection::requireOpen()
{
    if (!m_conn)
        throw DbError(QStringLiteral("not connected to a database"),
                      QString::fromLatin1(sqlstate::ConnectionDoesNotExist));
    if (PQstatus(m_conn) != CONNECTION_OK)
        Raise(DbError::fromConnection(m_conn, QString::fromLatin1(sqlstate::ConnectionFailure), true));
}

std::shared_ptr<PgResultSet> Connection::Exec(const QString &sql)
{
    return run(Send::Simple, encodeStatement(sql), {});
}

QString Connection::ExecScalar(const QString &sql)
{
    const auto r = Exec(sql);
    if (r->rowCount() == 0 || r->fieldCount() == 0)
        return QString();
    return r->text(0, 0);
}

std::shared_ptr<PgResultSet> Connection::ExecParams(const QString &sql, const std::vector<BoundParam> &params)
{
    return run(Send::Params, encodeStatement(sql), params);
}

namespace {

void DescribeInto(PgResultSet &d, StatementInfo &info)
{
    info.fieldCount = d.fieldCount();
    info.returnsRows = info.fieldCount > 0;
    info.paramCount = PQnparams(d.handle());
    for (int i = 0; i < info.fieldCount; ++i)
        info.fieldNames << d.field(i).name;
}

// Statements kept per session at most; past that, texts run unnamed.
constexpr size_t kMaxKept = 256;

// Whether the text may drop prepared statements of the session.
bool MayDropPrepared(const QByteArray &sql)
{
    const QByteArray upper = sql.toUpper();
    return upper.contains("DEALLOCATE") || upper.contains("DISCARD");
}

} // namespace

std::shared_ptr<PgResultSet> Connection::ExecKept(const QString &sql, const std::vector<BoundParam> &params,
                                                  StatementInfo &info)
{
    requireOpen();
    const QByteArray text = encodeStatement(sql);
    QByteArray key = text;
    key.append('\0');
    for (const BoundParam &b : params)
        key.append(QByteArray::number(b.typeOid)).append(',');
    auto it = m_kept.find(key);
    if (it == m_kept.end()) {
        if (m_kept.size() >= kMaxKept) {
            info = Describe(sql, params);
            return info.simpleOnly || !info.returnsRows ? nullptr : ExecPrepared(params);
        }
        info = StatementInfo();
        const bool wasIdle = transactionState() == TransactionState::Idle;
        const QByteArray name = "tv_kept_" + QByteArray::number(++m_keptCounter);
        std::shared_ptr<PgResultSet> d;
        try {
            d = prepareAndDescribe(text, params, name);
        } catch (const DbError &e) {
            // As Describe: several statements go through the simple protocol.
            if (wasIdle && !e.connectionLost() && e.sqlState() == QLatin1String(sqlstate::SyntaxError)) {
                info.simpleOnly = true;
                return nullptr;
            }
            throw;
        }
        DescribeInto(*d, info);
        it = m_kept.emplace(key, Kept{name, info}).first;
    }
    info = it->second.info;
    if (!info.returnsRows)
        return nullptr;
    try {
        return run(Send::Named, it->second.name, params);
    } catch (const DbError &e) {
        // Deallocated behind our back: forgotten, so the next call prepares it again.
        if (e.sqlState() == QLatin1String("26000"))
            m_kept.erase(key);
        throw;
    }
}

StatementInfo Connection::Describe(const QString &sql, const std::vector<BoundParam> &params)
{
    StatementInfo info;
    const bool wasIdle = transactionState() == TransactionState::Idle;
    std::shared_ptr<PgResultSet> d;
    try {
        d = prepareAndDescribe(encodeStatement(sql), params);
    } catch (const DbError &e) {
        // Several statements cannot be prepared. Outside a block nothing was
        // harmed and the simple protocol takes the text (a plain syntax error
        // comes back from there just the same).
        if (wasIdle && !e.connectionLost() && e.sqlState() == QLatin1String(sqlstate::SyntaxError)) {
            info.simpleOnly = true;
            return info;
        }
        throw;
    }
    DescribeInto(*d, info);
    return info;
}

StatementInfo Connection::DescribeOne(const QString &sql, const std::vector<BoundParam> &params)
{
    StatementInfo info;
    DescribeInto(*prepareAndDescribe(encodeStatement(sql), params), info);
    return info;
}

std::shared_ptr<PgResultSet> Connection::ExecPrepared(const std::vector<BoundParam> &params)
{
    return run(Send::Prepared, QByteArray(), params);
}

std::unique_ptr<Connection> Connection::OpenSideConnection() const
{
    auto side = std::make_unique<Connection>(m_params);
    side->Open();
    return side;
}

void Connection::ExecOnSideConnection(const QString &sql) const
{
    auto side = OpenSideConnection();
    side->SetCancelCheck(m_cancelCheck);
    side->Exec(sql);
}

// Waits until PQgetResult will not block. The slice timer runs for the whole
// statement, so a result that streams in row by row still lets events run and
// the cancel check be asked every slice.
void Connection::waitForResults(QElapsedTimer &slice, bool &cancelSent)
{
    // Rows arriving together are parsed one after another: those already
    // received are taken at once, and only every 64th of them reads the
    // clock (as does every wait for the socket).
    if ((++m_readyRun & 63) != 0 && !PQisBusy(m_conn))
        return;
    for (;;) {
        if (slice.elapsed() >= kEventSliceMs) {
            slice.restart();
            tv::ui::PumpWhileBusy(kEventSliceMs);
            if (!cancelSent && !m_closeRequested && m_cancelCheck && m_cancelCheck()) {
                cancelSent = true;
                if (PGcancel *cancel = PQgetCancel(m_conn)) {
                    char buf[256];
                    PQcancel(cancel, buf, sizeof buf);
                    PQfreeCancel(cancel);
                }
            }
        }
        if (!PQisBusy(m_conn))
            return;
        pollfd p{PQsocket(m_conn), POLLIN, 0};
        const int rc = ::poll(&p, 1, kEventSliceMs / 2);
        if (rc < 0 && errno != EINTR)
            return;
        if (!PQconsumeInput(m_conn))
            return; // broken connection: PQgetResult reports it
    }
}

std::shared_ptr<PgResultSet> Connection::run(Send how, const QByteArray &sql, const std::vector<BoundParam> &params)
{
    requireOpen();
    if (m_busy)
        throw DbError(QString::fromUtf8(kBusyText));

    // Text parameters come as UTF-8; other client encodings get them converted.
    std::vector<QByteArray> converted;
    const std::shared_ptr<const tv::text::ClientCodec> textCodec = codec();
    if (!textCodec->IsUtf8()) {
        converted.resize(params.size());
        for (size_t i = 0; i < params.size(); ++i) {
            const BoundParam &b = params[i];
            if (b.isNull || b.binary)
                continue;
            char32_t bad = 0;
            if (!textCodec->FromUtf8(b.data, &converted[i], &bad))
                raiseUnencodable(bad);
        }
    }
    std::vector<Oid> types;
    std::vector<const char *> values;
    std::vector<int> lengths, formats;
    for (size_t i = 0; i < params.size(); ++i) {
        const BoundParam &b = params[i];
        const QByteArray &data = converted.empty() || b.isNull || b.binary ? b.data : converted[i];
        types.push_back(b.typeOid);
        values.push_back(b.isNull ? nullptr : data.constData());
        lengths.push_back(int(data.size()));
        formats.push_back(b.binary ? 1 : 0);
    }
    const int n = int(params.size());

    if ((how == Send::Simple || how == Send::Params) && !m_kept.empty() && MayDropPrepared(sql))
        m_kept.clear(); // kept statements are prepared again under new names
    ResultHolder error;
    // The last statement's result, and the rows of the statement arriving now.
    std::shared_ptr<PgResultSet> last, rows;
    // Rows that could not be held (out of memory): raised once the statement ends.
    std::optional<DbError> storeError;
    {
        BusyGuard busy(m_busy);
        int sent = 0;
        switch (how) {
        case Send::Simple:
            sent = PQsendQuery(m_conn, sql.constData());
            break;
        case Send::Params:
            sent = PQsendQueryParams(m_conn, sql.constData(), n, types.data(), values.data(), lengths.data(),
                                     formats.data(), 0);
            break;
        case Send::Prepare:
            sent = PQsendPrepare(m_conn, "", sql.constData(), n, types.data());
            break;
        case Send::Describe:
            sent = PQsendDescribePrepared(m_conn, "");
            break;
        case Send::Prepared:
            sent = PQsendQueryPrepared(m_conn, "", n, values.data(), lengths.data(), formats.data(), 0);
            break;
        case Send::Named:
            sent = PQsendQueryPrepared(m_conn, sql.constData(), n, values.data(), lengths.data(), formats.data(), 0);
            break;
        }
        if (!sent) {
            const bool lost = PQstatus(m_conn) != CONNECTION_OK;
            Raise(DbError::fromConnection(m_conn, lost ? QString::fromLatin1(sqlstate::ConnectionFailure) : QString(),
                                          lost));
        }
        // Rows arrive one at a time and go straight into the compact store,
        // so the whole result never sits in libpq's form as well.
        if (how == Send::Simple || how == Send::Params || how == Send::Prepared || how == Send::Named)
            PQsetSingleRowMode(m_conn);
        QElapsedTimer slice;
        slice.start();
        bool cancelSent = false;
        for (;;) {
            waitForResults(slice, cancelSent);
            ResultHolder r;
            r.res = PQgetResult(m_conn);
            if (!r.res)
                break;
            switch (PQresultStatus(r.res)) {
            case PGRES_SINGLE_TUPLE:
                if (error.res || storeError)
                    break;
                try {
                    if (!rows) {
                        last.reset(); // an earlier statement's result gives way at once
                        rows.reset(new PgResultSet(codec()));
                    }
                    if (rows->takeRow(r.res))
                        r.take();
                } catch (const std::bad_alloc &) {
                    rows.reset();
                    storeError = DbError(QStringLiteral("out of memory while reading the result"));
                } catch (const DbError &e) {
                    rows.reset();
                    storeError = e;
                }
                break;
            case PGRES_FATAL_ERROR:
            case PGRES_BAD_RESPONSE:
            case PGRES_NONFATAL_ERROR:
                // Rows that came before the error are no result.
                rows.reset();
                if (!error.res)
                    error.reset(r.take());
                break;
            case PGRES_COPY_IN:
                // No data source here: end the copy with an error.
                PQputCopyEnd(m_conn, "COPY FROM STDIN is not supported here");
                break;
            case PGRES_COPY_OUT: {
                char *buf = nullptr;
                while (PQgetCopyData(m_conn, &buf, 0) > 0)
                    PQfreemem(buf);
                break;
            }
            default:
                // The end of a statement: its rows, if any, are complete.
                if (rows && PQresultStatus(r.res) == PGRES_TUPLES_OK) {
                    rows->finish(r.take());
                    last = std::move(rows);
                } else {
                    rows.reset();
                    last = std::make_shared<PgResultSet>(r.take(), codec());
                }
                break;
            }
            if (PQstatus(m_conn) != CONNECTION_OK)
                break;
        }
    }

    const bool lost = PQstatus(m_conn) != CONNECTION_OK;
    if (m_closeRequested) {
        finish();
        throw DbError(QStringLiteral("the connection was closed"), QString::fromLatin1(sqlstate::ConnectionFailure),
                      true);
    }
    if (!lost)
        afterStatement();
    if (error.res)
        Raise(DbError::fromResult(error.res, m_conn));
    if (lost)
        Raise(DbError::fromConnection(m_conn, QString::fromLatin1(sqlstate::ConnectionFailure), true));
    if (storeError)
        throw *storeError;
    if (!last)
        return std::make_shared<PgResultSet>(PQmakeEmptyPGresult(m_conn, PGRES_EMPTY_QUERY), codec());
    return last;
}

// Parse and Describe go out together in one pipeline, so describing costs one
// round trip to the server, not two. The results come back as: the Parse's,
// a separator, the Describe's (aborted when the Parse failed), a separator
// and the pipeline's end.
std::shared_ptr<PgResultSet> Connection::prepareAndDescribe(const QByteArray &sql,
                                                            const std::vector<BoundParam> &params,
                                                            const QByteArray &name)
{
    requireOpen();
    if (m_busy)
        throw DbError(QString::fromUtf8(kBusyText));
    std::vector<Oid> types;
    for (const BoundParam &b : params)
        types.push_back(b.typeOid);

    ResultHolder error, described;
    {
        BusyGuard busy(m_busy);
        const bool sent = PQenterPipelineMode(m_conn) &&
                          PQsendPrepare(m_conn, name.constData(), sql.constData(), int(types.size()), types.data()) &&
                          PQsendDescribePrepared(m_conn, name.constData()) && PQpipelineSync(m_conn);
        if (!sent) {
            const bool lost = PQstatus(m_conn) != CONNECTION_OK;
            const DbError e = DbError::fromConnection(
                m_conn, lost ? QString::fromLatin1(sqlstate::ConnectionFailure) : QString(), lost);
            // Nothing is pending once the pipeline's end has not gone out.
            PQexitPipelineMode(m_conn);
            Raise(e);
        }
        QElapsedTimer slice;
        slice.start();
        bool cancelSent = false;
        int results = 0;
        for (;;) {
            if (PQstatus(m_conn) != CONNECTION_OK)
                break;
            waitForResults(slice, cancelSent);
            ResultHolder r;
            r.res = PQgetResult(m_conn);
            if (!r.res)
                continue; // the separator after each request's results
            const ExecStatusType st = PQresultStatus(r.res);
            if (st == PGRES_PIPELINE_SYNC)
                break;
            ++results;
            if (st == PGRES_FATAL_ERROR || st == PGRES_BAD_RESPONSE || st == PGRES_NONFATAL_ERROR) {
                if (!error.res)
                    error.reset(r.take());
            } else if (results == 2 && st == PGRES_COMMAND_OK) {
                described.reset(r.take());
            }
        }
        if (PQstatus(m_conn) == CONNECTION_OK)
            PQexitPipelineMode(m_conn);
    }

    const bool lost = PQstatus(m_conn) != CONNECTION_OK;
    if (m_closeRequested) {
        finish();
        throw DbError(QStringLiteral("the connection was closed"), QString::fromLatin1(sqlstate::ConnectionFailure),
                      true);
    }
    if (!lost)
        afterStatement();
    if (error.res)
        Raise(DbError::fromResult(error.res, m_conn));
    if (lost)
        Raise(DbError::fromConnection(m_conn, QString::fromLatin1(sqlstate::ConnectionFailure), true));
    if (!described.res)
        throw DbError(QStringLiteral("the statement could not be described"));
    return std::make_shared<PgResultSet>(described.take(), codec());
}

void Connection::afterStatement()
{
    if (PQtransactionStatus(m_conn) != PQTRANS_IDLE)
        return;
    m_levels.clear();
    if (m_autoCommit || m_restoring)
        return;
    // Auto-commit off: the session always stays inside a block.
    m_restoring = true;
    try {
        run(Send::Simple, QByteArrayLiteral("BEGIN"), {});
    } catch (const DbError &) {
        // The next statement meets the same fault and reports it.
    }
    m_restoring = false;
}

} // namespace tv::db
