// TEditor: keyboard, character, input-method and mouse input.
//
// One key event does what a key-down and the character that follows it do:
// WMKeyDown takes the caret moves, Delete and F6; a key it leaves gives its
// character (KeyChar) to WMChar. While the left button is held or a
// selection drag is armed, keys and characters are held back (a drag in
// progress still sees Ctrl and Esc).
#include "editor/Editor.h"
#include "editor/EditorColumns.h"
#include "editor/EditorStringList.h"
#include "editor/EditorUtils.h"
#include "platform/ui/WindowMessage.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>

#include "editor/EditorInternal.h"

using editor_internal::Blanks;
using editor_internal::CaretBracket;


// ===========================================================================
// Key to character

QString TEditor::KeyChar(const QKeyEvent *Event)
{
    const Qt::KeyboardModifiers m = Event->modifiers();
    const int key = Event->key();
    switch (key) {
    case Qt::Key_Backspace:
        return QString(QChar(8));
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return QString(QChar(9));
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QString(QChar(13));
    case Qt::Key_Escape:
        return QString(QChar(27));
    default:
        break;
    }
    if (m & Qt::AltModifier)
        return QString(); // a system key: no character
    if (m & Qt::ControlModifier) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z)
            return QString(QChar(key - Qt::Key_A + 1));
        switch (key) {
        case Qt::Key_Space:
            return QStringLiteral(" ");
        case Qt::Key_At:
            return QString(QChar(0));
        case Qt::Key_BracketLeft:
            return QString(QChar(27));
        case Qt::Key_Backslash:
            return QString(QChar(28));
        case Qt::Key_BracketRight:
            return QString(QChar(29));
        case Qt::Key_AsciiCircum:
            return QString(QChar(30));
        case Qt::Key_Underscore:
            return QString(QChar(31));
        default:
            return QString();
        }
    }
    const QString t = Event->text();
    if (t.isEmpty())
        return t;
    const char16_t c = t[0].unicode();
    if (c == 127)
        return QString(); // Delete's own character; the key is handled as Delete
    return t;
}

// ===========================================================================
// Key down

void TEditor::WMKeyDown(QKeyEvent *Event)
{
    const bool shift = Event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = Event->modifiers() & Qt::ControlModifier;
    const int key = Event->key();
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        break;
    case Qt::Key_Delete:
        Event->accept();
        DoDeleteKey();
        return;
    case Qt::Key_F6:
        Event->accept();
        DoCodeAssist();
        return;
    default:
        Event->ignore();
        return;
    }
    Event->accept();
    CaretBracket bracket(*this, false);
    if (!Selected()) {
        if (shift)
            InitSelection();
        else if (HitSelected())
            CleanSelection();
    } else if (!shift) {
        CleanSelection();
    }
    const int n = FList->Count();
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int range = FKeyRepeat ? FSpeed->PageVerticalRangeAc() : FSpeed->PageVerticalRange();
        const int rows = std::max(1, ((FRowCount - 1) / 2) * range);
        ScrollRowsBy(key == Qt::Key_PageUp ? -rows : rows);
        break;
    }
    case Qt::Key_End:
        if (ctrl)
            SetRow(n);
        SetCol(FRow < n ? RowWidth(FRow) : 0);
        break;
    case Qt::Key_Home:
        if (ctrl)
            SetRowCol(0, 0);
        else
            SetCol(0);
        break;
    case Qt::Key_Left:
        if (ctrl) {
            int r = FRow, c = FCol;
            if (NextTokenPos(r, c, -1))
                SetRowCol(r, c);
        } else if (FCol == 0) {
            if (FRow > 0 && (FCaret->NextLine || RowAttribute(FRow - 1) == raWrapped))
                SetRowCol(FRow - 1, RowWidth(FRow - 1));
        } else {
            SetCol(FCol - 1);
        }
        break;
    case Qt::Key_Right:
        if (ctrl) {
            int r = FRow, c = FCol;
            if (NextTokenPos(r, c, 1))
                SetRowCol(r, c);
        } else {
            const int old = FCol;
            SetCol(FCol + 1);
            if (FCol == old && FRow < n && RowAttribute(FRow) != raEof &&
                (FCaret->NextLine || RowAttribute(FRow) == raWrapped))
                SetRowCol(FRow + 1, 0);
        }
        break;
    case Qt::Key_Up: {
        const int s = FKeyRepeat && FRow == FTopRow ? FSpeed->CaretVerticalAc() : 1;
        if (FRow > 0) {
            if (ctrl) {
                SetTopRow(std::max(0, FTopRow - s));
                if (FRow > FTopRow + FRowCount - 1)
                    SetRow(std::max(0, FRow - s));
            } else {
                SetRow(std::max(0, FRow - s));
            }
        }
        break;
    }
    case Qt::Key_Down: {
        const int s = FKeyRepeat && FRow == FTopRow + FRowCount - 1 ? FSpeed->CaretVerticalAc() : 1;
        if (RowAttribute(FRow) != raEof) {
            if (ctrl) {
                SetTopRow(FTopRow + s);
                if (FRow < FTopRow)
                    SetRow(FRow + s);
            } else {
                SetRow(FRow + s);
            }
        }
        break;
    }
    default:
        break;
    }
    if (shift)
        UpdateSelection();
}

