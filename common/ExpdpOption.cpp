#include "common/ExpdpOption.h"

#include "common/OptionIO.h"

TExpdpOption ExpdpOption;

template <class V>
void TExpdpOption::Visit(V &v)
{
    v.Text("ExpdpDirObj", ExpdpDirObj, QString());
    v.Text("FileName", ExpdpFile, QStringLiteral("EXPDPDAT.DMP"));
    v.Text("UserID", UserID, QString());
    v.Password("Pass", Pass);
    v.Bool("Grants", Grants, true);
    v.Bool("Indexes", Indexes, true);
    v.Bool("Rows", Rows, true);
    v.Bool("Constraints", Constraints, true);
    v.Text("ExpPgm", ExpPgm, QString());
    v.Bool("Background", Background, false);
    v.Text("ExpdpLogDirObj", ExpdpLogDirObj, QString());
    v.Text("LogFile", LogFile, QStringLiteral("EXPDP.LOG"));
}

void TExpdpOption::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("EXPORT_DP")); }
void TExpdpOption::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("EXPORT_DP")); }
