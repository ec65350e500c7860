// Fetching a million rows into a result set and reading every cell as text,
// beside psql writing the same rows to /dev/null and beside what the server
// needs alone: executing the statement with no row sent, and psql copying the
// rows out (COPY ... TO STDOUT, the server's own fastest way to send them) as
// text and as binary. They take turns, round after round, and the medians are
// compared.
// Uses the PG* environment of the test server (scripts/test-db).
#include "BenchSupport.h"
#include "platform/db/Connection.h"

#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <vector>

namespace {

const char *const kSql = "SELECT g, md5(g::text), g*1.5, now(), 'x' FROM generate_series(1,1000000) g";

// Rounds of the comparison: TV_BENCH_ROUNDS, at least 3 (default 3).
int Rounds()
{
    return std::max(3, qEnvironmentVariableIntValue("TV_BENCH_ROUNDS"));
}

void BM_FetchMillionRows(benchmark::State &state)
{
    tv::db::Connection conn; // every parameter left to libpq's PG* environment
    try {
        conn.Open();
    } catch (const tv::db::DbError &e) {
        state.SkipWithError(e.text().toStdString().c_str());
        return;
    }
    const QString sql = QString::fromLatin1(kSql);
    const QStringList psqlArgs{QStringLiteral("-Atc"), sql};
    tvbench::ServerFloor floor(sql);
    const long long rssBefore = tvbench::peakRssBytes();
    std::vector<double> ours, fetched, psql, fetchCpu, readCpu, psqlCpu;
    long long textBytes = 0;
    for (auto _ : state) {
        for (int round = 0; round < Rounds(); ++round) {
            QElapsedTimer t;
            t.start();
            const double cpu0 = tvbench::cpuSeconds();
            auto rows = conn.Exec(sql);
            const double fetch = t.nsecsElapsed() / 1e9;
            const double cpu1 = tvbench::cpuSeconds();
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
            ours.push_back(t.nsecsElapsed() / 1e9);
            fetchCpu.push_back(cpu1 - cpu0);
            readCpu.push_back(tvbench::cpuSeconds() - cpu1);
            fetched.push_back(fetch);
            state.counters["rows"] = nr;
            rows.reset();
            double cpu = 0;
            psql.push_back(tvbench::timePsql(psqlArgs, &cpu));
            psqlCpu.push_back(cpu);
            floor.measure(conn);
        }
    }
    const long long peak = tvbench::peakRssBytes();
    const double o = tvbench::Median(ours), f = tvbench::Median(fetched);
    const double p = tvbench::Median(psql), c = floor.copyText();
    const bool psqlRan = *std::min_element(psql.begin(), psql.end()) > 0;
    const bool copyRan = c > 0;
    std::printf("%zu rounds, ours / psql / the server alone in turn; medians:\n", ours.size());
    tvbench::printBeside("fetch 1,000,000 rows, every cell as text", o, psqlRan ? p : -1);
    floor.print(o, psqlRan ? p : -1);
    std::printf("  of ours: the fetch %.3f s, reading every cell %.3f s\n", f, o - f);
    std::printf("  processor time: ours fetching %.3f s + reading %.3f s, psql %.3f s\n", tvbench::Median(fetchCpu),
                tvbench::Median(readCpu), tvbench::Median(psqlCpu));
    std::printf("cell text %.1f MB; peak RSS %.1f MB (%.1f MB before the fetch); "
                "growth / text %.2f, peak / text %.2f\n",
                textBytes / 1e6, peak / 1e6, rssBefore / 1e6, double(peak - rssBefore) / double(textBytes),
                double(peak) / double(textBytes));
    const double growth = double(peak - rssBefore) / double(textBytes);
    if (psqlRan && copyRan)
        std::printf("goals: time %.2f x psql (<= 0.7: %s), %.2f x COPY (<= 1.2: %s), memory growth %.2f x cell "
                    "text (<= 1.3: %s)\n",
                    o / p, o / p <= 0.7 ? "met" : "missed", o / c, o / c <= 1.2 ? "met" : "missed", growth,
                    growth <= 1.3 ? "met" : "missed");
    std::fflush(stdout);
    state.counters["seconds"] = o;
    state.counters["psql_seconds"] = p;
    state.counters["copy_seconds"] = c;
    state.counters["peak_rss_mb"] = peak / 1e6;
    state.counters["text_mb"] = textBytes / 1e6;
}

} // namespace

BENCHMARK(BM_FetchMillionRows)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
