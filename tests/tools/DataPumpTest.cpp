// The data-pump export and import windows inside the real main window. The
// other product's tools do not exist here: a stub program in their place
// records its arguments, environment, standard input and parameter file and
// ends with a chosen code; fake tables for the five catalog views stand in a
// scratch schema on the search path.
#include "shell/ShellTestSupport.h"

#include "common/ImpdpOption.h"
#include "common/ExpdpOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "tools/DataPumpFiles.h"
#include "tools/frmExpdp.h"
#include "tools/frmImpdp.h"
#include "tools/frmImpdpList.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

using namespace tvtest;
using tv::ui::IDYES;

namespace {

const QString kStub = QStringLiteral(TALVEX_DATAPUMP_STUB);

QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList ReadLines(const QString &path)
{
    QStringList l = QString::fromLocal8Bit(ReadBytes(path)).split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

// Runs Work on the picker once it is the active modal window.
void OnPicker(std::function<void(TfrmImpdpList *)> Work)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, Work] {
        auto *d = qobject_cast<TfrmImpdpList *>(QApplication::activeModalWidget());
        if (!d)
            return;
        timer->stop();
        timer->deleteLater();
        Work(d);
    });
    timer->start();
}

// Sets an environment variable for the life of the object.
struct ScopedEnv {
    ScopedEnv(const char *name, const QByteArray &value) : name(name), old(qgetenv(name)), had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    }
    const char *name;
    QByteArray old;
    bool had;
};

void SelectIn(QListWidget *list, const QStringList &texts)
{
    list->clearSelection();
    for (const QString &t : texts) {
        const auto found = list->findItems(t, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << t.toStdString();
        found.first()->setSelected(true);
    }
}

class DataPump : public ::testing::Test {
protected:
    void SetUp() override
    {
        TfrmExpdp::RegisterLauncher();
        TfrmImpdp::RegisterLauncher();
        QDir().mkpath(rec());
        QDir().mkpath(dumps());
    }

    QString rec() const { return s.scratch.file(QStringLiteral("rec")); }
    QString dumps() const { return s.scratch.file(QStringLiteral("dumps")); }

    // The five catalog views as tables of the schema w3t9.
    void FakeCatalog()
    {
        const std::string dir = dumps().toStdString() + "/";
        db.exec("CREATE SCHEMA w3t9;"
                "CREATE TABLE w3t9.dba_directories (directory_name text, directory_path text);"
                "INSERT INTO w3t9.dba_directories VALUES ('DIR', '" + dir + "'), ('LOGDIR', '" + dir + "');"
                "CREATE TABLE w3t9.all_users (username text);"
                "INSERT INTO w3t9.all_users VALUES ('A'), ('B'), ('SCOTT');"
                "CREATE TABLE w3t9.all_objects (owner text, object_name text, object_type text, object_id int);"
                "INSERT INTO w3t9.all_objects VALUES ('SCOTT', 'EMP', 'TABLE', 1), ('scott', 'emp', 'TABLE', 2),"
                " ('SCOTT', 'GONE', 'TABLE', 3), ('SCOTT', 'V', 'VIEW', 4);"
                "CREATE TABLE w3t9.user_tablespaces (tablespace_name text);"
                "CREATE TABLE w3t9.user_recyclebin (purge_object int);"
                "INSERT INTO w3t9.user_recyclebin VALUES (3);");
    }

    bool Logon(const QString &schema, bool autoCommit = true)
    {
        s.Start(LogonArgs(db.params(), schema));
        tvOption.UpdateToCommit = autoCommit;
        s.FirstPaint();
        s.main->show();
        return s.Form() != nullptr;
    }

    template <class T>
    T *Launch(const char *name)
    {
        tv::ui::Guard([&] { s.main->LaunchWindow(QString::fromLatin1(name), true); });
        for (QWidget *w : s.main->MdiChildren()) {
            if (auto *t = dynamic_cast<T *>(w))
                return t;
        }
        return nullptr;
    }

    QStringList Texts() const { return s.dialogs.texts(); }

    TestDb db{"dp"};
    ShellSession s;
};

} // namespace

