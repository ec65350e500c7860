#include "objects/other/frmRole.h"

#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/TextUtil.h"
#include "controls/tvCheckBox.h"
#include "controls/tvCheckListBox.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/other/frmSchema.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

struct CloseOnExit {
    tv::db::Query *q;
    ~CloseOnExit() { q->Close(); }
};

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

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

// ---------------------------------------------------------------------------
// Construction

TfrmRoleBase::TfrmRoleBase(IConnectionWindow *AOwner, const TDefinitionKind &Kind, bool User)
    : TfrmDefinition(AOwner, Kind), FUser(User)
{
    qryUser = NewQuery();
    qryWork = NewQuery();
    BuildDefinePage();
}

void TfrmRoleBase::BuildDefinePage()
{
    auto *root = new QVBoxLayout(tabDefine);
    auto *top = new QHBoxLayout;
    root->addLayout(top);

    pnlLeft = new QWidget;
    pnlLeft->setObjectName(QStringLiteral("pnlLeft"));
    pnlLeft->setVisible(FUser);
    top->addWidget(pnlLeft);

    auto check = [this](TtvCheckBox *&c, const char *name, const QString &caption) {
        c = new TtvCheckBox(caption);
        c->setObjectName(QString::fromLatin1(name));
        c->OnClick = [this](QObject *) {
            if (!FLoading)
                Changed();
        };
        return c;
    };
    grpPrivilege = new QGroupBox(QStringLiteral("ロール特権"));
    grpPrivilege->setObjectName(QStringLiteral("grpPrivilege"));
    auto *gl = new QVBoxLayout(grpPrivilege);
    gl->addWidget(check(chkSuperUser, "chkSuperUser", QStringLiteral("スーパーユーザ")));
    gl->addWidget(check(chkCreateDB, "chkCreateDB", QStringLiteral("データベース作成権限")));
    gl->addWidget(check(chkCreateRole, "chkCreateRole", QStringLiteral("ロール作成権限")));
    gl->addWidget(check(chkSucParRole, "chkSucParRole", QStringLiteral("親ロール継承")));
    gl->addWidget(check(chkCatupdate, "chkCatupdate", QStringLiteral("システムカタログ更新権限")));
    gl->addWidget(check(chkReplication, "chkReplication", QStringLiteral("ストリーミングレプリケーション")));
    chkSuperUser->OnClick = [this](QObject *) { chkSuperUserClick(); };
    top->addWidget(grpPrivilege);

    grpPpasPrivilege = new QGroupBox(QStringLiteral("EDB Postgres 機能特権"));
    grpPpasPrivilege->setObjectName(QStringLiteral("grpPpasPrivilege"));
    auto *pl = new QVBoxLayout(grpPpasPrivilege);
    pl->addWidget(check(chkCreateDbLink, "chkCreateDbLink", QStringLiteral("データベースリンク作成権限")));
    pl->addWidget(check(chkCreatePublicDbLink, "chkCreatePublicDbLink", QStringLiteral("パブリックDBリンク作成権限")));
    pl->addWidget(check(chkDeletePublicDbLink, "chkDeletePublicDbLink", QStringLiteral("パブリックDBリンク削除権限")));
    top->addWidget(grpPpasPrivilege);
    top->addStretch(1);

    auto *lists = new QHBoxLayout;
    root->addLayout(lists, 1);
    auto list = [this](TtvCheckListBox *&l, const char *name) {
        l = new TtvCheckListBox;
        l->setObjectName(QString::fromLatin1(name));
        l->viewport()->installEventFilter(this);
        auto changed = [this, l](QObject *) {
            PaintOptions(l);
            if (!FLoading)
                Changed();
        };
        l->OnClickCheckL = changed;
        l->OnClickCheckR = changed;
        return l;
    };
    lists->addWidget(Titled(QStringLiteral("ロール / Admin Option"), list(chkRole, "chkRole")), 1);
    lists->addWidget(Titled(QStringLiteral("スキーマ / Grant Option"), list(chkSchema, "chkSchema")), 1);
    lstObj = new QListWidget;
    lstObj->setObjectName(QStringLiteral("lstObj"));
    lstObj->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstObj->setContextMenuPolicy(Qt::CustomContextMenu);
    lstObj->installEventFilter(this);
    lists->addWidget(Titled(QStringLiteral("オブジェクト権限"), lstObj), 1);

    popObj = new QMenu(this);
    popObj->setObjectName(QStringLiteral("popObj"));
    popRevoke = popObj->addAction(QStringLiteral("取消(&R)"));
    popRevoke->setObjectName(QStringLiteral("popRevoke"));
    connect(popRevoke, &QAction::triggered, this, tv::ui::Guarded([this] { popRevokeClick(); }));
    connect(lstObj, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        popRevoke->setEnabled(!lstObj->selectedItems().isEmpty());
        popObj->popup(lstObj->viewport()->mapToGlobal(p));
    });
}

