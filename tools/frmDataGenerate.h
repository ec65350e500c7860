#pragma once
// TfrmDataGenerate: the test-data generator's window for one table. The
// user picks the mode (new rows, rows per parent row, UPDATE of chosen
// rows) with its counts, parent table or WHERE text, sees the rule of every
// column in the column list and presses "実行(&E)": the window checks the
// input, asks, writes DATAGEN/<table>.prm and runs, with the log on
// " 結果". Opened by the launcher "TfrmDataGenerate" (the "生成(&W)" of the
// table and view windows) with the table in the launch context.
#include "tools/DataGenRule.h"
#include "tools/tvToolForm.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QTimeEdit;
class QTreeWidget;
class QWidget;
class TDataGenRandom;
class TDropDownCombo;
class TfraData;
class TtvScrollBox;
class TtvMemo;
class TtvStringGrid;

class TfrmDataGenerate : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmDataGenerate(QObject *AOwner);
    ~TfrmDataGenerate() override;

    // Opens a window for the table Schema.ObjectName of AOwner: reads the
    // table (a failing read frees the window and raises), then offers the
    // last settings of DATAGEN/<table>.prm or sets the default rules.
    static TfrmDataGenerate *ShowWindow(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName);
    // Registers the launcher "TfrmDataGenerate".
    static void RegisterLauncher();

    TDataGenJob &Job() { return FJob; }
    // The random source of the runs (tests pass a seeded one).
    void SetRandom(std::unique_ptr<TDataGenRandom> Random);

    // The mode radios' handler: enabling, and in the normal mode the parent
    // values lose their rule.
    void rdoNormalClick();
    void btnExecClick();
    // The test run on a scratch table (at most 100 rows, shown in fraData).
    void btnTestClick();

    // The selected row's rule into the controls, and back.
    void ShowRule();
    void StoreRule();
    // The kind list's handler: the rule page and the enabling of its controls.
    void cmbSetTypeSelect();
    void lstColumnSelectItem();
    // The index of the selected column row; -1 without one.
    int SelectedRow() const;
    // The controls' settings into the job (mode, counts, parent, WHERE).
    void StoreSettings();
    // The job's settings into the controls.
    void ShowSettings();
    // The column list from the rules.
    void ShowRows();

    QAction *btnExec = nullptr;
    QLineEdit *cmbSchema = nullptr;
    QLineEdit *txtName = nullptr;
    QTabWidget *pagGenerate = nullptr;
    QWidget *tabOption = nullptr;
    QWidget *tabLog = nullptr;
    QRadioButton *rdoNormal = nullptr;
    QRadioButton *rdoMaster = nullptr;
    QRadioButton *rdoUpdate = nullptr;
    QLabel *lblCount = nullptr;
    QLineEdit *txtCount = nullptr;
    QLabel *lblMaster = nullptr;
    TDropDownCombo *cmbMasterSchema = nullptr;
    TDropDownCombo *cmbMasterTable = nullptr;
    QLabel *lblCountFrom = nullptr;
    QLineEdit *txtCountFrom = nullptr;
    QLineEdit *txtCountTo = nullptr;
    QLabel *lblWhere = nullptr;
    QPlainTextEdit *txtWhere = nullptr;
    // The mode group's box.
    TtvScrollBox *sbxMode = nullptr;
    QTreeWidget *lstColumn = nullptr;
    TtvMemo *txtLog = nullptr;
    TfraData *fraData = nullptr;
    QAction *btnTest = nullptr;

    // The rule panel, in its box.
    TtvScrollBox *sbxRule = nullptr;
    QLabel *lblSetType = nullptr;
    QComboBox *cmbSetType = nullptr;
    QLabel *lblNull = nullptr;
    QLineEdit *txtNull = nullptr;
    QSpinBox *updNull = nullptr;
    QStackedWidget *pagSetType = nullptr;
    QWidget *tabNone = nullptr;
    QWidget *tabNumber = nullptr;
    QLineEdit *txtNumFrom = nullptr;
    QLineEdit *txtNumTo = nullptr;
    QLabel *lblMarume = nullptr;
    QLineEdit *txtMarume = nullptr;
    QCheckBox *chkZeros = nullptr;
    QCheckBox *chkPrefix = nullptr;
    QLineEdit *txtPrefix = nullptr;
    QWidget *tabVariable = nullptr;
    TtvMemo *txtVariable = nullptr;
    QWidget *tabMasterColumn = nullptr;
    QComboBox *cmbColumn = nullptr;
    QWidget *tabStr = nullptr;
    QComboBox *cmbStrType = nullptr;
    QLabel *lblStrDigit = nullptr;
    QLineEdit *txtStrDigit = nullptr;
    QCheckBox *chkStrFull = nullptr;
    QWidget *tabDate = nullptr;
    QDateEdit *dtpFromDate = nullptr;
    QDateEdit *dtpToDate = nullptr;
    QWidget *tabTime = nullptr;
    QTimeEdit *dtpFromTime = nullptr;
    QTimeEdit *dtpToTime = nullptr;
    QWidget *tabDtTm = nullptr;
    QDateEdit *dtpFromDt = nullptr;
    QTimeEdit *dtpFromTm = nullptr;
    QDateEdit *dtpToDt = nullptr;
    QTimeEdit *dtpToTm = nullptr;
    QWidget *tabTemplate = nullptr;
    QComboBox *cmbTemplate1 = nullptr;
    QComboBox *cmbTemplate2 = nullptr;
    QLineEdit *txtTemplateSep = nullptr;
    QWidget *tabIn = nullptr;
    TtvStringGrid *grdIn = nullptr;
    QWidget *tabLinkColumn = nullptr;
    TDropDownCombo *cmbLinkOwner = nullptr;
    TDropDownCombo *cmbLinkTable = nullptr;
    TDropDownCombo *cmbLinkColumn = nullptr;

    // Whether a run is going on (the window then refuses to close and to
    // start another run).
    bool Running() const { return FRunning; }

protected:
    bool FormCloseQuery() override { return !FRunning; }

private:
    void Opening(const QString &Schema, const QString &ObjectName);
    void ShowColumns();
    void LoadParamFile();
    void ReadMasterColumns();
    void Log(const QString &Line);
    void Fail(const QString &Message, const QString &Control, int Row);
    void BuildRulePanel(QWidget *Parent);
    // The shared change handler of the rule controls.
    void RuleChanged();
    // Visibility of the maximum length, the full-length box and the prefix.
    void StringControls();
    // Starts a run or a test: the window stays busy until the returned guard ends.
    void SetBusy(bool Busy);

    TDataGenJob FJob;
    std::unique_ptr<TDataGenRandom> FRandom;
    bool FChanging = false;
    bool FRunning = false;
    // While a run or a test run goes: the window busy (tool bar and options
    // disabled), restored with the main window's default message at the end.
    struct TRunScope {
        explicit TRunScope(TfrmDataGenerate *Window);
        ~TRunScope();
        TfrmDataGenerate *w;
    };
};
