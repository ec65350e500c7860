// The execution dialog of DDL scripts against the test server: statement
// splitting, the log, stop-on-error and continuing, closing during a run and
// the caller's transaction around it.
#include "ShellTestSupport.h"

#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/settings/tvRegistry.h"
#include "shell/frmDDLExec.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include <memory>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

TfrmDDLExec *OpenExecDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<TfrmDDLExec *>(w); d && d->isVisible())
            return d;
    return nullptr;
}

QStringList Log(const TfrmDDLExec *d)
{
    return d->txtLog->Lines()->ToStringList();
}

// Runs `work` on the dialog as soon as window messages are processed during
// the run with the dialog shown (the first log line), as a user acting in the
// open dialog; not before `delayMs`. Events processed before the dialog shows
// (a loaded machine) only make it look again; nor before `ready` holds.
void DuringRun(std::function<void(TfrmDDLExec *)> work, int delayMs = 0, std::function<bool()> ready = {})
{
    auto *poll = new QTimer(qApp);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    // Once a dialog shows (or none did for long), the polling ends and the
    // work runs on it.
    auto attempt = [poll, waited, work = std::move(work), ready = std::move(ready)] {
        TfrmDDLExec *d = OpenExecDialog();
        if ((!d || (ready && !ready())) && waited->elapsed() < 120000)
            return;
        poll->stop();
        poll->deleteLater();
        if (d)
            work(d);
    };
    QObject::connect(poll, &QTimer::timeout, poll, attempt);
    QTimer::singleShot(delayMs, poll, [poll, attempt] {
        poll->start(5);
        attempt();
    });
}

void FreeClosedDialogs()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool TableExists(const TestDb &db, const char *name)
{
    return db.scalar(std::string("SELECT count(*) FROM pg_tables WHERE tablename = '") + name + "'") == "1";
}

const QStringList ThreeStatements{
    QStringLiteral("CREATE TABLE t1 (a int)"), QStringLiteral(";"),
    QStringLiteral("broken statement"),        QStringLiteral(";"),
    QStringLiteral("CREATE TABLE t2 (a int)"), QStringLiteral(";"),
};

class DDLExec : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("ddlexec");
        if (!db->available())
            return;
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form();
    }
    void TearDown() override
    {
        // Nothing may stay open behind a failed check.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<TfrmDDLExec *>(w))
                delete d;
    }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace

TEST(DDLExecScript, StatementsEndOnlyAtAnExactSemicolonLine)
{
    const struct {
        QStringList script;
        QList<QStringList> statements;
    } cases[] = {
        {{"a", ";", "b"}, {{"a"}, {"b"}}},
        {{";", ";", "a", ";", ";", "b", ";"}, {{"a"}, {"b"}}},
        // A blank before or after ";" does not end a statement, nor does a
        // line ending in ";" (a function body).
        {{"a", " ;", "b;", "; ", "c"}, {{"a", " ;", "b;", "; ", "c"}}},
        // Blank statements have nothing to run.
        {{"", ";", "  ", ";", "x", ";", ""}, {{"x"}}},
        {{}, {}},
    };
    for (const auto &c : cases) {
        QStringList script = c.script;
        QList<QStringList> got;
        for (QStringList st = TfrmDDLExec::TakeStatement(script); !st.isEmpty(); st = TfrmDDLExec::TakeStatement(script))
            got << st;
        EXPECT_EQ(got, c.statements) << c.script.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(script.isEmpty());
    }
}

