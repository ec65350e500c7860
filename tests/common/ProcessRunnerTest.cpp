#include "common/ProcessRunner.h"

#include "support/ScratchDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A sink that only counts, for output too large to put in an editor.
class CountingSink : public TtvLineSink {
public:
    void AppendLine(const QString &line) override
    {
        ++lines;
        chars += line.size();
        if (!line.isEmpty() && line.at(0) == QLatin1Char('E'))
            ++errLines;
    }
    void ShowLastLine() override { ++shows; }
    qint64 lines = 0;
    qint64 chars = 0;
    qint64 errLines = 0;
    int shows = 0;
};

QString WriteScript(const tvtest::ScratchDir &dir, const QString &name, const QByteArray &body)
{
    const QString path = dir.file(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QStringList Lines(const QPlainTextEdit &edit)
{
    return edit.toPlainText().split(QLatin1Char('\n'));
}

} // namespace

TEST(RunProgramToMemo, ShowsEveryLineWithTheLastInViewAndReportsTheExitCode)
{
    tvtest::ScratchDir dir;
    // Three LF-ended lines and a fourth without a line end; the folder name
    // has a blank, so the program must be quoted in the command text.
    const QString script = WriteScript(dir, QStringLiteral("my tools/dump.sh"),
                                       "printf 'line 1\\nline 2\\n' ; printf 'line 3\\n' >&2; printf 'last'; exit 4\n");
    QPlainTextEdit edit;
    TPlainTextLineSink sink(&edit);
    int exitCode = 12345;
    EXPECT_TRUE(RunProgramToMemo(QStringLiteral("\"%1\"").arg(script), sink, &exitCode));
    EXPECT_EQ(exitCode, 4);
    const QStringList lines = Lines(edit);
    ASSERT_EQ(lines.size(), 4) << edit.toPlainText().toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("line 1")));
    EXPECT_TRUE(lines.contains(QStringLiteral("line 3")));
    EXPECT_LT(lines.indexOf(QStringLiteral("line 1")), lines.indexOf(QStringLiteral("line 2")));
    EXPECT_EQ(lines.last(), QStringLiteral("last"));
    EXPECT_EQ(edit.textCursor().blockNumber(), 3);
    EXPECT_EQ(edit.textCursor().positionInBlock(), 0);

    exitCode = 99;
    EXPECT_TRUE(RunProgramToMemo(QStringLiteral("/bin/sh -c \"echo ok\""), sink, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Lines(edit).last(), QStringLiteral("ok"));
}

TEST(RunProgramToMemo, KeepsTheLastLineInViewOfALongLog)
{
    QPlainTextEdit edit;
    edit.resize(300, 120);
    edit.show();
    TPlainTextLineSink sink(&edit);
    EXPECT_TRUE(RunProgramToMemo(QStringLiteral("/bin/sh -c \"seq 1 300\""), sink));
    ASSERT_EQ(edit.document()->blockCount(), 300);
    QScrollBar *bar = edit.verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(edit.textCursor().block().text(), QStringLiteral("300"));
}

TEST(RunProgramToMemo, AMissingProgramReturnsFalseAndAddsNothing)
{
    QPlainTextEdit edit;
    TPlainTextLineSink sink(&edit);
    int exitCode = 0;
    EXPECT_FALSE(RunProgramToMemo(QStringLiteral("/nonexistent/pg_dump -f x.sql"), sink, &exitCode));
    EXPECT_EQ(exitCode, -1);
    EXPECT_FALSE(RunProgramToMemo(QStringLiteral("talvex-no-such-program-on-path"), sink));
    EXPECT_FALSE(RunProgramToMemo(QStringLiteral("   "), sink));
    EXPECT_TRUE(edit.toPlainText().isEmpty());
}

TEST(RunProgramToMemo, CrLfOutputShowsNoCarriageReturn)
{
    QPlainTextEdit edit;
    TPlainTextLineSink sink(&edit);
    EXPECT_TRUE(RunProgramToMemo(QStringLiteral("/bin/sh -c \"printf 'a\\r\\nb\\r\\n'\""), sink));
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("a\nb"));
    EXPECT_FALSE(edit.toPlainText().contains(QLatin1Char('\r')));
}

