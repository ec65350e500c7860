// The SQL capture and table-access windows over a busy statement-statistics
// view: the database "tv_bench_sqlcatch" (built once and kept, 10,000
// tables, on the server of the PG* environment of scripts/test-db) with up
// to 5,000 distinct statements recorded (the view holds pg_stat_statements.max
// entries for the whole server, so on a shared server fewer stay; the count
// is printed). Timed: the capture list filled and painted (LoadStatements,
// every role), the matrix rule over 200 tables and 5,000 statement texts
// (1,000,000 pairs, BuildMatrix alone), and the table-access page with 200
// tables ticked that recorded statements name (read and filled). At the end
// the capture list is printed beside psql fetching the same query.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "monitor/SQLCatch.h"
#include "monitor/frmSQLCRUD.h"
#include "monitor/frmSQLCatch.h"
#include "platform/db/Connection.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QRegularExpression>
#include <QSet>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString BenchDb = QStringLiteral("tv_bench_sqlcatch");
constexpr int Tables = 10000;
constexpr int Statements = 5000;
constexpr int Ticked = 200;

// The statement texts as the view records them, every fourth an update.
QString StatementText(int i, bool normalised)
{
    if (i % 4 == 0)
        return normalised ? QStringLiteral("update t_%1 set qty = $1 where id = $2").arg(i)
                          : QStringLiteral("update t_%1 set qty = 2 where id = 1").arg(i);
    return normalised ? QStringLiteral("select * from t_%1 where id = $1").arg(i)
                      : QStringLiteral("select * from t_%1 where id = 1").arg(i);
}

void PrepareDatabase()
{
    tv::db::Connection c(tvbench::benchDatabase(BenchDb));
    c.Open();
    c.Exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_stat_statements SCHEMA public"));
    if (c.ExecScalar(QStringLiteral("SELECT count(*) FROM pg_class WHERE relname = 'done_marker'")) == QLatin1String("0")) {
        c.Exec(QStringLiteral("DO $$ BEGIN FOR i IN 1..%1 LOOP"
                              " EXECUTE format('CREATE TABLE IF NOT EXISTS t_%s (id int, qty int)', i);"
                              " IF i % 500 = 0 THEN COMMIT; END IF; END LOOP; END $$")
                   .arg(Tables));
        c.Exec(QStringLiteral("CREATE TABLE done_marker()"));
    }
    // The statements the view does not hold (any more) are run once more.
    QSet<QString> recorded;
    auto r = c.Exec(QStringLiteral("SELECT s.query FROM public.pg_stat_statements s JOIN pg_database d ON "
                                   "d.oid = s.dbid WHERE d.datname = current_database()"));
    for (int i = 0; i < r->rowCount(); ++i)
        recorded.insert(r->text(i, 0));
    for (int i = 1; i <= Statements; ++i) {
        if (!recorded.contains(StatementText(i, true)))
            c.Exec(StatementText(i, false));
    }
}

struct Session : tvbench::Logon {
    TfrmSQLCatch *capture = nullptr;
    TfrmSQLCRUD *matrix = nullptr;
    QStringList statements;
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
        s->capture = TfrmSQLCatch::Create(s->form);
        s->matrix = TfrmSQLCRUD::Create(s->form);
        if (!s->capture || !s->matrix) {
            SetupError = QStringLiteral("the windows did not open: ") + s->dialogs.texts().join(u' ');
            return nullptr;
        }
        tv::db::Connection c(tvbench::benchDatabase(BenchDb));
        c.Open();
        auto r = c.Exec(QStringLiteral("SELECT s.query FROM public.pg_stat_statements s JOIN pg_database d ON "
                                       "d.oid = s.dbid WHERE d.datname = current_database()"));
        for (int i = 0; i < r->rowCount(); ++i)
            s->statements << r->text(i, 0);
        // Every role; the public schema with 200 tables ticked that recorded
        // statements name.
        s->capture->cmbUser->setEditText(QStringLiteral("(全て)"));
        s->matrix->cmbUser->setCurrentIndex(0);
        s->matrix->cmbSchema->setCurrentIndex(s->matrix->cmbSchema->findText(QStringLiteral("public")));
        s->matrix->cmbSchemaSelect();
        QSet<QString> named;
        static const QRegularExpression table(QStringLiteral("\\b(t_\\d+)\\b"));
        for (const QString &q : std::as_const(s->statements)) {
            if (named.size() >= Ticked)
                break;
            if (const QRegularExpressionMatch m = table.match(q); m.hasMatch())
                named.insert(m.captured(1));
        }
        QListWidget *l = s->matrix->lstTable;
        l->item(0)->setCheckState(Qt::Unchecked);
        int ticked = 0;
        for (int i = 1; i < l->count(); ++i) {
            if (named.contains(l->item(i)->text())) {
                l->item(i)->setCheckState(Qt::Checked);
                ++ticked;
            }
        }
        std::printf("recorded statements: %lld, tables ticked on the page: %d\n",
                    static_cast<long long>(s->statements.size()), ticked);
    } catch (const tv::Error &e) {
        SetupError = e.text();
        return nullptr;
    }
    return TheSession;
}

void BM_LoadStatements(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    for (auto _ : state) {
        s->capture->LoadStatements(QString(), QStringLiteral("(全て)"));
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = s->capture->lstTrace->ItemCount();
}

void BM_BuildMatrixRule(benchmark::State &state)
{
    // The rule alone, over the texts the view would hold with all 5,000
    // recorded, and every 25th table.
    QStringList statements, tables;
    for (int i = 1; i <= Statements; ++i)
        statements << StatementText(i, true);
    for (int i = 1; i <= Ticked; ++i)
        tables << QStringLiteral("t_%1").arg(i * (Statements / Ticked));
    size_t rows = 0;
    for (auto _ : state)
        rows = sqlcatch::BuildMatrix(tables, statements).size();
    state.counters["pairs"] = double(tables.size()) * double(statements.size());
    state.counters["rows"] = double(rows);
}

void BM_TableAccessPage(benchmark::State &state)
{
    Session *s = Setup();
    if (!s) {
        state.SkipWithError(SetupError.toStdString().c_str());
        return;
    }
    for (auto _ : state) {
        s->matrix->BuildMatrix();
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = s->matrix->lstCRUD->ItemCount();
}

} // namespace

BENCHMARK(BM_LoadStatements)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BuildMatrixRule)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TableAccessPage)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    const auto stop = [] {
        if (Session *s = TheSession; s && s->form) {
            QString sql = sqlcatch::StatementListSQL(s->form->DBVer());
            sql.replace(QStringLiteral(":datname"), QStringLiteral("'") + BenchDb + QStringLiteral("'"))
                .replace(QStringLiteral(":kensaku"), QStringLiteral("'%%'"))
                .replace(QStringLiteral(":rolname"), QStringLiteral("'%%'"));
            for (int round = 0; round < 3; ++round) {
                QElapsedTimer t;
                t.start();
                s->capture->LoadStatements(QString(), QStringLiteral("(全て)"));
                QCoreApplication::processEvents();
                const double ours = t.nsecsElapsed() / 1e9;
                tvbench::printBeside("capture list", ours,
                                     tvbench::timePsql({QStringLiteral("-d"), BenchDb, QStringLiteral("-c"), sql}));
            }
            s->main.reset();
            delete s;
            TheSession = nullptr;
        }
        EndSharedServices();
    };
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = stop});
}
