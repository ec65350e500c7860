// The index adviser window inside the real main window, against the test
// server, driven as a user would: typing the statement, the bind grid, the
// run button, the proposal and index lists with their keys and buttons, the
// DDL preview and execution dialog, the history buttons.
#include "shell/ModalSteps.h"
#include "shell/ShellTestSupport.h"

#include "common/TextUtil.h"
#include "controls/tvInplaceEditor.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "monitor/MonitorLaunchers.h"
#include "monitor/frmIndexAdviser.h"
#include "objects/table/TableWindows.h"
#include "objects/table/frmIndex.h"
#include "platform/db/Connection.h"
#include "platform/settings/tvRegistry.h"
#include "platform/text/TextEncoding.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"
#include "sql/frmSQLLog.h"
#include "support/TestSession.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QDir>
#include <QListWidget>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

using namespace tvtest;
using tv::ui::ScriptedDialogs;

namespace {

TfrmDDLExec *OpenExecDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<TfrmDDLExec *>(w); d && d->isVisible())
            return d;
    return nullptr;
}

// Closes the execution dialog once its run has finished.
class ExecDialogUser {
public:
    ExecDialogUser()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            TfrmDDLExec *d = OpenExecDialog();
            if (d && d->Finished()) {
                log = d->txtLog->Lines()->ToStringList();
                d->close();
            }
        });
        timer.start(0);
    }
    QStringList log;
    QTimer timer;
};

// Answers the next preview with OK, keeping the lines it showed.
struct PreviewAnswer {
    QStringList lines;
    ModalSteps steps{{{QStringLiteral("frmDDLPreview"), [this](QWidget *w) {
                           auto *p = static_cast<TfrmDDLPreview *>(w);
                           lines = p->txtLog->Lines()->ToStringList();
                           p->btnOK->click();
                       }}}};
};

// "name kind (columns) status" of every level-1 node, "table:" before a
// table's nodes.
QStringList Rows(TtvTreeView *l)
{
    QStringList out;
    for (int t = 0; t < l->topLevelItemCount(); ++t) {
        auto *table = static_cast<TtvTreeNode *>(l->topLevelItem(t));
        out << table->Text() + QLatin1Char(':');
        for (int i = 0; i < table->childCount(); ++i) {
            auto *n = static_cast<TtvTreeNode *>(table->child(i));
            const QStringList sub = n->SubItems();
            out << (sub.size() < 3 ? n->Text()
                                   : QStringLiteral("%1 %2 (%3) %4").arg(n->Text(), sub[0], sub[1], sub[2]));
        }
    }
    return out;
}

TtvTreeNode *Node(TtvTreeView *l, const QString &name)
{
    for (int t = 0; t < l->topLevelItemCount(); ++t)
        for (int i = 0; i < l->topLevelItem(t)->childCount(); ++i)
            if (l->topLevelItem(t)->child(i)->text(0) == name)
                return static_cast<TtvTreeNode *>(l->topLevelItem(t)->child(i));
    return nullptr;
}

QColor Colour(TtvTreeNode *n)
{
    return n->foreground(0).style() == Qt::NoBrush ? QColor() : n->foreground(0).color();
}

class IndexAdviserWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterMonitorWindows();
        RegisterTableWindows();
    }

    TfrmObject *Logon(bool autoCommit = true)
    {
        s.Start(LogonArgs(db.params()));
        tvOption.UpdateToCommit = autoCommit;
        s.FirstPaint();
        s.main->show();
        TfrmObject *f = s.Form();
        EXPECT_NE(f, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        return f;
    }

    // ツール → インデックスアドバイザ(&I): the adviser it opened.
    TfrmIndexAdviser *OpenFromMenu()
    {
        const int before = Advisers().size();
        QMenu *tool = s.main->findChild<QMenu *>(QStringLiteral("mnuTool"));
        EXPECT_NE(tool, nullptr);
        if (!tool)
            return nullptr;
        QAction *item = nullptr;
        for (QAction *a : tool->actions())
            if (a->text() == QStringLiteral("インデックスアドバイザ(&I)"))
                item = a;
        EXPECT_NE(item, nullptr);
        if (!item)
            return nullptr;
        item->trigger();
        const QList<TfrmIndexAdviser *> all = Advisers();
        return all.size() > before ? all.last() : nullptr;
    }

    QList<TfrmIndexAdviser *> Advisers() const
    {
        QList<TfrmIndexAdviser *> l;
        for (QWidget *c : s.main->MdiChildren())
            if (auto *w = dynamic_cast<TfrmIndexAdviser *>(c))
                l << w;
        return l;
    }

    static void Type(TfrmIndexAdviser *w, const QString &text)
    {
        w->txtSQL->Lines()->Clear();
        w->txtSQL->setFocus();
        QTest::keyClicks(w->txtSQL, text);
    }
    static void Run(TfrmIndexAdviser *w)
    {
        QTest::qWaitFor([&] { return w->btnExec->isEnabled(); }, 30000);
        ASSERT_TRUE(w->btnExec->isEnabled());
        QTest::mouseClick(w->btnExec, Qt::LeftButton);
    }
    // Selects a proposal with the focus in the list, as a click does.
    static void SelectProposal(TfrmIndexAdviser *w, const QString &name)
    {
        TtvTreeNode *n = Node(w->lstNewIndex, name);
        ASSERT_NE(n, nullptr) << name.toStdString();
        w->lstNewIndex->setFocus();
        w->lstNewIndex->setCurrentItem(n);
        QApplication::processEvents();
    }

    QString Status() const { return s.main->StatusText(2); }
    QString LastText() const { return s.dialogs.texts().isEmpty() ? QString() : s.dialogs.texts().last(); }

    std::unique_ptr<tv::db::Connection> Connect() const
    {
        return tvtest::OpenSession(db);
    }
    QString Scalar(const QString &sql) const { return Connect()->ExecScalar(sql); }

    TestDb db{"advw"};
    ShellSession s;
};

} // namespace

