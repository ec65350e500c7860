#pragma once
// TfrmNameTable: the editor of a database's script-name table, the table in
// the user's own database that gives objects their script file names
// (owner, object_name, object_type, script_name). It picks or creates the
// table, fills it with initial rows from the catalogs, shows its rows for
// editing and stores "schema.table" as the database's NameTable entry of
// the script options. Opened modally, only by the button "設定" of the
// script output dialog.
#include "tools/tvToolForm.h"

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QToolButton;
class QWidget;
class TDropDownCombo;
class TfraData;

class TfrmNameTable : public TtvToolForm {
    Q_OBJECT
public:
    enum L_ENM_RELOAD_RESULT { DEFAULT, NONE, SELECT, LAYOUT };

    explicit TfrmNameTable(QObject *AOwner);
    ~TfrmNameTable() override;

    // Opens the editor for AOwner and returns when it has closed.
    static void ShowWindow(IConnectionWindow *AOwner);
    // Runs with every modal editor as it opens (tests drive the window).
    static std::function<void(TfrmNameTable *)> &OnShown();

    // Statements (plain text, testable without a server).
    static QString CreateTableSQL(const QString &Schema, const QString &Name);
    // The INSERT … SELECT of the initial rows; AllObjects drops the schema filter.
    static QString InitialDataSQL(const QString &Schema, const QString &Name, bool AllObjects, bool IsEdb,
                                  int ServerVersion);
    // The table-or-view test with the parameters :SCHEMA and :TBLNM.
    static QString CheckSQL(int ServerVersion);

    void Reload(QObject *Sender) override;
    void cmbDBNameChange() override;
    void btnCommitClick();
    void mnuInstDataClick();

    L_ENM_RELOAD_RESULT L_enmRelRes = DEFAULT;

    TfraData *fraData = nullptr;
    QToolButton *btnCommit = nullptr;
    QMenu *popDataGenerate = nullptr;
    QAction *mnuInstData = nullptr;
    QToolButton *btnExit = nullptr;
    QWidget *pnlName = nullptr;
    TDropDownCombo *cmbSchema = nullptr;
    TDropDownCombo *cmbName = nullptr;
    std::unique_ptr<tv::db::Query> qryCheck;

protected:
    bool WrapsCommandBar() const override { return true; }
    bool FormCloseQuery() override;

private:
    void SetCaptionText();
    void NameTextChanged();
    QString Database() const;
};
