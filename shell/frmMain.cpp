#include "shell/frmMain.h"

#include "common/ControlStyle.h"
#include "common/Globals.h"
#include "common/Options.h"
#include "common/Shortcuts.h"
#include "common/tvOption.h"
#include "controls/tvDBGridH.h"
#include "controls/tvDBGridV.h"
#include "controls/tvListView.h"
#include "controls/tvStatusBar.h"
#include "controls/tvStringGrid.h"
#include "platform/settings/tvRegistry.h"
#include "platform/text/TextEncoding.h"
#include "platform/ui/Guard.h"
#include "platform/ui/ShortCut.h"
#include "platform/ui/WindowMessage.h"
#include "shell/frmLogon.h"
#include "shell/frmObject.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TfrmMain *frmMain = nullptr;

namespace {

const QString MainKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\MAIN");
constexpr int MessagePanel = 2;

// Image indexes of the actions (indexes into the main image list).
const struct {
    const char *name;
    int image;
} ActionImages[] = {
    {"actDBCommit", 15},      {"actDBRollback", 16},      {"actDBLogon", 13},        {"actDBLogoff", 14},
    {"actEditUndo", 19},      {"actEditCut", 20},         {"actEditCopy", 21},       {"actEditPaste", 22},
    {"actEditFind", 23},      {"actViewSQL", 10},         {"actViewScript", 11},     {"actViewField", 12},
    {"actViewSQLCatch", 105}, {"actViewSQLCRUD", 106},    {"actAdminUser", 3},       {"actAdminStorage", 69},
    {"actAdminSession", 5},   {"actAdminLock", 6},        {"actAdminDatabase", 1},   {"actAdminPerform", 107},
    {"actAdminDBLink", 64},   {"actAdminExport", 7},      {"actAdminImport", 8},     {"actAdminLoad", 9},
    {"actWindowCascade", 25}, {"actWindowTileH", 26},     {"actWindowTileV", 27},    {"actOpen", 17},
    {"actOpenDefine", 17},    {"actExec", 28},            {"actScript", 18},         {"actPrint", 98},
    {"actCross", 92},         {"actGrant", 91},           {"actDelete", 41},         {"actGrep", 24},
    {"actExport", 7},         {"actLoad", 9},             {"actSynonym", 60},        {"actToolIndexAdviser", 120},
    {"actViewComp", 119},
};

// The new-object buttons with the object-type code of their kind.
const struct {
    const char *name;
    int image;
} NewObjectButtons[] = {
    {"btnNewTable", 45}, {"btnNewIndex", 46}, {"btnNewView", 47},   {"btnNewFunc", 52},  {"btnNewType", 55},
    {"btnNewTrigger", 57}, {"btnNewRule", 127}, {"btnNewSeq", 58},  {"btnNewConst", 66}, {"btnNewMView", 61},
    {"btnNewAgrg", 128}, {"btnNewProc", 51},  {"btnNewPack", 53},   {"btnNewSynonym", 60},
};

const char *const ConnectionActions[] = {
    "actDBCommit",     "actDBRollback",  "actDBLogoff",     "actViewSQL",     "actViewScript",
    "actViewTemplate", "actViewComp",    "actViewField",    "actViewSQLCatch", "actViewSQLCRUD",
    "actToolIndexAdviser",
};
const char *const AdminActions[] = {
    "actAdminUser",     "actAdminStorage", "actAdminSession", "actAdminLock",   "actAdminDatabase",
    "actAdminPerform",  "actAdminExport",  "actAdminImport",  "actAdminLoad",
};

// The images are drawn here: a coloured tile per index, so that every index
// is told apart; image 0 is the program icon.
QIcon DrawImage(int index)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = QColor::fromHsv((index * 47) % 360, 150, 200);
    p.setBrush(c);
    p.setPen(c.darker(150));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
    return QIcon(pm);
}

QByteArray RectBytes(const QRect &r)
{
    QByteArray b(16, '\0');
    const qint32 v[4] = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 4; ++k)
            b[i * 4 + k] = char((quint32(v[i]) >> (8 * k)) & 0xFF);
    return b;
}

bool BytesRect(const QByteArray &b, QRect *r)
{
    if (b.size() != 16)
        return false;
    qint32 v[4];
    for (int i = 0; i < 4; ++i) {
        quint32 u = 0;
        for (int k = 0; k < 4; ++k)
            u |= quint32(quint8(b[i * 4 + k])) << (8 * k);
        v[i] = qint32(u);
    }
    *r = QRect(QPoint(v[0], v[1]), QSize(v[2] - v[0], v[3] - v[1]));
    return true;
}

} // namespace

