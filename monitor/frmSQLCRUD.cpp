#include "monitor/frmSQLCRUD.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/NamedAction.h"
#include "common/tvOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "monitor/SQLCatch.h"
#include "monitor/frmSQLCatch.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "tools/ListOutput.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString kAll = QStringLiteral("(全て)");
const QString kAllTables = QStringLiteral("*");

QString LowerUnlessKept(const QString &Text)
{
    return tvOption.UseLowerName ? Text : Text.toLower();
}

} // namespace

TfrmSQLCRUD::TfrmSQLCRUD(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmSQLCRUD"))
{
    setObjectName(QStringLiteral("frmSQLCRUD"));
    resize(860, 540);

    actRefresh = NewAction(this, "actRefresh", QStringLiteral("表示(&V)"), QStringLiteral("一覧を表示します。"), 16);
    actSQLClear = NewAction(this, "actSQLClear", QStringLiteral("クリア(&D)"),
                            QStringLiteral("pg_stat_statementsの情報をクリアします。"), 41);
    actExplan = NewAction(this, "actExplan", QStringLiteral("実行計画(&P)"));
    actSQLCopy = NewAction(this, "actSQLCopy", QStringLiteral("SQL文をコピー(&C)"));
    connect(actRefresh, &QAction::triggered, this, tv::ui::Guarded([this] { Reload(actRefresh); }));
    connect(actSQLClear, &QAction::triggered, this, tv::ui::Guarded([this] { actSQLClearExecute(); }));
    connect(actExplan, &QAction::triggered, this, tv::ui::Guarded([this] { actExplanExecute(); }));
    connect(actSQLCopy, &QAction::triggered, this, tv::ui::Guarded([this] { actSQLCopyExecute(); }));

    // The picker, the matrix and the statement pane.
    splQuery = new QSplitter(Qt::Vertical, this);
    splQuery->setObjectName(QStringLiteral("splQuery"));
    splQuery->setChildrenCollapsible(false);
    splCRUD = new QSplitter(Qt::Horizontal, splQuery);
    splCRUD->setObjectName(QStringLiteral("splCRUD"));
    splCRUD->setChildrenCollapsible(false);
    auto *picker = new QWidget(splCRUD);
    picker->setObjectName(QStringLiteral("pnlTable"));
    auto *pick = new QVBoxLayout(picker);
    pick->setContentsMargins(0, 0, 0, 0);
    pick->addWidget(new QLabel(QStringLiteral("スキーマ"), picker));
    cmbSchema = new TtvComboBox(picker);
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    cmbSchema->setEditable(false);
    cmbSchema->setMaxVisibleItems(20);
    pick->addWidget(cmbSchema);
    lstTable = new QListWidget(picker);
    lstTable->setObjectName(QStringLiteral("lstTable"));
    pick->addWidget(lstTable, 1);
    lstCRUD = new TtvListView(splCRUD);
    lstCRUD->setObjectName(QStringLiteral("lstCRUD"));
    lstCRUD->SetMultiSelect(false);
    lstCRUD->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstCRUD->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstCRUD->setRootIsDecorated(false);
    lstCRUD->AddColumn(QStringLiteral("テーブル名"), 140);
    for (const char *mark : {"C", "R", "U", "D"})
        lstCRUD->AddColumn(QString::fromLatin1(mark), 30, Qt::AlignHCenter);
    lstCRUD->AddColumn(QStringLiteral("SQL"), 400);
    splCRUD->addWidget(picker);
    splCRUD->addWidget(lstCRUD);
    splCRUD->setStretchFactor(1, 1);
    splCRUD->setSizes({249, 600});
    txtQuery = new TtvMemo(splQuery);
    txtQuery->setObjectName(QStringLiteral("txtQuery"));
    txtQuery->SetReadOnly(true);
    splQuery->addWidget(splCRUD);
    splQuery->addWidget(txtQuery);
    splQuery->setStretchFactor(0, 1);
    splQuery->setSizes({400, 120});
    layout()->addWidget(splQuery);

    tolCmd->addAction(actRefresh);
    tolCmd->addAction(actSQLClear);
    Output = new TListOutput(this, tolCmd, lstCRUD, QStringLiteral("TBLACCESS"), -1, false);
    tolCmd->addAction(actExit);
    AddDBNamePanel();
    tolCmd->addWidget(new QLabel(QStringLiteral("ユーザー"), tolCmd));
    cmbUser = new TtvComboBox(tolCmd);
    cmbUser->setObjectName(QStringLiteral("cmbUser"));
    cmbUser->setEditable(false);
    cmbUser->setMaxVisibleItems(20);
    cmbUser->setMinimumWidth(120);
    tolCmd->addWidget(cmbUser);
    tolCmd->addSeparator();

    mnuSQLCRUD = new QMenu(QStringLiteral("テーブルアクセス表(&O)"), this);
    mnuSQLCRUD->setObjectName(QStringLiteral("mnuSQLCRUD"));
    mnuSQLCRUD->addAction(actRefresh);
    mnuSQLCRUD->addAction(actSQLClear);
    mnuSQLCRUD->addSeparator();
    mnuSQLCRUD->addAction(Output->actExcel);
    mnuSQLCRUD->addAction(Output->actCopy);
    AddMergeMenu(2, mnuSQLCRUD);
    popCRUD = new QMenu(this);
    popCRUD->setObjectName(QStringLiteral("popCRUD"));
    popCRUD->addAction(actExplan);
    popCRUD->addAction(actSQLCopy);
    lstCRUD->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstCRUD, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { popCRUD->popup(lstCRUD->viewport()->mapToGlobal(p)); });
    connect(lstCRUD, &QTreeWidget::itemSelectionChanged, this, tv::ui::Guarded([this] { lstCRUDSelectItem(); }));
    connect(lstCRUD, &QTreeWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { actExplanExecute(); }));
    connect(cmbSchema, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbSchemaSelect(); }));
    connect(cmbUser, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbSchemaSelect(); }));
    UpdateActions();

    FinishCreate();
}

