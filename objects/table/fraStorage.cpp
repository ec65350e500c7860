#include "objects/table/fraStorage.h"

#include "common/IConnectionWindow.h"
#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "common/tvForm.h"
#include "common/tvOption.h"
#include "controls/frmPrint.h"
#include "controls/tvCheckBox.h"
#include "controls/tvComboBox.h"
#include "controls/tvNumEdit.h"
#include "controls/tvRadioButton.h"
#include "controls/tvScrollBox.h"
#include "controls/tvStringGrid.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/frmDefinition.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"
#include "shell/frmObject.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

using tv::ui::SqlWaitCursor;

namespace {

const char *const ParamLabels[AutoVacuumParamCount] = {
    "VACUUMベースの境界値", "ANALYZEベースの境界値", "VACUUMスケール因数",
    "ANALYZEスケール因数",  "VACUUMコスト・ディレイ", "VACUUMコスト・リミット",
    "最小フリーズ年数",     "最大フリーズ年数",      "テーブルフリーズ年数",
};
const char *const TableEditNames[AutoVacuumParamCount] = {
    "txtVacuumThreshold", "txtAnalyzeThreshold", "txtVacuumFactor", "txtAnalyzeFactor", "txtVaccumDelay",
    "txtVacuumLimit",     "txtFreezeMin",        "txtFreezeMax",    "txtFreezeTable",
};
constexpr int AnalyzeThreshold = 1;
constexpr int AnalyzeFactor = 3;

struct CloseOnExit {
    tv::db::Query *q;
    ~CloseOnExit() { q->Close(); }
};

bool SchemaIsTemp(const QString &Schema) { return Schema.contains(QLatin1String("pg_temp")); }

TStorageFlag FlagOf(const TtvCheckBox *c)
{
    return {c->Checked(), c->IsChanged(), c->isEnabled()};
}

TStorageFlag FlagOf(const TtvRadioButton *c)
{
    return {c->Checked(), c->IsChanged(), c->isEnabled()};
}

} // namespace