// Stop-on-error: the failed statement stops the run with the silent abort,
// the caller rolls back and keeps the statements not yet run; "継続(&U)" runs
// them later and the closing count includes the earlier failure.
TEST_F(DDLExec, StopOnErrorLeavesTheRestToContinue)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    QStringList script = ThreeStatements;
    QPointer<TfrmDDLExec> dialog;
    DuringRun([&](TfrmDDLExec *d) {
        dialog = d;
        EXPECT_FALSE(s.main->isEnabled());
        EXPECT_FALSE(d->btnOK->isEnabled());
        EXPECT_TRUE(d->chkErrorStop->isChecked());
        EXPECT_EQ(d->windowTitle(), QStringLiteral("スクリプト実行"));
    });

    form->dbsMain().StartTransaction();
    bool aborted = false;
    try {
        TfrmDDLExec::ShowWindow(form, script);
    } catch (const tv::SilentAbort &) {
        aborted = true;
        form->dbsMain().Rollback();
    }
    ASSERT_TRUE(aborted);
    ASSERT_FALSE(dialog.isNull());
    EXPECT_EQ(script, (QStringList{QStringLiteral("CREATE TABLE t2 (a int)"), QStringLiteral(";")}));
    EXPECT_FALSE(TableExists(*db, "t1")) << "the caller rolled the first statement back";

    const QStringList log = Log(dialog);
    ASSERT_GE(log.size(), 7);
    EXPECT_EQ(log.mid(0, 4), (QStringList{QStringLiteral("CREATE TABLE t1 (a int)"), QStringLiteral("《正常終了》"),
                                          QString(), QStringLiteral("broken statement")}));
    EXPECT_EQ(log.at(4), QStringLiteral("《エラー》"));
    EXPECT_TRUE(log.at(5).startsWith(QStringLiteral("ERROR: "))) << log.at(5).toStdString();
    EXPECT_TRUE(log.at(5).contains(QStringLiteral("broken"))) << log.at(5).toStdString();
    EXPECT_FALSE(log.join(QLatin1Char('\n')).contains(QStringLiteral("t2")));
    EXPECT_TRUE(dialog->btnOK->isEnabled());
    EXPECT_EQ(dialog->btnCancel->text(), QStringLiteral("中止(&A)"));
    EXPECT_FALSE(s.main->isEnabled()) << "the stopped dialog keeps the user in it";
    EXPECT_EQ(TfrmDDLExec::OpenCount(), 1);

    // 継続(&U): the rest runs outside the caller's (rolled back) transaction.
    QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    const QStringList after = Log(dialog);
    EXPECT_TRUE(after.contains(QStringLiteral("CREATE TABLE t2 (a int)")));
    ASSERT_GE(after.size(), 2);
    EXPECT_EQ(after.mid(after.size() - 2),
              (QStringList{QStringLiteral("スクリプト実行が完了しました。"), QStringLiteral("エラー: 1 件")}));
    EXPECT_TRUE(TableExists(*db, "t2"));
    EXPECT_FALSE(dialog->btnOK->isEnabled());
    EXPECT_EQ(dialog->btnCancel->text(), QStringLiteral("終了(&X)"));
    EXPECT_TRUE(dialog->isVisible()) << "a run with errors stays open even with CloseDDL";

    // A finished run closes without asking and gives the main window back.
    QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
    EXPECT_TRUE(s.main->isEnabled());
    EXPECT_EQ(TfrmDDLExec::OpenCount(), 0);
    TfrmDDLExec::WaitProc();
    FreeClosedDialogs();
    EXPECT_TRUE(dialog.isNull());
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\LOG"), false));
    EXPECT_GT(reg.GetInteger(QStringLiteral("Width"), -1), 0);
    reg.CloseKey();
}

