#include "common/tvPrintOption.h"

#include "common/OptionIO.h"

TtvPrintOption tvPrintOption;

template <class V>
void TtvPrintOption::Visit(V &v)
{
    v.Enum("Orientation", Orientation, poPortrait, 2);
    v.Int("LeftMargin", MMLeftMargin, 20);
    v.Int("TopMargin", MMTopMargin, 20);
    v.Int("RightMargin", MMRightMargin, 20);
    v.Int("BottomMargin", MMBottomMargin, 20);
    v.Text("FontName", FontName, QStringLiteral("ＭＳ ゴシック"));
    v.Int("FontSize", FontSize, 10);
}

void TtvPrintOption::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("PRINTOPTION")); }
void TtvPrintOption::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("PRINTOPTION")); }
