// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/SocketSession.h"

#include "platform/AsyncSocket.h"
#include "platform/InternetAddress.h"
#include "platform/NameLookup.h"
#include "platform/SocketLibrary.h"
#include "platform/WaitStep.h"
#include "platform/WinsockErrors.h"

#include <optional>

namespace {
constexpr int LevelTransfer = 4;
constexpr int LevelDetail = 8;
constexpr std::size_t SessionBufferSize = TSocketSession::TransferSize + 1;
} // namespace

TSocketSession::TSocketSession(QObject* owner)
    : TComponent(owner), FSessionBuffer(new char[SessionBufferSize]()),
      FLookup(std::make_unique<TNameLookup>(
          [this](const std::vector<TNetAddress>& addresses, int error) { HandleLookupDone(addresses, error); }))
{
    FIdleFlush = std::make_unique<TSystemTimer>([this] { IdleFlushTick(); });
    FTimer = new TTimeoutTimer(this);
    FTimer->SetEnabled(false);
    FTimer->SetOnTimer([this](QObject*) { TimerTriggered(); });

    ReportStatus(LevelDetail, "Initializing Winsock");
    for (const std::string& line : StartSocketLibrary())
        FWinsockInfo.Add(line);
    try {
        OpenSocket(true);
    } catch (const ESocketError& error) {
        StopSocketLibrary();
        throw ESocketError(TSocketErrorKind::StartupFailed, "Initializaton of windows sockets failed",
                           error.ErrorNumber());
    }
}

TSocketSession::~TSocketSession()
{
    BeginDestroy();
    try {
        Abort();
        Cancel();
        FLookup.reset();
        delete FTimer;
        FTimer = nullptr;
        FDestroying = true;
        RequestCloseSocket();
    } catch (...) {
        // A destructor must finish; the socket is closed by its owner below anyway.
    }
    StopSocketLibrary();
}

void TSocketSession::OpenSocket(bool abortiveClose)
{
    if (!FSocket)
        FSocket = NewSocket();
    if (!FSocket->Open(abortiveClose))
        CheckSocketError(TSocketErrorKind::StartupFailed, wsa::WouldBlock);
}

void TSocketSession::ReportStatus(int level, const std::string& text)
{
    if (level > FReportLevel)
        return;
    FStatusText = text;
    if (IsDestroying())
        return;
    try {
        Fire(OnStatus, this, text);
    } catch (...) {
        // Status is informational; a failing handler must not end the operation.
    }
}

void TSocketSession::WaitPass(short socketEvents)
{
    WaitStep({{socketEvents != 0 && FSocket ? FSocket->Handle() : -1, socketEvents},
              {FLookup ? FLookup->WakeHandle() : -1, ReadableEvent}});
}

// Reads and sends test the socket themselves after every pass.
void TSocketSession::TransferPass(short socketEvents)
{
    if (FSocket)
        WaitForHandle({FSocket->Handle(), socketEvents});
    else
        WaitStep({});
}

// ---- Connection -------------------------------------------------------------

void TSocketSession::ResolveHost()
{
    ReportStatus(LevelDetail, "Resolve Host");
    const std::string name = FHost.substr(0, FHost.find('\0'));
    FRemoteAddresses.clear();
    if (const std::optional<TNetAddress> literal = ParseAddressLiteral(name)) {
        if (!literal->IsUnspecified())
            FRemoteAddresses.push_back(*literal);
        return;
    }
    {
        TTimerGuard timer(*this);
        FAsyncDone = false;
        if (!FLookup->Start(name))
            throw ESocketError(TSocketErrorKind::LookupFailed, "Host Lookup Failed", WsaGetLastError());
        while (!FAsyncDone && !FTimedOut && !FCanceled)
            WaitPass(0);
        FLookup->Abandon();
    }
    if (FTimedOut)
        throw ESocketError(TSocketErrorKind::LookupTimedOut, "Host Lookup Timed Out");
    if (FCanceled)
        throw ESocketError(TSocketErrorKind::LookupCanceled, "Host Lookup Canceled");
    if (!FAsyncSuccess)
        throw ESocketError(TSocketErrorKind::LookupFailed, "Host Lookup Failed", FLookupError);
    FRemoteAddresses = FResolvedAddresses;
    Fire(OnHostResolved, this);
}

