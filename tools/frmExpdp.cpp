#include "tools/frmExpdp.h"

#include "common/ExpdpOption.h"
#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/ProcessRunner.h"
#include "common/Quote.h"
#include "common/tvOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "tools/ToolRun.h"
#include "tools/ToolWidgets.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QRegularExpression>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace tv::ui;
using namespace toolui;

// ---------------------------------------------------------------------------
// Shared with the import window

QStringList DataPumpCatalogColumn(IConnectionWindow *Form, const QString &SQLText)
{
    if (!Form)
        throw tv::Error(QStringLiteral("データベースに接続されていません。"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Back {
        ~Back() { QApplication::restoreOverrideCursor(); }
    } back;
    tv::db::StatementSavepoint sp(Form->dbsMain());
    tv::db::Query &q = Form->OpenSQL(SQLText);
    QStringList out;
    for (q.First(); !q.Eof(); q.Next())
        out << q.Fields(0).AsString();
    q.Close();
    sp.release();
    return out;
}

QString DataPumpCaption(const QString &Title, IConnectionWindow *Form)
{
    if (!Form)
        return Title;
    const tv::db::ConnectionParams &p = Form->dbsMain().Params();
    return Title + p.User_Name + QStringLiteral(" @ ") + p.Database;
}

void FillDataPumpDirectories(TtvComboBox *Combo, IConnectionWindow *Form, const QString &Wanted)
{
    Combo->clear();
    const QStringList names =
        DataPumpCatalogColumn(Form, QStringLiteral("SELECT DIRECTORY_NAME FROM DBA_DIRECTORIES ORDER BY DIRECTORY_NAME"));
    Combo->addItems(names);
    int at = names.isEmpty() ? -1 : 0;
    if (!Wanted.isEmpty()) {
        for (int i = 0; i < names.size(); ++i) {
            if (names[i].contains(Wanted)) {
                at = i;
                break;
            }
        }
    }
    Combo->setCurrentIndex(at);
}

QString DataPumpDirectoryPath(IConnectionWindow *Form, const QString &DirObj)
{
    try {
        const QStringList rows = DataPumpCatalogColumn(
            Form, QStringLiteral("SELECT DIRECTORY_PATH FROM DBA_DIRECTORIES WHERE DIRECTORY_NAME = ") + QuoteLiteral(DirObj));
        if (rows.isEmpty())
            return QString();
        QString path = rows.first();
        if (!path.endsWith(QLatin1Char('\\')) && !path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('\\');
        return path;
    } catch (...) {
        return QString();
    }
}

void RunDataPump(const TDataPumpCommand &Command, bool Background, const QString &NlsLang, TtvMemo *Log,
                 const QString &LogFile, const QString &Title)
{
    Log->Lines()->Clear();
    if (Background) {
        QString error;
        if (!StartDataPumpDetached(Command, NlsLang, &error)) {
            ShowMessageBox(Command.Program + QStringLiteral(" の実行に失敗しました。"), MB_ICONEXCLAMATION);
            return;
        }
        ShowMessageBox(Title + QStringLiteral("を開始しました。\r\n終了確認はセッション情報画面で行って下さい。"),
                       MB_ICONINFORMATION);
        return;
    }
    tv::process::ProcessResult r;
    {
        TMemoLineSink sink(Log);
        r = RunProgramToMemo(DataPumpRequest(Command, NlsLang), sink);
    }
    if (!r.started) {
        ShowMessageBox(Command.Program + QStringLiteral(" の実行に失敗しました。"), MB_ICONEXCLAMATION);
        return;
    }
    if (r.succeeded())
        ShowMessageBox(Title + QStringLiteral("を完了しました。"), MB_ICONINFORMATION);
    else
        ShowMessageBox(Command.Program + QStringLiteral(" の実行に失敗しました。\r\n終了コード: ") +
                           QString::number(r.exitCode),
                       MB_ICONEXCLAMATION);
    if (Log->Lines()->Text().trimmed().isEmpty())
        Log->Lines()->LoadFromFile(LogFile.trimmed());
}

void MoveListItems(QListWidget *From, QListWidget *To, bool All)
{
    QList<QListWidgetItem *> items;
    if (All) {
        for (int i = 0; i < From->count(); ++i)
            items << From->item(i);
    } else {
        items = From->selectedItems();
    }
    for (QListWidgetItem *it : items) {
        To->addItem(it->text());
        delete it;
    }
    To->sortItems();
}

namespace {

QListWidget *SortedList(QWidget *parent, const char *name)
{
    auto *l = new QListWidget(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    l->setSortingEnabled(true);
    return l;
}

} // namespace

// ---------------------------------------------------------------------------
// The window

TfrmExpdp::TfrmExpdp(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmExpdp"))
{
    setObjectName(QStringLiteral("frmExpdp"));
    resize(846, 540);

    btnExec = new QAction(QStringLiteral("実行(&E)"), this);
    btnExec->setObjectName(QStringLiteral("btnExec"));
    connect(btnExec, &QAction::triggered, this, Guarded([this] { btnExecClick(); }));
    tolCmd->addAction(btnExec);
    tolCmd->addAction(actExit);
    AddDBNamePanel();

    pagExpdp = new QTabWidget(this);
    pagExpdp->setObjectName(QStringLiteral("pagExpdp"));
    layout()->addWidget(pagExpdp);

    // --- 選択
    tabSelect = new QWidget(pagExpdp);
    tabSelect->setObjectName(QStringLiteral("tabSelect"));
    pagExpdp->addTab(tabSelect, QStringLiteral("選択"));
    auto *sel = new QVBoxLayout(tabSelect);
    rdoMode = new TtvRadioGroup(QStringLiteral(" エクスポート方法 "),
                                {QStringLiteral("全データベース"), QStringLiteral("ユーザー指定"),
                                 QStringLiteral("テーブル指定"), QStringLiteral("表領域指定")},
                                4, tabSelect);
    rdoMode->setObjectName(QStringLiteral("rdoMode"));
    sel->addWidget(rdoMode);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("ファイル名"), tabSelect));
    txtExpdpFile = new TtvStrEdit(tabSelect);
    txtExpdpFile->setObjectName(QStringLiteral("txtExpdpFile"));
    fileRow->addWidget(txtExpdpFile, 1);
    fileRow->addWidget(new QLabel(QStringLiteral("ディレクトリオブジェクト"), tabSelect));
    cmbExpdpDirObj = new TtvComboBox(tabSelect);
    cmbExpdpDirObj->setObjectName(QStringLiteral("cmbExpdpDirObj"));
    cmbExpdpDirObj->setEditable(false);
    fileRow->addWidget(cmbExpdpDirObj, 1);
    sel->addLayout(fileRow);
    auto *labels = new QHBoxLayout;
    labels->addWidget(new QLabel(QStringLiteral("対象オブジェクト"), tabSelect));
    labels->addWidget(new QLabel(QStringLiteral("選択可能オブジェクト"), tabSelect));
    sel->addLayout(labels);
    auto *lists = new QHBoxLayout;
    lstSelect = SortedList(tabSelect, "lstSelect");
    lstAll = SortedList(tabSelect, "lstAll");
    auto *mid = new QVBoxLayout;
    btnInsAll = Button(tabSelect, "btnInsAll", QStringLiteral("<<"), QStringLiteral("全て追加"));
    btnIns = Button(tabSelect, "btnIns", QStringLiteral("<"), QStringLiteral("追加"));
    btnDel = Button(tabSelect, "btnDel", QStringLiteral(">"), QStringLiteral("削除"));
    btnDelAll = Button(tabSelect, "btnDelAll", QStringLiteral(">>"), QStringLiteral("全て削除"));
    mid->addStretch();
    for (QToolButton *b : {btnInsAll, btnIns, btnDel, btnDelAll})
        mid->addWidget(b);
    mid->addStretch();
    lists->addWidget(lstSelect, 1);
    lists->addLayout(mid);
    lists->addWidget(lstAll, 1);
    sel->addLayout(lists, 1);

    // --- オプション
    tabOption = new QWidget(pagExpdp);
    tabOption->setObjectName(QStringLiteral("tabOption"));
    pagExpdp->addTab(tabOption, QStringLiteral("オプション"));
    auto *opt = new QGridLayout(tabOption);
    QGroupBox *grpObject = Group(tabOption, "grpObject", QStringLiteral(" 同時にエクスポートするオブジェクト "));
    chkGrants = Check(grpObject, grpObject->layout(), "chkGrants", QStringLiteral("権限"));
    chkIndexes = Check(grpObject, grpObject->layout(), "chkIndexes", QStringLiteral("索引"));
    chkRows = Check(grpObject, grpObject->layout(), "chkRows", QStringLiteral("データ行"));
    chkConstraints = Check(grpObject, grpObject->layout(), "chkConstraints", QStringLiteral("制約"));
    for (QCheckBox *c : {chkGrants, chkIndexes, chkRows, chkConstraints})
        c->setChecked(true);
    opt->addWidget(grpObject, 0, 0, 3, 1);
    rdoUserID = new TtvRadioGroup(QStringLiteral(" 接続ユーザーID "),
                                  {QStringLiteral("現行ユーザーIDを使用"), QStringLiteral("ユーザーIDを指定")}, 1,
                                  tabOption);
    rdoUserID->setObjectName(QStringLiteral("rdoUserID"));
    rdoUserID->SetItemIndex(0);
    opt->addWidget(rdoUserID, 0, 1, 2, 1);
    lblUserID = new QLabel(QStringLiteral("(ユーザーID)"), tabOption);
    lblUserID->setObjectName(QStringLiteral("lblUserID"));
    txtUserID = new TtvStrEdit(tabOption);
    txtUserID->setObjectName(QStringLiteral("txtUserID"));
    lblPass = new QLabel(QStringLiteral("(パスワード)"), tabOption);
    lblPass->setObjectName(QStringLiteral("lblPass"));
    txtPass = new TtvStrEdit(tabOption);
    txtPass->setObjectName(QStringLiteral("txtPass"));
    txtPass->setEchoMode(QLineEdit::Password);
    opt->addWidget(lblUserID, 0, 2);
    opt->addWidget(txtUserID, 0, 3);
    opt->addWidget(lblPass, 1, 2);
    opt->addWidget(txtPass, 1, 3);
    chkBackground = new QCheckBox(QStringLiteral("バッググラウンド実行"), tabOption);
    chkBackground->setObjectName(QStringLiteral("chkBackground"));
    opt->addWidget(chkBackground, 2, 1);
    opt->addWidget(new QLabel(QStringLiteral("使用ツール"), tabOption), 3, 0);
    txtExpdpPgm = new TtvStrEdit(tabOption);
    txtExpdpPgm->setObjectName(QStringLiteral("txtExpdpPgm"));
    btnExpdpPgm = Button(tabOption, "btnExpdpPgm", QStringLiteral("..."));
    opt->addWidget(txtExpdpPgm, 3, 1, 1, 2);
    opt->addWidget(btnExpdpPgm, 3, 3);
    opt->addWidget(new QLabel(QStringLiteral("NLS_LANG"), tabOption), 4, 0);
    txtNLSLANG = new TtvStrEdit(tabOption);
    txtNLSLANG->setObjectName(QStringLiteral("txtNLSLANG"));
    opt->addWidget(txtNLSLANG, 4, 1, 1, 2);
    chkLog = new QCheckBox(QStringLiteral("ログファイルの生成"), tabOption);
    chkLog->setObjectName(QStringLiteral("chkLog"));
    chkLog->setChecked(true);
    opt->addWidget(chkLog, 5, 0);
    opt->addWidget(new QLabel(QStringLiteral("ログファイル名"), tabOption), 6, 0);
    txtLogFile = new TtvStrEdit(tabOption);
    txtLogFile->setObjectName(QStringLiteral("txtLogFile"));
    opt->addWidget(txtLogFile, 6, 1);
    opt->addWidget(new QLabel(QStringLiteral("ディレクトリオブジェクト"), tabOption), 6, 2);
    cmbExpdpLogDirObj = new TtvComboBox(tabOption);
    cmbExpdpLogDirObj->setObjectName(QStringLiteral("cmbExpdpLogDirObj"));
    cmbExpdpLogDirObj->setEditable(false);
    opt->addWidget(cmbExpdpLogDirObj, 6, 3);
    opt->setRowStretch(7, 1);

    // --- 結果ログ
    tabLog = AddLogPage(pagExpdp, txtLog);

    connect(rdoMode, &TtvRadioGroup::Clicked, this, Guarded([this](int) { rdoModeClick(); }));
    connect(rdoUserID, &TtvRadioGroup::Clicked, this, [this](int) { rdoUserIDClick(); });
    connect(chkLog, &QCheckBox::toggled, this, [this](bool) { chkLogClick(); });
    connect(btnInsAll, &QToolButton::clicked, this, [this] { MoveListItems(lstAll, lstSelect, true); });
    connect(btnIns, &QToolButton::clicked, this, [this] { MoveListItems(lstAll, lstSelect, false); });
    connect(btnDel, &QToolButton::clicked, this, [this] { MoveListItems(lstSelect, lstAll, false); });
    connect(btnDelAll, &QToolButton::clicked, this, [this] { MoveListItems(lstSelect, lstAll, true); });
    connect(lstAll, &QListWidget::itemDoubleClicked, this, [this] { MoveListItems(lstAll, lstSelect, false); });
    connect(lstSelect, &QListWidget::itemDoubleClicked, this, [this] { MoveListItems(lstSelect, lstAll, false); });
    lstAll->installEventFilter(this);
    lstSelect->installEventFilter(this);
    connect(btnExpdpPgm, &QToolButton::clicked, this, Guarded([this] { BrowseToolProgram(txtExpdpPgm); }));
    connect(pagExpdp, &QTabWidget::currentChanged, this, [this](int i) {
        if (!FFromCode && pagExpdp->widget(i) == tabLog && isEnabled())
            ReloadToolLog(txtLog, txtLogFile->Text());
    });
    rdoUserIDClick();
}

void TfrmExpdp::LoadSettings()
{
    // Only the saved height takes effect.
    resize(846, height());
    TtvToolForm::LoadSettings();
    resize(846, height());
}

TfrmExpdp *TfrmExpdp::ShowWindow(IConnectionWindow *AOwner, int Mode, const QString &Item)
{
    if (!AOwner)
        return nullptr;
    IMainWindow *m = MainWindow();
    if (m) {
        if (TfrmExpdp *twin =
                m->FindWindowOf<TfrmExpdp>(DataPumpCaption(QStringLiteral("エクスポート DataPump - "), AOwner), true))
            return twin;
    }
    auto *w = new TfrmExpdp(m ? static_cast<QObject *>(m->MainWidget()) : static_cast<QObject *>(AOwner->FormWidget()));
    w->FinishOpen(AOwner);
    // The catalog reads fail on this server: the window stays with what
    // was filled before, and the error is shown.
    w->Opening(Mode, Item);
    return w;
}

void TfrmExpdp::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("DataPumpExport"), [](const TLaunchContext &c) -> QWidget * {
        if (!c.Connection)
            return nullptr;
        return ShowWindow(c.Connection, 1, c.Connection->dbsMain().Params().User_Name);
    });
}

void TfrmExpdp::cmbDBNameChange()
{
    IConnectionWindow *cw = SelectedConnection();
    if (!cw)
        return;
    SetOwnerForm(cw);
    if (!FOpened) {
        // The caption names the connection the window was opened for.
        setWindowTitle(DataPumpCaption(QStringLiteral("エクスポート DataPump - "), cw));
        const tv::db::ConnectionParams &p = cw->dbsMain().Params();
        SetTaskCaption(p.User_Name + QStringLiteral(" @ ") + p.Database);
        return;
    }
    rdoModeClick();
}

void TfrmExpdp::Opening(int Mode, const QString &Item)
{
    const TExpdpOption &o = ExpdpOption;
    FOpened = true;
    // 4, 5, 7: what needs no catalog.
    txtExpdpFile->SetText(o.ExpdpFile);
    if (!o.UserID.trimmed().isEmpty()) {
        rdoUserID->SetItemIndex(1);
        rdoUserIDClick();
        txtUserID->SetText(o.UserID);
        txtPass->SetText(o.Pass);
    } else {
        rdoUserID->SetItemIndex(0);
        rdoUserIDClick();
    }
    chkGrants->setChecked(o.Grants);
    chkIndexes->setChecked(o.Indexes);
    chkRows->setChecked(o.Rows);
    chkConstraints->setChecked(o.Constraints);
    txtExpdpPgm->SetText(o.ExpPgm);
    chkBackground->setChecked(o.Background);
    chkLog->setChecked(!o.LogFile.isEmpty());
    chkLogClick();
    txtLogFile->SetText(o.LogFile);
    txtNLSLANG->SetText(tvOption.NLS_LANG);
    FindExpdpProgram();
    // 3, 6: the directory lists; 10, 11: the mode and the chosen objects.
    FillDataPumpDirectories(cmbExpdpDirObj, OwnerForm(), o.ExpdpDirObj);
    FillDataPumpDirectories(cmbExpdpLogDirObj, OwnerForm(), o.ExpdpLogDirObj);
    rdoMode->SetItemIndex(Mode);
    rdoModeClick();
    const QStringList items = Item.split(QRegularExpression(QStringLiteral("\r\n|\n")), Qt::SkipEmptyParts);
    for (const QString &s : items) {
        const QList<QListWidgetItem *> found = lstAll->findItems(s, Qt::MatchExactly);
        if (found.isEmpty())
            continue;
        delete found.first();
        lstSelect->addItem(s);
    }
}

void TfrmExpdp::FindExpdpProgram()
{
    if (QFileInfo(txtExpdpPgm->Text()).isFile())
        return;
    const QString home = tvOption.OracleHome;
    if (home.isEmpty())
        return;
    const QString candidate = home + QStringLiteral("/bin/expdp");
    if (QFileInfo(candidate).isFile())
        txtExpdpPgm->SetText(candidate);
}

void TfrmExpdp::rdoModeClick()
{
    lstSelect->clear();
    lstAll->clear();
    IConnectionWindow *cw = OwnerForm();
    QString sql;
    switch (rdoMode->ItemIndex()) {
    case 1:
        sql = QStringLiteral("SELECT USERNAME FROM ALL_USERS");
        break;
    case 2:
        sql = QStringLiteral("SELECT RTRIM(OWNER) || '.' || OBJECT_NAME FROM ALL_OBJECTS WHERE OBJECT_TYPE = 'TABLE'");
        if (cw && cw->DBVer() > 99999)
            sql += QStringLiteral(" AND OBJECT_ID NOT IN (SELECT PURGE_OBJECT FROM USER_RECYCLEBIN)");
        break;
    case 3:
        sql = QStringLiteral("SELECT TABLESPACE_NAME FROM USER_TABLESPACES ORDER BY 1");
        break;
    default:
        return;
    }
    lstAll->addItems(DataPumpCatalogColumn(cw, sql));
}

void TfrmExpdp::rdoUserIDClick()
{
    const bool own = rdoUserID->ItemIndex() == 1;
    for (QWidget *w : std::initializer_list<QWidget *>{txtUserID, txtPass, lblUserID, lblPass})
        w->setEnabled(own);
    if (!own) {
        txtUserID->SetText(QString());
        txtPass->SetText(QString());
    }
}

void TfrmExpdp::chkLogClick()
{
    const bool on = chkLog->isChecked();
    txtLogFile->setEnabled(on);
    cmbExpdpLogDirObj->setEnabled(on);
    if (!on) {
        txtLogFile->SetText(QString());
        cmbExpdpLogDirObj->setCurrentIndex(-1);
    }
}

bool TfrmExpdp::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(Event)->key();
        if (Watched == lstAll && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            MoveListItems(lstAll, lstSelect, false);
            return true;
        }
        if (Watched == lstSelect && key == Qt::Key_Delete) {
            MoveListItems(lstSelect, lstAll, false);
            return true;
        }
    }
    return TtvToolForm::eventFilter(Watched, Event);
}

