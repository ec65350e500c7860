#include "common/ScriptOption.h"

#include "common/OptionIO.h"
#include "platform/settings/Folders.h"

TScriptOption ScriptOption;

template <class V>
void TScriptOption::Visit(V &v)
{
    v.Bool("OneScript", OneScript, false);
    v.Bool("SubDir", Dir, false);
    v.Bool("SameName", SameName, true);
    v.Text("Path", Path, tv::settings::DocumentsDir());
    v.Lines("NameTable", NameTable);
    v.Int("Schema", Owner, 1);
    v.Bool("Index", Index, false);
    v.Bool("Insert", Insert, false);
    v.Int("InsertMode", InsertMode, 0);
    v.Bool("Storage", Storage, true);
    v.Bool("ViewCol", ViewCol, true);
    v.Bool("Grant", Grant, false);
    v.Int("GrantMode", GrantMode, 0);
    v.Bool("NullLine", NullLine, false);
}

void TScriptOption::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("TEXTOUT")); }
void TScriptOption::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("TEXTOUT")); }
