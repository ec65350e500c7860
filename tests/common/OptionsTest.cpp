// Loading and saving every option: the stored layout of "SHORTCUT", "RESERVE"
// and "EDITOR", what loading makes of stored values, a load-save-load cycle
// over the whole store, and a save that fails.
#include "OptionGuard.h"
#include "OptionTableCheck.h"
#include "common/EditorOptions.h"
#include "common/ExpdpOption.h"
#include "common/Globals.h"
#include "common/ImpdpOption.h"
#include "common/KeywordList.h"
#include "common/Options.h"
#include "common/ReserveWords.h"
#include "common/Shortcuts.h"
#include "common/TrcOption.h"
#include "common/tvOption.h"
#include "editor/tvMemoProp.h"
#include "platform/settings/Folders.h"
#include "platform/ui/ScriptedDialogs.h"
#include "platform/ui/ShortCut.h"

#include <QDir>
#include <QFileInfo>

#include <map>

using namespace opttest;
using tv::settings::TRegDataType;
using tv::settings::TtvRegistry;

namespace {

// The shared services on a scratch store, ended again after the test.
class SharedOptions : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
    QString root = QString::fromLatin1(tv::settings::RootKey);

    void SetUp() override
    {
        EndSharedServices();
        StartSharedServices();
    }
    void TearDown() override { EndSharedServices(); }

    // Ends and starts the shared services again, as a new run of the program.
    void Restart()
    {
        EndSharedServices();
        StartSharedServices();
    }

    void WriteHand(const QString &subkey, const std::function<void(TtvRegistry &)> &write)
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(KeyPath(subkey), true));
        write(reg);
        reg.CloseKey();
    }
};

// Every value below the root key: "path|name" → "type:data".
using Snapshot = std::map<QString, QString>;

void Walk(TtvRegistry &reg, const QString &path, Snapshot &out)
{
    ASSERT_TRUE(reg.OpenKey(path, false)) << path.toStdString();
    const QStringList values = reg.GetValueNames();
    const QStringList keys = reg.GetKeyNames();
    for (const QString &name : values) {
        QString data;
        switch (reg.GetDataType(name)) {
        case TRegDataType::rdInteger: data = "i:" + QString::number(reg.ReadInteger(name)); break;
        case TRegDataType::rdString: data = "s:" + reg.ReadString(name); break;
        case TRegDataType::rdBinary: data = "b:" + QString::fromLatin1(reg.ReadBinaryData(name).toHex()); break;
        default: data = "?"; break;
        }
        out[path + "|" + name] = data;
    }
    for (const QString &key : keys)
        Walk(reg, path + "\\" + key, out);
}

Snapshot TakeSnapshot()
{
    TtvRegistry reg;
    Snapshot s;
    Walk(reg, QString::fromLatin1(tv::settings::RootKey), s);
    return s;
}

const char *const kShortCutNames[] = {
    "DBCommit", "DBRollback", "DBLogon", "DBLogoff", "FileExit", "EditUndo", "EditRedo", "EditCut", "EditCopy",
    "EditPaste", "EditDelete", "EditRename", "EditSelectAll", "EditSelectMode", "EditFind", "EditFindNext",
    "EditFindPrev", "EditReplace", "EditJump", "EditFormat", "EditComment", "EditUpperCase", "EditLowerCase",
    "EditIndentF", "EditIndentR", "EditMacroSave", "EditMacroExec", "EditOpen", "ObjectNew", "ObjectOpen",
    "ObjectOpenDefine", "ObjectOpenSource", "ObjectOpenData", "ObjectOpenDataTop", "ObjectExec", "ObjectScript",
    "ObjectPrint", "ObjectCross", "ObjectMatrix", "ObjectGrant", "ObjectAnalyze", "ObjectDelete", "ObjectGrep",
    "ObjectExport", "ObjectLoad", "ViewSQL", "ViewScript", "ViewField", "ViewTemplate", "ViewSQLCatch",
    "ViewSQLCRUD", "AdminUser", "AdminStorage", "AdminSession", "AdminLock", "AdminDatabase", "AdminPerform",
    "AdminExport", "AdminImport", "AdminLoad", "ToolCommandSetup", "ToolReportSetup", "ToolOption", "ViewComp",
    "ToolIndexAdviser", "ToolEditorOption", "ToolScriptOption",
};

int ShortCutOf(const char *valueName)
{
    return ActionShortCut(IndexOfActionShortCut(QString::fromLatin1(valueName)));
}

} // namespace

// ---- "SHORTCUT" -------------------------------------------------------------