void TEditor::DoDeleteKey()
{
    if (FReadOnly)
        return;
    if (Selected()) {
        DeleteSelection();
        return;
    }
    if (HitSelected())
        CleanSelection();
    const int n = FList->Count();
    if (FRow >= n)
        return;
    const QString &r = RowText(FRow);
    const QString k = RowKinds(FRow);
    int col = FCol;
    while (col > 0 && KindAt(k, col) == u'3')
        --col; // inside a tab's fill: the tab itself
    const int c = CharIndexOfColumn(k, col);
    const int ref = ReferenceRow(FRow);
    const int offset = CharOffsetTo(ref, FRow, col);
    CaretBracket bracket(*this, c >= r.size());
    if (c < r.size()) {
        const int len = c + 1 < r.size() && IsHighSurrogate(r[c].unicode()) && IsLowSurrogate(r[c + 1].unicode()) ? 2
                                                                                                                : 1;
        FList->ReplaceChars(FRow, c, FRow, c + len, QString());
    } else {
        if (RowAttribute(FRow) == raEof)
            return;
        if (FRow + 1 < n) {
            FList->ReplaceChars(FRow, int(r.size()), FRow + 1, 0, Blanks(c - int(r.size())));
        } else {
            const QString text = r + Blanks(c - int(r.size()));
            FList->ReplaceText(FRow, 1, text);
        }
    }
    SetCaretByOffset(ref, offset);
}

// ===========================================================================
// Characters

void TEditor::WMChar(QKeyEvent *Event)
{
    const QString ch = KeyChar(Event);
    if (ch.isEmpty()) {
        Event->ignore();
        return;
    }
    const bool shift = Event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = Event->modifiers() & Qt::ControlModifier;
    const char16_t code = ch[0].unicode();
    if (ch.size() == 1) {
        switch (code) {
        case 8:
            DoBackSpace();
            return;
        case 9:
            if (ctrl || !FWantTabs) {
                Event->ignore(); // Ctrl+Tab belongs to the window (next page, next child)
                return;
            }
            DoTabKey(shift || Event->key() == Qt::Key_Backtab, ctrl);
            return;
        case 13:
            if (!FWantReturns) {
                Event->ignore(); // the dialog's default button takes it
                return;
            }
            DoReturnKey(shift);
            return;
        default:
            break;
        }
    }
    if (FImeCount > 0) {
        --FImeCount;
        return;
    }
    if (FReadOnly) {
        Event->ignore();
        return;
    }
    if (FCompositionCanceled)
        UpdateImeWindow();
    if (ch == QLatin1String(".")) {
        PutStringToLine(ch);
        DoCodeAssist();
        return;
    }
    if (ch == QLatin1String(" ") && ctrl) {
        DoCodeAssist();
        return;
    }
    // control codes type nothing (0 and 10 neither: a row never holds a
    // line end, and NUL from Ctrl+@ is no typing)
    if (ch.size() == 1 && (code < 32 || code == 127)) {
        Event->ignore();
        return;
    }
    PutStringToLine(ch);
}

