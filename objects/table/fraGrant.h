#pragma once
// TfraGrant: the frame of the privileges page "権限". A grid of grantees
// (login roles, PUBLIC, the other roles) against the privileges of the
// object's kind; a check list with a privilege box and a grant-option box
// per privilege changes them for the selected grantees at once; GetSource
// gives the GRANT and REVOKE statements of exactly the changed cells (see
// GrantModel.h).
#include "objects/table/GrantModel.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class TtvCheckListBox;
class TtvForm;
class TtvListView;
class TtvRadioGroup;

class TfraGrant : public QWidget {
    Q_OBJECT
public:
    explicit TfraGrant(TtvForm *Owner, QWidget *Parent = nullptr);

    // Reads the ACL of the owning window's object and fills the grid.
    // pintOid and pstrTypLst for functions, procedures and aggregates (-1
    // and empty otherwise); pstrDataType for types ("p": read only).
    void ShowData(const QString &Schema, const QString &ObjName, qint64 pintOid = -1,
                  const QString &pstrTypLst = QString(), const QString &pstrDataType = QString());
    // The statements of the changed cells, each followed by ";".
    void GetSource(QStringList &S) const;
    // A statement for every listed grantee and privilege, on TYPE schema.name.
    void GetSourceReregist(QStringList &S) const;

    const TGrantModel &Model() const { return FModel; }
    // The selected rows (model indexes).
    QList<int> SelectedRows() const;

    void rdoShowModeClick();
    void lstGrantSelectItem();
    void chkGrantClick();

    TtvRadioGroup *rdoShowMode;
    QGroupBox *grpGrantOption;
    TtvCheckListBox *chkGrant;
    QLabel *lblComment;
    TtvListView *lstGrant;

private:
    void ShowRow(int Row);
    // Sets the check list from the selected rows.
    void ShowSelection();

    TtvForm *FOwner;
    TGrantModel FModel;
    qint64 L_intOID = -1;
    QString L_strTypLst;
    QString L_strDataType;
    int FFilling = 0;
};
