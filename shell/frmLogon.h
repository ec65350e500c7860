#pragma once
// The logon dialog: asks for the six logon values, offers the saved
// connection profiles and creates the connection window with the values.
//
// Profiles live under "\Software\Quenzor\TVX19\DATABASE": one subkey per
// profile ("DB000", "DB001" ...) with "UserID", "Database", "Password"
// (scrambled), "Host", "Port" and "Schema"; on the key itself the values of
// the last successful logon (never its password) and "Sort", the profile key
// names in list order, one per line.
#include <QDialog>
#include <QString>

class QAction;
class QCheckBox;
class QPushButton;
class TtvListItem;
class TtvListView;
class TtvNumEdit;
class TtvStrEdit;

class TfrmLogon : public QDialog {
    Q_OBJECT
public:
    // True when a connection window was created. With AutoPass the values
    // are used at once, without the dialog. A failed logon shows the error
    // and offers the dialog again with the values typed, until the user
    // cancels or a logon succeeds; a time-out ends it.
    static bool ShowWindow(const QString &Host, const QString &Port, const QString &DBName, const QString &Schema,
                           const QString &UserID, const QString &Password, bool AutoPass);

    explicit TfrmLogon(QWidget *owner);

    // The profiles in stored order; the password box takes the password of
    // the last profile that matches the boxes.
    void LoadProfileList();
    // Stores the list order and, with chkSave, the password of the first
    // matching profile, or (Connected) a new profile; Connected also stores
    // the boxes as the last logon.
    void SaveProfiles(bool Connected);
    // The profile holds the boxes' user, database, schema (exactly) and
    // server and port (without regard to case).
    bool ProfileMatches(const TtvListItem *item) const;

    TtvStrEdit *txtUserID = nullptr;
    TtvStrEdit *txtPassword = nullptr;
    TtvStrEdit *txtDatabase = nullptr;
    TtvStrEdit *txtSchema = nullptr;
    TtvStrEdit *txtHost = nullptr;
    TtvNumEdit *txtPort = nullptr;
    QCheckBox *chkSave = nullptr;
    // Caption user ID; sub-items 0 server, 1 database, 2 schema, 3 port,
    // 4 password (not shown), 5 the profile's key name (not shown).
    TtvListView *lstUserID = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QAction *actOk = nullptr;
    QAction *actCancel = nullptr;
    QAction *actUp = nullptr;
    QAction *actDown = nullptr;
    QAction *actDel = nullptr;
    QAction *actImport = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void actOkExecute();
    void actUpExecute();
    void actDownExecute();
    void actDelExecute();
    void actImportExecute();
    void lstUserIDSelect();
    void MoveSelected(int delta);
    void UpdateActions();
    void LoadSize();
    void SaveSize();
};
