// Combo box items found and selected by their exact text.
#include "controls/ComboText.h"
#include "controls/tvComboBox.h"

#include <gtest/gtest.h>

TEST(ComboText, FindsTheExactTextAndClearsTheSelectionWhenAbsent)
{
    TtvComboBox combo;
    combo.addItems({QStringLiteral("public"), QStringLiteral("Public"), QStringLiteral("sales")});
    struct {
        const char *text;
        int index;
    } cases[] = {{"public", 0}, {"Public", 1}, {"sales", 2}, {"SALES", -1}, {"sale", -1}, {"", -1}};
    for (const auto &c : cases)
        EXPECT_EQ(IndexOfComboText(&combo, QString::fromUtf8(c.text)), c.index) << c.text;

    SelectComboText(&combo, QStringLiteral("sales"));
    EXPECT_EQ(combo.ItemIndex(), 2);
    SelectComboText(&combo, QStringLiteral("missing"));
    EXPECT_EQ(combo.ItemIndex(), -1);
}
