// The SQL window inside the real main window, against the test server, driven
// as a user would: typing into the editor, running, the result pages, the
// row-count and error dialogs, bind variables, timing and Esc, the history
// and the end-to-end run from the command line.
#include "shell/ShellTestSupport.h"

#include "common/TextUtil.h"
#include "controls/tvStatusBar.h"
#include "controls/tvInplaceEditor.h"
#include "controls/tvStringGrid.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/EscapeWatch.h"
#include "sql/frmSQL.h"
#include "sql/frmSQLLog.h"
#include "shell/UserCommand.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "shell/WindowLaunchers.h"

#include <QElapsedTimer>
#include <functional>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QAction>
#include <QMimeData>
#include <QUrl>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTimer>

using namespace tvtest;
using tv::ui::ScriptedDialogs;

namespace {

class SQLWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        tv::ui::InstallEscapeWatch();
        if (db.available())
            db.exec("CREATE TABLE t(id int PRIMARY KEY, x int); INSERT INTO t VALUES (1, 0), (2, 0), (3, 0);");
    }

    // Logs on with the command line and opens an SQL window on it.
    TfrmSQL *Open(bool autoCommit = true)
    {
        s.Start(LogonArgs(db.params()));
        tvOption.UpdateToCommit = autoCommit;
        s.FirstPaint();
        s.main->show();
        EXPECT_NE(s.Form(), nullptr);
        auto *w = new TfrmSQL(s.Form());
        w->ShowForm();
        return w;
    }

    // Types the lines into the editor, Enter between them.
    static void Type(TfrmSQL *w, const QStringList &lines)
    {
        w->txtSQL->setFocus();
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(w->txtSQL, Qt::Key_Return);
            QTest::keyClicks(w->txtSQL, lines.at(i));
        }
    }
    static void SetText(TfrmSQL *w, const QString &text)
    {
        w->txtSQL->Lines()->SetText(text);
        w->txtSQL->SetModified(true);
    }
    static void Run(TfrmSQL *w)
    {
        // The actions follow the editor when the window is idle.
        QTest::qWaitFor([&] { return w->btnExec->isEnabled(); }, 30000);
        ASSERT_TRUE(w->btnExec->isEnabled());
        QTest::mouseClick(w->btnExec, Qt::LeftButton);
    }
    QString Status() const { return s.main->StatusText(2); }
    QStringList Pages(TfrmSQL *w) const
    {
        QStringList l;
        for (int i = 0; i < w->pagData->count(); ++i)
            l << w->pagData->tabText(i);
        return l;
    }
    QList<ScriptedDialogs::Call> Calls(ScriptedDialogs::Kind kind) const
    {
        QList<ScriptedDialogs::Call> l;
        for (const auto &c : s.dialogs.calls())
            if (c.kind == kind)
                l << c;
        return l;
    }

    TestDb db{"sqlw"};
    ShellSession s;
};

QStringList Captions(const tv::ui::CheckList &checks)
{
    QStringList l;
    for (const auto &c : checks)
        l << c.caption;
    return l;
}

// Answers as scripted, and lets the test look at the server from its own
// connection while a check dialog is up.
class ProbingDialogs : public ScriptedDialogs {
public:
    std::function<void(const QString &)> onCheck;
    int checkMessageBox(const QString &text, const QString &caption, unsigned flags,
                        tv::ui::CheckList &checks) override
    {
        if (onCheck)
            onCheck(text);
        return ScriptedDialogs::checkMessageBox(text, caption, flags, checks);
    }
};

// The state of a backend as another connection sees it ("idle", "active" ...).
std::string BackendState(const TestDb &db, int pid)
{
    return db.scalar("select state from pg_stat_activity where pid = " + std::to_string(pid));
}

} // namespace

TEST_F(SQLWindow, EachQueryGetsItsOwnResultPage)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    Type(w, {"select 1;", ";", "select 2", ";", "select 3 as v"});
    Run(w);
    EXPECT_EQ(Pages(w), (QStringList{"結果", "結果2", "結果3"}));
    ASSERT_EQ(w->fraDatas.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(w->fraDatas[size_t(i)]);
        EXPECT_EQ(w->fraDatas[size_t(i)]->dsrTableData.Text(0, 0), QString::number(i + 1));
    }
    EXPECT_EQ(w->fraDatas[0].data(), w->fraData);
    EXPECT_TRUE(Calls(ScriptedDialogs::Kind::CheckMessage).isEmpty()); // no row-count message for queries
    EXPECT_EQ(w->FSQLCount, 3);

    // A second run takes the extra pages away again; two ";" lines in a row
    // run nothing.
    SetText(w, QStringLiteral("select 9\r\n;\r\n;\r\n"));
    Run(w);
    EXPECT_EQ(Pages(w), QStringList{"結果"});
    EXPECT_EQ(w->fraData->dsrTableData.Text(0, 0), QStringLiteral("9"));
    EXPECT_EQ(w->FSQLCount, 1);
}

