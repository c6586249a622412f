// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/Exception.h"

// What went wrong in the socket session, so that callers decide on the failure
// without reading its text.
enum class TSocketErrorKind {
    StartupFailed,    // the socket layer or the session's socket could not be set up
    AlreadyConnected, // Connect on a connected session
    NotConnected,     // CheckConnection found no connection
    LookupFailed,     // the name lookup could not start or found nothing
    LookupTimedOut,
    LookupCanceled,
    NullRemoteAddress, // the host gave no address to connect to
    ConnectFailed,     // refused, unreachable, or the connect call itself failed
    ConnectTimedOut,
    ConnectCanceled,
    SendFailed,    // a send call failed, or the peer had reset the connection
    ReceiveFailed, // a receive call failed, or the peer had reset the connection
    TimedOut,      // a send or read ended by the time-out (EAbortError)
    Canceled,      // a send or read ended by a cancel request (EAbortError)
    CloseFailed,
    ListenFailed,
    AcceptFailed,
    AcceptCanceled,
    TlsFailed,             // the TLS handshake failed for a reason other than the certificate
    CertificateNotTrusted, // the server's certificate is signed by no trusted authority
    CertificateExpired,    // the server's certificate has expired (or is not valid yet)
    CertificateWrongName,  // the server's certificate is made out to another name
};

// A failure of the socket session; the message is the text the user sees. ErrorNumber
// is the Windows Sockets number behind it (10061 for a refused connection, 11001 for an
// unknown host), 0 when the failure has none.
class ESocketError : public Exception {
public:
    ESocketError(TSocketErrorKind kind, std::string message, int errorNumber = 0)
        : Exception(std::move(message)), FKind(kind), FErrorNumber(errorNumber)
    {
    }
    TSocketErrorKind Kind() const noexcept { return FKind; }
    int ErrorNumber() const noexcept { return FErrorNumber; }

private:
    TSocketErrorKind FKind;
    int FErrorNumber;
};

// A send or read ended by a cancel request (kind Canceled) or a time-out (kind TimedOut).
class EAbortError : public ESocketError {
public:
    using ESocketError::ESocketError;
};

// A value outside the range its field can hold; raised before anything is sent.
class ERangeError : public Exception {
public:
    ERangeError() : Exception("Range check error") { }
};

// Returns the text of a Windows Sockets error number: the number, a colon and the
// table's text, or "Unknown Error No. " and the number.
std::string SocketErrorText(int errorNo);