// The worked example: the bind grid asks first; with values and types the
// existing index ix_cs is the first proposal, shown grey as created.
TEST_F(IndexAdviserWindow, BindValuesFirstThenProposalsPerTableAndOrGroup)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE orders(id int, customer int, status text, created date);"
            " INSERT INTO orders SELECT g, g % 50, 'open', date '2020-01-01' + g % 300 FROM generate_series(1, 3000) g;"
            " CREATE INDEX ix_cs ON orders(customer, status); ANALYZE orders;");
    ASSERT_NE(Logon(), nullptr);
    TfrmIndexAdviser *w = OpenFromMenu();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("インデックスアドバイザ - ") + s.Form()->ConnectionText());
    EXPECT_EQ(w->txtColCount->Text(), QStringLiteral("2"));
    EXPECT_FALSE(w->btnExec->isEnabled());

    Type(w, QStringLiteral("SELECT * FROM orders o WHERE o.customer = :c AND o.status = 'open' OR o.created > :d"));
    Run(w);
    EXPECT_EQ(Status(), QStringLiteral("バインド変数値を入力して下さい。"));
    ASSERT_FALSE(w->grdParam->isHidden());
    EXPECT_EQ(w->grdParam->RowCount(), 3);
    EXPECT_EQ(w->grdParam->Cells(0, 1), QStringLiteral("c"));
    EXPECT_EQ(w->grdParam->Cells(0, 2), QStringLiteral("d"));
    EXPECT_EQ(w->lstIndex->topLevelItemCount(), 0);
    EXPECT_EQ(w->lstNewIndex->topLevelItemCount(), 0);

    // Values and types typed into the grid.
    TtvInplaceEditor *ed = w->grdParam->InplaceEditor();
    ASSERT_NE(ed, nullptr);
    QTest::keyClicks(ed, QStringLiteral("5"));
    QTest::keyClick(ed, Qt::Key_Tab);
    QTest::keyClicks(w->grdParam->InplaceEditor(), QStringLiteral("integer"));
    w->grdParam->MoveCurrent(1, 2);
    w->grdParam->ShowEditor();
    QTest::keyClicks(w->grdParam->InplaceEditor(), QStringLiteral("2020-09-01"));
    QTest::keyClick(w->grdParam->InplaceEditor(), Qt::Key_Tab);
    QTest::keyClicks(w->grdParam->InplaceEditor(), QStringLiteral("date"));
    Run(w);
    EXPECT_EQ(w->grdParam->Cells(2, 1), QStringLiteral("integer"));
    EXPECT_EQ(w->grdParam->Cells(1, 2), QStringLiteral("2020-09-01"));
    EXPECT_EQ(s.dialogs.texts(), QStringList());

    const QStringList existing = Rows(w->lstIndex);
    ASSERT_EQ(existing.size(), 2);
    EXPECT_TRUE(existing[1].startsWith(QStringLiteral("ix_cs NONUNIQUE INDEX (customer, status) ")));
    EXPECT_EQ(Rows(w->lstNewIndex), QStringList({"orders:", "ix_cs NONUNIQUE INDEX (customer, status) 作成済",
                                                 "IDX_orders NONUNIQUE INDEX (status, customer) 未作成",
                                                 "IDX_orders2 NONUNIQUE INDEX (created) 未作成"}));
    EXPECT_EQ(Colour(Node(w->lstNewIndex, "ix_cs")), QColor(128, 128, 128));
    EXPECT_FALSE(Colour(Node(w->lstNewIndex, "IDX_orders")).isValid());

    // A created proposal can be neither created, tested nor renamed; a new
    // one can while the focus is in the list, not in the editor.
    SelectProposal(w, "ix_cs");
    EXPECT_FALSE(w->actCreate->isEnabled());
    SelectProposal(w, "IDX_orders");
    EXPECT_TRUE(w->actCreate->isEnabled());
    EXPECT_TRUE(w->actTest->isEnabled());
    EXPECT_TRUE(w->actNameChange->isEnabled());
    w->txtSQL->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(w->actCreate->isEnabled());

    // Renaming: an empty name asks again; a new run gives the name back.
    SelectProposal(w, "IDX_orders");
    s.dialogs.queueInput(QStringLiteral("  "));
    s.dialogs.queueInput(QStringLiteral("ix_status"));
    const QPoint at = w->lstNewIndex->visualItemRect(Node(w->lstNewIndex, "IDX_orders")).center();
    QTest::mouseClick(w->lstNewIndex->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(w->lstNewIndex->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(s.dialogs.calls().size(), 2);
    EXPECT_EQ(s.dialogs.calls().last().text, QStringLiteral("新しいインデックス名を入力して下さい。"));
    EXPECT_NE(Node(w->lstNewIndex, "ix_status"), nullptr);
    Run(w);
    EXPECT_NE(Node(w->lstNewIndex, "IDX_orders"), nullptr);
}

// Used and unused indexes; refused statements keep the last results and
// leave nothing behind.
TEST_F(IndexAdviserWindow, UsedIndexesAndRefusedStatements)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(id int, a int, b int);"
            " INSERT INTO t SELECT g, g % 1000, g % 7 FROM generate_series(1, 20000) g;"
            " CREATE INDEX idx_a ON t(a); CREATE INDEX idx_b ON t(b); ANALYZE t;");
    ASSERT_NE(Logon(), nullptr);
    TfrmIndexAdviser *w = OpenFromMenu();
    ASSERT_NE(w, nullptr);
    Type(w, QStringLiteral("SELECT * FROM t WHERE a = 5"));
    Run(w);
    EXPECT_TRUE(w->grdParam->isHidden());
    TtvTreeNode *used = Node(w->lstIndex, "idx_a");
    TtvTreeNode *unused = Node(w->lstIndex, "idx_b");
    ASSERT_TRUE(used && unused);
    EXPECT_EQ(used->SubItems().at(2), QStringLiteral("使用"));
    EXPECT_FALSE(Colour(used).isValid());
    EXPECT_EQ(unused->SubItems().at(2), QStringLiteral("未使用"));
    EXPECT_EQ(Colour(unused), QColor(255, 0, 0));
    const QStringList before = Rows(w->lstIndex) + Rows(w->lstNewIndex);

    struct Case {
        QString sql, message;
        unsigned icon;
    } cases[] = {
        {"SELECT * INTO x FROM t WHERE a = 1", "この SQL を解析することが出来ません。", tv::ui::MB_ICONEXCLAMATION},
        {"SELECT a FROM t WHERE a = 1 UNION SELECT b FROM t", "この SQL を解析することは出来ません。",
         tv::ui::MB_ICONWARNING},
        {"SELECT * FROM nosuch WHERE a = 1", "", tv::ui::MB_ICONSTOP},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sql.toStdString());
        s.dialogs.clear();
        Type(w, c.sql);
        Run(w);
        ASSERT_EQ(s.dialogs.calls().size(), 1);
        if (!c.message.isEmpty())
            EXPECT_EQ(LastText(), c.message);
        else
            EXPECT_TRUE(LastText().contains(QStringLiteral("nosuch")));
        EXPECT_EQ(s.dialogs.calls().last().flags, c.icon);
        EXPECT_EQ(Rows(w->lstIndex) + Rows(w->lstNewIndex), before);
    }
    EXPECT_EQ(Scalar("SELECT to_regclass('x') IS NULL"), QStringLiteral("t"));

    // A limit of 0: said when typed, and the run refuses it.
    s.dialogs.clear();
    w->txtColCount->setFocus();
    w->txtColCount->selectAll();
    QTest::keyClicks(w->txtColCount, QStringLiteral("0"));
    EXPECT_EQ(LastText(), QStringLiteral("作成するインデックス列の上限数は1以上の整数で入力して下さい。"));
    Type(w, QStringLiteral("SELECT * FROM t WHERE a = 5"));
    Run(w);
    ASSERT_EQ(s.dialogs.calls().size(), 2);
    EXPECT_EQ(LastText(), QStringLiteral("作成するインデックス列の上限数は1以上の整数で入力して下さい。"));
    EXPECT_EQ(s.dialogs.calls().last().flags, tv::ui::MB_ICONEXCLAMATION);
    EXPECT_EQ(QApplication::focusWidget(), w->txtColCount);
}

