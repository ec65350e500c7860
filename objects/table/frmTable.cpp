#include "objects/table/frmTable.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/Quote.h"
#include "common/ScriptOption.h"
#include "common/TextUtil.h"
#include <QFileInfo>
#include "platform/ui/Dialogs.h"
#include "common/tvOption.h"
#include "sql/XlsDefinition.h"
#include "sql/RepData.h"
#include "shell/ReportDefinition.h"
#include "controls/frmPrint.h"
#include "controls/tvCheckBox.h"
#include "controls/tvComboBox.h"
#include "controls/tvListView.h"
#include "controls/tvNumEdit.h"
#include "controls/tvStrEdit.h"
#include "controls/tvStringGrid.h"
#include "controls/tvTreeView.h"
#include "editor/EditorLeftbar.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/table/ConstraintDefinition.h"
#include "objects/table/DropDownComboBox.h"
#include "objects/table/StorageDefinition.h"
#include "objects/table/TableRebuild.h"
#include "objects/table/TableScript.h"
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
#include "platform/ui/WaitCursor.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"
#include "shell/frmObject.h"
#include "sql/frmFieldList.h"
#include "sql/frmMemo.h"
#include "common/WhereHistory.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <QSignalBlocker>
#include <QLineEdit>
#include <QDateTime>
#include <QFile>
#include <QToolButton>
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
#include <QScopeGuard>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

using tv::ui::SqlWaitCursor;

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
QStringList UniqueStorageLines(const TTableDefinition &Def, const QString &ConstName, TSourceMode Mode,
                               bool ShowStorageSource)
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
        return ConstraintDDL::StorageScript(c, Mode, ShowStorageSource, ScriptOption.Storage,
                                            ScriptOption.NullLine);
    }
    return {};
}

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
    TfrmTable *w = ShowBuilt(new TfrmTable(AOwner, DefTopRecord), Schema, ObjectName, OpenMode);
    w->SetReportList();
    return w;
}

namespace {

TfrmTable::TReportWriter &ReportWriter()
{
    static TfrmTable::TReportWriter writer;
    return writer;
}

} // namespace

void TfrmTable::RegisterReportWriter(TReportWriter Writer)
{
    ReportWriter() = std::move(Writer);
}

void TfrmTable::SetReportList()
{
    if (ReportWriter())
        AddReportItems(rtTable, [this](const QString &name) { ReportClick(name); });
}

void TfrmTable::ReportClick(const QString &ReportName)
{
    if (ReportName.isEmpty() || IsNew() || !ReportWriter())
        return;
    const QString path = AskReportFile();
    if (path.isEmpty())
        return;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Restore {
            ~Restore() { QApplication::restoreOverrideCursor(); }
        } restore;
        ReportWriter()(OwnerForm(), ReportName, SchemaName(), ObjectName(), path);
    }
    ReportWritten(path);
}

bool TfrmTable::ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            QStringList &Lines, const QString &NewSchema, const QString &NewObjectName, bool Index,
                            QStringList *AfterRows, QStringList *AfterIndexes)
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
    const bool copy = !NewSchema.isEmpty() && !NewObjectName.isEmpty();
    TTableDefinition target = *def;
    if (copy) {
        target.Schema = NewSchema;
        target.Name = NewObjectName;
    }
    TTableCreateContext ctx;
    ctx.Copy = copy;
    ctx.CopyIndex = Index;
    ctx.Prefix = TtvForm::SchemaPrefix(mode, target.Schema, conn.Params().MetaDefSchema);
    ctx.Unlogged = def->Persistence == u'u';
    ctx.ShownWindow = mode == smShow;
    ctx.ShowStorageSource = tvOption.ShowStorageSource;
    ctx.ScriptStorage = ScriptOption.Storage;
    if (mode == smShow)
        ctx.KeyTablespace = def->Tablespace;
    StorageDDL::Create(TableStorage(*def, mode, ver), ctx.StorageClauses);
    ctx.UniqueStorage = [&](const QString &ConstName) {
        return UniqueStorageLines(*def, ConstName, mode, tvOption.ShowStorageSource);
    };
    ctx.AfterRows = AfterRows;
    TableDDL::Create(target, ctx, Lines);

    // What the CREATE does not write. An index named there must be in the
    // script: a key written with the table, or any index of the table
    // while the indexes are scripted (never those of a copy, whose indexes
    // are not its own).
    auto written = [&](const QString &IndexName) {
        if (copy || IndexName.isEmpty())
            return false;
        if (ScriptOption.Index)
            return true;
        for (const TTableConstraint &k : def->Constraints)
            if (k.Name == IndexName && k.Local && k.Kind != QLatin1String("CHECK") &&
                k.Kind != QLatin1String("FOREIGN KEY"))
                return true;
        return false;
    };
    if (!written(target.ReplicaIndex) && target.ReplicaIdentity == u'i')
        target.ReplicaIdentity = u'd';
    if (!written(target.ClusterIndex))
        target.ClusterIndex.clear();
    QStringList indexed;
    TableDDL::Settings(target, (target.Temporary() ? QString() : ctx.Prefix) + QuoteIdentifier(target.Name), Lines,
                       indexed);
    if (AfterIndexes)
        *AfterIndexes << indexed;
    else
        Lines << indexed;
    return true;
}

