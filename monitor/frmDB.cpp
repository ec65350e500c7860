#include "monitor/frmDB.h"

#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "controls/tvComboBox.h"
#include "controls/tvListBox.h"
#include "controls/tvListView.h"
#include "controls/tvStrEdit.h"
#include "controls/tvTreeView.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "monitor/MonitorSQL.h"
#include "platform/db/Connection.h"
#include "platform/Errors.h"
#include "platform/db/Query.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString kAll = QStringLiteral("(全て)");


} // namespace

TfrmDB::TfrmDB(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmDB"))
{
    setObjectName(QStringLiteral("frmDB"));
    resize(760, 520);

    actRefresh = NewRefreshAction();
    tolCmd->addAction(actRefresh);
    tolCmd->addAction(actExit);
    AddDBNamePanel();

    pagDB = new QTabWidget(this);
    pagDB->setObjectName(QStringLiteral("pagDB"));

    // Databases and their properties.
    tabDbInfo = new QWidget;
    tabDbInfo->setObjectName(QStringLiteral("tabDbInfo"));
    auto *infoLay = new QHBoxLayout(tabDbInfo);
    infoLay->setContentsMargins(0, 0, 0, 0);
    splDbInfo = new QSplitter(Qt::Horizontal, tabDbInfo);
    splDbInfo->setObjectName(QStringLiteral("splDbInfo"));
    lstDbList = new TtvTreeView(splDbInfo);
    lstDbList->setObjectName(QStringLiteral("lstDbList"));
    lstDbList->setHeaderHidden(true);
    lstDbList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstDbInfo = new TtvListView(splDbInfo);
    lstDbInfo->setObjectName(QStringLiteral("lstDbInfo"));
    lstDbInfo->SetMultiSelect(false);
    lstDbInfo->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstDbInfo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstDbInfo->AddColumn(QStringLiteral("No."), 50);
    lstDbInfo->AddColumn(QStringLiteral("パラメータ名"), 250);
    lstDbInfo->AddColumn(QStringLiteral("値"), 180);
    lstDbInfo->SetSortID(0);
    splDbInfo->addWidget(lstDbList);
    splDbInfo->addWidget(lstDbInfo);
    splDbInfo->setStretchFactor(1, 1);
    splDbInfo->setSizes({197, 560});
    infoLay->addWidget(splDbInfo);
    pagDB->addTab(tabDbInfo, QStringLiteral("ﾃﾞｰﾀﾍﾞｰｽ情報"));

    // Settings.
    tabParam = new QWidget;
    tabParam->setObjectName(QStringLiteral("tabParam"));
    auto *paramLay = new QVBoxLayout(tabParam);
    paramLay->setContentsMargins(0, 0, 0, 0);
    paramLay->setSpacing(0);
    pnlFind = new QWidget(tabParam);
    pnlFind->setObjectName(QStringLiteral("pnlFind"));
    pnlFind->setFixedHeight(24);
    auto *findLay = new QHBoxLayout(pnlFind);
    findLay->setContentsMargins(0, 0, 0, 0);
    findLay->setSpacing(2);
    btnFind = new QToolButton(pnlFind);
    btnFind->setObjectName(QStringLiteral("btnFind"));
    btnFind->setToolTip(QStringLiteral("検索"));
    btnFind->setText(QStringLiteral("検索"));
    txtFind = new TtvStrEdit(pnlFind);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    lblCategory = new QLabel(QStringLiteral("カテゴリー"), pnlFind);
    lblCategory->setObjectName(QStringLiteral("lblCategory"));
    cmbCategory = new TtvComboBox(pnlFind);
    cmbCategory->setObjectName(QStringLiteral("cmbCategory"));
    cmbCategory->setEditable(true);
    cmbCategory->setInsertPolicy(QComboBox::NoInsert);
    cmbCategory->setMaxVisibleItems(20);
    cmbCategory->setMinimumWidth(160);
    findLay->addWidget(btnFind);
    findLay->addWidget(txtFind, 1);
    findLay->addSpacing(2);
    findLay->addWidget(lblCategory);
    findLay->addWidget(cmbCategory);
    paramLay->addWidget(pnlFind);
    lstParameter = new TtvListView(tabParam);
    lstParameter->setObjectName(QStringLiteral("lstParameter"));
    lstParameter->SetMultiSelect(false);
    lstParameter->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstParameter->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstParameter->AddColumn(QStringLiteral("No."), 50);
    lstParameter->AddColumn(QStringLiteral("パラメータ名"), 250);
    lstParameter->AddColumn(QStringLiteral("型"), 100);
    lstParameter->AddColumn(QStringLiteral("値"), 180);
    lstParameter->AddColumn(QStringLiteral("単位"), 40);
    lstParameter->AddColumn(QStringLiteral("設定種別"), 100);
    lstParameter->AddColumn(QStringLiteral("カテゴリー"), 150);
    paramLay->addWidget(lstParameter, 1);
    pagDB->addTab(tabParam, QStringLiteral("設定ﾊﾟﾗﾒｰﾀ"));

    actChangeParam = new QAction(QStringLiteral("値を変更する（現在のセッションのみ適用）"), this);
    actChangeParam->setObjectName(QStringLiteral("actChangeParam"));
    actAlterSystem = new QAction(QStringLiteral("ALTER SYSTEM SET"), this);
    actAlterSystem->setObjectName(QStringLiteral("actAlterSystem"));
    actAlterSystemReset = new QAction(QStringLiteral("ALTER SYSTEM RESET"), this);
    actAlterSystemReset->setObjectName(QStringLiteral("actAlterSystemReset"));
    actAlterSystemResetAll = new QAction(QStringLiteral("ALTER SYSTEM RESET ALL"), this);
    actAlterSystemResetAll->setObjectName(QStringLiteral("actAlterSystemResetAll"));
    popParameter = new QMenu(this);
    popParameter->setObjectName(QStringLiteral("popParameter"));
    popParameter->addActions({actChangeParam, actAlterSystem, actAlterSystemReset, actAlterSystemResetAll});
    lstParameter->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstParameter, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
        UpdateParamActions();
        popParameter->popup(lstParameter->viewport()->mapToGlobal(p));
    });
    connect(actChangeParam, &QAction::triggered, this, tv::ui::Guarded([this] { SetSessionParameter(); }));
    connect(actAlterSystem, &QAction::triggered, this, tv::ui::Guarded([this] { ApplyAlterSystem(0); }));
    connect(actAlterSystemReset, &QAction::triggered, this, tv::ui::Guarded([this] { ApplyAlterSystem(1); }));
    connect(actAlterSystemResetAll, &QAction::triggered, this, tv::ui::Guarded([this] { ApplyAlterSystem(2); }));
    connect(lstParameter, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateParamActions(); });
    connect(lstParameter, &QTreeWidget::itemDoubleClicked, this,
            tv::ui::Guarded([this](QTreeWidgetItem *, int) { SetSessionParameter(); }));
    connect(btnFind, &QToolButton::clicked, this, tv::ui::Guarded([this] { Reload(this); }));
    connect(cmbCategory, &QComboBox::activated, this, tv::ui::Guarded([this](int) { Reload(this); }));

    // The file written by ALTER SYSTEM.
    tabAutoConf = new QWidget;
    tabAutoConf->setObjectName(QStringLiteral("tabAutoConf"));
    auto *confLay = new QVBoxLayout(tabAutoConf);
    confLay->setContentsMargins(0, 0, 0, 0);
    txtAutoConfData = new TtvMemo(tabAutoConf);
    txtAutoConfData->setObjectName(QStringLiteral("txtAutoConfData"));
    txtAutoConfData->SetReadOnly(true);
    txtAutoConfData->SetScrollBars(ssBoth);
    confLay->addWidget(txtAutoConfData);
    pagDB->addTab(tabAutoConf, QStringLiteral("postgresql.auto.conf"));

    // Version, times and paths.
    tabVersion = new QWidget;
    tabVersion->setObjectName(QStringLiteral("tabVersion"));
    auto *verLay = new QVBoxLayout(tabVersion);
    verLay->setContentsMargins(0, 0, 0, 0);
    lstVersion = new TtvListBox(tabVersion);
    lstVersion->setObjectName(QStringLiteral("lstVersion"));
    verLay->addWidget(lstVersion);
    pagDB->addTab(tabVersion, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));

    layout()->addWidget(pagDB);
    pagDB->setCurrentWidget(tabDbInfo);

    connect(pagDB, &QTabWidget::currentChanged, this, tv::ui::Guarded([this](int) { Reload(this); }));
    connect(lstDbList, &QTreeWidget::currentItemChanged, this, tv::ui::Guarded([this] {
                if (!Reading())
                    ReadGuarded([this] { ShowDatabaseInfo(); });
            }));

    FinishCreate();
    UpdateParamActions();
}

