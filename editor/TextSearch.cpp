#include "editor/TextSearch.h"
#include "editor/EditorUtils.h"

#include <QChar>
#include <array>
#include <vector>

namespace {

const std::array<char16_t, 0x10000> &FoldTable()
{
    static const auto table = [] {
        std::array<char16_t, 0x10000> t{};
        for (char32_t u = 0; u < 0x10000; ++u) {
            char32_t up = (u >= 0xD800 && u <= 0xDFFF) ? u : QChar::toUpper(u);
            t[u] = up <= 0xFFFF ? char16_t(up) : char16_t(u);
        }
        return t;
    }();
    return table;
}

struct Search {
    const char16_t *buf;
    int n;
    std::vector<char16_t> pattern;
    bool matchCase, wholeWord, crlf, space;
    const std::array<char16_t, 0x10000> *fold;

    bool IsDelim(int p) const { return p < 0 || p >= n || IsWordDelimiter(buf[p]); }

    // Length of the buffer text matched at P, or -1.
    int CompareAt(int P) const
    {
        const int L = int(pattern.size());
        int k = 0, j = 0, s = 0;
        while (k < L) {
            const int idx = P + j + s;
            if (idx >= n)
                return -1;
            const char16_t b = buf[idx];
            if (pattern[size_t(k)] == (matchCase ? b : (*fold)[b])) {
                ++k;
                ++j;
                continue;
            }
            if (j > 0) {
                if (crlf && (b == u'\r' || b == u'\n')) {
                    ++s;
                    continue;
                }
                if (space && (b == u'\t' || b == u' ' || b == WideBlank)) {
                    ++s;
                    continue;
                }
            }
            return -1;
        }
        return j + s;
    }

    // Moves P to the next word start in the search direction.
    bool FindNextWordStart(int &P, int &C, int dir) const
    {
        if (dir > 0) {
            if (!IsDelim(P) && IsDelim(P - 1))
                return true;
            while (C > 0 && !IsDelim(P)) {
                ++P;
                --C;
            }
            while (C > 0 && IsDelim(P)) {
                ++P;
                --C;
            }
            return C >= 0;
        }
        while (C > 0 && IsDelim(P)) {
            --P;
            --C;
        }
        while (C > 0 && !IsDelim(P)) {
            --P;
            --C;
        }
        const bool ok = C >= 0;
        if (IsDelim(P)) {
            ++P;
            ++C;
        }
        return ok;
    }
};

} // namespace

bool IsWordDelimiter(char16_t C)
{
    return C <= 0x2F || (C >= 0x3A && C <= 0x3E) || C == u'@' || (C >= 0x5B && C <= 0x60);
}

char16_t SearchFold(char16_t C)
{
    return FoldTable()[C];
}

int FindInBuffer(QStringView Buf, TSearchPos &Pos, const QString &SearchValue, TSearchOptions Options)
{
    const int n = int(Buf.size());
    if (SearchValue.isEmpty() || n == 0)
        return -1;
    if (Pos.SelStart < 0 || Pos.SelStart > n || Pos.SelLength < 0)
        return -1;
    Search s;
    s.buf = reinterpret_cast<const char16_t *>(Buf.utf16());
    s.n = n;
    s.matchCase = Options & SearchOptionBit(sfrMatchCase);
    s.wholeWord = Options & SearchOptionBit(sfrWholeWord);
    s.crlf = Options & SearchOptionBit(sfrIncludeCRLF);
    s.space = Options & SearchOptionBit(sfrIncludeSpace);
    s.fold = &FoldTable();
    s.pattern.reserve(size_t(SearchValue.size()));
    for (QChar c : SearchValue)
        s.pattern.push_back(s.matchCase ? c.unicode() : (*s.fold)[c.unicode()]);
    const int L = int(s.pattern.size());

    int dir, C;
    if (Options & SearchOptionBit(sfrDown)) {
        dir = 1;
        Pos.SelStart += Pos.SelLength;
        C = n - Pos.SelStart - L;
        if (C < 0)
            return -1;
    } else {
        dir = -1;
        Pos.SelStart -= L;
        C = Pos.SelStart;
    }
    if (Pos.SelStart < 0 || Pos.SelStart > n)
        return -1;
    int P = Pos.SelStart;
    while (C >= 0) {
        if (s.wholeWord && C > 0 && !s.FindNextWordStart(P, C, dir))
            return -1;
        const int m = s.CompareAt(P);
        // A whole word starts at the buffer start or after a delimiter and
        // ends before a delimiter or at the buffer end.
        if (m >= 0 && (!s.wholeWord || (s.IsDelim(P - 1) && s.IsDelim(P + m)))) {
            Pos.SelLength = m;
            return P;
        }
        P += dir;
        --C;
    }
    return -1;
}

bool SearchBuffer(QStringView Buf, TSearchPos &Pos, const QString &SearchValue, TSearchOptions Options)
{
    const int p = FindInBuffer(Buf, Pos, SearchValue, Options);
    if (p < 0)
        return false;
    Pos.SelStart = p;
    return true;
}
