// The test-data generator's window inside the real main window, opened
// through its launcher with a table in the launch context as the table
// window's "生成(&W)" does, driven as a user would.
#include "objects/table/TableWindowTestSupport.h"
#include "shell/ShellTestSupport.h"

#include "common/tvOption.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/frmTable.h"
#include "controls/tvScrollBox.h"
#include "controls/tvTreeView.h"
#include "shell/WindowLaunchers.h"
#include "tools/DataGenFile.h"
#include "tools/ToolWidgets.h"
#include "tools/frmDataGenerate.h"
#include "sql/fraData.h"
#include "controls/tvStringGrid.h"
#include "tools/DataGenRule.h"

#include <QComboBox>
#include <QDateEdit>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QTimer>

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>

using namespace tvtest;
using tv::ui::IDYES;

namespace {

void Click(TfrmDataGenerate *w, QAction *a)
{
    QTest::mouseClick(w->tolCmd->widgetForAction(a), Qt::LeftButton);
}

} // namespace

TEST(DataGenWindow, RunsFromTheLauncherAndOffersItsLastSettings)
{
    TestDb db("dgwin");
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA s; CREATE TABLE s.t(id serial primary key, name varchar(20) NOT NULL,"
            " price numeric(10,2));");
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    s.main->show();
    TfrmObject *a = s.Form(0);
    ASSERT_NE(a, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    TfrmDataGenerate::RegisterLauncher();
    TLaunchContext c;
    c.Connection = a;
    c.MainWindow = s.main.get();
    c.Schema = QStringLiteral("s");
    c.ObjectName = QStringLiteral("t");
    auto *w = qobject_cast<TfrmDataGenerate *>(Launch(QStringLiteral("TfrmDataGenerate"), c));
    ASSERT_NE(w, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("データ生成ツール"));
    ASSERT_EQ(w->lstColumn->topLevelItemCount(), 3);
    const QStringList kinds{w->lstColumn->topLevelItem(0)->text(3), w->lstColumn->topLevelItem(1)->text(3),
                            w->lstColumn->topLevelItem(2)->text(3)};
    EXPECT_EQ(kinds, (QStringList{"固定値", "乱数値(文字)", ""}));
    EXPECT_EQ(w->lstColumn->topLevelItem(0)->text(4), QStringLiteral("nextval('s.t_id_seq'::regclass)"));
    EXPECT_TRUE(w->rdoNormal->isChecked());

    // No row count: the warning, nothing written.
    Click(w, w->btnExec);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("作成件数を入力して下さい。"));
    EXPECT_EQ(w->pagGenerate->currentWidget(), w->tabOption);
    EXPECT_FALSE(QFile::exists(ParamFileName(QStringLiteral("t"))));

    w->txtCount->setFocus();
    QTest::keyClicks(w->txtCount, QStringLiteral("120"));
    s.dialogs.queueButton(IDYES);
    Click(w, w->btnExec);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("データを生成します。よろしいですか？"));
    EXPECT_EQ(w->pagGenerate->currentWidget(), w->tabLog);
    EXPECT_TRUE(w->txtLog->Lines()->Text().contains(QStringLiteral("120 件のデータを確定")))
        << w->txtLog->Lines()->Text().toStdString();
    EXPECT_EQ(db.scalar("SELECT count(*) FROM s.t"), "120");
    QFile prm(ParamFileName(QStringLiteral("t")));
    ASSERT_TRUE(prm.open(QIODevice::ReadOnly));
    const QByteArray text = prm.readAll();
    EXPECT_TRUE(text.contains("MODE=\"0\"")) << text.toStdString();
    EXPECT_TRUE(text.contains("COUNT=\"120\"")) << text.toStdString();
    w->Close();

    // The next opening offers the file; Yes brings the count back.
    s.dialogs.queueButton(IDYES);
    auto *again = qobject_cast<TfrmDataGenerate *>(Launch(QStringLiteral("TfrmDataGenerate"), c));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("前回の設定値を読み込みますか？"));
    EXPECT_EQ(again->txtCount->text(), QStringLiteral("120"));
    EXPECT_EQ(again->lstColumn->topLevelItem(1)->text(3), QStringLiteral("乱数値(文字)"));

    // Update mode: the WHERE text is enabled, the row count is not; the
    // question speaks of an update.
    again->rdoUpdate->click();
    EXPECT_TRUE(again->txtWhere->isEnabled());
    EXPECT_FALSE(again->txtCount->isEnabled());
    s.dialogs.queueButton(tv::ui::IDNO);
    Click(again, again->btnExec);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("データを更新します。よろしいですか？"));
    again->Close();
}