TEST(ShortCutTable, SixtySevenEntriesInStoredOrderWithTheirActions)
{
    ASSERT_EQ(int(std::size(kShortCutNames)), ActionShortCutCount);
    for (int i = 0; i < ActionShortCutCount; ++i)
        EXPECT_STREQ(ActionShortCutDef(i).ValueName, kShortCutNames[i]) << i;
    EXPECT_EQ(IndexOfActionShortCut("actNew"), IndexOfActionShortCut("ObjectNew"));
    EXPECT_STREQ(ActionShortCutDef(IndexOfActionShortCut("ObjectOpenDataTop")).ActionName, "actOpenDataTop");
    EXPECT_STREQ(ActionShortCutDef(IndexOfActionShortCut("viewsql")).ActionName, "actViewSQL");
    EXPECT_EQ(IndexOfActionShortCut("actAdminDBLink"), -1); // an action without a stored key
}

TEST(ShortCutTable, FirstSaveWritesEveryNameWithTheDesignedKey)
{
    tvtest::ScratchDir scratch;
    std::map<QString, QString> keyed = {
        {"EditUndo", "Ctrl+Z"},   {"EditRedo", "Ctrl+Y"},      {"EditCut", "Ctrl+X"},
        {"EditCopy", "Ctrl+C"},   {"EditPaste", "Ctrl+V"},     {"EditSelectAll", "Ctrl+A"},
        {"EditFind", "Ctrl+F"},   {"EditFindNext", "F3"},      {"EditFindPrev", "Shift+F3"},
        {"EditReplace", "Ctrl+R"}, {"EditJump", "Ctrl+G"},     {"EditComment", "Ctrl+-"},
        {"ObjectDelete", "Del"},  {"ViewSQL", "Ctrl+S"},       {"ViewField", "Ctrl+T"},
        {"ViewTemplate", "Ctrl+J"},
    };
    std::vector<Row> rows;
    for (const char *name : kShortCutNames)
        rows.push_back({name, S, keyed.count(name) ? keyed[name] : QString()});
    ResetActionShortCuts();
    CheckDefaults("SHORTCUT", rows, [](TtvRegistry &reg) {
        LoadShortCuts(reg);
        SaveShortCuts(reg);
    });
}

TEST(ShortCutTable, StoredTextsAsLoaded)
{
    struct Case {
        const char *name;
        bool write;
        QString stored;
        int expected;
    } cases[] = {
        // An empty text reads as the default: the action keeps F3.
        {"EditFindNext", true, "", tv::ui::VK_F1 + 2},
        {"EditFindPrev", true, "Ctrl+F3", tv::ui::ShortCut(tv::ui::VK_F1 + 2, tv::ui::scCtrl)},
        {"ViewSQL", false, "", tv::ui::ShortCut('S', tv::ui::scCtrl)},
        // A text that names no key gives no shortcut.
        {"EditUndo", true, "Ctrl+NoSuchKey", 0},
        {"DBCommit", true, "Shift+Ctrl+Alt+PgDn", tv::ui::ShortCut(tv::ui::VK_NEXT,
                                                                    tv::ui::scShift | tv::ui::scCtrl | tv::ui::scAlt)},
    };
    tvtest::ScratchDir scratch;
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(KeyPath("SHORTCUT"), true));
        for (const Case &c : cases)
            if (c.write)
                reg.WriteString(c.name, c.stored);
        reg.CloseKey();
    }
    ResetActionShortCuts();
    TtvRegistry reg;
    LoadShortCuts(reg);
    for (const Case &c : cases)
        EXPECT_EQ(ShortCutOf(c.name), c.expected) << c.name;
    ResetActionShortCuts();
}

// ---- "EDITOR" ---------------------------------------------------------------

