#include "common/IConnectionWindow.h"

IConnectionWindow::~IConnectionWindow() = default;
