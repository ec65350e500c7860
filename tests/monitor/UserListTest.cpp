// The user, role and schema list and the tablespace list inside the real
// main window, against the test server, driven as a user would: the 管理
// menu, tabs, selections, Delete, F2, the script output dialog and the
// scripted confirmations. Roles and tablespaces belong to the whole cluster:
// their names carry the test database's name, and the tests drop them.
#include "shell/ShellTestSupport.h"

#include "common/ScriptOption.h"
#include "controls/tvListView.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "monitor/MonitorLaunchers.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/frmTBS.h"
#include "monitor/frmStorage.h"
#include "monitor/frmUserList.h"
#include "platform/db/Connection.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "sql/frmSQL.h"
#include "tools/frmExp.h"
#include "tools/frmScriptOption.h"
#include "support/TestSession.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>

using namespace tvtest;
using tv::ui::ScriptedDialogs;

namespace {

// Runs `work` on the next modal dialog of that class as soon as it shows.
template <class Dlg>
void OnNextModal(std::function<void(Dlg *)> work)
{
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> weak = poll;
    *poll = [work, weak] {
        if (auto *d = qobject_cast<Dlg *>(QApplication::activeModalWidget())) {
            work(d);
            return;
        }
        if (auto p = weak.lock())
            QTimer::singleShot(10, *p);
    };
    QTimer::singleShot(0, *poll);
    static std::vector<std::shared_ptr<std::function<void()>>> keep;
    keep.push_back(poll);
}

// Clicks a check box on its box, as the user would.
void Tick(QCheckBox *c)
{
    QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(8, c->height() / 2));
}

class Lists : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterMonitorWindows();
        RegisterOtherWindows();
        TfrmExp::RegisterLauncher();
        TfrmScriptOption::RegisterLauncher();
        tag = db.params().database.toLower();
    }

    TfrmObject *Logon(bool autoCommit, const QStringList &args = {})
    {
        s.Start(args.isEmpty() ? LogonArgs(db.params()) : args);
        tvOption.UpdateToCommit = autoCommit;
        tvOption.DelErr = false;
        ScriptOption = TScriptOption{};
        s.FirstPaint();
        s.main->show();
        TfrmObject *f = s.Form();
        EXPECT_NE(f, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        return f;
    }

    TfrmUserList *OpenUserList()
    {
        s.main->Action(QStringLiteral("actAdminUser"))->trigger();
        return s.main->FindWindowOf<TfrmUserList>(QStringLiteral("ユーザー情報 - ") + s.Form()->ConnectionText(),
                                                  false);
    }

    TfrmStorage *OpenStorage()
    {
        s.main->Action(QStringLiteral("actAdminStorage"))->trigger();
        return s.main->FindWindowOf<TfrmStorage>(
            QStringLiteral("テーブルスペース情報 - ") + s.Form()->ConnectionText(), false);
    }

    std::unique_ptr<tv::db::Connection> Connect(const QString &user = QString(), const QString &password = QString()) const
    {
        tv::db::ConnectionParams p = tvtest::SessionParams(db);
        if (!user.isEmpty()) {
            p.User_Name = user;
            p.Password = password;
        }
        return tvtest::OpenSession(p);
    }

    std::string Role(const char *suffix) const { return (tag + QLatin1Char('_') + QLatin1String(suffix)).toStdString(); }
    std::string RoleExists(const std::string &name) const
    {
        return db.scalar("SELECT count(*) FROM pg_roles WHERE rolname = '" + name + "'");
    }

    static void Select(TtvListView *l, const QStringList &names) { SelectListItems(l, names); }

    TestDb db{"w3t8"};
    QString tag;
    ShellSession s;
};

} // namespace

// ---------------------------------------------------------------------------
// Pure parts

