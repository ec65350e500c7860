#pragma once
// TEditorCaret: caret and editing behaviour. The flags are plain (the editor
// reads them when it needs them); Style and TabSpaceCount notify on change.
// TabSpaceCount is limited to 2 .. 8 and rounded down to an even number.
// Assign copies everything (TabSpaceCount as it stands) and reports one change.
#include "editor/EditorCursors.h"

enum TEditorCaretStyle : std::uint8_t { csDefault, csBrief };

class TEditorCaret : public TNotifyPersistent {
public:
    const char *ClassName() const override { return "TEditorCaret"; }

    bool AutoCursor = true;
    bool AutoIndent = true;
    bool BackSpaceUnIndent = true;
    bool FreeCaret = true;
    bool FreeRow = false;
    bool InTab = false;
    bool KeepCaret = false;
    bool LockScroll = false;
    bool NextLine = false;
    bool PrevSpaceIndent = false;
    bool RowSelect = true;
    TDragMode SelDragMode = dmAutomatic;
    bool SelMove = true;
    bool SoftTab = false;
    bool TabIndent = false;

    // Its changes notify no one.
    TEditorCursors *Cursors() { return &FCursors; }
    void SetCursors(const TEditorCursors &Value) { FCursors.Assign(Value); }

    TEditorCaretStyle Style() const { return FStyle; }
    void SetStyle(TEditorCaretStyle Value) { SetNotify(FStyle, Value); }
    int TabSpaceCount() const { return FTabSpaceCount; }
    void SetTabSpaceCount(int Value);

    void Assign(const TPersistent &Source) override;

private:
    TEditorCursors FCursors;
    TEditorCaretStyle FStyle = csDefault;
    int FTabSpaceCount = 8;
};