void TfrmDB::RegisterLauncher()
{
    auto open = [](const TLaunchContext &c) -> QWidget * { return Create(c.Connection); };
    ::RegisterLauncher(QStringLiteral("actAdminDatabase"), open);
    ::RegisterLauncher(QStringLiteral("actDatabase"), open);
}

void TfrmDB::PrepareOpen(IConnectionWindow *AOwner)
{
    // Decided once, for the connection the window opens for.
    const QSignalBlocker block(pagDB);
    LoadCategories(AOwner);
    FAlterSystem = AOwner->DBVer() >= 90400;
    pagDB->setTabVisible(pagDB->indexOf(tabAutoConf), FAlterSystem);
    for (QAction *a : {actAlterSystem, actAlterSystemReset, actAlterSystemResetAll})
        a->setVisible(FAlterSystem);
    pagDB->setCurrentWidget(tabDbInfo);
}

// ---------------------------------------------------------------------------
// Reading

void TfrmDB::Reload(QObject * /*Sender*/)
{
    ReadGuarded([this] {
        Retitle();
        ReadActivePage();
    });
}

void TfrmDB::ReadActivePage()
{
    QWidget *page = pagDB->currentWidget();
    if (page == tabDbInfo) {
        LoadDatabaseTree();
        const QString db = OwnerForm() ? OwnerForm()->dbsMain().Params().Database : QString();
        TtvTreeNode *root = lstDbList->TopNode(0);
        for (int i = 0; root && i < root->childCount(); ++i) {
            if (root->child(i)->text(0) == db) {
                const QSignalBlocker block(lstDbList);
                lstDbList->setCurrentItem(root->child(i));
                break;
            }
        }
        ShowDatabaseInfo();
    } else if (page == tabParam) {
        FormResize();
        LoadParameters(txtFind->text(), cmbCategory->currentText());
    } else if (page == tabAutoConf) {
        LoadAutoConf();
    } else if (page == tabVersion) {
        LoadVersionInfo();
    }
}

