// The main window: status messages, the connection list, the one-window
// rule, the layout kept between runs and the order of shutdown.
#include "ModalSteps.h"
#include "ShellTestSupport.h"

#include "common/IConnectionWindow.h"
#include "controls/tvListView.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/WindowMessage.h"
#include "shell/frmLogon.h"
#include "common/RecParam.h"

#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>
#include <QToolButton>

using namespace tvtest;

namespace {

const QString MainKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\MAIN");

// A child window of the shell's protocol: counts the connection-change
// messages and answers the close question as told.
class FakeChild : public QWidget, public IChildWindow {
public:
    explicit FakeChild(IConnectionWindow *owner, bool mayClose = true) : owner(owner), mayClose(mayClose) {}
    IConnectionWindow *OwnerConnection() const override { return owner; }
    bool CanClose() override
    {
        ++asked;
        return mayClose;
    }
    bool event(QEvent *e) override
    {
        if (tv::ui::IsWindowMessage(e) && static_cast<tv::ui::WindowMessageEvent *>(e)->message() == tv::ui::WM_DBCHANGE) {
            ++dbChanges;
            return true;
        }
        return QWidget::event(e);
    }
    IConnectionWindow *owner;
    bool mayClose;
    int asked = 0;
    int dbChanges = 0;
};

class OtherChild : public QWidget {};

QList<QToolButton *> TaskButtons(TfrmMain &m)
{
    QList<QToolButton *> list;
    for (QToolButton *b : m.tolTask->findChildren<QToolButton *>())
        if (b->property("tvWindow").isValid())
            list << b;
    return list;
}

} // namespace

TEST(MainWindow, StatusPanelTwoTexts)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    // The logon runs as the first paint's work, called here; the window is
    // shown only after it, so no queued first paint opens the logon dialog.
    TfrmMain &m = s.Start(LogonArgs(db.params()));
    const QString esc = QStringLiteral(" [ESC]キーを押すと処理を中断");
    const struct {
        int now, max;
        QString text;
    } loops[] = {
        {0, 0, esc},
        {3, 0, QStringLiteral("3件処理中...") + esc},
        {0, 5, QStringLiteral("0 / 5") + esc},
        {3, -1, QStringLiteral("3件処理中...") + esc},
    };
    for (const auto &l : loops) {
        m.SetLoopMessage(l.now, l.max);
        EXPECT_EQ(m.StatusText(2), l.text);
    }
    // Without a connection the panel keeps its text.
    m.SetDefMessage();
    EXPECT_EQ(m.StatusText(2), loops[3].text);

    s.FirstPaint();
    s.main->show();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(m.StatusText(2), QStringLiteral("0個のオブジェクトがあります。"));
    f->lstObject->AddColumn(QStringLiteral("名前"), 100);
    for (const char *name : {"a", "b", "c"})
        f->lstObject->addTopLevelItem(new TtvListItem(QString::fromLatin1(name)));
    m.SetDefMessage();
    EXPECT_EQ(m.StatusText(2), QStringLiteral("3個のオブジェクトがあります。"));
    f->lstObject->topLevelItem(1)->setSelected(true);
    m.SetDefMessage();
    EXPECT_EQ(m.StatusText(2), QStringLiteral("3個中 1個のオブジェクトを選択中。"));
}

