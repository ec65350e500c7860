#pragma once
// TfrmSQLCRUD: the table-access matrix. For the tables and materialized
// views ticked in one schema, each recorded statement of the connection's
// database (optionally of one role) that names a table gives a row marking
// insert (C), select (R), update (U) and delete (D). The matrix is built on
// "表示(&V)" only. Opened by ツール → "テーブルアクセス表(&A)"
// (actViewSQLCRUD); without the statement-statistics view no window opens.
#include "tools/tvToolForm.h"

class QAction;
class QListWidget;
class QMenu;
class QSplitter;
class TListOutput;
class TtvComboBox;
class TtvListView;
class TtvMemo;

class TfrmSQLCRUD : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmSQLCRUD(QObject *AOwner);

    static TfrmSQLCRUD *Create(IConnectionWindow *AOwner) { return Open<TfrmSQLCRUD>(AOwner); }
    // Registers actViewSQLCRUD.
    static void RegisterLauncher();

    // The connection's current schema; empty on any error.
    QString GetCurrentSchema();
    void cmbDBNameChange() override;
    void cmbSchemaSelect();
    // "表示(&V)": BuildMatrix.
    void Reload(QObject *Sender) override;
    void BuildMatrix();
    void actSQLClearExecute();
    void actExplanExecute();
    void actSQLCopyExecute();

    // The tables ticked, in the list's order ("*" ticked: all).
    QStringList TickedTables() const;

    QAction *actRefresh = nullptr, *actSQLClear = nullptr, *actExplan = nullptr, *actSQLCopy = nullptr;
    QMenu *mnuSQLCRUD = nullptr, *popCRUD = nullptr;
    TtvComboBox *cmbUser = nullptr;
    TtvComboBox *cmbSchema = nullptr;
    QListWidget *lstTable = nullptr;
    QSplitter *splCRUD = nullptr, *splQuery = nullptr;
    TtvListView *lstCRUD = nullptr;
    TtvMemo *txtQuery = nullptr;
    TListOutput *Output = nullptr;

protected:
    void PrepareOpen(IConnectionWindow *AOwner) override;

private:
    void lstCRUDSelectItem();
    void UpdateActions();
    QString SelectedStatement() const;
};
