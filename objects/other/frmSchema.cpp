#include "objects/other/frmSchema.h"

#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/TextUtil.h"
#include "controls/tvCheckBox.h"
#include "controls/tvCheckListBox.h"
#include "objects/other/frmRole.h"
#include "objects/other/frmUser.h"
#include "objects/table/DropDownComboBox.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
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

QStringList Names(tv::db::Query &q, const QString &sql)
{
    CloseOnExit c{&q};
    q.SetSQL(sql);
    q.Open();
    QStringList out;
    while (!q.Eof()) {
        out << q.Fields(0).AsString().trimmed();
        q.Next();
    }
    return out;
}

QList<TRoleListItem> Items(const TtvCheckListBox *l)
{
    QList<TRoleListItem> out;
    for (int i = 0; i < l->count(); ++i)
        out << TRoleListItem{l->item(i)->text().chopped(9), l->GetCheckedL(i), l->GetCheckedR(i)};
    return out;
}

} // namespace

const TDefinitionKind &TfrmSchema::SchemaKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 4;
        k.CaptionPrefix = QStringLiteral("SCHEMA - ");
        k.CaptionKind = 7;
        k.GuiKey = QStringLiteral("SCHEMA");
        k.Keyword = QStringLiteral("SCHEMA");
        k.RefreshesLists = false;
        k.DropCascade = true;
        k.HasSchema = false;
        k.WrapsToolBar = false;
        return k;
    }();
    return kind;
}

TfrmSchema *TfrmSchema::Open(IConnectionWindow *AOwner, const QString &ObjectName, TOpenMode OpenMode)
{
    if (!ObjectName.isEmpty() &&
        BringTwinForward<TfrmSchema>(CaptionFor(AOwner, SchemaKind(), QString(), ObjectName)))
        throw tv::SilentAbort();
    return ShowBuilt(new TfrmSchema(AOwner), QString(), ObjectName, OpenMode);
}

void TfrmSchema::GetScript(IConnectionWindow *AOwner, const QString &ObjectName, QIODevice &Stream)
{
    TfrmSchema w(AOwner);
    WriteScriptOf(w, ObjectName, Stream);
}

TfrmSchema::TfrmSchema(IConnectionWindow *AOwner) : TfrmDefinition(AOwner, SchemaKind())
{
    qryWork = NewQuery();
    auto *root = new QVBoxLayout(tabDefine);
    auto *top = new QHBoxLayout;
    root->addLayout(top);
    top->addWidget(new QLabel(QStringLiteral("オーナー")));
    cmbOwner = new TDropDownComboBox;
    cmbOwner->setObjectName(QStringLiteral("cmbOwner"));
    cmbOwner->SetStyle(TtvComboBox::csDropDown);
    cmbOwner->OnDropDown = [this] { FillOwners(); };
    cmbOwner->OnChange = [this](QObject *) {
        if (!FLoading)
            Changed();
    };
    top->addWidget(cmbOwner, 1);
    auto *grpPublic = new QGroupBox(QStringLiteral("public権限"));
    grpPublic->setObjectName(QStringLiteral("grpPublic"));
    auto *pl = new QHBoxLayout(grpPublic);
    chkCreate = new TtvCheckBox(QStringLiteral("CREATE"));
    chkCreate->setObjectName(QStringLiteral("chkCreate"));
    chkUsage = new TtvCheckBox(QStringLiteral("USAGE"));
    chkUsage->setObjectName(QStringLiteral("chkUsage"));
    for (TtvCheckBox *c : {chkCreate, chkUsage}) {
        c->OnClick = [this](QObject *) {
            if (!FLoading)
                Changed();
        };
        pl->addWidget(c);
    }
    top->addWidget(grpPublic);

    auto *lists = new QHBoxLayout;
    root->addLayout(lists, 1);
    auto list = [this, lists](TtvCheckListBox *&l, const char *name, const QString &title) {
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
        auto *w = new QWidget;
        auto *v = new QVBoxLayout(w);
        v->setContentsMargins(0, 0, 0, 0);
        v->addWidget(new QLabel(title));
        v->addWidget(l, 1);
        lists->addWidget(w, 1);
    };
    list(chkRole, "chkRole", QStringLiteral("ロール / Grant Option"));
    list(chkUser, "chkUser", QStringLiteral("ユーザー / Grant Option"));
}

QString TfrmSchema::LoginUser() const
{
    return OwnerForm() ? OwnerForm()->dbsMain().Params().User_Name : QString();
}

void TfrmSchema::PrepareQueries()
{
    if (FPrepared || !OwnerForm())
        return;
    FPrepared = true;
    for (auto [l, sql] : {std::pair{chkRole, SchemaSQL::Roles()}, std::pair{chkUser, SchemaSQL::Users()}}) {
        l->clear();
        for (const QString &n : Names(*qryWork, sql)) {
            l->addItem(n + QStringLiteral(" [CREATE]"));
            l->addItem(n + QStringLiteral(" [USAGE] "));
        }
    }
}

