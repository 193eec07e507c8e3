#!/usr/bin/python3
"""An OAuth 1.0a provider (python3-oauthlib, so a second implementation checks ours) on 127.0.0.1:
the PIN flow and the two status calls; GET /test/last_post echoes the last post (text, or text NUL
file name NUL file bytes). Prints "READY <port>"; ends with its parent or after ten minutes."""
import os
import re
import string
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, HTTPServer
from urllib.parse import parse_qsl, urlsplit

from oauthlib.oauth1 import (AccessTokenEndpoint, AuthorizationEndpoint, RequestTokenEndpoint,
                             RequestValidator, ResourceEndpoint)

CONSUMER_KEY = "dpf43f3p2l4k3l03"
CONSUMER_SECRET = "kd94hf93k423kf44"
# An access pair issued beforehand, so the post tests need no PIN flow; its
# secret is long enough for the game to count the account as linked.
ACCESS_TOKENS = {"linked0token0000000000000": "linked0secret0000000"}
MAX_BODY = 16 << 20
LAST_POST = [b""]


class Validator(RequestValidator):
    # The client's nonces are 15-30 characters from letters, digits and "_".
    enforce_ssl = False
    safe_characters = set(string.ascii_letters + string.digits + "_")
    client_key_length = (10, 40)
    request_token_length = access_token_length = verifier_length = (20, 40)
    nonce_length = (15, 30)
    dummy_client = "dummy_client_key_00000"
    dummy_request_token = "dummy_request_token_0000"
    dummy_access_token = "dummy_access_token_00000"

    def __init__(self):
        super().__init__()
        self.request_tokens = {}  # token -> {"secret", "callback", "verifier"}
        self.access_tokens = dict(ACCESS_TOKENS)
        self.seen_nonces = set()
        self.lock = threading.Lock()

    def get_client_secret(self, client_key, request):
        return CONSUMER_SECRET if client_key == CONSUMER_KEY else "dummy"

    def get_request_token_secret(self, client_key, token, request):
        return self.request_tokens.get(token, {}).get("secret", "dummy")

    def get_access_token_secret(self, client_key, token, request): return self.access_tokens.get(token, "dummy")

    def get_default_realms(self, *args, **kwargs): return []

    def validate_realms(self, *args, **kwargs): return True

    get_realms = get_default_realms
    validate_requested_realms = verify_realms = validate_realms

    def get_redirect_uri(self, token, request): return self.request_tokens[token]["callback"]

    def validate_client_key(self, client_key, request): return client_key == CONSUMER_KEY

    def validate_request_token(self, client_key, token, request): return token in self.request_tokens

    def verify_request_token(self, token, request): return token in self.request_tokens

    def validate_access_token(self, client_key, token, request): return token in self.access_tokens

    def validate_timestamp_and_nonce(self, client_key, timestamp, nonce, request,
                                     request_token=None, access_token=None):
        key = (client_key, timestamp, nonce, request_token, access_token)
        with self.lock:
            fresh = key not in self.seen_nonces
            self.seen_nonces.add(key)
            return fresh

    def validate_redirect_uri(self, client_key, redirect_uri, request): return redirect_uri == "oob"

    def validate_verifier(self, client_key, token, verifier, request):
        return self.request_tokens.get(token, {}).get("verifier") == verifier

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
RESOURCE = ResourceEndpoint(VALIDATOR)
# The PIN flow; the authorize page stands in for the browser: the user agrees
# at once and the reply carries the PIN (the verifier).
TOKEN_CALLS = {
    "/oauth/request_token": RequestTokenEndpoint(VALIDATOR).create_request_token_response,
    "/oauth/authorize": lambda *args: AuthorizationEndpoint(VALIDATOR).create_authorization_response(*args, realms=[]),
    "/oauth/access_token": AccessTokenEndpoint(VALIDATOR).create_access_token_response,
}


def parse_multipart(content_type, body):
    """The parts of a strictly framed multipart/form-data body as {name: (filename, bytes)}."""
    boundary = re.fullmatch(r"multipart/form-data;\s*boundary=([^\s;]+)", content_type)
    delimiter = b"--" + (boundary.group(1).encode("ascii") if boundary else b"")
    body = body[:-2] if body.endswith(b"\r\n") else body
    if not boundary or not body.startswith(delimiter + b"\r\n") or not body.endswith(b"\r\n" + delimiter + b"--"):
        raise ValueError("multipart body is not framed by its boundary")
    parts = {}
    for part in body[len(delimiter) + 2:-(len(delimiter) + 4)].split(b"\r\n" + delimiter + b"\r\n"):
        head, separator, content = part.partition(b"\r\n\r\n")
        disposition = [line for line in head.split(b"\r\n") if line.lower().startswith(b"content-disposition:")]
        name = re.search(rb'; name="([^"]*)"', disposition[0]) if len(disposition) == 1 else None
        if not separator or not name:
            raise ValueError("malformed multipart part %r" % head[:200])
        filename = re.search(rb'; filename="([^"]*)"', disposition[0])
        parts[name.group(1).decode("utf-8")] = (filename.group(1) if filename else None, content)
    return parts


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args): pass

    def do_GET(self): self.dispatch("GET", b"")

    def do_POST(self):
        length = self.headers.get("Content-Length", "")
        if not length.isdigit() or int(length) > MAX_BODY:
            self.reply(400, b"bad Content-Length")
        else:
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
        path = (method, urlsplit(self.path).path)
        if path[0] == "GET" and path[1] in TOKEN_CALLS:
            _, text, status = TOKEN_CALLS[path[1]](uri, "GET", None, headers)
            return status, (text or "").encode("utf-8")
        if path == ("POST", "/1.1/statuses/update.json"):
            if self.headers.get("Content-Type") != "application/x-www-form-urlencoded":
                return 400, b"form body expected"
            form = body.decode("ascii")
            if not RESOURCE.validate_protected_resource_request(uri, "POST", form, headers)[0]:
                return 401, b"signature refused"
            pairs = parse_qsl(form, keep_blank_values=True, strict_parsing=True, encoding="utf-8", errors="strict")
            if len(pairs) != 1 or pairs[0][0] != "status":
                return 400, b"exactly one status expected"
            LAST_POST[0] = pairs[0][1].encode("utf-8")
        elif path == ("POST", "/1.1/statuses/update_with_media.json"):
            if not RESOURCE.validate_protected_resource_request(uri, "POST", None, headers)[0]:
                return 401, b"signature refused"
            parts = parse_multipart(self.headers.get("Content-Type", ""), body)
            if set(parts) != {"status", "media[]"} or parts["media[]"][0] is None:
                return 400, b"status and media[] expected"
            LAST_POST[0] = parts["status"][1] + b"\0" + parts["media[]"][0] + b"\0" + parts["media[]"][1]
        elif path != ("GET", "/test/last_post"):
            return 404, b"no such endpoint"
        return 200, LAST_POST[0]

    def reply(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True


def watch_parent(parent):
    for _ in range(1200):
        if os.getppid() != parent:
            break
        time.sleep(0.5)
    os._exit(3)


def main():
    server = HTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=watch_parent, args=(os.getppid(),), daemon=True).start()
    sys.stdout.write("READY %d\n" % server.server_port)
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
