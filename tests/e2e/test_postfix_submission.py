# SPDX-License-Identifier: GPL-3.0-or-later
"""Submission to a real Postfix (a private instance, tests/e2e/postfix_instance.py) with
STARTTLS and implicit TLS, a Cyrus SASL login and pipelining: pelmar-send and the window's
command line deliver every entry exactly once (read back from the maildirs), and a
recipient the server refuses is refused while the job goes on."""
import email
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from pelmar_program import HeadlessSender, PelmarSend  # noqa: E402
from postfix_instance import PostfixInstance, available  # noqa: E402
from secure_servers import Certificates  # noqa: E402

PASSWORD = "s3cret"
REFUSED = "nobody@example.org"
# The text's own dot line and a long line travel as the server must keep them.
BODY = "Hello,\n.a line that starts with a dot\n" + "long " * 300 + "\nBye.\n"

UNAVAILABLE = available()


def setUpModule():
    if UNAVAILABLE:
        return
    global FOLDER, CERTS, MTA
    FOLDER = tempfile.TemporaryDirectory()
    CERTS = Certificates(FOLDER.name).__enter__()
    MTA = PostfixInstance(CERTS.server, password=PASSWORD).__enter__()


def tearDownModule():
    if UNAVAILABLE:
        return
    MTA.__exit__()
    FOLDER.cleanup()


def entries(first, count):
    """count readers from first, with the refused entry in the middle."""
    readers = ["reader%d@example.org" % i for i in range(first, first + count)]
    return readers[: count // 2] + [REFUSED] + readers[count // 2:]


@unittest.skipIf(UNAVAILABLE, UNAVAILABLE)
class PostfixSubmission(unittest.TestCase):
    def setUp(self):
        self.workdir = tempfile.TemporaryDirectory()
        self.addCleanup(self.workdir.cleanup)
        self.env = {"PELMAR_PASSWORD": PASSWORD, "SSL_CERT_FILE": CERTS.authority}

    def assertDeliveredOnce(self, listed, subject):
        readers = [entry for entry in listed if entry != REFUSED]
        self.assertTrue(MTA.wait_for_messages(len(readers), 30), MTA.log()[-3000:])
        boxes = MTA.messages()
        for reader in readers:
            with self.subTest(reader):
                self.assertEqual(len(boxes.get(reader, [])), 1)
                message = email.message_from_bytes(boxes[reader][0])
                self.assertEqual((message["To"], message["Subject"]), (reader, subject))
                self.assertEqual(message.get_payload(decode=True).decode().strip(), BODY.strip())
        self.assertNotIn(REFUSED, boxes)

    def test_pelmar_send_over_starttls(self):
        listed = entries(0, 40)
        program = HeadlessSender(self.workdir.name, MTA.starttls_port, host="localhost", username="ana",
                                 settings="security=1\n")
        status, out, err = program.run("-s", "Notice", program.lines(*listed), program.file("m.txt", BODY),
                                       env=self.env, seconds=120)
        self.assertEqual(status, 1, err)
        self.assertIn(REFUSED + "\trefused\t550 5.1.1", out)
        self.assertEqual(out.count("\tdelivered"), 40)
        self.assertDeliveredOnce(listed, "Notice")
        history = program.history()
        self.assertEqual(history.pop(REFUSED), "refused")
        self.assertEqual(set(history.values()), {"delivered"})

    def test_window_command_line_over_tls(self):
        listed = entries(100, 40)
        with PelmarSend(self.workdir.name, MTA.tls_port, listed, BODY, host="localhost", username="ana",
                        settings="security=2\ntimeout=30\n", env=self.env) as program:
            job = program.wait_for_job_end(120)
            self.assertIsNotNone(job, program.proc.stderr.read1(4000))
        self.assertEqual(job[2:5], (41, 40, 1))
        self.assertDeliveredOnce(listed, None)  # the command line sends without a subject


if __name__ == "__main__":
    unittest.main()
