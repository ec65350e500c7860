#include "DataSet.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace tv::db {

DataLink::~DataLink() = default;

namespace {

constexpr unsigned kOidType = 26;

bool isCharacterKind(FieldKind k)
{
    return k == FieldKind::Text || k == FieldKind::Varchar || k == FieldKind::Char;
}

QString boolText(const QString &t)
{
    const QString l = t.trimmed().toLower();
    if (l == u"t" || l == u"true")
        return QStringLiteral("True");
    if (l == u"f" || l == u"false")
        return QStringLiteral("False");
    return t;
}

// Which types have an equality the row key can use: a default btree class
// for the type, its domain base, a binary-compatible type, or the generic
// classes of arrays, enums, ranges and composite types.
const char *const kColumnsSql =
    "SELECT a.attnum, quote_ident(a.attname), a.atttypid, a.attgenerated <> '', "
    "  EXISTS (SELECT 1 FROM pg_catalog.pg_opclass oc JOIN pg_catalog.pg_am am ON am.oid = oc.opcmethod "
    "          WHERE am.amname = 'btree' AND oc.opcdefault AND (oc.opcintype = bt.oid "
    "            OR (bt.typcategory = 'A' AND oc.opcintype = 'anyarray'::regtype) "
    "            OR (bt.typtype = 'e' AND oc.opcintype = 'anyenum'::regtype) "
    "            OR (bt.typtype = 'r' AND oc.opcintype = 'anyrange'::regtype) "
    "            OR (bt.typtype = 'c' AND oc.opcintype = 'record'::regtype) "
    "            OR EXISTS (SELECT 1 FROM pg_catalog.pg_cast ca WHERE ca.castsource = bt.oid "
    "                       AND ca.casttarget = oc.opcintype AND ca.castmethod = 'b'))) "
    "FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
    "JOIN pg_catalog.pg_type bt ON bt.oid = CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE t.oid END "
    "WHERE a.attrelid = $1 AND a.attnum > 0 AND NOT a.attisdropped";

const char *const kTableSql =
    "SELECT c.relkind::text, quote_ident(n.nspname) || '.' || quote_ident(c.relname), "
    "  (SELECT string_agg(k::text, ',') FROM pg_catalog.pg_index i, unnest(i.indkey) k "
    "   WHERE i.indrelid = c.oid AND i.indisprimary) "
    "FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE c.oid = $1";

} // namespace

DataSet::DataSet() = default;

DataSet::~DataSet()
{
    m_links.clear();
}

void DataSet::SetConnection(Connection *conn)
{
    if (conn != m_conn)
        Close();
    m_conn = conn;
}

void DataSet::AddLink(DataLink *link)
{
    if (link && std::find(m_links.begin(), m_links.end(), link) == m_links.end())
        m_links.push_back(link);
}

void DataSet::RemoveLink(DataLink *link)
{
    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
}

// --- notifications ----------------------------------------------------------

template <class F>
void DataSet::eachLink(F &&call)
{
    // A copy: a link may come or go while it is called.
    const auto links = m_links;
    for (DataLink *l : links)
        call(l);
}

bool DataSet::deferNotice()
{
    if (m_disableCount == 0)
        return false;
    m_pendingChange = true;
    return true;
}

void DataSet::notifyChanged()
{
    if (!deferNotice())
        eachLink([](DataLink *l) { l->dataSetChanged(); });
}

void DataSet::notifyScrolled(int distance)
{
    if (!deferNotice())
        eachLink([distance](DataLink *l) { l->dataSetScrolled(distance); });
}

void DataSet::notifyRecord(int field)
{
    if (!deferNotice())
        eachLink([field](DataLink *l) { l->recordChanged(field); });
}

void DataSet::notifyEditing()
{
    if (!deferNotice())
        eachLink([](DataLink *l) { l->editingChanged(); });
}

void DataSet::notifyActive(bool active)
{
    eachLink([active](DataLink *l) { l->activeChanged(active); });
}

void DataSet::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0) {
        m_pendingChange = false;
        notifyChanged();
    }
}

