// The object list of the connection window on a large catalog: a database
// with 10,000 tables (one index each), 5,000 three-argument functions and
// 1,000 sequences, "tv_bench_objlist" on the server of the PG* environment of
// scripts/test-db. The database is built when missing and dropped again at
// the end when this run built it, so the server is left as it was found.
//
// Timed, per iteration: ShowObject for a tree node until the list is
// complete (all rows fetched, listed and sorted) and painted: the database
// node (the mixed list of every schema, detail columns on and off), the
// detailed FUNCTION list and the detailed SEQUENCE list, each with the
// progress display on and off. The counter first_rows_ms is the median time
// to the first paint of the list that shows rows (with progress off the list
// paints once, complete).
//
// At the end, the mixed list beside psql, run alternately five times each:
// ours is ShowObject on the logged-on window until the list is complete and
// painted; psql is the real binary (not the distribution's wrapper script)
// reading the same statement, timed by its own \timing (the statement sent
// until every row is in: no connecting, no printing); and the same statement
// through a connection of ours with no list made. Medians, min and max.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/TextUtil.h"
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
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_objlist");

// Whether this run looked for the database, and found it there.
bool DatabaseLooked = false;
bool DatabaseFound = false;

bool DatabaseExists()
{
    tv::db::Connection admin;
    admin.Open();
    return admin.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_database WHERE datname = '") + BenchDb +
                            QStringLiteral("'")) != QLatin1String("0");
}

// Builds the catalog unless a complete one is there already.
void PrepareDatabase()
{
    DatabaseFound = DatabaseExists();
    DatabaseLooked = true;
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

// Drops the database when this run created it.
void RestoreServer()
{
    if (!DatabaseLooked || DatabaseFound)
        return;
    try {
        tv::db::Connection admin;
        admin.Open();
        admin.Exec(QStringLiteral("DROP DATABASE IF EXISTS ") + BenchDb + QStringLiteral(" WITH (FORCE)"));
    } catch (const tv::Error &e) {
        std::fprintf(stderr, "could not drop %s: %s\n", qPrintable(BenchDb), qPrintable(e.text()));
    }
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
    // Shown, so that the list paints as on the screen.
    return TheSession->start(
        BenchDb, SetupError, [] { tvOption.ShowLevel0 = true; }, true);
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

// Notes when the list first paints with rows in it.
class FirstRowsWatch : public QObject {
public:
    explicit FirstRowsWatch(TtvListView *list) : FList(list) { list->viewport()->installEventFilter(this); }
    ~FirstRowsWatch() override { FList->viewport()->removeEventFilter(this); }
    void start()
    {
        FClock.start();
        FMs = -1;
    }
    double ms() const { return FMs; }

    // The item count of the last paint.
    int lastPainted() const { return FLastCount; }

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint) {
            FLastCount = FList->ItemCount();
            if (FMs < 0 && FLastCount > 0)
                FMs = FClock.nsecsElapsed() / 1e6;
        }
        return false;
    }

private:
    TtvListView *FList;
    QElapsedTimer FClock;
    double FMs = -1;
    int FLastCount = -1;
};

// One listing of the node as the user gets it: complete and painted.
// Returns seconds; `firstRows` gets the milliseconds to the first paint
// showing rows.
double ListOnce(TfrmObject *f, FirstRowsWatch &watch, double *firstRows = nullptr)
{
    QElapsedTimer t;
    watch.start();
    t.start();
    f->ShowObject(false);
    // The final paint: the one the event loop does, else one forced here
    // (a list refilled without a repaint still has its layout and paint ahead).
    QCoreApplication::processEvents();
    if (watch.lastPainted() != f->lstObject->ItemCount())
        f->lstObject->viewport()->repaint();
    const double s = t.nsecsElapsed() / 1e9;
    if (firstRows)
        *firstRows = watch.ms();
    return s;
}

void SelectNode(TfrmObject *f, QTreeWidgetItem *node)
{
    const QSignalBlocker block(f->tvTree);
    f->tvTree->setCurrentItem(node);
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
    SelectNode(f, node);
    f->show();
    FirstRowsWatch watch(f->lstObject);
    std::vector<double> first;
    for (auto _ : state) {
        double ms = -1;
        ListOnce(f, watch, &ms);
        first.push_back(ms);
    }
    state.counters["items"] = f->lstObject->ItemCount();
    state.counters["first_rows_ms"] = tvbench::Median(first);
}

