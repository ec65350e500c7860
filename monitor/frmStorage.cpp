#include "monitor/frmStorage.h"

#include "common/IConnectionWindow.h"
#include "common/Quote.h"
#include "common/tvOption.h"
#include "common/NamedAction.h"
#include "controls/tvListView.h"
#include "controls/tvStrEdit.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectDispatcher.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QValidator>

namespace {

// Text typed into the search box kept in lower case (only while the option
// UseLowerName is off).
class TLowerCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toLower();
        return Acceptable;
    }
};


} // namespace

TfrmStorage::TfrmStorage(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmStorage"))
{
    setObjectName(QStringLiteral("frmStorage"));
    resize(860, 420);

    actNew = NewAction(this, "actNew", QStringLiteral("新規(&N)"));
    actOpen = NewAction(this, "actOpen", QStringLiteral("開く(&O)"));
    actDelete = NewAction(this, "actDelete", QStringLiteral("削除(&D)"));
    actRefresh = NewAction(this, "actRefresh", QStringLiteral("最新(&R)"));
    actRefresh->setToolTip(QStringLiteral("最新の情報に更新します。"));
    actScript = NewAction(this, "actScript", QStringLiteral("スクリプト出力(&S)"));
    actFind = NewAction(this, "actFind", QStringLiteral("検索"));
    for (QAction *a : {actNew, actOpen, actDelete, actRefresh, actExit})
        tolCmd->addAction(a);
    tolCmd->addSeparator();
    auto *lblSize = new QLabel(QStringLiteral("サイズ"), tolCmd);
    tolCmd->addWidget(lblSize);
    cmbSize = new QComboBox(tolCmd);
    cmbSize->setObjectName(QStringLiteral("cmbSize"));
    cmbSize->addItems({QStringLiteral("GB"), QStringLiteral("MB"), QStringLiteral("KB"), QStringLiteral("B")});
    cmbSize->setCurrentIndex(1);
    tolCmd->addWidget(cmbSize);
    AddDBNamePanel(QStringLiteral("データベース"));

    pnlFind = new QWidget(this);
    pnlFind->setObjectName(QStringLiteral("pnlFind"));
    auto *h = new QHBoxLayout(pnlFind);
    h->setContentsMargins(2, 2, 2, 2);
    auto *btnFind = new QToolButton(pnlFind);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnFind->setDefaultAction(actFind);
    h->addWidget(btnFind);
    txtFind = new TtvStrEdit(pnlFind);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    h->addWidget(txtFind, 1);
    if (!tvOption.UseLowerName)
        txtFind->setValidator(new TLowerCaseValidator(txtFind));
    layout()->addWidget(pnlFind);

    lstTbs = new TtvListView(this);
    lstTbs->setObjectName(QStringLiteral("lstTbs"));
    lstTbs->SetMultiSelect(true);
    lstTbs->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstTbs->setContextMenuPolicy(Qt::CustomContextMenu);
    lstTbs->AddColumn(QStringLiteral("ﾃｰﾌﾞﾙｽﾍﾟｰｽ名"), 180);
    lstTbs->AddColumn(QStringLiteral("所有者"), 100);
    lstTbs->AddColumn(QStringLiteral("ﾃﾞｨﾚｸﾄﾘ"), 240);
    lstTbs->AddColumn(QStringLiteral("使用量"), 100, Qt::AlignRight);
    lstTbs->AddColumn(QStringLiteral("ｱｸｾｽ権限"), 120);
    lstTbs->AddColumn(QStringLiteral("ｵﾌﾟｼｮﾝ"), 120);
    layout()->addWidget(lstTbs);
    lstTbs->installEventFilter(this);
    txtFind->installEventFilter(this);

    mnuStorage = new QMenu(QStringLiteral("テーブルスペース情報(&O)"), this);
    mnuStorage->setObjectName(QStringLiteral("mnuStorage"));
    mnuStorage->addAction(actNew);
    mnuStorage->addAction(actOpen);
    mnuStorage->addAction(actScript);
    mnuStorage->addSeparator();
    mnuStorage->addAction(actDelete);
    AddMergeMenu(2, mnuStorage);
    popTbs = new QMenu(this);
    popTbs->setObjectName(QStringLiteral("popTbs"));
    popTbs->addAction(actNew);
    popTbs->addAction(actDelete);
    popTbs->addSeparator();
    popTbs->addAction(actOpen);
    popTbs->addSeparator();
    popTbs->addAction(actScript);

    Row.Open = [this](int, const QString &name) { listactions::OpenListedObject(OwnerForm(), 69, name); };
    Row.DropSQL = [](int, const QString &name, bool) { return QStringLiteral("DROP TABLESPACE ") + QuoteIdentifier(name); };
    Row.DropOnSideConnection = true;
    Row.GrantMode = [](int) { return 3; };
    Row.RenameStart = [](int) { return QStringLiteral("ALTER TABLESPACE "); };
    Row.CanEdit = [this](TtvListItem *item) {
        IConnectionWindow *cw = OwnerForm();
        if (!item || !cw)
            return false;
        const QString user = cw->dbsMain().Params().User_Name;
        return item->SubItem(0) == user || IsSuperUser(user);
    };
    listactions::InstallNameEditor(lstTbs, [this] { return OwnerForm(); }, &Row);

    connect(actNew, &QAction::triggered, this, tv::ui::Guarded([this] { actNewExecute(); }));
    connect(actOpen, &QAction::triggered, this, tv::ui::Guarded([this] { actOpenExecute(); }));
    connect(actScript, &QAction::triggered, this, tv::ui::Guarded([this] { actScriptExecute(); }));
    connect(actDelete, &QAction::triggered, this, tv::ui::Guarded([this] { actDeleteExecute(); }));
    connect(actRefresh, &QAction::triggered, this, tv::ui::Guarded([this] { actRefreshExecute(); }));
    connect(actFind, &QAction::triggered, this, tv::ui::Guarded([this] { Reload(this); }));
    connect(cmbSize, &QComboBox::activated, this, tv::ui::Guarded([this] { Reload(this); }));
    connect(lstTbs, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
    connect(lstTbs, &QTreeWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { actOpenExecute(); }));
    connect(lstTbs, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { popTbs->popup(lstTbs->viewport()->mapToGlobal(pos)); });
    UpdateActions();
    FinishCreate();
}

void TfrmStorage::RegisterLauncher()
{
    auto open = [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); };
    ::RegisterLauncher(QStringLiteral("actAdminStorage"), open);
    ::RegisterLauncher(QStringLiteral("actStorage"), open);
}

