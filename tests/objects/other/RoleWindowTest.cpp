// The role, user and schema windows against the test server, started as the
// program starts: opened through the dispatcher, compiled through the
// preview and the execution dialog, scripted without a window. Roles are
// cluster-wide: every role here carries the test database's name.
#include "objects/other/OtherWindowTestSupport.h"
#include "objects/table/TableWindowTestSupport.h"
#include "shell/ShellTestSupport.h"
#include "support/ShownText.h"

#include "controls/tvCheckBox.h"
#include "controls/tvCheckListBox.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStrEdit.h"
#include "objects/other/OtherWindows.h"
#include "objects/other/frmRole.h"
#include "objects/other/frmSchema.h"
#include "objects/other/frmUser.h"
#include "objects/table/DropDownComboBox.h"

#include <QAction>
#include <QBuffer>
#include <QDateEdit>
#include <QTimeEdit>
#include <QListWidget>
#include <QTabWidget>

#include <libpq-fe.h>

using namespace tvtest;

namespace {

class RoleWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("role");
        if (!db->available())
            return;
        tag = db->params().database.toStdString();
        RegisterOtherWindows();
        TfrmObject::RegisterLaunchers();
    }
    void Start()
    {
        s.Start(LogonArgs(db->params()));
        s.FirstPaint();
        form = s.Form();
        tvOption.ShowDDL = true;
    }
    void TearDown() override
    {
        if (s.main) {
            for (auto *w : WindowsOf<TfrmDefinition>(s))
                w->SetModified(false);
        }
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<TfrmDDLExec *>(w))
                delete d;
        s.main.reset();
        if (db && db->available())
            for (const std::string &r : roles)
                db->exec("DROP OWNED BY " + r + " CASCADE; DROP ROLE IF EXISTS " + r);
    }
    // A role of this test (login or not), dropped at the end.
    QString Role(const std::string &suffix, bool login = false)
    {
        const std::string name = tag + "_" + suffix;
        db->exec("CREATE ROLE " + name + (login ? " LOGIN" : ""));
        roles.push_back(name);
        return QString::fromStdString(name);
    }
    QString Named(const std::string &suffix)
    {
        const std::string name = tag + "_" + suffix;
        roles.push_back(name);
        return QString::fromStdString(name);
    }
    std::string S(const QString &q) { return q.toStdString(); }
    int Find(const TtvCheckListBox *l, const QString &text)
    {
        for (int i = 0; i < l->count(); ++i)
            if (l->item(i)->text() == text)
                return i;
        return -1;
    }
    QStringList Items(const QListWidget *l)
    {
        QStringList out;
        for (int i = 0; i < l->count(); ++i)
            out << l->item(i)->text();
        return out;
    }
    void PressCompile(TfrmDefinition *w)
    {
        w->UpdateActions();
        ASSERT_TRUE(w->actCompile->isEnabled());
        w->actCompile->trigger();
    }
    QStringList Script(int code, const QString &name)
    {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        form->OutputScript(code, QString(), name, buffer);
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data().constData()),
                                                buffer.data().size() / 2);
        return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    std::unique_ptr<TestDb> db;
    std::string tag;
    std::vector<std::string> roles;
    ShellSession s;
    TfrmObject *form = nullptr;
};

} // namespace

