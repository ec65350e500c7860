#pragma once
// TfrmSample: the read-only viewer of a sample text of one kind of routine
// or type ("sample/function.sql" ... in the data folder), shown beside the
// source or aggregate window that owns it. A stay-on-top tool window at the
// mouse pointer; one per owning window, reused by later shows and freed
// with its owner.
#include "common/tvForm.h"

#include <QPointer>

class QToolBar;
class QToolButton;
class TtvMemo;

class TfrmSample : public TtvForm {
    Q_OBJECT
public:
    // Shows the sample of ObjectType in Owner's viewer (Slot), creating it
    // when Slot is empty. A missing file: "ファイルが見つかりません。" and the
    // viewer is closed.
    static int ShowWindow(TtvForm *AOwner, QPointer<TfrmSample> &Slot, int ObjectType);
    // The aggregate window's show (only the aggregate's file).
    static int ShowWindowAgr(TtvForm *AOwner, QPointer<TfrmSample> &Slot, int ObjectType);

    // The sample file of a kind; empty for a kind without one.
    static QString SampleFile(int ObjectType);

    ~TfrmSample() override;

    QToolBar *tolCmd;
    QToolButton *btnExit;
    TtvMemo *txtSample;

    void btnExitClick();

private:
    TfrmSample(TtvForm *AOwner, int ObjectType);
    static int Show(TtvForm *AOwner, QPointer<TfrmSample> &Slot, int ObjectType, const QString &FileName);
};