TfrmMain::TfrmMain(const QStringList &args, QWidget *parent)
    : QMainWindow(parent), FCommandLine(ParseCommandLine(args))
{
    frmMain = this;
    RegisterMainWindow(this);
    // Control styling reaches the program's grids through these hooks.
    RegisterGridStylers<TtvStringGrid, geAccess, tv::grid::TtvDBGridV, tv::grid::TtvDBGridH>();
    setObjectName(QStringLiteral("frmMain"));
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // Children go first, so that nothing reaches a half-destroyed frame.
    if (mdiMain) {
        for (QMdiSubWindow *w : mdiMain->subWindowList())
            delete w;
    }
    if (MainWindow() == this)
        RegisterMainWindow(nullptr);
    if (frmMain == this)
        frmMain = nullptr;
}

// ---------------------------------------------------------------------------
// Creation

void TfrmMain::FormCreate()
{
    // 1. The title and the icon.
    const QString title = QStringLiteral("Talvex") + QStringLiteral(" for Postgres");
    QApplication::setApplicationDisplayName(title);
    setWindowTitle(title);
    setWindowIcon(MainImage(0));
    resize(852, 729);
    setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 10));

    mdiMain = new QMdiArea;
    mdiMain->setObjectName(QStringLiteral("mdiMain"));
    mdiMain->setBackground(palette().brush(QPalette::Dark));
    lstWorkSpace = new TtvListView;
    lstWorkSpace->setObjectName(QStringLiteral("lstWorkSpace"));
    splWorkSpace = new QSplitter(Qt::Vertical);
    splWorkSpace->setObjectName(QStringLiteral("splWorkSpace"));
    splWorkSpace->setChildrenCollapsible(false);
    splWorkSpace->addWidget(mdiMain);
    splWorkSpace->addWidget(lstWorkSpace);
    splWorkSpace->setStretchFactor(0, 1);
    splWorkSpace->setSizes({600, 80});

    tolTask = new QToolBar;
    tolTask->setObjectName(QStringLiteral("tolTask"));
    tolTask->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    scrTask = new QScrollArea;
    scrTask->setObjectName(QStringLiteral("scrTask"));
    scrTask->setWidget(tolTask);
    scrTask->setWidgetResizable(true);
    scrTask->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tolTask->setIconSize(QSize(16, 16));
    scrTask->setFixedHeight(30);
    scrTask->setFrameShape(QFrame::NoFrame);

    auto *central = new QWidget;
    auto *lay = new QVBoxLayout(central);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(splWorkSpace, 1);
    lay->addWidget(scrTask);
    setCentralWidget(central);

    stsMain = new TtvStatusBar;
    stsMain->setObjectName(QStringLiteral("stsMain"));
    stsMain->AutoHint = true;
    stsMain->AddPanel(100);
    stsMain->AddPanel(20);
    stsMain->AddPanel(50);
    setStatusBar(stsMain);

    // 2. Actions with their images, tool bars and menus.
    BuildActions();
    BuildToolBars();
    BuildMenus();
    connect(mdiMain, &QMdiArea::subWindowActivated, this,
            tv::ui::Guarded([this](QMdiSubWindow *w) { OnSubWindowActivated(w); }));

    // 4. The options and the key bindings.
    LoadOptions();
    ApplyActionShortCuts();
    // 5. Date and time formats are read from the options where they are used.

    // 6. The SQL history list.
    LoadSQLLogList();
    // 7. Menus of user commands, reports and the home page.
    SetCommandList();
    SetReportList();
    SetHomePage();
    // 8. The spreadsheet extension and the file filter.
    if (tvOption.ExcelExt.isEmpty())
        SetExcelExt();
    ExcelFileFilter = tvOption.ExcelExt == QLatin1String(".XLSX") ? QStringLiteral("Excelファイル(*.xlsx)|*.xlsx")
                                                                    : QStringLiteral("Excelファイル(*.xls)|*.xls");
    // 9. The colour of the tool bars and the task bar.
    const QString barStyle = QStringLiteral("background-color: #C7D9EB;");
    for (QToolBar *bar : ToolBars())
        bar->setStyleSheet(QStringLiteral("QToolBar { %1 }").arg(barStyle));
    scrTask->setStyleSheet(QStringLiteral("QScrollArea, QToolBar { %1 }").arg(barStyle));
    // 10. Every action in its no-connection state.
    cmbDBNameChange();
}

