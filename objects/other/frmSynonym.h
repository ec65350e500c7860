#pragma once
// TfrmSynonym: the definition window of one EnterpriseDB synonym
// (object-type code 60). It shows the synonym's target, writes CREATE
// [PUBLIC] SYNONYM, re-creates the synonym on every change and opens the
// target's own windows. A synonym in the schema "public" is public.
#include "objects/other/SynonymDefinition.h"
#include "objects/table/frmDefinition.h"

class TDropDownComboBox;
class TtvCheckBox;

class TfrmSynonym : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &SynonymKind();

    // Opens the window of a synonym (an empty name: a new one, its target
    // preset from TableSchema, TableName and the kind name ObjectType); an
    // open twin is brought forward and the call ends with tv::SilentAbort.
    // A server without synonyms raises its error and opens no window.
    static TfrmSynonym *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                             TOpenMode OpenMode, const QString &TableSchema = QString(),
                             const QString &TableName = QString(), const QString &ObjectType = QString());
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream);

    TSynonymDefinition CurrentDefinition() const;

    TtvCheckBox *chkPublic;
    TDropDownComboBox *cmbTableOwner;
    TDropDownComboBox *cmbType;
    TDropDownComboBox *cmbTableName;
    TDropDownComboBox *cmbDBLink;
    QAction *actOpen;
    QStringList L_wObjType;
    QStringList L_wObjOID;

    void actOpenExecute();
    void chkPublicClick();

    void UpdateActions() override;
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override { GetSourceCreate(List); }
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override { return true; }

protected:
    explicit TfrmSynonym(IConnectionWindow *AOwner);

    void PrepareQueries() override;
    void ShowDefine() override;
    void CheckFields() override;
    void BuildCompileList(QStringList &List) override;
    QString DropStatement(bool Cascade) override;

private:
    void BuildDefinePage();

    bool FLoading = false;
    bool FFirstLoad = true;
    tv::db::Query *qrySynonym;
    tv::db::Query *qryObj;
};
