// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <exception>
#include <string>

// The general error: its message is the text the user sees.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) { }
    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// A stream that cannot seek, read or write as asked.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// A file that cannot be opened for reading.
class EFOpenError : public EStreamError {
public:
    explicit EFOpenError(const std::string& fileName) : EStreamError("Cannot open file " + fileName) { }
};

// A file that cannot be created or opened for writing.
class EFCreateError : public EStreamError {
public:
    explicit EFCreateError(const std::string& fileName) : EStreamError("Cannot create file " + fileName) { }
};
