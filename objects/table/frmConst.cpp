#include "objects/table/frmConst.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "controls/tvCheckBox.h"
#include "controls/tvComboBox.h"
#include "controls/tvListBox.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "controls/tvStringGrid.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/IndexDefinition.h"
#include "objects/table/StorageDefinition.h"
#include "objects/table/fraStorage.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/frmObject.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct CloseOnExit {
    tv::db::Query *q;
    ~CloseOnExit() { q->Close(); }
};

// The columns of an index in column order, as pg_get_indexdef writes each.
const QString IndexColumnsSQL = QStringLiteral(
    "SELECT pg_get_indexdef(C.oid, A.attnum, false) AS index_colname FROM pg_class C"
    " JOIN pg_namespace N ON C.relnamespace = N.oid JOIN pg_attribute A ON C.oid = A.attrelid"
    " WHERE C.relkind = 'i' AND A.attnum > 0 AND A.attisdropped = False"
    " AND N.nspname = :SCHEMA AND C.relname = :IDXNAME ORDER BY A.attnum");

const QStringList ActionItems = [] {
    QStringList l;
    for (int i = 0; i < 5; ++i)
        l << ConstActionCaption(i);
    return l;
}();

// The storage clauses of a constraint script: the index's tablespace under
// the rules of scripts (while a table compile scripts its dependants, those
// of a shown window).
QStringList ScriptStorageClauses(const TConstraintDefinition &Def, TSourceMode Mode)
{
    TStorageSnapshot s;
    s.ObjType = 66;
    s.Mode = Mode;
    s.ShowStorageSource = tvOption.ShowStorageSource;
    s.ScriptStorage = ScriptOption.Storage;
    s.Schema = Def.Schema;
    s.ObjectName = Def.Name;
    s.Tablespace = Def.Tablespace;
    QStringList lines;
    StorageDDL::Create(s, lines);
    return lines;
}

} // namespace

const TDefinitionKind &TfrmConst::ConstKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 66;
        k.CaptionPrefix = QStringLiteral("CONSTRAINT - ");
        k.CaptionKind = 6;
        k.GuiKey = QStringLiteral("CONST");
        k.Keyword = QStringLiteral("CONSTRAINT");
        k.HasOutput = false;
        return k;
    }();
    return kind;
}

// ---------------------------------------------------------------------------
// Opening and scripts

TfrmConst *TfrmConst::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           const QString &TableName)
{
    if (!ObjectName.isEmpty() &&
        BringTwinForward<TfrmConst>(CaptionFor(AOwner, ConstKind(), Schema, ObjectName, TableName)))
        throw tv::SilentAbort();
    return ShowBuilt(new TfrmConst(AOwner, Schema, TableName), Schema, ObjectName, omDefine);
}

bool TfrmConst::ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            const QString &TableName, QStringList &Lines)
{
    if (!AOwner)
        return false;
    tv::db::Connection &conn = AOwner->dbsMain();
    tv::db::Query q(&conn);
    const std::optional<TConstraintDefinition> def =
        LoadConstraintDefinition(q, Schema, ObjectName, TableName, conn.Params().Database);
    if (!def)
        return false;
    const TSourceMode mode = tvOption.flgCallFromTbl ? smShow : smText;
    const bool withStorage = mode == smShow ? tvOption.ShowStorageSource : ScriptOption.Storage;
    ConstraintDDL::Create(*def, TtvForm::SchemaPrefix(mode, Schema, conn.Params().MetaDefSchema), withStorage,
                          ScriptStorageClauses(*def, mode), Lines);
    return true;
}

void TfrmConst::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                          QIODevice &Stream, const QString &TableName)
{
    QStringList lines;
    if (ScriptLines(AOwner, Schema, ObjectName, TableName, lines))
        WriteScript(Stream, lines);
    throw tv::SilentAbort();
}

// ---------------------------------------------------------------------------
// Construction

TfrmConst::TfrmConst(IConnectionWindow *AOwner, const QString &Schema, const QString &TableName)
    : TfrmDefinition(AOwner, ConstKind()), FTableName(TableName)
{
    qryConst = NewQuery();
    qryAny = NewQuery();
    BuildDefinePage(Schema);

    tabStorage = new QWidget;
    tabStorage->setObjectName(QStringLiteral("tabStorage"));
    auto *sl = new QVBoxLayout(tabStorage);
    fraStorage = new TfraStorage(this);
    // The kind "標準" and the tablespace: no logging, no autovacuum.
    fraStorage->chkLog->hide();
    fraStorage->grpAutoVacuum->hide();
    sl->addWidget(fraStorage);
    pagObject->addTab(tabStorage, QStringLiteral("領域情報"));
    // No source page: the constraint is edited on its sheets only.
    pagObject->removeTab(pagObject->indexOf(tabSource));
}