bool TfrmRoleBase::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::MouseButtonDblClick) {
        if (Watched == chkRole->viewport()) {
            tv::ui::Guard([this] { chkRoleDblClick(); });
            return true;
        }
        if (Watched == chkSchema->viewport()) {
            tv::ui::Guard([this] { chkSchemaDblClick(); });
            return true;
        }
    }
    if (Watched == lstObj && Event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(Event)->key() == Qt::Key_Delete) {
        tv::ui::Guard([this] { popRevokeClick(); });
        return true;
    }
    return TfrmDefinition::eventFilter(Watched, Event);
}

void TfrmRoleBase::PaintOptions(TtvCheckListBox *List)
{
    for (int i = 0; i < List->count(); ++i)
        List->item(i)->setForeground(List->GetCheckedR(i) ? QBrush(QColor(255, 0, 0)) : QBrush());
}

TRoleServer TfrmRoleBase::Server() const
{
    TRoleServer s;
    s.DBVer = DBVer();
    s.Edb = OwnerForm() && OwnerForm()->g_bPostgresPlus();
    return s;
}

QString TfrmRoleBase::LoginUser() const
{
    return OwnerForm() ? OwnerForm()->dbsMain().Params().User_Name : QString();
}

void TfrmRoleBase::PrepareQueries()
{
    if (FPrepared || !OwnerForm())
        return;
    FPrepared = true;
    const TRoleServer s = Server();
    chkReplication->setVisible(s.DBVer >= 90100);
    chkCatupdate->setVisible(s.DBVer <= 90499);
    grpPpasPrivilege->setVisible(s.Edb);

    {
        CloseOnExit c{qryWork};
        qryWork->SetSQL(RoleSQL::Roles());
        qryWork->Open();
        chkRole->clear();
        while (!qryWork->Eof()) {
            const QString name = qryWork->Fields(0).AsString();
            if (FUser || name != txtName->Text())
                chkRole->addItem(name);
            qryWork->Next();
        }
    }
    {
        CloseOnExit c{qryWork};
        qryWork->SetSQL(RoleSQL::Schemas(s.DBVer, s.Edb));
        qryWork->Open();
        chkSchema->clear();
        while (!qryWork->Eof()) {
            const QString name = qryWork->Fields(0).AsString();
            chkSchema->addItem(name + QStringLiteral(" [CREATE]"));
            chkSchema->addItem(name + QStringLiteral(" [USAGE] "));
            qryWork->Next();
        }
    }
}

// ---------------------------------------------------------------------------
// Load

