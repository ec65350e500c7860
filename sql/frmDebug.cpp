#include "sql/frmDebug.h"

#include "common/ControlStyle.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "controls/tvStringGrid.h"
#include "editor/EditorMargin.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Query.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "sql/frmExecProc.h"
#include "sql/trdExec.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString kLayoutKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\DEBUG");
// How long the debugger waits for the target to announce itself.
constexpr int kAttachWaitMs = 30000;
// How long a failed step waits for the run to end before it counts as a failure.
constexpr int kEndWaitMs = 10000;

// Counts a debugger statement in the execution window while it runs.
class BusyScope {
public:
    BusyScope(TfrmExecProc *exec, TfrmDebug *debug) : FExec(exec) { ++FExec->FDebugBusy; }
    ~BusyScope()
    {
        --FExec->FDebugBusy;
        FExec->PostFinishRun();
    }

private:
    TfrmExecProc *FExec;
};

} // namespace

TfrmDebug::TfrmDebug(TfrmExecProc *AOwner, tv::db::Connection *DebugConnection)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), FExec(AOwner), FConn(DebugConnection)
{
    setObjectName(QStringLiteral("frmDebug"));
    setWindowTitle(QStringLiteral("デバッグ実行"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    BuildForm();
    qryDebug = new tv::db::Query(nullptr);
    FCurrentOid = -1;
    LoadLayout();
}

TfrmDebug::~TfrmDebug()
{
    delete qryDebug;
}

void TfrmDebug::BuildForm()
{
    IMainWindow *main = MainWindow();
    auto img = [main](int i) { return main ? main->ButtonImage(i) : QIcon(); };
    if (main)
        setWindowIcon(main->MainImage(43));
    auto action = [this, &img](const char *name, const QString &caption, const QString &hint, int image) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        a->setIcon(img(image));
        addAction(a);
        return a;
    };
    actExec = action("actExec", QStringLiteral("実行(&E)"), QStringLiteral("継続して実行"), 28);
    actNextLine = action("actNextLine", QStringLiteral("ステップ(&S)"), QStringLiteral("ステップ実行"), 83);
    actAnyCall = action("actAnyCall", QStringLiteral("トレース(&T)"), QStringLiteral("トレース実行"), 84);
    actAnyReturn = action("actAnyReturn", QStringLiteral("戻る(&R)"), QStringLiteral("呼び出し元に戻るまで実行"), 85);
    actAbort = action("actAbort", QStringLiteral("中断(&A)"), QStringLiteral("処理を中断"), 42);
    actSetBreakPoint = action("actSetBreakPoint", QStringLiteral("ブレークポイントを追加"),
                              QStringLiteral("ブレークポイントを追加"), 39);
    actDeleteBreakPoint = action("actDeleteBreakPoint", QStringLiteral("ブレークポイントを解除"),
                                 QStringLiteral("ブレークポイントを解除"), 40);
    actDeleteBreakPointAll = action("actDeleteBreakPointAll", QStringLiteral("すべてのブレークポイントを解除"),
                                    QStringLiteral("すべてのブレークポイントを解除"), 117);
    using tv::ui::Guarded;
    connect(actExec, &QAction::triggered, this, Guarded([this] { actExecExecute(); }));
    connect(actNextLine, &QAction::triggered, this, Guarded([this] { actNextLineExecute(); }));
    connect(actAnyCall, &QAction::triggered, this, Guarded([this] { actAnyCallExecute(); }));
    connect(actAnyReturn, &QAction::triggered, this, Guarded([this] { actAnyReturnExecute(); }));
    connect(actAbort, &QAction::triggered, this, Guarded([this] { actAbortExecute(); }));
    connect(actSetBreakPoint, &QAction::triggered, this, Guarded([this] { actSetBreakPointExecute(); }));
    connect(actDeleteBreakPoint, &QAction::triggered, this, Guarded([this] { actDeleteBreakPointExecute(); }));
    connect(actDeleteBreakPointAll, &QAction::triggered, this, Guarded([this] { actDeleteBreakPointAllExecute(); }));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bars = new QHBoxLayout;
    tbrMain = new QToolBar(this);
    tbrMain->setObjectName(QStringLiteral("tbrMain"));
    tbrMain->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tbrMain->addActions({actExec, actNextLine, actAnyCall, actAnyReturn});
    // The abort action sits on a button of its own caption: a button bound
    // to the action would take the action's caption back whenever the action
    // changes (its enabling follows every step).
    btnAbort = new QToolButton(tbrMain);
    btnAbort->setObjectName(QStringLiteral("btnAbort"));
    btnAbort->setText(QStringLiteral("終了(&X)"));
    btnAbort->setIcon(actAbort->icon());
    btnAbort->setToolTip(actAbort->toolTip());
    btnAbort->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(btnAbort, &QToolButton::clicked, actAbort, &QAction::trigger);
    connect(actAbort, &QAction::changed, btnAbort, [this] { btnAbort->setEnabled(actAbort->isEnabled()); });
    tbrMain->addWidget(btnAbort);
    tbrBreak = new QToolBar(this);
    tbrBreak->setObjectName(QStringLiteral("tbrBreak"));
    tbrBreak->addActions({actSetBreakPoint, actDeleteBreakPoint, actDeleteBreakPointAll});
    bars->addWidget(tbrMain);
    bars->addWidget(tbrBreak);
    bars->addStretch();
    layout->addLayout(bars);

    splBottom = new QSplitter(Qt::Vertical, this);
    splBottom->setObjectName(QStringLiteral("splBottom"));
    txtSource = new TtvMemo(splBottom);
    txtSource->setObjectName(QStringLiteral("txtSource"));
    ApplyControlStyle(txtSource);
    txtSource->SetReadOnly(true);
    txtSource->Margin()->SetLeft(19);
    txtSource->setContextMenuPolicy(Qt::ActionsContextMenu);
    if (main && main->EditorMenu()) {
        for (QAction *a : main->EditorMenu()->actions()) {
            const QString n = a->objectName();
            if (n.contains(QLatin1String("Copy"), Qt::CaseInsensitive) ||
                n.contains(QLatin1String("SelectAll"), Qt::CaseInsensitive))
                txtSource->addAction(a);
        }
    }
    auto *sep = new QAction(txtSource);
    sep->setSeparator(true);
    txtSource->addAction(sep);
    txtSource->addAction(actSetBreakPoint);
    txtSource->addAction(actDeleteBreakPoint);
    txtSource->viewport()->installEventFilter(this);

    pnlBottom = new QWidget(splBottom);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    auto *bottom = new QHBoxLayout(pnlBottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    splVariable = new QSplitter(Qt::Horizontal, pnlBottom);
    grdVariable = new TtvStringGrid(splVariable);
    grdVariable->setObjectName(QStringLiteral("grdVariable"));
    grdVariable->SetColCount(3);
    grdVariable->SetRowCount(1);
    grdVariable->SetFixedRows(1);
    grdVariable->SetFixedCols(0);
    grdVariable->SetCells(0, 0, QStringLiteral("変数名"));
    grdVariable->SetCells(1, 0, QStringLiteral("型"));
    grdVariable->SetCells(2, 0, QStringLiteral("値"));
    grdVariable->SetColWidths(0, 80);
    grdVariable->SetColWidths(1, 100);
    grdVariable->SetColWidths(2, 100);
    grdVariable->SetOptions(grdVariable->Options() | goEditing);
    grdVariable->OnSetEditText = [this](QObject *, int c, int r, const QString &v) {
        // Once the cell editor has closed.
        if (grdVariable->EditorMode())
            tv::ui::PostAction(this, [this, c, r, v] { grdVariableSetEditText(c, r, v); });
        else
            tv::ui::Guard([this, c, r, v] { grdVariableSetEditText(c, r, v); });
    };
    grdVariable->installEventFilter(this);
    txtLog = new QPlainTextEdit(splVariable);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->setReadOnly(true);
    splVariable->addWidget(grdVariable);
    splVariable->addWidget(txtLog);
    splVariable->setSizes({400, 160});
    bottom->addWidget(splVariable);
    layout->addWidget(splBottom, 1);
    resize(640, 520);
    splBottom->setSizes({340, 180});
}

void TfrmDebug::LoadLayout()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    if (!reg.KeyExists(kLayoutKey) || !reg.OpenKeyReadOnly(kLayoutKey))
        return;
    const int state = reg.GetInteger(QStringLiteral("WindowState"), 0);
    const int w = reg.GetInteger(QStringLiteral("Width"), width());
    const int h = reg.GetInteger(QStringLiteral("Height"), height());
    const int bottom = reg.GetInteger(QStringLiteral("BottomHeight"), 180);
    const int log = reg.GetInteger(QStringLiteral("LogWidth"), 160);
    reg.CloseKey();
    resize(std::max(200, w), std::max(150, h));
    if (state == 2)
        setWindowState(Qt::WindowMaximized);
    splBottom->setSizes({std::max(50, h - bottom), std::max(30, bottom)});
    splVariable->setSizes({std::max(50, w - log), std::max(30, log)});
}

void TfrmDebug::SaveLayout()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (!reg.OpenKey(kLayoutKey, true))
            return;
        const bool max = windowState() & Qt::WindowMaximized;
        reg.WriteInteger(QStringLiteral("WindowState"), max ? 2 : 0);
        if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
            reg.WriteInteger(QStringLiteral("Width"), width());
            reg.WriteInteger(QStringLiteral("Height"), height());
        }
        reg.WriteInteger(QStringLiteral("BottomHeight"), pnlBottom->height());
        reg.WriteInteger(QStringLiteral("LogWidth"), txtLog->width());
        reg.CloseKey();
    } catch (...) {
        // A store that cannot be written loses the layout.
    }
}

