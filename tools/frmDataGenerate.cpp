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
#include "tools/DataGenTestRun.h"
#include "tools/DataGenValue.h"
#include "tools/ToolWidgets.h"
#include "common/Quote.h"
#include "controls/tvScrollBox.h"
#include "controls/tvStringGrid.h"
#include "sql/fraData.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QToolButton>
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
#include <QScrollBar>
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

// The column list never gets less room than its header and eight rows: at
// the window's least size it still lists the columns of a usual table.
class TColumnList : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    QSize minimumSizeHint() const override
    {
        QSize size = QTreeWidget::minimumSizeHint();
        const int row = topLevelItemCount() > 0 ? sizeHintForRow(0) : fontMetrics().height() + 4;
        size.setHeight(std::max(size.height(), header()->sizeHint().height() + 8 * row + 2 * frameWidth()));
        return size;
    }
};

} // namespace

TfrmDataGenerate::TfrmDataGenerate(QObject *AOwner) : TtvToolForm(AOwner, QStringLiteral("TfrmDataGenerate"))
{
    setObjectName(QStringLiteral("frmDataGenerate"));
    resize(678, 687);
    FRandom = std::make_unique<TSeededRandom>();

    btnExec = AddExecAction([this] { btnExecClick(); });
    btnTest = new QAction(QStringLiteral("テスト(&T)"), this);
    btnTest->setObjectName(QStringLiteral("btnTest"));
    connect(btnTest, &QAction::triggered, this, Guarded([this] { btnTestClick(); }));
    tolCmd->addAction(btnTest);
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
    // The mode group scrolls in a box of its own when the window is too low
    // for it: the column list keeps its least height and the rule below it
    // takes the room it asks for before the group does.
    sbxMode = new TtvScrollBox(tabOption);
    sbxMode->setObjectName(QStringLiteral("sbxMode"));
    sbxMode->Fields()->setObjectName(QStringLiteral("pnlMode"));
    auto *modeFields = new QVBoxLayout(sbxMode->Fields());
    modeFields->setContentsMargins(0, 0, 0, 0);
    auto *grp = new QGroupBox(QStringLiteral(" データ生成方法 "), sbxMode->Fields());
    grp->setObjectName(QStringLiteral("grpMode"));
    modeFields->addWidget(grp);
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

    // With room to spare the group is shown whole and the list takes the
    // rest: the group's box is no higher than the group, and its large
    // stretch gives it the room left beside the list's least height and the
    // rule's height before the list grows.
    // It scrolls up and down only: as wide as the group and a scroll bar.
    sbxMode->setMaximumHeight(sbxMode->Fields()->sizeHint().height());
    sbxMode->setMinimumWidth(sbxMode->Fields()->minimumSizeHint().width() +
                             sbxMode->verticalScrollBar()->sizeHint().width());
    opt->addWidget(sbxMode, 100);

    lstColumn = new TColumnList(tabOption);
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
    // On selection only (the current item changes before the selection).
    connect(lstColumn, &QTreeWidget::itemSelectionChanged, this, Guarded([this] { lstColumnSelectItem(); }));
    BuildRulePanel(tabOption);

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
    fraData = new TfraData(tabLog);
    fraData->setObjectName(QStringLiteral("fraData"));
    for (QToolButton *b : {fraData->btnUpdate, fraData->btnExcel, fraData->btnCopy, fraData->btnIns, fraData->btnDel})
        if (b)
            b->hide();
    // The rows shown come from a table that is gone by then: a title click
    // sorts nothing.
    fraData->grdData1->OnTitleClick = nullptr;
    fraData->grdData2->OnTitleClick = nullptr;
    fraData->hide();
    ll->addWidget(fraData, 1);
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
    if (IConnectionWindow *cw = OwnerForm())
        fraData->SetConnection(&cw->dbsMain());
    fraData->hide();
    txtLog->show();
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
    // Its least height follows the height of the rows it now has.
    lstColumn->updateGeometry();
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

TfrmDataGenerate::TRunScope::TRunScope(TfrmDataGenerate *Window) : w(Window)
{
    w->FRunning = true;
    w->tolCmd->setEnabled(false);
    w->tabOption->setEnabled(false);
}

TfrmDataGenerate::TRunScope::~TRunScope()
{
    w->FRunning = false;
    w->tolCmd->setEnabled(true);
    w->tabOption->setEnabled(true);
    if (IMainWindow *m = MainWindow())
        m->SetDefMessage();
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
    TRunScope busy(this);
    WaitCursor wait;
    tv::ui::ClearEscape();
    if (m)
        m->SetLoopMessage(0, 0);
    TDataGenRunner run(conn, FJob, *FRandom, env);
    run.Run();
}

// ---------------------------------------------------------------------------
// The rule panel

namespace {

QWidget *Page(QStackedWidget *stack, const char *name)
{
    auto *w = new QWidget(stack);
    w->setObjectName(QString::fromLatin1(name));
    stack->addWidget(w);
    return w;
}

QLineEdit *NumberEdit(QWidget *parent, const char *name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(18);
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9.]*")), e));
    return e;
}

QDateEdit *DatePicker(QWidget *parent, const char *name)
{
    auto *d = new QDateEdit(QDate::currentDate(), parent);
    d->setObjectName(QString::fromLatin1(name));
    d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    d->setCalendarPopup(true);
    return d;
}

QTimeEdit *TimePicker(QWidget *parent, const char *name)
{
    auto *t = new QTimeEdit(QTime::currentTime(), parent);
    t->setObjectName(QString::fromLatin1(name));
    // The pickers keep seconds.
    t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    return t;
}

QString NumberText(double v)
{
    return v == 0 ? QString() : GeneralText(v);
}

double NumberOf(const QLineEdit *e)
{
    bool ok = false;
    const double v = e->text().trimmed().toDouble(&ok);
    return ok ? v : 0;
}

// A picker's value without milliseconds.
QDateTime At(const QDate &d, const QTime &t)
{
    return QDateTime(d, QTime(t.hour(), t.minute(), t.second()));
}

} // namespace

