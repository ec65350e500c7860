#pragma once
// TEditor: the custom-painted multi-line text editor behind every SQL and DDL
// text. It paints everything itself from its state (ruler, image bar,
// line-number bar, coloured rows, selection, marks and its own caret). Its
// text lives in a row store of display rows (TEditorScreenStrings) that
// several editors may share (ExchangeList); Lines is the facade over the
// logical lines.
//
// Coordinates: client pixels are those of the viewport; display rows and
// columns are cells of ColWidth x RowHeight pixels (a tab fills to its tab
// stop, a double-width character takes two cells); character indexes are
// UTF-16 units of a row; character offsets count each line end as two.
// A row is mapped, drawn and reached by the caret only up to column 10000.
//
// The window exists from construction: an editor on a hidden page measures,
// maps and scrolls as a shown one does. Every "draw now" is an update of the
// affected rectangle; painting happens in paintEvent.
#include "editor/EditorCaret.h"
#include "editor/EditorClient.h"
#include "editor/EditorImagebar.h"
#include "editor/EditorLeftbar.h"
#include "editor/EditorMargin.h"
#include "editor/EditorMarks.h"
#include "editor/EditorRuler.h"
#include "editor/EditorScreenStrings.h"
#include "editor/EditorSpeed.h"
#include "editor/EditorTypes.h"
#include "editor/EditorViewInfo.h"
#include "editor/EditTarget.h"
#include "editor/FountainParser.h"
#include "editor/TextSearch.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QRawFont>
#include <QTimer>
#include <functional>
#include <memory>

class TEditor;
class TEditorScreen;
class TEditorStrings;
class TEditorUndoObj;
struct TEditorGlyphs;
struct TEditorGlyphStyle;
class QPainter;
class QMimeData;
class QIODevice;

// MIME type that marks clipboard text as a box selection (the private
// clipboard format CF_BOXTEXT_NAME of the editor).
inline constexpr const char *CF_BOXTEXT_MIME = "application/x-teditor-box";

enum TEditorSelectionMode : std::uint8_t { smLine, smBox };
enum TEditorSelectionState : std::uint8_t { sstNone, sstInit, sstSelected, sstHitSelected };
enum TEditorSelDragState : std::uint8_t { sdNone, sdInit, sdDragging };
enum TEditorMouseCursorState : std::uint8_t {
    mcClient, mcLeftMargin, mcTopMargin, mcInSel, mcDragging, mcDraggingCopy
};
enum TBorderStyle : std::uint8_t { bsNone, bsSingle };

struct TSelectedPosition {
    int Sr = 0; // first row
    int Er = 0; // last row
    int Sc = 0; // start column or character index
    int Ec = 0; // end column or character index
    bool operator==(const TSelectedPosition &) const = default;
};

struct TEditorStrInfo {
    int Line = -1;
    int CharIndex = -1;
};

using TEditorEvent = std::function<void(TEditor *Sender)>;
using TDrawLineEvent =
    std::function<void(TEditor *Sender, const QString &LineStr, int X, int Y, int Index, QRect &ARect, bool Selected)>;
using TSelectionChangeEvent = std::function<void(TEditor *Sender, bool Selected)>;

class TEditor : public QAbstractScrollArea, public TEditorClient, public TEditTarget {
    Q_OBJECT

public:
    explicit TEditor(QWidget *Parent = nullptr);
    ~TEditor() override;

    // --- settings objects (writing copies the values in) ---------------------
    TEditorCaret *Caret() const { return FCaret.get(); }
    void SetCaret(const TEditorCaret &V) { FCaret->Assign(V); }
    TEditorImagebar *Imagebar() const { return FImagebar.get(); }
    void SetImagebar(const TEditorImagebar &V) { FImagebar->Assign(V); }
    TEditorLeftbar *Leftbar() const { return FLeftbar.get(); }
    void SetLeftbar(const TEditorLeftbar &V) { FLeftbar->Assign(V); }
    TEditorMarks *Marks() const { return FMarks.get(); }
    void SetMarks(const TEditorMarks &V) { FMarks->Assign(V); }
    TEditorMargin *Margin() const { return FMargin.get(); }
    void SetMargin(const TEditorMargin &V) { FMargin->Assign(V); }
    TEditorRuler *Ruler() const { return FRuler.get(); }
    void SetRuler(const TEditorRuler &V) { FRuler->Assign(V); }
    TEditorSpeed *Speed() const { return FSpeed.get(); }
    void SetSpeed(const TEditorSpeed &V) { FSpeed->Assign(V); }
    TEditorViewInfo *View() const { return FView.get(); }
    void SetView(const TEditorViewInfo &V) { FView->Assign(V); }
    TEditorWrapOption *WrapOption() const { return FList->WrapOption(); }
    void SetWrapOption(const TEditorWrapOption &V) { FList->SetWrapOption(V); }

