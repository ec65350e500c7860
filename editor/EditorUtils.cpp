#include "editor/EditorUtils.h"
#include "editor/UnicodeTables.h"

#include <algorithm>
#include <array>

using namespace tv::editor_tables;

bool IsDBCSCharSet(std::uint8_t Charset)
{
    return Charset == 128 || Charset == 129 || Charset == 130 || Charset == 134 || Charset == 136;
}

bool IsCJKLocale(std::uint32_t Lcid)
{
    return Lcid == 1028 || Lcid == 1041 || Lcid == 1042 || Lcid == 2052 || Lcid == 3076 || Lcid == 4100;
}

namespace {

// Width classes of the basic plane, expanded once from the range table.
const std::array<std::uint8_t, 0x10000> &BmpWidths()
{
    static const auto table = [] {
        std::array<std::uint8_t, 0x10000> t{};
        for (int i = 0; i < kWidthRangeCount; ++i)
            for (char32_t c = kWidthRanges[i].first; c <= kWidthRanges[i].last; ++c)
                t[c] = kWidthRanges[i].cls;
        return t;
    }();
    return table;
}

} // namespace

int EastAsianWidthClass(char32_t Code)
{
    if (Code <= 0xFFFD)
        return BmpWidths()[Code];
    if ((Code >= 0x20000 && Code <= 0x2FFFD) || (Code >= 0x30000 && Code <= 0x3FFFD))
        return eawW;
    if (Code >= 0xE0100 && Code <= 0xE01EF)
        return eawA;
    return eawN;
}

bool IsCombiningChar(char32_t Code)
{
    if (Code < 0x300)
        return false;
    const CodeRange *end = kCombiningRanges + kCombiningRangeCount;
    const CodeRange *it = std::upper_bound(kCombiningRanges, end, Code,
                                           [](char32_t c, const CodeRange &r) { return c < r.first; });
    return it != kCombiningRanges && Code <= (it - 1)->last;
}

int SurrogateKindAt(QStringView S, int Index)
{
    if (Index < 1 || Index > S.size())
        return 0;
    const char16_t c = S[Index - 1].unicode();
    return IsHighSurrogate(c) ? 1 : IsLowSurrogate(c) ? 2 : 0;
}

int SurrogateKindAtBuf(QStringView Buf, int Index)
{
    if (Buf.isNull() || Index < 0 || Index >= Buf.size())
        return 0;
    return SurrogateKindAt(Buf, Index + 1);
}

std::vector<char32_t> UnicodeToUCS4(QStringView S)
{
    std::vector<char32_t> r;
    if (S.isEmpty())
        return r;
    const qsizetype n = S.size();
    r.reserve(size_t(n) + 1);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = S[i].unicode();
        if (IsHighSurrogate(c)) {
            if (i + 1 < n && IsLowSurrogate(S[i + 1].unicode())) {
                r.push_back((char32_t(c & 0x3FF) << 10 | (S[i + 1].unicode() & 0x3FF)) + 0x10000);
                ++i;
            }
        } else if (!IsLowSurrogate(c)) {
            r.push_back(c);
        }
    }
    r.push_back(0);
    return r;
}

bool IsWideCharAt(QStringView S, int Index, bool AmbiguousIsWide)
{
    if (S.isEmpty() || Index < 1)
        return false;
    const std::vector<char32_t> codes = UnicodeToUCS4(S);
    if (Index > int(codes.size()) - 1)
        return false;
    return IsWideClass(EastAsianWidthClass(codes[size_t(Index - 1)]), AmbiguousIsWide);
}

int CountChar(QStringView S, QChar C, int N)
{
    const qsizetype n = std::min<qsizetype>(S.size(), std::max(N, 0));
    return int(std::count(S.begin(), S.begin() + n, C));
}

QChar CharAtIndex(QStringView S, int Index)
{
    if (Index < 1 || Index > S.size())
        return QChar(0);
    return S[Index - 1];
}

bool IncludesAtCharStart(QStringView Sub, QStringView S)
{
    return !Sub.isEmpty() && S.size() >= Sub.size() && S.contains(Sub);
}

QStringList SplitStringsText(QStringView Text)
{
    QStringList lines;
    const qsizetype n = Text.size();
    qsizetype start = 0;
    while (start < n) {
        qsizetype i = start;
        while (i < n && Text[i] != u'\r' && Text[i] != u'\n')
            ++i;
        lines.append(Text.mid(start, i - start).toString());
        if (i < n && Text[i] == u'\r')
            ++i;
        if (i < n && Text[i] == u'\n')
            ++i;
        start = i;
    }
    return lines;
}

int LeadingBlankWidth(QStringView S)
{
    if (S.isEmpty())
        return -1;
    int w = 0;
    for (QChar c : S) {
        if (c == u' ')
            w += 1;
        else if (c == QChar(WideBlank))
            w += 2;
        else
            break;
    }
    return w;
}

QString TrimLeftBlanks(const QString &S)
{
    qsizetype i = 0;
    while (i < S.size() && (S[i].unicode() <= 0x20 || S[i] == QChar(WideBlank)))
        ++i;
    return S.mid(i);
}
