#pragma once
// TfraData: the frame that shows the rows of one query in either grid layout
// (one record per row, one record per column) and lets the user sort,
// aggregate, edit, insert and delete them. The table, view and
// materialized-view data pages, the SQL window and several tools embed it.
//
// The host sets TableName and SQL, binds qryData's parameters, then calls
// Prepare and Open. The statement is run by qryData; its rows are shown and
// edited through dsrTableData, which both grids read. Edits, inserts and
// deletes go through the data set, each under its own savepoint inside an
// open transaction block and each touching exactly one row.
#include "controls/tvDBGridH.h"
#include "controls/tvDBGridV.h"
#include "platform/db/DataSet.h"
#include "platform/db/Query.h"

#include <QFrame>
#include <QPointer>

#include <functional>

class IConnectionWindow;
class QAction;
class QDateTimeEdit;
class QMenu;
class QPainter;
class QScrollArea;
class QToolBar;
class QToolButton;
class TtvStringGrid;

// What the frame needs to know of the window it sits in.
class IDataFrameHost {
public:
    enum class THostKind { Other, Table, View, MView, SQL };
    virtual ~IDataFrameHost();
    virtual THostKind HostKind() const = 0;
    // The text of the window's record-count box (table, view and
    // materialized-view windows); empty: no limit.
    virtual QString RecordCountText() const { return QString(); }
    // The connection window the host belongs to (null: none).
    virtual IConnectionWindow *HostConnectionWindow() const { return nullptr; }
    // The column grid of a table, view or materialized-view window (column
    // names and comments for export titles); null: none.
    virtual const TtvStringGrid *ColumnGrid() const { return nullptr; }
};

// Pure helpers of the frame, testable without a widget or a server.
namespace fradata {

// True when the text holds "ORDER BY" (any letter case, blanks or line breaks
// between the words) outside string literals, quoted names, dollar-quoted
// bodies, comments and parentheses.
bool HasOrderBy(const QString &sql);
// The text without a last ";" (blanks and line breaks after it ignored); a
// ";" anywhere else stays.
QString StripTrailingSemicolon(const QString &sql);
// The statement with the sort clause: `sql` unchanged when `sort` is empty or
// it already has an ORDER BY; else the text without its trailing ";" followed
// by a line " ORDER BY " + sort (+ " DESC").
QString SortedSQL(const QString &sql, const QString &sort, bool desc);
// Appends the line "LIMIT " + count. An empty (trimmed) count returns `sql`
// unchanged; a count that is not a whole number >= 0 raises tv::Error.
QString LimitedSQL(const QString &sql, const QString &count);
// "SELECT " + func + "(" + quoted column + ") FROM (" + statement + ") TBL".
QString AggregateSQL(const QString &func, const QString &column, const QString &sql);
// The column names a "SELECT a, b FROM ..." statement asks for: the text
// between "SELECT " and the first " FROM ", split at commas outside double
// quotes, each trimmed and stripped of its first and last character.
QStringList RequestedColumns(const QString &sql);
// The file that keeps a table's column widths: the work folder + the
// sanitized table name + ".ini".
QString ColumnWidthFile(const QString &workDir, const QString &tableName);
// A date or time format in the run-time library's notation (y, m / mm after
// an hour meaning minutes, n, d, h, s, z, am/pm, quoted text) as a Qt pattern.
QString ToQtDateTimeFormat(const QString &format);
// Upper-case hexadecimal of bytes, two digits per byte.
QString BytesToHex(const QByteArray &bytes);
// The bytes of a bytea cell's server text ("\x0aff" or the escape form).
QByteArray ByteaTextToBytes(const QString &text, bool *ok = nullptr);

} // namespace fradata

class TfraData;

// The grids of the frame (either layout): the frame paints their data cells,
// and they show the ellipsis button on the current cell, report
// double-clicks and pointer moves to the frame and open the popup menu the
// frame chose for the pointer's position.
template <class G>
class TfraDataGrid : public G {
public:
    TfraDataGrid(TfraData *frame, QWidget *parent);
    QToolButton *EditButton() const { return m_button; }
    QMenu *PopupMenu() const { return m_popup; }
    void SetPopupMenu(QMenu *menu) { m_popup = menu; }
    // The indicator band and the title band, in pixels.
    int IndicatorExtent() const { return this->IndicatorBandExtent(); }
    int TitleExtent() const { return this->TitleBandExtent(); }

protected:
    void paintEvent(QPaintEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;

private:
    void placeButton();

    TfraData *m_frame;
    QToolButton *m_button;
    QMenu *m_popup = nullptr;
};
using TfraDataGridV = TfraDataGrid<tv::grid::TtvDBGridV>;
using TfraDataGridH = TfraDataGrid<tv::grid::TtvDBGridH>;

class TfraData : public QFrame {
    Q_OBJECT
public:
    explicit TfraData(QWidget *parent = nullptr, IDataFrameHost *host = nullptr);
    ~TfraData() override;

    IDataFrameHost *Host() const { return m_host; }
    void SetHost(IDataFrameHost *host) { m_host = host; }
    // Binds qryData, qryLob and the data set to a connection.
    void SetConnection(tv::db::Connection *conn);

