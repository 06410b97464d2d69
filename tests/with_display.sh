#!/usr/bin/env bash
# Runs a command on a private Xvfb display. Xvfb picks the display number itself,
# so runs side by side never fight over one.
set -euo pipefail
# -noreset: a server left by its last client would reset and refuse the next one.
coproc XVFB { exec Xvfb -displayfd 1 -nolisten tcp -noreset -screen 0 1280x1024x24 2>/dev/null; }
xvfb_pid=$XVFB_PID
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true' EXIT
if ! read -r -t 30 number <&"${XVFB[0]}"; then
    echo "with_display: Xvfb did not start" >&2
    exit 1
fi
DISPLAY=":$number" "$@"
