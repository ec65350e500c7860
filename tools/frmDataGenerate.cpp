#include "tools/frmDataGenerate.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/Interaction.h"
#include "common/MessageDlg.h"
#include "common/tvOption.h"
#include "editor/EditorStrings.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmObject.h"
#include "tools/DataGenCheck.h"
#include "tools/DataGenFile.h"
#include "tools/DataGenRun.h"
#include "tools/DataGenValue.h"
#include "tools/ToolWidgets.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace tv::ui;

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QLineEdit *CountEdit(QWidget *parent, const char *name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(9);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?\\d{0,9}")), e));
    e->setMaximumWidth(100);
    // A negative count is taken as its absolute value.
    QObject::connect(e, &QLineEdit::editingFinished, e, [e] {
        if (e->text().startsWith(u'-'))
            e->setText(e->text().mid(1));
    });
    return e;
}

qint64 CountOf(const QLineEdit *e)
{
    return std::abs(e->text().trimmed().toLongLong());
}

QString CountText(qint64 v)
{
    return v == 0 ? QString() : QString::number(v);
}

} // namespace

TfrmDataGenerate::TfrmDataGenerate(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmDataGenerate"))
{
    setObjectName(QStringLiteral("frmDataGenerate"));
    resize(678, 687);
    FRandom = std::make_unique<TSeededRandom>();

    btnExec = new QAction(QStringLiteral("実行(&E)"), this);
    btnExec->setObjectName(QStringLiteral("btnExec"));
    connect(btnExec, &QAction::triggered, this, Guarded([this] { btnExecClick(); }));
    tolCmd->addAction(btnExec);
    actExit->setObjectName(QStringLiteral("btnExit"));
    tolCmd->addAction(actExit);
    tolCmd->addSeparator();
    auto *pnl = new QWidget(tolCmd);
    auto *pl = new QHBoxLayout(pnl);
    pl->setContentsMargins(4, 0, 4, 0);
    pl->addWidget(new QLabel(QStringLiteral("スキーマ"), pnl));
    cmbSchema = new QLineEdit(pnl);
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    pl->addWidget(cmbSchema);
    pl->addWidget(new QLabel(QStringLiteral("名前"), pnl));
    txtName = new QLineEdit(pnl);
    txtName->setObjectName(QStringLiteral("txtName"));
    pl->addWidget(txtName);
    pnl->setEnabled(false);
    tolCmd->addWidget(pnl);

    pagGenerate = new QTabWidget(this);
    pagGenerate->setObjectName(QStringLiteral("pagGenerate"));
    layout()->addWidget(pagGenerate);

    // --- オプション
    tabOption = new QWidget(pagGenerate);
    tabOption->setObjectName(QStringLiteral("tabOption"));
    pagGenerate->addTab(tabOption, QStringLiteral("オプション"));
    auto *opt = new QVBoxLayout(tabOption);
    auto *grp = new QGroupBox(QStringLiteral(" データ生成方法 "), tabOption);
    grp->setObjectName(QStringLiteral("grpMode"));
    opt->addWidget(grp);
    auto *g = new QGridLayout(grp);
    rdoNormal = new QRadioButton(QStringLiteral("通常のデータ生成"), grp);
    rdoNormal->setObjectName(QStringLiteral("rdoNormal"));
    rdoNormal->setChecked(true);
    lblCount = new QLabel(QStringLiteral("作成件数"), grp);
    txtCount = CountEdit(grp, "txtCount");
    g->addWidget(rdoNormal, 0, 0, 1, 2);
    g->addWidget(lblCount, 0, 2);
    g->addWidget(txtCount, 0, 3);
    rdoMaster = new QRadioButton(QStringLiteral("親テーブルのデータに従属するデータを作成"), grp);
    rdoMaster->setObjectName(QStringLiteral("rdoMaster"));
    g->addWidget(rdoMaster, 1, 0, 1, 4);
    lblMaster = new QLabel(QStringLiteral("親テーブル名"), grp);
    cmbMasterSchema = new TDropDownCombo(grp);
    cmbMasterSchema->setObjectName(QStringLiteral("cmbMasterSchema"));
    cmbMasterSchema->setEditable(true);
    cmbMasterTable = new TDropDownCombo(grp);
    cmbMasterTable->setObjectName(QStringLiteral("cmbMasterTable"));
    cmbMasterTable->setEditable(true);
    g->addWidget(lblMaster, 2, 0);
    g->addWidget(cmbMasterSchema, 2, 1);
    g->addWidget(cmbMasterTable, 2, 2, 1, 2);
    lblCountFrom = new QLabel(QStringLiteral("親テーブル１件あたりの子テーブルの件数"), grp);
    txtCountFrom = CountEdit(grp, "txtCountFrom");
    txtCountTo = CountEdit(grp, "txtCountTo");
    auto *counts = new QHBoxLayout;
    counts->addWidget(lblCountFrom);
    counts->addWidget(txtCountFrom);
    counts->addWidget(new QLabel(QStringLiteral("～"), grp));
    counts->addWidget(txtCountTo);
    counts->addStretch();
    g->addLayout(counts, 3, 0, 1, 4);
    rdoUpdate = new QRadioButton(QStringLiteral("既存データのUPDATE(※主キーのないテーブルには行えません)"), grp);
    rdoUpdate->setObjectName(QStringLiteral("rdoUpdate"));
    g->addWidget(rdoUpdate, 4, 0, 1, 4);
    lblWhere = new QLabel(QStringLiteral("条件指定(WHERE句以降を記述)"), grp);
    txtWhere = new QPlainTextEdit(grp);
    txtWhere->setObjectName(QStringLiteral("txtWhere"));
    txtWhere->setMaximumHeight(60);
    g->addWidget(lblWhere, 5, 0);
    g->addWidget(txtWhere, 5, 1, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("　その他の項目の設定値は「未指定」としてください。"), grp), 6, 1, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("※マスクデータを作成する場合、該当項目の設定値を「固定値」、内容を'*****'などとし、"),
                            grp),
                 7, 1, 1, 3);
    for (QRadioButton *r : {rdoNormal, rdoMaster, rdoUpdate})
        connect(r, &QRadioButton::toggled, this, Guarded([this](bool on) {
                    if (on)
                        rdoNormalClick();
                }));

    cmbMasterSchema->OnDropDown = [this] {
        if (IConnectionWindow *cw = OwnerForm()) {
            QStringList l;
            cw->GetSchemaInfo(l, false);
            cmbMasterSchema->clear();
            cmbMasterSchema->addItems(l);
        }
    };
    cmbMasterTable->OnDropDown = [this] {
        if (auto *cw = dynamic_cast<TfrmObject *>(OwnerForm())) {
            QStringList l;
            cw->GetObject(l, cmbMasterSchema->currentText(), QStringLiteral("TABLE"));
            cmbMasterTable->clear();
            cmbMasterTable->addItems(l);
        }
    };
    for (TDropDownCombo *c : {cmbMasterSchema, cmbMasterTable})
        connect(c, &QComboBox::activated, this, Guarded([this](int) {
                    StoreSettings();
                    ReadMasterColumns();
                }));

    lstColumn = new QTreeWidget(tabOption);
    lstColumn->setObjectName(QStringLiteral("lstColumn"));
    lstColumn->setRootIsDecorated(false);
    lstColumn->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstColumn->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstColumn->setHeaderLabels({QStringLiteral("項目名"), QStringLiteral("データ型"), QStringLiteral("必須"),
                                QStringLiteral("設定値"), QStringLiteral("パラメータ")});
    lstColumn->setColumnWidth(0, 160);
    lstColumn->setColumnWidth(1, 120);
    lstColumn->setColumnWidth(3, 140);
    opt->addWidget(lstColumn, 1);

    // --- 結果
    tabLog = new QWidget(pagGenerate);
    tabLog->setObjectName(QStringLiteral("tabLog"));
    pagGenerate->addTab(tabLog, QStringLiteral(" 結果"));
    auto *ll = new QVBoxLayout(tabLog);
    ll->setContentsMargins(0, 0, 0, 0);
    txtLog = new TtvMemo(tabLog);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->SetReadOnly(true);
    ll->addWidget(txtLog, 1);
    auto *hint = new QLabel(QStringLiteral("[ESC]キーを押すと処理を中断"), tabLog);
    hint->setObjectName(QStringLiteral("lblEscHint"));
    ll->addWidget(hint);

    FinishCreate();
}

