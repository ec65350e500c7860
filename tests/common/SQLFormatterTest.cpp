// The SQL formatter: the house layout under each option, procedural blocks,
// text that must pass unchanged, and random input.
#include "OptionGuard.h"
#include "common/FormatOption.h"
#include "common/SQLFormatter.h"

#include <QRandomGenerator>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

const char *kSample = "select a, b from t where x = 1 and y = 2 order by a";

std::string lines(const QString &formatted)
{
    return formatted.split(QStringLiteral("\r\n")).join(QLatin1Char('\n')).toStdString();
}

TFormatOption withOption(const char *name, int value)
{
    TFormatOption o;
    const QString n = QString::fromLatin1(name);
    if (n == "Indent") o.Indent = value;
    else if (n == "ItemReturn") o.ItemReturn = value;
    else if (n == "ReservePos") o.ReservePos = value;
    else if (n == "CommaPos") o.CommaPos = value;
    else if (n == "AndPos") o.AndPos = value;
    else if (n == "ReserveTrans") o.ReserveTrans = value;
    else if (n == "ItemTrans") o.ItemTrans = value;
    return o;
}

} // namespace

TEST(SQLFormatter, DefaultLayoutThroughTheGlobalOption)
{
    const TFormatOption saved = FormatOption;
    FormatOption = TFormatOption();
    QString result = QStringLiteral("stale");
    FormatSQLText(QString::fromLatin1(kSample), result);
    FormatOption = saved;
    EXPECT_EQ(result, "SELECT a\r\n      ,b\r\n  FROM t\r\n WHERE x = 1\r\n   AND y = 2\r\n ORDER BY a");

    FormatSQLText(QString(), result);
    EXPECT_TRUE(result.isEmpty());
}

