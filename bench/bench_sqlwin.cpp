// The SQL window over the test server (PG* environment): a query of a
// million rows (time until its rows are shown, the jump to the last record,
// peak memory, the longest pause of the event loop while it runs) and a text
// of 20,000 one-line INSERT statements, each beside psql doing the same.
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/frmSQL.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <vector>

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

// Rounds of a comparison: TV_BENCH_ROUNDS, at least 3 (default 5).
int Rounds()
{
    return std::max(3, qEnvironmentVariableIntValue("TV_BENCH_ROUNDS") > 0
                           ? qEnvironmentVariableIntValue("TV_BENCH_ROUNDS")
                           : 5);
}

// Our window and psql take turns, round after round; the medians are compared.
void BM_SQLWindowMillionRows(benchmark::State &state)
{
    Session s;
    if (!s.Start()) {
        state.SkipWithError("no logon (PG* environment of scripts/test-db)");
        return;
    }
    tvOption.SQLBuf = 0;
    // The server-alone measurements go through a connection of their own.
    tv::db::Connection side;
    try {
        side.Open();
    } catch (const tv::db::DbError &e) {
        state.SkipWithError(e.text().toStdString().c_str());
        return;
    }
    tvbench::ServerFloor floor(QString::fromLatin1(kQuery));
    const long long rssBefore = tvbench::peakRssBytes();
    std::vector<double> shown, last, psql;
    qint64 pause = 0;
    for (auto _ : state) {
        for (int round = 0; round < Rounds(); ++round) {
            s.w->txtSQL->Lines()->SetText(QString::fromLatin1(kQuery));
            PauseWatch watch;
            QElapsedTimer t;
            t.start();
            s.w->actExecExecute();
            QApplication::processEvents();
            s.w->fraData->VisibleGrid()->grab(); // the first rows painted
            shown.push_back(t.nsecsElapsed() / 1e9);
            pause = std::max(pause, watch.worst);
            t.restart();
            s.w->fraData->btnLastClick();
            s.w->fraData->VisibleGrid()->grab();
            last.push_back(t.nsecsElapsed() / 1e9);
            if (s.w->fraData->dsrTableData.RecordCount() != 1000000)
                state.SkipWithError("the query did not return its rows");
            psql.push_back(tvbench::timePsql({QStringLiteral("-Atc"), QString::fromLatin1(kQuery)}));
            floor.measure(side);
        }
    }
    const long long peak = tvbench::peakRssBytes();
    const double p = *std::min_element(psql.begin(), psql.end()) > 0 ? tvbench::Median(psql) : -1;
    const double o = tvbench::Median(shown);
    std::printf("%zu rounds, ours / psql / the server alone in turn; medians:\n", shown.size());
    tvbench::printBeside("SQL window: 1,000,000 rows until shown", o, p);
    floor.print(o, p);
    std::printf("jump to the last record %.3f s; peak RSS %.1f MB (%.1f MB before); longest event-loop pause "
                "during the runs %lld ms\n",
                tvbench::Median(last), peak / 1e6, rssBefore / 1e6, pause);
    if (p > 0)
        std::printf("goal: first rows within 1.5 x psql's full fetch: %.2f x (%s); Esc answered within a second: %s\n",
                    o / p, o / p <= 1.5 ? "met" : "missed", pause < 1000 ? "met" : "missed");
    std::fflush(stdout);
    state.counters["shown_s"] = o;
    state.counters["psql_s"] = p;
    state.counters["last_s"] = tvbench::Median(last);
    state.counters["peak_rss_mb"] = peak / 1e6;
    state.counters["pause_ms"] = double(pause);
}

// The psql program itself (not a wrapper script that picks a version):
// PostgreSQL's bin folder as pg_config names it, else psql on PATH.
QString RealPsql()
{
    QProcess p;
    p.start(QStringLiteral("pg_config"), {QStringLiteral("--bindir")});
    if (p.waitForFinished(10000) && p.exitCode() == 0) {
        const QString bin = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
        if (QFileInfo(bin + QStringLiteral("/psql")).isExecutable())
            return bin + QStringLiteral("/psql");
    }
    return QStringLiteral("psql");
}

