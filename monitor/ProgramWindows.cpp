#include "monitor/ProgramWindows.h"

#include "monitor/MonitorLaunchers.h"
#include "objects/other/OtherWindows.h"
#include "objects/table/TableWindows.h"
#include "shell/frmEditorOption.h"
#include "shell/frmObject.h"
#include "shell/frmOption.h"
#include "shell/frmSupport.h"
#include "shell/frmUserCommand.h"
#include "sql/frmExecProc.h"
#include "sql/frmExecScript.h"
#include "sql/frmField.h"
#include "sql/frmSQL.h"
#include "sql/frmTemplate.h"
#include "sql/frmXLSSetup.h"
#include "tools/frmComp.h"
#include "tools/frmDBTest.h"
#include "tools/frmDataGenerate.h"
#include "tools/frmExp.h"
#include "tools/frmExpdp.h"
#include "tools/frmImp.h"
#include "tools/frmImpdp.h"
#include "tools/frmLoader.h"
#include "tools/frmMatrix.h"
#include "tools/frmScriptOption.h"

void RegisterProgramWindows()
{
    TfrmSQL::RegisterLauncher();
    TfrmExecProc::RegisterLauncher();
    TfrmObject::RegisterLaunchers();
    TfrmObject::RegisterReportLauncher();
    TfrmOption::RegisterLauncher();
    TfrmEditorOption::RegisterLauncher();
    TfrmSupport::RegisterLauncher();
    TfrmObject::RegisterCommandLaunchers();
    TfrmUserCommand::RegisterLauncher();
    TfrmXLSSetup::RegisterLauncher();
    TfrmExecScript::RegisterLauncher();
    TfrmField::RegisterLauncher();
    TfrmTemplate::RegisterLauncher();
    RegisterMonitorWindows();
    TfrmExp::RegisterLauncher();
    TfrmLoader::RegisterLauncher();
    TfrmComp::RegisterLauncher();
    TfrmScriptOption::RegisterLauncher();
    TfrmImp::RegisterLauncher();
    TfrmDataGenerate::RegisterLauncher();
    TfrmMatrix::RegisterLauncher();
    TfrmDBTest::RegisterLauncher();
    TfrmExpdp::RegisterLauncher();
    TfrmImpdp::RegisterLauncher();
    RegisterTableWindows();
    RegisterOtherWindows();
}
