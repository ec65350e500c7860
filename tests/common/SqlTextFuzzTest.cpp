// Random SQL-like texts through the script cleanup and the statement parser:
// neither may crash or hang, and the parser fails only with its own error.
#include "common/SQLParser.h"
#include "common/ScriptClean.h"

#include <gtest/gtest.h>
#include <random>

namespace {

QString randomSql(std::mt19937 &rng)
{
    static const char *pieces[] = {
        "select ", "SELECT ", "insert into ", "update ", "delete from ", "create view ", " as ",
        " from ", " where ", " and ", " or ", " join ", " left ", " inner ", " outer ", " on ",
        " group by ", " having ", " order by ", " set ", " values ", " into ", "union", " for ",
        "(", ")", "((", "))", ",", ", ", "'", "''", "\"", "$$", "$tag$", "--", "/*", "*/", ";",
        " ; ", "\n", "\r\n", "\t", " ", "=", "<>", "!=", ">=", "a", "b.c", "t1", "x y", "count(*)",
        "1", "3.14", "E'\\n'", "#", "$1", "rem", "REMARK", "（", "漢字", "\xF0\x9F\x98\x80",
    };
    constexpr int kPieces = sizeof(pieces) / sizeof(pieces[0]);
    std::uniform_int_distribution<int> pick(0, kPieces - 1);
    std::uniform_int_distribution<int> count(0, 60);
    std::uniform_int_distribution<int> huge(0, 99);
    QString text;
    const int n = count(rng);
    for (int i = 0; i < n; ++i)
        text += QString::fromUtf8(pieces[pick(rng)]);
    if (huge(rng) == 0) {
        // A huge line: one piece repeated many times.
        const QString piece = QString::fromUtf8(pieces[pick(rng)]);
        text += piece.repeated(20000 / std::max<qsizetype>(1, piece.size()));
    }
    return text;
}

} // namespace

TEST(SqlTextFuzz, CleanupAndParserSurviveRandomText)
{
    std::mt19937 rng(20240611);
    std::bernoulli_distribution coin(0.5);
    int parsed = 0, refused = 0;
    for (int round = 0; round < 10000; ++round) {
        const QString sql = randomSql(rng);
        QStringList lines = sql.split('\n');
        CleanScriptLines(lines, coin(rng));
        for (const QString &text : {sql, lines.join('\n')}) {
            TtvParseList columns, tables, orderBy;
            QStringList where, groupBy, having;
            QString viewName;
            const QString message = coin(rng) ? QStringLiteral("msg") : QString();
            try {
                const int kind = ParseSQLStatement(text, columns, tables, orderBy, where, groupBy, having,
                                                   message, viewName);
                ASSERT_GE(kind, 0);
                ASSERT_LE(kind, 5);
                ++parsed;
            } catch (const ESQLParseError &e) {
                ASSERT_EQ(e.text(), message);
                ++refused;
            }
        }
    }
    EXPECT_GT(parsed, 0);
    EXPECT_GT(refused, 0);
}
