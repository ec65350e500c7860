#pragma once
// TfrmView: the definition window of one view (object-type code 47). Its
// definition page shows the comment, the two view options and the columns
// with their comments; its source page the CREATE OR REPLACE VIEW rebuilt
// from the catalog, which the user may edit and run; the data and plan pages
// query the view's rows through the condition grid; the privileges and
// cross-reference pages embed the shared frames.
//
// TfrmViewBase holds what the view and materialized-view windows share: the
// comment and column grid, the data page with its condition panel, the
// privileges and cross-reference pages, the new object's template in the
// editor, and the data-page statement.
#include "objects/other/ViewDefinition.h"
#include "objects/table/frmDefinition.h"
#include "sql/fraData.h"

class QIODevice;
namespace tv::excel {
class Sheet;
}
class QLabel;
class QPushButton;
class QToolButton;
class TfraCross;
class TfraExplan;
class TfraGrant;
class TtvComboBox;
class TtvNumEdit;
class TtvStringGrid;

// The data page's statement from the shown fields, the condition grid rows
// (cells 0..6 of each data row) and the free condition. Sort cells are
// renumbered in Rows.
QString ViewDataSQL(const QString &Schema, const QString &Name, const QStringList &ShowFld,
                    QList<QStringList> &Rows, const QString &FreeCondition);

class TfrmViewBase : public TfrmDefinition, public IDataFrameHost {
    Q_OBJECT
public:
    // The definition as the window shows it now.
    TViewDefinition CurrentDefinition() const;
    const TViewDefinition &LoadedDefinition() const { return FLoaded; }
    // The data page's statement; raises tv::SilentAbort after the message
    // when the row limit is not a whole number of at least 1.
    QString GetDataSQL();

    QWidget *pnlFieldTop;
    TtvStrEdit *txtComment;
    TtvStringGrid *grdColumn;
    QWidget *tabData;
    TfraData *fraData;
    QWidget *pnlWhere;
    QToolButton *btnExec;
    QToolButton *btnField;
    QToolButton *btnWhere;
    QToolButton *btnGrdWhereClear;
    QToolButton *btnExecSQL;
    TtvComboBox *cmbWhere;
    TtvStrEdit *txtRecord;
    TtvStringGrid *grdWhere;
    QWidget *tabGrant;
    TfraGrant *fraGrant;
    QWidget *tabCross;
    TfraCross *fraCross;
    QStringList FShowFld;
    QString CopySchema;
    QString CopyView;

    // Before the first load of an opened window: the row limit (when given)
    // and the object's WHERE history in the condition box.
    void PrepareOpen(const QString &Schema, const QString &ObjectName, int DefTopRecord);
    // The report items of the window menu and the output menu: one per view
    // report definition, in descending order of name.
    void SetReportList();
    // Writes the shown object's report into a file the user picks.
    void ReportClick(const QString &ReportName);

    // IDataFrameHost
    QString RecordCountText() const override;
    IConnectionWindow *HostConnectionWindow() const override { return OwnerForm(); }
    const TtvStringGrid *ColumnGrid() const override { return grdColumn; }

    bool IsCreate() override;
    void GetSourceDrop(QStringList &) override {}

protected:
    TfrmViewBase(IConnectionWindow *AOwner, const TDefinitionKind &Kind, bool Materialized);

    // The part of the load the kinds differ in: options or storage.
    virtual void ShowDefineExtra(const TViewDefinition &) {}
    virtual void SaveExtra() {}
    void ShowDefine() override;
    QWidget *PageForMode(TOpenMode Mode) override;
    QList<QWidget *> PagesOfExisting() override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;
    void txtNameExit(QWidget *Box) override;
    // The prefix of the schema box as the mode wants it.
    QString Prefix() const;
    bool WithColumns() const;
    // Loads the object into FLoaded; the message and tv::SilentAbort when it
    // is gone.
    void LoadDefinition();
    void ShowDataPage();
    void ShowWhere(bool On);

    bool FMaterialized;
    TViewDefinition FLoaded;
    bool FLoading = false;

private:
    void BuildDefinePage();
    void BuildDataPage();
    void FillColumns(const TViewDefinition &Def);
};

class TfrmView : public TfrmViewBase {
    Q_OBJECT
public:
    static const TDefinitionKind &ViewKind();

    // Opens the window of a view (an empty name: a new one); an open twin is
    // brought forward and the call ends with tv::SilentAbort, as it does when
    // the view cannot be read. DefTopRecord > 0 fills the row limit.
    static TfrmView *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                          TOpenMode OpenMode, int DefTopRecord = 0);
    // Writes the CREATE script into Stream without a window (under NewSchema.
    // NewObjectName when both are given); always ends with tv::SilentAbort.
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream, const QString &NewSchema = QString(),
                                       const QString &NewObjectName = QString());
    static bool ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            const QString &NewSchema, const QString &NewObjectName, QStringList &Lines);
    // The report RepName of the view into a new file in Path, or into Sheet,
    // without a window; both end with tv::SilentAbort.
    [[noreturn]] static void GetExcelFile(IConnectionWindow *AOwner, const QString &RepName, const QString &Schema,
                                          const QString &ObjectName, const QString &Path);
    [[noreturn]] static void GetExcelSheet(IConnectionWindow *AOwner, const QString &RepName, const QString &Schema,
                                           const QString &ObjectName, tv::excel::Sheet &Sheet);

    THostKind HostKind() const override { return THostKind::View; }

    QPushButton *btnOptionOpener;
    TtvComboBox *cmbSecurityBarrier;
    TtvComboBox *cmbCheckOption;
    QWidget *tabExplan;
    TfraExplan *fraExplan;
    QAction *actDataGenerate;

    void btnOptionOpenerClick();
    void actDataGenerateExecute();
    void UpdateActions() override;
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override;
    void Compile(QObject *Sender) override;

protected:
    explicit TfrmView(IConnectionWindow *AOwner);
    void ShowDefineExtra(const TViewDefinition &Def) override;
    void SaveExtra() override;
    void ShowDefine() override;
    void BuildCompileList(QStringList &List) override;
    QString DropStatement(bool Cascade) override;
    QList<QWidget *> PagesOfExisting() override;
};
