#include "common/IMainWindow.h"

#include <QComboBox>
#include <QVariant>

namespace {
IMainWindow *g_mainWindow = nullptr;
}

IMainWindow::~IMainWindow() = default;
IChildWindow::~IChildWindow() = default;

IMainWindow *MainWindow()
{
    return g_mainWindow;
}

void RegisterMainWindow(IMainWindow *window)
{
    g_mainWindow = window;
}

QIcon MainWindowImage(int index)
{
    return g_mainWindow ? g_mainWindow->MainImage(index) : QIcon();
}

int ConnectionItemIndex(const QComboBox *box, const QString &text, Qt::CaseSensitivity cs,
                        const std::function<bool(const QVariant &)> &isOwn)
{
    int found = -1;
    for (int i = 0; i < box->count(); ++i) {
        if (QString::compare(box->itemText(i), text, cs) != 0)
            continue;
        if (isOwn && isOwn(box->itemData(i)))
            return i;
        if (found < 0)
            found = i;
    }
    return found;
}
