#!/usr/bin/env bash
# Runs a command inside a private X server of its own (Xvfb), with no sound
# server, and stops the server afterwards. The command's exit status is ours.
set -euo pipefail

fifo=$(mktemp -u)
mkfifo "$fifo"
exec 3<>"$fifo"
rm -f "$fifo"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true' EXIT
read -r -t 20 display <&3
export DISPLAY=":$display"
export QT_QPA_PLATFORM=xcb
# No sound server: the wizard speaks in its balloon only.
export PULSE_SERVER=unix:/nonexistent
unset WAYLAND_DISPLAY
"$@"
