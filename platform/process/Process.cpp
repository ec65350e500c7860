#include "platform/process/Process.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTimer>

#include <exception>

namespace tv::process {

QStringList SplitCommandLine(const QString &commandLine)
{
    QStringList words;
    QString word;
    bool started = false; // a word is open (a quote alone opens an empty one)
    bool inQuote = false;
    const qsizetype n = commandLine.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = commandLine.at(i);
        if (c == QLatin1Char('"')) {
            qsizetype run = 0;
            while (i < n && commandLine.at(i) == QLatin1Char('"')) {
                ++run;
                ++i;
            }
            word += QString(run / 3, QLatin1Char('"'));
            if (run % 3 == 1)
                inQuote = !inQuote;
            started = true;
            continue;
        }
        if (!inQuote && (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
                         || c == QLatin1Char('\r'))) {
            if (started)
                words << word;
            word.clear();
            started = false;
        } else {
            word += c;
            started = true;
        }
        ++i;
    }
    if (started)
        words << word;
    return words;
}

QString JoinCommandLine(const QStringList &words)
{
    QStringList out;
    for (const QString &word : words) {
        const bool plain = !word.isEmpty()
                           && !word.contains(QLatin1Char(' ')) && !word.contains(QLatin1Char('\t'))
                           && !word.contains(QLatin1Char('\n')) && !word.contains(QLatin1Char('\r'))
                           && !word.contains(QLatin1Char('"'));
        if (plain) {
            out << word;
        } else {
            QString quoted = word;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\"\""));
            out << QLatin1Char('"') + quoted + QLatin1Char('"');
        }
    }
    return out.join(QLatin1Char(' '));
}

// ---------------------------------------------------------------------------