// ---------------------------------------------------------------------------
// Statements and sizes

QString TfrmStorage::ListSQL(int ServerVersion, bool SuperUser, bool Search)
{
    QString sql = QStringLiteral("SELECT t.spcname, a.rolname, ");
    sql += ServerVersion >= 90200 ? QStringLiteral("pg_tablespace_location(t.oid) AS \"spclocation\", ")
                                  : QStringLiteral("t.spclocation, ");
    sql += SuperUser ? QStringLiteral("pg_tablespace_size(t.spcname) AS \"use_size\", ")
                     : QStringLiteral("-1 AS \"use_size\", ");
    sql += QStringLiteral("array_to_string(t.spcacl,', ') AS \"role_grant\", "
                          "array_to_string(t.spcoptions,', ') AS \"tbs_option\" "
                          "FROM pg_tablespace t LEFT OUTER JOIN pg_roles a ON a.oid = t.spcowner "
                          "WHERE 0 = 0");
    if (Search)
        sql += QStringLiteral(" AND (( spcname LIKE :kensaku ) OR ( rolname LIKE :kensaku ))");
    return sql + QStringLiteral(" ORDER BY t.spcname ASC");
}

QString TfrmStorage::SizeText(qint64 Bytes, const QString &Unit)
{
    if (Bytes == -1)
        return QStringLiteral("(非表示)");
    if (Unit == QLatin1String("B"))
        return QString::number(Bytes);
    double divisor = 1024.0;
    if (Unit == QLatin1String("MB"))
        divisor = 1024.0 * 1024.0;
    else if (Unit == QLatin1String("GB"))
        divisor = 1024.0 * 1024.0 * 1024.0;
    const double v = double(Bytes) / divisor;
    if (v >= 0.1)
        return QString::number(v, 'f', 1);
    return v == 0 ? QStringLiteral("0") : QStringLiteral("0.1未満");
}

