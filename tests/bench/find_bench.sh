#!/usr/bin/env bash
# fennmere find over the whole baud list: a logger at the last rate tried
# (1200) and a port where nothing answers, each against the simulator with
# byte pacing (the garbage a logger at another rate sends, and silence).
# Prints figures. Usage: find_bench.sh [BUILD-DIR] [RUNS]
set -eu
build=${1:-build/bench}
runs=${2:-3}
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNMERE_BUILD_GUI=OFF >/dev/null
fi
cmake --build "$build" -j 2 --target fennmere fennmere-loggersim >/dev/null
work=$(mktemp -d)
sims=()
trap 'kill "${sims[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
now() { date +%s.%N; }

for case in "1200:--baud 1200" "silent:--silent" "garbage-only:--baud 300"; do
    name=${case%%:*} options=${case#*:}
    # shellcheck disable=SC2086
    "$build/tools/fennmere-loggersim" --pace $options >"$work/$name.port" &
    sims+=($!)
    for _ in $(seq 50); do [ -s "$work/$name.port" ] && break; sleep 0.1; done
    port=$(head -n 1 "$work/$name.port")
    total=0
    for _ in $(seq "$runs"); do
        t0=$(now)
        "$build/tools/fennmere" find --port "$port" >"$work/out" || true
        t1=$(now)
        total=$(awk "BEGIN { print $total + $t1 - $t0 }")
    done
    printf '%-13s %.2f s per scan over %d runs: %s\n' "$name" "$(awk "BEGIN { print $total / $runs }")" "$runs" \
        "$(tail -n 1 "$work/out" | tr -s ' ')"
done
echo "target: one port over the whole list in at most 6 s"
