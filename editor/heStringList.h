#pragma once
// TheStringList: a list of rows, each with its text, a second text
// (DataStr), a free pointer-sized word and two 32-bit attribute words.
//
// OnChanging / OnChange fire around every change of the texts (Put, Add,
// Insert, Delete, Exchange, Clear); inside BeginUpdate / EndUpdate they fire
// once, at the outermost calls. Reading or writing the per-row words and
// DataStr fires nothing. Every index outside the list raises
// EStringListError ("リストのインデックスが範囲を超えています") and leaves the
// list unchanged.
#include "editor/Persistent.h"
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

struct TheStringItem {
    QString FString;
    QString FDataStr;
    std::intptr_t FData = 0;
    std::uint32_t FItem = 0;
    std::uint32_t FItem2 = 0;
};

class TheStringList : public TPersistent {
public:
    TheStringList() = default;
    ~TheStringList() override;
    const char *ClassName() const override { return "TheStringList"; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    int Count() const { return FCount; }
    int GetCount() const { return FCount; }
    int Capacity() const { return FCapacity; }

    const QString &Get(int Index) const;
    const QString &operator[](int Index) const { return Get(Index); }
    void Put(int Index, const QString &S);

    // Appends S; returns its index.
    int Add(const QString &S);
    // 0 <= Index <= Count.
    void Insert(int Index, const QString &S);
    void Delete(int Index);
    void Exchange(int Index1, int Index2);
    void Clear();
    // Block changes: Count empty rows inserted before Index (0 <= Index <=
    // Count), Count rows removed from Index; the rows after the block move as
    // a whole. One change notification each.
    void InsertItems(int Index, int Count);
    void DeleteItems(int Index, int Count);

    std::intptr_t GetData(int Index) const { return Row(Index).FData; }
    void PutData(int Index, std::intptr_t Data) { Row(Index).FData = Data; }
    const QString &GetDataStr(int Index) const { return Row(Index).FDataStr; }
    void PutDataStr(int Index, const QString &Data) { Row(Index).FDataStr = Data; }
    std::uint32_t GetItem(int Index) const { return Row(Index).FItem; }
    void PutItem(int Index, std::uint32_t Item) { Row(Index).FItem = Item; }
    std::uint32_t GetItem2(int Index) const { return Row(Index).FItem2; }
    void PutItem2(int Index, std::uint32_t Item) { Row(Index).FItem2 = Item; }

    // Nested grouping: OnChanging at the first BeginUpdate, OnChange at the
    // last EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    // Changes with every change of the texts (not of the per-row words):
    // what was worked out from the texts at one stamp still holds while the
    // stamp stays.
    std::uint64_t TextStamp() const { return FStamp; }

    // The rows' texts, as a list and as one text (each row followed by CR LF).
    QStringList ToStringList() const;
    QString Text() const;
    // Replaces every row by the lines of Text (CR LF, LF or CR end a line).
    void SetText(const QString &Text);

protected:
    virtual void SetUpdateState(bool Updating);
    virtual void Changed();
    virtual void Changing();

    TheStringItem &Row(int Index)
    {
        if (Index < 0 || Index >= FCount)
            RaiseIndexError();
        const int b = BlockOf(Index);
        return FBlocks[size_t(b)][size_t(Index - FStarts[size_t(b)])];
    }
    const TheStringItem &Row(int Index) const
    {
        if (Index < 0 || Index >= FCount)
            RaiseIndexError();
        const int b = BlockOf(Index);
        return FBlocks[size_t(b)][size_t(Index - FStarts[size_t(b)])];
    }

private:
    void Grow();
    [[noreturn]] static void RaiseIndexError();
    // The block holding row Index (0 <= Index < Count).
    int BlockOf(int Index) const
    {
        const int b = FHot;
        if (Index >= FStarts[size_t(b)] && Index < FStarts[size_t(b) + 1])
            return b;
        if (Index >= FStarts[size_t(b) + 1] && size_t(b) + 2 < FStarts.size() && Index < FStarts[size_t(b) + 2])
            return FHot = b + 1;
        return FindBlock(Index);
    }
    int FindBlock(int Index) const;
    // Opens Count empty rows before Index / removes Count rows from Index.
    void OpenRows(int Index, int Count);
    void CloseRows(int Index, int Count);
    void RestartFrom(int Block);

    // The rows sit in blocks of about kBlock rows, so that inserting or
    // deleting rows moves the rows of one block and the block starts, never
    // every row below: an edit in a long text costs about the same as in a
    // short one. FStarts[b] is the index of block b's first row, and one more
    // entry holds Count; no block is empty.
    static constexpr int kBlock = 1024;
    std::vector<std::vector<TheStringItem>> FBlocks;
    std::vector<int> FStarts{0};
    mutable int FHot = 0; // the block of the last look-up (rows are read in runs)
    int FCount = 0;
    int FCapacity = 0;
    int FUpdateCount = 0;   // the list's own count (SetUpdateState)
    int FBeginUpdates = 0;  // BeginUpdate nesting
    std::uint64_t FStamp = 0;
};
