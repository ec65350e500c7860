// The stored-program execution window and the PL/pgSQL debugger inside the
// real main window, against the test server (with pldebugger preloaded):
// typing values, plain runs of functions and procedures, the one-window
// rule, and debug runs driven through the debugger window.
#include "shell/ShellTestSupport.h"

#include "controls/tvListView.h"
#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/EscapeWatch.h"
#include "shell/WindowLaunchers.h"
#include "sql/frmDebug.h"
#include "sql/frmExecProc.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

#include <iostream>

using namespace tvtest;
using tv::ui::ScriptedDialogs;

namespace {

const char *kSchema = R"SQL(
CREATE SCHEMA sales;
CREATE TABLE sales.orders(id int, cid int, amount int);
INSERT INTO sales.orders VALUES (1, 1, 10), (2, 1, 20), (3, 2, 30);
CREATE FUNCTION sales.add_tax(p numeric, rate numeric) RETURNS numeric LANGUAGE sql AS 'SELECT p * (1 + rate)';
CREATE FUNCTION sales.add_tax(p int, rate int) RETURNS int LANGUAGE sql AS 'SELECT p + rate';
CREATE FUNCTION sales.orders_of(cid int) RETURNS SETOF sales.orders LANGUAGE sql
    AS 'SELECT * FROM sales.orders o WHERE o.cid = $1 ORDER BY o.id';
CREATE PROCEDURE sales.bump(INOUT n int, k int) LANGUAGE plpgsql AS $$BEGIN n := n + k; END$$;
CREATE PROCEDURE public.p0() LANGUAGE plpgsql AS $$BEGIN NULL; END$$;
CREATE FUNCTION public.w2q2_sum(n int) RETURNS int LANGUAGE plpgsql AS $$
DECLARE
  s int := 0;
  i int;
BEGIN
  FOR i IN 1..n LOOP
    s := s + i;
  END LOOP;
  RETURN s;
END
$$;
)SQL";

