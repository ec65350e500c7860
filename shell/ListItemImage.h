#pragma once
// The image index of a list item (the object-type code of the object lists
// and of the workspace), kept in one item data role so that every list that
// shows objects and every reader of dropped items agree on it.
#include <QTreeWidgetItem>

constexpr int ImageIndexRole = Qt::UserRole + 16;

inline int ItemImageIndex(const QTreeWidgetItem *item)
{
    const QVariant v = item->data(0, ImageIndexRole);
    return v.isValid() ? v.toInt() : -1;
}

inline void SetItemImageIndex(QTreeWidgetItem *item, int index)
{
    item->setData(0, ImageIndexRole, index);
}
