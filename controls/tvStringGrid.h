#pragma once
// Editable string grid of the definition windows: fixed rows and columns,
// per-column edit styles (plain, ellipsis, pick list, drop list, check box,
// read-only check box), three editing modes that decide how Enter and the
// arrow keys move through the cells, and a snapshot of the cell texts with
// cell-, row- and column-level change tests.
//
// Cells are held as one string list per row and painted by the grid itself,
// so only the visible rows cost anything when painting or scrolling.
#include <QAbstractScrollArea>
#include <QFlags>
#include <QList>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

class QPainter;
class TtvInplaceEditor;

enum TtvGridEditorMode { geAccess, geExcel, geNormal };
enum TtvGridEditStyle { geSimple, geEllipsis, gePickList, geDropList, geCheckBox, geViewCheckBox };

enum TGridOption {
    goFixedVertLine = 0x0001,
    goFixedHorzLine = 0x0002,
    goVertLine = 0x0004,
    goHorzLine = 0x0008,
    goRangeSelect = 0x0010,
    goDrawFocusSelected = 0x0020,
    goRowSizing = 0x0040,
    goColSizing = 0x0080,
    goRowMoving = 0x0100,
    goColMoving = 0x0200,
    goEditing = 0x0400,
    goTabs = 0x0800,
    goRowSelect = 0x1000,
    goAlwaysShowEditor = 0x2000,
    goThumbTracking = 0x4000,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptions)

enum TGridDrawStateFlag { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = int;

class TtvStringGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TtvStringGrid(QWidget *parent = nullptr);
    ~TtvStringGrid() override;

    // --- cells and shape ---
    QString Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const QString &value);
    QVariant Objects(int ACol, int ARow) const;
    void SetObjects(int ACol, int ARow, const QVariant &value);
    QStringList Rows(int ARow) const;
    void SetRows(int ARow, const QStringList &value);
    QStringList Cols(int ACol) const;

    int RowCount() const { return FRowCount; }
    void SetRowCount(int value);
    int ColCount() const { return FColCount; }
    void SetColCount(int value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int value);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int value);

    int Row() const { return FRow; }
    void SetRow(int value) { MoveCurrent(FCol, value); }
    int Col() const { return FCol; }
    void SetCol(int value) { MoveCurrent(value, FRow); }
    // Makes a cell current (raising OnSelectCell, which may refuse it);
    // returns whether the cell is current afterwards.
    bool MoveCurrent(int ACol, int ARow);

    int TopRow() const { return FTopRow; }
    void SetTopRow(int value);
    int LeftCol() const { return FLeftCol; }
    void SetLeftCol(int value);
    // Rows (columns) fully visible from the top row (left column) on.
    int VisibleRowCount() const;
    int VisibleColCount() const;

    // Rows without a height of their own take the default height.
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int value);
    int RowHeights(int ARow) const;
    void SetRowHeights(int ARow, int value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(int value);
    int ColWidths(int ACol) const;
    void SetColWidths(int ACol, int value);
    int GridLineWidth() const { return 1; }

    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions value);
    bool DefaultDrawing = true;

    // Cell geometry in viewport coordinates (empty when not visible).
    QRect CellRect(int ACol, int ARow) const;
    // The cell at a viewport point; false when the point is on no cell.
    bool MouseToCell(const QPoint &pos, int *ACol, int *ARow) const;

    // --- the grid's own additions ---
    TtvGridEditorMode GridMode() const { return FGridMode; }
    void SetGridMode(TtvGridEditorMode value);
    TtvGridEditStyle GetEditStyles(int Index) const;
    void SetEditStyles(int Index, TtvGridEditStyle value);
    bool FlatCheckBox() const { return FFlatCheckBox; }
    void SetFlatCheckBox(bool value);
    QStringList Header() const { return Rows(0); }
    void SetHeader(const QStringList &value) { SetRows(0, value); }

    bool GetChecked(int ACol, int ARow) const;
    void SetChecked(int ACol, int ARow, bool value);
    void DrawCheck(QPainter *p, int ACol, int ARow, const QRect &R, bool AEnabled) const;
    static int CheckWidth();
    static int CheckHeight();

    void Clear();
    void MoveRow(int FromIndex, int ToIndex);
    void MoveColumn(int FromIndex, int ToIndex);
    void InsertRow(int Index);
    void DeleteRow(int Index);
    void InsertCol(int Index);
    void DeleteColumn(int Index);

    void Save();
    int SaveRowCount() const { return FSaveRowCount; }
    QString GetSaveCells(int ACol, int ARow) const;
    QStringList GetSaveRows(int ARow) const;
    QStringList GetSaveCols(int ACol) const;
    bool IsChanged() const;
    bool GetIsChangedRow(int ARow) const;
    bool GetIsChangedCol(int ACol) const;
    bool GetIsChangedCell(int ACol, int ARow) const;
    bool GetIsNull(int ACol, int ARow) const;

    // --- cell editor ---
    TtvInplaceEditor *InplaceEditor() const { return FEditor; }
    bool EditorMode() const;
    void SetEditorMode(bool value);
    void ShowEditor();
    // Hides the editor, storing its text in its cell first when it differs.
    void HideEditor();
    // Stores an edited text: OnBeforeSetEditText, the cell, OnSetEditText.
    void SetEditText(int ACol, int ARow, const QString &Value);

    // Keyboard handling shared with the cell editor.
    void GridKeyDown(QKeyEvent *e);

    // Events.
    std::function<void(TtvStringGrid *Sender, int ACol, int ARow, TtvInplaceEditor *Editor)> OnShowEditor;
    std::function<void(int ACol, int ARow, QStringList &Items)> OnGetPickListitems;
    std::function<void(TtvStringGrid *Sender, int ACol, int ARow, int Index)> OnSelectListItems;
    std::function<void(QObject *Sender)> OnEditButtonClick;
    std::function<void(QObject *Sender, int ACol, int ARow, const QString &Value)> OnBeforeSetEditText;
    std::function<void(QObject *Sender)> OnDataChanged; // kept for windows; the grid never raises it
    std::function<void(QObject *Sender, int ACol, int ARow, const QString &Value)> OnSetEditText;
    std::function<void(QObject *Sender, int ACol, int ARow, bool &CanSelect)> OnSelectCell;
    std::function<void(QObject *Sender, QPainter *Canvas, int ACol, int ARow, const QRect &Rect,
                       TGridDrawState State)>
        OnDrawCell;
    std::function<void(QObject *Sender)> OnClick;
    std::function<void(QObject *Sender)> OnDblClick;
    std::function<void(QObject *Sender)> OnEnter;

