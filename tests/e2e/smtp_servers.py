# SPDX-License-Identifier: GPL-3.0-or-later
"""Real SMTP servers for end-to-end tests, bound to 127.0.0.1 (or ::1) only.

Used as a module (context managers) by the tests in this folder, or as a program by
C++ tests:  smtp_servers.py aiosmtpd [OUTDIR]   prints "PORT <n>" once listening, saves
every received message as OUTDIR/<n>.eml (plus <n>.env with the envelope) and runs
until its standard input closes.

aiosmtpd refuses, after the final dot, every message addressed to a mailbox whose local
part begins with "refused" (554), so that tests can make a chosen message fail.
"""
import asyncio
import os
import socket
import subprocess
import sys
import threading
import time

from aiosmtpd.smtp import SMTP


class _SavingHandler:
    def __init__(self, outdir):
        self.outdir = outdir
        self.count = 0
        self.messages = []  # (mail_from, rcpt_tos, content bytes)
        self.lock = threading.Lock()

    async def handle_DATA(self, server, session, envelope):
        if any(rcpt.startswith("refused") for rcpt in envelope.rcpt_tos):
            return "554 5.7.1 Refused by the test server"
        with self.lock:
            self.count += 1
            number = self.count
            self.messages.append((envelope.mail_from, list(envelope.rcpt_tos), envelope.original_content))
        if self.outdir:
            base = os.path.join(self.outdir, str(number))
            with open(base + ".eml.part", "wb") as f:
                f.write(envelope.original_content)
            with open(base + ".env", "w") as f:
                f.write(envelope.mail_from + "\n" + "\n".join(envelope.rcpt_tos) + "\n")
            os.replace(base + ".eml.part", base + ".eml")
        return "250 OK"


class Aiosmtpd:
    """aiosmtpd on 127.0.0.1 (or address, e.g. "::1"), port chosen by the system; .port and
    .messages."""

    def __init__(self, outdir=None, address="127.0.0.1"):
        self.handler = _SavingHandler(outdir)
        self.loop = asyncio.new_event_loop()
        self.sock = socket.socket(socket.AF_INET6 if ":" in address else socket.AF_INET, socket.SOCK_STREAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind((address, 0))
        self.port = self.sock.getsockname()[1]
        self.thread = None
        self.server = None
        # decode_data False keeps the bytes exactly as they came (RFC 5321 dot-unstuffed).
        # Subclasses replace the protocol factory and may serve TLS from the first byte.
        self._factory = lambda: SMTP(self.handler, decode_data=False, hostname="sink.test",
                                     enable_SMTPUTF8=False)
        self._ssl = None

    @property
    def messages(self):
        with self.handler.lock:
            return list(self.handler.messages)

    def __enter__(self):
        ready = threading.Event()

        def run():
            asyncio.set_event_loop(self.loop)
            self.server = self.loop.run_until_complete(
                self.loop.create_server(self._factory, sock=self.sock, ssl=self._ssl))
            ready.set()
            self.loop.run_forever()

        self.thread = threading.Thread(target=run, daemon=True)
        self.thread.start()
        ready.wait(10)
        return self

    def __exit__(self, *exc):
        def stop():
            self.server.close()
            self.loop.stop()
        self.loop.call_soon_threadsafe(stop)
        self.thread.join(10)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class SmtpSink:
    """Postfix's smtp-sink on 127.0.0.1 with the given options (see smtp-sink(1))."""

    def __init__(self, *options, dump_template=None):
        self.options = list(options)
        self.dump_template = dump_template
        self.proc = None
        self.port = None

    def __enter__(self):
        for _ in range(20):
            self.port = free_port()
            args = ["/usr/sbin/smtp-sink", *self.options]
            if os.geteuid() == 0:
                args += ["-u", "nobody"]  # it refuses to run as root otherwise
            if self.dump_template:
                args += ["-D", self.dump_template]
            args += [f"127.0.0.1:{self.port}", "256"]
            self.proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            if _wait_listening(self.port, self.proc):
                return self
            self.proc.kill()
            self.proc.wait()
        raise RuntimeError("smtp-sink did not start")

    def __exit__(self, *exc):
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def _wait_listening(port, proc, seconds=5.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            return False
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.2):
                return True
        except OSError:
            time.sleep(0.05)
    return False


def _main(argv):
    if len(argv) not in (2, 3) or argv[1] != "aiosmtpd":
        print(__doc__, file=sys.stderr)
        return 2
    with Aiosmtpd(argv[2] if len(argv) == 3 and argv[2] else None) as server:
        print(f"PORT {server.port}", flush=True)
        sys.stdin.read()
    return 0


if __name__ == "__main__":
    sys.exit(_main(sys.argv))
