#pragma once
#include <cstdint>
#include <vector>

// A port on 127.0.0.1 that refuses connections: bound, never listening, and held
// for the lifetime of the object so that nothing else takes it.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    std::uint16_t Port() const { return FPort; }

private:
    int FHandle = -1;
    std::uint16_t FPort = 0;
};

// A listener on 127.0.0.1 whose accept queue is full, so that a further connection
// attempt stays unanswered (its SYN is dropped) without leaving the loopback.
class FullBacklogListener {
public:
    FullBacklogListener();
    ~FullBacklogListener();
    FullBacklogListener(const FullBacklogListener&) = delete;
    FullBacklogListener& operator=(const FullBacklogListener&) = delete;
    std::uint16_t Port() const { return FPort; }
    // False when the queue could not be filled on this system.
    bool Full() const { return FFull; }

private:
    int FListener = -1;
    std::vector<int> FFillers;
    std::uint16_t FPort = 0;
    bool FFull = false;
};

// A blocking client connection to 127.0.0.1:port, for tests that need a peer.
int ConnectLoopback(std::uint16_t port);