TEST(StorageSize, TextByUnit)
{
    struct Case {
        qint64 bytes;
        const char *unit;
        const char *text;
    } cases[] = {
        {51200, "KB", "50.0"},     {51200, "MB", "0.1未満"}, {51200, "GB", "0.1未満"},
        {51200, "B", "51200"},     {0, "KB", "0"},           {0, "MB", "0"},
        {0, "GB", "0"},            {0, "B", "0"},            {-1, "MB", "(非表示)"},
        {-1, "B", "(非表示)"},     {1048576, "MB", "1.0"},   {107374182, "GB", "0.1未満"}, {107374183, "GB", "0.1"},
        {5368709120, "GB", "5.0"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TfrmStorage::SizeText(c.bytes, QString::fromLatin1(c.unit)), QString::fromUtf8(c.text))
            << c.bytes << " " << c.unit;
}

TEST(UserListSQL, VersionGatesAndSchemaPattern)
{
    const QString users = TfrmUserList::ListSQL(3, 150000, false);
    EXPECT_TRUE(users.contains(QStringLiteral(", NULL, TO_CHAR(rolvaliduntil")));
    EXPECT_TRUE(users.contains(QStringLiteral("rolreplication")));
    EXPECT_TRUE(users.contains(QStringLiteral("WHERE rolcanlogin = True")));
    EXPECT_TRUE(TfrmUserList::ListSQL(68, 90400, false).contains(QStringLiteral(", rolcatupdate")));
    EXPECT_FALSE(TfrmUserList::ListSQL(68, 90000, false).contains(QStringLiteral("rolreplication")));
    EXPECT_FALSE(TfrmUserList::ListSQL(68, 150000, false).contains(QStringLiteral("rolvaliduntil")));
    EXPECT_TRUE(TfrmUserList::ListSQL(4, 150000, false).contains(QStringLiteral("LIKE 'pg\\_%'")));
    EXPECT_TRUE(TfrmUserList::ListSQL(4, 150000, true).contains(QStringLiteral("nspobjecttype = 0")));
    EXPECT_EQ(TfrmUserList::ListColumns(3, 90000, false).size(), 8);
    EXPECT_EQ(TfrmUserList::ListColumns(3, 150000, true).size(), 12);
    EXPECT_EQ(TfrmUserList::ListColumns(68, 150000, false).size(), 8);
}

TEST(ListActionsText, FilesAndRenames)
{
    EXPECT_EQ(listactions::ScriptFilePath(QStringLiteral("/o/"), 68, QStringLiteral("../x"), false),
              QStringLiteral("/o/..x.SQL"));
    EXPECT_EQ(listactions::ScriptFilePath(QStringLiteral("/o/"), 3, QStringLiteral("u"), true),
              QStringLiteral("/o/USER/u.SQL"));
    EXPECT_EQ(listactions::ScriptFilePath(QStringLiteral("/o/"), 4, QStringLiteral("s"), true),
              QStringLiteral("/o/s.SQL"));
    EXPECT_EQ(listactions::ScriptFilePath(QStringLiteral("/o/"), 69, QStringLiteral("t"), true),
              QStringLiteral("/o/TABLESPACE/t.SQL"));
    EXPECT_EQ(listactions::RenameSQL(QStringLiteral("ALTER ROLE "), QStringLiteral("a"), QStringLiteral("b")),
              QStringLiteral("ALTER ROLE \"a\" RENAME TO \"b\""));
    EXPECT_TRUE(listactions::RenameSQL(QStringLiteral("ALTER ROLE "), QStringLiteral("a"), QStringLiteral("a")).isEmpty());
}

// ---------------------------------------------------------------------------
// User, role and schema list

TEST_F(Lists, TabsOwnUserAndBackupOfSchemas)
{
    TV_REQUIRE_DB(db);
    const std::string other = Role("u2"), role = Role("r");
    db.exec("CREATE ROLE \"" + other + "\" LOGIN; CREATE ROLE \"" + role + "\" NOLOGIN;"
            "CREATE SCHEMA w3t8a; CREATE SCHEMA w3t8b; CREATE SCHEMA pgx");
    TfrmObject *f = Logon(true);
    ASSERT_NE(f, nullptr);
    TfrmUserList *w = OpenUserList();
    ASSERT_NE(w, nullptr);
    TtvListView *l = w->lstObject;
    ASSERT_EQ(w->TabCode(), 3);
    EXPECT_EQ(l->headerItem()->text(6), QStringLiteral("システムカタログ更新"));
    TtvListItem *own = FindListItem(l, db.params().user);
    TtvListItem *two = FindListItem(l, QString::fromStdString(other));
    ASSERT_NE(own, nullptr);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(ItemImageIndex(own), 3);
    EXPECT_EQ(ItemImageIndex(two), 2);
    for (int i = 0; i < l->ItemCount(); ++i)
        EXPECT_EQ(l->Item(i)->SubItem(5), QString()) << l->Item(i)->Caption().toStdString();
    EXPECT_EQ(FindListItem(l, QString::fromStdString(role)), nullptr);

    Select(l, {QString::fromStdString(other)});
    EXPECT_TRUE(w->actDelete->isEnabled());
    EXPECT_FALSE(w->actExport->isEnabled());

    w->pagUsrList->setCurrentIndex(1);
    ASSERT_EQ(w->TabCode(), 68);
    ASSERT_NE(FindListItem(l, QString::fromStdString(role), 68), nullptr);
    EXPECT_EQ(FindListItem(l, QString::fromStdString(other)), nullptr);
    Select(l, {QString::fromStdString(role)});
    EXPECT_FALSE(w->actExport->isEnabled());

    w->pagUsrList->setCurrentIndex(2);
    ASSERT_EQ(w->TabCode(), 4);
    EXPECT_NE(FindListItem(l, QStringLiteral("pgx"), 4), nullptr) << "only pg_ names are system schemas";
    EXPECT_NE(FindListItem(l, QStringLiteral("pg_catalog"), 4), nullptr);
    EXPECT_EQ(FindListItem(l, QStringLiteral("pg_toast")), nullptr);
    Select(l, {QStringLiteral("w3t8a"), QStringLiteral("w3t8b")});
    ASSERT_TRUE(w->actExport->isEnabled());
    w->actExport->trigger();
    auto *exp = s.main->FindWindowOf<TfrmExp>(QStringLiteral("バックアップ - ") + f->ConnectionText(), false);
    ASSERT_NE(exp, nullptr);
    EXPECT_EQ(exp->rdoMode->ItemIndex(), 1);
    QStringList chosen;
    for (int i = 0; i < exp->lstSelect->ItemCount(); ++i)
        chosen << exp->lstSelect->Item(i)->Caption();
    EXPECT_EQ(chosen, (QStringList{QStringLiteral("w3t8a"), QStringLiteral("w3t8b")}));

    s.main.reset();
    db.exec("DROP ROLE \"" + other + "\"; DROP ROLE \"" + role + "\"");
}

// Dropping three roles with errors ignored: the first owns a table, so it
// fails in the first pass, is tried alone in a second and its error shown;
// the other two are gone. Then renaming by F2.
TEST_F(Lists, DropPassesAndRename)
{
    TV_REQUIRE_DB(db);
    const std::string a = Role("a"), b = Role("b"), c = Role("c");
    for (const std::string &r : {a, b, c})
        db.exec("CREATE ROLE \"" + r + "\" NOLOGIN");
    db.exec("CREATE TABLE owned(x int); ALTER TABLE owned OWNER TO \"" + a + "\"");
    TfrmObject *f = Logon(false);
    ASSERT_NE(f, nullptr);
    TfrmUserList *w = OpenUserList();
    ASSERT_NE(w, nullptr);
    w->pagUsrList->setCurrentIndex(1);
    TtvListView *l = w->lstObject;
    const QString qa = QString::fromStdString(a), qb = QString::fromStdString(b), qc = QString::fromStdString(c);
    Select(l, {qa, qb, qc});
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES, {true});
    l->setFocus();
    QTest::keyClick(l, Qt::Key_Delete);
    const auto &calls = s.dialogs.calls();
    ASSERT_GE(calls.size(), 2);
    EXPECT_EQ(calls.at(0).text, QStringLiteral("オブジェクトを削除しますか？"));
    ASSERT_EQ(calls.at(0).checks.size(), 1);
    EXPECT_EQ(calls.at(0).checks.at(0).caption, QStringLiteral("削除時のエラーを無視する"));
    EXPECT_EQ(calls.at(0).flags & tv::ui::MB_DEFMASK, tv::ui::MB_DEFBUTTON2);
    EXPECT_TRUE(tvOption.DelErr);
    EXPECT_TRUE(calls.at(1).text.contains(QStringLiteral("depend"))) << calls.at(1).text.toStdString();
    EXPECT_FALSE(s.dialogs.texts().contains(QStringLiteral("オブジェクトが削除されました。")));
    EXPECT_EQ(FindListItem(l, qb), nullptr);
    EXPECT_EQ(FindListItem(l, qc), nullptr);
    ASSERT_NE(FindListItem(l, qa), nullptr);
    EXPECT_TRUE(FindListItem(l, qa)->isSelected());
    // Inside the open block the two drops wait for the commit; the session
    // is still usable.
    EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    f->dbsMain().Commit();
    EXPECT_EQ(RoleExists(b), "0");
    EXPECT_EQ(RoleExists(c), "0");
    EXPECT_EQ(RoleExists(a), "1");

    // F2: a to a new name, then the same text, which sends nothing.
    const QString renamed = qa + QStringLiteral("x");
    const int windows = int(s.main->MdiChildren().size());
    Select(l, {qa});
    l->setCurrentItem(FindListItem(l, qa));
    s.dialogs.clear();
    QTest::keyClick(l, Qt::Key_F2);
    auto *edit = tvtest::InPlaceEditor(l);
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, renamed);
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(PollUntil([&] { return FindListItem(l, renamed) != nullptr; }))
        << "messages: " << s.dialogs.texts().join('|').toStdString() << "; session "
        << int(f->dbsMain().transactionState()) << "; server: " << db.scalar(
               "SELECT string_agg(state || ' ' || wait_event_type || ':' || wait_event || ' ' || left(query, 60), ' / ')"
               " FROM pg_stat_activity WHERE wait_event_type = 'Lock'");
    f->dbsMain().Commit();
    EXPECT_EQ(RoleExists(renamed.toStdString()), "1");
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join('|').toStdString();
    EXPECT_EQ(s.main->MdiChildren().size(), windows) << "the Enter that ends the edit opens no window";
    Select(l, {renamed});
    l->setCurrentItem(FindListItem(l, renamed));
    QTest::keyClick(l, Qt::Key_F2);
    edit = tvtest::InPlaceEditor(l);
    ASSERT_NE(edit, nullptr);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::qWait(50);
    QApplication::processEvents();
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << "same text: nothing sent " << s.dialogs.texts().join('|').toStdString();
    EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);

    s.main.reset();
    db.exec("DROP TABLE owned; DROP ROLE \"" + renamed.toStdString() + "\"");
}

