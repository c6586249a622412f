# SPDX-License-Identifier: GPL-3.0-or-later
"""`pelmar LIST MESSAGE send` through a submission server as today's providers run them:
STARTTLS required (port 587 style) or TLS from the first byte (465 style), a login
required, a certificate from a private authority the test makes. The settings file is
written by hand as README shows; the password comes from PELMAR_PASSWORD."""
import os
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from pelmar_program import PelmarSend  # noqa: E402
from relay import Relay  # noqa: E402
from secure_servers import Certificates, SubmissionServer  # noqa: E402

RECIPIENTS = ["ann@example.org", "Ben Bell <ben@example.org>", "cara@example.net"]
PASSWORD = "s3cret-Pa55"


class SecureSubmission(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.certs = Certificates(cls.folder.name).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def run_job(self, server, security, password=PASSWORD, trust=True, host="localhost", expect_lines=None,
                seconds=30):
        """Runs the program against server; returns (log lines, files the program wrote)."""
        workdir = tempfile.mkdtemp(dir=self.folder.name)
        env = {"PELMAR_PASSWORD": password}
        if trust:
            env["SSL_CERT_FILE"] = self.certs.authority
        with Relay(server.port) as relay, \
                PelmarSend(workdir, relay.port, RECIPIENTS, "Hello,\nsee you on Monday.\n", host=host,
                           username="ana", settings=f"security={security}\ntimeout=10\n", env=env) as program:
            if expect_lines:
                self.assertIsNotNone(program.wait_for_log_lines(expect_lines, seconds), "log.txt never complete")
            # The job ends with its one connection; nothing is written after that.
            deadline = time.monotonic() + seconds
            while relay.closed == 0 and time.monotonic() < deadline:
                time.sleep(0.05)
            self.assertEqual(relay.closed, 1, "the program never ended its connection")
            time.sleep(0.2)
            self.assertIsNone(program.proc.poll(), "the program keeps running after the job")
            log = program.log_lines()
        return log, workdir

    def assert_delivered_everything(self, server, log):
        self.assertEqual([rcpts for _, rcpts, _ in server.messages],
                         [["ann@example.org"], ["ben@example.org"], ["cara@example.net"]])
        self.assertEqual(len(log), 3)
        for line, entry in zip(log, RECIPIENTS):
            self.assertTrue(line.endswith(": " + entry + "...   OK."), line)

    def assert_password_in_no_file(self, workdir):
        for root, _, files in os.walk(workdir):
            for name in files:
                with open(os.path.join(root, name), "rb") as f:
                    self.assertNotIn(PASSWORD.encode(), f.read(), os.path.join(root, name))

    def test_starttls_with_login_delivers_and_keeps_the_password_out_of_every_file(self):
        with SubmissionServer(self.certs.server, mode=1, password=PASSWORD) as server:
            log, workdir = self.run_job(server, 1, expect_lines=3)
        self.assert_delivered_everything(server, log)
        self.assertEqual(server.logins, [("ana", PASSWORD, True)])
        self.assertEqual([command for command, _ in server.handler.greeted], ["EHLO", "EHLO"],
                         "EHLO again after the handshake")
        self.assert_password_in_no_file(workdir)

    def test_tls_from_the_first_byte_with_login_delivers(self):
        with SubmissionServer(self.certs.server, mode=2, password=PASSWORD) as server:
            log, workdir = self.run_job(server, 2, expect_lines=3)
        self.assert_delivered_everything(server, log)
        self.assertEqual(server.logins, [("ana", PASSWORD, True)])
        self.assert_password_in_no_file(workdir)

    def test_ehlo_refused_falls_back_to_helo_with_the_same_name(self):
        with SubmissionServer(self.certs.server, mode=2, offer_auth=False, ehlo_refused=True) as server:
            log, _ = self.run_job(server, 2, password="", expect_lines=3)
        self.assert_delivered_everything(server, log)
        self.assertEqual(len(server.handler.greeted), 1)
        self.assertEqual(server.handler.greeted[0][0], "HELO")
        self.assertRegex(server.handler.greeted[0][1], r"^(\[127\.0\.0\.1\]|[\w-]+(\.[\w-]+)+)$")

    def test_certificate_faults_end_the_job_before_any_login_or_message(self):
        cases = {"untrusted authority": (self.certs.untrusted, True, "localhost"),
                 "no trusted authority given": (self.certs.server, False, "localhost"),
                 "wrong name": (self.certs.wrong_name, True, "localhost"),
                 "expired": (self.certs.expired, True, "localhost"),
                 "address not in the certificate": (self.certs.wrong_name, True, "127.0.0.1")}
        for name, (certificate, trust, host) in cases.items():
            for mode in (1, 2):
                with self.subTest(case=name, mode=mode), \
                        SubmissionServer(certificate, mode=mode, password=PASSWORD) as server:
                    log, _ = self.run_job(server, mode, trust=trust, host=host)
                    self.assertEqual(server.logins, [])
                    self.assertEqual(server.messages, [])
                    self.assertEqual(log, [])

    def test_server_faults_end_the_job_without_a_message_going_out(self):
        cases = {"wrong password": dict(password="not-it"),
                 "no login offered": dict(offer_auth=False),
                 "STARTTLS refused": dict(starttls="refused"),
                 "bytes injected after 220": dict(starttls="inject")}
        for name, options in cases.items():
            with self.subTest(case=name), SubmissionServer(self.certs.server, mode=1, **options) as server:
                log, _ = self.run_job(server, 1)
                self.assertEqual(server.messages, [])
                self.assertEqual(log, [])
                if name == "wrong password":
                    self.assertEqual(server.logins, [("ana", PASSWORD, False)], "one login, not retried")
                else:
                    self.assertEqual(server.logins, [], "no password without TLS and a login offered")


if __name__ == "__main__":
    unittest.main()
