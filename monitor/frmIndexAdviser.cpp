#include "monitor/frmIndexAdviser.h"

#include "common/CodeAssist.h"
#include "common/Globals.h"
#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/RecParam.h"
#include "common/SQLParser.h"
#include "common/ScriptClean.h"
#include "common/tvOption.h"
#include "common/NamedAction.h"
#include "controls/tvInplaceEditor.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "monitor/IndexAnalysis.h"
#include "monitor/IndexCostTest.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Param.h"
#include "platform/db/Query.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/BindGrid.h"
#include "sql/SQLRunner.h"
#include "sql/frmSQLLog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

using tv::ui::Guarded;

namespace {

const QColor kUnusedColour(255, 0, 0);
const QColor kCreatedColour(128, 128, 128);
const QString kUsed = QStringLiteral("使用");
const QString kUnused = QStringLiteral("未使用");
const QString kNotCreated = QStringLiteral("未作成");
const QString kCreated = QStringLiteral("作成済");

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};


void Paint(TtvTreeNode *node, const QColor &colour, int columns)
{
    for (int c = 0; c < columns; ++c)
        node->setForeground(c, colour);
}

} // namespace

// ---------------------------------------------------------------------------
// Building

TfrmIndexAdviser::TfrmIndexAdviser(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmIndexAdviser"))
{
    setObjectName(QStringLiteral("frmIndexAdviser"));
    resize(900, 640);

    actExec = NewAction(this, "actExec", QStringLiteral("解析(&E)"), QStringLiteral("入力したSQL文を解析します。"));
    actPrev = NewAction(this, "actPrev", QStringLiteral("前(&P)"), QStringLiteral("過去に実行したSQL文を呼び出します。"));
    actNext = NewAction(this, "actNext", QStringLiteral("次(&N)"), QStringLiteral("過去に実行したSQL文を呼び出します。"));
    actLog = NewAction(this, "actLog", QStringLiteral("履歴(&L)"), QStringLiteral("過去に実行したSQL文を一覧表示します。"));
    actCreate = NewAction(this, "actCreate", QStringLiteral("作成"), QStringLiteral("インデックスを作成します。"));
    actTest = NewAction(this, "actTest", QStringLiteral("テスト"),
                        QStringLiteral("インデックス作成前と作成後の、それぞれの実行コストを計測します。"));
    actNameChange =
        NewAction(this, "actNameChange", QStringLiteral("名前の変更"), QStringLiteral("インデックス名を変更します。"));
    actExec->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    actExec->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(actExec);

    // Command bar: the buttons carry their own hints.
    auto button = [this](QAction *a, const char *name, const QString &hint) {
        tolCmd->addAction(a);
        auto *b = qobject_cast<QToolButton *>(tolCmd->widgetForAction(a));
        b->setObjectName(QLatin1String(name));
        b->setToolTip(hint);
        b->setStatusTip(hint);
        return b;
    };
    btnExec = button(actExec, "btnExec", QStringLiteral("入力したSQL文を解析します。"));
    btnPrev = button(actPrev, "btnPrev", QStringLiteral("前の履歴を表示します。"));
    btnNext = button(actNext, "btnNext", QStringLiteral("次の履歴を表示します。"));
    btnLog = button(actLog, "btnLog", QStringLiteral("過去に実行したSQL文を一覧表示します。"));
    btnExit = button(actExit, "btnExit", QStringLiteral("画面を閉じます。"));
    tolCmd->addSeparator();
    auto *lblColCount = new QLabel(QStringLiteral("作成するインデックス列の上限数"), tolCmd);
    lblColCount->setObjectName(QStringLiteral("lblColCount"));
    tolCmd->addWidget(lblColCount);
    txtColCount = new TtvNumEdit(tolCmd);
    txtColCount->setObjectName(QStringLiteral("txtColCount"));
    txtColCount->setMaximumWidth(40);
    txtColCount->SetText(QStringLiteral("2"));
    tolCmd->addWidget(txtColCount);
    AddDBNamePanel();

    // The statement with the bind grid at its right edge.
    splMain = new QSplitter(Qt::Vertical, this);
    splMain->setObjectName(QStringLiteral("splMain"));
    splMain->setChildrenCollapsible(false);
    pnlSQL = new QWidget(splMain);
    pnlSQL->setObjectName(QStringLiteral("pnlSQL"));
    pnlSQL->setMinimumHeight(30);
    auto *sqlLay = new QVBoxLayout(pnlSQL);
    sqlLay->setContentsMargins(0, 0, 0, 0);
    splParam = new QSplitter(Qt::Horizontal, pnlSQL);
    splParam->setObjectName(QStringLiteral("splParam"));
    splParam->setChildrenCollapsible(false);
    txtSQL = new TtvMemo(splParam);
    txtSQL->setObjectName(QStringLiteral("txtSQL"));
    grdParam = new TtvStringGrid(splParam);
    grdParam->setObjectName(QStringLiteral("grdParam"));
    grdParam->SetColCount(3);
    grdParam->SetRowCount(2);
    grdParam->SetFixedRows(1);
    grdParam->SetFixedCols(1); // the name column is not edited
    grdParam->SetOptions(grdParam->Options() | goEditing | goTabs);
    grdParam->SetGridMode(geAccess);
    grdParam->SetHeader({QStringLiteral("バインド変数名"), QStringLiteral("値"), QStringLiteral("型")});
    grdParam->SetEditStyles(2, gePickList);
    grdParam->hide();
    splParam->setStretchFactor(0, 2);
    splParam->setStretchFactor(1, 1);
    sqlLay->addWidget(splParam);

    auto treePanel = [this](const char *panel, const char *list, TtvTreeView *&tree, const QStringList &captions,
                            const QList<int> &widths) {
        auto *p = new QWidget(splMain);
        p->setObjectName(QLatin1String(panel));
        auto *l = new QVBoxLayout(p);
        l->setContentsMargins(0, 0, 0, 0);
        tree = new TtvTreeView(p);
        tree->setObjectName(QLatin1String(list));
        for (int i = 0; i < captions.size(); ++i)
            tree->AddSection(captions[i], widths[i]);
        tree->header()->setStretchLastSection(false);
        tree->header()->setSectionResizeMode(2, QHeaderView::Stretch);
        tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tree->setSelectionMode(QAbstractItemView::SingleSelection);
        tree->setContextMenuPolicy(Qt::CustomContextMenu);
        tree->installEventFilter(this);
        l->addWidget(tree);
        return p;
    };
    pnlIndex = treePanel("pnlIndex", "lstIndex", lstIndex,
                         {QStringLiteral("現在のインデックス"), QStringLiteral("タイプ"), QStringLiteral("パラメータ"),
                          QStringLiteral("使用 / 未使用")},
                         {220, 120, 672, 110});
    pnlNewIndex = treePanel("pnlNewIndex", "lstNewIndex", lstNewIndex,
                            {QStringLiteral("作成するインデックス"), QStringLiteral("タイプ"),
                             QStringLiteral("パラメータ"), QStringLiteral("未作成/作成済")},
                            {220, 120, 670, 110});
    splMain->addWidget(pnlSQL);
    splMain->addWidget(pnlIndex);
    splMain->addWidget(pnlNewIndex);
    splMain->setStretchFactor(0, 1);
    splMain->setStretchFactor(1, 1);
    splMain->setStretchFactor(2, 1);
    layout()->addWidget(splMain);

    popIndex = new QMenu(this);
    popIndex->setObjectName(QStringLiteral("popIndex"));
    mnuIndexOpen = popIndex->addAction(QStringLiteral("開く(&O)"));
    mnuIndexOpen->setObjectName(QStringLiteral("mnuIndexOpen"));
    mnuIndexDelete = popIndex->addAction(QStringLiteral("削除(&D)"));
    mnuIndexDelete->setObjectName(QStringLiteral("mnuIndexDelete"));
    popNewIndex = new QMenu(this);
    popNewIndex->setObjectName(QStringLiteral("popNewIndex"));
    popNewIndex->addAction(actCreate);
    popNewIndex->addAction(actTest);
    popNewIndex->addAction(actNameChange);

    pnlButton = new QWidget(this);
    pnlButton->setObjectName(QStringLiteral("pnlButton"));
    auto *btnLay = new QHBoxLayout(pnlButton);
    btnLay->setContentsMargins(4, 4, 4, 4);
    auto actionButton = [this](QAction *a, const char *name) {
        auto *b = new QToolButton(pnlButton);
        b->setObjectName(QLatin1String(name));
        b->setDefaultAction(a);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumWidth(90);
        return b;
    };
    btnCreate = actionButton(actCreate, "btnCreate");
    btnTest = actionButton(actTest, "btnTest");
    btnLay->addWidget(btnCreate);
    btnLay->addWidget(btnTest);
    btnLay->addStretch(1);
    layout()->addWidget(pnlButton);

    qrySQL = NewQuery();
    qryTest = NewQuery();

    connect(actExec, &QAction::triggered, this, Guarded([this] { actExecExecute(); }));
    connect(actPrev, &QAction::triggered, this, Guarded([this] { actPrevExecute(); }));
    connect(actNext, &QAction::triggered, this, Guarded([this] { actNextExecute(); }));
    connect(actLog, &QAction::triggered, this, Guarded([this] { actLogExecute(); }));
    connect(actCreate, &QAction::triggered, this, Guarded([this] { actCreateExecute(); }));
    connect(actTest, &QAction::triggered, this, Guarded([this] { actTestExecute(); }));
    connect(actNameChange, &QAction::triggered, this, Guarded([this] { actNameChangeExecute(); }));
    connect(mnuIndexOpen, &QAction::triggered, this, Guarded([this] { mnuIndexOpenClick(); }));
    connect(mnuIndexDelete, &QAction::triggered, this, Guarded([this] { mnuIndexDeleteClick(); }));
    connect(lstIndex, &QTreeWidget::itemDoubleClicked, this, Guarded([this] { mnuIndexOpenClick(); }));
    connect(lstNewIndex, &QTreeWidget::itemDoubleClicked, this, Guarded([this] { actNameChangeExecute(); }));
    connect(lstIndex, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (QTreeWidgetItem *it = lstIndex->itemAt(pos))
            lstIndex->setCurrentItem(it);
        popIndexPopup();
        popIndex->popup(lstIndex->viewport()->mapToGlobal(pos));
    });
    connect(lstNewIndex, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (QTreeWidgetItem *it = lstNewIndex->itemAt(pos))
            lstNewIndex->setCurrentItem(it);
        popNewIndexPopup();
        popNewIndex->popup(lstNewIndex->viewport()->mapToGlobal(pos));
    });
    connect(lstNewIndex, &QTreeWidget::currentItemChanged, this, [this] { UpdateActions(); });
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateActions(); });
    connect(txtColCount, &QLineEdit::textChanged, this, Guarded([this] { txtColCountChange(); }));
    txtSQL->OnChange = [this](TEditor *) { UpdateActions(); };
    sqlrun::WireBindTypeList(grdParam, [this] { return OwnerForm(); }, L_tstrTypLst);

    FinishCreate();
    UpdateActions();
}