bool TfrmDebug::Busy() const
{
    return qryDebug->GetConnection() && qryDebug->GetConnection()->Busy();
}

void TfrmDebug::EnableActions(bool on)
{
    for (QAction *a : {actExec, actNextLine, actAnyCall, actAnyReturn, actAbort, actSetBreakPoint, actDeleteBreakPoint,
                       actDeleteBreakPointAll})
        a->setEnabled(on);
    grdVariable->setEnabled(on);
}

tv::db::Query &TfrmDebug::Run(const QString &sql, const QList<qint64> &params)
{
    BusyScope busy(FExec, this);
    qryDebug->Close();
    qryDebug->SetParamParsing(false);
    qryDebug->SetSQL(sql);
    qryDebug->Params().clear();
    int n = 0;
    for (qint64 p : params)
        qryDebug->Params().add(QStringLiteral("p") + QString::number(++n)).Value = QString::number(p);
    EnableActions(false);
    struct Enable {
        TfrmDebug *w;
        ~Enable() { w->EnableActions(true); }
    } enable{this};
    qryDebug->Open();
    return *qryDebug;
}

bool TfrmDebug::AttachTarget()
{
    BusyScope busy(FExec, this);
    // The target announces itself with "PLDBGBREAK:<id>" when it waits for
    // the debugger; a call that ends first has nothing to debug.
    {
        QElapsedTimer t;
        t.start();
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (FExec->FBreakId.load() != 0 || !FExec->Worker() || FExec->Worker()->isFinished() ||
                t.elapsed() >= kAttachWaitMs)
                loop.quit();
        });
        poll.start();
        loop.exec();
    }
    TtrdExec *worker = FExec->Worker();
    if (FExec->FBreakId.load() == 0 && (!worker || worker->isFinished()))
        return false; // the target failed (its own message follows) or completed
    try {
        FConn->Open();
    } catch (const std::exception &) {
    }
    if (!FConn->Connected()) {
        ShowMessageBox(QString::fromUtf8(ExecProc::kDebugConnectFailed), tv::ui::MB_ICONWARNING);
        return false;
    }
    qryDebug->SetConnection(FConn);
    {
        tv::db::Query &q = Run(QStringLiteral("SELECT pg_backend_pid()"), {});
        FExec->FDebugPid = q.Fields(0).AsInteger();
        q.Close();
    }
    QList<qint64> candidates;
    if (const int id = FExec->FBreakId.load()) {
        candidates << id;
    } else {
        // No announcement in time: try every backend id from one above the
        // highest in use down.
        tv::db::Query &q = Run(QStringLiteral("SELECT pg_stat_get_backend_idset() AS backendid ORDER BY backendid DESC"), {});
        const int top = q.Eof() ? 0 : q.Fields(0).AsInteger() + 1;
        q.Close();
        for (int c = top; c > 0; --c)
            candidates << c;
    }
    bool attached = false;
    for (qint64 c : candidates) {
        try {
            tv::db::Query &q = Run(QStringLiteral("SELECT pldbg_attach_to_port($1)"), {c});
            FSessionID = q.Fields(0).AsInteger();
            q.Close();
            attached = true;
            break;
        } catch (const tv::db::DbError &) {
        }
    }
    if (!attached) {
        if (FExec->wExecStatus.load() != esComplete)
            ShowMessageBox(QString::fromUtf8(ExecProc::kDebugConnectFailed), tv::ui::MB_ICONWARNING);
        return false;
    }
    show();
    ShowSource();
    txtSource->SetRowCol(std::max(0, FStackInfo.Line - 1), 0);
    return true;
}