// The user renames and drops in the user list while the SQL window's
// statement runs on the same session: the keys wait for the statement, then
// both reach the server; nothing is refused and no message is shown.
TEST_F(Lists, RenameAndDropTypedWhileAStatementRunsWaitForIt)
{
    TV_REQUIRE_DB(db);
    const std::string a = Role("ha"), b = Role("hb");
    for (const std::string &r : {a, b})
        db.exec("CREATE ROLE \"" + r + "\" NOLOGIN");
    TfrmObject *f = Logon(true);
    ASSERT_NE(f, nullptr);
    TfrmUserList *w = OpenUserList();
    ASSERT_NE(w, nullptr);
    w->pagUsrList->setCurrentIndex(1);
    TtvListView *l = w->lstObject;
    const QString qa = QString::fromStdString(a), qb = QString::fromStdString(b);
    const QString renamed = qa + QStringLiteral("y");
    auto *sql = new TfrmSQL(f);
    sql->ShowForm();
    sql->txtSQL->Lines()->SetText(QStringLiteral("select pg_sleep(0.5)"));
    sql->txtSQL->SetModified(true);
    ASSERT_TRUE(PollUntil([&] { return sql->btnExec->isEnabled(); }));
    s.dialogs.clear();

    // Runs `keys` once the statement is under way, and tells what the list
    // showed right after them.
    auto runWith = [&](std::function<void()> keys) {
        bool typed = false;
        QTimer during;
        during.setInterval(5);
        QObject::connect(&during, &QTimer::timeout, [&] {
            if (!f->dbsMain().Busy())
                return;
            during.stop();
            keys();
            typed = true;
        });
        during.start();
        sql->btnExec->click();
        EXPECT_TRUE(typed);
    };

    // F2 was pressed before; the name is finished and Enter pressed while
    // the statement runs.
    Select(l, {qa});
    l->setCurrentItem(FindListItem(l, qa));
    l->setFocus();
    QTest::keyClick(l, Qt::Key_F2);
    QLineEdit *edit = tvtest::InPlaceEditor(l);
    ASSERT_NE(edit, nullptr);
    QString textDuringRun;
    runWith([&] {
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClick(edit, Qt::Key_Y);
        QTest::keyClick(edit, Qt::Key_Return);
        textDuringRun = edit->text();
    });
    EXPECT_EQ(textDuringRun, qa) << "the keys wait for the statement";
    ASSERT_TRUE(PollUntil([&] { return RoleExists(renamed.toStdString()) == "1"; }))
        << "messages: " << s.dialogs.texts().join('|').toStdString();
    EXPECT_TRUE(PollUntil([&] { return FindListItem(l, renamed) != nullptr; }));

    // Delete with the confirmation answered: the drop follows the statement.
    Select(l, {qb});
    l->setCurrentItem(FindListItem(l, qb));
    l->setFocus();
    s.dialogs.queueButton(tv::ui::IDYES);
    runWith([&] { QTest::keyClick(l, Qt::Key_Delete); });
    EXPECT_EQ(RoleExists(b), "1") << "nothing dropped while the statement ran";
    ASSERT_TRUE(PollUntil([&] { return RoleExists(b) == "0"; }))
        << "messages: " << s.dialogs.texts().join('|').toStdString();
    EXPECT_EQ(s.dialogs.texts().filter(QStringLiteral("実行中")), QStringList());
    EXPECT_EQ(s.dialogs.texts().first(), QStringLiteral("オブジェクトを削除しますか？"));

    s.main.reset();
    db.exec("DROP ROLE IF EXISTS \"" + renamed.toStdString() + "\"");
}

