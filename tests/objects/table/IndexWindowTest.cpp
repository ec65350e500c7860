// The index window and the storage frame against the test server, started
// as the program starts: opened through the dispatcher, the editor's
// "定義情報" and the new-object button; compiled through the preview and the
// execution dialog; scripted without a window.
#include "shell/ModalSteps.h"
#include "shell/ShellTestSupport.h"
#include "DDLExecUser.h"
#include "TableWindowTestSupport.h"

#include "common/ScriptOption.h"
#include "controls/tvCheckBox.h"
#include "controls/tvComboBox.h"
#include "controls/tvListBox.h"
#include "controls/tvListView.h"
#include "controls/tvNumEdit.h"
#include "controls/tvRadioButton.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/TableWindows.h"
#include "objects/table/fraStorage.h"
#include "objects/table/frmIndex.h"
#include "shell/ListItemImage.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"

#include <QAction>
#include <QScopeGuard>
#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <libpq-fe.h>

using namespace tvtest;

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

QList<TfrmIndex *> IndexWindows(const ShellSession &s)
{
    return WindowsOf<TfrmIndex>(s);
}

// Answers the next preview with OK, keeping the lines it showed.
struct PreviewAnswer {
    QString caption;
    QStringList lines;
    ModalSteps steps{{{QStringLiteral("frmDDLPreview"), [this](QWidget *w) {
                           auto *p = static_cast<TfrmDDLPreview *>(w);
                           caption = p->windowTitle();
                           lines = p->txtLog->Lines()->ToStringList();
                           p->btnOK->click();
                       }}}};
};

class IndexWindow : public TableWindowTest {
protected:
    void SetUp() override
    {
        StartOn("idx", "CREATE SCHEMA s1;"
                       "CREATE TABLE s1.t1 (id int, name text, code text, tags int[]);"
                       "INSERT INTO s1.t1 VALUES (1, 'a', 'x', '{1}'), (2, 'b', 'x', '{2}');"
                       "CREATE INDEX i1 ON s1.t1 (name);");
    }
    void TearDown() override
    {
        DropChanges<TfrmIndex>();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<TfrmDDLExec *>(w))
                delete d;
    }

    TfrmIndex *Open(const QString &schema, const QString &name)
    {
        return dynamic_cast<TfrmIndex *>(form->OpenObject(46, schema, name));
    }
    std::string Scalar(const std::string &sql) { return db->scalar(sql); }
    // A tablespace in the cluster's own folder, dropped with the fixture.
    QString MakeTablespace()
    {
        const DbParams &p = db->params();
        const std::string conninfo = "host=" + p.host.toStdString() + " port=" + p.port.toStdString() +
                                     " user=" + p.user.toStdString() + " password=" + p.password.toStdString() +
                                     " dbname=" + p.database.toStdString();
        const QString name = QStringLiteral("tvx_ts_%1").arg(p.database);
        PGconn *c = PQconnectdb(conninfo.c_str());
        for (const std::string &sql : {std::string("SET allow_in_place_tablespaces = true"),
                                      "CREATE TABLESPACE " + name.toStdString() + " LOCATION ''"}) {
            PGresult *r = PQexec(c, sql.c_str());
            EXPECT_EQ(PQresultStatus(r), PGRES_COMMAND_OK) << PQerrorMessage(c);
            PQclear(r);
        }
        PQfinish(c);
        tablespace = name;
        return name;
    }

    QString tablespace;

public:
    ~IndexWindow() override
    {
        if (!tablespace.isEmpty() && db) {
            db->exec("DROP SCHEMA s1 CASCADE");
            db->exec(("DROP TABLESPACE " + tablespace).toStdString());
        }
    }
};

// "作成(&C)" as the user presses it: only while the action is enabled.
void PressCompile(TfrmIndex *w)
{
    w->UpdateActions();
    ASSERT_TRUE(w->actCompile->isEnabled());
    w->actCompile->trigger();
}

QString Suffix(const DbParams &p)
{
    return QStringLiteral(" @ ") + p.database + u'/' + p.host + u':' + p.port;
}

} // namespace

