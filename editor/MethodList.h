#pragma once
// TMethodList: a list of change events (listeners).
#include "editor/Persistent.h"
#include <vector>

class TMethodList {
public:
    void Add(const TNotifyEvent &Method) { FItems.push_back(Method); }
    // Removes the last entry equal to Method (same listener); nothing when
    // it is not listed.
    void Remove(const TNotifyEvent &Method);
    void Clear() { FItems.clear(); }
    int Count() const { return int(FItems.size()); }
    const TNotifyEvent &operator[](int Index) const { return FItems[size_t(Index)]; }
    const std::vector<TNotifyEvent> &Items() const { return FItems; }

private:
    std::vector<TNotifyEvent> FItems;
};
