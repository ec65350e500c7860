#include "sql/frmSQL.h"

#include "common/CodeAssist.h"
#include "common/ControlStyle.h"
#include "common/Globals.h"
#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/RecParam.h"
#include "common/SQLErrorLocator.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "controls/tvInplaceEditor.h"
#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/db/SqlScanner.h"
#include "platform/db/StatementPipeline.h"
#include "platform/settings/tvRegistry.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/BindGrid.h"
#include "sql/frmSQLLog.h"
#include "sql/tvSQLDesigner.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kSettingsKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\EXECSQL");
const QString kFileFilter =
    QStringLiteral("SQLファイル(*.sql)|*.sql|テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*");
const QString kAbortedNote = QStringLiteral("　エラーのためトランザクションは中断されています（ROLLBACK してください）。");
const QString kRolledBack = QStringLiteral("トランザクションはエラーのため COMMIT できず、ロールバックされました。");
// Statements out ahead of their turn at most; more are sent once half of
// them are back.
constexpr int kAheadWindow = 128;

struct OverrideCursor {
    explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
};

QString CaptionOf(IConnectionWindow *cw, int kind, bool shorten)
{
    if (!cw)
        return QString();
    const tv::db::ConnectionParams &p = cw->dbsMain().Params();
    return FormatRecParamCaption(MakeRecParam(p.Server, p.Database, p.MetaDefSchema, p.value(QStringLiteral("Port")),
                                              p.User_Name, p.Password, QString(), QString(), QString()),
                                 kind, shorten);
}

