#pragma once
// What the row-wise data grid (TtvDBGridV, one record per row) and the
// transposed one (TtvDBGridH, one record per column) share: the link to the
// data set, the field items (columns or rows), the selected records with the
// range of field items, painting, keys, mouse, the cell editor, copy and
// paste. Whether a posted record is committed at once is the connection's
// (UpdateToCommit), not the grid's. The code speaks of the *record axis*
// (rows in the row-wise grid) and the *field axis* (its columns); the
// transposed grid only exchanges the two.
//
// The grids read their cells straight from the data set and paint only what
// is visible: a result of any size opens, scrolls and selects at once.
#include "controls/tvDBGridBookmarkList.h"
#include "platform/db/DataSet.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

namespace tv::grid {

enum TDBGridOption : unsigned {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2,
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4,
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6,
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgAlwaysShowSelection = 1u << 9,
    dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11,
    dgMultiSelect = 1u << 12,
};
using TDBGridOptions = unsigned;

enum class TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };

// One field item: a column of the row-wise grid, a row of the transposed one.
class TDBGridItem {
public:
    QString FieldName;
    int Field = -1;          // index in the data set's fields, -1 without one
    QString TitleCaption;    // empty: the field's name
    bool Visible = true;
    bool ReadOnly = false;
    Qt::Alignment Alignment = Qt::AlignLeft;
    TColumnButtonStyle ButtonStyle = TColumnButtonStyle::cbsAuto;
    bool Stored = false;     // created by the caller (kept when the data set changes)
};

class TColumn : public TDBGridItem {
public:
    int Width = -1;          // -1: the default width
};
using TRow = TDBGridItem;

class TtvDBGridCustom;

// The grid's link to its data set: relays the data set's notifications.
class TGridDataLink : public tv::db::DataLink {
public:
    explicit TGridDataLink(TtvDBGridCustom *grid) : m_grid(grid) {}
    void activeChanged(bool active) override;
    void dataSetChanged() override;
    void dataSetScrolled(int distance) override;
    void recordChanged(int field) override;
    void editingChanged() override;
    void updateData() override;

    bool Modified() const { return m_modified; }
    void SetModified(bool m) { m_modified = m; }
    // Escape: reloads the editor text when it changed, else cancels the
    // pending edit or insert.
    void Reset();

private:
    TtvDBGridCustom *m_grid;
    bool m_modified = false;
    bool m_inUpdateData = false;
};

// The in-place cell editor.
class TDBGridInplaceEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDBGridInplaceEdit(TtvDBGridCustom *grid);
    // Clipboard commands as the grid's editor handles them.
    void Copy();
    void Paste();
    void Clear();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;

private:
    TtvDBGridCustom *m_grid;
};

class TtvDBGridCustom : public QAbstractScrollArea {
    Q_OBJECT
public:
    ~TtvDBGridCustom() override;

    // The DataSource role: the data set shown (not owned).
    tv::db::DataSet *DataSet() const { return m_ds; }
    void SetDataSet(tv::db::DataSet *ds);

    TDBGridOptions Options() const { return m_options; }
    void SetOptions(TDBGridOptions options);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool on);

    // Styling (plain setters for the control-styling service).
    void SetTitleFont(const QFont &font);
    const QFont &TitleFont() const { return m_titleFont; }
    void SetColor(const QColor &c);
    void SetFixedColor(const QColor &c);

    TBookmarkList &SelectedRecords() { return m_bookmarks; }
    // The selected range of field items (0 = first data item).
    int RangeStart() const { return m_rangeStart; }
    int RangeEnd() const { return m_rangeEnd; }
    void SetRangeStart(int v) { m_rangeStart = v; viewport()->update(); }
    void SetRangeEnd(int v) { m_rangeEnd = v; viewport()->update(); }

    int IndicatorOffset() const { return (m_options & dgIndicator) ? 1 : 0; }
    int TitleOffset() const { return (m_options & dgTitles) ? 1 : 0; }
    // Field items.
    int ItemCount() const { return int(m_items.size()); }
    TDBGridItem &Item(int i) { return *m_items[size_t(i)]; }
    // The current field item; setting it moves there (Direction 0).
    int SelectedIndex() const { return m_curItem; }
    void SetSelectedIndex(int index);
    // The data-set field of the current item, -1 when none.
    int SelectedField() const;
    void SetSelectedField(int field);
    int FieldCount() const { return ItemCount(); }
    // Field of a field item (-1 when none).
    int Fields(int index) const;

    bool EditorMode() const;
    void SetEditorMode(bool on);
    TDBGridInplaceEdit *InplaceEditor() const { return m_editor; }

    // The main window's commands.
    void CopyRecords();
    void PasteFromClipboard();
    void SelectAll();

    // Visible records along the record axis (fully visible).
    int VisibleRecordCount() const;
    int TopRecord() const { return m_topRecord; }

    // The cell rectangle of a record (display position) and field item in
    // viewport coordinates.
    QRect CellRect(int record, int item) const;

    // Events of the grid.
    std::function<void(int item)> OnCellClick;
    std::function<void(int item)> OnTitleClick;
    std::function<void(int item)> OnEditButtonClick;