// The parameter lines of both files, by a table of cases.
TEST(DataPumpFiles, ParameterLines)
{
    TDataPumpChoices base;
    base.DirObj = QStringLiteral("DIR");
    base.File = QStringLiteral("X.DMP");
    base.LogDirObj = QStringLiteral("LOGDIR");
    base.LogFile = QStringLiteral("X.LOG");
    struct Case {
        const char *name;
        std::function<void(TDataPumpChoices &)> set;
        bool import;
        QStringList lines;
    };
    const QList<Case> cases{
        {"full, nothing left out", [](TDataPumpChoices &c) { c.Mode = 0; }, false,
         {"DUMPFILE=\"DIR:X.DMP\"", "LOGFILE=\"LOGDIR:X.LOG\"", "CONTENT=ALL", "FULL=Y"}},
        {"no log, metadata, excludes, no directory",
         [](TDataPumpChoices &c) {
             c.Mode = 3;
             c.Log = false;
             c.DirObj.clear();
             c.Grants = c.Indexes = c.Rows = c.Constraints = false;
         },
         false,
         {"DUMPFILE=\"X.DMP\"", "EXCLUDE=GRANT", "EXCLUDE=INDEX", "CONTENT=METADATA_ONLY", "EXCLUDE=CONSTRAINT",
          "TABLESPACES=(", ")"}},
        {"tables of both cases",
         [](TDataPumpChoices &c) {
             c.Mode = 2;
             c.Log = false;
             c.Objects = QStringList{"SCOTT.EMP", "scott.emp", "dept"};
         },
         false,
         {"DUMPFILE=\"DIR:X.DMP\"", "CONTENT=ALL", "TABLES=(", "\"SCOTT.EMP\",", "\\\"scott\\\".\\\"emp\\\",",
          "\\\"dept\\\"", ")"}},
        {"import of tables with remapping",
         [](TDataPumpChoices &c) {
             c.Mode = 2;
             c.Log = false;
             c.IndexFile = QStringLiteral("I.SQL");
             c.InfoDirObj = QStringLiteral("INFO");
             c.UserMap = QStringList{DataPumpRemapEntry(QStringLiteral("A"), QStringLiteral("B"))};
             c.Tables = QStringList{"EMP"};
         },
         true,
         {"DUMPFILE=\"DIR:X.DMP\"", "CONTENT=ALL", "SQLFILE=\"INFO:I.SQL\"", "REUSE_DATAFILES=N",
          "REMAP_SCHEMA=A:B", "TABLES=(", "\"EMP\"", ")"}},
        {"import of users, table action, reuse",
         [](TDataPumpChoices &c) {
             c.Mode = 1;
             c.Log = false;
             c.TableExists = true;
             c.TableExistsItem = 2;
             c.ReuseDatafiles = true;
             c.UserMap = QStringList{DataPumpRemapEntry(QStringLiteral("S"), QStringLiteral("S"))};
         },
         true,
         {"DUMPFILE=\"DIR:X.DMP\"", "CONTENT=ALL", "TABLE_EXISTS_ACTION=TRUNCATE", "REUSE_DATAFILES=Y",
          "REMAP_SCHEMA=S:S"}},
    };
    for (const Case &c : cases) {
        TDataPumpChoices ch = base;
        c.set(ch);
        EXPECT_EQ(c.import ? ImpdpParameterLines(ch) : ExpdpParameterLines(ch), c.lines) << c.name;
    }
    EXPECT_EQ(DataPumpRemapEntry(QStringLiteral("A"), QStringLiteral("B")),
              QStringLiteral("A") + QString(29, QLatin1Char(' ')) + QStringLiteral(" → B"));
    EXPECT_EQ(DataPumpConnectText(QStringLiteral("u"), QStringLiteral("db@<LOCAL>")), QStringLiteral("u@db"));
}