// Stop-on-error off: every statement is tried under its own savepoint, so
// the caller's transaction survives the failure and commits the others; the
// run reports its errors instead of success.
TEST_F(DDLExec, ContinueOnErrorReportsTheErrorsAndKeepsTheTransaction)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    tvOption.CloseDDL = true;
    QStringList script = ThreeStatements;
    QPointer<TfrmDDLExec> dialog;
    DuringRun([&](TfrmDDLExec *d) {
        dialog = d;
        d->chkErrorStop->setChecked(false);
    });

    form->dbsMain().StartTransaction();
    int errors = -1;
    ASSERT_NO_THROW(errors = TfrmDDLExec::ShowWindow(form, script));
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(script.isEmpty());
    EXPECT_EQ(form->dbsMain().Commit(), tv::db::CommitResult::Committed);
    EXPECT_TRUE(TableExists(*db, "t1"));
    EXPECT_TRUE(TableExists(*db, "t2"));

    ASSERT_FALSE(dialog.isNull());
    const QStringList log = Log(dialog);
    EXPECT_EQ(log.count(QStringLiteral("《正常終了》")), 2);
    EXPECT_EQ(log.count(QStringLiteral("《エラー》")), 1);
    EXPECT_EQ(log.mid(log.size() - 2),
              (QStringList{QStringLiteral("スクリプト実行が完了しました。"), QStringLiteral("エラー: 1 件")}));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(TfrmDDLExec::OpenCount(), 1);
    dialog->close();
    EXPECT_EQ(TfrmDDLExec::OpenCount(), 0);
}

// An error-free run with CloseDDL closes itself; WaitProc then returns at once.
TEST_F(DDLExec, ErrorFreeRunClosesItselfWithCloseDDL)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    for (bool closeDDL : {true, false}) {
        SCOPED_TRACE(closeDDL);
        tvOption.CloseDDL = closeDDL;
        const QString table = closeDDL ? QStringLiteral("ok1") : QStringLiteral("ok2");
        // A statement of several lines whose own lines end in ";".
        QStringList script{QStringLiteral("CREATE FUNCTION f_") + table + QStringLiteral("() RETURNS int AS $$"),
                           QStringLiteral("SELECT 1;"), QStringLiteral("$$ LANGUAGE sql"), QStringLiteral(";"),
                           QStringLiteral("CREATE TABLE ") + table + QStringLiteral(" (a int)")};
        const QStringList original = script;
        QPointer<TfrmDDLExec> dialog;
        DuringRun([&](TfrmDDLExec *d) { dialog = d; });
        EXPECT_EQ(TfrmDDLExec::ShowWindow(form, script), 0);
        ASSERT_FALSE(dialog.isNull());
        const QStringList log = Log(dialog);
        EXPECT_EQ(log.mid(0, 4), original.mid(0, 3) << QStringLiteral("《正常終了》"));
        EXPECT_EQ(log.last(), QStringLiteral("エラー: 0 件"));
        EXPECT_EQ(dialog->isVisible(), !closeDDL);
        EXPECT_EQ(TfrmDDLExec::OpenCount(), closeDDL ? 0 : 1);
        EXPECT_EQ(s.main->isEnabled(), closeDDL);
        if (!closeDDL)
            dialog->close();
        TfrmDDLExec::WaitProc();
        FreeClosedDialogs();
        EXPECT_TRUE(dialog.isNull());
        EXPECT_TRUE(s.main->isEnabled());
        EXPECT_TRUE(TableExists(*db, table.toUtf8().constData()));
    }
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

