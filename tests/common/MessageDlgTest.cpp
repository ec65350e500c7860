#include "common/MessageDlg.h"

#include "platform/ui/ScriptedDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace tv::ui;

namespace {

const QString kPrefix = QStringLiteral("[FireDAC][Phys][PG][libpq] ");

// Runs `act` on the modal dialog once it is shown.
void OnModal(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

class MessageDlgTest : public ::testing::Test {
protected:
    void SetUp() override { QApplication::setApplicationDisplayName(QStringLiteral("Talvex")); }
    ScriptedDialogs dialogs;
    ScopedDialogs use{&dialogs};
};

} // namespace

TEST(MessageText, DriverPrefixIsRemovedAnywhereAndABareColonBecomesTheSyntaxError)
{
    struct Case {
        QString in;
        QString out;
    };
    const Case cases[] = {
        {kPrefix + QStringLiteral(": "), QStringLiteral("ERROR: SQL構文エラー")},
        {QStringLiteral(": "), QStringLiteral("ERROR: SQL構文エラー")},
        {kPrefix + QStringLiteral("ERROR: relation \"t\" does not exist"),
         QStringLiteral("ERROR: relation \"t\" does not exist")},
        {QStringLiteral("実行エラー ") + kPrefix + QStringLiteral("ERROR: x") + kPrefix,
         QStringLiteral("実行エラー ERROR: x")},
        {kPrefix + kPrefix + QStringLiteral(": "), QStringLiteral("ERROR: SQL構文エラー")},
        {kPrefix + QStringLiteral(": x"), QStringLiteral(": x")},          // more than ": " stays
        {QStringLiteral(":  "), QStringLiteral(":  ")},
        {QStringLiteral("[firedac][phys][pg][libpq] x"), QStringLiteral("[firedac][phys][pg][libpq] x")}, // exact case only
        {QStringLiteral("[FireDAC][Phys][PG][libpq]x"), QStringLiteral("[FireDAC][Phys][PG][libpq]x")},   // needs the blank
        {QString(), QString()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.in.toStdString());
        EXPECT_EQ(CleanMessageText(c.in), c.out);
    }
}

TEST_F(MessageDlgTest, ShowMessageBoxPassesCleanTextTitleAndFlagsAndReturnsTheButton)
{
    struct Case {
        unsigned flags;
        int answer;  // 0: the default button
        int result;
    };
    const Case cases[] = {
        {16, 0, IDOK},            // stop, OK
        {48, 0, IDOK},            // exclamation, OK
        {64, 0, IDOK},            // information, OK
        {36, 0, IDYES},           // Yes/No, question, Yes default
        {36, IDNO, IDNO},
        {35, 0, IDYES},           // Yes/No/Cancel, question
        {35, IDCANCEL, IDCANCEL},
        {292, 0, IDNO},           // Yes/No, question, No default
        {292, IDYES, IDYES},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.flags);
        dialogs.clear();
        if (c.answer)
            dialogs.queueButton(c.answer);
        EXPECT_EQ(ShowMessageBox(kPrefix + QStringLiteral(": "), c.flags), c.result);
        ASSERT_EQ(dialogs.calls().size(), 1);
        const ScriptedDialogs::Call &call = dialogs.calls().first();
        EXPECT_EQ(call.kind, ScriptedDialogs::Kind::Message);
        EXPECT_EQ(call.text, QStringLiteral("ERROR: SQL構文エラー"));
        EXPECT_EQ(call.caption, QStringLiteral("Talvex"));
        EXPECT_EQ(call.flags, c.flags);
    }
}

TEST_F(MessageDlgTest, FormattedMessagesFillTheirPlaceholders)
{
    EXPECT_EQ(ShowMessageBoxFmt(QStringLiteral("同じ%sが既に存在しています。"), {QStringLiteral("ショートカット")},
                                MB_ICONEXCLAMATION),
              IDOK);
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("同じショートカットが既に存在しています。"));
    EXPECT_EQ(dialogs.calls()[0].flags, MB_ICONEXCLAMATION);

    struct Case {
        QString format;
        QVariantList args;
        QString out;
    };
    const Case cases[] = {
        {QStringLiteral("%s行目 %d件"), {QStringLiteral("3"), 42}, QStringLiteral("3行目 42件")},
        {QStringLiteral("SQLLOG%.2d.SQL"), {7}, QStringLiteral("SQLLOG07.SQL")},
        {QStringLiteral("%.3d"), {-5}, QStringLiteral("-005")},
        {QStringLiteral("[%5s|%-4d]"), {QStringLiteral("ab"), 1}, QStringLiteral("[   ab|1   ]")},
        {QStringLiteral("%x %u %%"), {255, 9}, QStringLiteral("FF 9 %")},
        {QStringLiteral("%s と %s"), {QStringLiteral("一")}, QStringLiteral("一 と %s")}, // missing argument stays
        {QStringLiteral("100%"), {}, QStringLiteral("100%")},
        {QStringLiteral("%q"), {1}, QStringLiteral("%q")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        EXPECT_EQ(FormatMessageText(c.format, c.args), c.out);
    }
}

