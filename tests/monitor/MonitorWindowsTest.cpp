// The session, lock and server-information windows inside the real main
// window, against the test server, driven as a user would: the 管理 menu's
// actions, keys on the lists, the scripted confirmations and inputs.
#include "shell/ShellTestSupport.h"

#include "controls/tvComboBox.h"
#include "controls/tvListBox.h"
#include "controls/tvListView.h"
#include "controls/tvStrEdit.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "monitor/MonitorLaunchers.h"
#include "monitor/frmDB.h"
#include "monitor/frmLock.h"
#include "monitor/frmSession.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "support/TestSession.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTime>

#include <libpq-fe.h>

#include <string>
#include <vector>

using namespace tvtest;
using tv::ui::ScriptedDialogs;

namespace {

// Resets the named ALTER SYSTEM settings and reloads the configuration when
// it goes, so that a test leaves the server as it found it even when it fails.
struct SystemSettingsRestore {
    const TestDb &db;
    std::vector<std::string> names;
    ~SystemSettingsRestore()
    {
        for (const std::string &n : names)
            db.exec("ALTER SYSTEM RESET " + n);
        db.exec("SELECT pg_reload_conf()");
    }
};

class Monitor : public ::testing::Test {
protected:
    void SetUp() override { RegisterMonitorWindows(); }

