#include "tools/frmDBTest.h"

#include "common/DBTestOption.h"
#include "common/Globals.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "controls/tvNumEdit.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "controls/tvStringGrid.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/excel/Workbook.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "sql/frmMemo.h"
#include "tools/DBTestScript.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QMutexLocker>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

using namespace tv::ui;

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QString ErrorText(const std::exception &e)
{
    if (auto *t = dynamic_cast<const tv::Error *>(&e))
        return t->text();
    return QString::fromLocal8Bit(e.what());
}

} // namespace

// ---------------------------------------------------------------------------
// A session

TtvThread::TtvThread(TfrmDBTest *Owner, std::shared_ptr<TDBTestRun> Run, int Index)
    : FOwner(Owner), FRun(std::move(Run)), FIndex(Index)
{
}

void TtvThread::run()
{
    TDBTestRun &r = *FRun;
    TfrmDBTest *owner = FOwner.data();
    auto handOver = [owner](const char *method, int index = -1) {
        if (!owner)
            return;
        if (index < 0)
            QMetaObject::invokeMethod(owner, method, Qt::BlockingQueuedConnection);
        else
            QMetaObject::invokeMethod(owner, method, Qt::BlockingQueuedConnection, Q_ARG(int, index));
    };
    {
        std::unique_ptr<tv::db::Connection> conn;
        bool ready = false;
        // The cancel requests seen when the running statement began: a
        // later one cancels it, the next statement runs as usual.
        auto seen = std::make_shared<std::atomic<int>>(r.Cancel.load());
        try {
            conn = std::make_unique<tv::db::Connection>(r.Params);
            const std::shared_ptr<TDBTestRun> run = FRun;
            conn->SetCancelCheck([run, seen] { return run->Cancel.load() != seen->load() || run->Stop.load(); });
            if (!r.Stop.load()) {
                if (r.Started.load() - r.DoneCount.load() > 5) {
                    QMutexLocker lock(&r.OpenLock);
                    if (!r.Stop.load())
                        conn->Open();
                } else {
                    conn->Open();
                }
                ready = conn->Connected();
            }
        } catch (...) {
            handOver("ReportError");
        }
        if (ready) {
            for (int i = 0; i < r.Commands.size(); ++i) {
                if (r.Stop.load())
                    break;
                const QString &cell = r.Commands[i];
                if (cell.trimmed().isEmpty())
                    continue;
                seen->store(r.Cancel.load());
                try {
                    tv::db::Query q(conn.get());
                    q.SetParamParsing(false);
                    q.SetSQL(SessionCommandText(cell));
                    q.Prepare();
                    if (q.ReturnsRows())
                        q.Open();
                    else
                        q.ExecSQL();
                    q.Close();
                } catch (const std::exception &e) {
                    bool first = false;
                    {
                        QMutexLocker lock(&r.ErrorLock);
                        if (r.FirstError.isEmpty()) {
                            r.FirstError = QStringLiteral("コマンドNO:") + QString::number(i + 1) +
                                           QStringLiteral("\r\n") + ErrorText(e);
                            first = true;
                        }
                    }
                    if (first)
                        handOver("ReportError");
                } catch (...) {
                }
            }
        }
        // The connection ends here, in its own thread.
        try {
            conn.reset();
        } catch (...) {
        }
    }
    handOver("Finish", FIndex);
}

// ---------------------------------------------------------------------------
// The window

