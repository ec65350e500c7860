// The backup and restore windows inside the real main window, against the
// test server: real pg_dump and pg_restore runs in the test's own database,
// a stub program in pg_dump's place to see what the child receives, the
// input checks and the enabling rules, driven as a user would.
#include "shell/ShellTestSupport.h"
#include "support/TestSession.h"

#include "common/ExpOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "controls/tvNumEdit.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/settings/tvRegistry.h"
#include "tools/frmExp.h"
#include "tools/frmImp.h"
#include "common/ProcessRunner.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

using namespace tvtest;
using tv::ui::IDNO;
using tv::ui::IDYES;

namespace {

const QString kDone = QStringLiteral("バックアップを完了しました。");
const QString kRestored = QStringLiteral("インポートを完了しました。");

QString ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

class BackupRestore : public ::testing::Test {
protected:
    void SetUp() override
    {
        TfrmExp::RegisterLauncher();
        TfrmImp::RegisterLauncher();
    }

    TfrmObject *Logon(const QString &schema = QString())
    {
        s.Start(LogonArgs(db.params(), schema));
        s.FirstPaint();
        s.main->show();
        TfrmObject *f = s.Form();
        EXPECT_NE(f, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        return f;
    }

    // Two schemas with a table each and rows, and public."Orders".
    void Fixture()
    {
        db.exec("CREATE SCHEMA s1; CREATE SCHEMA s2;"
                "CREATE TABLE s1.a (id int PRIMARY KEY, t text); INSERT INTO s1.a SELECT g, 'a' || g FROM generate_series(1, 30) g;"
                "CREATE TABLE s2.b (id int); INSERT INTO s2.b VALUES (1), (2), (3);"
                "CREATE TABLE public.\"Orders\" (id int); INSERT INTO public.\"Orders\" VALUES (7);");
    }

    TfrmExp *Backup(int mode, const QString &schemas, const QString &tables, const QString &file, int format = 1)
    {
        TfrmExp *w = TfrmExp::ShowWindow(s.Form(), mode, schemas, tables);
        EXPECT_NE(w, nullptr);
        if (w) {
            w->rdoFormat->Button(format)->click();
            w->txtExpFile->SetText(file);
        }
        return w;
    }

    QStringList Texts() const { return s.dialogs.texts(); }

    TestDb db{"bk"};
    ShellSession s;
};

} // namespace

// A custom backup of two schemas, the tables dropped, then a restore of the
// two schemas into the database that still holds them empty: two runs
// separated by an empty line and 200 hyphens; another session sees the rows.
TEST_F(BackupRestore, CustomBackupRestoredSchemaBySchema)
{
    TV_REQUIRE_DB(db);
    Fixture();
    ASSERT_NE(Logon(), nullptr);
    const QString file = s.scratch.file(QStringLiteral("two.dmp"));
    const QString log = s.scratch.file(QStringLiteral("bkup.log"));
    TfrmExp *w = Backup(1, QStringLiteral("s1\r\ns2\r\nnosuch\r\n"), QString(), file);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->lstSelect->ItemCount(), 2) << "a schema not in the database is dropped";
    w->txtLogFile->SetText(log);
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    ASSERT_TRUE(Texts().contains(kDone)) << Texts().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(QFileInfo(file).size() > 0);
    EXPECT_EQ(ExpOption.Format, 1);

    db.exec("DROP TABLE s1.a; DROP TABLE s2.b;");
    s.dialogs.clear();
    TfrmImp *r = TfrmImp::ShowWindow(s.Form());
    ASSERT_NE(r, nullptr);
    r->rdoFormat->Button(0)->click();
    r->rdoMode->Button(1)->click();
    r->txtImpFile->SetText(file);
    r->txtLogFile->SetText(s.scratch.file(QStringLiteral("res.log")));
    for (const char *schema : {"s1", "s2", "s1"}) {
        r->cmbSchema->setEditText(QString::fromLatin1(schema));
        r->btnAddUser->click();
    }
    ASSERT_EQ(r->lstSchema->ItemCount(), 2) << "a schema added twice stays one entry";
    s.dialogs.queueButton(IDYES);
    r->btnExec->trigger();
    ASSERT_TRUE(Texts().contains(kRestored)) << Texts().join(QLatin1Char('\n')).toStdString();

