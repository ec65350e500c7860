#pragma once
// TfrmRule: the definition window of one rewrite rule (object-type code 127)
// of a table or view: its event, ALSO or INSTEAD, its condition and its
// actions. A compile drops the rule and creates it again in one
// transaction; the "相関" page shows what the rule uses and what uses it.
#include "objects/other/RuleDefinition.h"
#include "objects/table/frmDefinition.h"

class QGroupBox;
class QIODevice;
class TDropDownComboBox;
class TfraCross;
class TtvRadioButton;

class TfrmRule : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &RuleKind();

    // Opens the window of a rule of TableName (an empty name: a new rule);
    // an open twin is brought forward and the call ends with
    // tv::SilentAbort, as it does when the rule cannot be read.
    static TfrmRule *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                          TOpenMode OpenMode, const QString &TableName);
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream, const QString &TableName);
    static bool ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            const QString &TableName, QStringList &Lines);

    TRuleDefinition CurrentDefinition() const;
    void rdoEventClick();

    TDropDownComboBox *cmbTable;
    QGroupBox *grpEvent;
    TtvRadioButton *rdoInsert;
    TtvRadioButton *rdoUpdate;
    TtvRadioButton *rdoDelete;
    TtvRadioButton *rdoSelect;
    QGroupBox *grpKind;
    TtvRadioButton *rdoAlso;
    TtvRadioButton *rdoInstead;
    TtvMemo *txtWhere;
    TtvMemo *txtAction;
    QWidget *tabCross;
    TfraCross *fraCross;

    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override { GetSourceCreate(List); }
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override { return true; }

protected:
    TfrmRule(IConnectionWindow *AOwner, const QString &TableName);

    void ShowDefine() override;
    void CheckFields() override;
    QString DropStatement(bool Cascade) override;
    bool KeptObject(TKeptObject &Object, unsigned &Parts) const override;
    QWidget *PageForMode(TOpenMode Mode) override;
    QList<QWidget *> PagesOfExisting() override { return {tabSource, tabCross}; }
    QWidget *NewObjectFocus() override;
    TtvMemo *CompletionEditor() override;
    QString SourceTableName() const override;

private:
    bool FLoading = false;
    tv::db::Query *qryRule;
};