TfraStorage::TfraStorage(TtvForm *AOwner, QWidget *Parent) : QWidget(Parent), FOwner(AOwner)
{
    setObjectName(QStringLiteral("fraStorage"));
    auto *root = new QVBoxLayout(this);

    pnlStorageType = new QWidget;
    pnlStorageType->setObjectName(QStringLiteral("pnlStorageType"));
    auto *top = new QHBoxLayout(pnlStorageType);
    top->setContentsMargins(0, 0, 0, 0);
    lblStorageType = new QLabel(QStringLiteral("格納方法"));
    cmbStorageType = new TtvComboBox;
    cmbStorageType->setObjectName(QStringLiteral("cmbStorageType"));
    cmbStorageType->SetStyle(TtvComboBox::csDropDownList);
    cmbStorageType->addItem(StorageTypeName(ptNormal));
    chkLog = new TtvCheckBox(QStringLiteral("ログに記録"));
    chkLog->setObjectName(QStringLiteral("chkLog"));
    top->addWidget(lblStorageType);
    top->addWidget(cmbStorageType);
    top->addWidget(chkLog);
    top->addStretch(1);
    root->addWidget(pnlStorageType);

    pagStorage = new QStackedWidget;
    pagStorage->setObjectName(QStringLiteral("pagStorage"));
    root->addWidget(pagStorage, 1);

    // Sheet "格納領域": tablespace and autovacuum. The autovacuum group holds
    // more rows than a window of its first size shows: the sheet's fields
    // scroll within it, so the frame asks no more height than its other
    // sheets and the window opens inside the main window's area.
    tabDefault = new QWidget;
    tabDefault->setObjectName(QStringLiteral("tabDefault"));
    auto *dl = new QVBoxLayout(TtvScrollBox::FillPage(tabDefault));
    auto *tbsRow = new QHBoxLayout;
    lblTBS = new QLabel(QStringLiteral("表領域"));
    cmbTBS = new TDropDownComboBox;
    cmbTBS->setObjectName(QStringLiteral("cmbTBS"));
    cmbTBS->setMaxVisibleItems(20);
    cmbTBS->setMinimumWidth(200);
    tbsRow->addWidget(lblTBS);
    tbsRow->addWidget(cmbTBS);
    tbsRow->addStretch(1);
    dl->addLayout(tbsRow);

    grpAutoVacuum = new QGroupBox;
    grpAutoVacuum->setObjectName(QStringLiteral("grpAutoVacuum"));
    auto *gl = new QGridLayout(grpAutoVacuum);
    chkAutoVacuum = new TtvCheckBox(QStringLiteral("自動バキューム"));
    chkAutoVacuum->setObjectName(QStringLiteral("chkAutoVacuum"));
    chkAutoVacuum->hide();
    rdoVacuumTarget = new TRadioGroup(QStringLiteral("バキューム対象"),
                                      {QStringLiteral("テーブル"), QStringLiteral("トーストテーブル")});
    rdoVacuumTarget->setObjectName(QStringLiteral("rdoVacuumTarget"));
    rdoVacuumTarget->SetItemIndex(0);
    lblDaemon = new QLabel(QStringLiteral("自動バキュームデーモン"));
    chkEnabled = new TtvCheckBox;
    chkEnabled->setObjectName(QStringLiteral("chkEnabled"));
    chkToastEnabled = new TtvCheckBox;
    chkToastEnabled->setObjectName(QStringLiteral("chkToastEnabled"));
    gl->addWidget(chkAutoVacuum, 0, 0, 1, 2);
    gl->addWidget(rdoVacuumTarget, 1, 0, 1, 3);
    gl->addWidget(lblDaemon, 2, 0);
    gl->addWidget(chkEnabled, 2, 1);
    gl->addWidget(chkToastEnabled, 2, 2);
    for (int i = 0; i < AutoVacuumParamCount; ++i) {
        lblParams[i] = new QLabel(QString::fromUtf8(ParamLabels[i]));
        txtTable[i] = new TtvNumEdit;
        txtTable[i]->setObjectName(QString::fromLatin1(TableEditNames[i]));
        txtToast[i] = new TtvNumEdit;
        txtToast[i]->setObjectName(QStringLiteral("txtToast") + QString::fromLatin1(TableEditNames[i]).mid(3));
        gl->addWidget(lblParams[i], 3 + i, 0);
        gl->addWidget(txtTable[i], 3 + i, 1);
        gl->addWidget(txtToast[i], 3 + i, 2);
    }
    dl->addWidget(grpAutoVacuum);
    dl->addStretch(1);
    grpAutoVacuum->hide();
    pagStorage->addWidget(tabDefault);

    // Sheet "一時表".
    tabTemporary = new QWidget;
    tabTemporary->setObjectName(QStringLiteral("tabTemporary"));
    auto *tl = new QVBoxLayout(tabTemporary);
    grpOnCommit = new QGroupBox(QStringLiteral("データ保持期間"));
    grpOnCommit->setObjectName(QStringLiteral("grpOnCommit"));
    auto *ol = new QVBoxLayout(grpOnCommit);
    rdoTransaction = new TtvRadioButton(QStringLiteral("コミット後にデータ削除"));
    rdoTransaction->setObjectName(QStringLiteral("rdoTransaction"));
    rdoSession = new TtvRadioButton(QStringLiteral("セッション終了後にデータ削除"));
    rdoSession->setObjectName(QStringLiteral("rdoSession"));
    ol->addWidget(rdoTransaction);
    ol->addWidget(rdoSession);
    tl->addWidget(grpOnCommit);
    tl->addStretch(1);
    pagStorage->addWidget(tabTemporary);

    // Sheet "パーティション": the parents.
    tabPartition = new QWidget;
    tabPartition->setObjectName(QStringLiteral("tabPartition"));
    auto *pl = new QVBoxLayout(tabPartition);
    auto *btns = new QHBoxLayout;
    btnPartIns = new QToolButton;
    btnPartIns->setObjectName(QStringLiteral("btnPartIns"));
    btnPartIns->setToolTip(QStringLiteral("パーティションの追加"));
    btnPartDel = new QToolButton;
    btnPartDel->setObjectName(QStringLiteral("btnPartDel"));
    btnPartDel->setToolTip(QStringLiteral("パーティションの削除"));
    if (IMainWindow *m = MainWindow()) {
        btnPartIns->setIcon(m->ButtonImage(39));
        btnPartDel->setIcon(m->ButtonImage(40));
    }
    btns->addWidget(btnPartIns);
    btns->addWidget(btnPartDel);
    btns->addStretch(1);
    grdPartition = new TtvStringGrid;
    grdPartition->setObjectName(QStringLiteral("grdPartition"));
    grdPartition->SetColCount(1);
    grdPartition->SetFixedCols(0);
    grdPartition->SetRowCount(2);
    grdPartition->SetFixedRows(1);
    grdPartition->SetCells(0, 0, QStringLiteral("親テーブル名"));
    grdPartition->SetColWidths(0, 300);
    grdPartition->SetOptions(grdPartition->Options() | goEditing);
    grdPartition->SetEditStyles(0, gePickList);
    pl->addLayout(btns);
    pl->addWidget(grdPartition, 1);
    pagStorage->addWidget(tabPartition);
    pagStorage->setCurrentWidget(tabDefault);

    // Handlers.
    connect(cmbStorageType, &QComboBox::currentIndexChanged, this,
            tv::ui::Guarded([this](int) { cmbStorageTypeChange(); }));
    chkAutoVacuum->OnClick = [this](QObject *) { chkAutoVacuumClick(); };
    rdoVacuumTarget->OnClick = [this] { rdoVacuumTargetClick(); };
    for (TtvCheckBox *c : {chkEnabled, chkToastEnabled, chkLog})
        c->OnClick = [this](QObject *) { MarkModified(); };
    for (TtvRadioButton *r : {rdoTransaction, rdoSession})
        r->OnClick = [this](QObject *) { MarkModified(); };
    for (int i = 0; i < AutoVacuumParamCount; ++i) {
        txtTable[i]->OnChange = [this](QObject *) { MarkModified(); };
        txtToast[i]->OnChange = [this](QObject *) { MarkModified(); };
    }
    cmbTBS->OnChange = [this](QObject *) { MarkModified(); };
    cmbTBS->OnDropDown = [this] {
        auto *form = dynamic_cast<TfrmObject *>(FOwner ? FOwner->OwnerForm() : nullptr);
        if (!form)
            return;
        const QString keep = cmbTBS->Text();
        QStringList names;
        form->GetTBS(names);
        names.sort();
        const bool wasLoading = FLoading;
        FLoading = true;
        cmbTBS->clear();
        cmbTBS->addItems(names);
        cmbTBS->SetText(keep);
        FLoading = wasLoading;
    };
    grdPartition->OnGetPickListitems = [this](int ACol, int ARow, QStringList &Items) {
        if (ACol != 0 || ARow < 1 || !FOwner || !FOwner->OwnerForm())
            return;
        SqlWaitCursor wait;
        tv::db::Query &q = FOwner->OwnerForm()->OpenSQL(StorageSQL::ParentPickList());
        Items.clear();
        while (!q.Eof()) {
            Items << ParentCellText(q.Fields(0).AsString(), q.Fields(1).AsString());
            q.Next();
        }
        q.Close();
    };
    grdPartition->OnSetEditText = [this](QObject *, int, int, const QString &) { MarkModified(); };
    connect(btnPartIns, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnPartInsClick(); }));
    connect(btnPartDel, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnPartDelClick(); }));

    IsInit = false;
    FLoading = true;
    chkAutoVacuumClick();
    FLoading = false;
}

