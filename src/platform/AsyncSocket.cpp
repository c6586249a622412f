// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AsyncSocket.h"

#include "platform/WinsockErrors.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int Fail(int error, bool connecting = false)
{
    WsaSetLastError(WsaErrorFromErrno(error, connecting));
    return -1;
}

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = port;
    result.sin_addr.s_addr = address;
    return result;
}

struct TSocketAddress {
    sockaddr_storage Storage{};
    socklen_t Length = 0;
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&Storage); }
};

TSocketAddress MakeAddress(const TNetAddress& address, std::uint16_t port)
{
    TSocketAddress result;
    if (address.IsIpv6()) {
        auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&result.Storage);
        ipv6->sin6_family = AF_INET6;
        ipv6->sin6_port = port;
        std::memcpy(&ipv6->sin6_addr, address.Bytes.data(), 16);
        result.Length = sizeof *ipv6;
    } else {
        auto* ipv4 = reinterpret_cast<sockaddr_in*>(&result.Storage);
        ipv4->sin_family = AF_INET;
        ipv4->sin_port = port;
        std::memcpy(&ipv4->sin_addr, address.Bytes.data(), 4);
        result.Length = sizeof *ipv4;
    }
    return result;
}

bool MakeNonBlocking(int handle)
{
    const int flags = fcntl(handle, F_GETFL);
    return flags >= 0 && fcntl(handle, F_SETFL, flags | O_NONBLOCK) == 0;
}

// The dialogue is many small writes; Nagle's algorithm together with delayed
// acknowledgements would hold each of them back by tens of milliseconds.
void DisableNagle(int handle)
{
    const int on = 1;
    setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// A connect() that fails at once on a non-blocking socket is reported like one that
// fails later, so that callers meet one path for every refused connection.
bool IsConnectOutcome(int error)
{
    return error == ECONNREFUSED || error == ETIMEDOUT || error == ENETUNREACH || error == EHOSTUNREACH
        || error == ECONNRESET;
}

// A pending connect reads these only when the handshake had completed: a refused or
// unanswered attempt reports ECONNREFUSED, ETIMEDOUT or an unreachable network instead.
bool EndsAnEstablishedConnection(int error)
{
    return error == ECONNRESET || error == EPIPE;
}

} // namespace

TAsyncSocket::TAsyncSocket(TNotify notify) : FNotify(std::move(notify))
{
}

TAsyncSocket::~TAsyncSocket()
{
    Close();
}

