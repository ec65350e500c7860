// Print options ("PRINTOPTION"): stored layout and margins under their own
// value names.
#include "OptionTableCheck.h"
#include "common/tvPrintOption.h"

using namespace opttest;
using tv::settings::TtvRegistry;

namespace {

class TtvPrintOptionStore : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
    const std::vector<Row> rows = {
        {"Orientation", E, 0, 2}, {"LeftMargin", I, 20},   {"TopMargin", I, 20},
        {"RightMargin", I, 20},   {"BottomMargin", I, 20}, {"FontName", S, "ＭＳ ゴシック"},
        {"FontSize", I, 10},
    };
    Cycle cycle = [](TtvRegistry &reg) {
        TtvPrintOption o;
        o.Load(reg);
        o.Save(reg);
    };
};

TEST_F(TtvPrintOptionStore, StoredLayout) { CheckDefaults("PRINTOPTION", rows, cycle); }
TEST_F(TtvPrintOptionStore, RoundTrip) { CheckRoundTrip("PRINTOPTION", rows, cycle); }

TEST_F(TtvPrintOptionStore, MarginsReadTheirValueNames)
{
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(KeyPath("PRINTOPTION"), true));
        reg.WriteInteger("LeftMargin", 1);
        reg.WriteInteger("TopMargin", 2);
        reg.WriteInteger("RightMargin", 3);
        reg.WriteInteger("BottomMargin", 4);
        reg.WriteInteger("Orientation", 1);
        reg.CloseKey();
    }
    TtvRegistry reg;
    TtvPrintOption o;
    o.Load(reg);
    EXPECT_EQ(o.MMLeftMargin, 1);
    EXPECT_EQ(o.MMTopMargin, 2);
    EXPECT_EQ(o.MMRightMargin, 3);
    EXPECT_EQ(o.MMBottomMargin, 4);
    EXPECT_EQ(o.Orientation, poLandscape);
}

} // namespace
