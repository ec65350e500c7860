#include "common/Globals.h"

#include "common/CompOption.h"
#include "common/DBTestOption.h"
#include "common/DataToolGlobals.h"
#include "common/ExpOption.h"
#include "common/ExpdpOption.h"
#include "common/FormatOption.h"
#include "common/ImpOption.h"
#include "common/ImpdpOption.h"
#include "common/LoadOption.h"
#include "common/ScriptOption.h"
#include "common/Shortcuts.h"
#include "common/StatsOption.h"
#include "common/TrcOption.h"
#include "common/tvDB.h"
#include "common/tvOption.h"
#include "common/tvPrintOption.h"
#include "common/tvWorkSpace.h"
#include "editor/tvMacroList.h"
#include "editor/tvMemoProp.h"
#include "platform/settings/Folders.h"
#include "platform/settings/tvRegistry.h"

#include <QDir>

#include <memory>

QStringList SQLLogList;
TtvMemoProp *prpEditor = nullptr;
QString OracleHomeDir;
QString ExcelFileFilter;
bool ToastReadOnly = false;

namespace {

std::unique_ptr<TtvMemoProp> &EditorProp()
{
    static std::unique_ptr<TtvMemoProp> prop;
    return prop;
}

bool g_started = false;

} // namespace

QStringList DataSubFolders()
{
    return {QStringLiteral("temp"),   QStringLiteral("sample"),  QStringLiteral("usercmd"),
            QStringLiteral("xlsdef"), QStringLiteral("DATAGEN"), QStringLiteral("stat")};
}

void StartSharedServices()
{
    if (g_started)
        return;
    SQLLogList.clear();
    ReserveWordList.clear();
    EditorProp() = std::make_unique<TtvMemoProp>();
    prpEditor = EditorProp().get();
    CreateSharedMacroList();
    ScriptOption.NameTable.clear();
    TrcOption.Path.clear();
    tvOption.AlertLogPas.clear();
    AlertPathList.clear();
    ResetActionShortCuts();
    tv::settings::tvRegistry();

    tv::settings::DocumentsDir(); // creates the folder
    const QString data = tv::settings::DataDir();
    for (const QString &sub : DataSubFolders())
        QDir().mkpath(data + sub);
    g_started = true;
}

void EndSharedServices()
{
    SQLLogList.clear();
    ReserveWordList.clear();
    ScriptOption.NameTable.clear();
    TrcOption.Path.clear();
    tvOption.AlertLogPas.clear();
    AlertPathList.clear();
    FreeSharedMacroList();
    tv::settings::ReleaseSharedRegistry();

    prpEditor = nullptr;
    EditorProp().reset();
    OracleHomeDir.clear();
    ExcelFileFilter.clear();
    ToastReadOnly = false;
    tvWorkSpace.clear();
    ResetActionShortCuts();
    tvOption = TtvOption();
    tvPrintOption = TtvPrintOption();
    ScriptOption = TScriptOption();
    ExpOption = TExpOption();
    ImpOption = TImpOption();
    ExpdpOption = TExpdpOption();
    ImpdpOption = TImpdpOption();
    LoadOption = TLoadOption();
    StatsOption = TStatsOption();
    TrcOption = TTrcOption();
    CompOption = TCompOption();
    FormatOption = TFormatOption();
    DBTestOption = TDBTestOption();
    tvDB = TtvDB();
    LastAutoSave = QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    g_started = false;
}

bool SharedServicesStarted()
{
    return g_started;
}
