// A 5,000-statement DDL script through the execution dialog: the time per
// statement in five successive slices of the run, so that a log that grows
// slower as it fills shows as a rising slice time. Two runs: the log alone
// (statements not sent) and real statements against the test server (the PG*
// environment of scripts/test-db). Beside it psql runs the same script, ours
// and psql's runs alternating three times (DDL_ROUNDS), both timed with
// connecting; min/median/max of each and the ratio of the medians are printed.
// Each table goes when its statement commits (auto-commit), so the run holds
// no lock past its statement and leaves the server as it found it: 5,000
// temporary tables left to the session's end would be dropped in one
// transaction and can run the server out of shared memory.
// DDL_N=<count> runs another number of statements (a longer log shows more
// plainly whether the time per line stays flat).
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/IConnectionWindow.h"
#include "common/tvOption.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/frmDDLExec.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int kStatements = qEnvironmentVariableIsSet("DDL_N") ? qEnvironmentVariableIntValue("DDL_N") : 5000;
constexpr int kSlices = 5;

// A connection window reduced to what the execution dialog uses; it notes
// the time of every statement.
class BenchConnection : public IConnectionWindow {
public:
    explicit BenchConnection(bool send) : m_send(send) {}
    QWidget *FormWidget() override { return &m_widget; }
    tv::db::Connection &dbsMain() override { return m_conn; }
    QString ConnectionText() const override { return {}; }
    QString DBName() const override { return {}; }
    int DBVer() const override { return 150000; }
    bool g_bPostgresPlus() const override { return false; }
    bool g_Linux_Ver() const override { return true; }
    int MYSID() const override { return -1; }
    bool DBAMODE() const override { return false; }
    void ExecuteSQL(const QString &SQLText) override
    {
        stamps.push_back(m_timer.nsecsElapsed());
        if (m_send)
            m_conn.Exec(SQLText);
    }
    void ExecuteSQL(const QString &, const QStringList &) override {}
    void ExecuteSQL(const QStringList &, bool) override {}
    tv::db::Query &OpenSQL(const QString &) override { throw tv::Error(QStringLiteral("not here")); }
    tv::db::Query &OpenSQL(const QString &, const QStringList &) override
    {
        throw tv::Error(QStringLiteral("not here"));
    }
    int GetMySID() override { return -1; }
    QString VerStr(int, const QString &S1, const QString &) const override { return S1; }
    void GetSchemaInfo(QStringList &, bool) override {}

    void Start() { m_timer.start(); }
    qint64 Elapsed() const { return m_timer.nsecsElapsed(); }
    std::vector<qint64> stamps;

private:
    bool m_send;
    QWidget m_widget;
    tv::db::Connection m_conn;
    QElapsedTimer m_timer;
};

QStringList Script()
{
    QStringList lines;
    for (int i = 0; i < kStatements; ++i) {
        lines << QStringLiteral("CREATE TEMP TABLE bench_%1 (").arg(i) << QStringLiteral("    a integer,")
              << QStringLiteral("    b text) ON COMMIT DROP") << QStringLiteral(";");
    }
    return lines;
}