TEST(SQLFormatter, EachOptionHasItsLayout)
{
    const struct {
        const char *option;
        int value;
        const char *input;
        const char *expected;
    } cases[] = {
        {"CommaPos", 1, kSample, "SELECT a,\n       b\n  FROM t\n WHERE x = 1\n   AND y = 2\n ORDER BY a"},
        {"ItemReturn", 1, kSample, "SELECT a, b\n  FROM t\n WHERE x = 1 AND y = 2\n ORDER BY a"},
        {"ReservePos", 1, kSample, "SELECT a\n      ,b\nFROM   t\nWHERE  x = 1\nAND    y = 2\nORDER BY a"},
        {"AndPos", 1, kSample, "SELECT a\n      ,b\n  FROM t\n WHERE x = 1 AND\n       y = 2\n ORDER BY a"},
        {"ReserveTrans", 1, kSample, "select a\n      ,b\n  from t\n where x = 1\n   and y = 2\n order by a"},
        {"ReserveTrans", 2, "Select a From t", "Select a\n  From t"},
        {"ItemTrans", 0, kSample, "SELECT A\n      ,B\n  FROM T\n WHERE X = 1\n   AND Y = 2\n ORDER BY A"},
        {"ItemTrans", 1, "select Col1 from MyTab", "SELECT col1\n  FROM mytab"},
        // letters beyond ASCII take the full case mapping, which may change the length
        {"ItemTrans", 0, "select straße, Émile from ﬀ", "SELECT STRASSE\n      ,ÉMILE\n  FROM FF"},
        {"ItemTrans", 1, "select ÉMILE from Tab", "SELECT émile\n  FROM tab"},
        {"Indent", 2, "begin if x then y := 1; end if; end;", "BEGIN\n  IF x THEN\n    y := 1;\n  END IF;\nEND;"},
        {"CommaPos", 1, "select a, b from t order by a, b",
         "SELECT a,\n       b\n  FROM t\n ORDER BY a,\n         b"},
        {"ReservePos", 1, "select a from t group by a, b",
         "SELECT a\nFROM   t\nGROUP BY a\n        ,b"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(lines(FormatSQLText(QString::fromUtf8(c.input), withOption(c.option, c.value))), c.expected)
            << c.option << "=" << c.value;
}

TEST(SQLFormatter, StatementLayouts)
{
    const struct {
        const char *input;
        const char *expected;
    } cases[] = {
        {"insert into t (a, b) values (1, 'x')", "INSERT INTO t\n       (a, b)\nVALUES (1, 'x')"},
        {"update emp set sal = sal * 2, name = 'X' where id = 1",
         "UPDATE emp\n   SET sal = sal * 2\n      ,NAME = 'X'\n WHERE id = 1"},
        {"delete from t where a = 1 or b = 2", "DELETE\n  FROM t\n WHERE a = 1\n    OR b = 2"},
        {"select a from t1 left outer join t2 on t1.a = t2.a group by a having count(*) > 1",
         "SELECT a\n  FROM t1\n  LEFT OUTER JOIN t2 ON t1.a = t2.a\n GROUP BY a\nHAVING count(*) > 1"},
        {"select a from t where x between 1 and 2 and y in (1, 2)",
         "SELECT a\n  FROM t\n WHERE x BETWEEN 1 AND 2\n   AND y IN (1, 2)"},
        // FOR UPDATE closes a query; it starts no UPDATE statement.
        {"select a from t where id = 1 for update", "SELECT a\n  FROM t\n WHERE id = 1\n   FOR UPDATE"},
        {"select a from t union select b from u", "SELECT a\n  FROM t\n UNION\nSELECT b\n  FROM u"},
        // A ";" alone on its line stays alone.
        {"select a from t\n;\n", "SELECT a\n  FROM t\n;\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(lines(FormatSQLText(QString::fromUtf8(c.input), TFormatOption())), c.expected) << c.input;
}

TEST(SQLFormatter, QualifiedQuotedNamesStayTogether)
{
    // A qualifier's "." binds to the quoted name after it in every clause.
    const struct {
        const char *input;
        const char *expected;
    } cases[] = {
        {"select a.\"id\", \"a\".\"Name\" from t a order by a.\"id\"",
         "SELECT a.\"id\"\n      ,\"a\".\"Name\"\n  FROM t a\n ORDER BY a.\"id\""},
        {"select a.\"id\" from t a, u b where a.\"id\" = b.\"id\" and s.\"t\".\"c\" > 1",
         "SELECT a.\"id\"\n  FROM t a\n      ,u b\n WHERE a.\"id\" = b.\"id\"\n   AND s.\"t\".\"c\" > 1"},
        {"update t set \"x\" = a.\"y\" where t.\"id\" = 1",
         "UPDATE t\n   SET \"x\" = a.\"y\"\n WHERE t.\"id\" = 1"},
        {"select a from t1 join t2 on t1.\"a\" = t2.\"a\"", "SELECT a\n  FROM t1\n  JOIN t2 ON t1.\"a\" = t2.\"a\""},
        // Text that only looks qualified keeps its blank.
        {"select 'x' from t where a = 'v'", "SELECT 'x'\n  FROM t\n WHERE a = 'v'"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(lines(FormatSQLText(QString::fromUtf8(c.input), TFormatOption())), c.expected) << c.input;
}

TEST(SQLFormatter, ProceduralBlocksIndentPerLevel)
{
    const char *input =
        "create function f(a int) returns int as $$\n"
        "declare\n  x int;\nbegin\n  if a > 1 then\n    x := 1;\n  else\n"
        "    for i in 1..3 loop\n      x := x + i;\n    end loop;\n  end if;\n"
        "  select count(*) into x from t where b = a;\n  return x;\n"
        "exception\n  when others then\n    return 0;\nend;\n$$ language plpgsql;\n";
    EXPECT_EQ(lines(FormatSQLText(QString::fromLatin1(input), TFormatOption())),
              "CREATE FUNCTION f(a INT) RETURNS INT AS $$\n"
              "DECLARE\nx INT;\nBEGIN\n    IF a > 1 THEN\n        x := 1;\n    ELSE\n"
              "        FOR i IN 1..3 loop\n            x := x + i;\n        END LOOP;\n    END IF;\n"
              "    SELECT count(*) INTO x\n      FROM t\n     WHERE b = a;\n    return x;\n"
              "EXCEPTION\n    WHEN others THEN\n        return 0;\nEND;\n$$ LANGUAGE plpgsql;\n");
    // One line in, one block per level out; END IF keeps its ";".
    EXPECT_EQ(lines(FormatSQLText("declare x int; begin if c then x := 1; end if; end;", TFormatOption())),
              "DECLARE\nx INT;\nBEGIN\n    IF c THEN\n        x := 1;\n    END IF;\nEND;");
}

TEST(SQLFormatter, QuotesAndCommentsKeepTheirText)
{
    TFormatOption o;
    o.ItemTrans = 0;
    const QString out = FormatSQLText(
        "select a -- Mixed Case note\n, 'Quoted Text' from \"My Table\" where x = 'Abc  Def' /* Block\n Note */", o);
    EXPECT_EQ(lines(out), "SELECT A -- Mixed Case note\n      ,'Quoted Text'\n  FROM \"My Table\"\n"
                          " WHERE X = 'Abc  Def' /* Block\n       Note */");
    // A literal spanning lines keeps its line ends, blanks and tabs.
    const QString literal = QStringLiteral("'line one\n\t  line two'");
    EXPECT_TRUE(FormatSQLText("select " + literal + " from t", o).contains(literal));
    EXPECT_TRUE(FormatSQLText("begin x := " + literal + "; end;", o).contains(literal));
}

TEST(SQLFormatter, RandomTextAlwaysGivesAResult)
{
    static const char *pieces[] = {
        "select", "from", "where", "and", "or", "group", "order", "by", "having", "insert", "into", "values",
        "update", "set", "delete", "union", "for", "left", "join", "on", "inner", "outer", "between", "begin",
        "end", "if", "loop", "then", "else", "elsif", "declare", "exception", "when", "is", "cursor", "create",
        "while", "x", "Tbl", "1", "'", "\"", "(", ")", ",", ";", "--", "/*", "*/", "*", "-", "/", "<", ">", "=",
        " ", "  ", "\t", "\n", "\r\n", "\r", "é", "表", "$$", "::", "!",
    };
    QRandomGenerator rng(20240607);
    TFormatOption options[4];
    options[1].CommaPos = options[1].AndPos = 1;
    options[2].ItemReturn = 1;
    options[2].ReservePos = 1;
    options[3].Indent = 0;
    options[3].ReserveTrans = 2;
    options[3].ItemTrans = 0;
    const int count = int(sizeof(pieces) / sizeof(pieces[0]));
    for (int i = 0; i < 10000; ++i) {
        QString text;
        const int n = int(rng.bounded(60));
        for (int k = 0; k < n; ++k) {
            text += QString::fromUtf8(pieces[rng.bounded(count)]);
            if (rng.bounded(3) == 0)
                text += QLatin1Char(' ');
        }
        const QString out = FormatSQLText(text, options[i % 4]);
        // Text that is not blank gives text, and nothing grows without bound.
        if (!text.trimmed().isEmpty()) {
            ASSERT_FALSE(out.isEmpty()) << text.toStdString();
        }
        ASSERT_LT(out.size(), text.size() * 40 + 100) << text.toStdString();
    }
}
