"""`pelmar LIST MESSAGE send` delivers the whole list to a real server and keeps running."""
import email
import email.policy
import os
import re
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from pelmar_program import PelmarSend  # noqa: E402
from smtp_servers import Aiosmtpd  # noqa: E402

ADDRESS = re.compile(rb"[\w.+-]+@[\w-]+(?:\.[\w-]+)+")


class SendFromTheCommandLine(unittest.TestCase):
    def test_every_entry_gets_its_own_message(self):
        recipients = ["ann@example.org", "Ben Bell <ben@example.org>", "", "cara@example.net",
                      "dan@example.com", "eva@example.org", "finn@example.org"]
        mailboxes = ["ann@example.org", "ben@example.org", "cara@example.net", "dan@example.com",
                     "eva@example.org", "finn@example.org"]
        entries = [r for r in recipients if r]
        with tempfile.TemporaryDirectory() as workdir, Aiosmtpd() as server, \
                PelmarSend(workdir, server.port, recipients, "Hello,\nthe meeting is on Monday.\n") as program:
            self.assertIsNotNone(program.wait_for_log_lines(len(entries), 60),
                                 "log.txt never held a line per message")
            self.assertIsNone(program.proc.poll(), "the program keeps running after the job")
            messages = server.messages
            log = program.log_lines()

        self.assertEqual(len(messages), len(entries))
        for (sender, rcpts, raw), entry, mailbox in zip(messages, entries, mailboxes):
            with self.subTest(entry=entry):
                self.assertEqual(sender, "ana@example.org")
                self.assertEqual(rcpts, [mailbox])
                message = email.message_from_bytes(raw, policy=email.policy.compat32)
                self.assertEqual(message["To"], entry)
                self.assertEqual(message["X-Mailer"], "Varnolt Pelmar 0.8")
                self.assertEqual(message.get_content_type(), "text/plain")
                # The header block ends with one more empty line (part of the body).
                self.assertEqual(message.get_payload(), "\r\nHello,\r\nthe meeting is on Monday.\r\n")
                self.assertEqual(set(ADDRESS.findall(raw)), {b"ana@example.org", mailbox.encode()})

        self.assertEqual(len(log), len(entries))
        for line, entry in zip(log, entries):
            self.assertRegex(line, r"^\d{1,2}:\d\d:\d\d.*: " + re.escape(entry) + r"\.\.\.   OK\.$")


if __name__ == "__main__":
    unittest.main()
