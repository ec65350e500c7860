// The test-data engine without its window: rules read from the catalog,
// values by kind, runs with their COMMITs, Esc and failed rows against the
// test server, the input check and the settings file.
#include "support/DbTestSupport.h"
#include "platform/db/Connection.h"
#include "platform/Errors.h"
#include "platform/ui/ScriptedDialogs.h"
#include "support/ScratchDir.h"
#include "support/TestDb.h"
#include "tools/DataGenCheck.h"
#include "tools/DataGenFile.h"
#include "tools/DataGenRule.h"
#include "tools/DataGenRun.h"
#include "tools/DataGenValue.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace tvtest;
using tv::db::Connection;

namespace {

std::unique_ptr<Connection> Connect(const TestDb &db, bool autoCommit = true)
{
    auto conn = std::make_unique<Connection>(dbtest::paramsOf(db));
    conn->Open();
    conn->SetAutoCommit(autoCommit);
    return conn;
}

// A source whose draw depends only on the bound asked for.
class ByBound : public TDataGenRandom {
public:
    explicit ByBound(std::function<qint64(qint64)> f) : F(std::move(f)) {}
    qint64 Random(qint64 n) override { return n <= 0 ? 0 : F(n); }
    std::function<qint64(qint64)> F;
};

TColParams Column(const QString &name, const QString &type, int length = 0, int scale = 0)
{
    TColParams c;
    c.ColumnName = name;
    c.DataType = type;
    c.TypeText = type;
    c.Length = length;
    c.Scale = scale;
    c.CharUsed = DataGenType::IsChar(type);
    return c;
}

QDateTime DT(const char *s)
{
    return QDateTime::fromString(QString::fromLatin1(s), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

TDataGenJob ReadJob(Connection &c, const QString &schema, const QString &table)
{
    TDataGenJob job;
    job.Schema = schema;
    job.Table = table;
    ReadTable(c, job);
    SetDefaultRules(job, QDateTime::currentDateTime());
    NormaliseRules(job, QDate::currentDate());
    return job;
}

} // namespace

// ---------------------------------------------------------------------------
// Rules from the catalog

TEST(DataGenRules, DefaultRulesGiveTheInsertAndDroppedColumnsNoRule)
{
    TestDb db("dgrule");
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA s; CREATE TABLE s.t(id serial primary key, name varchar(20) NOT NULL, gone int,"
            " price numeric(10,2)); ALTER TABLE s.t DROP COLUMN gone;");
    auto c = Connect(db);
    TDataGenJob job = ReadJob(*c, QStringLiteral("s"), QStringLiteral("t"));
    ASSERT_EQ(job.Cols.size(), 3);
    EXPECT_EQ(job.Cols[2].ColumnName, QStringLiteral("price"));
    EXPECT_EQ(job.Cols[2].Length, 10);
    EXPECT_EQ(job.Cols[2].Scale, 2);
    EXPECT_EQ(job.Cols[1].Length, 20);
    EXPECT_EQ(job.Mode, dgmNormal);
    EXPECT_EQ(TDataGenRunner::InsertSQL(job),
              QStringLiteral("INSERT INTO \"s\".\"t\"(\"id\", \"name\") VALUES "
                             "(nextval('s.t_id_seq'::regclass), :COL1)"));
}

TEST(DataGenRules, OneColumnForeignKeyOpensTheParentModeTwoColumnsDoNot)
{
    TestDb db("dgrule");
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA s;"
            "CREATE TABLE s.p(pid int primary key, pname text, a int, b int, UNIQUE (a, b));"
            "CREATE TABLE s.c(cid int primary key, pid int NOT NULL REFERENCES s.p, pname text, qty int);"
            "CREATE TABLE s.c2(cid int primary key, a int, b int, FOREIGN KEY (a, b) REFERENCES s.p(a, b));"
            "CREATE TABLE s.k(stamp timestamp primary key, day date NOT NULL, at time NOT NULL,"
            " u1 int, u2 int, CONSTRAINT a_u UNIQUE (u1), CONSTRAINT b_u UNIQUE (u2));");
    auto c = Connect(db);

    TDataGenJob job = ReadJob(*c, QStringLiteral("s"), QStringLiteral("c"));
    EXPECT_EQ(job.Mode, dgmMaster);
    EXPECT_EQ(job.MastOwner, QStringLiteral("s"));
    EXPECT_EQ(job.MastTable, QStringLiteral("p"));
    EXPECT_EQ(job.MastColumns, (QStringList{"pid", "pname", "a", "b"}));
    EXPECT_EQ(job.Cols[1].SetType, stMaster);
    EXPECT_EQ(job.Cols[1].LinkColumn, QStringLiteral("pid"));
    EXPECT_EQ(job.Cols[2].SetType, stMaster); // same name as a parent column
    EXPECT_EQ(job.Cols[0].SetType, stSeqNum);
    EXPECT_FALSE(job.Cols[0].StrFull);
    EXPECT_EQ(job.Cols[3].SetType, stNone); // nullable integer without default

    TDataGenJob two = ReadJob(*c, QStringLiteral("s"), QStringLiteral("c2"));
    EXPECT_EQ(two.Mode, dgmNormal);
    EXPECT_EQ(two.MastTable, QStringLiteral("p"));
    EXPECT_TRUE(two.Foreign1.isEmpty());

    // Time-type keys and NOT NULL columns take the kind of their own type;
    // only the last unique constraint by name counts.
    TDataGenJob k = ReadJob(*c, QStringLiteral("s"), QStringLiteral("k"));
    EXPECT_EQ(k.Cols[0].SetType, stSeqDtTm);
    EXPECT_EQ(k.Cols[1].SetType, stRandDate);
    EXPECT_EQ(k.Cols[2].SetType, stRandTime);
    EXPECT_EQ(k.Unique, QStringList{"u2"});
}

// ---------------------------------------------------------------------------
// Values

TEST(DataGenValues, KindsGiveTheirValues)
{
    struct Case {
        const char *name;
        TColParams col;
        QSet<QString> expected; // every value drawn lies here and each appears
        bool firstOnly;          // only row 0 is compared
    };
    auto seq = [](const char *type, int len, bool full, const QString &prefix) {
        TColParams c = Column(QStringLiteral("c"), QString::fromLatin1(type), len);
        c.SetType = stSeqNum;
        c.NumFrom = 1;
        c.Marume = 1;
        c.StrFull = full;
        c.FlgPrefix = !prefix.isEmpty();
        c.StrPrefix = prefix;
        return c;
    };
    TColParams rn = Column(QStringLiteral("n"), QStringLiteral("integer"));
    rn.SetType = stRandNum;
    rn.NumFrom = 10;
    rn.NumTo = 20;
    rn.Marume = 5;
    TColParams rd = Column(QStringLiteral("d"), QStringLiteral("timestamp without time zone"));
    rd.SetType = stRandDtTm;
    rd.DateFrom = DT("2024-01-31 23:59:59");
    rd.DateTo = DT("2024-02-01 00:00:00");
    TColParams frac = Column(QStringLiteral("f"), QStringLiteral("numeric"));
    frac.SetType = stSeqNum;
    frac.NumFrom = 1.5;
    frac.Marume = 0.5;
    TColParams scaled = Column(QStringLiteral("s"), QStringLiteral("numeric"), 5, 2);
    scaled.SetType = stRandNum;

    const QList<Case> cases{
        {"leading zeros", seq("character varying", 10, true, {}), {"0000000001"}, true},
        {"prefix", seq("character varying", 10, true, QStringLiteral("A")), {"A000000001"}, true},
        {"integer sequence", seq("integer", 0, false, {}), {"1"}, true},
        {"random with unit", rn, {"10", "15"}, false},
        {"date-time bounds", rd, {"2024-01-31 23:59:59", "2024-02-01 00:00:00"}, false},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        TDataGenJob job;
        job.Cols << k.col;
        TSeededRandom rnd(42);
        TDataGenValues values(job, rnd, nullptr);
        QSet<QString> seen;
        for (int row = 0; row < (k.firstOnly ? 1 : 400); ++row) {
            const auto v = values.RowValues(row);
            ASSERT_EQ(v.size(), 1u);
            ASSERT_TRUE(v[0].has_value());
            seen << *v[0];
        }
        EXPECT_EQ(seen, k.expected);
    }

    // A fractional step: 1.5, 2, 2.5; numeric(5,2) without bounds stays below 1000.
    TDataGenJob job;
    job.Cols << frac << scaled;
    TSeededRandom rnd(7);
    TDataGenValues values(job, rnd, nullptr);
    QStringList steps;
    for (int row = 0; row < 3; ++row) {
        const auto v = values.RowValues(row);
        steps << *v[0];
        const double s = v[1]->toDouble();
        EXPECT_TRUE(s >= 0 && s <= 999.99) << v[1]->toStdString();
    }
    EXPECT_EQ(steps, (QStringList{"1.5", "2", "2.5"}));
}

TEST(DataGenValues, NullRatioAndConversion)
{
    TDataGenJob job;
    for (const char *t : {"integer", "character varying", "date"}) {
        TColParams c = Column(QString::fromLatin1(t), QString::fromLatin1(t), 10);
        c.SetType = stIn;
        c.Variable = QStringList{QStringLiteral("2024/01/02")};
        c.NullPar = 100;
        job.Cols << c;
    }
    job.Cols[0].Variable = QStringList{QStringLiteral("12")};
    TSeededRandom rnd(1);
    TDataGenValues values(job, rnd, nullptr);
    for (int row = 0; row < 20; ++row) {
        const auto v = values.RowValues(row);
        EXPECT_FALSE(v[0].has_value());
        EXPECT_EQ(v[1], std::optional<QString>(QString()));
        EXPECT_FALSE(v[2].has_value());
    }
    for (TColParams &c : job.Cols)
        c.NullPar = 0;
    const auto v = values.RowValues(0);
    EXPECT_EQ(*v[0], QStringLiteral("12"));
    EXPECT_EQ(*v[2], QStringLiteral("2024-01-02"));
    // A value-list entry that is no number raises before anything is sent.
    job.Cols[0].Variable = QStringList{QStringLiteral("abc")};
    EXPECT_THROW(values.RowValues(1), tv::Error);
}

TEST(DataGenValues, WideBoundsNeitherOverflowNorTurnNegative)
{
    TColParams c = Column(QStringLiteral("n"), QStringLiteral("numeric"), 30, 12);
    c.SetType = stRandNum;
    c.NumFrom = 0;
    c.NumTo = 1e12;
    TDataGenJob job;
    job.Cols << c;
    TSeededRandom rnd(3);
    TDataGenValues values(job, rnd, nullptr);
    for (int row = 0; row < 50; ++row) {
        const QString v = *values.RowValues(row)[0];
        EXPECT_FALSE(v.startsWith(u'-')) << v.toStdString();
        EXPECT_LT(v.toDouble(), 1e12) << v.toStdString();
    }
}

TEST(DataGenValues, LinkTableStartsAgainAfterItsLastRow)
{
    TestDb db("dglink");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE l(v text, w int); INSERT INTO l VALUES ('a', 1), ('b', 2), ('c', 3);");
    auto conn = Connect(db, false);
    TDataGenJob job;
    for (const char *col : {"v", "w"}) {
        TColParams c = Column(QString::fromLatin1(col), QStringLiteral("text"));
        c.SetType = stLink;
        c.LinkTable = QStringLiteral("l");
        c.LinkColumn = QString::fromLatin1(col);
        job.Cols << c;
    }
    // Each row takes the next link row (draw 2), never NULL (draw 99).
    ByBound rnd([](qint64 n) { return n == 20 ? 2 : n - 1; });
    TDataGenValues values(job, rnd, conn.get());
    values.PrepareLinkQueries();
    EXPECT_EQ(values.LinkSelects(), QStringList{"SELECT \"v\", \"w\" FROM \"l\""});
    QStringList got;
    for (int row = 0; row < 5; ++row) {
        const auto v = values.RowValues(row);
        got << *v[0] + *v[1];
        if (row == 1)
            conn->Exec(QStringLiteral("COMMIT")); // the cursor outlives a COMMIT
    }
    EXPECT_EQ(got, (QStringList{"a1", "b2", "c3", "a1", "b2"}));
}

// ---------------------------------------------------------------------------
// Runs

namespace {

struct RunFixture {
    explicit RunFixture(const TestDb &db, bool autoCommit) : conn(Connect(db, autoCommit)) {}
    std::unique_ptr<Connection> conn;
    QStringList log;
    QStringList trace;
    TSeededRandom rnd{11};
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use{&dialogs};

