#include "net/SocketSession.h"

#include "platform/AsyncSocket.h"
#include "platform/NameLookup.h"
#include "platform/SocketLibrary.h"
#include "platform/WaitStep.h"
#include "platform/WinsockErrors.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>

namespace {
constexpr int LevelTransfer = 4;
constexpr int LevelDetail = 8;
constexpr std::size_t SessionBufferSize = TSocketSession::TransferSize + 1;
} // namespace

TSocketSession::TSocketSession(QObject* owner)
    : TComponent(owner),
      FSessionBuffer(new char[SessionBufferSize]()),
      FLookup(std::make_unique<TNameLookup>([this](std::uint32_t address, int error) { HandleLookupDone(address, error); }))
{
    FTimer = new TTimeoutTimer(this);
    FTimer->SetEnabled(false);
    FTimer->SetOnTimer([this](QObject*) { TimerTriggered(); });

    ReportStatus(LevelDetail, "Initializing Winsock");
    for (const std::string& line : StartSocketLibrary())
        FWinsockInfo.Add(line);
    try {
        OpenSocket(true);
    } catch (const ESocketError&) {
        StopSocketLibrary();
        throw ESocketError("Initializaton of windows sockets failed");
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
        FSocket = std::make_unique<TAsyncSocket>([this](int event, int error) { HandleSocketEvent(event, error); });
    if (!FSocket->Open(abortiveClose))
        CheckSocketError(wsa::WouldBlock);
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
              {FLookup ? FLookup->WakeHandle() : -1, POLLIN}});
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
    FRemoteAddress = inet_addr(name.c_str());
    if (FRemoteAddress != INADDR_NONE)
        return;
    FRemoteAddress = 0;
    {
        TTimerGuard timer(*this);
        FAsyncDone = false;
        if (!FLookup->Start(name))
            throw ESocketError("Host Lookup Failed");
        while (!FAsyncDone && !FTimedOut && !FCanceled)
            WaitPass(0);
        FLookup->Abandon();
    }
    if (FTimedOut)
        throw ESocketError("Host Lookup Timed Out");
    if (FCanceled)
        throw ESocketError("Host Lookup Canceled");
    if (!FAsyncSuccess)
        throw ESocketError("Host Lookup Failed");
    FRemoteAddress = FResolvedAddress;
    Fire(OnHostResolved, this);
}

void TSocketSession::Connect()
{
    ReportStatus(LevelDetail, "Connecting");
    FCanceled = false;
    if (FConnected)
        throw ESocketError("Already connected");
    for (int retries = 0;; ++retries) {
        try {
            ResolveHost();
        } catch (const ESocketError& error) {
            if (error.Message() == "Host Lookup Timed Out" || error.Message() == "Host Lookup Canceled")
                throw;
        }
        if (FRemoteAddress != 0)
            break;
        bool handled = false;
        if (retries == 0 && OnInvalidHost)
            OnInvalidHost(handled);
        if (!handled)
            throw ESocketError("Null Remote Address");
    }
    FRemotePort = htons(static_cast<std::uint16_t>(FPort));
    FAsyncDone = false;
    FAsyncSuccess = true;
    if (FSocket->Connect(FRemoteAddress, FRemotePort) != 0)
        CheckSocketError(wsa::WouldBlock);
    {
        TTimerGuard timer(*this);
        while (!FConnected && !FTimedOut && !FCanceled && FAsyncSuccess)
            WaitPass(POLLOUT);
    }
    if (!FTimedOut && !FCanceled && FAsyncSuccess)
        return;
    Fire(OnConnectionFailed, this);
    if (FTimedOut)
        throw ESocketError("Connection Timed out");
    if (FCanceled)
        throw ESocketError("Connection Canceled");
    throw ESocketError("Connection Failed");
}

void TSocketSession::Disconnect()
{
    ReportStatus(LevelDetail, "Disconnecting");
    RequestCloseSocket();
}

// Closing always leaves a fresh, unconnected socket behind for the next Connect,
// except while the session itself is going away.
void TSocketSession::RequestCloseSocket()
{
    ReportStatus(LevelTransfer, "Request Close Socket");
    FConnected = false;
    FExchangeCut = false;
    if (!FSocket || !FSocket->IsOpen())
        return;
    if (FSocket->Close() != 0) {
        CheckSocketError(wsa::WouldBlock);
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
            throw Exception("Not Connected");
    }
}

bool TSocketSession::DataAvailable()
{
    ReportStatus(LevelDetail, "Data Available");
    return FSocket->Recv(FSessionBuffer.get(), 1, true) >= 1;
}

void TSocketSession::ClearInput()
{
    ReportStatus(LevelDetail, "Clearing Input");
    FSocket->Recv(FSessionBuffer.get(), TransferSize, false);
}

std::uint16_t TSocketSession::Listen(std::uint16_t port, bool loopbackOnly)
{
    const std::uint32_t address = htonl(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
    if (FSocket->Listen(address, htons(port)) != 0)
        CheckSocketError(wsa::NoError);
    return FSocket->LocalPort();
}

// ---- Errors -----------------------------------------------------------------

void TSocketSession::CheckSocketError(int expected, std::string& message)
{
    const int error = WsaGetLastError();
    FLastErrorNo = error;
    message.clear();
    if (error == expected || error <= 10000)
        return;
    message = LookupErrorMessage(error);
    Fire(OnError, this, static_cast<std::uint16_t>(error), message);
    throw ESocketError(message);
}

void TSocketSession::CheckSocketError(int expected)
{
    std::string message;
    CheckSocketError(expected, message);
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
}

// ---- Notifications ----------------------------------------------------------

void TSocketSession::HandleSocketEvent(int event, int error)
{
    try {
        FAsyncSuccess = error == 0;
        switch (event) {
        case FD_READ:
            try {
                Fire(OnDataAvailable, this);
            } catch (...) {
            }
            break;
        case FD_ACCEPT:
            FConnected = true;
            FAsyncDone = true; // Accept waits for exactly this.
            Fire(OnAccept, this);
            break;
        case FD_CONNECT:
            if (FAsyncSuccess) {
                FConnected = true;
                ConnectNotified();
            }
            break;
        case FD_CLOSE:
            // Data still unread keeps the connection until it has been taken.
            if (!DataAvailable())
                RequestCloseSocket();
            break;
        default:
            break;
        }
    } catch (...) {
        // Notifications have no caller to report to.
    }
}

void TSocketSession::HandleLookupDone(std::uint32_t address, int error)
{
    FAsyncSuccess = error == 0;
    FResolvedAddress = address;
    FAsyncDone = true;
}
