#include "objects/other/frmSynonym.h"

#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/TextUtil.h"
#include "controls/tvCheckBox.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/DropDownComboBox.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

std::optional<TSynonymDefinition> LoadSynonym(tv::db::Query &q, const QString &Schema, const QString &Name)
{
    q.Close();
    q.SetSQL(SynonymSQL::Synonym());
    q.ParamByName(QStringLiteral("AOWNER")).setAsString(Schema);
    q.ParamByName(QStringLiteral("ANAME")).setAsString(Name);
    q.Open();
    if (q.Eof()) {
        q.Close();
        return std::nullopt;
    }
    TSynonymDefinition d;
    d.Schema = Schema;
    d.Name = Name;
    d.Public = Schema == QLatin1String("public");
    d.TargetSchema = q.Fields(0).AsString();
    d.TargetName = q.Fields(1).AsString();
    d.DBLink = q.Fields(2).AsString();
    q.Close();
    return d;
}

} // namespace

const TDefinitionKind &TfrmSynonym::SynonymKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 60;
        k.CaptionPrefix = QStringLiteral("SYNONYM - ");
        k.CaptionKind = 4;
        k.GuiKey = QStringLiteral("SYNONYM");
        k.Keyword = QStringLiteral("SYNONYM");
        k.RefreshesLists = false;
        return k;
    }();
    return kind;
}

TfrmSynonym *TfrmSynonym::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                               TOpenMode OpenMode, const QString &TableSchema, const QString &TableName,
                               const QString &ObjectType)
{
    if (!ObjectName.isEmpty() &&
        BringTwinForward<TfrmSynonym>(CaptionFor(AOwner, SynonymKind(), Schema, ObjectName)))
        throw tv::SilentAbort();
    TfrmSynonym *w = ShowBuilt(new TfrmSynonym(AOwner), Schema, ObjectName, OpenMode);
    if (ObjectName.isEmpty()) {
        // A new synonym is named like its target, and can be compiled at once.
        w->FLoading = true;
        w->txtName->SetText(TableName);
        w->cmbTableOwner->SetText(TableSchema);
        w->cmbTableName->SetText(TableName);
        w->cmbType->SetText(ObjectType);
        w->FLoading = false;
        w->SetModified(!TableName.isEmpty());
        w->UpdateActions();
    }
    return w;
}

void TfrmSynonym::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            QIODevice &Stream)
{
    if (AOwner) {
        tv::db::Query q(&AOwner->dbsMain());
        if (const std::optional<TSynonymDefinition> d = LoadSynonym(q, Schema, ObjectName)) {
            QStringList lines;
            SynonymDDL::Create(*d, SchemaPrefix(smText, Schema, Schema),
                               SchemaPrefix(smText, d->TargetSchema, Schema), lines);
            WriteScript(Stream, lines);
        }
    }
    throw tv::SilentAbort();
}

TfrmSynonym::TfrmSynonym(IConnectionWindow *AOwner) : TfrmDefinition(AOwner, SynonymKind())
{
    qrySynonym = NewQuery();
    qryObj = NewQuery();
    BuildDefinePage();
    actOpen = new QAction(QStringLiteral("参照(&O)"), this);
    actOpen->setObjectName(QStringLiteral("actOpen"));
    actOpen->setToolTip(QStringLiteral("シノニムの実態を表示します。"));
    actOpen->setStatusTip(actOpen->toolTip());
    if (IMainWindow *m = MainWindow())
        actOpen->setIcon(m->MainImage(60));
    connect(actOpen, &QAction::triggered, this, tv::ui::Guarded([this] { actOpenExecute(); }));
    tolCmd->insertAction(actDelete, actOpen);
    mnuObject->insertAction(actDelete, actOpen);
}

void TfrmSynonym::BuildDefinePage()
{
    auto *root = new QVBoxLayout(tabDefine);
    auto *grid = new QGridLayout;
    root->addLayout(grid);
    root->addStretch(1);
    chkPublic = new TtvCheckBox;
    chkPublic->setObjectName(QStringLiteral("chkPublic"));
    chkPublic->setText(QStringLiteral("パブリック"));
    chkPublic->OnClick = [this](QObject *) {
        if (!FLoading)
            tv::ui::Guard([this] { chkPublicClick(); });
    };
    grid->addWidget(chkPublic, 0, 1);
    auto combo = [this](const char *name) {
        auto *c = new TDropDownComboBox;
        c->setObjectName(QString::fromLatin1(name));
        c->setEditable(true);
        c->setMinimumWidth(200);
        c->OnChange = [this](QObject *) {
            if (!FLoading)
                Changed();
        };
        return c;
    };
    cmbTableOwner = combo("cmbTableOwner");
    cmbType = combo("cmbType");
    cmbTableName = combo("cmbTableName");
    cmbDBLink = combo("cmbDBLink");
    const std::pair<const char *, QWidget *> rows[] = {
        {"スキーマ", cmbTableOwner}, {"タイプ", cmbType}, {"オブジェクト", cmbTableName}, {"ＤＢリンク", cmbDBLink}};
    int r = 1;
    for (const auto &[label, w] : rows) {
        grid->addWidget(new QLabel(QString::fromUtf8(label)), r, 0);
        grid->addWidget(w, r++, 1, Qt::AlignLeft);
    }
    auto keepModified = [this](TDropDownComboBox *c, const QStringList &items) {
        const bool was = FLoading;
        FLoading = true;
        const QString keep = c->Text();
        c->clear();
        c->addItems(items);
        c->SetText(keep);
        FLoading = was;
    };
    cmbTableOwner->OnDropDown = [this, keepModified] {
        QStringList names;
        if (OwnerForm())
            OwnerForm()->GetSchemaInfo(names, true);
        names.sort();
        keepModified(cmbTableOwner, names);
    };
    cmbTableName->OnDropDown = [this, keepModified] {
        auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
        if (!form || cmbType->Text().isEmpty() || !SynonymTargetKinds().contains(cmbType->Text()))
            return;
        QString schema = cmbTableOwner->Text().trimmed();
        if (schema.isEmpty())
            schema = DefaultSchema();
        QStringList names;
        form->GetObject(names, schema, cmbType->Text());
        names.sort();
        keepModified(cmbTableName, names);
    };
    cmbDBLink->OnDropDown = [this, keepModified] {
        auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
        if (!form)
            return;
        QStringList names;
        form->GetDBLink(names);
        names.sort();
        keepModified(cmbDBLink, names);
    };
}

