#pragma once
// TEditorCursors: the mouse cursors of the editor. Plain values: writing
// them notifies no one.
#include "editor/EditorTypes.h"
#include "editor/NotifyPersistent.h"

class TEditorCursors : public TNotifyPersistent {
public:
    const char *ClassName() const override { return "TEditorCursors"; }

    TCursor DefaultCursor = crIBeam;
    TCursor DragSelCursor = crDrag;
    TCursor DragSelCopyCursor = crDragSelCopy;
    TCursor InSelCursor = crDefault;
    TCursor LeftMarginCursor = crRightArrow;
    TCursor TopMarginCursor = crDefault;

    void Assign(const TPersistent &Source) override;
};
