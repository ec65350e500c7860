#include "objects/table/frmIndex.h"

#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "controls/tvCheckBox.h"
#include "controls/tvComboBox.h"
#include "controls/tvListBox.h"
#include "controls/tvRadioButton.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/EditorUndoObj.h"
#include "editor/tvMemo.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/StorageDefinition.h"
#include "objects/table/fraStorage.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/frmObject.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct CloseOnExit {
    tv::db::Query *q;
    ~CloseOnExit() { q->Close(); }
};

// The storage clauses of an index script: the tablespace under the rules
// of scripts (while a table compile scripts its dependants, those of a shown
// window).
QStringList ScriptStorageClauses(const QString &Tablespace)
{
    TStorageSnapshot s;
    s.ObjType = 46;
    s.Mode = tvOption.flgCallFromTbl ? smShow : smText;
    s.ShowStorageSource = tvOption.ShowStorageSource;
    s.ScriptStorage = ScriptOption.Storage;
    s.Tablespace = Tablespace;
    QStringList lines;
    StorageDDL::Create(s, lines);
    return lines;
}

} // namespace

const TDefinitionKind &TfrmIndex::IndexKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 46;
        k.CaptionPrefix = QStringLiteral("INDEX - ");
        k.CaptionKind = 4;
        k.GuiKey = QStringLiteral("INDEX");
        k.Keyword = QStringLiteral("INDEX");
        k.HasOutput = true;
        return k;
    }();
    return kind;
}

// ---------------------------------------------------------------------------
// Opening and scripts

TfrmIndex *TfrmIndex::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           TOpenMode OpenMode, const QString &TableName)
{
    if (BringTwinForward<TfrmIndex>(CaptionFor(AOwner, IndexKind(), Schema, ObjectName)))
        throw tv::SilentAbort();
    return ShowBuilt(new TfrmIndex(AOwner, TableName), Schema, ObjectName, OpenMode);
}

bool TfrmIndex::ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            QStringList &Lines)
{
    if (!AOwner)
        return false;
    tv::db::Connection &conn = AOwner->dbsMain();
    tv::db::Query q(&conn);
    const std::optional<TIndexDefinition> def =
        LoadIndexDefinition(q, Schema, ObjectName, conn.Params().Database, AOwner->DBVer());
    if (!def)
        return false;
    const TSourceMode mode = tvOption.flgCallFromTbl ? smShow : smText;
    IndexDDL::Create(*def, TtvForm::SchemaPrefix(mode, Schema, conn.Params().MetaDefSchema),
                     ScriptStorageClauses(def->Tablespace), Lines);
    return true;
}

void TfrmIndex::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                          QIODevice &Stream)
{
    QStringList lines;
    if (ScriptLines(AOwner, Schema, ObjectName, lines))
        WriteScript(Stream, lines);
    throw tv::SilentAbort();
}

// ---------------------------------------------------------------------------
// Construction

TfrmIndex::TfrmIndex(IConnectionWindow *AOwner, const QString &TableName)
    : TfrmDefinition(AOwner, IndexKind()), FTableName(TableName)
{
    BuildDefinePage();

    tabStorage = new QWidget;
    tabStorage->setObjectName(QStringLiteral("tabStorage"));
    auto *sl = new QVBoxLayout(tabStorage);
    fraStorage = new TfraStorage(this);
    // Only the tablespace box belongs to an index.
    fraStorage->pnlStorageType->hide();
    sl->addWidget(fraStorage);
    pagObject->insertTab(1, tabStorage, QStringLiteral("領域情報"));

    qryIndex = NewQuery();
    qryTabCol = NewQuery();
    rdoBrin->setVisible(DBVer() >= 90500);
}

