#include "sql/frmExecScript.h"

#include "common/IConnectionWindow.h"
#include "common/IMainWindow.h"
#include "common/MessageDlg.h"
#include "common/RecParam.h"
#include "common/TextUtil.h"
#include "common/tvOption.h"
#include "editor/EditorStrings.h"
#include "editor/RowAttributeStringList.h"
#include "editor/tvMemo.h"
#include "platform/Errors.h"
#include "platform/db/Connection.h"
#include "platform/settings/tvRegistry.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/EscapeWatch.h"
#include "platform/ui/Guard.h"
#include "shell/WindowLaunchers.h"
#include "shell/frmDDLExec.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"
#include "sql/SQLRunner.h"
#include "sql/ScriptRun.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <array>

namespace {

const QString kSettingsKey = QStringLiteral("\\Software\\Quenzor\\TVX19\\GUI\\EXECSCRIPT");
constexpr int kMarkRole = Qt::UserRole + 1;
constexpr qint64 kPaceMs = 30;

// The file list's sort state, shared by every runner for the life of the
// program: the last clicked column and one descending flag per column.
int g_sortColumn = 0;
std::array<bool, 8> g_sortDescending{};

QString DescriptorOf(IConnectionWindow *cw, bool shorten)
{
    if (!cw)
        return QString();
    const tv::db::ConnectionParams &p = cw->dbsMain().Params();
    return FormatRecParamCaption(MakeRecParam(p.Server, p.Database, p.MetaDefSchema, p.value(QStringLiteral("Port")),
                                              p.User_Name, p.Password, QString(), QString(), QString()),
                                 0, shorten);
}

struct OverrideCursor {
    explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
};

// The schema box: its list is filled with the connection's schemas when it
// drops down.
class TSchemaCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> OnDropDown;
    void showPopup() override
    {
        if (OnDropDown)
            tv::ui::Guard(OnDropDown);
        QComboBox::showPopup();
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Construction

TfrmExecScript *TfrmExecScript::ShowWindow(IConnectionWindow *AOwner)
{
    auto *w = new TfrmExecScript(AOwner);
    w->ShowForm();
    return w;
}

void TfrmExecScript::RegisterLauncher()
{
    ::RegisterLauncher(QStringLiteral("actViewScript"), [](const TLaunchContext &c) -> QWidget * {
        IConnectionWindow *cw = c.Connection;
        if (!cw)
            return nullptr;
        return ShowWindow(cw);
    });
}

TfrmExecScript::TfrmExecScript(IConnectionWindow *AOwner)
    : TtvForm(AOwner ? static_cast<QObject *>(AOwner->FormWidget()) : nullptr)
{
    setObjectName(QStringLiteral("frmExecScript"));
    setWindowTitle(QStringLiteral("スクリプト実行"));
    SetObjType(11);
    setAcceptDrops(true);
    IMainWindow *main = MainWindow();
    auto img = [main](int i) { return main ? main->ButtonImage(i) : QIcon(); };
    if (main)
        setWindowIcon(main->MainImage(11));

    auto action = [this, &img](const char *name, const QString &caption, const QString &hint, int image) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint.isEmpty() ? caption : hint);
        a->setStatusTip(hint);
        a->setIcon(img(image));
        addAction(a);
        return a;
    };
    actExec = action("actExec", QStringLiteral("実行(&E)"), QStringLiteral("選択したスクリプトファイルを実行します。"), 28);
    actExit = action("actExit", QStringLiteral("終了(&X)"), QString(), 42);
    actUp = action("actUp", QStringLiteral("上に移動"), QString(), 35);
    actDown = action("actDown", QStringLiteral("下に移動"), QString(), 36);
    actDelete = action("actDelete", QStringLiteral("削除"), QString(), 41);
    actSelect = action("actSelect", QStringLiteral("≪"), QStringLiteral("選択中のスクリプトを実行予定リストに追加します。"), -1);
    actSelect->setIcon(QIcon());

    mnuScript = new QMenu(QStringLiteral("スクリプト実行(&O)"), this);
    mnuScript->setObjectName(QStringLiteral("mnuScript"));
    mnuScript->addAction(actExec);
    AddMergeMenu(2, mnuScript);

