#pragma once
// TEditorRuler: the ruler above the text. Every property notifies on change;
// GaugeRange is limited to 8 .. 10 and rounded down to even (8 or 10).
#include "editor/EditorTypes.h"
#include "editor/NotifyPersistent.h"

class TEditorRuler : public TNotifyPersistent {
public:
    const char *ClassName() const override { return "TEditorRuler"; }

    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor V) { SetNotify(FBkColor, V); }
    TColor Color() const { return FColor; }
    void SetColor(TColor V) { SetNotify(FColor, V); }
    bool Edge() const { return FEdge; }
    void SetEdge(bool V) { SetNotify(FEdge, V); }
    int GaugeRange() const { return FGaugeRange; }
    void SetGaugeRange(int V);
    TColor MarkColor() const { return FMarkColor; }
    void SetMarkColor(TColor V) { SetNotify(FMarkColor, V); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool V) { SetNotify(FVisible, V); }

    void Assign(const TPersistent &Source) override;

private:
    TColor FBkColor = clSilver;
    TColor FColor = clBlack;
    bool FEdge = true;
    int FGaugeRange = 10;
    TColor FMarkColor = clBlack;
    bool FVisible = false;
};
