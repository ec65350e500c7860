// The row-wise data grid over large results: fetch and first paint (an
// offscreen grab), Ctrl+End, Select All + copy, and peak memory, beside psql
// fetching the same rows. Uses the PG* environment of the test server.
#include "BenchSupport.h"
#include "controls/tvDBGridV.h"
#include "platform/db/DataSet.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

QString querySql(int rows, int cols)
{
    QStringList exprs;
    for (int c = 0; c < cols; ++c) {
        switch (c % 5) {
        case 0: exprs << QStringLiteral("g + %1 AS c%1").arg(c); break;
        case 1: exprs << QStringLiteral("md5(g::text) AS c%1").arg(c); break;
        case 2: exprs << QStringLiteral("g * 1.5 AS c%1").arg(c); break;
        case 3: exprs << QStringLiteral("now() AS c%1").arg(c); break;
        default: exprs << QStringLiteral("'x' || g AS c%1").arg(c); break;
        }
    }
    return QStringLiteral("SELECT %1 FROM generate_series(1,%2) g").arg(exprs.join(QStringLiteral(", "))).arg(rows);
}

// Rounds of the comparison: TV_BENCH_ROUNDS, at least 3 (default 3).
int Rounds()
{
    return std::max(3, qEnvironmentVariableIntValue("TV_BENCH_ROUNDS"));
}

// Our grid and psql take turns, round after round; the medians are compared.
void runGrid(benchmark::State &state, int rows, int cols)
{
    tv::db::Connection conn;
    try {
        conn.Open();
    } catch (const tv::db::DbError &e) {
        state.SkipWithError(e.text().toStdString().c_str());
        return;
    }
    const QString sql = querySql(rows, cols);
    std::vector<double> fetchPaint, firstPaint, ctrlEnd, selectCopy, cpu, psql, psqlCpu;
    tvbench::ServerFloor floor(sql);
    qsizetype copied = 0;
    for (auto _ : state) {
        for (int round = 0; round < Rounds(); ++round) {
            {
                tv::db::DataSet ds;
                ds.SetConnection(&conn);
                tv::grid::TtvDBGridV grid;
                grid.SetOptions(grid.Options() | tv::grid::dgMultiSelect);
                grid.resize(1200, 800);
                grid.SetDataSet(&ds);
                grid.show();

                const double cpu0 = tvbench::cpuSeconds();
                QElapsedTimer t;
                t.start();
                ds.OpenSQL(sql);
                const qint64 opened = t.nsecsElapsed();
                const QPixmap shot = grid.grab();
                benchmark::DoNotOptimize(shot.cacheKey());
                fetchPaint.push_back(t.nsecsElapsed() / 1e9);
                firstPaint.push_back((t.nsecsElapsed() - opened) / 1e9);
                cpu.push_back(tvbench::cpuSeconds() - cpu0);

                t.restart();
                QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
                QApplication::sendEvent(grid.InplaceEditor()->isVisible()
                                            ? static_cast<QWidget *>(grid.InplaceEditor())
                                            : static_cast<QWidget *>(&grid),
                                        &end);
                const QPixmap shot2 = grid.grab();
                benchmark::DoNotOptimize(shot2.cacheKey());
                ctrlEnd.push_back(t.nsecsElapsed() / 1e9);
                if (ds.RecNo() != rows - 1)
                    state.SkipWithError("Ctrl+End did not reach the last record");

                t.restart();
                grid.SelectAll();
                grid.CopyRecords();
                copied = QGuiApplication::clipboard()->text().size();
                selectCopy.push_back(t.nsecsElapsed() / 1e9);
                QGuiApplication::clipboard()->clear();
            }
            double c = 0;
            psql.push_back(tvbench::timePsql({QStringLiteral("-Atc"), sql}, &c));
            psqlCpu.push_back(c);
            floor.measure(conn);
        }
    }
    const long long peak = tvbench::peakRssBytes();
    const bool psqlRan = *std::min_element(psql.begin(), psql.end()) > 0;
    const std::string what = std::to_string(rows) + " rows x " + std::to_string(cols) + " columns";
    std::printf("%zu rounds, ours / psql / the server alone in turn; medians:\n", fetchPaint.size());
    tvbench::printBeside("fetch + first paint, " + what, tvbench::Median(fetchPaint),
                         psqlRan ? tvbench::Median(psql) : -1);
    floor.print(tvbench::Median(fetchPaint), psqlRan ? tvbench::Median(psql) : -1);
    std::printf("  first paint alone %.3f s; Ctrl+End + paint %.4f s; Select All + copy %.3f s (%.1f M chars); "
                "peak RSS %.1f MB\n",
                tvbench::Median(firstPaint), tvbench::Median(ctrlEnd), tvbench::Median(selectCopy), copied / 1e6,
                peak / 1e6);
    std::printf("  processor time of the fetch + first paint: ours %.3f s, psql %.3f s\n", tvbench::Median(cpu),
                tvbench::Median(psqlCpu));
    std::fflush(stdout);
    state.counters["seconds"] = tvbench::Median(fetchPaint);
    state.counters["psql_seconds"] = tvbench::Median(psql);
    state.counters["first_paint_s"] = tvbench::Median(firstPaint);
    state.counters["ctrl_end_s"] = tvbench::Median(ctrlEnd);
    state.counters["select_copy_s"] = tvbench::Median(selectCopy);
    state.counters["peak_rss_mb"] = peak / 1e6;
}