void TfrmDataGenerate::BuildRulePanel(QWidget *Parent)
{
    // The rule's fields scroll within their box when the window has less
    // room for them than they ask (a window of its least size shows the
    // column list and the top of the rule).
    sbxRule = new TtvScrollBox(Parent);
    sbxRule->setObjectName(QStringLiteral("sbxRule"));
    QWidget *panel = sbxRule->Fields();
    panel->setObjectName(QStringLiteral("pnlRule"));
    auto *g = new QGridLayout(panel);
    g->setContentsMargins(0, 0, 0, 0);
    lblSetType = new QLabel(QStringLiteral("設定値"), panel);
    cmbSetType = new QComboBox(panel);
    cmbSetType->setObjectName(QStringLiteral("cmbSetType"));
    cmbSetType->setEnabled(false);
    lblSetType->setEnabled(false);
    lblNull = new QLabel(QStringLiteral("NULL比率(%)"), panel);
    txtNull = new QLineEdit(panel);
    txtNull->setObjectName(QStringLiteral("txtNull"));
    txtNull->setMaximumWidth(50);
    txtNull->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), txtNull));
    txtNull->setText(QStringLiteral("0"));
    updNull = new QSpinBox(panel);
    updNull->setObjectName(QStringLiteral("updNull"));
    updNull->setRange(0, 100);
    updNull->setMaximumWidth(20);
    for (QWidget *w : std::initializer_list<QWidget *>{lblNull, txtNull, updNull})
        w->setEnabled(false);
    auto *top = new QHBoxLayout;
    top->addWidget(lblSetType);
    top->addWidget(cmbSetType, 1);
    top->addSpacing(12);
    top->addWidget(lblNull);
    top->addWidget(txtNull);
    top->addWidget(updNull);
    top->addStretch();
    g->addLayout(top, 0, 0);
    pagSetType = new QStackedWidget(panel);
    pagSetType->setObjectName(QStringLiteral("pagSetType"));
    g->addWidget(pagSetType, 1, 0);
    static_cast<QVBoxLayout *>(Parent->layout())->addWidget(sbxRule);

    tabNone = Page(pagSetType, "tabNone");

    tabNumber = Page(pagSetType, "tabNumber");
    {
        auto *l = new QGridLayout(tabNumber);
        l->addWidget(new QLabel(QStringLiteral("値範囲"), tabNumber), 0, 0);
        txtNumFrom = NumberEdit(tabNumber, "txtNumFrom");
        txtNumTo = NumberEdit(tabNumber, "txtNumTo");
        l->addWidget(txtNumFrom, 0, 1);
        l->addWidget(new QLabel(QStringLiteral("～"), tabNumber), 0, 2);
        l->addWidget(txtNumTo, 0, 3);
        lblMarume = new QLabel(QStringLiteral("丸め単位"), tabNumber);
        lblMarume->setObjectName(QStringLiteral("lblMarume"));
        txtMarume = NumberEdit(tabNumber, "txtMarume");
        l->addWidget(lblMarume, 1, 0);
        l->addWidget(txtMarume, 1, 1);
        chkZeros = new QCheckBox(QStringLiteral("全桁埋める ( 前ゼロを追加 )"), tabNumber);
        chkZeros->setObjectName(QStringLiteral("chkZeros"));
        l->addWidget(chkZeros, 2, 1, 1, 3);
        chkPrefix = new QCheckBox(QStringLiteral("接頭句をつける"), tabNumber);
        chkPrefix->setObjectName(QStringLiteral("chkPrefix"));
        txtPrefix = new QLineEdit(tabNumber);
        txtPrefix->setObjectName(QStringLiteral("txtPrefix"));
        l->addWidget(chkPrefix, 3, 1);
        l->addWidget(txtPrefix, 3, 2, 1, 2);
        chkPrefix->hide();
        txtPrefix->hide();
        l->setRowStretch(4, 1);
    }

    tabVariable = Page(pagSetType, "tabVariable");
    {
        auto *l = new QVBoxLayout(tabVariable);
        l->addWidget(new QLabel(QStringLiteral("固定値・SELECT文・FUNCTION名を入力して下さい。"), tabVariable));
        l->addWidget(new QLabel(
            QStringLiteral("※１ 文字型の固定値を指定する場合は、値をシングルクォーテーション(')で囲む必要があります"),
            tabVariable));
        l->addWidget(new QLabel(QStringLiteral("※２ SELECT 文を指定する場合は、文を ( ) で囲む必要があります。"),
                                tabVariable));
        txtVariable = new TtvMemo(tabVariable);
        txtVariable->setObjectName(QStringLiteral("txtVariable"));
        l->addWidget(txtVariable, 1);
        txtVariable->OnChange = [this](TEditor *) { RuleChanged(); };
    }

    tabMasterColumn = Page(pagSetType, "tabMasterColumn");
    {
        auto *l = new QHBoxLayout(tabMasterColumn);
        l->addWidget(new QLabel(QStringLiteral("項目名"), tabMasterColumn));
        cmbColumn = new QComboBox(tabMasterColumn);
        cmbColumn->setObjectName(QStringLiteral("cmbColumn"));
        l->addWidget(cmbColumn, 1);
        l->setAlignment(Qt::AlignTop);
    }

    tabStr = Page(pagSetType, "tabStr");
    {
        auto *l = new QGridLayout(tabStr);
        l->addWidget(new QLabel(QStringLiteral("設定内容"), tabStr), 0, 0);
        cmbStrType = new QComboBox(tabStr);
        cmbStrType->setObjectName(QStringLiteral("cmbStrType"));
        cmbStrType->addItems(StrTypeNames());
        cmbStrType->setCurrentIndex(0);
        l->addWidget(cmbStrType, 0, 1);
        lblStrDigit = new QLabel(QStringLiteral("最大桁数"), tabStr);
        txtStrDigit = new QLineEdit(tabStr);
        txtStrDigit->setObjectName(QStringLiteral("txtStrDigit"));
        txtStrDigit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,9}")), txtStrDigit));
        l->addWidget(lblStrDigit, 1, 0);
        l->addWidget(txtStrDigit, 1, 1);
        chkStrFull = new QCheckBox(QStringLiteral("全桁埋める"), tabStr);
        chkStrFull->setObjectName(QStringLiteral("chkStrFull"));
        l->addWidget(chkStrFull, 2, 1);
        l->setRowStretch(3, 1);
    }

    tabDate = Page(pagSetType, "tabDate");
    {
        auto *l = new QHBoxLayout(tabDate);
        l->addWidget(new QLabel(QStringLiteral("値範囲"), tabDate));
        dtpFromDate = DatePicker(tabDate, "dtpFromDate");
        dtpToDate = DatePicker(tabDate, "dtpToDate");
        l->addWidget(dtpFromDate);
        l->addWidget(new QLabel(QStringLiteral("～"), tabDate));
        l->addWidget(dtpToDate);
        l->addStretch();
        l->setAlignment(Qt::AlignTop);
    }
    tabTime = Page(pagSetType, "tabTime");
    {
        auto *l = new QHBoxLayout(tabTime);
        l->addWidget(new QLabel(QStringLiteral("値範囲"), tabTime));
        dtpFromTime = TimePicker(tabTime, "dtpFromTime");
        dtpToTime = TimePicker(tabTime, "dtpToTime");
        l->addWidget(dtpFromTime);
        l->addWidget(new QLabel(QStringLiteral("～"), tabTime));
        l->addWidget(dtpToTime);
        l->addStretch();
        l->setAlignment(Qt::AlignTop);
    }
    tabDtTm = Page(pagSetType, "tabDtTm");
    {
        auto *l = new QHBoxLayout(tabDtTm);
        l->addWidget(new QLabel(QStringLiteral("値範囲"), tabDtTm));
        dtpFromDt = DatePicker(tabDtTm, "dtpFromDt");
        dtpFromTm = TimePicker(tabDtTm, "dtpFromTm");
        dtpToDt = DatePicker(tabDtTm, "dtpToDt");
        dtpToTm = TimePicker(tabDtTm, "dtpToTm");
        l->addWidget(dtpFromDt);
        l->addWidget(dtpFromTm);
        l->addWidget(new QLabel(QStringLiteral("～"), tabDtTm));
        l->addWidget(dtpToDt);
        l->addWidget(dtpToTm);
        l->addStretch();
        l->setAlignment(Qt::AlignTop);
    }

    tabTemplate = Page(pagSetType, "tabTemplate");
    {
        auto *l = new QGridLayout(tabTemplate);
        cmbTemplate1 = new QComboBox(tabTemplate);
        cmbTemplate1->setObjectName(QStringLiteral("cmbTemplate1"));
        cmbTemplate2 = new QComboBox(tabTemplate);
        cmbTemplate2->setObjectName(QStringLiteral("cmbTemplate2"));
        txtTemplateSep = new QLineEdit(tabTemplate);
        txtTemplateSep->setObjectName(QStringLiteral("txtTemplateSep"));
        l->addWidget(new QLabel(QStringLiteral("テンプレート1"), tabTemplate), 0, 0);
        l->addWidget(cmbTemplate1, 0, 1);
        l->addWidget(new QLabel(QStringLiteral("テンプレート2"), tabTemplate), 1, 0);
        l->addWidget(cmbTemplate2, 1, 1);
        l->addWidget(new QLabel(QStringLiteral("区切り文字"), tabTemplate), 2, 0);
        l->addWidget(txtTemplateSep, 2, 1);
        l->setRowStretch(3, 1);
    }

    tabIn = Page(pagSetType, "tabIn");
    {
        auto *l = new QVBoxLayout(tabIn);
        l->addWidget(new QLabel(QStringLiteral("項目にセットする値の一覧を作成して下さい。"), tabIn));
        grdIn = new TtvStringGrid(tabIn);
        grdIn->setObjectName(QStringLiteral("grdIn"));
        grdIn->SetColCount(1);
        grdIn->SetFixedRows(0);
        grdIn->SetFixedCols(0);
        grdIn->SetRowCount(1);
        grdIn->SetOptions(grdIn->Options() | goEditing);
        grdIn->SetGridMode(geAccess);
        grdIn->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grdIn->OnSetEditText = [this](QObject *, int, int ARow, const QString &Value) {
            // Typing into the last row adds an empty one below it.
            if (ARow == grdIn->RowCount() - 1 && !Value.isEmpty())
                grdIn->SetRowCount(grdIn->RowCount() + 1);
            StoreRule();
        };
        l->addWidget(grdIn, 1);
    }

    tabLinkColumn = Page(pagSetType, "tabLinkColumn");
    {
        auto *l = new QGridLayout(tabLinkColumn);
        cmbLinkOwner = new TDropDownCombo(tabLinkColumn);
        cmbLinkOwner->setObjectName(QStringLiteral("cmbLinkOwner"));
        cmbLinkTable = new TDropDownCombo(tabLinkColumn);
        cmbLinkTable->setObjectName(QStringLiteral("cmbLinkTable"));
        cmbLinkColumn = new TDropDownCombo(tabLinkColumn);
        cmbLinkColumn->setObjectName(QStringLiteral("cmbLinkColumn"));
        for (TDropDownCombo *c : {cmbLinkOwner, cmbLinkTable, cmbLinkColumn})
            c->setEditable(true);
        l->addWidget(new QLabel(QStringLiteral("リンクテーブル名"), tabLinkColumn), 0, 0);
        l->addWidget(cmbLinkOwner, 0, 1);
        l->addWidget(cmbLinkTable, 0, 2);
        l->addWidget(new QLabel(QStringLiteral("項目名"), tabLinkColumn), 1, 0);
        l->addWidget(cmbLinkColumn, 1, 1, 1, 2);
        l->setRowStretch(2, 1);
        cmbLinkOwner->OnDropDown = [this] {
            if (IConnectionWindow *cw = OwnerForm()) {
                QStringList names;
                cw->GetSchemaInfo(names, false);
                cmbLinkOwner->clear();
                cmbLinkOwner->addItems(names);
            }
        };
        cmbLinkTable->OnDropDown = [this] {
            if (auto *cw = dynamic_cast<TfrmObject *>(OwnerForm())) {
                QStringList tables, views;
                cw->GetObject(tables, cmbLinkOwner->currentText(), QStringLiteral("TABLE"));
                cw->GetObject(views, cmbLinkOwner->currentText(), QStringLiteral("VIEW"));
                cmbLinkTable->clear();
                cmbLinkTable->addItems(tables + views);
            }
        };
        cmbLinkColumn->OnDropDown = [this] {
            if (IConnectionWindow *cw = OwnerForm()) {
                const QStringList names =
                    ReadColumnNames(cw->dbsMain(), cmbLinkOwner->currentText(), cmbLinkTable->currentText());
                cmbLinkColumn->clear();
                cmbLinkColumn->addItems(names);
                StoreRule();
            }
        };
    }

    // Handlers.
    connect(cmbSetType, &QComboBox::activated, this, Guarded([this](int) { cmbSetTypeSelect(); }));
    for (QLineEdit *e : {txtNumFrom, txtNumTo, txtMarume, txtPrefix, txtTemplateSep})
        connect(e, &QLineEdit::textEdited, this, Guarded([this](const QString &) { RuleChanged(); }));
    for (QCheckBox *c : {chkZeros, chkPrefix, chkStrFull})
        connect(c, &QCheckBox::toggled, this, Guarded([this](bool) { RuleChanged(); }));
    for (QDateTimeEdit *d : std::initializer_list<QDateTimeEdit *>{dtpFromDate, dtpToDate, dtpFromTime, dtpToTime,
                                                                   dtpFromDt, dtpFromTm, dtpToDt, dtpToTm})
        connect(d, &QDateTimeEdit::dateTimeChanged, this, Guarded([this](const QDateTime &) { RuleChanged(); }));
    for (QComboBox *c : {cmbTemplate1, cmbTemplate2, cmbColumn})
        connect(c, &QComboBox::currentIndexChanged, this, Guarded([this](int) { RuleChanged(); }));
    for (QComboBox *c : std::initializer_list<QComboBox *>{cmbLinkOwner, cmbLinkTable, cmbLinkColumn})
        connect(c, &QComboBox::editTextChanged, this, Guarded([this](const QString &) { RuleChanged(); }));
    connect(cmbStrType, &QComboBox::activated, this, Guarded([this](int) {
                RuleChanged();
                StringControls();
                StoreRule();
            }));
    connect(txtNull, &QLineEdit::textEdited, this, Guarded([this](const QString &t) {
                const int v = std::clamp(t.toInt(), 0, 100);
                {
                    const QSignalBlocker b(updNull);
                    updNull->setValue(v);
                }
                if (!t.isEmpty())
                    txtNull->setText(QString::number(updNull->value()));
                StoreRule();
            }));
    connect(updNull, &QSpinBox::valueChanged, this, Guarded([this](int v) {
                txtNull->setText(QString::number(v));
                StoreRule();
            }));
    connect(txtStrDigit, &QLineEdit::textEdited, this, Guarded([this](const QString &t) {
                if (t == u"0")
                    txtStrDigit->clear();
            }));
    connect(txtStrDigit, &QLineEdit::editingFinished, this, Guarded([this] { StoreRule(); }));
    // The panel is as high as the rule shown needs: the pages not shown ask
    // for no room (the empty page of a column without a rule takes none).
    // The rule takes its room from the mode group down to the group's least
    // height, never from the list's eight rows; beyond that it scrolls in its
    // box, which stays high enough to show the page's highest field whole.
    // The two boxes share one least height whatever the page, so that the
    // window's least size stays the same as the user picks another rule:
    // what the rule's box does not take, the group's box does.
    // The pages sit flush in the panel.
    for (int i = 0; i < pagSetType->count(); ++i)
        if (QLayout *l = pagSetType->widget(i)->layout())
            l->setContentsMargins(0, 0, 0, 0);
    auto highest = [this](int index) {
        int h = 0;
        if (QWidget *page = pagSetType->widget(index))
            for (QWidget *f : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                h = std::max(h, f->minimumSizeHint().height());
        return h;
    };
    // Like the group's, the rule's box scrolls up and down only: as wide as
    // the widest rule and a scroll bar, whatever the page.
    int ruleWidth = top->minimumSize().width();
    for (int i = 0; i < pagSetType->count(); ++i)
        ruleWidth = std::max(ruleWidth, pagSetType->widget(i)->minimumSizeHint().width());
    sbxRule->setMinimumWidth(ruleWidth + sbxRule->verticalScrollBar()->sizeHint().width());
    const int boxLeast = sbxMode->minimumSizeHint().height();
    int ruleLeast = boxLeast;
    for (int i = 0; i < pagSetType->count(); ++i)
        ruleLeast = std::max(ruleLeast, highest(i));
    auto fit = [this, highest, boxLeast, ruleLeast](int index) {
        for (int i = 0; i < pagSetType->count(); ++i) {
            const QSizePolicy::Policy p = i == index ? QSizePolicy::Preferred : QSizePolicy::Ignored;
            pagSetType->widget(i)->setSizePolicy(p, p);
        }
        pagSetType->updateGeometry();
        sbxRule->updateGeometry();
        sbxRule->setMinimumHeight(0);
        if (const int h = highest(index); h > sbxRule->minimumSizeHint().height())
            sbxRule->setMinimumHeight(h);
        const int rule = std::max(sbxRule->minimumHeight(), sbxRule->minimumSizeHint().height());
        sbxMode->setMinimumHeight(boxLeast + ruleLeast - rule);
        if (QLayout *l = tabOption->layout())
            l->activate();
        // The selected column stays in sight.
        if (QTreeWidgetItem *it = lstColumn->currentItem())
            lstColumn->scrollToItem(it);
    };
    connect(pagSetType, &QStackedWidget::currentChanged, this, fit);
    fit(pagSetType->currentIndex());
}

