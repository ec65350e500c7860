// A settings file the program cannot use (a folder in its place, content
// that is no settings file): the program starts and logs on with defaults,
// from the command line and from the logon dialog, tells the user once, and
// leaves the file (or its kept copy) as it was.
#include "ModalSteps.h"
#include "ShellTestSupport.h"

#include "common/Globals.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStrEdit.h"
#include "platform/settings/tvRegistry.h"
#include "shell/frmLogon.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

using namespace tvtest;

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void Type(QLineEdit *edit, const QString &text)
{
    edit->clear();
    QTest::keyClicks(edit, text);
}

} // namespace

TEST(SettingsFileTrouble, LogonWorksWithDefaultsAndTheUserIsToldOnce)
{
    TestDb db("setfile");
    TV_REQUIRE_DB(db);
    const QByteArray garbage("not a settings file\n\x01\n");
    const struct {
        const char *name;
        bool folder;      // else malformed content
        bool viaDialog;   // else the command line
        const char *told; // what the one message says
    } cases[] = {
        {"folder, command line", true, false, "書き込めません"},
        {"folder, dialog", true, true, "書き込めません"},
        {"malformed, command line", false, false, ".bad"},
        {"malformed, dialog", false, true, ".bad"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ShellSession s;
        const QString file = s.scratch.path() + QStringLiteral("/Quenzor/TVX19.conf");
        if (c.folder) {
            ASSERT_TRUE(QDir().mkpath(file));
        } else {
            ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(garbage);
        }
        const DbParams &p = db.params();
        if (c.viaDialog) {
            s.Start({});
            // A logon that is saved to the list writes settings right away.
            ModalSteps steps({{QStringLiteral("frmLogon"), [&](QWidget *w) {
                                   auto *d = qobject_cast<TfrmLogon *>(w);
                                   Type(d->txtUserID, p.user);
                                   Type(d->txtPassword, p.password);
                                   Type(d->txtDatabase, p.database);
                                   Type(d->txtHost, p.host);
                                   Type(d->txtPort, p.port);
                                   if (!d->chkSave->isChecked())
                                       QTest::keyClick(d->chkSave, Qt::Key_Space);
                                   QTest::mouseClick(d->btnOk, Qt::LeftButton);
                               }},
                              // A failed logon would offer the dialog again.
                              CancelStep(QStringLiteral("frmLogon"))});
            EXPECT_TRUE(TfrmLogon::ShowWindow({}, {}, {}, {}, {}, {}, false))
                << s.dialogs.texts().join('\n').toStdString();
            EXPECT_EQ(steps.done(), 1u);
        } else {
            ModalSteps failed({CancelStep(QStringLiteral("frmLogon"))});
            s.Start(LogonArgs(p));
            s.FirstPaint();
            EXPECT_EQ(failed.done(), 0u);
        }
        TfrmObject *f = s.Form();
        ASSERT_NE(f, nullptr) << s.dialogs.texts().join('\n').toStdString();
        EXPECT_TRUE(f->dbsMain().Connected());
        // A second logon reads the stored tree order again.
        ModalSteps failed({CancelStep(QStringLiteral("frmLogon"))});
        EXPECT_TRUE(TfrmLogon::ShowWindow(p.host, p.port, p.database, {}, p.user, p.password, true))
            << s.dialogs.texts().join('\n').toStdString();
        EXPECT_EQ(failed.done(), 0u);
        EXPECT_EQ(s.main->MdiChildren().size(), 2);
        // Closing saves every window's state.
        EXPECT_TRUE(s.CloseMain());
        tv::settings::tvRegistry().Flush();

        const QStringList texts = s.dialogs.texts();
        ASSERT_EQ(texts.size(), 1) << texts.join("\n---\n").toStdString();
        EXPECT_TRUE(texts[0].contains(QString::fromUtf8(c.told))) << texts[0].toStdString();
        // The SQL history is a file of its own and is kept all the same.
        EXPECT_TRUE(QFileInfo::exists(tvOption.TempDir + QStringLiteral("SQLLOG.IDX")));
        if (c.folder) {
            EXPECT_TRUE(QFileInfo(file).isDir());
        } else {
            EXPECT_TRUE(texts[0].contains(QDir::toNativeSeparators(file + QStringLiteral(".bad"))));
            EXPECT_EQ(ReadAll(file + QStringLiteral(".bad")), garbage);
            EXPECT_TRUE(ReadAll(file).startsWith("#TalvexSettings 1\n")); // saved anew
        }
    }
}
