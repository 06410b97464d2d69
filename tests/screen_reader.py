"""What a user of the Orca screen reader hears on a Tab walk, for the checks of
the window and of the web page.

Orca is started by its own command line with speech and braille off and its
debug log sent to a terminal the check holds, so every line arrives as it is
written. Where the focus is, a check learns from AT-SPI as Orca does; of Orca's
log it reads only the line that every version writes for what it says
("SPEECH OUTPUT: '...'"). Every wait has a deadline, so a version that words its
log otherwise fails a check rather than hanging it.
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

# Seconds to wait for one step: Orca to start, a focus to move, Orca to speak of it.
STEP_LIMIT = 15
# Orca has said all it will of a stop once its log has been quiet this long.
QUIET = 0.1
# Seconds a Tab outside the program's controls gets to move the focus somewhere,
# and then to move it no more.
MOVE_LIMIT = 3
SETTLE = 1
# Seconds Orca gets to speak of a stop before it is taken to say nothing of it.
UNSAID_LIMIT = 5

SPEECH = re.compile(r"SPEECH OUTPUT: '(.*?)'")


class TerminalLog:
    """Orca's debug log, written to a pseudo-terminal so it is flushed line by line."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)  # no line-ending translation, no echo
        self.path = os.ttyname(self.slave)
        self.lines = []
        self.pressed = 0  # the line the log stood at when the last key was pressed
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


def press(log, key):
    with log.lock:
        log.pressed = len(log.lines)
    subprocess.run(["xdotool", "key", key], check=True, timeout=30)


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


def wait_until(condition, what, orca, limit):
    """Whether `condition` holds within `limit` seconds."""
    deadline = time.monotonic() + limit
    context = GLib.MainContext.default()
    while time.monotonic() < deadline:
        while context.iteration(False):
            pass
        if condition():
            return True
        if orca.poll() is not None:
            raise RuntimeError("Orca ended (status %d) while waiting for %s" % (orca.returncode, what))
        time.sleep(0.02)  # AT-SPI's events and Orca's log have no common wake-up
    return False


def wait_for(condition, what, orca):
    if not wait_until(condition, what, orca, STEP_LIMIT):
        raise RuntimeError("timed out waiting for " + what)


def start_orca(home, log):
    """Orca with its log on the terminal, and speech and braille off where its
    command line offers that (Orca 51 dropped the option, along with its own
    preferences folder; the private data folder below serves instead). Returns
    once Orca listens for focus changes."""
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"), XDG_CACHE_HOME=os.path.join(home, "cache"),
               GSETTINGS_BACKEND="keyfile")
    # Orca 51 keeps its preferences in GSettings (here a private key file), and
    # reads a page aloud as it loads unless told not to. A user's next key stops
    # that; the keys the check synthesizes never reach Orca's log, and it stayed
    # in the reading, passing over every focus change. Earlier Orcas read
    # nothing with speech off.
    settings = os.path.join(home, "config", "glib-2.0", "settings")
    os.makedirs(settings)
    with open(os.path.join(settings, "keyfile"), "w", encoding="utf-8") as keyfile:
        keyfile.write("[org/gnome/orca/default/document]\nsay-all-on-load=false\n")
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
    orca = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        bus = accessibility_bus()
        wait_for(lambda: any("focus" in event.lower() for _, event in registered_events(bus)),
                 "Orca to listen for focus", orca)
    except BaseException:
        orca.kill()
        orca.wait(30)
        raise
    return orca


class Focus:
    """Each focus a program's controls gain, in order, as (name, role, role's
    name); `owns` tells the program's controls from anything else that takes the
    focus. A control that gains the focus again with nothing between is one stop."""

    def __init__(self, owns):
        self.owns = owns
        self.gained = []
        self.moves = 0  # focus gained by anything, the program's or not
        self.listener = Atspi.EventListener.new(self._on_focus)
        self.listener.register("object:state-changed:focused")

    def _on_focus(self, event):
        self.moves += bool(event.detail1)
        try:
            if event.detail1 and self.owns(event.source):
                source = event.source
                stop = (source.get_name(), source.get_role(), source.get_role_name())
                if not self.gained or self.gained[-1] != stop:
                    self.gained.append(stop)
        except GLib.Error:
            pass  # the object went away before it could be asked

    def close(self):
        self.listener.deregister("object:state-changed:focused")


def tab_walk(orca, log, focus, limit, stops, check=lambda number, stop: None, done=lambda stops: False,
             start_heard=True):
    """From the focus the program starts with, presses Tab for each next stop,
    up to `limit` stops or until `done`, and adds each stop to `stops` as (name,
    role, role's name, what Orca said of it). `check` may refuse a stop as it is
    reached (by raising RuntimeError), which ends the walk there. Without
    `start_heard` the start stop is taken with whatever Orca said of it, if
    anything, within a few seconds."""
    spoken = 0
    while len(stops) < limit:
        if stops:
            press(log, "Tab")
        count = len(stops)
        wait_for(lambda: len(focus.gained) > count,
                 "the focus after Tab %d" % count if count else "the first stop to take the focus", orca)
        stop = focus.gained[count]
        check(count, stop)
        stop, spoken = heard_at(orca, log, stop, spoken, required=count > 0 or start_heard)
        stops.append(stop)
        if done(stops):
            break


