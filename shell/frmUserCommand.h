#pragma once
// TfrmUserCommand: the editor of the user commands. It lists the command
// files, shows one command in its fields and writes it back; the main
// window rebuilds its command menus when the editor closes.
#include <QDialog>

class QAction;
class QCheckBox;
class QKeySequenceEdit;
class QLineEdit;
class QListWidget;
class QToolBar;
class TtvMemo;

class TfrmUserCommand : public QDialog {
    Q_OBJECT
public:
    explicit TfrmUserCommand(QWidget *parent = nullptr);
    // Lists the commands and shows the editor modally; the command menus are
    // rebuilt afterwards whatever happened.
    static void ShowWindow();
    // Registers "actToolCommandSetup".
    static void RegisterLauncher();

    void LoadCommandList();
    void SortCommandList();
    void ShowCommand();
    void SaveCommand();

    void actSaveExecute();
    void actAddExecute();
    void actDeleteExecute();
    void actRefreshExecute();
    void actExitExecute();
    void UpdateActions();

    QToolBar *tlbMain = nullptr;
    QAction *actSave = nullptr, *actAdd = nullptr, *actDelete = nullptr, *actRefresh = nullptr, *actExit = nullptr;
    QListWidget *lstCommand = nullptr;
    QLineEdit *txtName = nullptr;
    QLineEdit *txtSeq = nullptr;
    QKeySequenceEdit *hotCommand = nullptr;
    QCheckBox *chkDialog = nullptr, *chkSQLWindow = nullptr, *chkError = nullptr;
    TtvMemo *txtSQL = nullptr;
    int FBIndex = -1;
    bool FModified = false;

protected:
    void closeEvent(QCloseEvent *e) override;
    void reject() override;

private:
    void lstCommandClick();
    void Changed();
    int FindEntry(const QString &name) const;
    void SelectRow(int row);

    QString FSavedName; // the name of the command shown
    bool FShowing = false;
};
