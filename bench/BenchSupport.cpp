#include "BenchSupport.h"

#include "platform/db/Connection.h"
#include "platform/process/HeapPages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <sys/resource.h>
#include <ctime>

namespace tvbench {

namespace {
double Seconds(const timeval &t)
{
    return double(t.tv_sec) + t.tv_usec / 1e6;
}
double ChildrenCpu()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return Seconds(u.ru_utime) + Seconds(u.ru_stime);
}
} // namespace

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

double timePsql(const QStringList &args, double *cpuSeconds)
{
    const double cpuBefore = ChildrenCpu();
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardInputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("psql"), QStringList{QStringLiteral("-X")} + args);
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitCode() != 0)
        return -1;
    const double seconds = t.nsecsElapsed() / 1e9;
    if (cpuSeconds)
        *cpuSeconds = ChildrenCpu() - cpuBefore;
    return seconds;
}

namespace {
long long statusBytes(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray k(key);
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(k))
            return line.mid(k.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}
} // namespace

double Min(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

double Max(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

long long peakRssBytes()
{
    return statusBytes("VmHWM:");
}

long long rssBytes()
{
    return statusBytes("VmRSS:");
}

bool resetPeakRss()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

void ServerFloor::measure(tv::db::Connection &conn)
{
    double seconds = -1;
    try {
        const QString plan = conn.ExecScalar(QStringLiteral("EXPLAIN (ANALYZE, TIMING OFF, SUMMARY ON, FORMAT JSON) ") + FSql);
        const QRegularExpression re(QStringLiteral("\"(Planning|Execution) Time\": ([0-9.]+)"));
        for (auto m = re.globalMatch(plan); m.hasNext();)
            seconds = std::max(0.0, seconds) + m.next().captured(2).toDouble() / 1000;
    } catch (const tv::Error &) {
        seconds = -1;
    }
    FExecute.push_back(seconds);
    const QString copy = QStringLiteral("COPY (%1) TO STDOUT").arg(FSql);
    FCopy.push_back(timePsql({QStringLiteral("-c"), copy}));
    FBinary.push_back(timePsql({QStringLiteral("-c"), copy + QStringLiteral(" (FORMAT binary)")}));
}

namespace {
// The median, or -1 when any measurement failed.
double MedianOrNone(const std::vector<double> &v)
{
    return v.empty() || *std::min_element(v.begin(), v.end()) < 0 ? -1 : Median(v);
}
} // namespace

double ServerFloor::execute() const
{
    return MedianOrNone(FExecute);
}

double ServerFloor::copyText() const
{
    return MedianOrNone(FCopy);
}

double ServerFloor::copyBinary() const
{
    return MedianOrNone(FBinary);
}

void ServerFloor::print(double ours, double psql) const
{
    const auto line = [psql](const char *what, double s) {
        if (s < 0)
            std::printf("    %-46s not available\n", what);
        else if (psql > 0)
            std::printf("    %-46s %.3f s = %.2f x psql\n", what, s, s / psql);
        else
            std::printf("    %-46s %.3f s\n", what, s);
    };
    std::printf("  the server alone, medians:\n");
    line("planning + executing, no row sent", execute());
    line("COPY (...) TO STDOUT, text", copyText());
    line("COPY (...) TO STDOUT (FORMAT binary)", copyBinary());
    double fastest = copyText();
    if (copyBinary() > 0 && (fastest < 0 || copyBinary() < fastest))
        fastest = copyBinary();
    if (fastest > 0)
        std::printf("  ours / the faster COPY %.2f\n", ours / fastest);
    std::fflush(stdout);
}

void printBeside(const std::string &what, double ours, double psql)
{
    if (psql > 0)
        std::printf("%s: ours %.3f s, psql %.3f s, ratio %.2f\n", what.c_str(), ours, psql, ours / psql);
    else
        std::printf("%s: ours %.3f s (psql not available)\n", what.c_str(), ours);
    std::fflush(stdout);
}

QStringList logonArgs(const QString &database, const QString &defaultPort)
{
    QStringList a{QStringLiteral("/U=") + qEnvironmentVariable("PGUSER"), QStringLiteral("/D=") + database,
                  QStringLiteral("/H=") + qEnvironmentVariable("PGHOST"),
                  QStringLiteral("/P=") + qEnvironmentVariable("PGPORT", defaultPort)};
    if (!qEnvironmentVariableIsEmpty("PGPASSWORD"))
        a << QStringLiteral("/PS=") + qEnvironmentVariable("PGPASSWORD");
    return a;
}

tv::db::ConnectionParams benchDatabase(const QString &name)
{
    tv::db::Connection admin;
    admin.Open();
    if (admin.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_database WHERE datname = '") + name +
                         QStringLiteral("'")) == QLatin1String("0"))
        admin.Exec(QStringLiteral("CREATE DATABASE ") + name);
    tv::db::ConnectionParams p = admin.Params();
    p.Database = name;
    return p;
}

int runInApplication(int argc, char **argv, const AppRun &run)
{
    tv::process::StartWithHugePageHeap(argv); // the heap as the program has it
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::optional<QTemporaryDir> config;
    if (run.scratchConfig) {
        config.emplace();
        qputenv("TALVEX_CONFIG_DIR", config->path().toLocal8Bit());
    }
    QApplication app(argc, argv);
    if (run.start)
        run.start();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (run.stop)
        run.stop();
    return 0;
}

} // namespace tvbench
