// SPDX-License-Identifier: GPL-3.0-or-later
// Connecting to the host's addresses in turn (RFC 8305, Happy Eyeballs).
#include "net/SocketSession.h"

#include "platform/AsyncSocket.h"
#include "platform/WinsockErrors.h"

#include <QTimer>

#include <algorithm>

namespace {
// RFC 8305 section 5: the recommended Connection Attempt Delay.
constexpr int ConnectionAttemptDelayMilliseconds = 250;
} // namespace

std::unique_ptr<TAsyncSocket> TSocketSession::NewSocket()
{
    auto socket = std::make_unique<TAsyncSocket>(nullptr);
    const TAsyncSocket* identity = socket.get();
    socket->SetNotify([this, identity](int event, int error) { RouteSocketEvent(identity, event, error); });
    return socket;
}

// The session's socket hears everything; an attempt still racing hears only its connect
// outcome; a loser's late events are dropped, as it is about to be closed.
void TSocketSession::RouteSocketEvent(const TAsyncSocket* socket, int event, int error)
{
    if (socket == FSocket.get()) {
        HandleSocketEvent(event, error);
        return;
    }
    for (TConnectAttempt& attempt : FAttempts)
        if (attempt.Socket.get() == socket) {
            HandleAttemptEvent(attempt, event, error);
            return;
        }
}

// The first attempt to connect becomes the session's socket, and the race is over.
void TSocketSession::HandleAttemptEvent(TConnectAttempt& attempt, int event, int error)
{
    if (event != FD_CONNECT || FSocket || attempt.Failed)
        return;
    if (error != 0) {
        attempt.Failed = true;
        FLastConnectError = error;
        FConnectFailedAtOnce = false;
        return;
    }
    FSocket = std::move(attempt.Socket);
    attempt.Failed = true;
    HandleSocketEvent(FD_CONNECT, wsa::NoError);
}

// The session's own socket makes the first attempt, so that a host with one address
// is connected as it always was; each further address gets a socket of its own.
bool TSocketSession::StartNextAttempt()
{
    const std::size_t index = FAttempts.size();
    if (index >= FRemoteAddresses.size())
        return false;
    TConnectAttempt attempt;
    if (index == 0) {
        attempt.Socket = std::move(FSocket);
    } else {
        attempt.Socket = NewSocket();
        attempt.Socket->Open(FAttempts.front().Socket ? FAttempts.front().Socket->AbortiveClose() : false,
                             FRemoteAddresses[index].Family);
    }
    FAttempts.push_back(std::move(attempt));
    TAsyncSocket& socket = *FAttempts.back().Socket;
    if (socket.Connect(FRemoteAddresses[index], FRemotePort) != 0 && WsaGetLastError() != wsa::WouldBlock) {
        FAttempts.back().Failed = true;
        FLastConnectError = WsaGetLastError();
        FConnectFailedAtOnce = true;
    }
    FAttemptDelay->start(ConnectionAttemptDelayMilliseconds);
    return true;
}

// The next address is tried 250 ms after the last one started, or at once when every
// attempt so far has failed (RFC 8305 section 5); the first connection made wins.
// The time-out and a cancel end every attempt together.
void TSocketSession::RaceConnections()
{
    if (!FAttemptDelay) {
        FAttemptDelay = new QTimer(this);
        FAttemptDelay->setSingleShot(true);
        // A coarse timer may fire 5 % early; the delay is a promise to the first address.
        FAttemptDelay->setTimerType(Qt::PreciseTimer);
    }
    FAttempts.clear();
    FLastConnectError = 0;
    FConnectFailedAtOnce = false;
    struct TRaceEnd {
        TSocketSession& Session;
        ~TRaceEnd() { Session.EndRace(); }
    } raceEnd{*this};
    StartNextAttempt();
    TTimerGuard timer(*this);
    while (!FConnectOutcome && !FTimedOut && !FCanceled) {
        const bool allFailed =
            std::all_of(FAttempts.begin(), FAttempts.end(), [](const TConnectAttempt& a) { return a.Failed; });
        const bool delayOver = !FAttemptDelay->isActive();
        if ((allFailed || delayOver) && StartNextAttempt())
            continue;
        if (!allFailed) {
            WaitPass(0);
            continue;
        }
        if (FConnectFailedAtOnce) {
            EndRace();
            WsaSetLastError(FLastConnectError);
            CheckSocketError(TSocketErrorKind::ConnectFailed, wsa::WouldBlock);
        }
        FConnectOutcome = FLastConnectError;
    }
}

// The attempts that did not win are closed; without a winner the first attempt's socket
// stays the session's, as a session always has one.
void TSocketSession::EndRace()
{
    if (FAttemptDelay)
        FAttemptDelay->stop();
    std::vector<TConnectAttempt> attempts = std::move(FAttempts);
    FAttempts.clear();
    if (!FSocket && !attempts.empty() && attempts.front().Socket)
        FSocket = std::move(attempts.front().Socket);
    if (!FSocket)
        OpenSocket(false);
}
