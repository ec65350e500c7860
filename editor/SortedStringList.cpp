#include "editor/SortedStringList.h"
#include "editor/EditorError.h"

const QString &TSortedStringList::Strings(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EStringListError();
    return FItems[size_t(Index)];
}

int TSortedStringList::Add(const QString &S)
{
    int index;
    if (Find(S, index))
        return index;
    FItems.insert(FItems.begin() + index, S);
    return index;
}

bool TSortedStringList::Find(QStringView S, int &Index) const
{
    int lo = 0, hi = Count() - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = QStringView(FItems[size_t(mid)]).compare(S, Qt::CaseInsensitive);
        if (c < 0) {
            lo = mid + 1;
        } else if (c > 0) {
            hi = mid - 1;
        } else {
            Index = mid;
            return true;
        }
    }
    Index = lo;
    return false;
}

int TSortedStringList::IndexOf(QStringView S) const
{
    int index;
    return Find(S, index) ? index : -1;
}

void TSortedStringList::Delete(int Index)
{
    Strings(Index);
    FItems.erase(FItems.begin() + Index);
}

void TSortedStringList::SetStrings(const QStringList &Strings)
{
    FItems.clear();
    for (const QString &s : Strings)
        Add(s);
}

QStringList TSortedStringList::ToStringList() const
{
    return QStringList(FItems.begin(), FItems.end());
}

QString TSortedStringList::Text() const
{
    QString r;
    for (const QString &s : FItems)
        r += s + QStringLiteral("\r\n");
    return r;
}

void TSortedStringList::SetText(const QString &Text)
{
    FItems.clear();
    qsizetype start = 0;
    const qsizetype n = Text.size();
    while (start < n) {
        qsizetype i = start;
        while (i < n && Text[i] != u'\r' && Text[i] != u'\n')
            ++i;
        Add(Text.mid(start, i - start));
        if (i < n && Text[i] == u'\r')
            ++i;
        if (i < n && Text[i] == u'\n')
            ++i;
        start = i;
    }
}
