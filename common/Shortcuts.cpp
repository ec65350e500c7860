#include "common/Shortcuts.h"

#include "common/OptionIO.h"
#include "platform/ui/ShortCut.h"

#include <array>

using tv::ui::scCtrl;
using tv::ui::scNone;
using tv::ui::scShift;
using tv::ui::ShortCut;

namespace {

constexpr int F3 = tv::ui::VK_F1 + 2;

constexpr std::array<TActionShortCutDef, ActionShortCutCount> kDefs = {{
    {"DBCommit", "actDBCommit", 0},
    {"DBRollback", "actDBRollback", 0},
    {"DBLogon", "actDBLogon", 0},
    {"DBLogoff", "actDBLogoff", 0},
    {"FileExit", "actFileExit", 0},
    {"EditUndo", "actEditUndo", ShortCut('Z', scCtrl)},
    {"EditRedo", "actEditRedo", ShortCut('Y', scCtrl)},
    {"EditCut", "actEditCut", ShortCut('X', scCtrl)},
    {"EditCopy", "actEditCopy", ShortCut('C', scCtrl)},
    {"EditPaste", "actEditPaste", ShortCut('V', scCtrl)},
    {"EditDelete", "actEditDelete", 0},
    {"EditRename", "actEditRename", 0},
    {"EditSelectAll", "actEditSelectAll", ShortCut('A', scCtrl)},
    {"EditSelectMode", "actEditSelectMode", 0},
    {"EditFind", "actEditFind", ShortCut('F', scCtrl)},
    {"EditFindNext", "actEditFindNext", ShortCut(F3, scNone)},
    {"EditFindPrev", "actEditFindPrev", ShortCut(F3, scShift)},
    {"EditReplace", "actEditReplace", ShortCut('R', scCtrl)},
    {"EditJump", "actEditJump", ShortCut('G', scCtrl)},
    {"EditFormat", "actEditFormat", 0},
    {"EditComment", "actEditComment", ShortCut(tv::ui::VK_OEM_MINUS, scCtrl)},
    {"EditUpperCase", "actEditUpperCase", 0},
    {"EditLowerCase", "actEditLowerCase", 0},
    {"EditIndentF", "actEditIndentF", 0},
    {"EditIndentR", "actEditIndentR", 0},
    {"EditMacroSave", "actEditMacroSave", 0},
    {"EditMacroExec", "actEditMacroExec", 0},
    {"EditOpen", "actEditOpen", 0},
    {"ObjectNew", "actNew", 0},
    {"ObjectOpen", "actOpen", 0},
    {"ObjectOpenDefine", "actOpenDefine", 0},
    {"ObjectOpenSource", "actOpenSource", 0},
    {"ObjectOpenData", "actOpenData", 0},
    {"ObjectOpenDataTop", "actOpenDataTop", 0},
    {"ObjectExec", "actExec", 0},
    {"ObjectScript", "actScript", 0},
    {"ObjectPrint", "actPrint", 0},
    {"ObjectCross", "actCross", 0},
    {"ObjectMatrix", "actMatrix", 0},
    {"ObjectGrant", "actGrant", 0},
    {"ObjectAnalyze", "actAnalyze", 0},
    {"ObjectDelete", "actDelete", ShortCut(tv::ui::VK_DELETE, scNone)},
    {"ObjectGrep", "actGrep", 0},
    {"ObjectExport", "actExport", 0},
    {"ObjectLoad", "actLoad", 0},
    {"ViewSQL", "actViewSQL", ShortCut('S', scCtrl)},
    {"ViewScript", "actViewScript", 0},
    {"ViewField", "actViewField", ShortCut('T', scCtrl)},
    {"ViewTemplate", "actViewTemplate", ShortCut('J', scCtrl)},
    {"ViewSQLCatch", "actViewSQLCatch", 0},
    {"ViewSQLCRUD", "actViewSQLCRUD", 0},
    {"AdminUser", "actAdminUser", 0},
    {"AdminStorage", "actAdminStorage", 0},
    {"AdminSession", "actAdminSession", 0},
    {"AdminLock", "actAdminLock", 0},
    {"AdminDatabase", "actAdminDatabase", 0},
    {"AdminPerform", "actAdminPerform", 0},
    {"AdminExport", "actAdminExport", 0},
    {"AdminImport", "actAdminImport", 0},
    {"AdminLoad", "actAdminLoad", 0},
    {"ToolCommandSetup", "actToolCommandSetup", 0},
    {"ToolReportSetup", "actToolReportSetup", 0},
    {"ToolOption", "actToolOption", 0},
    {"ViewComp", "actViewComp", 0},
    {"ToolIndexAdviser", "actToolIndexAdviser", 0},
    {"ToolEditorOption", "actToolEditorOption", 0},
    {"ToolScriptOption", "actToolScriptOption", 0},
}};

std::array<int, ActionShortCutCount> MakeDefaults()
{
    std::array<int, ActionShortCutCount> a{};
    for (int i = 0; i < ActionShortCutCount; ++i)
        a[size_t(i)] = kDefs[size_t(i)].DefaultShortCut;
    return a;
}

std::array<int, ActionShortCutCount> &Current()
{
    static std::array<int, ActionShortCutCount> current = MakeDefaults();
    return current;
}

bool ValidIndex(int Index)
{
    return Index >= 0 && Index < ActionShortCutCount;
}

const QString kShortCutKey = QStringLiteral("SHORTCUT");

} // namespace

const TActionShortCutDef &ActionShortCutDef(int Index)
{
    return kDefs.at(size_t(Index));
}

int IndexOfActionShortCut(const QString &Name)
{
    for (int i = 0; i < ActionShortCutCount; ++i) {
        const TActionShortCutDef &d = kDefs[size_t(i)];
        if (Name.compare(QLatin1String(d.ValueName), Qt::CaseInsensitive) == 0
            || Name.compare(QLatin1String(d.ActionName), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int ActionShortCut(int Index)
{
    return ValidIndex(Index) ? Current()[size_t(Index)] : 0;
}

void SetActionShortCut(int Index, int ShortCut)
{
    if (ValidIndex(Index))
        Current()[size_t(Index)] = ShortCut;
}

void ResetActionShortCuts()
{
    Current() = MakeDefaults();
}

void LoadShortCuts(tv::settings::TtvRegistry &reg)
{
    if (!reg.OpenKey(optionio::OptionKey(kShortCutKey), true))
        return;
    for (int i = 0; i < ActionShortCutCount; ++i) {
        const QString current = tv::ui::ShortCutToText(Current()[size_t(i)]);
        const QString text = reg.GetString(QLatin1String(kDefs[size_t(i)].ValueName), current);
        Current()[size_t(i)] = tv::ui::TextToShortCut(text);
    }
    try {
        reg.CloseKey();
    } catch (...) {
        // Only a pending write of an earlier save can fail here; it is
        // reported by the next save.
    }
}

void SaveShortCuts(tv::settings::TtvRegistry &reg)
{
    optionio::OptionSaver saver(reg, kShortCutKey);
    for (int i = 0; i < ActionShortCutCount; ++i)
        reg.WriteString(QLatin1String(kDefs[size_t(i)].ValueName), tv::ui::ShortCutToText(Current()[size_t(i)]));
    saver.Close();
}