// An Esc pressed in a window before the run (closing a list, leaving an
// edit) does not cancel the run's long statement; one pressed while the
// statement runs does, and the run stops at that error with the dialog open.
TEST_F(DDLExec, OnlyAnEscPressedDuringTheStatementCancelsIt)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    tvOption.CloseDDL = true;
    const QString slow = QStringLiteral("DO $$ BEGIN PERFORM pg_sleep(0.3); END $$");
    QLineEdit edit(s.main.get());
    edit.show();
    edit.setFocus();
    QTest::keyClick(&edit, Qt::Key_Escape);
    QStringList script{slow, QStringLiteral(";"), QStringLiteral("CREATE TABLE after_esc (a int)")};
    EXPECT_EQ(TfrmDDLExec::ShowWindow(form, script), 0) << s.dialogs.texts().join('|').toStdString();
    TfrmDDLExec::WaitProc();
    FreeClosedDialogs();
    EXPECT_TRUE(TableExists(*db, "after_esc"));
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join('|').toStdString();

    // Esc once the sleep runs on the server: that statement is cancelled.
    QTimer probe;
    probe.setInterval(20);
    bool pressed = false;
    const std::string pid = std::to_string(form->dbsMain().BackendPid());
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (pressed || db->scalar("select count(*) from pg_stat_activity where pid = " + pid +
                                  " and state = 'active' and query like '%pg_sleep(120)%'") != "1")
            return;
        pressed = true;
        QTest::keyClick(&edit, Qt::Key_Escape);
    });
    probe.start();
    tvOption.CloseDDL = false;
    QStringList cancelled{QStringLiteral("DO $$ BEGIN PERFORM pg_sleep(120); END $$"), QStringLiteral(";"),
                          QStringLiteral("CREATE TABLE not_reached (a int)")};
    bool stopped = false;
    try {
        TfrmDDLExec::ShowWindow(form, cancelled);
    } catch (const tv::SilentAbort &) {
        stopped = true; // the run stops at its error
    }
    probe.stop();
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(TableExists(*db, "not_reached"));
    TfrmDDLExec *d = OpenExecDialog();
    ASSERT_NE(d, nullptr) << "the dialog stays open at the error";
    EXPECT_TRUE(Log(d).join('\n').contains(QStringLiteral("canceling statement"))) << Log(d).join('\n').toStdString();
    // Closing before the rest has run asks first.
    s.dialogs.queueButton(tv::ui::IDYES);
    QTest::mouseClick(d->btnCancel, Qt::LeftButton);
    TfrmDDLExec::WaitProc();
    FreeClosedDialogs();
    EXPECT_EQ(TfrmDDLExec::OpenCount(), 0);
}

// Closing during the run asks; "Yes" stops after the statement running now,
// the caller sees the silent abort and keeps the statements not yet run; the
// closed dialog is not written to any more. "No" lets the run go on.
TEST_F(DDLExec, ClosingDuringTheRunAsksAndStopsAfterTheCurrentStatement)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const QStringList script0{QStringLiteral("DO $$ BEGIN PERFORM pg_sleep(0.4); CREATE TABLE slow (a int); END $$"),
                              QStringLiteral(";"), QStringLiteral("CREATE TABLE next1 (a int)"), QStringLiteral(";"),
                              QStringLiteral("CREATE TABLE next2 (a int)")};

    // Yes: the click arrives while the first statement runs.
    {
        QStringList script = script0;
        QPointer<TfrmDDLExec> dialog;
        QStringList logAtClose;
        s.dialogs.queueButton(tv::ui::IDYES);
        const std::string pid = std::to_string(form->dbsMain().BackendPid());
        DuringRun(
            [&](TfrmDDLExec *d) {
                dialog = d;
                QTest::mouseClick(d->btnCancel, Qt::LeftButton);
                logAtClose = Log(d);
            },
            0,
            [&] {
                return db->scalar("select count(*) from pg_stat_activity where pid = " + pid +
                                  " and state = 'active' and query like '%pg_sleep(0.4)%'") == "1";
            });
        form->dbsMain().StartTransaction();
        bool aborted = false;
        try {
            TfrmDDLExec::ShowWindow(form, script);
        } catch (const tv::SilentAbort &) {
            aborted = true;
            form->dbsMain().Rollback();
        }
        EXPECT_TRUE(aborted);
        ASSERT_EQ(s.dialogs.calls().size(), 1);
        EXPECT_EQ(s.dialogs.calls().at(0).text, QStringLiteral("処理を中断しますか？"));
        EXPECT_EQ(s.dialogs.calls().at(0).flags,
                  tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2);
        EXPECT_EQ(script, script0.mid(2));
        EXPECT_TRUE(s.main->isEnabled());
        EXPECT_EQ(TfrmDDLExec::OpenCount(), 0);
        ASSERT_FALSE(dialog.isNull());
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(Log(dialog), logAtClose) << "the closed dialog is left alone";
        FreeClosedDialogs();
        EXPECT_TRUE(dialog.isNull());
        EXPECT_FALSE(TableExists(*db, "slow"));
        EXPECT_FALSE(TableExists(*db, "next1"));
    }

    // No: the dialog stays and the run completes.
    {
        s.dialogs.clear();
        tvOption.CloseDDL = false;
        QStringList script = script0;
        QPointer<TfrmDDLExec> dialog;
        s.dialogs.queueButton(tv::ui::IDNO);
        DuringRun(
            [&](TfrmDDLExec *d) {
                dialog = d;
                QTest::mouseClick(d->btnCancel, Qt::LeftButton);
            },
            150);
        EXPECT_EQ(TfrmDDLExec::ShowWindow(form, script), 0);
        EXPECT_EQ(s.dialogs.calls().size(), 1);
        ASSERT_FALSE(dialog.isNull());
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(Log(dialog).contains(QStringLiteral("エラー: 0 件")));
        EXPECT_TRUE(TableExists(*db, "next2"));
        dialog->close();
        EXPECT_EQ(s.dialogs.calls().size(), 1) << "a finished run closes without asking";
    }
}

