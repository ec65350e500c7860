#include "common/tvParseList.h"

#include "platform/Errors.h"

void TtvParseList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= FCount)
        throw tv::Error(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
}

void TtvParseList::Grow()
{
    int delta = 4;
    if (FCapacity > 64)
        delta = FCapacity / 4;
    else if (FCapacity > 8)
        delta = 16;
    FCapacity += delta;
    FList.reserve(size_t(FCapacity));
}

int TtvParseList::Add(const QString &AObjectName, const QString &AAlias)
{
    const int index = FCount;
    Insert(index, AObjectName, AAlias);
    return index;
}

void TtvParseList::Insert(int Index, const QString &AObjectName, const QString &AAlias)
{
    if (Index < 0 || Index > FCount)
        throw tv::Error(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    if (FCount == FCapacity)
        Grow();
    FList.insert(FList.begin() + Index, TtvParseItem{AObjectName, AAlias});
    ++FCount;
}

void TtvParseList::Delete(int Index)
{
    CheckIndex(Index);
    FList.erase(FList.begin() + Index);
    --FCount;
}

void TtvParseList::Clear()
{
    FList.clear();
    FList.shrink_to_fit();
    FCount = 0;
    FCapacity = 0;
}

int TtvParseList::IndexOf(const QString &AObjectName, const QString &AAlias) const
{
    for (int i = 0; i < FCount; ++i) {
        if (FList[size_t(i)].FObjectName == AObjectName && FList[size_t(i)].FAlias == AAlias)
            return i;
    }
    return -1;
}

QString TtvParseList::GetObjectName(int Index) const
{
    CheckIndex(Index);
    return FList[size_t(Index)].FObjectName;
}

void TtvParseList::SetObjectName(int Index, const QString &Value)
{
    CheckIndex(Index);
    FList[size_t(Index)].FObjectName = Value;
}

QString TtvParseList::GetAlias(int Index) const
{
    CheckIndex(Index);
    return FList[size_t(Index)].FAlias;
}

void TtvParseList::SetAlias(int Index, const QString &Value)
{
    CheckIndex(Index);
    FList[size_t(Index)].FAlias = Value;
}