TEST_F(SQLWindow, CommandsReportTheirRowCountAndTheLastOneOffersNoBox)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    Type(w, {"update t set x=1 where id in (1,2);", ";"});
    Run(w);
    auto calls = Calls(ScriptedDialogs::Kind::CheckMessage);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].text, QStringLiteral(" SQLを実行しました。\r\n(対象：2 レコード )"));
    EXPECT_EQ(calls[0].flags, 0x40u);
    EXPECT_TRUE(calls[0].checks.isEmpty());
    EXPECT_EQ(db.scalar("select sum(x) from t"), "2");

    // Before a later statement the box is offered; checked, it keeps the
    // remaining messages away.
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDOK, {true});
    SetText(w, QStringLiteral("update t set x=5 where id=1\r\n;\r\ndelete from t where id=3;\r\n;\r\nupdate t set x=6"));
    Run(w);
    calls = Calls(ScriptedDialogs::Kind::CheckMessage);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(Captions(calls[0].checks), QStringList{"以降の結果ダイアログを表示しない"});
    EXPECT_EQ(db.scalar("select string_agg(id || ':' || x, ',' order by id) from t"), "1:6,2:6");
}

TEST_F(SQLWindow, OnlyDataChangesWithReturningShowRows)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    // A plain insert reports its count; one with RETURNING shows its rows on a
    // page and runs once; a misspelt insert reports the server's error.
    SetText(w, QStringLiteral("insert into t values (10, 0)\r\n;\r\n"
                              "insert into t values (11, 0)\r\nRETURNING id * 2 AS twice\r\n;\r\n"
                              "insert into t valuse (12, 0)"));
    s.dialogs.queueButton(tv::ui::IDOK, {false});
    s.dialogs.queueButton(tv::ui::IDOK);
    Run(w);
    const auto calls = Calls(ScriptedDialogs::Kind::CheckMessage);
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].text, QStringLiteral(" SQLを実行しました。\r\n(対象：1 レコード )"));
    EXPECT_TRUE(calls[1].text.contains(QStringLiteral("valuse"))) << calls[1].text.toStdString();
    EXPECT_EQ(Pages(w), QStringList{"結果"});
    EXPECT_EQ(w->fraData->dsrTableData.Text(0, 0), QStringLiteral("22"));
    EXPECT_EQ(db.scalar("select string_agg(id::text, ',' order by id) from t where id >= 10"), "10,11");
}

TEST_F(SQLWindow, AnErrorMarksItsStatementAndTheUserDecidesWhetherToGoOn)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    const QString text = QStringLiteral("select 1\r\n;\r\nselect * from nosuch\r\n;\r\nselect 3");
    for (bool goOn : {true, false}) {
        SCOPED_TRACE(goOn);
        s.dialogs.clear();
        s.dialogs.queueButton(tv::ui::IDOK, {goOn});
        SetText(w, text);
        Run(w);
        const auto calls = Calls(ScriptedDialogs::Kind::CheckMessage);
        ASSERT_EQ(calls.size(), 1);
        EXPECT_TRUE(calls[0].text.startsWith(QStringLiteral("ERROR: "))) << calls[0].text.toStdString();
        EXPECT_EQ(calls[0].flags, 0x30u);
        EXPECT_EQ(Captions(calls[0].checks), QStringList{"処理を続行する"});
        EXPECT_EQ(w->txtSQL->SelText().trimmed(), QStringLiteral("select * from nosuch"));
        EXPECT_EQ(Pages(w), goOn ? (QStringList{"結果", "結果2"}) : QStringList{"結果"});
        EXPECT_EQ(w->FSQLCount, goOn ? 3 : 2);
    }

    // A partial run compares with the lines being run: the failing statement
    // ends the selection, so no box, and the editor row is marked.
    tvOption.UsePartial = true;
    s.dialogs.clear();
    SetText(w, text);
    w->txtSQL->MultiLineSelect(2, 2);
    Run(w);
    const auto calls = Calls(ScriptedDialogs::Kind::CheckMessage);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_TRUE(calls[0].checks.isEmpty());
    EXPECT_EQ(w->txtSQL->SelText().trimmed(), QStringLiteral("select * from nosuch"));
}

// The plan run explains the first statement only, also when the statements
// after it are not set apart by a line of their own: nothing after it reaches
// the server, whether the session commits each statement or not.
TEST_F(SQLWindow, ThePlanRunExplainsTheFirstStatementAndRunsNothingAfterIt)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA sales; CREATE TABLE sales.customer(id int PRIMARY KEY, name text);"
            "CREATE TABLE sales.orders(id int, customer int);"
            "INSERT INTO sales.customer VALUES (1, 'a'), (2, 'b');"
            "INSERT INTO sales.orders VALUES (1, 1), (2, 1), (3, 2);");
    const QList<QStringList> texts = {
        {"select * from sales.customer;", "delete from sales.orders;"},
        {"select * from sales.customer; commit; delete from sales.orders"},
        {"select $$;$$ as x, * from sales.customer", "; delete from sales.orders"},
        {"-- the customers", "select * from sales.customer;delete from sales.orders", ";", "select 1"},
    };
    for (const bool autoCommit : {true, false}) {
        TfrmSQL *w = Open(autoCommit);
        QTest::mouseClick(w->btnExplan, Qt::LeftButton);
        ASSERT_TRUE(w->btnExplan->isChecked());
        for (const QStringList &text : texts) {
            SCOPED_TRACE(text.join(QLatin1Char('|')).toStdString() + (autoCommit ? " auto-commit" : " in a block"));
            w->fraExplan->lstPlan->clear();
            s.dialogs.clear();
            SetText(w, text.join(QStringLiteral("\r\n")));
            Run(w);
            EXPECT_EQ(s.dialogs.texts(), QStringList());
            ASSERT_EQ(w->fraExplan->lstPlan->topLevelItemCount(), 1);
            EXPECT_EQ(w->fraExplan->lstPlan->TopNode(0)->Text(), QStringLiteral("SELECT STATEMENT"));
            EXPECT_EQ(db.scalar("select count(*) from sales.orders"), "3");
            EXPECT_EQ(db.scalar("select count(*) from sales.customer"), "2");
            if (!autoCommit)
                EXPECT_EQ(s.Form()->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
        }
        s.main.reset();
    }
}

