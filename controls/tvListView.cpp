#include "controls/tvListView.h"


#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QItemSelection>
#include <QLocale>
#include <QPainter>
#include <QStyledItemDelegate>
#include <cmath>
#include <limits>

TtvListItem::TtvListItem(const QString &caption, const QStringList &subItems)
{
    setText(0, caption);
    SetSubItems(subItems);
}

void TtvListItem::SetSubItems(const QStringList &value)
{
    FSubItems = value;
    emitDataChanged();
}

void TtvListItem::SetSubItem(int Index, const QString &value)
{
    if (Index < 0)
        return;
    while (FSubItems.size() <= Index)
        FSubItems.append(QString());
    FSubItems[Index] = value;
    emitDataChanged();
}

QVariant TtvListItem::data(int column, int role) const
{
    if (column > 0 && (role == Qt::DisplayRole || role == Qt::EditRole))
        return column - 1 < FSubItems.size() ? QVariant(FSubItems[column - 1]) : QVariant();
    return QTreeWidgetItem::data(column, role);
}

void TtvListItem::setData(int column, int role, const QVariant &value)
{
    if (column > 0 && (role == Qt::DisplayRole || role == Qt::EditRole))
        SetSubItem(column - 1, value.toString());
    else
        QTreeWidgetItem::setData(column, role, value);
}

TtvListAlignDelegate::TtvListAlignDelegate(TtvListView *view, QObject *parent)
    : QStyledItemDelegate(parent ? parent : view), FView(view)
{
}

void TtvListAlignDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->displayAlignment = FView->ColumnAlignment(index.column()) | Qt::AlignVCenter;
}

TtvListView::TtvListView(QWidget *parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setColumnCount(0);
    setItemDelegate(new TtvListAlignDelegate(this));
    // Items are whole: a selection made by key or click takes the item, never
    // one of its cells (a cell selection would leave the item unselected).
    setSelectionBehavior(QAbstractItemView::SelectRows);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    connect(header(), &QHeaderView::sectionClicked, this, &TtvListView::ColumnClick);
}

void TtvListView::AddColumn(const QString &caption, int width, Qt::Alignment alignment)
{
    const int n = columnCount();
    setColumnCount(n + 1);
    headerItem()->setText(n, caption);
    FAlignments.resize(n + 1);
    SetColumnAlignment(n, alignment);
    setColumnWidth(n, width);
}

Qt::Alignment TtvListView::ColumnAlignment(int Index) const
{
    return FAlignments.value(Index, Qt::AlignLeft) & Qt::AlignHorizontal_Mask;
}

void TtvListView::SetColumnAlignment(int Index, Qt::Alignment value)
{
    if (Index < 0 || Index >= columnCount())
        return;
    FAlignments.resize(columnCount());
    FAlignments[Index] = value & Qt::AlignHorizontal_Mask;
    headerItem()->setTextAlignment(Index, FAlignments[Index] | Qt::AlignVCenter);
    viewport()->update();
}

TtvListItem *TtvListView::AddItem(const QString &caption, const QStringList &subItems)
{
    auto *it = new TtvListItem(caption, subItems);
    addTopLevelItem(it);
    return it;
}

TtvListItem *TtvListView::Item(int Index) const
{
    return dynamic_cast<TtvListItem *>(topLevelItem(Index));
}

TtvListItem *TtvListView::Selected() const
{
    if (currentItem() && currentItem()->isSelected())
        return dynamic_cast<TtvListItem *>(currentItem());
    const QList<TtvListItem *> sel = SelectedItems();
    return sel.isEmpty() ? nullptr : sel.first();
}

QList<TtvListItem *> TtvListView::SelectedItems() const
{
    QList<TtvListItem *> out;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *it = topLevelItem(i);
        if (it->isSelected())
            if (auto *li = dynamic_cast<TtvListItem *>(it))
                out << li;
    }
    return out;
}

bool TtvListView::MultiSelect() const
{
    return selectionMode() == QAbstractItemView::ExtendedSelection ||
           selectionMode() == QAbstractItemView::MultiSelection;
}

