// The load test inside the real main window against the test server: the
// command list files, a run of sessions on their own connections, its
// results workbook, errors stopping or not stopping a run, and cancelling
// or closing while sessions wait in the server.
#include "shell/ShellTestSupport.h"

#include "common/DBTestOption.h"
#include "controls/tvNumEdit.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "controls/tvInplaceEditor.h"
#include "controls/tvStringGrid.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/text/TextEncoding.h"
#include "shell/WindowLaunchers.h"
#include "support/XlsxBook.h"
#include "tools/DBTestScript.h"
#include "tools/frmDBTest.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QProgressBar>
#include <QRadioButton>
#include <QPushButton>
#include <QSpinBox>

using namespace tvtest;

namespace {

QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class LoadTest : public ::testing::Test {
protected:
    void SetUp() override { TfrmDBTest::RegisterLauncher(); }

    TfrmDBTest *Open()
    {
        s.Start(LogonArgs(db.params()));
        s.FirstPaint();
        s.main->show();
        if (!s.Form())
            return nullptr;
        s.main->Action(QStringLiteral("actToolDBTest"))->trigger();
        for (QWidget *w : s.main->MdiChildren()) {
            if (auto *t = dynamic_cast<TfrmDBTest *>(w))
                return t;
        }
        return nullptr;
    }

    // One command per row, typed as the grid's editor stores a text.
    static void SetCommands(TfrmDBTest *w, const QStringList &commands)
    {
        for (int i = 0; i < commands.size(); ++i)
            w->grdCommand->SetEditText(1, i + 1, commands[i]);
    }

    static void Run(TfrmDBTest *w, int sessions, bool ignoreErrors)
    {
        w->txtSesCount->SetText(QString::number(sessions));
        w->spnTime->setValue(0);
        w->chkError->setChecked(ignoreErrors);
        w->actExecUpdate();
        ASSERT_TRUE(w->actExec->isEnabled());
        w->actExec->trigger();
    }

    // Sessions of this test's database running a statement that starts so.
    int Running(const std::string &prefix) const
    {
        return std::stoi(db.scalar("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() "
                                   "AND pid <> pg_backend_pid() AND query LIKE '" + prefix + "%' AND state = 'active'"));
    }
    int Connected() const
    {
        return std::stoi(db.scalar("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() "
                                   "AND pid <> pg_backend_pid() AND backend_type = 'client backend' "
                                   "AND query LIKE 'select pg_sleep%'"));
    }

    TestDb db{"lt"};
    ShellSession s;
};

} // namespace

// The script format, read and written: a first command ending in ";", "/"
// lines with blanks around them, a last command without "/"; written back
// each command ends in a line "/" and the first loses its ";". A trace file
// gives its statements, the last one running to the end of the file.
TEST(LoadTestScript, ScriptAndTraceFormats)
{
    struct Case {
        const char *name;
        QStringList lines;
        QStringList commands;
    };
    const QList<Case> scripts{
        {"three commands", {"a;", "/", "b", " / ", "c"}, {"a;", "b", "c"}},
        {"two slashes give no empty command", {"x", "/", "/", "y", "/"}, {"x", "y"}},
        {"lines kept as they are", {"select 1,", "  2 ", "/"}, {"select 1,\r\n  2 "}},
        {"blank only", {"  ", "/", ""}, {}},
    };
    for (const Case &c : scripts)
        EXPECT_EQ(ParseScriptCommands(c.lines), c.commands) << c.name;
    EXPECT_EQ(ScriptText({"a;", "b", "c", "", "/"}), QStringLiteral("a\r\n/\r\nb\r\n/\r\nc\r\n/\r\n"));

    const QString sep(21, QLatin1Char('='));
    const QStringList trace{"junk", sep, "PARSING IN CURSOR #1", "select 1", "from dual", "END OF STMT", sep,
                            "WAIT #2", "ignored", sep, "PARSING IN CURSOR #3", "", "END OF STMT", sep,
                            "PARSING IN CURSOR #4", "update t", "set a = 1"};
    EXPECT_EQ(ParseTraceCommands(trace),
              (QStringList{"select 1\r\nfrom dual", "", "update t\r\nset a = 1"}));
    EXPECT_EQ(SessionCommandText(QStringLiteral("begin null; end;\r\n/")), QStringLiteral("begin null; end;\r\n"));
    EXPECT_EQ(SessionCommandText(QStringLiteral("select 1")), QStringLiteral("select 1\r\n"));
}

