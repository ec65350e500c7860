#include "controls/tvListBox.h"

TtvListBox::TtvListBox(QWidget *parent) : QListWidget(parent) {}

bool TtvListBox::MultiSelect() const
{
    return selectionMode() == QAbstractItemView::ExtendedSelection ||
           selectionMode() == QAbstractItemView::MultiSelection;
}

void TtvListBox::SetMultiSelect(bool value)
{
    setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TtvListBox::selectAll()
{
    if (!MultiSelect())
        return;
    for (int i = 0; i < count(); ++i)
        item(i)->setSelected(true);
}