int TfrmDataGenerate::SelectedRow() const
{
    const QList<QTreeWidgetItem *> sel = lstColumn->selectedItems();
    QTreeWidgetItem *it = sel.isEmpty() ? nullptr : sel.first();
    if (!it)
        return -1;
    const int i = lstColumn->indexOfTopLevelItem(it);
    return i >= 0 && i < FJob.Cols.size() ? i : -1;
}

void TfrmDataGenerate::lstColumnSelectItem()
{
    const int i = SelectedRow();
    const bool changing = FChanging;
    FChanging = true;
    cmbSetType->clear();
    if (i >= 0) {
        for (TSetType k : OfferedKinds(FJob, FJob.Cols.at(i)))
            cmbSetType->addItem(SetTypeName(k));
    }
    FChanging = changing;
    cmbSetType->setEnabled(i >= 0);
    lblSetType->setEnabled(i >= 0);
    const bool nullable = i >= 0 && NullRatioAllowed(FJob, FJob.Cols.at(i));
    for (QWidget *w : std::initializer_list<QWidget *>{lblNull, txtNull, updNull})
        w->setEnabled(nullable);
    ShowRule();
}

void TfrmDataGenerate::ShowRule()
{
    const bool changing = FChanging;
    FChanging = true;
    struct Reset {
        bool &flag;
        bool was;
        ~Reset() { flag = was; }
    } reset{FChanging, changing};

    const QDate today = QDate::currentDate();
    const QTime now = QTime::currentTime();
    for (QLineEdit *e : {txtNumFrom, txtNumTo, txtMarume, txtPrefix, txtStrDigit, txtTemplateSep})
        e->clear();
    chkZeros->setChecked(false);
    chkPrefix->setChecked(false);
    chkStrFull->setChecked(false);
    txtVariable->Lines()->Clear();
    cmbColumn->clear();
    cmbColumn->addItems(FJob.MastColumns);
    cmbColumn->setCurrentIndex(-1);
    cmbStrType->setCurrentIndex(0);
    for (QDateEdit *d : {dtpFromDate, dtpToDate, dtpFromDt, dtpToDt})
        d->setDate(today);
    for (QTimeEdit *t : {dtpFromTime, dtpToTime, dtpFromTm, dtpToTm})
        t->setTime(now);
    grdIn->SetRowCount(1);
    grdIn->SetCells(0, 0, QString());
    const QStringList templates = TemplateNames(tvOption.UseLowerName);
    for (QComboBox *c : {cmbTemplate1, cmbTemplate2}) {
        c->clear();
        c->addItems(templates);
        c->setCurrentIndex(-1);
    }
    for (QComboBox *c : std::initializer_list<QComboBox *>{cmbLinkOwner, cmbLinkTable, cmbLinkColumn})
        c->setEditText(QString());

    const int i = SelectedRow();
    if (i < 0) {
        cmbSetType->setCurrentIndex(-1);
        updNull->setValue(0);
        txtNull->setText(QStringLiteral("0"));
    } else {
        const TColParams &c = FJob.Cols.at(i);
        cmbSetType->setCurrentIndex(cmbSetType->findText(SetTypeName(c.SetType)));
        switch (c.SetType) {
        case stSeqNum:
        case stRandNum:
            txtNumFrom->setText(NumberText(c.NumFrom));
            txtNumTo->setText(NumberText(c.NumTo));
            txtMarume->setText(NumberText(c.Marume));
            chkPrefix->setChecked(c.FlgPrefix);
            txtPrefix->setText(c.StrPrefix);
            chkZeros->setChecked(c.StrFull);
            break;
        case stRandStr:
            cmbStrType->setCurrentIndex(c.StrType);
            chkStrFull->setChecked(c.StrFull);
            txtStrDigit->setText(c.StrDigit);
            break;
        case stIn:
            grdIn->SetRowCount(int(c.Variable.size()) + 1);
            for (int r = 0; r < c.Variable.size(); ++r)
                grdIn->SetCells(0, r, c.Variable.at(r));
            grdIn->SetCells(0, int(c.Variable.size()), QString());
            break;
        case stVar:
            txtVariable->Lines()->SetText(c.Variable.join(u'\n'));
            break;
        case stTemplate:
            cmbTemplate1->setCurrentIndex(cmbTemplate1->findText(c.TemplateName1));
            cmbTemplate2->setCurrentIndex(cmbTemplate2->findText(c.TemplateName2));
            txtTemplateSep->setText(c.TemplateSep);
            break;
        case stLink:
            cmbLinkOwner->setEditText(c.LinkOwner.isEmpty() ? FJob.Schema : c.LinkOwner);
            cmbLinkTable->setEditText(c.LinkTable);
            cmbLinkColumn->setEditText(c.LinkColumn);
            break;
        case stMaster:
            cmbColumn->setCurrentIndex(cmbColumn->findText(c.LinkColumn));
            break;
        case stSeqDate:
        case stRandDate:
            if (c.DateFrom.isValid())
                dtpFromDate->setDate(c.DateFrom.date());
            if (c.DateTo.isValid())
                dtpToDate->setDate(c.DateTo.date());
            break;
        case stSeqTime:
        case stRandTime:
            if (c.DateFrom.isValid())
                dtpFromTime->setTime(c.DateFrom.time());
            if (c.DateTo.isValid())
                dtpToTime->setTime(c.DateTo.time());
            break;
        case stSeqDtTm:
        case stRandDtTm:
            if (c.DateFrom.isValid()) {
                dtpFromDt->setDate(c.DateFrom.date());
                dtpFromTm->setTime(c.DateFrom.time());
            }
            if (c.DateTo.isValid()) {
                dtpToDt->setDate(c.DateTo.date());
                dtpToTm->setTime(c.DateTo.time());
            }
            break;
        default:
            break;
        }
        updNull->setValue(c.NullPar);
        txtNull->setText(QString::number(c.NullPar));
    }
    cmbSetTypeSelect();
}