void TEditor::DoTabKey(bool Shift, bool Ctrl)
{
    if (Ctrl || FReadOnly || !FWantTabs)
        return;
    if (Shift) {
        if (!FOverWrite && Selected() && FSelStr.Sr != FSelStr.Er)
            SelTabUnIndent();
        return;
    }
    const int t = FCaret->TabSpaceCount();
    int n = t - FCol % t;
    if (FList->WordWrap()) {
        const int wrap = std::max(1, FList->WrapOption()->WrapByte());
        n = std::min(n, wrap - FCol % wrap);
    }
    if (FOverWrite)
        SetCol(FCol + n);
    else if (Selected() && FSelStr.Sr != FSelStr.Er)
        SelTabIndent();
    else if (FCaret->SoftTab)
        PutStringToLine(Blanks(n));
    else
        PutStringToLine(QStringLiteral("\t"));
}

void TEditor::DoReturnKey(bool Shift)
{
    if (FReadOnly)
        return;
    if (Selected()) {
        if (Shift)
            return;
        DeleteSelection();
    }
    if (HitSelected())
        CleanSelection();
    CaretBracket bracket(*this, true);
    const int n = FList->Count();
    if (FRow >= n) {
        FList->ReplaceText(n, 0, QStringLiteral("\r\n"));
        SetRowCol(FRow + 1, 0);
        return;
    }
    if (FOverWrite) {
        SetRowCol(FRow + 1, 0);
        return;
    }
    int g = 0;
    const int first = FList->FirstRowOfLine(FRow);
    if (FCaret->AutoIndent) {
        const int t = IndentWidth(RowString(first));
        if (t < 1)
            g = FCaret->PrevSpaceIndent && FRow == first && RowString(FRow).isEmpty() ? AutoIndentWidth(FRow) : 0;
        else
            g = FRow == first && FCol < t ? FCol : t;
    }
    const int ts = FCaret->TabSpaceCount();
    const QString indent = FCaret->TabIndent ? QString(g / ts, u'\t') + Blanks(g % ts) : Blanks(g);
    if (Shift) {
        FList->ReplaceText(first, 0, indent + QStringLiteral("\r\n"));
        SetRowCol(first, ExpandTabLength(indent));
        return;
    }
    const QString &r = RowText(FRow);
    const int c = std::min(int(r.size()), CharIndexOfColumn(RowKinds(FRow), FCol));
    const int ref = ReferenceRow(FRow);
    const int offset = CharOffsetTo(ref, FRow, 0) + c + 2 + int(indent.size());
    FList->ReplaceChars(FRow, c, FRow, c, QStringLiteral("\r\n") + indent);
    SetCaretByOffset(ref, offset);
}

