// Script output of 1,000 views of 30 columns into one memory buffer, as the
// connection window's OutputScript(47) runs it (the view window's GetScript
// for each view, without a window), beside pg_dump --schema-only of the same
// views; and the Excel report of 200 tables (20 columns, 2 indexes, a
// UNIQUE constraint) with every table item, as the object list's report
// command runs it (one file per table). Both count the statements the
// connection sent per object for narrow and wide objects (libpq's protocol
// trace). Goals: within 2x of pg_dump; statements per object independent of
// the column count.
// VIEW_N=<count> and REPORT_N=<count> change the numbers of objects.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "common/Globals.h"
#include "objects/other/OtherWindows.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/settings/Folders.h"
#include "shell/ObjectDispatcher.h"
#include "sql/RepData.h"
#include "sql/XlsDefinition.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <libpq-fe.h>

namespace {

const int kViews = qEnvironmentVariableIsSet("VIEW_N") ? qEnvironmentVariableIntValue("VIEW_N") : 1000;
const int kTables = qEnvironmentVariableIsSet("REPORT_N") ? qEnvironmentVariableIntValue("REPORT_N") : 200;
const QString Database = QStringLiteral("bench_viewscript");

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

void MakeViews(tv::db::Connection &c, const QString &schema, int width, int count)
{
    QStringList cols;
    for (int i = 0; i < width; ++i)
        cols << QStringLiteral("c%1 integer").arg(i);
    c.Exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE; CREATE SCHEMA %1; CREATE TABLE %1.base (%2);")
               .arg(schema, cols.join(QStringLiteral(", "))));
    QStringList names;
    for (int i = 0; i < width; ++i)
        names << QStringLiteral("c%1").arg(i);
    QString ddl;
    for (int v = 0; v < count; ++v) {
        ddl += QStringLiteral("CREATE VIEW %1.v%2 AS SELECT %3 FROM %1.base WHERE c0 > %2;"
                              "COMMENT ON VIEW %1.v%2 IS 'view %2';")
                   .arg(schema)
                   .arg(v)
                   .arg(names.join(QStringLiteral(", ")));
        if (v % 100 == 99) {
            c.Exec(ddl);
            ddl.clear();
        }
    }
    if (!ddl.isEmpty())
        c.Exec(ddl);
}

