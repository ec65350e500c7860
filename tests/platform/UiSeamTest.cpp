#include "platform/Errors.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "platform/ui/QtDialogs.h"
#include "platform/ui/ScriptedDialogs.h"
#include "platform/ui/WindowMessage.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QDeadlineTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace tv::ui;

namespace {

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

QPushButton *ButtonWithText(QWidget *dialog, const QString &text)
{
    for (QPushButton *b : dialog->findChildren<QPushButton *>())
        if (b->text().remove(QLatin1Char('&')) == text)
            return b;
    return nullptr;
}

} // namespace

TEST(UiDialogs, ButtonsAndDefaultsFollowTheWindowsFlags)
{
    struct Case {
        unsigned flags;
        QList<int> buttons;
        int def;
    };
    const Case cases[] = {
        {MB_OK, {IDOK}, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE},
        {MB_YESNOCANCEL | MB_ICONQUESTION, {IDYES, IDNO, IDCANCEL}, IDYES},
        {0x124, {IDYES, IDNO}, IDNO},
        {MB_RETRYCANCEL | MB_DEFBUTTON4, {IDRETRY, IDCANCEL}, IDRETRY},
        {MB_YESNO | MB_DEFBUTTON3, {IDYES, IDNO}, IDYES},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(MessageButtons(c.flags), c.buttons);
        EXPECT_EQ(DefaultMessageButton(c.flags), c.def);
    }
}