TEST_F(SQLWindow, BindVariablesAskFirstThenRun)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    Type(w, {"select id from t where id = :id or id = :ID + 10"});
    EXPECT_TRUE(w->grdParam->isHidden());
    Run(w);
    ASSERT_TRUE(!w->grdParam->isHidden());
    EXPECT_EQ(w->grdParam->RowCount(), 2); // one parameter, however often it stands
    EXPECT_EQ(w->grdParam->Cells(0, 1), QStringLiteral("id"));
    EXPECT_EQ(Status(), QStringLiteral("バインド変数値を入力して下さい。"));
    EXPECT_FALSE(w->fraData->Active());

    // The value cell has the editor; Tab goes on to the type.
    EXPECT_EQ(w->grdParam->Col(), 1);
    EXPECT_EQ(w->grdParam->Row(), 1);
    TtvInplaceEditor *ed = w->grdParam->InplaceEditor();
    ASSERT_NE(ed, nullptr);
    QTest::keyClicks(ed, QStringLiteral("2"));
    QTest::keyClick(ed, Qt::Key_Tab);
    EXPECT_EQ(w->grdParam->Col(), 2);
    QTest::keyClicks(w->grdParam->InplaceEditor(), QStringLiteral("integer"));
    Run(w);
    EXPECT_EQ(w->grdParam->Cells(1, 1), QStringLiteral("2"));
    EXPECT_EQ(w->grdParam->Cells(2, 1), QStringLiteral("integer"));
    ASSERT_TRUE(w->fraData->Active());
    EXPECT_EQ(w->fraData->dsrTableData.RecordCount(), 1);
    EXPECT_EQ(w->fraData->dsrTableData.Text(0, 0), QStringLiteral("2"));

    // A value that is no integer is the statement's error.
    w->grdParam->SetCells(1, 1, QStringLiteral("two"));
    s.dialogs.clear();
    Run(w);
    const auto calls = Calls(ScriptedDialogs::Kind::CheckMessage);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_TRUE(calls[0].text.contains(QStringLiteral("two")));

    // Renaming the parameter empties its value and asks again; a CREATE
    // statement takes no parameters and hides the grid.
    SetText(w, QStringLiteral("select :other::int"));
    Run(w);
    EXPECT_EQ(w->grdParam->Cells(0, 1), QStringLiteral("other"));
    EXPECT_TRUE(w->grdParam->Cells(1, 1).isEmpty());
    SetText(w, QStringLiteral("create function f(a int) returns int as 'select a:: int' language sql"));
    Run(w);
    EXPECT_TRUE(w->grdParam->isHidden());
    EXPECT_EQ(db.scalar("select f(4)"), "4");
}

TEST_F(SQLWindow, TheTypeListHoldsTheServersMappedTypeNames)
{
    TV_REQUIRE_DB(db);
    db.exec("create type mood as enum ('sad', 'ok')");
    TfrmSQL *w = Open();
    Type(w, {"select :v"});
    Run(w);
    ASSERT_TRUE(!w->grdParam->isHidden());
    QTest::keyClick(w->grdParam->InplaceEditor(), Qt::Key_Tab);
    ASSERT_EQ(w->grdParam->Col(), 2);
    TtvInplaceEditor *ed = w->grdParam->InplaceEditor();
    QTest::keyClick(ed, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(ed->ListVisible());
    const QStringList items = ed->PickListItems();
    for (const char *name : {"integer", "integer[]", "bigint", "numeric[]", "text", "character varying", "date",
                             "boolean", "timestamp(6) without time zone"})
        EXPECT_TRUE(items.contains(QLatin1String(name))) << name;
    for (const char *name : {"box", "public.mood", "public.mood[]", "timestamp(6) with time zone", "json"})
        EXPECT_FALSE(items.contains(QLatin1String(name))) << name;
    QTest::keyClick(ed->PickList(), Qt::Key_Escape);
}

TEST_F(SQLWindow, NumericAndInOutValuesComeBackExactly)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    SetText(w, QStringLiteral("create procedure p(inout a numeric, inout b text)\r\nlanguage plpgsql as $$\r\n"
                              "begin a := a * 2; b := b || '!'; end $$;\r\n;\r\ncall p(:a, :b)"));
    Run(w); // creates, then asks for the values
    ASSERT_TRUE(!w->grdParam->isHidden());
    w->grdParam->SetCells(1, 1, QStringLiteral("12345678901234567890.123456789"));
    w->grdParam->SetCells(2, 1, QStringLiteral("numeric"));
    w->grdParam->SetCells(1, 2, QStringLiteral("hi"));
    SetText(w, QStringLiteral("call p(:a, :b)"));
    Run(w);
    EXPECT_EQ(w->grdParam->Cells(1, 1), QStringLiteral("24691357802469135780.246913578"));
    EXPECT_EQ(w->grdParam->Cells(1, 2), QStringLiteral("hi!"));
}

