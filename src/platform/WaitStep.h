#pragma once
#include <initializer_list>

// What one pass of a waiting operation watches: a handle and the poll() events that
// would end the pass early. A handle of -1 is ignored.
struct TWaitHandle {
    int Handle;
    short Events;
};

// One pass of every network wait: wait up to 2 ms for a watched handle; when one is
// ready, return (dispatching this thread's events at least every 10 ms); otherwise
// sleep in the event loop until an event comes (a waited-for write keeps polling).
// Idle waits cost no processor time, and a ready network is served at once.
void WaitStep(std::initializer_list<TWaitHandle> handles);

// Dispatches the pending events of this thread without blocking.
void DispatchPendingEvents();
