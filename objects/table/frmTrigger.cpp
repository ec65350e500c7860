#include "objects/table/frmTrigger.h"

#include "common/IConnectionWindow.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/Quote.h"
#include "common/TextUtil.h"
#include "controls/tvCheckBox.h"
#include "controls/tvRadioButton.h"
#include "controls/tvScrollBox.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/fraCross.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/frmDDLPreview.h"
#include "shell/frmObject.h"
#include "sql/frmFieldList.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct CloseOnExit {
    tv::db::Query *q;
    ~CloseOnExit() { q->Close(); }
};

// Refills a drop-down list without it counting as an edit.
void Refill(TfrmDefinition *Form, TtvComboBox *Box, const QStringList &Items)
{
    const bool modified = Form->Modified();
    const QString keep = Box->Text();
    const QSignalBlocker block(Box);
    Box->clear();
    Box->addItems(Items);
    Box->SetText(keep);
    Form->SetModified(modified);
}

} // namespace

const TDefinitionKind &TfrmTrigger::TriggerKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 57;
        k.CaptionPrefix = QStringLiteral("TRIGGER - ");
        k.CaptionKind = 6;
        k.GuiKey = QStringLiteral("TRIGGER");
        k.Keyword = QStringLiteral("TRIGGER");
        k.HasOutput = false;
        k.DropCascade = true;
        return k;
    }();
    return kind;
}

// ---------------------------------------------------------------------------
// Opening and scripts

TfrmTrigger *TfrmTrigger::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                               TOpenMode OpenMode, const QString &TableName)
{
    if (!ObjectName.isEmpty() &&
        BringTwinForward<TfrmTrigger>(CaptionFor(AOwner, TriggerKind(), Schema, ObjectName, TableName)))
        throw tv::SilentAbort();
    return ShowBuilt(new TfrmTrigger(AOwner, Schema, TableName), Schema, ObjectName, OpenMode);
}

bool TfrmTrigger::ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                              const QString &TableName, QStringList &Lines)
{
    if (!AOwner)
        return false;
    tv::db::Connection &conn = AOwner->dbsMain();
    tv::db::Query q(&conn);
    const std::optional<TTriggerDefinition> def = LoadTriggerDefinition(q, Schema, ObjectName, TableName);
    if (!def)
        return false;
    const TSourceMode mode = tvOption.flgCallFromTbl ? smShow : smText;
    TriggerDDL::Create(*def, TtvForm::SchemaPrefix(mode, Schema, conn.Params().MetaDefSchema),
                       AOwner->DBVer() > 90099, Lines);
    return true;
}

void TfrmTrigger::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            QIODevice &Stream, const QString &TableName)
{
    QStringList lines;
    if (ScriptLines(AOwner, Schema, ObjectName, TableName, lines))
        WriteScript(Stream, lines);
    throw tv::SilentAbort();
}

// ---------------------------------------------------------------------------
// Construction

TfrmTrigger::TfrmTrigger(IConnectionWindow *AOwner, const QString &Schema, const QString &TableName)
    : TfrmDefinition(AOwner, TriggerKind())
{
    qryTrigger = NewQuery();
    qryAny = NewQuery();
    BuildDefinePage(Schema, TableName);
    fraCross = new TfraCross(this);
    tabCross = AddFramePage(fraCross, QStringLiteral("tabCross"), QStringLiteral("相関"));

    const bool v91 = Has91();
    rdoInstead->setVisible(v91);
    chkConstraint->setVisible(v91);
    grpConstraint->setVisible(v91);
    grpDefTiming->setVisible(v91);
}

bool TfrmTrigger::Has91() const
{
    return DBVer() > 90099;
}

