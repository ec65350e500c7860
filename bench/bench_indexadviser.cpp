// The index adviser's analysis run on a wide statement: a SELECT joining 10
// tables of 30 indexes each (database "tv_bench_indexadviser", built once and
// kept, on the server of the PG* environment of scripts/test-db) with 40
// condition tokens. Timed: the run of the window (plan, parse, catalog
// reads, both lists filled and painted once), printed beside psql running
// EXPLAIN ANALYZE of the same statement; the difference is the run's own
// catalog work (goal: under 0.5 s). The counters "paints_index" and
// "paints_proposals" are the paints of each list's viewport per run.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "monitor/frmIndexAdviser.h"
#include "platform/db/Connection.h"
#include "platform/ui/Guard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_indexadviser");
constexpr int Tables = 10;
constexpr int Columns = 30;

void PrepareDatabase()
{
    tv::db::Connection c(tvbench::benchDatabase(BenchDb));
    c.Open();
    if (c.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_class WHERE relname = 'done_marker'")) != QLatin1String("0"))
        return;
    for (int t = 1; t <= Tables; ++t) {
        QStringList cols{QStringLiteral("id int")};
        QStringList values{QStringLiteral("g")};
        for (int k = 1; k <= Columns; ++k) {
            cols << QStringLiteral("c%1 int").arg(k);
            values << QStringLiteral("(g * %1) % 97").arg(k);
        }
        c.Exec(QStringLiteral("DROP TABLE IF EXISTS ax_t%1").arg(t));
        c.Exec(QStringLiteral("CREATE TABLE ax_t%1 (%2)").arg(t).arg(cols.join(QStringLiteral(", "))));
        c.Exec(QStringLiteral("INSERT INTO ax_t%1 SELECT %2 FROM generate_series(1, 2000) g")
                   .arg(t)
                   .arg(values.join(QStringLiteral(", "))));
        // 30 indexes: the key and 29 columns.
        c.Exec(QStringLiteral("CREATE INDEX ax_t%1_id ON ax_t%1 (id)").arg(t));
        for (int k = 1; k < Columns; ++k)
            c.Exec(QStringLiteral("CREATE INDEX ax_t%1_c%2 ON ax_t%1 (c%2)").arg(t).arg(k));
        c.Exec(QStringLiteral("ANALYZE ax_t%1").arg(t));
    }
    c.Exec(QStringLiteral("CREATE TABLE done_marker()"));
}

// The statement: 10 tables, 9 join conditions and one IS NOT NULL test: 40
// condition tokens (27 + 4 + 9 AND).
QString Statement()
{
    QStringList from, where;
    for (int t = 1; t <= Tables; ++t)
        from << QStringLiteral("ax_t%1").arg(t);
    for (int t = 1; t < Tables; ++t)
        where << QStringLiteral("ax_t%1.id = ax_t%2.c%3").arg(t).arg(t + 1).arg(t);
    where << QStringLiteral("ax_t1.c5 IS NOT NULL");
    return QStringLiteral("SELECT ax_t1.id FROM ") + from.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") +
           where.join(QStringLiteral(" AND "));
}

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
    TfrmIndexAdviser *adviser = nullptr;
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
        if (!s->start(BenchDb, SetupError, {}, true))
            return nullptr;
        s->adviser = TfrmIndexAdviser::Create(s->form);
        s->adviser->txtSQL->Lines()->SetText(Statement());
        s->adviser->txtSQL->SetModified(true);
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    return TheSession;
}

void Run(Session *s)
{
    tv::ui::Guard([s] { s->adviser->actExecExecute(); });
}

void BM_AnalysisRun(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    PaintCounter index, proposals;
    s->adviser->lstIndex->viewport()->installEventFilter(&index);
    s->adviser->lstNewIndex->viewport()->installEventFilter(&proposals);
    for (auto _ : state) {
        Run(s);
        QCoreApplication::processEvents(); // the paint of the filled lists
    }
    s->adviser->lstIndex->viewport()->removeEventFilter(&index);
    s->adviser->lstNewIndex->viewport()->removeEventFilter(&proposals);
    int indexes = 0, proposed = 0;
    for (int i = 0; i < s->adviser->lstIndex->topLevelItemCount(); ++i)
        indexes += s->adviser->lstIndex->topLevelItem(i)->childCount();
    for (int i = 0; i < s->adviser->lstNewIndex->topLevelItemCount(); ++i)
        proposed += s->adviser->lstNewIndex->topLevelItem(i)->childCount();
    state.counters["indexes"] = indexes;
    state.counters["proposals"] = proposed;
    state.counters["paints_index"] = double(index.paints) / double(state.iterations());
    state.counters["paints_proposals"] = double(proposals.paints) / double(state.iterations());
    if (!s->dialogs.texts().isEmpty())
        state.SkipWithError(s->dialogs.texts().join(QLatin1Char('\n')).toStdString().c_str());
}

} // namespace

BENCHMARK(BM_AnalysisRun)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char **argv)
{
    const auto stop = [] {
        if (Session *s = TheSession; s && s->form) {
            QElapsedTimer t;
            t.start();
            Run(s);
            QCoreApplication::processEvents();
            const double ours = t.nsecsElapsed() / 1e9;
            const double psql = tvbench::timePsql(
                {QStringLiteral("-d"), BenchDb, QStringLiteral("-c"), QStringLiteral("EXPLAIN ANALYZE ") + Statement()});
            tvbench::printBeside("analysis run", ours, psql);
            if (psql > 0)
                std::printf("the run's own work (ours - psql): %.3f s (goal < 0.5 s)\n", ours - psql);
            s->main.reset();
            delete s;
            TheSession = nullptr;
        }
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = stop});
}
