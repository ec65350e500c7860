#pragma once
// One database session over libpq.
//
// Every statement is sent asynchronously and waited for in a loop that keeps
// Qt events flowing and asks the cancel check (the application sets it to
// "Esc was pressed"); when it answers true the statement is cancelled on the
// server and the server's error (57014) is raised. While a statement runs the
// connection is busy: timers such as a keep-alive skip it, and a second
// statement is refused.
//
// Transactions. With auto-commit off the session is always inside a block:
// "BEGIN" is sent after connecting and whenever a statement leaves the
// session idle (after COMMIT or ROLLBACK at the top level). A window's own
// StartTransaction / Commit / Rollback nest: inside an open block they are
// SAVEPOINT / RELEASE / ROLLBACK TO + RELEASE, so a failed apply neither
// discards earlier uncommitted work nor leaves the session aborted; with the
// session idle they are real BEGIN / COMMIT / ROLLBACK. Commit() with no
// window-level transaction open commits the session's block. A COMMIT that
// the server answers with ROLLBACK is reported as a rollback.
//
// Text. Statements and text parameters are sent, and cells, field names and
// the server's messages read, in the session's client encoding as libpq
// reports it (it follows a SET client_encoding). A statement or parameter
// holding a character that encoding has no code for is not sent: the server
// is asked to convert that character instead, so the user gets the server's
// own error for it (22P05) and nothing is stored.
#include "ConnectionParams.h"
#include "DbError.h"
#include "Param.h"
#include "PgResultSet.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

typedef struct pg_conn PGconn;
class QElapsedTimer;

namespace tv::db {

enum class TransactionState { Idle, InTransaction, Aborted, Unknown };
enum class CommitResult { Committed, RolledBack };

// What describing a prepared statement found.
struct StatementInfo {
    bool returnsRows = false;
    int fieldCount = 0;
    int paramCount = 0;
    // The names of the fields it returns.
    QStringList fieldNames;
    // The text could not be prepared (several statements) and must go
    // through the simple protocol.
    bool simpleOnly = false;
};

class Connection {
public:
    Connection();
    explicit Connection(const ConnectionParams &params);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    ConnectionParams &Params() { return m_params; }
    const ConnectionParams &Params() const { return m_params; }
    void SetParams(const ConnectionParams &p) { m_params = p; }

    // Connects (a no-op when connected); throws DbError with libpq's text.
    void Open();
    void Close();
    bool Connected() const;

    // Facts read at connect.
    const QString &ServerVersionText() const { return m_versionText; }
    int ServerVersionNum() const { return m_versionNum; }
    int BackendPid() const;
    // The session's client encoding as the server names it ("UTF8", "SJIS"
    // ...); empty when not connected.
    QByteArray ClientEncoding() const;

    // The program's UpdateToCommit option. Turning it off on an idle session
    // opens a block; turning it on leaves an open block to the user.
    bool AutoCommit() const { return m_autoCommit; }
    void SetAutoCommit(bool on);

    TransactionState transactionState() const;

    // Window-level transactions (see above). Commit returns what the server
    // did; Rollback never fails silently: a failure is raised.
    void StartTransaction();
    CommitResult Commit();
    void Rollback();
    // Number of window-level transactions open.
    int TransactionLevel() const { return int(m_levels.size()); }

    // Runs text through the simple protocol (several statements allowed) and
    // returns the last result.
    std::shared_ptr<PgResultSet> Exec(const QString &sql);
    // First column of the first row ("" for no row or NULL).
    QString ExecScalar(const QString &sql);
    // Runs one statement with $1..$n through the extended protocol.
    std::shared_ptr<PgResultSet> ExecParams(const QString &sql, const std::vector<BoundParam> &params);
    // Prepares the unnamed statement and describes it. A text the server
    // cannot prepare because it holds several statements comes back as
    // simpleOnly (only while the session is idle: inside a block the failed
    // prepare has aborted it, and the error is raised).
    StatementInfo Describe(const QString &sql, const std::vector<BoundParam> &params);
    // As Describe, but a text the server cannot prepare (several statements
    // among them) raises the server's error: never simpleOnly.
    StatementInfo DescribeOne(const QString &sql, const std::vector<BoundParam> &params);
    // Runs the statement prepared by the last Describe.
    std::shared_ptr<PgResultSet> ExecPrepared(const std::vector<BoundParam> &params);