TfrmIndexAdviser::~TfrmIndexAdviser() = default;

TfrmIndexAdviser *TfrmIndexAdviser::Create(IConnectionWindow *AOwner)
{
    return Open<TfrmIndexAdviser>(AOwner);
}

TfrmIndexAdviser *TfrmIndexAdviser::OpenWithStatement(IConnectionWindow *AOwner, const QString &Statement)
{
    TfrmIndexAdviser *w = Create(AOwner);
    if (!w)
        return nullptr;
    w->txtSQL->Lines()->SetText(Statement);
    w->txtSQL->SetModified(true); // the run keeps it in the history
    w->UpdateActions();
    tv::ui::Guard([w] { w->actExecExecute(); });
    return w;
}

void TfrmIndexAdviser::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actToolIndexAdviser"),
                       [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); });
    ::RegisterLauncher(QStringLiteral("actIndexAdviser"), [](const TLaunchContext &c) -> QWidget * {
        return OpenWithStatement(c.Connection, c.Argument);
    });
}

// ---------------------------------------------------------------------------
// Connection combo, settings

QString TfrmIndexAdviser::ConnectionText2(IConnectionWindow *Form)
{
    if (!Form)
        return QString();
    const tv::db::ConnectionParams &p = Form->dbsMain().Params();
    return FormatRecParamCaption(MakeRecParam(p.Server, p.Database, p.MetaDefSchema, p.value(QStringLiteral("Port")),
                                              p.User_Name, p.Password, QString(), QString(), QString()),
                                 2, false);
}

