# SPDX-License-Identifier: GPL-3.0-or-later
"""Signing in with a token, end to end through pelmar-send: the browser sign-in against a
local OAuth provider (PKCE, loopback redirect, state), a job that outlives its access
token, a revoked refresh token, the token command, and the error challenge of a refused
token. The refresh token lives in a keyring daemon on a private session bus; no token is
left in any file of the program's."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from secure_servers import Certificates  # noqa: E402
from oauth_servers import BearerServer, OAuthProvider  # noqa: E402
from pelmar_program import HeadlessSender  # noqa: E402

PRIVATE_BUS = "PELMAR_OAUTH_TEST_BUS"


def setUpModule():
    # A keyring of our own: the test runs again inside a private session bus with an
    # unlocked gnome-keyring, in a throw-away home.
    if not os.environ.get(PRIVATE_BUS):
        if not (shutil.which("dbus-run-session") and shutil.which("gnome-keyring-daemon")):
            raise unittest.SkipTest("no dbus-run-session or gnome-keyring-daemon")
        return
    subprocess.run(["gnome-keyring-daemon", "--unlock", "--components=secrets"], input=b"throwaway",
                   stdout=subprocess.DEVNULL, check=True)


class SignIn(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.folder = folder.name
        self.certs = Certificates(tempfile.mkdtemp(dir=self.folder)).__enter__()
        browser = os.path.join(self.folder, "browser")
        with open(browser, "w") as f:
            f.write(f"#!/bin/sh\nexec /usr/bin/python3 {os.path.dirname(__file__)}/browser.py \"$1\"\n")
        os.chmod(browser, 0o755)
        self.env = {"SSL_CERT_FILE": self.certs.authority, "BROWSER": browser,
                    "DBUS_SESSION_BUS_ADDRESS": os.environ.get("DBUS_SESSION_BUS_ADDRESS", "")}

    def sender(self, port, settings, username="ana@example.org", language=2):
        program = HeadlessSender(os.path.join(self.folder, "run"), port, username=username, language=language,
                                 settings="security=1\n" + settings)
        program.env.update(self.env)
        return program

    def send(self, program, entries=("bob@example.org",)):
        return program.run("-s", "Notice", program.lines(*entries), program.file("m.txt", "Hello\n"))

    def assertNoTokenInFiles(self, tokens):
        for folder, _, names in os.walk(os.path.join(self.folder, "run")):
            for name in names:
                with open(os.path.join(folder, name), "rb") as f:
                    content = f.read()
                for token in tokens:
                    self.assertNotIn(token.encode(), content, os.path.join(folder, name))

    def test_signed_in_once_a_job_outlives_its_access_token_and_a_revoked_sign_in_says_how(self):
        with OAuthProvider(self.certs.server, lifetime=3) as provider, \
                BearerServer(self.certs.server, provider) as server:
            program = self.sender(server.port, provider.settings() + "pavza=2\n")
            status, out, err = program.run("--sign-in", env=self.env)
            self.assertEqual(status, 0, err)
            self.assertIn(provider.url + "/authorize?", err)
            self.assertIn("refresh token is in the keyring", err)
            self.assertEqual(provider.grants, ["authorization_code"])
            entries = ["bob@example.org", "cara@example.org", "dan@example.org"]
            status, out, err = self.send(program, entries)
            self.assertEqual(status, 0, err)
            self.assertEqual(len(server.messages), 3)
            # The token ran out in the middle: the server said so, and the next login got a fresh one.
            self.assertGreaterEqual(server.expired_sessions, 1)
            self.assertGreaterEqual(provider.grants.count("refresh_token"), 2)
            self.assertEqual({m for m, _, _, ok in server.logins if ok}, {"OAUTHBEARER"})
            self.assertTrue(all(user == "ana@example.org" for _, user, _, _ in server.logins))
            provider.revoke()
            status, out, err = self.send(program)
            self.assertEqual(status, 2, err)
            self.assertIn("pelmar-send --sign-in", err)
            self.assertEqual(len(server.messages), 3)
            self.assertNoTokenInFiles(provider.issued)

    def test_an_answer_with_another_state_is_not_taken(self):
        with OAuthProvider(self.certs.server, wrong_state=True) as provider:
            program = self.sender(1, provider.settings())
            status, out, err = program.run("--sign-in", env=self.env)
        self.assertEqual(status, 2, err)
        self.assertIn("its state differs", err)
        self.assertEqual(provider.grants, [])

    def test_the_token_command(self):
        for token in ("good", "stale"):
            with open(os.path.join(self.folder, token + ".txt"), "w") as f:
                f.write(token + "-token\n")
        cases = [
            # (name, command, mechanisms offered, exit status, in standard error, language)
            ("good, XOAUTH2 only", "cat good.txt", ("XOAUTH2",), 0, "1 messages sent.", 2),
            ("failing", "echo helper broke >&2 && exit 3", ("OAUTHBEARER",), 2,
             "failed with exit status 3:\nhelper broke", 2),
            ("failing, Slovenian", "echo helper broke >&2 && exit 3", ("OAUTHBEARER",), 2,
             "izhodna koda 3:\nhelper broke", 1),
            ("empty", "true", ("OAUTHBEARER",), 2, "printed no token", 2),
            ("refused: the error challenge", "cat stale.txt", ("OAUTHBEARER",), 2, "status: invalid_token", 2),
        ]
        for name, command, mechanisms, expected, text, language in cases:
            with self.subTest(name), BearerServer(self.certs.server, accepted={"good-token"},
                                                  mechanisms=mechanisms) as server:
                program = self.sender(server.port, f"signin=command\ntokencommand=cd {self.folder} && {command}\n",
                                      language=language)
                status, out, err = self.send(program)
                self.assertEqual(status, expected, err)
                self.assertIn(text, err)
                if name.startswith("refused"):
                    # RFC 7628 section 3.2.3: the client answers the challenge with a lone %x01.
                    self.assertEqual(server.challenge_answers, [b"\x01", b"\x01"])
                    self.assertIn("oauthclientid or tokencommand", err)
                self.assertNoTokenInFiles(["good-token", "stale-token"])


if __name__ == "__main__":
    if not os.environ.get(PRIVATE_BUS) and shutil.which("dbus-run-session") and shutil.which("gnome-keyring-daemon"):
        home = tempfile.mkdtemp()
        runtime = os.path.join(home, "run")
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ, **{PRIVATE_BUS: "1", "HOME": home, "XDG_DATA_HOME": os.path.join(home, "data"),
                                  "XDG_RUNTIME_DIR": runtime})
        status = subprocess.run(["dbus-run-session", "--", sys.executable, __file__], env=env).returncode
        shutil.rmtree(home, ignore_errors=True)
        sys.exit(status)
    unittest.main()
