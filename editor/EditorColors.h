#pragma once
// TEditorColors: the colour of each kind of token of the editor fountain,
// plus the search-hit and selection colours. Reserve is the fountain's own
// reserved-word colour, reached through the fountain. Any colour change is a
// change of the set; Assign copies all eleven colours and the set reports one
// change (Reserve reports its own to the fountain's listeners).
#include "editor/FountainColor.h"

class TFountain;

// An editor token colour.
class TEditorColor : public TFountainColor {
public:
    const char *ClassName() const override { return "TEditorColor"; }
};

class TEditorColors : public TNotifyPersistent {
public:
    explicit TEditorColors(TFountain *Fountain);
    ~TEditorColors() override;
    const char *ClassName() const override { return "TEditorColors"; }

    TEditorColor *Ank() { return &FAnk; }           // words
    TEditorColor *Comment() { return &FComment; }   // line comments
    TEditorColor *DBCS() { return &FDBCS; }         // wide-character runs
    TEditorColor *Hit() { return &FHit; }           // search hits
    TEditorColor *Int() { return &FInt; }           // numbers
    TEditorColor *Mail() { return &FMail; }         // mail addresses
    TFountainColor *Reserve() const;                // reserved words (the fountain's)
    TEditorColor *Select() { return &FSelect; }     // the selection: white on navy
    TEditorColor *Str() { return &FStr; }           // strings and control codes
    TEditorColor *Symbol() { return &FSymbol; }     // single symbols
    TEditorColor *Url() { return &FUrl; }           // URLs
    const TEditorColor *Select() const { return &FSelect; }

    void SetAnk(const TFountainColor &V) { FAnk.Assign(V); }
    void SetComment(const TFountainColor &V) { FComment.Assign(V); }
    void SetDBCS(const TFountainColor &V) { FDBCS.Assign(V); }
    void SetHit(const TFountainColor &V) { FHit.Assign(V); }
    void SetInt(const TFountainColor &V) { FInt.Assign(V); }
    void SetMail(const TFountainColor &V) { FMail.Assign(V); }
    void SetReserve(const TFountainColor &V);
    void SetSelect(const TFountainColor &V) { FSelect.Assign(V); }
    void SetStr(const TFountainColor &V) { FStr.Assign(V); }
    void SetSymbol(const TFountainColor &V) { FSymbol.Assign(V); }
    void SetUrl(const TFountainColor &V) { FUrl.Assign(V); }

    TFountain *Fountain() const { return FFountain; }
    void Assign(const TPersistent &Source) override;
    void VisitProperties(const TPropertyVisitor &Visitor) override;

private:
    TEditorColor FAnk, FComment, FDBCS, FHit, FInt, FMail, FSelect, FStr, FSymbol, FUrl;
    TFountain *FFountain;
};