bool HasLocalFiles(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return false;
    for (const QUrl &u : mime->urls())
        if (!u.isLocalFile())
            return false;
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

TfrmSQL::TfrmSQL(QObject *AOwner) : TtvForm(AOwner)
{
    setObjectName(QStringLiteral("frmSQL"));
    setWindowTitle(QStringLiteral("SQL 実行"));
    SetObjType(10);
    setAcceptDrops(true);
    IMainWindow *main = MainWindow();
    auto img = [main](int i) { return main ? main->ButtonImage(i) : QIcon(); };

    // Actions.
    auto action = [this, &img](const char *name, const QString &caption, const QString &hint, int image) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        const int bar = hint.indexOf(QLatin1Char('|'));
        a->setToolTip(bar < 0 ? hint : hint.left(bar));
        a->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
        a->setIcon(img(image));
        addAction(a);
        return a;
    };
    actExec = action("actExec", QStringLiteral("実行(&E)"), QStringLiteral("入力したSQL文を実行します。"), 28);
    actPrev = action("actPrev", QStringLiteral("前(&P)"), QStringLiteral("前の履歴を表示します。"), 29);
    actNext = action("actNext", QStringLiteral("次(&N)"), QStringLiteral("次の履歴を表示します。"), 30);
    actLog = action("actLog", QStringLiteral("履歴(&L)"), QStringLiteral("過去に実行したSQL文を一覧表示します。"), 86);
    actOpen = action("actOpen", QStringLiteral("開く(&O)"), QStringLiteral("開く|SQLスクリプトファイルを開きます。"), 17);
    actSave = action("actSave", QStringLiteral("保存(&S)"),
                     QStringLiteral("保存|入力したSQL文をスクリプトファイルとして保存します。"), 18);
    actExit = action("actExit", QStringLiteral("終了(&X)"), QStringLiteral("画面を閉じます。"), 42);

    mnuSQL = new QMenu(QStringLiteral("SQL実行(&O)"), this);
    mnuSQL->setObjectName(QStringLiteral("mnuSQL"));
    mnuSQL->addAction(actExec);
    mnuSQL->addSeparator();
    mnuSQL->addActions({actPrev, actNext, actLog});
    mnuSQL->addSeparator();
    mnuSQL->addActions({actOpen, actSave});
    // Shown between "編集" and "表示" of the main menu bar while the window is active.
    AddMergeMenu(2, mnuSQL);

    // Tool bars and the connection chooser.
    auto *top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto button = [](QToolBar *bar, const char *name, QAction *a) {
        auto *b = new QToolButton(bar);
        b->setObjectName(QLatin1String(name));
        b->setDefaultAction(a);
        b->setToolButtonStyle(bar->toolButtonStyle());
        bar->addWidget(b);
        return b;
    };
    btnExec = button(tolCmd, "btnExec", actExec);
    btnPrev = button(tolCmd, "btnPrev", actPrev);
    btnNext = button(tolCmd, "btnNext", actNext);
    btnLog = button(tolCmd, "btnLog", actLog);
    btnExit = button(tolCmd, "btnExit", actExit);
    tolOption = new QToolBar(this);
    tolOption->setObjectName(QStringLiteral("tolOption"));
    tolOption->setToolButtonStyle(Qt::ToolButtonIconOnly);
    btnOpen = button(tolOption, "btnOpen", actOpen);
    btnSave = button(tolOption, "btnSave", actSave);
    btnShowDesign = new QToolButton(tolOption);
    btnShowDesign->setObjectName(QStringLiteral("btnShowDesign"));
    btnShowDesign->setCheckable(true);
    btnShowDesign->setIcon(img(110));
    btnShowDesign->setToolTip(QStringLiteral("SQLビルダ"));
    btnShowDesign->setStatusTip(QStringLiteral("SQLビルダを表示します。"));
    tolOption->addWidget(btnShowDesign);
    btnExplan = new QToolButton(tolOption);
    btnExplan->setObjectName(QStringLiteral("btnExplan"));
    btnExplan->setCheckable(true);
    btnExplan->setIcon(img(112));
    btnExplan->setToolTip(QStringLiteral("実行計画"));
    btnExplan->setStatusTip(QStringLiteral("実行計画を表示します。"));
    tolOption->addWidget(btnExplan);
    pnlName = new QWidget(this);
    pnlName->setObjectName(QStringLiteral("pnlName"));
    auto *nameLay = new QHBoxLayout(pnlName);
    nameLay->setContentsMargins(4, 0, 4, 0);
    nameLay->addWidget(new QLabel(QStringLiteral("　データベース"), pnlName));
    cmbDBName = new QComboBox(pnlName);
    cmbDBName->setObjectName(QStringLiteral("cmbDBName"));
    // The buttons keep their room; the connection box gives way.
    cmbDBName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbDBName->setMinimumContentsLength(16);
    nameLay->addWidget(cmbDBName, 1);
    tolCmd->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    tolOption->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    top->addWidget(tolCmd);
    top->addWidget(tolOption);
    top->addWidget(pnlName, 1);

    // The SQL panel: the (hidden) builder above, the editor with the
    // bind-variable grid at its right edge.
    splSQL = new QSplitter(Qt::Vertical, this);
    splSQL->setObjectName(QStringLiteral("splSQL"));
    splSQL->setChildrenCollapsible(false);
    pnlSQL = new QWidget(splSQL);
    pnlSQL->setObjectName(QStringLiteral("pnlSQL"));
    pnlSQL->setMinimumHeight(30);
    auto *sqlLay = new QVBoxLayout(pnlSQL);
    sqlLay->setContentsMargins(0, 0, 0, 0);
    splBuild = new QSplitter(Qt::Vertical, pnlSQL);
    splBuild->setObjectName(QStringLiteral("splBuild"));
    splBuild->setChildrenCollapsible(false);
    pnlBuild = new QWidget(splBuild);
    pnlBuild->setObjectName(QStringLiteral("pnlBuild"));
    pnlBuild->setMinimumHeight(60);
    pnlBuild->hide();
    splParam = new QSplitter(Qt::Horizontal, splBuild);
    splParam->setObjectName(QStringLiteral("splParam"));
    splParam->setChildrenCollapsible(false);
    txtSQL = new TtvMemo(splParam);
    txtSQL->setObjectName(QStringLiteral("txtSQL"));
    grdParam = new TtvStringGrid(splParam);
    grdParam->setObjectName(QStringLiteral("grdParam"));
    grdParam->SetColCount(3);
    grdParam->SetRowCount(2);
    grdParam->SetFixedRows(1);
    grdParam->SetFixedCols(1);
    grdParam->SetOptions(grdParam->Options() | goEditing | goTabs);
    grdParam->SetGridMode(geAccess);
    grdParam->SetHeader({QStringLiteral("バインド変数名"), QStringLiteral("値"), QStringLiteral("型")});
    grdParam->SetEditStyles(2, gePickList);
    grdParam->hide();
    splParam->setStretchFactor(0, 2);
    splParam->setStretchFactor(1, 1);
    sqlLay->addWidget(splBuild);
    CreateBuilder();

    // The result area: the result pages, or the plan page.
    pnlResult = new QWidget(splSQL);
    pnlResult->setObjectName(QStringLiteral("pnlResult"));
    pnlResult->setMinimumHeight(90);
    auto *resLay = new QVBoxLayout(pnlResult);
    resLay->setContentsMargins(0, 0, 0, 0);
    pagData = new QTabWidget(pnlResult);
    pagData->setObjectName(QStringLiteral("pagData"));
    tabData = new QWidget;
    tabData->setObjectName(QStringLiteral("tabData"));
    auto *tabLay = new QVBoxLayout(tabData);
    tabLay->setContentsMargins(0, 0, 0, 0);
    fraData = new TfraData(tabData, this);
    fraData->setObjectName(QStringLiteral("fraData"));
    fraData->SetTableName(QStringLiteral("SQL"));
    tabLay->addWidget(fraData);
    pagData->addTab(tabData, QStringLiteral("結果"));
    resLay->addWidget(pagData);
    pagExplan = new QTabWidget(pnlResult);
    pagExplan->setObjectName(QStringLiteral("pagExplan"));
    tabExplan = new QWidget;
    tabExplan->setObjectName(QStringLiteral("tabExplan"));
    auto *explLay = new QVBoxLayout(tabExplan);
    explLay->setContentsMargins(0, 0, 0, 0);
    fraExplan = new TfraExplan(tabExplan);
    explLay->addWidget(fraExplan);
    pagExplan->addTab(tabExplan, QStringLiteral("実行計画"));
    pagExplan->hide();
    resLay->addWidget(pagExplan);
    splSQL->setStretchFactor(0, 1);
    splSQL->setStretchFactor(1, 3);

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addLayout(top);
    lay->addWidget(splSQL, 1);

    qrySQL = NewQuery();

    using tv::ui::Guarded;
    connect(actExec, &QAction::triggered, this, Guarded([this] { actExecExecute(); }));
    connect(actPrev, &QAction::triggered, this, Guarded([this] { actPrevExecute(); }));
    connect(actNext, &QAction::triggered, this, Guarded([this] { actNextExecute(); }));
    connect(actLog, &QAction::triggered, this, Guarded([this] { actLogExecute(); }));
    connect(actOpen, &QAction::triggered, this, Guarded([this] { actOpenExecute(); }));
    connect(actSave, &QAction::triggered, this, Guarded([this] { actSaveExecute(); }));
    connect(actExit, &QAction::triggered, this, [this] { Close(); });
    connect(btnExplan, &QToolButton::clicked, this, Guarded([this] { btnExplanClick(); }));
    connect(btnShowDesign, &QToolButton::clicked, this, Guarded([this] { btnShowDesignClick(); }));
    connect(cmbDBName, &QComboBox::activated, this, Guarded([this] { cmbDBNameSelect(); }));
    txtSQL->OnChange = [this](TEditor *) {
        UpdateActions();
        SQLDesign->CheckInStep();
    };

    sqlrun::WireBindTypeList(grdParam, [this] { return OwnerForm(); }, L_tstrTypLst);

    // Like an action list, the actions follow the editor while the window
    // is idle (also when a caller set the text).
    auto *update = new QTimer(this);
    update->setInterval(100);
    connect(update, &QTimer::timeout, this, [this] { UpdateActions(); });
    update->start();

    CreateTaskButton();
    FinishCreate();
    grdParam->hide();
    // Files dropped on the editor (its styling is done by now).
    txtSQL->installEventFilter(this);
    txtSQL->viewport()->installEventFilter(this);
    txtSQL->viewport()->setAcceptDrops(true);

    // The connection: the chooser's entry of the opener, applied as a choice.
    FillDBName();
    const QString mine = CaptionOf(OwnerForm(), 2, false);
    const int at = mine.isEmpty() ? -1 : cmbDBName->findText(mine, Qt::MatchExactly);
    cmbDBName->setCurrentIndex(at);
    if (OwnerForm())
        fraData->SetConnection(&OwnerForm()->dbsMain());
    if (at >= 0)
        cmbDBNameSelect();
    UpdateActions();
    txtSQL->setFocus();
}

