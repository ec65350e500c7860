#include "editor/EditorMargin.h"

void TEditorMargin::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorMargin *>(&Source);
    if (!src) {
        TNotifyPersistent::Assign(Source);
        return;
    }
    BeginUpdate();
    FCharacter = src->FCharacter;
    FLeft = src->FLeft;
    FLine = src->FLine;
    FTop = src->FTop;
    FUnderline = src->FUnderline;
    EndUpdate();
}