void TfrmTrigger::BuildDefinePage(const QString &Schema, const QString &TableName)
{
    IMainWindow *m = MainWindow();
    // The target table sits in the name panel, before the name.
    cmbTableName = new TDropDownComboBox;
    cmbTableName->setObjectName(QStringLiteral("cmbTableName"));
    cmbTableName->setMinimumWidth(160);
    if (auto *nl = qobject_cast<QHBoxLayout *>(pnlName->layout())) {
        const int at = nl->indexOf(txtName) - 1;   // before the label "名前"
        nl->insertWidget(at, new QLabel(QStringLiteral("テーブル")));
        nl->insertWidget(at + 1, cmbTableName);
    }

    // The groups of the page hold more fixed rows than a window of its first
    // size shows: they scroll within the page, so the window opens inside
    // the main window's area.
    auto *root = new QVBoxLayout(TtvScrollBox::FillPage(tabDefine));
    grpHead = new QGroupBox(QStringLiteral("起動条件"));
    grpHead->setObjectName(QStringLiteral("grpHead"));
    auto *head = new QGridLayout(grpHead);

    grpTiming = new QGroupBox(QStringLiteral("タイミング"));
    grpTiming->setObjectName(QStringLiteral("grpTiming"));
    auto *tl = new QHBoxLayout(grpTiming);
    rdoBefore = new TtvRadioButton(QStringLiteral("前"));
    rdoBefore->setObjectName(QStringLiteral("rdoBefore"));
    rdoAfter = new TtvRadioButton(QStringLiteral("後"));
    rdoAfter->setObjectName(QStringLiteral("rdoAfter"));
    rdoInstead = new TtvRadioButton(QStringLiteral("代替"));
    rdoInstead->setObjectName(QStringLiteral("rdoInstead"));
    for (TtvRadioButton *r : {rdoBefore, rdoAfter, rdoInstead})
        tl->addWidget(r);
    rdoBefore->SetChecked(true);

    grpEvent = new QGroupBox(QStringLiteral("イベント"));
    grpEvent->setObjectName(QStringLiteral("grpEvent"));
    auto *el = new QHBoxLayout(grpEvent);
    auto check = [](const char *name, const QString &caption) {
        auto *c = new TtvCheckBox(caption);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    chkInsert = check("chkInsert", QStringLiteral("INSERT"));
    chkUpdate = check("chkUpdate", QStringLiteral("UPDATE"));
    chkDelete = check("chkDelete", QStringLiteral("DELETE"));
    chkTruncate = check("chkTruncate", QStringLiteral("TRUNCATE"));
    for (TtvCheckBox *c : {chkInsert, chkUpdate, chkDelete, chkTruncate})
        el->addWidget(c);
    chkRow = check("chkRow", QStringLiteral("行トリガー"));

    lblUpdCol = new QLabel(QStringLiteral("変更列"));
    lblUpdCol->setObjectName(QStringLiteral("lblUpdCol"));
    txtUpdCol = new TtvStrEdit;
    txtUpdCol->setObjectName(QStringLiteral("txtUpdCol"));
    btnField = new QToolButton;
    btnField->setObjectName(QStringLiteral("btnField"));
    btnField->setToolTip(QStringLiteral("項目一覧"));
    btnField->setText(QStringLiteral("…"));
    if (m)
        btnField->setIcon(m->ButtonImage(12));
    lblWhen = new QLabel(QStringLiteral("　制限"));
    lblWhen->setObjectName(QStringLiteral("lblWhen"));
    txtWhen = new TtvStrEdit;
    txtWhen->setObjectName(QStringLiteral("txtWhen"));

    head->addWidget(grpTiming, 0, 0);
    head->addWidget(grpEvent, 0, 1, 1, 2);
    head->addWidget(chkRow, 1, 0);
    head->addWidget(lblUpdCol, 2, 0);
    auto *upd = new QHBoxLayout;
    upd->addWidget(txtUpdCol, 1);
    upd->addWidget(btnField);
    head->addLayout(upd, 2, 1, 1, 2);
    head->addWidget(lblWhen, 3, 0);
    head->addWidget(txtWhen, 3, 1, 1, 2);
    root->addWidget(grpHead);

    chkConstraint = check("chkConstraint", QStringLiteral("制約トリガー"));
    root->addWidget(chkConstraint);
    grpConstraint = new QGroupBox;
    grpConstraint->setObjectName(QStringLiteral("grpConstraint"));
    auto *gl = new QGridLayout(grpConstraint);
    lblRefSkm = new QLabel(QStringLiteral("スキーマ"));
    cmbRefSkm = new TDropDownComboBox;
    cmbRefSkm->setObjectName(QStringLiteral("cmbRefSkm"));
    lblRefTblNm = new QLabel(QStringLiteral("制約参照テーブル"));
    cmbRefTblNm = new TDropDownComboBox;
    cmbRefTblNm->setObjectName(QStringLiteral("cmbRefTblNm"));
    gl->addWidget(lblRefSkm, 0, 0);
    gl->addWidget(cmbRefSkm, 0, 1);
    gl->addWidget(lblRefTblNm, 0, 2);
    gl->addWidget(cmbRefTblNm, 0, 3);
    grpDefTiming = new QGroupBox(QStringLiteral("デフォルトタイミング"));
    grpDefTiming->setObjectName(QStringLiteral("grpDefTiming"));
    auto *dl = new QHBoxLayout(grpDefTiming);
    chkDeferrable = check("chkDeferrable", QStringLiteral("制約遅延あり"));
    grpLimChkTim = new QGroupBox(QStringLiteral("制約検査時期"));
    grpLimChkTim->setObjectName(QStringLiteral("grpLimChkTim"));
    auto *ll = new QHBoxLayout(grpLimChkTim);
    rdoSentence = new TtvRadioButton(QStringLiteral("各文実行後"));
    rdoSentence->setObjectName(QStringLiteral("rdoSentence"));
    rdoTran = new TtvRadioButton(QStringLiteral("トランザクション終了時"));
    rdoTran->setObjectName(QStringLiteral("rdoTran"));
    rdoSentence->SetChecked(true);
    ll->addWidget(rdoSentence);
    ll->addWidget(rdoTran);
    dl->addWidget(chkDeferrable);
    dl->addWidget(grpLimChkTim, 1);
    gl->addWidget(grpDefTiming, 1, 0, 1, 4);
    root->addWidget(grpConstraint);

    grpFnc = new QGroupBox(QStringLiteral("ファンクション"));
    grpFnc->setObjectName(QStringLiteral("grpFnc"));
    auto *fl = new QGridLayout(grpFnc);
    cmbFncSkm = new TDropDownComboBox;
    cmbFncSkm->setObjectName(QStringLiteral("cmbFncSkm"));
    cmbFncNm = new TDropDownComboBox;
    cmbFncNm->setObjectName(QStringLiteral("cmbFncNm"));
    lblParam = new QLabel(QStringLiteral("引数"));
    lblParam->setObjectName(QStringLiteral("lblParam"));
    txtParam = new TtvStrEdit;
    txtParam->setObjectName(QStringLiteral("txtParam"));
    fl->addWidget(new QLabel(QStringLiteral("スキーマ")), 0, 0);
    fl->addWidget(cmbFncSkm, 0, 1);
    fl->addWidget(new QLabel(QStringLiteral("使用ファンクション")), 0, 2);
    fl->addWidget(cmbFncNm, 0, 3);
    fl->addWidget(lblParam, 1, 0);
    fl->addWidget(txtParam, 1, 1, 1, 3);
    root->addWidget(grpFnc);
    root->addStretch(1);

    cmbTableName->SetText(TableName);
    cmbRefSkm->SetText(Schema);
    cmbFncSkm->SetText(Schema);

    // Handlers.
    auto onChange = [this](QObject *) {
        if (!L_blnIsLoad)
            Changed();
    };
    for (TtvStrEdit *e : {txtUpdCol, txtWhen, txtParam})
        e->OnChange = onChange;
    cmbRefTblNm->OnChange = onChange;
    for (TtvRadioButton *r : {rdoSentence, rdoTran})
        r->OnClick = onChange;
    auto visible = [this](QObject *) { tv::ui::Guard([this] { OnChangeSetVisible(); }); };
    for (TtvRadioButton *r : {rdoBefore, rdoAfter, rdoInstead})
        r->OnClick = visible;
    for (TtvCheckBox *c : {chkInsert, chkUpdate, chkDelete, chkTruncate, chkRow, chkConstraint, chkDeferrable})
        c->OnClick = visible;
    cmbTableName->OnChange = visible;
    cmbFncNm->OnChange = visible;
    auto vaChk = [this](QObject *s) { tv::ui::Guard([this, s] { OnChangeVaChk(s); }); };
    cmbSchema->OnChange = vaChk;
    cmbRefSkm->OnChange = vaChk;
    cmbFncSkm->OnChange = vaChk;
    auto schemas = [this](TDropDownComboBox *box) {
        return [this, box] {
            if (!OwnerForm())
                return;
            QStringList names;
            OwnerForm()->GetSchemaInfo(names, false);
            Refill(this, box, names);
        };
    };
    cmbRefSkm->OnDropDown = schemas(cmbRefSkm);
    cmbFncSkm->OnDropDown = schemas(cmbFncSkm);
    cmbTableName->OnDropDown = [this] { cmbTableNameDropDown(); };
    cmbRefTblNm->OnDropDown = [this] { cmbRefTblNmDropDown(); };
    cmbFncNm->OnDropDown = [this] { cmbFncNmDropDown(); };
    connect(btnField, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnFieldClick(); }));
}

