#include "OptionGuard.h"
#include "common/SQLParser.h"

#include <gtest/gtest.h>

namespace {

using Pairs = std::vector<std::pair<QString, QString>>;

Pairs pairs(const TtvParseList &list)
{
    Pairs out;
    for (int i = 0; i < list.Count(); ++i)
        out.emplace_back(list.ObjectName(i), list.Alias(i));
    return out;
}

const QString kMessage = QStringLiteral("この SQL を解析することは出来ません。");

struct Parsed {
    int kind = -1;
    TtvParseList columns, tables, orderBy;
    QStringList where, groupBy, having;
    QString viewName = QStringLiteral("stale");
};

Parsed parse(const QString &sql, const QString &message = kMessage)
{
    Parsed p;
    p.kind = ParseSQLStatement(sql, p.columns, p.tables, p.orderBy, p.where, p.groupBy, p.having, message,
                               p.viewName);
    return p;
}

} // namespace

TEST(ParseSQLStatement, SelectWithAliasesAndWhere)
{
    const Parsed p = parse("select a.col1 c1, count(*) from emp a, dept d where a.deptno = d.deptno");
    EXPECT_EQ(p.kind, 1);
    EXPECT_EQ(pairs(p.columns), Pairs({{"a.col1", "c1"}, {"count(*)", ""}}));
    EXPECT_EQ(pairs(p.tables), Pairs({{"emp", "a"}, {"dept", "d"}}));
    EXPECT_EQ(p.where, QStringList({"a.deptno", "=", "d.deptno"}));
    EXPECT_TRUE(p.viewName.isEmpty());
}

TEST(ParseSQLStatement, InsertUpdateDeleteCreateView)
{
    Parsed p = parse("insert into t (a, b) values (1, 'x')");
    EXPECT_EQ(p.kind, 2);
    EXPECT_EQ(pairs(p.tables), Pairs({{"t", ""}}));
    EXPECT_EQ(pairs(p.columns), Pairs({{"a", "1"}, {"b", "'x'"}}));

    p = parse("insert into t values (1, 2)");
    EXPECT_EQ(pairs(p.columns), Pairs({{"", "1"}, {"", "2"}}));

    p = parse("update t set a = 1, b = 2 where id = 3");
    EXPECT_EQ(p.kind, 3);
    EXPECT_EQ(pairs(p.tables), Pairs({{"t", ""}}));
    EXPECT_EQ(pairs(p.columns), Pairs({{"a", "1"}, {"b", "2"}}));
    EXPECT_EQ(p.where, QStringList({"id", "=", "3"}));

    p = parse("delete from emp where flag");
    EXPECT_EQ(p.kind, 4);
    EXPECT_EQ(pairs(p.tables), Pairs({{"emp", ""}}));
    EXPECT_EQ(p.where, QStringList({"flag"}));

    p = parse("create view v as select c from t");
    EXPECT_EQ(p.kind, 5);
    EXPECT_EQ(p.viewName, "v");
    EXPECT_EQ(pairs(p.columns), Pairs({{"c", ""}}));
    EXPECT_EQ(pairs(p.tables), Pairs({{"t", ""}}));
}

TEST(ParseSQLStatement, ClausesAndJoins)
{
    Parsed p = parse("select d.dname, sum(e.sal) total from emp e inner join dept d on e.deptno = d.deptno "
                     "where e.sal > 100 group by d.dname having sum(e.sal) >= 1000 order by total desc, d.dname");
    EXPECT_EQ(p.kind, 1);
    EXPECT_EQ(pairs(p.columns), Pairs({{"d.dname", ""}, {"sum(e.sal)", "total"}}));
    EXPECT_EQ(pairs(p.tables), Pairs({{"emp", "e"}, {"dept", "d"}}));
    EXPECT_EQ(p.where, QStringList({"e.deptno", "=", "d.deptno", "e.sal", ">", "100"}));
    EXPECT_EQ(p.groupBy, QStringList({"d.dname"}));
    EXPECT_EQ(p.having, QStringList({"sum", "(e.sal)", ">=", "1000"}));
    EXPECT_EQ(pairs(p.orderBy), Pairs({{"total", "desc"}, {"d.dname", ""}}));

    p = parse("select * from a left outer join b on a.id = b.id");
    EXPECT_EQ(pairs(p.tables), Pairs({{"a", ""}, {"b", ""}}));
    EXPECT_EQ(p.where, QStringList({"a.id", "=", "b.id"}));

    p = parse("select x from t where name = 'O''Brien' and y in (1, 2)");
    EXPECT_EQ(p.where, QStringList({"name", "=", "'O'", "'Brien'", "and", "y", "in", "(1, 2)"}));
}

