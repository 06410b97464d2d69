#!/usr/bin/env bash
# Builds the Debian package with CPack, checks its control fields and files, has
# Debian's own checker (lintian, where installed) find no error in it, unpacks it
# and has a screen reader find the unpacked program's window.
# Usage: deb_check.sh BUILD_DIR SCRATCH_DIR VERSION
set -euo pipefail
build=$1 scratch=$2 version=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch"
mkdir -p "$scratch"
cpack --config "$build/CPackConfig.cmake" -B "$scratch" -G DEB >/dev/null
deb=$(ls "$scratch"/kelm-zizovu-dizuzed_*.deb)
echo "package: $deb"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kelm-zizovu-dizuzed ] || { echo "wrong package name: $(field Package)"; exit 1; }
[ "$(field Version)" = "$version" ] || { echo "wrong version: $(field Version)"; exit 1; }
depends=$(field Depends)
grep -q libqt6widgets6 <<<"$depends" || { echo "no dependency on Qt Widgets: $depends"; exit 1; }
# The window's captions are laid out for these metrics.
grep -Eq '(^|, )fonts-liberation2(,|$| )' <<<"$depends" || { echo "no dependency on fonts-liberation2: $depends"; exit 1; }
field Recommends | grep -q qt6-wayland || { echo "Qt's Wayland plugin is not recommended: $(field Recommends)"; exit 1; }

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
entry=usr/share/applications/kelm-zizovu-dizuzed.desktop
doc=usr/share/doc/kelm-zizovu-dizuzed
for f in "$entry" "$doc/copyright" "$doc/changelog.gz" usr/share/man/man6/kelm-zizovu-dizuzed.6.gz; do
    [ -e "$root/$f" ] || { echo "missing from the package: /$f"; exit 1; }
done
# The package carries the source's time, never the build's, so that one commit
# packs the same bytes: no file newer than it, no time or name in a gzip header.
epoch=$("$here/../scripts/source-date-epoch")
newer=$(dpkg-deb --fsys-tarfile "$deb" | TZ=UTC tar -tv --full-time |
        awk -v t="$(date -u -d "@$epoch" '+%F %T')" '$4 " " $5 > t')
[ -z "$newer" ] || { echo "files newer than the source's time ($epoch):"; echo "$newer"; exit 1; }
for gz in "$doc/changelog.gz" usr/share/man/man6/kelm-zizovu-dizuzed.6.gz; do
    [ "$(head -c 8 "$root/$gz" | od -An -tx1 | tr -d ' \n')" = 1f8b080000000000 ] ||
        { echo "/$gz has a time or a name in its gzip header"; exit 1; }
done
# The menu entry starts the program the package installs.
program=$(sed -n 's/^Exec=//p' "$root/$entry")
[ -x "$root$program" ] || { echo "the desktop entry runs $program, which the package lacks"; exit 1; }
desktop-file-validate "$root/$entry"
"$here/appstream_check.sh" "$root/usr"
if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" || { echo "lintian finds errors in the package"; exit 1; }
else
    echo "lintian is not installed: the package's Debian checks are skipped"
fi
"$here/with_display.sh" dbus-run-session -- /usr/bin/python3 "$here/atspi_check.py" "$root$program"
rm -rf "$scratch"
