#!/usr/bin/env python3
"""Runs a test's helper program for a Windows test binary under Wine.

Wine starts a Linux program from a Windows one, but hands it no pipes; a
loopback socket does reach it, as its standard input and output. This relay
runs the helper with pipes of its own and copies between them and the socket:
the helper's output to the test, the test's input to the helper. When the test
closes its end (or is gone), the helper is stopped as --stop says: its input
is closed (close), or it gets SIGTERM (signal); after a grace period it is
killed.

    child_relay.py --stop close|signal -- program args...
"""

import argparse
import errno
import os
import select
import signal
import subprocess
import sys
import time

GRACE_S = 10.0


def write_all(fd, data):
    """Writes to the socket, which Wine keeps non-blocking."""
    while data:
        try:
            data = data[os.write(fd, data):]
        except BlockingIOError:
            select.select([], [fd], [], 1.0)
        except OSError as error:
            if error.errno in (errno.EPIPE, errno.ECONNRESET):
                return False
            raise
    return True


def stop(child, how):
    if how == "signal":
        child.send_signal(signal.SIGTERM)
    try:
        child.stdin.close()
    except OSError:
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--stop", choices=("close", "signal"), required=True)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command

    child = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    test_in, test_out = sys.stdin.fileno(), sys.stdout.fileno()
    helper_out = child.stdout.fileno()
    watching = [test_in, helper_out]
    stopped_at = None
    while helper_out in watching:
        timeout = None if stopped_at is None else 0.2
        readable, _, _ = select.select(watching, [], [], timeout)
        if test_in in readable:
            try:
                data = os.read(test_in, 65536)
            except BlockingIOError:
                data = None
            except OSError:
                data = b""
            if data:
                child.stdin.write(data)
                child.stdin.flush()
            elif data == b"":
                watching.remove(test_in)
                stop(child, args.stop)
                stopped_at = time.monotonic()
        if helper_out in readable:
            data = os.read(helper_out, 65536)
            if not data or not write_all(test_out, data):
                watching.remove(helper_out)
        if stopped_at is not None and time.monotonic() - stopped_at > GRACE_S:
            child.kill()
            break
    if stopped_at is None:
        stop(child, args.stop)
    try:
        child.wait(GRACE_S)
    except subprocess.TimeoutExpired:
        child.kill()
        child.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
