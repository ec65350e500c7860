#include "tools/frmExp.h"

#include "common/ExpOption.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
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
#include "platform/db/Query.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "tools/ListPair.h"
#include "tools/ToolRun.h"
#include "tools/ToolWidgets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace tv::ui;
using namespace toolui;

TfrmExp::TfrmExp(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmExp"))
{
    setObjectName(QStringLiteral("frmExp"));
    resize(684, 560);

    btnExec = AddExecAction([this] { btnExecClick(); });
    tolCmd->addAction(actExit);
    AddDBNamePanel();

    pagExp = new QTabWidget(this);
    pagExp->setObjectName(QStringLiteral("pagExp"));
    layout()->addWidget(pagExp);

    // --- 選択
    tabSelect = new QWidget(pagExp);
    tabSelect->setObjectName(QStringLiteral("tabSelect"));
    pagExp->addTab(tabSelect, QStringLiteral("選択"));
    auto *sel = new QVBoxLayout(TtvScrollBox::FillPage(tabSelect));
    auto *top = new QGridLayout;
    sel->addLayout(top);
    rdoFormat = new TtvRadioGroup(QStringLiteral("フォーマット"), {"plain", "custom", "tar", "directory"}, 4, tabSelect);
    rdoFormat->setObjectName(QStringLiteral("rdoFormat"));
    top->addWidget(rdoFormat, 0, 0, 1, 4);
    lblExpFile = new QLabel(QStringLiteral("ファイル名"), tabSelect);
    lblExpFile->setObjectName(QStringLiteral("lblExpFile"));
    txtExpFile = new TtvStrEdit(tabSelect);
    txtExpFile->setObjectName(QStringLiteral("txtExpFile"));
    btnExpFile = Button(tabSelect, "btnExpFile", QStringLiteral("..."));
    top->addWidget(lblExpFile, 1, 0);
    top->addWidget(txtExpFile, 1, 1, 1, 2);
    top->addWidget(btnExpFile, 1, 3);
    lblCompres = new QLabel(QStringLiteral("圧縮レベル"), tabSelect);
    lblCompres->setObjectName(QStringLiteral("lblCompres"));
    txtCompres = new TtvNumEdit(tabSelect);
    txtCompres->setObjectName(QStringLiteral("txtCompres"));
    txtCompres->setMaxLength(1);
    lblEncoding = new QLabel(QStringLiteral("エンコーディング"), tabSelect);
    lblEncoding->setObjectName(QStringLiteral("lblEncoding"));
    cmbEncoding = new TtvComboBox(tabSelect);
    cmbEncoding->setObjectName(QStringLiteral("cmbEncoding"));
    cmbEncoding->addItems(CopyEncodings());
    cmbEncoding->setMaxVisibleItems(30);
    top->addWidget(lblCompres, 2, 0);
    top->addWidget(txtCompres, 2, 1);
    top->addWidget(lblEncoding, 3, 0);
    top->addWidget(cmbEncoding, 3, 1);
    lblRoleName = new QLabel(QStringLiteral("ロール名"), tabSelect);
    lblRoleName->setObjectName(QStringLiteral("lblRoleName"));
    auto *role = new TDropDownCombo(tabSelect);
    role->OnDropDown = [this] { cmbRoleNameDropDown(); };
    cmbRoleName = role;
    cmbRoleName->setObjectName(QStringLiteral("cmbRoleName"));
    cmbRoleName->setInsertPolicy(QComboBox::InsertAlphabetically);
    LowerCaseTyping(cmbRoleName->lineEdit(), [] { return !tvOption.UseLowerName; });
    top->addWidget(lblRoleName, 4, 0);
    top->addWidget(cmbRoleName, 4, 1);
    rdoMode = new TtvRadioGroup(QStringLiteral("バックアップ方法 "),
                                {QStringLiteral("接続中のデータベース"), QStringLiteral("スキーマ指定"),
                                 QStringLiteral("テーブル指定")},
                                3, tabSelect);
    rdoMode->setObjectName(QStringLiteral("rdoMode"));
    top->addWidget(rdoMode, 5, 0, 1, 4);
    auto *labels = new QHBoxLayout;
    lblSelect = new QLabel(QStringLiteral("対象オブジェクト"), tabSelect);
    lblSelect->setObjectName(QStringLiteral("lblSelect"));
    lblAll = new QLabel(QStringLiteral("選択可能オブジェクト"), tabSelect);
    lblAll->setObjectName(QStringLiteral("lblAll"));
    labels->addWidget(lblSelect);
    labels->addWidget(lblAll);
    sel->addLayout(labels);
    pnlSelect2 = new QWidget(tabSelect);
    pnlSelect2->setObjectName(QStringLiteral("pnlSelect2"));
    sel->addWidget(pnlSelect2, 1);
    auto *lists = new QHBoxLayout(pnlSelect2);
    lists->setContentsMargins(0, 0, 0, 0);
    auto makeList = [this](const char *name) {
        auto *l = new TtvListView(pnlSelect2);
        l->setObjectName(QString::fromLatin1(name));
        l->SetMultiSelect(true);
        l->setSelectionBehavior(QAbstractItemView::SelectRows);
        l->setEditTriggers(QAbstractItemView::NoEditTriggers);
        l->setRootIsDecorated(false);
        return l;
    };
    lstSelect = makeList("lstSelect");
    lstAll = makeList("lstAll");
    auto *mid = new QVBoxLayout;
    btnInsAll = Button(pnlSelect2, "btnInsAll", QStringLiteral("<<"), QStringLiteral("全て追加"));
    btnIns = Button(pnlSelect2, "btnIns", QStringLiteral("<"), QStringLiteral("追加"));
    btnDel = Button(pnlSelect2, "btnDel", QStringLiteral(">"), QStringLiteral("削除"));
    btnDelAll = Button(pnlSelect2, "btnDelAll", QStringLiteral(">>"), QStringLiteral("全て削除"));
    mid->addStretch();
    for (QToolButton *b : {btnInsAll, btnIns, btnDel, btnDelAll})
        mid->addWidget(b);
    mid->addStretch();
    lists->addWidget(lstSelect, 1);
    lists->addLayout(mid);
    lists->addWidget(lstAll, 1);

    // --- オプション
    tabOption = new QWidget(pagExp);
    tabOption->setObjectName(QStringLiteral("tabOption"));
    pagExp->addTab(tabOption, QStringLiteral("オプション"));
    auto *opt = new QGridLayout(TtvScrollBox::FillPage(tabOption));
    rdoUserID = new TtvRadioGroup(QStringLiteral(" 接続ユーザーID "),
                                  {QStringLiteral("現行ユーザーIDを使用"), QStringLiteral("ユーザーIDを指定")}, 1,
                                  tabOption);
    rdoUserID->setObjectName(QStringLiteral("rdoUserID"));
    rdoUserID->SetItemIndex(0);
    lblUserID = new QLabel(QStringLiteral("(ユーザーID)"), tabOption);
    lblUserID->setObjectName(QStringLiteral("lblUserID"));
    txtUserID = new TtvStrEdit(tabOption);
    txtUserID->setObjectName(QStringLiteral("txtUserID"));
    opt->addWidget(rdoUserID, 0, 0, 2, 1);
    opt->addWidget(lblUserID, 0, 1);
    opt->addWidget(txtUserID, 1, 1);
    grpSection = Group(tabOption, "grpSection", QStringLiteral("セクション"));
    chkPreData = Check(grpSection, grpSection->layout(), "chkPreData", QStringLiteral("pre-data"));
    chkSecData = Check(grpSection, grpSection->layout(), "chkSecData", QStringLiteral("data"));
    chkPostData = Check(grpSection, grpSection->layout(), "chkPostData", QStringLiteral("post-data"));
    QGroupBox *grpObject = Group(tabOption, "grpObject", QStringLiteral("バックアップするオブジェクト "));
    chkData = Check(grpObject, grpObject->layout(), "chkData", QStringLiteral("データのみ"));
    chkSchema = Check(grpObject, grpObject->layout(), "chkSchema", QStringLiteral("スキーマのみ"));
    chkBlobs = Check(grpObject, grpObject->layout(), "chkBlobs", QStringLiteral("ラージオブジェクトを含める"));
    QGroupBox *grpComp = Group(tabOption, "grpCompObject", QStringLiteral("バックアップから除外するオブジェクト "));
    chkOwner = Check(grpComp, grpComp->layout(), "chkOwner", QStringLiteral("所有権"));
    chkGrants = Check(grpComp, grpComp->layout(), "chkGrants", QStringLiteral("権限"));
    chkTablespaces = Check(grpComp, grpComp->layout(), "chkTablespaces", QStringLiteral("テーブルスペース"));
    chkUnlogTbl = Check(grpComp, grpComp->layout(), "chkUnlogTbl", QStringLiteral("Unlogged table data"));
    chkSecuritylbl = Check(grpComp, grpComp->layout(), "chkSecuritylbl", QStringLiteral("セキュリティラベル"));
    QGroupBox *grpQuery = Group(tabOption, "grpQueryMake", QStringLiteral("クエリー作成"));
    chkCreateDataBase =
        Check(grpQuery, grpQuery->layout(), "chkCreateDataBase", QStringLiteral("CREATE DATABASE 構文を含む"));
    chkDropDataBase = Check(grpQuery, grpQuery->layout(), "chkDropDataBase", QStringLiteral("DROP DATABASE 構文を含む"));
    chkColumnInserts = Check(grpQuery, grpQuery->layout(), "chkColumnInserts", QStringLiteral("列名インサート使用"));
    chkInserts = Check(grpQuery, grpQuery->layout(), "chkInserts", QStringLiteral("インサートコマンド使用"));
    QGroupBox *grpDisable = Group(tabOption, "grpDisable", QStringLiteral("無効にするコマンド"));
    chkTrigger = Check(grpDisable, grpDisable->layout(), "chkTrigger", QStringLiteral("トリガ"));
    chkTrigger->setEnabled(false);
    chkDollarQuoting = Check(grpDisable, grpDisable->layout(), "chkDollarQuoting", QStringLiteral("$引用符"));
    QGroupBox *grpOther = Group(tabOption, "grpOther", QStringLiteral("その他"));
    chkAuthorization = Check(grpOther, grpOther->layout(), "chkAuthorization", QStringLiteral("SET SESSION AUTHORIZATION "));
    chkOid = Check(grpOther, grpOther->layout(), "chkOid", QStringLiteral("OIDを含める"));
    chkQuote = Check(grpOther, grpOther->layout(), "chkQuote", QStringLiteral("識別子に引用符を付与"));
    chkSerializable =
        Check(grpOther, grpOther->layout(), "chkSerializable", QStringLiteral("serializable　トランザクション使用"));
    chkIfexists = Check(grpOther, grpOther->layout(), "chkIfexists", QStringLiteral("エラーを無視する"));
    lblTimeOut = new QLabel(QStringLiteral("タイムアウトを指定(ミリ秒)"), grpOther);
    lblTimeOut->setObjectName(QStringLiteral("lblTimeOut"));
    grpOther->layout()->addWidget(lblTimeOut);
    txtTimeOut = new TtvNumEdit(grpOther);
    txtTimeOut->setObjectName(QStringLiteral("txtTimeOut"));
    grpOther->layout()->addWidget(txtTimeOut);
    opt->addWidget(grpSection, 2, 0);
    opt->addWidget(grpObject, 2, 1);
    opt->addWidget(grpComp, 3, 0);
    opt->addWidget(grpQuery, 3, 1);
    opt->addWidget(grpDisable, 4, 0);
    opt->addWidget(grpOther, 4, 1);
    AddLogAndProgramRows(tabOption, opt, QStringLiteral("Exp"), chkLog, txtLogFile, btnLogFile, lblExpPgm, txtExpPgm,
                         btnExpPgm);

    // --- 結果ログ
    tabLog = AddLogPage(pagExp, txtLog);

    // Rules.
    connect(rdoFormat, &TtvRadioGroup::Clicked, this, Guarded([this](int) { rdoFormatClick(); }));
    connect(rdoMode, &TtvRadioGroup::Clicked, this, Guarded([this](int) { rdoModeClick(); }));
    connect(rdoUserID, &TtvRadioGroup::Clicked, this, Guarded([this](int) { rdoUserIDClick(); }));
    connect(chkData, &QCheckBox::toggled, this, Guarded([this](bool) { chkDataClick(); }));
    connect(chkSchema, &QCheckBox::toggled, this, Guarded([this](bool) { chkSchemaClick(); }));
    for (QCheckBox *c : {chkPreData, chkSecData, chkPostData})
        connect(c, &QCheckBox::toggled, this, Guarded([this](bool) { chkSectionClick(); }));
    connect(chkLog, &QCheckBox::toggled, this, Guarded([this](bool) { chkLogClick(); }));
    new TListPair(this, lstAll, lstSelect, btnInsAll, btnIns, btnDel, btnDelAll);
    connect(btnExpFile, &QToolButton::clicked, this, Guarded([this] { btnExpFileClick(); }));
    connect(btnLogFile, &QToolButton::clicked, this, Guarded([this] { btnLogFileClick(); }));
    connect(btnExpPgm, &QToolButton::clicked, this, Guarded([this] { btnExpPgmClick(); }));
    connect(pagExp, &QTabWidget::currentChanged, this, Guarded([this](int i) { pagExpChange(i); }));

    FinishCreate();
}

TfrmExp *TfrmExp::ShowWindow(IConnectionWindow *AOwner, int Mode, const QString &Schema, const QString &Table)
{
    if (!AOwner)
        return nullptr;
    const QString caption = QStringLiteral("バックアップ - ") + ConnectionText(AOwner);
    if (IMainWindow *m = MainWindow()) {
        if (TfrmExp *twin = m->FindWindowOf<TfrmExp>(caption, true))
            return twin;
    }
    TfrmExp *w = Open<TfrmExp>(AOwner);
    if (w)
        w->Opening(Mode, Schema, Table);
    return w;
}

void TfrmExp::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actAdminExport"), [](const TLaunchContext &c) -> QWidget * {
        return ShowWindow(c.Connection, c.ObjectType, c.Schema, c.ObjectName);
    });
}

