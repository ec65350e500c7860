// The SQL window over the test server (PG* environment): a query of a
// million rows (time until its rows are shown, the jump to the last record,
// peak memory, the longest pause of the event loop while it runs) and a text
// of 20,000 one-line INSERT statements, each beside psql doing the same.
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/frmSQL.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

const char *const kQuery = "SELECT g, md5(g::text), now() FROM generate_series(1,1000000) g";
constexpr int kInserts = 20000;

QStringList LogonArgs()
{
    return tvbench::logonArgs(qEnvironmentVariable("PGDATABASE"), QStringLiteral("5432"));
}

// A logged-on main window with one SQL window, dialogs answered by script.
struct Session {
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use{&dialogs};
    std::unique_ptr<TfrmMain> main;
    TfrmSQL *w = nullptr;

    bool Start()
    {
        main = std::make_unique<TfrmMain>(LogonArgs());
        main->FormPaint();
        auto *cw = main->CurrentObjectForm();
        if (!cw)
            return false;
        w = new TfrmSQL(cw);
        w->ShowForm();
        w->resize(1000, 700);
        return true;
    }
    ~Session()
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// The longest gap between two ticks of a 10 ms timer while work runs: how
// long the window would leave an Esc press unanswered.
struct PauseWatch {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0, worst = 0;
    PauseWatch()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            worst = std::max(worst, now - last);
            last = now;
        });
        clock.start();
        timer.start();
    }
};

void BM_SQLWindowMillionRows(benchmark::State &state)
{
    Session s;
    if (!s.Start()) {
        state.SkipWithError("no logon (PG* environment of scripts/test-db)");
        return;
    }
    tvOption.SQLBuf = 0;
    const long long rssBefore = tvbench::peakRssBytes();
    double shown = 0, last = 0;
    qint64 pause = 0;
    for (auto _ : state) {
        s.w->txtSQL->Lines()->SetText(QString::fromLatin1(kQuery));
        PauseWatch watch;
        QElapsedTimer t;
        t.start();
        s.w->actExecExecute();
        QApplication::processEvents();
        s.w->fraData->VisibleGrid()->grab(); // the first rows painted
        shown = t.nsecsElapsed() / 1e9;
        pause = watch.worst;
        t.restart();
        s.w->fraData->btnLastClick();
        s.w->fraData->VisibleGrid()->grab();
        last = t.nsecsElapsed() / 1e9;
        if (s.w->fraData->dsrTableData.RecordCount() != 1000000)
            state.SkipWithError("the query did not return its rows");
    }
    const long long peak = tvbench::peakRssBytes();
    const double psql = tvbench::timePsql({QStringLiteral("-Atc"), QString::fromLatin1(kQuery)});
    tvbench::printBeside("SQL window: 1,000,000 rows until shown", shown, psql);
    std::printf("jump to the last record %.3f s; peak RSS %.1f MB (%.1f MB before); longest event-loop pause "
                "during the run %lld ms\n",
                last, peak / 1e6, rssBefore / 1e6, pause);
    if (psql > 0)
        std::printf("goal: first rows within 1.5 x psql's full fetch: %.2f x (%s); Esc answered within a second: %s\n",
                    shown / psql, shown / psql <= 1.5 ? "met" : "missed", pause < 1000 ? "met" : "missed");
    std::fflush(stdout);
    state.counters["shown_s"] = shown;
    state.counters["last_s"] = last;
    state.counters["peak_rss_mb"] = peak / 1e6;
    state.counters["pause_ms"] = double(pause);
}

void BM_SQLWindowInserts(benchmark::State &state)
{
    Session s;
    if (!s.Start()) {
        state.SkipWithError("no logon (PG* environment of scripts/test-db)");
        return;
    }
    tvOption.SQLBuf = 0;
    QStringList lines, psqlLines;
    for (int i = 0; i < kInserts; ++i) {
        lines << QStringLiteral("insert into bench_sqlwin values (%1)").arg(i) << QStringLiteral(";");
        psqlLines << QStringLiteral("insert into bench_sqlwin values (%1);").arg(i);
    }
    double ours = 0;
    qint64 pause = 0;
    for (auto _ : state) {
        auto &conn = s.main->CurrentObjectForm()->dbsMain();
        conn.Exec(QStringLiteral("DROP TABLE IF EXISTS bench_sqlwin; CREATE TABLE bench_sqlwin(x int)"));
        s.w->txtSQL->Lines()->SetText(lines.join(QStringLiteral("\r\n")));
        // The first row-count message hides the rest.
        s.dialogs.clear();
        s.dialogs.queueButton(tv::ui::IDOK, {true});
        PauseWatch watch;
        QElapsedTimer t;
        t.start();
        s.w->actExecExecute();
        ours = t.nsecsElapsed() / 1e9;
        pause = watch.worst;
        if (conn.ExecScalar(QStringLiteral("SELECT count(*) FROM bench_sqlwin")) != QString::number(kInserts))
            state.SkipWithError("not every row was inserted");
        conn.Exec(QStringLiteral("DROP TABLE bench_sqlwin"));
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("inserts.sql"));
    QFile f(file);
    double psql = -1;
    if (f.open(QIODevice::WriteOnly)) {
        f.write(("DROP TABLE IF EXISTS bench_sqlwin; CREATE TABLE bench_sqlwin(x int);\n" +
                 psqlLines.join(QLatin1Char('\n')) + "\nDROP TABLE bench_sqlwin;\n")
                    .toUtf8());
        f.close();
        psql = tvbench::timePsql({QStringLiteral("-q"), QStringLiteral("-f"), file});
    }
    tvbench::printBeside("SQL window: 20,000 one-line INSERT statements", ours, psql);
    std::printf("longest event-loop pause during the run %lld ms\n", pause);
    std::fflush(stdout);
    state.counters["seconds"] = ours;
    state.counters["pause_ms"] = double(pause);
}

} // namespace

BENCHMARK(BM_SQLWindowMillionRows)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLWindowInserts)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    const auto start = [] {
        tv::ui::InstallEscapeWatch();
        StartSharedServices();
    };
    return tvbench::runInApplication(argc, argv, {.scratchConfig = true, .start = start, .stop = EndSharedServices});
}
