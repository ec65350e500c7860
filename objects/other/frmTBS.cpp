#include "objects/other/frmTBS.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/ObjectType.h"
#include "common/Quote.h"
#include "common/TextUtil.h"
#include "controls/tvCheckListBox.h"
#include "controls/tvListView.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "objects/other/ListDropLoop.h"
#include "objects/other/SideConnectionWindow.h"
#include "objects/table/DropDownComboBox.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "platform/ui/WaitCursor.h"
#include "shell/ListItemImage.h"
#include "shell/frmDDLExec.h"
#include "shell/frmDDLPreview.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QRegularExpression>
#include <QUuid>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using tv::ui::SqlWaitCursor;

namespace {

const char *const OptionNames[] = {"random_page_cost", "seq_page_cost"};

// The value column takes decimal numbers only.
class CostDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &o, const QModelIndex &i) const override
    {
        QWidget *w = QStyledItemDelegate::createEditor(parent, o, i);
        if (auto *e = qobject_cast<QLineEdit *>(w))
            e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*\\.?[0-9]*")), e));
        return w;
    }
};

QString UserName(IConnectionWindow *Owner)
{
    return Owner ? Owner->dbsMain().Params().User_Name : QString();
}

} // namespace

const TDefinitionKind &TfrmTBS::TbsKind()
{
    static const TDefinitionKind kind = [] {
        TDefinitionKind k;
        k.ObjType = 69;
        k.CaptionPrefix = QStringLiteral("TABLESPACE - ");
        k.CaptionKind = 7;
        k.GuiKey = QStringLiteral("TBS");
        k.Keyword = QStringLiteral("TABLESPACE");
        k.RefreshesLists = false;
        k.HasSchema = false;
        k.WrapsToolBar = false;
        return k;
    }();
    return kind;
}

// ---------------------------------------------------------------------------
// Opening and scripts

TfrmTBS *TfrmTBS::Open(IConnectionWindow *AOwner, const QString &ObjectName, TOpenMode OpenMode)
{
    if (!ObjectName.isEmpty() && BringTwinForward<TfrmTBS>(CaptionFor(AOwner, TbsKind(), QString(), ObjectName)))
        throw tv::SilentAbort();
    return ShowBuilt(new TfrmTBS(AOwner), QString(), ObjectName, OpenMode);
}

bool TfrmTBS::ScriptLines(IConnectionWindow *AOwner, const QString &ObjectName, QStringList &Lines)
{
    if (!AOwner)
        return false;
    tv::db::Query q(&AOwner->dbsMain());
    const std::optional<TTablespaceDefinition> def = LoadTablespaceDefinition(q, ObjectName, AOwner->DBVer());
    if (!def)
        return false;
    TablespaceDDL::Create(*def, Lines, false);
    return true;
}

void TfrmTBS::GetScript(IConnectionWindow *AOwner, const QString &ObjectName, QIODevice &Stream)
{
    QStringList lines;
    if (ScriptLines(AOwner, ObjectName, lines))
        WriteScript(Stream, lines);
    throw tv::SilentAbort();
}

// ---------------------------------------------------------------------------
// Construction

TfrmTBS::TfrmTBS(IConnectionWindow *AOwner) : TfrmDefinition(AOwner, TbsKind())
{
    qryTBS = NewQuery();
    qryContents = NewQuery();
    qryRole = NewQuery();
    // The tool bar: compile, delete, refresh, exit, then the name.
    tolCmd->removeAction(actRefresh);
    tolCmd->insertAction(actExit, actRefresh);
    BuildDefinePage();
    BuildContentsPage();
    // Deleting a tablespace runs outside any transaction.
    disconnect(actDelete, &QAction::triggered, nullptr, nullptr);
    connect(actDelete, &QAction::triggered, this, tv::ui::Guarded([this] { DeleteTablespace(); }));
    ShowRoleList();
}

