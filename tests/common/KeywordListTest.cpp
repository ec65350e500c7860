#include "common/KeywordList.h"

#include <gtest/gtest.h>

TEST(KeywordList, AppendsTheBuiltInWordsAndSortsMaterializedBetweenMatchAndMaxvalue)
{
    QStringList list{QStringLiteral("KEEP")};
    FillKeywordList(list);
    ASSERT_EQ(list.size(), 1 + 403);
    EXPECT_EQ(list.first(), "KEEP");
    EXPECT_EQ(list.at(1), "ABORT");
    EXPECT_EQ(list.last(), "MATERIALIZED");
    list.removeFirst();
    list.sort();
    const qsizetype m = list.indexOf(QStringLiteral("MATERIALIZED"));
    ASSERT_GT(m, 0);
    EXPECT_EQ(list.at(m - 1), "MATCH");
    EXPECT_EQ(list.at(m + 1), "MAXVALUE");
    EXPECT_EQ(list.removeDuplicates(), 0);
}
