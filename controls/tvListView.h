#pragma once
// Report-style list view: a click on a column header sorts by that column
// (numerically for right-aligned columns, a second click reverses the order),
// copy puts the captions of the selected items on the clipboard, select-all
// selects every item of a multi-select list. An item is selected as a whole,
// by mouse or key; whether the highlight covers the whole row or only the
// caption is a matter of display (RowSelect).
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <functional>

// One item: the caption (first column) and the sub-items under the other
// columns; sub-items beyond the last column are kept as hidden data.
class TtvListItem : public QTreeWidgetItem {
public:
    TtvListItem() = default;
    explicit TtvListItem(const QString &caption, const QStringList &subItems = {});

    QString Caption() const { return text(0); }
    void SetCaption(const QString &value) { setText(0, value); }
    const QStringList &SubItems() const { return FSubItems; }
    void SetSubItems(const QStringList &value);
    QString SubItem(int Index) const { return FSubItems.value(Index); }
    void SetSubItem(int Index, const QString &value); // pads with empty texts
    void AddSubItem(const QString &value) { SetSubItem(int(FSubItems.size()), value); }
    QVariant Data() const { return data(0, Qt::UserRole); }
    void SetData(const QVariant &value) { setData(0, Qt::UserRole, value); }

    // The texts of the columns after the first are the sub-items themselves,
    // held once: a list of tens of thousands of items is filled and freed
    // without a display value per cell.
    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant &value) override;

private:
    QStringList FSubItems;
};

class TtvListView;

// Aligns every cell as its list's column says, whoever filled the item. The
// list's own delegate; a list that needs another delegate derives it from
// this one so that its columns keep their alignment.
class TtvListAlignDelegate : public QStyledItemDelegate {
public:
    explicit TtvListAlignDelegate(TtvListView *view, QObject *parent = nullptr);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    TtvListView *FView;
};

class TtvListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TtvListView(QWidget *parent = nullptr);

    void AddColumn(const QString &caption, int width, Qt::Alignment alignment = Qt::AlignLeft);
    int ColumnCount() const { return columnCount(); }
    Qt::Alignment ColumnAlignment(int Index) const;
    void SetColumnAlignment(int Index, Qt::Alignment value);

    TtvListItem *AddItem(const QString &caption, const QStringList &subItems = {});
    TtvListItem *Item(int Index) const;
    int ItemCount() const { return topLevelItemCount(); }
    TtvListItem *Selected() const; // the focused item when selected, else the first selected
    QList<TtvListItem *> SelectedItems() const; // in list order

    bool MultiSelect() const;
    void SetMultiSelect(bool value);
    // The highlight of a selected item: the whole row (true, the default) or
    // the caption only. The selection itself is the same either way.
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool value);

    // 1 sorts by the caption, k >= 2 by sub-item k - 2, negative descending, 0 none.
    int SortID() const { return FSortID; }
    void SetSortID(int value) { FSortID = value; }
    // A click on column Index: same column reverses, another sorts ascending.
    void ColumnClick(int Index);
    // Sorts again by the current sort column and order.
    void CustomSort();
    // Result < 0 when Item1 comes first.
    int Compare(const TtvListItem *Item1, const TtvListItem *Item2) const;

    std::function<void(QObject *Sender, int Column)> OnColumnClick;
    std::function<void(QObject *Sender, TtvListItem *Item1, TtvListItem *Item2, int Data, int &Compare)> OnCompare;

public slots:
    void copy();
    void selectAll() override;

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // A list of one column without a header (a plain list of names): the
    // column fills the list and is never narrower than its longest caption;
    // a list too narrow for it scrolls.
    void updateGeometries() override;

private:
    QList<Qt::Alignment> FAlignments;
    int FSortID = 1;
    bool FRowSelect = true;
};