bool TAsyncSocket::Open(bool abortiveClose, TNetAddress::TFamily family)
{
    Close();
    const int domain = family == TNetAddress::TFamily::IPv6 ? AF_INET6 : AF_INET;
    const int handle = socket(domain, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (handle < 0)
        return Fail(errno), false;
    if (!MakeNonBlocking(handle)) {
        const int error = errno;
        ::close(handle);
        return Fail(error), false;
    }
    if (abortiveClose) {
        const linger resetOnClose{1, 0};
        setsockopt(handle, SOL_SOCKET, SO_LINGER, &resetOnClose, sizeof resetOnClose);
    }
    DisableNagle(handle);
    FHandle = handle;
    FAbortiveClose = abortiveClose;
    FFamily = family;
    FConnectTried = false;
    FImmediateConnectError = 0;
    FReadNotifier = new QSocketNotifier(handle, QSocketNotifier::Read, this);
    FWriteNotifier = new QSocketNotifier(handle, QSocketNotifier::Write, this);
    connect(FReadNotifier, &QSocketNotifier::activated, this, [this] { OnReadable(); });
    connect(FWriteNotifier, &QSocketNotifier::activated, this, [this] { OnWritable(); });
    SetState(TState::Idle);
    return true;
}

int TAsyncSocket::Close()
{
    if (FHandle < 0)
        return 0;
    for (QSocketNotifier* notifier : {FReadNotifier, FWriteNotifier}) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
    FReadNotifier = FWriteNotifier = nullptr;
    if (FTls)
        FTls->Shutdown();
    FTls.reset();
    const int handle = FHandle;
    FHandle = -1;
    FState = TState::Closed;
    if (::close(handle) != 0 && errno != EINTR)
        return Fail(errno);
    return 0;
}

// An unconnected socket polls as hung up, so notifiers stay off until there is
// something to report; otherwise every pass of the event loop would wake for it.
void TAsyncSocket::SetState(TState state)
{
    FState = state;
    if (FReadNotifier)
        FReadNotifier->setEnabled(state == TState::Connected || state == TState::Listening);
    if (FWriteNotifier)
        FWriteNotifier->setEnabled(state == TState::Connecting);
}

void TAsyncSocket::ArmRead()
{
    if (FReadNotifier && (FState == TState::Connected || FState == TState::Listening))
        FReadNotifier->setEnabled(true);
}

int TAsyncSocket::Connect(const TNetAddress& address, std::uint16_t port)
{
    if (FHandle < 0)
        return Fail(EBADF);
    // A socket whose earlier attempt failed cannot be trusted with another one on
    // every kernel; a fresh socket with the same options behaves the same everywhere.
    const bool reopen = (FConnectTried && FState != TState::Connected) || address.Family != FFamily;
    if (reopen && !Open(FAbortiveClose, address.Family))
        return -1;
    FConnectTried = true;
    FImmediateConnectError = 0;
    const TSocketAddress remote = MakeAddress(address, port);
    if (::connect(FHandle, remote.Get(), remote.Length) == 0) {
        SetState(TState::Connecting);
        return 0;
    }
    const int error = errno;
    if (error == EINPROGRESS || IsConnectOutcome(error)) {
        FImmediateConnectError = error == EINPROGRESS ? 0 : error;
        SetState(TState::Connecting);
        return Fail(EINPROGRESS, true);
    }
    return Fail(error, true);
}

int TAsyncSocket::Listen(std::uint32_t address, std::uint16_t port)
{
    if (FHandle < 0)
        return Fail(EBADF);
    const int on = 1;
    setsockopt(FHandle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in local = MakeAddress(address, port);
    if (::bind(FHandle, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0
        || ::listen(FHandle, SOMAXCONN) != 0)
        return Fail(errno);
    SetState(TState::Listening);
    return 0;
}

std::uint16_t TAsyncSocket::LocalPort() const
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (FHandle < 0 || getsockname(FHandle, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

int TAsyncSocket::Accept(std::uint32_t& peerAddress, std::uint16_t& peerPort)
{
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int handle = ::accept4(FHandle, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    const int error = errno;
    ArmRead();
    if (handle < 0)
        return Fail(error);
    DisableNagle(handle);
    peerAddress = peer.sin_addr.s_addr;
    peerPort = peer.sin_port;
    return handle;
}

long TAsyncSocket::Send(const char* data, std::size_t length)
{
    if (FTls)
        return FTls->Send(data, length);
    // MSG_NOSIGNAL: a peer that has gone must surface as an error, not as SIGPIPE.
    const ssize_t sent = ::send(FHandle, data, length, MSG_NOSIGNAL);
    return sent < 0 ? Fail(errno) : static_cast<long>(sent);
}

long TAsyncSocket::Recv(char* buffer, std::size_t length, bool peek)
{
    if (FTls) {
        const long received = FTls->Recv(buffer, length, peek);
        ArmRead();
        return received;
    }
    const ssize_t received = ::recv(FHandle, buffer, length, peek ? MSG_PEEK : 0);
    const int error = errno;
    ArmRead();
    return received < 0 ? Fail(error) : static_cast<long>(received);
}

short TAsyncSocket::WaitEvents(short plain) const
{
    return FTls ? FTls->WaitEvents() : plain;
}

bool TAsyncSocket::BeginTls(const std::string& serverName)
{
    if (FHandle < 0 || FState != TState::Connected)
        return false;
    FTls = std::make_unique<TTlsChannel>();
    return FTls->Begin(FHandle, serverName);
}

// The handshake reads like Recv does, so the read notifier is armed again after each
// step: the server's next flight must wake a wait that sleeps in the event loop.
int TAsyncSocket::TlsHandshake()
{
    if (!FTls)
        return -1;
    const int result = FTls->Handshake();
    ArmRead();
    return result;
}

TTlsProblem TAsyncSocket::TlsProblem() const
{
    return FTls ? FTls->Problem() : TTlsProblem::Failed;
}

std::string TAsyncSocket::TlsProblemDetail() const
{
    return FTls ? FTls->ProblemDetail() : "the connection closed during the handshake";
}

std::string TAsyncSocket::LocalAddress() const
{
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (FHandle < 0 || getsockname(FHandle, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return {};
    TNetAddress address;
    if (local.ss_family == AF_INET6) {
        address.Family = TNetAddress::TFamily::IPv6;
        std::memcpy(address.Bytes.data(), &reinterpret_cast<const sockaddr_in6*>(&local)->sin6_addr, 16);
    } else {
        std::memcpy(address.Bytes.data(), &reinterpret_cast<const sockaddr_in*>(&local)->sin_addr, 4);
    }
    return address.IsUnspecified() ? std::string() : address.Text();
}

void TAsyncSocket::OnWritable()
{
    const bool failedAtOnce = FImmediateConnectError != 0;
    int error = FImmediateConnectError;
    if (!failedAtOnce) {
        socklen_t length = sizeof error;
        if (getsockopt(FHandle, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
    }
    FImmediateConnectError = 0;
    if (!failedAtOnce && EndsAnEstablishedConnection(error)) {
        ReportConnectedThenClosed(WsaErrorFromErrno(error));
        return;
    }
    SetState(error == 0 ? TState::Connected : TState::Idle);
    Notify(FD_CONNECT, WsaErrorFromErrno(error));
}

// The handshake completed and the peer reset the connection before its outcome was
// read. The connection was made, so it is reported as made and then as closed with
// the reset's number, as if the two had been seen one after the other.
void TAsyncSocket::ReportConnectedThenClosed(int closeError)
{
    SetState(TState::Connected);
    Notify(FD_CONNECT, wsa::NoError);
    if (FState != TState::Connected)
        return; // the connect handler closed the socket already
    SetState(TState::Closed);
    Notify(FD_CLOSE, closeError);
}

// Level-triggered readiness is turned into one event per consuming call: the read
// notifier stays off after an event until Recv or Accept runs again.
void TAsyncSocket::OnReadable()
{
    FReadNotifier->setEnabled(false);
    if (FState == TState::Listening) {
        Notify(FD_ACCEPT, 0);
        return;
    }
    char probe;
    const ssize_t peeked = ::recv(FHandle, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked > 0) {
        Notify(FD_READ, 0);
    } else if (peeked == 0) {
        FState = TState::Closed;
        Notify(FD_CLOSE, 0);
    } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        FReadNotifier->setEnabled(true);
    } else {
        FState = TState::Closed;
        Notify(FD_CLOSE, WsaErrorFromErrno(errno));
    }
}

void TAsyncSocket::Notify(int event, int error)
{
    if (FNotify)
        FNotify(event, error);
}