// The role's lists: a membership with admin option, the owner's implicit
// privileges of a NULL-ACL table first, nothing of a role whose name
// contains this one's; unchecking only the admin option re-grants without it.
TEST_F(RoleWindows, RoleListsAndAdminOption)
{
    TV_REQUIRE_DB(*db);
    const QString app = Role("app"), appAdmin = Role("app_admin"), g = Role("g");
    db->exec("CREATE SCHEMA s1; CREATE TABLE s1.t1 (a int); CREATE TABLE s1.t2 (a int);"
             "CREATE FUNCTION s1.zf(integer) RETURNS int LANGUAGE sql AS 'SELECT 1';"
             "ALTER TABLE s1.t1 OWNER TO " + S(app) + ";"
             "GRANT SELECT ON s1.t2 TO " + S(appAdmin) + " WITH GRANT OPTION;"
             "GRANT EXECUTE ON FUNCTION s1.zf(integer) TO " + S(app) + ";"
             "GRANT USAGE ON SCHEMA s1 TO " + S(appAdmin) + ";"
             "GRANT " + S(g) + " TO " + S(app) + " WITH ADMIN OPTION");
    Start();
    ASSERT_NE(form, nullptr);
    auto *w = dynamic_cast<TfrmRole *>(form->OpenObject(68, QString(), app));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle().left(7 + app.size()), QStringLiteral("ROLE - ") + app);
    EXPECT_EQ(Find(w->chkRole, app), -1);   // not its own member
    const QStringList objs = Items(w->lstObj);
    ASSERT_EQ(objs.size(), 8) << objs.join(u'|').toStdString();
    EXPECT_EQ(objs.first(), QStringLiteral("DELETE ON TABLE \"s1\".\"t1\""));
    EXPECT_TRUE(objs.contains(QStringLiteral("EXECUTE ON FUNCTION \"s1\".\"zf\"(integer)")));
    EXPECT_FALSE(objs.join(u'|').contains(QStringLiteral("t2")));
    const int s1usage = Find(w->chkSchema, QStringLiteral("s1 [USAGE] "));
    ASSERT_GE(s1usage, 0);
    EXPECT_FALSE(w->chkSchema->GetCheckedL(s1usage));
    const int gi = Find(w->chkRole, g);
    ASSERT_GE(gi, 0);
    EXPECT_TRUE(w->chkRole->GetCheckedL(gi));
    EXPECT_TRUE(w->chkRole->GetCheckedR(gi));
    EXPECT_FALSE(w->Modified());

    w->chkRole->ToggleR(gi);
    EXPECT_TRUE(w->Modified());
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        EXPECT_EQ(preview.lines, (QStringList{QStringLiteral("REVOKE \"%1\" FROM \"%2\"").arg(g, app), ";",
                                              QStringLiteral("GRANT \"%1\" TO \"%2\"").arg(g, app), ";"}));
    }
    EXPECT_EQ(db->scalar("SELECT admin_option FROM pg_auth_members WHERE roleid = '" + S(g) +
                         "'::regrole AND member = '" + S(app) + "'::regrole"),
              "f");
    EXPECT_TRUE(w->chkRole->GetCheckedL(gi));
    EXPECT_FALSE(w->chkRole->GetCheckedR(gi));

    // Revoking the function's privilege names its overload.
    w->lstObj->clearSelection();
    for (int i = 0; i < w->lstObj->count(); ++i)
        if (w->lstObj->item(i)->text().startsWith(QStringLiteral("EXECUTE")))
            w->lstObj->item(i)->setSelected(true);
    s.dialogs.queueButton(tv::ui::IDYES, {false});
    w->popRevokeClick();
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("権限を取り消しました。"));
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_proc p, aclexplode(p.proacl) a WHERE p.proname = 'zf' AND "
                         "a.grantee = '" + S(app) + "'::regrole"),
              "0");
    EXPECT_EQ(Items(w->lstObj).size(), 7);
}

// A new role with nothing checked; compiling the source page of an existing
// role re-creates it and gives its members their membership back.
TEST_F(RoleWindows, NewRoleAndSourceCompileKeepsMembers)
{
    TV_REQUIRE_DB(*db);
    const QString member = Role("member");
    const QString r1 = Named("r1");
    Start();
    ASSERT_NE(form, nullptr);
    auto *w = dynamic_cast<TfrmRole *>(form->OpenObject(68, QString(), QString()));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ROLE - 新規"));
    w->txtName->SetText(r1);
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        EXPECT_EQ(preview.lines, (QStringList{QStringLiteral("CREATE ROLE \"%1\"").arg(r1), "NOSUPERUSER",
                                              "NOCREATEDB", "NOCREATEROLE", "NOINHERIT", "NOREPLICATION", ";"}));
    }
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(db->scalar("SELECT rolinherit FROM pg_roles WHERE rolname = '" + S(r1) + "'"), "f");

    db->exec("GRANT " + S(r1) + " TO " + S(member) + " WITH ADMIN OPTION");
    ASSERT_TRUE(w->SelectPage(w->tabSource));
    w->txtSource->Lines()->SetText(QStringLiteral("CREATE ROLE \"%1\" INHERIT\n;").arg(r1));
    w->SetModified(true);
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        EXPECT_EQ(preview.lines.first(), QStringLiteral("DROP ROLE \"%1\"").arg(r1));
        EXPECT_EQ(preview.lines.mid(preview.lines.size() - 2).first(),
                  QStringLiteral("GRANT \"%1\" TO \"%2\" WITH ADMIN OPTION").arg(r1, member));
    }
    EXPECT_EQ(db->scalar("SELECT rolinherit FROM pg_roles WHERE rolname = '" + S(r1) + "'"), "t");
    EXPECT_EQ(db->scalar("SELECT admin_option FROM pg_auth_members WHERE roleid = '" + S(r1) +
                         "'::regrole AND member = '" + S(member) + "'::regrole"),
              "t");
}

