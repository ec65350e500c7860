#pragma once
// TFountainColorItem: a collection item with its own colour (ItemColor). A
// change of the colour is a change of the collection.
#include "editor/FountainColor.h"
#include "editor/NotifyCollection.h"

class TFountainColorItem : public TCollectionItem {
public:
    explicit TFountainColorItem(TNotifyCollection *Collection);
    const char *ClassName() const override { return "TFountainColorItem"; }

    TFountainColor *ItemColor() { return &FItemColor; }
    const TFountainColor *ItemColor() const { return &FItemColor; }
    void SetItemColor(const TFountainColor &Value) { FItemColor.Assign(Value); }

    void Assign(const TPersistent &Source) override;
    void VisitProperties(const TPropertyVisitor &Visitor) override { Visitor("ItemColor", &FItemColor); }

private:
    TFountainColor FItemColor;
};
