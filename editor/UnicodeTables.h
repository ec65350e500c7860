#pragma once
// Range tables generated from the Unicode character database (see
// editor/tools/gen_unicode_tables.py). Internal to the editor's character
// classes; use EastAsianWidthClass and IsCombiningChar instead.

namespace tv::editor_tables {

struct WidthRange {
    char32_t first;
    char32_t last;
    unsigned char cls; // 1 F, 2 H, 3 W, 4 Na, 5 A (N is never listed)
};
struct CodeRange {
    char32_t first;
    char32_t last;
};

extern const WidthRange kWidthRanges[];
extern const int kWidthRangeCount;
extern const CodeRange kCombiningRanges[];
extern const int kCombiningRangeCount;

} // namespace tv::editor_tables
