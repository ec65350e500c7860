#pragma once
// TEditorMargin: text margins in pixels, each limited to 0 .. 100 and
// notifying on change. Underline is the pixel the editor reserves for the
// underline mark (not published).
#include "editor/NotifyPersistent.h"

class TEditorMargin : public TNotifyPersistent {
public:
    const char *ClassName() const override { return "TEditorMargin"; }

    int Character() const { return FCharacter; }
    void SetCharacter(int Value) { SetClamped(FCharacter, Value); }
    int Left() const { return FLeft; }
    void SetLeft(int Value) { SetClamped(FLeft, Value); }
    int Line() const { return FLine; }
    void SetLine(int Value) { SetClamped(FLine, Value); }
    int Top() const { return FTop; }
    void SetTop(int Value) { SetClamped(FTop, Value); }
    int Underline() const { return FUnderline; }
    void SetUnderline(int Value) { FUnderline = Value; }

    void Assign(const TPersistent &Source) override;

private:
    void SetClamped(int &Field, int Value) { SetNotify(Field, Value < 0 ? 0 : Value > 100 ? 100 : Value); }

    int FCharacter = 0;
    int FLeft = 19;
    int FLine = 0;
    int FTop = 2;
    int FUnderline = 0;
};
