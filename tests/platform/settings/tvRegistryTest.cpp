// The settings store: typed values with never-failing readers, names without
// regard to letter case, files that survive bad content, key enumeration and
// deletion.
#include "platform/Errors.h"
#include "platform/settings/Folders.h"
#include "platform/settings/tvRegistry.h"
#include "support/ScratchDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tv::settings;

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = SetSettingsNoticeHandler([this](const QString &text) { notices << text; });
    }
    void TearDown() override { SetSettingsNoticeHandler(previous); }

    tvtest::ScratchDir scratch;
    SettingsNoticeHandler previous;
    QStringList notices; // what the store told the user
    QString root = QString::fromLatin1(RootKey);
    QString file() const { return scratch.path() + "/Quenzor/TVX19.conf"; }

    static QByteArray ReadAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    static void WriteAll(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
};

TEST_F(Registry, StoresInOneFilePerProductBelowTheConfigFolder)
{
    TtvRegistry reg;
    EXPECT_EQ(reg.ConfigDir(), QDir::cleanPath(scratch.path()));
    ASSERT_TRUE(reg.OpenKey(root + "\\GUI\\MAIN", true));
    reg.WriteInteger("Width", 640);
    reg.CloseKey();
    EXPECT_TRUE(QFileInfo::exists(file()));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(Registry, ReadersFallBackToTheDefaultOnEveryMismatch)
{
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(root, true));
        reg.WriteInteger("Two", 2);
        reg.WriteInteger("Zero", 0);
        reg.WriteString("TextOne", "1");
        reg.WriteString("Empty", "");
        reg.WriteString("Text", "abc");
        reg.WriteBinaryData("Short", QByteArray("\x01\x02\x03", 3));
        reg.WriteFloat("Pi", 3.25);
        reg.WriteCurrency("Money", 123456789012LL);
        reg.WriteDateTime("When", QDateTime(QDate(2024, 2, 29), QTime(13, 45, 30)));
        reg.CloseKey();
    }
    TtvRegistry reg; // everything read back from the file, types kept
    ASSERT_TRUE(reg.OpenKey(root, false));
    EXPECT_TRUE(reg.GetBool("Two", false));
    EXPECT_FALSE(reg.GetBool("Zero", true));
    EXPECT_TRUE(reg.GetBool("TextOne", true));
    EXPECT_FALSE(reg.GetBool("TextOne", false));
    EXPECT_FALSE(reg.GetBool("Missing", false));
    EXPECT_EQ(reg.GetInteger("Text", 7), 7);
    EXPECT_EQ(reg.GetInteger("TextOne", 7), 7);
    EXPECT_EQ(reg.GetInteger("Two", 7), 2);
    EXPECT_EQ(reg.GetString("Empty", "dflt"), "dflt");
    EXPECT_EQ(reg.GetString("Missing", "dflt"), "dflt");
    EXPECT_EQ(reg.GetString("Two", "dflt"), "dflt");
    EXPECT_EQ(reg.GetString("Text", "dflt"), "abc");
    EXPECT_EQ(reg.GetFloat("Short", 1.5), 1.5);
    EXPECT_EQ(reg.GetFloat("Two", 1.5), 1.5);
    EXPECT_EQ(reg.GetFloat("Pi", 1.5), 3.25);
    EXPECT_EQ(reg.GetCurrency("Money", 0), 123456789012LL);
    EXPECT_EQ(reg.GetCurrency("Text", 5), 5);
    const QDateTime dflt(QDate(2000, 1, 1), QTime(0, 0));
    EXPECT_EQ(reg.GetDateTime("When", dflt), QDateTime(QDate(2024, 2, 29), QTime(13, 45, 30)));
    EXPECT_EQ(reg.GetDateTime("Text", dflt), dflt);
    EXPECT_EQ(reg.GetDateTime("Short", dflt), dflt);

    EXPECT_EQ(reg.GetDataType("Two"), TRegDataType::rdInteger);
    EXPECT_EQ(reg.GetDataType("Text"), TRegDataType::rdString);
    EXPECT_EQ(reg.GetDataType("Pi"), TRegDataType::rdBinary);
    EXPECT_EQ(reg.GetDataType("Missing"), TRegDataType::rdUnknown);
    EXPECT_THROW(reg.ReadInteger("Text"), tv::Error);
    EXPECT_THROW(reg.ReadString("Two"), tv::Error);
    EXPECT_EQ(reg.ReadString("Missing"), "");
}

