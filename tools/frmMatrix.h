#pragma once
// TfrmMatrix: the dependency matrix of the objects selected in a connection
// window's object list. Three pages share one grid: "OBJECT＼被参照" (what
// references each object), "OBJECT＼参照" (what each object references) and
// "項目＼表" (the columns of the selected tables, views and indexes). Rows
// are the selected objects (columns on the field page), columns the related
// objects in order of schema, TAB, name, a mark where two meet. The grid goes
// to a new workbook ("Excel出力(&E)") or to the clipboard. Opened by the
// launcher "actMatrix" ("マトリックス表(&M)" of the object list); any number
// may be open.
#include "tools/MatrixLookup.h"
#include "tools/tvToolForm.h"

class QMenu;
class QTabWidget;
class QWidget;
class TfrmObject;
class TtvListItem;
class TtvStringGrid;

class TfrmMatrix : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmMatrix(QObject *AOwner);
    ~TfrmMatrix() override;

    // Opens a new window for the connection window (null without one).
    static TfrmMatrix *Create(TfrmObject *AOwner);
    // Registers the launcher "actMatrix".
    static void RegisterLauncher();

    // Rebuilds the grid from the owner's current selection.
    void Reload(QObject *Sender) override;
    void pagMatrixChange();

    void actExcelExecute();
    void actCopyExecute();

    // The caption of the page shown.
    QString PageCaption() const;
    // The grid's rows as texts joined by Sep, each row ended by CR LF.
    QString GridText(QChar Sep, bool TrailingSep) const;

    QTabWidget *pagMatrix = nullptr;
    QWidget *tabObject2 = nullptr;
    QWidget *tabObject1 = nullptr;
    QWidget *tabField = nullptr;
    TtvStringGrid *grdMatrix = nullptr;
    QAction *actRefresh = nullptr;
    QAction *actOutput = nullptr;
    QAction *actExcel = nullptr;
    QAction *actCopy = nullptr;
    QMenu *mnuMatrix = nullptr;

private:
    void AddObjectRow(TtvListItem *Item, const QString &ListType, bool References, TMatrixLookup &Lookup);
    void AddColumnRows(TtvListItem *Item, TMatrixLookup &Lookup);
    void FinishGrid();
    void grdMatrixDrawCell(QPainter *Canvas, int ACol, int ARow, const QRect &Rect);
    QString ColumnKey(int Col) const;
    QString RowKey(int Row) const;

    // While a grid is built: the keys and type codes of its data columns
    // (from column 2), in column order, for a binary search.
    QList<std::pair<QString, int>> FColKeys;
};
