// The connection window's object dispatcher: opening definition windows and
// scripting objects by type code.
#include "shell/ObjectDispatcher.h"
#include "shell/frmMain.h"
#include "shell/frmObject.h"

#include <QToolBar>

QWidget *TfrmObject::OpenObject(int ObjectType, const QString &Schema, const QString &ObjectName,
                                TOpenMode OpenMode, bool ShowRefObject, int DefTopRecord, qint64 p_intOID,
                                const QString &p_strTblNm)
{
    Q_UNUSED(ShowRefObject);
    // Focus leaves the list first, so an edit in progress there ends.
    if (FMain && FMain->pnlDB)
        FMain->pnlDB->setFocus();
    TObjectAddress address;
    address.ObjectType = ObjectType;
    address.Schema = Schema;
    address.ObjectName = ObjectName;
    address.OpenMode = OpenMode;
    address.DefTopRecord = DefTopRecord;
    address.OID = p_intOID;
    address.TableName = p_strTblNm;
    TObjectAddress arguments;
    if (!TObjectDispatcher::OpenArguments(address, arguments))
        return nullptr;
    const TOpenObjectProc open = TObjectDispatcher::OpenProc(ObjectType);
    if (!open)
        return nullptr;
    try {
        return open(*this, arguments);
    } catch (...) {
        // A failed build, or the silent end of a constructor that brought
        // the open twin forward.
        return nullptr;
    }
}

void TfrmObject::OutputScript(int ObjectType, const QString &Schema, const QString &ObjectName, QIODevice &Stream,
                              const QString &NewSchema, const QString &NewObjectName, qint64 p_intOID,
                              const QString &p_strTblNm)
{
    TObjectAddress address;
    address.ObjectType = ObjectType;
    address.Schema = Schema;
    address.ObjectName = ObjectName;
    address.OID = p_intOID;
    address.TableName = p_strTblNm;
    address.NewSchema = NewSchema;
    address.NewObjectName = NewObjectName;
    TObjectAddress arguments;
    if (!TObjectDispatcher::ScriptArguments(address, arguments))
        return;
    const TScriptObjectProc script = TObjectDispatcher::ScriptProc(ObjectType);
    if (!script)
        return;
    try {
        script(*this, arguments, Stream);
    } catch (...) {
        // Script constructors end with a silent abort; failures leave the
        // stream as far as it was written.
    }
}