void TfrmDataGenerate::StringControls()
{
    const int i = SelectedRow();
    const TColParams *c = i >= 0 ? &FJob.Cols.at(i) : nullptr;
    const int content = cmbStrType->currentIndex();
    const bool lengthShown = content >= 0 && content <= 3;
    lblStrDigit->setVisible(lengthShown);
    txtStrDigit->setVisible(lengthShown);
    chkStrFull->setVisible(lengthShown && !(c && c->DataType == u"text"));
    const bool lengthOn = !chkStrFull->isChecked();
    lblStrDigit->setEnabled(lengthOn);
    txtStrDigit->setEnabled(lengthOn);
    if (!lengthOn)
        txtStrDigit->clear();
    const bool prefix = content <= 0 && c && DataGenType::IsChar(c->DataType);
    chkPrefix->setVisible(prefix);
    txtPrefix->setVisible(prefix);
    txtPrefix->setEnabled(prefix && chkPrefix->isChecked());
    if (!txtPrefix->isEnabled())
        txtPrefix->clear();
}

void TfrmDataGenerate::cmbSetTypeSelect()
{
    const int i = SelectedRow();
    const TColParams *c = i >= 0 ? &FJob.Cols.at(i) : nullptr;
    const TSetType kind = cmbSetType->currentIndex() < 0 ? stNone : SetTypeFromName(cmbSetType->currentText());
    bool nullOff = false;
    switch (kind) {
    case stNone:
        pagSetType->setCurrentWidget(tabNone);
        nullOff = true;
        break;
    case stSeqNum:
        pagSetType->setCurrentWidget(tabNumber);
        txtNumTo->clear();
        txtNumTo->setEnabled(false);
        lblMarume->setText(QStringLiteral("増分値"));
        chkZeros->setVisible(!(c && c->TypeText == u"text"));
        break;
    case stRandNum:
        pagSetType->setCurrentWidget(tabNumber);
        txtNumTo->setEnabled(true);
        lblMarume->setText(QStringLiteral("丸め単位"));
        break;
    case stSeqDate:
    case stRandDate:
        pagSetType->setCurrentWidget(tabDate);
        dtpToDate->setVisible(kind == stRandDate);
        break;
    case stSeqTime:
    case stRandTime:
        pagSetType->setCurrentWidget(tabTime);
        dtpToTime->setVisible(kind == stRandTime);
        break;
    case stSeqDtTm:
    case stRandDtTm:
        pagSetType->setCurrentWidget(tabDtTm);
        dtpToDt->setVisible(kind == stRandDtTm);
        dtpToTm->setVisible(kind == stRandDtTm);
        break;
    case stRandStr:
        pagSetType->setCurrentWidget(tabStr);
        if (cmbStrType->currentIndex() < 0)
            cmbStrType->setCurrentIndex(0);
        break;
    case stIn:
        pagSetType->setCurrentWidget(tabIn);
        // The value column takes the grid's whole width.
        grdIn->SetColWidths(0, std::max(40, grdIn->viewport()->width()));
        break;
    case stVar:
        pagSetType->setCurrentWidget(tabVariable);
        nullOff = true;
        break;
    case stTemplate: pagSetType->setCurrentWidget(tabTemplate); break;
    case stLink:
        pagSetType->setCurrentWidget(tabLinkColumn);
        if (cmbLinkOwner->currentText().isEmpty())
            cmbLinkOwner->setEditText(FJob.Schema);
        break;
    case stMaster: pagSetType->setCurrentWidget(tabMasterColumn); break;
    }
    if (nullOff) {
        const QSignalBlocker b(updNull);
        updNull->setValue(0);
        txtNull->setText(QStringLiteral("0"));
    }
    const bool nullOn = !nullOff && c && !c->NotNull && !FJob.Unique.contains(c->ColumnName);
    for (QWidget *w : std::initializer_list<QWidget *>{lblNull, txtNull, updNull})
        w->setEnabled(nullOn);
    if (!nullOn) {
        const QSignalBlocker b(updNull);
        updNull->setValue(0);
        txtNull->setText(QStringLiteral("0"));
    }
    chkZeros->setEnabled(!(c && DataGenType::IsNumeric(c->DataType)));
    if (!chkZeros->isEnabled())
        chkZeros->setChecked(false);
    StringControls();
    StoreRule();
}

