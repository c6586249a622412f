// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/Exception.h"

// The delivery history failed; the message is the text for the user (file and reason
// included), and Kind tells what was being done.
class EHistoryError : public Exception {
public:
    enum class TKind { Open, Read, Write };
    EHistoryError(TKind kind, std::string message) : Exception(std::move(message)), FKind(kind) { }
    TKind Kind() const { return FKind; }

private:
    TKind FKind;
};
