// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Component.h"
#include "base/Events.h"
#include "base/Stream.h"
#include "base/StringList.h"
#include "net/SocketErrors.h"
#include "net/TimeoutTimer.h"
#include "platform/NetAddress.h"

class TAsyncSocket;
class TNameLookup;
class QTimer;

// One TCP client connection to Host:Port, driven from the user-interface thread.
// Every operation looks blocking: it waits in short passes that dispatch the
// thread's events, so notifications, timer ticks and the user's cancel are handled
// in the middle of it. A time-out and a cancel request end waits early.
class TSocketSession : public TComponent {
public:
    explicit TSocketSession(QObject* owner = nullptr);
    ~TSocketSession() override;
    TSocketSession(const TSocketSession&) = delete;
    TSocketSession& operator=(const TSocketSession&) = delete;

    // Connection.
    virtual void Connect();
    virtual void Disconnect();
    void Cancel();
    virtual void Abort();
    void CheckConnection();
    bool DataAvailable();
    void ClearInput();

    // Transfer. Lines are sent with CR LF; a line read keeps its terminator.
    void Write(const std::string& text);
    void Writeln(const std::string& text);
    // length 0 sends up to the first NUL byte.
    void SendBuffer(const char* block, std::uint16_t length);
    // Returns the next line with its LF, or empty when the peer has closed.
    std::string ReadLn();
    // Sends the command as one line and returns the first line of the reply.
    virtual std::string Transaction(const std::string& command);
    void SendStream(TStream& stream);
    // Sends the bytes as they are, of any length (Write stops at a NUL and 65,535 bytes).
    void WriteAll(const std::string& bytes);
    // Bytes given to the writes above and not yet handed to the connection.
    std::size_t PendingOutput() const { return FOutput.size() - FOutputSent; }

    // Turns the connection into TLS (a client handshake), checking the server's
    // certificate against serverName; from then on every transfer goes through TLS.
    // Raises ESocketError (a certificate kind, or TlsFailed) and EAbortError on time-out
    // or cancel; either way the connection cannot carry the dialogue any more.
    void StartTls(const std::string& serverName);
    bool TlsActive() const;
    // The connection's own address as an address literal ("[192.0.2.1]",
    // "[IPv6:2001:db8::1]", RFC 5321 section 4.1.3), empty when unconnected.
    std::string LocalAddressLiteral() const;
    // Waits for an incoming connection on a listening session and returns its
    // socket (non-blocking, owned by the caller).
    virtual int Accept();

    // Properties.
    const std::string& Host() const { return FHost; }
    void SetHost(const std::string& host) { FHost = host; }
    int Port() const { return FPort; }
    void SetPort(int port) { FPort = port; }
    // Milliseconds; 0 or less means waits have no time limit.
    int TimeOut() const { return FTimeOut; }
    void SetTimeOut(int milliseconds) { FTimeOut = milliseconds; }
    // Status texts of this level or lower are reported.
    int ReportLevel() const { return FReportLevel; }
    void SetReportLevel(int level) { FReportLevel = level; }

    bool Connected() const { return FConnected; }
    bool Canceled() const { return FCanceled; }
    std::int16_t ReplyNumber() const { return FReplyNumber; }
    const std::string& LastReply() const { return FLastReply; }
    std::int64_t BytesSent() const { return FBytesSent; }
    std::int64_t BytesTotal() const { return FBytesTotal; }
    const std::string& StatusText() const { return FStatusText; }
    int LastErrorNo() const { return FLastErrorNo; }
    const TStringList& WinsockInfo() const { return FWinsockInfo; }
    // A transfer of this connection ended by time-out or cancel: an answer may be
    // missing or still to come, so the dialogue cannot go on. Cleared by a close.
    bool ExchangeCut() const { return FExchangeCut; }

    // Events.
    TNotifyEvent OnConnect;
    TNotifyEvent OnDisconnect;
    THandlerEvent OnInvalidHost;
    THostResolvedEvent OnHostResolved;
    TStatusEvent OnStatus;
    TNotifyEvent OnConnectionFailed;
    THandlerEvent OnConnectionRequired;
    TNotifyEvent OnPacketSent;
    TNotifyEvent OnDataAvailable;
    TNotifyEvent OnAccept;
    TSocketErrorEvent OnError;
    // Kept for descendants that want to restart after an abort; never fired here.
    TNotifyEvent OnAbortRestart;

    // The leading decimal digits of a reply line as its code (0 when there are none).
    static std::int16_t ReplyNumberOf(const std::string& reply);

