#include "tools/frmImp.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/ImpOption.h"
#include "common/MessageDlg.h"
#include "common/tvOption.h"
#include "controls/tvListView.h"
#include "controls/tvNumEdit.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvScrollBox.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "tools/ToolRun.h"
#include "tools/ToolWidgets.h"

#include <QAction>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>

using namespace tv::ui;
using namespace toolui;

TfrmImp::TfrmImp(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmImp"))
{
    setObjectName(QStringLiteral("frmImp"));
    resize(668, 568);

    btnExec = AddExecAction([this] { btnExecClick(); });
    tolCmd->addAction(actExit);
    AddDBNamePanel();

    pagImp = new QTabWidget(this);
    pagImp->setObjectName(QStringLiteral("pagImp"));
    layout()->addWidget(pagImp);

    // --- 選択
    tabSelect = new QWidget(pagImp);
    tabSelect->setObjectName(QStringLiteral("tabSelect"));
    pagImp->addTab(tabSelect, QStringLiteral("選択"));
    auto *sel = new QVBoxLayout(TtvScrollBox::FillPage(tabSelect));
    auto *top = new QGridLayout;
    sel->addLayout(top);
    rdoFormat = new TtvRadioGroup(QStringLiteral("フォーマット"), {"custom or tar", "directory"}, 2, tabSelect);
    rdoFormat->setObjectName(QStringLiteral("rdoFormat"));
    rdoFormat->SetItemIndex(0);
    top->addWidget(rdoFormat, 0, 0, 1, 4);
    lblJobNo = new QLabel(QStringLiteral("ジョブ番号"), tabSelect);
    lblJobNo->setObjectName(QStringLiteral("lblJobNo"));
    txtJobNo = new TtvNumEdit(tabSelect);
    txtJobNo->setObjectName(QStringLiteral("txtJobNo"));
    txtJobNo->setMaxLength(5);
    lblRoleName = new QLabel(QStringLiteral("ロール名"), tabSelect);
    lblRoleName->setObjectName(QStringLiteral("lblRoleName"));
    auto *role = new TDropDownCombo(tabSelect);
    role->OnDropDown = [this] { cmbRoleNameDropDown(); };
    cmbRoleName = role;
    cmbRoleName->setObjectName(QStringLiteral("cmbRoleName"));
    LowerCaseTyping(cmbRoleName->lineEdit(), [] { return true; });
    top->addWidget(lblJobNo, 1, 0);
    top->addWidget(txtJobNo, 1, 1);
    top->addWidget(lblRoleName, 2, 0);
    top->addWidget(cmbRoleName, 2, 1);
    rdoMode = new TtvRadioGroup(QStringLiteral(" リストア方法 "),
                                {QStringLiteral("接続中のデータベース"), QStringLiteral("スキーマ指定"),
                                 QStringLiteral("テーブル指定")},
                                3, tabSelect);
    rdoMode->setObjectName(QStringLiteral("rdoMode"));
    rdoMode->SetItemIndex(1);
    top->addWidget(rdoMode, 3, 0, 1, 4);
    lblImpFile = new QLabel(QStringLiteral("ファイル名"), tabSelect);
    lblImpFile->setObjectName(QStringLiteral("lblImpFile"));
    txtImpFile = new TtvStrEdit(tabSelect);
    txtImpFile->setObjectName(QStringLiteral("txtImpFile"));
    btnImpFile = Button(tabSelect, "btnImpFile", QStringLiteral("..."));
    top->addWidget(lblImpFile, 4, 0);
    top->addWidget(txtImpFile, 4, 1, 1, 2);
    top->addWidget(btnImpFile, 4, 3);
    pnlSelect2 = new QWidget(tabSelect);
    pnlSelect2->setObjectName(QStringLiteral("pnlSelect2"));
    sel->addWidget(pnlSelect2, 1);
    auto *p2 = new QVBoxLayout(pnlSelect2);
    p2->setContentsMargins(0, 0, 0, 0);
    grpSchema = new QGroupBox(QStringLiteral(" 対象スキーマ指定 "), pnlSelect2);
    grpSchema->setObjectName(QStringLiteral("grpSchema"));
    p2->addWidget(grpSchema);
    auto *g = new QVBoxLayout(grpSchema);
    auto *addRow = new QHBoxLayout;
    g->addLayout(addRow);
    auto *schema = new TDropDownCombo(grpSchema);
    schema->OnDropDown = [this] { cmbSchemaDropDown(); };
    cmbSchema = schema;
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    cmbSchema->setMaxVisibleItems(30);
    cmbSchema->setInsertPolicy(QComboBox::NoInsert);
    txtFromTable = new TtvStrEdit(grpSchema);
    txtFromTable->setObjectName(QStringLiteral("txtFromTable"));
    txtFromTable->hide();
    LowerCaseTyping(cmbSchema->lineEdit(), [] { return !tvOption.UseLowerName; });
    LowerCaseTyping(txtFromTable, [] { return !tvOption.UseLowerName; });
    btnAddUser = Button(grpSchema, "btnAddUser", QStringLiteral("追加"));
    btnDelUser = Button(grpSchema, "btnDelUser", QStringLiteral("取消"));
    addRow->addWidget(cmbSchema, 1);
    addRow->addWidget(txtFromTable, 1);
    addRow->addWidget(btnAddUser);
    addRow->addWidget(btnDelUser);
    lstSchema = new TtvListView(grpSchema);
    lstSchema->setObjectName(QStringLiteral("lstSchema"));
    lstSchema->SetMultiSelect(true);
    lstSchema->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstSchema->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstSchema->setRootIsDecorated(false);
    lstSchema->AddColumn(QStringLiteral("スキーマ"), 200);
    g->addWidget(lstSchema, 1);

    // --- オプション
    tabOption = new QWidget(pagImp);
    tabOption->setObjectName(QStringLiteral("tabOption"));
    pagImp->addTab(tabOption, QStringLiteral("オプション"));
    auto *opt = new QGridLayout(TtvScrollBox::FillPage(tabOption));
    rdoUserID = new TtvRadioGroup(QStringLiteral(" 接続ユーザーID "),
                                  {QStringLiteral("現行ユーザーIDを使用"), QStringLiteral("ユーザーIDを指定")}, 1,
                                  tabOption);
    rdoUserID->setObjectName(QStringLiteral("rdoUserID"));
    rdoUserID->SetItemIndex(0);
    lblUserID = new QLabel(QStringLiteral("(ユーザーID)"), tabOption);
    lblUserID->setObjectName(QStringLiteral("lblUserID"));
    lblUserID->setEnabled(false);
    txtUserID = new TtvStrEdit(tabOption);
    txtUserID->setObjectName(QStringLiteral("txtUserID"));
    opt->addWidget(rdoUserID, 0, 0, 2, 1);
    opt->addWidget(lblUserID, 0, 1);
    opt->addWidget(txtUserID, 1, 1);
    grpSection = Group(tabOption, "grpSection", QStringLiteral("セクション"));
    chkPreData = Check(grpSection, grpSection->layout(), "chkPreData", QStringLiteral("pre-data"));
    chkSecData = Check(grpSection, grpSection->layout(), "chkSecData", QStringLiteral("data"));
    chkPostData = Check(grpSection, grpSection->layout(), "chkPostData", QStringLiteral("post-data"));
    QGroupBox *grpObject = Group(tabOption, "grpObject", QStringLiteral("リストアするオブジェクト "));
    chkData = Check(grpObject, grpObject->layout(), "chkData", QStringLiteral("データのみ"));
    chkSchema = Check(grpObject, grpObject->layout(), "chkSchema", QStringLiteral("スキーマのみ"));
    QGroupBox *grpComp = Group(tabOption, "grpCompObject", QStringLiteral("リストアから除外するオブジェクト "));
    chkOwner = Check(grpComp, grpComp->layout(), "chkOwner", QStringLiteral("所有権"));
    chkGrants = Check(grpComp, grpComp->layout(), "chkGrants", QStringLiteral("権限"));
    chkTablespaces = Check(grpComp, grpComp->layout(), "chkTablespaces", QStringLiteral("テーブルスペース"));
    chkSecuritylbl = Check(grpComp, grpComp->layout(), "chkSecuritylbl", QStringLiteral("セキュリティラベル"));
    QGroupBox *grpQuery = Group(tabOption, "grpQueryMake", QStringLiteral("クエリー実行"));
    chkCreateDataBase =
        Check(grpQuery, grpQuery->layout(), "chkCreateDataBase", QStringLiteral("CREATE DATABASE 構文を含む"));
    chkClean = Check(grpQuery, grpQuery->layout(), "chkClean", QStringLiteral("リストア前にオブジェクトをクリア"));
    chkTransaction = Check(grpQuery, grpQuery->layout(), "chkTransaction", QStringLiteral("単一トランザクション"));
    QGroupBox *grpDisable = Group(tabOption, "grpDisable", QStringLiteral("無効にするコマンド"));
    chkTrigger = Check(grpDisable, grpDisable->layout(), "chkTrigger", QStringLiteral("トリガ"));
    chkTrigger->setEnabled(false);
    chkNoData = Check(grpDisable, grpDisable->layout(), "chkNoData",
                      QStringLiteral("テーブル作成失敗のデータはリストアしない"));
    QGroupBox *grpOther = Group(tabOption, "grpOther", QStringLiteral("その他"));
    chkAuthorization = Check(grpOther, grpOther->layout(), "chkAuthorization", QStringLiteral("SET SESSION AUTHORIZATION "));
    chkError = Check(grpOther, grpOther->layout(), "chkError", QStringLiteral("エラー発生時処理を終了"));
    chkIfexists = Check(grpOther, grpOther->layout(), "chkIfexists", QStringLiteral("エラーを無視する"));
    opt->addWidget(grpSection, 2, 0);
    opt->addWidget(grpObject, 2, 1);
    opt->addWidget(grpComp, 3, 0);
    opt->addWidget(grpQuery, 3, 1);
    opt->addWidget(grpDisable, 4, 0);
    opt->addWidget(grpOther, 4, 1);
    AddLogAndProgramRows(tabOption, opt, QStringLiteral("Imp"), chkLog, txtLogFile, btnLogFile, lblImpPgm, txtImpPgm,
                         btnImpPgm);

    // --- 結果ログ
    tabLog = AddLogPage(pagImp, txtLog);

    connect(rdoFormat, &TtvRadioGroup::Clicked, this, Guarded([this](int) { rdoFormatClick(); }));
    connect(rdoMode, &TtvRadioGroup::Clicked, this, Guarded([this](int) { rdoModeClick(); }));
    connect(rdoUserID, &TtvRadioGroup::Clicked, this, Guarded([this](int) { rdoUserIDClick(); }));
    connect(txtJobNo, &QLineEdit::textChanged, this, Guarded([this](const QString &) { txtJobNoChange(); }));
    connect(chkTransaction, &QCheckBox::toggled, this, Guarded([this](bool) { chkTransactionClick(); }));
    connect(chkData, &QCheckBox::toggled, this, Guarded([this](bool) { chkDataClick(); }));
    connect(chkSchema, &QCheckBox::toggled, this, Guarded([this](bool) { chkSchemaClick(); }));
    for (QCheckBox *c : {chkPreData, chkSecData, chkPostData})
        connect(c, &QCheckBox::toggled, this, Guarded([this](bool) { chkSectionClick(); }));
    connect(chkLog, &QCheckBox::toggled, this, Guarded([this](bool) { chkLogClick(); }));
    connect(txtImpFile, &QLineEdit::textChanged, this, Guarded([this](const QString &) { lstSchema->clear(); }));
    connect(btnAddUser, &QToolButton::clicked, this, Guarded([this] { btnAddSchemaClick(); }));
    connect(btnDelUser, &QToolButton::clicked, this, Guarded([this] { btnDelSchemaClick(); }));
    connect(btnImpFile, &QToolButton::clicked, this, Guarded([this] { btnImpFileClick(); }));
    connect(btnLogFile, &QToolButton::clicked, this, Guarded([this] { btnLogFileClick(); }));
    connect(btnImpPgm, &QToolButton::clicked, this, Guarded([this] { btnImpPgmClick(); }));
    connect(pagImp, &QTabWidget::currentChanged, this, Guarded([this](int i) { pagImpChange(i); }));

    FinishCreate();
}

TfrmImp *TfrmImp::ShowWindow(IConnectionWindow *AOwner)
{
    if (!AOwner)
        return nullptr;
    const QString caption = QStringLiteral("リストア - ") + ConnectionText(AOwner);
    if (IMainWindow *m = MainWindow()) {
        if (TfrmImp *twin = m->FindWindowOf<TfrmImp>(caption, true))
            return twin;
    }
    TfrmImp *w = Open<TfrmImp>(AOwner);
    if (w)
        w->Opening();
    return w;
}

void TfrmImp::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actAdminImport"),
                       [](const TLaunchContext &c) -> QWidget * { return ShowWindow(c.Connection); });
}

