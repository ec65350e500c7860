#pragma once
// The options dialog "オプション": the general options (tvOption), the SQL
// formatter's rules (FormatOption) and the keys of the main window's actions.
// Nothing outside the dialog changes before OK; OK checks the numbers, stores
// every control, gives the actions their keys and makes the open connection
// windows follow the tree order, the find bar and the row selection. Cancel
// leaves everything as it was.
#include "common/FormatOption.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QPlainTextEdit;
class TfrmMain;
class TfrmObject;
class TtvNumEdit;
class TtvRadioGroup;

class TfrmOption : public QDialog {
    Q_OBJECT
public:
    // Runs the dialog modally over `main` (Owner: the current connection
    // window, null when none); true when it was closed with OK.
    static bool ShowWindow(TfrmMain *main, TfrmObject *Owner);
    // Registers the launcher "actToolOption".
    static void RegisterLauncher();

    TfrmOption(TfrmMain *main, TfrmObject *Owner);
    ~TfrmOption() override;

    // The key a key press on an action node gives: 0 when the key is ignored,
    // -1 for Space (clear); otherwise the shortcut integer.
    static int NodeKey(int virtualKey, int shiftState);

    QTabWidget *pgcOption = nullptr;
    QPushButton *btnOk = nullptr, *btnCancel = nullptr, *btnHelp = nullptr;

    // "オブジェクトリスト"
    TtvRadioGroup *rdoSort = nullptr;
    QToolButton *btnTable = nullptr, *btnIndex = nullptr, *btnView = nullptr, *btnProc = nullptr,
                *btnFunc = nullptr, *btnPack = nullptr, *btnType = nullptr, *btnTrigger = nullptr,
                *btnSeq = nullptr, *btnSynonym = nullptr, *btnMView = nullptr, *btnConst = nullptr,
                *btnRule = nullptr, *btnAgrg = nullptr;
    QCheckBox *chkUserFirst = nullptr, *chkData = nullptr, *chkProgress = nullptr, *chkRowSelect = nullptr,
              *chkDelErr = nullptr, *chkFind = nullptr, *chkFindAuto = nullptr;
    // "定義情報"
    QComboBox *cmbOpenMode = nullptr;
    QCheckBox *chkShowDDL = nullptr, *chkShowStorageSource = nullptr, *chkShowColumnSource = nullptr,
              *chkCloseDDL = nullptr, *chkBeforeSource = nullptr, *chkBeforeSrcDialog = nullptr,
              *chkBeforeSrcRenum = nullptr, *chkBeforeSrcHead = nullptr, *chkAfterSource = nullptr,
              *chkAfterSrcDialog = nullptr, *chkAfterSrcRenum = nullptr, *chkAfterSrcHead = nullptr,
              *chkBackupData = nullptr, *chkDefaultAutoQuote = nullptr;
    QLineEdit *txtBeforeSource = nullptr, *txtAfterSource = nullptr;
    QToolButton *btnBeforeSource = nullptr, *btnAfterSource = nullptr;
    QLabel *lblBeforeSource = nullptr, *lblAfterSource = nullptr;
    // "SQL実行"
    QListWidget *lstDiagramFontName = nullptr, *lstGridFontName = nullptr, *lstDataFontName = nullptr;
    TtvNumEdit *txtDiagramFontSize = nullptr, *txtGridFontSize = nullptr, *txtDataFontSize = nullptr;
    QLabel *lblDiagramSample = nullptr, *lblGridSample = nullptr, *lblDataSample = nullptr;
    TtvNumEdit *txtSQLBuf = nullptr;
    QCheckBox *chkUsePartial = nullptr;
    // "データ"
    TtvRadioGroup *rdoDataShowMode = nullptr;
    TtvNumEdit *txtDataColWidthH = nullptr, *txtDataColWidthV = nullptr, *txtDefTopRecord = nullptr;
    QCheckBox *chkShowWhereGrid = nullptr, *chkWhereAutoQuote = nullptr, *chkUpdateMode = nullptr,
              *chkAddStripe = nullptr;
    QComboBox *cmbDateFormat = nullptr, *cmbTimeFormat = nullptr;
    // "整形出力"
    TtvNumEdit *txtIndent = nullptr;
    TtvRadioGroup *rdoItemReturn = nullptr, *rdoReserveTran = nullptr, *rdoItemTran = nullptr,
                  *rdoCommaPos = nullptr, *rdoAndPos = nullptr, *rdoReservePos = nullptr;
    QPlainTextEdit *txtFormat = nullptr;
    // "キー操作"
    QTreeWidget *lstShortCut = nullptr;
    // "外部出力"
    QLineEdit *txtExcelDir = nullptr, *txtFormMatrix = nullptr, *txtFormSQL = nullptr, *txtFileDir = nullptr;
    QToolButton *btnExcelDir = nullptr, *btnFormMatrix = nullptr, *btnFormSQL = nullptr, *btnFileDir = nullptr;
    TtvRadioGroup *rdoExcel = nullptr, *rdoExcelTitle = nullptr, *rdoPasteColumn = nullptr,
                  *rdoPasteTitle = nullptr;
    QCheckBox *chkExcelDialog = nullptr, *chkExcelRefresh = nullptr, *chkPasteDialog = nullptr;
    TtvNumEdit *txtMatrixRow = nullptr, *txtMatrixCol = nullptr, *txtSQLTop = nullptr;
    QComboBox *cmbSQLLeft = nullptr, *cmbEncoding = nullptr;
    // "詳細設定"
    TtvNumEdit *txtCrossLevel = nullptr, *txtDataGenCommit = nullptr;
    QLineEdit *txtTempDir = nullptr;
    QToolButton *btnTempDir = nullptr;
    QCheckBox *chkUseUpperName = nullptr, *chkCodeAssist = nullptr, *chkUpdateToCommit = nullptr;

    QString SampleSQL;
    int PreIndent = -1;

    void btnOkClick();
    void FormatChange();
    void txtIndentChange();
    void chkFindClick();
    void chkBeforeSourceClick();
    void chkAfterSourceClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildForm();
    QWidget *BuildListPage();
    QWidget *BuildDefinePage();
    QWidget *BuildSQLPage();
    QWidget *BuildDataPage();
    QWidget *BuildFormatPage();
    QWidget *BuildKeyPage();
    QWidget *BuildOutputPage();
    QWidget *BuildDetailPage();
    void SettingsToControls();
    void ControlsToSettings();
    void AddShortCutNode(QTreeWidgetItem *group, const char *actionName);
    bool lstShortCutKey(QKeyEvent *key);
    void FontSizeExit(TtvNumEdit *size, QLabel *sample);
    void SelectFolder(QLineEdit *edit, const QString &prompt);
    void SelectFormFile(QLineEdit *edit);
    // Shows a check's page and message and focuses its field.
    bool Fail(QWidget *field, const QString &page, const QString &message);
    void FillFormatOption(TFormatOption &o) const;

    TfrmMain *FMain;
    TfrmObject *FOwner;
    TFormatOption FSavedFormat;
};
