#!/usr/bin/env bash
# Retrieve and Send against the logger simulator at 115200 baud with byte
# pacing, each timed against the protocol floor. Usage: transfer_bench.sh [BUILD-DIR]
set -eu
build=${1:-build/bench}
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ ! -x "$build/tests/fennmere-bench-transfer" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNMERE_BUILD_GUI=OFF >/dev/null
    cmake --build "$build" -j 2 --target fennmere-bench-transfer fennmere-loggersim >/dev/null
fi
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$work"' EXIT
"$build/tools/fennmere-loggersim" --pace --baud 115200 --state "$work/state.txt" >"$work/port" &
sim=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
"$build/tests/fennmere-bench-transfer" "$(head -n 1 "$work/port")" 115200
