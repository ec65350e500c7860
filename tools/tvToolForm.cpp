#include "tools/tvToolForm.h"

#include "common/ControlStyle.h"
#include "common/HTMLHelp.h"
#include "common/IConnectionWindow.h"
#include "common/RecParam.h"
#include "platform/db/Connection.h"
#include "platform/db/Query.h"
#include "platform/db/StatementSavepoint.h"
#include "platform/Errors.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Guard.h"
#include "shell/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kGuiKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\");

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

const QList<TToolWindowKind> &ToolWindowKinds()
{
    // class, title text, form caption, icon, key, help, ShowWindow kind, one per caption
    static const QList<TToolWindowKind> kinds{
        {"TfrmExp", "バックアップ - ", "", 7, "EXPORT", 41400, true, true},
        {"TfrmImp", "リストア - ", "", 8, "IMP", 41500, true, true},
        {"TfrmLoader", "ロード - ", "", 9, "LOADER", 41600, true, true},
        {"TfrmComp", "", "オブジェクト比較", 1, "COMP", 50600, false, false},
        {"TfrmMatrix", "マトリックス表 - ", "", 1, "MATRIX", 20700, false, false},
        {"TfrmUserList", "ユーザー情報 - ", "", 3, "USERLIST", 40100, false, true},
        {"TfrmStorage", "テーブルスペース情報 - ", "", 69, "STORAGE", 40500, false, true},
        {"TfrmSession", "セッション情報 - ", "", 5, "SESSION", 40900, false, true},
        {"TfrmLock", "ロック情報 - ", "", 6, "LOCK", 41100, false, true},
        {"TfrmDB", "サーバ情報 - ", "", 1, "DB", 41200, false, true},
        {"TfrmPerform", "パフォーマンス情報 - ", "", 107, "PERFORM", 51000, false, true},
        {"TfrmIndexAdviser", "インデックスアドバイザ - ", "", 120, "INDEXADVISER", 51600, false, false},
        {"TfrmSQLCatch", "SQLキャッチ - ", "", 105, "SQLCATCH", 51200, false, true},
        {"TfrmSQLCRUD", "テーブルアクセス表 - ", "", 106, "SQLCRUD", 51300, false, true},
        {"TfrmExpdp", "エクスポート DataPump - ", "", 124, "EXPORT_DP", 42400, true, true},
        {"TfrmImpdp", "インポート DataPump - ", "", 125, "IMP_DP", 42500, true, true},
        {"TfrmDBTest", "DB負荷テスト - ", "", 1, "DBTEST", 30100, false, true},
        {"TfrmNameTable", "スクリプト名テーブル編集 - ", "", -1, "NAMETABLE", 50300, true, false},
        {"TfrmDataGenerate", "", "データ生成ツール", 103, "DATAGENERATE", 21200, true, false},
    };
    return kinds;
}

const TToolWindowKind *FindToolWindowKind(const QString &ClassName)
{
    for (const TToolWindowKind &k : ToolWindowKinds()) {
        if (k.ClassName == ClassName)
            return &k;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Construction

TtvToolForm::TtvToolForm(QObject *AOwner, const QString &ClassName) : TtvForm(AOwner)
{
    if (const TToolWindowKind *k = FindToolWindowKind(ClassName))
        FKind = *k;
    else
        FKind = {ClassName, QString(), QString(), -1, ClassName.mid(4).toUpper(), 0, false, false};
    if (FKind.Title.isEmpty())
        setWindowTitle(FKind.FormCaption);

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    tolCmd = new TtvToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    lay->addWidget(tolCmd);

    actExit = new QAction(QStringLiteral("終了(&X)"), this);
    actExit->setObjectName(QStringLiteral("actExit"));
    actExit->setToolTip(QStringLiteral("画面を閉じます。"));
    connect(actExit, &QAction::triggered, this, [this] { Close(); });

    cmbDBName = new QComboBox(this);
    cmbDBName->setObjectName(QStringLiteral("cmbDBName"));
    cmbDBName->setEditable(false);
    // It takes the room the tool bar has left, up to the width of the main
    // window's connection list, and never less than a short text needs: a
    // long connection text never pushes it out of the bar. The drop-down
    // list shows texts whole.
    cmbDBName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbDBName->setMinimumContentsLength(8);
    cmbDBName->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    cmbDBName->setMaximumWidth(340);
    cmbDBName->hide();
    connect(cmbDBName, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbDBNameChange(); }));
}