void TfrmExp::Opening(int Mode, const QString &Schema, const QString &Table)
{
    const TExpOption &o = ExpOption;
    // 3. User.
    if (!o.UserID.trimmed().isEmpty()) {
        rdoUserID->SetItemIndex(1);
        rdoUserIDClick();
        txtUserID->SetText(o.UserID);
    } else {
        rdoUserID->SetItemIndex(0);
        rdoUserIDClick();
    }
    // 4.
    ApplyVersionOptions();
    // 5, 6.
    txtExpFile->SetText(o.ExpFile);
    txtCompres->SetText(o.Compres);
    cmbEncoding->setEditText(o.Encoding);
    cmbRoleName->setEditText(o.RoleName);
    const QList<QPair<QCheckBox *, bool>> boxes{
        {chkPreData, o.PreData},       {chkSecData, o.SecData},           {chkPostData, o.PostData},
        {chkData, o.Data},             {chkSchema, o.Schema},             {chkBlobs, o.Blobs},
        {chkOwner, o.Owner},           {chkGrants, o.Grants},             {chkTablespaces, o.Tablespaces},
        {chkUnlogTbl, o.UnlogTbl},     {chkSecuritylbl, o.Securitylbl},   {chkCreateDataBase, o.CreateDataBase},
        {chkDropDataBase, o.DropDataBase}, {chkColumnInserts, o.ColumnInserts}, {chkInserts, o.Inserts},
        {chkTrigger, o.Trigger},       {chkDollarQuoting, o.DollarQuoting}, {chkAuthorization, o.Authorization},
        {chkOid, o.Oid}};
    for (const auto &[box, value] : boxes)
        box->setChecked(value);
    // 7.
    IConnectionWindow *cw = OwnerForm();
    const int ver = cw ? cw->DBVer() : 0;
    chkOid->setVisible(ver < 120000);
    // 8.
    chkQuote->setChecked(o.Quote);
    chkSerializable->setChecked(o.Serializable);
    txtTimeOut->SetText(o.TimeOutMil);
    chkIfexists->setChecked(ver >= 90400 && o.Ifexists);
    // 9.
    chkLog->setChecked(!o.LogFile.isEmpty());
    chkLogClick();
    txtLogFile->SetText(o.LogFile);
    txtExpPgm->SetText(o.ExpPgm);
    // 10.
    FindDumpProgram();
    FOpened = true;
    // 12.
    rdoMode->SetItemIndex(Mode);
    rdoModeClick();
    // 13. Preselection: only what is among the available objects stays.
    if (Mode == 1 || Mode == 2) {
        const QStringList schemas = Schema.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        const QStringList tables = Table.split(QStringLiteral("\r\n"));
        for (int i = 0; i < schemas.size(); ++i)
            lstSelect->AddItem(schemas[i], Mode == 2 ? QStringList{tables.value(i)} : QStringList{});
        for (int i = lstSelect->ItemCount() - 1; i >= 0; --i) {
            TtvListItem *s = lstSelect->Item(i);
            bool found = false;
            for (int j = 0; j < lstAll->ItemCount(); ++j) {
                TtvListItem *a = lstAll->Item(j);
                if (a->Caption() == s->Caption() && (Mode == 1 || a->SubItem(0) == s->SubItem(0))) {
                    delete a;
                    found = true;
                    break;
                }
            }
            if (!found)
                delete s;
        }
    }
    // 14.
    if (txtExpPgm->Text().isEmpty()) {
        pagExp->setCurrentWidget(tabOption);
        txtExpPgm->setFocus();
        ShowMessageBox(QStringLiteral("pg_dump.exeが見つかりませんでした。\r\n"
                                      "この画面ではpostgreSQL のバックアップユーティリティである[pg_dump]およびパスワード"
                                      "ファイルである[pgpass.conf]を使用します。クライアントPCにpostgreSQLをインストールした後、"
                                      "使用ツールに「pg_dump.exe」を選択して下さい。"),
                       MB_ICONEXCLAMATION);
    }
}