void TfrmIndexAdviser::RelabelDBName()
{
    for (int i = 0; i < cmbDBName->count(); ++i) {
        if (auto *cw = dynamic_cast<IConnectionWindow *>(cmbDBName->itemData(i).value<QObject *>()))
            cmbDBName->setItemText(i, ConnectionText2(cw));
    }
}

void TfrmIndexAdviser::cmbDBNameChange()
{
    RelabelDBName();
    IConnectionWindow *cw = SelectedConnection();
    if (!cw)
        return;
    SetOwnerForm(cw); // rebinds qrySQL and qryTest
    Retitle();
    // Nothing is read again: the lists keep the last run's results.
}

void TfrmIndexAdviser::DBChange(QObject * /*Sender*/)
{
    const QString shown = cmbDBName->currentText();
    FillDBName();
    RelabelDBName();
    const int at = cmbDBName->findText(shown, Qt::MatchExactly);
    cmbDBName->setCurrentIndex(at);
    if (at < 0 || cmbDBName->count() == 0)
        Close();
}

void TfrmIndexAdviser::LoadSettings()
{
    TtvToolForm::LoadSettings();
    int cols = 2;
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (reg.OpenKey(SettingsKey(), true)) {
            cols = reg.GetInteger(QStringLiteral("ColCount"), 2);
            reg.CloseKey();
        }
    } catch (...) {
        // An unreadable store leaves the default.
    }
    const QSignalBlocker block(txtColCount);
    txtColCount->SetText(QString::number(std::max(1, cols)));
    grdParam->hide();
}

