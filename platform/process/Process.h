#pragma once
// Hidden child processes with their output read live, line by line.
//
// A program runs from an argument list (never through a shell) with standard
// input on the null device (or fed once from the request, then closed). Standard output and standard error are read as
// they arrive, each split at LF with a CR before the LF (and any stray CR at
// the end of a line) removed; a last piece without a line end is delivered
// once the program has ended and both pipes are drained. While the program
// runs the calling thread waits in an event loop that takes every event, so
// the rest of the program stays usable and the CPU is not kept busy; keeping
// the caller's own window from starting other work meanwhile is the
// caller's part (RunProgramToMemo marks its window busy).
//
// A run can be stopped (ProcessStopper): the program is asked to end
// (SIGTERM, on which the PostgreSQL programs cancel their statement on the
// server) and is killed when it has not ended after a grace period. An event
// loop ended from outside (the application quitting) stops it the same way.
//
// No password ever goes on a command line: a request may carry a
// PasswordEntry, which is written to a private temporary file of mode 0600
// that the child finds through PGPASSFILE (set in the child's environment
// only, PGPASSWORD removed there) and that is removed when the run ends.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QTemporaryDir;

namespace tv::process {

// Splits a command text into program and arguments: blanks (spaces and tabs)
// separate the words, double quotes group text that holds blanks and are not
// part of the word, and three double quotes in a row inside a quoted word
// stand for one literal double quote (the rule of QProcess::splitCommand).
//     "\"/opt/pg 15/bin/pg_dump\" -f \"a b.sql\" db" → {"/opt/pg 15/bin/pg_dump", "-f", "a b.sql", "db"}
QStringList SplitCommandLine(const QString &commandLine);

// The inverse of SplitCommandLine: words holding blanks or double quotes (and
// empty words) are put in double quotes, literal double quotes tripled.
QString JoinCommandLine(const QStringList &words);

// One line of a libpq password file. An empty field matches anything ("*").
struct PasswordEntry {
    QString host;
    QString port;
    QString database;
    QString user;
    QString password;
};

// The entry as a password-file line: "host:port:database:user:password",
// ":" and "\" escaped with "\".
QString PasswordFileLine(const PasswordEntry &entry);

// A password file that exists for the lifetime of the object: a fresh
// private folder (0700) holding one file (0600) with the entry's line.
class PasswordFile {
public:
    PasswordFile();
    ~PasswordFile();
    PasswordFile(const PasswordFile &) = delete;
    PasswordFile &operator=(const PasswordFile &) = delete;

    // Writes the file; false with *error set when it cannot be written.
    bool create(const PasswordEntry &entry, QString *error = nullptr);
    // The file's path (empty before create or after remove).
    QString path() const { return m_path; }
    // Removes the file and its folder now (the destructor does it as well).
    void remove();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

// Stops a run on request. Made by the caller and named in the request;
// stop() may come before, during (from an event handler) or after the run.
class ProcessStopper {
public:
    // Asks the program to end; a run that has not started yet does not start.
    void stop();
    bool requested() const { return m_requested; }
    // How long a program asked to end may take before it is killed.
    static constexpr int GraceMs = 5000;

private:
    friend struct StopperAccess;
    bool m_requested = false;
    std::function<void()> m_onStop; // set while a run is under way
};

struct ProcessRequest {
    QString program;            // a path, or a name looked up in PATH
    QStringList arguments;
    QString workingDirectory;   // empty: the caller's current folder
    // Variables set (or, with a null value, removed) in the child's
    // environment only; the rest is the caller's environment.
    QList<QPair<QString, QString>> environment;
    // A password for the libpq programs, handed over through PGPASSFILE.
    std::optional<PasswordEntry> password;
    // Written to the child's standard input, which is then closed (a
    // password line for tools that read one there). Null: the null device.
    QString standardInput;
    // Stops the run when asked; none: it runs to its end.
    ProcessStopper *stopper = nullptr;
};

struct ProcessResult {
    bool started = false;   // false: the program could not be run at all
    bool crashed = false;   // ended by a signal
    bool stopped = false;   // ended (or never started) because it was asked to stop
    int exitCode = -1;      // the program's exit code; -1 when it did not end normally
    QString errorText;      // why it could not be started, or how it failed
    // True when it started, ended normally and returned 0.
    bool succeeded() const { return started && !crashed && !stopped && exitCode == 0; }
};

// Receives output as it arrives: the lines of one batch (from one pipe, in
// order), then once more, after the child ended, whatever was left. Lines
// hold no line end. `fromStdErr` tells which pipe they came from.
using LineHandler = std::function<void(const QStringList &lines, bool fromStdErr)>;

// Runs the program and returns when it has ended and both pipes are empty.
// Bytes are decoded from the locale's encoding one whole line at a time, so a
// character split between two reads is never broken.
ProcessResult RunProcess(const ProcessRequest &request, const LineHandler &onLines);

} // namespace tv::process