TfrmSQL::~TfrmSQL()
{
    for (auto &f : fraDatas)
        if (f && f != fraData)
            delete f.data();
}

void TfrmSQL::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actViewSQL"), [](const TLaunchContext &c) -> QWidget * {
        if (!c.Connection)
            return nullptr;
        auto *w = new TfrmSQL(c.Connection);
        w->ShowForm();
        return w;
    });    // A new window that runs the given text at once (user commands).
    ::RegisterLauncher(QStringLiteral("TfrmSQL"), [](const TLaunchContext &c) -> QWidget * {
        if (!c.Connection)
            return nullptr;
        auto *w = new TfrmSQL(c.Connection);
        w->ShowForm();
        w->txtSQL->Lines()->SetText(c.Argument);
        w->actExecExecute();
        return w;
    });
}

// ---------------------------------------------------------------------------
// Connection chooser

void TfrmSQL::FillDBName()
{
    cmbDBName->clear();
    if (!frmMain)
        return;
    QComboBox *src = frmMain->ConnectionList();
    for (int i = 0; i < src->count(); ++i) {
        auto *cw = dynamic_cast<IConnectionWindow *>(src->itemData(i).value<QObject *>());
        cmbDBName->addItem(cw ? CaptionOf(cw, 2, false) : src->itemText(i), src->itemData(i));
    }
}

void TfrmSQL::cmbDBNameSelect()
{
    const int i = cmbDBName->currentIndex();
    if (i < 0)
        return;
    auto *cw = dynamic_cast<IConnectionWindow *>(cmbDBName->itemData(i).value<QObject *>());
    if (!cw)
        return;
    SetOwnerForm(cw);
    fraData->SetConnection(&cw->dbsMain());
    SQLDesign->SetDatabase(&cw->dbsMain());
    setWindowTitle(QStringLiteral("SQL 実行 - ") + CaptionOf(cw, 0, false));
    SetTaskCaption(CaptionOf(cw, 0, true));
}

void TfrmSQL::DBChange(QObject * /*Sender*/)
{
    const QString shown = cmbDBName->currentText();
    FillDBName();
    // Result pages of a connection that has gone show nothing more.
    QList<const tv::db::Connection *> alive;
    for (int i = 0; i < cmbDBName->count(); ++i)
        if (auto *cw = dynamic_cast<IConnectionWindow *>(cmbDBName->itemData(i).value<QObject *>()))
            alive << &cw->dbsMain();
    for (auto &f : fraDatas)
        if (f && f != fraData && !alive.contains(f->qryData.GetConnection()))
            f->SetConnection(nullptr);
    const int at = cmbDBName->findText(shown, Qt::MatchExactly);
    if (cmbDBName->count() == 0 || at < 0) {
        if (!FRunning)
            Close();
        return;
    }
    cmbDBName->setCurrentIndex(at);
}

