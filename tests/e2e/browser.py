# SPDX-License-Identifier: GPL-3.0-or-later
"""The person's browser for the sign-in tests: follows the authorization address through
the provider's redirect to the program's loopback address, trusting SSL_CERT_FILE."""
import ssl
import sys
import urllib.request

context = ssl.create_default_context(cafile=__import__("os").environ["SSL_CERT_FILE"])
with urllib.request.urlopen(sys.argv[1], context=context, timeout=30) as page:
    page.read()
