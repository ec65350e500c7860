#pragma once
// TfrmExecScript: the script runner. The user picks SQL script files in the
// file pane (a folder box and the folder's file list), collects them in the
// run list and runs them in order on the main connection of the chosen
// connection window: each file is split into statements at lines that hold
// only ";" and every statement is logged with its outcome. A statement that
// returns rows is not run. The runner's schema is the connection's search
// path only while the runner is the active window. Several runners may be
// open at once.
#include "common/tvForm.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>

class QAction;
class QComboBox;
class QFileSystemModel;
class QListWidget;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeView;
class TtvMemo;

class TfrmExecScript : public TtvForm {
    Q_OBJECT
public:
    // Opens a new runner for the connection window AOwner.
    static TfrmExecScript *ShowWindow(IConnectionWindow *AOwner);
    // Registers the main window's launcher "actViewScript".
    static void RegisterLauncher();

    explicit TfrmExecScript(IConnectionWindow *AOwner);
    ~TfrmExecScript() override;

    // The connection chooser: the owner becomes the chosen item's window.
    void cmbDBNameChange();
    // Schema switch of the shared main connection: when To is not empty and
    // differs from From, MetaDefSchema := To and the search path is set;
    // failures are ignored.
    void SwitchSchema(const QString &From, const QString &To);
    // The user chose (or typed and entered) a schema.
    void cmbSchemaSelect(const QString &schema);

    // File pane.
    void SetFolder(const QString &path);
    QString CurrentFolder() const;
    // Appends the selected files of the file list (sorted) to the run list.
    void actSelectExecute();
    // Sorts the file list by a column, ascending first, then descending.
    void lstFileColumnClick(int column);

    // Run list.
    void AddFiles(QStringList paths);
    void MoveSelected(int delta);
    void DeleteSelected();
    QStringList ScriptList() const;

    // Asks, then runs the run list.
    void actExecExecute();
    // Runs the run list without asking (the options decide).
    void RunScripts();
    int ErrorCount() const { return FErrorCount; }
    bool Running() const { return FRunning; }
    // The log's lines.
    QStringList LogLines() const;

    QString L_sOpenSchema;

    // Components.
    QToolBar *tolCmd = nullptr, *tolList = nullptr;
    QToolButton *btnExec = nullptr, *btnExit = nullptr, *btnUp = nullptr, *btnDown = nullptr, *btnDelete = nullptr;
    QComboBox *cmbDBName = nullptr;
    QComboBox *cmbSchema = nullptr;
    QSplitter *splLog = nullptr;
    QSplitter *pnlHeader = nullptr;
    QListWidget *lstScript = nullptr;
    QWidget *pnlFile = nullptr;
    QToolButton *btnSelect = nullptr;
    QComboBox *cmbFolder = nullptr;
    QTreeView *lstFile = nullptr;
    QFileSystemModel *fsFile = nullptr;
    TtvMemo *txtLog = nullptr;
    QAction *actExec = nullptr, *actExit = nullptr, *actUp = nullptr, *actDown = nullptr, *actDelete = nullptr,
            *actSelect = nullptr;
    QMenu *mnuScript = nullptr;

    // TtvForm
    void DBChange(QObject *Sender) override;
    void LoadSettings() override;
    void SaveSettings() override;
    void Activate() override;

protected:
    bool FormCloseQuery() override;
    void FormClose(TCloseAction &Action) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *e) override;

private:
    void FillDBName();
    void UpdateActions();
    void Deactivate();
    // One statement of the current file; true when the run is to stop.
    bool ExecuteStatement(QStringList &lines, int fileIndex);
    void AddLog(const QString &line, bool force = false);
    void CaretToEnd();
    void OpenSelectedScripts();

    int FErrorCount = 0;
    bool FRunning = false;
    bool FClosing = false;
    bool FFrameWatched = false;
    QPointer<QWidget> FOwnerWidget;
    QElapsedTimer FPace;
};