// ---------------------------------------------------------------------------
// Enabling, status

void TfrmSQL::UpdateActions()
{
    // Runs on a timer: asks the editor only whether it is empty (constant
    // time), never for its lines.
    const bool empty = txtSQL->IsTextEmpty();
    actExec->setEnabled(!FRunning && !empty);
    actSave->setEnabled(!empty);
    for (QAction *a : {actPrev, actNext, actLog, actOpen})
        a->setEnabled(!FRunning);
    cmbDBName->setEnabled(!FRunning);
    UpdateBuilderActions();
}

void TfrmSQL::SetStatus(const QString &text)
{
    if (frmMain)
        frmMain->SetStatusText(2, text);
}

// ---------------------------------------------------------------------------
// Running

void TfrmSQL::ClearResults()
{
    for (auto &f : fraDatas) {
        if (f && f != fraData) {
            f->grdData1->SetDataSet(nullptr);
            f->grdData2->SetDataSet(nullptr);
            delete f.data();
        }
    }
    fraDatas.clear();
    FSQLCount = 0;
    while (pagData->count() > 1) {
        QWidget *page = pagData->widget(pagData->count() - 1);
        pagData->removeTab(pagData->count() - 1);
        delete page;
    }
    FTab = 0;
}

TfraData *TfrmSQL::NewResultFrame()
{
    auto *page = new QWidget;
    auto *lay = new QVBoxLayout(page);
    lay->setContentsMargins(0, 0, 0, 0);
    auto *frame = new TfraData(page, this);
    // A name not yet used among the window's frames.
    for (int k = FSQLCount;; ++k) {
        const QString name = QStringLiteral("fraData") + QString::number(k);
        if (!findChild<TfraData *>(name)) {
            frame->setObjectName(name);
            break;
        }
    }
    frame->SetTableName(QStringLiteral("SQL"));
    frame->SetGridType(fraData->GridType());
    if (fraData->GridType() != frame->btnGridType->isChecked())
        frame->btnGridTypeClick();
    frame->SetConnection(OwnerForm() ? &OwnerForm()->dbsMain() : nullptr);
    lay->addWidget(frame);
    pagData->addTab(page, QStringLiteral("結果") + QString::number(FTab + 1));
    return frame;
}

void TfrmSQL::actExecExecute()
{
    if (FRunning)
        return;
    if (!OwnerForm()) {
        ShowMessageBox(QStringLiteral("データベースを選択して下さい。"), tv::ui::MB_ICONWARNING);
        return;
    }
    OverrideCursor cursor(Qt::BusyCursor);
    FRunning = true;
    UpdateActions();
    struct Done {
        TfrmSQL *w;
        ~Done()
        {
            tv::ui::Guard([this] { w->EndPipeline(); });
            w->FRunning = false;
            w->UpdateActions();
            w->txtSQL->CloseCodeAssist();
        }
    } done{this};
    tv::ui::ClearEscape();

    // The history keeps every changed text that runs.
    if (txtSQL->Modified() && tvOption.SQLBuf > 0) {
        if (!sqllog::SaveEntry(txtSQL->Lines()->Text()))
            ShowMessageBox(QStringLiteral("ファイルのアクセスに失敗しました。OSの権限を見直してください。"),
                           tv::ui::MB_ICONERROR);
        FLog = 0;
    }
    txtSQL->SetModified(false);

    ClearResults();

    TRun run;
    if (tvOption.UsePartial && txtSQL->Selected()) {
        run.lines = sqlrun::SplitLines(txtSQL->SelText());
        run.lineOffset = txtSQL->RowToLines(txtSQL->SelStrPosition().Sr);
    } else {
        run.lines = txtSQL->Lines()->ToStringList();
    }

    if (btnExplan->isChecked()) {
        RunPlan(run);
        return;
    }
    FIsSelect = false;
    // Between statements the window keeps answering, and Esc ends the run.
    // Statements already sent ahead when Esc comes are cancelled on the
    // server: those that ran are reported as usual, the run ends after them.
    QElapsedTimer slice;
    slice.start();
    const QList<sqlrun::TStatement> statements = sqlrun::SplitStatements(run.lines);
    bool stopping = false;
    const QString interrupted = QStringLiteral("　処理を中断しました。");
    for (int i = 0; i < statements.size(); ++i) {
        if (!stopping)
            SendAhead(run, statements, i);
        run.failed = false;
        if (RunSQLStatement(run, statements.at(i), i))
            break;
        if (FPipe && FPipe->CancelRequested()) {
            FPipe->ClearCancelRequested();
            stopping = true;
        }
        // A cancelled statement reported its error; going on from there is
        // the user's choice, as for a statement run alone.
        if (run.failed)
            stopping = false;
        if (slice.elapsed() >= 50) {
            slice.restart();
            if (tv::ui::EscapePressed()) {
                if (FPipe && FPipe->InFlight() > 0) {
                    FPipe->Cancel();
                    FPipe->ClearCancelRequested();
                    stopping = true;
                } else {
                    SetStatus(sqlrun::ElapsedMessage(run.totalMs) + interrupted);
                    break;
                }
            }
        }
        if (stopping && (!FPipe || FPipe->InFlight() == 0)) {
            SetStatus(sqlrun::ElapsedMessage(run.totalMs) + interrupted);
            break;
        }
    }
    EndPipeline();
}