// ---------------------------------------------------------------------------

bool TfrmDebug::RunEnded()
{
    QElapsedTimer t;
    t.start();
    while (FExec->Worker() && !FExec->Worker()->isFinished() && t.elapsed() < kEndWaitMs)
        FExec->WaitWorker(50);
    return !FExec->Worker() || FExec->Worker()->isFinished();
}

void TfrmDebug::ShowStack()
{
    tv::db::Query &q = Run(QStringLiteral("select p.func, p.targetName, p.linenumber, p.args from pldbg_get_stack($1) p"),
                           {FSessionID});
    if (!q.Eof()) {
        FStackInfo.Oid = q.Fields(0).AsInt64();
        FStackInfo.TargetName = q.Fields(1).AsString();
        FStackInfo.Line = q.Fields(2).AsInteger();
        FStackInfo.Args = q.Fields(3).AsString();
    }
    q.Close();
}

QString TfrmDebug::KeyOf(int Row) const
{
    return QString::number(FStackInfo.Oid) + QLatin1Char(':') + QString::number(Row + 1);
}

void TfrmDebug::MarkRows()
{
    const int count = txtSource->Lines()->Count();
    for (int i = 0; i < count; ++i) {
        TRowMarks m = txtSource->ListRowMarks(i);
        m = TRowMarks(m & ~RowMarkBit(rm2));
        if (FBreak.contains(KeyOf(i)))
            m |= RowMarkBit(rm2);
        txtSource->SetListRowMarks(i, m);
    }
    if (FStackInfo.Line >= 1 && FStackInfo.Line <= count)
        txtSource->SetListRowMarks(FStackInfo.Line - 1,
                                   TRowMarks(txtSource->ListRowMarks(FStackInfo.Line - 1) | RowMarkBit(rm1)));
    txtSource->viewport()->update();
}

