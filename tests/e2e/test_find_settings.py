# SPDX-License-Identifier: GPL-3.0-or-later
"""pelmar-send --find-settings against servers started here: autoconfig files over https
(a private authority) and http, an ISP database, a name server answering MX and SRV; each
source alone, their order, a source that does not answer, both languages, --save, and an
account set up from the address alone that then sends."""
import os
import re
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from autoconfig_servers import NameServer, WebServers  # noqa: E402
from pelmar_program import HeadlessSender  # noqa: E402
from secure_servers import Certificates, SubmissionServer  # noqa: E402

AUTOCONFIG = "/mail/config-v1.1.xml"
WELL_KNOWN = "/.well-known/autoconfig/mail/config-v1.1.xml"
ISPDB = "/v1.1/"


def config(host, port, socket_type, username="%EMAILADDRESS%", kind="smtp", auth="password-cleartext"):
    return f"""<?xml version="1.0"?>
<clientConfig version="1.1"><emailProvider id="example.test">
  <incomingServer type="imap"><hostname>imap.example.test</hostname><port>993</port>
    <socketType>SSL</socketType><username>imap-user</username></incomingServer>
  <outgoingServer type="{kind}"><hostname>{host}</hostname><port>{port}</port>
    <socketType>{socket_type}</socketType><username>{username}</username>
    <authentication>{auth}</authentication></outgoingServer>
</emailProvider></clientConfig>"""


GOOD = config("smtp.%EMAILDOMAIN%", 587, "STARTTLS")
BROKEN = config("smtp.broken.test", 587, "STARTTLS").replace("</outgoingServer>", "")
WRONG_TYPE = config("smtp.wrong.test", 587, "STARTTLS", kind="exchange")

# Every host a lookup may ask goes to the loopback servers, so nothing leaves the machine.
HOSTS = [prefix + domain for domain in ("example.test", "known.test", "mx-only.test", "srv.test", "plain.test",
                                         "hosting.test", "slow.test", "ana.test", "submission.test")
         for prefix in ("", "autoconfig.")] + ["ispdb.test"]

# (domain, files served, expected key=value lines, a word of the origin line)
SOURCES = [
    ("example.test", {("autoconfig.example.test", AUTOCONFIG): GOOD,
                      ("example.test", WELL_KNOWN): config("other.test", 25, "plain"),
                      ("ispdb.test", ISPDB + "example.test"): config("other.test", 25, "plain")},
     {"host": "smtp.example.test", "port": "587", "security": "1", "username": "ana@example.test",
      "signin": "password"}, "autoconfig.example.test"),
    ("example.test", {("example.test", WELL_KNOWN): config("smtp.example.test", 465, "SSL", "%EMAILLOCALPART%")},
     {"host": "smtp.example.test", "port": "465", "security": "2", "username": "ana"}, ".well-known"),
    ("example.test", {("autoconfig.example.test", AUTOCONFIG): BROKEN,
                      ("example.test", WELL_KNOWN): config("smtp.example.test", 25, "plain")},
     {"host": "smtp.example.test", "port": "25", "security": "0"}, ".well-known"),
    ("example.test", {("autoconfig.example.test", AUTOCONFIG): WRONG_TYPE,
                      ("ispdb.test", ISPDB + "example.test"): config("mail.isp.test", 587, "STARTTLS", auth="OAuth2")},
     {"host": "mail.isp.test", "signin": "oauth2", "oauthprovider": "other"}, "ispdb.test"),
    ("mx-only.test", {("ispdb.test", ISPDB + "hosting.test"): config("smtp.hosting.test", 465, "SSL")},
     {"host": "smtp.hosting.test", "security": "2"}, "hosting.test"),
    ("known.test", {}, {"host": "smtp.gmail.com", "port": "465", "signin": "oauth2", "oauthprovider": "google",
                        "perminute": "0", "perday": "2000"}, "Google"),
    ("srv.test", {}, {"host": "submit.srv.test", "port": "465", "security": "2", "username": "ana@srv.test"},
     "_submissions._tcp.srv.test"),
    ("submission.test", {}, {"host": "mail.submission.test", "port": "587", "security": "1"},
     "_submission._tcp.submission.test"),
]

DNS = {
    ("mx-only.test", "MX"): [(10, "mx1.hosting.test")],
    ("known.test", "MX"): [(5, "aspmx.l.google.com")],
    ("_submissions._tcp.srv.test", "SRV"): [(0, "submit.srv.test", 1, 465)],
    ("_submission._tcp.srv.test", "SRV"): [(0, "other.srv.test", 1, 587)],
    ("srv.test", "MX"): [(10, "mx.srv.test")],
    ("_submission._tcp.submission.test", "SRV"): [(0, "mail.submission.test", 1, 587)],
}


def parse(out):
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


