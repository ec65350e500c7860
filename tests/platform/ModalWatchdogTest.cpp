// The shared test main's watchdog: a modal dialog nobody answers fails the
// test, naming the dialog, and is closed, so the test goes on instead of
// hanging.
#include "support/ModalWatchdog.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

// Statements under EXPECT_NONFATAL_FAILURE cannot use locals.
int gResult = -1;

void ExecStrayDialog()
{
    QDialog d;
    d.setObjectName(QStringLiteral("dlgStray"));
    d.setWindowTitle(QStringLiteral("迷子"));
    gResult = d.exec();
}

void ExecStrayMessage()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), QStringLiteral("保存しますか？"),
                    QMessageBox::Yes | QMessageBox::No);
    gResult = box.exec();
}

} // namespace

TEST(ModalWatchdog, FailsAndClosesADialogLeftOpen)
{
    tvtest::ModalWatchdog watchdog(300);
    gResult = -1;
    EXPECT_NONFATAL_FAILURE(ExecStrayDialog(), "QDialog \"dlgStray\" titled \"迷子\"");
    EXPECT_EQ(gResult, QDialog::Rejected);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // A message box is named by its text too; the next dialog is timed anew.
    gResult = -1;
    EXPECT_NONFATAL_FAILURE(ExecStrayMessage(), "saying \"保存しますか？\"");
    EXPECT_NE(gResult, -1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(ModalWatchdog, LeavesAnsweredDialogsAlone)
{
    // Dialogs closed as soon as they show, one after the other, for longer
    // than the limit in all: none of them is a stray one.
    tvtest::ModalWatchdog watchdog(2000);
    QElapsedTimer total;
    total.start();
    int shown = 0;
    while (total.elapsed() < 2500) {
        QDialog d;
        QTimer::singleShot(0, &d, [&d] { d.accept(); });
        EXPECT_EQ(d.exec(), QDialog::Accepted);
        ++shown;
    }
    EXPECT_GT(shown, 0);
}
