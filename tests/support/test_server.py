#!/usr/bin/env python3
"""Local HTTP(S) server for the test suite.

Listens on a free loopback port and prints "port <n>" once ready, then
"request <method> <target>" for every request it reads. It stops by itself
when its standard input closes (the test that started it is gone) or when
its lifetime runs out.

By default a request is echoed: the reply body is the request as received
(request line, header lines in order, blank line, body). The query string
scripts the reply instead:
  status=<n>             reply status (default 200, 302 with location)
  header=<Name: value>   extra reply header, repeatable
  set-cookie=<value>     a Set-Cookie line, repeatable
  location=<url>         a Location header (a redirect)
  body=<bytes>           this body instead of the echo (percent-decoded)
  delay_ms=<n>           wait before replying
  stall=request          read the request, then send nothing
  stall=body             send the headers and part of the body, then nothing
  stall=trickle          send the headers, then one body byte every trickle_ms
                         (default 200) for minutes
  stall=cutoff           send the headers and part of the body, then close
  stall=chunkgap         send the body as one whole chunk, then close before
                         the last chunk
  stall=chunkpart        announce a chunk longer than the body, send the
                         body, then close
  endless=1              a body that does not end
A header=Content-Length line replaces the server's own, and the connection
closes after the body.
A request in proxy form (absolute address) must carry the proxy credentials
given with --proxy-user/--proxy-password, else it gets 407.
--silent takes connections and never reads or answers a byte.
--always <query> scripts every request that carries no script of its own,
for a program whose addresses the test cannot choose.
"""

import argparse
import base64
import http.server
import os
import socket
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

MAX_WAIT_S = 60.0
MAX_STALL_S = 30.0
MAX_TRICKLE_S = 300.0
MAX_ENDLESS_BYTES = 64 * 1024 * 1024
CHUNK = b"x" * 65536

stop_event = threading.Event()
print_lock = threading.Lock()


def announce(line):
    with print_lock:
        sys.stdout.write(line + "\n")
        sys.stdout.flush()


def wait(seconds):
    """Sleeps up to `seconds`, less when the server is stopping."""
    stop_event.wait(min(seconds, MAX_WAIT_S))


SCRIPT_KEYS = {"status", "header", "set-cookie", "location", "body", "delay_ms", "stall",
               "trickle_ms", "endless"}
always_script = []