void TfrmIndexAdviser::SaveSettings()
{
    TtvToolForm::SaveSettings();
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (reg.OpenKey(SettingsKey(), true)) {
            reg.WriteInteger(QStringLiteral("ColCount"), txtColCount->ValueInt());
            reg.CloseKey();
        }
    } catch (...) {
        // A store that cannot be written loses the value.
    }
}

void TfrmIndexAdviser::txtColCountChange()
{
    if (txtColCount->Text() != QLatin1String("0"))
        return;
    ShowMessageBox(monitor::MsgColCount(), tv::ui::MB_ICONEXCLAMATION);
    txtColCount->setFocus();
    txtColCount->selectAll();
}

void TfrmIndexAdviser::CodeAssist(int X, int Y)
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    ShowCodeAssist(txtSQL, this, *qrySQL, cw->dbsMain().Params().MetaDefSchema, cw->DBVer(), cw->g_bPostgresPlus(),
                   cw->DBAMODE(), X, Y);
}

void TfrmIndexAdviser::SetStatus(const QString &Text)
{
    if (frmMain)
        frmMain->SetStatusText(2, Text);
}

// ---------------------------------------------------------------------------
// Enabling

bool TfrmIndexAdviser::actExecEnabled() const
{
    const TEditorStrings *l = txtSQL->Lines();
    return !(l->Count() == 0 || (l->Count() == 1 && l->Get(0).isEmpty()));
}

