#!/usr/bin/env bash
# A contest played with the screen reader Orca running, on the session bus
# that in-xvfb.sh and dbus-run-session give: Orca's own log of what it says
# must hold every question when it is asked, each verdict once, and never a
# product before its verdict.
#
#   screenreader.sh ZENTOVIA
set -euo pipefail
program=$1
rounds=4
work=$(mktemp -d)
pids=()
finish() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap finish EXIT
command -v orca >/dev/null || { echo "orca is missing" >&2; exit 1; }

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config HOME=$work
# Orca's speech goes nowhere: the test reads what it would say.
export SPEECHD_ADDRESS=unix_socket:$work/none
orca --user-prefs "$work/orca" --debug-file "$work/orca.log" >/dev/null 2>&1 &
pids+=($!)
said() { grep -a "SPEECH OUTPUT: '" "$work/orca.log" 2>/dev/null | sed "s/.*SPEECH OUTPUT: '\([^']*\)'.*/\1/"; }
for _ in $(seq 100); do said | grep -q . && break; sleep 0.2; done

"$program" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do said | grep -q "Come ti chiami" && break; sleep 0.2; done
xdotool type Ugo
xdotool key Return
sleep 1.5
xdotool key Return # the greeting
sleep 3
for _ in $(seq $rounds); do
    xdotool type 1
    xdotool key Return # wrong: the verdict, and the focus on Nuovo calcolo
    sleep 2
    xdotool key Return # the next question
    sleep 2.5
done
xdotool key alt+x
sleep 2
said >"$work/said.txt"

# Every question asked is read, each verdict once, a product only in its verdict.
awk -v rounds=$rounds '
    /^5 per [0-9]+\.$/ { questions++; product = 5 * $3; next }
    /^Sbagliato!! [0-9]+\.$/ { verdicts++; bad += ($2 + 0 != product); product = ""; next }
    product != "" { n = split($0, w, /[^0-9]+/); for (i = 1; i <= n; i++) bad += w[i] == product }
    END { exit bad || questions != rounds + 1 || verdicts != rounds }' "$work/said.txt" ||
    { echo "--- what Orca said:" >&2; cat "$work/said.txt" >&2; exit 1; }
