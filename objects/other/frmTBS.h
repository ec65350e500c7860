#pragma once
// TfrmTBS: the definition window of one tablespace (object-type code 69).
// Its definition page holds the owner, the location, two planner costs and
// the CREATE privilege of the group roles; the contents page lists the
// relations of the connected database stored in it, with their sizes, and
// opens, drops or moves them. Its DDL runs through the execution dialog
// without a transaction of its own: while the main connection is inside a
// block, on a side connection. A change of location re-creates the
// tablespace.
#include "objects/other/TablespaceDefinition.h"
#include "objects/table/frmDefinition.h"

#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;
class QToolButton;
class TDropDownComboBox;
class TtvCheckListBox;
class TtvListView;

// What the move dialog returns.
struct TTablespaceMove {
    QString Target;
    bool Table = false;
    bool Index = false;
    bool MView = false;
    QString Owners;
};

class TfrmTBS : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &TbsKind();

    // Opens the window of a tablespace (an empty name: a new one); an open
    // twin is brought forward and the call ends with tv::SilentAbort, as it
    // does when the tablespace cannot be read.
    static TfrmTBS *Open(IConnectionWindow *AOwner, const QString &ObjectName, TOpenMode OpenMode);
    // Writes the CREATE TABLESPACE (and its options) into Stream without a
    // window; always ends with tv::SilentAbort.
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &ObjectName, QIODevice &Stream);
    static bool ScriptLines(IConnectionWindow *AOwner, const QString &ObjectName, QStringList &Lines);

    TTablespaceDefinition CurrentDefinition() const;
    // The value cell of an option row (0 random_page_cost, 1 seq_page_cost).
    QString OptionValue(int Row) const;

    TDropDownComboBox *cmbOwner;
    TtvStrEdit *txtDir;
    QToolButton *btnDir;
    QTableWidget *grdTbsOption;
    TtvCheckListBox *chkRole;
    QWidget *tabContents;
    TtvListView *lstObject;
    QLabel *lblAllUseSize;
    QLabel *lblSelfUseSize;
    QPushButton *btnMoveTBS;
    QAction *actOpenObject;
    QAction *actDelObject;
    QAction *actMoveTBS;

    // The move dialog; 1 with OK (Move filled), 2 otherwise.
    int ShowMoveDialog(TTablespaceMove &Move);

    void ShowContents();
    void ShowRoleList();
    bool IsSuperUser();
    void actOpenObjectExecute();
    void actDelObjectExecute();
    void actMoveTBSExecute();
    void btnDirClick();
    void DeleteTablespace();

    void Compile(QObject *Sender) override;
    void UpdateActions() override;
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override;
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override;

protected:
    explicit TfrmTBS(IConnectionWindow *AOwner);

    void ShowDefine() override;
    QString DropStatement(bool Cascade) override;
    QList<QWidget *> PagesOfExisting() override { return {tabSource, tabContents}; }

private:
    void BuildDefinePage();
    void BuildContentsPage();
    void FillOwners();
    void SetOption(int Row, const QString &Value);
    void RunDDL(QStringList &List);
    bool eventFilter(QObject *o, QEvent *e) override;

    bool FLoading = false;
    QString L_sGrdOldValue;
    TTablespaceDefinition FLoaded;
    // Whether a tablespace of that name exists.
    bool TablespaceExists(const QString &Name);
    // Before the drop of a re-create: the name the compile List creates is
    // free, and its location (when it changes) is an empty directory, as
    // far as the session may look, and one the server's account can take;
    // else the user is told and the compile ends (tv::SilentAbort).
    // The server's account must be able to take the location: its owner
    // and rights are tried by making a tablespace there and dropping it.
    // A refusal goes to Refuse with the server's message.
    void CheckRecreate(const QStringList &List);
    void CheckLocationUsable(const QString &Location, const std::function<void(const QString &)> &Refuse);
    tv::db::Query *qryTBS;
    tv::db::Query *qryContents;
    tv::db::Query *qryRole;
};
