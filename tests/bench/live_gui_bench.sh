#!/usr/bin/env bash
# The desktop application's live page against the logger simulator sending
# back to back at 115200 baud with 128 value columns (all 32 outputs with
# Min, Max and Stdev: 130 columns with Date and Time), side by side with
# CuteCom showing the same stream. Each program has its own simulator and its
# own X server (Xvfb). Prints the rows sent and received, the line use, the
# CPU time of both programs and of their X servers, and the application's
# memory at start and end.
#
# Usage: live_gui_bench.sh [BUILD-DIR [SECONDS]]   (or LIVE_BENCH_SECONDS=20)
# Default: build/bench-gui, 300 seconds. LIVE_BENCH_CUTECOM=0 leaves CuteCom
# out. Needs Xvfb; CuteCom also needs cutecom and xdotool.
#
# The application starts its live run by itself (FENNMERE_LIVE_AUTOSTART),
# and at the end exports its rows to a CSV file, which is what is counted as
# received. A pseudo-terminal holds back a writer whose reader is slow
# instead of dropping bytes, so a receiver that cannot keep up shows as line
# use below ~98 %, not as lost rows. The CPU figures are taken over the same
# stretch for both programs, from a second after the port is open to the
# end; start-up is not counted.
set -eu
build=${1:-build/bench-gui}
seconds=${2:-${LIVE_BENCH_SECONDS:-300}}
baud=115200
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j 2 --target FennmereSetup fennmere-loggersim >/dev/null
app_bin=$build/app/FennmereSetup
sim_bin=$build/tools/fennmere-loggersim
command -v Xvfb >/dev/null || { echo "live_gui_bench: needs Xvfb (apt-get install xvfb)"; exit 1; }

cutecom=1
if [ "${LIVE_BENCH_CUTECOM:-1}" = 0 ]; then
    cutecom=0
else
    for tool in cutecom xdotool; do
        command -v $tool >/dev/null || { echo "CuteCom comparison skipped: no $tool"; cutecom=0; }
    done
fi

work=$(mktemp -d)
pids=()
cleanup() {
    exec 3>&- 2>/dev/null || true
    for pid in "${pids[@]}"; do
        kill -CONT "$pid" 2>/dev/null || true
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
status_kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }
now() { date +%s.%N; }
has_open() { ls -l "/proc/$1/fd" 2>/dev/null | grep -q " $2\$"; }
wait_open() {
    for _ in $(seq 100); do has_open "$1" "$2" && return 0; sleep 0.1; done
    return 1
}

# An X server of its own: prints its display number; its pid goes to $1.
start_x() {
    Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$work/$1.display" 2>/dev/null &
    echo $! >"$work/$1.xpid"
    pids+=($!)
    for _ in $(seq 100); do [ -s "$work/$1.display" ] && break; sleep 0.1; done
}

# A simulator of its own: its pty goes to $work/$1.port.
start_sim() {
    "$sim_bin" --baud $baud --data-interval 0 --data-format default --columns 128 \
        >"$work/$1.port" 2>"$work/$1.sim.err" &
    echo $! >"$work/$1.simpid"
    pids+=($!)
    for _ in $(seq 50); do [ -s "$work/$1.port" ] && break; sleep 0.1; done
}

# All 32 outputs with an input and every statistic, Default data format.
{
    echo "DataFormat 0"
    for n in $(seq 32); do echo "o $n, I=A1, N=1, X=1, S=1, V=0, P=1, A=Out$n"; done
} >"$work/config.txt"
mkdir -p "$work/apphome" "$work/cchome/.config/CuteCom"

start_x app
start_sim app
app_port=$(head -n 1 "$work/app.port")
if [ $cutecom = 1 ]; then
    start_x cc
    start_sim cc
    cc_port=$(head -n 1 "$work/cc.port")
fi

# The application; its standard input is the fifo that ends the run.
mkfifo "$work/app.ctl"
DISPLAY=:$(cat "$work/app.display") HOME="$work/apphome" XDG_CONFIG_HOME="$work/apphome/.config" \
    FENNMERE_LIVE_AUTOSTART="$work/rows.csv" \
    "$app_bin" --port "$app_port" --sensors "$work/none.ini" "$work/config.txt" \
    <"$work/app.ctl" >"$work/app.log" 2>&1 &
app=$!
pids+=($app)
exec 3>"$work/app.ctl"
wait_open "$app" "$app_port" || { echo "the application did not open $app_port:"; cat "$work/app.log"; exit 1; }
app_opened=$(now)

if [ $cutecom = 1 ]; then
    # CuteCom's session opens the device with auto-reconnect off (with it on,
    # CuteCom does not keep a pseudo-terminal open); Open is clicked with
    # xdotool, at the top left of its window.
    cat >"$work/cchome/.config/CuteCom/CuteCom5.conf" <<CONF
[CuteCom]
session=bench

[sessions]
1\\BaudRate=$baud
1\\DataBits=8
1\\Device=$cc_port
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
    export_display=:$(cat "$work/cc.display")
    HOME="$work/cchome" XDG_CONFIG_HOME="$work/cchome/.config" DISPLAY=$export_display \
        cutecom -s bench >/dev/null 2>&1 &
    cc=$!
    pids+=($cc)
    for _ in $(seq 50); do
        DISPLAY=$export_display xdotool search --onlyvisible --name CuteCom >/dev/null 2>&1 && break
        sleep 0.2
    done
    sleep 1
    DISPLAY=$export_display xdotool mousemove 50 43 click 1
fi

