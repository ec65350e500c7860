// Calls into parts of the connection window that are not built yet: the
// object list, its user-command and report menus, the list actions and the
// object clipboard. Each keeps its name and does nothing until its part
// replaces it here.
#include "shell/frmMain.h"
#include "shell/frmObject.h"

// Connection window: object list, user-command and report menus,
// list-action enabling, object clipboard.
void TfrmObject::SetCommandList() {}
void TfrmObject::SetReportList() {}
void TfrmObject::mnuObjectClick() {}
void TfrmObject::ClearCopyObjectList() {}
