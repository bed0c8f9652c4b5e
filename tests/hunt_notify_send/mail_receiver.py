#!/usr/bin/env python3
"""A local SMTP server for the mail sender's tests, on Debian's aiosmtpd.

Makes a self-signed certificate for 127.0.0.1 in --dir (cert.pem), listens
on a free loopback port, prints "port <n>", then one line "mail <json>" per
mail it accepts: sender, recipients, the data, whether the session ran over
TLS and who logged in. It stops when its standard input closes.

--tls starttls  offers STARTTLS and requires it before AUTH and MAIL
--tls implicit  speaks TLS from the first byte (smtps)
--tls none      offers no TLS at all: a careful client must not send
--refuse-rcpt   answers every recipient 550, a refusal for good
The only login accepted is --user/--password.
"""

import argparse
import json
import os
import socket
import ssl
import subprocess
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


class Recorder:
    def __init__(self, refuse_rcpt):
        self.refuse_rcpt = refuse_rcpt

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.refuse_rcpt:
            return "550 5.1.1 no such mailbox here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        record = {"from": envelope.mail_from, "to": envelope.rcpt_tos,
                  "data": envelope.content.decode("utf-8", "replace"),
                  "tls": server.transport.get_extra_info("ssl_object") is not None,
                  "login": (session.auth_data.login.decode()
                            if isinstance(session.auth_data, LoginPassword) else "")}
        print("mail " + json.dumps(record, ensure_ascii=False), flush=True)
        return "250 2.0.0 queued"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--tls", choices=["starttls", "implicit", "none"], default="starttls")
    parser.add_argument("--refuse-rcpt", action="store_true")
    parser.add_argument("--user", default="hunter")
    parser.add_argument("--password", default="secret-pw")
    args = parser.parse_args()

    cert = os.path.join(args.dir, "cert.pem")
    key = os.path.join(args.dir, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "1",
                    "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)

    def authenticate(server, session, envelope, mechanism, auth_data):
        good = (isinstance(auth_data, LoginPassword)
                and auth_data.login == args.user.encode()
                and auth_data.password == args.password.encode())
        return AuthResult(success=good, handled=False, auth_data=auth_data)

    # aiosmtpd counts only STARTTLS as TLS when it decides whether to offer
    # AUTH, so over implicit TLS the requirement is left to the socket.
    kwargs = {"authenticator": authenticate, "auth_require_tls": args.tls == "starttls"}
    if args.tls == "starttls":
        kwargs.update(require_starttls=True, tls_context=context)
    port = free_port()
    controller = Controller(Recorder(args.refuse_rcpt), hostname="127.0.0.1", port=port,
                            ssl_context=context if args.tls == "implicit" else None,
                            ready_timeout=30, **kwargs)
    controller.start()
    print(f"port {port}", flush=True)
    sys.stdin.read()
    # Nothing to finish: an orderly stop would only wait on the server's loop.
    os._exit(0)


if __name__ == "__main__":
    main()
