#!/usr/bin/env bash
# Start-up of the desktop application to its first painted main window, the
# serial port probe (the port list filled at start) included, under Xvfb.
# Several runs; prints each and the median: from launch (the shell starting
# the program) and from the beginning of main.
#
# Usage: startup_bench.sh [BUILD-DIR [RUNS]]   Default: build/bench-gui, 9 runs.
#
# The application prints the moment of its first flushed paint when
# FENNMERE_STARTUP_TRACE is set. Each run has a fresh settings folder, as on
# a first start.
set -eu
build=${1:-build/bench-gui}
runs=${2:-9}
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j 2 --target FennmereSetup >/dev/null
app_bin=$build/app/FennmereSetup
command -v Xvfb >/dev/null || { echo "startup_bench: needs Xvfb (apt-get install xvfb)"; exit 1; }

work=$(mktemp -d)
xserver=""
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    [ -n "$xserver" ] && kill "$xserver" 2>/dev/null && wait "$xserver" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$work/display" 2>/dev/null &
xserver=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=:$(cat "$work/display")

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

printf "%5s %12s %12s\n" "run" "launch ms" "main ms"
: >"$work/times"
for run in $(seq "$runs"); do
    rm -rf "$work/home"
    mkdir -p "$work/home"
    launched=$(date +%s%3N)
    DISPLAY=$display HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" FENNMERE_STARTUP_TRACE=1 \
        "$app_bin" --sensors "$work/none.ini" </dev/null >/dev/null 2>"$work/err" &
    app=$!
    for _ in $(seq 200); do grep -q '^startup:' "$work/err" && break; sleep 0.05; done
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    app=""
    line=$(grep '^startup:' "$work/err" || true)
    [ -n "$line" ] || { echo "run $run: no first paint reported:"; cat "$work/err"; exit 1; }
    painted=$(echo "$line" | sed -n 's/.* at \([0-9]*\) ms since the epoch.*/\1/p')
    main_ms=$(echo "$line" | sed -n 's/.*, \([0-9]*\) ms after main.*/\1/p')
    printf "%5d %12d %12d\n" "$run" $((painted - launched)) "$main_ms"
    echo "$((painted - launched)) $main_ms" >>"$work/times"
done
echo
echo "median from launch     $(cut -d' ' -f1 "$work/times" | median) ms (target: under 500)"
echo "median from main       $(cut -d' ' -f2 "$work/times" | median) ms"