void TfrmDB::LoadDatabaseTree()
{
    IConnectionWindow *cw = OwnerForm();
    const QSignalBlocker block(lstDbList);
    lstDbList->clear();
    if (!cw)
        return;
    TtvTreeNode *root =
        lstDbList->AddNode(nullptr, QStringLiteral("サーバ(") + cw->dbsMain().Params().Server + QStringLiteral(")"));
    root->setIcon(0, MainWindowImage(5));
    tv::db::Query q(&cw->dbsMain());
    q.SetSQL(monitor::DatabaseListSQL());
    OpenProtected(q);
    for (q.First(); !q.Eof(); q.Next()) {
        TtvTreeNode *n = lstDbList->AddNode(root, q.FieldByName(QStringLiteral("datname")).AsString());
        n->setIcon(0, MainWindowImage(1));
    }
    q.Close();
    root->setExpanded(true);
}

void TfrmDB::ShowDatabaseInfo()
{
    lstDbInfo->clear();
    IConnectionWindow *cw = OwnerForm();
    QTreeWidgetItem *node = lstDbList->currentItem();
    if (!cw || !node)
        return;
    tv::db::Query q(&cw->dbsMain());
    q.SetSQL(monitor::DatabaseInfoSQL(cw->DBVer()));
    q.ParamByName(QStringLiteral("datname")).setAsString(node->text(0));
    OpenProtected(q);
    if (!q.Eof()) {
        static const struct {
            const char *label;
            const char *field;
        } rows[] = {{"データベース名", "datname"},
                    {"OID", "oid"},
                    {"所有者", "rolname"},
                    {"デフォルトテーブル空間", "spcname"},
                    {"エンコーディング", "encode_name"},
                    {"コーレーション", "datcollate"},
                    {"文字型", "datctype"},
                    {"接続制限数", "datconnlimit"},
                    {"データベース最終のシステムOID", "datlastsysoid"}};
        int no = 0;
        for (const auto &r : rows) {
            lstDbInfo->AddItem(QString::number(++no),
                               {QString::fromUtf8(r.label), q.FieldByName(QString::fromLatin1(r.field)).AsString()});
        }
    }
    q.Close();
}

