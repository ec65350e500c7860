#pragma once
// TFountain: the non-visual definition of how an editor colours its text: the
// colour of reserved words, the bracket pairs of elements that span rows
// (block comments), the reserved-word list and the parser class.
//
// Listeners register with NotifyEventList()->Add and hear every change of the
// brackets (items, texts, colours), of Reserve, of a descendant's colours and
// a write of the whole reserved-word list (SetReserveWordList); changing the
// list through its own methods tells no one.
//
// A concrete fountain builds its parts by calling CreateParts() at the end of
// its constructor, so the part factories below reach its overrides.
#include "editor/FileExtComponent.h"
#include "editor/FountainBracketCollection.h"
#include "editor/FountainColor.h"
#include "editor/NotifyEventList.h"
#include "editor/SortedStringList.h"
#include <memory>

class TFountainParser;

enum TFountainColorOperation : std::uint8_t { coBkColor, coColor, coStyle };
using TFountainColorOperations = std::uint8_t; // bit n for the operation of ordinal n
constexpr TFountainColorOperations ColorOperationBit(TFountainColorOperation o)
{
    return TFountainColorOperations(1u << o);
}

class TFountain : public TFileExtComponent {
public:
    ~TFountain() override;
    const char *ClassName() const override { return "TFountain"; }

    TFountainBracketCollection *Brackets() const { return FBrackets.get(); }
    void SetBrackets(const TFountainBracketCollection &Value) { FBrackets->Assign(Value); }
    TNotifyEventList *NotifyEventList() const { return FNotifyEventList.get(); }
    TFountainColor *Reserve() const { return FReserve.get(); }
    void SetReserve(const TFountainColor &Value) { FReserve->Assign(Value); }

    // The reserved words: sorted, duplicates ignored, compared without case.
    const TSortedStringList &ReserveWordList() const { return FReserveWordList; }
    TSortedStringList &ReserveWordList() { return FReserveWordList; }
    // Replaces the words and tells every listener.
    void SetReserveWordList(const TSortedStringList &Value);
    void SetReserveWordList(const QStringList &Value);

    // A new parser for this fountain; the caller owns it. The base fountain
    // names no parser class and raises "Abstract Error".
    virtual std::unique_ptr<TFountainParser> CreateParser();

    // True when any colour reachable from Instance has the italic style.
    bool HasItalicFontStyle(TPersistent *Instance);
    // Gives every colour reachable from Instance the attributes of
    // FountainColor that Operations selects, through their setters.
    void SameFountainColor(TPersistent *Instance, const TFountainColor &FountainColor,
                           TFountainColorOperations Operations);

    void VisitProperties(const TPropertyVisitor &Visitor) override;

    // Walks every object-valued property reachable from Instance (nested
    // settings objects, collection items), handing each to Visitor.
    static void WalkProperties(TPersistent *Instance, const TPropertyVisitor &Visitor);

protected:
    TFountain();
    // Builds brackets, word list and colours through the factories below.
    void CreateParts();

    virtual std::unique_ptr<TFountainColor> CreateFountainColor();
    virtual void CreateFountainColors();
    virtual std::unique_ptr<TFountainBracketCollection> CreateBrackets();
    virtual void InitBrackets() {}
    virtual void InitReserveWordList() {}
    virtual void ItalicVisitor(const char *Name, TPersistent *Value);
    virtual void SameColorVisitor(const char *Name, TPersistent *Value);

private:
    std::unique_ptr<TNotifyEventList> FNotifyEventList;
    std::unique_ptr<TFountainBracketCollection> FBrackets;
    std::unique_ptr<TFountainColor> FReserve;
    TSortedStringList FReserveWordList;
    bool FHasItalicFontStyle = false;
    const TFountainColor *FFountainColor = nullptr;
    TFountainColorOperations FOperations = 0;
};
