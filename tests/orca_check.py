#!/usr/bin/env python3
"""Walks the window's whole focus order with Tab under the Orca screen reader and
reads what Orca would have said at every stop.

Run inside a display and a D-Bus session, e.g.
    tests/with_display.sh dbus-run-session -- python3 tests/orca_check.py build/.../kelm-zizovu-dizuzed
Orca is started by its own command line with speech and braille off and its debug
log sent to a terminal this check holds, so every line arrives as it is written.
Where the focus is, the check learns from AT-SPI as Orca does; of Orca's log it
reads only the line that every version writes for what it says ("SPEECH OUTPUT:
'...'"). Each stop must be announced, by its name and its role, on its first
visit, and only once. Every wait has a deadline, so a version that words its log
otherwise fails the check rather than hanging it. Exit status 0 when all holds.
"""

import os
import re
import subprocess
import sys
import tempfile
import threading
import time
import tty

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

WINDOW_TITLE = "Kelm DAVE Voraz Idezer Ivuduru"
# The map, the selected selector, eighty cells, two notes editors, Close and Clear.
STOP_COUNT = 86
# Seconds to wait for one step: Orca to start, a focus to move, Orca to speak of it.
STEP_LIMIT = 15
# Orca has said all it will of a stop once its log has been quiet this long.
QUIET = 0.1

SPEECH = re.compile(r"SPEECH OUTPUT: '(.*?)'")

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message, file=sys.stderr)


class TerminalLog:
    """Orca's debug log, written to a pseudo-terminal so it is flushed line by line."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)  # no line-ending translation, no echo
        self.path = os.ttyname(self.slave)
        self.lines = []
        self.changed = time.monotonic()
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        pending = b""
        while True:
            try:
                chunk = os.read(self.master, 65536)
            except OSError:
                return
            if not chunk:
                return
            lines = (pending + chunk).split(b"\n")
            pending = lines.pop()
            with self.lock:
                self.lines.extend(line.decode("utf-8", "replace") for line in lines)
                self.changed = time.monotonic()

    def speech(self, since=0):
        with self.lock:
            return [m.group(1) for line in self.lines[since:] for m in [SPEECH.search(line)] if m], len(self.lines)

    def quiet_for(self):
        with self.lock:
            return time.monotonic() - self.changed


def accessibility_bus():
    session = Gio.bus_get_sync(Gio.BusType.SESSION)
    address = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                                GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, -1, None).unpack()[0]
    flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
    return Gio.DBusConnection.new_for_address_sync(address, flags, None, None)


def registered_events(bus):
    """The events screen readers have asked the AT-SPI registry for, by listener."""
    reply = bus.call_sync("org.a11y.atspi.Registry", "/org/a11y/atspi/registry", "org.a11y.atspi.Registry",
                          "GetRegisteredEvents", None, None, Gio.DBusCallFlags.NONE, -1, None)
    return reply.unpack()[0]


def wait_for(condition, what, orca):
    deadline = time.monotonic() + STEP_LIMIT
    context = GLib.MainContext.default()
    while time.monotonic() < deadline:
        while context.iteration(False):
            pass
        if condition():
            return
        if orca.poll() is not None:
            raise RuntimeError("Orca ended (status %d) while waiting for %s" % (orca.returncode, what))
        time.sleep(0.02)  # AT-SPI's events and Orca's log have no common wake-up
    raise RuntimeError("timed out waiting for " + what)


def start_orca(home, log):
    """Orca with its log on the terminal, and speech and braille off where its
    command line offers that (Orca 51 dropped the option, along with its own
    preferences folder; the private data folder below serves instead)."""
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"), XDG_CACHE_HOME=os.path.join(home, "cache"),
               GSETTINGS_BACKEND="memory")
    usage = subprocess.run(["orca", "--help"], env=env, capture_output=True, text=True, timeout=60).stdout
    command = ["orca", "--debug-file", log.path]
    if "--user-prefs" in usage:
        command += ["--user-prefs", os.path.join(home, "orca")]
    if "--disable" in usage:
        command += ["--disable", "speech", "--disable", "braille"]
    # Orca will not start beside another of the same user's (a screen reader the
    # developer relies on, or another check); where allowed (root, and not inside
    # a chroot, where / is no mount point), it runs where it can see no other
    # process, and ends with the check.
    isolate = ["unshare", "--pid", "--fork", "--mount-proc", "--kill-child"]
    if os.geteuid() == 0 and subprocess.run(isolate + ["true"], capture_output=True).returncode == 0:
        command = isolate + command
    return subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def announced(stop):
    name, role, utterances = stop
    said = [u for u in utterances if name in u]
    return len(said) == 1 and role in " ".join(utterances)


def walk(program, orca, log):
    """The stops of a Tab walk from the first focus until it comes round again."""
    stops = []
    focus = []  # (name, role) of each focus the program gained, in order
    process = None

    def on_focus(event):
        try:
            if event.detail1 and process is not None and event.source.get_process_id() == process.pid:
                focus.append((event.source.get_name(), event.source.get_role_name()))
        except GLib.Error:
            pass  # the object went away before it could be asked

    bus = accessibility_bus()
    wait_for(lambda: any("focus" in event.lower() for _, event in registered_events(bus)),
             "Orca to listen for focus", orca)
    listener = Atspi.EventListener.new(on_focus)
    listener.register("object:state-changed:focused")

    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    process = subprocess.Popen([program], env=env)
    try:
        spoken = 0
        # Without a window manager nothing gives the new window the keyboard.
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^%s$" % WINDOW_TITLE,
                        "windowfocus", "--sync"], check=True, timeout=60, stdout=subprocess.DEVNULL)
        while len(stops) <= STOP_COUNT:
            if stops:
                subprocess.run(["xdotool", "key", "Tab"], check=True, timeout=30)
            count = len(stops)
            wait_for(lambda: len(focus) > count, "the focus after Tab %d" % count, orca)
            name, role = focus[count]
            wait_for(lambda: any(name in u for u in log.speech(spoken)[0]), "Orca to speak of %r" % name, orca)
            wait_for(lambda: log.quiet_for() >= QUIET, "Orca to finish speaking of %r" % name, orca)
            utterances, spoken = log.speech(spoken)
            stops.append((name, role, utterances))
            if count and (name, role) == stops[0][:2]:
                break
    finally:
        listener.deregister("object:state-changed:focused")
        process.terminate()
        process.wait(30)
    return stops


def main():
    program = sys.argv[1]
    stops = []
    with tempfile.TemporaryDirectory(prefix="orca-check-") as home:
        log = TerminalLog()
        orca = start_orca(home, log)
        try:
            stops = walk(program, orca, log)
        except (RuntimeError, subprocess.SubprocessError) as error:
            fail(str(error))
        finally:
            orca.kill()
            orca.wait(30)

    for number, stop in enumerate(stops):
        print("%3d %-20s %-14s %s" % (number, stop[0], stop[1], " | ".join(stop[2]) or "(silent)"))
    # The walk ends where it began.
    walked = stops[:-1] if len(stops) > 1 and stops[-1][:2] == stops[0][:2] else stops
    distinct = len({s[:2] for s in walked})
    if len(walked) != STOP_COUNT or distinct != STOP_COUNT:
        fail("the walk met %d stops, %d of them distinct, expected %d" % (len(walked), distinct, STOP_COUNT))
    for number, stop in enumerate(stops):
        if not announced(stop):
            fail("stop %d, %s (%s), was announced as %r" % (number, stop[0], stop[1], stop[2]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