void TfrmIndex::BuildDefinePage()
{
    IMainWindow *m = MainWindow();
    auto *root = new QVBoxLayout(tabDefine);
    auto *head = new QGridLayout;
    lblTableName = new QLabel(QStringLiteral("テーブル"));
    lblTableName->setObjectName(QStringLiteral("lblTableName"));
    cmbTableOwner = new TtvComboBox;
    cmbTableOwner->setObjectName(QStringLiteral("cmbTableOwner"));
    cmbTableOwner->setEnabled(false);
    cmbTableName = new TDropDownComboBox;
    cmbTableName->setObjectName(QStringLiteral("cmbTableName"));
    cmbTableName->setMinimumWidth(200);
    cmbIndexType = new TtvComboBox;
    cmbIndexType->setObjectName(QStringLiteral("cmbIndexType"));
    cmbIndexType->SetStyle(TtvComboBox::csDropDownList);
    chkUnique = new TtvCheckBox(QStringLiteral("重複不可"));
    chkUnique->setObjectName(QStringLiteral("chkUnique"));
    rdoBtree = new TtvRadioButton(QStringLiteral("B-tree"));
    rdoBtree->setObjectName(QStringLiteral("rdoBtree"));
    rdoHash = new TtvRadioButton(QStringLiteral("HASH"));
    rdoHash->setObjectName(QStringLiteral("rdoHash"));
    rdoBrin = new TtvRadioButton(QStringLiteral("BRIN"));
    rdoBrin->setObjectName(QStringLiteral("rdoBrin"));
    head->addWidget(lblTableName, 0, 0);
    head->addWidget(cmbTableOwner, 0, 1);
    head->addWidget(cmbTableName, 0, 2);
    head->addWidget(new QLabel(QStringLiteral("タイプ")), 1, 0);
    head->addWidget(cmbIndexType, 1, 1);
    auto *options = new QHBoxLayout;
    options->addWidget(chkUnique);
    options->addWidget(rdoBtree);
    options->addWidget(rdoHash);
    options->addWidget(rdoBrin);
    options->addStretch(1);
    head->addLayout(options, 1, 2);
    head->setColumnStretch(2, 1);
    root->addLayout(head);

    pagIndexType = new QStackedWidget;
    pagIndexType->setObjectName(QStringLiteral("pagIndexType"));
    tabNormal = new QWidget;
    tabNormal->setObjectName(QStringLiteral("tabNormal"));
    auto *nl = new QHBoxLayout(tabNormal);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("インデックスの列")));
    lstIdxCol = new TtvListBox;
    lstIdxCol->setObjectName(QStringLiteral("lstIdxCol"));
    lstIdxCol->SetMultiSelect(true);
    left->addWidget(lstIdxCol, 1);
    auto *mid = new QVBoxLayout;
    btnIns = new QToolButton;
    btnIns->setObjectName(QStringLiteral("btnIns"));
    btnIns->setToolTip(QStringLiteral("追加"));
    btnIns->setText(QStringLiteral("追加"));
    btnDel = new QToolButton;
    btnDel->setObjectName(QStringLiteral("btnDel"));
    btnDel->setToolTip(QStringLiteral("削除"));
    btnDel->setText(QStringLiteral("削除"));
    if (m) {
        btnIns->setIcon(m->ButtonImage(32));
        btnDel->setIcon(m->ButtonImage(33));
    }
    mid->addStretch(1);
    mid->addWidget(btnIns);
    mid->addWidget(btnDel);
    mid->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("テーブルの列")));
    lstTabCol = new TtvListBox;
    lstTabCol->setObjectName(QStringLiteral("lstTabCol"));
    lstTabCol->SetMultiSelect(true);
    right->addWidget(lstTabCol, 1);
    nl->addLayout(left, 1);
    nl->addLayout(mid);
    nl->addLayout(right, 1);
    tabFunc = new QWidget;
    tabFunc->setObjectName(QStringLiteral("tabFunc"));
    auto *fl = new QVBoxLayout(tabFunc);
    fl->setContentsMargins(0, 0, 0, 0);
    txtFunc = new TtvMemo;
    txtFunc->setObjectName(QStringLiteral("txtFunc"));
    fl->addWidget(txtFunc);
    pagIndexType->addWidget(tabNormal);
    pagIndexType->addWidget(tabFunc);
    root->addWidget(pagIndexType, 1);

    // Handlers.
    connect(cmbIndexType, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbIndexTypeSelect(); }));
    chkUnique->OnClick = [this](QObject *) { chkUniqueClick(); };
    for (TtvRadioButton *r : {rdoBtree, rdoHash, rdoBrin})
        r->OnClick = [this, r](QObject *) {
            if (r->isChecked())
                RadioClick(r);
        };
    cmbTableName->OnDropDown = [this] { cmbTableNameDropDown(); };
    cmbTableName->OnChange = [this](QObject *) { Changed(); };
    connect(cmbTableName, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbTableNameExit(); }));
    cmbTableName->installEventFilter(this);
    if (cmbSchema) {
        connect(cmbSchema, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbSchemaExit(); }));
        cmbSchema->installEventFilter(this);
    }
    connect(btnIns, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnInsClick(); }));
    connect(btnDel, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnDelClick(); }));
    connect(lstTabCol, &QListWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { btnInsClick(); }));
    connect(lstIdxCol, &QListWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { btnDelClick(); }));
    lstTabCol->installEventFilter(this);
    lstIdxCol->installEventFilter(this);
    txtFunc->OnChange = [this](TEditor *) { Changed(); };
}

