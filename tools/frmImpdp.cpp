#include "tools/frmImpdp.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/ImpdpOption.h"
#include "common/MessageDlg.h"
#include "common/ProcessRunner.h"
#include "common/tvOption.h"
#include "controls/tvComboBox.h"
#include "controls/tvRadioGroup.h"
#include "controls/tvStrEdit.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "tools/ToolRun.h"
#include "tools/ToolWidgets.h"
#include "tools/frmExpdp.h"
#include "tools/frmImpdpList.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace tv::ui;
using namespace toolui;

namespace {

const QString kTitle = QStringLiteral("インポート DataPump - ");

QStringList LinesOf(const QString &Text)
{
    return Text.split(QRegularExpression(QStringLiteral("\r\n|\n")), Qt::SkipEmptyParts);
}


void DeleteSelected(QListWidget *List)
{
    qDeleteAll(List->selectedItems());
}

QStringList Entries(const QListWidget *List)
{
    QStringList out;
    for (int i = 0; i < List->count(); ++i)
        out << List->item(i)->text();
    return out;
}

} // namespace

TfrmImpdp::TfrmImpdp(QObject *AOwner) : TfrmDataPump(AOwner, QStringLiteral("TfrmImpdp"))
{
    setObjectName(QStringLiteral("frmImpdp"));
    resize(846, 580);
    pagImpdp = BuildPages("pagImpdp");

    // --- 選択
    auto *sel = new QVBoxLayout(tabSelect);
    rdoMode = new TtvRadioGroup(QStringLiteral(" インポート方法 "),
                                {QStringLiteral("全データベース"), QStringLiteral("ユーザー指定"),
                                 QStringLiteral("テーブル指定")},
                                3, tabSelect);
    rdoMode->setObjectName(QStringLiteral("rdoMode"));
    rdoMode->SetItemIndex(2);
    sel->addWidget(rdoMode);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("ファイル名"), tabSelect));
    txtImpdpFile = new TtvStrEdit(tabSelect);
    txtImpdpFile->setObjectName(QStringLiteral("txtImpdpFile"));
    btnImpdpFile = Button(tabSelect, "btnImpdpFile", QStringLiteral("..."));
    btnList = Button(tabSelect, "btnList", QStringLiteral("一覧"));
    fileRow->addWidget(txtImpdpFile, 1);
    fileRow->addWidget(btnImpdpFile);
    fileRow->addWidget(btnList);
    fileRow->addWidget(new QLabel(QStringLiteral("ディレクトリオブジェクト"), tabSelect));
    cmbImpdpDirObj = new TtvComboBox(tabSelect);
    cmbImpdpDirObj->setObjectName(QStringLiteral("cmbImpdpDirObj"));
    cmbImpdpDirObj->setEditable(false);
    fileRow->addWidget(cmbImpdpDirObj, 1);
    sel->addLayout(fileRow);
    auto *groups = new QHBoxLayout;
    grpUser = new QGroupBox(QStringLiteral(" 対象ユーザー指定 "), tabSelect);
    grpUser->setObjectName(QStringLiteral("grpUser"));
    auto *gu = new QGridLayout(grpUser);
    txtFromUser = new TtvStrEdit(grpUser);
    txtFromUser->setObjectName(QStringLiteral("txtFromUser"));
    cmbToUser = new TtvComboBox(grpUser);
    cmbToUser->setObjectName(QStringLiteral("cmbToUser"));
    cmbToUser->setEditable(false);
    btnAddUser = Button(grpUser, "btnAddUser", QStringLiteral("追加"));
    btnDelUser = Button(grpUser, "btnDelUser", QStringLiteral("取消"));
    lstUser = SortedList(grpUser, "lstUser");
    gu->addWidget(txtFromUser, 0, 0);
    gu->addWidget(new QLabel(QStringLiteral("→"), grpUser), 0, 1);
    gu->addWidget(cmbToUser, 0, 2);
    gu->addWidget(btnAddUser, 0, 3);
    gu->addWidget(btnDelUser, 0, 4);
    gu->addWidget(lstUser, 1, 0, 1, 5);
    grpTable = new QGroupBox(QStringLiteral(" 対象テーブル指定 "), tabSelect);
    grpTable->setObjectName(QStringLiteral("grpTable"));
    auto *gt = new QGridLayout(grpTable);
    txtFromTable = new QPlainTextEdit(grpTable);
    txtFromTable->setObjectName(QStringLiteral("txtFromTable"));
    txtFromTable->setMaximumHeight(60);
    btnAddTable = Button(grpTable, "btnAddTable", QStringLiteral("追加"));
    btnDelTable = Button(grpTable, "btnDelTable", QStringLiteral("取消"));
    lstTable = SortedList(grpTable, "lstTable");
    gt->addWidget(txtFromTable, 0, 0);
    gt->addWidget(btnAddTable, 0, 1);
    gt->addWidget(btnDelTable, 0, 2);
    gt->addWidget(lstTable, 1, 0, 1, 3);
    groups->addWidget(grpUser, 1);
    groups->addWidget(grpTable, 1);
    sel->addLayout(groups, 1);

    // --- オプション
    auto *opt = new QGridLayout(tabOption);
    AddOptionRows(opt, QStringLiteral(" 同時にインポートするオブジェクト "), QStringLiteral("ログ出力"),
                  QStringLiteral("Impdp"), txtImpdpPgm, btnImpdpPgm, cmbImpdpLogDirObj);
    chkDestroy = new QCheckBox(QStringLiteral("表領域データ・ファイルの上書き"), tabOption);
    chkDestroy->setObjectName(QStringLiteral("chkDestroy"));
    opt->addWidget(chkDestroy, 2, 2, 1, 2);
    chkIgnore = new QCheckBox(QStringLiteral("表が存在する場合に実行する処理"), tabOption);
    chkIgnore->setObjectName(QStringLiteral("chkIgnore"));
    rdoIgnore = new TtvRadioGroup(QString(),
                                  {QStringLiteral("スキップ"), QStringLiteral("追加"), QStringLiteral("切捨て"),
                                   QStringLiteral("置換")},
                                  4, tabOption);
    rdoIgnore->setObjectName(QStringLiteral("rdoIgnore"));
    rdoIgnore->SetItemIndex(0);
    opt->addWidget(chkIgnore, 7, 0);
    opt->addWidget(rdoIgnore, 7, 1, 1, 3);
    chkInfo = new QCheckBox(QStringLiteral("表/索引情報"), tabOption);
    chkInfo->setObjectName(QStringLiteral("chkInfo"));
    cmbImpdpInfoDirObj = new TtvComboBox(tabOption);
    cmbImpdpInfoDirObj->setObjectName(QStringLiteral("cmbImpdpInfoDirObj"));
    cmbImpdpInfoDirObj->setEditable(false);
    cmbImpdpInfoDirObj->setEnabled(false);
    txtIndexFile = new TtvStrEdit(tabOption);
    txtIndexFile->setObjectName(QStringLiteral("txtIndexFile"));
    txtIndexFile->setEnabled(false);
    opt->addWidget(chkInfo, 8, 0);
    opt->addWidget(new QLabel(QStringLiteral("ディレクトリオブジェクト"), tabOption), 9, 0);
    opt->addWidget(cmbImpdpInfoDirObj, 9, 1);
    opt->addWidget(new QLabel(QStringLiteral("ファイル名"), tabOption), 9, 2);
    opt->addWidget(txtIndexFile, 9, 3);
    opt->setRowStretch(10, 1);

    FinishPages();
    connect(rdoMode, &TtvRadioGroup::Clicked, this, Guarded([this](int) { rdoModeClick(); }));
    connect(chkInfo, &QCheckBox::toggled, this, [this](bool) { chkInfoClick(); });
    connect(chkIgnore, &QCheckBox::toggled, this, [this](bool) { chkIgnoreClick(); });
    connect(txtImpdpFile, &QLineEdit::textChanged, this, [this] { txtImpdpFileChange(); });
    connect(btnImpdpFile, &QToolButton::clicked, this, Guarded([this] { btnImpdpFileClick(); }));
    connect(btnList, &QToolButton::clicked, this, Guarded([this] { btnListClick(); }));
    connect(btnAddUser, &QToolButton::clicked, this, Guarded([this] { btnAddUserClick(); }));
    connect(btnDelUser, &QToolButton::clicked, this, [this] { DeleteSelected(lstUser); });
    connect(cmbToUser, &QComboBox::activated, this, Guarded([this](int) { cmbToUserChange(); }));
    connect(lstUser, &QListWidget::itemClicked, this, [this] { lstUserClick(); });
    connect(btnAddTable, &QToolButton::clicked, this, Guarded([this] { btnAddTableClick(); }));
    connect(btnDelTable, &QToolButton::clicked, this, [this] { DeleteSelected(lstTable); });
    rdoModeClick();
}