QWidget *TfrmTrigger::PageForMode(TOpenMode Mode)
{
    return Mode == omSource ? tabSource : Mode == omCross ? tabCross : tabDefine;
}

QWidget *TfrmTrigger::NewObjectFocus()
{
    return cmbTableName;
}

TtvMemo *TfrmTrigger::CompletionEditor()
{
    return ShownPage() == tabDefine ? nullptr : txtSource;
}

QString TfrmTrigger::SourceTableName() const
{
    return cmbTableName->Text();
}

// ---------------------------------------------------------------------------
// Load

void TfrmTrigger::ShowDefine()
{
    if (!IsNew()) {
        const std::optional<TTriggerDefinition> def =
            LoadTriggerDefinition(*qryTrigger, SchemaName(), ObjectName(), cmbTableName->Text());
        if (!def) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        ++FSetting;   // the states follow once everything is in
        struct Done {
            int &n;
            ~Done() { --n; }
        } done{FSetting};
        cmbTableName->SetText(def->TableName);
        chkConstraint->SetChecked(def->Constraint);
        cmbRefSkm->SetText(def->RefSchema);
        cmbRefTblNm->SetText(def->RefTable);
        chkDeferrable->SetChecked(def->Deferrable);
        (def->InitiallyDeferred ? rdoTran : rdoSentence)->SetChecked(true);
        cmbFncSkm->SetText(def->FuncSchema);
        cmbFncNm->SetText(def->FuncName);
        txtParam->SetText(FormatTriggerArgs(def->Args));
        (def->Timing == ttAfter ? rdoAfter : def->Timing == ttInstead ? rdoInstead : rdoBefore)->SetChecked(true);
        chkInsert->SetChecked(def->Insert);
        chkUpdate->SetChecked(def->Update);
        chkDelete->SetChecked(def->Delete);
        chkTruncate->SetChecked(def->Truncate);
        chkRow->SetChecked(def->Row);
        txtUpdCol->SetText(def->UpdateColumns);
        txtWhen->SetText(def->When);
    }
    SetControlStates();
    L_blnIsLoad = false;
    RefreshSource();
    if (ShownPage() == tabCross)
        fraCross->ShowData(SchemaName(), ObjectName(), cmbTableName->Text(), QString());
}