    const QStringList lines = r->txtLog->Lines()->ToStringList();
    const qsizetype sep = lines.indexOf(QString(200, QLatin1Char('-')));
    ASSERT_GT(sep, 0);
    EXPECT_TRUE(lines[sep - 1].isEmpty());
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("-n \"s1\" \"") + file + QLatin1Char('"'))) << lines[0].toStdString();
    EXPECT_TRUE(lines[sep + 1].contains(QStringLiteral("-n \"s2\""))) << lines[sep + 1].toStdString();
    EXPECT_EQ(lines.count(QString(200, QLatin1Char('-'))), 1);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM s1.a"), "30");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM s2.b"), "3");
    EXPECT_EQ(ReadFile(s.scratch.file(QStringLiteral("res.log"))).split(QStringLiteral("\r\n")).first(), lines[0]);
}

// The one listed table is dropped before Execute: pg_dump ends with an
// error, the window says so, and the log holds everything the memo holds.
TEST_F(BackupRestore, FailingDumpIsReportedAndLogged)
{
    TV_REQUIRE_DB(db);
    Fixture();
    ASSERT_NE(Logon(), nullptr);
    const QString file = s.scratch.file(QStringLiteral("t.dmp"));
    const QString log = s.scratch.file(QStringLiteral("t.log"));
    TfrmExp *w = Backup(2, QStringLiteral("public\r\n"), QStringLiteral("Orders\r\n"), file);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->lstSelect->ItemCount(), 1);
    w->txtLogFile->SetText(log);
    db.exec("DROP TABLE public.\"Orders\"");
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    EXPECT_FALSE(Texts().contains(kDone));
    ASSERT_FALSE(Texts().isEmpty());
    EXPECT_TRUE(Texts().last().startsWith(w->txtExpPgm->Text() + QStringLiteral(" の実行に失敗しました。")));
    EXPECT_TRUE(Texts().last().contains(QStringLiteral("終了コード: 1"))) << Texts().last().toStdString();
    const QStringList memo = w->txtLog->Lines()->ToStringList();
    ASSERT_GE(memo.size(), 3);
    EXPECT_TRUE(memo[0].contains(QStringLiteral(R"(-t "\"public\""."\"Orders\"")"))) << memo[0].toStdString();
    EXPECT_TRUE(memo.last().contains(QStringLiteral("no matching tables"))) << memo.last().toStdString();
    QStringList logged = ReadFile(log).split(QStringLiteral("\r\n"));
    if (!logged.isEmpty() && logged.last().isEmpty())
        logged.removeLast();
    EXPECT_EQ(logged, memo);
    EXPECT_TRUE(logged[1].isEmpty());
}

// The logon used a password; PGPASSWORD and ~/.pgpass are gone: the backup
// still connects, and a stub in pg_dump's place sees the password nowhere
// but in a private 0600 file named by PGPASSFILE that is gone afterwards.
TEST_F(BackupRestore, PasswordOnlyThroughAPrivateFile)
{
    TV_REQUIRE_DB(db);
    ASSERT_FALSE(db.params().password.isEmpty());
    Fixture();
    ASSERT_NE(Logon(), nullptr);
    const QByteArray oldPw = qgetenv("PGPASSWORD"), oldHome = qgetenv("HOME"), oldFile = qgetenv("PGPASSFILE");
    qunsetenv("PGPASSWORD");
    qunsetenv("PGPASSFILE");
    qputenv("HOME", s.scratch.path().toLocal8Bit());
    struct Restore {
        QByteArray pw, home, file;
        ~Restore()
        {
            qputenv("PGPASSWORD", pw);
            qputenv("HOME", home);
            if (file.isEmpty())
                qunsetenv("PGPASSFILE");
            else
                qputenv("PGPASSFILE", file);
        }
    } restore{oldPw, oldHome, oldFile};

    const QString file = s.scratch.file(QStringLiteral("pw.dmp"));
    TfrmExp *w = Backup(0, QString(), QString(), file);
    ASSERT_NE(w, nullptr);
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    EXPECT_TRUE(Texts().contains(kDone)) << w->txtLog->Lines()->Text().toStdString();

    // The stub.
    const QString rec = s.scratch.file(QStringLiteral("rec"));
    const QString stub = s.scratch.file(QStringLiteral("pg_dump"));
    {
        QFile f(stub);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\n"
                               "printf '%s\\n' \"$@\" > '%1.args'\n"
                               "env > '%1.env'\n"
                               "echo \"$PGPASSFILE\" > '%1.path'\n"
                               "stat -c %a \"$PGPASSFILE\" > '%1.mode'\n"
                               "cat \"$PGPASSFILE\" > '%1.line'\n"
                               "echo stub done\n")
                    .arg(rec)
                    .toLocal8Bit());
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    s.dialogs.clear();
    w->txtExpPgm->SetText(stub);
    QFile::remove(file);
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    EXPECT_TRUE(Texts().contains(kDone));
    const QString pw = db.params().password;
    EXPECT_FALSE(ReadFile(rec + QStringLiteral(".args")).contains(pw));
    const QString env = ReadFile(rec + QStringLiteral(".env"));
    EXPECT_FALSE(env.contains(pw));
    EXPECT_FALSE(env.contains(QStringLiteral("PGPASSWORD=")));
    EXPECT_EQ(ReadFile(rec + QStringLiteral(".mode")).trimmed(), QStringLiteral("600"));
    EXPECT_TRUE(ReadFile(rec + QStringLiteral(".line")).contains(pw));
    const QString passFile = ReadFile(rec + QStringLiteral(".path")).trimmed();
    ASSERT_FALSE(passFile.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(passFile)) << "the password file is removed after the run";
    EXPECT_FALSE(w->txtLog->Lines()->Text().contains(pw));
    EXPECT_FALSE(qEnvironmentVariableIsSet("PGPASSFILE")) << "the program's own environment is untouched";
}