// Script output from the list with a missing name table: the message with
// the server's text, and the dialog stays open.
TEST_F(Lists, ScriptWithMissingNameTable)
{
    TV_REQUIRE_DB(db);
    const std::string role = Role("s");
    db.exec("CREATE ROLE \"" + role + "\" NOLOGIN");
    TfrmObject *f = Logon(false);
    ASSERT_NE(f, nullptr);
    TfrmUserList *w = OpenUserList();
    ASSERT_NE(w, nullptr);
    w->pagUsrList->setCurrentIndex(1);
    Select(w->lstObject, {QString::fromStdString(role)});
    bool ran = false;
    OnNextModal<TfrmScriptOption>([&](TfrmScriptOption *d) {
        ran = true;
        EXPECT_EQ(d->windowTitle(), QStringLiteral("スクリプト出力"));
        EXPECT_EQ(d->btnOk->text(), QStringLiteral("開始"));
        EXPECT_TRUE(d->cmbNameTable->isEnabled());
        d->cmbNameTable->setEditText(QStringLiteral("w3t8.missing"));
        QTest::mouseClick(d->btnOk, Qt::LeftButton);
        EXPECT_TRUE(d->isVisible());
        QTest::mouseClick(d->btnCancel, Qt::LeftButton);
    });
    w->actScript->trigger();
    ASSERT_TRUE(ran);
    const QStringList texts = s.dialogs.texts();
    ASSERT_EQ(texts.size(), 1) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.at(0).startsWith(QStringLiteral("名前TBL名が無効です。\r\n"))) << texts.at(0).toStdString();
    EXPECT_TRUE(texts.at(0).contains(QStringLiteral("w3t8.missing"))) << texts.at(0).toStdString();
    // The failed check left the user's open block usable.
    EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    s.main.reset();
    db.exec("DROP ROLE \"" + role + "\"");
}

