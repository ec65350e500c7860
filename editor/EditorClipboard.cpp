// TEditor: the clipboard and dragging the selection.
//
// Clipboard text is the selected text with CR LF line ends; a box selection
// also carries the box MIME type, so that pasting it inserts a box again.
// Copy and cut with nothing selected leave the clipboard as it was.
//
// A line selection is dragged with the left button: released inside the
// editor it is moved there (copied with Ctrl) as one replacement of the rows
// between the selection and the drop point, so one undo restores both
// places. Dragged out of the editor it becomes a drag and drop that other
// editors (and other programs) accept.
#include "editor/Editor.h"
#include "editor/EditorColumns.h"
#include "editor/EditorStringList.h"
#include "editor/EditorUtils.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

namespace {

// Marks a drag that started in an editor; the data is the source's address
// as text (only compared, never dereferenced).
constexpr const char *kDragSourceMime = "application/x-teditor-drag-source";

QString Blanks(int N)
{
    return N > 0 ? QString(N, u' ') : QString();
}

QByteArray AddressOf(const void *P)
{
    return QByteArray::number(quintptr(P));
}

} // namespace

// ===========================================================================
// Clipboard

QMimeData *TEditor::SelectionMimeData() const
{
    if (!Selected())
        return nullptr;
    auto *m = new QMimeData;
    const QString text = SelText();
    m->setText(text);
    if (FSelectionMode == smBox)
        m->setData(QString::fromLatin1(CF_BOXTEXT_MIME), text.toUtf8());
    return m;
}

void TEditor::CopyToClipboard()
{
    if (QMimeData *m = SelectionMimeData())
        QApplication::clipboard()->setMimeData(m);
}

void TEditor::CutToClipboard()
{
    if (!Selected())
        return;
    CopyToClipboard();
    DeleteSelection();
}

void TEditor::PasteFromClipboard()
{
    const QMimeData *m = QApplication::clipboard()->mimeData();
    if (!m || !m->hasText())
        return;
    const QString text = m->text();
    if (m->hasFormat(QString::fromLatin1(CF_BOXTEXT_MIME)))
        SetSelTextBox(text);
    else
        SetSelTextBuf(text);
}

// ===========================================================================
// Selection drag

bool TEditor::CanSelDrag() const
{
    return !FReadOnly && Selected() && FSelectionMode == smLine && FCaret->SelMove;
}

void TEditor::BeginSelDrag()
{
    FSelDragState = sdInit;
}

void TEditor::StartSelDragging(bool Copy)
{
    FSelDragState = sdDragging;
    FExternalDrag = false;
    SetCursorState(Copy ? mcDraggingCopy : mcDragging);
    viewport()->setCursor(Copy ? Qt::DragCopyCursor : Qt::DragMoveCursor);
}

void TEditor::EndSelDrag(const QPoint &Pos, bool Copy)
{
    if (FSelDragState != sdDragging)
        return;
    FSelDragState = sdNone;
    SetCursorState(mcClient);
    viewport()->setCursor(Qt::IBeamCursor);
    if (!viewport()->rect().contains(Pos) || IsSelectedArea(FRow, FCol)) {
        CleanSelection();
        return;
    }
    if (Copy)
        CopySelection(FRow, FCol);
    else
        MoveSelection(FRow, FCol);
}

void TEditor::CancelSelDrag()
{
    FSelDragState = sdNone;
    SetCursorState(mcClient);
    viewport()->setCursor(Qt::IBeamCursor);
    CleanSelection();
}

void TEditor::CopySelection(int ARow, int ACol)
{
    if (!CanSelDrag() || IsSelectedArea(ARow, ACol)) {
        CleanSelection();
        return;
    }
    const QString s = SelText();
    CleanSelection();
    SetRowCol(ARow, ACol);
    SetSelTextBuf(s);
}

