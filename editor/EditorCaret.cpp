#include "editor/EditorCaret.h"
#include <algorithm>

void TEditorCaret::SetTabSpaceCount(int Value)
{
    Value = std::clamp(Value, 2, 8);
    SetNotify(FTabSpaceCount, Value - Value % 2);
}

void TEditorCaret::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorCaret *>(&Source);
    if (!src) {
        TNotifyPersistent::Assign(Source);
        return;
    }
    BeginUpdate();
    AutoCursor = src->AutoCursor;
    AutoIndent = src->AutoIndent;
    BackSpaceUnIndent = src->BackSpaceUnIndent;
    FCursors.Assign(src->FCursors);
    FreeCaret = src->FreeCaret;
    FreeRow = src->FreeRow;
    InTab = src->InTab;
    KeepCaret = src->KeepCaret;
    LockScroll = src->LockScroll;
    NextLine = src->NextLine;
    PrevSpaceIndent = src->PrevSpaceIndent;
    RowSelect = src->RowSelect;
    SelDragMode = src->SelDragMode;
    SelMove = src->SelMove;
    SoftTab = src->SoftTab;
    FStyle = src->FStyle;
    TabIndent = src->TabIndent;
    FTabSpaceCount = src->FTabSpaceCount;
    EndUpdate();
}