void TfrmExp::ApplyVersionOptions()
{
    IConnectionWindow *cw = OwnerForm();
    const int v = cw ? cw->DBVer() : 0;
    rdoFormat->Button(3)->setVisible(v >= 90100);
    for (QCheckBox *c : {chkUnlogTbl, chkSecuritylbl, chkQuote, chkSerializable})
        c->setVisible(v >= 90100);
    grpSection->setVisible(v >= 90200);
    int format = qBound(0, ExpOption.Format, 3);
    if (v < 90100 && format == 3)
        format = 0;
    rdoFormat->SetItemIndex(format);
    rdoFormatClick();
    cmbRoleName->setEditText(QString());
    if (v < 90400)
        chkIfexists->setChecked(false);
    chkIfexists->setVisible(v >= 90400);
}

void TfrmExp::FindDumpProgram()
{
    if (QFileInfo(txtExpPgm->Text()).isFile())
        return;
    const QString found = FindPgProgram(QStringLiteral("pg_dump"));
    if (!found.isEmpty())
        txtExpPgm->SetText(found);
}

void TfrmExp::cmbDBNameChange()
{
    TtvToolForm::cmbDBNameChange();
    if (!FOpened)
        return;
    ApplyVersionOptions();
    rdoModeClick();
}

// ---------------------------------------------------------------------------
// Rules

