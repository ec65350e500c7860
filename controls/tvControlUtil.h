#pragma once
// Small pieces shared by the controls.
#include <QString>
#include <QStringList>

class QWidget;
class QKeyEvent;
class QLineEdit;
class QTreeWidgetItem;

namespace tvctl {

// Text with the characters of code 32 or below removed at both ends is empty.
bool IsBlankText(const QString &text);

// Paints the base of an edit-like control in the window colour while enabled
// and in the button-face colour while disabled.
void ApplyEnabledLook(QWidget *w);

// Arrow handling of the single-line edits: true when the key moves the focus
// (previous when *next is false). Caret and selection as the edit reports them.
bool ArrowLeavesEdit(int key, int cursor, bool hasSelection, int selStart, int textLength, bool *next);

// Moves the focus to the next (previous) control of the window in tab order,
// as the dialog manager does for Enter and the arrow keys.
void MoveFocus(QWidget *from, bool next);

// Enter (with WantReturns) and the arrow keys at the text's ends (with
// WantArrow) move the focus of a single-line edit. Returns true when the key
// was Enter and is used up; after an arrow that moved the focus the edit
// still handles the key, as the platform's edit does.
bool HandleEditFocusKeys(QLineEdit *edit, QKeyEvent *e, bool wantReturns, bool wantArrow);

bool IsReturnKey(const QKeyEvent *e);
bool IsPlainTabKey(const QKeyEvent *e);

// The texts after the first column of a list or tree item, kept in subItems
// and shown in columns 1, 2 ... of the item. Setting the whole list empties
// the columns it no longer fills; setting one text (ignored below 0) fills
// the texts before it with empty ones.
void SetItemSubItems(QTreeWidgetItem *item, QStringList &subItems, const QStringList &value);
void SetItemSubItem(QTreeWidgetItem *item, QStringList &subItems, int index, const QString &value);

} // namespace tvctl
