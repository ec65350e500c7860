#pragma once
// The main window: the MDI frame of every child window, with the six tool
// bars, the list of open connections (cmbDBName), the task bar, the workspace
// panel and the status bar whose panel 2 carries the shared messages.
//
// Life cycle: the constructor loads every option and the SQL history list;
// the first paint restores the layout and then logs on with the command-line
// values (or offers the logon); closing asks every child, closes every
// connection window and writes the layout, the options and the history list.
#include "common/IMainWindow.h"
#include "common/tvOption.h"
#include "shell/CommandLine.h"
#include "shell/WindowLaunchers.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

class QAction;
class QComboBox;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QScrollArea;
class QSplitter;
class QToolBar;
class QToolButton;
class QTimer;
class THTMLHelp;
class QTreeWidgetItem;
class TFindReplaceDialog;
class TfrmObject;
class TtvListView;
class TtvMemo;

// What opening an object asks of a connection window's dispatcher.
struct TOpenObjectRequest {
    int ObjectType = 0;
    QString Schema;
    QString ObjectName;
    TOpenMode OpenMode = omDefine;
    bool ShowRefObject = true;
    int DefTopRecord = 0;
    qint64 OID = -1;
    QString TableName;
};
class TtvStatusBar;

class TfrmMain : public QMainWindow, public IMainWindow {
    Q_OBJECT
public:
    // `args`: the command-line arguments after the program name.
    explicit TfrmMain(const QStringList &args = {}, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // IMainWindow
    QWidget *MainWidget() override { return this; }
    IConnectionWindow *CurrentForm() const override;
    void SelectConnection(const QString &text, Qt::CaseSensitivity cs = Qt::CaseSensitive,
                          IConnectionWindow *window = nullptr) override;
    QToolBar *TaskBar() override { return tolTask; }
    QToolButton *AddTaskButton(QWidget *window, const QString &caption, const QString &hint,
                               int imageIndex) override;
    void RemoveTaskButton(QToolButton *button) override;
    void PressTaskButton(QToolButton *button) override;
    QIcon MainImage(int index) const override;
    QIcon ButtonImage(int index) const override;
    TtvMemoProp *EditorProp() const override;
    QMenu *EditorMenu() override { return popEditor; }
    TtvPrintdata *PrintData() override { return nullptr; }
    QWidget *FindWindow(const std::function<bool(QWidget *)> &isClass, const QString &caption,
                        bool show) override;
    void SetDefMessage() override;
    void SetLoopMessage(int NowCount, int MaxCount) override;
    QList<QWidget *> MdiChildren() const override;

    // The connection window of the selected item, typed.
    TfrmObject *CurrentObjectForm() const;
    // The connection window whose kind-0 text equals ServerName: the current
    // one first, then the MDI children from the highest index down.
    TfrmObject *GetDBForm(const QString &ServerName) const;

    // The connection list and the enabling that follows it.
    QComboBox *ConnectionList() const { return cmbDBName; }
    void AddConnection(TfrmObject *form, const QString &text);
    // Removes the window's item; the last remaining item is selected.
    void RemoveConnection(TfrmObject *form);
    void cmbDBNameChange();
    // Gives every connection window the key bindings of the main actions.
    void SetShortCut();

    // Puts a window into the MDI area (child index: after every other).
    QMdiSubWindow *AddMdiChild(QWidget *window);
    // The frame of a child, null when it is none.
    QMdiSubWindow *SubWindowOf(const QWidget *window) const;
    // Sends a window message to every MDI child in child order.
    void BroadcastMessage(int message);

    QAction *Action(const QString &name) const { return FActions.value(name); }
    QString StatusText(int panel) const;
    void SetStatusText(int panel, const QString &text);

    // --- Actions, menus and launchers -------------------------------------
    // Runs the window launcher registered for an action with the current
    // connection; nothing (null) without a current connection when the
    // action needs one, or without a launcher.
    QWidget *LaunchWindow(const QString &actionName, bool needsConnection, TLaunchContext context = {});
    // COMMIT or ROLLBACK on the current connection with the status text; a
    // COMMIT that the server answered with ROLLBACK says so.
    void EndTransaction(bool commit);
    static QString TransactionText(const QString &user, const QString &database, bool commit);
    // Rebuild the user-command and report menus from their files.
    void SetCommandList();
    void SetReportList();
    // The display menu.
    void mnuDisplayClick();
    void mnuToolClick(int tag);
    void mnuWorkSpaceClick();
    void mnuTaskBarClick();
    void mnuStsbarClick();
    void mnuReloadClick();
    // The view style of every connection window's object list (2 list, 3 details).
    void SetObjectListStyle(int style);
    // Runs every update handler (enabling, check marks, captions).
    void UpdateActions();
    // Gives a window of its own (a dialog outside the main window) the edit
    // commands' keys as the main window binds them (undo, redo, cut, copy,
    // paste, delete, select all), acting on the control with the focus.
    void LendEditCommands(QWidget *Window);

    // --- Edit command routing ---------------------------------------------
    // The control with the keyboard focus, and it as an SQL editor.
    QWidget *ActiveControl() const;
    TtvMemo *ActiveMemo() const;
    void actEditFindExecute();
    // Find next; `from` is the dialog that raised it (null: key or menu).
    void actEditFindNextExecute(TFindReplaceDialog *from = nullptr);
    void actEditFindPrevExecute();
    void actEditReplaceExecute();
    void dlgReplaceReplace(bool all);
    void actEditJumpExecute();
    void actEditFormatExecute();
    void actEditCaseExecute(bool upper);
    void actEditRenameExecute();
    void actEditOpenExecute();
    TFindReplaceDialog *dlgFind = nullptr;
    TFindReplaceDialog *dlgReplace = nullptr;

    // --- Task bar and workspace -------------------------------------------
    void ShowWorkSpace(QWidget *EraseForm);
    // Whether a drag from `source` may drop on the workspace (the object list
    // of an open connection window), and the drop of that window's selection.
    TfrmObject *WorkSpaceDragSource(QObject *source) const;
    void WorkSpaceDrop(TfrmObject *form);
    void lstWorkSpaceEdited(QTreeWidgetItem *item, const QString &text);
    void RemoveWorkSpaceItems();
    void OpenWorkSpaceItems(bool execute, bool askCount, TOpenMode mode);
    bool FindWorkSpaceFunctionOid(TfrmObject *form, int type, const QString &name, const QString &schema,
                                  qint64 oid);
    QList<qint64> FindWorkSpaceFunctionOids(TfrmObject *form, int type, const QString &name,
                                            const QString &schema);
    int AskTopRecordCount();
    // Alignment of the workspace panel: 1 top, 2 bottom, 3 left, 4 right.
    void SetWorkSpaceAlign(int align);
    void popTaskPopup(const QPoint &pos);
    void mnuCloseWindowClick();

    // Opens an object through the connection window's dispatcher. Tests and
    // tools may watch the requests through OpenObjectHook (when set it is
    // called instead).
    QWidget *OpenObjectOn(TfrmObject *form, const TOpenObjectRequest &request);
    std::function<QWidget *(TfrmObject *, const TOpenObjectRequest &)> OpenObjectHook;

    // The help bridge every help request of the program goes to.
    THTMLHelp *hlpMain = nullptr;
    QMenu *mnuEdit = nullptr, *mnuDisplay = nullptr, *mnuToolbar = nullptr, *mnuCommandMenu = nullptr,
          *mnuReportMenu = nullptr, *mnuHomePage = nullptr, *popTask = nullptr, *popWorkSpace = nullptr;
    QAction *mnuHomePageSep = nullptr; // the separator after the home-page sub-menu
    QAction *mnuTB1 = nullptr, *mnuTB2 = nullptr, *mnuWorkSpace = nullptr, *mnuTaskBar = nullptr,
            *mnuStsbar = nullptr, *mnuReload = nullptr, *mnuMacroExec = nullptr, *popEditOpen = nullptr;

    // --- Menus of the active child ------------------------------------------
    // Shows the menus that `child` (an MDI child's window) lends through
    // IChildWindow::MergeMenus in the menu bar, after taking back those of
    // the child merged before: a lent menu whose group index some of the own
    // menus carry hides all of those; one with a new index goes in before the
    // first menu of a higher index. Null (or a child that lends nothing) only
    // takes the lent menus back and shows the hidden own ones again.
    void MergeChildMenus(QWidget *child);
    // The child whose menus are in the menu bar (null: none).
    QWidget *MergedChild() const { return FMergedChild; }
    // The group index of a top-level entry of the menu bar; -1 for one that
    // is neither an own menu nor a lent one.
    int MenuGroupIndex(const QAction *barEntry) const;

    // The first paint's work: layout, then the command-line logon. Runs once.
    void FormPaint();
    bool FirstPaintDone() const { return FPainted; }

    void LoadWindowSettings();
    void SaveWindowSettings();

    // The texts of status panel 2.
    static QString LoopMessageText(int NowCount, int MaxCount);
    static QString DefMessageText(int Count, int Selected);

    // Part of the frame that other windows and tests read.
    QMdiArea *mdiMain = nullptr;
    QComboBox *cmbDBName = nullptr;
    TtvStatusBar *stsMain = nullptr;
    QToolBar *pnlDB = nullptr, *pnlEdit = nullptr, *pnlTool = nullptr, *pnlAdmin = nullptr,
             *pnlTool2 = nullptr, *pnlNewObj = nullptr;
    QScrollArea *scrTask = nullptr;
    QToolBar *tolTask = nullptr;
    TtvListView *lstWorkSpace = nullptr;
    QSplitter *splWorkSpace = nullptr;
    QMenu *mnuMain = nullptr, *mnuWindow = nullptr, *popEditor = nullptr;
    QAction *mnuDispList = nullptr, *mnuDispReport = nullptr;

    // The workspace panel's stored settings (the panel itself is simple here).
    int WorkSpaceStyle = 0;
    int WorkSpaceAlign = 2;

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void BuildActions();
    void BuildToolBars();
    void BuildMenus();
    void FormClose();
    // Asks every child and closes the connection windows; false cancels.
    bool FormCloseQuery();
    void ApplyWorkSpaceAlign();
    void LoadToolBarSettings(QToolBar *bar);
    void SaveToolBarSettings(QToolBar *bar);
    QList<QToolBar *> ToolBars() const;
    void OnSubWindowActivated(QMdiSubWindow *w);
    void UnmergeChildMenus();
    void LoadSQLLogList();
    void SaveSQLLogList();
    void ApplyActionShortCuts();
    void StoreActionShortCuts();

    void SetHomePage();
    void SetExcelExt();
    void BuildEditActions();
    void TileChildren(bool horizontal);
    void BuildWorkSpace();
    void ConnectLaunchers();
    void mnuUserCommandClick(QAction *entry);
    void mnuReportClick(QAction *entry);

    TCommandLine FCommandLine;
    QHash<QString, QAction *> FActions;
    bool FPainted = false;
    bool FClosing = false;
    mutable QHash<int, QIcon> FImages;
    QTimer *FUpdateTimer = nullptr;
    // The SQL editor that last had the focus (the find and replace dialogs
    // work on it while they have the focus themselves).
    QPointer<TtvMemo> FLastMemo;
    // Menu merging: the group index of each own menu-bar entry; the child
    // whose menus are lent, their entries with group indexes, the own
    // entries they hide, and the watch on the child's end.
    QHash<const QAction *, int> FMenuGroups;
    QPointer<QWidget> FMergedChild;
    QList<QPair<int, QPointer<QAction>>> FMergedEntries;
    QList<QPointer<QAction>> FReplacedEntries;
    QMetaObject::Connection FMergedWatch;
    // The application-wide signals that update the actions: cut first when
    // the window goes, as focus moves while its children are destroyed.
    QList<QMetaObject::Connection> FAppWatches;

    friend class TfrmObject;
};

// The one main window (null before it is created and after it has gone).
extern TfrmMain *frmMain;
