#include "editor/EditorLeftbar.h"

void TEditorLeftbar::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorLeftbar *>(&Source);
    if (!src) {
        TNotifyPersistent::Assign(Source);
        return;
    }
    FBkColor = src->FBkColor;
    FColor = src->FColor;
    FColumn = src->FColumn;
    FEdge = src->FEdge;
    FLeftMargin = src->FLeftMargin;
    FRightMargin = src->FRightMargin;
    FShowNumber = src->FShowNumber;
    FShowNumberMode = src->FShowNumberMode;
    FVisible = src->FVisible;
    FZeroBase = src->FZeroBase;
    FZeroLead = src->FZeroLead;
    Changed();
}
