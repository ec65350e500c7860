#pragma once
// TfrmExecProc: runs one stored function, procedure or package member. The
// arguments are listed as a tree; the user types a value (SQL text) for each,
// "実行(&E)" builds the call, runs it on the connection's main session and
// lists the result and the parameter values; "&DEBUG" runs the same call
// under the PL/pgSQL debugger (TtrdExec holds the call on the connection
// window's dbsBG, TfrmDebug drives it on dbsBG2).
//
// A debug run: the worker thread touches no widget; it reports through the
// atomic status, the locked error text and queued calls. The run ends in
// EndExecSQL, once, in this thread, after the worker has been joined and
// never while a debugger statement is waiting (FDebugBusy).
#include "common/tvForm.h"
#include "sql/ExecProcModel.h"

#include <QMutex>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSplitter;
class QToolButton;
class QWidget;
class TfrmDebug;
class TtvToolBar;
class TtrdExec;
class TtvTreeNode;
class TtvTreeView;
struct TLaunchContext;

namespace tv::db {
class Connection;
class Query;
} // namespace tv::db

class TfrmExecProc : public TtvForm {
    Q_OBJECT
public:
    // AOwner: the connection window. Raises tv::SilentAbort when a window for
    // the same program is open (that one comes forward) or the program cannot
    // be run here (after saying why).
    TfrmExecProc(QObject *AOwner, const QString &Schema, const QString &ObjectName, int ObjectType, qint64 p_intOID,
                 bool p_bPLPGSQL);
    ~TfrmExecProc() override;

    // Registers the launcher "TfrmExecProc" (program from the context).
    static void RegisterLauncher();
    static QWidget *Open(const TLaunchContext &c);

    void btnExecClick();
    void btnDebugClick();
    void btnExitClick();
    // Ends a run (plain or debug): main window enabled, debugger closed,
    // output written, completion reported, debugger sessions closed.
    void EndExecSQL();

    void LoadSubPrograms();
    void LoadArguments();
    // Type name, array flag and attribute rows (type oid, name, kind) of a type.
    struct TItemInfDtl {
        qint64 intOID = 0;
        QString strItemNm;
        QString strTypKind;
    };
    bool ResolveArgumentType(qint64 Oid, QString &TypeName, bool &IsArray, std::vector<TItemInfDtl> &Items);
    QString GetArgumentTypeList(qint64 Oid);
    // The tree as the statement builder sees it, and the call for it.
    std::vector<TExecNode> Nodes() const;
    TExecTarget Target() const;
    QStringList BuildCallStatement();

    // TtvForm
    void LoadSettings() override;
    void SaveSettings() override;
    void FormKeyDown(QObject *Sender, int &Key, Qt::KeyboardModifiers Shift) override;

    // --- shared with the debug worker and the debugger window ---
    std::atomic<TExecStatus> wExecStatus{esNone};
    std::atomic<int> FDebugPid{0};
    // The id the target announced with "PLDBGBREAK:<id>"; 0 before.
    std::atomic<int> FBreakId{0};
    QString DebugErrorMessage() const;
    void SetDebugErrorMessage(const QString &text);
    QPointer<TfrmDebug> FDebug;
    // Debugger statements (and the attach wait) in progress; while above 0
    // the end of the run waits.
    int FDebugBusy = 0;
    // The worker of the current debug run (null when none runs).
    TtrdExec *Worker() const { return FThread.get(); }
    bool RunActive() const { return FThread != nullptr; }
    // Whether the worker has ended; waits up to `ms` with events flowing.
    bool WaitWorker(int ms);
    // Cancels the held call (PQcancel of the target session).
    void CancelTarget();
    // Releases a debug run that cannot go on: cancels the call, waits for the
    // worker (ending the target's session when it does not end) and lets
    // the run end.
    void AbandonRun();
    // Ends the run when the worker has ended and no debugger statement waits.
    void TryFinishRun();
    void PostFinishRun();

    // Controls.
    TtvToolBar *tbrMain = nullptr;
    QToolButton *btnExec = nullptr;
    QToolButton *btnDebug = nullptr;
    QToolButton *btnExit = nullptr;
    QComboBox *cmbSchema = nullptr;
    QLineEdit *txtName = nullptr;
    QWidget *pnlSubProgram = nullptr;
    QComboBox *cmbSubProgram = nullptr;
    TtvTreeView *lstParam = nullptr;
    QLineEdit *txtParam = nullptr;
    QSplitter *splOutput = nullptr;
    QPlainTextEdit *txtOutput = nullptr;
    tv::db::Query *qryArgument = nullptr;
    tv::db::Query *qryExec = nullptr;
    tv::db::Query *qryDebug = nullptr;

    int FObjType = 0;
    int FSubObjType = -1;
    qint64 L_intOID = -1;
    QString L_strTypLst;
    TtvTreeNode *FPreNode = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildForm();
    void lstParamChange(TtvTreeNode *Node);
    void PlaceEditBox();
    void StoreEditValue();
    void SelectNeighbour(int Delta);
    ExecProc::TResultRows TakeRows();
    void EnableMain(bool on);
    // Ends the target's server session (a held target takes no cancel).
    void TerminateTarget();
    // Ends the worker's call however it waits; waitWorker(ms) tells whether
    // the worker has ended within ms.
    void ReleaseRun(const std::function<bool(int)> &waitWorker);

    QString FDebugErrorMessage;
    mutable QMutex FLock;
    std::unique_ptr<tv::db::Connection> FTargetConn;
    std::unique_ptr<TtrdExec> FThread;
    bool FEndPending = false;
    bool FEnding = false;
    bool FDestroying = false;
};