void TfrmMain::BuildActions()
{
    auto make = [this](const QString &name) {
        if (QAction *a = FActions.value(name))
            return a;
        auto *a = new QAction(this);
        a->setObjectName(name);
        FActions.insert(name, a);
        return a;
    };
    for (int i = 0; i < ActionShortCutCount; ++i)
        make(QString::fromLatin1(ActionShortCutDef(i).ActionName));
    for (const auto &ai : ActionImages)
        make(QString::fromLatin1(ai.name))->setIcon(MainImage(ai.image));
    for (const char *n : {"actAdminDBLink", "actViewTemplate", "actSynonym", "actWindowCascade", "actWindowTileH",
                          "actWindowTileV"})
        make(QString::fromLatin1(n));

    const struct {
        const char *name;
        const char *text;
    } texts[] = {
        {"actDBLogon", "ログオン(&L)..."},   {"actDBLogoff", "ログオフ(&O)"},   {"actDBCommit", "コミット(&C)"},
        {"actDBRollback", "ロールバック(&R)"}, {"actFileExit", "終了(&X)"},      {"actEditUndo", "元に戻す(&U)"},
        {"actEditCut", "切り取り(&T)"},      {"actEditCopy", "コピー(&C)"},     {"actEditPaste", "貼り付け(&P)"},
        {"actWindowCascade", "重ねて表示(&C)"}, {"actWindowTileH", "上下に並べて表示(&H)"},
        {"actWindowTileV", "左右に並べて表示(&V)"},
    };
    for (const auto &t : texts)
        FActions.value(QString::fromLatin1(t.name))->setText(QString::fromUtf8(t.text));

    connect(Action(QStringLiteral("actFileExit")), &QAction::triggered, this, [this] { close(); });
    connect(Action(QStringLiteral("actDBLogon")), &QAction::triggered, this, tv::ui::Guarded([] {
                TfrmLogon::ShowWindow(QString(), QString(), QString(), QString(), QString(), QString(), false);
            }));
    connect(Action(QStringLiteral("actDBLogoff")), &QAction::triggered, this, tv::ui::Guarded([this] {
                if (TfrmObject *f = CurrentObjectForm()) {
                    if (QMdiSubWindow *sw = SubWindowOf(f))
                        sw->close();
                }
            }));
    auto transaction = [this](const QString &statement) {
        if (TfrmObject *f = CurrentObjectForm()) {
            f->ExecuteSQL(statement);
            if (!tvOption.UpdateToCommit && f->dbsMain().transactionState() == tv::db::TransactionState::Idle)
                f->ExecuteSQL(QStringLiteral("BEGIN"));
        }
    };
    connect(Action(QStringLiteral("actDBCommit")), &QAction::triggered, this,
            tv::ui::Guarded([transaction] { transaction(QStringLiteral("COMMIT")); }));
    connect(Action(QStringLiteral("actDBRollback")), &QAction::triggered, this,
            tv::ui::Guarded([transaction] { transaction(QStringLiteral("ROLLBACK")); }));
    connect(Action(QStringLiteral("actWindowCascade")), &QAction::triggered, mdiMain, &QMdiArea::cascadeSubWindows);
    connect(Action(QStringLiteral("actWindowTileH")), &QAction::triggered, mdiMain, &QMdiArea::tileSubWindows);
    connect(Action(QStringLiteral("actWindowTileV")), &QAction::triggered, mdiMain, &QMdiArea::tileSubWindows);
}