    TfrmObject *Logon(bool autoCommit)
    {
        s.Start(LogonArgs(db.params()));
        tvOption.UpdateToCommit = autoCommit;
        s.FirstPaint();
        s.main->show();
        TfrmObject *f = s.Form();
        EXPECT_NE(f, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        return f;
    }

    // A session of the test's own (not through the program).
    std::unique_ptr<tv::db::Connection> Connect(const QString &app = QStringLiteral("probe")) const
    {
        tv::db::ConnectionParams p = tvtest::SessionParams(db);
        p.ApplicationName = app;
        return tvtest::OpenSession(p);
    }

    template <class T>
    T *Opened(const QString &title) const
    {
        return s.main->FindWindowOf<T>(title + s.Form()->ConnectionText(), false);
    }

    static TtvListItem *Row(TtvListView *l, const QString &caption, int sub = -1, const QString &value = QString())
    {
        for (int i = 0; i < l->ItemCount(); ++i) {
            TtvListItem *it = l->Item(i);
            if (it->Caption().trimmed() == caption && (sub < 0 || it->SubItem(sub) == value))
                return it;
        }
        return nullptr;
    }

    static bool HasColour(TtvListItem *it, const QColor &c)
    {
        for (int col = 0; col < it->columnCount(); ++col)
            if (it->foreground(col).color() != c || it->foreground(col).style() == Qt::NoBrush)
                return false;
        return true;
    }

    QStringList Texts() const { return s.dialogs.texts(); }

    // A search on the parameters page as a user makes it: a click into the
    // box, the text in place of the old one, Enter. The click matters: the
    // window previews only the keys of the focused control, and the frame
    // may be activated at any read (handing the focus to the connection
    // window's tree) when it was not active yet.
    static void Search(TfrmDB *w, const QString &text)
    {
        QTest::mouseClick(w->txtFind, Qt::LeftButton);
        w->txtFind->selectAll();
        QTest::keyClicks(w->txtFind, text);
        QTest::keyClick(w->txtFind, Qt::Key_Return);
    }
    // The parameter row of that name, or null.
    static TtvListItem *Parameter(TfrmDB *w, const QString &name)
    {
        for (int i = 0; i < w->lstParameter->ItemCount(); ++i)
            if (w->lstParameter->Item(i)->SubItem(0) == name)
                return w->lstParameter->Item(i);
        return nullptr;
    }
    // Whether the list's first row is the parameter of that name.
    static bool FirstParameterIs(TfrmDB *w, const QString &name)
    {
        TtvListItem *first = Row(w->lstParameter, QStringLiteral("1"));
        return first && first->SubItem(0) == name;
    }
    // What a failed search left on the page.
    static std::string SearchState(TfrmDB *w)
    {
        TtvListItem *first = Row(w->lstParameter, QStringLiteral("1"));
        QWidget *focus = QApplication::focusWidget();
        return QStringLiteral("box \"%1\", %2 rows, first \"%3\", focus %4")
            .arg(w->txtFind->text())
            .arg(w->lstParameter->ItemCount())
            .arg(first ? first->SubItem(0) : QString())
            .arg(focus ? focus->objectName() : QStringLiteral("none"))
            .toStdString();
    }

    TestDb db{"mon"};
    ShellSession s;
};

} // namespace

// ---------------------------------------------------------------------------
// Sessions

TEST_F(Monitor, SessionsOfTheOwnDatabaseAndTerminatingOne)
{
    TV_REQUIRE_DB(db);
    for (const bool autoCommit : {true, false}) {
        SCOPED_TRACE(autoCommit ? "auto-commit" : "auto-commit off");
        TfrmObject *f = Logon(autoCommit);
        ASSERT_NE(f, nullptr);
        auto other = Connect();
        const QString otherPid = QString::number(other->BackendPid());

        // 管理 → セッション情報(&S), twice: one window.
        s.main->Action(QStringLiteral("actAdminSession"))->trigger();
        s.main->Action(QStringLiteral("actAdminSession"))->trigger();
        TfrmSession *w = Opened<TfrmSession>(QStringLiteral("セッション情報 - "));
        ASSERT_NE(w, nullptr);
        int windows = 0;
        for (QWidget *c : s.main->MdiChildren())
            windows += dynamic_cast<TfrmSession *>(c) != nullptr;
        EXPECT_EQ(windows, 1);

        // Only the connection's database; the own row blue, the others not.
        ASSERT_GE(w->lstSession->ItemCount(), 2);
        for (int i = 0; i < w->lstSession->ItemCount(); ++i)
            EXPECT_EQ(w->lstSession->Item(i)->SubItem(4), db.params().database);
        TtvListItem *own = Row(w->lstSession, QString::number(f->MYSID()));
        ASSERT_NE(own, nullptr);
        EXPECT_TRUE(HasColour(own, QColor(0, 0, 255)));
        TtvListItem *row = Row(w->lstSession, otherPid);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->foreground(0).style(), Qt::NoBrush);
        EXPECT_EQ(row->SubItem(6), QStringLiteral("probe"));

        // The selected row's statement shows below.
        w->lstSession->setFocus();
        w->lstSession->setCurrentItem(row);
        EXPECT_EQ(w->txtQuery->Lines()->Text().trimmed(), row->SubItem(8));
        EXPECT_TRUE(w->actKill->isEnabled());

        // Delete, No: nothing is sent.
        s.dialogs.queueButton(tv::ui::IDNO);
        QTest::keyClick(w->lstSession, Qt::Key_Delete);
        EXPECT_EQ(Texts().last(), QStringLiteral("指定したセッションを切断しますか？"));
        EXPECT_EQ(s.dialogs.calls().last().flags, tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION);
        EXPECT_NO_THROW(other->Exec(QStringLiteral("SELECT 1")));

        // Delete, Yes: the session ends; a third session no longer sees it,
        // and 最新(&R) no longer lists it.
        s.dialogs.queueButton(tv::ui::IDYES);
        QTest::keyClick(w->lstSession, Qt::Key_Delete);
        auto third = Connect();
        EXPECT_TRUE(PollUntil([&] {
            return third->ExecScalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = ") + otherPid) ==
                   QStringLiteral("0");
        }));
        EXPECT_TRUE(PollUntil([&] {
            w->actRefresh->trigger();
            return Row(w->lstSession, otherPid) == nullptr;
        }));
        // With auto-commit off the user's transaction is still open and usable.
        if (!autoCommit) {
            EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
        }
        s.main.reset();
        s.dialogs.clear();
    }
}

