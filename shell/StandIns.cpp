// Calls into parts of the connection window that are not built yet: the
// user-command and report menus of the object list (they fill mnuCommand and
// mnuReport) and the grant script. Each keeps its name and does nothing until
// its part replaces it here.
#include "shell/frmMain.h"
#include "shell/frmObject.h"

// Connection window: user-command and report menus.
void TfrmObject::SetCommandList() {}
void TfrmObject::SetReportList() {}
// Grant script: writes nothing.
void TfrmObject::OutputGrant(const QString &, const QString &, QIODevice &, int, const QString &, const QString &) {}
