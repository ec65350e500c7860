#include "objects/table/frmTable.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include "controls/frmPrint.h"
#include "controls/tvCheckBox.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "controls/tvStrEdit.h"
#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "editor/EditorLeftbar.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/ConstraintDefinition.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/StorageDefinition.h"
#include "objects/table/fraCross.h"
#include "objects/table/fraGrant.h"
#include "objects/table/fraPartition.h"
#include "objects/table/fraStorage.h"
#include "objects/table/frmConst.h"
#include "objects/table/frmIndex.h"
#include "objects/table/frmPolicy.h"
#include "objects/table/frmTrigger.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "sql/frmMemo.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

struct CloseOnExit {
    tv::db::Query *q;
    ~CloseOnExit() { q->Close(); }
};

constexpr TColor kButtonFace = TColor(0xF0F0F0);
constexpr int kNodeIcon = Qt::UserRole + 1;
const QString LauncherDataGenerate = QStringLiteral("TfrmDataGenerate");

// The indexes of a table that back none of its own constraints, with their
// columns as the tree shows them (an expression index: its attribute
// names, quoted).
const QString IndexesSQL = QStringLiteral(
    "SELECT N.nspname, C.relname, I.indisunique,"
    " CASE WHEN I.indexprs IS NOT NULL THEN"
    " (SELECT string_agg('\"' || A.attname || '\"', ', ' ORDER BY A.attnum) FROM pg_attribute A"
    " WHERE A.attrelid = C.oid AND A.attnum > 0)"
    " ELSE (SELECT string_agg(pg_get_indexdef(C.oid, K.n, false), ', ' ORDER BY K.n)"
    " FROM generate_series(1, I.indnatts) AS K(n)) END AS cols"
    " FROM pg_index I JOIN pg_class C ON C.oid = I.indexrelid JOIN pg_namespace N ON N.oid = C.relnamespace"
    " JOIN pg_class C2 ON C2.oid = I.indrelid JOIN pg_namespace N2 ON N2.oid = C2.relnamespace"
    " WHERE NOT EXISTS (SELECT 1 FROM pg_constraint con WHERE con.conindid = C.oid AND con.conrelid = I.indrelid)"
    " AND N2.nspname = :SCHEMA AND C2.relname = :TBLNAME ORDER BY C.relname");

const QString TriggersSQL = QStringLiteral(
    "SELECT N.nspname, T.tgname FROM pg_trigger T JOIN pg_class C ON C.oid = T.tgrelid"
    " JOIN pg_namespace N ON N.oid = C.relnamespace"
    " WHERE N.nspname = :SCHEMA AND C.relname = :TBLNAME AND NOT T.tgisinternal ORDER BY T.tgname");

// The policies of a table, with the names of their roles (empty for PUBLIC).
const QString PoliciesSQL = QStringLiteral(
    "SELECT CLS.relrowsecurity, POL.polname, POL.polcmd,"
    " (SELECT string_agg(R.rolname, ', ' ORDER BY R.rolname) FROM pg_roles R WHERE R.oid = ANY(POL.polroles))"
    " AS rolenames,"
    " pg_get_expr(POL.polqual, POL.polrelid) AS qual, pg_get_expr(POL.polwithcheck, POL.polrelid) AS withcheck"
    " FROM pg_class CLS JOIN pg_namespace NMS ON CLS.relnamespace = NMS.oid"
    " LEFT JOIN pg_policy POL ON CLS.oid = POL.polrelid"
    " WHERE NMS.nspname = :SCHEMA AND CLS.relname = :TBLNAME ORDER BY POL.polname");

const QStringList LengthTypes = {
    QStringLiteral("character"),
    QStringLiteral("char"),
    QStringLiteral("character varying"),
    QStringLiteral("varchar"),
    QStringLiteral("bit"),
    QStringLiteral("bit varying"),
    QStringLiteral("numeric"),
    QStringLiteral("character[]"),
    QStringLiteral("char[]"),
    QStringLiteral("character varying[]"),
    QStringLiteral("varchar[]"),
    QStringLiteral("bit[]"),
    QStringLiteral("bit varying[]"),
    QStringLiteral("numeric[]"),
    QStringLiteral("interval"),
    QStringLiteral("interval[]"),
    QStringLiteral("interval second"),
    QStringLiteral("interval second[]"),
    QStringLiteral("interval day to second"),
    QStringLiteral("interval day to second[]"),
    QStringLiteral("interval hour to second"),
    QStringLiteral("interval hour to second[]"),
    QStringLiteral("interval minute to second"),
    QStringLiteral("interval minute to second[]"),
};

// The storage lines of a UNIQUE constraint of a loaded table as the
// constraint window writes them, from the tablespace its load read.
QStringList UniqueStorageLines(const TTableDefinition &Def, const QString &ConstName, TSourceMode Mode)
{
    for (const TTableConstraint &k : Def.Constraints) {
        if (k.Name != ConstName)
            continue;
        TConstraintDefinition c;
        c.Schema = Def.Schema;
        c.Name = k.Name;
        c.TableName = Def.Name;
        c.Type = ctUnique;
        c.Tablespace = k.Tablespace;
        return ConstraintDDL::StorageScript(c, Mode, tvOption.ShowStorageSource, ScriptOption.Storage,
                                            ScriptOption.NullLine);
    }
    return {};
}

class SqlWaitCursor {
public:
    SqlWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~SqlWaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

const TDefinitionKind &TfrmTable::TableKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 45;
        k.CaptionPrefix = QStringLiteral("TABLE - ");
        k.CaptionKind = 4;
        k.GuiKey = QStringLiteral("TABLE");
        k.Keyword = QStringLiteral("TABLE");
        k.HasOutput = true;
        k.DropCascade = true;
        return k;
    }();
    return kind;
}

