// The query builder of the SQL window on a large design: 30 tables of 50
// columns, 40 join lines and 300 grid rows. Timed: writing the statement
// (formatter included), reading its own text back, a repaint of the surface
// while a table is dragged, and adding 30 tables from a schema of 10,000
// (database "tv_bench_sqldesign" on the server of the PG* environment of
// scripts/test-db, built once and kept). Beside the last, psql reads the
// same column query 30 times.
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/tvOption.h"
#include "controls/tvStringGrid.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "sql/SQLDesignModel.h"
#include "sql/tvSQLDesigner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_sqldesign");
constexpr int kTables = 30, kColumns = 50, kJoins = 40, kRows = 300;
double g_lastAdd = -1; // seconds of the last 30 tables added

QStringList Columns()
{
    QStringList c{QStringLiteral("*")};
    for (int i = 0; i < kColumns; ++i)
        c << QStringLiteral("col_%1").arg(i);
    return c;
}

// The design of the benchmark in a plain TSQLDesign.
void FillDesign(TSQLDesign &d)
{
    d.DefSchema = QStringLiteral("public");
    QStringList used;
    for (int i = 0; i < kTables; ++i) {
        const QString alias = sqldesign::NewAlias(used);
        used << alias;
        TSQLDesignTable *t = d.AddTable(QStringLiteral("public"), QStringLiteral("tbl_%1").arg(i), alias, false);
        t->Columns = Columns();
        t->Keys = QList<bool>(t->Columns.size(), false);
    }
    for (int j = 0; j < kJoins; ++j)
        d.AddConnect(d.Tables[j % kTables].get(), QStringLiteral("col_%1").arg(j % kColumns),
                     d.Tables[(j + 1) % kTables].get(), QStringLiteral("col_%1").arg((j + 7) % kColumns));
    d.ClearGrid();
    for (int r = 0; r < kRows; ++r) {
        const TSQLDesignTable &t = *d.Tables[r % kTables];
        d.AppendColumnRow(t, QStringLiteral("col_%1").arg(r % kColumns), false);
        QStringList &row = d.Rows[d.Rows.size() - 2];
        if (r % 10 == 0)
            row[gcWhere] = QStringLiteral("> %1").arg(r);
        if (r % 25 == 0) {
            row[gcSort] = QStringLiteral("降順");
            row[gcOrder] = QString::number(r / 25 + 1);
        }
    }
}

void BM_DesignToSQL(benchmark::State &state)
{
    TSQLDesign d;
    FillDesign(d);
    for (auto _ : state)
        benchmark::DoNotOptimize(d.DesignToSQL());
}

void BM_SQLToDesignOfItsOwnText(benchmark::State &state)
{
    TSQLDesign source;
    FillDesign(source);
    const QString text = source.DesignToSQL();
    for (auto _ : state) {
        TSQLDesign d;
        d.DefSchema = QStringLiteral("public");
        d.SQLToDesign(text, [&d](const QString &name, const QString &alias) {
            TSQLDesignTable *t = d.AddTable(QString(), name, alias, false);
            t->Columns = Columns();
            return t;
        });
        benchmark::DoNotOptimize(d.Rows.size());
    }
}

void BM_RepaintWhileDragging(benchmark::State &state)
{
    QWidget top;
    top.resize(1200, 800);
    auto *designer = new TtvSQLDesigner(&top);
    designer->resize(1200, 800);
    top.show();
    TSQLDesign &d = designer->Design();
    for (int i = 0; i < kTables; ++i) {
        TtvSQLBuildTable *t = designer->AddTable(QStringLiteral("tbl_%1").arg(i));
        t->Data()->Columns = Columns();
        t->UpdateColumns();
    }
    for (int j = 0; j < kJoins; ++j)
        d.AddConnect(d.Tables[j % kTables].get(), QStringLiteral("col_%1").arg(j % kColumns),
                     d.Tables[(j + 1) % kTables].get(), QStringLiteral("col_%1").arg((j + 7) % kColumns));
    TtvSQLBuildTable *moving = designer->Tables().front();
    int step = 0;
    for (auto _ : state) {
        moving->move(16 + (step % 200), 16 + (step % 100));
        ++step;
        // The visible part of the surface with its table windows, as painted.
        benchmark::DoNotOptimize(designer->viewport()->grab());
    }
}

// Builds the catalog unless a complete one is there already.
void PrepareDatabase()
{
    tv::db::Connection admin;
    admin.Open();
    if (admin.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_database WHERE datname = '") + BenchDb +
                         QStringLiteral("'")) == QLatin1String("0"))
        admin.Exec(QStringLiteral("CREATE DATABASE ") + BenchDb);
    tv::db::ConnectionParams p = admin.Params();
    p.Database = BenchDb;
    tv::db::Connection c(p);
    c.Open();
    if (c.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_class WHERE relname = 'done_marker'")) !=
        QLatin1String("0"))
        return;
    c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..10000 LOOP"
                          " EXECUTE format('CREATE TABLE IF NOT EXISTS tbl_%s (id int PRIMARY KEY, name text, v int)', i);"
                          " IF i % 500 = 0 THEN COMMIT; END IF; END LOOP; END $$"));
    c.Exec(QStringLiteral("CREATE TABLE done_marker()"));
}

std::unique_ptr<tv::db::Connection> BenchConnection()
{
    PrepareDatabase();
    tv::db::Connection admin;
    tv::db::ConnectionParams p = admin.Params();
    p.Database = BenchDb;
    p.MetaDefSchema = QStringLiteral("public");
    auto c = std::make_unique<tv::db::Connection>(p);
    c->Open();
    return c;
}

void BM_AddThirtyTablesFromTenThousand(benchmark::State &state)
{
    std::unique_ptr<tv::db::Connection> conn;
    try {
        conn = BenchConnection();
    } catch (const std::exception &e) {
        state.SkipWithError(e.what());
        return;
    }
    TtvSQLDesigner designer;
    designer.resize(1200, 800);
    designer.SetDatabase(conn.get());
    int round = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        for (int i = 1; i <= kTables; ++i)
            designer.AddTable(QStringLiteral("public.tbl_%1").arg(round * kTables + i));
        g_lastAdd = t.nsecsElapsed() / 1e9;
        state.PauseTiming();
        designer.Clear();
        ++round;
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_DesignToSQL)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLToDesignOfItsOwnText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintWhileDragging)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddThirtyTablesFromTenThousand)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char **argv)
{
    const auto stop = [] {
        // psql reading the column query of 30 tables, for comparison.
        QStringList args{QStringLiteral("-d"), BenchDb};
        for (int i = 1; i <= kTables; ++i) {
            QString sql = TtvSQLDesigner::ColumnSQL(150000);
            sql.replace(QStringLiteral(":NAME"), QStringLiteral("'tbl_%1'").arg(i));
            sql.replace(QStringLiteral(":SCHEMANM"), QStringLiteral("'public'"));
            args << QStringLiteral("-c") << sql;
        }
        if (g_lastAdd >= 0)
            tvbench::printBeside("30 tables with their column lists", g_lastAdd, tvbench::timePsql(args));
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = stop});
}
