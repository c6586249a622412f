// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WaitStep.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <poll.h>

const short ReadableEvent = POLLIN;
const short WritableEvent = POLLOUT;

namespace {

// A reply on a fast network comes within this; the pass waits for it in poll().
constexpr int PollMilliseconds = 2;

// While the network keeps every pass busy, the thread's events are still dispatched
// at least this often, so that a time-out or a cancel click is not held up.
constexpr qint64 DispatchEveryMilliseconds = 10;

// Everything else a wait looks for arrives as an event of this thread (socket and
// lookup notifiers, the time-out timer, the user's input); a pass whose handles stay
// idle sleeps in the event loop until one comes. The heartbeat only bounds such a
// pass should none come.
constexpr int HeartbeatMilliseconds = 50;

QElapsedTimer& SinceLastDispatch()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return timer;
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
    SinceLastDispatch().restart();
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
    // Writability has no notification of its own while a send is pending: such a
    // pass polls.
    if ((count > 0 && poll(watched, count, PollMilliseconds) > 0) || awaitsWrite)
        DispatchPendingEvents();
    else
        SleepUntilNextEvent();
}

void WaitForHandle(TWaitHandle handle)
{
    pollfd watched{handle.Handle, handle.Events, 0};
    if (poll(&watched, 1, PollMilliseconds) > 0)
        DispatchEventsWhenDue();
    else if (handle.Events & POLLOUT)
        DispatchPendingEvents();
    else
        SleepUntilNextEvent();
}

void DispatchPendingEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    SinceLastDispatch().restart();
}

void DispatchEventsWhenDue()
{
    if (SinceLastDispatch().elapsed() >= DispatchEveryMilliseconds)
        DispatchPendingEvents();
}
