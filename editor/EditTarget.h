#pragma once
// TEditTarget: the edit commands of a text control as the main window's Edit
// menu calls them on whatever control has the focus (undo, redo, cut, copy,
// paste, delete, select all) and the queries other code makes of a text
// control (selection, lines, whole text).
//
// Offsets count characters of the whole text with every line end as two.
// A read-only control answers the queries and ignores the changes: undo
// answers false, set-text does nothing.
#include <QString>

class QWidget;

class TEditTarget {
public:
    virtual ~TEditTarget() = default;

    virtual bool EditCanUndo() const = 0;
    // True when a step was undone.
    virtual bool EditUndo() = 0;
    virtual bool EditCanRedo() const = 0;
    virtual bool EditRedo() = 0;
    // Cut and copy with nothing selected leave the clipboard as it was.
    virtual void EditCut() = 0;
    virtual void EditCopy() = 0;
    virtual void EditPaste() = 0;
    // Deletes the selection.
    virtual void EditClear() = 0;
    virtual void EditSelectAll() = 0;
    virtual void EditReplaceSel(const QString &Text) = 0;
    virtual void EditGetSel(int &Start, int &End) const = 0;
    // Selects the offsets between the smaller and the larger value; (0, -1)
    // selects everything.
    virtual void EditSetSel(int Start, int End) = 0;
    // Offset of the start of a row (-1: the caret's row); -1 for no such row.
    virtual int EditLineIndex(int Row) const = 0;
    // Row holding the offset (-1: the selection's or caret's row).
    virtual int EditLineFromChar(int Offset) const = 0;
    // Length of the row holding the offset (-1: see the edit control).
    virtual int EditLineLength(int Offset) const = 0;
    virtual int EditLineCount() const = 0;
    virtual QString EditGetLine(int Row) const = 0;
    virtual void EditSetText(const QString &Text) = 0;
    virtual QString EditGetText() const = 0;
    virtual int EditGetTextLength() const = 0;
    virtual bool EditReadOnly() const = 0;
    virtual bool EditSelected() const = 0;

    // The edit target of a widget (the widget itself or, for a viewport or
    // other inner part, the nearest ancestor that is one); nullptr when none.
    static TEditTarget *Of(QWidget *Widget);
};