TEST_F(Monitor, AFailingTerminateSaysSoAndReadsAgain)
{
    TV_REQUIRE_DB(db);
    TfrmObject *f = Logon(false);
    ASSERT_NE(f, nullptr);
    TfrmSession *w = TfrmSession::Create(f);
    ASSERT_NE(w, nullptr);
    struct Case {
        const char *what;
        QString pid;
    } cases[] = {
        // The server refuses the statement (out of the integer range).
        {"refused", QStringLiteral("99999999999")},
        // The server answers false: this test program is no backend.
        {"not a backend", QString::number(QCoreApplication::applicationPid())},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TtvListItem *own = Row(w->lstSession, QString::number(f->MYSID()));
        ASSERT_NE(own, nullptr);
        own->SetCaption(c.pid);
        w->lstSession->setCurrentItem(own);
        s.dialogs.queueButton(tv::ui::IDYES);
        w->actKillExecute();
        EXPECT_EQ(Texts().last(), QStringLiteral("切断に失敗しました。"));
        EXPECT_EQ(s.dialogs.calls().last().flags, tv::ui::MB_ICONSTOP);
        // The list was read again and the transaction was not aborted.
        EXPECT_NE(Row(w->lstSession, QString::number(f->MYSID())), nullptr);
        EXPECT_EQ(Row(w->lstSession, c.pid), nullptr);
        EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    }
}

TEST_F(Monitor, EndToEndTerminatingAPsqlSession)
{
    TV_REQUIRE_DB(db);
    TfrmObject *f = Logon(true);
    ASSERT_NE(f, nullptr);
    QProcess psql;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), db.params().password);
    env.insert(QStringLiteral("PGAPPNAME"), QStringLiteral("psql"));
    psql.setProcessEnvironment(env);
    psql.start(QStringLiteral("psql"), {QStringLiteral("-h"), db.params().host, QStringLiteral("-p"),
                                        db.params().port, QStringLiteral("-U"), db.params().user,
                                        QStringLiteral("-d"), db.params().database, QStringLiteral("-c"),
                                        QStringLiteral("select pg_sleep(600)")});
    ASSERT_TRUE(psql.waitForStarted());
    auto probe = Connect();
    ASSERT_TRUE(PollUntil([&] {
        return probe->ExecScalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE query = "
                                                "'select pg_sleep(600)' AND state = 'active'")) == QStringLiteral("1");
    }));

    s.main->Action(QStringLiteral("actAdminSession"))->trigger();
    TfrmSession *w = Opened<TfrmSession>(QStringLiteral("セッション情報 - "));
    ASSERT_NE(w, nullptr);
    TtvListItem *row = nullptr;
    for (int i = 0; i < w->lstSession->ItemCount(); ++i)
        if (w->lstSession->Item(i)->SubItem(8) == QStringLiteral("select pg_sleep(600)"))
            row = w->lstSession->Item(i);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->SubItem(0), QStringLiteral("active"));
    w->lstSession->setFocus();
    w->lstSession->setCurrentItem(row);
    s.dialogs.queueButton(tv::ui::IDYES);
    QTest::keyClick(w->lstSession, Qt::Key_Delete);
    // psql may have ended while the window still waited for the server.
    ASSERT_TRUE(psql.state() == QProcess::NotRunning || psql.waitForFinished(60000));
    EXPECT_NE(psql.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(psql.readAllStandardError())
                    .contains(QStringLiteral("terminating connection due to administrator command")));
}

// ---------------------------------------------------------------------------
// Locks