// The dispatcher opens one window per index; a compile applies the new
// uniqueness for every session; an index dropped meanwhile opens nothing.
TEST_F(IndexWindow, OpensOnceAndAppliesADefinitionChange)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmIndex *w = Open(QStringLiteral("s1"), QStringLiteral("i1"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("INDEX - s1.i1") + Suffix(db->params()));
    EXPECT_EQ(w->TaskCaption(), QStringLiteral("i1"));
    EXPECT_EQ(w->lstIdxCol->count(), 1);
    EXPECT_EQ(w->lstIdxCol->item(0)->text(), QStringLiteral("name"));
    EXPECT_EQ(w->lstTabCol->count(), 4);
    EXPECT_TRUE(w->rdoBtree->Checked());
    EXPECT_FALSE(w->pnlName->isEnabled());

    EXPECT_EQ(Open(QStringLiteral("s1"), QStringLiteral("i1")), nullptr);
    EXPECT_EQ(IndexWindows(s).size(), 1);
    EXPECT_TRUE(s.dialogs.calls().isEmpty());

    w->chkUnique->click();
    EXPECT_TRUE(w->Modified());
    ExecDialogUser user(true, s.dialogs);
    PressCompile(w);
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(Scalar("SELECT indisunique FROM pg_index WHERE indexrelid = 's1.i1'::regclass"), "t");
    EXPECT_TRUE(w->chkUnique->Checked());
    EXPECT_TRUE(s.dialogs.calls().isEmpty()) << s.dialogs.texts().join(u'|').toStdString();

    db->exec("CREATE INDEX gone ON s1.t1 (code); DROP INDEX s1.gone;");
    EXPECT_EQ(Open(QStringLiteral("s1"), QStringLiteral("gone")), nullptr);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("定義情報を読み込めませんでした。")});
    EXPECT_EQ(s.dialogs.calls().last().flags & tv::ui::MB_ICONMASK, tv::ui::MB_ICONSTOP);
    EXPECT_EQ(IndexWindows(s).size(), 1);
}

// With the keep options on, a compile keeps the index's source as it was
// before the change and as it is after it.
TEST_F(IndexWindow, CompileKeepsTheSourceBeforeAndAfter)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const TtvOption saved = tvOption;
    struct Restore {
        TtvOption o;
        ~Restore() { tvOption = o; }
    } restore{saved};
    const QString dir = s.scratch.path() + QStringLiteral("/keep/");
    tvOption.SaveBeforeSrc = tvOption.SaveAfterSrc = true;
    tvOption.SaveBeforeSrcDir = dir + QStringLiteral("before");
    tvOption.SaveAfterSrcDir = dir + QStringLiteral("after");
    tvOption.SaveBeforeSrcRenum = tvOption.SaveAfterSrcRenum = false;
    tvOption.SaveBeforeSrcHead = tvOption.SaveAfterSrcHead = false;
    tvOption.SaveBeforeSrcDialog = tvOption.SaveAfterSrcDialog = false;
    TfrmIndex *w = Open(QStringLiteral("s1"), QStringLiteral("i1"));
    ASSERT_NE(w, nullptr);
    w->chkUnique->click();
    ExecDialogUser user(true, s.dialogs);
    PressCompile(w);
    EXPECT_EQ(Scalar("SELECT indisunique FROM pg_index WHERE indexrelid = 's1.i1'::regclass"), "t");
    auto read = [](const QString &path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return QString::fromUtf8(f.readAll());
    };
    const QString before = read(dir + QStringLiteral("before/s1/INDEX/i1.SQL"));
    const QString after = read(dir + QStringLiteral("after/s1/INDEX/i1.SQL"));
    EXPECT_TRUE(before.contains(QStringLiteral("CREATE INDEX"))) << before.toStdString();
    EXPECT_FALSE(before.contains(QStringLiteral("UNIQUE"))) << before.toStdString();
    EXPECT_TRUE(after.contains(QStringLiteral("CREATE UNIQUE INDEX"))) << after.toStdString();
}

