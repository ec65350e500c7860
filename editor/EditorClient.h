#pragma once
// TEditorClient: what a row store (TEditorScreenStrings) and its undo object
// need of the editors that show it. TEditor implements it; the row store can
// also run without any client (tests, text processing), then it measures
// with the default settings and restores no caret.
#include "editor/EditorColumns.h"

class TFountain;

class TEditorClient {
public:
    virtual ~TEditorClient() = default;

    // The row store announces a change (its draw info is pending).
    virtual void DoChange() = 0;
    // The client has the input focus.
    virtual bool Focused() const = 0;
    // The client is being loaded or destroyed: no parsing for it.
    virtual bool IsLoading() const { return false; }
    virtual bool IsDestroying() const { return false; }
    // The token parser factory used to colour the rows (may be null).
    virtual TFountain *GetActiveFountain() = 0;
    // Every row state is computed at once (else only the first screens).
    virtual bool InitBracketsFull() const = 0;
    // Measuring settings of the client (word wrap fields are the store's).
    virtual TColumnSettings ColumnSettings() const = 0;
    // Visible text height in pixels and the height of one row.
    virtual int ScreenHeight() const = 0;
    virtual int RowHeight() const = 0;
    virtual int TopRow() const = 0;
    virtual void SetTopRow(int Value) = 0;
    // Caret position (display row and column).
    virtual int Row() const = 0;
    virtual void SetRow(int Value) = 0;
    virtual int Col() const = 0;
    virtual void SetCol(int Value) = 0;
    virtual void BeginCaretUpdate() = 0;
    virtual void EndCaretUpdate() = 0;
    // Selection: any selection shown (also a search hit), and its removal.
    virtual bool SelectedData() const = 0;
    virtual void CleanSelection() = 0;
    // The text part of one row needs painting.
    virtual void InvalidateRow(int Row) = 0;
    // Measure the font, set the scroll information, repaint everything.
    virtual void RefreshClient() = 0;
};
