#!/usr/bin/env python3
"""Stand-in for the carrier's number-selection service, for offline runs and tests.

Serves HTTPS on a loopback address only, with a server certificate signed by a
local CA that it makes with the openssl command on first start (in the state
directory). It answers the number-pool query as a JSONP call, serves the
version file in GBK and two small pages, and has switches that tests use to
make it slow, flaky, malformed or rate-limited.

Standard library only. See README.md beside this file.
"""

import argparse
import heapq
import fcntl
import ipaddress
import json
import os
import random
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

QUERY_PATH = "/NumApp/NumberCenter/qryNum"
VERSION_PATH = "/%E6%9B%B4%E6%96%B0%E7%89%88%E6%9C%AC.txt"
APPLICATION_PATH = "/queen/morvane/royce-tab.html"
RELEASE_PATH = "/thread-100001-1-1.html"
CONTROL_PATH = "/__control"

CURRENT_VERSION = "V20190423"
NEWER_VERSION = "V20190501"

# Province code -> the group keys of its two card offers (one key when both
# offers share it). A query for any other pair gets an empty number list.
GROUP_KEYS = {
    "11": {"85236889", "7200310618"}, "31": {"34236498", "3200312468"},
    "51": {"21236872"}, "38": {"1000313547", "12236361"}, "36": {"60236866"},
    "13": {"36236594"}, "91": {"19236028"}, "34": {"33236916"}, "19": {"59237227"},
    "89": {"90242110"}, "70": {"4900281779"}, "18": {"15237219"},
    "17": {"17236695", "1800310719"}, "50": {"27237168"},
    "84": {"7100313117", "13236970"}, "10": {"8400250331"},
    "83": {"99250240", "6700310631"}, "71": {"40236873"},
    "90": {"8000313137", "19236614"}, "88": {"82236693"}, "97": {"49236584"},
    "79": {"13238152"}, "74": {"71237034"}, "81": {"20236750", "41250010"},
    "76": {"85236973", "41250092"}, "30": {"2400265649"}, "87": {"43236612"},
    "86": {"79237759"}, "85": {"53237275", "63242877"}, "75": {"67237076"},
    "59": {"6800258755", "5600310687"},
}

NUMBER_PREFIXES = ("130", "131", "132", "155", "156", "166", "175", "176", "185", "186")
POOL_SIZE = 4000
MAX_AMOUNTS = 500
MAX_DELAY_MS = 120_000
MAX_CONNECTIONS = 64
SOCKET_TIMEOUT_S = 20
REPLY_MODES = ("normal", "malformed", "truncated", "rate-limit", "zero-byte", "flood")
# A hostile reply: far more numbers than any query asks for.
FLOOD_NUMBERS = 100_000
VERSION_MODES = ("current", "newer", "empty", "no-markers")


# ---------------------------------------------------------------- certificates

def run_openssl(*args):
    subprocess.run(["openssl", *args], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE)


