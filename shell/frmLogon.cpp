#include "shell/frmLogon.h"

#include "platform/Errors.h"
#include "platform/ui/Guard.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

// Logon without the dialog is complete here; the dialog itself is one of the
// stand-ins of StandIns.cpp (LogonDialog).
bool TfrmLogon::ShowWindow(const QString &Host, const QString &Port, const QString &DBName, const QString &Schema,
                           const QString &UserID, const QString &Password, bool AutoPass)
{
    if (!frmMain)
        return false;
    if (!AutoPass)
        return LogonDialog(Host, Port, DBName, Schema, UserID, Password);
    try {
        TfrmObject::Create(frmMain, Host, Port, DBName, Schema, UserID, Password);
        return true;
    } catch (const tv::SilentAbort &) {
        return false;
    } catch (const tv::Error &e) {
        tv::ui::ShowError(e.text());
    } catch (const std::exception &e) {
        tv::ui::ShowError(QString::fromUtf8(e.what()));
    }
    // A failed logon offers the dialog again with the values typed.
    return LogonDialog(Host, Port, DBName, Schema, UserID, Password);
}
