#pragma once
#include <initializer_list>

// What one pass of a waiting operation watches: a handle and the poll() events that
// would end the pass early. A handle of -1 is ignored.
struct TWaitHandle {
    int Handle;
    short Events;
};

// One pass of every network wait: block until a watched handle is ready or 2 ms
// have passed, then dispatch the pending events of this thread. Idle waits cost
// no processor time, and a ready network is served at once.
void WaitStep(std::initializer_list<TWaitHandle> handles);

// Dispatches the pending events of this thread without blocking.
void DispatchPendingEvents();
