#include "editor/EditorColors.h"
#include "editor/Fountain.h"

TEditorColors::TEditorColors(TFountain *Fountain) : FFountain(Fountain)
{
    FSelect.SetBkColor(clNavy);
    FSelect.SetColor(clWhite);
    for (TEditorColor *c : {&FAnk, &FComment, &FDBCS, &FHit, &FInt, &FMail, &FSelect, &FStr, &FSymbol, &FUrl})
        c->OnChange = ChangedProcEvent();
}

TEditorColors::~TEditorColors()
{
    OnChange = nullptr;
}

TFountainColor *TEditorColors::Reserve() const
{
    return FFountain ? FFountain->Reserve() : nullptr;
}

void TEditorColors::SetReserve(const TFountainColor &V)
{
    if (TFountainColor *r = Reserve())
        r->Assign(V);
}

void TEditorColors::Assign(const TPersistent &Source)
{
    auto *src = dynamic_cast<const TEditorColors *>(&Source);
    if (!src) {
        TNotifyPersistent::Assign(Source);
        return;
    }
    BeginUpdate();
    try {
        FAnk.Assign(src->FAnk);
        FComment.Assign(src->FComment);
        FDBCS.Assign(src->FDBCS);
        FHit.Assign(src->FHit);
        FInt.Assign(src->FInt);
        FMail.Assign(src->FMail);
        if (src->Reserve())
            SetReserve(*src->Reserve());
        FSelect.Assign(src->FSelect);
        FStr.Assign(src->FStr);
        FSymbol.Assign(src->FSymbol);
        FUrl.Assign(src->FUrl);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TEditorColors::VisitProperties(const TPropertyVisitor &Visitor)
{
    Visitor("Ank", &FAnk);
    Visitor("Comment", &FComment);
    Visitor("DBCS", &FDBCS);
    Visitor("Hit", &FHit);
    Visitor("Int", &FInt);
    Visitor("Mail", &FMail);
    Visitor("Reserve", Reserve());
    Visitor("Select", &FSelect);
    Visitor("Str", &FStr);
    Visitor("Symbol", &FSymbol);
    Visitor("Url", &FUrl);
}
