#pragma once
// TEditorScreenStrings: the row store of one or more editors. It holds the
// text as display rows (a logical line is one row, or several with word
// wrap), each with how it ends, the colouring state at its start and its row
// marks. Every change of the text is one ReplaceText, which rebuilds the
// touched logical lines, records one undo step, updates the colouring state
// below as far as it changes and leaves the draw info that the clients
// apply when the change is announced (at the end of the outermost update).
//
// Ownership: the first editor creates it; editors share it by ExchangeList;
// RemoveClient deletes the store when its last client leaves. A store that
// never had a client is owned by whoever created it.
#include "editor/EditorClient.h"
#include "editor/EditorStringList.h"
#include "editor/EditorWrapOption.h"
#include <algorithm>
#include <memory>
#include <vector>

class TEditorUndoObj;
class TFountainParser;
struct TUndoData;

// Pending repaint of the last change.
struct TEditorDrawInfo {
    int Start = 0;   // first changed row
    int Delete = 0;  // rows removed there
    int Insert = 0;  // rows put there
    int Invalid = 0; // rows whose state changed, counted from Start
    bool NeedUpdate = false;
};

// Text, attribute and row count of a block of rows.
struct TRowsText {
    QString Text;
    TRowAttribute Attribute = raInvalid;
    int Count = 0;
};

class TEditorScreenStrings : public TEditorStringList {
public:
    TEditorScreenStrings();
    ~TEditorScreenStrings() override;
    const char *ClassName() const override { return "TEditorScreenStrings"; }

    // Call after construction: builds the undo object and the wrap settings
    // through the factories.
    void Init();

    // Clients.
    void AddClient(TEditorClient *Client);
    // Removes the client; deletes the store when no client is left (only
    // when it ever had one). Returns true when the store was deleted.
    bool RemoveClient(TEditorClient *Client);
    int ClientCount() const { return int(FClients.size()); }
    TEditorClient *Client(int Index) const { return FClients[size_t(Index)]; }
    TEditorClient *FirstClient() const { return FClients.empty() ? nullptr : FClients.front(); }
    // The first focused client, else the first.
    TEditorClient *ActiveClient() const;

    TEditorUndoObj *UndoObj() const { return FUndoObj.get(); }
    TEditorWrapOption *WrapOption() const { return FWrapOption.get(); }
    void SetWrapOption(const TEditorWrapOption &Value) { FWrapOption->Assign(Value); }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    const TEditorDrawInfo &DrawInfo() const { return FDrawInfo; }

    // The measuring settings: the first client's, with this store's wrap.
    TColumnSettings ColumnSettings() const;

    // Change notification: DoChange of every client.
    void NotifyClients(TPersistent *Sender);
    void Clear();
    void Undo();
    void Redo();

    virtual void IncludeRowMarks(TRowMarks Marks) { FValidRowMarks |= Marks; }
    virtual void ExcludeRowMarks(TRowMarks Marks) { FValidRowMarks &= TRowMarks(~Marks); }
    virtual TRowMarks ValidRowMarks() const { return FValidRowMarks; }

    int FirstRowOfLine(int Row) const;
    int LastRowOfLine(int Row) const;
    // Count rows from Index (-1: to the end of the logical line) joined, CR LF
    // after each raCrlf row.
    TRowsText GetRowsText(int Index, int Count) const;
    // Appends CR LF when the row exists and is raCrlf.
    void AppendLineEnd(int Row, QString &Text) const;

