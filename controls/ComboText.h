#pragma once
// Finding and selecting a combo box item by its exact text.
#include <QString>

class QComboBox;
class TtvComboBox;

// Index of the first item equal to Text (case-sensitive, whole text); -1 when
// none. Serves plain combo boxes and TtvComboBox alike.
int IndexOfComboText(const QComboBox *ComboBox, const QString &Text);

// Selects the item equal to Text; an absent text clears the selection.
void SelectComboText(TtvComboBox *ComboBox, const QString &Text);
