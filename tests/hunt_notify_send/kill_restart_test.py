#!/usr/bin/env python3
"""A hunter killed with SIGKILL loses no hit's message and sends none twice.

The hunter stores hits (pool-sim plays the carrier) while the receiver of
its channel is down, so every message waits in the history; it is killed
with SIGKILL; the receiver comes back on the same port; a new hunter on the
same history sends what the first left, then ends on its stop rule. Every
hit in the outbox must then be delivered, and each must reach the receiver
exactly once: no kill fell between a send and its mark, as nothing could be
sent while the receiver was down.

  kill_restart_test.py QORVEX_HUNT_BINARY POOL_SIM_SCRIPT RECEIVER_SCRIPT
"""

import json
import os
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time

HIT_WAIT_S = 4.0
END_WAIT_S = 90.0


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def grouped(number):
    text = str(number)
    return f"{text[:3]} {text[3:7]} {text[7:]}"


def main():
    hunt, pool_sim, receiver_script = sys.argv[1:4]
    work = tempfile.mkdtemp(prefix="qorvex-notify-kill.")
    children = []
    try:
        port_file = os.path.join(work, "port")
        children.append(subprocess.Popen(
            [sys.executable, pool_sim, "--state-dir", os.path.join(work, "pool-sim"), "--port",
             "0", "--port-file", port_file, "--exit-with-parent"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        for _ in range(100):
            if os.path.exists(port_file) and os.path.getsize(port_file) > 0:
                break
            time.sleep(0.1)
        host = "127.0.0.1:" + open(port_file).read().strip()
        receiver_port = free_port()
        db = os.path.join(work, "hunt.db")

        def start_hunter(name, extra):
            out = open(os.path.join(work, name + ".out"), "w")
            err = open(os.path.join(work, name + ".err"), "w")
            hunter = subprocess.Popen(
                [hunt, "scan", "--db", db, "--host", host, "--interval", "0.1", "--max-rate",
                 "100000", "--json", "--target", "Tavikmax/广东/深圳", "--alert-pattern", "888",
                 "--notify", f"json://127.0.0.1:{receiver_port}/hook", "--notify-backoff",
                 "0.2", "--notify-timeout", "2"] + extra,
                stdout=out, stderr=err, env=dict(os.environ, XDG_STATE_HOME=work))
            children.append(hunter)
            return hunter

        first = start_hunter("first", [])
        time.sleep(HIT_WAIT_S)
        first.send_signal(signal.SIGKILL)
        first.wait()
        with sqlite3.connect(db) as history:
            waiting = history.execute(
                "SELECT count(*) FROM outbox WHERE state = 'waiting'").fetchone()[0]
        if waiting == 0:
            fail("the first hunter stored no hit to send")

        receiver = subprocess.Popen(
            [sys.executable, receiver_script, "--answer", "ok", "--port", str(receiver_port)],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        children.append(receiver)
        if not receiver.stdout.readline().startswith("port "):
            fail("the receiver did not start")

        second = start_hunter("second", ["--stop-at-coverage", "0.6"])
        try:
            status = second.wait(END_WAIT_S)
        except subprocess.TimeoutExpired:
            fail("the second hunter did not end")
        if status != 0:
            fail(f"the second hunter ended with {status}: "
                 + open(os.path.join(work, "second.err")).read())
        receiver.stdin.close()
        texts = []
        for line in receiver.stdout:
            record = json.loads(line.split(" ", 1)[1])
            texts.append(json.loads(record["body"])["text"])

        with sqlite3.connect(db) as history:
            rows = history.execute("SELECT number, state FROM outbox").fetchall()
        undelivered = [number for number, state in rows if state != "delivered"]
        if undelivered:
            fail(f"{len(undelivered)} of {len(rows)} messages not delivered: {undelivered[:5]}")
        for number, _ in rows:
            times = sum(text.count(grouped(number)) for text in texts)
            if times != 1:
                fail(f"{number} reached the receiver {times} times")
        print(f"{waiting} messages left by the killed hunter, {len(rows)} in all, "
              f"each delivered once in {len(texts)} sends")
    finally:
        for child in children:
            if child.poll() is None:
                child.kill()
                child.wait()
        subprocess.run(["rm", "-rf", work], check=False)


if __name__ == "__main__":
    main()