TEST_F(Monitor, AWaitingLockIsRedAndDurationsGrow)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE t(id int)");
    TfrmObject *f = Logon(false);
    ASSERT_NE(f, nullptr);
    auto holder = Connect();
    holder->Exec(QStringLiteral("BEGIN"));
    holder->Exec(QStringLiteral("LOCK TABLE t IN ACCESS EXCLUSIVE MODE"));
    const QString holderPid = QString::number(holder->BackendPid());

    auto waiterConn = Connect();
    PGconn *waiter = waiterConn->handle();
    const QString waiterPid = QString::number(PQbackendPID(waiter));
    ASSERT_EQ(PQsendQuery(waiter, "SELECT * FROM t"), 1);
    auto probe = Connect();
    ASSERT_TRUE(PollUntil([&] {
        return probe->ExecScalar(QStringLiteral("SELECT count(*) FROM pg_locks WHERE NOT granted AND pid = ") +
                                 waiterPid) == QStringLiteral("1");
    }));

    s.main->Action(QStringLiteral("actAdminLock"))->trigger();
    TfrmLock *w = Opened<TfrmLock>(QStringLiteral("ロック情報 - "));
    ASSERT_NE(w, nullptr);
    TtvListItem *waiting = Row(w->lstLock, waiterPid, 5, QStringLiteral("待ち"));
    ASSERT_NE(waiting, nullptr);
    EXPECT_EQ(waiting->SubItem(3), QStringLiteral("t"));
    EXPECT_TRUE(HasColour(waiting, QColor(255, 0, 0)));
    TtvListItem *held = Row(w->lstLock, holderPid, 4, QStringLiteral("AccessExclusiveLock"));
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->SubItem(5), QStringLiteral("保持"));
    EXPECT_EQ(held->foreground(0).style(), Qt::NoBrush);
    EXPECT_EQ(held->SubItem(7), QStringLiteral("LOCK TABLE t IN ACCESS EXCLUSIVE MODE"));

    const QRegularExpression hms(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d$"));
    const QString first = held->SubItem(6);
    EXPECT_TRUE(hms.match(first).hasMatch()) << first.toStdString();
    // The window's own transaction stays open between the reads, yet the
    // durations grow.
    QTest::qWait(30);
    w->actRefresh->trigger();
    held = Row(w->lstLock, holderPid, 4, QStringLiteral("AccessExclusiveLock"));
    ASSERT_NE(held, nullptr);
    const QString second = held->SubItem(6);
    EXPECT_TRUE(hms.match(second).hasMatch()) << second.toStdString();
    EXPECT_GT(QTime::fromString(second, QStringLiteral("HH:mm:ss.zzz")),
              QTime::fromString(first, QStringLiteral("HH:mm:ss.zzz")));
    // Selecting a row shows its statement.
    w->lstLock->setCurrentItem(held);
    EXPECT_EQ(w->txtQuery->Lines()->Text().trimmed(), QStringLiteral("LOCK TABLE t IN ACCESS EXCLUSIVE MODE"));

    holder->Exec(QStringLiteral("ROLLBACK"));
    while (PGresult *r = PQgetResult(waiter))
        PQclear(r);
}

// ---------------------------------------------------------------------------
// Server information and parameters

TEST_F(Monitor, ServerInformationPages)
{
    TV_REQUIRE_DB(db);
    TfrmObject *f = Logon(true);
    ASSERT_NE(f, nullptr);
    s.main->Action(QStringLiteral("actAdminDatabase"))->trigger();
    TfrmDB *w = Opened<TfrmDB>(QStringLiteral("サーバ情報 - "));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->pagDB->currentWidget(), w->tabDbInfo);

    TtvTreeNode *root = w->lstDbList->TopNode(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), QStringLiteral("サーバ(") + db.params().host + QStringLiteral(")"));
    QStringList names;
    for (int i = 0; i < root->childCount(); ++i)
        names << root->child(i)->text(0);
    EXPECT_TRUE(names.contains(db.params().database));
    EXPECT_FALSE(names.contains(QStringLiteral("template0")));
    EXPECT_FALSE(names.contains(QStringLiteral("template1")));
    ASSERT_NE(w->lstDbList->currentItem(), nullptr);
    EXPECT_EQ(w->lstDbList->currentItem()->text(0), db.params().database);
    ASSERT_EQ(w->lstDbInfo->ItemCount(), 9);
    EXPECT_EQ(w->lstDbInfo->Item(0)->SubItem(1), db.params().database);
    EXPECT_EQ(w->lstDbInfo->Item(8)->SubItem(0), QStringLiteral("データベース最終のシステムOID"));
    EXPECT_EQ(w->lstDbInfo->Item(8)->SubItem(1), QString());
    EXPECT_EQ(w->lstDbInfo->Item(7)->SubItem(1), QStringLiteral("-1"));

    // The root: no properties; another database: its own.
    w->lstDbList->setCurrentItem(root);
    EXPECT_EQ(w->lstDbInfo->ItemCount(), 0);
    const int other = names.indexOf(QStringLiteral("postgres"));
    ASSERT_GE(other, 0);
    w->lstDbList->setCurrentItem(root->child(other));
    ASSERT_EQ(w->lstDbInfo->ItemCount(), 9);
    EXPECT_EQ(w->lstDbInfo->Item(0)->SubItem(1), QStringLiteral("postgres"));

    // Version: ten lines, the 2nd and 5th empty.
    w->pagDB->setCurrentWidget(w->tabVersion);
    ASSERT_EQ(w->lstVersion->count(), 10);
    EXPECT_TRUE(w->lstVersion->item(0)->text().startsWith(QStringLiteral("バージョン      ：PostgreSQL 15")));
    EXPECT_EQ(w->lstVersion->item(1)->text(), QString());
    EXPECT_EQ(w->lstVersion->item(4)->text(), QString());
    EXPECT_TRUE(w->lstVersion->item(5)->text().startsWith(QStringLiteral("Dataディレクトリ：/")));

    // The file ALTER SYSTEM writes.
    ASSERT_TRUE(w->pagDB->isTabVisible(w->pagDB->indexOf(w->tabAutoConf)));
    w->pagDB->setCurrentWidget(w->tabAutoConf);
    EXPECT_TRUE(w->txtAutoConfData->Lines()->Text().contains(QStringLiteral("# Do not edit this file manually!")));
    EXPECT_TRUE(w->txtAutoConfData->Lines()->LineBreakLF());
}

