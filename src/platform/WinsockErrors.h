// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Error numbers of the Windows Sockets interface. The session's error table and its
// callers speak these numbers, so every POSIX error is translated into them here.
namespace wsa {
constexpr int NoError = 0;
constexpr int Interrupted = 10004;
constexpr int BadFile = 10009;
constexpr int Access = 10013;
constexpr int Fault = 10014;
constexpr int InvalidArgument = 10022;
constexpr int TooManyFiles = 10024;
constexpr int WouldBlock = 10035;
constexpr int InProgress = 10036;
constexpr int Already = 10037;
constexpr int NotSocket = 10038;
constexpr int DestinationRequired = 10039;
constexpr int MessageSize = 10040;
constexpr int ProtocolType = 10041;
constexpr int NoProtocolOption = 10042;
constexpr int ProtocolNotSupported = 10043;
constexpr int SocketTypeNotSupported = 10044;
constexpr int OperationNotSupported = 10045;
constexpr int ProtocolFamilyNotSupported = 10046;
constexpr int AddressFamilyNotSupported = 10047;
constexpr int AddressInUse = 10048;
constexpr int AddressNotAvailable = 10049;
constexpr int NetworkDown = 10050;
constexpr int NetworkUnreachable = 10051;
constexpr int NetworkReset = 10052;
constexpr int ConnectionAborted = 10053;
constexpr int ConnectionReset = 10054;
constexpr int NoBuffers = 10055;
constexpr int IsConnected = 10056;
constexpr int NotConnected = 10057;
constexpr int Shutdown = 10058;
constexpr int TooManyReferences = 10059;
constexpr int TimedOut = 10060;
constexpr int ConnectionRefused = 10061;
constexpr int Loop = 10062;
constexpr int NameTooLong = 10063;
constexpr int HostDown = 10064;
constexpr int HostUnreachable = 10065;
constexpr int NotEmpty = 10066;
constexpr int TooManyUsers = 10068;
constexpr int QuotaExceeded = 10069;
constexpr int Stale = 10070;
constexpr int Remote = 10071;
constexpr int HostNotFound = 11001;
constexpr int TryAgain = 11002;
constexpr int NoRecovery = 11003;
constexpr int NoData = 11004;

// POSIX errors without a counterpart land here (base + errno), far from every listed
// number, so they are still reported as failures instead of passing for would-block.
constexpr int UnmappedBase = 20000;
} // namespace wsa

// Translates errno; connecting is true for the result of connect(), whose EINPROGRESS
// is the would-block answer of a non-blocking socket.
int WsaErrorFromErrno(int error, bool connecting = false);
// Translates a getaddrinfo() result (with the errno that EAI_SYSTEM leaves behind).
int WsaErrorFromLookup(int lookupError, int systemError);

// The error of the last failed socket call on this thread, like WSAGetLastError.
int WsaGetLastError();
void WsaSetLastError(int error);