// Ctrl+O on "s1.i1" selected in an editor opens the index, and again only
// brings it forward.
TEST_F(IndexWindow, DefinitionInfoInTheEditorOpensTheIndex)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmMain &m = *s.main;
    TtvMemo *memo = EditorInMainWindow(m);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    memo->EditSetText(QStringLiteral("s1.i1"));
    memo->setFocus();
    QCoreApplication::processEvents();
    for (int round = 0; round < 2; ++round) {
        memo->setFocus();
        QCoreApplication::processEvents();
        memo->EditSetSel(0, 5);
        m.UpdateActions();
        ASSERT_TRUE(m.Action(QStringLiteral("actEditOpen"))->isEnabled());
        m.Action(QStringLiteral("actEditOpen"))->trigger();
        ASSERT_EQ(IndexWindows(s).size(), 1);
        EXPECT_EQ(IndexWindows(s).first()->windowTitle(), QStringLiteral("INDEX - s1.i1") + Suffix(db->params()));
    }
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

// "新規インデックス": a new index on t1(name), unique, previewed as the
// plain CREATE INDEX without a tablespace.
TEST_F(IndexWindow, NewIndexIsPreviewedAndCreated)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    s.main->Action(QStringLiteral("btnNewIndex"))->trigger();
    ASSERT_EQ(IndexWindows(s).size(), 1);
    TfrmIndex *w = IndexWindows(s).first();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("INDEX - 新規"));
    EXPECT_EQ(w->TaskCaption(), QStringLiteral("新規"));
    EXPECT_EQ(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabSource)), false);
    EXPECT_EQ(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabStorage)), false);
    EXPECT_EQ(w->cmbSchema->Text(), QStringLiteral("public"));

    // Required fields, in order.
    w->cmbSchema->setFocus();
    w->SetModified(true);
    PressCompile(w);
    QTest::keyClicks(w->txtName, QStringLiteral("i2"));
    EXPECT_EQ(w->txtName->Text(), QStringLiteral("i2"));
    PressCompile(w);
    EXPECT_EQ(s.dialogs.texts(), (QStringList{QStringLiteral("名前を入力して下さい。"),
                                              QStringLiteral("テーブル名を入力して下さい。")}));
    s.dialogs.clear();

    w->cmbSchema->SetText(QStringLiteral("s1"));
    w->cmbSchemaExit();
    w->cmbTableName->SetText(QStringLiteral("t1"));
    w->cmbTableNameExit();
    ASSERT_EQ(w->lstTabCol->count(), 4);
    PressCompile(w);
    EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("インデックス列を指定して下さい。")});
    s.dialogs.clear();
    w->lstTabCol->item(1)->setSelected(true);
    w->btnIns->click();
    w->btnIns->click(); // the same column once
    EXPECT_EQ(w->lstIdxCol->count(), 1);
    w->rdoHash->click();
    w->chkUnique->click();
    EXPECT_TRUE(w->rdoBtree->Checked());

    tvOption.ShowDDL = true;
    PreviewAnswer preview;
    ExecDialogUser user(true, s.dialogs);
    PressCompile(w);
    EXPECT_EQ(preview.caption, QStringLiteral("s1.i2 のコンパイル"));
    EXPECT_EQ(preview.lines, (QStringList{"CREATE UNIQUE INDEX \"i2\"", "ON \"s1\".\"t1\"", "USING btree",
                                          "(\"name\")", ";"}));
    EXPECT_EQ(Scalar("SELECT indisunique FROM pg_index WHERE indexrelid = 's1.i2'::regclass"), "t");
    EXPECT_FALSE(w->IsNew());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("INDEX - s1.i2") + Suffix(db->params()));
    EXPECT_TRUE(w->pagObject->isTabVisible(w->pagObject->indexOf(w->tabStorage)));
    EXPECT_EQ(w->fraStorage->cmbTBS->Text(), QStringLiteral("pg_default"));
}