void TfrmTBS::BuildDefinePage()
{
    auto *root = new QVBoxLayout(tabDefine);
    auto *grid = new QGridLayout;
    root->addLayout(grid);
    cmbOwner = new TDropDownComboBox;
    cmbOwner->setObjectName(QStringLiteral("cmbOwner"));
    cmbOwner->setMinimumWidth(180);
    cmbOwner->OnDropDown = [this] { FillOwners(); };
    cmbOwner->OnChange = [this](QObject *) {
        if (!FLoading)
            Changed();
    };
    grid->addWidget(new QLabel(QStringLiteral("所有者")), 0, 0);
    grid->addWidget(cmbOwner, 0, 1, Qt::AlignLeft);

    txtDir = new TtvStrEdit;
    txtDir->setObjectName(QStringLiteral("txtDir"));
    txtDir->OnChange = [this](QObject *) {
        if (!FLoading)
            Changed();
    };
    btnDir = new QToolButton;
    btnDir->setObjectName(QStringLiteral("btnDir"));
    btnDir->setText(QStringLiteral("..."));
    connect(btnDir, &QToolButton::clicked, this, tv::ui::Guarded([this] { btnDirClick(); }));
    auto *dir = new QHBoxLayout;
    dir->setSpacing(2);
    dir->addWidget(txtDir, 1);
    dir->addWidget(btnDir);
    grid->addWidget(new QLabel(QStringLiteral("ディレクトリ")), 1, 0);
    grid->addLayout(dir, 1, 1);

    grdTbsOption = new QTableWidget(2, 2);
    grdTbsOption->setObjectName(QStringLiteral("grdTbsOption"));
    grdTbsOption->setHorizontalHeaderLabels({QStringLiteral("パラメータ名"), QStringLiteral("値")});
    grdTbsOption->verticalHeader()->hide();
    grdTbsOption->horizontalHeader()->setStretchLastSection(true);
    grdTbsOption->setColumnWidth(0, 160);
    grdTbsOption->setItemDelegateForColumn(1, new CostDelegate(grdTbsOption));
    grdTbsOption->setEditTriggers(QAbstractItemView::AllEditTriggers);
    grdTbsOption->setMaximumHeight(90);
    for (int r = 0; r < 2; ++r) {
        auto *name = new QTableWidgetItem(QString::fromLatin1(OptionNames[r]));
        name->setFlags(Qt::ItemIsEnabled);
        grdTbsOption->setItem(r, 0, name);
        grdTbsOption->setItem(r, 1, new QTableWidgetItem);
    }
    connect(grdTbsOption, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { L_sGrdOldValue = OptionValue(row); });
    connect(grdTbsOption, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (FLoading || item->column() != 1)
            return;
        if (item->text() != L_sGrdOldValue)
            Changed();
        L_sGrdOldValue = item->text();
    });
    grid->addWidget(grdTbsOption, 2, 0, 1, 2);

    root->addWidget(new QLabel(QStringLiteral("ロール / GRANT OPTION")));
    chkRole = new TtvCheckListBox;
    chkRole->setObjectName(QStringLiteral("chkRole"));
    chkRole->OnClickCheckL = [this](QObject *) { Changed(); };
    chkRole->OnClickCheckR = [this](QObject *) { Changed(); };
    root->addWidget(chkRole, 1);
}