void TfrmRoleBase::ShowDefine()
{
    WaitCursor wait;
    FLoading = true;
    struct Done {
        TfrmRoleBase *w;
        ~Done()
        {
            w->FLoading = false;
            w->SetModified(false);
        }
    } done{this};
    const TRoleServer s = Server();
    for (int i = 0; i < chkRole->count(); ++i) {
        chkRole->SetCheckedL(i, false);
        chkRole->SetCheckedR(i, false);
    }
    for (int i = 0; i < chkSchema->count(); ++i) {
        chkSchema->SetCheckedL(i, false);
        chkSchema->SetCheckedR(i, false);
    }
    lstObj->clear();
    if (!IsNew()) {
        const QString name = ObjectName();
        {
            CloseOnExit c{qryUser};
            qryUser->SetSQL(RoleSQL::Attributes(s.DBVer, s.Edb, FUser));
            qryUser->ParamByName(QStringLiteral("USERNAME")).setAsString(name);
            qryUser->Open();
            if (qryUser->Eof()) {
                if (SourceMode == smShow)
                    ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
                throw tv::SilentAbort();
            }
            auto flag = [this](const char *col) { return qryUser->FieldByName(QString::fromLatin1(col)).AsBoolean(); };
            chkSucParRole->SetChecked(flag("rolinherit"));
            chkCreateRole->SetChecked(flag("rolcreaterole"));
            chkCreateDB->SetChecked(flag("rolcreatedb"));
            chkSuperUser->SetChecked(flag("rolsuper"));
            if (s.Edb) {
                chkCreateDbLink->SetChecked(flag("rolcreatedblink"));
                chkCreatePublicDbLink->SetChecked(flag("rolcreatepublicdblink"));
                chkDeletePublicDbLink->SetChecked(flag("roldroppublicdblink"));
            }
            if (s.DBVer > 90099)
                chkReplication->SetChecked(flag("rolreplication"));
            FBypassRLS = s.DBVer >= 90500 && flag("rolbypassrls");
            if (s.DBVer < 90500)
                chkCatupdate->SetChecked(qryUser->Fields(5).AsBoolean());
            LoadUserAttributes(*qryUser);
        }
        {
            CloseOnExit c{qryWork};
            qryWork->SetSQL(RoleSQL::Memberships(FUser));
            qryWork->ParamByName(QStringLiteral("USERNAME")).setAsString(name);
            qryWork->Open();
            while (!qryWork->Eof()) {
                const QString role = qryWork->Fields(0).AsString();
                for (int i = 0; i < chkRole->count(); ++i)
                    if (chkRole->item(i)->text() == role) {
                        chkRole->SetCheckedL(i, true);
                        chkRole->SetCheckedR(i, qryWork->Fields(1).AsBoolean());
                        break;
                    }
                qryWork->Next();
            }
        }
        {
            QList<TRoleListItem> items;
            for (int i = 0; i < chkSchema->count(); ++i)
                items << TRoleListItem{chkSchema->item(i)->text().chopped(9), false, false};
            CloseOnExit c{qryWork};
            qryWork->SetSQL(RoleSQL::SchemaAcls(s.DBVer, s.Edb));
            qryWork->Open();
            while (!qryWork->Eof()) {
                ApplySchemaAclToRole(items, name, qryWork->Fields(0).AsString(), qryWork->Fields(1).AsString(),
                                     qryWork->Fields(3).IsNull(), qryWork->Fields(2).AsString());
                qryWork->Next();
            }
            for (int i = 0; i < items.size(); ++i) {
                chkSchema->SetCheckedL(i, items[i].Granted);
                chkSchema->SetCheckedR(i, items[i].Option);
            }
        }
        if (SourceMode == smShow)
            ShowObjectPrivileges();
    }
    PaintOptions(chkRole);
    PaintOptions(chkSchema);
    for (TtvCheckBox *c : {chkSuperUser, chkCreateDB, chkCreateRole, chkSucParRole, chkCatupdate, chkReplication,
                           chkCreateDbLink, chkCreatePublicDbLink, chkDeletePublicDbLink})
        c->Save();
    chkRole->Save();
    chkSchema->Save();
    SaveUserControls();
    FLoaded = CurrentDefinition();
    FLoaded.Password.clear();
    if (SourceMode == smShow)
        LoadLoginRights();
    RefreshSource();
}

