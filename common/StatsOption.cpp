#include "common/StatsOption.h"

#include "common/OptionIO.h"
#include "platform/settings/Folders.h"

TStatsOption StatsOption;

template <class V>
void TStatsOption::Visit(V &v)
{
    v.Text("STATSPACK", StatsPack, QString());
    v.Text("REPORT", Report, tv::settings::DocumentsDir() + QStringLiteral("REPORT.LST"));
    v.Text("PURGE", Purge, QString());
    v.Text("TRUNCATE", Truncate, QString());
}

void TStatsOption::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("STATSPACK")); }
void TStatsOption::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("STATSPACK")); }
