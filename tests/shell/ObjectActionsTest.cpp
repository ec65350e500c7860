// The object list's actions against the test server: delete, rename, script
// output, index rebuild, copy and paste, enabling, and the keys of the list.
#include "ModalSteps.h"
#include "ShellTestSupport.h"

#include "common/ScriptOption.h"
#include "common/tvWorkSpace.h"
#include "controls/tvListView.h"
#include "controls/tvTreeView.h"
#include "platform/Errors.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectDispatcher.h"
#include "shell/frmDDLExec.h"
#include "editor/tvMemo.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <QToolButton>

using namespace tvtest;

namespace {

class ObjectActions : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDb>("objact");
        if (!db->available())
            return;
        s.Start(LogonArgs(db->params()));
        tvOption.TreeData = true;
        tvOption.UseLowerName = true;
        tvOption.TreeSort = 0;
        tvOption.ShowDDL = false;
        tvOption.CloseDDL = true;
        tvOption.DelErr = false;
        tvOption.UpdateToCommit = autoCommit();
        s.main->show();
        s.FirstPaint();
        form = s.Form();
    }
    void TearDown() override { TfrmObject::ClearCopyObjectList(); }
    virtual bool autoCommit() const { return true; }

    // Selects a node under a schema (kind empty: the schema itself).
    void Select(const QString &kind, const QString &schema = QStringLiteral("public"))
    {
        form->ShowTree();
        QTreeWidgetItem *sn = Child(form->tvTree->topLevelItem(0), schema);
        ASSERT_NE(sn, nullptr) << schema.toStdString();
        QTreeWidgetItem *node = kind.isEmpty() ? sn : Child(sn, kind);
        ASSERT_NE(node, nullptr) << kind.toStdString();
        if (form->tvTree->currentItem() == node)
            form->ShowObject(false);
        else
            form->tvTree->setCurrentItem(node);
    }

    TtvListItem *Item(const QString &name, int image = -1) { return FindListItem(form->lstObject, name, image); }
    void SelectItems(const QStringList &names) { SelectListItems(form->lstObject, names); }
    QStringList Selected()
    {
        QStringList n;
        for (TtvListItem *it : form->lstObject->SelectedItems())
            n << it->Caption();
        return n;
    }
    // What a second session sees.
    std::string Other(const std::string &sql) { return db->scalar(sql); }
    bool Exists(const std::string &rel) { return Other("SELECT to_regclass('" + rel + "') IS NOT NULL") == "t"; }
    QStringList Messages() const { return s.dialogs.texts(); }

    std::unique_ptr<TestDb> db;
    ShellSession s;
    TfrmObject *form = nullptr;
};

class ObjectActionsInBlock : public ObjectActions {
protected:
    bool autoCommit() const override { return false; }
};

} // namespace

