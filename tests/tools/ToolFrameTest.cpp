// The tool window frame inside the real main window, against the test
// server: one window per caption and connection, the connection combo, the
// task button's caption, closing with the connection, the saved size, a
// failing first read and a refresh asked for while one runs.
#include "shell/ShellTestSupport.h"

#include "platform/settings/tvRegistry.h"
#include "tools/tvToolForm.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QToolBar>
#include <QToolButton>

using namespace tvtest;

namespace {

// A window of the family (the user list's row of the table) that counts its
// reads and can be told to fail its first one.
class TfrmProbe : public TtvToolForm {
public:
    explicit TfrmProbe(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmUserList"))
    {
        tolCmd->addAction(actExit);
        AddDBNamePanel();
        FinishCreate();
    }
    void Reload(QObject *) override
    {
        Retitle();
        ReadGuarded([this] {
            ++reads;
            if (failNext) {
                failNext = false;
                throw tv::Error(QStringLiteral("ERROR: read failed"));
            }
            if (nested)
                nestedRan = ReadGuarded([] {});
        });
    }
    static inline bool failNext = false;
    int reads = 0;
    bool nested = false;
    bool nestedRan = true;
};

TfrmProbe *OpenProbe(IConnectionWindow *owner)
{
    return TtvToolForm::Open<TfrmProbe>(owner, QStringLiteral("TfrmUserList"));
}

QList<TfrmProbe *> Probes(TfrmMain &m)
{
    QList<TfrmProbe *> l;
    for (QWidget *w : m.MdiChildren())
        if (auto *p = dynamic_cast<TfrmProbe *>(w))
            l << p;
    return l;
}

class ToolFrame : public ::testing::Test {
protected:
    void Start()
    {
        s.Start(LogonArgs(db1.params()));
        s.FirstPaint();
        s.main->show();
        a = s.Form(0);
        ASSERT_NE(a, nullptr) << s.dialogs.texts().join(QLatin1Char('\n')).toStdString();
        const DbParams &p = db2.params();
        b = TfrmObject::Create(s.main.get(), p.host, p.port, p.database, QString(), p.user, p.password);
        ASSERT_NE(b, nullptr);
    }

    TestDb db1{"frame"};
    TestDb db2{"frame"};
    ShellSession s;
    TfrmObject *a = nullptr;
    TfrmObject *b = nullptr;
};

} // namespace

TEST(ToolFrameTable, EveryMemberHasItsRow)
{
    ASSERT_EQ(ToolWindowKinds().size(), 19);
    const TToolWindowKind *k = FindToolWindowKind(QStringLiteral("TfrmSession"));
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->Title, QStringLiteral("セッション情報 - "));
    EXPECT_EQ(k->Icon, 5);
    EXPECT_EQ(k->Key, QStringLiteral("SESSION"));
    EXPECT_EQ(k->Help, 40900);
    EXPECT_TRUE(k->OnePerCaption);
    EXPECT_FALSE(k->ShowWindowKind);
    // Windows without a title text carry their form caption.
    EXPECT_EQ(FindToolWindowKind(QStringLiteral("TfrmComp"))->FormCaption, QStringLiteral("オブジェクト比較"));
    EXPECT_EQ(FindToolWindowKind(QStringLiteral("TfrmNameTable"))->Icon, -1);
    EXPECT_EQ(FindToolWindowKind(QStringLiteral("TfrmNothing")), nullptr);
    // Keys are unique: two members never share a saved size.
    QStringList keys;
    for (const TToolWindowKind &m : ToolWindowKinds())
        keys << m.Key;
    keys.removeDuplicates();
    EXPECT_EQ(keys.size(), 19);
}