TEST(RegistryDateTime, StoredValueIsDaysSince1899WithTimeAsFraction)
{
    EXPECT_DOUBLE_EQ(DateTimeToValue(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(DateTimeToValue(QDateTime(QDate(1900, 1, 1), QTime(18, 0))), 2.75);
    EXPECT_DOUBLE_EQ(DateTimeToValue(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    EXPECT_EQ(ValueToDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(ValueToDateTime(45351.5), QDateTime(QDate(2024, 2, 29), QTime(12, 0)));
    EXPECT_FALSE(ValueToDateTime(std::numeric_limits<double>::quiet_NaN()).isValid());
}

TEST_F(Registry, NamesMatchWithoutRegardToLetterCaseAndKeepTheirSpelling)
{
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root + "\\GUI\\Main", true));
    reg.WriteInteger("Width", 640);
    reg.CloseKey();

    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\quenzor\\tvx19\\gui\\MAIN", false));
    EXPECT_EQ(reg.CurrentPath(), "\\Software\\Quenzor\\TVX19\\GUI\\Main");
    EXPECT_EQ(reg.GetInteger("WIDTH", 0), 640);
    reg.WriteInteger("wIdTh", 800);
    EXPECT_EQ(reg.GetValueNames(), QStringList{"Width"});
    EXPECT_EQ(reg.GetInteger("width", 0), 800);
    reg.CloseKey();

    TtvRegistry again;
    ASSERT_TRUE(again.OpenKey("\\software\\QUENZOR\\TVX19\\GUI", false));
    EXPECT_EQ(again.GetKeyNames(), QStringList{"Main"});
}

TEST_F(Registry, RelativePathsStartAtTheCurrentKey)
{
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root, true));
    ASSERT_TRUE(reg.OpenKey("GUI\\TABLE", true));
    EXPECT_EQ(reg.CurrentPath(), root + "\\GUI\\TABLE");
    EXPECT_FALSE(reg.OpenKey("Nowhere", false));
    EXPECT_EQ(reg.CurrentPath(), root + "\\GUI\\TABLE");
    EXPECT_TRUE(reg.KeyExists(root + "\\GUI"));
    EXPECT_FALSE(reg.KeyExists(root + "\\GUI\\VIEW"));
    EXPECT_FALSE(reg.OpenKey("\\Elsewhere\\Key", true));
}

TEST_F(Registry, OpeningWithCreationAloneWritesNoFile)
{
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root + "\\PRINTOPTION", true));
    reg.CloseKey();
    EXPECT_FALSE(QFileInfo::exists(file()));
    ASSERT_TRUE(reg.OpenKey(root, false));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{"PRINTOPTION"});
    reg.CloseKey();
    // The empty key reaches the file with the next real write.
    ASSERT_TRUE(reg.OpenKey(root + "\\TEXTOUT", true));
    reg.WriteBool("OneScript", true);
    reg.CloseKey();
    TtvRegistry again;
    ASSERT_TRUE(again.OpenKey(root, false));
    EXPECT_EQ(again.GetKeyNames(), (QStringList{"PRINTOPTION", "TEXTOUT"}));
    EXPECT_TRUE(again.GetValueNames().isEmpty());
}

TEST_F(Registry, MalformedFileGivesDefaultsAndIsKeptUntilASave)
{
    const QByteArray garbage("this is not a settings file\n\x01\x02\n");
    WriteAll(file(), garbage);
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(root, true));
        EXPECT_EQ(reg.GetInteger("TreeSort", 42), 42);
        EXPECT_TRUE(reg.GetValueNames().isEmpty());
        reg.CloseKey();
        ASSERT_TRUE(reg.OpenKey(root + "\\GUI\\MAIN", true));
        reg.CloseKey();
    }
    EXPECT_EQ(ReadAll(file()), garbage);
    EXPECT_TRUE(notices.isEmpty());

    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(root, true));
        reg.WriteInteger("TreeSort", 1);
        reg.CloseKey();
        ASSERT_TRUE(reg.OpenKey(root + "\\GUI", true));
        reg.WriteInteger("Width", 3);
        reg.CloseKey();
    }
    EXPECT_EQ(ReadAll(file() + ".bad"), garbage); // set aside, not lost
    // Told once, naming the kept copy.
    ASSERT_EQ(notices.size(), 1) << notices.join('\n').toStdString();
    EXPECT_TRUE(notices[0].contains(QDir::toNativeSeparators(file() + ".bad"))) << notices[0].toStdString();
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root, false));
    EXPECT_EQ(reg.GetInteger("TreeSort", 42), 1);
}

