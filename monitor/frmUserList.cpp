#include "monitor/frmUserList.h"

#include "common/IConnectionWindow.h"
#include "common/Interaction.h"
#include "common/Quote.h"
#include "common/tvOption.h"
#include "common/NamedAction.h"
#include "controls/tvListView.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/ListItemImage.h"
#include "shell/ObjectDispatcher.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

TfrmUserList::TfrmUserList(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmUserList"))
{
    setObjectName(QStringLiteral("frmUserList"));
    resize(760, 480);

    actNew = NewAction(this, "actNew", QStringLiteral("新規(&N)"));
    actOpen = NewAction(this, "actOpen", QStringLiteral("開く(&O)"));
    actDelete = NewAction(this, "actDelete", QStringLiteral("削除(&D)"));
    actRefresh = NewRefreshAction();
    actScript = NewAction(this, "actScript", QStringLiteral("スクリプト出力(&S)"));
    actExport = NewAction(this, "actExport", QStringLiteral("バックアップ(&B)"));
    for (QAction *a : {actNew, actOpen, actDelete, actRefresh, actExit})
        tolCmd->addAction(a);
    AddDBNamePanel();

    mnuUserList = new QMenu(QStringLiteral("ユーザー情報(&O)"), this);
    mnuUserList->setObjectName(QStringLiteral("mnuUserList"));
    mnuUserList->addAction(actNew);
    mnuUserList->addAction(actOpen);
    mnuUserList->addAction(actScript);
    mnuUserList->addAction(actDelete);
    mnuUserList->addSeparator();
    mnuUserList->addAction(actExport);
    AddMergeMenu(2, mnuUserList);

    pagUsrList = new QTabWidget(this);
    pagUsrList->setObjectName(QStringLiteral("pagUsrList"));
    tabUser = new QWidget;
    tabUser->setObjectName(QStringLiteral("tabUser"));
    tabRole = new QWidget;
    tabRole->setObjectName(QStringLiteral("tabRole"));
    tabSchema = new QWidget;
    tabSchema->setObjectName(QStringLiteral("tabSchema"));
    for (QWidget *t : {tabUser, tabRole, tabSchema}) {
        auto *l = new QVBoxLayout(t);
        l->setContentsMargins(0, 0, 0, 0);
    }
    pagUsrList->addTab(tabUser, QStringLiteral("ユーザー"));
    pagUsrList->addTab(tabRole, QStringLiteral("ロール"));
    pagUsrList->addTab(tabSchema, QStringLiteral("スキーマ"));
    if (IMainWindow *m = MainWindow()) {
        pagUsrList->setTabIcon(0, m->MainImage(3));
        pagUsrList->setTabIcon(1, m->MainImage(68));
        pagUsrList->setTabIcon(2, m->MainImage(4));
    }
    layout()->addWidget(pagUsrList);

    lstObject = new TtvListView(tabUser);
    lstObject->setObjectName(QStringLiteral("lstObject"));
    lstObject->SetMultiSelect(true);
    lstObject->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstObject->setContextMenuPolicy(Qt::CustomContextMenu);
    tabUser->layout()->addWidget(lstObject);
    lstObject->installEventFilter(this);

    // The list's row of the actions over selected items.
    Row.Open = [this](int code, const QString &name) { listactions::OpenListedObject(OwnerForm(), code, name); };
    Row.DropSQL = [](int code, const QString &name, bool cascade) {
        switch (code) {
        case 2:
        case 3:
            return QStringLiteral("DROP USER ") + QuoteIdentifier(name);
        case 68:
            return QStringLiteral("DROP ROLE ") + QuoteIdentifier(name);
        default:
            return QStringLiteral("DROP SCHEMA ") + QuoteIdentifier(name) +
                   (cascade ? QStringLiteral(" CASCADE") : QString());
        }
    };
    Row.DropChecks = true;
    Row.AfterDrop = [this] {
        if (auto *f = dynamic_cast<TfrmObject *>(OwnerForm()))
            f->ShowTree();
    };
    Row.GrantMode = [](int code) { return code == 4 ? 0 : 2; };
    Row.RenameStart = [](int code) {
        switch (code) {
        case 2:
        case 3:
            return QStringLiteral("ALTER USER ");
        case 4:
            return QStringLiteral("ALTER SCHEMA ");
        default:
            return QStringLiteral("ALTER ROLE ");
        }
    };
    Row.CanEdit = [](TtvListItem *item) { return item != nullptr; };
    listactions::InstallNameEditor(lstObject, [this] { return OwnerForm(); }, &Row);

    connect(actNew, &QAction::triggered, this, tv::ui::Guarded([this] { actNewExecute(); }));
    connect(actOpen, &QAction::triggered, this, tv::ui::Guarded([this] { actOpenExecute(); }));
    connect(actScript, &QAction::triggered, this, tv::ui::Guarded([this] { actScriptExecute(); }));
    connect(actDelete, &QAction::triggered, this, tv::ui::Guarded([this] { actDeleteExecute(); }));
    connect(actExport, &QAction::triggered, this, tv::ui::Guarded([this] { actExportExecute(); }));
    connect(lstObject, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
    connect(lstObject, &QTreeWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { actOpenExecute(); }));
    connect(lstObject, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { mnuUserList->popup(lstObject->viewport()->mapToGlobal(pos)); });
    connect(pagUsrList, &QTabWidget::currentChanged, this, tv::ui::Guarded([this] { pagUsrListChange(); }));
    UpdateActions();
    FinishCreate();
}

void TfrmUserList::RegisterLauncher()
{
    auto open = [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); };
    ::RegisterLauncher(QStringLiteral("actAdminUser"), open);
    ::RegisterLauncher(QStringLiteral("actUser"), open);
}

