// The workspace list: its stored layout and the order of its entries.
#include "OptionGuard.h"
#include "common/tvWorkSpace.h"
#include "platform/settings/tvRegistry.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

using tv::settings::TtvRegistry;

namespace {

const QString kBase = QString::fromLatin1(tv::settings::RootKey) + "\\WORKSPACE";

class WorkSpace : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;

    void SetUp() override
    {
        tv::settings::ReleaseSharedRegistry(); // the shared store of the scratch folder
        tvWorkSpace.clear();
    }
    void TearDown() override
    {
        tvWorkSpace.clear();
        tv::settings::ReleaseSharedRegistry();
    }
};

TtvWorkSpace Entry(int type, int n)
{
    TtvWorkSpace e;
    e.ObjectType = type;
    e.Title = QString("題 %1").arg(n);
    e.Schema = "public";
    e.ObjectName = QString("obj%1").arg(n);
    e.Connect = "postgres @ db/localhost:5432";
    if (WorkSpaceKeepsOid(type))
        e.oid = 16000 + n;
    if (WorkSpaceKeepsTableName(type))
        e.TableName = QString("tbl%1").arg(n);
    return e;
}

} // namespace

TEST_F(WorkSpace, TwelveEntriesSaveAsZeroToElevenAndLoadBackInOrder)
{
    const int types[] = {45, 52, 57, 51, 128, 66, 127, 47, 45, 52, 61, 57};
    for (int i = 0; i < 12; ++i)
        tvWorkSpace.push_back(Entry(types[i], i));
    const std::vector<TtvWorkSpace> saved = tvWorkSpace;
    SaveWorkSpace();
    tv::settings::ReleaseSharedRegistry();

    {
        TtvRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kBase, false));
        QStringList expected;
        for (int i = 0; i < 12; ++i)
            expected << QString::number(i);
        EXPECT_EQ(reg.GetKeyNames(), expected); // "10" and "11" after "9"
    }

    tvWorkSpace.clear();
    LoadWorkSpace();
    ASSERT_EQ(tvWorkSpace.size(), saved.size());
    for (size_t i = 0; i < saved.size(); ++i)
        EXPECT_EQ(tvWorkSpace[i], saved[i]) << i;
}

TEST_F(WorkSpace, ValuesWrittenPerTypeAndDefaultsAtLoad)
{
    TtvWorkSpace table = Entry(45, 0);
    table.TableName = "ignored";      // not kept for a table
    TtvWorkSpace trigger = Entry(57, 1);
    trigger.oid = 99;                 // not kept for a trigger
    tvWorkSpace = {table, Entry(52, 2), trigger};
    SaveWorkSpace();
    tv::settings::ReleaseSharedRegistry();

    TtvRegistry reg;
    auto valuesOf = [&](const QString &sub) {
        EXPECT_TRUE(reg.OpenKey(kBase + "\\" + sub, false));
        QStringList v = reg.GetValueNames();
        v.sort(Qt::CaseInsensitive);
        return v;
    };
    const QStringList common = {"Connect", "ObjectName", "ObjectType", "Schema", "Title"};
    EXPECT_EQ(valuesOf("0"), common);
    EXPECT_EQ(valuesOf("1"), QStringList({"Connect", "ObjectName", "ObjectType", "oid", "Schema", "Title"}));
    EXPECT_EQ(valuesOf("2"), QStringList({"Connect", "ObjectName", "ObjectType", "Schema", "TableName", "Title"}));

    // Entries written by hand with values missing.
    ASSERT_TRUE(reg.OpenKey(kBase + "\\3", true));
    reg.WriteString("Title", "no type");       // loads as a table
    ASSERT_TRUE(reg.OpenKey(kBase + "\\4", true));
    reg.WriteInteger("ObjectType", 52);        // a function without "oid"
    reg.CloseKey();
    tv::settings::ReleaseSharedRegistry();

    LoadWorkSpace();
    ASSERT_EQ(tvWorkSpace.size(), 5u);
    EXPECT_EQ(tvWorkSpace[0].oid, 0);
    EXPECT_EQ(tvWorkSpace[0].TableName, "");
    EXPECT_EQ(tvWorkSpace[1].oid, 16002);
    EXPECT_EQ(tvWorkSpace[2].TableName, "tbl1");
    EXPECT_EQ(tvWorkSpace[2].oid, 0);
    EXPECT_EQ(tvWorkSpace[3].ObjectType, 45);
    EXPECT_EQ(tvWorkSpace[3].Title, "no type");
    EXPECT_EQ(tvWorkSpace[4].ObjectType, 52);
    EXPECT_EQ(tvWorkSpace[4].oid, -1);
}

TEST_F(WorkSpace, EmptyListsAndRemovedEntries)
{
    tvWorkSpace = {Entry(45, 0)};
    LoadWorkSpace(); // nothing stored: an empty list
    EXPECT_TRUE(tvWorkSpace.empty());

    tvWorkSpace = {Entry(45, 0), Entry(47, 1)};
    SaveWorkSpace();
    tvWorkSpace.pop_back();
    SaveWorkSpace();
    tvWorkSpace.clear();
    SaveWorkSpace(); // the last entry deleted
    tv::settings::ReleaseSharedRegistry();

    {
        TtvRegistry reg;
        if (reg.OpenKey(kBase, false)) { // no entry is left behind
            EXPECT_TRUE(reg.GetKeyNames().isEmpty());
        }
    }
    LoadWorkSpace();
    EXPECT_TRUE(tvWorkSpace.empty());
}

// Oids are unsigned 32-bit: two overloads whose oids lie above 2^31 stay two
// entries with their own oids through the store.
TEST_F(WorkSpace, OidsAboveTwoToTheThirtyFirstComeBackAsTheyWere)
{
    const qint64 oids[] = {2147483647LL, 2147483648LL, 3000000000LL, 3000000001LL, 4294967295LL};
    for (qint64 oid : oids) {
        TtvWorkSpace e = Entry(52, int(tvWorkSpace.size()));
        e.ObjectName = QStringLiteral("f");
        e.oid = oid;
        tvWorkSpace.push_back(e);
    }
    SaveWorkSpace();
    tv::settings::ReleaseSharedRegistry();
    tvWorkSpace.clear();
    LoadWorkSpace();
    ASSERT_EQ(tvWorkSpace.size(), std::size(oids));
    for (size_t i = 0; i < std::size(oids); ++i)
        EXPECT_EQ(tvWorkSpace[i].oid, oids[i]) << i;
}
