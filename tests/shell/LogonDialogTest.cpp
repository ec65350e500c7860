// The logon dialog with its saved profiles and the import of profiles kept
// by other versions, driven as a user would.
#include "ModalSteps.h"
#include "ShellTestSupport.h"

#include "common/PasswordScrambler.h"
#include "controls/tvListView.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStrEdit.h"
#include "platform/settings/tvRegistry.h"
#include "shell/frmConnection.h"
#include "shell/frmLogon.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QPushButton>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '{' << l.join(QStringLiteral(", ")).toStdString() << '}';
}

namespace {

const QString DatabaseKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\DATABASE");

void Type(QLineEdit *edit, const QString &text)
{
    edit->clear();
    // QTest types ASCII keys only; other text is entered as an input method would.
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 128;
    if (ascii) {
        QTest::keyClicks(edit, text);
    } else {
        QInputMethodEvent e;
        e.setCommitString(text);
        QCoreApplication::sendEvent(edit, &e);
    }
}

void Click(QWidget *w)
{
    QTest::mouseClick(w, Qt::LeftButton);
}

struct Profile {
    QString user, host, db, schema, port, password;
};

void PutProfile(const QString &store, const QString &key, const Profile &p)
{
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\") + store + QStringLiteral("\\DATABASE\\") + key, true));
    reg.WriteString(QStringLiteral("UserID"), p.user);
    reg.WriteString(QStringLiteral("Host"), p.host);
    reg.WriteString(QStringLiteral("Database"), p.db);
    reg.WriteString(QStringLiteral("Schema"), p.schema);
    reg.WriteString(QStringLiteral("Port"), p.port);
    reg.WriteString(QStringLiteral("Password"), ScramblePassword(p.password));
    reg.CloseKey();
}

QString ReadValue(const QString &key, const QString &name)
{
    auto &reg = tv::settings::tvRegistry();
    if (!reg.OpenKey(key, false))
        return QStringLiteral("<no key>");
    const QString v = reg.ValueExists(name) ? reg.ReadString(name) : QStringLiteral("<none>");
    reg.CloseKey();
    return v;
}

QStringList SubKeys(const QString &key)
{
    auto &reg = tv::settings::tvRegistry();
    if (!reg.OpenKey(key, false))
        return {};
    const QStringList names = reg.GetKeyNames();
    reg.CloseKey();
    return names;
}

void FillBoxes(TfrmLogon *d, const Profile &p)
{
    Type(d->txtUserID, p.user);
    Type(d->txtPassword, p.password);
    Type(d->txtDatabase, p.db);
    Type(d->txtSchema, p.schema);
    Type(d->txtHost, p.host);
    Type(d->txtPort, p.port);
}

} // namespace

