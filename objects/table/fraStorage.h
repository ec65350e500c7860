#pragma once
// TfraStorage: the storage page of the table, index, constraint and
// materialized-view windows. It shows the tablespace, for a table the
// storage kind, logging, parents and ON COMMIT behaviour, for a table or
// materialized view the autovacuum options of the relation and its TOAST
// table; it reads them from the catalog and turns them and the user's
// changes into DDL clauses and statements (StorageDefinition.h). It never
// runs a statement that changes the database: the owning window puts what
// the frame returns into its script.
#include "objects/table/StorageDefinition.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QStackedWidget;
class QToolButton;
class TDropDownComboBox;
class TRadioGroup;
class TtvCheckBox;
class TtvComboBox;
class TtvForm;
class TtvNumEdit;
class TtvRadioButton;
class TtvStringGrid;

namespace tv::db {
class Query;
}

class TfraStorage : public QWidget {
    Q_OBJECT
public:
    // AOwner: the definition window the frame sits on.
    explicit TfraStorage(TtvForm *AOwner, QWidget *Parent = nullptr);
    ~TfraStorage() override;

    // Stores the names; the first call (every call for a table) also fills
    // the storage-kind list and takes the owner's object-type code.
    void Init(const QString &Schema, const QString &ObjectName);
    // Reads persistence, autovacuum options and parents of an existing object.
    void ShowDefine();
    // Records the current values as the unchanged state.
    void Save();
    bool IsCreate();
    bool IsChanged(TStorageType Mode);
    void GetSourceCreate(QStringList &Source);
    void GetSourceAlterN(QStringList &Source);
    void GetSourceAlterV(QStringList &Source);
    void GetSourceAlterP(QStringList &Source);
    // Validation before the owner builds its DDL: accepts everything.
    bool Check() { return true; }
    // Called after the index window's table changed; nothing to do.
    void ShowLocalPartInit() {}

    // The frame's values as the DDL builders read them.
    TStorageSnapshot Snapshot() const;

    int ObjType() const { return FObjType; }
    bool IsInit = false;
    QString TableName;

    // Controls.
    QWidget *pnlStorageType;
    QLabel *lblStorageType;
    TtvComboBox *cmbStorageType;
    TtvCheckBox *chkLog;
    QStackedWidget *pagStorage;
    QWidget *tabDefault;
    QWidget *tabTemporary;
    QWidget *tabPartition;
    QLabel *lblTBS;
    TDropDownComboBox *cmbTBS;
    QGroupBox *grpAutoVacuum;
    TtvCheckBox *chkAutoVacuum;
    TRadioGroup *rdoVacuumTarget;
    QLabel *lblDaemon;
    TtvCheckBox *chkEnabled;
    TtvCheckBox *chkToastEnabled;
    QLabel *lblParams[AutoVacuumParamCount];
    TtvNumEdit *txtTable[AutoVacuumParamCount]; // txtVacuumThreshold .. txtFreezeTable
    TtvNumEdit *txtToast[AutoVacuumParamCount]; // txtToastVacuumThreshold .. txtToastFreezeTable
    QGroupBox *grpOnCommit;
    TtvRadioButton *rdoTransaction;
    TtvRadioButton *rdoSession;
    TtvStringGrid *grdPartition;
    QToolButton *btnPartIns;
    QToolButton *btnPartDel;

    // Handlers (public so tests drive them as the user would).
    void cmbStorageTypeChange();
    void chkAutoVacuumClick();
    void rdoVacuumTargetClick();
    void btnPartInsClick();
    void btnPartDelClick();

private:
    void MarkModified();
    bool OwnerIsNew() const;
    int DBVer() const;
    QList<TLoadedParent> ReadParents();
    void SelectStorageType(const QString &Text);

    TtvForm *FOwner;
    int FObjType = -1;
    QString FSchema;
    QString FObjectName;
    tv::db::Query *qryPartition = nullptr;
    tv::db::Query *qryVacuum = nullptr;
    tv::db::Query *qryStorage = nullptr;
    bool FLoading = false;
};