    // Runs one statement kept prepared on the session under a name of its
    // own: the first call with a text (and parameter types) prepares and
    // describes it, later ones only run it, so the server plans a catalog
    // read repeated thousands of times once. `info` gets the description;
    // when it says simpleOnly or no rows, nothing ran and null comes back.
    // A DEALLOCATE or DISCARD sent through this connection, a reconnect or a
    // statement the server no longer knows forget the kept ones.
    std::shared_ptr<PgResultSet> ExecKept(const QString &sql, const std::vector<BoundParam> &params,
                                          StatementInfo &info);
    // Number of statements kept prepared now.
    int KeptCount() const { return int(m_kept.size()); }

    // A new connection with the same parameters and auto-commit on, opened,
    // for statements that cannot run in a transaction block.
    std::unique_ptr<Connection> OpenSideConnection() const;
    // Runs text on a short-lived side connection.
    void ExecOnSideConnection(const QString &sql) const;

    bool Busy() const { return m_busy; }
    // For a caller that drives the session's socket itself for a while (a
    // statement pipeline): the session counts as busy meanwhile.
    void SetBusy(bool busy) { m_busy = busy; }
    // Asked while a statement runs; true cancels it.
    void SetCancelCheck(std::function<bool()> check) { m_cancelCheck = std::move(check); }

    // For the savepoint helpers: a fresh savepoint name on this session.
    QString NewSavepointName();

    // Server notices and warnings received since the last call.
    QStringList TakeNotices();
    // Called with each notice's text as it arrives, in the thread that runs
    // the statement (the text also goes to TakeNotices).
    void SetNoticeHook(std::function<void(const QString &)> hook) { m_noticeHook = std::move(hook); }

    PGconn *handle() const { return m_conn; }

    // Raises e. When it says the session has ended under the program, the
    // connection forgets its window-level transactions and kept statements,
    // and the first such failure is the one every later call raises at once,
    // without trying the server, until Close or Open starts a new session.
    [[noreturn]] void Raise(const DbError &e);
    // The session ended under the program (see Raise).
    bool Lost() const { return m_lost.has_value(); }

private:
    enum class Send { Simple, Params, Prepare, Describe, Prepared, Named };
    std::shared_ptr<PgResultSet> run(Send how, const QByteArray &sql, const std::vector<BoundParam> &params);
    void waitForResults(QElapsedTimer &slice, bool &cancelSent);
    std::shared_ptr<PgResultSet> prepareAndDescribe(const QByteArray &sql, const std::vector<BoundParam> &params,
                                                    const QByteArray &name = QByteArray());
    void afterStatement();
    void requireOpen();
    // The codec of the client encoding in effect now.
    const std::shared_ptr<const tv::text::ClientCodec> &codec();
    QByteArray encodeStatement(const QString &sql);
    [[noreturn]] void raiseUnencodable(char32_t cp);
    void finish();
    static void noticeReceiver(void *self, const PGresult *res);

    struct Level {
        bool real;     // BEGIN ... COMMIT/ROLLBACK
        QString name;  // else the savepoint
    };

    ConnectionParams m_params;
    PGconn *m_conn = nullptr;
    bool m_autoCommit = true;
    bool m_busy = false;
    bool m_restoring = false;
    bool m_closeRequested = false;
    QStringList m_notices;
    QString m_versionText;
    int m_versionNum = 0;
    int m_savepointCounter = 0;
    std::vector<Level> m_levels;
    std::function<bool()> m_cancelCheck;
    std::function<void(const QString &)> m_noticeHook;
    struct Kept {
        QByteArray name;
        StatementInfo info;
    };
    // Kept statements by text and parameter types.
    std::map<QByteArray, Kept> m_kept;
    int m_keptCounter = 0;
    unsigned m_readyRun = 0;
    int m_codecId = -1;
    std::shared_ptr<const tv::text::ClientCodec> m_codec;
    // The failure that ended the session.
    std::optional<DbError> m_lost;
};

} // namespace tv::db
