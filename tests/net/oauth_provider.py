#!/usr/bin/python3
"""An OAuth 1.0a provider on 127.0.0.1 for the micro-blog client tests.

Built on python3-oauthlib, so every request is verified by an implementation
other than ours. It serves the PIN flow (request token, authorize, access
token) and the two status calls, which echo what they received:
  update.json            -> the decoded status text, byte for byte
  update_with_media.json -> status, NUL, file name, NUL, the file's bytes
  GET /test/last_post    -> the reply of the last accepted post
Usage: oauth_provider.py PORT. Prints "READY" once it listens; ends on
SIGTERM, or by itself after ten minutes should the test never stop it.
"""
import os
import re
import string
import sys
import threading
from http.server import BaseHTTPRequestHandler, HTTPServer
from urllib.parse import parse_qsl, urlsplit

from oauthlib.oauth1 import (AccessTokenEndpoint, AuthorizationEndpoint, RequestTokenEndpoint,
                             RequestValidator, ResourceEndpoint)

CONSUMER_KEY = "dpf43f3p2l4k3l03"
CONSUMER_SECRET = "kd94hf93k423kf44"
# An access token issued beforehand, so the post tests need no PIN flow.
ACCESS_TOKEN = "nnch734d00sl2jdk9d7dh3k39"
ACCESS_SECRET = "pfkkdhi9sl3r4s00"
LINKED_TOKEN = "linked0token0000000000000"
LINKED_SECRET = "linked0secret0000000"  # long enough for the game to count the account as linked
MAX_BODY = 16 << 20
LAST_POST = [b""]


class Validator(RequestValidator):
    def __init__(self):
        super().__init__()
        self.request_tokens = {}  # token -> {"secret", "callback", "verifier"}
        self.access_tokens = {ACCESS_TOKEN: ACCESS_SECRET, LINKED_TOKEN: LINKED_SECRET}
        self.seen_nonces = set()
        self.lock = threading.Lock()

    # The client's nonces are 15-30 characters from letters, digits and "_".
    enforce_ssl = False
    safe_characters = set(string.ascii_letters + string.digits + "_")
    client_key_length = (10, 40)
    request_token_length = (20, 40)
    access_token_length = (20, 40)
    nonce_length = (15, 30)
    verifier_length = (20, 40)
    dummy_client = "dummy_client_key_00000"
    dummy_request_token = "dummy_request_token_0000"
    dummy_access_token = "dummy_access_token_00000"

    def get_client_secret(self, client_key, request):
        return CONSUMER_SECRET if client_key == CONSUMER_KEY else "dummy"

    def get_request_token_secret(self, client_key, token, request):
        return self.request_tokens.get(token, {}).get("secret", "dummy")

    def get_access_token_secret(self, client_key, token, request):
        return self.access_tokens.get(token, "dummy")

    def get_default_realms(self, client_key, request):
        return []

    def get_realms(self, token, request):
        return []

    def get_redirect_uri(self, token, request):
        return self.request_tokens[token]["callback"]

    def validate_client_key(self, client_key, request):
        return client_key == CONSUMER_KEY

    def validate_request_token(self, client_key, token, request):
        return token in self.request_tokens

    def validate_access_token(self, client_key, token, request):
        return token in self.access_tokens

    def validate_timestamp_and_nonce(self, client_key, timestamp, nonce, request,
                                     request_token=None, access_token=None):
        key = (client_key, timestamp, nonce, request_token, access_token)
        with self.lock:
            if key in self.seen_nonces:
                return False
            self.seen_nonces.add(key)
            return True

    def validate_redirect_uri(self, client_key, redirect_uri, request):
        return redirect_uri == "oob"

    def validate_requested_realms(self, client_key, realms, request):
        return True

    def validate_realms(self, client_key, token, request, uri=None, realms=None):
        return True

    def validate_verifier(self, client_key, token, verifier, request):
        return self.request_tokens.get(token, {}).get("verifier") == verifier

    def verify_request_token(self, token, request):
        return token in self.request_tokens

    def verify_realms(self, token, realms, request):
        return True

    def save_request_token(self, token, request):
        self.request_tokens[token["oauth_token"]] = {
            "secret": token["oauth_token_secret"], "callback": request.redirect_uri}

    def save_verifier(self, token, verifier, request):
        self.request_tokens[token]["verifier"] = verifier["oauth_verifier"]

    def save_access_token(self, token, request):
        self.access_tokens[token["oauth_token"]] = token["oauth_token_secret"]

    def invalidate_request_token(self, client_key, request_token, request):
        self.request_tokens.pop(request_token, None)


VALIDATOR = Validator()
REQUEST_TOKEN = RequestTokenEndpoint(VALIDATOR)
AUTHORIZE = AuthorizationEndpoint(VALIDATOR)
ACCESS = AccessTokenEndpoint(VALIDATOR)
RESOURCE = ResourceEndpoint(VALIDATOR)