TfraStorage::~TfraStorage() = default;

void TfraStorage::MarkModified()
{
    if (!FLoading && FOwner)
        FOwner->SetModified(true);
}

bool TfraStorage::OwnerIsNew() const
{
    return FOwner && FOwner->IsNew();
}

int TfraStorage::DBVer() const
{
    return FOwner && FOwner->OwnerForm() ? FOwner->OwnerForm()->DBVer() : 0;
}

// ---------------------------------------------------------------------------
// Init and load

void TfraStorage::Init(const QString &Schema, const QString &ObjectName)
{
    FSchema = Schema;
    FObjectName = ObjectName;
    TableName = ObjectName;
    if (FObjType >= 0 && FObjType != 45)
        return;
    IsInit = true;
    FObjType = FOwner ? FOwner->ObjType() : -1;
    const bool wasLoading = FLoading;
    FLoading = true;
    cmbStorageType->clear();
    const bool isNew = OwnerIsNew();
    if (!(FObjType == 45 && !isNew && SchemaIsTemp(Schema)))
        cmbStorageType->addItem(StorageTypeName(ptNormal));
    if (FObjType == 45) {
        if (isNew) {
            cmbStorageType->addItem(StorageTypeName(ptTemp));
            cmbStorageType->addItem(StorageTypeName(ptPartition));
            chkLog->SetChecked(true);
        } else if (SchemaIsTemp(Schema)) {
            cmbStorageType->addItem(StorageTypeName(ptTemp));
        } else {
            cmbStorageType->addItem(StorageTypeName(ptPartition));
        }
        cmbStorageType->SetItemIndex(0);
        cmbStorageTypeChange();
    }
    if (FObjType == 46 || FObjType == 66)
        chkLog->hide();
    if (FObjType == 61) {
        cmbStorageType->SetItemIndex(0);
        cmbStorageTypeChange();
    }
    if (!qryPartition && FOwner) {
        qryPartition = FOwner->NewQuery();
        qryVacuum = FOwner->NewQuery();
        qryStorage = FOwner->NewQuery();
    }
    if (qryPartition) {
        qryPartition->SetSQL(StorageSQL::Parents());
        qryVacuum->SetSQL(StorageSQL::AutoVacuum(DBVer()));
        qryStorage->SetSQL(StorageSQL::Persistence());
    }
    FLoading = wasLoading;
}