TEST_F(Registry, FilesWithBadLinesAreMalformedAsAWhole)
{
    const QList<QByteArray> bad = {
        "#TalvexSettings 1\ni\tTreeSort\tnot-a-number\n",
        "#TalvexSettings 1\ni\tTreeSort\t99999999999\n",
        "#TalvexSettings 1\nb\tBin\t0g\n",
        "#TalvexSettings 1\ns\tText\tbad\\escape\n",
        "#TalvexSettings 1\nx\tKey\t1\n",
        "#TalvexSettings 1\ns\tToo\tmany\tfields\n",
        "#TalvexSettings 2\ni\tTreeSort\t1\n",
        "#TalvexSettings 1\ns\tText\t\xff\xfe\n",
    };
    for (const QByteArray &content : bad) {
        SCOPED_TRACE(content.toStdString());
        // (Longer than every bad content: QSettings trusts a cached parse of a
        // file whose size and time stamp did not change.)
        WriteAll(file(), "#TalvexSettings 1\ni\tTreeSort\t5\ni\tOther\t3\ns\tPadding\t0123456789\n");
        {
            TtvRegistry good;
            ASSERT_TRUE(good.OpenKey(root, false));
            ASSERT_EQ(good.GetInteger("TreeSort", 0), 5);
        }
        WriteAll(file(), content);
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(root, true));
        EXPECT_EQ(reg.GetInteger("Other", -1), -1);
    }
}

TEST_F(Registry, UnreadableFileGivesDefaultsAndIsNeverOverwritten)
{
    // A folder where the file should be: it cannot be read (not even by root)
    // and must not be replaced.
    ASSERT_TRUE(QDir().mkpath(file()));
    ASSERT_TRUE(QFile(file() + "/keep").open(QIODevice::WriteOnly));
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root, true));
    EXPECT_EQ(reg.GetInteger("TreeSort", 42), 42);
    reg.WriteInteger("TreeSort", 1);
    // Closing does not fail; the user is told once that settings cannot be saved.
    EXPECT_NO_THROW(reg.CloseKey());
    EXPECT_FALSE(reg.HasCurrentKey());
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(QStringLiteral("書き込めません"))) << notices[0].toStdString();
    EXPECT_TRUE(notices[0].contains(QDir::toNativeSeparators(file()))) << notices[0].toStdString();

    // Later closes, of keys read or written, do not fail and tell nothing more.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(reg.OpenKeyReadOnly(root));
        EXPECT_NO_THROW(reg.CloseKey());
        ASSERT_TRUE(reg.OpenKey(root + "\\GUI\\MAIN", true));
        reg.WriteInteger("Width", i);
        EXPECT_NO_THROW(reg.CloseKey());
        TRegistryKeyCloser closer(reg);
        ASSERT_TRUE(reg.OpenKey(root, false));
    }
    EXPECT_FALSE(reg.Flush());
    EXPECT_EQ(notices.size(), 1);
    // A second store of the same file in the run does not tell again either.
    {
        TtvRegistry other;
        ASSERT_TRUE(other.OpenKey(root, true));
        other.WriteInteger("TreeSort", 2);
        EXPECT_NO_THROW(other.CloseKey());
    }
    EXPECT_EQ(notices.size(), 1);
    EXPECT_TRUE(QFileInfo(file()).isDir());
    EXPECT_TRUE(QFileInfo::exists(file() + "/keep"));
}

TEST_F(Registry, SubkeysSortNumericallyThenByName)
{
    TtvRegistry reg;
    for (const char *name : {"10", "2", "b", "1", "A", "011", "c"}) {
        ASSERT_TRUE(reg.OpenKey(root + "\\WORKSPACE\\" + name, true));
        reg.WriteInteger("ObjectType", 45);
    }
    ASSERT_TRUE(reg.OpenKey(root + "\\WORKSPACE", false));
    EXPECT_EQ(reg.GetKeyNames(), (QStringList{"1", "2", "10", "011", "A", "b", "c"}));
    reg.CloseKey();

    TtvRegistry again;
    ASSERT_TRUE(again.OpenKey(root + "\\WORKSPACE", false));
    EXPECT_EQ(again.GetKeyNames(), (QStringList{"1", "2", "10", "011", "A", "b", "c"}));
}

