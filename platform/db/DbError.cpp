#include "DbError.h"

#include "platform/text/TextEncoding.h"

#include <QStringList>
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
    : tv::Error(text), m_sqlState(sqlState), m_message(text), m_primaryText(text), m_fullText(text),
      m_connectionLost(connectionLost)
{
}

namespace {

// libpq's own text, one trimmed line per line ("server closed the connection
// unexpectedly", tab-indented explanations).
QString LibpqText(const QString &text)
{
    QStringList lines;
    for (const QString &l : text.split(QLatin1Char('\n')))
        if (!l.trimmed().isEmpty())
            lines << l.trimmed();
    return lines.join(QLatin1Char('\n'));
}

QString LostText(const QString &serverText)
{
    const QString line = QString::fromUtf8(kConnectionLostText);
    return serverText.isEmpty() ? line : line + QLatin1Char('\n') + serverText;
}

} // namespace

DbError DbError::fromResult(const PGresult *res, PGconn *conn)
{
    const bool lost = conn && PQstatus(conn) == CONNECTION_BAD;
    const ReportText decode(conn);
    const QString primary = field(decode, res, PG_DIAG_MESSAGE_PRIMARY);
    if (primary.isEmpty()) {
        // No report from the server: libpq's own text (lost connection,
        // protocol failure, out of memory).
        QString text = res ? LibpqText(trimmed(decode, PQresultErrorMessage(res))) : QString();
        if (text.isEmpty() && conn)
            text = LibpqText(trimmed(decode, PQerrorMessage(conn)));
        if (text.isEmpty() && !lost)
            text = QStringLiteral("unknown database error");
        if (lost)
            return DbError(LostText(text), QString::fromLatin1(sqlstate::ConnectionFailure), true);
        return DbError(text);
    }
    const QString detail = field(decode, res, PG_DIAG_MESSAGE_DETAIL);
    const QString hint = field(decode, res, PG_DIAG_MESSAGE_HINT);
    QString report = primary;
    if (!detail.isEmpty())
        report += QStringLiteral("\nDETAIL: ") + detail;
    if (!hint.isEmpty())
        report += QStringLiteral("\nHINT: ") + hint;
    QString text;
    if (lost) {
        // The report that ended the session (FATAL, PANIC) keeps the
        // server's word for its severity.
        QString severity = field(decode, res, PG_DIAG_SEVERITY);
        if (severity.isEmpty())
            severity = QStringLiteral("FATAL");
        text = LostText(severity + QStringLiteral(": ") + report);
    } else {
        text = QStringLiteral("ERROR: ") + report;
    }
    DbError e(text, field(decode, res, PG_DIAG_SQLSTATE), lost);
    e.m_message = primary;
    if (!lost)
        e.m_primaryText = QStringLiteral("ERROR: ") + primary;
    e.m_detail = detail;
    e.m_hint = hint;
    e.m_position = field(decode, res, PG_DIAG_STATEMENT_POSITION).toInt();
    e.m_fullText = trimmed(decode, PQresultErrorMessage(res));
    return e;
}

DbError DbError::fromConnection(PGconn *conn, const QString &sqlState, bool connectionLost)
{
    QString text = conn ? LibpqText(trimmed(ReportText(conn), PQerrorMessage(conn))) : QString();
    if (connectionLost)
        return DbError(LostText(text), sqlState, true);
    if (text.isEmpty())
        text = QStringLiteral("could not connect to the server");
    return DbError(text, sqlState, connectionLost);
}

} // namespace tv::db
