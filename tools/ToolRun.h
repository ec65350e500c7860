#pragma once
// What the backup and restore windows share when they run their program:
// the log memo as the runner's line sink (lines gathered and added in
// batches on a timer, so a long verbose run costs one repaint per batch, not
// one per line), the connection of the window and the log file.
#include "common/ProcessRunner.h"
#include "tools/DumpCommand.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>

class IConnectionWindow;
class QComboBox;
class QWidget;
class TtvMemo;
class TtvStrEdit;

class TMemoLineSink : public TtvLineSink {
public:
    explicit TMemoLineSink(TtvMemo *Memo);
    ~TMemoLineSink() override;
    void AppendLine(const QString &line) override;
    void ShowLastLine() override;
    QWidget *Widget() const override;
    // Adds what is gathered now.
    void Flush();

private:
    QPointer<TtvMemo> FMemo;
    QStringList FPending;
    QTimer FTimer;
};

// The main connection of a connection window as the tools see it.
TToolConnection ToolConnectionOf(IConnectionWindow *Form);

// Runs one command into the memo: the command text, an empty line, then the
// program's output. The password (when any) reaches the child only through
// a private PGPASSFILE.
tv::process::ProcessResult RunToolCommand(const QString &Program, const TToolCommand &Command,
                                          const std::optional<tv::process::PasswordEntry> &Password,
                                          TtvMemo *Memo);

// The file or folder a run writes (a backup archive). The program writes to
// a fresh name beside the target ("<name>.incomplete-XXXXXX"), and only a
// run that succeeded puts it in the target's place (Commit). A failed or
// stopped run leaves nothing of its own behind and an existing target as it
// was (Discard, also when the object goes without Commit). When no fresh
// name can be made (the folder does not exist) the program writes the target
// itself, and Discard removes it only when it did not exist before the run.
class TToolOutput {
public:
    TToolOutput(const QString &Target, bool Directory);
    ~TToolOutput();
    TToolOutput(const TToolOutput &) = delete;
    TToolOutput &operator=(const TToolOutput &) = delete;

    // Where the program writes.
    QString WorkPath() const { return FWork; }
    // The work becomes the target; raises tv::Error, naming both, when it
    // cannot (the finished work is then kept).
    void Commit();
    // Removes what the run wrote.
    void Discard();

private:
    QString FTarget;
    QString FWork;
    bool FDirectory;
    bool FExisted;
    bool FDone = false;
};

// Writes every memo line to the log file (ANSI code page, CR LF, no mark);
// raises the standard error when it cannot be written.
void WriteToolLog(TtvMemo *Memo, const QString &FileName);

// The last path component of a text (after the last "/", "\" or ":").
QString LastPathComponent(const QString &Text);
// The folder part of a text (up to and with the last "/"); empty when none.
QString FolderPart(const QString &Text);

// The rows both windows show on their option page.
// An optional entry follows its choice: Edit and Partner enabled while On,
// Edit emptied when off.
void EnableToolEntry(bool On, TtvStrEdit *Edit, QWidget *Partner);
// "..." of the log file and of the program: the file dialog, its answer into Edit.
void BrowseToolLogFile(TtvStrEdit *Edit);
void BrowseToolProgram(TtvStrEdit *Edit);
// The log page brought forward: the memo shows the log file named (trimmed)
// when there is one and it can be read, else keeps its text.
void ReloadToolLog(TtvMemo *Memo, const QString &FileName);
// The role combo dropping down: the users and roles of the connection
// window (sorted, after an empty line); nothing for other windows.
void FillToolRoleNames(QComboBox *Combo, IConnectionWindow *Form);
