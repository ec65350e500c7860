#include "editor/EditorCursors.h"

void TEditorCursors::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorCursors *>(&Source);
    if (!src) {
        TNotifyPersistent::Assign(Source);
        return;
    }
    DefaultCursor = src->DefaultCursor;
    DragSelCursor = src->DragSelCursor;
    DragSelCopyCursor = src->DragSelCopyCursor;
    InSelCursor = src->InSelCursor;
    LeftMarginCursor = src->LeftMarginCursor;
    TopMarginCursor = src->TopMarginCursor;
    Changed();
}