void TfrmMain::BuildToolBars()
{
    auto bar = [this](QToolBar *&b, const char *name, const QString &title) {
        b = new QToolBar(title, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setIconSize(QSize(16, 16));
        addToolBar(Qt::TopToolBarArea, b);
    };
    bar(pnlDB, "pnlDB", QStringLiteral("データベース"));
    bar(pnlEdit, "pnlEdit", QStringLiteral("編集"));
    addToolBarBreak();
    bar(pnlTool, "pnlTool", QStringLiteral("ツール"));
    bar(pnlAdmin, "pnlAdmin", QStringLiteral("管理"));
    bar(pnlTool2, "pnlTool2", QStringLiteral("ツール"));
    addToolBarBreak();
    bar(pnlNewObj, "pnlNewObj", QStringLiteral("新規オブジェクト"));

    pnlDB->addAction(Action(QStringLiteral("actDBLogon")));
    pnlDB->addAction(Action(QStringLiteral("actDBLogoff")));
    cmbDBName = new QComboBox;
    cmbDBName->setObjectName(QStringLiteral("cmbDBName"));
    cmbDBName->setEditable(false);
    cmbDBName->setFixedWidth(340);
    cmbDBName->setToolTip(QStringLiteral("現行データベース"));
    pnlDB->addWidget(cmbDBName);
    // Only the user's pick runs the change handler; selecting from code never does.
    connect(cmbDBName, &QComboBox::activated, this, tv::ui::Guarded([this](int) { cmbDBNameChange(); }));
    pnlDB->addAction(Action(QStringLiteral("actDBCommit")));
    pnlDB->addAction(Action(QStringLiteral("actDBRollback")));

    pnlEdit->addAction(Action(QStringLiteral("actEditUndo")));
    pnlEdit->addSeparator();
    for (const char *n : {"actEditCut", "actEditCopy", "actEditPaste"})
        pnlEdit->addAction(Action(QString::fromLatin1(n)));
    for (const char *n : {"actViewSQL", "actViewScript", "actViewField"})
        pnlTool->addAction(Action(QString::fromLatin1(n)));
    for (const char *n : {"actAdminUser", "actAdminStorage", "actAdminSession", "actAdminLock", "actAdminDatabase",
                          "actAdminPerform", "actAdminDBLink"})
        pnlAdmin->addAction(Action(QString::fromLatin1(n)));
    for (const char *n : {"actViewComp", "actToolIndexAdviser", "actViewSQLCatch", "actViewSQLCRUD"})
        pnlTool2->addAction(Action(QString::fromLatin1(n)));
    for (const auto &b : NewObjectButtons) {
        auto *a = new QAction(MainImage(b.image), QString(), this);
        a->setObjectName(QString::fromLatin1(b.name));
        FActions.insert(a->objectName(), a);
        pnlNewObj->addAction(a);
    }
}

void TfrmMain::BuildMenus()
{
    mnuMain = new QMenu(this);
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("ファイル(&F)"));
    file->addAction(Action(QStringLiteral("actDBLogon")));
    file->addAction(Action(QStringLiteral("actDBLogoff")));
    file->addSeparator();
    file->addAction(Action(QStringLiteral("actFileExit")));
    QMenu *disp = bar->addMenu(QStringLiteral("表示(&V)"));
    auto *group = new QActionGroup(this);
    mnuDispList = disp->addAction(QStringLiteral("一覧(&L)"));
    mnuDispReport = disp->addAction(QStringLiteral("詳細(&D)"));
    for (QAction *a : {mnuDispList, mnuDispReport}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    mnuDispReport->setChecked(true);
    mnuWindow = bar->addMenu(QStringLiteral("ウィンドウ(&W)"));
    for (const char *n : {"actWindowCascade", "actWindowTileH", "actWindowTileV"})
        mnuWindow->addAction(Action(QString::fromLatin1(n)));
    popEditor = new QMenu(this);
    popEditor->setObjectName(QStringLiteral("popEditor"));
    for (const char *n : {"actEditUndo", "actEditCut", "actEditCopy", "actEditPaste"})
        popEditor->addAction(Action(QString::fromLatin1(n)));
}

QList<QToolBar *> TfrmMain::ToolBars() const
{
    return {pnlDB, pnlEdit, pnlTool, pnlAdmin, pnlNewObj, pnlTool2};
}

void TfrmMain::ApplyActionShortCuts()
{
    for (int i = 0; i < ActionShortCutCount; ++i) {
        if (QAction *a = Action(QString::fromLatin1(ActionShortCutDef(i).ActionName)))
            a->setShortcut(tv::ui::ShortCutToKeySequence(ActionShortCut(i)));
    }
}

void TfrmMain::StoreActionShortCuts()
{
    for (int i = 0; i < ActionShortCutCount; ++i) {
        if (QAction *a = Action(QString::fromLatin1(ActionShortCutDef(i).ActionName)))
            SetActionShortCut(i, tv::ui::KeySequenceToShortCut(a->shortcut()));
    }
}

void TfrmMain::LoadSQLLogList()
{
    // Any failure leaves the history empty without a message.
    SQLLogList.clear();
    QString text;
    if (!tv::text::ReadTextFile(tvOption.TempDir + QStringLiteral("SQLLOG.IDX"), tv::text::Encoding::Ansi, &text))
        return;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.isEmpty())
            SQLLogList.append(line);
    }
}

