#!/usr/bin/env bash
# Time from SIGINT to the port being free again, for a Retrieve stuck on a
# silent logger and for a Send in the middle of its lines.
# Usage: cancel_bench.sh [BUILD-DIR [RUNS]]
set -eu
build=${1:-build/bench}
runs=${2:-20}
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ ! -x "$build/tests/fennmere-bench-cancel" ] || [ ! -x "$build/tools/fennmere" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNMERE_BUILD_GUI=OFF >/dev/null
    cmake --build "$build" -j 2 --target fennmere-bench-cancel fennmere fennmere-loggersim >/dev/null
fi
work=$(mktemp -d)
trap 'kill $silent $live 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
"$build/tools/fennmere-loggersim" --silent >"$work/silent" &
silent=$!
"$build/tools/fennmere-loggersim" --pace --state "$work/state.txt" >"$work/live" &
live=$!
for _ in $(seq 50); do [ -s "$work/silent" ] && [ -s "$work/live" ] && break; sleep 0.1; done
"$build/tools/fennmere" new -o "$work/setup.txt"
"$build/tests/fennmere-bench-cancel" "$build/tools/fennmere" "$(head -n 1 "$work/silent")" "$(head -n 1 "$work/live")" \
    "$work/setup.txt" "$runs"
