#include "EditorTestSupport.h"
#include "editor/EditorError.h"
#include <gtest/gtest.h>

namespace {

QString S(const char16_t *s) { return QString::fromUtf16(s); }

class SqlParser : public ::testing::Test {
protected:
    std::unique_ptr<TEditorFountain> f = SqlFountain();
    std::unique_ptr<TFountainParser> p = f->CreateParser();
    TRowAttributeStringList list;
};

} // namespace

TEST_F(SqlParser, TokensOfSingleRows)
{
    struct Case {
        QString row;
        std::vector<Tok> tokens;
    };
    const Case cases[] = {
        {"a -- b", {{tokAnk, "a"}, {tokComment, "-- b"}}},
        {"a - - b", {{tokAnk, "a"}, {tokSymbol, "-"}, {tokSymbol, "-"}, {tokAnk, "b"}}},
        {"12.5e+3x", {{tokFloat, "12.5e+3"}, {tokAnk, "x"}}},
        {"12.x", {{tokFloat, "12"}, {tokSymbol, "."}, {tokAnk, "x"}}},
        {"12. ", {{tokFloat, "12"}, {tokSymbol, "."}}},
        {"1e", {{tokFloat, "1e"}}},
        {"7E-", {{tokFloat, "7E-"}}},
        {".5", {{tokSymbol, "."}, {tokInteger, "5"}}},
        {S(u"abc\u0301d"), {{tokAnk, S(u"abc\u0301")}, {tokAnk, "d"}}},
        {"'It''s' x", {{tokQuotation, "'It''s'"}, {tokAnk, "x"}}},
        {"'ab\"cd'", {{tokQuotation, "'ab\""}, {tokAnk, "cd"}, {tokQuotation, "'"}}},
        {"\"q\"\"x\"", {{tokQuotation, "\"q\"\"x\""}}},
        {"'open", {{tokQuotation, "'open"}}},
        {"x/*c*/y", {{tokAnk, "x"}, {tokBracket, "/*c*/"}, {tokAnk, "y"}}},
        {S(u"あい\u3000う\tx"), {{tokWide, S(u"あい\u3000う")}, {tokTab, "\t"}, {tokAnk, "x"}}},
        {QString::fromUtf16(u"a\0b", 3), {{tokAnk, "a"}, {tokSymbol, QString(QChar(0))}, {tokAnk, "b"}}},
        {"#1 0x1F", {{tokSymbol, "#"}, {tokInteger, "1"}, {tokInteger, "0"}, {tokAnk, "x1F"}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Tokens(*p, c.row), c.tokens) << c.row.toStdString();
}

TEST_F(SqlParser, BlockCommentCarriesIntoTheNextRow)
{
    const auto states = Chain(*p, list, {{"a /* b", raCrlf}, {"c */ d", raCrlf}, {"e", raCrlf}});
    EXPECT_EQ(Tokens(*p, list[0], states[0]), (std::vector<Tok>{{tokAnk, "a"}, {tokBracket, "/* b"}}));
    EXPECT_EQ(states[1].BracketIndex, 0);
    EXPECT_EQ(Tokens(*p, list[1], states[1]), (std::vector<Tok>{{tokBracket, "c */"}, {tokAnk, "d"}}));
    EXPECT_EQ(states[2].BracketIndex, -1);
    // The bracket token takes the pair's colour.
    p->NewData(list[1], states[1]);
    p->NextToken();
    EXPECT_EQ(p->TokenToFountainColor(), f->Brackets()->GetBracketItem(0)->ItemColor());
}

TEST_F(SqlParser, RowStateEdgeCases)
{
    // A row of blanks passes the state on unchanged.
    auto states = Chain(*p, list, {{"a /* b", raCrlf}, {"   ", raCrlf}, {"", raCrlf}, {"c */", raCrlf}});
    EXPECT_EQ(states[2], states[1]);
    EXPECT_EQ(states[3].BracketIndex, 0);
    // An unclosed string ends with its line.
    states = Chain(*p, list, {{"x 'abc", raCrlf}, {"def", raCrlf}});
    EXPECT_EQ(states[1].StartToken, 0);
    EXPECT_EQ(Tokens(*p, list[1], states[1]), (std::vector<Tok>{{tokAnk, "def"}}));
    // An unknown state recognises no left bracket.
    TRowAttributeData unknown;
    EXPECT_EQ(Tokens(*p, "/* a", unknown), (std::vector<Tok>{{tokSymbol, "/"}, {tokSymbol, "*"}, {tokAnk, "a"}}));
}

TEST_F(SqlParser, WordWrapCarriesCutTokens)
{
    // A reserved word cut after its third letter.
    auto states = Chain(*p, list, {{"xx SEL", raWrapped}, {"ECT y", raCrlf}});
    EXPECT_EQ(states[1].StartToken, tokReserve);
    EXPECT_EQ(states[1].WrappedByte, 3);
    p->NewData(list[1], states[1]);
    ASSERT_EQ(p->NextToken(), tokReserve);
    EXPECT_EQ(p->TokenLength(), 3);
    EXPECT_EQ(p->TokenToFountainColor(), f->Reserve());
    ASSERT_EQ(p->NextToken(), tokAnk);
    EXPECT_EQ(p->TokenString(), QStringLiteral("y"));

    // A line comment colours every wrapped row of its line, then stops.
    states = Chain(*p, list, {{"a -- xx", raWrapped}, {"yy", raWrapped}, {"zz", raCrlf}, {"b", raCrlf}});
    EXPECT_EQ(Tokens(*p, list[1], states[1]), (std::vector<Tok>{{tokComment, "yy"}}));
    EXPECT_EQ(Tokens(*p, list[2], states[2]), (std::vector<Tok>{{tokComment, "zz"}}));
    EXPECT_EQ(Tokens(*p, list[3], states[3]), (std::vector<Tok>{{tokAnk, "b"}}));

    // A closing bracket cut by the wrap.
    states = Chain(*p, list, {{"/* x *", raWrapped}, {"/ y", raCrlf}});
    EXPECT_EQ(states[1].StartToken, tokBracket);
    EXPECT_EQ(states[1].WrappedByte, 1);
    EXPECT_EQ(states[1].BracketIndex, 0);
    EXPECT_EQ(Tokens(*p, list[1], states[1]), (std::vector<Tok>{{tokBracket, "/"}, {tokAnk, "y"}}));

    // A string cut by the wrap is scanned again from the next row's start.
    states = Chain(*p, list, {{"x 'ab", raWrapped}, {"c' d", raCrlf}});
    EXPECT_EQ(states[1].StartToken, tokQuotation);
    EXPECT_EQ(states[1].WrappedByte, 0);
    EXPECT_EQ(Tokens(*p, list[1], states[1]), (std::vector<Tok>{{tokQuotation, "c'"}, {tokAnk, "d"}}));
}

TEST_F(SqlParser, ReservedWordsAndColours)
{
    const QString row = QStringLiteral("select x From ( 'select' -- where");
    p->NewData(row, FreshState());
    std::vector<std::pair<QString, TFountainColor *>> got;
    while (p->NextToken() != tokEof)
        got.push_back({p->TokenString(), p->TokenToFountainColor()});
    TEditorColors *c = f->Colors();
    const std::vector<std::pair<QString, TFountainColor *>> want{
        {"select", f->Reserve()}, {"x", c->Ank()},       {"From", f->Reserve()},
        {"(", f->Reserve()},      {"'select'", c->Str()}, {"-- where", c->Comment()}};
    EXPECT_EQ(got, want);

    f->SetReserveWordList(QStringList());
    p->NewData(QStringLiteral("select"), FreshState());
    p->NextToken();
    EXPECT_FALSE(p->IsReserveWord());

    // Marker-word lists match the word with the phrase around it.
    f->SetReserveWordList(QStringList{QStringLiteral("TVSTSCREATE TABLE X")});
    p->NewData(QStringLiteral("create table x;"), FreshState());
    p->NextToken();
    EXPECT_EQ(p->TokenStringStatsPack(), QStringLiteral("create table x"));
    EXPECT_TRUE(p->IsReserveWord());
}

TEST(EditorParser, OptionalRules)
{
    auto f = SqlFountain();
    f->SetHexPrefix(QStringLiteral("0x"));
    f->SetControlCode(true);
    f->SetMail(true);
    f->SetUrl(true);
    auto p = f->CreateParser();
    struct Case {
        QString row;
        std::vector<Tok> tokens;
    };
    const Case cases[] = {
        {"0XFF", {{tokHex, "0XFF"}}},
        {"0x", {{tokHex, "0x"}}},
        {"#13#$0A", {{tokControlCode, "#13"}, {tokControlCodeHex, "#$0A"}}},
        {"user.name@example.co.jp x", {{tokMail, "user.name@example.co.jp"}, {tokAnk, "x"}}},
        {"a.b@c", {{tokAnk, "a"}, {tokSymbol, "."}, {tokAnk, "b"}, {tokSymbol, "@"}, {tokAnk, "c"}}},
        {"http://example.com/p?q=1 x", {{tokUrl, "http://example.com/p?q=1"}, {tokAnk, "x"}}},
        {"HTTP:x", {{tokAnk, "HTTP"}, {tokSymbol, ":"}, {tokAnk, "x"}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Tokens(*p, c.row), c.tokens) << c.row.toStdString();
    p->NewData(QStringLiteral("#1"), FreshState());
    p->NextToken();
    EXPECT_EQ(p->TokenToFountainColor(), f->Colors()->Str());
}

TEST(EditorParser, NeedsAFountain)
{
    try {
        TEditorParser p(nullptr);
        FAIL() << "no error";
    } catch (const EEditorError &e) {
        EXPECT_EQ(e.text(), QStringLiteral("TFountainParser.Create need instance of TFountain"));
    }
}
