#include "editor/EditorRuler.h"
#include <algorithm>

void TEditorRuler::SetGaugeRange(int V)
{
    V = std::clamp(V, 8, 10);
    SetNotify(FGaugeRange, V - V % 2);
}

void TEditorRuler::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorRuler *>(&Source);
    if (!src) {
        TNotifyPersistent::Assign(Source);
        return;
    }
    FBkColor = src->FBkColor;
    FColor = src->FColor;
    FEdge = src->FEdge;
    FGaugeRange = src->FGaugeRange;
    FMarkColor = src->FMarkColor;
    FVisible = src->FVisible;
    Changed();
}
