#pragma once
// TfrmDebug: steps through a PL/pgSQL program that a debug run holds on the
// server. Shows the current program's source with the current line (rm1)
// and the breakpoints (rm2), the variables of the current frame (editable)
// and where the program stands. It drives the debugger functions of the
// server on the connection window's dbsBG2; the execution window owns it and
// closes it when the run ends.
//
// Every debugger statement is counted in the execution window's FDebugBusy,
// and the actions are disabled while one waits: a step blocks until the
// target stops again while the window's events keep flowing.
#include <QStringList>
#include <QWidget>

class IConnectionWindow;
class QAction;
class QPlainTextEdit;
class QSplitter;
class QToolBar;
class QToolButton;
class TfrmExecProc;
class TtvMemo;
class TtvStringGrid;

namespace tv::db {
class Connection;
class Query;
} // namespace tv::db

struct TStackInfo {
    QString TargetName;
    int Line = 0;
    QString Args;
    qint64 Oid = -1;
};

class TfrmDebug : public QWidget {
    Q_OBJECT
public:
    // Builds the window (not shown). Attach with AttachTarget.
    TfrmDebug(TfrmExecProc *AOwner, tv::db::Connection *DebugConnection);
    ~TfrmDebug() override;

    // Waits for the target to announce itself and attaches to it; false when
    // the run cannot be debugged (after saying why when there is something
    // to say). The window is shown on success.
    bool AttachTarget();

    // 1 and 4 continue, 2 step over, 3 step into.
    void ContinueProgram(int BreakFlag);
    void ShowSource();
    void ShowStack();
    void ShowVariables();

    void actExecExecute() { ContinueProgram(1); }
    void actNextLineExecute() { ContinueProgram(2); }
    void actAnyCallExecute() { ContinueProgram(3); }
    void actAnyReturnExecute() { ContinueProgram(4); }
    void actAbortExecute();
    void actSetBreakPointExecute();
    void actDeleteBreakPointExecute();
    void actDeleteBreakPointAllExecute();
    // Toggles the breakpoint of a source row (0-based).
    void ToggleBreakPoint(int Row);
    void grdVariableSetEditText(int ACol, int ARow, const QString &Value);

    // Whether a debugger statement waits now.
    bool Busy() const;
    // Closing without asking (the run's end).
    void CloseQuietly();
    // Once attached: tells the target to abort its call (errors ignored),
    // so a run that cannot go on ends.
    void ReleaseTarget();

    int FSessionID = 0;
    qint64 FCurrentOid = -1;
    TStackInfo FStackInfo;
    QStringList FBreak;

    QToolBar *tbrMain = nullptr;
    QToolBar *tbrBreak = nullptr;
    QAction *actExec = nullptr;
    QAction *actNextLine = nullptr;
    QAction *actAnyCall = nullptr;
    QAction *actAnyReturn = nullptr;
    QAction *actAbort = nullptr;
    QToolButton *btnAbort = nullptr;
    QAction *actSetBreakPoint = nullptr;
    QAction *actDeleteBreakPoint = nullptr;
    QAction *actDeleteBreakPointAll = nullptr;
    TtvMemo *txtSource = nullptr;
    QWidget *pnlBottom = nullptr;
    QSplitter *splBottom = nullptr;
    QSplitter *splVariable = nullptr;
    TtvStringGrid *grdVariable = nullptr;
    QPlainTextEdit *txtLog = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildForm();
    void LoadLayout();
    void SaveLayout();
    void EnableActions(bool on);
    // Runs a debugger statement (counted as busy); returns the query, open
    // when the statement returns rows.
    tv::db::Query &Run(const QString &sql, const QList<qint64> &params);
    QString KeyOf(int Row) const;
    void MarkRows();
    // Waits (bounded) for the worker after a failed step; true when the run
    // has ended meanwhile.
    bool RunEnded();

    TfrmExecProc *FExec;
    tv::db::Connection *FConn;
    tv::db::Query *qryDebug = nullptr;
    bool FShown = false;
    bool FClosing = false;
    bool FWatchEdits = true;
};