def tab_round(orca, log, focus, presses):
    """From the last stop, presses Tab through what lies outside the program's
    controls (a browser's own toolbar) until the focus is back on one of them,
    at most `presses` times, and gives that stop as tab_walk does, with what
    Orca said from the Tab that brought it back, if anything of it."""
    count = len(focus.gained)
    for _ in range(presses):
        moves, spoken = focus.moves, log.speech()[1]
        press(log, "Tab")
        # A Tab whose focus AT-SPI does not report is simply followed by the
        # next; one may move the focus more than once (to the page, then into
        # it), so the next waits until the focus has stayed put a while.
        if wait_until(lambda: focus.moves > moves, "the focus to move", orca, MOVE_LIMIT):
            while len(focus.gained) == count and wait_until(lambda: focus.moves > moves, "the focus to settle",
                                                            orca, SETTLE):
                moves = focus.moves
        if len(focus.gained) > count:
            break
        wait_for(lambda: log.quiet_for() >= QUIET, "Orca to finish speaking", orca)
    else:
        raise RuntimeError("the focus was not back after %d presses of Tab from the last stop" % presses)
    return heard_at(orca, log, focus.gained[count], spoken, required=False)[0]


def tab_step(orca, log, focus, back=False):
    """One press of Tab, or Shift+Tab, and the stop it reaches as tab_walk gives it."""
    count, spoken = len(focus.gained), log.speech()[1]
    press(log, "shift+Tab" if back else "Tab")
    wait_for(lambda: len(focus.gained) > count, "the focus after %s" % ("Shift+Tab" if back else "Tab"), orca)
    return heard_at(orca, log, focus.gained[count], spoken)[0]


def heard_at(orca, log, stop, spoken, required=True):
    """`stop` with what Orca said from log line `spoken` until it finished
    speaking of it (where not `required`, within a few seconds if nothing of
    it), and the log line that follows."""
    name = stop[0]
    said = lambda: any(name in u for u in log.speech(spoken)[0])  # noqa: E731
    asked = None
    if not wait_until(said, "Orca to speak of %r" % name, orca, UNSAID_LIMIT) and required:
        # Under load Chromium can send a field's caret event ahead of its focus
        # event; Orca 48 then takes the focus from the caret event without a word
        # and says nothing of the focus event either. A user who hears nothing
        # asks Orca where the focus is (Where Am I: the keypad's Enter), which
        # must then name the stop; a stop Orca never took is still not named.
        asked = len(log.speech(spoken)[0])
        # Not marked as the last key: a failure's log then still shows the Tab.
        subprocess.run(["xdotool", "key", "KP_Enter"], check=True, timeout=30)
        wait_for(said, "Orca to speak of %r" % name, orca)
    # Orca speaks a stop's name and its role as two utterances, and under load
    # the pause between them can be longer than the quiet that ends a stop.
    whole = lambda: announced(stop + (log.speech(spoken)[0],))  # noqa: E731
    if said():
        wait_until(whole, "Orca to say the role of %r" % name, orca, UNSAID_LIMIT)
    wait_for(lambda: log.quiet_for() >= QUIET, "Orca to finish speaking of %r" % name, orca)
    utterances, upto = log.speech(spoken)
    if asked is not None:
        utterances.insert(asked, "(nothing said; asked Where Am I)")
    return stop + (utterances,), upto


def heard(walk, fail, prefix):
    """Runs `walk(orca, log, stops, home)` with Orca listening and a private
    folder `home`, fails where it ends early, and gives the stops it walked,
    after printing what Orca said at each and failing each not announced."""
    stops = []
    with tempfile.TemporaryDirectory(prefix=prefix) as home:
        os.mkdir(os.path.join(home, "orca"))
        log = TerminalLog()
        orca = None
        try:
            orca = start_orca(os.path.join(home, "orca"), log)
            walk(orca, log, stops, home)
        except (RuntimeError, subprocess.SubprocessError, GLib.Error) as error:
            fail(str(error))
            # What Orca did from the last key pressed, for a failure seen once;
            # not its clearing of a cache every two seconds when idle.
            with log.lock:
                since = [line[:200] for line in log.lines[log.pressed:] if "Clearing cache" not in line]
            print("\n".join(["Orca's log from the last key pressed:"] + since[:400]), file=sys.stderr)
        finally:
            if orca is not None:
                orca.kill()
                orca.wait(30)
    for number, stop in enumerate(stops):
        print("%3d %-20s %-14s %s" % (number, stop[0], stop[2], " | ".join(stop[3]) or "(silent)"))
    for number, stop in enumerate(stops):
        if not announced(stop):
            fail("stop %d, %s (%s), was announced as %r" % (number, stop[0], stop[2], stop[3]))
    return stops


# Orca 51 says a web page's summary once the page has loaded, and then the focus
# again; where the load completes only after a stop is reached (seen in
# Chromium), that is its account of the page, not a second one of the stop.
PAGE_SUMMARY = re.compile(r"^Page has \d+ landmarks?\.$")


def announced(stop):
    """Heard on its first visit: its name once, and its role."""
    name, _, role_name, utterances = stop
    utterances = utterances[:next((i for i, u in enumerate(utterances) if PAGE_SUMMARY.match(u)), len(utterances))]
    said = [u for u in utterances if name in u]
    return len(said) == 1 and role_name in " ".join(utterances)


class Failures(list):
    def __call__(self, message):
        self.append(message)
        print("FAIL: " + message, file=sys.stderr)
