#pragma once
// TEditorImagebar: the row-mark bar. Every property notifies on change; the
// widths and margins are limited to 0 .. 100.
#include "editor/NotifyPersistent.h"

class TEditorImagebar : public TNotifyPersistent {
public:
    const char *ClassName() const override { return "TEditorImagebar"; }

    int DigitWidth() const { return FDigitWidth; }
    void SetDigitWidth(int V) { SetClamped(FDigitWidth, V); }
    int LeftMargin() const { return FLeftMargin; }
    void SetLeftMargin(int V) { SetClamped(FLeftMargin, V); }
    int MarkWidth() const { return FMarkWidth; }
    void SetMarkWidth(int V) { SetClamped(FMarkWidth, V); }
    int RightMargin() const { return FRightMargin; }
    void SetRightMargin(int V) { SetClamped(FRightMargin, V); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool V) { SetNotify(FVisible, V); }

    void Assign(const TPersistent &Source) override;

private:
    void SetClamped(int &Field, int V) { SetNotify(Field, V < 0 ? 0 : V > 100 ? 100 : V); }

    int FDigitWidth = 8;
    int FLeftMargin = 2;
    int FMarkWidth = 0;
    int FRightMargin = 2;
    bool FVisible = true;
};
