# SPDX-License-Identifier: GPL-3.0-or-later
"""`pelmar EXPORT.csv MESSAGE send`: an address book's CSV export is the list, and every
person gets a message that speaks to them, read back with Python's email package."""
import email
import email.policy
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from pelmar_program import HeadlessSender, PelmarSend  # noqa: E402
from smtp_servers import Aiosmtpd  # noqa: E402



def letter_template(company_field):
    return ("Dear {{first}},\n\n"
            "this letter is for {{name}} <{{email}}> at {{" + company_field + "}}.\n"
            "{{{{first}} is how a field is written.\n")


# Outlook for Windows writes every field quoted, in the system's code page (Windows-1250
# on Slovenian systems), with many more columns than are filled.
OUTLOOK = (
    '"Title","First Name","Middle Name","Last Name","Suffix","Company","Department","Job Title",'
    '"Business Street","E-mail Address","E-mail Type","E-mail Display Name","Notes"\r\n'
    '"","Špela","","Žagar","","Kos & Sinovi, d.o.o.","","","Trg 1\r\nLjubljana","spela@example.org","SMTP",'
    '"Špela Žagar (spela@example.org)","met at ""Expo"""\r\n'
    '"Dr.","Črt","","Kovač","","Čebelarstvo","","","","crt@example.org","SMTP","",""\r\n'
    '"","Ana","","","","","","","","ana@example.net","SMTP","",""\r\n'
).encode("cp1250")

# Google Contacts writes UTF-8, quotes only where needed, and joins several addresses
# with " ::: " (the first one is the one written to).
GOOGLE = (
    "Name,Given Name,Additional Name,Family Name,Nickname,Organization 1 - Name,"
    "E-mail 1 - Type,E-mail 1 - Value,Phone 1 - Type,Phone 1 - Value\r\n"
    "Marko Horvat,Marko,,Horvat,,\"Horvat, d.o.o.\",* Work,marko@example.org ::: marko@home.example,Mobile,"
    "+386 40 123 456\r\n"
    "Nina,Nina,,,,,* Home,nina@example.net,,\r\n"
    "\"Novak, Ana\",Ana,,Novak,,Firm,* Other,ana.novak@example.com,,\r\n"
).encode("utf-8")


class PersonalMessagesFromAnExport(unittest.TestCase):
    def send(self, export, company_field, expected):
        """expected: (To as parsed: name and address, mailbox, greeting line, letter line) per person."""
        with tempfile.TemporaryDirectory() as workdir, Aiosmtpd() as server, \
                PelmarSend(workdir, server.port, export, letter_template(company_field).encode(), charset=None) as program:
            self.assertIsNotNone(program.wait_for_log_lines(len(expected), 60),
                                 "log.txt never held a line per message")
            messages = server.messages

        self.assertEqual(len(messages), len(expected))
        for (sender, rcpts, raw), (to, mailbox, greeting, letter) in zip(messages, expected):
            with self.subTest(mailbox=mailbox):
                self.assertEqual(rcpts, [mailbox])
                message = email.message_from_bytes(raw, policy=email.policy.default)
                self.assertEqual(message.defects, [])
                self.assertEqual([(a.display_name, a.addr_spec) for a in message["To"].addresses], [to])
                self.assertEqual(message.get_content_type(), "text/plain")
                lines = message.get_content().replace("\r\n", "\n").split("\n")
                # The header block ends with one more empty line (part of the body).
                self.assertEqual(lines[:6], ["", greeting, "", letter, "{{first}} is how a field is written.", ""])

    def test_outlook_export_in_windows_1250(self):
        self.send(OUTLOOK, "company", [
            (("Špela Žagar", "spela@example.org"), "spela@example.org", "Dear Špela,",
             "this letter is for Špela Žagar <spela@example.org> at Kos & Sinovi, d.o.o.."),
            (("Črt Kovač", "crt@example.org"), "crt@example.org", "Dear Črt,",
             "this letter is for Črt Kovač <crt@example.org> at Čebelarstvo."),
            (("Ana", "ana@example.net"), "ana@example.net", "Dear Ana,",
             "this letter is for Ana <ana@example.net> at ."),
        ])

    def test_google_export_in_utf_8(self):
        self.send(GOOGLE, "Organization 1 - Name", [
            (("Marko Horvat", "marko@example.org"), "marko@example.org", "Dear Marko,",
             "this letter is for Marko Horvat <marko@example.org> at Horvat, d.o.o.."),
            (("Nina", "nina@example.net"), "nina@example.net", "Dear Nina,",
             "this letter is for Nina <nina@example.net> at ."),
            (("Novak, Ana", "ana.novak@example.com"), "ana.novak@example.com", "Dear Novak,,",
             "this letter is for Novak, Ana <ana.novak@example.com> at Firm."),
        ])

    def headless_send(self, export, subject, company_field):
        """{mailbox: (Subject, first line of the text)} as Python's email package reads them."""
        with tempfile.TemporaryDirectory() as workdir, Aiosmtpd() as server:
            program = HeadlessSender(workdir, server.port)
            status, out, err = program.run("--allow-empty-fields", "-s", subject, program.file("contacts.csv", export),
                                           program.file("letter.txt", letter_template(company_field)))
            messages = server.messages
        self.assertEqual(status, 0, err)
        self.assertEqual(len(out.splitlines()), len(messages))
        got = {}
        for _, rcpts, raw in messages:
            message = email.message_from_bytes(raw, policy=email.policy.default)
            self.assertEqual(message.defects, [])
            greeting = message.get_content().replace("\r\n", "\n").split("\n")[1]
            got[rcpts[0]] = (str(message["Subject"]), greeting)
        return got

    def test_headless_sender_with_a_name_in_the_subject(self):
        self.assertEqual(self.headless_send(GOOGLE, "Invitation for {{name}}", "Organization 1 - Name"), {
            "marko@example.org": ("Invitation for Marko Horvat", "Dear Marko,"),
            "nina@example.net": ("Invitation for Nina", "Dear Nina,"),
            "ana.novak@example.com": ("Invitation for Novak, Ana", "Dear Novak,,"),
        })

    def test_headless_sender_with_slovenian_names_from_windows_1250(self):
        self.assertEqual(self.headless_send(OUTLOOK, "Vabilo za {{name}} – čšž", "company"), {
            "spela@example.org": ("Vabilo za Špela Žagar – čšž", "Dear Špela,"),
            "crt@example.org": ("Vabilo za Črt Kovač – čšž", "Dear Črt,"),
            "ana@example.net": ("Vabilo za Ana – čšž", "Dear Ana,"),
        })

if __name__ == "__main__":
    unittest.main()
