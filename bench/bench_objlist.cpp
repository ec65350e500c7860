// The object list of the connection window on a large catalog: a database
// with 10,000 tables (one index each), 5,000 three-argument functions and
// 1,000 sequences (built once and kept, database "tv_bench_objlist" on the
// server of the PG* environment of scripts/test-db). Timed: ShowObject for
// the database node (the mixed list, detail columns on and off), the detailed
// FUNCTION list and the detailed SEQUENCE list, each with the progress
// display on (rows appear on a timer) and off. Beside it psql reads the same
// mixed statement.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "platform/db/Connection.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/ObjectListSQL.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_objlist");

// Builds the catalog unless a complete one is there already.
void PrepareDatabase()
{
    tv::db::Connection c(tvbench::benchDatabase(BenchDb));
    c.Open();
    if (c.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_class WHERE relname = 'done_marker'")) != QLatin1String("0"))
        return;
    // Committed in slices: one transaction would run out of lock slots.
    c.Exec(QStringLiteral(
        "DO $$ BEGIN FOR i IN 1..10000 LOOP"
        " EXECUTE format('CREATE TABLE IF NOT EXISTS tbl_%s (id int, name text)', i);"
        " EXECUTE format('CREATE INDEX IF NOT EXISTS tbl_%s_ix ON tbl_%s (id)', i, i);"
        " IF i % 500 = 0 THEN COMMIT; END IF; END LOOP; END $$"));
    c.Exec(QStringLiteral(
        "DO $$ BEGIN FOR i IN 1..5000 LOOP"
        " EXECUTE format('CREATE OR REPLACE FUNCTION fn_%s(a int, b text, c numeric) RETURNS int"
        " LANGUAGE sql AS ''SELECT 1''', i);"
        " IF i % 500 = 0 THEN COMMIT; END IF; END LOOP; END $$"));
    c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..1000 LOOP"
                          " EXECUTE format('CREATE SEQUENCE IF NOT EXISTS seq_%s', i); END LOOP; END $$"));
    c.Exec(QStringLiteral("CREATE TABLE done_marker()"));
}

struct Session : tvbench::Logon {};

Session *TheSession = nullptr;
QString SetupError;

TfrmObject *Form()
{
    if (TheSession || !SetupError.isEmpty())
        return TheSession ? TheSession->form : nullptr;
    try {
        PrepareDatabase();
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    TheSession = new Session;
    return TheSession->start(BenchDb, SetupError, [] {
        tvOption.ShowLevel0 = true;
    });
}

QTreeWidgetItem *Node(TfrmObject *f, const QString &kind)
{
    QTreeWidgetItem *root = f->tvTree->topLevelItem(0);
    if (kind.isEmpty())
        return root;
    for (int i = 0; root && i < root->childCount(); ++i)
        if (root->child(i)->text(0) == QLatin1String("public"))
            for (int k = 0; k < root->child(i)->childCount(); ++k)
                if (root->child(i)->child(k)->text(0) == kind)
                    return root->child(i)->child(k);
    return nullptr;
}

void List(benchmark::State &state, const QString &kind, bool treeData)
{
    TfrmObject *f = Form();
    if (!f) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    tvOption.TreeData = treeData;
    tvOption.Progress = state.range(0) != 0;
    QTreeWidgetItem *node = Node(f, kind);
    if (!node) {
        state.SkipWithError("no such tree node");
        return;
    }
    {
        const QSignalBlocker block(f->tvTree);
        f->tvTree->setCurrentItem(node);
    }
    f->show();
    int items = 0;
    for (auto _ : state) {
        f->ShowObject(false);
        QCoreApplication::processEvents(); // the final paint
        items = f->lstObject->ItemCount();
    }
    state.counters["items"] = items;
}

void BM_DatabaseMixedDetailed(benchmark::State &s) { List(s, QString(), true); }
void BM_DatabaseMixedSimple(benchmark::State &s) { List(s, QString(), false); }
void BM_FunctionDetailed(benchmark::State &s) { List(s, QStringLiteral("FUNCTION"), true); }
void BM_SequenceDetailed(benchmark::State &s) { List(s, QStringLiteral("SEQUENCE"), true); }

} // namespace

BENCHMARK(BM_DatabaseMixedDetailed)->ArgName("progress")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DatabaseMixedSimple)->ArgName("progress")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FunctionDetailed)->ArgName("progress")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SequenceDetailed)->ArgName("progress")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    const auto stop = [] {
        if (TheSession) {
            // psql reading the same mixed statement, for comparison.
            TObjectListQuery q;
            q.DBName = BenchDb;
            q.DBVer = TheSession->form->DBVer();
            q.TreeData = true;
            tvOption.TreeData = true;
            tvOption.Progress = false;
            {
                const QSignalBlocker block(TheSession->form->tvTree);
                TheSession->form->tvTree->setCurrentItem(Node(TheSession->form, QString()));
            }
            QElapsedTimer t;
            t.start();
            TheSession->form->ShowObject(false);
            const double ours = t.nsecsElapsed() / 1e9;
            tvbench::printBeside("mixed list of the database",
                                 ours, tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-c"),
                                                          BuildObjectListSQL(QStringLiteral("%"), q)}));
            TheSession->main.reset();
            delete TheSession;
        }
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = stop});
}
