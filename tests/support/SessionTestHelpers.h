// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "net/SocketSession.h"
#include "platform/WaitStep.h"

// Runs event-dispatching passes until done() holds or the limit has passed.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline)
        WaitStep({});
    return done();
}

inline void PumpPasses(int passes)
{
    for (int i = 0; i < passes; ++i)
        WaitStep({});
}

// The message of the expected exception class, or a note of what happened instead.
template <typename E, typename F>
std::string MessageOf(F&& action)
{
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    } catch (const std::exception& other) {
        return std::string("(other exception) ") + other.what();
    }
    return "(nothing raised)";
}

// What a socket error told its catcher. Raised is false when the action raised nothing
// or something other than ESocketError.
struct SocketFailure {
    bool Raised = false;
    bool Abort = false; // raised as EAbortError
    TSocketErrorKind Kind = TSocketErrorKind::StartupFailed;
    int Number = 0;
    std::string Message;
};

template <typename F>
SocketFailure SocketFailureOf(F&& action)
{
    try {
        action();
    } catch (const EAbortError& error) {
        return {true, true, error.Kind(), error.ErrorNumber(), error.Message()};
    } catch (const ESocketError& error) {
        return {true, false, error.Kind(), error.ErrorNumber(), error.Message()};
    } catch (const std::exception& other) {
        return {false, false, {}, 0, std::string("(other exception) ") + other.what()};
    }
    return {false, false, {}, 0, "(nothing raised)"};
}

// A session pointed at a loopback port, with counters on its events.
struct CountedSession {
    TSocketSession Session;
    int Connects = 0;
    int Disconnects = 0;
    int Resolved = 0;
    int Failures = 0;
    std::vector<std::string> Statuses;

    explicit CountedSession(std::uint16_t port, const std::string& host = "127.0.0.1")
    {
        Session.SetHost(host);
        Session.SetPort(port);
        Session.OnConnect = [this](QObject*) { ++Connects; };
        Session.OnDisconnect = [this](QObject*) { ++Disconnects; };
        Session.OnHostResolved = [this](QObject*) { ++Resolved; };
        Session.OnConnectionFailed = [this](QObject*) { ++Failures; };
        Session.OnStatus = [this](QObject*, const std::string& text) { Statuses.push_back(text); };
    }
};