// Types `text` into the widget that has the focus, as a keyboard does: Shift
// goes down before a capital or a shifted sign and up after it, each its own
// key event.
void TypeWithShift(const QString &text)
{
    static const QString shifted = QStringLiteral("~!@#$%^&*()_+{}|:\"<>?");
    for (const QChar c : text) {
        const bool shift = c.isUpper() || shifted.contains(c);
        if (shift)
            QTest::keyPress(QApplication::focusWidget(), Qt::Key_Shift, Qt::ShiftModifier);
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1(), shift ? Qt::ShiftModifier : Qt::NoModifier);
        if (shift)
            QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Shift, Qt::NoModifier);
    }
}

// Clicks the cell of `record` and field item `item` in the frame's visible
// grid, checks that keys the editor does not use leave its text alone, types
// `text` over the cell, then Down.
template <class Grid>
void EditCell(Grid *grid, int record, int item, const QString &text)
{
    grid->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(grid->window()));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, grid->CellRect(record, item).center());
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), grid->InplaceEditor());
    // Keys the editor has no use for leave the cell's text alone.
    for (const auto &[key, mods] : std::initializer_list<std::pair<Qt::Key, Qt::KeyboardModifiers>>{
             {Qt::Key_Shift, Qt::ShiftModifier}, {Qt::Key_Control, Qt::ControlModifier},
             {Qt::Key_CapsLock, Qt::NoModifier}, {Qt::Key_F2, Qt::NoModifier},
             {Qt::Key_F2, Qt::ShiftModifier}}) {
        grid->InplaceEditor()->setText(QStringLiteral("typed"));
        grid->InplaceEditor()->setCursorPosition(2);
        QTest::keyClick(QApplication::focusWidget(), key, mods);
        EXPECT_EQ(grid->InplaceEditor()->text().toStdString(), "typed") << key;
        EXPECT_FALSE(grid->InplaceEditor()->hasSelectedText()) << key;
    }
    grid->InplaceEditor()->selectAll();
    TypeWithShift(text);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QApplication::processEvents();
}

