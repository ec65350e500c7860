// The main window's actions: stored key bindings, commit and rollback, the
// user-command menu, the edit commands on the focused SQL editor, the task
// bar, the workspace panel and the window launchers.
#include "ModalSteps.h"
#include "ShellTestSupport.h"

#include "common/Shortcuts.h"
#include "common/tvForm.h"
#include "common/tvWorkSpace.h"
#include "controls/tvListView.h"
#include "editor/tvMemo.h"
#include "platform/settings/Folders.h"
#include "platform/settings/tvRegistry.h"
#include "shell/DefinitionLookup.h"
#include "shell/frmLogon.h"
#include "shell/EditRouting.h"
#include "shell/FindReplaceDialog.h"
#include "shell/ListItemImage.h"
#include "shell/UserCommandFiles.h"
#include "shell/WindowLaunchers.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

using namespace tvtest;

namespace {

const QString ShortCutKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\SHORTCUT");

void WriteFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QByteArray CommandFile(int seq)
{
    return "<?xml version=\"1.0\"?>\n<TVDOC TVDOC-VERSION=\"2\"><USERCMD SEQ=\"" + QByteArray::number(seq) +
           "\" SHORTCUT=\"0\"/></TVDOC>\n";
}

QStringList MenuEntries(QMenu *menu, QAction *separator)
{
    QStringList names;
    for (QAction *a : menu->actions()) {
        if (a == separator)
            break;
        names << a->text();
    }
    return names;
}

// An SQL editor in an MDI child of the main window, with the focus.
// An SQL editor in an MDI child with the focus. Showing the main window for
// the first time offers the logon dialog unless a user was given on the
// command line (loggedOn): it is cancelled.
TtvMemo *FocusedMemo(TfrmMain &m, const QString &text, bool loggedOn = false)
{
    auto *host = new QWidget;
    auto *memo = new TtvMemo(host);
    memo->setObjectName(QStringLiteral("memTest"));
    memo->resize(400, 300);
    m.AddMdiChild(host)->show();
    ModalSteps logon(loggedOn ? std::vector<ModalSteps::Step>{}
                              : std::vector<ModalSteps::Step>{CancelStep(QStringLiteral("frmLogon"))});
    m.show();
    m.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return logon.finished(); }, 5000));
    QTest::qWait(20);
    m.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&m));
    memo->EditSetText(text);
    memo->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), memo);
    m.UpdateActions();
    return memo;
}

} // namespace

// ---------------------------------------------------------------------------
// Check 1: key bindings

