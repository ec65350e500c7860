// Script output of 500 tables (2 indexes, 1 UNIQUE constraint and 1
// trigger each) into one memory buffer, as the connection window's
// OutputScript(45) runs it (the table window's GetScript for each table,
// without a window), against the test server (the PG* environment of
// scripts/test-db). It counts the statements the connection sent for it
// (from libpq's protocol trace) for tables of 5 and of 20 columns, and times
// pg_dump --schema-only of the same tables, and psql -f sending the same
// catalog statements. Goals: statements per table independent of its width;
// within 2x of pg_dump.
// TABLE_N=<count> scripts another number of tables.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/Quote.h"
#include "objects/table/TableDefinition.h"
#include "objects/table/TableWindows.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <libpq-fe.h>

namespace {

const int kTables = qEnvironmentVariableIsSet("TABLE_N") ? qEnvironmentVariableIntValue("TABLE_N") : 500;
const QString Database = QStringLiteral("bench_tablescript");

// Counts the statements a connection sends meanwhile: each simple query
// and each execution of a prepared one, as libpq's protocol trace shows
// them.
class StatementCounter {
public:
    explicit StatementCounter(tv::db::Connection &c) : m_conn(c.handle()), m_file(std::tmpfile())
    {
        if (m_conn && m_file) {
            PQtrace(m_conn, m_file);
            PQsetTraceFlags(m_conn, PQTRACE_SUPPRESS_TIMESTAMPS);
        }
    }
    ~StatementCounter()
    {
        if (m_file)
            std::fclose(m_file);
    }
    qint64 Stop()
    {
        if (!m_conn || !m_file)
            return -1;
        PQuntrace(m_conn);
        std::rewind(m_file);
        qint64 n = 0;
        char line[4096];
        while (std::fgets(line, sizeof line, m_file)) {
            // "F\t<length>\t<message>..." for what the client sends.
            if (line[0] != 'F')
                continue;
            const char *type = std::strchr(line + 2, '\t');
            if (type && (std::strncmp(type + 1, "Query", 5) == 0 || std::strncmp(type + 1, "Execute", 7) == 0))
                ++n;
        }
        return n;
    }

private:
    PGconn *m_conn;
    std::FILE *m_file;
};

// The tables of one width in their own schema.
void MakeTables(tv::db::Connection &c, const QString &schema, int width)
{
    static const char *const types[] = {"integer", "text", "character varying(20)", "numeric(10,2)", "date"};
    c.Exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE; CREATE SCHEMA %1;"
                          "CREATE FUNCTION %1.fn() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;")
               .arg(schema));
    QString ddl;
    for (int t = 0; t < kTables; ++t) {
        QStringList cols{QStringLiteral("id integer NOT NULL"), QStringLiteral("code text")};
        for (int i = 2; i < width; ++i)
            cols << QStringLiteral("c%1 %2 DEFAULT NULL").arg(i).arg(QString::fromLatin1(types[i % 5]));
        ddl += QStringLiteral("CREATE TABLE %1.t%2 (%3, CONSTRAINT t%2_code_key UNIQUE (code));"
                              "CREATE INDEX t%2_i1 ON %1.t%2 (id); CREATE INDEX t%2_i2 ON %1.t%2 (c2, id);"
                              "CREATE TRIGGER t%2_trg AFTER INSERT ON %1.t%2 FOR EACH ROW EXECUTE FUNCTION %1.fn();"
                              "COMMENT ON COLUMN %1.t%2.id IS 'key';")
                   .arg(schema)
                   .arg(t)
                   .arg(cols.join(QStringLiteral(", ")));
        if (t % 50 == 49) {
            c.Exec(ddl);
            ddl.clear();
        }
    }
    if (!ddl.isEmpty())
        c.Exec(ddl);
}

struct Run {
    qint64 statements = 0;
    double seconds = 0;
    qint64 bytes = 0;
};

Run ScriptAll(TfrmObject &form, const QString &schema)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    Run r;
    {
        StatementCounter counter(form.dbsMain());
        for (int i = 0; i < kTables; ++i)
            form.OutputScript(45, schema, QStringLiteral("t%1").arg(i), buffer);
        r.statements = counter.Stop();
    }
    // Timed without the trace.
    QBuffer timed;
    timed.open(QIODevice::ReadWrite);
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kTables; ++i)
        form.OutputScript(45, schema, QStringLiteral("t%1").arg(i), timed);
    r.seconds = t.nsecsElapsed() / 1e9;
    r.bytes = timed.size();
    return r;
}