void TfrmDebug::ShowSource()
{
    ShowStack();
    if (FCurrentOid != FStackInfo.Oid) {
        tv::db::Query &q =
            Run(QStringLiteral("select pldbg_get_source($1, $2) as src from pldbg_get_stack($1) p"),
                {FSessionID, FStackInfo.Oid});
        const QString src = q.Eof() ? QString() : q.Fields(0).AsString();
        q.Close();
        txtSource->Lines()->SetText(src);
    }
    FCurrentOid = FStackInfo.Oid;
    txtSource->setFocus();
    MarkRows();
    ShowVariables();
    txtLog->setPlainText(QStringLiteral("<プログラム実行情報>\nName : ") + FStackInfo.TargetName +
                         QStringLiteral("\nLine : ") + QString::number(FStackInfo.Line) + QStringLiteral("\nArgs : ") +
                         FStackInfo.Args);
}

void TfrmDebug::ShowVariables()
{
    FWatchEdits = false;
    grdVariable->SetRowCount(1);
    tv::db::Query &q = Run(QStringLiteral("SELECT name, varClass, value, pg_catalog.format_type(dtype, NULL) as dtype, "
                                          "isconst FROM pldbg_get_variables($1) ORDER BY varClass"),
                           {FSessionID});
    int row = 1;
    while (!q.Eof()) {
        grdVariable->SetRowCount(row + 1);
        grdVariable->SetCells(0, row, q.Fields(0).AsString());
        grdVariable->SetCells(1, row, q.Fields(3).AsString());
        grdVariable->SetCells(2, row, q.Fields(2).AsString());
        grdVariable->SetObjects(2, row, q.Fields(4).AsString() == QLatin1String("t"));
        ++row;
        q.Next();
    }
    q.Close();
    FWatchEdits = true;
}

