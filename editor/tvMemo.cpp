#include "editor/tvMemo.h"

#include "editor/EditorStrings.h"
#include "editor/tvCodeAssist.h"
#include "platform/ui/ShortCut.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTreeWidget>
#include <QWheelEvent>

#include <algorithm>

namespace {

// The delimiters of SQL words; without "." they end a completion token.
bool IsSqlDelimiter(QChar C)
{
    switch (C.unicode()) {
    case u' ':
    case u'(':
    case u')':
    case u'%':
    case u';':
    case u'.':
    case u',':
    case u'+':
    case u'-':
    case u'<':
    case u'>':
    case u'{':
    case u'}':
    case u'[':
    case u']':
    case u'"':
    case u'\'':
    case u'\r':
    case u'\n':
    case u'\t':
        return true;
    default:
        return false;
    }
}

bool IsTokenDelimiter(QChar C)
{
    return C != u'.' && IsSqlDelimiter(C);
}

// The run of token characters (dots included) that ends at index Last.
QString TokenEndingAt(const QString &S, int Last)
{
    int start = Last;
    while (start > 0 && !IsTokenDelimiter(S[start - 1]))
        --start;
    return S.mid(start, Last - start + 1);
}

// Restores the override cursor when it goes out of scope.
struct TWaitCursor {
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};

} // namespace

TtvMemo::TtvMemo(QWidget *Parent) : TEditor(Parent, TDeferParts{})
{
    CreateParts();
    auto closePopup = [this] {
        if (CodeAssist)
            CloseCodeAssist();
    };
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, closePopup);
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, closePopup);
}

TtvMemo::~TtvMemo()
{
    if (CodeAssist) {
        // the popup lives in the owning window: it goes now, with the memo
        TtvCodeAssist *ca = CodeAssist;
        CodeAssist = nullptr;
        delete ca;
    }
    if (FMacroList) {
        if (FMacroList->Status() == msRecording)
            EndRec();
        else if (FMacroList->Status() == msRunning)
            CancelExec();
    }
}

// ---------------------------------------------------------------------------
// Completion

QString TtvMemo::CodeAssistToken(const QString &Row, int CaretIndex)
{
    if (Row.isEmpty() || CaretIndex <= 0)
        return QString();
    const int i = std::min(CaretIndex, int(Row.size())) - 1;
    const QChar l = Row[i];
    const QChar ll = i > 0 ? Row[i - 1] : QChar(u' ');
    if (l == u'.' && ll.unicode() <= 32)
        return QStringLiteral(".");
    if (l == u'.' && (ll == u'"' || ll == u'\'' || ll == u'.') &&
        Row.contains(QStringLiteral("csv"), Qt::CaseInsensitive))
        return QStringLiteral(".");
    if (l != u'.' && IsTokenDelimiter(l))
        return QString();
    if (l == u'.' && IsSqlDelimiter(ll)) {
        const QChar before = i > 1 ? Row[i - 2] : QChar(u' ');
        if (IsSqlDelimiter(before))
            return QString();
        // a quoted name before the dot: the name without its quotes
        const int quotes = int(QStringView(Row).left(i).count(u'"'));
        QString plain = Row;
        plain.remove(u'"');
        return TokenEndingAt(plain, i - quotes);
    }
    return TokenEndingAt(Row, i);
}

QString TtvMemo::GetCodeAssistToken() const
{
    if (ListCount() == 0)
        return QString();
    return CodeAssistToken(RowString(Row()), CaretCharIndex());
}

void TtvMemo::CloseCodeAssist()
{
    if (!CodeAssist)
        return;
    TtvCodeAssist *ca = CodeAssist;
    CodeAssist = nullptr;
    CASize.Width = ca->width();
    CASize.Height = ca->height();
    const QHeaderView *h = ca->ListView()->header();
    while (CASize.ColumnWidth.size() < 2)
        CASize.ColumnWidth.append(0);
    for (int c = 0; c < 2 && c < ca->ListView()->columnCount(); ++c)
        CASize.ColumnWidth[c] = h->sectionSize(c);
    // Closing may happen inside the popup's own key handling: it goes when
    // control is back in the event loop, hidden and inert until then.
    ca->setEnabled(false);
    ca->hide();
    ca->deleteLater();
}