TEST_F(MessageDlgTest, CheckDialogWritesEveryBoxBackWhateverEndsIt)
{
    bool stopOnError = true;
    bool writeLog = false;
    const TCheckList checks{{QStringLiteral("エラーで停止する"), &stopOnError}, {QStringLiteral("ログを出力する"), &writeLog}};

    dialogs.queueButton(IDCANCEL, {false, true});
    EXPECT_EQ(ShowCheckMessageDialog(kPrefix + QStringLiteral("実行しますか？"), MB_YESNOCANCEL | MB_ICONQUESTION, checks),
              IDCANCEL);
    EXPECT_FALSE(stopOnError);
    EXPECT_TRUE(writeLog);

    dialogs.queueButton(IDCLOSED, {true});
    EXPECT_EQ(ShowCheckMessageDialog(QStringLiteral(": "), MB_ICONWARNING, checks), IDCLOSED);
    EXPECT_TRUE(stopOnError);
    EXPECT_TRUE(writeLog); // untouched box keeps the state it showed

    ASSERT_EQ(dialogs.calls().size(), 2);
    const ScriptedDialogs::Call &first = dialogs.calls()[0];
    EXPECT_EQ(first.kind, ScriptedDialogs::Kind::CheckMessage);
    EXPECT_EQ(first.text, QStringLiteral("実行しますか？"));
    EXPECT_EQ(first.caption, QStringLiteral("Talvex"));
    EXPECT_EQ(first.flags, MB_YESNOCANCEL | MB_ICONQUESTION);
    ASSERT_EQ(first.checks.size(), 2);
    EXPECT_EQ(first.checks[0].caption, QStringLiteral("エラーで停止する"));
    EXPECT_TRUE(first.checks[0].checked); // offered with the caller's states
    EXPECT_FALSE(first.checks[1].checked);
    EXPECT_EQ(dialogs.calls()[1].text, QStringLiteral("ERROR: SQL構文エラー"));
}

TEST_F(MessageDlgTest, InputQueryWritesBackOnOkOnlyAndPassesTheNumericMode)
{
    QString value = QStringLiteral("100");
    bool makeDefault = false;
    const TCheckList checks{{QStringLiteral("既定値にする"), &makeDefault}};

    dialogs.queueInputCancel();
    EXPECT_FALSE(InputQueryWithChecks(QStringLiteral("Talvex"), QStringLiteral("レコード件数"), value, true, checks));
    EXPECT_EQ(value, QStringLiteral("100"));
    EXPECT_FALSE(makeDefault);

    // Cancel after the user changed things in a seam that writes back anyway.
    ScriptedDialogs::Answer cancelled;
    cancelled.ok = false;
    cancelled.keepValue = false;
    cancelled.value = QStringLiteral("7");
    cancelled.checks = {true};
    dialogs.queue(cancelled);
    EXPECT_FALSE(InputQueryWithChecks(QStringLiteral("Talvex"), QStringLiteral("レコード件数"), value, true, checks));
    EXPECT_EQ(value, QStringLiteral("100"));
    EXPECT_FALSE(makeDefault);

    dialogs.queueInput(QStringLiteral("500"), {true});
    EXPECT_TRUE(InputQueryWithChecks(QStringLiteral("Talvex"), QStringLiteral("レコード件数"), value, true, checks));
    EXPECT_EQ(value, QStringLiteral("500"));
    EXPECT_TRUE(makeDefault);

    dialogs.queueInput(QStringLiteral("t2"));
    EXPECT_TRUE(InputQueryWithChecks(QStringLiteral("新規"), QStringLiteral("新規オブジェクト名"), value, false));

    ASSERT_EQ(dialogs.calls().size(), 4);
    EXPECT_EQ(dialogs.calls()[0].kind, ScriptedDialogs::Kind::Input);
    EXPECT_EQ(dialogs.calls()[0].caption, QStringLiteral("Talvex"));
    EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("レコード件数"));
    EXPECT_TRUE(dialogs.calls()[0].numeric);
    EXPECT_EQ(dialogs.calls()[0].value, QStringLiteral("100"));
    ASSERT_EQ(dialogs.calls()[0].checks.size(), 1);
    EXPECT_FALSE(dialogs.calls()[3].numeric);
    EXPECT_TRUE(dialogs.calls()[3].checks.isEmpty());
    EXPECT_EQ(value, QStringLiteral("t2"));
}