TtvTreeNode *TfrmIndexAdviser::SelectedIndex() const
{
    auto *n = dynamic_cast<TtvTreeNode *>(lstIndex->currentItem());
    if (!n || !n->parent() || n->Text() == monitor::MsgNoIndex() || n->SubItems().size() < 4)
        return nullptr;
    return n;
}

TtvTreeNode *TfrmIndexAdviser::SelectedProposal() const
{
    auto *n = dynamic_cast<TtvTreeNode *>(lstNewIndex->currentItem());
    if (!n || !n->parent() || n->SubItems().size() < 3 || n->SubItems().at(2) != kNotCreated)
        return nullptr;
    return n;
}

bool TfrmIndexAdviser::actCreateEnabled() const
{
    QWidget *f = QApplication::focusWidget();
    const bool focus = f && (f == lstNewIndex || lstNewIndex->isAncestorOf(f) || f == btnCreate || f == btnTest);
    return focus && SelectedProposal() != nullptr;
}

void TfrmIndexAdviser::UpdateActions()
{
    if (!actCreate)
        return;
    actExec->setEnabled(actExecEnabled());
    const bool on = actCreateEnabled();
    // While the context menu is open the focus is in the menu: the popup
    // handler decides there.
    if (!popNewIndex->isVisible()) {
        actCreate->setEnabled(on);
        actTest->setEnabled(on);
        actNameChange->setEnabled(on);
    }
}

void TfrmIndexAdviser::popIndexPopup()
{
    const bool on = SelectedIndex() != nullptr;
    mnuIndexOpen->setEnabled(on);
    mnuIndexDelete->setEnabled(on);
}

void TfrmIndexAdviser::popNewIndexPopup()
{
    const bool on = SelectedProposal() != nullptr;
    actCreate->setEnabled(on);
    actTest->setEnabled(on);
    actNameChange->setEnabled(on);
}

bool TfrmIndexAdviser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstIndex && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tv::ui::Guard([this] { mnuIndexOpenClick(); });
            return true;
        }
        if (key == Qt::Key_Delete) {
            tv::ui::Guard([this] { mnuIndexDeleteClick(); });
            return true;
        }
    }
    return TtvToolForm::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// The analysis run

QString TfrmIndexAdviser::StatementText() const
{
    // Comments and blank lines go, and the text ends at its first ";": a
    // second statement (a COMMIT ending the protected block, a DELETE after
    // it) never reaches the server.
    const QString sel = txtSQL->SelText();
    QStringList lines = sel.isEmpty() ? txtSQL->Lines()->ToStringList() : QStringList{sel};
    CleanScriptLines(lines, true);
    return lines.join(QStringLiteral("\r\n"));
}

void TfrmIndexAdviser::CheckBind(tv::db::Params &Params)
{
    sqlrun::ApplyBindGrid(grdParam, splParam, pnlSQL->width(), Params, [this](const QString &t) { SetStatus(t); });
}

void TfrmIndexAdviser::BindInto(tv::db::Query &Query) const
{
    for (int i = 0; i < qrySQL->Params().count(); ++i)
        if (tv::db::Param *p = Query.Params().FindParam(qrySQL->Params()[i].Name))
            *p = qrySQL->Params()[i];
}