void TSocketSession::Connect()
{
    ReportStatus(LevelDetail, "Connecting");
    FCanceled = false;
    if (FConnected)
        throw ESocketError(TSocketErrorKind::AlreadyConnected, "Already connected");
    FCloseError = 0;
    int lookupError = 0;
    for (int retries = 0;; ++retries) {
        try {
            ResolveHost();
        } catch (const ESocketError& error) {
            if (error.Kind() == TSocketErrorKind::LookupTimedOut || error.Kind() == TSocketErrorKind::LookupCanceled)
                throw;
            lookupError = error.ErrorNumber();
        }
        if (!FRemoteAddresses.empty())
            break;
        bool handled = false;
        if (retries == 0 && OnInvalidHost)
            OnInvalidHost(handled);
        if (!handled)
            throw ESocketError(TSocketErrorKind::NullRemoteAddress, "Null Remote Address", lookupError);
    }
    FRemotePort = NetworkPort(static_cast<std::uint16_t>(FPort));
    FAsyncDone = false;
    FAsyncSuccess = true;
    FConnectOutcome.reset();
    RaceConnections();
    // The connection counts as made once the library said so, even when the peer has
    // closed or reset it since (in the same pass): that is for the first transfer to
    // report, with the reset's own number.
    if (!FTimedOut && !FCanceled && FConnectOutcome == 0)
        return;
    Fire(OnConnectionFailed, this);
    if (FTimedOut)
        throw ESocketError(TSocketErrorKind::ConnectTimedOut, "Connection Timed out");
    if (FCanceled)
        throw ESocketError(TSocketErrorKind::ConnectCanceled, "Connection Canceled");
    throw ESocketError(TSocketErrorKind::ConnectFailed, "Connection Failed", FConnectOutcome.value_or(0));
}

void TSocketSession::Disconnect()
{
    ReportStatus(LevelDetail, "Disconnecting");
    // What was written still goes out, unless the dialogue was cut: then it would only
    // be read as more of an unfinished exchange.
    if (PendingOutput() > 0 && !FExchangeCut && FConnected) {
        TTimerGuard timer(*this);
        try {
            FlushOutput();
        } catch (const ESocketError&) {
            // The connection is closed below all the same.
        }
    }
    FCloseError = 0;
    RequestCloseSocket();
}

// Closing always leaves a fresh, unconnected socket behind for the next Connect,
// except while the session itself is going away.
void TSocketSession::RequestCloseSocket()
{
    ReportStatus(LevelTransfer, "Request Close Socket");
    DiscardOutput();
    FConnected = false;
    FExchangeCut = false;
    if (!FSocket || !FSocket->IsOpen())
        return;
    if (FSocket->Close() != 0) {
        CheckSocketError(TSocketErrorKind::CloseFailed, wsa::WouldBlock);
        return;
    }
    if (!IsDestroying())
        Fire(OnDisconnect, this);
    if (!FDestroying)
        FSocket->Open(false);
}

void TSocketSession::Cancel()
{
    ReportStatus(LevelDetail, "Canceling");
    FCanceled = true;
    FCancelIsTimeOut = false;
}

void TSocketSession::Abort()
{
    ReportStatus(LevelDetail, "Abort");
    Cancel();
}

void TSocketSession::CheckConnection()
{
    ReportStatus(LevelDetail, "Checking Connection");
    for (int asked = 0; !FConnected; ++asked) {
        bool handled = false;
        if (asked == 0 && OnConnectionRequired)
            OnConnectionRequired(handled);
        if (!handled)
            throw ESocketError(TSocketErrorKind::NotConnected, "Not Connected");
    }
}

