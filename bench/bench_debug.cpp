// The PL/pgSQL debugger over the test server (PG* environment, pldebugger
// preloaded): 1,000 "ステップ(&S)" through a loop of 10,000 iterations with 40
// variables, and DEBUG until the first stop with many idle sessions on the
// server, beside 1,000 "SELECT 1" through psql -f.
#include "BenchSupport.h"
#include "common/Globals.h"
#include "platform/db/Connection.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/frmDebug.h"
#include "sql/frmExecProc.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kSteps = 1000;
constexpr int kIdleSessions = 200;

QStringList LogonArgs()
{
    return tvbench::logonArgs(qEnvironmentVariable("PGDATABASE"), QStringLiteral("5432"));
}

QString LoopFunction()
{
    QStringList decl;
    for (int i = 1; i <= 40; ++i)
        decl << QStringLiteral("  v%1 int := %1;").arg(i);
    return QStringLiteral("CREATE OR REPLACE FUNCTION public.bench_debug_loop() RETURNS int LANGUAGE plpgsql AS $$\n"
                          "DECLARE\n") +
           decl.join(QLatin1Char('\n')) +
           QStringLiteral("\n  s int := 0;\nBEGIN\n  FOR i IN 1..10000 LOOP\n    s := s + i;\n  END LOOP;\n"
                          "  RETURN s;\nEND\n$$");
}

struct Session {
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use{&dialogs};
    std::unique_ptr<TfrmMain> main;
    TfrmExecProc *w = nullptr;

    bool Start()
    {
        main = std::make_unique<TfrmMain>(LogonArgs());
        main->FormPaint();
        TfrmObject *cw = main->CurrentObjectForm();
        if (!cw)
            return false;
        cw->dbsMain().ExecOnSideConnection(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pldbgapi"));
        cw->dbsMain().ExecOnSideConnection(LoopFunction());
        const qint64 oid =
            cw->dbsMain().OpenSideConnection()->ExecScalar(QStringLiteral("SELECT 'public.bench_debug_loop()'::regprocedure::oid")).toLongLong();
        w = new TfrmExecProc(cw, QStringLiteral("public"), QStringLiteral("bench_debug_loop"), 52, oid, true);
        w->ShowForm();
        return true;
    }
    // Starts a debug run; true once the debugger shows the first stop.
    bool Debug()
    {
        dialogs.clear();
        tv::ui::Guard([this] { w->btnDebugClick(); });
        for (const QString &t : dialogs.texts())
            std::fprintf(stderr, "message: %s\n", qPrintable(t));
        return w->FDebug != nullptr;
    }
    void EndRun()
    {
        if (!w->FDebug)
            return;
        dialogs.queueButton(tv::ui::IDYES);
        w->FDebug->actAbortExecute();
        QElapsedTimer t;
        t.start();
        while (w->RunActive() && t.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ~Session()
    {
        if (main && main->CurrentObjectForm()) {
            try {
                main->CurrentObjectForm()->dbsMain().ExecOnSideConnection(
                    QStringLiteral("DROP FUNCTION IF EXISTS public.bench_debug_loop()"));
            } catch (...) {
            }
        }
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

double PsqlSelectOne()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("select1.sql"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly))
        return -1;
    for (int i = 0; i < kSteps; ++i)
        f.write("SELECT 1;\n");
    f.close();
    return tvbench::timePsql({QStringLiteral("-q"), QStringLiteral("-f"), file});
}

void BM_DebugSteps(benchmark::State &state)
{
    Session s;
    if (!s.Start()) {
        state.SkipWithError("no logon (PG* environment of scripts/test-db)");
        return;
    }
    double ours = 0;
    for (auto _ : state) {
        if (!s.Debug()) {
            state.SkipWithError("the debugger did not attach");
            return;
        }
        QElapsedTimer t;
        t.start();
        int done = 0;
        for (; done < kSteps && s.w->FDebug; ++done) {
            s.w->FDebug->actNextLine->trigger();
            if (qEnvironmentVariableIsSet("TV_BENCH_TRACE") && done % 50 == 0)
                std::fprintf(stderr, "step %d line %d %.3f s\n", done, s.w->FDebug ? s.w->FDebug->FStackInfo.Line : -1,
                             t.nsecsElapsed() / 1e9);
        }
        if (done < kSteps)
            state.SkipWithError("the run ended before the last step");
        ours = t.nsecsElapsed() / 1e9;
        s.EndRun();
    }
    const double psql = PsqlSelectOne();
    tvbench::printBeside("debugger: 1,000 steps (40 variables)", ours, psql);
    if (psql > 0)
        std::printf("goal: a step within 10 x one psql statement: %.2f x (%s)\n", ours / psql,
                    ours / psql <= 10 ? "met" : "missed");
    std::fflush(stdout);
    state.counters["step_ms"] = ours * 1000 / kSteps;
}

void BM_DebugFirstStop(benchmark::State &state)
{
    Session s;
    if (!s.Start()) {
        state.SkipWithError("no logon (PG* environment of scripts/test-db)");
        return;
    }
    // Idle sessions, as many as the server takes without crowding out others.
    auto &conn = s.main->CurrentObjectForm()->dbsMain();
    const int max = conn.ExecScalar(QStringLiteral("SHOW max_connections")).toInt();
    const int used = conn.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity")).toInt();
    // TV_BENCH_IDLE_SESSIONS lowers the count on a server shared with others.
    const int wanted = qEnvironmentVariableIsSet("TV_BENCH_IDLE_SESSIONS")
                           ? std::min(int(state.range(0)), qEnvironmentVariableIntValue("TV_BENCH_IDLE_SESSIONS"))
                           : int(state.range(0));
    const int idle = std::max(0, std::min(wanted, max - used - 30));
    std::vector<PGconn *> sessions;
    for (int i = 0; i < idle; ++i) {
        PGconn *c = PQconnectdb("");
        if (PQstatus(c) != CONNECTION_OK) {
            PQfinish(c);
            break;
        }
        sessions.push_back(c);
    }
    double ours = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        const bool attached = s.Debug();
        ours = t.nsecsElapsed() / 1e9;
        if (!attached)
            state.SkipWithError("the debugger did not attach");
        s.EndRun();
    }
    for (PGconn *c : sessions)
        PQfinish(c);
    std::printf("debugger: DEBUG to the first stop with %zu idle sessions: %.3f s (goal within 1 s: %s)\n",
                sessions.size(), ours, ours <= 1 ? "met" : "missed");
    std::fflush(stdout);
    state.counters["first_stop_s"] = ours;
    state.counters["idle_sessions"] = double(sessions.size());
}

} // namespace

BENCHMARK(BM_DebugSteps)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DebugFirstStop)->Arg(0)->Arg(kIdleSessions)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    const auto start = [] {
        tv::ui::InstallEscapeWatch();
        StartSharedServices();
    };
    return tvbench::runInApplication(argc, argv, {.scratchConfig = true, .start = start, .stop = EndSharedServices});
}