void MakeTables(tv::db::Connection &c, const QString &schema, int width, int count)
{
    c.Exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE; CREATE SCHEMA %1;").arg(schema));
    QString ddl;
    for (int t = 0; t < count; ++t) {
        QStringList cols{QStringLiteral("id integer PRIMARY KEY"), QStringLiteral("code text UNIQUE")};
        for (int i = 2; i < width; ++i)
            cols << QStringLiteral("c%1 numeric(10,2)").arg(i);
        ddl += QStringLiteral("CREATE TABLE %1.t%2 (%3); CREATE INDEX t%2_i1 ON %1.t%2 (c2);"
                              "CREATE INDEX t%2_i2 ON %1.t%2 (c3, id); COMMENT ON COLUMN %1.t%2.id IS 'key';")
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
};

template <class F>
Run Measure(tv::db::Connection &conn, int count, F &&each)
{
    Run r;
    {
        StatementCounter counter(conn);
        for (int i = 0; i < count; ++i)
            each(i);
        r.statements = counter.Stop();
    }
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < count; ++i)
        each(i);
    r.seconds = t.nsecsElapsed() / 1e9;
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

void BM_ViewScriptAndReport(benchmark::State &state)
{
    for (auto _ : state) {
        tv::db::Connection c;
        tvbench::Logon logon;
        try {
            tvbench::benchDatabase(Database);
            c.Params().Database = Database;
            c.Open();
            MakeViews(c, QStringLiteral("bv_narrow"), 5, kViews);
            MakeViews(c, QStringLiteral("bv_wide"), 30, kViews);
            MakeTables(c, QStringLiteral("br_narrow"), 5, kTables);
            MakeTables(c, QStringLiteral("br_wide"), 20, kTables);
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
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        auto script = [&](const QString &schema) {
            return Measure(form->dbsMain(), kViews, [&](int i) {
                form->OutputScript(47, schema, QStringLiteral("v%1").arg(i), buffer);
            });
        };
        const Run narrow = script(QStringLiteral("bv_narrow"));
        const Run wide = script(QStringLiteral("bv_wide"));
        const double dump = TimePgDump(QStringLiteral("bv_wide"));

        // A report definition with every table item.
        TReportDefinition def;
        def.Type = QStringLiteral("TABLE");
        def.BodyTop = 10;
        def.BodyCount = 1;
        int col = 0;
        for (int item : {rtSchema, rtComment, rtTableName, rtStorageType, rtTableSpace, rtCross, rtCoverCross})
            def.Header.append({RepDataItems()[item].Key, 1, ++col});
        col = 0;
        for (int item : {rtSeq, rtComment, rtColumnName, rtDataType, rtDataLength, rtDataScale, rtNotNull,
                         rtDefaultValue, rtIsPrimaryKey})
            def.Body.append({RepDataItems()[item].Key, 1, ++col});
        def.Body2 = {{RepDataItems()[rtConstName].Key, 1, 2}, {RepDataItems()[rtConstValue].Key, 1, 3}};
        xlsdef::WriteDefinition(tv::settings::DataDir() + QStringLiteral("xlsdef/ALL.def"), def);
        QTemporaryDir out;
        const TReportFileProc proc = TObjectDispatcher::ReportFileProc(45);
        auto report = [&](const QString &schema) {
            return Measure(form->dbsMain(), kTables, [&](int i) {
                try {
                    proc(*form, QStringLiteral("ALL"), schema, QStringLiteral("t%1").arg(i), out.path() + u'/');
                } catch (const tv::SilentAbort &) {
                }
            });
        };
        const Run rNarrow = report(QStringLiteral("br_narrow"));
        const Run rWide = report(QStringLiteral("br_wide"));
        for (const char *s : {"bv_narrow", "bv_wide", "br_narrow", "br_wide"})
            c.Exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(QString::fromLatin1(s)));

        std::printf("%d view scripts of 5 columns: %.2f statements per view\n", kViews,
                    double(narrow.statements) / kViews);
        std::printf("%d view scripts of 30 columns: %.2f statements per view, %.3f s\n", kViews,
                    double(wide.statements) / kViews, wide.seconds);
        std::printf("goal: statements per view independent of the width: %s\n",
                    narrow.statements == wide.statements ? "met" : "missed");
        if (dump > 0) {
            std::printf("pg_dump --schema-only of the %d views: %.3f s, ratio %.2f\n", kViews, dump,
                        wide.seconds / dump);
            std::printf("goal: within 2 x pg_dump: %s\n", wide.seconds / dump <= 2.0 ? "met" : "missed");
        }
        std::printf("%d table reports with every item: 5 columns %.2f, 20 columns %.2f statements per table, "
                    "%.3f s for the wide ones\n",
                    kTables, double(rNarrow.statements) / kTables, double(rWide.statements) / kTables,
                    rWide.seconds);
        std::printf("goal: report statements per table independent of the width: %s\n",
                    rNarrow.statements == rWide.statements ? "met" : "missed");
        std::fflush(stdout);
        state.counters["view_seconds"] = wide.seconds;
        state.counters["report_seconds"] = rWide.seconds;
    }
}

} // namespace

BENCHMARK(BM_ViewScriptAndReport)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return tvbench::runInApplication(argc, argv, {.scratchConfig = true, .start = [] {
                                                      StartSharedServices();
                                                      RegisterReportItems();
                                                      RegisterOtherWindows();
                                                  },
                                                  .stop = EndSharedServices});
}
