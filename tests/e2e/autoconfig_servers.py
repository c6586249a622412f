# SPDX-License-Identifier: GPL-3.0-or-later
"""Servers that settings-from-the-address lookups ask, on loopback only:

    WebServers(certificate)   an https and a plain http server on 127.0.0.1 answering
                              files[(host, path)] (path without the query), 404 otherwise;
                              a body of None holds the request unanswered (a time-out);
                              .resolve(*hosts) is PELMAR_RESOLVE sending those hosts' ports
                              443 and 80 to the two servers.
    NameServer(records)       dnslib on a random 127.x.y.z, port 53, answering
                              records[(name, "MX"|"SRV")] = [(priority, target[, weight, port])];
                              None if the system does not let it bind there.
"""
import http.server
import os
import random
import socket
import ssl
import threading
import time

try:
    from dnslib import MX, QTYPE, RCODE, RR, SRV
    from dnslib.server import BaseResolver, DNSLogger, DNSServer
except ImportError:  # scripts/install-deps.sh --tests installs python3-dnslib
    DNSServer = None


class _Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        host = self.headers.get("Host", "").split(":")[0]
        key = (host, self.path.split("?", 1)[0])
        self.server.owner.requests.append((self.server.scheme, host, self.path))
        files = self.server.owner.files
        if key in files and files[key] is None:
            time.sleep(30)  # never answers within a lookup's time-out
            return
        if key not in files:
            self.send_error(404)
            return
        body = files[key].encode() if isinstance(files[key], str) else files[key]
        self.send_response(200)
        self.send_header("Content-Type", "text/xml")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class WebServers:
    def __init__(self, certificate, files=None):
        self.files = dict(files or {})
        self.requests = []
        self.servers = []
        for scheme in ("https", "http"):
            server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Handler)
            server.daemon_threads = True
            server.owner, server.scheme = self, scheme
            if scheme == "https":
                context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
                context.load_cert_chain(certificate)
                server.socket = context.wrap_socket(server.socket, server_side=True)
            self.servers.append(server)

    def resolve(self, *hosts):
        https, plain = (server.server_address[1] for server in self.servers)
        return ",".join(f"{host}:443=127.0.0.1:{https},{host}:80=127.0.0.1:{plain}" for host in hosts)

    def __enter__(self):
        for server in self.servers:
            threading.Thread(target=server.serve_forever, daemon=True).start()
        return self

    def __exit__(self, *exc):
        for server in self.servers:
            server.shutdown()
            server.server_close()


if DNSServer:
    class _Resolver(BaseResolver):
        def __init__(self, records):
            self.records = records

        def resolve(self, request, handler):
            reply = request.reply()
            name = str(request.q.qname).rstrip(".")
            kind = QTYPE[request.q.qtype]
            if not any(known == name for known, _ in self.records):
                reply.header.rcode = RCODE.NXDOMAIN
            for record in self.records.get((name, kind), []):
                if kind == "MX":
                    reply.add_answer(RR(request.q.qname, QTYPE.MX, rdata=MX(record[1], record[0]), ttl=60))
                elif kind == "SRV":
                    priority, target, weight, port = record
                    reply.add_answer(RR(request.q.qname, QTYPE.SRV,
                                        rdata=SRV(priority, weight, port, target), ttl=60))
            return reply


def NameServer(records):
    """A started name server (.address, .stop()), or None where none can listen on port 53."""
    if DNSServer is None:
        return None
    for _ in range(10):
        address = f"127.{random.randint(1, 254)}.{random.randint(1, 254)}.{random.randint(2, 254)}"
        try:
            server = DNSServer(_Resolver(records), address=address, port=53,
                               logger=DNSLogger("-request,-reply,-truncated,-error", prefix=False))
        except (PermissionError, OSError):
            continue
        server.start_thread()
        server.address = address
        return server
    return None