void TfrmSQL::EndPipeline()
{
    if (!FPipe)
        return;
    std::unique_ptr<tv::db::StatementPipeline> pipe = std::move(FPipe);
    pipe->Finish();
}

void TfrmSQL::SendAhead(const TRun &run, const QList<sqlrun::TStatement> &statements, int index)
{
    // A result dialog between statements lets the user stop the run there:
    // nothing may have run beyond it.
    if (!run.hide)
        return;
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    if (FPipe && FPipe->InFlight() > kAheadWindow / 2)
        return;
    if (!FPipe) {
        FPipe = std::make_unique<tv::db::StatementPipeline>(cw->dbsMain());
        FPipe->SetCancelCheck([] { return tv::ui::EscapePressed(); });
    }
    if (!FPipe->CanSend())
        return;
    for (int j = std::max(index, FPipe->BackTag() + 1); j < statements.size() && FPipe->InFlight() < kAheadWindow;
         ++j) {
        QStringList buffer = statements.at(j).lines;
        sqlrun::CleanStatementLines(buffer);
        const QString text = buffer.join(QLatin1Char('\n'));
        if (text.trimmed().isEmpty())
            continue; // skipped when its turn comes
        const sqlrun::TStatementKind kind = sqlrun::StatementKind(text);
        if (!sqlrun::MaySendAhead(text, kind))
            return;
        const bool parse = sqlrun::ParsesParams(text);
        const tv::db::ScannedSql sc = tv::db::ScanSql(sqlrun::CommandText(text, kind), parse);
        if (!sc.names.isEmpty() || sc.statements > 1)
            return;
        if (!FPipe->Send(sc.text, j))
            return;
    }
}

bool TfrmSQL::RunSQLStatement(TRun &run, const sqlrun::TStatement &st, int index)
{
    // Sent ahead: its text was taken apart then, and nothing about it is
    // asked of the user.
    const bool ahead = FPipe && FPipe->HeadTag() == index;
    QString text;
    if (!ahead) {
        QStringList buffer = st.lines;
        sqlrun::CleanStatementLines(buffer);
        text = buffer.join(QLatin1Char('\n'));
        if (text.trimmed().isEmpty())
            return false;
    }

    // The check boxes are offered only while lines of the run remain that
    // hold more than blanks and ";".
    bool last = true;
    for (int i = st.endIndex + 1; i < run.lines.size() && last; ++i)
        last = run.lines.at(i).trimmed().isEmpty() || sqlrun::IsTerminatorLine(run.lines.at(i));
    bool stop = false;
    bool select = false;
    bool started = false;
    QElapsedTimer timer;
    try {
        IConnectionWindow *cw = OwnerForm();
        if (!cw)
            throw tv::Error(QStringLiteral("データベースを選択して下さい。"));
        tv::db::Connection &conn = cw->dbsMain();
        tv::db::Params params;
        // A data change without parameters when sent ahead.
        sqlrun::TStatementKind kind = sqlrun::TStatementKind::Insert;
        std::shared_ptr<tv::db::PgResultSet> res;
        bool rows = false;
        if (ahead) {
            ApplyBindVariables(params);
            timer.start();
            started = true;
            res = FPipe->Take();
        } else {
            // Statements sent ahead have all been taken by now.
            EndPipeline();
            const bool parse = sqlrun::ParsesParams(text);
            kind = sqlrun::StatementKind(text);
            params.setNames(parse ? tv::db::ScanSql(text, true).names : QStringList());
            ApplyBindVariables(params);

            timer.start();
            started = true;
            const QString command = sqlrun::CommandText(text, kind);
            const tv::db::ScannedSql sc = tv::db::ScanSql(command, parse);
            const std::vector<tv::db::BoundParam> values = params.bind(parse ? sc.names : QStringList());

            // Describe first: a statement with a row description is a query.
            if (sc.statements <= 1 && kind != sqlrun::TStatementKind::Call && sqlrun::MayReturnRows(sc.text, kind)) {
                const tv::db::StatementInfo info = conn.Describe(sc.text, values);
                rows = info.returnsRows && !info.simpleOnly;
            }

            if (rows) {
                select = true;
                TfraData *frame = FTab > 0 ? NewResultFrame() : fraData;
                ++FTab;
                fraDatas.emplace_back(frame);
                frame->qryData.SetParamParsing(parse);
                frame->SetSQL(text);
                frame->Prepare();
                frame->qryData.SetSQL(fradata::StripTrailingSemicolon(frame->qryData.SQL()));
                for (int i = 0; i < params.count(); ++i)
                    if (tv::db::Param *p = frame->qryData.Params().FindParam(params[i].Name))
                        *p = params[i];
                frame->Open();
                if (!frame->dsrTableData.CanModify() && frame->btnUpdate->isChecked())
                    frame->btnUpdate->setChecked(false);
                run.totalMs += timer.elapsed();
                SetStatus(sqlrun::ElapsedMessage(run.totalMs));
            } else {
                res = values.empty() ? conn.Exec(sc.text) : conn.ExecParams(sc.text, values);
            }
        }
        if (!rows) {
            // A CALL hands its INOUT values back as one row: they go back
            // into the grid by name.
            if (res->hasRows() && res->rowCount() > 0 && kind == sqlrun::TStatementKind::Call) {
                for (int i = 0; i < params.count(); ++i) {
                    const int f = res->fieldIndex(params[i].Name);
                    if (f >= 0)
                        params[i].Value = res->isNull(0, f) ? QVariant() : QVariant(res->text(0, f));
                }
            }
            if (!params.isEmpty())
                WriteBackParams(params);
            run.totalMs += timer.elapsed();
            SetStatus(sqlrun::ElapsedMessage(run.totalMs));
            const QString tag = res->commandStatus();
            if ((kind == sqlrun::TStatementKind::Commit) && tag.startsWith(QLatin1String("ROLLBACK"))) {
                // The transaction had failed: the server rolled it back.
                ShowMessageBox(kRolledBack, tv::ui::MB_ICONWARNING);
            } else if (!run.hide) {
                TCheckList checks;
                if (!last)
                    checks.append({QStringLiteral("以降の結果ダイアログを表示しない"), &run.hide});
                ShowCheckMessageDialog(sqlrun::ExecutedMessage(std::max<qint64>(0, res->rowsAffected())),
                                       tv::ui::MB_ICONINFORMATION, checks);
            }
        }
    } catch (const tv::SilentAbort &) {
        stop = true;
    } catch (const tv::Error &e) {
        run.failed = true;
        QString status = sqlrun::ElapsedMessage(run.totalMs);
        if (IConnectionWindow *cw = OwnerForm()) {
            const tv::db::Connection &conn = cw->dbsMain();
            if (!conn.AutoCommit() && conn.transactionState() == tv::db::TransactionState::Aborted)
                status += kAbortedNote;
        }
        if (started || status.size() > 0)
            SetStatus(status);
        txtSQL->setFocus();
        // The statement's own lines: not the ";" line that ended it, nor blank lines after it.
        int lastLine = st.endIndex;
        while (lastLine > st.startIndex && lastLine < run.lines.size() &&
               (sqlrun::IsTerminatorLine(run.lines.at(lastLine)) || run.lines.at(lastLine).trimmed().isEmpty()))
            --lastLine;
        MarkError(run.lineOffset + st.startIndex, run.lineOffset + lastLine, e.text());
        TCheckList checks;
        if (!last)
            checks.append({QStringLiteral("処理を続行する"), &run.cont});
        ShowCheckMessageDialog(e.text(), tv::ui::MB_ICONWARNING, checks);
        stop = !run.cont;
    }
    if (select)
        FIsSelect = true;
    ++FSQLCount;
    return stop;
}