void TfrmDataGenerate::RuleChanged()
{
    if (chkStrFull->isChecked()) {
        txtStrDigit->clear();
        txtStrDigit->setEnabled(false);
        lblStrDigit->setEnabled(false);
    } else {
        txtStrDigit->setEnabled(true);
        lblStrDigit->setEnabled(true);
    }
    txtPrefix->setEnabled(chkPrefix->isChecked());
    StoreRule();
}

void TfrmDataGenerate::StoreRule()
{
    const int i = SelectedRow();
    if (FChanging || i < 0)
        return;
    TColParams &c = FJob.Cols[i];
    QTreeWidgetItem *item = lstColumn->topLevelItem(i);
    const TSetType kind = cmbSetType->currentIndex() < 0 ? stNone : SetTypeFromName(cmbSetType->currentText());
    c.ClearRule();
    const QDate today = QDate::currentDate();
    switch (kind) {
    case stSeqNum:
    case stRandNum:
        c.SetType = kind;
        c.NumFrom = NumberOf(txtNumFrom);
        c.NumTo = NumberOf(txtNumTo);
        c.Marume = NumberOf(txtMarume);
        c.StrFull = chkZeros->isEnabled() && chkZeros->isChecked();
        c.FlgPrefix = chkPrefix->isVisible() && chkPrefix->isChecked();
        c.StrPrefix = c.FlgPrefix ? txtPrefix->text() : QString();
        break;
    case stRandStr:
        c.SetType = kind;
        c.StrType = std::max(0, cmbStrType->currentIndex());
        c.StrFull = chkStrFull->isChecked();
        c.StrDigit = txtStrDigit->text();
        if (c.DataType == u"text" && c.StrDigit.trimmed().isEmpty())
            c.StrDigit = QStringLiteral("100");
        break;
    case stSeqDate:
    case stRandDate:
        c.SetType = kind;
        c.DateFrom = QDateTime(dtpFromDate->date(), QTime(0, 0));
        c.DateTo = QDateTime(dtpToDate->date(), QTime(0, 0));
        break;
    case stSeqTime:
    case stRandTime:
        c.SetType = kind;
        c.DateFrom = At(today, dtpFromTime->time());
        c.DateTo = At(today, dtpToTime->time());
        break;
    case stSeqDtTm:
    case stRandDtTm:
        c.SetType = kind;
        c.DateFrom = At(dtpFromDt->date(), dtpFromTm->time());
        c.DateTo = At(dtpToDt->date(), dtpToTm->time());
        break;
    case stIn: {
        c.SetType = kind;
        QStringList values;
        for (int r = 0; r < grdIn->RowCount(); ++r)
            values << grdIn->Cells(0, r);
        while (!values.isEmpty() && values.last().isEmpty())
            values.removeLast();
        c.Variable = values;
        break;
    }
    case stVar: {
        c.SetType = kind;
        QString text = txtVariable->Lines()->Text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (text.endsWith(u'\n'))
            text.chop(1);
        c.Variable = text.isEmpty() ? QStringList() : text.split(u'\n');
        break;
    }
    case stTemplate:
        c.SetType = kind;
        c.TemplateName1 = cmbTemplate1->currentText();
        c.TemplateName2 = cmbTemplate2->currentText();
        c.TemplateSep = txtTemplateSep->text();
        break;
    case stMaster:
        c.SetType = kind;
        c.LinkColumn = cmbColumn->currentText();
        break;
    case stLink:
        c.SetType = kind;
        c.LinkOwner = cmbLinkOwner->currentText();
        c.LinkTable = cmbLinkTable->currentText();
        c.LinkColumn = cmbLinkColumn->currentText();
        break;
    case stNone:
        break;
    }
    c.NullPar = updNull->isEnabled() ? updNull->value() : 0;
    if (item) {
        item->setText(3, kind == stNone ? QString() : SetTypeName(kind));
        item->setText(4, ParameterText(c));
    }
}

