#include "objects/other/frmRule.h"

#include "common/IConnectionWindow.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/TextUtil.h"
#include "controls/tvRadioButton.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/fraCross.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "shell/frmObject.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

const TDefinitionKind &TfrmRule::RuleKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 127;
        k.CaptionPrefix = QStringLiteral("RULE - ");
        k.CaptionKind = 6;
        k.GuiKey = QStringLiteral("RULE");
        k.Keyword = QStringLiteral("RULE");
        k.DropCascade = true;
        return k;
    }();
    return kind;
}

TfrmRule *TfrmRule::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                         TOpenMode OpenMode, const QString &TableName)
{
    if (!ObjectName.isEmpty() &&
        BringTwinForward<TfrmRule>(CaptionFor(AOwner, RuleKind(), Schema, ObjectName, TableName)))
        throw tv::SilentAbort();
    return ShowBuilt(new TfrmRule(AOwner, TableName), Schema, ObjectName, OpenMode);
}

bool TfrmRule::ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           const QString &TableName, QStringList &Lines)
{
    if (!AOwner)
        return false;
    tv::db::Connection &conn = AOwner->dbsMain();
    tv::db::Query q(&conn);
    const std::optional<TRuleDefinition> def = LoadRuleDefinition(q, Schema, TableName, ObjectName);
    if (!def)
        return false;
    RuleDDL::Create(*def, TtvForm::SchemaPrefix(smText, Schema, conn.Params().MetaDefSchema), Lines);
    return true;
}

void TfrmRule::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                         QIODevice &Stream, const QString &TableName)
{
    QStringList lines;
    if (ScriptLines(AOwner, Schema, ObjectName, TableName, lines))
        WriteScript(Stream, lines);
    throw tv::SilentAbort();
}