void TfrmRoleBase::LoadLoginRights()
{
    G_SuperUser = G_CreateRole = G_Catupdate = false;
    const TRoleServer s = Server();
    {
        CloseOnExit c{qryWork};
        qryWork->SetSQL(RoleSQL::LoginUser(s.DBVer));
        qryWork->ParamByName(QStringLiteral("USERNAME")).setAsString(LoginUser());
        qryWork->Open();
        if (qryWork->Eof()) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("ログインユーザーの権限を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        G_CreateRole = qryWork->Fields(0).AsBoolean();
        G_SuperUser = qryWork->Fields(1).AsBoolean();
        G_Catupdate = !qryWork->Fields(2).IsNull() && qryWork->Fields(2).AsBoolean();
    }
    chkSuperUser->setEnabled(G_SuperUser);
    for (TtvCheckBox *c : {chkCreateDB, chkCreateRole, chkSucParRole})
        c->setEnabled(G_CreateRole || G_SuperUser);
    chkCatupdate->setEnabled(G_Catupdate && G_SuperUser && chkSuperUser->Checked());
    chkReplication->setEnabled(G_SuperUser);
    EnableUserControls();
}

void TfrmRoleBase::chkSuperUserClick()
{
    if (FLoading)
        return;
    Changed();
    chkCatupdate->SetChecked(chkSuperUser->Checked());
    if (G_Catupdate && G_SuperUser)
        chkCatupdate->setEnabled(chkSuperUser->Checked());
}

void TfrmRoleBase::ShowObjectPrivileges()
{
    const TRoleServer s = Server();
    QList<TObjectPrivilege> privileges;
    {
        WaitCursor wait;
        CloseOnExit c{qryWork};
        qryWork->SetSQL(RoleSQL::ObjectAcls(s.DBVer, s.Edb));
        qryWork->ParamByName(QStringLiteral("UNAME")).setAsString(ObjectName());
        qryWork->Open();
        while (!qryWork->Eof()) {
            const QString kind = qryWork->Fields(0).AsString();
            const QString text = RoleObjectText(kind, qryWork->Fields(1).AsString(), qryWork->Fields(2).AsString(),
                                                qryWork->Fields(7).AsString());
            RoleObjectPrivileges(ObjectName(), kind, text, qryWork->Fields(3).AsString(), qryWork->Fields(5).IsNull(),
                                 qryWork->Fields(4).AsString(), privileges);
            qryWork->Next();
        }
    }
    lstObj->clear();
    for (const TObjectPrivilege &p : privileges) {
        auto *item = new QListWidgetItem(p.Text, lstObj);
        item->setData(Qt::UserRole, p.GrantOption);
        if (p.GrantOption)
            item->setForeground(QBrush(QColor(255, 0, 0)));
    }
}

void TfrmRoleBase::popRevokeClick()
{
    QList<QListWidgetItem *> selected;
    for (int i = 0; i < lstObj->count(); ++i)
        if (lstObj->item(i)->isSelected())
            selected << lstObj->item(i);
    if (selected.isEmpty() || IsNew())
        return;
    bool cascade = false;
    if (ShowCheckMessageDialog(QStringLiteral("オブジェクト権限を取り消しますか？"),
                               tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION,
                               {{QStringLiteral("CASCADE オプション"), &cascade}}) != tv::ui::IDYES)
        return;
    QStringList statements;
    for (QListWidgetItem *item : selected)
        statements << QStringLiteral("REVOKE ") + item->text() + QStringLiteral(" FROM ") + QuoteIdentifier(ObjectName()) +
                          (cascade ? QStringLiteral(" CASCADE") : QString());
    bool ok = true;
    for (const QString &st : statements) {
        ok = tv::ui::Guard([&] {
            WaitCursor wait;
            OwnerForm()->ExecuteSQL(st);
        });
        if (!ok)
            break;
    }
    if (ok)
        ShowMessageBox(QStringLiteral("権限を取り消しました。"), tv::ui::MB_ICONINFORMATION);
    ShowObjectPrivileges();
}

void TfrmRoleBase::chkRoleDblClick()
{
    QListWidgetItem *item = chkRole->currentItem();
    if (item && OwnerForm())
        TfrmRole::Open(OwnerForm(), item->text(), tvOption.OpenMode);
}

void TfrmRoleBase::chkSchemaDblClick()
{
    QListWidgetItem *item = chkSchema->currentItem();
    if (item && OwnerForm())
        TfrmSchema::Open(OwnerForm(), item->text().chopped(9), tvOption.OpenMode);
}

// ---------------------------------------------------------------------------
// Scripts and compile

TRoleDefinition TfrmRoleBase::CurrentDefinition() const
{
    TRoleDefinition d;
    d.IsUser = FUser;
    d.Name = ObjectName();
    d.SuperUser = chkSuperUser->Checked();
    d.CreateDB = chkCreateDB->Checked();
    d.CreateRole = chkCreateRole->Checked();
    d.Inherit = chkSucParRole->Checked();
    d.Catupdate = chkCatupdate->Checked();
    d.Replication = chkReplication->Checked();
    d.BypassRLS = FBypassRLS;
    d.CreateDbLink = chkCreateDbLink->Checked();
    d.CreatePublicDbLink = chkCreatePublicDbLink->Checked();
    d.DeletePublicDbLink = chkDeletePublicDbLink->Checked();
    for (int i = 0; i < chkRole->count(); ++i)
        d.Roles << TRoleListItem{chkRole->item(i)->text(), chkRole->GetCheckedL(i), chkRole->GetCheckedR(i)};
    for (int i = 0; i < chkSchema->count(); ++i)
        d.Schemas << TRoleListItem{chkSchema->item(i)->text().chopped(9), chkSchema->GetCheckedL(i),
                                   chkSchema->GetCheckedR(i)};
    UserToDefinition(d);
    return d;
}

bool TfrmRoleBase::IsCreate()
{
    return IsNew() || SourceMode == smText || ShownPage() == tabSource;
}

void TfrmRoleBase::GetSourceCreate(QStringList &List)
{
    RoleDDL::Create(CurrentDefinition(), Server(), List);
}

void TfrmRoleBase::GetSourceAlter(QStringList &List)
{
    RoleDDL::Alter(FLoaded, CurrentDefinition(), Server(), List);
}

void TfrmRoleBase::GetSourceDrop(QStringList &List)
{
    RoleDDL::Drop(CurrentDefinition(), List);
}

QString TfrmRoleBase::DropStatement(bool)
{
    return RoleDDL::DropStatement(FUser, ObjectName());
}

void TfrmRoleBase::BuildCompileList(QStringList &List)
{
    if (ShownPage() != tabSource) {
        if (IsNew())
            GetSourceCreate(List);
        else
            GetSourceAlter(List);
        return;
    }
    QStringList text = txtSource->Lines()->ToStringList();
    tv::db::Connection &conn = OwnerForm()->dbsMain();
    if (FUser) {
        bool bare = false;
        for (const QString &line : text)
            if (line.contains(QStringLiteral("PASSWORD")) &&
                QString(line).remove(QStringLiteral("PASSWORD")).trimmed().isEmpty())
                bare = true;
        // A user with a password keeps it only when the text gives one: the
        // role is dropped and created again.
        if (!bare && !IsNew() && !ScriptHasPassword(text) && G_SuperUser) {
            CloseOnExit c{qryWork};
            qryWork->SetSQL(QStringLiteral("SELECT rolpassword IS NOT NULL FROM pg_authid WHERE rolname = :NAME"));
            qryWork->ParamByName(QStringLiteral("NAME")).setAsString(ObjectName());
            qryWork->Open();
            bare = !qryWork->Eof() && qryWork->Fields(0).AsBoolean();
        }
        if (bare) {
            ShowMessageBox(QStringLiteral("パスワード（PASSWORD句）を入力してください。"), tv::ui::MB_ICONEXCLAMATION);
            pagObjectChange();
            throw tv::SilentAbort();
        }
    }
    // Typed passwords go out as their verifiers only.
    const QString roleName = IsNew() ? ObjectName() : ObjectName();
    text = VerifyPasswordsInScript(conn, roleName, text);
    if (IsNew()) {
        List << text;
        return;
    }
    GetSourceDrop(List);
    List << text;
    AppendKept(List);
}

// ---------------------------------------------------------------------------
// The role window

const TDefinitionKind &TfrmRole::RoleKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 68;
        k.CaptionPrefix = QStringLiteral("ROLE - ");
        k.CaptionKind = 7;
        k.GuiKey = QStringLiteral("ROLE");
        k.Keyword = QStringLiteral("ROLE");
        k.RefreshesLists = false;
        k.HasSchema = false;
        k.WrapsToolBar = false;
        return k;
    }();
    return kind;
}

