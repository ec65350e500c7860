#pragma once
// TtvMemo: the SQL editor control of the program's windows, an editor with
// SQL word selection on double click, the completion popup (TtvCodeAssist)
// with the token it completes, keyboard macros (TtvMacroList) and a few
// services for its callers: row-range selection, jump to a line, caret by
// row and index, batch updates and case change.
//
// While the completion popup is open the focus stays in the memo: the memo
// hands its keys and input-method text to the popup first (the popup keeps
// the typed prefix and filters its list), and whatever the popup does not
// use up reaches the memo's own handling, so the memo always shows what was
// typed. A click, a double click, a right-button release, scrolling or
// resizing the memo and the memo losing the focus close the popup.
#include "editor/Editor.h"
#include "editor/tvMacroList.h"

#include <QList>
#include <QPointer>
#include <QStatusBar>

class TtvCodeAssist;

// Geometry of the completion popup, remembered between its openings.
struct TtvCodeAssistSize {
    int Width = 256;
    int Height = 150;
    QList<int> ColumnWidth{125, 90};
};

class TtvMemo : public TEditor {
    Q_OBJECT

public:
    // Built in two steps so that the factories this class overrides are the
    // ones that make its parts.
    explicit TtvMemo(QWidget *Parent = nullptr);
    ~TtvMemo() override;

    // References that forms may set; nothing here reads them.
    QWidget *CaretPosPanel() const { return FCaretPosPanel; }
    void SetCaretPosPanel(QWidget *V) { FCaretPosPanel = V; }
    QStatusBar *CaretPosBar() const { return FCaretPosBar; }
    void SetCaretPosBar(QStatusBar *V) { FCaretPosBar = V; }
    // The shared macro store (not owned; null until the window styling
    // assigns the global MacroList).
    TtvMacroList *MacroList() const { return FMacroList; }
    void SetMacroList(TtvMacroList *V) { FMacroList = V; }

    // The open completion popup or null; the memo closes it (CloseCodeAssist).
    TtvCodeAssist *CodeAssist = nullptr;
    TtvCodeAssistSize CASize;

    // The text left of the caret that completion works on.
    QString GetCodeAssistToken() const;
    // The same for a row's text and the number of its characters left of
    // the caret: a dot after a blank gives "."; a dot after a closing double
    // quote gives the unquoted name with its dot ("Emp". -> Emp.); otherwise
    // the longest run ending at the caret of characters that are no SQL
    // delimiter, dots included (from public.em -> public.em).
    static QString CodeAssistToken(const QString &Row, int CaretIndex);
    // Closes the popup, remembering its size and column widths in CASize.
    void CloseCodeAssist();

    // Selects the whole display rows SP through EP as a drag over the
    // line-number bar does (marks a failing statement).
    void MultiLineSelect(int SP, int EP);
    void BeginUpdate();
    void EndUpdate();
    // Shows the 1-based line Line with up to ten lines of context on both
    // sides and puts the caret at its start.
    void Jump(int Line);
    // The caret to the character SelIndex counted from the start of display
    // row StartRow (crossing into the following rows); clears a selection.
    void SetSelIndex(int StartRow, int SelIndex);
    // Case change of the selected text, one undoable replacement; nothing
    // when read-only or nothing is selected. The changed text stays selected.
    void SelUpperCase();
    void SelLowerCase();

    // Selects the SQL word at a client point (whatever UseFountain and
    // Bracket say): a run of characters that are no SQL delimiter (blank,
    // ( ) % ; . , + - < > { } [ ] " ' CR LF tab) around the point; nothing
    // when the character left of the point is a delimiter or the point is at
    // the start of its row. The token and word commands of the editor
    // (SelectWordFromCaret ...) select through it.
    void SelectTokenAtPos(const QPoint &Pos, bool UseFountain, bool Bracket) override;
    // The undo message of the main window's commands: Redo when WParam is
    // 1, Undo otherwise; nothing when read-only.
    void WMUndo(int WParam);

    // Keyboard macros on the shared MacroList (nothing while it is null).
    // BeginRec: unless recording or running, discards the old macro and
    // records. EndRec: recording -> waiting. CancelRec: recording -> none,
    // discarding what was recorded. Execute: when a macro waits, replays it
    // into this memo: each key goes with its recorded Shift, Ctrl and Alt
    // (the user's real key state is not touched); a key that is a shortcut
    // the memo does not claim goes to MacroList's OnShortCut first.
    // CancelExec: a replay in progress stops after its current key.
    virtual void BeginRec();
    virtual void EndRec();
    virtual void CancelRec();
    virtual void Execute();
    virtual void CancelExec();

protected:
    bool event(QEvent *Event) override;
    void inputMethodEvent(QInputMethodEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void wheelEvent(QWheelEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void DblClick(QMouseEvent *Event) override;
    void WMKillFocus() override;

private:
    void ChangeSelCase(bool Upper);

    QPointer<QWidget> FCaretPosPanel;
    QPointer<QStatusBar> FCaretPosBar;
    QPointer<TtvMacroList> FMacroList;
    int FWheelDelta = 0;
};