void TEditor::DoBackSpace()
{
    if (FReadOnly)
        return;
    if (Selected()) {
        DeleteSelection();
        return;
    }
    const int n = FList->Count();
    if (n == 0) {
        SetCol(FCol - 1);
        return;
    }
    if (HitSelected())
        CleanSelection();
    const QString &r = RowText(FRow);
    const QString k = RowKinds(FRow);
    const bool inTab = KindAt(k, FCol) == u'3';
    int c = CharIndexOfColumn(k, FCol);
    if (inTab)
        ++c; // the tab itself goes
    if (c > 0) {
        bool blank = true;
        for (QChar ch : r)
            if (ch != u' ' && ch != u'\t' && ch.unicode() != WideBlank) {
                blank = false;
                break;
            }
        if (FCaret->BackSpaceUnIndent && (blank || FCol == IndentWidth(r))) {
            // unindent to the indentation of the nearest row above that is
            // less indented
            const int first = FList->FirstRowOfLine(FRow);
            int target = 0;
            for (int row = FRow - 1; row >= 0; --row) {
                int w = IndentWidth(RowString(row));
                if (w < 0)
                    w = 0;
                const bool counts = row > first ? (w != 0 && w < FCol) : w < FCol;
                if (counts) {
                    target = w;
                    break;
                }
            }
            CaretBracket bracket(*this, false);
            if (target < int(k.size())) {
                // the characters wholly left of the target stay; a tab or
                // double-width character that straddles it becomes blanks
                QString prefix;
                int col = 0, i = 0;
                const TColumnSettings st = ColumnSettings();
                while (i < r.size()) {
                    const int len = i + 1 < r.size() && IsHighSurrogate(r[i].unicode()) ? 2 : 1;
                    const int w = ExpandTabLength(QStringView(r).left(i + len)) - col;
                    if (col + w > target)
                        break;
                    prefix += r.mid(i, len);
                    col += w;
                    i += len;
                }
                (void)st;
                prefix += Blanks(target - col);
                const int ci = std::min(int(r.size()), CharIndexOfColumn(k, FCol));
                QString text = prefix + r.mid(ci);
                FList->AppendLineEnd(FRow, text);
                FList->ReplaceText(FRow, 1, text);
            }
            SetCol(target);
            return;
        }
        if (c > r.size()) {
            SetCol(FCol - 1);
            return;
        }
        int del = c - 1;
        if (del > 0 && IsLowSurrogate(r[del].unicode()) && IsHighSurrogate(r[del - 1].unicode()))
            --del;
        const int len = c - del;
        const int ref = ReferenceRow(FRow);
        const int offset = CharOffsetTo(ref, FRow, 0) + del;
        CaretBracket bracket(*this, false);
        FList->ReplaceChars(FRow, del, FRow, del + len, QString());
        SetCaretByOffset(ref, offset);
        return;
    }
    if (FRow == 0)
        return;
    const int above = FRow - 1;
    const QString &a = RowText(above);
    int keep = int(a.size()); // the characters of the row above that stay
    if (RowAttribute(above) == raWrapped && !a.isEmpty()) {
        keep = int(a.size()) - 1;
        if (keep > 0 && IsLowSurrogate(a[keep].unicode()) && IsHighSurrogate(a[keep - 1].unicode()))
            --keep;
    }
    const int ref = ReferenceRow(above);
    const int offset = CharOffsetTo(ref, above, 0) + keep;
    CaretBracket bracket(*this, true);
    if (FRow < n)
        FList->ReplaceChars(above, keep, FRow, 0, QString());
    else
        FList->ReplaceText(above, 1, a.left(keep));
    SetCaretByOffset(ref, offset);
}

void TEditor::WMKeyUp(QKeyEvent *Event)
{
    FKeyRepeat = false;
    if (FCompositionCanceled)
        UpdateImeWindow();
    Event->ignore();
}

// ===========================================================================
// Completion request

QObject *TEditor::OwnerWindow() const
{
    if (FOwnerWindow)
        return FOwnerWindow;
    for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
        if (w->isWindow())
            return w;
        if (qobject_cast<QMdiSubWindow *>(w->parentWidget()))
            return w;
    }
    return nullptr;
}

void TEditor::DoCodeAssist()
{
    int x, y;
    GetCaretXY(x, y);
    tv::ui::SendWindowMessage(OwnerWindow(), tv::ui::WM_CODEASSIST, x, y);
}

// ===========================================================================
// Input method

void TEditor::WMImeComposition(QInputMethodEvent *Event)
{
    Event->accept();
    if (FReadOnly) {
        if (!FPreedit.isEmpty()) {
            FPreedit.clear();
            viewport()->update();
        }
        return;
    }
    const QString commit = Event->commitString();
    if (!commit.isEmpty()) {
        if (FCompositionCanceled)
            UpdateImeWindow();
        PutStringToLine(commit);
    }
    const QString pre = Event->preeditString();
    if (pre != FPreedit) {
        FPreedit = pre;
        const int y = TopMargin() + (FRow - FTopRow) * RowHeight();
        viewport()->update(QRect(0, y, ClientWidth(), RowHeight()));
    }
}