// Polls (events flowing) until `done` holds or a generous deadline passes.
template <class F>
bool WaitFor(F done, int ms = 60000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

class ExecProcWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        tv::ui::InstallEscapeWatch();
        TfrmExecProc::RegisterLauncher();
        if (db.available())
            db.exec(kSchema);
    }

    void TearDown() override
    {
        if (HasFailure())
            for (const QString &t : s.dialogs.texts())
                std::cerr << "dialog: " << t.toStdString() << "\n";
        pause.reset();
    }

    void Start(bool debugger = true)
    {
        if (debugger) {
            db.exec("CREATE EXTENSION pldbgapi");
            pause = std::make_unique<DropPause>();
        }
        s.Start(LogonArgs(db.params()));
        s.FirstPaint();
        s.main->show();
        ASSERT_NE(s.Form(), nullptr);
    }

    qint64 Oid(const std::string &signature) const
    {
        return QString::fromStdString(db.scalar("SELECT '" + signature + "'::regprocedure::oid")).toLongLong();
    }

    TfrmExecProc *Launch(const QString &schema, const QString &name, int type, const std::string &signature)
    {
        TLaunchContext c;
        c.Connection = s.Form();
        c.MainWindow = s.main.get();
        c.Schema = schema;
        c.ObjectName = name;
        c.ObjectType = type;
        c.OID = Oid(signature);
        return dynamic_cast<TfrmExecProc *>(::Launch(QStringLiteral("TfrmExecProc"), c));
    }

    static TtvTreeNode *NodeOf(TfrmExecProc *w, const QString &name)
    {
        for (QTreeWidgetItemIterator it(w->lstParam); *it; ++it)
            if ((*it)->text(0) == name)
                return static_cast<TtvTreeNode *>(*it);
        return nullptr;
    }
    static QStringList NodeNames(TfrmExecProc *w)
    {
        QStringList l;
        for (QTreeWidgetItemIterator it(w->lstParam); *it; ++it)
            l << (*it)->text(0);
        return l;
    }
    // Selects the node and types its value into the edit box.
    static void Type(TfrmExecProc *w, const QString &name, const QString &value)
    {
        TtvTreeNode *n = NodeOf(w, name);
        ASSERT_NE(n, nullptr) << name.toStdString();
        w->lstParam->setCurrentItem(n);
        ASSERT_TRUE(w->txtParam->isVisible());
        QTest::keyClicks(w->txtParam, value);
    }
    QStringList Output(TfrmExecProc *w) const { return w->txtOutput->toPlainText().split(QLatin1Char('\n')); }
    QStringList Messages() const { return s.dialogs.texts(); }
    int OtherSessions() const
    {
        return std::stoi(db.scalar(
            "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    }
    static int GridValueRow(TfrmDebug *d, const QString &name)
    {
        for (int r = 1; r < d->grdVariable->RowCount(); ++r)
            if (d->grdVariable->Cells(0, r) == name)
                return r;
        return -1;
    }
    // The value of a variable; with several of one name (a loop variable
    // shadowing a declared one) the last.
    static QString Var(TfrmDebug *d, const QString &name)
    {
        QString v;
        for (int r = 1; r < d->grdVariable->RowCount(); ++r)
            if (d->grdVariable->Cells(0, r) == name)
                v = d->grdVariable->Cells(2, r);
        return v;
    }
    static int RowOf(TfrmDebug *d, const QString &text)
    {
        for (int i = 0; i < d->txtSource->Lines()->Count(); ++i)
            if (d->txtSource->Lines()->Get(i).contains(text))
                return i;
        return -1;
    }
    static bool Marked(TfrmDebug *d, int row, TRowMark m)
    {
        return d->txtSource->ListRowMarks(row) & RowMarkBit(m);
    }
    // Opens the debugger on w2q2_sum(3).
    TfrmDebug *StartDebug(TfrmExecProc *&w)
    {
        w = Launch("public", "w2q2_sum", 52, "public.w2q2_sum(int)");
        EXPECT_NE(w, nullptr);
        if (!w)
            return nullptr;
        Type(w, "n", "3");
        QTest::mouseClick(w->btnDebug, Qt::LeftButton);
        EXPECT_TRUE(w->FDebug);
        return w->FDebug;
    }

    TestDb db{"execproc"};
    ShellSession s;
    std::unique_ptr<DropPause> pause;
};

} // namespace

TEST_F(ExecProcWindow, FunctionRunsWithTypedValuesAndOneWindowPerSignature)
{
    TV_REQUIRE_DB(db);
    Start(false);
    TfrmExecProc *w = Launch("sales", "add_tax", 52, "sales.add_tax(numeric,numeric)");
    ASSERT_NE(w, nullptr);
    const QString where = QStringLiteral(" @ ") + db.params().database + QLatin1Char('/') + db.params().host +
                          QLatin1Char(':') + db.params().port;
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ストアドプログラム実行 - sales.add_tax(numeric,numeric)") + where);
    EXPECT_EQ(NodeNames(w), (QStringList{"RESULT", "p", "rate"}));
    EXPECT_EQ(w->txtOutput->toPlainText(), QStringLiteral("【 デバッグ情報 】"));

    // Tab moves to the next argument.
    Type(w, "p", "100");
    QTest::keyClick(w->txtParam, Qt::Key_Tab);
    EXPECT_EQ(w->lstParam->currentItem()->text(0), QStringLiteral("rate"));
    QTest::keyClicks(w->txtParam, "0.2");
    s.dialogs.queueButton(0);
    QTest::mouseClick(w->btnExec, Qt::LeftButton);
    EXPECT_EQ(w->qryExec->SQL(), QStringLiteral("SELECT * \n  FROM \"sales\".\"add_tax\"(100, 0.2)"));
    EXPECT_EQ(Output(w), (QStringList{"【 実行後パラメータ値 】", "RESULT : 120.0", "p : 100", "rate : 0.2"}));
    EXPECT_EQ(Messages(), QStringList{"プログラムを実行しました。"});

    // The int4 overload gets its own window; the numeric one again comes forward.
    TfrmExecProc *other = Launch("sales", "add_tax", 52, "sales.add_tax(int,int)");
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, w);
    EXPECT_TRUE(other->windowTitle().contains("add_tax(int4,int4)"));
    const int children = s.main->MdiChildren().size();
    EXPECT_EQ(Launch("sales", "add_tax", 52, "sales.add_tax(numeric,numeric)"), w);
    EXPECT_EQ(s.main->MdiChildren().size(), children);
}

