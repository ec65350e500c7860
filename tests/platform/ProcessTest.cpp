#include "platform/process/Process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <stdexcept>

using namespace tv::process;

namespace {

// Runs `sh -c script` and collects every line with the pipe it came from.
struct ShellRun {
    ProcessResult result;
    QStringList out;
    QStringList err;
    int batches = 0;
};

ShellRun RunShell(const QString &script, ProcessRequest request = {})
{
    ShellRun run;
    request.program = QStringLiteral("/bin/sh");
    request.arguments = {QStringLiteral("-c"), script};
    run.result = RunProcess(request, [&run](const QStringList &lines, bool fromStdErr) {
        ++run.batches;
        (fromStdErr ? run.err : run.out) << lines;
    });
    return run;
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST(ProcessCommandLine, SplitsAtBlanksAndKeepsQuotedWordsWhole)
{
    struct Case {
        QString text;
        QStringList words;
    };
    const Case cases[] = {
        {QStringLiteral("pg_dump -h localhost -p 5432 db"),
         {QStringLiteral("pg_dump"), QStringLiteral("-h"), QStringLiteral("localhost"), QStringLiteral("-p"),
          QStringLiteral("5432"), QStringLiteral("db")}},
        {QStringLiteral("\"/opt/pg 15/bin/pg_dump\"  -f \"/tmp/a b.sql\"\tdb"),
         {QStringLiteral("/opt/pg 15/bin/pg_dump"), QStringLiteral("-f"), QStringLiteral("/tmp/a b.sql"),
          QStringLiteral("db")}},
        {QStringLiteral("-f\"a b\"c"), {QStringLiteral("-fa bc")}},
        {QStringLiteral("echo \"say \"\"\"hi\"\"\"\""), {QStringLiteral("echo"), QStringLiteral("say \"hi\"")}},
        {QStringLiteral("a \"\" b"), {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {QStringLiteral("\"unterminated word"), {QStringLiteral("unterminated word")}},
        {QStringLiteral("   "), {}},
        {QString(), {}},
        {QStringLiteral("日本語 \"データ ベース\""), {QStringLiteral("日本語"), QStringLiteral("データ ベース")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(SplitCommandLine(c.text), c.words);
    }

    const QStringList words{QStringLiteral("/usr/bin/prog"), QStringLiteral("a b"), QString(),
                            QStringLiteral("q\"uote"), QStringLiteral("\""), QStringLiteral("tab\there")};
    EXPECT_EQ(SplitCommandLine(JoinCommandLine(words)), words);
    EXPECT_EQ(JoinCommandLine({QStringLiteral("pg_dump"), QStringLiteral("-f"), QStringLiteral("a b")}),
              QStringLiteral("pg_dump -f \"a b\""));
}

TEST(ProcessPasswordFile, LineIsEscapedAndTheFileIsPrivateAndRemoved)
{
    PasswordEntry entry;
    entry.host = QStringLiteral("db:host");
    entry.user = QStringLiteral("a\\b");
    entry.password = QStringLiteral("p:w\\d*");
    EXPECT_EQ(PasswordFileLine(entry), QStringLiteral("db\\:host:*:*:a\\\\b:p\\:w\\\\d*"));

    QString path;
    {
        PasswordFile file;
        QString error;
        ASSERT_TRUE(file.create(entry, &error)) << error.toStdString();
        path = file.path();
        ASSERT_TRUE(QFileInfo::exists(path));
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                          | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        const QFile::Permissions filePerms = QFileInfo(path).permissions();
        EXPECT_EQ(filePerms & (others | QFile::ExeOwner), QFile::Permissions());
        EXPECT_EQ(filePerms & (QFile::ReadOwner | QFile::WriteOwner), QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_EQ(QFileInfo(QFileInfo(path).path()).permissions() & others, QFile::Permissions());
        QFile in(path);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        EXPECT_EQ(in.readAll(), PasswordFileLine(entry).toUtf8() + '\n');
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(path).path()));
}

TEST(ProcessRun, PasswordReachesTheChildThroughItsOwnEnvironmentOnly)
{
    // Put a password in this process's environment for the duration of the
    // test only: later tests in the same program log on with the real one.
    const bool hadPassword = qEnvironmentVariableIsSet("PGPASSWORD");
    const QByteArray oldPassword = qgetenv("PGPASSWORD");
    qputenv("PGPASSWORD", "from-parent");
    ProcessRequest request;
    PasswordEntry entry;
    entry.password = QStringLiteral("s3cret");
    request.password = entry;
    request.environment = {{QStringLiteral("TV_EXTRA"), QStringLiteral("yes")},
                           {QStringLiteral("PGPASSWORD_UNUSED"), QString()}};
    const ShellRun run = RunShell(QStringLiteral("echo \"$PGPASSFILE\"; stat -c %a \"$PGPASSFILE\"; cat \"$PGPASSFILE\";"
                                            " echo \"pw=${PGPASSWORD-unset} extra=$TV_EXTRA\"; echo \"$0 $*\""),
                             request);
    if (hadPassword)
        qputenv("PGPASSWORD", oldPassword);
    else
        qunsetenv("PGPASSWORD");
    ASSERT_TRUE(run.result.succeeded()) << run.result.errorText.toStdString();
    ASSERT_EQ(run.out.size(), 5) << run.out.join(QLatin1Char('|')).toStdString();
    const QString path = run.out[0];
    EXPECT_FALSE(path.isEmpty());
    EXPECT_EQ(run.out[1], QStringLiteral("600"));
    EXPECT_EQ(run.out[2], QStringLiteral("*:*:*:*:s3cret"));
    EXPECT_EQ(run.out[3], QStringLiteral("pw=unset extra=yes"));
    EXPECT_FALSE(run.out[4].contains(QStringLiteral("s3cret"))); // not on the command line
    EXPECT_FALSE(QFileInfo::exists(path)); // removed after the run
    EXPECT_FALSE(qEnvironmentVariableIsSet("PGPASSFILE"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("TV_EXTRA"));
}

TEST(ProcessRun, ExitCodesCrashesAndMissingProgramsAreReported)
{
    ShellRun ok = RunShell(QStringLiteral("exit 0"));
    EXPECT_TRUE(ok.result.started);
    EXPECT_TRUE(ok.result.succeeded());

    ShellRun failed = RunShell(QStringLiteral("echo partial; exit 3"));
    EXPECT_TRUE(failed.result.started);
    EXPECT_FALSE(failed.result.crashed);
    EXPECT_EQ(failed.result.exitCode, 3);
    EXPECT_FALSE(failed.result.succeeded());
    EXPECT_EQ(failed.out, QStringList{QStringLiteral("partial")});

    ShellRun killed = RunShell(QStringLiteral("kill -9 $$"));
    EXPECT_TRUE(killed.result.started);
    EXPECT_TRUE(killed.result.crashed);
    EXPECT_EQ(killed.result.exitCode, -1);
    EXPECT_FALSE(killed.result.succeeded());

    ProcessRequest missing;
    missing.program = QStringLiteral("/nonexistent/talvex-no-such-program");
    int calls = 0;
    const ProcessResult none = RunProcess(missing, [&](const QStringList &, bool) { ++calls; });
    EXPECT_FALSE(none.started);
    EXPECT_FALSE(none.errorText.isEmpty());
    EXPECT_EQ(calls, 0);

    EXPECT_FALSE(RunProcess(ProcessRequest{}, {}).started);
}

TEST(ProcessRun, StdinIsClosedAndOutputIsSplitAtLineFeedsWithoutCarriageReturns)
{
    // cat would wait for input forever if standard input were open.
    const ShellRun run = RunShell(QStringLiteral("cat; printf 'a\\r\\nb\\r\\n\\r\\nc\\rd\\n' ; printf 'err1\\nerr-tail' >&2;"
                                            " printf 'tail'"));
    ASSERT_TRUE(run.result.succeeded());
    EXPECT_EQ(run.out, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QString(), QStringLiteral("cd"),
                                    QStringLiteral("tail")}));
    EXPECT_EQ(run.err, (QStringList{QStringLiteral("err1"), QStringLiteral("err-tail")}));
}

TEST(ProcessRun, ACharacterSplitBetweenTwoReadsArrivesWhole)
{
    // 日 = E6 97 A5, 本 = E6 9C AC; the pause makes two reads of one line.
    const ShellRun run = RunShell(QStringLiteral("printf '\\346\\227'; sleep 0.2; printf '\\245\\346\\234\\254\\n'"));
    ASSERT_TRUE(run.result.succeeded());
    EXPECT_EQ(run.out, QStringList{QStringLiteral("日本")});
}

TEST(ProcessRun, EventsFlowWhileItRunsWithoutKeepingTheCpuBusy)
{
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    const double cpuBefore = CpuSeconds();
    const ShellRun run = RunShell(QStringLiteral("sleep 0.6"));
    const double cpu = CpuSeconds() - cpuBefore;
    EXPECT_TRUE(run.result.succeeded());
    EXPECT_GT(ticks, 3);     // timers ran while waiting
    EXPECT_LT(cpu, 0.3);     // a busy loop would burn the whole 0.6 s
}

TEST(ProcessRun, AnExceptionFromTheHandlerStopsTheChildAndComesBack)
{
    ProcessRequest request;
    request.program = QStringLiteral("/bin/sh");
    request.arguments = {QStringLiteral("-c"), QStringLiteral("echo first; exec sleep 30")};
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(RunProcess(request, [](const QStringList &, bool) { throw std::runtime_error("sink failed"); }),
                 std::runtime_error);
    EXPECT_LT(clock.elapsed(), 20000); // did not wait for the child's 30 s
}

// A stop asked for while the program runs ends it at once when it heeds
// SIGTERM and by SIGKILL after the grace period when it does not; either
// way the run is no success and reports that it was stopped, and the
// program is gone afterwards. A stop asked for before the run keeps the
// program from starting.
TEST(ProcessRun, AStopEndsTheProgramAndIsReportedAsStopped)
{
    struct Case {
        const char *name;
        QString script;   // prints its pid, then waits for a long time
        qint64 atLeastMs; // how long the stop may not be quicker than
    };
    const Case cases[] = {
        {"heeds SIGTERM", QStringLiteral("echo $$; exec sleep 600"), 0},
        {"ignores SIGTERM", QStringLiteral("trap '' TERM; echo $$; while :; do sleep 1; done"),
         ProcessStopper::GraceMs - 500},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProcessStopper stopper;
        ProcessRequest request;
        request.program = QStringLiteral("/bin/sh");
        request.arguments = {QStringLiteral("-c"), c.script};
        request.stopper = &stopper;
        QString pid;
        QElapsedTimer clock;
        const ProcessResult r = RunProcess(request, [&](const QStringList &lines, bool) {
            if (pid.isEmpty() && !lines.isEmpty()) {
                pid = lines.first();
                clock.start();
                stopper.stop(); // as an Esc handler would, from the event loop
            }
        });
        ASSERT_FALSE(pid.isEmpty());
        EXPECT_TRUE(r.started);
        EXPECT_TRUE(r.stopped);
        EXPECT_FALSE(r.succeeded());
        EXPECT_GE(clock.elapsed(), c.atLeastMs);
        EXPECT_LT(clock.elapsed(), 120000) << "did not wait for the program's own end";
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/") + pid)) << "the program is gone";
    }

    ProcessStopper early;
    early.stop();
    ProcessRequest request;
    request.program = QStringLiteral("/bin/sh");
    request.arguments = {QStringLiteral("-c"), QStringLiteral("echo ran")};
    request.stopper = &early;
    int calls = 0;
    const ProcessResult r = RunProcess(request, [&](const QStringList &, bool) { ++calls; });
    EXPECT_FALSE(r.started);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(calls, 0);

    // A stopper used after its run has ended does nothing.
    ProcessStopper late;
    request.stopper = &late;
    EXPECT_TRUE(RunProcess(request, {}).succeeded());
    late.stop();
}
