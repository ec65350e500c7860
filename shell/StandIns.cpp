// Calls into parts of the shell that are not built yet: the task bar and
// workspace panel, the object list, the user
// commands and reports, the list actions and the object clipboard. Each keeps
// its name and does nothing (or the least its callers need) until its part
// replaces it here.
#include "shell/frmMain.h"
#include "shell/frmObject.h"

// Main window: user-command, report and home-page menus; workspace panel.
void TfrmMain::SetCommandList() {}
void TfrmMain::SetReportList() {}
void TfrmMain::SetHomePage() {}
void TfrmMain::ShowWorkSpace(QWidget *) {}

// Connection window: object list, user-command and report menus,
// list-action enabling, object clipboard.
void TfrmObject::ShowObject(bool) {}
void TfrmObject::SetCommandList() {}
void TfrmObject::SetReportList() {}
void TfrmObject::mnuObjectClick() {}
void TfrmObject::ClearCopyObjectList() {}
