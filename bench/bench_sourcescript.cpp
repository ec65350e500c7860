// Script output of stored programs and sequences, as the connection
// window's OutputScript runs it (the source window's and the sequence
// window's GetScript for each object, without a window): 5,000 functions
// and 1,000 sequences, printed beside pg_dump --schema-only of the same
// schema. Goal: within 2x of pg_dump. Then opening the source window on a
// function of 50,000 lines. Goal: under a second.
// Against the test server (the PG* environment of scripts/test-db), in the
// database "talvex_bench_src". SRC_FUNCS, SRC_SEQS and SRC_LINES change the
// sizes.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/TextUtil.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/frmSource.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QProcess>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <unistd.h>

namespace {

int Env(const char *name, int fallback)
{
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : fallback;
}

const int kFuncs = Env("SRC_FUNCS", 5000);
const int kSeqs = Env("SRC_SEQS", 1000);
const int kLines = Env("SRC_LINES", 50000);
const QString kDatabase = QStringLiteral("talvex_bench_src");

double TimePgDump(const QString &schema)
{
    FindPostgreSQLLocation();
    const QString local = QDir(PostgreSQLLocation).filePath(QStringLiteral("bin/pg_dump"));
    const QString program = !PostgreSQLLocation.isEmpty() && QFileInfo(local).isExecutable()
                                ? local
                                : QStringLiteral("pg_dump");
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(program, {QStringLiteral("--schema-only"), QStringLiteral("-n"), schema, kDatabase});
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitCode() != 0)
        return -1;
    return t.nsecsElapsed() / 1e9;
}

void BM_SourceScript(benchmark::State &state)
{
    const QString schema = QStringLiteral("bench_src_%1").arg(getpid());
    for (auto _ : state) {
        tv::db::Connection c;
        QList<qint64> oids;
        try {
            c.SetParams(tvbench::benchDatabase(kDatabase));
            c.Open();
            c.Exec(QStringLiteral("CREATE SCHEMA %1").arg(schema));
            QString ddl;
            for (int i = 0; i < kFuncs; ++i)
                ddl += QStringLiteral("CREATE FUNCTION %1.f%2(a integer, b text) RETURNS integer LANGUAGE plpgsql"
                                      " AS $$BEGIN RETURN a + %2; END$$;")
                           .arg(schema)
                           .arg(i);
            for (int i = 0; i < kSeqs; ++i)
                ddl += QStringLiteral("CREATE SEQUENCE %1.q%2;").arg(schema).arg(i);
            c.Exec(ddl);
            for (const QString &o : c.ExecScalar(QStringLiteral("SELECT string_agg(oid::text, ',' ORDER BY proname)"
                                                                 " FROM pg_proc WHERE pronamespace = '%1'::regnamespace")
                                                     .arg(schema))
                                        .split(u','))
                oids << o.toLongLong();
        } catch (const tv::Error &e) {
            state.SkipWithError(e.text().toStdString().c_str());
            return;
        }

        tvbench::Logon logon;
        QString error;
        TfrmObject *form = logon.start(kDatabase, error);
        if (!form) {
            state.SkipWithError(error.toStdString().c_str());
            c.Exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));
            return;
        }
        // Names sort as proname: f0, f1, f10 ...
        QStringList names;
        for (int i = 0; i < kFuncs; ++i)
            names << QStringLiteral("f%1").arg(i);
        names.sort();

        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kFuncs; ++i)
            form->OutputScript(52, schema, names[i], buffer, QString(), QString(), oids.value(i, -1));
        for (int i = 0; i < kSeqs; ++i)
            form->OutputScript(58, schema, QStringLiteral("q%1").arg(i), buffer);
        const double ours = t.nsecsElapsed() / 1e9;
        const double dump = TimePgDump(schema);
        c.Exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));

        const std::string what = std::to_string(kFuncs) + " functions and " + std::to_string(kSeqs) + " sequences";
        if (dump > 0)
            std::printf("%s: scripts %.3f s, pg_dump --schema-only %.3f s, ratio %.2f (goal within 2x: %s), %lld bytes\n",
                        what.c_str(), ours, dump, ours / dump, ours / dump <= 2.0 ? "met" : "missed",
                        static_cast<long long>(buffer.size()));
        else
            std::printf("%s: scripts %.3f s (pg_dump not available)\n", what.c_str(), ours);
        std::fflush(stdout);
        state.counters["seconds"] = ours;
        state.counters["pg_dump_seconds"] = dump;
    }
}

void BM_OpenLargeFunction(benchmark::State &state)
{
    const QString schema = QStringLiteral("bench_big_%1").arg(getpid());
    for (auto _ : state) {
        tv::db::Connection c;
        qint64 oid = -1;
        try {
            c.SetParams(tvbench::benchDatabase(kDatabase));
            c.Open();
            QString body;
            body.reserve(kLines * 24);
            for (int i = 0; i < kLines - 8; ++i)
                body += QStringLiteral("  x := x + %1;\n").arg(i % 97);
            c.Exec(QStringLiteral("CREATE SCHEMA %1; CREATE FUNCTION %1.big() RETURNS integer LANGUAGE plpgsql AS"
                                  " $$\nDECLARE x integer := 0;\nBEGIN\n%2  RETURN x;\nEND\n$$")
                       .arg(schema, body));
            oid = c.ExecScalar(QStringLiteral("SELECT '%1.big()'::regprocedure::oid").arg(schema)).toLongLong();
        } catch (const tv::Error &e) {
            state.SkipWithError(e.text().toStdString().c_str());
            return;
        }
        tvbench::Logon logon;
        QString error;
        TfrmObject *form = logon.start(kDatabase, error);
        if (!form) {
            state.SkipWithError(error.toStdString().c_str());
            c.Exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));
            return;
        }
        QElapsedTimer t;
        t.start();
        auto *w = dynamic_cast<TfrmSource *>(
            form->OpenObject(52, schema, QStringLiteral("big"), omSource, false, 0, oid));
        const double seconds = t.nsecsElapsed() / 1e9;
        const int lines = w ? w->txtSource->Lines()->Count() : 0;
        if (w) {
            w->SetModified(false);
            w->Close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        c.Exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));
        std::printf("opening a function of %d lines: %.3f s (goal under 1 s: %s)\n", lines, seconds,
                    seconds < 1.0 && lines >= kLines ? "met" : "missed");
        std::fflush(stdout);
        state.counters["seconds"] = seconds;
        state.counters["lines"] = lines;
    }
}

} // namespace

BENCHMARK(BM_SourceScript)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLargeFunction)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    RegisterOtherWindows();
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = EndSharedServices});
}
