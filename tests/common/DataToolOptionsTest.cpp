// The small dormant records and globals of the data tools: TStatsOption
// ("STATSPACK"), TTrcOption ("TRACE"), TDBTestOption ("DBTEST"), TtvDB ("DB"),
// LastAutoSave ("PERFORM") and AlertPathList ("LOCK").
#include "OptionTableCheck.h"
#include "common/DBTestOption.h"
#include "common/DataToolGlobals.h"
#include "common/StatsOption.h"
#include "common/TrcOption.h"
#include "common/tvDB.h"

using namespace opttest;
using tv::settings::TtvRegistry;

namespace {

class DataToolOptionsStore : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
};

TEST_F(DataToolOptionsStore, StatsOption)
{
    const std::vector<Row> rows = {
        {"STATSPACK", S, ""}, {"REPORT", S, Folder(scratch) + "REPORT.LST"},
        {"PURGE", S, ""},     {"TRUNCATE", S, ""},
    };
    const Cycle cycle = [](TtvRegistry &reg) {
        TStatsOption o;
        o.Load(reg);
        o.Save(reg);
    };
    CheckDefaults("STATSPACK", rows, cycle);
    CheckRoundTrip("STATSPACK", rows, cycle);
}

TEST_F(DataToolOptionsStore, TrcOption)
{
    const std::vector<Row> rows = {
        {"Path", L, ""},      {"TKPROF", B, false},   {"Explan", B, true}, {"PlanUser", S, ""},
        {"PlanPass", P, ""},  {"PlanTable", S, ""},   {"Aggregate", B, true}, {"Sys", B, false},
        {"Sort", S, ""},      {"Print", S, ""},       {"TrcPgm", S, "/opt/home/BIN/TKPROF.EXE"},
    };
    const Cycle cycle = [](TtvRegistry &reg) {
        TTrcOption o;
        o.Load(reg, "/opt/home");
        o.Save(reg);
    };
    CheckDefaults("TRACE", rows, cycle);
    CheckRoundTrip("TRACE", rows, cycle);
}

TEST_F(DataToolOptionsStore, DBTestOptionKeepsItsPasswordAsStored)
{
    const std::vector<Row> rows = {
        {"Session", I, 10}, {"SpanTime", I, 0}, {"UserId", S, ""}, {"Password", S, ""},
        {"Error", B, true},
    };
    const Cycle cycle = [](TtvRegistry &reg) {
        TDBTestOption o;
        o.Load(reg);
        o.Save(reg);
    };
    CheckDefaults("DBTEST", rows, cycle);
    CheckRoundTrip("DBTEST", rows, cycle);
}

TEST_F(DataToolOptionsStore, TtvDB)
{
    const std::vector<Row> rows = {{"AutoConfPath", S, ""}};
    const Cycle cycle = [](TtvRegistry &reg) {
        TtvDB o;
        o.Load(reg);
        o.Save(reg);
    };
    CheckDefaults("DB", rows, cycle);
    CheckRoundTrip("DB", rows, cycle);
}

TEST_F(DataToolOptionsStore, AlertPathListTravelsAsText)
{
    const std::vector<Row> rows = {{"AlertPath", L, ""}};
    const Cycle cycle = [](TtvRegistry &reg) {
        AlertPathList = {"stale"};
        LoadAlertPathList(reg);
        SaveAlertPathList(reg);
    };
    CheckDefaults("LOCK", rows, cycle);
    CheckRoundTrip("LOCK", rows, cycle);
}

TEST_F(DataToolOptionsStore, LastAutoSaveIsADateTimeDefaultingToDayZero)
{
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    {
        TtvRegistry reg;
        LastAutoSave = QDateTime(QDate(2020, 1, 1), QTime(1, 2));
        LoadLastAutoSave(reg);
        EXPECT_EQ(LastAutoSave, zero);
        LastAutoSave = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9));
        SaveLastAutoSave(reg);
    }
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(KeyPath("PERFORM"), false));
    EXPECT_EQ(reg.GetDataType("LastAutoSave"), tv::settings::TRegDataType::rdBinary);
    EXPECT_EQ(reg.GetDataSize("LastAutoSave"), 8);
    reg.CloseKey();
    LastAutoSave = zero;
    LoadLastAutoSave(reg);
    EXPECT_EQ(LastAutoSave, QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
}

} // namespace
