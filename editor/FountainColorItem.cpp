#include "editor/FountainColorItem.h"

TFountainColorItem::TFountainColorItem(TNotifyCollection *Collection) : TCollectionItem(Collection)
{
    if (Collection)
        FItemColor.OnChange = Collection->ChangedProcEvent();
}

void TFountainColorItem::Assign(const TPersistent &Source)
{
    if (auto *src = dynamic_cast<const TFountainColorItem *>(&Source)) {
        FItemColor.Assign(src->FItemColor);
        return;
    }
    TCollectionItem::Assign(Source);
}