void TfrmTable::GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                          QIODevice &Stream, const QString &NewSchema, const QString &NewObjectName, bool Index)
{
    QStringList lines, afterRows, afterIndexes;
    if (!ScriptLines(AOwner, Schema, ObjectName, lines, NewSchema, NewObjectName, Index,
                     ScriptOption.Insert ? &afterRows : nullptr, &afterIndexes))
        throw tv::SilentAbort();
    WriteScript(Stream, lines);
    tv::db::Connection &conn = AOwner->dbsMain();
    const QString quoted = QuoteIdentifier(Schema) + u'.' + QuoteIdentifier(ObjectName);

    if (ScriptOption.Insert) {
        const bool copy = !NewSchema.isEmpty() && !NewObjectName.isEmpty();
        const QString target =
            copy ? TtvForm::SchemaPrefix(smText, NewSchema, conn.Params().MetaDefSchema) + QuoteIdentifier(NewObjectName)
                 : TtvForm::SchemaPrefix(smText, Schema, conn.Params().MetaDefSchema) +
                       QuoteIdentifier(NewObjectName.isEmpty() ? ObjectName : NewObjectName);
        const bool intoStream = ScriptOption.InsertMode == 0 || ScriptOption.OneScript;
        bool schemasFirst = tvOption.TreeSort != 1;
        if (auto *form = dynamic_cast<TfrmObject *>(AOwner); form && form->btnTree1)
            schemasFirst = form->btnTree1->isChecked();
        QFile file;
        // Statements come about a megabyte at a time, as UTF-8 text. The
        // table's own rows only: those of its partitions and children go
        // with their own scripts.
        TableScript::WriteInsertRows(conn, QStringLiteral("SELECT * FROM ONLY ") + quoted, target, [&](const QByteArray &Utf8) {
            if (intoStream) {
                TableScript::WriteScriptText(Stream, Utf8);
                return;
            }
            if (!file.isOpen()) {
                // The data file comes with the first row.
                file.setFileName(TableScript::DataFilePath(ScriptOption, schemasFirst, Schema, ObjectName));
                const QIODevice::OpenMode how = ScriptOption.InsertMode == 1 ? QIODevice::WriteOnly | QIODevice::Truncate
                                                                             : QIODevice::WriteOnly | QIODevice::Append;
                if (!file.open(how))
                    throw tv::Error(QStringLiteral("ファイルを作成できません。\r\n") + file.fileName() +
                                    QStringLiteral("\r\n") + file.errorString());
            }
            TableScript::WriteScriptText(file, Utf8);
        });
        // What must not check the rows follows them.
        if (!afterRows.isEmpty()) {
            if (file.isOpen())
                TableScript::WriteScriptText(file, (afterRows.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
            else
                WriteScript(Stream, afterRows);
        }
    }

    if (ScriptOption.Index) {
        tv::db::Query q(&conn);
        QStringList indexes;
        q.SetSQL(IndexesSQL);
        q.ParamByName(QStringLiteral("SCHEMA")).setAsString(Schema);
        q.ParamByName(QStringLiteral("TBLNAME")).setAsString(ObjectName);
        q.Open();
        for (; !q.Eof(); q.Next())
            indexes << q.Fields(0).AsString() << q.Fields(1).AsString();
        q.Close();
        for (qsizetype i = 0; i + 1 < indexes.size(); i += 2) {
            try {
                TfrmIndex::GetScript(AOwner, indexes.at(i), indexes.at(i + 1), Stream);
            } catch (...) {
                // An index that cannot be written is left out.
            }
        }
    }
    if (!afterIndexes.isEmpty())
        WriteScript(Stream, afterIndexes);
    throw tv::SilentAbort();
}

// ---------------------------------------------------------------------------
// Construction

TfrmTable::TfrmTable(IConnectionWindow *AOwner, int DefTopRecord)
    : TfrmDefinition(AOwner, TableKind()), FDefTopRecord(DefTopRecord)
{
    qryTable = NewQuery();
    qryAny = NewQuery();
    actDataGenerate = new QAction(MainWindowImage(103), QStringLiteral("生成(&W)"), this);
    actDataGenerate->setObjectName(QStringLiteral("actDataGenerate"));
    actDataGenerate->setToolTip(QStringLiteral("テーブルデータを自動生成します。"));
    connect(actDataGenerate, &QAction::triggered, this, tv::ui::Guarded([this] { actDataGenerateExecute(); }));
    tolCmd->insertAction(actExit, actDataGenerate);
    mnuObject->addAction(actDataGenerate);

    BuildDefinePage();

    tabData = new QWidget;
    tabData->setObjectName(QStringLiteral("tabData"));
    BuildDataPage();
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
    pagObject->setTabVisible(pagObject->indexOf(tabPolicy), false);
}

void TfrmTable::BuildDefinePage()
{
    const auto image = MainWindowImage;
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
    case omData:
        return tabData;
    default:
        return tabDefine;
    }
}

QList<QWidget *> TfrmTable::PagesOfExisting()
{
    return {tabSource, tabData, tabPartition, tabGrant, tabCross};
}

void TfrmTable::ChangedIsNew()
{
    TfrmDefinition::ChangedIsNew();
    pagObject->setTabVisible(pagObject->indexOf(tabPolicy), !IsNew() && DBVer() >= 90500);
}

void TfrmTable::UpdateActions()
{
    TfrmDefinition::UpdateActions();
    if (ShownPage() == tabData)
        actDelete->setEnabled(false);
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
    // A TOAST table is only shown.
    SetReadOnlyState(FToast);
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
    else if (page == tabData && !IsNew())
        ShowData();
    UpdateActions();
}

void TfrmTable::ShowConstList()
{
    const auto image = MainWindowImage;
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
    // 名前 and タイプ widen to the longest name and kind they show.
    WidenColumnsToText(lstConst);
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
    return UniqueStorageLines(FLoaded, ConstName, SourceMode, FForRun || tvOption.ShowStorageSource);
}

void TfrmTable::GetSourceCreate(QStringList &List)
{
    SqlWaitCursor wait;
    const TTableDefinition d = CurrentDefinition();
    TTableCreateContext ctx;
    ctx.Prefix = SchemaPrefix(SchemaName(), DefaultSchema());
    ctx.Unlogged = !fraStorage->chkLog->Checked();
    ctx.ShownWindow = SourceMode == smShow;
    if (ctx.ShownWindow && !fraStorage->cmbTBS->isHidden()) {
        // The key's index stays where it is unless the user moves the table.
        ctx.KeyTablespace = fraStorage->cmbTBS->Text();
        for (const TTableConstraint &k : FLoaded.Constraints)
            if (k.Kind == QLatin1String("PRIMARY KEY") && !fraStorage->cmbTBS->IsChanged())
                ctx.KeyTablespace = k.Tablespace;
    }
    ctx.ShowStorageSource = FForRun || tvOption.ShowStorageSource;
    ctx.ScriptStorage = ScriptOption.Storage;
    ctx.AfterRows = FAfterRows;
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

// ---------------------------------------------------------------------------
// Compile

void TfrmTable::CheckFields()
{
    if (ShownPage() == tabDefine) {
        bool any = false;
        for (int r = 1; r < grdColumn->RowCount(); ++r) {
            const bool named = !grdColumn->Cells(colName, r).isEmpty();
            if (!named && (!grdColumn->Cells(colType, r).isEmpty() || !grdColumn->Cells(colLength, r).isEmpty() ||
                           grdColumn->GetChecked(colNotNull, r) || !grdColumn->Cells(colDefault, r).isEmpty())) {
                grdColumn->MoveCurrent(colName, r);
                Require(false, QStringLiteral("列の名前を指定して下さい。"), grdColumn);
            }
            if (named && grdColumn->Cells(colType, r).isEmpty()) {
                grdColumn->MoveCurrent(colType, r);
                Require(false, QStringLiteral("列の型を指定して下さい。"), grdColumn);
            }
            any = any || named;
        }
        Require(any, QStringLiteral("項目列を１つ以上指定して下さい。"), grdColumn);
    }
    if (ShownPage() == tabStorage && !fraStorage->Check())
        throw tv::SilentAbort();
}

void TfrmTable::QuoteDefaults()
{
    for (int r = 1; r < grdColumn->RowCount(); ++r) {
        const QString d = grdColumn->Cells(colDefault, r);
        if (d.isEmpty() || d.startsWith(u'\''))
            continue;
        bool number = false;
        d.toDouble(&number);
        if (!number)
            grdColumn->SetCells(colDefault, r, QuoteLiteral(d));
    }
}

QString TfrmTable::NewColumnName(int AttNum) const
{
    int pos = 0;
    for (const TTableColumn &c : FLoaded.Columns)
        if (c.AttNum == AttNum)
            pos = c.Pos;
    if (pos <= 0)
        return {};
    for (int r = 1; r < grdColumn->RowCount(); ++r)
        if (grdColumn->Objects(colName, r).toInt() == pos)
            return grdColumn->Cells(colName, r);
    return {};
}

void TfrmTable::BuildTableCompileList(QStringList &List, bool &Rebuild, QString &BackupName)
{
    // What runs keeps the table's storage and parents whatever is shown.
    FForRun = true;
    const auto reset = qScopeGuard([this] {
        FForRun = false;
        FAfterRows = nullptr;
    });
    QWidget *page = ShownPage();
    const QString qt = QuoteIdentifier(SchemaName()) + u'.' + QuoteIdentifier(ObjectName());
    const bool create = IsCreate();
    Rebuild = !IsNew() && create && (page == tabDefine || page == tabStorage || page == tabSource);
    if (page == tabGrant) {
        fraGrant->GetSource(List);
        return;
    }
    if (page == tabPolicy) {
        List << QStringLiteral("ALTER TABLE ") + qt + u' ' +
                    (chkPolicyEnable->Checked() ? QStringLiteral("ENABLE") : QStringLiteral("DISABLE")) +
                    QStringLiteral(" ROW LEVEL SECURITY")
             << QStringLiteral(";");
        return;
    }
    if (!Rebuild) {
        if (page == tabSource)
            List << txtSource->Lines()->ToStringList();
        else if (create)
            GetSourceCreate(List);
        else
            GetSourceAlter(List);
        return;
    }

    // A child gets the columns of its parents first, in their order: any
    // other order cannot be built.
    if (page != tabSource && !FLoaded.InheritedOrder.isEmpty() && FLoaded.PartitionOf.isEmpty()) {
        QStringList asked, built = FLoaded.InheritedOrder;
        for (const TTableColumn &c : CurrentDefinition().Columns) {
            asked << c.Name;
            if (!built.contains(c.Name))
                built << c.Name;
        }
        if (asked != built) {
            ShowMessageBox(QStringLiteral("継承した列は親テーブルの列順で先頭に並ぶため、この列順でテーブルを"
                                          "再作成することはできません。\r\n作成される列順: ") +
                               built.join(QStringLiteral(", ")),
                           tv::ui::MB_ICONEXCLAMATION);
            throw tv::SilentAbort();
        }
    }

    // The rebuild: everything read while the table still exists.
    QStringList kept;
    for (const TTableConstraint &k : CurrentDefinition().Constraints)
        kept << k.Name;
    const TTableRebuild plan = ReadTableRebuild(
        *qryAny, SchemaName(), ObjectName(), [this](int AttNum) { return NewColumnName(AttNum); }, kept);
    if (!plan.Refusals.isEmpty()) {
        ShowMessageBox(RefusalMessage(plan.Refusals), tv::ui::MB_ICONEXCLAMATION);
        throw tv::SilentAbort();
    }
    if (!plan.Lost.isEmpty() &&
        ShowMessageBox(KeptLossQuestion(plan.Lost), tv::ui::MB_OKCANCEL | tv::ui::MB_ICONWARNING) != tv::ui::IDOK)
        throw tv::SilentAbort();
    // A partitioned table holds no rows of its own: its partitions keep
    // them, detached before the drop and attached again.
    const bool backup = tvOption.BackupData && !FLoaded.Temporary() && FLoaded.RelKind != u'p';
    List << plan.Prepare;
    if (backup) {
        BackupName = BackupTableName(ObjectName(), QDateTime::currentDateTime());
        List << QStringLiteral("CREATE TABLE ") + QuoteIdentifier(SchemaName()) + u'.' + QuoteIdentifier(BackupName)
             << QStringLiteral("  AS SELECT * FROM ") + qt << QStringLiteral(";");
    }
    List << plan.Detach;
    GetSourceDrop(List);
    QStringList createLines, afterRows;
    FAfterRows = &afterRows;
    if (page == tabSource) {
        createLines = txtSource->Lines()->ToStringList();
        List << createLines << QStringLiteral(";");
    } else {
        GetSourceCreate(createLines);
        List << createLines;
        if (backup) {
            // The rows by column: each column of the new table that was
            // loaded takes the values of the column it was loaded as.
            QStringList targets, sources;
            for (int r = 1; r < grdColumn->RowCount(); ++r) {
                const QString name = grdColumn->Cells(colName, r);
                const int pos = grdColumn->Objects(colName, r).toInt();
                if (name.isEmpty() || pos <= 0)
                    continue;
                for (const TTableColumn &c : std::as_const(FLoaded.Columns))
                    if (c.Pos == pos) {
                        targets << QuoteIdentifier(name);
                        sources << QuoteIdentifier(c.Name);
                    }
            }
            if (!targets.isEmpty())
                List << QStringLiteral("INSERT INTO ") + qt
                     << QStringLiteral("  (") + targets.join(QStringLiteral(", ")) + u')'
                     << QStringLiteral("  SELECT ") + sources.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
                            QuoteIdentifier(SchemaName()) + u'.' + QuoteIdentifier(BackupName)
                     << QStringLiteral(";");
        }
    }
    List << afterRows;
    // What the user changed in the storage frame is as the frame says (an
    // option taken out stays out); a source text writes what it says.
    QStringList governed;
    if (page != tabSource) {
        const TStorageSnapshot frame = fraStorage->Snapshot();
        for (const auto &[prefix, half] : {std::pair{QString(), &frame.Table}, std::pair{QStringLiteral("toast."), &frame.Toast}}) {
            if (frame.AutoVacuum.Changed || half->EnabledBox.Changed)
                governed << prefix + QStringLiteral("autovacuum_enabled");
            for (int i = 0; i < AutoVacuumParamCount; ++i)
                if (frame.AutoVacuum.Changed || half->Params[i].Changed)
                    governed << prefix + AutoVacuumOptionName(i);
        }
    }
    List << plan.Restore << RestoreRelOptions(SchemaName(), ObjectName(), plan.RelOptions, createLines, governed);
    // The backup goes in the same transaction once the rows are back; after
    // a rebuild from the source the rows stay in it for the user.
    if (backup && page != tabSource)
        List << QStringLiteral("DROP TABLE ") + QuoteIdentifier(SchemaName()) + u'.' + QuoteIdentifier(BackupName)
             << QStringLiteral(";");
}

void TfrmTable::Compile(QObject *)
{
    if (ReadOnlyState())
        return;
    struct CallFromTable {
        CallFromTable() { tvOption.flgCallFromTbl = true; }
        ~CallFromTable() { tvOption.flgCallFromTbl = false; }
    } callFromTable;
    CommitActiveControl();
    Require(!TrimBlanks(ObjectName()).isEmpty(), QStringLiteral("名前を入力して下さい。"), txtName);
    Require(!TrimBlanks(SchemaName()).isEmpty(), QStringLiteral("スキーマ名を入力して下さい。"), cmbSchema);
    CheckFields();
    if (tvOption.DefaultAutoQuote && ShownPage() == tabDefine)
        QuoteDefaults();

    QStringList list;
    bool rebuild = false;
    QString backup;
    BuildTableCompileList(list, rebuild, backup);
    if (TrimBlanks(list.join(QLatin1Char('\n'))).isEmpty()) {
        ShowMessageBox(QStringLiteral("変更箇所が見つかりませんでした。"), tv::ui::MB_ICONINFORMATION);
        pagObjectChange();
        return;
    }
    const unsigned warn = tv::ui::MB_YESNO | tv::ui::MB_ICONEXCLAMATION | tv::ui::MB_DEFBUTTON2;
    // The rebuild runs in one transaction: a failure changes nothing.
    if (rebuild && backup.isEmpty() && FLoaded.RelKind != u'p' &&
        ShowMessageBox(QStringLiteral("テーブルを再作成する為、既存のデータは全て失われます。\r\nなお、テーブルの作成に失敗し"
                                      "た場合は、テーブルは元のまま残ります。\r\n処理を続行しますか？"),
                       warn) != tv::ui::IDYES)
        return;
    if (rebuild && !backup.isEmpty() && ShownPage() == tabSource &&
        ShowMessageBox(QStringLiteral("ソース修正時には、既存のデータは別テーブルに退避され、再作成後のテーブルは空になりま"
                                      "す。\r\n処理を続行しますか？"),
                       warn) != tv::ui::IDYES)
        return;
    if (!TfrmDDLPreview::ShowWindow(list, SchemaName(), ObjectName()))
        return;
    const bool wasNew = IsNew();
    if (!wasNew)
        SaveBeforeSource();

    IConnectionWindow *owner = OwnerForm();
    if (!owner)
        throw tv::Error(QStringLiteral("接続がありません。"));
    tv::db::Connection &conn = owner->dbsMain();
    conn.StartTransaction();
    int errors = -1;
    try {
        // A rebuild runs whole in this transaction or not at all: nothing
        // of it may go on after a failure.
        errors = TfrmDDLExec::ShowWindow(owner, list, rebuild, true);
    } catch (...) {
        // The execution dialog has logged the failure.
    }
    bool applied = false;
    if (errors == 0)
        applied = CommitApplied(conn);
    else
        RollbackQuietly(conn);
    if (applied) {
        RefreshObjectWindows();
        if (wasNew && fraStorage->Snapshot().Sheet == ssTemporary) {
            SetModified(false);
            TfrmDDLExec::WaitProc();
            ShowMessageBox(QStringLiteral("一時表は「pg_temp」スキーマから\r\n画面を呼び出してご確認ください。"),
                           tv::ui::MB_ICONINFORMATION);
            Close();
            return;
        }
        SetIsNew(false);
        fraStorage->IsInit = false;
        pagObjectChange();
    }
    TfrmDDLExec::WaitProc();
    UpdateActions();
    if (applied)
        SaveAfterSource();
}

// ---------------------------------------------------------------------------
// Data page

void TfrmTable::BuildDataPage()
{
    const auto image = MainWindowImage;
    auto *root = new QVBoxLayout(tabData);
    root->setContentsMargins(0, 0, 0, 0);
    auto *split = new QSplitter(Qt::Vertical);
    split->setObjectName(QStringLiteral("splWhere"));
    pnlWhere = new QWidget;
    pnlWhere->setObjectName(QStringLiteral("pnlWhere"));
    auto *wl = new QVBoxLayout(pnlWhere);
    wl->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    tolField = new QToolBar;
    tolField->setObjectName(QStringLiteral("tolField"));
    auto action = [this, &image](const char *name, const QString &hint, int icon) {
        auto *a = new QAction(image(icon), hint, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        tolField->addAction(a);
        return a;
    };
    btnExec = action("btnExec", QStringLiteral("データを表示"), 28);
    btnField = action("btnField", QStringLiteral("表示項目の指定"), 12);
    btnWhere = action("btnWhere", QStringLiteral("抽出条件・ソート順設定"), 96);
    btnWhere->setCheckable(true);
    btnWhere->setChecked(tvOption.ShowWhereGrid);
    btnGrdWhereClear = action("btnGrdWhereClear", QStringLiteral("抽出条件・ソート順設定クリア"), 117);
    btnExecSQL = action("btnExecSQL", QStringLiteral("指定した条件のSELECT文をクリップボードに出力"), 10);
    connect(btnExec, &QAction::triggered, this, tv::ui::Guarded([this] { Reload(btnExec); }));
    connect(btnField, &QAction::triggered, this, tv::ui::Guarded([this] { btnFieldClick(); }));
    connect(btnWhere, &QAction::triggered, this, tv::ui::Guarded([this] { btnWhereClick(); }));
    connect(btnGrdWhereClear, &QAction::triggered, this, tv::ui::Guarded([this] { btnGrdWhereClearClick(); }));
    connect(btnExecSQL, &QAction::triggered, this, tv::ui::Guarded([this] { btnExecSQLClick(); }));
    bar->addWidget(tolField);
    pnlWhere3 = new QWidget;
    pnlWhere3->setObjectName(QStringLiteral("pnlWhere3"));
    auto *cl = new QHBoxLayout(pnlWhere3);
    cl->setContentsMargins(2, 0, 2, 0);
    cl->addWidget(new QLabel(QStringLiteral(" 条件")));
    cmbWhere = new TtvComboBox;
    cmbWhere->setObjectName(QStringLiteral("cmbWhere"));
    cmbWhere->setEditable(true);
    cmbWhere->setInsertPolicy(QComboBox::NoInsert);
    cmbWhere->setMaxVisibleItems(20);
    cl->addWidget(cmbWhere, 1);
    lblRecord = new QLabel(QStringLiteral("表示件数"));
    lblRecord->setObjectName(QStringLiteral("lblRecord"));
    cl->addWidget(lblRecord);
    txtRecord = new TtvNumEdit;
    txtRecord->setObjectName(QStringLiteral("txtRecord"));
    txtRecord->setMaxLength(9);
    txtRecord->setFixedWidth(70);
    if (FDefTopRecord > 0)
        txtRecord->SetText(QString::number(FDefTopRecord));
    cl->addWidget(txtRecord);
    // Enter in the condition or the row limit shows the rows again (it does
    // not move on to the next box).
    cmbWhere->WantReturns = false;
    txtRecord->WantReturns = false;
    connect(cmbWhere->lineEdit(), &QLineEdit::returnPressed, this, tv::ui::Guarded([this] { pagObjectChange(); }));
    connect(txtRecord, &QLineEdit::returnPressed, this, tv::ui::Guarded([this] { pagObjectChange(); }));
    bar->addWidget(pnlWhere3, 1);
    wl->addLayout(bar);
    grdWhere = new TtvStringGrid;
    grdWhere->setObjectName(QStringLiteral("grdWhere"));
    grdWhere->SetColCount(7);
    grdWhere->SetFixedCols(0);
    grdWhere->SetFixedRows(1);
    grdWhere->SetRowCount(2);
    grdWhere->SetHeader({QStringLiteral("項目名"), QStringLiteral("＝(一致)"), QStringLiteral("＜＞(不一致)"),
                         QStringLiteral("≦(下限値)"), QStringLiteral("≧(上限値)"), QStringLiteral("LIKE(部分一致)"),
                         QStringLiteral("ソート順序")});
    grdWhere->SetOptions(grdWhere->Options() | goEditing | goColSizing);
    grdWhere->OnSelectCell = [this](QObject *, int ACol, int, bool &) {
        TGridOptions o = grdWhere->Options();
        o.setFlag(goEditing, ACol != 0);
        grdWhere->SetOptions(o);
    };
    wl->addWidget(grdWhere, 1);
    split->addWidget(pnlWhere);
    fraData = new TfraData(nullptr, this);
    fraData->setObjectName(QStringLiteral("fraData"));
    split->addWidget(fraData);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 3);
    root->addWidget(split, 1);
    grdWhere->setVisible(btnWhere->isChecked());
    btnGrdWhereClear->setVisible(btnWhere->isChecked());
    btnExecSQL->setVisible(btnWhere->isChecked());
}

QString TfrmTable::RecordCountText() const
{
    return txtRecord->Text();
}

IConnectionWindow *TfrmTable::HostConnectionWindow() const
{
    return OwnerForm();
}

void TfrmTable::FillWhereGrid()
{
    if (grdWhere->EditorMode())
        grdWhere->HideEditor();
    // What the user typed, by column name.
    QHash<QString, QStringList> typed;
    for (int r = 1; r < grdWhere->RowCount(); ++r) {
        const QString name = grdWhere->Cells(0, r);
        if (name.isEmpty())
            continue;
        QStringList cells;
        for (int c = 1; c < 7; ++c)
            cells << grdWhere->Cells(c, r);
        typed.insert(name, cells);
    }
    QStringList names;
    for (const TTableColumn &c : std::as_const(FLoaded.Columns))
        names << c.Name;
    grdWhere->Clear();
    grdWhere->SetRowCount(std::max<int>(2, int(names.size()) + 1));
    for (int i = 0; i < FLoaded.Columns.size(); ++i) {
        const TTableColumn &col = FLoaded.Columns.at(i);
        DataPageSQL::TWhereRow row;
        row.Column = col.Name;
        const QStringList cells = typed.value(col.Name, QStringList(6, QString()));
        for (int c = 1; c < 7; ++c)
            row.Cells[c] = cells.value(c - 1);
        if (tvOption.WhereAutoQuote && DataPageSQL::CharacterType(col.Type))
            DataPageSQL::QuoteCells(row, true);
        QStringList line{row.Column};
        for (int c = 1; c < 7; ++c)
            line << row.Cells[c];
        grdWhere->SetRows(i + 1, line);
    }
    // The shown fields: those that are still columns, else all.
    QStringList shown;
    for (const QString &f : std::as_const(FShowFld))
        if (names.contains(f))
            shown << f;
    FShowFld = shown.isEmpty() ? names : shown;
}

QString TfrmTable::GetDataSQL()
{
    if (!DataPageSQL::LimitValid(txtRecord->Text())) {
        ShowMessageBox(QStringLiteral("表示件数には1以上の整数を入力して下さい。"), tv::ui::MB_ICONEXCLAMATION);
        txtRecord->setFocus();
        throw tv::SilentAbort();
    }
    if (FShowFld.isEmpty())
        return QString();
    QList<DataPageSQL::TWhereRow> rows;
    for (int r = 1; r < grdWhere->RowCount(); ++r) {
        DataPageSQL::TWhereRow row;
        row.Column = grdWhere->Cells(0, r);
        if (row.Column.isEmpty())
            continue;
        for (int c = 1; c < 7; ++c)
            row.Cells[c] = grdWhere->Cells(c, r);
        rows << row;
    }
    const QString free = cmbWhere->Text();
    const QString sql = DataPageSQL::Build(FShowFld, SchemaName(), ObjectName(), rows, free);
    for (int i = 0; i < rows.size(); ++i)
        grdWhere->SetCells(6, i + 1, rows.at(i).Cells[6]);
    if (!free.isEmpty()) {
        QStringList items;
        for (int i = 0; i < cmbWhere->count(); ++i)
            items << cmbWhere->itemText(i);
        DataPageSQL::PushHistory(items, free);
        {
            const QSignalBlocker block(cmbWhere);
            cmbWhere->clear();
            cmbWhere->addItems(items);
            cmbWhere->setCurrentIndex(0);
        }
        SaveWhereHistory(SchemaName(), ObjectName(), items);
    }
    return sql;
}

void TfrmTable::ShowData()
{
    if (!FHistoryLoaded) {
        FHistoryLoaded = true;
        QStringList items;
        LoadWhereHistory(SchemaName(), ObjectName(), items);
        const QSignalBlocker block(cmbWhere);
        cmbWhere->addItems(items);
        cmbWhere->setCurrentIndex(-1);
        cmbWhere->setEditText(QString());
    }
    FillWhereGrid();
    SetModified(false);
    // The statement first: a refused row limit leaves the rows shown.
    const QString sql = GetDataSQL();
    fraData->SetConnection(&OwnerForm()->dbsMain());
    fraData->SetTableName(SchemaName() + u'.' + ObjectName());
    fraData->SetSQL(sql);
    if (!sql.isEmpty()) {
        fraData->Prepare();
        fraData->Open();
    }
    grdWhere->MoveCurrent(1, 1);
}

void TfrmTable::btnFieldClick()
{
    if (IsNew())
        return;
    if (TfrmFieldList::ShowWindow(OwnerForm(), SchemaName(), ObjectName(), FShowFld))
        Reload(btnField);
}

void TfrmTable::btnWhereClick()
{
    const bool on = btnWhere->isChecked();
    grdWhere->setVisible(on);
    btnGrdWhereClear->setVisible(on);
    btnExecSQL->setVisible(on);
}

void TfrmTable::btnGrdWhereClearClick()
{
    if (ShowMessageBox(QStringLiteral("抽出条件・ソート順をクリアしますか？"),
                       tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) != tv::ui::IDYES)
        return;
    for (int r = 1; r < grdWhere->RowCount(); ++r)
        for (int c = 1; c < 7; ++c)
            grdWhere->SetCells(c, r, QString());
}

void TfrmTable::btnExecSQLClick()
{
    if (grdWhere->EditorMode())
        grdWhere->HideEditor();
    const QString sql = GetDataSQL();
    QApplication::clipboard()->setText(sql);
    ShowMessageBox(QStringLiteral("指定した条件のSELECT文を、\r\nクリップボードに出力しました。"),
                   tv::ui::MB_ICONINFORMATION);
}
