#include "common/CompOption.h"

#include "common/OptionIO.h"

TCompOption CompOption;

template <class V>
void TCompOption::Visit(V &v)
{
    v.Bool("Equrl", Equrl, true);
    v.Bool("NotEqurl", NotEqurl, true);
    v.Bool("Only1", Only1, true);
    v.Bool("Only2", Only2, true);
}

void TCompOption::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("COMP")); }
void TCompOption::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("COMP")); }
