// Index proposals of the adviser over parsed statements, with a fake catalog,
// and once with the server's catalog.
#include "monitor/IndexCandidates.h"

#include "common/SQLParser.h"
#include "platform/db/Connection.h"
#include "platform/db/ConnectionParams.h"
#include "support/TestDb.h"
#include "support/TestSession.h"

#include <QMap>
#include <QSet>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace monitor;

namespace {

// schema.table -> its columns
using Catalog = QMap<QString, QStringList>;

struct Parsed {
    TtvParseList tables;
    QStringList where;
};

Parsed Parse(const QString &sql)
{
    Parsed p;
    TtvParseList cols, order;
    QStringList group, having;
    QString view;
    ParseSQLStatement(sql, cols, p.tables, order, p.where, group, having, QStringLiteral("bad"), view);
    return p;
}

struct Fake {
    Catalog catalog;
    int tableQueries = 0;
    int columnQueries = 0;
    TtvIndexCandidates Make()
    {
        return TtvIndexCandidates(
            [this](const QString &s, const QString &t) {
                ++tableQueries;
                return catalog.contains(s + "." + t);
            },
            [this](const QString &s, const QString &t, const QString &c) {
                ++columnQueries;
                return catalog.value(s + "." + t).contains(c);
            });
    }
};

// "table: name (cols) status" lines, in list order.
QStringList Lines(const std::vector<TtvProposalTable> &out)
{
    QStringList l;
    for (const TtvProposalTable &t : out)
        for (const TtvIndexProposal &p : t.Proposals)
            l << QStringLiteral("%1: %2 (%3) %4").arg(t.Text, p.Name, p.Columns, p.StatusText());
    return l;
}

std::vector<TtvExistingTable> Existing(const QString &table, std::vector<TtvExistingIndex> indexes)
{
    return {TtvExistingTable{table, std::move(indexes)}};
}

} // namespace

void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

TEST(IndexCandidates, WorkedExampleMatchesTheExistingIndexAndNamesTheRest)
{
    Fake f;
    f.catalog["public.orders"] = {"id", "customer", "status", "created"};
    const Parsed p = Parse("SELECT * FROM orders o WHERE o.customer = :c AND o.status = 'open' OR o.created > :d");
    const auto existing = Existing("orders", {{"ix_cs", "NONUNIQUE INDEX", "customer, status"}});
    std::vector<TtvProposalTable> out;
    f.Make().Generate(p.tables, p.where, "public", 2, existing, out);
    EXPECT_EQ(Lines(out), QStringList({"orders: ix_cs (customer, status) 作成済",
                                       "orders: IDX_orders (status, customer) 未作成",
                                       "orders: IDX_orders2 (created) 未作成"}));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].Proposals[0].Kind, "NONUNIQUE INDEX");
}

