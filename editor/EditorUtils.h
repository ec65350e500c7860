#pragma once
// Character classes and small text functions shared by every part of the
// editor. Indexes are 1-based unless said otherwise.
//
// Width: EastAsianWidthClass is the one width function of the program; a
// character takes two display columns when its class is F or W, or A while
// ambiguous characters are shown wide (IsWideClass).
//
// Blanks: U+0020 is the one-column blank and the ideographic space U+3000 the
// two-column blank, both for indentation and for the search engine.
// NUL is an ordinary character everywhere.
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <vector>

// The two-column blank.
constexpr char16_t WideBlank = 0x3000;

// East Asian width classes.
enum : int { eawN = 0, eawF = 1, eawH = 2, eawW = 3, eawNa = 4, eawA = 5 };

// True for the double-byte font charsets 128, 129, 130, 134 and 136.
bool IsDBCSCharSet(std::uint8_t Charset);
// True for the Chinese, Japanese and Korean locale identifiers 1028, 1041,
// 1042, 2052, 3076 and 4100.
bool IsCJKLocale(std::uint32_t Lcid);

// East Asian width class of a code point: Unicode 5.1 classes up to U+FFFD
// (unlisted code points N); above it W for U+20000..U+2FFFD and
// U+30000..U+3FFFD, A for U+E0100..U+E01EF, N otherwise.
int EastAsianWidthClass(char32_t Code);
// True when a character of this class takes two columns.
inline bool IsWideClass(int Class, bool AmbiguousIsWide)
{
    return Class == eawF || Class == eawW || (AmbiguousIsWide && Class == eawA);
}
// Combining marks of Unicode 5.1 (Mn, Mc, Me) except U+0CBF, U+0CC6, U+17B4
// and U+17B5.
bool IsCombiningChar(char32_t Code);

inline bool IsHighSurrogate(char16_t C) { return C >= 0xD800 && C <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t C) { return C >= 0xDC00 && C <= 0xDFFF; }
// 1 high surrogate, 2 low surrogate, 0 otherwise or outside the text.
int SurrogateKindAt(QStringView S, int Index);
// The same with a 0-based index; 0 for a null buffer or an index past its end.
int SurrogateKindAtBuf(QStringView Buf, int Index);
// Code points of S followed by a 0 entry (lone surrogates dropped); empty for
// an empty text.
std::vector<char32_t> UnicodeToUCS4(QStringView S);
// True when the code point at Index (counted in code points) is wide.
bool IsWideCharAt(QStringView S, int Index, bool AmbiguousIsWide);

// Lead-byte tests of the ANSI code page. Text is UTF-16 on this platform and
// no code page applies, so these are always false.
inline bool IsDBCSLeadUnit(char16_t) { return false; }
inline bool IsLeadByteAt(QStringView, int) { return false; }
inline bool IsTrailByteAt(QStringView, int) { return false; }

// Units equal to C among the first Min(Length(S), N) units.
int CountChar(QStringView S, QChar C, int N);
// S[Index], or NUL when Index is outside 1 .. Length(S).
QChar CharAtIndex(QStringView S, int Index);
// Sub is not empty, fits in S and occurs in S (every unit starts a character).
bool IncludesAtCharStart(QStringView Sub, QStringView S);
inline int Max(int A, int B) { return A > B ? A : B; }
inline int Min(int A, int B) { return A < B ? A : B; }

// The lines of Text: CR LF, LF and a lone CR each end a line; a line end at
// the very end does not make an empty last line. Empty text gives no line.
QStringList SplitStringsText(QStringView Text);
// Replaces the lines of Strings by the lines of Text, inside one
// BeginUpdate / EndUpdate. Strings needs BeginUpdate, EndUpdate, Clear, Add.
template <class TStrings>
void SetStringsText(QStringView Text, TStrings &Strings)
{
    Strings.BeginUpdate();
    try {
        Strings.Clear();
        for (const QString &line : SplitStringsText(Text))
            Strings.Add(line);
    } catch (...) {
        Strings.EndUpdate();
        throw;
    }
    Strings.EndUpdate();
}
inline void SetStringsText(QStringView Text, QStringList &Strings) { Strings = SplitStringsText(Text); }

// -1 for an empty S; else the width of its leading blanks (U+0020 counts 1,
// U+3000 counts 2), stopping at the first other unit.
int LeadingBlankWidth(QStringView S);
// S without its leading units of U+0020 and below and its leading U+3000.
QString TrimLeftBlanks(const QString &S);
