#include "tools/frmDataPump.h"

#include "common/IConnectionWindow.h"
#include "common/MessageDlg.h"
#include "common/ProcessRunner.h"
#include "common/tvOption.h"
#include "controls/tvComboBox.h"
#include "editor/tvMemo.h"
#include "platform/db/Connection.h"
#include "platform/ui/Guard.h"
#include "tools/ToolRun.h"
#include "tools/ToolWidgets.h"
#include "tools/frmExpdp.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

using namespace tv::ui;
using namespace toolui;

TfrmDataPump::TfrmDataPump(QObject *AOwner, const QString &ClassName) : TtvToolForm(AOwner, ClassName) {}

QTabWidget *TfrmDataPump::BuildPages(const char *PagesName)
{
    btnExec = new QAction(QStringLiteral("実行(&E)"), this);
    btnExec->setObjectName(QStringLiteral("btnExec"));
    tolCmd->addAction(btnExec);
    tolCmd->addAction(actExit);
    AddDBNamePanel();

    FPages = new QTabWidget(this);
    FPages->setObjectName(QString::fromLatin1(PagesName));
    layout()->addWidget(FPages);
    tabSelect = new QWidget(FPages);
    tabSelect->setObjectName(QStringLiteral("tabSelect"));
    FPages->addTab(tabSelect, QStringLiteral("選択"));
    tabOption = new QWidget(FPages);
    tabOption->setObjectName(QStringLiteral("tabOption"));
    FPages->addTab(tabOption, QStringLiteral("オプション"));
    return FPages;
}

void TfrmDataPump::AddOptionRows(QGridLayout *Grid, const QString &ObjectsCaption, const QString &LogCaption,
                                 const QString &Tool, TtvStrEdit *&txtPgm, QToolButton *&btnPgm,
                                 TtvComboBox *&cmbLogDirObj)
{
    QWidget *page = tabOption;
    QGroupBox *grpObject = Group(page, "grpObject", ObjectsCaption);
    chkGrants = Check(grpObject, grpObject->layout(), "chkGrants", QStringLiteral("権限"));
    chkIndexes = Check(grpObject, grpObject->layout(), "chkIndexes", QStringLiteral("索引"));
    chkRows = Check(grpObject, grpObject->layout(), "chkRows", QStringLiteral("データ行"));
    chkConstraints = Check(grpObject, grpObject->layout(), "chkConstraints", QStringLiteral("制約"));
    for (QCheckBox *c : {chkGrants, chkIndexes, chkRows, chkConstraints})
        c->setChecked(true);
    Grid->addWidget(grpObject, 0, 0, 3, 1);
    rdoUserID = new TtvRadioGroup(QStringLiteral(" 接続ユーザーID "),
                                  {QStringLiteral("現行ユーザーIDを使用"), QStringLiteral("ユーザーIDを指定")}, 1,
                                  page);
    rdoUserID->setObjectName(QStringLiteral("rdoUserID"));
    rdoUserID->SetItemIndex(0);
    Grid->addWidget(rdoUserID, 0, 1, 2, 1);
    lblUserID = new QLabel(QStringLiteral("(ユーザーID)"), page);
    lblUserID->setObjectName(QStringLiteral("lblUserID"));
    txtUserID = new TtvStrEdit(page);
    txtUserID->setObjectName(QStringLiteral("txtUserID"));
    lblPass = new QLabel(QStringLiteral("(パスワード)"), page);
    lblPass->setObjectName(QStringLiteral("lblPass"));
    txtPass = new TtvStrEdit(page);
    txtPass->setObjectName(QStringLiteral("txtPass"));
    txtPass->setEchoMode(QLineEdit::Password);
    Grid->addWidget(lblUserID, 0, 2);
    Grid->addWidget(txtUserID, 0, 3);
    Grid->addWidget(lblPass, 1, 2);
    Grid->addWidget(txtPass, 1, 3);
    chkBackground = new QCheckBox(QStringLiteral("バッググラウンド実行"), page);
    chkBackground->setObjectName(QStringLiteral("chkBackground"));
    Grid->addWidget(chkBackground, 2, 1);
    Grid->addWidget(new QLabel(QStringLiteral("使用ツール"), page), 3, 0);
    txtPgm = new TtvStrEdit(page);
    txtPgm->setObjectName(QStringLiteral("txt") + Tool + QStringLiteral("Pgm"));
    btnPgm = Button(page, (QStringLiteral("btn") + Tool + QStringLiteral("Pgm")).toLatin1().constData(),
                    QStringLiteral("..."));
    Grid->addWidget(txtPgm, 3, 1, 1, 2);
    Grid->addWidget(btnPgm, 3, 3);
    Grid->addWidget(new QLabel(QStringLiteral("NLS_LANG"), page), 4, 0);
    txtNLSLANG = new TtvStrEdit(page);
    txtNLSLANG->setObjectName(QStringLiteral("txtNLSLANG"));
    Grid->addWidget(txtNLSLANG, 4, 1, 1, 2);
    chkLog = new QCheckBox(LogCaption, page);
    chkLog->setObjectName(QStringLiteral("chkLog"));
    chkLog->setChecked(true);
    Grid->addWidget(chkLog, 5, 0);
    Grid->addWidget(new QLabel(QStringLiteral("ログファイル名"), page), 6, 0);
    txtLogFile = new TtvStrEdit(page);
    txtLogFile->setObjectName(QStringLiteral("txtLogFile"));
    Grid->addWidget(txtLogFile, 6, 1);
    Grid->addWidget(new QLabel(QStringLiteral("ディレクトリオブジェクト"), page), 6, 2);
    cmbLogDirObj = new TtvComboBox(page);
    cmbLogDirObj->setObjectName(QStringLiteral("cmb") + Tool + QStringLiteral("LogDirObj"));
    cmbLogDirObj->setEditable(false);
    Grid->addWidget(cmbLogDirObj, 6, 3);
    FProgram = txtPgm;
    FProgramButton = btnPgm;
}