// --- opening ----------------------------------------------------------------

void DataSet::Open(std::shared_ptr<ResultSet> rows)
{
    Close();
    if (!rows)
        return;
    m_rows = std::move(rows);
    m_nextId = m_rows->rowCount();
    m_localEdits = m_conn == nullptr;
    m_canModify = m_localEdits;
    m_readOnlyReason.clear();
    if (!m_localEdits)
        examineTable();
    m_state = DataSetState::Browse;
    m_cur = m_rows->rowCount() > 0 ? 0 : -1;
    m_bof = true;
    m_eof = m_cur < 0;
    notifyActive(true);
}

void DataSet::OpenSQL(const QString &sql)
{
    if (!m_conn)
        throw tv::Error(QStringLiteral("the data set has no connection"));
    Close();
    auto res = m_conn->Exec(sql);
    if (!res->hasRows())
        throw DbError(QStringLiteral("the statement returns no rows"));
    Open(std::move(res));
}

void DataSet::Close()
{
    if (!m_rows)
        return;
    m_rows.reset();
    m_state = DataSetState::Inactive;
    m_cur = -1;
    m_bof = m_eof = true;
    m_ordered = false;
    m_order.clear();
    m_pos.clear();
    m_posValid = false;
    m_overlay.clear();
    m_edit.clear();
    m_changed.clear();
    m_modified = false;
    m_insertId = -1;
    m_canModify = false;
    m_tableSql.clear();
    m_tableOid = -1;
    m_columns.clear();
    m_keyFields.clear();
    m_primaryKey = false;
    notifyActive(false);
}

void DataSet::examineTable()
{
    m_canModify = false;
    const int nf = m_rows->fieldCount();
    const auto readOnly = [this](const QString &why) { m_readOnlyReason = why; };
    if (nf == 0 || !dynamic_cast<PgResultSet *>(m_rows.get()))
        return readOnly(QStringLiteral("この結果は更新できません"));
    const qint64 oid = m_rows->field(0).tableOid;
    for (int f = 0; f < nf; ++f) {
        const FieldDesc &d = m_rows->field(f);
        if (d.tableOid <= 0 || d.tableColumn <= 0 || d.tableOid != oid)
            return readOnly(QStringLiteral("結果の列が 1 つのテーブルの列だけではないため, 更新できません"));
    }
    try {
        BoundParam p;
        p.isNull = false;
        p.data = QByteArray::number(oid);
        p.typeOid = kOidType;
        const auto table = m_conn->ExecParams(QString::fromLatin1(kTableSql), {p});
        if (table->rowCount() != 1)
            return readOnly(QStringLiteral("この結果は更新できません"));
        const QString kind = table->text(0, 0);
        if (kind != u"r" && kind != u"p" && kind != u"f")
            return readOnly(QStringLiteral("テーブル以外の結果は更新できません"));
        const auto cols = m_conn->ExecParams(QString::fromLatin1(kColumnsSql), {p});
        std::unordered_map<int, Column> byNum;
        for (int r = 0; r < cols->rowCount(); ++r) {
            Column c;
            c.attnum = cols->text(r, 0).toInt();
            c.nameSql = cols->text(r, 1);
            c.typeOid = cols->text(r, 2).toUInt();
            c.generated = cols->text(r, 3) == u"t";
            c.comparable = cols->text(r, 4) == u"t";
            byNum[c.attnum] = c;
        }
        m_columns.assign(size_t(nf), Column());
        for (int f = 0; f < nf; ++f) {
            const auto it = byNum.find(m_rows->field(f).tableColumn);
            if (it == byNum.end())
                return readOnly(QStringLiteral("この結果は更新できません"));
            m_columns[size_t(f)] = it->second;
        }
        // The primary key when every key column is in the result.
        std::vector<int> key;
        bool complete = false;
        if (!table->isNull(0, 2)) {
            complete = true;
            for (const QString &k : table->text(0, 2).split(QLatin1Char(','))) {
                const int attnum = k.toInt();
                int found = -1;
                for (int f = 0; f < nf && found < 0; ++f)
                    if (m_columns[size_t(f)].attnum == attnum)
                        found = f;
                if (found < 0) {
                    complete = false;
                    break;
                }
                key.push_back(found);
            }
        }
        m_primaryKey = complete && !key.empty();
        if (!m_primaryKey) {
            key.clear();
            std::set<int> seen;
            for (int f = 0; f < nf; ++f) {
                const Column &c = m_columns[size_t(f)];
                if (c.comparable && seen.insert(c.attnum).second)
                    key.push_back(f);
            }
            if (key.empty())
                return readOnly(QStringLiteral("レコードを特定できる列がないため, 更新できません"));
        }
        m_keyFields = std::move(key);
        m_tableSql = table->text(0, 1);
        m_tableOid = oid;
        m_canModify = true;
    } catch (const DbError &e) {
        if (e.connectionLost())
            throw;
        m_columns.clear();
        readOnly(e.text());
    }
}

