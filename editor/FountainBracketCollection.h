#pragma once
// TFountainBracketCollection: the bracket pairs of a fountain, at most 14
// (indexes 0 to 13). Adding a 15th raises "TFountainBracketCollection" CR LF
// "You can not add item over 14" and adds nothing.
#include "editor/FountainBracketItem.h"

class TFountainBracketCollection : public TNotifyCollection {
public:
    static constexpr int MaxItems = 14;

    using TNotifyCollection::TNotifyCollection;
    const char *ClassName() const override { return "TFountainBracketCollection"; }

    TFountainBracketItem *Add() override;
    TFountainBracketItem *GetBracketItem(int Index) const
    {
        return static_cast<TFountainBracketItem *>(Items(Index));
    }
    TFountainBracketItem *operator[](int Index) const { return GetBracketItem(Index); }
    void SetBracketItem(int Index, const TFountainBracketItem &Value) { GetBracketItem(Index)->Assign(Value); }

    // From another bracket collection: clears, then adds and assigns one item
    // per source item, reporting one change at the end.
    void Assign(const TPersistent &Source) override;

protected:
    std::unique_ptr<TCollectionItem> CreateItem() override;
};