TfrmDataGenerate::~TfrmDataGenerate() = default;

void TfrmDataGenerate::SetRandom(std::unique_ptr<TDataGenRandom> Random)
{
    FRandom = std::move(Random);
}

TfrmDataGenerate *TfrmDataGenerate::ShowWindow(IConnectionWindow *AOwner, const QString &Schema,
                                               const QString &ObjectName)
{
    if (!AOwner || ObjectName.isEmpty())
        return nullptr;
    TfrmDataGenerate *w = Open<TfrmDataGenerate>(AOwner);
    if (!w)
        return nullptr;
    try {
        w->Opening(Schema, ObjectName);
    } catch (...) {
        if (QMdiSubWindow *frame = w->Frame())
            delete frame;
        else
            delete w;
        throw;
    }
    return w;
}

void TfrmDataGenerate::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("TfrmDataGenerate"), [](const TLaunchContext &c) -> QWidget * {
        return ShowWindow(c.Connection, c.Schema, c.ObjectName);
    });
}

void TfrmDataGenerate::Opening(const QString &Schema, const QString &ObjectName)
{
    FJob = TDataGenJob();
    FJob.Schema = Schema;
    FJob.Table = ObjectName;
    cmbSchema->setText(Schema);
    txtName->setText(ObjectName);
    FJob.MastOwner = Schema;
    pagGenerate->setCurrentWidget(tabOption);
    ShowColumns();
    LoadParamFile();
    ShowSettings();
    rdoNormalClick();
}