void TfrmImp::Opening()
{
    const TImpOption &o = ImpOption;
    if (!o.UserID.trimmed().isEmpty()) {
        rdoUserID->SetItemIndex(1);
        rdoUserIDClick();
        txtUserID->SetText(o.UserID);
    } else {
        rdoUserID->SetItemIndex(0);
        rdoUserIDClick();
    }
    ApplyVersionOptions();
    txtJobNo->SetText(o.JobNo);
    txtJobNoChange();
    cmbRoleName->setEditText(o.RoleName);
    const int mode = qBound(0, o.Mode, 2);
    if (mode != rdoMode->ItemIndex()) {
        rdoMode->SetItemIndex(mode);
        rdoModeClick();
    }
    txtImpFile->SetText(o.ImpFile);
    const QStringList schemas = o.SchemaList.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const QStringList tables = o.TableList.split(QStringLiteral("\r\n"));
    lstSchema->clear();
    for (int i = 0; i < schemas.size(); ++i)
        lstSchema->AddItem(schemas[i], mode == 2 ? QStringList{tables.value(i)} : QStringList{});
    const QList<QPair<QCheckBox *, bool>> boxes{
        {chkPreData, o.PreData},         {chkSecData, o.SecData},   {chkPostData, o.PostData},
        {chkData, o.Data},               {chkSchema, o.Schema},     {chkOwner, o.Owner},
        {chkGrants, o.Grants},           {chkTablespaces, o.Tablespaces}, {chkSecuritylbl, o.Securitylbl},
        {chkCreateDataBase, o.CreateDataBase}, {chkClean, o.Clean}, {chkTransaction, o.Transaction},
        {chkTrigger, o.Trigger},         {chkNoData, o.NoData},     {chkAuthorization, o.Authorization},
        {chkError, o.Error}};
    for (const auto &[box, value] : boxes)
        box->setChecked(value);
    IConnectionWindow *cw = OwnerForm();
    const int ver = cw ? cw->DBVer() : 0;
    chkLog->setChecked(!o.LogFile.isEmpty());
    chkLogClick();
    txtLogFile->SetText(o.LogFile);
    txtImpPgm->SetText(o.ImpPgm);
    chkIfexists->setChecked(ver >= 90400 && o.Ifexists);
    FindRestoreTool();
    FOpened = true;
    if (txtImpPgm->Text().isEmpty()) {
        pagImp->setCurrentWidget(tabOption);
        txtImpPgm->setFocus();
        ShowMessageBox(QStringLiteral("pg_restore.exeが見つかりませんでした。\r\n"
                                      "この画面ではpostgreSQL のリストアユーティリティである[pg_restore]およびパスワード"
                                      "ファイルである[pgpass.conf]を使用します。クライアントPCにpostgreSQLをインストール"
                                      "した後、使用ツールに「pg_restore.exe」を選択して下さい。"),
                       MB_ICONEXCLAMATION);
    }
}