void TfrmTBS::BuildContentsPage()
{
    tabContents = new QWidget;
    tabContents->setObjectName(QStringLiteral("tabContents"));
    auto *root = new QVBoxLayout(tabContents);
    root->setContentsMargins(2, 2, 2, 2);
    auto *top = new QHBoxLayout;
    lblAllUseSize = new QLabel;
    lblAllUseSize->setObjectName(QStringLiteral("lblAllUseSize"));
    lblSelfUseSize = new QLabel;
    lblSelfUseSize->setObjectName(QStringLiteral("lblSelfUseSize"));
    top->addWidget(new QLabel(QStringLiteral("全データベースの使用量")));
    top->addWidget(lblAllUseSize);
    top->addWidget(new QLabel(QStringLiteral("KB")));
    top->addSpacing(16);
    top->addWidget(new QLabel(QStringLiteral("接続データベースの使用量")));
    top->addWidget(lblSelfUseSize);
    top->addWidget(new QLabel(QStringLiteral("KB")));
    top->addStretch(1);

    const auto image = MainWindowImage;
    actOpenObject = new QAction(image(17), QStringLiteral("オブジェクトを開く"), this);
    actOpenObject->setObjectName(QStringLiteral("actOpenObject"));
    actDelObject = new QAction(image(41), QStringLiteral("オブジェクトを削除"), this);
    actDelObject->setObjectName(QStringLiteral("actDelObject"));
    actMoveTBS = new QAction(QStringLiteral("別のテーブルスペースに格納する"), this);
    actMoveTBS->setObjectName(QStringLiteral("actMoveTBS"));
    connect(actOpenObject, &QAction::triggered, this, tv::ui::Guarded([this] { actOpenObjectExecute(); }));
    connect(actDelObject, &QAction::triggered, this, tv::ui::Guarded([this] { actDelObjectExecute(); }));
    connect(actMoveTBS, &QAction::triggered, this, tv::ui::Guarded([this] { actMoveTBSExecute(); }));
    btnMoveTBS = new QPushButton(actMoveTBS->text());
    btnMoveTBS->setObjectName(QStringLiteral("btnMoveTBS"));
    connect(btnMoveTBS, &QPushButton::clicked, actMoveTBS, &QAction::trigger);
    top->addWidget(btnMoveTBS);
    root->addLayout(top);

    lstObject = new TtvListView;
    lstObject->setObjectName(QStringLiteral("lstObject"));
    lstObject->SetMultiSelect(true);
    lstObject->AddColumn(QStringLiteral("オブジェクト名"), 200);
    lstObject->AddColumn(QStringLiteral("タイプ"), 120);
    lstObject->AddColumn(QStringLiteral("スキーマ"), 100);
    lstObject->AddColumn(QStringLiteral("所有者"), 100);
    lstObject->AddColumn(QStringLiteral("サイズ(KB)"), 120, Qt::AlignRight);
    lstObject->SetSortID(1);   // by name until a header is clicked
    lstObject->setUniformRowHeights(true);   // tens of thousands of rows: one height
    lstObject->setContextMenuPolicy(Qt::ActionsContextMenu);
    lstObject->addAction(actOpenObject);
    lstObject->addAction(actDelObject);
    lstObject->addAction(actMoveTBS);
    connect(lstObject, &QTreeWidget::itemDoubleClicked, this,
            tv::ui::Guarded([this](QTreeWidgetItem *, int) { actOpenObjectExecute(); }));
    lstObject->installEventFilter(this);
    root->addWidget(lstObject, 1);
    pagObject->addTab(tabContents, QStringLiteral("格納オブジェクト"));
}

bool TfrmTBS::eventFilter(QObject *o, QEvent *e)
{
    if (o == lstObject && e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            tv::ui::Guard([this] { actOpenObjectExecute(); });
            return true;
        }
        if (k->key() == Qt::Key_Delete) {
            tv::ui::Guard([this] { actDelObjectExecute(); });
            return true;
        }
    }
    return TfrmDefinition::eventFilter(o, e);
}

void TfrmTBS::ShowRoleList()
{
    chkRole->clear();
    if (!OwnerForm())
        return;
    qryRole->Close();
    qryRole->SetSQL(TablespaceSQL::Roles());
    qryRole->Open();
    while (!qryRole->Eof()) {
        chkRole->addItem(qryRole->Fields(0).AsString());
        qryRole->Next();
    }
    qryRole->Close();
}

void TfrmTBS::FillOwners()
{
    const bool wasLoading = FLoading;
    FLoading = true;
    const QString keep = cmbOwner->Text();
    cmbOwner->clear();
    qryRole->Close();
    qryRole->SetSQL(TablespaceSQL::Owners());
    qryRole->Open();
    while (!qryRole->Eof()) {
        cmbOwner->addItem(qryRole->Fields(0).AsString());
        qryRole->Next();
    }
    qryRole->Close();
    cmbOwner->SetText(keep);
    FLoading = wasLoading;
}

// ---------------------------------------------------------------------------
// Load

void TfrmTBS::SetOption(int Row, const QString &Value)
{
    grdTbsOption->item(Row, 1)->setText(Value);
}

QString TfrmTBS::OptionValue(int Row) const
{
    const QTableWidgetItem *i = grdTbsOption->item(Row, 1);
    return i ? i->text() : QString();
}

