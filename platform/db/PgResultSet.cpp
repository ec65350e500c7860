#include "PgResultSet.h"

#include "DbError.h"

#include <algorithm>
#include <cstring>
#include <libpq-fe.h>
#include <new>

namespace tv::db {

namespace {

// Cells a chunk takes (its rows are this many cells divided by the fields).
constexpr int kCellsPerChunk = 64 * 1024;
// A chunk whose bytes would pass this closes early; a larger row gets a chunk
// of its own. It bounds the unused room of the chunk being filled.
constexpr size_t kChunkBytes = size_t(16) << 20;
// The top bit of a cell's end offset marks NULL, leaving 31 bits for bytes.
constexpr quint32 kNullBit = 0x80000000u;
constexpr size_t kMaxChunkBytes = kNullBit - 1;
constexpr size_t kFirstCapacity = 4096;
// A row this large stays in the result libpq made of it.
constexpr size_t kAdoptBytes = size_t(1) << 20;

const char kEmpty[] = "";

} // namespace

PgResultSet::PgResultSet(std::shared_ptr<const tv::text::ClientCodec> codec)
    : m_codec(codec && !codec->IsUtf8() ? std::move(codec) : nullptr)
{
}

PgResultSet::PgResultSet(PGresult *res, std::shared_ptr<const tv::text::ClientCodec> codec)
    : m_codec(codec && !codec->IsUtf8() ? std::move(codec) : nullptr)
{
    if (!res)
        return;
    const int n = PQntuples(res);
    if (n == 0) {
        finish(res);
        return;
    }
    try {
        for (int t = 0; t < n; ++t)
            appendRow(res, t);
    } catch (...) {
        PQclear(res);
        throw;
    }
    // Keep the descriptors and the status, not the rows.
    PGresult *bare = PQcopyResult(res, PG_COPYRES_ATTRS);
    if (bare) {
        PQclear(res);
        res = bare;
    }
    finish(res);
}

PgResultSet::~PgResultSet()
{
    if (m_res)
        PQclear(m_res);
}

void PgResultSet::readFields()
{
    m_fields.clear();
    if (!m_res)
        return;
    const int n = PQnfields(m_res);
    m_fields.reserve(size_t(n));
    for (int c = 0; c < n; ++c) {
        const char *name = PQfname(m_res, c);
        FieldDesc f = MakeFieldDesc(decode(name, name ? qsizetype(std::strlen(name)) : 0), qint64(PQftype(m_res, c)),
                                    qint64(PQfmod(m_res, c)), PQfsize(m_res, c));
        const Oid table = PQftable(m_res, c);
        f.tableOid = table == InvalidOid ? -1 : qint64(table);
        f.tableColumn = PQftablecol(m_res, c);
        m_fields.push_back(std::move(f));
    }
}

void PgResultSet::ResultDeleter::operator()(PGresult *r) const noexcept
{
    PQclear(r);
}

void PgResultSet::checkWidth(int nf)
{
    if (m_rows == 0 && m_chunks.empty()) {
        m_cellsPerRow = nf;
        // A power of two, so that a row's chunk is found by a shift.
        const int most = std::max(1, kCellsPerChunk / std::max(1, nf));
        m_chunkShift = 0;
        while ((2 << m_chunkShift) <= most)
            ++m_chunkShift;
        m_rowsPerChunk = 1 << m_chunkShift;
    } else if (nf != m_cellsPerRow) {
        throw DbError(QStringLiteral("the server sent rows of differing widths"));
    }
}

bool PgResultSet::takeRow(PGresult *res)
{
    const int nf = PQnfields(res);
    checkWidth(nf);
    if (nf == 0) {
        ++m_rows;
        return false;
    }
    // One pass over the cells: where each starts and how long it is (a NULL
    // and an empty text both have length 0; only those are asked which).
    m_cells.resize(size_t(nf));
    size_t need = 0;
    for (int c = 0; c < nf; ++c) {
        CellRef &cell = m_cells[size_t(c)];
        cell.len = quint32(PQgetlength(res, 0, c));
        cell.data = PQgetvalue(res, 0, c);
        cell.null = cell.len == 0 && PQgetisnull(res, 0, c);
        need += cell.len;
    }
    if (need >= kAdoptBytes) {
        if (!m_chunks.empty())
            closeChunk();
        m_uniformChunks = false;
        Chunk &own = m_chunks.emplace_back(); // may throw: res is not ours yet
        own.firstRow = m_rows;
        own.rows = 1;
        own.row.reset(res);
        ++m_rows;
        return true;
    }
    storeCells(need);
    return false;
}

void PgResultSet::appendRow(const PGresult *res, int t)
{
    const int nf = PQnfields(res);
    checkWidth(nf);
    if (nf == 0) {
        ++m_rows;
        return;
    }
    m_cells.resize(size_t(nf));
    size_t need = 0;
    for (int c = 0; c < nf; ++c) {
        CellRef &cell = m_cells[size_t(c)];
        cell.len = quint32(PQgetlength(res, t, c));
        cell.data = PQgetvalue(res, t, c);
        cell.null = cell.len == 0 && PQgetisnull(res, t, c);
        need += cell.len;
    }
    storeCells(need);
}

void PgResultSet::storeCells(size_t need)
{
    if (need > kMaxChunkBytes)
        throw DbError(QStringLiteral("a row of the result is too large to hold"));
    const int nf = m_cellsPerRow;
    Chunk *ch = m_chunks.empty() ? nullptr : &m_chunks.back();
    if (!ch || ch->row || ch->rows == m_rowsPerChunk || (ch->rows > 0 && ch->size + need > kChunkBytes)) {
        size_t capacity = kFirstCapacity;
        if (ch && !ch->row) {
            // The next chunk is likely the size of the last full one.
            capacity = ch->size + ch->size / 16;
            if (ch->rows != m_rowsPerChunk)
                m_uniformChunks = false;
            closeChunk();
        }
        Chunk fresh;
        fresh.firstRow = m_rows;
        fresh.capacity = std::max({need, kFirstCapacity, std::min(capacity, kChunkBytes)});
        fresh.data.reset(static_cast<char *>(std::malloc(fresh.capacity)));
        if (!fresh.data)
            throw std::bad_alloc();
        if (!m_chunks.empty())
            fresh.ends.reserve(size_t(m_rowsPerChunk) * size_t(nf));
        m_chunks.push_back(std::move(fresh));
        ch = &m_chunks.back();
    }
    if (ch->size + need > ch->capacity) {
        const size_t grown = std::max(ch->size + need, std::min(ch->capacity * 2, std::max(kChunkBytes, need)));
        char *p = static_cast<char *>(std::realloc(ch->data.get(), grown));
        if (!p)
            throw std::bad_alloc();
        (void)ch->data.release();
        ch->data.reset(p);
        ch->capacity = grown;
    }
    char *base = ch->data.get();
    size_t end = ch->size;
    for (const CellRef &cell : m_cells) {
        std::memcpy(base + end, cell.data, cell.len);
        end += cell.len;
        ch->ends.push_back(quint32(end) | (cell.null ? kNullBit : 0u));
    }
    ch->size = end;
    ++ch->rows;
    ++m_rows;
}

void PgResultSet::closeChunk()
{
    Chunk &ch = m_chunks.back();
    ch.ends.shrink_to_fit();
    if (ch.size == 0) {
        ch.data.reset(); // every cell NULL or empty
        ch.capacity = 0;
    } else if (ch.size < ch.capacity) {
        if (char *p = static_cast<char *>(std::realloc(ch.data.get(), ch.size))) {
            (void)ch.data.release();
            ch.data.reset(p);
            ch.capacity = ch.size;
        }
    }
}

void PgResultSet::finish(PGresult *res)
{
    if (m_res)
        PQclear(m_res);
    m_res = res;
    if (!m_chunks.empty())
        closeChunk();
    readFields();
}

bool PgResultSet::locate(int r, int c, const char **data, qsizetype *len, bool *null) const
{
    if (r < 0 || r >= m_rows || c < 0 || c >= m_cellsPerRow)
        return false;
    size_t k;
    if (m_uniformChunks) {
        k = size_t(r) >> m_chunkShift;
    } else {
        const auto it = std::upper_bound(m_chunks.begin(), m_chunks.end(), r,
                                         [](int row, const Chunk &ch) { return row < ch.firstRow; });
        k = size_t(it - m_chunks.begin()) - 1;
    }
    const Chunk &ch = m_chunks[k];
    if (ch.row) {
        *null = PQgetisnull(ch.row.get(), 0, c) != 0;
        *data = *null ? kEmpty : PQgetvalue(ch.row.get(), 0, c);
        *len = *null ? 0 : qsizetype(PQgetlength(ch.row.get(), 0, c));
        return true;
    }
    const size_t i = size_t(r - ch.firstRow) * size_t(m_cellsPerRow) + size_t(c);
    const quint32 e = ch.ends[i];
    const quint32 start = i == 0 ? 0 : ch.ends[i - 1] & ~kNullBit;
    *null = (e & kNullBit) != 0;
    const quint32 end = e & ~kNullBit;
    *data = ch.data ? ch.data.get() + start : kEmpty;
    *len = qsizetype(end - start);
    return true;
}

bool PgResultSet::isNull(int r, int c) const
{
    const char *d;
    qsizetype n;
    bool null;
    return !locate(r, c, &d, &n, &null) || null;
}

QByteArrayView PgResultSet::raw(int r, int c) const
{
    const char *d;
    qsizetype n;
    bool null;
    if (!locate(r, c, &d, &n, &null))
        return QByteArrayView(kEmpty, 0);
    return QByteArrayView(d, n);
}

QString PgResultSet::text(int r, int c) const
{
    const QByteArrayView v = raw(r, c);
    return decode(v.data(), v.size());
}

QString PgResultSet::textPrefix(int r, int c, qsizetype maxChars) const
{
    const QByteArrayView v = raw(r, c);
    // No character takes more than four bytes in a client encoding, so the
    // first 4 * maxChars bytes hold maxChars whole characters (a character cut
    // at the end of them comes after those).
    const qsizetype bytes = std::max<qsizetype>(0, maxChars) * 4;
    return decode(v.data(), std::min(v.size(), bytes)).left(maxChars);
}

QByteArray PgResultSet::bytes(int r, int c) const
{
    const char *d;
    qsizetype n;
    bool null;
    if (!locate(r, c, &d, &n, &null) || null)
        return QByteArray();
    if (m_res && PQfformat(m_res, c) == 1)
        return QByteArray(d, n);
    if (m_fields[size_t(c)].kind != FieldKind::Bytea)
        return m_codec ? m_codec->Decode(QByteArrayView(d, n)).toUtf8() : QByteArray(d, n);
    const QByteArray escaped(d, n); // the decoder wants a terminated string
    size_t len = 0;
    unsigned char *data = PQunescapeBytea(reinterpret_cast<const unsigned char *>(escaped.constData()), &len);
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
