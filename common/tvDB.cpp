#include "common/tvDB.h"

#include "common/OptionIO.h"

TtvDB tvDB;

template <class V>
void TtvDB::Visit(V &v)
{
    v.Text("AutoConfPath", AutoConfPath, QString());
}

void TtvDB::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("DB")); }
void TtvDB::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("DB")); }
