#include "editor/MethodList.h"

void TMethodList::Remove(const TNotifyEvent &Method)
{
    for (auto i = FItems.size(); i-- > 0;) {
        if (FItems[i] == Method) {
            FItems.erase(FItems.begin() + std::ptrdiff_t(i));
            return;
        }
    }
}