    // Tool bars, connection and schema.
    auto button = [](QToolBar *bar, const char *name, QAction *a) {
        auto *b = new QToolButton(bar);
        b->setObjectName(QLatin1String(name));
        b->setDefaultAction(a);
        b->setToolButtonStyle(bar->toolButtonStyle());
        bar->addWidget(b);
        return b;
    };
    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnExec = button(tolCmd, "btnExec", actExec);
    btnExit = button(tolCmd, "btnExit", actExit);
    btnExec->setMinimumWidth(78);
    btnExit->setMinimumWidth(78);
    tolList = new QToolBar(this);
    tolList->setObjectName(QStringLiteral("tolList"));
    tolList->setToolButtonStyle(Qt::ToolButtonIconOnly);
    btnUp = button(tolList, "btnUp", actUp);
    btnDown = button(tolList, "btnDown", actDown);
    btnDelete = button(tolList, "btnDelete", actDelete);

    auto *top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    // The buttons keep their room; the connection box gives way.
    tolCmd->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    tolList->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    top->addWidget(tolCmd);
    top->addWidget(tolList);
    top->addWidget(new QLabel(QStringLiteral("　データベース"), this));
    cmbDBName = new QComboBox(this);
    cmbDBName->setObjectName(QStringLiteral("cmbDBName"));
    cmbDBName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbDBName->setMinimumContentsLength(16);
    top->addWidget(cmbDBName, 1);
    top->addWidget(new QLabel(QStringLiteral("　スキーマ"), this));
    auto *schema = new TSchemaCombo(this);
    cmbSchema = schema;
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    cmbSchema->setEditable(true);
    cmbSchema->setInsertPolicy(QComboBox::NoInsert);
    cmbSchema->setMinimumWidth(120);
    top->addWidget(cmbSchema);

