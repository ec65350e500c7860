#pragma once
// TfrmIndex: the definition window of one index (object-type code 46). It
// shows the index's table, kind (columns or expression), uniqueness, access
// method, columns or expression, and on its storage page the tablespace; it
// turns the user's edits into DROP INDEX + CREATE INDEX, or ALTER INDEX ..
// SET TABLESPACE when only the tablespace changed.
//
// An index the define page cannot hold (another access method, a WHERE
// condition, included columns, storage parameters, column options) shows
// its server definition with the define controls disabled; it changes on
// the source or storage page.
#include "objects/table/IndexDefinition.h"
#include "objects/table/frmDefinition.h"

class QIODevice;
class QLabel;
class QStackedWidget;
class QToolButton;
class TDropDownComboBox;
class TfraStorage;
class TtvCheckBox;
class TtvListBox;
class TtvRadioButton;

class TfrmIndex : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &IndexKind();

    // Opens the window of an index (an empty name: a new index, on
    // TableName when given); an open twin is brought forward instead and
    // the call ends with tv::SilentAbort, as it does when the index cannot be
    // read (after the message).
    static TfrmIndex *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           TOpenMode OpenMode, const QString &TableName);
    // Writes the index's CREATE INDEX into Stream without a window; always
    // ends with tv::SilentAbort (nothing written for an unknown index).
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream);
    // The script lines of GetScript; false when there is no such index.
    static bool ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            QStringList &Lines);

    // The definition the define page shows now.
    TIndexDefinition CurrentDefinition() const;
    // The kind object of the selected type item (0 when none is selected).
    int IndexKindOf() const;
    void ShowTableColumns();

    // Define page.
    QLabel *lblTableName;
    TtvComboBox *cmbTableOwner;
    TDropDownComboBox *cmbTableName;
    TtvComboBox *cmbIndexType;
    TtvCheckBox *chkUnique;
    TtvRadioButton *rdoBtree;
    TtvRadioButton *rdoHash;
    TtvRadioButton *rdoBrin;
    QStackedWidget *pagIndexType;
    QWidget *tabNormal;
    QWidget *tabFunc;
    TtvListBox *lstIdxCol;
    TtvListBox *lstTabCol;
    QToolButton *btnIns;
    QToolButton *btnDel;
    TtvMemo *txtFunc;
    // Storage page.
    QWidget *tabStorage;
    TfraStorage *fraStorage;

    // Handlers.
    void cmbIndexTypeSelect();
    void chkUniqueClick();
    void RadioClick(TtvRadioButton *Sender);
    void cmbTableNameDropDown();
    void cmbTableNameExit();
    void cmbSchemaExit();
    void btnInsClick();
    void btnDelClick();

    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override;
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override;

protected:
    TfrmIndex(IConnectionWindow *AOwner, const QString &TableName);

    void PrepareQueries() override;
    void ShowDefine() override;
    void CheckFields() override;
    QString DropStatement(bool Cascade) override;
    bool KeptObject(TKeptObject &Object, unsigned &Parts) const override;
    QWidget *PageForMode(TOpenMode Mode) override;
    QList<QWidget *> PagesOfExisting() override;
    TtvMemo *CompletionEditor() override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void BuildDefinePage();
    void SetMethod(const QString &Method);
    void SetDefineEnabled(bool Enabled);
    QStringList IndexColumns() const;

    QString FTableName;
    QString FlstIdxColSave;
    QString FtxtFuncSave;
    QString FColumnsSchema;   // schema and table last listed by qryTabCol
    QString FColumnsTable;
    TIndexDefinition FLoaded;
    bool FLoadedExisting = false;
    tv::db::Query *qryIndex;
    tv::db::Query *qryTabCol;
};