// A definition change drops and creates again (with the tablespace); a
// tablespace change alone alters; HASH over two columns is refused.
TEST_F(IndexWindow, DefinitionChangeRecreatesAndTablespaceChangeAlters)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE UNIQUE INDEX i2 ON s1.t1 (name)");
    const QString ts = MakeTablespace();
    TfrmIndex *w = Open(QStringLiteral("s1"), QStringLiteral("i2"));
    ASSERT_NE(w, nullptr);
    tvOption.ShowDDL = true;
    {
        w->chkUnique->click();
        PreviewAnswer preview;
        ExecDialogUser user(true, s.dialogs);
        PressCompile(w);
        EXPECT_EQ(preview.lines, (QStringList{"DROP INDEX \"s1\".\"i2\"", ";", "CREATE INDEX \"i2\"", "ON \"s1\".\"t1\"",
                                              "USING btree", "(\"name\")", "TABLESPACE \"pg_default\"", ";"}));
        EXPECT_EQ(Scalar("SELECT indisunique FROM pg_index WHERE indexrelid = 's1.i2'::regclass"), "f");
    }
    {
        ASSERT_TRUE(w->SelectPage(w->tabStorage));
        w->fraStorage->cmbTBS->SetText(ts);
        EXPECT_TRUE(w->Modified());
        PreviewAnswer preview;
        ExecDialogUser user(true, s.dialogs);
        PressCompile(w);
        EXPECT_EQ(preview.lines, (QStringList{"ALTER INDEX \"s1\".\"i2\" SET TABLESPACE \"" + ts + "\"", ";"}));
        EXPECT_EQ(QString::fromStdString(Scalar("SELECT T.spcname FROM pg_class C JOIN pg_tablespace T ON "
                                                "T.oid = C.reltablespace WHERE C.oid = 's1.i2'::regclass")),
                  ts);
    }
    {
        // With "SQL文に領域情報を含める" off the index made again stays
        // where it is: the option governs what is shown, not what runs.
        tvOption.ShowStorageSource = false;
        const auto restore = qScopeGuard([] { tvOption.ShowStorageSource = true; });
        ASSERT_TRUE(w->SelectPage(w->tabDefine));
        w->chkUnique->click();
        PreviewAnswer preview;
        ExecDialogUser user(true, s.dialogs);
        PressCompile(w);
        EXPECT_EQ(preview.lines, (QStringList{"DROP INDEX \"s1\".\"i2\"", ";", "CREATE UNIQUE INDEX \"i2\"",
                                              "ON \"s1\".\"t1\"", "USING btree", "(\"name\")",
                                              "TABLESPACE \"" + ts + "\"", ";"}));
        EXPECT_EQ(QString::fromStdString(Scalar("SELECT T.spcname FROM pg_class C JOIN pg_tablespace T ON "
                                                "T.oid = C.reltablespace WHERE C.oid = 's1.i2'::regclass")),
                  ts);
    }
    {
        ASSERT_TRUE(w->SelectPage(w->tabDefine));
        w->rdoHash->click();
        w->lstTabCol->item(0)->setSelected(true);
        w->btnIns->click();
        s.dialogs.clear();
        PreviewAnswer preview;
        PressCompile(w);
        EXPECT_EQ(s.dialogs.texts(), QStringList{QStringLiteral("ハッシュ使用時は1項目のみ指定して下さい。")});
        EXPECT_TRUE(preview.lines.isEmpty());
        EXPECT_TRUE(w->Modified());
    }
}

