# SPDX-License-Identifier: GPL-3.0-or-later
"""The local OAuth provider as a program, for tests outside Python: prints its address,
then a line per grant ("grant authorization_code"), until standard input closes. Tokens are
access-N and refresh-N, N counting the grants from 1.

    python3 oauth_provider.py CERTIFICATE KEY
"""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from oauth_servers import OAuthProvider  # noqa: E402

with OAuthProvider(sys.argv[1], key=sys.argv[2], predictable=True) as provider:
    print(provider.url, flush=True)
    sys.stdin.read()
    for grant in provider.grants:
        print("grant", grant, flush=True)