TEST_F(SQLWindow, TextTypedWithShiftIsPostedExactlyFromBothGrids)
{
    TV_REQUIRE_DB(db);
    db.exec("create table customer(id int primary key, name text);"
            "insert into customer values (1, 'one'), (2, 'two'), (3, 'three');");
    TfrmSQL *w = Open();
    Type(w, {"select id, name from customer order by id"});
    Run(w);
    TfraData *f = w->fraData;
    ASSERT_TRUE(f->Active());
    ASSERT_TRUE(f->btnUpdate->isChecked());
    const QString rowWise = QStringLiteral("Tanaka Taro (\"_x_\": @Home)");
    EditCell(f->grdData1, 0, 1, rowWise);
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(db.scalar("select name from customer where id = 1"), rowWise.toStdString());
    EXPECT_EQ(f->dsrTableData.RecNo(), 1);

    // The transposed grid: the record is a column, the field a row; Down
    // goes to the next field row, Right to the next record.
    QTest::mouseClick(f->btnGridType, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_TRUE(f->grdData2->isVisible());
    const QString transposed = QStringLiteral("Suzuki Hanako <Q&A>?");
    EditCell(f->grdData2, 1, 1, transposed);
    EXPECT_EQ(f->grdData2->InplaceEditor()->text().toStdString(), transposed.toStdString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QApplication::processEvents();
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(db.scalar("select name from customer where id = 2"), transposed.toStdString());
    EXPECT_EQ(db.scalar("select name from customer where id = 3"), "three");
}

TEST_F(SQLWindow, APostedRowIsSeenByOthersAtOnceOnlyWithUpdateToCommit)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open(false);
    Type(w, {"select id, x from t order by id"});
    Run(w);
    ASSERT_TRUE(w->fraData->Active());
    EditCell(w->fraData->grdData1, 0, 1, QStringLiteral("7"));
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(db.scalar("select x from t where id = 1"), "0");
    SetText(w, QStringLiteral("commit"));
    s.dialogs.queueButton(tv::ui::IDOK);
    Run(w);
    EXPECT_EQ(db.scalar("select x from t where id = 1"), "7");
}

TEST_F(SQLWindow, TheStatusShowsTheTimeAndEscCancelsARunningStatement)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    Type(w, {"select pg_sleep(0.05)"});
    Run(w);
    static const QRegularExpression time(QStringLiteral("^処理時間\\(HH:MM:SS\\.Ms\\)：00:00:00\\.\\d{3}$"));
    EXPECT_TRUE(time.match(Status()).hasMatch()) << Status().toStdString();

    SetText(w, QStringLiteral("select pg_sleep(30)"));
    QTimer::singleShot(300, w, [w] {
        EXPECT_TRUE(w->Running());
        EXPECT_FALSE(w->btnExec->isEnabled());
        QTest::keyClick(w->txtSQL, Qt::Key_Escape);
    });
    QElapsedTimer t;
    t.start();
    Run(w);
    EXPECT_LT(t.elapsed(), 10000); // cancelled, far short of the 30 s sleep
    const auto calls = Calls(ScriptedDialogs::Kind::CheckMessage);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_TRUE(calls[0].text.startsWith(QStringLiteral("ERROR: ")));
    // Between many short statements Esc ends the run as well (enough of
    // them that the run is still going when the press arrives).
    QStringList many;
    for (int i = 0; i < 40000; ++i)
        many << QStringLiteral("update t set x = %1 where id = 1").arg(i) << QStringLiteral(";");
    SetText(w, many.join(QStringLiteral("\r\n")));
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDOK, {true}); // no more row-count messages
    // Esc once the run is under way (the statements may go fast, so not
    // after a fixed time).
    QTimer probe;
    probe.setInterval(10);
    bool pressed = false;
    QObject::connect(&probe, &QTimer::timeout, w, [&] {
        if (pressed || std::stoi(db.scalar("select x from t where id = 1")) < 10)
            return;
        pressed = true;
        QTest::keyClick(w->txtSQL, Qt::Key_Escape);
    });
    probe.start();
    Run(w);
    probe.stop();
    EXPECT_TRUE(pressed);
    // (Should the press land inside a statement, that statement is cancelled
    // and the error dialog ends the run instead.)
    const bool inStatement = Calls(ScriptedDialogs::Kind::CheckMessage).size() > 1;
    EXPECT_TRUE(inStatement || Status().endsWith(QStringLiteral("処理を中断しました。"))) << Status().toStdString();
    EXPECT_LT(std::stoi(db.scalar("select x from t where id = 1")), 39999);
    // The window stays usable.
    EXPECT_FALSE(w->Running());
    SetText(w, QStringLiteral("select 7"));
    Run(w);
    EXPECT_EQ(w->fraData->dsrTableData.Text(0, 0), QStringLiteral("7"));
}

TEST_F(SQLWindow, ALongScriptStopsAtARejectedStatementOrGoesOnAsTheUserChooses)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE p(id int PRIMARY KEY);"
            "CREATE TABLE c(id int REFERENCES t(id) DEFERRABLE INITIALLY DEFERRED);");
    TfrmSQL *w = Open();
    const int pid = s.Form()->dbsMain().BackendPid();
    // The statement in the middle is rejected when parsed, when run, or when
    // its own commit checks a deferred key.
    struct Case {
        const char *what;
        int count;
        const char *bad;
        const char *server;
    } const cases[] = {
        {"parse", 20000, "insert into p valuse (%1)", "syntax error"},
        {"run", 2000, "insert into p values (%1 / 0)", "division by zero"},
        {"commit", 2000, "insert into c values (-%1)", "violates foreign key constraint"},
    };
    for (const Case &c : cases) {
        for (bool goOn : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (goOn ? " go on" : " stop"));
            db.exec("TRUNCATE p, c");
            const int bad = c.count / 2;
            QStringList lines;
            for (int i = 0; i < c.count; ++i)
                lines << QString::fromLatin1(i == bad ? c.bad : "insert into p values (%1)").arg(i)
                      << QStringLiteral(";");
            ProbingDialogs dialogs;
            tv::ui::ScopedDialogs use(&dialogs);
            std::string seenRows, seenState;
            dialogs.onCheck = [&](const QString &text) {
                if (!text.startsWith(QStringLiteral("ERROR: ")))
                    return;
                seenRows = db.scalar("select count(*) from p");
                seenState = BackendState(db, pid);
            };
            dialogs.queueButton(tv::ui::IDOK, {true}); // the first row count: no more of them
            dialogs.queueButton(tv::ui::IDOK, {goOn}); // the error
            SetText(w, lines.join(QStringLiteral("\r\n")));
            Run(w);

            QList<ScriptedDialogs::Call> checks;
            for (const auto &call : dialogs.calls())
                if (call.kind == ScriptedDialogs::Kind::CheckMessage)
                    checks << call;
            ASSERT_EQ(checks.size(), 2);
            EXPECT_TRUE(checks[1].text.startsWith(QStringLiteral("ERROR: "))) << checks[1].text.toStdString();
            EXPECT_TRUE(checks[1].text.contains(QLatin1String(c.server))) << checks[1].text.toStdString();
            EXPECT_EQ(Captions(checks[1].checks), QStringList{"処理を続行する"});
            // The failing statement is marked in the editor.
            EXPECT_EQ(w->txtSQL->RowToLines(w->txtSQL->SelStrPosition().Sr), 2 * bad);
            EXPECT_FALSE(w->txtSQL->SelText().isEmpty());
            EXPECT_TRUE(QString::fromLatin1(c.bad).arg(bad).contains(w->txtSQL->SelText().trimmed()))
                << w->txtSQL->SelText().toStdString();
            // While the error is shown, every statement before it is
            // committed, none after it ran, and the session holds no block.
            EXPECT_EQ(seenRows, std::to_string(bad));
            EXPECT_EQ(seenState, "idle");
            EXPECT_EQ(db.scalar("select count(*) from p"), std::to_string(goOn ? c.count - 1 : bad));
            EXPECT_EQ(db.scalar("select coalesce(max(id), -1) from p"), std::to_string(goOn ? c.count - 1 : bad - 1));
            EXPECT_EQ(db.scalar("select count(*) from c"), "0");
            EXPECT_EQ(w->FSQLCount, goOn ? c.count : bad + 1);
            EXPECT_EQ(BackendState(db, pid), "idle");
        }
    }
}