TEST_F(Registry, DeleteKeyRemovesTheWholeSubtreeOnly)
{
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(root + "\\RESERVE", true));
        reg.WriteString("SELECT", "");
        ASSERT_TRUE(reg.OpenKey(root + "\\RESERVE\\deeper\\still", true));
        reg.WriteInteger("x", 1);
        ASSERT_TRUE(reg.OpenKey(root + "\\RESERVE2", true));
        reg.WriteInteger("keep", 1);
        ASSERT_TRUE(reg.OpenKey(root, true));
        reg.WriteInteger("RESERVE", 7); // a value with the name of the key
        EXPECT_TRUE(reg.DeleteKey("reserve"));
        EXPECT_FALSE(reg.DeleteKey("RESERVE"));
        EXPECT_FALSE(reg.KeyExists(root + "\\RESERVE\\deeper"));
        reg.CloseKey();
    }
    TtvRegistry reg;
    EXPECT_FALSE(reg.KeyExists(root + "\\RESERVE"));
    ASSERT_TRUE(reg.OpenKey(root, false));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{"RESERVE2"});
    EXPECT_EQ(reg.GetInteger("RESERVE", 0), 7);
    ASSERT_TRUE(reg.OpenKey("RESERVE2", false));
    EXPECT_EQ(reg.GetInteger("keep", 0), 1);
}

TEST_F(Registry, EscapedDatabaseNamesRoundTripAsKeyNames)
{
    const QString db = "sales/2024\\east%25 ＤＢ";
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(root + "\\OBJECTTREE\\" + EscapeKeyName(db), true));
        reg.WriteString("Expanded", "public");
        reg.WriteString("a/b\\c", "value names may hold separators");
        reg.CloseKey();
    }
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root + "\\OBJECTTREE", false));
    const QStringList names = reg.GetKeyNames();
    ASSERT_EQ(names.size(), 1);
    EXPECT_EQ(UnescapeKeyName(names[0]), db);
    ASSERT_TRUE(reg.OpenKey(names[0], false));
    EXPECT_EQ(reg.GetString("Expanded", ""), "public");
    EXPECT_EQ(reg.GetValueNames(), (QStringList{"a/b\\c", "Expanded"}));
    EXPECT_EQ(reg.GetString("A/B\\C", ""), "value names may hold separators");
}

TEST_F(Registry, TextsKeepEveryCharacter)
{
    const QString text = "一行目\r\n\ttab \\ back\\slash\nＭＳ ゴシック\r";
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(root, true));
        reg.WriteString("Text", text);
        reg.CloseKey();
    }
    TtvRegistry reg;
    ASSERT_TRUE(reg.OpenKey(root, false));
    EXPECT_EQ(reg.GetString("Text", ""), text);
}

// Saving a value the file holds already (bounds of a window that did not
// move) leaves the file as it is; a new value, or the same text as another
// type, is written.
TEST_F(Registry, WritingTheHeldValueAgainLeavesTheFileAlone)
{
    struct Case {
        const char *what;
        std::function<void(TtvRegistry &)> first, same, changed;
    };
    const QList<Case> cases = {
        {"integer", [](TtvRegistry &r) { r.WriteInteger("V", 640); }, [](TtvRegistry &r) { r.WriteInteger("v", 640); },
         [](TtvRegistry &r) { r.WriteInteger("V", 641); }},
        {"bool", [](TtvRegistry &r) { r.WriteBool("V", true); }, [](TtvRegistry &r) { r.WriteInteger("V", 1); },
         [](TtvRegistry &r) { r.WriteBool("V", false); }},
        {"text", [](TtvRegistry &r) { r.WriteString("V", "1"); }, [](TtvRegistry &r) { r.WriteString("V", "1"); },
         [](TtvRegistry &r) { r.WriteInteger("V", 1); }},
        {"binary", [](TtvRegistry &r) { r.WriteFloat("V", 2.5); }, [](TtvRegistry &r) { r.WriteFloat("V", 2.5); },
         [](TtvRegistry &r) { r.WriteFloat("V", 2.75); }},
    };
    auto inode = [this] {
        struct stat st {};
        return ::stat(QFile::encodeName(file()).constData(), &st) == 0 ? st.st_ino : ino_t(0);
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(file());
        {
            TtvRegistry reg;
            ASSERT_TRUE(reg.OpenKey(root + "\\GUI\\LOG", true));
            c.first(reg);
            reg.WriteString("Other", "x");
            reg.CloseKey();
            const ino_t written = inode();
            ASSERT_NE(written, ino_t(0));
            const QByteArray content = ReadAll(file());
            // Again in the same run, and in a later one that read the file.
            ASSERT_TRUE(reg.OpenKey(root + "\\GUI\\LOG", true));
            c.same(reg);
            reg.CloseKey();
            EXPECT_EQ(inode(), written);
            TtvRegistry later;
            ASSERT_TRUE(later.OpenKey(root + "\\GUI\\LOG", true));
            c.same(later);
            later.CloseKey();
            EXPECT_EQ(inode(), written);
            EXPECT_EQ(ReadAll(file()), content);
            ASSERT_TRUE(later.OpenKey(root + "\\GUI\\LOG", true));
            c.changed(later);
            later.CloseKey();
            EXPECT_NE(ReadAll(file()), content);
        }
        TtvRegistry check;
        ASSERT_TRUE(check.OpenKey(root + "\\GUI\\LOG", false));
        EXPECT_EQ(check.GetString("Other", ""), "x");
    }
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(root + "\\GUI\\LOG", false));
        EXPECT_EQ(reg.GetDataType("V"), TRegDataType::rdBinary);
        EXPECT_EQ(reg.GetFloat("V", 0), 2.75);
    }
}