TEST_F(ObjectActionsInBlock, DeleteRetriesWhatDependedAndKeepsTheBlock)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    db->exec("CREATE EXTENSION IF NOT EXISTS pg_stat_statements");
    form->ExecuteSQL(QStringLiteral("CREATE TABLE t(a int)"));
    form->ExecuteSQL(QStringLiteral("CREATE VIEW v AS SELECT a FROM t"));
    form->ExecuteSQL(QStringLiteral("CREATE TABLE keep1(a int)"));
    form->ExecuteSQL(QStringLiteral("CREATE VIEW keepv AS SELECT a FROM keep1"));
    form->ExecuteSQL(QStringLiteral("COMMIT"));
    form->ExecuteSQL(QStringLiteral("BEGIN"));
    // Work of the user's own that must survive failed DROPs.
    form->ExecuteSQL(QStringLiteral("CREATE TABLE mine(a int)"));
    Select(QString());
    SelectItems({"t", "v"});
    s.dialogs.queueButton(tv::ui::IDYES, {true, false}); // errors ignored, no CASCADE
    ASSERT_TRUE(tv::ui::Guard([&] { form->actDeleteExecute(); }));

    EXPECT_EQ(Messages(), QStringList({"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
    const auto &ask = s.dialogs.calls().first();
    ASSERT_EQ(ask.checks.size(), 2);
    EXPECT_EQ(ask.checks[0].caption, QStringLiteral("削除時のエラーを無視する"));
    EXPECT_EQ(ask.checks[1].caption, QStringLiteral("CASCADE オプション"));
    EXPECT_TRUE(tvOption.DelErr); // the box's state is the option's
    EXPECT_EQ(Item("t"), nullptr);
    EXPECT_EQ(Item("v"), nullptr);
    EXPECT_EQ(form->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_TRUE(Exists("public.t")); // not committed yet
    form->ExecuteSQL(QStringLiteral("COMMIT"));
    EXPECT_FALSE(Exists("public.t"));
    EXPECT_FALSE(Exists("public.v"));
    EXPECT_TRUE(Exists("public.mine"));
    // The statements as sent (those that succeeded are counted by the server).
    EXPECT_EQ(Other("SELECT count(*) FROM pg_stat_statements WHERE dbid = (SELECT oid FROM pg_database WHERE "
                    "datname = current_database()) AND query IN ('DROP VIEW \"public\".\"v\"', "
                    "'DROP TABLE \"public\".\"t\"')"),
              "2");
    form->ExecuteSQL(QStringLiteral("BEGIN"));

    // Two objects that both fail: one pass, both stay selected, and the
    // message counts them.
    Select(QString());
    SelectItems({"keep1", "mine"});
    form->ExecuteSQL(QStringLiteral("CREATE VIEW minev AS SELECT a FROM mine"));
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES, {true, false});
    ASSERT_TRUE(tv::ui::Guard([&] { form->actDeleteExecute(); }));
    EXPECT_EQ(Messages(), QStringList({"オブジェクトを削除しますか？", "オブジェクトが削除されました。\r\nエラー: 2 件"}));
    EXPECT_EQ(Selected(), QStringList({"keep1", "mine"}));
    EXPECT_EQ(form->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);

    // A single failing object always shows the server's error and no
    // completion: the whole report, with what CASCADE would remove.
    SelectItems({"keep1"});
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDYES);
    EXPECT_FALSE(tv::ui::Guard([&] { form->actDeleteExecute(); }));
    ASSERT_EQ(Messages().size(), 2);
    EXPECT_EQ(Messages().at(1), QStringLiteral("ERROR: cannot drop table keep1 because other objects depend on it\n"
                                               "DETAIL: view keepv depends on table keep1\n"
                                               "HINT: Use DROP ... CASCADE to drop the dependent objects too."));
    EXPECT_EQ(Selected(), QStringList({"keep1"}));
    // Answering No sends nothing.
    s.dialogs.clear();
    s.dialogs.queueButton(tv::ui::IDNO);
    form->actDeleteExecute();
    EXPECT_EQ(Messages().size(), 1);
    EXPECT_NE(Item("keep1"), nullptr);
}

TEST_F(ObjectActions, RenameInPlaceRenamesOnTheServer)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE TABLE t(a int)"));
    form->ExecuteSQL(QStringLiteral("CREATE INDEX i ON t(a)"));
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION f(int) RETURNS int LANGUAGE sql AS 'SELECT 1'"));
    form->ExecuteSQL(QStringLiteral("CREATE RULE r AS ON INSERT TO t DO NOTHING"));
    form->ExecuteSQL(QStringLiteral("CREATE TABLE zz(a int)"));
    form->ExecuteSQL(QStringLiteral("CREATE SCHEMA other"));
    form->ExecuteSQL(QStringLiteral("CREATE TABLE other.o(a int)"));
    Select(QString());

    auto rename = [&](const QString &name, const QString &typed) {
        SelectItems({name});
        form->lstObject->setFocus();
        QTest::keyClick(form->lstObject, Qt::Key_F2);
        // Some names open no editor: a shorter wait for those.
        QLineEdit *edit = tvtest::InPlaceEditor(form->lstObject, 10000);
        if (!edit)
            return false;
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return true;
    };
    ASSERT_TRUE(rename("i", "j"));
    EXPECT_TRUE(Exists("public.j"));
    EXPECT_NE(Item("j"), nullptr);
    ASSERT_TRUE(rename("f", "g"));
    EXPECT_EQ(Other("SELECT count(*) FROM pg_proc WHERE proname = 'g'"), "1");
    EXPECT_NE(Item("g"), nullptr);

    // Typed capitals go out folded while names keep their case no more.
    tvOption.UseLowerName = false;
    ASSERT_TRUE(rename("t", "NewName"));
    EXPECT_TRUE(Exists("public.newname"));
    EXPECT_NE(Item("newname"), nullptr);
    tvOption.UseLowerName = true;

    // A failing rename keeps the old name and shows the server's text.
    s.dialogs.clear();
    ASSERT_TRUE(rename("j", "newname"));
    EXPECT_NE(Item("j"), nullptr);
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages().at(0).contains(QLatin1String("newname")));

    // No edit outside the login schema, nor for a rule; a first-selected
    // rule disables the action.
    Select(QString(), QStringLiteral("other"));
    EXPECT_FALSE(rename("o", "p"));
    Select(QString());
    SelectItems({"r", "zz"});
    form->mnuObjectClick();
    EXPECT_FALSE(form->Action("actRename")->isEnabled());
    EXPECT_FALSE(rename("r", "r2"));
}

