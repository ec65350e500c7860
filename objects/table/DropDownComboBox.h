#pragma once
// A combo box that tells its window before its list drops down, so the
// window can fill the list with fresh names (tablespaces, tables) each time.
#include "controls/tvComboBox.h"

#include <functional>

class TDropDownComboBox : public TtvComboBox {
    Q_OBJECT
public:
    using TtvComboBox::TtvComboBox;
    // Runs before the list is shown; a failure is shown and the list drops
    // down with what it holds.
    std::function<void()> OnDropDown;
    void showPopup() override;
};