void TfrmMain::SaveSQLLogList()
{
    QString text;
    for (const QString &name : std::as_const(SQLLogList))
        text += name + QStringLiteral("\r\n");
    QString error;
    if (!tv::text::WriteTextFile(tvOption.TempDir + QStringLiteral("SQLLOG.IDX"), text, tv::text::Encoding::Ansi,
                                 false, &error))
        throw tv::Error(error);
}

// ---------------------------------------------------------------------------
// First paint

void TfrmMain::showEvent(QShowEvent *e)
{
    QMainWindow::showEvent(e);
    if (!FPainted)
        QTimer::singleShot(0, this, [this] { tv::ui::Guard([this] { FormPaint(); }); });
}

void TfrmMain::FormPaint()
{
    if (FPainted)
        return;
    FPainted = true;
    LoadWindowSettings();
    if (!FCommandLine.HasUser()) {
        TfrmLogon::ShowWindow(QString(), QString(), QString(), QString(), QString(), QString(), false);
        return;
    }
    // Let the frame finish painting before the logon takes its time.
    QApplication::processEvents();
    const TCommandLine &c = FCommandLine;
    TfrmLogon::ShowWindow(c.Host, c.Port, c.Database, c.Schema, c.UserID, c.Password, true);
}

// ---------------------------------------------------------------------------
// Window settings

void TfrmMain::LoadWindowSettings()
{
    auto &reg = tv::settings::tvRegistry();
    if (!reg.OpenKey(MainKey, false))
        return;
    int state = reg.GetInteger(QStringLiteral("WindowState"), 0);
    if (state == 1)
        state = 0;
    if (state == 2) {
        setWindowState(Qt::WindowMaximized);
    } else {
        setWindowState(Qt::WindowNoState);
        const QRect g = geometry();
        const int left = reg.GetInteger(QStringLiteral("Left"), g.left());
        const int top = reg.GetInteger(QStringLiteral("Top"), g.top());
        const int width = reg.GetInteger(QStringLiteral("Width"), g.width());
        const int height = reg.GetInteger(QStringLiteral("Height"), g.height());
        setGeometry(left, top, width, height);
    }
    lstWorkSpace->setVisible(reg.GetBool(QStringLiteral("WorkSpace"), true));
    WorkSpaceStyle = reg.GetInteger(QStringLiteral("WorkSpaceStyle"), 0);
    WorkSpaceAlign = reg.GetInteger(QStringLiteral("WorkSpaceAlign"), 2);
    ApplyWorkSpaceAlign();
    const bool vertical = WorkSpaceAlign == 1 || WorkSpaceAlign == 2;
    const QSize client = centralWidget()->size();
    const int current = vertical ? lstWorkSpace->height() : lstWorkSpace->width();
    int size = std::max(1, reg.GetInteger(QStringLiteral("WorkSpaceSize"), current));
    size = std::min(size, (vertical ? client.height() : client.width()) / 2);
    size = std::max(size, 1);
    QList<int> sizes = splWorkSpace->sizes();
    const int total = std::max(1, sizes.value(0) + sizes.value(1));
    const bool wsFirst = WorkSpaceAlign == 1 || WorkSpaceAlign == 3;
    splWorkSpace->setSizes(wsFirst ? QList<int>{size, std::max(1, total - size)}
                                   : QList<int>{std::max(1, total - size), size});
    scrTask->setVisible(reg.GetBool(QStringLiteral("TaskBar"), true));
    stsMain->setVisible(reg.GetBool(QStringLiteral("StatusBar"), true));
    for (QToolBar *bar : {pnlDB, pnlEdit, pnlTool, pnlAdmin, pnlNewObj, pnlTool2})
        LoadToolBarSettings(bar);
    reg.CloseKey();
}

void TfrmMain::LoadToolBarSettings(QToolBar *bar)
{
    auto &reg = tv::settings::tvRegistry();
    const QString name = bar->objectName();
    QRect r = bar->geometry();
    BytesRect(reg.ReadBinaryData(name + QStringLiteral("Rect")), &r);
    const bool visible = reg.GetBool(name + QStringLiteral("Visible"), true);
    if (reg.GetBool(name + QStringLiteral("Float"), false)) {
        // A floating bar reappears floating at its stored place.
        bar->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        bar->setGeometry(r);
    }
    bar->setVisible(visible);
}