bool TfrmTable::TypeTakesLength(const QString &Type)
{
    return LengthTypes.contains(Type.toLower());
}

// ---------------------------------------------------------------------------
// Opening and scripts

TfrmTable *TfrmTable::Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           TOpenMode OpenMode, int DefTopRecord)
{
    if (!ObjectName.isEmpty() && BringTwinForward<TfrmTable>(CaptionFor(AOwner, TableKind(), Schema, ObjectName)))
        throw tv::SilentAbort();
    return ShowBuilt(new TfrmTable(AOwner, DefTopRecord), Schema, ObjectName, OpenMode);
}

bool TfrmTable::ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            QStringList &Lines)
{
    if (!AOwner)
        return false;
    tv::db::Connection &conn = AOwner->dbsMain();
    tv::db::Query q(&conn);
    const int ver = AOwner->DBVer();
    const std::optional<TTableDefinition> def =
        LoadTableDefinition(q, Schema, ObjectName, conn.Params().Database, ver);
    if (!def)
        return false;
    const TSourceMode mode = tvOption.flgCallFromTbl ? smShow : smText;
    TTableCreateContext ctx;
    ctx.Prefix = TtvForm::SchemaPrefix(mode, Schema, conn.Params().MetaDefSchema);
    ctx.Unlogged = def->Persistence == u'u';
    ctx.ShownWindow = mode == smShow;
    ctx.ShowStorageSource = tvOption.ShowStorageSource;
    ctx.ScriptStorage = ScriptOption.Storage;
    if (mode == smShow)
        ctx.KeyTablespace = def->Tablespace;
    StorageDDL::Create(TableStorage(*def, mode, ver), ctx.StorageClauses);
    ctx.UniqueStorage = [&](const QString &ConstName) { return UniqueStorageLines(*def, ConstName, mode); };
    TableDDL::Create(*def, ctx, Lines);
    return true;
}

void TfrmTable::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                          QIODevice &Stream, const QString &, const QString &, bool)
{
    QStringList lines;
    if (ScriptLines(AOwner, Schema, ObjectName, lines))
        WriteScript(Stream, lines);
    throw tv::SilentAbort();
}

// ---------------------------------------------------------------------------
// Construction

TfrmTable::TfrmTable(IConnectionWindow *AOwner, int DefTopRecord)
    : TfrmDefinition(AOwner, TableKind()), FDefTopRecord(DefTopRecord)
{
    qryTable = NewQuery();
    qryAny = NewQuery();
    IMainWindow *m = MainWindow();
    actDataGenerate = new QAction(m ? m->MainImage(103) : QIcon(), QStringLiteral("生成(&W)"), this);
    actDataGenerate->setObjectName(QStringLiteral("actDataGenerate"));
    actDataGenerate->setToolTip(QStringLiteral("テーブルデータを自動生成します。"));
    connect(actDataGenerate, &QAction::triggered, this, tv::ui::Guarded([this] { actDataGenerateExecute(); }));
    tolCmd->insertAction(actExit, actDataGenerate);
    mnuObject->addAction(actDataGenerate);

    BuildDefinePage();

    // The data page comes with the data query; hidden until then.
    tabData = new QWidget;
    tabData->setObjectName(QStringLiteral("tabData"));
    tabStorage = new QWidget;
    tabStorage->setObjectName(QStringLiteral("tabStorage"));
    fraStorage = new TfraStorage(this);
    (new QVBoxLayout(tabStorage))->addWidget(fraStorage);
    // The place of the inheritance frame.
    tabPartition = new QWidget;
    tabPartition->setObjectName(QStringLiteral("tabPartition"));
    fraPartition = new TfraPartition(this);
    (new QVBoxLayout(tabPartition))->addWidget(fraPartition);
    tabPolicy = new QWidget;
    tabPolicy->setObjectName(QStringLiteral("tabPolicy"));
    BuildPolicyPage();
    tabGrant = new QWidget;
    tabGrant->setObjectName(QStringLiteral("tabGrant"));
    fraGrant = new TfraGrant(this);
    (new QVBoxLayout(tabGrant))->addWidget(fraGrant);
    tabCross = new QWidget;
    tabCross->setObjectName(QStringLiteral("tabCross"));
    fraCross = new TfraCross(this);
    auto *cl = new QVBoxLayout(tabCross);
    cl->setContentsMargins(0, 0, 0, 0);
    cl->addWidget(fraCross);
    pagObject->addTab(tabData, QStringLiteral("データ"));
    pagObject->addTab(tabStorage, QStringLiteral("領域情報"));
    pagObject->addTab(tabPartition, QStringLiteral("パーティション"));
    pagObject->addTab(tabPolicy, QStringLiteral("行ポリシー"));
    pagObject->addTab(tabGrant, QStringLiteral("権限"));
    pagObject->addTab(tabCross, QStringLiteral("相関"));
    pagObject->setTabVisible(pagObject->indexOf(tabData), false);
    pagObject->setTabVisible(pagObject->indexOf(tabPolicy), false);
}