TEST_F(ObjectActions, ScriptOutputWritesPerSchemaAndKindAndAppends)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE SCHEMA s"));
    form->ExecuteSQL(QStringLiteral("CREATE TABLE s.t(id int PRIMARY KEY)"));
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmTable"),
                                      [](TfrmObject &, const TObjectAddress &a, QIODevice &out) {
                                          out.write("CREATE TABLE " + a.ObjectName.toUtf8() + "\n;\n");
                                      });
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmIndex"),
                                      [](TfrmObject &, const TObjectAddress &, QIODevice &out) { out.write("INDEX\n"); });
    struct Unregister {
        ~Unregister()
        {
            TObjectDispatcher::RegisterScript(QStringLiteral("TfrmTable"), {});
            TObjectDispatcher::RegisterScript(QStringLiteral("TfrmIndex"), {});
        }
    } unregister;
    const TScriptOption saved = ScriptOption;
    ScriptOption.Dir = true;
    ScriptOption.SameName = false;
    ScriptOption.OneScript = false;
    const QString out = s.scratch.path() + QStringLiteral("/out");
    Select(QString(), QStringLiteral("s"));
    for (int run = 0; run < 2; ++run) {
        SelectItems({"t", "t_pkey"});
        s.dialogs.clear();
        s.dialogs.queuePath(out);
        ASSERT_TRUE(tv::ui::Guard([&] { form->actScriptExecute(); }));
        EXPECT_EQ(Messages(), QStringList({"スクリプトが出力されました。"}));
    }
    QFile f(out + QStringLiteral("/s/TABLE/t.SQL"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("CREATE TABLE t\n;\nCREATE TABLE t\n;\n"));
    EXPECT_FALSE(QDir(out + QStringLiteral("/s/INDEX")).exists());
    EXPECT_TRUE(Selected().isEmpty());

    // Through the options dialog into one file, overwritten once per run.
    form->ExecuteSQL(QStringLiteral("CREATE TABLE s.u(a int)"));
    const QString one = s.scratch.path() + QStringLiteral("/one.sql");
    TfrmObject::RegisterScriptOptionDialog([&](TfrmObject &, QString &path, QString &table) {
        path = one;
        table.clear();
        return true;
    });
    ScriptOption.OneScript = true;
    ScriptOption.SameName = true;
    Select(QString(), QStringLiteral("s"));
    for (int run = 0; run < 2; ++run) {
        SelectItems({"t", "u"});
        ASSERT_TRUE(tv::ui::Guard([&] { form->actScriptExecute(); }));
    }
    TfrmObject::RegisterScriptOptionDialog({});

    // Privileges into a folder of their own or one file per folder; a grant
    // file is created on first use.
    ScriptOption.OneScript = false;
    ScriptOption.Grant = true;
    for (int mode : {1, 2}) {
        ScriptOption.GrantMode = mode;
        SelectItems({"t", "u"});
        s.dialogs.queuePath(out);
        ASSERT_TRUE(tv::ui::Guard([&] { form->actScriptExecute(); }));
    }
    EXPECT_TRUE(QFile::exists(out + QStringLiteral("/s/GRANT/t.SQL")));
    EXPECT_TRUE(QFile::exists(out + QStringLiteral("/s/GRANT/u.SQL")));
    EXPECT_TRUE(QFile::exists(out + QStringLiteral("/s/_GRANT.SQL")));
    ScriptOption = saved;
    QFile g(one);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_EQ(g.readAll(), QByteArray("CREATE TABLE t\n;\nCREATE TABLE u\n;\n"));
}

// Two overloads of one function share their file name: with "上書きする" on
// the run empties the file once and both overloads' scripts end up in it,
// in every layout and in the common grant file.
TEST_F(ObjectActions, ScriptOutputOfOverloadsKeepsEveryOverload)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION f(int) RETURNS int LANGUAGE sql AS 'SELECT 1'"));
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION f(text) RETURNS int LANGUAGE sql AS 'SELECT 2'"));
    TObjectDispatcher::RegisterScript(QStringLiteral("TfrmSource"),
                                      [](TfrmObject &, const TObjectAddress &a, QIODevice &out) {
                                          out.write("CREATE FUNCTION " + a.ObjectName.toUtf8() + " " +
                                                    QByteArray::number(a.OID) + "\n;\n");
                                      });
    struct Unregister {
        ~Unregister() { TObjectDispatcher::RegisterScript(QStringLiteral("TfrmSource"), {}); }
    } unregister;
    const TScriptOption saved = ScriptOption;
    struct Restore {
        const TScriptOption &saved;
        ~Restore() { ScriptOption = saved; }
    } restore{saved};
    const QString oidInt = QString::fromStdString(Other("SELECT 'f(int)'::regprocedure::oid"));
    const QString oidText = QString::fromStdString(Other("SELECT 'f(text)'::regprocedure::oid"));
    const QByteArray both = "CREATE FUNCTION f " + oidInt.toUtf8() + "\n;\nCREATE FUNCTION f " + oidText.toUtf8() +
                            "\n;\n";
    // Each overload has privileges of its own; the grant file holds both.
    form->ExecuteSQL(QStringLiteral("REVOKE EXECUTE ON FUNCTION f(int) FROM PUBLIC"));
    form->ExecuteSQL(QStringLiteral("GRANT EXECUTE ON FUNCTION f(text) TO PUBLIC"));
    QFile grantFile(s.scratch.path() + QStringLiteral("/grants.sql"));
    ASSERT_TRUE(grantFile.open(QIODevice::ReadWrite | QIODevice::Truncate));
    for (const QString &oid : {oidInt, oidText})
        form->OutputGrant(QStringLiteral("public"), QStringLiteral("f"), grantFile, 1, QStringLiteral("FUNCTION"), oid);
    grantFile.seek(0);
    const QByteArray grants = grantFile.readAll();
    ASSERT_FALSE(grants.isEmpty());
    struct Case {
        const char *what;
        bool dir;
        int grantMode; // -1: no privileges
        const char *file;
        const char *grantFile;
    } cases[] = {
        {"one folder", false, -1, "/f.SQL", nullptr},
        {"sub-folders", true, -1, "/public/FUNCTION/f.SQL", nullptr},
        {"grants in their own folder", true, 1, "/public/FUNCTION/f.SQL", "/public/GRANT/f.SQL"},
        {"grants in one file", false, 2, "/f.SQL", "/_GRANT.SQL"},
    };
    Select(QStringLiteral("FUNCTION"));
    ASSERT_EQ(form->lstObject->ItemCount(), 2);
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString out = s.scratch.path() + QStringLiteral("/over") + QString::number(n++);
        ASSERT_TRUE(QDir().mkpath(out + QFileInfo(QString::fromLatin1(c.file)).path()));
        {
            // What an earlier run left there is replaced.
            QFile old(out + QString::fromLatin1(c.file));
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("OLD\n");
        }
        ScriptOption.Dir = c.dir;
        ScriptOption.SameName = true;
        ScriptOption.OneScript = false;
        ScriptOption.Grant = c.grantMode >= 0;
        ScriptOption.GrantMode = std::max(c.grantMode, 0);
        form->lstObject->selectAll();
        ASSERT_EQ(Selected().size(), 2);
        s.dialogs.clear();
        s.dialogs.queuePath(out);
        ASSERT_TRUE(tv::ui::Guard([&] { form->actScriptExecute(); }));
        EXPECT_EQ(Messages(), QStringList({"スクリプトが出力されました。"}));
        QFile f(out + QString::fromLatin1(c.file));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
        EXPECT_EQ(f.readAll(), both);
        if (c.grantFile) {
            QFile g(out + QString::fromLatin1(c.grantFile));
            ASSERT_TRUE(g.open(QIODevice::ReadOnly)) << g.fileName().toStdString();
            EXPECT_EQ(g.readAll(), grants);
        }
    }
}