TfrmRole::TfrmRole(IConnectionWindow *AOwner) : TfrmRoleBase(AOwner, RoleKind(), false) {}

TfrmRole *TfrmRole::Open(IConnectionWindow *AOwner, const QString &ObjectName, TOpenMode OpenMode)
{
    if (!ObjectName.isEmpty() && BringTwinForward<TfrmRole>(CaptionFor(AOwner, RoleKind(), QString(), ObjectName)))
        throw tv::SilentAbort();
    auto *w = new TfrmRole(AOwner);
    // The role list leaves out the window's own role.
    w->txtName->SetText(ObjectName);
    return ShowBuilt(w, QString(), ObjectName, OpenMode);
}

void TfrmRole::GetScript(IConnectionWindow *AOwner, const QString &ObjectName, QIODevice &Stream)
{
    TfrmRole w(AOwner);
    WriteScriptOf(w, ObjectName, Stream);
}

bool TfrmRoleBase::KeptObject(TKeptObject &Object, unsigned &Parts) const
{
    Object = {TKeptKind::Role, QString(), ObjectName(), QString(), QString(), {}};
    // The text writes the memberships in the roles the window lists.
    for (int i = 0; i < chkRole->count(); ++i)
        Object.TextWrites << chkRole->item(i)->text();
    Parts = kpComment | kpRoleSettings | kpRoleMemberships;
    return true;
}