// End to end: the program started with the command line, 管理 → ユーザー情報,
// the role tab, script output into subfolders, then Delete.
TEST_F(Lists, RoleScriptedThenDroppedEndToEnd)
{
    TV_REQUIRE_DB(db);
    const std::string role = "w3t8_r_" + tag.toStdString();
    const QString qrole = QString::fromStdString(role);
    db.exec("CREATE ROLE \"" + role + "\" NOLOGIN");
    TfrmObject *f = Logon(true);
    ASSERT_NE(f, nullptr);
    TfrmUserList *w = OpenUserList();
    ASSERT_NE(w, nullptr);
    w->pagUsrList->setCurrentIndex(1);
    Select(w->lstObject, {qrole});
    const QString folder = s.scratch.file(QStringLiteral("scripts"));
    OnNextModal<TfrmScriptOption>([&](TfrmScriptOption *d) {
        if (!d->chkDir->isChecked())
            Tick(d->chkDir);
        d->txtDir->selectAll();
        QTest::keyClicks(d->txtDir, folder);
        QTest::mouseClick(d->btnOk, Qt::LeftButton);
    });
    w->actScript->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("スクリプトが出力されました。")});
    QFile file(folder + QStringLiteral("/ROLE/") + qrole + QStringLiteral(".SQL"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    const QByteArray bytes = file.readAll();
    const QString text = bytes.contains('\0') ? QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()),
                                                                   bytes.size() / 2)
                                              : QString::fromUtf8(bytes);
    EXPECT_TRUE(text.contains(QStringLiteral("CREATE ROLE"))) << text.toStdString() << bytes.size();
    EXPECT_TRUE(text.contains(qrole)) << text.toStdString();

    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    Select(w->lstObject, {qrole});
    w->lstObject->setFocus();
    QTest::keyClick(w->lstObject, Qt::Key_Delete);
    EXPECT_TRUE(s.dialogs.texts().contains(QStringLiteral("オブジェクトが削除されました。")))
        << s.dialogs.texts().join('|').toStdString();
    auto other = Connect();
    EXPECT_EQ(other->ExecScalar(QStringLiteral("SELECT count(*) FROM pg_roles WHERE rolname = '") + qrole +
                                QStringLiteral("'")),
              QStringLiteral("0"));
    if (RoleExists(role) != "0")
        db.exec("DROP ROLE \"" + role + "\"");
}

