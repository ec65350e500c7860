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
#include "platform/ui/Mnemonic.h"
#include "platform/ui/Guard.h"
#include "platform/ui/ShortCut.h"
#include "platform/ui/WindowMessage.h"
#include "shell/frmLogon.h"
#include "shell/frmObject.h"
#include "shell/EditRouting.h"
#include "shell/ImageList.h"
#include "common/HTMLHelp.h"
#include "common/MessageDlg.h"
#include "editor/tvMemo.h"

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
#include <QRegularExpression>
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

// The new-object buttons with their hints and the object-type code of their kind.
const struct {
    const char *name;
    const char *hint;
    int image;
} NewObjectButtons[] = {
    {"btnNewTable", "新規テーブル", 45},   {"btnNewIndex", "新規インデックス", 46},
    {"btnNewView", "新規ビュー", 47},      {"btnNewFunc", "新規ファンクション", 52},
    {"btnNewType", "新規タイプ", 55},      {"btnNewTrigger", "新規トリガー", 57},
    {"btnNewSeq", "新規シーケンス", 58},   {"btnNewMView", "新規マテリアライズドビュー", 61},
    {"btnNewConst", "新規制約", 66},       {"btnNewRule", "新規ルール", 127},
    {"btnNewAgrg", "新規集約関数", 128},   {"btnNewProc", "新規プロシージャ", 51},
    {"btnNewPack", "新規パッケージ", 53},  {"btnNewSynonym", "新規シノニム", 60},
};

const char *const ConnectionActions[] = {
    "actDBCommit",     "actDBRollback",  "actDBLogoff",     "actViewSQL",     "actViewScript",
    "actViewTemplate", "actViewComp",    "actViewField",    "actViewSQLCatch", "actViewSQLCRUD",
    "actToolIndexAdviser", "actToolDBTest",
};
const char *const AdminActions[] = {
    "actAdminUser",     "actAdminStorage", "actAdminSession", "actAdminLock",   "actAdminDatabase",
    "actAdminPerform",  "actAdminExport",  "actAdminImport",  "actAdminLoad",
};

