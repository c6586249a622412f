# SPDX-License-Identifier: GPL-3.0-or-later
"""A submission server for end-to-end tests: aiosmtpd over TLS, bound to 127.0.0.1, with a
certificate signed by a private authority that `Certificates` makes with the openssl
command line.

    with Certificates(folder) as certs, SubmissionServer(certs.server, mode=1) as server:
        ... run the program against server.port with SSL_CERT_FILE=certs.authority ...

mode 1 requires STARTTLS, mode 2 speaks TLS from the first byte; either way a login
(user "ana", password `password`) is required unless offer_auth is False. The server
offers PIPELINING. Faults: starttls="refused" answers 454, starttls="inject" writes a
second reply line behind its "220" (and then waits), ehlo_refused answers EHLO with 502.
"""
import logging
import os
import socket
import ssl
import subprocess
import warnings

from aiosmtpd.smtp import SMTP, AuthResult

from smtp_servers import Aiosmtpd, _SavingHandler

# The faults these tests provoke are expected; the server's own log would only repeat them.
logging.getLogger("mail.log").setLevel(logging.CRITICAL)
warnings.filterwarnings("ignore", message=".*(auth_require_tls|login_data).*")


def _openssl(*args):
    subprocess.run(["openssl", *args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Certificates:
    """A private authority and server certificates in folder: .authority (trusted by the
    tests), .server (localhost and 127.0.0.1), .wrong_name, .expired, .untrusted (signed
    by another authority); every server certificate file holds its key too."""

    def __init__(self, folder):
        self.folder = folder

    def _path(self, name):
        return os.path.join(self.folder, name)

    def _authority(self, name):
        _openssl("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                 "-keyout", self._path(name + ".key"), "-out", self._path(name + ".pem"), "-days", "30",
                 "-subj", "/CN=" + name)

    def _server(self, name, authority, names, days):
        with open(self._path("ext"), "w") as f:
            f.write("subjectAltName=" + names + "\n")
        _openssl("req", "-new", "-key", self._path("server.key"), "-subj", "/CN=test-server",
                 "-out", self._path("server.csr"))
        _openssl("x509", "-req", "-in", self._path("server.csr"), "-CA", self._path(authority + ".pem"),
                 "-CAkey", self._path(authority + ".key"), "-CAcreateserial", "-days", days,
                 "-extfile", self._path("ext"), "-out", self._path(name + ".crt"))
        with open(self._path(name + ".pem"), "w") as out:
            for part in (name + ".crt", "server.key"):
                with open(self._path(part)) as f:
                    out.write(f.read())
        return self._path(name + ".pem")

    def __enter__(self):
        self._authority("authority")
        self._authority("stranger")
        _openssl("genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                 "-out", self._path("server.key"))
        local = "DNS:localhost,IP:127.0.0.1"
        self.authority = self._path("authority.pem")
        self.server = self._server("server", "authority", local, "30")
        self.wrong_name = self._server("wrong-name", "authority", "DNS:mail.example.test", "30")
        self.expired = self._server("expired", "authority", local, "-1")
        self.untrusted = self._server("untrusted", "stranger", local, "30")
        return self

    def __exit__(self, *exc):
        pass


class _SubmissionHandler(_SavingHandler):
    def __init__(self, offer_auth):
        super().__init__(None)
        self.offer_auth = offer_auth
        self.greeted = []  # (command, name) of every EHLO and HELO

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        self.greeted.append(("EHLO", hostname))
        if not self.offer_auth:
            responses = [r for r in responses if not r.startswith("250-AUTH")]
        return responses[:-1] + ["250-PIPELINING", responses[-1]]

    async def handle_HELO(self, server, session, envelope, hostname):
        session.host_name = hostname
        self.greeted.append(("HELO", hostname))
        return "250 " + server.hostname


class SubmissionServer(Aiosmtpd):
    """aiosmtpd as a submission server (see the module's text); .logins holds every login
    tried as (login, password, accepted)."""

    def __init__(self, certificate, mode=1, password="s3cret", offer_auth=True, starttls="ok",
                 ehlo_refused=False):
        super().__init__()
        self.handler = _SubmissionHandler(offer_auth)
        self.logins = []
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(certificate)
        owner = self

        def authenticator(server, session, envelope, mechanism, auth_data):
            accepted = auth_data.login == b"ana" and auth_data.password == password.encode()
            owner.logins.append((auth_data.login.decode(), auth_data.password.decode(), accepted))
            return AuthResult(success=accepted)

        class Server(SMTP):
            def connection_made(self, transport):
                # aiosmtpd writes every reply of a pipelined group on its own; with Nagle's
                # algorithm each would wait for the acknowledgement of the one before.
                # Servers made for pipelining send the group's replies in one write.
                raw = transport.get_extra_info("socket")
                if raw is not None:
                    raw.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                super().connection_made(transport)

            async def smtp_EHLO(self, hostname):
                if ehlo_refused:
                    await self.push("502 5.5.1 EHLO not implemented")
                    return
                await super().smtp_EHLO(hostname)

            async def smtp_STARTTLS(self, arg):
                if starttls == "refused":
                    await self.push("454 4.7.0 TLS not available due to temporary reason")
                elif starttls == "inject":
                    # Both lines in one write: the second one rides on the first's packet.
                    self._writer.write(b"220 2.0.0 Ready to start TLS\r\n250 2.0.0 injected\r\n")
                    await self._writer.drain()
                else:
                    await super().smtp_STARTTLS(arg)

        implicit = mode == 2
        self._ssl = context if implicit else None
        self._factory = lambda: Server(
            self.handler, decode_data=False, hostname="submission.test", enable_SMTPUTF8=False,
            tls_context=None if implicit else context, require_starttls=not implicit,
            auth_required=offer_auth, auth_require_tls=not implicit, authenticator=authenticator)
