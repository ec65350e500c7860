#pragma once
// TNotifyPersistent: a settings object with an update counter and one change
// event.
//
// Wiring: an owner sets a child's OnChange to its own ChangedProcEvent(), so a
// change of the child surfaces as a change of the owner; changes between
// BeginUpdate and EndUpdate are reported once, by the last EndUpdate.
#include "editor/Persistent.h"

class TNotifyPersistent : public TPersistent {
public:
    const char *ClassName() const override { return "TNotifyPersistent"; }

    TNotifyEvent OnChange;

    // Fires OnChange (sender: this object) unless inside BeginUpdate.
    virtual void Changed();
    virtual void BeginUpdate();
    // Leaves one level of BeginUpdate, then Changed.
    virtual void EndUpdate();
    // Change handler for children: Changed unless Sender is this object.
    virtual void ChangedProc(TPersistent *Sender);

    // ChangedProc as an event to hand to children.
    TNotifyEvent ChangedProcEvent() { return TNotifyEvent::Of<&TNotifyPersistent::ChangedProc>(this); }
    int UpdateCount() const { return FUpdateCount; }

protected:
    int FUpdateCount = 0;

    // Stores Value into Field and reports a change when it differs.
    template <class T, class V>
    void SetNotify(T &Field, const V &Value)
    {
        if (Field != Value) {
            Field = Value;
            Changed();
        }
    }
};