// Check 1: the window reads a script above the current row, writes the list
// as a script with its message, and reads it back to the same commands.
TEST_F(LoadTest, CommandListFromAndToScriptFiles)
{
    TV_REQUIRE_DB(db);
    TfrmDBTest *w = Open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("DB負荷テスト - ") + db.params().user + QStringLiteral(" @ ") +
                                    db.params().database);
    const QString in = s.scratch.file(QStringLiteral("in.sql"));
    WriteBytes(in, tv::text::Encode(QStringLiteral("a;\r\n/\r\nb\r\n / \r\nc\r\n"), tv::text::Encoding::Utf8));
    s.dialogs.queuePath(in);
    w->btnTrace->click();
    ASSERT_EQ(w->Commands(), (QStringList{"a;", "b", "c"}));
    EXPECT_EQ(w->grdCommand->Cells(0, 3), QStringLiteral("3"));
    EXPECT_EQ(w->grdCommand->Cells(1, 4), QString()) << "the empty row stays last";

    const QString out = s.scratch.file(QStringLiteral("out.sql"));
    w->actExecUpdate();
    ASSERT_TRUE(w->mnuOutputScript->isEnabled());
    s.dialogs.queuePath(out);
    w->mnuOutputScript->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("スクリプトに出力しました。"));
    EXPECT_EQ(ReadBytes(out), QByteArray("a\r\n/\r\nb\r\n/\r\nc\r\n/\r\n"));

    s.dialogs.queueButton(tv::ui::IDYES);
    w->btnClear->click();
    EXPECT_TRUE(w->Commands().isEmpty());
    s.dialogs.queuePath(out);
    w->btnTrace->click();
    EXPECT_EQ(w->Commands(), (QStringList{"a", "b", "c"}));

    // Typing into the last, empty row adds a new empty row beneath.
    QTest::qWaitForWindowExposed(w);
    w->grdCommand->setFocus();
    w->grdCommand->MoveCurrent(1, 4);
    w->grdCommand->ShowEditor();
    ASSERT_NE(w->grdCommand->InplaceEditor(), nullptr);
    QTest::keyClicks(w->grdCommand->InplaceEditor(), QStringLiteral("select 4"));
    QTest::keyClick(w->grdCommand->InplaceEditor(), Qt::Key_Up);
    EXPECT_EQ(w->Commands(), (QStringList{"a", "b", "c", "select 4"}));
    EXPECT_EQ(w->grdCommand->Cells(0, 4), QStringLiteral("4"));
    w->grdCommand->SetRow(4);
    w->btnDelete->click();

    // An unreadable file adds nothing.
    s.dialogs.queuePath(s.scratch.file(QStringLiteral("missing.sql")));
    w->btnTrace->click();
    EXPECT_EQ(w->Commands().size(), 3);
    // Deleting the last row only empties it; deleting a command removes it.
    w->grdCommand->SetRow(w->grdCommand->RowCount() - 1);
    w->btnDelete->click();
    EXPECT_EQ(w->Commands().size(), 3);
    w->grdCommand->SetRow(1);
    w->btnDelete->click();
    EXPECT_EQ(w->Commands(), (QStringList{"b", "c"}));
    EXPECT_EQ(w->grdCommand->Cells(0, 2), QStringLiteral("2"));
}

// Check 2: three sessions insert a row each; the log shows the start, then
// the end; another connection sees three rows; the results workbook holds
// the heading and one row per chart point, the first 0 and 0.
TEST_F(LoadTest, SessionsRunTheCommandsAndTheResultsGoToAWorkbook)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA w3t9; CREATE TABLE w3t9.lt (v int)");
    TfrmDBTest *w = Open();
    ASSERT_NE(w, nullptr);
    SetCommands(w, {QStringLiteral("insert into w3t9.lt values (1)")});
    EXPECT_EQ(w->grdCommand->RowCount(), 3) << "typing into the last row adds an empty row";
    Run(w, 3, false);
    EXPECT_TRUE(w->pnlExec->isVisible());
    EXPECT_EQ(w->txtLog->Lines()->Text().trimmed(), QStringLiteral("セッション作成中…"));
    EXPECT_FALSE(w->grdCommand->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->TestEnded(); }, 120000));
    EXPECT_EQ(w->txtLog->Lines()->ToStringList().value(0), QStringLiteral("負荷テストが完了しました。"));
    EXPECT_TRUE(w->txtLog->Lines()->Text().contains(QStringLiteral("  うち処理完了数 : 3")));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM w3t9.lt"), "3");
    EXPECT_EQ(w->pgsProc->value(), 100);
    EXPECT_TRUE(w->grdCommand->isEnabled());
    EXPECT_EQ(DBTestOption.Session, 3);

    w->actExecUpdate();
    ASSERT_TRUE(w->mnuOutputExcel->isEnabled());
    const QList<QPointF> points = w->ChartPoints();
    ASSERT_GE(points.size(), 2);
    const QString book = s.scratch.file(QStringLiteral("DBTEST.XLSX"));
    s.dialogs.queuePath(book);
    w->mnuOutputExcel->trigger();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("ファイルに出力しました。"));
    XlsxBook x;
    QString error;
    ASSERT_TRUE(x.open(book, &error)) << error.toStdString();
    EXPECT_EQ(x.cell(1, 1).value, QStringLiteral("時間"));
    EXPECT_EQ(x.cell(1, 2).value, QStringLiteral("処理数"));
    EXPECT_EQ(x.extent().first, int(points.size()) + 1);
    EXPECT_EQ(x.cell(2, 1).number(), 0);
    EXPECT_EQ(x.cell(2, 2).number(), 0);
    EXPECT_EQ(x.cell(int(points.size()) + 1, 2).number(), 3);
}

