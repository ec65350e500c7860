// Keyboard macros: recording keys typed into one SQL editor (shortcut keys
// and input-method text included) and replaying them into another.
#include "editor/EditorStrings.h"
#include "editor/tvMacroList.h"
#include "editor/tvMemo.h"
#include "platform/ui/ShortCut.h"

#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// The key presses a widget receives.
struct KeySpy : QObject {
    struct Key {
        int key;
        Qt::KeyboardModifiers mods;
        QString text;
    };
    std::vector<Key> keys;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::KeyPress) {
            auto *k = static_cast<QKeyEvent *>(e);
            keys.push_back({k->key(), k->modifiers(), k->text()});
        }
        return false;
    }
};

struct MacroFixture : ::testing::Test {
    MacroFixture()
    {
        TEditor::SetDefaultCaretBlink(false);
        auto *layout = new QVBoxLayout(&window);
        first = new TtvMemo(&window);
        second = new TtvMemo(&window);
        layout->addWidget(first);
        layout->addWidget(second);
        first->SetMacroList(&list);
        second->SetMacroList(&list);
        action = new QAction(&window);
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
        action->setShortcutContext(Qt::WindowShortcut);
        window.addAction(action);
        QObject::connect(action, &QAction::triggered, [this] { ++triggered; });
        window.resize(500, 400);
        window.show();
        QApplication::setActiveWindow(&window);
        first->setFocus();
        QApplication::processEvents();
    }
    // Records keys typed into the first memo.
    void Record(const std::function<void()> &typing)
    {
        first->setFocus();
        QApplication::processEvents();
        first->BeginRec();
        typing();
        first->EndRec();
    }

    TtvMacroList list;
    QWidget window;
    TtvMemo *first;
    TtvMemo *second;
    QAction *action;
    int triggered = 0;
};

} // namespace

TEST_F(MacroFixture, RecordedKeysReplayWithTheirShiftState)
{
    Record([&] {
        // as a keyboard delivers them: Shift+b types "B"
        QTest::keyClick(first, 'a');
        QTest::keyClick(first, 'B', Qt::ShiftModifier);
        QTest::keyClick(first, 'c');
    });
    EXPECT_EQ(list.Status(), msWaiting);
    ASSERT_EQ(list.Count(), 3); // once each, Shift alone not at all
    EXPECT_FALSE(list.Items(0).Shift);
    EXPECT_TRUE(list.Items(1).Shift);
    EXPECT_EQ(list.Items(1).Key, int(Qt::Key_B));
    EXPECT_EQ(list.Items(1).Text, QStringLiteral("B"));
    EXPECT_FALSE(list.Items(2).Shift);

    KeySpy spy;
    second->installEventFilter(&spy);
    second->setFocus();
    second->Execute();
    EXPECT_EQ(list.Status(), msWaiting);
    ASSERT_EQ(spy.keys.size(), 3u);
    EXPECT_EQ(spy.keys[0].mods, Qt::NoModifier);
    EXPECT_EQ(spy.keys[1].mods, Qt::ShiftModifier);
    EXPECT_EQ(spy.keys[1].text, QStringLiteral("B"));
    EXPECT_EQ(spy.keys[2].mods, Qt::NoModifier);
    EXPECT_EQ(second->Lines()->Text(), QStringLiteral("aBc"));
    // the user's real key state is untouched
    EXPECT_FALSE(QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
    EXPECT_FALSE(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier));
    // and the macro stays for another replay
    second->Execute();
    EXPECT_EQ(second->Lines()->Text(), QStringLiteral("aBcaBc"));
}

TEST_F(MacroFixture, ShortcutKeysAreRecordedAndReplayedThroughTheHook)
{
    Record([&] {
        QTest::keyClick(first, Qt::Key_X);
        QTest::keyClick(first, Qt::Key_K, Qt::ControlModifier);
        QTest::keyClick(first, Qt::Key_Y);
    });
    if (triggered != 1)
        GTEST_SKIP() << "the platform delivered no shortcut to the action";
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(1).Key, int(Qt::Key_K));
    EXPECT_TRUE(list.Items(1).Ctrl);

    std::vector<int> asked;
    list.OnShortCut = [&](int sc) {
        asked.push_back(sc);
        if (sc != tv::ui::ShortCut('K', tv::ui::scCtrl))
            return false;
        action->trigger();
        return true;
    };
    KeySpy spy;
    second->installEventFilter(&spy);
    second->Execute();
    EXPECT_EQ(triggered, 2);
    ASSERT_EQ(spy.keys.size(), 2u); // x and y reach the memo, Ctrl+K does not
    EXPECT_EQ(spy.keys[0].key, int(Qt::Key_X));
    EXPECT_EQ(spy.keys[1].key, int(Qt::Key_Y));
    EXPECT_NE(std::find(asked.begin(), asked.end(), tv::ui::ShortCut('K', tv::ui::scCtrl)), asked.end());
}