// Two schemas into one file with "上書きする" on, twice: the second run
// replaces what the first wrote instead of appending to it.
TEST_F(Lists, SchemasIntoOneFileReplaceTheEarlierRun)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE SCHEMA w3t8x; CREATE SCHEMA w3t8y");
    TfrmObject *f = Logon(true);
    ASSERT_NE(f, nullptr);
    TfrmUserList *w = OpenUserList();
    ASSERT_NE(w, nullptr);
    w->pagUsrList->setCurrentIndex(2);
    ASSERT_EQ(w->TabCode(), 4);
    const QString path = s.scratch.file(QStringLiteral("schemas.sql"));
    for (int run = 0; run < 2; ++run) {
        Select(w->lstObject, {QStringLiteral("w3t8x"), QStringLiteral("w3t8y")});
        OnNextModal<TfrmScriptOption>([&](TfrmScriptOption *d) {
            if (!d->chkOneScript->isChecked())
                Tick(d->chkOneScript);
            if (!d->chkSameName->isChecked())
                Tick(d->chkSameName);
            d->txtDir->setText(path);
            QTest::mouseClick(d->btnOk, Qt::LeftButton);
        });
        s.dialogs.clear();
        w->actScript->trigger();
        EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("スクリプトが出力されました。")});
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    const QString text = bytes.contains('\0') ? QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()),
                                                                   bytes.size() / 2)
                                              : QString::fromUtf8(bytes);
    EXPECT_EQ(text.count(QStringLiteral("CREATE SCHEMA")), 2) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("w3t8x")) && text.contains(QStringLiteral("w3t8y"))) << text.toStdString();
}

// ---------------------------------------------------------------------------
// Tablespace list