    // Run list | file pane, above the log.
    splLog = new QSplitter(Qt::Vertical, this);
    splLog->setObjectName(QStringLiteral("splLog"));
    splLog->setChildrenCollapsible(false);
    pnlHeader = new QSplitter(Qt::Horizontal, splLog);
    pnlHeader->setObjectName(QStringLiteral("pnlHeader"));
    pnlHeader->setChildrenCollapsible(false);
    pnlHeader->setMinimumHeight(30);
    lstScript = new QListWidget(pnlHeader);
    lstScript->setObjectName(QStringLiteral("lstScript"));
    lstScript->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstScript->setMinimumWidth(30);
    lstScript->installEventFilter(this);
    pnlFile = new QWidget(pnlHeader);
    pnlFile->setObjectName(QStringLiteral("pnlFile"));
    auto *fileLay = new QHBoxLayout(pnlFile);
    fileLay->setContentsMargins(0, 0, 2, 2);
    btnSelect = new QToolButton(pnlFile);
    btnSelect->setObjectName(QStringLiteral("btnSelect"));
    btnSelect->setDefaultAction(actSelect);
    btnSelect->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    fileLay->addWidget(btnSelect);
    auto *fileRight = new QVBoxLayout;
    auto *folderLine = new QHBoxLayout;
    folderLine->addWidget(new QLabel(QStringLiteral("ファイルの場所"), pnlFile));
    cmbFolder = new QComboBox(pnlFile);
    cmbFolder->setObjectName(QStringLiteral("cmbFolder"));
    cmbFolder->setEditable(true);
    cmbFolder->setInsertPolicy(QComboBox::NoInsert);
    folderLine->addWidget(cmbFolder, 1);
    fileRight->addLayout(folderLine);
    fsFile = new QFileSystemModel(this);
    fsFile->setObjectName(QStringLiteral("fsFile"));
    fsFile->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden);
    fsFile->setReadOnly(true);
    fsFile->setRootPath(QDir::rootPath());
    lstFile = new QTreeView(pnlFile);
    lstFile->setObjectName(QStringLiteral("lstFile"));
    lstFile->setModel(fsFile);
    lstFile->setRootIsDecorated(false);
    lstFile->setItemsExpandable(false);
    lstFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstFile->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstFile->header()->setSectionsClickable(true);
    lstFile->header()->setSortIndicatorShown(true);
    lstFile->installEventFilter(this);
    fileRight->addWidget(lstFile, 1);
    fileLay->addLayout(fileRight, 1);

    txtLog = new TtvMemo(splLog);
    txtLog->setObjectName(QStringLiteral("txtLog"));

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addLayout(top);
    lay->addWidget(splLog, 1);

    // Events.
    using tv::ui::Guarded;
    connect(actExec, &QAction::triggered, this, Guarded([this] { actExecExecute(); }));
    connect(actExit, &QAction::triggered, this, [this] { Close(); });
    connect(actUp, &QAction::triggered, this, Guarded([this] { MoveSelected(-1); }));
    connect(actDown, &QAction::triggered, this, Guarded([this] { MoveSelected(1); }));
    connect(actDelete, &QAction::triggered, this, Guarded([this] { DeleteSelected(); }));
    connect(actSelect, &QAction::triggered, this, Guarded([this] { actSelectExecute(); }));
    connect(cmbDBName, &QComboBox::activated, this, Guarded([this](int) { cmbDBNameChange(); }));
    connect(cmbSchema, &QComboBox::activated, this,
            Guarded([this](int) { cmbSchemaSelect(cmbSchema->currentText()); }));
    connect(cmbSchema, &QComboBox::editTextChanged, this, [this](const QString &t) {
        const QString lower = t.toLower();
        if (lower != t && cmbSchema->lineEdit()) {
            const int pos = cmbSchema->lineEdit()->cursorPosition();
            cmbSchema->lineEdit()->setText(lower);
            cmbSchema->lineEdit()->setCursorPosition(pos);
        }
    });
    schema->OnDropDown = [this] {
        IConnectionWindow *cw = OwnerForm();
        if (!cw)
            return;
        QStringList names;
        cw->GetSchemaInfo(names, false);
        const QString text = cmbSchema->currentText();
        cmbSchema->clear();
        cmbSchema->addItems(names);
        cmbSchema->setEditText(text);
    };
    connect(cmbFolder, &QComboBox::activated, this, Guarded([this](int) { SetFolder(cmbFolder->currentText()); }));
    connect(cmbFolder->lineEdit(), &QLineEdit::returnPressed, this,
            Guarded([this] { SetFolder(cmbFolder->currentText()); }));
    connect(lstFile, &QTreeView::doubleClicked, this, Guarded([this](const QModelIndex &index) {
                if (!index.isValid())
                    return;
                if (fsFile->isDir(index))
                    SetFolder(fsFile->filePath(index));
                else
                    actSelectExecute();
            }));
    connect(lstFile->header(), &QHeaderView::sectionClicked, this,
            Guarded([this](int column) { lstFileColumnClick(column); }));
    connect(lstFile->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateActions(); });
    connect(lstScript, &QListWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
    connect(lstScript, &QListWidget::itemDoubleClicked, this, Guarded([this] { OpenSelectedScripts(); }));

    CreateTaskButton();
    FinishCreate();
    // The log shows plain text: the editor settings without their colouring.
    PlainColours(txtLog);
    txtLog->SetReadOnly(true);

    // Connection, schema, folder.
    FOwnerWidget = AOwner ? AOwner->FormWidget() : nullptr;
    FillDBName();
    int at = -1;
    for (int i = 0; i < cmbDBName->count() && at < 0; ++i)
        if (AOwner && cmbDBName->itemData(i).value<QObject *>() == AOwner->FormWidget())
            at = i;
    cmbDBName->setCurrentIndex(at);
    if (at >= 0)
        cmbDBNameChange();
    else if (AOwner) {
        setWindowTitle(QStringLiteral("スクリプト実行 - ") + DescriptorOf(AOwner, false));
        SetTaskCaption(DescriptorOf(AOwner, true));
    }
    if (IConnectionWindow *cw = OwnerForm()) {
        try {
            const QString s = cw->dbsMain().ExecScalar(QStringLiteral("SELECT current_schema() AS SchemaName"));
            if (!s.isEmpty())
                cmbSchema->setEditText(s);
        } catch (const tv::Error &) {
        }
    }
    SwitchSchema(L_sOpenSchema, cmbSchema->currentText());
    SetFolder(tvOption.ScrExecDir.isEmpty() ? QDir::homePath() : tvOption.ScrExecDir);
    UpdateActions();
}

TfrmExecScript::~TfrmExecScript() = default;

// ---------------------------------------------------------------------------
// Connection and schema