void TfrmExp::rdoFormatClick()
{
    const int f = rdoFormat->ItemIndex();
    const bool plain = f == 0;
    const bool compress = f == 1 || f == 3;
    if (!compress)
        txtCompres->SetText(QString());
    txtCompres->setEnabled(compress);
    const int mode = rdoMode->ItemIndex();
    if (!plain) {
        for (QCheckBox *c : {chkDropDataBase, chkOwner, chkData, chkSchema, chkTrigger, chkTablespaces}) {
            c->setChecked(false);
            c->setEnabled(false);
        }
        chkBlobs->setEnabled(mode == 1 || mode == 2);
    } else {
        for (QCheckBox *c : {chkDropDataBase, chkOwner, chkData, chkSchema, chkTablespaces})
            c->setEnabled(true);
        chkBlobs->setChecked(false);
        chkBlobs->setEnabled(false);
    }
    lblExpFile->setText(f == 3 ? QStringLiteral("フォルダ名") : QStringLiteral("ファイル名"));
}

void TfrmExp::rdoModeClick()
{
    const int mode = rdoMode->ItemIndex();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    lstSelect->setUpdatesEnabled(false);
    lstAll->setUpdatesEnabled(false);
    struct Restore {
        TfrmExp *w;
        ~Restore()
        {
            w->lstSelect->setUpdatesEnabled(true);
            w->lstAll->setUpdatesEnabled(true);
            QApplication::restoreOverrideCursor();
        }
    } restore{this};
    lstSelect->clear();
    lstAll->clear();
    const bool lists = mode == 1 || mode == 2;
    pnlSelect2->setVisible(lists);
    lblSelect->setVisible(lists);
    lblAll->setVisible(lists);
    IConnectionWindow *cw = OwnerForm();
    if (lists && cw) {
        for (TtvListView *l : {lstSelect, lstAll}) {
            l->setColumnCount(0);
            l->AddColumn(QStringLiteral("スキーマ"), 200);
            if (mode == 2)
                l->AddColumn(QStringLiteral("テーブル"), 200);
        }
        tv::db::Query &q = cw->OpenSQL(BackupObjectListSQL(mode, cw->DBVer(), cw->g_bPostgresPlus()));
        for (q.First(); !q.Eof(); q.Next()) {
            if (mode == 2)
                lstAll->AddItem(q.Fields(0).AsString(), {q.Fields(1).AsString()});
            else
                lstAll->AddItem(q.Fields(0).AsString());
        }
    }
    const bool plain = rdoFormat->ItemIndex() == 0;
    if (!plain && lists) {
        chkBlobs->setEnabled(true);
    } else {
        chkBlobs->setChecked(false);
        chkBlobs->setEnabled(false);
    }
}

