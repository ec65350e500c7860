#include "objects/table/frmPolicy.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/TextUtil.h"
#include "controls/tvListView.h"
#include "controls/tvRadioButton.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorLeftbar.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "objects/table/DropDownComboBox.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/frmObject.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr TColor kButtonFace = TColor(0xF0F0F0);

} // namespace

const TDefinitionKind &TfrmPolicy::PolicyKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 129;
        k.CaptionPrefix = QStringLiteral("POLICY - ");
        k.CaptionKind = 6;
        k.GuiKey = QStringLiteral("POLUCY");
        k.Keyword = QStringLiteral("POLICY");
        k.HasOutput = false;
        return k;
    }();
    return kind;
}

TfrmPolicy *TfrmPolicy::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                             TOpenMode OpenMode, const QString &TableName)
{
    if (!ObjectName.isEmpty() &&
        BringTwinForward<TfrmPolicy>(CaptionFor(AOwner, PolicyKind(), Schema, ObjectName, TableName)))
        throw tv::SilentAbort();
    return ShowBuilt(new TfrmPolicy(AOwner, TableName), Schema, ObjectName, OpenMode);
}

bool TfrmPolicy::ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                             const QString &TableName, QStringList &Lines)
{
    if (!AOwner)
        return false;
    tv::db::Query q(&AOwner->dbsMain());
    const std::optional<TPolicyDefinition> def =
        LoadPolicyDefinition(q, Schema, TableName, ObjectName, AOwner->DBVer());
    if (!def)
        return false;
    PolicyDDL::Create(*def, PolicyRoleText(LoadPolicyRoles(q, def->RoleOids)), Lines);
    return true;
}

void TfrmPolicy::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           QIODevice &Stream, const QString &TableName)
{
    QStringList lines;
    if (ScriptLines(AOwner, Schema, ObjectName, TableName, lines))
        WriteScript(Stream, lines);
    throw tv::SilentAbort();
}

// ---------------------------------------------------------------------------

TfrmPolicy::TfrmPolicy(IConnectionWindow *AOwner, const QString &TableName)
    : TfrmDefinition(AOwner, PolicyKind())
{
    qryPolicy = NewQuery();
    qryList = NewQuery();
    cmbTableName = new TDropDownComboBox;
    cmbTableName->setObjectName(QStringLiteral("cmbTableName"));
    cmbTableName->setMinimumWidth(160);
    cmbTableName->setMaxVisibleItems(20);
    if (cmbSchema)
        cmbSchema->setMaxVisibleItems(20);
    if (auto *nl = qobject_cast<QHBoxLayout *>(pnlName->layout())) {
        const int at = nl->indexOf(txtName) - 1;
        nl->insertWidget(at, new QLabel(QStringLiteral("テーブル")));
        nl->insertWidget(at + 1, cmbTableName);
    }
    cmbTableName->SetText(TableName);

    auto *root = new QVBoxLayout(tabDefine);
    grpCommandType = new QGroupBox(QStringLiteral("コマンド種類"));
    grpCommandType->setObjectName(QStringLiteral("grpCommandType"));
    auto *cl = new QHBoxLayout(grpCommandType);
    auto radio = [cl](const char *name, const char *caption) {
        auto *r = new TtvRadioButton(QString::fromLatin1(caption));
        r->setObjectName(QString::fromLatin1(name));
        cl->addWidget(r);
        return r;
    };
    rdoAll = radio("rdoAll", "ALL");
    rdoSelect = radio("rdoSelect", "SELECT");
    rdoInsert = radio("rdoInsert", "INSERT");
    rdoUpdate = radio("rdoUpdate", "UPDATE");
    rdoDelete = radio("rdoDelete", "DELETE");
    cl->addStretch(1);
    rdoAll->SetChecked(true);
    root->addWidget(grpCommandType);

    auto *grid = new QGridLayout;
    auto list = [](const char *name) {
        auto *l = new TtvListView;
        l->setObjectName(QString::fromLatin1(name));
        l->setHeaderHidden(true);
        l->setColumnCount(1);
        l->setRootIsDecorated(false);
        l->SetMultiSelect(true);
        return l;
    };
    lstUser = list("lstUser");
    lstRole = list("lstRole");
    auto memo = [](const char *name) {
        auto *m = new TtvMemo;
        m->setObjectName(QString::fromLatin1(name));
        m->Leftbar()->SetVisible(false);
        return m;
    };
    txtSecurity = memo("txtSecurity");
    txtWithCheck = memo("txtWithCheck");
    grid->addWidget(new QLabel(QStringLiteral("ユーザー")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("ロール")), 0, 1);
    grid->addWidget(lstUser, 1, 0);
    grid->addWidget(lstRole, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("セキュリティバリア制約")), 2, 0, 1, 2);
    grid->addWidget(txtSecurity, 3, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("WITH CHECK制約")), 4, 0, 1, 2);
    grid->addWidget(txtWithCheck, 5, 0, 1, 2);
    root->addLayout(grid, 1);

    for (TtvRadioButton *r : {rdoAll, rdoSelect, rdoInsert, rdoUpdate, rdoDelete})
        r->OnClick = [this, r](QObject *) {
            if (r->isChecked())
                OnRadioChange();
        };
    auto onChange = [this](TEditor *) {
        if (!L_bIsLoad)
            Changed();
    };
    txtSecurity->OnChange = onChange;
    txtWithCheck->OnChange = onChange;
    cmbTableName->OnChange = [this](QObject *) {
        if (!L_bIsLoad)
            Changed();
    };
    for (TtvListView *l : {lstUser, lstRole}) {
        connect(l, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *, int) {
            if (!L_bIsLoad && !FListLoading)
                Changed();
        });
        l->installEventFilter(this);
    }
    cmbTableName->OnDropDown = [this] {
        auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
        if (!form)
            return;
        QStringList names;
        form->GetObject(names, SchemaName(), QStringLiteral("TABLE"));
        const bool modified = Modified();
        const QString keep = cmbTableName->Text();
        const QSignalBlocker block(cmbTableName);
        cmbTableName->clear();
        cmbTableName->addItems(names);
        cmbTableName->SetText(keep);
        SetModified(modified);
    };
}

