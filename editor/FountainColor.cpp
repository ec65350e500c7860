#include "editor/FountainColor.h"

void TFountainColor::Assign(const TPersistent &Source)
{
    if (auto *src = dynamic_cast<const TFountainColor *>(&Source)) {
        FBkColor = src->FBkColor;
        FColor = src->FColor;
        FStyle = src->FStyle;
        Changed();
        return;
    }
    TNotifyPersistent::Assign(Source);
}
