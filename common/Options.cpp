#include "common/Options.h"

#include "common/CompOption.h"
#include "common/DBTestOption.h"
#include "common/DataToolGlobals.h"
#include "common/EditorOptions.h"
#include "common/ExpOption.h"
#include "common/ExpdpOption.h"
#include "common/FormatOption.h"
#include "common/Globals.h"
#include "common/ImpOption.h"
#include "common/ImpdpOption.h"
#include "common/LoadOption.h"
#include "common/ReserveWords.h"
#include "common/ScriptOption.h"
#include "common/Shortcuts.h"
#include "common/StatsOption.h"
#include "common/TrcOption.h"
#include "common/tvDB.h"
#include "common/tvOption.h"
#include "common/tvPrintOption.h"
#include "editor/tvMemoProp.h"
#include "platform/Errors.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Dialogs.h"

#include <exception>
#include <functional>

using tv::settings::TtvRegistry;

void LoadOptions()
{
    TtvRegistry &reg = tv::settings::tvRegistry();
    tvOption.Load(reg);
    tvPrintOption.Load(reg);
    LoadShortCuts(reg);
    ScriptOption.Load(reg);
    ExpOption.Load(reg);
    ImpOption.Load(reg);
    ExpdpOption.Load(reg);
    ImpdpOption.Load(reg);
    LoadOption.Load(reg);
    StatsOption.Load(reg);
    TrcOption.Load(reg, OracleHomeDir);
    CompOption.Load(reg);
    LoadLastAutoSave(reg);
    LoadAlertPathList(reg);
    FormatOption.Load(reg);
    DBTestOption.Load(reg);
    tvDB.Load(reg);
    LoadReserveWords(reg);
    if (prpEditor)
        LoadEditorOptions(reg, *prpEditor, ReserveWordList);
}

QString SaveOptionsFailedText(const QString &detail)
{
    return QStringLiteral("設定を保存できませんでした。\r\n%1").arg(detail);
}

bool SaveOptions()
{
    TtvRegistry &reg = tv::settings::tvRegistry();
    const std::function<void()> steps[] = {
        [&] { tvOption.Save(reg); },
        [&] { tvPrintOption.Save(reg); },
        [&] { SaveShortCuts(reg); },
        [&] { ScriptOption.Save(reg); },
        [&] { ExpOption.Save(reg); },
        [&] { ImpOption.Save(reg); },
        [&] { ExpdpOption.Save(reg); },
        [&] { ImpdpOption.Save(reg); },
        [&] { LoadOption.Save(reg); },
        [&] { StatsOption.Save(reg); },
        [&] { TrcOption.Save(reg); },
        [&] { CompOption.Save(reg); },
        [&] { SaveLastAutoSave(reg); },
        [&] { SaveAlertPathList(reg); },
        [&] { FormatOption.Save(reg); },
        [&] { DBTestOption.Save(reg); },
        [&] { tvDB.Save(reg); },
        [&] {
            if (prpEditor)
                SaveEditorOptions(reg, *prpEditor);
        },
        [&] { SaveReserveWords(reg); },
    };
    QString firstError;
    bool failed = false;
    for (const auto &step : steps) {
        try {
            step();
        } catch (const tv::Error &e) {
            if (!failed)
                firstError = e.text();
            failed = true;
        } catch (const std::exception &e) {
            if (!failed)
                firstError = QString::fromLocal8Bit(e.what());
            failed = true;
        }
    }
    if (failed) {
        tv::ui::CurrentDialogs().messageBox(SaveOptionsFailedText(firstError), QString(),
                                            tv::ui::MB_OK | tv::ui::MB_ICONERROR);
    }
    // A store file that cannot be written: the store has told the user (once).
    if (!reg.Flush())
        failed = true;
    return !failed;
}
