#include "editor/EditorMarks.h"

TEditorMarks::TEditorMarks()
{
    for (TEditorMark *m : {&FEofMark, &FRetMark, &FWrapMark, &FHideMark, &FUnderline, &FTabMark,
                           &FSemiSpaceMark, &FSpaceMark})
        m->OnChange = ChangedProcEvent();
}

TEditorMarks::~TEditorMarks()
{
    OnChange = nullptr;
}

void TEditorMarks::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorMarks *>(&Source);
    if (!src) {
        TNotifyPersistent::Assign(Source);
        return;
    }
    BeginUpdate();
    FEofMark.Assign(src->FEofMark);
    FRetMark.Assign(src->FRetMark);
    FWrapMark.Assign(src->FWrapMark);
    FHideMark.Assign(src->FHideMark);
    FUnderline.Assign(src->FUnderline);
    FTabMark.Assign(src->FTabMark);
    FSemiSpaceMark.Assign(src->FSemiSpaceMark);
    FSpaceMark.Assign(src->FSpaceMark);
    EndUpdate();
}

void TEditorMarks::VisitProperties(const TPropertyVisitor &Visitor)
{
    Visitor("EofMark", &FEofMark);
    Visitor("HideMark", &FHideMark);
    Visitor("RetMark", &FRetMark);
    Visitor("SemiSpaceMark", &FSemiSpaceMark);
    Visitor("SpaceMark", &FSpaceMark);
    Visitor("TabMark", &FTabMark);
    Visitor("Underline", &FUnderline);
    Visitor("WrapMark", &FWrapMark);
}
