#include "common/ImpdpOption.h"

#include "common/OptionIO.h"

TImpdpOption ImpdpOption;

template <class V>
void TImpdpOption::Visit(V &v)
{
    v.Text("ImpdpDirObj", ImpdpDirObj, QString());
    v.Text("FileName", ImpFile, QStringLiteral("EXPDPDAT.DMP"));
    v.Text("UserID", UserID, QString());
    v.Password("Pass", Pass);
    v.Bool("Grants", Grants, true);
    v.Bool("Indexes", Indexes, true);
    v.Bool("Rows", Rows, true);
    v.Bool("Constraints", Constraints, true, /*loadOnly=*/true);
    v.Text("ImpdpInfoDirObj", ImpdpInfoDirObj, QString());
    v.Text("IndexFile", IndexFile, QString());
    v.Bool("Ignore", Ignore, false);
    v.Int("IgnoreItem", IgnoreItem, 0);
    v.Bool("Destroy", Destroy, false);
    v.Text("ImpPgm", ImpPgm, QString());
    v.Bool("Background", Background, false);
    v.Text("ImpdpLogDirObj", ImpdpLogDirObj, QString());
    v.Text("LogFile", LogFile, QStringLiteral("IMPDP.LOG"));
    v.Text("UserList", UserList, QString());
    v.Text("TableList", TableList, QString());
}

void TImpdpOption::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("IMPORT_DP")); }
void TImpdpOption::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("IMPORT_DP")); }