void TfraStorage::cmbStorageTypeChange()
{
    btnPartIns->setEnabled(true);
    btnPartDel->setEnabled(true);
    grpAutoVacuum->hide();
    const bool table = FObjType == 45;
    switch (StorageTypeFromText(cmbStorageType->Text())) {
    case ptNormal:
        pagStorage->setCurrentWidget(tabDefault);
        grpAutoVacuum->setVisible(table || FObjType == 61);
        chkAutoVacuum->setVisible(table || FObjType == 61);
        chkLog->setVisible(table);
        break;
    case ptPartition:
        pagStorage->setCurrentWidget(tabPartition);
        chkLog->setVisible(table);
        break;
    case ptTemp:
        pagStorage->setCurrentWidget(tabTemporary);
        grpOnCommit->setVisible(OwnerIsNew() || !SchemaIsTemp(FSchema));
        chkLog->hide();
        break;
    }
    MarkModified();
}

void TfraStorage::chkAutoVacuumClick()
{
    const bool on = chkAutoVacuum->Checked();
    rdoVacuumTarget->setEnabled(on);
    if (rdoVacuumTarget->ItemIndex() <= 0) {
        chkEnabled->setEnabled(on);
        for (TtvNumEdit *e : txtTable)
            e->setEnabled(on);
    } else {
        chkToastEnabled->setEnabled(on);
        for (TtvNumEdit *e : txtToast)
            e->setEnabled(on);
    }
    rdoVacuumTargetClick();
    MarkModified();
}

void TfraStorage::rdoVacuumTargetClick()
{
    const bool first = rdoVacuumTarget->ItemIndex() <= 0;
    chkEnabled->setVisible(first);
    chkToastEnabled->setVisible(!first);
    for (int i = 0; i < AutoVacuumParamCount; ++i) {
        txtTable[i]->setVisible(first);
        txtToast[i]->setVisible(!first);
    }
    lblParams[AnalyzeThreshold]->setEnabled(first);
    lblParams[AnalyzeFactor]->setEnabled(first);
    if (first) {
        txtTable[AnalyzeThreshold]->setEnabled(chkAutoVacuum->Checked());
        txtTable[AnalyzeFactor]->setEnabled(chkAutoVacuum->Checked());
    } else {
        // A TOAST table takes no analyze settings.
        txtToast[AnalyzeThreshold]->setEnabled(false);
        txtToast[AnalyzeFactor]->setEnabled(false);
    }
}

void TfraStorage::SelectStorageType(const QString &Text)
{
    const int i = cmbStorageType->findText(Text);
    if (i >= 0)
        cmbStorageType->SetItemIndex(i);
    cmbStorageTypeChange();
}