TEST_F(SQLWindow, EscCancelsTheStatementRunningAndNothingAfterItRunsUnlessTheUserGoesOn)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE p(id int PRIMARY KEY)");
    TfrmSQL *w = Open();
    const int pid = s.Form()->dbsMain().BackendPid();
    QStringList lines{"insert into p values (1)", ";", "insert into p values (2)", ";",
                      "insert into p select 3 from pg_sleep(30)", ";"};
    for (int i = 0; i < 200; ++i)
        lines << QStringLiteral("insert into p values (%1)").arg(100 + i) << QStringLiteral(";");
    for (bool goOn : {false, true}) {
        SCOPED_TRACE(goOn);
        db.exec("TRUNCATE p");
        s.dialogs.clear();
        s.dialogs.queueButton(tv::ui::IDOK, {true}); // the first row count: no more of them
        s.dialogs.queueButton(tv::ui::IDOK, {goOn}); // the cancelled statement
        SetText(w, lines.join(QStringLiteral("\r\n")));
        // Esc once the sleeping statement runs on the server.
        QTimer probe;
        probe.setInterval(50);
        bool pressed = false;
        QObject::connect(&probe, &QTimer::timeout, w, [&] {
            if (pressed || db.scalar("select count(*) from pg_stat_activity where pid = " + std::to_string(pid) +
                                     " and state = 'active' and query like '%pg_sleep%'") != "1")
                return;
            pressed = true;
            QTest::keyClick(w->txtSQL, Qt::Key_Escape);
        });
        probe.start();
        QElapsedTimer t;
        t.start();
        Run(w);
        probe.stop();
        EXPECT_TRUE(pressed);
        EXPECT_LT(t.elapsed(), 10000); // cancelled, far short of the 30 s sleep
        const auto calls = Calls(ScriptedDialogs::Kind::CheckMessage);
        ASSERT_EQ(calls.size(), 2);
        EXPECT_TRUE(calls[1].text.startsWith(QStringLiteral("ERROR: "))) << calls[1].text.toStdString();
        EXPECT_EQ(w->txtSQL->RowToLines(w->txtSQL->SelStrPosition().Sr), 4);
        EXPECT_EQ(db.scalar("select count(*) from p where id < 100"), "2");
        EXPECT_EQ(db.scalar("select count(*) from p where id >= 100"), goOn ? "200" : "0");
        EXPECT_FALSE(w->Running());
        EXPECT_EQ(BackendState(db, pid), "idle");
    }
}

TEST_F(SQLWindow, WithoutAutoCommitAFailureAndTheRolledBackCommitAreReported)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open(false);
    s.dialogs.queueButton(tv::ui::IDOK);         // the row count
    s.dialogs.queueButton(tv::ui::IDOK, {true}); // the error: go on
    SetText(w, QStringLiteral("update t set x = 9 where id = 1\r\n;\r\nselect 1/0\r\n;\r\ncommit"));
    Run(w);
    const auto checks = Calls(ScriptedDialogs::Kind::CheckMessage);
    ASSERT_EQ(checks.size(), 2); // the row count, then the error
    const auto messages = Calls(ScriptedDialogs::Kind::Message);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("ロールバック"))) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].flags & 0xF0, 0x30u);
    EXPECT_EQ(db.scalar("select x from t where id = 1"), "0");

    // A failure leaves the status saying the transaction is aborted.
    s.dialogs.clear();
    SetText(w, QStringLiteral("select 1/0"));
    Run(w);
    EXPECT_TRUE(Status().contains(QStringLiteral("中断"))) << Status().toStdString();
    SetText(w, QStringLiteral("rollback"));
    Run(w);
}