// The images come from the program's own icon painter; image 0 is the
// program icon.
QIcon DrawImage(int index)
{
    return DrawMainImage(index);
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
    tv::ui::InstallMnemonicKeys();
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    for (const QMetaObject::Connection &c : FAppWatches)
        disconnect(c);
    // Children go first, so that nothing reaches a half-destroyed frame.
    if (mdiMain) {
        for (QMdiSubWindow *w : mdiMain->subWindowList())
            delete w;
    }
    disconnect(FMergedWatch);
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
    // A child larger than the area (its controls need more room than a small
    // frame has) stays reachable: the area scrolls to it.
    mdiMain->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiMain->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
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

    hlpMain = new THTMLHelp(this);
    hlpMain->setObjectName(QStringLiteral("hlpMain"));

    // 2. Actions with their images, tool bars and menus.
    BuildActions();
    BuildToolBars();
    BuildMenus();
    BuildWorkSpace();
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

    // Captions and categories of every action (the edit actions' come with
    // their handlers).
    const struct {
        const char *name;
        const char *text;
        const char *category;
    } texts[] = {
        {"actDBCommit", "コミット(&C)", "ファイル"},
        {"actDBRollback", "ロールバック(&R)", "ファイル"},
        {"actDBLogon", "データベース接続(&L)", "ファイル"},
        {"actDBLogoff", "データベース切断(&D)", "ファイル"},
        {"actFileExit", "終了(&X)", "ファイル"},
        {"actViewSQL", "SQL実行(&S)", "表示"},
        {"actViewScript", "スクリプト実行", "表示"},
        {"actViewField", "表・列", "表示"},
        {"actViewTemplate", "SQLリファレンス", "表示"},
        {"actViewComp", "オブジェクト比較(&C)", "ツール"},
        {"actViewSQLCatch", "SQLキャッチ(&T)", "ツール"},
        {"actViewSQLCRUD", "テーブルアクセス表(&A)", "ツール"},
        {"actAdminUser", "ユーザー情報(&U)", "管理"},
        {"actAdminStorage", "テーブルスペース情報(&T)", "管理"},
        {"actAdminSession", "セッション情報(&S)", "管理"},
        {"actAdminLock", "ロック情報(&L)", "管理"},
        {"actAdminDatabase", "サーバ情報(&D)", "管理"},
        {"actAdminPerform", "パフォーマンス情報(&Q)", "管理"},
        {"actAdminDBLink", "データベースリンク情報(&L)", "管理"},
        {"actAdminExport", "バックアップ(&B)", "管理"},
        {"actAdminImport", "リストア(&E)", "管理"},
        {"actAdminLoad", "ロード(&O)", "管理"},
        {"actToolCommandSetup", "ユーザー定義コマンドの登録(&M)", "ツール"},
        {"actToolReportSetup", "レポート定義の登録(&R)", "ツール"},
        {"actToolIndexAdviser", "インデックスアドバイザ(&I)", "ツール"},
        {"actToolDBTest", "DB負荷テスト(&D)", "ツール"},
        {"actToolOption", "オプション(&P)...", "ツール"},
        {"actToolEditorOption", "エディタオプション(&E)...", "ツール"},
        {"actToolScriptOption", "スクリプト出力オプション(&S)...", "ツール"},
        {"actWindowCascade", "重ねて表示(&C)", "ウィンドウ"},
        {"actWindowTileH", "上下に並べて表示(&H)", "ウィンドウ"},
        {"actWindowTileV", "左右に並べて表示(&V)", "ウィンドウ"},
        {"actWindowMinimizeAll", "全てを最小化(&M)", "ウィンドウ"},
        {"actWindowClose", "閉じる(&L)", "ウィンドウ"},
        {"actHelp", "Talvex ヘルプ(&C)", "ヘルプ"},
        {"actHelpHomePageTop", "Talvex ホームページ(&P)", "ヘルプ"},
        {"actHelpHomePageTech", "Talvex 便利機能紹介(&T)", "ヘルプ"},
        {"actHelpHomePageFAQ", "Talvex FAQ(&F)", "ヘルプ"},
        {"actHelpSupport", "サポート情報(&S)...", "ヘルプ"},
        {"actNew", "新規作成(&N)", "オブジェクトリスト"},
        {"actOpen", "開く(&O)", "オブジェクトリスト"},
        {"actOpenDefine", "定義情報を開く", "オブジェクトリスト"},
        {"actOpenSource", "ソースを開く", "オブジェクトリスト"},
        {"actOpenData", "データを開く", "オブジェクトリスト"},
        {"actOpenDataTop", "データを開く(件数指定)", ""},
        {"actExec", "実行(&E)", "オブジェクトリスト"},
        {"actScript", "スクリプト出力(&S)", "オブジェクトリスト"},
        {"actPrint", "印刷(&P)", "オブジェクトリスト"},
        {"actCross", "クロスリファレンス(&F)", "オブジェクトリスト"},
        {"actMatrix", "マトリックス表(&M)", "オブジェクトリスト"},
        {"actGrant", "権限(&G)", "オブジェクトリスト"},
        {"actAnalyze", "統計情報(&A)", "オブジェクトリスト"},
        {"actDelete", "削除(&D)", "オブジェクトリスト"},
        {"actGrep", "全文検索", "オブジェクトリスト"},
        {"actExport", "バックアップ(&R)", "オブジェクトリスト"},
        {"actLoad", "ロード(&L)", "オブジェクトリスト"},
        {"actSynonym", "シノニム作成(&Y)", "オブジェクトリスト"},
    };
    for (const auto &t : texts) {
        QAction *a = make(QString::fromLatin1(t.name));
        const QString text = QString::fromUtf8(t.text);
        a->setText(text);
        QString plain = text;
        plain.remove(QRegularExpression(QStringLiteral("\\(&.\\)|\\.\\.\\.$")));
        a->setToolTip(plain);
        a->setStatusTip(plain);
        a->setProperty("Category", QString::fromUtf8(t.category));
    }
    // The object-list actions have no handler here: the connection windows
    // copy their key bindings. Their shortcuts must not fire in the frame.
    for (const char *n : {"actNew", "actOpen", "actOpenDefine", "actOpenSource", "actOpenData", "actOpenDataTop",
                          "actExec", "actScript", "actPrint", "actCross", "actMatrix", "actGrant", "actAnalyze",
                          "actDelete", "actGrep", "actExport", "actLoad", "actSynonym"})
        Action(QString::fromLatin1(n))->setShortcutContext(Qt::WidgetShortcut);

    connect(Action(QStringLiteral("actFileExit")), &QAction::triggered, this, [this] { close(); });
    connect(Action(QStringLiteral("actDBLogon")), &QAction::triggered, this, tv::ui::Guarded([] {
                TfrmLogon::ShowWindow(QString(), QString(), QString(), QString(), QString(), QString(), false);
            }));
    connect(Action(QStringLiteral("actDBLogoff")), &QAction::triggered, this, [this] {
        // A failure is ignored.
        try {
            if (TfrmObject *f = CurrentObjectForm()) {
                if (QMdiSubWindow *sw = SubWindowOf(f)) {
                    sw->show();
                    sw->close();
                }
            }
        } catch (...) {
        }
    });
    connect(Action(QStringLiteral("actDBCommit")), &QAction::triggered, this,
            tv::ui::Guarded([this] { EndTransaction(true); }));
    connect(Action(QStringLiteral("actDBRollback")), &QAction::triggered, this,
            tv::ui::Guarded([this] { EndTransaction(false); }));
    connect(Action(QStringLiteral("actWindowCascade")), &QAction::triggered, mdiMain, &QMdiArea::cascadeSubWindows);
    connect(Action(QStringLiteral("actWindowTileH")), &QAction::triggered, this, [this] { TileChildren(true); });
    connect(Action(QStringLiteral("actWindowTileV")), &QAction::triggered, this, [this] { TileChildren(false); });
    connect(Action(QStringLiteral("actWindowMinimizeAll")), &QAction::triggered, this, [this] {
        const QList<QMdiSubWindow *> list = mdiMain->subWindowList(QMdiArea::CreationOrder);
        for (auto it = list.crbegin(); it != list.crend(); ++it)
            (*it)->showMinimized();
    });
    connect(Action(QStringLiteral("actWindowClose")), &QAction::triggered, this, [this] { mnuCloseWindowClick(); });
    connect(Action(QStringLiteral("actHelp")), &QAction::triggered, this,
            tv::ui::Guarded([] { ShowHelpContents(); }));
    ConnectLaunchers();
    BuildEditActions();
}

