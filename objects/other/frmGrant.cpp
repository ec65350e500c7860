#include "objects/other/frmGrant.h"

#include "common/IMainWindow.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/WindowBounds.h"
#include "controls/tvCheckListBox.h"
#include "controls/tvListView.h"
#include "objects/other/frmRole.h"
#include "objects/other/frmUser.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/ListItemImage.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

using namespace GrantDialog;

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QString CaptionOf(TfrmObject *Owner)
{
    return QStringLiteral("権限付与 - ") + Owner->ConnectionText();
}

QWidget *Titled(const QString &Title, QWidget *Body)
{
    auto *w = new QWidget;
    auto *l = new QVBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(new QLabel(Title));
    l->addWidget(Body, 1);
    return w;
}

} // namespace

void TfrmGrant::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actGrant"), [](const TLaunchContext &c) -> QWidget * {
        return c.Connection ? Open(c.Connection) : nullptr;
    });
}

TfrmGrant *TfrmGrant::Open(TfrmObject *AOwner)
{
    if (IMainWindow *m = MainWindow())
        if (auto *open = m->FindWindowOf<TfrmGrant>(CaptionOf(AOwner), true))
            return open;
    auto *w = new TfrmGrant(AOwner);
    w->ShowForm();
    // Showing made it the active window unless the main window is hidden.
    if (!w->FActivated)
        w->Activate();
    return w;
}

TfrmGrant::TfrmGrant(TfrmObject *AOwner) : TtvForm(AOwner), FObject(AOwner)
{
    setObjectName(QStringLiteral("frmGrant"));
    setWindowTitle(CaptionOf(AOwner));
    CreateTaskButton();
    SetTaskCaption(ShortTaskCaption(AOwner->ConnectionText()));
    if (IMainWindow *m = MainWindow())
        setWindowIcon(m->MainImage(91));

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    tolCmd = new QToolBar;
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    actExec = new QAction(QStringLiteral("実行(&E)"), this);
    actExec->setObjectName(QStringLiteral("actExec"));
    actExec->setStatusTip(QStringLiteral("権限の付与を行います。"));
    actExit = new QAction(QStringLiteral("終了(&X)"), this);
    actExit->setObjectName(QStringLiteral("actExit"));
    if (IMainWindow *m = MainWindow()) {
        actExec->setIcon(m->ButtonImage(28));
        actExit->setIcon(m->ButtonImage(42));
    }
    tolCmd->addAction(actExec);
    tolCmd->addAction(actExit);
    root->addWidget(tolCmd);
    connect(actExec, &QAction::triggered, this, tv::ui::Guarded([this] { Compile(actExec); }));
    connect(actExit, &QAction::triggered, this, [this] { Close(); });
    auto *menu = new QMenu(QStringLiteral("権限付与(&O)"), this);
    menu->addAction(actExec);
    AddMergeMenu(2, menu);

    auto *split = new QSplitter(Qt::Vertical);
    auto *upper = new QSplitter(Qt::Horizontal);
    lstUser = new TtvListView;
    lstUser->setObjectName(QStringLiteral("lstUser"));
    lstUser->AddColumn(QStringLiteral("名前"), 160);
    lstUser->AddColumn(QStringLiteral("タイプ"), 60);
    lstUser->setSelectionMode(QAbstractItemView::SingleSelection);
    upper->addWidget(Titled(QStringLiteral(" ユーザー一覧"), lstUser));
    chkGrant = new TtvCheckListBox;
    chkGrant->setObjectName(QStringLiteral("chkGrant"));
    for (int i = 0; i < PrivilegeCount; ++i)
        chkGrant->addItem(Line(i));
    auto changed = [this](QObject *) {
        if (!FLoading)
            SetModified(true);
    };
    chkGrant->OnClickCheckL = changed;
    chkGrant->OnClickCheckR = changed;
    upper->addWidget(Titled(QStringLiteral(" 権限一覧"), chkGrant));
    split->addWidget(upper);
    lstGrant = new TtvListView;
    lstGrant->setObjectName(QStringLiteral("lstGrant"));
    lstGrant->AddColumn(QStringLiteral("権限付与先"), 140);
    lstGrant->AddColumn(QStringLiteral("権限名"), 120);
    lstGrant->AddColumn(QStringLiteral("GRANT"), 124);
    lstGrant->AddColumn(QStringLiteral("オブジェクト名"), 200);
    lstGrant->AddColumn(QStringLiteral("引数"), 200);
    lstGrant->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstGrant->setContextMenuPolicy(Qt::CustomContextMenu);
    lstGrant->installEventFilter(this);
    split->addWidget(Titled(QStringLiteral(" 付与済みの権限"), lstGrant));
    root->addWidget(split, 1);

    popGrant = new QMenu(this);
    popRevoke = popGrant->addAction(QStringLiteral("権限の取消(&R)"));
    popRevoke->setObjectName(QStringLiteral("popRevoke"));
    connect(popRevoke, &QAction::triggered, this, tv::ui::Guarded([this] { popRevokeClick(); }));
    connect(lstGrant, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        popRevoke->setEnabled(!lstGrant->selectedItems().isEmpty());
        popGrant->popup(lstGrant->viewport()->mapToGlobal(p));
    });
    connect(lstUser, &QTreeWidget::itemSelectionChanged, this, tv::ui::Guarded([this] {
                lstUserChange();
                lstUserClick();
            }));
    connect(lstUser, &QTreeWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { lstUserDblClick(); }));
    connect(lstUser, &QTreeWidget::itemSelectionChanged, this,
            [this] { actExec->setEnabled(!SelectedGrantee().isEmpty()); });
    actExec->setEnabled(false);

    FinishCreate();
    ShowUsers();
}

