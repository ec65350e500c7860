#pragma once
// TFountainBracketItem: one bracket pair (the text that opens an element
// spanning rows, such as a block comment, and the text that closes it) with
// the colour of its elements. Changing a text is a change of the collection.
#include "editor/FountainColorItem.h"

class TFountainBracketItem : public TFountainColorItem {
public:
    using TFountainColorItem::TFountainColorItem;
    const char *ClassName() const override { return "TFountainBracketItem"; }

    const QString &LeftBracket() const { return FLeftBracket; }
    void SetLeftBracket(const QString &Value);
    const QString &RightBracket() const { return FRightBracket; }
    void SetRightBracket(const QString &Value);

    // From another bracket item: both texts, then the colour.
    void Assign(const TPersistent &Source) override;

private:
    QString FLeftBracket;
    QString FRightBracket;
};