    // --- published properties ---------------------------------------------------
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle V);
    TColor Color() const { return FColor; }
    void SetColor(TColor V);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor V);
    TFontStyles FontStyle() const;
    TFountain *Fountain() const { return FFountain; }
    void SetFountain(TFountain *V);
    TEditorHitStyle HitStyle() const { return FHitStyle; }
    void SetHitStyle(TEditorHitStyle V);
    const QList<QPixmap> *ImageDigits() const { return FImageDigits; }
    void SetImageDigits(const QList<QPixmap> *V);
    const QList<QPixmap> *ImageMarks() const { return FImageMarks; }
    void SetImageMarks(const QList<QPixmap> *V);
    TEditorStrings *Lines() const { return FLines.get(); }
    // Plain assignment: each string one raCrlf row (see TEditorStrings::Assign
    // for the facade's assignment).
    void SetLines(const QStringList &V);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool V);
    const TSortedStringList &ReserveWordList() const;
    void SetReserveWordList(const QStringList &V);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle V);
    int ScrollMax() const { return FHScrollMax; }
    int UndoListMax() const;
    void SetUndoListMax(int V);
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool V) { FWantReturns = V; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool V) { FWantTabs = V; }
    bool WordWrap() const { return FList->WordWrap(); }
    void SetWordWrap(bool V) { FList->SetWordWrap(V); }
    const QFont &MBCSFont() const { return FMBCSFont; }
    void SetMBCSFont(const QFont &V);
    bool UseMBCSFont() const { return FUseMBCSFont; }
    void SetUseMBCSFont(bool V);
    const QString &HitText() const { return FHitText; }
    void SetHitText(const QString &V);

    TEditorEvent OnCaretMoved;
    TEditorEvent OnChange;
    TDrawLineEvent OnDrawLine;
    TSelectionChangeEvent OnSelectionChange;
    TEditorEvent OnSelectionModeChange;
    TEditorEvent OnTopColChange;
    TEditorEvent OnTopRowChange;

    // --- public properties ----------------------------------------------------
    TFountain *ActiveFountain() { return GetActiveFountain(); }
    int Col() const override { return FCol; }
    void SetCol(int V) override;
    int ColCount() const { return FColCount; }
    int ColWidth() const { return FFontWidth; }
    TEditorMouseCursorState CursorState() const { return FCursorState; }
    void SetCursorState(TEditorMouseCursorState V);
    const TCharSet &Delimiters() const { return FDelimiters; }
    void SetDelimiters(const TCharSet &V);
    TEditorUndoObj *EditorUndoObj() const;
    int FontHeight() const { return FFontHeight; }
    bool HitSelected() const { return FSelectionState == sstHitSelected; }
    int HitSelLength() const { return FHitSelLength; }
    void SetHitSelLength(int V);
    TEditorScreenStrings *InternalList() const { return FList; }
    int ListCount() const { return FList->Count(); }
    int LeftScrollWidth() const { return FLeftScrollWidth; }
    bool Modified() const { return FModified; }
    void SetModified(bool V) { FModified = V; }
    bool OverWrite() const { return FOverWrite; }
    void SetOverWrite(bool V);
    int Row() const override { return FRow; }
    void SetRow(int V) override;
    int RowCount() const { return FRowCount; }
    int RowHeight() const override;
    TSelectedPosition SelDrawPosition() const { return FSelDraw; }
    TSelectedPosition SelStrPosition() const { return FSelStr; }
    bool Selected() const { return FSelectionState == sstSelected; }
    bool SelectedData() const override { return FSelectionState == sstSelected || FSelectionState == sstHitSelected; }
    bool SelectedDraw() const
    {
        return FSelectionState == sstSelected || (FSelectionState == sstHitSelected && FHitStyle == hsDraw);
    }
    TEditorSelectionMode SelectionMode() const { return FSelectionMode; }
    void SetSelectionMode(TEditorSelectionMode V);
    TEditorSelectionState SelectionState() const { return FSelectionState; }
    int SelLength() const;
    void SetSelLength(int V);
    int SelStart() const;
    void SetSelStart(int V);
    QString SelText() const;
    // Replaces the selection (or inserts at the caret): SetSelTextBuf.
    virtual void SetSelText(const QString &V);
    int TopCol() const { return FTopCol; }
    void SetTopCol(int V);
    int TopRow() const override { return FTopRow; }
    void SetTopRow(int V) override;

    // --- per-row state (index = display row) -------------------------------
    TRowAttributeData ListData(int Index) const { return FList->RowAttributeData(Index); }
    int ListBracket(int Index) const { return FList->Brackets(Index); }
    const QString &ListDataString(int Index) const { return FList->DataStrings(Index); }
    int ListElement(int Index) const { return FList->Elements(Index); }
    char16_t ListPrevToken(int Index) const { return FList->PrevTokens(Index); }
    TRowAttribute ListPrevRow(int Index) const { return FList->PrevRows(Index); }
    int ListRemain(int Index) const { return FList->Remains(Index); }
    TRowAttribute ListRow(int Index) const;
    QString ListString(int Index) const;
    char16_t ListToken(int Index) const { return FList->Tokens(Index); }
    int ListWrappedByte(int Index) const { return FList->WrappedBytes(Index); }
    TRowMarks ListRowMarks(int Index) const;
    void SetListRowMarks(int Index, TRowMarks Value);

    // --- caret (visibility, shape, scrolling) ---------------------------------
    virtual void BeginCaretUpdate() override;
    virtual void EndCaretUpdate() override;
    virtual void HideCaretNow();
    virtual void ShowCaretNow();
    virtual bool CaretOutOfView() const;
    virtual void SetCaretPosition();
    virtual void RecreateCaret();
    virtual void ScrollToCaret();
    virtual void GetCaretXY(int &X, int &Y) const;
    virtual void UpdateCaret();
    virtual void HideUnderline();
    virtual void ShowUnderline();
    virtual int UnderlineY(int ARow) const;
    virtual void DrawUnderline(int ARow);
    virtual void EraseUnderline(int ARow);
    void UpdateScrollInfo();
    void ScrollRowsBy(int Delta);
    void AdjustCol(bool Vertical, int Step);
    void UpdateImeWindow();
    bool CaretShowing() const { return FCaretShowing; }
    int CaretUpdateCount() const { return FCaretUpdateCount; }
    // The caret's rectangle as painted (empty while hidden).
    QRect CaretRect() const;
    // Blinking of the painted caret; tests switch it off (the caret is then
    // drawn steadily while shown). The default applies to new editors.
    void SetCaretBlink(bool On);
    static void SetDefaultCaretBlink(bool On);

    // --- mapping ---------------------------------------------------------------
    void InitFontMetrics();
    void FontMetricsChanged();
    void UpdateColCount();
    int TopMargin() const;
    int LeftMargin() const;
    QString RowString(int Index) const;
    // The row's text itself (empty outside the rows): no copy, so an edit
    // of the row may change it in place; valid until the rows change.
    const QString &RowText(int Index) const;
    TRowAttribute RowAttribute(int Index) const;
    QString ExpandedRow(int Index) const;
    // The part of the expanded row that painting reads (Index a row).
    QString PaintedRow(int Index) const;
    int RowWidth(int Index) const;
    // Column kinds of a text, and of a row (cached until the row or a
    // setting it depends on changes).
    QString ColumnKinds(QStringView S) const;
    QString RowKinds(int Index) const;
    bool AmbiguousIsWide() const { return FAmbiguousIsWide; }
    TColumnSettings ColumnSettings() const override;
    int ExpandTabLength(QStringView S) const { return ::ExpandTabLength(S, ColumnSettings()); }
    QString ExpandTab(const QString &S) const { return ::ExpandTab(S, ColumnSettings()); }
    int IndentWidth(QStringView S) const { return ::IndentWidth(S, ColumnSettings()); }
    int AutoIndentWidth(int ARow) const;
    void PosToRowCol(int XPos, int YPos, int &ARow, int &ACol, bool Split) const;
    virtual bool PosToRowIndex(const QPoint &Pos, int &ARow, int &Index) const;
    int ColToChar(int ARow, int ACol) const;
    int CharFromPos(const QPoint &Pos) const;
    TEditorStrInfo StrInfoFromPos(const QPoint &Pos) const;
    int RowToLines(int Index) const;
    int LinesToRow(int Index) const;
    int CharOffsetTo(int StartRow, int ARow, int ACol) const;
    void SetCaretByOffset(int StartRow, int Offset);
    void SetRowCol(int ARow, int ACol);
    int GetTextLen() const;
    int GetLineNumberCount() const;
    static QString JoinRows(const TRowAttributeStringList &List);
    // Caret character index in its row (not beyond the row's length).
    int CaretCharIndex() const;

    // --- selection -------------------------------------------------------------
    void InitSelection();
    void UpdateSelection();
    void StartSelection();
    void ExtendSelection();
    void StartRowSelect(int ARow);
    void ExtendRowSelect(int ARow);
    void CleanSelection() override;
    void HitToSelected();
    bool IsSelectedArea(int ARow, int ACol) const;
    void PaintSelectionChange();
    void DeleteSelection();
    void ClearSelection() { DeleteSelection(); }
    void TextWithoutSelection(TRowAttributeStringList &List) const;
    void SelectAll();
    int GetSelTextBuf(char16_t *Buffer, int BufSize) const;

    // --- painting --------------------------------------------------------------
    void InvalidateRow(int ARow) override;
    void RepaintRows(int A, int B);
    void InvalidateLeftbar(int A, int B);
    QRect SelectionSegmentRect(QStringView Kinds, int ARow, int FromCol, int ToCol) const;
    static int FindHitText(const QString &Hit, const QString &Text, int From, bool CaseSensitive);
    void ScrollTextRows(int ARow, int Delta);
    void ScrollImagebarRows(int ARow, int Delta);
    void ScrollTextArea(int OldWidth, int NewWidth);

    // --- bars ------------------------------------------------------------------
    virtual void UpdateImagebarWidth();
    virtual bool UpdateLeftbarColumn();
    virtual void UpdateLeftbarWidth();
    virtual void UpdateRulerHeight();
    int ImagebarWidth() const { return FImagebarWidth; }
    int LeftbarWidth() const { return FLeftbarWidth; }
    int LeftbarColumn() const { return FLeftbarColumn; }
    int RulerHeight() const { return FRulerHeight; }

    // --- text insertion ------------------------------------------------------------
    // Each is one replacement of the row store (one undo step).
    // The text (any number of lines) in place of the selection or at the
    // caret; the caret ends after it. Nothing while ReadOnly.
    void SetSelTextBuf(const QString &Buffer);
    // The lines of the text as a box at the selection's or the caret's column.
    void SetSelTextBox(const QString &Buffer);
    // Types Source at the caret (overwriting in OverWrite mode) or over the
    // selection. Does not test ReadOnly (its callers do).
    void PutStringToLine(const QString &Source);

    // --- clipboard and drag ---------------------------------------------------------
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    virtual bool CanSelDrag() const;
    void BeginSelDrag();
    void StartSelDragging(bool Copy);
    void EndSelDrag(const QPoint &Pos, bool Copy);
    void CancelSelDrag();
    virtual void CopySelection(int ARow, int ACol);
    void MoveSelection(int ARow, int ACol);
    TEditorSelDragState SelDragState() const { return FSelDragState; }
    // The clipboard contents of the current selection (text, and the box
    // marker for a box selection); nullptr without a selection.
    QMimeData *SelectionMimeData() const;

    // --- token, search, undo and row-mark commands ------------------------------------
    // UseFountain: parse with the active fountain's parser (else the plain
    // token parser); Bracket: start from the row's colouring state.
    virtual void TokenInfoFromPos(const QPoint &Pos, bool UseFountain, TTokenKind &Token, bool Bracket,
                                  QString &S);
    virtual void SelectTokenAtPos(const QPoint &Pos, bool UseFountain, bool Bracket);
    virtual void SelectWordAtPosStatsPack(const QPoint &Pos, bool UseFountain, bool Bracket);
    TTokenKind TokenBracketFromPos(const QPoint &Pos);
    TTokenKind TokenBracketFromCaret();
    TTokenKind TokenFromPos(const QPoint &Pos);
    TTokenKind TokenFromCaret();
    QString TokenStringBracketFromPos(const QPoint &Pos);
    QString TokenStringBracketFromCaret();
    QString TokenStringFromPos(const QPoint &Pos);
    QString TokenStringFromCaret();
    QString WordFromPos(const QPoint &Pos);
    QString WordFromCaret();
    void SelectTokenBracketFromPos(const QPoint &Pos);
    void SelectTokenBracketFromCaret();
    void SelectTokenFromPos(const QPoint &Pos);
    void SelectTokenFromCaret();
    void SelectWordFromPos(const QPoint &Pos);
    void SelectWordFromCaret();
    void SelectWordFromPosStatsPack(const QPoint &Pos);
    void SelectWordFromCaretStatsPack();
    // The client point of the caret (centre of its cell's first pixel row).
    QPoint CaretPos() const;
    bool NextTokenPos(int &ARow, int &ACol, int Direction) const;
    // Finds SearchValue from the selection or the caret (down with sfrDown,
    // else up); selects the hit as HitStyle says. No wrap-around.
    virtual bool Search(const QString &SearchValue, TSearchOptions SearchOptions);
    virtual bool CanUndo() const;
    virtual bool CanRedo() const;
    virtual void Undo();
    virtual void Redo();
    virtual void PutRowMark(int Index, TRowMark Mark);
    virtual void DeleteRowMark(int Index, TRowMark Mark);
    virtual void GotoRowMark(TRowMark Mark);
    void DeleteRow(int Index);
    void Clear();
    void ListToFile(const QString &FileName);
    void ListToStream(QIODevice &Stream);

    // --- indentation and comments (the callers test ReadOnly) ----------------------------
    void SelTabIndent();
    void SelTabUnIndent();
    void SelIndent();
    void SelUnIndent();
    void SelCommentOut();

    // --- edit-control messages ------------------------------------------------------
    // TEditTarget: what the main window's edit commands call on the focused
    // control.
    bool EditCanUndo() const override;
    bool EditUndo() override;
    bool EditCanRedo() const override;
    bool EditRedo() override;
    void EditCut() override;
    void EditCopy() override;
    void EditPaste() override;
    void EditClear() override;
    void EditSelectAll() override;
    void EditReplaceSel(const QString &Text) override;
    void EditGetSel(int &Start, int &End) const override;
    void EditSetSel(int Start, int End) override;
    int EditLineIndex(int Row) const override;
    int EditLineFromChar(int Offset) const override;
    int EditLineLength(int Offset) const override;
    int EditLineCount() const override;
    QString EditGetLine(int Row) const override;
    void EditSetText(const QString &Text) override;
    QString EditGetText() const override;
    int EditGetTextLength() const override;
    // Questions asked often (the enabling of commands) that never copy the
    // text: no character at all; some character other than a blank (the
    // text with leading and trailing blanks removed is not empty). The
    // second stops at the first such character.
    bool IsTextEmpty() const;
    bool HasNonBlankText() const;
    bool EditReadOnly() const override { return FReadOnly; }
    bool EditSelected() const override { return Selected(); }
    // The rest of the edit-control messages.
    void EmptyUndoBuffer();
    int FirstVisibleLine() const { return FTopRow; }
    // Row in Row, offset in Offset; false when the point is outside the client.
    bool CharFromClientPos(const QPoint &Pos, int &Row, int &Offset) const;
    QPoint PosFromChar(int Offset) const;
    void ScrollCaret();

    // --- completion request ------------------------------------------------------------
    // The window that owns the editor: the one set, else the nearest
    // top-level or MDI-child widget above it.
    QObject *OwnerWindow() const;
    void SetOwnerWindow(QObject *Owner) { FOwnerWindow = Owner; }
    // Sends WM_CODEASSIST with the caret's client x and y to the owner.
    virtual void DoCodeAssist();

    // IME text being composed (drawn at the caret, not in the text).
    const QString &PreeditText() const { return FPreedit; }
    // Cursor rectangle, font, surrounding text, enabled = not read-only.
    QVariant inputMethodQuery(Qt::InputMethodQuery Query) const override;
    // Joins Source's row store (sharing its text and undo lists).
    virtual void ExchangeList(TEditor *Source);
    // Change notification of every settings object and of the fountain.
    virtual void ViewChanged(TPersistent *Sender);
    // Re-wraps and initialises the row states (after the editor is set up).
    virtual void Loaded();

    // --- TEditorClient -----------------------------------------------------------
    void DoChange() override;
    bool Focused() const override;
    bool IsDestroying() const override { return FDestroying; }
    TFountain *GetActiveFountain() override;
    bool InitBracketsFull() const override { return FSpeed->InitBracketsFull; }
    int ScreenHeight() const override { return ClientHeight(); }
    void RefreshClient() override;

    // Client area (the viewport) size, valid also while hidden.
    int ClientWidth() const;
    int ClientHeight() const;