TTablespaceDefinition TfrmTBS::CurrentDefinition() const
{
    TTablespaceDefinition d;
    d.Name = txtName->Text();
    d.Owner = cmbOwner->Text();
    d.Location = txtDir->Text();
    d.RandomPageCost = OptionValue(0);
    d.SeqPageCost = OptionValue(1);
    for (int i = 0; i < chkRole->count(); ++i)
        d.Grants << TTablespaceGrant{chkRole->item(i)->text(), chkRole->GetCheckedL(i), chkRole->GetCheckedR(i)};
    return d;
}

void TfrmTBS::ShowDefine()
{
    struct Loading {
        bool &f;
        explicit Loading(bool &flag) : f(flag) { f = true; }
        ~Loading() { f = false; }
    } loading(FLoading);
    SetOption(0, QString());
    SetOption(1, QString());
    QList<TTablespaceGrant> grants;
    for (int i = 0; i < chkRole->count(); ++i) {
        chkRole->SetCheckedL(i, false);
        chkRole->SetCheckedR(i, false);
        grants << TTablespaceGrant{chkRole->item(i)->text()};
    }
    FillOwners();
    if (IsNew()) {
        txtName->SetText(QString());
        cmbOwner->SetText(UserName(OwnerForm()));
        txtDir->SetText(DBVer() >= 90100 ? QStringLiteral("C:\\") : QStringLiteral("C:/"));
        FLoaded = CurrentDefinition();
    } else {
        const std::optional<TTablespaceDefinition> def =
            LoadTablespaceDefinition(*qryTBS, txtName->Text(), DBVer(), grants);
        if (!def) {
            if (SourceMode == smShow)
                ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), tv::ui::MB_ICONSTOP);
            throw tv::SilentAbort();
        }
        cmbOwner->SetText(def->Owner);
        txtDir->SetText(def->Location);
        SetOption(0, def->RandomPageCost);
        SetOption(1, def->SeqPageCost);
        for (int i = 0; i < def->Grants.size() && i < chkRole->count(); ++i) {
            chkRole->SetCheckedL(i, def->Grants[i].Create);
            chkRole->SetCheckedR(i, def->Grants[i].GrantOption);
        }
        FLoaded = CurrentDefinition();
    }
    txtDir->Save();
    cmbOwner->Save();
    chkRole->Save();
    L_sGrdOldValue = OptionValue(std::max(0, grdTbsOption->currentRow()));
    RefreshSource();
    if (!IsNew() && ShownPage() == tabContents)
        ShowContents();
}

// ---------------------------------------------------------------------------
// DDL

void TfrmTBS::GetSourceCreate(QStringList &List)
{
    TablespaceDDL::Create(CurrentDefinition(), List, true);
}

void TfrmTBS::GetSourceAlter(QStringList &List)
{
    TablespaceDDL::Alter(FLoaded, CurrentDefinition(), List);
}

void TfrmTBS::GetSourceDrop(QStringList &List)
{
    TablespaceDDL::Drop(txtName->Text(), List);
}

bool TfrmTBS::IsCreate()
{
    return IsNew() || SourceMode == smText || ShownPage() == tabSource || txtDir->Text() != FLoaded.Location;
}

QString TfrmTBS::DropStatement(bool)
{
    return TablespaceDDL::DropStatement(txtName->Text());
}

void TfrmTBS::RunDDL(QStringList &List)
{
    IConnectionWindow *owner = OwnerForm();
    if (!owner)
        throw tv::Error(QStringLiteral("接続がありません。"));
    std::unique_ptr<TSideConnectionWindow> side;
    if (TSideConnectionWindow::Needed(owner))
        side = std::make_unique<TSideConnectionWindow>(owner);
    int errors = 1;
    try {
        errors = TfrmDDLExec::ShowWindow(side ? static_cast<IConnectionWindow *>(side.get()) : owner, List);
    } catch (const tv::SilentAbort &) {
        // Stopped: the dialog logged why.
    }
    TfrmDDLExec::WaitProc();
    if (errors != 0)
        throw tv::SilentAbort();
}

