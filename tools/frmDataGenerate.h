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

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QWidget;
class TDataGenRandom;
class TDropDownCombo;
class TtvMemo;

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
    QTreeWidget *lstColumn = nullptr;
    TtvMemo *txtLog = nullptr;

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

    TDataGenJob FJob;
    std::unique_ptr<TDataGenRandom> FRandom;
    bool FChanging = false;
    bool FRunning = false;
};
