#pragma once
// TfrmUser: the definition window of a role that can log in (object-type
// codes 3 and 2). Besides what the role window shows (TfrmRoleBase) it has
// the password with its confirmation, the account expiry (VALID UNTIL) and
// the connection limit. A password never leaves the window as typed: the
// scripts carry the verifier libpq makes of it.
#include "objects/other/frmRole.h"

class QDateEdit;
class QTimeEdit;
class TtvNumEdit;
class TtvStrEdit;

class TfrmUser : public TfrmRoleBase {
    Q_OBJECT
public:
    static const TDefinitionKind &UserKind();
    static TfrmUser *Open(IConnectionWindow *AOwner, const QString &ObjectName, TOpenMode OpenMode);
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &ObjectName, QIODevice &Stream);

    TtvStrEdit *txtPassword1;
    TtvStrEdit *txtPassword2;
    TtvCheckBox *chkPass;
    QDateEdit *dtpLapseDate;
    QTimeEdit *dtpLapseTime;
    TtvNumEdit *txtConRest;

    void chkPassClick();

protected:
    explicit TfrmUser(IConnectionWindow *AOwner);

    void CheckFields() override;
    void UserToDefinition(TRoleDefinition &Def) const override;
    void LoadUserAttributes(tv::db::Query &Query) override;
    void SaveUserControls() override;
    void EnableUserControls() override;
    bool PasswordChanged() const override;

private:
    QDateTime Picked() const;
    QDateTime FLoadedExpiry;
};
