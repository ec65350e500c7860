// The script runner inside the real main window against the test server:
// logs of successes, errors and rows-returning statements, trimming of
// REM lines, stop on error, the run list after a run, the schema of the
// shared main connection with two runners, unreadable files, and the run
// from the main window's menu end to end.
#include "shell/ShellTestSupport.h"

#include "common/Options.h"
#include "editor/EditorStrings.h"
#include "editor/RowAttributeStringList.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/EscapeWatch.h"
#include "shell/WindowLaunchers.h"
#include "sql/ScriptRun.h"
#include "sql/frmExecScript.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <QElapsedTimer>
#include <QTimer>
#include <QMdiArea>
#include <QTreeView>

using namespace tvtest;
using tv::ui::ScriptedDialogs;

namespace {

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class ScriptRunner : public ::testing::Test {
protected:
    void SetUp() override
    {
        tv::ui::InstallEscapeWatch();
        if (db.available())
            db.exec("CREATE TABLE w2q4_log(x int);"
                    "CREATE FUNCTION w2q4_mark() RETURNS int LANGUAGE sql AS "
                    "$$ INSERT INTO w2q4_log VALUES (1) RETURNING 1 $$;");
    }

    TfrmExecScript *Open(bool autoCommit = true)
    {
        s.Start(LogonArgs(db.params()));
        tvOption.UpdateToCommit = autoCommit;
        tvOption.Encoding = 2;
        tvOption.ScriptCompDel = false;
        tvOption.ScriptErrStop = false;
        s.FirstPaint();
        EXPECT_TRUE(s.ShowMain());
        EXPECT_NE(s.Form(), nullptr);
        return TfrmExecScript::ShowWindow(s.Form());
    }
    QString Script(const QString &name, const QString &text)
    {
        const QString path = s.scratch.path() + QLatin1Char('/') + name;
        WriteFile(path, text.toUtf8());
        return path;
    }
    // Runs through the dialog: Yes, the check boxes as given.
    void Run(TfrmExecScript *w, bool compDel = false, bool errStop = false)
    {
        s.dialogs.queueButton(tv::ui::IDYES, {compDel, errStop});
        w->actExec->trigger();
    }
    QStringList Messages() const
    {
        QStringList l;
        for (const auto &c : s.dialogs.calls())
            if (c.kind == ScriptedDialogs::Kind::Message)
                l << c.text;
        return l;
    }

    TestDb db{"scr"};
    ShellSession s;
};

} // namespace

