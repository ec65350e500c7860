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
// Its compile alters the table where ALTER TABLE can, else rebuilds it in
// one transaction (TableRebuild.h): the rows, the dependants and the grants
// come back, and a failure anywhere leaves the table as it was.
#include "objects/table/TableDefinition.h"
#include "objects/table/frmDefinition.h"
#include "sql/fraData.h"

#include <functional>

class QIODevice;
class QPushButton;
class QSplitter;
class QTreeWidgetItem;
class QLabel;
class TfraCross;
class TtvComboBox;
class TtvNumEdit;
class TfraPartition;
class TfraGrant;
class TfraStorage;
class TtvCheckBox;
class TtvListView;
class TtvStringGrid;
class TtvTreeNode;
class TtvTreeView;

class TfrmTable : public TfrmDefinition, public IDataFrameHost {
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
    // window, as a copy under NewSchema.NewObjectName when both are given
    // (Index: the copy keeps its unique constraints' names); then, by the
    // script options, its rows as INSERT statements (into Stream or a data
    // file) and its indexes. Always ends with tv::SilentAbort (nothing for
    // an unknown table).
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream, const QString &NewSchema = QString(),
                                       const QString &NewObjectName = QString(), bool Index = false);
    // Writes a table report of a report definition into a new workbook at
    // Path; the report layer registers it at program start. Without one the
    // menu "TABLE(&O)" offers no report items.
    using TReportWriter = std::function<void(IConnectionWindow *AOwner, const QString &ReportName,
                                             const QString &Schema, const QString &ObjectName, const QString &Path)>;
    static void RegisterReportWriter(TReportWriter Writer);
    // The table reports as items of "TABLE(&O)" and the output drop-down.
    void SetReportList();
    void ReportClick(const QString &ReportName);

    // AfterRows, when given, takes the statements that belong after the
    // table's rows (NOT VALID constraints); else they follow in Lines.
    // Lines end with the table's column settings and replica identity;
    // AfterIndexes, when given, takes the replica identity and CLUSTER
    // mark that name an index the script makes (a key's, or any of the
    // table's while the script option Index is on), to run once the
    // indexes exist.
    static bool ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            QStringList &Lines, const QString &NewSchema = QString(),
                            const QString &NewObjectName = QString(), bool Index = true,
                            QStringList *AfterRows = nullptr, QStringList *AfterIndexes = nullptr);

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
    // Further pages. The data page: the condition panel above the result frame.
    QWidget *tabData;
    QWidget *pnlWhere;
    QToolBar *tolField;
    QAction *btnExec;
    QAction *btnField;
    QAction *btnWhere;
    QAction *btnGrdWhereClear;
    QAction *btnExecSQL;
    QWidget *pnlWhere3;
    TtvComboBox *cmbWhere;
    QLabel *lblRecord;
    TtvNumEdit *txtRecord;
    TtvStringGrid *grdWhere;
    TfraData *fraData;
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
    void btnFieldClick();
    void btnWhereClick();
    void btnGrdWhereClearClick();
    void btnExecSQLClick();

    // The data page's statement from the shown fields, the condition grid
    // and the free condition (the sort cells renumbered, the history
    // updated); tv::SilentAbort after the message when the row limit is bad.
    QString GetDataSQL();
    const QStringList &ShowFields() const { return FShowFld; }

    // IDataFrameHost
    THostKind HostKind() const override { return THostKind::Table; }
    QString RecordCountText() const override;
    IConnectionWindow *HostConnectionWindow() const override;
    const TtvStringGrid *ColumnGrid() const override { return grdColumn; }

    void ChangedIsNew() override;
    void Compile(QObject *Sender) override;
    void UpdateActions() override;
    void LoadSettings() override;
    void SaveSettings() override;
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override;
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override;

protected:
    TfrmTable(IConnectionWindow *AOwner, int DefTopRecord);

    void CheckFields() override;

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
    // The compile's list of statements; for a rebuild also the backup
    // table's name (empty: no backup).
    void BuildTableCompileList(QStringList &List, bool &Rebuild, QString &BackupName);
    // A column's name in the grid by its attnum as loaded; empty when removed.
    QString NewColumnName(int AttNum) const;
    void QuoteDefaults();
    void BuildDataPage();
    // The condition grid anew from the loaded columns (typed cells kept by
    // column name) and the shown fields; then the statement runs.
    void FillWhereGrid();
    void ShowData();

    TTableDefinition FLoaded;
    // Where the compile wants the statements that follow the rows.
    QStringList *FAfterRows = nullptr;
    bool FToast = false;
    QStringList FDataType;
    int FDefTopRecord = 0;
    QStringList FShowFld;
    bool FHistoryLoaded = false;
    tv::db::Query *qryTable;
    tv::db::Query *qryAny;
};
