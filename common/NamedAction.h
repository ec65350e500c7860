#pragma once
// Actions of the windows: each named (its object name is the name the
// window's code and tests know it by), with its caption, the hint as tool
// tip and status text, and a picture of the main window's image list.
#include <QString>

class QAction;
class QObject;

// Icon: index into the main window's image list; -1 for none.
QAction *NewAction(QObject *Parent, const char *Name, const QString &Caption, const QString &Hint = QString(),
                   int Icon = -1);
