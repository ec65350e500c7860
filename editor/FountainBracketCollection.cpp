#include "editor/FountainBracketCollection.h"
#include "editor/EditorError.h"

TFountainBracketItem *TFountainBracketCollection::Add()
{
    if (Count() >= MaxItems)
        throw EEditorError(QStringLiteral("TFountainBracketCollection\r\nYou can not add item over %1").arg(MaxItems));
    return static_cast<TFountainBracketItem *>(TNotifyCollection::Add());
}

std::unique_ptr<TCollectionItem> TFountainBracketCollection::CreateItem()
{
    return std::make_unique<TFountainBracketItem>(this);
}

void TFountainBracketCollection::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TFountainBracketCollection *>(&Source);
    if (!src) {
        TNotifyCollection::Assign(Source);
        return;
    }
    if (src == this)
        return;
    BeginUpdate();
    try {
        Clear();
        for (int i = 0; i < src->Count(); ++i)
            Add()->Assign(*src->GetBracketItem(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}