protected:
    // A descendant that overrides part factories constructs its base with
    // TDeferParts and calls CreateParts() at the end of its own constructor
    // (when its overrides are in force):
    //   TMyEditor(QWidget *P) : TEditor(P, TDeferParts{}) { CreateParts(); }
    struct TDeferParts {};
    TEditor(QWidget *Parent, TDeferParts);
    // Builds every owned part through the factories below (in the order of
    // the editor's construction) and measures.
    void CreateParts();

    // Factories: a descendant replaces a part by overriding its factory.
    virtual std::unique_ptr<TEditorCaret> CreateEditorCaret();
    virtual std::unique_ptr<TEditorImagebar> CreateEditorImagebar();
    virtual std::unique_ptr<TEditorLeftbar> CreateEditorLeftbar();
    virtual std::unique_ptr<TEditorMarks> CreateEditorMarks();
    virtual std::unique_ptr<TEditorMargin> CreateEditorMargin();
    virtual std::unique_ptr<TEditorRuler> CreateEditorRuler();
    virtual std::unique_ptr<TEditorSpeed> CreateEditorSpeed();
    virtual std::unique_ptr<TEditorScreen> CreateEditorScreen();
    virtual TEditorScreenStrings *CreateEditorScreenStrings();
    virtual std::unique_ptr<TEditorStrings> CreateEditorStrings();
    virtual std::unique_ptr<TEditorViewInfo> CreateEditorViewInfo();
    // The default word delimiters.
    virtual void InitDelimiters(TCharSet &Delimiters);

    virtual void DoCaretMoved();
    virtual void DoDrawLine(const QString &LineStr, int X, int Y, int Index, QRect &ARect, bool Selected);
    virtual void DoSelectionChange(bool Selected);
    virtual void DoSelectionModeChange();
    virtual void DoTopColChange();
    virtual void DoTopRowChange();

    // Marks (X, Y: cell position).
    virtual void DrawEofMark(QPainter &P, int X, int Y);
    virtual void DrawRetMark(QPainter &P, int X, int Y);
    virtual void DrawSelectedRetMark(QPainter &P, int X, int Y);
    virtual void DrawWrapMark(QPainter &P, int X, int Y);
    virtual void DrawSelectedWrapMark(QPainter &P, int X, int Y);
    virtual void DrawHideMark(QPainter &P, int X, int Y);
    virtual void DrawSelectedHideMark(QPainter &P, int X, int Y);
    virtual void DrawTabMark(QPainter &P, int X, int Y);
    virtual void DrawSelectedTabMark(QPainter &P, int X, int Y);
    virtual void DrawSemiSpaceMark(QPainter &P, int X, int Y);
    virtual void DrawSpaceMark(QPainter &P, int X, int Y);

    // Painting.
    void PaintTextArea(QPainter &P, const QRect &Clip);
    void DrawRow(QPainter &P, const QRect &R, int X0, TFountainParser *Parser, int Index, const QString &S, int Y);
    void DrawRowNormal(QPainter &P, const QRect &R, int X0, TFountainParser *Parser, int Index, const QString &S,
                       int Y);
    void DrawRowSelected(QPainter &P, const QRect &R, int X0, TFountainParser *Parser, int Index, const QString &S,
                         int Y);
    // Text placed in cells; Opaque fills Rect with the brush colour first.
    void DrawTextRect(QPainter &P, const QRect &Rect, int X, int Y, const QString &S, bool Opaque,
                      const QColor &TextColor, const QColor &Back, TFontStyles Style);
    virtual void PaintRuler(QPainter &P);
    virtual void PaintLeftbar(QPainter &P, int FirstRow, int LastRow);
    virtual void PaintImagebar(QPainter &P, int FirstRow, int LastRow);
    virtual void InitRuler();
    virtual void InitRulerDigitMask();
    virtual void InitRulerDigits();

    // Input hooks. One key event serves both: WMKeyDown takes the keys it
    // handles (moves, Delete, F6) and ignores the others; then, when the key
    // gives a character (KeyChar), WMChar handles it. Modifiers are those of
    // the event (a replayed key carries its own).
    virtual void WMKeyDown(QKeyEvent *Event);
    virtual void WMChar(QKeyEvent *Event);
    virtual void WMKeyUp(QKeyEvent *Event);
    virtual void WMImeComposition(QInputMethodEvent *Event);
    virtual void WMLButtonDown(QMouseEvent *Event);
    virtual void WMMouseMove(QMouseEvent *Event);
    virtual void WMLButtonUp(QMouseEvent *Event);
    virtual void DblClick(QMouseEvent *Event);
    virtual void WMImeNotify();
    virtual void WMSetFocus();
    virtual void WMKillFocus();
    // The character a key event types, as the character message would carry
    // it: Backspace 8, Tab 9, Enter 13, Esc 27, Ctrl+letter its control code,
    // Ctrl+Space a blank; empty for a key that types nothing (Alt held,
    // other Ctrl combinations, function keys).
    static QString KeyChar(const QKeyEvent *Event);

    // Character handling of WMChar.
    void DoTabKey(bool Shift, bool Ctrl);
    void DoReturnKey(bool Shift);
    void DoBackSpace();
    void DoDeleteKey();
    void DoPreeditPaint(QPainter &P);

    // Qt events.
    void paintEvent(QPaintEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void scrollContentsBy(int DX, int DY) override;
    void changeEvent(QEvent *Event) override;
    void focusInEvent(QFocusEvent *Event) override;
    void focusOutEvent(QFocusEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void keyReleaseEvent(QKeyEvent *Event) override;
    void inputMethodEvent(QInputMethodEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    bool viewportEvent(QEvent *Event) override;
    bool event(QEvent *Event) override;
    void dragEnterEvent(QDragEnterEvent *Event) override;
    void dragMoveEvent(QDragMoveEvent *Event) override;
    void dragLeaveEvent(QDragLeaveEvent *Event) override;
    void dropEvent(QDropEvent *Event) override;

    // Selection repaint helpers.
    void PaintLineSelectionChange();
    void PaintBoxSelectionChange();
    // Cached per-row kinds.
    struct KindsCacheEntry {
        int Row = -1;
        std::uint64_t Stamp = 0; // the row store's text stamp
        QString Kinds;
    };

    // --- state (names as the editor's documentation gives them) -------------
    TBorderStyle FBorderStyle = bsSingle;
    std::unique_ptr<TEditorCaret> FCaret;
    int FCol = 0;
    int FColCount = 0;
    int FFontWidth = 12;
    TEditorMouseCursorState FCursorState = mcClient;
    TCharSet FDelimiters;
    int FFontHeight = 12;
    TFountain *FFountain = nullptr;
    int FHitSelLength = 0;
    TEditorHitStyle FHitStyle = hsSelect;
    std::unique_ptr<TEditorImagebar> FImagebar;
    const QList<QPixmap> *FImageDigits = nullptr;
    const QList<QPixmap> *FImageMarks = nullptr;
    std::unique_ptr<TEditorLeftbar> FLeftbar;
    std::unique_ptr<TEditorStrings> FLines;
    std::unique_ptr<TEditorMarks> FMarks;
    std::unique_ptr<TEditorMargin> FMargin;
    bool FModified = false;
    bool FOverWrite = false;
    bool FReadOnly = false;
    int FRow = 0;
    int FRowCount = 1;
    std::unique_ptr<TEditorRuler> FRuler;
    TScrollStyle FScrollBars = ssBoth;
    std::unique_ptr<TEditorSpeed> FSpeed;
    int FTopCol = 0;
    int FTopRow = 0;
    std::unique_ptr<TEditorViewInfo> FView;
    bool FWantReturns = true;
    bool FWantTabs = true;
    TSelectedPosition FSelDraw;
    TEditorSelectionMode FSelectionMode = smLine;
    TSelectedPosition FSelStr;
    QFont FMBCSFont;
    bool FUseMBCSFont = false;
    bool FCaretNoMove = false;
    int FCaretUpdateCount = 0;
    bool FCaretShowing = false;
    int FColBuf = 0;
    bool FColKeeping = false;
    bool FCompositionCanceled = false;
    int FHScrollMax = 10000;
    int FImeCount = 0;
    bool FItalicFontStyle = false;
    bool FKeyRepeat = false;
    int FLeftScrollWidth = 0;
    TEditorScreenStrings *FList = nullptr;
    QPoint FMouseSelStartPos;
    std::unique_ptr<TEditorScreen> FScreen;
    int FUnderlineUpdateCount = 0;
    int FVScrollMax = 0;
    bool FClearingSelection = false;
    bool FRowSelecting = false;
    TEditorSelDragState FSelDragState = sdNone;
    TEditorSelectionState FSelectionState = sstNone;
    int FSelStartCol = 0, FSelStartSi = 0, FSelStartRow = 0;
    TSelectedPosition FSelOld;
    TSelectedPosition FSelRow;
    bool FHitSelecting = false;
    int FImagebarWidth = 0;
    int FLeftbarColumn = 0;
    int FLeftbarWidth = 0;
    int FRulerDigitHeight = 9;
    int FRulerDigitWidth = 5;
    int FRulerHeight = 0;
    QImage FRulerDigitMask;
    QPixmap FRulerDigit, FRulerMarkDigit;
    QString FHitText;
    int FHitStart = 0, FHitEnd = 0;

    TColor FColor = clWhite;
    TColor FFontColor = clBlack;
    bool FAmbiguousIsWide = true;
    bool FDestroying = false;
    bool FScrollingByBar = false;
    bool FCaretBlink = true;
    bool FCaretBlinkOn = true;
    QTimer FBlinkTimer;
    QTimer FStateTimer; // finishes the row states in idle time
    QRect FCaretRect; // as last painted
    QRawFont FRawFont;
    int FAscent = 10;
    int FAsciiWidth[128] = {};
    int FWideGlyphWidth = 24;
    mutable KindsCacheEntry FKindsCache[256];
    mutable TColumnSettings FKindsSettings;
    static bool DefaultCaretBlink;
    QString FPreedit;
    QObject *FOwnerWindow = nullptr;
    bool FExternalDrag = false; // a drag of this editor's selection left it
    bool FLeftButtonDown = false; // pressed on this editor and not yet released

private:
    // Rows First .. Last replaced by Text (First past the last row: inserted).
    void ReplaceRows(int First, int Last, const QString &Text);
    // The row a caret offset is counted from for an edit starting at ARow.
    int ReferenceRow(int ARow) const;
    // Steps of the token commands: the token at Pos.
    bool TokenAt(const QPoint &Pos, bool UseFountain, bool Bracket, bool StatsPack, int &LineRow, int &Start,
                 int &Length, TTokenKind &Kind, QString &Text);
    void StartExternalDrag();
    // Line-mode rewrite of the rows of the selection: Edit returns the new
    // text of a row (or the row unchanged) and the units added (negative:
    // removed) at Where, so that the selection and the caret follow.
    // With SnapPastIndent a position inside the new indentation moves to its
    // end (the indentation commands keep the selection on the text).
    void RewriteSelectedRows(bool CaretRowWithoutSelection, bool SnapPastIndent,
                             const std::function<bool(int Row, QString &Text, int &Where, int &Delta)> &Edit);
    // Box-mode rewrite: Edit changes a row at its box cut position P (1-based);
    // the box stays selected as it was.
    void RewriteBox(const TSelectedPosition &Box, const std::function<bool(int Row, QString &Text, int P)> &Edit);
    void ScheduleRowStates();
    void UpdateCaretGeometry();
    void ApplyScrollBars();
    void SelectionColors(QColor &Back, QColor &Text) const;
    // The glyphs of the editor's font in a style (bold, italic, strike-out).
    TEditorGlyphStyle &GlyphStyle(TFontStyles Style) const;
    mutable std::unique_ptr<TEditorGlyphs> FGlyphs;
    QColor Qc(TColor C, TColor Default) const;

    friend class TEditorScreen;
    friend class TEditorStrings;
};
