// The dependency matrix and the test-data test run.
//
// BM_MatrixReferencedBy: "OBJECT＼被参照" of the matrix window for 300
// tables selected in the object list, each with 3 indexes and a trigger;
// beside it psql runs the same statements (oid lookup, dependency query,
// description per table) from a file.
//
// BM_DataGenTestRun: the generator's test run (100 rows into a scratch
// table, read back, thrown away) on a table of 1,000,000 rows and on an
// empty copy of it; the two figures are printed beside each other.
#include "BenchLogon.h"
#include "BenchSupport.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "tools/DataGenRule.h"
#include "tools/DataGenTestRun.h"
#include "tools/DataGenValue.h"
#include "tools/MatrixLookup.h"
#include "tools/frmMatrix.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QFile>
#include <benchmark/benchmark.h>

namespace {

const QString kDatabase = QStringLiteral("tv_bench_matrix");
constexpr int kTables = 300;
constexpr qint64 kBigRows = 1000000;

struct Fixture {
    tv::db::ConnectionParams params;
    QString error;
    bool ready = false;
};

Fixture &Setup()
{
    static Fixture f;
    if (f.ready || !f.error.isEmpty())
        return f;
    try {
        f.params = tvbench::benchDatabase(kDatabase);
        tv::db::Connection c(f.params);
        c.Open();
        const QString have = c.ExecScalar(QStringLiteral(
            "SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
            " WHERE n.nspname = 'mx' AND c.relkind = 'r'"));
        if (have.toInt() != kTables + 2) {
            c.Exec(QStringLiteral("DROP SCHEMA IF EXISTS mx CASCADE; CREATE SCHEMA mx;"
                                  "CREATE FUNCTION mx.tf() RETURNS trigger LANGUAGE plpgsql AS"
                                  " $$BEGIN RETURN NEW; END$$;"));
            QString ddl;
            for (int i = 0; i < kTables; ++i) {
                const QString t = QStringLiteral("mx.t%1").arg(i, 3, 10, QLatin1Char('0'));
                ddl += QStringLiteral("CREATE TABLE %1(id int primary key, a int, b text, c date);"
                                      "CREATE INDEX ON %1(a); CREATE INDEX ON %1(b); CREATE INDEX ON %1(c);"
                                      "CREATE TRIGGER trg BEFORE INSERT ON %1 FOR EACH ROW EXECUTE FUNCTION mx.tf();")
                           .arg(t);
            }
            c.Exec(ddl);
            c.Exec(QStringLiteral("CREATE TABLE mx.big(id serial primary key, name varchar(20) NOT NULL,"
                                  " price numeric(10,2));"
                                  "INSERT INTO mx.big(name, price) SELECT 'n' || g, g % 1000"
                                  " FROM generate_series(1, %1) g;"
                                  "CREATE TABLE mx.empty (LIKE mx.big INCLUDING ALL); ANALYZE mx.big;")
                       .arg(kBigRows));
        }
        f.ready = true;
    } catch (const std::exception &e) {
        f.error = QString::fromUtf8(e.what());
    }
    return f;
}

QTreeWidgetItem *Child(QTreeWidgetItem *n, const QString &text)
{
    for (int i = 0; n && i < n->childCount(); ++i)
        if (n->child(i)->text(0) == text)
            return n->child(i);
    return nullptr;
}

// The statements the window sends for one table, with literals, for psql.
QString PsqlScript(tv::db::Connection &c)
{
    QString out;
    TMatrixLookup l(c, c.ServerVersionNum(), false);
    auto literal = [](QString sql, const QList<std::pair<QString, QString>> &v) {
        for (const auto &p : v)
            sql.replace(u':' + p.first, u'\'' + p.second + u'\'');
        return sql;
    };
    for (int i = 0; i < kTables; ++i) {
        const QString t = QStringLiteral("t%1").arg(i, 3, 10, QLatin1Char('0'));
        out += literal(MatrixSQL::ObjectOid(45, c.ServerVersionNum(), false),
                       {{QStringLiteral("nspname"), QStringLiteral("mx")}, {QStringLiteral("relname"), t}}) +
               QStringLiteral(";\n");
        const qint64 oid = l.GetObjectOid(45, QStringLiteral("mx"), {}, {}, t);
        out += literal(MatrixSQL::ReferencedBy(), {{QStringLiteral("refobjid"), QString::number(oid)}}) +
               QStringLiteral(";\n");
        QStringList parts;
        for (const TRefObj &e : l.Dependencies(oid, false)) {
            const QString s = MatrixSQL::Describe(e.sCatalog, e.nOid, c.ServerVersionNum(), false);
            if (!s.isEmpty())
                parts << s;
        }
        if (!parts.isEmpty())
            out += parts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(";\n");
    }
    return out;
}

void BM_MatrixReferencedBy(benchmark::State &state)
{
    Fixture &f = Setup();
    if (!f.ready) {
        state.SkipWithError(f.error.toStdString().c_str());
        return;
    }
    tvbench::Logon logon;
    QString error;
    TfrmObject *form = logon.start(kDatabase, error);
    if (!form) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    QTreeWidgetItem *node = Child(Child(form->tvTree->topLevelItem(0), QStringLiteral("mx")), QStringLiteral("TABLE"));
    if (!node) {
        state.SkipWithError("no TABLE node of schema mx");
        return;
    }
    form->tvTree->setCurrentItem(node);
    form->lstObject->clearSelection();
    int selected = 0;
    for (int i = 0; i < form->lstObject->ItemCount(); ++i) {
        TtvListItem *it = form->lstObject->Item(i);
        if (it->Caption().startsWith(u't') && it->Caption().size() == 4) {
            it->setSelected(true);
            ++selected;
        }
    }
    TfrmMatrix *w = TfrmMatrix::Create(form);
    if (!w || selected != kTables) {
        state.SkipWithError("the matrix window did not open over 300 tables");
        return;
    }
    QTemporaryDir dir;
    const QString script = dir.path() + QStringLiteral("/matrix.sql");
    {
        tv::db::Connection c(f.params);
        c.Open();
        QFile file(script);
        file.open(QIODevice::WriteOnly);
        file.write(PsqlScript(c).toUtf8());
    }
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        w->Reload(nullptr);
        const double secs = t.nsecsElapsed() / 1e9;
        state.PauseTiming();
        const double psql = tvbench::timePsql(
            {QStringLiteral("-q"), QStringLiteral("-d"), f.params.Database, QStringLiteral("-f"), script});
        tvbench::printBeside("matrix OBJECT＼被参照, 300 tables", secs, psql);
        state.counters["ratio_to_psql"] = psql > 0 ? secs / psql : 0;
        state.ResumeTiming();
    }
    w->Close();
}
BENCHMARK(BM_MatrixReferencedBy)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

