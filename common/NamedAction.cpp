#include "common/NamedAction.h"

#include "common/IMainWindow.h"

#include <QAction>

QAction *NewAction(QObject *Parent, const char *Name, const QString &Caption, const QString &Hint, int Icon)
{
    auto *a = new QAction(Caption, Parent);
    a->setObjectName(QString::fromLatin1(Name));
    if (!Hint.isEmpty()) {
        a->setToolTip(Hint);
        a->setStatusTip(Hint);
    }
    if (Icon >= 0) {
        if (IMainWindow *m = MainWindow())
            a->setIcon(m->MainImage(Icon));
    }
    return a;
}
