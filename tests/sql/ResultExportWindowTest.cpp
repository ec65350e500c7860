// Result export and the plan page inside the real program, against the test
// server: the workbook export re-reads only the frame's query, the plan
// toggle shows the tree, and the end-to-end export from the command line.
#include "shell/ShellTestSupport.h"

#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/settings/Folders.h"
#include "platform/ui/EscapeWatch.h"
#include "shell/ModalSteps.h"
#include "sql/frmSQL.h"
#include "sql/frmXlsSQL.h"
#include "support/XlsxBook.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using namespace tvtest;

namespace {

class ExportWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        tv::ui::InstallEscapeWatch();
        if (db.available())
            db.exec("CREATE TABLE w2q1_log(x int);"
                    "CREATE SCHEMA sales; CREATE TABLE sales.customer(id int PRIMARY KEY, name text);"
                    "INSERT INTO sales.customer VALUES (1, '山田'), (2, '佐藤');");
    }
    TfrmSQL *Open()
    {
        s.Start(LogonArgs(db.params()));
        tvOption.UpdateToCommit = true;
        s.FirstPaint();
        s.main->show();
        EXPECT_NE(s.Form(), nullptr);
        auto *w = new TfrmSQL(s.Form());
        w->ShowForm();
        return w;
    }
    static void Run(TfrmSQL *w)
    {
        QTest::qWaitFor([&] { return w->btnExec->isEnabled(); }, 30000);
        ASSERT_TRUE(w->btnExec->isEnabled());
        QTest::mouseClick(w->btnExec, Qt::LeftButton);
    }
    static void Type(TfrmSQL *w, const QStringList &lines)
    {
        w->txtSQL->setFocus();
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(w->txtSQL, Qt::Key_Return);
            QTest::keyClicks(w->txtSQL, lines.at(i));
        }
    }
    static void WaitFor(const ModalSteps &steps)
    {
        for (int i = 0; i < 3000 && !steps.finished(); ++i)
            QTest::qWait(10);
    }

    TestDb db{"xwin"};
    ShellSession s;
};

} // namespace

TEST_F(ExportWindow, RefreshReopensOnlyTheFramesQuery)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    Type(w, {"insert into w2q1_log values (1);", ";", "select * from w2q1_log"});
    Run(w);
    ASSERT_TRUE(w->fraData->Active());
    ASSERT_EQ(db.scalar("select count(*) from w2q1_log"), "1");
    const QString file = s.scratch.file(QStringLiteral("log.xlsx"));
    ModalSteps steps({{QStringLiteral("frmXlsSQL"), [&](QWidget *d) {
                           auto *x = static_cast<TfrmXlsSQL *>(d);
                           EXPECT_TRUE(x->chkRefresh->isEnabled());
                           x->chkRefresh->setChecked(true);
                           x->txtSaveFile->setText(file);
                           QTest::mouseClick(x->btnOk, Qt::LeftButton);
                       }}});
    QTest::mouseClick(w->fraData->btnExcel, Qt::LeftButton);
    WaitFor(steps);
    ASSERT_TRUE(steps.finished());
    EXPECT_TRUE(tvOption.ExcelRefresh);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("ファイルに出力しました。"));
    // The insert did not run again.
    EXPECT_EQ(db.scalar("select count(*) from w2q1_log"), "1");
    XlsxBook x;
    ASSERT_TRUE(x.open(file));
    EXPECT_EQ(x.cell(1, 1).value, QStringLiteral("x"));
    EXPECT_DOUBLE_EQ(x.cell(2, 1).number(), 1);
    EXPECT_FALSE(x.cell(3, 1).exists);
    ASSERT_TRUE(w->fraData->Active());

    // A form file that exists is not applied, and the status line says so.
    const QString form = s.scratch.file(QStringLiteral("form.xlsx"));
    QFile(file).copy(form);
    ModalSteps again({{QStringLiteral("frmXlsSQL"), [&](QWidget *d) {
                           auto *x = static_cast<TfrmXlsSQL *>(d);
                           x->txtSaveFile->setText(s.scratch.file(QStringLiteral("f.xlsx")));
                           x->txtFormFile->setText(form);
                           QTest::mouseClick(x->btnOk, Qt::LeftButton);
                       }}});
    QTest::mouseClick(w->fraData->btnExcel, Qt::LeftButton);
    WaitFor(again);
    ASSERT_TRUE(again.finished());
    EXPECT_TRUE(QFile::exists(s.scratch.file(QStringLiteral("f.xlsx"))));
    EXPECT_EQ(s.main->StatusText(2), QStringLiteral("フォームファイルの書式は適用されませんでした。"));
}

TEST_F(ExportWindow, PlanToggleShowsTheTreeOfTheFirstStatement)
{
    TV_REQUIRE_DB(db);
    TfrmSQL *w = Open();
    QTest::mouseClick(w->btnExplan, Qt::LeftButton);
    ASSERT_TRUE(w->btnExplan->isChecked());
    EXPECT_TRUE(w->pagExplan->isVisible());
    Type(w, {"select * from sales.customer where id = :id", ";", "delete from sales.customer"});
    // The bind variable asks for its value first.
    Run(w);
    EXPECT_EQ(w->fraExplan->lstPlan->topLevelItemCount(), 0);
    w->grdParam->SetCells(1, 1, QStringLiteral("1"));
    Run(w);
    ASSERT_EQ(w->fraExplan->lstPlan->topLevelItemCount(), 1);
    EXPECT_EQ(w->fraExplan->lstPlan->TopNode(0)->Text(), QStringLiteral("SELECT STATEMENT"));
    ASSERT_GE(w->fraExplan->lstPlan->TopNode(0)->childCount(), 1);
    EXPECT_EQ(db.scalar("select count(*) from sales.customer"), "2");
    EXPECT_TRUE(s.main->StatusText(2).startsWith(QStringLiteral("処理時間")));
}

TEST_F(ExportWindow, EndToEndWorkbookFromTheCommandLine)
{
    TV_REQUIRE_DB(db);
    TfrmSQL::RegisterLauncher();
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    ASSERT_NE(s.Form(), nullptr);
    s.main->show();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
    QTest::keyClick(s.main.get(), Qt::Key_S, Qt::ControlModifier);
    TfrmSQL *w = nullptr;
    for (QWidget *c : s.main->MdiChildren())
        if (auto *sql = qobject_cast<TfrmSQL *>(c))
            w = sql;
    ASSERT_NE(w, nullptr);
    Type(w, {"select id, name from sales.customer order by id"});
    Run(w);
    ASSERT_TRUE(w->fraData->Active());
    ModalSteps steps({{QStringLiteral("frmXlsSQL"), [](QWidget *d) {
                           QTest::mouseClick(static_cast<TfrmXlsSQL *>(d)->btnOk, Qt::LeftButton);
                       }}});
    QTest::mouseClick(w->fraData->btnExcel, Qt::LeftButton);
    WaitFor(steps);
    ASSERT_TRUE(steps.finished());
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("ファイルに出力しました。"));
    const QString file = tv::settings::DocumentsDir() + QStringLiteral("SQL.XLSX");
    XlsxBook x;
    ASSERT_TRUE(x.open(file)) << file.toStdString();
    EXPECT_EQ(x.cell(1, 1).value, QStringLiteral("id"));
    EXPECT_EQ(x.cell(1, 2).value, QStringLiteral("name"));
    EXPECT_TRUE(x.cell(2, 1).isNumber());
    EXPECT_DOUBLE_EQ(x.cell(2, 1).number(), 1);
    EXPECT_EQ(x.cell(2, 2).value, QStringLiteral("山田"));
}
