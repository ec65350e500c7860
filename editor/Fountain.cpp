#include "editor/Fountain.h"
#include "editor/EditorError.h"
#include "editor/FountainParser.h"

TFountain::TFountain() : FNotifyEventList(std::make_unique<TNotifyEventList>(this))
{
}

TFountain::~TFountain()
{
    // Parts report nothing while the fountain goes away.
    if (FBrackets)
        FBrackets->OnChange = nullptr;
    if (FReserve)
        FReserve->OnChange = nullptr;
}

void TFountain::CreateParts()
{
    FBrackets = CreateBrackets();
    InitBrackets();
    InitReserveWordList();
    CreateFountainColors();
}

std::unique_ptr<TFountainBracketCollection> TFountain::CreateBrackets()
{
    auto brackets = std::make_unique<TFountainBracketCollection>(this);
    brackets->OnChange = FNotifyEventList->ChangedProcEvent();
    return brackets;
}

std::unique_ptr<TFountainColor> TFountain::CreateFountainColor()
{
    auto color = std::make_unique<TFountainColor>();
    color->OnChange = FNotifyEventList->ChangedProcEvent();
    return color;
}

void TFountain::CreateFountainColors()
{
    FReserve = CreateFountainColor();
}

void TFountain::SetReserveWordList(const TSortedStringList &Value)
{
    FReserveWordList.Assign(Value);
    FNotifyEventList->ChangedProc(this);
}

void TFountain::SetReserveWordList(const QStringList &Value)
{
    FReserveWordList.SetStrings(Value);
    FNotifyEventList->ChangedProc(this);
}

std::unique_ptr<TFountainParser> TFountain::CreateParser()
{
    throw EEditorError(QStringLiteral("Abstract Error"));
}

void TFountain::VisitProperties(const TPropertyVisitor &Visitor)
{
    Visitor("Brackets", FBrackets.get());
    Visitor("Reserve", FReserve.get());
}

void TFountain::WalkProperties(TPersistent *Instance, const TPropertyVisitor &Visitor)
{
    if (!Instance)
        return;
    Instance->VisitProperties([&](const char *name, TPersistent *value) {
        Visitor(name, value);
        if (!value)
            return;
        if (auto *collection = dynamic_cast<TNotifyCollection *>(value))
            for (int i = 0; i < collection->Count(); ++i)
                WalkProperties(collection->Items(i), Visitor);
        WalkProperties(value, Visitor);
    });
}

void TFountain::ItalicVisitor(const char *Name, TPersistent *Value)
{
    if (auto *color = dynamic_cast<TFountainColor *>(Value))
        if (color->Style() & FontStyleBit(fsItalic))
            FHasItalicFontStyle = true;
}

void TFountain::SameColorVisitor(const char *Name, TPersistent *Value)
{
    auto *color = dynamic_cast<TFountainColor *>(Value);
    if (!color || !FFountainColor)
        return;
    if (FOperations & ColorOperationBit(coBkColor))
        color->SetBkColor(FFountainColor->BkColor());
    if (FOperations & ColorOperationBit(coColor))
        color->SetColor(FFountainColor->Color());
    if (FOperations & ColorOperationBit(coStyle))
        color->SetStyle(FFountainColor->Style());
}

bool TFountain::HasItalicFontStyle(TPersistent *Instance)
{
    FHasItalicFontStyle = false;
    WalkProperties(Instance, [this](const char *name, TPersistent *value) { ItalicVisitor(name, value); });
    return FHasItalicFontStyle;
}

void TFountain::SameFountainColor(TPersistent *Instance, const TFountainColor &FountainColor,
                                  TFountainColorOperations Operations)
{
    FFountainColor = &FountainColor;
    FOperations = Operations;
    WalkProperties(Instance, [this](const char *name, TPersistent *value) { SameColorVisitor(name, value); });
    FFountainColor = nullptr;
}