TEST(RunProgramToMemo, OneMegabyteOnBothPipesDoesNotHang)
{
    // 1 MiB of 64-byte lines on each pipe, written at the same time.
    const QString script = QStringLiteral(
        "/bin/sh -c \"(yes OOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOOO | head -c 1048576) &"
        " (yes EEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEE | head -c 1048576 >&2); wait\"");
    CountingSink sink;
    int exitCode = -2;
    EXPECT_TRUE(RunProgramToMemo(script, sink, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(sink.lines, 2 * 1048576 / 64);
    EXPECT_EQ(sink.errLines, 1048576 / 64);
    EXPECT_EQ(sink.chars, 2 * (1048576 - 1048576 / 64));
    EXPECT_GT(sink.shows, 0);
}

TEST(RunProgramToMemo, ARequestCarriesArgumentsUntouchedByAnyShell)
{
    QPlainTextEdit edit;
    TPlainTextLineSink sink(&edit);
    tv::process::ProcessRequest request;
    request.program = QStringLiteral("printf");
    request.arguments = {QStringLiteral("%s|%s\\n"), QStringLiteral("$HOME; rm -rf x"), QStringLiteral("a \"b\"")};
    const tv::process::ProcessResult result = RunProgramToMemo(request, sink);
    EXPECT_TRUE(result.succeeded());
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("$HOME; rm -rf x|a \"b\""));
}

TEST(RunProgramToMemo, AGoneEditorTakesNoLines)
{
    auto *edit = new QPlainTextEdit;
    TPlainTextLineSink sink(edit);
    delete edit;
    EXPECT_TRUE(RunProgramToMemo(QStringLiteral("/bin/sh -c \"echo x\""), sink));
}

// While a program runs, the window of its log is busy and no other: the
// log's window takes no click, no key and no close, another window takes
// typing as usual; Esc in the busy window stops the program, which is gone
// afterwards, and the log says the run was stopped. The window is itself
// again after the run.
TEST(RunProgramToMemo, OnlyTheLogsWindowIsBusyAndEscStopsTheProgram)
{
    QWidget busy;
    auto *edit = new QPlainTextEdit(&busy);
    auto *button = new QPushButton(QStringLiteral("run"), &busy);
    auto *layout = new QVBoxLayout(&busy);
    layout->addWidget(edit);
    layout->addWidget(button);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    busy.show();
    QWidget other;
    auto *typed = new QLineEdit(&other);
    other.show();

    TPlainTextLineSink sink(edit);
    tv::process::ProcessRequest request;
    request.program = QStringLiteral("/bin/sh");
    request.arguments = {QStringLiteral("-c"), QStringLiteral("echo $$; exec sleep 600")};
    QString pid;
    bool closed = true;
    Qt::CursorShape cursorWhileBusy = Qt::ArrowCursor;
    // The user's actions, as soon as the program has said who it is.
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!pid.isEmpty() || edit->toPlainText().trimmed().isEmpty())
            return;
        pid = edit->toPlainText().trimmed();
        cursorWhileBusy = busy.cursor().shape();
        QTest::mouseClick(button, Qt::LeftButton);
        QTest::keyClick(button, Qt::Key_Space);
        QTest::keyClicks(typed, QStringLiteral("still here"));
        closed = busy.close();
        QTest::keyClick(edit, Qt::Key_Escape);
    });
    user.start(20);
    const tv::process::ProcessResult result = RunProgramToMemo(request, sink);
    user.stop();

    ASSERT_FALSE(pid.isEmpty());
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(result.succeeded());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/") + pid)) << "the program is gone";
    EXPECT_EQ(Lines(*edit).last(), StoppedLogLine());
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(typed->text(), QStringLiteral("still here"));
    EXPECT_FALSE(closed);
    EXPECT_TRUE(busy.isVisible());
    EXPECT_EQ(cursorWhileBusy, Qt::WaitCursor);

    EXPECT_NE(busy.cursor().shape(), Qt::WaitCursor);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(busy.close());
}

TEST(ShortPathWithSlash, ExistingFoldersGetOneSlashMissingOnesNothing)
{
    tvtest::ScratchDir dir;
    const QString path = dir.path();
    EXPECT_EQ(ShortPathWithSlash(path), path + QLatin1Char('/'));
    EXPECT_EQ(ShortPathWithSlash(path + QLatin1Char('/')), path + QLatin1Char('/'));
    EXPECT_EQ(ShortPathWithSlash(path + QStringLiteral("/missing")), QString());
    EXPECT_EQ(ShortPathWithSlash(QString()), QString());
}
