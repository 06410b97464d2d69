#!/usr/bin/env python3
"""Starts the program and reads its window over AT-SPI, as a screen reader does.

Run inside a display and a D-Bus session, e.g.
    xvfb-run -a dbus-run-session -- python3 tests/atspi_check.py build/.../kelm-zizovu-dizuzed
Every control a user can reach must appear with a name and a proper role, the
selected selector must read as checked, and selecting through the screen
reader's action must work. Exit status 0 when all holds.
"""

import os
import re
import subprocess
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

# The action calls that replace these are not in every libatspi yet.
warnings.simplefilter("ignore", DeprecationWarning)

WINDOW_TITLE = "Kelm DAVE Voraz Idezer Ivuduru"

# What the user reaches, by role: how many and what their names look like. Roles
# are compared by their enum, which AT-SPI keeps, not by the names it shows,
# which it changes ("push button" became "button").
EXPECTED = [
    (Atspi.Role.RADIO_BUTTON, 16, r"Enemy ([1-9]|10)|Player Character [1-6]"),
    (Atspi.Role.PUSH_BUTTON, 2, r"Clear|Close"),
    (Atspi.Role.CANVAS, 1, r"Battle map"),
    (Atspi.Role.IMAGE, 33, r"Battle map|(Enemy ([1-9]|10)|Player Character [1-6]) (marker|legend)"),
]
# Cells and notes: Qt reports editable text as text or entry depending on its version.
EDITABLE_ROLES = {Atspi.Role.TEXT, Atspi.Role.ENTRY}
EDITABLE_COUNT = 82
EDITABLE_NAMES = r"(Monster|Character) ([1-9]|10) (name|AC|DMG|HP)|Object ([1-9]|1[0-6])|(Monster|Character) notes"

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message, file=sys.stderr)


def walk(node, depth=0):
    if node is None or depth > 12:
        return
    yield node
    for i in range(node.get_child_count()):
        yield from walk(node.get_child_at_index(i), depth + 1)


def find_application(process, deadline):
    pid = process.pid
    while time.monotonic() < deadline and process.poll() is None:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            try:
                if app is not None and app.get_process_id() == pid and app.get_child_count() > 0:
                    return app
            except gi.repository.GLib.Error:
                continue
        time.sleep(0.2)  # the program is still starting; AT-SPI has no event for "registered"
    return None


def main():
    program = sys.argv[1]
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    process = subprocess.Popen([program], env=env)
    try:
        app = find_application(process, time.monotonic() + 60)
        if app is None:
            ended = process.poll()
            fail("the program never appeared on the accessibility bus"
                 + ("" if ended is None else " (it ended with status %d)" % ended))
            return 1
        print("application:", app.get_name())
        nodes = list(walk(app))
        frames = [n for n in nodes if n.get_role() == Atspi.Role.FRAME]
        if not any(f.get_name() == WINDOW_TITLE or f.get_name().startswith(WINDOW_TITLE) for f in frames):
            fail("no frame named %r; frames: %r" % (WINDOW_TITLE, [f.get_name() for f in frames]))

        by_role = {}
        for n in nodes:
            by_role.setdefault(n.get_role(), []).append(n)
        print("roles:", {role.value_nick: len(found) for role, found in sorted(by_role.items())})

        for role, count, pattern in EXPECTED:
            found = by_role.get(role, [])
            names = sorted(n.get_name() for n in found)
            if len(found) != count:
                fail("%d objects with role %s, expected %d: %r" % (len(found), role.value_nick, count, names))
            for name in names:
                if not re.fullmatch(pattern, name):
                    fail("%s named %r" % (role.value_nick, name))

        editable = [n for n in nodes if n.get_role() in EDITABLE_ROLES]
        names = [n.get_name() for n in editable]
        if len(editable) != EDITABLE_COUNT or len(set(names)) != EDITABLE_COUNT:
            fail("%d editable texts with %d distinct names, expected %d" % (len(editable), len(set(names)), EDITABLE_COUNT))
        for name in names:
            if not re.fullmatch(EDITABLE_NAMES, name):
                fail("editable text named %r" % name)

        # Nothing a user can focus is nameless.
        for n in nodes:
            states = n.get_state_set()
            if states.contains(Atspi.StateType.FOCUSABLE) and not n.get_name().strip():
                fail("a focusable %s has no name" % n.get_role_name())

        radios = {n.get_name(): n for n in by_role.get(Atspi.Role.RADIO_BUTTON, [])}
        if "Enemy 1" in radios and not radios["Enemy 1"].get_state_set().contains(Atspi.StateType.CHECKED):
            fail("Enemy 1 is not announced as selected at start")
        target = radios.get("Player Character 3")
        if target is not None:
            names = [Atspi.Action.get_action_name(target, i) for i in range(Atspi.Action.get_n_actions(target))]
            chosen = next((i for i, a in enumerate(names) if a.lower() in ("press", "toggle", "click")), None)
            if chosen is None:
                fail("the selector offers no action to select it: %r" % names)
            else:
                Atspi.Action.do_action(target, chosen)
                deadline = time.monotonic() + 10
                while time.monotonic() < deadline and not target.get_state_set().contains(Atspi.StateType.CHECKED):
                    time.sleep(0.1)
                if not target.get_state_set().contains(Atspi.StateType.CHECKED):
                    fail("selecting Player Character 3 through its action did not select it")
                elif radios["Enemy 1"].get_state_set().contains(Atspi.StateType.CHECKED):
                    fail("Enemy 1 stayed selected beside Player Character 3")
        print("checked %d accessible objects" % len(nodes))
    finally:
        process.terminate()
        process.wait(30)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