void TEditor::MoveSelection(int ARow, int ACol)
{
    if (!CanSelDrag() || IsSelectedArea(ARow, ACol)) {
        CleanSelection();
        return;
    }
    const QString s = SelText();
    const TSelectedPosition sel = FSelStr;
    const QString ta = RowString(ARow);
    const int d = CharIndexOfColumn(RowKinds(ARow), ACol);
    const QString crlf = QStringLiteral("\r\n");
    auto lineEnd = [&](int Row) { return RowAttribute(Row) == raCrlf ? crlf : QString(); };
    const QString beforeDrop = d > ta.size() ? ta + Blanks(d - int(ta.size())) : ta.left(d);
    const QString afterDrop = ta.mid(d) + lineEnd(ARow);
    const QString tsr = RowString(sel.Sr);
    const QString ter = RowString(sel.Er);
    const QString beforeSel = tsr.left(sel.Sc);
    const QString afterSel = ter.mid(sel.Ec + 1) + lineEnd(sel.Er);
    auto middle = [&](int A, int B) {
        QString m;
        for (int r = A; r <= B; ++r)
            m += RowString(r) + lineEnd(r);
        return m;
    };
    int top, bottom, ref, offset;
    QString text;
    if (ARow < sel.Sr || (ARow == sel.Sr && d <= sel.Sc)) {
        top = ARow;
        bottom = sel.Er;
        ref = ReferenceRow(ARow);
        offset = CharOffsetTo(ref, ARow, ACol) + int(s.size());
        if (ARow < sel.Sr)
            text = beforeDrop + s + afterDrop + middle(ARow + 1, sel.Sr - 1) + beforeSel + afterSel;
        else
            text = beforeDrop + s + tsr.mid(d, sel.Sc - d) + afterSel;
    } else if (ARow > sel.Er || (ARow == sel.Er && d >= sel.Ec + 1)) {
        top = sel.Sr;
        bottom = ARow;
        ref = ReferenceRow(sel.Sr);
        const int start = CharOffsetTo(ref, FSelDraw.Sr, FSelDraw.Sc);
        if (ARow > sel.Er) {
            const QString tail = afterSel + middle(sel.Er + 1, ARow - 1) + beforeDrop + s;
            text = beforeSel + tail + afterDrop;
            offset = start + int(tail.size());
        } else {
            QString between = ter.mid(sel.Ec + 1, d - sel.Ec - 1);
            if (d > ter.size())
                between += Blanks(d - std::max(int(ter.size()), sel.Ec + 1));
            text = beforeSel + between + s + afterDrop;
            offset = start + int(between.size() + s.size());
        }
    } else {
        CleanSelection();
        return;
    }
    BeginCaretUpdate();
    HideUnderline();
    try {
        CleanSelection();
        ReplaceRows(top, bottom, text);
        SetCaretByOffset(ref, offset);
    } catch (...) {
        ShowUnderline();
        EndCaretUpdate();
        throw;
    }
    ShowUnderline();
    EndCaretUpdate();
}

// ===========================================================================
// Drag and drop between editors

void TEditor::StartExternalDrag()
{
    QMimeData *m = SelectionMimeData();
    if (!m) {
        CancelSelDrag();
        return;
    }
    FExternalDrag = true;
    m->setData(QString::fromLatin1(kDragSourceMime), AddressOf(this));
    auto *drag = new QDrag(this);
    drag->setMimeData(m);
    const bool copy = QApplication::keyboardModifiers() & Qt::ControlModifier;
    const Qt::DropAction done =
        drag->exec(Qt::CopyAction | Qt::MoveAction, copy ? Qt::CopyAction : Qt::MoveAction);
    FExternalDrag = false;
    const bool wasDragging = FSelDragState == sdDragging;
    FSelDragState = sdNone;
    SetCursorState(mcClient);
    viewport()->setCursor(Qt::IBeamCursor);
    // dropped elsewhere as a move: the text leaves this editor (a drop on
    // this editor itself was done as a move of the selection already)
    if (wasDragging && done == Qt::MoveAction && Selected() && !FReadOnly)
        DeleteSelection();
    else if (Selected())
        CleanSelection();
}

void TEditor::dragEnterEvent(QDragEnterEvent *Event)
{
    if (!FReadOnly && Event->mimeData()->hasText())
        Event->acceptProposedAction();
    else
        Event->ignore();
}

void TEditor::dragMoveEvent(QDragMoveEvent *Event)
{
    if (FReadOnly || !Event->mimeData()->hasText()) {
        Event->ignore();
        return;
    }
    int r, c;
    const QPoint p = Event->position().toPoint();
    PosToRowCol(p.x(), p.y(), r, c, false);
    SetRowCol(std::max(0, r), c);
    const bool copy = Event->modifiers() & Qt::ControlModifier;
    if ((Event->possibleActions() & Qt::MoveAction) && !copy)
        Event->setDropAction(Qt::MoveAction);
    else
        Event->setDropAction(Qt::CopyAction);
    Event->accept();
}

void TEditor::dragLeaveEvent(QDragLeaveEvent *Event)
{
    Event->accept();
}

void TEditor::dropEvent(QDropEvent *Event)
{
    const QMimeData *m = Event->mimeData();
    if (FReadOnly || !m->hasText()) {
        Event->ignore();
        return;
    }
    int r, c;
    const QPoint p = Event->position().toPoint();
    PosToRowCol(p.x(), p.y(), r, c, false);
    r = std::max(0, r);
    const bool copy = (Event->modifiers() & Qt::ControlModifier) || !(Event->possibleActions() & Qt::MoveAction);
    if (m->data(QString::fromLatin1(kDragSourceMime)) == AddressOf(this)) {
        // back onto the editor it came from: the selection moves or is copied
        FSelDragState = sdNone;
        if (copy)
            CopySelection(r, c);
        else
            MoveSelection(r, c);
        Event->setDropAction(Qt::CopyAction); // nothing more for the source to do
        Event->accept();
        return;
    }
    if (SelectedData())
        CleanSelection();
    SetRowCol(r, c);
    if (m->hasFormat(QString::fromLatin1(CF_BOXTEXT_MIME)))
        SetSelTextBox(m->text());
    else
        SetSelTextBuf(m->text());
    Event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
    Event->accept();
}
