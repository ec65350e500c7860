// Comparison filters ("COMP").
#include "OptionTableCheck.h"
#include "common/CompOption.h"

using namespace opttest;
using tv::settings::TtvRegistry;

namespace {

class CompOptionStore : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
    const std::vector<Row> rows = {
        {"Equrl", B, true}, {"NotEqurl", B, true}, {"Only1", B, true}, {"Only2", B, true},
    };
    Cycle cycle = [](TtvRegistry &reg) {
        TCompOption o;
        o.Load(reg);
        o.Save(reg);
    };
};

TEST_F(CompOptionStore, StoredLayout) { CheckDefaults("COMP", rows, cycle); }
TEST_F(CompOptionStore, RoundTrip) { CheckRoundTrip("COMP", rows, cycle); }

} // namespace