int TfrmGrant::DBVer() const
{
    return FObject ? FObject->DBVer() : 0;
}

void TfrmGrant::LoadSettings()
{
    TWindowBoundsRules r;
    r.Position = false;
    r.NormalStateOnly = true;
    LoadWindowBounds(*this, QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\GRANT"), r);
}

void TfrmGrant::SaveSettings()
{
    TWindowBoundsRules r;
    r.Position = false;
    r.NormalStateOnly = true;
    try {
        SaveWindowBounds(*this, QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\GRANT"), r);
    } catch (const tv::Error &) {
    }
}

bool TfrmGrant::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == lstGrant && Event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(Event)->key() == Qt::Key_Delete) {
        tv::ui::Guard([this] { popRevokeClick(); });
        return true;
    }
    return TtvForm::eventFilter(Watched, Event);
}

void TfrmGrant::Activate()
{
    FActivated = true;
    TtvForm::Activate();
    tv::ui::Guard([this] {
        GetObjects();
        ShowGrants();
    });
}

// ---------------------------------------------------------------------------
// Grantees and objects

void TfrmGrant::ShowUsers()
{
    lstUser->clear();
    if (!FObject)
        return;
    QStringList users, roles;
    FObject->GetUser(users, true);
    FObject->GetRole(roles);
    const QString me = FObject->dbsMain().Params().User_Name;
    for (const QString &u : users) {
        TtvListItem *item = lstUser->AddItem(u, {QStringLiteral("USER")});
        SetItemImageIndex(item, u == me ? 3 : 2);
        if (IMainWindow *m = MainWindow())
            item->setIcon(0, m->MainImage(u == me ? 3 : 2));
    }
    for (const QString &r : roles) {
        TtvListItem *item = lstUser->AddItem(r, {QStringLiteral("ROLE")});
        SetItemImageIndex(item, 68);
        if (IMainWindow *m = MainWindow())
            item->setIcon(0, m->MainImage(68));
    }
}

QString TfrmGrant::SelectedGrantee() const
{
    const QList<QTreeWidgetItem *> s = lstUser->selectedItems();
    return s.isEmpty() ? QString() : s.first()->text(0);
}

bool TfrmGrant::SelectGrantee(const QString &Name)
{
    for (int i = 0; i < lstUser->ItemCount(); ++i)
        if (lstUser->Item(i)->Caption() == Name) {
            lstUser->setCurrentItem(lstUser->Item(i));
            lstUser->Item(i)->setSelected(true);
            return true;
        }
    return false;
}