void TfrmExecScript::FillDBName()
{
    cmbDBName->clear();
    if (!frmMain)
        return;
    QComboBox *src = frmMain->ConnectionList();
    for (int i = 0; i < src->count(); ++i) {
        auto *cw = dynamic_cast<IConnectionWindow *>(src->itemData(i).value<QObject *>());
        cmbDBName->addItem(cw ? DescriptorOf(cw, false) : src->itemText(i), src->itemData(i));
    }
}

void TfrmExecScript::cmbDBNameChange()
{
    const int i = cmbDBName->currentIndex();
    if (i < 0)
        return;
    auto *cw = dynamic_cast<IConnectionWindow *>(cmbDBName->itemData(i).value<QObject *>());
    if (!cw)
        return;
    SetOwnerForm(cw);
    FOwnerWidget = cw->FormWidget();
    setWindowTitle(QStringLiteral("スクリプト実行 - ") + DescriptorOf(cw, false));
    SetTaskCaption(DescriptorOf(cw, true));
    cmbSchema->setEditText(cw->dbsMain().Params().MetaDefSchema);
}

void TfrmExecScript::DBChange(QObject * /*Sender*/)
{
    // The runner follows its connection window as an object: an item of the
    // same text that belongs to another window is not its connection.
    QObject *mine = cmbDBName->currentIndex() >= 0 ? cmbDBName->currentData().value<QObject *>() : nullptr;
    FillDBName();
    int at = -1;
    for (int i = 0; i < cmbDBName->count() && at < 0; ++i)
        if (mine && cmbDBName->itemData(i).value<QObject *>() == mine)
            at = i;
    if (cmbDBName->count() == 0 || at < 0) {
        if (!FRunning)
            Close();
        return;
    }
    cmbDBName->setCurrentIndex(at);
}

void TfrmExecScript::SwitchSchema(const QString &From, const QString &To)
{
    if (To.isEmpty() || To == From)
        return;
    IConnectionWindow *cw = OwnerForm();
    if (!cw)
        return;
    try {
        cw->dbsMain().Params().MetaDefSchema = To;
        cw->ExecuteSQL(scriptrun::SearchPathStatement(To));
    } catch (const tv::Error &) {
        // A schema that cannot be set leaves the search path as it was.
    }
}

void TfrmExecScript::cmbSchemaSelect(const QString &schema)
{
    cmbSchema->setEditText(schema);
    // Compared with the schema the connection works in now, not the one it
    // had before this runner was activated: choosing that one again must
    // switch back to it.
    if (IConnectionWindow *cw = OwnerForm())
        SwitchSchema(cw->dbsMain().Params().MetaDefSchema, schema);
}

void TfrmExecScript::Activate()
{
    TtvForm::Activate();
    if (FClosing)
        return;
    if (IConnectionWindow *cw = OwnerForm()) {
        L_sOpenSchema = cw->dbsMain().Params().MetaDefSchema;
        SwitchSchema(L_sOpenSchema, cmbSchema->currentText());
    }
}

void TfrmExecScript::Deactivate()
{
    SwitchSchema(cmbSchema->currentText(), L_sOpenSchema);
}

void TfrmExecScript::showEvent(QShowEvent *e)
{
    TtvForm::showEvent(e);
    if (FFrameWatched)
        return;
    if (QMdiSubWindow *frame = Frame()) {
        FFrameWatched = true;
        connect(frame, &QMdiSubWindow::windowStateChanged, this,
                [this](Qt::WindowStates oldState, Qt::WindowStates newState) {
                    if ((oldState & Qt::WindowActive) && !(newState & Qt::WindowActive))
                        tv::ui::Guard([this] { Deactivate(); });
                });
    }
}

// ---------------------------------------------------------------------------
// File pane

void TfrmExecScript::SetFolder(const QString &path)
{
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.isDir())
        return; // a folder that has gone: the pane stays where it is
    const QString folder = QDir::cleanPath(fi.absoluteFilePath());
    const QModelIndex root = fsFile->index(folder);
    if (!root.isValid())
        return;
    lstFile->setRootIndex(root);
    lstFile->clearSelection();
    // The folder box: the folder and the folders above it.
    QStringList chain;
    for (QDir d(folder);;) {
        chain << d.absolutePath();
        if (!d.cdUp())
            break;
    }
    cmbFolder->clear();
    cmbFolder->addItems(chain);
    cmbFolder->setCurrentIndex(0);
    UpdateActions();
}