bool DataSet::FieldCanModify(int field) const
{
    if (!CanModify() || field < 0 || field >= FieldCount())
        return false;
    return m_localEdits || !m_columns[size_t(field)].generated;
}

// --- order and cells --------------------------------------------------------

int DataSet::RecordCount() const
{
    if (!m_rows)
        return 0;
    return m_ordered ? int(m_order.size()) : m_rows->rowCount();
}

void DataSet::materializeOrder()
{
    if (m_ordered)
        return;
    const int n = m_rows->rowCount();
    m_order.resize(size_t(n));
    for (int i = 0; i < n; ++i)
        m_order[size_t(i)] = i;
    m_ordered = true;
    invalidatePositions();
}

void DataSet::buildPositions() const
{
    if (m_posValid)
        return;
    m_pos.assign(size_t(m_nextId), -1);
    for (size_t i = 0; i < m_order.size(); ++i)
        m_pos[size_t(m_order[i])] = int(i);
    m_posValid = true;
}

qint64 DataSet::idAt(int row) const
{
    return m_ordered ? m_order[size_t(row)] : qint64(row);
}

CellValue DataSet::storedCell(qint64 id, int field) const
{
    if (!m_overlay.empty()) {
        const auto it = m_overlay.find(id);
        if (it != m_overlay.end())
            return it->second[size_t(field)];
    }
    if (id < m_rows->rowCount()) {
        const int r = int(id);
        if (m_rows->isNull(r, field))
            return CellValue{};
        return CellValue{false, m_rows->text(r, field)};
    }
    return CellValue{};
}

DataSet::Row DataSet::storedRow(qint64 id) const
{
    Row row(static_cast<size_t>(FieldCount()));
    for (int f = 0; f < FieldCount(); ++f)
        row[size_t(f)] = storedCell(id, f);
    return row;
}

CellValue DataSet::cell(int row, int field) const
{
    if (row == m_cur && (m_state == DataSetState::Edit || m_state == DataSetState::Insert))
        return m_edit[size_t(field)];
    return storedCell(idAt(row), field);
}

bool DataSet::IsNull(int row, int field) const
{
    if (!m_rows)
        return true;
    if (row == m_cur && (m_state == DataSetState::Edit || m_state == DataSetState::Insert))
        return m_edit[size_t(field)].null;
    const qint64 id = idAt(row);
    if (id < m_rows->rowCount() && (m_overlay.empty() || !m_overlay.count(id)))
        return m_rows->isNull(int(id), field);
    return storedCell(id, field).null;
}

QString DataSet::Text(int row, int field) const
{
    if (!m_rows)
        return QString();
    return cell(row, field).text;
}

QString DataSet::DisplayText(int row, int field) const
{
    if (!m_rows)
        return QString();
    const CellValue v = cell(row, field);
    if (v.null)
        return QString();
    if (m_rows->field(field).kind == FieldKind::Bool)
        return boolText(v.text);
    return v.text;
}

