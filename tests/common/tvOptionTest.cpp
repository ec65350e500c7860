// The program options record: every stored value with its name, type and
// default; the derived server time format; the values read but never written.
#include "OptionTableCheck.h"
#include "common/tvOption.h"

using namespace opttest;
using tv::settings::TtvRegistry;

namespace {

class TtvOptionStore : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
    QString root = QString::fromLatin1(tv::settings::RootKey);

    std::vector<Row> Rows() const
    {
        const QString data = Folder(scratch), docs = Folder(scratch);
        const QString ms = "ＭＳ ゴシック";
        return {
            {"TreeSort", I, 0},          {"ShowLevel0", B, true},       {"ShowLevel1", B, true},
            {"TypeTable", B, true},      {"TypeIndex", B, true},        {"TypeView", B, true},
            {"TypeFunc", B, true},       {"TypeType", B, true},         {"TypeTrigger", B, true},
            {"TypeRule", B, true},       {"TypeSeq", B, true},          {"TypeConst", B, true},
            {"TypeMView", B, true},      {"TypeAgrg", B, true},         {"TypeProc", B, true},
            {"TypePack", B, true},       {"TypeSynonym", B, true},      {"TypeDBLink", B, true},
            {"OpenMode", E, 0, 5},       {"UserFirst", B, false},       {"TreeData", B, false},
            {"Progress", B, true},       {"RowSelect", B, false},       {"DelErr", B, false},
            {"Find", B, true},           {"FindAuto", B, true},         {"DefaultAutoQuote", B, false},
            {"ShowDDL", B, false},       {"CloseDDL", B, true},         {"BackupData", B, true},
            {"ShowStorageSource", B, true}, {"ShowColumnSource", B, true},
            {"SaveBeforeSource", B, false}, {"SaveBeforeSrcDialog", B, false},
            {"SaveBeforeSrcRenum", B, false}, {"SaveBeforeSrcHead", B, false},
            {"SaveBeforeSrcDir", S, data},
            {"SaveAfterSource", B, false}, {"SaveAfterSrcDialog", B, false},
            {"SaveAfterSrcRenum", B, false}, {"SaveAfterSrcHead", B, false},
            {"SaveAfterSrcDir", S, data},
            {"DataFontSize", I, 10},     {"DataFontName", S, ms},       {"DataShowMode", I, 0},
            {"DataColWidthV", I, 30},    {"DataColWidthH", I, 20},      {"ShowWhereGrid", B, true},
            {"WhereAutoQuote", B, true}, {"DefTopRecord", I, 1000},     {"DateFormat", S, "yyyy/MM/dd"},
            {"TimeFormat", S, "HH:mm:ss"}, {"AddStripe", B, true},      {"SQLBuf", I, 32},
            {"UsePartial", B, true},     {"DiagramFontSize", I, 9},     {"DiagramFontName", S, ms},
            {"GridFontSize", I, 9},      {"GridFontName", S, ms},       {"PasteTitle", E, 0, 3},
            {"PasteColumn", I, 0},       {"PasteDialog", B, false},     {"FileDir", S, docs},
            {"ExcelDir", S, docs},       {"ScrExecDir", S, ""},         {"ExcelSheet", S, ""},
            {"ExcelForm", S, ""},        {"ExcelTop", I, 0},            {"ExcelLeft", I, 0},
            {"ExcelFormMatrix", S, data + "xlsdef/tvmatrix.xls"},
            {"ExcelMatrixRow", I, 60},   {"ExcelMatrixCol", I, 30},     {"ExcelTitle", E, 0, 3},
            {"ExcelMode", I, 0},         {"ExcelRefresh", B, false},    {"ExcelDialog", B, false},
            {"CrossLevel", I, 3},        {"DataGenCommit", I, 50},      {"UpdateToCommit", B, true},
            {"UpdateMode", B, true},     {"ScriptErrStop", B, false},   {"ScriptCompDel", B, false},
            {"UserUpperName", B, true},  {"CodeAssist", B, true},       {"TempDir", S, data + "temp/"},
            {"Encoding", I, 2},          {"NLS_LANG", S, ""},           {"AlertLogPas", L, ""},
            {"IdxRebuild", I, 20},       {"SleepTime", I, 70},          {"KeepAliveInterval", I, 0},
        };
    }
    Cycle cycle = [](TtvRegistry &reg) {
        TtvOption o;
        o.Load(reg);
        o.Save(reg);
    };
};

TEST_F(TtvOptionStore, EmptyStoreGivesEveryDefault)
{
    TtvOption o;
    o.ShowTable = false;
    o.UseLowerName = false;
    o.TempDir = "stale";
    {
        TtvRegistry reg;
        o.Load(reg);
    }
    const QString folder = Folder(scratch);
    EXPECT_TRUE(o.ShowTable);
    EXPECT_TRUE(o.UseLowerName);
    EXPECT_EQ(o.TempDir, folder + "temp/");
    EXPECT_EQ(o.SaveBeforeSrcDir, folder);
    EXPECT_EQ(o.FileDir, folder);
    EXPECT_EQ(o.ExcelFormMatrix, folder + "xlsdef/tvmatrix.xls");
    EXPECT_EQ(o.TimeDelphi, "HH:mm:ss");
    EXPECT_EQ(o.TimeOracle, "hh24:mi:ss");
    EXPECT_EQ(o.OpenMode, omDefine);
    EXPECT_EQ(o.PasteTitle, tmColumnName);
    EXPECT_EQ(o.DataFontName, "ＭＳ ゴシック");
    EXPECT_EQ(o.DefTopRecord, 1000);
    EXPECT_EQ(o.Encoding, 2);
    EXPECT_EQ(o.CharacterSet, "UTF8");
    EXPECT_EQ(o.ExcelExt, "");
    EXPECT_FALSE(o.CLOB_TO_CHAR);
    EXPECT_TRUE(o.AlertLogPas.isEmpty());
    EXPECT_EQ(o.SleepTime, 70);

    // A first load writes nothing: the empty key lives in memory only.
    EXPECT_FALSE(QFileInfo::exists(scratch.path() + "/Quenzor/TVX19.conf"));
}

