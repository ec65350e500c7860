// Restore options ("IMPORT").
#include "OptionTableCheck.h"
#include "common/ImpOption.h"

using namespace opttest;
using tv::settings::TtvRegistry;

namespace {

class ImpOptionStore : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
    std::vector<Row> Rows() const
    {
        const QString docs = Folder(scratch);
        std::vector<Row> rows = {
            {"FileName", S, docs + "bkupdat.dmp"}, {"UserID", S, ""}, {"Format", I, 0},
            {"Mode", I, 0}, {"JobNo", S, ""}, {"RoleName", S, ""}, {"ImpPgm", S, ""},
            {"LogFile", S, docs + "psql_res.log"}, {"SchemaList", S, ""}, {"TableList", S, ""},
        };
        for (const char *b : {"PreData", "SecData", "PostData", "Data", "Schema", "Owner", "Grants",
                              "Tablespaces", "Securitylbl", "CreateDataBase", "Clean", "Transaction",
                              "Trigger", "NoData", "Authorization", "Error", "Ifexists"})
            rows.push_back({b, B, false});
        return rows;
    }
    Cycle cycle = [](TtvRegistry &reg) {
        TImpOption o;
        o.Load(reg);
        o.Save(reg);
    };
};

TEST_F(ImpOptionStore, FirstStartNamesFilesInTheDocumentsFolder)
{
    TtvRegistry reg;
    TImpOption o;
    o.Load(reg);
    EXPECT_EQ(o.ImpFile, Folder(scratch) + "bkupdat.dmp");
    EXPECT_EQ(o.LogFile, Folder(scratch) + "psql_res.log");
}

TEST_F(ImpOptionStore, StoredLayout) { CheckDefaults("IMPORT", Rows(), cycle); }
TEST_F(ImpOptionStore, RoundTrip) { CheckRoundTrip("IMPORT", Rows(), cycle); }

} // namespace
