#pragma once
// TfrmExp: the backup window, the front end of pg_dump. The user picks the
// whole database, schemas or tables, the archive format and the options and
// presses "実行(&E)"; the window checks the inputs, stores the choices in
// ExpOption, runs pg_dump with the output shown live on "結果ログ", writes the
// log file and reports whether pg_dump ended well. Opened by 管理 →
// "バックアップ(&B)" (actAdminExport) and by the connection window's backup
// actions; one window per connection.
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

class TfrmExp : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmExp(QObject *AOwner);

    // Opens the window for AOwner (or brings its open one forward, which
    // then stays as it is). Mode 0 database, 1 schemas (a line of Schema
    // each), 2 tables (line i of Schema and of Table one table).
    static TfrmExp *ShowWindow(IConnectionWindow *AOwner, int Mode, const QString &Schema, const QString &Table);
    // Registers actAdminExport.
    static void RegisterLauncher();

    void ApplyVersionOptions();
    void FindDumpProgram();
    void cmbDBNameChange() override;

    // The window's choices as the command builder takes them.
    TDumpChoices Choices() const;
    // The command that Execute would run now.
    TToolCommand Command() const;

    void btnExecClick();
    void RunDump();

    QAction *btnExec = nullptr;
    QTabWidget *pagExp = nullptr;
    QWidget *tabSelect = nullptr, *tabOption = nullptr, *tabLog = nullptr;
    TtvRadioGroup *rdoFormat = nullptr;
    QLabel *lblExpFile = nullptr;
    TtvStrEdit *txtExpFile = nullptr;
    QToolButton *btnExpFile = nullptr;
    QLabel *lblCompres = nullptr;
    TtvNumEdit *txtCompres = nullptr;
    QLabel *lblEncoding = nullptr;
    TtvComboBox *cmbEncoding = nullptr;
    QLabel *lblRoleName = nullptr;
    TtvComboBox *cmbRoleName = nullptr;
    TtvRadioGroup *rdoMode = nullptr;
    QLabel *lblSelect = nullptr, *lblAll = nullptr;
    QWidget *pnlSelect2 = nullptr;
    TtvListView *lstSelect = nullptr, *lstAll = nullptr;
    QToolButton *btnInsAll = nullptr, *btnIns = nullptr, *btnDel = nullptr, *btnDelAll = nullptr;
    TtvRadioGroup *rdoUserID = nullptr;
    QLabel *lblUserID = nullptr;
    TtvStrEdit *txtUserID = nullptr;
    QGroupBox *grpSection = nullptr;
    QCheckBox *chkPreData = nullptr, *chkSecData = nullptr, *chkPostData = nullptr;
    QCheckBox *chkData = nullptr, *chkSchema = nullptr, *chkBlobs = nullptr;
    QCheckBox *chkOwner = nullptr, *chkGrants = nullptr, *chkTablespaces = nullptr, *chkUnlogTbl = nullptr,
              *chkSecuritylbl = nullptr;
    QCheckBox *chkCreateDataBase = nullptr, *chkDropDataBase = nullptr, *chkColumnInserts = nullptr,
              *chkInserts = nullptr;
    QCheckBox *chkTrigger = nullptr, *chkDollarQuoting = nullptr;
    QCheckBox *chkAuthorization = nullptr, *chkOid = nullptr, *chkQuote = nullptr, *chkSerializable = nullptr,
              *chkIfexists = nullptr;
    QLabel *lblTimeOut = nullptr;
    TtvNumEdit *txtTimeOut = nullptr;
    QCheckBox *chkLog = nullptr;
    TtvStrEdit *txtLogFile = nullptr;
    QToolButton *btnLogFile = nullptr;
    QLabel *lblExpPgm = nullptr;
    TtvStrEdit *txtExpPgm = nullptr;
    QToolButton *btnExpPgm = nullptr;
    TtvMemo *txtLog = nullptr;

private:
    void Opening(int Mode, const QString &Schema, const QString &Table);
    void rdoFormatClick();
    void rdoModeClick();
    void rdoUserIDClick();
    void chkDataClick();
    void chkSchemaClick();
    void chkSectionClick();
    void chkLogClick();
    void cmbRoleNameDropDown();
    void btnExpFileClick();
    void btnLogFileClick();
    void btnExpPgmClick();
    void pagExpChange(int Index);
    void Fail(const QString &Text, QWidget *Page, QWidget *Focus);

    bool FOpened = false;
    bool FFromCode = false;
};