QString DataSet::DisplayTextPrefix(int row, int field, qsizetype maxChars) const
{
    if (!m_rows)
        return QString();
    const bool editing = row == m_cur && (m_state == DataSetState::Edit || m_state == DataSetState::Insert);
    const qint64 id = editing ? -1 : idAt(row);
    if (editing || id >= m_rows->rowCount() || (!m_overlay.empty() && m_overlay.count(id)) ||
        m_rows->field(field).kind == FieldKind::Bool)
        return DisplayText(row, field).left(std::max<qsizetype>(0, maxChars));
    if (m_rows->isNull(int(id), field))
        return QString();
    return m_rows->textPrefix(int(id), field, maxChars);
}

bool DataSet::FieldIsNull(int field) const
{
    return m_cur < 0 ? true : IsNull(m_cur, field);
}

QString DataSet::FieldText(int field) const
{
    return m_cur < 0 ? QString() : Text(m_cur, field);
}

QString DataSet::FieldDisplayText(int field) const
{
    return m_cur < 0 ? QString() : DisplayText(m_cur, field);
}

bool DataSet::FieldChanged(int field) const
{
    return (m_state == DataSetState::Edit || m_state == DataSetState::Insert) && m_changed[size_t(field)];
}

// --- moving -----------------------------------------------------------------

void DataSet::checkActive() const
{
    if (!m_rows)
        throw tv::Error(dataset_text::Closed);
}

void DataSet::checkCanModify() const
{
    checkActive();
    if (!CanModify())
        throw tv::Error(m_readOnlyReason.isEmpty() ? dataset_text::ReadOnly : m_readOnlyReason);
}

int DataSet::leaveRecord()
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return -1;
    const bool inserting = m_state == DataSetState::Insert;
    const int at = m_cur;
    CheckBrowseMode();
    // An untouched new record is cancelled and takes its row away.
    return inserting && m_state == DataSetState::Browse && m_insertId < 0 && RowOfBookmark(m_lastInsertId) < 0
               ? at
               : -1;
}

void DataSet::moveTo(int row)
{
    checkActive();
    if ((m_state == DataSetState::Edit || m_state == DataSetState::Insert) && row == m_cur)
        return;
    const int removed = leaveRecord();
    if (removed >= 0 && row > removed)
        --row;
    const int n = RecordCount();
    if (n == 0) {
        m_cur = -1;
        m_bof = m_eof = true;
        return;
    }
    row = std::clamp(row, 0, n - 1);
    const int old = m_cur;
    m_cur = row;
    if (removed >= 0)
        notifyChanged();
    else if (old != row)
        notifyScrolled(row - old);
}

void DataSet::First()
{
    moveTo(0);
    m_bof = true;
    m_eof = RecordCount() == 0;
}

void DataSet::Last()
{
    moveTo(RecordCount() - 1);
    m_eof = true;
    m_bof = RecordCount() == 0;
}

void DataSet::Next()
{
    MoveBy(1);
}

void DataSet::Prior()
{
    MoveBy(-1);
}

int DataSet::MoveBy(int distance)
{
    checkActive();
    if (distance == 0)
        return 0;
    const int before = m_cur;
    int target = m_cur + distance;
    const int removed = leaveRecord();
    int start = before;
    if (removed >= 0) {
        if (target > removed)
            --target;
        if (start > removed)
            --start;
    }
    const int n = RecordCount();
    if (n == 0) {
        m_cur = -1;
        m_bof = m_eof = true;
        return 0;
    }
    m_bof = target < 0;
    m_eof = target > n - 1;
    const int row = std::clamp(target, 0, n - 1);
    const int old = m_cur;
    m_cur = row;
    if (removed >= 0)
        notifyChanged();
    else if (old != row)
        notifyScrolled(row - old);
    return row - start;
}

void DataSet::SetRecNo(int row)
{
    moveTo(row);
    m_bof = m_eof = false;
}

// --- bookmarks --------------------------------------------------------------

Bookmark DataSet::GetBookmark() const
{
    checkActive();
    return m_cur < 0 ? NoBookmark : idAt(m_cur);
}

Bookmark DataSet::BookmarkAt(int row) const
{
    if (!m_rows || row < 0 || row >= RecordCount())
        return NoBookmark;
    return idAt(row);
}

