#pragma once
// TEditorMarks: the eight marks of the editor. A change of any mark is a
// change of the set; Assign copies all eight and reports one change.
#include "editor/EditorMark.h"

class TEditorMarks : public TNotifyPersistent {
public:
    TEditorMarks();
    ~TEditorMarks() override;
    const char *ClassName() const override { return "TEditorMarks"; }

    TEditorMark *EofMark() { return &FEofMark; }
    TEditorMark *RetMark() { return &FRetMark; }
    TEditorMark *WrapMark() { return &FWrapMark; }
    TEditorMark *HideMark() { return &FHideMark; }
    TEditorMark *Underline() { return &FUnderline; }
    TEditorMark *TabMark() { return &FTabMark; }
    TEditorMark *SemiSpaceMark() { return &FSemiSpaceMark; }
    TEditorMark *SpaceMark() { return &FSpaceMark; }

    void SetEofMark(const TEditorMark &V) { FEofMark.Assign(V); }
    void SetRetMark(const TEditorMark &V) { FRetMark.Assign(V); }
    void SetWrapMark(const TEditorMark &V) { FWrapMark.Assign(V); }
    void SetHideMark(const TEditorMark &V) { FHideMark.Assign(V); }
    void SetUnderline(const TEditorMark &V) { FUnderline.Assign(V); }
    void SetTabMark(const TEditorMark &V) { FTabMark.Assign(V); }
    void SetSemiSpaceMark(const TEditorMark &V) { FSemiSpaceMark.Assign(V); }
    void SetSpaceMark(const TEditorMark &V) { FSpaceMark.Assign(V); }

    void Assign(const TPersistent &Source) override;
    void VisitProperties(const TPropertyVisitor &Visitor) override;

private:
    TEditorMark FEofMark, FRetMark, FWrapMark, FHideMark, FUnderline, FTabMark, FSemiSpaceMark, FSpaceMark;
};