bool TfrmIndex::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::FocusOut) {
        if (Watched == cmbTableName)
            tv::ui::Guard([this] { cmbTableNameExit(); });
        else if (Watched == cmbSchema)
            tv::ui::Guard([this] { cmbSchemaExit(); });
    } else if (Event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(Event)->key();
        if (Watched == lstTabCol && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            tv::ui::Guard([this] { btnInsClick(); });
            return true;
        }
        if (Watched == lstIdxCol && key == Qt::Key_Delete) {
            tv::ui::Guard([this] { btnDelClick(); });
            return true;
        }
    }
    return TfrmDefinition::eventFilter(Watched, Event);
}

void TfrmIndex::PrepareQueries()
{
    qryTabCol->SetSQL(IndexSQL::TableColumns(DBVer()));
}

QWidget *TfrmIndex::PageForMode(TOpenMode Mode)
{
    return Mode == omSource ? tabSource : tabDefine;
}

QList<QWidget *> TfrmIndex::PagesOfExisting()
{
    return {tabSource, tabStorage};
}

TtvMemo *TfrmIndex::CompletionEditor()
{
    return ShownPage() == tabSource ? txtSource : txtFunc;
}

// ---------------------------------------------------------------------------
// Load

int TfrmIndex::IndexKindOf() const
{
    const int i = cmbIndexType->currentIndex();
    return i < 0 ? 0 : cmbIndexType->itemData(i).toInt();
}

void TfrmIndex::SetMethod(const QString &Method)
{
    // Another access method checks none of the three.
    for (TtvRadioButton *r : {rdoBtree, rdoHash, rdoBrin})
        r->setAutoExclusive(false);
    rdoBtree->SetChecked(Method == QLatin1String("btree"));
    rdoHash->SetChecked(Method == QLatin1String("hash"));
    rdoBrin->SetChecked(Method == QLatin1String("brin"));
    for (TtvRadioButton *r : {rdoBtree, rdoHash, rdoBrin})
        r->setAutoExclusive(true);
}

void TfrmIndex::SetDefineEnabled(bool Enabled)
{
    for (QWidget *w : std::initializer_list<QWidget *>{cmbTableName, cmbIndexType, chkUnique, rdoBtree, rdoHash,
                                                       rdoBrin, lstIdxCol, lstTabCol, btnIns, btnDel})
        w->setEnabled(Enabled);
    txtFunc->SetReadOnly(!Enabled);
}

void TfrmIndex::ShowTableColumns()
{
    const QString schema = cmbTableOwner->Text();
    const QString table = cmbTableName->Text();
    FColumnsSchema = schema;
    FColumnsTable = table;
    lstTabCol->clear();
    lstIdxCol->clear();
    if (!OwnerForm())
        return;
    CloseOnExit c{qryTabCol};
    qryTabCol->Close();
    qryTabCol->ParamByName(QStringLiteral("SCHEMA")).setAsString(schema);
    qryTabCol->ParamByName(QStringLiteral("TBLNAME")).setAsString(table);
    qryTabCol->Open();
    lstTabCol->setUpdatesEnabled(false);
    while (!qryTabCol->Eof()) {
        lstTabCol->addItem(qryTabCol->Fields(0).AsString());
        qryTabCol->Next();
    }
    lstTabCol->setUpdatesEnabled(true);
}