public slots:
    // The main window's copy command: the current cell's text, or the
    // editor's selection while the editor is shown.
    void copy();

protected:
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class TtvInplaceEditor;

    bool CanEditShow() const;
    void GridKeyPress(QChar ch, QKeyEvent *e);
    void ClampInView();
    int RowsFit() const;
    int MaxTopRow() const;
    int MaxLeftCol() const;
    int ColX(int ACol) const; // left edge in viewport, -1 when not shown
    int RowY(int ARow) const; // top edge in viewport, -1 when not shown
    int FixedRowsHeight() const;
    // Rows fully shown from the first scrolling row Top on (rows past the
    // last count with the default height, so a page keeps its size).
    int RowsFitFrom(int Top) const;
    void UpdateScrollBars();
    void UpdateEditorGeometry();
    void ScrollAction(Qt::Orientation o, int action);
    void FocusChanged(QWidget *old, QWidget *now);
    bool OwnsWidget(const QWidget *w) const;
    void DrawCell(QPainter &p, int c, int r, const QRect &rc);
    void ResizeRows(int count);
    void MoveAdjust(int &cur, int from, int to) const;
    void ToggleCurrentCheck();

    QList<QStringList> FCells; // one list per row, ColCount texts each
    std::vector<std::vector<QVariant>> FObjects; // per row, created on first use
    int FRowCount = 5, FColCount = 5, FFixedRows = 1, FFixedCols = 1;
    int FRow = 1, FCol = 1, FTopRow = 1, FLeftCol = 1;
    int FDefaultRowHeight = 24, FDefaultColWidth = 64;
    QList<int> FColWidths;
    QList<int> FRowHeights; // per row; -1: the default height
    TGridOptions FOptions = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;

    TtvGridEditorMode FGridMode = geNormal;
    int FSaveRowCount = 0;
    QList<QStringList> FSaveRows;
    QList<TtvGridEditStyle> FEditStyles;
    bool FFlatCheckBox = false;

    TtvInplaceEditor *FEditor = nullptr;
    bool FEditorShown = false;
    int FEditCol = -1, FEditRow = -1; // the cell the editor was loaded from
    int FPressCol = -1, FPressRow = -1;
};
