#!/usr/bin/env bash
# Runs a command inside a private X server of its own (Xvfb), with no sound
# server, and stops everything it started afterwards. The command's exit
# status is ours.
#
#   in-xvfb.sh [--desktop bare|openbox|wayland] [--size WxH] COMMAND [ARG...]
#
# bare: the X server alone, no window manager, no compositor. openbox: the
# openbox window manager on it. wayland: the weston compositor shown in an X
# window; the command itself stays an X client (it can read the screen
# there), and finds the compositor's socket in ZENTOVIA_WAYLAND_DISPLAY to
# start programs on it. ZENTOVIA_DESKTOP names the desktop.
set -euo pipefail

desktop=bare
size=1280x800
while (($#)); do
    case $1 in
    --desktop) desktop=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    *) break ;;
    esac
done

helpers=()
runtime=$(mktemp -d)
finish() {
    for pid in "${helpers[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${helpers[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$runtime"
}
trap finish EXIT

# The server tells its display number on a descriptor once it is ready.
exec 3<>"$runtime/display"
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
helpers+=($!)
display=""
for _ in $(seq 200); do
    display=$(head -n1 "$runtime/display" 2>/dev/null || true)
    [[ -n $display ]] && break
    sleep 0.1
done
[[ -n $display ]] || { echo "in-xvfb.sh: Xvfb did not start" >&2; exit 1; }
exec 3>&-
export DISPLAY=":$display"
export QT_QPA_PLATFORM=xcb
# No sound server: the wizard speaks in his balloon only.
export PULSE_SERVER=unix:/nonexistent
unset WAYLAND_DISPLAY
export ZENTOVIA_DESKTOP=$desktop

case $desktop in
bare) ;;
openbox)
    openbox --sm-disable >/dev/null 2>&1 &
    helpers+=($!)
    # Ready once it names itself on the root window.
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    ;;
wayland)
    chmod 700 "$runtime"
    export XDG_RUNTIME_DIR=$runtime
    socket=zentovia-$$
    weston --backend=x11-backend.so --use-pixman --socket="$socket" --debug --idle-time=0 \
        --width="${size%x*}" --height="${size#*x}" >"$runtime/weston.log" 2>&1 &
    helpers+=($!)
    for _ in $(seq 100); do
        [[ -S $runtime/$socket ]] && break
        sleep 0.1
    done
    [[ -S $runtime/$socket ]] || { cat "$runtime/weston.log" >&2; exit 1; }
    export ZENTOVIA_WAYLAND_DISPLAY=$socket
    # Keys typed on the X server reach weston where the pointer is.
    xdotool mousemove 1 1
    ;;
*)
    echo "in-xvfb.sh: --desktop is bare, openbox or wayland" >&2
    exit 2
    ;;
esac

"$@"