void TfrmSQL::MarkError(int firstLine, int lastLine, const QString &errorText)
{
    TEditorStrings *l = txtSQL->Lines();
    const int count = l->Count();
    if (count == 0)
        return;
    firstLine = std::clamp(firstLine, 0, count - 1);
    lastLine = std::clamp(lastLine, firstLine, count - 1);
    const int firstRow = l->LineToRow(firstLine);
    const int lastRow = std::max(firstRow, l->LineToRow(lastLine + 1) - 1);
    const QString user = OwnerForm() ? OwnerForm()->dbsMain().Params().User_Name : QString();
    LocateSQLError(txtSQL, qrySQL, user, firstRow, lastRow, errorText);
}

void TfrmSQL::WriteBackParams(const tv::db::Params &params)
{
    for (int r = 1; r < grdParam->RowCount() && r - 1 < params.count(); ++r) {
        const QVariant &v = params[r - 1].Value;
        QString text;
        if (v.typeId() == QMetaType::QDate)
            text = v.toDate().toString(Qt::ISODate);
        else if (v.typeId() == QMetaType::QDateTime)
            text = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        else if (v.typeId() == QMetaType::Bool)
            text = v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        else
            text = v.toString();
        grdParam->SetCells(1, r, text);
    }
}

void TfrmSQL::ApplyBindVariables(tv::db::Params &Params)
{
    sqlrun::ApplyBindGrid(grdParam, splParam, pnlSQL->width(), Params, [this](const QString &t) { SetStatus(t); });
}

