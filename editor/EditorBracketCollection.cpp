#include "editor/EditorBracketCollection.h"

void TEditorBracketCollection::SameBkColor(TColor B)
{
    BeginUpdate();
    for (int i = 0; i < Count(); ++i)
        GetBracketItem(i)->ItemColor()->SetBkColor(B);
    EndUpdate();
}

void TEditorBracketCollection::SameColor(TColor C)
{
    BeginUpdate();
    for (int i = 0; i < Count(); ++i)
        GetBracketItem(i)->ItemColor()->SetColor(C);
    EndUpdate();
}

void TEditorBracketCollection::SameStyle(TFontStyles Style)
{
    BeginUpdate();
    for (int i = 0; i < Count(); ++i)
        GetBracketItem(i)->ItemColor()->SetStyle(Style);
    EndUpdate();
}