// Wall-clock seconds of psql running the file (output to /dev/null); -1
// when it cannot run or fails.
double TimePsqlFile(const QString &psql, const QString &file)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardInputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(psql, {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-f"), file});
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0)
        return -1;
    return t.nsecsElapsed() / 1e9;
}

struct Spread {
    double min = 0, median = 0, max = 0;
};
Spread SpreadOf(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

// Our window and psql run the same 20,000 INSERT statements in turn, each
// on an empty table made beforehand and dropped afterwards (outside the
// timing). Ours: from the run's start until its last statement is reported,
// on the logged-on window. psql: the real program running the file, less
// its connecting (the same program running an empty file, timed in the same
// round). Each statement commits on its own on both sides.
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
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("inserts.sql"));
    const QString empty = dir.filePath(QStringLiteral("empty.sql"));
    {
        QFile f(file), e(empty);
        if (!f.open(QIODevice::WriteOnly) || !e.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot write the script file");
            return;
        }
        f.write((psqlLines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    }
    const QString psql = RealPsql();
    const QString text = lines.join(QStringLiteral("\r\n"));
    std::vector<double> ours, theirs;
    qint64 pause = 0;
    auto &conn = s.main->CurrentObjectForm()->dbsMain();
    const auto fresh = [&conn] {
        conn.Exec(QStringLiteral("DROP TABLE IF EXISTS bench_sqlwin; CREATE TABLE bench_sqlwin(x int)"));
    };
    const QString count = QString::number(kInserts);
    for (auto _ : state) {
        for (int round = 0; round < Rounds(); ++round) {
            fresh();
            s.w->txtSQL->Lines()->SetText(text);
            // The first row-count message hides the rest.
            s.dialogs.clear();
            s.dialogs.queueButton(tv::ui::IDOK, {true});
            PauseWatch watch;
            QElapsedTimer t;
            t.start();
            s.w->actExecExecute();
            ours.push_back(t.nsecsElapsed() / 1e9);
            pause = std::max(pause, watch.worst);
            if (conn.ExecScalar(QStringLiteral("SELECT count(*) FROM bench_sqlwin")) != count)
                state.SkipWithError("not every row was inserted");

            fresh();
            const double connect = TimePsqlFile(psql, empty);
            const double run = TimePsqlFile(psql, file);
            if (connect >= 0 && run >= 0 &&
                conn.ExecScalar(QStringLiteral("SELECT count(*) FROM bench_sqlwin")) == count)
                theirs.push_back(run - connect);
            conn.Exec(QStringLiteral("DROP TABLE bench_sqlwin"));
        }
    }
    const Spread o = SpreadOf(ours), p = SpreadOf(theirs);
    std::printf("SQL window: 20,000 one-line INSERT statements, %zu rounds alternating with psql (%s), "
                "from the start of the run until its last statement is reported, connecting not timed:\n"
                "  ours min %.3f median %.3f max %.3f s\n",
                ours.size(), qPrintable(psql), o.min, o.median, o.max);
    if (!theirs.empty())
        std::printf("  psql min %.3f median %.3f max %.3f s\n", p.min, p.median, p.max);
    tvbench::printBeside("SQL window: 20,000 one-line INSERT statements (medians)", o.median,
                         theirs.empty() ? -1 : p.median);
    std::printf("longest event-loop pause during the runs %lld ms; goal: median within 1.0 x psql (%s), "
                "Esc answered within a second (%s)\n",
                pause, !theirs.empty() && o.median <= p.median ? "met" : "missed", pause < 1000 ? "met" : "missed");
    std::fflush(stdout);
    state.counters["seconds"] = o.median;
    state.counters["psql_seconds"] = p.median;
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
