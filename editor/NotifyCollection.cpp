#include "editor/NotifyCollection.h"
#include "editor/EditorError.h"

int TCollectionItem::Index() const
{
    return FCollection ? FCollection->IndexOf(this) : -1;
}

void TCollectionItem::Changed()
{
    if (FCollection && FCollection->UpdateCount() == 0)
        FCollection->Update(this);
}

TCollectionItem *TNotifyCollection::Items(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EEditorError(QStringLiteral("リストのインデックスが範囲を超えています"));
    return FItems[size_t(Index)].get();
}

int TNotifyCollection::IndexOf(const TCollectionItem *Item) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[size_t(i)].get() == Item)
            return i;
    return -1;
}

TCollectionItem *TNotifyCollection::Add()
{
    FItems.push_back(CreateItem());
    Changed();
    return FItems.back().get();
}

void TNotifyCollection::Delete(int Index)
{
    Items(Index); // index check
    FItems.erase(FItems.begin() + Index);
    Changed();
}

void TNotifyCollection::Clear()
{
    if (FItems.empty())
        return;
    BeginUpdate();
    FItems.clear();
    EndUpdate();
}

void TNotifyCollection::EndUpdate()
{
    --FUpdateCount;
    Changed();
}

void TNotifyCollection::Changed()
{
    if (FUpdateCount == 0)
        Update(nullptr);
}

void TNotifyCollection::Update(TCollectionItem *Item)
{
    if (OnChange)
        OnChange(this);
}

void TNotifyCollection::ChangedProc(TPersistent *Sender)
{
    if (Sender != this)
        Changed();
}