void TfrmSQLCRUD::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actViewSQLCRUD"),
                       [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); });
}

void TfrmSQLCRUD::PrepareOpen(IConnectionWindow *AOwner)
{
    TfrmSQLCatch::CheckStatStatements(AOwner);
    TfrmSQLCatch::FillUserList(AOwner, cmbUser, AOwner->dbsMain().Params().User_Name);
}

QString TfrmSQLCRUD::GetCurrentSchema()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return QString();
    try {
        tv::db::Query q(&cw->dbsMain());
        q.SetSQL(QStringLiteral("SELECT current_schema() as \"MySchema\""));
        OpenProtected(q);
        const QString s = q.Eof() ? QString() : q.FieldByName(QStringLiteral("MySchema")).AsString();
        q.Close();
        return s;
    } catch (...) {
        return QString();
    }
}

void TfrmSQLCRUD::cmbDBNameChange()
{
    IConnectionWindow *cw = SelectedConnection();
    if (!cw)
        return;
    SetOwnerForm(cw);
    Retitle();
    QStringList schemas;
    cw->GetSchemaInfo(schemas, false);
    cmbSchema->clear();
    for (const QString &s : schemas)
        cmbSchema->addItem(LowerUnlessKept(s));
    cmbSchema->model()->sort(0);
    cmbSchema->setCurrentIndex(cmbSchema->findText(GetCurrentSchema(), Qt::MatchExactly));
    cmbSchemaSelect();
    TfrmSQLCatch::FillUserList(cw, cmbUser, cw->dbsMain().Params().User_Name);
    txtQuery->Lines()->SetText(QString());
    lstCRUD->clear();
    UpdateActions();
}

void TfrmSQLCRUD::cmbSchemaSelect()
{
    lstTable->clear();
    QStringList names;
    if (auto *form = dynamic_cast<TfrmObject *>(OwnerForm()); form && !cmbSchema->Text().isEmpty()) {
        QStringList tables;
        form->GetObject(tables, cmbSchema->Text(), QStringLiteral("TABLE"));
        names << tables;
        if (form->DBVer() >= 90300) {
            QStringList views;
            form->GetObject(views, cmbSchema->Text(), QStringLiteral("MATERIALIZED VIEW"));
            names << views;
        }
    }
    auto add = [this](const QString &text, bool ticked) {
        auto *it = new QListWidgetItem(text, lstTable);
        it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
        it->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    };
    add(kAllTables, true);
    for (const QString &n : names)
        add(n, false);
}