// Two equal logons with "接続先リストに登録する" store one profile whose
// scrambled password changes on each save; the last logon is kept without
// its password, and the settings file stays private.
TEST(LogonDialog, EqualLogonsKeepOneProfileAndRefreshItsPassword)
{
    TestDb db("logon");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start({});
    const auto &p = db.params();
    const Profile typed{p.user, p.host, p.database, QStringLiteral("public"), p.port, p.password};

    ModalSteps first({{QStringLiteral("frmLogon"), [&](QWidget *w) {
                           auto *d = qobject_cast<TfrmLogon *>(w);
                           EXPECT_FALSE(d->chkSave->isChecked());
                           EXPECT_EQ(d->windowTitle(), QStringLiteral("ログオン"));
                           FillBoxes(d, typed);
                           QTest::keyClick(d->chkSave, Qt::Key_Space);
                           EXPECT_TRUE(d->chkSave->isChecked());
                           Click(d->btnOk);
                       }}});
    ASSERT_TRUE(TfrmLogon::ShowWindow({}, {}, {}, {}, {}, {}, false)) << s.dialogs.texts().join('\n').toStdString();
    ASSERT_TRUE(first.finished());
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join('\n').toStdString();
    EXPECT_EQ(SubKeys(DatabaseKey), QStringList{"DB000"});
    const QString stored1 = ReadValue(DatabaseKey + QStringLiteral("\\DB000"), QStringLiteral("Password"));
    EXPECT_NE(stored1, p.password);
    EXPECT_EQ(UnscramblePassword(stored1), p.password);
    const struct {
        const char *name;
        QString value;
    } last[] = {{"UserID", p.user}, {"Database", p.database}, {"Host", p.host}, {"Port", p.port}, {"Schema", "public"}};
    for (const auto &l : last)
        EXPECT_EQ(ReadValue(DatabaseKey, QString::fromLatin1(l.name)), l.value) << l.name;
    EXPECT_EQ(ReadValue(DatabaseKey, QStringLiteral("Password")), QStringLiteral("<none>"));

    // The second time the boxes come from the last logon and the password
    // from the matching profile.
    ModalSteps second({{QStringLiteral("frmLogon"), [&](QWidget *w) {
                            auto *d = qobject_cast<TfrmLogon *>(w);
                            EXPECT_EQ(d->txtUserID->text(), p.user);
                            EXPECT_EQ(d->txtDatabase->text(), p.database);
                            EXPECT_EQ(d->txtHost->text(), p.host);
                            EXPECT_EQ(d->txtPort->text(), p.port);
                            EXPECT_EQ(d->txtSchema->text(), QStringLiteral("public"));
                            EXPECT_EQ(d->txtPassword->text(), p.password);
                            EXPECT_EQ(d->lstUserID->ItemCount(), 1);
                            QTest::keyClick(d->chkSave, Qt::Key_Space);
                            Click(d->btnOk);
                        }}});
    ASSERT_TRUE(TfrmLogon::ShowWindow({}, {}, {}, {}, {}, {}, false));
    ASSERT_TRUE(second.finished());
    EXPECT_EQ(SubKeys(DatabaseKey), QStringList{"DB000"});
    const QString stored2 = ReadValue(DatabaseKey + QStringLiteral("\\DB000"), QStringLiteral("Password"));
    EXPECT_NE(stored2, stored1);
    EXPECT_EQ(UnscramblePassword(stored2), p.password);
    EXPECT_EQ(s.main->MdiChildren().size(), 2);

    const QFile::Permissions perms =
        QFileInfo(tv::settings::tvRegistry().StoreFileName(QStringLiteral("Quenzor"), QStringLiteral("TVX19"))).permissions();
    EXPECT_EQ(perms & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther), QFile::Permissions());
}

// Checks before the logon, then a failed logon: the server's text and the
// dialog again with the values typed.
TEST(LogonDialog, ChecksAndAFailedLogonOfferTheDialogAgain)
{
    TestDb db("logon");
    TV_REQUIRE_DB(db);
    ShellSession s;
    s.Start({});
    const auto &p = db.params();
    QString offeredDb, offeredUser;
    ModalSteps steps({{QStringLiteral("frmLogon"),
                       [&](QWidget *w) {
                           auto *d = qobject_cast<TfrmLogon *>(w);
                           FillBoxes(d, {QStringLiteral("   "), p.host, p.database, QString(), p.port, p.password});
                           EXPECT_TRUE(d->btnOk->isEnabled());
                           Click(d->btnOk);
                           EXPECT_TRUE(d->isVisible());
                           Type(d->txtUserID, p.user);
                           for (const char *port : {"70000", "0"}) {
                               Type(d->txtPort, QString::fromLatin1(port));
                               Click(d->btnOk);
                               EXPECT_TRUE(d->isVisible());
                           }
                           Type(d->txtPort, p.port);
                           Type(d->txtDatabase, QStringLiteral("no_such_db_logon"));
                           Click(d->btnOk);
                       }},
                      {QStringLiteral("frmLogon"), [&](QWidget *w) {
                           auto *d = qobject_cast<TfrmLogon *>(w);
                           offeredDb = d->txtDatabase->text();
                           offeredUser = d->txtUserID->text();
                           Click(d->btnCancel);
                       }}});
    EXPECT_FALSE(TfrmLogon::ShowWindow({}, {}, {}, {}, {}, {}, false));
    ASSERT_TRUE(steps.finished());
    const QStringList texts = s.dialogs.texts();
    ASSERT_EQ(texts.size(), 4) << texts.join('\n').toStdString();
    EXPECT_EQ(texts[0], QStringLiteral("ユーザー名を入力して下さい。"));
    EXPECT_EQ(texts[1], QStringLiteral("ポートの範囲は1～65535です。"));
    EXPECT_EQ(texts[2], QStringLiteral("ポートの範囲は1～65535です。"));
    EXPECT_TRUE(texts[3].contains(QStringLiteral("no_such_db_logon")));
    EXPECT_EQ(s.dialogs.calls()[0].flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONEXCLAMATION);
    EXPECT_EQ(s.dialogs.calls()[3].flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONERROR);
    EXPECT_EQ(offeredDb, QStringLiteral("no_such_db_logon"));
    EXPECT_EQ(offeredUser, p.user);
    EXPECT_TRUE(s.main->MdiChildren().isEmpty());
    // A failed logon stores nothing.
    EXPECT_FALSE(tv::settings::tvRegistry().KeyExists(DatabaseKey));
}

