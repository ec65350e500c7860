#pragma once
// TfrmComp: compares the objects of two places, each a connection window
// and a schema (or "(全て)"). Both sides are listed with one catalog query
// each, objects that count as the same are paired, the DDL of both members
// of each pair is made by the connection windows' script service and
// compared; each row says "内容一致", "内容不一致" or on which side alone the
// object exists. Rows open in the definition windows of either side; the
// list goes to a workbook or the clipboard. Opened by ツール →
// "オブジェクト比較(&C)" (actViewComp); several may be open at once.
#include "tools/CompareObjects.h"
#include "tools/tvToolForm.h"

#include <QPointer>

#include "shell/frmObject.h"

class QAction;
class QCheckBox;
class QComboBox;
class QMenu;
class QToolButton;
class TListOutput;
class TtvComboBox;
class TtvListView;

class TfrmComp : public TtvToolForm {
    Q_OBJECT
public:
    explicit TfrmComp(QObject *AOwner);

    static TfrmComp *Create(IConnectionWindow *AOwner);
    static void RegisterLauncher();

    void cmbDBNameChange() override;
    void DBChange(QObject *Sender) override;
    void cmbDBName1Change();
    void cmbDBName2Change();
    void btnExecClick();
    void CompareObjects();
    // Opening of the selected rows: 0 every side that applies, 1 or 2 one side.
    void OpenRows(int Side);

    TfrmObject *OwnerForm2() const { return FOwner2; }

    QAction *btnExec = nullptr;
    QComboBox *cmbDBName1 = nullptr, *cmbDBName2 = nullptr;
    TtvComboBox *cmbSchema1 = nullptr, *cmbSchema2 = nullptr;
    QList<QToolButton *> KindButtons;
    QToolButton *btnTable = nullptr, *btnIndex = nullptr, *btnView = nullptr, *btnFunc = nullptr, *btnType = nullptr,
                *btnTrigger = nullptr, *btnSeq = nullptr, *btnMView = nullptr, *btnRule = nullptr,
                *btnAgrg = nullptr, *btnProc = nullptr, *btnPack = nullptr, *btnSynonym = nullptr;
    QCheckBox *chkEqurl = nullptr, *chkNotEqurl = nullptr, *chkOnly1 = nullptr, *chkOnly2 = nullptr;
    TtvListView *lstComp = nullptr;
    QMenu *popObject = nullptr;
    QAction *mnuOpen = nullptr, *mnuOpen1 = nullptr, *mnuOpen2 = nullptr;
    TListOutput *Output = nullptr;

private:
    void FillConnections(QComboBox *Combo);
    static void FillSchemas(TtvComboBox *Combo, IConnectionWindow *Form);
    std::vector<comp::TCompEntry> ListSide(IConnectionWindow *Form, const QString &Schema, bool &Stopped);
    QString Script(TfrmObject *Form, int Code, const QString &Schema, const comp::TCompEntry &e, QByteArray *Raw);
    void AddRow(const comp::TCompEntry &e, const QString &Result, qint64 Oid1, qint64 Oid2);
    bool Blind() const;

    QPointer<TfrmObject> FOwner2;
    QPointer<QObject> FOpenedFrom;
    // A run is going on (its loops let events in; a second click waits).
    bool FRunning = false;
};
