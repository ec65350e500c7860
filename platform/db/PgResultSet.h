#pragma once
// A result set over a server result.
//
// Rows are held compactly: the cells' bytes follow one another in a few large
// blocks (chunks of rows), and each cell costs one 32-bit end offset within
// its chunk, whose top bit marks NULL. A row of cells costs its text plus
// four bytes a cell, nothing per row. The libpq result kept beside the rows
// holds only the field descriptors and the command status.
//
// The connection fills a set row by row as the rows arrive (single-row mode),
// so a result never exists twice in memory.
//
// Cells and field names are in the session's client encoding; a set made
// with a codec decodes them through it when they are read, one without (the
// UTF-8 session) reads them as UTF-8 straight away.
#include "ResultSet.h"

#include "platform/text/TextEncoding.h"

#include <cstdlib>
#include <memory>
#include <vector>

typedef struct pg_result PGresult;

namespace tv::db {

class PgResultSet : public ResultSet {
public:
    // Takes ownership of res (which may be a command result without rows).
    // Any rows in it are moved into the compact store. codec: the client
    // encoding the result is in; none for UTF-8.
    explicit PgResultSet(PGresult *res, std::shared_ptr<const tv::text::ClientCodec> codec = {});
    ~PgResultSet() override;
    PgResultSet(const PgResultSet &) = delete;
    PgResultSet &operator=(const PgResultSet &) = delete;

    int rowCount() const override { return m_rows; }
    int fieldCount() const override { return int(m_fields.size()); }
    const FieldDesc &field(int c) const override { return m_fields[size_t(c)]; }
    bool isNull(int r, int c) const override;
    QString text(int r, int c) const override;
    QString textPrefix(int r, int c, qsizetype maxChars) const override;
    QByteArray bytes(int r, int c) const override;

    // The cell's bytes as sent by the server (text in the client encoding),
    // valid while this set lives; empty for NULL.
    QByteArrayView raw(int r, int c) const;
    // True when the statement returned rows (a row description came back).
    bool hasRows() const { return !m_fields.empty(); }
    // The command tag ("SELECT 3", "INSERT 0 1", "COMMIT", "ROLLBACK" ...).
    QString commandStatus() const;
    // Rows touched by INSERT/UPDATE/DELETE/SELECT/MOVE/FETCH/COPY; -1 when the
    // command does not count rows.
    qint64 rowsAffected() const;

    // The libpq result with the descriptors, the status and the parameter
    // descriptions of a describe; it holds no rows (read cells through this
    // set).
    const PGresult *handle() const { return m_res; }

private:
    friend class Connection;

    // An empty set that rows are appended to; finish() completes it.
    explicit PgResultSet(std::shared_ptr<const tv::text::ClientCodec> codec);
    // Appends row t of res (the fields must match the rows before).
    void appendRow(const PGresult *res, int t);
    // Appends the one row of a single-row result. A large row (a megabyte or
    // more) is kept in the result libpq made of it instead of copying its
    // cells, so a row of huge values never exists twice here: then the set
    // takes ownership of res and returns true. Otherwise the cells are copied
    // and res stays the caller's.
    bool takeRow(PGresult *res);
    // Completes a set built row by row with the statement's final result
    // (descriptors and status, no rows); takes ownership of res.
    void finish(PGresult *res);

    // Takes the width of the first row; raises when a later row differs.
    void checkWidth(int nf);
    // Copies the cells of m_cells (need bytes in all) into the store as a new row.
    void storeCells(size_t need);
    void readFields();
    void closeChunk();
    // The cell's bytes and whether it is NULL; false when (r, c) is out of range.
    bool locate(int r, int c, const char **data, qsizetype *len, bool *null) const;

    struct FreeDeleter {
        void operator()(char *p) const noexcept { std::free(p); }
    };
    struct ResultDeleter {
        void operator()(PGresult *r) const noexcept;
    };
    struct Chunk {
        int firstRow = 0;
        int rows = 0;
        std::unique_ptr<char[], FreeDeleter> data;
        size_t size = 0;
        size_t capacity = 0;
        // Per cell, row by row: the end of its bytes in data; NULL sets the top bit.
        std::vector<quint32> ends;
        // A large row kept in libpq's form (one row; data and ends unused).
        std::unique_ptr<PGresult, ResultDeleter> row;
    };

    QString decode(const char *data, qsizetype len) const
    {
        return m_codec ? m_codec->Decode(QByteArrayView(data, len)) : QString::fromUtf8(data, len);
    }

    PGresult *m_res = nullptr;
    std::shared_ptr<const tv::text::ClientCodec> m_codec; // none: UTF-8
    int m_rows = 0;
    int m_cellsPerRow = 0;
    std::vector<FieldDesc> m_fields;
    std::vector<Chunk> m_chunks;
    // The cells of the row being appended.
    struct CellRef {
        const char *data;
        quint32 len;
        bool null;
    };
    std::vector<CellRef> m_cells;
    // Rows a chunk takes before the next begins; a chunk closes early only
    // when its bytes would overflow the 31-bit offsets, and then the chunk of
    // a row is searched instead of computed.
    int m_rowsPerChunk = 1;
    int m_chunkShift = 0; // m_rowsPerChunk is 1 << m_chunkShift
    bool m_uniformChunks = true;
};

} // namespace tv::db