    TDataGenRunEnv Env(int interval, std::function<bool()> esc = {})
    {
        TDataGenRunEnv e;
        e.Log = [this](const QString &l) { log << l; };
        e.Trace = [this](const QString &t) { trace << t; };
        e.Escape = std::move(esc);
        e.CommitInterval = interval;
        return e;
    }
};

} // namespace

TEST(DataGenRun, CommitsEveryIntervalAndEscRollsBack)
{
    TestDb db("dgrun");
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA s; CREATE TABLE s.t(id serial primary key, name varchar(20) NOT NULL,"
            " price numeric(10,2));");
    auto other = Connect(db);
    for (bool autoCommit : {true, false}) {
        SCOPED_TRACE(autoCommit ? "auto-commit on" : "auto-commit off");
        db.exec("TRUNCATE s.t");
        RunFixture f(db, autoCommit);
        TDataGenJob job = ReadJob(*f.conn, QStringLiteral("s"), QStringLiteral("t"));
        job.Count = 120;
        TDataGenRunner run(*f.conn, job, f.rnd, f.Env(50));
        run.Run();
        EXPECT_EQ(f.log, (QStringList{"SQL 文の生成中...", "データ生成開始", "50 件のデータを確定",
                                      "100 件のデータを確定", "120 件のデータを確定", "", "データ作成処理が終了しました。"}));
        EXPECT_EQ(other->ExecScalar(QStringLiteral("SELECT count(*) FROM s.t")), QStringLiteral("120"));
        // No prepared statement or cursor stays behind.
        EXPECT_EQ(f.conn->ExecScalar(QStringLiteral("SELECT count(*) FROM pg_prepared_statements")), QStringLiteral("0"));
        EXPECT_EQ(f.conn->ExecScalar(QStringLiteral("SELECT count(*) FROM pg_cursors")), QStringLiteral("0"));
    }

    db.exec("TRUNCATE s.t");
    RunFixture f(db, false);
    TDataGenJob job = ReadJob(*f.conn, QStringLiteral("s"), QStringLiteral("t"));
    job.Count = 1000;
    TDataGenRunner *runner = nullptr;
    TDataGenRunner run(*f.conn, job, f.rnd, f.Env(50, [&runner] { return runner->Done() == 120; }));
    runner = &run;
    run.Run();
    EXPECT_EQ(run.Done(), 120);
    EXPECT_TRUE(f.log.contains(QStringLiteral("処理を中断しました。")));
    EXPECT_EQ(f.log.last(), QStringLiteral("データ作成処理が終了しました。"));
    EXPECT_FALSE(f.log.contains(QStringLiteral("120 件のデータを確定")));
    EXPECT_EQ(other->ExecScalar(QStringLiteral("SELECT count(*) FROM s.t")), QStringLiteral("100"));
    EXPECT_EQ(f.conn->ExecScalar(QStringLiteral("SELECT count(*) FROM s.t")), QStringLiteral("100"));
}

TEST(DataGenRun, FailedRowIsAskedOnceAndTheOthersCommit)
{
    TestDb db("dgrun");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE u(id int primary key, v varchar(10)); INSERT INTO u VALUES (7, 'old');");
    auto other = Connect(db);
    RunFixture f(db, false);
    TDataGenJob job = ReadJob(*f.conn, QStringLiteral("public"), QStringLiteral("u"));
    job.Count = 20;
    job.Cols[1].NullPar = 0;
    f.dialogs.queueButton(tv::ui::IDYES, {true});
    TDataGenRunner run(*f.conn, job, f.rnd, f.Env(50));
    run.Run();
    ASSERT_EQ(f.dialogs.calls().size(), 1);
    EXPECT_EQ(f.dialogs.calls()[0].text, QStringLiteral("データ生成中にエラーが発生しました。\n処理を継続しますか？"));
    EXPECT_EQ(f.dialogs.calls()[0].checks.value(0).caption, QStringLiteral("以降のエラーを無視する"));
    EXPECT_TRUE(f.log.contains(QStringLiteral("19 件のデータを確定")));
    EXPECT_EQ(other->ExecScalar(QStringLiteral("SELECT count(*) FROM u WHERE v <> 'old'")), QStringLiteral("19"));
}

TEST(DataGenRun, UpdateTouchesTheRowsTheWhereTextSelects)
{
    TestDb db("dgrun");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE w(id int primary key, v text); INSERT INTO w SELECT g, 'x' FROM generate_series(1, 20) g;");
    auto other = Connect(db);
    RunFixture f(db, false);
    TDataGenJob job = ReadJob(*f.conn, QStringLiteral("public"), QStringLiteral("w"));
    job.Mode = dgmUpdate;
    job.Where = QStringLiteral("id % 2 = 1 AND id < 18");
    job.Cols[1].SetType = stVar;
    job.Cols[1].Variable = QStringList{QStringLiteral("'new'")};
    TDataGenRunner run(*f.conn, job, f.rnd, f.Env(50));
    run.Run();
    ASSERT_EQ(f.trace.size(), 9);
    QStringList keys;
    for (const QString &t : f.trace) {
        EXPECT_TRUE(t.startsWith(QStringLiteral("UPDATE \"public\".\"w\" SET \"v\" = 'new'\nWHERE \"id\" = '")))
            << t.toStdString();
        keys << t.section(u'\'', -2, -2);
    }
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"1", "11", "13", "15", "17", "3", "5", "7", "9"}));
    EXPECT_EQ(f.log.last(), QStringLiteral("データ更新処理が終了しました。"));
    EXPECT_EQ(other->ExecScalar(QStringLiteral("SELECT string_agg(id::text, ',' ORDER BY id) FROM w WHERE v = 'new'")),
              QStringLiteral("1,3,5,7,9,11,13,15,17"));

    // A WHERE text the server refuses: the message, nothing changed, the
    // session still usable.
    f.log.clear();
    job.Where = QStringLiteral("no_such_column = 1");
    TDataGenRunner bad(*f.conn, job, f.rnd, f.Env(50));
    bad.Run();
    EXPECT_EQ(f.dialogs.texts().last(), QStringLiteral("エラーが発生しました。WHERE句の指定に誤りがないかご確認ください。"));
    EXPECT_EQ(f.conn->transactionState(), tv::db::TransactionState::InTransaction);
}

