#pragma once
// TfrmTrigger: the definition window of one trigger (object-type code 57)
// on a table or view. It shows timing, events, level, the constraint-trigger
// settings, the update columns, the WHEN condition and the trigger function
// with its arguments; it applies a change by dropping and creating the
// trigger in one transaction, run through the connection window's statement
// runner; its "相関" page shows what the trigger uses and what uses it.
#include "objects/table/TriggerDefinition.h"
#include "objects/table/frmDefinition.h"

class QGroupBox;
class QIODevice;
class QLabel;
class QToolButton;
class TDropDownComboBox;
class TfraCross;
class TtvCheckBox;
class TtvRadioButton;

class TfrmTrigger : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &TriggerKind();

    // Opens the window of a trigger (an empty name: a new trigger on
    // TableName); an open twin is brought forward instead and the call ends
    // with tv::SilentAbort, as it does when the trigger cannot be read.
    static TfrmTrigger *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                             TOpenMode OpenMode, const QString &TableName);
    // Writes the trigger's CREATE TRIGGER into Stream without a window;
    // always ends with tv::SilentAbort (nothing written for an unknown one).
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream, const QString &TableName);
    static bool ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            const QString &TableName, QStringList &Lines);

    TTriggerDefinition CurrentDefinition() const;
    // The kind of the target: "TABLE", "VIEW", "MATERIALIZED VIEW" or empty.
    QString GetTargetKind(const QString &Table, const QString &Schema);
    void SetControlStates();

    // Name panel.
    TDropDownComboBox *cmbTableName;
    // Define page.
    QGroupBox *grpHead;
    QGroupBox *grpTiming;
    TtvRadioButton *rdoBefore;
    TtvRadioButton *rdoAfter;
    TtvRadioButton *rdoInstead;
    QGroupBox *grpEvent;
    TtvCheckBox *chkInsert;
    TtvCheckBox *chkUpdate;
    TtvCheckBox *chkDelete;
    TtvCheckBox *chkTruncate;
    TtvCheckBox *chkRow;
    QLabel *lblUpdCol;
    TtvStrEdit *txtUpdCol;
    QToolButton *btnField;
    QLabel *lblWhen;
    TtvStrEdit *txtWhen;
    TtvCheckBox *chkConstraint;
    QGroupBox *grpConstraint;
    QLabel *lblRefSkm;
    TDropDownComboBox *cmbRefSkm;
    QLabel *lblRefTblNm;
    TDropDownComboBox *cmbRefTblNm;
    QGroupBox *grpDefTiming;
    TtvCheckBox *chkDeferrable;
    QGroupBox *grpLimChkTim;
    TtvRadioButton *rdoSentence;
    TtvRadioButton *rdoTran;
    QGroupBox *grpFnc;
    TDropDownComboBox *cmbFncSkm;
    TDropDownComboBox *cmbFncNm;
    QLabel *lblParam;
    TtvStrEdit *txtParam;
    // Cross-reference page.
    QWidget *tabCross;
    TfraCross *fraCross;

    void btnFieldClick();
    void cmbTableNameDropDown();
    void cmbRefTblNmDropDown();
    void cmbFncNmDropDown();
    void OnChangeVaChk(QObject *Sender);

    void Compile(QObject *Sender) override;
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override;
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override { return true; }

protected:
    TfrmTrigger(IConnectionWindow *AOwner, const QString &Schema, const QString &TableName);

    void ShowDefine() override;
    QString DropStatement(bool Cascade) override;
    bool KeptObject(TKeptObject &Object, unsigned &Parts) const override;
    QWidget *PageForMode(TOpenMode Mode) override;
    QList<QWidget *> PagesOfExisting() override { return {tabSource, tabCross}; }
    QWidget *NewObjectFocus() override;
    TtvMemo *CompletionEditor() override;
    QString SourceTableName() const override;

private:
    void BuildDefinePage(const QString &Schema, const QString &TableName);
    void OnChangeSetVisible();
    void FillTableList(TDropDownComboBox *Box, const QString &Schema, bool WithMViews, const QString &Kind);
    QStringList TriggerFunctions(const QString &Schema, const QString &Name = QString());
    bool Has91() const;

    bool L_blnIsLoad = true;
    int FSetting = 0;
    tv::db::Query *qryTrigger;
    tv::db::Query *qryAny;
};
