#include "foundation/OLEMessageFilter.h"

namespace {
// Each thread has its own registration; a thread that ends with a filter
// still registered releases it.
struct Registration {
    IMessageFilter *filter = nullptr;
    ~Registration()
    {
        if (filter)
            filter->Release();
    }
};
thread_local Registration registration;
}

qint32 CoRegisterMessageFilter(IMessageFilter *newFilter, IMessageFilter **previousFilter)
{
    if (newFilter)
        newFilter->AddRef();
    IMessageFilter *previous = registration.filter;
    registration.filter = newFilter;
    if (previousFilter)
        *previousFilter = previous;
    else if (previous)
        previous->Release();
    return 0;
}

quint32 IOleMessageFilter::HandleInComingCall(quint32, quintptr, quint32, const void *)
{
    return SERVERCALL_ISHANDLED;
}

qint32 IOleMessageFilter::RetryRejectedCall(quintptr, quint32, quint32 rejectType)
{
    return rejectType == SERVERCALL_RETRYLATER ? 99 : -1;
}

quint32 IOleMessageFilter::MessagePending(quintptr, quint32, quint32)
{
    return PENDINGMSG_WAITDEFPROCESS;
}

void IOleMessageFilter::RegisterFilter()
{
    IMessageFilter *previous = nullptr;
    CoRegisterMessageFilter(new IOleMessageFilter, &previous);
    if (previous)
        previous->Release();
}

void IOleMessageFilter::RevokeFilter()
{
    IMessageFilter *previous = nullptr;
    CoRegisterMessageFilter(nullptr, &previous);
    if (previous)
        previous->Release();
}
