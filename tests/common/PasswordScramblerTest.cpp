// The stored-password scrambler: layout of the scrambled text, randomness,
// padding and trimming, robustness against text that was never scrambled.
#include "common/PasswordScrambler.h"

#include <QRandomGenerator>
#include <QSet>

#include <gtest/gtest.h>

namespace {

const QByteArray kAlphabet("~;<@]=,_|.[:>'!-");

bool FromAlphabet(const QByteArray &s)
{
    for (char c : s)
        if (!kAlphabet.contains(c))
            return false;
    return true;
}

TEST(PasswordScrambler, ShortTextIsPaddedTo64Bytes)
{
    const QByteArray s = ScrambleText("abc");
    EXPECT_EQ(s.size(), 132);
    EXPECT_TRUE(FromAlphabet(s)) << s.toStdString();
    EXPECT_EQ(UnscrambleText(s), "abc");
}

// The stored layout built the textbook way (the core grows outwards from the
// key character), so texts stored by earlier versions keep unscrambling.
QByteArray ScrambleByHand(QByteArray plain, int k, int r, int r1, int r2)
{
    while (plain.size() < 64)
        plain.append(' ');
    auto A = [](int j) { return QByteArray(1, kAlphabet[j % 16]); };
    QByteArray core = A(k) + A(r);
    for (int i = 0; i < plain.size(); ++i) {
        const auto b = static_cast<unsigned char>(plain[i]);
        core = A(k + i + (b >> 4) + 2) + core + A(k + i + (b & 15) + 2);
    }
    return A(r1) + core + A(r2);
}

TEST(PasswordScrambler, ReadsTheStoredLayout)
{
    for (int k : {0, 7, 15})
        for (int r : {0, 9})
            EXPECT_EQ(UnscrambleText(ScrambleByHand("Tiger#2024 ", k, r, 3, 14)), "Tiger#2024");
    for (int i = 0; i < 10; ++i) {
        // The random characters read off a scramble rebuild it exactly.
        const QByteArray s = ScrambleText("abc");
        ASSERT_EQ(s.size(), 132);
        const auto at = [&](int pos1) { return int(kAlphabet.indexOf(s[pos1 - 1])); };
        EXPECT_EQ(ScrambleByHand("abc", at(66), at(67), at(1), at(132)), s);
    }
}

TEST(PasswordScrambler, LongTextIsNotPadded)
{
    const QByteArray plain = QByteArray("0123456789").repeated(7);
    ASSERT_EQ(plain.size(), 70);
    const QByteArray s = ScrambleText(plain);
    EXPECT_EQ(s.size(), 144);
    EXPECT_TRUE(FromAlphabet(s));
    EXPECT_EQ(UnscrambleText(s), plain);
}

TEST(PasswordScrambler, EveryScrambleDiffersAndUnscramblesToTheText)
{
    QSet<QByteArray> seen;
    for (int i = 0; i < 20; ++i) {
        const QByteArray s = ScrambleText("secret");
        EXPECT_EQ(UnscrambleText(s), "secret");
        seen.insert(s);
    }
    // Four random characters per scramble: twenty of them nearly never
    // collapse to a handful.
    EXPECT_GT(seen.size(), 10);
}

TEST(PasswordScrambler, EveryByteValueSurvives)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    // Leading and trailing bytes up to blank are trimmed, so frame them.
    const QByteArray plain = "<" + all + ">";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(UnscrambleText(ScrambleText(plain)), plain);
}

TEST(PasswordScrambler, LeadingAndTrailingBlanksAreRemoved)
{
    EXPECT_EQ(UnscrambleText(ScrambleText("pass ")), "pass");
    EXPECT_EQ(UnscrambleText(ScrambleText("  pass")), "pass");
    EXPECT_EQ(UnscrambleText(ScrambleText("\tp a s s\r\n")), "p a s s");
    EXPECT_EQ(UnscrambleText(ScrambleText("   ")), "");
}

TEST(PasswordScrambler, EmptyInEmptyOut)
{
    EXPECT_EQ(ScrambleText(""), "");
    EXPECT_EQ(UnscrambleText(""), "");
    EXPECT_EQ(ScramblePassword(""), "");
    EXPECT_EQ(UnscramblePassword(""), "");
}

TEST(PasswordScrambler, GarbageUnscramblesWithoutFailing)
{
    const QList<QByteArray> garbage = {
        "x", "xy", "~", "~;", "~;<", "plain text password", QByteArray(1, '\0'),
        QByteArray(3, '\xff'), QByteArray("\xe6\x97\xa5\xe6\x9c\xac"),
        QByteArray(9001, '~') + "zz",
    };
    for (const QByteArray &g : garbage)
        EXPECT_NO_THROW(UnscrambleText(g));
    QByteArray noise(500, '\0');
    for (int round = 0; round < 200; ++round) {
        for (char &c : noise)
            c = char(QRandomGenerator::global()->bounded(256));
        const int len = int(QRandomGenerator::global()->bounded(500));
        EXPECT_NO_THROW(UnscrambleText(noise.left(len)));
        EXPECT_NO_THROW(UnscramblePassword(QString::fromLatin1(noise.left(len))));
    }
}

TEST(PasswordScrambler, PasswordsTravelAsUtf8WithoutLosingCharacters)
{
    const QStringList passwords = {"パスワード", "日本語の秘密🔑", "ａｂｃ　ｄ", "plain", "Ünïcødé"};
    for (const QString &pw : passwords) {
        const QString stored = ScramblePassword(pw);
        EXPECT_TRUE(FromAlphabet(stored.toLatin1()));
        EXPECT_EQ(UnscramblePassword(stored), pw);
    }
}

} // namespace