def parse_script(target):
    query = urllib.parse.urlsplit(target).query
    script = urllib.parse.parse_qsl(query, keep_blank_values=True, encoding="latin-1")
    if not any(key in SCRIPT_KEYS for key, _ in script):
        return always_script
    return script


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = 30
    server_version = "QorvexTestServer"
    sys_version = ""

    def setup(self):
        super().setup()
        if isinstance(self.connection, ssl.SSLSocket):
            try:
                self.connection.do_handshake()
            except (ssl.SSLError, OSError):
                self.close_connection = True
                raise

    def log_message(self, format, *args):
        pass

    def version_string(self):
        return self.server_version

    def handle_one_request(self):
        try:
            super().handle_one_request()
        except (ConnectionError, ssl.SSLError, TimeoutError, OSError):
            self.close_connection = True

    def serve(self):
        announce("request %s %s" % (self.command, self.path))
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        if self.path.startswith(("http://", "https://")) and not self.proxy_allowed():
            self.send_reply(407, [("Proxy-Authenticate", 'Basic realm="test"')], b"")
            return
        script = parse_script(self.path)
        fields = dict(script)
        status = int(fields.get("status", "302" if "location" in fields else "200"))
        headers = [("X-Echo-Method", self.command)]
        for key, value in script:
            if key == "header" and ":" in value:
                name, _, text = value.partition(":")
                headers.append((name.strip(), text.strip()))
            elif key == "set-cookie":
                headers.append(("Set-Cookie", value))
            elif key == "location":
                headers.append(("Location", value))
        if "delay_ms" in fields:
            wait(int(fields["delay_ms"]) / 1000.0)
        stall = fields.get("stall")
        if stall == "request":
            wait(MAX_STALL_S)
            self.close_connection = True
            return
        if fields.get("endless") == "1":
            self.send_endless(status, headers)
            return
        if "body" in fields:
            reply = fields["body"].encode("latin-1")
        else:
            reply = self.echo(body)
        if stall == "body":
            self.send_stalled(status, headers, reply)
            return
        if stall == "trickle":
            self.send_trickle(status, headers, int(fields.get("trickle_ms", "200")))
            return
        if stall == "cutoff":
            self.send_cut_off(status, headers, reply)
            return
        if stall in ("chunkgap", "chunkpart"):
            self.send_chunks_cut_off(status, headers, reply, stall == "chunkpart")
            return
        self.send_reply(status, headers, reply)

    def proxy_allowed(self):
        expected = self.server.proxy_credentials
        if expected is None:
            return True
        return self.headers.get("Proxy-Authorization") == expected

    def echo(self, body):
        lines = [self.requestline]
        lines += ["%s: %s" % (name, value) for name, value in self.headers.items()]
        head = "\r\n".join(lines) + "\r\n\r\n"
        return head.encode("latin-1") + body

    def start_reply(self, status, headers):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)

    def send_reply(self, status, headers, body):
        self.start_reply(status, headers)
        if any(name.lower() == "content-length" for name, _ in headers):
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def send_stalled(self, status, headers, body):
        self.start_reply(status, headers)
        self.send_header("Content-Length", str(len(body) + 1000))
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()
        wait(MAX_STALL_S)
        self.close_connection = True

    def send_trickle(self, status, headers, period_ms):
        self.start_reply(status, headers)
        self.send_header("Content-Length", "1000000")
        self.end_headers()
        self.wfile.flush()
        self.close_connection = True
        ends = time.monotonic() + MAX_TRICKLE_S
        while time.monotonic() < ends and not stop_event.wait(period_ms / 1000.0):
            self.wfile.write(b"x")
            self.wfile.flush()

    def send_cut_off(self, status, headers, body):
        self.start_reply(status, headers)
        self.send_header("Content-Length", str(len(body) + 1000))
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()
        self.close_connection = True

    def send_chunks_cut_off(self, status, headers, body, inside_chunk):
        self.start_reply(status, headers)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        announced = len(body) + 1000 if inside_chunk else len(body)
        self.wfile.write(b"%x\r\n" % announced + body)
        if not inside_chunk:
            self.wfile.write(b"\r\n")
        self.wfile.flush()
        self.close_connection = True

    def send_endless(self, status, headers):
        self.start_reply(status, headers)
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        sent = 0
        while sent < MAX_ENDLESS_BYTES and not stop_event.is_set():
            self.wfile.write(CHUNK)
            sent += len(CHUNK)

    do_GET = do_POST = do_HEAD = do_PUT = serve
    do_OPTIONS = do_DELETE = do_TRACE = do_CONNECT = serve


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    proxy_credentials = None

    def handle_error(self, request, client_address):
        pass


def make_certificate(directory):
    cert = os.path.join(directory, "cert.pem")
    key = os.path.join(directory, "key.pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-days", "2", "-subj", "/CN=localhost",
         "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
         "-keyout", key, "-out", cert],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    return cert, key


def watch_stdin(server):
    try:
        while sys.stdin.buffer.read(4096):
            pass
    finally:
        stop_event.set()
        server.shutdown()


def serve_silently(args):
    # Connections complete in the listen queue and are never taken from it.
    listener = socket.create_server(("127.0.0.1", args.port), backlog=128)
    threading.Thread(target=lambda: (watch_input(), stop_event.set()), daemon=True).start()
    announce("port %d" % listener.getsockname()[1])
    stop_event.wait(args.lifetime)
    listener.close()


def watch_input():
    while sys.stdin.buffer.read(4096):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tls", metavar="DIR", help="serve HTTPS with a new certificate in DIR")
    parser.add_argument("--proxy-user")
    parser.add_argument("--proxy-password", default="")
    parser.add_argument("--lifetime", type=float, default=900.0)
    parser.add_argument("--always", default="", help="script every unscripted request")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--silent", action="store_true", help="never answer a connection")
    args = parser.parse_args()
    always_script.extend(urllib.parse.parse_qsl(args.always, keep_blank_values=True))
    if args.silent:
        serve_silently(args)
        return

    server = Server(("127.0.0.1", args.port), Handler)
    if args.proxy_user is not None:
        token = base64.b64encode(("%s:%s" % (args.proxy_user, args.proxy_password)).encode())
        server.proxy_credentials = "Basic " + token.decode()
    if args.tls:
        cert, key = make_certificate(args.tls)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        server.socket = context.wrap_socket(server.socket, server_side=True,
                                            do_handshake_on_connect=False)

    threading.Thread(target=watch_stdin, args=(server,), daemon=True).start()
    lifetime = threading.Timer(args.lifetime, lambda: (stop_event.set(), server.shutdown()))
    lifetime.daemon = True
    lifetime.start()

    announce("port %d" % server.server_address[1])
    server.serve_forever(poll_interval=0.1)
    stop_event.set()
    server.server_close()


if __name__ == "__main__":
    main()
