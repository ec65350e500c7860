#pragma once
// TEditorLeftbar: the line-number bar. Every property notifies on change;
// Column (minimum digits) is limited to 1 .. 8, the margins to 0 .. 100.
#include "editor/EditorTypes.h"
#include "editor/NotifyPersistent.h"

enum TEditorShowNumberMode : std::uint8_t {
    nmRow, // number display rows
    nmLine // number logical lines
};

class TEditorLeftbar : public TNotifyPersistent {
public:
    const char *ClassName() const override { return "TEditorLeftbar"; }

    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor V) { SetNotify(FBkColor, V); }
    TColor Color() const { return FColor; }
    void SetColor(TColor V) { SetNotify(FColor, V); }
    int Column() const { return FColumn; }
    void SetColumn(int V) { SetNotify(FColumn, V < 1 ? 1 : V > 8 ? 8 : V); }
    bool Edge() const { return FEdge; }
    void SetEdge(bool V) { SetNotify(FEdge, V); }
    int LeftMargin() const { return FLeftMargin; }
    void SetLeftMargin(int V) { SetNotify(FLeftMargin, V < 0 ? 0 : V > 100 ? 100 : V); }
    int RightMargin() const { return FRightMargin; }
    void SetRightMargin(int V) { SetNotify(FRightMargin, V < 0 ? 0 : V > 100 ? 100 : V); }
    bool ShowNumber() const { return FShowNumber; }
    void SetShowNumber(bool V) { SetNotify(FShowNumber, V); }
    TEditorShowNumberMode ShowNumberMode() const { return FShowNumberMode; }
    void SetShowNumberMode(TEditorShowNumberMode V) { SetNotify(FShowNumberMode, V); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool V) { SetNotify(FVisible, V); }
    bool ZeroBase() const { return FZeroBase; }
    void SetZeroBase(bool V) { SetNotify(FZeroBase, V); }
    bool ZeroLead() const { return FZeroLead; }
    void SetZeroLead(bool V) { SetNotify(FZeroLead, V); }

    void Assign(const TPersistent &Source) override;

private:
    TColor FBkColor = clSilver;
    TColor FColor = clBlack;
    int FColumn = 4;
    bool FEdge = true;
    int FLeftMargin = 8;
    int FRightMargin = 4;
    bool FShowNumber = true;
    TEditorShowNumberMode FShowNumberMode = nmRow;
    bool FVisible = false;
    bool FZeroBase = false;
    bool FZeroLead = false;
};