// The input checks stop before anything runs, with their message, and
// change no stored option.
TEST_F(BackupRestore, BackupInputChecks)
{
    TV_REQUIRE_DB(db);
    Fixture();
    ASSERT_NE(Logon(), nullptr);
    QDir(s.scratch.path()).mkdir(QStringLiteral("exists"));
    struct Case {
        const char *name;
        int mode;
        int format;
        QString file;
        QString pgm;   // empty: the found pg_dump
        QString message;
    };
    const QString dir = s.scratch.path() + QLatin1Char('/');
    const QList<Case> cases{
        {"directory exists", 0, 3, dir + QStringLiteral("exists/"), {}, QStringLiteral("指定したフォルダは既に存在しています。")},
        {"directory with a dot", 0, 3, dir + QStringLiteral("out.d"), {}, QStringLiteral("directoryはフォルダ名を入力して下さい。")},
        {"bare file name", 0, 1, QStringLiteral("bare.dmp"), {}, QStringLiteral("指定したフォルダは存在していません。")},
        {"mode 1 without entries", 1, 1, dir + QStringLiteral("x.dmp"), {}, QStringLiteral("対象オブジェクトを選択して下さい。")},
        {"missing tool", 0, 1, dir + QStringLiteral("x.dmp"), dir + QStringLiteral("no_pg_dump"), QStringLiteral("使用ツールが存在しません。")},
        {"answer No", 0, 1, dir + QStringLiteral("x.dmp"), {}, QStringLiteral("バックアップを開始します。よろしいですか？")},
    };
    const int storedFormat = ExpOption.Format;
    const QString storedFile = ExpOption.ExpFile;
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        TfrmExp *w = Backup(k.mode, QString(), QString(), k.file, k.format);
        ASSERT_NE(w, nullptr);
        if (!k.pgm.isEmpty())
            w->txtExpPgm->SetText(k.pgm);
        s.dialogs.clear();
        s.dialogs.queueButton(IDNO);
        w->btnExec->trigger();
        ASSERT_EQ(Texts().size(), 1) << Texts().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(Texts().first(), k.message);
        EXPECT_TRUE(w->txtLog->Lines()->Text().isEmpty()) << "nothing ran";
        EXPECT_EQ(ExpOption.Format, storedFormat);
        EXPECT_EQ(ExpOption.ExpFile, storedFile);
        w->Close();
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("x.dmp")));
}

