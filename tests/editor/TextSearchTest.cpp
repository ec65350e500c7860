#include "editor/TextSearch.h"
#include <gtest/gtest.h>

namespace {
constexpr TSearchOptions Down = SearchOptionBit(sfrDown);
constexpr TSearchOptions Case = SearchOptionBit(sfrMatchCase);
constexpr TSearchOptions Word = SearchOptionBit(sfrWholeWord);
constexpr TSearchOptions CrLf = SearchOptionBit(sfrIncludeCRLF);
constexpr TSearchOptions Space = SearchOptionBit(sfrIncludeSpace);

struct Case_ {
    QString buf;
    QString what;
    TSearchOptions options;
    int selStart, selLength;
    int foundAt;    // -1: not found
    int foundLength;
};
} // namespace

TEST(TextSearch, FindsAsTheOptionsSay)
{
    const Case_ cases[] = {
        {"xxab", "ab", Down, 0, 0, 2, 2},
        {"xxab", "ab", Down, 2, 2, -1, 0},
        {"abxab", "ab", 0, 5, 0, 3, 2},
        {"abxab", "ab", 0, 3, 0, 0, 2},
        {"xxab", "ab", Down, 1, 0, 2, 2}, // a match ending at the buffer end
        {"SELECT Select", "select", Down, 0, 0, 0, 6},
        {"SELECT Select", "select", Down, 0, 6, 7, 6},
        {"SELECT", "select", Down | Case, 0, 0, -1, 0},
        {QString::fromUtf16(u"xÄ"), QString::fromUtf16(u"ä"), Down, 0, 0, 1, 1},
        {QString::fromUtf16(u"xä"), QString::fromUtf16(u"ä"), Down, 0, 0, 1, 1},
        {QString::fromUtf16(u"xä"), QString::fromUtf16(u"Ä"), Down | Case, 0, 0, -1, 0},
        {"a id b", "id", Down | Word, 0, 0, 2, 2},
        {"a idx b", "id", Down | Word, 0, 0, -1, 0},
        {"xid", "id", Down | Word, 0, 0, -1, 0},
        {"a id", "id", Down | Word, 0, 0, 2, 2},
        {"idx", "id", Word, 3, 0, -1, 0},
        {"x id,y", "id", Word, 6, 0, 2, 2},
        {"a\r\nb", "ab", Down | CrLf, 0, 0, 0, 4},
        {"\nab", "ab", Down | CrLf, 0, 0, 1, 2},
        {"a\r\nb", "ab", Down, 0, 0, -1, 0},
        {"a  b", "ab", Down | Space, 0, 0, 0, 4},
        {QString::fromUtf16(u"a\u3000\tb"), "ab", Down | Space, 0, 0, 0, 4},
        {QString::fromUtf16(u"a\0b", 3), QString::fromUtf16(u"\0b", 2), Down, 0, 0, 1, 2},
        {"", "a", Down, 0, 0, -1, 0},
        {"abc", "", Down, 0, 0, -1, 0},
        {"abc", "a", Down, 4, 0, -1, 0},
        {"abc", "a", Down, -1, 0, -1, 0},
    };
    for (const Case_ &c : cases) {
        TSearchPos pos{c.selStart, c.selLength};
        const bool found = SearchBuffer(c.buf, pos, c.what, c.options);
        SCOPED_TRACE(c.buf.toStdString() + " / " + c.what.toStdString());
        EXPECT_EQ(found, c.foundAt >= 0);
        if (found && c.foundAt >= 0) {
            EXPECT_EQ(pos.SelStart, c.foundAt);
            EXPECT_EQ(pos.SelLength, c.foundLength);
        }
    }
}

TEST(TextSearch, RepeatedSearchWalksEveryHit)
{
    const QString buf = QStringLiteral("ab ab AB xab");
    std::vector<int> forward;
    TSearchPos pos{0, 0};
    while (SearchBuffer(buf, pos, QStringLiteral("ab"), Down))
        forward.push_back(pos.SelStart);
    EXPECT_EQ(forward, (std::vector<int>{0, 3, 6, 10}));

    std::vector<int> backward;
    pos = {int(buf.size()), 0};
    while (SearchBuffer(buf, pos, QStringLiteral("ab"), Word))
        backward.push_back(pos.SelStart);
    EXPECT_EQ(backward, (std::vector<int>{6, 3, 0}));
}
