// The dependency frame's fill for a table used by 200 views at CrossLevel 3
// (both trees, as the frame's ShowData reads them), against the test server
// (the PG* environment of scripts/test-db). It reports the time and the
// statements sent, and times psql -f sending the same statements.
// Goal: within 1.5x of psql. VIEW_N=<count> uses another number of views.
#include "BenchSupport.h"
#include "common/Globals.h"
#include "objects/table/CrossReference.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <unistd.h>

namespace {

const int kViews = qEnvironmentVariableIsSet("VIEW_N") ? qEnvironmentVariableIntValue("VIEW_N") : 200;

void Print(const TCrossNode &n, int level)
{
    std::printf("%*s%d %s\n", level * 2, "", n.Code, n.Text.toUtf8().constData());
    for (const TCrossNode &k : n.Children)
        Print(k, level + 1);
}

int Count(const TCrossNode &n)
{
    int c = 1;
    for (const TCrossNode &k : n.Children)
        c += Count(k);
    return c;
}

void BM_CrossReference(benchmark::State &state)
{
    const QString schema = QStringLiteral("bench_cross_%1").arg(getpid());
    for (auto _ : state) {
        tv::db::Connection c;
        try {
            c.Open();
            QString ddl = QStringLiteral("CREATE SCHEMA %1; CREATE TABLE %1.t (id serial, a int, b text);").arg(schema);
            for (int i = 0; i < kViews; ++i)
                ddl += QStringLiteral("CREATE VIEW %1.v_%2 AS SELECT id, a FROM %1.t WHERE a > %2;").arg(schema).arg(i);
            c.Exec(ddl);
        } catch (const tv::Error &e) {
            state.SkipWithError(e.text().toStdString().c_str());
            return;
        }
        QStringList trace;
        TCrossReader reader(c, c.ServerVersionNum(), false);
        reader.CrossLevel = 3;
        reader.Trace = &trace;
        TCrossNode uses, usedBy;
        QElapsedTimer t;
        t.start();
        reader.Fill(45, schema, QStringLiteral("t"), QString(), QString(), uses, usedBy);
        const double seconds = t.nsecsElapsed() / 1e9;

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("cross.sql"));
        QFile f(file);
        double psql = -1;
        if (f.open(QIODevice::WriteOnly)) {
            for (const QString &s : std::as_const(trace))
                f.write(s.toUtf8() + ";\n");
            f.close();
            psql = tvbench::timePsql({QStringLiteral("-q"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                                      QStringLiteral("-f"), file});
        }
        c.Exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));

        if (kViews <= 3) {
            Print(uses, 0);
            Print(usedBy, 0);
        }
        std::printf("table used by %d views: %d statements, %d + %d nodes\n", kViews, reader.Statements,
                    Count(uses), Count(usedBy));
        tvbench::printBeside("dependency trees", seconds, psql);
        if (psql > 0)
            std::printf("goal: within 1.5 x psql: %s\n", seconds / psql <= 1.5 ? "met" : "missed");
        std::fflush(stdout);
        state.counters["seconds"] = seconds;
        state.counters["statements"] = reader.Statements;
    }
}

} // namespace

BENCHMARK(BM_CrossReference)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = EndSharedServices});
}
