#include "objects/other/frmDBLink.h"

#include "common/IConnectionWindow.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/RecParam.h"
#include "common/TextUtil.h"
#include "controls/tvCheckBox.h"
#include "controls/tvComboBox.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/ProtectedBlock.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString TenBlanks = QStringLiteral("          ");

std::optional<TDbLinkDefinition> LoadLink(tv::db::Query &q, const QString &Owner, const QString &Name, bool Public)
{
    q.Close();
    q.SetSQL(DBLinkSQL::Link());
    q.ParamByName(QStringLiteral("OWNER")).setAsString(Owner);
    q.ParamByName(QStringLiteral("NAME")).setAsString(Name);
    q.ParamByName(QStringLiteral("PUBLIC")).setAsBoolean(Public);
    q.Open();
    if (q.Eof()) {
        q.Close();
        return std::nullopt;
    }
    TDbLinkDefinition d;
    d.Owner = Owner;
    d.Name = Name;
    d.Public = q.Fields(0).AsBoolean();
    d.Kind = q.Fields(1).AsString().toInt() == 1 ? ptLibpq : ptOci;
    d.User = q.Fields(2).AsString();
    d.Password = TenBlanks;   // the stored password is not read
    d.Using = q.Fields(3).AsString();
    q.Close();
    return d;
}

QString ConnectionUser(IConnectionWindow *Owner)
{
    return Owner ? Owner->dbsMain().Params().User_Name : QString();
}

} // namespace

const TDefinitionKind &TfrmDBLink::DBLinkKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 64;
        k.CaptionPrefix = QStringLiteral("DATABASE LINK - ");
        k.CaptionKind = 4;
        k.GuiKey = QStringLiteral("DBLINK");
        k.Keyword = QStringLiteral("DATABASE LINK");
        k.RefreshesLists = false;
        k.HasSchema = false;
        k.WrapsToolBar = false;
        return k;
    }();
    return kind;
}

QString TfrmDBLink::CaptionOf(IConnectionWindow *AOwner, const QString &Owner, const QString &Name)
{
    return CaptionFor(AOwner, DBLinkKind(), Owner, Name);
}

TfrmDBLink *TfrmDBLink::Open(IConnectionWindow *AOwner, const QString &Owner, const QString &ObjectName,
                             TDbLinkKind wDbLinkKind, bool bPublic, TOpenMode OpenMode)
{
    if (!ObjectName.isEmpty() && BringTwinForward<TfrmDBLink>(CaptionOf(AOwner, Owner, ObjectName)))
        throw tv::SilentAbort();
    auto *w = new TfrmDBLink(AOwner);
    w->cmbOwner->SetText(Owner);
    w->L_bPublic = bPublic;
    w->L_bDbLinkKind = wDbLinkKind;
    return ShowBuilt(w, QString(), ObjectName, OpenMode);
}

void TfrmDBLink::GetScript(IConnectionWindow *AOwner, const QString &Owner, const QString &ObjectName,
                           TDbLinkKind, bool bPublic, QIODevice &Stream)
{
    if (AOwner) {
        tv::db::Query q(&AOwner->dbsMain());
        if (const std::optional<TDbLinkDefinition> d = LoadLink(q, Owner, ObjectName, bPublic)) {
            QStringList lines;
            DBLinkDDL::Create(*d, lines);
            WriteScript(Stream, lines);
        }
    }
    throw tv::SilentAbort();
}

TfrmDBLink::TfrmDBLink(IConnectionWindow *AOwner) : TfrmDefinition(AOwner, DBLinkKind())
{
    qryDBLink = NewQuery();
    cmbOwner = new TtvComboBox;
    cmbOwner->setObjectName(QStringLiteral("cmbOwner"));
    cmbOwner->setEditable(true);
    cmbOwner->setEnabled(false);
    cmbOwner->setMinimumWidth(120);
    if (auto *l = qobject_cast<QHBoxLayout *>(pnlName->layout())) {
        l->insertWidget(0, cmbOwner);
        l->insertWidget(0, new QLabel(QStringLiteral("所有者")));
    }
    BuildDefinePage();
    actOpen = new QAction(QStringLiteral("接続(&O)"), this);
    actOpen->setObjectName(QStringLiteral("actOpen"));
    actOpen->setToolTip(QStringLiteral("データベースリンクの接続チェックを行います。"));
    actOpen->setStatusTip(actOpen->toolTip());
    connect(actOpen, &QAction::triggered, this, tv::ui::Guarded([this] { actOpenExecute(); }));
    tolCmd->insertAction(actDelete, actOpen);
    mnuObject->insertAction(actDelete, actOpen);
}

