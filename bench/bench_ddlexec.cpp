// A 5,000-statement DDL script through the execution dialog: the time per
// statement in five successive slices of the run, so that a log that grows
// slower as it fills shows as a rising slice time. Two runs: the log alone
// (statements not sent) and real statements against the test server (the PG*
// environment of scripts/test-db). Beside it psql runs the same script.
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

void Run(benchmark::State &state, bool send)
{
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use(&dialogs);
    tvOption.CloseDDL = true;
    for (auto _ : state) {
        BenchConnection conn(send);
        try {
            conn.dbsMain().Open(); // every parameter from libpq's PG* environment
        } catch (const tv::Error &e) {
            state.SkipWithError(e.text().toStdString().c_str());
            return;
        }
        QStringList script = Script();
        QElapsedTimer total;
        conn.Start();
        total.start();
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
            return;
        }
        const double seconds = total.nsecsElapsed() / 1e9;
        TfrmDDLExec::WaitProc();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        const auto &t = conn.stamps;
        const int per = kStatements / kSlices;
        std::vector<double> slice;
        // The last slice ends when ShowWindow returned (both clocks started
        // together), so it holds the last statement's log lines too.
        const qint64 end = qint64(seconds * 1e9);
        for (int i = 0; i < int(t.size()); i += per)
            slice.push_back(((i + per < int(t.size()) ? t[i + per] : end) - t[i]) / 1e3 / per);
        const double first = slice.empty() ? 0 : slice.front();
        const double worst = slice.empty() ? 0 : *std::max_element(slice.begin(), slice.end());
        std::printf("%s: %d statements (%d log lines) in %.2f s, %d errors; microseconds per statement by slice:",
                    send ? "server" : "log only", int(t.size()), kStatements * 5 + 2, seconds, errors);
        for (double v : slice)
            std::printf(" %.0f", v);
        std::printf("\nworst slice / first slice %.2f (goal: no growth, <= 1.5: %s)\n", first > 0 ? worst / first : 0.0,
                    first > 0 && worst / first <= 1.5 ? "met" : "missed");
        if (send) {
            QTemporaryDir dir;
            const QString file = dir.filePath(QStringLiteral("script.sql"));
            QFile f(file);
            if (f.open(QIODevice::WriteOnly)) {
                f.write(Script().join(QLatin1Char('\n')).toUtf8());
                f.close();
                const double psql = tvbench::timePsql({QStringLiteral("-q"), QStringLiteral("-f"), file});
                tvbench::printBeside("5,000 CREATE TEMP TABLE statements", seconds, psql);
            }
        }
        std::fflush(stdout);
        state.counters["seconds"] = seconds;
        state.counters["worst_over_first"] = first > 0 ? worst / first : 0;
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