TEST(ParseSQLStatement, Failures)
{
    const char *bad[] = {
        "select 1 union select 2",
        "select a from t for update",
        "select a from t where a = 1, b",
        "select a from t order by a having x",
        "select a) from t",
        "select 'open from t",
        "select (a from t",
        "insert into t (a, b) values (1, 2, 3)",
    };
    for (const char *sql : bad) {
        try {
            parse(sql);
            ADD_FAILURE() << "no error: " << sql;
        } catch (const ESQLParseError &e) {
            EXPECT_EQ(e.text(), kMessage) << sql;
        }
    }
    // With an empty message the comma inside parentheses of a condition is an error too.
    EXPECT_NO_THROW(parse("select x from t where x in (1, 2)"));
    EXPECT_THROW(parse("select x from t where x in (1, 2)", QString()), ESQLParseError);
    // Whatever was found before the failure stays in the lists.
    TtvParseList c, t, o;
    QStringList w, g, h;
    QString v;
    EXPECT_THROW(ParseSQLStatement("select a, b from t union select 1", c, t, o, w, g, h, kMessage, v),
                 ESQLParseError);
    EXPECT_EQ(c.Count(), 2);
}

TEST(ParseSQLStatement, NothingFoundAndLenientContinuation)
{
    Parsed p = parse("explain nothing here");
    EXPECT_EQ(p.kind, 0);
    EXPECT_EQ(p.columns.Count() + p.tables.Count(), 0);
    EXPECT_TRUE(p.where.isEmpty());

    // Lenient: the tables of a subquery and of a following statement are found too.
    p = parse("select a from t1 x where a in ( select b from t2 y ) ; update t3 set c = 1", QString());
    EXPECT_EQ(p.kind, 1);
    EXPECT_EQ(pairs(p.tables), Pairs({{"t1", "x"}, {"t2", "y"}, {"t3", ""}}));

    // Strict: a lone ";" between blanks ends the scan.
    p = parse("select a from t1 ; select b from t2");
    EXPECT_EQ(pairs(p.tables), Pairs({{"t1", ""}}));
    EXPECT_EQ(pairs(p.columns), Pairs({{"a", ""}}));

    // The view name of the first statement is what the caller gets.
    p = parse("create view v as select a from t where a in ( select b from u )", QString());
    EXPECT_EQ(p.kind, 5);
    EXPECT_EQ(p.viewName, "v");
}

TEST(TtvParseList, GrowthIndexOfAndErrors)
{
    TtvParseList list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
    std::vector<int> capacities;
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(list.Add(QString::number(i), "a"), i);
        capacities.push_back(list.Capacity());
    }
    // 4, 8, 12 (by 4 while <= 8), then by 16 up to 76 (> 64), then a quarter.
    EXPECT_EQ(capacities[0], 4);
    EXPECT_EQ(capacities[4], 8);
    EXPECT_EQ(capacities[8], 12);
    EXPECT_EQ(capacities[12], 28);
    EXPECT_EQ(capacities[76], 95);
    EXPECT_EQ(capacities[99], 118);

    list.Insert(0, "first", "");
    EXPECT_EQ(list.ObjectName(0), "first");
    EXPECT_EQ(list.ObjectName(1), "0");
    EXPECT_EQ(list.IndexOf("5", "a"), 6);
    EXPECT_EQ(list.IndexOf("5", "A"), -1);
    list.Delete(0);
    EXPECT_EQ(list.ObjectName(0), "0");
    list.SetAlias(0, "z");
    EXPECT_EQ(list.Alias(0), "z");
    try {
        list.GetAlias(100);
        ADD_FAILURE();
    } catch (const tv::Error &e) {
        EXPECT_EQ(e.text(), QStringLiteral("リストのインデックスが範囲を超えています (100)"));
    }
    EXPECT_THROW(list.Delete(-1), tv::Error);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
}
