// The object comparison and the list output. The database
// "tv_bench_comp" (built once and kept, on the server of the PG* environment
// of scripts/test-db) holds schemas c1_a/c1_b with 1,000 tables and 1,000
// three-argument functions each and c2_a/c2_b with half that many, every
// second object differing between the two schemas of a pair. Timed: a run
// of the comparison window to its result list, for both sizes (the growth
// ratio is printed; linear is 2.0), the time from an Esc press in the middle
// of the larger run to the end of the run, and the Excel and clipboard
// output of a list of 10,000 rows. At the end a 1,000,000-row table is
// unloaded to a server file and loaded back as CSV by the loader's
// statements through the execution dialog, beside psql running the same
// statements.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "platform/db/Connection.h"
#include "shell/frmDDLExec.h"
#include "tools/ListOutput.h"
#include "tools/LoaderSQL.h"
#include "tools/frmComp.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QToolBar>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <thread>
#include <unistd.h>
#include <pwd.h>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_comp");

void PrepareDatabase()
{
    tv::db::Connection c(tvbench::benchDatabase(BenchDb));
    c.Open();
    if (c.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_class WHERE relname = 'done_marker'")) != QLatin1String("0"))
        return;
    for (const auto &[prefix, n] : std::map<QString, int>{{QStringLiteral("c1"), 1000}, {QStringLiteral("c2"), 500}}) {
        for (const char *side : {"a", "b"}) {
            const QString schema = prefix + QLatin1Char('_') + QLatin1String(side);
            c.Exec(QStringLiteral("CREATE SCHEMA IF NOT EXISTS ") + schema);
            const bool b = QLatin1String(side) == QLatin1String("b");
            c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                                  " EXECUTE format('CREATE TABLE %2.t_%s (id int primary key, name text, v%s int)', i, "
                                  "CASE WHEN %3 AND i % 2 = 0 THEN i + 1 ELSE i END);"
                                  " EXECUTE format('CREATE FUNCTION %2.f_%s(integer, text, date) RETURNS int LANGUAGE "
                                  "sql AS %L', i, 'SELECT ' || CASE WHEN %3 AND i % 2 = 0 THEN 2 ELSE 1 END);"
                                  " IF i % 200 = 0 THEN COMMIT; END IF; END LOOP; END $$")
                       .arg(n)
                       .arg(schema)
                       .arg(b ? QStringLiteral("true") : QStringLiteral("false")));
        }
    }
    c.Exec(QStringLiteral("CREATE TABLE big AS SELECT i AS id, 'name ' || i AS name, i * 0.5 AS v, now() AS at "
                          "FROM generate_series(1, 1000000) i"));
    c.Exec(QStringLiteral("CREATE TABLE big_copy (LIKE big)"));
    c.Exec(QStringLiteral("CREATE TABLE done_marker()"));
}

struct Session : tvbench::Logon {
    TfrmComp *comp = nullptr;
};

Session *TheSession = nullptr;
QString SetupError;
std::map<int, double> Seconds;

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
        s->comp = TfrmComp::Create(s->form);
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    return TheSession;
}

void BM_Compare(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    const int n = int(state.range(0));
    const QString prefix = n == 1000 ? QStringLiteral("c1") : QStringLiteral("c2");
    s->comp->cmbSchema1->setEditText(prefix + QStringLiteral("_a"));
    s->comp->cmbSchema2->setEditText(prefix + QStringLiteral("_b"));
    s->comp->btnTable->setChecked(true);
    s->comp->btnFunc->setChecked(true);
    double total = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        s->comp->CompareObjects();
        QCoreApplication::processEvents();
        total += t.nsecsElapsed() / 1e9;
    }
    // The fastest repetition counts: the machine may be busy with others.
    const double mean = total / double(state.iterations());
    Seconds[n] = Seconds.count(n) ? std::min(Seconds[n], mean) : mean;
    state.counters["rows"] = s->comp->lstComp->ItemCount();
}

// Esc pressed half-way through the larger run, from another thread as the
// window system would deliver it: the time from the press to the end of the
// run (goal: under 0.5 s).
void BM_CompareEsc(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    s->comp->cmbSchema1->setEditText(QStringLiteral("c1_a"));
    s->comp->cmbSchema2->setEditText(QStringLiteral("c1_b"));
    s->comp->btnTable->setChecked(true);
    s->comp->btnFunc->setChecked(true);
    const double full = Seconds.count(1000) ? Seconds[1000] : 2.0;
    const auto delay = std::chrono::milliseconds(qint64(full * 500));
    double worst = 0;
    int rows = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        std::atomic<qint64> pressedAt{-1};
        QWidget *target = s->comp->lstComp;
        // Made here: an event's input device belongs to this thread.
        auto *press = new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        std::thread presser([&, press] {
            std::this_thread::sleep_for(delay);
            pressedAt = clock.nsecsElapsed();
            QCoreApplication::postEvent(target, press);
        });
        s->comp->CompareObjects();
        const qint64 ended = clock.nsecsElapsed();
        presser.join();
        QCoreApplication::processEvents();
        const double answer = pressedAt >= 0 && ended > pressedAt ? (ended - pressedAt) / 1e9 : 0;
        worst = std::max(worst, answer);
        rows = s->comp->lstComp->ItemCount();
        state.SetIterationTime(answer);
    }
    state.counters["worst_s"] = worst;
    state.counters["rows_left"] = rows;
}

