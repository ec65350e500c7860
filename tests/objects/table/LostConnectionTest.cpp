// The server ends the program's session under the SQL window and a
// definition window: the next actions in both name the lost connection (the
// first with the server's words, the later ones the same without trying the
// server), nothing the user typed is lost, no window believes a transaction
// is still open, and logging off and on with the program's own commands
// brings back a session that works.
#include "DDLExecUser.h"
#include "TableWindowTestSupport.h"
#include "shell/ModalSteps.h"
#include "shell/ShellTestSupport.h"

#include "controls/tvCheckBox.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/frmIndex.h"
#include "platform/db/DbError.h"
#include "shell/frmLogon.h"
#include "sql/SQLRunner.h"
#include "sql/frmSQL.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QPushButton>

using namespace tvtest;

namespace {

// Auto-commit on and off (UpdateToCommit).
class LostConnection : public TableWindowTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("lost");
        if (!db->available())
            return;
        db->exec("CREATE SCHEMA s1;"
                 "CREATE TABLE s1.t1 (id int, name text);"
                 "INSERT INTO s1.t1 VALUES (1, 'a'), (2, 'b');"
                 "CREATE INDEX i1 ON s1.t1 (name);");
        RegisterTableWindows();
        TfrmObject::RegisterLaunchers();
        TfrmSQL::RegisterLauncher();
        s.Start(LogonArgs(db->params()));
        tvOption.UpdateToCommit = GetParam();
        tvOption.ShowDDL = false;
        s.FirstPaint();
        s.main->show();
        form = s.Form();
    }
    void TearDown() override
    {
        DropChanges<TfrmIndex>();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<TfrmDDLExec *>(w))
                delete d;
    }

    template <class T>
    T *Only()
    {
        const QList<T *> l = WindowsOf<T>(s);
        return l.size() == 1 ? l.first() : nullptr;
    }
    // "SQL実行(&S)" of the main window, on the current connection.
    TfrmSQL *OpenSQLWindow()
    {
        s.main->Action(QStringLiteral("actViewSQL"))->trigger();
        return Only<TfrmSQL>();
    }
    TfrmIndex *OpenIndexWindow()
    {
        return dynamic_cast<TfrmIndex *>(s.Form()->OpenObject(46, QStringLiteral("s1"), QStringLiteral("i1")));
    }
    // Types the text over the editor's and presses "実行".
    void Run(TfrmSQL *w, const QString &text)
    {
        w->txtSQL->Lines()->SetText(text);
        w->txtSQL->SetModified(true);
        ASSERT_TRUE(PollUntil([&] { return w->btnExec->isEnabled(); }));
        QTest::mouseClick(w->btnExec, Qt::LeftButton);
    }
    void Compile(TfrmIndex *w)
    {
        w->UpdateActions();
        ASSERT_TRUE(w->actCompile->isEnabled());
        w->actCompile->trigger();
    }
    // The one message the action showed.
    template <class F>
    QString Shown(F action)
    {
        s.dialogs.clear();
        action();
        EXPECT_EQ(s.dialogs.calls().size(), 1) << s.dialogs.texts().join(u'|').toStdString();
        return s.dialogs.calls().isEmpty() ? QString() : s.dialogs.calls().last().text;
    }
    // Ends the session from a second connection: only that backend.
    void Terminate(int pid)
    {
        const std::string p = std::to_string(pid);
        ASSERT_EQ(db->scalar("SELECT pg_terminate_backend(" + p + ")"), "t");
        ASSERT_TRUE(PollUntil([&] { return db->scalar("SELECT count(*) FROM pg_stat_activity WHERE pid = " + p) == "0"; }));
    }
    // "データベース切断(&D)": the modified index window asks first.
    void LogOff()
    {
        s.dialogs.clear();
        s.dialogs.queueButton(tv::ui::IDNO);
        s.main->Action(QStringLiteral("actDBLogoff"))->trigger();
        EXPECT_TRUE(PollUntil([&] {
            return WindowsOf<TfrmObject>(s).isEmpty() && WindowsOf<TfrmSQL>(s).isEmpty() &&
                   WindowsOf<TfrmIndex>(s).isEmpty();
        }));
        EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("情報が変更されています。コンパイルしますか？")});
    }
    // "データベース接続(&L)" with the test database typed into the dialog.
    void LogOn()
    {
        const DbParams &p = db->params();
        ModalSteps steps({{QStringLiteral("frmLogon"), [&p](QWidget *w) {
                               auto *d = qobject_cast<TfrmLogon *>(w);
                               const std::pair<QLineEdit *, QString> boxes[] = {
                                   {d->txtUserID, p.user},       {d->txtPassword, p.password},
                                   {d->txtDatabase, p.database}, {d->txtSchema, QStringLiteral("public")},
                                   {d->txtHost, p.host},         {d->txtPort, p.port}};
                               for (const auto &[box, text] : boxes) {
                                   box->clear();
                                   QTest::keyClicks(box, text);
                               }
                               QTest::mouseClick(d->btnOk, Qt::LeftButton);
                           }}});
        s.main->Action(QStringLiteral("actDBLogon"))->trigger();
        EXPECT_TRUE(steps.finished());
        EXPECT_TRUE(PollUntil([&] { return WindowsOf<TfrmObject>(s).size() == 1; }));
    }
    void Close(QWidget *w)
    {
        QPointer<QWidget> p(w);
        s.main->SubWindowOf(w)->close();
        EXPECT_TRUE(PollUntil([&] { return p.isNull(); }));
    }
    std::string Other(const std::string &sql) { return db->scalar(sql); }
};

} // namespace