void TfrmSQL::RunPlan(TRun &run)
{
    // Only the first statement is explained.
    QStringList buffer;
    int end = 0;
    for (; end < run.lines.size() && !sqlrun::IsTerminatorLine(run.lines.at(end)); ++end)
        buffer.append(run.lines.at(end));
    sqlrun::CleanStatementLines(buffer);
    QString text = buffer.join(QLatin1Char('\n'));
    // Lines before a ";" line may still hold several statements ("select
    // ...;" and "delete ...;" on lines of their own): the plan is the first
    // one's, and nothing after it reaches the server.
    const tv::db::ScannedSql scanned = tv::db::ScanSql(text, false);
    if (!scanned.spans.isEmpty()) {
        const tv::db::StatementSpan first = scanned.spans.first();
        text = text.mid(first.start, first.end - first.start);
    }
    if (text.trimmed().isEmpty()) {
        fraExplan->lstPlan->clear();
        return;
    }
    tv::db::Connection &conn = OwnerForm()->dbsMain();
    fraExplan->SetConnection(&conn);
    fraExplan->SetSQL(text);
    const bool parse = sqlrun::ParsesParams(text);
    fraExplan->qryPlan.SetParamParsing(parse);
    fraExplan->qryPlan.SetSQL(text);
    tv::db::Params params;
    params.setNames(parse ? tv::db::ScanSql(text, true).names : QStringList());
    ApplyBindVariables(params); // a prompt ends the run silently; bad values reach the error display
    for (int i = 0; i < params.count(); ++i)
        if (tv::db::Param *p = fraExplan->qryPlan.Params().FindParam(params[i].Name))
            *p = params[i];
    QElapsedTimer timer;
    timer.start();
    try {
        fraExplan->ShowData();
        SetStatus(sqlrun::ElapsedMessage(timer.elapsed()));
    } catch (const tv::Error &e) {
        SetStatus(sqlrun::ElapsedMessage(timer.elapsed()));
        txtSQL->setFocus();
        MarkError(run.lineOffset, run.lineOffset + std::max(0, end - 1), e.text());
        ShowMessageBox(e.text(), tv::ui::MB_ICONERROR);
    }
}

// ---------------------------------------------------------------------------
// Plan and builder toggles

void TfrmSQL::btnExplanClick()
{
    const bool plan = btnExplan->isChecked();
    pagData->setVisible(!plan);
    pagExplan->setVisible(plan);
    txtSQL->CloseCodeAssist();
}

void TfrmSQL::btnShowDesignClick()
{
    const bool show = btnShowDesign->isChecked();
    const int q = std::max(1, (height() - tolCmd->height()) / 4);
    pnlBuild->setVisible(show);
    if (show) {
        splSQL->setSizes({3 * q, std::max(1, splSQL->height() - 3 * q)});
        splBuild->setSizes({2 * q, q});
        splDesign->setSizes({q, q});
    }
    RereadDesign();
    txtSQL->CloseCodeAssist();
}

// ---------------------------------------------------------------------------
// History

void TfrmSQL::LoadLogEntry()
{
    OverrideCursor cursor(Qt::WaitCursor);
    QString text;
    sqllog::ReadEntry(FLog, &text); // a stale or unreadable entry leaves the editor empty
    txtSQL->Lines()->SetText(text);
    txtSQL->SetModified(false);
    txtSQL->EditorUndoObj()->Clear();
    txtSQL->SetRowCol(0, 0);
    UpdateActions();
    RereadDesign();
}

void TfrmSQL::actPrevExecute()
{
    if (FLog < SQLLogList.size() - 1) {
        ++FLog;
        LoadLogEntry();
    }
    txtSQL->CloseCodeAssist();
}

void TfrmSQL::actNextExecute()
{
    if (FLog >= 0) {
        FLog = std::min<int>(FLog, SQLLogList.size()) - 1;
        if (FLog >= 0) {
            LoadLogEntry();
        } else {
            txtSQL->Lines()->SetText(QString());
            txtSQL->SetModified(false);
            txtSQL->EditorUndoObj()->Clear();
            txtSQL->SetRowCol(0, 0);
            UpdateActions();
        }
    }
    txtSQL->CloseCodeAssist();
}

void TfrmSQL::actLogExecute()
{
    const int i = TfrmSQLLog::ShowWindow(this);
    if (i >= 0) {
        FLog = i;
        LoadLogEntry();
    }
}

// ---------------------------------------------------------------------------
// Files

void TfrmSQL::OpenFiles(QStringList paths)
{
    std::sort(paths.begin(), paths.end());
    txtSQL->Lines()->SetText(QString());
    QString all;
    bool any = false;
    for (const QString &path : std::as_const(paths)) {
        QString text, error;
        if (!tv::text::ReadTextFile(path, GetFileEncoding(), &text, nullptr, &error)) {
            if (any) {
                txtSQL->Lines()->SetText(all);
                txtSQL->SetModified(true);
            }
            throw tv::Error(path + QStringLiteral(": ") + error);
        }
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(text.endsWith(QStringLiteral("\r\n")) ? 2 : 1);
        all = any ? all + QStringLiteral("\r\n") + text : text;
        any = true;
    }
    txtSQL->Lines()->SetText(all);
    txtSQL->EditorUndoObj()->Clear();
    txtSQL->SetRowCol(0, 0);
    txtSQL->SetModified(true);
    UpdateActions();
}

void TfrmSQL::actOpenExecute()
{
    tv::ui::FileDialogRequest r;
    r.filter = kFileFilter;
    r.mustExist = true;
    const QString path = tv::ui::CurrentDialogs().openFile(r);
    if (!path.isEmpty())
        OpenFiles({path});
    RereadDesign();
}

void TfrmSQL::actSaveExecute()
{
    tv::ui::FileDialogRequest r;
    r.filter = kFileFilter;
    r.fileName = QStringLiteral("Script.sql");
    r.overwritePrompt = true;
    const QString path = tv::ui::CurrentDialogs().saveFile(r);
    if (path.isEmpty())
        return;
    QString error;
    if (!tv::text::WriteTextFile(path, txtSQL->Lines()->Text(), GetFileEncoding(), false, &error))
        throw tv::Error(error);
    ShowMessageBox(QStringLiteral("ファイルに出力しました。"), tv::ui::MB_ICONINFORMATION);
}