TEST_F(Monitor, ParametersSearchAndSessionChanges)
{
    TV_REQUIRE_DB(db);
    TfrmObject *f = Logon(false);
    ASSERT_NE(f, nullptr);
    TfrmDB *w = TfrmDB::Create(f);
    ASSERT_NE(w, nullptr);
    w->pagDB->setCurrentWidget(w->tabParam);
    auto probe = Connect();
    const int all = probe->ExecScalar(QStringLiteral("SELECT count(*) FROM pg_settings")).toInt();
    EXPECT_EQ(w->cmbCategory->currentText(), QStringLiteral("(全て)"));
    ASSERT_EQ(w->lstParameter->ItemCount(), all);
    EXPECT_EQ(w->lstParameter->Item(0)->Caption(), QStringLiteral("  1"));
    EXPECT_EQ(w->lstParameter->Item(1)->Caption(), QStringLiteral("  2"));
    // The categories: the part before "/", once each.
    EXPECT_GE(w->cmbCategory->findText(QStringLiteral("Resource Usage")), 1);
    EXPECT_EQ(w->cmbCategory->findText(QStringLiteral("Resource Usage / Memory")), -1);

    // The search compares in upper case.
    Search(w, QStringLiteral("WORK_MEM"));
    ASSERT_TRUE(PollUntil([&] {
        return w->lstParameter->ItemCount() < all && Parameter(w, QStringLiteral("work_mem"));
    })) << SearchState(w);
    TtvListItem *row = Parameter(w, QStringLiteral("work_mem"));

    // 8MB for the session: the row shows it after the reload.
    w->lstParameter->setCurrentItem(row);
    ASSERT_TRUE(w->actChangeParam->isEnabled());
    s.dialogs.queueInput(QStringLiteral("8MB"));
    w->actChangeParam->trigger();
    EXPECT_EQ(s.dialogs.calls().last().text, QStringLiteral("work_memの値を変更します。"));
    row = Parameter(w, QStringLiteral("work_mem"));
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->SubItem(2), QStringLiteral("8192"));
    EXPECT_EQ(row->SubItem(3), QStringLiteral("kB"));

    // A value the server refuses: its text reaches the user, the user's
    // transaction stays usable.
    w->lstParameter->setCurrentItem(row);
    s.dialogs.queueInput(QStringLiteral("lots"));
    EXPECT_THROW(w->SetSessionParameter(), tv::db::DbError);
    EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_EQ(f->dbsMain().ExecScalar(QStringLiteral("SHOW work_mem")), QStringLiteral("8MB"));

    // A postmaster parameter cannot be changed for the session.
    Search(w, QStringLiteral("max_connections"));
    ASSERT_TRUE(PollUntil([&] { return FirstParameterIs(w, QStringLiteral("max_connections")); }))
        << SearchState(w);
    row = Row(w->lstParameter, QStringLiteral("1"));
    ASSERT_EQ(row->SubItem(4), QStringLiteral("postmaster"));
    w->lstParameter->setFocus();
    w->lstParameter->setCurrentItem(row);
    EXPECT_FALSE(w->actChangeParam->isEnabled());
    EXPECT_TRUE(w->actAlterSystem->isEnabled());
    const int calls = s.dialogs.calls().size();
    QTest::keyClick(w->lstParameter, Qt::Key_Return);
    w->SetSessionParameter();
    EXPECT_EQ(s.dialogs.calls().size(), calls);
}