TfrmImpdp *TfrmImpdp::ShowWindow(IConnectionWindow *AOwner)
{
    if (!AOwner)
        return nullptr;
    IMainWindow *m = MainWindow();
    if (m) {
        if (TfrmImpdp *twin = m->FindWindowOf<TfrmImpdp>(DataPumpCaption(kTitle, AOwner), true))
            return twin;
    }
    auto *w = new TfrmImpdp(m ? static_cast<QObject *>(m->MainWidget()) : static_cast<QObject *>(AOwner->FormWidget()));
    w->FinishOpen(AOwner);
    w->Opening();
    return w;
}

void TfrmImpdp::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("DataPumpImport"),
                       [](const TLaunchContext &c) -> QWidget * { return ShowWindow(c.Connection); });
}

void TfrmImpdp::cmbDBNameChange()
{
    IConnectionWindow *cw = SelectedConnection();
    if (!cw)
        return;
    SetOwnerForm(cw);
    if (!FOpened) {
        setWindowTitle(DataPumpCaption(kTitle, cw));
        const tv::db::ConnectionParams &p = cw->dbsMain().Params();
        SetTaskCaption(p.User_Name + QStringLiteral(" @ ") + p.Database);
        return;
    }
    QStringList users;
    if (auto *f = dynamic_cast<TfrmObject *>(cw))
        f->GetUser(users, true);
    cmbToUser->clear();
    cmbToUser->addItems(users);
    cmbToUser->setCurrentIndex(-1);
}