// 作成 through the preview; a second connection sees the index; an unused
// index is dropped after the two-line question.
TEST_F(IndexAdviserWindow, CreateThroughThePreviewAndDropAnUnusedIndex)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(a int, b int, c int);"
            " INSERT INTO t SELECT g, g % 10, g FROM generate_series(1, 2000) g;"
            " CREATE INDEX idx_c ON t(c); ANALYZE t;");
    ASSERT_NE(Logon(), nullptr);
    TfrmIndexAdviser *w = OpenFromMenu();
    ASSERT_NE(w, nullptr);
    Type(w, QStringLiteral("SELECT * FROM t WHERE a = 1 AND b = 2"));
    Run(w);
    EXPECT_EQ(Rows(w->lstNewIndex), QStringList({"t:", "IDX_t NONUNIQUE INDEX (a, b) 未作成",
                                                 "IDX_t2 NONUNIQUE INDEX (b, a) 未作成"}));

    tvOption.ShowDDL = true;
    SelectProposal(w, "IDX_t");
    ASSERT_TRUE(w->btnCreate->isEnabled());
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        QTest::mouseClick(w->btnCreate, Qt::LeftButton);
        EXPECT_EQ(preview.lines, QStringList({"CREATE INDEX \"IDX_t\"", "ON \"t\"(\"a\",\"b\")", ";"}));
    }
    EXPECT_EQ(Scalar("SELECT indexdef FROM pg_indexes WHERE indexname = 'IDX_t'"),
              QStringLiteral("CREATE INDEX \"IDX_t\" ON public.t USING btree (a, b)"));
    TtvTreeNode *made = Node(w->lstNewIndex, "IDX_t");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->SubItems().at(2), QStringLiteral("作成済"));
    ASSERT_NE(Node(w->lstIndex, "IDX_t"), nullptr);

    // Delete on a table node does nothing; on the unused idx_c it asks the
    // two-line question; No keeps it, Yes drops it.
    w->lstIndex->setFocus();
    w->lstIndex->setCurrentItem(w->lstIndex->topLevelItem(0));
    s.dialogs.clear();
    QTest::keyClick(w->lstIndex, Qt::Key_Delete);
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
    TtvTreeNode *c = Node(w->lstIndex, "idx_c");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->SubItems().at(2), QStringLiteral("未使用"));
    w->lstIndex->setCurrentItem(c);
    s.dialogs.queueButton(tv::ui::IDNO);
    QTest::keyClick(w->lstIndex, Qt::Key_Delete);
    EXPECT_EQ(LastText(),
              QStringLiteral("このインデックスが他のSQLで使用される場合もありますが、\nインデックスを削除しますか？"));
    EXPECT_EQ(s.dialogs.calls().last().flags,
              tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2);
    EXPECT_EQ(Scalar("SELECT count(*) FROM pg_indexes WHERE indexname = 'idx_c'"), QStringLiteral("1"));
    s.dialogs.queueButton(tv::ui::IDYES);
    QTest::keyClick(w->lstIndex, Qt::Key_Delete);
    EXPECT_EQ(LastText(), QStringLiteral("インデックスが削除されました。"));
    EXPECT_EQ(Scalar("SELECT count(*) FROM pg_indexes WHERE indexname = 'idx_c'"), QStringLiteral("0"));
    EXPECT_EQ(Node(w->lstIndex, "idx_c"), nullptr);
}