TEST_F(Monitor, AlterSystemSetAndResetReachOtherSessions)
{
    TV_REQUIRE_DB(db);
    // Whatever happens, the server's configuration is left as it was.
    SystemSettingsRestore restore{db, {"log_min_duration_statement"}};
    TfrmObject *f = Logon(false);
    ASSERT_NE(f, nullptr);
    TfrmDB *w = TfrmDB::Create(f);
    ASSERT_NE(w, nullptr);
    w->pagDB->setCurrentWidget(w->tabParam);
    Search(w, QStringLiteral("log_min_duration_statement"));
    ASSERT_TRUE(PollUntil([&] { return FirstParameterIs(w, QStringLiteral("log_min_duration_statement")); }))
        << SearchState(w);
    TtvListItem *row = Row(w->lstParameter, QStringLiteral("1"));
    auto shown = [&] {
        auto c = Connect();
        return c->ExecScalar(QStringLiteral("SHOW log_min_duration_statement"));
    };

    w->lstParameter->setCurrentItem(row);
    s.dialogs.queueInput(QStringLiteral("250"));
    w->actAlterSystem->trigger();
    EXPECT_TRUE(PollUntil([&] { return shown() == QStringLiteral("250ms"); }));
    // Inside the user's still open transaction.
    EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    w->pagDB->setCurrentWidget(w->tabAutoConf);
    EXPECT_TRUE(w->txtAutoConfData->Lines()->Text().contains(QStringLiteral("log_min_duration_statement = '250'")));

    w->pagDB->setCurrentWidget(w->tabParam);
    row = Row(w->lstParameter, QStringLiteral("1"));
    ASSERT_NE(row, nullptr);
    w->lstParameter->setCurrentItem(row);
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actAlterSystemReset->trigger();
    EXPECT_EQ(Texts().last(), QStringLiteral("log_min_duration_statement の\r\nALTER SYSTEM 設定を削除しますか？"));
    EXPECT_TRUE(PollUntil([&] { return shown() == QStringLiteral("-1"); }));
    w->pagDB->setCurrentWidget(w->tabAutoConf);
    EXPECT_FALSE(w->txtAutoConfData->Lines()->Text().contains(QStringLiteral("log_min_duration_statement")));

    // No: nothing is sent.
    w->pagDB->setCurrentWidget(w->tabParam);
    w->lstParameter->setCurrentItem(Row(w->lstParameter, QStringLiteral("1")));
    s.dialogs.queueButton(tv::ui::IDNO);
    w->actAlterSystemResetAll->trigger();
    EXPECT_EQ(Texts().last(), QStringLiteral("全ての ALTER SYSTEM 設定を削除しますか？"));
}