protected:
    explicit TtvDBGridCustom(bool transposed, QWidget *parent);

    // The class-wide "selected records count as whole records" flag.
    virtual bool &SelectWholeRecords() const = 0;
    // Moving to a field item adds the record to the selection (transposed)
    // or leaves it to Ctrl (row-wise).
    virtual bool MoveAddsRecord() const = 0;
    // Title extent along the record axis, and the extent of field item i.
    virtual int TitleBandExtent() const = 0;
    virtual int IndicatorBandExtent() const = 0;
    virtual int RecordExtent() const = 0;
    virtual int ItemExtent(int item) const = 0;
    // A border drag along the field axis (row-wise) or the record axis
    // (transposed) resized something.
    virtual void RecordOrItemResized(int index, int newExtent) = 0;
    // Widths and heights after a layout change.
    virtual void LayoutChangedHook() {}
    // Translates a key of the transposed layout to the row-wise one.
    virtual int MapKey(int key) const { return key; }

    // Layout.
    void RebuildLayout();
    void RebuildItems();
    int DefaultItemWidth(int item) const;
    int LineHeight() const;
    void AdjustScrollBars();
    void EnsureCurrentVisible();

    // Notifications from the link.
    friend class TGridDataLink;
    friend class TDBGridInplaceEdit;
    void LinkActive(bool active);
    void RefreshAfterDataChange();
    void RepaintChangedRecord(int field);
    void RepaintIndicator();
    void WriteEditText();

    // Moving.
    void SelectItem(int item, int direction);
    void MoveRecordBy(int distance, bool select);
    void NextRecord(bool select);
    void PriorRecord(bool select);
    void ClearSelection();
    bool CanEditModify();
    bool ConfirmDelete();
    void DeleteRecords();
    void TabMove(bool back);

    // Editor.
    void ShowEditor(bool selectAll = true);
    void HideEditor();
    void PlaceEditor();
    void LoadEditorText();
    // The text the cell editor holds for the current cell; *cut tells a
    // value too long to edit, of which it holds the start a cell shows.
    QString EditText(bool *cut = nullptr) const;
    void HandleKey(QKeyEvent *e);
    void PasteRecords(const QString &text);

    // Qt.
    void paintEvent(QPaintEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusOutEvent(QFocusEvent *e) override;
    bool event(QEvent *e) override;

    // Painting helpers.
    void PaintIndicator(QPainter &p, const QRect &r, int record);
    bool IsCellHighlighted(int record, int item) const;
    bool RecordSelected(int record) const;

    // Geometry along the two axes.
    QRect MakeRect(int recPos, int recExt, int itemPos, int itemExt) const;
    int RecordAxis(const QPoint &p) const { return m_transposed ? p.x() : p.y(); }
    int ItemAxis(const QPoint &p) const { return m_transposed ? p.y() : p.x(); }
    int RecordAxisLength() const { return m_transposed ? viewport()->width() : viewport()->height(); }
    int ItemAxisLength() const { return m_transposed ? viewport()->height() : viewport()->width(); }
    int ItemOffset(int item) const { return m_itemOffsets[size_t(item)]; }
    int ItemsTotal() const { return m_itemOffsets.empty() ? 0 : m_itemOffsets.back(); }
    // Hit test: record display position (-1 title band / outside) and item
    // (-1 indicator band, -2 past the items).
    struct Hit {
        int record = -1;
        int item = -2;
        bool inTitle = false;
        bool inIndicator = false;
        int border = -1; // index whose trailing border is under the mouse
    };
    Hit HitTest(const QPoint &p) const;

    bool m_transposed;
    tv::db::DataSet *m_ds = nullptr;
    TGridDataLink m_link{this};
    TBookmarkList m_bookmarks;
    TDBGridOptions m_options;
    bool m_readOnly = false;
    QFont m_titleFont;
    QColor m_color, m_fixedColor;
    std::vector<std::unique_ptr<TDBGridItem>> m_items;
    std::vector<int> m_itemOffsets; // item -> offset along the field axis; last = total
    int m_topRecord = 0;
    int m_itemScroll = 0; // pixels along the field axis
    int m_curItem = 0;
    int m_rangeStart = 0, m_rangeEnd = 0;
    bool m_selecting = false;
    tv::db::Bookmark m_anchor = tv::db::NoBookmark;
    int m_updateLock = 0;
    TDBGridInplaceEdit *m_editor = nullptr;
    bool m_editorShown = false;
    bool m_editorCut = false; // the editor shows the start of a value too long to edit
    QString m_editText;
    bool m_loadingEditor = false;
    Qt::KeyboardModifiers m_modifiers; // of the key or mouse event being handled
    bool m_tabKey = false;
    // Border dragging.
    int m_resizeIndex = -1;
    int m_resizeOrigin = 0;
    int m_resizeStartExtent = 0;
};

} // namespace tv::grid
