#pragma once
// TfrmSchema: the definition window of a schema (object-type codes 4 and
// 126): its owner, the CREATE and USAGE privileges of PUBLIC, and CREATE and
// USAGE with grant option for every role and login role. Edits become
// CREATE SCHEMA / ALTER SCHEMA scripts with their GRANT and REVOKE
// statements (see SchemaDefinition.h).
#include "objects/other/SchemaDefinition.h"
#include "objects/table/frmDefinition.h"

class QIODevice;
class TDropDownComboBox;
class TtvCheckBox;
class TtvCheckListBox;

class TfrmSchema : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &SchemaKind();
    static TfrmSchema *Open(IConnectionWindow *AOwner, const QString &ObjectName, TOpenMode OpenMode);
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &ObjectName, QIODevice &Stream);

    TSchemaDefinition CurrentDefinition() const;
    void FillOwners();

    TDropDownComboBox *cmbOwner;
    TtvCheckBox *chkCreate;
    TtvCheckBox *chkUsage;
    TtvCheckListBox *chkRole;
    TtvCheckListBox *chkUser;

    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override;
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override;

protected:
    explicit TfrmSchema(IConnectionWindow *AOwner);
    void PrepareQueries() override;
    void ShowDefine() override;
    void CheckFields() override;
    QString DropStatement(bool Cascade) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    QString LoginUser() const;
    void PaintOptions(TtvCheckListBox *List);
    bool FLoading = false;
    bool FPrepared = false;
    TSchemaDefinition FLoaded;
    tv::db::Query *qryWork;
};
