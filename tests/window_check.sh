#!/usr/bin/env bash
# Starts the program on this X display and reads its window as a dock and a window
# manager do: its class must be the one the desktop entry names in StartupWMClass,
# so that a dock shows the running window under the entry, and its Motif hints
# must ask for a title, minimise and close but no maximise, the window having one
# fixed size.
# Usage: window_check.sh DESKTOP_ENTRY PROGRAM
set -euo pipefail
entry=$1 program=$2
wanted=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$wanted" ] || { echo "no StartupWMClass in $entry"; exit 1; }

QT_QPA_PLATFORM=xcb "$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
window=$(timeout 60 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
[ -n "$window" ] || { echo "no window of the program showed"; exit 1; }

class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\(.*\)"$/\1/p')
echo "window class: '$class'; StartupWMClass: '$wanted'"
[ "$class" = "$wanted" ] || exit 1

# _MOTIF_WM_HINTS holds flags, functions, decorations, input mode and status.
# Flags: 1 the functions are given, 2 the decorations are given. Functions:
# 8 minimise, 16 maximise, 32 close. Decorations: 8 title, 32 minimise, 64 maximise.
read -r flags functions decorations _ < <(xprop -id "$window" _MOTIF_WM_HINTS | sed 's/^.*= //; s/,//g')
echo "Motif hints: flags $flags, functions $functions, decorations $decorations"
has() { (( ($1 & $2) == $2 )); }
if ! has "$flags" 3 || ! has "$functions" $((8 | 32)) || has "$functions" 16 \
    || ! has "$decorations" $((8 | 32)) || has "$decorations" 64; then
    echo "the window manager is not asked for a title, minimise and close without maximise"
    exit 1
fi
