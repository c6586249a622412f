#pragma once
#include <initializer_list>

// What one pass of a waiting operation watches: a handle and the poll() events that
// would end the pass early. A handle of -1 is ignored.
struct TWaitHandle {
    int Handle;
    short Events;
};

// One pass of every network wait: dispatch the pending events of this thread, first
// blocking until a watched handle is ready or an event arrives (a waited-for write
// blocks in poll() for at most 2 ms). Idle waits cost no processor time, and a ready
// network is served at once.
void WaitStep(std::initializer_list<TWaitHandle> handles);

// Dispatches the pending events of this thread without blocking.
void DispatchPendingEvents();