TEST_F(ObjectActions, IndexRebuildRewritesTheIndex)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE SCHEMA s"));
    form->ExecuteSQL(QStringLiteral("CREATE TABLE s.t(a int)"));
    form->ExecuteSQL(QStringLiteral("CREATE INDEX i ON s.t(a)"));
    const std::string before = Other("SELECT pg_relation_filenode('s.i')");
    Select(QStringLiteral("INDEX"), QStringLiteral("s"));
    SelectItems({"i"});
    form->mnuObjectClick();
    EXPECT_TRUE(form->Action("actIndexFragment")->isEnabled());
    s.dialogs.queueButton(tv::ui::IDYES);
    ASSERT_TRUE(tv::ui::Guard([&] { form->actIndexFragmentExecute(); }));
    EXPECT_EQ(Messages(), QStringList({"インデックス再構築を行いますか？", "再構築が完了しました。"}));
    EXPECT_TRUE(s.dialogs.calls().first().checks.isEmpty());
    EXPECT_NE(Other("SELECT pg_relation_filenode('s.i')"), before);
}

TEST_F(ObjectActions, CopyThenPasteATableWithItsIndexesAndRows)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    tvOption.ShowConst = true;
    form->ExecuteSQL(QStringLiteral("CREATE TABLE t(id int CONSTRAINT t_pkey PRIMARY KEY, v int)"));
    form->ExecuteSQL(QStringLiteral("CREATE INDEX t_v ON t(v)"));
    form->ExecuteSQL(QStringLiteral("INSERT INTO t VALUES (1, 10), (2, 20)"));
    // A table writer laid out like the definition windows' scripts.
    TObjectDispatcher::RegisterScript(
        QStringLiteral("TfrmTable"), [](TfrmObject &, const TObjectAddress &a, QIODevice &out) {
            const QString schema = a.NewSchema.isEmpty() ? a.Schema : a.NewSchema;
            const QString name = a.NewObjectName.isEmpty() ? a.ObjectName : a.NewObjectName;
            QString ddl = QStringLiteral("CREATE TABLE \"%1\".\"%2\" (\r\n  id integer,\r\n  v integer,\r\n"
                                         "  CONSTRAINT \"t_pkey\" PRIMARY KEY (id)\r\n)\r\n;\r\n")
                              .arg(schema, name);
            if (a.Index)
                ddl += QStringLiteral("CREATE INDEX \"t_v\"\r\nON \"public\".\"t\" (v)\r\n;\r\n");
            out.write(reinterpret_cast<const char *>(ddl.utf16()), ddl.size() * 2);
        });
    struct Unregister {
        ~Unregister() { TObjectDispatcher::RegisterScript(QStringLiteral("TfrmTable"), {}); }
    } unregister;

    Select(QString());
    form->lstObject->clearSelection();
    Item("t", 45)->setSelected(true);
    Item("t_v", 46)->setSelected(true);
    ASSERT_NE(Item("t_pkey", 66), nullptr);
    Item("t_pkey", 66)->setSelected(true);
    form->lstObject->setFocus();
    QTest::keyClick(form->lstObject, Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages().at(0).startsWith(QStringLiteral("コピーできないオブジェクトが選択されていました。")));
    ASSERT_EQ(TfrmObject::CopyObjectList.size(), 1);
    EXPECT_EQ(TfrmObject::CopyObjectList.first().ObjectName, QStringLiteral("t"));
    const QStringList names = QGuiApplication::clipboard()->text().split(QStringLiteral("\r\n"));
    EXPECT_EQ(names.size(), 3);

    // Paste is offered in every connection window until one closes.
    const DbParams p = db->params();
    TfrmObject *second = TfrmObject::Create(s.main.get(), p.host, p.port, p.database, QString(), p.user, p.password);
    ASSERT_NE(second, nullptr);
    second->mnuObjectClick();
    EXPECT_TRUE(second->Action("actPaste")->isEnabled());

    s.dialogs.clear();
    s.dialogs.queueInput(QStringLiteral("t2"), {true, true});
    s.dialogs.queueInput(QStringLiteral("t2_pkey"));
    s.dialogs.queueInput(QStringLiteral("t2_v"));
    // Back in the first window, whose list the user pastes into.
    s.main->mdiMain->setActiveSubWindow(s.main->SubWindowOf(form));
    form->mnuObjectClick();
    ASSERT_TRUE(form->Action("actPaste")->isEnabled());
    // A run with errors leaves the execution dialog open: its log is kept
    // and the dialog closed.
    QString log;
    QTimer closer;
    QElapsedTimer shown;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *d = qobject_cast<TfrmDDLExec *>(w);
            if (!d || !d->isVisible())
                continue;
            if (!shown.isValid())
                shown.start();
            if (d->Finished() || shown.elapsed() > 20000) {
                log = d->txtLog->EditGetText();
                d->deleteLater();
                shown.invalidate();
            }
        }
    });
    closer.start(20);
    ASSERT_TRUE(tv::ui::Guard([&] { form->actPasteExecute(); }));
    closer.stop();
    EXPECT_FALSE(log.contains(QStringLiteral("《エラー》"))) << log.toStdString();
    ASSERT_GE(s.dialogs.calls().size(), 3);
    EXPECT_EQ(s.dialogs.calls().at(0).text, QStringLiteral("新規オブジェクト名"));
    EXPECT_EQ(s.dialogs.calls().at(0).checks.size(), 2);
    EXPECT_EQ(s.dialogs.calls().at(1).text, QStringLiteral("新規インデックス名"));
    EXPECT_EQ(s.dialogs.calls().at(1).value, QStringLiteral("t_pkey"));
    EXPECT_EQ(s.dialogs.calls().at(2).value, QStringLiteral("t_v"));
    EXPECT_EQ(Other("SELECT count(*) FROM public.t2"), "2");
    EXPECT_TRUE(Exists("public.t2_v"));
    EXPECT_TRUE(Exists("public.t2_pkey"));
    EXPECT_NE(Item("t2"), nullptr); // the list was read again

    QMdiSubWindow *sw = s.main->SubWindowOf(second);
    ASSERT_NE(sw, nullptr);
    sw->close();
    ASSERT_TRUE(PollUntil([&] { return TfrmObject::CopyObjectList.isEmpty(); }));
    EXPECT_FALSE(form->Action("actPaste")->isEnabled());
}