QString TfrmExecScript::CurrentFolder() const
{
    const QModelIndex root = lstFile->rootIndex();
    return root.isValid() ? fsFile->filePath(root) : cmbFolder->currentText();
}

void TfrmExecScript::actSelectExecute()
{
    QStringList paths;
    for (const QModelIndex &i : lstFile->selectionModel()->selectedRows())
        if (!fsFile->isDir(i))
            paths << fsFile->filePath(i);
    AddFiles(paths);
}

void TfrmExecScript::lstFileColumnClick(int column)
{
    if (column < 0 || column >= int(g_sortDescending.size()))
        return;
    g_sortColumn = column;
    const Qt::SortOrder order = g_sortDescending[size_t(column)] ? Qt::DescendingOrder : Qt::AscendingOrder;
    fsFile->sort(column, order);
    lstFile->header()->setSortIndicator(column, order);
    g_sortDescending[size_t(column)] = !g_sortDescending[size_t(column)];
}

// ---------------------------------------------------------------------------
// Run list

void TfrmExecScript::AddFiles(QStringList paths)
{
    paths.sort();
    for (const QString &p : paths) {
        auto *item = new QListWidgetItem(QDir::toNativeSeparators(p), lstScript);
        item->setData(kMarkRole, 0);
    }
    UpdateActions();
}

QStringList TfrmExecScript::ScriptList() const
{
    QStringList l;
    for (int i = 0; i < lstScript->count(); ++i)
        l << lstScript->item(i)->text();
    return l;
}

void TfrmExecScript::MoveSelected(int delta)
{
    const QList<QListWidgetItem *> sel = lstScript->selectedItems();
    if (sel.isEmpty())
        return;
    if (sel.size() > 1) {
        ShowMessageBox(QStringLiteral("同時に複数行を移動する事は出来ません。１行だけ選択して下さい。"),
                       tv::ui::MB_ICONWARNING);
        return;
    }
    const int row = lstScript->row(sel.first());
    const int to = row + delta;
    if (to < 0 || to >= lstScript->count())
        return;
    QListWidgetItem *item = lstScript->takeItem(row);
    lstScript->insertItem(to, item);
    lstScript->clearSelection();
    lstScript->setCurrentItem(item);
    item->setSelected(true);
}

void TfrmExecScript::DeleteSelected()
{
    for (QListWidgetItem *item : lstScript->selectedItems())
        delete item;
    UpdateActions();
}

void TfrmExecScript::OpenSelectedScripts()
{
    for (QListWidgetItem *item : lstScript->selectedItems())
        QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::fromNativeSeparators(item->text())));
}

void TfrmExecScript::UpdateActions()
{
    actExec->setEnabled(lstScript->count() > 0 && !FRunning);
    const int sel = int(lstScript->selectedItems().size());
    actUp->setEnabled(sel == 1);
    actDown->setEnabled(sel == 1);
    actDelete->setEnabled(sel > 0);
    actSelect->setEnabled(lstFile->selectionModel() && lstFile->selectionModel()->hasSelection());
}

// ---------------------------------------------------------------------------
// Running

void TfrmExecScript::actExecExecute()
{
    if (FRunning || lstScript->count() == 0)
        return;
    const TCheckList checks{{QStringLiteral("正常終了したスクリプトをリストから削除する "), &tvOption.ScriptCompDel},
                            {QStringLiteral("エラーが発生した時点で処理を中断する"), &tvOption.ScriptErrStop}};
    if (ShowCheckMessageDialog(QStringLiteral("スクリプトを実行しますか？"),
                               tv::ui::MB_YESNO | tv::ui::MB_ICONQUESTION, checks) != tv::ui::IDYES)
        return;
    RunScripts();
}

