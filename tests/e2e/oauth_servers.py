# SPDX-License-Identifier: GPL-3.0-or-later
"""A local OAuth 2.0 provider and a submission server that takes its bearer tokens.

OAuthProvider serves https on 127.0.0.1 (the tests' private certificate): /authorize
redirects the browser to the redirect_uri with a code (or a wrong state, when told),
/token checks the client ID, the redirect URI and the PKCE verifier (S256) and issues
access tokens that live `lifetime` seconds and a refresh token; revoke() refuses every
refresh token issued so far. BearerServer is aiosmtpd with OAUTHBEARER and XOAUTH2 that
accepts the provider's live access tokens (or `accepted` ones), answering others with the
error challenge of RFC 7628.
"""
import base64
import hashlib
import json
import os
import secrets
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from aiosmtpd.smtp import AuthResult

sys.path.insert(0, os.path.dirname(__file__))
from secure_servers import SubmissionServer  # noqa: E402

CLIENT_ID = "pelmar-test-client"


class OAuthProvider:
    def __init__(self, certificate, lifetime=3600, wrong_state=False, key=None, predictable=False):
        self.lifetime = lifetime
        self.predictable = predictable
        self.wrong_state = wrong_state
        self.codes = {}        # code -> (challenge, redirect_uri)
        self.access = {}       # token -> expiry (monotonic)
        self.refresh = set()   # live refresh tokens
        self.issued = []       # every token handed out, access and refresh
        self.grants = []       # grant_type of every token request answered with tokens
        self.refused = []      # why each refused token request was refused
        provider = self

        class Handler(BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                url = urllib.parse.urlparse(self.path)
                query = dict(urllib.parse.parse_qsl(url.query))
                if url.path != "/authorize" or query.get("client_id") != CLIENT_ID:
                    self.send_error(400)
                    return
                code = secrets.token_urlsafe(12)
                provider.codes[code] = (query["code_challenge"], query["redirect_uri"])
                state = "forged" if provider.wrong_state else query["state"]
                target = query["redirect_uri"] + "?" + urllib.parse.urlencode({"code": code, "state": state})
                self.send_response(302)
                self.send_header("Location", target)
                self.end_headers()

            def do_POST(self):
                form = dict(urllib.parse.parse_qsl(self.rfile.read(int(self.headers["Content-Length"])).decode()))
                answer = provider.token_answer(form)
                body = json.dumps(answer).encode()
                self.send_response(400 if "error" in answer else 200)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

        self.http = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(certificate, key)
        self.http.socket = context.wrap_socket(self.http.socket, server_side=True)
        self.url = f"https://127.0.0.1:{self.http.server_address[1]}"

    def settings(self, scope="mail"):
        return (f"signin=oauth2\noauthprovider=other\noauthclientid={CLIENT_ID}\n"
                f"oauthauthurl={self.url}/authorize\noauthtokenurl={self.url}/token\noauthscope={scope}\n")

    def refuse(self, why):
        self.refused.append(why)
        return {"error": "invalid_grant", "error_description": why}

    def token_answer(self, form):
        if form.get("client_id") != CLIENT_ID:
            return self.refuse("client")
        if form.get("grant_type") == "authorization_code":
            challenge, redirect = self.codes.pop(form.get("code"), (None, None))
            verifier = form.get("code_verifier", "").encode()
            s256 = base64.urlsafe_b64encode(hashlib.sha256(verifier).digest()).rstrip(b"=").decode()
            if challenge is None or s256 != challenge or form.get("redirect_uri") != redirect:
                return self.refuse("code, verifier or redirect")
        elif form.get("grant_type") != "refresh_token" or form.get("refresh_token") not in self.refresh:
            return self.refuse("refresh token")
        self.grants.append(form["grant_type"])
        count = len(self.grants)
        access, refresh = ((f"access-{count}", f"refresh-{count}") if self.predictable
                           else (secrets.token_urlsafe(24), secrets.token_urlsafe(24)))
        self.access[access] = time.monotonic() + self.lifetime
        self.refresh.add(refresh)
        self.issued += [access, refresh]
        return {"access_token": access, "token_type": "Bearer", "expires_in": self.lifetime, "refresh_token": refresh}

    def live(self, token):
        return self.access.get(token, 0) > time.monotonic()

    def revoke(self):
        self.refresh.clear()

    def __enter__(self):
        threading.Thread(target=self.http.serve_forever, daemon=True).start()
        return self

    def __exit__(self, *exc):
        self.http.shutdown()
        self.http.server_close()


def _bearer(text):
    """(user, token) of an OAUTHBEARER or XOAUTH2 initial response."""
    fields = text.split("\x01")
    user = fields[0][len("user="):] if fields[0].startswith("user=") else fields[0].split("a=", 1)[-1].rstrip(",")
    token = next((f[len("auth=Bearer "):] for f in fields if f.startswith("auth=Bearer ")), "")
    return user, token


class _BearerMechanisms:
    """The handler's auth_ methods, which aiosmtpd offers in EHLO."""

    def __init__(self, server, mechanisms):
        self.owner = server
        self.offered = mechanisms

    async def _login(self, smtp, args, mechanism):
        if mechanism not in self.offered:
            await smtp.push("504 5.5.4 Unrecognized authentication type")
            return AuthResult(success=False, handled=True)
        user, token = _bearer(base64.b64decode(args[1]).decode())
        accepted = self.owner.valid(token)
        self.owner.logins.append((mechanism, user, token, accepted))
        if accepted:
            smtp.session.token = token
            return AuthResult(success=True, auth_data=user)
        status = json.dumps({"status": "invalid_token", "schemes": "bearer", "scope": "mail"})
        self.owner.challenge_answers.append(await smtp.challenge_auth(status))
        return AuthResult(success=False, handled=False, message="535 5.7.8 Token not accepted")


class BearerServer(SubmissionServer):
    """A STARTTLS submission server whose login takes bearer tokens only. .logins holds
    (mechanism, user, token, accepted); .challenge_answers what the client answered to each
    error challenge. A session whose token has run out is told 421 at its next MAIL."""

    def __init__(self, certificate, provider=None, accepted=(), mechanisms=("OAUTHBEARER", "XOAUTH2")):
        super().__init__(certificate, mode=1)
        self.provider = provider
        self.accepted = set(accepted)
        self.challenge_answers = []
        self.expired_sessions = 0
        mechanisms_handler = _BearerMechanisms(self, mechanisms)
        handler = self.handler
        for name in ("OAUTHBEARER", "XOAUTH2"):
            setattr(handler, "auth_" + name,
                    lambda smtp, args, name=name: mechanisms_handler._login(smtp, args, name))
        owner = self

        async def handle_MAIL(server, session, envelope, address, options):
            token = getattr(session, "token", None)
            if token and owner.provider and not owner.provider.live(token):
                owner.expired_sessions += 1
                return "421 4.7.0 The access token has expired"
            envelope.mail_from = address
            return "250 OK"

        handler.handle_MAIL = handle_MAIL
        base_factory = self._factory

        def factory():
            server = base_factory()
            # Only the bearer mechanisms: no password login here.
            server._auth_methods = {m: a for m, a in server._auth_methods.items() if m in mechanisms}
            return server

        self._factory = factory

    def valid(self, token):
        return token in self.accepted or (self.provider is not None and self.provider.live(token))