// Enter opens an index's window; a drop the server refuses shows its text,
// keeps the lists and the user's pending work.
TEST_F(IndexAdviserWindow, OpenAnIndexAndARefusedDrop)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(id int PRIMARY KEY, a int); CREATE INDEX idx_a ON t(a);");
    TfrmObject *f = Logon(false);
    ASSERT_NE(f, nullptr);
    f->dbsMain().Exec(QStringLiteral("INSERT INTO t VALUES (1, 1)"));
    TfrmIndexAdviser *w = OpenFromMenu();
    ASSERT_NE(w, nullptr);
    Type(w, QStringLiteral("SELECT * FROM t WHERE a = 1"));
    Run(w);
    const QStringList before = Rows(w->lstIndex) + Rows(w->lstNewIndex);

    w->lstIndex->setFocus();
    w->lstIndex->setCurrentItem(Node(w->lstIndex, "idx_a"));
    QTest::keyClick(w->lstIndex, Qt::Key_Return);
    TfrmIndex *opened = nullptr;
    for (QWidget *c : s.main->MdiChildren())
        if (auto *x = dynamic_cast<TfrmIndex *>(c))
            opened = x;
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(opened->windowTitle().contains(QStringLiteral("public.idx_a"))) << opened->windowTitle().toStdString();

    // Right-click on the table node: open and delete are disabled.
    w->lstIndex->setCurrentItem(w->lstIndex->topLevelItem(0));
    w->popIndexPopup();
    EXPECT_FALSE(w->mnuIndexOpen->isEnabled());
    EXPECT_FALSE(w->mnuIndexDelete->isEnabled());

    w->lstIndex->setFocus();
    w->lstIndex->setCurrentItem(Node(w->lstIndex, "t_pkey"));
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    QTest::keyClick(w->lstIndex, Qt::Key_Delete);
    ASSERT_EQ(s.dialogs.texts().size(), 2);
    EXPECT_TRUE(LastText().contains(QStringLiteral("t_pkey"))) << LastText().toStdString();
    EXPECT_EQ(Rows(w->lstIndex) + Rows(w->lstNewIndex), before);
    EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_EQ(f->dbsMain().ExecScalar(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("1"));
}

// Only the first statement of the text is explained: a COMMIT and a DELETE
// after it never run.
TEST_F(IndexAdviserWindow, OnlyTheFirstStatementIsExplained)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(a int); INSERT INTO t SELECT g FROM generate_series(1, 10) g;");
    for (const bool autoCommit : {true, false}) {
        SCOPED_TRACE(autoCommit);
        TfrmObject *f = Logon(autoCommit);
        ASSERT_NE(f, nullptr);
        TfrmIndexAdviser *w = OpenFromMenu();
        ASSERT_NE(w, nullptr);
        Type(w, QStringLiteral("SELECT * FROM t WHERE a = 1; COMMIT; DELETE FROM t"));
        Run(w);
        EXPECT_EQ(s.dialogs.texts(), QStringList());
        EXPECT_EQ(Rows(w->lstNewIndex), QStringList({"t:", "IDX_t NONUNIQUE INDEX (a) 未作成"}));
        EXPECT_EQ(Scalar("SELECT count(*) FROM t"), QStringLiteral("10"));
        if (!autoCommit) {
            EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
        }
        s.main.reset();
        s.dialogs.clear();
    }
}

