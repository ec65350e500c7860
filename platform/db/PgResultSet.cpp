#include "PgResultSet.h"

#include <libpq-fe.h>

namespace tv::db {

PgResultSet::PgResultSet(PGresult *res) : m_res(res)
{
    if (!m_res)
        return;
    m_rows = PQntuples(m_res);
    const int n = PQnfields(m_res);
    m_fields.reserve(size_t(n));
    for (int c = 0; c < n; ++c) {
        FieldDesc f = MakeFieldDesc(QString::fromUtf8(PQfname(m_res, c)), qint64(PQftype(m_res, c)),
                                    qint64(PQfmod(m_res, c)), PQfsize(m_res, c));
        const Oid table = PQftable(m_res, c);
        f.tableOid = table == InvalidOid ? -1 : qint64(table);
        f.tableColumn = PQftablecol(m_res, c);
        m_fields.push_back(std::move(f));
    }
}

PgResultSet::~PgResultSet()
{
    if (m_res)
        PQclear(m_res);
}

bool PgResultSet::isNull(int r, int c) const
{
    return PQgetisnull(m_res, r, c) != 0;
}

QString PgResultSet::text(int r, int c) const
{
    return QString::fromUtf8(PQgetvalue(m_res, r, c), PQgetlength(m_res, r, c));
}

QByteArrayView PgResultSet::raw(int r, int c) const
{
    return QByteArrayView(PQgetvalue(m_res, r, c), PQgetlength(m_res, r, c));
}

QByteArray PgResultSet::bytes(int r, int c) const
{
    if (PQgetisnull(m_res, r, c))
        return QByteArray();
    if (m_fields[size_t(c)].kind != FieldKind::Bytea || PQfformat(m_res, c) == 1)
        return QByteArray(PQgetvalue(m_res, r, c), PQgetlength(m_res, r, c));
    size_t len = 0;
    unsigned char *data =
        PQunescapeBytea(reinterpret_cast<const unsigned char *>(PQgetvalue(m_res, r, c)), &len);
    if (!data)
        return QByteArray();
    QByteArray out(reinterpret_cast<const char *>(data), qsizetype(len));
    PQfreemem(data);
    return out;
}

QString PgResultSet::commandStatus() const
{
    return m_res ? QString::fromUtf8(PQcmdStatus(m_res)) : QString();
}

qint64 PgResultSet::rowsAffected() const
{
    const char *t = m_res ? PQcmdTuples(m_res) : "";
    if (!t || !*t)
        return -1;
    return QByteArray(t).toLongLong();
}

} // namespace tv::db