void BM_DatabaseMixedDetailed(benchmark::State &s) { List(s, QString(), true); }
void BM_DatabaseMixedSimple(benchmark::State &s) { List(s, QString(), false); }
void BM_FunctionDetailed(benchmark::State &s) { List(s, QStringLiteral("FUNCTION"), true); }
void BM_SequenceDetailed(benchmark::State &s) { List(s, QStringLiteral("SEQUENCE"), true); }

// Seconds psql's \timing reports for the statement; -1 when psql cannot run.
double PsqlStatementSeconds(const QString &psql, const QString &sqlFile)
{
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(psql, {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-d"), BenchDb, QStringLiteral("-o"),
                   QProcess::nullDevice(), QStringLiteral("-c"), QStringLiteral("\\timing on"), QStringLiteral("-f"),
                   sqlFile});
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitCode() != 0)
        return -1;
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Time: ([0-9.]+) ms")).match(QString::fromLocal8Bit(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toDouble() / 1000 : -1;
}

void PrintRow(const char *what, const std::vector<double> &v)
{
    if (v.empty() || *std::min_element(v.begin(), v.end()) < 0) {
        std::printf("  %-44s not available\n", what);
        return;
    }
    std::printf("  %-44s min %.3f  median %.3f  max %.3f s\n", what, *std::min_element(v.begin(), v.end()), tvbench::Median(v),
                *std::max_element(v.begin(), v.end()));
}

// The mixed list of the database beside psql, alternating.
void CompareWithPsql()
{
    TfrmObject *f = TheSession->form;
    TObjectListQuery q;
    q.DBName = BenchDb;
    q.DBVer = f->DBVer();
    q.TreeData = true;
    tvOption.TreeData = true;
    tvOption.Progress = true;
    SelectNode(f, Node(f, QString()));
    QTemporaryDir dir;
    const QString sqlFile = dir.filePath(QStringLiteral("mixed.sql"));
    {
        QFile out(sqlFile);
        if (!out.open(QIODevice::WriteOnly))
            return;
        out.write(BuildObjectListSQL(QStringLiteral("%"), q).toUtf8() + ";\n");
    }
    FindPostgreSQLLocation();
    QString psql = PostgreSQLLocation + QStringLiteral("/bin/psql");
    if (PostgreSQLLocation.isEmpty() || !QFile::exists(psql))
        psql = QStringLiteral("psql");
    FirstRowsWatch watch(f->lstObject);
    // The statement alone through a connection of ours, no list made: what
    // the listing spends beyond it is making, sorting and painting the items.
    tv::db::Connection plain(tvbench::benchDatabase(BenchDb));
    plain.Open();
    const QString statement = BuildObjectListSQL(QStringLiteral("%"), q);
    const auto fetchAlone = [&] {
        QElapsedTimer t;
        t.start();
        const int rows = plain.Exec(statement)->rowCount();
        benchmark::DoNotOptimize(rows);
        return t.nsecsElapsed() / 1e9;
    };
    std::vector<double> ours, first, theirs, alone;
    ListOnce(f, watch); // warm both caches alike
    PsqlStatementSeconds(psql, sqlFile);
    fetchAlone();
    for (int i = 0; i < 5; ++i) {
        double ms = -1;
        ours.push_back(ListOnce(f, watch, &ms));
        first.push_back(ms / 1000);
        theirs.push_back(PsqlStatementSeconds(psql, sqlFile));
        alone.push_back(fetchAlone());
    }
    std::printf("Mixed list of the database node (%d objects, detail columns, progress on), 5 runs alternating:\n",
                f->lstObject->ItemCount());
    PrintRow("ours: all rows fetched, listed, sorted, painted", ours);
    PrintRow("ours: first paint showing rows", first);
    PrintRow(("psql " + psql.toStdString() + ": all rows fetched").c_str(), theirs);
    PrintRow("ours: the statement alone, all rows fetched", alone);
    if (tvbench::Median(theirs) > 0)
        std::printf("  ratio of the medians %.2f\n", tvbench::Median(ours) / tvbench::Median(theirs));
    std::fflush(stdout);
}

} // namespace

BENCHMARK(BM_DatabaseMixedDetailed)->ArgName("progress")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DatabaseMixedSimple)->ArgName("progress")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FunctionDetailed)->ArgName("progress")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SequenceDetailed)->ArgName("progress")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    const auto stop = [] {
        if (TheSession) {
            CompareWithPsql();
            TheSession->main.reset();
            delete TheSession;
            TheSession = nullptr;
        }
        RestoreServer();
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = stop});
}
