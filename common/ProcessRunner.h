#pragma once
// Runs an external program without a window and shows what it prints, line
// by line, in a log editor while it runs (pg_dump, pg_restore and the like).
//
// The program gets an argument list and never a shell. A command text is
// split into program and arguments by tv::process::SplitCommandLine: blanks
// separate words, double quotes group a word holding blanks, and a tripled
// double quote stands for a literal one. Standard input is the null device;
// standard output and standard error are shown as their lines arrive, CR
// removed; a last line without a line end is shown once the program ended.
// While it runs only the window of the log editor is busy (tv::ui::BusyWindow:
// the wait cursor, no input, no closing); every other window stays usable.
// Esc pressed in that window stops the program (ProcessStopper), and the log
// then ends with the line "処理を中断しました。".
#include "platform/process/Process.h"

#include <QPointer>
#include <QString>
#include <QStringList>

class QPlainTextEdit;
class QWidget;

// Where the output lines go: the log editor of a window. The SQL editor
// control implements it; TPlainTextLineSink adapts a QPlainTextEdit.
class TtvLineSink {
public:
    virtual ~TtvLineSink();
    // Adds one line (without a line end) as the new last line.
    virtual void AppendLine(const QString &line) = 0;
    // Puts the caret at the start of the last line and scrolls it into view.
    virtual void ShowLastLine() = 0;
    // The editor that shows the lines (its window is busy while the program
    // runs); null when there is none.
    virtual QWidget *Widget() const { return nullptr; }
};

// The line added to the log when the program was stopped.
QString StoppedLogLine();

// A QPlainTextEdit as a line sink; does nothing once the editor is gone.
class TPlainTextLineSink : public TtvLineSink {
public:
    explicit TPlainTextLineSink(QPlainTextEdit *edit);
    void AppendLine(const QString &line) override;
    void ShowLastLine() override;
    QWidget *Widget() const override;

private:
    QPointer<QPlainTextEdit> m_edit;
};

// Runs `CommandLine` (split as described above) and returns after the
// program has ended and its output has been shown. True when the program
// could be started; a missing program gives false and adds nothing (the
// caller shows its own message). *ExitCode, when given, receives the
// program's exit code, or -1 when it could not be started or did not end
// normally; anything but 0 is a failure.
bool RunProgramToMemo(const QString &CommandLine, TtvLineSink &Memo, int *ExitCode = nullptr);

// The same with a prepared request (argument list, environment, a password
// handed over through PGPASSFILE, a stopper of the caller's); the full
// result comes back, `stopped` set when Esc or the stopper ended it.
tv::process::ProcessResult RunProgramToMemo(const tv::process::ProcessRequest &Request, TtvLineSink &Memo);

// The folder `Path` with a trailing "/" when it exists; empty when it does
// not (there are no short names to translate to here).
QString ShortPathWithSlash(const QString &Path);
