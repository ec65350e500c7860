#pragma once
// Small widgets the backup and restore windows share.
#include "controls/tvComboBox.h"

#include <functional>

// A combo box that fills its list each time it drops down.
class TDropDownCombo : public TtvComboBox {
    Q_OBJECT
public:
    using TtvComboBox::TtvComboBox;
    std::function<void()> OnDropDown;
    void showPopup() override
    {
        if (OnDropDown) {
            const QString text = currentText();
            OnDropDown();
            setEditText(text);
        }
        TtvComboBox::showPopup();
    }
};
