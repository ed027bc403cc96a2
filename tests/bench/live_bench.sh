#!/usr/bin/env bash
# fennmere live against the logger simulator sending back to back at 115200
# baud with 128 value columns (all 32 outputs with Min, Max and Stdev: 130
# columns with Date and Time). Prints what the simulator sent, what arrived,
# the receiver's CPU time and memory, and whether it fell behind.
#
# Usage: live_bench.sh [BUILD-DIR [SECONDS]]   (or LIVE_BENCH_SECONDS=20)
# Default: build/bench, 300 seconds.
#
# The simulator writes into a pseudo-terminal, which holds back a writer whose
# reader is slow instead of dropping bytes as a real UART's full input buffer
# would. A receiver that cannot keep up therefore shows as a sender that used
# less than the whole line ("line use" below 100 %) and as a growing delay of
# the rows behind the clock, not as lost rows.
set -eu
build=${1:-build/bench}
seconds=${2:-${LIVE_BENCH_SECONDS:-300}}
sample=${LIVE_BENCH_SAMPLE:-5}
baud=115200
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ ! -x "$build/tools/fennmere" ] || [ ! -x "$build/tools/fennmere-loggersim" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNMERE_BUILD_GUI=OFF >/dev/null
fi
cmake --build "$build" -j 2 --target fennmere fennmere-loggersim >/dev/null

work=$(mktemp -d)
sim=""
live=""
cleanup() {
    [ -n "$live" ] && kill "$live" 2>/dev/null && wait "$live" 2>/dev/null
    [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# All 32 outputs with an input and every statistic, Default data format.
{
    echo "DataFormat 0"
    for n in $(seq 32); do echo "o $n, I=A1, N=1, X=1, S=1, V=0, P=1, A=Out$n"; done
} >"$work/config.txt"

"$build/tools/fennmere-loggersim" --baud $baud --data-interval 0 --data-format default --columns 128 \
    >"$work/port" 2>"$work/sim.err" &
sim=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(head -n 1 "$work/port")

"$build/tools/fennmere" live --port "$port" --baud $baud --config "$work/config.txt" --format csv \
    --sensors "$work/none.ini" >"$work/rows.csv" 2>"$work/live.err" &
live=$!
ticks=$(getconf CLK_TCK)

status_kb() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$live/status"; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$live/stat"; }
rows_so_far() { local n; n=$(wc -l <"$work/rows.csv"); echo $((n > 0 ? n - 1 : 0)); }
# Seconds between now and the time stamp of the newest row (same host clock).
row_delay() {
    local last stamp
    last=$(tail -n 1 "$work/rows.csv" | cut -d, -f1,2 | tr -d '\r')
    case "$last" in [0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9],*) ;; *) echo "-"; return ;; esac
    stamp=$(echo "$last" | awk -F'[.,]' '{ printf "%s-%s-%s %s", $3, $2, $1, $4 }')
    echo $(($(date +%s) - $(date -d "$stamp" +%s)))
}

now() { date +%s.%N; }
since() { awk -v s="$1" -v e="$(now)" 'BEGIN { printf "%.1f", e - s }'; }

start=$(now)
sleep 2
rss_start=$(status_kb VmRSS)
rows_start=$(rows_so_far)
printf "%8s %10s %10s %10s\n" "time s" "rows" "rows/s" "delay s"
last_rows=$rows_start
last_t=$(since "$start")
while :; do
    t=$(since "$start")
    step=$(awk -v s="$seconds" -v t="$t" -v p="$sample" 'BEGIN { l = s - t; print (l < p ? l : p) }')
    if awk -v s="$step" 'BEGIN { exit !(s > 0) }'; then sleep "$step"; fi
    kill -0 "$live" 2>/dev/null || { echo "fennmere live ended early:"; cat "$work/live.err"; exit 1; }
    t=$(since "$start")
    rows=$(rows_so_far)
    rate=$(awk -v r=$((rows - last_rows)) -v a="$t" -v b="$last_t" \
        'BEGIN { printf "%.2f", (a > b ? r / (a - b) : 0) }')
    printf "%8s %10d %10s %10s\n" "$t" "$rows" "$rate" "$(row_delay)"
    last_rows=$rows
    last_t=$t
    awk -v t="$t" -v s="$seconds" 'BEGIN { exit !(t >= s) }' && break
done
rss_end=$(status_kb VmRSS)
rss_peak=$(status_kb VmHWM)
cpu=$(cpu_ticks)
delay_end=$(row_delay)
kill -TERM "$live"
live_rc=0
wait "$live" || live_rc=$?
live=""
elapsed=$(since "$start")
kill -TERM "$sim"
wait "$sim" || true
sim=""

