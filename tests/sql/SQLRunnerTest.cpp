// The statement runner's text rules: splitting at ";" lines, trimming a
// statement (REM lines, TABs outside quotes), the trailing semicolon of
// commands, statement kinds, the bind-variable types and values, the time text.
#include "platform/Errors.h"
#include "sql/SQLRunner.h"

#include <gtest/gtest.h>

using namespace sqlrun;

TEST(SQLRunner, StatementsEndAtLinesHoldingOnlyASemicolon)
{
    const QStringList lines = SplitLines(QStringLiteral("select 1;\r\n ; \r\nselect 2\n;\n;\nselect 3"));
    const QList<TStatement> st = SplitStatements(lines);
    ASSERT_EQ(st.size(), 4);
    EXPECT_EQ(st[0].lines, QStringList{"select 1;"});
    EXPECT_EQ(st[0].startIndex, 0);
    EXPECT_EQ(st[0].endIndex, 1);
    EXPECT_EQ(st[1].lines, QStringList{"select 2"});
    EXPECT_EQ(st[1].startIndex, 2);
    EXPECT_EQ(st[1].endIndex, 3);
    // Two ";" lines in a row: an empty statement between them.
    EXPECT_TRUE(st[2].lines.isEmpty());
    EXPECT_EQ(st[3].lines, QStringList{"select 3"});
    EXPECT_EQ(st[3].endIndex, 5);
    // The piece after the last line break is a line too.
    EXPECT_EQ(SplitLines(QStringLiteral("a\r\n")), (QStringList{"a", ""}));
}

TEST(SQLRunner, CleaningDropsRemarkLinesAndReplacesTabsOnlyOutsideQuotes)
{
    struct Case {
        QStringList in, out;
    } cases[] = {
        {{"", "REM note", "select\ta", "from t", "remark", "  "}, {"select a", "from t"}},
        {{"REMARKABLE", "x"}, {"REMARKABLE", "x"}},
        // Not a select: TABs stay.
        {{"update t\tset x = 1"}, {"update t\tset x = 1"}},
        // TABs inside '…', "…", E'\'…' and $tag$…$tag$ stay, also across lines.
        {{"select 'a\tb', \"c\td\",\te", "from t"}, {"select 'a\tb', \"c\td\", e", "from t"}},
        {{"select $f$x\t", "\ty$f$,\t1"}, {"select $f$x\t", "\ty$f$, 1"}},
        {{"select E'\\'\t', 'it''s\t'\t"}, {"select E'\\'\t', 'it''s\t' "}},
        // The last line beginning with select counts as well.
        {{"with a as (values (1))", "select\t*\tfrom a"}, {"with a as (values (1))", "select * from a"}},
    };
    for (const Case &c : cases) {
        QStringList l = c.in;
        CleanStatementLines(l);
        EXPECT_EQ(l, c.out) << c.in.join('|').toStdString();
    }
}

TEST(SQLRunner, CommandsLoseTheirFinalSemicolonUnlessTheyDefineCode)
{
    struct Case {
        const char *in, *out;
    } cases[] = {
        {"update t set x=1;", "update t set x=1"},
        {"delete from t ;  ", "delete from t"},
        {"insert into t values (1)", "insert into t values (1)"},
        {"CREATE OR REPLACE FUNCTION f() RETURNS int AS $$ select 1; $$ LANGUAGE sql;",
         "CREATE OR REPLACE FUNCTION f() RETURNS int AS $$ select 1; $$ LANGUAGE sql;"},
        {"create or replace function f() returns int as $$ select 1; $$ language sql;",
         "create or replace function f() returns int as $$ select 1; $$ language sql"},
        {"commit;", "commit"},
        {"select 1;", "select 1;"}, // queries are the frame's business
        {"vacuum;", "vacuum;"},
    };
    for (const Case &c : cases) {
        const QString in = QString::fromUtf8(c.in);
        EXPECT_EQ(CommandText(in, StatementKind(in)), QString::fromUtf8(c.out)) << c.in;
    }
}

TEST(SQLRunner, KindsAndParameterParsing)
{
    EXPECT_EQ(StatementKind(QStringLiteral("  -- c\n/* a /* b */ */ (SELECT 1)")), TStatementKind::Select);
    EXPECT_EQ(StatementKind(QStringLiteral("with x as (select 1) select * from x")), TStatementKind::Select);
    EXPECT_EQ(StatementKind(QStringLiteral("Call p(1)")), TStatementKind::Call);
    EXPECT_EQ(StatementKind(QStringLiteral("end")), TStatementKind::Commit);
    EXPECT_EQ(StatementKind(QStringLiteral("truncate t")), TStatementKind::Other);
    EXPECT_FALSE(ParsesParams(QStringLiteral("cReAtE function f")));
    EXPECT_TRUE(ParsesParams(QStringLiteral(" create")));
}

