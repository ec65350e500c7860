// Throughput of the statement parser and the script cleanup. The parser runs
// leniently (as completion does) over a text of many statements, so every
// statement is scanned once; the cleanup runs over a script of many lines
// with comments and quotes. Both report bytes per second and are run at two
// sizes to show they grow linearly with the input.
#include "BenchSupport.h"
#include "common/SQLParser.h"
#include "common/ScriptClean.h"

#include <benchmark/benchmark.h>

namespace {

QString statementText(int statements)
{
    static const char *forms[] = {
        "select e.empno, e.ename nm, count(*) from emp e inner join dept d on e.deptno = d.deptno\n"
        "  where e.sal > 1000 and e.ename like 'S%' group by e.empno, e.ename having count(*) > 1 order by nm desc;\n",
        "insert into orders (id, customer, note) values (42, 'ACME', 'it''s urgent');\n",
        "update stock set qty = qty - 1, changed = now() where item_id = 7 and qty > 0;\n",
        "delete from audit_log where created < now() - interval '30 days';\n",
        "select a, b from t1 x where a in ( select b from t2 y where y.c = 'x' ) ;\n",
    };
    QString text;
    for (int i = 0; i < statements; ++i)
        text += QString::fromLatin1(forms[i % 5]);
    return text;
}

QStringList scriptLines(int lines)
{
    static const char *forms[] = {
        "rem nightly load",
        "select id, name /* the display name */, 'a -- b' as literal -- trailing remark",
        "  from customers c where c.region = 'north' /* open comment",
        "     still inside the comment ; 'quote'",
        "  end of comment */ and c.active;",
        "insert into t values (1, 'x;y', \"Col\");",
        "",
    };
    QStringList out;
    out.reserve(lines);
    for (int i = 0; i < lines; ++i)
        out << QString::fromLatin1(forms[i % 7]);
    out[0] = "select 1";
    return out;
}

void BM_ParseSQLStatement(benchmark::State &state)
{
    const QString text = statementText(int(state.range(0)));
    qint64 parsedTables = 0;
    for (auto _ : state) {
        TtvParseList columns, tables, orderBy;
        QStringList where, groupBy, having;
        QString viewName;
        benchmark::DoNotOptimize(
            ParseSQLStatement(text, columns, tables, orderBy, where, groupBy, having, QString(), viewName));
        parsedTables = tables.Count();
    }
    state.counters["tables"] = double(parsedTables);
    state.SetBytesProcessed(state.iterations() * text.size() * qint64(sizeof(QChar)));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ParseSQLStatement)->Arg(1250)->Arg(5000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

void BM_CleanScriptLines(benchmark::State &state)
{
    const QStringList lines = scriptLines(int(state.range(0)));
    qint64 bytes = 0;
    for (const QString &l : lines)
        bytes += l.size() * qint64(sizeof(QChar));
    for (auto _ : state) {
        QStringList work = lines;
        CleanScriptLines(work, false);
        benchmark::DoNotOptimize(work.size());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CleanScriptLines)->Arg(2500)->Arg(10000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

// One huge line of many short comments: the cleanup must stay linear.
void BM_CleanScriptHugeLine(benchmark::State &state)
{
    const QStringList lines{QStringLiteral("a /* c */ ").repeated(int(state.range(0)))};
    for (auto _ : state) {
        QStringList work = lines;
        CleanScriptLines(work, false);
        benchmark::DoNotOptimize(work.size());
    }
    state.SetBytesProcessed(state.iterations() * lines[0].size() * qint64(sizeof(QChar)));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CleanScriptHugeLine)->Arg(25000)->Arg(100000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
