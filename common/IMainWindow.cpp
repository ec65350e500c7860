#include "common/IMainWindow.h"

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