bool TfrmPolicy::eventFilter(QObject *Watched, QEvent *Event)
{
    // Space toggles every selected item of the list with the focused one.
    if (Event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(Event)->key() == Qt::Key_Space) {
        for (TtvListView *l : {lstUser, lstRole}) {
            if (Watched != l)
                continue;
            QTreeWidgetItem *current = l->currentItem();
            if (!current)
                return true;
            auto toggle = [](QTreeWidgetItem *i) {
                i->setCheckState(0, i->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            };
            toggle(current);
            for (QTreeWidgetItem *i : l->selectedItems())
                if (i != current)
                    toggle(i);
            return true;
        }
    }
    return TfrmDefinition::eventFilter(Watched, Event);
}

TtvMemo *TfrmPolicy::CompletionEditor()
{
    return ShownPage() == tabDefine ? nullptr : txtSource;
}

QString TfrmPolicy::SourceTableName() const
{
    return cmbTableName->Text();
}

// ---------------------------------------------------------------------------
// Load

void TfrmPolicy::LoadRoleList(const QString &RoleOids)
{
    FListLoading = true;
    struct Done {
        TfrmPolicy *w;
        ~Done()
        {
            w->FListLoading = false;
            w->lstUser->setUpdatesEnabled(true);
            w->lstRole->setUpdatesEnabled(true);
        }
    } done{this};
    lstUser->setUpdatesEnabled(false);
    lstRole->setUpdatesEnabled(false);
    lstUser->clear();
    lstRole->clear();
    const QList<TPolicyRole> roles = LoadPolicyRoles(*qryList, RoleOids);
    const QString me = OwnerForm() ? OwnerForm()->dbsMain().Params().User_Name : QString();
    IMainWindow *m = MainWindow();
    for (const TPolicyRole &r : roles) {
        TtvListItem *item = (r.Login ? lstUser : lstRole)->AddItem(r.Name);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, r.Checked ? Qt::Checked : Qt::Unchecked);
        if (m)
            item->setIcon(0, m->MainImage(!r.Login ? 68 : r.Name == me ? 3 : 2));
    }
}