// ---------------------------------------------------------------------------
// Caller services

void TtvMemo::MultiLineSelect(int SP, int EP)
{
    CleanSelection();
    StartRowSelect(SP);
    ExtendRowSelect(EP);
}

void TtvMemo::BeginUpdate()
{
    Lines()->BeginUpdate();
}

void TtvMemo::EndUpdate()
{
    Lines()->EndUpdate();
}

void TtvMemo::SetSelIndex(int StartRow, int SelIndex)
{
    BeginCaretUpdate();
    try {
        if (SelectedData())
            CleanSelection();
        SetCaretByOffset(StartRow, SelIndex);
    } catch (...) {
        EndCaretUpdate();
        throw;
    }
    EndCaretUpdate();
}

void TtvMemo::Jump(int Line)
{
    setFocus();
    // display row of a 1-based line (wrapped lines span several rows)
    auto rowOf = [this](int L) { return LinesToRow(std::clamp(L - 1, 0, Lines()->Count())); };
    try {
        SetSelIndex(rowOf(Line + 10), 0);
        ScrollToCaret();
    } catch (...) {
    }
    try {
        SetSelIndex(rowOf(Line - 10), 0);
        ScrollToCaret();
    } catch (...) {
    }
    SetSelIndex(rowOf(Line), 0);
}

void TtvMemo::SelUpperCase()
{
    ChangeSelCase(true);
}

void TtvMemo::SelLowerCase()
{
    ChangeSelCase(false);
}

void TtvMemo::ChangeSelCase(bool Upper)
{
    if (ReadOnly() || !Selected() || ListCount() == 0 || SelectionMode() == smBox)
        return;
    TWaitCursor wait;
    const QString old = SelText();
    const QLocale locale;
    const QString changed = Upper ? locale.toUpper(old) : locale.toLower(old);
    if (changed == old)
        return;
    const int start = SelStart();
    SetSelText(changed);
    SetSelStart(start);
    SetSelLength(int(changed.size()));
    ScrollToCaret();
    viewport()->update();
}

void TtvMemo::SelectTokenAtPos(const QPoint &Pos, bool, bool)
{
    int r, i;
    if (!PosToRowIndex(Pos, r, i) || ListCount() == 0 || i < 1)
        return;
    const QString s = RowString(r);
    if (s.isEmpty() || i > s.size() || IsSqlDelimiter(s[i - 1]))
        return;
    int start = i - 1;
    while (start > 0 && !IsSqlDelimiter(s[start - 1]))
        --start;
    int n = 0;
    while (start + n < s.size() && !IsSqlDelimiter(s[start + n]))
        ++n;
    SetSelIndex(r, start);
    SetSelLength(n);
}

void TtvMemo::WMUndo(int WParam)
{
    if (ReadOnly())
        return;
    if (WParam == 1)
        Redo();
    else
        Undo();
}

// ---------------------------------------------------------------------------
// Keyboard macros

void TtvMemo::BeginRec()
{
    if (!FMacroList || FMacroList->Status() == msRecording || FMacroList->Status() == msRunning)
        return;
    FMacroList->Clear();
    FMacroList->SetStatus(msRecording);
}

void TtvMemo::EndRec()
{
    if (FMacroList && FMacroList->Status() == msRecording)
        FMacroList->SetStatus(msWaiting);
}

void TtvMemo::CancelRec()
{
    if (!FMacroList || FMacroList->Status() != msRecording)
        return;
    EndRec();
    FMacroList->Clear();
    FMacroList->SetStatus(msNone);
}

void TtvMemo::CancelExec()
{
    if (FMacroList && FMacroList->Status() == msRunning)
        FMacroList->SetStatus(msWaiting);
}