// A tablespace made in a scratch folder owned by the server's user, dropped
// by the list with auto-commit off; the session stays usable.
TEST_F(Lists, TablespaceDroppedWithAutoCommitOff)
{
    TV_REQUIRE_DB(db);
    struct stat st {};
    const std::string dataDir = db.scalar("SHOW data_directory");
    if (dataDir.empty() || ::stat(dataDir.c_str(), &st) != 0)
        GTEST_SKIP() << "the server's folder is not on this machine";
    const QString dir = s.scratch.file(QStringLiteral("tbs"));
    ASSERT_TRUE(QDir().mkpath(dir));
    if (::chown(dir.toLocal8Bit().constData(), st.st_uid, st.st_gid) != 0)
        GTEST_SKIP() << "cannot give the folder to the server's user";
    // The scratch folder's parents must let the server in.
    for (QString p = QFileInfo(dir).absolutePath(); p != QLatin1String("/"); p = QFileInfo(p).absolutePath()) {
        const QFile::Permissions perms = QFileInfo(p).permissions();
        if (!(perms & QFile::ExeOther))
            QFile::setPermissions(p, perms | QFile::ExeOther);
    }
    const std::string tbs = Role("tbs");
    db.exec("CREATE TABLESPACE \"" + tbs + "\" LOCATION '" + dir.toStdString() + "'");
    TfrmObject *f = Logon(false);
    ASSERT_NE(f, nullptr);
    TfrmStorage *w = OpenStorage();
    ASSERT_NE(w, nullptr);
    const QString qtbs = QString::fromStdString(tbs);
    TtvListItem *it = FindListItem(w->lstTbs, qtbs, 69);
    ASSERT_NE(it, nullptr);
    EXPECT_EQ(it->SubItem(1), dir);
    EXPECT_NE(it->SubItem(2), QStringLiteral("(非表示)"));
    EXPECT_NE(FindListItem(w->lstTbs, QStringLiteral("pg_default")), nullptr);
    // The search box: name or owner, as typed.
    w->txtFind->setText(qtbs.left(qtbs.size() - 1));
    QTest::keyClick(w->txtFind, Qt::Key_Return);
    EXPECT_EQ(w->lstTbs->ItemCount(), 1) << w->txtFind->text().toStdString() << " " << w->lstTbs->Item(0)->Caption().toStdString();
    w->actRefresh->trigger();
    EXPECT_TRUE(w->txtFind->text().isEmpty());
    EXPECT_GE(w->lstTbs->ItemCount(), 2);

    // Enter opens the tablespace's window; a second Enter brings the same
    // window forward and leaves the item selected.
    auto windows = [&] {
        int n = 0;
        for (QWidget *c : s.main->MdiChildren())
            n += dynamic_cast<TfrmTBS *>(c) != nullptr;
        return n;
    };
    Select(w->lstTbs, {qtbs});
    w->lstTbs->setFocus();
    QTest::keyClick(w->lstTbs, Qt::Key_Return);
    EXPECT_EQ(windows(), 1);
    EXPECT_FALSE(FindListItem(w->lstTbs, qtbs)->isSelected());
    Select(w->lstTbs, {qtbs});
    w->actOpen->trigger();
    EXPECT_EQ(windows(), 1);
    EXPECT_TRUE(FindListItem(w->lstTbs, qtbs)->isSelected());

    // Script output with its privileges, into the type's folder.
    const QString folder = s.scratch.file(QStringLiteral("tbsout"));
    OnNextModal<TfrmScriptOption>([&](TfrmScriptOption *d) {
        Tick(d->chkDir);
        Tick(d->chkGrant);
        d->txtDir->setText(folder);
        QTest::mouseClick(d->btnOk, Qt::LeftButton);
    });
    s.dialogs.clear();
    db.exec("GRANT CREATE ON TABLESPACE \"" + tbs + "\" TO PUBLIC");
    w->actScript->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("スクリプトが出力されました。")});
    QFile script(folder + QStringLiteral("/TABLESPACE/") + qtbs + QStringLiteral(".SQL"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly)) << script.fileName().toStdString();
    const QByteArray bytes = script.readAll();
    const QString text = bytes.contains('\0') ? QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()),
                                                                   bytes.size() / 2)
                                              : QString::fromUtf8(bytes);
    EXPECT_TRUE(text.contains(QStringLiteral("CREATE TABLESPACE"))) << text.toStdString();
    EXPECT_TRUE(ScriptOption.Grant);
    EXPECT_TRUE(text.contains(QStringLiteral("GRANT"))) << text.toStdString() << ScriptOption.GrantMode;

    Select(w->lstTbs, {qtbs});
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    w->lstTbs->setFocus();
    QTest::keyClick(w->lstTbs, Qt::Key_Delete);
    EXPECT_EQ(s.dialogs.texts(), (QStringList{QStringLiteral("オブジェクトを削除しますか？"),
                                              QStringLiteral("オブジェクトが削除されました。")}));
    EXPECT_EQ(s.dialogs.calls().at(0).kind, ScriptedDialogs::Kind::Message);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM pg_tablespace WHERE spcname = '" + tbs + "'"), "0");
    EXPECT_EQ(FindListItem(w->lstTbs, qtbs), nullptr);
    EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_EQ(f->dbsMain().ExecScalar(QStringLiteral("SELECT 1")), QStringLiteral("1"));
}

