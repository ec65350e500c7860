// Whole-result export of 200,000 rows x 10 columns: the clipboard text and a
// vertical workbook, beside psql's "\copy (...) to stdout csv" with its
// output discarded; time, cells per second, peak memory and how often the
// walk looks for Esc. Uses the PG* environment of the test server
// (scripts/test-db).
#include "BenchSupport.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"
#include "sql/ResultExport.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

const char *const kSql =
    "SELECT g AS id, g * 7 AS n2, (g * 1.25)::numeric(12,2) AS amount, g::float8 / 3 AS ratio, "
    "md5(g::text) AS hash, 'name ' || g AS name, date '2024-01-01' + (g % 365) AS d, "
    "timestamp '2024-01-01 00:00' + g * interval '1 minute' AS ts, (g % 2 = 0) AS flag, "
    "CASE WHEN g % 10 = 0 THEN NULL ELSE 'memo' END AS memo FROM generate_series(1,200000) g";

struct Fixture {
    tv::db::Connection conn;
    tv::db::DataSet ds;
    double fetchSeconds = 0;
    long long textBytes = 0;
    bool ok = false;
    QString error;
    Fixture()
    {
        try {
            conn.Open();
            QElapsedTimer t;
            t.start();
            ds.Open(conn.Exec(QString::fromLatin1(kSql)));
            fetchSeconds = t.nsecsElapsed() / 1e9;
            for (int r = 0; r < ds.RecordCount(); ++r)
                for (int c = 0; c < ds.FieldCount(); ++c)
                    textBytes += ds.Text(r, c).size();
            ok = true;
        } catch (const tv::Error &e) {
            error = e.text();
        }
    }
};

Fixture &Data()
{
    static Fixture f;
    return f;
}

// The progress callback as the frame uses it: the longest gap between two
// calls tells how soon an Esc would be answered.
struct Gaps {
    QElapsedTimer t;
    qint64 worst = 0;
    qint64 last = 0;
    resexport::TProgress progress()
    {
        t.start();
        return [this](int, int) {
            const qint64 now = t.nsecsElapsed();
            worst = std::max(worst, now - last);
            last = now;
            return true;
        };
    }
};

double PsqlCopy()
{
    return tvbench::timePsql(
        {QStringLiteral("-c"), QStringLiteral("\\copy (%1) to stdout csv").arg(QString::fromLatin1(kSql))});
}

void BM_ExportWorkbookVertical(benchmark::State &state)
{
    Fixture &f = Data();
    if (!f.ok) {
        state.SkipWithError(f.error.toStdString().c_str());
        return;
    }
    QTemporaryDir dir;
    const long long before = tvbench::peakRssBytes();
    double secs = 0;
    Gaps gaps;
    for (auto _ : state) {
        resexport::TXlsLayout layout;
        layout.fileName = dir.filePath(QStringLiteral("bench.xlsx"));
        for (int c = 0; c < f.ds.FieldCount(); ++c)
            layout.titles << f.ds.FieldDef(c).name;
        QElapsedTimer t;
        t.start();
        resexport::WriteWorkbook(f.ds, layout, gaps.progress());
        secs = t.nsecsElapsed() / 1e9;
    }
    const long long peak = tvbench::peakRssBytes();
    const double cells = double(f.ds.RecordCount()) * f.ds.FieldCount();
    const double psql = PsqlCopy();
    tvbench::printBeside("workbook (vertical) of 200,000 x 10", f.fetchSeconds + secs, psql);
    std::printf("workbook: %.0f cells/s (goal >= 500,000: %s); peak RSS growth %.1f MB over %.1f MB before, "
                "result text %.1f MB (goal growth <= 64 MB: %s); longest gap between Esc checks %.1f ms\n",
                cells / secs, cells / secs >= 500000 ? "met" : "missed", (peak - before) / 1e6, before / 1e6,
                f.textBytes * 2 / 1e6, peak - before <= 64LL * 1024 * 1024 ? "met" : "missed", gaps.worst / 1e6);
    std::fflush(stdout);
    state.counters["cells_per_s"] = cells / secs;
    state.counters["rss_growth_mb"] = (peak - before) / 1e6;
}

void BM_ExportClipboard(benchmark::State &state)
{
    Fixture &f = Data();
    if (!f.ok) {
        state.SkipWithError(f.error.toStdString().c_str());
        return;
    }
    double secs = 0;
    Gaps gaps;
    qsizetype chars = 0;
    for (auto _ : state) {
        QStringList titles;
        for (int c = 0; c < f.ds.FieldCount(); ++c)
            titles << f.ds.FieldDef(c).name;
        QElapsedTimer t;
        t.start();
        const QString text = resexport::ClipboardText(f.ds, &titles, QLatin1Char('\t'), gaps.progress());
        QApplication::clipboard()->setText(text);
        secs = t.nsecsElapsed() / 1e9;
        chars = text.size();
    }
    const double psql = PsqlCopy();
    tvbench::printBeside("clipboard text of 200,000 x 10 (fetch + text)", f.fetchSeconds + secs, psql);
    if (psql > 0) {
        const double ratio = (f.fetchSeconds + secs) / psql;
        std::printf("clipboard: %.1f M characters, text %.3f s after a %.3f s fetch; %.2f x psql (goal <= 1.5: %s); "
                    "longest gap between Esc checks %.1f ms\n",
                    chars / 1e6, secs, f.fetchSeconds, ratio, ratio <= 1.5 ? "met" : "missed", gaps.worst / 1e6);
    }
    std::fflush(stdout);
}

} // namespace

BENCHMARK(BM_ExportWorkbookVertical)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportClipboard)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return tvbench::runInApplication(argc, argv);
}
