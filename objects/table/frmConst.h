#pragma once
// TfrmConst: the definition window of one table constraint (object-type code
// 66): a primary key, unique key, foreign key, check or exclusion
// constraint, each on its own sheet. A new constraint is added; an existing
// one is dropped and added again in one transaction, carrying MATCH FULL,
// DEFERRABLE, INITIALLY DEFERRED, NOT VALID, NO INHERIT and an exclusion's
// WHERE from its loaded definition. Opened by the dispatcher and the table
// window's dependants tree; GetScript serves script output.
#include "objects/table/ConstraintDefinition.h"
#include "objects/table/frmDefinition.h"

class QIODevice;
class QStackedWidget;
class QToolButton;
class TDropDownComboBox;
class TfraStorage;
class TtvListBox;
class TtvRadioGroup;
class TtvStringGrid;

class TfrmConst : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &ConstKind();

    // Opens the window of a constraint of a table (an empty name: a new one
    // on TableName); an open twin is brought forward and the call ends with
    // tv::SilentAbort, as it does when the constraint cannot be read.
    static TfrmConst *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           const QString &TableName);
    // Writes the constraint's ADD CONSTRAINT into Stream without a window;
    // always ends with tv::SilentAbort (nothing for an unknown constraint).
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream, const QString &TableName);
    static bool ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            const QString &TableName, QStringList &Lines);

    TConstraintDefinition CurrentDefinition() const;
    TConstType ConstType() const;

    // Name panel and type.
    TDropDownComboBox *cmbTableName;
    QWidget *pnlObj;
    TtvComboBox *cmbConstType;
    QStackedWidget *pagType;
    QWidget *tabPrimary;
    QWidget *tabUnique;
    QWidget *tabForeign;
    QWidget *tabCheck;
    QWidget *tabExclude;
    // Primary key and unique.
    QWidget *pnlIndex;
    TtvListBox *lstIdxCol;
    TtvListBox *lstTabCol;
    QToolButton *btnInsAll;
    QToolButton *btnIns;
    QToolButton *btnDel;
    QToolButton *btnDelAll;
    // Foreign key.
    TDropDownComboBox *cmbRefSchema;
    TDropDownComboBox *cmbRefTable;
    TDropDownComboBox *cmbRefIndex;
    TtvRadioGroup *rdoDeleteAction;
    TtvRadioGroup *rdoUpdateAction;
    TtvStringGrid *grdForeign;
    // Check.
    TtvMemo *txtCheck;
    // Exclusion.
    QWidget *pnlExclude;
    TtvComboBox *cmbAccessMethod;
    TtvStringGrid *grdExclude;
    QToolButton *btnGridIns;
    QToolButton *btnGridDel;
    // Storage.
    QWidget *tabStorage;
    TfraStorage *fraStorage;

    // Handlers.
    void cmbConstTypeChange();
    void cmbTableNameDropDown();
    void cmbTableNameExit();
    void cmbRefSchemaDropDown();
    void cmbRefTableDropDown();
    void cmbRefIndexDropDown();
    void cmbRefSchemaExit();
    void btnInsAllClick();
    void btnInsClick();
    void btnDelClick();
    void btnDelAllClick();
    void cmbAccessMethodDropDown();
    void btnGridInsClick();
    void btnGridDelClick();
    void ShowTableColumns();
    void ShowIndexColumns();

    void ChangedIsNew() override;
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &) override {}
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override { return true; }

protected:
    TfrmConst(IConnectionWindow *AOwner, const QString &Schema, const QString &TableName);

    void ShowDefine() override;
    void CheckFields() override;
    void BuildCompileList(QStringList &List) override;
    QString DropStatement(bool Cascade) override;
    bool KeptObject(TKeptObject &Object, unsigned &Parts) const override;
    QWidget *PageForMode(TOpenMode) override { return tabDefine; }
    QList<QWidget *> PagesOfExisting() override { return {}; }
    QWidget *NewObjectFocus() override;
    TtvMemo *CompletionEditor() override { return txtCheck; }
    // The table the constraint is on (the one it was opened for while none is set).
    QString SourceTableName() const override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void BuildDefinePage(const QString &Schema);
    QStringList IndexColumns() const;
    QStringList IndexColumnsOf(const QString &Schema, const QString &Index);
    void FillCombo(TtvComboBox *Box, const QStringList &Items);

    QString FTableName;
    QString FColumnsTable;
    TConstraintDefinition FLoaded;
    bool FLoadedExisting = false;
    int FLoading = 0;
    tv::db::Query *qryConst;
    tv::db::Query *qryAny;
};