// The restore window's rules: job count against single transaction, the
// directory format against the job count, targets and their checks.
TEST_F(BackupRestore, RestoreRulesAndChecks)
{
    TV_REQUIRE_DB(db);
    ASSERT_NE(Logon(), nullptr);
    TfrmImp *r = TfrmImp::ShowWindow(s.Form());
    ASSERT_NE(r, nullptr);
    r->rdoFormat->Button(0)->click();
    r->chkTransaction->setChecked(true);
    EXPECT_FALSE(r->txtJobNo->isEnabled());
    r->chkTransaction->setChecked(false);
    ASSERT_TRUE(r->txtJobNo->isEnabled());
    r->txtJobNo->setFocus();
    QTest::keyClicks(r->txtJobNo, QStringLiteral("3"));
    EXPECT_FALSE(r->chkTransaction->isChecked());
    EXPECT_FALSE(r->chkTransaction->isEnabled());
    r->txtImpFile->SetText(QStringLiteral("/tmp/a.dmp"));
    QString cmd = r->Commands().first().Display;
    EXPECT_TRUE(cmd.contains(QStringLiteral(" -j 3 "))) << cmd.toStdString();
    EXPECT_FALSE(cmd.contains(QStringLiteral(" -1 ")));
    QTest::keyClick(r->txtJobNo, Qt::Key_Backspace);
    EXPECT_TRUE(r->chkTransaction->isEnabled());

    r->txtJobNo->SetText(QStringLiteral("2"));
    r->rdoFormat->Button(1)->click();
    EXPECT_TRUE(r->txtJobNo->Text().isEmpty());
    EXPECT_FALSE(r->txtJobNo->isEnabled());
    EXPECT_EQ(r->lblImpFile->text(), QStringLiteral("フォルダ名"));
    cmd = r->Commands().first().Display;
    EXPECT_TRUE(cmd.contains(QStringLiteral(" -F d "))) << cmd.toStdString();
    EXPECT_FALSE(cmd.contains(QStringLiteral(" -j ")));

    // Targets.
    r->rdoMode->Button(2)->click();
    EXPECT_TRUE(r->txtFromTable->isVisible());
    EXPECT_EQ(r->grpSchema->title(), QStringLiteral(" 対象テーブル指定 "));
    r->rdoMode->Button(1)->click();
    s.dialogs.clear();
    r->cmbSchema->setEditText(QStringLiteral("  "));
    r->btnAddUser->click();
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("スキーマ名を指定して下さい。")});
    EXPECT_EQ(r->lstSchema->ItemCount(), 0);
    r->cmbSchema->setEditText(QStringLiteral("s1"));
    r->btnAddUser->click();
    r->btnAddUser->click();
    EXPECT_EQ(r->lstSchema->ItemCount(), 1);
    r->txtImpFile->SetText(QStringLiteral("/tmp/b.dmp"));
    EXPECT_EQ(r->lstSchema->ItemCount(), 0) << "editing the archive path empties the targets";
    // Typed names: case kept with UseLowerName on, lower case with it off.
    for (const bool keep : {true, false}) {
        tvOption.UseLowerName = keep;
        r->cmbSchema->setEditText(QString());
        r->cmbSchema->lineEdit()->setFocus();
        QTest::keyClicks(r->cmbSchema->lineEdit(), QStringLiteral("Ab"));
        EXPECT_EQ(r->cmbSchema->currentText(), keep ? QStringLiteral("Ab") : QStringLiteral("ab"));
    }
    tvOption.UseLowerName = true;

    // Checks before anything runs.
    struct Case {
        const char *name;
        int format;
        QString file;
        QString pgm;
        QString message;
    };
    QDir(s.scratch.path()).mkdir(QStringLiteral("arch"));
    const QList<Case> cases{
        {"no target", 0, QStringLiteral("/tmp/a.dmp"), {}, QStringLiteral("対象スキーマを選択して下さい。")},
        {"missing folder", 1, s.scratch.file(QStringLiteral("nope")), {}, QStringLiteral("指定したフォルダは存在しません。")},
        {"blank tool", 1, s.scratch.file(QStringLiteral("arch")), QStringLiteral("   "), QStringLiteral("使用ツールは存在しません。")},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        r->rdoFormat->Button(k.format)->click();
        r->txtImpFile->SetText(k.file);
        if (k.format == 1) {
            r->cmbSchema->setEditText(QStringLiteral("s1"));
            r->btnAddUser->click();
        }
        if (!k.pgm.isEmpty())
            r->txtImpPgm->SetText(k.pgm);
        s.dialogs.clear();
        r->btnExec->trigger();
        EXPECT_EQ(Texts(), QStringList{k.message});
    }
}