void TfrmImp::ApplyVersionOptions()
{
    IConnectionWindow *cw = OwnerForm();
    const int v = cw ? cw->DBVer() : 0;
    rdoFormat->Button(1)->setVisible(v >= 90100);
    chkSecuritylbl->setVisible(v >= 90100);
    grpSection->setVisible(v >= 90200);
    int format = qBound(0, ImpOption.Format, 1);
    if (v < 90100 && format == 1)
        format = 0;
    rdoFormat->SetItemIndex(format);
    rdoFormatClick();
    if (v < 90400)
        chkIfexists->setChecked(false);
    chkIfexists->setVisible(v >= 90400);
    lstSchema->clear();
    cmbRoleName->setEditText(QString());
    cmbSchema->setEditText(QString());
}

void TfrmImp::FindRestoreTool()
{
    if (QFileInfo(txtImpPgm->Text()).isFile())
        return;
    const QString found = FindPgProgram(QStringLiteral("pg_restore"));
    if (!found.isEmpty())
        txtImpPgm->SetText(found);
}

void TfrmImp::cmbDBNameChange()
{
    TtvToolForm::cmbDBNameChange();
    if (FOpened)
        ApplyVersionOptions();
}

// ---------------------------------------------------------------------------
// Rules

void TfrmImp::rdoFormatClick()
{
    if (rdoFormat->ItemIndex() == 1) {
        lblImpFile->setText(QStringLiteral("フォルダ名"));
        txtJobNo->SetText(QString());
        txtJobNoChange();
        txtJobNo->setEnabled(false);
    } else {
        lblImpFile->setText(QStringLiteral("ファイル名"));
        txtJobNo->setEnabled(!chkTransaction->isChecked());
    }
}

