#include "common/DBTestOption.h"

#include "common/OptionIO.h"

TDBTestOption DBTestOption;

template <class V>
void TDBTestOption::Visit(V &v)
{
    v.Int("Session", Session, 10);
    v.Int("SpanTime", SpanTime, 0);
    v.Text("UserId", UserId, QString());
    v.Text("Password", Password, QString());
    v.Bool("Error", Error, true);
}

void TDBTestOption::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("DBTEST")); }
void TDBTestOption::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("DBTEST")); }
