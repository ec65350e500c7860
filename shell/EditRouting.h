#pragma once
// The main window's edit commands on whatever control has the focus. Each
// kind of control gets what it understands: a control that is its own edit
// target (the SQL editor) gets the edit-target calls; an edit box (also the
// cell editors of grids and the edit field of a combo box) its own clipboard
// and undo; a list view copies the captions of its selected items and
// selects every item; a data grid copies its selected records or field and
// selects every record; a string grid copies its current cell.
#include <QString>

class QWidget;
class TtvMemo;

enum class TEditCommand { Undo, Redo, Cut, Copy, Paste, Delete, SelectAll };

// The SQL editor that is (or contains) the widget; null for any other control.
TtvMemo *SqlEditorOf(QWidget *focus);
// Whether the control is a read-only SQL editor.
bool IsReadOnlySqlEditor(QWidget *focus);

// Runs the command on the control; nothing for a control that knows none.
void RouteEditCommand(QWidget *focus, TEditCommand command);

// The selected text of an SQL editor or an edit box (empty for others), and
// its replacement as one undoable step.
QString SelectedTextOf(QWidget *focus);
void ReplaceSelectedText(QWidget *focus, const QString &text);
// Whether the control has a selection (the SQL editor, an edit box).
bool HasSelection(QWidget *focus);
