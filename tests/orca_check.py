#!/usr/bin/env python3
"""Walks the window's whole focus order with Tab under the Orca screen reader and
reads what Orca would have said at every stop.

Run inside a display and a D-Bus session, e.g.
    tests/with_display.sh dbus-run-session -- python3 tests/orca_check.py build/.../kelm-zizovu-dizuzed
Each stop must be announced, by its name and its role, on its first visit, and
only once (see screen_reader.py for how Orca is heard). Exit status 0 when all holds.
"""

import os
import subprocess
import sys

from screen_reader import Failures, Focus, heard, tab_walk

WINDOW_TITLE = "Kelm DAVE Voraz Idezer Ivuduru"
# The map, the selected selector, eighty cells, two notes editors, Close and Clear.
STOP_COUNT = 86

fail = Failures()


def walk(program, orca, log, stops):
    """A Tab walk from the first focus until it comes round again."""
    process = None
    focus = Focus(lambda source: process is not None and source.get_process_id() == process.pid)
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    process = subprocess.Popen([program], env=env)
    try:
        # Without a window manager nothing gives the new window the keyboard.
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^%s$" % WINDOW_TITLE,
                        "windowfocus", "--sync"], check=True, timeout=60, stdout=subprocess.DEVNULL)
        tab_walk(orca, log, focus, STOP_COUNT + 1, stops,
                 done=lambda stops: len(stops) > 1 and stops[-1][:2] == stops[0][:2])
    finally:
        focus.close()
        process.terminate()
        process.wait(30)


def main():
    program = sys.argv[1]
    stops = heard(lambda orca, log, stops, home: walk(program, orca, log, stops), fail, "orca-check-")
    # The walk ends where it began.
    walked = stops[:-1] if len(stops) > 1 and stops[-1][:2] == stops[0][:2] else stops
    distinct = len({s[:2] for s in walked})
    if len(walked) != STOP_COUNT or distinct != STOP_COUNT:
        fail("the walk met %d stops, %d of them distinct, expected %d" % (len(walked), distinct, STOP_COUNT))
    return 1 if fail else 0


if __name__ == "__main__":
    sys.exit(main())