void TfrmDataGenerate::ShowColumns()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        throw tv::Error(QStringLiteral("データベースに接続されていません。"));
    WaitCursor wait;
    ReadTable(cw->dbsMain(), FJob);
}

void TfrmDataGenerate::LoadParamFile()
{
    const QString path = ParamFileName(FJob.Table);
    bool defaults = true;
    if (QFileInfo::exists(path) &&
        ShowMessageBox(QStringLiteral("前回の設定値を読み込みますか？"), MB_YESNO | MB_ICONQUESTION) == IDYES) {
        defaults = false;
        try {
            tv::db::Connection &conn = OwnerForm()->dbsMain();
            ::LoadParamFile(FJob, path);
            FJob.MastColumns = FJob.MastTable.isEmpty()
                                   ? QStringList()
                                   : ReadColumnNames(conn, FJob.MastOwner, FJob.MastTable);
        } catch (const tv::db::DbError &e) {
            ShowError(e.text());
        } catch (const tv::Error &e) {
            // An unsupported or broken file: the columns keep no kind.
            for (TColParams &c : FJob.Cols)
                c.ClearRule();
            ShowError(e.text());
        }
    }
    if (defaults)
        SetDefaultRules(FJob, QDateTime::currentDateTime());
    NormaliseRules(FJob, QDate::currentDate());
}

void TfrmDataGenerate::ShowSettings()
{
    FChanging = true;
    txtCount->setText(CountText(FJob.Count));
    txtCountFrom->setText(CountText(FJob.CountFrom));
    txtCountTo->setText(CountText(FJob.CountTo));
    cmbMasterSchema->setEditText(FJob.MastOwner);
    cmbMasterTable->setEditText(FJob.MastTable);
    txtWhere->setPlainText(FJob.Where);
    (FJob.Mode == dgmMaster ? rdoMaster : FJob.Mode == dgmUpdate ? rdoUpdate : rdoNormal)->setChecked(true);
    FChanging = false;
}

void TfrmDataGenerate::StoreSettings()
{
    FJob.Mode = rdoMaster->isChecked() ? dgmMaster : rdoUpdate->isChecked() ? dgmUpdate : dgmNormal;
    FJob.Count = CountOf(txtCount);
    FJob.CountFrom = CountOf(txtCountFrom);
    FJob.CountTo = CountOf(txtCountTo);
    FJob.MastOwner = cmbMasterSchema->currentText();
    FJob.MastTable = cmbMasterTable->currentText();
    FJob.Where = txtWhere->toPlainText();
}

void TfrmDataGenerate::ReadMasterColumns()
{
    IConnectionWindow *cw = OwnerForm();
    FJob.MastColumns = cw && !FJob.MastTable.isEmpty()
                           ? ReadColumnNames(cw->dbsMain(), FJob.MastOwner, FJob.MastTable)
                           : QStringList();
}