void TfrmTBS::Compile(QObject *)
{
    CommitActiveControl();
    Require(!TrimBlanks(ObjectName()).isEmpty(), QStringLiteral("名前を入力して下さい。"), txtName);
    Require(!TrimBlanks(txtDir->Text()).isEmpty(), QStringLiteral("ディレクトリを入力して下さい。"), txtDir);

    QStringList list;
    BuildCompileList(list);
    if (TrimBlanks(list.join(QLatin1Char('\n'))).isEmpty()) {
        ShowMessageBox(QStringLiteral("変更箇所が見つかりませんでした。"), tv::ui::MB_ICONEXCLAMATION);
        SetIsNew(false);
        pagObjectChange();
        return;
    }
    if (!TfrmDDLPreview::ShowWindow(list, QString(), ObjectName()))
        return;
    // DROP and CREATE TABLESPACE cannot run in one transaction: what the
    // server would refuse in the CREATE is checked before the drop.
    const bool recreate = !IsNew() && IsCreate();
    if (recreate)
        CheckRecreate(list);
    if (!IsNew())
        SaveBeforeSource();
    // A failed statement keeps the window as the user left it.
    try {
        RunDDL(list);
    } catch (const tv::SilentAbort &) {
        if (recreate && !TablespaceExists(FLoaded.Name))
            ShowMessageBox(QStringLiteral("表領域 %1 は削除されましたが、作成できませんでした。"
                                          "表領域は現在ありません。")
                               .arg(FLoaded.Name),
                           tv::ui::MB_ICONSTOP);
        throw;
    }
    SaveAfterSource();
    SetIsNew(false);
    pagObjectChange();
    UpdateActions();
}

