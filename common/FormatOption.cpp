#include "common/FormatOption.h"

#include "common/OptionIO.h"

TFormatOption FormatOption;

template <class V>
void TFormatOption::Visit(V &v)
{
    v.Int("Indent", Indent, 4);
    v.Int("ItemReturn", ItemReturn, 0);
    v.Int("ReservePos", ReservePos, 0);
    v.Int("CommaPos", CommaPos, 0);
    v.Int("AndPos", AndPos, 0);
    v.Int("ReserveTrans", ReserveTrans, 0);
    v.Int("ItemTrans", ItemTrans, 2);
}

void TFormatOption::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("FORMAT")); }
void TFormatOption::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("FORMAT")); }