TEST_F(Registry, ReadOnlyKeysRefuseWritesAndSiblingStoresOpen)
{
    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Quenzor\\TVX18", true));
        reg.WriteInteger("TreeSort", 1);
        reg.CloseKey();
    }
    EXPECT_TRUE(QFileInfo::exists(scratch.path() + "/Quenzor/TVX18.conf"));
    TtvRegistry reg;
    EXPECT_FALSE(reg.OpenKey("\\Software\\Quenzor\\TVX17", false));
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Quenzor\\TVX18"));
    EXPECT_EQ(reg.GetInteger("TreeSort", 0), 1);
    EXPECT_THROW(reg.WriteInteger("TreeSort", 2), tv::Error);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quenzor", false));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{"TVX18"});
    EXPECT_THROW(reg.WriteInteger("Outside", 1), tv::Error);
    reg.CloseKey();
    EXPECT_THROW(reg.WriteInteger("NoKey", 1), tv::Error);
}

TEST(RegistryLists, LinesTravelAsCrLfText)
{
    EXPECT_EQ(StringsToText({"a", "b"}), "a\r\nb\r\n");
    EXPECT_EQ(StringsToText({}), "");
    const QList<QStringList> lists = {{}, {""}, {"a"}, {"a", ""}, {"", "x", ""}, {"日本", "語"}};
    for (const QStringList &l : lists)
        EXPECT_EQ(TextToStrings(StringsToText(l)), l);
    EXPECT_EQ(TextToStrings("a\nb\rc\r\nd"), (QStringList{"a", "b", "c", "d"}));
}

TEST(RegistryFolders, ConfigDirPointsEveryFolderAtOnePlace)
{
    tvtest::ScratchDir scratch;
    const QString dir = QDir::cleanPath(scratch.path()) + "/";
    EXPECT_EQ(DataDir(), dir);
    EXPECT_EQ(DocumentsDir(), dir);
    EXPECT_EQ(ConfigFolder() + "/", dir);
}

TEST_F(Registry, KeyCloserEndsTheCurrentKeyOnEveryWayOut)
{
    TtvRegistry reg(scratch.path());
    {
        TRegistryKeyCloser closer(reg);
        ASSERT_TRUE(reg.OpenKey(root + "\\GUI", true));
        reg.WriteInteger("Width", 5);
    }
    EXPECT_FALSE(reg.HasCurrentKey());
    TtvRegistry again(scratch.path());
    ASSERT_TRUE(again.OpenKey(root + "\\GUI", false));
    EXPECT_EQ(again.GetInteger("Width", 0), 5);
    again.CloseKey();

    try {
        TRegistryKeyCloser closer(reg);
        ASSERT_TRUE(reg.OpenKeyReadOnly(root));
        throw tv::Error(QStringLiteral("x"));
    } catch (const tv::Error &) {
    }
    EXPECT_FALSE(reg.HasCurrentKey());
}

TEST(RegistryShared, OneInstanceReadsTheConfigFolderWhenCreated)
{
    tvtest::ScratchDir scratch;
    ReleaseSharedRegistry();
    TtvRegistry &reg = tvRegistry();
    EXPECT_EQ(&reg, &tvRegistry());
    EXPECT_EQ(reg.ConfigDir(), QDir::cleanPath(scratch.path()));
    ReleaseSharedRegistry();
}

} // namespace
