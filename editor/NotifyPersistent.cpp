#include "editor/NotifyPersistent.h"

void TNotifyPersistent::Changed()
{
    if (FUpdateCount == 0 && OnChange)
        OnChange(this);
}

void TNotifyPersistent::BeginUpdate()
{
    ++FUpdateCount;
}

void TNotifyPersistent::EndUpdate()
{
    --FUpdateCount;
    Changed();
}

void TNotifyPersistent::ChangedProc(TPersistent *Sender)
{
    if (Sender != this)
        Changed();
}
