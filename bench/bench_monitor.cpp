// The session, lock and parameter lists on a busy server: 150 idle sessions
// on the database "tv_bench_monitor" (built once and kept, 5,000 tables, on
// the server of the PG* environment of scripts/test-db) and one transaction
// holding a lock on each of the 5,000 tables. Timed: LoadSessions, LoadLocks
// and LoadParameters of the windows (the list filled and painted once), each
// printed beside psql running the same statement. The counter "paints"
// is the number of paints of the list's viewport per fill.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "controls/tvListView.h"
#include "monitor/MonitorSQL.h"
#include "monitor/frmDB.h"
#include "monitor/frmLock.h"
#include "monitor/frmSession.h"
#include "platform/db/Connection.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_monitor");
constexpr int Sessions = 150;
constexpr int Tables = 5000;

tv::db::ConnectionParams BenchParams()
{
    tv::db::Connection admin;
    tv::db::ConnectionParams p = admin.Params();
    p.Database = BenchDb;
    return p;
}

void PrepareDatabase()
{
    tv::db::Connection c(tvbench::benchDatabase(BenchDb));
    c.Open();
    if (c.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_class WHERE relname = 'done_marker'")) != QLatin1String("0"))
        return;
    c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                          " EXECUTE format('CREATE TABLE IF NOT EXISTS lk_%s (id int)', i);"
                          " IF i % 500 = 0 THEN COMMIT; END IF; END LOOP; END $$")
               .arg(Tables));
    c.Exec(QStringLiteral("CREATE TABLE done_marker()"));
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Session : tvbench::Logon {
    std::vector<std::unique_ptr<tv::db::Connection>> idle;
    std::unique_ptr<tv::db::Connection> locker;
    TfrmSession *session = nullptr;
    TfrmLock *lock = nullptr;
    TfrmDB *db = nullptr;
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
        // The idle sessions (as many as the server admits, up to 150).
        for (int i = 0; i < Sessions; ++i) {
            auto c = std::make_unique<tv::db::Connection>(BenchParams());
            try {
                c->Open();
            } catch (const tv::Error &) {
                break;
            }
            s->idle.push_back(std::move(c));
        }
        s->locker = std::make_unique<tv::db::Connection>(BenchParams());
        s->locker->Open();
        s->locker->Exec(QStringLiteral("BEGIN"));
        s->locker->Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                                       " EXECUTE format('LOCK TABLE lk_%s IN ACCESS SHARE MODE', i); END LOOP; END $$")
                            .arg(Tables));
        if (!s->start(BenchDb, SetupError, {}, true))
            return nullptr;
        s->session = TfrmSession::Create(s->form);
        s->lock = TfrmLock::Create(s->form);
        s->db = TfrmDB::Create(s->form);
        s->db->pagDB->setCurrentWidget(s->db->tabParam);
        std::printf("idle sessions: %d, locks held: %d\n", int(s->idle.size()), Tables);
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    return TheSession;
}

void Fill(benchmark::State &state, TtvListView *list, const std::function<void()> &load)
{
    PaintCounter counter;
    list->viewport()->installEventFilter(&counter);
    int items = 0;
    for (auto _ : state) {
        load();
        QCoreApplication::processEvents(); // the paint of the filled list
        items = list->ItemCount();
    }
    list->viewport()->removeEventFilter(&counter);
    state.counters["items"] = items;
    state.counters["paints"] = double(counter.paints) / double(state.iterations());
}

void BM_LoadSessions(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    Fill(state, s->session->lstSession, [s] { s->session->LoadSessions(); });
}

void BM_LoadLocks(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    Fill(state, s->lock->lstLock, [s] { s->lock->LoadLocks(); });
}

void BM_LoadParameters(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    Fill(state, s->db->lstParameter, [s] { s->db->LoadParameters(QString(), QStringLiteral("(全て)")); });
}

} // namespace

BENCHMARK(BM_LoadSessions)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadLocks)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadParameters)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char **argv)
{
    const auto stop = [] {
        if (Session *s = TheSession; s && s->form) {
            const QString db = QStringLiteral("'") + BenchDb + QStringLiteral("'");
            const int ver = s->form->DBVer();
            struct Line {
                const char *what;
                std::function<void()> ours;
                QString sql;
            } lines[] = {
                {"session list", [s] { s->session->LoadSessions(); },
                 monitor::SessionListSQL(ver).replace(QStringLiteral(":datname"), db)},
                {"lock list", [s] { s->lock->LoadLocks(); },
                 monitor::LockListSQL(ver).replace(QStringLiteral(":db_name"), db)},
                {"parameter list", [s] { s->db->LoadParameters(QString(), QStringLiteral("(全て)")); },
                 monitor::ParameterListSQL().replace(QStringLiteral(":kensaku"), QStringLiteral("'%%'"))
                     .replace(QStringLiteral(":category"), QStringLiteral("'%%'"))},
            };
            for (const Line &l : lines) {
                QElapsedTimer t;
                t.start();
                l.ours();
                QCoreApplication::processEvents();
                const double ours = t.nsecsElapsed() / 1e9;
                tvbench::printBeside(l.what, ours,
                                     tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-c"), l.sql}));
            }
            s->locker->Exec(QStringLiteral("ROLLBACK"));
            s->main.reset();
            s->idle.clear();
            delete s;
            TheSession = nullptr;
        }
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = stop});
}