    // Replaces Count rows from Row by Text (CR LF, LF or CR end lines);
    // Count 0 inserts before Row, an empty Text deletes. One undo step.
    void ReplaceText(int Row, int Count, const QString &Text);
    // Replaces the characters from character Index of row Row up to
    // character EndIndex of row EndRow by Text (which may hold line ends):
    // the same change, and the same one undo step, as ReplaceText of those
    // rows with their text so edited. Without word wrap (rows being lines)
    // only the rows split or joined are copied, and the undo step keeps the
    // replaced characters instead of the rows. Nothing when a position is
    // outside the rows.
    void ReplaceChars(int Row, int Index, int EndRow, int EndIndex, const QString &Text);
    // The characters between two such positions (CR LF after each raCrlf row).
    QString CharsText(int Row, int Index, int EndRow, int EndIndex) const;
    void ReplaceRows(int Index, int OldCount, const TRowAttributeStringList &Rows);
    TRowMarks DeleteRows(int Index, int Count);

    void InitRowStates();
    int UpdateRowStates(int Row, bool Notify);
    // Computes the states of rows still without one, from the first such
    // row, parsing at most MaxRows rows; returns where it goes on, or -1 when
    // every row has its state. Lets an editor finish the colouring of a long
    // text in idle time instead of when a far row is first shown. The store
    // remembers how far from the top every row has its state, so a call
    // never scans the rows above again.
    int ContinueRowStates(int MaxRows);
    // Every row above this one has its colouring state.
    int StatesDoneTo() const { return FStatesDone; }
    void SetDrawInfo(int Start, int Delete, int Insert, int Invalid);
    void ClearDrawInfo() { FDrawInfo = TEditorDrawInfo(); }

    void ClampClientRows();
    void CleanClientSelections();
    void ResetClientCols();
    void RefreshClients();

    // Word wrap (the rows of Text; the caller sets the last row's attribute).
    virtual void WrapText(const QString &Text, TRowAttributeStringList &List);
    virtual int WrapRowCount(const QString &Line);
    void WrapAllRows();
    void UnwrapRows();
    void WrapOptionChanged(TPersistent *Sender);

    // Appends the lines of Text as rows without undo, wrapping or parsing
    // (each raCrlf; the last raEof when Text does not end with a line end).
    void LoadText(const QString &Text);

protected:
    virtual std::unique_ptr<TEditorUndoObj> CreateUndoObj();
    virtual std::unique_ptr<TEditorWrapOption> CreateWrapOption();
    void SetUpdateState(bool Updating) override;

private:
    // Breaks one logical line into rows (word wrap on).
    void WrapLine(const QString &Line, const TColumnSettings &Settings, std::vector<QString> &Rows) const;
    int ScreenRows(const TEditorClient *Client) const;
    std::unique_ptr<TFountainParser> CreateParser() const;

    std::vector<TEditorClient *> FClients;
    bool FHadClient = false;
    TEditorDrawInfo FDrawInfo;
    // How far from the top every row has its state: rows [0, FStatesDone)
    // do. An edit takes it back to the edited rows and remembers that the
    // rows after them up to FResumeTo (from FResumeFrom on) still have
    // theirs, so that once the edited rows are parsed again it returns there
    // instead of to rows that the idle colouring would have to walk through.
    int FStatesDone = 0;
    int FResumeFrom = -1, FResumeTo = -1;
    bool FReplacing = false;
    // The work of ReplaceText and ReplaceChars (and of applying an undo
    // record): Undo describes the way back; the rows from From on,
    // Deleted of them, became Inserted rows.
    void RebuildRows(int Row, int Count, const QString &Text, TUndoData &Undo, int &From, int &Deleted,
                     int &Inserted);
    void SpliceChars(int Row, int Index, int EndRow, int EndIndex, const QString &Text, TUndoData &Undo, int &From,
                     int &Deleted, int &Inserted);
    bool ValidChars(int Row, int Index, int EndRow, int EndIndex) const;
    friend class TEditorUndoObj;
    void StatesReset();
    void StatesReplaced(int Index, int OldCount, int NewCount);
    void StatesComputed(int From, int To);
    void StatesLost(int From);
    TRowMarks FValidRowMarks = 0;
    std::unique_ptr<TEditorUndoObj> FUndoObj;
    bool FWordWrap = false;
    std::unique_ptr<TEditorWrapOption> FWrapOption;
};