TEST(DataGenRun, ParentModeMakesChildRowsPerParentRow)
{
    TestDb db("dgrun");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE p(pid int primary key, pname text); INSERT INTO p VALUES (1, 'a'), (2, 'b'), (3, 'c');"
            "CREATE TABLE c(cid serial primary key, pid int NOT NULL REFERENCES p, seq int NOT NULL);");
    RunFixture f(db, true);
    TDataGenJob job = ReadJob(*f.conn, QStringLiteral("public"), QStringLiteral("c"));
    ASSERT_EQ(job.Mode, dgmMaster);
    job.CountFrom = 2;
    job.CountTo = 5;
    job.Cols[2].SetType = stSeqNum;
    job.Cols[2].NumFrom = 0;
    job.Cols[2].Marume = 1;
    TDataGenRunner run(*f.conn, job, f.rnd, f.Env(0));
    run.Run();
    const QString per = f.conn->ExecScalar(QStringLiteral(
        "SELECT string_agg(n::text, ',' ORDER BY pid) FROM (SELECT pid, count(*) n, min(seq) s FROM c GROUP BY pid) x"
        " WHERE s = 0 AND n BETWEEN 2 AND 5"));
    EXPECT_EQ(per.split(u',').size(), 3) << per.toStdString();
}

// ---------------------------------------------------------------------------
// Input check