void TfrmDebug::ContinueProgram(int BreakFlag)
{
    if (FExec->wExecStatus.load() != esRunning || Busy())
        return;
    const int count = txtSource->Lines()->Count();
    if (FStackInfo.Line >= 1 && FStackInfo.Line <= count) {
        txtSource->SetListRowMarks(FStackInfo.Line - 1,
                                   TRowMarks(txtSource->ListRowMarks(FStackInfo.Line - 1) & ~RowMarkBit(rm1)));
        txtSource->viewport()->update();
    }
    const QString sql = BreakFlag == 2   ? QStringLiteral("SELECT p.linenumber FROM pldbg_step_over($1) p")
                        : BreakFlag == 3 ? QStringLiteral("SELECT p.linenumber FROM pldbg_step_into($1) p")
                                         : QStringLiteral("SELECT p.linenumber FROM pldbg_continue($1) p");
    const qint64 before = FStackInfo.Oid;
    try {
        for (;;) {
            Run(sql, {FSessionID}).Close();
            if (BreakFlag != 1)
                break;
            // "実行" runs on until the target stops in the program it stopped in.
            ShowStack();
            if (FStackInfo.Oid == before)
                break;
        }
        ShowSource();
        txtSource->SetRowCol(std::max(0, FStackInfo.Line - 1), 0);
    } catch (const tv::db::DbError &) {
        // The target has ended (its call completed, failed or was cancelled,
        // and the worker's final cancel ended the wait): nothing to say.
        BusyScope busy(FExec, this);
        if (RunEnded())
            throw tv::SilentAbort{};
        throw;
    }
}

void TfrmDebug::ToggleBreakPoint(int Row)
{
    if (FBreak.contains(KeyOf(Row)))
        actDeleteBreakPointExecute();
    else
        actSetBreakPointExecute();
}

void TfrmDebug::actSetBreakPointExecute()
{
    const int row = txtSource->Row();
    const QString key = KeyOf(row);
    if (FBreak.contains(key) || Busy())
        return;
    try {
        Run(QStringLiteral("SELECT pldbg_set_breakpoint($1 ,$2, $3)"), {FSessionID, FCurrentOid, row + 1}).Close();
    } catch (const tv::db::DbError &) {
        return;
    }
    FBreak << key;
    MarkRows();
}

void TfrmDebug::actDeleteBreakPointExecute()
{
    const int row = txtSource->Row();
    const QString key = KeyOf(row);
    if (!FBreak.contains(key) || Busy())
        return;
    try {
        Run(QStringLiteral("SELECT pldbg_drop_breakpoint($1 ,$2, $3)"), {FSessionID, FCurrentOid, row + 1}).Close();
    } catch (const tv::db::DbError &) {
        return;
    }
    FBreak.removeAll(key);
    MarkRows();
}

