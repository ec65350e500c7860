#pragma once
// TfrmSQLCatch: the statements the statement-statistics view recorded for
// the database of one connection window — role, database, calls, total time,
// rows and text — narrowed by a search text and a role. A statement opens
// its plan in a new SQL window or the index adviser, or goes to the
// clipboard; "クリア(&D)" resets the view; the list goes to a workbook or
// the clipboard. Opened by ツール → "SQLキャッチ(&T)" (actViewSQLCatch);
// without the view in the public schema no window opens.
#include "tools/tvToolForm.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolButton;
class TListOutput;
class TtvComboBox;
class TtvListView;
class TtvMemo;
class TtvStrEdit;

class TfrmSQLCatch : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmSQLCatch(QObject *AOwner);

    // The frame's opening for a connection window.
    static TfrmSQLCatch *Create(IConnectionWindow *AOwner) { return Open<TfrmSQLCatch>(AOwner); }
    // Registers actViewSQLCatch.
    static void RegisterLauncher();

    // The opening stops, with the message, when the view is missing.
    static void CheckStatStatements(IConnectionWindow *Form);
    // "(全て)" and the names of pg_user (in lower case while UseLowerName is
    // off); UserName selected as written (none when it is not there).
    static void FillUserList(IConnectionWindow *Form, TtvComboBox *Combo, const QString &UserName);
    // The reset with its question and messages; true when it was done.
    static bool ResetStatements(IConnectionWindow *Form);
    // A new SQL window that shows the plan of Statement.
    static void OpenPlan(IConnectionWindow *Form, const QString &Statement);

    void cmbDBNameChange() override;
    void Reload(QObject *Sender) override;
    void LoadStatements(const QString &Search, const QString &User);
    void actSQLClearExecute();
    void actExplanExecute();
    void actIndexAdviserExecute();
    void actSQLCopyExecute();

    QAction *actRefresh = nullptr, *actSQLClear = nullptr, *actFind = nullptr;
    QAction *actExplan = nullptr, *actSQLCopy = nullptr, *actIndexAdviser = nullptr;
    QMenu *mnuSQLCatch = nullptr, *popTrace = nullptr;
    QWidget *pnlFind = nullptr;
    QToolButton *btnFind = nullptr;
    TtvStrEdit *txtFind = nullptr;
    QLabel *lblUser = nullptr;
    TtvComboBox *cmbUser = nullptr;
    QSplitter *splTrace = nullptr;
    TtvListView *lstTrace = nullptr;
    TtvMemo *txtQuery = nullptr;
    TListOutput *Output = nullptr;

protected:
    void PrepareOpen(IConnectionWindow *AOwner) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void lstTraceSelectItem();
    void UpdateActions();
    QString SelectedStatement() const;
};