void TfrmImp::rdoModeClick()
{
    const int mode = rdoMode->ItemIndex();
    lstSchema->setUpdatesEnabled(false);
    lstSchema->clear();
    grpSchema->setVisible(mode == 1 || mode == 2);
    txtFromTable->setVisible(mode == 2);
    cmbSchema->setEditText(QString());
    txtFromTable->SetText(QString());
    lstSchema->setColumnCount(0);
    lstSchema->AddColumn(QStringLiteral("スキーマ"), 200);
    if (mode == 2) {
        grpSchema->setTitle(QStringLiteral(" 対象テーブル指定 "));
        lstSchema->AddColumn(QStringLiteral("テーブル"), 300);
    } else {
        grpSchema->setTitle(QStringLiteral(" 対象スキーマ指定 "));
    }
    lstSchema->setUpdatesEnabled(true);
}

void TfrmImp::rdoUserIDClick()
{
    EnableToolEntry(rdoUserID->ItemIndex() == 1, txtUserID, lblUserID);
}

void TfrmImp::txtJobNoChange()
{
    if (txtJobNo->Text().trimmed().isEmpty()) {
        chkTransaction->setEnabled(true);
    } else {
        chkTransaction->setChecked(false);
        chkTransaction->setEnabled(false);
    }
}