void TfrmTable::BuildDefinePage()
{
    IMainWindow *m = MainWindow();
    auto image = [m](int i) { return m ? m->MainImage(i) : QIcon(); };
    auto *root = new QVBoxLayout(tabDefine);
    root->setContentsMargins(2, 2, 2, 2);
    auto *cl = new QHBoxLayout;
    cl->addWidget(new QLabel(QStringLiteral("コメント")));
    txtComment = new TtvStrEdit;
    txtComment->setObjectName(QStringLiteral("txtComment"));
    txtComment->OnChange = [this](QObject *) { Changed(); };
    cl->addWidget(txtComment, 1);
    cl->addSpacing(125);
    root->addLayout(cl);

    auto *upper = new QWidget;
    auto *ul = new QVBoxLayout(upper);
    ul->setContentsMargins(0, 0, 0, 0);
    tolColumn = new QToolBar;
    tolColumn->setObjectName(QStringLiteral("tolColumn"));
    auto action = [this, &image](const char *name, const QString &hint, int icon) {
        auto *a = new QAction(image(icon), hint, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        tolColumn->addAction(a);
        return a;
    };
    btnColInsert = action("btnColInsert", QStringLiteral("列の追加"), 39);
    btnColDelete = action("btnColDelete", QStringLiteral("列の削除"), 40);
    actColUp = action("actColUp", QStringLiteral("上へ移動"), 35);
    actColDown = action("actColDown", QStringLiteral("下へ移動"), 36);
    connect(btnColInsert, &QAction::triggered, this, tv::ui::Guarded([this] { btnColInsertClick(); }));
    connect(btnColDelete, &QAction::triggered, this, tv::ui::Guarded([this] { btnColDeleteClick(); }));
    connect(actColUp, &QAction::triggered, this, tv::ui::Guarded([this] { actColUpExecute(); }));
    connect(actColDown, &QAction::triggered, this, tv::ui::Guarded([this] { actColDownExecute(); }));
    ul->addWidget(tolColumn);

    grdColumn = new TtvStringGrid;
    grdColumn->setObjectName(QStringLiteral("grdColumn"));
    grdColumn->SetColCount(colCount);
    grdColumn->SetFixedCols(0);
    grdColumn->SetFixedRows(1);
    grdColumn->SetRowCount(2);
    grdColumn->SetGridMode(geAccess);
    grdColumn->SetHeader({QStringLiteral("主キー"), QStringLiteral("項目名"), QStringLiteral("型"),
                          QStringLiteral("長さ"), QStringLiteral("必須"), QStringLiteral("省略時値"),
                          QStringLiteral("コメント")});
    const int widths[] = {50, 160, 140, 60, 40, 95, 200};
    for (int c = 0; c < colCount; ++c)
        grdColumn->SetColWidths(c, widths[c]);
    grdColumn->SetEditStyles(colKey, geCheckBox);
    grdColumn->SetEditStyles(colType, gePickList);
    grdColumn->SetEditStyles(colNotNull, geCheckBox);
    grdColumn->SetEditStyles(colDefault, geEllipsis);
    grdColumn->SetEditStyles(colComment, geEllipsis);
    grdColumn->SetOptions(grdColumn->Options() | goEditing | goColSizing);
    grdColumn->MoveCurrent(colName, 1);
    grdColumn->OnSetEditText = [this](QObject *, int ACol, int ARow, const QString &Value) {
        grdColumnSetEditText(ACol, ARow, Value);
    };
    grdColumn->OnSelectCell = [this](QObject *, int ACol, int ARow, bool &) { grdColumnSelectCell(ACol, ARow); };
    grdColumn->OnGetPickListitems = [this](int ACol, int, QStringList &Items) {
        if (ACol != colType)
            return;
        if (FDataType.isEmpty())
            if (auto *form = dynamic_cast<TfrmObject *>(OwnerForm()))
                form->GetDataType(FDataType, 45);
        Items = FDataType;
    };
    grdColumn->OnEditButtonClick = [this](QObject *) { tv::ui::Guard([this] { grdColumnEditButtonClick(); }); };
    ul->addWidget(grdColumn, 1);

    lstConst = new TtvTreeView;
    lstConst->setObjectName(QStringLiteral("lstConst"));
    lstConst->AddSection(QStringLiteral("名前"), 180);
    lstConst->AddSection(QStringLiteral("タイプ"), 120);
    lstConst->AddSection(QStringLiteral("パラメータ"), 300);
    lstConst->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstConst->setContextMenuPolicy(Qt::CustomContextMenu);
    lstConst->setStyleSheet(QStringLiteral("QTreeView::item:selected { color: white; background: palette(highlight); }"));
    popConst = new QMenu(this);
    popConst->setObjectName(QStringLiteral("popConst"));
    mnuConstOpen = popConst->addAction(image(17), QStringLiteral("開く(&O)"));
    mnuConstOpen->setObjectName(QStringLiteral("mnuConstOpen"));
    mnuConstDelete = popConst->addAction(image(41), QStringLiteral("削除(&D)"));
    mnuConstDelete->setObjectName(QStringLiteral("mnuConstDelete"));
    mnuConstNew = popConst->addAction(QStringLiteral("新規作成(&N)"));
    mnuConstNew->setObjectName(QStringLiteral("mnuConstNew"));
    connect(mnuConstOpen, &QAction::triggered, this, tv::ui::Guarded([this] { mnuConstOpenClick(); }));
    connect(mnuConstDelete, &QAction::triggered, this, tv::ui::Guarded([this] { mnuConstDeleteClick(); }));
    connect(mnuConstNew, &QAction::triggered, this, tv::ui::Guarded([this] { mnuConstNewClick(); }));
    connect(lstConst, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        tv::ui::Guard([this] { popConstPopup(); });
        popConst->popup(lstConst->viewport()->mapToGlobal(at));
    });
    connect(lstConst, &QTreeWidget::itemDoubleClicked, this,
            tv::ui::Guarded([this](QTreeWidgetItem *, int) { mnuConstOpenClick(); }));
    lstConst->installEventFilter(this);

    splConst = new QSplitter(Qt::Vertical);
    splConst->setObjectName(QStringLiteral("splConst"));
    splConst->addWidget(upper);
    splConst->addWidget(lstConst);
    splConst->setStretchFactor(0, 2);
    splConst->setStretchFactor(1, 1);
    root->addWidget(splConst, 1);
}