// Every table of a fixture whose markers and double-byte names lie across
// the borders of the 32 KB blocks is found, once, and its owner.
TEST(DataPumpFiles, ScannerFindsTablesAcrossBlockBorders)
{
    const int B = TDumpSqlScanner::BlockSize;
    QByteArray data("-- SQL file\nCREATE TABLE \"EARLY\".\"E\" (id NUMBER);\n");
    QStringList expected{QStringLiteral("EARLY.E")};
    int n = 0;
    // Markers starting at every offset around the first three borders.
    for (int border = 1; border <= 3; ++border) {
        for (int shift = -40; shift <= 4; ++shift) {
            const QString name = (n % 3 == 0 ? QStringLiteral("表%1").arg(n) : QStringLiteral("T%1").arg(n));
            const QString owner = n % 2 ? QStringLiteral("SCOTT") : QStringLiteral("所有者");
            const QByteArray line = tv::text::Encode(QStringLiteral("CREATE TABLE \"%1\".\"%2\" (id NUMBER);\n")
                                                         .arg(owner, name),
                                                     tv::text::Encoding::Ansi);
            // Pad so that the line feed before the marker lands at border + shift.
            const qsizetype target = qsizetype(border) * B + shift;
            if (data.size() < target)
                data += QByteArray(target - data.size() - 1, ' ') + '\n';
            data += line;
            expected << owner + QLatin1Char('.') + name;
            ++n;
        }
    }
    data += tv::text::Encode(QStringLiteral("CREATE TABLE \"SCOTT\".\"T1\" (id NUMBER);\n"), tv::text::Encoding::Ansi);
    data += "CREATE INDEX \"X\" ON \"SCOTT\".\"T1\";\n  CREATE TABLE \"NO\".\"INDENTED\" (x);\n";
    expected.sort();
    TDumpSqlScanner sc;
    sc.ScanBytes(data);
    EXPECT_EQ(sc.Tables, expected);
    EXPECT_EQ(sc.Users, (QStringList{QStringLiteral("EARLY"), QStringLiteral("SCOTT"), QStringLiteral("所有者")}));
    // The same from a file, and a stop after the first block keeps what was found.
    ScratchDir dir(false);
    const QString path = dir.file(QStringLiteral("x.SQL"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    TDumpSqlScanner fromFile;
    fromFile.ScanFile(path);
    EXPECT_EQ(fromFile.Tables, expected);
    TDumpSqlScanner stopped;
    stopped.Stop = [] { return true; };
    stopped.ScanFile(path);
    EXPECT_FALSE(stopped.Tables.isEmpty());
    EXPECT_LT(stopped.Tables.size(), expected.size());
    EXPECT_THROW(fromFile.ScanFile(dir.file(QStringLiteral("missing.SQL"))), tv::Error);
}

// Check 5: an export of two schemas writes its parameter file; mode 2 writes
// both kinds of table names; the password reaches the tool on its standard
// input only; a failing tool is reported with its exit code.
TEST_F(DataPump, ExportWritesTheParameterFileAndRunsTheTool)
{
    TV_REQUIRE_DB(db);
    ASSERT_FALSE(db.params().password.isEmpty());
    FakeCatalog();
    ASSERT_TRUE(Logon(QStringLiteral("w3t9")));
    ScopedEnv dirEnv("TALVEX_STUB_DIR", rec().toLocal8Bit());
    TfrmExpdp *w = Launch<TfrmExpdp>("DataPumpExport");
    ASSERT_NE(w, nullptr) << Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("エクスポート DataPump - ") + db.params().user + QStringLiteral(" @ ") +
                                    db.params().database);
    EXPECT_EQ(w->rdoMode->ItemIndex(), 1);
    EXPECT_EQ(w->lstSelect->count(), 0) << "the connection's user is not among ALL_USERS";
    ASSERT_EQ(w->lstAll->count(), 3);
    SelectIn(w->lstAll, {QStringLiteral("A"), QStringLiteral("B")});
    w->btnIns->click();
    w->txtExpdpPgm->SetText(kStub);
    w->chkLog->setChecked(true);
    w->txtLogFile->SetText(QStringLiteral("EXPDP.LOG"));
    w->cmbExpdpLogDirObj->setCurrentIndex(w->cmbExpdpLogDirObj->findText(QStringLiteral("LOGDIR")));
    w->cmbExpdpDirObj->setCurrentIndex(w->cmbExpdpDirObj->findText(QStringLiteral("DIR")));
    w->txtExpdpFile->SetText(QStringLiteral("EXPDPDAT.DMP"));
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    ASSERT_TRUE(Texts().contains(QStringLiteral("エクスポートを完了しました。"))) << Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(ReadBytes(rec() + QStringLiteral("/prm.txt")),
              QByteArray("DUMPFILE=\"DIR:EXPDPDAT.DMP\"\r\nLOGFILE=\"LOGDIR:EXPDP.LOG\"\r\nCONTENT=ALL\r\n"
                         "SCHEMAS=(\r\n\"A\",\r\n\"B\"\r\n)\r\n"));
    const QString pw = db.params().password;
    const QStringList args = ReadLines(rec() + QStringLiteral("/args.txt"));
    ASSERT_EQ(args.size(), 2);
    EXPECT_EQ(args[0], db.params().user + QLatin1Char('@') + db.params().database);
    EXPECT_TRUE(args[1].startsWith(QStringLiteral("PARFILE="))) << args[1].toStdString();
    EXPECT_TRUE(args[1].endsWith(QStringLiteral("/EXPDP.PRM")));
    EXPECT_FALSE(args.join(QLatin1Char(' ')).contains(pw));
    EXPECT_EQ(ReadBytes(rec() + QStringLiteral("/stdin.txt")), (pw + QLatin1Char('\n')).toLocal8Bit());
    EXPECT_FALSE(ReadBytes(rec() + QStringLiteral("/prm.txt")).contains(pw.toLocal8Bit()));
    EXPECT_TRUE(w->txtLog->Lines()->Text().contains(QStringLiteral("stub started")));
    EXPECT_FALSE(w->txtLog->Lines()->Text().contains(pw));
    EXPECT_EQ(ExpdpOption.ExpdpDirObj, QStringLiteral("DIR"));

    // Mode 2: the recycled table is not offered; both kinds of names.
    w->rdoMode->Button(2)->click();
    ASSERT_EQ(w->lstAll->count(), 2);
    w->btnInsAll->click();
    ScopedEnv exitEnv("TALVEX_STUB_EXIT", "3");
    s.dialogs.clear();
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    const QByteArray prm = ReadBytes(rec() + QStringLiteral("/prm.txt"));
    EXPECT_TRUE(prm.contains("TABLES=(\r\n\"SCOTT.EMP\",\r\n\\\"scott\\\".\\\"emp\\\"\r\n)\r\n")) << prm.toStdString();
    ASSERT_FALSE(Texts().isEmpty());
    EXPECT_EQ(Texts().last(), kStub + QStringLiteral(" の実行に失敗しました。\r\n終了コード: 3"));

    // A dump file that exists stops the run; a program that cannot start says so.
    s.dialogs.clear();
    QFile(dumps() + QStringLiteral("/EXPDPDAT.DMP")).open(QIODevice::WriteOnly);
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    EXPECT_EQ(Texts().last(), QStringLiteral("指定したファイルは既に存在しています。別名で保存してください。"));
    s.dialogs.clear();
    w->txtExpdpFile->SetText(QStringLiteral("OTHER.DMP"));
    w->txtExpdpPgm->SetText(s.scratch.file(QStringLiteral("no-such-expdp")));
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    EXPECT_EQ(Texts().last(), w->txtExpdpPgm->Text() + QStringLiteral(" の実行に失敗しました。"));

    // In the background: NLS_LANG in the tool's environment only, the
    // password on its input, no wait.
    s.dialogs.clear();
    QFile::remove(rec() + QStringLiteral("/stdin.txt"));
    w->txtExpdpPgm->SetText(kStub);
    w->chkBackground->setChecked(true);
    w->txtNLSLANG->SetText(QStringLiteral(" JAPANESE_JAPAN.JA16SJISTILDE "));
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    EXPECT_EQ(Texts().last(), QStringLiteral("エクスポートを開始しました。\r\n終了確認はセッション情報画面で行って下さい。"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("NLS_LANG"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadBytes(rec() + QStringLiteral("/stdin.txt")).size() > 0; }, 30000));
    EXPECT_EQ(ReadBytes(rec() + QStringLiteral("/stdin.txt")), (pw + QLatin1Char('\n')).toLocal8Bit());
    EXPECT_TRUE(ReadLines(rec() + QStringLiteral("/env.txt")).contains(QStringLiteral("NLS_LANG=JAPANESE_JAPAN.JA16SJISTILDE")));
    EXPECT_EQ(tvOption.NLS_LANG, QStringLiteral("JAPANESE_JAPAN.JA16SJISTILDE"));
}

// Check 6: the import window's remapping entry and parameter file; the dump
// listing finds the tables of the SQL file the tool leaves, and picking
// tables of two owners gives two self-remappings and the bare names.
TEST_F(DataPump, ImportRemapsAndListsTheDump)
{
    TV_REQUIRE_DB(db);
    FakeCatalog();
    ASSERT_TRUE(Logon(QStringLiteral("w3t9")));
    ScopedEnv dirEnv("TALVEX_STUB_DIR", rec().toLocal8Bit());
    // "IMPDP" from the search path is the stub.
    const QString bin = s.scratch.file(QStringLiteral("bin"));
    QDir().mkpath(bin);
    ASSERT_TRUE(QFile::link(kStub, bin + QStringLiteral("/IMPDP")));
    ScopedEnv pathEnv("PATH", (bin + QLatin1Char(':')).toLocal8Bit() + qgetenv("PATH"));

    TfrmImpdp *w = Launch<TfrmImpdp>("DataPumpImport");
    ASSERT_NE(w, nullptr) << Texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(w->rdoMode->ItemIndex(), 2);
    const QString user = db.params().user;
    ASSERT_GE(w->cmbToUser->findText(user), 0);
    w->txtFromUser->SetText(QStringLiteral("A"));
    w->cmbToUser->setCurrentIndex(w->cmbToUser->findText(user));
    w->btnAddUser->click();
    ASSERT_EQ(w->lstUser->count(), 1);
    EXPECT_EQ(w->lstUser->item(0)->text(), QStringLiteral("%1").arg(QStringLiteral("A"), -30) + QStringLiteral(" → ") + user);
    w->txtFromTable->setPlainText(QStringLiteral("EMP"));
    w->btnAddTable->click();
    w->txtImpdpPgm->SetText(kStub);
    w->txtLogFile->SetText(QStringLiteral("IMPDP.LOG"));
    s.dialogs.queueButton(IDYES);
    w->btnExec->trigger();
    ASSERT_TRUE(Texts().contains(QStringLiteral("インポートを完了しました。"))) << Texts().join(QLatin1Char('\n')).toStdString();
    const QByteArray prm = ReadBytes(rec() + QStringLiteral("/prm.txt"));
    EXPECT_TRUE(prm.contains(("\r\nREMAP_SCHEMA=A:" + user + "\r\n").toLocal8Bit())) << prm.toStdString();
    EXPECT_TRUE(prm.contains("\r\nREUSE_DATAFILES=N\r\n"));
    EXPECT_TRUE(prm.endsWith("TABLES=(\r\n\"EMP\"\r\n)\r\n"));
    EXPECT_EQ(ImpdpOption.UserList, w->lstUser->item(0)->text());

    // The listing: the SQL file the tool would write, tables of two owners.
    QFile sql(dumps() + QStringLiteral("/LIST.SQL"));
    ASSERT_TRUE(sql.open(QIODevice::WriteOnly));
    sql.write(tv::text::Encode(QStringLiteral("-- DDL\nCREATE TABLE \"HR\".\"社員\" (id NUMBER);\n"
                                              "CREATE TABLE \"SCOTT\".\"EMP\" (id NUMBER);\n"
                                              "CREATE TABLE \"SCOTT\".\"DEPT\" (id NUMBER);\n"),
                               tv::text::Encoding::Ansi));
    sql.close();
    w->cmbImpdpDirObj->setCurrentIndex(w->cmbImpdpDirObj->findText(QStringLiteral("DIR")));
    w->txtImpdpFile->SetText(QStringLiteral("LIST.DMP"));
    EXPECT_EQ(w->lstUser->count(), 0) << "a new file name empties the lists";
    s.dialogs.clear();
    s.dialogs.queueButton(IDYES);
    OnPicker([](TfrmImpdpList *d) {
        SelectIn(d->lstObject, {QStringLiteral("HR.社員"), QStringLiteral("SCOTT.EMP")});
        d->btnSelect->trigger();
    });
    w->btnList->click();
    EXPECT_EQ(w->FTableList, (QStringList{QStringLiteral("HR.社員"), QStringLiteral("SCOTT.DEPT"), QStringLiteral("SCOTT.EMP")}));
    EXPECT_EQ(w->FUserList, (QStringList{QStringLiteral("HR"), QStringLiteral("SCOTT")}));
    QStringList users, tables;
    for (int i = 0; i < w->lstUser->count(); ++i)
        users << w->lstUser->item(i)->text();
    for (int i = 0; i < w->lstTable->count(); ++i)
        tables << w->lstTable->item(i)->text();
    EXPECT_EQ(users, (QStringList{DataPumpRemapEntry(QStringLiteral("HR"), QStringLiteral("HR")),
                                  DataPumpRemapEntry(QStringLiteral("SCOTT"), QStringLiteral("SCOTT"))}));
    EXPECT_EQ(tables, (QStringList{QStringLiteral("EMP"), QStringLiteral("社員")}));
    const QStringList args = ReadLines(rec() + QStringLiteral("/args.txt"));
    EXPECT_EQ(args, (QStringList{user + QLatin1Char('@') + db.params().database, QStringLiteral("DUMPFILE=DIR:LIST.DMP"),
                                 QStringLiteral("SQLFILE=DIR:LIST.SQL")}));
    EXPECT_EQ(ReadBytes(rec() + QStringLiteral("/stdin.txt")), (db.params().password + QLatin1Char('\n')).toLocal8Bit());
    // A second "一覧" for the same file asks nothing and reads nothing.
    s.dialogs.clear();
    QFile::remove(rec() + QStringLiteral("/args.txt"));
    OnPicker([](TfrmImpdpList *d) {
        EXPECT_EQ(d->lstObject->count(), 3);
        d->btnExit->trigger();
    });
    w->btnList->click();
    EXPECT_TRUE(Texts().isEmpty());
    EXPECT_FALSE(QFile::exists(rec() + QStringLiteral("/args.txt")));

    // "最新(&R)" asks, lets the tool write the file again and lists it anew.
    ASSERT_TRUE(sql.open(QIODevice::Append));
    sql.write("CREATE TABLE \"SCOTT\".\"BONUS\" (id NUMBER);\n");
    sql.close();
    s.dialogs.queueButton(IDYES);
    int before = -1, after = -1;
    OnPicker([&](TfrmImpdpList *d) {
        before = d->lstObject->count();
        d->btnRefresh->trigger();
        after = d->lstObject->count();
        d->btnExit->trigger();
    });
    w->btnList->click();
    EXPECT_EQ(before, 3);
    EXPECT_EQ(after, 4);
    EXPECT_TRUE(QFile::exists(rec() + QStringLiteral("/args.txt")));
    EXPECT_EQ(w->lstTable->count(), 2) << "closing the picker without a choice keeps the lists";
}

// The input checks of both windows stop before anything is written, each
// with its message; "No" to the question runs nothing either.
TEST_F(DataPump, InputChecksStopBeforeAnythingRuns)
{
    TV_REQUIRE_DB(db);
    FakeCatalog();
    ASSERT_TRUE(Logon(QStringLiteral("w3t9")));
    ScopedEnv dirEnv("TALVEX_STUB_DIR", rec().toLocal8Bit());
    TfrmExpdp *e = Launch<TfrmExpdp>("DataPumpExport");
    ASSERT_NE(e, nullptr);
    e->txtExpdpPgm->SetText(kStub);
    struct Case {
        const char *name;
        std::function<void()> set;
        QString message;
    };
    auto reset = [&] {
        e->rdoMode->Button(0)->click();
        e->cmbExpdpDirObj->setCurrentIndex(0);
        e->txtExpdpFile->SetText(QStringLiteral("X.DMP"));
        e->chkLog->setChecked(true);
        e->cmbExpdpLogDirObj->setCurrentIndex(0);
        e->txtLogFile->SetText(QStringLiteral("X.LOG"));
    };
    const QList<Case> exportCases{
        {"no directory", [&] { e->cmbExpdpDirObj->setCurrentIndex(-1); }, QStringLiteral("ディレクトリオブジェクトを入力して下さい。")},
        {"blank file", [&] { e->txtExpdpFile->SetText(QStringLiteral("  ")); }, QStringLiteral("出力ファイル名を入力して下さい。")},
        {"schemas, none chosen", [&] { e->rdoMode->Button(1)->click(); }, QStringLiteral("対象オブジェクトを選択して下さい。")},
        {"log without directory", [&] { e->cmbExpdpLogDirObj->setCurrentIndex(-1); },
         QStringLiteral("ログのディレクトリオブジェクトを入力して下さい。")},
        {"log without file", [&] { e->txtLogFile->SetText(QString()); }, QStringLiteral("ログ出力ファイルを入力して下さい。")},
        {"answer No", [&] { s.dialogs.queueButton(tv::ui::IDNO); }, QStringLiteral("エクスポートを開始します。よろしいですか？")},
    };
    for (const Case &c : exportCases) {
        reset();
        s.dialogs.clear();
        c.set();
        e->btnExec->trigger();
        EXPECT_EQ(Texts(), QStringList{c.message}) << c.name;
        EXPECT_FALSE(QFile::exists(rec() + QStringLiteral("/args.txt"))) << c.name;
    }
    // Unticking the log empties and disables both boxes; no LOGFILE line then.
    reset();
    e->chkLog->setChecked(false);
    EXPECT_FALSE(e->txtLogFile->isEnabled());
    EXPECT_TRUE(e->txtLogFile->Text().isEmpty());
    EXPECT_FALSE(e->cmbExpdpLogDirObj->isEnabled());
    s.dialogs.clear();
    s.dialogs.queueButton(IDYES);
    e->btnExec->trigger();
    EXPECT_FALSE(ReadBytes(rec() + QStringLiteral("/prm.txt")).contains("LOGFILE"));
    QFile::remove(rec() + QStringLiteral("/args.txt"));

    TfrmImpdp *i = Launch<TfrmImpdp>("DataPumpImport");
    ASSERT_NE(i, nullptr);
    i->txtImpdpPgm->SetText(kStub);
    const QList<Case> importCases{
        {"blank file", [&] { i->txtImpdpFile->SetText(QStringLiteral(" ")); }, QStringLiteral("入力ファイル名を入力して下さい。")},
        {"no user", [&] {}, QStringLiteral("対象ユーザーを選択して下さい。")},
        {"no table",
         [&] {
             i->txtFromUser->SetText(QStringLiteral("A"));
             i->btnAddUser->click();
         },
         QStringLiteral("対象テーブルを選択して下さい。")},
        {"blank user to add", [&] { i->btnAddUser->click(); }, QStringLiteral("ユーザー名を指定して下さい。")},
    };
    for (const Case &c : importCases) {
        i->txtImpdpFile->SetText(QStringLiteral("X.DMP"));
        i->txtFromUser->SetText(QString());
        s.dialogs.clear();
        c.set();
        if (!s.dialogs.texts().isEmpty()) {
            EXPECT_EQ(Texts(), QStringList{c.message}) << c.name;
            continue;
        }
        i->btnExec->trigger();
        EXPECT_EQ(Texts(), QStringList{c.message}) << c.name;
    }
    EXPECT_FALSE(QFile::exists(rec() + QStringLiteral("/args.txt")));
    // The same source again replaces its entry; an empty target maps to itself.
    i->txtFromUser->SetText(QStringLiteral("A"));
    i->btnAddUser->click();
    i->btnAddUser->click();
    ASSERT_EQ(i->lstUser->count(), 1);
    EXPECT_EQ(i->lstUser->item(0)->text(), DataPumpRemapEntry(QStringLiteral("A"), QStringLiteral("A")));
    // Changing the mode empties both lists.
    i->rdoMode->Button(1)->click();
    EXPECT_EQ(i->lstUser->count(), 0);
}

// Check 7: with auto-commit off and an insert pending, opening the export
// window on a server without the catalog views shows the server's error and
// leaves the transaction alive: the commit reaches another session.
TEST_F(DataPump, FailingCatalogReadKeepsTheOpenTransaction)
{
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE w3t9_t (v int)");
    ASSERT_TRUE(Logon(QString(), false));
    TfrmObject *f = s.Form();
    f->ExecuteSQL(QStringLiteral("INSERT INTO w3t9_t VALUES (1)"));
    TfrmExpdp *w = Launch<TfrmExpdp>("DataPumpExport");
    ASSERT_NE(w, nullptr) << "the window stays open with its defaults";
    ASSERT_EQ(Texts().size(), 1);
    EXPECT_TRUE(Texts()[0].contains(QStringLiteral("dba_directories"))) << Texts()[0].toStdString();
    EXPECT_EQ(db.scalar("SELECT count(*) FROM w3t9_t"), "0");
    s.main->Action(QStringLiteral("actDBCommit"))->trigger();
    EXPECT_EQ(db.scalar("SELECT count(*) FROM w3t9_t"), "1");
    // The import window alike.
    s.dialogs.clear();
    f->ExecuteSQL(QStringLiteral("INSERT INTO w3t9_t VALUES (2)"));
    EXPECT_NE(Launch<TfrmImpdp>("DataPumpImport"), nullptr);
    EXPECT_EQ(Texts().size(), 1);
    s.main->Action(QStringLiteral("actDBCommit"))->trigger();
    EXPECT_EQ(db.scalar("SELECT count(*) FROM w3t9_t"), "2");
}
