// The user list and the script-name table on a large catalog: 5,000 roles,
// 2,000 schemas and 10,000 tables in the database "tv_bench_userlist"
// (built once and kept, on the server of the PG* environment of
// scripts/test-db; the roles belong to the cluster and are dropped again
// when the program ends). Timed: the role and the schema tab (list read and
// painted once), a drop of 100, 300 and 1,000 selected schemas (the counter
// "per_item" should stay flat as the selection grows) and "初期データ登録"
// of the script-name table. The tabs and the initial rows are printed beside
// psql running the same statement.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "monitor/ListActions.h"
#include "monitor/frmUserList.h"
#include "platform/db/Connection.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "tools/ToolWidgets.h"
#include "tools/frmNameTable.h"
#include "tools/frmScriptOption.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_userlist");
constexpr int Roles = 5000;
constexpr int Schemas = 2000;
constexpr int Tables = 10000;

void PrepareDatabase(tv::db::Connection &c)
{
    if (c.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_class WHERE relname = 'done_marker'")) == QLatin1String("0")) {
        c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                              " EXECUTE format('CREATE SCHEMA IF NOT EXISTS sc_%s', i);"
                              " IF i % 500 = 0 THEN COMMIT; END IF; END LOOP; END $$")
                   .arg(Schemas));
        c.Exec(QStringLiteral("CREATE SCHEMA IF NOT EXISTS names"));
        c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                              " EXECUTE format('CREATE TABLE IF NOT EXISTS names.t_%s (id int primary key)', i);"
                              " IF i % 500 = 0 THEN COMMIT; END IF; END LOOP; END $$")
                       .arg(Tables));
        c.Exec(QStringLiteral("CREATE TABLE IF NOT EXISTS names.script_names(owner VARCHAR(255),"
                              " object_name VARCHAR(255), object_type VARCHAR(255), script_name VARCHAR(255))"));
        c.Exec(QStringLiteral("CREATE TABLE done_marker()"));
    }
    c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                          " IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = format('tvb_ul_r%s', i)) THEN"
                          " EXECUTE format('CREATE ROLE tvb_ul_r%s NOLOGIN', i); END IF;"
                          " IF i % 500 = 0 THEN COMMIT; END IF; END LOOP; END $$")
               .arg(Roles));
}

struct Session : tvbench::Logon {
    std::unique_ptr<tv::db::Connection> admin;
    TfrmUserList *list = nullptr;
};

Session *TheSession = nullptr;
QString SetupError;

Session *Setup()
{
    if (TheSession || !SetupError.isEmpty())
        return TheSession;
    try {
        auto *s = new Session;
        TheSession = s;
        s->admin = std::make_unique<tv::db::Connection>(tvbench::benchDatabase(BenchDb));
        s->admin->Open();
        PrepareDatabase(*s->admin);
        if (!s->start(BenchDb, SetupError, [] { tvOption.UpdateToCommit = true; }, true))
            return nullptr;
        s->list = TfrmUserList::Create(s->form);
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    return TheSession;
}

void Tab(benchmark::State &state, int index)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    {
        const QSignalBlocker block(s->list->pagUsrList);
        s->list->pagUsrList->setCurrentIndex(index);
    }
    for (auto _ : state) {
        s->list->Reload(s->list);
        QCoreApplication::processEvents();
    }
    state.counters["items"] = s->list->lstObject->ItemCount();
}

void BM_RoleTab(benchmark::State &state) { Tab(state, 1); }
void BM_SchemaTab(benchmark::State &state) { Tab(state, 2); }