TfrmDBTest::TfrmDBTest(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmDBTest"))
{
    setObjectName(QStringLiteral("frmDBTest"));
    resize(640, 560);
    FClock.start();

    actExec = new QAction(QStringLiteral("実行(&E)"), this);
    actExec->setObjectName(QStringLiteral("actExec"));
    connect(actExec, &QAction::triggered, this, Guarded([this] { actExecExecute(); }));
    tolCmd->addAction(actExec);
    btnOutput = new QToolButton(tolCmd);
    btnOutput->setObjectName(QStringLiteral("btnOutput"));
    btnOutput->setText(QStringLiteral("出力(&O)"));
    btnOutput->setPopupMode(QToolButton::InstantPopup);
    mnuOutput = new QMenu(btnOutput);
    mnuOutputScript = mnuOutput->addAction(QStringLiteral("実行コマンドのスクリプト出力(&S)"));
    mnuOutputScript->setObjectName(QStringLiteral("mnuOutputScript"));
    mnuOutputExcel = mnuOutput->addAction(QStringLiteral("実行結果のEXCEL出力(&R)"));
    mnuOutputExcel->setObjectName(QStringLiteral("mnuOutputExcel"));
    btnOutput->setMenu(mnuOutput);
    tolCmd->addWidget(btnOutput);
    connect(mnuOutputScript, &QAction::triggered, this, Guarded([this] { mnuOutputScriptClick(); }));
    connect(mnuOutputExcel, &QAction::triggered, this, Guarded([this] { mnuOutputExcelClick(); }));
    tolCmd->addAction(actExit);
    AddDBNamePanel();

    pagMain = new QTabWidget(this);
    pagMain->setObjectName(QStringLiteral("pagMain"));
    layout()->addWidget(pagMain);

    // --- 設定
    tabSetting = new QWidget(pagMain);
    tabSetting->setObjectName(QStringLiteral("tabSetting"));
    pagMain->addTab(tabSetting, QStringLiteral("設定"));
    auto *setLay = new QVBoxLayout(tabSetting);
    pnlSetting = new QWidget(tabSetting);
    pnlSetting->setObjectName(QStringLiteral("pnlSetting"));
    auto *grid = new QGridLayout(pnlSetting);
    auto *lblSes = new QLabel(QStringLiteral("同時接続数"), pnlSetting);
    txtSesCount = new TtvNumEdit(pnlSetting);
    txtSesCount->setObjectName(QStringLiteral("txtSesCount"));
    auto *lblTime = new QLabel(QStringLiteral("接続間隔"), pnlSetting);
    spnTime = new QSpinBox(pnlSetting);
    spnTime->setObjectName(QStringLiteral("spnTime"));
    spnTime->setRange(0, 1000);
    spnTime->setSuffix(QStringLiteral(" 秒"));
    grid->addWidget(lblSes, 0, 0);
    grid->addWidget(txtSesCount, 0, 1);
    grid->addWidget(lblTime, 1, 0);
    grid->addWidget(spnTime, 1, 1);
    rdoUserID = new TtvRadioGroup(QStringLiteral(" 接続ユーザーID "),
                                  {QStringLiteral("現行ユーザーIDを使用"), QStringLiteral("ユーザーIDを指定")}, 1,
                                  pnlSetting);
    rdoUserID->setObjectName(QStringLiteral("rdoUserID"));
    grid->addWidget(rdoUserID, 0, 2, 2, 1);
    lblUserID = new QLabel(QStringLiteral("(ユーザーID)"), pnlSetting);
    lblUserID->setObjectName(QStringLiteral("lblUserID"));
    txtUserID = new TtvStrEdit(pnlSetting);
    txtUserID->setObjectName(QStringLiteral("txtUserID"));
    lblPassword = new QLabel(QStringLiteral("(パスワード)"), pnlSetting);
    lblPassword->setObjectName(QStringLiteral("lblPassword"));
    txtPassword = new TtvStrEdit(pnlSetting);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    grid->addWidget(lblUserID, 0, 3);
    grid->addWidget(txtUserID, 0, 4);
    grid->addWidget(lblPassword, 1, 3);
    grid->addWidget(txtPassword, 1, 4);
    setLay->addWidget(pnlSetting);

    tolCommand = new QWidget(tabSetting);
    tolCommand->setObjectName(QStringLiteral("tolCommand"));
    auto *cmdLay = new QHBoxLayout(tolCommand);
    cmdLay->setContentsMargins(0, 0, 5, 0);
    auto button = [this](const char *name, const QString &text) {
        auto *b = new QToolButton(tolCommand);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setToolTip(text);
        tolCommand->layout()->addWidget(b);
        return b;
    };
    btnInsert = button("btnInsert", QStringLiteral("行の追加"));
    btnDelete = button("btnDelete", QStringLiteral("行の削除"));
    btnTrace = button("btnTrace", QStringLiteral("スクリプト読み込み"));
    btnClear = button("btnClear", QStringLiteral("すべての行を削除"));
    cmdLay->addStretch();
    chkError = new QCheckBox(QStringLiteral("エラーを無視する"), tolCommand);
    chkError->setObjectName(QStringLiteral("chkError"));
    cmdLay->addWidget(chkError);
    setLay->addWidget(tolCommand);

    splExec = new QSplitter(Qt::Vertical, tabSetting);
    splExec->setObjectName(QStringLiteral("splExec"));
    grdCommand = new TtvStringGrid(splExec);
    grdCommand->setObjectName(QStringLiteral("grdCommand"));
    grdCommand->SetColCount(2);
    grdCommand->SetRowCount(2);
    grdCommand->SetFixedRows(1);
    grdCommand->SetFixedCols(1);
    grdCommand->SetColWidths(0, 38);
    grdCommand->SetColWidths(1, 400);
    grdCommand->SetCells(0, 0, QStringLiteral("NO"));
    grdCommand->SetCells(1, 0, QStringLiteral("コマンド"));
    grdCommand->SetGridMode(geAccess);
    grdCommand->SetEditStyles(1, geEllipsis);
    grdCommand->SetOptions(grdCommand->Options() | goEditing);
    grdCommand->OnSetEditText = [this](QObject *, int c, int r, const QString &v) {
        Guard([&] { grdCommandSetEditText(c, r, v); });
    };
    grdCommand->OnEditButtonClick = [this](QObject *) { Guard([&] { grdCommandEditButtonClick(); }); };
    pnlExec = new QWidget(splExec);
    pnlExec->setObjectName(QStringLiteral("pnlExec"));
    auto *execLay = new QVBoxLayout(pnlExec);
    execLay->setContentsMargins(0, 0, 0, 0);
    txtLog = new TtvMemo(pnlExec);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->SetReadOnly(true);
    txtLog->Ruler()->SetVisible(false);
    txtLog->SetScrollBars(ssNone);
    execLay->addWidget(txtLog, 1);
    auto *cancelRow = new QHBoxLayout;
    pgsProc = new QProgressBar(pnlExec);
    pgsProc->setObjectName(QStringLiteral("pgsProc"));
    pgsProc->setRange(0, 100);
    btnCancel = new QPushButton(QStringLiteral("中止(&A)"), pnlExec);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    cancelRow->addWidget(pgsProc, 1);
    cancelRow->addWidget(btnCancel);
    execLay->addLayout(cancelRow);
    splExec->addWidget(grdCommand);
    splExec->addWidget(pnlExec);
    setLay->addWidget(splExec, 1);
    connect(btnCancel, &QPushButton::clicked, this, Guarded([this] { btnCancelClick(); }));

    // --- 結果
    tabResult = new QWidget(pagMain);
    tabResult->setObjectName(QStringLiteral("tabResult"));
    pagMain->addTab(tabResult, QStringLiteral("結果"));
    auto *resLay = new QVBoxLayout(tabResult);
    auto *chart = new QChart;
    serDone = new QLineSeries(chart);
    serDone->setName(QStringLiteral("処理完了数"));
    serDone->setPen(QPen(Qt::black, 1));
    serDone->setPointsVisible(true);
    serDone->setMarkerSize(2);
    chart->addSeries(serDone);
    axsX = new QValueAxis(chart);
    axsX->setTitleText(QStringLiteral("経過時間"));
    axsX->setLabelFormat(QStringLiteral("%d"));
    axsY = new QValueAxis(chart);
    axsY->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(axsX, Qt::AlignBottom);
    chart->addAxis(axsY, Qt::AlignLeft);
    serDone->attachAxis(axsX);
    serDone->attachAxis(axsY);
    chtPerform = new QChartView(chart, tabResult);
    chtPerform->setObjectName(QStringLiteral("chtPerform"));
    resLay->addWidget(chtPerform);

    connect(btnInsert, &QToolButton::clicked, this, Guarded([this] { btnInsertClick(); }));
    connect(btnDelete, &QToolButton::clicked, this, Guarded([this] { btnDeleteClick(); }));
    connect(btnTrace, &QToolButton::clicked, this, Guarded([this] { btnTraceClick(); }));
    connect(btnClear, &QToolButton::clicked, this, Guarded([this] { btnClearClick(); }));
    connect(rdoUserID, &TtvRadioGroup::Clicked, this, [this](int) { rdoUserIDClick(); });

    TimerSession = new QTimer(this);
    TimerSession->setObjectName(QStringLiteral("TimerSession"));
    connect(TimerSession, &QTimer::timeout, this, Guarded([this] { TimerSessionTimer(); }));
    TimerStat = new QTimer(this);
    TimerStat->setObjectName(QStringLiteral("TimerStat"));
    TimerStat->setInterval(1000);
    connect(TimerStat, &QTimer::timeout, this, Guarded([this] { TimerStatTimer(); }));
    // The update handler of the actions, run while the program is idle.
    auto *update = new QTimer(this);
    update->setInterval(100);
    connect(update, &QTimer::timeout, this, [this] { actExecUpdate(); });
    update->start();

    // 3. The settings.
    const TDBTestOption &o = DBTestOption;
    txtSesCount->SetText(QString::number(o.Session));
    spnTime->setValue(qBound(0, o.SpanTime, 1000));
    if (!o.UserId.trimmed().isEmpty()) {
        rdoUserID->SetItemIndex(1);
        txtUserID->SetText(o.UserId);
        txtPassword->SetText(o.Password);
    } else {
        rdoUserID->SetItemIndex(0);
    }
    chkError->setChecked(o.Error);
    // 6, 7.
    rdoUserIDClick();
    pnlExec->hide();
    splExec->handle(1)->setEnabled(false);
    actExecUpdate();
}

TfrmDBTest::~TfrmDBTest()
{
    StopAndWait();
}

QString TfrmDBTest::CaptionOf(IConnectionWindow *Form)
{
    if (!Form)
        return QString();
    const tv::db::ConnectionParams &p = Form->dbsMain().Params();
    return QStringLiteral("DB負荷テスト - ") + p.User_Name + QStringLiteral(" @ ") + p.Database;
}

TfrmDBTest *TfrmDBTest::Create(IConnectionWindow *AOwner)
{
    if (!AOwner)
        return nullptr;
    IMainWindow *m = MainWindow();
    if (m) {
        if (TfrmDBTest *twin = m->FindWindowOf<TfrmDBTest>(CaptionOf(AOwner), true))
            return twin;
    }
    auto *w = new TfrmDBTest(m ? static_cast<QObject *>(m->MainWidget()) : static_cast<QObject *>(AOwner->FormWidget()));
    w->FinishOpen(AOwner);
    w->grdCommand->setFocus();
    return w;
}

void TfrmDBTest::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actToolDBTest"),
                       [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); });
}

