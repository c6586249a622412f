// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <vector>

enum class LoopbackFamily { IPv4, IPv6 };

// The peers below live on 127.0.0.1 or ::1, on a free port or the one given (their
// Port() is 0 when that port is taken).

// A port that refuses connections: bound, never listening, and held for the lifetime
// of the object so that nothing else takes it.
class RefusingPort {
public:
    explicit RefusingPort(LoopbackFamily family = LoopbackFamily::IPv4, std::uint16_t port = 0);
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    std::uint16_t Port() const { return FPort; }

private:
    int FHandle = -1;
    std::uint16_t FPort = 0;
};

// A listener whose accept queue is full, so that a further connection attempt stays
// unanswered (its SYN is dropped) without leaving the loopback.
class FullBacklogListener {
public:
    explicit FullBacklogListener(LoopbackFamily family = LoopbackFamily::IPv4, std::uint16_t port = 0);
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

// A listener that the system answers for: connections are made, never accepted.
class AnsweringListener {
public:
    explicit AnsweringListener(LoopbackFamily family = LoopbackFamily::IPv4, std::uint16_t port = 0);
    ~AnsweringListener();
    AnsweringListener(const AnsweringListener&) = delete;
    AnsweringListener& operator=(const AnsweringListener&) = delete;
    std::uint16_t Port() const { return FPort; }

private:
    int FHandle = -1;
    std::uint16_t FPort = 0;
};

// A blocking client connection to 127.0.0.1:port, for tests that need a peer.
int ConnectLoopback(std::uint16_t port);
