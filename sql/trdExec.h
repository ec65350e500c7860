#pragma once
// TtrdExec: the worker thread of a debug run. It opens the target session
// (the connection window's dbsBG), marks the program for the debugger, runs
// the call (which the server holds while the debugger drives it) and at the
// end cancels whatever the debugger's session still waits for. It touches no
// widget and shows nothing: its outcome is the owner's status and error text,
// read once the thread has been joined; the notice "PLDBGBREAK:<id>" that the
// target sends when it waits for the debugger is handed over at once.
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>

typedef struct pg_cancel PGcancel;
class TfrmExecProc;

namespace tv::db {
class Connection;
class Query;
} // namespace tv::db

class TtrdExec : public QThread {
    Q_OBJECT
public:
    // Target: the session the call runs on (unused by any other thread until
    // the worker has been joined); QueryExec holds the call. SearchPath: the
    // statement that sets the session's schema.
    TtrdExec(TfrmExecProc *OwnerForm, tv::db::Connection *Target, tv::db::Query *QueryExec, qint64 Oid,
             const QString &SearchPath);
    ~TtrdExec() override;

    // Cancels the statement running on the target session (any thread).
    void CancelTarget();
    // Server process id of the target session; 0 before it is connected.
    int TargetPid() const { return FTargetPid.load(); }

protected:
    void run() override;

private:
    void Execute();

    TfrmExecProc *FOwner;
    tv::db::Connection *FTarget;
    tv::db::Query *FQueryExec;
    qint64 FOid;
    QString FSearchPath;
    QMutex FCancelLock;
    PGcancel *FCancel = nullptr;
    std::atomic<int> FTargetPid{0};
};
