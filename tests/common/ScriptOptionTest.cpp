// Script-output options ("TEXTOUT"): stored layout, first-start defaults and
// the field whose value name differs.
#include "OptionTableCheck.h"
#include "common/ScriptOption.h"

using namespace opttest;
using tv::settings::TtvRegistry;

namespace {

class ScriptOptionStore : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
    std::vector<Row> Rows() const
    {
        return {
            {"OneScript", B, false}, {"SubDir", B, false}, {"SameName", B, true},
            {"Path", S, Folder(scratch)}, {"NameTable", L, ""}, {"Schema", I, 1},
            {"Index", B, false},     {"Insert", B, false}, {"InsertMode", I, 0},
            {"Storage", B, true},    {"ViewCol", B, true}, {"Grant", B, false},
            {"GrantMode", I, 0},     {"NullLine", B, false},
        };
    }
    Cycle cycle = [](TtvRegistry &reg) {
        TScriptOption o;
        o.Load(reg);
        o.Save(reg);
    };
};

TEST_F(ScriptOptionStore, FirstStartDefaults)
{
    TtvRegistry reg;
    TScriptOption o;
    o.Load(reg);
    EXPECT_EQ(o.Owner, 1);
    EXPECT_TRUE(o.SameName);
    EXPECT_TRUE(o.Storage);
    EXPECT_TRUE(o.ViewCol);
    EXPECT_FALSE(o.OneScript || o.Dir || o.Index || o.Insert || o.Grant || o.NullLine);
    EXPECT_EQ(o.Path, Folder(scratch));
    EXPECT_TRUE(o.NameTable.isEmpty());
}

TEST_F(ScriptOptionStore, StoredLayout) { CheckDefaults("TEXTOUT", Rows(), cycle); }
TEST_F(ScriptOptionStore, RoundTrip) { CheckRoundTrip("TEXTOUT", Rows(), cycle); }

TEST_F(ScriptOptionStore, SubDirSetsDirAndSchemaSetsOwner)
{
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(KeyPath("TEXTOUT"), true));
        reg.WriteInteger("SubDir", 1);
        reg.WriteInteger("Schema", 2);
        reg.WriteString("NameTable", "db1=a\r\ndb2=b\r\n");
        reg.CloseKey();
    }
    TtvRegistry reg;
    TScriptOption o;
    o.Load(reg);
    EXPECT_TRUE(o.Dir);
    EXPECT_EQ(o.Owner, 2);
    EXPECT_EQ(o.NameTable, (QStringList{"db1=a", "db2=b"}));
}

} // namespace