TEST_F(ObjectActions, EnablingTreeMenuAndRowLimitedOpen)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE TABLE t(a int)"));
    form->ExecuteSQL(QStringLiteral("CREATE TABLE u(a int)"));
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION trg() RETURNS trigger LANGUAGE plpgsql AS 'BEGIN RETURN NEW; END'"));
    form->ExecuteSQL(QStringLiteral("CREATE TRIGGER tg BEFORE INSERT ON t FOR EACH ROW EXECUTE FUNCTION trg()"));
    Select(QString());

    // The first selected item decides.
    form->lstObject->clearSelection();
    Item("tg", 57)->setSelected(true);
    Item("trg", 52)->setSelected(true);
    form->mnuObjectClick();
    EXPECT_FALSE(form->Action("actExec")->isEnabled());
    EXPECT_TRUE(form->Action("actOpen")->isEnabled());
    SelectItems({"trg"});
    form->mnuObjectClick();
    EXPECT_TRUE(form->Action("actExec")->isEnabled());
    EXPECT_FALSE(form->Action("actIndexFragment")->isEnabled());
    form->lstObject->clearSelection();
    form->mnuObjectClick();
    EXPECT_FALSE(form->Action("actOpen")->isEnabled());
    EXPECT_FALSE(form->Action("actPaste")->isEnabled());

    // The menu is lent to the menu bar while the window is active.
    bool lent = false;
    for (QAction *a : s.main->menuBar()->actions())
        lent = lent || a->menu() == form->mnuObject;
    EXPECT_TRUE(lent);
    EXPECT_EQ(s.main->MenuGroupIndex(form->mnuObject->menuAction()), 2);

    // The tree's menu on a schema node and on the database node.
    auto visible = [&](const char *n) { return form->Action(QString::fromLatin1(n))->isVisible(); };
    Select(QString());
    form->popTreePopup();
    EXPECT_TRUE(visible("actLogon"));
    EXPECT_TRUE(visible("actDBExport"));
    EXPECT_FALSE(visible("actUser"));
    EXPECT_FALSE(visible("actPerform"));
    form->tvTree->setCurrentItem(form->tvTree->topLevelItem(0));
    form->popTreePopup();
    EXPECT_FALSE(visible("actLogon"));
    EXPECT_TRUE(visible("actUser"));
    EXPECT_TRUE(visible("actDBExport"));
    EXPECT_FALSE(visible("actDBLink"));
    EXPECT_FALSE(visible("actNew"));

    // A row-limited open: the count given becomes the default when asked.
    Select(QStringLiteral("TABLE"));
    QList<TOpenObjectRequest> opened;
    s.main->OpenObjectHook = [&](TfrmObject *, const TOpenObjectRequest &r) -> QWidget * {
        opened << r;
        return nullptr;
    };
    SelectItems({"t", "u"});
    s.dialogs.clear();
    s.dialogs.queueInput(QStringLiteral("500"), {true});
    ASSERT_TRUE(tv::ui::Guard([&] { form->actOpenDataTopExecute(); }));
    EXPECT_EQ(s.dialogs.calls().at(0).text, QStringLiteral("レコード件数"));
    EXPECT_EQ(tvOption.DefTopRecord, 500);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0].DefTopRecord, 500);
    EXPECT_EQ(opened[0].OpenMode, omData);
    EXPECT_TRUE(Selected().isEmpty());

    // Esc stops a walk: the items not handled stay selected.
    opened.clear();
    SelectItems({"t", "u"});
    s.main->OpenObjectHook = [&](TfrmObject *, const TOpenObjectRequest &r) -> QWidget * {
        opened << r;
        tv::ui::EscapeWatch::instance().notePress();
        return nullptr;
    };
    form->actOpenExecute();
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(Selected(), QStringList({"u"}));

    // Enter and a double click open.
    opened.clear();
    form->lstObject->setFocus();
    QTest::keyClick(form->lstObject, Qt::Key_Return);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].ObjectName, QStringLiteral("u"));
    EXPECT_EQ(opened[0].OpenMode, tvOption.OpenMode);
    s.main->OpenObjectHook = nullptr;
}

