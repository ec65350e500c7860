#include "common/Interaction.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "platform/ui/WindowMessage.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>

void CommitActiveControl()
{
    QPointer<QWidget> w = QApplication::focusWidget();
    if (!w)
        return;
    // The exit handling of every control runs on focus-out: cell editors
    // store their text, edits that act when left do so.
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(w, &out);
    if (!w)
        return;
    if (auto *edit = qobject_cast<QLineEdit *>(w.data()))
        emit edit->editingFinished();
    if (!w)
        return;
    QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
    QApplication::sendEvent(w, &in);
}

void RefreshObjectWindows()
{
    IMainWindow *main = MainWindow();
    if (!main)
        return;
    // A reload may close windows: walk guarded copies of the list.
    QList<QPointer<QWidget>> children;
    for (QWidget *child : main->MdiChildren())
        children << child;
    for (const QPointer<QWidget> &child : children) {
        if (child && dynamic_cast<IConnectionWindow *>(child.data()))
            tv::ui::SendWindowMessage(child, tv::ui::WM_RELOAD, 0, 0);
    }
}