void TfrmTBS::DeleteTablespace()
{
    if (IsNew())
        return;
    if (ShowMessageBox(QStringLiteral("オブジェクトを削除しますか？"),
                       tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
        return;
    try {
        SqlWaitCursor wait;
        IConnectionWindow *owner = OwnerForm();
        if (TSideConnectionWindow::Needed(owner))
            TSideConnectionWindow(owner).ExecuteSQL(DropStatement(false));
        else
            owner->ExecuteSQL(DropStatement(false));
    } catch (const tv::Error &e) {
        ShowMessageBox(e.text(), tv::ui::MB_ICONINFORMATION);
        return;
    }
    ShowMessageBox(QStringLiteral("オブジェクトが削除されました。"), tv::ui::MB_ICONINFORMATION);
    SetModified(false);
    Close();
}

void TfrmTBS::btnDirClick()
{
    QString dir = tv::ui::CurrentDialogs().selectFolder(QStringLiteral("出力先を選択して下さい。"), txtDir->Text());
    if (dir.isEmpty())
        return;
    if (DBVer() < 90100)
        dir.replace(QLatin1Char('\\'), QLatin1Char('/'));
    txtDir->SetText(dir);
}

void TfrmTBS::UpdateActions()
{
    TfrmDefinition::UpdateActions();
    const bool selection = !lstObject->selectedItems().isEmpty();
    actOpenObject->setEnabled(selection);
    actDelObject->setEnabled(selection);
    const bool move = DBVer() >= 90400;
    actMoveTBS->setEnabled(move);
    actMoveTBS->setVisible(move);
    btnMoveTBS->setVisible(move);
}

// ---------------------------------------------------------------------------
// Contents

bool TfrmTBS::IsSuperUser()
{
    qryContents->Close();
    qryContents->SetSQL(TablespaceSQL::IsSuperUser());
    qryContents->ParamByName(QStringLiteral("USER_NAME")).setAsString(UserName(OwnerForm()));
    qryContents->Open();
    const bool super = !qryContents->Eof() && qryContents->Fields(0).AsBoolean();
    qryContents->Close();
    return super;
}

void TfrmTBS::ShowContents()
{
    lstObject->clear();
    SqlWaitCursor wait;
    lblAllUseSize->clear();
    IMainWindow *m = MainWindow();
    struct Restore {
        IMainWindow *m;
        TtvListView *l;
        ~Restore()
        {
            l->setUpdatesEnabled(true);
            if (m)
                m->SetDefMessage();
        }
    } restore{m, lstObject};
    if (IsSuperUser()) {
        qryContents->SetSQL(TablespaceSQL::AllDbSize());
        qryContents->ParamByName(QStringLiteral("TBS_NAME")).setAsString(txtName->Text());
        qryContents->Open();
        if (!qryContents->Eof())
            lblAllUseSize->setText(TablespaceContents::FormatKB(double(qryContents->Fields(0).AsString().toLongLong()) / 1024));
        qryContents->Close();
    } else {
        lblAllUseSize->setText(QStringLiteral("(非表示)"));
    }
    if (m)
        m->SetLoopMessage(0, 0);
    const bool progress = tvOption.Progress;
    if (!progress)
        lstObject->setUpdatesEnabled(false);
    qryContents->SetSQL(TablespaceSQL::Contents());
    qryContents->ParamByName(QStringLiteral("DB_NAME")).setAsString(OwnerForm()->dbsMain().Params().Database);
    qryContents->ParamByName(QStringLiteral("TBL_SPACE")).setAsString(txtName->Text());
    qryContents->Open();
    double total = 0;
    QElapsedTimer paint;
    paint.start();
    QList<QTreeWidgetItem *> batch;
    while (!qryContents->Eof()) {
        if (tv::ui::EscapePressed())
            break;
        const QString type = qryContents->Fields(2).AsString();
        const double kb = qryContents->Fields(5).AsString().toDouble() / 1024;
        auto *item = new TtvListItem(qryContents->Fields(1).AsString(),
                                     {type, qryContents->Fields(3).AsString(), qryContents->Fields(4).AsString(),
                                      TablespaceContents::FormatKB(kb)});
        SetItemImageIndex(item, ObjectTypeFromName(type));
        if (m)
            item->setIcon(0, m->MainImage(ObjectTypeFromName(type)));
        batch << item;
        total += kb;
        // With progress on, the rows show as they come, a repaint at a time.
        if (progress && paint.elapsed() > 100) {
            lstObject->addTopLevelItems(batch);
            batch.clear();
            lstObject->viewport()->repaint();
            paint.restart();
        }
        qryContents->Next();
    }
    qryContents->Close();
    lstObject->addTopLevelItems(batch);
    lstObject->CustomSort();
    lblSelfUseSize->setText(TablespaceContents::FormatKB(total));
}

void TfrmTBS::actOpenObjectExecute()
{
    auto *form = dynamic_cast<TfrmObject *>(OwnerForm());
    const QList<TtvListItem *> items = lstObject->SelectedItems();
    IMainWindow *m = MainWindow();
    int i = 0;
    for (TtvListItem *item : items) {
        if (tv::ui::EscapePressed())
            break;
        if (m)
            m->SetLoopMessage(++i, int(items.size()));
        if (form)
            form->OpenObject(ItemImageIndex(item), item->SubItem(1), item->Caption(), tvOption.OpenMode, false, 0, -1);
        item->setSelected(false);
    }
    if (m)
        m->SetDefMessage();
}

void TfrmTBS::actDelObjectExecute()
{
    const QList<TtvListItem *> items = lstObject->SelectedItems();
    if (items.isEmpty())
        return;
    bool cascadeOffered = false;
    for (TtvListItem *item : items) {
        const int code = ItemImageIndex(item);
        cascadeOffered = cascadeOffered || code == 45 || code == 46 || code == 58 || code == 61;
    }
    bool delErr = tvOption.DelErr;
    bool cascade = false;
    TCheckList checks{{QStringLiteral("削除時のエラーを無視する"), &delErr}};
    if (cascadeOffered)
        checks.append({QStringLiteral("CASCADE オプション"), &cascade});
    const int answer = ShowCheckMessageDialog(QStringLiteral("オブジェクトを削除しますか？"),
                                              tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2,
                                              checks);
    tvOption.DelErr = delErr;
    if (answer != tv::ui::IDYES)
        return;
    IConnectionWindow *owner = OwnerForm();
    const TListDropResult r = DropSelectedItems(
        lstObject, delErr, &owner->dbsMain(),
        [cascade](TtvListItem *item) {
            return TablespaceContents::DropStatement(ItemImageIndex(item), item->SubItem(1), item->Caption(), cascade);
        },
        [owner](const QString &sql) { owner->ExecuteSQL(sql); });
    if (r.Dropped > 0)
        ShowMessageBox(QStringLiteral("オブジェクトが削除されました。"), tv::ui::MB_ICONINFORMATION);
}

int TfrmTBS::ShowMoveDialog(TTablespaceMove &Move)
{
    QDialog dlg(MainWindow() ? MainWindow()->MainWidget() : this);
    dlg.setObjectName(QStringLiteral("frmMove"));
    dlg.setWindowTitle(QStringLiteral("移動"));
    dlg.resize(300, 240);
    QFont f = font();
    f.setPointSize(10);
    f.setFamily(QStringLiteral("ＭＳ ゴシック"));
    dlg.setFont(f);
    auto *l = new QVBoxLayout(&dlg);
    l->addWidget(new QLabel(QStringLiteral("移動先テーブルスペース選択")));
    auto *cmb = new QComboBox;
    cmb->setObjectName(QStringLiteral("cmbTarget"));
    cmb->setEditable(true);
    qryRole->Close();
    qryRole->SetSQL(TablespaceSQL::Names());
    qryRole->Open();
    while (!qryRole->Eof()) {
        cmb->addItem(qryRole->Fields(0).AsString());
        qryRole->Next();
    }
    qryRole->Close();
    cmb->setCurrentIndex(-1);
    l->addWidget(cmb);
    l->addWidget(new QLabel(QStringLiteral("オブジェクトタイプ選択")));
    auto *table = new QCheckBox(QStringLiteral("TABLE"));
    table->setObjectName(QStringLiteral("chkTable"));
    auto *index = new QCheckBox(QStringLiteral("INDEX"));
    index->setObjectName(QStringLiteral("chkIndex"));
    auto *mview = new QCheckBox(QStringLiteral("MATERIALIZED VIEW"));
    mview->setObjectName(QStringLiteral("chkMView"));
    l->addWidget(table);
    l->addWidget(index);
    l->addWidget(mview);
    l->addWidget(new QLabel(QStringLiteral("所有者指定オプション")));
    auto *owners = new QLineEdit;
    owners->setObjectName(QStringLiteral("txtOwner"));
    l->addWidget(owners);
    auto *buttons = new QHBoxLayout;
    auto *ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("キャンセル"));
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, &dlg, &QDialog::reject);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    l->addLayout(buttons);
    if (dlg.exec() != QDialog::Accepted)
        return 2;
    Move.Target = cmb->currentText();
    Move.Table = table->isChecked();
    Move.Index = index->isChecked();
    Move.MView = mview->isChecked();
    Move.Owners = owners->text();
    return 1;
}

