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

// Long lists keep their rows in blocks: inserts and deletes of single rows and
// of runs across block borders, at the ends and in the middle, keep every
// row's text and words where a plain list would have them.
TEST(heStringList, LongListEditsMatchAPlainList)
{
    TheStringList l;
    std::vector<std::pair<QString, std::uint32_t>> ref;
    int next = 0;
    const auto insert = [&](int at, int n) {
        if (n == 1) {
            l.Insert(at, QString::number(next));
        } else {
            l.InsertItems(at, n);
            for (int k = 0; k < n; ++k)
                l.Put(at + k, QString::number(next + k));
        }
        for (int k = 0; k < n; ++k) {
            l.PutItem(at + k, std::uint32_t(next + k));
            ref.insert(ref.begin() + at + k, {QString::number(next + k), std::uint32_t(next + k)});
        }
        next += n;
    };
    const auto remove = [&](int at, int n) {
        if (n == 1)
            l.Delete(at);
        else
            l.DeleteItems(at, n);
        ref.erase(ref.begin() + at, ref.begin() + at + n);
    };
    for (int i = 0; i < 5000; ++i) {
        l.Add(QString::number(next));
        l.PutItem(i, std::uint32_t(next));
        ref.push_back({QString::number(next), std::uint32_t(next)});
        ++next;
    }
    struct Step {
        bool insert;
        int at; // -1: at the end (append / the last row)
        int count;
    };
    const Step steps[] = {
        {true, 10, 1},     {true, 11, 1},    {false, 10, 1},   {true, -1, 1},    {false, -1, 1},
        {true, 1024, 1},   {true, 2048, 3000}, {false, 1000, 2500}, {true, 0, 1},  {false, 0, 1},
        {false, 0, 2049},  {true, -1, 4100}, {false, 3, 1},    {true, 4000, 1},  {false, 1023, 1025},
    };
    for (const Step &s : steps) {
        const int size = int(ref.size());
        const int at = s.at >= 0 ? s.at : s.insert ? size : size - 1;
        if (s.insert)
            insert(at, s.count);
        else
            remove(at, s.count);
        ASSERT_EQ(l.Count(), int(ref.size()));
        for (int i = 0; i < l.Count(); ++i) {
            ASSERT_EQ(l[i], ref[size_t(i)].first) << "row " << i;
            ASSERT_EQ(l.GetItem(i), ref[size_t(i)].second) << "row " << i;
        }
        // reads from the bottom up find the same rows
        for (int i = l.Count() - 1; i >= 0; i -= 97)
            ASSERT_EQ(l[i], ref[size_t(i)].first) << "row " << i;
    }
    l.DeleteItems(0, l.Count());
    EXPECT_EQ(l.Count(), 0);
    l.Add(QStringLiteral("again"));
    EXPECT_EQ(l.ToStringList(), QStringList{"again"});
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