bool TSocketSession::DataAvailable()
{
    ReportStatus(LevelDetail, "Data Available");
    const long peeked = FSocket->Recv(FSessionBuffer.get(), 1, true);
    if (peeked < 0)
        KeepCloseError();
    return peeked >= 1;
}

void TSocketSession::ClearInput()
{
    ReportStatus(LevelDetail, "Clearing Input");
    if (FSocket->Recv(FSessionBuffer.get(), TransferSize, false) < 0)
        KeepCloseError();
}

// A peek or a discard that meets the error which ended the connection (a reset) does
// not report it; the next send or read does, since the system tells it only once.
void TSocketSession::KeepCloseError()
{
    const int error = WsaGetLastError();
    if (error > 10000 && error != wsa::WouldBlock && error != wsa::NotConnected)
        FCloseError = error;
}

std::uint16_t TSocketSession::Listen(std::uint16_t port, bool loopbackOnly)
{
    const std::uint32_t address = loopbackOnly ? Ipv4Loopback() : Ipv4Any();
    if (FSocket->Listen(address, NetworkPort(port)) != 0)
        CheckSocketError(TSocketErrorKind::ListenFailed, wsa::NoError);
    return FSocket->LocalPort();
}

// ---- Errors -----------------------------------------------------------------

void TSocketSession::CheckSocketError(TSocketErrorKind failedStep, int expected, std::string& message)
{
    const int error = WsaGetLastError();
    FLastErrorNo = error;
    message.clear();
    if (error == expected || error <= 10000)
        return;
    message = LookupErrorMessage(error);
    Fire(OnError, this, static_cast<std::uint16_t>(error), message);
    throw ESocketError(failedStep, message, error);
}

void TSocketSession::CheckSocketError(TSocketErrorKind failedStep, int expected)
{
    std::string message;
    CheckSocketError(failedStep, expected, message);
}

std::string TSocketSession::LookupErrorMessage(int errorNo)
{
    ReportStatus(LevelDetail, "Looking Up Error Message");
    return SocketErrorText(errorNo);
}

// ---- Time-out ---------------------------------------------------------------

void TSocketSession::TimerOn()
{
    ReportStatus(LevelDetail, "Timer On");
    FTimedOut = false;
    // A negative time-out means none, as 0 does.
    FTimer->SetInterval(FTimeOut > 0 ? static_cast<std::uint32_t>(FTimeOut) : 0);
    FTimer->SetEnabled(true);
}

void TSocketSession::TimerOff()
{
    ReportStatus(LevelDetail, "Timer Off");
    if (FTimer)
        FTimer->SetEnabled(false);
}

void TSocketSession::TimerTriggered()
{
    ReportStatus(LevelDetail, "Timer Triggered");
    TimerOff();
    FTimedOut = true;
    FAsyncDone = true;
    Abort();
    FCancelIsTimeOut = true;
}

// ---- Notifications ----------------------------------------------------------

void TSocketSession::HandleSocketEvent(int event, int error)
{
    try {
        FAsyncSuccess = error == 0;
        switch (event) {
        case FD_READ: try { Fire(OnDataAvailable, this);
            } catch (...) {
            }
            break;
        case FD_ACCEPT:
            FConnected = true;
            FAsyncDone = true; // Accept waits for exactly this.
            Fire(OnAccept, this);
            break;
        case FD_CONNECT:
            FConnectOutcome = error;
            if (FAsyncSuccess) {
                FConnected = true;
                ConnectNotified();
            }
            break;
        case FD_CLOSE:
            // Data still unread keeps the connection until it has been taken. A reset
            // closes the session like an orderly close, but the next send or read
            // reports it, so that it never passes for the server's last word.
            if (!DataAvailable()) {
                RequestCloseSocket();
                if (error != 0)
                    FCloseError = error;
            }
            break;
        default: break;
        }
    } catch (...) {
        // Notifications have no caller to report to.
    }
}

void TSocketSession::HandleLookupDone(const std::vector<TNetAddress>& addresses, int error)
{
    FAsyncSuccess = error == 0;
    FLookupError = error;
    FResolvedAddresses = addresses;
    FAsyncDone = true;
}
