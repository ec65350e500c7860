#pragma once
// Display columns of a row text: the column-kind string and the conversions
// between display columns and character indexes. These are the measuring
// functions of the editor; the editor, its row store (word wrap) and its
// painter all go through them, so a text is measured the same way everywhere.
//
// Column-kind string: one code per display column:
//   '1' a single-width character that is not a delimiter
//   '2' a single-width delimiter (codes 0..255 only)
//   '3' tab fill (cells after a tab up to the next tab stop)
//   '4', '5' first and second cell of a double-width character
// A tab itself takes one '1'/'2' cell followed by its fill. The string stops
// at the column limit: 10000 columns, or WrapByte + 3 while word wrap is on
// (a double-width character starting at the last column may add one more).
#include <QString>
#include <QStringView>
#include <bitset>

// A set of the 256 8-bit character codes.
struct TCharSet {
    std::bitset<256> Bits;
    bool Contains(char32_t C) const { return C < 256 && Bits.test(C); }
    void Include(int C) { Bits.set(size_t(C)); }
    void Exclude(int C) { Bits.reset(size_t(C)); }
    bool operator==(const TCharSet &) const = default;
};

// The default word delimiters: every control character, the blank, the ASCII
// punctuation except "_", 127, 128, 160..165 and 253..255.
TCharSet DefaultDelimiters();

// Column limit without word wrap.
constexpr int EditorColumnLimit = 10000;

// What the measuring depends on.
struct TColumnSettings {
    TCharSet Delimiters = DefaultDelimiters();
    int TabSpaceCount = 8;
    bool WordWrap = false;
    int WrapByte = 80;
    bool AmbiguousIsWide = true;

    int Limit() const { return WordWrap ? WrapByte + 3 : EditorColumnLimit; }
    bool operator==(const TColumnSettings &) const = default;
};

// The column-kind string of S.
QString ColumnKinds(QStringView S, const TColumnSettings &Settings);
// Its length without building it.
int ExpandTabLength(QStringView S, const TColumnSettings &Settings);
// S with every tab replaced by ESC characters (code 27) up to its tab stop.
QString ExpandTab(const QString &S, const TColumnSettings &Settings);

// Codes among the first N that start no character: the '3' among the first N
// and the '4' among the first N - 1.
int NonCharColumns(QStringView Kinds, int N);
// 1-based index of the first character at or after the 1-based column N (a
// double-width character cut at its middle is not included).
int ColToCharStart(QStringView Kinds, int N);
// 1-based index of the last character at or before the 1-based column N (a
// double-width character cut at its middle is included).
int ColToCharEnd(QStringView Kinds, int N);
// The code at the 0-based column C, or NUL outside the string.
inline QChar KindAt(QStringView Kinds, int C)
{
    return C >= 0 && C < Kinds.size() ? Kinds[C] : QChar(0);
}
// 0-based character index of the 0-based column C: second halves and tab
// fill map to the character they belong to; not limited to the row length.
inline int CharIndexOfColumn(QStringView Kinds, int C)
{
    return C - NonCharColumns(Kinds, C + 1);
}

// S is exactly one character in U+0020..U+007E or U+FF61..U+FF9F.
bool IsHalfWidthChar(QStringView S);
// -1 for an empty S; else the width of its leading blanks: U+0020 counts 1,
// the ideographic space 2, a tab fills to its tab stop.
int IndentWidth(QStringView S, const TColumnSettings &Settings);
