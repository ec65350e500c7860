#include "monitor/MonitorLaunchers.h"

#include "monitor/frmDB.h"
#include "monitor/frmIndexAdviser.h"
#include "monitor/frmLock.h"
#include "monitor/frmSession.h"

void RegisterMonitorWindows()
{
    TfrmSession::RegisterLauncher();
    TfrmLock::RegisterLauncher();
    TfrmDB::RegisterLauncher();
    TfrmIndexAdviser::RegisterLauncher();
}