// As a user: 管理 → "バックアップ(&B)" on the logon's default schema, custom,
// a file name, Execute, Yes; the archive lists the schema's tables and the
// stored format is 1 after the program ends.
TEST_F(BackupRestore, EndToEndFromTheAdminMenu)
{
    TV_REQUIRE_DB(db);
    Fixture();
    ASSERT_NE(Logon(QStringLiteral("s1")), nullptr);
    s.main->Action(QStringLiteral("actAdminExport"))->trigger();
    auto *w = s.main->FindWindowOf<TfrmExp>(QStringLiteral("バックアップ - ") + s.Form()->ConnectionText(), false);
    ASSERT_NE(w, nullptr) << Texts().join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(w->lstSelect->ItemCount(), 1);
    EXPECT_EQ(w->lstSelect->Item(0)->Caption(), QStringLiteral("s1"));
    w->rdoFormat->Button(1)->click();
    const QString file = s.scratch.file(QStringLiteral("e2e.dmp"));
    w->txtExpFile->setFocus();
    w->txtExpFile->selectAll();
    QTest::keyClicks(w->txtExpFile, file);
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    ASSERT_TRUE(Texts().contains(kDone)) << w->txtLog->Lines()->Text().toStdString();

    QProcess list;
    list.start(w->txtExpPgm->Text().replace(QStringLiteral("pg_dump"), QStringLiteral("pg_restore")),
               {QStringLiteral("-l"), file});
    ASSERT_TRUE(list.waitForFinished(120000));
    const QString toc = QString::fromLocal8Bit(list.readAllStandardOutput());
    EXPECT_TRUE(toc.contains(QStringLiteral("TABLE s1 a"))) << toc.toStdString();
    EXPECT_FALSE(toc.contains(QStringLiteral("TABLE s2 b")));

    ASSERT_TRUE(s.CloseMain());
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\Software\\Quenzor\\TVX19\\EXPORT")));
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Format"), -1), 1);
    reg.CloseKey();
}

// The object list's "バックアップ(&R)": the selected tables become the
// selected objects of the backup window; a second request for the same
// connection brings that window forward unchanged.
TEST_F(BackupRestore, ObjectListSelectionOpensTheBackupWindow)
{
    TV_REQUIRE_DB(db);
    Fixture();
    db.exec("CREATE TABLE public.other (id int)");
    TfrmObject *form = Logon();
    ASSERT_NE(form, nullptr);
    auto child = [](QTreeWidgetItem *n, const QString &text) -> QTreeWidgetItem * {
        for (int i = 0; n && i < n->childCount(); ++i)
            if (n->child(i)->text(0) == text)
                return n->child(i);
        return nullptr;
    };
    QTreeWidgetItem *tables = child(child(form->tvTree->topLevelItem(0), QStringLiteral("public")), QStringLiteral("TABLE"));
    ASSERT_NE(tables, nullptr);
    form->tvTree->setCurrentItem(tables);
    for (int i = 0; i < form->lstObject->ItemCount(); ++i)
        form->lstObject->Item(i)->setSelected(form->lstObject->Item(i)->Caption() == QStringLiteral("Orders"));
    form->Action(QStringLiteral("actExport"))->trigger();
    const QString caption = QStringLiteral("バックアップ - ") + form->ConnectionText();
    auto *w = s.main->FindWindowOf<TfrmExp>(caption, false);
    ASSERT_NE(w, nullptr) << Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(w->rdoMode->ItemIndex(), 2);
    ASSERT_EQ(w->lstSelect->ItemCount(), 1);
    EXPECT_EQ(w->lstSelect->Item(0)->Caption(), QStringLiteral("public"));
    EXPECT_EQ(w->lstSelect->Item(0)->SubItem(0), QStringLiteral("Orders"));
    for (int i = 0; i < w->lstAll->ItemCount(); ++i)
        EXPECT_FALSE(w->lstAll->Item(i)->SubItem(0) == QStringLiteral("Orders")) << "listed on one side only";
    for (int i = 0; i < form->lstObject->ItemCount(); ++i)
        form->lstObject->Item(i)->setSelected(form->lstObject->Item(i)->Caption() == QStringLiteral("other"));
    form->Action(QStringLiteral("actExport"))->trigger();
    EXPECT_EQ(s.main->FindWindowOf<TfrmExp>(caption, false), w);
    ASSERT_EQ(w->lstSelect->ItemCount(), 1);
    EXPECT_EQ(w->lstSelect->Item(0)->SubItem(0), QStringLiteral("Orders"));
}

