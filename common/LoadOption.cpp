#include "common/LoadOption.h"

#include "common/OptionIO.h"
#include "platform/settings/Folders.h"

TLoadOption LoadOption;

template <class V>
void TLoadOption::Visit(V &v)
{
    v.Text("SaveDir", SaveDir, tv::settings::DocumentsDir());
    v.Text("DataFile", DataFile, QString());
    v.Int("Output", Output, 0);
    v.Int("FormatTo", FormatTo, 0);
    v.Text("EncodingTo", EncodingTo, QString());
    v.Text("DelimiterTo", DelimiterTo, QString());
    v.Text("NullTo", NullTo, QString());
    v.Bool("OidTo", OidTo, false);
    v.Bool("HeaderTo", HeaderTo, true);
    v.Bool("ForceQuote", ForceQuote, true);
    v.Text("QuoteTo", QuoteTo, QString());
    v.Text("EscapeTo", EscapeTo, QString());
    v.Int("Input", Input, 0);
    v.Int("FormatFrom", FormatFrom, 0);
    v.Text("EncodingFrom", EncodingFrom, QString());
    v.Text("DelimiterFrom", DelimiterFrom, QString());
    v.Text("NullFrom", NullFrom, QString());
    v.Bool("OidFrom", OidFrom, true);
    v.Bool("HeaderFrom", HeaderFrom, true);
    v.Bool("ForceNotNull", ForceNotNull, true);
    v.Text("QuoteFrom", QuoteFrom, QString());
    v.Text("EscapeFrom", EscapeFrom, QString());
}

void TLoadOption::Load(tv::settings::TtvRegistry &reg) { optionio::LoadRecord(*this, reg, QStringLiteral("LOADER")); }
void TLoadOption::Save(tv::settings::TtvRegistry &reg) { optionio::SaveRecord(*this, reg, QStringLiteral("LOADER")); }
