#pragma once
// TfrmPolicy: the definition window of one row-level security policy
// (object-type code 129) of a table. It shows the policy's command, the
// users and roles it applies to and its USING and WITH CHECK expressions;
// its define page sends ALTER POLICY, its source page drops the policy and
// creates it again from the text. The script service writes its CREATE
// POLICY through GetScript; the shown window is opened by the table
// window's policy page.
#include "objects/table/PolicyDefinition.h"
#include "objects/table/frmDefinition.h"

class QGroupBox;
class QIODevice;
class TDropDownComboBox;
class TtvListView;
class TtvRadioButton;

class TfrmPolicy : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &PolicyKind();

    // Opens the window of a policy of a table (an empty name: a new one).
    static TfrmPolicy *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            TOpenMode OpenMode, const QString &TableName);
    // Writes the policy's CREATE POLICY into Stream without a window;
    // always ends with tv::SilentAbort (nothing written for an unknown one).
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream, const QString &TableName);
    static bool ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            const QString &TableName, QStringList &Lines);

    TPolicyDefinition CurrentDefinition() const;
    QString RoleListText() const;
    void LoadRoleList(const QString &RoleOids);
    void OnRadioChange();

    TDropDownComboBox *cmbTableName;
    QGroupBox *grpCommandType;
    TtvRadioButton *rdoAll;
    TtvRadioButton *rdoSelect;
    TtvRadioButton *rdoInsert;
    TtvRadioButton *rdoUpdate;
    TtvRadioButton *rdoDelete;
    TtvListView *lstUser;
    TtvListView *lstRole;
    TtvMemo *txtSecurity;
    TtvMemo *txtWithCheck;

    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override;
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override;

protected:
    TfrmPolicy(IConnectionWindow *AOwner, const QString &TableName);

    void ShowDefine() override;
    void CheckFields() override;
    QString DropStatement(bool Cascade) override;
    bool KeptObject(TKeptObject &Object, unsigned &Parts) const override;
    QWidget *PageForMode(TOpenMode) override { return tabDefine; }
    TtvMemo *CompletionEditor() override;
    QString SourceTableName() const override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    QChar Command() const;

    bool L_bIsLoad = true;
    bool FListLoading = false;
    TPolicyDefinition FLoaded;
    tv::db::Query *qryPolicy;
    tv::db::Query *qryList;
};