void TfrmDBTest::cmbDBNameChange()
{
    IConnectionWindow *cw = SelectedConnection();
    if (!cw)
        return;
    SetOwnerForm(cw);
    setWindowTitle(CaptionOf(cw));
    const tv::db::ConnectionParams &p = cw->dbsMain().Params();
    SetTaskCaption(p.User_Name + QStringLiteral(" @ ") + p.Database);
}

void TfrmDBTest::resizeEvent(QResizeEvent *e)
{
    TtvToolForm::resizeEvent(e);
    if (grdCommand)
        grdCommand->SetColWidths(1, qMax(40, grdCommand->viewport()->width() - grdCommand->ColWidths(0) - 5));
}

void TfrmDBTest::actExecUpdate()
{
    bool any = false;
    for (const QString &c : Commands())
        any = any || !c.trimmed().isEmpty();
    const bool running = Running();
    actExec->setEnabled(any && !running);
    mnuOutputScript->setEnabled(any);
    mnuOutputExcel->setEnabled(FTestEnded);
    btnCancel->setEnabled(!FTestEnded);
}

void TfrmDBTest::rdoUserIDClick()
{
    const bool own = rdoUserID->ItemIndex() == 1;
    for (QWidget *w : std::initializer_list<QWidget *>{txtUserID, txtPassword, lblUserID, lblPassword})
        w->setEnabled(own);
    if (!own) {
        txtUserID->SetText(QString());
        txtPassword->SetText(QString());
    }
}

