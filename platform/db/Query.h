#pragma once
// A statement with a cursor over its rows, used the way catalog-reading
// windows use a query component: set SQL, set parameters by name, Open and
// walk the records, or ExecSQL for a statement without rows.
//
// With parameter parsing on (the default) ":name" in the text is a parameter
// (see SqlScanner.h); with it off the text reaches the server unchanged and
// the parameters, if any were added after setting the text, are $1..$n in
// list order. Open describes
// the statement first and refuses one that returns no rows without running
// it; a text of several statements goes through the simple protocol, unless
// the query is marked as holding one statement (SetSingleStatement).
#include "Connection.h"
#include "Field.h"
#include "SqlScanner.h"

#include <deque>
#include <memory>

namespace tv::db {

class Query {
public:
    explicit Query(Connection *conn = nullptr);
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    Connection *GetConnection() const { return m_conn; }
    // Binding to another connection closes the query.
    void SetConnection(Connection *conn);

    const QString &SQL() const { return m_sql; }
    void SetSQL(const QString &sql);
    void SQLClear() { SetSQL(QString()); }
    // Appends a line (joined with "\n").
    void SQLAdd(const QString &line);

    bool ParamParsing() const { return m_paramParsing; }
    void SetParamParsing(bool on);
    tv::db::Params &Params() { return m_params; }
    Param &ParamByName(const QString &name) { return m_params.ParamByName(name); }

    // For SQL the program builds around text it was given (an EXPLAIN, a
    // sort or row limit, an aggregate over a query): the text must be one
    // statement. Open, Prepare and ExecSQL then go through the extended
    // protocol only, which runs one statement at most, and a text the
    // scanner finds several statements in is refused before anything is
    // sent, so a second statement never reaches the server.
    void SetSingleStatement(bool on) { m_singleStatement = on; }
    bool SingleStatement() const { return m_singleStatement; }

    // Describes the statement on the server; ReturnsRows() tells then whether
    // Open or ExecSQL fits it.
    void Prepare();
    bool ReturnsRows() const { return m_returnsRows; }

    // Open keeps the statement prepared on the connection (see
    // Connection::ExecKept): for catalog reads run again and again.
    void SetKeepPrepared(bool on) { m_keepPrepared = on; }

    void Open();
    void ExecSQL();
    void Close();
    bool Active() const { return m_results != nullptr; }
    // Rows touched by the last ExecSQL (-1 when the command counts none).
    qint64 RowsAffected() const { return m_rowsAffected; }

    // Shows rows that come from elsewhere (an in-memory set in tests, an
    // editable set) through this cursor.
    void OpenOn(std::shared_ptr<ResultSet> rows);
    const std::shared_ptr<ResultSet> &Results() const { return m_results; }

    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    bool IsEmpty() const { return RecordCount() == 0; }
    void First();
    void Next();
    void Prior();
    void Last();
    // 1-based number of the current record; 0 when there is none.
    int RecNo() const { return m_row + 1; }
    void SetRecNo(int recNo);
    int RecordCount() const { return m_results ? m_results->rowCount() : 0; }
    // 0-based current row, -1 when none.
    int CurrentRow() const { return m_row; }

    int FieldCount() const { return int(m_fields.size()); }
    Field &Fields(int i);
    // Without regard to case; throws tv::Error when missing.
    Field &FieldByName(const QString &name);
    Field *FindField(const QString &name);

private:
    Connection &connection() const;
    std::vector<BoundParam> bindValues(bool parsed, const QStringList &scanned) const;
    void attach(std::shared_ptr<ResultSet> rows);
    // Raises the refusal of a single-statement query whose text holds several.
    void requireOneStatement(const ScannedSql &sc) const;

    Connection *m_conn = nullptr;
    QString m_sql;
    bool m_paramParsing = true;
    bool m_keepPrepared = false;
    bool m_singleStatement = false;
    tv::db::Params m_params;
    bool m_returnsRows = false;
    qint64 m_rowsAffected = -1;
    std::shared_ptr<ResultSet> m_results;
    std::deque<Field> m_fields;
    int m_row = -1;
    bool m_eof = true;
    bool m_bof = true;
};

} // namespace tv::db