void TtvMemo::Execute()
{
    if (!FMacroList || FMacroList->Status() != msWaiting || FMacroList->Count() == 0)
        return;
    QPointer<TtvMacroList> list = FMacroList.data();
    QPointer<TtvMemo> self = this;
    // the keys recorded now; what the replay does to the list does not change them
    std::vector<TKeyMacroData> keys;
    keys.reserve(size_t(list->Count()));
    for (int i = 0; i < list->Count(); ++i)
        keys.push_back(list->Items(i));
    struct TDone {
        QPointer<TtvMacroList> &List;
        ~TDone()
        {
            if (List && List->Status() == msRunning)
                List->SetStatus(msWaiting);
        }
    } done{list};
    list->SetStatus(msRunning);
    for (const TKeyMacroData &k : keys) {
        if (!self || !list || list->Status() != msRunning)
            break;
        if (k.Msg == kmImeChar) {
            QInputMethodEvent ev;
            ev.setCommitString(k.Text);
            QCoreApplication::sendEvent(this, &ev);
            continue;
        }
        Qt::KeyboardModifiers mods;
        mods.setFlag(Qt::ShiftModifier, k.Shift);
        mods.setFlag(Qt::ControlModifier, k.Ctrl);
        mods.setFlag(Qt::AltModifier, k.Alt);
        mods.setFlag(Qt::KeypadModifier, k.Keypad);
        // A shortcut the memo does not claim goes to the action that has it.
        QKeyEvent over(QEvent::ShortcutOverride, k.Key, mods, k.Text, k.AutoRepeat);
        over.ignore();
        QCoreApplication::sendEvent(this, &over);
        if (!self)
            break;
        if (!over.isAccepted() && list && list->OnShortCut) {
            const int sc = tv::ui::KeyEventToShortCut(over);
            if (sc != 0 && list->OnShortCut(sc))
                continue;
        }
        if (!self)
            break;
        QKeyEvent press(QEvent::KeyPress, k.Key, mods, k.Text, k.AutoRepeat);
        QCoreApplication::sendEvent(this, &press);
        if (!self)
            break;
        QKeyEvent release(QEvent::KeyRelease, k.Key, mods, k.Text, k.AutoRepeat);
        QCoreApplication::sendEvent(this, &release);
    }
}

// ---------------------------------------------------------------------------
// Events

bool TtvMemo::event(QEvent *Event)
{
    if (CodeAssist) {
        if (Event->type() == QEvent::ShortcutOverride) {
            auto *k = static_cast<QKeyEvent *>(Event);
            if (CodeAssist->ClaimsKey(k)) {
                k->accept();
                return true;
            }
        } else if (Event->type() == QEvent::KeyPress) {
            auto *k = static_cast<QKeyEvent *>(Event);
            QPointer<TtvMemo> self = this;
            if (CodeAssist->KeyPress(k)) {
                k->accept();
                return true;
            }
            if (!self)
                return true;
        }
    }
    return TEditor::event(Event);
}

void TtvMemo::inputMethodEvent(QInputMethodEvent *Event)
{
    if (CodeAssist && !Event->commitString().isEmpty())
        CodeAssist->InputMethodCommit(Event->commitString());
    TEditor::inputMethodEvent(Event);
}

void TtvMemo::mousePressEvent(QMouseEvent *Event)
{
    if (CodeAssist && Event->button() == Qt::LeftButton)
        CloseCodeAssist();
    TEditor::mousePressEvent(Event);
}

void TtvMemo::mouseReleaseEvent(QMouseEvent *Event)
{
    if (CodeAssist && Event->button() == Qt::RightButton)
        CloseCodeAssist();
    TEditor::mouseReleaseEvent(Event);
}

void TtvMemo::wheelEvent(QWheelEvent *Event)
{
    if (CodeAssist)
        CloseCodeAssist();
    // one row per notch
    FWheelDelta += Event->angleDelta().y();
    while (FWheelDelta >= 120) {
        SetTopRow(TopRow() - 1);
        FWheelDelta -= 120;
    }
    while (FWheelDelta <= -120) {
        SetTopRow(TopRow() + 1);
        FWheelDelta += 120;
    }
    Event->accept();
}

void TtvMemo::resizeEvent(QResizeEvent *Event)
{
    if (CodeAssist)
        CloseCodeAssist();
    TEditor::resizeEvent(Event);
}

void TtvMemo::DblClick(QMouseEvent *Event)
{
    if (CodeAssist)
        CloseCodeAssist();
    // the press of the double click has put the caret at its point
    SelectWordFromCaret();
    TEditor::DblClick(Event);
}

void TtvMemo::WMKillFocus()
{
    if (CodeAssist)
        CloseCodeAssist();
    TEditor::WMKillFocus();
}