// ---------------------------------------------------------------------------
// Command grid

void TfrmDBTest::Renumber()
{
    for (int r = 1; r < grdCommand->RowCount(); ++r)
        grdCommand->SetCells(0, r, r < grdCommand->RowCount() - 1 ? QString::number(r) : QString());
}

QStringList TfrmDBTest::Commands() const
{
    QStringList out;
    for (int r = 1; r <= grdCommand->RowCount() - 2; ++r)
        out << grdCommand->Cells(1, r);
    return out;
}

void TfrmDBTest::grdCommandSetEditText(int /*ACol*/, int ARow, const QString &Value)
{
    if (!Value.isEmpty() && ARow == grdCommand->RowCount() - 1)
        grdCommand->SetRowCount(grdCommand->RowCount() + 1);
    Renumber();
}

void TfrmDBTest::grdCommandEditButtonClick()
{
    const int row = grdCommand->Row();
    QString text = grdCommand->Cells(1, row);
    const QString before = text;
    tolCommand->setFocus();
    bool isNull = false;
    if (TfrmMemo::ShowWindow(text, isNull, false, false) == 1 && text != before) {
        grdCommand->SetCells(1, row, text);
        grdCommandSetEditText(1, row, text);
    }
}

void TfrmDBTest::btnInsertClick()
{
    grdCommand->setFocus();
    grdCommand->InsertRow(qMax(1, grdCommand->Row()));
    Renumber();
}