// "削除時のエラーを無視する" with every selected item failing (roles that own
// a table, tablespaces that hold one): the end message counts the errors,
// the items stay listed and selected, and the server still has them all.
TEST_F(Lists, EveryDropFailingIsReportedWithItsErrorCount)
{
    TV_REQUIRE_DB(db);
    const QStringList roles{QString::fromStdString(Role("fa")), QString::fromStdString(Role("fb"))};
    const QStringList spaces{QString::fromStdString(Role("ta")), QString::fromStdString(Role("tb"))};
    auto admin = Connect();
    ASSERT_NE(admin, nullptr);
    admin->Exec(QStringLiteral("SET allow_in_place_tablespaces = true"));
    for (int i = 0; i < 2; ++i) {
        db.exec("CREATE ROLE \"" + roles[i].toStdString() + "\" NOLOGIN");
        db.exec("CREATE TABLE owned" + std::to_string(i) + " (x int); ALTER TABLE owned" + std::to_string(i) +
                " OWNER TO \"" + roles[i].toStdString() + "\"");
        admin->Exec(QStringLiteral("CREATE TABLESPACE \"%1\" LOCATION ''").arg(spaces[i]));
        db.exec("CREATE TABLE held" + std::to_string(i) + " (x int) TABLESPACE \"" + spaces[i].toStdString() + "\"");
    }
    TfrmObject *f = Logon(true);
    ASSERT_NE(f, nullptr);
    struct Case {
        const char *name;
        std::function<TtvListView *()> open;
        QStringList items;
        const char *count;
    };
    const Case cases[] = {
        {"roles",
         [&]() -> TtvListView * {
             TfrmUserList *w = OpenUserList();
             if (!w)
                 return nullptr;
             w->pagUsrList->setCurrentIndex(1);
             return w->lstObject;
         },
         roles, "SELECT count(*) FROM pg_roles WHERE rolname IN ('%1', '%2')"},
        {"tablespaces",
         [&]() -> TtvListView * {
             TfrmStorage *w = OpenStorage();
             return w ? w->lstTbs : nullptr;
         },
         spaces, "SELECT count(*) FROM pg_tablespace WHERE spcname IN ('%1', '%2')"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TtvListView *l = c.open();
        ASSERT_NE(l, nullptr);
        Select(l, c.items);
        s.dialogs.clear();
        s.dialogs.queueButton(tv::ui::IDYES, {true});
        l->setFocus();
        QTest::keyClick(l, Qt::Key_Delete);
        ASSERT_EQ(s.dialogs.calls().size(), 2) << s.dialogs.texts().join(u'|').toStdString();
        EXPECT_EQ(s.dialogs.texts().at(1), QStringLiteral("オブジェクトが削除されました。\r\nエラー: 2 件"));
        for (const QString &name : c.items) {
            TtvListItem *it = FindListItem(l, name);
            ASSERT_NE(it, nullptr) << name.toStdString();
            EXPECT_TRUE(it->isSelected());
        }
        EXPECT_EQ(db.scalar(QString::fromLatin1(c.count).arg(c.items[0], c.items[1]).toStdString()), "2");
    }
    s.main.reset();
    for (int i = 0; i < 2; ++i) {
        db.exec("DROP TABLE owned" + std::to_string(i) + ", held" + std::to_string(i));
        db.exec("DROP ROLE \"" + roles[i].toStdString() + "\"");
        admin->Exec(QStringLiteral("DROP TABLESPACE \"%1\"").arg(spaces[i]));
    }
}

// A user who is no superuser sees no sizes.
TEST_F(Lists, NonSuperuserSeesNoSizes)
{
    TV_REQUIRE_DB(db);
    const std::string user = Role("nu");
    db.exec("CREATE ROLE \"" + user + "\" LOGIN PASSWORD 'w3t8pw'");
    DbParams p = db.params();
    p.user = QString::fromStdString(user);
    p.password = QStringLiteral("w3t8pw");
    TfrmObject *f = Logon(true, LogonArgs(p));
    if (f) {
        // With UseLowerName off the search box keeps what is typed in lower case.
        tvOption.UseLowerName = false;
        TfrmStorage *w = OpenStorage();
        tvOption.UseLowerName = true;
        ASSERT_NE(w, nullptr);
        ASSERT_GE(w->lstTbs->ItemCount(), 1);
        for (int i = 0; i < w->lstTbs->ItemCount(); ++i)
            EXPECT_EQ(w->lstTbs->Item(i)->SubItem(2), QStringLiteral("(非表示)"));
        // Another owner's tablespace cannot be renamed by this user.
        EXPECT_FALSE(w->Row.CanEdit(FindListItem(w->lstTbs, QStringLiteral("pg_default"))));
        QTest::keyClicks(w->txtFind, QStringLiteral("PG_DEF"));
        QTest::keyClick(w->txtFind, Qt::Key_Return);
        EXPECT_EQ(w->txtFind->text(), QStringLiteral("pg_def"));
        ASSERT_EQ(w->lstTbs->ItemCount(), 1);
        EXPECT_EQ(w->lstTbs->Item(0)->Caption(), QStringLiteral("pg_default"));
    }
    s.main.reset();
    db.exec("DROP ROLE \"" + user + "\"");
}