TEST(MainWindow, ConnectionListEnablingAndLookups)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    TfrmMain &m = s.Start({});
    EXPECT_FALSE(m.Action(QStringLiteral("actViewSQL"))->isEnabled());
    EXPECT_FALSE(m.Action(QStringLiteral("btnNewTable"))->isEnabled());
    EXPECT_FALSE(m.Action(QStringLiteral("actAdminSession"))->isEnabled());
    EXPECT_TRUE(m.Action(QStringLiteral("actToolCommandSetup"))->isEnabled());
    EXPECT_EQ(m.GetDBForm(QStringLiteral("anything")), nullptr);

    auto *watcher = new FakeChild(nullptr);
    m.AddMdiChild(watcher)->show();
    const auto &p = db.params();
    ASSERT_TRUE(TfrmLogon::ShowWindow(p.host, p.port, p.database, QString(), p.user, p.password, true));
    ASSERT_TRUE(TfrmLogon::ShowWindow(p.host, p.port, p.database, QString(), p.user, p.password, true));
    EXPECT_EQ(watcher->dbChanges, 2);
    auto *first = s.Form(1);
    auto *second = s.Form(2);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(m.cmbDBName->count(), 2);
    // The new window was activated, which selects its own item, though the
    // first has the same text.
    EXPECT_EQ(m.mdiMain->activeSubWindow(), m.SubWindowOf(second));
    EXPECT_EQ(m.CurrentForm(), second);
    EXPECT_TRUE(m.Action(QStringLiteral("actViewSQL"))->isEnabled());
    EXPECT_TRUE(m.Action(QStringLiteral("btnNewType"))->isEnabled());
    EXPECT_TRUE(m.Action(QStringLiteral("actAdminSession"))->isEnabled());
    EXPECT_FALSE(m.Action(QStringLiteral("actAdminDBLink"))->isEnabled());

    // Equal texts: the current window, else the one with the highest index;
    // activating a window selects its own item.
    const QString text = first->ConnectionText();
    EXPECT_EQ(second->ConnectionText(), text);
    EXPECT_EQ(m.GetDBForm(text), second);
    m.cmbDBName->setCurrentIndex(0);
    EXPECT_EQ(m.GetDBForm(text), first);
    m.cmbDBName->setCurrentIndex(1);
    EXPECT_EQ(m.GetDBForm(text), second);
    m.cmbDBName->setCurrentIndex(-1);
    EXPECT_EQ(m.GetDBForm(text), second);
    second->FormActivate();
    EXPECT_EQ(m.cmbDBName->currentIndex(), 1);
    EXPECT_EQ(m.CurrentForm(), second);
    first->FormActivate();
    EXPECT_EQ(m.cmbDBName->currentIndex(), 0);
    EXPECT_EQ(m.CurrentForm(), first);

    // One task button per connection window, the activated one pressed.
    const auto buttons = TaskButtons(m);
    ASSERT_EQ(buttons.size(), 2);
    EXPECT_EQ(buttons.at(0)->text(), FormatRecParamCaption(MakeRecParam(p.host, p.database, QString(), p.port, p.user,
                                                                        QString(), QString(), QString(), QString()),
                                                           0, true));
    EXPECT_EQ(buttons.at(1)->toolTip(), second->windowTitle());

    // Closing one window leaves the other selected; the watcher hears of it.
    ASSERT_TRUE(m.SubWindowOf(second)->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(watcher->dbChanges, 3);
    EXPECT_EQ(m.cmbDBName->count(), 1);
    EXPECT_EQ(m.CurrentForm(), first);
    EXPECT_EQ(TaskButtons(m).size(), 1);
    ASSERT_TRUE(m.SubWindowOf(first)->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(m.CurrentForm(), nullptr);
    EXPECT_FALSE(m.Action(QStringLiteral("actViewSQL"))->isEnabled());
    EXPECT_TRUE(s.dialogs.calls().isEmpty());
}

TEST(MainWindow, FindWindowMatchesClassAndExactCaption)
{
    ShellSession s;
    TfrmMain &m = s.Start({});
    auto *a = new FakeChild(nullptr);
    a->setWindowTitle(QStringLiteral("テーブル - Public.T1"));
    auto *b = new FakeChild(nullptr);
    b->setWindowTitle(QStringLiteral("テーブル - Public.T1"));
    auto *other = new OtherChild;
    other->setWindowTitle(QStringLiteral("other"));
    for (QWidget *w : {static_cast<QWidget *>(a), static_cast<QWidget *>(b), static_cast<QWidget *>(other)})
        m.AddMdiChild(w)->show();
    EXPECT_EQ(m.FindWindowOf<FakeChild>(QStringLiteral("テーブル - Public.T1"), false), b);
    EXPECT_EQ(m.FindWindowOf<FakeChild>(QStringLiteral("テーブル - public.t1"), false), nullptr);
    EXPECT_EQ(m.FindWindowOf<FakeChild>(QStringLiteral("other"), false), nullptr);
    EXPECT_EQ(m.FindWindowOf<OtherChild>(QStringLiteral("other"), true), other);
    EXPECT_EQ(m.mdiMain->activeSubWindow(), m.SubWindowOf(other));
    EXPECT_EQ(m.MdiChildren(), QList<QWidget *>({a, b, other}));
    EXPECT_EQ(MainWindow(), &m);
}

// A refusal anywhere cancels the shutdown: every window stays open and
// nothing is written.
TEST(MainWindow, RefusedCloseKeepsTheProgramRunning)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    TfrmMain &m = s.Start(LogonArgs(db.params()));
    tvOption.UpdateToCommit = false;
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    f->ExecuteSQL(QStringLiteral("create table shell_work(x int)"));
    auto *owned = new FakeChild(f, false);
    m.AddMdiChild(owned)->show();

    EXPECT_FALSE(s.CloseMain());
    EXPECT_GE(owned->asked, 1);
    EXPECT_EQ(s.Form(), f);
    EXPECT_EQ(m.cmbDBName->count(), 1);
    EXPECT_TRUE(f->dbsMain().Connected());
    EXPECT_EQ(db.scalar("SELECT state FROM pg_stat_activity WHERE pid = " + std::to_string(f->MYSID())),
              "idle in transaction");
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    EXPECT_FALSE(reg.KeyExists(MainKey));

    // Now it may close: the connection window and what it owns go.
    owned->mayClose = true;
    EXPECT_TRUE(s.CloseMain());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(m.MdiChildren().isEmpty());
    EXPECT_EQ(db.scalar("SELECT count(*) FROM pg_class WHERE relname = 'shell_work'"), "0");
    EXPECT_TRUE(reg.KeyExists(MainKey));
}