TEST_F(SQLWindow, HistoryRotatesWalksAndIsListed)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    tvOption.SQLBuf = 3;
    SQLLogList = QStringList{"SQLLOG2.SQL", "SQLLOG1.SQL", "SQLLOG3.SQL"};
    QDir().mkpath(tvOption.TempDir);
    for (const char *n : {"SQLLOG2.SQL", "SQLLOG1.SQL"})
        ASSERT_TRUE(tv::text::WriteTextFile(tvOption.TempDir + QLatin1String(n),
                                            QStringLiteral("select '") + QLatin1String(n) + QStringLiteral("'"),
                                            GetFileEncoding()));
    Type(w, {"select 'new'"});
    Run(w);
    EXPECT_EQ(SQLLogList, (QStringList{"SQLLOG3.SQL", "SQLLOG2.SQL", "SQLLOG1.SQL"}));
    QFile idx(tvOption.TempDir + QStringLiteral("SQLLOG.IDX"));
    ASSERT_TRUE(idx.open(QIODevice::ReadOnly));
    EXPECT_EQ(idx.readAll(), QByteArray("SQLLOG3.SQL\r\nSQLLOG2.SQL\r\nSQLLOG1.SQL\r\n"));
    QString entry;
    ASSERT_TRUE(sqllog::ReadEntry(0, &entry));
    EXPECT_EQ(entry, QStringLiteral("select 'new'"));
    EXPECT_EQ(w->FLog, 0);

    // Running the unchanged text saves nothing.
    Run(w);
    EXPECT_EQ(SQLLogList.size(), 3);

    // Previous and next walk the entries; next past the newest empties.
    QTest::mouseClick(w->btnPrev, Qt::LeftButton);
    EXPECT_EQ(w->txtSQL->Lines()->Text(), QStringLiteral("select 'SQLLOG2.SQL'"));
    EXPECT_FALSE(w->txtSQL->Modified());
    QTest::mouseClick(w->btnPrev, Qt::LeftButton);
    QTest::mouseClick(w->btnPrev, Qt::LeftButton); // the oldest: nothing changes
    EXPECT_EQ(w->FLog, 2);
    EXPECT_EQ(w->txtSQL->Lines()->Text(), QStringLiteral("select 'SQLLOG1.SQL'"));
    QTest::mouseClick(w->btnNext, Qt::LeftButton);
    QTest::mouseClick(w->btnNext, Qt::LeftButton);
    EXPECT_EQ(w->txtSQL->Lines()->Text(), QStringLiteral("select 'new'"));
    QTest::mouseClick(w->btnNext, Qt::LeftButton);
    EXPECT_EQ(w->FLog, -1);
    EXPECT_TRUE(w->txtSQL->Lines()->Text().isEmpty());

    // The list window: items, search, select, delete.
    {
        TfrmSQLLog log(w);
        log.FillList();
        ASSERT_EQ(log.lstSQL->count(), 3);
        EXPECT_TRUE(log.lstSQL->item(0)->text().endsWith(QStringLiteral("    select 'new'")));
        log.txtFind->setText(QStringLiteral("SQLLOG1"));
        log.btnFindClick();
        EXPECT_FALSE(log.IsMarked(0));
        EXPECT_TRUE(log.IsMarked(2));
        log.lstSQL->setCurrentRow(1);
        EXPECT_EQ(log.txtSQL->Lines()->Text(), QStringLiteral("select 'SQLLOG2.SQL'"));
        log.btnUpClick();
        EXPECT_EQ(SQLLogList, (QStringList{"SQLLOG2.SQL", "SQLLOG3.SQL", "SQLLOG1.SQL"}));
        log.btnDelClick();
        EXPECT_EQ(SQLLogList, (QStringList{"SQLLOG3.SQL", "SQLLOG1.SQL"}));
        EXPECT_EQ(log.lstSQL->count(), 2);
    }
    // Recalled through the history action.
    QTimer::singleShot(0, [] {
        auto *log = qobject_cast<TfrmSQLLog *>(QApplication::activeModalWidget());
        ASSERT_NE(log, nullptr);
        log->lstSQL->setCurrentRow(1);
        QTest::mouseClick(log->btnSelect, Qt::LeftButton);
    });
    QTest::mouseClick(w->btnLog, Qt::LeftButton);
    EXPECT_EQ(w->FLog, 1);
    EXPECT_EQ(w->txtSQL->Lines()->Text(), QStringLiteral("select 'SQLLOG1.SQL'"));

    // A stale position never reads past the end.
    w->FLog = 5;
    QTest::mouseClick(w->btnNext, Qt::LeftButton);
    EXPECT_EQ(w->FLog, 1);
    EXPECT_EQ(w->txtSQL->Lines()->Text(), QStringLiteral("select 'SQLLOG1.SQL'"));
    // The freed number 2 is the lowest free one.
    SetText(w, QStringLiteral("select 'again'"));
    Run(w);
    EXPECT_EQ(SQLLogList, (QStringList{"SQLLOG2.SQL", "SQLLOG3.SQL", "SQLLOG1.SQL"}));
}

