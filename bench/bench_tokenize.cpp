// Tokenising a 450,000-line SQL script row by row with the row state carried
// from row to row, as the editor does when it loads a file (state chain) and
// when it paints (tokens and colours of each row).
#include "BenchFountain.h"
#include "BenchSupport.h"
#include "editor/EditorFountain.h"
#include "editor/EditorParser.h"

#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr int kRows = 450000;

TRowAttributeStringList &Script()
{
    static TRowAttributeStringList list;
    if (list.Count() == 0) {
        const QString rows[] = {
            QStringLiteral("-- 受注明細の集計（部署別）"),
            QStringLiteral("SELECT d.dept_name, SUM(o.amount * 1.08) AS total, COUNT(*) AS cnt"),
            QStringLiteral("  FROM orders o JOIN dept d ON d.dept_id = o.dept_id"),
            QStringLiteral(" WHERE o.note <> '未出荷の''注文''' AND o.created >= '2024-01-01'"),
            QStringLiteral("/* 旧集計ロジック：2023年度まで"),
            QStringLiteral("   SELECT * FROM legacy_orders WHERE \"区分\" = 3.5e+2"),
            QStringLiteral("   終了 */ GROUP BY d.dept_name"),
            QStringLiteral("\tORDER BY total DESC; -- 降順"),
            QString(),
            QStringLiteral("INSERT INTO log (msg) VALUES ('集計完了 /* not a comment */');"),
        };
        list.BeginUpdate();
        for (int i = 0; i < kRows; ++i)
            list.Add(rows[i % 10]);
        list.EndUpdate();
    }
    return list;
}

std::unique_ptr<TEditorFountain> SqlFountain()
{
    return tvbench::sqlFountain({"SELECT", "FROM", "WHERE", "AND", "OR", "JOIN", "ON", "GROUP", "BY", "ORDER", "DESC",
                                 "ASC", "AS", "SUM", "COUNT", "INSERT", "INTO", "VALUES", "UPDATE", "DELETE", "CREATE",
                                 "TABLE", "INDEX", "NOT", "NULL", "IS", "IN", "EXISTS", "CASE", "WHEN", "THEN", "END"});
}

// Start state of every row, computed through LastTokenBracket.
void BM_StateChain(benchmark::State &state)
{
    TRowAttributeStringList &list = Script();
    auto f = SqlFountain();
    auto p = f->CreateParser();
    for (auto _ : state) {
        TRowAttributeData d;
        d.BracketIndex = -1;
        for (int i = 0; i < list.Count(); ++i)
            p->LastTokenBracket(i, list, d);
        benchmark::DoNotOptimize(d.BracketIndex);
    }
    state.counters["rows/s"] = benchmark::Counter(double(list.Count()), benchmark::Counter::kIsIterationInvariantRate);
}

// Every token of every row with its colour, the state carried between rows.
void BM_TokenizeRows(benchmark::State &state)
{
    TRowAttributeStringList &list = Script();
    auto f = SqlFountain();
    auto p = f->CreateParser();
    long long tokens = 0;
    for (auto _ : state) {
        TRowAttributeData d;
        d.BracketIndex = -1;
        for (int i = 0; i < list.Count(); ++i) {
            p->NewData(list[i], d);
            while (p->NextToken() != tokEof) {
                benchmark::DoNotOptimize(p->TokenToFountainColor());
                ++tokens;
            }
            p->LastTokenBracket(i, list, d);
        }
    }
    state.counters["rows/s"] = benchmark::Counter(double(list.Count()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["tokens/row"] = double(tokens) / double(state.iterations()) / list.Count();
}

BENCHMARK(BM_StateChain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TokenizeRows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
