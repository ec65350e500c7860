// Alt+letter presses the control of the focused window whose caption marks
// the letter: tool-bar actions, buttons, labels with a buddy; the window's
// own control before the main menu, the active MDI child before the others,
// and the focused text box never types the letter.
#include "platform/ui/Mnemonic.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A main window with the menu "管理(&A)" and two MDI children, each with a
// tool bar, a text box, a check box and a labelled box.
struct Child {
    QWidget *form = nullptr;
    QToolBar *bar = nullptr;
    QLineEdit *edit = nullptr;
    QCheckBox *check = nullptr;
    QLineEdit *buddy = nullptr;
    QPushButton *push = nullptr;
    QMdiSubWindow *frame = nullptr;
    QList<QAction *> actions;
    QStringList fired;
};

class MnemonicKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        tv::ui::InstallMnemonicKeys();
        main = std::make_unique<QMainWindow>();
        admin = main->menuBar()->addMenu(QStringLiteral("管理(&A)"));
        admin->addAction(QStringLiteral("項目(&I)"));
        area = new QMdiArea;
        main->setCentralWidget(area);
        main->resize(900, 700);
        for (Child &c : children) {
            c.form = new QWidget;
            auto *l = new QVBoxLayout(c.form);
            c.bar = new QToolBar;
            for (const char *caption : {"作成(&C)", "戻す(&R)", "最新(&A)", "終了(&X)"}) {
                QAction *a = c.bar->addAction(QString::fromUtf8(caption));
                QObject::connect(a, &QAction::triggered, [&c, a] { c.fired << a->text(); });
                c.actions << a;
            }
            l->addWidget(c.bar);
            c.edit = new QLineEdit;
            l->addWidget(c.edit);
            c.check = new QCheckBox(QStringLiteral("既定値(&E)"));
            l->addWidget(c.check);
            auto *label = new QLabel(QStringLiteral("名前(&N)"));
            c.buddy = new QLineEdit;
            label->setBuddy(c.buddy);
            l->addWidget(label);
            l->addWidget(c.buddy);
            c.push = new QPushButton(QStringLiteral("実行(&G)"));
            QObject::connect(c.push, &QPushButton::clicked, [&c] { c.fired << QStringLiteral("実行(&G)"); });
            l->addWidget(c.push);
            c.frame = area->addSubWindow(c.form);
            c.frame->show();
        }
        main->show();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get(), 60000));
    }
    void TearDown() override
    {
        if (QWidget *p = QApplication::activePopupWidget())
            p->close();
        main.reset();
    }
    // Makes `c` the active child with the focus in `w`.
    void FocusIn(Child &c, QWidget *w)
    {
        area->setActiveSubWindow(c.frame);
        w->setFocus();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), w);
    }

    std::unique_ptr<QMainWindow> main;
    QMenu *admin = nullptr;
    QMdiArea *area = nullptr;
    Child children[2];
};

TEST_F(MnemonicKeys, ToolBarCaptionsPressTheirActionsInTheActiveChildOnly)
{
    struct Case {
        Qt::Key key;
        const char *fired;
    } cases[] = {
        {Qt::Key_C, "作成(&C)"},
        {Qt::Key_R, "戻す(&R)"},
        {Qt::Key_A, "最新(&A)"}, // the main menu's 管理(&A) comes second
        {Qt::Key_X, "終了(&X)"},
        {Qt::Key_G, "実行(&G)"},
    };
    for (int active = 0; active < 2; ++active) {
        for (const Case &k : cases) {
            SCOPED_TRACE(std::string(k.fired) + " in child " + std::to_string(active));
            for (Child &c : children) {
                c.fired.clear();
                c.edit->clear();
            }
            Child &c = children[active];
            FocusIn(c, c.edit);
            QTest::keyClick(c.edit, k.key, Qt::AltModifier);
            EXPECT_EQ(c.fired, QStringList{QString::fromUtf8(k.fired)});
            EXPECT_TRUE(children[1 - active].fired.isEmpty());
            EXPECT_EQ(c.edit->text(), QString()); // nothing typed
            EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
            EXPECT_EQ(main->menuBar()->activeAction(), nullptr);
        }
    }
}

