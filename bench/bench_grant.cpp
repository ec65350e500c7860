// Roles and the grant dialog on many objects: opening the window of a role
// granted 5,000 tables and 2,000 functions; the grant dialog over 1,000
// selected tables: its activation, a grantee click, and a SELECT grant
// (REVOKE and GRANT per table, each pair as one unit) beside psql running
// the same statements in one transaction. Database "tv_bench_grant" on the
// server of the PG* environment of scripts/test-db.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "controls/tvCheckListBox.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/frmGrant.h"
#include "objects/other/frmRole.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_grant");
const QString Grantee = QStringLiteral("tv_bench_grantee");
const QString Target = QStringLiteral("tv_bench_target");
constexpr int Tables = 5000;
constexpr int Functions = 2000;
constexpr int Selected = 1000;

std::unique_ptr<tvbench::Logon> Session;
QString SetupError;
double LastGrant = 0;

void Prepare()
{
    tv::db::Connection c(tvbench::benchDatabase(BenchDb));
    c.Open();
    for (const QString &r : {Grantee, Target})
        if (c.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_roles WHERE rolname = '") + r + u'\'') ==
            QLatin1String("0"))
            c.Exec(QStringLiteral("CREATE ROLE ") + r);
    c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                          " EXECUTE format('CREATE TABLE IF NOT EXISTS bg_%s (id int)', lpad(i::text, 5, '0'));"
                          " EXECUTE format('GRANT SELECT, UPDATE ON bg_%s TO %s', lpad(i::text, 5, '0'), '%2');"
                          " END LOOP; END $$")
               .arg(Tables)
               .arg(Grantee));
    c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                          " EXECUTE format('CREATE OR REPLACE FUNCTION bf_%s(integer) RETURNS int LANGUAGE sql AS "
                          "''SELECT 1''', i);"
                          " EXECUTE format('GRANT EXECUTE ON FUNCTION bf_%s(integer) TO %s', i, '%2');"
                          " END LOOP; END $$")
               .arg(Functions)
               .arg(Grantee));
}

TfrmObject *Form()
{
    if (Session || !SetupError.isEmpty())
        return Session ? Session->form : nullptr;
    try {
        Prepare();
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    RegisterOtherWindows();
    Session = std::make_unique<tvbench::Logon>();
    Session->start(BenchDb, SetupError, [] {
        tvOption.UpdateToCommit = false;
        tvOption.TreeData = false;
    });
    return Session->form;
}

void SelectTables(TfrmObject *f)
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
    f->lstObject->clearSelection();
    for (int i = 0; i < Selected && i < f->lstObject->ItemCount(); ++i)
        f->lstObject->Item(i)->setSelected(true);
}

TfrmGrant *Dialog(TfrmObject *f)
{
    static TfrmGrant *dialog = nullptr;
    if (!dialog) {
        SelectTables(f);
        dialog = TfrmGrant::Open(f);
    }
    return dialog;
}

void BM_OpenRoleWindow(benchmark::State &state)
{
    TfrmObject *f = Form();
    if (!f) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    int items = 0;
    for (auto _ : state) {
        auto *w = dynamic_cast<TfrmRole *>(f->OpenObject(68, QString(), Grantee));
        state.PauseTiming();
        items = w ? w->lstObj->count() : -1;
        if (w) {
            w->SetModified(false);
            delete w;
        }
        state.ResumeTiming();
    }
    state.counters["privileges"] = items;
}

void BM_GrantDialogActivation(benchmark::State &state)
{
    TfrmObject *f = Form();
    if (!f) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    TfrmGrant *d = Dialog(f);
    for (auto _ : state)
        d->Activate();
    state.counters["objects"] = double(d->Objects().size());
    state.counters["granted rows"] = d->lstGrant->ItemCount();
}

void BM_GrantDialogGranteeClick(benchmark::State &state)
{
    TfrmObject *f = Form();
    if (!f) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    TfrmGrant *d = Dialog(f);
    bool flip = false;
    for (auto _ : state) {
        d->SelectGrantee(flip ? Target : Grantee);
        flip = !flip;
    }
}

void BM_GrantDialogSelectGrant(benchmark::State &state)
{
    TfrmObject *f = Form();
    if (!f) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    TfrmGrant *d = Dialog(f);
    for (auto _ : state) {
        state.PauseTiming();
        f->ExecuteSQL(QStringLiteral("ROLLBACK"));
        f->ExecuteSQL(QStringLiteral("BEGIN"));
        d->Activate();
        d->SelectGrantee(Grantee);
        d->SelectGrantee(Target);
        d->chkGrant->ToggleL(4);
        Session->dialogs.clear();
        Session->dialogs.queueButton(tv::ui::IDYES);
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        d->actExec->trigger();
        LastGrant = t.nsecsElapsed() / 1e9;
    }
    f->ExecuteSQL(QStringLiteral("ROLLBACK"));
    f->ExecuteSQL(QStringLiteral("BEGIN"));
    state.counters["messages"] = Session->dialogs.texts().size();
}

} // namespace

BENCHMARK(BM_OpenRoleWindow)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GrantDialogActivation)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GrantDialogGranteeClick)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BM_GrantDialogSelectGrant)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    QTemporaryDir scratch;
    tvbench::AppRun run;
    run.scratchConfig = true;
    run.start = [] { StartSharedServices(); };
    run.stop = [&] {
        if (Session && LastGrant > 0) {
            // psql: the same REVOKE and GRANT pairs in one transaction.
            QStringList names;
            for (int i = 0; i < Selected && i < Session->form->lstObject->ItemCount(); ++i)
                names << Session->form->lstObject->Item(i)->Caption();
            QFile script(scratch.path() + QStringLiteral("/grant.sql"));
            if (script.open(QIODevice::WriteOnly)) {
                script.write("BEGIN;\n");
                for (const QString &n : names)
                    script.write(QStringLiteral("REVOKE SELECT ON TABLE \"public\".\"%1\" FROM \"%2\";\nGRANT SELECT ON "
                                                "TABLE \"public\".\"%1\" TO \"%2\";\n")
                                     .arg(n, Target)
                                     .toUtf8());
                script.write("ROLLBACK;\n");
                script.close();
                tvbench::printBeside("SELECT grant over 1,000 tables", LastGrant,
                                     tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-f"),
                                                        script.fileName()}));
            }
        }
        Session.reset();
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv, run);
}