void TfrmDBLink::BuildDefinePage()
{
    auto *root = new QVBoxLayout(tabDefine);
    auto *grid = new QGridLayout;
    root->addLayout(grid);
    root->addStretch(1);
    auto changed = [this](QObject *) {
        if (!FLoading)
            Changed();
    };
    chkPublic = new TtvCheckBox;
    chkPublic->setObjectName(QStringLiteral("chkPublic"));
    chkPublic->setText(QStringLiteral("パブリック"));
    chkPublic->OnClick = changed;
    grid->addWidget(chkPublic, 0, 1);
    auto edit = [&changed](const char *name) {
        auto *e = new TtvStrEdit;
        e->setObjectName(QString::fromLatin1(name));
        e->OnChange = changed;
        return e;
    };
    txtUser = edit("txtUser");
    txtPassword = edit("txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtUsing = edit("txtUsing");
    rdoOci = new QRadioButton(QStringLiteral("OCI DBリンク"));
    rdoOci->setObjectName(QStringLiteral("rdoOci"));
    rdoOci->setChecked(true);
    rdoLibpq = new QRadioButton(QStringLiteral("libpq DBリンク"));
    rdoLibpq->setObjectName(QStringLiteral("rdoLibpq"));
    connect(rdoOci, &QRadioButton::clicked, this, [this] { rdoOciClick(); });
    connect(rdoLibpq, &QRadioButton::clicked, this, [this] { rdoLibpqClick(); });
    grid->addWidget(new QLabel(QStringLiteral("接続先ユーザーID")), 1, 0);
    grid->addWidget(txtUser, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("接続先パスワード")), 2, 0);
    grid->addWidget(txtPassword, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("接続情報")), 3, 0);
    grid->addWidget(txtUsing, 3, 1);
    auto *kinds = new QHBoxLayout;
    kinds->addWidget(rdoOci);
    kinds->addWidget(rdoLibpq);
    kinds->addStretch(1);
    grid->addWidget(new QLabel(QStringLiteral("接続方法")), 4, 0);
    grid->addLayout(kinds, 4, 1);
}

void TfrmDBLink::ChangedIsNew()
{
    TfrmDefinition::ChangedIsNew();
    if (!IsNew())
        setWindowTitle(CaptionOf(OwnerForm(), cmbOwner->Text(), ObjectName()));
}

TDbLinkDefinition TfrmDBLink::CurrentDefinition() const
{
    TDbLinkDefinition d;
    d.Owner = cmbOwner->Text();
    d.Name = ObjectName();
    d.Public = chkPublic->Checked();
    d.Kind = rdoOci->isChecked() ? ptOci : ptLibpq;
    d.User = txtUser->Text();
    d.Password = txtPassword->Text();
    d.Using = txtUsing->Text();
    return d;
}

void TfrmDBLink::rdoOciClick()
{
    rdoLibpq->setChecked(false);
    rdoOci->setChecked(true);
    if (IsNew() && (txtUsing->Text().isEmpty() || txtUsing->Text() == LibpqTemplate))
        txtUsing->SetText(OciTemplate);
    if (!FLoading)
        Changed();
}

void TfrmDBLink::rdoLibpqClick()
{
    rdoOci->setChecked(false);
    rdoLibpq->setChecked(true);
    if (IsNew() && (txtUsing->Text().isEmpty() || txtUsing->Text() == OciTemplate))
        txtUsing->SetText(LibpqTemplate);
    if (!FLoading)
        Changed();
}

void TfrmDBLink::ShowDefine()
{
    struct Loading {
        bool &f;
        explicit Loading(bool &flag) : f(flag) { f = true; }
        ~Loading() { f = false; }
    } loading(FLoading);
    if (IsNew()) {
        if (L_bDbLinkKind == ptLibpq)
            rdoLibpqClick();
        else
            rdoOciClick();
    } else {
        const std::optional<TDbLinkDefinition> d = LoadLink(*qryDBLink, cmbOwner->Text(), ObjectName(), L_bPublic);
        if (!d) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        chkPublic->SetChecked(d->Public);
        rdoOci->setChecked(d->Kind == ptOci);
        rdoLibpq->setChecked(d->Kind == ptLibpq);
        txtUser->SetText(d->User);
        txtPassword->SetText(d->Password);
        txtUsing->SetText(d->Using);
    }
    for (TtvStrEdit *e : {txtUser, txtPassword, txtUsing})
        e->Save();
    RefreshSource();
}

void TfrmDBLink::GetSourceCreate(QStringList &List)
{
    DBLinkDDL::Create(CurrentDefinition(), List);
}

