// Finding :name parameters and statements in SQL text, without a server.
#include "platform/db/SqlScanner.h"

#include <gtest/gtest.h>

using tv::db::ScanSql;

TEST(SqlScanner, SkipsQuotesCommentsCastsAndNumbersOneNameOnce)
{
    const QString sql = QStringLiteral(
        "SELECT x::int, ':a', $$:b$$, \"c:d\", E'\\':e' FROM t WHERE a = :A AND b = :a -- :c");
    const auto s = ScanSql(sql, true);
    EXPECT_EQ(s.names, QStringList{QStringLiteral("A")});
    EXPECT_EQ(s.text, QStringLiteral(
        "SELECT x::int, ':a', $$:b$$, \"c:d\", E'\\':e' FROM t WHERE a = $1 AND b = $1 -- :c"));
    EXPECT_EQ(s.statements, 1);
}

TEST(SqlScanner, ParsingOffLeavesTextUnchanged)
{
    const QString sql = QStringLiteral("DO $$DECLARE v int; BEGIN v := 1; END$$");
    const auto off = ScanSql(sql, false);
    EXPECT_EQ(off.text, sql);
    EXPECT_TRUE(off.names.isEmpty());
    EXPECT_EQ(off.statements, 1);
    // Parsing on finds nothing inside the dollar quote either.
    const auto on = ScanSql(sql, true);
    EXPECT_EQ(on.text, sql);
    EXPECT_TRUE(on.names.isEmpty());
}

TEST(SqlScanner, Cases)
{
    struct Case {
        const char *sql;
        const char *text;
        QStringList names;
        int statements;
    };
    const Case cases[] = {
        {"select :b, :a, :B", "select $1, $2, $1", {"b", "a"}, 1},
        {"/* /* :x */ :y */ :z", "/* /* :x */ :y */ $1", {"z"}, 1},
        {"select arr[1:2], v := 3, :_p1", "select arr[1:2], v := 3, $1", {"_p1"}, 1},
        {"select $tag$ :a $x$ $tag$, :b", "select $tag$ :a $x$ $tag$, $1", {"b"}, 1},
        {"select $1, a$b, :c", "select $1, a$b, $1", {"c"}, 1},
        {"select 'it''s :no', E'\\\\', :yes", "select 'it''s :no', E'\\\\', $1", {"yes"}, 1},
        {"select e'\\'' || :v", "select e'\\'' || $1", {"v"}, 1},
        {"select \"a\"\"b:c\", :d", "select \"a\"\"b:c\", $1", {"d"}, 1},
        {"select :名前", "select $1", {"名前"}, 1},
        {"select 1; select 2", "select 1; select 2", {}, 2},
        {"select ';'; -- ; \n /* ; */", "select ';'; -- ; \n /* ; */", {}, 1},
        {"create function f() returns int as $$ select 1; select 2 $$ language sql; select 3",
         "create function f() returns int as $$ select 1; select 2 $$ language sql; select 3", {}, 2},
        {";;", ";;", {}, 0},
        {"", "", {}, 0},
        {"select ':unterminated", "select ':unterminated", {}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sql);
        const auto s = ScanSql(QString::fromUtf8(c.sql), true);
        EXPECT_EQ(s.text, QString::fromUtf8(c.text));
        EXPECT_EQ(s.names, c.names);
        EXPECT_EQ(s.statements, c.statements);
    }
}