int DataSet::RowOfBookmark(Bookmark b) const
{
    if (!m_rows || b < 0 || b >= m_nextId)
        return -1;
    if (!m_ordered)
        return b < m_rows->rowCount() ? int(b) : -1;
    buildPositions();
    return m_pos[size_t(b)];
}

bool DataSet::BookmarkValid(Bookmark b) const
{
    return RowOfBookmark(b) >= 0;
}

void DataSet::GotoBookmark(Bookmark b)
{
    checkActive();
    const int row = RowOfBookmark(b);
    if (row < 0)
        throw tv::Error(QStringLiteral("レコードが見つかりません"));
    moveTo(row);
    // Posting or cancelling may have moved the record.
    const int again = RowOfBookmark(b);
    if (again >= 0 && again != m_cur)
        moveTo(again);
    m_bof = m_eof = false;
}

int DataSet::CompareBookmarks(Bookmark a, Bookmark b) const
{
    const int ra = RowOfBookmark(a), rb = RowOfBookmark(b);
    return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

// --- editing ----------------------------------------------------------------

void DataSet::setState(DataSetState s)
{
    if (m_state == s)
        return;
    m_state = s;
    notifyEditing();
}

void DataSet::Edit()
{
    checkCanModify();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert)
        return;
    if (RecordCount() == 0) {
        Insert();
        return;
    }
    m_edit = storedRow(idAt(m_cur));
    m_changed.assign(size_t(FieldCount()), false);
    m_modified = false;
    setState(DataSetState::Edit);
}

void DataSet::beginInsert(int row)
{
    materializeOrder();
    const qint64 id = m_nextId++;
    m_order.insert(m_order.begin() + row, id);
    invalidatePositions();
    m_insertId = id;
    m_lastInsertId = id;
    m_cur = row;
    m_bof = m_eof = false;
    m_edit.assign(size_t(FieldCount()), CellValue{});
    m_changed.assign(size_t(FieldCount()), false);
    m_modified = false;
    m_state = DataSetState::Insert;
    notifyChanged();
    notifyEditing();
}

void DataSet::Insert()
{
    checkCanModify();
    CheckBrowseMode();
    beginInsert(m_cur < 0 ? 0 : m_cur);
}

void DataSet::Append()
{
    checkCanModify();
    CheckBrowseMode();
    beginInsert(RecordCount());
}

void DataSet::InsertAt(int row)
{
    checkCanModify();
    CheckBrowseMode();
    beginInsert(std::clamp(row, 0, RecordCount()));
}

void DataSet::validate(int field, const QString &text) const
{
    const FieldDesc &d = m_rows->field(field);
    const QString t = text.trimmed();
    bool ok = true;
    switch (d.kind) {
    case FieldKind::Int2:
    case FieldKind::Int4:
    case FieldKind::Int8:
    case FieldKind::Oid: {
        const qint64 v = t.toLongLong(&ok);
        if (ok && d.kind == FieldKind::Int2)
            ok = v >= -32768 && v <= 32767;
        else if (ok && d.kind == FieldKind::Int4)
            ok = v >= -2147483648LL && v <= 2147483647LL;
        else if (ok && d.kind == FieldKind::Oid)
            ok = v >= 0 && v <= 4294967295LL;
        break;
    }
    case FieldKind::Float:
    case FieldKind::Numeric: {
        const QString l = t.toLower();
        if (l == u"nan" || l == u"infinity" || l == u"-infinity" || l == u"+infinity")
            break;
        t.toDouble(&ok);
        break;
    }
    case FieldKind::Bool: {
        static const QStringList words{QStringLiteral("t"),   QStringLiteral("true"), QStringLiteral("f"),
                                       QStringLiteral("false"), QStringLiteral("y"),  QStringLiteral("yes"),
                                       QStringLiteral("n"),   QStringLiteral("no"),   QStringLiteral("on"),
                                       QStringLiteral("off"), QStringLiteral("1"),    QStringLiteral("0")};
        ok = words.contains(t.toLower());
        break;
    }
    default:
        break;
    }
    if (!ok)
        throw tv::Error(QStringLiteral("'%1' はフィールド '%2' の有効な値ではありません").arg(text, d.name));
}

