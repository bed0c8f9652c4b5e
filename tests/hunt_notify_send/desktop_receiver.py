#!/usr/bin/env python3
"""A stand-in for the desktop's notification service, for the desktop
sender's test. Run inside a private session bus (dbus-run-session), it owns
org.freedesktop.Notifications, runs the command given after "--" once the
name is its own, and prints one JSON object: the command's exit code and
output, and every notification it was asked to show (application, summary,
body, urgency). With --refuse it answers every Notify call with an error;
with --markup it says it takes markup in the body, as most desktops do.
"""

import argparse
import json
import subprocess
import sys
import threading

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

INTERFACE = """
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="out"/>
    </method>
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
  </interface>
</node>
"""
URGENCY = {0: "low", 1: "normal", 2: "critical"}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--refuse", action="store_true")
    parser.add_argument("--markup", action="store_true")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    shown = []
    result = {}
    loop = GLib.MainLoop()

    def on_call(connection, sender, path, interface, method, params, invocation):
        if method == "Notify":
            if args.refuse:
                invocation.return_dbus_error("org.freedesktop.DBus.Error.Failed", "refused by test")
                return
            app, _, _, summary, body, _, hints, _ = params.unpack()
            shown.append({"app": app, "summary": summary, "body": body,
                          "urgency": URGENCY.get(hints.get("urgency"), "")})
            invocation.return_value(GLib.Variant("(u)", (len(shown),)))
        elif method == "GetCapabilities":
            caps = ["body", "body-markup"] if args.markup else ["body"]
            invocation.return_value(GLib.Variant("(as)", (caps,)))
        elif method == "GetServerInformation":
            invocation.return_value(GLib.Variant("(ssss)", ("test", "qorvex", "1", "1.2")))
        else:
            invocation.return_value(None)

    def run_command():
        done = subprocess.run(command, capture_output=True, text=True, timeout=60)
        result.update(exit_code=done.returncode, output=done.stdout + done.stderr)
        GLib.idle_add(loop.quit)

    def on_name(connection, name):
        threading.Thread(target=run_command, daemon=True).start()

    def on_bus(connection, name):
        info = Gio.DBusNodeInfo.new_for_xml(INTERFACE).interfaces[0]
        connection.register_object("/org/freedesktop/Notifications", info, on_call, None, None)

    Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.Notifications",
                     Gio.BusNameOwnerFlags.NONE, on_bus, on_name, None)
    loop.run()
    result["shown"] = shown
    print(json.dumps(result, ensure_ascii=False), flush=True)


if __name__ == "__main__":
    sys.exit(main())
