// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "support/ScriptedServer.h"
#include "support/TestCertificates.h"

#include <string>

// The server's side of a secured session's start, for a client that introduces itself as
// client.test; the last EHLO reply offers the extensions given (its lines after the first).

// TLS from the first byte (the submission port 465).
inline ScriptedServer& TlsGreeting(ScriptedServer& server, const std::string& extensions = "250 PIPELINING\r\n")
{
    return server.StartTls(TestCertificates().Server)
        .Send("220 ready\r\n")
        .ExpectLine("EHLO client.test")
        .Send("250-sink\r\n" + extensions);
}

// Greeting, EHLO offering STARTTLS, STARTTLS, and the second EHLO's reply.
inline ScriptedServer& StartTlsGreeting(ScriptedServer& server, const std::string& extensions)
{
    return server.Send("220 sink.test ready\r\n")
        .ExpectLine("EHLO client.test")
        .Send("250-sink.test\r\n250-PIPELINING\r\n250-AUTH PLAIN\r\n250 STARTTLS\r\n")
        .ExpectLine("STARTTLS")
        .Send("220 go ahead\r\n")
        .StartTls(TestCertificates().Server)
        .ExpectLine("EHLO client.test")
        .Send("250-sink.test\r\n" + extensions);
}