// ---------------------------------------------------------------------------
// Reading

bool TfrmStorage::IsSuperUser(const QString &UserName)
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return false;
    tv::db::Query q(&cw->dbsMain());
    q.SetSQL(QStringLiteral("SELECT usesuper FROM pg_user WHERE usename = :USER_NAME"));
    q.ParamByName(QStringLiteral("USER_NAME")).setAsString(UserName);
    OpenProtected(q);
    const bool super = !q.IsEmpty() && q.FieldByName(QStringLiteral("usesuper")).AsBoolean();
    q.Close();
    return super;
}

void TfrmStorage::Reload(QObject * /*Sender*/)
{
    ReadGuarded([&] {
        Retitle();
        LoadTablespaces(txtFind->text());
    });
    UpdateActions();
}

void TfrmStorage::actRefreshExecute()
{
    txtFind->clear();
    Reload(this);
}

void TfrmStorage::LoadTablespaces(const QString &Search)
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    lstTbs->setUpdatesEnabled(false);
    struct Unlock {
        TtvListView *l;
        ~Unlock() { l->setUpdatesEnabled(true); }
    } unlock{lstTbs};
    lstTbs->clear();
    const bool super = IsSuperUser(cw->dbsMain().Params().User_Name);
    tv::db::Query q(&cw->dbsMain());
    q.SetSQL(ListSQL(cw->DBVer(), super, !Search.isEmpty()));
    if (!Search.isEmpty())
        q.ParamByName(QStringLiteral("kensaku")).setAsString(QLatin1Char('%') + Search + QLatin1Char('%'));
    OpenProtected(q);
    const QString unit = cmbSize->currentText();
    const QIcon icon = MainWindowImage(69);
    QList<QTreeWidgetItem *> items;
    for (q.First(); !q.Eof(); q.Next()) {
        auto *it = new TtvListItem(
            q.FieldByName(QStringLiteral("spcname")).AsString(),
            {q.FieldByName(QStringLiteral("rolname")).AsString(), q.FieldByName(QStringLiteral("spclocation")).AsString(),
             SizeText(q.FieldByName(QStringLiteral("use_size")).AsInt64(), unit),
             q.FieldByName(QStringLiteral("role_grant")).AsString(),
             q.FieldByName(QStringLiteral("tbs_option")).AsString()});
        it->setFlags(it->flags() | Qt::ItemIsEditable);
        SetItemImageIndex(it, 69);
        it->setIcon(0, icon);
        items << it;
    }
    q.Close();
    lstTbs->addTopLevelItems(items);
}

// ---------------------------------------------------------------------------
// Actions

void TfrmStorage::UpdateActions()
{
    const bool any = !lstTbs->selectedItems().isEmpty();
    actOpen->setEnabled(any);
    actScript->setEnabled(any);
    actDelete->setEnabled(any);
}

void TfrmStorage::actNewExecute()
{
    listactions::OpenListedObject(OwnerForm(), 69, QString());
}

void TfrmStorage::actOpenExecute()
{
    if (actOpen->isEnabled())
        listactions::OpenSelected(lstTbs, Row);
}

void TfrmStorage::actScriptExecute()
{
    if (actScript->isEnabled())
        listactions::ScriptSelected(OwnerForm(), lstTbs, Row);
}

void TfrmStorage::actDeleteExecute()
{
    if (!actDelete->isEnabled())
        return;
    listactions::DropSelected(OwnerForm(), lstTbs, Row);
    UpdateActions();
}

bool TfrmStorage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtFind && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tv::ui::Guard([this] { Reload(this); });
            return true;
        }
    }
    if (watched == lstTbs && event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        if (k->modifiers() == Qt::NoModifier) {
            switch (k->key()) {
            case Qt::Key_Delete:
                tv::ui::Guard([this] { actDeleteExecute(); });
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                tv::ui::Guard([this] { actOpenExecute(); });
                return true;
            case Qt::Key_F2:
                tv::ui::Guard([this] { listactions::StartRename(lstTbs, Row); });
                return true;
            default:
                break;
            }
        }
    }
    return TtvToolForm::eventFilter(watched, event);
}
