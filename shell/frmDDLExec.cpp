#include "shell/frmDDLExec.h"

#include "common/ControlStyle.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/WindowBounds.h"
#include "common/tvOption.h"
#include "editor/EditorBracketCollection.h"
#include "editor/EditorColors.h"
#include "editor/EditorStrings.h"
#include "platform/ui/EscapeWatch.h"
#include "editor/EditorViewInfo.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/db/DbError.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/Guard.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString LogKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\LOG");
constexpr int WindowImage = 10;
constexpr qint64 PaceMs = 25;

int g_openCount = 0;

} // namespace

void PlainColours(TtvMemo *memo)
{
    TEditorColors *c = memo->View()->Colors();
    for (TFountainColor *fc : {static_cast<TFountainColor *>(c->Ank()), static_cast<TFountainColor *>(c->Comment()),
                               static_cast<TFountainColor *>(c->DBCS()), static_cast<TFountainColor *>(c->Int()),
                               static_cast<TFountainColor *>(c->Mail()), c->Reserve(),
                               static_cast<TFountainColor *>(c->Str()), static_cast<TFountainColor *>(c->Symbol()),
                               static_cast<TFountainColor *>(c->Url())}) {
        if (!fc)
            continue;
        fc->SetColor(clNone);
        fc->SetBkColor(clNone);
        fc->SetStyle(0);
    }
    memo->View()->Brackets()->Clear();
}

