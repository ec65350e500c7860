#pragma once
// Helpers shared by the benchmark programs.
#include "platform/db/ConnectionParams.h"

#include <QString>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <functional>
#include <string>
#include <vector>

namespace tv::db {
class Connection;
}

namespace tvbench {

// Statistics beside the mean and median of repeated runs, for
// ->Repetitions(3)->ComputeStatistics("min", tvbench::Min)->ComputeStatistics("max", tvbench::Max).
double Min(const std::vector<double> &v);
double Max(const std::vector<double> &v);
// The middle value (the mean of the two middle ones for an even count); 0 when empty.
double Median(std::vector<double> v);

// Wall-clock seconds of a shell-free run of psql with the given arguments
// (output to /dev/null); -1 when psql cannot be run. cpuSeconds, when given,
// receives the processor time (user + system) psql took.
double timePsql(const QStringList &args, double *cpuSeconds = nullptr);
// Processor time (user + system) this process has taken so far, in seconds.
double cpuSeconds();
// Peak resident set size of this process so far, in bytes (VmHWM).
long long peakRssBytes();
// Resident set size now, in bytes (VmRSS).
long long rssBytes();
// Starts the peak over from the present size (where the system allows it);
// returns whether it did.
bool resetPeakRss();
// Prints one comparison line: "<what>: ours X s, psql Y s, ratio Z".
void printBeside(const std::string &what, double ours, double psql);

// What the server itself needs for a statement whose rows a client reads,
// measured in turn with the caller's rounds: planning and executing it with
// no row sent (EXPLAIN ANALYZE, timings off), and psql copying its rows out
// (COPY ... TO STDOUT) as text and as binary. No client that reads every row
// can be faster than the server sends them.
class ServerFloor {
public:
    explicit ServerFloor(QString sql) : FSql(std::move(sql)) {}
    // One measurement of each; conn is a connection of the PG* environment.
    void measure(tv::db::Connection &conn);
    double execute() const;
    double copyText() const;
    double copyBinary() const;
    // Prints the medians, each also as a ratio to psql's time when that is
    // known (psql > 0), and ours against the faster COPY.
    void print(double ours, double psql) const;

private:
    QString FSql;
    std::vector<double> FExecute, FCopy, FBinary;
};

// Command line of the main window logging on to the server of the PG*
// environment: "/U=", "/D=" (the given database), "/H=", "/P=" (PGPORT, or
// defaultPort when unset) and "/PS=" when PGPASSWORD is set.
QStringList logonArgs(const QString &database, const QString &defaultPort = QString());
// Creates the database on the server of the PG* environment unless it is
// there already; returns the parameters of a connection to it.
tv::db::ConnectionParams benchDatabase(const QString &name);

// How a benchmark program runs inside its QApplication.
struct AppRun {
    // The settings go to a temporary folder (TALVEX_CONFIG_DIR) for the run.
    bool scratchConfig = false;
    // Called once the application exists, and after the last benchmark.
    std::function<void()> start;
    std::function<void()> stop;
};
// Runs the benchmarks the command line names inside a QApplication, on the
// offscreen platform unless QT_QPA_PLATFORM names another. Returns the exit
// code of the program.
int runInApplication(int argc, char **argv, const AppRun &run = {});

} // namespace tvbench
