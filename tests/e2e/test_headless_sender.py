# SPDX-License-Identifier: GPL-3.0-or-later
"""pelmar-send from a script: what it sends, what it prints and the exit status a script
reads, against aiosmtpd started here, with no display in the environment."""
import asyncio
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from secure_servers import Certificates, SubmissionServer  # noqa: E402
from pelmar_program import HeadlessSender  # noqa: E402
from smtp_servers import Aiosmtpd, _SavingHandler, free_port  # noqa: E402


class SlowHandler(_SavingHandler):
    """Takes a while over each message, so that a test can interrupt a job in the middle."""

    def __init__(self, seconds):
        super().__init__(None)
        self.seconds = seconds
        self.started = 0

    async def handle_DATA(self, server, session, envelope):
        self.started += 1
        await asyncio.sleep(self.seconds)
        return await super().handle_DATA(server, session, envelope)


def slow_server(seconds):
    server = Aiosmtpd()
    server.handler = SlowHandler(seconds)
    return server


def wait_until(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.02)
    return False


class ExitStatus(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def sender(self, port, **kwargs):
        return HeadlessSender(self.folder.name, port, **kwargs)

    def test_everything_delivered_is_0_with_a_line_per_entry(self):
        with Aiosmtpd() as server:
            program = self.sender(server.port)
            entries = ["ann@example.org", "Ben Bell <ben@example.org>", "", "cara@example.net"]
            status, out, err = program.run("-s", "Notice", program.lines(*entries),
                                           program.file("m.txt", "Hello,\nsee you.\n"))
        self.assertEqual(status, 0, err)
        sent = [entry for entry in entries if entry]
        self.assertEqual(out.splitlines(), [entry + "\tdelivered" for entry in sent])
        self.assertEqual(err, "3 messages sent.\n")
        self.assertEqual([rcpts for _, rcpts, _ in server.messages],
                         [["ann@example.org"], ["ben@example.org"], ["cara@example.net"]])
        self.assertIn(b"Subject: Notice\r\n", server.messages[0][2])
        self.assertEqual(len(program.log_lines()), 3)
        self.assertEqual(program.history(), dict.fromkeys(sent, "delivered"))

    def test_a_refused_entry_is_1_and_listed(self):
        with Aiosmtpd() as server:
            program = self.sender(server.port)
            status, out, err = program.run(program.lines("ann@example.org", "refused@example.org", "cara@example.net"),
                                           program.file("m.txt", "Hello\n"))
        self.assertEqual(status, 1, err)
        self.assertEqual(len(server.messages), 2)
        self.assertIn("refused@example.org\trefused\t554", out)
        listed = err[err.index("Not delivered:"):].splitlines()
        self.assertEqual(len(listed), 2, err)
        self.assertRegex(listed[1], r"^  refused@example\.org\trefused\t554 5\.7\.1 Refused by the test server")

    def test_jobs_that_cannot_start_are_2(self):
        with Aiosmtpd() as server:
            program = self.sender(server.port)
            entries = program.file("list.csv", "Name,E-mail Address\nAna Kos,ana@example.org\n")
            message = program.file("m.txt", "Dear {{first}}, your {{nickname}}\n")
            plain = program.file("plain.txt", "Hello\n")
            missing = os.path.join(self.folder.name, "missing.txt")
            cases = {
                "unknown field": ((entries, message), "nickname"),
                "missing list": ((missing, plain), "Cannot open file " + missing),
                "missing message": ((entries, missing), "Cannot open file " + missing),
                "missing attachment": (("-a", missing, entries, plain), "Cannot open file " + missing),
                "unknown option": (("--subjet", "x", entries, plain), "Unknown option: --subjet"),
                "one file": ((entries,), "Name a recipients file and a message file."),
            }
            for name, (args, said) in cases.items():
                with self.subTest(name):
                    status, out, err = program.run(*args)
                    self.assertEqual(status, 2, err)
                    self.assertIn(said, err)
                    self.assertEqual(out, "")
        self.assertEqual(server.messages, [])

    def test_unreachable_server_is_2(self):
        program = self.sender(free_port(), settings="timeout=5\n")
        status, out, err = program.run(program.lines("ann@example.org"), program.file("m.txt", "Hello\n"))
        self.assertEqual(status, 2, err)
        self.assertIn("Connect failed", err)

    def test_incomplete_settings_are_2_and_name_the_file(self):
        program = self.sender(free_port())
        settings_file = os.path.join(self.folder.name, "config", "Drelko", "Varnolt Pelmar.conf")
        with open(settings_file, "w", encoding="utf-8") as f:
            f.write("[General]\nime=Ana\n")
        status, _, err = program.run(program.lines("ann@example.org"), program.file("m.txt", "Hello\n"))
        self.assertEqual(status, 2, err)
        self.assertIn("You didn't enter your e-mail settings yet.", err)
        self.assertIn(settings_file, err)

    def test_summary_and_errors_follow_the_language_setting(self):
        with Aiosmtpd() as server:
            program = self.sender(server.port, language=1)
            status, _, err = program.run("-q", program.lines("ann@example.org"), program.file("m.txt", "Hello\n"))
            self.assertEqual(status, 0, err)
            self.assertEqual(err, "Poslano 1 sporočil.\n")
            status, _, err = program.run("-x", "a", "b")
            self.assertEqual(status, 2)
            self.assertIn("Neznana izbira: -x", err)

    def test_quiet_prints_nothing_on_standard_output(self):
        with Aiosmtpd() as server:
            program = self.sender(server.port)
            status, out, err = program.run("--quiet", program.lines("ann@example.org", "refused@example.org"),
                                           program.file("m.txt", "Hello\n"))
        self.assertEqual((status, out), (1, ""), err)
        self.assertIn("refused@example.org", err)

    def test_a_terminal_gets_one_progress_line_rewritten_in_place(self):
        with Aiosmtpd() as server:
            program = self.sender(server.port)
            command = [program.executable, program.lines("ann@example.org", "ben@example.org"),
                       program.file("m.txt", "Hello\n")]
            # script(1) gives the program a terminal of its own; its output comes back as typed.
            shown = subprocess.run(["script", "-qec", " ".join(command), "/dev/null"], env=program.env,
                                   stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        self.assertEqual(shown.returncode, 0, shown.stdout)
        screen = shown.stdout.decode()
        self.assertTrue(screen.startswith("\r0/2\x1b[K"), repr(screen))
        self.assertRegex(screen, r"\r2/2  [\d.]+/s\x1b\[K\r\n2 messages sent\.\r\n$")
        self.assertNotIn("delivered", screen)

    def test_help_and_version_need_no_settings(self):
        program = self.sender(free_port())
        status, out, _ = program.run("--version")
        self.assertEqual(status, 0)
        self.assertRegex(out, r"^pelmar-send \(Varnolt Pelmar\) \d+\.\d+")
        status, out, _ = program.run("--help")
        self.assertEqual(status, 0)
        self.assertTrue(out.startswith("Usage: pelmar-send [OPTIONS] RECIPIENTS-FILE MESSAGE-FILE\n"))


# The message for the first entry of an address-book export (the empty row is passed over),
# as composed and sent after DATA: fields filled in, a leading dot doubled (RFC 5321 4.5.2);
# Date and Message-ID, which change with every run, masked.
DRY_RUN = (
    "From: Ana<ana@example.org>\r\n"
    "To: Ana Kos <ana@example.org>\r\n"
    "Subject: Hello Ana\r\n"
    "X-Mailer: Varnolt Pelmar <version>\r\n"
    "Date: <date>\r\n"
    "Message-ID: <id>\r\n"
    "Mime-Version: 1.0\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n"
    "\r\n"
    "\r\n"
    "Dear Ana,\r\n"
    "..a line that starts with a dot\r\n"
    "Kos, your city is Ljubljana.\r\n"
)


class DryRun(unittest.TestCase):
    def test_prints_the_first_entrys_message_and_connects_to_nothing(self):
        with tempfile.TemporaryDirectory() as folder, Aiosmtpd() as server:
            program = HeadlessSender(folder, server.port)
            entries = program.file("list.csv", "First Name,Last Name,E-mail Address,City\r\n"
                                               ",,,\r\n"
                                               "Ana,Kos,ana@example.org,Ljubljana\r\n"
                                               "Ben,Bell,ben@example.org,Maribor\r\n")
            message = program.file("m.txt", "Dear {{first}},\n.a line that starts with a dot\n"
                                            "{{Last Name}}, your city is {{city}}.\n")
            status, out, err = program.run("-n", "-s", "Hello {{first}}", entries, message)
            self.assertEqual(status, 0, err)
            masked = re.sub(r"(?m)^Date: .*$", "Date: <date>\r", out)
            masked = re.sub(r"(?m)^Message-ID: .*$", "Message-ID: <id>\r", masked)
            masked = re.sub(r"(?m)^X-Mailer: Varnolt Pelmar .*$", "X-Mailer: Varnolt Pelmar <version>\r", masked)
            self.assertEqual(masked, DRY_RUN)
            self.assertEqual(server.messages, [])
            self.assertEqual(program.log_lines(), [])

    def test_a_field_the_list_lacks_is_2_and_named(self):
        with tempfile.TemporaryDirectory() as folder:
            program = HeadlessSender(folder, free_port())
            status, out, err = program.run("--dry-run", "-s", "For {{nick}}", program.lines("ann@example.org"),
                                           program.file("m.txt", "Hello\n"))
        self.assertEqual((status, out), (2, ""), err)
        self.assertIn("nick", err)


class Interrupt(unittest.TestCase):
    ENTRIES = [f"person{i}@example.org" for i in range(12)]

    def test_ctrl_c_finishes_the_message_in_flight_and_a_rerun_sends_only_the_rest(self):
        with tempfile.TemporaryDirectory() as folder, slow_server(0.3) as server:
            program = HeadlessSender(folder, server.port)
            entries = program.lines(*self.ENTRIES)
            message = program.file("m.txt", "Hello\n")
            proc = program.start(entries, message)
            self.assertTrue(wait_until(lambda: len(program.log_lines()) >= 2, 30), "the job never got going")
            proc.send_signal(signal.SIGINT)
            out, err = proc.communicate(timeout=30)
            self.assertEqual(proc.returncode, 130, err.decode())
            first_run = [rcpts[0] for _, rcpts, _ in server.messages]
            self.assertLess(len(first_run), len(self.ENTRIES))
            # What went out is exactly what the log, the output and the history name.
            self.assertEqual([line.split(": ", 1)[1].split("...")[0] for line in program.log_lines()], first_run)
            self.assertEqual([line.split("\t")[0] for line in out.decode().splitlines()], first_run)
            recorded = program.history()
            self.assertEqual(sorted(e for e, outcome in recorded.items() if outcome == "delivered"), sorted(first_run))

            status, _, err = program.run(entries, message)
            self.assertEqual(status, 0, err)
            received = [rcpts[0] for _, rcpts, _ in server.messages]
        self.assertEqual(sorted(received), sorted(self.ENTRIES), "everyone once, nobody twice")

    def test_a_second_ctrl_c_stops_at_once(self):
        with tempfile.TemporaryDirectory() as folder, slow_server(30) as server:
            program = HeadlessSender(folder, server.port, settings="timeout=0\n")
            proc = program.start(program.lines(*self.ENTRIES), program.file("m.txt", "Hello\n"))
            self.assertTrue(wait_until(lambda: self._in_data(server), 30), "no message reached the server")
            proc.send_signal(signal.SIGINT)
            time.sleep(0.5)
            self.assertIsNone(proc.poll(), "the first Ctrl-C waits for the message in flight")
            proc.send_signal(signal.SIGINT)
            started = time.monotonic()
            _, err = proc.communicate(timeout=10)
            self.assertLess(time.monotonic() - started, 5)
            self.assertEqual(proc.returncode, 130, err.decode())
            self.assertIn("Stopping after the message in flight", err.decode())

    @staticmethod
    def _in_data(server):
        return server.handler.started > 0


class Login(unittest.TestCase):
    def test_password_from_the_environment_logs_in_over_starttls(self):
        with tempfile.TemporaryDirectory() as folder:
            with Certificates(folder) as certs, SubmissionServer(certs.server, mode=1, password="pa55-word") as server:
                program = HeadlessSender(folder, server.port, settings="security=1\ntimeout=10\n",
                                         host="localhost", username="ana")
                status, out, err = program.run(
                    program.lines("ann@example.org", "ben@example.org"), program.file("m.txt", "Hello\n"),
                    env={"PELMAR_PASSWORD": "pa55-word", "SSL_CERT_FILE": certs.authority})
            self.assertEqual(status, 0, err)
            self.assertEqual(server.logins, [("ana", "pa55-word", True)])
            self.assertEqual(len(out.splitlines()), 2)

    def test_no_password_and_no_terminal_is_2_without_waiting(self):
        with tempfile.TemporaryDirectory() as folder:
            with Certificates(folder) as certs, SubmissionServer(certs.server, mode=1) as server:
                program = HeadlessSender(folder, server.port, settings="security=1\n", host="localhost",
                                         username="ana")
                status, _, err = program.run(program.lines("ann@example.org"), program.file("m.txt", "Hello\n"),
                                             env={"SSL_CERT_FILE": certs.authority}, seconds=20)
            self.assertEqual(status, 2, err)
            self.assertIn("PELMAR_PASSWORD", err)
            self.assertEqual(server.messages, [])


if __name__ == "__main__":
    unittest.main()
