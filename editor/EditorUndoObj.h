#pragma once
// TEditorUndoObj: the undo and redo lists of a row store. Every ReplaceText
// records one TUndoData; applying a record replaces a block of rows by its
// stored text and turns it into its inverse on the other list. Undo puts the
// caret back where it was before the edit, redo where it was after it.
#include "editor/RowAttributeStringList.h"
#include <QString>
#include <memory>
#include <vector>

class TEditorScreenStrings;

struct TUndoData {
    int Row = 0;                         // caret row to restore
    int Col = 0;                         // caret column to restore
    int DataRow = -1;                    // first row of the block
    int DeleteCount = 0;                 // rows to remove at DataRow
    TRowAttribute RowAttribute = raInvalid; // last inserted row's attribute; raInvalid: nothing to insert
    QString InsertStr;                   // text to insert at DataRow
    // A record of characters (TEditorScreenStrings::ReplaceChars) when Index
    // is not -1: the characters from Index of row DataRow up to EndIndex of
    // row EndRow are replaced by InsertStr (DeleteCount and RowAttribute
    // unused).
    int Index = -1;
    int EndRow = -1;
    int EndIndex = -1;
};

// Owns its records.
class TUndoDataList {
public:
    int Count() const { return int(FItems.size()); }
    TUndoData *Items(int Index) const { return FItems[size_t(Index)].get(); }
    TUndoData *Last() const { return FItems.empty() ? nullptr : FItems.back().get(); }
    TUndoData *Add(std::unique_ptr<TUndoData> Item);
    void Delete(int Index);
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TUndoData>> FItems;
};

class TEditorUndoObj {
public:
    explicit TEditorUndoObj(TEditorScreenStrings *List) : FList(List) {}
    virtual ~TEditorUndoObj() = default;

    virtual TUndoData *NewUndoData();
    virtual bool CanRedo() const { return FRedoList.Count() > 0; }
    virtual bool CanUndo() const { return FUndoList.Count() > 0; }
    virtual void Redo();
    virtual void Undo();
    virtual void PushRedo(const TUndoData &Data);
    virtual void Clear();

    int ListMax() const { return FListMax; }
    void SetListMax(int Value) { FListMax = Value; }
    const TUndoDataList &UndoList() const { return FUndoList; }
    const TUndoDataList &RedoList() const { return FRedoList; }

private:
    void Apply(TUndoDataList &From, bool IsUndo);
    // Applies a record of rows; Back gets the record that undoes it.
    void ApplyRows(const TUndoData &R, TUndoData &Back, int &Deleted, int &Inserted);
    void CaretOfActiveClient(int &Row, int &Col) const;

    TEditorScreenStrings *FList;
    int FListMax = 64;
    bool FRedoing = false;
    TUndoDataList FRedoList;
    TUndoDataList FUndoList;
};
