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
#include "shell/CommandLine.h"

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
class TfrmObject;
class TtvListView;
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
    void SelectConnection(const QString &text, Qt::CaseSensitivity cs = Qt::CaseSensitive) override;
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
    void LoadSQLLogList();
    void SaveSQLLogList();
    void ApplyActionShortCuts();
    void StoreActionShortCuts();

    // Menus of later parts (user commands, reports, home page) and the
    // workspace panel; see StandIns.cpp.
    void SetCommandList();
    void SetReportList();
    void SetHomePage();
    void SetExcelExt();
    void ShowWorkSpace(QWidget *leaveOut);

    TCommandLine FCommandLine;
    QHash<QString, QAction *> FActions;
    bool FPainted = false;
    bool FClosing = false;
    mutable QHash<int, QIcon> FImages;

    friend class TfrmObject;
};

// The one main window (null before it is created and after it has gone).
extern TfrmMain *frmMain;