QString TfrmTrigger::GetTargetKind(const QString &Table, const QString &Schema)
{
    if (!OwnerForm() || Table.isEmpty())
        return QString();
    CloseOnExit c{qryAny};
    qryAny->Close();
    qryAny->SetSQL(TriggerSQL::TargetKind(DBVer()));
    qryAny->ParamByName(QStringLiteral("OWNER")).setAsString(Schema);
    qryAny->ParamByName(QStringLiteral("TBLNM")).setAsString(Table);
    qryAny->Open();
    return qryAny->Eof() ? QString() : qryAny->Fields(1).AsString();
}

void TfrmTrigger::OnChangeSetVisible()
{
    if (L_blnIsLoad || FSetting)
        return;
    Changed();
    SetControlStates();
}

void TfrmTrigger::SetControlStates()
{
    if (FSetting)
        return;
    ++FSetting;
    struct Done {
        int &n;
        ~Done() { --n; }
    } done{FSetting};
    const QString k = GetTargetKind(cmbTableName->Text(), SchemaName());
    const bool cons = chkConstraint->isVisibleTo(this) && chkConstraint->Checked();
    const bool exists = !IsNew();
    // 1. Timing.
    if (cons) {
        rdoAfter->SetChecked(true);
        rdoBefore->setEnabled(false);
        rdoAfter->setEnabled(true);
        rdoInstead->setEnabled(false);
    } else {
        rdoBefore->setEnabled(true);
        rdoAfter->setEnabled(true);
        rdoInstead->setEnabled(true);
        if (exists) {
            const bool instead = rdoInstead->Checked();
            rdoBefore->setEnabled(!instead);
            rdoAfter->setEnabled(!instead);
            rdoInstead->setEnabled(instead);
        }
    }
    const bool instead = rdoInstead->Checked();
    const bool row = chkRow->Checked();
    // 2. TRUNCATE.
    if (cons || instead || row) {
        chkTruncate->SetChecked(false);
        chkTruncate->setEnabled(false);
    } else if (k != QLatin1String("TABLE") && !k.isEmpty()) {
        chkTruncate->SetChecked(false);
        chkTruncate->setEnabled(false);
    } else {
        chkTruncate->setEnabled(true);
    }
    // 3. Constraint reference.
    for (QWidget *w : std::initializer_list<QWidget *>{lblRefSkm, cmbRefSkm, lblRefTblNm, cmbRefTblNm})
        w->setEnabled(cons);
    if (!cons) {
        cmbRefSkm->SetText(QString());
        cmbRefTblNm->SetText(QString());
    }
    // 4. Row level.
    if (cons || instead) {
        chkRow->SetChecked(true);
        chkRow->setEnabled(false);
    } else if (chkTruncate->Checked()) {
        chkRow->SetChecked(false);
        chkRow->setEnabled(false);
    } else {
        chkRow->setEnabled(true);
    }
    if (exists && k == QLatin1String("VIEW"))
        chkRow->setEnabled(false);
    // 5. Deferral.
    if (cons) {
        chkDeferrable->setEnabled(true);
        rdoSentence->setEnabled(chkDeferrable->Checked());
        rdoTran->setEnabled(chkDeferrable->Checked());
    } else {
        chkDeferrable->SetChecked(false);
        chkDeferrable->setEnabled(false);
        rdoSentence->setEnabled(false);
        rdoTran->setEnabled(false);
    }
    // 6. Update columns.
    const bool updCols = chkUpdate->Checked() && !instead;
    lblUpdCol->setEnabled(updCols);
    txtUpdCol->setEnabled(updCols);
    btnField->setEnabled(updCols);
    // 7. WHEN.
    const bool when = cons || !instead;
    lblWhen->setEnabled(when);
    txtWhen->setEnabled(when);
    if (exists && k == QLatin1String("VIEW"))
        chkConstraint->setEnabled(false);
    // 8. A target that does not suit is emptied.
    const bool rowNow = chkRow->Checked();
    const bool dml = chkInsert->Checked() || chkUpdate->Checked() || chkDelete->Checked();
    const bool trunc = chkTruncate->Checked();
    const bool isTable = k == QLatin1String("TABLE");
    bool unsuited = false;
    if (cons)
        unsuited = !isTable;
    else if (instead)
        unsuited = k != QLatin1String("VIEW");
    else if (dml && rowNow)
        unsuited = !isTable;
    else if (!dml && !trunc && rowNow)
        unsuited = !isTable;
    else if (!dml && trunc)
        unsuited = !isTable;
    if (unsuited && !cmbTableName->Text().isEmpty())
        cmbTableName->SetText(QString());
    // 9. Arguments.
    const bool params = !cmbFncNm->Text().isEmpty();
    lblParam->setEnabled(params);
    txtParam->setEnabled(params);
    if (!params)
        txtParam->SetText(QString());
}