void TfrmDBLink::GetSourceDrop(QStringList &List)
{
    DBLinkDDL::Drop(L_bPublic, ObjectName(), List);
}

QString TfrmDBLink::DropStatement(bool)
{
    return DBLinkDDL::DropStatement(L_bPublic, ObjectName());
}

void TfrmDBLink::CheckFields()
{
    Require(!TrimBlanks(txtUser->Text()).isEmpty(), QStringLiteral("接続先ユーザーIDを入力して下さい。"), txtUser);
    if (ShownPage() != tabSource)
        Require(!TrimBlanks(txtPassword->Text()).isEmpty(), QStringLiteral("接続先パスワードを入力して下さい。"),
                txtPassword);
    Require(!TrimBlanks(txtUsing->Text()).isEmpty(), QStringLiteral("接続情報を入力して下さい。"), txtUsing);
}

void TfrmDBLink::BuildCompileList(QStringList &List)
{
    if (!IsNew())
        GetSourceDrop(List);
    if (ShownPage() == tabSource)
        List << txtSource->Lines()->ToStringList();
    else
        GetSourceCreate(List);
}

void TfrmDBLink::Compile(QObject *)
{
    CommitActiveControl();
    const QString owner = cmbOwner->Text().trimmed();
    if (!owner.isEmpty() && owner != ConnectionUser(OwnerForm())) {
        ShowMessageBox(QStringLiteral("他ユーザー所有のデータベースリンクは変更できません。"), tv::ui::MB_ICONEXCLAMATION);
        return;
    }
    Require(!owner.isEmpty(), QStringLiteral("所有者を入力して下さい。"), cmbOwner);
    Require(!TrimBlanks(ObjectName()).isEmpty(), QStringLiteral("名前を入力して下さい。"), txtName);
    CheckFields();
    QStringList list;
    BuildCompileList(list);
    if (TrimBlanks(list.join(QLatin1Char('\n'))).isEmpty()) {
        ShowMessageBox(QStringLiteral("変更箇所が見つかりませんでした。"), tv::ui::MB_ICONEXCLAMATION);
        SetIsNew(false);
        pagObjectChange();
        return;
    }
    if (ShownPage() == tabSource) {
        for (const QString &line : txtSource->Lines()->ToStringList()) {
            if (!line.contains(QStringLiteral("IDENTIFIED BY")))
                continue;
            QString rest = line;
            rest.remove(QStringLiteral("IDENTIFIED BY"));
            if (TrimBlanks(rest).isEmpty()) {
                ShowMessageBox(QStringLiteral("パスワード（IDENTIFIED BY句）を入力してください。"),
                               tv::ui::MB_ICONEXCLAMATION);
                SetIsNew(false);
                pagObjectChange();
                return;
            }
        }
    }
    if (!TfrmDDLPreview::ShowWindow(list, owner, ObjectName()))
        return;
    IConnectionWindow *form = OwnerForm();
    if (!IsNew())
        form->SaveBeforeSource(owner, ObjectName(), 64);
    tv::db::Connection &conn = form->dbsMain();
    conn.StartTransaction();
    int errors = -1;
    try {
        errors = TfrmDDLExec::ShowWindow(form, list, false, true);
    } catch (...) {
        // The execution dialog has logged the failure.
    }
    bool applied = false;
    if (errors == 0)
        applied = CommitApplied(conn);
    else
        RollbackQuietly(conn);
    TfrmDDLExec::WaitProc();
    if (applied) {
        L_bPublic = chkPublic->Checked();
        SetIsNew(false);
        pagObjectChange();
        form->SaveAfterSource(owner, ObjectName(), 64);
    }
    UpdateActions();
}

void TfrmDBLink::actOpenExecute()
{
    try {
        // A failing test leaves the session's own work as it was.
        tv::db::ProtectedBlock block(OwnerForm()->dbsMain());
        OwnerForm()->OpenSQL(DBLinkSQL::Test(rdoOci->isChecked() ? ptOci : ptLibpq, ObjectName()));
        block.undo();
    } catch (const tv::Error &e) {
        ShowMessageBox(QStringLiteral("下記エラーにより接続に失敗しました。\r\n\r\n") + e.text(),
                       tv::ui::MB_ICONEXCLAMATION);
        return;
    }
    ShowMessageBox(QStringLiteral("接続可能です。"), tv::ui::MB_ICONINFORMATION);
}

void TfrmDBLink::UpdateActions()
{
    TfrmDefinition::UpdateActions();
    actOpen->setEnabled(!IsNew() && !Modified());
}