void TfrmImp::chkTransactionClick()
{
    txtJobNo->setEnabled(!chkTransaction->isChecked() && rdoFormat->ItemIndex() == 0);
}

void TfrmImp::chkDataClick()
{
    const bool on = chkData->isChecked();
    chkTrigger->setEnabled(on);
    for (QCheckBox *c : {chkSchema, chkPreData, chkSecData, chkPostData})
        c->setEnabled(!on);
}

void TfrmImp::chkSchemaClick()
{
    const bool on = chkSchema->isChecked();
    for (QCheckBox *c : {chkData, chkPreData, chkSecData, chkPostData})
        c->setEnabled(!on);
}

void TfrmImp::chkSectionClick()
{
    const bool any = chkPreData->isChecked() || chkSecData->isChecked() || chkPostData->isChecked();
    chkData->setEnabled(!any);
    chkSchema->setEnabled(!any);
}

void TfrmImp::chkLogClick()
{
    EnableToolEntry(chkLog->isChecked(), txtLogFile, btnLogFile);
}

void TfrmImp::cmbRoleNameDropDown()
{
    FillToolRoleNames(cmbRoleName, OwnerForm());
}

void TfrmImp::cmbSchemaDropDown()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    QStringList names;
    cw->GetSchemaInfo(names, false);
    for (QString &s : names)
        s = s.trimmed();
    names.sort();
    cmbSchema->clear();
    cmbSchema->addItems(names);
}

void TfrmImp::btnAddSchemaClick()
{
    const int mode = rdoMode->ItemIndex();
    const QString schema = cmbSchema->currentText().trimmed();
    const QString table = txtFromTable->Text().trimmed();
    if (schema.isEmpty()) {
        cmbSchema->setFocus();
        ShowMessageBox(QStringLiteral("スキーマ名を指定して下さい。"), MB_ICONEXCLAMATION);
        return;
    }
    if (mode == 2 && table.isEmpty()) {
        txtFromTable->setFocus();
        ShowMessageBox(QStringLiteral("テーブル名を指定して下さい。"), MB_ICONEXCLAMATION);
        return;
    }
    for (int i = 0; i < lstSchema->ItemCount(); ++i) {
        TtvListItem *it = lstSchema->Item(i);
        if (it->Caption().trimmed() == schema && (mode != 2 || it->SubItem(0).trimmed() == table))
            return;
    }
    lstSchema->AddItem(schema, mode == 2 ? QStringList{table} : QStringList{});
}

void TfrmImp::btnDelSchemaClick()
{
    qDeleteAll(lstSchema->SelectedItems());
}