// What the user sees of a run: a statement's lines are in the log while it
// runs (the dialog repaints meanwhile), and a stop on error leaves the whole
// log in order with the focus on "継続(&U)", or on the log when NoContinue
// keeps the button disabled.
TEST_F(DDLExec, TheLogShowsEachStatementWhileItRunsAndTheStopFocusesTheButton)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const QStringList slow{QStringLiteral("DO $$"), QStringLiteral("BEGIN PERFORM pg_sleep(0.5); END"),
                           QStringLiteral("$$")};
    for (const bool noContinue : {false, true}) {
        SCOPED_TRACE(noContinue ? "NoContinue" : "continue allowed");
        QStringList script = slow;
        script << QStringLiteral(";") << QStringLiteral("broken statement") << QStringLiteral(";")
               << QStringLiteral("CREATE TABLE never (a int)");
        QStringList logWhileSlow;
        auto *poll = new QTimer(qApp);
        QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
            TfrmDDLExec *d = OpenExecDialog();
            if (!d || !Log(d).contains(slow.last()))
                return;
            logWhileSlow = Log(d);
            poll->stop();
        });
        poll->start(0);
        QPointer<TfrmDDLExec> dialog;
        bool aborted = false;
        try {
            TfrmDDLExec::ShowWindow(form, script, noContinue);
        } catch (const tv::SilentAbort &) {
            aborted = true;
            dialog = OpenExecDialog();
        }
        delete poll;
        ASSERT_TRUE(aborted);
        ASSERT_FALSE(dialog.isNull());
        EXPECT_EQ(logWhileSlow, slow) << "the running statement's lines are shown, nothing after them";
        const QStringList log = Log(dialog);
        ASSERT_GE(log.size(), 9);
        const QStringList head = slow + QStringList{QStringLiteral("《正常終了》"), QString(),
                                                    QStringLiteral("broken statement"), QStringLiteral("《エラー》")};
        EXPECT_EQ(log.mid(0, 7), head);
        EXPECT_TRUE(log.at(7).startsWith(QStringLiteral("ERROR: "))) << log.at(7).toStdString();
        EXPECT_EQ(log.last(), QString());
        EXPECT_FALSE(log.join(QLatin1Char('\n')).contains(QStringLiteral("never")));
        EXPECT_FALSE(TableExists(*db, "never"));
        EXPECT_EQ(dialog->btnOK->isEnabled(), !noContinue);
        EXPECT_EQ(dialog->focusWidget(), noContinue ? static_cast<QWidget *>(dialog->txtLog)
                                                    : static_cast<QWidget *>(dialog->btnOK));
        delete dialog.data();
    }
}