void TfrmExecScript::RunScripts()
{
    if (FRunning)
        return;
    FRunning = true;
    FErrorCount = 0;
    QString fileError;
    {
        OverrideCursor cursor(Qt::WaitCursor);
        UpdateActions();
        txtLog->Lines()->Clear();
        tv::ui::ClearEscape();
        FPace.start();
        IMainWindow *main = MainWindow();
        bool stop = false;
        const int count = lstScript->count();
        try {
            for (int f = 0; f < lstScript->count() && !stop; ++f) {
                QListWidgetItem *item = lstScript->item(f);
                const QString path = QDir::fromNativeSeparators(item->text());
                QStringList lines;
                QString error;
                const bool read = scriptrun::ReadScriptFile(path, GetFileEncoding(), &lines, &error);
                item->setData(kMarkRole, 1);
                AddLog(QString());
                AddLog(QStringLiteral("スクリプト実行 [ ") + item->text() + QStringLiteral(" ]"), true);
                txtLog->setFocus();
                if (!read) {
                    // The run stops; the log keeps what it has and the reason.
                    item->setData(kMarkRole, 0);
                    ++FErrorCount;
                    const int row = txtLog->Lines()->Count();
                    AddLog(QStringLiteral("《エラー》"));
                    txtLog->SetListRowMarks(row, TRowMarks(txtLog->ListRowMarks(row) | RowMarkBit(rm1)));
                    AddLog(error, true);
                    fileError = error;
                    break;
                }
                QStringList statement;
                for (const QString &line : lines) {
                    if (FPace.elapsed() >= kPaceMs) {
                        FPace.restart();
                        if (tv::ui::EscapePressed()) {
                            stop = true;
                            break;
                        }
                        if (main)
                            main->SetLoopMessage(f, count);
                    }
                    if (sqlrun::IsTerminatorLine(line)) {
                        if (ExecuteStatement(statement, f)) {
                            stop = true;
                            break;
                        }
                    } else {
                        statement << line;
                    }
                }
                if (!stop && ExecuteStatement(statement, f))
                    stop = true;
            }
        } catch (...) {
            FRunning = false;
            if (main)
                main->SetDefMessage();
            UpdateActions();
            throw;
        }
        if (main)
            main->SetDefMessage();
    }
    FRunning = false;
    CaretToEnd();
    // End processing.
    if (FErrorCount > 0) {
        if (tvOption.ScriptCompDel)
            for (int i = lstScript->count() - 1; i >= 0; --i)
                if (lstScript->item(i)->data(kMarkRole).toInt() == 1)
                    delete lstScript->item(i);
    } else if (tvOption.ScriptCompDel) {
        lstScript->clear();
    }
    tvOption.ScrExecDir = CurrentFolder();
    UpdateActions();
    if (FErrorCount > 0)
        ShowMessageBox(QStringLiteral("スクリプトの実行を終了しました。\r\n( ") + QString::number(FErrorCount) +
                           QStringLiteral("個のエラーが発生しました )"),
                       tv::ui::MB_ICONINFORMATION);
    else
        ShowMessageBox(QStringLiteral("スクリプトの実行を終了しました。"), tv::ui::MB_ICONINFORMATION);
    if (!fileError.isEmpty())
        throw tv::Error(fileError);
}

bool TfrmExecScript::ExecuteStatement(QStringList &lines, int fileIndex)
{
    scriptrun::TrimStatementLines(lines);
    const QString text = lines.join(QLatin1Char('\n'));
    bool stop = false;
    if (!TrimBlanks(text).isEmpty()) {
        IConnectionWindow *cw = OwnerForm();
        scriptrun::TOutcome out;
        if (!cw) {
            out.ok = false;
            out.connectionLost = true;
            out.error = QStringLiteral("データベースを選択して下さい。");
        } else {
            out = scriptrun::RunStatement(cw->dbsMain(), text);
        }
        if (out.ok) {
            AddLog(QStringLiteral("《正常終了》"));
        } else {
            if (QListWidgetItem *item = lstScript->item(fileIndex))
                item->setData(kMarkRole, 0);
            ++FErrorCount;
            const int row = txtLog->Lines()->Count();
            AddLog(QStringLiteral("《エラー》"));
            txtLog->SetListRowMarks(row, TRowMarks(txtLog->ListRowMarks(row) | RowMarkBit(rm1)));
            for (const QString &l : scriptrun::ErrorEchoLines(lines))
                AddLog(l);
            if (out.returnsRows) {
                AddLog(QStringLiteral("SELECT 文は処理対象外です。"));
            } else {
                for (QString l : out.error.split(QLatin1Char('\n'))) {
                    if (l.endsWith(QLatin1Char('\r')))
                        l.chop(1);
                    AddLog(l);
                }
            }
            CaretToEnd();
            // A lost connection ends the run: every further statement
            // would fail the same way. Esc during a statement cancels it on
            // the server and ends the run as Esc between statements does.
            stop = tvOption.ScriptErrStop || out.connectionLost || out.cancelled;
        }
    }
    lines.clear();
    return stop;
}