TEST_F(ExecProcWindow, SetsProceduresAndFailures)
{
    TV_REQUIRE_DB(db);
    Start(false);
    // A set-returning function: every field of both rows on the result line.
    TfrmExecProc *w = Launch("sales", "orders_of", 52, "sales.orders_of(int)");
    ASSERT_NE(w, nullptr);
    Type(w, "cid", "1");
    s.dialogs.queueButton(0);
    QTest::mouseClick(w->btnExec, Qt::LeftButton);
    EXPECT_TRUE(w->qryExec->SQL().endsWith("\"sales\".\"orders_of\"(1)"));
    EXPECT_EQ(Output(w).value(1), QStringLiteral("RESULT : 1\t1\t10\t2\t1\t20"));

    // A procedure with IN/OUT: a top-level CALL whose row gives the value back.
    TfrmExecProc *b = Launch("sales", "bump", 51, "sales.bump(int,int)");
    ASSERT_NE(b, nullptr);
    Type(b, "n", "5");
    Type(b, "k", "2");
    s.dialogs.queueButton(0);
    QTest::mouseClick(b->btnExec, Qt::LeftButton);
    EXPECT_EQ(b->qryExec->SQL(), QStringLiteral("CALL \"sales\".\"bump\"(5, 2)"));
    EXPECT_EQ(Output(b), (QStringList{"【 実行後パラメータ値 】", "n : 7", "k : 2"}));

    // Without arguments, in a block.
    TfrmExecProc *p = Launch("public", "p0", 51, "public.p0()");
    ASSERT_NE(p, nullptr);
    s.dialogs.queueButton(0);
    QTest::mouseClick(p->btnExec, Qt::LeftButton);
    EXPECT_EQ(p->qryExec->SQL(), QStringLiteral("DO $$\nBEGIN\nCALL \"public\".\"p0\"();\nEND\n$$;"));

    // A rejected value: the server's text, the values stay, no success report.
    s.dialogs.clear();
    b->lstParam->setCurrentItem(NodeOf(b, "k"));
    b->txtParam->setText("'x'");
    s.dialogs.queueButton(0);
    QTest::mouseClick(b->btnExec, Qt::LeftButton);
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages().first().contains("ERROR:"));
    EXPECT_EQ(NodeOf(b, "n")->SubItems().value(1), QStringLiteral("5"));
    EXPECT_EQ(b->wExecStatus.load(), esError);
}

TEST_F(ExecProcWindow, DebugWithoutTheExtensionOpensNoSession)
{
    TV_REQUIRE_DB(db);
    Start(false);
    TfrmExecProc *w = Launch("public", "w2q2_sum", 52, "public.w2q2_sum(int)");
    ASSERT_NE(w, nullptr);
    const int before = OtherSessions();
    s.dialogs.queueButton(0);
    QTest::mouseClick(w->btnDebug, Qt::LeftButton);
    EXPECT_EQ(Messages(), QStringList{"デバッグ実行に必要なパッケージが見つかりません。"});
    EXPECT_FALSE(w->RunActive());
    EXPECT_EQ(OtherSessions(), before);
}

TEST_F(ExecProcWindow, DebuggerStepsBreaksAndChangesValues)
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
    EXPECT_FALSE(Marked(d, forRow, rm1));
    EXPECT_EQ(Var(d, "i"), QStringLiteral("1"));
    d->actNextLine->trigger();
    EXPECT_EQ(d->FStackInfo.Line - 1, bodyRow);
    EXPECT_EQ(Var(d, "i"), QStringLiteral("2"));

    // s set to 100 in the grid.
    const int sRow = GridValueRow(d, "s");
    ASSERT_GT(sRow, 0);
    d->grdVariable->SetEditText(2, sRow, "100");
    ASSERT_TRUE(WaitFor([&] { return Var(d, "s") == QStringLiteral("100") && !d->Busy(); }));

    // On to the end (the breakpoint stops once more).
    s.dialogs.queueButton(0);
    for (int i = 0; i < 5 && w->FDebug; ++i)
        w->FDebug->actExec->trigger();
    ASSERT_TRUE(WaitFor([&] { return !w->RunActive(); }));
    EXPECT_FALSE(w->FDebug);
    EXPECT_TRUE(s.main->isEnabled());
    EXPECT_TRUE(Output(w).contains("RESULT : 105")) << w->txtOutput->toPlainText().toStdString();
    EXPECT_EQ(Messages(), QStringList{"プログラムを実行しました。"});
    ASSERT_TRUE(WaitFor([&] { return OtherSessions() == 1; }));
}