void TEditor::WMImeNotify() {}

void TEditor::DoPreeditPaint(QPainter &P)
{
    int x, y;
    GetCaretXY(x, y);
    y = TopMargin() + RowHeight() * (FRow - FTopRow);
    const int w = int(ColumnKinds(FPreedit).size()) * FFontWidth;
    const QRect r(x, y, w, FFontHeight);
    P.save();
    P.fillRect(r, Qc(FColor, clWhite));
    P.setFont(font());
    P.setPen(Qc(FFontColor, clBlack));
    P.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, FPreedit);
    P.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    P.restore();
}

QVariant TEditor::inputMethodQuery(Qt::InputMethodQuery Query) const
{
    switch (Query) {
    case Qt::ImEnabled:
        return !FReadOnly;
    case Qt::ImCursorRectangle: {
        QRect r = CaretRect();
        if (r.isEmpty()) {
            int x, y;
            GetCaretXY(x, y);
            r = QRect(x, y, 2, FFontHeight);
        }
        return r.translated(viewport()->geometry().topLeft());
    }
    case Qt::ImFont:
        return font();
    case Qt::ImSurroundingText:
        return RowString(FRow);
    case Qt::ImCursorPosition:
        return CaretCharIndex();
    case Qt::ImAnchorPosition:
        return Selected() && FSelStartRow == FRow ? FSelStartSi : CaretCharIndex();
    case Qt::ImCurrentSelection:
        return SelText();
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    default:
        return QAbstractScrollArea::inputMethodQuery(Query);
    }
}

// ===========================================================================
// Mouse

void TEditor::WMLButtonDown(QMouseEvent *Event)
{
    const QPoint pos = Event->position().toPoint();
    const int x = pos.x(), y = pos.y();
    int r, c;
    if (Event->modifiers() & Qt::ShiftModifier) {
        CaretBracket bracket(*this, false);
        if (!Selected())
            InitSelection();
        PosToRowCol(x, y, r, c, true);
        SetRowCol(r, c);
        UpdateSelection();
        return;
    }
    FMouseSelStartPos = pos;
    PosToRowCol(x, y, r, c, false);
    if (CanSelDrag() && x >= LeftMargin() && IsSelectedArea(r, c)) {
        SetRowCol(r, c);
        if (FCaret->SelDragMode == dmAutomatic)
            BeginSelDrag();
        return;
    }
    PosToRowCol(x, y, r, c, true);
    if (x < LeftMargin() && FCaret->RowSelect) {
        StartRowSelect(r);
        return;
    }
    CaretBracket bracket(*this, false);
    SetRowCol(r, c);
    InitSelection();
}

void TEditor::WMMouseMove(QMouseEvent *Event)
{
    const QPoint pos = Event->position().toPoint();
    const int x = pos.x(), y = pos.y();
    const int half = std::max(1, FFontWidth / 2);
    const bool far = std::abs(x - FMouseSelStartPos.x()) >= half || std::abs(y - FMouseSelStartPos.y()) >= half;
    int r, c;
    if (FSelDragState == sdInit) {
        if (far)
            StartSelDragging(Event->modifiers() & Qt::ControlModifier);
        return;
    }
    if (FSelDragState == sdDragging) {
        if (!viewport()->rect().contains(pos) && !FExternalDrag) {
            StartExternalDrag();
            return;
        }
        PosToRowCol(x, y, r, c, false);
        if (y < TopMargin())
            r = std::max(0, r - 1);
        SetRowCol(r, c);
        return;
    }
    if (Event->buttons() & Qt::LeftButton) {
        PosToRowCol(x, y, r, c, true);
        if (y < TopMargin())
            r = std::max(0, r - 1);
        if (FRowSelecting) {
            ExtendRowSelect(r);
            return;
        }
        SetRowCol(r, c);
        if (Selected())
            ExtendSelection();
        else if (FSelectionState == sstInit && far)
            StartSelection();
        return;
    }
    if (x < LeftMargin()) {
        SetCursorState(mcLeftMargin);
    } else if (y < TopMargin()) {
        SetCursorState(mcTopMargin);
    } else {
        PosToRowCol(x, y, r, c, true);
        SetCursorState(CanSelDrag() && IsSelectedArea(r, c) ? mcInSel : mcClient);
    }
}

