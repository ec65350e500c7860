#include "editor/heStringList.h"
#include "editor/EditorError.h"
#include "editor/EditorUtils.h"

#include <algorithm>

TheStringList::~TheStringList()
{
    OnChange = nullptr;
    OnChanging = nullptr;
}

TheStringItem &TheStringList::Row(int Index)
{
    if (Index < 0 || Index >= FCount)
        throw EStringListError();
    return FList[size_t(Index)];
}

const TheStringItem &TheStringList::Row(int Index) const
{
    if (Index < 0 || Index >= FCount)
        throw EStringListError();
    return FList[size_t(Index)];
}

const QString &TheStringList::Get(int Index) const
{
    return Row(Index).FString;
}

void TheStringList::Put(int Index, const QString &S)
{
    TheStringItem &row = Row(Index);
    Changing();
    row.FString = S;
    Changed();
}

int TheStringList::Add(const QString &S)
{
    const int index = FCount;
    Insert(index, S);
    return index;
}

void TheStringList::Grow()
{
    const int delta = FCapacity > 64 ? FCapacity / 4 : FCapacity > 8 ? 16 : 4;
    FCapacity += delta;
    FList.reserve(size_t(FCapacity));
}

void TheStringList::Insert(int Index, const QString &S)
{
    if (Index < 0 || Index > FCount)
        throw EStringListError();
    Changing();
    if (FCount == FCapacity)
        Grow();
    TheStringItem item;
    item.FString = S;
    FList.insert(FList.begin() + Index, std::move(item));
    ++FCount;
    Changed();
}

void TheStringList::Delete(int Index)
{
    Row(Index);
    Changing();
    FList.erase(FList.begin() + Index);
    --FCount;
    Changed();
}

void TheStringList::InsertItems(int Index, int Count)
{
    if (Index < 0 || Index > FCount || Count < 0)
        throw EStringListError();
    if (Count == 0)
        return;
    Changing();
    FList.insert(FList.begin() + Index, size_t(Count), TheStringItem());
    FCount += Count;
    FCapacity = std::max(FCapacity, int(FList.capacity()));
    Changed();
}

void TheStringList::DeleteItems(int Index, int Count)
{
    if (Count == 0)
        return;
    if (Index < 0 || Count < 0 || Index + Count > FCount)
        throw EStringListError();
    Changing();
    FList.erase(FList.begin() + Index, FList.begin() + Index + Count);
    FCount -= Count;
    Changed();
}

void TheStringList::Exchange(int Index1, int Index2)
{
    Row(Index1);
    Row(Index2);
    Changing();
    std::swap(FList[size_t(Index1)], FList[size_t(Index2)]);
    Changed();
}

void TheStringList::Clear()
{
    if (FCount == 0)
        return;
    Changing();
    FList.clear();
    FList.shrink_to_fit();
    FCount = 0;
    FCapacity = 0;
    Changed();
}

void TheStringList::BeginUpdate()
{
    if (FBeginUpdates++ == 0)
        SetUpdateState(true);
}

void TheStringList::EndUpdate()
{
    if (FBeginUpdates > 0 && --FBeginUpdates == 0)
        SetUpdateState(false);
}

void TheStringList::SetUpdateState(bool Updating)
{
    if (Updating) {
        Changing();
        ++FUpdateCount;
    } else {
        --FUpdateCount;
        Changed();
    }
}

void TheStringList::Changed()
{
    if (FUpdateCount == 0 && OnChange)
        OnChange(this);
}

void TheStringList::Changing()
{
    if (FUpdateCount == 0 && OnChanging)
        OnChanging(this);
}

QStringList TheStringList::ToStringList() const
{
    QStringList r;
    r.reserve(FCount);
    for (int i = 0; i < FCount; ++i)
        r.append(FList[size_t(i)].FString);
    return r;
}

QString TheStringList::Text() const
{
    QString r;
    for (int i = 0; i < FCount; ++i)
        r += FList[size_t(i)].FString + QStringLiteral("\r\n");
    return r;
}

void TheStringList::SetText(const QString &Text)
{
    SetStringsText(Text, *this);
}
