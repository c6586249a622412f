// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/SendJob.h"

#include <string>

// The account the loopback job tests and benchmarks send from: Ana, to a server on
// 127.0.0.1 at port, with no pause between messages. A test sets what it varies.
class TLoopbackAccount : public TSendSettings {
public:
    std::string name = "Ana", email = "ana@example.org", host = "127.0.0.1", userId = "pc1", charset = "us-ascii",
                delay = "0", security = "0", timeOut, port;

    std::string Name() const override { return name; }
    std::string Email() const override { return email; }
    std::string Host() const override { return host; }
    std::string UserID() const override { return userId; }
    std::string Charset() const override { return charset; }
    std::string Delay() const override { return delay; }
    std::string Port() const override { return port; }
    std::string Security() const override { return security; }
    std::string TimeOut() const override { return timeOut; }
    void AskForSettings() override {}
};
