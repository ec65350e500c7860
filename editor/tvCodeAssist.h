#pragma once
// TtvCodeAssist: the completion popup of a TtvMemo: a two-column list of
// candidate names that drops down under the caret, narrows while the user
// types and, on acceptance, puts the chosen name (double-quoted where
// needed) in place of the typed token.
//
// The popup is a frame with a size grip inside the window that owns the memo;
// it never takes the focus. The memo hands it every key and input-method
// text while it is open (TtvMemo::event): the typed prefix is kept in the
// hidden one-line buffer Buf, in step with the memo's text.
//
// Use (the completion driver): construct it, set the memo's CodeAssist to
// it, AddColumn twice, fill CaptionList, SubItemList and ImageList, call
// SetBuffer and ShowItems, then show() it. The memo's CloseCodeAssist closes
// and frees it; nothing of it is used afterwards.
#include <QFrame>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QStringList>

class QKeyEvent;
class QLineEdit;
class QSizeGrip;
class QTreeWidget;
class TtvMemo;

class TtvCodeAssist : public QFrame {
    Q_OBJECT

public:
    // AEdit: the memo; AOwner: the window that parents the popup (null: the
    // memo's window); X, Y: the caret in the memo's client pixels (as
    // WM_CODEASSIST carries them). The popup takes the size remembered in the memo's CASize (at least 200 x
    // 100), stands under the caret row and is moved left, and made no wider
    // than the memo, to end 30 pixels before the memo's right edge. Hidden.
    TtvCodeAssist(TtvMemo *AEdit, QWidget *AOwner, int X, int Y);
    ~TtvCodeAssist() override;

    TtvMemo *Owner() const { return FOwner; }
    // The list view (two columns: name and type).
    QTreeWidget *ListView() const { return FList; }
    // The typed prefix and its caret; never visible.
    QLineEdit *Buf = nullptr;

    // Every candidate: name, second-column text and image index (-1: none).
    QStringList CaptionList;
    QStringList SubItemList;
    QList<int> ImageList;
    // The candidates that match the prefix, in order.
    QStringList CaptionListW;
    QStringList SubItemListW;
    QList<int> ImageListW;
    // Most rows filled into the list at once; the rest follow on demand
    // (arrow down, page down, End, scrolling).
    int ItemMax = 100;

    // Adds a list column.
    void AddColumn(const QString &Caption, int Width);
    // Images of the rows by ImageList index (not owned; may be null).
    void SetSmallImages(const QList<QPixmap> *Images) { FImages = Images; }
    // The reserved words, inserted as they stand on acceptance; until set,
    // the memo's reserved-word list.
    void SetReserveWords(const QStringList &Words);

    // The prefix typed so far, with the buffer's caret at its end.
    void SetBuffer(const QString &Buffer);
    // Rebuilds the rows: the candidates whose upper-cased name begins with
    // the upper-cased prefix (all for an empty prefix); the first ItemMax of
    // them become rows, the first row selected.
    void ShowItems();
    // One more matching candidate as a row, when there is one.
    void AddItems();

    // Accepts the selected row as the accepting character C (tab, CR, blank,
    // "%", ",", ".", ";") does: the typed token is replaced in the memo by
    // the name (reserved words as they are, other names through
    // QuoteCompletionItem) and the popup closes. In a read-only memo the
    // popup only closes. The character itself is left to the caller.
    void Accept();

    // A key typed in the memo while the popup is open. Answers true when the
    // popup used it up; false when the memo's own handling must follow (to
    // keep its text in step, or because the popup closed and the key belongs
    // to the memo). The popup may have closed on return.
    bool KeyPress(QKeyEvent *Event);
    // Whether the popup claims a key before it can trigger a shortcut.
    bool ClaimsKey(const QKeyEvent *Event) const;
    // Text committed by the input method in the memo.
    void InputMethodCommit(const QString &Text);

    // The name as it goes into SQL: wrapped in double quotes (inner ones
    // doubled) when it does not begin with a double quote and has upper case,
    // blanks at its ends or "-"; and, whatever its first character, when it
    // holds "(", ")", their full-width forms, a blank, "@" or "=".
    static QString QuoteCompletionItem(const QString &Text);

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void AddRow(const QString &Caption, const QString &SubItem, int Image);
    void MoveSelection(int Delta);
    void Close();

    QPointer<TtvMemo> FOwner;
    QTreeWidget *FList = nullptr;
    QSizeGrip *FGrip = nullptr;
    const QList<QPixmap> *FImages = nullptr;
    QStringList FReserveWords;
    bool FReserveWordsSet = false;
};