void TfrmConst::BuildDefinePage(const QString &Schema)
{
    IMainWindow *m = MainWindow();
    auto image = [m](int i) { return m ? m->ButtonImage(i) : QIcon(); };
    auto tool = [&image](const char *name, const QString &caption, int icon) {
        auto *b = new QToolButton;
        b->setObjectName(QString::fromLatin1(name));
        b->setText(caption);
        b->setToolTip(caption);
        b->setIcon(image(icon));
        return b;
    };

    // The table sits in the name panel.
    cmbTableName = new TDropDownComboBox;
    cmbTableName->setObjectName(QStringLiteral("cmbTableName"));
    cmbTableName->setMinimumWidth(160);
    if (auto *nl = qobject_cast<QHBoxLayout *>(pnlName->layout())) {
        nl->addWidget(new QLabel(QStringLiteral("テーブル")));
        nl->addWidget(cmbTableName);
    }
    cmbTableName->SetText(FTableName);

    auto *root = new QVBoxLayout(tabDefine);
    pnlObj = new QWidget;
    pnlObj->setObjectName(QStringLiteral("pnlObj"));
    auto *ol = new QHBoxLayout(pnlObj);
    ol->setContentsMargins(0, 0, 0, 0);
    cmbConstType = new TtvComboBox;
    cmbConstType->setObjectName(QStringLiteral("cmbConstType"));
    cmbConstType->SetStyle(TtvComboBox::csDropDownList);
    for (int t = ctPrimary; t <= ctExclude; ++t)
        cmbConstType->addItem(ConstTypeName(TConstType(t)));
    ol->addWidget(new QLabel(QStringLiteral("タイプ")));
    ol->addWidget(cmbConstType);
    ol->addStretch(1);
    root->addWidget(pnlObj);

    pagType = new QStackedWidget;
    pagType->setObjectName(QStringLiteral("pagType"));
    auto sheet = [this](const char *name) {
        auto *w = new QWidget;
        w->setObjectName(QString::fromLatin1(name));
        new QVBoxLayout(w);
        w->layout()->setContentsMargins(0, 0, 0, 0);
        pagType->addWidget(w);
        return w;
    };
    tabPrimary = sheet("tabPrimary");
    tabUnique = sheet("tabUnique");
    tabForeign = sheet("tabForeign");
    tabCheck = sheet("tabCheck");
    tabExclude = sheet("tabExclude");
    root->addWidget(pagType, 1);

    // Primary key and unique: one set of lists moved onto the sheet shown.
    pnlIndex = new QWidget;
    pnlIndex->setObjectName(QStringLiteral("pnlIndex"));
    auto *il = new QHBoxLayout(pnlIndex);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("インデックスの列")));
    lstIdxCol = new TtvListBox;
    lstIdxCol->setObjectName(QStringLiteral("lstIdxCol"));
    lstIdxCol->SetMultiSelect(true);
    left->addWidget(lstIdxCol, 1);
    auto *mid = new QVBoxLayout;
    btnInsAll = tool("btnInsAll", QStringLiteral("全て追加"), 31);
    btnIns = tool("btnIns", QStringLiteral("追加"), 32);
    btnDel = tool("btnDel", QStringLiteral("削除"), 33);
    btnDelAll = tool("btnDelAll", QStringLiteral("全て削除"), 34);
    mid->addStretch(1);
    for (QToolButton *b : {btnInsAll, btnIns, btnDel, btnDelAll})
        mid->addWidget(b);
    mid->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("テーブルの列")));
    lstTabCol = new TtvListBox;
    lstTabCol->setObjectName(QStringLiteral("lstTabCol"));
    lstTabCol->SetMultiSelect(true);
    right->addWidget(lstTabCol, 1);
    il->addLayout(left, 1);
    il->addLayout(mid);
    il->addLayout(right, 1);
    tabPrimary->layout()->addWidget(pnlIndex);

    // Foreign key.
    auto *fg = new QGridLayout;
    cmbRefSchema = new TDropDownComboBox;
    cmbRefSchema->setObjectName(QStringLiteral("cmbRefSchema"));
    cmbRefTable = new TDropDownComboBox;
    cmbRefTable->setObjectName(QStringLiteral("cmbRefTable"));
    cmbRefIndex = new TDropDownComboBox;
    cmbRefIndex->setObjectName(QStringLiteral("cmbRefIndex"));
    fg->addWidget(new QLabel(QStringLiteral("スキーマ")), 0, 0);
    fg->addWidget(cmbRefSchema, 0, 1);
    fg->addWidget(new QLabel(QStringLiteral("テーブル")), 1, 0);
    fg->addWidget(cmbRefTable, 1, 1);
    fg->addWidget(new QLabel(QStringLiteral("インデックス")), 2, 0);
    fg->addWidget(cmbRefIndex, 2, 1);
    rdoDeleteAction = new TtvRadioGroup(QStringLiteral("削除時のアクション"), ActionItems);
    rdoDeleteAction->setObjectName(QStringLiteral("rdoDeleteAction"));
    rdoUpdateAction = new TtvRadioGroup(QStringLiteral("更新時のアクション"), ActionItems);
    rdoUpdateAction->setObjectName(QStringLiteral("rdoUpdateAction"));
    auto *actions = new QHBoxLayout;
    actions->addWidget(rdoDeleteAction);
    actions->addWidget(rdoUpdateAction);
    grdForeign = new TtvStringGrid;
    grdForeign->setObjectName(QStringLiteral("grdForeign"));
    grdForeign->SetColCount(2);
    grdForeign->SetFixedCols(0);
    grdForeign->SetRowCount(2);
    grdForeign->SetHeader({QStringLiteral("参照先項目名"), QStringLiteral("テーブル項目名")});
    grdForeign->SetColWidths(0, 180);
    grdForeign->SetColWidths(1, 180);
    grdForeign->SetEditStyles(1, geDropList);
    grdForeign->SetOptions(grdForeign->Options() | goEditing | goAlwaysShowEditor);
    // The reference boxes take the room the two action groups leave, at
    // least as much as the table box of the name panel.
    for (TDropDownComboBox *b : {cmbRefSchema, cmbRefTable, cmbRefIndex})
        b->setMinimumWidth(cmbTableName->minimumWidth());
    fg->setColumnStretch(1, 1);
    // The grid's least height is its header and one row: the sheet then
    // fits the window's first size in the smallest area.
    grdForeign->setMinimumHeight(2 * grdForeign->DefaultRowHeight() + 2 * grdForeign->frameWidth());
    auto *ftop = new QHBoxLayout;
    ftop->addLayout(fg, 1);
    ftop->addLayout(actions);
    static_cast<QVBoxLayout *>(tabForeign->layout())->addLayout(ftop);
    tabForeign->layout()->addWidget(grdForeign);

    // Check.
    txtCheck = new TtvMemo;
    txtCheck->setObjectName(QStringLiteral("txtCheck"));
    tabCheck->layout()->addWidget(txtCheck);

    // Exclusion.
    pnlExclude = new QWidget;
    pnlExclude->setObjectName(QStringLiteral("pnlExclude"));
    auto *xl = new QHBoxLayout(pnlExclude);
    xl->setContentsMargins(0, 0, 0, 0);
    cmbAccessMethod = new TtvComboBox;
    cmbAccessMethod->setObjectName(QStringLiteral("cmbAccessMethod"));
    cmbAccessMethod->SetStyle(TtvComboBox::csDropDownList);
    xl->addWidget(new QLabel(QStringLiteral("アクセスメソッド")));
    xl->addWidget(cmbAccessMethod);
    btnGridIns = tool("btnGridIns", QStringLiteral("追加"), 39);
    btnGridDel = tool("btnGridDel", QStringLiteral("削除"), 40);
    xl->addStretch(1);
    xl->addWidget(btnGridIns);
    xl->addWidget(btnGridDel);
    grdExclude = new TtvStringGrid;
    grdExclude->setObjectName(QStringLiteral("grdExclude"));
    grdExclude->SetColCount(5);
    grdExclude->SetFixedCols(0);
    grdExclude->SetRowCount(2);
    grdExclude->SetHeader({QStringLiteral("項目名"), QStringLiteral("順序"), QStringLiteral("NULL順序"),
                           QStringLiteral("演算子クラス"), QStringLiteral("演算子")});
    for (int c = 0; c < 5; ++c) {
        grdExclude->SetEditStyles(c, gePickList);
        grdExclude->SetColWidths(c, 120);
    }
    grdExclude->SetOptions(grdExclude->Options() | goEditing | goAlwaysShowEditor);
    tabExclude->layout()->addWidget(pnlExclude);
    tabExclude->layout()->addWidget(grdExclude);

    // Handlers.
    connect(cmbConstType, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbConstTypeChange(); }));
    cmbTableName->OnDropDown = [this] { cmbTableNameDropDown(); };
    cmbTableName->OnChange = [this](QObject *) { Changed(); };
    connect(cmbTableName, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbTableNameExit(); }));
    cmbTableName->installEventFilter(this);
    cmbRefSchema->OnDropDown = [this] { cmbRefSchemaDropDown(); };
    cmbRefTable->OnDropDown = [this] { cmbRefTableDropDown(); };
    cmbRefIndex->OnDropDown = [this] { cmbRefIndexDropDown(); };
    for (TDropDownComboBox *b : {cmbRefSchema, cmbRefTable, cmbRefIndex}) {
        b->OnChange = [this](QObject *) { Changed(); };
        connect(b, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbRefSchemaExit(); }));
        b->installEventFilter(this);
    }
    connect(rdoDeleteAction, &TtvRadioGroup::Clicked, this, [this](int) { Changed(); });
    connect(rdoUpdateAction, &TtvRadioGroup::Clicked, this, [this](int) { Changed(); });
    connect(btnInsAll, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnInsAllClick(); }));
    connect(btnIns, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnInsClick(); }));
    connect(btnDel, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnDelClick(); }));
    connect(btnDelAll, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnDelAllClick(); }));
    connect(lstTabCol, &QListWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { btnInsClick(); }));
    connect(lstIdxCol, &QListWidget::itemDoubleClicked, this, tv::ui::Guarded([this] { btnDelClick(); }));
    for (TtvListBox *l : {lstTabCol, lstIdxCol}) {
        connect(l, &QListWidget::itemClicked, this, [this] { Changed(); });
        l->installEventFilter(this);
    }
    txtCheck->OnChange = [this](TEditor *) {
        if (!FLoading)
            Changed();
    };
    // The referenced column is fixed; the table column is chosen where a
    // referenced column stands.
    grdForeign->OnSelectCell = [this](QObject *, int ACol, int ARow, bool &) {
        const bool edit = ACol == 1 && !grdForeign->Cells(0, ARow).isEmpty();
        TGridOptions o = grdForeign->Options();
        o.setFlag(goEditing, edit);
        grdForeign->SetOptions(o);
    };
    grdForeign->OnGetPickListitems = [this](int, int, QStringList &Items) {
        for (int i = 0; i < lstTabCol->count(); ++i)
            Items << lstTabCol->item(i)->text();
    };
    grdForeign->OnSetEditText = [this](QObject *, int, int, const QString &) {
        if (!FLoading)
            Changed();
    };
    grdExclude->OnGetPickListitems = [this](int ACol, int, QStringList &Items) {
        if (!OwnerForm())
            return;
        auto fill = [this, &Items](const QString &sql, const QStringList &params) {
            tv::db::Query &q = OwnerForm()->OpenSQL(sql, params);
            for (; !q.Eof(); q.Next())
                Items << q.Fields(0).AsString();
            q.Close();
        };
        switch (ACol) {
        case 0:
            if (!SchemaName().isEmpty() && !cmbTableName->Text().isEmpty())
                fill(IndexSQL::TableColumns(DBVer()), {SchemaName(), cmbTableName->Text()});
            break;
        case 1:
            Items << QStringLiteral("ASC") << QStringLiteral("DESC");
            break;
        case 2:
            Items << QStringLiteral("FIRST") << QStringLiteral("LAST");
            break;
        case 3:
            fill(QStringLiteral("SELECT OP.opcname FROM pg_opclass OP LEFT JOIN pg_am AM ON AM.oid = OP.opcmethod "
                                "WHERE AM.amname = $1 ORDER BY 1"),
                 {cmbAccessMethod->Text().toLower()});
            break;
        default:
            fill(QStringLiteral("SELECT DISTINCT oprname FROM pg_operator ORDER BY oprname"), {});
        }
    };
    grdExclude->OnSelectCell = [this](QObject *, int ACol, int, bool &) {
        const QString m = cmbAccessMethod->Text();
        const bool fixed = (m == QLatin1String("GIST") || m == QLatin1String("HASH")) && ACol >= 1 && ACol <= 3;
        TGridOptions o = grdExclude->Options();
        o.setFlag(goEditing, !fixed);
        grdExclude->SetOptions(o);
    };
    grdExclude->OnSetEditText = [this](QObject *, int, int ARow, const QString &Value) {
        if (FLoading || Value.isEmpty())
            return;
        // Typing on the entry row adds the next one.
        if (ARow == grdExclude->RowCount() - 1)
            grdExclude->SetRowCount(grdExclude->RowCount() + 1);
        Changed();
    };
    connect(cmbAccessMethod, &QComboBox::activated, this, tv::ui::Guarded([this](int) {
                const int last = grdExclude->RowCount() - 1;
                for (int c = 1; c <= 3; ++c)
                    grdExclude->SetCells(c, last, QString());
                Changed();
            }));
    connect(btnGridIns, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnGridInsClick(); }));
    connect(btnGridDel, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnGridDelClick(); }));

    cmbRefSchema->SetText(Schema);
}