void TfrmIndex::ShowDefine()
{
    const QString schema = SchemaName();
    const QString name = ObjectName();
    // 1.
    cmbIndexType->clear();
    cmbIndexType->addItem(QStringLiteral("テーブル索引"), int(ikColumn));
    cmbIndexType->addItem(QStringLiteral("ファンクション索引"), int(ikExpression));
    cmbIndexType->SetItemIndex(0);
    chkUnique->SetChecked(false);
    SetMethod(QStringLiteral("btree"));
    cmbTableOwner->SetText(schema);
    cmbTableName->SetText(FTableName);
    lstIdxCol->clear();
    lstTabCol->clear();
    txtFunc->Lines()->Clear();
    SetDefineEnabled(true);
    FLoaded = TIndexDefinition();
    FLoadedExisting = false;
    // 2.
    if (ShownPage() == tabDefine)
        ShowTableColumns();
    // 3. An existing index.
    if (!IsNew()) {
        std::optional<TIndexDefinition> def =
            LoadIndexDefinition(*qryIndex, schema, name, OwnerForm()->dbsMain().Params().Database, DBVer());
        if (!def) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        FLoaded = *def;
        FLoadedExisting = true;
        SetReadOnlyState(def->OnToast);
        cmbIndexType->SetItemIndex(def->Kind == ikExpression ? 1 : 0);
        chkUnique->SetChecked(def->Unique);
        SetMethod(def->Method);
        cmbTableName->SetText(def->TableName);
        fraStorage->cmbTBS->SetText(def->Tablespace);
        fraStorage->Init(schema, name);
        ShowTableColumns();
        if (def->Kind == ikColumn) {
            lstIdxCol->setUpdatesEnabled(false);
            lstIdxCol->addItems(def->Columns);
            lstIdxCol->setUpdatesEnabled(true);
        } else {
            txtFunc->Lines()->Add(def->Expression);
        }
        SetDefineEnabled(!def->ServerDefined);
    }
    // 4, 5.
    fraStorage->Init(schema, name);
    cmbIndexTypeSelect();
    // 6.
    cmbIndexType->Save();
    chkUnique->Save();
    for (TtvRadioButton *r : {rdoBtree, rdoHash, rdoBrin})
        r->Save();
    cmbTableOwner->Save();
    cmbTableName->Save();
    fraStorage->Save();
    FlstIdxColSave = IndexColumns().join(QLatin1Char('\n'));
    FtxtFuncSave = txtFunc->Lines()->Text();
    // 7.
    RefreshSource();
    txtFunc->SetModified(false);
}

QStringList TfrmIndex::IndexColumns() const
{
    QStringList cols;
    for (int i = 0; i < lstIdxCol->count(); ++i)
        cols << lstIdxCol->item(i)->text();
    return cols;
}

// ---------------------------------------------------------------------------
// DDL

TIndexDefinition TfrmIndex::CurrentDefinition() const
{
    TIndexDefinition d = FLoaded;
    d.Schema = SchemaName();
    d.Name = ObjectName();
    d.TableName = cmbTableName->Text();
    d.Kind = IndexKindOf() == ikExpression ? ikExpression : ikColumn;
    d.Unique = chkUnique->Checked();
    d.Method = rdoHash->Checked() ? QStringLiteral("hash")
               : rdoBrin->Checked() ? QStringLiteral("brin")
                                    : QStringLiteral("btree");
    d.Columns = IndexColumns();
    d.Expression = txtFunc->Lines()->Text();
    d.Tablespace = fraStorage->cmbTBS->Text();
    // The server's definition holds only while the define page was not
    // changed (its controls are disabled then).
    d.ServerDefined = FLoaded.ServerDefined;
    return d;
}

bool TfrmIndex::IsCreate()
{
    if (IsNew() || SourceMode == smText || ShownPage() == tabSource)
        return true;
    if (cmbIndexType->IsChanged() || chkUnique->IsChanged() || rdoBtree->IsChanged() || rdoHash->IsChanged() ||
        rdoBrin->IsChanged() || cmbTableOwner->IsChanged() || cmbTableName->IsChanged())
        return true;
    return IndexColumns().join(QLatin1Char('\n')) != FlstIdxColSave || txtFunc->Lines()->Text() != FtxtFuncSave;
}

void TfrmIndex::GetSourceCreate(QStringList &List)
{
    QStringList storage;
    if (!IsNew())
        fraStorage->GetSourceCreate(storage);
    IndexDDL::Create(CurrentDefinition(), SchemaPrefix(cmbTableOwner->Text(), DefaultSchema()), storage, List);
}

void TfrmIndex::GetSourceAlter(QStringList &List)
{
    if (fraStorage->cmbTBS->IsChanged())
        IndexDDL::AlterTablespace(SchemaPrefix(SchemaName(), DefaultSchema()), ObjectName(),
                                  fraStorage->cmbTBS->Text(), List);
}

