#pragma once
// TEditorStringList: a row list of the editor used for temporary rows (the
// rows a text is wrapped into before they replace rows of the row store).
#include "editor/RowAttributeStringList.h"

class TEditorStringList : public TRowAttributeStringList {
public:
    const char *ClassName() const override { return "TEditorStringList"; }
};