TEST(ScriptRunText, StatementTrimmingAndErrorEcho)
{
    struct Case {
        QStringList in, out;
    } cases[] = {
        {{"", "REM first", "remark\tsecond", "insert 1", "REM", "  "}, {"insert 1"}},
        {{"REMOVE x", "REM"}, {"REMOVE x"}},
        {{"REMARKS are not remarks", ""}, {"REMARKS are not remarks"}},
        {{"a", "REM kept between", "b"}, {"a", "REM kept between", "b"}},
        {{" \t", "REM"}, {}},
    };
    for (const Case &c : cases) {
        QStringList l = c.in;
        scriptrun::TrimStatementLines(l);
        EXPECT_EQ(l, c.out) << c.in.join('|').toStdString();
    }
    EXPECT_EQ(scriptrun::ErrorEchoLines({"1", "2", "3", "4"}), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(scriptrun::ErrorEchoLines({"1", "2", "3", "4", "5"}),
              (QStringList{"1", "2", "3", "  -- (中略) --", "5"}));
    EXPECT_EQ(scriptrun::SearchPathStatement(QStringLiteral("x\"; drop table t; --")),
              QStringLiteral("set search_path to \"x\"\"; drop table t; --\""));
}

TEST(ScriptRunText, UndecodableBytesAreTheFilesError)
{
    ScratchDir dir;
    struct Case {
        const char *name;
        QByteArray bytes;
        tv::text::Encoding enc;
        bool ok;
        QStringList lines;
    } cases[] = {
        {"utf8.sql", "select 1\r\n;\r\n", tv::text::Encoding::Utf8, true, {"select 1", ";"}},
        {"bad-utf8.sql", "select '\xff\xfe\xfd'\n", tv::text::Encoding::Utf8, false, {}},
        {"own-fffd.sql", "select '\xef\xbf\xbd'\n", tv::text::Encoding::Utf8, true, {QString("select '") + QChar(0xFFFD) + "'"}},
        {"bad-cp932.sql", "select '\x81'", tv::text::Encoding::Ansi, false, {}},
        {"cp932.sql", "select '\x82\xa0'", tv::text::Encoding::Ansi, true, {"select 'あ'"}},
        {"bom16.sql", QByteArray("\xff\xfe", 2) + tv::text::Encode("x\ny", tv::text::Encoding::Utf16LE),
         tv::text::Encoding::Ansi, true, {"x", "y"}},
    };
    for (const Case &c : cases) {
        const QString path = dir.path() + "/" + c.name;
        WriteFile(path, c.bytes);
        QStringList lines;
        QString error;
        EXPECT_EQ(scriptrun::ReadScriptFile(path, c.enc, &lines, &error), c.ok) << c.name;
        if (c.ok)
            EXPECT_EQ(lines, c.lines) << c.name;
        else
            EXPECT_TRUE(error.contains(path)) << c.name;
    }
    QStringList lines;
    QString error;
    EXPECT_FALSE(scriptrun::ReadScriptFile(dir.path() + "/missing.sql", tv::text::Encoding::Utf8, &lines, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(ScriptRunner, LogsSuccessesErrorsAndRowsReturningStatementsWithoutRunningThem)
{
    TV_REQUIRE_DB(db);
    TfrmExecScript *w = Open();
    const QString path = Script("a.sql", "create table w2q4_a(x int)\n;\ninsert into w2q4_a values (1)\n;\n"
                                         "select w2q4_mark()\n");
    w->AddFiles({path});
    Run(w);
    const QStringList log = w->LogLines();
    EXPECT_EQ(log, (QStringList{"", "スクリプト実行 [ " + path + " ]", "《正常終了》", "《正常終了》", "《エラー》",
                                "select w2q4_mark()", "SELECT 文は処理対象外です。"}));
    const int errRow = w->txtLog->Lines()->LineToRow(4);
    EXPECT_TRUE(w->txtLog->ListRowMarks(errRow) & RowMarkBit(rm1));
    EXPECT_FALSE(w->txtLog->ListRowMarks(w->txtLog->Lines()->LineToRow(2)) & RowMarkBit(rm1));
    EXPECT_EQ(Messages().last(), QStringLiteral("スクリプトの実行を終了しました。\r\n( 1個のエラーが発生しました )"));
    EXPECT_EQ(db.scalar("select count(*) from w2q4_a"), "1");
    EXPECT_EQ(db.scalar("select count(*) from w2q4_log"), "0");
    EXPECT_EQ(w->ScriptList(), QStringList{path});
}

// Statements not set apart by ";" lines run one by one as if they were: a
// SELECT among them is refused, not run, and ends the text; those before it
// stay done, whether the session commits each statement or not.
TEST_F(ScriptRunner, ASelectAmongSeveralStatementsOfOneTextIsRefusedAsAlone)
{
    TV_REQUIRE_DB(db);
    for (const bool autoCommit : {true, false}) {
        SCOPED_TRACE(autoCommit);
        db.exec("create table w2q4_e(x int)");
        TfrmExecScript *w = Open(autoCommit);
        const QString path = Script("e.sql", "insert into w2q4_e values (1); select w2q4_mark();\n"
                                             "insert into w2q4_e values (2)\n;\n"
                                             "insert into w2q4_e values (3); insert into w2q4_e values (4)\n");
        w->AddFiles({path});
        Run(w);
        EXPECT_EQ(w->LogLines(),
                  (QStringList{"", "スクリプト実行 [ " + path + " ]", "《エラー》",
                               "insert into w2q4_e values (1); select w2q4_mark();", "insert into w2q4_e values (2)",
                               "SELECT 文は処理対象外です。", "《正常終了》"}));
        EXPECT_EQ(w->ErrorCount(), 1);
        tv::db::Connection &conn = s.Form()->dbsMain();
        if (!autoCommit) {
            EXPECT_EQ(conn.transactionState(), tv::db::TransactionState::InTransaction);
            conn.Commit();
        }
        EXPECT_EQ(db.scalar("select string_agg(x::text, ',' order by x) from w2q4_e"), "1,3,4");
        EXPECT_EQ(db.scalar("select count(*) from w2q4_log"), "0");
        s.main.reset();
        s.dialogs.clear();
        db.exec("drop table w2q4_e");
    }
}

TEST_F(ScriptRunner, InsideATransactionBlockAFailureKeepsTheStatementsBeforeAndAfter)
{
    TV_REQUIRE_DB(db);
    TfrmExecScript *w = Open(false);
    db.exec("create table w2q4_b(x int primary key)");
    w->AddFiles({Script("b.sql", "insert into w2q4_b values (1)\n;\ninsert into w2q4_b values (1)\n;\n"
                                 "insert into w2q4_b values (2)\n;\ncreate table w2q4_c(a int); create table w2q4_d(a int)\n")});
    Run(w);
    EXPECT_EQ(w->ErrorCount(), 1);
    QStringList log = w->LogLines();
    EXPECT_EQ(log.count("《正常終了》"), 3);
    EXPECT_TRUE(log.filter("duplicate key").size() == 1) << log.join('\n').toStdString();
    tv::db::Connection &conn = s.Form()->dbsMain();
    EXPECT_EQ(conn.transactionState(), tv::db::TransactionState::InTransaction);
    conn.Commit();
    EXPECT_EQ(db.scalar("select string_agg(x::text, ',' order by x) from w2q4_b"), "1,2");
    EXPECT_EQ(db.scalar("select count(*) from pg_class where relname in ('w2q4_c','w2q4_d')"), "2");
}

TEST_F(ScriptRunner, LongFailingStatementIsShortenedAndStopOnErrorEndsTheRun)
{
    TV_REQUIRE_DB(db);
    TfrmExecScript *w = Open();
    w->AddFiles({Script("c.sql", "REM head\ninsert into nowhere\nvalues\n(1,\n2,\n3)\nREMARK tail\n;\n"
                                 "REMOVE the rest\n;\ncreate table w2q4_after(x int)\n")});
    Run(w, false, true);
    const QStringList log = w->LogLines();
    ASSERT_GE(log.size(), 8);
    EXPECT_EQ(log.mid(2, 6), (QStringList{"《エラー》", "insert into nowhere", "values", "(1,", "  -- (中略) --", "3)"}));
    EXPECT_TRUE(log.at(8).startsWith("ERROR: ")) << log.at(8).toStdString();
    EXPECT_EQ(log.filter("REMOVE").size(), 0); // stopped before it
    EXPECT_EQ(db.scalar("select count(*) from pg_class where relname = 'w2q4_after'"), "0");
    EXPECT_TRUE(tvOption.ScriptErrStop);

    // Without the stop, the REMOVE line is a statement of its own (and fails).
    Run(w, false, false);
    EXPECT_EQ(w->ErrorCount(), 2);
    EXPECT_EQ(w->LogLines().filter("REMOVE the rest").size(), 1);
    EXPECT_EQ(db.scalar("select count(*) from pg_class where relname = 'w2q4_after'"), "1");
}

TEST_F(ScriptRunner, CompletedScriptsLeaveTheListAndAFailingOneStays)
{
    TV_REQUIRE_DB(db);
    TfrmExecScript *w = Open();
    const QString a = Script("1.sql", "create table w2q4_1(x int)");
    const QString b = Script("2.sql", "create table w2q4_1(x int)"); // already there
    const QString c = Script("3.sql", "create table w2q4_3(x int)\n;\n");
    w->AddFiles({c, a, b});
    EXPECT_EQ(w->ScriptList(), (QStringList{a, b, c})); // sorted when added
    Run(w, true, false);
    EXPECT_EQ(w->ScriptList(), QStringList{b});
    EXPECT_TRUE(tvOption.ScriptCompDel);

    w->DeleteSelected();
    w->lstScript->item(0)->setSelected(true);
    w->DeleteSelected();
    w->AddFiles({Script("4.sql", "create table w2q4_4(x int)"), Script("5.sql", "")});
    Run(w, true, false);
    EXPECT_TRUE(w->ScriptList().isEmpty());
    EXPECT_EQ(Messages().last(), QStringLiteral("スクリプトの実行を終了しました。"));
    EXPECT_FALSE(w->actExec->isEnabled());
}

TEST_F(ScriptRunner, AnUnreadableFileStopsTheRunAndTheLogKeepsWhatRan)
{
    TV_REQUIRE_DB(db);
    TfrmExecScript *w = Open();
    const QString good = Script("1.sql", "create table w2q4_ok(x int)");
    const QString bad = s.scratch.path() + "/2.sql";
    WriteFile(bad, "create table \xff\xfe(x int)");
    const QString later = Script("3.sql", "create table w2q4_later(x int)");
    w->AddFiles({good, bad, later});
    Run(w);
    const QStringList log = w->LogLines();
    EXPECT_EQ(log.mid(0, 3), (QStringList{"", "スクリプト実行 [ " + good + " ]", "《正常終了》"}));
    EXPECT_EQ(log.at(4), "スクリプト実行 [ " + bad + " ]");
    EXPECT_EQ(log.at(5), "《エラー》");
    EXPECT_TRUE(log.at(6).contains(bad));
    EXPECT_EQ(db.scalar("select count(*) from pg_class where relname = 'w2q4_later'"), "0");
    // The end message, then the file's error.
    const QStringList m = Messages();
    ASSERT_GE(m.size(), 2);
    EXPECT_TRUE(m.at(m.size() - 2).startsWith("スクリプトの実行を終了しました。"));
    EXPECT_TRUE(m.last().contains(bad));
}

TEST_F(ScriptRunner, TheActiveRunnersSchemaIsTheSearchPath)
{
    TV_REQUIRE_DB(db);
    db.exec("create schema sales");
    TfrmExecScript *a = Open();
    tv::db::Connection &conn = s.Form()->dbsMain();
    auto current = [&conn] { return conn.ExecScalar("select current_schema()"); };
    EXPECT_EQ(a->cmbSchema->currentText(), "public");
    a->cmbSchemaSelect("sales");
    EXPECT_EQ(current(), "sales");
    TfrmExecScript *b = TfrmExecScript::ShowWindow(s.Form());
    b->cmbSchemaSelect("public");
    EXPECT_EQ(current(), "public");
    QMdiArea *area = s.main->mdiMain;
    area->setActiveSubWindow(a->Frame());
    EXPECT_EQ(current(), "sales");
    area->setActiveSubWindow(b->Frame());
    EXPECT_EQ(current(), "public");
    area->setActiveSubWindow(a->Frame());
    EXPECT_EQ(current(), "sales");
    // The connection window itself works in its own schema.
    area->setActiveSubWindow(area->subWindowList().first());
    EXPECT_EQ(current(), "public");
    area->setActiveSubWindow(a->Frame());
    EXPECT_EQ(current(), "sales");
    a->Close();
    b->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(current(), "public");
    EXPECT_EQ(conn.Params().MetaDefSchema, "public");
}

TEST_F(ScriptRunner, RunsFromTheViewMenuEndToEnd)
{
    TV_REQUIRE_DB(db);
    TfrmExecScript::RegisterLauncher();
    s.Start(LogonArgs(db.params()));
    tvOption.UpdateToCommit = true;
    tvOption.ScrExecDir.clear();
    s.FirstPaint();
    s.main->show();
    db.exec("create table w2q4_e(x int)");
    const QString folder = s.scratch.path() + "/scripts";
    ASSERT_TRUE(QDir().mkpath(folder));
    WriteFile(folder + "/w2q4.sql",
              "insert into w2q4_e values (1)\n;\ninsert into w2q4_e values (2)\n;\ninsert into w2q4_e values (3)\n;\n");
    WriteFile(folder + "/other.txt", "x");

    s.main->Action("actViewScript")->trigger();
    auto *w = dynamic_cast<TfrmExecScript *>(s.main->MdiChildren().last());
    ASSERT_NE(w, nullptr);
    w->cmbFolder->setEditText(folder);
    QTest::keyClick(w->cmbFolder, Qt::Key_Return);
    EXPECT_EQ(w->CurrentFolder(), folder);
    // The list reads the folder in the background and lays its rows out
    // when it gets to it.
    auto file = [w, &folder] { return w->fsFile->index(folder + "/w2q4.sql"); };
    QTest::qWaitFor(
        [&] {
            return w->fsFile->rowCount(w->lstFile->rootIndex()) >= 2 && !w->lstFile->visualRect(file()).isEmpty();
        },
        30000);
    QTest::mouseClick(w->lstFile->viewport(), Qt::LeftButton, {}, w->lstFile->visualRect(file()).center());
    ASSERT_TRUE(w->btnSelect->isEnabled());
    QTest::mouseClick(w->btnSelect, Qt::LeftButton);
    EXPECT_EQ(w->ScriptList(), QStringList{folder + "/w2q4.sql"});
    s.dialogs.queueButton(tv::ui::IDYES);
    QTest::mouseClick(w->btnExec, Qt::LeftButton);
    EXPECT_EQ(db.scalar("select count(*) from w2q4_e"), "3");

    ASSERT_TRUE(s.CloseMain());
    tvOption.ScrExecDir.clear();
    LoadOptions();
    EXPECT_EQ(tvOption.ScrExecDir, folder);
}

TEST_F(ScriptRunner, FileListSortsAscendingThenDescendingPerColumn)
{
    TV_REQUIRE_DB(db);
    TfrmExecScript *w = Open();
    const QString folder = s.scratch.path() + "/sort";
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char *n : {"b.sql", "a.sql", "c.sql"})
        WriteFile(folder + "/" + n, "x");
    w->SetFolder(folder);
    QTest::qWaitFor([&] { return w->fsFile->rowCount(w->lstFile->rootIndex()) >= 3; }, 30000);
    auto names = [w] {
        QStringList l;
        const QModelIndex root = w->lstFile->rootIndex();
        for (int r = 0; r < w->fsFile->rowCount(root); ++r)
            l << w->fsFile->fileName(w->fsFile->index(r, 0, root));
        return l;
    };
    w->lstFileColumnClick(0);
    EXPECT_EQ(names(), (QStringList{"a.sql", "b.sql", "c.sql"}));
    w->lstFileColumnClick(0);
    EXPECT_EQ(names(), (QStringList{"c.sql", "b.sql", "a.sql"}));
    // The flags are shared: a second runner's next click on the column sorts ascending.
    TfrmExecScript *other = TfrmExecScript::ShowWindow(s.Form());
    other->lstFileColumnClick(0);
    EXPECT_EQ(other->lstFile->header()->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(ScriptRunner, ARunnerFollowsItsOwnConnectionWindowNotACaptionTwin)
{
    TV_REQUIRE_DB(db);
    TfrmExecScript *first = Open();
    const DbParams &p = db.params();
    TfrmObject *twin = TfrmObject::Create(s.main.get(), p.host, p.port, p.database, QString(), p.user, p.password);
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(twin->ConnectionText(), s.Form()->ConnectionText()); // two identical logons
    QPointer<TfrmExecScript> second = TfrmExecScript::ShowWindow(twin);
    QPointer<TfrmExecScript> kept = first;
    EXPECT_EQ(second->OwnerForm(), twin);
    ASSERT_TRUE(twin->close());
    QTest::qWaitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return second.isNull();
        },
        30000);
    EXPECT_TRUE(second.isNull());
    ASSERT_FALSE(kept.isNull());
    EXPECT_EQ(kept->OwnerForm(), s.Form());
    // The runner left works on its own connection.
    kept->AddFiles({Script("t.sql", "create table w2q4_twin(x int)")});
    Run(kept);
    EXPECT_EQ(kept->ErrorCount(), 0);
    EXPECT_EQ(db.scalar("select count(*) from pg_class where relname = 'w2q4_twin'"), "1");
}

TEST_F(ScriptRunner, RunListMovesOneItemAndTakesDroppedFilesSorted)
{
    TV_REQUIRE_DB(db);
    TfrmExecScript *w = Open();
    w->AddFiles({"/x/b.sql", "/x/a.sql"});
    // Dropped files go after the others, sorted.
    auto *mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile("/y/d.sql"), QUrl::fromLocalFile("/y/c.sql")});
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    // (Qt delivers a drop only during a real drag: handed to the window here.)
    static_cast<QObject *>(w)->event(&drop);
    delete mime;
    EXPECT_EQ(w->ScriptList(), (QStringList{"/x/a.sql", "/x/b.sql", "/y/c.sql", "/y/d.sql"}));

    w->lstScript->item(0)->setSelected(true);
    EXPECT_TRUE(w->actUp->isEnabled());
    w->actDown->trigger();
    EXPECT_EQ(w->ScriptList(), (QStringList{"/x/b.sql", "/x/a.sql", "/y/c.sql", "/y/d.sql"}));
    EXPECT_TRUE(w->lstScript->item(1)->isSelected());
    w->lstScript->setCurrentRow(0);
    w->lstScript->clearSelection();
    w->lstScript->item(0)->setSelected(true);
    w->actUp->trigger(); // the first stays first
    EXPECT_EQ(w->ScriptList().first(), "/x/b.sql");
    w->lstScript->item(3)->setSelected(true);
    EXPECT_FALSE(w->actUp->isEnabled());
    w->MoveSelected(1);
    EXPECT_EQ(s.dialogs.texts().last(), "同時に複数行を移動する事は出来ません。１行だけ選択して下さい。");
    QTest::keyClick(w->lstScript, Qt::Key_Delete);
    EXPECT_EQ(w->ScriptList(), (QStringList{"/x/a.sql", "/y/c.sql"}));
}

TEST_F(ScriptRunner, EscStopsTheRunAlsoInsideALongStatement)
{
    TV_REQUIRE_DB(db);
    TfrmExecScript *w = Open();
    db.exec("create table w2q4_esc(x int)");
    w->AddFiles({Script("1.sql", "insert into w2q4_esc values (1)\n;\ndo $$ begin perform pg_sleep(30); end $$\n;\n"
                                 "insert into w2q4_esc values (2)\n"),
                 Script("2.sql", "insert into w2q4_esc values (3)\n")});
    // Esc once the sleep runs on the server (a loaded machine may take long
    // to get there).
    QTimer press;
    press.setInterval(20);
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (db.scalar("select count(*) from pg_stat_activity where datname = current_database()"
                      " and state = 'active' and query like 'do $$ begin perform pg_sleep(30)%'") != "1")
            return;
        press.stop();
        tv::ui::EscapeWatch::instance().notePress();
    });
    press.start();
    QElapsedTimer t;
    t.start();
    Run(w, true, false);
    EXPECT_LT(t.elapsed(), 20000);
    EXPECT_EQ(db.scalar("select string_agg(x::text, ',') from w2q4_esc"), "1");
    EXPECT_EQ(w->ErrorCount(), 1);
    EXPECT_EQ(w->LogLines().filter("canceling statement").size(), 1) << w->LogLines().join('\n').toStdString();
    EXPECT_EQ(w->ScriptList().size(), 2); // the interrupted file and the one not run stay
}
