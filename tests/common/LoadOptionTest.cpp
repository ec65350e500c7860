// Loader options ("LOADER").
#include "OptionTableCheck.h"
#include "common/LoadOption.h"

using namespace opttest;
using tv::settings::TtvRegistry;

namespace {

class LoadOptionStore : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
    std::vector<Row> Rows() const
    {
        return {
            {"SaveDir", S, Folder(scratch)}, {"DataFile", S, ""}, {"Output", I, 0},
            {"FormatTo", I, 0}, {"EncodingTo", S, ""}, {"DelimiterTo", S, ""}, {"NullTo", S, ""},
            {"OidTo", B, false}, {"HeaderTo", B, true}, {"ForceQuote", B, true}, {"QuoteTo", S, ""},
            {"EscapeTo", S, ""}, {"Input", I, 0}, {"FormatFrom", I, 0}, {"EncodingFrom", S, ""},
            {"DelimiterFrom", S, ""}, {"NullFrom", S, ""}, {"OidFrom", B, true},
            {"HeaderFrom", B, true}, {"ForceNotNull", B, true}, {"QuoteFrom", S, ""},
            {"EscapeFrom", S, ""},
        };
    }
    Cycle cycle = [](TtvRegistry &reg) {
        TLoadOption o;
        o.Load(reg);
        o.Save(reg);
    };
};

TEST_F(LoadOptionStore, StoredLayout) { CheckDefaults("LOADER", Rows(), cycle); }
TEST_F(LoadOptionStore, RoundTrip) { CheckRoundTrip("LOADER", Rows(), cycle); }

} // namespace