// Profiles hold any character of a password; the match ignores the case of
// server and port only; loading takes the later of two matches, saving
// updates the earlier one.
TEST(LogonDialog, ProfilesMatchAndKeepEveryCharacter)
{
    ShellSession s;
    s.Start({});
    const Profile a{QStringLiteral("u"), QStringLiteral("Host"), QStringLiteral("d"), QStringLiteral("s"),
                    QStringLiteral("5432"), QStringLiteral("パス☃word")};
    {
        TfrmLogon d(s.main.get());
        FillBoxes(&d, a);
        d.chkSave->setChecked(true);
        d.SaveProfiles(true);
    }
    PutProfile(QStringLiteral("TVX19"), QStringLiteral("DB001"), {a.user, a.host.toUpper(), a.db, a.schema, a.port, "later"});
    PutProfile(QStringLiteral("TVX19"), QStringLiteral("DB002"), {a.user.toUpper(), a.host, a.db, a.schema, a.port, "case"});

    TfrmLogon d(s.main.get());
    FillBoxes(&d, {a.user, QStringLiteral("host"), a.db, a.schema, a.port, QString()});
    d.LoadProfileList();
    ASSERT_EQ(d.lstUserID->ItemCount(), 3);
    EXPECT_TRUE(d.ProfileMatches(d.lstUserID->Item(0)));
    EXPECT_TRUE(d.ProfileMatches(d.lstUserID->Item(1)));
    EXPECT_FALSE(d.ProfileMatches(d.lstUserID->Item(2)));
    EXPECT_EQ(d.txtPassword->text(), QStringLiteral("later"));
    EXPECT_EQ(d.lstUserID->Item(0)->SubItem(4), a.password);

    Type(d.txtPassword, QStringLiteral("新しい"));
    d.chkSave->setChecked(true);
    d.SaveProfiles(true);
    EXPECT_EQ(SubKeys(DatabaseKey), QStringList({"DB000", "DB001", "DB002"}));
    EXPECT_EQ(UnscramblePassword(ReadValue(DatabaseKey + QStringLiteral("\\DB000"), QStringLiteral("Password"))),
              QStringLiteral("新しい"));
    EXPECT_EQ(UnscramblePassword(ReadValue(DatabaseKey + QStringLiteral("\\DB001"), QStringLiteral("Password"))),
              QStringLiteral("later"));

    // Order, moving and deleting: the new order is stored by the next save.
    d.lstUserID->setCurrentItem(d.lstUserID->Item(2));
    EXPECT_FALSE(d.actDown->isEnabled());
    d.actUp->trigger();
    d.actUp->trigger();
    EXPECT_FALSE(d.actUp->isEnabled());
    EXPECT_EQ(d.lstUserID->Item(0)->SubItem(5), QStringLiteral("DB002"));
    d.lstUserID->setCurrentItem(d.lstUserID->Item(1));
    d.lstUserID->setFocus();
    QTest::keyClick(d.lstUserID, Qt::Key_Delete);
    EXPECT_EQ(SubKeys(DatabaseKey), QStringList({"DB001", "DB002"}));
    d.chkSave->setChecked(false);
    d.SaveProfiles(false);
    EXPECT_EQ(ReadValue(DatabaseKey, QStringLiteral("Sort")), QStringLiteral("DB002\r\nDB001\r\n"));
    TfrmLogon again(s.main.get());
    again.LoadProfileList();
    ASSERT_EQ(again.lstUserID->ItemCount(), 2);
    EXPECT_EQ(again.lstUserID->Item(0)->SubItem(5), QStringLiteral("DB002"));
}