void TfrmDataPump::FinishPages()
{
    tabLog = AddLogPage(FPages, txtLog);
    connect(btnExec, &QAction::triggered, this, Guarded([this] { btnExecClick(); }));
    connect(rdoUserID, &TtvRadioGroup::Clicked, this, [this](int) { rdoUserIDClick(); });
    connect(chkLog, &QCheckBox::toggled, this, [this](bool) { chkLogClick(); });
    connect(FProgramButton, &QToolButton::clicked, this, Guarded([this] { BrowseToolProgram(FProgram); }));
    connect(FPages, &QTabWidget::currentChanged, this, [this](int i) {
        if (!FFromCode && FPages->widget(i) == tabLog && isEnabled())
            ReloadToolLog(txtLog, txtLogFile->Text());
    });
    rdoUserIDClick();
}

void TfrmDataPump::rdoUserIDClick()
{
    const bool own = rdoUserID->ItemIndex() == 1;
    for (QWidget *w : std::initializer_list<QWidget *>{txtUserID, txtPass, lblUserID, lblPass})
        w->setEnabled(own);
    if (!own) {
        txtUserID->SetText(QString());
        txtPass->SetText(QString());
    }
}

void TfrmDataPump::StoreNlsLang()
{
    tvOption.NLS_LANG = txtNLSLANG->Text().trimmed();
}

void TfrmDataPump::CommonChoices(TDataPumpChoices &c, const TtvComboBox *cmbLogDirObj) const
{
    c.Mode = rdoMode->ItemIndex();
    c.Log = chkLog->isChecked();
    c.LogDirObj = cmbLogDirObj->currentText();
    c.LogFile = txtLogFile->Text();
    c.Grants = chkGrants->isChecked();
    c.Indexes = chkIndexes->isChecked();
    c.Rows = chkRows->isChecked();
    c.Constraints = chkConstraints->isChecked();
}

TDataPumpCommand TfrmDataPump::ToolCommand(const QString &Program, const QString &ParFile, bool TrimUser,
                                           bool TrimDatabase) const
{
    IConnectionWindow *cw = OwnerForm();
    TDataPumpCommand cmd;
    cmd.Program = Program;
    const tv::db::ConnectionParams p = cw ? cw->dbsMain().Params() : tv::db::ConnectionParams();
    QString connect;
    if (rdoUserID->ItemIndex() == 1) {
        connect = DataPumpConnectText(TrimUser ? txtUserID->Text().trimmed() : txtUserID->Text(),
                                      TrimDatabase ? p.Database.trimmed() : p.Database);
        cmd.Password = txtPass->Text().trimmed();
    } else {
        connect = DataPumpConnectText(p.User_Name, p.Database);
        cmd.Password = p.Password;
    }
    QString folder = tvOption.TempDir;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    cmd.Arguments = QStringList{connect, QStringLiteral("PARFILE=") + folder + ParFile};
    cmd.Display = tv::process::JoinCommandLine(QStringList{cmd.Program} + cmd.Arguments);
    return cmd;
}

void TfrmDataPump::RunTool(const QString &ParFile, const QStringList &Lines, const QString &Title)
{
    WriteDataPumpParameterFile(tvOption.TempDir, ParFile, Lines);
    const TDataPumpCommand cmd = Command();
    if (!chkBackground->isChecked()) {
        FFromCode = true;
        FPages->setCurrentWidget(tabLog);
        FFromCode = false;
    }
    RunDataPump(cmd, chkBackground->isChecked(), txtNLSLANG->Text().trimmed(), txtLog, txtLogFile->Text(), Title);
}

void TfrmDataPump::Fail(const QString &Text, QWidget *Page, QWidget *Focus)
{
    FFromCode = true;
    FPages->setCurrentWidget(Page);
    FFromCode = false;
    if (Focus)
        Focus->setFocus();
    ShowMessageBox(Text, MB_ICONEXCLAMATION);
}
