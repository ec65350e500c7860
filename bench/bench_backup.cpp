// A backup of a database of 5,000 small tables in custom format with -v
// (about 20,000 output lines) through the backup window (the memo filled as
// the output arrives), printed beside pg_dump with the same arguments run
// from a shell with its output thrown away. The database "tv_bench_backup"
// is built once and kept, on the server of the PG* environment of
// scripts/test-db. A second benchmark appends 20,000 lines to the log memo
// in batches and reports the cost per line of the first and the last tenth,
// so a memo that slows down as it grows shows.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/ExpOption.h"
#include "common/Globals.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/process/Process.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "tools/ToolRun.h"
#include "tools/frmExp.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_backup");
constexpr int Tables = 5000;

void PrepareDatabase()
{
    tv::db::Connection c(tvbench::benchDatabase(BenchDb));
    c.Open();
    if (c.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_class WHERE relname = 'done_marker'")) != QLatin1String("0"))
        return;
    c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                          " EXECUTE format('CREATE TABLE IF NOT EXISTS bk_%s (id int, t text)', i);"
                          " EXECUTE format('INSERT INTO bk_%s VALUES (1, ''x'')', i);"
                          " IF i % 500 = 0 THEN COMMIT; END IF; END LOOP; END $$")
               .arg(Tables));
    c.Exec(QStringLiteral("CREATE TABLE done_marker()"));
}

struct Session : tvbench::Logon {
    TfrmExp *exp = nullptr;
    QTemporaryDir out;
};

Session *TheSession = nullptr;
QString SetupError;

Session *Setup()
{
    if (TheSession || !SetupError.isEmpty())
        return TheSession;
    try {
        PrepareDatabase();
        auto *s = new Session;
        TheSession = s;
        if (!s->start(BenchDb, SetupError, {}, true))
            return nullptr;
        s->exp = TfrmExp::ShowWindow(s->form, 0, QString(), QString());
        s->exp->rdoFormat->Button(1)->click();
        s->exp->txtExpFile->SetText(s->out.filePath(QStringLiteral("bench.dmp")));
        s->exp->chkLog->setChecked(false);
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    return TheSession;
}

double TimeWindow(Session *s)
{
    QElapsedTimer t;
    t.start();
    s->exp->RunDump();
    return t.nsecsElapsed() / 1e9;
}

double TimeShell(Session *s)
{
    // The same arguments, through a shell, output to /dev/null.
    const TToolCommand cmd = s->exp->Command();
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), tv::process::JoinCommandLine(QStringList{s->exp->txtExpPgm->Text()} + cmd.Arguments)
                                       .replace(QStringLiteral("\"\"\""), QStringLiteral("\\\"")) +
                                       QStringLiteral(" >/dev/null 2>&1")});
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitCode() != 0)
        return -1;
    return t.nsecsElapsed() / 1e9;
}

void BM_BackupThroughWindow(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    for (auto _ : state)
        TimeWindow(s);
    state.counters["lines"] = s->exp->txtLog->Lines()->Count();
}

void BM_MemoAppend(benchmark::State &state)
{
    constexpr int Lines = 20000, Batch = 200;
    double first = 0, last = 0;
    for (auto _ : state) {
        TtvMemo memo;
        memo.SetReadOnly(true);
        memo.resize(600, 400);
        TMemoLineSink sink(&memo);
        for (int b = 0; b < Lines / Batch; ++b) {
            QElapsedTimer t;
            t.start();
            for (int i = 0; i < Batch; ++i)
                sink.AppendLine(QStringLiteral("pg_dump: dumping contents of table \"public.bk_%1\"").arg(b * Batch + i));
            sink.Flush();
            QCoreApplication::processEvents();
            const double ns = double(t.nsecsElapsed()) / Batch;
            if (b < Lines / Batch / 10)
                first += ns;
            else if (b >= Lines / Batch * 9 / 10)
                last += ns;
        }
    }
    const double n = double(state.iterations()) * (Lines / Batch / 10);
    state.counters["ns_per_line_first_tenth"] = first / n;
    state.counters["ns_per_line_last_tenth"] = last / n;
}

} // namespace

BENCHMARK(BM_BackupThroughWindow)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MemoAppend)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    const auto stop = [] {
        if (Session *s = TheSession; s && s->form) {
            const double ours = TimeWindow(s);
            const double shell = TimeShell(s);
            if (shell > 0)
                std::printf("custom backup of 5,000 tables with -v: window %.3f s, pg_dump from a shell %.3f s, ratio %.2f\n",
                            ours, shell, ours / shell);
            else
                std::printf("custom backup of 5,000 tables with -v: window %.3f s (pg_dump from a shell failed)\n", ours);
        }
        if (TheSession) {
            TheSession->main->close();
            TheSession->main.reset();
        }
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = stop});
}
