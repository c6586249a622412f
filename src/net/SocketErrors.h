#pragma once
#include "base/Exception.h"

// A failure of the socket session; the message is the text the user sees.
class ESocketError : public Exception {
public:
    using Exception::Exception;
};

// A send or read ended by a cancel request or a time-out.
class EAbortError : public ESocketError {
public:
    using ESocketError::ESocketError;
};

// A value outside the range its field can hold; raised before anything is sent.
class ERangeError : public Exception {
public:
    ERangeError() : Exception("Range check error") {}
};

// Returns the text of a Windows Sockets error number: the number, a colon and the
// table's text, or "Unknown Error No. " and the number.
std::string SocketErrorText(int errorNo);