TEST_F(MessageDlgTest, AWorkerThreadGetsItsAnswerFromTheUserInterfaceThread)
{
    dialogs.queueButton(IDNO);
    std::atomic<int> result{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = ShowMessageBox(QStringLiteral("続行しますか？"), MB_YESNO | MB_ICONQUESTION);
        done = true;
    });
    for (int i = 0; i < 500 && !done; ++i)
        QTest::qWait(10);
    worker.join();
    EXPECT_EQ(result.load(), IDNO);
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("続行しますか？"));
}

// The look: the seam's Qt message box with the application title, the icon,
// the buttons and the default button the flags ask for.
TEST(MessageDlgLook, QtMessageBoxFollowsTheFlags)
{
    QApplication::setApplicationDisplayName(QStringLiteral("Talvex"));
    struct Case {
        unsigned flags;
        QMessageBox::Icon icon;
        QList<QMessageBox::StandardButton> buttons;
        QMessageBox::StandardButton def;
        int result; // Return presses the default button
    };
    const Case cases[] = {
        {16, QMessageBox::Critical, {QMessageBox::Ok}, QMessageBox::Ok, IDOK},
        {48, QMessageBox::Warning, {QMessageBox::Ok}, QMessageBox::Ok, IDOK},
        {64, QMessageBox::Information, {QMessageBox::Ok}, QMessageBox::Ok, IDOK},
        {36, QMessageBox::Question, {QMessageBox::Yes, QMessageBox::No}, QMessageBox::Yes, IDYES},
        {35, QMessageBox::Question, {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}, QMessageBox::Yes, IDYES},
        {292, QMessageBox::Question, {QMessageBox::Yes, QMessageBox::No}, QMessageBox::No, IDNO},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.flags);
        bool seen = false;
        OnModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Talvex"));
            EXPECT_EQ(box->text(), QStringLiteral("ERROR: SQL構文エラー"));
            EXPECT_EQ(box->icon(), c.icon);
            QList<QMessageBox::StandardButton> shown;
            for (QAbstractButton *b : box->buttons())
                shown << box->standardButton(b);
            for (QMessageBox::StandardButton b : c.buttons)
                EXPECT_TRUE(shown.contains(b)) << b;
            EXPECT_EQ(shown.size(), c.buttons.size());
            ASSERT_NE(box->defaultButton(), nullptr);
            EXPECT_EQ(box->standardButton(box->defaultButton()), c.def);
            QTest::keyClick(box, Qt::Key_Return);
        });
        EXPECT_EQ(ShowMessageBox(kPrefix + QStringLiteral(": "), c.flags), c.result);
        EXPECT_TRUE(seen);
    }

    // Escape on Yes/No/Cancel is Cancel.
    OnModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(ShowMessageBox(QStringLiteral("保存しますか？"), 35), IDCANCEL);
}

TEST(MessageDlgLook, QtInputDialogTakesNineDigitsAtMostAndCancelWritesNothing)
{
    QString value = QStringLiteral("10");
    bool makeDefault = false;
    const TCheckList checks{{QStringLiteral("既定値にする"), &makeDefault}};

    OnModal([](QWidget *w) {
        auto *edit = w->findChild<QLineEdit *>(QStringLiteral("Edit"));
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, QStringLiteral("1234567890"));
        EXPECT_EQ(edit->text(), QStringLiteral("123456789"));
        w->findChild<QCheckBox *>(QStringLiteral("Check0"))->setChecked(true);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_FALSE(InputQueryWithChecks(QStringLiteral("行ジャンプ"), QStringLiteral("指定行"), value, true, checks));
    EXPECT_EQ(value, QStringLiteral("10"));
    EXPECT_FALSE(makeDefault);

    OnModal([](QWidget *w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("行ジャンプ"));
        auto *edit = w->findChild<QLineEdit *>(QStringLiteral("Edit"));
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, QStringLiteral("42"));
        w->findChild<QCheckBox *>(QStringLiteral("Check0"))->setChecked(true);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_TRUE(InputQueryWithChecks(QStringLiteral("行ジャンプ"), QStringLiteral("指定行"), value, true, checks));
    EXPECT_EQ(value, QStringLiteral("42")); // the offered text was selected, so typing replaced it
    EXPECT_TRUE(makeDefault);
}

TEST(MessageDlgLook, AverageCharSizeGrowsWithTheFont)
{
    QFont small = QApplication::font();
    small.setPixelSize(10);
    QFont large = small;
    large.setPixelSize(30);
    const QSize s = GetAverageCharSize(small);
    const QSize l = GetAverageCharSize(large);
    EXPECT_GT(s.width(), 0);
    EXPECT_GT(s.height(), 0);
    EXPECT_GT(l.width(), s.width());
    EXPECT_GT(l.height(), s.height());
}