void DataSet::SetFieldText(int field, const QString &text)
{
    checkActive();
    if (field < 0 || field >= FieldCount())
        throw tv::Error(QStringLiteral("field index %1 out of range").arg(field));
    if (text.isEmpty() && !isCharacterKind(m_rows->field(field).kind)) {
        SetFieldNull(field);
        return;
    }
    if (!FieldCanModify(field))
        throw tv::Error(m_readOnlyReason.isEmpty() ? dataset_text::ReadOnly : m_readOnlyReason);
    validate(field, text);
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        Edit();
    m_edit[size_t(field)] = CellValue{false, text};
    m_changed[size_t(field)] = true;
    m_modified = true;
    notifyRecord(field);
}

void DataSet::SetFieldNull(int field)
{
    checkActive();
    if (!FieldCanModify(field))
        throw tv::Error(m_readOnlyReason.isEmpty() ? dataset_text::ReadOnly : m_readOnlyReason);
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        Edit();
    m_edit[size_t(field)] = CellValue{};
    m_changed[size_t(field)] = true;
    m_modified = true;
    notifyRecord(field);
}

void DataSet::Cancel()
{
    if (m_state == DataSetState::Edit) {
        m_edit.clear();
        m_modified = false;
        m_state = DataSetState::Browse;
        notifyRecord(-1);
        notifyEditing();
    } else if (m_state == DataSetState::Insert) {
        const int row = m_cur;
        m_order.erase(m_order.begin() + row);
        invalidatePositions();
        m_insertId = -1;
        m_edit.clear();
        m_modified = false;
        m_state = DataSetState::Browse;
        const int n = RecordCount();
        m_cur = n == 0 ? -1 : std::min(row, n - 1);
        m_bof = m_cur <= 0;
        m_eof = n == 0 || m_cur == n - 1;
        notifyChanged();
        notifyEditing();
    }
}

void DataSet::CheckBrowseMode()
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    eachLink([](DataLink *l) { l->updateData(); });
    if (m_modified)
        Post();
    else
        Cancel();
}

void DataSet::Post()
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    eachLink([](DataLink *l) { l->updateData(); });
    if (BeforePost)
        BeforePost();
    const qint64 id = idAt(m_cur);
    if (m_state == DataSetState::Edit) {
        if (m_modified) {
            Row row = m_localEdits ? m_edit : postUpdate();
            m_overlay[id] = std::move(row);
        }
        m_edit.clear();
        m_modified = false;
        m_state = DataSetState::Browse;
        notifyRecord(-1);
        notifyEditing();
        return;
    }
    Row row = m_localEdits ? m_edit : postInsert();
    m_overlay[id] = std::move(row);
    m_insertId = -1;
    m_edit.clear();
    m_modified = false;
    m_state = DataSetState::Browse;
    notifyChanged();
    notifyEditing();
}