void TfrmExpdp::Fail(const QString &Text, QWidget *Page, QWidget *Focus)
{
    FFromCode = true;
    pagExpdp->setCurrentWidget(Page);
    FFromCode = false;
    if (Focus)
        Focus->setFocus();
    ShowMessageBox(Text, MB_ICONEXCLAMATION);
}

TDataPumpChoices TfrmExpdp::Choices() const
{
    TDataPumpChoices c;
    c.Mode = rdoMode->ItemIndex();
    c.DirObj = cmbExpdpDirObj->currentText();
    c.File = txtExpdpFile->Text();
    c.Log = chkLog->isChecked();
    c.LogDirObj = cmbExpdpLogDirObj->currentText();
    c.LogFile = txtLogFile->Text();
    c.Grants = chkGrants->isChecked();
    c.Indexes = chkIndexes->isChecked();
    c.Rows = chkRows->isChecked();
    c.Constraints = chkConstraints->isChecked();
    for (int i = 0; i < lstSelect->count(); ++i)
        c.Objects << lstSelect->item(i)->text();
    return c;
}

TDataPumpCommand TfrmExpdp::Command() const
{
    IConnectionWindow *cw = OwnerForm();
    TDataPumpCommand cmd;
    cmd.Program = txtExpdpPgm->Text();
    const tv::db::ConnectionParams p = cw ? cw->dbsMain().Params() : tv::db::ConnectionParams();
    QString connect;
    if (rdoUserID->ItemIndex() == 1) {
        connect = DataPumpConnectText(txtUserID->Text(), p.Database.trimmed());
        cmd.Password = txtPass->Text().trimmed();
    } else {
        connect = DataPumpConnectText(p.User_Name, p.Database);
        cmd.Password = p.Password;
    }
    QString folder = tvOption.TempDir;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    cmd.Arguments = QStringList{connect, QStringLiteral("PARFILE=") + folder + QStringLiteral("EXPDP.PRM")};
    cmd.Display = tv::process::JoinCommandLine(QStringList{cmd.Program} + cmd.Arguments);
    return cmd;
}

