// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <initializer_list>

// What one pass of a waiting operation watches: a handle and the poll() events that
// would end the pass early. A handle of -1 is ignored.
struct TWaitHandle {
    int Handle;
    short Events;
};

// The events a handle is watched for: ready to read, ready to write.
extern const short ReadableEvent;
extern const short WritableEvent;

// One pass of a wait for an event: wait up to 2 ms for a watched handle to be ready,
// then dispatch this thread's events; when none is ready (and no write is awaited),
// sleep in the event loop until an event comes. Idle waits cost no processor time,
// and a ready network is served at once.
void WaitStep(std::initializer_list<TWaitHandle> handles);

// One pass of a read or a send that tests its handle itself: when the handle is
// ready within 2 ms, return at once, dispatching events only if 10 ms have passed
// since the last dispatch; otherwise as WaitStep.
void WaitForHandle(TWaitHandle handle);

// Dispatches the pending events of this thread without blocking.
void DispatchPendingEvents();
// The same, when 10 ms have passed since the last dispatch: a loop that never waits
// (messages to a fast server) keeps the user's clicks and the time-out as prompt, at a
// fraction of the cost of dispatching on every turn.
void DispatchEventsWhenDue();
