#pragma once
// TfrmSeq: the definition window of one sequence (object-type code 58). Its
// definition page shows the last value, range, increment, cycling, cache
// size, the value this window's connection last took and the owning column;
// edits become ALTER SEQUENCE clauses and a new last value a setval in the
// same transaction. "加算(&I)" takes the next value. The privileges and
// cross-reference pages embed the shared frames.
#include "objects/other/SequenceDefinition.h"
#include "objects/table/frmDefinition.h"

class QIODevice;
class QLabel;
class TDropDownComboBox;
class TfraCross;
class TfraGrant;
class TtvCheckBox;

class TfrmSeq : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &SeqKind();

    // Opens the window of a sequence (an empty name: a new one); an open
    // twin is brought forward and the call ends with tv::SilentAbort, as it
    // does when the sequence cannot be read.
    static TfrmSeq *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                         TOpenMode OpenMode);
    // Writes the CREATE SEQUENCE into Stream without a window; always ends
    // with tv::SilentAbort (nothing written for an unknown sequence).
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream);
    static bool ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            QStringList &Lines);

    TSequenceDefinition CurrentDefinition() const;
    bool NextValCalled() const { return g_blnNextVal; }

    QLabel *lblLastNo;
    TtvStrEdit *txtLastNo;
    TtvStrEdit *txtMin;
    TtvCheckBox *chkNoMin;
    TtvStrEdit *txtMax;
    TtvCheckBox *chkNomax;
    TtvStrEdit *txtInc;
    TtvCheckBox *chkCycle;
    TtvStrEdit *txtCache;
    QLabel *lblCurrent;
    QLabel *pnlCurrent;
    QAction *actInc;
    TDropDownComboBox *cmbTable;
    TDropDownComboBox *cmbColumn;
    TtvCheckBox *chkOwned;
    QWidget *tabGrant;
    TfraGrant *fraGrant;
    QWidget *tabCross;
    TfraCross *fraCross;

    void actIncExecute();
    void FillTables();
    void FillColumns();

    void ChangedIsNew() override;
    void UpdateActions() override;
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override;
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override;

protected:
    explicit TfrmSeq(IConnectionWindow *AOwner);

    void ShowDefine() override;
    void CheckFields() override;
    void BuildCompileList(QStringList &List) override;
    QString DropStatement(bool Cascade) override;
    bool KeptObject(TKeptObject &Object, unsigned &Parts) const override;
    QWidget *PageForMode(TOpenMode Mode) override;
    QList<QWidget *> PagesOfExisting() override { return {tabSource, tabGrant, tabCross}; }

private:
    void BuildDefinePage();
    void SetEnables();

    bool g_blnNextVal = false;
    bool FLoading = false;
    TSequenceDefinition FLoaded;
    tv::db::Query *qrySeq;
};