// A directory archive of the whole database (the folder given with a
// trailing "/", which is removed and stored), then one table restored from
// it by schema and table name, the name in mixed case.
TEST_F(BackupRestore, DirectoryArchiveAndATableRestoredByName)
{
    TV_REQUIRE_DB(db);
    Fixture();
    ASSERT_NE(Logon(), nullptr);
    const QString dir = s.scratch.file(QStringLiteral("arch"));
    TfrmExp *w = Backup(0, QString(), QString(), dir + QLatin1Char('/'), 3);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->lblExpFile->text(), QStringLiteral("フォルダ名"));
    w->txtCompres->SetText(QStringLiteral("1"));
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    ASSERT_TRUE(Texts().contains(kDone)) << w->txtLog->Lines()->Text().toStdString();
    EXPECT_EQ(w->txtExpFile->Text(), dir);
    EXPECT_EQ(ExpOption.ExpFile, dir);
    EXPECT_TRUE(QFileInfo(dir + QStringLiteral("/toc.dat")).isFile());
    EXPECT_TRUE(w->txtLog->Lines()->Get(0).contains(QStringLiteral(" -F d -Z 1 -f \"") + dir + QLatin1Char('"')));

    db.exec("DROP TABLE public.\"Orders\"");
    s.dialogs.clear();
    TfrmImp *r = TfrmImp::ShowWindow(s.Form());
    ASSERT_NE(r, nullptr);
    r->rdoFormat->Button(1)->click();
    r->rdoMode->Button(2)->click();
    r->txtImpFile->SetText(dir);
    r->cmbSchema->setEditText(QStringLiteral("public"));
    r->txtFromTable->SetText(QStringLiteral("Orders"));
    r->btnAddUser->click();
    ASSERT_EQ(r->lstSchema->ItemCount(), 1);
    s.dialogs.queueButton(IDYES);
    r->btnExec->trigger();
    ASSERT_TRUE(Texts().contains(kRestored)) << r->txtLog->Lines()->Text().toStdString();
    EXPECT_EQ(db.scalar("SELECT count(*) FROM public.\"Orders\""), "1");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM s1.a"), "30") << "only the named table was restored";
}

// Another connection chosen in the combo: the backup window reads the
// objects of that database, empties the selection and returns the format to
// the stored one; the restore window empties its targets.
TEST_F(BackupRestore, ChangingTheConnectionRereadsAndResets)
{
    TV_REQUIRE_DB(db);
    Fixture();
    TestDb other{"bk"};
    other.exec("CREATE TABLE only_here (id int)");
    ASSERT_NE(Logon(), nullptr);
    const DbParams &p = other.params();
    TfrmObject *b = TfrmObject::Create(s.main.get(), p.host, p.port, p.database, QString(), p.user, p.password);
    ASSERT_NE(b, nullptr);
    TfrmExp *w = TfrmExp::ShowWindow(s.Form(), 2, QStringLiteral("s1\r\n"), QStringLiteral("a\r\n"));
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->lstSelect->ItemCount(), 1);
    w->rdoFormat->Button(2)->click();
    const int at = w->cmbDBName->findText(b->ConnectionText());
    ASSERT_GE(at, 0);
    w->cmbDBName->setCurrentIndex(at);
    w->cmbDBNameChange();
    EXPECT_EQ(w->OwnerForm(), b);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("バックアップ - ") + b->ConnectionText());
    EXPECT_EQ(w->lstSelect->ItemCount(), 0);
    EXPECT_EQ(w->rdoFormat->ItemIndex(), ExpOption.Format);
    QStringList tables;
    for (int i = 0; i < w->lstAll->ItemCount(); ++i)
        tables << w->lstAll->Item(i)->Caption() + QLatin1Char('.') + w->lstAll->Item(i)->SubItem(0);
    EXPECT_TRUE(tables.contains(QStringLiteral("public.only_here")));
    EXPECT_FALSE(tables.contains(QStringLiteral("s1.a")));

    TfrmImp *r = TfrmImp::ShowWindow(s.Form());
    ASSERT_NE(r, nullptr);
    r->rdoMode->Button(1)->click();
    r->cmbSchema->setEditText(QStringLiteral("s1"));
    r->btnAddUser->click();
    ASSERT_EQ(r->lstSchema->ItemCount(), 1);
    r->cmbDBName->setCurrentIndex(r->cmbDBName->findText(b->ConnectionText()));
    r->cmbDBNameChange();
    EXPECT_EQ(r->lstSchema->ItemCount(), 0);
    EXPECT_TRUE(r->cmbSchema->currentText().isEmpty());
}