bool TfrmSchema::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::MouseButtonDblClick && OwnerForm()) {
        if (Watched == chkRole->viewport() && chkRole->currentItem()) {
            const QString name = chkRole->currentItem()->text().chopped(9);
            tv::ui::Guard([&] { TfrmRole::Open(OwnerForm(), name, tvOption.OpenMode); });
            return true;
        }
        if (Watched == chkUser->viewport() && chkUser->currentItem()) {
            const QString name = chkUser->currentItem()->text().chopped(9);
            tv::ui::Guard([&] { TfrmUser::Open(OwnerForm(), name, tvOption.OpenMode); });
            return true;
        }
    }
    return TfrmDefinition::eventFilter(Watched, Event);
}

void TfrmSchema::PaintOptions(TtvCheckListBox *List)
{
    for (int i = 0; i < List->count(); ++i)
        List->item(i)->setForeground(List->GetCheckedR(i) ? QBrush(QColor(255, 0, 0)) : QBrush());
}

void TfrmSchema::FillOwners()
{
    WaitCursor wait;
    const QStringList names = Names(*qryWork, SchemaSQL::Owners());
    const bool modified = Modified();
    const QString keep = cmbOwner->Text();
    const QSignalBlocker b(cmbOwner);
    cmbOwner->clear();
    cmbOwner->addItems(names);
    cmbOwner->SetText(keep);
    SetModified(modified);
}

void TfrmSchema::ShowDefine()
{
    WaitCursor wait;
    FLoading = true;
    struct Done {
        TfrmSchema *w;
        ~Done()
        {
            w->FLoading = false;
            w->SetModified(false);
        }
    } done{this};
    TSchemaDefinition d;
    d.Name = ObjectName();
    d.Owner = LoginUser();
    d.Roles = Items(chkRole);
    d.Users = Items(chkUser);
    for (TRoleListItem &i : d.Roles)
        i.Granted = i.Option = false;
    for (TRoleListItem &i : d.Users)
        i.Granted = i.Option = false;
    if (!IsNew()) {
        CloseOnExit c{qryWork};
        qryWork->SetSQL(SchemaSQL::Schema(DBVer(), OwnerForm() && OwnerForm()->g_bPostgresPlus()));
        qryWork->ParamByName(QStringLiteral("SCHEMA")).setAsString(ObjectName());
        qryWork->Open();
        if (qryWork->Eof()) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        d.Owner = qryWork->Fields(0).AsString();
        ApplySchemaAcl(d, qryWork->Fields(2).IsNull(), qryWork->Fields(1).AsString());
    }
    cmbOwner->SetText(d.Owner);
    chkCreate->SetChecked(d.PublicCreate);
    chkUsage->SetChecked(d.PublicUsage);
    for (auto [l, items] : {std::pair{chkRole, &d.Roles}, std::pair{chkUser, &d.Users}}) {
        for (int i = 0; i < items->size(); ++i) {
            l->SetCheckedL(i, (*items)[i].Granted);
            l->SetCheckedR(i, (*items)[i].Option);
        }
        PaintOptions(l);
        l->Save();
    }
    cmbOwner->Save();
    chkCreate->Save();
    chkUsage->Save();
    FLoaded = CurrentDefinition();
    RefreshSource();
}

TSchemaDefinition TfrmSchema::CurrentDefinition() const
{
    TSchemaDefinition d;
    d.Name = ObjectName();
    d.Owner = cmbOwner->Text().trimmed();
    d.PublicCreate = chkCreate->Checked();
    d.PublicUsage = chkUsage->Checked();
    d.Roles = Items(chkRole);
    d.Users = Items(chkUser);
    return d;
}

bool TfrmSchema::IsCreate()
{
    return IsNew() || SourceMode == smText || ShownPage() == tabSource;
}

void TfrmSchema::GetSourceCreate(QStringList &List) { SchemaDDL::Create(CurrentDefinition(), List); }
void TfrmSchema::GetSourceAlter(QStringList &List) { SchemaDDL::Alter(FLoaded, CurrentDefinition(), List); }
void TfrmSchema::GetSourceDrop(QStringList &List) { SchemaDDL::Drop(ObjectName(), List); }
QString TfrmSchema::DropStatement(bool Cascade) { return SchemaDDL::DropStatement(ObjectName(), Cascade); }

void TfrmSchema::CheckFields()
{
    if (ShownPage() == tabDefine)
        Require(!TrimBlanks(cmbOwner->Text()).isEmpty(), QStringLiteral("オーナーを入力して下さい。"), cmbOwner);
}
