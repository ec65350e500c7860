// Calls into parts of the connection window that are not built yet: the
// report menu of the object list (it fills mnuReport). Each keeps its name and
// does nothing until its part replaces it here.
#include "shell/frmMain.h"
#include "shell/frmObject.h"

// Connection window: report menu.
void TfrmObject::SetReportList() {}
