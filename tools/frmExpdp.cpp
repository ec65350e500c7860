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
    if (r.stopped) {
        ShowMessageBox(Title + QStringLiteral("を中断しました。"), MB_ICONEXCLAMATION);
        return;
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


// ---------------------------------------------------------------------------
// The window

TfrmExpdp::TfrmExpdp(QObject *AOwner) : TfrmDataPump(AOwner, QStringLiteral("TfrmExpdp"))
{
    setObjectName(QStringLiteral("frmExpdp"));
    resize(846, 540);
    pagExpdp = BuildPages("pagExpdp");

    // --- 選択
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
    auto *opt = new QGridLayout(tabOption);
    AddOptionRows(opt, QStringLiteral(" 同時にエクスポートするオブジェクト "), QStringLiteral("ログファイルの生成"),
                  QStringLiteral("Expdp"), txtExpdpPgm, btnExpdpPgm, cmbExpdpLogDirObj);
    opt->setRowStretch(7, 1);

    FinishPages();
    connect(rdoMode, &TtvRadioGroup::Clicked, this, Guarded([this](int) { rdoModeClick(); }));
    connect(btnInsAll, &QToolButton::clicked, this, [this] { MoveListItems(lstAll, lstSelect, true); });
    connect(btnIns, &QToolButton::clicked, this, [this] { MoveListItems(lstAll, lstSelect, false); });
    connect(btnDel, &QToolButton::clicked, this, [this] { MoveListItems(lstSelect, lstAll, false); });
    connect(btnDelAll, &QToolButton::clicked, this, [this] { MoveListItems(lstSelect, lstAll, true); });
    connect(lstAll, &QListWidget::itemDoubleClicked, this, [this] { MoveListItems(lstAll, lstSelect, false); });
    connect(lstSelect, &QListWidget::itemDoubleClicked, this, [this] { MoveListItems(lstSelect, lstAll, false); });
    lstAll->installEventFilter(this);
    lstSelect->installEventFilter(this);
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
    LoadCommon(o);
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

TDataPumpChoices TfrmExpdp::Choices() const
{
    TDataPumpChoices c;
    CommonChoices(c, cmbExpdpLogDirObj);
    c.DirObj = cmbExpdpDirObj->currentText();
    c.File = txtExpdpFile->Text();
    for (int i = 0; i < lstSelect->count(); ++i)
        c.Objects << lstSelect->item(i)->text();
    return c;
}

TDataPumpCommand TfrmExpdp::Command() const
{
    return ToolCommand(txtExpdpPgm->Text(), QStringLiteral("EXPDP.PRM"), false, true);
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
    StoreCommon(o);
    o.ExpPgm = txtExpdpPgm->Text();
    o.ExpdpLogDirObj = cmbExpdpLogDirObj->currentText().trimmed();
    RunExport();
}

void TfrmExpdp::RunExport()
{
    RunTool(QStringLiteral("EXPDP.PRM"), ExpdpParameterLines(Choices()), QStringLiteral("エクスポート"));
}
