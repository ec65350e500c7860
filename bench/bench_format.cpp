// Throughput of the SQL formatter on a generated script of statements and
// procedural blocks (10,000 lines, about 400 KB), at two sizes to show that
// the time grows linearly with the input; and one long single statement,
// where per-token checks of the whole output would show as quadratic time.
#include "BenchSupport.h"
#include "common/FormatOption.h"
#include "common/SQLFormatter.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

QString scriptText(int lines)
{
    static const char *forms[] = {
        "select e.empno, e.ename, d.dname, count(*) as cnt",
        "  from emp e left outer join dept d on e.deptno = d.deptno",
        " where e.sal between 1000 and 2000 and e.ename like 'S%' -- only S",
        "   and e.hired > date '2020-01-01' or e.comm is not null",
        " group by e.empno, e.ename, d.dname having count(*) > 1 order by 2, 1;",
        "insert into orders (id, customer, note) values (42, 'ACME', 'it''s urgent');",
        "update stock set qty = qty - 1, changed = now() where item_id = 7;",
        "delete from audit_log where created < now() - interval '30 days';",
        "create function bump(a int) returns int as $$",
        "declare",
        "  total int := 0; /* running total */",
        "begin",
        "  if a > 10 then",
        "    for i in 1..a loop",
        "      total := total + i;",
        "    end loop;",
        "  elsif a < 0 then",
        "    raise exception 'negative: %', a;",
        "  else",
        "    select count(*) into total from t where c = a for update;",
        "  end if;",
        "  return total;",
        "exception",
        "  when others then",
        "    return -1;",
        "end;",
        "$$ language plpgsql;",
    };
    const int formCount = int(sizeof(forms) / sizeof(forms[0]));
    QString text;
    text.reserve(qsizetype(lines) * 48);
    for (int i = 0; i < lines; ++i) {
        text += QString::fromLatin1(forms[i % formCount]);
        text += QLatin1String("\r\n");
    }
    return text;
}

void BM_FormatScript(benchmark::State &state)
{
    const QString text = scriptText(int(state.range(0)));
    const qint64 bytes = text.toUtf8().size();
    const TFormatOption option;
    qsizetype outSize = 0;
    for (auto _ : state) {
        const QString out = FormatSQLText(text, option);
        outSize = out.size();
        benchmark::DoNotOptimize(outSize);
    }
    state.counters["input_KB"] = double(bytes) / 1024.0;
    state.counters["output_chars"] = double(outSize);
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FormatScript)->Arg(2500)->Arg(10000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

// One statement on one line with a long select list and condition chain.
void BM_FormatLongStatement(benchmark::State &state)
{
    QString text = QStringLiteral("select c0");
    for (int i = 1; i < state.range(0); ++i)
        text += QStringLiteral(", c%1").arg(i);
    text += QStringLiteral(" from t where x0 = 0");
    for (int i = 1; i < state.range(0); ++i)
        text += QStringLiteral(" and x%1 = %1").arg(i);
    const qint64 bytes = text.toUtf8().size();
    const TFormatOption option;
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatSQLText(text, option).size());
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FormatLongStatement)->Arg(5000)->Arg(20000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
