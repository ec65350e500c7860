// The PL/pgSQL debugger driven through its window against the test server
// (pldebugger preloaded). These tests run alone: the debugger's wait for its
// target breaks when a signal reaches the server process (other sessions'
// catalog changes and dropped databases send them), so no other test may
// load the server meanwhile.
#include "sql/ExecProcTestSupport.h"

using namespace tvtest;

namespace {
class Debugger : public ExecProcWindow {};
} // namespace

TEST_F(Debugger, DebuggerStepsBreaksAndChangesValues)
{
    TV_REQUIRE_DB(db);
    Start();
    TfrmExecProc *w = nullptr;
    TfrmDebug *d = StartDebug(w);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("デバッグ実行"));
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(s.main->isEnabled());
    const int forRow = RowOf(d, "FOR i IN");
    const int bodyRow = RowOf(d, "s := s + i;");
    ASSERT_GE(forRow, 0);
    EXPECT_EQ(d->FStackInfo.Line - 1, forRow);
    EXPECT_TRUE(Marked(d, forRow, rm1));
    const QStringList log = d->txtLog->toPlainText().split('\n');
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[0], QStringLiteral("<プログラム実行情報>"));
    EXPECT_EQ(log[1], QStringLiteral("Name : w2q2_sum(integer)"));
    EXPECT_EQ(log[2], QStringLiteral("Line : ") + QString::number(forRow + 1));
    EXPECT_EQ(log[3], QStringLiteral("Args : n=3"));

    // A click in the text leaves breakpoints alone; one in the left margin sets one.
    const int y = d->txtSource->TopMargin() + (bodyRow - d->txtSource->TopRow()) * d->txtSource->RowHeight() +
                  d->txtSource->RowHeight() / 2;
    QTest::mouseClick(d->txtSource->viewport(), Qt::LeftButton, {}, QPoint(d->txtSource->LeftMargin() + 30, y));
    EXPECT_TRUE(d->FBreak.isEmpty());
    QTest::mouseClick(d->txtSource->viewport(), Qt::LeftButton, {}, QPoint(2, y));
    EXPECT_TRUE(Marked(d, bodyRow, rm2));
    EXPECT_EQ(d->FBreak.size(), 1);

    d->actExec->trigger();
    EXPECT_EQ(d->FStackInfo.Line - 1, bodyRow);
    EXPECT_TRUE(Marked(d, bodyRow, rm1));
    // The abort button keeps its caption through the step's enabling.
    EXPECT_EQ(d->btnAbort->text(), QStringLiteral("終了(&X)"));
    EXPECT_TRUE(d->btnAbort->isEnabled());
    EXPECT_FALSE(Marked(d, forRow, rm1));
    EXPECT_EQ(Var(d, "i"), QStringLiteral("1"));
    d->actNextLine->trigger();
    EXPECT_EQ(d->FStackInfo.Line - 1, bodyRow);
    EXPECT_EQ(Var(d, "i"), QStringLiteral("2"));

    // s set to 100 in the grid.
    const int sRow = GridValueRow(d, "s");
    ASSERT_GT(sRow, 0);
    d->grdVariable->SetEditText(2, sRow, "100");
    ASSERT_TRUE(PollUntil([&] { return Var(d, "s") == QStringLiteral("100") && !d->Busy(); }));

    // On to the end (the breakpoint stops once more).
    s.dialogs.queueButton(0);
    for (int i = 0; i < 5 && w->FDebug; ++i)
        w->FDebug->actExec->trigger();
    ASSERT_TRUE(PollUntil([&] { return !w->RunActive(); }));
    EXPECT_FALSE(w->FDebug);
    EXPECT_TRUE(s.main->isEnabled());
    EXPECT_TRUE(Output(w).contains("RESULT : 105")) << w->txtOutput->toPlainText().toStdString();
    EXPECT_EQ(Messages(), QStringList{"プログラムを実行しました。"});
    ASSERT_TRUE(PollUntil([&] { return OtherSessions() == 1; }));
}

TEST_F(Debugger, ClosingTheDebuggerAsksAndEndsTheRunSilently)
{
    TV_REQUIRE_DB(db);
    Start();
    TfrmExecProc *w = nullptr;
    TfrmDebug *d = StartDebug(w);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(OtherSessions(), 3);

    s.dialogs.queueButton(tv::ui::IDNO);
    d->close();
    ASSERT_TRUE(PollUntil([&] { return Messages().size() == 1; }));
    EXPECT_EQ(Messages().first(), QStringLiteral("デバッグを終了しますか？"));
    QTest::qWait(50);
    EXPECT_TRUE(w->RunActive());
    EXPECT_TRUE(d->isVisible());

    s.dialogs.queueButton(tv::ui::IDYES);
    d->close();
    ASSERT_TRUE(PollUntil([&] { return !w->RunActive(); }));
    EXPECT_EQ(Messages().size(), 2); // nothing after the question
    EXPECT_EQ(w->wExecStatus.load(), esCancel);
    EXPECT_TRUE(s.main->isEnabled());
    EXPECT_EQ(Output(w).value(0), QStringLiteral("【 実行後パラメータ値 】"));
    ASSERT_TRUE(PollUntil([&] { return OtherSessions() == 1; }));

    // The next run opens both sessions again.
    ASSERT_NE(Debug(w), nullptr);
    EXPECT_EQ(OtherSessions(), 3);
    s.dialogs.queueButton(tv::ui::IDYES);
    w->FDebug->actAbortExecute();
    ASSERT_TRUE(PollUntil([&] { return !w->RunActive(); }));
}

TEST_F(Debugger, DebugOfAProgramCreatedAgainReportsItGone)
{
    TV_REQUIRE_DB(db);
    Start();
    TfrmExecProc *w = Launch("public", "w2q2_sum", 52, "public.w2q2_sum(int)");
    ASSERT_NE(w, nullptr);
    db.exec("DROP FUNCTION public.w2q2_sum(int); "
            "CREATE FUNCTION public.w2q2_sum(n int) RETURNS int LANGUAGE plpgsql AS $$BEGIN RETURN n; END$$;");
    s.dialogs.queueButton(0);
    QTest::mouseClick(w->btnDebug, Qt::LeftButton);
    ASSERT_TRUE(PollUntil([&] { return !w->RunActive(); }));
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_EQ(Messages().first(), QString::fromUtf8(ExecProc::kDebugNotFound));
    EXPECT_EQ(Messages().first().split("\r\n").size(), 3);
    EXPECT_FALSE(w->FDebug);
    EXPECT_TRUE(s.main->isEnabled());
    ASSERT_TRUE(PollUntil([&] { return OtherSessions() == 1; }));
}

TEST_F(Debugger, ProgramEndingDuringAHeldRunLeavesNoSession)
{
    TV_REQUIRE_DB(db);
    Start();
    TfrmExecProc *w = nullptr;
    ASSERT_NE(StartDebug(w), nullptr);
    EXPECT_EQ(OtherSessions(), 3);
    // The connection window goes first, the execution window after it.
    s.main.reset();
    ASSERT_TRUE(PollUntil([&] { return OtherSessions() == 0; }));
}