def ensure_certificates(state_dir):
    """Makes the local CA and the server certificate once; later starts reuse them."""
    ca_pem = os.path.join(state_dir, "ca.pem")
    server_pem = os.path.join(state_dir, "server.pem")
    server_key = os.path.join(state_dir, "server.key")
    # ca.pem is moved in last, so with it present the set is complete. A set
    # made beforehand (an installed package's, in a directory the user cannot
    # write) is used as it is, without the lock.
    if all(os.path.exists(p) for p in (ca_pem, server_pem, server_key)):
        return server_pem, server_key
    os.makedirs(state_dir, exist_ok=True)
    # Several instances may start at once on one state directory (parallel tests).
    with open(os.path.join(state_dir, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if all(os.path.exists(p) for p in (ca_pem, server_pem, server_key)):
            return server_pem, server_key
        tmp = os.path.join(state_dir, "tmp")
        os.makedirs(tmp, exist_ok=True)
        j = lambda name: os.path.join(tmp, name)
        run_openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650",
                    "-subj", "/CN=pool-sim local CA", "-keyout", j("ca.key"),
                    "-out", j("ca.pem"), "-addext", "basicConstraints=critical,CA:TRUE",
                    "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        run_openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost",
                    "-keyout", j("server.key"), "-out", j("server.csr"))
        with open(j("server.ext"), "w") as ext:
            # Wine's certificate name check compares only DNS entries, so the
            # loopback address is also spelled as one for the Windows program.
            ext.write("subjectAltName=IP:127.0.0.1,IP:::1,DNS:localhost,DNS:127.0.0.1\n"
                      "basicConstraints=CA:FALSE\n"
                      "keyUsage=digitalSignature,keyEncipherment\n"
                      "extendedKeyUsage=serverAuth\n")
        run_openssl("x509", "-req", "-in", j("server.csr"), "-CA", j("ca.pem"),
                    "-CAkey", j("ca.key"), "-CAcreateserial", "-days", "3650",
                    "-extfile", j("server.ext"), "-out", j("server.pem"))
        for name in ("ca.key", "server.key", "server.pem", "ca.pem"):
            os.replace(j(name), os.path.join(state_dir, name))
        shutil.rmtree(tmp, ignore_errors=True)
        return server_pem, server_key


# ---------------------------------------------------------------- number pool

def lucky_tail(rng):
    """A tail that makes a number attractive, in the shapes buyers look for."""
    a, b, c = rng.sample("0123456789", 3)
    start = rng.randint(0, 5)
    rising = "".join(str(start + i) for i in range(5))
    shapes = [
        a * 4,                       # 4A
        a * 3 + b,                   # AAAX
        b + a * 3,                   # tail AAA
        a + a + b + b,               # AABB
        a + b + a + b,               # ABAB
        rising[:4],                  # ABCD
        rising[::-1][:4],            # DCBA
        rising,                      # ABCDE
        a + b + c + a + b + c,       # ABCABC
        a + a + b + b + c + c,       # AABBCC
        a + b + a + b + a + b,       # ABABAB
        a + a + b + b + b,           # AABBB
        a + "688",                   # the default custom pattern
        a * 5,
    ]
    return rng.choice(shapes)


def make_pool(seed, province, city):
    """Every number of one city's pool; the same seed always gives the same pool."""
    rng = random.Random(f"{seed}/{province}/{city}")
    blocks = [f"{rng.randint(0, 9999):04d}" for _ in range(6)]
    pool, seen = [], set()
    while len(pool) < POOL_SIZE:
        head = rng.choice(NUMBER_PREFIXES) + rng.choice(blocks)
        tail = f"{rng.randint(0, 9999):04d}"
        if rng.random() < 0.18:
            lucky = lucky_tail(rng)
            number = (head + tail)[: 11 - len(lucky)] + lucky
        else:
            number = head + tail
        if number not in seen:
            seen.add(number)
            pool.append(number)
    return pool


def hex_token(rng, length):
    # Letters every few characters keep tokens from reading as phone numbers.
    return "".join(rng.choice("abcdef") if i % 4 == 0 else rng.choice("0123456789abcdef")
                   for i in range(length))


def number_entry(rng, number):
    nice = sum(1 for i in range(1, 11) if number[i] == number[i - 1])
    return {
        "num": int(number),
        "advancePay": rng.choice((0, 0, 0, 50, 100)) + 100 * nice,
        "monthFeeLimit": rng.choice((0, 0, 19, 39, 59)),
        "niceRule": min(nice, 9),
        "goodsId": f"98{rng.randint(0, 99_999_999):08d}",
    }


def draw_weights(seed, province, city, shape, size):
    """Each pool number's weight: 1 when shape is 0 (uniform draws), otherwise
    from a gamma distribution of that shape (1: exponential; smaller is more
    uneven). The same seed always gives the same weights."""
    if shape <= 0:
        return None
    rng = random.Random(f"{seed}/{province}/{city}/weights/{shape}")
    return [max(rng.gammavariate(shape, 1.0), 1e-300) for _ in range(size)]


def draw(rng, pool, weights, count):
    """A uniform sample, or a weighted one without replacement (Efraimidis and
    Spirakis: the count largest keys u ** (1 / w))."""
    if weights is None:
        return rng.sample(pool, count)
    keys = ((rng.random() ** (1.0 / w), i) for i, w in enumerate(weights))
    return [pool[i] for _, i in heapq.nlargest(count, keys)]


def pool_reply(settings, pools, query, rng):
    province = query.get("provinceCode", "")
    city = query.get("cityCode", "")
    group_key = query.get("groupKey", "")
    try:
        amounts = max(0, min(MAX_AMOUNTS, int(query.get("amounts", "100"))))
    except ValueError:
        amounts = 0
    numbers = []
    if group_key in GROUP_KEYS.get(province, ()) and len(city) == 3 and city.isdigit():
        key = (settings.seed, province, city)
        with settings.lock:
            shape = settings.draw_shape
            if key not in pools:
                pools[key] = make_pool(*key)
            pool = pools[key]
            weight_key = (key, shape)
            if weight_key not in pools:
                pools[weight_key] = draw_weights(*key, shape, len(pool))
            weights = pools[weight_key]
        numbers = draw(rng, pool, weights, min(amounts, len(pool)))
    payload = {
        "code": "M0",
        "desc": "\u6210\u529f",
        "uuid": hex_token(rng, 32),
        "provinceCode": province,
        "cityCode": city,
        "numArray": [number_entry(rng, n) for n in numbers],
        "total": len(numbers),
    }
    callback = query.get("callback", "jsonp_queryMoreNums")
    if not callback.replace("_", "a").isalnum():
        callback = "jsonp_queryMoreNums"
    return f"{callback}({json.dumps(payload, separators=(',', ':'))});".encode("ascii")


def flood_reply(query, rng):
    callback = query.get("callback", "jsonp_queryMoreNums")
    if not callback.replace("_", "a").isalnum():
        callback = "jsonp_queryMoreNums"
    numbers = ",".join(f"{rng.choice(NUMBER_PREFIXES)}{rng.randrange(100_000_000):08d}"
                       for _ in range(FLOOD_NUMBERS))
    return f'{callback}({{"code":"M0","numArray":[{numbers}]}});'.encode("ascii")


def spoil_reply(mode, body, rng):
    if mode == "malformed":
        # A garbled reply as a misbehaving proxy leaves it: quotes and braces lost.
        return body.replace(b'"', b"").replace(b"{", b"(").replace(b":", b"=")
    if mode == "truncated":
        return body[: rng.randint(len(body) // 4, max(len(body) // 4, len(body) - 1))]
    if mode == "zero-byte":
        middle = len(body) // 2
        return body[:middle] + b"\x00" + body[middle:]
    return body


RATE_LIMIT_PAGE = ("<html><head><meta charset=\"gbk\"><title>\u7cfb\u7edf\u7e41\u5fd9</title>"
                   "</head><body><p>\u8bbf\u95ee\u4eba\u6570\u8fc7\u591a\uff0c"
                   "\u8bf7\u7a0d\u540e\u518d\u8bd5\u3002</p></body></html>").encode("gbk")


def version_file(mode):
    if mode == "empty":
        return b""
    if mode == "no-markers":
        return "\u6700\u65b0\u7248\u672c V20190501\r\n".encode("gbk")
    version = CURRENT_VERSION if mode == "current" else NEWER_VERSION
    return ("\u66f4\u65b0\u8bf4\u660e\r\n\u7248\u672c\u3010" + version +
            "\u3011\r\n\u4fee\u6b63\u82e5\u5e72\u95ee\u9898\r\n").encode("gbk")


def small_page(title):
    return (f"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>{title}</title>"
            f"</head><body><h1>{title}</h1><p>pool-sim</p></body></html>").encode("utf-8")


# ---------------------------------------------------------------- settings

class Settings:
    """The switches; the control endpoint changes them while the server runs."""

    def __init__(self, args):
        self.lock = threading.Lock()
        self.seed = args.seed
        self.delay_ms = args.delay_ms
        self.failure_rate = args.failure_rate
        self.reply = args.reply
        self.version = args.version
        self.rate_limit_per_minute = args.rate_limit_per_minute
        self.draw_shape = args.draw_shape
        self.served_log = args.served_log
        self.sequence = 0
        self.in_flight = 0
        self.recent = []

    def apply(self, query):
        with self.lock:
            if "delay_ms" in query:
                self.delay_ms = max(0, min(MAX_DELAY_MS, int(query["delay_ms"])))
            if "failure_rate" in query:
                self.failure_rate = max(0.0, min(1.0, float(query["failure_rate"])))
            if query.get("reply") in REPLY_MODES:
                self.reply = query["reply"]
            if query.get("version") in VERSION_MODES:
                self.version = query["version"]
            if "rate_limit_per_minute" in query:
                self.rate_limit_per_minute = max(0, int(query["rate_limit_per_minute"]))
            if "seed" in query:
                self.seed = int(query["seed"])
            if "draw_shape" in query:
                self.draw_shape = max(0.0, float(query["draw_shape"]))
            return self.describe()

    def describe(self):
        return {"delay_ms": self.delay_ms, "failure_rate": self.failure_rate,
                "reply": self.reply, "version": self.version, "seed": self.seed,
                "rate_limit_per_minute": self.rate_limit_per_minute,
                "draw_shape": self.draw_shape,
                "served": self.sequence, "in_flight": self.in_flight}

    def begin_query(self):
        """Counts the query in; returns its number, the queries then in flight and
        whether it is over the rate limit."""
        now = time.monotonic()
        with self.lock:
            self.sequence += 1
            self.in_flight += 1
            self.recent = [t for t in self.recent if now - t < 60.0] + [now]
            limited = 0 < self.rate_limit_per_minute < len(self.recent)
            return self.sequence, self.in_flight, limited

    def end_query(self, sequence, in_flight, status, query_text, body):
        with self.lock:
            self.in_flight -= 1
            if self.served_log:
                with open(self.served_log, "a", encoding="ascii") as log:
                    log.write(f"{sequence} {in_flight} {status} {query_text or '-'} "
                              f"{body.hex() or '-'}\n")


# ---------------------------------------------------------------- server

class Handler(BaseHTTPRequestHandler):
    server_version = "pool-sim"
    sys_version = ""

    def setup(self):
        self.request.settimeout(SOCKET_TIMEOUT_S)
        try:
            self.request.do_handshake()
        except (ssl.SSLError, OSError):
            self.close_connection = True
            self.handshake_failed = True
        else:
            self.handshake_failed = False
        super().setup()

    def handle(self):
        if not self.handshake_failed:
            super().handle()

    def log_message(self, format, *args):
        if self.server.verbose:
            sys.stderr.write("pool-sim: " + (format % args) + "\n")

    def send_body(self, status, body, content_type):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        parts = urlsplit(self.path)
        query = {k: v[-1] for k, v in parse_qs(parts.query, keep_blank_values=True).items()}
        settings = self.server.settings
        if parts.path == QUERY_PATH:
            self.answer_query(settings, query, parts.query)
        elif parts.path == VERSION_PATH:
            self.send_body(200, version_file(settings.version), "text/plain; charset=gbk")
        elif parts.path == APPLICATION_PATH:
            self.send_body(200, small_page("Tavik"), "text/html; charset=utf-8")
        elif parts.path == RELEASE_PATH:
            self.send_body(200, small_page("Qorvex release"), "text/html; charset=utf-8")
        elif parts.path == CONTROL_PATH:
            try:
                state = settings.apply(query)
            except ValueError as error:
                self.send_body(400, str(error).encode(), "text/plain")
                return
            self.send_body(200, json.dumps(state).encode(), "application/json")
        else:
            self.send_body(404, b"not found", "text/plain")

    def answer_query(self, settings, query, query_text):
        sequence, in_flight, limited = settings.begin_query()
        status, body = 200, b""
        try:
            with settings.lock:
                delay_ms, failure_rate, mode = settings.delay_ms, settings.failure_rate, settings.reply
                seed = settings.seed
            rng = random.Random(f"{seed}#{sequence}")
            if delay_ms and self.server.stopping.wait(delay_ms / 1000.0):
                status = 503
            elif limited or mode == "rate-limit":
                body = RATE_LIMIT_PAGE
            elif rng.random() < failure_rate:
                status, body = 503, b"<html><body>503 Service Unavailable</body></html>"
            elif mode == "flood":
                body = flood_reply(query, rng)
            else:
                body = spoil_reply(mode, pool_reply(settings, self.server.pools, query, rng), rng)
        finally:
            # Logged before the reply goes out, so a client that has its reply
            # finds it in the log.
            settings.end_query(sequence, in_flight, status, query_text, body)
        content = "text/html; charset=gbk" if body.startswith(b"<") else \
            "application/javascript; charset=utf-8"
        self.send_body(status, body, content)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 16

    def __init__(self, address, context, settings, verbose):
        family = socket.AF_INET6 if ":" in address[0] else socket.AF_INET
        self.address_family = family
        super().__init__(address, Handler)
        self.context = context
        self.settings = settings
        self.verbose = verbose
        self.pools = {}
        self.stopping = threading.Event()
        self.slots = threading.BoundedSemaphore(MAX_CONNECTIONS)

    def get_request(self):
        sock, address = self.socket.accept()
        # The handshake runs on the handler thread so a slow client cannot stall accept.
        return self.context.wrap_socket(sock, server_side=True,
                                        do_handshake_on_connect=False), address

    def verify_request(self, request, client_address):
        return self.slots.acquire(blocking=False)

    def process_request_thread(self, request, client_address):
        try:
            super().process_request_thread(request, client_address)
        finally:
            self.slots.release()


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Stand-in of the carrier's number-selection service.")
    parser.add_argument("--state-dir", required=True, help="where the CA and server certificate live")
    parser.add_argument("--host", default="127.0.0.1", help="a loopback address")
    parser.add_argument("--port", type=int, default=8443, help="0 picks a free port")
    parser.add_argument("--seed", type=int, default=20190423)
    parser.add_argument("--delay-ms", type=int, default=0)
    parser.add_argument("--failure-rate", type=float, default=0.0)
    parser.add_argument("--reply", choices=REPLY_MODES, default="normal")
    parser.add_argument("--version", choices=VERSION_MODES, default="current")
    parser.add_argument("--rate-limit-per-minute", type=int, default=0)
    parser.add_argument("--draw-shape", type=float, default=0.0,
                        help="0: uniform draws; else each number's weight is gamma of this shape "
                             "(1: exponential), a reply a weighted sample without replacement")
    parser.add_argument("--served-log", help="append one line per number-pool query served")
    parser.add_argument("--port-file", help="write the port here once listening")
    parser.add_argument("--lifetime-s", type=float, default=0, help="stop after this long (0: never)")
    parser.add_argument("--exit-with-parent", action="store_true", help="stop when the parent process ends")
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("--certificates-only", action="store_true",
                        help="make the certificates in --state-dir and exit without serving")
    args = parser.parse_args(argv)
    if not ipaddress.ip_address(args.host).is_loopback:
        parser.error("--host must be a loopback address")
    args.delay_ms = max(0, min(MAX_DELAY_MS, args.delay_ms))
    args.failure_rate = max(0.0, min(1.0, args.failure_rate))
    return args


def main(argv):
    args = parse_args(argv)
    certificate, key = ensure_certificates(args.state_dir)
    if args.certificates_only:
        return 0
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(certificate, key)
    server = Server((args.host, args.port), context, Settings(args), args.verbose)
    port = server.server_address[1]

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2})
    serving.start()
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as out:
            out.write(f"{port}\n")
        os.replace(args.port_file + ".tmp", args.port_file)
    print(f"pool-sim listening on https://{args.host}:{port}", flush=True)

    parent = os.getppid()
    deadline = time.monotonic() + args.lifetime_s if args.lifetime_s > 0 else None
    while not stop.wait(0.2):
        if deadline and time.monotonic() > deadline:
            break
        if args.exit_with_parent and os.getppid() != parent:
            break
    server.stopping.set()
    server.shutdown()
    server.server_close()
    serving.join()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
