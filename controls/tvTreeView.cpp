#include "controls/tvTreeView.h"

#include "controls/tvControlUtil.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

TtvTreeNode::TtvTreeNode(const QString &text)
{
    setText(0, text);
}

void TtvTreeNode::SetSubItems(const QStringList &value)
{
    tvctl::SetItemSubItems(this, FSubItems, value); // repaints the tree
}

void TtvTreeNode::SetSubItem(int Index, const QString &value)
{
    tvctl::SetItemSubItem(this, FSubItems, Index, value);
}

TtvTreeNode *TtvTreeNode::Child(int Index) const
{
    return dynamic_cast<TtvTreeNode *>(child(Index));
}

namespace {
bool EqualsAsciiNoCase(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a.at(i).unicode(), y = b.at(i).unicode();
        if (x >= u'A' && x <= u'Z')
            x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = char16_t(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

template <typename Match>
TtvTreeNode *FindChild(const QTreeWidgetItem *node, bool recurse, const Match &match)
{
    for (int i = 0; i < node->childCount(); ++i) {
        auto *c = dynamic_cast<TtvTreeNode *>(node->child(i));
        if (!c)
            continue;
        if (match(c))
            return c;
        if (recurse && c->childCount() > 0)
            if (TtvTreeNode *found = FindChild(c, true, match))
                return found;
    }
    return nullptr;
}

// Draws the sub-item cells, letting OnCustomDrawSubItem take a cell over.
class SubItemDelegate : public QStyledItemDelegate {
public:
    explicit SubItemDelegate(TtvTreeView *tree) : QStyledItemDelegate(tree), FTree(tree) {}

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        if (index.column() > 0) {
            opt.displayAlignment = FTree->SectionAlignment(index.column()) | Qt::AlignVCenter;
            opt.textElideMode = Qt::ElideRight;
            bool defaultDraw = true;
            auto *node = dynamic_cast<TtvTreeNode *>(FTree->itemFromIndex(index));
            if (node && FTree->OnCustomDrawSubItem)
                FTree->OnCustomDrawSubItem(FTree, node, index.column() - 1, option.state, option.rect, defaultDraw);
            if (!defaultDraw) {
                opt.text.clear(); // background only
            }
        }
        const QWidget *w = opt.widget;
        (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &opt, p, w);
    }

private:
    TtvTreeView *FTree;
};
} // namespace

TtvTreeNode *TtvTreeNode::FindName(const QString &S, bool ARecurse) const
{
    return FindChild(this, ARecurse, [&S](const TtvTreeNode *n) { return EqualsAsciiNoCase(n->Text(), S); });
}

TtvTreeNode *TtvTreeNode::FindData(const void *P, bool ARecurse) const
{
    return FindChild(this, ARecurse, [P](const TtvTreeNode *n) { return n->Data == P; });
}

TtvTreeView::TtvTreeView(QWidget *parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setItemDelegate(new SubItemDelegate(this));
    header()->setStretchLastSection(false);
    // Without header sections the tree's one column is as wide as its
    // widest node, and the view scrolls sideways, as a plain tree view does.
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto scrolled = [this] {
        if (OnScroll)
            OnScroll(this);
    };
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, scrolled);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, scrolled);
}

void TtvTreeView::AddSection(const QString &caption, int width, Qt::Alignment alignment)
{
    const int n = FAlignments.size();
    if (columnCount() < n + 1)
        setColumnCount(n + 1);
    FAlignments << (alignment & Qt::AlignHorizontal_Mask);
    headerItem()->setText(n, caption);
    headerItem()->setTextAlignment(n, FAlignments[n] | Qt::AlignVCenter);
    header()->setSectionResizeMode(n, QHeaderView::Interactive);
    setColumnWidth(n, width);
    setHeaderHidden(false);
}

int TtvTreeView::SectionCount() const
{
    return int(FAlignments.size());
}

Qt::Alignment TtvTreeView::SectionAlignment(int Index) const
{
    return FAlignments.value(Index, Qt::AlignLeft);
}

TtvTreeNode *TtvTreeView::AddNode(TtvTreeNode *parent, const QString &text)
{
    auto *node = new TtvTreeNode(text);
    if (parent)
        parent->addChild(node);
    else
        addTopLevelItem(node);
    return node;
}

TtvTreeNode *TtvTreeView::Selected() const
{
    return dynamic_cast<TtvTreeNode *>(currentItem());
}

TtvTreeNode *TtvTreeView::TopNode(int Index) const
{
    return dynamic_cast<TtvTreeNode *>(topLevelItem(Index));
}

void TtvTreeView::mousePressEvent(QMouseEvent *e)
{
    QTreeWidget::mousePressEvent(e);
    if (!itemAt(e->position().toPoint())) {
        // A click beside every node selects none.
        clearSelection();
        setCurrentItem(nullptr);
    }
}

void WidenColumnsToText(QTreeView *Tree)
{
    auto *view = static_cast<QAbstractItemView *>(Tree); // sizeHintForColumn is protected in QTreeView
    for (int c = 0; c < Tree->header()->count() - 1; ++c)
        Tree->header()->resizeSection(c, std::max(Tree->columnWidth(c), view->sizeHintForColumn(c)));
}
