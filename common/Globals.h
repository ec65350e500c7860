#pragma once
// The process-wide objects of the shared services. They exist from
// StartSharedServices, which runs before the main window is created, until
// EndSharedServices, after it has gone:
//
//   SQLLogList        file names of the SQL history, newest first
//   ReserveWordList   the reserved words (common/ReserveWords.h)
//   prpEditor         the editor settings of every SQL editor
//   the lists of the option records (ScriptOption.NameTable, TrcOption.Path,
//   tvOption.AlertLogPas, AlertPathList) and the option records themselves
//   tvWorkSpace       the workspace (common/tvWorkSpace.h)
//   tvRegistry()      the settings store (platform/settings/tvRegistry.h)
//
// The program's folders are tv::settings::ProgramDir(), DocumentsDir() and
// DataDir() (platform/settings/Folders.h); start-up creates them and the data
// folder's subfolders "temp", "sample", "usercmd", "xlsdef", "DATAGEN" and
// "stat".
#include "common/ReserveWords.h"

#include <QString>
#include <QStringList>

class TtvMemoProp;

extern QStringList SQLLogList;
// Owned by the shared services; null outside StartSharedServices ..
// EndSharedServices.
extern TtvMemoProp *prpEditor;
// The database client's home folder (set by the main window at start-up;
// empty on this platform).
extern QString OracleHomeDir;
// File-dialog filter of spreadsheet files (set by the main window from
// tvOption.ExcelExt).
extern QString ExcelFileFilter;
// Set by the table and index windows while they show a TOAST relation.
extern bool ToastReadOnly;

// The subfolders that start-up creates below the data folder.
QStringList DataSubFolders();

// Creates the objects above, the settings store and the folders (a folder
// that cannot be created is left to the first file that needs it). Calling it
// again while started does nothing.
void StartSharedServices();
// Writes and frees the settings store, frees prpEditor, empties the lists and
// the workspace and returns every option record to its defaults.
void EndSharedServices();
bool SharedServicesStarted();