TEST(EditorOptionsStore, FirstSaveWritesEveryValueWithItsDefault)
{
    tvtest::ScratchDir scratch;
    const int none = 0x1FFFFFFF;
    const std::vector<Row> rows = {
        {"FontName", S, "ＭＳ ゴシック"}, {"FontSize", I, 12},          {"FontColor", I, int(0xFF000008u)},
        {"Color", I, int(0xFF000005u)}, {"AutoIndent", B, false},       {"BackSpaceUnIndent", B, false},
        {"FreeCaret", B, false},        {"InTab", B, false},            {"NextLine", B, true},
        {"TabIndent", B, false},        {"SoftTab", B, false},          {"TabSize", I, 8},
        {"SelMove", B, true},           {"ShowRecNo", B, true},         {"ShowRuler", B, true},
        {"RulerSize", I, 10},           {"EOFColor", I, none},          {"CRColor", I, 0x00808000},
        {"ULColor", I, none},           {"TABColor", I, 0x00C0C0C0},    {"SemiSpaceColor", I, none},
        {"SpaceColor", I, 0x00C0C0C0},  {"CommentColor", I, 0x00008000}, {"CommentBkColor", I, none},
        {"ConstColor", I, none},        {"ConstBkColor", I, none},      {"ReserveColor", I, 0x00FF0000},
        {"ReserveBkColor", I, none},    {"SearchColor", I, none},       {"SearchBkColor", I, 0x00C0C0C0},
    };
    CheckDefaults("EDITOR", rows, [](TtvRegistry &reg) {
        TtvMemoProp prop;
        LoadEditorOptions(reg, prop, {});
        SaveEditorOptions(reg, prop);
    });
}

TEST(EditorOptionsStore, LoadedValuesAndFixedSettings)
{
    tvtest::ScratchDir scratch;
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(KeyPath("EDITOR"), true));
        reg.WriteInteger("EOFColor", 0x000000FF);
        reg.WriteInteger("CRColor", 0x1FFFFFFF);
        reg.WriteInteger("TabSize", 4);
        reg.WriteBool("ShowRuler", false);
        reg.WriteString("FontName", "FixedSys");
        reg.WriteString("CommentColor", "not a number"); // wrong type: the default
        reg.CloseKey();
    }
    TtvRegistry reg;
    TtvMemoProp prop;
    LoadEditorOptions(reg, prop, {"SELECT", "FROM"});

    TEditorMarks *marks = prop.Marks();
    EXPECT_TRUE(marks->EofMark()->Visible());
    EXPECT_EQ(marks->EofMark()->Color(), 0x000000FF);
    EXPECT_FALSE(marks->RetMark()->Visible()); // 0x1FFFFFFF hides it
    EXPECT_TRUE(marks->TabMark()->Visible());
    EXPECT_EQ(marks->TabMark()->Color(), 0x00C0C0C0);
    EXPECT_FALSE(marks->Underline()->Visible());
    EXPECT_EQ(prop.View()->Colors()->Reserve()->Color(), 0x00FF0000);
    EXPECT_EQ(prop.View()->Colors()->Comment()->Color(), 0x00008000);
    EXPECT_EQ(prop.View()->Colors()->Hit()->BkColor(), 0x00C0C0C0);
    EXPECT_EQ(prop.Caret()->TabSpaceCount(), 4);
    EXPECT_FALSE(prop.Ruler()->Visible());
    EXPECT_TRUE(prop.Leftbar()->Visible());
    EXPECT_EQ(prop.Font()->Name, "FixedSys");
    EXPECT_EQ(prop.Font()->Size, 12);

    // The fixed settings of every SQL editor.
    EXPECT_EQ(prop.Font()->Pitch, fpFixed);
    EXPECT_TRUE(prop.Caret()->AutoCursor);
    EXPECT_FALSE(prop.Caret()->LockScroll);
    EXPECT_TRUE(prop.Caret()->KeepCaret);
    EXPECT_FALSE(prop.Imagebar()->Visible());
    EXPECT_EQ(prop.Leftbar()->LeftMargin(), 2);
    EXPECT_EQ(prop.Leftbar()->RightMargin(), 2);
    EXPECT_EQ(prop.Leftbar()->Column(), 5);
    EXPECT_EQ(prop.Leftbar()->BkColor(), TColor(0xFF00000Fu));
    EXPECT_EQ(prop.ScrollBars(), ssBoth);
    EXPECT_EQ(prop.Margin()->Left(), 2);
    EXPECT_EQ(prop.View()->Commenter(), "--");
    EXPECT_EQ(prop.View()->Quotation(), "'");
    EXPECT_EQ(prop.View()->DoubleQuotation(), "\"");
    EXPECT_EQ(prop.ReserveWordList().ToStringList(), QStringList({"FROM", "SELECT"}));

    // Loading again keeps exactly one comment pair, coloured as comments.
    LoadEditorOptions(reg, prop, {});
    ASSERT_EQ(prop.View()->Brackets()->Count(), 1);
    TFountainBracketItem *pair = prop.View()->Brackets()->GetBracketItem(0);
    EXPECT_EQ(pair->LeftBracket(), "/*");
    EXPECT_EQ(pair->RightBracket(), "*/");
    EXPECT_EQ(pair->ItemColor()->Color(), 0x00008000);
    EXPECT_EQ(pair->ItemColor()->BkColor(), 0x1FFFFFFF);
}

