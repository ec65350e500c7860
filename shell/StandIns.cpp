// Calls into parts of the shell that are not built yet: the logon dialog,
// the task bar and workspace panel, the object tree and list, the user
// commands and reports, the list actions and the object clipboard. Each keeps
// its name and does nothing (or the least its callers need) until its part
// replaces it here.
#include "shell/frmLogon.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

// Logon dialog: not shown yet; no connection is made without the command line.
bool TfrmLogon::LogonDialog(const QString &, const QString &, const QString &, const QString &, const QString &,
                            const QString &)
{
    return false;
}

// Connection window: object tree and list, user-command and report menus,
// list-action enabling, object clipboard.
void TfrmObject::ShowTree() {}
void TfrmObject::ShowObject(bool) {}
void TfrmObject::SetCommandList() {}
void TfrmObject::SetReportList() {}
void TfrmObject::mnuObjectClick() {}
void TfrmObject::ClearCopyObjectList() {}
