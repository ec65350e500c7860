#include "controls/FlowLayout.h"

#include <QWidget>

#include <algorithm>

TFlowLayout::TFlowLayout(QWidget *parent, int spacing) : QLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(spacing);
}

TFlowLayout::~TFlowLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void TFlowLayout::addItem(QLayoutItem *item)
{
    FItems.append(item);
}

int TFlowLayout::count() const
{
    return int(FItems.size());
}

QLayoutItem *TFlowLayout::itemAt(int index) const
{
    return FItems.value(index);
}

QLayoutItem *TFlowLayout::takeAt(int index)
{
    return index >= 0 && index < FItems.size() ? FItems.takeAt(index) : nullptr;
}

Qt::Orientations TFlowLayout::expandingDirections() const
{
    return {};
}

bool TFlowLayout::hasHeightForWidth() const
{
    return true;
}

int TFlowLayout::heightForWidth(int width) const
{
    return DoLayout(QRect(0, 0, width, 0), false);
}

QSize TFlowLayout::minimumSize() const
{
    // As narrow as the widest item: everything else can wrap.
    QSize size;
    for (const QLayoutItem *item : FItems)
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    const QMargins m = contentsMargins();
    size += QSize(m.left() + m.right(), m.top() + m.bottom());
    // At the width it has, the rows it needs there: a parent that does not
    // ask for the height for a width still leaves room for the wrapped rows.
    if (const QRect g = geometry(); g.width() > 0)
        size.setHeight(std::max(size.height(), heightForWidth(g.width())));
    return size;
}

QSize TFlowLayout::sizeHint() const
{
    // One row of everything.
    int width = 0;
    int height = 0;
    int n = 0;
    for (const QLayoutItem *item : FItems) {
        if (item->isEmpty())
            continue;
        const QSize s = item->sizeHint();
        width += s.width() + (n++ > 0 ? spacing() : 0);
        height = std::max(height, s.height());
    }
    const QMargins m = contentsMargins();
    return QSize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

void TFlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    DoLayout(rect, true);
}

int TFlowLayout::DoLayout(const QRect &rect, bool apply) const
{
    const QMargins m = contentsMargins();
    const QRect area = rect.marginsRemoved(m);
    int x = area.x();
    int y = area.y();
    int rowHeight = 0;
    for (QLayoutItem *item : FItems) {
        if (item->isEmpty())
            continue;
        const QSize s = item->sizeHint().expandedTo(item->minimumSize());
        if (x > area.x() && x + s.width() > area.x() + area.width()) {
            x = area.x();
            y += rowHeight + spacing();
            rowHeight = 0;
        }
        if (apply)
            item->setGeometry(QRect(QPoint(x, y), QSize(std::min(s.width(), std::max(area.width(), 0)), s.height())));
        x += s.width() + spacing();
        rowHeight = std::max(rowHeight, s.height());
    }
    return y + rowHeight - rect.y() + m.bottom();
}
