// talvex: the program. Starts the shared services, shows the main window
// (which logs on with the command line's values) and runs the event loop.
#include "common/Globals.h"
#include "objects/other/OtherWindows.h"
#include "objects/table/TableWindows.h"
#include "monitor/MonitorLaunchers.h"
#include "platform/process/HeapPages.h"
#include "platform/ui/EscapeWatch.h"
#include "shell/frmMain.h"
#include "shell/frmEditorOption.h"
#include "shell/frmObject.h"
#include "shell/frmOption.h"
#include "shell/frmSupport.h"
#include "sql/frmExecProc.h"
#include "shell/frmUserCommand.h"
#include "sql/frmExecScript.h"
#include "sql/frmField.h"
#include "sql/frmSQL.h"
#include "sql/frmXLSSetup.h"
#include "sql/frmTemplate.h"
#include "tools/frmDataGenerate.h"
#include "tools/frmMatrix.h"
#include "tools/frmExp.h"
#include "tools/frmLoader.h"
#include "tools/frmComp.h"
#include "tools/frmScriptOption.h"
#include "tools/frmImp.h"
#include "tools/frmDBTest.h"
#include "tools/frmExpdp.h"
#include "tools/frmImpdp.h"

#include <QApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    tv::process::StartWithHugePageHeap(argv);
    QApplication app(argc, argv);
    // The program's file name: what the server shows as the application.
    QApplication::setApplicationName(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName());
    QApplication::setApplicationDisplayName(QStringLiteral("Talvex for Postgres"));

    // Japanese texts of Qt's standard buttons, when the translations are installed.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    tv::ui::InstallEscapeWatch();
    StartSharedServices();
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
    int rc = 0;
    {
        QStringList args = QApplication::arguments();
        args.removeFirst();
        TfrmMain main(args);
        main.show();
        rc = app.exec();
    }
    EndSharedServices();
    return rc;
}