TtvToolForm::~TtvToolForm() = default;

void TtvToolForm::AddDBNamePanel(const QString &Label)
{
    tolCmd->addSeparator();
    auto *lbl = new QLabel(Label, tolCmd);
    lbl->setObjectName(QStringLiteral("lblDBName"));
    tolCmd->addWidget(lbl);
    // The box was hidden while it belonged to no tool bar; a tool bar takes
    // an explicitly hidden widget's state for its action, so the action is
    // made visible here or the box never shows.
    QAction *box = tolCmd->addWidget(cmbDBName);
    box->setObjectName(QStringLiteral("actDBName"));
    box->setVisible(true);
}

QAction *TtvToolForm::NewRefreshAction()
{
    auto *a = new QAction(QStringLiteral("最新(&R)"), this);
    a->setObjectName(QStringLiteral("actRefresh"));
    a->setToolTip(QStringLiteral("最新の情報に更新します。"));
    connect(a, &QAction::triggered, this, tv::ui::Guarded([this] { Reload(this); }));
    return a;
}

QAction *TtvToolForm::AddExecAction(std::function<void()> Run)
{
    auto *a = new QAction(QStringLiteral("実行(&E)"), this);
    a->setObjectName(QStringLiteral("btnExec"));
    connect(a, &QAction::triggered, this, tv::ui::Guarded(std::move(Run)));
    tolCmd->addAction(a);
    return a;
}

QString TtvToolForm::SettingsKey() const
{
    return kGuiKey + FKind.Key;
}

// ---------------------------------------------------------------------------
// Names

QString TtvToolForm::ConnectionText(IConnectionWindow *Form)
{
    if (!Form)
        return QString();
    const tv::db::ConnectionParams &p = Form->dbsMain().Params();
    return FormatRecParamCaption(MakeRecParam(p.Server, p.Database, p.MetaDefSchema, p.value(QStringLiteral("Port")),
                                              p.User_Name, p.Password, QString(), QString(), QString()),
                                 0, false);
}

QString TtvToolForm::CaptionFor(IConnectionWindow *Form) const
{
    if (FKind.Title.isEmpty())
        return FKind.FormCaption;
    return FKind.Title + ConnectionText(Form);
}

void TtvToolForm::Retitle()
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    setWindowTitle(CaptionFor(cw));
    const tv::db::ConnectionParams &p = cw->dbsMain().Params();
    SetTaskCaption(FormatRecParamCaption(MakeRecParam(p.Server, p.Database, p.MetaDefSchema,
                                                      p.value(QStringLiteral("Port")), p.User_Name, p.Password,
                                                      QString(), QString(), QString()),
                                         0, true));
}

// ---------------------------------------------------------------------------
// Opening

void TtvToolForm::FinishOpen(IConnectionWindow *AOwner)
{
    try {
        FinishCreate();
        // 4. Task button and icon.
        CreateTaskButton();
        if (FKind.Icon >= 0)
            SetWindowIcon(this, FKind.Icon);
        // The caption before the first read, so the one-window rule finds
        // the window while it reads.
        setWindowTitle(CaptionFor(AOwner));
        // The frame takes the window's (saved) size, plus its own borders.
        ShowForm();
        PrepareOpen(AOwner);
        // 6. The combo, the owner's item selected, then the first read.
        FillDBName();
        const int at = cmbDBName->findText(ConnectionText(AOwner), Qt::MatchExactly);
        cmbDBName->setCurrentIndex(at);
        if (at < 0) {
            // A connection window outside the main window's list (tests).
            cmbDBName->addItem(ConnectionText(AOwner), QVariant::fromValue<QObject *>(AOwner->FormWidget()));
            cmbDBName->setCurrentIndex(cmbDBName->count() - 1);
        }
        cmbDBNameChange();
    } catch (...) {
        // No half-built window stays: frame, window and task button go.
        if (QMdiSubWindow *frame = Frame())
            delete frame; // the window with it
        else
            delete this;
        throw;
    }
}

