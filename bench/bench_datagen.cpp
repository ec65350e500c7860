// The test-data generator: 100,000 rows into a 10-column table (a sequence
// through a fixed value, alphanumeric text, numeric, date, a link to a
// 10,000-row table, 10 % NULL in the nullable columns), with a COMMIT every
// 50 rows and at the end only, auto-commit on and off. Beside it psql runs
// the same INSERTs and COMMITs from a file. Rows per second and the growth
// of the peak resident set are reported. DATAGEN_N=<rows> runs another count.
#include "BenchSupport.h"
#include "common/Quote.h"
#include "platform/db/Connection.h"
#include "platform/ui/EscapeWatch.h"
#include "tools/DataGenRule.h"
#include "tools/DataGenRun.h"
#include "tools/DataGenValue.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

const qint64 kRows = qEnvironmentVariableIsSet("DATAGEN_N") ? qEnvironmentVariableIntValue("DATAGEN_N") : 100000;
const QString kDatabase = QStringLiteral("tv_bench_datagen");

struct Fixture {
    tv::db::ConnectionParams params;
    QString error;
    bool ready = false;
};

Fixture &Setup()
{
    static Fixture f;
    if (f.ready || !f.error.isEmpty())
        return f;
    try {
        f.params = tvbench::benchDatabase(kDatabase);
        tv::db::Connection c(f.params);
        c.Open();
        c.Exec(QStringLiteral(
            "DROP TABLE IF EXISTS g; DROP TABLE IF EXISTS link;"
            "CREATE TABLE link(v text); INSERT INTO link SELECT 'L' || g FROM generate_series(1, 10000) g;"
            "CREATE TABLE g(id serial primary key, code varchar(20) NOT NULL, amount numeric(12,2),"
            " day date, ref text, note varchar(40), qty integer, price numeric(10,2), born date, tag varchar(8))"));
        f.ready = true;
    } catch (const std::exception &e) {
        f.error = QString::fromUtf8(e.what());
    }
    return f;
}

TDataGenJob Job(tv::db::Connection &c)
{
    TDataGenJob job;
    job.Schema = QStringLiteral("public");
    job.Table = QStringLiteral("g");
    ReadTable(c, job);
    SetDefaultRules(job, QDateTime::currentDateTime());
    auto col = [&job](const char *name) -> TColParams & { return job.Cols[job.IndexOf(QString::fromLatin1(name))]; };
    col("code").SetType = stRandStr;
    col("code").StrType = 2;
    for (const char *n : {"amount", "price", "qty"}) {
        col(n).SetType = stRandNum;
        col(n).NumFrom = 0;
        col(n).NumTo = 100000;
        col(n).NullPar = 10;
    }
    for (const char *n : {"day", "born"}) {
        col(n).SetType = stRandDate;
        col(n).DateFrom = QDateTime(QDate(2000, 1, 1), QTime(0, 0));
        col(n).DateTo = QDateTime(QDate(2030, 12, 31), QTime(0, 0));
        col(n).NullPar = 10;
    }
    col("ref").SetType = stLink;
    col("ref").LinkTable = QStringLiteral("link");
    col("ref").LinkColumn = QStringLiteral("v");
    col("ref").NullPar = 10;
    for (const char *n : {"note", "tag"}) {
        col(n).SetType = stRandStr;
        col(n).StrType = 2;
        col(n).NullPar = 10;
    }
    job.Count = kRows;
    NormaliseRules(job, QDate::currentDate());
    return job;
}

// The same INSERTs and COMMITs as a psql script.
QString WriteScript(const QString &path, tv::db::Connection &c, TDataGenJob job, int interval, bool autoCommit)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    QTextStream out(&f);
    TSeededRandom rnd(5);
    TDataGenValues values(job, rnd, &c);
    values.PrepareLinkQueries();
    QStringList cols, fixed;
    for (int i = 0; i < job.Cols.size(); ++i)
        if (job.InStatement(i))
            cols << QuoteIdentifier(job.Cols[i].ColumnName);
    const QString head = QStringLiteral("INSERT INTO g(") + cols.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (");
    if (!autoCommit)
        out << "BEGIN;\n";
    for (qint64 row = 0; row < job.Count; ++row) {
        const auto v = values.RowValues(row);
        QStringList lits;
        for (int i = 0, k = 0; i < job.Cols.size(); ++i) {
            if (!job.InStatement(i))
                continue;
            if (job.Cols[i].SetType == stVar) {
                lits << ParameterText(job.Cols[i]);
                continue;
            }
            const TGenValue &x = v[size_t(k++)];
            lits << (x ? QuoteLiteral(*x) : QStringLiteral("NULL"));
        }
        out << head << lits.join(QStringLiteral(", ")) << ");\n";
        if (interval != 0 && (row + 1) % interval == 0) {
            out << "COMMIT;\n";
            if (!autoCommit)
                out << "BEGIN;\n";
        }
    }
    out << "COMMIT;\n";
    values.FreeLinkQueries();
    return path;
}

void BM_DataGen(benchmark::State &state)
{
    Fixture &f = Setup();
    if (!f.ready) {
        state.SkipWithError(f.error.toStdString().c_str());
        return;
    }
    const int interval = int(state.range(0));
    const bool autoCommit = state.range(1) != 0;
    tv::db::Connection c(f.params);
    c.Open();
    c.SetAutoCommit(autoCommit);
    TDataGenJob job = Job(c);
    for (auto _ : state) {
        state.PauseTiming();
        c.Exec(QStringLiteral("TRUNCATE g"));
        if (!autoCommit)
            c.Exec(QStringLiteral("COMMIT"));
        const long long before = tvbench::peakRssBytes();
        state.ResumeTiming();
        TSeededRandom rnd(9);
        TDataGenRunEnv env;
        env.Escape = [] { return tv::ui::EscapePressed(); };
        env.CommitInterval = interval;
        QElapsedTimer t;
        t.start();
        TDataGenRunner run(c, job, rnd, env);
        run.Run();
        const double secs = t.nsecsElapsed() / 1e9;
        state.PauseTiming();
        const long long peak = tvbench::peakRssBytes();
        QTemporaryDir dir;
        c.Exec(QStringLiteral("TRUNCATE g"));
        if (!autoCommit)
            c.Exec(QStringLiteral("COMMIT"));
        const QString script = WriteScript(dir.filePath(QStringLiteral("g.sql")), c, job, interval, autoCommit);
        if (!autoCommit)
            c.Exec(QStringLiteral("COMMIT"));
        c.Exec(QStringLiteral("TRUNCATE g"));
        if (!autoCommit)
            c.Exec(QStringLiteral("COMMIT"));
        const double psql = tvbench::timePsql({QStringLiteral("-q"), QStringLiteral("-d"), f.params.Database,
                                               QStringLiteral("-f"), script});
        char what[160];
        std::snprintf(what, sizeof what, "%lld rows, interval %d, auto-commit %s", (long long)kRows, interval,
                      autoCommit ? "on" : "off");
        tvbench::printBeside(what, secs, psql);
        state.counters["rows_per_s"] = double(run.Done()) / secs;
        state.counters["psql_rows_per_s"] = psql > 0 ? double(kRows) / psql : 0;
        state.counters["rss_growth_mb"] = (peak - before) / 1e6;
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_DataGen)
    ->ArgsProduct({{50, 0}, {1, 0}})
    ->ArgNames({"interval", "autocommit"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return tvbench::runInApplication(argc, argv, {true});
}