void TfrmPolicy::ShowDefine()
{
    txtSecurity->Lines()->Clear();
    txtWithCheck->Lines()->Clear();
    FLoaded = TPolicyDefinition();
    if (IsNew()) {
        grpCommandType->setEnabled(true);
        rdoAll->SetChecked(true);
        LoadRoleList(QString());
    } else {
        grpCommandType->setEnabled(false);
        const std::optional<TPolicyDefinition> def =
            LoadPolicyDefinition(*qryPolicy, SchemaName(), cmbTableName->Text(), ObjectName(), DBVer());
        if (!def) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        FLoaded = *def;
        switch (def->Command.unicode()) {
        case u'r':
            rdoSelect->SetChecked(true);
            break;
        case u'a':
            rdoInsert->SetChecked(true);
            break;
        case u'w':
            rdoUpdate->SetChecked(true);
            break;
        case u'd':
            rdoDelete->SetChecked(true);
            break;
        default:
            rdoAll->SetChecked(true);
        }
        OnRadioChange();
        LoadRoleList(def->RoleOids);
        txtSecurity->Lines()->SetText(def->Using);
        txtWithCheck->Lines()->SetText(def->WithCheck);
    }
    OnRadioChange();
    L_bIsLoad = false;
    RefreshSource();
}

QChar TfrmPolicy::Command() const
{
    return rdoSelect->Checked()   ? u'r'
           : rdoInsert->Checked() ? u'a'
           : rdoUpdate->Checked() ? u'w'
           : rdoDelete->Checked() ? u'd'
                                  : u'*';
}

void TfrmPolicy::OnRadioChange()
{
    const QChar c = Command();
    auto set = [](TtvMemo *m, bool editable) {
        m->SetReadOnly(!editable);
        m->SetColor(editable ? clWindow : kButtonFace);
        if (!editable)
            m->Lines()->Clear();
    };
    set(txtSecurity, PolicyHasUsing(c));
    set(txtWithCheck, PolicyHasWithCheck(c));
    if (!L_bIsLoad)
        Changed();
}

// ---------------------------------------------------------------------------
// DDL

QString TfrmPolicy::RoleListText() const
{
    QList<TPolicyRole> roles;
    for (TtvListView *l : {lstUser, lstRole})
        for (int i = 0; i < l->ItemCount(); ++i)
            roles << TPolicyRole{l->Item(i)->Caption(), l == lstUser, l->Item(i)->checkState(0) == Qt::Checked};
    return PolicyRoleText(roles);
}

TPolicyDefinition TfrmPolicy::CurrentDefinition() const
{
    TPolicyDefinition d = FLoaded;
    d.Schema = SchemaName();
    d.TableName = cmbTableName->Text();
    d.Name = ObjectName();
    d.Command = Command();
    d.Using = txtSecurity->ReadOnly() ? QString() : txtSecurity->Lines()->Text();
    d.WithCheck = txtWithCheck->ReadOnly() ? QString() : txtWithCheck->Lines()->Text();
    // Text lines without a trailing line end.
    while (d.Using.endsWith(u'\n') || d.Using.endsWith(u'\r'))
        d.Using.chop(1);
    while (d.WithCheck.endsWith(u'\n') || d.WithCheck.endsWith(u'\r'))
        d.WithCheck.chop(1);
    return d;
}

bool TfrmPolicy::IsCreate()
{
    return IsNew() || SourceMode == smText || ShownPage() == tabSource;
}

void TfrmPolicy::GetSourceCreate(QStringList &List)
{
    PolicyDDL::Create(CurrentDefinition(), RoleListText(), List);
}

void TfrmPolicy::GetSourceAlter(QStringList &List)
{
    PolicyDDL::Alter(CurrentDefinition(), RoleListText(), List);
}

void TfrmPolicy::GetSourceDrop(QStringList &List)
{
    PolicyDDL::Drop(CurrentDefinition(), List);
}

QString TfrmPolicy::DropStatement(bool)
{
    return PolicyDDL::DropStatement(SchemaName(), cmbTableName->Text(), ObjectName());
}

void TfrmPolicy::CheckFields()
{
    if (ShownPage() == tabDefine)
        Require(!TrimBlanks(cmbTableName->Text()).isEmpty(), QStringLiteral("テーブル名を入力して下さい。"),
                cmbTableName);
}

bool TfrmPolicy::KeptObject(TKeptObject &Object, unsigned &Parts) const
{
    Object = {TKeptKind::Policy, SchemaName(), ObjectName(), cmbTableName->Text(), QString(), {}};
    Parts = kpComment;
    return true;
}