TEST(IndexCandidates, ProposalsFollowGroupsLimitAndNames)
{
    struct Case {
        const char *name;
        QString sql;
        int limit;
        std::vector<TtvExistingTable> existing;
        QStringList expected;
    };
    const std::vector<TtvExistingIndex> none;
    const Case cases[] = {
        {"and, limit 2", "SELECT * FROM t WHERE a = 1 AND b = 2", 2, {},
         {"t: IDX_t (a, b) 未作成", "t: IDX_t2 (b, a) 未作成"}},
        {"and, limit 1", "SELECT * FROM t WHERE a = 1 AND b = 2", 1, {},
         {"t: IDX_t (a) 未作成", "t: IDX_t2 (b) 未作成"}},
        {"or splits groups", "SELECT * FROM t WHERE a = 1 OR b = 2", 2, {},
         {"t: IDX_t (a) 未作成", "t: IDX_t2 (b) 未作成"}},
        {"three, limit 2", "SELECT * FROM t WHERE a = 1 AND b = 2 AND c = 3", 2, {},
         {"t: IDX_t (a, b) 未作成", "t: IDX_t2 (b, c) 未作成", "t: IDX_t3 (c, a) 未作成"}},
        {"three, limit 5", "SELECT * FROM t WHERE a = 1 AND b = 2 AND c = 3", 5, {},
         {"t: IDX_t (a, b, c) 未作成", "t: IDX_t2 (b, c, a) 未作成", "t: IDX_t3 (c, a, b) 未作成"}},
        {"column twice in a group", "SELECT * FROM t WHERE a = 1 AND a < 5", 2, {}, {"t: IDX_t (a) 未作成"}},
        {"alias hides the table name", "SELECT * FROM orders o WHERE orders.id = 1", 2, {}, {}},
        {"alias qualifies", "SELECT * FROM orders o WHERE o.id = 1", 2, {}, {"orders: IDX_orders (id) 未作成"}},
        {"table name qualifies", "SELECT * FROM orders WHERE orders.id = 1", 2, {},
         {"orders: IDX_orders (id) 未作成"}},
        {"shared column goes to the first table", "SELECT * FROM orders, t WHERE id = 1", 2, {},
         {"orders: IDX_orders (id) 未作成"}},
        {"parenthesised condition is one token", "SELECT * FROM t WHERE (a = 1 OR b = 2)", 2, {}, {}},
        {"existing name is skipped", "SELECT * FROM t WHERE a = 1", 2,
         Existing("orders", {{"IDX_t", "UNIQUE INDEX", "x"}}), {"t: IDX_t2 (a) 未作成"}},
        {"other column order does not match", "SELECT * FROM t WHERE a = 1 AND b = 2", 2,
         Existing("t", {{"ix_ba", "NONUNIQUE INDEX", "b, c"}, {"ix_ab", "UNIQUE INDEX", "a, b"}}),
         {"t: ix_ab (a, b) 作成済", "t: IDX_t (b, a) 未作成"}},
        {"expression index never matches", "SELECT * FROM t WHERE a = 1", 1,
         Existing("t", {{"ix_e", "NONUNIQUE INDEX", "lower(a)"}}), {"t: IDX_t (a) 未作成"}},
        {"schema-qualified table", "SELECT * FROM s1.t WHERE a = 1", 1, {}, {"s1.t: IDX_t (a) 未作成"}},
        {"unknown table gets nothing", "SELECT * FROM nosuch WHERE a = 1", 1, {}, {}},
        {"quoted names keep their case", "SELECT * FROM \"T\" WHERE \"A\" = 1", 1, {}, {"T: IDX_T (A) 未作成"}},
        {"self join shares the table node", "SELECT * FROM t x JOIN t y ON x.a = y.b", 1, {},
         {"t: IDX_t (a) 未作成", "t: IDX_t2 (b) 未作成"}},
        {"delete", "DELETE FROM t WHERE c = 1", 2, {}, {"t: IDX_t (c) 未作成"}},
        {"update", "UPDATE t SET a = 1 WHERE b = 2", 2, {}, {"t: IDX_t (b) 未作成"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Fake f;
        f.catalog["public.t"] = {"a", "b", "c"};
        f.catalog["public.orders"] = {"id", "customer"};
        f.catalog["s1.t"] = {"a"};
        f.catalog["public.T"] = {"A"};
        const Parsed p = Parse(c.sql);
        std::vector<TtvProposalTable> out;
        f.Make().Generate(p.tables, p.where, "public", c.limit, c.existing, out);
        EXPECT_EQ(Lines(out), c.expected);
    }
}

TEST(IndexCandidates, ReferencesCarryGroupQualifierAndNormalisedColumn)
{
    std::vector<TtvNewIndexList> refs;
    const int g = TtvIndexCandidates::BuildReferences({"O.Cust", "=", "1", "or", "\"X\".\"Col\";", "OR", "b"}, refs);
    EXPECT_EQ(g, 2);
    ASSERT_EQ(refs.size(), 7u);
    EXPECT_EQ(refs[0].FTableName, "o");
    EXPECT_EQ(refs[0].FColumnName, "cust");
    EXPECT_EQ(refs[0].FIndexNo, 0);
    EXPECT_EQ(refs[3].FIndexNo, 1); // an OR opens its group and belongs to it
    EXPECT_EQ(refs[4].FTableName, "X");
    EXPECT_EQ(refs[4].FColumnName, "Col");
    EXPECT_EQ(refs[6].FIndexNo, 2);
    EXPECT_TRUE(refs[6].FTableName.isEmpty());
}

TEST(IndexCandidates, QueriesOncePerTableAndStopsAtAssignedReferences)
{
    Fake f;
    f.catalog["public.t"] = {"a"};
    f.catalog["public.u"] = {"a"};
    const Parsed p = Parse("SELECT * FROM t, u WHERE a = 1");
    std::vector<TtvProposalTable> out;
    f.Make().Generate(p.tables, p.where, "public", 1, {}, out);
    EXPECT_EQ(f.tableQueries, 2);
    // t: a, =, 1 asked; u: only = and 1 (a is assigned to t).
    EXPECT_EQ(f.columnQueries, 5);
    EXPECT_EQ(Lines(out), QStringList({"t: IDX_t (a) 未作成"}));
}

TEST(IndexCandidates, AFailingLookupKeepsTheProposalsMadeSoFar)
{
    Catalog cat{{"public.t", {"a"}}, {"public.u", {"b"}}};
    TtvIndexCandidates c(
        [&](const QString &s, const QString &t) {
            if (t == "u")
                throw std::runtime_error("catalog failed");
            return cat.contains(s + "." + t);
        },
        [&](const QString &s, const QString &t, const QString &col) { return cat.value(s + "." + t).contains(col); });
    const Parsed p = Parse("SELECT * FROM t, u WHERE a = 1 AND b = 2");
    std::vector<TtvProposalTable> out;
    EXPECT_THROW(c.Generate(p.tables, p.where, "public", 1, {}, out), std::runtime_error);
    EXPECT_EQ(Lines(out), QStringList({"t: IDX_t (a) 未作成"}));
}

TEST(IndexCandidates, ServerCatalogDecidesTablesAndColumns)
{
    tvtest::TestDb db{"adv"};
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA s1; CREATE TABLE s1.orders(id int, customer int, status text);"
            " CREATE VIEW s1.v AS SELECT 1 AS id; CREATE TABLE public.items(id int, qty int);");
    tv::db::Connection conn(tvtest::SessionParams(db));
    conn.Open();
    TtvIndexCandidates c(TtvIndexCandidates::ServerTableExists(conn), TtvIndexCandidates::ServerColumnOfTable(conn));
    const Parsed p = Parse("SELECT * FROM s1.orders o, s1.v, items WHERE status = 'x' AND qty > 1 AND id = 2");
    std::vector<TtvProposalTable> out;
    c.Generate(p.tables, p.where, "public", 2, {}, out);
    EXPECT_EQ(Lines(out), QStringList({"s1.orders: IDX_orders (status, id) 未作成",
                                       "s1.orders: IDX_orders2 (id, status) 未作成", "items: IDX_items (qty) 未作成"}));
}
