#include "editor/NotifyEventList.h"

void TNotifyEventList::Changed()
{
    if (FUpdateCount != 0)
        return;
    // A listener may add or remove listeners while it runs.
    const std::vector<TNotifyEvent> listeners = FList.Items();
    for (const TNotifyEvent &e : listeners)
        e(FOwner);
}