void TfrmDBTest::btnDeleteClick()
{
    const int row = grdCommand->Row();
    if (row < 1)
        return;
    if (row != grdCommand->RowCount() - 1)
        grdCommand->DeleteRow(row);
    if (grdCommand->Row() == grdCommand->RowCount() - 1) {
        for (int c = 1; c < grdCommand->ColCount(); ++c)
            grdCommand->SetCells(c, grdCommand->Row(), QString());
    }
    Renumber();
}

void TfrmDBTest::btnClearClick()
{
    if (ShowMessageBox(QStringLiteral("コマンドをすべて削除します。よろしいですか？"), MB_YESNO | MB_ICONQUESTION) ==
        IDNO)
        return;
    grdCommand->SetRowCount(2);
    grdCommand->SetCells(0, 1, QString());
    grdCommand->SetCells(1, 1, QString());
    grdCommand->SetRow(1);
}

void TfrmDBTest::InsertCommands(const QStringList &Commands)
{
    const int at = qMax(1, grdCommand->Row());
    for (int i = 0; i < Commands.size(); ++i) {
        grdCommand->InsertRow(at + i);
        grdCommand->SetCells(1, at + i, Commands[i]);
    }
}

// ---------------------------------------------------------------------------
// Files

void TfrmDBTest::btnTraceClick()
{
    WaitCursor cursor;
    FileDialogRequest r;
    r.filter = QStringLiteral("SQLファイル(*.sql)|*.sql|トレースファイル(*.TRC)|*.TRC|すべてのファイル(*.*)|*.*");
    const QString file = CurrentDialogs().openFile(r);
    if (IMainWindow *m = MainWindow())
        m->SetLoopMessage(0, 0);
    struct Back {
        ~Back()
        {
            if (IMainWindow *m = MainWindow())
                m->SetDefMessage();
        }
    } back;
    if (file.isEmpty())
        return;
    if (EscapePressed())
        throw tv::SilentAbort();
    if (QFileInfo(file).suffix().toUpper() == QLatin1String("TRC"))
        InsertCommands(LoadTraceCommands(file));
    else
        InsertCommands(LoadScriptCommands(file, GetFileEncoding()));
    Renumber();
}

void TfrmDBTest::mnuOutputScriptClick()
{
    FileDialogRequest r;
    r.fileName = MakeUniqueFileName(tvOption.ExcelDir + QStringLiteral("DBTEST.sql"));
    r.filter = QStringLiteral("SQLファイル(*.sql)|*.sql|すべてのファイル(*.*)|*.*");
    const QString file = CurrentDialogs().saveFile(r);
    if (file.isEmpty())
        return;
    {
        WaitCursor cursor;
        QStringList all;
        for (int row = 1; row < grdCommand->RowCount(); ++row)
            all << grdCommand->Cells(1, row);
        QString error;
        if (!tv::text::WriteTextFile(file, ScriptText(all), GetFileEncoding(), false, &error))
            throw tv::Error(file + QStringLiteral(": ") + error);
    }
    ShowMessageBox(QStringLiteral("スクリプトに出力しました。"), MB_ICONINFORMATION);
}

