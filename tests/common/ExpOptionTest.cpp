// Backup options ("EXPORT"): stored layout, first-start file names, and the
// fields that are not stored.
#include "OptionTableCheck.h"
#include "common/ExpOption.h"

using namespace opttest;
using tv::settings::TtvRegistry;

namespace {

class ExpOptionStore : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
    std::vector<Row> Rows() const
    {
        const QString docs = Folder(scratch);
        std::vector<Row> rows = {
            {"FileName", S, docs + "bkupdat.dmp"}, {"UserID", S, ""}, {"Grants", B, false},
            {"ExpPgm", S, ""}, {"Background", B, false}, {"LogFile", S, docs + "psql_bkup.log"},
            {"Format", I, 0}, {"Compres", S, ""}, {"Encoding", S, ""}, {"RoleName", S, ""},
            {"TimeOutMil", S, ""},
        };
        for (const char *b : {"PreData", "SecData", "PostData", "Data", "Schema", "Blobs", "Owner",
                              "Tablespaces", "UnlogTbl", "Securitylbl", "CreateDataBase",
                              "DropDataBase", "ColumnInserts", "Inserts", "Trigger", "DollarQuoting",
                              "Authorization", "Oid", "Quote", "Serializable", "Ifexists"})
            rows.push_back({b, B, false});
        return rows;
    }
    Cycle cycle = [](TtvRegistry &reg) {
        TExpOption o;
        o.Load(reg);
        o.Save(reg);
    };
};

TEST_F(ExpOptionStore, FirstStartNamesFilesInTheDocumentsFolder)
{
    TtvRegistry reg;
    TExpOption o;
    o.Load(reg);
    EXPECT_EQ(o.ExpFile, Folder(scratch) + "bkupdat.dmp");
    EXPECT_EQ(o.LogFile, Folder(scratch) + "psql_bkup.log");
    EXPECT_EQ(o.Format, 0);
}

// Also proves that the unused fields (Pass, BufSize, Indexes ...) are not stored.
TEST_F(ExpOptionStore, StoredLayout) { CheckDefaults("EXPORT", Rows(), cycle); }
TEST_F(ExpOptionStore, RoundTrip) { CheckRoundTrip("EXPORT", Rows(), cycle); }

} // namespace
