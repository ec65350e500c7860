#include "editor/EditorSpeed.h"

void TEditorSpeed::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorSpeed *>(&Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    FCaretVerticalAc = src->FCaretVerticalAc;
    InitBracketsFull = src->InitBracketsFull;
    FPageVerticalRange = src->FPageVerticalRange;
    FPageVerticalRangeAc = src->FPageVerticalRangeAc;
}
