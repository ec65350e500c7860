// (a) The INSERT script of a table of 1,000,000 rows and 10 columns, as
// script output writes it into a data file (the table window's GetScript
// with the rows option), beside pg_dump --data-only --inserts -t of the same
// table: time, and the growth of the peak resident set size (the rows are
// fetched in batches and written as they come, so it stays flat).
// (b) The rebuild of that table from the table window (a column moved,
// rows kept through the backup table, all in one transaction) beside
// psql -1 -f running the same statements.
// Goals: (a) within 1.5 x pg_dump, memory flat; (b) within 1.1 x psql.
// ROWS_N=<count> uses another number of rows.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/ScriptOption.h"
#include "common/tvOption.h"
#include "controls/tvStringGrid.h"
#include "objects/table/TableWindows.h"
#include "objects/table/frmTable.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

const int kRows = qEnvironmentVariableIsSet("ROWS_N") ? qEnvironmentVariableIntValue("ROWS_N") : 1000000;
const QString Database = QStringLiteral("bench_tablerows");

void MakeTable(tv::db::Connection &c)
{
    c.Exec(QStringLiteral(
               "DROP SCHEMA IF EXISTS br CASCADE; CREATE SCHEMA br;"
               "CREATE TABLE br.t (id integer PRIMARY KEY, name text, code varchar(20), amount numeric(12,2),"
               " ratio float8, flag boolean, born date, at timestamp, note text, qty bigint);"
               "INSERT INTO br.t SELECT g, 'name ' || g, 'C' || (g % 1000), g * 1.25, g / 7.0, g % 2 = 0,"
               " date '2000-01-01' + (g % 9000), timestamp '2020-01-01' + g * interval '1 second',"
               " CASE WHEN g % 10 = 0 THEN NULL ELSE 'it''s row ' || g END, g * 1000"
               " FROM generate_series(1, %1) g; ANALYZE br.t;")
               .arg(kRows));
}

double TimePgDump(const QString &out)
{
    QProcess p;
    p.setStandardOutputFile(out);
    p.setStandardInputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("pg_dump"), {QStringLiteral("--data-only"), QStringLiteral("--inserts"),
                                        QStringLiteral("-t"), QStringLiteral("br.t"), QStringLiteral("-d"), Database});
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitCode() != 0)
        return -1;
    return t.nsecsElapsed() / 1e9;
}

void BM_TableRows(benchmark::State &state)
{
    for (auto _ : state) {
        tv::db::Connection c;
        tvbench::Logon logon;
        try {
            tvbench::benchDatabase(Database);
            c.Params().Database = Database;
            c.Open();
            MakeTable(c);
        } catch (const tv::Error &e) {
            state.SkipWithError(e.text().toStdString().c_str());
            return;
        }
        QString error;
        TfrmObject *form = logon.start(Database, error, {}, true);
        if (!form) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        QTemporaryDir dir;
        ScriptOption.Insert = true;
        ScriptOption.InsertMode = 2;
        ScriptOption.OneScript = false;
        ScriptOption.Dir = false;
        ScriptOption.Index = false;
        ScriptOption.Path = dir.path();

        // (a)
        const long long rssBefore = tvbench::peakRssBytes();
        QBuffer ddl;
        ddl.open(QIODevice::ReadWrite);
        QElapsedTimer t;
        t.start();
        form->OutputScript(45, QStringLiteral("br"), QStringLiteral("t"), ddl);
        const double ours = t.nsecsElapsed() / 1e9;
        const long long rssAfter = tvbench::peakRssBytes();
        const qint64 bytes = QFileInfo(dir.filePath(QStringLiteral("_DATA.SQL"))).size();
        const double dump = TimePgDump(dir.filePath(QStringLiteral("dump.sql")));
        std::printf("INSERT script of %d rows x 10 columns: %lld bytes, peak RSS grew by %lld kB\n", kRows,
                    static_cast<long long>(bytes), (rssAfter - rssBefore) / 1024);
        if (dump > 0) {
            std::printf("ours %.3f s, pg_dump --data-only --inserts %.3f s, ratio %.2f\n", ours, dump, ours / dump);
            std::printf("goal: within 1.5 x pg_dump: %s\n", ours / dump <= 1.5 ? "met" : "missed");
        } else {
            std::printf("ours %.3f s (pg_dump not available)\n", ours);
        }

        // (b) The rebuild from the window: "name" moved up.
        auto *w = dynamic_cast<TfrmTable *>(form->OpenObject(45, QStringLiteral("br"), QStringLiteral("t")));
        double rebuild = -1;
        if (w) {
            w->grdColumn->MoveCurrent(TfrmTable::colName, 2);
            w->actColUpExecute();
            tvOption.CloseDDL = true;
            t.restart();
            w->Compile(nullptr);
            rebuild = t.nsecsElapsed() / 1e9;
            w->SetModified(false);
            w->close();
        }
        // The same statements through psql in one transaction.
        QFile script(dir.filePath(QStringLiteral("rebuild.sql")));
        script.open(QIODevice::WriteOnly);
        script.write("CREATE TABLE br.t_bak AS SELECT * FROM br.t;\n"
                     "DROP TABLE br.t;\n"
                     "CREATE TABLE br.t (name text, id integer NOT NULL, code varchar(20), amount numeric(12,2),"
                     " ratio float8, flag boolean, born date, at timestamp, note text, qty bigint,"
                     " CONSTRAINT t_pkey PRIMARY KEY (id));\n"
                     "INSERT INTO br.t (name, id, code, amount, ratio, flag, born, at, note, qty)"
                     " SELECT name, id, code, amount, ratio, flag, born, at, note, qty FROM br.t_bak;\n"
                     "ALTER TABLE br.t OWNER TO CURRENT_USER;\n"
                     "DROP TABLE br.t_bak;\n");
        script.close();
        const double psql = tvbench::timePsql({QStringLiteral("-q"), QStringLiteral("-1"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"),
                                               Database, QStringLiteral("-f"), script.fileName()});
        tvbench::printBeside("rebuild of " + std::to_string(kRows) + " rows", rebuild, psql);
        if (rebuild > 0 && psql > 0)
            std::printf("goal: within 1.1 x psql -1 -f: %s\n", rebuild / psql <= 1.1 ? "met" : "missed");
        c.Exec(QStringLiteral("DROP SCHEMA br CASCADE"));
        std::fflush(stdout);
        state.counters["script_seconds"] = ours;
        state.counters["rebuild_seconds"] = rebuild;
    }
}

} // namespace

BENCHMARK(BM_TableRows)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return tvbench::runInApplication(argc, argv, {.scratchConfig = true, .start = [] {
                                                      StartSharedServices();
                                                      RegisterTableWindows();
                                                  },
                                                  .stop = EndSharedServices});
}