TEST(MainWindow, CloseWritesLayoutOptionsAndHistoryAndTheNextStartRestoresThem)
{
    ShellSession s;
    TfrmMain &m = s.Start({});
    m.setGeometry(40, 50, 700, 500);
    SQLLogList = QStringList{QStringLiteral("SQLLOG2.SQL"), QStringLiteral("SQLLOG1.SQL")};
    tvOption.KeepAliveInterval = 7;
    m.lstWorkSpace->hide();
    EXPECT_TRUE(s.CloseMain());

    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(MainKey, false));
    EXPECT_EQ(reg.GetInteger(QStringLiteral("WindowState"), -1), 0);
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Left"), -1), 40);
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Top"), -1), 50);
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Width"), -1), 700);
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Height"), -1), 500);
    EXPECT_FALSE(reg.GetBool(QStringLiteral("WorkSpace"), true));
    EXPECT_EQ(reg.ReadBinaryData(QStringLiteral("pnlDBRect")).size(), 16);
    reg.CloseKey();
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19"), false));
    EXPECT_EQ(reg.GetInteger(QStringLiteral("KeepAliveInterval"), -1), 7);
    reg.CloseKey();
    QFile idx(tvOption.TempDir + QStringLiteral("SQLLOG.IDX"));
    ASSERT_TRUE(idx.open(QIODevice::ReadOnly));
    EXPECT_EQ(idx.readAll(), QByteArray("SQLLOG2.SQL\r\nSQLLOG1.SQL\r\n"));
    idx.close();

    // A minimised state comes back as normal; the stored bounds apply.
    ASSERT_TRUE(reg.OpenKey(MainKey, false));
    reg.WriteInteger(QStringLiteral("WindowState"), 1);
    reg.CloseKey();
    s.main.reset();
    SQLLogList.clear();
    tvOption.KeepAliveInterval = 0;
    TfrmMain &next = s.Start({});
    EXPECT_EQ(SQLLogList, QStringList({"SQLLOG2.SQL", "SQLLOG1.SQL"}));
    EXPECT_EQ(tvOption.KeepAliveInterval, 7);
    ModalSteps steps({CancelStep(QStringLiteral("frmLogon"))}); // the logon offered at start
    s.FirstPaint();
    EXPECT_FALSE(next.isMinimized());
    EXPECT_EQ(next.geometry(), QRect(40, 50, 700, 500));
    EXPECT_TRUE(next.lstWorkSpace->isHidden());
}

// The tool bars carry their titles (shown where the bars are listed by
// name, as when one floats).
TEST(MainWindow, ToolBarTitles)
{
    ShellSession s;
    TfrmMain &m = s.Start({});
    const QStringList expected{"pnlDB データベース", "pnlEdit 編集",  "pnlTool ツール",
                               "pnlAdmin 管理",      "pnlTool2 ツール", "pnlNewObj 新規オブジェクト"};
    QStringList bars;
    for (const QToolBar *b : m.findChildren<QToolBar *>(Qt::FindDirectChildrenOnly))
        if (b->objectName().startsWith(QStringLiteral("pnl")))
            bars << b->objectName() + QLatin1Char(' ') + b->windowTitle();
    bars.sort();
    QStringList sorted = expected;
    sorted.sort();
    EXPECT_EQ(bars, sorted);
}

TEST(MainWindow, MaximisedStateKeepsTheStoredBounds)
{
    ShellSession s;
    TfrmMain &m = s.Start({});
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(MainKey, true));
    reg.WriteInteger(QStringLiteral("Width"), 640);
    reg.CloseKey();
    m.show();
    m.showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m.isMaximized(); }));
    EXPECT_TRUE(s.CloseMain());
    ASSERT_TRUE(reg.OpenKey(MainKey, false));
    EXPECT_EQ(reg.GetInteger(QStringLiteral("WindowState"), -1), 2);
    EXPECT_EQ(reg.GetInteger(QStringLiteral("Width"), -1), 640);
    reg.CloseKey();
}

TEST(MainWindow, ShortcutsReachTheConnectionWindows)
{
    TestDb db("shell");
    TV_REQUIRE_DB(db);
    ShellSession s;
    TfrmMain &m = s.Start(LogonArgs(db.params()));
    s.FirstPaint();
    TfrmObject *f = s.Form();
    ASSERT_NE(f, nullptr);
    m.Action(QStringLiteral("actEditDelete"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    m.Action(QStringLiteral("actDelete"))->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    m.SetShortCut();
    EXPECT_EQ(f->Action(QStringLiteral("actDelete"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
}
