// Random text through the parser and the search engine: no crash, no hang,
// results inside the text. Fixed seed, bounded size.
#include "EditorTestSupport.h"
#include "editor/TextSearch.h"
#include <gtest/gtest.h>
#include <random>

namespace {

const std::vector<QString> &Pieces()
{
    static const std::vector<QString> pieces = {
        "a", "Zx_9", QString::fromUtf16(u"あ"), QString::fromUtf16(u"ｶ"), "'", "\"", "''", "/*", "*/", "*",
        "/", "--", " ", "  ", "\t", QString(QChar(0)), QString(QChar(0xD800)), QString(QChar(0xDC00)),
        QString::fromUtf16(u"\xD83D\xDE00"), "12.5e", "1e+", "0x1F", "#$", "#12", "@", ".", "http:",
        "www.", "ftp:", "a@b.c", QString::fromUtf16(u"\u0301"), QString::fromUtf16(u"\u3000"),
        QString::fromUtf16(u"\u30FB@"), "\r", "\n", "SELECT", "from", "(", ")", "-", "TVSTS",
    };
    return pieces;
}

QString RandomText(std::mt19937 &rng, int maxPieces)
{
    std::uniform_int_distribution<int> count(0, maxPieces);
    std::uniform_int_distribution<size_t> pick(0, Pieces().size() - 1);
    QString s;
    for (int i = count(rng); i > 0; --i)
        s += Pieces()[pick(rng)];
    return s;
}

void RunRows(TFountainParser &p, std::mt19937 &rng)
{
    TRowAttributeStringList list;
    std::uniform_int_distribution<int> attr(0, 2);
    for (int i = 0; i < 60; ++i) {
        const int r = list.Add(RandomText(rng, 12));
        list.SetRows(r, attr(rng) == 0 ? raWrapped : raCrlf);
    }
    TRowAttributeData d = FreshState();
    for (int i = 0; i < list.Count(); ++i) {
        d.RowAttribute = list.Rows(i);
        list.SetRowAttributeData(i, d);
        // Tokens tile the row in order and stay inside it.
        p.NewData(list[i], d);
        int end = 0, guard = 0;
        while (p.NextToken() != tokEof) {
            ASSERT_LT(++guard, list[i].size() + 4) << "no progress in row " << i;
            ASSERT_GE(p.SourcePos(), end);
            ASSERT_GE(p.TokenLength(), 0);
            end = p.SourcePos() + p.TokenLength();
            ASSERT_LE(end, list[i].size());
            p.TokenToFountainColor();
        }
        p.LastTokenBracket(i, list, d);
        ASSERT_GE(d.BracketIndex, -2);
        ASSERT_LE(d.BracketIndex, 13);
        ASSERT_GE(d.WrappedByte, 0);
        ASSERT_LE(d.WrappedByte, 255);
    }
}

} // namespace

TEST(EditorFuzz, ParserSurvivesRandomRows)
{
    std::mt19937 rng(20240611);
    auto sql = SqlFountain();
    auto all = SqlFountain();
    all->SetMail(true);
    all->SetUrl(true);
    all->SetControlCode(true);
    all->SetHexPrefix(QStringLiteral("0x"));
    all->SetReserveWordList(QStringList{QStringLiteral("TVSTSSELECT"), QStringLiteral("TVSTSfrom (")});
    auto p1 = sql->CreateParser();
    auto p2 = all->CreateParser();
    for (int round = 0; round < 150; ++round) {
        RunRows(*p1, rng);
        RunRows(*p2, rng);
        if (HasFatalFailure())
            return;
    }
}

TEST(EditorFuzz, SearchSurvivesRandomText)
{
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> opt(0, 0x3FF);
    for (int round = 0; round < 4000; ++round) {
        const QString buf = RandomText(rng, 30);
        QString what = RandomText(rng, 3);
        if (!buf.isEmpty() && round % 2) { // half of the patterns occur in the text
            std::uniform_int_distribution<int> at(0, int(buf.size()) - 1);
            const int a = at(rng);
            what = buf.mid(a, 1 + a % 4);
        }
        const TSearchOptions options = TSearchOptions(opt(rng));
        std::uniform_int_distribution<int> start(-1, int(buf.size()) + 1);
        TSearchPos pos{start(rng), std::abs(start(rng)) % 3};
        if (SearchBuffer(buf, pos, what, options)) {
            ASSERT_GE(pos.SelStart, 0);
            ASSERT_GE(pos.SelLength, what.size());
            ASSERT_LE(pos.SelStart + pos.SelLength, buf.size());
            if ((options & SearchOptionBit(sfrMatchCase)) && pos.SelLength == what.size()) {
                ASSERT_EQ(buf.mid(pos.SelStart, pos.SelLength), what);
            }
        }
    }
}