// Drops N freshly made schemas selected in the schema tab.
void BM_DropSchemas(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    const int n = int(state.range(0));
    {
        const QSignalBlocker block(s->list->pagUsrList);
        s->list->pagUsrList->setCurrentIndex(2);
    }
    for (auto _ : state) {
        state.PauseTiming();
        s->admin->Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                                      " EXECUTE format('CREATE SCHEMA IF NOT EXISTS zz_drop_%s', i); END LOOP; END $$")
                           .arg(n));
        s->list->Reload(s->list);
        TtvListView *l = s->list->lstObject;
        l->clearSelection();
        for (int i = 0; i < l->ItemCount(); ++i)
            if (l->Item(i)->Caption().startsWith(QLatin1String("zz_drop_")))
                l->Item(i)->setSelected(true);
        s->dialogs.queueButton(tv::ui::IDYES, {false, false});
        state.ResumeTiming();
        listactions::DropSelected(s->form, l, s->list->Row);
        state.PauseTiming();
        s->dialogs.clear();
        state.ResumeTiming();
    }
    state.counters["per_item"] =
        benchmark::Counter(double(n) * double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// "初期データ登録" of the script-name table: every object of the schema.
void BM_InitialRows(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    auto *w = new TfrmNameTable(s->main.get());
    TfrmScriptOption::SetNameTableEntry(BenchDb, QStringLiteral("names.script_names"));
    w->cmbDBName->addItem(s->form->ConnectionText(), QVariant::fromValue<QObject *>(s->form));
    w->cmbDBName->setCurrentIndex(0);
    w->cmbDBNameChange();
    for (auto _ : state) {
        state.PauseTiming();
        s->admin->Exec(QStringLiteral("TRUNCATE names.script_names"));
        w->Reload(w);
        s->dialogs.queueButton(tv::ui::IDYES, {false});
        state.ResumeTiming();
        w->mnuInstDataClick();
    }
    state.counters["rows"] = s->admin->ExecScalar(QStringLiteral("SELECT count(*) FROM names.script_names")).toDouble();
    delete w;
}

} // namespace

BENCHMARK(BM_RoleTab)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SchemaTab)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DropSchemas)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_InitialRows)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    const auto stop = [] {
        if (Session *s = TheSession; s && s->form) {
            const int ver = s->form->DBVer();
            struct Line {
                const char *what;
                int tab;
                QString sql;
            } lines[] = {
                {"role tab", 1, TfrmUserList::ListSQL(68, ver, false)},
                {"schema tab", 2, TfrmUserList::ListSQL(4, ver, false)},
            };
            for (const Line &l : lines) {
                {
                    const QSignalBlocker block(s->list->pagUsrList);
                    s->list->pagUsrList->setCurrentIndex(l.tab);
                }
                QElapsedTimer t;
                t.start();
                s->list->Reload(s->list);
                QCoreApplication::processEvents();
                const double ours = t.nsecsElapsed() / 1e9;
                tvbench::printBeside(l.what, ours,
                                     tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-c"), l.sql}));
            }
            const QString insert = TfrmNameTable::InitialDataSQL(QStringLiteral("names"), QStringLiteral("script_names"),
                                                                 false, false, ver);
            s->admin->Exec(QStringLiteral("TRUNCATE names.script_names"));
            auto *w = new TfrmNameTable(s->main.get());
            TfrmScriptOption::SetNameTableEntry(BenchDb, QStringLiteral("names.script_names"));
            w->cmbDBName->addItem(s->form->ConnectionText(), QVariant::fromValue<QObject *>(s->form));
            w->cmbDBName->setCurrentIndex(0);
            w->cmbDBNameChange();
            w->Reload(w);
            s->dialogs.queueButton(tv::ui::IDYES, {false});
            QElapsedTimer t;
            t.start();
            w->mnuInstDataClick();
            const double ours = t.nsecsElapsed() / 1e9;
            delete w;
            s->admin->Exec(QStringLiteral("TRUNCATE names.script_names"));
            tvbench::printBeside("initial rows", ours,
                                 tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-c"), insert}));
            s->admin->Exec(QStringLiteral("TRUNCATE names.script_names"));
            s->main.reset();
            // The roles belong to the cluster: they go again.
            s->admin->Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                                          " EXECUTE format('DROP ROLE IF EXISTS tvb_ul_r%s', i);"
                                          " IF i % 500 = 0 THEN COMMIT; END IF; END LOOP; END $$")
                               .arg(Roles));
            delete s;
            TheSession = nullptr;
        }
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = stop});
}