void TfrmTBS::actMoveTBSExecute()
{
    if (DBVer() < 90400)
        return;
    TTablespaceMove move;
    if (ShowMoveDialog(move) != 1 || move.Target.isEmpty() || !(move.Table || move.Index || move.MView))
        return;
    if (move.Target == txtName->Text()) {
        ShowMessageBox(QStringLiteral("移動元と移動先が同じです。\r\n別のテーブルスペースを選択してください。"),
                       tv::ui::MB_ICONEXCLAMATION);
        return;
    }
    {
        SqlWaitCursor wait;
        for (const QString &sql : TablespaceContents::MoveStatements(txtName->Text(), move.Target, move.Table,
                                                                     move.Index, move.MView, move.Owners)) {
            qryTBS->Close();
            qryTBS->SetParamParsing(false);
            qryTBS->SetSQL(sql);
            qryTBS->ExecSQL();
        }
        qryTBS->SetParamParsing(true);
    }
    ShowMessageBox(QStringLiteral("オブジェクトを移動しました。"), tv::ui::MB_ICONINFORMATION);
    Reload(this);
}

bool TfrmTBS::TablespaceExists(const QString &Name)
{
    tv::db::Query q(&OwnerForm()->dbsMain());
    q.SetSQL(QStringLiteral("SELECT 1 FROM pg_tablespace WHERE spcname = :NAME"));
    q.ParamByName(QStringLiteral("NAME")).setAsString(Name);
    q.Open();
    return !q.Eof();
}

namespace {

// Two spellings of one directory as the server keeps a location: repeated
// and trailing slashes do not count.
bool SameLocation(QString A, QString B)
{
    for (QString *s : {&A, &B}) {
        while (s->contains(QStringLiteral("//")))
            s->replace(QStringLiteral("//"), QStringLiteral("/"));
        while (s->size() > 1 && s->endsWith(u'/'))
            s->chop(1);
    }
    return A == B;
}

} // namespace