void BM_GridMillionByFive(benchmark::State &state)
{
    runGrid(state, 1000000, 5);
}

void BM_GridTwoHundredThousandByTwenty(benchmark::State &state)
{
    runGrid(state, 200000, 20);
}

// One row holding a 16 MiB bytea and a 50 MiB text, shown in the grid: the
// fetch with its first paint, then each of 9 further paints timed alone (the
// cells show only the start of the values), the processor time the shown
// grid takes over a second of idling, and the memory beyond what the process
// held before the query (the peak counted from just before it). The first
// paint renders into a new pixmap (a grab), whose pages the system supplies as
// they are first touched; the later ones repaint the shown window.
void BM_GridHugeValues(benchmark::State &state)
{
    tv::db::Connection conn;
    try {
        conn.Open();
    } catch (const tv::db::DbError &e) {
        state.SkipWithError(e.text().toStdString().c_str());
        return;
    }
    constexpr qint64 kBytea = 16LL << 20, kText = 50LL << 20;
    const QString sql = QStringLiteral("SELECT decode(repeat('ab', %1), 'hex') AS b, repeat('x', %2) AS t")
                            .arg(kBytea)
                            .arg(kText);
    for (auto _ : state) {
        const long long before = tvbench::rssBytes();
        const bool peakFromHere = tvbench::resetPeakRss();
        tv::db::DataSet ds;
        ds.SetConnection(&conn);
        tv::grid::TtvDBGridV grid;
        grid.resize(1200, 800);
        grid.SetDataSet(&ds);
        grid.show();
        QElapsedTimer t;
        t.start();
        ds.OpenSQL(sql);
        const double opened = t.nsecsElapsed() / 1e6;
        grid.grab();
        const double firstPaint = t.nsecsElapsed() / 1e6 - opened;
        std::vector<double> paints;
        for (int i = 0; i < 9; ++i) {
            t.restart();
            grid.viewport()->repaint();
            paints.push_back(t.nsecsElapsed() / 1e6);
        }
        std::sort(paints.begin(), paints.end());
        timespec c0{}, c1{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c0);
        {
            QEventLoop loop; // sleeps while nothing is due
            QTimer::singleShot(1000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c1);
        const double idleCpu = (c1.tv_sec - c0.tv_sec) * 1e3 + (c1.tv_nsec - c0.tv_nsec) / 1e6;
        const double values = double(kBytea + kText);
        const double peakExtra = double(tvbench::peakRssBytes() - before);
        std::printf("one row of a 16 MiB bytea and a 50 MiB text: fetch %.0f ms, first paint %.1f ms; "
                    "paint min %.2f median %.2f max %.2f ms (9 paints); processor while shown %.1f ms over 1 s\n",
                    opened, firstPaint, paints.front(), paints[paints.size() / 2], paints.back(), idleCpu);
        std::printf("  memory beyond the %.0f MB before the query: peak %.0f MB%s = %.2f x the values (%.0f MB)\n",
                    before / 1e6, peakExtra / 1e6, peakFromHere ? "" : " (peak of the whole process)",
                    peakExtra / values, values / 1e6);
        std::fflush(stdout);
        state.counters["first_paint_ms"] = firstPaint;
        state.counters["paint_median_ms"] = paints[paints.size() / 2];
        state.counters["paint_max_ms"] = paints.back();
        state.counters["memory_x_values"] = peakExtra / values;
    }
}

} // namespace

BENCHMARK(BM_GridHugeValues)->Iterations(1)->Repetitions(3)->ComputeStatistics("min", tvbench::Min)->ComputeStatistics("max", tvbench::Max)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridMillionByFive)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridTwoHundredThousandByTwenty)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return tvbench::runInApplication(argc, argv);
}
