#pragma once
// TfrmDB: the server of one connection window on four pages: its databases
// with the properties of the selected one, its settings (search, category,
// session changes and, from 9.4, ALTER SYSTEM), the file written by ALTER
// SYSTEM, and its version, times and file paths. Opened by 管理 →
// "サーバ情報(&D)" (actAdminDatabase) and by the connection window's tree
// menu (actDatabase).
//
// ALTER SYSTEM cannot run inside a transaction block, so it goes over a
// short-lived side connection of the same user; the configuration reload
// and set_config run on the main session, each under a statement savepoint.
#include "tools/tvToolForm.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolButton;
class QWidget;
class TtvComboBox;
class TtvListBox;
class TtvListView;
class TtvMemo;
class TtvStrEdit;
class TtvTreeView;

class TfrmDB : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmDB(QObject *AOwner);

    static TfrmDB *Create(IConnectionWindow *AOwner) { return Open<TfrmDB>(AOwner); }
    // Registers actAdminDatabase and actDatabase.
    static void RegisterLauncher();

    // Retitles and reads the active page.
    void Reload(QObject *Sender) override;
    void FormKeyDown(QObject *Sender, int &Key, Qt::KeyboardModifiers Shift) override;

    // The pages' readers.
    void LoadDatabaseTree();
    void ShowDatabaseInfo();
    void LoadVersionInfo();
    void LoadAutoConf();
    void LoadCategories(IConnectionWindow *Form);
    void LoadParameters(const QString &SearchText, const QString &Category);

    // The list's actions.
    void SetSessionParameter();
    void ApplyAlterSystem(int Mode);

    QAction *actRefresh = nullptr;
    QTabWidget *pagDB = nullptr;
    QWidget *tabDbInfo = nullptr;
    QWidget *tabParam = nullptr;
    QWidget *tabAutoConf = nullptr;
    QWidget *tabVersion = nullptr;
    TtvTreeView *lstDbList = nullptr;
    QSplitter *splDbInfo = nullptr;
    TtvListView *lstDbInfo = nullptr;
    QWidget *pnlFind = nullptr;
    QToolButton *btnFind = nullptr;
    TtvStrEdit *txtFind = nullptr;
    QLabel *lblCategory = nullptr;
    TtvComboBox *cmbCategory = nullptr;
    TtvListView *lstParameter = nullptr;
    QMenu *popParameter = nullptr;
    QAction *actChangeParam = nullptr;
    QAction *actAlterSystem = nullptr;
    QAction *actAlterSystemReset = nullptr;
    QAction *actAlterSystemResetAll = nullptr;
    TtvMemo *txtAutoConfData = nullptr;
    TtvListBox *lstVersion = nullptr;

protected:
    void PrepareOpen(IConnectionWindow *AOwner) override;
    int CommandButtonWidth() const override { return 71; }
    void resizeEvent(QResizeEvent *e) override;

private:
    void FormResize();
    void UpdateParamActions();
    void ReloadGuarded();
    void ReadActivePage();
    bool FAlterSystem = false;
};
