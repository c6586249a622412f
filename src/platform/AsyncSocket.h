// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/NetAddress.h"
#include "platform/TlsChannel.h"

#include <QObject>

class QSocketNotifier;

// Network events a socket reports, with the bit values of WSAAsyncSelect.
enum TSocketEvent : int { FD_READ = 1, FD_OOB = 4, FD_ACCEPT = 8, FD_CONNECT = 16, FD_CLOSE = 32 };

// A non-blocking IPv4 or IPv6 TCP socket that reports readiness as the four classic events,
// delivered on the thread that owns it while it dispatches events. Like the
// asynchronous socket API it stands for, each event is reported once and re-armed
// by the call that consumes it: FD_READ by the next recv or peek, FD_ACCEPT by the
// next accept. Failed calls return -1 and leave a Windows Sockets number in
// WsaGetLastError().
class TAsyncSocket : public QObject {
public:
    using TNotify = std::function<void(int event, int error)>;

    explicit TAsyncSocket(TNotify notify);
    // For an owner that names the socket in its own handler, which needs the socket first.
    void SetNotify(TNotify notify) { FNotify = std::move(notify); }
    ~TAsyncSocket() override;
    TAsyncSocket(const TAsyncSocket&) = delete;
    TAsyncSocket& operator=(const TAsyncSocket&) = delete;

    // Creates the socket; abortiveClose sets SO_LINGER {on, 0} so that closing
    // resets the connection at once. Returns false when the system refuses.
    bool Open(bool abortiveClose, TNetAddress::TFamily family = TNetAddress::TFamily::IPv4);
    bool AbortiveClose() const { return FAbortiveClose; }
    // Returns 0 or -1 (with the last error set) when close() fails.
    int Close();
    bool IsOpen() const { return FHandle >= 0; }
    int Handle() const { return FHandle; }

    // address and port in network byte order. A connection that cannot be made at
    // once answers would-block and reports its outcome through FD_CONNECT.
    // The socket is opened again in the address's family when it has the other one.
    int Connect(const TNetAddress& address, std::uint16_t port);
    int Connect(std::uint32_t address, std::uint16_t port) { return Connect(TNetAddress::FromIpv4(address), port); }
    int Listen(std::uint32_t address, std::uint16_t port);
    // Returns the port (host order) the socket is bound to, 0 when unknown.
    std::uint16_t LocalPort() const;
    // Returns the new non-blocking socket (owned by the caller) or -1.
    int Accept(std::uint32_t& peerAddress, std::uint16_t& peerPort);
    // After BeginTls, Send and Recv (peek included) carry the data through TLS.
    long Send(const char* data, std::size_t length);
    long Recv(char* buffer, std::size_t length, bool peek);
    // poll() events a Send or Recv that answered would-block waits for: plain for a
    // plain socket, whatever TLS needs under TLS.
    short WaitEvents(short plain) const;

    // TLS on the connected socket (see TTlsChannel); the handshake runs in steps of
    // TlsHandshake: 1 done, 0 wait for WaitEvents, -1 failed (TlsProblem tells why).
    bool BeginTls(const std::string& serverName);
    int TlsHandshake();
    bool TlsActive() const { return FTls && FTls->Established(); }
    TTlsProblem TlsProblem() const;
    std::string TlsProblemDetail() const;
    // The socket's own address (dotted IPv4, or IPv6 text); empty when it has none.
    std::string LocalAddress() const;

private:
    enum class TState { Idle, Connecting, Connected, Listening, Closed };

    void SetState(TState state);
    void OnReadable();
    void OnWritable();
    void ReportConnectedThenClosed(int closeError);
    void ArmRead();
    void Notify(int event, int error);

    TNotify FNotify;
    int FHandle = -1;
    bool FAbortiveClose = false;
    TNetAddress::TFamily FFamily = TNetAddress::TFamily::IPv4;
    bool FConnectTried = false;
    int FImmediateConnectError = 0;
    TState FState = TState::Idle;
    std::unique_ptr<TTlsChannel> FTls; // from BeginTls until the socket closes
    // Children of this object; a closed socket's notifiers are deleted later, since
    // the close may run inside their own activation.
    QSocketNotifier* FReadNotifier = nullptr;
    QSocketNotifier* FWriteNotifier = nullptr;
};
