#include "OptionGuard.h"
#include "common/ScriptClean.h"

#include <gtest/gtest.h>

namespace {

QStringList clean(QStringList lines, bool cut = false)
{
    CleanScriptLines(lines, cut);
    return lines;
}

} // namespace

TEST(CleanScriptLines, RemarksAndEmptyLinesAtBothEnds)
{
    EXPECT_EQ(clean({"rem build script", "", "select 1 -- one", "REMARK"}), QStringList({"select 1 "}));
    EXPECT_EQ(clean({"REMOVE x", "rem"}), QStringList({"REMOVE x"}));
    EXPECT_EQ(clean({"  Rem\tx", "remarks", "REM", " "}), QStringList({"remarks"}));
    EXPECT_EQ(clean({}), QStringList());
    EXPECT_EQ(clean({"", "rem a", "  ", "REMARK b", "\t"}), QStringList());
    // Lines in the middle stay as they are (apart from trimming).
    EXPECT_EQ(clean({"select", "", "rem x", "1"}), QStringList({"select", "", "rem x", "1"}));
}

TEST(CleanScriptLines, CommentsAndQuotes)
{
    const struct {
        QStringList in;
        QStringList out;
    } cases[] = {
        {{"select '--x'"}, {"select '--x'"}},
        {{"select \"a--b\" -- c"}, {"select \"a--b\" "}},
        {{"select /* a */ 1"}, {"select  1"}},
        {{"a /* x */ b /* y */ c"}, {"a  b  c"}},
        {{"select 1 /* open", "middle", "end */ from t"}, {"select 1 ", "", " from t"}},
        {{"select 'a", "/* not a comment */ b'", "x"}, {"select 'a", "/* not a comment */ b'", "x"}},
        {{"select \"x", "-- in quotes\""}, {"select \"x", "-- in quotes\""}},
        // A comment removed between "-" and "-" joins them into a line comment.
        {{"a -/* x */- b"}, {"a "}},
        // A comment removed between "/" and "*" opens a new one.
        {{"a //* x */* y */ b"}, {"a  b"}},
        // The quote state at the start of the line holds when the scan restarts.
        {{"select 'a", "b' /* c */ -- d"}, {"select 'a", "b'  "}},
        {{"/* only a comment */"}, {""}},
        {{"x /* never closed", "y"}, {"x ", ""}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(clean(c.in), c.out) << c.in.join("|").toStdString();
}

TEST(CleanScriptLines, CutAtSemicolon)
{
    EXPECT_EQ(clean({"select 1; select 2", "select 3"}, true), QStringList({"select 1"}));
    EXPECT_EQ(clean({"select 1; select 2", "select 3"}, false),
              QStringList({"select 1; select 2", "select 3"}));
    EXPECT_EQ(clean({"select ';' /* ; */ x", "-- ;", "y;", "z"}, true),
              QStringList({"select ';'  x", "", "y"}));
    EXPECT_EQ(clean({"select '", ";'; z"}, true), QStringList({"select '", ";'"}));
}