TEST_F(ObjectActions, NewObjectButtonsAndLaunchersReachTheirWindows)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    TfrmObject::RegisterLaunchers();
    QList<TOpenObjectRequest> opened;
    s.main->OpenObjectHook = [&](TfrmObject *, const TOpenObjectRequest &r) -> QWidget * {
        opened << r;
        return nullptr;
    };
    // The main window's new-view button.
    QAction *button = s.main->Action(QStringLiteral("btnNewView"));
    ASSERT_NE(button, nullptr);
    button->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].ObjectType, 47);
    EXPECT_EQ(opened[0].Schema, QStringLiteral("public"));
    EXPECT_EQ(opened[0].ObjectName, QString());
    EXPECT_EQ(opened[0].OpenMode, omDefine);
    s.main->OpenObjectHook = nullptr;

    // Backup of the selection hands both lists to its launcher.
    form->ExecuteSQL(QStringLiteral("CREATE TABLE t(a int)"));
    form->ExecuteSQL(QStringLiteral("CREATE TABLE u(a int)"));
    Select(QStringLiteral("TABLE"));
    SelectItems({"t", "u"});
    TLaunchContext got;
    RegisterLauncher(QStringLiteral("actAdminExport"), [&](const TLaunchContext &c) -> QWidget * {
        got = c;
        return nullptr;
    });
    form->Action("actExport")->trigger();
    RegisterLauncher(QStringLiteral("actAdminExport"), {});
    EXPECT_EQ(got.Connection, form);
    EXPECT_EQ(got.ObjectType, 2);
    EXPECT_EQ(got.Schema, QStringLiteral("public\r\npublic\r\n"));
    EXPECT_EQ(got.ObjectName, QStringLiteral("t\r\nu\r\n"));
    EXPECT_EQ(Selected(), QStringList({"t", "u"}));
    // Unregistered, an action does nothing.
    form->Action("actMatrix")->trigger();
    form->Action("actUser")->trigger();
    EXPECT_TRUE(Messages().isEmpty());
}