TEST(MainActions, ExitWritesEveryStoredBindingAndAChangeSurvivesARestart)
{
    ShellSession s;
    TfrmMain &m = s.Start({});
    EXPECT_EQ(m.Action(QStringLiteral("actViewSQL"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    m.Action(QStringLiteral("actEditJump"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+L")));
    EXPECT_TRUE(s.CloseMain());

    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(ShortCutKey, false));
    const QStringList names = reg.GetValueNames();
    QStringList expected;
    for (int i = 0; i < ActionShortCutCount; ++i)
        expected << QString::fromLatin1(ActionShortCutDef(i).ValueName);
    QStringList sortedNames = names, sortedExpected = expected;
    sortedNames.sort(Qt::CaseInsensitive);
    sortedExpected.sort(Qt::CaseInsensitive);
    EXPECT_EQ(sortedNames, sortedExpected);
    EXPECT_EQ(reg.ReadString(QStringLiteral("ViewSQL")), QStringLiteral("Ctrl+S"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("EditJump")), QStringLiteral("Ctrl+L"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("EditFormat")), QString());
    reg.CloseKey();

    s.main.reset();
    ResetActionShortCuts();
    TfrmMain &next = s.Start({});
    EXPECT_EQ(next.Action(QStringLiteral("actEditJump"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
    EXPECT_EQ(next.Action(QStringLiteral("actViewSQL"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
}

// ---------------------------------------------------------------------------
// Check 2: commit and rollback

TEST(MainActions, CommitReportsAndReopensTheBlockAndAFailedBlockIsReportedAsRolledBack)
{
    TestDb db("act");
    TV_REQUIRE_DB(db);
    ShellSession s;
    TfrmMain &m = s.Start(LogonArgs(db.params()));
    tvOption.UpdateToCommit = false;
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    const QString user = db.params().user, dbname = db.params().database;

    f->ExecuteSQL(QStringLiteral("CREATE TABLE t (a int)"));
    m.Action(QStringLiteral("actDBCommit"))->trigger();
    EXPECT_EQ(m.StatusText(2),
              QStringLiteral("現行データベース [ ") + user + QStringLiteral(" @ ") + dbname +
                  QStringLiteral(" ] のトランザクションを COMMIT しました。"));
    EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_TRUE(s.dialogs.calls().isEmpty());

    // The table was committed: a rollback now keeps it.
    f->ExecuteSQL(QStringLiteral("INSERT INTO t VALUES (1)"));
    m.Action(QStringLiteral("actDBRollback"))->trigger();
    EXPECT_TRUE(m.StatusText(2).endsWith(QStringLiteral(" ] のトランザクションを ROLLBACK しました。")));
    EXPECT_EQ(f->OpenSQL(QStringLiteral("SELECT count(*) FROM t")).Fields(0).AsInteger(), 0);

    // A failed statement: the same command is a rollback and says so.
    f->ExecuteSQL(QStringLiteral("INSERT INTO t VALUES (2)"));
    EXPECT_ANY_THROW(f->ExecuteSQL(QStringLiteral("SELECT 1/0")));
    m.Action(QStringLiteral("actDBCommit"))->trigger();
    EXPECT_TRUE(m.StatusText(2).endsWith(QStringLiteral(" ] のトランザクションを ROLLBACK しました。")));
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_TRUE(s.dialogs.calls().at(0).text.contains(QStringLiteral("ロールバック")));
    EXPECT_EQ(f->dbsMain().transactionState(), tv::db::TransactionState::InTransaction);
    EXPECT_EQ(f->OpenSQL(QStringLiteral("SELECT count(*) FROM t")).Fields(0).AsInteger(), 0);
}

// ---------------------------------------------------------------------------
// Check 3: user-command menu order

TEST(MainActions, UserCommandMenuOrdersFilesByTheirKeys)
{
    ShellSession s;
    TfrmMain &m = s.Start({});
    const QString dir = tv::settings::DataDir() + QStringLiteral("usercmd/");
    QDir().mkpath(dir);
    auto clear = [&] {
        for (const QString &n : QDir(dir).entryList(QDir::Files))
            QFile::remove(dir + n);
    };
    struct Case {
        QList<QPair<QString, QByteArray>> files;
        QStringList menu;
    } cases[] = {
        {{{"zeta.cmd", CommandFile(3)}, {"alpha.cmd", CommandFile(1)}, {"mid.cmd", CommandFile(2)}},
         {"alpha", "mid", "zeta"}},
        {{{"A.cmd", CommandFile(1)}, {"B.cmd", CommandFile(1)}, {"C.cmd", CommandFile(0)}}, {"C", "B", "A"}},
        {{{"a.cmd", CommandFile(1)}, {"b.cmd", "this is not xml"}, {"c.cmd", CommandFile(2)}},
         {"b", "a", "c"}},
        // A newer version is not read: its key is 0.
        {{{"a.cmd", CommandFile(1)},
          {"new.CMD", "<TVDOC TVDOC-VERSION=\"3\"><USERCMD SEQ=\"9\"/></TVDOC>"},
          {"x.txt", CommandFile(0)}},
         {"new", "a"}},
    };
    for (const Case &c : cases) {
        clear();
        for (const auto &f : c.files)
            WriteFile(dir + f.first, f.second);
        m.SetCommandList();
        EXPECT_EQ(MenuEntries(m.mnuCommandMenu, m.mnuTB1), c.menu);
    }
    // The setup entry stays after the separator.
    EXPECT_EQ(m.mnuCommandMenu->actions().last(), m.Action(QStringLiteral("actToolCommandSetup")));

    // A key binding from the file.
    clear();
    WriteFile(dir + "k.cmd", "<TVDOC TVDOC-VERSION=\"2\"><USERCMD SEQ=\"1\" SHORTCUT=\"16453\"/></TVDOC>");
    m.SetCommandList();
    ASSERT_EQ(MenuEntries(m.mnuCommandMenu, m.mnuTB1), QStringList{"k"});
    EXPECT_EQ(m.mnuCommandMenu->actions().first()->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
}

TEST(MainActions, ReportTagFollowsVersionAndType)
{
    ScratchDir scratch;
    const QString path = QDir(scratch.path()).filePath(QStringLiteral("r.def"));
    auto index = [](const QString &type) { return type == "FIRST" ? 0 : type == "COLUMNS" ? 3 : -1; };
    struct {
        QByteArray xml;
        int tag;
    } cases[] = {
        {"<TVDOC><XLSDEF TYPE=\"COLUMNS\" OUTPUTTYPE=\"1\"/></TVDOC>", 0},
        {"<TVDOC TVDOC-VERSION=\"2\"><XLSDEF TYPE=\"COLUMNS\" OUTPUTTYPE=\"1\"/></TVDOC>", 2},
        {"<TVDOC TVDOC-VERSION=\"2.5\"><XLSDEF TYPE=\"COLUMNS\" OUTPUTTYPE=\"1\"/></TVDOC>", 0},
        {"<TVDOC TVDOC-VERSION=\"2\"><XLSDEF TYPE=\"FIRST\" OUTPUTTYPE=\"1\"/></TVDOC>", 0},
        {"<TVDOC TVDOC-VERSION=\"2\"><XLSDEF TYPE=\"COLUMNS\"/></TVDOC>", 1},
    };
    for (const auto &c : cases) {
        WriteFile(path, c.xml);
        EXPECT_EQ(ReadReportTag(path, index), c.tag) << c.xml.constData();
    }
}

// ---------------------------------------------------------------------------
// Check 4: edit commands on the SQL editor

TEST(MainActions, ReplaceJumpAndFormatMessages)
{
    ShellSession s;
    TfrmMain &m = s.Start({});
    TtvMemo *memo = FocusedMemo(m, QStringLiteral("select a from t\r\nselect b from u"));

    // Replace all of an absent text.
    m.Action(QStringLiteral("actEditReplace"))->trigger();
    ASSERT_TRUE(m.dlgReplace->isVisible());
    m.dlgReplace->SetFindText(QStringLiteral("zzz"));
    m.dlgReplace->SetReplaceText(QStringLiteral("y"));
    QTest::mouseClick(m.dlgReplace->btnReplaceAll, Qt::LeftButton);
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_EQ(s.dialogs.calls().at(0).text, QStringLiteral("0個の置換を行いました。"));
    // ... and of a present one, matching case only when asked.
    s.dialogs.clear();
    m.dlgReplace->SetFindText(QStringLiteral("SELECT"));
    m.dlgReplace->SetReplaceText(QStringLiteral("SELECT"));
    m.dlgReplace->SetMatchCase(false);
    m.dlgReplaceReplace(true);
    EXPECT_EQ(s.dialogs.texts(), QStringList{"2個の置換を行いました。"});
    EXPECT_EQ(memo->EditGetText(), QStringLiteral("SELECT a from t\r\nSELECT b from u"));
    m.dlgReplace->hide();
    m.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    memo->setFocus();
    QCoreApplication::processEvents();

    // Jump to a text that is no number.
    s.dialogs.clear();
    s.dialogs.queueInput(QStringLiteral("abc"));
    m.Action(QStringLiteral("actEditJump"))->trigger();
    ASSERT_EQ(s.dialogs.calls().size(), 2);
    EXPECT_EQ(s.dialogs.calls().at(0).caption, QStringLiteral("行ジャンプ"));
    EXPECT_EQ(s.dialogs.calls().at(1).text, QStringLiteral("指定行 abc は見つかりませんでした。"));

    // Find next of a missing text.
    s.dialogs.clear();
    m.dlgFind->SetFindText(QStringLiteral("nothing"));
    m.Action(QStringLiteral("actEditFindNext"))->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{"検索文字列 nothing は見つかりませんでした。"});

    // A line over 1000 characters refuses formatting, even outside the selection.
    s.dialogs.clear();
    const QString longLine = QStringLiteral("select ") + QString(1001 - 7, QLatin1Char('x'));
    ASSERT_EQ(longLine.size(), 1001);
    memo->EditSetText(QStringLiteral("select 1\r\n") + longLine);
    memo->EditSetSel(0, 8);
    m.UpdateActions();
    ASSERT_TRUE(m.Action(QStringLiteral("actEditFormat"))->isEnabled());
    m.Action(QStringLiteral("actEditFormat"))->trigger();
    EXPECT_EQ(s.dialogs.texts(), QStringList{"1行の文字数が1000文字を超えているため、整形できません。"});
    EXPECT_EQ(memo->EditGetText(), QStringLiteral("select 1\r\n") + longLine);
    // 1000 characters are formatted.
    s.dialogs.clear();
    memo->EditSetText(QStringLiteral("select ") + QString(1000 - 7, QLatin1Char('x')));
    m.Action(QStringLiteral("actEditFormat"))->trigger();
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

TEST(MainActions, EditEnablingFollowsTheFocusedControl)
{
    ShellSession s;
    TfrmMain &m = s.Start({});
    TtvMemo *memo = FocusedMemo(m, QStringLiteral("select 1"));
    auto on = [&](const char *n) { return m.Action(QString::fromLatin1(n))->isEnabled(); };
    EXPECT_TRUE(on("actEditUndo"));
    EXPECT_TRUE(on("actEditFind"));
    EXPECT_TRUE(on("actEditReplace"));
    EXPECT_FALSE(on("actEditUpperCase")); // an editor without a selection
    EXPECT_FALSE(on("actEditMacroExec"));
    // Formatting needs text other than blanks, wherever it stands.
    const struct {
        const char *text;
        bool format;
    } texts[] = {{"", false}, {" \t\r\n\r\n  ", false}, {"\xe3\x80\x80", false}, {"\r\n\r\n  x", true}, {"x", true}};
    for (const auto &t : texts) {
        memo->EditSetText(QString::fromUtf8(t.text));
        m.UpdateActions();
        EXPECT_EQ(on("actEditFormat"), t.format) << t.text;
    }
    memo->EditSetText(QStringLiteral("select 1"));
    m.UpdateActions();

    memo->SetReadOnly(true);
    m.UpdateActions();
    for (const char *n : {"actEditUndo", "actEditRedo", "actEditCut", "actEditDelete", "actEditReplace",
                          "actEditFormat", "actEditMacroSave"})
        EXPECT_FALSE(on(n)) << n;
    for (const char *n : {"actEditCopy", "actEditSelectAll", "actEditFind", "actEditJump"})
        EXPECT_TRUE(on(n)) << n;

    // An edit box: redo undoes; the editor's own commands are off; case
    // change acts on its selection.
    auto *edit = new QLineEdit;
    m.AddMdiChild(edit)->show();
    edit->setFocus();
    QCoreApplication::processEvents();
    m.UpdateActions();
    EXPECT_FALSE(on("actEditFind"));
    EXPECT_TRUE(on("actEditUpperCase"));
    EXPECT_FALSE(m.Action(QStringLiteral("actEditMacroSave"))->isEnabled());
    EXPECT_EQ(m.Action(QStringLiteral("actEditMacroSave"))->text(), QStringLiteral("マクロ記録開始"));
    QTest::keyClicks(edit, QStringLiteral("abc"));
    edit->selectAll();
    m.Action(QStringLiteral("actEditUpperCase"))->trigger();
    EXPECT_EQ(edit->text(), QStringLiteral("ABC"));
    m.Action(QStringLiteral("actEditRedo"))->trigger();
    EXPECT_EQ(edit->text(), QStringLiteral("abc"));
}

TEST(MainActions, DefinitionInfoOpensEveryOverload)
{
    TestDb db("act");
    TV_REQUIRE_DB(db);
    ShellSession s;
    TfrmMain &m = s.Start(LogonArgs(db.params()));
    tvOption.UpdateToCommit = false;
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    f->ExecuteSQL(QStringLiteral("CREATE FUNCTION public.f(integer) RETURNS integer LANGUAGE sql AS 'SELECT 1'"));
    f->ExecuteSQL(QStringLiteral("CREATE FUNCTION public.f(text) RETURNS integer LANGUAGE sql AS 'SELECT 2'"));
    f->ExecuteSQL(QStringLiteral("CREATE TABLE public.tab1 (a int)"));
    const qint64 oid1 = f->OpenSQL(QStringLiteral("SELECT 'public.f(integer)'::regprocedure::oid")).Fields(0).AsInt64();
    const qint64 oid2 = f->OpenSQL(QStringLiteral("SELECT 'public.f(text)'::regprocedure::oid")).Fields(0).AsInt64();

    QList<TOpenObjectRequest> requests;
    m.OpenObjectHook = [&](TfrmObject *form, const TOpenObjectRequest &r) -> QWidget * {
        EXPECT_EQ(form, f);
        requests << r;
        return nullptr;
    };
    TtvMemo *memo = FocusedMemo(m, QStringLiteral("public.f tab1 Tab1"), true);
    struct {
        int from, to;
        int count;
    } cases[] = {{0, 8, 2}, {9, 13, 1}, {14, 18, 0}};
    for (const auto &c : cases) {
        requests.clear();
        memo->EditSetSel(c.from, c.to);
        m.UpdateActions();
        ASSERT_TRUE(m.Action(QStringLiteral("actEditOpen"))->isEnabled());
        m.Action(QStringLiteral("actEditOpen"))->trigger();
        ASSERT_EQ(requests.size(), c.count) << memo->SelText().toStdString();
    }
    requests.clear();
    memo->EditSetSel(0, 8);
    m.Action(QStringLiteral("actEditOpen"))->trigger();
    ASSERT_EQ(requests.size(), 2);
    QList<qint64> oids{requests.at(0).OID, requests.at(1).OID};
    std::sort(oids.begin(), oids.end());
    EXPECT_EQ(oids, (QList<qint64>{std::min(oid1, oid2), std::max(oid1, oid2)}));
    for (const auto &r : requests) {
        EXPECT_EQ(r.ObjectType, 52);
        EXPECT_EQ(r.Schema, QStringLiteral("public"));
        EXPECT_EQ(r.ObjectName, QStringLiteral("f"));
    }
    // A table in the default schema: no oid, its own name as table.
    requests.clear();
    memo->EditSetSel(9, 13);
    m.Action(QStringLiteral("actEditOpen"))->trigger();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests.at(0).ObjectType, 45);
    EXPECT_EQ(requests.at(0).OID, -1);
    EXPECT_EQ(requests.at(0).TableName, QStringLiteral("tab1"));
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

TEST(MainActions, SelectionSplitsAtTheFirstDot)
{
    QString schema, name;
    SplitObjectSelection(QStringLiteral("a.b.c"), QStringLiteral("def"), schema, name);
    EXPECT_EQ(schema, QStringLiteral("a"));
    EXPECT_EQ(name, QStringLiteral("b.c"));
    SplitObjectSelection(QStringLiteral(" Tab "), QStringLiteral("def"), schema, name);
    EXPECT_EQ(schema, QStringLiteral("def"));
    EXPECT_EQ(name, QStringLiteral(" Tab "));
}

// ---------------------------------------------------------------------------
// Check 5: task bar and workspace

namespace {
class TaskForm : public TtvForm {
public:
    explicit TaskForm(QObject *owner) : TtvForm(owner) {}
};
} // namespace

TEST(MainActions, WorkSpaceKeepsOneEntryPerObjectAndFollowsTheConnection)
{
    TestDb db("act");
    TV_REQUIRE_DB(db);
    ShellSession s;
    TfrmMain &m = s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);

    // A child window's task-bar button: the shortened caption, the full one as hint.
    auto *child = new TaskForm(f);
    child->setWindowTitle(QStringLiteral("テーブル定義：顧客マスタ一覧表"));
    child->ShowForm();
    child->CreateTaskButton();
    child->SetTaskCaption(child->windowTitle());
    ASSERT_TRUE(child->TaskButton());
    EXPECT_EQ(child->TaskButton()->text(), QStringLiteral("テーブル定義：顧客マスタ…"));
    EXPECT_EQ(child->TaskButton()->toolTip(), child->windowTitle());
    EXPECT_EQ(child->TaskButton()->parentWidget(), static_cast<QWidget *>(m.tolTask));
    EXPECT_TRUE(f->FTaskButton);
    // "閉じる" of the task bar closes the window of the button under the mouse.
    m.popTaskPopup(child->TaskButton()->geometry().center());
    EXPECT_EQ(m.mdiMain->activeSubWindow(), m.SubWindowOf(child));
    QPointer<TaskForm> watch(child);
    m.mnuCloseWindowClick();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());

    // Dropping one table twice stores one entry.
    auto addItem = [&](const QString &name, int type, const QStringList &sub) {
        TtvListItem *item = f->lstObject->AddItem(name, sub);
        SetItemImageIndex(item, type);
        return item;
    };
    TtvListItem *table = addItem(QStringLiteral("customer"), 45, {QStringLiteral("public"), QStringLiteral("TABLE")});
    table->setSelected(true);
    EXPECT_EQ(m.WorkSpaceDragSource(f->lstObject->viewport()), f);
    EXPECT_EQ(m.WorkSpaceDragSource(m.lstWorkSpace), nullptr);
    m.WorkSpaceDrop(f);
    m.WorkSpaceDrop(f);
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\WORKSPACE"), false));
    EXPECT_EQ(reg.GetKeyNames(), QStringList{"0"});
    reg.CloseKey();
    ASSERT_EQ(m.lstWorkSpace->ItemCount(), 1);
    EXPECT_EQ(m.lstWorkSpace->Item(0)->Caption(), QStringLiteral("customer (public)"));

    // Two overloads of a function are two entries, titled by their arguments.
    table->setSelected(false);
    QStringList sub1(12), sub2(12);
    sub1[0] = sub2[0] = QStringLiteral("public");
    sub1[3] = QStringLiteral("integer");
    sub2[3] = QStringLiteral("text");
    sub1[8] = QStringLiteral("1001");
    sub2[8] = QStringLiteral("1002");
    addItem(QStringLiteral("f"), 52, sub1)->setSelected(true);
    addItem(QStringLiteral("f"), 52, sub2)->setSelected(true);
    m.WorkSpaceDrop(f);
    QStringList captions;
    for (int i = 0; i < m.lstWorkSpace->ItemCount(); ++i)
        captions << m.lstWorkSpace->Item(i)->Caption();
    EXPECT_EQ(captions, (QStringList{"customer (public)", "f(integer) (public)", "f(text) (public)"}));

    // Closing the last connection empties the panel; logging on again shows the entries.
    ASSERT_TRUE(m.SubWindowOf(f)->close());
    QCoreApplication::processEvents();
    EXPECT_EQ(m.lstWorkSpace->ItemCount(), 0);
    TfrmLogon::ShowWindow(db.params().host, db.params().port, db.params().database, QString(), db.params().user,
                          db.params().password, true);
    ASSERT_NE(s.Form(), nullptr);
    EXPECT_EQ(m.lstWorkSpace->ItemCount(), 3);

    // Removing by the Delete key; renaming keeps the list as it is.
    m.lstWorkSpace->clearSelection();
    m.lstWorkSpace->Item(0)->setSelected(true);
    m.lstWorkSpace->setFocus();
    QTest::keyClick(m.lstWorkSpace, Qt::Key_Delete);
    EXPECT_EQ(m.lstWorkSpace->ItemCount(), 2);
    LoadWorkSpace();
    EXPECT_EQ(tvWorkSpace.size(), 2u);
    // Renaming an overload renames that overload's entry only.
    m.lstWorkSpaceEdited(m.lstWorkSpace->Item(1), QStringLiteral("second"));
    LoadWorkSpace();
    EXPECT_EQ(tvWorkSpace.at(0).Title, QStringLiteral("f(integer) (public)"));
    EXPECT_EQ(tvWorkSpace.at(1).Title, QStringLiteral("second"));
}

TEST(MainActions, WorkSpaceOpensStoredOidsAndFallsBackToTheName)
{
    TestDb db("act");
    TV_REQUIRE_DB(db);
    ShellSession s;
    TfrmMain &m = s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    f->ExecuteSQL(QStringLiteral("CREATE FUNCTION public.g(integer) RETURNS integer LANGUAGE sql AS 'SELECT 1'"));
    f->ExecuteSQL(QStringLiteral("CREATE FUNCTION public.g(text) RETURNS integer LANGUAGE sql AS 'SELECT 2'"));
    const qint64 oid = f->OpenSQL(QStringLiteral("SELECT 'public.g(integer)'::regprocedure::oid")).Fields(0).AsInt64();
    tvWorkSpace = {
        {52, QStringLiteral("g ok"), QStringLiteral("public"), QStringLiteral("g"), f->ConnectionText(), int(oid), {}},
        {52, QStringLiteral("g stale"), QStringLiteral("public"), QStringLiteral("g"), f->ConnectionText(), 1, {}},
        {45, QStringLiteral("t"), QStringLiteral("public"), QStringLiteral("t"), QStringLiteral("elsewhere"), 0, {}},
    };
    SaveWorkSpace();
    m.ShowWorkSpace(nullptr);
    ASSERT_EQ(m.lstWorkSpace->ItemCount(), 2);
    QList<qint64> opened;
    m.OpenObjectHook = [&](TfrmObject *, const TOpenObjectRequest &r) -> QWidget * {
        opened << r.OID;
        return nullptr;
    };
    m.lstWorkSpace->Item(0)->setSelected(true); // "g ok"
    m.OpenWorkSpaceItems(false, false, omDefine);
    EXPECT_EQ(opened, QList<qint64>{oid});
    EXPECT_TRUE(s.dialogs.calls().isEmpty());

    opened.clear();
    m.lstWorkSpace->clearSelection();
    m.lstWorkSpace->Item(1)->setSelected(true); // "g stale": both overloads open by name
    m.OpenWorkSpaceItems(false, false, omDefine);
    EXPECT_EQ(opened.size(), 2);
    ASSERT_EQ(s.dialogs.calls().size(), 1);
    EXPECT_TRUE(s.dialogs.calls().at(0).text.startsWith(QStringLiteral("OID番号が一致するオブジェクトが見つからなかった為、")));
}

// ---------------------------------------------------------------------------
// Check 6: launchers

TEST(MainActions, CtrlSOpensAnSqlWindowForTheCurrentConnectionAndLaunchersNeedOne)
{
    const QStringList launchers{"actViewSQL", "actViewScript", "actViewField", "actViewComp", "actViewSQLCatch",
                                "actViewSQLCRUD", "actAdminUser", "actAdminStorage", "actAdminSession",
                                "actAdminLock", "actAdminDatabase", "actAdminPerform", "actAdminExport",
                                "actAdminImport", "actAdminLoad", "actToolIndexAdviser"};
    QList<TLaunchContext> calls;
    QStringList called;
    for (const QString &n : launchers)
        RegisterLauncher(n, [&, n](const TLaunchContext &c) -> QWidget * {
            called << n;
            calls << c;
            if (n != QLatin1String("actViewSQL"))
                return nullptr;
            auto *w = new QWidget;
            w->setWindowTitle(QStringLiteral("SQL"));
            if (auto *m = qobject_cast<TfrmMain *>(c.MainWindow))
                m->AddMdiChild(w)->show();
            return w;
        });
    struct Unregister {
        QStringList names;
        ~Unregister()
        {
            for (const QString &n : names)
                RegisterLauncher(n, {});
        }
    } unregister{launchers};

    {
        // No connection: nothing runs, even when the action is triggered directly.
        ShellSession s;
        TfrmMain &m = s.Start({});
        for (const QString &n : launchers)
            m.Action(n)->trigger();
        EXPECT_TRUE(called.isEmpty());
    }

    TestDb db("act");
    TV_REQUIRE_DB(db);
    ShellSession s;
    TfrmMain &m = s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    m.show();
    m.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    const int before = int(m.MdiChildren().size());
    QTest::keyClick(&m, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(called, QStringList{"actViewSQL"});
    EXPECT_EQ(calls.at(0).Connection, f);
    EXPECT_EQ(m.MdiChildren().size(), before + 1);
    for (const QString &n : launchers)
        m.Action(n)->trigger();
    EXPECT_EQ(called.size(), 1 + launchers.size());
}
