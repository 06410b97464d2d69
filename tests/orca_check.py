#!/usr/bin/env python3
"""Walks the window's whole focus order with Tab under the Orca screen reader and
reads, from Orca's debug log, what it would have said at every stop.

Run inside a display and a D-Bus session, e.g.
    tests/with_display.sh dbus-run-session -- python3 tests/orca_check.py build/.../kelm-zizovu-dizuzed
Orca runs with speech, braille and sound off; its log still holds every
utterance. Each stop must be announced, by its name and its role, on its first
visit, and only once. Exit status 0 when all holds.
"""

import os
import re
import subprocess
import sys
import tempfile
import time

WINDOW_TITLE = "Kelm DAVE Voraz Idezer Ivuduru"
# The map, the selected selector, eighty cells, two notes editors, Close and Clear.
STOP_COUNT = 86
# Seconds to wait for Orca to hear of a step before giving up on it.
STEP_LIMIT = 20

# Orca's log lines: an event taken from its queue, the end of its handling, and speech.
DEQUEUED_FOCUS = re.compile(r"EVENT MANAGER: Dequeued object:state-changed:focused \[(.*?) \| (.*?)\] \(1,")
HANDLED_FOCUS = "^^^^^ PROCESS OBJECT EVENT object:state-changed:focused ^^^^^"
STARTED = "ORCA: Starting ATSPI registry"
SPEECH = re.compile(r"SPEECH OUTPUT: '(.*)'(?: voice=\S+)? ?\{")

# Started again as Orca itself: the same start as /usr/bin/orca, without its
# refusal to run beside another user's Orca and with a log written line by line.
ORCA_LAUNCHER = """
import sys
from orca import debug
debug.debugLevel = debug.LEVEL_ALL
debug.eventDebugLevel = debug.LEVEL_OFF
debug.debugFile = open(sys.argv[2], "w", buffering=1)
from orca import orca
manager = orca.getSettingsManager()
manager.activate(sys.argv[1], {"enableSpeech": False, "enableBraille": False, "enableSound": False,
                               "enableKeyEcho": False})
sys.exit(orca.main())
"""

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message, file=sys.stderr)


class OrcaLog:
    """Follows Orca's debug log: which stop has the focus and what was said there."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.pending = ""
        self.stops = []          # [name, role, utterances, whether Orca has handled its focus]
        self.handling = False
        self.started = False     # Orca listens to the accessibility bus

    def read(self):
        with open(self.path, encoding="utf-8", errors="replace") as log:
            log.seek(self.offset)
            chunk = log.read()
            self.offset = log.tell()
        lines = (self.pending + chunk).split("\n")
        self.pending = lines.pop()
        for line in lines:
            if STARTED in line:
                self.started = True
            focus = DEQUEUED_FOCUS.search(line)
            if focus:
                role, name = focus.groups()
                if not self.stops or self.stops[-1][:2] != [name, role]:
                    self.stops.append([name, role, [], False])
                self.handling = True
                continue
            # Orca handles one event at a time, so the next end of a focus event is this one's.
            if HANDLED_FOCUS in line and self.handling:
                self.stops[-1][3] = True
                self.handling = False
                continue
            spoken = SPEECH.search(line)
            if spoken and self.stops:
                self.stops[-1][2].append(spoken.group(1))

    def reached(self, count):
        """Whether Orca has met and handled the focus of stop number count."""
        return len(self.stops) > count and self.stops[count][3]

    def wait(self, condition, what, process):
        deadline = time.monotonic() + STEP_LIMIT
        while time.monotonic() < deadline:
            if process.poll() is not None:
                raise RuntimeError("Orca ended (status %d) while waiting for %s" % (process.returncode, what))
            self.read()
            if condition():
                return True
            time.sleep(0.05)  # Orca writes its log as it goes; there is nothing to wait on but the file
        raise RuntimeError("Orca never logged " + what)


def start_orca(home, log_path):
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"), XDG_CACHE_HOME=os.path.join(home, "cache"),
               GSETTINGS_BACKEND="memory")
    open(log_path, "w").close()
    return subprocess.Popen(["/usr/bin/python3", "-c", ORCA_LAUNCHER, os.path.join(home, "orca"), log_path],
                            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def announced(stop):
    name, role, utterances, _ = stop
    said = [u for u in utterances if name in u]
    return len(said) == 1 and role in " ".join(utterances)


def main():
    program = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="orca-check-") as home:
        log_path = os.path.join(home, "orca.log")
        orca = start_orca(home, log_path)
        log = OrcaLog(log_path)
        process = None
        try:
            log.wait(lambda: log.started, "its start", orca)
            env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
            process = subprocess.Popen([program], env=env)
            # Without a window manager nothing gives the new window the keyboard.
            subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^%s$" % WINDOW_TITLE,
                            "windowfocus", "--sync"], check=True, timeout=60, stdout=subprocess.DEVNULL)
            log.wait(lambda: log.reached(0), "the first focus", orca)
            while len(log.stops) <= STOP_COUNT:
                count = len(log.stops)
                subprocess.run(["xdotool", "key", "Tab"], check=True, timeout=30)
                log.wait(lambda: log.reached(count), "a focus after Tab %d" % count, orca)
                if log.stops[-1][:2] == log.stops[0][:2]:
                    break
        except (RuntimeError, subprocess.SubprocessError) as error:
            fail(str(error))
        finally:
            if process is not None:
                process.terminate()
                process.wait(30)
            # Orca's own ending waits on the bus it listened to; its log is complete as it is.
            orca.kill()
            orca.wait(30)
            log.read()

    for number, stop in enumerate(log.stops):
        print("%3d %-20s %-14s %s" % (number, stop[0], stop[1], " | ".join(stop[2]) or "(silent)"))
    # The walk ends where it began.
    walk = log.stops[:-1] if len(log.stops) > 1 and log.stops[-1][:2] == log.stops[0][:2] else log.stops
    distinct = len({tuple(s[:2]) for s in walk})
    if len(walk) != STOP_COUNT or distinct != STOP_COUNT:
        fail("the walk met %d stops, %d of them distinct, expected %d" % (len(walk), distinct, STOP_COUNT))
    for number, stop in enumerate(log.stops):
        if not announced(stop):
            fail("stop %d, %s (%s), was announced as %r" % (number, stop[0], stop[1], stop[2]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
