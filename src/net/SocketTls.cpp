// SPDX-License-Identifier: GPL-3.0-or-later
// TLS on the socket session's connection.
#include "net/SocketSession.h"

#include "platform/AsyncSocket.h"

namespace {
constexpr int LevelDetail = 8;

ESocketError HandshakeError(TTlsProblem problem, const std::string& detail)
{
    switch (problem) {
    case TTlsProblem::NotTrusted:
        return ESocketError(TSocketErrorKind::CertificateNotTrusted,
                            "The server's certificate is not trusted (" + detail + ")");
    case TTlsProblem::Expired:
        return ESocketError(TSocketErrorKind::CertificateExpired,
                            "The server's certificate has expired (" + detail + ")");
    case TTlsProblem::WrongName:
        return ESocketError(TSocketErrorKind::CertificateWrongName,
                            "The server's certificate is made out to another name (" + detail + ")");
    case TTlsProblem::None:
    case TTlsProblem::Failed: break;
    }
    return ESocketError(TSocketErrorKind::TlsFailed, "TLS handshake failed: " + detail);
}

} // namespace

// The handshake waits in the same passes as a read, so the time-out, a cancel and the
// program's exit end it at once, wherever it stands.
void TSocketSession::StartTls(const std::string& serverName)
{
    ReportStatus(LevelDetail, "Start TLS");
    // However it ends short of success, the connection is of no further use.
    FExchangeCut = true;
    if (!FSocket->BeginTls(serverName))
        throw ESocketError(TSocketErrorKind::TlsFailed, "TLS could not be started");
    {
        TTimerGuard timer(*this);
        FlushOutput(); // the last words in clear text come before the handshake
        for (int step = FSocket->TlsHandshake(); step != 1; step = FSocket->TlsHandshake()) {
            if (step < 0)
                throw HandshakeError(FSocket->TlsProblem(), FSocket->TlsProblemDetail());
            if (FCanceled)
                break;
            TransferPass(FSocket->WaitEvents(0));
            if (FCanceled)
                break;
        }
    }
    RaiseIfCanceled("TLS handshake aborted");
    FExchangeCut = false;
}

bool TSocketSession::TlsActive() const
{
    return FSocket && FSocket->TlsActive();
}

std::string TSocketSession::LocalAddressLiteral() const
{
    const std::string address = FConnected && FSocket ? FSocket->LocalAddress() : std::string();
    if (address.empty())
        return address;
    return address.find(':') != std::string::npos ? "[IPv6:" + address + "]" : "[" + address + "]";
}
