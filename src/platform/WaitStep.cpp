#include "platform/WaitStep.h"

#include <QCoreApplication>
#include <QTimer>

#include <poll.h>

namespace {

// Writability has no notification of its own while a send is pending, so such a
// pass blocks in poll() on the handle, at most this long.
constexpr int WritePassMilliseconds = 2;

// Everything else a wait looks for arrives as an event of this thread (socket and
// lookup notifiers, the time-out timer, the user's input); the pass sleeps in the
// event loop until one comes. The heartbeat only bounds a pass should none come.
constexpr int HeartbeatMilliseconds = 50;

bool AnyReady(pollfd* watched, nfds_t count, int milliseconds)
{
    return count > 0 && poll(watched, count, milliseconds) > 0;
}

void SleepUntilNextEvent()
{
    static QTimer* heartbeat = [] {
        auto* timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        return timer;
    }();
    heartbeat->start(HeartbeatMilliseconds);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    heartbeat->stop();
}

} // namespace

void WaitStep(std::initializer_list<TWaitHandle> handles)
{
    pollfd watched[4];
    nfds_t count = 0;
    bool awaitsWrite = false;
    for (const TWaitHandle& handle : handles)
        if (handle.Handle >= 0 && count < std::size(watched)) {
            watched[count++] = pollfd{handle.Handle, handle.Events, 0};
            awaitsWrite = awaitsWrite || (handle.Events & POLLOUT);
        }
    if (AnyReady(watched, count, 0) || awaitsWrite) {
        if (awaitsWrite)
            AnyReady(watched, count, WritePassMilliseconds);
        DispatchPendingEvents();
        return;
    }
    SleepUntilNextEvent();
}

void DispatchPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }
