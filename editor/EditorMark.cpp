#include "editor/EditorMark.h"

void TEditorMark::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorMark *>(&Source);
    if (!src) {
        TNotifyPersistent::Assign(Source);
        return;
    }
    FColor = src->FColor;
    FVisible = src->FVisible;
    Changed();
}