sent=$(sed -n 's/.*sent \([0-9]*\) data lines, \([0-9]*\) bytes.*/\1/p' "$work/sim.err")
bytes=$(sed -n 's/.*sent \([0-9]*\) data lines, \([0-9]*\) bytes.*/\2/p' "$work/sim.err")
received=$(rows_so_far)
echo
echo "duration              ${elapsed} s (receiver exit status $live_rc)"
echo "rows sent             $sent ($bytes bytes, $((bytes / (sent > 0 ? sent : 1))) a line)"
echo "rows received         $received"
echo "lost                  $((sent - received)) (lines in flight when the port closed count here)"
awk -v b="$bytes" -v baud=$baud -v s="$elapsed" 'BEGIN {
    printf "line use              %.1f %% of %d baud (below ~98 %%: the receiver held the sender back)\n",
        100 * b * 10 / baud / s, baud }'
awk -v c="$cpu" -v hz="$ticks" -v s="$elapsed" 'BEGIN {
    printf "receiver CPU          %.2f s user+sys (%.2f %% of one core)\n", c / hz, 100 * c / hz / s }'
echo "receiver peak RSS     ${rss_peak} kB"
awk -v a="$rss_start" -v b="$rss_end" -v r=$((received - rows_start)) 'BEGIN {
    printf "RSS start / end       %d kB / %d kB, growth %.1f kB per 10,000 rows\n", a, b, (r > 0 ? (b - a) * 10000 / r : 0) }'
echo "newest row behind     ${delay_end} s at the end (time stamp vs clock; 1-2 s is the pty buffer)"

# CuteCom showing the same stream for the same time, for comparison. Skipped
# without cutecom, xvfb-run and xdotool, or with LIVE_BENCH_CUTECOM=0. Its
# session opens the device with auto-reconnect off (with it on, CuteCom does
# not keep a pseudo-terminal open); the Open button is clicked with xdotool.
if [ "${LIVE_BENCH_CUTECOM:-1}" = 0 ]; then exit 0; fi
for tool in cutecom xvfb-run xdotool; do
    command -v $tool >/dev/null || { echo; echo "CuteCom comparison skipped: no $tool"; exit 0; }
done
: >"$work/sim.err"
"$build/tools/fennmere-loggersim" --baud $baud --data-interval 0 --data-format default --columns 128 \
    >"$work/port" 2>"$work/sim.err" &
sim=$!
for _ in $(seq 50); do [ "$(wc -l <"$work/port")" -ge 1 ] && break; sleep 0.1; done
port=$(head -n 1 "$work/port")
mkdir -p "$work/home/.config/CuteCom"
cat >"$work/home/.config/CuteCom/CuteCom5.conf" <<CONF
[CuteCom]
session=bench

[sessions]
1\\BaudRate=$baud
1\\DataBits=8
1\\Device=$port
1\\FlowControl=0
1\\OpenMode=3
1\\Parity=0
1\\StopBits=1
1\\autoReconnect=false
1\\name=bench
1\\showCtrlCharacters=false
1\\showTimestamp=false
size=1
CONF
cat >"$work/cutecom.sh" <<'SCRIPT'
ticks_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
HOME="$WORK/home" cutecom -s bench >/dev/null 2>&1 &
pid=$!
for _ in $(seq 50); do xdotool search --onlyvisible --name CuteCom >/dev/null 2>&1 && break; sleep 0.2; done
sleep 1
xserver=$(pgrep -n -f "Xvfb $DISPLAY ")
xdotool mousemove 50 43 click 1  # Open, at the top left of the window
sleep 1
if ! ls -l "/proc/$pid/fd" | grep -q " $PORT\$"; then
    echo "CuteCom did not open $PORT" >"$WORK/cutecom.result"
    kill $pid
    exit 0
fi
c0=$(ticks_of $pid) x0=$(ticks_of $xserver)
sleep "$SECONDS_TO_RUN"
c1=$(ticks_of $pid) x1=$(ticks_of $xserver)
hwm=$(awk '$1 == "VmHWM:" { print $2 }' "/proc/$pid/status")
kill $pid
wait $pid 2>/dev/null
echo "$((c1 - c0)) $((x1 - x0)) $hwm" >"$WORK/cutecom.result"
SCRIPT
WORK="$work" PORT="$port" SECONDS_TO_RUN="$seconds" \
    xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/cutecom.sh" 2>/dev/null || true
kill -TERM "$sim"
wait "$sim" || true
sim=""
echo
if ! read -r ccpu xcpu chwm <"$work/cutecom.result" 2>/dev/null || [ -z "${chwm:-}" ]; then
    echo "CuteCom comparison failed: $(cat "$work/cutecom.result" 2>/dev/null)"
    exit 0
fi
csent=$(sed -n 's/.*sent \([0-9]*\) data lines.*/\1/p' "$work/sim.err")
awk -v c="$ccpu" -v x="$xcpu" -v hz="$ticks" -v s="$seconds" -v m="$chwm" -v n="$csent" 'BEGIN {
    printf "CuteCom, %s s (%d rows sent while it had the port open; its start-up not counted):\n", s, n
    printf "  CPU                 %.2f s user+sys (%.2f %% of one core)\n", c / hz, 100 * c / hz / s
    printf "  X server CPU        %.2f s drawing for it\n", x / hz
    printf "  peak RSS            %d kB\n", m }'