TEST_F(Monitor, AlterSystemSetOfAListReadsBackAsTheSameList)
{
    TV_REQUIRE_DB(db);
    // Whatever happens, the server's configuration is left as it was: a
    // broken shared_preload_libraries would keep the cluster from starting.
    SystemSettingsRestore restore{db, {"shared_preload_libraries", "search_path"}};
    TfrmObject *f = Logon(false);
    ASSERT_NE(f, nullptr);
    TfrmDB *w = TfrmDB::Create(f);
    ASSERT_NE(w, nullptr);
    w->pagDB->setCurrentWidget(w->tabParam);
    auto select = [&](const QString &name) {
        Search(w, name);
        EXPECT_TRUE(PollUntil([&] { return FirstParameterIs(w, name); })) << SearchState(w);
        TtvListItem *row = Row(w->lstParameter, QStringLiteral("1"));
        if (row)
            w->lstParameter->setCurrentItem(row);
        return row;
    };
    auto keep = [&] { s.dialogs.queue(ScriptedDialogs::Answer{}); };
    auto shown = [&](const char *name) {
        return Connect()->ExecScalar(QStringLiteral("SHOW ") + QLatin1String(name));
    };

    // search_path as the server shows it, and as a user types it: a fresh
    // session reads the same list (unquoted names folded as the server
    // folds them).
    struct Case {
        QString input, expected;
    } cases[] = {{QStringLiteral("\"$user\", public"), QStringLiteral("\"$user\", public")},
                 {QStringLiteral("Sales, \"HR\",public"), QStringLiteral("sales, \"HR\", public")}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        ASSERT_NE(select(QStringLiteral("search_path")), nullptr);
        s.dialogs.queueInput(c.input);
        w->actAlterSystem->trigger();
        EXPECT_TRUE(PollUntil([&] { return shown("search_path") == c.expected; })) << shown("search_path").toStdString();
    }

    // shared_preload_libraries confirmed unchanged: the file holds both
    // libraries, each on its own.
    TtvListItem *row = select(QStringLiteral("shared_preload_libraries"));
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(row->SubItem(2), QStringLiteral("plugin_debugger,pg_stat_statements"));
    keep();
    w->actAlterSystem->trigger();
    auto probe = Connect();
    auto fileSetting = [&] {
        return probe->ExecScalar(QStringLiteral(
            "SELECT coalesce(string_agg(setting, ';'), '') FROM pg_file_settings"
            " WHERE name = 'shared_preload_libraries' AND sourcefile LIKE '%/postgresql.auto.conf'"));
    };
    EXPECT_EQ(fileSetting(), QStringLiteral("plugin_debugger, pg_stat_statements"));
    w->pagDB->setCurrentWidget(w->tabAutoConf);
    EXPECT_TRUE(w->txtAutoConfData->Lines()->Text().contains(
        QStringLiteral("shared_preload_libraries = 'plugin_debugger, pg_stat_statements'")))
        << w->txtAutoConfData->Lines()->Text().toStdString();

    // An empty list of libraries cannot be written: nothing is sent.
    w->pagDB->setCurrentWidget(w->tabParam);
    ASSERT_NE(select(QStringLiteral("shared_preload_libraries")), nullptr);
    s.dialogs.queueInput(QString());
    EXPECT_THROW(w->ApplyAlterSystem(0), tv::Error);
    EXPECT_EQ(fileSetting(), QStringLiteral("plugin_debugger, pg_stat_statements"));

    // RESET takes it out of the file again.
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actAlterSystemReset->trigger();
    EXPECT_EQ(fileSetting(), QString());
}

// ---------------------------------------------------------------------------
// The connection window's tree menu opens the windows for that connection.

TEST_F(Monitor, TheTreeMenuOpensTheWindowsOfItsOwnConnection)
{
    TV_REQUIRE_DB(db);
    TestDb db2{"mon"};
    TfrmObject *a = Logon(true);
    ASSERT_NE(a, nullptr);
    const DbParams &p = db2.params();
    TfrmObject *b = TfrmObject::Create(s.main.get(), p.host, p.port, p.database, QString(), p.user, p.password);
    ASSERT_NE(b, nullptr);
    // The current connection is b; the menu of a opens a's windows.
    struct Case {
        const char *action;
        QString title;
    } cases[] = {{"actSession", QStringLiteral("セッション情報 - ")},
                 {"actLock", QStringLiteral("ロック情報 - ")},
                 {"actDatabase", QStringLiteral("サーバ情報 - ")}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.action);
        ASSERT_NE(a->Action(QString::fromLatin1(c.action)), nullptr);
        a->Action(QString::fromLatin1(c.action))->trigger();
        QWidget *w = s.main->FindWindow([](QWidget *x) { return dynamic_cast<TtvToolForm *>(x) != nullptr; },
                                        c.title + a->ConnectionText(), false);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(static_cast<TtvToolForm *>(w)->OwnerForm(), a);
        EXPECT_EQ(s.main->FindWindow([](QWidget *x) { return dynamic_cast<TtvToolForm *>(x) != nullptr; },
                                     c.title + b->ConnectionText(), false),
                  nullptr);
    }
}