TEST(DataGenWindow, AnUnknownTableAsksForARuleBeforeAnythingIsSent)
{
    TestDb db("dgwin");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    TfrmObject *a = s.Form(0);
    ASSERT_NE(a, nullptr);
    // Unknown tables read as no columns: the window opens with an empty list
    // and the check asks for a rule before anything is sent.
    auto *w = TfrmDataGenerate::ShowWindow(a, QStringLiteral("public"), QStringLiteral("nosuch"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->lstColumn->topLevelItemCount(), 0);
    w->txtCount->setText(QStringLiteral("5"));
    Click(w, w->btnExec);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("いずれかの項目に設定値を指定して下さい。"));
    w->Close();
}

TEST(DataGenWindow, ParentModeFromAForeignKeyAndBackToNormal)
{
    TestDb db("dgwin");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE p(pid int primary key, pname text); INSERT INTO p VALUES (1, 'a'), (2, 'b');"
            "CREATE TABLE c(cid serial primary key, pid int NOT NULL REFERENCES p, qty int NOT NULL);");
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    TfrmObject *a = s.Form(0);
    ASSERT_NE(a, nullptr);
    auto *w = TfrmDataGenerate::ShowWindow(a, QStringLiteral("public"), QStringLiteral("c"));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->rdoMaster->isChecked());
    EXPECT_EQ(w->cmbMasterTable->currentText(), QStringLiteral("p"));
    EXPECT_EQ(w->lstColumn->topLevelItem(1)->text(3), QStringLiteral("親テーブル値"));
    EXPECT_TRUE(w->txtCountFrom->isEnabled());

    // Two to three children per parent row.
    w->txtCountFrom->setText(QStringLiteral("2"));
    w->txtCountTo->setText(QStringLiteral("3"));
    s.dialogs.queueButton(IDYES);
    QTest::mouseClick(w->tolCmd->widgetForAction(w->btnExec), Qt::LeftButton);
    const QString per = QString::fromStdString(
        db.scalar("SELECT string_agg(n::text, ',') FROM (SELECT count(*) n FROM c GROUP BY pid) x WHERE n BETWEEN 2 AND 3"));
    EXPECT_EQ(per.split(u',').size(), 2) << per.toStdString();

    // The normal mode drops the parent values.
    w->rdoNormal->click();
    EXPECT_EQ(w->lstColumn->topLevelItem(1)->text(3), QString());
    EXPECT_EQ(w->lstColumn->topLevelItem(1)->text(4), QString());
    EXPECT_FALSE(w->txtCountFrom->isEnabled());
    w->Close();
}