void TfrmGrant::GetObjects()
{
    FItems.clear();
    if (!FObject || !FObject->lstObject)
        return;
    TtvListView *list = FObject->lstObject;
    for (int i = 0; i < list->ItemCount(); ++i) {
        TtvListItem *item = list->Item(i);
        if (!item->isSelected())
            continue;
        TGrantObject o;
        o.Type = ItemImageIndex(item);
        o.Schema = item->SubItem(0);
        o.Name = item->Caption();
        if (o.Type == 51 || o.Type == 52 || o.Type == 128) {
            o.Oid = item->SubItem(8).toLongLong();
            o.FunArgDel = item->SubItem(12);
        }
        if (o.Type == 55)
            o.TypType = item->SubItem(13);
        FItems << o;
    }
}

void TfrmGrant::ShowGrants()
{
    FLoading = true;
    struct Done {
        TfrmGrant *w;
        ~Done() { w->FLoading = false; }
    } done{this};
    for (int i = 0; i < PrivilegeCount; ++i) {
        chkGrant->SetCheckedL(i, false);
        chkGrant->SetCheckedR(i, false);
        chkGrant->SetItemEnabledL(i, false);
        chkGrant->SetItemEnabledR(i, false);
    }
    QList<TGrantedRow> rows;
    {
        WaitCursor wait;
        tv::db::Query q(&FObject->dbsMain());
        const bool ok = tv::ui::Guard([&] { LoadAcls(q, FItems, DBVer(), FObject->g_bPostgresPlus()); });
        if (!ok) {
            QMetaObject::invokeMethod(this, [this] { Close(); }, Qt::QueuedConnection);
            return;
        }
    }
    for (const TGrantObject &o : FItems) {
        GrantedRows(o, rows);
        for (int i = 0; i < PrivilegeCount; ++i)
            if (Applies(i, o, DBVer())) {
                chkGrant->SetItemEnabledL(i, true);
                chkGrant->SetItemEnabledR(i, true);
            }
    }
    lstGrant->setUpdatesEnabled(false);
    lstGrant->clear();
    for (const TGrantedRow &r : rows) {
        TtvListItem *item = lstGrant->AddItem(r.Grantee, {r.Privilege, r.GrantOption ? QStringLiteral("YES") : QStringLiteral("NO"),
                                                          r.Entry, r.Args});
        item->setData(0, Qt::UserRole, r.Type);
        item->setData(0, Qt::UserRole + 1, r.FunArgDel);
    }
    lstGrant->setUpdatesEnabled(true);
    FLoading = false;
    lstUserChange();
    lstUserClick();
}

void TfrmGrant::lstUserChange()
{
    const QString grantee = SelectedGrantee();
    for (int i = 0; i < PrivilegeCount; ++i)
        chkGrant->SetItemEnabledR(i, grantee != QStringLiteral("public") && chkGrant->GetItemEnabledL(i));
}

void TfrmGrant::lstUserClick()
{
    const QString grantee = SelectedGrantee();
    if (grantee.isEmpty())
        return;
    FLoading = true;
    const TCounts c = Count(FItems, grantee, DBVer());
    const int total = int(FItems.size());
    auto state = [](int s) { return s == 2 ? Qt::Checked : s == 1 ? Qt::PartiallyChecked : Qt::Unchecked; };
    for (int i = 0; i < PrivilegeCount; ++i) {
        chkGrant->SetStateL(i, state(State(c.Granted[i], total)));
        chkGrant->SetStateR(i, state(State(c.Option[i], total)));
    }
    chkGrant->Save();
    ReadBoxes(FSaved);
    FLoading = false;
    SetModified(false);
}

void TfrmGrant::ReadBoxes(TBoxes (&Boxes)[PrivilegeCount]) const
{
    for (int i = 0; i < PrivilegeCount; ++i) {
        Boxes[i].Left = chkGrant->GetStateL(i);
        Boxes[i].Right = chkGrant->GetStateR(i);
        Boxes[i].Enabled = chkGrant->GetItemEnabledL(i);
    }
}