// The program as the user starts it: Delete and F2 in the list.
TEST(ObjectActionsEndToEnd, DeleteAndRenameFromTheKeyboard)
{
    TestDb db("objact");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE w2s1(a int); CREATE TABLE w2s1b(a int)");
    ShellSession s;
    TfrmMain &m = s.Start(LogonArgs(db.params()));
    tvOption.UseLowerName = true;
    m.show();
    s.FirstPaint();
    TfrmObject *form = s.Form();
    ASSERT_NE(form, nullptr);
    QTreeWidgetItem *pub = Child(form->tvTree->topLevelItem(0), QStringLiteral("public"));
    ASSERT_NE(pub, nullptr);
    form->tvTree->setCurrentItem(Child(pub, QStringLiteral("TABLE")));
    auto item = [&](const QString &n) -> TtvListItem * {
        for (int i = 0; i < form->lstObject->ItemCount(); ++i)
            if (form->lstObject->Item(i)->Caption() == n)
                return form->lstObject->Item(i);
        return nullptr;
    };
    ASSERT_NE(item("w2s1"), nullptr);
    form->lstObject->clearSelection();
    item("w2s1")->setSelected(true);
    form->lstObject->setFocus();
    s.dialogs.queueButton(tv::ui::IDYES);
    QTest::keyClick(form->lstObject, Qt::Key_Delete);
    EXPECT_EQ(s.dialogs.texts(), QStringList({"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
    EXPECT_EQ(db.scalar("SELECT to_regclass('public.w2s1') IS NULL"), "t");

    form->lstObject->clearSelection();
    item("w2s1b")->setSelected(true);
    QTest::keyClick(form->lstObject, Qt::Key_F2);
    auto *edit = tvtest::InPlaceEditor(form->lstObject);
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("w2s1c"));
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(PollUntil([&] { return item("w2s1c") != nullptr; }));
    EXPECT_EQ(db.scalar("SELECT to_regclass('public.w2s1c') IS NOT NULL"), "t");
}

TEST_F(ObjectActions, FindBoxTakesTheCopyKeysAndWorkspaceKeepsOneEntryPerObject)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION f(int) RETURNS int LANGUAGE sql AS 'SELECT 1'"));
    form->ExecuteSQL(QStringLiteral("CREATE FUNCTION f(text) RETURNS int LANGUAGE sql AS 'SELECT 1'"));
    Select(QStringLiteral("FUNCTION"));
    QApplication::setActiveWindow(s.main.get());
    ASSERT_EQ(form->lstObject->ItemCount(), 2);

    // The find box: Ctrl+C is the box's; the list gets the keys back.
    tvOption.UseLowerName = false;
    form->cmbFind->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(form->cmbFind->hasFocus());
    EXPECT_TRUE(form->Action("actCopy")->shortcut().isEmpty());
    QTest::keyClicks(form->cmbFind->lineEdit(), QStringLiteral("AbC"));
    EXPECT_EQ(form->cmbFind->currentText(), QStringLiteral("abc"));
    form->lstObject->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->Action("actCopy")->shortcut(), s.main->Action(QStringLiteral("actEditCopy"))->shortcut());
    tvOption.UseLowerName = true;

    // The same function twice keeps one entry; the two overloads are two.
    tvWorkSpace.clear();
    form->lstObject->selectAll();
    form->actAddWorkSpaceExecute();
    form->actAddWorkSpaceExecute();
    ASSERT_EQ(tvWorkSpace.size(), 2u);
    EXPECT_NE(tvWorkSpace[0].oid, tvWorkSpace[1].oid);
    EXPECT_EQ(tvWorkSpace[0].Title, QStringLiteral("f(") + form->lstObject->Item(0)->SubItem(2) +
                                        QStringLiteral(") (public)"));
    EXPECT_EQ(tvWorkSpace[0].Connect, form->ConnectionText());

    // Overloads whose oids lie above 2^31 (as on a large cluster) are two
    // entries with those oids.
    tvWorkSpace.clear();
    form->lstObject->Item(0)->SetSubItem(8, QStringLiteral("3000000000"));
    form->lstObject->Item(1)->SetSubItem(8, QStringLiteral("3000000001"));
    form->lstObject->selectAll();
    form->actAddWorkSpaceExecute();
    ASSERT_EQ(tvWorkSpace.size(), 2u);
    EXPECT_EQ(tvWorkSpace[0].oid, 3000000000LL);
    EXPECT_EQ(tvWorkSpace[1].oid, 3000000001LL);
}

TEST_F(ObjectActions, RebuildWithPreviewSaysNothingWhenDeclined)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    form->ExecuteSQL(QStringLiteral("CREATE TABLE t(a int)"));
    form->ExecuteSQL(QStringLiteral("CREATE INDEX i ON t(a)"));
    form->ExecuteSQL(QStringLiteral("CREATE INDEX i2 ON t(a)"));
    Select(QStringLiteral("INDEX"));
    SelectItems({"i", "i2"});
    tvOption.ShowDDL = true;
    ModalSteps steps({CancelStep(QStringLiteral("frmDDLPreview"))});
    s.dialogs.queueButton(tv::ui::IDYES);
    ASSERT_TRUE(tv::ui::Guard([&] { form->actIndexFragmentExecute(); }));
    tvOption.ShowDDL = false;
    EXPECT_TRUE(steps.finished());
    // No check box with the preview, and no message after a declined one.
    EXPECT_TRUE(s.dialogs.calls().first().checks.isEmpty());
    EXPECT_EQ(Messages(), QStringList({"インデックス再構築を行いますか？"}));
}