void TfrmIndexAdviser::actExecExecute()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    if (txtColCount->ValueInt() < 1) {
        ShowMessageBox(monitor::MsgColCount(), tv::ui::MB_ICONEXCLAMATION);
        txtColCount->setFocus();
        throw tv::SilentAbort();
    }
    WaitCursor cursor;

    // The history keeps the whole text of every changed statement.
    if (txtSQL->Modified() && tvOption.SQLBuf > 0) {
        txtSQL->SetModified(false);
        if (!sqllog::SaveEntry(txtSQL->Lines()->Text()))
            throw tv::Error(QStringLiteral("履歴ファイルを書き込めません: ") + tvOption.TempDir);
        FLog = 0;
    }
    txtSQL->SetModified(false);

    // The plan, with the bind values, in a block that is rolled back.
    const QString statement = StatementText();
    if (statement.isEmpty()) {
        ShowMessageBox(monitor::MsgNotAnalysable(), tv::ui::MB_ICONEXCLAMATION);
        return;
    }
    qrySQL->Close();
    qrySQL->SetSQL(QStringLiteral("EXPLAIN ANALYZE ") + statement);
    CheckBind(qrySQL->Params());
    tv::db::Connection &conn = cw->dbsMain();
    QStringList used;
    try {
        used = monitor::UsedIndexesOfPlan(
            monitor::RunPlan(conn, statement, [this](tv::db::Query &q) { BindInto(q); }));
    } catch (const tv::Error &e) {
        txtSQL->setFocus();
        ShowMessageBox(e.text(), tv::ui::MB_ICONSTOP);
        return;
    }

    // The statement's tables and condition tokens.
    int kind = 0;
    TtvParseList columns, tables, order;
    QStringList where, group, having;
    QString view;
    try {
        kind = ParseSQLStatement(statement, columns, tables, order, where, group, having, monitor::MsgCannotParse(),
                                 view);
    } catch (const ESQLParseError &e) {
        ShowMessageBox(e.text(), tv::ui::MB_ICONWARNING);
        throw tv::SilentAbort();
    }
    if (!monitor::IsAnalysable(kind, statement)) {
        ShowMessageBox(monitor::MsgNotAnalysable(), tv::ui::MB_ICONEXCLAMATION);
        return;
    }

    // The catalog: existing indexes, then the proposals. The reads run under
    // a statement savepoint so a failure leaves the user's transaction usable.
    const QString schema = conn.Params().MetaDefSchema;
    std::vector<monitor::TtvExistingTable> existing;
    std::vector<monitor::TtvProposalTable> proposals;
    std::exception_ptr failure;
    {
        tv::db::StatementSavepoint sp(conn);
        try {
            existing = monitor::ReadExistingIndexes(conn, tables, schema, used);
            monitor::TtvIndexCandidates gen(monitor::TtvIndexCandidates::ServerTableExists(conn),
                                            monitor::TtvIndexCandidates::ServerColumnOfTable(conn));
            gen.Generate(tables, where, schema, txtColCount->ValueInt(), existing, proposals);
            sp.release();
        } catch (const tv::Error &) {
            failure = std::current_exception();
        }
    }
    FillIndexList(existing);
    if (lstIndex->topLevelItemCount() == 0 && !failure)
        ShowMessageBox(monitor::MsgNoTable(), tv::ui::MB_ICONSTOP);
    FillProposalList(proposals);
    UpdateActions();
    if (failure)
        std::rethrow_exception(failure);
}

void TfrmIndexAdviser::FillIndexList(const std::vector<monitor::TtvExistingTable> &Existing)
{
    lstIndex->setUpdatesEnabled(false);
    lstIndex->clear();
    const int columns = lstIndex->SectionCount();
    for (const monitor::TtvExistingTable &t : Existing) {
        TtvTreeNode *table = lstIndex->AddNode(nullptr, t.Text);
        table->setIcon(0, MainWindowImage(45));
        if (t.Indexes.empty()) {
            TtvTreeNode *n = lstIndex->AddNode(table, monitor::MsgNoIndex());
            n->setIcon(0, MainWindowImage(46));
            Paint(n, kUnusedColour, columns);
        }
        for (const monitor::TtvExistingIndex &i : t.Indexes) {
            TtvTreeNode *n = lstIndex->AddNode(table, i.Name);
            n->SetSubItems({i.Kind, i.Columns, i.UsedText(), i.Schema});
            n->setIcon(0, MainWindowImage(46));
            if (!i.Used)
                Paint(n, kUnusedColour, columns);
        }
    }
    lstIndex->expandAll();
    lstIndex->setUpdatesEnabled(true);
}

