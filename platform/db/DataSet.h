#pragma once
// The rows of a query as the data grids see them: a current record, a state
// (browse, edit, insert), bookmarks, the values of the record being edited and
// notifications to the linked controls.
//
// Cells are read straight from the wrapped result set; only rows that were
// inserted or refreshed after a post are held apart, so opening and walking a
// result of any size costs nothing beyond the result itself.
//
// Editing. A result whose fields are all base columns of one table (not a
// view over several, not a materialized view) can be edited; every other
// result is read-only. A record is found again by its primary key when every
// key column is in the result, otherwise by every column that can be compared
// (IS NOT DISTINCT FROM). A post sends an UPDATE of the changed columns or an
// INSERT of the assigned ones, a delete a DELETE, each with RETURNING so that
// the record shows what the server stored. Every statement runs in a
// transaction of its own (a savepoint inside an open block) and must touch
// exactly one row: a statement that would change no row or several rows is
// undone and refused. A failed post leaves the record in edit (or insert)
// with the user's values, and an open transaction block usable.
//
// Without a connection (an in-memory result) edits change the rows in memory.
#include "Connection.h"
#include "ResultSet.h"

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tv::db {

enum class DataSetState { Inactive, Browse, Edit, Insert };

// Identifies one record for as long as the data set stays open; compared in
// display order by CompareBookmarks. -1 is no record.
using Bookmark = qint64;
constexpr Bookmark NoBookmark = -1;

// One cell value: NULL, or the value in the server's text form.
struct CellValue {
    bool null = true;
    QString text;
    bool operator==(const CellValue &o) const { return null == o.null && (null || text == o.text); }
};

// What a linked control hears from its data set.
class DataLink {
public:
    virtual ~DataLink();
    virtual void activeChanged(bool /*active*/) {}
    // Records were added, removed or reread, or the data set was reopened.
    virtual void dataSetChanged() {}
    // The current record moved by `distance` records.
    virtual void dataSetScrolled(int /*distance*/) {}
    // A value of the current record changed (field -1: the whole record).
    virtual void recordChanged(int /*field*/) {}
    // The state changed between browse, edit and insert.
    virtual void editingChanged() {}
    // Before a post: write any text still held by an editor into the fields.
    virtual void updateData() {}
};

class DataSet {
public:
    DataSet();
    ~DataSet();
    DataSet(const DataSet &) = delete;
    DataSet &operator=(const DataSet &) = delete;

    Connection *GetConnection() const { return m_conn; }
    // Binding to another connection closes the data set.
    void SetConnection(Connection *conn);

    // Shows `rows`. With a connection, a server result of one table can be
    // edited (the table is looked up in the catalog here); without one,
    // edits stay in memory.
    void Open(std::shared_ptr<ResultSet> rows);
    // Runs a statement returning rows on the connection and shows its rows.
    void OpenSQL(const QString &sql);
    void Close();
    bool Active() const { return m_rows != nullptr; }
    DataSetState State() const { return m_state; }
    const std::shared_ptr<ResultSet> &Results() const { return m_rows; }

    // Whether records can be edited, inserted and deleted, and if not, why.
    bool CanModify() const { return Active() && m_canModify && !m_readOnly; }
    const QString &ReadOnlyReason() const { return m_readOnlyReason; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool on) { m_readOnly = on; }
    // The edited table as SQL ("schema"."name"), empty when not editable.
    const QString &UpdateTable() const { return m_tableSql; }
    // Whether one field can take a new value (generated columns cannot).
    bool FieldCanModify(int field) const;

    int FieldCount() const { return m_rows ? m_rows->fieldCount() : 0; }
    const FieldDesc &FieldDef(int field) const { return m_rows->field(field); }
    // Without regard to case; -1 when missing.
    int FieldIndex(const QString &name) const { return m_rows ? m_rows->fieldIndex(name) : -1; }

    // Records in display order; the record being inserted counts.
    int RecordCount() const;
    bool IsEmpty() const { return RecordCount() == 0; }
    // 0-based display position of the current record, -1 when there is none.
    int RecNo() const { return m_cur; }
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    // Moving off an edited record posts it first.
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves by `distance` records as far as possible; returns the distance moved.
    int MoveBy(int distance);
    void SetRecNo(int row);

    // Cells by display position; the record being edited reads its new values.
    bool IsNull(int row, int field) const;
    QString Text(int row, int field) const;
    // The text shown for a cell (Booleans as True / False).
    QString DisplayText(int row, int field) const;
    // Its first maxChars characters, converting no more of a stored value
    // than that: what a grid cell shows of a value of many megabytes.
    QString DisplayTextPrefix(int row, int field, qsizetype maxChars) const;

    // Fields of the current record.
    bool FieldIsNull(int field) const;
    QString FieldText(int field) const;
    QString FieldDisplayText(int field) const;
    // Sets a value of the current record, putting it into edit first. An
    // empty text sets NULL except for character fields. Numbers and Booleans
    // are checked here; everything else is checked by the server on post.
    void SetFieldText(int field, const QString &text);
    void SetFieldNull(int field);
    bool FieldChanged(int field) const;
    // The current record was changed since Edit or Insert.
    bool Modified() const { return m_modified; }

    void Edit();
    // A new record before the current one (Insert) or after the last (Append).
    void Insert();
    void Append();
    // A new record at display position `row` (0 .. RecordCount()).
    void InsertAt(int row);
    void Post();
    void Cancel();
    void Delete();
    // Posts a pending edit or insert.
    void CheckBrowseMode();

    Bookmark GetBookmark() const;
    Bookmark BookmarkAt(int row) const;
    void GotoBookmark(Bookmark b);
    bool BookmarkValid(Bookmark b) const;
    // Display position of a bookmark, -1 when the record is gone.
    int RowOfBookmark(Bookmark b) const;
    // <0, 0, >0 by display position; an invalid bookmark sorts first.
    int CompareBookmarks(Bookmark a, Bookmark b) const;

    // While controls are disabled no notification is sent; the last enable
    // sends one dataSetChanged.
    void DisableControls() { ++m_disableCount; }
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    void AddLink(DataLink *link);
    void RemoveLink(DataLink *link);

    // Runs before a record is posted (after the links wrote their text back).
    std::function<void()> BeforePost;
    // The last statement sent to change data (for logs and tests).
    const QString &LastStatement() const { return m_lastStatement; }

private:
    using Row = std::vector<CellValue>;
    struct Column {
        int attnum = 0;
        QString nameSql;  // quoted column name
        unsigned typeOid = 0;
        bool comparable = false;
        bool generated = false;
    };

    void examineTable();
    void setState(DataSetState s);
    // Calls every link.
    template <class F>
    void eachLink(F &&call);
    // True (the change noted for EnableControls) while controls are disabled.
    bool deferNotice();
    void notifyChanged();
    void notifyScrolled(int distance);
    void notifyRecord(int field);
    void notifyEditing();
    void notifyActive(bool active);
    void materializeOrder();
    void invalidatePositions() { m_posValid = false; }
    void buildPositions() const;
    qint64 idAt(int row) const;
    CellValue storedCell(qint64 id, int field) const;
    Row storedRow(qint64 id) const;
    CellValue cell(int row, int field) const;
    void moveTo(int row);
    // Posts or cancels a pending edit; the row of a cancelled new record, else -1.
    int leaveRecord();
    void checkActive() const;
    void checkCanModify() const;
    void beginInsert(int row);
    // Server work of a post or delete; each returns the refreshed row.
    Row postUpdate();
    Row postInsert();
    void deleteOnServer(qint64 id);
    std::shared_ptr<PgResultSet> runOneRow(const QString &sql, const std::vector<BoundParam> &params);
    QString keyCondition(const Row &orig, std::vector<BoundParam> &params) const;
    QString returningList() const;
    Row rowFromResult(const PgResultSet &res) const;
    static BoundParam bind(const CellValue &v, unsigned typeOid);
    void validate(int field, const QString &text) const;

    Connection *m_conn = nullptr;
    std::shared_ptr<ResultSet> m_rows;
    DataSetState m_state = DataSetState::Inactive;
    int m_cur = -1;
    bool m_bof = true, m_eof = true;

    // Display order: empty while it is the base rows in their order.
    bool m_ordered = false;
    std::vector<qint64> m_order;
    mutable std::vector<int> m_pos; // id -> display position (-1: gone)
    mutable bool m_posValid = false;
    qint64 m_nextId = 0;
    std::unordered_map<qint64, Row> m_overlay; // inserted and refreshed rows

    // The record being edited or inserted.
    Row m_edit;
    std::vector<bool> m_changed;
    bool m_modified = false;
    qint64 m_insertId = -1;
    qint64 m_lastInsertId = -1;

    bool m_localEdits = false;
    bool m_canModify = false;
    bool m_readOnly = false;
    QString m_readOnlyReason;
    QString m_tableSql;
    qint64 m_tableOid = -1;
    std::vector<Column> m_columns; // per field
    std::vector<int> m_keyFields;  // fields of the row key
    bool m_primaryKey = false;

    int m_disableCount = 0;
    bool m_pendingChange = false;
    std::vector<DataLink *> m_links;
    QString m_lastStatement;
};

// Texts of the data set's own errors.
namespace dataset_text {
inline const QString ReadOnly = QStringLiteral("データセットは読み取り専用のため, 変更できません");
inline const QString NotOneRow = QStringLiteral("更新対象のレコードを 1 行に特定できないため, 変更は取り消されました (%1 行が該当)");
inline const QString Closed = QStringLiteral("データセットは閉じているため, この操作は実行できません");
} // namespace dataset_text

} // namespace tv::db
