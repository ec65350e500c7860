#pragma once
// TtvSQLDesigner: the surface of the SQL window's query builder. Tables are
// small movable windows with their column lists; dragging a column onto a
// column of another table draws a join line; a double click on a column, or
// dragging columns onto the column grid, adds result items. After every
// change the statement of the design (TSQLDesign) goes into the SQL editor;
// when the user comes back after editing the text by hand, the design is
// read anew from it.
#include "controls/tvListBox.h"
#include "sql/SQLDesignModel.h"

#include <QFrame>
#include <QPointer>
#include <QScrollArea>

#include <functional>

class QLabel;
class QLineEdit;
class QMimeData;
class TtvMemo;
class TtvStringGrid;
class TtvSQLDesigner;
namespace tv::db {
class Connection;
}

class TtvSQLBuildTable;

// The column list of a table window: key columns in bold; scrolling
// repaints the join lines; columns drag onto other lists and the grid.
class TListBoxEx : public TtvListBox {
    Q_OBJECT
public:
    TListBoxEx(TtvSQLBuildTable *table, TtvSQLDesigner *designer);

protected:
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QList<QListWidgetItem *> &items) const override;
    Qt::DropActions supportedDropActions() const override;
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;

private:
    // A column of another table under the mouse takes the drop.
    bool Accepts(const QMimeData *mime, QPoint pos, QString *target) const;
    TtvSQLBuildTable *FTable;
    TtvSQLDesigner *FDesigner;
};

// One table window on the surface.
class TtvSQLBuildTable : public QFrame {
    Q_OBJECT
public:
    TtvSQLBuildTable(TtvSQLDesigner *designer, TSQLDesignTable *data);

    TSQLDesignTable *Data() const { return FData; }
    QString TableSchema() const;
    QString TableName() const;
    QString Alias() const;
    void SetAliasText(const QString &alias);
    // The header: schema + "." + name, or the name alone.
    void UpdateHeader();
    // Fills the column list from the data's columns.
    void UpdateColumns();
    void SetSelectedLook(bool selected);

    QLabel *pnlHeader = nullptr;
    QLineEdit *edtAlias = nullptr;
    TListBoxEx *ItemList = nullptr;

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class TtvSQLDesigner;
    TtvSQLDesigner *FDesigner;
    TSQLDesignTable *FData;
    QString FEnteredAlias;
    bool FResizing = false;
    QPoint FResizeStart;
    QSize FResizeSize;
};

class TtvSQLDesigner : public QScrollArea {
    Q_OBJECT
public:
    explicit TtvSQLDesigner(QWidget *parent = nullptr);
    ~TtvSQLDesigner() override;

    tv::db::Connection *Database() const { return FDatabase; }
    void SetDatabase(tv::db::Connection *db);
    TtvStringGrid *Grid() const { return FGrid; }
    void SetGrid(TtvStringGrid *grid);
    TtvMemo *SQLText() const { return FSQLText; }
    void SetSQLText(TtvMemo *memo) { FSQLText = memo; }
    QString ViewName() const { return FDesign.ViewName; }
    void SetViewName(const QString &name) { FDesign.ViewName = name; }
    bool SQLDesign = false;
    TtvSQLType SQLType() const { return FDesign.SQLType; }
    void SetSQLType(TtvSQLType type);

    // The design shown (tables, join lines; the grid is its row store).
    TSQLDesign &Design() { return FDesign; }
    const QList<TtvSQLBuildTable *> &Tables() const { return FTables; }
    TtvSQLBuildTable *Selected() const { return FSelected; }
    void SetSelected(TtvSQLBuildTable *table);
    // The window of a design table.
    TtvSQLBuildTable *TableOf(const TSQLDesignTable *data) const;

    // Raised by a double click on a join line.
    std::function<void(QObject *Sender, TtvSQLBuildConnect *AConnect)> OnConnectDblClick;
    // Objects dragged from other lists: whether they may drop, and the drop.
    std::function<bool(QObject *source)> OnAcceptObjects;
    std::function<void(QObject *source)> OnDropObjects;

    // No table selected, every join line and table window gone.
    void Clear();
    TtvSQLBuildTable *AddTable(const QString &ATableName);
    TtvSQLBuildTable *AddTable(const QString &ATableName, const QString &AAlias);
    // Destroys a table window with its join lines and grid rows, then
    // regenerates the text.
    void DeleteTable(TtvSQLBuildTable *table);
    void DesignToSQL();
    void SQLToDesign();
    // The editor text equals the builder's last text.
    bool InStep() const;
    void RepaintLines();
    void CalcLines(TtvSQLBuildConnect *c) const;
    // The first join line under a point of the surface.
    TtvSQLBuildConnect *ConnectAt(QPoint surface) const;

    // Column-list actions (double click; drops on the grid and on a column).
    void AddColumnRows(TtvSQLBuildTable *table, const QStringList &columns, bool fromDrop);
    void ConnectColumns(TtvSQLBuildTable *from, const QString &fromColumn, TtvSQLBuildTable *to,
                        const QString &toColumn);
    // The drag data of a column list's selection.
    QMimeData *ColumnMime(TtvSQLBuildTable *table) const;
    // The source table and columns of such drag data; null when foreign.
    TtvSQLBuildTable *MimeSource(const QMimeData *mime, QStringList *selected, QString *current) const;

    QWidget *Surface() const;
    // Updates the greyed state of the table windows (hand edits).
    void CheckInStep();

    // Catalog texts of the column reader.
    static QString ColumnSQL(int serverVersion);
    static QString KeySQL();
    static QString SynonymSQL();

protected:
    void resizeEvent(QResizeEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class TtvSQLBuildTable;
    friend class TListBoxEx;
    void ReadColumns(TSQLDesignTable *t, const QString &name);
    void GridToDesign();
    void DesignToGrid();
    void GridSetEditText(int ACol, int ARow, const QString &Value);
    void PaintSurface(QPainter &p);
    void SurfaceMouse(QMouseEvent *e);
    void BeginMove(TtvSQLBuildTable *table, QPoint global);
    void MoveSelected(QPoint global);
    void EndMove();
    void AliasChanged(TtvSQLBuildTable *table);
    TtvSQLBuildTable *CreateTableWindow(TSQLDesignTable *data);

    TSQLDesign FDesign;
    QList<TtvSQLBuildTable *> FTables;
    TtvSQLBuildTable *FSelected = nullptr;
    tv::db::Connection *FDatabase = nullptr;
    TtvStringGrid *FGrid = nullptr;
    TtvMemo *FSQLText = nullptr;
    QString FLastText;
    bool FMoving = false;
    QPoint FDragStart;
    bool FDestroying = false;
    bool FCheckPending = false;
};
