#!/usr/bin/env bash
# A contest played with the screen reader Orca running, on the session bus
# that in-xvfb.sh and dbus-run-session give: Orca's own log of what it says
# must hold every question once the wizard has said it, each verdict once,
# never a product before its verdict, the last minute and the end's box. The
# program's clock runs six times as fast (libfaketime): the seven minutes
# pass in 70 seconds.
#
#   screenreader.sh ZENTOVIA
set -euo pipefail
program=$1
rounds=3
work=$(mktemp -d)
pids=()
finish() {
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap finish EXIT
command -v orca >/dev/null || { echo "orca is missing" >&2; exit 1; }

export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config HOME=$work
# Orca's speech goes nowhere: the test reads what it would say.
export SPEECHD_ADDRESS=unix_socket:$work/none
# Its log a line at a time, so that the test can wait on what it says.
/usr/bin/python3 -c "import builtins, runpy, sys
opened = builtins.open
builtins.open = lambda name, mode='r', *rest, **options: opened(name, mode, *rest,
    **(dict(options, buffering=1) if mode == 'w' and not rest else options))
sys.argv[0] = '/usr/bin/orca'
runpy.run_path(sys.argv[0], run_name='__main__')" \
    --user-prefs "$work/orca" --debug-file "$work/orca.log" >/dev/null 2>&1 &
pids+=($!)
said() { grep -a "SPEECH OUTPUT: '" "$work/orca.log" 2>/dev/null | sed "s/.*SPEECH OUTPUT: '\([^']*\)'.*/\1/"; }
for _ in $(seq 300); do said | grep -q . && break; sleep 0.2; done

# Waits until Orca has said a line matching $1 $2 times (once by default),
# up to two minutes.
hears() {
    for _ in $(seq 600); do
        (($(said | grep -c -- "$1") >= ${2:-1})) && return
        sleep 0.2
    done
}
LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1 FAKETIME="+0 x6" \
    "$program" >/dev/null 2>&1 &
pids+=($!)
hears "Come ti chiami"
xdotool type Ugo
xdotool key Return
hears "vediamo se sei un vero campione"
xdotool key Return # the greeting
for round in $(seq $rounds); do
    hears "^5 per [0-9]*\.$" "$round"
    xdotool type 1
    xdotool key Return # wrong: the verdict, and the focus on Nuovo calcolo
    hears "^Sbagliato" "$round"
    xdotool key Return # the next question
done
hears "^5 per [0-9]*\.$" $((rounds + 1))
hears "Manca 1 minuto"
hears "Ciao. Ti aspetto"
xdotool key Return # the end's box
said >"$work/said.txt"

# Every question asked is read once the wizard's balloon has shown its last
# word, each verdict once, a product only in its verdict; then the last
# minute and the end.
grep -aE "accessible-name for \[filler \| |SPEECH OUTPUT: '" "$work/orca.log" |
    sed -e "s/.*SPEECH OUTPUT: '\([^']*\)'.*/\1/" -e "s/.*accessible-name for \[filler | \([^]]*\)\].*/balloon \1/" \
        >"$work/events.txt"
awk -v rounds=$rounds '
    /^balloon / { balloon = $2; next }
    /^5 per [0-9]+\.$/ { questions++; product = 5 * $3; bad += balloon != words[$3 + 0]; next }
    /^Sbagliato!! [0-9]+\.$/ { verdicts++; bad += ($2 + 0 != product); product = ""; next }
    /Manca 1 minuto/ { minute++ }
    /Ciao. Ti aspetto/ { end++ }
    product != "" { n = split($0, w, /[^0-9]+/); for (i = 1; i <= n; i++) bad += w[i] == product }
    BEGIN { split("uno due tre quattro cinque sei sette otto nove dieci", words, " ") }
    END { exit bad || questions != rounds + 1 || verdicts != rounds || minute != 1 || end != 1 }' \
    "$work/events.txt" ||
    { echo "--- what Orca said and the balloon showed:" >&2; cat "$work/events.txt" >&2; exit 1; }