TEST(DataGenCheck, FaultsNameTheirMessageAndPlace)
{
    struct Case {
        const char *name;
        std::function<void(TDataGenJob &)> set;
        QString message; // empty: passes
        QString control;
    };
    const QString big = QStringLiteral("開始値の値が大きすぎます。");
    const QList<Case> cases{
        {"row count 0", [](TDataGenJob &j) { j.Count = 0; }, QStringLiteral("作成件数を入力して下さい。"),
         QStringLiteral("txtCount")},
        {"sequence start too big", [](TDataGenJob &j) { j.Cols[0].NumFrom = 100001; }, big, QStringLiteral("lstColumn")},
        {"sequence start at the limit", [](TDataGenJob &j) { j.Cols[0].NumFrom = 100000; }, QString(), QString()},
        {"random upper bound too big", [](TDataGenJob &j) { j.Cols[1].NumTo = 1001; },
         QStringLiteral("終了値の値が大きすぎます。"), QStringLiteral("lstColumn")},
        {"random upper bound at the limit", [](TDataGenJob &j) { j.Cols[1].NumTo = 1000; }, QString(), QString()},
        {"no step", [](TDataGenJob &j) { j.Cols[0].Marume = 0; }, QStringLiteral("増分値が指定されていません。"),
         QStringLiteral("lstColumn")},
        {"parent without table", [](TDataGenJob &j) { j.Mode = dgmMaster; j.MastOwner = "s"; },
         QStringLiteral("親テーブルを指定して下さい。"), QStringLiteral("cmbMasterTable")},
        {"update without key", [](TDataGenJob &j) { j.Mode = dgmUpdate; j.Primary.clear(); },
         QStringLiteral("主キーのないテーブルのUPDATEは行えません。"), QStringLiteral("tabOption")},
        {"nothing to do", [](TDataGenJob &j) { for (auto &c : j.Cols) c.SetType = stNone; },
         QStringLiteral("いずれかの項目に設定値を指定して下さい。"), QStringLiteral("lstColumn")},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        TDataGenJob job;
        job.Count = 10;
        job.Primary = QStringList{QStringLiteral("code")};
        TColParams code = Column(QStringLiteral("code"), QStringLiteral("character varying"), 5);
        code.SetType = stSeqNum;
        code.NumFrom = 1;
        code.Marume = 1;
        TColParams price = Column(QStringLiteral("price"), QStringLiteral("numeric"), 5, 2);
        price.SetType = stRandNum;
        job.Cols << code << price;
        k.set(job);
        const auto fault = CheckInput(job, nullptr);
        EXPECT_EQ(fault ? fault->Message : QString(), k.message);
        EXPECT_EQ(fault ? fault->Control : QString(), k.control);
    }
}