TEST_F(TtvOptionStore, SavesEveryStoredFieldWithItsNameTypeAndDefault)
{
    CheckDefaults("", Rows(), cycle);
}

TEST_F(TtvOptionStore, SurvivesLoadSaveLoadUnchanged)
{
    CheckRoundTrip("", Rows(), cycle);
}

TEST_F(TtvOptionStore, FieldsReadTheirOwnValueNames)
{
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(root, true));
        reg.WriteBool("TypeTable", false);
        reg.WriteBool("UserUpperName", false);
        reg.WriteBool("SaveBeforeSource", true);
        reg.WriteString("TimeFormat", "hh:MM");
        reg.WriteInteger("OpenMode", 3);
        reg.WriteInteger("ExcelTitle", 2);
        reg.WriteString("AlertLogPas", "a\r\nb\r\n");
        reg.WriteString("FileDir", ""); // empty reads as the default
        reg.WriteString("Encoding", "1"); // wrong type reads as the default
        reg.CloseKey();
    }
    TtvRegistry reg;
    TtvOption o;
    o.Load(reg);
    EXPECT_FALSE(o.ShowTable);
    EXPECT_TRUE(o.ShowIndex);
    EXPECT_FALSE(o.UseLowerName);
    EXPECT_TRUE(o.SaveBeforeSrc);
    EXPECT_EQ(o.TimeDelphi, "hh:MM");
    EXPECT_EQ(o.TimeOracle, "hh24:mi");
    EXPECT_EQ(o.OpenMode, omCross);
    EXPECT_EQ(o.ExcelTitle, tmNone);
    EXPECT_EQ(o.AlertLogPas, (QStringList{"a", "b"}));
    EXPECT_EQ(o.FileDir, Folder(scratch));
    EXPECT_EQ(o.Encoding, 2);
}

TEST_F(TtvOptionStore, OrdinalsOutsideTheirEnumerationReadAsTheDefault)
{
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(root, true));
        reg.WriteInteger("OpenMode", 5);
        reg.WriteInteger("PasteTitle", -1);
        reg.CloseKey();
    }
    TtvRegistry reg;
    TtvOption o;
    o.Load(reg);
    EXPECT_EQ(o.OpenMode, omDefine);
    EXPECT_EQ(o.PasteTitle, tmColumnName);
}

TEST(TtvOptionTimeFormat, ServerNotationReplacesHoursThenMinutes)
{
    const struct {
        const char *delphi, *oracle;
    } cases[] = {
        {"HH:mm:ss", "hh24:mi:ss"}, {"H:mm:ss", "H:mi:ss"}, {"hh:MM", "hh24:mi"},
        {"hH:Mm:ss.zzz", "hh24:mi:ss.zzz"}, {"hhh", "hh24h"}, {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TtvOption::MakeTimeOracle(c.delphi), c.oracle) << c.delphi;
}

TEST_F(TtvOptionStore, LoadOnlyValuesSurviveEveryRunAndAreNeverWritten)
{
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(root, true));
        reg.WriteString("CharacterSet", "SJIS");
        reg.WriteString("ExcelExt", ".XLSX");
        reg.WriteInteger("CLOB_TO_CHAR", -1);
        reg.CloseKey();
    }
    {
        TtvRegistry reg;
        TtvOption o;
        o.Load(reg);
        EXPECT_EQ(o.CharacterSet, "SJIS");
        EXPECT_EQ(o.ExcelExt, ".XLSX");
        EXPECT_TRUE(o.CLOB_TO_CHAR);
        o.CharacterSet = "EUC_JP";
        o.ExcelExt = ".XLS";
        o.CLOB_TO_CHAR = false;
        o.Save(reg);
    }
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root, false));
    EXPECT_EQ(reg.ReadString("CharacterSet"), "SJIS");
    EXPECT_EQ(reg.ReadString("ExcelExt"), ".XLSX");
    EXPECT_EQ(reg.ReadInteger("CLOB_TO_CHAR"), -1);
}

TEST(TtvOptionDefaults, ConstructedRecordMatchesTheFixedDefaults)
{
    const TtvOption o;
    EXPECT_TRUE(o.UseLowerName);
    EXPECT_EQ(o.Encoding, 2);
    EXPECT_EQ(o.TimeOracle, "hh24:mi:ss");
    EXPECT_EQ(o.CharacterSet, "UTF8");
    EXPECT_TRUE(o.CodeAssist);
    EXPECT_TRUE(o.UpdateToCommit);
    EXPECT_EQ(o.KeepAliveInterval, 0);
}

} // namespace