    // The size of one transfer: the longest line, the largest chunk of a stream.
    static constexpr std::size_t TransferSize = 65536;
    // Writes are gathered up to this size before they go out (see SocketOutput.cpp).
    static constexpr std::size_t OutputBatchSize = 65536;
    // Gathered writes go out on their own when nothing was added or read for this long.
    static constexpr std::uint32_t IdleFlushMilliseconds = 20;

protected:
    void ClearCanceled() { FCanceled = false; }
    // The dialogue cannot go on over this connection (see ExchangeCut).
    void MarkExchangeCut() { FExchangeCut = true; }
    // The library reported the connection established; fires OnConnect.
    virtual void ConnectNotified() { Fire(OnConnect, this); }
    void ReportStatus(int level, const std::string& text);
    // Raises ESocketError of the given kind (after OnError) unless the last socket
    // error is the expected one or not a socket error at all; message receives the text.
    void CheckSocketError(TSocketErrorKind failedStep, int expected, std::string& message);
    void CheckSocketError(TSocketErrorKind failedStep, int expected);
    std::string LookupErrorMessage(int errorNo);
    void ResolveHost();
    void RequestCloseSocket();
    void TimerOn();
    void TimerOff();
    void TimerTriggered();
    // Binds the session's idle socket to 127.0.0.1 (or any address) and listens, so
    // that Accept can take connections; returns the bound port.
    std::uint16_t Listen(std::uint16_t port, bool loopbackOnly = true);

private:
    class TTimerGuard;
    // What a wait pass watches on the session's socket (poll() events, 0 for none).
    void WaitPass(short socketEvents);
    void TransferPass(short socketEvents);
    long PeekOrWait(char* into, std::size_t room);
    void HandleSocketEvent(int event, int error);
    void HandleLookupDone(const std::vector<TNetAddress>& addresses, int error);
    // Connecting to the looked-up addresses (SocketConnect.cpp).
    struct TConnectAttempt {
        std::unique_ptr<TAsyncSocket> Socket;
        bool Failed = false;
    };
    void RaceConnections();
    bool StartNextAttempt();
    void RouteSocketEvent(const TAsyncSocket* socket, int event, int error);
    void HandleAttemptEvent(TConnectAttempt& attempt, int event, int error);
    void EndRace();
    std::unique_ptr<TAsyncSocket> NewSocket();
    void OpenSocket(bool abortiveClose);
    // The output batch (SocketOutput.cpp).
    void QueueOutput(const char* data, std::size_t length);
    void FlushOutput();
    long SendPendingOutput();
    void ArmIdleFlush();
    void IdleFlushTick();
    void DiscardOutput();
    void RestartTimeOut();
    void RaiseIfCanceled(const char* message);
    void RaiseCloseError(TSocketErrorKind failedStep);
    void KeepCloseError();
    std::string TakeOverlongLine();

    std::unique_ptr<char[]> FSessionBuffer;
    std::string FOutput; // gathered writes; the first FOutputSent bytes are sent
    std::size_t FOutputSent = 0;
    bool FFlushing = false;
    std::unique_ptr<TSystemTimer> FIdleFlush;
    TStringList FWinsockInfo;
    std::int64_t FBytesSent = 0;
    bool FCanceled = false;
    bool FCancelIsTimeOut = false; // the pending cancel request came from the time-out
    bool FDestroying = false;
    int FLastErrorNo = 0;
    int FTimeOut = 0;
    int FReportLevel = 0;
    std::string FStatusText;
    TTimeoutTimer* FTimer = nullptr;
    bool FAsyncSuccess = false;
    bool FTimedOut = false;
    int FPort = 0;
    std::int64_t FBytesTotal = 0;
    bool FAsyncDone = false;
    std::uint32_t FRemoteAddress = 0; // an accepted peer's, network byte order
    std::uint16_t FRemotePort = 0;    // network byte order
    std::string FHost;
    std::vector<TNetAddress> FResolvedAddresses;
    std::vector<TNetAddress> FRemoteAddresses; // in the order to try them
    std::vector<TConnectAttempt> FAttempts;    // while a connection is being made
    QTimer* FAttemptDelay = nullptr;
    int FLastConnectError = 0;         // of the attempt that failed last
    bool FConnectFailedAtOnce = false; // that attempt's connect call failed itself
    int FLookupError = 0;
    std::optional<int> FConnectOutcome; // the error number of the connect notification
    int FCloseError = 0;                // the error that ended the connection (a reset),
                                        // not yet reported to a send or read
    std::string FLastReply;
    std::int16_t FReplyNumber = 0;
    std::unique_ptr<TAsyncSocket> FSocket;
    std::unique_ptr<TNameLookup> FLookup;
    bool FConnected = false;
    bool FExchangeCut = false;
};

// Arms the time-out for one wait and disarms it however the wait ends.
class TSocketSession::TTimerGuard {
public:
    explicit TTimerGuard(TSocketSession& session) : FSession(session) { FSession.TimerOn(); }
    ~TTimerGuard() { FSession.TimerOff(); }
    TTimerGuard(const TTimerGuard&) = delete;
    TTimerGuard& operator=(const TTimerGuard&) = delete;

private:
    TSocketSession& FSession;
};
