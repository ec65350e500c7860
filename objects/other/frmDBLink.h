#pragma once
// TfrmDBLink: the definition window of one EnterpriseDB database link
// (object-type code 64), opened from the link list. Every compile of an
// existing link drops and creates it again; the stored password is never
// read back; a link another user owns cannot be changed; the connection
// test replaces the open action.
#include "objects/other/DBLinkDefinition.h"
#include "objects/table/frmDefinition.h"

class QRadioButton;
class TtvCheckBox;

class TfrmDBLink : public TfrmDefinition {
    Q_OBJECT
public:
    static const TDefinitionKind &DBLinkKind();
    static QString CaptionOf(IConnectionWindow *AOwner, const QString &Owner, const QString &Name);

    static TfrmDBLink *Open(IConnectionWindow *AOwner, const QString &Owner, const QString &ObjectName,
                            TDbLinkKind wDbLinkKind, bool bPublic, TOpenMode OpenMode);
    [[noreturn]] static void GetScript(IConnectionWindow *AOwner, const QString &Owner, const QString &ObjectName,
                                       TDbLinkKind wDbLinkKind, bool bPublic, QIODevice &Stream);

    TDbLinkDefinition CurrentDefinition() const;

    TtvComboBox *cmbOwner;
    TtvCheckBox *chkPublic;
    TtvStrEdit *txtUser;
    TtvStrEdit *txtPassword;
    TtvStrEdit *txtUsing;
    QRadioButton *rdoOci;
    QRadioButton *rdoLibpq;
    QAction *actOpen;
    bool L_bPublic = false;
    TDbLinkKind L_bDbLinkKind = ptOci;

    void rdoOciClick();
    void rdoLibpqClick();
    void actOpenExecute();

    void ChangedIsNew() override;
    void Compile(QObject *Sender) override;
    void UpdateActions() override;
    void GetSourceCreate(QStringList &List) override;
    void GetSourceAlter(QStringList &List) override { GetSourceCreate(List); }
    void GetSourceDrop(QStringList &List) override;
    bool IsCreate() override { return true; }

protected:
    explicit TfrmDBLink(IConnectionWindow *AOwner);

    void ShowDefine() override;
    void CheckFields() override;
    void BuildCompileList(QStringList &List) override;
    QString DropStatement(bool Cascade) override;

private:
    void BuildDefinePage();

    bool FLoading = false;
    tv::db::Query *qryDBLink;
};