TEST(EditorOptionsStore, HiddenMarkIsSavedWithoutColour)
{
    tvtest::ScratchDir scratch;
    TtvMemoProp prop;
    {
        TtvRegistry reg;
        LoadEditorOptions(reg, prop, {});
        prop.Marks()->TabMark()->SetVisible(false); // colour stays silver in memory
        prop.Marks()->EofMark()->SetColor(0x00123456);
        prop.Marks()->EofMark()->SetVisible(true);
        SaveEditorOptions(reg, prop);
    }
    TtvRegistry reg;
    TtvMemoProp again;
    LoadEditorOptions(reg, again, {});
    EXPECT_FALSE(again.Marks()->TabMark()->Visible());
    EXPECT_TRUE(again.Marks()->EofMark()->Visible());
    EXPECT_EQ(again.Marks()->EofMark()->Color(), 0x00123456);
}

// ---- "RESERVE" and the whole cycle -------------------------------------------

TEST_F(SharedOptions, StartCreatesTheFoldersAndTheEditorSettings)
{
    ASSERT_NE(prpEditor, nullptr);
    const QString data = tv::settings::DataDir();
    EXPECT_EQ(QDir::cleanPath(data), QDir::cleanPath(scratch.path()));
    for (const char *sub : {"temp", "sample", "usercmd", "xlsdef", "DATAGEN", "stat"})
        EXPECT_TRUE(QFileInfo(data + QString::fromLatin1(sub)).isDir()) << sub;
    EndSharedServices();
    EXPECT_EQ(prpEditor, nullptr);
    EXPECT_FALSE(SharedServicesStarted());
}

TEST_F(SharedOptions, FirstRunUsesTheBuiltInWordsAndSavesThemAsEmptyValues)
{
    LoadOptions();
    ASSERT_EQ(ReserveWordList.size(), BuiltInKeywordCount());
    ASSERT_EQ(ReserveWordList.size(), 403);
    const qsizetype match = ReserveWordList.indexOf("MATCH");
    EXPECT_EQ(ReserveWordList.indexOf("MATERIALIZED"), match + 1);
    EXPECT_EQ(ReserveWordList.indexOf("MAXVALUE"), match + 2);
    QStringList sorted = ReserveWordList;
    SortReserveWords(sorted);
    EXPECT_EQ(sorted, ReserveWordList);
    EXPECT_EQ(prpEditor->ReserveWordList().Count(), 403);

    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use(&dialogs);
    EXPECT_TRUE(SaveOptions());
    EXPECT_TRUE(dialogs.calls().isEmpty());

    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(KeyPath("RESERVE"), false));
    const QStringList names = reg.GetValueNames();
    EXPECT_EQ(names.size(), 403);
    for (const QString &n : names) {
        ASSERT_EQ(reg.GetDataType(n), TRegDataType::rdString) << n.toStdString();
        ASSERT_EQ(reg.ReadString(n), QString());
    }
    // Every option key exists after the first save.
    ASSERT_TRUE(reg.OpenKey(root, false));
    QStringList keys = reg.GetKeyNames();
    for (const char *k : {"PRINTOPTION", "SHORTCUT", "TEXTOUT", "EXPORT", "IMPORT", "EXPORT_DP", "IMPORT_DP",
                             "LOADER", "STATSPACK", "TRACE", "COMP", "PERFORM", "LOCK", "FORMAT", "DBTEST", "DB",
                             "EDITOR", "RESERVE"})
        EXPECT_TRUE(keys.contains(QString::fromLatin1(k))) << k;
}

TEST_F(SharedOptions, StoredWordsReplaceTheBuiltInOnesAndRemovedWordsAreGone)
{
    WriteHand("RESERVE", [](TtvRegistry &reg) {
        reg.WriteString("zeta", "");
        reg.WriteString("ALPHA", "");
        reg.WriteString("Mid", "");
    });
    LoadOptions();
    EXPECT_EQ(ReserveWordList, QStringList({"ALPHA", "Mid", "zeta"}));
    EXPECT_EQ(prpEditor->ReserveWordList().ToStringList(), ReserveWordList);

    ReserveWordList.removeAll("Mid");
    ASSERT_TRUE(SaveOptions());
    Restart();
    LoadOptions();
    EXPECT_EQ(ReserveWordList, QStringList({"ALPHA", "zeta"}));
}

