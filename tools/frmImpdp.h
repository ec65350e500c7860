#pragma once
// TfrmImpdp: the front end of another database product's data-pump import
// tool, the counterpart of TfrmExpdp. It collects the settings, the schema
// remapping and the tables, writes "IMPDP.PRM" into the work folder and runs
// the tool as the export window does. "一覧" lets the tool write the dump's
// DDL into an SQL file and lists the users and tables found there in the
// picker TfrmImpdpList.
//
// No menu item, tool button or shortcut opens it: the main window's opener
// is the launcher "DataPumpImport".
#include "tools/DataPumpFiles.h"
#include "tools/frmDataPump.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QTabWidget;
class QToolButton;
class QWidget;
class TtvComboBox;
class TtvMemo;
class TtvRadioGroup;
class TtvStrEdit;

class TfrmImpdp : public TfrmDataPump {
    Q_OBJECT
public:
    explicit TfrmImpdp(QObject *AOwner);

    static TfrmImpdp *ShowWindow(IConnectionWindow *AOwner);
    // Registers the launcher "DataPumpImport".
    static void RegisterLauncher();

    void cmbDBNameChange() override;
    void rdoModeClick();
    void chkLogClick() override;
    void chkInfoClick();
    void chkIgnoreClick();
    void txtImpdpFileChange();
    void btnImpdpFileClick();
    void btnAddUserClick();
    void cmbToUserChange();
    void lstUserClick();
    void btnAddTableClick();
    void FindImpdpProgram();
    void btnExecClick() override;
    void RunImport();
    TDataPumpChoices Choices() const;
    TDataPumpCommand Command() const override;

    // The dump listing.
    void btnListClick();
    void GetImportFilePath();
    void ReadData();
    // The command ReadData runs ("IMPDP" from the search path).
    TDataPumpCommand ListCommand(const QString &SqlFile) const;

    QTabWidget *pagImpdp = nullptr;
    TtvStrEdit *txtImpdpFile = nullptr;
    QToolButton *btnImpdpFile = nullptr, *btnList = nullptr;
    TtvComboBox *cmbImpdpDirObj = nullptr;
    QGroupBox *grpUser = nullptr, *grpTable = nullptr;
    TtvStrEdit *txtFromUser = nullptr;
    TtvComboBox *cmbToUser = nullptr;
    QToolButton *btnAddUser = nullptr, *btnDelUser = nullptr;
    QListWidget *lstUser = nullptr;
    QPlainTextEdit *txtFromTable = nullptr;
    QToolButton *btnAddTable = nullptr, *btnDelTable = nullptr;
    QListWidget *lstTable = nullptr;
    QCheckBox *chkDestroy = nullptr;
    TtvStrEdit *txtImpdpPgm = nullptr;
    QToolButton *btnImpdpPgm = nullptr;
    TtvComboBox *cmbImpdpLogDirObj = nullptr;
    QCheckBox *chkIgnore = nullptr;
    TtvRadioGroup *rdoIgnore = nullptr;
    QCheckBox *chkInfo = nullptr;
    TtvComboBox *cmbImpdpInfoDirObj = nullptr;
    TtvStrEdit *txtIndexFile = nullptr;

    QStringList FUserList, FTableList;
    QString FImpdpBack;
    QString ImpdpFilePath;

private:
    void Opening();
    // Replaces the entry of the same source user, or adds it.
    void PutUser(const QString &Source, const QString &Entry);
};