void TfrmDB::LoadVersionInfo()
{
    lstVersion->clear();
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    tv::db::Query q(&cw->dbsMain());
    q.SetSQL(monitor::VersionInfoSQL());
    OpenProtected(q);
    if (!q.Eof()) {
        auto v = [&q](const char *name) { return q.FieldByName(QString::fromLatin1(name)).AsString(); };
        lstVersion->addItems({QStringLiteral("バージョン      ：") + v("version"), QString(),
                              QStringLiteral("サーバの起動時刻：") + v("postmaster_start_time"),
                              QStringLiteral("設定の読込時刻　：") + v("conf_load_time"), QString(),
                              QStringLiteral("Dataディレクトリ：") + v("data_directory"),
                              QStringLiteral("構成設定ファイル：") + v("config_file"),
                              QStringLiteral("接続設定ファイル：") + v("hba_file"),
                              QStringLiteral("UserMapファイル ：") + v("ident_file"),
                              QStringLiteral("拡張設定ファイル：") + v("external_pid_file")});
    }
    q.Close();
}

void TfrmDB::LoadAutoConf()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    tv::db::Query q(&cw->dbsMain());
    q.SetSQL(monitor::AutoConfSQL());
    OpenProtected(q);
    if (q.Eof()) {
        q.Close();
        ShowMessageBox(QStringLiteral("postgresql.auto.confファイルを読み込めませんでした。"),
                       tv::ui::MB_ICONEXCLAMATION);
        return;
    }
    const QString text = q.Fields(0).AsString();
    q.Close();
    txtAutoConfData->Lines()->SetLineBreakLF(true);
    txtAutoConfData->Lines()->SetText(text);
}

void TfrmDB::LoadCategories(IConnectionWindow *Form)
{
    cmbCategory->clear();
    cmbCategory->addItem(kAll);
    if (!Form)
        return;
    tv::db::Query q(&Form->dbsMain());
    q.SetSQL(monitor::CategoryListSQL());
    // The window is not bound yet: the read runs on the given connection.
    OpenProtected(q);
    QStringList heads;
    for (q.First(); !q.Eof(); q.Next()) {
        QString head = monitor::CategoryHead(q.FieldByName(QStringLiteral("Category")).AsString());
        // The form shows the categories in lower case unless the option
        // keeps names as typed (the search compares case-blind either way).
        if (!UseLowerName())
            head = head.toLower();
        if (!heads.contains(head))
            heads << head;
    }
    q.Close();
    cmbCategory->addItems(heads);
    cmbCategory->setCurrentIndex(0);
}

void TfrmDB::LoadParameters(const QString &SearchText, const QString &Category)
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    lstParameter->setUpdatesEnabled(false);
    struct Unlock {
        TtvListView *l;
        ~Unlock() { l->setUpdatesEnabled(true); }
    } unlock{lstParameter};
    lstParameter->clear();
    tv::db::Query q(&cw->dbsMain());
    q.SetSQL(monitor::ParameterListSQL());
    q.ParamByName(QStringLiteral("kensaku")).setAsString(monitor::SearchPattern(SearchText));
    q.ParamByName(QStringLiteral("category")).setAsString(monitor::CategoryPattern(Category));
    OpenProtected(q);
    QList<tv::db::Field *> f;
    for (const char *n : {"name", "vartype", "setting", "unit", "context", "category"})
        f << &q.FieldByName(QString::fromLatin1(n));
    QList<QTreeWidgetItem *> items;
    items.reserve(q.RecordCount());
    int no = 0;
    for (q.First(); !q.Eof(); q.Next()) {
        QStringList sub;
        sub.reserve(6);
        for (tv::db::Field *x : f)
            sub << x->AsString();
        items << new TtvListItem(QString::asprintf("%3d", ++no), sub);
    }
    q.Close();
    // In the order read (by name): the running numbers stay in order.
    lstParameter->SetSortID(0);
    lstParameter->addTopLevelItems(items);
    UpdateParamActions();
}

// ---------------------------------------------------------------------------
// Layout and keys

void TfrmDB::resizeEvent(QResizeEvent *e)
{
    TtvToolForm::resizeEvent(e);
    tv::ui::Guard([this] { FormResize(); });
}