// Check 3: a failing command stops the run with one message unless errors
// are ignored; no session number below 1 starts a run.
TEST_F(LoadTest, CommandErrorsStopTheRunUnlessIgnored)
{
    TV_REQUIRE_DB(db);
    TfrmDBTest *w = Open();
    ASSERT_NE(w, nullptr);
    SetCommands(w, {QStringLiteral("insert into w3t9_nosuch values (1)")});

    Run(w, 3, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->TestEnded() && !w->Running(); }, 120000));
    const QStringList texts = s.dialogs.texts();
    ASSERT_EQ(texts.size(), 1) << texts.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("コマンドNO:1\r\n"))) << texts[0].toStdString();
    EXPECT_TRUE(texts[0].contains(QStringLiteral("w3t9_nosuch")));
    EXPECT_EQ(w->txtLog->Lines()->ToStringList().value(0), QStringLiteral("負荷テストを中断しました。"));

    s.dialogs.clear();
    Run(w, 3, true);
    EXPECT_EQ(w->ChartPoints().size(), 1) << "a new run starts with an empty chart";
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->TestEnded() && !w->Running(); }, 120000));
    EXPECT_TRUE(s.dialogs.texts().isEmpty());
    EXPECT_EQ(w->txtLog->Lines()->ToStringList().value(0), QStringLiteral("負荷テストが完了しました。"));

    // Sessions of a user whose password is wrong cannot connect: they end
    // without a message of their own and count as finished.
    s.dialogs.clear();
    w->rdoUserID->Button(1)->click();
    EXPECT_TRUE(w->txtUserID->isEnabled());
    w->txtUserID->SetText(db.params().user);
    w->txtPassword->SetText(QStringLiteral("wrong") + db.params().password);
    Run(w, 2, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->TestEnded() && !w->Running(); }, 120000));
    EXPECT_TRUE(s.dialogs.texts().isEmpty());
    EXPECT_EQ(w->txtLog->Lines()->ToStringList().value(0), QStringLiteral("負荷テストが完了しました。"));
    EXPECT_EQ(DBTestOption.UserId, db.params().user);
    w->rdoUserID->Button(0)->click();
    EXPECT_TRUE(w->txtUserID->Text().isEmpty());
    EXPECT_FALSE(w->txtPassword->isEnabled());

    for (const char *count : {"0", "00", ""}) {
        s.dialogs.clear();
        w->txtSesCount->SetText(QString::fromLatin1(count));
        w->actExec->trigger();
        ASSERT_EQ(s.dialogs.texts().size(), 1) << count;
        EXPECT_EQ(s.dialogs.texts()[0], QStringLiteral("接続数は0以上の整数で入力してください。"));
        EXPECT_FALSE(w->Running());
    }
}

// Check 4: cancelling while five sessions sleep in the server ends their
// statements at once and gives the settings back; closing the window while
// sessions sleep waits for them, and none stays connected.
TEST_F(LoadTest, CancelAndCloseWhileSessionsWait)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE w3t9_after (v int)");
    TfrmDBTest *w = Open();
    ASSERT_NE(w, nullptr);
    SetCommands(w, {QStringLiteral("select pg_sleep(5)"), QStringLiteral("insert into w3t9_after values (1)")});
    Run(w, 5, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Running("select pg_sleep(5)") == 5; }, 60000));
    w->btnCancel->click();
    EXPECT_TRUE(w->TestCancelled());
    EXPECT_TRUE(w->pnlSetting->isEnabled());
    EXPECT_TRUE(w->grdCommand->isEnabled());
    // Well before the statements would have ended on their own.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Running("select pg_sleep(5)") == 0; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->Running(); }, 60000));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM w3t9_after"), "5") << "the sessions go on with their next command";
    w->actExecUpdate();
    EXPECT_FALSE(w->btnCancel->isEnabled());
    EXPECT_EQ(w->txtLog->Lines()->ToStringList().value(0), QStringLiteral("負荷テストを中断しました。"));

    // Closing mid-run: the sessions skip what is left.
    w->grdCommand->SetEditText(1, 1, QStringLiteral("select pg_sleep(60)"));
    Run(w, 4, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Running("select pg_sleep(60)") == 4; }, 60000));
    QPointer<TfrmDBTest> alive(w);
    w->Close();
    (void)QTest::qWaitFor([&] { return alive.isNull(); }, 10000);
    EXPECT_TRUE(alive.isNull());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Connected() == 0; }, 15000));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM w3t9_after"), "5");
}
