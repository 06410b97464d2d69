#!/usr/bin/env python3
"""Shows that a whole session writes no file and opens no network socket.

Runs a program (the close probe: it starts the window, fills every cell and both
notes, places a marker and presses Close) under `strace -f`, then reads every
file and socket call it and its threads made. Reading is fine: the program
loads its libraries, fonts and the system's configuration like any other.
What fails the check:

- opening a file for writing, creating, renaming, removing or linking one, or
  making a directory, anywhere except the character devices below /dev;
- a socket of any family but AF_UNIX, or an AF_UNIX connection to anything but
  the X display, the C library's name-service cache (a local look-up of the
  user's account) or, when one is given, the D-Bus session or accessibility bus.

A call that failed changed nothing; such calls are listed and allowed only where
failing is the point: Qt makes sure the user's runtime directory exists with a
mkdir that finds it there (EEXIST).

Third-party libraries are judged by the same rules, because their writes would
be this program's writes to the user. Fontconfig is the one library known to
write on its own: when its cache is stale it rebuilds it under the user's cache
directory. Such writes are listed separately as fontconfig's and allowed;
everything else counts. Usage: no_io_check.py PROGRAM [ARGS...]
"""

import os
import re
import subprocess
import sys
import tempfile

WRITE_FLAGS = ("O_WRONLY", "O_RDWR", "O_CREAT", "O_TRUNC", "O_APPEND")
CHANGE_CALLS = ("mkdir", "mkdirat", "rename", "renameat", "renameat2", "unlink", "unlinkat", "rmdir",
                "link", "linkat", "symlink", "symlinkat", "truncate", "creat", "mknod", "mknodat")
DISPLAY_SOCKET = re.compile(r'sun_path=@?"(/tmp/\.X11-unix/X\d+|[^"]*/wayland-\d+)"')
NAME_SERVICE = re.compile(r'sun_path="(/var)?/run/nscd/socket"')
CALL = re.compile(r"^(\d+)\s+(?:<\.\.\. )?(\w+)\((.*)$")


def fontconfig_cache(path):
    cache_home = os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache")
    return path.startswith(os.path.join(cache_home, "fontconfig")) or path.startswith("/var/cache/fontconfig")


def first_path(args):
    m = re.search(r'"((?:[^"\\]|\\.)*)"', args)
    return m.group(1) if m else ""


def main():
    program = sys.argv[1:]
    allowed_buses = [os.environ[v].split("path=")[-1].split(",")[0]
                     for v in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS")
                     if "path=" in os.environ.get(v, "")]
    with tempfile.TemporaryDirectory() as scratch:
        log = os.path.join(scratch, "trace")
        run = subprocess.run(["strace", "-f", "-qq", "-s", "256", "-o", log, "-e", "signal=none",
                              "-e", "trace=%file,%network,creat"] + program)
        # The trace file is this check's own, kept outside what is judged.
        with open(log, encoding="utf-8", errors="replace") as f:
            lines = f.readlines()

    problems, cache_writes, refused, reads, display, name_service = [], [], [], 0, [], 0
    for line in lines:
        m = CALL.match(line)
        if not m or "resumed>" in line:
            continue
        call, args = m.group(2), m.group(3)
        if call in ("open", "openat", "openat2", "creat"):
            path = first_path(args)
            writing = call == "creat" or any(flag in args for flag in WRITE_FLAGS)
            if not writing:
                reads += 1
            elif path.startswith("/dev/"):
                continue
            elif fontconfig_cache(path):
                cache_writes.append(line.strip())
            else:
                problems.append(line.strip())
        elif call in CHANGE_CALLS:
            if call in ("mkdir", "mkdirat") and line.rstrip().endswith("EEXIST (File exists)"):
                refused.append(line.strip())
            elif fontconfig_cache(first_path(args)):
                cache_writes.append(line.strip())
            else:
                problems.append(line.strip())
        elif call == "socket":
            if not args.startswith("AF_UNIX"):
                problems.append(line.strip())
        elif call in ("connect", "bind", "sendto", "sendmsg"):
            if "sa_family=AF_UNIX" in args:
                m = DISPLAY_SOCKET.search(args)
                if m:
                    display.append(m.group(1))
                elif NAME_SERVICE.search(args):
                    name_service += 1
                elif not any(bus and bus in args for bus in allowed_buses):
                    problems.append(line.strip())
            elif "sa_family=" in args:
                problems.append(line.strip())

    print("%d calls traced, %d files opened for reading, display connection: %s"
          % (len(lines), reads, ", ".join(sorted(set(display))) or "none"))
    if name_service:
        print("name-service cache look-ups: %d" % name_service)
    for r in refused:
        print("found already there, nothing made:", r)
    for w in cache_writes:
        print("fontconfig's own cache (allowed):", w)
    for p in problems:
        print("NOT ALLOWED:", p, file=sys.stderr)
    if run.returncode != 0:
        print("the program ended with status %d" % run.returncode, file=sys.stderr)
        return 1
    if reads == 0:
        print("nothing was traced: the check itself is broken", file=sys.stderr)
        return 1
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