TEST(UiDialogs, ScriptedDialogsAnswerFromTheQueueAndRecordEveryCall)
{
    QApplication::setApplicationDisplayName(QStringLiteral("Talvex"));
    ScriptedDialogs dialogs;
    {
        ScopedDialogs use(&dialogs);
        EXPECT_EQ(&CurrentDialogs(), &dialogs);
        dialogs.queueButton(IDNO);
        dialogs.queueButton(IDCANCEL, {false, true});
        dialogs.queueInput(QStringLiteral("500"), {true});
        dialogs.queueInputCancel();
        dialogs.queuePath(QStringLiteral("/tmp/a.sql"));
        dialogs.queuePath(QString());
        dialogs.queuePath(QStringLiteral("/tmp"));

        EXPECT_EQ(CurrentDialogs().messageBox(QStringLiteral("削除しますか？"), QString(), 0x124), IDNO);
        CheckList checks{{QStringLiteral("エラーで停止"), true}, {QStringLiteral("ログ"), false}};
        EXPECT_EQ(CurrentDialogs().checkMessageBox(QStringLiteral("実行しますか？"), QStringLiteral("X"), 0x21, checks),
                  IDCANCEL);
        EXPECT_FALSE(checks[0].checked); // written back also on Cancel
        EXPECT_TRUE(checks[1].checked);
        QString value = QStringLiteral("100");
        CheckList def{{QStringLiteral("既定値にする"), false}};
        EXPECT_TRUE(CurrentDialogs().inputQuery(QStringLiteral("件数"), QStringLiteral("件数:"), value, true, &def));
        EXPECT_EQ(value, QStringLiteral("500"));
        EXPECT_TRUE(def[0].checked);
        EXPECT_FALSE(CurrentDialogs().inputQuery(QStringLiteral("件数"), QStringLiteral("件数:"), value, true, &def));
        EXPECT_EQ(value, QStringLiteral("500"));
        FileDialogRequest req;
        req.filter = QStringLiteral("SQLファイル(*.sql)|*.sql");
        req.defaultExt = QStringLiteral("sql");
        EXPECT_EQ(CurrentDialogs().saveFile(req), QStringLiteral("/tmp/a.sql"));
        EXPECT_EQ(CurrentDialogs().openFile(req), QString());
        EXPECT_EQ(CurrentDialogs().selectFolder(QStringLiteral("フォルダ"), QStringLiteral("/")), QStringLiteral("/tmp"));
        // Nothing queued: the default button, OK with the value kept, Cancel.
        EXPECT_EQ(CurrentDialogs().messageBox(QStringLiteral("?"), QString(), MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
        EXPECT_TRUE(CurrentDialogs().inputQuery(QString(), QString(), value));
        EXPECT_EQ(value, QStringLiteral("500"));
        EXPECT_EQ(CurrentDialogs().openFile(req), QString());
    }
    EXPECT_NE(&CurrentDialogs(), &dialogs); // restored on scope exit

    const auto &calls = dialogs.calls();
    ASSERT_EQ(calls.size(), 10);
    EXPECT_EQ(calls[0].kind, ScriptedDialogs::Kind::Message);
    EXPECT_EQ(calls[0].text, QStringLiteral("削除しますか？"));
    EXPECT_EQ(calls[0].caption, QStringLiteral("Talvex"));
    EXPECT_EQ(calls[0].flags, 0x124u);
    EXPECT_EQ(calls[1].kind, ScriptedDialogs::Kind::CheckMessage);
    EXPECT_EQ(calls[1].caption, QStringLiteral("X"));
    ASSERT_EQ(calls[1].checks.size(), 2);
    EXPECT_TRUE(calls[1].checks[0].checked); // as offered
    EXPECT_EQ(calls[2].kind, ScriptedDialogs::Kind::Input);
    EXPECT_EQ(calls[2].value, QStringLiteral("100"));
    EXPECT_TRUE(calls[2].numeric);
    EXPECT_EQ(calls[4].kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(calls[4].file.defaultExt, QStringLiteral("sql"));
    EXPECT_EQ(calls[6].kind, ScriptedDialogs::Kind::Folder);
    EXPECT_EQ(calls[6].folder, QStringLiteral("/"));
    EXPECT_EQ(dialogs.texts().first(), QStringLiteral("削除しますか？"));
    EXPECT_EQ(dialogs.pendingAnswers(), 0);
}

TEST(UiDialogs, FiltersConvertToQtNotation)
{
    EXPECT_EQ(FilterToQt(QStringLiteral("SQLファイル(*.sql)|*.sql|すべてのファイル(*.*)|*.*")),
              QStringLiteral("SQLファイル(*.sql);;すべてのファイル(*.*)"));
    EXPECT_EQ(FilterToQt(QStringLiteral("Excel|*.xlsx;*.xls")), QStringLiteral("Excel (*.xlsx *.xls)"));
    EXPECT_EQ(FilterToQt(QStringLiteral("Book(*.xlsx;*.xls)|*.xlsx;*.xls")), QStringLiteral("Book(*.xlsx *.xls)"));
    EXPECT_EQ(FilterToQt(QStringLiteral("Text (*.txt)")), QStringLiteral("Text (*.txt)"));
    EXPECT_EQ(FilterToQt(QString()), QString());
}

TEST(UiDialogs, QtMessageBoxShowsTitleIconButtonsAndDefault)
{
    QApplication::setApplicationDisplayName(QStringLiteral("Talvex"));
    QtDialogs dialogs;
    bool seen = false;
    OnModal([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Talvex"));
        EXPECT_EQ(box->text(), QStringLiteral("保存しますか？"));
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->buttons().size(), 2);
        ASSERT_NE(box->defaultButton(), nullptr);
        EXPECT_EQ(box->standardButton(box->defaultButton()), QMessageBox::No);
        QTest::keyClick(box, Qt::Key_Return); // the default button
    });
    EXPECT_EQ(dialogs.messageBox(QStringLiteral("保存しますか？"), QString(), 0x124), IDNO);
    EXPECT_TRUE(seen);

    OnModal([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->buttons().size(), 3);
        box->button(QMessageBox::Retry)->click();
    });
    EXPECT_EQ(dialogs.messageBox(QStringLiteral("x"), QStringLiteral("c"), MB_ABORTRETRYIGNORE | MB_ICONWARNING), IDRETRY);

    OnModal([&](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.messageBox(QStringLiteral("x"), QString(), MB_YESNOCANCEL | MB_ICONSTOP), IDCANCEL);
}

// A one-line question is shown on one line, in the plain box and in the
// box with check boxes; a text with a line break keeps its two lines.
TEST(UiDialogs, QuestionBoxesShowEachLineOfTheirTextUnbroken)
{
    QtDialogs dialogs;
    const QString line = QStringLiteral("マテリアライズドビュー「集計結果の月別一覧」にREFRESHコマンドを送信しますか？");
    const struct {
        QString text;
        int lines;
    } cases[] = {{line, 1}, {line + QStringLiteral("\n") + line, 2}};
    for (const auto &c : cases) {
        auto check = [&](QWidget *w, const char *labelName) {
            QLabel *label = w->findChild<QLabel *>(QString::fromLatin1(labelName));
            ASSERT_NE(label, nullptr);
            const QFontMetrics fm(label->font());
            EXPECT_LT(label->height(), (c.lines + 1) * fm.lineSpacing())
                << label->width() << "x" << label->height() << " for " << c.lines << " line(s)";
            QTest::keyClick(w, Qt::Key_Escape);
        };
        OnModal([&](QWidget *w) { check(w, "qt_msgbox_label"); });
        dialogs.messageBox(c.text, QString(), MB_YESNO | MB_ICONQUESTION);
        CheckList checks{{QStringLiteral("WITH NO DATA オプション"), false}};
        OnModal([&](QWidget *w) { check(w, "Message"); });
        dialogs.checkMessageBox(c.text, QString(), MB_YESNO | MB_ICONQUESTION, checks);
    }
}

TEST(UiDialogs, QtCheckAndInputDialogsWriteBackAsTheyShould)
{
    QtDialogs dialogs;
    CheckList checks{{QStringLiteral("A"), true}, {QStringLiteral("B"), false}};
    OnModal([&](QWidget *w) {
        auto *b = w->findChild<QCheckBox *>(QStringLiteral("Check1"));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), QStringLiteral("B"));
        b->setChecked(true);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    EXPECT_EQ(dialogs.checkMessageBox(QStringLiteral("t"), QString(), MB_OKCANCEL | MB_ICONINFORMATION, checks), IDCANCEL);
    EXPECT_TRUE(checks[1].checked); // written back on Cancel too

    // Cancelled input leaves value and checks alone.
    QString value = QStringLiteral("10");
    OnModal([&](QWidget *w) {
        auto *edit = w->findChild<QLineEdit *>(QStringLiteral("Edit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(QStringLiteral("99"));
        w->findChild<QCheckBox *>(QStringLiteral("Check0"))->setChecked(false);
        ButtonWithText(w, QStringLiteral("キャンセル"))->click();
    });
    EXPECT_FALSE(dialogs.inputQuery(QStringLiteral("件数"), QStringLiteral("件数"), value, true, &checks));
    EXPECT_EQ(value, QStringLiteral("10"));
    EXPECT_TRUE(checks[0].checked);

    // A numeric edit takes nine digits at most; OK writes everything back.
    OnModal([&](QWidget *w) {
        auto *edit = w->findChild<QLineEdit *>(QStringLiteral("Edit"));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->selectedText(), QStringLiteral("10"));
        QTest::keyClicks(edit, QStringLiteral("12345678901x"));
        w->findChild<QCheckBox *>(QStringLiteral("Check0"))->setChecked(false);
        ButtonWithText(w, QStringLiteral("OK"))->click();
    });
    EXPECT_TRUE(dialogs.inputQuery(QStringLiteral("件数"), QStringLiteral("件数"), value, true, &checks));
    EXPECT_EQ(value, QStringLiteral("123456789"));
    EXPECT_FALSE(checks[0].checked);
}

TEST(UiGuard, SwallowsSilentAbortShowsErrorsAndTheLoopRunsOn)
{
    QApplication::setApplicationDisplayName(QStringLiteral("Talvex"));
    ScriptedDialogs dialogs;
    ScopedDialogs use(&dialogs);

    EXPECT_TRUE(Guard([] {}));
    EXPECT_FALSE(Guard([] { throw tv::SilentAbort{}; }));
    EXPECT_TRUE(dialogs.calls().isEmpty());

    EXPECT_FALSE(Guard([] { throw tv::Error(QStringLiteral("ERROR: relation \"x\" does not exist")); }));
    EXPECT_FALSE(Guard([] { throw std::runtime_error("disk full"); }));
    EXPECT_FALSE(Guard([] { throw 42; }));
    ASSERT_EQ(dialogs.calls().size(), 3);
    EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("ERROR: relation \"x\" does not exist"));
    EXPECT_EQ(dialogs.calls()[0].caption, QStringLiteral("Talvex"));
    EXPECT_EQ(dialogs.calls()[0].flags, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(dialogs.calls()[1].text, QStringLiteral("disk full"));
    EXPECT_FALSE(dialogs.calls()[2].text.isEmpty());

    // Through real signal delivery inside a running event loop.
    dialogs.clear();
    QPushButton button;
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, &button, Guarded([&](bool) {
                         ++clicks;
                         if (clicks == 1)
                             throw tv::Error(QStringLiteral("一回目"));
                         throw tv::SilentAbort{};
                     }));
    int pressed = 0;
    QObject::connect(&button, &QPushButton::pressed, &button, Guarded([&] { ++pressed; }));
    QObject::connect(&button, &QPushButton::clicked, &button, Guarded([&] { ++pressed; }));
    QEventLoop loop;
    QTimer::singleShot(0, &button, [&] {
        button.click();
        button.click();
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
    });
    loop.exec();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(pressed, 4);
    ASSERT_EQ(dialogs.calls().size(), 1);
    EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("一回目"));
}

TEST(UiEscapeWatch, SeesAnEscPressOnce)
{
    InstallEscapeWatch();
    QLineEdit edit;
    edit.show();
    ClearEscape();
    EXPECT_FALSE(EscapePressed());
    QTest::keyClick(&edit, Qt::Key_A);
    EXPECT_FALSE(EscapePressed());
    // Pressed outside any work, the key is the window's: it stops nothing
    // started later.
    QTest::keyClick(&edit, Qt::Key_Escape);
    const std::function<bool()> cancel = EscapeCancelCheck();
    EXPECT_FALSE(cancel());
    EXPECT_FALSE(EscapePressed());

    // Presses arriving while the work polls count as one.
    QCoreApplication::postEvent(&edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QCoreApplication::postEvent(&edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_TRUE(cancel());
    EXPECT_FALSE(cancel());
    EXPECT_FALSE(EscapePressed());
    // A press noted before a loop starts is forgotten by ClearEscape.
    EscapeWatch::instance().notePress();
    ClearEscape();
    EXPECT_FALSE(EscapePressed());
}

namespace {

class Receiver : public QObject {
public:
    QList<QList<qintptr>> got;

protected:
    bool event(QEvent *e) override
    {
        if (IsWindowMessage(e)) {
            auto *m = static_cast<WindowMessageEvent *>(e);
            got.append({m->message(), m->wParam(), m->lParam()});
            m->setResult(m->message() == WM_RELOAD ? 1 : 0);
            return true;
        }
        return QObject::event(e);
    }
};

} // namespace

TEST(UiWindowMessage, MessagesKeepTheirNumbersAndParameters)
{
    EXPECT_EQ(WM_DBCHANGE, 0x8001);
    EXPECT_EQ(WM_RELOAD, 0x8002);
    EXPECT_EQ(WM_CODEASSIST, 0x8003);
    EXPECT_EQ(static_cast<int>(WindowMessageType(WM_CODEASSIST)), 0x8003);
    // Registered: no one else gets these numbers.
    const int other = QEvent::registerEventType(WM_RELOAD);
    EXPECT_NE(other, WM_RELOAD);

    Receiver r;
    EXPECT_EQ(SendWindowMessage(&r, WM_RELOAD), 1);
    EXPECT_EQ(SendWindowMessage(&r, WM_CODEASSIST, 120, 48), 0);
    PostWindowMessage(&r, WM_DBCHANGE);
    EXPECT_EQ(r.got.size(), 2);
    QCoreApplication::sendPostedEvents(&r);
    ASSERT_EQ(r.got.size(), 3);
    EXPECT_EQ(r.got[0], (QList<qintptr>{WM_RELOAD, 0, 0}));
    EXPECT_EQ(r.got[1], (QList<qintptr>{WM_CODEASSIST, 120, 48}));
    EXPECT_EQ(r.got[2], (QList<qintptr>{WM_DBCHANGE, 0, 0}));
    EXPECT_EQ(SendWindowMessage(nullptr, WM_RELOAD), 0);
    QEvent plain(QEvent::User);
    EXPECT_FALSE(IsWindowMessage(&plain));
}

// Typing a folder of special files (/proc holds files whose reads block)
// into a save dialog's name box keeps the program answering: events go on
// being delivered while the dialog lists the folder.
TEST(UiDialogs, FileDialogStaysResponsiveOnSpecialFiles)
{
    QtDialogs dialogs;
    int ticks = 0;
    OnModal([&](QWidget *w) {
        auto *edit = w->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, QStringLiteral("/proc/"));
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start(10);
        QDeadlineTimer deadline(60000);
        while (ticks < 20 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QTest::keyClick(edit, Qt::Key_Return);
        if (auto *fd = qobject_cast<QFileDialog *>(w))
            fd->setViewMode(QFileDialog::Detail);
        QTest::keyClicks(edit, QStringLiteral("km"));
        while (ticks < 40 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    FileDialogRequest r;
    r.fileName = QStringLiteral("out.sql");
    EXPECT_TRUE(dialogs.saveFile(r).isEmpty());
    EXPECT_GE(ticks, 40);
}