TEST(DataGenCheck, FixedValueTrialKeepsTheUsersPendingRow)
{
    TestDb db("dgcheck");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE f(id int, v text)");
    auto other = Connect(db);
    auto c = Connect(db, false);
    c->Exec(QStringLiteral("INSERT INTO f VALUES (1, 'mine')"));
    TDataGenJob job;
    job.Count = 1;
    TColParams v = Column(QStringLiteral("v"), QStringLiteral("text"));
    v.SetType = stVar;
    v.Variable = QStringList{QStringLiteral("no_such_functoin(1)")};
    job.Cols << v;
    const auto fault = CheckInput(job, c.get());
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->Message, QStringLiteral("固定値として設定された値が無効です。"));
    EXPECT_EQ(fault->Row, 0);
    EXPECT_EQ(c->transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_EQ(other->ExecScalar(QStringLiteral("SELECT count(*) FROM f")), QStringLiteral("0"));
    EXPECT_EQ(c->ExecScalar(QStringLiteral("SELECT v FROM f")), QStringLiteral("mine"));
    job.Cols[0].Variable = QStringList{QStringLiteral("upper('a')")};
    EXPECT_FALSE(CheckInput(job, c.get()));
    c->Exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(other->ExecScalar(QStringLiteral("SELECT count(*) FROM f")), QStringLiteral("1"));
}

