#pragma once
// TfrmDBLinkList: the database links of one connection, on two tabs (links
// through OCI, links through libpq), with owner, public flag, remote user and
// connection text. Creates, opens, scripts and drops links and switches to
// another open connection; closes itself when its connection goes.
#include "common/tvForm.h"
#include "objects/other/DBLinkDefinition.h"

class QAction;
class QComboBox;
class QMenu;
class QTabWidget;
class QToolBar;
class TfrmObject;
class TtvListView;

class TfrmDBLinkList : public TtvForm {
    Q_OBJECT
public:
    static QString CaptionOf(IConnectionWindow *AOwner);
    // The list of AOwner's connection; an open twin is brought forward and
    // returned instead.
    static TfrmDBLinkList *Open(TfrmObject *AOwner);

    explicit TfrmDBLinkList(TfrmObject *AOwner);

    TDbLinkKind ActiveKind() const;

    QToolBar *tolCmd;
    QTabWidget *pagDBLinkList;
    QWidget *tabOci;
    QWidget *tabLibpq;
    TtvListView *lstObject;
    QComboBox *cmbDBName;
    QAction *actNew;
    QAction *actOpen;
    QAction *actDelete;
    QAction *actRefresh;
    QAction *actExit;
    QAction *actScript;
    QMenu *mnuDBLink;

    void actNewExecute();
    void actOpenExecute();
    void actScriptExecute();
    void actDeleteExecute();
    void cmbDBNameChange();
    void pagDBLinkListChange();
    void UpdateActions();

    void Reload(QObject *Sender) override;
    void DBChange(QObject *Sender) override;
    void LoadSettings() override;
    void SaveSettings() override;

private:
    void CopyConnections();
    void ResizeColumns();
    bool eventFilter(QObject *o, QEvent *e) override;

    tv::db::Query *qryObject;
};
