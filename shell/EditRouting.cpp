#include "shell/EditRouting.h"

#include "controls/tvDBGridCustom.h"
#include "controls/tvListView.h"
#include "controls/tvStringGrid.h"
#include "editor/EditTarget.h"
#include "editor/tvMemo.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

using tv::grid::TDBGridInplaceEdit;
using tv::grid::TtvDBGridCustom;

template <class T>
T *Up(QWidget *w)
{
    // The control itself, or the control whose inner part (viewport) it is.
    for (QWidget *p = w; p; p = p->parentWidget()) {
        if (auto *t = qobject_cast<T *>(p))
            return t;
        if (p->isWindow())
            break;
    }
    return nullptr;
}

QLineEdit *LineEditOf(QWidget *w)
{
    if (!w)
        return nullptr;
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e;
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->lineEdit();
    return nullptr;
}

// Select all on a data grid: the first press selects the cell text, the
// second (or the first without a cell editor) every record.
void GridSelectAll(TtvDBGridCustom *grid, TDBGridInplaceEdit *cell)
{
    if (cell && !cell->isHidden()) {
        const QString text = cell->text();
        const bool whole = text.isEmpty() || (cell->selectionStart() == 0 && cell->selectedText() == text);
        if (!whole) {
            cell->selectAll();
            return;
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        grid->SelectAll();
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
}

} // namespace

TtvMemo *SqlEditorOf(QWidget *focus)
{
    return Up<TtvMemo>(focus);
}

bool IsReadOnlySqlEditor(QWidget *focus)
{
    TtvMemo *m = SqlEditorOf(focus);
    return m && m->ReadOnly();
}

void RouteEditCommand(QWidget *focus, TEditCommand command)
{
    if (!focus)
        return;
    // The data grid's cell editor first: it is an edit box with the grid's
    // own clipboard handling.
    if (auto *cell = qobject_cast<TDBGridInplaceEdit *>(focus)) {
        auto *grid = Up<TtvDBGridCustom>(cell->parentWidget());
        switch (command) {
        case TEditCommand::Copy: cell->Copy(); return;
        case TEditCommand::Paste: cell->Paste(); return;
        case TEditCommand::Delete: cell->Clear(); return;
        case TEditCommand::SelectAll:
            if (grid)
                GridSelectAll(grid, cell);
            else
                cell->selectAll();
            return;
        default: break; // undo, redo and cut as an edit box
        }
    }
    if (TEditTarget *t = TEditTarget::Of(focus)) {
        switch (command) {
        case TEditCommand::Undo: t->EditUndo(); return;
        case TEditCommand::Redo:
            // An SQL editor redoes; any other target knows only undo.
            if (SqlEditorOf(focus))
                t->EditRedo();
            else
                t->EditUndo();
            return;
        case TEditCommand::Cut: t->EditCut(); return;
        case TEditCommand::Copy: t->EditCopy(); return;
        case TEditCommand::Paste: t->EditPaste(); return;
        case TEditCommand::Delete: t->EditClear(); return;
        case TEditCommand::SelectAll: t->EditSelectAll(); return;
        }
    }
    if (QLineEdit *e = LineEditOf(focus)) {
        switch (command) {
        case TEditCommand::Undo:
        case TEditCommand::Redo: e->undo(); return; // an edit box knows no redo
        case TEditCommand::Cut:
            if (e->hasSelectedText())
                e->cut();
            return;
        case TEditCommand::Copy:
            if (e->hasSelectedText())
                e->copy();
            return;
        case TEditCommand::Paste: e->paste(); return;
        case TEditCommand::Delete: e->del(); return;
        case TEditCommand::SelectAll: e->selectAll(); return;
        }
    }
    if (auto *e = qobject_cast<QPlainTextEdit *>(focus)) {
        switch (command) {
        case TEditCommand::Undo:
        case TEditCommand::Redo: e->undo(); return;
        case TEditCommand::Cut:
            if (e->textCursor().hasSelection())
                e->cut();
            return;
        case TEditCommand::Copy:
            if (e->textCursor().hasSelection())
                e->copy();
            return;
        case TEditCommand::Paste: e->paste(); return;
        case TEditCommand::Delete: e->textCursor().removeSelectedText(); return;
        case TEditCommand::SelectAll: e->selectAll(); return;
        }
    }
    if (auto *list = Up<TtvListView>(focus)) {
        if (command == TEditCommand::Copy)
            list->copy();
        else if (command == TEditCommand::SelectAll)
            list->selectAll();
        return;
    }
    if (auto *grid = Up<TtvDBGridCustom>(focus)) {
        if (command == TEditCommand::Copy)
            grid->CopyRecords();
        else if (command == TEditCommand::SelectAll)
            GridSelectAll(grid, nullptr);
        return;
    }
    if (auto *grid = Up<TtvStringGrid>(focus)) {
        if (command == TEditCommand::Copy)
            grid->copy();
        return;
    }
}

QString SelectedTextOf(QWidget *focus)
{
    if (TtvMemo *m = SqlEditorOf(focus))
        return m->SelText();
    if (QLineEdit *e = LineEditOf(focus))
        return e->selectedText();
    return QString();
}

void ReplaceSelectedText(QWidget *focus, const QString &text)
{
    if (TtvMemo *m = SqlEditorOf(focus)) {
        m->EditReplaceSel(text);
        return;
    }
    if (QLineEdit *e = LineEditOf(focus)) {
        if (e->isReadOnly() || !e->hasSelectedText())
            return;
        const int start = e->selectionStart();
        e->insert(text); // one undo step of the box
        e->setSelection(start, int(text.size()));
    }
}

bool HasSelection(QWidget *focus)
{
    if (TtvMemo *m = SqlEditorOf(focus))
        return m->EditSelected();
    if (QLineEdit *e = LineEditOf(focus))
        return e->hasSelectedText();
    return false;
}