void TtvToolForm::FillDBName()
{
    cmbDBName->clear();
    if (!frmMain)
        return;
    QComboBox *src = frmMain->ConnectionList();
    for (int i = 0; i < src->count(); ++i)
        cmbDBName->addItem(src->itemText(i), src->itemData(i));
}

IConnectionWindow *TtvToolForm::SelectedConnection() const
{
    const int i = cmbDBName->currentIndex();
    if (i < 0)
        return nullptr;
    return dynamic_cast<IConnectionWindow *>(cmbDBName->itemData(i).value<QObject *>());
}

void TtvToolForm::cmbDBNameChange()
{
    IConnectionWindow *cw = SelectedConnection();
    if (!cw)
        return;
    SetOwnerForm(cw);
    if (FKind.ShowWindowKind)
        Retitle();
    else
        Reload(this);
}

void TtvToolForm::DBChange(QObject * /*Sender*/)
{
    const QString shown = cmbDBName->currentText();
    FillDBName();
    const int at = cmbDBName->findText(shown, Qt::MatchExactly);
    cmbDBName->setCurrentIndex(at);
    const bool anyConnection = frmMain && frmMain->ConnectionList()->count() > 0;
    if (!anyConnection || at < 0)
        Close();
}

// ---------------------------------------------------------------------------
// Size

void TtvToolForm::LoadSettings()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (!reg.OpenKey(SettingsKey(), true))
            return;
        const QWidget *outer = Frame() ? static_cast<QWidget *>(Frame()) : this;
        if (!(outer->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)))
            resize(reg.GetInteger(QStringLiteral("Width"), width()), reg.GetInteger(QStringLiteral("Height"), height()));
        reg.CloseKey();
    } catch (...) {
        // A store that cannot be read leaves the size as built.
    }
}

void TtvToolForm::SaveSettings()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (!reg.OpenKey(SettingsKey(), true))
            return;
        const QWidget *outer = Frame() ? static_cast<QWidget *>(Frame()) : this;
        if (!(outer->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
            reg.WriteInteger(QStringLiteral("Width"), width());
            reg.WriteInteger(QStringLiteral("Height"), height());
        }
        reg.CloseKey();
    } catch (...) {
        // A store that cannot be written loses the size.
    }
}

// ---------------------------------------------------------------------------
// Reading, showing, keys

bool TtvToolForm::ReadGuarded(const std::function<void()> &Work)
{
    if (FReading)
        return false;
    FReading = true;
    WaitCursor cursor;
    try {
        Work();
    } catch (...) {
        FReading = false;
        throw;
    }
    FReading = false;
    return true;
}

void TtvToolForm::OpenProtected(tv::db::Query &Query)
{
    tv::db::Connection *conn = Query.GetConnection();
    if (!conn)
        throw tv::Error(QStringLiteral("データベースに接続されていません。"));
    tv::db::StatementSavepoint sp(*conn);
    Query.Open();
    sp.release();
}

void TtvToolForm::ExecuteProtected(const QString &SQLText)
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        throw tv::Error(QStringLiteral("データベースに接続されていません。"));
    tv::db::StatementSavepoint sp(cw->dbsMain());
    cw->ExecuteSQL(SQLText);
    sp.release();
}

void TtvToolForm::ExecProtected(const QString &SQLText)
{
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        throw tv::Error(QStringLiteral("データベースに接続されていません。"));
    tv::db::StatementSavepoint sp(cw->dbsMain());
    cw->dbsMain().Exec(SQLText);
    sp.release();
}

void TtvToolForm::showEvent(QShowEvent *e)
{
    TtvForm::showEvent(e);
    if (FShownOnce)
        return;
    FShownOnce = true;
    tolCmd->SetButtonWidth(CommandButtonWidth());
    tolCmd->SetWrapable(WrapsCommandBar());
}

void TtvToolForm::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_F1 && FKind.Help != 0) {
        tv::ui::Guard([this] { ShowHelpContext(FKind.Help); });
        e->accept();
        return;
    }
    TtvForm::keyPressEvent(e);
}