namespace {

const char *const kW3t7 = "CREATE SCHEMA w3t7; CREATE TABLE w3t7.t(id serial primary key, name varchar(20) not null,"
                          " price numeric(10,2));";

// Selects a column's row as a user clicks it.
void SelectColumn(TfrmDataGenerate *w, int row)
{
    QTreeWidgetItem *it = w->lstColumn->topLevelItem(row);
    ASSERT_NE(it, nullptr);
    w->lstColumn->scrollToItem(it);
    const QRect r = w->lstColumn->visualItemRect(it);
    QTest::mouseClick(w->lstColumn->viewport(), Qt::LeftButton, {}, r.center());
    ASSERT_EQ(w->SelectedRow(), row);
}

// Chooses a kind in the kind list with the arrow keys.
void ChooseKind(TfrmDataGenerate *w, const QString &kind)
{
    const int at = w->cmbSetType->findText(kind);
    ASSERT_GE(at, 0) << kind.toStdString();
    w->cmbSetType->setFocus();
    while (w->cmbSetType->currentIndex() < at)
        QTest::keyClick(w->cmbSetType, Qt::Key_Down);
    while (w->cmbSetType->currentIndex() > at)
        QTest::keyClick(w->cmbSetType, Qt::Key_Up);
    ASSERT_EQ(w->cmbSetType->currentText(), kind);
}

QStringList Items(const QComboBox *c)
{
    QStringList l;
    for (int i = 0; i < c->count(); ++i)
        l << c->itemText(i);
    return l;
}

class DataGenWindowRules : public ::testing::Test {
protected:
    void Open(bool autoCommit = true, const char *more = "")
    {
        db = std::make_unique<TestDb>("w3t7g");
        if (!db->available())
            return;
        db->exec(std::string(kW3t7) + more);
        s.Start(LogonArgs(db->params()));
        tvOption.UpdateToCommit = autoCommit;
        s.FirstPaint();
        s.main->show();
        form = s.Form(0);
        ASSERT_NE(form, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
        TfrmDataGenerate::RegisterLauncher();
        TLaunchContext c;
        c.Connection = form;
        c.MainWindow = s.main.get();
        c.Schema = QStringLiteral("w3t7");
        c.ObjectName = QStringLiteral("t");
        w = qobject_cast<TfrmDataGenerate *>(Launch(QStringLiteral("TfrmDataGenerate"), c));
        ASSERT_NE(w, nullptr) << s.dialogs.texts().join(u'\n').toStdString();
        w->pagGenerate->setCurrentWidget(w->tabOption);
        ASSERT_GE(w->lstColumn->topLevelItemCount(), 3);
    }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
    TfrmDataGenerate *w = nullptr;
};

} // namespace

TEST_F(DataGenWindowRules, KindsAndControlsFollowTheColumnAndTheKind)
{
    Open();
    TV_REQUIRE_DB(*db);
    // NOT NULL: no 未指定, no NULL ratio.
    SelectColumn(w, 1);
    EXPECT_FALSE(Items(w->cmbSetType).contains(QStringLiteral("未指定"))) << Items(w->cmbSetType).join(u' ').toStdString();
    EXPECT_EQ(w->cmbSetType->currentText(), QStringLiteral("乱数値(文字)"));
    EXPECT_EQ(w->pagSetType->currentWidget(), w->tabStr);
    EXPECT_FALSE(w->txtNull->isEnabled());

    // price: 連番 empties and disables the upper bound, the unit is an increment.
    SelectColumn(w, 2);
    EXPECT_TRUE(Items(w->cmbSetType).contains(QStringLiteral("未指定")));
    ChooseKind(w, QStringLiteral("乱数値(数値)"));
    w->txtNumTo->setFocus();
    QTest::keyClicks(w->txtNumTo, QStringLiteral("500"));
    EXPECT_EQ(w->Job().Cols.at(2).NumTo, 500);
    ChooseKind(w, QStringLiteral("連番"));
    EXPECT_EQ(w->pagSetType->currentWidget(), w->tabNumber);
    EXPECT_TRUE(w->txtNumTo->text().isEmpty());
    EXPECT_FALSE(w->txtNumTo->isEnabled());
    EXPECT_EQ(w->lblMarume->text(), QStringLiteral("増分値"));
    EXPECT_EQ(w->Job().Cols.at(2).SetType, stSeqNum);
    EXPECT_EQ(w->Job().Cols.at(2).NumTo, 0);
    ChooseKind(w, QStringLiteral("乱数値(数値)"));
    EXPECT_EQ(w->lblMarume->text(), QStringLiteral("丸め単位"));
    EXPECT_TRUE(w->txtNumTo->isEnabled());

    // NULL ratio typed past 100.
    ASSERT_TRUE(w->txtNull->isEnabled());
    w->txtNull->setFocus();
    w->txtNull->selectAll();
    QTest::keyClicks(w->txtNull, QStringLiteral("150"));
    EXPECT_EQ(w->txtNull->text(), QStringLiteral("100"));
    EXPECT_EQ(w->Job().Cols.at(2).NullPar, 100);
    EXPECT_EQ(w->lstColumn->topLevelItem(2)->text(3), QStringLiteral("乱数値(数値)"));

    // 固定値: the ratio 0 and disabled; the row shows the expression.
    ChooseKind(w, QStringLiteral("固定値"));
    EXPECT_EQ(w->txtNull->text(), QStringLiteral("0"));
    EXPECT_FALSE(w->txtNull->isEnabled());
    EXPECT_EQ(w->Job().Cols.at(2).NullPar, 0);
    w->txtVariable->setFocus();
    QTest::keyClicks(w->txtVariable, QStringLiteral("1.5"));
    EXPECT_EQ(w->lstColumn->topLevelItem(2)->text(4), QStringLiteral("1.5"));

    // A value list: an entry in the last row adds an empty row, which is
    // no value.
    ChooseKind(w, QStringLiteral("選択値"));
    EXPECT_EQ(w->pagSetType->currentWidget(), w->tabIn);
    EXPECT_TRUE(w->txtNull->isEnabled());
    w->grdIn->SetEditText(0, 0, QStringLiteral("5"));
    EXPECT_EQ(w->grdIn->RowCount(), 2);
    w->grdIn->SetEditText(0, 1, QStringLiteral("7.5"));
    EXPECT_EQ(w->grdIn->RowCount(), 3);
    EXPECT_EQ(w->Job().Cols.at(2).Variable, (QStringList{"5", "7.5"}));
    // Back to 固定値: the editor kept its text, and the rule takes it.
    ChooseKind(w, QStringLiteral("固定値"));
    EXPECT_EQ(w->lstColumn->topLevelItem(2)->text(4), QStringLiteral("1.5"));

    // Back on a row, its rule shows again.
    SelectColumn(w, 1);
    SelectColumn(w, 2);
    EXPECT_EQ(w->cmbSetType->currentText(), QStringLiteral("固定値"));
    EXPECT_EQ(w->txtVariable->Lines()->Text().trimmed(), QStringLiteral("1.5"));
    w->Close();
}

TEST_F(DataGenWindowRules, TheTestRunShowsAHundredRowsAndLeavesTheUsersWorkPending)
{
    Open(false, "ALTER TABLE w3t7.t ADD COLUMN qty integer;");
    TV_REQUIRE_DB(*db);
    // The user's own pending row.
    form->ExecuteSQL(QStringLiteral("INSERT INTO w3t7.t(name) VALUES ('mine')"));
    w->txtCount->setFocus();
    QTest::keyClicks(w->txtCount, QStringLiteral("1000"));
    s.dialogs.queueButton(IDYES);
    QTest::mouseClick(w->tolCmd->widgetForAction(w->btnTest), Qt::LeftButton);
    EXPECT_EQ(s.dialogs.texts().last(),
              QStringLiteral("データ生成のテストを行い、生成されるデータを表示します。\n"
                             "(実際にテーブルにはデータは生成されません。)よろしいですか？"));
    EXPECT_EQ(w->pagGenerate->currentWidget(), w->tabLog);
    EXPECT_TRUE(w->fraData->isVisibleTo(w));
    EXPECT_EQ(w->fraData->dsrTableData.RecordCount(), 100);
    // The table is unchanged; the user's row is still pending, no scratch
    // table is left or seen.
    EXPECT_EQ(db->scalar("SELECT count(*) FROM w3t7.t"), "0");
    EXPECT_EQ(form->dbsMain().ExecScalar(QStringLiteral("SELECT count(*) FROM w3t7.t")), QStringLiteral("1"));
    EXPECT_EQ(form->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
                         " WHERE n.nspname = 'w3t7' AND c.relkind = 'r'"),
              "1");
    EXPECT_EQ(form->dbsMain().ExecScalar(QStringLiteral(
                  "SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace"
                  " WHERE n.nspname = 'w3t7' AND c.relkind = 'r'")),
              QStringLiteral("1"));

