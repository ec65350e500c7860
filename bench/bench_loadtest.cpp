// The load test and the dump listing.
//
// BM_LoadTestRun: 20 sessions of 500 one-row INSERTs each through the load
// test window, timed from "実行(&E)" until the last session has finished,
// printed beside 20 psql processes running the same file in parallel; a
// 10 ms timer in the window's thread records the longest gap between its
// ticks, the time the user interface did not answer. The database
// "tv_bench_loadtest" is kept on the server of the PG* environment.
//
// BM_DumpScan: the scan of a 200 MB SQL file of 100,000 tables for the
// picker, printed beside `grep -c '^CREATE TABLE '` on the same file.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStringGrid.h"
#include "platform/db/Connection.h"
#include "tools/DataPumpFiles.h"
#include "tools/frmDBTest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_loadtest");
constexpr int Sessions = 20;
constexpr int Inserts = 500;

struct Session : tvbench::Logon {
    TfrmDBTest *win = nullptr;
    QTemporaryDir dir;
    QString script; // the same inserts for psql
};

Session *TheSession = nullptr;
QString SetupError;

Session *Setup()
{
    if (TheSession || !SetupError.isEmpty())
        return TheSession;
    try {
        {
            tv::db::Connection c(tvbench::benchDatabase(BenchDb));
            c.Open();
            c.Exec(QStringLiteral("CREATE TABLE IF NOT EXISTS lt (v int)"));
        }
        auto *s = new Session;
        TheSession = s;
        if (!s->start(BenchDb, SetupError, {}, true))
            return nullptr;
        s->win = TfrmDBTest::Create(s->form);
        QString text;
        for (int i = 0; i < Inserts; ++i) {
            s->win->grdCommand->SetEditText(1, i + 1, QStringLiteral("insert into lt values (%1)").arg(i));
            text += QStringLiteral("insert into lt values (%1);\n").arg(i);
        }
        s->script = s->dir.filePath(QStringLiteral("inserts.sql"));
        QFile f(s->script);
        f.open(QIODevice::WriteOnly);
        f.write(text.toUtf8());
        s->win->txtSesCount->SetText(QString::number(Sessions));
        s->win->spnTime->setValue(0);
        s->win->chkError->setChecked(true);
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    return TheSession;
}

// Seconds of one run; *gapMs receives the longest pause of the event loop.
double TimeRun(Session *s, double *gapMs)
{
    QElapsedTimer tick;
    double worst = 0;
    QTimer probe;
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (tick.isValid())
            worst = qMax(worst, tick.nsecsElapsed() / 1e6 - 10);
        tick.restart();
    });
    QElapsedTimer t;
    t.start();
    probe.start();
    s->win->actExecUpdate();
    s->win->actExec->trigger();
    while (s->win->DoneCount() < Sessions)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double secs = t.nsecsElapsed() / 1e9;
    probe.stop();
    while (s->win->Running())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (gapMs)
        *gapMs = worst;
    return secs;
}

double TimeParallelPsql(Session *s)
{
    QList<QProcess *> procs;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < Sessions; ++i) {
        auto *p = new QProcess;
        p->setStandardOutputFile(QProcess::nullDevice());
        p->setStandardInputFile(QProcess::nullDevice());
        p->start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-d"), BenchDb,
                                          QStringLiteral("-f"), s->script});
        procs << p;
    }
    bool ok = true;
    for (QProcess *p : procs) {
        ok = p->waitForFinished(-1) && p->exitCode() == 0 && ok;
        delete p;
    }
    return ok ? t.nsecsElapsed() / 1e9 : -1;
}

void BM_LoadTestRun(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    double gap = 0, worst = 0;
    for (auto _ : state) {
        TimeRun(s, &gap);
        worst = qMax(worst, gap);
    }
    state.counters["ui_gap_ms"] = worst;
}

// The SQL file of the listing: 100,000 tables, about 2 KB of DDL each.
QString ScanFile(QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("BIG.SQL"));
    if (QFile::exists(path))
        return path;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    QByteArray cols;
    for (int c = 0; c < 40; ++c)
        cols += QByteArray("   \"COLUMN_") + QByteArray::number(c) + "\" VARCHAR2(40 BYTE) NOT NULL ENABLE,\n";
    for (int i = 0; i < 100000; ++i) {
        QByteArray t = "-- new object type path: SCHEMA_EXPORT/TABLE/TABLE\nCREATE TABLE \"OWNER" +
                       QByteArray::number(i % 50) + "\".\"TABLE_" + QByteArray::number(i) + "\" \n   (\n";
        t += cols;
        t += "   ) SEGMENT CREATION IMMEDIATE PCTFREE 10 TABLESPACE \"USERS\" ;\n";
        f.write(t);
    }
    return path;
}

QTemporaryDir *ScanDir = nullptr;

void BM_DumpScan(benchmark::State &state)
{
    if (!ScanDir)
        ScanDir = new QTemporaryDir;
    const QString path = ScanFile(*ScanDir);
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the SQL file");
        return;
    }
    qsizetype found = 0;
    for (auto _ : state) {
        TDumpSqlScanner sc;
        sc.ScanFile(path);
        found = sc.Tables.size();
    }
    state.counters["tables"] = double(found);
    state.counters["MB"] = QFile(path).size() / 1e6;
}

double TimeGrep(const QString &path)
{
    // Its output read through a pipe: grep stops at the first match when it
    // writes to the null device.
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("grep"), {QStringLiteral("-c"), QStringLiteral("^CREATE TABLE "), path});
    if (!p.waitForStarted() || !p.waitForFinished(-1))
        return -1;
    return t.nsecsElapsed() / 1e9;
}

} // namespace

BENCHMARK(BM_LoadTestRun)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DumpScan)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    const auto stop = [] {
        if (Session *s = TheSession; s && s->win) {
            double gap = 0;
            const double ours = TimeRun(s, &gap);
            const double psql = TimeParallelPsql(s);
            tvbench::printBeside("20 sessions of 500 one-row INSERTs", ours, psql);
            std::printf("longest pause of the user interface during the run: %.1f ms\n", gap);
        }
        if (ScanDir) {
            const QString path = ScanFile(*ScanDir);
            QElapsedTimer t;
            t.start();
            TDumpSqlScanner sc;
            sc.ScanFile(path);
            const double ours = t.nsecsElapsed() / 1e9;
            const double grep = TimeGrep(path);
            std::printf("scan of a %.0f MB SQL file of %lld tables: ours %.3f s, grep -c %.3f s, ratio %.2f\n",
                        QFile(path).size() / 1e6, (long long)sc.Tables.size(), ours, grep, grep > 0 ? ours / grep : 0.0);
            delete ScanDir;
            ScanDir = nullptr;
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
