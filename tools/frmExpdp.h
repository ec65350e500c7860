#pragma once
// TfrmExpdp: the front end of another database product's data-pump export
// tool. It collects the export's settings, writes them as "EXPDP.PRM" into
// the work folder and runs the tool with the connect text and that file,
// live with its output on "結果ログ" or in the background. Its object lists
// read that product's catalog views, which a PostgreSQL server does not
// have: each read runs under a statement savepoint, so its failure leaves
// the user's transaction as it was, and shows the server's error.
//
// No menu item, tool button or shortcut opens it: the main window's opener
// is the launcher "DataPumpExport" (mode 1, the connection's user chosen).
#include "tools/DataPumpFiles.h"
#include "tools/frmDataPump.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QTabWidget;
class QToolButton;
class QWidget;
class TtvComboBox;
class TtvMemo;
class TtvRadioGroup;
class TtvStrEdit;

// Statements on the connection window's main connection whose failure must
// not spoil an open transaction block: the first column of every row.
QStringList DataPumpCatalogColumn(IConnectionWindow *Form, const QString &SQLText);
// "エクスポート DataPump - " or "インポート DataPump - " + user + " @ " + database.
QString DataPumpCaption(const QString &Title, IConnectionWindow *Form);
// Fills a directory box: the names of DBA_DIRECTORIES, the first selected,
// or the first that contains Wanted when it is not empty.
void FillDataPumpDirectories(TtvComboBox *Combo, IConnectionWindow *Form, const QString &Wanted);
// The path of a directory object (with "\" appended unless it ends in "\" or
// "/"); empty when there is none or the read fails.
QString DataPumpDirectoryPath(IConnectionWindow *Form, const QString &DirObj);
// Runs a built command into the log memo, or starts it in the background,
// and reports as the windows do. Title: "エクスポート" or "インポート".
void RunDataPump(const TDataPumpCommand &Command, bool Background, const QString &NlsLang, TtvMemo *Log,
                 const QString &LogFile, const QString &Title);

class TfrmExpdp : public TfrmDataPump {
    Q_OBJECT
public:
    explicit TfrmExpdp(QObject *AOwner);

    // Opens the window for AOwner in the mode given, Item holding the
    // initially chosen objects one a line; an open twin is brought forward.
    static TfrmExpdp *ShowWindow(IConnectionWindow *AOwner, int Mode, const QString &Item);
    // Registers the launcher "DataPumpExport".
    static void RegisterLauncher();

    void cmbDBNameChange() override;
    void rdoModeClick();
    void chkLogClick() override;
    void FindExpdpProgram();
    void btnExecClick() override;
    void RunExport();
    // The choices as the parameter file takes them.
    TDataPumpChoices Choices() const;
    // The command RunExport starts.
    TDataPumpCommand Command() const override;

    QTabWidget *pagExpdp = nullptr;
    TtvStrEdit *txtExpdpFile = nullptr;
    TtvComboBox *cmbExpdpDirObj = nullptr;
    QListWidget *lstSelect = nullptr, *lstAll = nullptr;
    QToolButton *btnInsAll = nullptr, *btnIns = nullptr, *btnDel = nullptr, *btnDelAll = nullptr;
    TtvStrEdit *txtExpdpPgm = nullptr;
    QToolButton *btnExpdpPgm = nullptr;
    TtvComboBox *cmbExpdpLogDirObj = nullptr;
    QString ImpdpFilePath;

    void LoadSettings() override;

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void Opening(int Mode, const QString &Item);
};

// Moves the selected (or all) entries of one sorted list to another.
void MoveListItems(QListWidget *From, QListWidget *To, bool All);