void TfrmExpdp::btnExecClick()
{
    const int mode = rdoMode->ItemIndex();
    if (mode < 0)
        return Fail(QStringLiteral("エクスポート方法を選択して下さい。"), tabSelect, rdoMode);
    if (cmbExpdpDirObj->currentText().trimmed().isEmpty())
        return Fail(QStringLiteral("ディレクトリオブジェクトを入力して下さい。"), tabSelect, cmbExpdpDirObj);
    if (txtExpdpFile->Text().trimmed().isEmpty())
        return Fail(QStringLiteral("出力ファイル名を入力して下さい。"), tabSelect, txtExpdpFile);
    if ((mode == 1 || mode == 2) && lstSelect->count() == 0)
        return Fail(QStringLiteral("対象オブジェクトを選択して下さい。"), tabSelect, txtExpdpFile);
    if (chkLog->isChecked() && cmbExpdpLogDirObj->currentText().trimmed().isEmpty())
        return Fail(QStringLiteral("ログのディレクトリオブジェクトを入力して下さい。"), tabOption, cmbExpdpLogDirObj);
    if (chkLog->isChecked() && txtLogFile->Text().isEmpty())
        return Fail(QStringLiteral("ログ出力ファイルを入力して下さい。"), tabOption, txtLogFile);
    if (ShowMessageBox(QStringLiteral("エクスポートを開始します。よろしいですか？"),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    // An existing dump file as seen from here.
    const QString path = DataPumpDirectoryPath(OwnerForm(), cmbExpdpDirObj->currentText());
    if (!path.isEmpty()) {
        ImpdpFilePath = path;
        if (QFileInfo(ImpdpFilePath + txtExpdpFile->Text()).isFile())
            return Fail(QStringLiteral("指定したファイルは既に存在しています。別名で保存してください。"), tabSelect,
                        txtExpdpFile);
    }
    TExpdpOption &o = ExpdpOption;
    o.ExpdpDirObj = cmbExpdpDirObj->currentText();
    o.ExpdpFile = txtExpdpFile->Text();
    o.UserID = txtUserID->Text();
    o.Pass = txtPass->Text();
    o.Grants = chkGrants->isChecked();
    o.Indexes = chkIndexes->isChecked();
    o.Rows = chkRows->isChecked();
    o.Constraints = chkConstraints->isChecked();
    o.ExpPgm = txtExpdpPgm->Text();
    o.Background = chkBackground->isChecked();
    o.ExpdpLogDirObj = cmbExpdpLogDirObj->currentText().trimmed();
    o.LogFile = txtLogFile->Text().trimmed();
    tvOption.NLS_LANG = txtNLSLANG->Text().trimmed();
    RunExport();
}

void TfrmExpdp::RunExport()
{
    WriteDataPumpParameterFile(tvOption.TempDir, QStringLiteral("EXPDP.PRM"), ExpdpParameterLines(Choices()));
    const TDataPumpCommand cmd = Command();
    if (!chkBackground->isChecked()) {
        FFromCode = true;
        pagExpdp->setCurrentWidget(tabLog);
        FFromCode = false;
    }
    RunDataPump(cmd, chkBackground->isChecked(), txtNLSLANG->Text().trimmed(), txtLog, txtLogFile->Text(),
                QStringLiteral("エクスポート"));
}