void TfrmExecScript::AddLog(const QString &line, bool force)
{
    txtLog->Lines()->Add(line);
    if (force)
        CaretToEnd();
}

void TfrmExecScript::CaretToEnd()
{
    const int n = txtLog->Lines()->Count();
    if (n > 0)
        txtLog->SetRowCol(std::max(0, txtLog->Lines()->LineToRow(n - 1)), 0);
}

QStringList TfrmExecScript::LogLines() const
{
    QStringList l;
    TEditorStrings *s = txtLog->Lines();
    for (int i = 0; i < s->Count(); ++i)
        l << s->Get(i);
    return l;
}

// ---------------------------------------------------------------------------
// Keys, drops, settings, closing

bool TfrmExecScript::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        if (watched == lstScript) {
            if (k->key() == Qt::Key_Delete) {
                tv::ui::Guard([this] { DeleteSelected(); });
                return true;
            }
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                tv::ui::Guard([this] { OpenSelectedScripts(); });
                return true;
            }
        } else if (watched == lstFile && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
            tv::ui::Guard([this] {
                const QModelIndex cur = lstFile->currentIndex();
                if (cur.isValid() && fsFile->isDir(cur))
                    SetFolder(fsFile->filePath(cur));
                else
                    actSelectExecute();
            });
            return true;
        }
    }
    return TtvForm::eventFilter(watched, event);
}

void TfrmExecScript::dragEnterEvent(QDragEnterEvent *e)
{
    if (e->mimeData() && e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void TfrmExecScript::dropEvent(QDropEvent *e)
{
    QStringList paths;
    for (const QUrl &u : e->mimeData()->urls())
        if (u.isLocalFile())
            paths << u.toLocalFile();
    tv::ui::Guard([&] { AddFiles(paths); });
    e->acceptProposedAction();
}

void TfrmExecScript::LoadSettings()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    int w = 898, h = 560, header = -1, list = -1;
    if (reg.KeyExists(kSettingsKey) && reg.OpenKeyReadOnly(kSettingsKey)) {
        w = reg.GetInteger(QStringLiteral("Width"), w);
        h = reg.GetInteger(QStringLiteral("Height"), h);
        header = reg.GetInteger(QStringLiteral("HeaderHeight"), -1);
        list = reg.GetInteger(QStringLiteral("ListWidth"), -1);
        reg.CloseKey();
    }
    resize(std::max(200, w), std::max(150, h));
    if (header < 0)
        header = height() / 2;
    if (list < 0)
        list = width() / 2;
    header = std::max(header, 30);
    list = std::max(list, 30);
    splLog->setSizes({header, std::max(1, height() - header)});
    pnlHeader->setSizes({list, std::max(1, width() - list)});
}

void TfrmExecScript::SaveSettings()
{
    tv::settings::TtvRegistry &reg = tv::settings::tvRegistry();
    try {
        if (!reg.OpenKey(kSettingsKey, true))
            return;
        const QWidget *outer = Frame() ? static_cast<QWidget *>(Frame()) : this;
        if (!(outer->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
            reg.WriteInteger(QStringLiteral("Width"), width());
            reg.WriteInteger(QStringLiteral("Height"), height());
        }
        reg.WriteInteger(QStringLiteral("HeaderHeight"), pnlHeader->height());
        reg.WriteInteger(QStringLiteral("ListWidth"), lstScript->width());
        reg.CloseKey();
    } catch (...) {
        // A store that cannot be written loses the layout.
    }
}

bool TfrmExecScript::FormCloseQuery()
{
    return !FRunning;
}

void TfrmExecScript::FormClose(TCloseAction &Action)
{
    FClosing = true;
    SwitchSchema(cmbSchema->currentText(), L_sOpenSchema);
    Action = caFree;
}