void TfrmExp::rdoUserIDClick()
{
    EnableToolEntry(rdoUserID->ItemIndex() == 1, txtUserID, lblUserID);
}

void TfrmExp::chkDataClick()
{
    const bool plain = rdoFormat->ItemIndex() == 0;
    if (chkData->isChecked()) {
        chkTrigger->setEnabled(plain);
        for (QCheckBox *c : {chkSchema, chkPreData, chkSecData, chkPostData})
            c->setEnabled(false);
    } else {
        chkTrigger->setEnabled(false);
        chkSchema->setEnabled(plain);
        for (QCheckBox *c : {chkPreData, chkSecData, chkPostData})
            c->setEnabled(true);
    }
}

void TfrmExp::chkSchemaClick()
{
    if (chkSchema->isChecked()) {
        for (QCheckBox *c : {chkData, chkPreData, chkSecData, chkPostData})
            c->setEnabled(false);
    } else {
        chkData->setEnabled(rdoFormat->ItemIndex() == 0);
        for (QCheckBox *c : {chkPreData, chkSecData, chkPostData})
            c->setEnabled(true);
    }
}

void TfrmExp::chkSectionClick()
{
    if (chkPreData->isChecked() || chkSecData->isChecked() || chkPostData->isChecked()) {
        chkData->setEnabled(false);
        chkSchema->setEnabled(false);
    } else if (rdoFormat->ItemIndex() == 0) {
        chkData->setEnabled(true);
        chkSchema->setEnabled(true);
    }
}