TfrmRule::TfrmRule(IConnectionWindow *AOwner, const QString &TableName) : TfrmDefinition(AOwner, RuleKind())
{
    qryRule = NewQuery();
    cmbTable = new TDropDownComboBox;
    cmbTable->setObjectName(QStringLiteral("cmbTable"));
    cmbTable->setMinimumWidth(160);
    if (auto *nl = qobject_cast<QHBoxLayout *>(pnlName->layout())) {
        const int at = nl->indexOf(txtName) - 1;   // before the label "名前"
        nl->insertWidget(at, new QLabel(QStringLiteral("テーブル")));
        nl->insertWidget(at + 1, cmbTable);
    }
    cmbTable->SetText(TableName);

    auto *root = new QVBoxLayout(tabDefine);
    auto *head = new QHBoxLayout;
    grpEvent = new QGroupBox(QStringLiteral("動作イベント"));
    grpEvent->setObjectName(QStringLiteral("grpEvent"));
    auto *el = new QHBoxLayout(grpEvent);
    auto radio = [](const char *name, const QString &caption) {
        auto *r = new TtvRadioButton(caption);
        r->setObjectName(QString::fromLatin1(name));
        return r;
    };
    rdoInsert = radio("rdoInsert", QStringLiteral("INSERT"));
    rdoUpdate = radio("rdoUpdate", QStringLiteral("UPDATE"));
    rdoDelete = radio("rdoDelete", QStringLiteral("DELETE"));
    rdoSelect = radio("rdoSelect", QStringLiteral("SELECT"));
    for (TtvRadioButton *r : {rdoInsert, rdoUpdate, rdoDelete, rdoSelect})
        el->addWidget(r);
    rdoInsert->SetChecked(true);
    grpKind = new QGroupBox(QStringLiteral("動作種別"));
    grpKind->setObjectName(QStringLiteral("grpKind"));
    auto *kl = new QHBoxLayout(grpKind);
    rdoAlso = radio("rdoAlso", QStringLiteral("ALSO"));
    rdoInstead = radio("rdoInstead", QStringLiteral("INSTEAD"));
    kl->addWidget(rdoAlso);
    kl->addWidget(rdoInstead);
    rdoAlso->SetChecked(true);
    head->addWidget(grpEvent);
    head->addWidget(grpKind);
    head->addStretch(1);
    root->addLayout(head);

    auto memo = [](const char *name) {
        auto *m = new TtvMemo;
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    txtWhere = memo("txtWhere");
    txtAction = memo("txtAction");
    auto *split = new QSplitter(Qt::Vertical);
    auto *top = new QWidget;
    auto *tl = new QVBoxLayout(top);
    tl->setContentsMargins(0, 0, 0, 0);
    tl->addWidget(new QLabel(QStringLiteral("SQL条件式")));
    tl->addWidget(txtWhere);
    auto *bottom = new QWidget;
    auto *bl = new QVBoxLayout(bottom);
    bl->setContentsMargins(0, 0, 0, 0);
    bl->addWidget(new QLabel(QStringLiteral("アクションSQL")));
    bl->addWidget(txtAction);
    split->addWidget(top);
    split->addWidget(bottom);
    root->addWidget(split, 1);

    fraCross = new TfraCross(this);
    tabCross = AddFramePage(fraCross, QStringLiteral("tabCross"), QStringLiteral("相関"));

    auto onChange = [this](QObject *) {
        if (!FLoading)
            Changed();
    };
    txtWhere->OnChange = onChange;
    txtAction->OnChange = onChange;
    cmbTable->OnChange = onChange;
    rdoAlso->OnClick = onChange;
    rdoInstead->OnClick = onChange;
    for (TtvRadioButton *r : {rdoInsert, rdoUpdate, rdoDelete, rdoSelect})
        r->OnClick = [this](QObject *) { rdoEventClick(); };
    cmbTable->OnDropDown = [this] {
        auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
        if (!form)
            return;
        QStringList names, part;
        form->GetObject(names, SchemaName(), QStringLiteral("TABLE"));
        form->GetObject(part, SchemaName(), QStringLiteral("VIEW"));
        names << part;
        const bool modified = Modified();
        const QString keep = cmbTable->Text();
        const QSignalBlocker b(cmbTable);
        cmbTable->clear();
        cmbTable->addItems(names);
        cmbTable->SetText(keep);
        SetModified(modified);
    };
}

void TfrmRule::rdoEventClick()
{
    if (!FLoading)
        Changed();
    const bool select = rdoSelect->Checked();
    if (select) {
        if (IsNew() && !FLoading)
            txtName->SetText(QStringLiteral("_RETURN"));
        rdoInstead->SetChecked(true);
        txtWhere->Lines()->Clear();
    }
    txtWhere->setEnabled(!select);
    rdoAlso->setEnabled(!select);
}

QWidget *TfrmRule::PageForMode(TOpenMode Mode)
{
    return Mode == omSource ? tabSource : Mode == omCross ? tabCross : tabDefine;
}

QWidget *TfrmRule::NewObjectFocus()
{
    return cmbTable;
}

TtvMemo *TfrmRule::CompletionEditor()
{
    if (ShownPage() != tabDefine)
        return txtSource;
    if (txtWhere->hasFocus())
        return txtWhere;
    return txtAction->hasFocus() ? txtAction : nullptr;
}

QString TfrmRule::SourceTableName() const
{
    return cmbTable->Text();
}

void TfrmRule::ShowDefine()
{
    FLoading = true;
    struct Done {
        bool &b;
        ~Done() { b = false; }
    } done{FLoading};
    if (!IsNew()) {
        const std::optional<TRuleDefinition> def =
            LoadRuleDefinition(*qryRule, SchemaName(), cmbTable->Text(), ObjectName());
        if (!def) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        TtvRadioButton *event = def->Event == QLatin1String("SELECT")   ? rdoSelect
                                : def->Event == QLatin1String("UPDATE") ? rdoUpdate
                                : def->Event == QLatin1String("DELETE") ? rdoDelete
                                                                        : rdoInsert;
        event->SetChecked(true);
        (def->Instead ? rdoInstead : rdoAlso)->SetChecked(true);
        rdoEventClick();
        txtWhere->Lines()->SetText(def->Condition);
        txtAction->Lines()->SetText(def->Actions);
    }
    RefreshSource();
    if (ShownPage() == tabCross)
        fraCross->ShowData(SchemaName(), ObjectName(), cmbTable->Text(), QString());
    SetModified(false);
}

TRuleDefinition TfrmRule::CurrentDefinition() const
{
    TRuleDefinition d;
    d.Schema = SchemaName();
    d.TableName = cmbTable->Text();
    d.Name = ObjectName();
    d.Event = rdoSelect->Checked()   ? QStringLiteral("SELECT")
              : rdoUpdate->Checked() ? QStringLiteral("UPDATE")
              : rdoDelete->Checked() ? QStringLiteral("DELETE")
                                     : QStringLiteral("INSERT");
    d.Instead = rdoInstead->Checked();
    d.Condition = TrimBlanks(txtWhere->Lines()->Text()).isEmpty() ? QString() : txtWhere->Lines()->Text();
    d.Actions = TrimBlanks(txtAction->Lines()->Text()).isEmpty() ? QString() : txtAction->Lines()->Text();
    return d;
}

void TfrmRule::GetSourceCreate(QStringList &List)
{
    RuleDDL::Create(CurrentDefinition(), SchemaPrefix(SchemaName(), DefaultSchema()), List);
}

void TfrmRule::GetSourceDrop(QStringList &List)
{
    RuleDDL::Drop(SchemaName(), cmbTable->Text(), ObjectName(), false, List);
}

QString TfrmRule::DropStatement(bool Cascade)
{
    QStringList l;
    RuleDDL::Drop(SchemaName(), cmbTable->Text(), ObjectName(), Cascade, l);
    return l.first();
}

void TfrmRule::CheckFields()
{
    Require(!TrimBlanks(cmbTable->Text()).isEmpty(), QStringLiteral("テーブル名を入力して下さい。"), cmbTable);
}

bool TfrmRule::KeptObject(TKeptObject &Object, unsigned &Parts) const
{
    Object = {TKeptKind::Rule, SchemaName(), ObjectName(), cmbTable->Text(), QString(), {}};
    Parts = kpComment;
    return true;
}