void TfrmGrant::lstUserDblClick()
{
    const QList<QTreeWidgetItem *> s = lstUser->selectedItems();
    if (s.isEmpty() || s.first()->text(0) == QStringLiteral("public") || !FObject)
        return;
    const int icon = ItemImageIndex(s.first());
    if (icon == 2 || icon == 3)
        TfrmUser::Open(FObject, s.first()->text(0), tvOption.OpenMode);
    else if (icon == 68)
        TfrmRole::Open(FObject, s.first()->text(0), tvOption.OpenMode);
}

// ---------------------------------------------------------------------------
// Statements

void TfrmGrant::RunUnit(tv::db::Connection &Conn, const QStringList &Unit)
{
    // The REVOKE and the GRANT after it succeed or fail together, in one
    // round trip: outside a block as one implicit transaction, inside one
    // under a savepoint that a failure rolls back to.
    const QString text = Unit.join(QStringLiteral(";\n"));
    if (Unit.size() == 1 || Conn.transactionState() == tv::db::TransactionState::Idle) {
        Conn.Exec(text);
        return;
    }
    const QString name = Conn.NewSavepointName();
    try {
        Conn.Exec(QStringLiteral("SAVEPOINT ") + name + QStringLiteral(";\n") + text +
                  QStringLiteral(";\nRELEASE SAVEPOINT ") + name);
    } catch (...) {
        try {
            Conn.Exec(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name + QStringLiteral(";\nRELEASE SAVEPOINT ") + name);
        } catch (...) {
        }
        throw;
    }
}

void TfrmGrant::Compile(QObject *)
{
    CommitActiveControl();
    const QString grantee = SelectedGrantee();
    if (grantee.isEmpty()) {
        ShowMessageBox(QStringLiteral("ユーザーを選択して下さい。"), tv::ui::MB_ICONEXCLAMATION);
        throw tv::SilentAbort();
    }
    if (ShowMessageBox(QStringLiteral("権限を付与しますか？"), tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) !=
        tv::ui::IDYES)
        return;
    TBoxes now[PrivilegeCount];
    ReadBoxes(now);
    tv::db::Connection &conn = FObject->dbsMain();
    IMainWindow *m = MainWindow();
    for (int i = 0; i < FItems.size(); ++i) {
        if (m)
            m->SetLoopMessage(i + 1, int(FItems.size()));
        if (EscapePressed())
            break;
        for (const QStringList &unit : Statements(FItems[i], grantee, now, FSaved, DBVer())) {
            WaitCursor wait;
            try {
                RunUnit(conn, unit);
            } catch (...) {
                if (m)
                    m->SetDefMessage();
                throw;
            }
        }
    }
    if (m)
        m->SetDefMessage();
    ShowGrants();
    ShowMessageBox(QStringLiteral("権限を付与しました。"), tv::ui::MB_ICONINFORMATION);
}

void TfrmGrant::popRevokeClick()
{
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < lstGrant->ItemCount(); ++i)
        if (lstGrant->Item(i)->isSelected())
            rows << lstGrant->Item(i);
    if (rows.isEmpty())
        return;
    bool cascade = false;
    if (ShowCheckMessageDialog(QStringLiteral("オブジェクト権限を取り消しますか？"),
                               tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION,
                               {{QStringLiteral("CASCADE オプション"), &cascade}}) != tv::ui::IDYES)
        return;
    for (QTreeWidgetItem *row : rows) {
        const QString clause = ObjectClause(row->data(0, Qt::UserRole).toInt(), row->text(3),
                                            row->data(0, Qt::UserRole + 1).toString());
        FObject->ExecuteSQL(QStringLiteral("REVOKE ") + row->text(1).trimmed() + QStringLiteral(" ON ") + clause +
                            QStringLiteral(" FROM ") + QuoteIdentifier(row->text(0)) +
                            (cascade ? QStringLiteral(" CASCADE") : QString()));
        delete row;
    }
    ShowGrants();
    ShowMessageBox(QStringLiteral("権限を取り消しました。"), tv::ui::MB_ICONINFORMATION);
}