double TimePgDump(const QString &schema)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardInputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("pg_dump"),
            {QStringLiteral("--schema-only"), QStringLiteral("-n"), schema, QStringLiteral("-d"), Database});
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitCode() != 0)
        return -1;
    return t.nsecsElapsed() / 1e9;
}

// psql sends the catalog statements of each table's script.
double TimePsqlStatements(const QString &schema, int DBVer)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("script.sql")));
    if (!f.open(QIODevice::WriteOnly))
        return -1;
    const QStringList sqls{TableSQL::Table(DBVer)};
    for (int i = 0; i < kTables; ++i)
        for (QString sql : sqls) {
            sql.replace(QStringLiteral(":SCHEMA"), QuoteLiteral(schema))
                .replace(QStringLiteral(":TBLNAME"), QuoteLiteral(QStringLiteral("t%1").arg(i)))
                .replace(QStringLiteral(":DATABASE"), QuoteLiteral(Database));
            f.write(sql.toUtf8() + ";\n");
        }
    f.close();
    return tvbench::timePsql({QStringLiteral("-q"), QStringLiteral("-d"), Database, QStringLiteral("-o"),
                              QStringLiteral("/dev/null"), QStringLiteral("-f"), f.fileName()});
}

void BM_TableScript(benchmark::State &state)
{
    for (auto _ : state) {
        tv::db::Connection c;
        tvbench::Logon logon;
        try {
            tvbench::benchDatabase(Database);
            c.Params().Database = Database;
            c.Open();
            MakeTables(c, QStringLiteral("bt_narrow"), 5);
            MakeTables(c, QStringLiteral("bt_wide"), 20);
        } catch (const tv::Error &e) {
            state.SkipWithError(e.text().toStdString().c_str());
            return;
        }
        QString error;
        TfrmObject *form = logon.start(Database, error);
        if (!form) {
            state.SkipWithError(error.toStdString().c_str());
            return;
        }
        const Run narrow = ScriptAll(*form, QStringLiteral("bt_narrow"));
        const Run wide = ScriptAll(*form, QStringLiteral("bt_wide"));
        const double dump = TimePgDump(QStringLiteral("bt_wide"));
        const double psql = TimePsqlStatements(QStringLiteral("bt_wide"), form->DBVer());
        for (const char *s : {"bt_narrow", "bt_wide"})
            c.Exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(QString::fromLatin1(s)));

        const double perNarrow = double(narrow.statements) / kTables;
        const double perWide = double(wide.statements) / kTables;
        std::printf("%d tables of 5 columns: %lld statements (%.2f per table), %lld bytes of script\n", kTables,
                    narrow.statements, perNarrow, narrow.bytes);
        std::printf("%d tables of 20 columns: %lld statements (%.2f per table), %lld bytes of script\n", kTables,
                    wide.statements, perWide, wide.bytes);
        std::printf("goal: statements per table independent of the width: %s\n",
                    narrow.statements == wide.statements ? "met" : "missed");
        if (dump > 0) {
            std::printf("%d table scripts of 20 columns: ours %.3f s, pg_dump --schema-only %.3f s, ratio %.2f\n",
                        kTables, wide.seconds, dump, wide.seconds / dump);
            std::printf("goal: within 2 x pg_dump: %s\n", wide.seconds / dump <= 2.0 ? "met" : "missed");
        } else {
            std::printf("%d table scripts of 20 columns: ours %.3f s (pg_dump not available)\n", kTables,
                        wide.seconds);
        }
        tvbench::printBeside(std::to_string(kTables) + " table scripts of 20 columns, the same catalog statements",
                             wide.seconds, psql);
        std::fflush(stdout);
        state.counters["seconds"] = wide.seconds;
        state.counters["statements_per_table"] = perWide;
    }
}

} // namespace

BENCHMARK(BM_TableScript)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return tvbench::runInApplication(argc, argv, {.scratchConfig = true, .start = [] {
                                                      StartSharedServices();
                                                      RegisterTableWindows();
                                                  },
                                                  .stop = EndSharedServices});
}