// A failing statement rolls the compile back, with stop-on-error on and
// off: the old index stays and the window keeps the user's edits; closing
// asks to compile.
TEST_F(IndexWindow, FailedCompileKeepsTheOldIndexAndTheEdits)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("INSERT INTO s1.t1 VALUES (3, 'a', 'y', '{3}')");
    for (bool stopOnError : {true, false}) {
        SCOPED_TRACE(stopOnError);
        TfrmIndex *w = Open(QStringLiteral("s1"), QStringLiteral("i1"));
        ASSERT_NE(w, nullptr);
        w->chkUnique->click();
        {
            ExecDialogUser user(stopOnError, s.dialogs);
            PressCompile(w);
            EXPECT_TRUE(user.log.contains(QStringLiteral("《エラー》"))) << user.log.join(u'|').toStdString();
            // The server's whole report: which key is duplicated.
            EXPECT_TRUE(user.log.join(u'\n').contains(QStringLiteral(
                "ERROR: could not create unique index \"i1\"\nDETAIL: Key (name)=(a) is duplicated.")))
                << user.log.join(u'|').toStdString();
            EXPECT_EQ(user.stopped, stopOnError);
        }
        EXPECT_EQ(Scalar("SELECT indisunique FROM pg_index WHERE indexrelid = 's1.i1'::regclass"), "f");
        EXPECT_TRUE(w->Modified());
        EXPECT_FALSE(w->IsNew());
        EXPECT_TRUE(w->chkUnique->Checked());

        // Leaving the page asks again; Cancel stays.
        s.dialogs.clear();
        s.dialogs.queueButton(tv::ui::IDCANCEL);
        EXPECT_FALSE(w->SelectPage(w->tabSource));
        EXPECT_EQ(w->ShownPage(), w->tabDefine);
        // Closing asks; Cancel keeps the window.
        s.dialogs.queueButton(tv::ui::IDCANCEL);
        EXPECT_FALSE(w->CloseQuery());
        EXPECT_EQ(s.dialogs.texts(), (QStringList{QStringLiteral("情報が変更されています。コンパイルしますか？"),
                                                  QStringLiteral("情報が変更されています。コンパイルしますか？")}));
        w->SetModified(false);
        w->Close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Script output without a window: the source page's text in the file
// encoding, a partial gin index with its own definition, nothing for an
// unknown index; saving from the window.
TEST_F(IndexWindow, ScriptOutputAndSaveToFile)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE INDEX g1 ON s1.t1 USING gin (tags) WHERE id > 1");
    tvOption.Encoding = 2;
    ScriptOption.Owner = 1;
    ScratchDir dir(false);
    const QString path = dir.file(QStringLiteral("i1.sql"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        form->OutputScript(46, QStringLiteral("s1"), QStringLiteral("i1"), f);
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    TfrmIndex *w = dynamic_cast<TfrmIndex *>(form->OpenObject(46, QStringLiteral("s1"), QStringLiteral("i1"), omSource));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->ShownPage(), w->tabSource);
    const QStringList source = w->txtSource->Lines()->ToStringList();
    EXPECT_EQ(source, (QStringList{"CREATE INDEX \"i1\"", "ON \"s1\".\"t1\"", "USING btree", "(\"name\")",
                                   "TABLESPACE \"pg_default\"", ";"}));
    EXPECT_EQ(QString::fromUtf8(bytes), source.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));

    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    form->OutputScript(46, QStringLiteral("s1"), QStringLiteral("g1"), buffer);
    const QString gin = QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data().constData()),
                                           buffer.data().size() / 2);
    EXPECT_EQ(gin, QStringLiteral("CREATE INDEX g1 ON s1.t1 USING gin (tags)\r\nTABLESPACE \"pg_default\"\r\n"
                                  "WHERE (id > 1)\r\n;\r\n"));
    // The script runs: the index comes back as it was.
    db->exec("DROP INDEX s1.g1");
    db->exec(QString(gin).remove(u'\r').toStdString());
    EXPECT_EQ(Scalar("SELECT pg_get_indexdef('s1.g1'::regclass)"),
              "CREATE INDEX g1 ON s1.t1 USING gin (tags) WHERE (id > 1)");

    QBuffer none;
    none.open(QIODevice::ReadWrite);
    form->OutputScript(46, QStringLiteral("s1"), QStringLiteral("nothing"), none);
    EXPECT_TRUE(none.data().isEmpty());

    // The gin index opens with its own definition and the define page disabled.
    TfrmIndex *g = Open(QStringLiteral("s1"), QStringLiteral("g1"));
    ASSERT_NE(g, nullptr);
    EXPECT_FALSE(g->chkUnique->isEnabled());
    EXPECT_FALSE(g->rdoBtree->Checked() || g->rdoHash->Checked() || g->rdoBrin->Checked());

    // Save to file: FileDir + "s1.i1.sql", then the message.
    tvOption.FileDir = dir.path();
    const QString saved = dir.file(QStringLiteral("saved.sql"));
    s.dialogs.queuePath(saved);
    w->UpdateActions();
    ASSERT_TRUE(w->actSave->isEnabled());
    w->actSave->trigger();
    ASSERT_FALSE(s.dialogs.calls().isEmpty());
    EXPECT_EQ(s.dialogs.calls().first().file.fileName, dir.file(QStringLiteral("s1.i1.sql")));
    EXPECT_EQ(s.dialogs.texts().last(), QStringLiteral("スクリプトが出力されました。"));
    QFile sf(saved);
    ASSERT_TRUE(sf.open(QIODevice::ReadOnly));
    EXPECT_EQ(sf.readAll(), bytes);
}