// A dump that waits on a lock another session holds, for each archive
// format: the backup window is busy (it does not close) while another
// window takes typing; Esc in the backup window stops pg_dump, whose
// session is gone from the server, the window says the backup was stopped,
// and no archive is left: nothing where there was nothing, and an archive
// that was there before keeps what it held.
TEST_F(BackupRestore, ADumpWaitingOnALockStopsOnEscAndLeavesNoArchive)
{
    TV_REQUIRE_DB(db);
    Fixture();
    TfrmObject *form = Logon();
    ASSERT_NE(form, nullptr);
    const std::string dumpSessions = "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() "
                                     "AND application_name = 'pg_dump'";
    auto locker = OpenSession(db);
    locker->Exec(QStringLiteral("BEGIN; LOCK TABLE s1.a IN ACCESS EXCLUSIVE MODE"));

    struct Case {
        const char *name;
        int format;
        bool existed; // an archive of the same name is there before the run
    };
    const Case cases[] = {
        {"custom", 1, false},
        {"plain over an archive", 0, true},
        {"tar over an archive", 2, true},
        {"directory", 3, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = s.scratch.file(QStringLiteral("locked%1").arg(c.format));
        if (c.existed) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("old archive");
        }
        TfrmExp *w = Backup(0, QString(), QString(), file, c.format);
        ASSERT_NE(w, nullptr);
        s.dialogs.clear();
        s.dialogs.queueButton(IDYES);     // start the backup
        if (c.existed)
            s.dialogs.queueButton(IDYES); // overwrite the archive

        bool pressed = false;
        bool closed = true;
        QString typed;
        QElapsedTimer sincePress;
        QTimer user;
        user.setInterval(50);
        QObject::connect(&user, &QTimer::timeout, w, [&] {
            if (pressed && sincePress.elapsed() > 60000 && locker) {
                // Esc did not stop it: the lock goes, so that the run ends
                // and the test fails instead of hanging.
                locker.reset();
                return;
            }
            if (pressed || db.scalar(dumpSessions + " AND wait_event_type = 'Lock'") != "1")
                return;
            sincePress.start();
            pressed = true;
            form->cmbFind->lineEdit()->clear();
            QTest::keyClicks(form->cmbFind->lineEdit(), QStringLiteral("typed"));
            typed = form->cmbFind->lineEdit()->text();
            closed = w->close();
            QTest::keyClick(w->txtLog, Qt::Key_Escape);
        });
        user.start();
        w->btnExec->trigger();
        user.stop();

        ASSERT_TRUE(pressed) << Texts().join(QLatin1Char('\n')).toStdString();
        ASSERT_NE(locker, nullptr) << "Esc did not stop the dump";
        EXPECT_EQ(typed, QStringLiteral("typed")) << "another window takes input";
        EXPECT_FALSE(closed) << "the busy window stays";
        ASSERT_FALSE(Texts().isEmpty());
        EXPECT_EQ(Texts().last(), QStringLiteral("バックアップを中断しました。"));
        EXPECT_FALSE(Texts().contains(kDone));
        EXPECT_EQ(w->txtLog->Lines()->ToStringList().last(), StoppedLogLine());
        EXPECT_TRUE(PollUntil([&] { return db.scalar(dumpSessions) == "0"; })) << "pg_dump's session ended";
        if (c.existed)
            EXPECT_EQ(ReadFile(file), QStringLiteral("old archive"));
        else
            EXPECT_FALSE(QFileInfo::exists(file));
        EXPECT_TRUE(QDir(s.scratch.path()).entryList({QStringLiteral("*incomplete*")}, QDir::AllEntries).isEmpty());
    }
    TfrmExp *w = Backup(0, QString(), QString(), s.scratch.file(QStringLiteral("unused")));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->close()) << "the window closes once the run is over";
}

// A dump that fails leaves no archive of its own (no empty file where
// there was none) and an archive that was there before as it was; a dump
// that succeeds replaces it.
TEST_F(BackupRestore, AFailedDumpLeavesNoArchiveOfItsOwn)
{
    TV_REQUIRE_DB(db);
    Fixture();
    ASSERT_NE(Logon(), nullptr);
    struct Case {
        const char *name;
        int format;
        bool existed;
    };
    const Case cases[] = {{"custom", 1, false}, {"plain over an archive", 0, true}, {"directory", 3, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = s.scratch.file(QStringLiteral("failed%1").arg(c.format));
        if (c.existed) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("old archive");
        }
        TfrmExp *w = Backup(2, QStringLiteral("public\r\n"), QStringLiteral("Orders\r\n"), file, c.format);
        ASSERT_NE(w, nullptr);
        ASSERT_EQ(w->lstSelect->ItemCount(), 1);
        db.exec("DROP TABLE IF EXISTS public.\"Orders\"");
        s.dialogs.clear();
        s.dialogs.queueButton(IDYES);
        if (c.existed)
            s.dialogs.queueButton(IDYES);
        w->btnExec->trigger();
        ASSERT_FALSE(Texts().isEmpty());
        EXPECT_TRUE(Texts().last().contains(QStringLiteral("終了コード: 1"))) << Texts().last().toStdString();
        if (c.existed)
            EXPECT_EQ(ReadFile(file), QStringLiteral("old archive"));
        else
            EXPECT_FALSE(QFileInfo::exists(file));
        EXPECT_TRUE(QDir(s.scratch.path()).entryList({QStringLiteral("*incomplete*")}, QDir::AllEntries).isEmpty());
        db.exec("CREATE TABLE public.\"Orders\" (id int); INSERT INTO public.\"Orders\" VALUES (7)");
    }

    // A successful run over the kept archive replaces it.
    const QString file = s.scratch.file(QStringLiteral("failed0"));
    TfrmExp *w = Backup(2, QStringLiteral("public\r\n"), QStringLiteral("Orders\r\n"), file, 0);
    ASSERT_NE(w, nullptr);
    s.dialogs.clear();
    s.dialogs.queueButton(IDYES);
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    ASSERT_TRUE(Texts().contains(kDone)) << Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(ReadFile(file).contains(QStringLiteral("CREATE TABLE public.\"Orders\"")));
}

