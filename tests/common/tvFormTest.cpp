// The window base class: closing with unapplied changes, the task button,
// schema prefixes, page keys, the connection window and its queries,
// activation and the broadcast messages.
#include "common/tvForm.h"

#include "FormTestSupport.h"
#include "OptionGuard.h"
#include "common/ControlStyle.h"
#include "common/Globals.h"
#include "common/ScriptOption.h"
#include "platform/Errors.h"
#include "platform/db/DataSet.h"
#include "platform/ui/ScriptedDialogs.h"
#include "platform/ui/WindowMessage.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using namespace tvtest;

namespace {

const QString kAsk = QStringLiteral("情報が変更されています。コンパイルしますか？");

class TestForm : public TtvForm {
public:
    explicit TestForm(QObject *owner = nullptr, const std::function<void(TestForm &)> &build = {})
        : TtvForm(owner)
    {
        if (build)
            build(*this);
        FinishCreate();
    }

    enum class CompileResult { Fails, Succeeds, Throws };
    CompileResult compileResult = CompileResult::Fails;
    int compiles = 0, loads = 0, saves = 0, reloads = 0, dbChanges = 0, isNewCalls = 0;
    QPoint assist{-1, -1};

    void Compile(QObject *) override
    {
        ++compiles;
        if (compileResult == CompileResult::Throws)
            throw tv::Error(QStringLiteral("ERROR: syntax error"));
        if (compileResult == CompileResult::Succeeds)
            SetModified(false);
    }
    void Reload(QObject *) override { ++reloads; }
    void DBChange(QObject *) override { ++dbChanges; }
    void LoadSettings() override { ++loads; }
    void SaveSettings() override { ++saves; }
    void ChangedIsNew() override { ++isNewCalls; }
    void CodeAssist(int X, int Y) override { assist = QPoint(X, Y); }
};

// A line edit that counts the keys it receives (modifier keys aside).
class KeyCountingEdit : public QLineEdit {
public:
    int keys = 0;

protected:
    void keyPressEvent(QKeyEvent *e) override
    {
        switch (e->key()) {
        case Qt::Key_Control:
        case Qt::Key_Shift:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
            break;
        default:
            ++keys;
        }
        QLineEdit::keyPressEvent(e);
    }
};

class FormTest : public ::testing::Test {
protected:
    FormTest() : use(&dialogs) {}
    ~FormTest() override
    {
        ToastReadOnly = false;
        QApplication::processEvents();
    }

    // Builds a window inside the fake main window's MDI area.
    TestForm *Shown(QObject *owner = nullptr, const std::function<void(TestForm &)> &build = {})
    {
        auto *f = new TestForm(owner, build);
        f->ShowForm();
        return f;
    }