    // A fixed value the column cannot take: the server's own error, and
    // the user's row still pending.
    SelectColumn(w, 3);
    ChooseKind(w, QStringLiteral("固定値"));
    w->txtVariable->setFocus();
    QTest::keyClicks(w->txtVariable, QStringLiteral("'abc'"));
    s.dialogs.clear();
    s.dialogs.queueButton(IDYES);
    QTest::mouseClick(w->tolCmd->widgetForAction(w->btnTest), Qt::LeftButton);
    const QString shown = s.dialogs.texts().join(u'\n');
    EXPECT_TRUE(shown.contains(QStringLiteral("invalid input syntax for type integer"))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("DROP"), Qt::CaseInsensitive)) << shown.toStdString();
    EXPECT_EQ(form->dbsMain().ExecScalar(QStringLiteral("SELECT name FROM w3t7.t")), QStringLiteral("mine"));
    w->Close();
}

TEST_F(DataGenWindowRules, UpdateModeTestShowsTheRowsAfterAFailedUpdate)
{
    Open();
    TV_REQUIRE_DB(*db);
    db->exec("INSERT INTO w3t7.t(name, price) SELECT 'n' || g, g FROM generate_series(1, 150) g");
    w->rdoUpdate->click();
    // price: a fixed value the column cannot take.
    SelectColumn(w, 2);
    ChooseKind(w, QStringLiteral("固定値"));
    w->txtVariable->setFocus();
    QTest::keyClicks(w->txtVariable, QStringLiteral("'x'"));
    w->txtWhere->setPlainText(QStringLiteral("id <= 5 ORDER BY id"));
    s.dialogs.queueButton(IDYES);
    QTest::mouseClick(w->tolCmd->widgetForAction(w->btnTest), Qt::LeftButton);
    EXPECT_TRUE(s.dialogs.texts().contains(QStringLiteral("テストに失敗しました。")))
        << s.dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(w->fraData->dsrTableData.RecordCount(), 100);
    EXPECT_EQ(db->scalar("SELECT sum(price)::int FROM w3t7.t WHERE id <= 5"), "15");
    w->Close();
}

