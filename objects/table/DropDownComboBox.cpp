#include "objects/table/DropDownComboBox.h"

#include "platform/ui/Guard.h"

void TDropDownComboBox::showPopup()
{
    if (OnDropDown)
        tv::ui::Guard(OnDropDown);
    TtvComboBox::showPopup();
}
