// Dormant data-pump import options ("IMPORT_DP"): scrambled password and the
// "Constraints" value that is read but never written.
#include "OptionTableCheck.h"
#include "common/ImpdpOption.h"

using namespace opttest;
using tv::settings::TtvRegistry;

namespace {

class ImpdpOptionStore : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
    const std::vector<Row> rows = {
        {"ImpdpDirObj", S, ""}, {"FileName", S, "EXPDPDAT.DMP"}, {"UserID", S, ""},
        {"Pass", P, ""},        {"Grants", B, true},  {"Indexes", B, true},
        {"Rows", B, true},      {"ImpdpInfoDirObj", S, ""}, {"IndexFile", S, ""},
        {"Ignore", B, false},   {"IgnoreItem", I, 0}, {"Destroy", B, false},
        {"ImpPgm", S, ""},      {"Background", B, false}, {"ImpdpLogDirObj", S, ""},
        {"LogFile", S, "IMPDP.LOG"}, {"UserList", S, ""}, {"TableList", S, ""},
    };
    Cycle cycle = [](TtvRegistry &reg) {
        TImpdpOption o;
        o.Load(reg);
        o.Save(reg);
    };
};

TEST_F(ImpdpOptionStore, StoredLayoutLeavesOutConstraints) { CheckDefaults("IMPORT_DP", rows, cycle); }
TEST_F(ImpdpOptionStore, RoundTrip) { CheckRoundTrip("IMPORT_DP", rows, cycle); }

TEST_F(ImpdpOptionStore, ConstraintsSetToZeroStaysZeroAndIsNeverRewritten)
{
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(KeyPath("IMPORT_DP"), true));
        reg.WriteInteger("Constraints", 0);
        reg.CloseKey();
    }
    {
        TtvRegistry reg;
        TImpdpOption o;
        o.Load(reg);
        EXPECT_FALSE(o.Constraints);
        o.Constraints = true;
        o.Save(reg);
    }
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(KeyPath("IMPORT_DP"), false));
    EXPECT_EQ(reg.ReadInteger("Constraints"), 0);
}

} // namespace
