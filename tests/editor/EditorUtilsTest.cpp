#include "editor/EditorAttributeArray.h"
#include "editor/EditorUtils.h"
#include "editor/heStringList.h"
#include <gtest/gtest.h>

TEST(EastAsianWidth, ClassesOfTellingCodePoints)
{
    struct Case {
        char32_t first, last;
        int cls;
    };
    const Case cases[] = {
        {0x0041, 0x0041, eawNa}, {0x3042, 0x3042, eawW}, {0xFF76, 0xFF76, eawH}, {0x00A7, 0x00A7, eawA},
        {0x0000, 0x0000, eawN},  {0x007F, 0x007F, eawN}, {0x20000, 0x20000, eawW}, {0xF0000, 0xF0000, eawN},
        {0x0020, 0x007E, eawNa}, {0x00A2, 0x00A3, eawNa}, {0x00A5, 0x00A6, eawNa}, {0x00AC, 0x00AC, eawNa},
        {0x00AF, 0x00AF, eawNa}, {0x1100, 0x1159, eawW}, {0x115F, 0x115F, eawW}, {0x3001, 0x303E, eawW},
        {0x3041, 0x3096, eawW},  {0x4E00, 0x9FC3, eawW}, {0xAC00, 0xD7A3, eawW},  {0x3000, 0x3000, eawF},
        {0xFF01, 0xFF60, eawF},  {0xFFE0, 0xFFE6, eawF}, {0x20A9, 0x20A9, eawH},  {0xFF61, 0xFFBE, eawH},
        {0xFFE8, 0xFFEE, eawH},  {0x00A1, 0x00A1, eawA}, {0xE000, 0xF8FF, eawA},  {0xFE00, 0xFE0F, eawA},
        {0xFFFD, 0xFFFD, eawA},  {0x2FFFD, 0x2FFFD, eawW}, {0x30000, 0x3FFFD, eawW}, {0xE0100, 0xE01EF, eawA},
        {0x10FFFF, 0x10FFFF, eawN}, {0x1F600, 0x1F600, eawN},
        // Assigned after 5.1, hence neutral.
        {0x115A, 0x115E, eawN}, {0x9FC4, 0x9FCB, eawN},
        // Emoji that Unicode 9 widened keep their 5.1 class.
        {0x231A, 0x231B, eawN}, {0x2648, 0x2653, eawN}, {0x2B50, 0x2B50, eawN}, {0x2614, 0x2615, eawA},
    };
    for (const Case &c : cases)
        for (char32_t cp = c.first; cp <= c.last; ++cp)
            ASSERT_EQ(EastAsianWidthClass(cp), c.cls) << std::hex << uint32_t(cp);
}

TEST(EastAsianWidth, CombiningMarks)
{
    EXPECT_TRUE(IsCombiningChar(0x0301));
    EXPECT_TRUE(IsCombiningChar(0xFE00));
    EXPECT_TRUE(IsCombiningChar(0xE0100));
    EXPECT_FALSE(IsCombiningChar(0x0CBF));
    EXPECT_FALSE(IsCombiningChar(0x17B4));
    EXPECT_FALSE(IsCombiningChar(u'a'));
    EXPECT_FALSE(IsCombiningChar(0x3042));
}

TEST(TextUtils, SurrogatesAndCodePoints)
{
    const QString smile = QString::fromUtf16(u"\xD83D\xDE00");
    EXPECT_EQ(UnicodeToUCS4(smile), (std::vector<char32_t>{0x1F600, 0}));
    EXPECT_EQ(UnicodeToUCS4(QString::fromUtf16(u"\xDC00" u"a")), (std::vector<char32_t>{0x61, 0}));
    EXPECT_TRUE(UnicodeToUCS4(QString()).empty());
    EXPECT_EQ(SurrogateKindAt(smile, 1), 1);
    EXPECT_EQ(SurrogateKindAt(smile, 2), 2);
    EXPECT_EQ(SurrogateKindAt(smile, 3), 0);
    EXPECT_EQ(SurrogateKindAtBuf(smile, 0), 1);
    EXPECT_EQ(SurrogateKindAtBuf(QStringView(), 0), 0);

    EXPECT_FALSE(IsWideCharAt(u"§", 1, false));
    EXPECT_TRUE(IsWideCharAt(u"§", 1, true));
    EXPECT_TRUE(IsWideCharAt(u"あ", 1, false));
    EXPECT_FALSE(IsWideCharAt(u"あ", 0, false));
    EXPECT_FALSE(IsWideCharAt(u"あ", 2, false));
    EXPECT_TRUE(IsWideCharAt(QString::fromUtf16(u"a\xD840\xDC00"), 2, false)); // U+20000
}