void TfrmExp::chkLogClick()
{
    EnableToolEntry(chkLog->isChecked(), txtLogFile, btnLogFile);
}

void TfrmExp::cmbRoleNameDropDown()
{
    FillToolRoleNames(cmbRoleName, OwnerForm());
}

void TfrmExp::btnExpFileClick()
{
    Dialogs &d = CurrentDialogs();
    if (rdoFormat->ItemIndex() == 3) {
        const QString dir = d.selectFolder(QStringLiteral("フォルダの選択"), QString());
        if (!dir.isEmpty())
            txtExpFile->SetText(dir);
        return;
    }
    FileDialogRequest r;
    r.fileName = txtExpFile->Text();
    r.filter = QStringLiteral("エクスポートファイル(*.DMP)|*.DMP|すべてのファイル(*.*)|*.*");
    const QString f = d.saveFile(r);
    if (!f.isEmpty())
        txtExpFile->SetText(f);
}

void TfrmExp::btnLogFileClick()
{
    BrowseToolLogFile(txtLogFile);
}

void TfrmExp::btnExpPgmClick()
{
    BrowseToolProgram(txtExpPgm);
}

void TfrmExp::pagExpChange(int Index)
{
    if (FFromCode || pagExp->widget(Index) != tabLog || !isEnabled())
        return;
    ReloadToolLog(txtLog, txtLogFile->Text());
}

// ---------------------------------------------------------------------------
// Execute

