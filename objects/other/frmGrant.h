#pragma once
// TfrmGrant: the grant dialog of a connection window ("権限(&G)" of its
// object list). For one grantee at a time (a login role, PUBLIC or a role)
// it shows which of nine privileges the grantee holds on all, some or none
// of the objects selected in the object list, lists every privilege granted
// on them, runs GRANT and REVOKE statements for the boxes the user changed
// (each REVOKE with the GRANT after it as one unit: a refused GRANT leaves
// the privilege as it was), and revokes chosen rows of the granted list.
// It reads the selection again whenever it becomes the active window.
#include "common/tvForm.h"
#include "objects/other/GrantDialogModel.h"

class QAction;
class QMenu;
class QToolBar;
class TfrmObject;
class TtvCheckListBox;
class TtvListView;
namespace tv::db {
class Connection;
} // namespace tv::db

class TfrmGrant : public TtvForm {
    Q_OBJECT
public:
    // The dialog of the connection window; an open one is brought forward
    // (and returned).
    static TfrmGrant *Open(TfrmObject *AOwner);
    static void RegisterLauncher();

    void GetObjects();
    void ShowUsers();
    void ShowGrants();
    void lstUserClick();
    void lstUserChange();
    void lstUserDblClick();
    void popRevokeClick();

    const QList<TGrantObject> &Objects() const { return FItems; }
    QString SelectedGrantee() const;
    // Selects a grantee as a click does.
    bool SelectGrantee(const QString &Name);

    QToolBar *tolCmd;
    QAction *actExec;
    QAction *actExit;
    TtvListView *lstUser;
    TtvCheckListBox *chkGrant;
    TtvListView *lstGrant;
    QMenu *popGrant;
    QAction *popRevoke;

    void Compile(QObject *Sender) override;
    void Activate() override;
    void LoadSettings() override;
    void SaveSettings() override;

protected:
    explicit TfrmGrant(TfrmObject *AOwner);
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void RunUnit(tv::db::Connection &Conn, const QStringList &Unit);
    void ReadBoxes(GrantDialog::TBoxes (&Boxes)[GrantDialog::PrivilegeCount]) const;
    int DBVer() const;

    TfrmObject *FObject;
    QList<TGrantObject> FItems;
    GrantDialog::TBoxes FSaved[GrantDialog::PrivilegeCount];
    bool FLoading = false;
    bool FActivated = false;
};
