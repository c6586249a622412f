// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WinsockErrors.h"

#include <cerrno>
#include <netdb.h>

namespace {
thread_local int LastError = wsa::NoError;
}

int WsaErrorFromErrno(int error, bool connecting)
{
    switch (error) {
    case 0: return wsa::NoError;
    case EINTR: return wsa::Interrupted;
    case EBADF: return wsa::BadFile;
    case EACCES:
    case EPERM: return wsa::Access;
    case EFAULT: return wsa::Fault;
    case EINVAL: return wsa::InvalidArgument;
    case EMFILE:
    case ENFILE: return wsa::TooManyFiles;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN:
#endif
    case EWOULDBLOCK: return wsa::WouldBlock;
    case EINPROGRESS: return connecting ? wsa::WouldBlock : wsa::InProgress;
    case EALREADY: return wsa::Already;
    case ENOTSOCK: return wsa::NotSocket;
    case EDESTADDRREQ: return wsa::DestinationRequired;
    case EMSGSIZE: return wsa::MessageSize;
    case EPROTOTYPE: return wsa::ProtocolType;
    case ENOPROTOOPT: return wsa::NoProtocolOption;
    case EPROTONOSUPPORT: return wsa::ProtocolNotSupported;
    case ESOCKTNOSUPPORT: return wsa::SocketTypeNotSupported;
    case EOPNOTSUPP: return wsa::OperationNotSupported;
    case EPFNOSUPPORT: return wsa::ProtocolFamilyNotSupported;
    case EAFNOSUPPORT: return wsa::AddressFamilyNotSupported;
    case EADDRINUSE: return wsa::AddressInUse;
    case EADDRNOTAVAIL: return wsa::AddressNotAvailable;
    case ENETDOWN: return wsa::NetworkDown;
    case ENETUNREACH: return wsa::NetworkUnreachable;
    case ENETRESET: return wsa::NetworkReset;
    case ECONNABORTED: return wsa::ConnectionAborted;
    case ECONNRESET: return wsa::ConnectionReset;
    case ENOBUFS:
    case ENOMEM: return wsa::NoBuffers;
    case EISCONN: return wsa::IsConnected;
    case ENOTCONN: return wsa::NotConnected;
    case ESHUTDOWN:
    case EPIPE: return wsa::Shutdown;
    case ETOOMANYREFS: return wsa::TooManyReferences;
    case ETIMEDOUT: return wsa::TimedOut;
    case ECONNREFUSED: return wsa::ConnectionRefused;
    case ELOOP: return wsa::Loop;
    case ENAMETOOLONG: return wsa::NameTooLong;
    case EHOSTDOWN: return wsa::HostDown;
    case EHOSTUNREACH: return wsa::HostUnreachable;
    case ENOTEMPTY: return wsa::NotEmpty;
    case EUSERS: return wsa::TooManyUsers;
    case EDQUOT: return wsa::QuotaExceeded;
    case ESTALE: return wsa::Stale;
    case EREMOTE: return wsa::Remote;
    default: return wsa::UnmappedBase + error;
    }
}

int WsaErrorFromLookup(int lookupError, int systemError)
{
    switch (lookupError) {
    case 0: return wsa::NoError;
    case EAI_NONAME: return wsa::HostNotFound;
    case EAI_AGAIN: return wsa::TryAgain;
    case EAI_NODATA:
    case EAI_ADDRFAMILY: return wsa::NoData;
    case EAI_MEMORY: return wsa::NoBuffers;
    case EAI_SYSTEM: return WsaErrorFromErrno(systemError);
    default: return wsa::NoRecovery;
    }
}

int WsaGetLastError()
{
    return LastError;
}
void WsaSetLastError(int error)
{
    LastError = error;
}