void TfraStorage::ShowDefine()
{
    SqlWaitCursor wait;
    const bool wasLoading = FLoading;
    FLoading = true;
    struct Restore {
        bool &flag;
        bool value;
        ~Restore() { flag = value; }
    } restore{FLoading, wasLoading};
    const bool table = FObjType == 45;

    // 1. Persistence.
    if (table && !chkLog->isHidden() && qryStorage) {
        CloseOnExit c{qryStorage};
        qryStorage->Close();
        qryStorage->ParamByName(QStringLiteral("SCHEMA")).setAsString(FSchema);
        qryStorage->ParamByName(QStringLiteral("TBLNAME")).setAsString(TableName);
        qryStorage->Open();
        if (!qryStorage->IsEmpty()) {
            const QString p = qryStorage->Fields(0).AsString();
            if (p == QLatin1String("p")) {
                chkLog->show();
                chkLog->SetChecked(true);
            } else if (p == QLatin1String("u")) {
                chkLog->show();
                chkLog->SetChecked(false);
            } else if (p == QLatin1String("t")) {
                chkLog->hide();
                chkLog->SetChecked(true);
            }
        }
    }
    // 2. The kind to select.
    const TStorageType kind = table && !OwnerIsNew() && !grpOnCommit->isHidden() ? ptTemp : ptNormal;
    // 3. Autovacuum options.
    if ((table || FObjType == 61) && qryVacuum) {
        CloseOnExit c{qryVacuum};
        qryVacuum->Close();
        qryVacuum->ParamByName(QStringLiteral("SCHEMA")).setAsString(FSchema);
        qryVacuum->ParamByName(QStringLiteral("TBLNAME")).setAsString(TableName);
        qryVacuum->Open();
        if (!qryVacuum->IsEmpty()) {
            if (!qryVacuum->Fields(0).IsNull() || !qryVacuum->Fields(10).IsNull()) {
                chkAutoVacuum->SetChecked(true);
                chkEnabled->SetChecked(ReloptionIsTrue(qryVacuum->Fields(0).AsString()));
                chkToastEnabled->SetChecked(ReloptionIsTrue(qryVacuum->Fields(10).AsString()));
                for (int i = 0; i < AutoVacuumParamCount; ++i) {
                    txtTable[i]->SetText(qryVacuum->Fields(1 + i).AsString());
                    txtToast[i]->SetText(qryVacuum->Fields(11 + i).AsString());
                }
            }
            chkAutoVacuumClick();
        }
    }
    // 4. Parents.
    if (table) {
        grdPartition->Clear();
        const QList<TLoadedParent> parents = ReadParents();
        grdPartition->SetRowCount(int(parents.size()) + 2);
        for (int i = 0; i < parents.size(); ++i) {
            grdPartition->SetCells(0, i + 1, ParentCellText(parents[i].Schema, parents[i].Name));
            grdPartition->SetObjects(0, i + 1, parents[i].Number);
        }
        grdPartition->SetCells(0, int(parents.size()) + 1, QString());
        grdPartition->SetObjects(0, int(parents.size()) + 1, QVariant());
    }
    // 5.
    SelectStorageType(StorageTypeName(kind));
}

QList<TLoadedParent> TfraStorage::ReadParents()
{
    QList<TLoadedParent> list;
    if (!qryPartition)
        return list;
    CloseOnExit c{qryPartition};
    qryPartition->Close();
    qryPartition->ParamByName(QStringLiteral("SCHEMA")).setAsString(FSchema);
    qryPartition->ParamByName(QStringLiteral("TBLNAME")).setAsString(TableName);
    qryPartition->Open();
    while (!qryPartition->Eof()) {
        list.append({int(qryPartition->FieldByName(QStringLiteral("rn")).AsInt64()),
                     qryPartition->FieldByName(QStringLiteral("nspname")).AsString(),
                     qryPartition->FieldByName(QStringLiteral("relname")).AsString()});
        qryPartition->Next();
    }
    return list;
}

