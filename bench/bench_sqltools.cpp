// The script runner, the tables-and-columns browser and the SQL reference
// over the test server (PG* environment): 20,000 one-line INSERT statements
// run as a script beside psql -f on the same file (with the pace of its
// first and last 1,000 statements), the browser on a schema of 10,000
// tables (listing and finding), and a reference file of 5,000 entries
// (opening and finding).
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/ScriptedDialogs.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/frmExecScript.h"
#include "sql/frmField.h"
#include "sql/frmTemplate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

constexpr int kInserts = 20000;
constexpr int kTables = 10000;
constexpr int kEntries = 5000;

QStringList LogonArgs()
{
    return tvbench::logonArgs(qEnvironmentVariable("PGDATABASE"), QStringLiteral("5432"));
}

struct Session {
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use{&dialogs};
    std::unique_ptr<TfrmMain> main;
    TfrmObject *cw = nullptr;

    bool Start()
    {
        tvOption.UpdateToCommit = true;
        main = std::make_unique<TfrmMain>(LogonArgs());
        tvOption.UpdateToCommit = true;
        main->FormPaint();
        cw = main->CurrentObjectForm();
        return cw != nullptr;
    }
    ~Session()
    {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void BM_ScriptRunnerInserts(benchmark::State &state)
{
    Session s;
    if (!s.Start()) {
        state.SkipWithError("no logon (PG* environment of scripts/test-db)");
        return;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("inserts.sql"));
    QStringList lines;
    for (int i = 0; i < kInserts; ++i)
        lines << QStringLiteral("insert into bench_script values (%1)").arg(i) << QStringLiteral(";");
    if (!WriteFile(file, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8())) {
        state.SkipWithError("cannot write the script");
        return;
    }
    tv::db::Connection &conn = s.cw->dbsMain();
    TfrmExecScript *w = TfrmExecScript::ShowWindow(s.cw);
    double ours = 0, first = 0, lastK = 0;
    for (auto _ : state) {
        conn.Exec(QStringLiteral("DROP TABLE IF EXISTS bench_script; CREATE TABLE bench_script(x int)"));
        w->lstScript->clear();
        w->AddFiles({file});
        // The log grows by one line per statement: its length sampled as the
        // run goes gives the pace of the first and the last 1,000.
        QList<QPair<qint64, int>> samples;
        QElapsedTimer t;
        QTimer sampler;
        sampler.setInterval(5);
        QObject::connect(&sampler, &QTimer::timeout, [&] { samples.append({t.nsecsElapsed(), w->txtLog->Lines()->Count()}); });
        s.dialogs.clear();
        t.start();
        sampler.start();
        w->RunScripts();
        ours = t.nsecsElapsed() / 1e9;
        sampler.stop();
        samples.append({t.nsecsElapsed(), w->txtLog->Lines()->Count()});
        auto when = [&samples](int count) {
            for (const auto &p : samples)
                if (p.second >= count)
                    return p.first / 1e9;
            return samples.last().first / 1e9;
        };
        first = when(2 + 1000) - when(2);
        lastK = when(2 + kInserts) - when(2 + kInserts - 1000);
        if (w->ErrorCount() != 0 ||
            conn.ExecScalar(QStringLiteral("SELECT count(*) FROM bench_script")) != QString::number(kInserts))
            state.SkipWithError("not every row was inserted");
    }
    conn.Exec(QStringLiteral("DROP TABLE IF EXISTS bench_script; CREATE TABLE bench_script(x int)"));
    const double psql = tvbench::timePsql({QStringLiteral("-q"), QStringLiteral("-f"), file});
    conn.Exec(QStringLiteral("DROP TABLE bench_script"));
    tvbench::printBeside("script runner: 20,000 one-line INSERT statements", ours, psql);
    std::printf("first 1,000 statements %.3f s, last 1,000 %.3f s (sampled every 5 ms)\n", first, lastK);
    if (psql > 0)
        std::printf("goal: within 2 x psql: %.2f x (%s); last 1,000 no slower than the first: %s\n", ours / psql,
                    ours / psql <= 2 ? "met" : "missed", lastK <= first * 1.2 ? "met" : "missed");
    std::fflush(stdout);
    state.counters["seconds"] = ours;
    state.counters["first1000_s"] = first;
    state.counters["last1000_s"] = lastK;
}

void BM_FieldBrowserTenThousandTables(benchmark::State &state)
{
    Session s;
    if (!s.Start()) {
        state.SkipWithError("no logon (PG* environment of scripts/test-db)");
        return;
    }
    tv::db::Connection &conn = s.cw->dbsMain();
    // In steps, creating and dropping: one transaction cannot lock 10,000 tables.
    auto each = [&conn](const QString &statement) {
        for (int from = 1; from <= kTables; from += 200)
            conn.Exec(QStringLiteral("DO $$ BEGIN FOR i IN %1..%2 LOOP EXECUTE format('%3', i); END LOOP; END $$")
                          .arg(from)
                          .arg(from + 199)
                          .arg(statement));
    };
    auto dropAll = [&] {
        if (conn.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_namespace WHERE nspname = 'bench_field'")) != "0") {
            each(QStringLiteral("DROP TABLE IF EXISTS bench_field.t_%s"));
            conn.Exec(QStringLiteral("DROP SCHEMA bench_field CASCADE"));
        }
    };
    dropAll();
    conn.Exec(QStringLiteral("CREATE SCHEMA bench_field"));
    each(QStringLiteral("CREATE TABLE bench_field.t_%s(id int, name int)"));
    double list = 0, find = 0;
    int listed = 0, found = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        TfrmField *w = TfrmField::ShowWindow(s.cw, QStringLiteral("bench_field"), QStringLiteral("t_5000"));
        QApplication::processEvents();
        list = t.nsecsElapsed() / 1e9;
        listed = w->lstTable->count();
        w->txtFindTable->setText(QStringLiteral("T_99"));
        t.restart();
        w->LoadTableList();
        QApplication::processEvents();
        find = t.nsecsElapsed() / 1e9;
        found = w->lstTable->count();
        w->txtFindTable->clear();
    }
    dropAll();
    std::printf("tables-and-columns browser: %d tables listed with one table's columns in %.3f s; find kept %d in "
                "%.3f s; goal under 0.5 s each: %s\n",
                listed, list, found, find, list < 0.5 && find < 0.5 ? "met" : "missed");
    std::fflush(stdout);
    if (listed != kTables)
        state.SkipWithError("not every table was listed");
    state.counters["list_s"] = list;
    state.counters["find_s"] = find;
}

void BM_ReferenceFiveThousandEntries(benchmark::State &state)
{
    QTemporaryDir dir;
    QStringList lines;
    for (int i = 0; i < kEntries; ++i) {
        if (i % 50 == 0)
            lines << QStringLiteral("%%%Category %1").arg(i / 50);
        lines << QStringLiteral("【 ENTRY%1 】").arg(i) << QStringLiteral("text of entry %1 { optional }").arg(i)
              << QStringLiteral("see <ENTRY%1> and <ENTRY%2>").arg((i / 10) * 10).arg((i + 1) % kEntries / 7 * 7)
              << (i % 3 == 0 ? QStringLiteral("SELECT something") : QStringLiteral("select nothing"));
    }
    if (!WriteFile(dir.filePath(QStringLiteral("BENCH.tpl")),
                   QByteArray("\xEF\xBB\xBF") + lines.join(QStringLiteral("\r\n")).toUtf8())) {
        state.SkipWithError("cannot write the reference");
        return;
    }
    TfrmTemplate::SetTemplateFolder(dir.path());
    double open = 0, find = 0;
    int entries = 0, kept = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        TfrmTemplate *w = TfrmTemplate::ShowWindow(QString());
        QApplication::processEvents();
        open = t.nsecsElapsed() / 1e9;
        entries = int(w->EntryNames().size());
        w->txtFind->setText(QStringLiteral("SELECT"));
        t.restart();
        w->BuildTemplateTree();
        QApplication::processEvents();
        find = t.nsecsElapsed() / 1e9;
        kept = int(w->EntryNames().size());
        delete w;
    }
    TfrmTemplate::SetTemplateFolder(QString());
    std::printf("SQL reference: %d entries opened in %.3f s; find kept %d in %.3f s; goal under 0.5 s each: %s\n",
                entries, open, kept, find, open < 0.5 && find < 0.5 ? "met" : "missed");
    std::fflush(stdout);
    state.counters["open_s"] = open;
    state.counters["find_s"] = find;
}

} // namespace

BENCHMARK(BM_ScriptRunnerInserts)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldBrowserTenThousandTables)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceFiveThousandEntries)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    const auto start = [] {
        tv::ui::InstallEscapeWatch();
        StartSharedServices();
    };
    return tvbench::runInApplication(argc, argv, {.scratchConfig = true, .start = start, .stop = EndSharedServices});
}