void TfrmTable::BuildPolicyPage()
{
    auto *root = new QVBoxLayout(tabPolicy);
    auto *top = new QHBoxLayout;
    chkPolicyEnable = new TtvCheckBox(QStringLiteral("行ポリシーを有効にする"));
    chkPolicyEnable->setObjectName(QStringLiteral("chkPolicyEnable"));
    chkPolicyEnable->OnClick = [this](QObject *) { Changed(); };
    btnPolicyOpen = new QPushButton(QStringLiteral("作成画面"));
    btnPolicyOpen->setObjectName(QStringLiteral("btnPolicyOpen"));
    connect(btnPolicyOpen, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnPolicyOpenClick(); }));
    top->addWidget(chkPolicyEnable);
    top->addStretch(1);
    top->addWidget(btnPolicyOpen);
    root->addLayout(top);
    lstPolicy = new TtvListView;
    lstPolicy->setObjectName(QStringLiteral("lstPolicy"));
    lstPolicy->AddColumn(QStringLiteral("ポリシー名"), 140);
    for (const char *c : {"SELECT", "INSERT", "UPDATE", "DELETE"})
        lstPolicy->AddColumn(QString::fromLatin1(c), 60, Qt::AlignCenter);
    lstPolicy->AddColumn(QStringLiteral("ロール"), 140);
    lstPolicy->AddColumn(QStringLiteral("セキュリティバリア制約"), 180);
    lstPolicy->AddColumn(QStringLiteral("WITH CHECK制約"), 180);
    connect(lstPolicy, &QTreeWidget::itemSelectionChanged, this,
            tv::ui::Guarded([this] { lstPolicySelectItem(); }));
    connect(lstPolicy, &QTreeWidget::itemDoubleClicked, this,
            tv::ui::Guarded([this](QTreeWidgetItem *, int) { btnPolicyOpenClick(); }));
    auto *split = new QSplitter(Qt::Vertical);
    split->addWidget(lstPolicy);
    auto *details = new QWidget;
    details->setObjectName(QStringLiteral("pnlPolicyDetails"));
    auto *dl = new QGridLayout(details);
    lstRole = new TtvListView;
    lstRole->setObjectName(QStringLiteral("lstRole"));
    lstRole->setHeaderHidden(true);
    lstRole->setColumnCount(1);
    lstRole->setRootIsDecorated(false);
    auto memo = [](const char *name) {
        auto *m = new TtvMemo;
        m->setObjectName(QString::fromLatin1(name));
        m->Leftbar()->SetVisible(false);
        m->SetReadOnly(true);
        m->SetColor(kButtonFace);
        return m;
    };
    txtPolicyUsing = memo("txtPolicyUsing");
    txtPolicyCheck = memo("txtPolicyCheck");
    dl->addWidget(new QLabel(QStringLiteral("ロール")), 0, 0);
    dl->addWidget(new QLabel(QStringLiteral("セキュリティバリア制約")), 0, 1);
    dl->addWidget(new QLabel(QStringLiteral("WITH CHECK制約")), 0, 2);
    dl->addWidget(lstRole, 1, 0);
    dl->addWidget(txtPolicyUsing, 1, 1);
    dl->addWidget(txtPolicyCheck, 1, 2);
    for (int c = 0; c < 3; ++c)
        dl->setColumnStretch(c, 1);
    split->addWidget(details);
    root->addWidget(split, 1);
}

bool TfrmTable::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == lstConst && Event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(Event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tv::ui::Guard([this] { mnuConstOpenClick(); });
            return true;
        }
        if (key == Qt::Key_Delete) {
            tv::ui::Guard([this] { mnuConstDeleteClick(); });
            return true;
        }
    }
    return TfrmDefinition::eventFilter(Watched, Event);
}

QWidget *TfrmTable::PageForMode(TOpenMode Mode)
{
    switch (Mode) {
    case omSource:
        return tabSource;
    case omCross:
        return tabCross;
    case omGrant:
        return tabGrant;
    default:
        // The data page is not offered yet.
        return tabDefine;
    }
}

QList<QWidget *> TfrmTable::PagesOfExisting()
{
    return {tabSource, tabPartition, tabGrant, tabCross};
}

void TfrmTable::ChangedIsNew()
{
    TfrmDefinition::ChangedIsNew();
    pagObject->setTabVisible(pagObject->indexOf(tabPolicy), !IsNew() && DBVer() >= 90500);
}

void TfrmTable::UpdateActions()
{
    TfrmDefinition::UpdateActions();
    // The test-data generator, when the program has one.
    actDataGenerate->setEnabled(!IsNew() && !FToast && HasLauncher(LauncherDataGenerate));
    const int row = grdColumn->Row();
    const int rows = grdColumn->RowCount();
    actColUp->setEnabled(row > 1 && row < rows - 1);
    actColDown->setEnabled(row >= 1 && row < rows - 2);
}

void TfrmTable::LayoutColumns()
{
    // "コメント" takes the rest of the grid's width.
    int others = 0;
    for (int c = 0; c < colComment; ++c)
        others += grdColumn->ColWidths(c);
    grdColumn->SetColWidths(colComment, std::max(80, grdColumn->viewport()->width() - others - 8));
}

void TfrmTable::resizeEvent(QResizeEvent *Event)
{
    TfrmDefinition::resizeEvent(Event);
    LayoutColumns();
}

void TfrmTable::LoadSettings()
{
    TfrmDefinition::LoadSettings();
    // The height of the dependants tree; a third of the define page by default.
    const int total = std::max(splConst->height(), 300);
    int height = total / 3;
    auto &reg = tv::settings::tvRegistry();
    const QString key = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\TABLE");
    if (reg.KeyExists(key)) {
        tv::settings::TRegistryKeyCloser closer(reg);
        if (reg.OpenKeyReadOnly(key))
            height = reg.GetInteger(QStringLiteral("ConstHeight"), height);
    }
    splConst->setSizes({std::max(1, total - height), std::max(1, height)});
}