TEST(SQLRunner, OnlyStatementsThatMayReturnRowsAreDescribed)
{
    struct Case {
        const char *sql;
        bool rows;
    } const cases[] = {
        {"insert into t values (1)", false},
        {"insert into t values (1)\nreturning id", true},
        {"UPDATE t SET a = 1 Returning *", true},
        {"delete from t where a = 'returning'", true}, // a quoted word only costs a describe
        {"delete from t where returning_x = 1", false},
        {"create table t2 as select * from t", false},
        {"alter table t add b int", false},
        {"drop table t", false},
        {"commit", false},
        {"abort", false},
        {"with d as (delete from t returning *) select * from d", true},
        {"select 1", true},
        {"explain insert into t values (1)", true},
        {"show search_path", true},
        {"call p(1)", true},
    };
    for (const Case &c : cases) {
        const QString sql = QString::fromUtf8(c.sql);
        EXPECT_EQ(MayReturnRows(sql, StatementKind(sql)), c.rows) << c.sql;
    }
}

TEST(SQLRunner, OnlyDataChangesWithoutRowsGoAhead)
{
    struct Case {
        const char *sql;
        bool ahead;
    } const cases[] = {
        {"insert into t values (1)", true},
        {"  UPDATE t SET a = 1", true},
        {"/* c */ delete from t", true},
        {"insert into t values (1) returning id", false},
        {"with d as (delete from t returning *) select 1", false},
        {"select 1", false},
        {"begin", false},
        {"commit", false},
        {"vacuum t", false},
        {"create table t2(a int)", false},
        {"call p()", false},
    };
    for (const Case &c : cases) {
        const QString sql = QString::fromUtf8(c.sql);
        EXPECT_EQ(MaySendAhead(sql, StatementKind(sql)), c.ahead) << c.sql;
    }
}

TEST(SQLRunner, TypeMapAndValues)
{
    TBindType t;
    EXPECT_TRUE(GetParamDataType(QStringLiteral("integer[]"), t));
    EXPECT_EQ(t, TBindType::Integer);
    EXPECT_TRUE(GetParamDataType(QStringLiteral("numeric"), t));
    EXPECT_EQ(t, TBindType::Numeric);
    EXPECT_FALSE(GetParamDataType(QStringLiteral("Integer"), t));
    EXPECT_EQ(t, TBindType::String);
    EXPECT_FALSE(GetParamDataType(QString(), t));
    // The offered names: the mapped ones of the connection's list, arrays
    // included, in the list's order.
    EXPECT_EQ(BindTypeNames({QStringLiteral("bigint"), QStringLiteral("bigint[]"), QStringLiteral("box"),
                             QStringLiteral("public.mood"), QStringLiteral("timestamp(6) without time zone"),
                             QStringLiteral("timestamp(6) with time zone"), QStringLiteral("Integer"),
                             QStringLiteral("text[]")}),
              QStringList({QStringLiteral("bigint"), QStringLiteral("bigint[]"),
                           QStringLiteral("timestamp(6) without time zone"), QStringLiteral("text[]")}));

    tv::db::Param p(QStringLiteral("x"));
    // Numeric keeps every digit typed: it never passes through a float.
    SetParamValue(p, TBindType::Numeric, QStringLiteral(" 12345678901234567890.123456789 "));
    EXPECT_EQ(p.bind().data, QByteArray("12345678901234567890.123456789"));
    EXPECT_EQ(p.bind().typeOid, 1700u);
    SetParamValue(p, TBindType::Integer, QStringLiteral("5"));
    EXPECT_EQ(p.bind().data, QByteArray("5"));
    EXPECT_EQ(p.bind().typeOid, 23u);
    SetParamValue(p, TBindType::Boolean, QStringLiteral("TRUE"));
    EXPECT_EQ(p.bind().data, QByteArray("t"));
    SetParamValue(p, TBindType::Boolean, QStringLiteral("0"));
    EXPECT_EQ(p.bind().data, QByteArray("f"));
    SetParamValue(p, TBindType::Date, QStringLiteral("2024/02/29"));
    EXPECT_EQ(p.bind().data, QByteArray("2024-02-29"));
    // Text lets the server infer the type.
    SetParamValue(p, TBindType::String, QStringLiteral("abc"));
    EXPECT_EQ(p.bind().typeOid, 0u);
    EXPECT_EQ(p.bind().data, QByteArray("abc"));

    for (auto [type, text] : {std::pair{TBindType::Integer, "x"}, {TBindType::SmallInt, "40000"},
                              {TBindType::Numeric, "1.2.3"}, {TBindType::Integer, ""},
                              {TBindType::Date, "2024/02/30"}, {TBindType::Boolean, "yes"}})
        EXPECT_THROW(SetParamValue(p, type, QString::fromUtf8(text)), tv::Error) << text;

    EXPECT_EQ(ParamSize(QString(300, QLatin1Char('a'))), 301);
    EXPECT_EQ(ParamSize(QStringLiteral("abc")), 255);
}

TEST(SQLRunner, TimeAndRowCountTexts)
{
    EXPECT_EQ(ElapsedMessage(3723004), QStringLiteral("処理時間(HH:MM:SS.Ms)：01:02:03.004"));
    EXPECT_EQ(FormatElapsed(7), QStringLiteral("00:00:00.007"));
    EXPECT_EQ(ExecutedMessage(2), QStringLiteral(" SQLを実行しました。\r\n(対象：2 レコード )"));
}