// テスト: the result message, the report, and nothing left behind.
TEST_F(IndexAdviserWindow, TheTestReportsAndLeavesNoIndex)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(a int, b int); INSERT INTO t SELECT g, g FROM generate_series(1, 5000) g; ANALYZE t;");
    TfrmObject *f = Logon(false);
    ASSERT_NE(f, nullptr);
    f->dbsMain().Exec(QStringLiteral("INSERT INTO t VALUES (-1, -1)"));
    TfrmIndexAdviser *w = OpenFromMenu();
    ASSERT_NE(w, nullptr);
    Type(w, QStringLiteral("DELETE FROM t WHERE a = 1"));
    Run(w);
    SelectProposal(w, "IDX_t");
    const QString report = s.scratch.path() + QStringLiteral("/report.txt");
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    s.dialogs.queueButton(tv::ui::IDOK, {true});
    s.dialogs.queuePath(report);
    QTest::mouseClick(w->btnTest, Qt::LeftButton);
    ASSERT_GE(s.dialogs.texts().size(), 2);
    EXPECT_TRUE(s.dialogs.texts().at(1).contains(QStringLiteral("【テスト結果】")));
    QString text;
    ASSERT_TRUE(tv::text::ReadTextFile(report, tv::text::Encoding::Ansi, &text));
    const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("Total runtime: ")));
    EXPECT_EQ(f->dbsMain().ExecScalar(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("5001"));
    EXPECT_EQ(f->dbsMain().ExecScalar(QStringLiteral("SELECT count(*) FROM pg_indexes WHERE indexname = 'IDX_t'")),
              QStringLiteral("0"));
    EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_EQ(Scalar("SELECT count(*) FROM t"), QStringLiteral("5000")); // the user's row is still pending

    // A table gone meanwhile: the server's text; the user's work stays usable.
    db.exec("CREATE TABLE u(b int);");
    Type(w, QStringLiteral("SELECT * FROM u WHERE b = 1"));
    Run(w);
    SelectProposal(w, "IDX_u");
    db.exec("DROP TABLE u;");
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    QTest::mouseClick(w->btnTest, Qt::LeftButton);
    ASSERT_EQ(s.dialogs.texts().size(), 2);
    EXPECT_TRUE(LastText().contains(QStringLiteral("\"u\""))) << LastText().toStdString();
    EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_EQ(f->dbsMain().ExecScalar(QStringLiteral("SELECT count(*) FROM t")), QStringLiteral("5001"));
}

// An aborted transaction of the user's is reported with the server's text;
// the lists keep the last results.
TEST_F(IndexAdviserWindow, AnAbortedSessionIsReported)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(a int, b int); CREATE INDEX idx_a ON t(a);");
    TfrmObject *f = Logon(false);
    ASSERT_NE(f, nullptr);
    TfrmIndexAdviser *w = OpenFromMenu();
    ASSERT_NE(w, nullptr);
    Type(w, QStringLiteral("SELECT * FROM t WHERE a = 1"));
    Run(w);
    const QStringList before = Rows(w->lstIndex) + Rows(w->lstNewIndex);
    ASSERT_EQ(before.size(), 4);
    EXPECT_THROW(f->dbsMain().Exec(QStringLiteral("SELECT 1/0")), tv::Error);
    s.dialogs.clear();
    Type(w, QStringLiteral("SELECT * FROM t WHERE b = 1"));
    Run(w);
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_TRUE(LastText().contains(QStringLiteral("current transaction is aborted")) ||
                LastText().contains(QStringLiteral("トランザクションがアボート")))
        << LastText().toStdString();
    EXPECT_EQ(s.dialogs.calls().last().flags, tv::ui::MB_ICONSTOP);
    EXPECT_EQ(Rows(w->lstIndex) + Rows(w->lstNewIndex), before);
}

