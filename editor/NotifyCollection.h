#pragma once
// TNotifyCollection: an owning collection of items that reports every
// change (an item added, deleted or changed, EndUpdate) through OnChange with
// the collection as sender. TCollectionItem is the base of its items.
#include "editor/Persistent.h"
#include <memory>
#include <vector>

class TNotifyCollection;

class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TNotifyCollection *Collection) : FCollection(Collection) {}
    const char *ClassName() const override { return "TCollectionItem"; }
    TNotifyCollection *Collection() const { return FCollection; }
    int Index() const;

protected:
    // Reports a change of this item to the collection.
    void Changed();

private:
    TNotifyCollection *FCollection;
};

class TNotifyCollection : public TPersistent {
public:
    explicit TNotifyCollection(TPersistent *Owner = nullptr) : FOwner(Owner) {}
    const char *ClassName() const override { return "TNotifyCollection"; }

    TNotifyEvent OnChange;

    TPersistent *Owner() const { return FOwner; }
    int Count() const { return int(FItems.size()); }
    TCollectionItem *Items(int Index) const;
    int IndexOf(const TCollectionItem *Item) const;

    // Appends a new item (made by CreateItem) and reports the change.
    virtual TCollectionItem *Add();
    void Delete(int Index);
    void Clear();

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    // Reports a change through Update unless inside BeginUpdate.
    void Changed();
    // Fires OnChange with the collection as sender.
    virtual void Update(TCollectionItem *Item);
    // Change handler for the items' parts: Changed unless Sender is this.
    virtual void ChangedProc(TPersistent *Sender);
    TNotifyEvent ChangedProcEvent() { return TNotifyEvent::Of<&TNotifyCollection::ChangedProc>(this); }

protected:
    virtual std::unique_ptr<TCollectionItem> CreateItem() = 0;

private:
    TPersistent *FOwner;
    std::vector<std::unique_ptr<TCollectionItem>> FItems;
    int FUpdateCount = 0;
};