void TfrmImp::btnImpFileClick()
{
    Dialogs &d = CurrentDialogs();
    if (rdoFormat->ItemIndex() == 1) {
        const QString dir = d.selectFolder(QStringLiteral("フォルダの選択"), txtImpFile->Text());
        if (!dir.isEmpty())
            txtImpFile->SetText(dir);
        return;
    }
    FileDialogRequest r;
    r.fileName = txtImpFile->Text();
    r.filter = QStringLiteral("エクスポートファイル(*.DMP)|*.DMP|すべてのファイル(*.*)|*.*");
    const QString f = d.openFile(r);
    if (!f.isEmpty()) {
        txtImpFile->SetText(f);
        lstSchema->clear();
    }
}

void TfrmImp::btnLogFileClick()
{
    BrowseToolLogFile(txtLogFile);
}

void TfrmImp::btnImpPgmClick()
{
    BrowseToolProgram(txtImpPgm);
}

void TfrmImp::pagImpChange(int Index)
{
    if (FFromCode || pagImp->widget(Index) != tabLog || !isEnabled())
        return;
    ReloadToolLog(txtLog, txtLogFile->Text());
}

// ---------------------------------------------------------------------------
// Execute

TRestoreChoices TfrmImp::Choices() const
{
    TRestoreChoices c;
    c.Format = rdoFormat->ItemIndex();
    c.Mode = rdoMode->ItemIndex();
    c.ArchivePath = ToolPathOf(txtImpFile->Text());
    for (int i = 0; i < lstSchema->ItemCount(); ++i)
        c.Targets << TToolTarget{lstSchema->Item(i)->Caption(), lstSchema->Item(i)->SubItem(0)};
    c.UseUserID = rdoUserID->ItemIndex() == 1;
    c.UserID = txtUserID->Text();
    c.JobNo = txtJobNo->Text();
    c.RoleName = cmbRoleName->currentText();
    c.PreData = chkPreData->isChecked();
    c.SecData = chkSecData->isChecked();
    c.PostData = chkPostData->isChecked();
    c.Data = chkData->isChecked();
    c.Schema = chkSchema->isChecked();
    c.Owner = chkOwner->isChecked();
    c.Grants = chkGrants->isChecked();
    c.Tablespaces = chkTablespaces->isChecked();
    c.Securitylbl = chkSecuritylbl->isChecked();
    c.CreateDataBase = chkCreateDataBase->isChecked();
    c.Clean = chkClean->isChecked();
    c.Transaction = chkTransaction->isChecked();
    c.Trigger = chkTrigger->isChecked();
    c.NoData = chkNoData->isChecked();
    c.Authorization = chkAuthorization->isChecked();
    c.Error = chkError->isChecked();
    c.Ifexists = chkIfexists->isChecked();
    return c;
}

QList<TToolCommand> TfrmImp::Commands() const
{
    IConnectionWindow *cw = OwnerForm();
    return BuildRestoreCommands(txtImpPgm->Text(), Choices(), ToolConnectionOf(cw), cw ? cw->DBVer() : 0);
}

void TfrmImp::Fail(const QString &Text, QWidget *Page, QWidget *Focus)
{
    FFromCode = true;
    pagImp->setCurrentWidget(Page);
    FFromCode = false;
    if (Focus)
        Focus->setFocus();
    ShowMessageBox(Text, MB_ICONEXCLAMATION);
}