// One run of the script through the dialog on a new connection; the time
// includes connecting, as psql's does. Returns false (and skips the
// benchmark) when it could not run.
bool RunOnce(benchmark::State &state, bool send, double &seconds, double &worstOverFirst)
{
    BenchConnection conn(send);
    QStringList script = Script();
    QElapsedTimer total;
    total.start();
    try {
        conn.dbsMain().Open(); // every parameter from libpq's PG* environment
    } catch (const tv::Error &e) {
        state.SkipWithError(e.text().toStdString().c_str());
        return false;
    }
    conn.Start();
    int errors = 0;
    try {
        errors = TfrmDDLExec::ShowWindow(&conn, script);
    } catch (const tv::SilentAbort &) {
        // A statement failed: its message is the last text of the log.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<TfrmDDLExec *>(w); d && d->isVisible()) {
                const QStringList log = d->txtLog->Lines()->ToStringList();
                state.SkipWithError(log.mid(std::max<qsizetype>(0, log.size() - 3)).join(QLatin1Char(' ')).toStdString().c_str());
                delete d;
            }
        return false;
    }
    const qint64 end = conn.Elapsed();
    seconds = total.nsecsElapsed() / 1e9;
    TfrmDDLExec::WaitProc();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const auto &t = conn.stamps;
    const int per = std::max(1, kStatements / kSlices);
    std::vector<double> slice;
    // A slice runs from its first statement to the next slice's first; the
    // last one to its own last statement, so the closing (the summary lines
    // and the last repaint, once a run) is left to the whole time.
    for (int i = 0; i < int(t.size()); i += per) {
        const int n = std::min(per, int(t.size()) - i);
        if (i + per < int(t.size()))
            slice.push_back((t[i + per] - t[i]) / 1e3 / per);
        else if (n > 1)
            slice.push_back((t.back() - t[i]) / 1e3 / (n - 1));
        else
            slice.push_back((end - t[i]) / 1e3);
    }
    const double first = slice.empty() ? 0 : slice.front();
    const double worst = slice.empty() ? 0 : *std::max_element(slice.begin(), slice.end());
    worstOverFirst = first > 0 ? worst / first : 0;
    std::printf("%s: %d statements (%d log lines) in %.2f s with connecting, %d errors; microseconds per statement "
                "by slice:",
                send ? "server" : "log only", int(t.size()), kStatements * 5 + 2, seconds, errors);
    for (double v : slice)
        std::printf(" %.0f", v);
    std::printf("\nworst slice / first slice %.2f (goal: no growth, <= 1.5: %s)\n", worstOverFirst,
                first > 0 && worstOverFirst <= 1.5 ? "met" : "missed");
    return true;
}

void Run(benchmark::State &state, bool send)
{
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use(&dialogs);
    tvOption.CloseDDL = true;
    // Against the server ours and psql's runs alternate (DDL_ROUNDS, 3), so
    // both meet the same load; the medians are compared.
    const int rounds = send ? std::max(1, qEnvironmentVariableIsSet("DDL_ROUNDS")
                                              ? qEnvironmentVariableIntValue("DDL_ROUNDS")
                                              : 3)
                            : 1;
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("script.sql"));
        if (send) {
            QFile f(file);
            if (!f.open(QIODevice::WriteOnly)) {
                state.SkipWithError("cannot write the script file");
                return;
            }
            f.write(Script().join(QLatin1Char('\n')).toUtf8());
        }
        std::vector<double> ours, psql, growth;
        for (int r = 0; r < rounds; ++r) {
            double seconds = 0, worstOverFirst = 0;
            if (!RunOnce(state, send, seconds, worstOverFirst))
                return;
            ours.push_back(seconds);
            growth.push_back(worstOverFirst);
            if (send)
                psql.push_back(tvbench::timePsql({QStringLiteral("-q"), QStringLiteral("-v"),
                                                  QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-f"), file}));
        }
        if (send) {
            std::printf("ours  min/median/max %.3f / %.3f / %.3f s\n", tvbench::Min(ours), tvbench::Median(ours),
                        tvbench::Max(ours));
            std::printf("psql  min/median/max %.3f / %.3f / %.3f s\n", tvbench::Min(psql), tvbench::Median(psql),
                        tvbench::Max(psql));
            tvbench::printBeside(QStringLiteral("%1 CREATE TEMP TABLE statements, medians of %2 alternating runs "
                                                "(connecting included)")
                                     .arg(kStatements)
                                     .arg(rounds)
                                     .toStdString(),
                                 tvbench::Median(ours), tvbench::Median(psql));
        }
        std::fflush(stdout);
        state.counters["seconds"] = tvbench::Median(ours);
        state.counters["worst_over_first"] = tvbench::Median(growth);
        if (send)
            state.counters["psql_seconds"] = tvbench::Median(psql);
    }
}

void BM_DDLExecLogOnly(benchmark::State &state)
{
    Run(state, false);
}

void BM_DDLExecServer(benchmark::State &state)
{
    Run(state, true);
}

} // namespace

BENCHMARK(BM_DDLExecLogOnly)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DDLExecServer)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = EndSharedServices});
}