// A password goes out as its verifier only, and logs on; the script of a
// user has no PASSWORD line; bad input is refused before anything is sent.
TEST_F(RoleWindows, UserPasswordGoesOutAsVerifier)
{
    TV_REQUIRE_DB(*db);
    const QString u1 = Named("u1");
    Start();
    ASSERT_NE(form, nullptr);
    auto *w = dynamic_cast<TfrmUser *>(form->OpenObject(3, QString(), QString()));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->txtConRest->Text(), QStringLiteral("-1"));
    w->txtName->SetText(u1);

    struct Bad {
        const char *p1, *p2, *limit, *message;
    };
    for (const Bad &b : {Bad{"pw1", "pw2", "-1", "パスワードが一致しません。"},
                         Bad{"", "", "-1", "パスワードを入力して下さい。"},
                         Bad{"pw1", "pw1", "2.5", "接続制限数は整数を入力して下さい。"}}) {
        w->txtPassword1->SetText(QString::fromUtf8(b.p1));
        w->txtPassword2->SetText(QString::fromUtf8(b.p2));
        w->txtConRest->SetText(QString::fromUtf8(b.limit));
        s.dialogs.clear();
        PressCompile(w);
        EXPECT_EQ(s.dialogs.texts(), QStringList{QString::fromUtf8(b.message)});
        EXPECT_TRUE(w->IsNew());
    }
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_roles WHERE rolname = '" + S(u1) + "'"), "0");

    w->txtConRest->SetText(QStringLiteral("-"));
    s.dialogs.clear();
    QStringList log;
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        const QString text = preview.lines.join(u'\n');
        EXPECT_TRUE(text.contains(QStringLiteral("PASSWORD 'SCRAM-SHA-256$"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("pw1")));
        EXPECT_TRUE(text.contains(QStringLiteral("CONNECTION LIMIT -1")));
        log = user.log;
    }
    EXPECT_TRUE(s.dialogs.texts().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();
    EXPECT_TRUE(log.join(u'\n').contains(QStringLiteral("SCRAM-SHA-256$")));
    EXPECT_FALSE(log.join(u'\n').contains(QStringLiteral("pw1")));
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->txtPassword1->Text(), QString(10, u' '));

    // A second logon as u1 with pw1.
    const DbParams &p = db->params();
    const QByteArray conninfo = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 password=pw1")
                                    .arg(p.host, p.port, p.database, u1)
                                    .toUtf8();
    PGconn *c = PQconnectdb(conninfo.constData());
    EXPECT_EQ(PQstatus(c), CONNECTION_OK) << PQerrorMessage(c);
    PQfinish(c);
    EXPECT_EQ(db->scalar("SELECT rolpassword LIKE 'SCRAM-SHA-256$%' FROM pg_authid WHERE rolname = '" + S(u1) + "'"),
              "t");

    const QStringList script = Script(3, u1);
    ASSERT_FALSE(script.isEmpty());
    EXPECT_EQ(script.first(), QStringLiteral("CREATE USER \"%1\"").arg(u1));
    EXPECT_FALSE(script.join(u'\n').contains(QStringLiteral("PASSWORD")));

    // Other changes write no PASSWORD clause; the source page without one
    // is refused for a user that has a password.
    w->txtConRest->SetText(QStringLiteral("3"));
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        EXPECT_EQ(preview.lines, (QStringList{QStringLiteral("ALTER USER \"%1\"").arg(u1), "CONNECTION LIMIT 3", ";"}));
    }
    // An expiry from the pickers, in ISO form; read back checked.
    w->chkPass->click();
    EXPECT_TRUE(w->dtpLapseDate->isEnabled());
    w->dtpLapseDate->setDate(QDate(2031, 1, 2));
    w->dtpLapseTime->setTime(QTime(3, 4, 5));
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        EXPECT_EQ(preview.lines, (QStringList{QStringLiteral("ALTER USER \"%1\"").arg(u1),
                                              "VALID UNTIL '2031-01-02 03:04:05'", ";"}));
    }
    EXPECT_EQ(db->scalar("SELECT to_char(rolvaliduntil, 'YYYY-MM-DD HH24:MI:SS') FROM pg_roles WHERE rolname = '" +
                         S(u1) + "'"),
              "2031-01-02 03:04:05");
    EXPECT_TRUE(w->chkPass->Checked());
    EXPECT_EQ(w->dtpLapseDate->date(), QDate(2031, 1, 2));

    ASSERT_TRUE(w->SelectPage(w->tabSource));
    EXPECT_FALSE(w->txtSource->Lines()->ToStringList().join(u'\n').contains(QStringLiteral("PASSWORD")));
    w->SetModified(true);
    s.dialogs.clear();
    PressCompile(w);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("パスワード（PASSWORD句）を入力してください。")});
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_roles WHERE rolname = '" + S(u1) + "'"), "1");
    // A line holding only the word PASSWORD; a typed password in the text
    // goes out as its verifier too.
    w->txtSource->Lines()->SetText(QStringLiteral("CREATE USER \"%1\"\nPASSWORD\n;").arg(u1));
    w->SetModified(true);
    s.dialogs.clear();
    PressCompile(w);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("パスワード（PASSWORD句）を入力してください。")});
    w->txtSource->Lines()->SetText(QStringLiteral("CREATE USER \"%1\" LOGIN PASSWORD 'pw2'\n;").arg(u1));
    w->SetModified(true);
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        const QString text = preview.lines.join(u'\n');
        EXPECT_TRUE(text.contains(QStringLiteral("PASSWORD 'SCRAM-SHA-256$"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("pw2")));
    }
    const QByteArray again = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 password=pw2")
                                 .arg(p.host, p.port, p.database, u1)
                                 .toUtf8();
    c = PQconnectdb(again.constData());
    EXPECT_EQ(PQstatus(c), CONNECTION_OK) << PQerrorMessage(c);
    PQfinish(c);
}