void DataSet::Delete()
{
    checkCanModify();
    if (m_state == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (m_state == DataSetState::Edit)
        Cancel();
    if (m_cur < 0)
        return;
    const qint64 id = idAt(m_cur);
    if (!m_localEdits)
        deleteOnServer(id);
    materializeOrder();
    m_order.erase(m_order.begin() + m_cur);
    invalidatePositions();
    m_overlay.erase(id);
    const int n = RecordCount();
    if (n == 0)
        m_cur = -1;
    else
        m_cur = std::min(m_cur, n - 1);
    m_bof = m_cur <= 0;
    m_eof = n == 0 || m_cur == n - 1;
    notifyChanged();
}

// --- statements -------------------------------------------------------------

BoundParam DataSet::bind(const CellValue &v, unsigned typeOid)
{
    BoundParam p;
    p.isNull = v.null;
    if (!v.null)
        p.data = v.text.toUtf8();
    p.typeOid = typeOid;
    return p;
}

QString DataSet::returningList() const
{
    QStringList names;
    for (const Column &c : m_columns)
        names << c.nameSql;
    return names.join(QStringLiteral(", "));
}

QString DataSet::keyCondition(const Row &orig, std::vector<BoundParam> &params) const
{
    QStringList parts;
    for (int f : m_keyFields) {
        const Column &c = m_columns[size_t(f)];
        params.push_back(bind(orig[size_t(f)], c.typeOid));
        const QString ph = QStringLiteral("$%1").arg(params.size());
        parts << (m_primaryKey ? c.nameSql + QStringLiteral(" = ") + ph
                               : c.nameSql + QStringLiteral(" IS NOT DISTINCT FROM ") + ph);
    }
    return parts.join(QStringLiteral(" AND "));
}

DataSet::Row DataSet::rowFromResult(const PgResultSet &res) const
{
    Row row(static_cast<size_t>(FieldCount()));
    for (int f = 0; f < FieldCount() && f < res.fieldCount(); ++f)
        if (!res.isNull(0, f))
            row[size_t(f)] = CellValue{false, res.text(0, f)};
    return row;
}

std::shared_ptr<PgResultSet> DataSet::runOneRow(const QString &sql, const std::vector<BoundParam> &params)
{
    m_lastStatement = sql;
    m_conn->StartTransaction();
    std::shared_ptr<PgResultSet> res;
    try {
        res = m_conn->ExecParams(sql, params);
    } catch (const DbError &e) {
        if (!e.connectionLost()) {
            try {
                m_conn->Rollback();
            } catch (const DbError &) {
            }
        }
        throw;
    }
    const qint64 n = res->rowsAffected();
    if (n != 1) {
        m_conn->Rollback();
        throw DbError(dataset_text::NotOneRow.arg(n));
    }
    if (m_conn->Commit() == CommitResult::RolledBack)
        throw DbError(QStringLiteral("変更はロールバックされました"));
    return res;
}

DataSet::Row DataSet::postUpdate()
{
    const qint64 id = idAt(m_cur);
    const Row orig = storedRow(id);
    std::vector<BoundParam> params;
    QStringList sets;
    std::set<int> done;
    for (int f = 0; f < FieldCount(); ++f) {
        const Column &c = m_columns[size_t(f)];
        if (!m_changed[size_t(f)] || c.generated || m_edit[size_t(f)] == orig[size_t(f)] || !done.insert(c.attnum).second)
            continue;
        params.push_back(bind(m_edit[size_t(f)], c.typeOid));
        sets << c.nameSql + QStringLiteral(" = $%1").arg(params.size());
    }
    if (sets.isEmpty())
        return orig;
    const QString sql = QStringLiteral("UPDATE ") + m_tableSql + QStringLiteral(" SET ") +
                        sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") + keyCondition(orig, params) +
                        QStringLiteral(" RETURNING ") + returningList();
    return rowFromResult(*runOneRow(sql, params));
}

DataSet::Row DataSet::postInsert()
{
    std::vector<BoundParam> params;
    QStringList names, values;
    std::set<int> done;
    for (int f = 0; f < FieldCount(); ++f) {
        const Column &c = m_columns[size_t(f)];
        if (!m_changed[size_t(f)] || c.generated || !done.insert(c.attnum).second)
            continue;
        params.push_back(bind(m_edit[size_t(f)], c.typeOid));
        names << c.nameSql;
        values << QStringLiteral("$%1").arg(params.size());
    }
    QString sql = QStringLiteral("INSERT INTO ") + m_tableSql;
    if (names.isEmpty())
        sql += QStringLiteral(" DEFAULT VALUES");
    else
        sql += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
               values.join(QStringLiteral(", ")) + QStringLiteral(")");
    sql += QStringLiteral(" RETURNING ") + returningList();
    return rowFromResult(*runOneRow(sql, params));
}

void DataSet::deleteOnServer(qint64 id)
{
    const Row orig = storedRow(id);
    std::vector<BoundParam> params;
    const QString sql = QStringLiteral("DELETE FROM ") + m_tableSql + QStringLiteral(" WHERE ") +
                        keyCondition(orig, params);
    runOneRow(sql, params);
}

} // namespace tv::db