void TfraStorage::Save()
{
    cmbStorageType->Save();
    cmbTBS->Save();
    rdoTransaction->Save();
    rdoSession->Save();
    chkLog->Save();
    chkAutoVacuum->Save();
    chkEnabled->Save();
    chkToastEnabled->Save();
    for (int i = 0; i < AutoVacuumParamCount; ++i) {
        txtTable[i]->Save();
        txtToast[i]->Save();
    }
    grdPartition->Save();
}

// ---------------------------------------------------------------------------
// DDL

TStorageSnapshot TfraStorage::Snapshot() const
{
    TStorageSnapshot s;
    s.ObjType = FObjType;
    s.Mode = FOwner ? FOwner->SourceMode : smShow;
    // What a compile runs keeps the object's storage and parents whatever
    // the display option says; the option governs only what is shown.
    const auto *definition = dynamic_cast<const TfrmDefinition *>(FOwner);
    s.ShowStorageSource = tvOption.ShowStorageSource || (definition && definition->ForRun());
    s.ScriptStorage = ScriptOption.Storage;
    s.DBVer = DBVer();
    s.Schema = FSchema;
    s.ObjectName = FObjectName;
    QWidget *sheet = pagStorage->currentWidget();
    s.Sheet = sheet == tabTemporary ? ssTemporary : sheet == tabPartition ? ssPartition : ssDefault;
    // Hidden by its owner's choice, not by an unshown page.
    s.TablespaceVisible = !cmbTBS->isHidden();
    s.Tablespace = cmbTBS->Text();
    s.TablespaceChanged = cmbTBS->IsChanged();
    s.Log = FlagOf(chkLog);
    s.OnCommitDelete = FlagOf(rdoTransaction);
    s.OnCommitPreserve = FlagOf(rdoSession);
    s.AutoVacuum = FlagOf(chkAutoVacuum);
    s.Table.EnabledBox = FlagOf(chkEnabled);
    s.Toast.EnabledBox = FlagOf(chkToastEnabled);
    for (int i = 0; i < AutoVacuumParamCount; ++i) {
        s.Table.Params[i] = {txtTable[i]->Text(), txtTable[i]->IsChanged(), txtTable[i]->isEnabled()};
        s.Toast.Params[i] = {txtToast[i]->Text(), txtToast[i]->IsChanged(), txtToast[i]->isEnabled()};
    }
    for (int r = 1; r < grdPartition->RowCount(); ++r)
        s.Parents.append({grdPartition->Cells(0, r), grdPartition->Objects(0, r).toInt(),
                          grdPartition->GetIsChangedCell(0, r)});
    return s;
}

bool TfraStorage::IsCreate()
{
    return StorageDDL::IsCreate(Snapshot());
}

bool TfraStorage::IsChanged(TStorageType Mode)
{
    return StorageDDL::IsChanged(Snapshot(), Mode);
}

void TfraStorage::GetSourceCreate(QStringList &Source)
{
    SqlWaitCursor wait;
    // While a table compile scripts its dependants the window rule applies.
    if (tvOption.flgCallFromTbl && FOwner)
        FOwner->SourceMode = smShow;
    StorageDDL::Create(Snapshot(), Source);
}

void TfraStorage::GetSourceAlterN(QStringList &Source)
{
    SqlWaitCursor wait;
    StorageDDL::AlterN(Snapshot(), Source);
}

void TfraStorage::GetSourceAlterV(QStringList &Source)
{
    StorageDDL::AlterV(Snapshot(), Source);
}

void TfraStorage::GetSourceAlterP(QStringList &Source)
{
    SqlWaitCursor wait;
    const TStorageSnapshot s = Snapshot();
    if (s.Mode == smShow && !s.ShowStorageSource)
        return;
    StorageDDL::AlterP(s, ReadParents(), Source);
}

// ---------------------------------------------------------------------------
// Parents grid

void TfraStorage::btnPartInsClick()
{
    grdPartition->setFocus();
    const int row = grdPartition->RowCount();
    grdPartition->SetRowCount(row + 1);
    grdPartition->SetCells(0, row, QString());
    grdPartition->SetObjects(0, row, QVariant());
}

void TfraStorage::btnPartDelClick()
{
    if (grdPartition->RowCount() > 2) {
        grdPartition->setFocus();
        grdPartition->DeleteRow(grdPartition->Row());
    }
    MarkModified();
}