// Schema: owner-only change; PUBLIC's USAGE from "=U/owner"; a new schema
// proposes the login user as owner; an empty owner is refused.
TEST_F(RoleWindows, SchemaOwnerAndPublicPrivileges)
{
    TV_REQUIRE_DB(*db);
    const QString bob = Role("bob");
    db->exec("CREATE SCHEMA s2; GRANT USAGE ON SCHEMA s2 TO PUBLIC");
    Start();
    ASSERT_NE(form, nullptr);
    auto *w = dynamic_cast<TfrmSchema *>(form->OpenObject(4, QString(), QStringLiteral("s2")));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->chkUsage->Checked());
    EXPECT_FALSE(w->chkCreate->Checked());
    const QString login = db->params().user;
    EXPECT_EQ(w->cmbOwner->Text(), login);
    w->cmbOwner->SetText(QString());
    s.dialogs.clear();
    PressCompile(w);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("オーナーを入力して下さい。")});
    w->cmbOwner->SetText(bob);
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(w);
        EXPECT_EQ(preview.lines,
                  (QStringList{"ALTER SCHEMA \"s2\"", QStringLiteral("OWNER TO \"%1\"").arg(bob), ";"}));
    }
    EXPECT_EQ(db->scalar("SELECT nspowner::regrole::text FROM pg_namespace WHERE nspname = 's2'"), S(bob));
    const QStringList script = Script(4, QStringLiteral("s2"));
    ASSERT_GE(script.size(), 2);
    EXPECT_EQ(script[1], QStringLiteral("AUTHORIZATION \"%1\"").arg(bob));

    // A double click on a role's item opens the role's window.
    const int bi = Find(w->chkRole, bob + QStringLiteral(" [USAGE] "));
    ASSERT_GE(bi, 0);
    const QRect r = w->chkRole->visualItemRect(w->chkRole->item(bi));
    w->chkRole->setCurrentRow(bi);
    QTest::mouseDClick(w->chkRole->viewport(), Qt::LeftButton, {}, QPoint(r.right() - 4, r.center().y()));
    const QList<TfrmRole *> roleWindows = WindowsOf<TfrmRole>(s);
    ASSERT_EQ(roleWindows.size(), 1);
    EXPECT_EQ(roleWindows.first()->ObjectName(), bob);
    EXPECT_FALSE(w->Modified());

    auto *n = dynamic_cast<TfrmSchema *>(form->OpenObject(126, QString(), QString()));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->windowTitle(), QStringLiteral("SCHEMA - 新規"));
    n->txtName->SetText(QStringLiteral("s3"));
    {
        PreviewAnswer preview;
        ExecDialogUser user;
        PressCompile(n);
        EXPECT_EQ(preview.lines, (QStringList{"CREATE SCHEMA \"s3\"", QStringLiteral("AUTHORIZATION \"%1\"").arg(login), ";"}));
    }
    EXPECT_EQ(db->scalar("SELECT count(*) FROM pg_namespace WHERE nspname = 's3'"), "1");
}

// An existing user's window, opened from the object list at its first size:
// both password boxes show their masked placeholder whole, the first mask
// character included.
TEST_F(RoleWindows, PasswordBoxesShowTheirMaskWhole)
{
    TV_REQUIRE_DB(*db);
    const QString u1 = Role("u1", true);
    Start();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(s.ShowMain());
    auto *w = dynamic_cast<TfrmUser *>(form->OpenObject(3, QString(), u1, omDefine));
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(PollUntil([w] { return w->txtPassword2->isVisible(); }));
    QTest::qWait(0);
    for (TtvStrEdit *e : {w->txtPassword1, w->txtPassword2}) {
        SCOPED_TRACE(e->objectName().toStdString());
        ASSERT_FALSE(e->displayText().isEmpty());
        EXPECT_GE(TextRoom(e), ShownTextWidth(e)) << "a box " << e->width() << " wide";
    }
}
