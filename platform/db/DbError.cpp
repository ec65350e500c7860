#include "DbError.h"

#include "platform/text/TextEncoding.h"

#include <libpq-fe.h>

namespace tv::db {

namespace {

// The server writes its reports in the session's client encoding.
class ReportText {
public:
    explicit ReportText(PGconn *conn)
    {
        if (conn && PQstatus(conn) == CONNECTION_OK)
            m_codec = tv::text::ClientCodec::ForName(QByteArray(pg_encoding_to_char(PQclientEncoding(conn))));
    }
    QString operator()(const char *text) const
    {
        if (!text)
            return QString();
        if (!m_codec || m_codec->IsUtf8())
            return QString::fromUtf8(text);
        return m_codec->Decode(QByteArrayView(text));
    }

private:
    std::shared_ptr<const tv::text::ClientCodec> m_codec;
};

QString field(const ReportText &decode, const PGresult *res, int code)
{
    return decode(res ? PQresultErrorField(res, code) : nullptr);
}

QString trimmed(const ReportText &decode, const char *text)
{
    return decode(text ? text : "").trimmed();
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
    const ReportText decode(conn);
    const QString primary = field(decode, res, PG_DIAG_MESSAGE_PRIMARY);
    if (primary.isEmpty()) {
        // No report from the server: libpq's own text (lost connection,
        // protocol failure, out of memory).
        QString text = res ? trimmed(decode, PQresultErrorMessage(res)) : QString();
        if (text.isEmpty() && conn)
            text = trimmed(decode, PQerrorMessage(conn));
        if (text.isEmpty())
            text = QStringLiteral("unknown database error");
        return DbError(text, lost ? QString::fromLatin1(sqlstate::ConnectionFailure) : QString(), lost);
    }
    DbError e(QStringLiteral("ERROR: ") + primary, field(decode, res, PG_DIAG_SQLSTATE), lost);
    e.m_message = primary;
    e.m_detail = field(decode, res, PG_DIAG_MESSAGE_DETAIL);
    e.m_hint = field(decode, res, PG_DIAG_MESSAGE_HINT);
    e.m_position = field(decode, res, PG_DIAG_STATEMENT_POSITION).toInt();
    e.m_fullText = trimmed(decode, PQresultErrorMessage(res));
    return e;
}

DbError DbError::fromConnection(PGconn *conn, const QString &sqlState, bool connectionLost)
{
    QString text = conn ? trimmed(ReportText(conn), PQerrorMessage(conn)) : QString();
    if (text.isEmpty())
        text = QStringLiteral("could not connect to the server");
    return DbError(text, sqlState, connectionLost);
}

} // namespace tv::db
