// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QTcpServer>

#include <string>

// What the browser brought back to the redirect address.
struct TRedirectAnswer {
    bool Arrived = false;
    std::string Code;
    std::string State;
    std::string Error; // the provider's "error" (and its description), when it refused
};

// The loopback redirect of a native app (RFC 8252 section 7.3): http://127.0.0.1 on a port
// the system picks, listening only for the one sign-in.
class TLoopbackRedirect {
public:
    // False when no port could be had.
    bool Listen();
    std::string Uri() const;
    // The first request for "/" within seconds; the browser gets a page that says the
    // sign-in may be closed.
    TRedirectAnswer Await(int seconds);

private:
    QTcpServer FServer;
};
