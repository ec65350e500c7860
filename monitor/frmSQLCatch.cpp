#include "monitor/frmSQLCatch.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/NamedAction.h"
#include "common/tvOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "monitor/SQLCatch.h"
#include "monitor/frmIndexAdviser.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "sql/frmSQL.h"
#include "tools/ListOutput.h"
#include "tools/ToolWidgets.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString kAll = QStringLiteral("(全て)");

// A read of the windows' own: inside an open transaction block a failure
// leaves the user's work as it was.
void OpenUnderSavepoint(tv::db::Query &Query)
{
    tv::db::StatementSavepoint sp(*Query.GetConnection());
    Query.Open();
    sp.release();
}

} // namespace

TfrmSQLCatch::TfrmSQLCatch(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmSQLCatch"))
{
    setObjectName(QStringLiteral("frmSQLCatch"));
    resize(860, 520);

    actRefresh = NewAction(this, "actRefresh", QStringLiteral("表示(&V)"), QStringLiteral("一覧を表示します。"), 16);
    actSQLClear = NewAction(this, "actSQLClear", QStringLiteral("クリア(&C)"),
                            QStringLiteral("pg_stat_statementsの情報をクリアします。"), 41);
    actFind = NewAction(this, "actFind", QStringLiteral("検索"), QStringLiteral("検索します。"), 24);
    actExplan = NewAction(this, "actExplan", QStringLiteral("実行計画(&P)"));
    actSQLCopy = NewAction(this, "actSQLCopy", QStringLiteral("SQL文をコピー(&C)"));
    actIndexAdviser = NewAction(this, "actIndexAdviser", QStringLiteral("インデックスアドバイザ(&I)"));
    connect(actRefresh, &QAction::triggered, this, tv::ui::Guarded([this] { Reload(actRefresh); }));
    connect(actFind, &QAction::triggered, this, tv::ui::Guarded([this] { Reload(actFind); }));
    connect(actSQLClear, &QAction::triggered, this, tv::ui::Guarded([this] { actSQLClearExecute(); }));
    connect(actExplan, &QAction::triggered, this, tv::ui::Guarded([this] { actExplanExecute(); }));
    connect(actSQLCopy, &QAction::triggered, this, tv::ui::Guarded([this] { actSQLCopyExecute(); }));
    connect(actIndexAdviser, &QAction::triggered, this, tv::ui::Guarded([this] { actIndexAdviserExecute(); }));

    tolCmd->addAction(actRefresh);
    tolCmd->addAction(actSQLClear);
    if (auto *b = qobject_cast<QToolButton *>(tolCmd->widgetForAction(actSQLClear)))
        b->setText(QStringLiteral("クリア(&D)"));

    // The list and the statement pane.
    splTrace = new QSplitter(Qt::Vertical, this);
    splTrace->setObjectName(QStringLiteral("splTrace"));
    splTrace->setChildrenCollapsible(false);
    auto *upper = new QWidget(splTrace);
    auto *upperLay = new QVBoxLayout(upper);
    upperLay->setContentsMargins(0, 0, 0, 0);
    upperLay->setSpacing(2);
    pnlFind = new QWidget(upper);
    pnlFind->setObjectName(QStringLiteral("pnlFind"));
    auto *find = new QHBoxLayout(pnlFind);
    find->setContentsMargins(0, 0, 0, 0);
    btnFind = new QToolButton(pnlFind);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnFind->setDefaultAction(actFind);
    txtFind = new TtvStrEdit(pnlFind);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    toolui::LowerCaseTyping(txtFind, [] { return !tvOption.UseLowerName; });
    lblUser = new QLabel(QStringLiteral("ユーザー"), pnlFind);
    lblUser->setObjectName(QStringLiteral("lblUser"));
    cmbUser = new TtvComboBox(pnlFind);
    cmbUser->setObjectName(QStringLiteral("cmbUser"));
    cmbUser->setEditable(true);
    cmbUser->setMaxVisibleItems(20);
    cmbUser->setMinimumWidth(140);
    toolui::LowerCaseTyping(cmbUser->lineEdit(), [] { return !tvOption.UseLowerName; });
    find->addWidget(btnFind);
    find->addWidget(txtFind, 1);
    find->addSpacing(4);
    find->addWidget(lblUser);
    find->addWidget(cmbUser);
    upperLay->addWidget(pnlFind);

    lstTrace = new TtvListView(upper);
    lstTrace->setObjectName(QStringLiteral("lstTrace"));
    lstTrace->SetMultiSelect(false);
    lstTrace->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstTrace->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstTrace->setRootIsDecorated(false);
    lstTrace->AddColumn(QStringLiteral("ﾕｰｻﾞｰ"), 100);
    lstTrace->AddColumn(QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽ"), 100);
    lstTrace->AddColumn(QStringLiteral("実行回数"), 100, Qt::AlignRight);
    lstTrace->AddColumn(QStringLiteral("処理時間(秒)"), 100, Qt::AlignRight);
    lstTrace->AddColumn(QStringLiteral("影響を受けた行"), 120, Qt::AlignRight);
    lstTrace->AddColumn(QStringLiteral("SQL"), 392);
    upperLay->addWidget(lstTrace, 1);
    txtQuery = new TtvMemo(splTrace);
    txtQuery->setObjectName(QStringLiteral("txtQuery"));
    txtQuery->SetReadOnly(true);
    splTrace->addWidget(upper);
    splTrace->addWidget(txtQuery);
    splTrace->setStretchFactor(0, 1);
    splTrace->setSizes({380, 120});
    layout()->addWidget(splTrace);

    Output = new TListOutput(this, tolCmd, lstTrace, QStringLiteral("SQLCATCH"), -1, false);
    tolCmd->addAction(actExit);
    AddDBNamePanel();

    mnuSQLCatch = new QMenu(QStringLiteral("SQLキャッチ(&O)"), this);
    mnuSQLCatch->setObjectName(QStringLiteral("mnuSQLCatch"));
    mnuSQLCatch->addAction(actRefresh);
    mnuSQLCatch->addAction(actSQLClear);
    mnuSQLCatch->addSeparator();
    mnuSQLCatch->addAction(Output->actExcel);
    mnuSQLCatch->addAction(Output->actCopy);
    AddMergeMenu(2, mnuSQLCatch);
    popTrace = new QMenu(this);
    popTrace->setObjectName(QStringLiteral("popTrace"));
    popTrace->addAction(actExplan);
    popTrace->addAction(actSQLCopy);
    popTrace->addAction(actIndexAdviser);
    lstTrace->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstTrace, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { popTrace->popup(lstTrace->viewport()->mapToGlobal(p)); });
    connect(lstTrace, &QTreeWidget::itemSelectionChanged, this, tv::ui::Guarded([this] { lstTraceSelectItem(); }));
    connect(lstTrace, &QTreeWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { actExplanExecute(); }));
    txtFind->installEventFilter(this);
    cmbUser->installEventFilter(this);
    UpdateActions();

    FinishCreate();
}