TEST_F(MacroFixture, InputMethodTextIsRecordedOnce)
{
    Record([&] {
        QInputMethodEvent pre(QStringLiteral("てーぶる"), {});
        QApplication::sendEvent(first, &pre);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("テーブル"));
        QApplication::sendEvent(first, &commit);
    });
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).Msg, kmImeChar);
    EXPECT_EQ(list.Items(0).Text, QStringLiteral("テーブル"));
    second->Execute();
    EXPECT_EQ(second->Lines()->Text(), QStringLiteral("テーブル"));
}

TEST_F(MacroFixture, StateChanges)
{
    TtvMemo alone;
    alone.BeginRec(); // no macro list: nothing
    EXPECT_EQ(alone.MacroList(), nullptr);

    EXPECT_EQ(list.Status(), msNone);
    second->Execute(); // nothing recorded: nothing happens
    EXPECT_EQ(list.Status(), msNone);

    // an empty recording waits and replays nothing
    Record([] {});
    EXPECT_EQ(list.Status(), msWaiting);
    EXPECT_EQ(list.Count(), 0);
    second->Execute();
    EXPECT_EQ(list.Status(), msWaiting);
    EXPECT_EQ(second->Lines()->Text(), QString());

    // cancelling a recording forgets it
    first->BeginRec();
    QTest::keyClick(first, Qt::Key_Q);
    EXPECT_EQ(list.Count(), 1);
    first->CancelRec();
    EXPECT_EQ(list.Status(), msNone);
    EXPECT_EQ(list.Count(), 0);
    // keys typed after recording are not recorded
    QTest::keyClick(first, Qt::Key_Q);
    EXPECT_EQ(list.Count(), 0);

    // recording is shared: ended in another memo, replayed in a third
    first->BeginRec();
    EXPECT_EQ(second->MacroList()->Status(), msRecording);
    QTest::keyClick(first, Qt::Key_Z);
    second->EndRec();
    EXPECT_EQ(list.Status(), msWaiting);
    EXPECT_EQ(list.Count(), 1);
    // a new recording replaces the old macro
    Record([&] { QTest::keyClick(first, Qt::Key_W); });
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).Key, int(Qt::Key_W));
}

TEST_F(MacroFixture, DestroyingTheMemoEndsRecordingAndReplay)
{
    first->BeginRec();
    QTest::keyClick(first, Qt::Key_A);
    delete first;
    first = nullptr;
    EXPECT_EQ(list.Status(), msWaiting);
    EXPECT_EQ(list.Count(), 1);

    // a replayed shortcut that cancels the replay: the rest is not sent, and
    // recording cannot start while it runs
    second->setFocus();
    second->BeginRec();
    QTest::keyClick(second, Qt::Key_A);
    QTest::keyClick(second, Qt::Key_F2);
    QTest::keyClick(second, Qt::Key_B);
    second->EndRec();
    ASSERT_EQ(list.Count(), 3);
    auto *third = new TtvMemo(&window);
    third->SetMacroList(&list);
    KeySpy spy;
    third->installEventFilter(&spy);
    list.OnShortCut = [&](int sc) {
        if (sc != tv::ui::VK_F1 + 1)
            return false;
        third->BeginRec();
        EXPECT_EQ(list.Status(), msRunning);
        third->CancelExec();
        return true;
    };
    third->Execute();
    EXPECT_EQ(list.Status(), msWaiting);
    EXPECT_EQ(spy.keys.size(), 1u);

    // the memo destroyed by its own replay: the replay stops safely
    list.OnShortCut = [&](int sc) {
        if (sc != tv::ui::VK_F1 + 1)
            return false;
        delete third;
        third = nullptr;
        return true;
    };
    third->Execute();
    EXPECT_EQ(third, nullptr);
    EXPECT_EQ(list.Status(), msWaiting);
}
