#pragma once
// TNotifyEventList: a change multiplexer. Children are wired to its
// ChangedProcEvent(); listeners are added with Add and each is called, in the
// order added, with the list's owner as sender.
#include "editor/MethodList.h"
#include "editor/NotifyPersistent.h"

class TNotifyEventList : public TNotifyPersistent {
public:
    explicit TNotifyEventList(TPersistent *Owner) : FOwner(Owner) {}
    const char *ClassName() const override { return "TNotifyEventList"; }

    virtual void Add(const TNotifyEvent &Event) { FList.Add(Event); }
    virtual void Remove(const TNotifyEvent &Event) { FList.Remove(Event); }
    // Calls every listener unless inside BeginUpdate.
    void Changed() override;

    TPersistent *GetOwner() const { return FOwner; }
    int Count() const { return FList.Count(); }

private:
    TMethodList FList;
    TPersistent *FOwner;
};