TEST_F(ToolFrame, OneWindowPerConnectionFollowingItsCombo)
{
    TV_REQUIRE_DB(db1);
    Start();
    const QString textA = a->ConnectionText(), textB = b->ConnectionText();

    TfrmProbe *w1 = OpenProbe(a);
    ASSERT_NE(w1, nullptr);
    EXPECT_EQ(w1->windowTitle(), QStringLiteral("ユーザー情報 - ") + textA);
    EXPECT_EQ(w1->OwnerForm(), a);
    EXPECT_EQ(w1->reads, 1);
    // The combo is a copy of the main window's list with the owner selected.
    ASSERT_EQ(w1->cmbDBName->count(), 2);
    EXPECT_EQ(w1->cmbDBName->currentText(), textA);
    // A connection text over 12 characters: its first 10 and "…".
    ASSERT_GT(textA.size(), 12);
    EXPECT_EQ(w1->TaskCaption(), textA.left(10) + QChar(0x2026));
    EXPECT_EQ(w1->TaskButton()->toolTip(), w1->windowTitle());

    // Again for the same connection: the same window, not read again.
    EXPECT_EQ(OpenProbe(a), w1);
    EXPECT_EQ(Probes(*s.main).size(), 1);
    EXPECT_EQ(w1->reads, 1);

    // For the other connection: a second window naming it.
    TfrmProbe *w2 = OpenProbe(b);
    ASSERT_NE(w2, w1);
    EXPECT_EQ(w2->windowTitle(), QStringLiteral("ユーザー情報 - ") + textB);
    EXPECT_EQ(Probes(*s.main).size(), 2);

    // Picking the other connection in the first window's combo binds,
    // retitles and reads again.
    const int at = w1->cmbDBName->findText(textB);
    ASSERT_GE(at, 0);
    w1->cmbDBName->setCurrentIndex(at);
    w1->cmbDBNameChange();
    EXPECT_EQ(w1->OwnerForm(), b);
    EXPECT_EQ(w1->windowTitle(), QStringLiteral("ユーザー情報 - ") + textB);
    EXPECT_EQ(w1->reads, 2);
}

TEST_F(ToolFrame, ClosingAConnectionClosesOnlyItsWindows)
{
    TV_REQUIRE_DB(db1);
    Start();
    QPointer<TfrmProbe> onA = OpenProbe(a);
    QPointer<TfrmProbe> onB = OpenProbe(b);
    ASSERT_TRUE(onA && onB);
    const QString shown = onA->cmbDBName->currentText();

    ASSERT_TRUE(s.main->SubWindowOf(b)->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(onB);
    ASSERT_TRUE(onA);
    // The other window keeps its selection and its data: not read again.
    EXPECT_EQ(onA->cmbDBName->count(), 1);
    EXPECT_EQ(onA->cmbDBName->currentText(), shown);
    EXPECT_EQ(onA->OwnerForm(), a);
    EXPECT_EQ(onA->reads, 1);
}

TEST_F(ToolFrame, AFailingFirstReadLeavesNoWindowAndNoTaskButton)
{
    TV_REQUIRE_DB(db1);
    Start();
    const int buttons = s.main->TaskBar()->actions().size();
    TfrmProbe::failNext = true;
    EXPECT_THROW(OpenProbe(a), tv::Error);
    TfrmProbe::failNext = false;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Probes(*s.main).isEmpty());
    EXPECT_EQ(s.main->TaskBar()->actions().size(), buttons);
    // The next opening works.
    EXPECT_NE(OpenProbe(a), nullptr);
}

TEST_F(ToolFrame, ARefreshAskedForWhileOneRunsIsIgnored)
{
    TV_REQUIRE_DB(db1);
    Start();
    TfrmProbe *w = OpenProbe(a);
    ASSERT_NE(w, nullptr);
    w->nested = true;
    w->Reload(w);
    EXPECT_FALSE(w->nestedRan);
    EXPECT_FALSE(w->Reading());
    // Once done, the next refresh runs.
    w->nested = false;
    w->Reload(w);
    EXPECT_EQ(w->reads, 3);
}

TEST_F(ToolFrame, TheSizeIsKeptButNotWhenClosedMaximised)
{
    TV_REQUIRE_DB(db1);
    Start();
    const QString key = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\USERLIST");
    auto &reg = tv::settings::tvRegistry();
    ASSERT_TRUE(reg.OpenKey(key, true));
    reg.WriteInteger(QStringLiteral("Width"), 530);
    reg.WriteInteger(QStringLiteral("Height"), 310);
    reg.CloseKey();

    TfrmProbe *w = OpenProbe(a);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->size(), QSize(530, 310));
    // Closed maximised: the saved size stays.
    w->Frame()->showMaximized();
    QPointer<TfrmProbe> gone = w;
    w->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(gone);
    auto read = [&](const QString &name) {
        EXPECT_TRUE(reg.OpenKeyReadOnly(key));
        const int v = reg.GetInteger(name, -1);
        reg.CloseKey();
        return v;
    };
    EXPECT_EQ(read(QStringLiteral("Width")), 530);
    EXPECT_EQ(read(QStringLiteral("Height")), 310);

    // Closed in the normal state: the window's size is written.
    w = OpenProbe(a);
    w->Frame()->showNormal();
    w->Frame()->resize(w->Frame()->size() - w->size() + QSize(600, 400));
    ASSERT_EQ(w->size(), QSize(600, 400));
    w->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(read(QStringLiteral("Width")), 600);
    EXPECT_EQ(read(QStringLiteral("Height")), 400);
}