def parse_multipart(content_type, body):
    """The parts of a multipart/form-data body as {name: (filename, bytes)}."""
    match = re.fullmatch(r"multipart/form-data;\s*boundary=([^\s;]+)", content_type)
    if not match:
        raise ValueError("not multipart/form-data: %r" % content_type)
    delimiter = b"--" + match.group(1).encode("ascii")
    if body.endswith(b"\r\n"):
        body = body[:-2]
    if not body.startswith(delimiter + b"\r\n") or not body.endswith(b"\r\n" + delimiter + b"--"):
        raise ValueError("multipart body is not framed by its boundary")
    inner = body[len(delimiter) + 2:-(len(delimiter) + 4)]
    parts = {}
    for part in inner.split(b"\r\n" + delimiter + b"\r\n"):
        head, separator, content = part.partition(b"\r\n\r\n")
        if not separator:
            raise ValueError("multipart part without a header")
        disposition = [line for line in head.split(b"\r\n")
                       if line.lower().startswith(b"content-disposition:")]
        if len(disposition) != 1:
            raise ValueError("multipart part without Content-Disposition")
        name = re.search(rb'; name="([^"]*)"', disposition[0])
        filename = re.search(rb'; filename="([^"]*)"', disposition[0])
        if not name:
            raise ValueError("multipart part without a name")
        parts[name.group(1).decode("utf-8")] = (filename.group(1) if filename else None, content)
    return parts


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        self.dispatch("GET", b"")

    def do_POST(self):
        length = self.headers.get("Content-Length", "")
        if not length.isdigit() or int(length) > MAX_BODY:
            self.reply(400, b"bad Content-Length")
            return
        self.dispatch("POST", self.rfile.read(int(length)))

    def dispatch(self, method, body):
        try:
            status, reply = self.route(method, body)
        except Exception as error:  # the test wants a status, not a dropped connection
            status, reply = 500, ("%s: %s" % (type(error).__name__, error)).encode("utf-8")
        if status != 200:
            sys.stderr.write("provider: %s %s -> %d %r\n" % (method, urlsplit(self.path).path, status, reply[:200]))
        self.reply(status, reply)

    def route(self, method, body):
        # The signed URI is rebuilt from the Host header, as a server behind
        # a port other than 80 sees it.
        uri = "http://" + self.headers.get("Host", "") + self.path
        headers = dict(self.headers.items())
        path = urlsplit(self.path).path
        if method == "GET" and path == "/oauth/request_token":
            _, text, status = REQUEST_TOKEN.create_request_token_response(uri, "GET", None, headers)
            return status, (text or "").encode("utf-8")
        if method == "GET" and path == "/oauth/authorize":
            # Stands in for the browser page: the user agrees at once and the
            # reply carries the PIN (the verifier).
            _, text, status = AUTHORIZE.create_authorization_response(uri, "GET", None, headers, realms=[])
            return status, (text or "").encode("utf-8")
        if method == "GET" and path == "/oauth/access_token":
            _, text, status = ACCESS.create_access_token_response(uri, "GET", None, headers)
            return status, (text or "").encode("utf-8")
        if method == "POST" and path == "/1.1/statuses/update.json":
            if self.headers.get("Content-Type") != "application/x-www-form-urlencoded":
                return 400, b"form body expected"
            form = body.decode("ascii")
            valid, _ = RESOURCE.validate_protected_resource_request(uri, "POST", form, headers)
            if not valid:
                return 401, b"signature refused"
            pairs = parse_qsl(form, keep_blank_values=True, strict_parsing=True, encoding="utf-8", errors="strict")
            statuses = [value for name, value in pairs if name == "status"]
            if len(statuses) != 1 or len(pairs) != 1:
                return 400, b"exactly one status expected"
            LAST_POST[0] = statuses[0].encode("utf-8")
            return 200, LAST_POST[0]
        if method == "POST" and path == "/1.1/statuses/update_with_media.json":
            valid, _ = RESOURCE.validate_protected_resource_request(uri, "POST", None, headers)
            if not valid:
                return 401, b"signature refused"
            parts = parse_multipart(self.headers.get("Content-Type", ""), body)
            if set(parts) != {"status", "media[]"} or parts["media[]"][0] is None:
                return 400, b"status and media[] expected"
            filename, media = parts["media[]"]
            LAST_POST[0] = parts["status"][1] + b"\0" + filename + b"\0" + media
            return 200, LAST_POST[0]
        if method == "GET" and path == "/test/last_post":
            return 200, LAST_POST[0]
        return 404, b"no such endpoint"

    def reply(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True


def main():
    port = int(sys.argv[1])
    server = HTTPServer(("127.0.0.1", port), Handler)
    watchdog = threading.Timer(600, lambda: os._exit(3))
    watchdog.daemon = True
    watchdog.start()
    sys.stdout.write("READY\n")
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