// The history files, previous / next, and the stored column limit.
TEST_F(IndexAdviserWindow, HistoryEntriesAndTheStoredColumnLimit)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(a int, b int);");
    ASSERT_NE(Logon(), nullptr);
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\INDEXADVISER"), true));
    reg.WriteInteger(QStringLiteral("ColCount"), 0);
    reg.CloseKey();
    TfrmIndexAdviser *w = OpenFromMenu();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->txtColCount->Text(), QStringLiteral("1"));
    EXPECT_EQ(w->FLog, -1);

    const QString first = QStringLiteral("SELECT * FROM t WHERE a = 1");
    const QString second = QStringLiteral("SELECT * FROM t WHERE b = 2");
    Type(w, first);
    Run(w);
    const QDir temp(tvOption.TempDir);
    EXPECT_TRUE(QFile::exists(temp.filePath(QStringLiteral("SQLLOG1.SQL"))));
    EXPECT_TRUE(QFile::exists(temp.filePath(QStringLiteral("SQLLOG.IDX"))));
    Type(w, second);
    Run(w);
    EXPECT_EQ(SQLLogList.mid(0, 2), QStringList({"SQLLOG2.SQL", "SQLLOG1.SQL"}));
    EXPECT_EQ(w->FLog, 0);

    auto shown = [w] { return w->txtSQL->Lines()->Text().trimmed(); };
    QTest::mouseClick(w->btnPrev, Qt::LeftButton);
    EXPECT_EQ(shown(), first);
    QTest::mouseClick(w->btnPrev, Qt::LeftButton); // the oldest: nothing more
    EXPECT_EQ(shown(), first);
    QTest::mouseClick(w->btnNext, Qt::LeftButton);
    EXPECT_EQ(shown(), second);
    QTest::mouseClick(w->btnNext, Qt::LeftButton);
    EXPECT_EQ(shown(), QString());
    EXPECT_EQ(w->FLog, -1);
    // 履歴(&L): the entry picked from the list.
    ModalSteps pick({{QStringLiteral("frmSQLLog"), [](QWidget *d) {
                          auto *log = static_cast<TfrmSQLLog *>(d);
                          log->lstSQL->setCurrentRow(1);
                          QTest::mouseClick(log->btnSelect, Qt::LeftButton);
                      }}});
    QTest::mouseClick(w->btnLog, Qt::LeftButton);
    EXPECT_EQ(w->FLog, 1);
    EXPECT_EQ(shown(), first);

    // Closing keeps the limit typed.
    w->txtColCount->setFocus();
    w->txtColCount->selectAll();
    QTest::keyClicks(w->txtColCount, QStringLiteral("3"));
    w->Close();
    QApplication::processEvents();
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\INDEXADVISER"), false));
    EXPECT_EQ(reg.GetInteger(QStringLiteral("ColCount"), -1), 3);
    reg.CloseKey();
}

// With text selected only the selection is explained and parsed; the
// history keeps the whole text.
TEST_F(IndexAdviserWindow, TheSelectionAloneIsAnalysed)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(a int); CREATE TABLE u(b int);");
    ASSERT_NE(Logon(), nullptr);
    TfrmIndexAdviser *w = OpenFromMenu();
    ASSERT_NE(w, nullptr);
    Type(w, QStringLiteral("SELECT * FROM t WHERE a = 1"));
    QTest::keyClick(w->txtSQL, Qt::Key_Return);
    QTest::keyClicks(w->txtSQL, QStringLiteral("SELECT * FROM u WHERE b = 2"));
    QTest::keyClick(w->txtSQL, Qt::Key_Home);
    QTest::keyClick(w->txtSQL, Qt::Key_End, Qt::ShiftModifier);
    ASSERT_EQ(w->txtSQL->SelText(), QStringLiteral("SELECT * FROM u WHERE b = 2"));
    Run(w);
    EXPECT_EQ(Rows(w->lstNewIndex), QStringList({"u:", "IDX_u NONUNIQUE INDEX (b) 未作成"}));
    QString saved;
    ASSERT_TRUE(tv::text::ReadTextFile(QDir(tvOption.TempDir).filePath(SQLLogList.value(0)), GetFileEncoding(), &saved));
    EXPECT_TRUE(saved.contains(QStringLiteral("FROM t WHERE a = 1")));
    EXPECT_TRUE(saved.contains(QStringLiteral("FROM u WHERE b = 2")));
}