// The program's session is ended from a second connection after a commit:
// the log says the run broke off and how many rows are in the table, which
// the server confirms.
TEST_F(DataGenWindowRules, ALostConnectionEndsTheRunWithTheRowsInTheTable)
{
    Open(false);
    TV_REQUIRE_DB(*db);
    tvOption.DataGenCommit = 7;
    const int pid = form->dbsMain().BackendPid();
    w->txtCount->setFocus();
    QTest::keyClicks(w->txtCount, QStringLiteral("1000000"));
    bool ended = false;
    QTimer killer;
    QObject::connect(&killer, &QTimer::timeout, [&] {
        if (ended || !w->txtLog->Lines()->Text().contains(QStringLiteral("件のデータを確定")))
            return;
        ended = true;
        db->exec("SELECT pg_terminate_backend(" + std::to_string(pid) + ")");
    });
    killer.start(0);
    s.dialogs.queueButton(IDYES);
    QTest::mouseClick(w->tolCmd->widgetForAction(w->btnExec), Qt::LeftButton);
    killer.stop();
    ASSERT_TRUE(ended);
    const QString log = w->txtLog->Lines()->Text();
    EXPECT_TRUE(log.contains(QStringLiteral("サーバーとの接続が切断されたため、処理を中断しました。"))) << log.toStdString();
    const std::string rows = db->scalar("SELECT count(*) FROM w3t7.t");
    EXPECT_NE(rows, "0");
    EXPECT_EQ(std::stoll(rows) % 7, 0) << rows;
    EXPECT_TRUE(log.contains(QStringLiteral("テーブルに登録されたデータ: %1 件").arg(QString::fromStdString(rows))))
        << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("データ作成処理が終了しました。"))) << log.toStdString();
}

