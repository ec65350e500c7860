#pragma once
// Small helpers shared by the editor's own implementation files; not part of
// the editor's public interface.
#include "editor/Editor.h"

#include <QString>

namespace editor_internal {

inline QString Blanks(int N)
{
    return N > 0 ? QString(N, u' ') : QString();
}

// Brackets the caret (and, for line-changing edits, the underline) around
// an edit, also when it throws.
class CaretBracket {
public:
    CaretBracket(TEditor &E, bool Underline) : FE(E), FUnderline(Underline)
    {
        FE.BeginCaretUpdate();
        if (FUnderline)
            FE.HideUnderline();
    }
    ~CaretBracket()
    {
        if (FUnderline)
            FE.ShowUnderline();
        FE.EndCaretUpdate();
    }
    CaretBracket(const CaretBracket &) = delete;
    CaretBracket &operator=(const CaretBracket &) = delete;

private:
    TEditor &FE;
    bool FUnderline;
};

} // namespace editor_internal
