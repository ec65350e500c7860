#pragma once
// TfrmAggregate: the window of one aggregate function (object-type code
// 128). Its source page is a CREATE AGGREGATE written from the catalogs;
// a compile drops the aggregate and runs the edited text in one
// transaction, without preview, and closes the window (the new aggregate
// has a new oid). The "権限" and "相関" pages embed the shared frames.
#include "objects/other/AggregateDefinition.h"
#include "objects/table/frmDefinition.h"

#include <QPointer>

class QIODevice;
class TfraCross;
class TfraGrant;
class TfrmSample;

class TfrmAggregate : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &AggregateKind();

    static TfrmAggregate *Open(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                               TOpenMode OpenMode, qint64 p_intOID);
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                                       QIODevice &Stream, qint64 p_intOID);

    qint64 Oid() const { return L_intOID; }
    const TRecAgrInf &Definition() const { return L_recAgrInf; }

    void actSampleExecute();
    void txtNameExit(QWidget *Box) override;

    QAction *actSample;
    QToolButton *btnSample;
    QWidget *tabGrant;
    TfraGrant *fraGrant;
    QWidget *tabCross;
    TfraCross *fraCross;
    QPointer<TfrmSample> SampleWindow;

    void ChangedIsNew() override;
    void Compile(QObject *Sender) override;
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override { GetSourceCreate(List); }
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override { return true; }

protected:
    TfrmAggregate(IConnectionWindow *AOwner, qint64 Oid, const FncArgArray &Args);

    void ShowDefine() override;
    QString DropStatement(bool Cascade) override;
    bool KeptObject(TKeptObject &Object, unsigned &Parts) const override;
    QWidget *PageForMode(TOpenMode Mode) override;
    QList<QWidget *> PagesOfExisting() override { return {tabGrant, tabCross}; }
    TtvMemo *CompletionEditor() override;

private:
    qint64 L_intOID = -1;
    QString L_strTypLst;
    QString FCaptionArgs;
    FncArgArray L_typArgInf;
    TRecAgrInf L_recAgrInf;
    tv::db::Query *qryAgrg;
};