void TfrmSQL::dragEnterEvent(QDragEnterEvent *e)
{
    if (HasLocalFiles(e->mimeData()))
        e->acceptProposedAction();
}

void TfrmSQL::dropEvent(QDropEvent *e)
{
    if (!HasLocalFiles(e->mimeData()))
        return;
    QStringList paths;
    for (const QUrl &u : e->mimeData()->urls())
        paths << u.toLocalFile();
    e->acceptProposedAction();
    tv::ui::Guard([&] { OpenFiles(paths); });
    RereadDesign();
}

bool TfrmSQL::eventFilter(QObject *watched, QEvent *event)
{
    // Files dropped on the editor open in it; other drops are the editor's.
    if (watched == txtSQL || watched == txtSQL->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *d = static_cast<QDragMoveEvent *>(event);
            if (HasLocalFiles(d->mimeData())) {
                d->acceptProposedAction();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto *d = static_cast<QDropEvent *>(event);
            if (HasLocalFiles(d->mimeData())) {
                dropEvent(d);
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return TtvForm::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Settings, completion, closing

void TfrmSQL::LoadSettings()
{
    // The heights are applied on the first showing, once the window has
    // its size (ApplyHeights).
    FSQLHeight = FBuildHeight = FDesignHeight = -1;
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    if (!reg.KeyExists(kSettingsKey) || !reg.OpenKeyReadOnly(kSettingsKey)) {
        resize(760, 560);
        return;
    }
    const int w = reg.GetInteger(QStringLiteral("Width"), 760);
    const int h = reg.GetInteger(QStringLiteral("Height"), 560);
    const bool build = reg.GetBool(QStringLiteral("ShowBuild"), false);
    FSQLHeight = reg.GetInteger(QStringLiteral("SQLHeight"), -1);
    FBuildHeight = reg.GetInteger(QStringLiteral("BuildHeight"), -1);
    FDesignHeight = reg.GetInteger(QStringLiteral("DesignHeight"), -1);
    reg.CloseKey();
    resize(std::max(200, w), std::max(150, h));
    btnShowDesign->setChecked(build);
    pnlBuild->setVisible(build);
    grdParam->hide();
    if (FShown)
        ApplyHeights();
}

void TfrmSQL::ApplyHeights()
{
    // q: a quarter of the client height below the tool bar.
    const int avail = std::max(1, height() - tolCmd->height());
    const int q = avail / 4;
    const int sqlHeight = std::min(FSQLHeight < 0 ? q : FSQLHeight, avail);
    splSQL->setSizes({sqlHeight, std::max(1, splSQL->height() - splSQL->handleWidth() - sqlHeight)});
    if (pnlBuild->isVisibleTo(this)) {
        pnlSQL->layout()->activate();
        const int buildHeight = std::max(60, std::min(FBuildHeight < 0 ? 2 * q : FBuildHeight, pnlSQL->height()));
        splBuild->setSizes({buildHeight, std::max(1, splBuild->height() - splBuild->handleWidth() - buildHeight)});
        pnlBuild->layout()->activate();
        const int designHeight = std::max(1, std::min(FDesignHeight < 0 ? q : FDesignHeight, pnlBuild->height()));
        splDesign->setSizes({designHeight, std::max(1, splDesign->height() - splDesign->handleWidth() - designHeight)});
    }
}

void TfrmSQL::showEvent(QShowEvent *e)
{
    TtvForm::showEvent(e);
    if (FShown)
        return;
    FShown = true;
    ApplyHeights();
}

void TfrmSQL::FormPlaced()
{
    // Fitted into the area, the window may be smaller than when it was first
    // shown: the stored heights hold for the size it ends with. Later calls
    // (the window brought up again) leave the user's heights alone.
    if (FPlaced)
        return;
    FPlaced = true;
    ApplyHeights();
}

void TfrmSQL::SaveSettings()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (!reg.OpenKey(kSettingsKey, true))
            return;
        const QWidget *outer = Frame() ? static_cast<QWidget *>(Frame()) : this;
        if (!(outer->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
            reg.WriteInteger(QStringLiteral("Width"), width());
            reg.WriteInteger(QStringLiteral("Height"), height());
        }
        reg.WriteBool(QStringLiteral("ShowBuild"), btnShowDesign->isChecked());
        reg.WriteInteger(QStringLiteral("SQLHeight"), pnlSQL->height());
        reg.WriteInteger(QStringLiteral("BuildHeight"), pnlBuild->height());
        reg.WriteInteger(QStringLiteral("DesignHeight"), pnlDesign->height());
        reg.CloseKey();
    } catch (...) {
        // A store that cannot be written loses the layout.
    }
}

void TfrmSQL::CodeAssist(int X, int Y)
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    ShowCodeAssist(txtSQL, this, *qrySQL, cw->dbsMain().Params().MetaDefSchema, cw->DBVer(), cw->g_bPostgresPlus(),
                   cw->DBAMODE(), X, Y);
}

bool TfrmSQL::FormCloseQuery()
{
    // A statement in progress finishes (or is cancelled with Esc) first.
    if (FRunning)
        return false;
    SetStatus(QString());
    return true;
}