void TfrmIndexAdviser::FillProposalList(const std::vector<monitor::TtvProposalTable> &Proposals)
{
    lstNewIndex->setUpdatesEnabled(false);
    lstNewIndex->clear();
    const int columns = lstNewIndex->SectionCount();
    for (const monitor::TtvProposalTable &t : Proposals) {
        TtvTreeNode *table = lstNewIndex->AddNode(nullptr, t.Text);
        table->setIcon(0, MainWindowImage(45));
        for (const monitor::TtvIndexProposal &p : t.Proposals) {
            TtvTreeNode *n = lstNewIndex->AddNode(table, p.Name);
            n->SetSubItems({p.Kind, p.Columns, p.StatusText()});
            n->setIcon(0, MainWindowImage(46));
            if (p.Created)
                Paint(n, kCreatedColour, columns);
        }
    }
    lstNewIndex->expandAll();
    lstNewIndex->setUpdatesEnabled(true);
}

// ---------------------------------------------------------------------------
// History

void TfrmIndexAdviser::LoadLogEntry()
{
    WaitCursor cursor;
    QString text;
    sqllog::ReadEntry(FLog, &text); // an unreadable entry leaves the editor empty
    txtSQL->Lines()->SetText(text);
    txtSQL->SetModified(false);
    txtSQL->EditorUndoObj()->Clear();
    txtSQL->SetRowCol(0, 0);
    UpdateActions();
}

void TfrmIndexAdviser::ClearEditor()
{
    txtSQL->Lines()->SetText(QString());
    txtSQL->SetModified(false);
    txtSQL->EditorUndoObj()->Clear();
    txtSQL->SetRowCol(0, 0);
    UpdateActions();
}

void TfrmIndexAdviser::actPrevExecute()
{
    if (FLog < SQLLogList.size() - 1) {
        ++FLog;
        LoadLogEntry();
    }
}

void TfrmIndexAdviser::actNextExecute()
{
    if (FLog < 0)
        return;
    FLog = std::min<int>(FLog, SQLLogList.size()) - 1;
    if (FLog >= 0)
        LoadLogEntry();
    else
        ClearEditor();
}

void TfrmIndexAdviser::actLogExecute()
{
    const int i = TfrmSQLLog::ShowWindow(this);
    if (i >= 0) {
        FLog = i;
        LoadLogEntry();
    }
}

// ---------------------------------------------------------------------------
// Existing indexes

void TfrmIndexAdviser::mnuIndexOpenClick()
{
    TtvTreeNode *n = SelectedIndex();
    auto *cw = dynamic_cast<TfrmObject *>(OwnerForm());
    if (!n || !cw)
        return;
    cw->OpenObject(46, n->SubItems().at(3), n->Text(), tvOption.OpenMode);
}

void TfrmIndexAdviser::mnuIndexDeleteClick()
{
    TtvTreeNode *n = SelectedIndex();
    IConnectionWindow *cw = OwnerForm();
    if (!n || !cw)
        return;
    const QString question =
        n->SubItems().at(2) == kUsed
            ? QStringLiteral("インデックスを削除しますか？")
            : QStringLiteral("このインデックスが他のSQLで使用される場合もありますが、\nインデックスを削除しますか？");
    if (ShowMessageBox(question, tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) !=
        tv::ui::IDYES)
        return;
    // A refused drop reaches the error display; the user's transaction stays usable.
    ExecuteProtected(QStringLiteral("DROP INDEX ") + QuoteIdentifier(n->SubItems().at(3)) + QLatin1Char('.') +
                     QuoteIdentifier(n->Text()));
    tv::ui::Guard([this] { actExecExecute(); });
    ShowMessageBox(QStringLiteral("インデックスが削除されました。"), tv::ui::MB_ICONINFORMATION);
}