void TfrmSynonym::PrepareQueries()
{
    const bool edb = OwnerForm() && OwnerForm()->g_bPostgresPlus();
    qryObj->SetSQL(SynonymSQL::Objects(DBVer(), edb));
    cmbType->clear();
    cmbType->addItems(SynonymTargetKinds());
    cmbType->setCurrentIndex(-1);
}

TSynonymDefinition TfrmSynonym::CurrentDefinition() const
{
    TSynonymDefinition d;
    d.Schema = SchemaName();
    d.Name = ObjectName();
    d.Public = chkPublic->Checked();
    d.TargetSchema = cmbTableOwner->Text();
    d.TargetName = cmbTableName->Text();
    d.DBLink = cmbDBLink->Text();
    return d;
}

void TfrmSynonym::ShowDefine()
{
    struct Loading {
        bool &f;
        explicit Loading(bool &flag) : f(flag) { f = true; }
        ~Loading() { f = false; }
    } loading(FLoading);
    if (FFirstLoad) {
        FFirstLoad = false;
        chkPublic->SetChecked(SchemaName() == QLatin1String("public"));
    }
    chkPublic->setEnabled(IsNew());
    cmbSchema->setEnabled(!chkPublic->Checked());
    L_wObjType.clear();
    L_wObjOID.clear();
    cmbTableOwner->SetText(QString());
    cmbTableName->SetText(QString());
    cmbDBLink->SetText(QString());
    cmbType->setCurrentIndex(-1);
    cmbType->SetText(QString());
    if (!IsNew()) {
        const std::optional<TSynonymDefinition> d = LoadSynonym(*qrySynonym, SchemaName(), ObjectName());
        if (!d) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        cmbTableOwner->SetText(d->TargetSchema);
        cmbTableName->SetText(d->TargetName);
        cmbDBLink->SetText(d->DBLink);
    }
    qryObj->Close();
    qryObj->ParamByName(QStringLiteral("SCHEMA")).setAsString(cmbTableOwner->Text());
    qryObj->ParamByName(QStringLiteral("TBLNAME")).setAsString(cmbTableName->Text());
    qryObj->Open();
    while (!qryObj->Eof()) {
        L_wObjType << qryObj->Fields(0).AsString();
        L_wObjOID << qryObj->Fields(1).AsString();
        qryObj->Next();
    }
    qryObj->Close();
    cmbType->SetText(SynonymKindText(L_wObjType));
    RefreshSource();
}

void TfrmSynonym::GetSourceCreate(QStringList &List)
{
    const TSynonymDefinition d = CurrentDefinition();
    SynonymDDL::Create(d, OwnSchemaPrefix(d.Schema), SchemaPrefix(d.TargetSchema, d.Schema), List);
}

void TfrmSynonym::GetSourceDrop(QStringList &List)
{
    SynonymDDL::Drop(SchemaName(), ObjectName(), List);
}

QString TfrmSynonym::DropStatement(bool)
{
    return SynonymDDL::DropStatement(SchemaName(), ObjectName());
}

void TfrmSynonym::CheckFields()
{
    if (ShownPage() == tabDefine)
        Require(!TrimBlanks(cmbTableName->Text()).isEmpty(), QStringLiteral("オブジェクト名を入力して下さい。"),
                cmbTableName);
}

void TfrmSynonym::BuildCompileList(QStringList &List)
{
    if (!IsNew())
        GetSourceDrop(List);
    if (ShownPage() == tabSource)
        List << txtSource->Lines()->ToStringList();
    else
        GetSourceCreate(List);
}

void TfrmSynonym::chkPublicClick()
{
    if (chkPublic->Checked()) {
        cmbSchema->SetText(QStringLiteral("public"));
        cmbSchema->setEnabled(false);
    } else {
        cmbSchema->setEnabled(true);
        cmbSchema->SetText(DefaultSchema());
    }
    Changed();
}

void TfrmSynonym::actOpenExecute()
{
    if (!cmbDBLink->Text().trimmed().isEmpty()) {
        ShowMessageBox(QStringLiteral("データベースリンクを使用したシノニムについては、\r\n参照オブジェクトを開くことは出来ません。"),
                       tv::ui::MB_ICONEXCLAMATION);
        return;
    }
    auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
    if (!form)
        return;
    for (int i = 0; i < L_wObjType.size(); ++i) {
        const int code = ObjectTypeFromName(L_wObjType[i]);
        const qint64 oid = (code == 51 || code == 52) ? L_wObjOID.value(i).toLongLong() : -1;
        form->OpenObject(code, cmbTableOwner->Text(), cmbTableName->Text(), tvOption.OpenMode, false, 0, oid);
    }
}

void TfrmSynonym::UpdateActions()
{
    TfrmDefinition::UpdateActions();
    actOpen->setEnabled(!IsNew() && !Modified());
}
