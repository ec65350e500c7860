#include "sql/trdExec.h"

#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Query.h"
#include "sql/frmExecProc.h"

#include <libpq-fe.h>

namespace {
const QString kQueryCanceled = QStringLiteral("57014");
} // namespace

TtrdExec::TtrdExec(TfrmExecProc *OwnerForm, tv::db::Connection *Target, tv::db::Query *QueryExec, qint64 Oid,
                   const QString &SearchPath)
    : FOwner(OwnerForm), FTarget(Target), FQueryExec(QueryExec), FOid(Oid), FSearchPath(SearchPath)
{
    FOwner->wExecStatus = esNone;
}

TtrdExec::~TtrdExec()
{
    wait();
    if (FCancel)
        PQfreeCancel(FCancel);
}

void TtrdExec::CancelTarget()
{
    QMutexLocker lock(&FCancelLock);
    if (FCancel) {
        char buf[256];
        PQcancel(FCancel, buf, sizeof buf);
    }
}

void TtrdExec::run()
{
    try {
        Execute();
    } catch (const tv::SilentAbort &) {
        FOwner->wExecStatus = esError;
    } catch (const std::exception &e) {
        FOwner->SetDebugErrorMessage(QString::fromStdString(e.what()));
        FOwner->wExecStatus = esError;
    } catch (...) {
        FOwner->wExecStatus = esError;
    }
}

void TtrdExec::Execute()
{
    FOwner->SetDebugErrorMessage(QString());
    try {
        FTarget->Open();
    } catch (const std::exception &) {
    }
    if (!FTarget->Connected()) {
        FOwner->SetDebugErrorMessage(QString::fromUtf8(ExecProc::kDebugConnectFailed));
        throw tv::SilentAbort{};
    }
    {
        QMutexLocker lock(&FCancelLock);
        if (FCancel)
            PQfreeCancel(FCancel);
        FCancel = PQgetCancel(FTarget->handle());
    }
    FTargetPid = FTarget->BackendPid();
    FQueryExec->SetConnection(FTarget);
    tv::db::Query q(FTarget);
    q.SetParamParsing(false);
    q.SetSQL(QStringLiteral("SET statement_timeout TO 86400000"));
    q.ExecSQL();
    q.SetParamParsing(true);

    q.SetSQL(QStringLiteral("SELECT plpgsql_oid_debug(:OID)"));
    q.ParamByName(QStringLiteral("OID")).setAsInt64(FOid);
    try {
        q.Open();
    } catch (const tv::db::DbError &e) {
        q.Close();
        // Gone from the catalog (dropped or created again under a new oid),
        // or not ours to debug.
        bool exists = true;
        try {
            q.SetSQL(QStringLiteral("SELECT 1 FROM pg_proc WHERE oid = :OID"));
            q.ParamByName(QStringLiteral("OID")).setAsInt64(FOid);
            q.Open();
            exists = !q.Eof();
            q.Close();
        } catch (const std::exception &) {
        }
        FOwner->SetDebugErrorMessage(exists ? QString::fromUtf8(ExecProc::kDebugNoRight) + QStringLiteral("\r\n") +
                                                  e.text()
                                            : QString::fromUtf8(ExecProc::kDebugNotFound));
        FOwner->wExecStatus = esError;
        return;
    }
    q.Close();
    q.SetParamParsing(false);
    q.SetSQL(FSearchPath);
    q.ExecSQL();

    FOwner->wExecStatus = esRunning;
    try {
        if (FQueryExec->SQL().left(5).toUpper() == QLatin1String("DO $$") ||
            FQueryExec->SQL().startsWith(QLatin1String("DO "), Qt::CaseInsensitive))
            FQueryExec->ExecSQL();
        else
            FQueryExec->Open();
        FOwner->wExecStatus = esComplete;
    } catch (const tv::db::DbError &e) {
        if (e.sqlState() == kQueryCanceled) {
            FOwner->wExecStatus = esCancel;
        } else {
            FOwner->SetDebugErrorMessage(e.text());
            FOwner->wExecStatus = esError;
        }
    }

    // Ends what the debugger's session may still wait for.
    if (const int pid = FOwner->FDebugPid.load()) {
        try {
            q.SetParamParsing(true);
            q.SetSQL(QStringLiteral("SELECT pg_cancel_backend(:PID)"));
            q.ParamByName(QStringLiteral("PID")).setAsInteger(pid);
            q.Open();
        } catch (const std::exception &) {
        }
        q.Close();
    }
}