TDumpChoices TfrmExp::Choices() const
{
    TDumpChoices c;
    c.Format = rdoFormat->ItemIndex();
    c.Mode = rdoMode->ItemIndex();
    c.OutputPath = ToolPathOf(txtExpFile->Text());
    for (int i = 0; i < lstSelect->ItemCount(); ++i)
        c.Objects << TToolTarget{lstSelect->Item(i)->Caption(), lstSelect->Item(i)->SubItem(0)};
    c.UseUserID = rdoUserID->ItemIndex() == 1;
    c.UserID = txtUserID->Text();
    c.Compres = txtCompres->Text();
    c.Encoding = cmbEncoding->currentText();
    c.RoleName = cmbRoleName->currentText();
    c.PreData = chkPreData->isChecked();
    c.SecData = chkSecData->isChecked();
    c.PostData = chkPostData->isChecked();
    c.Data = chkData->isChecked();
    c.Schema = chkSchema->isChecked();
    c.Blobs = chkBlobs->isChecked();
    c.Owner = chkOwner->isChecked();
    c.Grants = chkGrants->isChecked();
    c.Tablespaces = chkTablespaces->isChecked();
    c.UnlogTbl = chkUnlogTbl->isChecked();
    c.Securitylbl = chkSecuritylbl->isChecked();
    c.CreateDataBase = chkCreateDataBase->isChecked();
    c.DropDataBase = chkDropDataBase->isChecked();
    c.ColumnInserts = chkColumnInserts->isChecked();
    c.Inserts = chkInserts->isChecked();
    c.Trigger = chkTrigger->isChecked();
    c.DollarQuoting = chkDollarQuoting->isChecked();
    c.Authorization = chkAuthorization->isChecked();
    c.Oid = chkOid->isChecked();
    c.Quote = chkQuote->isChecked();
    c.Serializable = chkSerializable->isChecked();
    c.Ifexists = chkIfexists->isChecked();
    c.TimeOut = txtTimeOut->Text();
    return c;
}

TToolCommand TfrmExp::Command() const
{
    IConnectionWindow *cw = OwnerForm();
    return BuildDumpCommand(txtExpPgm->Text(), Choices(), ToolConnectionOf(cw), cw ? cw->DBVer() : 0);
}

void TfrmExp::Fail(const QString &Text, QWidget *Page, QWidget *Focus)
{
    FFromCode = true;
    pagExp->setCurrentWidget(Page);
    FFromCode = false;
    if (Focus)
        Focus->setFocus();
    ShowMessageBox(Text, MB_ICONEXCLAMATION);
}