void TfrmDBTest::mnuOutputExcelClick()
{
    FileDialogRequest r;
    r.fileName = MakeUniqueFileName(tvOption.ExcelDir + QStringLiteral("DBTEST") + tvOption.ExcelExt);
    r.filter = ExcelFileFilter + QStringLiteral("|すべてのファイル(*.*)|*.*");
    const QString file = CurrentDialogs().saveFile(r);
    if (file.isEmpty())
        return;
    struct Back {
        ~Back()
        {
            if (IMainWindow *m = MainWindow())
                m->SetDefMessage();
        }
    } back;
    {
        WaitCursor cursor;
        QDir().mkpath(QFileInfo(file).absolutePath());
        tv::excel::Workbook book(file);
        tv::excel::Sheet &sheet = book.AddSheet();
        sheet.SetColumnWidth(4, 100);
        sheet.SetText(1, 1, QStringLiteral("時間"));
        sheet.SetText(1, 2, QStringLiteral("処理数"));
        const QList<QPointF> points = ChartPoints();
        for (int i = 0; i < points.size(); ++i) {
            sheet.SetNumber(i + 2, 1, points[i].x());
            sheet.SetNumber(i + 2, 2, points[i].y());
        }
        book.Save();
    }
    ShowMessageBox(QStringLiteral("ファイルに出力しました。"), MB_ICONINFORMATION);
    tvOption.ExcelDir = QFileInfo(file).absolutePath() + QLatin1Char('/');
}

// ---------------------------------------------------------------------------
// Run

bool TfrmDBTest::Running() const
{
    for (TtvThread *t : SessionList) {
        if (t->isRunning())
            return true;
    }
    return TimerSession->isActive() || TimerStat->isActive();
}

QList<QPointF> TfrmDBTest::ChartPoints() const
{
    return serDone->points();
}

int TfrmDBTest::IntervalSeconds() const
{
    return spnTime->value();
}

void TfrmDBTest::AddPoint(double X, double Y)
{
    serDone->append(X, Y);
    FMaxX = qMax(FMaxX, X);
    FMaxY = qMax(FMaxY, Y);
    axsX->setRange(0, FMaxX);
    axsY->setRange(0, FMaxY);
}

void TfrmDBTest::actExecExecute()
{
    if (Running())
        return;
    bool ok = false;
    const int n = txtSesCount->Text().trimmed().toInt(&ok);
    if (!ok || n < 1) {
        ShowMessageBox(QStringLiteral("接続数は0以上の整数で入力してください。"), MB_ICONWARNING);
        pagMain->setCurrentWidget(tabSetting);
        txtSesCount->setFocus();
        throw tv::SilentAbort();
    }
    if (spnTime->text().trimmed().isEmpty())
        spnTime->setValue(0);
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        throw tv::Error(QStringLiteral("データベースに接続されていません。"));
    WaitCursor cursor;
    auto store = [&] {
        DBTestOption.UserId = txtUserID->Text();
        DBTestOption.Password = txtPassword->Text();
        DBTestOption.Session = n;
        DBTestOption.SpanTime = IntervalSeconds();
        DBTestOption.Error = chkError->isChecked();
    };
    try {
        // The workers of the last run have all ended (Running() above).
        for (TtvThread *t : SessionList) {
            t->wait();
            delete t;
        }
        SessionList.clear();
        serDone->clear();
        FMaxX = FMaxY = 1;
        auto run = std::make_shared<TDBTestRun>();
        run->Params = cw->dbsMain().Params();
        if (rdoUserID->ItemIndex() == 1) {
            run->Params.User_Name = txtUserID->Text();
            run->Params.Password = txtPassword->Text();
        }
        if (run->Params.Password.isEmpty())
            run->Params.User_Name.clear();
        run->Commands = Commands();
        run->Sessions = n;
        FRun = run;
        FClosing = false;
        FTestEnded = false;
        FTestCancelled = false;
        StartTick = 0;
        LastTick = 0;
        pnlExec->show();
        splExec->handle(1)->setEnabled(true);
        ShowProgress();
        SetAllEnabled(false);
        AddPoint(0, 0);
        const int ms = IntervalSeconds() * 1000;
        TimerSession->setInterval(ms == 0 ? 1 : ms);
        TimerSession->start();
    } catch (...) {
        store();
        throw;
    }
    store();
    actExecUpdate();
}

void TfrmDBTest::TimerSessionTimer()
{
    if (!FRun)
        return;
    const quint32 now = quint32(qMax<qint64>(1, FClock.elapsed()));
    if (SessionList.size() < FRun->Sessions) {
        const int k = int(SessionList.size());
        auto *t = new TtvThread(this, FRun, k);
        SessionList << t;
        FRun->Started = k + 1;
        t->start();
        if (TimerSession->interval() > 1 && StartTick == 0 && k == 0) {
            TimerStat->start();
            StartTick = now;
        }
        return;
    }
    if (StartTick == 0)
        StartTick = now;
    TimerStat->start();
    TimerSession->stop();
}