int TfrmUserList::TabCode() const
{
    switch (pagUsrList->currentIndex()) {
    case 1:
        return 68;
    case 2:
        return 4;
    default:
        return 3;
    }
}

// ---------------------------------------------------------------------------
// Statements

QString TfrmUserList::ListSQL(int TabCode, int ServerVersion, bool IsEdb)
{
    if (TabCode == 4) {
        QString sql = QStringLiteral(" SELECT NS.nspname , RO.rolname FROM pg_namespace NS"
                                     " LEFT JOIN pg_roles RO ON RO.oid = NS.nspowner WHERE"
                                     " (NOT(NS.nspname LIKE 'pg\\_%') OR NS.nspname = 'pg_catalog')");
        if (IsEdb)
            sql += ServerVersion < 90200 ? QStringLiteral(" AND ( NOT(nspparent != 0) )")
                                         : QStringLiteral(" AND ( NOT((nspparent != 0) AND (nspobjecttype = 0)) )");
        return sql + QStringLiteral(" ORDER BY 1");
    }
    QString sql = QStringLiteral(" SELECT rolname, oid, rolsuper, rolcreatedb, rolcreaterole, rolinherit");
    sql += ServerVersion < 90500 ? QStringLiteral(", rolcatupdate") : QStringLiteral(", NULL");
    if (TabCode != 68)
        sql += QStringLiteral(", TO_CHAR(rolvaliduntil, 'YYYY/MM/DD') || ' ' || TO_CHAR(rolvaliduntil, "
                              "'HH24:MI:SS') AS rolvaliduntil");
    if (ServerVersion >= 90100)
        sql += QStringLiteral(", rolreplication");
    if (IsEdb)
        sql += QStringLiteral(" , rolcreatedblink , rolcreatepublicdblink , roldroppublicdblink");
    sql += QStringLiteral(" FROM pg_roles");
    sql += TabCode == 68 ? QStringLiteral(" WHERE rolcanlogin = False") : QStringLiteral(" WHERE rolcanlogin = True");
    return sql + QStringLiteral(" ORDER BY rolname");
}

QList<QPair<QString, int>> TfrmUserList::ListColumns(int TabCode, int ServerVersion, bool IsEdb)
{
    if (TabCode == 4)
        return {{QStringLiteral("スキーマ名"), 200}, {QStringLiteral("所有者"), 160}};
    QList<QPair<QString, int>> c;
    if (TabCode == 68)
        c = {{QStringLiteral("ロール名"), 160},      {QStringLiteral("ロールID"), 80},
             {QStringLiteral("スーパーユーザ"), 120}, {QStringLiteral("DB作成権限"), 100},
             {QStringLiteral("ロール作成"), 100},    {QStringLiteral("権限継承"), 80},
             {QStringLiteral("システムカタログ更新"), 160}};
    else
        c = {{QStringLiteral("ユーザー名"), 160},    {QStringLiteral("ユーザーID"), 90},
             {QStringLiteral("スーパーユーザ"), 120}, {QStringLiteral("DB作成権限"), 90},
             {QStringLiteral("ロール作成"), 100},    {QStringLiteral("権限継承"), 80},
             {QStringLiteral("システムカタログ更新"), 160}, {QStringLiteral("パスワードの有効期限"), 160}};
    if (ServerVersion >= 90100)
        c.append({QStringLiteral("ストリーミングレプリケーション"), 230});
    if (IsEdb)
        c += {{QStringLiteral("DBリンク作成"), 100},
              {QStringLiteral("パブリックDBリンク作成"), 100},
              {QStringLiteral("パブリックDBリンク削除"), 100}};
    return c;
}

// ---------------------------------------------------------------------------
// Reading

void TfrmUserList::pagUsrListChange()
{
    QWidget *tab = pagUsrList->currentWidget();
    if (lstObject->parentWidget() != tab) {
        tab->layout()->addWidget(lstObject);
        lstObject->show();
    }
    Reload(this);
}