void TfrmExp::btnExecClick()
{
    const int mode = rdoMode->ItemIndex();
    const int format = rdoFormat->ItemIndex();
    if (mode < 0)
        return Fail(QStringLiteral("エクスポート方法を選択して下さい。"), tabSelect, rdoMode);
    if (format == 3) {
        QString text = txtExpFile->Text();
        if (text.trimmed().isEmpty())
            return Fail(QStringLiteral("出力フォルダ名を入力して下さい。"), tabSelect, txtExpFile);
        if (text.contains(QChar(0)))
            throw tv::Error(QStringLiteral("パスに無効な文字が含まれています"));
        const QString last = LastPathComponent(text);
        if (QFileInfo(text).isFile() || last.contains(QLatin1Char('.')))
            return Fail(QStringLiteral("directoryはフォルダ名を入力して下さい。"), tabSelect, txtExpFile);
        while (text.size() > 1 && text.endsWith(QLatin1Char('/')))
            text.chop(1);
        if (text != txtExpFile->Text())
            txtExpFile->SetText(text);
        if (QFileInfo(text).exists())
            return Fail(QStringLiteral("指定したフォルダは既に存在しています。"), tabSelect, txtExpFile);
    } else {
        const QString text = txtExpFile->Text();
        if (text.trimmed().isEmpty())
            return Fail(QStringLiteral("出力ファイル名を入力して下さい。"), tabSelect, txtExpFile);
        const QString folder = FolderPart(text);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            return Fail(QStringLiteral("指定したフォルダは存在していません。"), tabSelect, txtExpFile);
    }
    if ((mode == 1 || mode == 2) && lstSelect->ItemCount() == 0)
        return Fail(QStringLiteral("対象オブジェクトを選択して下さい。"), tabSelect, txtExpFile);
    if (chkLog->isChecked() && txtLogFile->Text().isEmpty())
        return Fail(QStringLiteral("ログ出力ファイルを入力して下さい。"), tabOption, txtLogFile);
    if (txtExpPgm->Text().trimmed().isEmpty())
        return Fail(QStringLiteral("使用ツールを選択して下さい。"), tabOption, txtExpPgm);
    if (!QFileInfo(txtExpPgm->Text()).isFile())
        return Fail(QStringLiteral("使用ツールが存在しません。"), tabOption, txtExpPgm);
    const unsigned ask = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
    if (ShowMessageBox(QStringLiteral("バックアップを開始します。よろしいですか？"), ask) != IDYES)
        return;
    if (format != 3) {
        const QString folder = FolderPart(txtExpFile->Text());
        if (!QFileInfo(folder).isDir()) {
            if (ShowMessageBox(QStringLiteral("指定したフォルダが存在しないため、\rフォルダを作成しますがよろしいですか？"),
                               ask) == IDYES)
                QDir().mkpath(folder);
        }
        if (QFileInfo(txtExpFile->Text()).isFile() &&
            ShowMessageBox(QStringLiteral("指定したファイルは既に存在しています。上書きしますか？"), ask) != IDYES) {
            FFromCode = true;
            pagExp->setCurrentWidget(tabSelect);
            FFromCode = false;
            txtExpFile->setFocus();
            return;
        }
    }
    // Write back.
    TExpOption &o = ExpOption;
    const TDumpChoices c = Choices();
    o.ExpFile = txtExpFile->Text();
    o.UserID = txtUserID->Text();
    o.Format = format;
    o.Compres = c.Compres;
    o.Encoding = c.Encoding.trimmed();
    o.RoleName = c.RoleName.trimmed();
    o.PreData = c.PreData;
    o.SecData = c.SecData;
    o.PostData = c.PostData;
    o.Data = c.Data;
    o.Schema = c.Schema;
    o.Blobs = c.Blobs;
    o.Owner = c.Owner;
    o.Grants = c.Grants;
    o.Tablespaces = c.Tablespaces;
    o.UnlogTbl = c.UnlogTbl;
    o.Securitylbl = c.Securitylbl;
    o.CreateDataBase = c.CreateDataBase;
    o.DropDataBase = c.DropDataBase;
    o.ColumnInserts = c.ColumnInserts;
    o.Inserts = c.Inserts;
    o.Trigger = c.Trigger;
    o.DollarQuoting = c.DollarQuoting;
    o.Authorization = c.Authorization;
    o.Oid = c.Oid;
    o.Quote = c.Quote;
    o.Serializable = c.Serializable;
    o.TimeOutMil = c.TimeOut;
    o.Ifexists = c.Ifexists;
    o.ExpPgm = txtExpPgm->Text();
    o.LogFile = txtLogFile->Text().trimmed();
    RunDump();
}

void TfrmExp::RunDump()
{
    IConnectionWindow *cw = OwnerForm();
    const TToolConnection conn = ToolConnectionOf(cw);
    const TDumpChoices c = Choices();
    const TToolCommand cmd = BuildDumpCommand(txtExpPgm->Text(), c, conn, cw ? cw->DBVer() : 0);
    txtLog->Lines()->Clear();
    FFromCode = true;
    pagExp->setCurrentWidget(tabLog);
    FFromCode = false;
    // pg_dump writes beside the archive; only a finished run takes its place.
    TToolOutput output(c.OutputPath, c.Format == 3);
    TDumpChoices work = c;
    work.OutputPath = output.WorkPath();
    TToolCommand run = cmd;
    run.Arguments = BuildDumpCommand(txtExpPgm->Text(), work, conn, cw ? cw->DBVer() : 0).Arguments;
    const tv::process::ProcessResult r =
        RunToolCommand(txtExpPgm->Text(), run, ToolPassword(ToolUser(c.UseUserID, c.UserID, conn), conn), txtLog);
    if (r.succeeded())
        output.Commit();
    else
        output.Discard();
    if (!r.started && !r.stopped) {
        ShowMessageBox(txtExpPgm->Text() + QStringLiteral(" の実行に失敗しました。"), MB_ICONEXCLAMATION);
        return;
    }
    if (chkLog->isChecked())
        WriteToolLog(txtLog, txtLogFile->Text());
    if (r.stopped)
        ShowMessageBox(QStringLiteral("バックアップを中断しました。"), MB_ICONEXCLAMATION);
    else if (r.succeeded())
        ShowMessageBox(QStringLiteral("バックアップを完了しました。"), MB_ICONINFORMATION);
    else
        ShowMessageBox(txtExpPgm->Text() + QStringLiteral(" の実行に失敗しました。\r\n終了コード: ") +
                           QString::number(r.exitCode),
                       MB_ICONEXCLAMATION);
}