void TtvListView::SetMultiSelect(bool value)
{
    setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TtvListView::SetRowSelect(bool value)
{
    if (FRowSelect == value)
        return;
    FRowSelect = value;
    viewport()->update();
}

void TtvListView::drawRow(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QItemSelectionModel *selection = selectionModel();
    if (FRowSelect || !selection || !selection->isSelected(index.siblingAtColumn(0))) {
        QTreeWidget::drawRow(painter, option, index);
        return;
    }
    // The caption's cell is drawn as the view draws a selected row, the
    // other cells as not selected.
    const QRect row = option.rect;
    painter->save();
    painter->setClipRect(QRect(columnViewportPosition(0), row.y(), columnWidth(0), row.height()), Qt::IntersectClip);
    QTreeWidget::drawRow(painter, option, index);
    painter->restore();
    for (int c = 1; c < columnCount(); ++c) {
        if (isColumnHidden(c))
            continue;
        const QModelIndex cell = index.siblingAtColumn(c);
        if (!cell.isValid())
            continue;
        QStyleOptionViewItem opt = option;
        opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        opt.rect = QRect(columnViewportPosition(c), row.y(), columnWidth(c), row.height());
        opt.viewItemPosition = c == columnCount() - 1 ? QStyleOptionViewItem::End : QStyleOptionViewItem::Middle;
        if (QAbstractItemDelegate *d = itemDelegateForIndex(cell))
            d->paint(painter, opt, cell);
    }
}

void TtvListView::ColumnClick(int Index)
{
    const int number = Index + 1;
    FSortID = (number == std::abs(FSortID)) ? -FSortID : number;
    CustomSort();
    if (OnColumnClick)
        OnColumnClick(this, Index);
}

int TtvListView::Compare(const TtvListItem *Item1, const TtvListItem *Item2) const
{
    int result = 0;
    const int m = std::abs(FSortID);
    if (FSortID != 0 && m <= columnCount()) {
        QString a = m == 1 ? Item1->Caption() : Item1->SubItem(m - 2);
        QString b = m == 1 ? Item2->Caption() : Item2->SubItem(m - 2);
        if (FSortID < 0)
            std::swap(a, b);
        if (ColumnAlignment(m - 1) == Qt::AlignRight) {
            const QLocale loc;
            auto number = [&loc](QString s) {
                s.remove(QLatin1Char(','));
                bool ok = false;
                const double v = loc.toDouble(s.trimmed(), &ok);
                return ok && std::isfinite(v) ? v : 0.0;
            };
            const double d = std::round((number(a) - number(b)) * 100.0);
            result = d > std::numeric_limits<int>::max()   ? std::numeric_limits<int>::max()
                     : d < std::numeric_limits<int>::min() ? std::numeric_limits<int>::min()
                                                           : int(d);
        } else {
            result = QString::localeAwareCompare(a, b);
        }
    }
    if (OnCompare)
        OnCompare(const_cast<TtvListView *>(this), const_cast<TtvListItem *>(Item1),
                  const_cast<TtvListItem *>(Item2), 0, result);
    return result;
}

void TtvListView::CustomSort()
{
    QTreeWidgetItem *current = currentItem();
    QList<TtvListItem *> selected = SelectedItems();
    QList<QTreeWidgetItem *> items = invisibleRootItem()->takeChildren();
    std::stable_sort(items.begin(), items.end(), [this](QTreeWidgetItem *x, QTreeWidgetItem *y) {
        auto *a = dynamic_cast<TtvListItem *>(x);
        auto *b = dynamic_cast<TtvListItem *>(y);
        return a && b && Compare(a, b) < 0;
    });
    addTopLevelItems(items);
    if (current)
        setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (TtvListItem *it : selected)
        it->setSelected(true);
}

void TtvListView::copy()
{
    if (state() == QAbstractItemView::EditingState)
        return;
    QStringList captions;
    for (TtvListItem *it : SelectedItems())
        captions << it->Caption();
    if (captions.isEmpty())
        return;
    QApplication::clipboard()->setText(captions.join(QStringLiteral("\r\n")));
}

void TtvListView::selectAll()
{
    if (state() == QAbstractItemView::EditingState || !MultiSelect() || topLevelItemCount() == 0)
        return;
    const QModelIndex first = indexFromItem(topLevelItem(0), 0);
    const QModelIndex last = indexFromItem(topLevelItem(topLevelItemCount() - 1), std::max(0, columnCount() - 1));
    selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TtvListView::updateGeometries()
{
    if (isHeaderHidden() && columnCount() == 1) {
        QHeaderView *h = header();
        h->setStretchLastSection(true);
        const int need = topLevelItemCount() > 0 ? sizeHintForColumn(0) : -1;
        if (need != h->minimumSectionSize())
            h->setMinimumSectionSize(need);
    }
    QTreeWidget::updateGeometries();
}