// ---------------------------------------------------------------------------
// The test run

void TfrmDataGenerate::btnTestClick()
{
    if (FRunning)
        return;
    CommitActiveControl();
    StoreSettings();
    StoreRule();
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        throw tv::Error(QStringLiteral("データベースに接続されていません。"));
    if (FJob.Mode == dgmMaster)
        ReadMasterColumns();
    tv::db::Connection &conn = cw->dbsMain();
    if (const auto fault = CheckInput(FJob, &conn))
        Fail(fault->Message, fault->Control, fault->Row);
    if (ShowMessageBox(QStringLiteral("データ生成のテストを行い、生成されるデータを表示します。\n"
                                      "(実際にテーブルにはデータは生成されません。)よろしいですか？"),
                       MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    SaveParamFile(FJob, ParamFileName(FJob.Table));
    txtLog->hide();
    fraData->show();
    IMainWindow *m = MainWindow();
    TRunScope busy(this);
    WaitCursor wait;
    tv::ui::ClearEscape();
    if (FJob.Mode == dgmMaster && m)
        m->SetLoopMessage(0, 0);
    TDataGenTestRun test(conn, FJob, *FRandom);
    const bool shown = test.Run(
        [this](const QString &Select) {
            fraData->qryData.Close();
            fraData->SetTableName(QString());
            fraData->SetSQL(Select);
            fraData->Prepare();
            // The rows are a look at a table that is about to go: no editing.
            for (tv::grid::TtvDBGridCustom *g : std::initializer_list<tv::grid::TtvDBGridCustom *>{
                     fraData->grdData1, fraData->grdData2}) {
                g->SetOptions(g->Options() & ~(tv::grid::dgEditing | tv::grid::dgAlwaysShowEditor));
                g->SetEditorMode(false);
            }
            fraData->Open();
        },
        [] { return EscapePressed(); }, QDateTime::currentDateTime());
    if (shown)
        pagGenerate->setCurrentWidget(tabLog);
}
