# SPDX-License-Identifier: GPL-3.0-or-later
"""pelmar-send within an account's sending limits, against aiosmtpd started here: a quota
reply pauses the job (status 3 with --no-wait) and the next run continues it; a counted
per-minute limit waits for real; an unknown mailbox goes on the suppression list and is
never sent to again; an empty field stops a run before it connects. Every address gets
its message exactly once across pauses and a kill."""
import os
import signal
import sqlite3
import sys
import tempfile
import time
import unittest
from collections import Counter

sys.path.insert(0, os.path.dirname(__file__))
from pelmar_program import HeadlessSender  # noqa: E402
from smtp_servers import Aiosmtpd, _SavingHandler  # noqa: E402


class QuotaHandler(_SavingHandler):
    """Takes `quota` messages, then answers every final dot with a daily-quota reply;
    mailboxes whose local part begins with "gone" do not exist."""

    def __init__(self, quota):
        super().__init__(None)
        self.quota = quota
        self.recipients_seen = []

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        self.recipients_seen.append(address)
        if address.startswith("gone"):
            return "550 5.1.1 The email account that you tried to reach does not exist"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.count >= self.quota:
            return "550 5.4.5 Daily user sending quota exceeded."
        return await super().handle_DATA(server, session, envelope)


def quota_server(quota):
    server = Aiosmtpd()
    server.handler = QuotaHandler(quota)
    return server


def delivered_to(server):
    return Counter(rcpt for _, rcpts, _ in server.messages for rcpt in rcpts)


class SendingLimits(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def history_db(self, program):
        return os.path.join(program.data, "Drelko", "Varnolt Pelmar", "history.sqlite")

    def test_quota_pauses_the_job_and_the_next_run_continues_it(self):
        entries = ["a@example.org", "gone@example.org", "b@example.org", "c@example.org", "d@example.org"]
        with quota_server(2) as server:
            program = HeadlessSender(self.folder.name, server.port)
            args = ("-s", "News", program.lines(*entries), program.file("m.txt", "Hello\n"))
            status, out, err = program.run("--no-wait", *args)
            self.assertEqual(status, 3, err)
            self.assertIn("paused by a limit; continue after", err.lower())
            self.assertNotIn("\trefused\t550 5.4.5", out)
            self.assertEqual(program.history()["c@example.org"], "not sent")

            server.handler.quota = 100  # the provider's day has turned
            status, out, err = program.run(*args)
            self.assertEqual(status, 0, err)  # gone@, refused in the first run, is suppressed now
            self.assertEqual(delivered_to(server), Counter({"a@example.org": 1, "b@example.org": 1,
                                                            "c@example.org": 1, "d@example.org": 1}))
            self.assertEqual(program.history()["gone@example.org"], "suppressed")

            # The unknown mailbox is suppressed from now on: a new job never names it.
            seen = len(server.handler.recipients_seen)
            status, out, err = program.run("-s", "More news", program.lines(*entries), program.file("n.txt", "Hi\n"))
            self.assertEqual(status, 0, err)
            self.assertIn("1 recipient is on the suppression list and will be skipped.", err)
            self.assertIn("gone@example.org\tsuppressed", out)
            self.assertNotIn("gone@example.org", server.handler.recipients_seen[seen:])

    def test_counted_limit_waits_and_a_kill_during_the_wait_loses_nothing(self):
        with Aiosmtpd() as server:
            program = HeadlessSender(self.folder.name, server.port, settings="perminute=2\n")
            status, _, err = program.run(program.lines("first@example.org"), program.file("m.txt", "Hello\n"))
            self.assertEqual(status, 0, err)
            # That message went out 52 seconds ago: the minute frees a place 8 seconds from now.
            with sqlite3.connect(self.history_db(program)) as db:
                db.execute("UPDATE entries SET time = time - 52000")

            entries = ["a@example.org", "b@example.org"]
            args = (program.lines(*entries), program.file("n.txt", "Second\n"))
            proc = program.start(*args)
            deadline = time.monotonic() + 20
            while len(server.messages) < 2 and time.monotonic() < deadline:
                time.sleep(0.05)
            time.sleep(0.5)
            self.assertIsNone(proc.poll(), "it waits for the limit")
            self.assertEqual(len(server.messages), 2)
            os.killpg(proc.pid, signal.SIGKILL)
            proc.communicate()

            started = time.monotonic()
            status, out, err = program.run(*args)
            waited = time.monotonic() - started
            self.assertEqual(status, 0, err)
            self.assertIn("Limit reached: the next message goes at", err)
            self.assertGreater(waited, 3)
            self.assertEqual(delivered_to(server), Counter(dict.fromkeys(["first@example.org", *entries], 1)))

    def test_an_empty_field_stops_the_run_before_it_connects(self):
        with Aiosmtpd() as server:
            program = HeadlessSender(self.folder.name, server.port)
            message = program.file("m.txt", "Pozdravljeni {{first}},\n")
            status, _, err = program.run(program.lines("a@example.org", "Bob Kos <bob@example.org>"), message)
            self.assertEqual(status, 2, err)
            self.assertIn("{{first}} is empty for 1 of 2 recipients", err)
            self.assertIn("--allow-empty-fields", err)
            self.assertEqual(server.messages, [])
            status, _, err = program.run("--allow-empty-fields", program.lines("a@example.org"), message)
            self.assertEqual(status, 0, err)
            self.assertIn(b"Pozdravljeni ,", server.messages[0][2])


if __name__ == "__main__":
    unittest.main()
