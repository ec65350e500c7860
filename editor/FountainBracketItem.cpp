#include "editor/FountainBracketItem.h"

void TFountainBracketItem::SetLeftBracket(const QString &Value)
{
    if (FLeftBracket != Value) {
        FLeftBracket = Value;
        Changed();
    }
}

void TFountainBracketItem::SetRightBracket(const QString &Value)
{
    if (FRightBracket != Value) {
        FRightBracket = Value;
        Changed();
    }
}

void TFountainBracketItem::Assign(const TPersistent &Source)
{
    if (auto *src = dynamic_cast<const TFountainBracketItem *>(&Source)) {
        FLeftBracket = src->FLeftBracket;
        FRightBracket = src->FRightBracket;
    }
    TFountainColorItem::Assign(Source);
}
