#pragma once
// TfrmMView: the definition window of one materialized view (object-type
// code 61). Built like the view window, with a storage page instead of the
// plan page, a read-only data page, "最新(&A)" sending REFRESH MATERIALIZED
// VIEW, and a source-page compile of an existing materialized view that
// drops it, runs the edited text and restores its indexes, owner and grants,
// all in one transaction through the connection window's statement runner.
#include "objects/other/frmView.h"

class TfraStorage;

class TfrmMView : public TfrmViewBase {
    Q_OBJECT
public:
    static const TDefinitionKind &MViewKind();

    static TfrmMView *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                           TOpenMode OpenMode, int DefTopRecord = 0);
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream, const QString &NewSchema = QString(),
                                       const QString &NewObjectName = QString());
    static bool ScriptLines(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                            const QString &NewSchema, const QString &NewObjectName, QStringList &Lines);

    // The report RepName into a new file in Path without a window; ends with
    // tv::SilentAbort.
    [[noreturn]] static void GetExcelFile(IConnectionWindow *AOwner, const QString &RepName, const QString &Schema,
                                          const QString &ObjectName, const QString &Path);

    THostKind HostKind() const override { return THostKind::MView; }

    QWidget *tabStorage;
    TfraStorage *fraStorage;
    QAction *actSendCommand;

    void actSendCommandExecute();
    void UpdateActions() override;
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override;
    void Compile(QObject *Sender) override;

protected:
    explicit TfrmMView(IConnectionWindow *AOwner);
    void ShowDefineExtra(const TViewDefinition &Def) override;
    void SaveExtra() override;
    void ShowDefine() override;
    QString DropStatement(bool Cascade) override;
    bool KeptObject(TKeptObject &Object, unsigned &Parts) const override;
    QList<QWidget *> PagesOfExisting() override;
};
