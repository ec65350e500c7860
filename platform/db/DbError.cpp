#include "DbError.h"

#include <libpq-fe.h>

namespace tv::db {

namespace {

QString field(const PGresult *res, int code)
{
    const char *v = res ? PQresultErrorField(res, code) : nullptr;
    return v ? QString::fromUtf8(v) : QString();
}

QString trimmed(const char *text)
{
    return QString::fromUtf8(text ? text : "").trimmed();
}

} // namespace

DbError::DbError(const QString &text, const QString &sqlState, bool connectionLost)
    : tv::Error(text), m_sqlState(sqlState), m_message(text), m_fullText(text),
      m_connectionLost(connectionLost)
{
}

DbError DbError::fromResult(const PGresult *res, PGconn *conn)
{
    const bool lost = conn && PQstatus(conn) == CONNECTION_BAD;
    const QString primary = field(res, PG_DIAG_MESSAGE_PRIMARY);
    if (primary.isEmpty()) {
        // No report from the server: libpq's own text (lost connection,
        // protocol failure, out of memory).
        QString text = res ? trimmed(PQresultErrorMessage(res)) : QString();
        if (text.isEmpty() && conn)
            text = trimmed(PQerrorMessage(conn));
        if (text.isEmpty())
            text = QStringLiteral("unknown database error");
        return DbError(text, lost ? QString::fromLatin1(sqlstate::ConnectionFailure) : QString(), lost);
    }
    DbError e(QStringLiteral("ERROR: ") + primary, field(res, PG_DIAG_SQLSTATE), lost);
    e.m_message = primary;
    e.m_detail = field(res, PG_DIAG_MESSAGE_DETAIL);
    e.m_hint = field(res, PG_DIAG_MESSAGE_HINT);
    e.m_position = field(res, PG_DIAG_STATEMENT_POSITION).toInt();
    e.m_fullText = trimmed(PQresultErrorMessage(res));
    return e;
}

DbError DbError::fromConnection(PGconn *conn, const QString &sqlState, bool connectionLost)
{
    QString text = conn ? trimmed(PQerrorMessage(conn)) : QString();
    if (text.isEmpty())
        text = QStringLiteral("could not connect to the server");
    return DbError(text, sqlState, connectionLost);
}

} // namespace tv::db
