# SPDX-License-Identifier: GPL-3.0-or-later
"""pelmar-send as a new user meets it: a continued job says so before it sends and its
summary tells this run from the whole job; --preview prints the first message as read; the
data it leaves behind is the user's alone. Against aiosmtpd started here."""
import os
import stat
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from pelmar_program import HeadlessSender  # noqa: E402
from smtp_servers import Aiosmtpd  # noqa: E402


def mode(path):
    return stat.S_IMODE(os.stat(path).st_mode)


class ContinuedJob(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def test_a_continued_job_says_so_first_in_either_language_and_counts_this_run_apart(self):
        said = {2: ("Continuing unfinished job 1 (started ", "2 of 3 delivered before",
                    "--restart starts again", "This run: delivered 0, refused 1, deferred 0. "
                    "The job's counts above include the 2 delivered before."),
                1: ("Nadaljujem nedokončano pošiljanje št. 1 (začeto ", "prej dostavljeno 2 od 3",
                    "Z --restart se pošiljanje začne znova", "Ta zagon: dostavljeno 0, zavrnjeno 1, odloženo 0.")}
        for language, texts in said.items():
            with self.subTest(language=language), tempfile.TemporaryDirectory() as folder, Aiosmtpd() as server:
                program = HeadlessSender(folder, server.port, language=language)
                args = (program.lines("ann@example.org", "refused@example.org", "cara@example.net"),
                        program.file("m.txt", "Hello\n"))
                status, _, err = program.run(*args)
                self.assertEqual(status, 1, err)
                self.assertNotIn(texts[0], err, "a new job continues nothing")
                status, out, err = program.run(*args)
                self.assertEqual(status, 1, err)
                self.assertEqual(len(server.messages), 2, "the rerun delivers nobody twice")
                self.assertTrue(err.startswith(texts[0]), err)
                for text in texts[1:]:
                    self.assertIn(text, err)
                self.assertEqual(out, "refused@example.org\trefused\t554 5.7.1 Refused by the test server\n")
                status, _, err = program.run("--restart", *args)
                self.assertNotIn(texts[0], err)
                self.assertEqual(len(server.messages), 4)

    def test_preview_prints_the_first_message_as_a_person_reads_it(self):
        with Aiosmtpd() as server:
            program = HeadlessSender(self.folder.name, server.port)
            attachment = program.file("Poročilo čez leto.txt", "data\n")
            status, out, err = program.run(
                "--preview", "--html", "-s", "Pozdrav {{first}} – novice", "-a", attachment,
                program.file("list.csv", "Name,E-mail Address\nŠpela Kos,spela@example.org\n"),
                program.file("m.html", "<p>Draga {{first}},</p><p><a href=\"https://x.org/?a=1&amp;b=2\">več</a></p>\n"))
        self.assertEqual(status, 0, err)
        self.assertEqual(server.messages, [])
        header, _, rest = out.partition("\n\n")
        self.assertIn("To: Špela Kos <spela@example.org>", header.splitlines())
        self.assertIn("Subject: Pozdrav Špela – novice", header.splitlines())
        self.assertIn("From: Ana<ana@example.org>", header.splitlines())
        self.assertEqual(rest, "Draga Špela,\n\nveč <https://x.org/?a=1&b=2>\n\nAttachment: Poročilo čez leto.txt\n")


class UnreachedJob(unittest.TestCase):
    def test_a_job_that_never_reached_the_server_is_in_the_history_with_its_reason(self):
        import sqlite3
        from smtp_servers import free_port
        with tempfile.TemporaryDirectory() as folder:
            program = HeadlessSender(folder, free_port(), settings="timeout=5\n")
            status, _, err = program.run("--html", program.lines("ann@example.org"), program.file("m.txt", "Hi\n"))
            self.assertEqual(status, 2, err)
            path = os.path.join(program.data, "Drelko", "Varnolt Pelmar", "history.sqlite")
            with sqlite3.connect(path) as db:
                rows = db.execute("SELECT subject, format, failure FROM jobs").fetchall()
            self.assertEqual(len(rows), 1)
            self.assertEqual(rows[0][1], "HTML")
            self.assertTrue(rows[0][2].startswith("Connect failed"), rows)


class Privacy(unittest.TestCase):
    def test_the_data_folder_is_0700_and_history_and_log_are_0600(self):
        with tempfile.TemporaryDirectory() as folder, Aiosmtpd() as server:
            program = HeadlessSender(folder, server.port)
            status, _, err = program.run(program.lines("ann@example.org"), program.file("m.txt", "Hello\n"))
            self.assertEqual(status, 0, err)
            data = os.path.join(program.data, "Drelko", "Varnolt Pelmar")
            self.assertEqual(oct(mode(data)), oct(0o700))
            files = [os.path.join(data, name) for name in os.listdir(data) if name.startswith("history.sqlite")]
            self.assertTrue(files)
            for path in files + [program.log_path]:
                self.assertEqual(oct(mode(path)), oct(0o600), path)


if __name__ == "__main__":
    unittest.main()