void TfrmImpdp::Opening()
{
    const TImpdpOption &o = ImpdpOption;
    FOpened = true;
    // 3. The directory list: on this server the opening stops here.
    FillDataPumpDirectories(cmbImpdpDirObj, OwnerForm(), o.ImpdpDirObj);
    // 4.
    txtImpdpFile->SetText(o.ImpFile);
    LoadCommon(o);
    // 5.
    FillDataPumpDirectories(cmbImpdpInfoDirObj, OwnerForm(), o.ImpdpInfoDirObj);
    chkInfo->setChecked(!o.IndexFile.isEmpty());
    chkInfoClick();
    txtIndexFile->SetText(o.IndexFile);
    // 6.
    const bool notTables = rdoMode->ItemIndex() != 2;
    chkIgnore->setChecked(o.Ignore);
    chkIgnore->setEnabled(o.Ignore && notTables);
    rdoIgnore->setEnabled(chkIgnore->isEnabled());
    chkDestroy->setEnabled(notTables);
    chkDestroy->setChecked(o.Destroy && notTables);
    // 7.
    txtImpdpPgm->SetText(o.ImpPgm);
    chkBackground->setChecked(o.Background);
    FillDataPumpDirectories(cmbImpdpLogDirObj, OwnerForm(), o.ImpdpLogDirObj);
    chkLog->setChecked(!o.LogFile.isEmpty());
    chkLogClick();
    txtLogFile->SetText(o.LogFile);
    // 8.
    lstUser->clear();
    lstUser->addItems(LinesOf(o.UserList));
    lstTable->clear();
    lstTable->addItems(LinesOf(o.TableList));
    txtNLSLANG->SetText(tvOption.NLS_LANG);
    rdoIgnore->SetItemIndex(o.IgnoreItem);
    // 9, 10.
    FindImpdpProgram();
    cmbDBNameChange();
}