void TfrmDebug::actDeleteBreakPointAllExecute()
{
    if (Busy())
        return;
    if (ShowMessageBox(QStringLiteral("すべてのブレークポイントを解除しますか？"),
                       tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) == tv::ui::IDYES) {
        const QString prefix = QString::number(FStackInfo.Oid) + QLatin1Char(':');
        const QStringList keys = FBreak;
        for (const QString &key : keys) {
            if (!key.startsWith(prefix))
                continue;
            const qint64 oid = key.section(QLatin1Char(':'), 0, 0).toLongLong();
            const qint64 line = key.section(QLatin1Char(':'), 1, 1).toLongLong();
            Run(QStringLiteral("SELECT pldbg_drop_breakpoint($1 ,$2, $3)"), {FSessionID, oid, line}).Close();
            FBreak.removeAll(key);
        }
    }
    ShowSource();
}

void TfrmDebug::grdVariableSetEditText(int ACol, int ARow, const QString &Value)
{
    if (!FWatchEdits || ACol != 2 || ARow < 1 || ARow >= grdVariable->RowCount() || Busy())
        return;
    if (!grdVariable->Objects(2, ARow).toBool()) {
        try {
            BusyScope busy(FExec, this);
            qryDebug->Close();
            qryDebug->SetParamParsing(false);
            qryDebug->SetSQL(QStringLiteral("SELECT pldbg_deposit_value($1, $2, $3, $4)"));
            qryDebug->Params().clear();
            qryDebug->Params().add(QStringLiteral("p1")).Value = QString::number(FSessionID);
            qryDebug->Params().add(QStringLiteral("p2")).Value = grdVariable->Cells(0, ARow);
            qryDebug->Params().add(QStringLiteral("p3")).Value = QStringLiteral("-1");
            qryDebug->Params().add(QStringLiteral("p4")).Value = Value;
            qryDebug->Open();
            qryDebug->Close();
        } catch (const tv::db::DbError &e) {
            ShowMessageBox(e.text(), tv::ui::MB_ICONWARNING);
        }
    }
    ShowVariables();
    grdVariable->setFocus();
    grdVariable->MoveCurrent(ACol, std::min(ARow, grdVariable->RowCount() - 1));
}

void TfrmDebug::actAbortExecute()
{
    if (ShowMessageBox(QStringLiteral("デバッグを終了しますか？"),
                       tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
        return;
    if (Busy()) {
        // A step waits while the program runs: stop the program itself.
        FExec->CancelTarget();
        return;
    }
    try {
        Run(QStringLiteral("SELECT pldbg_abort_target($1)"), {FSessionID}).Close();
    } catch (const tv::db::DbError &) {
        // The target may have ended already; the run is released below.
    }
    FExec->AbandonRun();
}

void TfrmDebug::ReleaseTarget()
{
    if (FSessionID == 0 || Busy() || !FConn->Connected())
        return;
    try {
        Run(QStringLiteral("SELECT pldbg_abort_target($1)"), {FSessionID}).Close();
    } catch (const std::exception &) {
    }
}

void TfrmDebug::CloseQuietly()
{
    FClosing = true;
    if (FShown)
        SaveLayout();
    close();
}

void TfrmDebug::closeEvent(QCloseEvent *event)
{
    if (FClosing) {
        event->accept();
        return;
    }
    // The window is not closed directly: closing is the abort.
    event->ignore();
    QTimer::singleShot(0, this, tv::ui::Guarded([this] { actAbortExecute(); }));
}

void TfrmDebug::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (FShown)
        return;
    FShown = true;
}

bool TfrmDebug::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtSource->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton && me->position().x() < txtSource->LeftMargin()) {
            const int rowHeight = std::max(1, txtSource->RowHeight());
            const int row = txtSource->TopRow() + int(me->position().y() - txtSource->TopMargin()) / rowHeight;
            if (row >= 0 && row < txtSource->Lines()->Count()) {
                tv::ui::Guard([this, row] {
                    txtSource->SetRowCol(row, 0);
                    ToggleBreakPoint(row);
                    txtSource->SetSelLength(0);
                });
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
