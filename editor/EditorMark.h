#pragma once
// TEditorMark: one visible mark of the editor (line end, tab, blank ...):
// its colour and whether it is drawn. Both notify on change.
#include "editor/EditorTypes.h"
#include "editor/NotifyPersistent.h"

class TEditorMark : public TNotifyPersistent {
public:
    const char *ClassName() const override { return "TEditorMark"; }

    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { SetNotify(FColor, Value); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { SetNotify(FVisible, Value); }

    void Assign(const TPersistent &Source) override;

private:
    TColor FColor = clGray;
    bool FVisible = false;
};