void TEditor::WMLButtonUp(QMouseEvent *Event)
{
    if (FSelDragState == sdDragging)
        EndSelDrag(Event->position().toPoint(), Event->modifiers() & Qt::ControlModifier);
    else if (FSelDragState == sdInit)
        CancelSelDrag();
    FRowSelecting = false;
}

void TEditor::DblClick(QMouseEvent *) {}

// ===========================================================================
// Focus

void TEditor::WMSetFocus()
{
    RecreateCaret();
    SetCaretPosition();
    ShowCaretNow();
}

void TEditor::WMKillFocus()
{
    if (FCaretShowing) {
        FCaretShowing = false;
        viewport()->update(FCaretRect);
    }
    FBlinkTimer.stop();
    // a press whose release went elsewhere (a dialog took the focus) holds
    // nothing back any more
    FLeftButtonDown = false;
    if (FSelDragState == sdInit)
        CancelSelDrag();
    if (!FPreedit.isEmpty()) {
        FPreedit.clear();
        viewport()->update();
    }
}

// ===========================================================================
// Qt events

bool TEditor::event(QEvent *Event)
{
    if (Event->type() == QEvent::KeyPress) {
        // Tab and Shift+Tab stay in the editor while it wants tabs (else they
        // move the focus, as in a dialog)
        auto *k = static_cast<QKeyEvent *>(Event);
        if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) && FWantTabs &&
            !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(k);
            return true;
        }
    }
    return QAbstractScrollArea::event(Event);
}

void TEditor::keyPressEvent(QKeyEvent *Event)
{
    if (FSelDragState != sdNone || FLeftButtonDown) {
        Event->accept();
        if (FSelDragState != sdDragging)
            return; // held back while the button is held
        if (Event->key() == Qt::Key_Control)
            SetCursorState(mcDraggingCopy);
        else if (Event->key() == Qt::Key_Escape)
            CancelSelDrag();
        FKeyRepeat = Event->isAutoRepeat();
        WMKeyDown(Event);
        Event->accept();
        return; // no characters during a drag
    }
    FKeyRepeat = Event->isAutoRepeat();
    Event->accept();
    WMKeyDown(Event);
    if (Event->isAccepted())
        return;
    if (!KeyChar(Event).isEmpty()) {
        Event->accept();
        WMChar(Event);
    }
}

void TEditor::keyReleaseEvent(QKeyEvent *Event)
{
    if (Event->isAutoRepeat()) {
        Event->ignore();
        return;
    }
    if (FSelDragState != sdNone || FLeftButtonDown) {
        if (FSelDragState == sdDragging && Event->key() == Qt::Key_Control)
            SetCursorState(mcDragging);
        else {
            Event->accept();
            return;
        }
    }
    WMKeyUp(Event);
}

void TEditor::inputMethodEvent(QInputMethodEvent *Event)
{
    WMImeComposition(Event);
}

void TEditor::mousePressEvent(QMouseEvent *Event)
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (Event->button() == Qt::LeftButton) {
        FLeftButtonDown = true;
        WMLButtonDown(Event);
    }
}

void TEditor::mouseMoveEvent(QMouseEvent *Event)
{
    WMMouseMove(Event);
}

void TEditor::mouseReleaseEvent(QMouseEvent *Event)
{
    if (Event->button() == Qt::LeftButton) {
        FLeftButtonDown = false;
        WMLButtonUp(Event);
    }
}

void TEditor::mouseDoubleClickEvent(QMouseEvent *Event)
{
    if (FSelDragState != sdNone || Event->button() != Qt::LeftButton)
        return;
    // the second press of a double click places the caret as a press does
    FLeftButtonDown = true;
    WMLButtonDown(Event);
    DblClick(Event);
}