    const QString &SQL() const { return FSQL; }
    // Stores the statement and forgets the sort.
    void SetSQL(const QString &sql);
    const QString &TableName() const { return FTableName; }
    void SetTableName(const QString &name) { FTableName = name; }
    bool GridType() const { return FGridType; }
    void SetGridType(bool v) { FGridType = v; }
    const QString &FromSQL() const { return FFromSQL; }
    void SetFromSQL(const QString &v) { FFromSQL = v; }
    const QString &Sort() const { return FSort; }
    bool Desc() const { return FDesc; }

    // Puts the statement with its sort clause into qryData and sets the
    // edit mode; raises the server's error.
    void Prepare();
    // Runs qryData (with the host's record limit) and shows its rows.
    void Open();
    // Closes the rows (keeping the column widths of a table first).
    void Close();
    bool Active() const { return dsrTableData.Active(); }

    // Components (the frame's published fields).
    tv::db::Query qryData;
    tv::db::Query qryLob;
    tv::db::DataSet dsrTableData;
    TfraDataGridV *grdData1 = nullptr;
    TfraDataGridH *grdData2 = nullptr;
    QScrollArea *scrButton = nullptr;
    QToolBar *tolLeft = nullptr;
    QToolButton *btnUpdate = nullptr;
    QToolButton *btnGridType = nullptr;
    QToolButton *btnExcel = nullptr;
    QToolButton *btnCopy = nullptr;
    QToolButton *btnIns = nullptr;
    QToolButton *btnDel = nullptr;
    QToolButton *btnFirst = nullptr;
    QToolButton *btnPrev = nullptr;
    QToolButton *btnNext = nullptr;
    QToolButton *btnLast = nullptr;
    QDateTimeEdit *dtpInputDate = nullptr;
    QMenu *popRecord = nullptr;
    QAction *mnuIns = nullptr;
    QAction *mnuCopy = nullptr;
    QAction *mnuPaste = nullptr;
    QAction *mnuDel = nullptr;
    QMenu *popColumn = nullptr;
    QAction *mnuSort = nullptr;
    QMenu *mnuTotal = nullptr;
    QAction *mnuCount = nullptr;
    QAction *mnuSum = nullptr;
    QAction *mnuAverage = nullptr;
    QAction *mnuMax = nullptr;
    QAction *mnuMin = nullptr;
    int SelectedColumn = 0;
    int SelectedRow = 0;

    // What a data cell shows: its text, whether it is the NULL marker
    // (painted blue) and whether it is right-aligned.
    struct TCellLook {
        QString text;
        bool null = false;
        bool right = false;
    };
    TCellLook CellLook(int record, int field, bool transposed) const;

    // The visible grid.
    tv::grid::TtvDBGridCustom *VisibleGrid() const;

    // Handlers (hosts may call them from handlers of their own).
    void btnUpdateClick();
    void btnGridTypeClick();
    void btnInsClick();
    void btnDelClick();
    void btnFirstClick();
    void btnPrevClick();
    void btnNextClick();
    void btnLastClick();
    // Whole-result exports: delimited text to the clipboard, and a workbook.
    void btnCopyClick();
    void btnExcelClick();
    // Export titles by the mode: display names, or the comments of the
    // host's column grid (by field position for the clipboard, by column
    // name for a workbook); empty for tmNone.
    QStringList ExportTitles(int titleMode, bool byName) const;
    void mnuCopyClick();
    void mnuPasteClick();
    void popColumnPopup();
    void mnuSortClick();
    void mnuCountClick();
    void mnuSumClick();
    void mnuAverageClick();
    void mnuMaxClick();
    void mnuMinClick();
    void grdData1TitleClick(int column);
    void grdData2TitleClick(int row);
    void grdData1EditButtonClick();
    void grdData1MouseMove(const QPoint &pos);
    void grdData2MouseMove(const QPoint &pos);
    // Ctrl+0 in either grid; true when the key was taken.
    bool GridKeyDown(QKeyEvent *e);
    void qryDataAfterOpenClose();
    void qryDataBeforeClose();
    void dtpInputdateChange();
    void dtpInputDateCloseUp();

    // Cell editors of the selected field, each ignoring other field types.
    void EditTextCell();
    void EditDateCell();
    void EditLobCell();

    // Hosts may add work of their own.
    std::function<void()> OnAfterOpenClose;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    template <class G>
    friend class TfraDataGrid;

    // Paints one data cell of a grid (both layouts).
    void DrawCell(QPainter &p, const QRect &r, int record, int field, bool highlighted, bool selected,
                  bool transposed);
    // Runs one move (or the insert) of the data set: nothing without open data,
    // else the grid's selection is dropped and the change commits as the
    // grid's auto-commit rule says.
    void MoveRecord(void (tv::db::DataSet::*move)());
    void Sort(int position);
    void Aggregate(const QString &func, const QString &label);
    void ApplyEditMode();
    void ReadColumnWidths();
    bool KeepsColumnWidths() const;
    int ColumnWidthCap() const;
    void SetButtons();
    void PlaceEditButton(tv::grid::TtvDBGridCustom *grid, QToolButton *button);
    int SelectedFieldOfVisibleGrid() const;
    bool IsOwner(IDataFrameHost::THostKind kind) const;
    bool LimitedOwner() const;
    QToolButton *AddButton(const QString &hint, int image, const QString &text);

    IDataFrameHost *m_host = nullptr;
    QString FSQL;
    QString FTableName;
    QString FSort;
    bool FDesc = false;
    bool FGridType = false;
    QString FFromSQL;
    bool m_datePlaceholder = false;
    bool m_dateBound = false;
};
