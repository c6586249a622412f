# SPDX-License-Identifier: GPL-3.0-or-later
"""`pelmar LIST MESSAGE send` delivers the whole list to a real server and keeps running."""
import email
import email.policy
import email.utils
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
                without_id = raw.replace(message["Message-ID"].encode(), b"")
                self.assertEqual(set(ADDRESS.findall(without_id)), {b"ana@example.org", mailbox.encode()})

        self.assertEqual(len(log), len(entries))
        for line, entry in zip(log, entries):
            self.assertRegex(line, r"^\d{1,2}:\d\d:\d\d.*: " + re.escape(entry) + r"\.\.\.   OK\.$")


class SlovenianFromTheCommandLine(unittest.TestCase):
    """Files as older Slovenian systems write them, sent with the default settings, read
    back by Python's email package with policy.default: everything arrives as written."""

    def test_names_addresses_and_text_arrive_as_written(self):
        recipients = [("Špela Žagar", "spela@example.org"), ("Črt Kovač", "crt@example.org")]
        paragraph = " ".join(f"To je {i}. stavek dolgega odstavka – čšž ČŠŽ." for i in range(1, 40))
        lines = ["Pozdravljeni – čšž", "", paragraph, ".pika na začetku", "Lep pozdrav,", "Ana"]
        self.assertGreater(len(paragraph.encode()), 998)
        list_bytes = "".join(f"{name} <{address}>\r\n" for name, address in recipients).encode("cp1250")
        message_bytes = ("\n".join(lines) + "\n").encode("utf-8")
        with tempfile.TemporaryDirectory() as workdir, Aiosmtpd() as server, \
                PelmarSend(workdir, server.port, list_bytes, message_bytes, name="Ana Černe", charset=None) as program:
            self.assertIsNotNone(program.wait_for_log_lines(len(recipients), 60),
                                 "log.txt never held a line per message")
            messages = server.messages

        self.assertEqual(len(messages), len(recipients))
        ids = set()
        for (sender, rcpts, raw), (name, address) in zip(messages, recipients):
            with self.subTest(address=address):
                self.assertEqual(rcpts, [address])
                message = email.message_from_bytes(raw, policy=email.policy.default)
                self.assertEqual([(a.display_name, a.addr_spec) for a in message["From"].addresses],
                                 [("Ana Černe", "ana@example.org")])
                self.assertEqual([(a.display_name, a.addr_spec) for a in message["To"].addresses],
                                 [(name, address)])
                self.assertEqual(message.get_content_type(), "text/plain")
                self.assertEqual(message.get_content_charset(), "utf-8")
                # The header block ends with one more empty line (part of the body).
                self.assertEqual(message.get_content().replace("\r\n", "\n"), "\n" + "\n".join(lines) + "\n")
                self.assertIsNotNone(email.utils.parsedate_to_datetime(message["Date"]))
                ids.add(message["Message-ID"])
                head = raw[:raw.index(b"\r\n\r\n")]
                self.assertTrue(all(byte < 128 for byte in head), "the header is 7-bit")
                self.assertLessEqual(max(len(line) for line in raw.split(b"\r\n")), 998)
                self.assertEqual(message.defects, [])
        self.assertEqual(len(ids), len(recipients), "every message has its own Message-ID")


if __name__ == "__main__":
    unittest.main()