void TfrmUserList::Reload(QObject * /*Sender*/)
{
    Retitle();
    LoadList();
    UpdateActions();
}

void TfrmUserList::LoadList()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    ReadGuarded([&] {
        const int tab = TabCode();
        const int ver = cw->DBVer();
        const bool edb = cw->g_bPostgresPlus();
        lstObject->clear();
        lstObject->setColumnCount(0);
        for (const auto &c : ListColumns(tab, ver, edb))
            lstObject->AddColumn(c.first, c.second);
        IMainWindow *m = MainWindow();
        if (m)
            m->SetLoopMessage(0, 0);
        const bool lock = !tvOption.Progress;
        if (lock)
            lstObject->setUpdatesEnabled(false);
        struct Restore {
            TtvListView *l;
            IMainWindow *m;
            bool lock;
            ~Restore()
            {
                if (lock)
                    l->setUpdatesEnabled(true);
                if (m)
                    m->SetDefMessage();
            }
        } restore{lstObject, m, lock};
        tv::db::Query q(&cw->dbsMain());
        q.SetSQL(ListSQL(tab, ver, edb));
        OpenProtected(q);
        const int image = tab == 3 ? 2 : tab;
        const QIcon icon = MainWindowImage(image);
        const int fields = q.FieldCount();
        QList<QTreeWidgetItem *> items;
        items.reserve(q.RecordCount());
        QStringList names;
        tv::ui::ClearEscape();
        int row = 0;
        for (q.First(); !q.Eof(); q.Next()) {
            // Esc stops the reading and keeps what was read (checked every
            // few rows: each check lets pending events through).
            if ((row++ & 31) == 0 && tv::ui::EscapePressed())
                break;
            QStringList sub;
            sub.reserve(fields - 1);
            for (int i = 1; i < fields; ++i)
                sub << q.Fields(i).AsString();
            auto *it = new TtvListItem(q.Fields(0).AsString(), sub);
            it->setFlags(it->flags() | Qt::ItemIsEditable);
            SetItemImageIndex(it, image);
            it->setIcon(0, icon);
            names << it->Caption();
            items << it;
        }
        q.Close();
        lstObject->addTopLevelItems(items);
        lstObject->CustomSort();
        if (tab == 3) {
            // The connection's own user: exactly, in upper case, or without
            // regard to case.
            QString own = DequoteIdentifier(cw->dbsMain().Params().User_Name);
            if (!names.contains(own)) {
                if (names.contains(own.toUpper())) {
                    own = own.toUpper();
                } else {
                    for (const QString &n : names)
                        if (n.compare(own, Qt::CaseInsensitive) == 0) {
                            own = n;
                            break;
                        }
                }
            }
            const QIcon ownIcon = MainWindowImage(3);
            for (int i = 0; i < lstObject->ItemCount(); ++i) {
                TtvListItem *it = lstObject->Item(i);
                if (it->Caption() == own) {
                    SetItemImageIndex(it, 3);
                    it->setIcon(0, ownIcon);
                }
            }
        }
    });
}

// ---------------------------------------------------------------------------
// Actions

void TfrmUserList::UpdateActions()
{
    const bool any = !lstObject->selectedItems().isEmpty();
    actOpen->setEnabled(any);
    actScript->setEnabled(any);
    actDelete->setEnabled(any);
    actExport->setEnabled(any && TabCode() == 4);
    if (IMainWindow *m = MainWindow())
        actNew->setIcon(m->MainImage(TabCode()));
}

void TfrmUserList::actNewExecute()
{
    listactions::OpenListedObject(OwnerForm(), TabCode() == 3 ? 2 : TabCode(), QString());
}

void TfrmUserList::actOpenExecute()
{
    if (!actOpen->isEnabled())
        return;
    listactions::OpenSelected(lstObject, Row);
}

void TfrmUserList::actScriptExecute()
{
    if (!actScript->isEnabled())
        return;
    listactions::ScriptSelected(OwnerForm(), lstObject, Row);
}

void TfrmUserList::actDeleteExecute()
{
    if (!actDelete->isEnabled())
        return;
    Row.CascadeBox = TabCode() == 4;
    listactions::DropSelected(OwnerForm(), lstObject, Row);
    UpdateActions();
}

void TfrmUserList::actExportExecute()
{
    UpdateActions();
    if (!actExport->isEnabled())
        return;
    TLaunchContext c;
    c.Connection = dynamic_cast<TfrmObject *>(OwnerForm());
    c.ObjectType = 1;
    for (TtvListItem *it : lstObject->SelectedItems())
        c.Schema += it->Caption() + QStringLiteral("\r\n");
    Launch(QStringLiteral("actAdminExport"), c);
}

bool TfrmUserList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstObject && event->type() == QEvent::KeyPress) {
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
                listactions::StartRename(lstObject, Row);
                return true;
            default:
                break;
            }
        }
    }
    return TtvToolForm::eventFilter(watched, event);
}