double TestRunSeconds(tv::db::Connection &c, const QString &table)
{
    TDataGenJob job;
    job.Schema = QStringLiteral("mx");
    job.Table = table;
    ReadTable(c, job);
    SetDefaultRules(job, QDateTime::currentDateTime());
    job.Cols[job.IndexOf(QStringLiteral("price"))].SetType = stRandNum;
    job.Cols[job.IndexOf(QStringLiteral("price"))].NumTo = 1000;
    job.Count = 1000;
    TSeededRandom rnd(7);
    TDataGenTestRun run(c, job, rnd);
    int rows = 0;
    QElapsedTimer t;
    t.start();
    run.Run(
        [&](const QString &select) {
            tv::db::Query q(&c);
            q.SetParamParsing(false);
            q.SetSQL(select);
            q.Open();
            rows = q.RecordCount();
        },
        {}, QDateTime::currentDateTime());
    const double secs = t.nsecsElapsed() / 1e9;
    if (rows != TDataGenTestRun::kLimit)
        throw std::runtime_error("the test run did not show 100 rows");
    return secs;
}

void BM_DataGenTestRun(benchmark::State &state)
{
    Fixture &f = Setup();
    if (!f.ready) {
        state.SkipWithError(f.error.toStdString().c_str());
        return;
    }
    tv::db::Connection c(f.params);
    c.Open();
    for (auto _ : state) {
        double big = 0, empty = 0;
        // Several rounds each: single runs of a few milliseconds are noisy.
        for (int i = 0; i < 5; ++i) {
            big += TestRunSeconds(c, QStringLiteral("big"));
            empty += TestRunSeconds(c, QStringLiteral("empty"));
        }
        state.PauseTiming();
        std::printf("test run, 1,000,000-row table: %.4f s; empty copy: %.4f s; ratio %.2f\n", big / 5, empty / 5,
                    empty > 0 ? big / empty : 0);
        state.counters["ratio_big_to_empty"] = empty > 0 ? big / empty : 0;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DataGenTestRun)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return tvbench::runInApplication(argc, argv, {true});
}
