#pragma once
// The execution dialog of a DDL script ("スクリプト実行"): runs the script
// statement by statement on the owner connection window's main connection and
// logs each statement with its outcome.
//
// A DDL script is a list of lines in which a line that is exactly ";" ends a
// statement; a statement may span any number of lines, and lines of its own
// may end in ";" (function bodies) without ending it. A last statement
// without a ";" line is still run.
//
// The dialog is not modal: while it is open the main window is disabled and
// shows the hourglass, so the user stays in the dialog; window messages are
// processed while statements run (at least every few hundredths of a second
// as the log grows, and throughout a long statement), so the dialog repaints
// and its buttons answer. Each statement runs under its own savepoint
// while a transaction block is open, so a failed statement never leaves the
// session aborted nor discards the statements before it.
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>

class IConnectionWindow;
class QCheckBox;
class QPushButton;
class TtvMemo;

// A log shows its text as it is: every token in the text colour, no bracket
// colouring (the execution logs of this dialog and of the script runner).
void PlainColours(TtvMemo *memo);

class TfrmDDLExec : public QDialog {
    Q_OBJECT
public:
    // Opens the dialog and runs the whole script before it returns. ASQL is
    // consumed as the statements run.
    //
    // Returns the number of failed statements of the run (0: every statement
    // succeeded) when every statement was tried, which happens while
    // stop-on-error is off: a caller must not report a run with errors as
    // success. Raises tv::SilentAbort, and the caller rolls back, when a
    // statement failed with stop-on-error on (ASQL then holds the statements
    // not yet run), when the connection was lost, and when the user closed
    // the dialog during the run (the run stops after the current statement).
    // NoContinue keeps "継続(&U)" disabled after a failure: for a script that
    // must run whole inside the caller's transaction or not at all.
    // RolledBackOnError: the caller runs the script in a transaction of its
    // own and rolls it back when a statement failed; the log then says that
    // nothing of the run stays, and a statement that succeeds after a
    // failure is not logged as if it stayed.
    static int ShowWindow(IConnectionWindow *AOwner, QStringList &ASQL, bool NoContinue = false,
                          bool RolledBackOnError = false);
    // Returns only when no execution dialog is open any more, processing
    // window messages meanwhile.
    static void WaitProc();
    // The execution dialogs open now.
    static int OpenCount();

    // The statements of the script's front: takes lines of `script` up to a
    // line that is exactly ";" (dropped) or the end, and removes every line
    // taken. Empty statements (";" lines in a row) are skipped; an empty
    // result means the script is used up.
    static QStringList TakeStatement(QStringList &script);

    // Closes itself and frees itself once closed; freeing an open dialog
    // gives the main window back.
    ~TfrmDDLExec() override;

    int ErrorCount() const { return FErrorCount; }
    bool Finished() const { return FEndProc; }

    TtvMemo *txtLog = nullptr;
    QCheckBox *chkErrorStop = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    void closeEvent(QCloseEvent *e) override;
    void reject() override;

private:
    explicit TfrmDDLExec(IConnectionWindow *AOwner);

    // Runs the statements left in FSQL (also the handler of "継続(&U)").
    void RunScript();
    void btnOKClick();
    // Closing: asks while the run has not finished; false keeps the dialog.
    bool QueryClose();
    void CloseDialog();
    // Log lines wait in FPendingLog and reach the memo in one change when
    // window messages are processed, before a statement is sent (it may take
    // long, and the dialog repaints meanwhile) and when the run stops.
    void AddLog(const QString &line);
    void AddLogLines(const QString &text);
    void FlushLog();
    void ProcessMessages();
    void LoadPosition();
    void SavePosition();

    IConnectionWindow *FOwner;
    QPointer<QWidget> FOwnerWidget;   // gone: the owner window was closed
    QPointer<QWidget> FMainWidget;    // the main window disabled while the dialog is open
    QStringList *FSQL = nullptr;      // the caller's script while ShowWindow runs, else FRest
    QStringList FRest;                // what is left once ShowWindow has returned
    bool FEndProc = false;            // the run has finished (or the dialog was closed)
    bool FClosed = false;             // closed by the user; freed once no run is on the stack
    int FRunning = 0;                 // runs on the stack
    int FErrorCount = 0;
    bool FNoContinue = false;         // "継続(&U)" stays disabled
    bool FRolledBackOnError = false;  // the caller rolls the run back after a failure
    QElapsedTimer FPace;              // since window messages were last processed
    QStringList FPendingLog;          // log lines not yet in the memo
};
