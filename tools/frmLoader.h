#pragma once
// TfrmLoader: moves table data between a database and files of the server
// with COPY. "DB→ファイル" unloads tables, columns of one table or a query
// into files of a server folder; "ファイル→DB" loads one server file into a
// table or chosen columns of it. The statements go to the execution dialog,
// which runs them on the main session in its current transaction. Opened by
// 管理 → "ロード(&O)" (actAdminLoad) and by the object list's "ロード(&L)"
// with its selected tables preselected.
#include "tools/tvToolForm.h"

#include <QPair>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QStackedWidget;
class QTabWidget;
class QToolButton;
class TtvComboBox;
class TtvListView;
class TtvMemo;
class TtvRadioGroup;
class TtvStrEdit;
namespace tv::db {
class Query;
}

class TfrmLoader : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmLoader(QObject *AOwner);
    ~TfrmLoader() override;

    // Opens the window for AOwner; Schema and Table hold one name a line,
    // the tables to unload preselected. An open twin comes forward.
    static TfrmLoader *ShowWindow(IConnectionWindow *AOwner, const QString &Schema, const QString &Table);
    static void RegisterLauncher();

    void cmbDBNameChange() override;
    void ResetForConnection();
    void LoadTableList();
    // Unload (true) or load page.
    void LoadColumnList(bool Unload);
    void rdoOutputClick();
    void rdoInputClick();
    void btnExecClick();
    // The statements the pages would run now (after the input checks).
    QStringList UnloadScript();
    QStringList LoadScript();

    QAction *btnExec = nullptr;
    QTabWidget *pagLoader = nullptr;
    QWidget *tabUnload = nullptr, *tabLoad = nullptr;
    // DB→ファイル
    TtvStrEdit *txtSaveDir = nullptr;
    QToolButton *btnExpFile = nullptr;
    TtvRadioGroup *rdoOutput = nullptr;
    QGroupBox *grpColumnTo = nullptr;
    TtvComboBox *cmbSchemaTo = nullptr, *cmbTableTo = nullptr;
    QStackedWidget *pagOutput = nullptr;
    TtvListView *lstSelectTo = nullptr, *lstAllTo = nullptr;
    QToolButton *btnInsAll = nullptr, *btnIns = nullptr, *btnDel = nullptr, *btnDelAll = nullptr;
    TtvMemo *txtQuery = nullptr;
    TtvRadioGroup *rdoFormatTo = nullptr;
    QLabel *lblEncodingTo = nullptr;
    TtvComboBox *cmbEncodingTo = nullptr;
    TtvStrEdit *txtDelimiterTo = nullptr, *txtNullTo = nullptr;
    QCheckBox *chkOidTo = nullptr;
    QGroupBox *grpCSVTo = nullptr;
    QCheckBox *chkHeaderTo = nullptr, *chkForceQuote = nullptr;
    TtvStrEdit *txtQuoteTo = nullptr, *txtEscapeTo = nullptr;
    // ファイル→DB
    TtvStrEdit *txtDataFile = nullptr;
    QToolButton *btnDataFile = nullptr;
    TtvRadioGroup *rdoInput = nullptr;
    QGroupBox *grpColumnFrom = nullptr;
    TtvComboBox *cmbSchemaFrom = nullptr, *cmbTableFrom = nullptr;
    QWidget *pagInput = nullptr;
    TtvListView *lstSelectFrom = nullptr, *lstAllFrom = nullptr;
    QToolButton *btnInsAllFrom = nullptr, *btnInsFrom = nullptr, *btnDelFrom = nullptr, *btnDelAllFrom = nullptr;
    TtvRadioGroup *rdoFormatFrom = nullptr;
    QLabel *lblEncodingFrom = nullptr;
    TtvComboBox *cmbEncodingFrom = nullptr;
    TtvStrEdit *txtDelimiterFrom = nullptr, *txtNullFrom = nullptr;
    QCheckBox *chkOidFrom = nullptr;
    QGroupBox *grpCSVFrom = nullptr;
    QCheckBox *chkHeaderFrom = nullptr, *chkForceNotNull = nullptr;
    TtvStrEdit *txtQuoteFrom = nullptr, *txtEscapeFrom = nullptr;

protected:
    void CodeAssist(int X, int Y) override;

private:
    void Opening(const QString &Schema, const QString &Table);
    void ShowOptions();
    void SetTableColumns(TtvListView *List);
    void SetColumnColumns(TtvListView *List);
    QStringList ReadColumns(const QString &Schema, const QString &Table);
    void Fail(const QString &Text, QWidget *Page, QWidget *Focus);
    bool CheckSingleByte(TtvStrEdit *Edit, const QString &Text, QWidget *Page);
    // Runs the script in the execution dialog until the dialog is closed:
    // the number of failed statements, -1 when the run was stopped.
    int RunScript(QStringList Script);
    void ExecuteUnload();
    void ExecuteLoad();
    bool FOpened = false;
    tv::db::Query *qrySQL = nullptr;
};