// An index of a TOAST table opens read-only: nothing to compile or delete,
// no question on close.
TEST_F(IndexWindow, ToastIndexIsReadOnly)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    const QString toast = QString::fromStdString(
        Scalar("SELECT T.relname FROM pg_class C JOIN pg_class T ON T.oid = C.reltoastrelid WHERE C.oid = 's1.t1'::regclass"));
    const QString index = QString::fromStdString(
        Scalar("SELECT I.relname FROM pg_index X JOIN pg_class I ON I.oid = X.indexrelid JOIN pg_class T ON T.oid = "
               "X.indrelid WHERE T.relname = '" + toast.toStdString() + "'"));
    ASSERT_FALSE(index.isEmpty());
    TfrmIndex *w = Open(QStringLiteral("pg_toast"), index);
    ASSERT_NE(w, nullptr);
    TfrmIndex *plain = Open(QStringLiteral("s1"), QStringLiteral("i1"));
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(w->ReadOnlyState());
    EXPECT_FALSE(plain->ReadOnlyState());
    w->SetModified(true); // an edit
    w->UpdateActions();
    EXPECT_FALSE(w->actCompile->isEnabled());
    EXPECT_FALSE(w->actDelete->isEnabled());
    plain->UpdateActions();
    EXPECT_TRUE(plain->actDelete->isEnabled());
    EXPECT_TRUE(w->SelectPage(w->tabSource));
    EXPECT_TRUE(w->CloseQuery());
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

// Delete asks with No as the default and drops the index.
TEST_F(IndexWindow, DeleteDropsTheIndex)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmIndex *w = Open(QStringLiteral("s1"), QStringLiteral("i1"));
    ASSERT_NE(w, nullptr);
    s.dialogs.queueButton(tv::ui::IDNO);
    w->actDelete->trigger();
    EXPECT_EQ(Scalar("SELECT count(*) FROM pg_class WHERE relname = 'i1'"), "1");
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actDelete->trigger();
    EXPECT_EQ(Scalar("SELECT count(*) FROM pg_class WHERE relname = 'i1'"), "0");
    EXPECT_EQ(s.dialogs.texts(), (QStringList{QStringLiteral("オブジェクトを削除しますか？"),
                                              QStringLiteral("オブジェクトを削除しますか？"),
                                              QStringLiteral("オブジェクトが削除されました。")}));
    EXPECT_EQ(s.dialogs.calls().first().flags, unsigned(292));
}

// The storage frame reads each autovacuum option by its exact name and an
// enabled flag as the server reads a boolean.
TEST_F(IndexWindow, StorageFrameReadsReloptionsByName)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("ALTER TABLE s1.t1 SET (autovacuum_enabled=on, autovacuum_vacuum_cost_delay=2.5, "
             "autovacuum_multixact_freeze_max_age=200000000)");
    TtvForm owner(form);
    owner.SetObjType(45);
    owner.SetIsNew(false);
    auto *frame = new TfraStorage(&owner, &owner);
    frame->Init(QStringLiteral("s1"), QStringLiteral("t1"));
    frame->ShowDefine();
    frame->Save();
    EXPECT_TRUE(frame->chkAutoVacuum->Checked());
    EXPECT_TRUE(frame->chkEnabled->Checked());
    EXPECT_EQ(frame->txtTable[4]->objectName(), QStringLiteral("txtVaccumDelay"));
    EXPECT_EQ(frame->txtTable[4]->Text(), QStringLiteral("2.5"));
    EXPECT_EQ(frame->txtTable[7]->objectName(), QStringLiteral("txtFreezeMax"));
    EXPECT_EQ(frame->txtTable[7]->Text(), QString());
    EXPECT_TRUE(frame->chkLog->Checked());
    QStringList alter;
    frame->GetSourceAlterV(alter);
    EXPECT_EQ(alter, (QStringList{"ALTER TABLE \"s1\".\"t1\" SET (", "    AUTOVACUUM_ENABLED = TRUE,",
                                  "    AUTOVACUUM_VACUUM_COST_DELAY = 2.5", ")", ";"}));
    // The statement runs as built.
    form->ExecuteSQL(alter.mid(0, alter.size() - 1).join(u'\n'));
}