void TfrmDBTest::TimerStatTimer()
{
    if (!FRun)
        return;
    if (!FTestEnded && !FTestCancelled)
        LastTick = quint32(qMax<qint64>(1, FClock.elapsed()));
    AddPoint((LastTick - StartTick) / 1000, FRun->DoneCount.load());
    ShowProgress();
    if (FRun->DoneCount.load() >= FRun->Sessions) {
        TimerStat->stop();
        FTestEnded = true;
        SetAllEnabled(true);
        ShowProgress();
        actExecUpdate();
    }
}

void TfrmDBTest::btnCancelClick()
{
    TimerStat->stop();
    TimerSession->stop();
    if (FRun)
        FRun->Cancel.fetch_add(1);
    FTestEnded = true;
    FTestCancelled = true;
    SetAllEnabled(true);
    ShowProgress();
    actExecUpdate();
}

void TfrmDBTest::ReportError()
{
    if (FClosing || !FRun)
        return;
    QString error;
    {
        QMutexLocker lock(&FRun->ErrorLock);
        error = FRun->FirstError;
    }
    if (!chkError->isChecked() && !error.isEmpty() && !FTestEnded) {
        ShowMessageBox(error, MB_OK);
        btnCancelClick();
    }
}

void TfrmDBTest::Finish(int Index)
{
    Q_UNUSED(Index);
    if (FRun)
        FRun->DoneCount.fetch_add(1);
}

void TfrmDBTest::ShowProgress()
{
    const int n = FRun ? FRun->Sessions : qMax(1, txtSesCount->Text().toInt());
    const int done = FRun ? FRun->DoneCount.load() : 0;
    pgsProc->setValue(n > 0 ? done * 100 / n : 0);
    QStringList lines;
    if (FTestEnded) {
        lines << (FTestCancelled ? QStringLiteral("負荷テストを中断しました。") : QStringLiteral("負荷テストが完了しました。"));
    } else if (!TimerStat->isActive()) {
        txtLog->Lines()->SetText(QStringLiteral("セッション作成中…"));
        return;
    } else {
        lines << QStringLiteral("負荷テスト実行中...");
        LastTick = quint32(qMax<qint64>(1, FClock.elapsed()));
    }
    const qint64 seconds = StartTick != 0 ? qint64(LastTick - StartTick) / 1000 : 0;
    QString connected;
    if (spnTime->text().trimmed() == QLatin1String("0") || IntervalSeconds() == 0)
        connected = txtSesCount->Text();
    else
        connected = QString::number(qMin<qint64>(n, qint64(std::floor(double(seconds) / IntervalSeconds()))));
    lines << QStringLiteral("----------------------------")
          << QStringLiteral("経過時間         : ") + QString::number(seconds) + QStringLiteral("秒")
          << QStringLiteral("接続セッション数 : ") + connected
          << QStringLiteral("  うち処理完了数 : ") + QString::number(done)
          << QStringLiteral("----------------------------");
    txtLog->Lines()->SetText(lines.join(QStringLiteral("\r\n")));
}

void TfrmDBTest::SetAllEnabled(bool Enabled)
{
    for (QWidget *w : std::initializer_list<QWidget *>{tolCmd, pnlSetting, tolCommand, grdCommand, tabResult})
        w->setEnabled(Enabled);
    pagMain->setEnabled(true);
    tabSetting->setEnabled(true);
    pnlExec->setEnabled(true);
    if (Enabled)
        rdoUserIDClick();
}

void TfrmDBTest::StopAndWait()
{
    FClosing = true;
    if (TimerSession)
        TimerSession->stop();
    if (TimerStat)
        TimerStat->stop();
    if (FRun)
        FRun->Stop = true;
    for (TtvThread *t : SessionList) {
        // The worker may be waiting for a hand-over: run those meanwhile.
        while (!t->wait(20))
            QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        delete t;
    }
    SessionList.clear();
}

bool TfrmDBTest::FormCloseQuery()
{
    if (Running())
        StopAndWait();
    return true;
}
