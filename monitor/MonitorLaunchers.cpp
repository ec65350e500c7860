#include "monitor/MonitorLaunchers.h"

#include "monitor/frmDB.h"
#include "monitor/frmIndexAdviser.h"
#include "monitor/frmLock.h"
#include "monitor/frmPerform.h"
#include "monitor/frmSQLCRUD.h"
#include "monitor/frmSQLCatch.h"
#include "monitor/frmSession.h"
#include "monitor/frmStorage.h"
#include "monitor/frmUserList.h"

void RegisterMonitorWindows()
{
    TfrmSession::RegisterLauncher();
    TfrmLock::RegisterLauncher();
    TfrmDB::RegisterLauncher();
    TfrmIndexAdviser::RegisterLauncher();
    TfrmUserList::RegisterLauncher();
    TfrmStorage::RegisterLauncher();
    TfrmSQLCatch::RegisterLauncher();
    TfrmSQLCRUD::RegisterLauncher();
    TfrmPerform::RegisterLauncher();
}
