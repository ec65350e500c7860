// Script output of 2,000 three-column indexes into one memory buffer, as the
// connection window's OutputScript(46) runs it (the index window's GetScript
// for each index, without a window), against the test server (the PG*
// environment of scripts/test-db). It counts the statements the server ran
// for it (pg_stat_statements) and times psql -f sending the same catalog
// statements. Goals: at most 3 statements per index, within 1.5x of psql.
// INDEX_N=<count> scripts another number of indexes.
#include "BenchSupport.h"
#include "common/Globals.h"
#include "common/IConnectionWindow.h"
#include "common/Quote.h"
#include "objects/table/IndexDefinition.h"
#include "objects/table/frmIndex.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <unistd.h>

namespace {

const int kIndexes = qEnvironmentVariableIsSet("INDEX_N") ? qEnvironmentVariableIntValue("INDEX_N") : 2000;

// A connection window reduced to what script output uses.
class BenchConnection : public IConnectionWindow {
public:
    QWidget *FormWidget() override { return &m_widget; }
    tv::db::Connection &dbsMain() override { return m_conn; }
    QString ConnectionText() const override { return {}; }
    QString DBName() const override { return m_conn.Params().Database; }
    int DBVer() const override { return m_conn.ServerVersionNum(); }
    bool g_bPostgresPlus() const override { return false; }
    bool g_Linux_Ver() const override { return true; }
    int MYSID() const override { return -1; }
    bool DBAMODE() const override { return false; }
    void ExecuteSQL(const QString &SQLText) override { m_conn.Exec(SQLText); }
    void ExecuteSQL(const QString &, const QStringList &) override {}
    void ExecuteSQL(const QStringList &, bool) override {}
    tv::db::Query &OpenSQL(const QString &) override { throw tv::Error(QStringLiteral("not here")); }
    tv::db::Query &OpenSQL(const QString &, const QStringList &) override
    {
        throw tv::Error(QStringLiteral("not here"));
    }
    int GetMySID() override { return -1; }
    QString VerStr(int, const QString &S1, const QString &) const override { return S1; }
    void GetSchemaInfo(QStringList &, bool) override {}

private:
    QWidget m_widget;
    tv::db::Connection m_conn;
};

qint64 StatementCount(tv::db::Connection &c)
{
    return c.ExecScalar(QStringLiteral("SELECT coalesce(sum(calls), 0) FROM pg_stat_statements "
                                       "WHERE dbid = (SELECT oid FROM pg_database WHERE datname = current_database())"))
        .toLongLong();
}

void BM_IndexScript(benchmark::State &state)
{
    const QString schema = QStringLiteral("bench_idx_%1").arg(getpid());
    for (auto _ : state) {
        BenchConnection conn;
        tv::db::Connection &c = conn.dbsMain();
        try {
            c.Open(); // every parameter from libpq's PG* environment
            c.Params().Database = c.ExecScalar(QStringLiteral("SELECT current_database()"));
            c.Params().MetaDefSchema = QStringLiteral("public");
            c.Exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_stat_statements"));
            c.Exec(QStringLiteral("CREATE SCHEMA %1; CREATE TABLE %1.t (a int, b text, c date)").arg(schema));
            QString ddl;
            for (int i = 0; i < kIndexes; ++i)
                ddl += QStringLiteral("CREATE INDEX ix_%2 ON %1.t (a, b, c);").arg(schema).arg(i);
            c.Exec(ddl);
        } catch (const tv::Error &e) {
            state.SkipWithError(e.text().toStdString().c_str());
            return;
        }

        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        const qint64 before = StatementCount(c);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kIndexes; ++i) {
            try {
                TfrmIndex::GetScript(&conn, schema, QStringLiteral("ix_%1").arg(i), buffer);
            } catch (const tv::SilentAbort &) {
            }
        }
        const double seconds = t.nsecsElapsed() / 1e9;
        // The count query itself is one more statement.
        const qint64 statements = StatementCount(c) - before - 1;
        const qint64 bytes = buffer.size();

        // psql sends the same catalog statement for each index.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("script.sql"));
        QFile f(file);
        double psql = -1;
        if (f.open(QIODevice::WriteOnly)) {
            const QString sql = IndexSQL::Index(c.ServerVersionNum());
            for (int i = 0; i < kIndexes; ++i) {
                QString s = sql;
                s.replace(QStringLiteral(":SCHEMA"), QuoteLiteral(schema))
                    .replace(QStringLiteral(":IDXNAME"), QuoteLiteral(QStringLiteral("ix_%1").arg(i)))
                    .replace(QStringLiteral(":DATABASE"), QuoteLiteral(c.Params().Database));
                f.write(s.toUtf8() + ";\n");
            }
            f.close();
            psql = tvbench::timePsql({QStringLiteral("-q"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                                      QStringLiteral("-f"), file});
        }
        c.Exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));

        std::printf("%d indexes: %lld statements (%.2f per index, goal <= 3: %s), %lld bytes of script\n", kIndexes,
                    statements, double(statements) / kIndexes, statements <= 3LL * kIndexes ? "met" : "missed",
                    bytes);
        tvbench::printBeside(std::to_string(kIndexes) + " index scripts", seconds, psql);
        if (psql > 0)
            std::printf("goal: within 1.5 x psql: %s\n", seconds / psql <= 1.5 ? "met" : "missed");
        std::fflush(stdout);
        state.counters["seconds"] = seconds;
        state.counters["statements_per_index"] = double(statements) / kIndexes;
    }
}

} // namespace

BENCHMARK(BM_IndexScript)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return tvbench::runInApplication(argc, argv,
                                     {.scratchConfig = true, .start = StartSharedServices, .stop = EndSharedServices});
}