// ---------------------------------------------------------------------------
// Settings file

TEST(DataGenFile, RoundTripsEveryRule)
{
    ScratchDir scratch;
    TDataGenJob job;
    job.Schema = QStringLiteral("s");
    job.Table = QStringLiteral("t");
    job.Mode = dgmUpdate;
    job.Count = 120;
    job.MastOwner = QStringLiteral("ms");
    job.MastTable = QStringLiteral("mt");
    job.CountFrom = 2;
    job.CountTo = 5;
    job.Where = QStringLiteral("a = 1\nAND b = '<&\">'");
    TColParams c = Column(QStringLiteral("col"), QStringLiteral("character varying"), 20);
    c.SetType = stIn;
    c.NullPar = 30;
    c.NumFrom = 1.25;
    c.NumTo = -3;
    c.Marume = 0.5;
    c.StrType = 5;
    c.StrFull = true;
    c.StrDigit = QStringLiteral("12");
    c.StrPrefix = QStringLiteral("PX");
    c.FlgPrefix = true;
    c.DateFrom = DT("2024-01-31 23:59:59");
    c.DateTo = DT("2024-02-01 00:00:00");
    c.Variable = QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
    c.TemplateName1 = QStringLiteral("T1");
    c.TemplateName2 = QStringLiteral("T2");
    c.TemplateSep = QStringLiteral(" - ");
    c.LinkOwner = QStringLiteral("lo");
    c.LinkTable = QStringLiteral("lt");
    c.LinkColumn = QStringLiteral("lc");
    TColParams other = Column(QStringLiteral("other"), QStringLiteral("integer"));
    job.Cols << other << c;
    const QString path = ParamFileName(QStringLiteral("t"));
    EXPECT_TRUE(path.endsWith(QStringLiteral("/DATAGEN/t.prm")));
    SaveParamFile(job, path);

    TDataGenJob back;
    back.Cols << Column(QStringLiteral("col"), QStringLiteral("character varying"), 20)
              << Column(QStringLiteral("new"), QStringLiteral("integer"));
    LoadParamFile(back, path);
    EXPECT_EQ(back.Mode, dgmUpdate);
    EXPECT_EQ(back.Count, 120);
    EXPECT_EQ(back.MastOwner, QStringLiteral("ms"));
    EXPECT_EQ(back.MastTable, QStringLiteral("mt"));
    EXPECT_EQ(back.CountFrom, 2);
    EXPECT_EQ(back.CountTo, 5);
    EXPECT_EQ(back.Where, job.Where);
    const TColParams &r = back.Cols[0];
    EXPECT_EQ(r.SetType, stIn);
    EXPECT_EQ(r.NullPar, 30);
    EXPECT_EQ(r.NumFrom, 1.25);
    EXPECT_EQ(r.NumTo, -3);
    EXPECT_EQ(r.Marume, 0.5);
    EXPECT_EQ(r.StrType, 5);
    EXPECT_TRUE(r.StrFull);
    EXPECT_EQ(r.StrDigit, QStringLiteral("12"));
    EXPECT_EQ(r.StrPrefix, QStringLiteral("PX"));
    EXPECT_TRUE(r.FlgPrefix);
    EXPECT_EQ(r.DateFrom, c.DateFrom);
    EXPECT_EQ(r.DateTo, c.DateTo);
    EXPECT_EQ(r.Variable, c.Variable);
    EXPECT_EQ(r.TemplateName1, QStringLiteral("T1"));
    EXPECT_EQ(r.TemplateName2, QStringLiteral("T2"));
    EXPECT_EQ(r.TemplateSep, QStringLiteral(" - "));
    EXPECT_EQ(r.LinkOwner, QStringLiteral("lo"));
    EXPECT_EQ(r.LinkTable, QStringLiteral("lt"));
    EXPECT_EQ(r.LinkColumn, QStringLiteral("lc"));
    EXPECT_EQ(back.Cols[1].SetType, stNone);
}