void TfrmDB::FormResize()
{
    if (pagDB->currentWidget() != tabParam)
        return;
    // The search box takes what the panel leaves (the layout does that);
    // the last column takes the rest of the list's width.
    int used = 0;
    for (int i = 0; i < 6; ++i)
        used += lstParameter->columnWidth(i);
    const int rest = lstParameter->width() - used - 24;
    if (rest > 10)
        lstParameter->setColumnWidth(6, rest);
}

void TfrmDB::FormKeyDown(QObject *Sender, int &Key, Qt::KeyboardModifiers Shift)
{
    if ((Shift & Qt::ControlModifier) && Key == Qt::Key_C && pagDB->currentWidget() == tabParam) {
        if (TtvListItem *it = lstParameter->Selected()) {
            QApplication::clipboard()->setText(
                QStringList{it->Caption(), it->SubItem(0), it->SubItem(1), it->SubItem(2)}.join(QLatin1Char('\t')));
            Key = 0;
            return;
        }
    }
    if (Sender == lstParameter && (Key == Qt::Key_Return || Key == Qt::Key_Enter)) {
        Key = 0;
        tv::ui::Guard([this] { SetSessionParameter(); });
        return;
    }
    // Enter in the search box or the category box searches (and stays there).
    if ((Sender == txtFind || Sender == cmbCategory || Sender == cmbCategory->lineEdit()) &&
        (Key == Qt::Key_Return || Key == Qt::Key_Enter)) {
        Key = 0;
        tv::ui::Guard([this] { Reload(this); });
        return;
    }
    TtvToolForm::FormKeyDown(Sender, Key, Shift);
}

// ---------------------------------------------------------------------------
// Changing settings

void TfrmDB::UpdateParamActions()
{
    TtvListItem *it = lstParameter->Selected();
    const QString context = it ? it->SubItem(4) : QString();
    actChangeParam->setEnabled(context == QStringLiteral("user") || context == QStringLiteral("superuser"));
    const bool alter = OwnerForm() && OwnerForm()->DBVer() >= 90400;
    actAlterSystem->setEnabled(alter && it);
    actAlterSystemReset->setEnabled(alter && it);
    actAlterSystemResetAll->setEnabled(alter);
}

void TfrmDB::SetSessionParameter()
{
    TtvListItem *it = lstParameter->Selected();
    IConnectionWindow *cw = OwnerForm();
    if (!it || !cw || Reading())
        return;
    const QString context = it->SubItem(4);
    if (context != QStringLiteral("user") && context != QStringLiteral("superuser"))
        return;
    const QString name = it->SubItem(0);
    QString value = it->SubItem(2);
    if (!tv::ui::CurrentDialogs().inputQuery(tv::ui::ApplicationTitle(), name + QStringLiteral("の値を変更します。"),
                                             value))
        return;
    ExecuteProtected(monitor::SetConfigSQL(name, value));
    Reload(this);
}

void TfrmDB::ApplyAlterSystem(int Mode)
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw || cw->DBVer() < 90400 || Reading())
        return;
    TtvListItem *it = lstParameter->Selected();
    QString sql;
    switch (Mode) {
    case 0: {
        if (!it)
            return;
        QString value = it->SubItem(2);
        if (!tv::ui::CurrentDialogs().inputQuery(tv::ui::ApplicationTitle(),
                                                 it->SubItem(0) + QStringLiteral("の値を変更します。"), value))
            return;
        sql = monitor::AlterSystemSQL(0, it->SubItem(0), value);
        if (sql.isEmpty())
            throw tv::Error(it->SubItem(0) + QStringLiteral(" に空の名前は設定できません。"));
        break;
    }
    case 1:
        if (!it)
            return;
        if (ShowMessageBox(it->SubItem(0) + QStringLiteral(" の") + QStringLiteral("\r\n") +
                               QStringLiteral("ALTER SYSTEM 設定を削除しますか？"),
                           tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
            return;
        sql = monitor::AlterSystemSQL(1, it->SubItem(0));
        break;
    default:
        if (ShowMessageBox(QStringLiteral("全ての ALTER SYSTEM 設定を削除しますか？"),
                           tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION | tv::ui::MB_DEFBUTTON2) != tv::ui::IDYES)
            return;
        sql = monitor::AlterSystemSQL(2, QString());
        break;
    }
    // ALTER SYSTEM refuses to run in a transaction block: a connection of its own.
    cw->dbsMain().ExecOnSideConnection(sql);
    ExecuteProtected(monitor::ReloadConfSQL());
    Reload(this);
}
