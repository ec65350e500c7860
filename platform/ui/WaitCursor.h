#pragma once
// The hourglass for the span of a statement or a longer piece of work: set
// when made, taken back when it goes, also when the work raises.
#include <QApplication>

namespace tv::ui {

class SqlWaitCursor {
public:
    SqlWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~SqlWaitCursor() { QApplication::restoreOverrideCursor(); }
    SqlWaitCursor(const SqlWaitCursor &) = delete;
    SqlWaitCursor &operator=(const SqlWaitCursor &) = delete;
};

} // namespace tv::ui
