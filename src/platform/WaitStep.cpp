#include "platform/WaitStep.h"

#include <QCoreApplication>

#include <poll.h>

namespace {
constexpr int PassMilliseconds = 2;
}

void WaitStep(std::initializer_list<TWaitHandle> handles)
{
    pollfd watched[4];
    nfds_t count = 0;
    for (const TWaitHandle& handle : handles)
        if (handle.Handle >= 0 && count < std::size(watched))
            watched[count++] = pollfd{handle.Handle, handle.Events, 0};
    poll(watched, count, PassMilliseconds);
    DispatchPendingEvents();
}

void DispatchPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }
