#!/usr/bin/env bash
# Installs the package with this release's apt, as a user does, so its dependencies
# must be this release's; has lintian find no error in it; starts the installed
# program by its menu entry's command on a private X display; then removes it.
# Usage: deb_install_check.sh PACKAGE.deb
set -euo pipefail
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get install -y -qq "$deb" >/dev/null
trap '"${sudo[@]}" apt-get purge -y -qq kelm-zizovu-dizuzed >/dev/null' EXIT
echo "installed: $(dpkg-query -W -f='${Package} ${Version}; depends on ${Depends}' kelm-zizovu-dizuzed)"
lintian --fail-on error "$deb"
entry=/usr/share/applications/kelm-zizovu-dizuzed.desktop
"$here/with_display.sh" "$here/window_check.sh" "$entry" "$(sed -n 's/^Exec=//p' "$entry")"
