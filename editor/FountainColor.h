#pragma once
// TFountainColor: how one kind of token is drawn: background, text colour
// (clNone: the editor's own) and font style. Setters report a change only
// when the value differs; Assign always reports one change.
#include "editor/EditorTypes.h"
#include "editor/NotifyPersistent.h"

class TFountainColor : public TNotifyPersistent {
public:
    const char *ClassName() const override { return "TFountainColor"; }

    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value) { SetNotify(FBkColor, Value); }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { SetNotify(FColor, Value); }
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value) { SetNotify(FStyle, Value); }

    void Assign(const TPersistent &Source) override;

private:
    TColor FBkColor = clNone;
    TColor FColor = clNone;
    TFontStyles FStyle = 0;
};