void TfrmTrigger::OnChangeVaChk(QObject *Sender)
{
    if (L_blnIsLoad)
        return;
    Changed();
    if (Sender == cmbSchema) {
        if (!cmbTableName->Text().isEmpty() && GetTargetKind(cmbTableName->Text(), SchemaName()).isEmpty())
            cmbTableName->SetText(QString());
    } else if (Sender == cmbRefSkm) {
        if (!cmbRefTblNm->Text().isEmpty() && GetTargetKind(cmbRefTblNm->Text(), cmbRefSkm->Text()).isEmpty())
            cmbRefTblNm->SetText(QString());
    } else if (Sender == cmbFncSkm) {
        if (!cmbFncNm->Text().isEmpty() && TriggerFunctions(cmbFncSkm->Text(), cmbFncNm->Text()).isEmpty())
            cmbFncNm->SetText(QString());
    }
}

// ---------------------------------------------------------------------------
// Lists

void TfrmTrigger::FillTableList(TDropDownComboBox *Box, const QString &Schema, bool WithMViews, const QString &Kind)
{
    auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
    if (!form)
        return;
    QStringList names;
    if (Kind == QLatin1String("TABLE") || Kind == QLatin1String("VIEW")) {
        form->GetObject(names, Schema, Kind);
    } else {
        QStringList part;
        form->GetObject(part, Schema, QStringLiteral("TABLE"));
        names << part;
        part.clear();
        form->GetObject(part, Schema, QStringLiteral("VIEW"));
        names << part;
        if (WithMViews && DBVer() > 90299) {
            part.clear();
            form->GetObject(part, Schema, QStringLiteral("MATERIALIZED VIEW"));
            names << part;
        }
    }
    Refill(this, Box, names);
}