TEST_F(SharedOptions, LoadSaveLoadChangesNothingButScrambledPasswords)
{
    // A hand-set value that is read but never written.
    WriteHand("", [](TtvRegistry &reg) { reg.WriteString("CharacterSet", "SJIS"); });
    LoadOptions();
    EXPECT_EQ(tvOption.CharacterSet, "SJIS");

    // Values away from their defaults in several keys.
    tvOption.DefTopRecord = 250;
    tvOption.AlertLogPas = QStringList({"a", "b"});
    ExpdpOption.Pass = "秘密 1";
    ImpdpOption.Pass = "secret-2";
    TrcOption.PlanPass = "plan pass";
    SetActionShortCut(IndexOfActionShortCut("EditFindNext"), tv::ui::ShortCut(tv::ui::VK_F1 + 2, tv::ui::scCtrl));
    SetActionShortCut(IndexOfActionShortCut("ViewSQL"), tv::ui::ShortCut('Q', tv::ui::scAlt));
    prpEditor->Marks()->EofMark()->SetColor(0x000000FF);
    prpEditor->Marks()->EofMark()->SetVisible(true);
    prpEditor->View()->Colors()->Reserve()->SetColor(0x00000080);
    prpEditor->Font()->Size = 14;
    ReserveWordList = QStringList({"SELECT", "FROM", "WHERE"});
    ASSERT_TRUE(SaveOptions());
    const Snapshot first = TakeSnapshot();

    Restart();
    LoadOptions();
    EXPECT_EQ(tvOption.CharacterSet, "SJIS");
    EXPECT_EQ(tvOption.DefTopRecord, 250);
    EXPECT_EQ(ExpdpOption.Pass, "秘密 1");
    EXPECT_EQ(TrcOption.PlanPass, "plan pass");
    EXPECT_EQ(ShortCutOf("EditFindNext"), tv::ui::ShortCut(tv::ui::VK_F1 + 2, tv::ui::scCtrl));
    EXPECT_EQ(ShortCutOf("ViewSQL"), tv::ui::ShortCut('Q', tv::ui::scAlt));
    EXPECT_TRUE(prpEditor->Marks()->EofMark()->Visible());
    EXPECT_EQ(prpEditor->View()->Colors()->Reserve()->Color(), 0x00000080);
    EXPECT_EQ(prpEditor->Font()->Size, 14);
    EXPECT_EQ(ReserveWordList, QStringList({"FROM", "SELECT", "WHERE"}));
    ASSERT_TRUE(SaveOptions());
    const Snapshot second = TakeSnapshot();

    const QStringList passwords = {root + "\\EXPORT_DP|Pass", root + "\\IMPORT_DP|Pass",
                                   root + "\\TRACE|PlanPass"};
    ASSERT_EQ(first.size(), second.size());
    for (const auto &[key, value] : first) {
        SCOPED_TRACE(key.toStdString());
        ASSERT_TRUE(second.count(key));
        if (passwords.contains(key)) {
            EXPECT_NE(second.at(key), value); // scrambled anew
            EXPECT_EQ(UnscramblePassword(second.at(key).mid(2)), UnscramblePassword(value.mid(2)));
        } else {
            EXPECT_EQ(second.at(key), value);
        }
    }
    EXPECT_EQ(second.at(root + "|CharacterSet"), "s:SJIS");
    EXPECT_EQ(second.at(root + "\\SHORTCUT|EditFindNext"), "s:Ctrl+F3");
    EXPECT_EQ(second.at(root + "\\SHORTCUT|ViewSQL"), "s:Alt+Q");
}

TEST_F(SharedOptions, FailedSaveIsReportedOnceAndReturnsFalse)
{
    LoadOptions();
    // A folder where the store file belongs: the file cannot be replaced.
    TtvRegistry &reg = tv::settings::tvRegistry();
    const QString file = reg.StoreFileName("Quenzor", "TVX19");
    QFile::remove(file);
    ASSERT_TRUE(QDir().mkpath(file));

    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use(&dialogs);
    EXPECT_FALSE(SaveOptions());
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_TRUE(dialogs.calls().at(0).text.contains(QStringLiteral("書き込めません")));
    EXPECT_TRUE(dialogs.calls().at(0).text.contains(file)) << dialogs.calls().at(0).text.toStdString();
    EXPECT_EQ(dialogs.calls().at(0).flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONWARNING);
    // Saving again fails the same, without telling again.
    EXPECT_FALSE(SaveOptions());
    EXPECT_EQ(dialogs.calls().size(), 1);

    // The program goes on closing: ending the shared services does not throw.
    EXPECT_NO_THROW(EndSharedServices());
    QDir(file).removeRecursively();
}
