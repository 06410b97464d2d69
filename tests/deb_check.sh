#!/usr/bin/env bash
# Builds the Debian package with CPack, checks its control fields and files,
# unpacks it and has a screen reader find the unpacked program's window.
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
field Depends | grep -q libqt6widgets6 || { echo "no dependency on Qt Widgets: $(field Depends)"; exit 1; }

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/kelm-zizovu-dizuzed usr/share/applications/kelm-zizovu-dizuzed.desktop; do
    [ -e "$root/$f" ] || { echo "missing from the package: /$f"; exit 1; }
done
desktop-file-validate "$root/usr/share/applications/kelm-zizovu-dizuzed.desktop"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
"$here/with_display.sh" dbus-run-session -- /usr/bin/python3 "$here/atspi_check.py" "$root/usr/bin/kelm-zizovu-dizuzed"
rm -rf "$scratch"
