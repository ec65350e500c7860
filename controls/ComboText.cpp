#include "controls/ComboText.h"

#include "controls/tvComboBox.h"

int IndexOfComboText(const QComboBox *ComboBox, const QString &Text)
{
    if (!ComboBox)
        return -1;
    for (int i = 0; i < ComboBox->count(); ++i) {
        if (ComboBox->itemText(i) == Text)
            return i;
    }
    return -1;
}

void SelectComboText(TtvComboBox *ComboBox, const QString &Text)
{
    if (ComboBox)
        ComboBox->SetItemIndex(IndexOfComboText(ComboBox, Text));
}