namespace {

QString PassField(const QString &value)
{
    if (value.isEmpty())
        return QStringLiteral("*");
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(':'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

} // namespace

QString PasswordFileLine(const PasswordEntry &entry)
{
    QString password = entry.password;
    password.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char(':'), QStringLiteral("\\:"));
    return QStringList{PassField(entry.host), PassField(entry.port), PassField(entry.database), PassField(entry.user),
                       password}
        .join(QLatin1Char(':'));
}

PasswordFile::PasswordFile() = default;

PasswordFile::~PasswordFile()
{
    remove();
}

bool PasswordFile::create(const PasswordEntry &entry, QString *error)
{
    remove();
    // QTemporaryDir makes its folder readable by the owner only.
    auto dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/talvex-pass-XXXXXX"));
    if (!dir->isValid()) {
        if (error)
            *error = dir->errorString();
        return false;
    }
    const QString path = dir->filePath(QStringLiteral("pgpass"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray line = PasswordFileLine(entry).toUtf8() + '\n';
    if (file.write(line) != line.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        file.close();
        return false; // the folder and what was written go with `dir`
    }
    file.close();
    m_dir = std::move(dir);
    m_path = path;
    return true;
}

void PasswordFile::remove()
{
    if (m_dir) {
        if (!m_path.isEmpty())
            QFile::remove(m_path);
        m_dir.reset(); // removes the folder
    }
    m_path.clear();
}

// ---------------------------------------------------------------------------

namespace {

// Collects the bytes of one pipe and hands out complete lines.
class LineSplitter {
public:
    QStringList feed(const QByteArray &bytes)
    {
        m_pending += bytes;
        QStringList lines;
        qsizetype start = 0;
        for (;;) {
            const qsizetype lf = m_pending.indexOf('\n', start);
            if (lf < 0)
                break;
            lines << decode(m_pending.mid(start, lf - start));
            start = lf + 1;
        }
        if (start > 0)
            m_pending.remove(0, start);
        return lines;
    }

    // The last piece without a line end, if any.
    QStringList finish()
    {
        QStringList lines;
        if (!m_pending.isEmpty())
            lines << decode(m_pending);
        m_pending.clear();
        return lines;
    }

private:
    static QString decode(QByteArray line)
    {
        line.replace('\r', QByteArray());
        return QString::fromLocal8Bit(line);
    }

    QByteArray m_pending;
};

} // namespace

// The runner's access to a stopper's hook.
struct StopperAccess {
    static void attach(ProcessStopper *s, std::function<void()> onStop)
    {
        if (s)
            s->m_onStop = std::move(onStop);
    }
};

void ProcessStopper::stop()
{
    m_requested = true;
    if (m_onStop)
        m_onStop();
}

ProcessResult RunProcess(const ProcessRequest &request, const LineHandler &onLines)
{
    ProcessResult result;
    if (request.program.isEmpty()) {
        result.errorText = QStringLiteral("No program was given.");
        return result;
    }
    if (request.stopper && request.stopper->requested()) {
        result.stopped = true;
        result.errorText = QStringLiteral("Stopped before it started.");
        return result;
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : request.environment) {
        if (value.isNull())
            env.remove(name);
        else
            env.insert(name, value);
    }
    PasswordFile passFile;
    if (request.password) {
        QString error;
        if (!passFile.create(*request.password, &error)) {
            result.errorText = error;
            return result;
        }
        env.insert(QStringLiteral("PGPASSFILE"), passFile.path());
        env.remove(QStringLiteral("PGPASSWORD")); // it would win over the file
    }

    QProcess proc;
    proc.setProgram(request.program);
    proc.setArguments(request.arguments);
    if (!request.workingDirectory.isEmpty())
        proc.setWorkingDirectory(request.workingDirectory);
    proc.setProcessEnvironment(env);
    proc.setProcessChannelMode(QProcess::SeparateChannels);
    if (request.standardInput.isNull())
        proc.setStandardInputFile(QProcess::nullDevice());

    LineSplitter outLines;
    LineSplitter errLines;
    std::exception_ptr failure;
    bool ended = false;
    QEventLoop loop;

    auto deliver = [&](const QStringList &lines, bool fromStdErr) {
        if (lines.isEmpty() || failure || !onLines)
            return;
        try {
            onLines(lines, fromStdErr);
        } catch (...) {
            // Never let an exception cross the event loop: stop the child
            // and raise it again once the loop has returned.
            failure = std::current_exception();
            proc.kill();
        }
    };
    auto readOut = [&] { deliver(outLines.feed(proc.readAllStandardOutput()), false); };
    auto readErr = [&] { deliver(errLines.feed(proc.readAllStandardError()), true); };

    QObject::connect(&proc, &QProcess::readyReadStandardOutput, &loop, readOut);
    QObject::connect(&proc, &QProcess::readyReadStandardError, &loop, readErr);
    QObject::connect(&proc, &QProcess::finished, &loop, [&] {
        ended = true;
        loop.quit();
    });

    proc.start(request.standardInput.isNull() ? QIODevice::ReadOnly : QIODevice::ReadWrite);
    if (!proc.waitForStarted(-1)) {
        result.errorText = proc.errorString();
        return result;
    }
    result.started = true;
    if (!request.standardInput.isNull()) {
        proc.write(request.standardInput.toLocal8Bit());
        proc.closeWriteChannel();
    }

    // Asked to end: SIGTERM now, SIGKILL after the grace period.
    bool stopping = false;
    QTimer killTimer;
    killTimer.setSingleShot(true);
    QObject::connect(&killTimer, &QTimer::timeout, &loop, [&] { proc.kill(); });
    auto stop = [&] {
        if (stopping || ended || proc.state() == QProcess::NotRunning)
            return;
        stopping = true;
        proc.terminate();
        killTimer.start(ProcessStopper::GraceMs);
    };
    StopperAccess::attach(request.stopper, stop);
    struct Detach {
        ProcessStopper *s;
        ~Detach() { StopperAccess::attach(s, {}); }
    } detach{request.stopper};

    if (!ended && proc.state() != QProcess::NotRunning)
        loop.exec();
    if (proc.state() != QProcess::NotRunning && !ended) {
        // The loop was ended from outside (the application quits): the
        // program is stopped, not waited for.
        stop();
        if (!proc.waitForFinished(ProcessStopper::GraceMs)) {
            proc.kill();
            proc.waitForFinished(-1);
        }
    }
    killTimer.stop();

    // Whatever is still in the pipes, then the unterminated last pieces.
    readOut();
    readErr();
    deliver(outLines.finish(), false);
    deliver(errLines.finish(), true);

    if (failure)
        std::rethrow_exception(failure);

    result.stopped = stopping;

    if (proc.exitStatus() == QProcess::CrashExit) {
        result.crashed = true;
        result.exitCode = -1;
        result.errorText = proc.errorString();
    } else {
        result.exitCode = proc.exitCode();
    }
    return result;
}

} // namespace tv::process