void BM_ListOutput(benchmark::State &state)
{
    QWidget window;
    QToolBar bar(&window);
    TtvListView list(&window);
    for (const char *c : {"オブジェクト名", "スキーマ", "タイプ", "補足①", "補足②", "比較結果"})
        list.AddColumn(QString::fromUtf8(c), 100);
    for (int i = 0; i < 10000; ++i)
        list.AddItem(QStringLiteral("object_%1").arg(i), {"schema", "TABLE", "integer,text,date", "int4", "内容一致"});
    TListOutput out(&window, &bar, &list, QStringLiteral("OBJECTCOMP"), 6, false);
    QTemporaryDir dir;
    const bool excel = state.range(0) == 0;
    for (auto _ : state) {
        if (excel)
            TListOutput::WriteWorkbook(&list, 6, dir.filePath(QStringLiteral("OBJECTCOMP.XLSX")));
        else
            benchmark::DoNotOptimize(out.ClipboardText(QStringLiteral("\t")));
    }
    state.SetLabel(excel ? "xlsx, 10,000 rows" : "clipboard text, 10,000 rows");
}

} // namespace

BENCHMARK(BM_Compare)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CompareEsc)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ListOutput)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    const auto stop = [] {
        if (Seconds.count(500) && Seconds.count(1000))
            std::printf("comparison growth, 2,000 objects / 1,000 objects: %.2f (linear 2.0)\n",
                        Seconds[1000] / Seconds[500]);
        if (Session *s = TheSession; s && s->form) {
            // A folder the server may write: owned by the server's account.
            QByteArray templ = QDir::tempPath().toUtf8() + "/tv_bench_copy_XXXXXX";
            if (mkdtemp(templ.data())) {
                const QString folder = QString::fromUtf8(templ) + QLatin1Char('/');
                if (const passwd *pw = getpwnam("postgres"); pw && geteuid() == 0)
                    (void)chown(templ.constData(), pw->pw_uid, pw->pw_gid);
                loader::TCopyChoices csv;
                csv.Format = 1;
                csv.Header = true;
                const QStringList unload = loader::UnloadTables(
                    folder, {{QStringLiteral("public"), QStringLiteral("big")}},
                    loader::OptionLines(csv, s->form->DBVer(), true, false));
                const QStringList load = loader::LoadFile(
                    QStringLiteral("public"), QStringLiteral("big_copy"), {}, folder + QStringLiteral("public.big.dat"),
                    s->form->DBVer(), loader::OptionLines(csv, s->form->DBVer(), false, false));
                const QString psqlScript = (unload + load).join(QLatin1Char('\n'));
                tvOption.CloseDDL = true;
                // Both sides start from an empty target, emptied outside the
                // timing, and both end with their rows committed.
                for (int round = 0; round < 3; ++round) {
                    s->form->ExecuteSQL(QStringLiteral("TRUNCATE big_copy"));
                    QElapsedTimer t;
                    t.start();
                    QStringList script = unload + load;
                    TfrmDDLExec::ShowWindow(s->form, script);
                    TfrmDDLExec::WaitProc();
                    if (s->form->dbsMain().TransactionLevel() > 0)
                        s->form->ExecuteSQL(QStringLiteral("COMMIT"));
                    const double ours = t.nsecsElapsed() / 1e9;
                    const QString loaded =
                        s->form->OpenSQL(QStringLiteral("SELECT count(*) FROM big_copy")).Fields(0).AsString();
                    if (loaded != QLatin1String("1000000"))
                        std::printf("the loader's run left %s rows (expected 1000000)\n", qPrintable(loaded));
                    s->form->ExecuteSQL(QStringLiteral("TRUNCATE big_copy"));
                    const double psql =
                        tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-c"), psqlScript});
                    tvbench::printBeside("COPY unload and reload of 1,000,000 rows", ours, psql);
                }
                s->form->ExecuteSQL(QStringLiteral("TRUNCATE big_copy"));
                QDir(QString::fromUtf8(templ)).removeRecursively();
            }
            s->main.reset();
            delete s;
            TheSession = nullptr;
        }
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = stop});
}