void TfrmMain::TileChildren(bool horizontal)
{
    // Top-bottom: each visible child gets the full width and an equal share
    // of the height; side-by-side: the full height and an equal share of the
    // width.
    QList<QMdiSubWindow *> list;
    for (QMdiSubWindow *sw : mdiMain->subWindowList(QMdiArea::StackingOrder)) {
        if (sw->isVisible() && !sw->isMinimized())
            list.append(sw);
    }
    if (list.isEmpty())
        return;
    const QRect area = mdiMain->viewport()->rect();
    const int n = int(list.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow *sw = list.at(i);
        if (sw->isMaximized())
            sw->showNormal();
        if (horizontal) {
            const int h = area.height() / n;
            sw->setGeometry(0, i * h, area.width(), i == n - 1 ? area.height() - i * h : h);
        } else {
            const int w = area.width() / n;
            sw->setGeometry(i * w, 0, i == n - 1 ? area.width() - i * w : w, area.height());
        }
    }
}

void TfrmMain::ConnectLaunchers()
{
    // Launchers of windows for the current connection (the windows register
    // themselves in WindowLaunchers). Each does nothing without a current
    // connection.
    for (const char *n : {"actViewScript", "actViewComp", "actViewSQLCatch", "actViewSQLCRUD", "actAdminUser",
                          "actAdminStorage", "actAdminSession", "actAdminLock", "actAdminDatabase",
                          "actAdminPerform", "actAdminDBLink", "actAdminImport", "actAdminLoad",
                          "actToolIndexAdviser", "actToolDBTest"}) {
        const QString name = QString::fromLatin1(n);
        connect(Action(name), &QAction::triggered, this,
                tv::ui::Guarded([this, name] { LaunchWindow(name, true); }));
    }
    connect(Action(QStringLiteral("actViewSQL")), &QAction::triggered, this, tv::ui::Guarded([this] {
                if (!CurrentObjectForm())
                    return;
                // Focus to the tool-bar area first, so that no editor keeps a
                // half-typed state while the new window opens.
                pnlDB->setFocus();
                LaunchWindow(QStringLiteral("actViewSQL"), true);
            }));
    connect(Action(QStringLiteral("actAdminExport")), &QAction::triggered, this, tv::ui::Guarded([this] {
                TfrmObject *f = CurrentObjectForm();
                if (!f)
                    return;
                TLaunchContext c;
                c.ObjectType = 1; // mode: schemas
                c.Schema = f->dbsMain().Params().value(QStringLiteral("MetaDefSchema"));
                LaunchWindow(QStringLiteral("actAdminExport"), true, c);
            }));
    connect(Action(QStringLiteral("actViewField")), &QAction::triggered, this, tv::ui::Guarded([this] {
                TfrmObject *f = CurrentObjectForm();
                if (!f)
                    return;
                TLaunchContext c;
                QWidget *focus = ActiveControl();
                if (TtvMemo *m = SqlEditorOf(focus)) {
                    const QString text = m->SelText().toUpper();
                    c.Schema = f->dbsMain().Params().value(QStringLiteral("MetaDefSchema"));
                    const qsizetype dot = text.indexOf(QLatin1Char('.'));
                    if (dot >= 0) {
                        c.Schema = text.left(dot);
                        c.ObjectName = text.mid(dot + 1);
                    } else {
                        c.ObjectName = text;
                    }
                } else if (auto *list = qobject_cast<TtvListView *>(focus)) {
                    if (TtvListItem *item = list->Selected(); item && !item->SubItems().isEmpty()) {
                        c.Schema = item->SubItem(0);
                        c.ObjectName = item->Caption();
                    }
                }
                LaunchWindow(QStringLiteral("actViewField"), true, c);
            }));
    connect(Action(QStringLiteral("actViewTemplate")), &QAction::triggered, this, tv::ui::Guarded([this] {
                if (cmbDBName->count() < 1)
                    return;
                TLaunchContext c;
                if (TtvMemo *m = ActiveMemo())
                    c.Argument = m->SelText();
                LaunchWindow(QStringLiteral("actViewTemplate"), false, c);
            }));
    for (const char *n : {"actToolCommandSetup", "actToolReportSetup", "actToolEditorOption",
                          "actToolScriptOption", "actHelpSupport"}) {
        const QString name = QString::fromLatin1(n);
        connect(Action(name), &QAction::triggered, this,
                tv::ui::Guarded([this, name] { LaunchWindow(name, false); }));
    }
    connect(Action(QStringLiteral("actToolOption")), &QAction::triggered, this, tv::ui::Guarded([this] {
                const bool before = tvOption.UpdateToCommit;
                LaunchWindow(QStringLiteral("actToolOption"), false);
                if (tvOption.UpdateToCommit == before)
                    return;
                // The auto-commit switch: every connection, first to last.
                const QString statement =
                    tvOption.UpdateToCommit ? QStringLiteral("COMMIT") : QStringLiteral("BEGIN");
                for (int i = 0; i < cmbDBName->count(); ++i) {
                    if (auto *f = qobject_cast<TfrmObject *>(cmbDBName->itemData(i).value<QObject *>()))
                        f->ExecuteSQL(statement);
                }
            }));
}

