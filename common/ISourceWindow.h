#pragma once
// What the completion driver reads of the routine source window (the window
// that edits functions, procedures, packages and types). That window lives in
// a higher layer; it implements this interface, and the driver finds it by
// casting the window that owns the editor asking for completion.
#include <QtGlobal>

class ISourceWindow {
public:
    virtual ~ISourceWindow() = default;

    // True while the routine has not been created on the server yet.
    virtual bool IsNew() const = 0;
    // Object-type code of the routine (51 procedure, 52 function, 54 package
    // body ...).
    virtual int ObjType() const = 0;
    // The routine's oid (an unsigned 32-bit value; -1 when none).
    virtual qint64 L_intOID() const = 0;
};
