#!/usr/bin/env bash
# The safe Send against a plain one, side by side against the logger
# simulator at 115200 baud with byte pacing; diff of two files; the logbook
# listing over 10,000 entries. Prints figures. Usage: safesend_bench.sh [BUILD-DIR] [ROUNDS]
set -eu
build=${1:-build/bench}
rounds=${2:-2}
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNMERE_BUILD_GUI=OFF >/dev/null
fi
cmake --build "$build" -j 2 --target fennmere fennmere-loggersim fennmere-bench-diff >/dev/null
fennmere=$build/tools/fennmere
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$work"' EXIT
export FENNMERE_LOGBOOK=$work/logbook
"$build/tools/fennmere-loggersim" --pace --baud 115200 >"$work/port" &
sim=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(head -n 1 "$work/port")
printf 'Name North\r\nMeasInterval 60\r\no 3, I=A1, A=Level\r\n' >"$work/a.txt"

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
seconds() { calc "$2 - $1"; }

plain_total=0 safe_total=0
for round in $(seq "$rounds"); do
    t0=$(now); "$fennmere" send "$work/a.txt" --port "$port" --sensors /dev/null --no-backup --no-verify; t1=$(now)
    "$fennmere" send "$work/a.txt" --port "$port" --sensors /dev/null; t2=$(now)
    plain=$(seconds "$t0" "$t1") safe=$(seconds "$t1" "$t2")
    printf 'round %d: plain send %.2f s, send with backup and verification %.2f s\n' "$round" "$plain" "$safe"
    plain_total=$(calc "$plain_total + $plain") safe_total=$(calc "$safe_total + $safe")
done
printf 'safe/plain: %.3f (target at most 1.3)\n' "$(calc "$safe_total / $plain_total")"

# diff: two complete files that differ in one field, and two setup files,
# read and compared in one process (the program's start is the system's).
"$fennmere" show "$work/a.txt" --json --sensors /dev/null >"$work/a.json"
sed 's/"name": "North"/"name": "South"/' "$work/a.json" >"$work/b.json"
printf 'Name South\r\no 5, I=A1, A=Level\r\n' >"$work/b.txt"
echo "diff in one process (target under 5 ms):"
"$build/tests/fennmere-bench-diff" "$work/a.json" "$work/b.json"
"$build/tests/fennmere-bench-diff" "$work/a.txt" "$work/b.txt"
t0=$(now)
for _ in $(seq 50); do "$fennmere" diff "$work/a.json" "$work/b.json" --sensors /dev/null >/dev/null || true; done
t1=$(now)
for _ in $(seq 50); do /bin/true; done
t2=$(now)
printf 'fennmere diff as a program: %.2f ms per run; starting /bin/true takes %.2f ms here\n' \
    "$(calc "($t1 - $t0) * 20")" "$(calc "($t2 - $t1) * 20")"

# The logbook: 100 loggers with 100 entries each, real entry files.
entry=$(ls "$FENNMERE_LOGBOOK"/*/*.json | head -n 1)
for l in $(seq 100); do
    mkdir -p "$FENNMERE_LOGBOOK/L$l"
    for n in $(seq 100); do
        ln "$entry" "$FENNMERE_LOGBOOK/L$l/$(printf '%06d' "$n")_20261209T1200$(printf '%02d' $((n % 60)))Z_retrieve_COM1.json"
    done
done
count=$(ls "$FENNMERE_LOGBOOK"/*/ | grep -c json)
"$fennmere" logbook >/dev/null
t0=$(now)
for _ in $(seq 10); do "$fennmere" logbook >/dev/null; done
t1=$(now)
printf 'fennmere logbook over %d entries: %.1f ms per run (target under 200 ms)\n' "$count" \
    "$(calc "($t1 - $t0) * 100")"