// Profiles of other versions: "TVX19" itself is not offered, existing
// profiles are not imported twice, new ones take the lowest free numbers that
// "Sort" does not name, and the other versions' stores are only read.
TEST(LogonDialog, ImportFromOtherVersions)
{
    ShellSession s;
    s.Start({});
    const Profile alice{"alice", "srv", "db1", "public", "5432", "pa"};
    const Profile bob{"bob", "srv", "db2", "public", "5432", "pb"};
    const Profile carol{"alice", "SRV", "db1", "public", "5432", "pc"}; // differs in the server's case
    const Profile dave{"dave", "srv2", "db3", "", "5433", "pd"};
    PutProfile(QStringLiteral("TVX19"), QStringLiteral("DB000"), alice);
    PutProfile(QStringLiteral("TVX19"), QStringLiteral("DB002"), bob);
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(DatabaseKey, false));
    reg.WriteString(QStringLiteral("Sort"), QStringLiteral("DB000\r\nDB002\r\n"));
    reg.CloseKey();
    PutProfile(QStringLiteral("TVX18"), QStringLiteral("DB000"), alice);
    PutProfile(QStringLiteral("TVX18"), QStringLiteral("DB001"), carol);
    PutProfile(QStringLiteral("TVX19R"), QStringLiteral("DB000"), dave);
    ASSERT_TRUE(reg.Flush());
    QFile tvx18(reg.StoreFileName(QStringLiteral("Quenzor"), QStringLiteral("TVX18")));
    ASSERT_TRUE(tvx18.open(QIODevice::ReadOnly));
    const QByteArray before = tvx18.readAll();
    tvx18.close();

    TfrmLogon d(s.main.get());
    d.LoadProfileList();
    QStringList offered;
    ModalSteps steps({{QStringLiteral("frmConnection"), [&](QWidget *w) {
                           auto *c = qobject_cast<TfrmConnection *>(w);
                           for (int i = 0; i < c->lstUserID->ItemCount(); ++i)
                               offered << c->lstUserID->Item(i)->Caption() + QLatin1Char('/') +
                                              c->lstUserID->Item(i)->SubItem(0);
                           EXPECT_FALSE(c->actImport->isEnabled());
                           c->lstUserID->setFocus();
                           QTest::keyClick(c->lstUserID, Qt::Key_A, Qt::ControlModifier);
                           EXPECT_TRUE(c->actImport->isEnabled());
                           c->actImport->trigger();
                       }}});
    d.actImport->trigger();
    ASSERT_TRUE(steps.finished());
    EXPECT_EQ(offered, QStringList({"TVX18/alice", "TVX18/alice", "TVX19R/dave"}));
    EXPECT_EQ(s.dialogs.texts(), QStringList{"接続情報を取り込みました。"});
    EXPECT_EQ(SubKeys(DatabaseKey), QStringList({"DB000", "DB001", "DB002", "DB003"}));
    EXPECT_EQ(ReadValue(DatabaseKey + QStringLiteral("\\DB001"), QStringLiteral("Host")), QStringLiteral("SRV"));
    EXPECT_EQ(UnscramblePassword(ReadValue(DatabaseKey + QStringLiteral("\\DB001"), QStringLiteral("Password"))),
              QStringLiteral("pc"));
    EXPECT_EQ(ReadValue(DatabaseKey + QStringLiteral("\\DB003"), QStringLiteral("UserID")), QStringLiteral("dave"));
    EXPECT_EQ(ReadValue(DatabaseKey, QStringLiteral("Sort")), QStringLiteral("DB000\r\nDB002\r\nDB001\r\nDB003\r\n"));
    EXPECT_EQ(d.lstUserID->ItemCount(), 4);
    ASSERT_TRUE(tvx18.open(QIODevice::ReadOnly));
    EXPECT_EQ(tvx18.readAll(), before);
}

TEST(LogonDialog, NothingToImport)
{
    ShellSession s;
    s.Start({});
    TfrmLogon d(s.main.get());
    d.actImport->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{"取込可能な接続情報が見つかりません。"});
    EXPECT_EQ(s.dialogs.calls()[0].flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONINFORMATION);
    auto &reg = tv::settings::tvRegistry();
    for (const QString &v : TfrmConnection::FGuidList())
        if (v != QLatin1String("TVX19")) {
            EXPECT_FALSE(QFile::exists(reg.StoreFileName(QStringLiteral("Quenzor"), v))) << v.toStdString();
        }
    EXPECT_EQ(TfrmConnection::VersionOfKey(QStringLiteral("TVX")), 1);
    EXPECT_EQ(TfrmConnection::VersionOfKey(QStringLiteral("TVX18R")), 18);
}
