#pragma once
// The cell editor of TtvStringGrid: a line edit placed over the current cell,
// with an optional ellipsis button or a drop-down pick list. One editor per
// grid, reused from cell to cell.
#include <QLineEdit>
#include <QStringList>
#include <functional>

class QListWidget;
class QToolButton;
class TtvStringGrid;

class TtvInplaceEditor : public QLineEdit {
    Q_OBJECT
public:
    enum TEditStyle { esSimple, esEllipsis, esPickList };

    explicit TtvInplaceEditor(TtvStringGrid *grid);

    TtvStringGrid *Grid() const { return FGrid; }
    TEditStyle EditStyle() const { return FEditStyle; }
    void SetEditStyle(TEditStyle value);

    // Stores the editor's text in the current cell through the grid's
    // text-storing path when it differs from the cell; otherwise nothing.
    void InputComplite();

    // Loads the current cell (text, style, length limit) and raises the grid's
    // OnShowEditor.
    void UpdateContents();

    // The pick list.
    QStringList PickListItems() const;
    bool ListVisible() const;
    void DropDown();
    void CloseUp(bool accept);
    int DropDownRows = 20;

    std::function<void(int ACol, int ARow, QStringList &Items)> OnGetPickListitems;

    QToolButton *EditButton() const { return FButton; }
    QListWidget *PickList() const { return FPickList; }

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void LoadPickList();
    bool CompleteFromPickList(const QString &typed);
    void ButtonClicked();
    void PlaceButton();

    TtvStringGrid *FGrid;
    TEditStyle FEditStyle = esSimple;
    QToolButton *FButton = nullptr;
    QListWidget *FPickList = nullptr;
    QStringList FItems;
};
