#pragma once
// TfrmTable: the definition window of a table (object-type code 45). The
// define page holds the comment, the column grid and, below a splitter, the
// dependants tree (constraints, indexes, triggers) from which their own
// windows open, new ones start and existing ones are dropped. Further pages:
// the CREATE TABLE source, storage, row policies, privileges and cross
// reference; "パーティション" is the place of the inheritance frame.
//
// The window reads the table into a plain model (TableDefinition.h) and
// takes the grid's snapshot as loaded; its DDL builders are the model's.
// The table compile and delete are not here yet: the window behaves as in
// the read-only state (no compile, no delete, no question), and the data
// page stays hidden.
#include "objects/table/TableDefinition.h"
#include "objects/table/frmDefinition.h"

class QIODevice;
class QPushButton;
class QSplitter;
class QTreeWidgetItem;
class TfraCross;
class TfraPartition;
class TfraGrant;
class TfraStorage;
class TtvCheckBox;
class TtvListView;
class TtvStringGrid;
class TtvTreeNode;
class TtvTreeView;

class TfrmTable : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &TableKind();

    // Columns of the column grid.
    enum { colKey = 0, colName, colType, colLength, colNotNull, colDefault, colComment, colCount };

    // Opens the window of a table (an empty name: a new table); an open
    // twin is brought forward and the call ends with tv::SilentAbort, as it
    // does when the table cannot be read (after the message).
    static TfrmTable *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           TOpenMode OpenMode, int DefTopRecord = 0);
    // Writes the table's CREATE TABLE and comments into Stream without a
    // window; always ends with tv::SilentAbort (nothing for an unknown table).
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream, const QString &NewSchema = QString(),
                                       const QString &NewObjectName = QString(), bool Index = false);
    static bool ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            QStringList &Lines);

    // Whether a type takes a length ("長さ" can be edited).
    static bool TypeTakesLength(const QString &Type);

    // The table as the controls hold it now, and as it was loaded.
    TTableDefinition CurrentDefinition() const;
    const TTableDefinition &LoadedDefinition() const { return FLoaded; }
    // The TOAST table state of the last load.
    bool ToastTable() const { return FToast; }

    void ShowConstList();
    void ShowPolicy();

    // Define page.
    TtvStrEdit *txtComment;
    QToolBar *tolColumn;
    QAction *actColUp;
    QAction *actColDown;
    QAction *btnColInsert;
    QAction *btnColDelete;
    TtvStringGrid *grdColumn;
    QSplitter *splConst;
    TtvTreeView *lstConst;
    QMenu *popConst;
    QAction *mnuConstOpen;
    QAction *mnuConstDelete;
    QAction *mnuConstNew;
    QAction *actDataGenerate;
    // Further pages.
    QWidget *tabData;
    QWidget *tabStorage;
    TfraStorage *fraStorage;
    QWidget *tabPartition;
    TfraPartition *fraPartition;
    QWidget *tabPolicy;
    TtvCheckBox *chkPolicyEnable;
    TtvListView *lstPolicy;
    TtvListView *lstRole;
    TtvMemo *txtPolicyUsing;
    TtvMemo *txtPolicyCheck;
    QPushButton *btnPolicyOpen;
    QWidget *tabGrant;
    TfraGrant *fraGrant;
    QWidget *tabCross;
    TfraCross *fraCross;

    // Handlers.
    void grdColumnSetEditText(int ACol, int ARow, const QString &Value);
    void grdColumnSelectCell(int ACol, int ARow);
    void grdColumnEditButtonClick();
    void btnColInsertClick();
    void btnColDeleteClick();
    void actColUpExecute();
    void actColDownExecute();
    void popConstPopup();
    void mnuConstOpenClick();
    void mnuConstDeleteClick();
    void mnuConstNewClick();
    void lstPolicySelectItem();
    void btnPolicyOpenClick();
    void actDataGenerateExecute();

    void ChangedIsNew() override;
    void UpdateActions() override;
    void LoadSettings() override;
    void SaveSettings() override;
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override;
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override;

protected:
    TfrmTable(IConnectionWindow *AOwner, int DefTopRecord);

    void ShowDefine() override;
    QString DropStatement(bool Cascade) override;
    QWidget *PageForMode(TOpenMode Mode) override;
    QList<QWidget *> PagesOfExisting() override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;

private:
    void LayoutColumns();
    void BuildDefinePage();
    void BuildPolicyPage();
    void FillGrid(const TTableDefinition &Def);
    void SetRowModified(int ACol, int ARow);
    QStringList UniqueStorage(const QString &ConstName) const;
    TtvTreeNode *SelectedChild() const;

    TTableDefinition FLoaded;
    bool FToast = false;
    QStringList FDataType;
    int FDefTopRecord = 0;
    tv::db::Query *qryTable;
    tv::db::Query *qryAny;
};
