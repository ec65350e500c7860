#pragma once
// TfrmRole: the definition window of a role that cannot log in (object-type
// code 68), and TfrmRoleBase, what it shares with the user window TfrmUser
// (frmUser.h): the role attributes, the memberships in other roles (with
// admin option), CREATE and USAGE on every schema (with grant option) and
// the role's privileges on tables, routines, sequences and types, from which
// single privileges are revoked. Edits become CREATE / ALTER scripts with
// their GRANT and REVOKE statements (see RoleDefinition.h).
#include "objects/other/RoleDefinition.h"
#include "objects/table/frmDefinition.h"

class QGroupBox;
class QIODevice;
class QListWidget;
class QMenu;
class TtvCheckBox;
class TtvCheckListBox;

class TfrmRoleBase : public TfrmDefinition {
    Q_OBJECT
public:
    TRoleDefinition CurrentDefinition() const;
    const TRoleDefinition &LoadedDefinition() const { return FLoaded; }
    bool IsUserWindow() const { return FUser; }

    QGroupBox *grpPrivilege;
    TtvCheckBox *chkSuperUser;
    TtvCheckBox *chkCreateDB;
    TtvCheckBox *chkCreateRole;
    TtvCheckBox *chkSucParRole;
    TtvCheckBox *chkCatupdate;
    TtvCheckBox *chkReplication;
    QGroupBox *grpPpasPrivilege;
    TtvCheckBox *chkCreateDbLink;
    TtvCheckBox *chkCreatePublicDbLink;
    TtvCheckBox *chkDeletePublicDbLink;
    TtvCheckListBox *chkRole;
    TtvCheckListBox *chkSchema;
    QListWidget *lstObj;
    QMenu *popObj;
    QAction *popRevoke;

    bool G_SuperUser = false;
    bool G_CreateRole = false;
    bool G_Catupdate = false;

    void ShowObjectPrivileges();
    void popRevokeClick();
    void chkSuperUserClick();
    void chkRoleDblClick();
    void chkSchemaDblClick();

    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override;
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override;

protected:
    TfrmRoleBase(IConnectionWindow *AOwner, const TDefinitionKind &Kind, bool User);

    void PrepareQueries() override;
    void ShowDefine() override;
    void BuildCompileList(QStringList &List) override;
    QString DropStatement(bool Cascade) override;
    bool KeptObject(TKeptObject &Object, unsigned &Parts) const override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

    // The user window's part of the definition and of the load.
    virtual void UserToDefinition(TRoleDefinition &) const {}
    virtual void LoadUserAttributes(tv::db::Query &) {}
    virtual void SaveUserControls() {}
    virtual void EnableUserControls() {}
    // The loaded state of the user's controls (password placeholder).
    virtual bool PasswordChanged() const { return false; }
    void LoadLoginRights();
    TRoleServer Server() const;
    // The login user's name.
    QString LoginUser() const;

    QWidget *pnlLeft;        // the user window's boxes
    bool FLoading = false;
    TRoleDefinition FLoaded;
    tv::db::Query *qryUser;
    tv::db::Query *qryWork;

private:
    void BuildDefinePage();
    void PaintOptions(TtvCheckListBox *List);
    bool FUser;
    bool FPrepared = false;
    bool FBypassRLS = false;
};

class TfrmRole : public TfrmRoleBase {
    Q_OBJECT
public:
    static const TDefinitionKind &RoleKind();
    // Opens the window of a role (an empty name: a new one); an open twin is
    // brought forward and the call ends with tv::SilentAbort.
    static TfrmRole *Open(IConnectionWindow *AOwner, const QString &ObjectName, TOpenMode OpenMode);
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &ObjectName, QIODevice &Stream);

protected:
    explicit TfrmRole(IConnectionWindow *AOwner);
};
