#include "editor/heStringList.h"
#include "editor/EditorError.h"
#include "editor/EditorUtils.h"

#include <algorithm>
#include <iterator>

TheStringList::~TheStringList()
{
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TheStringList::RaiseIndexError()
{
    throw EStringListError();
}

int TheStringList::FindBlock(int Index) const
{
    // the last start at or before Index
    const auto it = std::upper_bound(FStarts.begin(), FStarts.end() - 1, Index);
    FHot = int(it - FStarts.begin()) - 1;
    return FHot;
}

void TheStringList::RestartFrom(int Block)
{
    FStarts.resize(FBlocks.size() + 1);
    for (size_t b = size_t(std::max(0, Block)); b < FBlocks.size(); ++b)
        FStarts[b + 1] = FStarts[b] + int(FBlocks[b].size());
    if (FHot >= int(FBlocks.size()))
        FHot = std::max(0, int(FBlocks.size()) - 1);
}

void TheStringList::OpenRows(int Index, int Count)
{
    int b;
    if (FBlocks.empty()) {
        FBlocks.emplace_back();
        FStarts.assign({0, 0});
        b = 0;
    } else if (Index == FCount) {
        b = int(FBlocks.size()) - 1;
        if (int(FBlocks.back().size()) >= kBlock && Count < kBlock) {
            // appending: a new full-sized block, so that loaded rows fill whole blocks
            FBlocks.emplace_back().reserve(size_t(kBlock));
            FStarts.push_back(FCount);
            ++b;
        }
    } else {
        b = BlockOf(Index);
    }
    std::vector<TheStringItem> &block = FBlocks[size_t(b)];
    const size_t pos = size_t(Index - FStarts[size_t(b)]);
    block.insert(block.begin() + std::ptrdiff_t(pos), size_t(Count), TheStringItem());
    if (block.size() > size_t(2 * kBlock)) {
        // split into blocks of kBlock rows
        std::vector<std::vector<TheStringItem>> pieces;
        for (size_t from = 0; from < block.size(); from += size_t(kBlock)) {
            const size_t to = std::min(block.size(), from + size_t(kBlock));
            auto &piece = pieces.emplace_back();
            piece.reserve(to - from);
            std::move(block.begin() + std::ptrdiff_t(from), block.begin() + std::ptrdiff_t(to),
                      std::back_inserter(piece));
        }
        FBlocks.erase(FBlocks.begin() + b);
        FBlocks.insert(FBlocks.begin() + b, std::make_move_iterator(pieces.begin()),
                       std::make_move_iterator(pieces.end()));
    }
    FCount += Count;
    FHot = b;
    RestartFrom(b);
}

void TheStringList::CloseRows(int Index, int Count)
{
    const int first = BlockOf(Index);
    size_t b = size_t(first);
    size_t pos = size_t(Index - FStarts[b]);
    size_t left = size_t(Count);
    while (left > 0) {
        std::vector<TheStringItem> &block = FBlocks[b];
        const size_t take = std::min(left, block.size() - pos);
        if (take == block.size())
            std::vector<TheStringItem>().swap(block);
        else
            block.erase(block.begin() + std::ptrdiff_t(pos), block.begin() + std::ptrdiff_t(pos + take));
        left -= take;
        pos = 0;
        ++b;
    }
    // no block stays empty
    const auto from = FBlocks.begin() + first, to = FBlocks.begin() + std::ptrdiff_t(b);
    FBlocks.erase(std::remove_if(from, to, [](const std::vector<TheStringItem> &x) { return x.empty(); }), to);
    FCount -= Count;
    FHot = 0;
    RestartFrom(first);
    FHot = std::min(first, std::max(0, int(FBlocks.size()) - 1));
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
}

void TheStringList::Insert(int Index, const QString &S)
{
    if (Index < 0 || Index > FCount)
        throw EStringListError();
    Changing();
    if (FCount == FCapacity)
        Grow();
    OpenRows(Index, 1);
    Row(Index).FString = S;
    Changed();
}

void TheStringList::Delete(int Index)
{
    Row(Index);
    Changing();
    CloseRows(Index, 1);
    Changed();
}

void TheStringList::InsertItems(int Index, int Count)
{
    if (Index < 0 || Index > FCount || Count < 0)
        throw EStringListError();
    if (Count == 0)
        return;
    Changing();
    OpenRows(Index, Count);
    FCapacity = std::max(FCapacity, FCount);
    Changed();
}

void TheStringList::DeleteItems(int Index, int Count)
{
    if (Count == 0)
        return;
    if (Index < 0 || Count < 0 || Index + Count > FCount)
        throw EStringListError();
    Changing();
    CloseRows(Index, Count);
    Changed();
}

void TheStringList::Exchange(int Index1, int Index2)
{
    Row(Index1);
    Row(Index2);
    Changing();
    std::swap(Row(Index1), Row(Index2));
    Changed();
}

void TheStringList::Clear()
{
    if (FCount == 0)
        return;
    Changing();
    std::vector<std::vector<TheStringItem>>().swap(FBlocks);
    FStarts.assign(1, 0);
    FHot = 0;
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
    ++FStamp;
    if (FUpdateCount == 0 && OnChanging)
        OnChanging(this);
}

QStringList TheStringList::ToStringList() const
{
    QStringList r;
    r.reserve(FCount);
    for (int i = 0; i < FCount; ++i)
        r.append(Row(i).FString);
    return r;
}

QString TheStringList::Text() const
{
    QString r;
    for (int i = 0; i < FCount; ++i)
        r += Row(i).FString + QStringLiteral("\r\n");
    return r;
}

void TheStringList::SetText(const QString &Text)
{
    SetStringsText(Text, *this);
}