TEST(DataGenFile, VersionsAndBrokenFiles)
{
    ScratchDir scratch;
    auto write = [&scratch](const char *text) {
        QFile f(scratch.file(QStringLiteral("x.prm")));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return f.fileName();
    };
    TDataGenJob job;
    job.Cols << Column(QStringLiteral("code"), QStringLiteral("integer"));
    job.Cols[0].SetType = stSeqNum;
    const QString unsupported = QStringLiteral("このバージョンのファイルには対応していません。");
    for (const char *text : {"<TVDOC><DATAGEN MODE=\"1\"/></TVDOC>", "<TVDOC TVDOC-VERSION=\"3\"/>",
                             "<OTHER TVDOC-VERSION=\"2\"/>"}) {
        SCOPED_TRACE(text);
        try {
            LoadParamFile(job, write(text));
            ADD_FAILURE() << "no error";
        } catch (const tv::Error &e) {
            EXPECT_EQ(e.text(), unsupported);
        }
        EXPECT_EQ(job.Cols[0].SetType, stSeqNum); // nothing changed
    }
    EXPECT_THROW(LoadParamFile(job, write("<TVDOC TVDOC-VERSION=\"2\"><DATAGEN MODE=\"0\"><COL0 NAME=\"code\"")),
                 tv::Error);
    EXPECT_EQ(job.Cols[0].SetType, stSeqNum);

    // Version 1: the elements are named after their columns.
    LoadParamFile(job, write("<TVDOC TVDOC-VERSION=\"1\"><DATAGEN MODE=\"2\" COUNT=\"7\">"
                             "<code SETTYPE=\"11\" NULLPAR=\"20\" VARIABLE=\"1&#13;&#10;\"/></DATAGEN></TVDOC>"));
    EXPECT_EQ(job.Mode, dgmUpdate);
    EXPECT_EQ(job.Count, 7);
    EXPECT_EQ(job.Cols[0].SetType, stVar);
    EXPECT_EQ(job.Cols[0].NullPar, 0);
    EXPECT_EQ(job.Cols[0].Variable, QStringList{"1"});
}

