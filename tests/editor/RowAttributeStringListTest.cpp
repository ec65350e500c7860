#include "editor/EditorError.h"
#include "editor/RowAttributeStringList.h"
#include <gtest/gtest.h>

namespace {
struct EventLog {
    int changing = 0, changed = 0;
    void Wire(TheStringList &l)
    {
        l.OnChanging = TNotifyEvent([this](TPersistent *) { ++changing; });
        l.OnChange = TNotifyEvent([this](TPersistent *) { ++changed; });
    }
};
} // namespace

TEST(heStringList, CapacityGrowsInSteps)
{
    TheStringList l;
    EXPECT_EQ(l.Add(QStringLiteral("a")), 0);
    std::vector<int> caps{l.Capacity()};
    for (int i = 1; i < 13; ++i) {
        l.Add(QString::number(i));
        caps.push_back(l.Capacity());
    }
    EXPECT_EQ(caps, (std::vector<int>{4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12, 28}));
    l.Insert(0, QStringLiteral("first"));
    l.Delete(13);
    EXPECT_EQ(l[0], QStringLiteral("first"));
    EXPECT_EQ(l[1], QStringLiteral("a"));
    EXPECT_EQ(l.Count(), 13);
}

TEST(heStringList, EventsAroundTextChangesOnly)
{
    TRowAttributeStringList l;
    EventLog log;
    l.Clear(); // empty: nothing
    log.Wire(l);
    l.Clear();
    EXPECT_EQ(log.changed, 0);
    l.Add(QStringLiteral("a"));
    l.Add(QStringLiteral("b"));
    EXPECT_EQ(log.changing, 2);
    EXPECT_EQ(log.changed, 2);
    l.Exchange(1, 1);
    EXPECT_EQ(log.changed, 3);
    l.PutItem(0, 7);
    l.PutItem2(0, 7);
    l.PutDataStr(0, QStringLiteral("x"));
    l.SetBrackets(1, 3);
    EXPECT_EQ(log.changed, 3);

    l.BeginUpdate();
    l.BeginUpdate();
    l.Add(QStringLiteral("c"));
    l.Put(0, QStringLiteral("z"));
    l.EndUpdate();
    EXPECT_EQ(log.changed, 3);
    l.EndUpdate();
    EXPECT_EQ(log.changing, 4);
    EXPECT_EQ(log.changed, 4);

    l.Exchange(0, 2);
    EXPECT_EQ(l.ToStringList(), (QStringList{"c", "b", "z"}));
    EXPECT_EQ(l.GetItem(2), 7u); // the words travel with the row
    EXPECT_EQ(l.GetDataStr(2), QStringLiteral("x"));
}

TEST(heStringList, IndexErrorsLeaveTheListAsItWas)
{
    TRowAttributeStringList l;
    l.Add(QStringLiteral("a"));
    EventLog log;
    log.Wire(l);
    const auto expectIndexError = [](auto &&f) {
        try {
            f();
            ADD_FAILURE() << "no error";
        } catch (const EStringListError &e) {
            EXPECT_EQ(e.text(), QStringLiteral("リストのインデックスが範囲を超えています"));
        }
    };
    expectIndexError([&] { l.Get(1); });
    expectIndexError([&] { l.Get(-1); });
    expectIndexError([&] { l.Put(1, QString()); });
    expectIndexError([&] { l.Insert(2, QString()); });
    expectIndexError([&] { l.Delete(1); });
    expectIndexError([&] { l.Exchange(0, 1); });
    expectIndexError([&] { l.GetItem(5); });
    expectIndexError([&] { l.SetRowMarks(1, 1); });
    EXPECT_EQ(l.ToStringList(), QStringList{"a"});
    EXPECT_EQ(log.changing + log.changed, 0);
    l.Insert(1, QStringLiteral("b")); // Insert at Count is fine
    EXPECT_EQ(l.Count(), 2);
}

TEST(RowAttributeStringList, PacksEachFieldInItsOwnBits)
{
    TRowAttributeStringList l;
    l.Add(QStringLiteral("row"));
    EXPECT_EQ(l.Rows(0), raCrlf);
    EXPECT_EQ(l.Brackets(0), -2);
    EXPECT_EQ(l.RowMarks(0), 0);

    l.SetBrackets(0, -1);
    EXPECT_EQ((l.GetItem(0) >> 4) & 0xF, 1u);
    EXPECT_EQ(l.Brackets(0), -1);
    l.SetBrackets(0, 13);
    EXPECT_EQ(l.Brackets(0), 13);

    l.SetPrevTokens(0, 25);
    l.SetRowMarks(0, RowMarkBit(rm0) | RowMarkBit(rm15));
    l.SetTokens(0, 8);
    EXPECT_EQ(l.GetItem2(0) >> 16, 0x8001u);
    EXPECT_EQ(l.PrevTokens(0), 25);
    EXPECT_EQ(l.Tokens(0), 8);

    l.SetRows(0, raWrapped);
    l.SetPrevRows(0, raEof);
    l.SetElements(0, 200);
    l.SetWrappedBytes(0, 255);
    l.SetRemains(0, 17);
    EXPECT_EQ(l.Rows(0), raWrapped);
    EXPECT_EQ(l.PrevRows(0), raEof);
    EXPECT_EQ(l.Brackets(0), 13);
    EXPECT_EQ(l.Elements(0), 200);
    EXPECT_EQ(l.WrappedBytes(0), 255);
    EXPECT_EQ(l.Remains(0), 17);

    TRowAttributeData d = l.RowAttributeData(0);
    l.Add(QStringLiteral("second"));
    d.DataStr = QStringLiteral("ds");
    l.SetRowAttributeData(1, d);
    EXPECT_EQ(l.RowAttributeData(1), d);
    EXPECT_EQ(l.RowMarks(1), 0); // marks are not part of the state
}