void TfrmImpdp::FindImpdpProgram()
{
    if (QFileInfo(txtImpdpPgm->Text()).isFile())
        return;
    const QString home = tvOption.OracleHome;
    if (home.isEmpty())
        return;
    const QString candidate = home + QStringLiteral("/bin/impdp");
    if (QFileInfo(candidate).isFile())
        txtImpdpPgm->SetText(candidate);
}

void TfrmImpdp::rdoModeClick()
{
    lstUser->clear();
    lstTable->clear();
    const int mode = rdoMode->ItemIndex();
    grpUser->setVisible(mode == 1 || mode == 2);
    grpTable->setVisible(mode == 2);
    btnList->setEnabled(mode == 1 || mode == 2);
    chkIgnore->setEnabled(mode != 2);
    chkDestroy->setEnabled(mode != 2);
    rdoIgnore->setEnabled(chkIgnore->isEnabled() && chkIgnore->isChecked());
}

void TfrmImpdp::chkLogClick()
{
    const bool on = chkLog->isChecked();
    txtLogFile->setEnabled(on);
    cmbImpdpLogDirObj->setEnabled(on);
    if (!on)
        txtLogFile->SetText(QString());
}

void TfrmImpdp::chkInfoClick()
{
    const bool on = chkInfo->isChecked();
    txtIndexFile->setEnabled(on);
    cmbImpdpInfoDirObj->setEnabled(on);
    if (!on)
        txtIndexFile->SetText(QString());
}

void TfrmImpdp::chkIgnoreClick()
{
    rdoIgnore->setEnabled(chkIgnore->isEnabled() && chkIgnore->isChecked());
}

void TfrmImpdp::txtImpdpFileChange()
{
    lstUser->clear();
    lstTable->clear();
}

