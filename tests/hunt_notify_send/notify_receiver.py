#!/usr/bin/env python3
"""A local stand-in for the push services, for the senders' tests.

Listens on a free loopback port, prints "port <n>", then one line
"request <json>" for every request it reads: method, path, query, headers,
body, which service's API the request addressed, and whether its signature
held. It tells the services apart by their paths, answers each in its own
shape, and refuses a request that lacks the fields its service requires, as
the service would.

--answer scripts the replies, one mode a reply from a comma-separated list
whose last mode repeats ("500,429,ok": a server error, then too many
requests, then success for good):
  ok          the service's success answer
  500         a server error
  429         too many requests, with Retry-After: 7
  body-error  HTTP 200 with the service's own error code in the body
  refuse      a 4xx with the service's error text (quoting a webhook's
              Authorization header, as some services do)
  reset       read the request, then reset the connection
  stall       read the request, then send nothing (for up to 30 s)
--secret is the DingTalk or Feishu signing secret the signatures must match.
--port listens on that port (0: a free one), so that a test can stop the
receiver and bring it back where the sender knows it.
It stops when its standard input closes.
"""

import argparse
import base64
import hashlib
import hmac
import http.server
import json
import os
import socket
import struct
import sys
import threading
import time
import urllib.parse

MAX_STALL_S = 30.0

SUCCESS = {
    "wecom": {"errcode": 0, "errmsg": "ok"},
    "dingtalk": {"errcode": 0, "errmsg": "ok"},
    "feishu": {"code": 0, "msg": "success", "data": {}},
    "telegram": {"ok": True, "result": {"message_id": 1}},
    "bark": {"code": 200, "message": "success", "timestamp": 0},
    "ntfy": {"id": "test", "time": 0, "event": "message"},
    "webhook": {"received": True},
}
BODY_ERROR = {
    "wecom": {"errcode": 93000, "errmsg": "invalid webhook url"},
    "dingtalk": {"errcode": 300001, "errmsg": "token is not exist"},
    "feishu": {"code": 19001, "msg": "param invalid: incoming webhook access token invalid"},
    "telegram": {"ok": False, "description": "Bad Request: chat not found"},
    "bark": {"code": 400, "message": "failed to get device token"},
}
BAD_SIGNATURE = {
    "dingtalk": {"errcode": 310000, "errmsg": "sign not match"},
    "feishu": {"code": 19021, "msg": "sign match fail or timestamp is not within one hour"},
}


def service_of(path, body):
    if path == "/cgi-bin/webhook/send":
        return "wecom"
    if path == "/robot/send":
        return "dingtalk"
    if path.startswith("/open-apis/bot/v2/hook/"):
        return "feishu"
    if path.startswith("/bot") and path.endswith("/sendMessage"):
        return "telegram"
    if path == "/push":
        return "bark"
    if path == "/" and isinstance(body, dict) and "topic" in body:
        return "ntfy"
    return "webhook"


def missing_fields(service, query, body):
    """What the service would refuse the request for, or None."""
    if not isinstance(body, dict):
        return "body is not a JSON object"
    need = {
        "wecom": lambda: "key" in query and body.get("msgtype") == "text"
        and isinstance(body.get("text", {}).get("content"), str),
        "dingtalk": lambda: "access_token" in query and body.get("msgtype") == "text"
        and isinstance(body.get("text", {}).get("content"), str),
        "feishu": lambda: body.get("msg_type") == "text"
        and isinstance(body.get("content", {}).get("text"), str),
        "telegram": lambda: "chat_id" in body and isinstance(body.get("text"), str),
        "bark": lambda: "device_key" in body and "body" in body,
        "ntfy": lambda: isinstance(body.get("message"), str),
        "webhook": lambda: True,
    }[service]
    return None if need() else "missing required fields"


def signature_state(service, query, body, secret):
    if service == "dingtalk" and "sign" in query:
        stamp = query.get("timestamp", "")
        string = f"{stamp}\n{secret}".encode()
        good = base64.b64encode(hmac.new(secret.encode(), string, hashlib.sha256).digest())
        return "good" if query["sign"] == good.decode() else "bad"
    if service == "feishu" and isinstance(body, dict) and "sign" in body:
        key = f"{body.get('timestamp', '')}\n{secret}".encode()
        good = base64.b64encode(hmac.new(key, b"", hashlib.sha256).digest())
        return "good" if body["sign"] == good.decode() else "bad"
    return "none"


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        raw = self.rfile.read(length)
        text = raw.decode("utf-8", "replace")
        try:
            body = json.loads(text)
        except ValueError:
            body = None
        url = urllib.parse.urlsplit(self.path)
        query = {k: v[0] for k, v in urllib.parse.parse_qs(url.query, keep_blank_values=True).items()}
        service = service_of(url.path, body)
        signature = signature_state(service, query, body, self.server.secret)
        record = {"method": self.command, "path": url.path, "query": query,
                  "headers": {k.lower(): v for k, v in self.headers.items()},
                  "body": text, "service": service, "signature": signature}
        with self.server.lock:
            mode = self.server.script[0]
            if len(self.server.script) > 1:
                self.server.script.pop(0)
            record["answer"] = mode
            record["time"] = time.time()
            print("request " + json.dumps(record, ensure_ascii=False), flush=True)
        self.answer(service, query, body, signature, mode)

    def rejected_token(self):
        # Some services quote the credential they refused: the sender must mask it.
        token = self.headers.get("Authorization")
        return {"error": "token rejected" + (f": {token}" if token else "")}

    def answer(self, service, query, body, signature, mode):
        if mode == "reset":
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
            self.close_connection = True
            return
        if mode == "stall":
            self.server.stop.wait(MAX_STALL_S)
            self.close_connection = True
            return
        headers = {}
        if mode == "500":
            status, reply = 500, {"error": "internal error"}
        elif mode == "429":
            status, reply = 429, {"error": "too many requests"}
            headers["Retry-After"] = "7"
        elif mode == "refuse":
            status = 400
            reply = ({"ok": False, "error_code": 400, "description": "Bad Request: chat not found"}
                     if service == "telegram" else self.rejected_token())
        elif mode == "body-error" and service in BODY_ERROR:
            status, reply = 200, BODY_ERROR[service]
        elif signature == "bad":
            status, reply = 200, BAD_SIGNATURE[service]
        elif missing_fields(service, query, body):
            status, reply = 400, {"error": missing_fields(service, query, body)}
        else:
            status, reply = 200, SUCCESS[service]
        data = json.dumps(reply).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        for name, value in headers.items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--answer", default="ok")
    parser.add_argument("--secret", default="")
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    modes = ["ok", "500", "429", "body-error", "refuse", "reset", "stall"]
    script = args.answer.split(",")
    if any(mode not in modes for mode in script):
        parser.error("--answer takes a comma-separated list of " + ", ".join(modes))
    http.server.ThreadingHTTPServer.allow_reuse_address = True
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    server.script = script
    server.secret = args.secret
    server.lock = threading.Lock()
    server.stop = threading.Event()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print(f"port {server.server_address[1]}", flush=True)
    sys.stdin.read()
    # Nothing to finish: shutdown() would only wait out serve_forever's poll.
    os._exit(0)


if __name__ == "__main__":
    main()