QWidget *TfrmMain::LaunchWindow(const QString &actionName, bool needsConnection, TLaunchContext context)
{
    TfrmObject *f = CurrentObjectForm();
    if (needsConnection && !f)
        return nullptr;
    context.Connection = f;
    context.MainWindow = this;
    return Launch(actionName, context);
}

QString TfrmMain::TransactionText(const QString &user, const QString &database, bool commit)
{
    return QStringLiteral("現行データベース [ ") + user + QStringLiteral(" @ ") + database +
           (commit ? QStringLiteral(" ] のトランザクションを COMMIT しました。")
                   : QStringLiteral(" ] のトランザクションを ROLLBACK しました。"));
}

void TfrmMain::EndTransaction(bool commit)
{
    TfrmObject *f = CurrentObjectForm();
    if (!f)
        return;
    // A COMMIT of a failed transaction block is a rollback on the server;
    // it is reported as what it is.
    const bool failed = commit && f->dbsMain().transactionState() == tv::db::TransactionState::Aborted;
    f->ExecuteSQL(commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
    const auto params = f->dbsMain().Params();
    SetStatusText(MessagePanel, TransactionText(params.value(QStringLiteral("User_Name")),
                                                params.value(QStringLiteral("Database")), commit && !failed));
    if (!tvOption.UpdateToCommit)
        f->ExecuteSQL(QStringLiteral("BEGIN"));
    if (failed)
        ShowMessageBox(QStringLiteral("トランザクション内でエラーが発生していたため、COMMIT できませんでした。"
                                      "トランザクションはロールバックされました。"),
                       tv::ui::MB_ICONWARNING);
}

void TfrmMain::BuildToolBars()
{
    auto bar = [this](QToolBar *&b, const char *name, const QString &title) {
        b = new QToolBar(title, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setIconSize(QSize(16, 16));
        addToolBar(Qt::TopToolBarArea, b);
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QWidget::customContextMenuRequested, this, [this, b](const QPoint &p) {
            // ctlTopMouseUp: the tool-bar menu at the mouse.
            mnuDisplayClick();
            mnuToolbar->popup(b->mapToGlobal(p));
        });
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

    for (const char *n : {"actEditUndo", "actEditCut", "actEditCopy", "actEditPaste"})
        pnlEdit->addAction(Action(QString::fromLatin1(n)));
    for (const char *n : {"actViewSQL", "actViewScript", "actViewField"})
        pnlTool->addAction(Action(QString::fromLatin1(n)));
    for (const char *n : {"actAdminUser", "actAdminStorage", "actAdminSession", "actAdminLock", "actAdminDatabase",
                          "actAdminPerform", "actAdminDBLink"})
        pnlAdmin->addAction(Action(QString::fromLatin1(n)));
    for (const char *n : {"actViewComp", "actToolIndexAdviser", "actViewSQLCatch", "actViewSQLCRUD"})
        pnlTool2->addAction(Action(QString::fromLatin1(n)));
    for (const auto &b : NewObjectButtons) {
        auto *a = new QAction(MainImage(b.image), QString::fromUtf8(b.hint), this);
        a->setObjectName(QString::fromLatin1(b.name));
        a->setToolTip(QString::fromUtf8(b.hint));
        FActions.insert(a->objectName(), a);
        pnlNewObj->addAction(a);
        const int code = b.image;
        connect(a, &QAction::triggered, this, [this, code] {
            // btnNewClick: a new definition window of that kind on the
            // current connection; a failure is ignored.
            if (cmbDBName->currentIndex() < 0)
                return;
            try {
                TLaunchContext c;
                c.ObjectType = code;
                LaunchWindow(QStringLiteral("actNew"), true, c);
            } catch (...) {
            }
        });
    }
}

void TfrmMain::BuildMenus()
{
    mnuMain = new QMenu(this);
    QMenuBar *bar = menuBar();
    auto add = [this](QMenu *m, const char *name) { m->addAction(Action(QString::fromLatin1(name))); };
    // Each menu of the bar carries a group index; the menus that the active
    // child lends are placed and swapped by it (see MergeChildMenus).

    QMenu *file = bar->addMenu(QStringLiteral("ファイル(&F)"));
    FMenuGroups.insert(file->menuAction(), 0);
    file->setObjectName(QStringLiteral("mnuFile"));
    for (const char *n : {"actDBCommit", "actDBRollback", "actDBLogon", "actDBLogoff"})
        add(file, n);
    file->addSeparator();
    add(file, "actFileExit");

    mnuEdit = bar->addMenu(QStringLiteral("編集(&E)"));
    FMenuGroups.insert(mnuEdit->menuAction(), 1);
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    auto editItems = [&](QMenu *m, bool withRename) {
        for (const char *n : {"actEditUndo", "actEditRedo", "|", "actEditCut", "actEditCopy", "actEditPaste",
                              "actEditDelete", "actEditRename", "actEditSelectAll", "actEditSelectMode", "|",
                              "actEditFind", "actEditFindNext", "actEditFindPrev", "actEditReplace", "actEditJump",
                              "|", "actEditFormat", "actEditComment", "|", "actEditUpperCase", "actEditLowerCase",
                              "|", "actEditIndentF", "actEditIndentR", "|", "actEditMacroSave", "actEditMacroExec",
                              "|", "actEditOpen"}) {
            if (n[0] == '|')
                m->addSeparator();
            else if (withRename || qstrcmp(n, "actEditRename") != 0)
                add(m, n);
        }
    };
    editItems(mnuEdit, true);
    // The menu's macro-playback entry answers Ctrl+M besides the action's key.
    mnuMacroExec = new QAction(this);
    mnuMacroExec->setObjectName(QStringLiteral("mnuMacroExec"));
    mnuMacroExec->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(mnuMacroExec, &QAction::triggered, Action(QStringLiteral("actEditMacroExec")), &QAction::trigger);
    addAction(mnuMacroExec);

    mnuDisplay = bar->addMenu(QStringLiteral("表示(&V)"));
    FMenuGroups.insert(mnuDisplay->menuAction(), 3);
    mnuDisplay->setObjectName(QStringLiteral("mnuDisplay"));
    connect(mnuDisplay, &QMenu::aboutToShow, this, [this] { mnuDisplayClick(); });
    for (const char *n : {"actViewSQL", "actViewScript", "actViewField", "actViewTemplate"})
        add(mnuDisplay, n);
    mnuDisplay->addSeparator();
    mnuToolbar = mnuDisplay->addMenu(QStringLiteral("ツールバー"));
    mnuToolbar->setObjectName(QStringLiteral("mnuToolbar"));
    const struct {
        const char *text;
        int tag;
    } toolItems[] = {{"標準", 1}, {"編集", 2}, {"表示", 3}, {"ツール", 7}, {"管理", 4}, {"新規作成", 5}};
    for (const auto &t : toolItems) {
        QAction *a = mnuToolbar->addAction(QString::fromUtf8(t.text));
        a->setCheckable(true);
        a->setChecked(true);
        a->setData(t.tag);
        const int tag = t.tag;
        connect(a, &QAction::triggered, this, tv::ui::Guarded([this, tag] { mnuToolClick(tag); }));
    }
    mnuToolbar->addSeparator();
    QAction *reset = mnuToolbar->addAction(QStringLiteral("位置の初期化"));
    reset->setData(6);
    connect(reset, &QAction::triggered, this, tv::ui::Guarded([this] { mnuToolClick(6); }));
    mnuWorkSpace = mnuDisplay->addAction(QStringLiteral("ワークスペース"));
    mnuTaskBar = mnuDisplay->addAction(QStringLiteral("タスクバー"));
    mnuStsbar = mnuDisplay->addAction(QStringLiteral("ステータスバー"));
    for (QAction *a : {mnuWorkSpace, mnuTaskBar, mnuStsbar}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
    connect(mnuWorkSpace, &QAction::triggered, this, tv::ui::Guarded([this] { mnuWorkSpaceClick(); }));
    connect(mnuTaskBar, &QAction::triggered, this, tv::ui::Guarded([this] { mnuTaskBarClick(); }));
    connect(mnuStsbar, &QAction::triggered, this, tv::ui::Guarded([this] { mnuStsbarClick(); }));
    mnuDisplay->addSeparator();
    auto *group = new QActionGroup(this);
    mnuDispList = mnuDisplay->addAction(QStringLiteral("一覧(&L)"));
    mnuDispReport = mnuDisplay->addAction(QStringLiteral("詳細(&D)"));
    for (QAction *a : {mnuDispList, mnuDispReport}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    mnuDispReport->setChecked(true);
    connect(mnuDispList, &QAction::triggered, this, tv::ui::Guarded([this] { SetObjectListStyle(2); }));
    connect(mnuDispReport, &QAction::triggered, this, tv::ui::Guarded([this] { SetObjectListStyle(3); }));
    mnuDisplay->addSeparator();
    mnuReload = mnuDisplay->addAction(QStringLiteral("最新の情報に更新(&R)"));
    mnuReload->setObjectName(QStringLiteral("mnuReload"));
    mnuReload->setShortcut(QKeySequence(Qt::Key_F5));
    connect(mnuReload, &QAction::triggered, this, tv::ui::Guarded([this] { mnuReloadClick(); }));

    QMenu *admin = bar->addMenu(QStringLiteral("管理(&A)"));
    FMenuGroups.insert(admin->menuAction(), 4);
    admin->setObjectName(QStringLiteral("mnuAdmin"));
    for (const char *n : {"actAdminUser", "actAdminStorage", "actAdminSession", "actAdminLock", "actAdminDatabase",
                          "actAdminPerform", "actAdminDBLink"})
        add(admin, n);
    admin->addSeparator();
    for (const char *n : {"actAdminExport", "actAdminImport", "actAdminLoad"})
        add(admin, n);

    QMenu *tool = bar->addMenu(QStringLiteral("ツール(&T)"));
    FMenuGroups.insert(tool->menuAction(), 4);
    tool->setObjectName(QStringLiteral("mnuTool"));
    mnuCommandMenu = tool->addMenu(QStringLiteral("ユーザー定義コマンド"));
    mnuCommandMenu->setObjectName(QStringLiteral("mnuCommandMenu"));
    mnuTB1 = mnuCommandMenu->addSeparator();
    add(mnuCommandMenu, "actToolCommandSetup");
    mnuReportMenu = tool->addMenu(QStringLiteral("レポート出力"));
    mnuReportMenu->setObjectName(QStringLiteral("mnuReportMenu"));
    mnuTB2 = mnuReportMenu->addSeparator();
    add(mnuReportMenu, "actToolReportSetup");
    connect(mnuReportMenu, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
    for (const char *n : {"actViewComp", "actToolIndexAdviser", "actViewSQLCatch", "actViewSQLCRUD"})
        add(tool, n);
    tool->addSeparator();
    for (const char *n : {"actToolOption", "actToolEditorOption", "actToolScriptOption"})
        add(tool, n);

    mnuWindow = bar->addMenu(QStringLiteral("ウィンドウ(&W)"));
    FMenuGroups.insert(mnuWindow->menuAction(), 5);
    mnuWindow->setObjectName(QStringLiteral("mnuWindow"));
    for (const char *n : {"actWindowCascade", "actWindowTileH", "actWindowTileV", "actWindowMinimizeAll"})
        add(mnuWindow, n);
    mnuWindow->addSeparator();
    add(mnuWindow, "actWindowClose");
    // The list of open child windows follows the fixed entries.
    connect(mnuWindow, &QMenu::aboutToShow, this, [this] {
        for (QAction *a : mnuWindow->actions()) {
            if (a->property("tvChildEntry").toBool())
                delete a;
        }
        const QList<QMdiSubWindow *> list = mdiMain->subWindowList(QMdiArea::CreationOrder);
        if (!list.isEmpty()) {
            QAction *sep = mnuWindow->addSeparator();
            sep->setProperty("tvChildEntry", true);
        }
        int i = 1;
        for (QMdiSubWindow *sw : list) {
            QAction *a = mnuWindow->addAction(QStringLiteral("&%1 %2").arg(i++).arg(sw->windowTitle()));
            a->setProperty("tvChildEntry", true);
            a->setCheckable(true);
            a->setChecked(sw == mdiMain->activeSubWindow());
            QPointer<QMdiSubWindow> target(sw);
            connect(a, &QAction::triggered, this, [this, target] {
                if (target) {
                    if (target->isMinimized())
                        target->showNormal();
                    mdiMain->setActiveSubWindow(target);
                }
            });
        }
    });

    QMenu *help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    FMenuGroups.insert(help->menuAction(), 5);
    help->setObjectName(QStringLiteral("mnuHelp"));
    add(help, "actHelp");
    help->addSeparator();
    mnuHomePage = help->addMenu(QStringLiteral("ホームページを開く"));
    mnuHomePage->setObjectName(QStringLiteral("mnuHomePage"));
    mnuHomePageSep = help->addSeparator();
    add(help, "actHelpSupport");

    popEditor = new QMenu(this);
    popEditor->setObjectName(QStringLiteral("popEditor"));
    editItems(popEditor, false);
    // The pop-up's "定義情報" entry answers Ctrl+O.
    popEditOpen = new QAction(this);
    popEditOpen->setObjectName(QStringLiteral("popEditOpen"));
    popEditOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(popEditOpen, &QAction::triggered, Action(QStringLiteral("actEditOpen")), &QAction::trigger);
    addAction(popEditOpen);
    add(popEditor, "actViewField");
    add(popEditor, "actViewTemplate");
    connect(popEditor, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
    connect(mnuEdit, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
}

void TfrmMain::SetObjectListStyle(int style)
{
    (style == 2 ? mnuDispList : mnuDispReport)->setChecked(true);
    for (QWidget *w : MdiChildren()) {
        if (auto *f = dynamic_cast<TfrmObject *>(w); f && f->lstObject)
            f->lstObject->setProperty("ViewStyle", style);
    }
}

void TfrmMain::mnuDisplayClick()
{
    const bool any = cmbDBName->count() >= 1;
    mnuDispList->setEnabled(any);
    mnuDispReport->setEnabled(any);
    mnuReload->setEnabled(any);
    const QHash<int, QToolBar *> bars{{1, pnlDB}, {2, pnlEdit}, {3, pnlTool}, {4, pnlAdmin}, {5, pnlNewObj},
                                      {7, pnlTool2}};
    for (QAction *a : mnuToolbar->actions()) {
        const int tag = a->data().toInt();
        if (QToolBar *b = bars.value(tag))
            a->setChecked(!b->isHidden());
    }
    mnuWorkSpace->setChecked(!lstWorkSpace->isHidden());
    mnuTaskBar->setChecked(!scrTask->isHidden());
    mnuStsbar->setChecked(!stsMain->isHidden());
}

void TfrmMain::mnuToolClick(int tag)
{
    const QHash<int, QToolBar *> bars{{1, pnlDB}, {2, pnlEdit}, {3, pnlTool}, {4, pnlAdmin}, {5, pnlNewObj},
                                      {7, pnlTool2}};
    if (QToolBar *b = bars.value(tag)) {
        b->setVisible(b->isHidden());
        mnuDisplayClick();
        return;
    }
    if (tag == 6) {
        if (ShowMessageBox(QStringLiteral("ツールバーの位置を初期化します。よろしいですか？"),
                           tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION) == tv::ui::IDYES) {
            for (QToolBar *b : ToolBars()) {
                if (b->isWindow())
                    b->setWindowFlags(Qt::Widget);
                addToolBar(Qt::TopToolBarArea, b);
                b->show();
            }
        }
    }
}

void TfrmMain::mnuWorkSpaceClick()
{
    lstWorkSpace->setVisible(lstWorkSpace->isHidden());
    mnuWorkSpace->setChecked(!lstWorkSpace->isHidden());
    if (!lstWorkSpace->isHidden())
        SetWorkSpaceAlign(WorkSpaceAlign);
}

void TfrmMain::mnuTaskBarClick()
{
    // The task bar sits at the bottom of the client area, above the status bar.
    scrTask->setVisible(scrTask->isHidden());
    mnuTaskBar->setChecked(!scrTask->isHidden());
}

void TfrmMain::mnuStsbarClick()
{
    stsMain->setVisible(stsMain->isHidden());
    mnuStsbar->setChecked(!stsMain->isHidden());
}

void TfrmMain::mnuReloadClick()
{
    QMdiSubWindow *sw = mdiMain->activeSubWindow();
    QWidget *target = sw && sw->widget() ? sw->widget() : static_cast<QWidget *>(this);
    tv::ui::SendWindowMessage(target, tv::ui::WM_RELOAD);
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
    // Settings and the SQL history are separate files: a settings store that
    // cannot be written (already reported) never costs the history.
    try {
        SaveWindowSettings();
        StoreActionShortCuts();
        SaveOptions();
    } catch (...) {
    }
    try {
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
    // The menu bar follows the active child. A child that opens while the
    // frame is the active window is activated before its frame is shown, so
    // the one named here counts even when still hidden. When the frame itself
    // loses the focus to another top-level window (a dialog), no child is
    // active, but the current one keeps its menus; when the last child goes
    // (hidden on its way out), they go.
    QMdiSubWindow *current = sw;
    if (!current) {
        current = mdiMain->currentSubWindow();
        if (current && current->isHidden())
            current = nullptr;
    }
    MergeChildMenus(current ? current->widget() : nullptr);
    if (!sw || !sw->widget())
        return;
    if (auto *form = dynamic_cast<TfrmObject *>(sw->widget()))
        form->FormActivate();
}

// ---------------------------------------------------------------------------
// Menus of the active child

int TfrmMain::MenuGroupIndex(const QAction *barEntry) const
{
    if (const auto it = FMenuGroups.constFind(barEntry); it != FMenuGroups.constEnd())
        return it.value();
    for (const auto &[group, entry] : FMergedEntries) {
        if (entry && entry.data() == barEntry)
            return group;
    }
    return -1;
}

void TfrmMain::UnmergeChildMenus()
{
    QMenuBar *bar = menuBar();
    for (const auto &[group, entry] : std::as_const(FMergedEntries)) {
        if (entry)
            bar->removeAction(entry);
    }
    FMergedEntries.clear();
    for (const QPointer<QAction> &own : std::as_const(FReplacedEntries)) {
        if (own)
            own->setVisible(true);
    }
    FReplacedEntries.clear();
    disconnect(FMergedWatch);
    FMergedChild = nullptr;
}

void TfrmMain::MergeChildMenus(QWidget *child)
{
    UnmergeChildMenus();
    const auto *lender = dynamic_cast<IChildWindow *>(child);
    if (!lender)
        return;
    const TMergeMenus menus = lender->MergeMenus();
    if (menus.isEmpty())
        return;
    QMenuBar *bar = menuBar();
    for (const TMergeMenu &m : menus) {
        if (!m.Menu || bar->actions().contains(m.Menu->menuAction()))
            continue;
        // Own menus of the same group give way while the child is active.
        for (QAction *own : bar->actions()) {
            if (FMenuGroups.value(own, -1) == m.GroupIndex && own->isVisible()) {
                own->setVisible(false);
                FReplacedEntries.append(own);
            }
        }
        // In before the first entry of a higher group, else at the end.
        QAction *before = nullptr;
        for (QAction *a : bar->actions()) {
            if (MenuGroupIndex(a) > m.GroupIndex) {
                before = a;
                break;
            }
        }
        QAction *entry = before ? bar->insertMenu(before, m.Menu) : bar->addMenu(m.Menu);
        FMergedEntries.append({m.GroupIndex, QPointer<QAction>(entry)});
    }
    FMergedChild = child;
    // A child destroyed while its menus are shown takes them along; the
    // hidden own menus come back.
    FMergedWatch = connect(child, &QObject::destroyed, this, [this] { UnmergeChildMenus(); });
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

void TfrmMain::SelectConnection(const QString &text, Qt::CaseSensitivity cs, IConnectionWindow *window)
{
    // setCurrentIndex never runs the change handler (that is bound to the user's pick).
    const QObject *own = window ? window->FormWidget() : nullptr;
    cmbDBName->setCurrentIndex(ConnectionItemIndex(
        cmbDBName, text, cs, [own](const QVariant &data) { return own && data.value<QObject *>() == own; }));
}

void TfrmMain::AddConnection(TfrmObject *form, const QString &text)
{
    cmbDBName->addItem(text, QVariant::fromValue<QObject *>(form));
    // Its objects can be dragged onto the workspace panel.
    if (form && form->lstObject) {
        form->lstObject->setDragEnabled(true);
        form->lstObject->setDragDropMode(QAbstractItemView::DragOnly);
    }
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
    b->setFixedSize(104, 24);
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