void TfrmMain::SaveWindowSettings()
{
    auto &reg = tv::settings::tvRegistry();
    reg.OpenKey(MainKey, true);
    struct CloseAtEnd {
        tv::settings::TtvRegistry &r;
        bool done = false;
        ~CloseAtEnd()
        {
            if (!done) {
                try {
                    r.CloseKey();
                } catch (...) {
                }
            }
        }
    } closer{reg};
    const int state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    reg.WriteInteger(QStringLiteral("WindowState"), state);
    if (state == 0) {
        const QRect g = geometry();
        reg.WriteInteger(QStringLiteral("Left"), g.left());
        reg.WriteInteger(QStringLiteral("Top"), g.top());
        reg.WriteInteger(QStringLiteral("Width"), g.width());
        reg.WriteInteger(QStringLiteral("Height"), g.height());
    }
    reg.WriteBool(QStringLiteral("TaskBar"), !scrTask->isHidden());
    reg.WriteBool(QStringLiteral("StatusBar"), !stsMain->isHidden());
    reg.WriteBool(QStringLiteral("WorkSpace"), !lstWorkSpace->isHidden());
    reg.WriteInteger(QStringLiteral("WorkSpaceStyle"), WorkSpaceStyle);
    reg.WriteInteger(QStringLiteral("WorkSpaceAlign"), WorkSpaceAlign);
    if (WorkSpaceAlign == 1 || WorkSpaceAlign == 2)
        reg.WriteInteger(QStringLiteral("WorkSpaceSize"), lstWorkSpace->height());
    else if (WorkSpaceAlign == 3 || WorkSpaceAlign == 4)
        reg.WriteInteger(QStringLiteral("WorkSpaceSize"), lstWorkSpace->width());
    for (QToolBar *bar : {pnlDB, pnlEdit, pnlTool, pnlTool2, pnlAdmin, pnlNewObj})
        SaveToolBarSettings(bar);
    closer.done = true;
    reg.CloseKey();
}

void TfrmMain::SaveToolBarSettings(QToolBar *bar)
{
    auto &reg = tv::settings::tvRegistry();
    const QString name = bar->objectName();
    const bool floating = bar->isWindow();
    reg.WriteBinaryData(name + QStringLiteral("Rect"), RectBytes(floating ? bar->frameGeometry() : bar->geometry()));
    reg.WriteBool(name + QStringLiteral("Visible"), !bar->isHidden());
    reg.WriteBool(name + QStringLiteral("Float"), floating);
}

void TfrmMain::ApplyWorkSpaceAlign()
{
    const bool vertical = WorkSpaceAlign == 1 || WorkSpaceAlign == 2;
    const bool wsFirst = WorkSpaceAlign == 1 || WorkSpaceAlign == 3;
    splWorkSpace->setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
    splWorkSpace->insertWidget(wsFirst ? 0 : 1, lstWorkSpace);
    splWorkSpace->setStretchFactor(splWorkSpace->indexOf(mdiMain), 1);
    splWorkSpace->setStretchFactor(splWorkSpace->indexOf(lstWorkSpace), 0);
}

// ---------------------------------------------------------------------------
// Shutdown

void TfrmMain::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    // The message panel takes the rest of the bar.
    stsMain->SetPanelWidth(MessagePanel, std::max(50, width() - 100 - 20 - 24));
}

void TfrmMain::closeEvent(QCloseEvent *e)
{
    bool ok = false;
    tv::ui::Guard([&] { ok = FormCloseQuery(); });
    if (!ok) {
        e->ignore();
        return;
    }
    FormClose();
    e->accept();
}

bool TfrmMain::FormCloseQuery()
{
    // 1. Every child is asked first, in child order; the first refusal
    //    cancels the shutdown and nothing is closed.
    for (QWidget *w : MdiChildren()) {
        if (auto *child = dynamic_cast<IChildWindow *>(w)) {
            if (!child->CanClose())
                return false;
        }
    }
    // 2. The connection windows close from the last to the first. One that
    //    now refuses keeps the program running, so no unsaved change is lost.
    const QList<QWidget *> children = MdiChildren();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto *form = dynamic_cast<TfrmObject *>(*it);
        if (!form)
            continue;
        QMdiSubWindow *sw = SubWindowOf(form);
        if (sw && !sw->close())
            return false;
    }
    return true;
}