TEST(TextUtils, BlanksAndCharacters)
{
    EXPECT_EQ(LeadingBlankWidth(u"  x"), 2);
    EXPECT_EQ(LeadingBlankWidth(u"\u3000x"), 2);
    EXPECT_EQ(LeadingBlankWidth(u"\u30FB@x"), 0); // an ordinary pair of characters
    EXPECT_EQ(LeadingBlankWidth(u"\tx"), 0);
    EXPECT_EQ(LeadingBlankWidth(u""), -1);
    EXPECT_EQ(LeadingBlankWidth(u"   "), 3);
    EXPECT_EQ(TrimLeftBlanks(QStringLiteral("\t\r  \u3000x y")), QStringLiteral("x y"));
    EXPECT_EQ(TrimLeftBlanks(QStringLiteral("\u30FB@x")), QStringLiteral("\u30FB@x"));
    EXPECT_EQ(CharAtIndex(u"abc", 0), QChar(0));
    EXPECT_EQ(CharAtIndex(u"abc", 4), QChar(0));
    EXPECT_EQ(CharAtIndex(u"abc", 3), QChar(u'c'));
    EXPECT_EQ(CountChar(u"a,b,c", u',', 3), 1);
    EXPECT_FALSE(IsLeadByteAt(u"abc", 1));
    EXPECT_TRUE(IncludesAtCharStart(u"bc", u"abc"));
    EXPECT_FALSE(IncludesAtCharStart(u"", u"abc"));
}

TEST(TextUtils, SetStringsTextSplitsAtEveryLineEnd)
{
    struct Case {
        QString text;
        QStringList lines;
    };
    const Case cases[] = {
        {QStringLiteral("a\rb\r\nc"), {"a", "b", "c"}},
        {QStringLiteral("a\n"), {"a"}},
        {QStringLiteral("a\n\n"), {"a", ""}},
        {QString(), {}},
        {QString::fromUtf16(u"a\0b\nc", 5), {QString::fromUtf16(u"a\0b", 3), "c"}}, // NUL is kept
    };
    for (const Case &c : cases) {
        TheStringList list;
        list.Add(QStringLiteral("old"));
        int changes = 0;
        list.OnChange = TNotifyEvent([&](TPersistent *) { ++changes; });
        SetStringsText(c.text, list);
        EXPECT_EQ(list.ToStringList(), c.lines) << c.text.toStdString();
        EXPECT_EQ(changes, 1);
    }
}

TEST(EditorAttributeArray, WalksColumnsOfWideAndTabCharacters)
{
    TEditorAttributeArray a(QStringLiteral("aあb"), QStringLiteral("1451"));
    std::vector<int> src;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a.Position(), i + 1);
        src.push_back(a.SourcePos());
        if (a.Position() == 2 || a.Position() == 3) {
            EXPECT_EQ(a.PositionString(), QStringLiteral("あ"));
        }
        if (i < 3)
            a.Next();
    }
    EXPECT_EQ(src, (std::vector<int>{1, 2, 2, 3}));
    std::vector<int> back;
    for (int i = 0; i < 3; ++i) {
        a.Prior();
        back.push_back(a.SourcePos());
    }
    EXPECT_EQ(back, (std::vector<int>{2, 2, 1}));
    a.Prior();
    EXPECT_EQ(a.Position(), 1);
    a.SetPosition(99);
    EXPECT_EQ(a.Position(), 5);
    EXPECT_EQ(a.PositionString(), QString());
    EXPECT_EQ(a.GetSize(), 4);

    TEditorAttributeArray t(QStringLiteral("\tx"), QStringLiteral("23331"));
    for (int pos = 1; pos <= 4; ++pos) {
        t.SetPosition(pos);
        EXPECT_EQ(t.SourcePos(), 1);
        EXPECT_EQ(t.PositionString(), QStringLiteral("\t"));
    }
    t.SetPosition(5);
    EXPECT_EQ(t.SourcePos(), 2);
    for (int pos = 4; pos >= 1; --pos) {
        t.SetPosition(pos);
        EXPECT_EQ(t.SourcePos(), 1);
    }
    t.SetPosition(1);
    EXPECT_EQ(t.NextPositionString(), QStringLiteral("\t"));
    EXPECT_EQ(t.Position(), 1);
}