    OptionGuard options;
    tv::ui::ScriptedDialogs dialogs;
    tv::ui::ScopedDialogs use;
    FakeMainWindow main;
};

// --- closing ------------------------------------------------------------------

TEST_F(FormTest, CloseQueryAsksOnlyForUnappliedChangesAndKeepsFailedCompiles)
{
    using CR = TestForm::CompileResult;
    struct Case {
        const char *name;
        bool modified;
        bool toastReadOnly;
        int answer; // 0: no question expected
        CR compile;
        bool mayClose;
        int compiles;
    };
    const Case cases[] = {
        {"unmodified", false, false, 0, CR::Fails, true, 0},
        {"yes, compile fails", true, false, tv::ui::IDYES, CR::Fails, false, 1},
        {"yes, compile succeeds", true, false, tv::ui::IDYES, CR::Succeeds, true, 1},
        {"no", true, false, tv::ui::IDNO, CR::Fails, true, 0},
        {"cancel", true, false, tv::ui::IDCANCEL, CR::Succeeds, false, 0},
        {"toast read-only", true, true, 0, CR::Fails, true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.clear();
        ToastReadOnly = c.toastReadOnly;
        TestForm f;
        f.SetModified(c.modified);
        f.compileResult = c.compile;
        if (c.answer)
            dialogs.queueButton(c.answer);

        EXPECT_EQ(f.CloseQuery(), c.mayClose);

        if (c.answer) {
            ASSERT_EQ(dialogs.calls().size(), 1);
            EXPECT_EQ(dialogs.calls().at(0).text, kAsk);
            EXPECT_EQ(dialogs.calls().at(0).flags, tv::ui::MB_YESNOCANCEL | tv::ui::MB_ICONQUESTION);
        } else {
            EXPECT_TRUE(dialogs.calls().isEmpty());
        }
        EXPECT_EQ(f.compiles, c.compiles);
        // Settings are stored exactly when the window may close.
        EXPECT_EQ(f.saves, c.mayClose ? 1 : 0);
    }
    ToastReadOnly = false;
}

TEST_F(FormTest, OneClosingAsksOnce)
{
    // The main window asks every child, then its connection windows ask the
    // windows they own again, all before returning to the event loop.
    TestForm f;
    f.SetModified(true);
    dialogs.queueButton(tv::ui::IDNO);
    EXPECT_TRUE(f.CloseQuery());
    EXPECT_TRUE(f.CloseQuery());
    EXPECT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(f.saves, 1);
    // A later closing (this one was refused elsewhere) asks anew.
    QApplication::processEvents();
    dialogs.queueButton(tv::ui::IDCANCEL);
    EXPECT_FALSE(f.CloseQuery());
    EXPECT_EQ(dialogs.calls().size(), 2);
}

TEST_F(FormTest, ClosingTheFrameFollowsTheAnswer)
{
    // Cancel keeps the window; No closes it and frees it with its frame.
    QPointer<TestForm> f = Shown();
    QPointer<QMdiSubWindow> frame = f->Frame();
    ASSERT_TRUE(frame);
    f->SetModified(true);

    dialogs.queueButton(tv::ui::IDCANCEL);
    EXPECT_FALSE(frame->close());
    QApplication::processEvents();
    ASSERT_TRUE(f);
    EXPECT_FALSE(frame->isHidden());

    dialogs.queueButton(tv::ui::IDNO);
    EXPECT_TRUE(frame->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(f);
    EXPECT_FALSE(frame);
}

TEST_F(FormTest, ACompileThatRaisesIsShownAndKeepsTheWindowOpen)
{
    QPointer<TestForm> f = Shown();
    f->SetModified(true);
    f->compileResult = TestForm::CompileResult::Throws;
    dialogs.queueButton(tv::ui::IDYES);

    f->Close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_TRUE(f);
    EXPECT_EQ(dialogs.texts(), (QStringList{kAsk, QStringLiteral("ERROR: syntax error")}));
    EXPECT_EQ(f->saves, 0);
    // Closing the window itself (not its frame) takes the frame along.
    f->SetModified(false);
    QPointer<QMdiSubWindow> frame = f->Frame();
    f->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(f);
    EXPECT_FALSE(frame);
    EXPECT_TRUE(main.mdiMain->subWindowList().isEmpty());
}

// --- task button ------------------------------------------------------------------

TEST_F(FormTest, TaskCaptionKeepsTwelveCharactersAndCutsLongerOnes)
{
    const struct {
        QString in, shown;
    } cases[] = {
        {QStringLiteral("ABCDEFGHIJKL"), QStringLiteral("ABCDEFGHIJKL")},
        {QStringLiteral("ABCDEFGHIJKLM"), QStringLiteral("ABCDEFGHIJKL…")},
        {QStringLiteral("テーブル定義：顧客マスタ一覧表"), QStringLiteral("テーブル定義：顧客マスタ…")},
        // A character outside the BMP counts as one and is never split.
        {QStringLiteral("ABCDEFGHIJK\U0001F600Z"), QStringLiteral("ABCDEFGHIJK\U0001F600…")},
        {QString(), QString()},
    };
    TestForm *f = Shown();
    EXPECT_EQ(f->TaskCaption(), QString()); // no button yet
    f->SetTaskCaption(QStringLiteral("ignored"));
    EXPECT_EQ(f->TaskCaption(), QString());

    f->CreateTaskButton();
    ASSERT_TRUE(f->TaskButton());
    for (const auto &c : cases) {
        f->SetTaskCaption(c.in);
        EXPECT_EQ(f->TaskCaption(), c.shown) << c.in.toStdString();
        EXPECT_EQ(f->TaskButton()->text(), c.shown);
    }
}

TEST_F(FormTest, TaskButtonFollowsTitleAndIconAndGoesWithTheWindow)
{
    QPointer<TestForm> f = Shown();
    f->setWindowTitle(QStringLiteral("public.customer"));
    f->CreateTaskButton();
    QToolButton *b = f->TaskButton();
    ASSERT_TRUE(b);
    f->CreateTaskButton(); // a second call makes no second button
    EXPECT_EQ(f->TaskButton(), b);
    EXPECT_EQ(b->toolTip(), QStringLiteral("public.customer"));
    EXPECT_TRUE(b->isChecked());

    f->setWindowTitle(QStringLiteral("public.orders"));
    EXPECT_EQ(b->toolTip(), QStringLiteral("public.orders"));

    f->SetObjType(21);
    EXPECT_EQ(ImageCode(b->icon()), 21);
    EXPECT_EQ(ImageCode(f->windowIcon()), 21);
    EXPECT_EQ(ImageCode(f->Frame()->windowIcon()), 21);

    f->Close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(f);
    EXPECT_EQ(main.removedButtons, 1);
}

TEST_F(FormTest, SetIsNewAlwaysTellsTheWindow)
{
    TestForm f;
    f.SetIsNew(true);
    f.SetIsNew(true);
    f.SetIsNew(false);
    EXPECT_EQ(f.isNewCalls, 3);
    EXPECT_FALSE(f.IsNew());
    EXPECT_EQ(f.loads, 1);
}

// --- schema prefix ------------------------------------------------------------------

TEST_F(FormTest, SchemaPrefixFollowsTheScriptOptionOnlyInScriptInstances)
{
    const int savedOwner = ScriptOption.Owner;
    struct Case {
        TSourceMode mode;
        int owner;
        bool lower;
        QString schema, ref, prefix;
    };
    const Case cases[] = {
        {smText, 1, true, QStringLiteral(" public "), QStringLiteral("public"), QString()},
        {smText, 1, true, QStringLiteral("public"), QStringLiteral("sales"), QStringLiteral("\"public\".")},
        {smText, 0, true, QStringLiteral("public"), QStringLiteral("public"), QStringLiteral("\"public\".")},
        {smText, 0, false, QStringLiteral("public"), QStringLiteral("public"), QStringLiteral("public.")},
        {smText, 0, false, QStringLiteral("Sales"), QStringLiteral("public"), QStringLiteral("\"Sales\".")},
        {smText, 2, true, QStringLiteral("public"), QStringLiteral("sales"), QString()},
        {smText, 0, true, QStringLiteral("  "), QStringLiteral("x"), QString()},
        // A visible window always gives the prefix of a non-empty schema.
        {smShow, 1, false, QStringLiteral("public"), QStringLiteral("public"), QStringLiteral("public.")},
        {smShow, 2, false, QStringLiteral("public"), QStringLiteral("public"), QStringLiteral("public.")},
        {smShow, 2, false, QString(), QString(), QString()},
    };
    TestForm f;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.schema.toStdString() + "/" + c.ref.toStdString());
        f.SourceMode = c.mode;
        ScriptOption.Owner = c.owner;
        tvOption.UseLowerName = c.lower;
        EXPECT_EQ(f.SchemaPrefix(c.schema, c.ref), c.prefix);
    }
    f.SourceMode = smText;
    ScriptOption.Owner = 1;
    EXPECT_EQ(f.OwnSchemaPrefix(QStringLiteral("anything")), QString());
    ScriptOption.Owner = savedOwner;
}

// --- page keys ------------------------------------------------------------------

struct PageWindow {
    TestForm *form = nullptr;
    KeyCountingEdit *edit = nullptr;
    QTabWidget *pages = nullptr;
};

PageWindow BuildPageWindow(FormTest *, int pageCount)
{
    PageWindow w;
    w.form = new TestForm(nullptr, [&](TestForm &f) {
        auto *lay = new QVBoxLayout(&f);
        if (pageCount > 0) {
            w.pages = new QTabWidget;
            for (int i = 0; i < pageCount; ++i)
                w.pages->addTab(new QWidget, QString::number(i));
            lay->addWidget(w.pages);
            // A second page control, found after the first one.
            lay->addWidget(new QTabWidget);
        }
        w.edit = new KeyCountingEdit;
        lay->addWidget(w.edit);
    });
    return w;
}

TEST_F(FormTest, CtrlPageKeysSwitchPagesAndAreAlwaysConsumed)
{
    for (int pageCount : {0, 1, 3}) {
        SCOPED_TRACE(pageCount);
        PageWindow w = BuildPageWindow(this, pageCount);
        w.form->ShowForm();
        w.edit->setFocus();
        EXPECT_EQ(w.form->PageControl(), w.pages);

        QTest::keyClick(w.edit, Qt::Key_PageDown, Qt::ControlModifier);
        QTest::keyClick(w.edit, Qt::Key_PageUp, Qt::ControlModifier);
        EXPECT_EQ(w.edit->keys, 0); // consumed before the control saw them
        if (w.pages) {
            EXPECT_EQ(w.pages->currentIndex(), 0);
        }

        if (pageCount == 3) {
            QTest::keyClick(w.edit, Qt::Key_PageDown, Qt::ControlModifier);
            EXPECT_EQ(w.pages->currentIndex(), 1);
            QTest::keyClick(w.pages->tabBar(), Qt::Key_PageDown, Qt::ControlModifier);
            QTest::keyClick(w.pages->tabBar(), Qt::Key_PageDown, Qt::ControlModifier);
            EXPECT_EQ(w.pages->currentIndex(), 2); // no wrap at the last page
            QTest::keyClick(w.pages->tabBar(), Qt::Key_PageUp, Qt::ControlModifier);
            EXPECT_EQ(w.pages->currentIndex(), 1);
        }
        // Without Ctrl the key reaches the control.
        QTest::keyClick(w.edit, Qt::Key_PageDown);
        QTest::keyClick(w.edit, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(w.edit->keys, 2);
        w.form->Close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(FormTest, WithoutKeyPreviewTheControlSeesTheKeyFirst)
{
    PageWindow w = BuildPageWindow(this, 3);
    w.form->KeyPreview = false;
    w.form->ShowForm();
    w.edit->setFocus();
    // The line edit has no use for Ctrl+PgDn; it passes on to the window.
    QTest::keyClick(w.edit, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(w.edit->keys, 1);
    EXPECT_EQ(w.pages->currentIndex(), 1);
    QTest::keyClick(w.form, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(w.pages->currentIndex(), 2);
}

// --- connection window and queries -----------------------------------------------

TEST_F(FormTest, TheOpenerChoosesTheConnectionWindow)
{
    FakeConnectionWindow a(QStringLiteral("hostA"), QStringLiteral("sales"), QStringLiteral("alice"));
    FakeConnectionWindow b(QStringLiteral("hostB"), QStringLiteral("stock"), QStringLiteral("bob"));
    main.AddConnection(QStringLiteral("a"), &a);
    main.AddConnection(QStringLiteral("b"), &b);
    main.cmbDBName->setCurrentIndex(1);

    TestForm byConnection(&a);
    TestForm byMain(&main);
    TestForm byWindow(&byConnection);
    QObject other;
    TestForm byOther(&other);
    TestForm byNone;

    EXPECT_EQ(byConnection.OwnerForm(), &a);
    EXPECT_EQ(byMain.OwnerForm(), &b);
    EXPECT_EQ(byWindow.OwnerForm(), &a);
    EXPECT_EQ(byOther.OwnerForm(), nullptr);
    EXPECT_EQ(byNone.OwnerForm(), nullptr);
    EXPECT_EQ(byConnection.OwnerConnection(), &a);
}

TEST_F(FormTest, QueriesFollowTheConnectionWindow)
{
    auto a = std::make_unique<FakeConnectionWindow>(QStringLiteral("hostA"), QStringLiteral("sales"),
                                                    QStringLiteral("alice"));
    FakeConnectionWindow b(QStringLiteral("hostB"), QStringLiteral("stock"), QStringLiteral("bob"));
    TestForm f(a.get());
    tv::db::Query *q = f.NewQuery();
    tv::db::DataSet *d = f.NewDataSet();
    EXPECT_EQ(q->GetConnection(), &a->dbsMain());
    EXPECT_EQ(d->GetConnection(), &a->dbsMain());

    // A query made while no connection window is known waits unbound.
    TestForm lone;
    EXPECT_EQ(lone.NewQuery()->GetConnection(), nullptr);

    f.SetOwnerForm(&b);
    EXPECT_EQ(q->GetConnection(), &b.dbsMain());
    EXPECT_EQ(d->GetConnection(), &b.dbsMain());
    f.SetOwnerForm(a.get());
    EXPECT_EQ(q->GetConnection(), &a->dbsMain());

    // The connection window goes: nothing points at its connection any more.
    a.reset();
    EXPECT_EQ(f.OwnerForm(), nullptr);
    EXPECT_EQ(q->GetConnection(), nullptr);
    EXPECT_EQ(d->GetConnection(), nullptr);
}

// --- activation ------------------------------------------------------------------

TEST_F(FormTest, ActivatingAWindowSelectsItsConnectionAndPressesItsButton)
{
    FakeConnectionWindow a(QStringLiteral("hostA"), QStringLiteral("sales"), QStringLiteral("alice"), 5432);
    FakeConnectionWindow b(QStringLiteral("hostB"), QStringLiteral("stock"), QStringLiteral("bob"), 5433);
    FakeConnectionWindow unlisted(QStringLiteral("hostC"), QStringLiteral("x"), QStringLiteral("carol"));
    // Listed in other letter case: the match ignores it.
    main.AddConnection(QStringLiteral("ALICE @ SALES/HOSTA:5432"), &a);
    main.AddConnection(QStringLiteral("bob @ stock/hostB:5433"), &b);
    main.show();

    TestForm *fa = Shown(&a);
    fa->CreateTaskButton();
    TestForm *fb = Shown(&b);
    fb->CreateTaskButton();
    EXPECT_EQ(main.cmbDBName->currentIndex(), 1);
    EXPECT_TRUE(fb->TaskButton()->isChecked());

    main.mdiMain->setActiveSubWindow(fa->Frame());
    EXPECT_EQ(main.cmbDBName->currentIndex(), 0);
    EXPECT_TRUE(fa->TaskButton()->isChecked());
    EXPECT_FALSE(fb->TaskButton()->isChecked());

    TestForm *fc = Shown(&unlisted);
    EXPECT_EQ(main.cmbDBName->currentIndex(), -1);

    // A window without a connection window leaves the list alone.
    const int calls = main.selectCalls;
    TestForm *fn = Shown();
    main.mdiMain->setActiveSubWindow(fn->Frame());
    EXPECT_EQ(main.selectCalls, calls);
    (void)fc;
}

// --- messages ------------------------------------------------------------------

TEST_F(FormTest, WindowMessagesReachTheHooks)
{
    TestForm f;
    EXPECT_EQ(tv::ui::SendWindowMessage(&f, tv::ui::WM_RELOAD), 0);
    tv::ui::SendWindowMessage(&f, tv::ui::WM_DBCHANGE);
    tv::ui::SendWindowMessage(&f, tv::ui::WM_DBCHANGE);
    tv::ui::SendWindowMessage(&f, tv::ui::WM_CODEASSIST, 120, 48);
    EXPECT_EQ(f.reloads, 1);
    EXPECT_EQ(f.dbChanges, 2);
    EXPECT_EQ(f.assist, QPoint(120, 48));
}

TEST_F(FormTest, ScriptInstancesStayHidden)
{
    TestForm f;
    f.SourceMode = smText;
    f.ShowForm();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.Frame(), nullptr);
    EXPECT_TRUE(main.mdiMain->subWindowList().isEmpty());
}

} // namespace
