#include "editor/EditorImagebar.h"

void TEditorImagebar::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorImagebar *>(&Source);
    if (!src) {
        TNotifyPersistent::Assign(Source);
        return;
    }
    FDigitWidth = src->FDigitWidth;
    FLeftMargin = src->FLeftMargin;
    FMarkWidth = src->FMarkWidth;
    FRightMargin = src->FRightMargin;
    FVisible = src->FVisible;
    Changed();
}