// ---------------------------------------------------------------------------
// Proposals

void TfrmIndexAdviser::actCreateExecute()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    if (TtvTreeNode *n = SelectedProposal()) {
        QStringList script{QStringLiteral("CREATE INDEX ") + QuoteIdentifier(n->Text()),
                           QStringLiteral("ON ") + monitor::QuoteQualifiedName(QuoteIdentifier(n->parent()->text(0))) +
                               QLatin1Char('(') + monitor::QuoteColumnList(n->SubItems().at(1)) + QLatin1Char(')'),
                           QStringLiteral(";")};
        if (TfrmDDLPreview::ShowWindow(script, cw->dbsMain().Params().MetaDefSchema, n->Text())) {
            try {
                TfrmDDLExec::ShowWindow(cw, script);
            } catch (const tv::SilentAbort &) {
                // The execution dialog has shown the failure.
            }
            TfrmDDLExec::WaitProc();
        }
    }
    // Also after a cancelled preview: a created index shows as such.
    actExecExecute();
}

void TfrmIndexAdviser::actNameChangeExecute()
{
    TtvTreeNode *n = SelectedProposal();
    if (!n)
        return;
    QString name = n->Text();
    for (;;) {
        QString value = name;
        if (!InputQueryWithChecks(QStringLiteral("インデックス名の変更"),
                                  QStringLiteral("新しいインデックス名を入力して下さい。"), value, false))
            return;
        if (!value.trimmed().isEmpty()) {
            n->SetText(value);
            return;
        }
    }
}

void TfrmIndexAdviser::actTestExecute()
{
    IConnectionWindow *cw = OwnerForm();
    TtvTreeNode *n = SelectedProposal();
    if (!cw || !n)
        return;
    if (ShowMessageBox(monitor::MsgTestQuestion(), tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) != tv::ui::IDYES)
        return;
    const QString tableText = n->parent()->text(0);
    const QString indexName = n->Text();
    const QString columns = n->SubItems().at(1);
    const QString statement = StatementText();
    qryTest->Close();
    qryTest->SetSQL(QStringLiteral("EXPLAIN ANALYZE ") + statement);
    monitor::TtvCostTestResult r;
    {
        WaitCursor cursor;
        // The grid's values belong to qrySQL: the test checks them there.
        qrySQL->Close();
        qrySQL->SetSQL(qryTest->SQL());
        CheckBind(qrySQL->Params());
        // Under a statement savepoint: a failing ANALYZE leaves the user's
        // transaction usable.
        tv::db::StatementSavepoint sp(cw->dbsMain());
        r = monitor::RunCostTest(cw->dbsMain(), cw->DBVer(), tableText, indexName, columns, statement,
                                 [this](tv::db::Query &q) { BindInto(q); });
        sp.release();
    }
    if (!r.Ok()) {
        ShowMessageBox(monitor::MsgTestFailed(), tv::ui::MB_ICONEXCLAMATION);
        return;
    }
    bool save = false;
    ShowCheckMessageDialog(r.MessageLines().join(QLatin1Char('\n')), tv::ui::MB_ICONINFORMATION,
                           {{monitor::MsgSaveDetails(), &save}});
    if (!save)
        return;
    tv::ui::FileDialogRequest req;
    req.fileName = monitor::CostReportFileName(QDateTime::currentDateTime());
    req.filter = QStringLiteral("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*");
    req.overwritePrompt = true;
    const QString path = tv::ui::CurrentDialogs().saveFile(req);
    if (path.isEmpty())
        return;
    QString error;
    if (!monitor::WriteCostReport(path,
                                  monitor::CostReportLines(txtSQL->Lines()->ToStringList().join(QLatin1Char('\n')), tableText, indexName, columns, r),
                                  &error))
        throw tv::Error(path + QStringLiteral(": ") + error);
}