QStringList TfrmSQLCRUD::TickedTables() const
{
    QStringList out;
    if (lstTable->count() == 0)
        return out;
    const bool all = lstTable->item(0)->checkState() == Qt::Checked;
    for (int i = 1; i < lstTable->count(); ++i) {
        if (all || lstTable->item(i)->checkState() == Qt::Checked)
            out << lstTable->item(i)->text();
    }
    return out;
}

void TfrmSQLCRUD::Reload(QObject * /*Sender*/)
{
    BuildMatrix();
}

void TfrmSQLCRUD::BuildMatrix()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    lstCRUD->clear();
    txtQuery->Lines()->SetText(QString());
    UpdateActions();
    bool any = false;
    for (int i = 0; i < lstTable->count(); ++i)
        any = any || lstTable->item(i)->checkState() == Qt::Checked;
    if (!any) {
        ShowMessageBox(QStringLiteral("対象テーブルを選択して下さい。"), tv::ui::MB_ICONEXCLAMATION);
        throw tv::SilentAbort();
    }
    const QStringList tables = TickedTables();
    ReadGuarded([&] {
        struct Back {
            TtvListView *l;
            ~Back()
            {
                l->setUpdatesEnabled(true);
                if (IMainWindow *m = MainWindow())
                    m->SetDefMessage();
            }
        } back{lstCRUD};
        lstCRUD->setUpdatesEnabled(false);
        tv::db::Query q(&cw->dbsMain());
        q.SetSQL(sqlcatch::MatrixStatementsSQL());
        q.ParamByName(QStringLiteral("datname")).setAsString(cw->dbsMain().Params().Database);
        q.ParamByName(QStringLiteral("rolname")).setAsString(sqlcatch::MatrixRolePattern(cmbUser->Text()));
        OpenProtected(q);
        QStringList statements;
        statements.reserve(q.RecordCount());
        tv::db::Field &query = q.FieldByName(QStringLiteral("query"));
        for (q.First(); !q.Eof(); q.Next())
            statements << query.AsString();
        q.Close();
        const std::vector<sqlcatch::TCrudRow> rows = sqlcatch::BuildMatrix(tables, statements);
        const QString star = QStringLiteral("*");
        auto mark = [&star](bool on) { return on ? star : QString(); };
        QList<QTreeWidgetItem *> items;
        items.reserve(qsizetype(rows.size()));
        for (const sqlcatch::TCrudRow &r : rows)
            items << new TtvListItem(r.Table, {mark(r.Marks.C), mark(r.Marks.R), mark(r.Marks.U), mark(r.Marks.D),
                                               statements.at(r.Statement)});
        lstCRUD->addTopLevelItems(items);
    });
    UpdateActions();
}

QString TfrmSQLCRUD::SelectedStatement() const
{
    TtvListItem *it = lstCRUD->Selected();
    return it ? it->SubItem(4) : QString();
}

void TfrmSQLCRUD::lstCRUDSelectItem()
{
    txtQuery->Lines()->SetText(SelectedStatement());
    UpdateActions();
}

void TfrmSQLCRUD::UpdateActions()
{
    const bool selected = lstCRUD->Selected() != nullptr;
    actExplan->setEnabled(selected);
    actSQLCopy->setEnabled(selected);
}

void TfrmSQLCRUD::actSQLClearExecute()
{
    IConnectionWindow *cw = OwnerForm();
    if (cw && TfrmSQLCatch::ResetStatements(cw))
        Reload(actSQLClear);
}

void TfrmSQLCRUD::actExplanExecute()
{
    if (lstCRUD->Selected())
        TfrmSQLCatch::OpenPlan(OwnerForm(), SelectedStatement());
}

void TfrmSQLCRUD::actSQLCopyExecute()
{
    if (lstCRUD->Selected())
        QApplication::clipboard()->setText(SelectedStatement());
}