TEST_F(ObjectActions, TreeButtonsAndDisplayChoice)
{
    TV_REQUIRE_DB(*db);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->btnTree1->isChecked());
    EXPECT_EQ(form->btnLevel1->toolTip(), QStringLiteral("スキーマ選択時にオブジェクト一覧を表示する"));
    // Kinds first: the kinds are the database's children.
    QTest::mouseClick(form->btnTree2, Qt::LeftButton);
    EXPECT_EQ(tvOption.TreeSort, 1);
    EXPECT_EQ(form->btnLevel1->toolTip(), QStringLiteral("オブジェクトタイプ選択時にオブジェクト一覧を表示する"));
    EXPECT_NE(Child(form->tvTree->topLevelItem(0), QStringLiteral("TABLE")), nullptr);
    QTest::mouseClick(form->btnTree1, Qt::LeftButton);
    EXPECT_EQ(tvOption.TreeSort, 0);
    EXPECT_NE(Child(form->tvTree->topLevelItem(0), QStringLiteral("public")), nullptr);
    const bool level0 = tvOption.ShowLevel0;
    QTest::mouseClick(form->btnLevel0, Qt::LeftButton);
    EXPECT_EQ(tvOption.ShowLevel0, !level0);

    // "設定" cancelled keeps the display choice.
    form->cmbTree->setCurrentIndex(1);
    form->cmbTreeChange();
    EXPECT_EQ(form->Disp, 1);
    ModalSteps steps({CancelStep(QStringLiteral("frmProject"))});
    form->cmbTree->setCurrentIndex(2);
    form->cmbTreeChange();
    EXPECT_TRUE(steps.finished());
    EXPECT_EQ(form->Disp, 1);
    EXPECT_EQ(form->cmbTree->currentIndex(), 1);
}

// Ctrl+A, then one key that moves the selection (an arrow, or the first
// letters of a name): the list's keys work on the new selection at once,
// whether the highlight covers the row or the caption only.
TEST(ObjectActionsEndToEnd, KeysAfterSelectAllWorkOnTheFirstMove)
{
    TestDb db("objact");
    TV_REQUIRE_DB(db);
    db.exec("CREATE TABLE w9a(a int); CREATE TABLE w9b(a int); CREATE TABLE w9c(a int)");
    ShellSession s;
    s.Start(LogonArgs(db.params()));
    tvOption.UseLowerName = true;
    tvOption.RowSelect = false;
    ASSERT_TRUE(s.ShowMain());
    s.FirstPaint();
    TfrmObject *form = s.Form();
    ASSERT_NE(form, nullptr);
    QTreeWidgetItem *pub = Child(form->tvTree->topLevelItem(0), QStringLiteral("public"));
    ASSERT_NE(pub, nullptr);
    form->tvTree->setCurrentItem(Child(pub, QStringLiteral("TABLE")));
    ASSERT_EQ(form->lstObject->ItemCount(), 3);
    TtvListView *list = form->lstObject;

    struct Case {
        bool rowSelect;
        int start;         // the current item before Ctrl+A
        const char *keys;  // typed after Ctrl+A; empty: the arrow below
        Qt::Key arrow;
        const char *selected;
    };
    const Case cases[] = {
        {false, 0, "", Qt::Key_Down, "w9b"},
        {false, 2, "", Qt::Key_Up, "w9b"},
        {false, 0, "w9c", Qt::Key_unknown, "w9c"},
        {true, 0, "", Qt::Key_Down, "w9b"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.selected) + (c.rowSelect ? " row" : " caption") + " " + c.keys);
        list->SetRowSelect(c.rowSelect);
        list->clearSelection();
        list->setCurrentItem(list->Item(c.start));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        ASSERT_EQ(list->SelectedItems().size(), 3);
        if (*c.keys) {
            QTest::qWait(QApplication::keyboardInputInterval() + 50); // a new search, not the end of the last
            QTest::keyClicks(list, QString::fromLatin1(c.keys));
        } else {
            QTest::keyClick(list, c.arrow);
        }
        ASSERT_EQ(list->SelectedItems().size(), 1);
        EXPECT_EQ(list->SelectedItems().first()->Caption(), QString::fromLatin1(c.selected));
        EXPECT_TRUE(form->Action("actOpen")->isEnabled());
        EXPECT_TRUE(form->Action("actDelete")->isEnabled());
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromLatin1(c.selected));
        // Alt+O opens the list's menu with its item actions offered.
        QTest::keyClick(list, Qt::Key_O, Qt::AltModifier);
        ASSERT_TRUE(PollUntil([&] { return QApplication::activePopupWidget() != nullptr; }));
        EXPECT_EQ(QApplication::activePopupWidget(), form->mnuObject);
        EXPECT_TRUE(form->Action("actOpen")->isEnabled());
        QApplication::activePopupWidget()->close();
        ASSERT_TRUE(PollUntil([&] { return QApplication::activePopupWidget() == nullptr; }));
        // The frame active again, as a desktop leaves it after a menu.
        ASSERT_TRUE(s.ShowMain());
    }

    // Delete drops the one item the arrow chose.
    list->SetRowSelect(false);
    list->setCurrentItem(list->Item(0));
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Down);
    s.dialogs.queueButton(tv::ui::IDYES);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(s.dialogs.texts(), QStringList({"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
    EXPECT_EQ(db.scalar("SELECT to_regclass('public.w9b') IS NULL"), "t");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM pg_class WHERE relname IN ('w9a', 'w9c')"), "2");
}
