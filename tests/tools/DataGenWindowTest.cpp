// The test-data generator's window inside the real main window, opened
// through its launcher with a table in the launch context as the table
// window's "生成(&W)" does, driven as a user would.
#include "objects/table/TableWindowTestSupport.h"
#include "shell/ShellTestSupport.h"

#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/frmTable.h"
#include "controls/tvTreeView.h"
#include "shell/WindowLaunchers.h"
#include "tools/DataGenFile.h"
#include "tools/ToolWidgets.h"
#include "tools/frmDataGenerate.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
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
