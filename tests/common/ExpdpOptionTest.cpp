// Dormant data-pump export options ("EXPORT_DP") with a scrambled password.
#include "OptionTableCheck.h"
#include "common/ExpdpOption.h"

using namespace opttest;
using tv::settings::TtvRegistry;

namespace {

class ExpdpOptionStore : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
    const std::vector<Row> rows = {
        {"ExpdpDirObj", S, ""}, {"FileName", S, "EXPDPDAT.DMP"}, {"UserID", S, ""},
        {"Pass", P, ""},        {"Grants", B, true},   {"Indexes", B, true},
        {"Rows", B, true},      {"Constraints", B, true}, {"ExpPgm", S, ""},
        {"Background", B, false}, {"ExpdpLogDirObj", S, ""}, {"LogFile", S, "EXPDP.LOG"},
    };
    Cycle cycle = [](TtvRegistry &reg) {
        TExpdpOption o;
        o.Load(reg);
        o.Save(reg);
    };
};

TEST_F(ExpdpOptionStore, StoredLayout) { CheckDefaults("EXPORT_DP", rows, cycle); }
TEST_F(ExpdpOptionStore, RoundTrip) { CheckRoundTrip("EXPORT_DP", rows, cycle); }

TEST_F(ExpdpOptionStore, PasswordIsNeverStoredInPlain)
{
    {
        TtvRegistry reg;
        TExpdpOption o;
        o.Pass = "tiger";
        o.Save(reg);
    }
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(KeyPath("EXPORT_DP"), false));
    EXPECT_FALSE(reg.ReadString("Pass").contains("tiger"));
    reg.CloseKey();
    TExpdpOption o;
    o.Load(reg);
    EXPECT_EQ(o.Pass, "tiger");
}

} // namespace
