#include "Query.h"

#include "platform/Errors.h"

namespace tv::db {

Query::Query(Connection *conn) : m_conn(conn) {}

void Query::SetConnection(Connection *conn)
{
    if (conn != m_conn)
        Close();
    m_conn = conn;
}

void Query::SetSQL(const QString &sql)
{
    Close();
    m_sql = sql;
    m_returnsRows = false;
    // Unparsed text starts with no parameters: the caller adds those its
    // $n need after setting the text.
    if (m_paramParsing)
        m_params.setNames(ScanSql(m_sql, true).names);
    else
        m_params.clear();
}

void Query::SQLAdd(const QString &line)
{
    SetSQL(m_sql.isEmpty() ? line : m_sql + QLatin1Char('\n') + line);
}

void Query::SetParamParsing(bool on)
{
    m_paramParsing = on;
    if (on)
        m_params.setNames(ScanSql(m_sql, true).names);
}

Connection &Query::connection() const
{
    if (!m_conn)
        throw tv::Error(QStringLiteral("the query has no connection"));
    return *m_conn;
}

std::vector<BoundParam> Query::bindValues(bool parsed, const QStringList &scanned) const
{
    // Parsed text numbers its parameters by first use; unparsed text takes
    // the parameters in list order.
    return m_params.bind(parsed ? scanned : m_params.names());
}

void Query::requireOneStatement(const ScannedSql &sc) const
{
    if (m_singleStatement && sc.statements > 1)
        throw DbError(QStringLiteral("複数の SQL 文は実行できません。1 つの文だけを指定してください。"),
                      QLatin1String(sqlstate::SyntaxError));
}

void Query::Prepare()
{
    Connection &c = connection();
    const ScannedSql sc = ScanSql(m_sql, m_paramParsing);
    const auto values = bindValues(m_paramParsing, sc.names);
    if (m_singleStatement) {
        requireOneStatement(sc);
        m_returnsRows = c.DescribeOne(sc.text, values).returnsRows;
        return;
    }
    if (sc.statements > 1 && values.empty()) {
        m_returnsRows = false;
        return;
    }
    const StatementInfo info = c.Describe(sc.text, values);
    m_returnsRows = info.returnsRows;
}

void Query::Open()
{
    Close();
    Connection &c = connection();
    const ScannedSql sc = ScanSql(m_sql, m_paramParsing);
    const auto values = bindValues(m_paramParsing, sc.names);
    requireOneStatement(sc);
    std::shared_ptr<PgResultSet> rows;
    bool simple = !m_singleStatement && sc.statements > 1 && values.empty();
    if (!simple && m_keepPrepared) {
        StatementInfo info;
        rows = c.ExecKept(sc.text, values, info);
        // The server's own error for a text it cannot prepare.
        if (info.simpleOnly && m_singleStatement)
            c.DescribeOne(sc.text, values);
        simple = info.simpleOnly;
        if (!simple) {
            m_returnsRows = info.returnsRows;
            if (!info.returnsRows)
                throw DbError(QStringLiteral("the statement returns no rows"));
        }
    } else if (!simple) {
        const StatementInfo info = m_singleStatement ? c.DescribeOne(sc.text, values) : c.Describe(sc.text, values);
        simple = info.simpleOnly;
        if (!simple) {
            m_returnsRows = info.returnsRows;
            if (!info.returnsRows)
                throw DbError(QStringLiteral("the statement returns no rows"));
            rows = c.ExecPrepared(values);
        }
    }
    if (simple) {
        rows = c.Exec(sc.text);
        if (!rows->hasRows())
            throw DbError(QStringLiteral("the statement returns no rows"));
    }
    attach(std::move(rows));
}

void Query::ExecSQL()
{
    Close();
    Connection &c = connection();
    const ScannedSql sc = ScanSql(m_sql, m_paramParsing);
    const auto values = bindValues(m_paramParsing, sc.names);
    requireOneStatement(sc);
    const auto res = values.empty() && !m_singleStatement ? c.Exec(sc.text) : c.ExecParams(sc.text, values);
    m_rowsAffected = res->rowsAffected();
}

void Query::Close()
{
    m_results.reset();
    m_fields.clear();
    m_row = -1;
    m_eof = m_bof = true;
}

void Query::OpenOn(std::shared_ptr<ResultSet> rows)
{
    Close();
    if (rows)
        attach(std::move(rows));
}

void Query::attach(std::shared_ptr<ResultSet> rows)
{
    m_results = std::move(rows);
    for (int c = 0; c < m_results->fieldCount(); ++c)
        m_fields.emplace_back(this, c);
    First();
}

void Query::First()
{
    m_row = RecordCount() > 0 ? 0 : -1;
    m_bof = true;
    m_eof = RecordCount() == 0;
}

void Query::Next()
{
    if (m_row + 1 < RecordCount()) {
        ++m_row;
        m_bof = m_eof = false;
    } else {
        m_eof = true;
    }
}

void Query::Prior()
{
    if (m_row > 0) {
        --m_row;
        m_bof = m_eof = false;
    } else {
        m_bof = true;
    }
}

void Query::Last()
{
    m_row = RecordCount() - 1;
    m_eof = true;
    m_bof = RecordCount() == 0;
}

void Query::SetRecNo(int recNo)
{
    if (recNo < 1 || recNo > RecordCount())
        throw tv::Error(QStringLiteral("record %1 does not exist").arg(recNo));
    m_row = recNo - 1;
    m_bof = m_eof = false;
}

Field &Query::Fields(int i)
{
    if (i < 0 || i >= FieldCount())
        throw tv::Error(QStringLiteral("field index %1 out of range").arg(i));
    return m_fields[size_t(i)];
}

Field *Query::FindField(const QString &name)
{
    if (!m_results)
        return nullptr;
    const int i = m_results->fieldIndex(name);
    return i < 0 ? nullptr : &m_fields[size_t(i)];
}

Field &Query::FieldByName(const QString &name)
{
    if (Field *f = FindField(name))
        return *f;
    throw tv::Error(QStringLiteral("field \"%1\" not found").arg(name));
}

} // namespace tv::db
