#include "editor/EditorFountain.h"
#include "editor/EditorParser.h"

#include <cstring>

TEditorFountain::TEditorFountain()
{
    CreateParts();
    FColors = CreateEditorColors();
}

TEditorFountain::~TEditorFountain()
{
    if (FColors)
        FColors->OnChange = nullptr;
}

std::unique_ptr<TFountainBracketCollection> TEditorFountain::CreateBrackets()
{
    auto brackets = std::make_unique<TEditorBracketCollection>(this);
    brackets->OnChange = NotifyEventList()->ChangedProcEvent();
    return brackets;
}

std::unique_ptr<TEditorColors> TEditorFountain::CreateEditorColors()
{
    auto colors = std::make_unique<TEditorColors>(this);
    colors->OnChange = NotifyEventList()->ChangedProcEvent();
    return colors;
}

std::unique_ptr<TFountainParser> TEditorFountain::CreateParser()
{
    return std::make_unique<TEditorParser>(this);
}

void TEditorFountain::SameColorVisitor(const char *Name, TPersistent *Value)
{
    if (std::strcmp(Name, "Select") == 0 || std::strcmp(Name, "Hit") == 0)
        return;
    TFountain::SameColorVisitor(Name, Value);
}

void TEditorFountain::SameAttribute(const TFountainColor &Color, TFountainColorOperation Operation)
{
    NotifyEventList()->BeginUpdate();
    try {
        SameFountainColor(FColors.get(), Color, ColorOperationBit(Operation));
    } catch (...) {
        NotifyEventList()->EndUpdate();
        throw;
    }
    NotifyEventList()->EndUpdate();
}

void TEditorFountain::SameBkColor(TColor B)
{
    TFountainColor c;
    c.SetBkColor(B);
    SameAttribute(c, coBkColor);
}

void TEditorFountain::SameColor(TColor C)
{
    TFountainColor c;
    c.SetColor(C);
    SameAttribute(c, coColor);
}

void TEditorFountain::SameStyle(TFontStyles Style)
{
    TFountainColor c;
    c.SetStyle(Style);
    SameAttribute(c, coStyle);
}

void TEditorFountain::VisitProperties(const TPropertyVisitor &Visitor)
{
    Visitor("Brackets", Brackets());
    Visitor("Colors", FColors.get());
    Visitor("Reserve", Reserve());
}