void TfrmImpdp::btnImpdpFileClick()
{
    FileDialogRequest r;
    r.fileName = txtImpdpFile->Text();
    r.filter = QStringLiteral("エクスポートファイル(*.DMP)|*.DMP|すべてのファイル(*.*)|*.*");
    const QString f = CurrentDialogs().openFile(r);
    if (f.isEmpty())
        return;
    QString name = f;
    const qsizetype cut = qMax(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/')));
    name = name.mid(cut + 1);
    txtImpdpFile->SetText(name);
    lstUser->clear();
    lstTable->clear();
}

void TfrmImpdp::PutUser(const QString &Source, const QString &Entry)
{
    for (int i = 0; i < lstUser->count(); ++i) {
        if (DataPumpRemapSource(lstUser->item(i)->text()) == Source) {
            delete lstUser->item(i);
            break;
        }
    }
    lstUser->addItem(Entry);
}

void TfrmImpdp::btnAddUserClick()
{
    const QString source = txtFromUser->Text();
    if (source.trimmed().isEmpty()) {
        ShowMessageBox(QStringLiteral("ユーザー名を指定して下さい。"), MB_ICONEXCLAMATION);
        txtFromUser->setFocus();
        return;
    }
    QString target = cmbToUser->currentText().trimmed();
    if (target.isEmpty())
        target = source.trimmed();
    PutUser(source.trimmed(), DataPumpRemapEntry(source, target));
}

void TfrmImpdp::cmbToUserChange()
{
    const QString source = txtFromUser->Text().trimmed();
    if (source.isEmpty())
        return;
    for (int i = 0; i < lstUser->count(); ++i) {
        if (DataPumpRemapSource(lstUser->item(i)->text()) == source) {
            btnAddUserClick();
            return;
        }
    }
}

void TfrmImpdp::lstUserClick()
{
    QListWidgetItem *it = lstUser->currentItem();
    if (!it)
        return;
    txtFromUser->SetText(DataPumpRemapSource(it->text()));
    cmbToUser->setCurrentIndex(cmbToUser->findText(DataPumpRemapTarget(it->text()), Qt::MatchExactly));
}

void TfrmImpdp::btnAddTableClick()
{
    const QString text = txtFromTable->toPlainText();
    if (text.trimmed().isEmpty()) {
        ShowMessageBox(QStringLiteral("テーブル名を指定して下さい。"), MB_ICONEXCLAMATION);
        txtFromTable->setFocus();
        return;
    }
    for (int i = 0; i < lstTable->count(); ++i) {
        if (lstTable->item(i)->text().trimmed() == text.trimmed())
            return;
    }
    lstTable->addItems(text.split(QRegularExpression(QStringLiteral("\r\n|\n"))));
}

TDataPumpChoices TfrmImpdp::Choices() const
{
    TDataPumpChoices c;
    CommonChoices(c, cmbImpdpLogDirObj);
    c.DirObj = cmbImpdpDirObj->currentText();
    c.File = txtImpdpFile->Text();
    c.InfoDirObj = cmbImpdpInfoDirObj->currentText();
    c.IndexFile = txtIndexFile->Text();
    c.TableExists = chkIgnore->isChecked() && chkIgnore->isEnabled();
    c.TableExistsItem = rdoIgnore->ItemIndex();
    c.ReuseDatafiles = chkDestroy->isChecked();
    c.UserMap = Entries(lstUser);
    c.Tables = Entries(lstTable);
    return c;
}

TDataPumpCommand TfrmImpdp::Command() const
{
    return ToolCommand(txtImpdpPgm->Text(), QStringLiteral("IMPDP.PRM"), true, false);
}

void TfrmImpdp::btnExecClick()
{
    const int mode = rdoMode->ItemIndex();
    if (mode < 0)
        return Fail(QStringLiteral("インポート方法を選択して下さい。"), tabSelect, rdoMode);
    if (txtImpdpFile->Text().trimmed().isEmpty())
        return Fail(QStringLiteral("入力ファイル名を入力して下さい。"), tabSelect, txtImpdpFile);
    if ((mode == 1 || mode == 2) && lstUser->count() == 0)
        return Fail(QStringLiteral("対象ユーザーを選択して下さい。"), tabSelect, lstUser);
    if (mode == 2 && lstTable->count() == 0)
        return Fail(QStringLiteral("対象テーブルを選択して下さい。"), tabSelect, lstTable);
    if (chkLog->isChecked() && txtLogFile->Text().isEmpty())
        return Fail(QStringLiteral("ログ出力ファイルを入力して下さい。"), tabOption, txtLogFile);
    if (ShowMessageBox(QStringLiteral("インポートを開始します。よろしいですか？"),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    TImpdpOption &o = ImpdpOption;
    o.ImpdpDirObj = cmbImpdpDirObj->currentText();
    o.ImpFile = txtImpdpFile->Text();
    StoreCommon(o);
    o.ImpdpInfoDirObj = cmbImpdpInfoDirObj->currentText().trimmed();
    o.IndexFile = txtIndexFile->Text();
    o.Ignore = chkIgnore->isChecked();
    o.IgnoreItem = rdoIgnore->ItemIndex();
    o.Destroy = chkDestroy->isChecked();
    o.ImpPgm = txtImpdpPgm->Text();
    o.ImpdpLogDirObj = cmbImpdpLogDirObj->currentText().trimmed();
    o.UserList = Entries(lstUser).join(QStringLiteral("\r\n"));
    o.TableList = Entries(lstTable).join(QStringLiteral("\r\n"));
    RunImport();
}

void TfrmImpdp::RunImport()
{
    RunTool(QStringLiteral("IMPDP.PRM"), ImpdpParameterLines(Choices()), QStringLiteral("インポート"));
}

// ---------------------------------------------------------------------------
// The dump listing

void TfrmImpdp::btnListClick()
{
    if (ImpdpFilePath + txtImpdpFile->Text() != FImpdpBack) {
        if (ShowMessageBox(QStringLiteral("全DBを出力した場合など、Dumpファイルのサイズにより、\r\n"
                                          "一覧表示まで数分～数十分かかる場合があります。よろしいですか？"),
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return;
        ReadData();
    }
    TfrmImpdpList::ShowWindow(this);
}

void TfrmImpdp::GetImportFilePath()
{
    const QString path = DataPumpDirectoryPath(OwnerForm(), cmbImpdpDirObj->currentText());
    if (!path.isEmpty())
        ImpdpFilePath = path;
}

TDataPumpCommand TfrmImpdp::ListCommand(const QString &SqlFile) const
{
    TDataPumpCommand cmd;
    cmd.Program = QStringLiteral("IMPDP");
    IConnectionWindow *cw = OwnerForm();
    const tv::db::ConnectionParams p = cw ? cw->dbsMain().Params() : tv::db::ConnectionParams();
    QString connect;
    const QString osAuth = p.value(QStringLiteral("OSAuthent")).toUpper();
    if (osAuth == QLatin1String("YES")) {
        connect = QStringLiteral("/");
    } else {
        connect = p.User_Name;
        cmd.Password = p.Password;
    }
    if (!p.Database.toUpper().contains(QLatin1String("<LOCAL>")))
        connect += QLatin1Char('@') + p.Database;
    const QString auth = p.value(QStringLiteral("AuthMode")).toUpper();
    if (auth == QLatin1String("SYSDBA"))
        connect += QStringLiteral(" AS SYSDBA");
    else if (auth == QLatin1String("SYSOPER"))
        connect += QStringLiteral(" AS SYSOPER");
    const QString dir = cmbImpdpDirObj->currentText();
    cmd.Arguments = QStringList{connect, QStringLiteral("DUMPFILE=") + dir + QLatin1Char(':') + txtImpdpFile->Text(),
                                QStringLiteral("SQLFILE=") + dir + QLatin1Char(':') + SqlFile};
    cmd.Display = tv::process::JoinCommandLine(QStringList{cmd.Program} + cmd.Arguments);
    return cmd;
}

void TfrmImpdp::ReadData()
{
    GetImportFilePath();
    const QString file = txtImpdpFile->Text();
    const qsizetype dot = file.indexOf(QLatin1Char('.'));
    const QString sqlFile = (dot < 0 ? QString() : file.left(dot)) + QStringLiteral(".SQL");
    {
        tv::process::ProcessResult r;
        {
            TMemoLineSink sink(txtLog);
            r = RunProgramToMemo(DataPumpRequest(ListCommand(sqlFile), QString()), sink);
        }
        if (r.stopped)
            return; // the log says so; a listing cut short is not read
        if (r.started)
            txtLog->Lines()->Clear();
    }
    const QString path = ImpdpFilePath + sqlFile;
    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            throw tv::Error(path + QStringLiteral(": ") + probe.errorString());
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    IMainWindow *m = MainWindow();
    if (m)
        m->SetLoopMessage(0, 0);
    struct Back {
        TfrmImpdp *w;
        IMainWindow *m;
        ~Back()
        {
            if (m)
                m->SetDefMessage();
            QApplication::restoreOverrideCursor();
            w->FImpdpBack = w->ImpdpFilePath + w->txtImpdpFile->Text();
        }
    } back{this, m};
    FUserList.clear();
    FTableList.clear();
    TDumpSqlScanner scanner;
    scanner.Stop = [] { return EscapePressed(); };
    scanner.ScanFile(path);
    FUserList = scanner.Users;
    FTableList = scanner.Tables;
}
