#pragma once
// Launchers of windows by action name. A window that the main window's
// actions open (the SQL window for "actViewSQL", the tools of later layers)
// registers a function here when its library starts; the main window's action
// calls Launch() with the action name and does nothing while no launcher is
// registered. Registration is by action name, letter case ignored.
//
// Use from a higher layer:
//   static const bool registered = RegisterLauncher("actViewSQL", [](const TLaunchContext &c) {
//       return TfrmSQL::OpenNew(c);
//   });
// or call RegisterLauncher once at program start (app/ main) so the linker
// keeps the registration.
#include <QString>

#include <functional>

class QWidget;
class TfrmObject;

// What a launcher gets: the connection window that is current when the
// action runs (null when there is none) and the main window.
struct TLaunchContext {
    TfrmObject *Connection = nullptr;
    QWidget *MainWindow = nullptr;
    // Free text for launchers that take an argument (a file name, an SQL text,
    // the selected text of the focused editor).
    QString Argument;
    // The object a launcher is asked about (the tables-and-columns browser's
    // schema and table; the execution window's program).
    QString Schema;
    QString ObjectName;
    int ObjectType = 0;
    qint64 OID = -1;
    // Whether the execution window offers its debug run.
    bool Debug = true;
};

// Returns the window it opened or brought forward, null when it opened none.
using TWindowLauncher = std::function<QWidget *(const TLaunchContext &)>;

// Registers (replacing any earlier) the launcher of an action; an empty
// function unregisters it. Returns true so it can initialise a static.
bool RegisterLauncher(const QString &actionName, TWindowLauncher fn);
// Whether a launcher is registered for the action.
bool HasLauncher(const QString &actionName);
// Runs the action's launcher; null when none is registered.
QWidget *Launch(const QString &actionName, const TLaunchContext &context);