void TfrmMain::FormClose()
{
    // The first failure skips the remaining steps silently.
    try {
        SaveWindowSettings();
        StoreActionShortCuts();
        if (!SaveOptions())
            return;
        QDir().mkpath(tvOption.TempDir);
        SaveSQLLogList();
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------
// MDI children

QList<QWidget *> TfrmMain::MdiChildren() const
{
    // The one place where a child index meets Qt's order: creation order.
    QList<QWidget *> list;
    for (QMdiSubWindow *sw : mdiMain->subWindowList(QMdiArea::CreationOrder)) {
        if (QWidget *w = sw->widget())
            list.append(w);
    }
    return list;
}

QMdiSubWindow *TfrmMain::AddMdiChild(QWidget *window)
{
    QMdiSubWindow *sw = mdiMain->addSubWindow(window);
    sw->setAttribute(Qt::WA_DeleteOnClose);
    return sw;
}

QMdiSubWindow *TfrmMain::SubWindowOf(const QWidget *window) const
{
    for (QMdiSubWindow *sw : mdiMain->subWindowList()) {
        if (sw->widget() == window)
            return sw;
    }
    return nullptr;
}

void TfrmMain::BroadcastMessage(int message)
{
    for (QWidget *w : MdiChildren())
        tv::ui::SendWindowMessage(w, message);
}

QWidget *TfrmMain::FindWindow(const std::function<bool(QWidget *)> &isClass, const QString &caption, bool show)
{
    const QList<QWidget *> children = MdiChildren();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        QWidget *w = *it;
        if (!isClass(w) || w->windowTitle() != caption)
            continue;
        if (show) {
            if (QMdiSubWindow *sw = SubWindowOf(w)) {
                sw->show();
                if (sw->isMinimized())
                    sw->showNormal();
                mdiMain->setActiveSubWindow(sw);
            }
        }
        return w;
    }
    return nullptr;
}

void TfrmMain::OnSubWindowActivated(QMdiSubWindow *sw)
{
    if (!sw || !sw->widget())
        return;
    if (auto *form = dynamic_cast<TfrmObject *>(sw->widget()))
        form->FormActivate();
}

// ---------------------------------------------------------------------------
// Connection list

IConnectionWindow *TfrmMain::CurrentForm() const
{
    return CurrentObjectForm();
}

TfrmObject *TfrmMain::CurrentObjectForm() const
{
    const int i = cmbDBName->currentIndex();
    if (i < 0)
        return nullptr;
    return qobject_cast<TfrmObject *>(cmbDBName->itemData(i).value<QObject *>());
}

TfrmObject *TfrmMain::GetDBForm(const QString &ServerName) const
{
    if (TfrmObject *cur = CurrentObjectForm(); cur && cur->ConnectionText() == ServerName)
        return cur;
    const QList<QWidget *> children = MdiChildren();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        if (auto *f = dynamic_cast<TfrmObject *>(*it); f && f->ConnectionText() == ServerName)
            return f;
    }
    return nullptr;
}

void TfrmMain::SelectConnection(const QString &text, Qt::CaseSensitivity cs)
{
    // setCurrentIndex never runs the change handler (that is bound to the user's pick).
    for (int i = 0; i < cmbDBName->count(); ++i) {
        if (QString::compare(cmbDBName->itemText(i), text, cs) == 0) {
            cmbDBName->setCurrentIndex(i);
            return;
        }
    }
    cmbDBName->setCurrentIndex(-1);
}

void TfrmMain::AddConnection(TfrmObject *form, const QString &text)
{
    cmbDBName->addItem(text, QVariant::fromValue<QObject *>(form));
    cmbDBName->setCurrentIndex(cmbDBName->count() - 1);
}

void TfrmMain::RemoveConnection(TfrmObject *form)
{
    for (int i = cmbDBName->count() - 1; i >= 0; --i) {
        if (cmbDBName->itemData(i).value<QObject *>() == form) {
            cmbDBName->removeItem(i);
            break;
        }
    }
    cmbDBName->setCurrentIndex(cmbDBName->count() - 1);
}

void TfrmMain::cmbDBNameChange()
{
    const bool any = cmbDBName->count() >= 1;
    for (const auto &b : NewObjectButtons)
        Action(QString::fromLatin1(b.name))->setEnabled(any);
    for (const char *n : ConnectionActions)
        Action(QString::fromLatin1(n))->setEnabled(any);
    for (const char *n : AdminActions)
        Action(QString::fromLatin1(n))->setEnabled(false);
    Action(QStringLiteral("actAdminDBLink"))->setEnabled(false);
    Action(QStringLiteral("actToolCommandSetup"))->setEnabled(true);
    TfrmObject *cur = CurrentObjectForm();
    if (!cur)
        return;
    for (const char *n : AdminActions)
        Action(QString::fromLatin1(n))->setEnabled(true);
    Action(QStringLiteral("actAdminDBLink"))->setEnabled(cur->g_bPostgresPlus());
    Action(QStringLiteral("btnNewType"))->setEnabled(cur->DBVer() >= 80000);
    if (QMdiSubWindow *sw = SubWindowOf(cur)) {
        sw->show();
        mdiMain->setActiveSubWindow(sw);
    }
}