if [ $cutecom = 1 ]; then
    if wait_open "$cc" "$cc_port"; then
        cc_opened=$(now)
    else
        echo "CuteCom did not open $cc_port; comparison skipped"
        cutecom=0
    fi
fi
sleep 1
app_x=$(cat "$work/app.xpid")
t0=$(now)
a0=$(cpu_ticks "$app") ax0=$(cpu_ticks "$app_x")
rss_start=$(status_kb "$app" VmRSS)
if [ $cutecom = 1 ]; then
    cc_x=$(cat "$work/cc.xpid")
    c0=$(cpu_ticks "$cc") cx0=$(cpu_ticks "$cc_x")
fi
sleep "$seconds"
a1=$(cpu_ticks "$app") ax1=$(cpu_ticks "$app_x")
rss_end=$(status_kb "$app" VmRSS)
rss_peak=$(status_kb "$app" VmHWM)
if [ $cutecom = 1 ]; then
    c1=$(cpu_ticks "$cc") cx1=$(cpu_ticks "$cc_x")
    cc_hwm=$(status_kb "$cc" VmHWM)
    cc_open=$(has_open "$cc" "$cc_port" && echo yes || echo no)
fi
elapsed=$(awk -v s="$t0" -v e="$(now)" 'BEGIN { printf "%.1f", e - s }')

# Freeze the application's simulator, let the application read what is
# still in the pseudo-terminal, then have it stop, export and end.
app_sim=$(cat "$work/app.simpid")
kill -STOP "$app_sim"
[ $cutecom = 1 ] && kill -TERM "$(cat "$work/cc.simpid")"
stopped=$(now)
sleep 1
echo stop >&3
exec 3>&-
for _ in $(seq 300); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
app_rc=0
wait "$app" || app_rc=$?
for sim in "$app_sim" $([ $cutecom = 1 ] && cat "$work/cc.simpid"); do
    kill -TERM "$sim" 2>/dev/null || true
    kill -CONT "$sim" 2>/dev/null || true
    wait "$sim" || true
done

sent_of() { sed -n 's/.*sent \([0-9]*\) data lines, \([0-9]*\) bytes.*/\'"$2"'/p' "$work/$1.sim.err"; }
sent=$(sent_of app 1)
bytes=$(sent_of app 2)
received=0
bad=0
if [ -f "$work/rows.csv" ]; then
    received=$(($(wc -l <"$work/rows.csv") - 1))
    # A row that does not have its 130 fields, or has an empty one, was cut
    # or mixed up on the way.
    bad=$(tail -n +2 "$work/rows.csv" | tr -d '\r' |
        awk -F, 'NF != 130 { n++; next } { for (i = 1; i <= NF; i++) if ($i == "") { n++; next } } END { print n + 0 }')
fi
echo "live page, ${seconds} s of 130 columns at $baud baud (measured over ${elapsed} s)"
echo "  rows sent           $sent ($bytes bytes, $((bytes / (sent > 0 ? sent : 1))) a line)"
echo "  rows received       $received (application exit status $app_rc)"
echo "  lost                $((sent - received)) (a line half sent when the simulator was frozen counts here)"
echo "  damaged rows        $bad"
awk -v a="$a0" -v b="$a1" -v x="$ax0" -v y="$ax1" -v hz="$ticks" -v s="$elapsed" 'BEGIN {
    printf "  application CPU     %.2f s user+sys (%.2f %% of one core)\n", (b - a) / hz, 100 * (b - a) / hz / s
    printf "  its X server CPU    %.2f s\n", (y - x) / hz }'
awk -v a="$rss_start" -v b="$rss_end" -v p="$rss_peak" -v r="$received" 'BEGIN {
    printf "  RSS start / end     %d kB / %d kB (growth %d kB, %.0f bytes a row; peak %d kB)\n",
        a, b, b - a, (r > 0 ? (b - a) * 1024 / r : 0), p }'
if [ $cutecom = 1 ]; then
    cbytes=$(sent_of cc 2)
    csent=$(sent_of cc 1)
    echo "CuteCom on the same stream"
    echo "  rows sent           $csent (port still open at the end: $cc_open)"
    awk -v c0="$c0" -v c1="$c1" -v x="$cx0" -v y="$cx1" -v hz="$ticks" -v s="$elapsed" -v m="$cc_hwm" 'BEGIN {
        printf "  CuteCom CPU         %.2f s user+sys (%.2f %% of one core)\n", (c1 - c0) / hz, 100 * (c1 - c0) / hz / s
        printf "  its X server CPU    %.2f s\n", (y - x) / hz
        printf "  peak RSS            %d kB\n", m }'
    awk -v a="$a0" -v b="$a1" -v c0="$c0" -v c1="$c1" 'BEGIN {
        if (c1 > c0) printf "application / CuteCom CPU   %.2f\n", (b - a) / (c1 - c0) }'
fi
# Line use: bytes sent over the time from the port's opening to the end
# (the simulator sends only while the port is open).
awk -v b="$bytes" -v baud=$baud -v s="$app_opened" -v e="$stopped" 'BEGIN {
    printf "line use (application) %.1f %% of %d baud (below ~98 %%: the receiver held the sender back)\n",
        100 * b * 10 / baud / (e - s), baud }'
if [ $cutecom = 1 ]; then
    awk -v b="$cbytes" -v baud=$baud -v s="$cc_opened" -v e="$stopped" 'BEGIN {
        printf "line use (CuteCom)     %.1f %% of %d baud\n", 100 * b * 10 / baud / (e - s), baud }'
fi
