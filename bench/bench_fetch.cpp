// Fetching a million rows into a result set and reading every cell as text,
// beside psql writing the same rows to /dev/null. Uses the PG* environment of
// the test server (scripts/test-db).
#include "BenchSupport.h"
#include "platform/db/Connection.h"

#include <QElapsedTimer>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

const char *const kSql = "SELECT g, md5(g::text), g*1.5, now(), 'x' FROM generate_series(1,1000000) g";

void BM_FetchMillionRows(benchmark::State &state)
{
    tv::db::Connection conn; // every parameter left to libpq's PG* environment
    try {
        conn.Open();
    } catch (const tv::db::DbError &e) {
        state.SkipWithError(e.text().toStdString().c_str());
        return;
    }
    const long long rssBefore = tvbench::peakRssBytes();
    double ours = 0;
    long long textBytes = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        const auto rows = conn.Exec(QString::fromLatin1(kSql));
        qsizetype chars = 0;
        textBytes = 0;
        const int nr = rows->rowCount(), nc = rows->fieldCount();
        for (int r = 0; r < nr; ++r) {
            for (int c = 0; c < nc; ++c) {
                chars += rows->text(r, c).size();
                textBytes += rows->raw(r, c).size();
            }
        }
        benchmark::DoNotOptimize(chars);
        ours = t.nsecsElapsed() / 1e9;
        state.counters["rows"] = nr;
    }
    const long long peak = tvbench::peakRssBytes();
    const double psql = tvbench::timePsql({QStringLiteral("-Atc"), QString::fromLatin1(kSql)});
    tvbench::printBeside("fetch 1,000,000 rows, every cell as text", ours, psql);
    std::printf("cell text %.1f MB; peak RSS %.1f MB (%.1f MB before the fetch); "
                "growth / text %.2f, peak / text %.2f\n",
                textBytes / 1e6, peak / 1e6, rssBefore / 1e6, double(peak - rssBefore) / double(textBytes),
                double(peak) / double(textBytes));
    const double growth = double(peak - rssBefore) / double(textBytes);
    if (psql > 0) {
        const double ratio = ours / psql;
        std::printf("goals: time %.2f x psql (<= 1.2: %s), memory growth %.2f x cell text (<= 1.6: %s)\n", ratio,
                    ratio <= 1.2 ? "met" : "missed", growth, growth <= 1.6 ? "met" : "missed");
    }
    std::fflush(stdout);
    state.counters["peak_rss_mb"] = peak / 1e6;
    state.counters["text_mb"] = textBytes / 1e6;
}

} // namespace

BENCHMARK(BM_FetchMillionRows)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