// A restore run schema by schema whose first run waits on a lock: the
// program does not close under it; Esc stops pg_restore, whose session is
// gone from the server, the later run does not start, and the window says
// the restore was stopped.
TEST_F(BackupRestore, ARestoreWaitingOnALockStopsOnEscAndRunsNoFurther)
{
    TV_REQUIRE_DB(db);
    Fixture();
    ASSERT_NE(Logon(), nullptr);
    const QString file = s.scratch.file(QStringLiteral("two.dmp"));
    TfrmExp *w = Backup(1, QStringLiteral("s1\r\ns2\r\n"), QString(), file);
    ASSERT_NE(w, nullptr);
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    ASSERT_TRUE(Texts().contains(kDone)) << Texts().join(QLatin1Char('\n')).toStdString();

    db.exec("TRUNCATE s1.a, s2.b");
    auto locker = OpenSession(db);
    locker->Exec(QStringLiteral("BEGIN; LOCK TABLE s1.a IN ACCESS EXCLUSIVE MODE"));
    const std::string restoreSessions = "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() "
                                        "AND application_name = 'pg_restore'";
    s.dialogs.clear();
    TfrmImp *r = TfrmImp::ShowWindow(s.Form());
    ASSERT_NE(r, nullptr);
    r->rdoFormat->Button(0)->click();
    r->rdoMode->Button(1)->click();
    r->txtImpFile->SetText(file);
    r->chkData->setChecked(true);
    for (const char *schema : {"s1", "s2"}) {
        r->cmbSchema->setEditText(QString::fromLatin1(schema));
        r->btnAddUser->click();
    }
    s.dialogs.queueButton(IDYES);

    bool pressed = false;
    bool mainClosed = true;
    QElapsedTimer sincePress;
    QTimer user;
    user.setInterval(50);
    QObject::connect(&user, &QTimer::timeout, r, [&] {
        if (pressed && sincePress.elapsed() > 60000 && locker) {
            locker.reset(); // Esc did not stop it: the run ends, the test fails
            return;
        }
        if (pressed || db.scalar(restoreSessions + " AND wait_event_type = 'Lock'") != "1")
            return;
        pressed = true;
        sincePress.start();
        mainClosed = s.CloseMain();
        QTest::keyClick(r->txtLog, Qt::Key_Escape);
    });
    user.start();
    r->btnExec->trigger();
    user.stop();

    ASSERT_TRUE(pressed) << Texts().join(QLatin1Char('\n')).toStdString();
    ASSERT_NE(locker, nullptr) << "Esc did not stop the restore";
    EXPECT_FALSE(mainClosed) << "the program waits for the busy window";
    ASSERT_FALSE(Texts().isEmpty());
    EXPECT_EQ(Texts().last(), QStringLiteral("インポートを中断しました。"));
    const QStringList lines = r->txtLog->Lines()->ToStringList();
    EXPECT_EQ(lines.last(), StoppedLogLine());
    EXPECT_FALSE(lines.contains(QString(200, QLatin1Char('-')))) << "the second schema's run never started";
    EXPECT_TRUE(PollUntil([&] { return db.scalar(restoreSessions) == "0"; })) << "pg_restore's session ended";
    locker.reset();
    EXPECT_EQ(db.scalar("SELECT count(*) FROM s1.a"), "0");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM s2.b"), "0");
}
