// User commands and the grant script on many objects: a command over 10,000
// selected tables ("ERROR" on, auto-commit off, each statement under its
// savepoint) beside psql running the same statements with ON_ERROR_ROLLBACK
// on; and the grant script of a role owning 10,000 tables beside psql
// running the grant query. Database "tv_bench_objtools" on the server of the
// PG* environment of scripts/test-db.
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "platform/db/Connection.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/GrantScript.h"
#include "shell/UserCommand.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "platform/process/HeapPages.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_objtools");
constexpr int Tables = 10000;

tv::db::ConnectionParams BenchParams()
{
    tv::db::Connection admin;
    admin.Open();
    if (admin.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_database WHERE datname = '") + BenchDb +
                         QStringLiteral("'")) == QLatin1String("0"))
        admin.Exec(QStringLiteral("CREATE DATABASE ") + BenchDb);
    tv::db::ConnectionParams p = admin.Params();
    p.Database = BenchDb;
    return p;
}

void CreateTables()
{
    tv::db::Connection c(BenchParams());
    c.Open();
    c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                          " EXECUTE format('CREATE TABLE IF NOT EXISTS cmd_%s (id int)', i); END LOOP; END $$")
               .arg(Tables));
}

struct Session {
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use{&dialogs};
    std::unique_ptr<TfrmMain> main;
    TfrmObject *form = nullptr;
};
Session *TheSession = nullptr;
QString SetupError;

TfrmObject *Form()
{
    if (TheSession || !SetupError.isEmpty())
        return TheSession ? TheSession->form : nullptr;
    try {
        CreateTables();
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    QStringList args{QStringLiteral("/U=") + qEnvironmentVariable("PGUSER"), QStringLiteral("/D=") + BenchDb,
                     QStringLiteral("/H=") + qEnvironmentVariable("PGHOST"),
                     QStringLiteral("/P=") + qEnvironmentVariable("PGPORT")};
    if (!qEnvironmentVariable("PGPASSWORD").isEmpty())
        args << QStringLiteral("/PS=") + qEnvironmentVariable("PGPASSWORD");
    TheSession = new Session;
    TheSession->main = std::make_unique<TfrmMain>(args);
    tvOption.UpdateToCommit = false;
    tvOption.TreeData = false;
    TheSession->main->FormPaint();
    const auto children = TheSession->main->MdiChildren();
    TheSession->form = children.isEmpty() ? nullptr : dynamic_cast<TfrmObject *>(children.first());
    if (!TheSession->form)
        SetupError = QStringLiteral("logon failed: ") + TheSession->dialogs.texts().join(QLatin1Char(' '));
    return TheSession->form;
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

double LastCommand = 0, LastGrant = 0;

void BM_CommandOverSelectedTables(benchmark::State &state)
{
    TfrmObject *f = Form();
    if (!f) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    TUserCommand c;
    c.Name = QStringLiteral("BENCH");
    c.Error = true;
    c.SQL = QStringLiteral("COMMENT ON TABLE &1.&0 IS 'bench'");
    usercmd::Write(c);
    int left = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SelectTableList(f);
        f->lstObject->selectAll();
        TheSession->dialogs.clear();
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        f->UserCommandClick(QStringLiteral("BENCH"));
        LastCommand = t.nsecsElapsed() / 1e9;
        state.PauseTiming();
        f->ExecuteSQL(QStringLiteral("COMMIT"));
        f->ExecuteSQL(QStringLiteral("BEGIN"));
        left = int(f->lstObject->SelectedItems().size());
        state.ResumeTiming();
    }
    state.counters["tables"] = Tables;
    state.counters["left"] = left;
}

void BM_GrantScriptOfARole(benchmark::State &state)
{
    TfrmObject *f = Form();
    if (!f) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    qint64 bytes = 0;
    for (auto _ : state) {
        QBuffer b;
        b.open(QIODevice::ReadWrite);
        QElapsedTimer t;
        t.start();
        f->OutputGrant(f->dbsMain().Params().User_Name, QStringLiteral("%"), b, 2, QString(), QString());
        LastGrant = t.nsecsElapsed() / 1e9;
        bytes = b.size();
    }
    state.counters["bytes"] = double(bytes);
}

} // namespace

BENCHMARK(BM_CommandOverSelectedTables)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GrantScriptOfARole)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    tv::process::StartWithHugePageHeap(argv); // the heap as the program has it
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("TALVEX_CONFIG_DIR", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    StartSharedServices();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (TheSession && LastCommand > 0) {
        // psql: the same statements in one block, each protected by ON_ERROR_ROLLBACK.
        QFile script(config.path() + QStringLiteral("/comments.sql"));
        if (script.open(QIODevice::WriteOnly)) {
            script.write("\\set ON_ERROR_ROLLBACK on\nBEGIN;\n");
            for (int i = 1; i <= Tables; ++i)
                script.write(QStringLiteral("COMMENT ON TABLE public.cmd_%1 IS 'bench';\n").arg(i).toUtf8());
            script.write("COMMIT;\n");
            script.close();
            tvbench::printBeside("command over 10,000 tables", LastCommand,
                                 tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-f"), script.fileName()}));
        }
    }
    if (TheSession && LastGrant > 0) {
        QString sql = grant::RoleSQL(TheSession->form->DBVer());
        sql.replace(QStringLiteral(":UNAME"),
                    QLatin1Char('\'') + TheSession->form->dbsMain().Params().User_Name + QLatin1Char('\''));
        QFile script(config.path() + QStringLiteral("/grant.sql"));
        if (script.open(QIODevice::WriteOnly)) {
            script.write(sql.toUtf8() + ";\n");
            script.close();
            tvbench::printBeside("grant script of a role owning 10,000 tables", LastGrant,
                                 tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-f"), script.fileName()}));
        }
    }
    if (TheSession) {
        TheSession->main.reset();
        delete TheSession;
    }
    benchmark::Shutdown();
    EndSharedServices();
    return 0;
}