// The opener of the SQL capture window: a new adviser analysed at once;
// two advisers for one connection share a caption.
TEST_F(IndexAdviserWindow, TheCaptureWindowsOpenerRunsAtOnce)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(a int, b int);");
    TfrmObject *f = Logon();
    ASSERT_NE(f, nullptr);
    TLaunchContext c;
    c.Connection = f;
    c.Argument = QStringLiteral("SELECT * FROM t WHERE b = 1 OR a = 2");
    auto *w = dynamic_cast<TfrmIndexAdviser *>(Launch(QStringLiteral("actIndexAdviser"), c));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Rows(w->lstNewIndex), QStringList({"t:", "IDX_t NONUNIQUE INDEX (b) 未作成",
                                                 "IDX_t2 NONUNIQUE INDEX (a) 未作成"}));
    EXPECT_EQ(Rows(w->lstIndex), QStringList({"t:", "(インデックスがありません)"}));
    EXPECT_EQ(w->cmbDBName->currentText(), f->ConnectionText() + QStringLiteral(":public"));
    TfrmIndexAdviser *second = OpenFromMenu();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, w);
    EXPECT_EQ(second->windowTitle(), w->windowTitle());
}

// The combo names each connection with its schema; another connection
// retitles the window and keeps the lists until the next run.
TEST_F(IndexAdviserWindow, TheConnectionComboTellsSchemasApart)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(a int); CREATE SCHEMA s2; CREATE TABLE s2.t(b int);");
    TfrmObject *a = Logon();
    ASSERT_NE(a, nullptr);
    const DbParams &p = db.params();
    TfrmObject *b = TfrmObject::Create(s.main.get(), p.host, p.port, p.database, QStringLiteral("s2"), p.user,
                                       p.password);
    ASSERT_NE(b, nullptr);
    TfrmIndexAdviser *w = TfrmIndexAdviser::Create(a);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->cmbDBName->count(), 2);
    EXPECT_EQ(w->cmbDBName->currentText(), a->ConnectionText() + QStringLiteral(":public"));
    const int other = w->cmbDBName->findText(b->ConnectionText() + QStringLiteral(":s2"));
    ASSERT_GE(other, 0);

    Type(w, QStringLiteral("SELECT * FROM t WHERE a = 1"));
    Run(w);
    EXPECT_EQ(Rows(w->lstNewIndex), QStringList({"t:", "IDX_t NONUNIQUE INDEX (a) 未作成"}));
    w->cmbDBName->setCurrentIndex(other);
    emit w->cmbDBName->activated(other);
    EXPECT_EQ(w->OwnerForm(), b);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("インデックスアドバイザ - ") + b->ConnectionText());
    EXPECT_EQ(Rows(w->lstNewIndex), QStringList({"t:", "IDX_t NONUNIQUE INDEX (a) 未作成"}));
    // The next run reads t in the schema s2.
    Type(w, QStringLiteral("SELECT * FROM t WHERE b = 1"));
    Run(w);
    EXPECT_EQ(Rows(w->lstNewIndex), QStringList({"t:", "IDX_t NONUNIQUE INDEX (b) 未作成"}));
    // A new connection window keeps the selection.
    w->DBChange(nullptr);
    EXPECT_EQ(w->cmbDBName->currentText(), b->ConnectionText() + QStringLiteral(":s2"));
}

// End to end: started with the command line, the menu, typing, 解析(&E), a
// proposal created with 作成; another session finds it.
TEST_F(IndexAdviserWindow, EndToEndFromTheMenuToACreatedIndex)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE items(id int, code text); INSERT INTO items SELECT g, 'c' || g FROM generate_series(1, 500) g;");
    ASSERT_NE(Logon(), nullptr);
    TfrmIndexAdviser *w = OpenFromMenu();
    ASSERT_NE(w, nullptr);
    Type(w, QStringLiteral("SELECT * FROM items WHERE code = 'c7'"));
    Run(w);
    SelectProposal(w, "IDX_items");
    ASSERT_TRUE(w->btnCreate->isEnabled());
    ExecDialogUser user;
    QTest::mouseClick(w->btnCreate, Qt::LeftButton);
    auto other = Connect();
    EXPECT_EQ(other->ExecScalar(QStringLiteral("SELECT indexdef FROM pg_indexes WHERE tablename = 'items'")),
              QStringLiteral("CREATE INDEX \"IDX_items\" ON public.items USING btree (code)"));
    EXPECT_EQ(Node(w->lstNewIndex, "IDX_items")->SubItems().at(2), QStringLiteral("作成済"));

    // Closing the connection window closes the adviser with it.
    QPointer<TfrmIndexAdviser> guard(w);
    s.Form()->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}