TfrmDDLExec::TfrmDDLExec(IConnectionWindow *AOwner) : FOwner(AOwner), FOwnerWidget(AOwner->FormWidget())
{
    setObjectName(QStringLiteral("frmDDLExec"));
    setWindowTitle(QStringLiteral("スクリプト実行"));
    setModal(false);
    resize(560, 420);
    // Its close button stops the run while a statement goes on.
    tv::ui::SetLiveWhileBusy(this);

    txtLog = new TtvMemo(this);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    // The user's editor settings (font, caret, margins, context menu), but
    // plain colours: the colouring of the settings is undone afterwards.
    ApplyControlStyle(txtLog);
    PlainColours(txtLog);
    txtLog->SetReadOnly(true);

    chkErrorStop = new QCheckBox(QStringLiteral("エラー発生時に処理を中断する"), this);
    chkErrorStop->setObjectName(QStringLiteral("chkErrorStop"));
    chkErrorStop->setChecked(true);
    btnOK = new QPushButton(QStringLiteral("継続(&U)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setEnabled(false);
    btnOK->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("中止(&A)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(chkErrorStop);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtLog, 1);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnOKClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, [this] { close(); });

    if (IMainWindow *main = MainWindow()) {
        setWindowIcon(main->MainImage(WindowImage));
        FMainWidget = main->MainWidget();
    }
    ++g_openCount;
}

TfrmDDLExec::~TfrmDDLExec()
{
    if (!FClosed) {
        // Freed without being closed (the program ends): the main window
        // must not stay disabled.
        FClosed = true;
        --g_openCount;
        if (FMainWidget) {
            FMainWidget->unsetCursor();
            FMainWidget->setEnabled(true);
        }
    }
}

int TfrmDDLExec::OpenCount()
{
    return g_openCount;
}

int TfrmDDLExec::ShowWindow(IConnectionWindow *AOwner, QStringList &ASQL, bool NoContinue, bool RolledBackOnError)
{
    auto *dlg = new TfrmDDLExec(AOwner);
    dlg->FNoContinue = NoContinue;
    dlg->FRolledBackOnError = RolledBackOnError;
    if (dlg->FMainWidget) {
        dlg->FMainWidget->setCursor(Qt::WaitCursor);
        dlg->FMainWidget->setEnabled(false);
    }
    dlg->LoadPosition();
    dlg->show();

    // From here on the dialog outlives this call when it stays open: the
    // statements left over move into the dialog for "継続(&U)", and the
    // caller's list keeps them too.
    auto detach = [dlg] {
        if (dlg->FClosed) {
            dlg->FSQL = &dlg->FRest;
            dlg->deleteLater();
        } else {
            dlg->FRest = *dlg->FSQL;
            dlg->FSQL = &dlg->FRest;
        }
    };
    dlg->FSQL = &ASQL;
    try {
        dlg->RunScript();
    } catch (...) {
        detach();
        throw;
    }
    const int errors = dlg->FErrorCount;
    detach();
    return errors;
}

void TfrmDDLExec::WaitProc()
{
    while (g_openCount > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

QStringList TfrmDDLExec::TakeStatement(QStringList &script)
{
    QStringList statement;
    while (!script.isEmpty()) {
        QString line = script.takeFirst();
        if (line == QLatin1String(";")) {
            bool blank = true;
            for (const QString &l : std::as_const(statement))
                blank = blank && l.trimmed().isEmpty();
            if (!blank)
                return statement;
            statement.clear();
            continue;
        }
        statement.append(std::move(line));
    }
    for (const QString &l : std::as_const(statement))
        if (!l.trimmed().isEmpty())
            return statement;
    return {};
}

void TfrmDDLExec::RunScript()
{
    struct Depth {
        int &d;
        explicit Depth(int &v) : d(v) { ++d; }
        ~Depth() { --d; }
    } depth(FRunning);
    // However the run ends, the memo holds every line logged.
    struct Flush {
        TfrmDDLExec *d;
        ~Flush()
        {
            try {
                d->FlushLog();
            } catch (...) {
            }
        }
    } flush{this};

    btnOK->setEnabled(false);
    while (!FSQL->isEmpty()) {
        if (FClosed || !FOwnerWidget)
            throw tv::SilentAbort();
        const QStringList statement = TakeStatement(*FSQL);
        if (statement.isEmpty())
            break;
        for (const QString &line : statement)
            AddLog(line);
        if (FClosed || !FOwnerWidget) {
            // Stopped before this statement ran: it stays with the others.
            FSQL->prepend(QStringLiteral(";"));
            for (qsizetype i = statement.size() - 1; i >= 0; --i)
                FSQL->prepend(statement.at(i));
            throw tv::SilentAbort();
        }
        FlushLog();
        bool lost = false;
        try {
            tv::db::StatementSavepoint savepoint(FOwner->dbsMain());
            FOwner->ExecuteSQL(statement.join(QLatin1Char('\n')));
            savepoint.release();
        } catch (const tv::Error &e) {
            if (const auto *db = dynamic_cast<const tv::db::DbError *>(&e))
                lost = db->connectionLost();
            ++FErrorCount;
            if (FClosed)
                throw tv::SilentAbort();
            AddLog(QStringLiteral("《エラー》"));
            AddLogLines(e.text());
            AddLog(QString());
            if (chkErrorStop->isChecked() || lost) {
                FlushLog(); // the log takes the focus as it grows: the button after it
                // A lost connection ends the run whatever the switch says:
                // every further statement would fail the same way.
                btnOK->setEnabled(!lost && !FNoContinue);
                if (!lost && !FNoContinue)
                    btnOK->setFocus();
                ProcessMessages();
                throw tv::SilentAbort();
            }
            continue;
        }
        if (FClosed)
            throw tv::SilentAbort();
        // In a run that the caller rolls back after a failure, what
        // succeeds after one does not stay either.
        const bool undone = FRolledBackOnError && FErrorCount > 0;
        AddLog(undone ? QStringLiteral("《正常終了（ロールバックされます）》") : QStringLiteral("《正常終了》"));
        AddLog(QString());
    }
    if (FClosed)
        throw tv::SilentAbort();

    AddLog(QStringLiteral("スクリプト実行が完了しました。"));
    AddLog(QStringLiteral("エラー: %1 件").arg(FErrorCount));
    if (FRolledBackOnError && FErrorCount > 0)
        AddLog(QStringLiteral("エラーが発生したため、すべての処理をロールバックしました。"));
    FlushLog();
    btnCancel->setText(QStringLiteral("終了(&X)"));
    btnCancel->setFocus();
    FEndProc = true;
    ProcessMessages();
    if (FClosed)
        return;
    if (FErrorCount == 0 && tvOption.CloseDDL)
        close();
}

void TfrmDDLExec::btnOKClick()
{
    // The caller has rolled back and returned by now: these statements run
    // on the same connection without its transaction, and what succeeds
    // stays.
    FRolledBackOnError = false;
    try {
        RunScript();
    } catch (...) {
        if (FClosed && FRunning == 0)
            deleteLater();
        throw;
    }
    if (FClosed && FRunning == 0)
        deleteLater();
}

void TfrmDDLExec::AddLog(const QString &line)
{
    if (FClosed)
        return;
    FPendingLog.append(line);
    // Window messages are processed at a steady pace rather than after every
    // line: the dialog repaints and its buttons answer within a frame, and a
    // long script is not held up by painting each line.
    if (!FPace.isValid() || FPace.elapsed() >= PaceMs)
        ProcessMessages();
}

void TfrmDDLExec::FlushLog()
{
    if (FPendingLog.isEmpty())
        return;
    QStringList lines;
    lines.swap(FPendingLog);
    if (FClosed)
        return;
    txtLog->setFocus();
    // One change of the memo for all of them (each change moves the caret
    // and reparses the end of the text); a line holding a line break of its
    // own is added alone, as it always was.
    bool plain = true;
    for (const QString &l : std::as_const(lines))
        plain = plain && !l.contains(QLatin1Char('\r')) && !l.contains(QLatin1Char('\n'));
    if (plain) {
        txtLog->Lines()->Add(lines.join(QLatin1String("\r\n")));
        return;
    }
    for (const QString &l : std::as_const(lines))
        txtLog->Lines()->Add(l);
}

void TfrmDDLExec::ProcessMessages()
{
    FlushLog();
    // The run is work under way: the dialog's own buttons answer, Esc is the
    // run's, and other windows wait for it.
    tv::ui::PumpWhileBusy(0);
    FPace.restart();
}

void TfrmDDLExec::AddLogLines(const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        AddLog(line);
    }
}

bool TfrmDDLExec::QueryClose()
{
    if (FClosed)
        return true;
    if (!FEndProc &&
        ShowMessageBox(QStringLiteral("処理を中断しますか？"),
                       tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
        return false;
    return true;
}

void TfrmDDLExec::CloseDialog()
{
    if (FClosed)
        return;
    FEndProc = true;
    FClosed = true;
    --g_openCount;
    if (FMainWidget) {
        FMainWidget->unsetCursor();
        FMainWidget->setEnabled(true);
    }
    tv::ui::Guard([this] { SavePosition(); });
    // A run on the stack frees the dialog when it has unwound.
    if (FRunning == 0)
        deleteLater();
}

void TfrmDDLExec::closeEvent(QCloseEvent *e)
{
    if (!QueryClose()) {
        e->ignore();
        return;
    }
    CloseDialog();
    e->accept();
}

void TfrmDDLExec::reject()
{
    close();
}

void TfrmDDLExec::LoadPosition()
{
    LoadWindowBounds(*this, LogKey);
}

void TfrmDDLExec::SavePosition()
{
    SaveWindowBounds(*this, LogKey);
}