TEST(DataGenRun, AValueThatDoesNotConvertEndsTheRunCommittedRowsStay)
{
    TestDb db("dgrun");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE v(id int primary key, n int)");
    auto other = Connect(db);
    RunFixture f(db, false);
    TDataGenJob job = ReadJob(*f.conn, QStringLiteral("public"), QStringLiteral("v"));
    job.Count = 10;
    job.Cols[1].SetType = stIn;
    job.Cols[1].Variable = QStringList{QStringLiteral("1"), QStringLiteral("x")};
    // The value list gives "1" for the first five rows, then "x".
    int draws = 0;
    ByBound rnd([&draws](qint64 n) -> qint64 { return n == 2 ? (++draws > 5 ? 1 : 0) : 0; });
    TDataGenRunner run(*f.conn, job, rnd, f.Env(2));
    try {
        run.Run();
        ADD_FAILURE() << "no error";
    } catch (const tv::Error &e) {
        EXPECT_TRUE(e.text().contains(QStringLiteral("'x'"))) << e.text().toStdString();
    }
    EXPECT_EQ(run.Done(), 5);
    EXPECT_EQ(f.log.last(), QStringLiteral("4 件のデータを確定"));
    EXPECT_EQ(other->ExecScalar(QStringLiteral("SELECT count(*) FROM v")), QStringLiteral("4"));
    // The fifth row stays pending on the session, which is still usable.
    EXPECT_EQ(f.conn->ExecScalar(QStringLiteral("SELECT count(*) FROM v")), QStringLiteral("5"));
    EXPECT_EQ(f.conn->ExecScalar(QStringLiteral("SELECT count(*) FROM pg_prepared_statements")), QStringLiteral("0"));
}

TEST(DataGenValues, TemplatesJoinALineOfEachFile)
{
    ScratchDir scratch;
    QDir().mkpath(DataGenDir());
    for (const auto &[name, text] : {std::pair{"First.txt", "a\nb\n"}, std::pair{"SECOND.TXT", "x\n"}}) {
        QFile f(DataGenDir() + u'/' + QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    EXPECT_EQ(TemplateNames(false), (QStringList{"", "FIRST", "SECOND"}));
    TColParams c = Column(QStringLiteral("t"), QStringLiteral("character varying"), 3);
    c.SetType = stTemplate;
    c.TemplateName1 = QStringLiteral("FIRST");
    c.TemplateName2 = QStringLiteral("second");
    c.TemplateSep = QStringLiteral("-");
    TDataGenJob job;
    job.Cols << c;
    LoadTemplates(job);
    ByBound rnd([](qint64 n) { return n - 1; });
    TDataGenValues values(job, rnd, nullptr);
    EXPECT_EQ(*values.RowValues(0)[0], QStringLiteral("b-x"));
    job.Cols[0].Template1.clear(); // an empty template drops the separator
    EXPECT_EQ(*values.RowValues(1)[0], QStringLiteral("x"));
}

TEST(DataGenRun, EscBeforeTheFirstCommitLeavesTheSessionUsable)
{
    TestDb db("dgrun");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE l(v text); INSERT INTO l VALUES ('a'), ('b');"
            "CREATE TABLE e(id serial primary key, v text)");
    RunFixture f(db, false);
    f.conn->Exec(QStringLiteral("COMMIT"));
    TDataGenJob job = ReadJob(*f.conn, QStringLiteral("public"), QStringLiteral("e"));
    job.Count = 100;
    job.Cols[1].SetType = stLink;
    job.Cols[1].LinkTable = QStringLiteral("l");
    job.Cols[1].LinkColumn = QStringLiteral("v");
    TDataGenRunner *runner = nullptr;
    TDataGenRunner run(*f.conn, job, f.rnd, f.Env(50, [&runner] { return runner->Done() == 10; }));
    runner = &run;
    run.Run();
    EXPECT_TRUE(f.log.contains(QStringLiteral("処理を中断しました。")));
    EXPECT_EQ(f.conn->transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_EQ(f.conn->ExecScalar(QStringLiteral("SELECT count(*) FROM e")), QStringLiteral("0"));
    EXPECT_EQ(f.conn->ExecScalar(QStringLiteral("SELECT count(*) FROM pg_cursors")), QStringLiteral("0"));
}