TEST_F(DataGenWindowRules, EndToEndFixedValueRunKeepsItsRule)
{
    Open();
    TV_REQUIRE_DB(*db);
    SelectColumn(w, 1);
    ChooseKind(w, QStringLiteral("固定値"));
    w->txtVariable->setFocus();
    QTest::keyClicks(w->txtVariable, QStringLiteral("'w3t7'"));
    w->txtCount->setFocus();
    QTest::keyClicks(w->txtCount, QStringLiteral("25"));
    s.dialogs.queueButton(IDYES);
    QTest::mouseClick(w->tolCmd->widgetForAction(w->btnExec), Qt::LeftButton);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("データを生成します。よろしいですか？"));
    EXPECT_EQ(db->scalar("SELECT count(*) FROM w3t7.t WHERE name = 'w3t7'"), "25");
    w->Close();
    // The settings file keeps the rule: the next window offers it.
    s.dialogs.queueButton(IDYES);
    TLaunchContext c;
    c.Connection = form;
    c.MainWindow = s.main.get();
    c.Schema = QStringLiteral("w3t7");
    c.ObjectName = QStringLiteral("t");
    auto *again = qobject_cast<TfrmDataGenerate *>(Launch(QStringLiteral("TfrmDataGenerate"), c));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->lstColumn->topLevelItem(1)->text(3), QStringLiteral("固定値"));
    EXPECT_EQ(again->lstColumn->topLevelItem(1)->text(4), QStringLiteral("'w3t7'"));
    EXPECT_EQ(again->txtCount->text(), QStringLiteral("25"));
    again->Close();
}

TEST_F(DataGenWindowRules, DateAndTimePickersKeepSeconds)
{
    Open(true, "ALTER TABLE w3t7.t ADD COLUMN at timestamp, ADD COLUMN day date;");
    TV_REQUIRE_DB(*db);
    SelectColumn(w, 3);
    ChooseKind(w, QStringLiteral("乱数値(日時)"));
    EXPECT_EQ(w->pagSetType->currentWidget(), w->tabDtTm);
    EXPECT_TRUE(w->dtpToTm->isVisibleTo(w));
    w->dtpFromDt->setDate(QDate(2020, 2, 3));
    w->dtpFromTm->setTime(QTime(10, 20, 30, 500));
    EXPECT_EQ(w->Job().Cols.at(3).DateFrom, QDateTime(QDate(2020, 2, 3), QTime(10, 20, 30)));
    ChooseKind(w, QStringLiteral("連番(日時)"));
    EXPECT_FALSE(w->dtpToTm->isVisibleTo(w));
    EXPECT_EQ(w->Job().Cols.at(3).DateFrom, QDateTime(QDate(2020, 2, 3), QTime(10, 20, 30)));

    // A date column: whole days.
    SelectColumn(w, 4);
    ChooseKind(w, QStringLiteral("乱数値(日付)"));
    w->dtpToDate->setDate(QDate(2021, 5, 6));
    EXPECT_EQ(w->Job().Cols.at(4).DateTo, QDateTime(QDate(2021, 5, 6), QTime(0, 0)));
    // Shown again after another row.
    SelectColumn(w, 3);
    EXPECT_EQ(w->dtpFromTm->time(), QTime(10, 20, 30));
    EXPECT_EQ(w->cmbSetType->currentText(), QStringLiteral("連番(日時)"));
    w->Close();
}

