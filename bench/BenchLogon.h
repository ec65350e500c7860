#pragma once
// The program's main window logged on to a benchmark database from its
// command line, with the dialogs scripted (what they would show is kept).
#include "platform/ui/ScriptedDialogs.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QString>
#include <functional>
#include <memory>

namespace tvbench {

struct Logon {
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use{&dialogs};
    std::unique_ptr<TfrmMain> main;
    TfrmObject *form = nullptr;

    // Builds the main window logged on to `database` (the rest from the PG*
    // environment); `options` runs before the first paint, `show` shows the
    // window after it. Returns the connection window; null, with `error`
    // set to "logon failed: " and the messages, when there is none.
    TfrmObject *start(const QString &database, QString &error, const std::function<void()> &options = {},
                      bool show = false);
};

} // namespace tvbench
