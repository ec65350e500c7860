#include "controls/tvControlUtil.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QStyle>
#include <QTreeWidgetItem>
#include <QWidget>

namespace tvctl {

bool IsBlankText(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() > 32)
            return false;
    return true;
}

void ApplyEnabledLook(QWidget *w)
{
    QPalette pal = w->palette();
    const QPalette app = w->style() ? w->style()->standardPalette() : QPalette();
    pal.setColor(QPalette::Base, w->isEnabled() ? app.color(QPalette::Active, QPalette::Base)
                                                : app.color(QPalette::Active, QPalette::Button));
    w->setPalette(pal);
}

bool ArrowLeavesEdit(int key, int cursor, bool hasSelection, int selStart, int textLength, bool *next)
{
    switch (key) {
    case Qt::Key_Left:
        *next = false;
        return cursor == 0 && !hasSelection;
    case Qt::Key_Up:
        *next = false;
        return true;
    case Qt::Key_Right:
        *next = true;
        return (hasSelection ? selStart : cursor) == textLength;
    case Qt::Key_Down:
        *next = true;
        return true;
    default:
        return false;
    }
}

void MoveFocus(QWidget *from, bool next)
{
    QWidget *w = from;
    for (;;) {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == from)
            return;
        if (w->window() == from->window() && !w->focusProxy() && w->isVisible() && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus) && !from->isAncestorOf(w)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

bool IsReturnKey(const QKeyEvent *e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

bool IsPlainTabKey(const QKeyEvent *e)
{
    return e->key() == Qt::Key_Tab && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

bool HandleEditFocusKeys(QLineEdit *edit, QKeyEvent *e, bool wantReturns, bool wantArrow)
{
    if (wantReturns && IsReturnKey(e)) {
        MoveFocus(edit, true);
        return true;
    }
    bool next = true;
    if (wantArrow && e->modifiers() == Qt::NoModifier &&
        ArrowLeavesEdit(e->key(), edit->cursorPosition(), edit->hasSelectedText(),
                        edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition(),
                        int(edit->text().length()), &next))
        MoveFocus(edit, next);
    return false;
}

void SetItemSubItems(QTreeWidgetItem *item, QStringList &subItems, const QStringList &value)
{
    for (int i = int(value.size()); i < subItems.size(); ++i)
        item->setText(i + 1, QString());
    subItems = value;
    for (int i = 0; i < subItems.size(); ++i)
        item->setText(i + 1, subItems[i]);
}

void SetItemSubItem(QTreeWidgetItem *item, QStringList &subItems, int index, const QString &value)
{
    if (index < 0)
        return;
    while (subItems.size() <= index)
        subItems.append(QString());
    subItems[index] = value;
    item->setText(index + 1, value);
}

} // namespace tvctl
