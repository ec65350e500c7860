#pragma once
// The error raised by the data-access layer.
//
// text() is what the user sees. For a server error it is the whole report:
// "ERROR: " followed by the server's primary message, then a "DETAIL: " line
// and a "HINT: " line when the server sent them. For a session that ended
// under the program it is the line kConnectionLostText followed by the
// server's (or libpq's) own words; for a failed connect, libpq's text.
// Callers tell errors apart by sqlState(), never by text.
#include "platform/Errors.h"

#include <QString>

typedef struct pg_result PGresult;
typedef struct pg_conn PGconn;

namespace tv::db {

class DbError : public tv::Error {
public:
    explicit DbError(const QString &text, const QString &sqlState = QString(), bool connectionLost = false);

    // Builds the error from a failed result (fields of the server's error
    // report); conn supplies the connection state and libpq's text when the
    // result is missing or carries no report.
    static DbError fromResult(const PGresult *res, PGconn *conn);
    // Builds the error from libpq's message on the connection (connect
    // failures, lost connections).
    static DbError fromConnection(PGconn *conn, const QString &sqlState, bool connectionLost);

    const QString &sqlState() const { return m_sqlState; }
    // "ERROR: " + the server's primary message, without DETAIL and HINT.
    const QString &primaryText() const { return m_primaryText; }
    // The server's primary message alone.
    const QString &message() const { return m_message; }
    const QString &detail() const { return m_detail; }
    const QString &hint() const { return m_hint; }
    // 1-based character position of the error in the statement; 0 when none.
    int position() const { return m_position; }
    bool connectionLost() const { return m_connectionLost; }
    // The complete report as libpq formats it (with LINE and caret), for a log.
    const QString &fullText() const { return m_fullText; }

private:
    QString m_sqlState, m_message, m_primaryText, m_detail, m_hint, m_fullText;
    int m_position = 0;
    bool m_connectionLost = false;
};

// The line that names a session the server ended (terminated, restarted, or a
// broken network); the server's own text follows it on the next line.
inline constexpr char kConnectionLostText[] = "サーバとの接続が切断されました。";

// SQLSTATE codes the program tests for.
namespace sqlstate {
inline constexpr const char *QueryCanceled = "57014";
inline constexpr const char *UndefinedTable = "42P01";
inline constexpr const char *SyntaxError = "42601";
inline constexpr const char *InFailedTransaction = "25P02";
inline constexpr const char *ConnectionFailure = "08006";
inline constexpr const char *ConnectionDoesNotExist = "08003";
inline constexpr const char *UnableToConnect = "08001";
} // namespace sqlstate

} // namespace tv::db
