// The tablespace window's contents page and the comment check on many
// objects: the contents of a tablespace holding 50,000 relations (progress
// on and off); the comment check of 500 functions of 200 lines each, beside
// psql reading the same functions' definitions; dropping 1,000 listed
// tables from the contents page, beside psql running the same DROPs.
// Database "tv_bench_tbscomment" on the server of the PG* environment of
// scripts/test-db (its default tablespace holds the relations).
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/frmComment.h"
#include "objects/other/frmTBS.h"
#include "objects/table/TableWindows.h"
#include "objects/table/frmDefinition.h"
#include "platform/db/Connection.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/ObjectDispatcher.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_tbscomment");
constexpr int Views = 50000;
constexpr int Functions = 500;
constexpr int FunctionLines = 200;
constexpr int Tables = 1000;

tv::db::ConnectionParams BenchParams()
{
    return tvbench::benchDatabase(BenchDb);
}

void Prepare()
{
    tv::db::Connection c(BenchParams());
    c.Open();
    if (c.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_class WHERE relnamespace = to_regnamespace('v')")).toInt() <
        Views) {
        c.Exec(QStringLiteral("CREATE SCHEMA IF NOT EXISTS v"));
        for (int from = 1; from <= Views; from += 5000)
            c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN %1..%2 LOOP"
                                  " EXECUTE format('CREATE OR REPLACE VIEW v.v_%s AS SELECT %s AS x', i, i);"
                                  " END LOOP; END $$")
                       .arg(from)
                       .arg(from + 4999));
    }
    if (c.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_proc WHERE pronamespace = to_regnamespace('f')"))
            .toInt() < Functions) {
        c.Exec(QStringLiteral("CREATE SCHEMA IF NOT EXISTS f"));
        QString body;
        for (int l = 0; l < FunctionLines - 4; ++l)
            body += (l % 5 == 0) ? QStringLiteral("  -- step %1 'note'\n").arg(l)
                                 : QStringLiteral("  x := x + %1; /* add */\n").arg(l);
        for (int i = 1; i <= Functions; ++i)
            c.Exec(QStringLiteral("CREATE OR REPLACE FUNCTION f.fn_%1(x int) RETURNS int LANGUAGE plpgsql AS $b$\nBEGIN\n%2"
                                  "  RETURN x;\nEND $b$")
                       .arg(i)
                       .arg(body));
    }
}

void CreateTables()
{
    tv::db::Connection c(BenchParams());
    c.Open();
    c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                          " EXECUTE format('CREATE TABLE IF NOT EXISTS public.del_%s (id int)', i); END LOOP; END $$")
               .arg(Tables));
}

// A function's DDL for the script service while no source window has
// registered one.
void EnsureFunctionScripts()
{
    if (TObjectDispatcher::ScriptProc(52))
        return;
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmSource"), [](TfrmObject &Owner, const TObjectAddress &a,
                                                                      QIODevice &Stream) {
        const QString ddl = Owner.dbsMain().ExecScalar(QStringLiteral("SELECT pg_get_functiondef(") +
                                                       QString::number(a.OID) + u')');
        TfrmDefinition::WriteScript(Stream, ddl.split(QLatin1Char('\n')));
    });
}

tvbench::Logon *TheSession = nullptr;
QString SetupError;

TfrmObject *Form()
{
    if (TheSession || !SetupError.isEmpty())
        return TheSession ? TheSession->form : nullptr;
    try {
        Prepare();
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    RegisterTableWindows();
    RegisterOtherWindows();
    TfrmObject::RegisterLaunchers();
    EnsureFunctionScripts();
    TheSession = new tvbench::Logon;
    return TheSession->start(BenchDb, SetupError, [] { tvOption.TreeData = false; });
}

TfrmTBS *Window(TfrmObject *f)
{
    static TfrmTBS *w = nullptr;
    if (!w) {
        w = dynamic_cast<TfrmTBS *>(f->OpenObject(69, QString(), QStringLiteral("pg_default")));
        if (w)
            w->SelectPage(w->tabContents);
    }
    return w;
}

void BM_TablespaceContents(benchmark::State &state)
{
    TfrmObject *f = Form();
    TfrmTBS *w = f ? Window(f) : nullptr;
    if (!w) {
        state.SkipWithError(SetupError.isEmpty() ? "no tablespace window" : SetupError.toStdString().c_str());
        return;
    }
    tvOption.Progress = state.range(0) != 0;
    for (auto _ : state)
        w->ShowContents();
    state.counters["relations"] = w->lstObject->ItemCount();
}

double LastComment = 0;

void BM_CommentCheck(benchmark::State &state)
{
    TfrmObject *f = Form();
    if (!f) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    tv::db::Connection &c = f->dbsMain();
    const auto rows = c.Exec(QStringLiteral("SELECT p.oid, p.proname FROM pg_proc p WHERE p.pronamespace = "
                                            "to_regnamespace('f') ORDER BY 2"));
    QList<TCommentProgram> programs;
    for (int r = 0; r < rows->rowCount(); ++r)
        programs << TCommentProgram{rows->value(r, 0).toLongLong(), rows->value(r, 1).toString(), QStringLiteral("f"), 52,
                                    QStringLiteral("integer")};
    TfrmComment w(f, programs);
    int lines = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        w.ShowComments();
        LastComment = t.nsecsElapsed() / 1e9;
        lines = int(w.Rows().size());
    }
    state.counters["functions"] = double(programs.size());
    state.counters["rows"] = lines;
}

double LastDrop = 0;

void BM_DropListedTables(benchmark::State &state)
{
    TfrmObject *f = Form();
    TfrmTBS *w = f ? Window(f) : nullptr;
    if (!w) {
        state.SkipWithError("no tablespace window");
        return;
    }
    tvOption.Progress = false;
    int left = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CreateTables();
        w->ShowContents();
        w->lstObject->clearSelection();
        for (int i = 0; i < w->lstObject->ItemCount(); ++i)
            if (w->lstObject->Item(i)->Caption().startsWith(QLatin1String("del_")))
                w->lstObject->Item(i)->setSelected(true);
        TheSession->dialogs.clear();
        TheSession->dialogs.queueButton(tv::ui::IDYES, {true, false});
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        w->actDelObjectExecute();
        LastDrop = t.nsecsElapsed() / 1e9;
        state.PauseTiming();
        left = int(w->lstObject->SelectedItems().size());
        state.ResumeTiming();
    }
    state.counters["tables"] = Tables;
    state.counters["left"] = left;
}

} // namespace

BENCHMARK(BM_TablespaceContents)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CommentCheck)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DropListedTables)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char **argv)
{
    const auto stop = [] {
        QTemporaryDir dir;
        if (TheSession) {
            if (LastComment > 0)
                tvbench::printBeside("comment check of 500 functions", LastComment,
                                     tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-c"),
                                                        QStringLiteral("SELECT pg_get_functiondef(p.oid) FROM pg_proc p "
                                                                       "WHERE p.pronamespace = 'f'::regnamespace")}));
            if (LastDrop > 0) {
                CreateTables();
                QFile script(dir.path() + QStringLiteral("/drops.sql"));
                if (script.open(QIODevice::WriteOnly)) {
                    for (int i = 1; i <= Tables; ++i)
                        script.write(QStringLiteral("DROP TABLE IF EXISTS \"public\".\"del_%1\";\n").arg(i).toUtf8());
                    script.close();
                    tvbench::printBeside("drop of 1,000 listed tables", LastDrop,
                                         tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-f"),
                                                            script.fileName()}));
                }
            }
            TheSession->main.reset();
            delete TheSession;
        }
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = stop});
}