// As a user: the program started with the command line, s.t opened from the
// object list with a double click, "生成(&W)", 作成件数 120, "実行(&E)", Yes:
// another session counts 120 rows and DATAGEN/t.prm keeps mode and count.
TEST(DataGenWindow, EndToEndFromTheTableWindow)
{
    TestDb db("dge2e");
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA s; CREATE TABLE s.t(id serial primary key, name varchar(20) NOT NULL,"
            " price numeric(10,2));");
    RegisterTableWindows();
    TfrmDataGenerate::RegisterLauncher();
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    s.main->show();
    TfrmObject *form = s.Form(0);
    ASSERT_NE(form, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
    form->ShowTree();
    QTreeWidgetItem *node = Child(Child(form->tvTree->topLevelItem(0), QStringLiteral("s")), QStringLiteral("TABLE"));
    ASSERT_NE(node, nullptr);
    form->tvTree->setCurrentItem(node);
    TtvListItem *item = FindListItem(form->lstObject, QStringLiteral("t"));
    ASSERT_NE(item, nullptr);
    form->lstObject->scrollToItem(item);
    const QRect r = form->lstObject->visualItemRect(item);
    const QPoint at(r.left() + 8, r.center().y());
    QTest::mouseClick(form->lstObject->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(form->lstObject->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(WindowsOf<TfrmTable>(s).size(), 1);
    TfrmTable *table = WindowsOf<TfrmTable>(s).first();
    table->UpdateActions();
    QWidget *generate = table->tolCmd->widgetForAction(table->actDataGenerate);
    ASSERT_NE(generate, nullptr);
    ASSERT_TRUE(generate->isEnabled());
    QTest::mouseClick(generate, Qt::LeftButton);
    ASSERT_EQ(WindowsOf<TfrmDataGenerate>(s).size(), 1);
    TfrmDataGenerate *w = WindowsOf<TfrmDataGenerate>(s).first();
    w->txtCount->setFocus();
    QTest::keyClicks(w->txtCount, QStringLiteral("120"));
    s.dialogs.queueButton(IDYES);
    Click(w, w->btnExec);
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("データを生成します。よろしいですか？"));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM s.t"), "120");
    QFile prm(ParamFileName(QStringLiteral("t")));
    ASSERT_TRUE(prm.open(QIODevice::ReadOnly));
    const QByteArray text = prm.readAll();
    EXPECT_TRUE(text.contains("MODE=\"0\"")) << text.toStdString();
    EXPECT_TRUE(text.contains("COUNT=\"120\"")) << text.toStdString();
    w->Close();
}

// The column list takes the room between the mode group and the rule panel,
// as the user resizes the window: at the designed size (client 678 × 687)
// with no column chosen it shows ten rows and no empty rule panel below
// it; at the window's least size (its first size in a small MDI area) it
// still shows eight; a rule with an editor then scrolls in its box below
// the list, the window keeping its size.
TEST_F(DataGenWindowRules, TheColumnListTakesTheRoomAboveTheRules)
{
    Open();
    TV_REQUIRE_DB(*db);
    ASSERT_TRUE(PollUntil([&] { return w->lstColumn->isVisible(); }));
    QWidget *frame = w->parentWidget();
    ASSERT_NE(frame, nullptr);
    auto resizeTo = [&](QSize client) {
        frame->resize(frame->size() - w->size() + client);
        PollUntil([&] { return w->height() == std::max(client.height(), w->minimumSizeHint().height()); }, 5000);
        QTest::qWait(0);
    };
    const int row = w->lstColumn->visualItemRect(w->lstColumn->topLevelItem(0)).height();
    ASSERT_GT(row, 0);
    QWidget *panel = w->pagSetType->parentWidget();
    auto rows = [&] { return w->lstColumn->viewport()->height() / row; };

    resizeTo(QSize(678, 687));
    EXPECT_EQ(w->height(), 687);
    EXPECT_GE(rows(), 10) << "a list " << w->lstColumn->viewport()->height() << " high";
    EXPECT_LE(panel->height(), panel->minimumSizeHint().height() + 2);

    resizeTo(QSize(678, w->minimumSizeHint().height()));
    EXPECT_GE(rows(), 8) << "a list " << w->lstColumn->viewport()->height() << " high at the least size";

    // From there a rule with an editor: the window keeps its size, the list
    // its rows and the selected column in sight; the user scrolls the rule
    // to the editor, which is not squeezed.
    const QSize least = w->size();
    SelectColumn(w, 1);
    ChooseKind(w, QStringLiteral("固定値"));
    ASSERT_TRUE(PollUntil([&] { return w->txtVariable->isVisible(); }, 5000));
    QTest::qWait(0);
    EXPECT_EQ(w->size(), least);
    EXPECT_GE(rows(), 8);
    EXPECT_GE(w->txtVariable->height(), w->txtVariable->minimumSizeHint().height());
    auto *box = qobject_cast<TtvScrollBox *>(panel->parentWidget()->parentWidget());
    ASSERT_NE(box, nullptr);
    QScrollBar *bar = box->verticalScrollBar();
    ASSERT_TRUE(PollUntil([&] { return bar->isVisible() && bar->maximum() > 0; }));
    QTest::keyClick(bar, Qt::Key_End);
    ASSERT_TRUE(PollUntil([&] { return bar->value() == bar->maximum(); }));
    EXPECT_TRUE(box->viewport()->rect().contains(
        QRect(w->txtVariable->mapTo(box->viewport(), QPoint(0, 0)), w->txtVariable->size())));
    EXPECT_TRUE(w->lstColumn->currentItem() &&
                w->lstColumn->viewport()->rect().contains(w->lstColumn->visualItemRect(w->lstColumn->currentItem())));
}