void TfrmTable::SaveSettings()
{
    TfrmDefinition::SaveSettings();
    try {
        auto &reg = tv::settings::tvRegistry();
        tv::settings::TRegistryKeyCloser closer(reg);
        if (reg.OpenKey(QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\TABLE"), true)) {
            reg.WriteInteger(QStringLiteral("ConstHeight"), lstConst->height());
            reg.CloseKey();
        }
    } catch (const tv::Error &) {
        // A store that cannot be written keeps the designed layout.
    }
}

// ---------------------------------------------------------------------------
// Load

void TfrmTable::FillGrid(const TTableDefinition &Def)
{
    grdColumn->Clear();
    grdColumn->SetRowCount(int(Def.Columns.size()) + 2);
    int r = 1;
    for (const TTableColumn &c : Def.Columns) {
        grdColumn->SetRows(r, {c.Primary ? QStringLiteral("1") : QString(), c.Name, c.Type, c.Length,
                               c.NotNull ? QStringLiteral("1") : QString(),
                               c.Default,
                               c.Comment});
        grdColumn->SetObjects(colName, r, c.Pos);
        ++r;
    }
    // Exactly one empty row for a new column.
    grdColumn->SetRows(r, QStringList(colCount, QString()));
    grdColumn->SetObjects(colName, r, QVariant());
}

void TfrmTable::ShowDefine()
{
    const QString schema = SchemaName();
    const QString name = ObjectName();
    // 1.
    if (!fraStorage->IsInit)
        fraStorage->Init(schema, name);
    pagObject->setTabVisible(pagObject->indexOf(tabPolicy), !IsNew() && DBVer() >= 90500);
    FLoaded = TTableDefinition();
    FLoaded.Schema = schema;
    FLoaded.Name = name;
    FToast = false;
    // 2.
    if (!IsNew()) {
        std::optional<TTableDefinition> def =
            LoadTableDefinition(*qryTable, schema, name, OwnerForm()->dbsMain().Params().Database, DBVer());
        if (!def) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        FLoaded = *def;
        // The grid's texts as loaded: a default reads trimmed, "NULL" as none.
        for (TTableColumn &c : FLoaded.Columns) {
            c.Default = TrimBlanks(c.Default);
            if (c.Default == QLatin1String("NULL"))
                c.Default.clear();
        }
        txtComment->SetText(def->Comment);
        fraStorage->cmbTBS->SetText(def->Tablespace);
        fraStorage->grpOnCommit->setVisible(def->Temporary());
        // Its TOAST table is a vacuum target only when there is one.
        if (QRadioButton *toast = fraStorage->rdoVacuumTarget->Button(1)) {
            toast->setVisible(def->HasToast);
            if (!def->HasToast)
                fraStorage->rdoVacuumTarget->SetItemIndex(0);
        }
        FToast = def->RelKind == u't';
        fraStorage->ShowDefine();
        FillGrid(FLoaded);
    } else {
        grdColumn->Clear();
        grdColumn->SetRowCount(2);
    }
    grdColumn->Save();
    // 3.
    ShowConstList();
    // 4.
    txtComment->Save();
    fraStorage->Save();
    // The table compile and delete come later: until then the window
    // neither compiles nor deletes nor asks to.
    SetReadOnlyState(true);
    // 5.
    RefreshSource();
    // 6.
    QWidget *page = ShownPage();
    if (page == tabGrant)
        fraGrant->ShowData(schema, name);
    else if (page == tabCross)
        fraCross->ShowData(schema, name, QString(), QString());
    else if (page == tabPartition)
        fraPartition->prcShowData(schema, name);
    else if (page == tabPolicy)
        ShowPolicy();
    UpdateActions();
}

void TfrmTable::ShowConstList()
{
    IMainWindow *m = MainWindow();
    auto image = [m](int i) { return m ? m->MainImage(i) : QIcon(); };
    lstConst->setUpdatesEnabled(false);
    struct Resume {
        TtvTreeView *t;
        ~Resume() { t->setUpdatesEnabled(true); }
    } resume{lstConst};
    lstConst->clear();
    auto root = [&](const QString &text, int icon) {
        TtvTreeNode *n = lstConst->AddNode(nullptr, text);
        n->setIcon(0, image(icon));
        n->setData(0, kNodeIcon, icon);
        return n;
    };
    TtvTreeNode *consts = root(QStringLiteral("CONSTRAINT"), 66);
    TtvTreeNode *indexes = root(QStringLiteral("INDEX"), 46);
    TtvTreeNode *triggers = root(QStringLiteral("TRIGGER"), 57);
    auto child = [&](TtvTreeNode *parent, const QString &text, int icon, const QStringList &sub) {
        TtvTreeNode *n = lstConst->AddNode(parent, text);
        n->setIcon(0, image(icon));
        n->setData(0, kNodeIcon, icon);
        n->SetSubItems(sub);
        return n;
    };
    if (!IsNew()) {
        const QString schema = SchemaName();
        const QString table = ObjectName();
        // Every CHECK is listed: NOT NULL is never one here.
        for (const TTableConstraint &c : FLoaded.Constraints)
            child(consts, c.Name, 66,
                  {c.Kind, c.Param,
                   c.Kind == QLatin1String("FOREIGN KEY") || c.Kind == QLatin1String("EXCLUDE") ? schema : QString()});
        CloseOnExit closer{qryAny};
        qryAny->Close();
        qryAny->SetSQL(IndexesSQL);
        qryAny->ParamByName(QStringLiteral("SCHEMA")).setAsString(schema);
        qryAny->ParamByName(QStringLiteral("TBLNAME")).setAsString(table);
        qryAny->Open();
        for (; !qryAny->Eof(); qryAny->Next())
            child(indexes, qryAny->Fields(1).AsString(), 46,
                  {qryAny->Fields(2).AsBoolean() ? QStringLiteral("UNIQUE INDEX") : QStringLiteral("NONUNIQUE INDEX"),
                   qryAny->Fields(3).AsString(), qryAny->Fields(0).AsString()});
        qryAny->Close();
        qryAny->SetSQL(TriggersSQL);
        qryAny->ParamByName(QStringLiteral("SCHEMA")).setAsString(schema);
        qryAny->ParamByName(QStringLiteral("TBLNAME")).setAsString(table);
        qryAny->Open();
        for (; !qryAny->Eof(); qryAny->Next())
            child(triggers, qryAny->Fields(1).AsString(), 57,
                  {QStringLiteral("TRIGGER"), QString(), qryAny->Fields(0).AsString()});
    }
    for (TtvTreeNode *n : {consts, indexes, triggers})
        n->setExpanded(true);
    lstConst->scrollToTop();
}

void TfrmTable::ShowPolicy()
{
    chkPolicyEnable->SetChecked(false);
    lstPolicy->clear();
    lstRole->clear();
    txtPolicyUsing->Lines()->Clear();
    txtPolicyCheck->Lines()->Clear();
    if (IsNew() || DBVer() < 90500)
        return;
    CloseOnExit closer{qryAny};
    qryAny->Close();
    qryAny->SetSQL(PoliciesSQL);
    qryAny->ParamByName(QStringLiteral("SCHEMA")).setAsString(SchemaName());
    qryAny->ParamByName(QStringLiteral("TBLNAME")).setAsString(ObjectName());
    qryAny->Open();
    for (; !qryAny->Eof(); qryAny->Next()) {
        chkPolicyEnable->SetChecked(qryAny->Fields(0).AsBoolean());
        const QString name = qryAny->Fields(1).AsString();
        if (name.isEmpty())
            continue;
        const QString cmd = qryAny->Fields(2).AsString();
        auto mark = [&cmd](const char *letter) {
            return cmd == QLatin1String(letter) || cmd == QLatin1String("*") ? QStringLiteral("*") : QString();
        };
        lstPolicy->AddItem(name, {mark("r"), mark("a"), mark("w"), mark("d"), qryAny->Fields(3).AsString(),
                                  qryAny->Fields(4).AsString(), qryAny->Fields(5).AsString()});
    }
    chkPolicyEnable->Save();
}

// ---------------------------------------------------------------------------
// Column grid

void TfrmTable::SetRowModified(int ACol, int ARow)
{
    if (grdColumn->GetIsChangedCell(ACol, ARow) || grdColumn->RowCount() != grdColumn->SaveRowCount())
        SetModified(true);
}

void TfrmTable::grdColumnSetEditText(int ACol, int ARow, const QString &Value)
{
    if (ARow < 1)
        return;
    if (ACol == colKey && grdColumn->GetChecked(colKey, ARow)) {
        // A key column is NOT NULL.
        grdColumn->SetCells(colNotNull, ARow, QStringLiteral("1"));
    } else if (ACol == colNotNull && !grdColumn->GetChecked(colNotNull, ARow) &&
               grdColumn->GetChecked(colKey, ARow)) {
        grdColumn->SetCells(colNotNull, ARow, QStringLiteral("1"));
    } else if (ACol == colType && !TypeTakesLength(Value)) {
        grdColumn->SetCells(colLength, ARow, QString());
    }
    // Typing on the last (empty) row makes it a new column with an empty row below.
    if (ARow == grdColumn->RowCount() - 1 && !Value.isEmpty()) {
        grdColumn->SetRowCount(grdColumn->RowCount() + 1);
        grdColumn->SetObjects(colName, grdColumn->RowCount() - 1, QVariant());
    }
    SetRowModified(ACol, ARow);
    SetRowModified(colNotNull, ARow);
    SetRowModified(colLength, ARow);
}

void TfrmTable::grdColumnSelectCell(int ACol, int ARow)
{
    bool edit = true;
    if (ACol == colType)
        edit = !grdColumn->Cells(colName, ARow).isEmpty();
    else if (ACol == colLength)
        edit = TypeTakesLength(grdColumn->Cells(colType, ARow));
    TGridOptions o = grdColumn->Options();
    o.setFlag(goEditing, edit);
    grdColumn->SetOptions(o);
}

void TfrmTable::grdColumnEditButtonClick()
{
    const int col = grdColumn->Col();
    const int row = grdColumn->Row();
    if (col != colDefault && col != colComment)
        return;
    QString text = grdColumn->Cells(col, row);
    bool isNull = false;
    if (TfrmMemo::ShowWindow(text, isNull, false, false) == QDialog::Accepted && text != grdColumn->Cells(col, row))
        grdColumn->SetEditText(col, row, text);
}

void TfrmTable::btnColInsertClick()
{
    const int row = std::max(1, grdColumn->Row());
    grdColumn->InsertRow(row);
    grdColumn->SetObjects(colName, row, QVariant());
    SetModified(true);
}

void TfrmTable::btnColDeleteClick()
{
    const int row = grdColumn->Row();
    const int last = grdColumn->RowCount() - 1;
    if (row < 1 || row >= last)
        return;
    grdColumn->DeleteRow(row);
    if (row == last - 1)
        grdColumn->SetRows(grdColumn->RowCount() - 1, QStringList(colCount, QString()));
    SetModified(true);
}

void TfrmTable::actColUpExecute()
{
    const int row = grdColumn->Row();
    if (row <= 1 || row >= grdColumn->RowCount() - 1)
        return;
    grdColumn->MoveRow(row, row - 1);
    grdColumn->MoveCurrent(grdColumn->Col(), row - 1);
    SetModified(true);
}

void TfrmTable::actColDownExecute()
{
    const int row = grdColumn->Row();
    if (row < 1 || row >= grdColumn->RowCount() - 2)
        return;
    grdColumn->MoveRow(row, row + 1);
    grdColumn->MoveCurrent(grdColumn->Col(), row + 1);
    SetModified(true);
}

// ---------------------------------------------------------------------------
// Dependants tree

TtvTreeNode *TfrmTable::SelectedChild() const
{
    TtvTreeNode *n = lstConst->Selected();
    return n && n->parent() ? n : nullptr;
}

void TfrmTable::popConstPopup()
{
    IMainWindow *m = MainWindow();
    mnuConstOpen->setEnabled(false);
    mnuConstDelete->setEnabled(false);
    mnuConstNew->setEnabled(false);
    mnuConstNew->setIcon(QIcon());
    TtvTreeNode *n = lstConst->Selected();
    if (IsNew() || !n)
        return;
    const bool child = n->parent() != nullptr;
    mnuConstOpen->setEnabled(child);
    mnuConstDelete->setEnabled(child && !FToast);
    mnuConstNew->setEnabled(!FToast);
    if (m)
        mnuConstNew->setIcon(m->MainImage(n->data(0, kNodeIcon).toInt()));
}

void TfrmTable::mnuConstOpenClick()
{
    TtvTreeNode *n = SelectedChild();
    if (IsNew() || !n)
        return;
    const QString schema = n->SubItems().value(2);
    switch (n->data(0, kNodeIcon).toInt()) {
    case 46:
        TfrmIndex::Open(OwnerForm(), schema, n->Text(), tvOption.OpenMode, QString());
        break;
    case 57:
        TfrmTrigger::Open(OwnerForm(), schema, n->Text(), tvOption.OpenMode, ObjectName());
        break;
    default:
        TfrmConst::Open(OwnerForm(), SchemaName(), n->Text(), ObjectName());
    }
}

void TfrmTable::mnuConstNewClick()
{
    TtvTreeNode *n = lstConst->Selected();
    if (IsNew() || !n || FToast)
        return;
    switch (n->data(0, kNodeIcon).toInt()) {
    case 46:
        TfrmIndex::Open(OwnerForm(), SchemaName(), QString(), omDefine, ObjectName());
        break;
    case 57:
        TfrmTrigger::Open(OwnerForm(), SchemaName(), QString(), omDefine, ObjectName());
        break;
    default:
        TfrmConst::Open(OwnerForm(), SchemaName(), QString(), ObjectName());
    }
}

void TfrmTable::mnuConstDeleteClick()
{
    TtvTreeNode *n = SelectedChild();
    if (IsNew() || !n || FToast)
        return;
    QString question, statement, done;
    const QString schema = n->SubItems().value(2);
    switch (n->data(0, kNodeIcon).toInt()) {
    case 46:
        question = QStringLiteral("インデックスを削除しますか？");
        statement = QStringLiteral("DROP INDEX ") + QuoteIdentifier(schema) + u'.' + QuoteIdentifier(n->Text());
        done = QStringLiteral("インデックスが削除されました。");
        break;
    case 57:
        question = QStringLiteral("トリガーを削除しますか？");
        statement = QStringLiteral("DROP TRIGGER ") + QuoteIdentifier(n->Text()) + QStringLiteral(" ON ") +
                    QuoteIdentifier(schema) + u'.' + QuoteIdentifier(ObjectName());
        done = QStringLiteral("トリガーが削除されました。");
        break;
    default:
        question = QStringLiteral("制約を削除しますか？");
        statement = QStringLiteral("ALTER TABLE ") + QuoteIdentifier(SchemaName()) + u'.' +
                    QuoteIdentifier(ObjectName()) + QStringLiteral(" DROP CONSTRAINT ") + QuoteIdentifier(n->Text());
        done = QStringLiteral("制約が削除されました。");
    }
    if (ShowMessageBox(question, tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
        return;
    {
        SqlWaitCursor wait;
        OwnerForm()->ExecuteSQL(statement);
    }
    ShowMessageBox(done, tv::ui::MB_ICONINFORMATION);
    // The tree reads the table's constraints again.
    const bool modified = Modified();
    if (n->data(0, kNodeIcon).toInt() == 66) {
        std::optional<TTableDefinition> def = LoadTableDefinition(
            *qryTable, SchemaName(), ObjectName(), OwnerForm()->dbsMain().Params().Database, DBVer());
        if (def)
            FLoaded.Constraints = def->Constraints;
    }
    ShowConstList();
    SetModified(modified);
}

// ---------------------------------------------------------------------------
// Policy page

void TfrmTable::lstPolicySelectItem()
{
    IMainWindow *m = MainWindow();
    lstRole->clear();
    txtPolicyUsing->Lines()->Clear();
    txtPolicyCheck->Lines()->Clear();
    TtvListItem *item = lstPolicy->Selected();
    if (!item || !OwnerForm())
        return;
    const QStringList names = item->SubItem(4).split(QStringLiteral(", "), Qt::SkipEmptyParts);
    if (!names.isEmpty()) {
        QStringList literals;
        for (const QString &n : names)
            literals << QuoteLiteral(n);
        tv::db::Query &q = OwnerForm()->OpenSQL(
            QStringLiteral("SELECT CASE rolcanlogin WHEN TRUE THEN 'USER' ELSE 'ROLE' END AS OBJTYPE, rolname "
                           "FROM pg_roles WHERE rolname IN (") +
            literals.join(QStringLiteral(", ")) + QStringLiteral(") ORDER BY rolname"));
        const QString user = OwnerForm()->dbsMain().Params().User_Name;
        for (; !q.Eof(); q.Next()) {
            const QString role = q.Fields(1).AsString();
            const int icon = q.Fields(0).AsString() == QLatin1String("ROLE") ? 68 : role == user ? 3 : 2;
            TtvListItem *r = lstRole->AddItem(role);
            if (m)
                r->setIcon(0, m->MainImage(icon));
        }
        q.Close();
    }
    txtPolicyUsing->Lines()->SetText(item->SubItem(5));
    txtPolicyCheck->Lines()->SetText(item->SubItem(6));
}

void TfrmTable::btnPolicyOpenClick()
{
    if (IsNew())
        return;
    TtvListItem *item = lstPolicy->Selected();
    TfrmPolicy::Open(OwnerForm(), SchemaName(), item ? item->Caption() : QString(), omDefine, ObjectName());
}

void TfrmTable::actDataGenerateExecute()
{
    if (IsNew() || FToast)
        return;
    TLaunchContext c;
    c.Connection = dynamic_cast<TfrmObject *>(OwnerForm());
    c.MainWindow = MainWindow() ? MainWindow()->MainWidget() : nullptr;
    c.Schema = SchemaName();
    c.ObjectName = ObjectName();
    c.ObjectType = 45;
    Launch(LauncherDataGenerate, c);
}

// ---------------------------------------------------------------------------
// DDL

TTableDefinition TfrmTable::CurrentDefinition() const
{
    TTableDefinition d = FLoaded;
    d.Schema = SchemaName();
    d.Name = ObjectName();
    d.Comment = txtComment->Text();
    if (fraStorage->Snapshot().Sheet == ssTemporary)
        d.Persistence = u't';
    else if (d.Persistence == u't' || d.Persistence.isNull())
        d.Persistence = u'p';
    d.Columns.clear();
    for (int r = 1; r < grdColumn->RowCount(); ++r) {
        const QString name = grdColumn->Cells(colName, r);
        if (name.isEmpty())
            continue;
        TTableColumn c;
        c.Pos = grdColumn->Objects(colName, r).toInt();
        for (const TTableColumn &old : FLoaded.Columns)
            if (c.Pos > 0 && old.Pos == c.Pos) {
                c = old;
                break;
            }
        c.Primary = grdColumn->GetChecked(colKey, r);
        c.Name = name;
        c.Type = grdColumn->Cells(colType, r);
        c.Length = grdColumn->Cells(colLength, r);
        c.NotNull = grdColumn->GetChecked(colNotNull, r);
        c.Default = grdColumn->Cells(colDefault, r);
        c.Comment = grdColumn->Cells(colComment, r);
        d.Columns << c;
    }
    return d;
}

QStringList TfrmTable::UniqueStorage(const QString &ConstName) const
{
    return UniqueStorageLines(FLoaded, ConstName, SourceMode);
}

void TfrmTable::GetSourceCreate(QStringList &List)
{
    SqlWaitCursor wait;
    const TTableDefinition d = CurrentDefinition();
    TTableCreateContext ctx;
    ctx.Prefix = SchemaPrefix(SchemaName(), DefaultSchema());
    ctx.Unlogged = !fraStorage->chkLog->Checked();
    ctx.ShownWindow = SourceMode == smShow;
    if (ctx.ShownWindow && !fraStorage->cmbTBS->isHidden())
        ctx.KeyTablespace = fraStorage->cmbTBS->Text();
    ctx.ShowStorageSource = tvOption.ShowStorageSource;
    ctx.ScriptStorage = ScriptOption.Storage;
    fraStorage->GetSourceCreate(ctx.StorageClauses);
    if (!IsNew() && OwnerForm())
        ctx.UniqueStorage = [this](const QString &ConstName) { return UniqueStorage(ConstName); };
    // The grid's snapshot as loaded.
    ctx.Loaded = &FLoaded;
    TableDDL::Create(d, ctx, List);
}

void TfrmTable::GetSourceAlter(QStringList &List)
{
    SqlWaitCursor wait;
    TableDDL::TAlterStorage storage;
    fraStorage->GetSourceAlterN(storage.AlterN);
    fraStorage->GetSourceAlterV(storage.AlterVP);
    fraStorage->GetSourceAlterP(storage.AlterVP);
    TableDDL::Alter(FLoaded, CurrentDefinition(), OwnSchemaPrefix(SchemaName()), storage, List);
}

void TfrmTable::GetSourceDrop(QStringList &List)
{
    TableDDL::Drop(SchemaName(), ObjectName(), false, List);
}

QString TfrmTable::DropStatement(bool Cascade)
{
    return QStringLiteral("DROP TABLE ") + QuoteIdentifier(SchemaName()) + u'.' + QuoteIdentifier(ObjectName()) +
           (Cascade ? QStringLiteral(" CASCADE") : QString());
}

bool TfrmTable::IsCreate()
{
    if (IsNew() || SourceMode == smText || ShownPage() == tabSource || fraStorage->IsCreate())
        return true;
    if (!grdColumn->IsChanged())
        return false;
    const int last = grdColumn->RowCount() - 2; // the last row before the empty one
    int existing = 0;
    for (int r = 1; r <= last; ++r) {
        const int pos = grdColumn->Objects(colName, r).toInt();
        if (pos > 0) {
            // Out of its loaded order.
            if (pos != ++existing)
                return true;
        } else if (r != last && !grdColumn->Cells(colName, r).isEmpty()) {
            return true;
        }
    }
    return existing < FLoaded.Columns.size();
}
