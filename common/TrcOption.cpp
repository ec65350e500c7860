#include "common/TrcOption.h"

#include "common/OptionIO.h"

TTrcOption TrcOption;

template <class V>
void TTrcOption::Visit(V &v, const QString &oracleHomeDir)
{
    v.Lines("Path", Path);
    v.Bool("TKPROF", TKProf, false);
    v.Bool("Explan", ExplainPlan, true);
    v.Text("PlanUser", PlanUserID, QString());
    v.Password("PlanPass", PlanPass);
    v.Text("PlanTable", PlanTable, QString());
    v.Bool("Aggregate", Aggregate, true);
    v.Bool("Sys", Sys, false);
    v.Text("Sort", Sort, QString());
    v.Text("Print", Print, QString());
    v.Text("TrcPgm", TrcPgm, oracleHomeDir + QStringLiteral("/BIN/TKPROF.EXE"));
}

void TTrcOption::Load(tv::settings::TtvRegistry &reg, const QString &oracleHomeDir)
{
    optionio::LoadRecord(*this, reg, QStringLiteral("TRACE"), oracleHomeDir);
}

void TTrcOption::Save(tv::settings::TtvRegistry &reg)
{
    optionio::SaveRecord(*this, reg, QStringLiteral("TRACE"), QString());
}