bool TfrmConst::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::FocusOut) {
        if (Watched == cmbTableName)
            tv::ui::Guard([this] { cmbTableNameExit(); });
        else if (Watched == cmbRefSchema || Watched == cmbRefTable || Watched == cmbRefIndex)
            tv::ui::Guard([this] { cmbRefSchemaExit(); });
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

QString TfrmConst::SourceTableName() const
{
    const QString table = cmbTableName->Text();
    return table.isEmpty() ? FTableName : table;
}

QWidget *TfrmConst::NewObjectFocus()
{
    return cmbTableName;
}

void TfrmConst::ChangedIsNew()
{
    TfrmDefinition::ChangedIsNew();
    pnlObj->setEnabled(IsNew());
    pnlExclude->setEnabled(IsNew());
    cmbTableName->setEnabled(IsNew());
}

TConstType TfrmConst::ConstType() const
{
    const int i = cmbConstType->currentIndex();
    return i < 0 ? ctPrimary : TConstType(i);
}

// ---------------------------------------------------------------------------
// Load

void TfrmConst::FillCombo(TtvComboBox *Box, const QStringList &Items)
{
    // Refilling a list is no edit.
    const bool modified = Modified();
    const QString keep = Box->Text();
    const QSignalBlocker block(Box);
    Box->clear();
    Box->addItems(Items);
    Box->SetText(keep);
    SetModified(modified);
}

void TfrmConst::ShowTableColumns()
{
    FColumnsTable = cmbTableName->Text();
    lstTabCol->clear();
    if (!OwnerForm() || SchemaName().isEmpty() || FColumnsTable.isEmpty())
        return;
    CloseOnExit c{qryAny};
    qryAny->Close();
    qryAny->SetSQL(IndexSQL::TableColumns(DBVer()));
    qryAny->ParamByName(QStringLiteral("SCHEMA")).setAsString(SchemaName());
    qryAny->ParamByName(QStringLiteral("TBLNAME")).setAsString(FColumnsTable);
    qryAny->Open();
    lstTabCol->setUpdatesEnabled(false);
    for (; !qryAny->Eof(); qryAny->Next())
        lstTabCol->addItem(qryAny->Fields(0).AsString());
    lstTabCol->setUpdatesEnabled(true);
}

QStringList TfrmConst::IndexColumnsOf(const QString &Schema, const QString &Index)
{
    QStringList cols;
    if (!OwnerForm() || Index.isEmpty())
        return cols;
    CloseOnExit c{qryAny};
    qryAny->Close();
    qryAny->SetSQL(IndexColumnsSQL);
    qryAny->ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
    qryAny->ParamByName(QStringLiteral("IDXNAME")).setAsString(Index);
    qryAny->Open();
    for (; !qryAny->Eof(); qryAny->Next())
        cols << StripDoubleQuotes(qryAny->Fields(0).AsString());
    return cols;
}

void TfrmConst::ShowIndexColumns()
{
    lstIdxCol->clear();
    // The key columns as loaded (the index of a key may be named otherwise).
    if (FLoadedExisting && (FLoaded.Type == ctPrimary || FLoaded.Type == ctUnique))
        lstIdxCol->addItems(FLoaded.Columns);
}

QStringList TfrmConst::IndexColumns() const
{
    QStringList cols;
    for (int i = 0; i < lstIdxCol->count(); ++i)
        cols << lstIdxCol->item(i)->text();
    return cols;
}

void TfrmConst::ShowDefine()
{
    ++FLoading;
    struct Done {
        int &n;
        ~Done() { --n; }
    } done{FLoading};
    const QString schema = SchemaName();
    const QString name = ObjectName();
    FLoaded = TConstraintDefinition();
    FLoadedExisting = false;
    // 1, 2.
    if (IsNew())
        fraStorage->Init(schema, name);
    if (cmbTableName->Text().isEmpty())
        cmbTableName->SetText(FTableName);
    lstIdxCol->clear();
    lstTabCol->clear();
    // 3.
    if (!IsNew()) {
        std::optional<TConstraintDefinition> def = LoadConstraintDefinition(
            *qryConst, schema, name, cmbTableName->Text(), OwnerForm()->dbsMain().Params().Database);
        if (!def) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        FLoaded = *def;
        FLoadedExisting = true;
        cmbTableName->SetText(def->TableName);
        fraStorage->Init(schema, name);
        cmbConstType->SetItemIndex(def->Type);
        txtCheck->Lines()->Clear();
        if (def->Type == ctCheck)
            txtCheck->Lines()->Add(def->Check);
        if (def->Type == ctPrimary || def->Type == ctUnique || def->Type == ctExclude) {
            fraStorage->cmbTBS->SetText(def->Tablespace);
            fraStorage->ShowDefine();
        }
        if (def->Type == ctForeign) {
            cmbRefSchema->SetText(def->RefSchema);
            cmbRefTable->SetText(def->RefTable);
            cmbRefIndex->SetText(def->RefIndex);
            rdoDeleteAction->SetItemIndex(def->DeleteAction);
            rdoUpdateAction->SetItemIndex(def->UpdateAction);
            grdForeign->Clear();
            grdForeign->SetRowCount(std::max<int>(2, int(def->Pairs.size()) + 1));
            for (int i = 0; i < def->Pairs.size(); ++i) {
                grdForeign->SetCells(0, i + 1, def->Pairs[i].RefColumn);
                grdForeign->SetCells(1, i + 1, def->Pairs[i].TableColumn);
            }
        }
        if (def->Type == ctExclude) {
            cmbAccessMethod->clear();
            cmbAccessMethod->addItem(def->AccessMethod);
            cmbAccessMethod->SetItemIndex(0);
            grdExclude->Clear();
            grdExclude->SetRowCount(int(def->Exclude.size()) + 1);
            for (int i = 0; i < def->Exclude.size(); ++i) {
                const TExcludeRow &r = def->Exclude[i];
                grdExclude->SetRows(i + 1, {r.Column, r.Order, r.NullOrder, r.OpClass, r.Operator});
            }
        }
    } else {
        rdoDeleteAction->SetItemIndex(0);
        rdoUpdateAction->SetItemIndex(0);
        if (cmbRefSchema->Text().isEmpty())
            cmbRefSchema->SetText(schema);
    }
    // 3.8: the type rule, 4.
    cmbConstTypeChange();
    ShowTableColumns();
    fraStorage->Save();
}

// ---------------------------------------------------------------------------
// Handlers

void TfrmConst::cmbConstTypeChange()
{
    const TConstType type = ConstType();
    QWidget *const sheets[] = {tabPrimary, tabUnique, tabForeign, tabCheck, tabExclude};
    pagType->setCurrentWidget(sheets[type]);
    if (type == ctPrimary || type == ctUnique) {
        QWidget *sheet = type == ctPrimary ? tabPrimary : tabUnique;
        if (pnlIndex->parentWidget() != sheet)
            sheet->layout()->addWidget(pnlIndex);
        ShowTableColumns();
        ShowIndexColumns();
    }
    const bool storage = type == ctPrimary || type == ctUnique || type == ctExclude;
    pagObject->setTabVisible(pagObject->indexOf(tabStorage), storage);
    if (IsNew() && type == ctExclude && cmbAccessMethod->count() == 0) {
        cmbAccessMethodDropDown();
        cmbAccessMethod->SetItemIndex(0);
    }
    if (!FLoading)
        Changed();
}

void TfrmConst::cmbTableNameDropDown()
{
    auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
    if (!form)
        return;
    QStringList names;
    form->GetObject(names, SchemaName(), QStringLiteral("TABLE"));
    names.sort();
    FillCombo(cmbTableName, names);
}

void TfrmConst::cmbTableNameExit()
{
    if (cmbTableName->Text() != FColumnsTable && !SchemaName().isEmpty() && !cmbTableName->Text().isEmpty()) {
        ShowTableColumns();
        lstIdxCol->clear();
    }
}

void TfrmConst::cmbRefSchemaDropDown()
{
    if (!OwnerForm())
        return;
    QStringList names;
    OwnerForm()->GetSchemaInfo(names, false);
    FillCombo(cmbRefSchema, names);
}

void TfrmConst::cmbRefTableDropDown()
{
    auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
    if (!form)
        return;
    QStringList names;
    form->GetObject(names, cmbRefSchema->Text(), QStringLiteral("TABLE"));
    names.sort();
    FillCombo(cmbRefTable, names);
}

void TfrmConst::cmbRefIndexDropDown()
{
    if (!OwnerForm())
        return;
    QStringList names;
    CloseOnExit c{qryAny};
    qryAny->Close();
    qryAny->SetSQL(ConstraintSQL::RefIndexes());
    qryAny->ParamByName(QStringLiteral("SCHEMANAME")).setAsString(cmbRefSchema->Text());
    qryAny->ParamByName(QStringLiteral("TBLNAME")).setAsString(cmbRefTable->Text());
    qryAny->Open();
    for (; !qryAny->Eof(); qryAny->Next())
        names << qryAny->Fields(0).AsString();
    FillCombo(cmbRefIndex, names);
}

void TfrmConst::cmbRefSchemaExit()
{
    if (cmbRefSchema->Text().isEmpty() || cmbRefIndex->Text().isEmpty())
        return;
    // Rebuilt from the index only when it names another one than the grid shows.
    const QStringList cols = IndexColumnsOf(cmbRefSchema->Text(), cmbRefIndex->Text());
    QStringList shown;
    for (int r = 1; r < grdForeign->RowCount(); ++r)
        if (!grdForeign->Cells(0, r).isEmpty())
            shown << grdForeign->Cells(0, r);
    // The same columns keep the table columns chosen for them.
    if (cols == shown)
        return;
    grdForeign->Clear();
    grdForeign->SetRowCount(std::max<int>(2, int(cols.size()) + 1));
    for (int i = 0; i < cols.size(); ++i) {
        grdForeign->SetCells(0, i + 1, cols[i]);
        grdForeign->SetCells(1, i + 1, QString());
    }
    grdForeign->MoveCurrent(0, 1);
    Changed();
}

void TfrmConst::btnInsAllClick()
{
    for (int i = 0; i < lstTabCol->count(); ++i)
        lstTabCol->item(i)->setSelected(true);
    btnInsClick();
}

void TfrmConst::btnInsClick()
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

void TfrmConst::btnDelClick()
{
    for (int i = lstIdxCol->count() - 1; i >= 0; --i)
        if (lstIdxCol->item(i)->isSelected()) {
            delete lstIdxCol->takeItem(i);
            Changed();
        }
}

void TfrmConst::btnDelAllClick()
{
    lstIdxCol->clear();
    Changed();
}

void TfrmConst::cmbAccessMethodDropDown()
{
    if (cmbAccessMethod->count() > 0 || !OwnerForm())
        return;
    tv::db::Query &q = OwnerForm()->OpenSQL(ConstraintSQL::AccessMethods(DBVer()));
    QStringList names;
    for (; !q.Eof(); q.Next())
        names << q.Fields(0).AsString();
    q.Close();
    cmbAccessMethod->addItems(names);
}

void TfrmConst::btnGridInsClick()
{
    grdExclude->setFocus();
    grdExclude->SetRowCount(grdExclude->RowCount() + 1);
}

void TfrmConst::btnGridDelClick()
{
    if (grdExclude->RowCount() > 2)
        grdExclude->DeleteRow(grdExclude->Row());
    Changed();
}

// ---------------------------------------------------------------------------
// DDL

TConstraintDefinition TfrmConst::CurrentDefinition() const
{
    TConstraintDefinition d;
    if (FLoadedExisting) {
        // What the sheets do not show is carried from the loaded constraint.
        d.MatchFull = FLoaded.MatchFull;
        d.Deferrable = FLoaded.Deferrable;
        d.InitiallyDeferred = FLoaded.InitiallyDeferred;
        d.NotValid = FLoaded.NotValid;
        d.NoInherit = FLoaded.NoInherit;
        d.ExcludeWhere = FLoaded.ExcludeWhere;
    }
    d.Schema = SchemaName();
    d.Name = ObjectName();
    d.TableName = cmbTableName->Text();
    d.Type = ConstType();
    d.Columns = IndexColumns();
    d.Check = txtCheck->Lines()->Text();
    while (d.Check.endsWith(u'\n') || d.Check.endsWith(u'\r'))
        d.Check.chop(1);
    d.Check.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    d.Check.replace(QStringLiteral("\r\r\n"), QStringLiteral("\r\n"));
    d.RefSchema = cmbRefSchema->Text();
    d.RefTable = cmbRefTable->Text();
    d.RefIndex = cmbRefIndex->Text();
    d.DeleteAction = std::max(0, rdoDeleteAction->ItemIndex());
    d.UpdateAction = std::max(0, rdoUpdateAction->ItemIndex());
    for (int r = 1; r < grdForeign->RowCount(); ++r)
        if (!grdForeign->Cells(0, r).isEmpty() || !grdForeign->Cells(1, r).isEmpty())
            d.Pairs << TForeignPair{grdForeign->Cells(0, r), grdForeign->Cells(1, r)};
    d.AccessMethod = cmbAccessMethod->Text();
    for (int r = 1; r < grdExclude->RowCount(); ++r)
        d.Exclude << TExcludeRow{grdExclude->Cells(0, r), grdExclude->Cells(1, r), grdExclude->Cells(2, r),
                                 grdExclude->Cells(3, r), grdExclude->Cells(4, r)};
    d.Tablespace = fraStorage->cmbTBS->Text();
    return d;
}

void TfrmConst::GetSourceCreate(QStringList &List)
{
    const TConstraintDefinition d = CurrentDefinition();
    const bool withStorage = ((tvOption.ShowStorageSource || ForRun()) && !IsNew()) ||
                             (SourceMode == smText && ScriptOption.Storage);
    QStringList storage;
    if (withStorage)
        fraStorage->GetSourceCreate(storage);
    ConstraintDDL::Create(d, SchemaPrefix(SchemaName(), DefaultSchema()), withStorage, storage, List);
}

void TfrmConst::GetSourceDrop(QStringList &List)
{
    TConstraintDefinition d;
    d.Schema = SchemaName();
    d.Name = ObjectName();
    d.TableName = cmbTableName->Text();
    ConstraintDDL::Drop(d, List);
}

void TfrmConst::BuildCompileList(QStringList &List)
{
    // An existing constraint is always dropped and added again.
    if (!IsNew())
        GetSourceDrop(List);
    GetSourceCreate(List);
    AppendKept(List);
}

QString TfrmConst::DropStatement(bool)
{
    return QStringLiteral("ALTER TABLE ") + QuoteIdentifier(SchemaName()) + u'.' +
           QuoteIdentifier(cmbTableName->Text()) + QStringLiteral(" DROP CONSTRAINT ") + QuoteIdentifier(ObjectName());
}

void TfrmConst::CheckFields()
{
    auto onDefine = [this](bool ok, const QString &message, QWidget *focus) {
        if (!ok)
            pagObject->setCurrentWidget(tabDefine);
        Require(ok, message, focus);
    };
    onDefine(!TrimBlanks(cmbTableName->Text()).isEmpty(), QStringLiteral("テーブルを設定して下さい。"), cmbTableName);
    const TConstType type = ConstType();
    if (type == ctForeign) {
        onDefine(!cmbRefSchema->Text().isEmpty(), QStringLiteral("スキーマを設定して下さい。"), cmbRefSchema);
        onDefine(!cmbRefTable->Text().isEmpty(), QStringLiteral("親テーブルを設定して下さい。"), cmbRefTable);
        onDefine(!cmbRefIndex->Text().isEmpty(), QStringLiteral("インデックスを設定して下さい。"), cmbRefIndex);
    }
    if (type == ctPrimary || type == ctUnique) {
        Require(lstIdxCol->count() > 0, QStringLiteral("列を指定して下さい。"), lstIdxCol);
        if (!fraStorage->Check())
            throw tv::SilentAbort();
    }
}

bool TfrmConst::KeptObject(TKeptObject &Object, unsigned &Parts) const
{
    Object = {TKeptKind::Constraint, SchemaName(), ObjectName(), cmbTableName->Text(), QString(), {}};
    Parts = kpComment;
    return true;
}
