#pragma once
// TEditorSpeed: scrolling speeds and the row-state initialisation mode. Plain
// values without change event. The ranges are limited to 1 .. 4.
#include "editor/Persistent.h"
#include <cstdint>

class TEditorSpeed : public TPersistent {
public:
    const char *ClassName() const override { return "TEditorSpeed"; }

    // Kept and copied; not read by the editor.
    int CaretVerticalAc() const { return FCaretVerticalAc; }
    void SetCaretVerticalAc(int V) { FCaretVerticalAc = Range(V); }
    // Compute every row state at once instead of only up to one screen past the top row.
    bool InitBracketsFull = false;
    // Page Up / Down move by (visible rows - 1) div 2 times this value.
    int PageVerticalRange() const { return FPageVerticalRange; }
    void SetPageVerticalRange(int V) { FPageVerticalRange = Range(V); }
    // The same while the key repeats.
    int PageVerticalRangeAc() const { return FPageVerticalRangeAc; }
    void SetPageVerticalRangeAc(int V) { FPageVerticalRangeAc = Range(V); }

    void Assign(const TPersistent &Source) override;

private:
    static std::uint8_t Range(int V) { return std::uint8_t(V < 1 ? 1 : V > 4 ? 4 : V); }

    std::uint8_t FCaretVerticalAc = 2;
    std::uint8_t FPageVerticalRange = 2;
    std::uint8_t FPageVerticalRangeAc = 2;
};