TEST_F(ExecProcWindow, ClosingTheDebuggerAsksAndEndsTheRunSilently)
{
    TV_REQUIRE_DB(db);
    Start();
    TfrmExecProc *w = nullptr;
    TfrmDebug *d = StartDebug(w);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(OtherSessions(), 3);

    s.dialogs.queueButton(tv::ui::IDNO);
    d->close();
    ASSERT_TRUE(WaitFor([&] { return Messages().size() == 1; }));
    EXPECT_EQ(Messages().first(), QStringLiteral("デバッグを終了しますか？"));
    QTest::qWait(50);
    EXPECT_TRUE(w->RunActive());
    EXPECT_TRUE(d->isVisible());

    s.dialogs.queueButton(tv::ui::IDYES);
    d->close();
    ASSERT_TRUE(WaitFor([&] { return !w->RunActive(); }));
    EXPECT_EQ(Messages().size(), 2); // nothing after the question
    EXPECT_EQ(w->wExecStatus.load(), esCancel);
    EXPECT_TRUE(s.main->isEnabled());
    EXPECT_EQ(Output(w).value(0), QStringLiteral("【 実行後パラメータ値 】"));
    ASSERT_TRUE(WaitFor([&] { return OtherSessions() == 1; }));

    // The next run opens both sessions again.
    QTest::mouseClick(w->btnDebug, Qt::LeftButton);
    ASSERT_TRUE(w->FDebug);
    EXPECT_EQ(OtherSessions(), 3);
    s.dialogs.queueButton(tv::ui::IDYES);
    w->FDebug->actAbortExecute();
    ASSERT_TRUE(WaitFor([&] { return !w->RunActive(); }));
}

TEST_F(ExecProcWindow, DebugOfAProgramCreatedAgainReportsItGone)
{
    TV_REQUIRE_DB(db);
    Start();
    TfrmExecProc *w = Launch("public", "w2q2_sum", 52, "public.w2q2_sum(int)");
    ASSERT_NE(w, nullptr);
    db.exec("DROP FUNCTION public.w2q2_sum(int); "
            "CREATE FUNCTION public.w2q2_sum(n int) RETURNS int LANGUAGE plpgsql AS $$BEGIN RETURN n; END$$;");
    s.dialogs.queueButton(0);
    QTest::mouseClick(w->btnDebug, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !w->RunActive(); }));
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_EQ(Messages().first(), QString::fromUtf8(ExecProc::kDebugNotFound));
    EXPECT_EQ(Messages().first().split("\r\n").size(), 3);
    EXPECT_FALSE(w->FDebug);
    EXPECT_TRUE(s.main->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return OtherSessions() == 1; }));
}

TEST_F(ExecProcWindow, EndToEndFromTheWorkSpacePanel)
{
    TV_REQUIRE_DB(db);
    s.Start(LogonArgs(db.params()));
    tvOption.TreeData = true;
    s.FirstPaint();
    s.main->show();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    TfrmMain &m = *s.main;

    // The procedures of schema sales in the object list.
    QTreeWidgetItem *root = f->tvTree->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    auto child = [](QTreeWidgetItem *p, const QString &text) -> QTreeWidgetItem * {
        for (int i = 0; p && i < p->childCount(); ++i)
            if (p->child(i)->text(0) == text)
                return p->child(i);
        return nullptr;
    };
    QTreeWidgetItem *node = child(child(root, "sales"), "PROCEDURE");
    ASSERT_NE(node, nullptr);
    f->tvTree->setCurrentItem(node);
    TtvListItem *bump = nullptr;
    for (int i = 0; i < f->lstObject->ItemCount(); ++i)
        if (f->lstObject->Item(i)->Caption() == QStringLiteral("bump"))
            bump = f->lstObject->Item(i);
    ASSERT_NE(bump, nullptr);
    bump->setSelected(true);
    // Dragged from the list, dropped on the panel.
    ASSERT_EQ(m.WorkSpaceDragSource(f->lstObject->viewport()), f);
    m.WorkSpaceDrop(f);
    ASSERT_EQ(m.lstWorkSpace->ItemCount(), 1);
    m.lstWorkSpace->Item(0)->setSelected(true);
    auto *exec = m.findChild<QAction *>(QStringLiteral("mnuWSExec"));
    ASSERT_NE(exec, nullptr);
    exec->trigger();

    TfrmExecProc *w = nullptr;
    for (QWidget *c : m.MdiChildren())
        if (auto *e = dynamic_cast<TfrmExecProc *>(c))
            w = e;
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->btnDebug->isEnabled());
    Type(w, "n", "5");
    QTest::keyClick(w->txtParam, Qt::Key_Tab);
    QTest::keyClicks(w->txtParam, "2");
    s.dialogs.queueButton(0);
    QTest::mouseClick(w->btnExec, Qt::LeftButton);
    EXPECT_TRUE(Output(w).contains("n : 7")) << w->txtOutput->toPlainText().toStdString();
    const QSize size = w->size();

    ASSERT_TRUE(s.CloseMain());
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\EXECPROC")));
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Width"), 0), size.width());
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Height"), 0), size.height());
    reg.CloseKey();
}
