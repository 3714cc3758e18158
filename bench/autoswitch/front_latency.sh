#!/usr/bin/env bash
# Time from a window coming to the front to the first transfer in the wire
# log, through the window's automatic switching. Runs its own Xvfb, openbox
# and settings folder; needs a built korvex (default: build/src/app/korvex).
#   bench/autoswitch/front_latency.sh [path/to/korvex] [rounds]
set -euo pipefail
korvex=${1:-build/src/app/korvex}
rounds=${2:-10}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data
Xvfb :93 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=:93
sleep 1
openbox >/dev/null 2>&1 &
sleep 1
# A second profile and a rule: xmessage windows play it, anything else profile 1.
"$korvex" --simulate --wire-log "$work/wire.log" >/dev/null 2>&1 &
sleep 5
kill %3; wait %3 2>/dev/null || true
/usr/bin/python3 - "$XDG_DATA_HOME/korvex/db/device_keyboard_tarnel_v1.sqlite3" <<'PY'
import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
c.execute("INSERT INTO t_profile (name) VALUES ('Game')")
c.execute("INSERT INTO t_autoswitch_rule (position, profId, kind, match) VALUES (0, 2, 0, 'Xmessage')")
c.execute("INSERT INTO t_autoswitch (key, value) VALUES ('enabled', 1), ('defaultProfile', 1)")
c.commit()
PY
"$korvex" --simulate --wire-log "$work/wire.log" >/dev/null 2>&1 &
sleep 5
xmessage -geometry +100+100 game >/dev/null 2>&1 &
xterm -geometry +600+100 >/dev/null 2>&1 &
sleep 2
game=$(xdotool search --class Xmessage | head -1)
other=$(xdotool search --class XTerm | head -1)
for ((i = 0; i < rounds; ++i)); do
    for w in $game $other; do
        n=$(wc -l <"$work/wire.log")
        t0=$(date +%s%N)
        xdotool windowactivate "$w"
        while [ "$(wc -l <"$work/wire.log")" -eq "$n" ]; do
            (( ($(date +%s%N) - t0) / 1000000 < 3000 )) || { echo "no switch"; exit 1; }
            sleep 0.002
        done
        echo $(( ($(date +%s%N) - t0) / 1000000 ))
        sleep 1
    done
done | sort -n | awk '{a[NR]=$1} END {printf "front -> first transfer: median %d ms, max %d ms over %d switches\n", a[int((NR+1)/2)], a[NR], NR}'