void TfrmTrigger::cmbTableNameDropDown()
{
    const bool cons = chkConstraint->isVisibleTo(this) && chkConstraint->Checked();
    const bool truncOnly =
        chkTruncate->Checked() && !chkInsert->Checked() && !chkUpdate->Checked() && !chkDelete->Checked();
    QString kind;
    if (cons || truncOnly)
        kind = QStringLiteral("TABLE");
    else if (rdoInstead->Checked())
        kind = QStringLiteral("VIEW");
    else if (chkRow->Checked() || !Has91())
        kind = QStringLiteral("TABLE");
    FillTableList(cmbTableName, SchemaName(), false, kind);
}

void TfrmTrigger::cmbRefTblNmDropDown()
{
    FillTableList(cmbRefTblNm, cmbRefSkm->Text(), true, QString());
}

QStringList TfrmTrigger::TriggerFunctions(const QString &Schema, const QString &Name)
{
    QStringList names;
    if (!OwnerForm())
        return names;
    CloseOnExit c{qryAny};
    qryAny->Close();
    qryAny->SetSQL(TriggerSQL::Functions(!Name.isEmpty()));
    qryAny->ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    qryAny->ParamByName(QStringLiteral("TYPENM")).setAsString(QStringLiteral("trigger"));
    if (!Name.isEmpty())
        qryAny->ParamByName(QStringLiteral("FNCNM")).setAsString(Name);
    qryAny->Open();
    while (!qryAny->Eof()) {
        names << qryAny->Fields(0).AsString();
        qryAny->Next();
    }
    return names;
}

void TfrmTrigger::cmbFncNmDropDown()
{
    Refill(this, cmbFncNm, TriggerFunctions(cmbFncSkm->Text()));
}

void TfrmTrigger::btnFieldClick()
{
    QStringList before;
    for (const QString &n : txtUpdCol->Text().split(u',', Qt::SkipEmptyParts))
        before << DequoteIdentifier(n.trimmed());
    QStringList chosen = before;
    TfrmFieldList::ShowWindow(OwnerForm(), SchemaName(), cmbTableName->Text(), chosen);
    if (chosen != before && !chosen.isEmpty()) {
        QStringList quoted;
        for (const QString &n : std::as_const(chosen))
            quoted << QuoteIdentifier(n);
        txtUpdCol->SetText(quoted.join(QStringLiteral(", ")));
    }
}

// ---------------------------------------------------------------------------
// DDL and compile

TTriggerDefinition TfrmTrigger::CurrentDefinition() const
{
    TTriggerDefinition d;
    d.Schema = SchemaName();
    d.Name = ObjectName();
    d.TableName = cmbTableName->Text();
    d.Timing = rdoAfter->Checked() ? ttAfter : rdoInstead->Checked() && rdoInstead->isVisibleTo(this) ? ttInstead
                                                                                                     : ttBefore;
    d.Insert = chkInsert->Checked();
    d.Update = chkUpdate->Checked();
    d.Delete = chkDelete->Checked();
    d.Truncate = chkTruncate->Checked();
    d.Row = chkRow->Checked();
    d.UpdateColumns = txtUpdCol->Text().trimmed();
    d.When = txtWhen->Text().trimmed();
    d.Constraint = chkConstraint->Checked() && grpConstraint->isVisibleTo(this);
    d.RefSchema = cmbRefSkm->Text();
    d.RefTable = cmbRefTblNm->Text();
    d.Deferrable = chkDeferrable->Checked() && grpDefTiming->isVisibleTo(this);
    d.InitiallyDeferred = rdoTran->Checked();
    d.FuncSchema = cmbFncSkm->Text();
    d.FuncName = cmbFncNm->Text();
    d.Args = ParseTriggerArgs(txtParam->Text());
    return d;
}

