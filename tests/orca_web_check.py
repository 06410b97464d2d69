#!/usr/bin/env python3
"""Opens the web edition in a real browser window and walks the page's whole focus
order with Tab under the Orca screen reader, from the stop the page starts on
round to it again.

Run inside a display and a D-Bus session, e.g.
    tests/with_display.sh dbus-run-session -- python3 tests/orca_web_check.py chromium \\
        build/web/kelm-zizovu-dizuzed.html build/web/app/description.json
with `chromium` or `firefox`. The stops, their names and their roles come from the
window's own description, which the page is made from. Each stop must be reached
in the window's order with its name and role, and Orca must announce it on its
first visit by its name, once, and its role (see screen_reader.py for how Orca is
heard); the start stop, on its visit when Tab has come round from the last stop
through the browser's own controls. The walk ends at the first stop missed.
Exit status 0 when all holds.
"""

import json
import os
import pathlib
import subprocess
import sys

from screen_reader import Failures, Focus, heard, tab_round, tab_step, tab_walk
from gi.repository import Atspi  # noqa: E402  (the version is chosen in screen_reader)

# How a browser exposes each kind of control over AT-SPI: the map a canvas (its
# picture takes the focus, as the window's map is one), the selectors radio
# buttons, cells and notes text boxes, the commands buttons.
ROLES = {"PictureBox": Atspi.Role.CANVAS, "OptionButton": Atspi.Role.RADIO_BUTTON, "TextBox": Atspi.Role.ENTRY,
         "RichTextBox": Atspi.Role.ENTRY, "CommandButton": Atspi.Role.PUSH_BUTTON}

# Seconds a browser gets to end once asked to.
END_LIMIT = 30

# Presses of Tab from the last stop through the browser's own controls back
# into the page.
ROUND_PRESSES = 30

# Firefox's first run, updates, telemetry, studies, safe-browsing lists, captive
# portal and connectivity probes, its new-tab page's feeds and its remote settings:
# all it would fetch on its own account.
FIREFOX_PREFS = {
    "app.normandy.enabled": False,
    "app.update.auto": False,
    "app.update.checkInstallTime": False,
    "app.update.disabledForTesting": True,
    "browser.aboutwelcome.enabled": False,
    "browser.newtabpage.enabled": False,
    "browser.region.network.url": "",
    "browser.region.update.enabled": False,
    "browser.safebrowsing.blockedURIs.enabled": False,
    "browser.safebrowsing.downloads.enabled": False,
    "browser.safebrowsing.malware.enabled": False,
    "browser.safebrowsing.phishing.enabled": False,
    "browser.search.update": False,
    "browser.sessionstore.resume_from_crash": False,
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore",
    "browser.topsites.contile.enabled": False,
    "browser.translations.enable": False,
    "datareporting.healthreport.uploadEnabled": False,
    "datareporting.policy.dataSubmissionEnabled": False,
    "datareporting.policy.firstRunURL": "",
    "datareporting.usage.uploadEnabled": False,
    "dom.push.connection.enabled": False,
    "extensions.blocklist.enabled": False,
    "extensions.getAddons.cache.enabled": False,
    "extensions.systemAddon.update.enabled": False,
    "extensions.update.enabled": False,
    "media.gmp-manager.updateEnabled": False,
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
    "network.dns.disablePrefetch": True,
    "network.http.speculative-parallel-limit": 0,
    "network.prefetch-next": False,
    "network.trr.mode": 5,
    # A server that answers nothing; a release build takes it only with
    # MOZ_REMOTE_SETTINGS_DEVTOOLS set (below).
    "services.settings.server": "data:,#none/v1",
    "toolkit.telemetry.enabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "toolkit.telemetry.unified": False,
}

fail = Failures()


