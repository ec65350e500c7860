#include "editor/EditorProp.h"

#include <exception>

TEditorProp::TEditorProp()
{
    CreateParts();
}

TEditorProp::TEditorProp(TDeferParts) {}

TEditorProp::~TEditorProp()
{
    OnColorChange = nullptr;
    OnHitStyleChange = nullptr;
    OnScrollBarsChange = nullptr;
    OnWordWrapChange = nullptr;
    OnChange = nullptr;
}

void TEditorProp::CreateParts()
{
    FCaret = CreateEditorCaret();
    FImagebar = CreateEditorImagebar();
    FLeftbar = CreateEditorLeftbar();
    FMargin = CreateEditorMargin();
    FMarks = CreateEditorMarks();
    FReserveWordList.Clear();
    FRuler = CreateEditorRuler();
    FView = CreateEditorViewInfo();
    FSpeed = CreateEditorSpeed();
    FView->FComponent = this;
    FColor = clWindow;
    FFont = TEditorPropFont();
}

std::unique_ptr<TEditorCaret> TEditorProp::CreateEditorCaret() { return std::make_unique<TEditorCaret>(); }
std::unique_ptr<TEditorImagebar> TEditorProp::CreateEditorImagebar() { return std::make_unique<TEditorImagebar>(); }
std::unique_ptr<TEditorLeftbar> TEditorProp::CreateEditorLeftbar() { return std::make_unique<TEditorLeftbar>(); }
std::unique_ptr<TEditorMargin> TEditorProp::CreateEditorMargin() { return std::make_unique<TEditorMargin>(); }
std::unique_ptr<TEditorMarks> TEditorProp::CreateEditorMarks() { return std::make_unique<TEditorMarks>(); }
std::unique_ptr<TEditorRuler> TEditorProp::CreateEditorRuler() { return std::make_unique<TEditorRuler>(); }
std::unique_ptr<TEditorSpeed> TEditorProp::CreateEditorSpeed() { return std::make_unique<TEditorSpeed>(); }
std::unique_ptr<TEditorViewInfo> TEditorProp::CreateEditorViewInfo() { return std::make_unique<TEditorViewInfo>(); }

void TEditorProp::SetColor(TColor Value)
{
    if (FColor != Value) {
        FColor = Value;
        OnColorChange(this);
    }
}

void TEditorProp::SetHitStyle(TEditorHitStyle Value)
{
    if (FHitStyle != Value) {
        FHitStyle = Value;
        OnHitStyleChange(this);
    }
}

void TEditorProp::SetScrollBars(TScrollStyle Value)
{
    if (FScrollBars != Value) {
        FScrollBars = Value;
        OnScrollBarsChange(this);
    }
}

void TEditorProp::SetWordWrap(bool Value)
{
    if (FWordWrap != Value) {
        FWordWrap = Value;
        OnWordWrapChange(this);
    }
}

void TEditorProp::CopyFrom(const TEditorProp &Src)
{
    SetColor(Src.FColor);
    SetCaret(*Src.FCaret);
    SetFont(Src.FFont);
    FHitStyle = Src.FHitStyle;
    SetImagebar(*Src.FImagebar);
    SetLeftbar(*Src.FLeftbar);
    SetMargin(*Src.FMargin);
    SetMarks(*Src.FMarks);
    SetReserveWordList(Src.FReserveWordList);
    SetRuler(*Src.FRuler);
    SetScrollBars(Src.FScrollBars);
    SetSpeed(*Src.FSpeed);
    SetView(*Src.FView);
    SetWordWrap(Src.FWordWrap);
    SetFileExtList(Src.FileExtList());
}

void TEditorProp::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorProp *>(&Source);
    if (!src) {
        TFileExtComponent::Assign(Source);
        return;
    }
    if (src == this)
        return;
    try {
        CopyFrom(*src);
    } catch (const std::exception &) {
        // A settings object refused a value: the copy ends here, the values
        // copied so far stay.
    }
    OnChange(this);
}

void TEditorProp::AssignTo(TEditorProp &Dest) const
{
    Dest.Assign(*this);
}

void TEditorProp::VisitProperties(const TPropertyVisitor &Visitor)
{
    Visitor("Caret", FCaret.get());
    Visitor("Imagebar", FImagebar.get());
    Visitor("Leftbar", FLeftbar.get());
    Visitor("Margin", FMargin.get());
    Visitor("Marks", FMarks.get());
    Visitor("Ruler", FRuler.get());
    Visitor("Speed", FSpeed.get());
    Visitor("View", FView.get());
}