void TfrmSQLCatch::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actViewSQLCatch"),
                       [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); });
}

void TfrmSQLCatch::CheckStatStatements(IConnectionWindow *Form)
{
    tv::db::Query q(&Form->dbsMain());
    q.SetSQL(sqlcatch::ViewCheckSQL());
    OpenUnderSavepoint(q);
    const bool found = !q.Eof();
    q.Close();
    if (!found) {
        ShowMessageBox(QStringLiteral("pg_stat_statementsがpublicスキーマに存在しない為、\r\n表示する事が出来ません。"),
                       tv::ui::MB_ICONEXCLAMATION);
        throw tv::SilentAbort();
    }
}

void TfrmSQLCatch::FillUserList(IConnectionWindow *Form, TtvComboBox *Combo, const QString &UserName)
{
    Combo->clear();
    Combo->addItem(kAll);
    tv::db::Query q(&Form->dbsMain());
    q.SetSQL(sqlcatch::UserListSQL());
    OpenUnderSavepoint(q);
    QStringList names;
    // While typed names turn to lower case, the box holds them so too.
    for (q.First(); !q.Eof(); q.Next())
        names << (tvOption.UseLowerName ? q.Fields(0).AsString() : q.Fields(0).AsString().toLower());
    q.Close();
    Combo->addItems(names);
    Combo->setCurrentIndex(0);
    if (!UserName.isEmpty()) {
        const int at = Combo->findText(UserName, Qt::MatchExactly);
        Combo->setCurrentIndex(at);
        if (at < 0)
            Combo->setEditText(QString());
    }
}