def browser_command(engine, url, home):
    """The browser's documented command line on a fresh profile in `home`, and its environment."""
    profile = os.path.join(home, "profile")
    os.mkdir(profile)
    # Its caches and settings stay inside the check's folder; an X11 window, even
    # from a Wayland session.
    env = {k: v for k, v in os.environ.items() if k != "WAYLAND_DISPLAY"}
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_CACHE_HOME=os.path.join(home, "cache"))
    if engine == "chromium":
        return ["chromium", "--user-data-dir=" + profile, "--force-renderer-accessibility", "--ozone-platform=x11",
                "--window-position=0,0", "--window-size=1280,1024", "--disable-gpu", "--password-store=basic",
                "--no-first-run", "--disable-background-networking", "--disable-component-update",
                "--disable-sync", "--disable-quic",
                # Its sign-in and extension services look names up even so; the page needs none.
                "--host-resolver-rules=MAP * ~NOTFOUND",
                # Chromium refuses its sandbox as root, which CI runs as.
                "--no-sandbox", url], env
    if engine == "firefox":
        with open(os.path.join(profile, "user.js"), "w", encoding="utf-8") as prefs:
            prefs.writelines("user_pref(%s, %s);\n" % (json.dumps(k), json.dumps(v)) for k, v in FIREFOX_PREFS.items())
        # Firefox speaks AT-SPI where the desktop asks for accessibility, and takes
        # another remote-settings server where told so.
        env.update(GNOME_ACCESSIBILITY="1", MOZ_ENABLE_WAYLAND="0", MOZ_REMOTE_SETTINGS_DEVTOOLS="1")
        return ["firefox-esr", "--no-remote", "--new-instance", "--profile", profile, url], env
    raise SystemExit("unknown engine %r: chromium or firefox" % engine)


def in_document(source):
    """Whether a control is part of a web page, not the page itself (which a
    browser may focus while it loads) nor the browser around it."""
    if source.get_role() == Atspi.Role.DOCUMENT_WEB:
        return False
    node = source.get_parent()
    for _ in range(64):
        if node is None:
            return False
        if node.get_role() == Atspi.Role.DOCUMENT_WEB:
            return True
        node = node.get_parent()
    return False


def expected_stops(window):
    """The window's focus order as the page's stops: (name, role); the sixteen
    selectors are one stop, the one chosen."""
    rows = window["rows"]
    return [(rows[i]["accessibleName"], ROLES[rows[i]["kind"]]) for i in window["focusOrder"]
            if rows[i]["kind"] != "OptionButton" or rows[i]["value"] != 0]


def walk(engine, page, window, orca, log, stops, home):
    wanted = expected_stops(window)
    browser = None
    focus = Focus(lambda source: browser is not None and source.get_process_id() == browser.pid
                  and in_document(source))
    command, env = browser_command(engine, pathlib.Path(page).resolve().as_uri(), home)
    browser = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)

    def check(number, stop):
        name, role = wanted[number]
        if stop[:2] != (name, role):
            raise RuntimeError("stop %d is %r (%s), expected %r (%s)"
                               % (number, stop[0], stop[2], name, Atspi.role_get_name(role)))

    try:
        # Without a window manager nothing gives the new window the keyboard.
        # A browser opens and closes windows of its own as it starts, and one
        # that goes while xdotool looks through the windows ends the search
        # with an X error (BadWindow): the search is made again.
        for attempt in range(3):
            search = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                                     "^%s" % window["form"]["caption"], "windowfocus", "--sync"],
                                    timeout=60, stdout=subprocess.DEVNULL)
            if search.returncode == 0:
                break
        search.check_returncode()
        # The start stop is checked at load, but heard where the walk comes
        # round to it: what Orca says of the focus a page takes as it loads
        # differs by version and browser (Orca 43 moves its own locus to the
        # first object of a page in Firefox as it loads, so the focus that follows
        # is no change and goes unsaid; Orca 48 and later may say only the
        # landmark around it), while a Tab back into the page from the
        # browser's own controls is what a user hears on every visit but the
        # first.
        tab_walk(orca, log, focus, len(wanted), stops, check, start_heard=False)
        print("at load: %s" % (" | ".join(stops[0][3]) or "(silent)"))
        stop = tab_round(orca, log, focus, ROUND_PRESSES)
        check(0, stop)
        if not any(stop[0] in u for u in stop[3]):
            # Orca 43 in Firefox says nothing of any control but a text field
            # that takes the focus from the browser's own: there a user hears
            # the start stop on coming back to it from the next.
            print("back from the browser: %s; from the next stop:" % (" | ".join(stop[3]) or "(silent)"))
            check(1, tab_step(orca, log, focus))
            stop = tab_step(orca, log, focus, back=True)
            check(0, stop)
        stops[0] = stop
    finally:
        focus.close()
        browser.terminate()
        try:
            browser.wait(END_LIMIT)
        except subprocess.TimeoutExpired:
            browser.kill()
            browser.wait(END_LIMIT)


def main():
    engine, page, description = sys.argv[1:4]
    with open(description, encoding="utf-8") as f:
        window = json.load(f)
    heard(lambda orca, log, stops, home: walk(engine, page, window, orca, log, stops, home), fail, "orca-web-check-")
    return 1 if fail else 0


if __name__ == "__main__":
    sys.exit(main())