void TfrmTBS::CheckRecreate(const QStringList &List)
{
    // The name and location the compile creates.
    QString name = ObjectName(), location = txtDir->Text();
    const QString text = List.join(u'\n');
    static const QRegularExpression create(
        QStringLiteral("CREATE\\s+TABLESPACE\\s+(\"(?:[^\"]|\"\")*\"|[^\\s\"]+)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression at(QStringLiteral("LOCATION\\s+'((?:[^']|'')*)'"),
                                       QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = create.match(text); m.hasMatch()) {
        name = m.captured(1);
        name = name.startsWith(u'"') ? name.mid(1, name.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""))
                                     : name.toLower();
    }
    if (const QRegularExpressionMatch m = at.match(text); m.hasMatch())
        location = m.captured(1).replace(QStringLiteral("''"), QStringLiteral("'"));
    auto refuse = [this](const QString &Message) {
        ShowMessageBox(Message + QStringLiteral("\r\n表領域は削除していません。"), tv::ui::MB_ICONEXCLAMATION);
        throw tv::SilentAbort();
    };
    if (name != FLoaded.Name && TablespaceExists(name))
        refuse(QStringLiteral("表領域 %1 は既に存在します。").arg(name));
    if (SameLocation(location, FLoaded.Location))
        return; // emptied by the drop
    // The server's files can be looked at only with the right to read them.
    tv::db::Query q(&OwnerForm()->dbsMain());
    q.SetSQL(QStringLiteral("SELECT has_function_privilege('pg_stat_file(text, boolean)', 'EXECUTE')"
                            " AND has_function_privilege('pg_ls_dir(text, boolean, boolean)', 'EXECUTE')"));
    q.Open();
    if (q.Eof() || !q.Fields(0).AsBoolean())
        return;
    q.Close();
    q.SetSQL(QStringLiteral("SELECT isdir FROM pg_stat_file(:DIR, true)"));
    q.ParamByName(QStringLiteral("DIR")).setAsString(location);
    q.Open();
    if (q.Eof() || q.Fields(0).IsNull())
        refuse(QStringLiteral("ディレクトリ %1 がありません。").arg(location));
    if (!q.Fields(0).AsBoolean())
        refuse(QStringLiteral("%1 はディレクトリではありません。").arg(location));
    q.Close();
    q.SetSQL(QStringLiteral("SELECT count(*) FROM pg_ls_dir(:DIR, true, false)"));
    q.ParamByName(QStringLiteral("DIR")).setAsString(location);
    q.Open();
    if (!q.Eof() && q.Fields(0).AsInteger() > 0)
        refuse(QStringLiteral("ディレクトリ %1 は空ではありません。").arg(location));
    q.Close();
    CheckLocationUsable(location, refuse);
}

void TfrmTBS::CheckLocationUsable(const QString &Location, const std::function<void(const QString &)> &Refuse)
{
    // No function tells a directory's owner or whether the server may take
    // it: a tablespace of a name no one uses is made there and dropped
    // again, on a connection of its own outside any transaction, as the
    // compile's own CREATE would run.
    IConnectionWindow *owner = OwnerForm();
    std::unique_ptr<TSideConnectionWindow> side;
    if (TSideConnectionWindow::Needed(owner))
        side = std::make_unique<TSideConnectionWindow>(owner);
    IConnectionWindow *run = side ? static_cast<IConnectionWindow *>(side.get()) : owner;
    const QString scratch = QStringLiteral("tvx_location_check_") +
                            QUuid::createUuid().toString(QUuid::Id128);
    try {
        SqlWaitCursor wait;
        run->ExecuteSQL(QStringLiteral("CREATE TABLESPACE ") + QuoteIdentifier(scratch) +
                        QStringLiteral(" LOCATION ") + QuoteLiteral(Location));
    } catch (const tv::Error &e) {
        Refuse(e.text());
    }
    run->ExecuteSQL(QStringLiteral("DROP TABLESPACE ") + QuoteIdentifier(scratch));
}