TEST_P(LostConnection, NamedOnEveryActionUntilLoggedOffAndOnAgain)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const bool autoCommit = GetParam();
    const QString lostLine = QString::fromUtf8(tv::db::kConnectionLostText);
    for (bool sqlFirst : {true, false}) {
        SCOPED_TRACE(sqlFirst ? "the SQL window meets the loss first" : "the index window meets the loss first");
        TfrmObject *cw = s.Form();
        ASSERT_NE(cw, nullptr);
        TfrmSQL *sql = OpenSQLWindow();
        ASSERT_NE(sql, nullptr);
        TfrmIndex *idx = OpenIndexWindow();
        ASSERT_NE(idx, nullptr);
        idx->chkUnique->click();
        const bool unique = idx->chkUnique->Checked();
        if (!autoCommit) {
            // Uncommitted work the loss takes with it.
            EXPECT_EQ(Shown([&] { Run(sql, QStringLiteral("insert into s1.t1 values (3, 'c')")); }),
                      sqlrun::ExecutedMessage(1));
            ASSERT_EQ(cw->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
        }
        Terminate(cw->MYSID());

        const QString sqlText = QStringLiteral("select count(*) from s1.t1");
        const auto inSql = [&] { return Shown([&] { Run(sql, sqlText); }); };
        const auto inIndex = [&] { return Shown([&] { Compile(idx); }); };
        QStringList shown;
        if (sqlFirst)
            shown << inSql() << inSql() << inIndex() << inIndex();
        else
            shown << inIndex() << inIndex() << inSql() << inSql();
        ASSERT_EQ(shown.size(), 4);
        EXPECT_TRUE(shown.first().startsWith(lostLine + u'\n')) << shown.first().toStdString();
        EXPECT_TRUE(shown.first().contains(QStringLiteral("terminating connection due to administrator command")))
            << shown.first().toStdString();
        for (const QString &later : shown)
            EXPECT_EQ(later, shown.first());

        // Nothing the user typed is gone, and no transaction is believed open.
        EXPECT_EQ(sql->txtSQL->Lines()->Get(0), sqlText);
        EXPECT_TRUE(idx->Modified());
        EXPECT_EQ(idx->chkUnique->Checked(), unique);
        EXPECT_EQ(cw->dbsMain().TransactionLevel(), 0);
        EXPECT_NE(cw->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
        EXPECT_NE(cw->dbsMain().transactionState(), tv::db::TransactionState::Aborted);
        EXPECT_FALSE(s.main->StatusText(2).contains(QStringLiteral("ROLLBACK"))) << s.main->StatusText(2).toStdString();

        LogOff();
        LogOn();
        TfrmObject *again = s.Form();
        ASSERT_NE(again, nullptr);
        ASSERT_NE(again, cw);
        EXPECT_EQ(Other("SELECT count(*) FROM s1.t1 WHERE id = 3"), "0");

        // The new session works in new windows: a row and the index change
        // reach the server (with auto-commit off, on the main window's COMMIT).
        sql = OpenSQLWindow();
        ASSERT_NE(sql, nullptr);
        EXPECT_EQ(Shown([&] { Run(sql, QStringLiteral("insert into s1.t1 values (10, 'z')")); }),
                  sqlrun::ExecutedMessage(1));
        idx = OpenIndexWindow();
        ASSERT_NE(idx, nullptr);
        EXPECT_EQ(idx->chkUnique->Checked(), !unique);
        idx->chkUnique->click();
        {
            ExecDialogUser user(true, s.dialogs);
            s.dialogs.clear();
            Compile(idx);
            EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
        }
        EXPECT_FALSE(idx->Modified());
        if (!autoCommit)
            s.main->Action(QStringLiteral("actDBCommit"))->trigger();
        EXPECT_EQ(Other("SELECT count(*) FROM s1.t1 WHERE id = 10"), "1");
        EXPECT_EQ(Other("SELECT indisunique FROM pg_index WHERE indexrelid = 's1.i1'::regclass"), unique ? "t" : "f");
        db->exec("DELETE FROM s1.t1 WHERE id = 10");
        Close(sql);
        Close(idx);
    }
}

INSTANTIATE_TEST_SUITE_P(AutoCommit, LostConnection, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &i) { return i.param ? "On" : "Off"; });
