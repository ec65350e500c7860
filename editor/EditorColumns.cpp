#include "editor/EditorColumns.h"
#include "editor/EditorUtils.h"

#include <algorithm>

TCharSet DefaultDelimiters()
{
    TCharSet s;
    auto range = [&s](int a, int b) {
        for (int c = a; c <= b; ++c)
            s.Include(c);
    };
    range(0, 47);
    range(58, 64);
    range(91, 94);
    range(96, 96);
    range(123, 128);
    range(160, 165);
    range(253, 255);
    return s;
}

namespace {

// Walks the code points of S and reports the cells of each UTF-16 unit.
// Visit(kind, count) appends count codes of kind; returning false stops.
template <class Append>
void WalkColumns(QStringView S, const TColumnSettings &St, Append &&append)
{
    const int limit = St.Limit();
    const int tab = std::max(1, St.TabSpaceCount);
    const int wrap = std::max(1, St.WrapByte);
    int len = 0;
    const qsizetype n = S.size();
    const char16_t *p = reinterpret_cast<const char16_t *>(S.data());
    for (qsizetype i = 0; i < n && len < limit; ++i) {
        const char16_t u = p[i];
        if (u < 0x80) {
            // plain ASCII: the fast path
            const char code = St.Delimiters.Contains(u) ? '2' : '1';
            append(code, 1);
            ++len;
            if (u == u'\t') {
                int fill = tab - ((len - 1) % tab) - 1;
                if (St.WordWrap)
                    fill = std::min(fill, wrap - ((len - 1) % wrap) - 1);
                fill = std::min(fill, limit - len);
                if (fill > 0) {
                    append('3', fill);
                    len += fill;
                }
            }
            continue;
        }
        char32_t cp = u;
        bool pair = false;
        if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(p[i + 1])) {
            cp = (char32_t(u & 0x3FF) << 10 | (p[i + 1] & 0x3FF)) + 0x10000;
            pair = true;
        }
        const bool lone = !pair && (IsHighSurrogate(u) || IsLowSurrogate(u));
        const bool wide = !lone && IsWideClass(EastAsianWidthClass(cp), St.AmbiguousIsWide);
        if (wide) {
            append('4', 1);
            append('5', 1);
            len += 2;
        } else {
            append(St.Delimiters.Contains(cp) ? '2' : '1', 1);
            ++len;
        }
        if (pair) {
            // the second unit of the pair owns cells of its own
            ++i;
            if (len < limit) {
                if (wide) {
                    append('4', 1);
                    append('5', 1);
                    len += 2;
                } else {
                    append('2', 1);
                    ++len;
                }
            }
        }
    }
}

} // namespace

QString ColumnKinds(QStringView S, const TColumnSettings &Settings)
{
    // written straight into a buffer sized for the longest result: a tab
    // adds at most TabSpaceCount codes, a character at most two, and the
    // walk stops at the limit (a double-width character may pass it by one)
    const qsizetype room = std::min<qsizetype>(S.size() * std::max(2, Settings.TabSpaceCount), Settings.Limit() + 4);
    QString r(room, Qt::Uninitialized);
    char16_t *p = reinterpret_cast<char16_t *>(r.data());
    qsizetype n = 0;
    WalkColumns(S, Settings, [p, &n](char code, int count) {
        for (int i = 0; i < count; ++i)
            p[n++] = char16_t(code);
    });
    r.truncate(n);
    return r;
}

int ExpandTabLength(QStringView S, const TColumnSettings &Settings)
{
    int len = 0;
    WalkColumns(S, Settings, [&len](char, int count) { len += count; });
    return len;
}

QString ExpandTab(const QString &S, const TColumnSettings &Settings)
{
    if (!S.contains(u'\t'))
        return S;
    const int tab = std::max(1, Settings.TabSpaceCount);
    const int wrap = std::max(1, Settings.WrapByte);
    TColumnSettings unlimited = Settings;
    unlimited.WordWrap = false;
    QString r;
    r.reserve(S.size() + 16);
    int w = 0; // width of the result so far
    const qsizetype n = S.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = S[i].unicode();
        if (u == u'\t') {
            int fill = tab - (w % tab);
            if (Settings.WordWrap)
                fill = std::min(fill, wrap - (w % wrap));
            r.append(QString(fill, QChar(27)));
            w += fill;
            continue;
        }
        qsizetype len = 1;
        if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(S[i + 1].unicode()))
            len = 2;
        const QStringView ch = QStringView(S).mid(i, len);
        r.append(ch);
        w += ExpandTabLength(ch, unlimited);
        i += len - 1;
    }
    return r;
}

int NonCharColumns(QStringView Kinds, int N)
{
    const int n = int(Kinds.size());
    int r = 0;
    const int a = std::clamp(N, 0, n);
    const int b = std::clamp(N - 1, 0, n);
    const QChar *p = Kinds.data();
    for (int i = 0; i < a; ++i) {
        const char16_t c = p[i].unicode();
        if (c == u'3' || (c == u'4' && i < b))
            ++r;
    }
    return r;
}

int ColToCharStart(QStringView Kinds, int N)
{
    if (KindAt(Kinds, N - 1) == u'5')
        ++N;
    else
        while (KindAt(Kinds, N - 1) == u'3')
            ++N;
    return N - NonCharColumns(Kinds, N);
}

int ColToCharEnd(QStringView Kinds, int N)
{
    if (KindAt(Kinds, N - 1) != u'4') {
        while (KindAt(Kinds, N - 1) == u'3')
            --N;
    } else {
        ++N;
    }
    return N - NonCharColumns(Kinds, N);
}

bool IsHalfWidthChar(QStringView S)
{
    if (S.size() != 1)
        return false;
    const char16_t c = S[0].unicode();
    return (c >= 0x20 && c <= 0x7E) || (c >= 0xFF61 && c <= 0xFF9F);
}

int IndentWidth(QStringView S, const TColumnSettings &Settings)
{
    if (S.isEmpty())
        return -1;
    const int tab = std::max(1, Settings.TabSpaceCount);
    const int wrap = std::max(1, Settings.WrapByte);
    int sum = 0;
    for (QChar c : S) {
        if (c == u' ')
            sum += 1;
        else if (c == QChar(WideBlank))
            sum += 2;
        else if (c == u'\t')
            sum += Settings.WordWrap ? std::min(tab - sum % tab, wrap - sum % wrap) : tab - sum % tab;
        else
            break;
    }
    return sum;
}