TEST_F(SQLWindow, FilesOpenSortedAndSaveWithoutByteOrderMark)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    tvOption.Encoding = 2;
    const QString a = s.scratch.file(QStringLiteral("a.sql")), b = s.scratch.file(QStringLiteral("b.sql"));
    ASSERT_TRUE(tv::text::WriteTextFile(b, QStringLiteral("select 'ｂ'\r\n"), tv::text::Encoding::Utf8, true));
    ASSERT_TRUE(tv::text::WriteTextFile(a, QStringLiteral("select 'あ'"), tv::text::Encoding::Utf8));
    w->OpenFiles({b, a});
    EXPECT_EQ(w->txtSQL->Lines()->ToStringList(), (QStringList{"select 'あ'", "select 'ｂ'"}));
    EXPECT_TRUE(w->txtSQL->Modified());

    const QString out = s.scratch.file(QStringLiteral("out.sql"));
    s.dialogs.queuePath(out);
    QTest::mouseClick(w->btnSave, Qt::LeftButton);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QStringLiteral("select 'あ'\r\nselect 'ｂ'").toUtf8());
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("ファイルに出力しました。"));

    // Files dropped on the editor open in it.
    SetText(w, QStringLiteral("old text"));
    auto *mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(b), QUrl::fromLocalFile(a)});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    // (Qt delivers a drop only during a real drag: the editor's filter gets it here.)
    static_cast<QObject *>(w)->eventFilter(w->txtSQL->viewport(), &drop);
    EXPECT_EQ(w->txtSQL->Lines()->ToStringList(), (QStringList{"select 'あ'", "select 'ｂ'"}));
    delete mime;

    // A missing file is reported; the editor is left usable.
    s.dialogs.queuePath(s.scratch.file(QStringLiteral("none.sql")));
    QTest::mouseClick(w->btnOpen, Qt::LeftButton);
    EXPECT_TRUE(s.dialogs.texts().last().contains(QStringLiteral("none.sql")));
}

TEST_F(SQLWindow, EndToEndFromTheCommandLine)
{
    TV_REQUIRE_DB(db);
    TfrmSQL::RegisterLauncher();
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    ASSERT_NE(s.Form(), nullptr);
    s.main->show();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
    // Ctrl+S opens the SQL window for the current connection.
    QTest::keyClick(s.main.get(), Qt::Key_S, Qt::ControlModifier);
    TfrmSQL *w = nullptr;
    for (QWidget *c : s.main->MdiChildren())
        if (auto *sql = qobject_cast<TfrmSQL *>(c))
            w = sql;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->OwnerForm(), static_cast<IConnectionWindow *>(s.Form()));
    EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("SQL 実行 - ")));
    Type(w, {"create table w1s(x int);", ";", "insert into w1s values (42);"});
    Run(w);
    EXPECT_EQ(db.scalar("select x from w1s"), "42");
    const auto calls = Calls(ScriptedDialogs::Kind::CheckMessage);
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[1].text, QStringLiteral(" SQLを実行しました。\r\n(対象：1 レコード )"));

    // Closing the connection window closes the SQL window with it.
    QPointer<TfrmSQL> guard(w);
    s.Form()->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}

// A user command with "SQLWINDOW" opens one SQL window per selected object,
// each running its own statement.
TEST_F(SQLWindow, UserCommandRunsInOneWindowPerObject)
{
    TV_REQUIRE_DB(db);
    TfrmSQL::RegisterLauncher();
    db.exec("CREATE TABLE log(n text); CREATE TABLE u1(a int); CREATE TABLE u2(a int)");
    s.Start(LogonArgs(db.params()));
    tvOption.UpdateToCommit = true;
    tvOption.TreeSort = 0;
    s.FirstPaint();
    s.main->show();
    TfrmObject *form = s.Form();
    ASSERT_NE(form, nullptr);
    TUserCommand c;
    c.Name = QStringLiteral("LOGIT");
    c.SQLWindow = true;
    c.SQL = QStringLiteral("INSERT INTO log VALUES ('&NAME')");
    usercmd::Write(c);
    s.main->SetCommandList();
    QTreeWidgetItem *pub = nullptr;
    for (int i = 0; i < form->tvTree->topLevelItem(0)->childCount(); ++i)
        if (form->tvTree->topLevelItem(0)->child(i)->text(0) == QLatin1String("public"))
            pub = form->tvTree->topLevelItem(0)->child(i);
    ASSERT_NE(pub, nullptr);
    for (int i = 0; i < pub->childCount(); ++i)
        if (pub->child(i)->text(0) == QLatin1String("TABLE"))
            form->tvTree->setCurrentItem(pub->child(i));
    form->lstObject->selectAll();
    ASSERT_EQ(form->lstObject->SelectedItems().size(), 4); // with the fixture's t
    QAction *item = nullptr;
    for (QAction *a : form->mnuCommand->actions())
        if (a->property("CommandName").toString() == QLatin1String("LOGIT"))
            item = a;
    ASSERT_NE(item, nullptr);
    item->trigger();
    QStringList texts;
    for (QWidget *w : s.main->MdiChildren())
        if (auto *sql = qobject_cast<TfrmSQL *>(w))
            texts << sql->txtSQL->Lines()->Text().trimmed();
    texts.sort();
    EXPECT_EQ(texts, QStringList({"INSERT INTO log VALUES ('log')", "INSERT INTO log VALUES ('t')",
                                  "INSERT INTO log VALUES ('u1')", "INSERT INTO log VALUES ('u2')"}));
    EXPECT_EQ(db.scalar("SELECT string_agg(n, ',' ORDER BY n) FROM log"), "log,t,u1,u2");
    EXPECT_TRUE(form->lstObject->SelectedItems().isEmpty());
}