// "戻す(&R)" asks before it discards edits; refilling the drop-down lists is
// no edit.
TEST_F(IndexWindow, ReloadAsksBeforeDiscardingEdits)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmIndex *w = Open(QStringLiteral("s1"), QStringLiteral("i1"));
    ASSERT_NE(w, nullptr);
    w->cmbTableNameDropDown();
    EXPECT_NE(w->cmbTableName->findText(QStringLiteral("t1")), -1);
    EXPECT_EQ(w->cmbTableName->Text(), QStringLiteral("t1"));
    EXPECT_FALSE(w->Modified());

    w->lstTabCol->item(2)->setSelected(true);
    w->btnIns->click();
    ASSERT_EQ(w->lstIdxCol->count(), 2);
    s.dialogs.queueButton(tv::ui::IDNO);
    w->actRefresh->trigger();
    EXPECT_EQ(w->lstIdxCol->count(), 2);
    EXPECT_TRUE(w->Modified());
    s.dialogs.queueButton(tv::ui::IDYES);
    w->actRefresh->trigger();
    EXPECT_EQ(w->lstIdxCol->count(), 1);
    EXPECT_FALSE(w->Modified());
    EXPECT_EQ(s.dialogs.texts(), (QStringList{QStringLiteral("全ての変更を取り消しますか？"),
                                              QStringLiteral("全ての変更を取り消しますか？")}));
    // Unmodified: no question.
    w->actRefresh->trigger();
    EXPECT_EQ(s.dialogs.calls().size(), 2);
}

// A double click on an index of the object list opens its window; so does
// Enter, which only brings an open one forward.
TEST_F(IndexWindow, ObjectListOpensTheSelectedIndex)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TtvListView *list = form->lstObject;
    list->clear();
    TtvListItem *item = list->AddItem(QStringLiteral("i1"), {QStringLiteral("s1"), QStringLiteral("INDEX")});
    SetItemImageIndex(item, 46); // as the listing marks an index
    s.main->show();
    s.main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.main.get()));
    list->scrollToItem(item);
    // Near the left edge: the frame may reach past the main window's area.
    const QPoint at(8, list->visualItemRect(item).center().y());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(IndexWindows(s).size(), 1);
    EXPECT_EQ(IndexWindows(s).first()->windowTitle(), QStringLiteral("INDEX - s1.i1") + Suffix(db->params()));

    // Enter opens it again once it is closed, and once more only brings it forward.
    IndexWindows(s).first()->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(IndexWindows(s).size(), 0);
    // (the connection window may have listed its objects again meanwhile)
    list->clear();
    item = list->AddItem(QStringLiteral("i1"), {QStringLiteral("s1"), QStringLiteral("INDEX")});
    SetItemImageIndex(item, 46);
    for (int round = 0; round < 2; ++round) {
        list->setFocus();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(8, list->visualItemRect(item).center().y()));
        ASSERT_EQ(QApplication::focusWidget(), list);
        ASSERT_TRUE(item->isSelected());
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_EQ(IndexWindows(s).size(), 1);
    }
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

// An expression index loads its expression into the expression box and is
// written back with one pair of parentheses around it.
TEST_F(IndexWindow, ExpressionIndexRoundTrip)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE INDEX e1 ON s1.t1 (lower(name))");
    TfrmIndex *w = dynamic_cast<TfrmIndex *>(form->OpenObject(46, QStringLiteral("s1"), QStringLiteral("e1"), omSource));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->IndexKindOf(), int(ikExpression));
    EXPECT_EQ(w->cmbIndexType->Text(), QStringLiteral("ファンクション索引"));
    EXPECT_EQ(w->txtFunc->Lines()->ToStringList(), QStringList{QStringLiteral("lower(name)")});
    EXPECT_TRUE(w->chkUnique->isEnabled());
    EXPECT_EQ(w->txtSource->Lines()->ToStringList(),
              (QStringList{"CREATE INDEX \"e1\"", "ON \"s1\".\"t1\"", "USING btree", "(lower(name))",
                           "TABLESPACE \"pg_default\"", ";"}));
    // Compiled from the source page: dropped and created from the editor's text.
    w->txtSource->Lines()->Put(3, QStringLiteral("(upper(name))"));
    {
        ExecDialogUser user(true, s.dialogs);
        PressCompile(w);
    }
    EXPECT_EQ(Scalar("SELECT pg_get_indexdef('s1.e1'::regclass)"), "CREATE INDEX e1 ON s1.t1 USING btree (upper(name))");
    EXPECT_FALSE(w->Modified());
}