void TfrmTrigger::GetSourceCreate(QStringList &List)
{
    TriggerDDL::Create(CurrentDefinition(), SchemaPrefix(SchemaName(), DefaultSchema()), Has91(), List);
}

void TfrmTrigger::GetSourceAlter(QStringList &List)
{
    GetSourceCreate(List);
}

void TfrmTrigger::GetSourceDrop(QStringList &List)
{
    List << TriggerDDL::Drop(SchemaName(), ObjectName(), cmbTableName->Text()) << QStringLiteral(";");
}

QString TfrmTrigger::DropStatement(bool Cascade)
{
    return TriggerDDL::Drop(SchemaName(), ObjectName(), cmbTableName->Text()) +
           (Cascade ? QStringLiteral(" CASCADE") : QString());
}

void TfrmTrigger::Compile(QObject *)
{
    CommitActiveControl();
    Require(!TrimBlanks(ObjectName()).isEmpty(), QStringLiteral("名前を入力して下さい。"), txtName);
    Require(!TrimBlanks(SchemaName()).isEmpty(), QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    const bool define = ShownPage() == tabDefine;
    if (define) {
        Require(!TrimBlanks(cmbTableName->Text()).isEmpty(), QStringLiteral("テーブル名を入力して下さい。"),
                cmbTableName);
        Require(chkInsert->Checked() || chkUpdate->Checked() || chkDelete->Checked() || chkTruncate->Checked(),
                QStringLiteral("トリガーの起動イベントを指定して下さい。"), chkInsert);
        if (chkConstraint->Checked() && grpConstraint->isVisibleTo(this)) {
            Require(!TrimBlanks(cmbRefSkm->Text()).isEmpty(), QStringLiteral("スキーマ名を入力して下さい。"),
                    cmbRefSkm);
            Require(!TrimBlanks(cmbRefTblNm->Text()).isEmpty(),
                    QStringLiteral("制約参照テーブル名を入力して下さい。"), cmbRefTblNm);
        }
        Require(!TrimBlanks(cmbFncSkm->Text()).isEmpty(), QStringLiteral("スキーマ名を入力して下さい。"), cmbFncSkm);
        Require(!TrimBlanks(cmbFncNm->Text()).isEmpty(), QStringLiteral("ファンクション名を入力して下さい。"),
                cmbFncNm);
    }

    QStringList list;
    if (define)
        GetSourceCreate(list);
    else
        list = txtSource->Lines()->ToStringList();
    if (TrimBlanks(list.join(QLatin1Char('\n'))).isEmpty()) {
        ShowMessageBox(QStringLiteral("変更箇所が見つかりませんでした。"), tv::ui::MB_ICONEXCLAMATION);
        // A new trigger stays new: nothing was created.
        pagObjectChange();
        return;
    }
    if (define && !TfrmDDLPreview::ShowWindow(list, SchemaName(), ObjectName()))
        return;
    if (!IsNew())
        SaveBeforeSource();
    QStringList statements;
    if (!IsNew())
        GetSourceDrop(statements);
    statements << list;
    if (!IsNew())
        AppendKept(statements);

    IConnectionWindow *owner = OwnerForm();
    if (!owner)
        throw tv::Error(QStringLiteral("接続がありません。"));
    tv::db::Connection &conn = owner->dbsMain();
    conn.StartTransaction();
    try {
        owner->ExecuteSQL(statements, false);
    } catch (const std::exception &e) {
        RollbackQuietly(conn);
        const auto *err = dynamic_cast<const tv::Error *>(&e);
        ShowMessageBox(err ? err->text() : QString::fromLocal8Bit(e.what()), tv::ui::MB_ICONSTOP);
        SetModified(true);
        return;
    } catch (...) {
        RollbackQuietly(conn);
        throw;
    }
    if (!CommitApplied(conn)) {
        SetModified(true);
        return;
    }
    ShowMessageBox(QStringLiteral("コンパイルは正常に終了しました。"), tv::ui::MB_ICONINFORMATION);
    SaveAfterSource();
    SetIsNew(false);
    RefreshObjectWindows();
    pagObjectChange();
    UpdateActions();
}

bool TfrmTrigger::KeptObject(TKeptObject &Object, unsigned &Parts) const
{
    Object = {TKeptKind::Trigger, SchemaName(), ObjectName(), cmbTableName->Text(), QString(), {}};
    Parts = kpComment | kpTriggerState;
    return true;
}
