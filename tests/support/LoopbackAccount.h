#pragma once
#include "workflow/SendJob.h"

#include <string>

// The account the loopback job tests and benchmarks send from: Ana, to a server on
// 127.0.0.1 at port, with no pause between messages. Override what a test varies.
class TLoopbackAccount : public TSendSettings {
public:
    std::string port;

    std::string Name() const override { return "Ana"; }
    std::string Email() const override { return "ana@example.org"; }
    std::string Host() const override { return "127.0.0.1"; }
    std::string UserID() const override { return "pc1"; }
    std::string Charset() const override { return "us-ascii"; }
    std::string Delay() const override { return "0"; }
    std::string Port() const override { return port; }
    void AskForSettings() override {}
};
