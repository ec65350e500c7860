#pragma once
// TfrmIndexAdviser: the index adviser. The user types or recalls a SELECT,
// UPDATE or DELETE; "解析(&E)" saves it into the SQL history, explains it
// with the values of the bind grid (in a block that is rolled back), lists
// every table's indexes as used or unused by the plan and proposes indexes
// per table and OR group. A proposal can be tested against the real plan
// ("テスト", the index exists only inside a rolled-back block), created
// ("作成", through the DDL preview and the execution dialog) or renamed; an
// existing index can be opened or dropped.
//
// Opened by ツール → "インデックスアドバイザ(&I)" (actToolIndexAdviser) for
// the current connection, any number of times; the SQL capture window opens
// one with a statement and runs it at once (OpenWithStatement, also the
// launcher "actIndexAdviser" with the statement as its argument).
#include "monitor/IndexCandidates.h"
#include "tools/tvToolForm.h"

#include <QStringList>

class QAction;
class QMenu;
class QSplitter;
class QToolButton;
class TtvMemo;
class TtvNumEdit;
class TtvStringGrid;
class TtvTreeNode;
class TtvTreeView;
namespace tv::db {
class Params;
class Query;
} // namespace tv::db

class TfrmIndexAdviser : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmIndexAdviser(QObject *AOwner);
    ~TfrmIndexAdviser() override;

    // A new adviser for AOwner; null without a connection window.
    static TfrmIndexAdviser *Create(IConnectionWindow *AOwner);
    // A new adviser for AOwner with Statement in its editor, analysed at
    // once (a failing run shows its message; the window stays open).
    static TfrmIndexAdviser *OpenWithStatement(IConnectionWindow *AOwner, const QString &Statement);
    // Registers actToolIndexAdviser and actIndexAdviser.
    static void RegisterLauncher();

    // The analysis run; ends with tv::SilentAbort where the user must act
    // first (limit field, bind values, unparsable statement).
    void actExecExecute();
    bool actExecEnabled() const;
    void actPrevExecute();
    void actNextExecute();
    void actLogExecute();
    // The cost test of the selected proposal.
    void actTestExecute();
    void actCreateExecute();
    void actNameChangeExecute();
    // Whether create, test and rename apply now (focus and selection).
    bool actCreateEnabled() const;
    void UpdateActions();

    void popIndexPopup();
    void popNewIndexPopup();
    void mnuIndexOpenClick();
    void mnuIndexDeleteClick();
    void txtColCountChange();

    // Fills or checks the bind grid for Params and copies its values into
    // them; ends with tv::SilentAbort (status message) when values are due.
    void CheckBind(tv::db::Params &Params);

    void cmbDBNameChange() override;
    void DBChange(QObject *Sender) override;
    void LoadSettings() override;
    void SaveSettings() override;
    void CodeAssist(int X, int Y) override;

    // The kind-2 text of a connection window (user @ db/host:port:schema).
    static QString ConnectionText2(IConnectionWindow *Form);

    int FLog = -1;
    QStringList L_tstrTypLst;

    // Components.
    QAction *actExec = nullptr, *actPrev = nullptr, *actNext = nullptr, *actLog = nullptr;
    QAction *actCreate = nullptr, *actTest = nullptr, *actNameChange = nullptr;
    QToolButton *btnExec = nullptr, *btnPrev = nullptr, *btnNext = nullptr, *btnLog = nullptr, *btnExit = nullptr;
    TtvNumEdit *txtColCount = nullptr;
    QSplitter *splMain = nullptr;
    QWidget *pnlSQL = nullptr;
    QSplitter *splParam = nullptr;
    TtvMemo *txtSQL = nullptr;
    TtvStringGrid *grdParam = nullptr;
    QWidget *pnlIndex = nullptr;
    TtvTreeView *lstIndex = nullptr;
    QMenu *popIndex = nullptr;
    QAction *mnuIndexOpen = nullptr, *mnuIndexDelete = nullptr;
    QWidget *pnlNewIndex = nullptr;
    TtvTreeView *lstNewIndex = nullptr;
    QMenu *popNewIndex = nullptr;
    QWidget *pnlButton = nullptr;
    QToolButton *btnCreate = nullptr, *btnTest = nullptr;
    tv::db::Query *qrySQL = nullptr;
    tv::db::Query *qryTest = nullptr;

protected:
    bool WrapsCommandBar() const override { return true; }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The statement the plan, the test and the parse work on: the selection,
    // else the whole text, without comments and cut at its first ";".
    QString StatementText() const;
    void LoadLogEntry();
    void ClearEditor();
    void RelabelDBName();
    void FillIndexList(const std::vector<monitor::TtvExistingTable> &Existing);
    void FillProposalList(const std::vector<monitor::TtvProposalTable> &Proposals);
    // The selected index node (level 1, not the placeholder); null otherwise.
    TtvTreeNode *SelectedIndex() const;
    // The selected proposal still to create; null otherwise.
    TtvTreeNode *SelectedProposal() const;
    // Copies the bind values into a query of the same statement.
    void BindInto(tv::db::Query &Query) const;
    void SetStatus(const QString &Text);
};
