#pragma once
// TEditorBracketCollection: the editor fountain's bracket pairs, with
// operations that give every pair's colour one attribute (one change).
#include "editor/FountainBracketCollection.h"

class TEditorBracketCollection : public TFountainBracketCollection {
public:
    using TFountainBracketCollection::TFountainBracketCollection;
    const char *ClassName() const override { return "TEditorBracketCollection"; }

    virtual void SameBkColor(TColor B);
    virtual void SameColor(TColor C);
    virtual void SameStyle(TFontStyles Style);
};