class FindSettings(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.certs = Certificates(cls.folder.name).__enter__()
        names = ",".join("DNS:" + host for host in HOSTS)
        cls.web_certificate = cls.certs._server("web", "authority", names, "30")
        cls.dns = NameServer(DNS)

    @classmethod
    def tearDownClass(cls):
        if cls.dns:
            cls.dns.stop()
        cls.folder.cleanup()

    def qt_tls_leak_suppression(self):
        """Under LeakSanitizer: Qt's OpenSSL backend keeps the error state of its network
        thread past the end of a run whose request failed; that state is OpenSSL's, reached
        only through Qt Network here (this test makes no SMTP connection of its own)."""
        options = os.environ.get("LSAN_OPTIONS", "")
        match = re.search(r"suppressions=([^:]+)", options)
        if not match:
            return {}
        combined = os.path.join(self.folder.name, "lsan-qt-tls.supp")
        with open(match.group(1)) as base, open(combined, "w") as out:
            out.write(base.read() + "leak:libcrypto.so\n")
        return {"LSAN_OPTIONS": options.replace(match.group(0), "suppressions=" + combined)}

    def find(self, web, address, *args, language=2, settings=""):
        folder = tempfile.mkdtemp(dir=self.folder.name)
        nameserver = self.dns.address if self.dns else "127.0.0.1"
        program = HeadlessSender(folder, 25, language=language,
                                 settings=f"ispdb=https://ispdb.test{ISPDB}\nnameserver={nameserver}\n{settings}")
        env = {"PELMAR_RESOLVE": web.resolve(*HOSTS), "SSL_CERT_FILE": self.certs.authority,
               **self.qt_tls_leak_suppression()}
        status, out, err = program.run("--find-settings", address, *args, env=env, seconds=90)
        return program, status, out, err

    def test_each_source_alone_and_their_order(self):
        for domain, files, expected, origin in SOURCES:
            with self.subTest(domain=domain, files=list(files)), WebServers(self.web_certificate, files) as web:
                if not self.dns and domain in ("mx-only.test", "known.test", "srv.test", "submission.test"):
                    self.skipTest("no name server could listen on a loopback address")
                _, status, out, err = self.find(web, "ana@" + domain)
                self.assertEqual(status, 0, err)
                found = parse(out)
                self.assertEqual({key: found.get(key) for key in expected}, expected, err)
                self.assertIn(origin, err.splitlines()[-1])

    def test_a_file_that_is_no_good_is_skipped_with_a_note_in_either_language(self):
        files = {("autoconfig.example.test", AUTOCONFIG): BROKEN, ("example.test", WELL_KNOWN): WRONG_TYPE}
        for language, words in ((2, ["not well-formed XML", "names no SMTP server", "skipped",
                                     "No settings found for ana@example.test."]),
                                (1, ["ni pravilna datoteka XML", "ne navaja strežnika SMTP", "preskočeno",
                                     "Nastavitev za ana@example.test ni bilo mogoče najti."])):
            with self.subTest(language=language), WebServers(self.web_certificate, files) as web:
                _, status, out, err = self.find(web, "ana@example.test", language=language)
                self.assertEqual(status, 2)
                self.assertEqual(out, "")  # nothing of the broken files is applied
                for word in words:
                    self.assertIn(word, err)

    def test_plain_http_is_asked_only_with_consent(self):
        files = {("autoconfig.plain.test", AUTOCONFIG): config("smtp.plain.test", 587, "STARTTLS")}
        with WebServers(self.web_certificate, files) as web:
            # The https server answers 404 for the same file: only http has it.
            web.servers[0].owner = type("Missing", (), {"files": {}, "requests": web.requests})()
            _, status, out, err = self.find(web, "ana@plain.test")
            self.assertEqual(status, 2, err)
            self.assertIn("(no terminal, answered: No)", err)
            self.assertNotIn("http", {scheme for scheme, _, _ in web.requests})
            _, status, out, err = self.find(web, "ana@plain.test", "--allow-http")
            self.assertEqual(status, 0, err)
            self.assertEqual(parse(out)["host"], "smtp.plain.test")
            self.assertIn("http://autoconfig.plain.test", err)

    def test_a_source_that_does_not_answer_is_given_up_after_its_time_out(self):
        files = {("autoconfig.slow.test", AUTOCONFIG): None,
                 ("slow.test", WELL_KNOWN): config("smtp.slow.test", 587, "STARTTLS")}
        with WebServers(self.web_certificate, files) as web:
            started = time.monotonic()
            _, status, out, err = self.find(web, "ana@slow.test")
            self.assertEqual(status, 0, err)
            self.assertEqual(parse(out)["host"], "smtp.slow.test")
            self.assertIn("no answer within 5 s", err)
            self.assertLess(time.monotonic() - started, 20)

    def test_save_writes_what_was_found_and_only_then(self):
        files = {("autoconfig.example.test", AUTOCONFIG): GOOD}
        with WebServers(self.web_certificate, files) as web:
            for args, written in (((), False), (("--save",), True)):
                program, status, out, err = self.find(web, "ana@example.test", *args)
                self.assertEqual(status, 0, err)
                path = os.path.join(program.workdir, "config", "Drelko", "Varnolt Pelmar.conf")
                with open(path, encoding="utf-8") as f:
                    stored = f.read()
                self.assertEqual("host=smtp.example.test" in stored, written, stored)

    def test_an_account_from_the_address_alone_sends(self):
        with SubmissionServer(self.certs.server, mode=1) as server, \
                WebServers(self.web_certificate,
                           {("autoconfig.ana.test", AUTOCONFIG):
                            config("localhost", server.port, "STARTTLS", "%EMAILLOCALPART%")}) as web:
            program, status, out, err = self.find(web, "ana@ana.test", "--save")
            self.assertEqual(status, 0, err)
            env = {"SSL_CERT_FILE": self.certs.authority, "PELMAR_PASSWORD": "s3cret"}
            status, out, err = program.run("-s", "Set up from the address", program.lines("ben@example.org"),
                                           program.file("message.txt", "Hello.\r\n"), env=env)
            self.assertEqual(status, 0, err)
            self.assertEqual(server.logins, [("ana", "s3cret", True)])
            self.assertEqual(len(server.messages), 1)


if __name__ == "__main__":
    unittest.main()
