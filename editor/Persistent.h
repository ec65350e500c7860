#pragma once
// The root of the editor's settings objects and its change event.
#include <QString>
#include <functional>

class TPersistent;

// A change event: called with the object that changed as sender. An event
// made with Of<&Class::Method>(object) is identified by (method, object), so a
// list of events can remove exactly that listener again; an event made from a
// plain callable is identified only by the object given with it (if any).
class TNotifyEvent {
public:
    using Proc = std::function<void(TPersistent *Sender)>;

    TNotifyEvent() = default;
    TNotifyEvent(std::nullptr_t) {}
    explicit TNotifyEvent(Proc proc, const void *object = nullptr)
        : FProc(std::move(proc)), FObject(object) {}

    template <auto Method, class C>
    static TNotifyEvent Of(C *object)
    {
        TNotifyEvent e([object](TPersistent *s) { (object->*Method)(s); }, object);
        e.FCode = &MethodTag<Method>;
        return e;
    }

    explicit operator bool() const { return bool(FProc); }
    void operator()(TPersistent *Sender) const
    {
        if (FProc)
            FProc(Sender);
    }
    // Same listener: equal object (not null) and equal method.
    bool operator==(const TNotifyEvent &o) const
    {
        return FObject != nullptr && FObject == o.FObject && FCode == o.FCode;
    }

private:
    template <auto Method>
    static inline const char MethodTag = 0;

    Proc FProc;
    const void *FObject = nullptr;
    const void *FCode = nullptr;
};

// Visitor of the published object-valued properties of a settings object:
// property name and value, in alphabetical order of the names.
using TPropertyVisitor = std::function<void(const char *Name, TPersistent *Value)>;

// Base of every settings object. Objects are not copyable; Assign copies
// values between objects of related classes.
class TPersistent {
public:
    TPersistent() = default;
    TPersistent(const TPersistent &) = delete;
    TPersistent &operator=(const TPersistent &) = delete;
    virtual ~TPersistent() = default;

    virtual const char *ClassName() const { return "TPersistent"; }
    // Copies Source into this object. The base raises "Cannot assign a <Source
    // class> to a <this class>" (an unrelated source).
    virtual void Assign(const TPersistent &Source);
    // Hands each object-valued published property to Visitor (none here).
    virtual void VisitProperties(const TPropertyVisitor &Visitor) {}
};