void TfrmImp::btnExecClick()
{
    const int mode = rdoMode->ItemIndex();
    const int format = rdoFormat->ItemIndex();
    const QString text = txtImpFile->Text();
    if (mode < 0)
        return Fail(QStringLiteral("インポート方法を選択して下さい。"), tabSelect, rdoMode);
    if (format == 0) {
        if (text.trimmed().isEmpty())
            return Fail(QStringLiteral("入力ファイル名を入力して下さい。"), tabSelect, txtImpFile);
    } else {
        if (text.trimmed().isEmpty())
            return Fail(QStringLiteral("入力フォルダ名を入力して下さい。"), tabSelect, txtImpFile);
        if (text.contains(QChar(0)))
            throw tv::Error(QStringLiteral("パスに無効な文字が含まれています"));
        if (QFileInfo(text).isFile() || LastPathComponent(text).contains(QLatin1Char('.')))
            return Fail(QStringLiteral("directoryはフォルダ名を入力して下さい。"), tabSelect, txtImpFile);
        if (!QFileInfo(text).isDir())
            return Fail(QStringLiteral("指定したフォルダは存在しません。"), tabSelect, txtImpFile);
    }
    if (mode == 1 && lstSchema->ItemCount() == 0)
        return Fail(QStringLiteral("対象スキーマを選択して下さい。"), tabSelect, cmbSchema);
    if (mode == 2 && lstSchema->ItemCount() == 0)
        return Fail(QStringLiteral("対象テーブルを選択して下さい。"), tabSelect, txtFromTable);
    if (chkLog->isChecked() && txtLogFile->Text().isEmpty())
        return Fail(QStringLiteral("ログ出力ファイルを入力して下さい。"), tabOption, txtLogFile);
    if (txtImpPgm->Text().isEmpty())
        return Fail(QStringLiteral("使用ツールを入力して下さい。"), tabOption, txtImpPgm);
    if (!QFileInfo(txtImpPgm->Text()).isFile())
        return Fail(QStringLiteral("使用ツールは存在しません。"), tabOption, txtImpPgm);
    if (ShowMessageBox(QStringLiteral("リストアを開始します。よろしいですか？"),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    TImpOption &o = ImpOption;
    const TRestoreChoices c = Choices();
    o.Format = format;
    o.ImpFile = text;
    o.Mode = mode;
    o.JobNo = c.JobNo;
    o.RoleName = c.RoleName;
    o.SchemaList.clear();
    o.TableList.clear();
    for (const TToolTarget &t : c.Targets) {
        o.SchemaList += t.Schema + QStringLiteral("\r\n");
        if (mode == 2)
            o.TableList += t.Table + QStringLiteral("\r\n");
    }
    o.UserID = c.UserID;
    o.PreData = c.PreData;
    o.SecData = c.SecData;
    o.PostData = c.PostData;
    o.Data = c.Data;
    o.Schema = c.Schema;
    o.Owner = c.Owner;
    o.Grants = c.Grants;
    o.Tablespaces = c.Tablespaces;
    o.Securitylbl = c.Securitylbl;
    o.CreateDataBase = c.CreateDataBase;
    o.Clean = c.Clean;
    o.Transaction = c.Transaction;
    o.Trigger = c.Trigger;
    o.NoData = c.NoData;
    o.Authorization = c.Authorization;
    o.Error = c.Error;
    o.ImpPgm = txtImpPgm->Text();
    o.LogFile = txtLogFile->Text().trimmed();
    o.Ifexists = c.Ifexists;
    RunRestore();
}

void TfrmImp::RunRestore()
{
    IConnectionWindow *cw = OwnerForm();
    const TToolConnection conn = ToolConnectionOf(cw);
    const TRestoreChoices c = Choices();
    const QList<TToolCommand> runs = BuildRestoreCommands(txtImpPgm->Text(), c, conn, cw ? cw->DBVer() : 0);
    const auto password = ToolPassword(ToolUser(c.UseUserID, c.UserID, conn), conn);
    txtLog->Lines()->Clear();
    FFromCode = true;
    pagImp->setCurrentWidget(tabLog);
    FFromCode = false;
    bool started = true;
    bool stopped = false;
    int failedCode = 0;
    for (int i = 0; i < runs.size(); ++i) {
        if (i > 0) {
            txtLog->Lines()->Add(QString());
            txtLog->Lines()->Add(QString(200, QLatin1Char('-')));
        }
        const tv::process::ProcessResult r = RunToolCommand(txtImpPgm->Text(), runs[i], password, txtLog);
        if (r.stopped) {
            // The runs after it do not start either.
            stopped = true;
            break;
        }
        if (!r.started) {
            started = false;
            break;
        }
        if (!r.succeeded() && failedCode == 0)
            failedCode = r.exitCode == 0 ? -1 : r.exitCode;
    }
    if (!started) {
        ShowMessageBox(txtImpPgm->Text() + QStringLiteral(" の実行に失敗しました。"), MB_ICONEXCLAMATION);
        return;
    }
    if (chkLog->isChecked())
        WriteToolLog(txtLog, txtLogFile->Text());
    if (stopped)
        ShowMessageBox(QStringLiteral("インポートを中断しました。"), MB_ICONEXCLAMATION);
    else if (failedCode == 0)
        ShowMessageBox(QStringLiteral("インポートを完了しました。"), MB_ICONINFORMATION);
    else
        ShowMessageBox(txtImpPgm->Text() + QStringLiteral(" の実行に失敗しました。\r\n終了コード: ") +
                           QString::number(failedCode),
                       MB_ICONEXCLAMATION);
}
