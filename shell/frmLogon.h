#pragma once
// The logon: creates a connection window from the six logon values.
#include <QString>

class TfrmLogon {
public:
    // True when a connection window was created. With AutoPass the values
    // are used at once, without the dialog.
    static bool ShowWindow(const QString &Host, const QString &Port, const QString &DBName, const QString &Schema,
                           const QString &UserID, const QString &Password, bool AutoPass);

private:
    // The dialog (offered with these values); false when it made no connection.
    static bool LogonDialog(const QString &Host, const QString &Port, const QString &DBName, const QString &Schema,
                            const QString &UserID, const QString &Password);
};