void TfrmIndex::GetSourceDrop(QStringList &List)
{
    IndexDDL::Drop(SchemaName(), ObjectName(), List);
}

QString TfrmIndex::DropStatement(bool)
{
    return IndexDDL::DropStatement(SchemaName(), ObjectName());
}

void TfrmIndex::CheckFields()
{
    if (ShownPage() == tabDefine) {
        Require(!TrimBlanks(cmbTableName->Text()).isEmpty(), lblTableName->text() + QStringLiteral("名を入力して下さい。"),
                cmbTableName);
        if (IndexKindOf() == ikColumn) {
            Require(lstIdxCol->count() > 0, QStringLiteral("インデックス列を指定して下さい。"), lstIdxCol);
            Require(!(rdoHash->Checked() && lstIdxCol->count() > 1),
                    QStringLiteral("ハッシュ使用時は1項目のみ指定して下さい。"), lstIdxCol);
        } else {
            Require(!TrimBlanks(txtFunc->Lines()->Text()).isEmpty(), QStringLiteral("式列を指定して下さい。"), txtFunc);
        }
    }
    if (ShownPage() == tabStorage && !fraStorage->Check())
        throw tv::SilentAbort();
}

// ---------------------------------------------------------------------------
// Define page handlers

void TfrmIndex::cmbIndexTypeSelect()
{
    if (IndexKindOf() == ikExpression) {
        pagIndexType->setCurrentWidget(tabFunc);
    } else {
        lblTableName->setText(QStringLiteral("テーブル"));
        pagIndexType->setCurrentWidget(tabNormal);
    }
    Changed();
}

void TfrmIndex::chkUniqueClick()
{
    if (chkUnique->Checked())
        rdoBtree->SetChecked(true);
    Changed();
}

void TfrmIndex::RadioClick(TtvRadioButton *Sender)
{
    if (Sender == rdoHash || Sender == rdoBrin)
        chkUnique->SetChecked(false);
    Changed();
}

void TfrmIndex::cmbTableNameDropDown()
{
    auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
    if (!form)
        return;
    QStringList names;
    form->GetObject(names, cmbTableOwner->Text(), ObjectTypeName(45));
    if (DBVer() >= 90300) {
        QStringList views;
        form->GetObject(views, cmbTableOwner->Text(), ObjectTypeName(61));
        names << views;
    }
    names.sort();
    // Refilling the list is no edit.
    const bool modified = Modified();
    const QString keep = cmbTableName->Text();
    cmbTableName->setUpdatesEnabled(false);
    cmbTableName->clear();
    cmbTableName->addItems(names);
    cmbTableName->SetText(keep);
    cmbTableName->setUpdatesEnabled(true);
    SetModified(modified);
}

void TfrmIndex::cmbTableNameExit()
{
    const QString table = cmbTableName->Text();
    if (table != FColumnsTable && !cmbTableOwner->Text().isEmpty() && !table.isEmpty()) {
        ShowTableColumns();
        fraStorage->ShowLocalPartInit();
    }
}

void TfrmIndex::cmbSchemaExit()
{
    cmbTableOwner->SetText(SchemaName());
    const QString schema = cmbTableOwner->Text();
    if (schema != FColumnsSchema && !schema.isEmpty() && cmbTableName->Text().isEmpty()) {
        ShowTableColumns();
        fraStorage->ShowLocalPartInit();
    }
}

void TfrmIndex::btnInsClick()
{
    const QStringList have = IndexColumns();
    for (int i = 0; i < lstTabCol->count(); ++i) {
        QListWidgetItem *item = lstTabCol->item(i);
        if (item->isSelected() && !have.contains(item->text())) {
            lstIdxCol->addItem(item->text());
            Changed();
        }
    }
}

void TfrmIndex::btnDelClick()
{
    for (int i = lstIdxCol->count() - 1; i >= 0; --i) {
        if (lstIdxCol->item(i)->isSelected()) {
            delete lstIdxCol->takeItem(i);
            Changed();
        }
    }
}

bool TfrmIndex::KeptObject(TKeptObject &Object, unsigned &Parts) const
{
    Object = {TKeptKind::Index, SchemaName(), ObjectName(), QString(), QString(), {}};
    Parts = kpComment;
    return true;
}
