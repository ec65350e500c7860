#include "editor/EditorProp.h"

#include "editor/Editor.h"
#include "platform/ui/Font.h"

#include <QVariant>
#include <exception>

namespace {

// The editor's font keeps the stored name, pitch and character set of the
// settings it came from (Qt's font knows only the installed family).
const char *const FontNameProperty = "tvFontName";
const char *const FontPitchProperty = "tvFontPitch";
const char *const FontCharsetProperty = "tvFontCharset";

tv::ui::FontStyles ToUiStyles(TFontStyles s)
{
    tv::ui::FontStyles r;
    if (s & FontStyleBit(fsBold))
        r |= tv::ui::FontStyle::Bold;
    if (s & FontStyleBit(fsItalic))
        r |= tv::ui::FontStyle::Italic;
    if (s & FontStyleBit(fsUnderline))
        r |= tv::ui::FontStyle::Underline;
    if (s & FontStyleBit(fsStrikeOut))
        r |= tv::ui::FontStyle::StrikeOut;
    return r;
}

TEditorPropFont FontOf(const TEditor &Ed)
{
    TEditorPropFont f;
    const QFont &qf = Ed.font();
    const QVariant name = Ed.property(FontNameProperty);
    f.Name = name.isValid() ? name.toString() : qf.family();
    f.Size = qf.pointSize() > 0 ? qf.pointSize() : f.Size;
    f.Color = Ed.FontColor();
    f.Style = Ed.FontStyle();
    const QVariant pitch = Ed.property(FontPitchProperty);
    f.Pitch = pitch.isValid() ? TFontPitch(pitch.toInt()) : qf.fixedPitch() ? fpFixed : fpDefault;
    const QVariant charset = Ed.property(FontCharsetProperty);
    f.Charset = charset.isValid() ? charset.toInt() : 1;
    return f;
}

void SetFontOf(TEditor &Ed, const TEditorPropFont &F)
{
    Ed.setProperty(FontNameProperty, F.Name);
    Ed.setProperty(FontPitchProperty, int(F.Pitch));
    Ed.setProperty(FontCharsetProperty, F.Charset);
    QFont qf = tv::ui::MakeFont(F.Name, F.Size, ToUiStyles(F.Style));
    if (F.Pitch == fpFixed)
        qf.setFixedPitch(true);
    Ed.setFont(qf);
    Ed.SetFontColor(F.Color);
}

} // namespace

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
    FWrapOption = CreateEditorWrapOption();
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
std::unique_ptr<TEditorWrapOption> TEditorProp::CreateEditorWrapOption()
{
    return std::make_unique<TEditorWrapOption>();
}

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
    SetWrapOption(*Src.FWrapOption);
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

void TEditorProp::Assign(const TEditor &Source)
{
    try {
        SetColor(Source.Color());
        SetCaret(*Source.Caret());
        SetFont(FontOf(Source));
        FHitStyle = Source.HitStyle();
        SetImagebar(*Source.Imagebar());
        SetLeftbar(*Source.Leftbar());
        SetMargin(*Source.Margin());
        SetMarks(*Source.Marks());
        SetReserveWordList(Source.ReserveWordList());
        SetRuler(*Source.Ruler());
        SetScrollBars(Source.ScrollBars());
        SetSpeed(*Source.Speed());
        SetView(*Source.View());
        SetWordWrap(Source.WordWrap());
        SetWrapOption(*Source.WrapOption());
    } catch (const std::exception &) {
        // as in the copy from a holder: the values copied so far stay
    }
    OnChange(this);
}

void TEditorProp::AssignTo(TEditorProp &Dest) const
{
    Dest.Assign(*this);
}

void TEditorProp::AssignTo(TEditor &Dest) const
{
    try {
        Dest.SetColor(FColor);
        Dest.SetCaret(*FCaret);
        SetFontOf(Dest, FFont);
        Dest.SetHitStyle(FHitStyle);
        Dest.SetImagebar(*FImagebar);
        Dest.SetLeftbar(*FLeftbar);
        Dest.SetMargin(*FMargin);
        Dest.SetMarks(*FMarks);
        Dest.SetReserveWordList(FReserveWordList.ToStringList());
        Dest.SetRuler(*FRuler);
        Dest.SetScrollBars(FScrollBars);
        Dest.SetSpeed(*FSpeed);
        Dest.SetView(*FView);
        if (FWordWrap) {
            Dest.SetWrapOption(*FWrapOption);
            Dest.SetWordWrap(true);
        } else {
            Dest.SetWordWrap(false);
            Dest.SetWrapOption(*FWrapOption);
        }
    } catch (const std::exception &) {
        // a settings object refused a value: the copy ends here
    }
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
    Visitor("WrapOption", FWrapOption.get());
}