void TfrmMain::SetShortCut()
{
    for (QWidget *w : MdiChildren()) {
        if (auto *f = dynamic_cast<TfrmObject *>(w))
            f->SetShortCut();
    }
}

// ---------------------------------------------------------------------------
// Status messages

QString TfrmMain::StatusText(int panel) const
{
    return stsMain->PanelText(panel);
}

void TfrmMain::SetStatusText(int panel, const QString &text)
{
    stsMain->SetPanelText(panel, text);
}

QString TfrmMain::LoopMessageText(int NowCount, int MaxCount)
{
    const QString hint = QStringLiteral(" [ESC]キーを押すと処理を中断");
    if (NowCount == 0 && MaxCount == 0)
        return hint;
    if (MaxCount <= 0)
        return QString::number(NowCount) + QStringLiteral("件処理中...") + hint;
    return QString::number(NowCount) + QStringLiteral(" / ") + QString::number(MaxCount) + hint;
}

QString TfrmMain::DefMessageText(int Count, int Selected)
{
    if (Selected == 0)
        return QString::number(Count) + QStringLiteral("個のオブジェクトがあります。");
    return QString::number(Count) + QStringLiteral("個中 ") + QString::number(Selected) +
           QStringLiteral("個のオブジェクトを選択中。");
}

void TfrmMain::SetDefMessage()
{
    TfrmObject *cur = CurrentObjectForm();
    if (!cur)
        return;
    SetStatusText(MessagePanel, DefMessageText(cur->ObjectCount(), cur->SelectedObjectCount()));
}

void TfrmMain::SetLoopMessage(int NowCount, int MaxCount)
{
    SetStatusText(MessagePanel, LoopMessageText(NowCount, MaxCount));
    stsMain->repaint();
}

// ---------------------------------------------------------------------------
// Task bar and images

QToolButton *TfrmMain::AddTaskButton(QWidget *window, const QString &caption, const QString &hint, int imageIndex)
{
    auto *b = new QToolButton;
    b->setText(caption);
    b->setToolTip(hint);
    b->setIcon(MainImage(imageIndex));
    b->setCheckable(true);
    b->setAutoExclusive(true);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setProperty("tvWindow", QVariant::fromValue<QObject *>(window));
    b->setFixedHeight(24);
    QPointer<QWidget> target(window);
    connect(b, &QToolButton::clicked, this, tv::ui::Guarded([this, target] {
                if (!target)
                    return;
                if (QMdiSubWindow *sw = SubWindowOf(target)) {
                    sw->show();
                    if (sw->isMinimized())
                        sw->showNormal();
                    mdiMain->setActiveSubWindow(sw);
                } else {
                    target->show();
                    target->raise();
                    target->activateWindow();
                }
            }));
    tolTask->addWidget(b);
    PressTaskButton(b);
    scrTask->horizontalScrollBar()->setValue(scrTask->horizontalScrollBar()->maximum());
    return b;
}

void TfrmMain::RemoveTaskButton(QToolButton *button)
{
    if (!button)
        return;
    for (QAction *a : tolTask->actions()) {
        if (tolTask->widgetForAction(a) == button) {
            tolTask->removeAction(a);
            break;
        }
    }
    button->deleteLater();
}

void TfrmMain::PressTaskButton(QToolButton *button)
{
    if (button)
        button->setChecked(true);
}

QIcon TfrmMain::MainImage(int index) const
{
    auto it = FImages.find(index);
    if (it == FImages.end())
        it = FImages.insert(index, DrawImage(index));
    return *it;
}

QIcon TfrmMain::ButtonImage(int index) const
{
    return MainImage(index);
}

TtvMemoProp *TfrmMain::EditorProp() const
{
    return prpEditor;
}

void TfrmMain::SetExcelExt()
{
    // Workbooks are always written in the .xlsx format.
    tvOption.ExcelExt = QStringLiteral(".XLSX");
}
