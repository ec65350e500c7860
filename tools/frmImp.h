#pragma once
// TfrmImp: the restore window, the front end of pg_restore. The user names
// an archive (custom or tar file, or directory), restores all of it or the
// schemas or tables listed as targets into the connected database, one
// pg_restore run per target, with the output shown live on "結果ログ"; the
// log is written and a run that failed is reported as failed. Opened by
// 管理 → "リストア(&E)" (actAdminImport); one window per connection.
#include "tools/DumpCommand.h"
#include "tools/tvToolForm.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QTabWidget;
class QToolButton;
class QWidget;
class TtvComboBox;
class TtvListView;
class TtvMemo;
class TtvNumEdit;
class TtvRadioGroup;
class TtvStrEdit;

class TfrmImp : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmImp(QObject *AOwner);

    // Opens the window for AOwner, or brings its open one forward.
    static TfrmImp *ShowWindow(IConnectionWindow *AOwner);
    // Registers actAdminImport.
    static void RegisterLauncher();

    void ApplyVersionOptions();
    void FindRestoreTool();
    void cmbDBNameChange() override;

    TRestoreChoices Choices() const;
    QList<TToolCommand> Commands() const;

    void btnExecClick();
    void RunRestore();

    QAction *btnExec = nullptr;
    QTabWidget *pagImp = nullptr;
    QWidget *tabSelect = nullptr, *tabOption = nullptr, *tabLog = nullptr;
    TtvRadioGroup *rdoFormat = nullptr;
    QLabel *lblJobNo = nullptr;
    TtvNumEdit *txtJobNo = nullptr;
    QLabel *lblRoleName = nullptr;
    TtvComboBox *cmbRoleName = nullptr;
    TtvRadioGroup *rdoMode = nullptr;
    QLabel *lblImpFile = nullptr;
    TtvStrEdit *txtImpFile = nullptr;
    QToolButton *btnImpFile = nullptr;
    QWidget *pnlSelect2 = nullptr;
    QGroupBox *grpSchema = nullptr;
    TtvComboBox *cmbSchema = nullptr;
    TtvStrEdit *txtFromTable = nullptr;
    QToolButton *btnAddUser = nullptr, *btnDelUser = nullptr;
    TtvListView *lstSchema = nullptr;
    TtvRadioGroup *rdoUserID = nullptr;
    QLabel *lblUserID = nullptr;
    TtvStrEdit *txtUserID = nullptr;
    QGroupBox *grpSection = nullptr;
    QCheckBox *chkPreData = nullptr, *chkSecData = nullptr, *chkPostData = nullptr;
    QCheckBox *chkData = nullptr, *chkSchema = nullptr;
    QCheckBox *chkOwner = nullptr, *chkGrants = nullptr, *chkTablespaces = nullptr, *chkSecuritylbl = nullptr;
    QCheckBox *chkCreateDataBase = nullptr, *chkClean = nullptr, *chkTransaction = nullptr;
    QCheckBox *chkTrigger = nullptr, *chkNoData = nullptr;
    QCheckBox *chkAuthorization = nullptr, *chkError = nullptr, *chkIfexists = nullptr;
    QCheckBox *chkLog = nullptr;
    TtvStrEdit *txtLogFile = nullptr;
    QToolButton *btnLogFile = nullptr;
    QLabel *lblImpPgm = nullptr;
    TtvStrEdit *txtImpPgm = nullptr;
    QToolButton *btnImpPgm = nullptr;
    TtvMemo *txtLog = nullptr;

    void btnAddSchemaClick();
    void btnDelSchemaClick();

private:
    void Opening();
    void rdoFormatClick();
    void rdoModeClick();
    void rdoUserIDClick();
    void txtJobNoChange();
    void chkTransactionClick();
    void chkDataClick();
    void chkSchemaClick();
    void chkSectionClick();
    void chkLogClick();
    void cmbRoleNameDropDown();
    void cmbSchemaDropDown();
    void btnImpFileClick();
    void btnLogFileClick();
    void btnImpPgmClick();
    void pagImpChange(int Index);
    void Fail(const QString &Text, QWidget *Page, QWidget *Focus);

    bool FOpened = false;
    bool FFromCode = false;
};
