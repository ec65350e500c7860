// The object list's actions on many objects: deleting 1,000 selected tables
// with errors ignored and auto-commit off (each DROP under its savepoint),
// beside psql running the same DROPs with ON_ERROR_ROLLBACK on; and a walk by
// "開く(&O)" over 10,000 selected items with no window registered. Database
// "tv_bench_objactions" on the server of the PG* environment of
// scripts/test-db.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "platform/db/Connection.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/ListItemImage.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_objactions");
constexpr int Tables = 1000;

tv::db::ConnectionParams BenchParams()
{
    return tvbench::benchDatabase(BenchDb);
}

void CreateTables()
{
    tv::db::Connection c(BenchParams());
    c.Open();
    c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                          " EXECUTE format('CREATE TABLE IF NOT EXISTS del_%s (id int)', i); END LOOP; END $$")
               .arg(Tables));
}

struct Session : tvbench::Logon {};
Session *TheSession = nullptr;
QString SetupError;

TfrmObject *Form()
{
    if (TheSession || !SetupError.isEmpty())
        return TheSession ? TheSession->form : nullptr;
    try {
        BenchParams();
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    TheSession = new Session;
    return TheSession->start(BenchDb, SetupError, [] {
        tvOption.UpdateToCommit = false;
        tvOption.TreeData = false;
    });
}

void SelectTableList(TfrmObject *f)
{
    QTreeWidgetItem *root = f->tvTree->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i)
        if (root->child(i)->text(0) == QLatin1String("public"))
            for (int k = 0; k < root->child(i)->childCount(); ++k)
                if (root->child(i)->child(k)->text(0) == QLatin1String("TABLE")) {
                    const QSignalBlocker block(f->tvTree);
                    f->tvTree->setCurrentItem(root->child(i)->child(k));
                }
    f->ShowObject(false);
}

double LastDelete = 0;

void BM_DeleteSelectedTables(benchmark::State &state)
{
    TfrmObject *f = Form();
    if (!f) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    int left = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CreateTables();
        SelectTableList(f);
        f->lstObject->selectAll();
        TheSession->dialogs.clear();
        TheSession->dialogs.queueButton(tv::ui::IDYES, {true, false});
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        f->actDeleteExecute();
        LastDelete = t.nsecsElapsed() / 1e9;
        state.PauseTiming();
        f->ExecuteSQL(QStringLiteral("COMMIT"));
        f->ExecuteSQL(QStringLiteral("BEGIN"));
        left = f->lstObject->ItemCount();
        state.ResumeTiming();
    }
    state.counters["tables"] = Tables;
    state.counters["left"] = left;
}

void BM_OpenWalkWithoutWindows(benchmark::State &state)
{
    TfrmObject *f = Form();
    if (!f) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        f->lstObject->clear();
        QList<QTreeWidgetItem *> items;
        for (int i = 0; i < 10000; ++i) {
            auto *it = new TtvListItem(QStringLiteral("tbl_%1").arg(i), {QStringLiteral("public"), QStringLiteral("TABLE")});
            SetItemImageIndex(it, 45);
            items << it;
        }
        f->lstObject->addTopLevelItems(items);
        f->lstObject->selectAll();
        state.ResumeTiming();
        f->actOpenExecute();
    }
    state.counters["items"] = 10000;
}

} // namespace

BENCHMARK(BM_DeleteSelectedTables)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenWalkWithoutWindows)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    const auto stop = [] {
        QTemporaryDir dir;
        if (TheSession && LastDelete > 0) {
            // psql: the same DROPs in one block, each protected by ON_ERROR_ROLLBACK.
            CreateTables();
            QFile script(dir.path() + QStringLiteral("/drops.sql"));
            if (script.open(QIODevice::WriteOnly)) {
                script.write("\\set ON_ERROR_ROLLBACK on\nBEGIN;\n");
                for (int i = 1; i <= Tables; ++i)
                    script.write(QStringLiteral("DROP TABLE \"public\".\"del_%1\";\n").arg(i).toUtf8());
                script.write("COMMIT;\n");
                script.close();
                tvbench::printBeside("delete of 1,000 tables", LastDelete,
                                     tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-f"), script.fileName()}));
            }
            TheSession->main.reset();
            delete TheSession;
        }
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = stop});
}