bool TfrmSQLCatch::ResetStatements(IConnectionWindow *Form)
{
    if (ShowMessageBox(QStringLiteral("pg_stat_statementsの情報をクリアしますか？"),
                       tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
        return false;
    try {
        tv::db::Query q(&Form->dbsMain());
        q.SetSQL(sqlcatch::ResetSQL(Form->DBVer()));
        OpenUnderSavepoint(q);
        q.Close();
    } catch (const tv::Error &e) {
        if (!sqlcatch::ResetErrorMeansDone(e.text())) {
            ShowMessageBox(QStringLiteral("エラーが発生しました。\r\n") + e.text(), tv::ui::MB_ICONSTOP);
            return false;
        }
    }
    ShowMessageBox(QStringLiteral("クリアしました。"), tv::ui::MB_ICONINFORMATION);
    return true;
}

void TfrmSQLCatch::OpenPlan(IConnectionWindow *Form, const QString &Statement)
{
    auto *cw = dynamic_cast<TfrmObject *>(Form);
    if (!cw)
        return;
    auto *w = new TfrmSQL(cw);
    w->ShowForm();
    w->txtSQL->Lines()->SetText(Statement);
    w->btnExplan->setChecked(true);
    w->btnExplanClick();
    w->actExecExecute();
}

void TfrmSQLCatch::PrepareOpen(IConnectionWindow *AOwner)
{
    CheckStatStatements(AOwner);
    FillUserList(AOwner, cmbUser, AOwner->dbsMain().Params().User_Name);
}

void TfrmSQLCatch::cmbDBNameChange()
{
    IConnectionWindow *cw = SelectedConnection();
    if (!cw)
        return;
    SetOwnerForm(cw);
    Retitle();
    LoadStatements(txtFind->Text().trimmed(), cmbUser->Text().trimmed());
}

void TfrmSQLCatch::Reload(QObject * /*Sender*/)
{
    LoadStatements(txtFind->Text().trimmed(), cmbUser->Text().trimmed());
}

void TfrmSQLCatch::LoadStatements(const QString &Search, const QString &User)
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    ReadGuarded([&] {
        IMainWindow *m = MainWindow();
        if (m)
            m->SetLoopMessage(0, 0);
        struct Back {
            TtvListView *l;
            IMainWindow *m;
            ~Back()
            {
                l->setUpdatesEnabled(true);
                if (m)
                    m->SetDefMessage();
            }
        } back{lstTrace, m};
        lstTrace->setUpdatesEnabled(false);
        lstTrace->clear();
        txtQuery->Lines()->SetText(QString());
        const int ver = cw->DBVer();
        tv::db::Query q(&cw->dbsMain());
        q.SetSQL(sqlcatch::StatementListSQL(ver));
        q.ParamByName(QStringLiteral("datname")).setAsString(cw->dbsMain().Params().Database);
        q.ParamByName(QStringLiteral("kensaku")).setAsString(sqlcatch::SearchPattern(Search));
        q.ParamByName(QStringLiteral("rolname")).setAsString(sqlcatch::RolePattern(User));
        OpenProtected(q);
        tv::db::Field &role = q.FieldByName(QStringLiteral("rolname"));
        tv::db::Field &db = q.FieldByName(QStringLiteral("datname"));
        tv::db::Field &calls = q.FieldByName(QStringLiteral("calls"));
        tv::db::Field &time = q.FieldByName(sqlcatch::TotalTimeField(ver));
        tv::db::Field &rows = q.FieldByName(QStringLiteral("rows"));
        tv::db::Field &query = q.FieldByName(QStringLiteral("query"));
        QList<QTreeWidgetItem *> items;
        items.reserve(q.RecordCount());
        for (q.First(); !q.Eof(); q.Next())
            items << new TtvListItem(role.AsString(), {db.AsString(), calls.AsString(),
                                                       sqlcatch::FormatTotalTime(time.AsFloat()), rows.AsString(),
                                                       query.AsString()});
        q.Close();
        lstTrace->addTopLevelItems(items);
    });
    UpdateActions();
}

QString TfrmSQLCatch::SelectedStatement() const
{
    TtvListItem *it = lstTrace->Selected();
    return it ? it->SubItem(4) : QString();
}

void TfrmSQLCatch::lstTraceSelectItem()
{
    txtQuery->Lines()->SetText(SelectedStatement());
    UpdateActions();
}

void TfrmSQLCatch::UpdateActions()
{
    const bool selected = lstTrace->Selected() != nullptr;
    for (QAction *a : {actExplan, actSQLCopy, actIndexAdviser})
        a->setEnabled(selected);
}

void TfrmSQLCatch::actSQLClearExecute()
{
    IConnectionWindow *cw = OwnerForm();
    if (cw && ResetStatements(cw))
        Reload(actSQLClear);
}

void TfrmSQLCatch::actExplanExecute()
{
    if (lstTrace->Selected())
        OpenPlan(OwnerForm(), SelectedStatement());
}

void TfrmSQLCatch::actIndexAdviserExecute()
{
    if (lstTrace->Selected())
        TfrmIndexAdviser::OpenWithStatement(OwnerForm(), SelectedStatement());
}

void TfrmSQLCatch::actSQLCopyExecute()
{
    if (lstTrace->Selected())
        QApplication::clipboard()->setText(SelectedStatement());
}

bool TfrmSQLCatch::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::KeyPress && (Watched == txtFind || Watched == cmbUser)) {
        const int key = static_cast<QKeyEvent *>(Event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tv::ui::Guard([this] { Reload(this); });
            return true;
        }
    }
    return TtvToolForm::eventFilter(Watched, Event);
}