TEST_F(MnemonicKeys, CheckBoxesLabelsAndActionsOutOfSight)
{
    Child &c = children[0];
    FocusIn(c, c.edit);
    // A check box takes the focus and toggles.
    QTest::keyClick(c.edit, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(c.check->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), c.check);
    // A label gives the focus to its buddy.
    QTest::keyClick(c.check, Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), c.buddy);
    EXPECT_EQ(c.buddy->text(), QString());
    // An action whose button a narrow bar hides still answers.
    c.fired.clear();
    c.bar->widgetForAction(c.actions[1])->hide();
    QTest::keyClick(c.buddy, Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(c.fired, QStringList{QStringLiteral("戻す(&R)")});
}

TEST_F(MnemonicKeys, DisabledOwnControlKeepsTheKeyAndOtherLettersReachTheMenu)
{
    Child &c = children[0];
    // A disabled action: nothing fires, nothing is typed, no menu opens.
    c.actions[2]->setEnabled(false);
    FocusIn(c, c.edit);
    QTest::keyClick(c.edit, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(c.fired.isEmpty());
    EXPECT_EQ(c.edit->text(), QString());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    // A window without the letter passes it on to the main menu.
    c.actions[2]->setVisible(false);
    QTest::keyClick(c.edit, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(c.fired.isEmpty());
    EXPECT_EQ(main->menuBar()->activeAction(), admin->menuAction());
}

// In the main window's own controls (a box of its tool bar) a letter of its
// menu bar opens that menu, although a tool-bar action of the main window
// marks the same letter; a letter only the tool bar marks presses it.
TEST_F(MnemonicKeys, MenuBarFirstInTheMainWindowsOwnControls)
{
    auto *bar = main->addToolBar(QStringLiteral("標準"));
    QStringList fired;
    for (const char *caption : {"切り取り(&A)", "保存(&Z)"}) {
        QAction *a = bar->addAction(QString::fromUtf8(caption));
        QObject::connect(a, &QAction::triggered, [&fired, a] { fired << a->text(); });
    }
    auto *box = new QLineEdit;
    bar->addWidget(box);
    box->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), box);

    QTest::keyClick(box, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(fired.isEmpty());
    EXPECT_EQ(box->text(), QString());
    EXPECT_EQ(main->menuBar()->activeAction(), admin->menuAction());
    if (QWidget *p = QApplication::activePopupWidget())
        p->close();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get(), 60000));
    box->setFocus();

    QTest::keyClick(box, Qt::Key_Z, Qt::AltModifier);
    EXPECT_EQ(fired, QStringList{QStringLiteral("保存(&Z)")});
    EXPECT_EQ(box->text(), QString());

    // The same letter in an MDI child is still the child's own.
    Child &c = children[0];
    FocusIn(c, c.edit);
    QTest::keyClick(c.edit, Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(c.fired, QStringList{QStringLiteral("最新(&A)")});
}

TEST(MnemonicScope, TheFocusedChildOrTheTopLevelWindow)
{
    QMainWindow main;
    auto *area = new QMdiArea;
    main.setCentralWidget(area);
    auto *form = new QWidget;
    auto *l = new QVBoxLayout(form);
    auto *edit = new QLineEdit;
    l->addWidget(edit);
    QMdiSubWindow *frame = area->addSubWindow(form);
    auto *side = new QLineEdit;
    main.setMenuWidget(side);
    EXPECT_EQ(tv::ui::MnemonicScope(edit), frame);
    EXPECT_EQ(tv::ui::MnemonicScope(side), &main);
    EXPECT_EQ(tv::ui::MnemonicScope(nullptr), nullptr);
    // A control of the main window does not reach into the MDI children.
    auto *own = new QToolBar;
    own->addAction(QStringLiteral("作成(&C)"));
    l->addWidget(own);
    main.show();
    EXPECT_TRUE(tv::ui::HasMnemonic(frame, QKeySequence(Qt::ALT | Qt::Key_C)));
    EXPECT_FALSE(tv::ui::HasMnemonic(&main, QKeySequence(Qt::ALT | Qt::Key_C)));
}

} // namespace