void TfrmDataGenerate::rdoNormalClick()
{
    if (FChanging)
        return;
    const bool normal = rdoNormal->isChecked(), master = rdoMaster->isChecked(), update = rdoUpdate->isChecked();
    lblCount->setEnabled(normal);
    txtCount->setEnabled(normal);
    for (QWidget *w : std::initializer_list<QWidget *>{lblMaster, cmbMasterSchema, cmbMasterTable, lblCountFrom,
                                                       txtCountFrom, txtCountTo})
        w->setEnabled(master);
    lblWhere->setEnabled(update);
    txtWhere->setEnabled(update);
    StoreSettings();
    if (normal) {
        for (TColParams &c : FJob.Cols)
            if (c.SetType == stMaster)
                c.ClearRule();
    }
    ReadMasterColumns();
    NormaliseRules(FJob, QDate::currentDate());
    ShowRows();
}

void TfrmDataGenerate::ShowRows()
{
    const int selected = lstColumn->currentItem() ? lstColumn->indexOfTopLevelItem(lstColumn->currentItem()) : -1;
    lstColumn->clear();
    for (int i = 0; i < FJob.Cols.size(); ++i) {
        const TColParams &c = FJob.Cols.at(i);
        auto *it = new QTreeWidgetItem(lstColumn);
        it->setText(0, c.ColumnName);
        if (FJob.IsPrimary(c.ColumnName))
            if (IMainWindow *m = MainWindow())
                it->setIcon(0, m->MainImage(46));
        it->setText(1, c.TypeText);
        it->setText(2, c.NotNull ? QStringLiteral("Y") : QString());
        it->setTextAlignment(2, Qt::AlignCenter);
        it->setText(3, c.SetType == stNone ? QString() : SetTypeName(c.SetType));
        it->setText(4, ParameterText(c));
        it->setData(0, Qt::UserRole, i);
    }
    if (selected >= 0 && selected < lstColumn->topLevelItemCount())
        lstColumn->setCurrentItem(lstColumn->topLevelItem(selected));
}

void TfrmDataGenerate::Log(const QString &Line)
{
    txtLog->Lines()->Add(Line);
    // The caret on the last line: the log scrolls with the run.
    txtLog->SetRowCol(txtLog->Lines()->Count() - 1, 0);
}

void TfrmDataGenerate::Fail(const QString &Message, const QString &Control, int Row)
{
    ShowMessageBox(Message, MB_OK | MB_ICONWARNING);
    pagGenerate->setCurrentWidget(tabOption);
    if (Row >= 0 && Row < lstColumn->topLevelItemCount()) {
        lstColumn->setFocus();
        lstColumn->setCurrentItem(lstColumn->topLevelItem(Row));
    } else if (QWidget *w = findChild<QWidget *>(Control)) {
        w->setFocus();
    }
    throw tv::SilentAbort();
}

void TfrmDataGenerate::btnExecClick()
{
    if (FRunning)
        return;
    CommitActiveControl();
    StoreSettings();
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        throw tv::Error(QStringLiteral("データベースに接続されていません。"));
    // The parent boxes may have been typed into: the parent values follow
    // the table they name now.
    if (FJob.Mode == dgmMaster)
        ReadMasterColumns();
    tv::db::Connection &conn = cw->dbsMain();
    if (const auto fault = CheckInput(FJob, &conn))
        Fail(fault->Message, fault->Control, fault->Row);
    const QString question = FJob.Mode == dgmUpdate ? QStringLiteral("データを更新します。よろしいですか？")
                                                    : QStringLiteral("データを生成します。よろしいですか？");
    if (ShowMessageBox(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    SaveParamFile(FJob, ParamFileName(FJob.Table));
    pagGenerate->setCurrentWidget(tabLog);
    txtLog->Lines()->Clear();

    TDataGenRunEnv env;
    env.Log = [this](const QString &l) { Log(l); };
    env.Escape = [] { return EscapePressed(); };
    env.CommitInterval = tvOption.DataGenCommit;
    IMainWindow *m = MainWindow();
    // The run keeps events flowing (Esc): the window stays busy meanwhile.
    struct Restore {
        TfrmDataGenerate *w;
        IMainWindow *m;
        ~Restore()
        {
            w->FRunning = false;
            w->tolCmd->setEnabled(true);
            w->tabOption->setEnabled(true);
            if (m)
                m->SetDefMessage();
        }
    } restore{this, m};
    FRunning = true;
    tolCmd->setEnabled(false);
    tabOption->setEnabled(false);
    WaitCursor wait;
    tv::ui::ClearEscape();
    if (m)
        m->SetLoopMessage(0, 0);
    TDataGenRunner run(conn, FJob, *FRandom, env);
    run.Run();
}
