# SPDX-License-Identifier: GPL-3.0-or-later
"""pelmar-send delivers to a server reached only over IPv6: aiosmtpd on ::1, the host field
holding the address literal with or without brackets."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from pelmar_program import HeadlessSender  # noqa: E402
from smtp_servers import Aiosmtpd  # noqa: E402


class Ipv6Delivery(unittest.TestCase):
    def test_a_server_on_ipv6_loopback_gets_every_message(self):
        for host in ("::1", "[::1]"):
            with self.subTest(host=host), tempfile.TemporaryDirectory() as folder, \
                    Aiosmtpd(address="::1") as server:
                program = HeadlessSender(folder, server.port, host=host)
                status, out, err = program.run("-s", "Over IPv6", program.lines("ann@example.org", "ben@example.org"),
                                               program.file("message.txt", "Hello over IPv6.\r\n"))
                self.assertEqual(status, 0, err)
                self.assertEqual([rcpts for _, rcpts, _ in server.messages], [["ann@example.org"], ["ben@example.org"]])
                self.assertIn(b"Subject: Over IPv6", server.messages[0][2])


if __name__ == "__main__":
    unittest.main()
