// talvex: the program. Starts the shared services, shows the main window
// (which logs on with the command line's values) and runs the event loop.
#include "common/Globals.h"
#include "monitor/ProgramWindows.h"
#include "platform/process/HeapPages.h"
#include "platform/ui/EscapeWatch.h"
#include "shell/frmMain.h"

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
    RegisterProgramWindows();
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
