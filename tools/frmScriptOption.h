#pragma once
// TfrmScriptOption: the modal dialog of the script output options
// (ScriptOption, key "TEXTOUT"). Opened in two ways:
//  - before a script run, for a connection window: caption "スクリプト出力",
//    OK button "開始"; on OK the output path and the script-name table go
//    back to the caller (the object list, the user and tablespace lists);
//  - as plain options from ツール → "スクリプト出力オプション(&S)...":
//    caption "スクリプト出力オプション", OK button "OK", the script-name
//    table controls disabled.
// The settings change only on OK; the button "設定" stores the database's
// name-table entry at once and opens the script-name table editor.
#include <QDialog>
#include <QString>

class IConnectionWindow;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TtvRadioGroup;

class TfrmScriptOption : public QDialog {
    Q_OBJECT
public:
    TfrmScriptOption(QWidget *parent, IConnectionWindow *owner);

    // Before a run: true on "開始" with ScriptPath (a folder ending in "/",
    // or with OneScript the file) and NameTable (the box's text).
    static bool ShowWindow(IConnectionWindow *AOwner, QString &ScriptPath, QString &NameTable);
    // The options alone.
    static bool ShowWindow();
    // Registers the launcher actToolScriptOption and the connection window's
    // script options dialog.
    static void RegisterLauncher();

    // The name-table entry of a database ("" when none); setting "" removes it.
    static QString NameTableEntry(const QString &Database);
    static void SetNameTableEntry(const QString &Database, const QString &Value);
    // The path as ControlsToSettings keeps it: with OneScript off trimmed and
    // ending in "/" (an empty text becomes "/"); with it on as typed.
    static QString NormalizePath(const QString &Text, bool OneScript);

    IConnectionWindow *OwnerForm = nullptr;

    QCheckBox *chkOneScript = nullptr;
    QCheckBox *chkDir = nullptr;
    QLabel *lblNameTable = nullptr;
    QComboBox *cmbNameTable = nullptr;
    QPushButton *btnNameTable = nullptr;
    QLineEdit *txtDir = nullptr;
    QToolButton *btnDialog = nullptr;
    QCheckBox *chkSameName = nullptr;
    TtvRadioGroup *rdoOwner = nullptr;
    QCheckBox *chkIndex = nullptr;
    QCheckBox *chkInsert = nullptr;
    TtvRadioGroup *rdoInsert = nullptr;
    QCheckBox *chkStorage = nullptr;
    QCheckBox *chkListViewCol = nullptr;
    QCheckBox *chkGrant = nullptr;
    TtvRadioGroup *rdoGrant = nullptr;
    QCheckBox *chkNullLine = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnHelp = nullptr;

    void SettingsToControls();
    void ControlsToSettings();
    void btnOkClick();
    void btnDialogClick();
    void btnNameTableClick();

private:
    void chkOneScriptClick();
    void cmbNameTableChange();
    void cmbNameTableDropDown();
    QString Database() const;
};
